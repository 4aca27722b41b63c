// Aggregate fields: one value over the records of a client dataset, kept while its aggregates are
// active and worked out again when its records change.
#include "data/DB.h"
#include "data/DBClient.h"
#include "data/DataInternal.h"

namespace {

bool isIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

bool isNumberType(TFieldType t) {
    return isIntegerType(t) || t == ftFloat || t == ftCurrency || t == ftBCD || t == ftFMTBcd;
}

}  // namespace

TAggregateField::TAggregateField(TComponent* owner) : TField(owner, ftUnknown) {
    SetFieldKind(fkAggregate);
    SetReadOnly(true);
}

void TAggregateField::SetExpression(const AnsiString& e) {
    if (e == expression_) return;
    // OP ( name ) with blanks anywhere between the parts.
    const std::string text = UpperCase(Trim(e)).str();
    const std::size_t open = text.find('('), close = text.rfind(')');
    Op op = Op::None;
    AnsiString source;
    if (!text.empty() && open != std::string::npos && close == text.size() - 1 && close > open) {
        const AnsiString name = Trim(AnsiString(text.substr(0, open)));
        source = Trim(Trim(e).SubString(static_cast<int>(open) + 2, static_cast<int>(close - open) - 1));
        if (name == "SUM") op = Op::Sum;
        else if (name == "AVG") op = Op::Avg;
        else if (name == "COUNT") op = Op::Count;
        else if (name == "MIN") op = Op::Min;
        else if (name == "MAX") op = Op::Max;
        if (source.IsEmpty() || (source == "*" && op != Op::Count)) op = Op::None;
    }
    if (op == Op::None && !Trim(e).IsEmpty())
        DatabaseError("Неверное выражение агрегата: " + e, DataSet());
    expression_ = e;
    op_ = op;
    source_ = source;
    known_ = false;
}

TFieldType TAggregateField::ResultType() const {
    current();
    return known_ ? resultType_ : ftUnknown;
}

Variant TAggregateField::current() const {
    const auto* ds = dynamic_cast<const TClientDataSet*>(DataSet());
    if (!ds || !ds->Active() || !ds->AggregatesActive() || op_ == Op::None) {
        known_ = false;
        return Variant::Null();
    }
    if (known_ && stamp_ == ds->ViewStamp()) return value_;
    const TField* src = source_ == "*" ? nullptr : ds->FieldByName(source_);
    const TFieldType type = src ? src->DataType() : ftUnknown;
    if ((op_ == Op::Sum || op_ == Op::Avg) && !isNumberType(type))
        DatabaseError("Агрегат " + expression_ + ": поле '" + source_ + "' не числовое", ds);
    Variant result = op_ == Op::Count ? Variant(0) : Variant::Null();
    long long count = 0;
    double sum = 0;
    ds->ForEachViewRecord([&] {
        if (!src) {
            ++count;
            return;
        }
        Variant v = dbdetail::FieldCompareValue(src);
        if (v.IsNull()) return;
        ++count;
        switch (op_) {
        case Op::Sum:
            if (isIntegerType(type)) v = Variant(v.AsInt64());
            else if (type == ftBCD) v = Variant(v.AsCurrency());
            else v = Variant(v.AsDouble());
            result = result.IsNull() ? v : result + v;
            break;
        case Op::Avg: sum += v.AsDouble(); break;
        case Op::Min:
            if (result.IsNull() || v < result) result = v;
            break;
        case Op::Max:
            if (result.IsNull() || result < v) result = v;
            break;
        default: break;
        }
    });
    switch (op_) {
    case Op::Count:
        result = Variant(static_cast<int>(count));
        resultType_ = ftInteger;
        break;
    case Op::Avg:
        result = count > 0 ? Variant(sum / static_cast<double>(count)) : Variant::Null();
        resultType_ = ftFloat;
        break;
    case Op::Sum: resultType_ = isIntegerType(type) ? ftLargeint : type; break;
    default: resultType_ = type; break;
    }
    value_ = result;
    stamp_ = ds->ViewStamp();
    known_ = true;
    return value_;
}

Variant TAggregateField::GetAsVariant() const { return current(); }
AnsiString TAggregateField::GetAsString() const { return VarToStr(current()); }
int TAggregateField::GetAsInteger() const {
    Variant v = current();
    return v.IsNull() ? 0 : v.AsInteger();
}
long long TAggregateField::GetAsLargeInt() const {
    Variant v = current();
    return v.IsNull() ? 0 : v.AsInt64();
}
double TAggregateField::GetAsFloat() const {
    Variant v = current();
    return v.IsNull() ? 0.0 : v.AsDouble();
}
Currency TAggregateField::GetAsCurrency() const {
    Variant v = current();
    return v.IsNull() ? Currency() : v.AsCurrency();
}
TDateTime TAggregateField::GetAsDateTime() const {
    Variant v = current();
    return v.IsNull() ? TDateTime() : v.AsDateTime();
}
bool TAggregateField::GetAsBoolean() const {
    Variant v = current();
    return !v.IsNull() && v.AsBoolean();
}
void TAggregateField::SetDisplayFormat(const AnsiString& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    propertyChanged(false);
}

void TAggregateField::SetCurrency(bool c) {
    if (c == currency_) return;
    currency_ = c;
    propertyChanged(false);
}

AnsiString TAggregateField::GetText(bool displayText) const {
    const Variant v = current();
    if (!displayText || v.IsNull()) return GetAsString();
    const TFieldType t = ResultType();
    const bool date = t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp;
    if (!displayFormat_.IsEmpty()) {
        if (isNumberType(t)) return FormatFloat(displayFormat_, v.AsDouble());
        if (date) return FormatDateTime(displayFormat_, v.AsDateTime());
    } else if (currency_ && isNumberType(t)) {
        return FloatToStrF(v.AsDouble(), ffCurrency, 15, FormatSettings().CurrencyDecimals);
    }
    return GetAsString();
}

void TClientDataSet::SetAggregatesActive(bool b) {
    if (b == aggregatesActive_) return;
    aggregatesActive_ = b;
    // The controls showing aggregates show them again.
    if (Active()) DataEvent(deDataSetChange);
}
