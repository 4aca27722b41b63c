// TDateTime: calendar arithmetic, the clock, text in both directions.
#include "rtl/DateUtils.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace {

constexpr long long kMsPerDay = 86400000LL;
constexpr int kUnixEpochDay = 25569;  // 1970-01-01 as a TDateTime day
constexpr double kMaxDateTime = 2958466.0;  // 10000-01-01, the first day past the range

// A moment split into its calendar day and the milliseconds of that day, rounded to the nearest
// millisecond. Before 1899-12-30 the fraction still counts forward from midnight (-1.25 is
// 29 December 1899, 06:00), as TDateTime defines it.
struct Split {
    long long day;
    long long ms;
};

Split split(TDateTime dt) {
    if (!std::isfinite(dt) || std::fabs(dt) >= kMaxDateTime + 1)
        throw EConvertError("Недопустимое значение даты и времени");
    double day = std::trunc(dt);
    long long ms = std::llround(std::fabs(dt - day) * MSecsPerDay);
    long long d = static_cast<long long>(day);
    if (ms >= kMsPerDay) {
        ++d;
        ms -= kMsPerDay;
    }
    return {d, ms};
}

TDateTime combine(long long day, long long ms) {
    double t = static_cast<double>(ms) / MSecsPerDay;
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

std::mutex& clockMutex() {
    static std::mutex m;
    return m;
}

std::function<TDateTime()>& clockSource() {
    static std::function<TDateTime()> f;
    return f;
}

TDateTime realNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm lt{};
    time_t secs = ts.tv_sec;
    localtime_r(&secs, &lt);
    long long day = DateToDayNumber(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
    long long ms = (lt.tm_hour * 3600LL + lt.tm_min * 60LL + lt.tm_sec) * 1000LL + ts.tv_nsec / 1000000;
    return combine(day, ms);
}

std::string pad(long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool matchesAt(const std::string& f, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k]; ++k)
        if (i + k >= f.size() || lowerAscii(f[i + k]) != word[k]) return false;
    return true;
}

// True when the pattern asks for a 12-hour clock (am/pm, a/p or ampm outside quotes).
bool wantsTwelveHour(const std::string& f) {
    char quote = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (matchesAt(f, i, "am/pm") || matchesAt(f, i, "a/p") || matchesAt(f, i, "ampm")) {
            return true;
        }
    }
    return false;
}

