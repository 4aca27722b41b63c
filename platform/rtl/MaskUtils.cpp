#include "rtl/MaskUtils.h"

#include "rtl/SysUtils.h"

#include <string>
#include <vector>

namespace {

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

// UTF-8 characters of s, one string each.
std::vector<std::string> chars(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > s.size()) len = 1;
        out.push_back(s.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace

bool MaskGetMaskSave(const AnsiString& editMask) { return split(editMask.str()).save; }
char MaskGetMaskBlank(const AnsiString& editMask) { return split(editMask.str()).blank; }

AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value) {
    MaskParts m = split(editMask.str());
    if (m.pattern.empty()) return value;
    const TFormatSettings& fs = FormatSettings();
    std::vector<std::string> text = chars(value.str());
    std::size_t vi = 0;
    enum { AsTyped, Upper, Lower } caseMode = AsTyped;
    std::string out;
    auto literal = [&](const std::string& lit) {
        out += lit;
        if (m.save && vi < text.size() && text[vi] == lit) ++vi;
    };
    for (std::size_t i = 0; i < m.pattern.size(); ++i) {
        char c = m.pattern[i];
        switch (c) {
        case '\\':
            if (i + 1 < m.pattern.size()) {
                // the escaped character may be the first byte of a UTF-8 character
                std::size_t start = ++i;
                unsigned char b = static_cast<unsigned char>(m.pattern[start]);
                std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 4;
                literal(m.pattern.substr(start, len));
                i = start + len - 1;
            }
            break;
        case '>':
            caseMode = Upper;
            break;
        case '<':
            if (i + 1 < m.pattern.size() && m.pattern[i + 1] == '>') {
                caseMode = AsTyped;
                ++i;
            } else {
                caseMode = Lower;
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
        case '#':
            if (vi < text.size()) {
                AnsiString ch(text[vi++]);
                if (caseMode == Upper) ch = AnsiUpperCase(ch);
                else if (caseMode == Lower) ch = AnsiLowerCase(ch);
                out += ch.str();
            } else {
                out += m.blank;
            }
            break;
        default: {
            unsigned char b = static_cast<unsigned char>(c);
            std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 4;
            literal(m.pattern.substr(i, len));
            i += len - 1;
        }
        }
    }
    return AnsiString(out);
}
