#include "PurgedReplies.h"

#include <cmath>
#include <sys/ioctl.h>
#include <unistd.h>

namespace visionsim {

bool PurgedReplies::EnablePacketMode(int master) {
    int on = 1;
    return ioctl(master, TIOCPKT, &on) == 0;
}

ssize_t PurgedReplies::Read(int master, std::string& data, double nowMs) {
    char buf[1025];
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) return n;
    // Every read in packet mode starts with a control byte: 0 before the station's data, else the
    // events since the last read (several purges read as one).
    if (buf[0] == TIOCPKT_DATA) {
        data.append(buf + 1, static_cast<size_t>(n - 1));
    } else if ((buf[0] & TIOCPKT_FLUSHREAD) && reply_ && purgedAtMs_ < 0) {
        purgedAtMs_ = nowMs;
    }
    return n;
}

void PurgedReplies::Sent(std::string reply) {
    reply_ = std::move(reply);
    purgedAtMs_ = -1;
}

std::optional<std::string> PurgedReplies::TakeDue(double nowMs) {
    if (MsUntilDue(nowMs) != 0) return std::nullopt;
    std::optional<std::string> out = std::move(reply_);
    reply_.reset();
    purgedAtMs_ = -1;
    return out;
}

int PurgedReplies::MsUntilDue(double nowMs) const {
    if (!reply_ || purgedAtMs_ < 0) return -1;
    const double left = purgedAtMs_ + kResendAfterMs - nowMs;
    return left <= 0 ? 0 : static_cast<int>(std::ceil(left));
}

}  // namespace visionsim
