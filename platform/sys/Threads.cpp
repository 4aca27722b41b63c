#include "sys/Threads.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The sanitizers' instrumented frames are several times larger than plain ones; a stack sized for
// the release build would overflow under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kStackScale = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr std::size_t kStackScale = 4;
#else
constexpr std::size_t kStackScale = 1;
#endif
#else
constexpr std::size_t kStackScale = 1;
#endif

std::size_t effectiveStackSize(std::size_t requested) {
    long minimum = sysconf(_SC_THREAD_STACK_MIN);
    long page = sysconf(_SC_PAGESIZE);
    if (minimum < 16384) minimum = 16384;
    if (page <= 0) page = 4096;
    std::size_t s = std::max(requested * kStackScale, static_cast<std::size_t>(minimum));
    std::size_t p = static_cast<std::size_t>(page);
    return (s + p - 1) / p * p;
}

// Windows priority levels are strict; Linux nice values only weight the share of the processor.
// Three nice steps per level give a raised link thread about twice the share of a normal one.
int niceOffset(TThreadPriority p) {
    switch (p) {
        case tpIdle: return 0;  // absolute, see targetNice
        case tpLowest: return 6;
        case tpLower: return 3;
        case tpNormal: return 0;
        case tpHigher: return -3;
        case tpHighest: return -6;
        case tpTimeCritical: return -15;
    }
    return 0;
}

int targetNice(int base, TThreadPriority p) {
    if (p == tpIdle) return 19;
    return std::clamp(base + niceOffset(p), -20, 19);
}

}  // namespace

// ---- TEvent --------------------------------------------------------------------------------------

TEvent::TEvent(bool manualReset, bool initialState) : signaled_(initialState), manual_(manualReset) {}

void TEvent::SetEvent() {
    {
        std::lock_guard<std::mutex> l(m_);
        signaled_ = true;
    }
    if (manual_) cv_.notify_all();
    else cv_.notify_one();
}

void TEvent::ResetEvent() {
    std::lock_guard<std::mutex> l(m_);
    signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> l(m_);
    auto ready = [this] { return signaled_; };
    if (timeoutMs == INFINITE) {
        cv_.wait(l, ready);
    } else if (!cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), ready)) {
        return wrTimeout;
    }
    if (!manual_) signaled_ = false;
    return wrSignaled;
}

// ---- TCriticalSection ----------------------------------------------------------------------------

bool TCriticalSection::TryEnter(uint32_t timeoutMs) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> l(m_);
    auto free = [&] { return depth_ == 0 || owner_ == self; };
    if (timeoutMs == INFINITE) {
        cv_.wait(l, free);
    } else if (!cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), free)) {
        return false;
    }
    owner_ = self;
    ++depth_;
    return true;
}

void TCriticalSection::Leave() {
    {
        std::lock_guard<std::mutex> l(m_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id()) return;
        if (--depth_ > 0) return;
        owner_ = std::thread::id();
    }
    cv_.notify_one();
}

// ---- TThread -------------------------------------------------------------------------------------

TThread::TThread(TProc proc, std::size_t stackSize) : proc_(std::move(proc)), stackSize_(stackSize) {}

TThread::~TThread() {
    Terminate();
    Join();
}

bool TThread::Start() {
    std::unique_lock<std::mutex> l(m_);
    if (started_) {
        lastError_ = EALREADY;
        return false;
    }
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (stackSize_ != 0) pthread_attr_setstacksize(&attr, effectiveStackSize(stackSize_));
    int rc = pthread_create(&handle_, &attr, &TThread::entry, this);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        lastError_ = rc;
        return false;
    }
    started_ = true;
    // The thread publishes its id first, so SetPriority works as soon as Start returns.
    cv_.wait(l, [this] { return running_ || finished_; });
    return true;
}

void* TThread::entry(void* self) {
    static_cast<TThread*>(self)->run();
    return nullptr;
}

void TThread::run() {
    {
        std::lock_guard<std::mutex> l(m_);
        tid_ = static_cast<long>(gettid());
        errno = 0;
        int n = getpriority(PRIO_PROCESS, 0);  // this thread's nice, inherited from its creator
        baseNice_ = (n == -1 && errno != 0) ? 0 : n;
        running_ = true;
        if (priority_ != tpNormal && !applyPriority(priority_)) priority_ = tpNormal;
    }
    cv_.notify_all();

    int result = 0;
    AnsiString message;
    try {
        if (proc_) result = proc_(*this);
    } catch (const std::exception& e) {
        result = -1;
        message = e.what();
    } catch (...) {
        result = -1;
        message = "unknown exception";
    }

    {
        std::lock_guard<std::mutex> l(m_);
        returnValue_ = result;
        exceptionMessage_ = message;
        running_ = false;
        finished_ = true;
    }
    cv_.notify_all();
}

bool TThread::WaitFor(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> l(m_);
    if (!started_) return true;
    auto done = [this] { return finished_; };
    if (timeoutMs == INFINITE) {
        cv_.wait(l, done);
        return true;
    }
    return cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), done);
}

void TThread::Join() {
    std::unique_lock<std::mutex> l(m_);
    if (!started_) return;
    if (joined_) {
        // Another caller is releasing the thread; this one still only returns after the end.
        cv_.wait(l, [this] { return finished_; });
        return;
    }
    joined_ = true;
    pthread_t h = handle_;
    l.unlock();
    if (pthread_equal(h, pthread_self())) {
        // The thread is ending its own object: it cannot wait for itself, so it lets go of itself.
        pthread_detach(h);
        return;
    }
    pthread_join(h, nullptr);
}

bool TThread::Started() const {
    std::lock_guard<std::mutex> l(m_);
    return started_;
}

bool TThread::Finished() const {
    std::lock_guard<std::mutex> l(m_);
    return finished_;
}

int TThread::ReturnValue() const {
    std::lock_guard<std::mutex> l(m_);
    return returnValue_;
}

AnsiString TThread::ExceptionMessage() const {
    std::lock_guard<std::mutex> l(m_);
    return exceptionMessage_;
}

long TThread::ThreadId() const {
    std::lock_guard<std::mutex> l(m_);
    return tid_;
}

int TThread::LastError() const {
    std::lock_guard<std::mutex> l(m_);
    return lastError_;
}

TThreadPriority TThread::Priority() const {
    std::lock_guard<std::mutex> l(m_);
    return priority_;
}

bool TThread::SetPriority(TThreadPriority p) {
    std::lock_guard<std::mutex> l(m_);
    if (!running_) {
        if (started_) return false;  // already ended
        priority_ = p;
        return true;
    }
    return applyPriority(p);
}

bool TThread::applyPriority(TThreadPriority p) {
    // running_ is true and m_ is held, so the thread has not passed its last step: tid_ is still ours.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid_), targetNice(baseNice_, p)) != 0) {
        lastError_ = errno;
        return false;
    }
    priority_ = p;
    return true;
}
