// TDateTime: days since 30 December 1899 in a double; the fraction is the time of day.
#pragma once

#include "rtl/SysUtils.h"

#include <cstdint>
#include <functional>

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;
constexpr double MinsPerDay = 1440.0;
constexpr double HoursPerDay = 24.0;
constexpr TDateTime OneHour = 1.0 / 24.0;
constexpr TDateTime OneMinute = 1.0 / 1440.0;
constexpr TDateTime OneSecond = 1.0 / 86400.0;
constexpr TDateTime OneMillisecond = 1.0 / 86400000.0;

// Raise EConvertError on an invalid date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
// Decoding rounds to the nearest millisecond first, so 07:00:00 never decodes as 06:59:59.999.
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 = Sunday
// Whole days of a proleptic Gregorian date since 30 December 1899 (negative before it), and back.
// Any year and no exception: for callers that check the range themselves or must never throw.
long long DateToDayNumber(int year, int month, int day);
void DayNumberToDate(long long dayNumber, int& year, int& month, int& day);
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// The clock. Now() and Date() read the injectable clock source (the real clock unless a test set one).
TDateTime Now();
TDateTime Date();
TDateTime Time();
void SetClockSource(std::function<TDateTime()> source);  // empty function restores the real clock

TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);
// Rounds a date-time to the nearest whole millisecond.
TDateTime RoundToMSec(TDateTime dt);
// Whole milliseconds between two moments (b - a), rounded to the nearest millisecond.
long long MilliSecondsBetweenRounded(TDateTime a, TDateTime b);
long long SecondsBetween(TDateTime a, TDateTime b);  // whole seconds, absolute
long long MinutesBetween(TDateTime a, TDateTime b);
long long HoursBetween(TDateTime a, TDateTime b);
long long DaysBetween(TDateTime a, TDateTime b);
TDateTime IncMilliSecond(TDateTime dt, long long n);
TDateTime IncSecond(TDateTime dt, long long n);
TDateTime IncMinute(TDateTime dt, long long n);
TDateTime IncHour(TDateTime dt, long long n);
TDateTime IncDay(TDateTime dt, int n);
TDateTime IncMonth(TDateTime dt, int n);

// FormatDateTime tokens: d dd ddd dddd ddddd m mm mmm mmmm (minutes after h/hh) yy yyyy h hh n nn s ss
// z zzz am/pm, '/' and ':' as the locale's separators, quoted literals; case-insensitive.
AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt);
AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt, const TFormatSettings& fs);
AnsiString DateToStr(TDateTime dt);
AnsiString TimeToStr(TDateTime dt);
AnsiString DateTimeToStr(TDateTime dt);
TDateTime StrToDate(const AnsiString& s);
TDateTime StrToTime(const AnsiString& s);
TDateTime StrToDateTime(const AnsiString& s);
bool TryStrToDate(const AnsiString& s, TDateTime& out);
bool TryStrToTime(const AnsiString& s, TDateTime& out);
bool TryStrToDateTime(const AnsiString& s, TDateTime& out);

// MySQL DATETIME text "yyyy-mm-dd hh:nn:ss"; "0000-00-00 ..." and empty text read as 0.
AnsiString DateTimeToSqlText(TDateTime dt);
TDateTime SqlTextToDateTime(const AnsiString& s);

// Unix time conversions (UTC seconds <-> local TDateTime).
TDateTime UnixToDateTime(long long secs);
long long DateTimeToUnix(TDateTime dt);
