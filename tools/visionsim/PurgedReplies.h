// The controller end of a pseudo-terminal that notices when the station throws a reply away.
//
// A station purges its receive buffer right after it writes each frame, so that a late reply to an
// earlier frame is not taken for the new one. On a real line the reply cannot arrive that fast. On a
// pseudo-terminal it can: a station thread held up between its write and its purge (a busy machine)
// finds the reply already there and discards it, and then waits in vain. In packet mode the master
// learns of every purge of the station's receive buffer. A purge that follows a reply, with no new
// frame after it, means the reply was lost: it is sent once more. A purge that opens the station's
// next exchange is followed at once by its frame, which settles the reply.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace visionsim {

class PurgedReplies {
public:
    // How long after a purge a new frame may still begin before the reply counts as lost. Far below
    // the station's one-second wait for a reply, far above the time a station needs from its purge to
    // its write.
    static constexpr double kResendAfterMs = 200;

    // Puts the master into packet mode. False when the terminal refuses.
    static bool EnablePacketMode(int master);

    // Reads once from the master in packet mode: the station's bytes are appended to data, a purge is
    // noted. Returns what read() returned (a purge reads as one byte).
    ssize_t Read(int master, std::string& data, double nowMs);
    // A reply went out whole.
    void Sent(std::string reply);
    // The station sent bytes of a new frame: the reply before it was taken or is of no use any more.
    void FrameBegun() { reply_.reset(); }
    // The reply to send once more, when it is due; it is then forgotten.
    std::optional<std::string> TakeDue(double nowMs);
    // Milliseconds until a resend falls due (0 when due now), -1 when none waits.
    int MsUntilDue(double nowMs) const;

private:
    std::optional<std::string> reply_;  // the last reply, until settled
    double purgedAtMs_ = -1;             // a purge after it was noted at this time
};

}  // namespace visionsim
