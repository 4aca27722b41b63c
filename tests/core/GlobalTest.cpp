// The shared helpers: shift periods and time-range texts at their boundaries, the interpolation
// table, the animation step, the rest of a worker period, decimal points and shading.
#include "core/Global.h"

#include "rtl/SysUtils.h"
#include "testlib/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

AnsiString Sql(TDateTime t) {
    return DateTimeToSqlText(t);
}

struct ShiftCase {
    int firstChangeStart;
    int dateIncrement;
    int shift;
    const char* start;
    const char* stop;
};

class ShiftPeriodTest : public ::testing::TestWithParam<ShiftCase> {
protected:
    void TearDown() override {
        FirstChangeStart = 7;
        DateIncrement = 0;
    }
};

TEST_P(ShiftPeriodTest, GivesInclusiveEndsOfTheShift) {
    const ShiftCase& c = GetParam();
    FirstChangeStart = c.firstChangeStart;
    DateIncrement = c.dateIncrement;
    TDateTime start = 0, stop = 0;
    // The time of day in the date plays no part.
    EXPECT_TRUE(GetShiftPeriod(EncodeDateTime(2010, 3, 15, 14, 30, 0, 0), c.shift, start, stop));
    EXPECT_EQ(Sql(start), c.start);
    EXPECT_EQ(Sql(stop), c.stop);
}

INSTANTIATE_TEST_SUITE_P(
    Shifts, ShiftPeriodTest,
    ::testing::Values(ShiftCase{7, 0, 1, "2010-03-15 07:00:00", "2010-03-15 18:59:59"},
                      ShiftCase{7, 0, 2, "2010-03-15 19:00:00", "2010-03-16 06:59:59"},
                      ShiftCase{7, 0, 3, "2010-03-15 07:00:00", "2010-03-16 06:59:59"},
                      // Any other number is the whole day.
                      ShiftCase{7, 0, 0, "2010-03-15 07:00:00", "2010-03-16 06:59:59"},
                      ShiftCase{7, 0, 4, "2010-03-15 07:00:00", "2010-03-16 06:59:59"},
                      ShiftCase{7, 0, -1, "2010-03-15 07:00:00", "2010-03-16 06:59:59"},
                      ShiftCase{7, -1, 1, "2010-03-14 07:00:00", "2010-03-14 18:59:59"},
                      ShiftCase{7, -1, 2, "2010-03-14 19:00:00", "2010-03-15 06:59:59"},
                      ShiftCase{8, 0, 1, "2010-03-15 08:00:00", "2010-03-15 19:59:59"},
                      ShiftCase{0, 0, 2, "2010-03-15 12:00:00", "2010-03-15 23:59:59"}));

TEST(ShiftPeriod, HourOutsideTheDayRaisesTheConversionError) {
    FirstChangeStart = 24;
    TDateTime start = 0, stop = 0;
    EXPECT_THROW(GetShiftPeriod(EncodeDate(2010, 3, 15), 1, start, stop), EConvertError);
    FirstChangeStart = 7;
}

TEST(TimeRangeWhere, NamesTheColumnInBothComparisonsWithZeroPaddedTimes) {
    const TDateTime from = EncodeDateTime(2010, 3, 5, 9, 0, 0, 0);
    const TDateTime to = EncodeDateTime(2010, 3, 5, 18, 59, 59, 0);
    EXPECT_EQ(MakeTimeRangeWhere(from, to, true),
              " where RecMoment >= '2010-03-05 09:00:00' and RecMoment <= '2010-03-05 18:59:59'");
    EXPECT_EQ(MakeTimeRangeWhere(from, to, false),
              " where PostMoment >= '2010-03-05 09:00:00' and PostMoment <= '2010-03-05 18:59:59'");
}

TEST(TimeRangeWhere, IsTheSameWhateverTheLocale) {
    TFormatSettings saved = FormatSettings();
    FormatSettings().DateSeparator = '/';
    FormatSettings().TimeSeparator = '.';
    EXPECT_EQ(MakeTimeRangeWhere(EncodeDateTime(2010, 3, 15, 7, 0, 0, 0), EncodeDateTime(2010, 3, 15, 18, 59, 59, 0), true),
              " where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59'");
    FormatSettings() = saved;
}

// ---- InterpolateTable ----------------------------------------------------------------------------

TInterpTable Table(std::initializer_list<std::pair<double, double>> points) {
    TInterpTable t;
    for (auto [x, y] : points) {
        t.x[t.count] = x;
        t.y[t.count] = y;
        ++t.count;
    }
    return t;
}

struct InterpCase {
    double x;
    bool clamp;
    double expected;
};

TEST(InterpolateTable, ThreePointsInAnyOrder) {
    const InterpCase cases[] = {
        {5, false, 50},    {10, false, 100}, {15, false, 125}, {25, false, 175},
        {-5, false, -50},  {-5, true, 0},    {0, false, 0},    {20, false, 150},
    };
    const TInterpTable orders[] = {
        Table({{0, 0}, {10, 100}, {20, 150}}),
        Table({{20, 150}, {0, 0}, {10, 100}}),
        Table({{10, 100}, {20, 150}, {0, 0}}),
    };
    for (const TInterpTable& t : orders)
        for (const InterpCase& c : cases)
            EXPECT_DOUBLE_EQ(InterpolateTable(c.x, &t, c.clamp), c.expected) << "x=" << c.x << " first x=" << t.x[0];
}

