// Window timers on a clock the test runs: armed timers fire (as WM_TIMER to their window) when
// Advance passes their moment.
#pragma once

#include "gui/Controls.h"
#include "gui/WinApi.h"

#include <map>
#include <utility>

namespace gridtest {

class TimerClock {
public:
    TimerClock() {
        SetWindowTimerDriver(TWindowTimerDriver{
            [this](HWND wnd, UINT_PTR id, UINT elapse) { timers_[{wnd, id}] = Armed{elapse, now_ + static_cast<int>(elapse)}; },
            [this](HWND wnd, UINT_PTR id) { timers_.erase({wnd, id}); }});
    }
    ~TimerClock() { SetWindowTimerDriver(TWindowTimerDriver{}); }
    TimerClock(const TimerClock&) = delete;
    TimerClock& operator=(const TimerClock&) = delete;
    // Moves the clock on, firing each timer whose moment comes (in order).
    void Advance(int ms) {
        const int until = now_ + ms;
        for (;;) {
            auto due = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it)
                if (it->second.at <= until && (due == timers_.end() || it->second.at < due->second.at)) due = it;
            if (due == timers_.end()) break;
            now_ = due->second.at;
            const auto key = due->first;
            due->second.at = now_ + static_cast<int>(due->second.elapse);
            key.first->Perform(WM_TIMER, key.second, 0);
        }
        now_ = until;
    }
    // The interval a timer runs with (-1: not armed).
    int Interval(HWND wnd, UINT_PTR id) const {
        auto it = timers_.find({wnd, id});
        return it == timers_.end() ? -1 : static_cast<int>(it->second.elapse);
    }

private:
    struct Armed {
        UINT elapse;
        int at;
    };
    std::map<std::pair<HWND, UINT_PTR>, Armed> timers_;
    int now_ = 0;
};

}  // namespace gridtest
