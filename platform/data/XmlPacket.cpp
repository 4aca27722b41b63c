// The XML data packet: the file form of a client dataset.
//
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//     <FIELD attrname="NPP" fieldtype="i4"/><FIELD attrname="Interval" fieldtype="string" WIDTH="50"/>
//   </FIELDS><PARAMS/></METADATA><ROWDATA>
//     <ROW NPP="1" Interval="07:00 - 19:00"/>
//   </ROWDATA></DATAPACKET>
//
// A row carries one attribute per non-null column. Numbers use a point; dates are written
// yyyymmdd, times hh:nn:ss (with milliseconds as three more digits when not zero), date-times
// yyyymmddThh:nn:ss; memos and blobs are base64. Files are written in UTF-8; a file that
// declares a Windows-1251 encoding, or declares none and is not valid UTF-8, is read as Windows-1251.
// A file that declares UTF-8 (or starts with its byte-order mark) must be valid UTF-8, and a character
// reference must name a character text may hold; anything else is refused.
#include "data/DBClient.h"

#include "data/DataInternal.h"
#include "rtl/MathUtils.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

namespace {

// ---- type names ------------------------------------------------------------------------------
struct TypeInfo {
    const char* fieldtype;
    const char* subtype;  // nullptr: none
};

TypeInfo typeInfoOf(TFieldType t) {
    switch (t) {
    case ftString: return {"string", nullptr};
    case ftFixedChar: return {"string", "FixedChar"};
    case ftWideString: return {"string.uni", nullptr};
    case ftSmallint: return {"i2", nullptr};
    case ftInteger: return {"i4", nullptr};
    case ftWord: return {"ui2", nullptr};
    case ftAutoInc: return {"i4", "Autoinc"};
    case ftLargeint: return {"i8", nullptr};
    case ftBoolean: return {"boolean", nullptr};
    case ftFloat: return {"r8", nullptr};
    case ftCurrency: return {"r8", "Money"};
    case ftBCD: return {"fixed", nullptr};
    case ftFMTBcd: return {"fixedFMT", nullptr};
    case ftDate: return {"date", nullptr};
    case ftTime: return {"time", nullptr};
    case ftDateTime: return {"dateTime", nullptr};
    case ftTimeStamp: return {"SQLdateTime", nullptr};
    case ftMemo: return {"bin.hex", "Text"};
    case ftFmtMemo: return {"bin.hex", "Formatted"};
    case ftGraphic: return {"bin.hex", "Graphics"};
    case ftBytes: return {"bytes", nullptr};
    case ftVarBytes: return {"bin.hex", "VarBytes"};
    default: return {"bin.hex", "Binary"};
    }
}

TFieldType fieldTypeOf(const std::string& type, const std::string& subtype) {
    auto ieq = [](const std::string& a, const char* b) { return SameText(a, b); };
    if (ieq(type, "string")) return ieq(subtype, "FixedChar") ? ftFixedChar : ftString;
    if (ieq(type, "string.uni")) return ftWideString;
    if (ieq(type, "i1") || ieq(type, "ui1") || ieq(type, "i2")) return ftSmallint;
    if (ieq(type, "ui2")) return ftWord;
    if (ieq(type, "i4")) return ieq(subtype, "Autoinc") ? ftAutoInc : ftInteger;
    if (ieq(type, "ui4")) return ftLargeint;
    if (ieq(type, "i8") || ieq(type, "ui8")) return ftLargeint;
    if (ieq(type, "boolean")) return ftBoolean;
    if (ieq(type, "r8") || ieq(type, "r4")) return ieq(subtype, "Money") ? ftCurrency : ftFloat;
    if (ieq(type, "fixed")) return ftBCD;
    if (ieq(type, "fixedFMT")) return ftFMTBcd;
    if (ieq(type, "date")) return ftDate;
    if (ieq(type, "time")) return ftTime;
    if (ieq(type, "dateTime")) return ftDateTime;
    if (ieq(type, "SQLdateTime")) return ftTimeStamp;
    if (ieq(type, "bytes")) return ftBytes;
    if (ieq(type, "bin.hex")) {
        if (ieq(subtype, "Text")) return ftMemo;
        if (ieq(subtype, "Formatted")) return ftFmtMemo;
        if (ieq(subtype, "Graphics")) return ftGraphic;
        if (ieq(subtype, "VarBytes")) return ftVarBytes;
        return ftBlob;
    }
    DatabaseError("The data packet has a column of unknown type '" + AnsiString(type) + "'");
}

// ---- base64 ------------------------------------------------------------------------------------
const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string toBase64(std::string_view in) {
    std::string out;
    std::size_t i = 0;
    while (i + 2 < in.size()) {
        unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                     static_cast<unsigned char>(in[i + 2]);
        out += kB64[v >> 18];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += kB64[v & 63];
        i += 3;
    }
    if (i < in.size()) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
        out += kB64[v >> 18];
        out += kB64[(v >> 12) & 63];
        out += i + 1 < in.size() ? kB64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string fromBase64(std::string_view in) {
    std::string out;
    unsigned acc = 0;
    int bits = 0;
    for (char c : in) {
        const char* p = c ? std::strchr(kB64, c) : nullptr;
        if (!p) continue;  // padding, line breaks
        acc = (acc << 6) | static_cast<unsigned>(p - kB64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

// ---- value texts -----------------------------------------------------------------------------
std::string doubleText(double d) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string pad(long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}

std::string dateText(TDateTime dt) {
    int y, m, d;
    DecodeDate(dt, y, m, d);
    return pad(y, 4) + pad(m, 2) + pad(d, 2);
}

std::string timeText(TDateTime dt) {
    int h, n, s, ms;
    DecodeTime(dt, h, n, s, ms);
    std::string out = pad(h, 2) + ":" + pad(n, 2) + ":" + pad(s, 2);
    if (ms) out += pad(ms, 3);
    return out;
}

bool parseDigits(std::string_view s, std::size_t at, std::size_t n, int& out) {
    if (at + n > s.size()) return false;
    out = 0;
    for (std::size_t k = at; k < at + n; ++k) {
        if (s[k] < '0' || s[k] > '9') return false;
        out = out * 10 + (s[k] - '0');
    }
    return true;
}

// "yyyymmdd", "yyyy-mm-dd", optionally followed by 'T' or ' ' and a time.
bool parseDate(std::string_view s, TDateTime& out, std::size_t& next) {
    int y, m, d;
    if (parseDigits(s, 0, 4, y) && parseDigits(s, 4, 2, m) && parseDigits(s, 6, 2, d)) next = 8;
    else if (s.size() >= 10 && s[4] == '-' && s[7] == '-' && parseDigits(s, 0, 4, y) && parseDigits(s, 5, 2, m) &&
             parseDigits(s, 8, 2, d))
        next = 10;
    else return false;
    return TryEncodeDate(y, m, d, out);
}

// "hh:nn:ss" with optional milliseconds ("zzz", ".zzz" or ",zzz").
bool parseTime(std::string_view s, TDateTime& out) {
    int h, n, sec = 0, ms = 0;
    if (!parseDigits(s, 0, 2, h) || s.size() < 5 || s[2] != ':' || !parseDigits(s, 3, 2, n)) return false;
    std::size_t k = 5;
    if (k < s.size() && s[k] == ':') {
        if (!parseDigits(s, k + 1, 2, sec)) return false;
        k += 3;
    }
    if (k < s.size() && (s[k] == '.' || s[k] == ',')) ++k;
    if (k < s.size()) {
        std::size_t digits = std::min<std::size_t>(3, s.size() - k);
        if (!parseDigits(s, k, digits, ms)) return false;
        for (std::size_t p = digits; p < 3; ++p) ms *= 10;
    }
    return TryEncodeTime(h, n, sec, ms, out);
}

bool parseDateTime(std::string_view s, TDateTime& out) {
    std::size_t next = 0;
    TDateTime d;
    if (!parseDate(s, d, next)) return false;
    if (next >= s.size()) {
        out = d;
        return true;
    }
    if (s[next] != 'T' && s[next] != 't' && s[next] != ' ') return false;
    TDateTime t;
    if (!parseTime(s.substr(next + 1), t)) return false;
    out = d + (d >= 0 ? t : -t);
    return true;
}

// ---- XML -------------------------------------------------------------------------------------
void appendEscaped(std::string& out, std::string_view v) {
    for (char c : v) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "&#";
                out += std::to_string(static_cast<unsigned char>(c));
                out += ';';
            } else {
                out += c;
            }
        }
    }
}

// The character of a reference "#123" or "#x1F" (without & and ;). Only a character a text may hold
// is taken: no NUL, no half of a surrogate pair, nothing beyond U+10FFFF, and digits only.
char32_t characterReference(std::string_view ent) {
    const bool hex = ent.size() > 1 && (ent[1] == 'x' || ent[1] == 'X');
    const std::string_view digits = ent.substr(hex ? 2 : 1);
    unsigned long long cp = 0;
    bool ok = !digits.empty() && digits.size() <= 10;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else {
            ok = false;
            break;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<unsigned>(d);
    }
    if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        DatabaseError("The data packet holds an invalid character reference '&" + AnsiString(std::string(ent)) + ";'");
    return static_cast<char32_t>(cp);
}

std::string unescape(std::string_view v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '&') {
            out += v[i];
            continue;
        }
        std::size_t semi = v.find(';', i);
        if (semi == std::string_view::npos) {
            out += v[i];
            continue;
        }
        std::string_view ent = v.substr(i + 1, semi - i - 1);
        if (ent == "amp") out += '&';
        else if (ent == "lt") out += '<';
        else if (ent == "gt") out += '>';
        else if (ent == "quot") out += '"';
        else if (ent == "apos") out += '\'';
        else if (!ent.empty() && ent[0] == '#') {
            AppendUtf8(out, characterReference(ent));
        } else {
            out.append(v.substr(i, semi - i + 1));
        }
        i = semi;
    }
    return out;
}

