#include "PtyClient.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <system_error>
#include <termios.h>
#include <unistd.h>

PtyClient::PtyClient(const std::string& path, bool raw) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
    if (raw) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    tcflush(fd_, TCIOFLUSH);
}

PtyClient::~PtyClient() {
    if (fd_ >= 0) close(fd_);
}

void PtyClient::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd_, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "write");
        if (w > 0) done += static_cast<size_t>(w);
    }
}

std::optional<std::string> PtyClient::ReadLine(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        size_t cr = pending_.find('\r');
        if (cr != std::string::npos) {
            std::string line = pending_.substr(0, cr + 1);
            pending_.erase(0, cr + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[2048];
        ssize_t r = read(fd_, buf, sizeof buf);
        if (r > 0) {
            ++reads_;
            pending_.append(buf, static_cast<size_t>(r));
        }
    }
}
