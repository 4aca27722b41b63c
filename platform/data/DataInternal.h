// Internals shared by the dataset's source files (not for use outside platform/data).
#pragma once

#include "data/DB.h"

#include <initializer_list>
#include <memory>
#include <vector>

// Values of the calculated and lookup fields of one record.
struct TDataSet::CalcEntry {
    TRecordBuilder values;
    bool valid = false;
};

// A parsed filter expression.
struct TDataSet::FilterExpr {
    struct Node;
    std::unique_ptr<Node> root;
    ~FilterExpr();
    // Raises EDatabaseError on a syntax error or an unknown field.
    static std::shared_ptr<FilterExpr> Parse(const AnsiString& text, const TDataSet* ds);
    // Evaluates for the record the fields read now.
    bool Evaluate(TFilterOptions options) const;
};

namespace dbdetail {

// pattern with each "%s" replaced by the next argument.
AnsiString Msg(const char* pattern, std::initializer_list<AnsiString> args);

// Whether the first text matches the pattern (% any run, _ one character), by characters.
bool LikeMatch(const AnsiString& text, const AnsiString& pattern, bool caseInsensitive);

// The value of a field as a Variant (Null when null), the way filters and searches compare it.
Variant FieldCompareValue(const TField* f);

// Text comparison for searches, sorting and filters: case-sensitive or not, locale collation.
int CompareTexts(const AnsiString& a, const AnsiString& b, bool caseInsensitive);

// Field classes are compatible with a column when they store the same family of values.
bool FieldTypesCompatible(TFieldType fieldType, TFieldType columnType);

}  // namespace dbdetail
