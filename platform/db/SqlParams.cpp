#include "db/SqlParams.h"

#include "rtl/SysUtils.h"

namespace {

bool isNameStart(unsigned char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; }
bool isNameChar(unsigned char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

// Index just past the literal that starts at i with quote q. A backslash escapes the next byte and a
// doubled quote stands for one quote, as the server reads literals in the session's sql_mode.
std::size_t skipQuoted(const std::string& s, std::size_t i, char q) {
    std::size_t n = s.size();
    ++i;
    while (i < n) {
        char c = s[i];
        if (c == '\\' && q != '`') {
            i += 2;
            continue;
        }
        if (c == q) {
            if (i + 1 < n && s[i + 1] == q) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;  // an unterminated literal runs to the end; the server reports the syntax error
}

}  // namespace

TSqlParamScan ScanSqlParams(const AnsiString& sqlText) {
    const std::string& s = sqlText.str();
    TSqlParamScan out;
    out.Sql.reserve(s.size());
    std::size_t n = s.size(), i = 0;
    while (i < n) {
        char c = s[i];
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t e = skipQuoted(s, i, c);
            out.Sql.append(s, i, e - i);
            i = e;
        } else if (c == '#' || (c == '-' && i + 1 < n && s[i + 1] == '-' &&
                                (i + 2 == n || static_cast<unsigned char>(s[i + 2]) <= ' '))) {
            std::size_t e = s.find('\n', i);
            e = (e == std::string::npos) ? n : e;
            out.Sql.append(s, i, e - i);
            i = e;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            std::size_t e = s.find("*/", i + 2);
            e = (e == std::string::npos) ? n : e + 2;
            out.Sql.append(s, i, e - i);
            i = e;
        } else if (c == ':') {
            if (i + 1 < n && s[i + 1] == ':') {
                out.Sql += ':';
                i += 2;
            } else if (i + 1 < n && isNameStart(static_cast<unsigned char>(s[i + 1]))) {
                std::size_t e = i + 1;
                while (e < n && isNameChar(static_cast<unsigned char>(s[e]))) ++e;
                out.Names.emplace_back(s.substr(i + 1, e - i - 1));
                out.Sql += '?';
                i = e;
            } else {
                out.Sql += ':';
                ++i;
            }
        } else {
            out.Sql += c;
            ++i;
        }
    }
    return out;
}

std::vector<AnsiString> SqlParamNames(const AnsiString& sql) {
    std::vector<AnsiString> names;
    for (const AnsiString& n : ScanSqlParams(sql).Names) {
        bool seen = false;
        for (const AnsiString& m : names)
            if (SameText(m, n)) { seen = true; break; }
        if (!seen) names.push_back(n);
    }
    return names;
}
