#include "sys/Threads.h"

#include "SysTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using systest::MsSince;
using systest::WaitUntil;

namespace {

// The nice value of one of our threads, from the kernel's own record.
int NiceOfThread(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command name in parentheses; nice is field 19 of the whole line.
    std::istringstream rest(s.substr(s.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 19; ++i) rest >> field;
    return std::stoi(field);
}

}  // namespace

TEST(Event, ManualAndAutoResetSemantics) {
    struct Case {
        const char* name;
        bool manual;
        bool initial;
        bool setBefore;
        bool resetBefore;
        TWaitResult first, second;
    };
    const Case cases[] = {
        {"manual stays signalled", true, false, true, false, wrSignaled, wrSignaled},
        {"auto releases one wait", false, false, true, false, wrSignaled, wrTimeout},
        {"initially signalled auto", false, true, false, false, wrSignaled, wrTimeout},
        {"reset clears manual", true, true, false, true, wrTimeout, wrTimeout},
        {"never set", true, false, false, false, wrTimeout, wrTimeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TEvent e(c.manual, c.initial);
        if (c.setBefore) e.SetEvent();
        if (c.resetBefore) e.ResetEvent();
        EXPECT_EQ(e.WaitFor(0), c.first);
        EXPECT_EQ(e.WaitFor(10), c.second);
    }
}

TEST(Event, TimedWaitLastsAtLeastTheLimit) {
    TEvent e(true, false);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(e.WaitFor(60), wrTimeout);
    EXPECT_GE(MsSince(t0), 60);
}

TEST(Event, AutoResetWakesOneWaiterPerSet) {
    TEvent e(false, false);
    std::atomic<int> woken{0};
    std::vector<std::unique_ptr<TThread>> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.push_back(std::make_unique<TThread>([&](TThread&) {
            if (e.WaitFor(5000) == wrSignaled) woken.fetch_add(1);
            return 0;
        }));
        ASSERT_TRUE(waiters.back()->Start());
    }
    for (int n = 1; n <= 3; ++n) {
        e.SetEvent();
        ASSERT_TRUE(WaitUntil([&] { return woken.load() == n; }));
        Sleep(20);
        EXPECT_EQ(woken.load(), n) << "one SetEvent released more than one waiter";
    }
    for (auto& w : waiters) EXPECT_TRUE(w->WaitFor(5000));
}

TEST(Event, ManualResetReleasesEveryWaiter) {
    TEvent e(true, false);
    std::atomic<int> woken{0};
    std::vector<std::unique_ptr<TThread>> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.push_back(std::make_unique<TThread>([&](TThread&) {
            if (e.WaitFor(5000) == wrSignaled) woken.fetch_add(1);
            return 0;
        }));
        ASSERT_TRUE(waiters.back()->Start());
    }
    e.SetEvent();
    for (auto& w : waiters) EXPECT_TRUE(w->WaitFor(5000));
    EXPECT_EQ(woken.load(), 3);
}

TEST(CriticalSection, ExcludesOtherThreadsAndReentersForTheOwner) {
    TCriticalSection cs;
    long counter = 0;  // plain on purpose: only the section protects it
    std::vector<std::unique_ptr<TThread>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.push_back(std::make_unique<TThread>([&](TThread&) {
            for (int k = 0; k < 5000; ++k) {
                TCriticalSectionLock outer(cs);
                TCriticalSectionLock inner(cs);  // re-entry by the holder must not dead-lock
                ++counter;
            }
            return 0;
        }));
        ASSERT_TRUE(threads.back()->Start());
    }
    for (auto& t : threads) t->Join();
    EXPECT_EQ(counter, 20000);
}

TEST(CriticalSection, TimedEnterGivesUpWhileAnotherThreadHoldsIt) {
    TCriticalSection cs;
    TEvent held(true, false), release(true, false);
    TThread holder([&](TThread&) {
        TCriticalSectionLock l(cs);
        held.SetEvent();
        release.WaitFor(5000);
        return 0;
    });
    ASSERT_TRUE(holder.Start());
    ASSERT_EQ(held.WaitFor(5000), wrSignaled);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(cs.TryEnter(50));
    EXPECT_GE(MsSince(t0), 50);
    EXPECT_FALSE(cs.TryEnter());
    release.SetEvent();
    holder.Join();
    EXPECT_TRUE(cs.TryEnter(1000));
    cs.Leave();
    cs.Leave();  // not held any more: ignored
    EXPECT_TRUE(cs.TryEnter());
    cs.Leave();
}

