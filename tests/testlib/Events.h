// Draining the event queue in tests.
#pragma once

#include "core/EventLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testlib {

// The texts waiting in the event queue, oldest first; the queue is empty afterwards.
inline std::vector<std::string> TakeEvents() {
    std::vector<std::string> out;
    AnsiString text;
    TDateTime when = 0;
    std::uint64_t tick = 0;
    int flags = 0;
    while (EventFIFO.Pop(text, when, tick, flags)) out.push_back(text.str());
    return out;
}

}  // namespace testlib
