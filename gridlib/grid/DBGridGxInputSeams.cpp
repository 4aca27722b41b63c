// What the keyboard and the mouse call in parts of the grid that stand on their own: the bodies
// here are the grid's behaviour while those parts are absent (no selection: a selection step only
// moves the record; the cell and title events fire their handlers).
#include "gridlib/grid/DBGridGx.h"

void TCustomDBGridGx::ClearSelection() { extending_ = false; }

void TCustomDBGridGx::DoSelection(bool select, int distance, bool toEnd, bool byRows) {
    (void)select, (void)byRows;
    if (!dataLink_->Active()) return;
    TDataSet* ds = dataLink_->DataSet();
    if (toEnd) {
        if (distance > 0) ds->Last();
        else ds->First();
    } else {
        ds->MoveBy(distance);
    }
}

int TCustomDBGridGx::InplaceSearchTimeOut() const { return DBGridGxInplaceSearchTimeOut; }

int TCustomDBGridGx::SumListRecNo() const {
    return dataLink_->Active() ? dataLink_->DataSet()->RecNo() : 0;
}

void TCustomDBGridGx::DoSortMarkingChanged() {
    if (OnSortMarkingChanged) OnSortMarkingChanged(this);
}

void TCustomDBGridGx::CellClick(TColumnGx* column) {
    if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridGx::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridGx::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TCustomDBGridGx::TitleClick(TColumnGx* column) {
    if (OnTitleClick) OnTitleClick(column);
}

void TCustomDBGridGx::DoTitleClick(int aCol, TColumnGx* column) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, aCol, column);
}

void TCustomDBGridGx::CheckTitleButton(int aCol, bool& enabled) {
    TColumnGx* column = aCol >= 0 && aCol < visibleColumns_->Count() ? visibleColumns_->GetColumn(aCol) : nullptr;
    if (OnCheckButton) OnCheckButton(this, aCol, column, enabled);
}
