// Filter expressions of datasets, and the comparison helpers shared by filters, searches and
// sorting.
#include "data/DataInternal.h"

#include <cctype>

// ---- helpers ---------------------------------------------------------------------------------
namespace dbdetail {

AnsiString Msg(const char* pattern, std::initializer_list<AnsiString> args) {
    std::string out;
    auto it = args.begin();
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (it != args.end()) out += (it++)->str();
            ++p;
        } else {
            out += *p;
        }
    }
    return AnsiString(std::move(out));
}

int CompareTexts(const AnsiString& a, const AnsiString& b, bool caseInsensitive) {
    int c = caseInsensitive ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

// UTF-8 text as code points (a stray byte counts as one character).
std::u32string codePoints(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > s.size()) len = 1;
        char32_t cp = len == 1 ? c : (c & (0x7F >> len));
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

}  // namespace

bool LikeMatch(const AnsiString& text, const AnsiString& pattern, bool caseInsensitive) {
    std::u32string t = codePoints(caseInsensitive ? AnsiUpperCase(text).str() : text.str());
    std::u32string p = codePoints(caseInsensitive ? AnsiUpperCase(pattern).str() : pattern.str());
    // Greedy matching with backtracking to the last '%'.
    std::size_t ti = 0, pi = 0, starP = std::u32string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == U'_' || p[pi] == t[ti])) {
            ++ti;
            ++pi;
        } else if (pi < p.size() && p[pi] == U'%') {
            starP = pi++;
            starT = ti;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'%') ++pi;
    return pi == p.size();
}

Variant FieldCompareValue(const TField* f) {
    if (f->IsNull()) return Variant::Null();
    return f->AsVariant();
}

bool FieldTypesCompatible(TFieldType fieldType, TFieldType columnType) {
    if (fieldType == columnType) return true;
    auto family = [](TFieldType t) {
        switch (t) {
        case ftString:
        case ftFixedChar:
        case ftWideString:
        case ftMemo:
        case ftFmtMemo: return 1;
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftFMTBcd:
        case ftBoolean: return 2;
        case ftDate:
        case ftTime:
        case ftDateTime:
        case ftTimeStamp: return 3;
        case ftBlob:
        case ftGraphic:
        case ftBytes:
        case ftVarBytes: return 4;
        default: return 0;
        }
    };
    int a = family(fieldType), b = family(columnType);
    if (a == 0 || b == 0) return false;
    if (a == b) return true;
    // A blob field may show a text column and a memo field a blob column.
    return (a == 1 && b == 4) || (a == 4 && b == 1);
}

}  // namespace dbdetail

// ---- the expression --------------------------------------------------------------------------
namespace {

enum class Tok { End, LParen, RParen, Comma, Op, Name, String, Number, Word };

struct Token {
    Tok kind = Tok::End;
    AnsiString text;  // operator, name, string value, number text, upper-cased word
    int pos = 0;
};

bool isNameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

}  // namespace

struct TDataSet::FilterExpr::Node {
    enum Kind { And, Or, Not, Compare, IsNull, Like, In, FieldTruth } kind = And;
    std::unique_ptr<Node> a, b;
    AnsiString op;                 // Compare: = <> < > <= >=
    const TField* field = nullptr; // left operand when it is a field
    Variant value;                 // left operand when it is a value
    const TField* rfield = nullptr;
    Variant rvalue;
    std::vector<Variant> list;     // In
    bool negate = false;

    Variant left() const { return field ? dbdetail::FieldCompareValue(field) : value; }
    Variant right() const { return rfield ? dbdetail::FieldCompareValue(rfield) : rvalue; }
    bool textual() const {
        return (field && field->SlotKind() == skBytes) || (rfield && rfield->SlotKind() == skBytes) ||
               (!field && VarIsStr(value) && !rfield && VarIsStr(rvalue));
    }