TEST(InterpolateTable, DegenerateTables) {
    EXPECT_EQ(InterpolateTable(5, nullptr, false), 0);
    TInterpTable none = Table({{0, 1}, {10, 2}});
    none.count = 0;
    EXPECT_EQ(InterpolateTable(5, &none, false), 0);
    none.count = 100;
    EXPECT_EQ(InterpolateTable(5, &none, false), 0);
    // One point: its y, even negative under the clamp.
    TInterpTable one = Table({{3, -7}});
    EXPECT_EQ(InterpolateTable(100, &one, true), -7);
    // Two points on the same x: the first y.
    TInterpTable vertical = Table({{4, 1}, {4, 9}});
    EXPECT_EQ(InterpolateTable(10, &vertical, false), 1);
    // Two points extrapolate both ways; the clamp cuts a negative result.
    TInterpTable two = Table({{10, 0}, {0, 100}});
    EXPECT_DOUBLE_EQ(InterpolateTable(15, &two, false), -50);
    EXPECT_DOUBLE_EQ(InterpolateTable(15, &two, true), 0);
    EXPECT_DOUBLE_EQ(InterpolateTable(-1, &two, false), 110);
}

TEST(InterpolateTable, RepeatedOutermostXGivesThatPointsY) {
    // Beyond the table with no second distinct x on that side: the outermost y.
    TInterpTable t = Table({{10, 1}, {10, 2}, {10, 3}});
    EXPECT_EQ(InterpolateTable(20, &t, false), 1);
    EXPECT_EQ(InterpolateTable(0, &t, false), 1);
    // An exact hit gives the first matching point's y.
    EXPECT_EQ(InterpolateTable(10, &t, false), 1);
}

// ---- CyclicStep, worker periods ------------------------------------------------------------------

TEST(CyclicStep, WrapsBothWays) {
    EXPECT_EQ(CyclicStep(99.9, 100, 0.25, 0), 0);
    EXPECT_EQ(CyclicStep(0.05, 100, -0.1, 0), 100);
    EXPECT_EQ(CyclicStep(100, 100, 0, 0), 100);
    EXPECT_DOUBLE_EQ(CyclicStep(50, 100, 0.25, 0), 50.25);
}

TEST(RestOfPeriod, AtLeastFiftyAndTwoHundredAfterAnOverrun) {
    struct {
        std::uint32_t elapsed, period, rest;
    } cases[] = {{970, 980, 50}, {0, 980, 980}, {900, 980, 80}, {980, 980, 200}, {1200, 980, 200}};
    for (auto c : cases) EXPECT_EQ(RestOfPeriod(1000, c.period, 1000 + c.elapsed), c.rest) << c.elapsed;
    // The tick count wraps after 49.7 days; the difference stays right.
    EXPECT_EQ(RestOfPeriod(0xFFFFFF00u, 980, 0x00000010u), 980u - 0x110u);
}

TEST(WaitRestOfPeriod, TheStopFlagEndsTheWaitWhetherSetBeforeOrDuringIt) {
    for (bool before : {true, false}) {
        SCOPED_TRACE(before ? "set before" : "set during");
        // Shared with the waiter, which outlives the test if the flag does not end its hour.
        struct Wait {
            std::atomic<bool> stop{false}, done{false};
            std::atomic<pid_t> tid{0};
        };
        auto w = std::make_shared<Wait>();
        w->stop = before;
        std::thread waiter([w] {
            w->tid = gettid();
            WaitRestOfPeriod(GetTickCount(), 3600 * 1000, &w->stop);
            w->done = true;
        });
        if (!before) {
            ASSERT_TRUE(testlib::WaitUntil([&] { return w->tid != 0 && testlib::ThreadSleeps(w->tid); }, 30000));
            w->stop = true;
        }
        const bool ended = testlib::WaitUntil([&] { return w->done.load(); }, 30000);
        EXPECT_TRUE(ended);
        if (ended) waiter.join();
        else waiter.detach();
    }
}

// ---- Texts and colours ---------------------------------------------------------------------------

TEST(FloatToDotText, AlwaysAPoint) {
    TFormatSettings saved = FormatSettings();
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(FloatToDotText(12.5), "12.5");
    EXPECT_EQ(FloatToDotText(-0.25), "-0.25");
    EXPECT_EQ(FloatToDotText(7), "7");
    EXPECT_EQ(FloatToDotText(1234567.5), "1234567.5");
    FormatSettings() = saved;
}

TEST(ShadeColor, ScalesEachChannelOnItsOwn) {
    struct {
        TColor in, lighter, darker;
    } cases[] = {
        {RGB(255, 0, 0), RGB(255, 0, 0), RGB(204, 0, 0)},
        {RGB(100, 0, 1), RGB(120, 0, 1), RGB(80, 0, 0)},
        {RGB(211, 211, 211), RGB(253, 253, 253), RGB(168, 168, 168)},
        {RGB(10, 212, 10), RGB(10, 212, 10), RGB(8, 169, 8)},
        {clBlack, clBlack, clBlack},
    };
    for (auto c : cases) {
        TColor lighter = -1, darker = -1;
        ShadeColor(c.in, lighter, darker);
        EXPECT_EQ(lighter, c.lighter) << std::hex << c.in;
        EXPECT_EQ(darker, c.darker) << std::hex << c.in;
    }
}

TEST(ShadeColor, ResolvesSystemColoursFirst) {
    TColor lighter = 0, darker = 0;
    ShadeColor(clBtnFace, lighter, darker);
    const TColor rgb = ColorToRGB(clBtnFace);
    EXPECT_EQ(darker, RGB(int(GetRValue(rgb) * 0.8), int(GetGValue(rgb) * 0.8), int(GetBValue(rgb) * 0.8)));
    EXPECT_GE(lighter, 0);
}

}  // namespace