void formatInto(std::string& out, const std::string& f, long long day, long long ms, const TFormatSettings& fs,
                int depth) {
    if (depth > 3) return;
    int y, mo, d;
    DayNumberToDate(day, y, mo, d);
    int dow = static_cast<int>(((day % 7) + 7 + 6) % 7);  // 0 = Sunday
    int h = static_cast<int>(ms / 3600000), n = static_cast<int>(ms / 60000 % 60);
    int s = static_cast<int>(ms / 1000 % 60), z = static_cast<int>(ms % 1000);
    bool twelve = wantsTwelveHour(f);
    bool afterHour = false;
    for (std::size_t i = 0; i < f.size();) {
        char c = f[i];
        char lc = lowerAscii(c);
        if (c == '"' || c == '\'') {
            std::size_t e = f.find(c, i + 1);
            if (e == std::string::npos) e = f.size();
            out.append(f, i + 1, e - i - 1);
            i = e + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < f.size() && lowerAscii(f[i + run]) == lc) ++run;
        switch (lc) {
            case 'c':
                formatInto(out, fs.ShortDateFormat.str(), day, ms, fs, depth + 1);
                if (ms != 0) {
                    out += ' ';
                    formatInto(out, fs.LongTimeFormat.str(), day, ms, fs, depth + 1);
                }
                i += 1;
                afterHour = false;
                continue;
            case 'd':
                if (run == 1) out += std::to_string(d);
                else if (run == 2) out += pad(d, 2);
                else if (run == 3) out += fs.ShortDayNames[dow].str();
                else if (run == 4) out += fs.LongDayNames[dow].str();
                else if (run == 5) formatInto(out, fs.ShortDateFormat.str(), day, ms, fs, depth + 1);
                else formatInto(out, fs.LongDateFormat.str(), day, ms, fs, depth + 1);
                i += std::min<std::size_t>(run, 6);
                afterHour = false;
                continue;
            case 'm':
                if (run <= 2 && afterHour) out += run == 1 ? std::to_string(n) : pad(n, 2);
                else if (run == 1) out += std::to_string(mo);
                else if (run == 2) out += pad(mo, 2);
                else if (run == 3) out += fs.ShortMonthNames[mo - 1].str();
                else out += fs.LongMonthNames[mo - 1].str();
                i += std::min<std::size_t>(run, 4);
                afterHour = false;
                continue;
            case 'y':
                out += run <= 2 ? pad(y % 100, 2) : pad(y, 4);
                i += std::min<std::size_t>(run, 4);
                afterHour = false;
                continue;
            case 'h': {
                int hh = h;
                if (twelve) hh = h % 12 == 0 ? 12 : h % 12;
                out += run == 1 ? std::to_string(hh) : pad(hh, 2);
                i += std::min<std::size_t>(run, 2);
                afterHour = true;
                continue;
            }
            case 'n':
                out += run == 1 ? std::to_string(n) : pad(n, 2);
                i += std::min<std::size_t>(run, 2);
                afterHour = false;
                continue;
            case 's':
                out += run == 1 ? std::to_string(s) : pad(s, 2);
                i += std::min<std::size_t>(run, 2);
                afterHour = false;
                continue;
            case 'z':
                out += run >= 3 ? pad(z, 3) : std::to_string(z);
                i += std::min<std::size_t>(run, 3);
                afterHour = false;
                continue;
            case 't':
                formatInto(out, run == 1 ? fs.ShortTimeFormat.str() : fs.LongTimeFormat.str(), day, ms, fs, depth + 1);
                i += std::min<std::size_t>(run, 2);
                afterHour = false;
                continue;
            case 'a':
                if (matchesAt(f, i, "am/pm")) {
                    std::string t = h < 12 ? "am" : "pm";
                    if (c == 'A') t = h < 12 ? "AM" : "PM";
                    out += t;
                    i += 5;
                } else if (matchesAt(f, i, "a/p")) {
                    out += c == 'A' ? (h < 12 ? "A" : "P") : (h < 12 ? "a" : "p");
                    i += 3;
                } else if (matchesAt(f, i, "ampm")) {
                    out += h < 12 ? fs.TimeAMString.str() : fs.TimePMString.str();
                    i += 4;
                } else {
                    out += c;
                    ++i;
                }
                afterHour = false;
                continue;
            case '/':
                out += fs.DateSeparator;
                ++i;
                continue;
            case ':':
                out += fs.TimeSeparator;
                ++i;
                continue;
            default:
                out += c;
                ++i;
                continue;
        }
    }
}

// ---- Parsing -----------------------------------------------------------------------------

