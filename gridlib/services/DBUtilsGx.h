// The grid library's dataset utilities:
// - the filter language of the grid's filter row: operators and their words, the parser that turns
//   a column's text into a TSTFilterExpressionGx, the display text of an expression, and the two
//   filter texts built from all columns of a grid (a dataset Filter, an SQL condition);
// - the dataset features registry: per dataset class, how a dataset filters, sorts and moves its
//   records; the SQL features rewrite a marked line and the ORDER BY line of the dataset's SQL text.
//
// The grid sits above this unit: it is reached through IDataServiceGridGx, which the grid implements
// (the features get the grid as Sender and ask it for that interface).
#pragma once

#include "gridlib/editors/ToolCtrlsGx.h"

#include "data/DB.h"
#include "rtl/Classes.h"
#include "rtl/Variant.h"

#include <functional>
#include <memory>

// ---- Operators, operand types, the parsed expression ----------------------------------------------
enum TSTFilterOperatorGx {
    foNon,
    foEqual,
    foNotEqual,
    foGreaterThan,
    foLessThan,
    foGreaterOrEqual,
    foLessOrEqual,
    foLike,
    foNotLike,
    foIn,
    foNotIn,
    foNull,
    foNotNull,
    foAND,
    foOR,
    foValue,  // a bare value: a token kind of the parser, never stored in an expression
};
constexpr int STFilterOperatorCountGx = foValue + 1;

enum TSTOperandTypeGx { botNon, botString, botNumber, botDateTime, botBoolean };

// The display words (what the filter row shows) and the words of dataset filters and SQL.
extern AnsiString STFilterOperatorsStrMapGx[STFilterOperatorCountGx];
extern AnsiString STFilterOperatorsSQLStrMapGx[STFilterOperatorCountGx];

// The operand type of every field type.
extern const TSTOperandTypeGx STFldTypeMapGx[ftFMTBcd + 1];

struct TSTFilterExpressionGx {
    TSTOperandTypeGx OperandType = botNon;  // set by the caller before parsing
    TSTFilterOperatorGx FirstOperator = foNon;
    Variant FirstOperand = Null();  // Null, a text, a double, a date-time, or an array of them
    TSTFilterOperatorGx Junction = foNon;
    TSTFilterOperatorGx SecondOperator = foNon;
    Variant SecondOperand = Null();
};

// The line of an SQL text that receives the filter condition.
extern AnsiString SQLFilterMarker;

// Words and error texts of the filter language.
inline constexpr const char* SNotOperatorGx = "Not";
inline constexpr const char* SAndOperatorGx = "AND";
inline constexpr const char* SOrOperatorGx = "OR";
inline constexpr const char* SLikePredicatGx = "";
inline constexpr const char* SInPredicatGx = "In";
inline constexpr const char* SNullConstGx = "Null";
inline constexpr const char* SQuoteIsAbsentGx = "Quote is absent: ";
inline constexpr const char* SLeftBracketExpectedGx = "'(' expected: ";
inline constexpr const char* SRightBracketExpectedGx = "')' expected: ";
inline constexpr const char* SErrorInExpressionGx = "Error in expression: ";
inline constexpr const char* SUnexpectedExpressionBeforeNullGx = "Unexpected expression before Null: ";
inline constexpr const char* SUnexpectedExpressionAfterOperatorGx = "Unexpected expression after operator: ";
// A condition on a column keyed by several fields (a lookup column with KeyFields "a;b") has no
// single field to test.
inline constexpr const char* SFilterOnSeveralKeyFieldsGx = "Нельзя отобрать записи по нескольким полям сразу: ";
inline constexpr const char* SIncorrectExpressionGx = "Incorrect expression: ";
inline constexpr const char* SUnexpectedANDorORGx = "Unexpected AND or OR: ";

// Operators None, junctions None, operands Null; the operand type stays.
void ClearSTFilterExpression(TSTFilterExpressionGx& expr);
// Takes the display words from the texts above (each only when its text is not empty).
void InitSTFilterOperatorsStrMap();

// Parses exp into expr (whose OperandType the caller has set). A text that breaks the grammar
// raises Exception with one of the error texts followed by the trimmed text; a value that does not
// convert to the operand type raises EConvertError. Commas separate list items, except in a number
// column whose locale writes decimals with a comma (there only inside In ( ... )).
void ParseSTFilterExpressionGx(const AnsiString& exp, TSTFilterExpressionGx& expr);

