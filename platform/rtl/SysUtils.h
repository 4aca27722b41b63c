// Exceptions, format settings and the string and number routines of the runtime.
#pragma once

#include "rtl/AnsiString.h"

#include <cstdint>
#include <functional>
#include <stdexcept>

// ---- Exceptions --------------------------------------------------------------------------------
// Every error of the platform and of the system derives from Exception, which carries a message.
// An exception that escapes an event handler is shown by the application in a message box and the
// message loop goes on.
class Exception : public std::exception {
public:
    explicit Exception(const AnsiString& msg) : message_(msg) {}
    const AnsiString& Message() const noexcept { return message_; }
    void SetMessage(const AnsiString& m) { message_ = m; }
    const char* what() const noexcept override { return message_.c_str(); }
    virtual AnsiString ClassName() const { return "Exception"; }

private:
    AnsiString message_;
};

#define PLANTMON_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                           \
    public:                                                              \
        using Base::Base;                                                \
        AnsiString ClassName() const override { return #Name; }          \
    }

PLANTMON_EXCEPTION(EConvertError, Exception);
PLANTMON_EXCEPTION(ERangeError, Exception);
PLANTMON_EXCEPTION(EMathError, Exception);
PLANTMON_EXCEPTION(EInvalidOp, EMathError);
PLANTMON_EXCEPTION(EZeroDivide, EMathError);
PLANTMON_EXCEPTION(EOverflow, EMathError);
PLANTMON_EXCEPTION(EDivByZero, Exception);
PLANTMON_EXCEPTION(EIntOverflow, Exception);
PLANTMON_EXCEPTION(EAbstractError, Exception);
// A failed class typecast ("Invalid class typecast").
PLANTMON_EXCEPTION(EInvalidCast, Exception);
PLANTMON_EXCEPTION(EInvalidOperation, Exception);
PLANTMON_EXCEPTION(EInvalidPointer, Exception);
PLANTMON_EXCEPTION(EListError, Exception);
PLANTMON_EXCEPTION(EStringListError, EListError);
PLANTMON_EXCEPTION(EStreamError, Exception);
PLANTMON_EXCEPTION(EFCreateError, EStreamError);
PLANTMON_EXCEPTION(EFOpenError, EStreamError);
PLANTMON_EXCEPTION(EReadError, EStreamError);
PLANTMON_EXCEPTION(EWriteError, EStreamError);
PLANTMON_EXCEPTION(EFilerError, EStreamError);
PLANTMON_EXCEPTION(EPropertyError, Exception);
PLANTMON_EXCEPTION(EInOutError, Exception);
PLANTMON_EXCEPTION(EOutOfResources, Exception);
PLANTMON_EXCEPTION(EVariantError, Exception);
PLANTMON_EXCEPTION(EVariantTypeCastError, EVariantError);
PLANTMON_EXCEPTION(EComponentError, Exception);

// Silent exception: unwinds like any other but the application shows no message for it.
PLANTMON_EXCEPTION(EAbort, Exception);
[[noreturn]] void Abort();

// ---- Format settings ---------------------------------------------------------------------------
// Russian defaults: decimal ',' thousands U+00A0, dates "dd.mm.yyyy". Tests may change the global.
struct TFormatSettings {
    char DecimalSeparator = ',';
    AnsiString ThousandSeparator = "\xC2\xA0";  // no-break space (UTF-8)
    char DateSeparator = '.';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "dd.mm.yyyy";
    AnsiString LongDateFormat = "d mmmm yyyy 'г.'";
    AnsiString ShortTimeFormat = "h:nn";
    AnsiString LongTimeFormat = "h:nn:ss";
    AnsiString TimeAMString = "";
    AnsiString TimePMString = "";
    AnsiString CurrencyString = "р.";
    unsigned char CurrencyFormat = 3;  // "1 р."
    unsigned char NegCurrFormat = 8;   // "-1 р."
    unsigned char CurrencyDecimals = 2;
    AnsiString ShortMonthNames[12] = {"янв", "фев", "мар", "апр", "май", "июн",
                                      "июл", "авг", "сен", "окт", "ноя", "дек"};
    AnsiString LongMonthNames[12] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                     "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    AnsiString ShortDayNames[7] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    AnsiString LongDayNames[7] = {"воскресенье", "понедельник", "вторник", "среда",
                                  "четверг",     "пятница",     "суббота"};
    static TFormatSettings Russian() { return TFormatSettings(); }
    // A point as decimal separator, no thousands separator: for texts that go to controllers and SQL.
    static TFormatSettings Invariant();
};

