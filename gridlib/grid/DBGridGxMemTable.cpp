// View mode for a dataset that offers IMemTableGx: one grid row per view record, the top row
// scrolled like an ordinary grid's, rows read in place through the interface, and more records
// fetched when empty space shows below the last row.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"

#include <algorithm>

void TCustomDBGridGx::CheckIMemTable() {
    IMemTableGx* old = memTable_;
    TDataSet* ds = dataLink_ ? dataLink_->DataSet() : nullptr;
    memTable_ = memTableSupportOn_ && ds ? dynamic_cast<IMemTableGx*>(ds) : nullptr;
    if (memTable_ == old) return;
    if (memTable_) ds->FreeNotification(this);
    LayoutChanged();
}

int TCustomDBGridGx::maxTopRow() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return MaxTopLeftCell(TGridCoord{ColCount() - 1, RowCount() - 1}, di).Y;
}

void TCustomDBGridGx::MTUpdateRowCount() {
    if (!dataLink_) return;
    const bool live = memTable_ && dataLink_->Active();
    const int n = live ? memTable_->GetViewRecordCount() : 0;
    setRowCountTo(std::max(n, 1) + topDataOffset_);
    if (!HandleAllocated()) return;
    MTUpdateTopRow();
    if (live) {
        const int viewRow = memTable_->GetViewRowIndex();
        if (viewRow != Row() - topDataOffset_) {
            InvalidateRow(Row());
            const int target = viewRow == -1 ? FixedRows() : viewRow + topDataOffset_;
            const bool anchor = !MovingByPress();
            if (Col() < FixedCols()) {
                const int oldCol = Col();
                MoveColRow(FixedCols(), target, anchor, true);
                MoveColRow(oldCol, target, false, true);
            } else {
                MoveColRow(Col(), target, anchor, true);
            }
            InvalidateRow(Row());
        }
    }
    FetchRecordsInView();
    InvalidateGrid();
}

void TCustomDBGridGx::MTScroll(int) {
    if (inplaceSearching_ && !inplaceSearchingInProcess_) StopInplaceSearch();
    if (!dataLink_) return;
    const bool live = memTable_ && dataLink_->Active();
    const int n = live ? memTable_->GetViewRecordCount() : 0;
    setRowCountTo(std::max(n, 1) + topDataOffset_);
    if (live) {
        InvalidateRow(Row());
        if (HandleAllocated() && !Loading()) {
            const int oldTop = TopRow();
            const int viewRow = memTable_->GetViewRowIndex();
            const int target = viewRow == -1 ? FixedRows() : viewRow + topDataOffset_;
            if (target != Row()) {
                if (!(options_ & dgAlwaysShowEditor)) HideEditor();
                if (MovingByPress() || Col() >= FixedCols()) {
                    MoveColRow(Col(), target, !MovingByPress(), true);
                } else {
                    const int oldCol = Col();
                    MoveColRow(FixedCols(), target, true, true);
                    MoveColRow(oldCol, target, false, true);
                }
                InvalidateEditor();
                InvalidateRow(target);
            }
            if (EditorMode()) {
                if (TField* f = SelectedField(); f && f->Text() != editText_) InvalidateEditor();
            }
            if (HaveHideDuplicates() && TopRow() != oldTop) {
                InvalidateRow(TopRow());
                InvalidateRow(oldTop);
            }
        }
    }
    UpdateScrollBar();
}

void TCustomDBGridGx::FetchRecordsInView() {
    if (fetchingInView_ || !memTable_) return;
    // A fetch that changes the row count comes back through the row band.
    fetchingInView_ = true;
    try {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        if (di.Vert.GridBoundary < di.Vert.GridExtent) {
            const int h = std::max(1, DefaultRowHeight());
            memTable_->FetchRecords((di.Vert.GridExtent - di.Vert.GridBoundary) / h + 1);
        } else if (di.Vert.LastFullVisibleCell == RowCount() - 1) {
            memTable_->FetchRecords(1);
        }
    } catch (...) {
        fetchingInView_ = false;
        throw;
    }
    fetchingInView_ = false;
}

