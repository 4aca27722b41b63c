#include "links/PufRecords.h"

#include "rtl/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

// Refused records are reported with at most this much of their text.
constexpr int kReportedRecordLength = 200;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number as SQL writes one: sign, digits with at most one point, an optional exponent.
bool IsNumberLiteral(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == s.size();
}

// A text in single quotes whose inner quotes are doubled; the text without them.
bool UnquoteText(const std::string& s, std::string& out) {
    if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return false;
    out.clear();
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == '\'') {
            if (i + 2 < s.size() && s[i + 1] == '\'') {
                out += '\'';
                ++i;
                continue;
            }
            return false;
        }
        out += s[i];
    }
    return true;
}

AnsiString ValueSql(const TPufPair& p, const AnsiString& param) {
    return p.kind == TPufPair::Now ? AnsiString("Now()") : ":" + param;
}

}  // namespace

bool PufHasLineBreak(const AnsiString& text) {
    return text.str().find_first_of("\r\n") != std::string::npos;
}

// A text from the controller as the event log shows it: one line, and not too long.
AnsiString PufClipText(const AnsiString& text) {
    std::string s = text.str();
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    const AnsiString one(s);
    return one.Length() > kReportedRecordLength ? one.SubString(1, kReportedRecordLength) + "..." : one;
}

bool TryDecimalToInt(const AnsiString& text, int& value) {
    const std::string& s = text.str();
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

bool PufCheckPair(const AnsiString& piece, const std::vector<TPufColumn>& columns, TPufPair& p, AnsiString& why) {
    p = TPufPair();
    why = AnsiString();
    const int eq = piece.Pos("=");
    if (eq == 0) {
        why = "нет знака =";
        return false;
    }
    const AnsiString name = piece.SubString(1, eq - 1).Trim();
    const std::string value = piece.SubString(eq + 1, piece.Length()).Trim().str();
    const TPufColumn* col = nullptr;
    for (const TPufColumn& c : columns)
        if (SameText(c.name, name)) col = &c;
    if (!col) {
        why = "нет столбца " + PufClipText(name);
        return false;
    }
    p.column = col->name;
    std::string text;
    if (SameText(value, "NULL")) {
        p.kind = TPufPair::Null;
    } else if (SameText(value, "Now()")) {
        p.kind = TPufPair::Now;
    } else if (IsNumberLiteral(value)) {
        p.kind = TPufPair::Number;
        p.value = value;
    } else if (UnquoteText(value, text)) {
        p.kind = TPufPair::Text;
        p.value = text;
    } else {
        why = "значение " + p.column + " не является литералом";
        return false;
    }
    // What the column can hold: the server would store anything else as a zero or a zero date.
    switch (col->kind) {
        case TPufColumn::Number:
            if (p.kind == TPufPair::Text && IsNumberLiteral(p.value.Trim().str())) {
                p.kind = TPufPair::Number;
                p.value = p.value.Trim();
            }
            if (p.kind == TPufPair::Text || p.kind == TPufPair::Now) {
                why = "не число для столбца " + p.column;
                return false;
            }
            break;
        case TPufColumn::Moment:
            if (p.kind == TPufPair::Number) {
                why = "не время для столбца " + p.column;
                return false;
            }
            if (p.kind == TPufPair::Text) {
                if (!PufReadMoment(p.value, p.moment)) {
                    why = "неверное время для столбца " + p.column;
                    return false;
                }
                p.isMoment = true;
            }
            break;
        case TPufColumn::Text: break;
    }
    if (p.kind == TPufPair::Null && !col->nullable) {
        why = "пустое значение для столбца " + p.column;
        return false;
    }
    return true;
}

void PufCheckPairs(const AnsiString& record, const std::vector<TPufColumn>& columns, std::vector<TPufPair>& pairs,
                   std::vector<TPufRefusedPair>& refused) {
    pairs.clear();
    refused.clear();
    const std::string& s = record.str();
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(',', start);
        if (end == std::string::npos) end = s.size();
        const AnsiString piece(s.substr(start, end - start));
        start = end + 1;
        if (piece.Pos("=") == 0) continue;
        TPufPair p;
        AnsiString why;
        if (PufCheckPair(piece, columns, p, why))
            pairs.push_back(std::move(p));
        else
            refused.push_back({piece.Trim(), why});
    }
}

AnsiString PufStateUpdateSql(const std::vector<TPufPair>& pairs) {
    AnsiString sql = "UPDATE puf_state\r\nSET ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) sql += ", ";
        sql += pairs[i].column + " = " + ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return sql;
}