// The process-wide settings ("the Windows user locale").
TFormatSettings& FormatSettings();

// Script traits of the locale: neither right-to-left nor double-byte text here.
struct TSysLocale {
    bool FarEast = false;
    bool MiddleEast = false;
};
inline constexpr TSysLocale SysLocale{};

// ---- Strings -----------------------------------------------------------------------------------
AnsiString Trim(const AnsiString& s);
AnsiString TrimLeft(const AnsiString& s);
AnsiString TrimRight(const AnsiString& s);
AnsiString UpperCase(const AnsiString& s);       // ASCII only
AnsiString LowerCase(const AnsiString& s);
AnsiString AnsiUpperCase(const AnsiString& s);   // Cyrillic too
AnsiString AnsiLowerCase(const AnsiString& s);
int CompareStr(const AnsiString& a, const AnsiString& b);
int CompareText(const AnsiString& a, const AnsiString& b);           // ASCII case-insensitive
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);        // locale collation
int AnsiCompareText(const AnsiString& a, const AnsiString& b);       // locale collation, ignoring case
// The number of characters (code points) of a text; Length() counts its bytes.
int CharCount(const AnsiString& s);
// The same on the first maxLen characters of both texts only (a prefix compare).
int AnsiStrLComp(const AnsiString& a, const AnsiString& b, int maxLen);
int AnsiStrLIComp(const AnsiString& a, const AnsiString& b, int maxLen);
bool SameText(const AnsiString& a, const AnsiString& b);
bool AnsiSameText(const AnsiString& a, const AnsiString& b);
int Pos(const AnsiString& sub, const AnsiString& s);
int AnsiPos(const AnsiString& sub, const AnsiString& s);
AnsiString StringReplace(const AnsiString& s, const AnsiString& from, const AnsiString& to, bool all = true,
                         bool ignoreCase = false);
AnsiString QuotedStr(const AnsiString& s);
AnsiString AnsiQuotedStr(const AnsiString& s, char quote);
AnsiString AnsiExtractQuotedStr(const AnsiString& s, char quote);
AnsiString StringOfChar(char c, int count);
AnsiString WrapText(const AnsiString& s, int maxCol);

// ---- Integers ----------------------------------------------------------------------------------
AnsiString IntToStr(long long v);
AnsiString IntToHex(long long v, int digits);  // upper case, grows past digits
// Decimal with sign and leading blanks, "$" / "0x" hex; 8 hex digits wrap to negative.
// Bad text raises EConvertError ("'abc' is not a valid integer value" in Russian).
int StrToInt(const AnsiString& s);
long long StrToInt64(const AnsiString& s);
int StrToIntDef(const AnsiString& s, int def);
long long StrToInt64Def(const AnsiString& s, long long def);
bool TryStrToInt(const AnsiString& s, int& out);
bool TryStrToInt64(const AnsiString& s, long long& out);

// ---- Floats ------------------------------------------------------------------------------------
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
AnsiString FloatToStr(double v);
AnsiString FloatToStr(double v, const TFormatSettings& fs);
AnsiString FloatToStrF(double v, TFloatFormat format, int precision, int digits);
AnsiString FloatToStrF(double v, TFloatFormat format, int precision, int digits, const TFormatSettings& fs);
AnsiString FormatFloat(const AnsiString& fmt, double v);
AnsiString FormatFloat(const AnsiString& fmt, double v, const TFormatSettings& fs);
double StrToFloat(const AnsiString& s);
double StrToFloat(const AnsiString& s, const TFormatSettings& fs);
double StrToFloatDef(const AnsiString& s, double def);
bool TryStrToFloat(const AnsiString& s, double& out);
bool TryStrToFloat(const AnsiString& s, double& out, const TFormatSettings& fs);
bool TextToFloat(const AnsiString& s, double& out, const TFormatSettings& fs);

