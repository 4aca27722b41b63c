// Waiting in tests for something another thread or process does: a condition polled against a
// deadline, the milliseconds since a moment, and whether a thread sleeps in a blocking call.
#pragma once

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include <sys/types.h>

namespace testlib {

using Clock = std::chrono::steady_clock;

inline long long MsSince(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// Polls cond every 5 ms until it holds or timeoutMs have passed; the last look decides.
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000) {
    const auto t0 = Clock::now();
    for (;;) {
        if (cond()) return true;
        if (MsSince(t0) >= timeoutMs) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Whether a thread of this process sleeps in a blocking call (state S in its /proc stat line): a
// thread that was about to wait on a descriptor is then waiting on it.
inline bool ThreadSleeps(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'S';
}

}  // namespace testlib
