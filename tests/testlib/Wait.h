// Waiting in tests for something another thread or process does: a condition polled against a
// deadline, and the milliseconds since a moment.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

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

}  // namespace testlib