// ---- Booleans ----------------------------------------------------------------------------------
AnsiString BoolToStr(bool b, bool useBoolStrs = false);
bool StrToBool(const AnsiString& s);
bool StrToBoolDef(const AnsiString& s, bool def);

// ---- Format --------------------------------------------------------------------------------------
// Format("%d items in %s", n, name): "%" [index ":"] ["-"] [width] ["." precision] type, with
// width and precision also given as "*" (taken from the arguments). Types:
//   d  decimal integer (precision = least digits, zero-padded)   u  unsigned decimal
//   x  upper-case hexadecimal (precision = least digits)         s  text (precision = most characters)
//   f  fixed, precision 2 by default   n  like f with thousands separators   e  scientific, precision 15
//   g  general, precision 15           m  money (the locale's currency format)   p  pointer
// Widths count characters, not bytes; padding is always blanks ("%03d" pads with blanks, as the class
// library does; "%.3d" gives zeros). Integers are accepted where a float is asked for. A missing or
// unsuitable argument raises EConvertError.
struct TVarRec {
    enum Kind { vtInteger, vtUnsigned, vtFloat, vtString, vtPointer } kind = vtInteger;
    long long i = 0;
    unsigned long long u = 0;
    double f = 0;
    AnsiString s;
    const void* p = nullptr;
    bool wide = false;  // a 64-bit integer (a negative 32-bit one shows as 32 bits in %u and %x)

    TVarRec(int v) : kind(vtInteger), i(v) {}
    TVarRec(long v) : kind(vtInteger), i(v), wide(sizeof(long) > 4) {}
    TVarRec(long long v) : kind(vtInteger), i(v), wide(true) {}
    TVarRec(short v) : kind(vtInteger), i(v) {}
    TVarRec(unsigned v) : kind(vtUnsigned), u(v) {}
    TVarRec(unsigned long v) : kind(vtUnsigned), u(v), wide(sizeof(long) > 4) {}
    TVarRec(unsigned long long v) : kind(vtUnsigned), u(v), wide(true) {}
    TVarRec(unsigned short v) : kind(vtUnsigned), u(v) {}
    TVarRec(unsigned char v) : kind(vtUnsigned), u(v) {}
    TVarRec(bool v) : kind(vtInteger), i(v ? 1 : 0) {}
    TVarRec(double v) : kind(vtFloat), f(v) {}
    TVarRec(float v) : kind(vtFloat), f(v) {}
    TVarRec(long double v) : kind(vtFloat), f(static_cast<double>(v)) {}
    TVarRec(char c) : kind(vtString), s(c) {}
    TVarRec(const char* v) : kind(vtString), s(v) {}
    TVarRec(char* v) : kind(vtString), s(v) {}
    TVarRec(const std::string& v) : kind(vtString), s(v) {}
    TVarRec(std::string_view v) : kind(vtString), s(v) {}
    TVarRec(const AnsiString& v) : kind(vtString), s(v) {}
    TVarRec(const void* v) : kind(vtPointer), p(v) {}
    TVarRec(std::nullptr_t) : kind(vtPointer), p(nullptr) {}
};

AnsiString FormatV(const AnsiString& fmt, const TVarRec* args, int count);
AnsiString FormatV(const AnsiString& fmt, const TVarRec* args, int count, const TFormatSettings& fs);

template <class... Args>
AnsiString Format(const AnsiString& fmt, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return FormatV(fmt, nullptr, 0);
    } else {
        const TVarRec recs[] = {TVarRec(args)...};
        return FormatV(fmt, recs, static_cast<int>(sizeof...(Args)));
    }
}

// ---- Ticks and sleeping --------------------------------------------------------------------------
// Milliseconds of a monotonic clock: GetTickCount wraps after 49.7 days like its Windows namesake
// (compute differences in unsigned arithmetic); GetTickCount64 does not wrap.
std::uint32_t GetTickCount();
std::uint64_t GetTickCount64();
// Tests give GetTickCount a clock of their own; an empty function restores the real one.
void SetTickCountSource(std::function<std::uint32_t()> source);
void Sleep(unsigned milliseconds);
