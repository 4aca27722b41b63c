// Deadlines of the waits in this layer. They are kept in microseconds: a millisecond tick taken
// at 1000.9 ms and a limit of 300 ms would end the wait at 1300 ms, 0.9 ms short of the limit.
#pragma once

#include <climits>
#include <cstdint>
#include <ctime>

namespace sysdetail {

inline int64_t NowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Milliseconds for poll() until deadlineUs, rounded up so that the wait never ends early; 0 once
// the deadline has passed.
inline int PollMs(int64_t deadlineUs) {
    int64_t left = deadlineUs - NowUs();
    if (left <= 0) return 0;
    int64_t ms = (left + 999) / 1000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace sysdetail
