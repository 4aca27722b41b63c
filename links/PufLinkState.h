// What the PUF link (thread, protocol, console) uses of the main window.
//
// The main window inherits this face, so every field stays FormMain->PufThreadStop and so on, while
// the link's units see only what is theirs. The thread and the protocol get the face they work for;
// the console and the dialogs, created at start-up before the main window could be handed to them,
// reach it through MainPufLink.
//
// Threads: the atomics are shared between the thread and the GUI thread, PufCommands is under
// PufCommandsLock, the settings (TLinkSettings) under SharedTextLock; the rest belongs to the GUI
// thread, or to the thread while it runs (its connection, query and link components).
#pragma once

#include "links/LinkSettings.h"
#include "rtl/DateUtils.h"
#include "sys/Threads.h"

#include <atomic>
#include <cstdint>

class TICPLink;
class TObject;
class TSQLConnection;
class TSQLQuery;
class TStringList;
class TWinSockClient;

struct TPufLinkState : virtual TLinkSettings {
    std::atomic<bool> PufThreadActive{false};  // the thread's loop runs
    std::atomic<bool> PufThreadStop{false};    // stop request to the thread
    std::atomic<bool> PufOverTcp{false};       // the link currently goes over TCP
    std::atomic<std::int32_t> PufQueryCount{0};  // commands sent (interlocked)
    std::atomic<std::int32_t> PufErrorCount{0};  // failed exchanges (interlocked)
    std::atomic<std::int32_t> PufFailStreak{0};  // failures since the last transport decision
    std::atomic<TDateTime> PufStartTime{0};
    // Queue of text commands to the flotation controller ("SetTRRS:12.5"), owned by the main window;
    // every access from any thread holds PufCommandsLock.
    TStringList* PufCommands = nullptr;
    TCriticalSection PufCommandsLock;
    std::uint32_t PufThreadId = 0;
    // The PUF thread, owned by the main window. StopPufThread waits at most 1000 ms; a handle whose
    // thread has ended may be deleted there (and set to null), one still running is left set. Before
    // anything a thread uses is freed, the main window joins and deletes every handle still set.
    TThread* PufThreadHandle = nullptr;
    // Last successful state exchange with the controller (the PUF lamp while the thread runs).
    std::atomic<TDateTime> PufLastStateTime{0};
    // LAN-client mode: no link thread at start-up, and no hourly clock command.
    bool LanClientMode = false;
    // When the hourly clock command to the flotation controller was last queued.
    TDateTime LastSetTimeSent = 0;

    // The thread's own connection and statement, and the two transports.
    TSQLConnection* SQLConnectionPUF_Link = nullptr;
    TSQLQuery* SQLQueryPUF_Link = nullptr;    // on SQLConnectionPUF_Link
    TICPLink* ICPLinkPUF = nullptr;           // port "COM1", timing file "comport.ini"
    TWinSockClient* WinSockClient = nullptr;  // port 7777, 3 tries, OnConnectStatus = WinSockClientConnectStatus

    // WinSockClient's connect handler (links/PufProtocol.cpp).
    void WinSockClientConnectStatus(TObject* Sender, bool connected);
};

// The main window's face for the link's console and dialogs: set while a main window exists.
extern TPufLinkState* MainPufLink;