struct Scanner {
    const std::string& s;
    std::size_t i = 0;
    void blanks() {
        while (i < s.size() && s[i] == ' ') ++i;
    }
    bool number(int& v, int& digits) {
        blanks();
        v = 0;
        digits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 9) {
            v = v * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        return digits > 0;
    }
    bool ch(char c) {
        blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool atEnd() {
        blanks();
        return i >= s.size();
    }
};

int currentYear() {
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

// Order of day, month and year in the short date format: "dmy", "mdy" or "ymd".
std::string dateOrder(const TFormatSettings& fs) {
    std::string order;
    for (char c : fs.ShortDateFormat.str()) {
        char l = lowerAscii(c);
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
    }
    return order.size() == 3 ? order : "dmy";
}

bool scanDate(Scanner& sc, TDateTime& out, const TFormatSettings& fs) {
    int v[3], dg[3], count = 0;
    if (!sc.number(v[0], dg[0])) return false;
    count = 1;
    for (; count < 3; ++count) {
        std::size_t save = sc.i;
        if (!sc.ch(fs.DateSeparator)) break;
        if (!sc.number(v[count], dg[count])) {
            sc.i = save;
            break;
        }
    }
    if (count < 2) return false;
    std::string order = dateOrder(fs);
    int y = -1, m = 0, d = 0, ydigits = 4;
    if (count == 3) {
        for (int k = 0; k < 3; ++k) {
            if (order[static_cast<std::size_t>(k)] == 'd') d = v[k];
            else if (order[static_cast<std::size_t>(k)] == 'm') m = v[k];
            else {
                y = v[k];
                ydigits = dg[k];
            }
        }
    } else {
        std::string o2;
        for (char c : order)
            if (c != 'y') o2 += c;
        (o2[0] == 'd' ? d : m) = v[0];
        (o2[1] == 'd' ? d : m) = v[1];
        y = currentYear();
    }
    if (ydigits <= 2 && count == 3) {
        // Two-digit years fall in the window of fifty years either side of now.
        int century = currentYear() - 50;
        y += century / 100 * 100;
        if (y < century) y += 100;
    }
    return TryEncodeDate(y, m, d, out);
}

bool scanTime(Scanner& sc, TDateTime& out, const TFormatSettings& fs) {
    int h, n = 0, s = 0, z = 0, dg;
    if (!sc.number(h, dg)) return false;
    if (sc.ch(fs.TimeSeparator)) {
        if (!sc.number(n, dg)) return false;
        if (sc.ch(fs.TimeSeparator)) {
            if (!sc.number(s, dg)) return false;
            if (sc.ch(fs.DecimalSeparator) || sc.ch('.')) {
                if (!sc.number(z, dg)) return false;
                while (dg < 3) { z *= 10; ++dg; }
                while (dg > 3) { z /= 10; --dg; }
            }
        }
    }
    sc.blanks();
    const std::string& t = sc.s;
    auto word = [&](const AnsiString& w) {
        if (w.IsEmpty() || sc.i + w.size() > t.size()) return false;
        if (!SameText(AnsiString(t.substr(sc.i, w.size())), w)) return false;
        sc.i += w.size();
        return true;
    };
    if (word("AM") || (!fs.TimeAMString.IsEmpty() && word(fs.TimeAMString))) {
        if (h < 1 || h > 12) return false;
        if (h == 12) h = 0;
    } else if (word("PM") || (!fs.TimePMString.IsEmpty() && word(fs.TimePMString))) {
        if (h < 1 || h > 12) return false;
        if (h != 12) h += 12;
    }
    return TryEncodeTime(h, n, s, z, out);
}

}  // namespace

// ---- Encoding and decoding -------------------------------------------------------------------

// The civil-calendar algorithm counts days from 1970-01-01; the day numbers count from TDateTime's day 0.
long long DateToDayNumber(int year, int month, int day) {
    long long y = year;
    const unsigned m = static_cast<unsigned>(month), d = static_cast<unsigned>(day);
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468 + kUnixEpochDay;
}

void DayNumberToDate(long long dayNumber, int& year, int& month, int& day) {
    const long long z = dayNumber - kUnixEpochDay + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yy + (month <= 2));
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInAMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    out = static_cast<double>(DateToDayNumber(year, month, day));
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
    out = static_cast<double>(((hour * 60LL + min) * 60LL + sec) * 1000LL + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Недопустимый аргумент для кодирования даты");
    return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Недопустимый аргумент для кодирования времени");
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    TDateTime d = EncodeDate(year, month, day);
    TDateTime t = EncodeTime(hour, min, sec, msec);
    return d >= 0 ? d + t : d - t;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    Split sp = split(dt);
    DayNumberToDate(sp.day, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
    Split sp = split(dt);
    hour = static_cast<int>(sp.ms / 3600000);
    min = static_cast<int>(sp.ms / 60000 % 60);
    sec = static_cast<int>(sp.ms / 1000 % 60);
    msec = static_cast<int>(sp.ms % 1000);
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec) {
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt) {
    Split sp = split(dt);
    return static_cast<int>(((sp.day % 7) + 7 + 6) % 7) + 1;
}

// ---- The clock -------------------------------------------------------------------------------

TDateTime Now() {
    std::function<TDateTime()> f;
    {
        std::lock_guard<std::mutex> lock(clockMutex());
        f = clockSource();
    }
    return f ? f() : realNow();
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

void SetClockSource(std::function<TDateTime()> source) {
    std::lock_guard<std::mutex> lock(clockMutex());
    clockSource() = std::move(source);
}

// ---- Arithmetic ------------------------------------------------------------------------------

TDateTime DateOf(TDateTime dt) {
    Split sp = split(dt);
    return static_cast<double>(sp.day);
}

TDateTime TimeOf(TDateTime dt) {
    Split sp = split(dt);
    return static_cast<double>(sp.ms) / MSecsPerDay;
}

TDateTime RoundToMSec(TDateTime dt) {
    Split sp = split(dt);
    return combine(sp.day, sp.ms);
}

namespace {
// A moment as a signed count of milliseconds on a straight time line.
long long linearMs(TDateTime dt) {
    Split sp = split(dt);
    return sp.day * kMsPerDay + sp.ms;
}
TDateTime fromLinearMs(long long ms) {
    long long day = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
    return combine(day, ms - day * kMsPerDay);
}
}  // namespace

long long MilliSecondsBetweenRounded(TDateTime a, TDateTime b) { return linearMs(b) - linearMs(a); }

long long SecondsBetween(TDateTime a, TDateTime b) { return std::llabs(MilliSecondsBetweenRounded(a, b)) / 1000; }
long long MinutesBetween(TDateTime a, TDateTime b) { return std::llabs(MilliSecondsBetweenRounded(a, b)) / 60000; }
long long HoursBetween(TDateTime a, TDateTime b) { return std::llabs(MilliSecondsBetweenRounded(a, b)) / 3600000; }
long long DaysBetween(TDateTime a, TDateTime b) { return std::llabs(MilliSecondsBetweenRounded(a, b)) / kMsPerDay; }

TDateTime IncMilliSecond(TDateTime dt, long long n) { return fromLinearMs(linearMs(dt) + n); }
TDateTime IncSecond(TDateTime dt, long long n) { return IncMilliSecond(dt, n * 1000); }
TDateTime IncMinute(TDateTime dt, long long n) { return IncMilliSecond(dt, n * 60000); }
TDateTime IncHour(TDateTime dt, long long n) { return IncMilliSecond(dt, n * 3600000); }
TDateTime IncDay(TDateTime dt, int n) { return IncMilliSecond(dt, n * kMsPerDay); }

TDateTime IncMonth(TDateTime dt, int n) {
    Split sp = split(dt);
    int y, m, d;
    DayNumberToDate(sp.day, y, m, d);
    long long total = static_cast<long long>(y) * 12 + (m - 1) + n;
    int ny = static_cast<int>(total / 12), nm = static_cast<int>(total % 12) + 1;
    int nd = std::min(d, DaysInAMonth(ny, nm));
    TDateTime day = EncodeDate(ny, nm, nd);
    return combine(static_cast<long long>(day), sp.ms);
}

// ---- Text ------------------------------------------------------------------------------------

AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt) { return FormatDateTime(fmt, dt, FormatSettings()); }

AnsiString FormatDateTime(const AnsiString& fmt, TDateTime dt, const TFormatSettings& fs) {
    Split sp = split(dt);
    std::string out;
    formatInto(out, fmt.IsEmpty() ? std::string("c") : fmt.str(), sp.day, sp.ms, fs, 0);
    return AnsiString(std::move(out));
}

AnsiString DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }
AnsiString TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }
AnsiString DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