AnsiString PufDataExistsSql(const TPufPair& key) {
    return "select count(*) as Rez from puf_data where " + key.column + " = " + ValueSql(key, "k");
}

AnsiString PufDataUpdateSql(const std::vector<TPufPair>& pairs, const TPufPair& key) {
    AnsiString sql = "UPDATE puf_data SET ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) sql += ", ";
        sql += pairs[i].column + " = " + ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return sql + "\r\nWHERE " + key.column + " = " + ValueSql(key, "k");
}

AnsiString PufDataInsertSql(const std::vector<TPufPair>& pairs) {
    AnsiString names = " (";
    AnsiString values = " VALUES ( ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) {
            names += ", ";
            values += ", ";
        }
        names += pairs[i].column;
        values += ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return "INSERT into puf_data\r\n" + names + " ) " + values + " ) ";
}

AnsiString PufSaveFlagKey(const AnsiString& record) {
    const int comma = record.Pos(",");
    const AnsiString key = comma > 0 ? record.SubString(1, comma - 1) : record;
    const int eq = key.Pos("=");
    if (eq == 0) return AnsiString();
    AnsiString v = key.SubString(eq + 1, key.Length()).Trim();
    if (!v.IsEmpty() && v[1] == '\'') v.Delete(1, 1);
    if (!v.IsEmpty() && v.LastChar() == '\'') v.SetLength(v.Length() - 1);
    return v.Trim();
}

bool PufReadMoment(const AnsiString& text, TDateTime& out) {
    const std::string s = text.Trim().str();
    std::size_t i = 0;
    // Up to max digits; how many were read.
    auto number = [&](std::size_t max, int& v) {
        std::size_t n = 0;
        v = 0;
        while (i < s.size() && n < max && IsDigit(s[i])) v = v * 10 + (s[i++] - '0'), ++n;
        return n;
    };
    auto delimiter = [&] {
        if (i < s.size() && std::ispunct(static_cast<unsigned char>(s[i]))) {
            ++i;
            return true;
        }
        return false;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0, ms = 0;
    const bool allDigits = !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
    if (allDigits && (s.size() == 8 || s.size() == 14)) {
        number(4, y);
        number(2, mo);
        number(2, d);
        if (s.size() == 14) {
            number(2, h);
            number(2, mi);
            number(2, se);
        }
    } else {
        const std::size_t yearDigits = number(4, y);
        if (yearDigits == 2)
            y += y < 70 ? 2000 : 1900;
        else if (yearDigits != 4)
            return false;
        if (!delimiter() || number(2, mo) == 0 || !delimiter() || number(2, d) == 0) return false;
        if (i < s.size()) {
            if (s[i] == 'T') {
                ++i;
            } else if (s[i] == ' ') {
                while (i < s.size() && s[i] == ' ') ++i;
            } else {
                return false;
            }
            if (number(2, h) == 0 || !delimiter() || number(2, mi) == 0) return false;
            if (i < s.size() && delimiter()) {
                if (number(2, se) == 0) return false;
                if (i < s.size() && s[i] == '.') {
                    ++i;
                    int scale = 100;
                    const std::size_t start = i;
                    while (i < s.size() && IsDigit(s[i])) {
                        ms += (s[i++] - '0') * scale;
                        scale /= 10;
                    }
                    if (i == start) return false;
                }
            }
        }
        if (i != s.size()) return false;
    }
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, se, ms, time)) return false;
    out = date + time;
    return true;
}

bool PufParseLogRecord(const AnsiString& record, TPufLogRecord& out, AnsiString& why) {
    out = TPufLogRecord();
    const std::string& s = record.str();
    const std::size_t t1 = s.find('\t');
    const std::size_t t2 = t1 == std::string::npos ? std::string::npos : s.find('\t', t1 + 1);
    if (t2 == std::string::npos) {
        why = "нет разделителей";
        return false;
    }
    out.id = AnsiString(s.substr(0, t1)).Trim();
    out.moment = AnsiString(s.substr(t1 + 1, t2 - t1 - 1)).Trim();
    out.message = AnsiString(s.substr(t2 + 1));
    if (out.id.IsEmpty()) {
        why = "нет номера";
        return false;
    }
    // The id goes back to the controller in DeleteLogRec: a line break would end that request early.
    if (PufHasLineBreak(out.id)) {
        why = "номер с переводом строки";
        return false;
    }
    out.momentRead = PufReadMoment(out.moment, out.postMoment);
    return true;
}