// The text the filter row shows for an expression (= 5, ~ 'abc', In ('a','b'), =Null; a date-time
// by its date only). asKeyList: the first operand alone, as the filter of a list-style column
// shows its chosen list texts ('a','b').
AnsiString GetSTFilterExpressionDisplayText(const TSTFilterExpressionGx& expr, bool asKeyList = false);

// ---- Filter texts ---------------------------------------------------------------------------------
// Writes a date-time value as a database expects it.
using TDateValueToSQLStringProcGx = std::function<AnsiString(TDataSet* DataSet, const Variant& Value)>;
// One part of a condition: the field tested with the operator against the value.
using TOneExpressionProcGx =
    std::function<AnsiString(TSTFilterOperatorGx Operator, const Variant& Value, const AnsiString& FieldName,
                             TDataSet* DataSet, const TDateValueToSQLStringProcGx& DateValueProc, bool SupportsLike)>;

class IDataServiceGridGx;

// The condition of all columns of the grid, each column's piece made by oneExpressionProc, the pieces
// joined by " AND " (a piece of two parts joined by OR in parentheses). Empty unless the grid's
// dataset is open. useFieldOrigin: the names go into SQL: a field's Origin as given (unless the
// column's filter names its own DataField), any other name quoted as an SQL identifier. An
// expression that ends with its junction counts as its first part alone.
AnsiString GetExpressionAsFilterString(IDataServiceGridGx* grid, const TOneExpressionProcGx& oneExpressionProc,
                                       const TDateValueToSQLStringProcGx& dateValueProc, bool useFieldOrigin,
                                       bool supportsLike);
// One part in the dataset Filter syntax: [F] = 5, [F] Like 'ab%', ([F] = 1 OR [F] = 2). Numbers in
// the locale's format, date-times by dateValueProc or quoted locale text, texts quoted with their
// quotes doubled.
AnsiString GetOneExpressionAsLocalFilterString(TSTFilterOperatorGx op, const Variant& value,
                                               const AnsiString& fieldName, TDataSet* dataSet,
                                               const TDateValueToSQLStringProcGx& dateValueProc, bool supportsLike);
// One part as SQL: F >= 5, F LIKE 'ab%', F IN (1,2), F IS NULL; fieldName is written as given.
// Numbers with a point, date-times by dateValueProc or as 'yyyy-mm-dd hh:nn:ss', texts quoted with
// quotes and backslashes doubled. supportsLike is not used.
AnsiString GetOneExpressionAsSQLWhereString(TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName,
                                            TDataSet* dataSet, const TDateValueToSQLStringProcGx& dateValueProc,
                                            bool supportsLike);
// A date for a named database product: ORACLE TO_DATE('...','<short date format>'), MSACCESS
// #MM/DD/YYYY#, any other the value's text in quotes.
AnsiString DateValueToDataBaseSQLString(const AnsiString& dataBaseName, const Variant& value);

// ---- The grid as the services see it ----------------------------------------------------------------
// One column's filter: the column's field, its parsed expression and what its filter answers.
struct TColumnFilterInfoGx {
    TField* Field = nullptr;
    TSTFilterExpressionGx Expression;
    AnsiString DataField;        // the filter's own DataField
    AnsiString FilterFieldName;  // GetFilterFieldName
    Variant Operand1 = Null();   // GetOperand1
    Variant Operand2 = Null();   // GetOperand2
};

// One entry of the grid's sort-marked columns (entry i: the column whose SortIndex is i + 1).
struct TSortMarkedColumnInfoGx {
    bool Present = false;  // the list can hold gaps
    AnsiString FieldName;
    TField* Field = nullptr;
    bool Descending = false;  // the title's marker says descending (smUpGx)
};

class IDataServiceGridGx {
public:
    static constexpr const char* IID = "{6C1E0E52-9B7D-4E0B-A5A9-3F27D4C1B8E2}";
    // The dataset of the grid's data source, or nullptr.
    virtual TDataSet* GetServiceDataSet() = 0;
    // The columns in index order.
    virtual int GetFilterColumnCount() = 0;
    virtual TColumnFilterInfoGx GetColumnFilterInfo(int index) = 0;
    // STFilter.Local and SortLocal.
    virtual bool GetSTFilterLocal() = 0;
    virtual bool GetSortLocal() = 0;
    virtual int GetSortMarkedCount() = 0;
    virtual TSortMarkedColumnInfoGx GetSortMarkedColumnInfo(int index) = 0;
    // The selected records (nullptr: the grid keeps none).
    virtual TBMListGx* GetSelectedRowsGx() = 0;

protected:
    ~IDataServiceGridGx() = default;
};

