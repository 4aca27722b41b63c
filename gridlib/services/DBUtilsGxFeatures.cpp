// Dataset features: the registry, record moving, and filtering and sorting by SQL text rewriting.
#include "gridlib/services/DBUtilsGx.h"

#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"
#include "rtl/TypInfo.h"

#include <memory>
#include <vector>

namespace gxdetail {
// One SQL part whose values are parameters (DBUtilsGxFilter.cpp).
AnsiString GetOneExpressionAsSQLParamString(TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName,
                                            std::vector<Variant>& values, const AnsiString& paramPrefix);
}  // namespace gxdetail

// ---- The registry ----------------------------------------------------------------------------------------
namespace {

struct Registration {
    AnsiString className;
    std::unique_ptr<TDatasetFeaturesGx> features;
};

std::vector<Registration>& registry() {
    static std::vector<Registration> entries;
    return entries;
}

}  // namespace

void RegisterDatasetFeaturesGx(const TDatasetFeaturesGxClass& datasetFeaturesClass, TClass dataSetClass) {
    if (!dataSetClass || !datasetFeaturesClass) return;
    std::unique_ptr<TDatasetFeaturesGx> features(datasetFeaturesClass());
    features->SetRegisteredDataSetClass(dataSetClass);
    for (Registration& r : registry()) {
        if (SameText(r.className, dataSetClass->Name)) {
            r.features = std::move(features);
            return;
        }
    }
    registry().push_back(Registration{dataSetClass->Name, std::move(features)});
}

void UnregisterDatasetFeaturesGx(TClass dataSetClass) {
    if (!dataSetClass) return;
    auto& entries = registry();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (SameText(it->className, dataSetClass->Name)) {
            entries.erase(it);
            return;
        }
    }
}

TDatasetFeaturesGx* GetDatasetFeaturesForDataSetClass(TClass dataSetClass) {
    TDatasetFeaturesGx* best = nullptr;
    int bestDistance = 0;
    for (const Registration& r : registry()) {
        int distance = 0;
        TClass c = dataSetClass;
        while (c && !SameText(c->Name, r.className)) {
            c = c->Parent;
            ++distance;
        }
        if (!c) continue;
        if (!best || distance < bestDistance) {
            best = r.features.get();
            bestDistance = distance;
        }
    }
    return best;
}

TDatasetFeaturesGx* GetDatasetFeaturesForDataSet(TDataSet* dataSet) {
    return dataSet ? GetDatasetFeaturesForDataSetClass(dataSet->ClassType()) : nullptr;
}

// ---- SQL-like properties ------------------------------------------------------------------------------
bool IsSQLBasedDataSet(TDataSet* dataSet, TStrings*& sql) {
    sql = nullptr;
    try {
        PPropInfo prop = GetPropInfo(dataSet, "SQL");
        if (!prop || !prop->PropType || prop->PropType->Kind != tkClass) return false;
        sql = dynamic_cast<TStrings*>(GetObjectProp(dataSet, prop));
        return sql != nullptr;
    } catch (const Exception&) {
        sql = nullptr;
        return false;
    }
}

bool IsDataSetHaveSQLLikeProp(TDataSet* dataSet, const AnsiString& sqlPropName, AnsiString& sqlPropValue) {
    sqlPropValue = AnsiString();
    PPropInfo prop = GetPropInfo(dataSet, sqlPropName);
    if (!prop || !prop->PropType) return false;
    switch (prop->PropType->Kind) {
    case tkString:
    case tkWString: sqlPropValue = GetStrProp(dataSet, prop); return true;
    case tkClass: {
        TObject* obj = GetObjectProp(dataSet, prop);
        if (!obj) return false;
        // An object of another class reads as an empty text.
        if (auto* strings = dynamic_cast<TStrings*>(obj)) sqlPropValue = strings->Text();
        return true;
    }
    default: return false;
    }
}