    bool eval(TFilterOptions opts) const {
        const bool ci = (opts & foCaseInsensitive) != 0;
        switch (kind) {
        case And: return a->eval(opts) && b->eval(opts);
        case Or: return a->eval(opts) || b->eval(opts);
        case Not: return !a->eval(opts);
        case FieldTruth: {
            Variant v = left();
            return !v.IsNull() && v.AsBoolean();
        }
        case IsNull: return left().IsNull() != negate;
        case Like: {
            Variant l = left(), r = right();
            if (l.IsNull() || r.IsNull()) return false;
            return dbdetail::LikeMatch(VarToStr(l), VarToStr(r), ci) != negate;
        }
        case In: {
            Variant l = left();
            if (l.IsNull()) return false;
            bool found = false;
            for (const Variant& item : list) {
                if (compare(l, item, "=", ci, opts)) {
                    found = true;
                    break;
                }
            }
            return found != negate;
        }
        case Compare: return compare(left(), right(), op, ci, opts);
        }
        return false;
    }

    bool compare(const Variant& l, const Variant& r, const AnsiString& o, bool ci, TFilterOptions opts) const {
        if (l.IsNull() || r.IsNull()) return false;
        int c;
        if (textual() || (VarIsStr(l) && VarIsStr(r))) {
            AnsiString x = VarToStr(l), y = VarToStr(r);
            // 'abc*' compares as a prefix unless partial comparison is switched off
            if ((o == "=" || o == "<>") && !(opts & foNoPartialCompare) && !rfield && y.Length() > 0 &&
                y[y.Length()] == '*') {
                AnsiString prefix = y.SubString(1, y.Length() - 1);
                AnsiString head = x.SubString(1, prefix.Length());
                bool eq = x.Length() >= prefix.Length() && dbdetail::CompareTexts(head, prefix, ci) == 0;
                return o == "=" ? eq : !eq;
            }
            c = dbdetail::CompareTexts(x, y, ci);
        } else {
            TVariantRelationship rel = VarCompareValue(l, r);
            c = rel == vrEqual ? 0 : rel == vrLessThan ? -1 : rel == vrGreaterThan ? 1 : 2;
            if (c == 2) return o == "<>";
        }
        if (o == "=") return c == 0;
        if (o == "<>") return c != 0;
        if (o == "<") return c < 0;
        if (o == ">") return c > 0;
        if (o == "<=") return c <= 0;
        return c >= 0;
    }
};

namespace {

class Parser {
public:
    Parser(const AnsiString& text, const TDataSet* ds) : s_(text.str()), ds_(ds) {}

    std::unique_ptr<TDataSet::FilterExpr::Node> parse() {
        next();
        auto n = parseOr();
        if (tok_.kind != Tok::End) fail("unexpected '" + tok_.text + "'");
        return n;
    }

private:
    using Node = TDataSet::FilterExpr::Node;

    [[noreturn]] void fail(const AnsiString& what) const {
        DatabaseError(dbdetail::Msg(DBText::FilterSyntax, {what + " at position " + IntToStr(tok_.pos + 1)}), ds_);
    }

