// What the keyboard and the mouse ask of the grid's selection, find dialog, scroll bars and sum list,
// and the cell and title events they fire.
#include "gridlib/grid/DBGridGx.h"

TDBGridGxSelectionType TCustomDBGridGx::SelectionType() const { return selection_->SelectionType(); }

int TCustomDBGridGx::SelectionRowsCount() const { return selection_->Rows()->Count(); }

void TCustomDBGridGx::SelectionRowsDelete() { selection_->Rows()->Delete(); }

void TCustomDBGridGx::SelectionSelectAll() { selection_->SelectAll(); }

void TCustomDBGridGx::SelectionClear() { selection_->Clear(); }

bool TCustomDBGridGx::SelectionDataCellSelected(int dataCol, const AnsiString& bookmark) const {
    return selection_->DataCellSelected(dataCol, bookmark);
}

void TCustomDBGridGx::SelectionRectSelect(int dataCol, const AnsiString& bookmark, bool extend) {
    selection_->Rect()->Select(dataCol, bookmark, extend);
}

void TCustomDBGridGx::SelectionColumnsSelect(TColumnGx* column, bool addSel) {
    selection_->Columns()->Select(column, addSel);
}

void TCustomDBGridGx::SelectionColumnsSelectShift(TColumnGx* column) { selection_->Columns()->SelectShift(column); }

void TCustomDBGridGx::SelectionColumnsInvertSelect(TColumnGx* column) { selection_->Columns()->InvertSelect(column); }

bool TCustomDBGridGx::CurrentRowSelected() const { return selection_->Rows()->CurrentRowSelected(); }

void TCustomDBGridGx::SetCurrentRowSelected(bool b) { selection_->Rows()->SetCurrentRowSelected(b); }

void TCustomDBGridGx::ExecuteFindDialog(const AnsiString& text, const AnsiString& fieldName, bool modal) {
    if (ExecuteDBGridGxFindDialogProc) ExecuteDBGridGxFindDialogProc(this, text, fieldName, {}, modal);
}

bool TCustomDBGridGx::VertScrollBarTracking() const { return VertScrollBar()->Tracking(); }

bool TCustomDBGridGx::HorzScrollBarTracking() const { return HorzScrollBar()->Tracking(); }

void TCustomDBGridGx::SetSumListRecNo(int recNo) {
    if (sumList_->Active()) {
        sumList_->SetRecNo(recNo);
        return;
    }
    if (dataLink_->Active()) dataLink_->DataSet()->SetRecNo(recNo);
}

void TCustomDBGridGx::DoSortMarkingChanged() {
    if (!(optionsGx_ & dghAutoSortMarking)) return;
    if (OnSortMarkingChanged) OnSortMarkingChanged(this);
    else DefaultApplySorting();
}
