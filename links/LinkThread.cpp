#include "links/LinkThread.h"

bool StartLinkThread(TLinkThreadControl c, const std::function<void()>& prepare, TThread::TProc body) {
    bool idle = false;
    if (!c.active.compare_exchange_strong(idle, true)) return false;
    if (c.handle) {
        // The flag was clear: that thread has left its loop and only its end remains to be collected.
        c.handle->Join();
        delete c.handle;
        c.handle = nullptr;
    }
    if (prepare) prepare();
    c.stop.store(false);
    auto* thread = new TThread(std::move(body));
    if (!thread->Start()) {
        delete thread;
        c.active.store(false);
        return false;
    }
    c.handle = thread;
    c.threadId = static_cast<std::uint32_t>(thread->ThreadId());
    return true;
}

bool StopLinkThread(TLinkThreadControl c, std::uint32_t waitMs) {
    c.stop.store(true);
    TThread* thread = c.handle;
    if (!thread) return true;
    if (!thread->WaitFor(waitMs)) return false;
    thread->Join();
    delete thread;
    c.handle = nullptr;
    return true;
}
