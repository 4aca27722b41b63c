#include "db/SqlExpr.h"

#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

#include <charconv>
#include <cmath>
#include <cstring>

using mariadb::ColumnInfo;
using mariadb::ColumnType;

// ---- helpers -------------------------------------------------------------------------------------

namespace {

// The statement texts are published, so that code that only knows a dataset's class can reach them
// by name (the grid's filter and sort rewrite them). CommandText is the one string kind there is,
// published as a wide string.
const bool sqlPropertiesRegistered = [] {
    RegisterPublishedProperties(TSQLQuery::StaticClass(),
                                {MakeProperty<TSQLQuery>("SQL", ClassTypeInfo(TStrings::StaticClass()), &TSQLQuery::SQL,
                                                         &TSQLQuery::SetSQL)});
    RegisterPublishedProperties(TSQLDataSet::StaticClass(),
                                {MakeProperty<TSQLDataSet>("CommandText", TypeInfoOf(tkWString, "WideString"),
                                                           &TSQLDataSet::CommandText, &TSQLDataSet::SetCommandText)});
    return true;
}();

std::string currencyText(Currency c) { return mariadb::DecimalText(c.Raw()); }

// A DECIMAL's text as Currency (at most four decimals are kept, rounding half to even beyond them).
std::int64_t decimalToCurrencyRaw(std::string_view s) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
    int decimals = 0;
    int next = -1;
    bool restNonZero = false;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
            if (decimals < 4) {
                v = v * 10 + (s[i] - '0');
                ++decimals;
            } else if (next < 0) {
                next = s[i] - '0';
            } else if (s[i] != '0') {
                restNonZero = true;
            }
        }
    }
    for (; decimals < 4; ++decimals) v *= 10;
    if (next > 5 || (next == 5 && (restNonZero || (v & 1)))) ++v;
    return neg ? -v : v;
}

TFieldType fieldTypeOf(const ColumnInfo& c) {
    switch (c.Type) {
    case ColumnType::TinyInt:
    case ColumnType::Year: return ftSmallint;
    case ColumnType::SmallInt:
        if (c.AutoIncrement && !c.Unsigned) return ftAutoInc;
        return c.Unsigned ? ftWord : ftSmallint;
    case ColumnType::MediumInt: return c.AutoIncrement ? ftAutoInc : ftInteger;
    case ColumnType::Int:
        if (c.Unsigned) return ftLargeint;
        return c.AutoIncrement ? ftAutoInc : ftInteger;
    case ColumnType::BigInt: return ftLargeint;
    case ColumnType::Bit: return c.Length == 1 ? ftBoolean : ftLargeint;
    case ColumnType::Float:
    case ColumnType::Double: return ftFloat;
    case ColumnType::Decimal: return (c.Precision <= 18 && c.Decimals <= 4) ? ftBCD : ftFMTBcd;
    case ColumnType::Date: return ftDate;
    case ColumnType::Time: return ftTime;
    case ColumnType::DateTime:
    case ColumnType::Timestamp: return ftTimeStamp;
    case ColumnType::Text:
    case ColumnType::Json: return ftMemo;
    case ColumnType::Blob:
    case ColumnType::Geometry: return ftBlob;
    case ColumnType::Char:
    case ColumnType::VarChar: return c.Binary ? ftBlob : ftString;
    case ColumnType::Enum:
    case ColumnType::Set:
    case ColumnType::Null:
    case ColumnType::Other: return ftString;
    }
    return ftString;
}

mariadb::Value variantValue(const Variant& v) {
    switch (v.Type() & varTypeMask) {
    case varNull: return mariadb::Value::MakeNull();
    case varSmallint:
    case varInteger:
    case varInt64: return mariadb::Value::MakeInt(v.AsInt64());
    case varBoolean: return mariadb::Value::MakeInt(v.AsBoolean() ? 1 : 0);
    case varSingle:
    case varDouble: return mariadb::Value::MakeFloat(v.AsDouble());
    case varCurrency: return mariadb::Value::MakeText(currencyText(v.AsCurrency()));
    case varDate: return mariadb::Value::MakeDateTime(v.AsDateTime());
    default: return mariadb::Value::MakeText(VarToStr(v).str());
    }
}

// Discards the rows of a statement run by ExecSQL.
class DiscardSink : public mariadb::RowSink {
public:
    void Begin(const std::vector<ColumnInfo>&, std::size_t) override {}
    void BeginRow() override {}
    void PutInt(std::size_t, std::int64_t) override {}
    void PutFloat(std::size_t, double) override {}
    void PutText(std::size_t, const char*, std::size_t) override {}
    void EndRow() override {}
};

}  // namespace

