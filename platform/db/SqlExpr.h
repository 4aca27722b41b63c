// SQL datasets over a TSQLConnection: TSQLQuery (an SQL text) and TSQLDataSet (a command text or a
// table name), with their :Name parameters.
//
// A query fetches its whole result when it opens (a buffered result): RecordCount is known at once and
// the cursor moves freely. Values keep the server's types: DATETIME reads as TDateTime, NULL as Null
// (AsFloat 0, AsString empty); the fields of an empty result read as Null. Column types become field
// kinds as follows:
//   TINYINT, SMALLINT, YEAR -> ftSmallint (TINYINT(1) too: it reads AsBoolean all the same)
//   SMALLINT UNSIGNED -> ftWord; MEDIUMINT, INT -> ftInteger; INT UNSIGNED, BIGINT -> ftLargeint
//   an AUTO_INCREMENT integer below BIGINT -> ftAutoInc; BIT(1) -> ftBoolean, wider BIT -> ftLargeint
//   FLOAT, DOUBLE -> ftFloat; DECIMAL -> ftBCD up to 18 digits and 4 decimals, else ftFMTBcd
//   DATE -> ftDate; TIME -> ftTime; DATETIME, TIMESTAMP -> ftTimeStamp
//   CHAR, VARCHAR, ENUM, SET -> ftString with Size = length in characters
//   TEXT kinds, JSON -> ftMemo; BLOB kinds, BINARY, VARBINARY -> ftBlob
// A column of a table that is NOT NULL (and not AUTO_INCREMENT) makes a Required field.
//
// Parameters are bound as values of a server-side prepared statement: their text never becomes part of
// the SQL. A statement's parameter list follows its text; changing the text keeps the values of the
// parameters whose names stay.
#pragma once

#include "data/DB.h"
#include "db/MariaSession.h"
#include "db/SqlConnection.h"
#include "db/SqlParams.h"
#include "rtl/Variant.h"

#include <memory>
#include <vector>

class TCustomSQLDataSet;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// One :Name parameter. Each typed setter also sets DataType, which decides how the value is sent.
class TParam {
public:
    TParam() = default;
    TParam(const AnsiString& name, TFieldType type = ftUnknown, TParamType paramType = ptInput)
        : name_(name), dataType_(type), paramType_(paramType) {}

    const AnsiString& Name() const noexcept { return name_; }
    void SetName(const AnsiString& n) { name_ = n; }
    TFieldType DataType() const noexcept { return dataType_; }
    void SetDataType(TFieldType t) { dataType_ = t; }
    TParamType ParamType() const noexcept { return paramType_; }
    void SetParamType(TParamType t) { paramType_ = t; }

    // Set once a value (Null included) has been given.
    bool Bound() const noexcept { return !value_.IsEmpty(); }
    bool IsNull() const noexcept { return value_.IsNull() || value_.IsEmpty(); }
    // Makes the value Null (the parameter stays bound).
    void Clear() { value_ = Variant::Null(); }

    Variant Value() const { return value_; }
    void SetValue(const Variant& v);

    AnsiString AsString() const { return VarToStr(value_); }
    void SetAsString(const AnsiString& v) { set(ftString, Variant(v)); }
    AnsiString AsMemo() const { return VarToStr(value_); }
    void SetAsMemo(const AnsiString& v) { set(ftMemo, Variant(v)); }
    AnsiString AsBlob() const { return VarToStr(value_); }
    void SetAsBlob(const AnsiString& v) { set(ftBlob, Variant(v)); }
    int AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
    void SetAsInteger(int v) { set(ftInteger, Variant(v)); }
    int AsSmallInt() const { return AsInteger(); }
    void SetAsSmallInt(int v) { set(ftSmallint, Variant(v)); }
    int AsWord() const { return AsInteger(); }
    void SetAsWord(int v) { set(ftWord, Variant(v)); }
    long long AsLargeInt() const { return IsNull() ? 0 : value_.AsInt64(); }
    void SetAsLargeInt(long long v) { set(ftLargeint, Variant(v)); }
    double AsFloat() const { return IsNull() ? 0.0 : value_.AsDouble(); }
    void SetAsFloat(double v) { set(ftFloat, Variant(v)); }
    Currency AsCurrency() const { return IsNull() ? Currency() : value_.AsCurrency(); }
    void SetAsCurrency(Currency v) { set(ftCurrency, Variant(v)); }
    Currency AsBCD() const { return AsCurrency(); }
    void SetAsBCD(Currency v) { set(ftBCD, Variant(v)); }
    double AsFMTBCD() const { return AsFloat(); }
    void SetAsFMTBCD(double v) { set(ftFMTBcd, Variant(v)); }
    bool AsBoolean() const { return IsNull() ? false : value_.AsBoolean(); }
    void SetAsBoolean(bool v) { set(ftBoolean, Variant(v)); }
    TDateTime AsDateTime() const { return IsNull() ? 0.0 : value_.AsDateTime(); }
    void SetAsDateTime(TDateTime v) { set(ftDateTime, Variant::FromDateTime(v)); }
    TDateTime AsSQLTimeStamp() const { return AsDateTime(); }
    void SetAsSQLTimeStamp(TDateTime v) { set(ftTimeStamp, Variant::FromDateTime(v)); }
    TDateTime AsDate() const { return AsDateTime(); }
    void SetAsDate(TDateTime v) { set(ftDate, Variant::FromDateTime(v)); }
    TDateTime AsTime() const { return AsDateTime(); }
    void SetAsTime(TDateTime v) { set(ftTime, Variant::FromDateTime(v)); }

