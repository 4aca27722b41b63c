#include "ScriptedLine.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

#include "tools/visionsim/PurgedReplies.h"

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
    if (!visionsim::PurgedReplies::EnablePacketMode(master_))
        throw std::system_error(errno, std::generic_category(), "pty packet mode");
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
    const auto start = std::chrono::steady_clock::now();
    auto nowMs = [&] { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(); };
    visionsim::PurgedReplies purged;
    std::string partial;
    for (;;) {
        // The link may open the port exclusively; our own slave descriptor must not lock it out later.
        ioctl(slave_, TIOCNXCL);
        // A reply the link purged away goes out again.
        if (std::optional<std::string> again = purged.TakeDue(nowMs()))
            [[maybe_unused]] ssize_t w = write(master_, again->data(), again->size());
        const int due = purged.MsUntilDue(nowMs());
        pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(p, 2, due >= 0 ? std::min(due, 100) : 100) < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) return;
        if (!(p[0].revents & POLLIN)) continue;
        std::string data;
        if (purged.Read(master_, data, nowMs()) <= 0) continue;
        for (char c : data) {
            if (partial.empty()) purged.FrameBegun();
            if (c != '\r') {
                partial.push_back(c);
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
            if (reply && write(master_, reply->data(), reply->size()) == static_cast<ssize_t>(reply->size()))
                purged.Sent(*reply);
        }
    }
}
