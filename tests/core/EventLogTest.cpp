// The event queue (many posting threads, one reader) and the daily file's lines and names.
#include "core/EventLog.h"

#include "core/Global.h"
#include "gui/WinApi.h"
#include "rtl/Classes.h"
#include "testlib/Events.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

// ---- The queue -----------------------------------------------------------------------------------

TEST(EventFIFO, SmallCapacityBecomesTenAndAFullRingRefuses) {
    TEventFIFO fifo(3);
    EXPECT_EQ(fifo.Capacity(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(fifo.Push(AnsiString("e") + IntToStr(i), i));
    EXPECT_FALSE(fifo.Push("eleventh", 0));
    EXPECT_EQ(fifo.GetCount(), 10);
    // Oldest first, and the ring goes round.
    for (int round = 0; round < 3; ++round) {
        AnsiString text;
        TDateTime time = 0;
        std::uint64_t tick = 0;
        int flags = -1;
        ASSERT_TRUE(fifo.Pop(text, time, tick, flags));
        EXPECT_EQ(text, AnsiString("e") + IntToStr(round));
        EXPECT_EQ(flags, round);
        EXPECT_GT(time, 0);
        EXPECT_TRUE(fifo.Push(AnsiString("again") + IntToStr(round), 0));
    }
    EXPECT_EQ(fifo.GetCount(), 10);
}

TEST(EventFIFO, PopOfAnEmptyQueueFails) {
    TEventFIFO fifo(10);
    AnsiString text = "untouched";
    TDateTime time = 0;
    std::uint64_t tick = 0;
    int flags = 0;
    EXPECT_FALSE(fifo.Pop(text, time, tick, flags));
    EXPECT_EQ(text, "untouched");
}

TEST(EventFIFO, ManyPostingThreadsNeverShareASlot) {
    // Eight threads post distinct texts while one reader drains: every accepted text comes out
    // exactly once and whole, every refused one never.
    TEventFIFO fifo(50);
    constexpr int Threads = 8, PerThread = 2000;
    std::atomic<int> accepted{0};
    std::atomic<bool> done{false};
    std::multiset<std::string> seen;
    std::thread reader([&] {
        AnsiString text;
        TDateTime time;
        std::uint64_t tick;
        int flags;
        while (!done || fifo.GetCount() > 0) {
            if (fifo.Pop(text, time, tick, flags)) {
                EXPECT_EQ(flags, std::stoi(text.str().substr(0, text.str().find(':'))));
                seen.insert(text.str());
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::vector<std::thread> writers;
    std::vector<std::vector<std::string>> acceptedTexts(Threads);
    for (int t = 0; t < Threads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < PerThread; ++i) {
                // A long text, so a half-copied one would show.
                std::string text = std::to_string(t) + ":" + std::to_string(i) + ":" + std::string(200, char('a' + t));
                if (fifo.Push(text, t)) {
                    ++accepted;
                    acceptedTexts[t].push_back(text);
                }
            }
        });
    for (auto& w : writers) w.join();
    done = true;
    reader.join();
    EXPECT_EQ(static_cast<int>(seen.size()), accepted.load());
    for (const auto& list : acceptedTexts)
        for (const auto& text : list) EXPECT_EQ(seen.count(text), 1u) << text.substr(0, 12);
    EXPECT_GT(accepted.load(), 0);
}

TEST(PostEvent, NullIsRefusedQuietlyAndAFullQueueBeeps) {
    testlib::TakeEvents();
    ResetBeepCount();
    EXPECT_FALSE(PostEvent(static_cast<const char*>(nullptr), 0));
    EXPECT_EQ(EventFIFO.GetCount(), 0);
    EXPECT_EQ(BeepCount(), 0);
    EXPECT_TRUE(PostEvent("", 0));
    EXPECT_EQ(EventFIFO.GetCount(), 1);
    for (int i = 1; i < 400; ++i) ASSERT_TRUE(PostEvent(AnsiString("x"), 0));
    EXPECT_FALSE(PostEvent("the 401st", 0));
    EXPECT_EQ(BeepCount(), 1);
    testlib::TakeEvents();
}

// ---- Lines and files -----------------------------------------------------------------------------

TEST(DailyLog, LineAndFileName) {
    const TDateTime t = EncodeDateTime(2010, 12, 8, 14, 3, 27, 0);
    EXPECT_EQ(FormatLogLine(17, 86412, t, "Ошибка в TFormFlotGraph::Reload()"),
              "17 | 86412 | 08.12.2010 | 14:03:27 | Ошибка в TFormFlotGraph::Reload()");
    // Uptime past the 49.7 days a 32-bit millisecond count could hold.
    EXPECT_EQ(FormatLogLine(1, 5000000ull, EncodeDateTime(2011, 1, 2, 3, 4, 5, 0), ""),
              "1 | 5000000 | 02.01.2011 | 03:04:05 | ");
    SetProgramFileName("/opt/plant/plantmon");
    EXPECT_EQ(DailyLogFileName(t), "/opt/plant/LOG/08_12_2010.log");
    SetProgramFileName("");
}

}  // namespace