bool TryStrToDate(const AnsiString& s, TDateTime& out) {
    Scanner sc{s.str()};
    TDateTime d;
    if (!scanDate(sc, d, FormatSettings()) || !sc.atEnd()) return false;
    out = d;
    return true;
}

bool TryStrToTime(const AnsiString& s, TDateTime& out) {
    Scanner sc{s.str()};
    TDateTime t;
    if (!scanTime(sc, t, FormatSettings()) || !sc.atEnd()) return false;
    out = t;
    return true;
}

bool TryStrToDateTime(const AnsiString& s, TDateTime& out) {
    const TFormatSettings& fs = FormatSettings();
    {
        Scanner sc{s.str()};
        TDateTime d, t = 0;
        if (scanDate(sc, d, fs)) {
            if (sc.atEnd() || (scanTime(sc, t, fs) && sc.atEnd())) {
                out = d >= 0 ? d + t : d - t;
                return true;
            }
        }
    }
    {
        Scanner sc{s.str()};
        TDateTime t;
        if (scanTime(sc, t, fs) && sc.atEnd()) {
            out = t;
            return true;
        }
    }
    // Database text ("2024-03-01 07:00:00") is accepted whatever the locale.
    AnsiString t = Trim(s);
    if (t.Length() >= 10 && t[5] == '-' && t[8] == '-') {
        try {
            out = SqlTextToDateTime(t);
            return true;
        } catch (const EConvertError&) {
        }
    }
    return false;
}