AnsiString QuoteIdentifier(const AnsiString& name) {
    std::string out = "`";
    for (char c : name.str()) {
        if (c == '`') out += '`';
        out += c;
    }
    out += '`';
    return out;
}

// ---- TParam / TParams ----------------------------------------------------------------------------

void TParam::SetValue(const Variant& v) {
    value_ = v;
    if (dataType_ != ftUnknown) return;
    switch (v.Type() & varTypeMask) {
    case varSmallint: dataType_ = ftSmallint; break;
    case varInteger: dataType_ = ftInteger; break;
    case varInt64: dataType_ = ftLargeint; break;
    case varBoolean: dataType_ = ftBoolean; break;
    case varSingle:
    case varDouble: dataType_ = ftFloat; break;
    case varCurrency: dataType_ = ftCurrency; break;
    case varDate: dataType_ = ftDateTime; break;
    case varString:
    case varOleStr: dataType_ = ftString; break;
    default: break;
    }
}

void TParam::Assign(const TParam& other) {
    dataType_ = other.dataType_;
    paramType_ = other.paramType_;
    value_ = other.value_;
}

mariadb::Value TParam::ToValue() const {
    if (value_.IsEmpty()) {
        if (dataType_ == ftUnknown) throw EDatabaseError("No value for parameter '" + name_ + "'");
        return mariadb::Value::MakeNull();
    }
    if (value_.IsNull()) return mariadb::Value::MakeNull();
    switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: return mariadb::Value::MakeText(VarToStr(value_).str());
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftGraphic: return mariadb::Value::MakeBlob(VarToStr(value_).str());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return mariadb::Value::MakeInt(value_.AsInt64());
    case ftBoolean: return mariadb::Value::MakeInt(value_.AsBoolean() ? 1 : 0);
    case ftFloat:
    case ftFMTBcd: return mariadb::Value::MakeFloat(value_.AsDouble());
    case ftCurrency:
    case ftBCD: return mariadb::Value::MakeText(currencyText(value_.AsCurrency()));
    case ftDate: return mariadb::Value::MakeDate(value_.AsDateTime());
    case ftTime: return mariadb::Value::MakeTime(value_.AsDateTime());
    case ftDateTime:
    case ftTimeStamp: return mariadb::Value::MakeDateTime(value_.AsDateTime());
    default: return variantValue(value_);
    }
}

TParam* TParams::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
    return items_[static_cast<std::size_t>(i)].get();
}

TParam* TParams::FindParam(const AnsiString& name) const {
    for (const auto& p : items_)
        if (SameText(p->Name(), name)) return p.get();
    return nullptr;
}

TParam* TParams::ParamByName(const AnsiString& name) const {
    TParam* p = FindParam(name);
    if (!p) DatabaseError("Parameter '" + name + "' not found");
    return p;
}

TParam* TParams::CreateParam(TFieldType type, const AnsiString& name, TParamType paramType) {
    items_.push_back(std::make_unique<TParam>(name, type, paramType));
    return items_.back().get();
}

void TParams::AssignValues(const TParams& other) {
    for (const auto& p : items_)
        if (TParam* o = other.FindParam(p->Name())) p->Assign(*o);
}

void TParams::ParseSQL(const AnsiString& sql) {
    std::vector<std::unique_ptr<TParam>> next;
    for (const AnsiString& name : SqlParamNames(sql)) {
        auto p = std::make_unique<TParam>(name);
        if (TParam* old = FindParam(name)) p->Assign(*old);
        next.push_back(std::move(p));
    }
    items_ = std::move(next);
}

// ---- TCustomSQLDataSet ---------------------------------------------------------------------------

// Turns fetched rows into the dataset's records, column by column in the slot kind of its field.
class TCustomSQLDataSet::Sink : public mariadb::RowSink {
public:
    explicit Sink(TCustomSQLDataSet& ds) : ds_(ds) {}

