// What the Vision link (thread, console, tare dialog) uses of the main window.
//
// The main window inherits this face, so every field stays FormMain->V120ThreadStop and so on, while
// the link's units see only what is theirs. The thread gets the face it works for; the console and
// the tare dialog, created at start-up before the main window could be handed to them, reach it
// through MainVisionLink.
//
// Threads: the atomics are shared between the thread and the GUI thread, the settings (TLinkSettings)
// are under SharedTextLock; the rest belongs to the GUI thread, or to the thread while it runs (its
// connection, queries and link component).
#pragma once

#include "links/LinkSettings.h"
#include "rtl/DateUtils.h"
#include "sys/Threads.h"

#include <atomic>
#include <cstdint>

class TSQLConnection;
class TSQLQuery;
class TVisionLink;

struct TVisionLinkState : virtual TLinkSettings {
    std::atomic<bool> V120ThreadActive{false};
    std::atomic<bool> V120ThreadStop{false};
    std::uint32_t V120ThreadId = 0;
    // The Vision thread, owned by the main window like the PUF thread.
    TThread* V120ThreadHandle = nullptr;
    std::atomic<std::int32_t> V120QueryCount{0};
    std::atomic<std::int32_t> V120ErrorCount{0};
    std::atomic<TDateTime> V120StartTime{0};
    std::atomic<TDateTime> V120LastAnswerTime{0};
    std::atomic<TDateTime> BeltLastReadTime{0};  // last complete belt-scale read (belt lamp)
    std::atomic<TDateTime> PugLastReadTime{0};   // last complete hydrosizer read (hydrosizer lamp)
    // Last hydrosizer values PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS.
    std::atomic<std::int32_t> PugValues[5] = {};

    // The thread's own connection and statements, and the link.
    TSQLConnection* SQLConnectionV120_Link = nullptr;
    TSQLQuery* SQLQueryV120 = nullptr;   // on SQLConnectionV120_Link
    TSQLQuery* SQLQueryWS_Log = nullptr; // on SQLConnectionV120_Link (belt journal insert)
    TVisionLink* VisionLink = nullptr;   // unit id 1, 57600 baud
};

// The main window's face for the link's console and the tare dialog: set while a main window exists.
extern TVisionLinkState* MainVisionLink;