    void next(bool listContext = false) {
        std::size_t i = pos_;
        while (i < s_.size() && static_cast<unsigned char>(s_[i]) <= ' ') ++i;
        tok_ = Token();
        tok_.pos = static_cast<int>(i);
        if (i >= s_.size()) {
            pos_ = i;
            return;
        }
        char c = s_[i];
        auto isDigitAt = [&](std::size_t k) { return k < s_.size() && s_[k] >= '0' && s_[k] <= '9'; };
        if (c == '(' || c == ')' || c == ',') {
            tok_.kind = c == '(' ? Tok::LParen : c == ')' ? Tok::RParen : Tok::Comma;
            tok_.text = AnsiString(c);
            pos_ = i + 1;
            return;
        }
        if (c == '=' || c == '<' || c == '>' || c == '!') {
            std::string op(1, c);
            if (i + 1 < s_.size() && (s_[i + 1] == '=' || (c == '<' && s_[i + 1] == '>'))) op += s_[i + 1];
            pos_ = i + op.size();
            if (op == "!") fail("unexpected '!'");
            if (op == "!=") op = "<>";
            if (op == "==") op = "=";
            tok_.kind = Tok::Op;
            tok_.text = op;
            return;
        }
        if (c == '\'') {
            std::string v;
            std::size_t k = i + 1;
            for (;;) {
                if (k >= s_.size()) fail("missing closing quote");
                if (s_[k] == '\'') {
                    if (k + 1 < s_.size() && s_[k + 1] == '\'') {
                        v += '\'';
                        k += 2;
                        continue;
                    }
                    break;
                }
                v += s_[k++];
            }
            tok_.kind = Tok::String;
            tok_.text = v;
            pos_ = k + 1;
            return;
        }
        if (c == '[') {
            std::size_t k = s_.find(']', i + 1);
            if (k == std::string::npos) fail("missing ']'");
            tok_.kind = Tok::Name;
            tok_.text = s_.substr(i + 1, k - i - 1);
            pos_ = k + 1;
            return;
        }
        bool signedNumber = (c == '-' || c == '+') && isDigitAt(i + 1);
        if (isDigitAt(i) || signedNumber || (c == '.' && isDigitAt(i + 1))) {
            std::size_t k = i + (signedNumber ? 1 : 0);
            std::string num = signedNumber && c == '-' ? "-" : "";
            const char dec = FormatSettings().DecimalSeparator;
            bool seenPoint = false;
            while (k < s_.size()) {
                char d = s_[k];
                if (d >= '0' && d <= '9') {
                    num += d;
                } else if (!seenPoint && (d == '.' || (d == dec && d != ',') ||
                                          (d == ',' && dec == ',' && !listContext && isDigitAt(k + 1)))) {
                    num += '.';
                    seenPoint = true;
                } else if ((d == 'e' || d == 'E') && (isDigitAt(k + 1) ||
                                                      ((k + 2 < s_.size()) && (s_[k + 1] == '-' || s_[k + 1] == '+') &&
                                                       isDigitAt(k + 2)))) {
                    num += 'e';
                    num += s_[k + 1];
                    k += 2;
                    continue;
                } else {
                    break;
                }
                ++k;
            }
            tok_.kind = Tok::Number;
            tok_.text = num;
            pos_ = k;
            return;
        }
        if (isNameChar(static_cast<unsigned char>(c))) {
            std::size_t k = i;
            while (k < s_.size() && isNameChar(static_cast<unsigned char>(s_[k]))) ++k;
            AnsiString word = s_.substr(i, k - i);
            AnsiString up = UpperCase(word);
            static const char* const keywords[] = {"AND", "OR", "NOT", "LIKE", "IN", "IS", "NULL", "TRUE", "FALSE"};
            tok_.kind = Tok::Name;
            tok_.text = word;
            for (const char* kw : keywords)
                if (up == kw) {
                    tok_.kind = Tok::Word;
                    tok_.text = up;
                }
            pos_ = k;
            return;
        }
        fail(AnsiString("unexpected character '") + AnsiString(c) + "'");
    }

    bool isWord(const char* w) const { return tok_.kind == Tok::Word && tok_.text == w; }

    std::unique_ptr<Node> parseOr() {
        auto n = parseAnd();
        while (isWord("OR")) {
            next();
            auto m = std::make_unique<Node>();
            m->kind = Node::Or;
            m->a = std::move(n);
            m->b = parseAnd();
            n = std::move(m);
        }
        return n;
    }

    std::unique_ptr<Node> parseAnd() {
        auto n = parseNot();
        while (isWord("AND")) {
            next();
            auto m = std::make_unique<Node>();
            m->kind = Node::And;
            m->a = std::move(n);
            m->b = parseNot();
            n = std::move(m);
        }
        return n;
    }