    void Begin(const std::vector<ColumnInfo>& columns, std::size_t rowCount) override {
        ds_.columns_ = columns;
        ds_.defineFields(columns);
        kinds_.clear();
        for (int i = 0; i < ds_.FieldDefs()->Count(); ++i) kinds_.push_back(SlotKindOf(ds_.FieldDefs()->Items(i)->DataType()));
        ds_.ClearStoredRecords();
        ds_.ReserveStoredRecords(rowCount);
    }
    void BeginRow() override { b_.Reset(static_cast<int>(kinds_.size())); }
    void PutInt(std::size_t col, std::int64_t v) override {
        int i = static_cast<int>(col);
        switch (kinds_[col]) {
        case skInteger: b_.SetInt(i, v); break;
        case skFloat: b_.SetFloat(i, static_cast<double>(v)); break;
        case skCurrency: b_.SetCurrency(i, Currency::FromRaw(v * Currency::Scale)); break;
        case skBytes: b_.SetBytes(i, std::to_string(v)); break;
        }
    }
    void PutFloat(std::size_t col, double v) override {
        int i = static_cast<int>(col);
        switch (kinds_[col]) {
        case skFloat: b_.SetFloat(i, v); break;
        case skInteger: b_.SetInt(i, std::llround(v)); break;
        case skCurrency: b_.SetCurrency(i, Currency::FromRaw(std::llround(v * Currency::Scale))); break;
        case skBytes: b_.SetBytes(i, FloatToStr(v, TFormatSettings::Invariant()).str()); break;
        }
    }
    void PutText(std::size_t col, const char* p, std::size_t n) override {
        int i = static_cast<int>(col);
        switch (kinds_[col]) {
        case skBytes: b_.SetBytes(i, std::string_view(p, n)); break;
        case skCurrency: b_.SetCurrency(i, Currency::FromRaw(decimalToCurrencyRaw(std::string_view(p, n)))); break;
        case skFloat: {
            double v = 0;
            std::from_chars(p, p + n, v);
            b_.SetFloat(i, v);
            break;
        }
        case skInteger: {
            std::int64_t v = 0;
            std::from_chars(p, p + n, v);
            b_.SetInt(i, v);
            break;
        }
        }
    }
    void EndRow() override { ds_.AppendStoredRecord(b_.Build(arena_)); }

private:
    TCustomSQLDataSet& ds_;
    TRecordBuilder b_;
    TRecordArena arena_;  // the fetch's records in blocks, not one heap block each
    std::vector<TSlotKind> kinds_;
};

TCustomSQLDataSet::TCustomSQLDataSet(TComponent* owner) : TDataSet(owner), params_(std::make_unique<TParams>()) {}

// A connection shared by two threads may get and lose datasets from both: its list of datasets to notify
// changes under its lock.
TCustomSQLDataSet::~TCustomSQLDataSet() {
    if (connection_) {
        auto lock = connection_->Lock();
        connection_->RemoveFreeNotification(this);
    }
}

void TCustomSQLDataSet::SetSQLConnection(TSQLConnection* c) {
    if (c == connection_) return;
    if (Active()) Close();
    if (connection_) {
        auto lock = connection_->Lock();
        connection_->RemoveFreeNotification(this);
    }
    connection_ = c;
    if (connection_) {
        auto lock = connection_->Lock();
        connection_->FreeNotification(this);
    }
}

void TCustomSQLDataSet::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == connection_) connection_ = nullptr;
}

void TCustomSQLDataSet::SetParamCheck(bool b) {
    paramCheck_ = b;
    if (b) params_->ParseSQL(CommandSQL());
}

void TCustomSQLDataSet::CommandChanged() {
    if (Active()) Close();
    if (paramCheck_) params_->ParseSQL(CommandSQL());
}

TSqlParamScan TCustomSQLDataSet::scanCommand(const AnsiString& sql) const {
    if (paramCheck_) return ScanSqlParams(sql);
    TSqlParamScan plain;  // without parameter checking the text goes to the server as it is
    plain.Sql = sql.str();
    return plain;
}

void TCustomSQLDataSet::checkConnection() const {
    if (!connection_) DatabaseError("Missing SQLConnection property", this);
}

std::vector<mariadb::Value> TCustomSQLDataSet::boundValues(const TSqlParamScan& scan) const {
    std::vector<mariadb::Value> values;
    values.reserve(scan.Names.size());
    for (const AnsiString& name : scan.Names) {
        TParam* p = params_->FindParam(name);
        if (!p) DatabaseError("No value for parameter '" + name + "'", this);
        try {
            values.push_back(p->ToValue());
        } catch (const EDatabaseError& e) {
            DatabaseError(e.Message(), this);
        }
    }
    return values;
}