    void Assign(const TParam& other);

    // The value as it is sent to the server; raises for a parameter that was never given a value.
    mariadb::Value ToValue() const;

private:
    void set(TFieldType t, const Variant& v) {
        dataType_ = t;
        value_ = v;
    }
    AnsiString name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_ = ptInput;
    Variant value_;  // Empty until a value is given
};

class TParams {
public:
    TParams() = default;
    TParams(const TParams&) = delete;
    TParams& operator=(const TParams&) = delete;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TParam* Items(int i) const;
    TParam* operator[](int i) const { return Items(i); }
    // Case-insensitive; FindParam answers nullptr, ParamByName raises "Parameter 'X' not found".
    TParam* FindParam(const AnsiString& name) const;
    TParam* ParamByName(const AnsiString& name) const;
    TParam* CreateParam(TFieldType type, const AnsiString& name, TParamType paramType = ptInput);
    void Clear() { items_.clear(); }
    // Copies the values of the parameters that other has under the same names.
    void AssignValues(const TParams& other);
    // Replaces the list with the distinct parameter names of sql, keeping the values of names that stay.
    void ParseSQL(const AnsiString& sql);

private:
    std::vector<std::unique_ptr<TParam>> items_;
};

enum TSQLCommandType { ctQuery, ctTable };

class TCustomSQLDataSet : public TDataSet {
    PLANTMON_CLASS(TCustomSQLDataSet, TDataSet)
public:
    explicit TCustomSQLDataSet(TComponent* owner);
    ~TCustomSQLDataSet() override;

    TSQLConnection* SQLConnection() const noexcept { return connection_; }
    void SetSQLConnection(TSQLConnection* c);

    TParams* Params() const noexcept { return params_.get(); }
    TParam* ParamByName(const AnsiString& name) const { return params_->ParamByName(name); }
    // When set (the default), the statement's :Name parameters are listed in Params as its text changes.
    bool ParamCheck() const noexcept { return paramCheck_; }
    void SetParamCheck(bool b);

    // Kept for the original driver's sake; metadata always comes with the result here.
    bool NoMetadata() const noexcept { return noMetadata_; }
    void SetNoMetadata(bool b) { noMetadata_ = b; }
    bool Prepared() const noexcept { return prepared_; }
    void SetPrepared(bool b) { prepared_ = b; }

    // Runs the statement without opening the dataset; returns the rows it matched or inserted. A
    // statement that returns rows runs all the same (the rows are dropped).
    int ExecSQL(bool execDirect = false);
    // Rows matched or inserted by the last ExecSQL (-1 before any).
    int RowsAffected() const noexcept { return rowsAffected_; }

    // The result columns of the last open, as the server described them (the provider reads the table
    // and key columns from them).
    const std::vector<mariadb::ColumnInfo>& ResultColumns() const noexcept { return columns_; }

    // The SQL text that runs, with :Name parameters.
    virtual AnsiString CommandSQL() const = 0;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    bool GetCanModify() const override { return false; }
    void Notification(TComponent* component, TOperation operation) override;
    // The statement text changed: close, and list the parameters of the new text.
    void CommandChanged();

private:
    class Sink;
    void checkConnection() const;
    TSqlParamScan scanCommand(const AnsiString& sql) const;
    std::vector<mariadb::Value> boundValues(const TSqlParamScan& scan) const;
    void defineFields(const std::vector<mariadb::ColumnInfo>& cols);

    TSQLConnection* connection_ = nullptr;
    std::unique_ptr<TParams> params_;
    bool paramCheck_ = true;
    bool noMetadata_ = false;
    bool prepared_ = false;
    int rowsAffected_ = -1;
    std::vector<mariadb::ColumnInfo> columns_;
};

class TSQLQuery : public TCustomSQLDataSet {
    PLANTMON_CLASS(TSQLQuery, TCustomSQLDataSet)
public:
    explicit TSQLQuery(TComponent* owner);
    ~TSQLQuery() override;

    // The statement; changing it closes the query and re-lists the parameters.
    TStrings* SQL() const noexcept { return sql_.get(); }
    void SetSQL(TStrings* s) { sql_->Assign(s); }
    AnsiString CommandSQL() const override { return sql_->Text(); }

private:
    void sqlChanged(TObject* sender);
    std::unique_ptr<TStringList> sql_;
};

class TSQLDataSet : public TCustomSQLDataSet {
    PLANTMON_CLASS(TSQLDataSet, TCustomSQLDataSet)
public:
    explicit TSQLDataSet(TComponent* owner);

    // ctQuery: an SQL statement; ctTable: a table name (all its columns, in SortFieldNames order).
    const AnsiString& CommandText() const noexcept { return commandText_; }
    void SetCommandText(const AnsiString& s);
    TSQLCommandType CommandType() const noexcept { return commandType_; }
    void SetCommandType(TSQLCommandType t);
    // ';'-separated columns that order a table (ctTable only).
    const AnsiString& SortFieldNames() const noexcept { return sortFieldNames_; }
    void SetSortFieldNames(const AnsiString& s);

    AnsiString CommandSQL() const override;

private:
    AnsiString commandText_;
    TSQLCommandType commandType_ = ctQuery;
    AnsiString sortFieldNames_;
};

// `name` with backquotes doubled: a table or column name written into a statement.
AnsiString QuoteIdentifier(const AnsiString& name);
