// The station's end of the line, reduced to what the simulator's tests need.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace pufsimtest {

using std::chrono::milliseconds;

// A request as the station frames it: five blanks, "PUF1:", the command, a colon when the command
// has none, the checksum; no line end.
std::string Frame(const std::string& command);
// The station's acceptance rule for an answer: the six characters from the first "<" are the
// checksum of everything in front of it.
bool ChecksOut(const std::string& line);
// The payload of an accepted answer: between "_OK:" and the "<" (less one colon before it).
std::string Payload(const std::string& line);

// Both peers read lines ended by CR (a LF after it is dropped) and keep what follows.
class LineReader {
public:
    virtual ~LineReader() = default;
    // One line without its CR; nullopt when none completes before the timeout.
    std::optional<std::string> ReadLine(milliseconds timeout);
    // Whatever one read returns within the timeout (empty on time-out or end of stream).
    std::string ReadSome(milliseconds timeout);
    bool eof = false;

protected:
    int fd_ = -1;
    std::string buffered_;
};

// The slave side of the simulator's pseudo-terminal, opened the way the station opens it (raw), or
// left in the terminal's cooked mode with its echo, as a station that forgot raw mode would.
class PtyPeer : public LineReader {
public:
    explicit PtyPeer(const std::string& path, bool raw = true);
    ~PtyPeer() override;
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    int OpenErrno() const { return openErrno_; }
    void Send(const std::string& bytes);
    void SendLine(const std::string& line) { Send(line + "\r"); }
    void Close();

private:
    int openErrno_ = 0;
};

// A TCP client on 127.0.0.1.
class TcpPeer : public LineReader {
public:
    explicit TcpPeer(int port);
    ~TcpPeer() override;
    bool IsOpen() const { return fd_ >= 0; }
    void Send(const std::string& bytes);
    void SendLine(const std::string& line) { Send(line + "\r"); }
    // True when the simulator closes the connection within the timeout.
    bool ClosedWithin(milliseconds timeout);
};

}  // namespace pufsimtest
