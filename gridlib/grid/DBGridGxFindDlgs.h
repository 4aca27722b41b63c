// The find dialog "Поиск": searches the dataset behind a grid for a text, cell by cell in one column
// or in all offered columns, record after record, and leaves the dataset on the first record that
// matches and the grid on the matching column. One form serves every grid.
#pragma once

#include "gridlib/editors/DBCtrlsGx.h"
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/StdCtrls.h"

#include <memory>

class TDBGridGxFindDlg : public TForm {
    PLANTMON_CLASS(TDBGridGxFindDlg, TForm)
public:
    explicit TDBGridGxFindDlg(TComponent* owner);
    ~TDBGridGxFindDlg() override;

    void Execute(TCustomDBGridGx* grid, const AnsiString& text, const AnsiString& fieldName,
                 const TColumnFieldsArrGx& columnFields, bool modal);
    void FillColumnsList();
    void FillFindColumnsList();
    // The text of a column's cell in the current record as the search sees it.
    AnsiString ColText(TColumnGx* column);

    // The grid of the last opening; none once that grid was freed.
    TCustomDBGridGx* Grid() const { return grid_; }
    TColumnsGxList* SearchColumns() const { return searchColumns_.get(); }
    int CurrentPosition() const { return currentPos_; }
    bool NewSearch() const { return newSearch_; }

    TDBComboBoxGx* cbText = nullptr;
    TButton* bFind = nullptr;
    TButton* bCancel = nullptr;
    TLabel* Label1 = nullptr;
    TDBComboBoxGx* cbFindIn = nullptr;
    TLabel* Label2 = nullptr;
    TDBComboBoxGx* cbMatchinType = nullptr;
    TLabel* cbMatchType = nullptr;
    TDBComboBoxGx* cbFindDirection = nullptr;
    TLabel* Label3 = nullptr;
    TDBCheckBoxGx* cbCharCase = nullptr;
    TDBCheckBoxGx* cbUseFormat = nullptr;

    void bFindClick(TObject* sender);
    void bCancelClick(TObject* sender);
    void cbFindInChange(TObject* sender);
    void cbTextChange(TObject* sender);
    void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void setGrid(TCustomDBGridGx* grid);
    void advance(bool forward, TDataSet* ds);
    bool matches(const AnsiString& cell, const AnsiString& pattern) const;

    TCustomDBGridGx* grid_ = nullptr;
    std::unique_ptr<TColumnsGxList> searchColumns_;
    int currentPos_ = -1;
    bool newSearch_ = true;
    TColumnFieldsArrGx columnFields_;
};

// The one dialog, made with the application as owner on the first call of ExecuteDBGridGxFindDialog.
extern TDBGridGxFindDlg* DBGridGxFindDlg;

void ExecuteDBGridGxFindDialog(TCustomDBGridGx* grid, const AnsiString& text, const AnsiString& fieldName,
                               const TColumnFieldsArrGx& columnFields, bool modal);