namespace {

void writeSQLLikeProp(TDataSet* dataSet, const AnsiString& sqlPropName, const AnsiString& text) {
    PPropInfo prop = GetPropInfo(dataSet, sqlPropName);
    if (!prop || !prop->PropType) return;
    switch (prop->PropType->Kind) {
    case tkString:
    case tkWString: SetStrProp(dataSet, prop, text); break;
    case tkClass: {
        TObject* obj = GetObjectProp(dataSet, prop);
        if (!obj) return;
        auto* strings = dynamic_cast<TStrings*>(obj);
        if (!strings) throw EInvalidCast("Invalid class typecast");
        strings->SetText(text);
        break;
    }
    default: break;
    }
}

[[noreturn]] void notSQLBased(TDataSet* dataSet) { throw Exception(dataSet->ClassName() + " is not SQL based dataset"); }

std::unique_ptr<TStringList> linesOf(const AnsiString& text) {
    auto lines = std::make_unique<TStringList>();
    lines->SetText(text);
    return lines;
}

// The parameters of the platform's SQL datasets, when they list them from the text.
TParams* paramsOf(TDataSet* dataSet) {
    if (auto* sql = dynamic_cast<TCustomSQLDataSet*>(dataSet)) return sql->ParamCheck() ? sql->Params() : nullptr;
    if (auto* cds = dynamic_cast<TSQLClientDataSet*>(dataSet))
        return cds->SQLDataSet()->ParamCheck() ? cds->Params() : nullptr;
    return nullptr;
}

// The names of the filter's parameters; the filter's own, so that they never meet the author's.
const char* const FilterParamPrefix = "STFilterValueGx";

void bindParam(TParam* p, const Variant& v) {
    const TVarType t = VarType(v) & varTypeMask;
    if (v.IsNull() || v.IsEmpty()) p->SetAsString(AnsiString());
    else if (t == varDate) p->SetAsDateTime(VarToDateTime(v));
    else if (t == varSmallint || t == varInteger || t == varInt64) p->SetAsLargeInt(v.AsInt64());
    else if (VarIsFloat(v)) p->SetAsFloat(v.AsDouble());
    else if (t == varBoolean) p->SetAsBoolean(v.AsBoolean());
    else p->SetAsString(VarToStr(v));
}

// Runs change with the dataset's controls disabled: closed, the text written, reopened on request.
// A reopened dataset has made its fields anew: its controls hear of a new layout when they are
// enabled again, so that none keeps a field of the closed dataset.
template <class Change>
void rewriteAndReopen(TDataSet* dataSet, bool isReopen, Change change) {
    dataSet->DisableControls();
    try {
        const bool wasActive = dataSet->Active();
        if (wasActive) dataSet->Close();
        change();
        if (isReopen) dataSet->Open();
        if (wasActive && dataSet->Active()) dataSet->DataEvent(deLayoutChange);
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
}

}  // namespace

// ---- Filtering and sorting through the SQL text ----------------------------------------------------------
void ApplyFilterSQLBasedDataSet(IDataServiceGridGx* grid, const TDateValueToSQLStringProcGx& dateValueProc,
                                bool isReopen, const AnsiString& sqlPropName) {
    if (!grid) return;
    TDataSet* ds = grid->GetServiceDataSet();
    if (!ds) return;
    AnsiString text;
    if (!IsDataSetHaveSQLLikeProp(ds, sqlPropName, text)) notSQLBased(ds);
    auto lines = linesOf(text);
    const int markerLength = SQLFilterMarker.Length();
    int markerLine = -1;
    for (int i = 0; i < lines->Count(); ++i) {
        if (SameText(lines->Get(i).SubString(1, markerLength), SQLFilterMarker)) {
            markerLine = i;
            break;
        }
    }

    // Nothing typed becomes SQL text where the dataset binds parameters: each value is one.
    TParams* params = paramsOf(ds);
    std::vector<Variant> values;
    AnsiString condition;
    if (params) {
        condition = GetExpressionAsFilterString(
            grid,
            [&values](TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName, TDataSet*,
                      const TDateValueToSQLStringProcGx&, bool) {
                return gxdetail::GetOneExpressionAsSQLParamString(op, value, fieldName, values, FilterParamPrefix);
            },
            dateValueProc, true, false);
    } else {
        condition = GetExpressionAsFilterString(grid, GetOneExpressionAsSQLWhereString, dateValueProc, true, false);
    }
    if (condition.IsEmpty()) condition = "1=1";
    if (markerLine < 0) return;

    rewriteAndReopen(ds, isReopen, [&] {
        lines->Put(markerLine, SQLFilterMarker + " (" + condition + ")");
        writeSQLLikeProp(ds, sqlPropName, lines->Text());
        if (params) {
            for (std::size_t i = 0; i < values.size(); ++i)
                bindParam(params->ParamByName(FilterParamPrefix + IntToStr(static_cast<long long>(i + 1))), values[i]);
        }
    });
}

void ApplySortingForSQLBasedDataSet(IDataServiceGridGx* grid, TDataSet* dataSet, bool useFieldName,
                                    const AnsiString& sqlPropName, bool isReopen) {
    if (!grid || !dataSet) return;
    AnsiString text;
    if (!IsDataSetHaveSQLLikeProp(dataSet, sqlPropName, text)) notSQLBased(dataSet);

    AnsiString order;
    const int n = grid->GetSortMarkedCount();
    for (int i = 0; i < n; ++i) {
        const TSortMarkedColumnInfoGx c = grid->GetSortMarkedColumnInfo(i);
        if (!c.Present) continue;
        AnsiString item;
        if (useFieldName) {
            item = QuoteIdentifier(c.FieldName);
        } else {
            // A column without a data field has no place in the select list: its number would
            // name another column.
            if (!c.Field || c.Field->FieldKind() != fkData || c.Field->FieldNo() <= 0) continue;
            item = IntToStr(c.Field->FieldNo());
        }
        order += item + (c.Descending ? " DESC, " : ", ");
    }
    if (!order.IsEmpty()) order = "ORDER BY " + order.SubString(1, order.Length() - 2);

    auto lines = linesOf(text);
    int orderLine = -1;
    for (int i = 0; i < lines->Count(); ++i) {
        if (UpperCase(lines->Get(i).SubString(1, 8)) == "ORDER BY") {
            orderLine = i;
            break;
        }
    }
    if (orderLine < 0) orderLine = lines->Add("");
    lines->Put(orderLine, order);

    rewriteAndReopen(dataSet, isReopen, [&] { writeSQLLikeProp(dataSet, sqlPropName, lines->Text()); });
}

// ---- The features classes --------------------------------------------------------------------------------
void TDatasetFeaturesGx::ApplySorting(TObject*, TDataSet*, bool) {}
void TDatasetFeaturesGx::ApplyFilter(TObject*, TDataSet*, bool) {}

bool TDatasetFeaturesGx::MoveRecords(TObject* Sender, TStrings* BookmarkList, int ToRecNo, bool CheckOnly) {
    auto* grid = dynamic_cast<IDataServiceGridGx*>(Sender);
    if (!grid) return false;
    TDataSet* d = grid->GetServiceDataSet();
    if (!d) return false;
    const bool result = d->CanModify();
    if (CheckOnly || !result || !BookmarkList) return result;

    struct Held {
        std::vector<Variant> values;
        bool selected = false;
        bool deleted = false;
        bool inserted = false;
    };
    TBMListGx* selection = grid->GetSelectedRowsGx();
    std::vector<TBookmarkStr> bookmarks;
    for (int i = 0; i < BookmarkList->Count(); ++i) bookmarks.push_back(BookmarkList->Get(i));
    std::vector<Held> held(bookmarks.size());
    auto putValues = [d](const Held& h) {
        for (int f = 0; f < d->FieldCount() && f < static_cast<int>(h.values.size()); ++f) {
            TField* field = d->Fields()->Fields(f);
            if (field->CanModify()) field->SetValue(h.values[f]);
        }
    };

    d->DisableControls();
    try {
        const bool appendMode = ToRecNo >= d->RecordCount();
        for (std::size_t i = 0; i < bookmarks.size(); ++i) {
            d->GotoBookmark(bookmarks[i]);
            for (int f = 0; f < d->FieldCount(); ++f) held[i].values.push_back(d->Fields()->Fields(f)->Value());
            if (i > 0 && d->RecNo() < ToRecNo) --ToRecNo;
            if (selection) {
                held[i].selected = selection->CurrentRowSelected();
                selection->SetCurrentRowSelected(false);
            }
        }
        for (std::size_t i = 0; i < bookmarks.size(); ++i) {
            d->GotoBookmark(bookmarks[i]);
            d->Delete();
            held[i].deleted = true;
        }
        for (std::size_t k = bookmarks.size(); k-- > 0;) {
            if (appendMode) {
                d->Append();
            } else {
                if (k + 1 == bookmarks.size()) d->SetRecNo(ToRecNo);
                else d->Next();
                d->Insert();
            }
            putValues(held[k]);
            d->Post();
            held[k].inserted = true;
            if (selection) selection->SetCurrentRowSelected(held[k].selected);
        }
    } catch (...) {
        // The values of every deleted record are still here: none is lost to a failed move.
        try {
            if (d->State() == dsEdit || d->State() == dsInsert) d->Cancel();
        } catch (...) {
        }
        for (Held& h : held) {
            if (!h.deleted || h.inserted) continue;
            try {
                d->Append();
                putValues(h);
                d->Post();
                h.inserted = true;
                if (selection) selection->SetCurrentRowSelected(h.selected);
            } catch (...) {
                try {
                    if (d->State() == dsEdit || d->State() == dsInsert) d->Cancel();
                } catch (...) {
                }
            }
        }
        d->EnableControls();
        throw;
    }
    d->EnableControls();
    return result;
}

TSQLDatasetFeaturesGx::TSQLDatasetFeaturesGx() = default;

void TSQLDatasetFeaturesGx::ApplyFilter(TObject* Sender, TDataSet*, bool IsReopen) {
    auto* grid = dynamic_cast<IDataServiceGridGx*>(Sender);
    if (!grid) return;
    if (grid->GetSTFilterLocal()) {
        TDataSet* ds = grid->GetServiceDataSet();
        if (!ds) return;
        const AnsiString filter = GetExpressionAsFilterString(grid, GetOneExpressionAsLocalFilterString,
                                                              TDateValueToSQLStringProcGx(), false, LocalFilterUsesLike);
        ds->SetFilter(filter);
        ds->SetFiltered(true);
        return;
    }
    ApplyFilterSQLBasedDataSet(grid, DateToSQLTextProc, IsReopen, SQLPropertyName);
}

void TSQLDatasetFeaturesGx::ApplySorting(TObject* Sender, TDataSet* DataSet, bool IsReopen) {
    auto* grid = dynamic_cast<IDataServiceGridGx*>(Sender);
    if (!grid) return;
    if (grid->GetSortLocal())
        throw Exception("TSQLDatasetFeaturesGx can not sort data in dataset \"" +
                        (DataSet ? DataSet->Name() : AnsiString()) + "\" in local mode");
    ApplySortingForSQLBasedDataSet(grid, DataSet, SortByFieldNames, SQLPropertyName, IsReopen);
}

TCommandTextDatasetFeaturesGx::TCommandTextDatasetFeaturesGx() { SQLPropertyName = "CommandText"; }