void TCustomDBGridGx::InstantReadRecordEnter(int dataRow) {
    if (ViewScroll()) {
        memTable_->InstantReadEnter(dataRow);
        return;
    }
    // Nested reads (a hidden-duplicates look at the row before) give back the record of the outermost.
    if (instantDepth_++ == 0) instantSaved_ = dataLink_->Active() ? dataLink_->ActiveRecord() : -1;
    if (dataLink_->Active() && dataRow >= 0 && dataRow < std::max(1, dataLink_->RecordCount()))
        dataLink_->SetActiveRecord(std::min(dataRow, std::max(0, dataLink_->RecordCount() - 1)));
}

void TCustomDBGridGx::InstantReadRecordLeave() {
    if (ViewScroll()) {
        memTable_->InstantReadLeave();
        return;
    }
    if (instantDepth_ == 0) return;
    if (--instantDepth_ == 0 && instantSaved_ >= 0 && dataLink_->Active()) dataLink_->SetActiveRecord(instantSaved_);
}

bool TCustomDBGridGx::IsCurrentRow(int dataRow) const {
    if (ViewScroll()) return dataRow == memTable_->GetViewRowIndex();
    return dataRow == dataLink_->ActiveRecord();
}

void TCustomDBGridGx::MTUpdateVertScrollBar() {
    if (!vertScrollBar_ || !HandleAllocated()) return;
    SCROLLINFO o;
    readVertScrollInfo(o);
    SCROLLINFO n = o;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    n.nMin = 1;
    n.nPage = static_cast<UINT>(std::max(0, di.Vert.LastFullVisibleCell - TopRow() + 1));
    n.nMax = RowCount() - FixedRows();
    n.nPos = TopRow() - FixedRows() + 1;
    applyVertScrollInfo(n, o);
}

void TCustomDBGridGx::SafeMoveTop(int aRow) {
    int t = aRow < FixedRows() ? FixedRows() : std::min(aRow, RowCount() - 1);
    t = std::min(t, maxTopRow());
    if (t == TopRow()) return;
    const int oldTop = TopRow();
    SetTopRow(t);
    MTUpdateVertScrollBar();
    if (HaveHideDuplicates()) {
        InvalidateRow(t);
        InvalidateRow(oldTop);
    }
}

void TCustomDBGridGx::MTWMVScroll(TMessage& message) {
    if (dataLink_->Active()) {
        const int top = TopRow();
        TGridDrawInfo di;
        CalcDrawInfo(di);
        bool move = true;
        int target = top;
        switch (LOWORD(message.WParam)) {
        case SB_LINEUP: target = top - 1; break;
        case SB_LINEDOWN: target = top + 1; break;
        case SB_PAGEUP: {
            const int first = MaxTopLeftCell(TGridCoord{ColCount() - 1, top}, di).Y;
            target = top - std::max(1, top - first);
            break;
        }
        case SB_PAGEDOWN: target = top + std::max(1, di.Vert.LastFullVisibleCell - top); break;
        case SB_THUMBTRACK:
            if (!vertScrollBar_->Tracking()) {
                move = false;
                break;
            }
            [[fallthrough]];
        case SB_THUMBPOSITION: {
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            vertScrollBar_->GetScrollInfo(si);
            target = FixedRows() + si.nTrackPos - 1;
            break;
        }
        case SB_TOP: target = FixedRows(); break;
        case SB_BOTTOM: target = RowCount(); break;
        default: move = false; break;
        }
        if (move) SafeMoveTop(target);
    }
    MTUpdateVertScrollBar();
}

void TCustomDBGridGx::MTUpdateTopRow() {
    const int m = maxTopRow();
    if (m < TopRow()) SetTopRow(m);
}

void TCustomDBGridGx::setTreeNodeExpanded(int viewRow, bool expanded) {
    if (!TreeAreaShown()) return;
    TDataSet* ds = dataLink_->DataSet();
    const int top = TopRow();
    const int remembered = memTable_->GetCurrentRecordNumber();
    ds->DisableControls();
    try {
        const int target = memTable_->SetTreeNodeExpanded(viewRow, expanded);
        memTable_->GotoRecordNumber(target >= 1 ? target : remembered);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    SafeMoveTop(top);
    Invalidate();
    UpdateScrollBar();
}

void TCustomDBGridGx::ToggleTreeNode(int step) {
    if (!TreeAreaShown()) return;
    const int viewRow = memTable_->GetViewRowIndex();
    if (viewRow < 0) return;
    setTreeNodeExpanded(viewRow, step == 0 ? !memTable_->GetTreeNodeExpanded() : step > 0);
}
