// Threads, events, critical sections and interlocked counters.
//
// The link components and their worker threads are written against the Windows model: a thread
// runs a procedure and is waited for with a time-out, events are manual- or auto-reset, counters
// shared between threads change with interlocked operations and time is measured with the
// runtime's millisecond tick count. These classes give that model on POSIX threads.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/SysUtils.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

#include <pthread.h>

// A wait without a time limit.
constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// The tick count (GetTickCount, GetTickCount64) and Sleep are the runtime's (rtl/SysUtils.h).

// ---- Events --------------------------------------------------------------------------------------
enum TWaitResult { wrSignaled, wrTimeout };

// A manual-reset event stays signalled until ResetEvent and releases every waiter; an auto-reset
// event releases exactly one waiter and resets itself in the same step, so a wait on it is also a
// race-free way to take a resource.
class TEvent {
public:
    TEvent(bool manualReset, bool initialState);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);
    bool ManualReset() const noexcept { return manual_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signaled_;
    const bool manual_;
};

// ---- Critical sections ---------------------------------------------------------------------------
// Re-entrant for the thread that holds it, as a Windows critical section is, with a timed entry for
// locks that must not wait for ever. (Built on a condition variable rather than a timed mutex, whose
// timed lock the thread sanitizer cannot follow.)
class TCriticalSection {
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() { TryEnter(INFINITE); }
    // Leaving a section the thread does not hold is ignored.
    void Leave();
    bool TryEnter() { return TryEnter(0); }
    // Waits at most timeoutMs for the section; true when it was entered.
    bool TryEnter(uint32_t timeoutMs);

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::thread::id owner_;
    int depth_ = 0;
};

// Holds a critical section for the lifetime of a scope.
class TCriticalSectionLock {
public:
    explicit TCriticalSectionLock(TCriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    ~TCriticalSectionLock() { cs_.Leave(); }
    TCriticalSectionLock(const TCriticalSectionLock&) = delete;
    TCriticalSectionLock& operator=(const TCriticalSectionLock&) = delete;

private:
    TCriticalSection& cs_;
};

// ---- Interlocked operations ----------------------------------------------------------------------
// Counters that several threads change are std::atomic; these return what the Windows calls return
// and wrap around at the type's limits as they do there.
namespace interlocked_detail {
template <class T>
T wrappingAdd(T a, T b) noexcept {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
}
}  // namespace interlocked_detail

template <class T>
T InterlockedIncrement(std::atomic<T>& v) noexcept {  // the new value
    return interlocked_detail::wrappingAdd<T>(v.fetch_add(1), 1);
}
template <class T>
T InterlockedDecrement(std::atomic<T>& v) noexcept {  // the new value
    return interlocked_detail::wrappingAdd<T>(v.fetch_sub(1), static_cast<T>(-1));
}
template <class T>
T InterlockedExchange(std::atomic<T>& v, T value) noexcept { return v.exchange(value); }  // the old value
template <class T>
T InterlockedExchangeAdd(std::atomic<T>& v, T add) noexcept { return v.fetch_add(add); }  // the old value
// Stores exchange when the value equals comparand; returns the value found.
template <class T>
T InterlockedCompareExchange(std::atomic<T>& v, T exchange, T comparand) noexcept {
    v.compare_exchange_strong(comparand, exchange);
    return comparand;
}

// ---- Threads -------------------------------------------------------------------------------------
// Relative priorities of a thread within its process.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// One thread running a procedure. The procedure receives the thread, so it can poll Terminated();
// its result becomes ReturnValue. An exception that escapes the procedure ends the thread with
// ReturnValue -1 and its text in ExceptionMessage instead of taking the process down.
//
// Destroying a TThread asks it to stop and joins it, so nothing the procedure uses may be freed
// before the thread object.
class TThread {
public:
    using TProc = std::function<int(TThread&)>;

    // stackSize 0 takes the system default.
    explicit TThread(TProc proc, std::size_t stackSize = 0);
    ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Creates the OS thread, which starts running at once. False when the system refuses (LastError
    // holds the reason) or when this object was started before.
    bool Start();
    // Sets the stop flag; the procedure decides when to look at it.
    void Terminate() noexcept { terminated_.store(true); }
    bool Terminated() const noexcept { return terminated_.load(); }

    // Waits at most timeoutMs for the procedure to return; true when it has (also when the thread was
    // never started).
    bool WaitFor(uint32_t timeoutMs = INFINITE);
    // Waits for the end without limit and releases the OS thread. Harmless when already joined.
    void Join();

    bool Started() const;
    bool Finished() const;
    int ReturnValue() const;
    AnsiString ExceptionMessage() const;
    // Kernel id of the running thread, 0 before it runs.
    long ThreadId() const;
    int LastError() const;

    // Raising a priority needs a privilege that an ordinary station may lack: then the thread keeps
    // its priority and the call answers false. Before Start the wish is kept and applied as the
    // thread begins.
    bool SetPriority(TThreadPriority p);
    TThreadPriority Priority() const;

private:
    static void* entry(void* self);
    void run();
    bool applyPriority(TThreadPriority p);  // with m_ held and the thread alive

    TProc proc_;
    std::size_t stackSize_;
    std::atomic<bool> terminated_{false};

    mutable std::mutex m_;
    std::condition_variable cv_;
    pthread_t handle_{};
    bool started_ = false;
    bool running_ = false;  // between the thread's first and last step
    bool finished_ = false;
    bool joined_ = false;
    long tid_ = 0;
    int baseNice_ = 0;
    int returnValue_ = 0;
    int lastError_ = 0;
    AnsiString exceptionMessage_;
    TThreadPriority priority_ = tpNormal;
};
