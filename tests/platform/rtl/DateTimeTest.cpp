// TDateTime: encoding, decoding at boundaries, arithmetic, FormatDateTime, parsing, SQL text.
#include "RtlTestSupport.h"

#include "rtl/DateUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <limits>
#include <thread>
#include <vector>

namespace {

struct Parts {
    int y, mo, d, h, mi, s, ms;
    bool operator==(const Parts&) const = default;
};

Parts decode(TDateTime t) {
    Parts p{};
    DecodeDateTime(t, p.y, p.mo, p.d, p.h, p.mi, p.s, p.ms);
    return p;
}

std::ostream& operator<<(std::ostream& os, const Parts& p) {
    return os << p.y << "-" << p.mo << "-" << p.d << " " << p.h << ":" << p.mi << ":" << p.s << "." << p.ms;
}

const TDateTime kMarch1 = EncodeDate(2024, 3, 1);  // a Friday

}  // namespace

TEST(DateTime, EncodeKnownDays) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2024, 3, 1), 45352);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);  // before 1899 the time still counts forward
    EXPECT_EQ(DayOfWeek(kMarch1), 6);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_EQ(DaysInAMonth(2024, 2), 29);
    EXPECT_EQ(DaysInAMonth(2023, 2), 28);
}

TEST(DateTime, EncodeRejectsInvalidParts) {
    struct Case {
        int y, m, d;
    } dates[] = {{2023, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31}, {0, 1, 1}, {10000, 1, 1}, {2024, 1, 0}};
    for (auto c : dates) {
        TDateTime out = 123;
        EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, out));
        EXPECT_EQ(out, 123);
        EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
    }
    struct TCase {
        int h, m, s, ms;
    } times[] = {{24, 0, 0, 0}, {-1, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
    for (auto c : times) EXPECT_THROW(EncodeTime(c.h, c.m, c.s, c.ms), EConvertError);
}

TEST(DateTime, DecodeRoundsToTheNearestMillisecond) {
    const TDateTime day = kMarch1;
    struct Case {
        TDateTime value;
        Parts expected;
    } cases[] = {
        // a shift boundary reached by adding hours as fractions of a day
        {day + 7.0 / 24, {2024, 3, 1, 7, 0, 0, 0}},
        {day + 7 * OneHour, {2024, 3, 1, 7, 0, 0, 0}},
        {day + 19 * OneHour, {2024, 3, 1, 19, 0, 0, 0}},
        {day + 7 * OneHour - 1e-10, {2024, 3, 1, 7, 0, 0, 0}},
        {day + 7 * OneHour - 0.4 * OneMillisecond, {2024, 3, 1, 7, 0, 0, 0}},
        {day + 7 * OneHour - 0.6 * OneMillisecond, {2024, 3, 1, 6, 59, 59, 999}},
        // the last moment of a day rounds into the next day, date included
        {day + 1 - 0.4 * OneMillisecond, {2024, 3, 2, 0, 0, 0, 0}},
        {day + 1 - OneMillisecond, {2024, 3, 1, 23, 59, 59, 999}},
        {day + 0.5 + 123 * OneMillisecond, {2024, 3, 1, 12, 0, 0, 123}},
        // before 1899-12-30 the fraction is still the time of that day
        {-1.25, {1899, 12, 29, 6, 0, 0, 0}},
        {-0.5, {1899, 12, 30, 12, 0, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.value), c.expected) << c.value;
}

TEST(DateTime, MinuteStepsAccumulateToTheShiftBoundary) {
    // 480 one-minute steps from 23:00 land on 07:00 of the next day, not 06:59:59.999.
    TDateTime t = kMarch1 + 23 * OneHour;
    for (int i = 0; i < 480; ++i) t += OneMinute;
    EXPECT_EQ(decode(t), (Parts{2024, 3, 2, 7, 0, 0, 0}));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", t).str(), "02.03.2024 07:00:00");
    EXPECT_EQ(DateOf(t), kMarch1 + 1);
    EXPECT_DOUBLE_EQ(TimeOf(t), 7.0 / 24);
}

TEST(DateTime, DecodeRefusesValuesOutsideTheCalendar) {
    int y, m, d;
    EXPECT_THROW(DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(1e12, y, m, d), EConvertError);
    EXPECT_THROW(FormatDateTime("yyyy", std::numeric_limits<double>::infinity()), EConvertError);
}

TEST(DateTime, Arithmetic) {
    const TDateTime a = EncodeDateTime(2024, 3, 1, 6, 59, 30, 0);
    const TDateTime b = EncodeDateTime(2024, 3, 3, 7, 0, 0, 0);
    EXPECT_EQ(DaysBetween(a, b), 2);
    EXPECT_EQ(HoursBetween(a, b), 48);
    EXPECT_EQ(MinutesBetween(b, a), 2880);
    EXPECT_EQ(SecondsBetween(a, b), 2 * 86400 + 30);
    EXPECT_EQ(MilliSecondsBetweenRounded(b, a), -(2LL * 86400 + 30) * 1000);
    // A difference that is a whole number of seconds except for rounding noise counts fully.
    EXPECT_EQ(SecondsBetween(kMarch1, kMarch1 + 7.0 / 24), 7 * 3600);

    EXPECT_EQ(decode(IncHour(kMarch1, 7)), (Parts{2024, 3, 1, 7, 0, 0, 0}));
    EXPECT_EQ(decode(IncMinute(kMarch1, -1)), (Parts{2024, 2, 29, 23, 59, 0, 0}));
    EXPECT_EQ(decode(IncSecond(kMarch1 + 0.5, 90)), (Parts{2024, 3, 1, 12, 1, 30, 0}));
    EXPECT_EQ(decode(IncMilliSecond(kMarch1, -1)), (Parts{2024, 2, 29, 23, 59, 59, 999}));
    EXPECT_EQ(decode(IncDay(kMarch1 + 0.25, -1)), (Parts{2024, 2, 29, 6, 0, 0, 0}));
    EXPECT_EQ(decode(IncMonth(EncodeDate(2024, 1, 31) + 0.5, 1)), (Parts{2024, 2, 29, 12, 0, 0, 0}));
    EXPECT_EQ(decode(IncMonth(EncodeDate(2024, 1, 15), -13)), (Parts{2022, 12, 15, 0, 0, 0, 0}));
    EXPECT_EQ(RoundToMSec(kMarch1 + 7 * OneHour - 1e-10), kMarch1 + 7.0 / 24);
}

TEST(FormatDateTime, PatternsOfTheSystem) {
    const TDateTime t = EncodeDateTime(2024, 3, 1, 7, 5, 9, 45);
    const TDateTime evening = EncodeDateTime(2024, 3, 1, 19, 5, 0, 0);
    struct Case {
        const char* format;
        TDateTime value;
        const char* expected;
    } cases[] = {
        {"dd.mm.yyyy hh:nn", t, "01.03.2024 07:05"},
        {"yyyy-mm-dd hh:nn:ss", t, "2024-03-01 07:05:09"},
        {"yyyy-mm-dd hh:nn:00", t, "2024-03-01 07:05:00"},
        {"yyyy-mm-dd hh:00:00", t, "2024-03-01 07:00:00"},
        {"yyyy-mm-dd hh:59:59", t, "2024-03-01 07:59:59"},
        {"dd_mm_yyyy", t, "01_03_2024"},
        {"yyyy_mm_dd", t, "2024_03_01"},
        {"dd mmm yyyy в hh:nn:ss", t, "01 мар 2024 в 07:05:09"},
        {"dd.mm.yyyy", t, "01.03.2024"},
        {"dd.mm", t, "01.03"},
        {"dd.mm hh:nn", t, "01.03 07:05"},
        {"hh:nn:ss", t, "07:05:09"},
        {"hh", t, "07"},
        {" nn ", t, " 05 "},
        {"hh:mm", t, "07:05"},    // "mm" after "hh" is minutes
        {"h:m", t, "7:5"},
        {"mm/dd/yyyy", t, "03.01.2024"},  // '/' is the locale's date separator
        {"MM/DD/YYYY", t, "03.01.2024"},  // tokens ignore case
        {"d.m.yy h:n:s", t, "1.3.24 7:5:9"},
        {"hh:nn:ss.zzz", t, "07:05:09.045"},
        {"mmmm", t, "Март"},
        {"ddd dddd", t, "Пт пятница"},
        {"ddddd", t, "01.03.2024"},
        {"c", t, "01.03.2024 7:05:09"},
        {"c", kMarch1, "01.03.2024"},
        {"tt", evening, "19:05:00"},
        {"hh:nn am/pm", evening, "07:05 pm"},
        {"h AM/PM", t, "7 AM"},
        {"'Смена' hh \"ч\"", t, "Смена 07 ч"},
        {"", t, "01.03.2024 7:05:09"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, c.value).str(), c.expected) << c.format;
}

TEST(FormatDateTime, FollowsTheGivenSettings) {
    TFormatSettings fs;
    fs.DateSeparator = '/';
    fs.TimeSeparator = '-';
    const TDateTime t = EncodeDateTime(2024, 3, 1, 7, 5, 0, 0);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", t, fs).str(), "01/03/2024 07-05");
    // Literal separators are not the locale's: "." stays ".".
    EXPECT_EQ(FormatDateTime("dd.mm", t, fs).str(), "01.03");
}

TEST(DateTimeText, ParsesTheLocaleForms) {
    const TDateTime t = EncodeDateTime(2024, 3, 1, 7, 5, 9, 0);
    EXPECT_EQ(StrToDate("01.03.2024"), kMarch1);
    EXPECT_EQ(StrToDate(" 1.3.2024 "), kMarch1);
    EXPECT_EQ(decode(StrToTime("7:05:09")), decode(t - kMarch1));
    EXPECT_EQ(decode(StrToTime("7:05")), decode(EncodeTime(7, 5, 0, 0)));
    EXPECT_EQ(decode(StrToTime("07:05 PM")), decode(EncodeTime(19, 5, 0, 0)));
    EXPECT_EQ(decode(StrToDateTime("01.03.2024 7:05:09")), decode(t));
    EXPECT_EQ(decode(StrToDateTime("01.03.2024")), decode(kMarch1));
    EXPECT_EQ(decode(StrToDateTime("2024-03-01 07:05:09")), decode(t));  // database text too
    EXPECT_EQ(StrToDateTime(DateTimeToStr(t)), t);

    for (const char* bad : {"", "32.01.2024", "01-03-2024", "1.2.3.4", "abc", "01.03.2024 25:00", "29.02.2023"}) {
        TDateTime out;
        EXPECT_FALSE(TryStrToDateTime(bad, out)) << bad;
    }
    EXPECT_THROW(StrToDate("31.02.2024"), EConvertError);
    EXPECT_THROW(StrToTime("24:00"), EConvertError);
}

TEST(DateTimeText, TwoDigitAndMissingYears) {
    int y, m, d;
    DecodeDate(StrToDate("01.03"), y, m, d);
    int cy, cm, cd;
    DecodeDate(Date(), cy, cm, cd);
    EXPECT_EQ(y, cy);
    EXPECT_EQ(m, 3);
    DecodeDate(StrToDate("01.03.24"), y, m, d);
    EXPECT_EQ(y, 2024);
}

TEST(SqlDateTime, BothDirections) {
    const TDateTime t = EncodeDateTime(2024, 3, 1, 7, 0, 0, 0);
    EXPECT_EQ(DateTimeToSqlText(t - 1e-10).str(), "2024-03-01 07:00:00");
    EXPECT_EQ(SqlTextToDateTime("2024-03-01 07:00:00"), t);
    EXPECT_EQ(SqlTextToDateTime("2024-03-01"), kMarch1);
    EXPECT_EQ(decode(SqlTextToDateTime("2024-03-01 07:00:00.250000")), (Parts{2024, 3, 1, 7, 0, 0, 250}));
    EXPECT_EQ(SqlTextToDateTime(""), 0);
    EXPECT_EQ(SqlTextToDateTime("0000-00-00 00:00:00"), 0);
    EXPECT_EQ(SqlTextToDateTime("0000-00-00"), 0);
    for (const char* bad : {"2024-13-01 00:00:00", "2024-03-01 24:00:00", "01.03.2024", "2024-03-01 7:00", "x"})
        EXPECT_THROW(SqlTextToDateTime(bad), EConvertError) << bad;
}

TEST(Clock, InjectableSource) {
    const TDateTime fixed = EncodeDateTime(2024, 3, 1, 6, 59, 59, 999);
    SetClockSource([&] { return fixed; });
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), kMarch1);
    EXPECT_NEAR(Time(), fixed - kMarch1, OneMillisecond / 2);
    SetClockSource(nullptr);
    // The real clock is back: within a day of the system's idea of now.
    TDateTime real = UnixToDateTime(static_cast<long long>(time(nullptr)));
    EXPECT_NEAR(Now(), real, 1.0 / 24);
}

TEST(Clock, SourceMaySwitchWhileOtherThreadsRead) {
    std::vector<std::thread> readers;
    std::atomic<bool> stop{false};
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&] {
            while (!stop) (void)Now();
        });
    for (int i = 0; i < 200; ++i) {
        SetClockSource([] { return 1.5; });
        SetClockSource(nullptr);
    }
    stop = true;
    for (auto& t : readers) t.join();
}

TEST(UnixTime, RoundTrip) {
    const TDateTime t = EncodeDateTime(2024, 3, 1, 7, 0, 0, 0);
    EXPECT_EQ(UnixToDateTime(DateTimeToUnix(t)), t);
}