struct Tag {
    std::string name;
    std::map<std::string, std::string> attrs;
};

// Calls visit for every start (or empty) tag, in document order.
template <class F>
void scanTags(const std::string& xml, F visit) {
    std::size_t i = 0;
    while ((i = xml.find('<', i)) != std::string::npos) {
        if (xml.compare(i, 4, "<!--") == 0) {
            std::size_t e = xml.find("-->", i + 4);
            if (e == std::string::npos) DatabaseError("The data packet is not valid XML (an open comment)");
            i = e + 3;
            continue;
        }
        if (xml.compare(i, 2, "<?") == 0 || xml.compare(i, 2, "<!") == 0 || xml.compare(i, 2, "</") == 0) {
            std::size_t e = xml.find('>', i);
            if (e == std::string::npos) DatabaseError("The data packet is not valid XML (an open tag)");
            i = e + 1;
            continue;
        }
        std::size_t k = i + 1;
        Tag tag;
        while (k < xml.size() && !std::isspace(static_cast<unsigned char>(xml[k])) && xml[k] != '>' && xml[k] != '/')
            tag.name += xml[k++];
        for (;;) {
            while (k < xml.size() && std::isspace(static_cast<unsigned char>(xml[k]))) ++k;
            if (k >= xml.size()) DatabaseError("The data packet is not valid XML (an open tag)");
            if (xml[k] == '>' || xml[k] == '/') break;
            std::string attr;
            while (k < xml.size() && xml[k] != '=' && !std::isspace(static_cast<unsigned char>(xml[k])) && xml[k] != '>')
                attr += xml[k++];
            while (k < xml.size() && std::isspace(static_cast<unsigned char>(xml[k]))) ++k;
            if (k >= xml.size() || xml[k] != '=') DatabaseError("The data packet is not valid XML (attribute " + AnsiString(attr) + ")");
            ++k;
            while (k < xml.size() && std::isspace(static_cast<unsigned char>(xml[k]))) ++k;
            if (k >= xml.size() || (xml[k] != '"' && xml[k] != '\''))
                DatabaseError("The data packet is not valid XML (attribute " + AnsiString(attr) + ")");
            char q = xml[k++];
            std::size_t e = xml.find(q, k);
            if (e == std::string::npos) DatabaseError("The data packet is not valid XML (an open value)");
            tag.attrs[attr] = unescape(std::string_view(xml).substr(k, e - k));
            k = e + 1;
        }
        std::size_t close = xml.find('>', k);
        if (close == std::string::npos) DatabaseError("The data packet is not valid XML (an open tag)");
        visit(tag);
        i = close + 1;
    }
}

