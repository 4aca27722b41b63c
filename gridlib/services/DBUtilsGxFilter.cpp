// The filter language: words, the parser, display texts and the dataset-filter and SQL texts.
#include "gridlib/services/DBUtilsGx.h"

#include "db/SqlExpr.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <vector>

AnsiString STFilterOperatorsStrMapGx[STFilterOperatorCountGx] = {
    "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};
AnsiString STFilterOperatorsSQLStrMapGx[STFilterOperatorCountGx] = {
    "",   "=",      "<>",    ">",       "<",           ">=",  "<=", "LIKE",
    "NOT LIKE", "IN", "NOT IN", "IS NULL", "IS NOT NULL", "AND", "OR", ""};

AnsiString SQLFilterMarker = "/*FILTER*/";

const TSTOperandTypeGx STFldTypeMapGx[ftFMTBcd + 1] = {
    botNon,       // ftUnknown
    botString,    // ftString
    botNumber,    // ftSmallint
    botNumber,    // ftInteger
    botNumber,    // ftWord
    botBoolean,   // ftBoolean
    botNumber,    // ftFloat
    botNumber,    // ftCurrency
    botNumber,    // ftBCD
    botDateTime,  // ftDate
    botDateTime,  // ftTime
    botDateTime,  // ftDateTime
    botNon,       // ftBytes
    botNon,       // ftVarBytes
    botNumber,    // ftAutoInc
    botNon,       // ftBlob
    botString,    // ftMemo
    botNon,       // ftGraphic
    botString,    // ftFmtMemo
    botNon,       // ftParadoxOle
    botNon,       // ftDBaseOle
    botNon,       // ftTypedBinary
    botNon,       // ftCursor
    botString,    // ftFixedChar
    botString,    // ftWideString
    botNumber,    // ftLargeint
    botNon,       // ftADT
    botNon,       // ftArray
    botNon,       // ftReference
    botNon,       // ftDataSet
    botNon,       // ftOraBlob
    botNon,       // ftOraClob
    botNon,       // ftVariant
    botNon,       // ftInterface
    botNon,       // ftIDispatch
    botString,    // ftGuid
    botDateTime,  // ftTimeStamp
    botNumber,    // ftFMTBcd
};

void ClearSTFilterExpression(TSTFilterExpressionGx& expr) {
    expr.FirstOperator = foNon;
    expr.Junction = foNon;
    expr.SecondOperator = foNon;
    expr.FirstOperand = Null();
    expr.SecondOperand = Null();
}

void InitSTFilterOperatorsStrMap() {
    auto put = [](TSTFilterOperatorGx op, const AnsiString& text) {
        if (!text.IsEmpty()) STFilterOperatorsStrMapGx[op] = text;
    };
    const AnsiString notWord = AnsiString(SNotOperatorGx).IsEmpty() ? AnsiString("Not ") : AnsiString(SNotOperatorGx) + " ";
    put(foLike, SLikePredicatGx);
    if (!AnsiString(SLikePredicatGx).IsEmpty()) put(foNotLike, notWord + SLikePredicatGx);
    put(foIn, SInPredicatGx);
    if (!AnsiString(SInPredicatGx).IsEmpty()) put(foNotIn, notWord + SInPredicatGx);
    put(foNull, SNullConstGx);
    put(foNotNull, SNullConstGx);
    put(foAND, SAndOperatorGx);
    put(foOR, SOrOperatorGx);
}

// ---- The parser ---------------------------------------------------------------------------------------
namespace {

bool isDelimiter(unsigned char c) {
    switch (c) {
    case ' ': case '"': case '\'': case '!': case '&': case '(': case ')': case '+': case ',': case '-':
    case '.': case '<': case '=': case '>': case '|': case '~': return true;
    default: return false;
    }
}
bool isControl(unsigned char c) { return c < 32 || c == 127; }

class FilterParser {
public:
    FilterParser(const AnsiString& text, TSTFilterExpressionGx& expr) : text_(text), s_(text.str()), expr_(expr) {}

    void parse() {
        const char dec = FormatSettings().DecimalSeparator;
        const bool defaultCommas = !(expr_.OperandType == botNumber && dec == ',');
        commas_ = defaultCommas;
        if (s_.empty()) return;

        // First part.
        skipBlanks();
        Variant value;
        TSTFilterOperatorGx op = readToken(value);
        if (op == foValue) {
            expr_.FirstOperator = valueOperator(value);
            expr_.FirstOperand = value;
        } else {
            readOperatorPart(op, expr_.FirstOperator, expr_.FirstOperand, true);
            commas_ = defaultCommas;
        }

        // Junction.
        skipBlanks();
        op = readToken(value);
        if (op == foNon) {
            if (pos_ < s_.size()) fail(SIncorrectExpressionGx);
        } else if (op != foAND && op != foOR) {
            fail(SUnexpectedANDorORGx);
        } else {
            expr_.Junction = op;
            // Second part; an expression may end with its junction.
            skipBlanks();
            op = readToken(value);
            if (op == foNon) {
                if (pos_ < s_.size()) fail(SIncorrectExpressionGx);
            } else if (op == foValue) {
                expr_.SecondOperator = valueOperator(value);
                expr_.SecondOperand = value;
            } else {
                readOperatorPart(op, expr_.SecondOperator, expr_.SecondOperand, false);
                commas_ = defaultCommas;
            }
        }

        convert(expr_.FirstOperator, expr_.FirstOperand);
        convert(expr_.SecondOperator, expr_.SecondOperand);
    }

private:
    [[noreturn]] void fail(const char* message) const { throw Exception(AnsiString(message) + text_); }

    void skipBlanks() {
        while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    }

    TSTFilterOperatorGx valueOperator(const Variant& value) const {
        if (VarIsArray(value)) return foIn;
        return expr_.OperandType == botString ? foLike : foEqual;
    }

    // An operator and its operand (steps of the first and the second part).
    void readOperatorPart(TSTFilterOperatorGx op, TSTFilterOperatorGx& outOp, Variant& outOperand, bool closeIn) {
        if (op == foNon) fail(SErrorInExpressionGx);
        // A junction word where an operator belongs would leave a part with no meaning.
        if (op == foAND || op == foOR) fail(SUnexpectedANDorORGx);
        const bool inList = op == foIn || op == foNotIn;
        if (inList) commas_ = true;
        skipBlanks();
        Variant value;
        TSTFilterOperatorGx operand = readToken(value);
        outOp = op;
        if (operand == foNull) {
            if (op == foEqual) outOp = foNull;
            else if (op == foNotEqual) outOp = foNotNull;
            else fail(SUnexpectedExpressionBeforeNullGx);
        } else if (operand != foValue) {
            fail(SUnexpectedExpressionAfterOperatorGx);
        }
        outOperand = value;
        if (inList && closeIn) {
            skipBlanks();
            if (pos_ >= s_.size() || s_[pos_] != ')') fail(SRightBracketExpectedGx);
            ++pos_;
        }
    }

    // Reads one token at pos_. peek: a value is not read (foValue is answered at once).
    TSTFilterOperatorGx readToken(Variant& value, bool peek = false) {
        value = Null();
        if (pos_ >= s_.size()) return foNon;
        const char c = s_[pos_];
        if (c == '\'') {
            if (peek) return foValue;
            value = readValue();
            return foValue;
        }
        TSTFilterOperatorGx op = foNon;
        bool isNot = false;
        bool isParen = false;
        std::size_t len = 0;
        auto at = [&](std::size_t k) { return pos_ + k < s_.size() ? s_[pos_ + k] : '\0'; };
        if (c == '<' && at(1) == '>') op = foNotEqual, len = 2;
        else if (c == '!' && at(1) == '=') op = foNotEqual, len = 2;
        else if (c == '>' && at(1) == '=') op = foGreaterOrEqual, len = 2;
        else if (c == '<' && at(1) == '=') op = foLessOrEqual, len = 2;
        else if (c == '=') op = foEqual, len = 1;
        else if (c == '>') op = foGreaterThan, len = 1;
        else if (c == '<') op = foLessThan, len = 1;
        else if (c == '~') op = foLike, len = 1;
        else if (c == '!') isNot = true, len = 1;
        else if (c == '&') op = foAND, len = 1;
        else if (c == '|') op = foOR, len = 1;
        else if (c == '(') isParen = true, len = 1;
        bool isIn = false;
        if (len == 0) {
            std::size_t k = pos_;
            while (k < s_.size() && !isControl(static_cast<unsigned char>(s_[k])) &&
                   !isDelimiter(static_cast<unsigned char>(s_[k])))
                ++k;
            const AnsiString word = AnsiUpperCase(AnsiString(s_.substr(pos_, k - pos_)));
            auto is = [&word](const char* english, const char* resource) {
                if (word.IsEmpty()) return false;
                if (word == english) return true;
                const AnsiString r = AnsiUpperCase(AnsiString(resource));
                return !r.IsEmpty() && word == r;
            };
            if (is("NOT", SNotOperatorGx)) isNot = true;
            else if (is("AND", SAndOperatorGx)) op = foAND;
            else if (is("OR", SOrOperatorGx)) op = foOR;
            else if (is("LIKE", SLikePredicatGx)) op = foLike;
            else if (is("IN", SInPredicatGx)) op = foIn, isIn = true;
            else if (is("NULL", SNullConstGx)) op = foNull;
            else {
                if (peek) return foValue;
                value = readValue();
                return value.IsNull() ? foNon : foValue;
            }
            len = k - pos_;
        }
        pos_ += len;
        skipBlanks();
        if (isParen) return foNon;
        if (isNot) {
            const std::size_t afterNot = pos_;
            Variant ignored;
            const TSTFilterOperatorGx next = readToken(ignored, true);
            if (next == foLike) return foNotLike;
            if (next == foIn) return foNotIn;
            if (next == foNull) return foNotNull;
            // NOT before anything else names no operator; what follows stays unread.
            pos_ = afterNot;
            return foNon;
        }
        if (isIn) {
            if (pos_ >= s_.size() || s_[pos_] != '(') fail(SLeftBracketExpectedGx);
            ++pos_;
        }
        return op;
    }

    // Whether an operator token (equal .. OR) begins at k.
    bool operatorAt(std::size_t k) {
        const std::size_t saved = pos_;
        pos_ = k;
        Variant ignored;
        TSTFilterOperatorGx op = readToken(ignored, true);
        pos_ = saved;
        return op >= foEqual && op <= foOR;
    }

    // One value, or a list of them when commas separate items.
    Variant readValue() {
        std::vector<Variant> items;
        Variant v = readOneValue();
        items.push_back(v);
        while (commas_ && !v.IsNull() && pos_ < s_.size() && s_[pos_] == ',') {
            ++pos_;
            v = readOneValue();
            items.push_back(v);
        }
        if (items.size() == 1) return items.front();
        return VarArrayOf(items);
    }

    Variant readOneValue() {
        if (pos_ >= s_.size()) return Null();
        if (s_[pos_] == '\'') {
            const std::size_t close = s_.find('\'', pos_ + 1);
            if (close == std::string::npos) fail(SQuoteIsAbsentGx);
            Variant v(AnsiString(s_.substr(pos_ + 1, close - pos_ - 1)));
            pos_ = close + 1;
            return v;
        }
        const std::size_t start = pos_;
        std::size_t k = pos_;
        while (k < s_.size()) {
            const char c = s_[k];
            if (c == '(' || c == ')') break;
            if (c == ',' && commas_) break;
            if (c == ' ') {
                std::size_t q = k;
                while (q < s_.size() && s_[q] == ' ') ++q;
                if (q < s_.size() && operatorAt(q)) break;
            }
            ++k;
        }
        pos_ = k;
        return Variant(AnsiString(s_.substr(start, k - start)));
    }

    Variant convertOne(const Variant& v) const {
        if (v.IsNull()) return v;
        switch (expr_.OperandType) {
        case botNumber: return Variant(StrToFloat(VarToStr(v)));
        case botDateTime: return Variant::FromDateTime(StrToDateTime(VarToStr(v)));
        default: return v;
        }
    }

    void convert(TSTFilterOperatorGx op, Variant& operand) const {
        if (op < foEqual || op > foNotIn) {
            operand = Null();
            return;
        }
        if (VarIsArray(operand)) {
            Variant out = operand;
            for (int i = VarArrayLowBound(operand, 1); i <= VarArrayHighBound(operand, 1); ++i)
                out.PutElement(i, convertOne(operand.GetElement(i)));
            operand = out;
        } else {
            operand = convertOne(operand);
        }
    }

    AnsiString text_;
    std::string s_;
    TSTFilterExpressionGx& expr_;
    std::size_t pos_ = 0;
    bool commas_ = true;
};

// Leading and trailing blanks and control characters go.
AnsiString trimExpression(const AnsiString& s) {
    const std::string& t = s.str();
    std::size_t b = 0, e = t.size();
    while (b < e && static_cast<unsigned char>(t[b]) <= ' ') ++b;
    while (e > b && (static_cast<unsigned char>(t[e - 1]) <= ' ' || t[e - 1] == 127)) --e;
    return AnsiString(t.substr(b, e - b));
}

std::vector<Variant> elementsOf(const Variant& v) {
    std::vector<Variant> out;
    if (VarIsArray(v)) {
        for (int i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i) out.push_back(v.GetElement(i));
    } else {
        out.push_back(v);
    }
    return out;
}

bool isDateValue(const Variant& v) { return (VarType(v) & varTypeMask) == varDate; }
bool isIntegerValue(const Variant& v) {
    switch (VarType(v) & varTypeMask) {
    case varSmallint: case varInteger: case varInt64: return true;
    default: return false;
    }
}
bool isFloatValue(const Variant& v) { return VarIsFloat(v); }

AnsiString quoteDoubled(const AnsiString& s, bool backslashes) {
    std::string out = "'";
    for (char c : s.str()) {
        if (c == '\'') out += "''";
        else if (c == '\\' && backslashes) out += "\\\\";
        else out += c;
    }
    out += "'";
    return AnsiString(std::move(out));
}

}  // namespace

void ParseSTFilterExpressionGx(const AnsiString& exp, TSTFilterExpressionGx& expr) {
    ClearSTFilterExpression(expr);
    FilterParser parser(trimExpression(exp), expr);
    parser.parse();
}

// ---- Display text ----------------------------------------------------------------------------------------
namespace {

AnsiString displayValue(const Variant& v) {
    if (isDateValue(v)) return DateToStr(VarToDateTime(v));
    if (isIntegerValue(v)) return IntToStr(v.AsInt64());
    if (isFloatValue(v)) return FloatToStr(v.AsDouble());
    return "'" + VarToStr(v) + "'";
}

AnsiString displayPart(TSTFilterOperatorGx op, const Variant& value) {
    const AnsiString& word = STFilterOperatorsStrMapGx[op];
    switch (op) {
    case foNull: return "=" + word;
    case foNotNull: return "<>" + word;
    case foIn:
    case foNotIn: {
        AnsiString items;
        for (const Variant& e : elementsOf(value)) {
            if (!items.IsEmpty()) items += ",";
            items += displayValue(e);
        }
        return word + " (" + items + ")";
    }
    default: return word + " " + displayValue(value);
    }
}

}  // namespace

AnsiString GetSTFilterExpressionDisplayText(const TSTFilterExpressionGx& expr, bool asKeyList) {
    if (expr.OperandType == botNon || expr.FirstOperator == foNon) return "";
    if (asKeyList) {
        if (!VarIsArray(expr.FirstOperand)) return VarToStr(expr.FirstOperand);
        AnsiString out;
        for (const Variant& e : elementsOf(expr.FirstOperand)) {
            if (!out.IsEmpty()) out += ",";
            out += "'" + VarToStr(e) + "'";
        }
        return out;
    }
    AnsiString out = displayPart(expr.FirstOperator, expr.FirstOperand);
    if (expr.Junction != foNon && expr.SecondOperator != foNon)
        out += " " + STFilterOperatorsStrMapGx[expr.Junction] + " " + displayPart(expr.SecondOperator, expr.SecondOperand);
    return out;
}

// ---- Filter texts ----------------------------------------------------------------------------------------
AnsiString GetExpressionAsFilterString(IDataServiceGridGx* grid, const TOneExpressionProcGx& oneExpressionProc,
                                       const TDateValueToSQLStringProcGx& dateValueProc, bool useFieldOrigin,
                                       bool supportsLike) {
    if (!grid) return "";
    TDataSet* ds = grid->GetServiceDataSet();
    if (!ds || !ds->Active()) return "";
    AnsiString result;
    const int n = grid->GetFilterColumnCount();
    for (int i = 0; i < n; ++i) {
        const TColumnFilterInfoGx c = grid->GetColumnFilterInfo(i);
        const TSTFilterExpressionGx& e = c.Expression;
        if (e.OperandType == botNon || !c.Field || e.FirstOperator == foNon) continue;
        AnsiString name;
        if (useFieldOrigin && !c.Field->Origin().IsEmpty() && c.DataField.IsEmpty()) name = c.Field->Origin();
        else if (c.FilterFieldName.Pos(";") != 0) throw Exception(SFilterOnSeveralKeyFieldsGx + c.FilterFieldName);
        else name = useFieldOrigin ? QuoteIdentifier(c.FilterFieldName) : c.FilterFieldName;
        AnsiString piece = oneExpressionProc(e.FirstOperator, c.Operand1, name, ds, dateValueProc, supportsLike);
        // A junction with nothing after it joins nothing.
        if (e.Junction != foNon && e.SecondOperator != foNon) {
            piece += " " + STFilterOperatorsSQLStrMapGx[e.Junction] +
                     oneExpressionProc(e.SecondOperator, c.Operand2, name, ds, dateValueProc, supportsLike);
            if (e.Junction == foOR) piece = "(" + piece + ")";
        }
        if (piece.IsEmpty()) continue;
        if (!result.IsEmpty()) result += " AND ";
        result += piece;
    }
    return result;
}

namespace {

AnsiString localValueText(const Variant& v, TDataSet* ds, const TDateValueToSQLStringProcGx& dateValueProc) {
    if (isDateValue(v)) {
        if (dateValueProc) return dateValueProc(ds, v);
        return quoteDoubled(DateTimeToStr(VarToDateTime(v)), false);
    }
    if (isIntegerValue(v)) return IntToStr(v.AsInt64());
    if (isFloatValue(v)) return FloatToStr(v.AsDouble());
    return quoteDoubled(VarToStr(v), false);
}

}  // namespace

AnsiString GetOneExpressionAsLocalFilterString(TSTFilterOperatorGx op, const Variant& value,
                                               const AnsiString& fieldName, TDataSet* dataSet,
                                               const TDateValueToSQLStringProcGx& dateValueProc, bool supportsLike) {
    const AnsiString f = "[" + fieldName + "]";
    switch (op) {
    case foIn:
    case foNotIn: {
        AnsiString items;
        for (const Variant& e : elementsOf(value)) {
            if (!items.IsEmpty()) items += " OR ";
            items += f + " = " + localValueText(e, dataSet, dateValueProc);
        }
        return AnsiString(op == foNotIn ? " NOT" : "") + " (" + items + ")";
    }
    case foLike:
    case foNotLike: {
        const char* word = supportsLike ? (op == foLike ? " Like " : " Not Like ") : (op == foLike ? " = " : " <> ");
        return " " + f + word + localValueText(value, dataSet, dateValueProc);
    }
    case foNull:
    case foNotNull: return " " + f + " " + STFilterOperatorsSQLStrMapGx[op];
    default: return " " + f + " " + STFilterOperatorsSQLStrMapGx[op] + " " + localValueText(value, dataSet, dateValueProc);
    }
}

namespace {

AnsiString sqlValueText(const Variant& v, TDataSet* ds, const TDateValueToSQLStringProcGx& dateValueProc) {
    if (isDateValue(v)) {
        if (dateValueProc) return dateValueProc(ds, v);
        return "'" + DateTimeToSqlText(VarToDateTime(v)) + "'";
    }
    if (isIntegerValue(v)) return IntToStr(v.AsInt64());
    if (isFloatValue(v)) return FloatToStr(v.AsDouble(), TFormatSettings::Invariant());
    return quoteDoubled(VarToStr(v), true);
}

// One part of SQL with each value written by valueText.
template <class ValueText>
AnsiString sqlPart(TSTFilterOperatorGx op, const Variant& value, const AnsiString& f, ValueText valueText) {
    switch (op) {
    case foIn:
    case foNotIn: {
        AnsiString items;
        for (const Variant& e : elementsOf(value)) {
            if (!items.IsEmpty()) items += ",";
            items += valueText(e);
        }
        return " " + f + (op == foNotIn ? " NOT" : "") + " IN (" + items + ")";
    }
    case foNull:
    case foNotNull: return " " + f + " " + STFilterOperatorsSQLStrMapGx[op];
    default: return " " + f + " " + STFilterOperatorsSQLStrMapGx[op] + " " + valueText(value);
    }
}

}  // namespace

AnsiString GetOneExpressionAsSQLWhereString(TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName,
                                            TDataSet* dataSet, const TDateValueToSQLStringProcGx& dateValueProc,
                                            bool /*supportsLike*/) {
    return sqlPart(op, value, fieldName, [&](const Variant& v) { return sqlValueText(v, dataSet, dateValueProc); });
}

namespace gxdetail {
// The SQL part with each value a parameter: used where the dataset binds parameters itself.
AnsiString GetOneExpressionAsSQLParamString(TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName,
                                            std::vector<Variant>& values, const AnsiString& paramPrefix) {
    return sqlPart(op, value, fieldName, [&](const Variant& v) {
        values.push_back(v);
        return ":" + paramPrefix + IntToStr(static_cast<long long>(values.size()));
    });
}
}  // namespace gxdetail

AnsiString DateValueToDataBaseSQLString(const AnsiString& dataBaseName, const Variant& value) {
    const AnsiString name = AnsiUpperCase(dataBaseName);
    if (name == "ORACLE") {
        const AnsiString fmt = FormatSettings().ShortDateFormat;
        return "TO_DATE('" + FormatDateTime(fmt, VarToDateTime(value)) + "','" + fmt + "')";
    }
    if (name == "MSACCESS") {
        TFormatSettings fs = FormatSettings();
        fs.DateSeparator = '/';
        return "#" + FormatDateTime("MM/DD/YYYY", VarToDateTime(value), fs) + "#";
    }
    return "'" + VarToStr(value) + "'";
}
