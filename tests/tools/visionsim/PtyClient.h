// The far end of the simulated line for tests: opens the slave like a link would and exchanges raw lines.
#pragma once

#include <chrono>
#include <optional>
#include <string>

class PtyClient {
public:
    // raw: put the terminal into raw mode, as the link must; false leaves the terminal's cooked defaults.
    explicit PtyClient(const std::string& path, bool raw = true);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    int Fd() const { return fd_; }
    void Send(const std::string& bytes);
    // Bytes up to and including the next carriage return; nullopt when none came before the deadline.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    int ReadCalls() const { return reads_; }  // read() calls that returned data, since construction

private:
    int fd_ = -1;
    int reads_ = 0;
    std::string pending_;
};
