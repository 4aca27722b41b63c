// How the GUI thread starts and stops a link thread: one protocol for the PUF and the Vision thread.
//
// The active flag is claimed before anything else, so two quick starts can never make two threads; it
// stays set until the thread's procedure has left its loop, so a thread just created counts as
// running. A thread of an earlier run that has left its loop is collected by the next start. Stopping
// waits a limited time: a thread that runs on keeps its handle, and the main window joins it before
// anything it uses is freed.
#pragma once

#include "sys/Threads.h"

#include <atomic>
#include <cstdint>
#include <functional>

// The fields of one link thread in its face of the main window.
struct TLinkThreadControl {
    std::atomic<bool>& active;  // the thread runs (claimed by the start, cleared by the procedure)
    std::atomic<bool>& stop;    // stop request to the thread
    TThread*& handle;           // owned; null when no thread is left to collect
    std::uint32_t& threadId;
};

// Claims the flag (false at once when a thread runs), collects an earlier run's thread, runs prepare,
// clears the stop request and starts body. False, with the flag given back, when the system starts no
// thread.
bool StartLinkThread(TLinkThreadControl thread, const std::function<void()>& prepare, TThread::TProc body);
// Asks the thread to stop and waits at most waitMs; true (and the handle freed) when it ended in time
// or no thread was there.
bool StopLinkThread(TLinkThreadControl thread, std::uint32_t waitMs);
