// Format and the tick counter.
#include "rtl/SysUtils.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <atomic>
#include <mutex>

namespace {

[[noreturn]] void badFormat(const AnsiString& fmt) {
    throw EConvertError("Формат '" + fmt + "' недопустим или несовместим с аргументом");
}

// The first `chars` characters of s.
std::string headChars(const std::string& s, int chars) {
    int n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars) return s.substr(0, i);
            ++n;
        }
    }
    return s;
}

std::string zeroPad(std::string digits, int least) {
    bool neg = !digits.empty() && digits[0] == '-';
    if (neg) digits.erase(0, 1);
    if (static_cast<int>(digits.size()) < least) digits.insert(0, static_cast<std::size_t>(least) - digits.size(), '0');
    return neg ? "-" + digits : digits;
}

}  // namespace

AnsiString FormatV(const AnsiString& fmt, const TVarRec* args, int count) {
    return FormatV(fmt, args, count, FormatSettings());
}

AnsiString FormatV(const AnsiString& fmtText, const TVarRec* args, int count, const TFormatSettings& fs) {
    const std::string& f = fmtText.str();
    std::string out;
    int next = 0;
    auto arg = [&](int idx) -> const TVarRec& {
        if (idx < 0 || idx >= count) badFormat(fmtText);
        return args[idx];
    };
    auto number = [&](std::size_t& i, int& value) -> bool {
        if (i < f.size() && f[i] == '*') {
            const TVarRec& a = arg(next++);
            if (a.kind != TVarRec::vtInteger && a.kind != TVarRec::vtUnsigned) badFormat(fmtText);
            value = static_cast<int>(a.kind == TVarRec::vtInteger ? a.i : static_cast<long long>(a.u));
            ++i;
            return true;
        }
        bool any = false;
        value = 0;
        while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
            value = value * 10 + (f[i++] - '0');
            any = true;
        }
        return any;
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            out += f[i];
            continue;
        }
        ++i;
        if (i >= f.size()) badFormat(fmtText);
        if (f[i] == '%') {
            out += '%';
            continue;
        }
        // [index:]
        {
            std::size_t j = i;
            int index = 0;
            while (j < f.size() && f[j] >= '0' && f[j] <= '9') index = index * 10 + (f[j++] - '0');
            if (j > i && j < f.size() && f[j] == ':') {
                next = index;
                i = j + 1;
            }
        }
        bool left = false;
        if (i < f.size() && f[i] == '-') {
            left = true;
            ++i;
        }
        int width = -1, prec = -1;
        if (!number(i, width)) width = -1;
        if (i < f.size() && f[i] == '.') {
            ++i;
            if (!number(i, prec)) prec = 0;
        }
        if (i >= f.size()) badFormat(fmtText);
        char type = f[i];
        if (type >= 'A' && type <= 'Z') type = static_cast<char>(type + 32);
        const TVarRec& a = arg(next++);
        bool isInt = a.kind == TVarRec::vtInteger || a.kind == TVarRec::vtUnsigned;
        double fv = a.kind == TVarRec::vtFloat ? a.f
                    : a.kind == TVarRec::vtInteger ? static_cast<double>(a.i)
                                                   : static_cast<double>(a.u);
        std::string text;
        switch (type) {
            case 'd':
                if (!isInt) badFormat(fmtText);
                text = a.kind == TVarRec::vtInteger ? std::to_string(a.i) : std::to_string(a.u);
                if (prec >= 0) text = zeroPad(text, prec);
                break;
            case 'u': {
                if (!isInt) badFormat(fmtText);
                unsigned long long u = a.kind == TVarRec::vtUnsigned ? a.u
                                       : a.wide ? static_cast<unsigned long long>(a.i)
                                                : static_cast<unsigned long long>(static_cast<unsigned>(a.i));
                text = std::to_string(u);
                if (prec >= 0) text = zeroPad(text, prec);
                break;
            }
            case 'x': {
                if (!isInt) badFormat(fmtText);
                unsigned long long u = a.kind == TVarRec::vtUnsigned ? a.u
                                       : a.wide ? static_cast<unsigned long long>(a.i)
                                                : static_cast<unsigned long long>(static_cast<unsigned>(a.i));
                char buf[24];
                std::snprintf(buf, sizeof buf, "%llX", u);
                text = buf;
                if (prec >= 0) text = zeroPad(text, prec);
                break;
            }
            case 'f':
            case 'n':
            case 'e':
            case 'g':
            case 'm':
                if (a.kind == TVarRec::vtString || a.kind == TVarRec::vtPointer) badFormat(fmtText);
                if (type == 'f') text = FloatToStrF(fv, ffFixed, 15, prec < 0 ? 2 : prec, fs).str();
                else if (type == 'n') text = FloatToStrF(fv, ffNumber, 15, prec < 0 ? 2 : prec, fs).str();
                else if (type == 'e') text = FloatToStrF(fv, ffExponent, prec < 0 ? 15 : prec, 3, fs).str();
                else if (type == 'g') text = FloatToStrF(fv, ffGeneral, prec < 0 ? 15 : prec, 0, fs).str();
                else text = FloatToStrF(fv, ffCurrency, 15, prec < 0 ? fs.CurrencyDecimals : prec, fs).str();
                break;
            case 's':
                if (a.kind != TVarRec::vtString) badFormat(fmtText);
                text = a.s.str();
                if (prec >= 0) text = headChars(text, prec);
                break;
            case 'p': {
                if (a.kind != TVarRec::vtPointer) badFormat(fmtText);
                char buf[24];
                std::snprintf(buf, sizeof buf, "%016llX",
                              static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(a.p)));
                text = buf;
                break;
            }
            default:
                badFormat(fmtText);
        }
        int len = CharCount(text);
        if (width > len) {
            std::string padding(static_cast<std::size_t>(width - len), ' ');
            text = left ? text + padding : padding + text;
        }
        out += text;
    }
    return AnsiString(std::move(out));
}

std::uint64_t GetTickCount64() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

namespace {
std::mutex& tickSourceMutex() {
    static std::mutex m;
    return m;
}
std::function<std::uint32_t()>& tickSource() {
    static std::function<std::uint32_t()> f;
    return f;
}
std::atomic<bool> g_tickSourceSet{false};
}  // namespace

std::uint32_t GetTickCount() {
    if (g_tickSourceSet.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(tickSourceMutex());
        if (tickSource()) return tickSource()();
    }
    return static_cast<std::uint32_t>(GetTickCount64());
}

void SetTickCountSource(std::function<std::uint32_t()> source) {
    std::lock_guard<std::mutex> lock(tickSourceMutex());
    g_tickSourceSet.store(static_cast<bool>(source), std::memory_order_release);
    tickSource() = std::move(source);
}

void Sleep(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
