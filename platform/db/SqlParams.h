// Named parameters in SQL texts.
//
// A statement names its parameters as :Name. The scanner skips everything that is not SQL code: quoted
// literals ('...', "...", `...` with doubled quotes and backslash escapes), "-- " and # line comments
// and /* */ block comments, read the way the server reads them, so a time literal like '10:00:00' or a
// comment never yields a parameter. "::" stands for one literal colon. A colon not followed by a name
// character (":=") stays as it is.
#pragma once

#include "rtl/AnsiString.h"

#include <string>
#include <vector>

struct TSqlParamScan {
    // The statement with every parameter replaced by '?', ready for a server-side prepare.
    std::string Sql;
    // The parameter names in order of appearance; a name used twice appears twice.
    std::vector<AnsiString> Names;
};

TSqlParamScan ScanSqlParams(const AnsiString& sql);

// The distinct parameter names of a statement, in order of first appearance (names compare without
// regard to case, as parameter lookups do).
std::vector<AnsiString> SqlParamNames(const AnsiString& sql);
