#include "rtl/MaskUtils.h"

#include "rtl/SysUtils.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::size_t utf8Length(unsigned char b) { return b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1; }

// The pattern and its two option sections; ';' inside the pattern is escaped with '\'.
struct MaskParts {
    std::string pattern;
    bool save = true;
    char blank = '_';
};

MaskParts split(const std::string& m) {
    MaskParts p;
    std::size_t i = 0;
    for (; i < m.size(); ++i) {
        if (m[i] == '\\' && i + 1 < m.size()) {
            p.pattern += m[i];
            p.pattern += m[++i];
            continue;
        }
        if (m[i] == ';') break;
        p.pattern += m[i];
    }
    if (i < m.size()) {
        ++i;
        if (i < m.size() && m[i] != ';') p.save = m[i] != '0';
        std::size_t semi = m.find(';', i);
        if (semi != std::string::npos && semi + 1 < m.size()) p.blank = m[semi + 1];
    }
    return p;
}

bool isDigit(const std::string& ch) { return ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9'; }

// A letter is a character with an upper and a lower case (Latin, Cyrillic, ...).
bool isLetter(const std::string& ch) {
    if (ch.size() == 1) {
        char c = ch[0];
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    AnsiString s(ch);
    return AnsiUpperCase(s) != AnsiLowerCase(s);
}

}  // namespace

std::vector<std::string> Utf8Chars(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = utf8Length(static_cast<unsigned char>(s[i]));
        if (i + len > s.size()) len = 1;
        out.push_back(s.substr(i, len));
        i += len;
    }
    return out;
}

bool MaskGetMaskSave(const AnsiString& editMask) { return split(editMask.str()).save; }
char MaskGetMaskBlank(const AnsiString& editMask) { return split(editMask.str()).blank; }

TEditMaskPattern::TEditMaskPattern(const AnsiString& editMask) {
    MaskParts m = split(editMask.str());
    save_ = m.save;
    blank_ = m.blank;
    const TFormatSettings& fs = FormatSettings();
    Case letterCase = Case::AsTyped;
    auto literal = [&](std::string text) {
        Position p;
        p.literal = true;
        p.text = std::move(text);
        positions_.push_back(std::move(p));
    };
    const std::string& pat = m.pattern;
    for (std::size_t i = 0; i < pat.size(); ++i) {
        char c = pat[i];
        switch (c) {
        case '\\':
            if (i + 1 < pat.size()) {
                std::size_t len = utf8Length(static_cast<unsigned char>(pat[i + 1]));
                literal(pat.substr(i + 1, len));
                i += len;
            }
            break;
        case '>': letterCase = Case::Upper; break;
        case '<':
            if (i + 1 < pat.size() && pat[i + 1] == '>') {
                letterCase = Case::AsTyped;
                ++i;
            } else {
                letterCase = Case::Lower;
            }
            break;
        case '!': break;
        case ':': literal(std::string(1, fs.TimeSeparator)); break;
        case '/': literal(std::string(1, fs.DateSeparator)); break;
        case '_': literal(" "); break;
        case 'L':
        case 'l':
        case 'A':
        case 'a':
        case 'C':
        case 'c':
        case '0':
        case '9':
        case '#': {
            Position p;
            p.kind = c;
            p.letterCase = letterCase;
            positions_.push_back(p);
            break;
        }
        default: {
            std::size_t len = utf8Length(static_cast<unsigned char>(c));
            literal(pat.substr(i, len));
            i += len - 1;
        }
        }
    }
}

bool TEditMaskPattern::IsLiteral(int pos) const {
    return pos >= 0 && pos < Count() && positions_[static_cast<std::size_t>(pos)].literal;
}

const std::string& TEditMaskPattern::Literal(int pos) const { return positions_.at(static_cast<std::size_t>(pos)).text; }

bool TEditMaskPattern::IsRequired(int pos) const {
    if (pos < 0 || pos >= Count()) return false;
    const Position& p = positions_[static_cast<std::size_t>(pos)];
    return !p.literal && (p.kind == 'L' || p.kind == 'A' || p.kind == 'C' || p.kind == '0');
}

std::string TEditMaskPattern::Accept(int pos, const std::string& ch) const {
    if (pos < 0 || pos >= Count() || ch.empty()) return {};
    const Position& p = positions_[static_cast<std::size_t>(pos)];
    if (p.literal) return {};
    bool ok = false;
    switch (p.kind) {
    case 'L':
    case 'l': ok = isLetter(ch); break;
    case 'A':
    case 'a': ok = isLetter(ch) || isDigit(ch); break;
    case 'C':
    case 'c': ok = static_cast<unsigned char>(ch[0]) >= 32; break;
    case '0':
    case '9': ok = isDigit(ch); break;
    case '#': ok = isDigit(ch) || ch == "+" || ch == "-"; break;
    default: break;
    }
    if (!ok) return {};
    if (p.letterCase == Case::Upper) return AnsiUpperCase(AnsiString(ch)).str();
    if (p.letterCase == Case::Lower) return AnsiLowerCase(AnsiString(ch)).str();
    return ch;
}

int TEditMaskPattern::NextInput(int pos) const {
    if (pos < 0) pos = 0;
    while (pos < Count() && positions_[static_cast<std::size_t>(pos)].literal) ++pos;
    return pos;
}

int TEditMaskPattern::PriorInput(int pos) const {
    for (int i = std::min(pos, Count()) - 1; i >= 0; --i)
        if (!positions_[static_cast<std::size_t>(i)].literal) return i;
    return -1;
}

std::vector<std::string> TEditMaskPattern::EditChars(const AnsiString& value) const {
    std::vector<std::string> text = Utf8Chars(value.str());
    std::vector<std::string> out;
    out.reserve(positions_.size());
    std::size_t vi = 0;
    for (int i = 0; i < Count(); ++i) {
        const Position& p = positions_[static_cast<std::size_t>(i)];
        if (p.literal) {
            out.push_back(p.text);
            if (save_ && vi < text.size() && text[vi] == p.text) ++vi;
            continue;
        }
        std::string ch;
        if (vi < text.size()) {
            const std::string& v = text[vi++];
            if (v != std::string(1, blank_) && v != " ") ch = Accept(i, v);
        }
        out.push_back(ch.empty() ? std::string(1, blank_) : ch);
    }
    return out;
}

AnsiString TEditMaskPattern::TextOf(const std::vector<std::string>& editChars) const {
    std::string out;
    for (int i = 0; i < Count() && i < static_cast<int>(editChars.size()); ++i) {
        const Position& p = positions_[static_cast<std::size_t>(i)];
        if (p.literal) {
            if (save_) out += p.text;
            continue;
        }
        const std::string& ch = editChars[static_cast<std::size_t>(i)];
        out += ch == std::string(1, blank_) ? std::string(" ") : ch;
    }
    return AnsiString(out);
}

int TEditMaskPattern::FirstMissing(const std::vector<std::string>& editChars) const {
    for (int i = 0; i < Count(); ++i) {
        if (!IsRequired(i)) continue;
        if (i >= static_cast<int>(editChars.size())) return i;
        const std::string& ch = editChars[static_cast<std::size_t>(i)];
        if (ch == std::string(1, blank_) || ch == " ") return i;
    }
    return -1;
}

AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value) {
    TEditMaskPattern m(editMask);
    if (m.Empty()) return value;
    std::string out;
    for (const std::string& ch : m.EditChars(value)) out += ch;
    return AnsiString(out);
}