// ---- Dataset features ---------------------------------------------------------------------------------
class TDatasetFeaturesGx : public TObject {
    PLANTMON_CLASS(TDatasetFeaturesGx, TObject)
public:
    TDatasetFeaturesGx() = default;
    ~TDatasetFeaturesGx() override = default;

    TClass RegisteredDataSetClass() const noexcept { return registeredDataSetClass_; }
    void SetRegisteredDataSetClass(TClass c) { registeredDataSetClass_ = c; }

    // Moves the records of bookmarkList (bookmark strings) to record number toRecNo by deleting and
    // inserting them again. Sender must be a grid; the result is whether the dataset can be
    // modified (checkOnly: only that is answered). When an exception stops the move, the records
    // already deleted are inserted again from their values before it passes on.
    virtual bool MoveRecords(TObject* Sender, TStrings* BookmarkList, int ToRecNo, bool CheckOnly);
    virtual void ApplySorting(TObject* Sender, TDataSet* DataSet, bool IsReopen);
    virtual void ApplyFilter(TObject* Sender, TDataSet* DataSet, bool IsReopen);

private:
    TClass registeredDataSetClass_ = nullptr;
};

// Makes a features object of a class (its virtual constructor).
using TDatasetFeaturesGxClass = std::function<TDatasetFeaturesGx*()>;
template <class T>
TDatasetFeaturesGxClass DatasetFeaturesClassOf() {
    return [] { return static_cast<TDatasetFeaturesGx*>(new T()); };
}

// Filters by rewriting the line of the dataset's SQL text that starts with SQLFilterMarker (or by
// the dataset's own Filter when the grid's filter is local), sorts by rewriting its ORDER BY line.
// On the platform's SQL datasets the values of the condition are :Name parameters bound before the
// dataset opens again; other datasets get the values as SQL text.
class TSQLDatasetFeaturesGx : public TDatasetFeaturesGx {
    PLANTMON_CLASS(TSQLDatasetFeaturesGx, TDatasetFeaturesGx)
public:
    TSQLDatasetFeaturesGx();

    bool SortByFieldNames = false;  // ORDER BY names the fields; false: their numbers
    AnsiString SQLPropertyName = "SQL";
    TDateValueToSQLStringProcGx DateToSQLTextProc;
    bool LocalFilterUsesLike = false;

    void ApplySorting(TObject* Sender, TDataSet* DataSet, bool IsReopen) override;
    void ApplyFilter(TObject* Sender, TDataSet* DataSet, bool IsReopen) override;
};

// The same on a CommandText property.
class TCommandTextDatasetFeaturesGx : public TSQLDatasetFeaturesGx {
    PLANTMON_CLASS(TCommandTextDatasetFeaturesGx, TSQLDatasetFeaturesGx)
public:
    TCommandTextDatasetFeaturesGx();
};

// The registry, kept per dataset class name. Registering again for a class replaces (and frees)
// the earlier features; a null class registers nothing.
void RegisterDatasetFeaturesGx(const TDatasetFeaturesGxClass& datasetFeaturesClass, TClass dataSetClass);
void UnregisterDatasetFeaturesGx(TClass dataSetClass);
// The features registered for the class or its nearest ancestor (the earliest registration on a
// tie); nullptr when none fits.
TDatasetFeaturesGx* GetDatasetFeaturesForDataSetClass(TClass dataSetClass);
TDatasetFeaturesGx* GetDatasetFeaturesForDataSet(TDataSet* dataSet);

// The published "SQL" property of the dataset when it holds a TStrings.
bool IsSQLBasedDataSet(TDataSet* dataSet, TStrings*& sql);
// The text of the published property: a string property's value, a TStrings property's Text (a
// property holding another object: true with an empty text). False when there is none or it holds
// nothing a text can be read from.
bool IsDataSetHaveSQLLikeProp(TDataSet* dataSet, const AnsiString& sqlPropName, AnsiString& sqlPropValue);
// Puts the grid's filter condition into the marker line of its dataset's SQL text, then opens the
// dataset again when isReopen. Raises "<class> is not SQL based dataset" for a dataset without the
// property; does nothing more without a marker line.
void ApplyFilterSQLBasedDataSet(IDataServiceGridGx* grid, const TDateValueToSQLStringProcGx& dateValueProc,
                                bool isReopen, const AnsiString& sqlPropName);
// Rewrites the ORDER BY line (appended when missing) from the grid's sort-marked columns.
void ApplySortingForSQLBasedDataSet(IDataServiceGridGx* grid, TDataSet* dataSet, bool useFieldName,
                                    const AnsiString& sqlPropName, bool isReopen);