std::string attrOr(const Tag& t, const char* name) {
    for (const auto& [k, v] : t.attrs)
        if (SameText(k, name)) return v;
    return std::string();
}

}  // namespace

// ---- reading ---------------------------------------------------------------------------------
void ReadXmlDataPacket(const std::string& input, TDataPacket& packet) {
    std::string xml = input;
    const bool bom = xml.size() >= 3 && static_cast<unsigned char>(xml[0]) == 0xEF &&
                     static_cast<unsigned char>(xml[1]) == 0xBB && static_cast<unsigned char>(xml[2]) == 0xBF;
    if (bom) xml.erase(0, 3);
    // The declared encoding decides; without one, text that is not UTF-8 is an old Windows-1251 file.
    std::string declared;
    if (xml.compare(0, 5, "<?xml") == 0) {
        std::size_t e = xml.find("?>");
        std::string decl = xml.substr(0, e == std::string::npos ? 0 : e);
        std::size_t p = decl.find("encoding");
        if (p != std::string::npos) {
            std::size_t q = decl.find_first_of("\"'", p);
            if (q != std::string::npos) {
                std::size_t q2 = decl.find(decl[q], q + 1);
                if (q2 != std::string::npos) declared = decl.substr(q + 1, q2 - q - 1);
            }
        }
    }
    bool cp1251 = SameText(declared, "windows-1251") || SameText(declared, "cp1251") || SameText(declared, "win-1251");
    const bool utf8 = !cp1251 && (bom || SameText(declared, "UTF-8"));
    if (utf8) {
        // A file that says it is UTF-8 and is not would store bytes no text holds.
        if (!IsValidUtf8(xml)) DatabaseError("The data packet is not valid UTF-8 text");
    } else if (cp1251 || !IsValidUtf8(xml)) {
        xml = Cp1251ToUtf8(xml);
    }

    packet.FieldDefs.Clear();
    packet.Records.clear();
    bool sawPacket = false, inFields = false;
    std::vector<TFieldType> types;
    std::vector<std::string> names;
    TRecordArena arena;
    scanTags(xml, [&](const Tag& tag) {
        if (SameText(tag.name, "DATAPACKET")) {
            sawPacket = true;
        } else if (SameText(tag.name, "FIELDS")) {
            inFields = true;
        } else if (SameText(tag.name, "FIELD") && inFields) {
            std::string name = attrOr(tag, "attrname");
            if (name.empty()) DatabaseError("The data packet has a column without a name");
            TFieldType t = fieldTypeOf(attrOr(tag, "fieldtype"), attrOr(tag, "SUBTYPE"));
            int width = 0;
            std::string w = attrOr(tag, "WIDTH");
            if (!w.empty()) width = StrToIntDef(w, 0);
            if (t == ftWideString) width /= 2;
            TFieldDef* d = packet.FieldDefs.Add(name, t, 0, SameText(attrOr(tag, "required"), "true"));
            if (t == ftBCD || t == ftFMTBcd) {
                d->SetPrecision(width);
                d->SetSize(StrToIntDef(attrOr(tag, "DECIMALS"), 0));
            } else if (SlotKindOf(t) == skBytes && t != ftMemo && t != ftFmtMemo && t != ftBlob && t != ftGraphic) {
                d->SetSize(width);
            }
            if (SameText(attrOr(tag, "readonly"), "true")) d->SetAttributes(d->Attributes() | faReadonly);
            types.push_back(t);
            names.push_back(name);
        } else if (SameText(tag.name, "ROW")) {
            TRecordBuilder b(static_cast<int>(types.size()));
            for (std::size_t i = 0; i < types.size(); ++i) {
                auto it = tag.attrs.find(names[i]);
                if (it == tag.attrs.end()) continue;
                const std::string& v = it->second;
                const int col = static_cast<int>(i);
                auto bad = [&]() {
                    DatabaseError("The data packet's value '" + AnsiString(v) + "' does not suit column " + AnsiString(names[i]));
                };
                switch (types[i]) {
                case ftSmallint:
                case ftInteger:
                case ftWord:
                case ftAutoInc:
                case ftLargeint: {
                    long long x;
                    if (!TryStrToInt64(v, x)) bad();
                    b.SetInt(col, x);
                    break;
                }
                case ftBoolean: b.SetInt(col, SameText(v, "TRUE") || v == "1" ? 1 : 0); break;
                case ftFloat:
                case ftCurrency:
                case ftFMTBcd: {
                    double x;
                    if (!TryStrToFloat(v, x, TFormatSettings::Invariant())) bad();
                    b.SetFloat(col, x);
                    break;
                }
                case ftBCD: {
                    Currency c;
                    if (!TryStrToCurr(v, c, TFormatSettings::Invariant())) bad();
                    b.SetCurrency(col, c);
                    break;
                }
                case ftDate:
                case ftDateTime:
                case ftTimeStamp: {
                    TDateTime d;
                    if (!parseDateTime(v, d)) bad();
                    b.SetFloat(col, d);
                    break;
                }
                case ftTime: {
                    TDateTime t;
                    if (!parseTime(v, t)) bad();
                    b.SetFloat(col, t);
                    break;
                }
                case ftMemo:
                case ftFmtMemo:
                case ftBlob:
                case ftGraphic:
                case ftBytes:
                case ftVarBytes: b.SetBytes(col, fromBase64(v)); break;
                default: b.SetBytes(col, v); break;
                }
            }
            packet.Records.push_back(b.Build(arena));
        }
    });
    if (!sawPacket) DatabaseError("The file is not a data packet");
}

