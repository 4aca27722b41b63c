#include "ScriptedLine.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

ScriptedLine::ScriptedLine() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) throw std::system_error(errno, std::generic_category(), "posix_openpt");
    char path[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, path, sizeof path) != 0)
        throw std::system_error(errno, std::generic_category(), "pty set-up");
    path_ = path;
    // Kept open so the master never reads EIO while the link closes and reopens its port.
    slave_ = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || pipe2(wake_, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pty slave");
    thread_ = std::thread([this] { Loop(); });
}

ScriptedLine::~ScriptedLine() {
    {
        std::lock_guard lk(mu_);
        stop_ = true;
    }
    char c = 1;
    [[maybe_unused]] ssize_t w = write(wake_[1], &c, 1);
    thread_.join();
    close(wake_[0]);
    close(wake_[1]);
    close(slave_);
    close(master_);
}

void ScriptedLine::Reply(std::optional<std::string> bytes) {
    std::lock_guard lk(mu_);
    replies_.push_back(std::move(bytes));
}

std::vector<std::string> ScriptedLine::Frames() const {
    std::lock_guard lk(mu_);
    return frames_;
}

bool ScriptedLine::WaitForFrames(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lk(mu_);
    return cv_.wait_for(lk, timeout, [&] { return frames_.size() >= count; });
}

void ScriptedLine::Loop() {
    std::string partial;
    for (;;) {
        // The link may open the port exclusively; our own slave descriptor must not lock it out later.
        ioctl(slave_, TIOCNXCL);
        pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(p, 2, 100) < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) return;
        if (!(p[0].revents & POLLIN)) continue;
        char buf[512];
        ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\r') {
                partial.push_back(buf[i]);
                continue;
            }
            std::optional<std::string> reply;
            {
                std::lock_guard lk(mu_);
                frames_.push_back(partial);
                if (!replies_.empty()) {
                    reply = std::move(replies_.front());
                    replies_.pop_front();
                }
                cv_.notify_all();
            }
            partial.clear();
            if (reply) {
                // After the link's purge that follows its write.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                [[maybe_unused]] ssize_t w = write(master_, reply->data(), reply->size());
            }
        }
    }
}