void TCustomSQLDataSet::defineFields(const std::vector<ColumnInfo>& cols) {
    TFieldDefs* defs = FieldDefs();
    defs->Clear();
    for (const ColumnInfo& c : cols) {
        // Two result columns of one name ("select a.x, b.x") get "_1", "_2" ... as the class library names them.
        AnsiString name = c.Name;
        for (int k = 1; defs->IndexOf(name) >= 0; ++k) name = c.Name + "_" + IntToStr(k);
        TFieldType t = fieldTypeOf(c);
        int size = 0;
        if (t == ftString) size = static_cast<int>(std::max<unsigned long>(c.Length, 1));
        else if (t == ftBCD || t == ftFMTBcd) size = static_cast<int>(c.Decimals);
        bool required = c.NotNull && !c.AutoIncrement && !c.OrgTable.IsEmpty();
        TFieldDef* d = defs->Add(name, t, size, required);
        if (t == ftBCD || t == ftFMTBcd) d->SetPrecision(static_cast<int>(c.Precision));
    }
}

void TCustomSQLDataSet::InternalOpen() {
    checkConnection();
    AnsiString sql = CommandSQL();
    if (Trim(sql).IsEmpty()) DatabaseError("SQL statement is empty", this);
    TSqlParamScan scan = scanCommand(sql);
    std::vector<mariadb::Value> values = boundValues(scan);
    Sink sink(*this);
    mariadb::Outcome o = connection_->Execute(scan.Sql, values, &sink);
    if (!o.HasResult) DatabaseError("Cursor not returned from Query", this);
}

void TCustomSQLDataSet::InternalClose() { ClearStoredRecords(); }

void TCustomSQLDataSet::InternalInitFieldDefs() {
    checkConnection();
    TSqlParamScan scan = scanCommand(CommandSQL());
    std::vector<ColumnInfo> cols;
    {
        auto lock = connection_->Lock();
        connection_->EnsureConnected();
        try {
            mariadb::PreparedStatement st(connection_->Session(), scan.Sql);
            cols = st.Describe();
        } catch (const mariadb::Failure& f) {
            connection_->Fail(f);
        }
    }
    columns_ = cols;
    defineFields(cols);
}

int TCustomSQLDataSet::ExecSQL(bool execDirect) {
    (void)execDirect;  // every statement is sent the same way
    checkConnection();
    AnsiString sql = CommandSQL();
    if (Trim(sql).IsEmpty()) DatabaseError("SQL statement is empty", this);
    TSqlParamScan scan = scanCommand(sql);
    std::vector<mariadb::Value> values = boundValues(scan);
    DiscardSink sink;
    mariadb::Outcome o = connection_->Execute(scan.Sql, values, &sink);
    rowsAffected_ = static_cast<int>(o.RowsAffected);
    return rowsAffected_;
}

// ---- TSQLQuery -----------------------------------------------------------------------------------

TSQLQuery::TSQLQuery(TComponent* owner) : TCustomSQLDataSet(owner), sql_(std::make_unique<TStringList>()) {
    sql_->OnChange = TNotifyEvent(this, &TSQLQuery::sqlChanged);
}

TSQLQuery::~TSQLQuery() { sql_->OnChange = TNotifyEvent(); }

void TSQLQuery::sqlChanged(TObject*) { CommandChanged(); }

// ---- TSQLDataSet ---------------------------------------------------------------------------------

TSQLDataSet::TSQLDataSet(TComponent* owner) : TCustomSQLDataSet(owner) {}

void TSQLDataSet::SetCommandText(const AnsiString& s) {
    if (s == commandText_) return;
    commandText_ = s;
    CommandChanged();
}

void TSQLDataSet::SetCommandType(TSQLCommandType t) {
    if (t == commandType_) return;
    commandType_ = t;
    CommandChanged();
}

void TSQLDataSet::SetSortFieldNames(const AnsiString& s) {
    if (s == sortFieldNames_) return;
    sortFieldNames_ = s;
    CommandChanged();
}

AnsiString TSQLDataSet::CommandSQL() const {
    if (commandType_ == ctQuery) return commandText_;
    AnsiString sql = "select * from " + QuoteIdentifier(Trim(commandText_));
    AnsiString order;
    int pos = 1;
    for (AnsiString f = ExtractFieldName(sortFieldNames_, pos); !f.IsEmpty(); f = ExtractFieldName(sortFieldNames_, pos))
        order += (order.IsEmpty() ? "" : ", ") + QuoteIdentifier(f);
    if (!order.IsEmpty()) sql += " order by " + order;
    return sql;
}