// ---- writing ---------------------------------------------------------------------------------
std::string WriteXmlDataPacket(const TFieldDefs& defs, const std::vector<TRecordPtr>& records) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    out += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    const int n = defs.Count();
    for (int i = 0; i < n; ++i) {
        const TFieldDef* d = defs.Items(i);
        TypeInfo ti = typeInfoOf(d->DataType());
        out += "<FIELD attrname=\"";
        appendEscaped(out, d->Name().str());
        out += "\" fieldtype=\"";
        out += ti.fieldtype;
        out += '"';
        if (d->DataType() == ftBCD || d->DataType() == ftFMTBcd) {
            out += " DECIMALS=\"" + std::to_string(d->Size()) + "\" WIDTH=\"" +
                   std::to_string(d->Precision() > 0 ? d->Precision() : 18) + "\"";
        } else if (d->DataType() == ftString || d->DataType() == ftFixedChar || d->DataType() == ftBytes) {
            out += " WIDTH=\"" + std::to_string(d->Size()) + "\"";
        } else if (d->DataType() == ftWideString) {
            out += " WIDTH=\"" + std::to_string(d->Size() * 2) + "\"";
        }
        if (ti.subtype) {
            out += " SUBTYPE=\"";
            out += ti.subtype;
            out += '"';
        }
        if (d->Required()) out += " required=\"true\"";
        if (d->Attributes() & faReadonly) out += " readonly=\"true\"";
        out += "/>";
    }
    out += "</FIELDS><PARAMS/></METADATA><ROWDATA>\n";
    for (const TRecordPtr& r : records) {
        out += "<ROW";
        for (int i = 0; i < n && i < r->FieldCount(); ++i) {
            if (r->IsNull(i)) continue;
            const TFieldDef* d = defs.Items(i);
            std::string v;
            auto num = [&]() -> double {
                switch (r->Kind(i)) {
                case skFloat: return r->Float(i);
                case skCurrency: return Currency::FromRaw(r->Int(i)).ToDouble();
                case skInteger: return static_cast<double>(r->Int(i));
                default: return StrToFloatDef(AnsiString(r->Bytes(i)), 0);
                }
            };
            switch (d->DataType()) {
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc:
            case ftLargeint:
                v = r->Kind(i) == skInteger ? std::to_string(r->Int(i)) : std::to_string(Round(num()));
                break;
            case ftBoolean: v = num() != 0 ? "TRUE" : "FALSE"; break;
            case ftFloat:
            case ftCurrency:
            case ftFMTBcd: v = doubleText(num()); break;
            case ftBCD:
                v = r->Kind(i) == skCurrency ? CurrToStr(Currency::FromRaw(r->Int(i)), TFormatSettings::Invariant()).str()
                                             : doubleText(num());
                break;
            case ftDate: v = dateText(num()); break;
            case ftTime: v = timeText(num()); break;
            case ftDateTime:
            case ftTimeStamp: v = dateText(num()) + "T" + timeText(num()); break;
            case ftMemo:
            case ftFmtMemo:
            case ftBlob:
            case ftGraphic:
            case ftBytes:
            case ftVarBytes: v = toBase64(r->Bytes(i)); break;
            default: v = std::string(r->Bytes(i)); break;
            }
            out += ' ';
            appendEscaped(out, d->Name().str());
            out += "=\"";
            appendEscaped(out, v);
            out += '"';
        }
        out += "/>\n";
    }
    out += "</ROWDATA></DATAPACKET>\n";
    return out;
}
