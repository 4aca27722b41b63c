// A grid as the dataset services see it: columns with filter texts and sort marks over a dataset,
// and a selection list.
#pragma once

#include "gridlib/services/DBUtilsGx.h"


#include <string>
#include <vector>

namespace gxtest {

// The selected records of a dataset (the grid's own list supplies its grid's dataset).
class DataSetBMList : public TBMListGx {
public:
    explicit DataSetBMList(TDataSet* ds) : ds_(ds) { LinkActive(true); }
    TDataSet* GetDataSet() override { return ds_; }

private:
    TDataSet* ds_;
};

class FakeGrid : public TObject, public IDataServiceGridGx {
public:
    struct Column {
        AnsiString fieldName;
        AnsiString dataField;
        TSTFilterExpressionGx expr;
    };
    struct Sort {
        AnsiString fieldName;
        bool descending = false;
        bool present = true;
        bool noField = false;  // the column shows no field of the dataset
    };

    explicit FakeGrid(TDataSet* ds) : ds_(ds) {}

    // Adds a column showing the field; the column's filter text is parsed as the grid parses it
    // (the operand type from the field).
    int AddColumn(const AnsiString& fieldName, const AnsiString& filterText = "", const AnsiString& dataField = "") {
        columns_.push_back(Column{fieldName, dataField, {}});
        SetFilterText(static_cast<int>(columns_.size()) - 1, filterText);
        return static_cast<int>(columns_.size()) - 1;
    }
    void SetFilterText(int col, const AnsiString& text) {
        TSTFilterExpressionGx& e = columns_[col].expr;
        TField* f = ds_->FindField(columns_[col].fieldName);
        if (f) e.OperandType = STFldTypeMapGx[f->DataType()];
        ParseSTFilterExpressionGx(text, e);
    }
    void ClearFilters() {
        for (Column& c : columns_) ClearSTFilterExpression(c.expr);
    }

    bool local = false;
    bool sortLocal = false;
    std::vector<Sort> sorts;
    TBMListGx* selection = nullptr;

    TDataSet* GetServiceDataSet() override { return ds_; }
    int GetFilterColumnCount() override { return static_cast<int>(columns_.size()); }
    TColumnFilterInfoGx GetColumnFilterInfo(int index) override {
        const Column& c = columns_[index];
        TColumnFilterInfoGx info;
        info.Field = ds_->Active() ? ds_->FindField(c.fieldName) : nullptr;
        info.Expression = c.expr;
        info.DataField = c.dataField;
        info.FilterFieldName = c.dataField.IsEmpty() ? c.fieldName : c.dataField;
        info.Operand1 = c.expr.FirstOperand;
        info.Operand2 = c.expr.SecondOperand;
        return info;
    }
    bool GetSTFilterLocal() override { return local; }
    bool GetSortLocal() override { return sortLocal; }
    int GetSortMarkedCount() override { return static_cast<int>(sorts.size()); }
    TSortMarkedColumnInfoGx GetSortMarkedColumnInfo(int index) override {
        const Sort& s = sorts[index];
        TSortMarkedColumnInfoGx info;
        info.Present = s.present;
        info.FieldName = s.fieldName;
        info.Field = s.noField || !ds_->Active() ? nullptr : ds_->FindField(s.fieldName);
        info.Descending = s.descending;
        return info;
    }
    TBMListGx* GetSelectedRowsGx() override { return selection; }

private:
    TDataSet* ds_;
    std::vector<Column> columns_;
};

// The values of one field over the dataset's view, joined by ',' (the cursor goes back to the first
// record).
inline std::string Column(TDataSet& ds, const char* field) {
    std::string out;
    ds.First();
    while (!ds.Eof()) {
        if (!out.empty()) out += ",";
        out += ds.FieldByName(field)->AsString().str();
        ds.Next();
    }
    ds.First();
    return out;
}

// Keeps the registry as it was: registrations made by a test go when it ends.
class RegistryScope {
public:
    ~RegistryScope() {
        for (TClass c : classes_) UnregisterDatasetFeaturesGx(c);
    }
    void Register(const TDatasetFeaturesGxClass& features, TClass c) {
        RegisterDatasetFeaturesGx(features, c);
        classes_.push_back(c);
    }

private:
    std::vector<TClass> classes_;
};

}  // namespace gxtest