TEST(Interlocked, ReturnValuesAndConcurrentCounting) {
    std::atomic<int32_t> v{5};
    EXPECT_EQ(InterlockedIncrement(v), 6);
    EXPECT_EQ(InterlockedDecrement(v), 5);
    EXPECT_EQ(InterlockedExchange(v, 9), 5);
    EXPECT_EQ(InterlockedExchangeAdd(v, 3), 9);
    EXPECT_EQ(v.load(), 12);
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 12);  // no match: unchanged
    EXPECT_EQ(v.load(), 12);
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 12), 12);  // match: stored
    EXPECT_EQ(v.load(), 1);

    std::atomic<int32_t> wrap{INT32_MAX};
    EXPECT_EQ(InterlockedIncrement(wrap), INT32_MIN);
    EXPECT_EQ(InterlockedDecrement(wrap), INT32_MAX);

    std::atomic<int32_t> count{0};
    std::vector<std::unique_ptr<TThread>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.push_back(std::make_unique<TThread>([&](TThread&) {
            for (int k = 0; k < 10000; ++k) InterlockedIncrement(count);
            return 0;
        }));
        ASSERT_TRUE(threads.back()->Start());
    }
    for (auto& t : threads) t->Join();
    EXPECT_EQ(count.load(), 40000);
}

TEST(TickCount, MonotonicAndSleepWaitsAtLeastTheTime) {
    uint64_t a = GetTickCount64();
    uint32_t a32 = GetTickCount();
    Sleep(30);
    uint64_t b = GetTickCount64();
    uint32_t b32 = GetTickCount();
    EXPECT_GE(b - a, 30u);
    // The 32-bit count is the low half of the same clock, so unsigned differences agree.
    EXPECT_GE(static_cast<uint32_t>(b32 - a32), 30u);
    EXPECT_LT(static_cast<uint32_t>(b32 - a32), 60000u);
}

TEST(Thread, StopsWithinTheWaitLimitOnceTerminated) {
    std::atomic<int> cycles{0};
    TThread t([&](TThread& self) {
        while (!self.Terminated()) {
            cycles.fetch_add(1);
            Sleep(10);
        }
        return 7;
    });
    EXPECT_TRUE(t.WaitFor(0)) << "a thread that never started counts as ended";
    ASSERT_TRUE(t.Start());
    EXPECT_GT(t.ThreadId(), 0);
    EXPECT_FALSE(t.Start()) << "a thread object runs once";
    ASSERT_TRUE(WaitUntil([&] { return cycles.load() > 2; }));
    EXPECT_FALSE(t.WaitFor(30));
    EXPECT_FALSE(t.Finished());
    t.Terminate();
    EXPECT_TRUE(t.WaitFor(1000));
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(t.ReturnValue(), 7);
    t.Join();
    t.Join();  // a second join is harmless
}

TEST(Thread, EscapingExceptionEndsOnlyTheThread) {
    TThread t([](TThread&) -> int { throw std::runtime_error("port vanished"); });
    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(t.WaitFor(5000));
    EXPECT_EQ(t.ReturnValue(), -1);
    EXPECT_EQ(t.ExceptionMessage(), "port vanished");
}

TEST(Thread, DestroyingARunningThreadStopsAndJoinsIt) {
    std::atomic<bool> sawStop{false};
    {
        TThread t(
            [&](TThread& self) {
                while (!self.Terminated()) Sleep(5);
                sawStop.store(true);
                return 0;
            },
            128000);
        ASSERT_TRUE(t.Start());
    }
    EXPECT_TRUE(sawStop.load());
}

TEST(Thread, PriorityIsAppliedOrRefusedWithoutHarm) {
    TEvent go(true, false);
    TThread t([&](TThread&) {
        go.WaitFor(5000);
        return 0;
    });
    EXPECT_TRUE(t.SetPriority(tpLower));  // before the start: kept as a wish
    ASSERT_TRUE(t.Start());
    long tid = t.ThreadId();
    int lowered = NiceOfThread(tid);
    EXPECT_EQ(t.Priority(), tpLower);
    errno = 0;
    int ownNice = getpriority(PRIO_PROCESS, 0);
    EXPECT_EQ(lowered, std::min(ownNice + 3, 19));

    // Raising needs a privilege; either it happens or the thread keeps what it had.
    if (t.SetPriority(tpHighest)) {
        EXPECT_EQ(NiceOfThread(tid), std::max(ownNice - 6, -20));
        EXPECT_EQ(t.Priority(), tpHighest);
    } else {
        EXPECT_TRUE(t.LastError() == EACCES || t.LastError() == EPERM) << t.LastError();
        EXPECT_EQ(NiceOfThread(tid), lowered);
        EXPECT_EQ(t.Priority(), tpLower);
    }
    go.SetEvent();
    t.Join();
    EXPECT_FALSE(t.SetPriority(tpNormal)) << "an ended thread has no priority to change";
}