    std::unique_ptr<Node> parseNot() {
        if (isWord("NOT")) {
            next();
            auto m = std::make_unique<Node>();
            m->kind = Node::Not;
            m->a = parseNot();
            return m;
        }
        if (tok_.kind == Tok::LParen) {
            next();
            auto n = parseOr();
            if (tok_.kind != Tok::RParen) fail("')' expected");
            next();
            return n;
        }
        return parsePredicate();
    }

    // Reads an operand: a field or a value.
    void operand(const TField*& field, Variant& value) {
        field = nullptr;
        value = Variant();
        switch (tok_.kind) {
        case Tok::Name: {
            field = ds_->FindField(tok_.text);
            if (!field) DatabaseError(dbdetail::Msg(DBText::FieldNotFound, {tok_.text}), ds_);
            break;
        }
        case Tok::String: value = Variant(tok_.text); break;
        case Tok::Number: {
            long long i;
            if (TryStrToInt64(tok_.text, i)) value = Variant(i);
            else value = Variant(StrToFloat(tok_.text, TFormatSettings::Invariant()));
            break;
        }
        case Tok::Word:
            if (tok_.text == "NULL") value = Variant::Null();
            else if (tok_.text == "TRUE") value = Variant(true);
            else if (tok_.text == "FALSE") value = Variant(false);
            else fail("unexpected " + tok_.text);
            break;
        default: fail(tok_.kind == Tok::End ? AnsiString("unexpected end") : "unexpected '" + tok_.text + "'");
        }
    }

    std::unique_ptr<Node> parsePredicate() {
        auto n = std::make_unique<Node>();
        operand(n->field, n->value);
        next();
        bool negate = false;
        if (isWord("NOT")) {
            negate = true;
            next();
            if (!isWord("LIKE") && !isWord("IN")) fail("LIKE or IN expected after NOT");
        }
        if (isWord("IS")) {
            next();
            if (isWord("NOT")) {
                n->negate = true;
                next();
            }
            if (!isWord("NULL")) fail("NULL expected");
            next();
            n->kind = Node::IsNull;
            return n;
        }
        if (isWord("LIKE")) {
            next();
            n->kind = Node::Like;
            n->negate = negate;
            operand(n->rfield, n->rvalue);
            next();
            return n;
        }
        if (isWord("IN")) {
            next();
            if (tok_.kind != Tok::LParen) fail("'(' expected");
            next(true);
            n->kind = Node::In;
            n->negate = negate;
            for (;;) {
                const TField* f;
                Variant v;
                operand(f, v);
                if (f) fail("a value expected in the IN list");
                n->list.push_back(v);
                next(true);
                if (tok_.kind == Tok::Comma) {
                    next(true);
                    continue;
                }
                if (tok_.kind != Tok::RParen) fail("')' expected");
                next();
                break;
            }
            return n;
        }
        if (tok_.kind == Tok::Op) {
            n->kind = Node::Compare;
            n->op = tok_.text;
            next();
            operand(n->rfield, n->rvalue);
            next();
            bool nullRight = !n->rfield && n->rvalue.IsNull();
            if (nullRight && (n->op == "=" || n->op == "<>")) {
                n->kind = Node::IsNull;
                n->negate = n->op == "<>";
            }
            return n;
        }
        if (n->field) {
            n->kind = Node::FieldTruth;
            return n;
        }
        fail("comparison expected");
    }

    std::string s_;
    std::size_t pos_ = 0;
    Token tok_;
    const TDataSet* ds_;
};

}  // namespace

TDataSet::FilterExpr::~FilterExpr() = default;

std::shared_ptr<TDataSet::FilterExpr> TDataSet::FilterExpr::Parse(const AnsiString& text, const TDataSet* ds) {
    auto e = std::make_shared<FilterExpr>();
    Parser p(text, ds);
    e->root = p.parse();
    return e;
}

bool TDataSet::FilterExpr::Evaluate(TFilterOptions options) const { return root ? root->eval(options) : true; }