TDateTime StrToDate(const AnsiString& s) {
    TDateTime r;
    if (!TryStrToDate(s, r)) throw EConvertError("'" + s + "' не является допустимой датой");
    return r;
}

TDateTime StrToTime(const AnsiString& s) {
    TDateTime r;
    if (!TryStrToTime(s, r)) throw EConvertError("'" + s + "' не является допустимым временем");
    return r;
}

TDateTime StrToDateTime(const AnsiString& s) {
    TDateTime r;
    if (!TryStrToDateTime(s, r)) throw EConvertError("'" + s + "' не является допустимыми датой и временем");
    return r;
}

// The colons are quoted: a locale's own time separator must never reach an SQL text.
AnsiString DateTimeToSqlText(TDateTime dt) { return FormatDateTime("yyyy-mm-dd hh':'nn':'ss", dt, FormatSettings()); }

TDateTime SqlTextToDateTime(const AnsiString& s) {
    std::string t = Trim(s).str();
    if (t.empty()) return 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    long frac = 0;
    int fracDigits = 0;
    // yyyy-mm-dd[ hh:nn:ss[.ffffff]]
    auto num = [&](std::size_t& i, int width, int& v) {
        v = 0;
        for (int k = 0; k < width; ++k, ++i) {
            if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
            v = v * 10 + (t[i] - '0');
        }
        return true;
    };
    std::size_t i = 0;
    bool ok = num(i, 4, y) && i < t.size() && t[i++] == '-' && num(i, 2, mo) && i < t.size() && t[i++] == '-' &&
              num(i, 2, d);
    if (ok && i < t.size()) {
        ok = (t[i] == ' ' || t[i] == 'T') && (++i, num(i, 2, h)) && i < t.size() && t[i++] == ':' && num(i, 2, mi) &&
             i < t.size() && t[i++] == ':' && num(i, 2, se);
        if (ok && i < t.size() && t[i] == '.') {
            ++i;
            while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
                if (fracDigits < 3) {
                    frac = frac * 10 + (t[i] - '0');
                    ++fracDigits;
                }
                ++i;
            }
            while (fracDigits > 0 && fracDigits < 3) {
                frac *= 10;
                ++fracDigits;
            }
        }
        ok = ok && i == t.size();
    }
    if (!ok) throw EConvertError("'" + s + "' не является допустимыми датой и временем");
    if (y == 0 && mo == 0 && d == 0) return 0;  // MySQL's zero date
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, se, static_cast<int>(frac), time))
        throw EConvertError("'" + s + "' не является допустимыми датой и временем");
    return date >= 0 ? date + time : date - time;
}

TDateTime UnixToDateTime(long long secs) {
    time_t t = static_cast<time_t>(secs);
    tm lt{};
    localtime_r(&t, &lt);
    long long day = DateToDayNumber(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
    return combine(day, (lt.tm_hour * 3600LL + lt.tm_min * 60LL + lt.tm_sec) * 1000LL);
}

long long DateTimeToUnix(TDateTime dt) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(dt, y, mo, d, h, mi, s, ms);
    tm lt{};
    lt.tm_year = y - 1900;
    lt.tm_mon = mo - 1;
    lt.tm_mday = d;
    lt.tm_hour = h;
    lt.tm_min = mi;
    lt.tm_sec = s;
    lt.tm_isdst = -1;
    return static_cast<long long>(mktime(&lt));
}
