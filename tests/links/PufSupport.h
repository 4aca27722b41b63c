// Helpers of the flotation link tests: a pseudo-terminal whose master the test drives as the device,
// a scratch folder that is the current directory for a while, and condition waits with deadlines.
#pragma once

#include "rtl/FileUtils.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace puftest {

using testlib::Clock;
using testlib::MsSince;
using testlib::ScratchCurrentDir;
using testlib::WaitUntil;

// A pseudo-terminal pair: the link under test opens Slave(), the test plays the device on the master.
// A slave descriptor of our own stays open, so the master never reads a hang-up while the link
// closes and reopens the port.
class PtyDevice {
public:
    PtyDevice() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = ptsname(master_);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        keep_ = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PtyDevice() {
        if (keep_ >= 0) close(keep_);
        if (master_ >= 0) close(master_);
    }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool Ok() const { return master_ >= 0 && keep_ >= 0; }
    const std::string& Slave() const { return slave_; }

    void Write(const std::string& bytes) {
        std::size_t done = 0;
        const auto t0 = Clock::now();
        while (done < bytes.size() && MsSince(t0) < 5000) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                poll(&p, 1, 10);
            }
        }
        ASSERT_EQ(done, bytes.size());
    }
    // Everything the link has sent up to a first CR (included), waiting at most timeoutMs.
    std::string ReadLine(int timeoutMs) {
        const auto t0 = Clock::now();
        while (MsSince(t0) < timeoutMs) {
            const auto cr = pending_.find('\r');
            if (cr != std::string::npos) {
                std::string line = pending_.substr(0, cr + 1);
                pending_.erase(0, cr + 1);
                return line;
            }
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            char buf[512];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) pending_.append(buf, static_cast<std::size_t>(n));
        }
        std::string rest;
        rest.swap(pending_);
        return rest;
    }

private:
    int master_ = -1;
    int keep_ = -1;
    std::string slave_;
    std::string pending_;
};

}  // namespace puftest
