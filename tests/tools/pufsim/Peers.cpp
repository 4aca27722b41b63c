#include "Peers.h"

#include "tools/pufsim/PufFrames.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace pufsimtest {

std::string Frame(const std::string& command) {
    std::string text = "PUF1:" + command;
    if (command.find(':') == std::string::npos) text += ':';
    return "     " + text + pufsim::SumTag(text);
}

bool ChecksOut(const std::string& line) {
    std::string t = line;
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= 0x20) t.erase(0, 1);
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= 0x20) t.pop_back();
    const auto lt = t.find('<');
    return lt != std::string::npos && t.size() - lt >= 6 && t.substr(lt, 6) == pufsim::SumTag(t.substr(0, lt));
}

std::string Payload(const std::string& line) {
    const auto ok = line.find("_OK:");
    const auto lt = line.find('<');
    if (ok == std::string::npos || lt == std::string::npos || lt < ok + 4) return "?";
    std::string p = line.substr(ok + 4, lt - ok - 4);
    if (!p.empty() && p.back() == ':') p.pop_back();
    return p;
}

std::string LineReader::ReadSome(milliseconds timeout) {
    pollfd p{fd_, POLLIN, 0};
    if (fd_ < 0 || ::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
    char buf[16384];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) eof = true;
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::optional<std::string> LineReader::ReadLine(milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (!buffered_.empty() && buffered_.front() == '\n') buffered_.erase(0, 1);
        if (const auto cr = buffered_.find('\r'); cr != std::string::npos) {
            std::string line = buffered_.substr(0, cr);
            buffered_.erase(0, cr + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || eof) return std::nullopt;
        buffered_ += ReadSome(left);
    }
}

PtyPeer::PtyPeer(const std::string& path, bool raw) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        openErrno_ = errno;
        return;
    }
    // The terminal keeps its settings while the simulator holds it open, so set them either way.
    termios t{};
    ::tcgetattr(fd_, &t);
    if (raw) {
        ::cfmakeraw(&t);
    } else {
        t.c_iflag |= ICRNL;
        t.c_oflag |= OPOST | ONLCR;
        t.c_lflag |= ECHO | ICANON;
    }
    ::tcsetattr(fd_, TCSANOW, &t);
}

PtyPeer::~PtyPeer() { Close(); }

void PtyPeer::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void PtyPeer::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

TcpPeer::TcpPeer(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TcpPeer::~TcpPeer() {
    if (fd_ >= 0) ::close(fd_);
}

void TcpPeer::Send(const std::string& bytes) {
    if (fd_ >= 0) ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

bool TcpPeer::ClosedWithin(milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!eof) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        buffered_ += ReadSome(left);
    }
    return true;
}

}  // namespace pufsimtest
