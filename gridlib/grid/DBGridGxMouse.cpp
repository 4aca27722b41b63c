// The grid's mouse: presses, moves and releases into dataset moves, column moves, selections,
// column sizing (also of frozen columns, which the base grid does not size), title buttons, sort
// marking, check-box toggles and the editor; the automatic scroll while the mouse is held outside
// the data cells (window timer 1); the wheel and the scroll-bar messages by records; the cursors.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

constexpr UINT_PTR AutoScrollTimer = 1;
constexpr UINT_PTR SearchTimer = 2;

bool isCheckType(TColumnGxType t) { return t == ctKeyImageList || t == ctCheckboxes; }

struct UpdateBracket {
    TCustomDBGridGx* grid;
    explicit UpdateBracket(TCustomDBGridGx* g) : grid(g) { grid->BeginUpdate(); }
    ~UpdateBracket() { grid->EndUpdate(); }
};

}  // namespace

// ==== Geometry of the data cells =========================================================================

TGridRect TCustomDBGridGx::DataBox() const {
    const int bottom = footerRowCount_ > 0 ? RowCount() - footerRowCount_ - 2 : RowCount();
    return TGridRect{indicatorOffset_, topDataOffset_, ColCount() - 1, bottom};
}

TRect TCustomDBGridGx::DataRect() const {
    const TGridRect b = DataBox();
    return BoxRect(b.Left, b.Top, b.Right, b.Bottom);
}

bool TCustomDBGridGx::titleLeafPart(int col, int row, int x, int y) const {
    if (!useMultiTitle_ || !(options_ & dgTitles) || col < indicatorOffset_) return true;
    const int dataCol = RawToDataColumn(col);
    if (dataCol < 0 || dataCol >= static_cast<int>(leafFieldArr_.size()) || !leafFieldArr_[dataCol].FLeaf) return true;
    TRect upper = CellRect(col, row);
    upper.Bottom = upper.Bottom - leafFieldArr_[dataCol].FLeaf->CellHeight + 1;
    return !upper.Contains(TPoint(x, y));
}

int TCustomDBGridGx::selectCursorHit(int x, int y) {
    if (Designing() || !dataLink_->Active() || !(options_ & dgMultiSelect)) return 0;
    if (!ClientRect().Contains(TPoint(x, y))) return 0;
    TGridDrawInfo fixed;
    CalcFixedInfo(fixed);
    TGridState state = gsNormal;
    int index = 0, pos = 0, ofs = 0;
    CalcSizingState(x, y, state, index, pos, ofs, fixed);
    if (state != gsNormal || CheckBeginRowMoving(x, y, true)) return 0;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0) return 0;
    if (cell.X < indicatorOffset_ && (options_ & dgIndicator) && cell.Y >= topDataOffset_ && cell.Y < firstFooterRow() &&
        !dataLink_->DataSet()->IsEmpty() && (allowedSelections_ & SelectionTypeBit(gstRecordBookmarks)))
        return 2;
    if (cell.Y == 0 && cell.X >= indicatorOffset_ && (options_ & dgTitles) && !(options_ & dgRowSelect) &&
        (allowedSelections_ & SelectionTypeBit(gstColumns))) {
        const TRect r = CellRect(cell.X, cell.Y);
        if (y < r.Bottom && y >= r.Bottom - ColSelectionAreaHeight) return 1;
    }
    return 0;
}

// ==== Tracking ===========================================================================================

void TCustomDBGridGx::StopTracking() {
    if (!tracking_) return;
    if (interactionState_ == dgsRowMoving) EndRowMoving(0, 0, false);
    StopTimer();
    rowTracking_ = false;
    TrackButton(-1, -1);
    tracking_ = false;
    SetMouseCapture(false);
    pressedTitleCol_ = -1;
    cellTracking_ = false;
    interactionState_ = dgsNormal;
}

void TCustomDBGridGx::TrackButton(int x, int y) {
    const TPoint p(x, y);
    const TGridCoord cell = MouseCoord(x, y);
    const bool on = pressedTitleCol_ >= 0 && ClientRect().Contains(p) && cell.Y == 0 && cell.X == pressedTitleCol_ &&
                    (!useMultiTitle_ || titleLeafPart(cell.X, cell.Y, x, y));
    if (on != titleButtonDown_) {
        titleButtonDown_ = on;
        InvalidateRow(0);
    }
}

// ==== Column sizing ======================================================================================

void TCustomDBGridGx::CalcFrozenSizingState(int x, int y, TDBGridGxState& state, int& index, int& sizingPos,
                                            int& sizingOfs) {
    state = dgsNormal;
    index = -1;
    if (!(GridOptions() & goColSizing)) return;
    if (UseRightToLeftAlignment()) x = ClientWidth() - x;
    const int lw = GridLineWidth();
    int titles = 0;
    for (int r = 0; r < GetTitleRows() && r < RowCount(); ++r) titles += RowHeights(r) + lw;
    if (y >= titles) return;
    const int d = lw <= 6 ? (7 - lw) / 2 : 0;
    const int band = std::max(lw, 7);
    int total = 0;
    for (int i = 0; i < indicatorOffset_ && i < ColCount(); ++i) total += ColWidths(i) + lw;
    for (int i = indicatorOffset_; i < FixedCols(); ++i) {
        total += std::max(0, ColWidths(i));
        if (total > GridWidth()) {
            index = i;
            break;
        }
        if (x >= total - d && x <= total + band - d) {
            state = dgsColSizing;
            sizingPos = total;
            sizingOfs = total - x;
            index = i;
        }
        total += lw;
    }
    // Frozen columns wider than the grid are sized at the client area's right edge.
    if (total > GridWidth() && GridWidth() == ClientWidth() && x >= ClientWidth() - d && x <= ClientWidth()) {
        state = dgsColSizing;
        sizingPos = ClientWidth();
        sizingOfs = ClientWidth() - x;
    }
}

bool TCustomDBGridGx::FrozenSizing(int x, int y) {
    TDBGridGxState state = dgsNormal;
    int index = 0, pos = 0, ofs = 0;
    CalcFrozenSizingState(x, y, state, index, pos, ofs);
    return interactionState_ != dgsNormal || state != dgsNormal;
}

void TCustomDBGridGx::DrawXorLine(TPoint from, TPoint to, int width) {
    TCanvas* c = Canvas();
    TPen saved;
    saved.Assign(c->Pen());
    // A black pen would leave the picture as it is under XOR.
    if (ColorToRGB(c->Pen()->Color()) == 0) c->Pen()->SetColor(clWhite);
    c->Pen()->SetStyle(psDot);
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetWidth(width);
    c->MoveTo(from.x, from.y);
    c->LineTo(to.x, to.y);
    c->Pen()->Assign(&saved);
}

void TCustomDBGridGx::DrawSizingLine(int gridWidth, int gridHeight) {
    if (GridState() == gsRowSizing)
        DrawXorLine(TPoint(0, sizingPos_), TPoint(gridWidth, sizingPos_), 1);
    else
        DrawXorLine(TPoint(sizingPosGx_, 0), TPoint(sizingPosGx_, gridHeight), 1);
}

void TCustomDBGridGx::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                      const TGridDrawInfo& fixedInfo) {
    TCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, fixedInfo);
    if (state == gsColSizing) {
        index = std::min(index, ColCount() - 1);
        TGridDrawInfo di;
        CalcDrawInfo(di);
        // One scrolling column wider than the view: its border lies beyond, so it is the one sized.
        const int first = di.Horz.FirstGridCell;
        if (first == di.Horz.LastFullVisibleCell && first < ColCount() &&
            ColWidths(first) + di.Horz.FixedBoundary > di.Horz.GridBoundary && index > first)
            index = first;
    } else if (state == gsRowSizing) {
        int indicator = 0;
        for (int i = 0; i < indicatorOffset_ && i < ColCount(); ++i) indicator += ColWidths(i) + GridLineWidth();
        if (x >= indicator) state = gsNormal;
    }
}

void TCustomDBGridGx::setColumnWidthByMouse(int rawCol, int width) {
    if (TColumnGx* c = dataColumn(rawCol)) c->SetWidth(width);
    else SetColWidths(rawCol, width);
}

void TCustomDBGridGx::tracedSizingStep(int x) {
    // The frozen border when one is being sized, else the base grid's.
    const bool frozen = interactionState_ == dgsColSizing;
    const int index = frozen ? sizingIndexGx_ : sizingIndex_;
    int pos = x + (frozen ? sizingOfsGx_ : sizingOfs_);
    if (UseRightToLeftAlignment()) pos = ClientWidth() - pos;
    if (frozen) sizingPosGx_ = pos;
    else sizingPos_ = pos;
    if (index < 0 || index >= ColCount()) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const int lw = di.Horz.EffectiveLineWidth;
    int left = 0;
    if (index < FixedCols()) {
        for (int j = 0; j < index; ++j)
            if (ColWidths(j) >= 0) left += ColWidths(j) + lw;
    } else {
        left = di.Horz.FixedBoundary;
        for (int j = LeftCol(); j < index; ++j)
            if (ColWidths(j) >= 0) left += ColWidths(j) + lw;
    }
    const int width = pos - left;
    if (autoFitColWidths_ && !Designing()) {
        const int sizingData = RawToDataColumn(index);
        if (pos < di.Horz.GridBoundary - (columns_->Count() - sizingData) * (lw + 1))
            setColumnWidthByMouse(index, std::max(width, 1));
    } else {
        setColumnWidthByMouse(index, std::max(width, 1));
    }
}

// ==== Automatic scroll (timer 1) =========================================================================

void TCustomDBGridGx::ResetTimer(int interval) {
    if (!autoScrollRunning_) {
        SetTimer(Handle(), AutoScrollTimer, static_cast<UINT>(interval));
    } else if (autoScrollInterval_ != interval) {
        KillTimer(Handle(), AutoScrollTimer);
        SetTimer(Handle(), AutoScrollTimer, static_cast<UINT>(interval));
        autoScrollInterval_ = interval;
    }
    autoScrollRunning_ = true;
}

void TCustomDBGridGx::StopTimer() {
    if (!autoScrollRunning_) return;
    KillTimer(Handle(), AutoScrollTimer);
    autoScrollRunning_ = false;
    autoScrollInterval_ = -1;
}

void TCustomDBGridGx::TimerScroll() {
    const TRect dr = DataRect();
    if (interactionState_ == dgsColSelecting) {
        TPoint screen;
        GetCursorPos(&screen);
        const TPoint p = ScreenToClient(screen);
        auto columnAt = [this](int raw) { return dataColumn(raw); };
        if (p.x > dr.Right) {
            int to = LeftCol() + VisibleColCount() - 1;
            if (LeftCol() + VisibleColCount() < ColCount()) {
                SetLeftCol(LeftCol() + 1);
                to = LeftCol() + VisibleColCount() + FixedCols() < ColCount() ? LeftCol() + VisibleColCount() + FixedCols()
                                                                               : LeftCol() + VisibleColCount() - 1;
            }
            if (TColumnGx* c = columnAt(to)) SelectionColumnsSelectShift(c);
            ResetTimer(std::max(0, 200 - (p.x - dr.Right) * 10));
        } else if (p.x < dr.Left) {
            int to = LeftCol();
            if (LeftCol() > FixedCols()) {
                SetLeftCol(LeftCol() - 1);
                to = LeftCol() > FixedCols() ? LeftCol() - 1 : LeftCol();
            }
            if (TColumnGx* c = columnAt(to)) SelectionColumnsSelectShift(c);
            ResetTimer(std::max(0, 200 - (dr.Left - p.x) * 10));
        }
        return;
    }
    const int x = mouseDownPoint_.x, y = mouseDownPoint_.y;
    int vDir = 0, vDist = 0, hDir = 0, hDist = 0;
    if (y < dr.Top) {
        vDir = -1;
        vDist = dr.Top - y;
    } else if (y >= dr.Bottom) {
        vDir = 1;
        vDist = y - dr.Bottom + 1;
    }
    if (x >= dr.Right) {
        hDir = 1;
        hDist = x - dr.Right;
    } else if (x < dr.Left) {
        hDir = -1;
        hDist = dr.Left - x;
    }
    const int distance = std::max(vDist, hDist);
    if (vDir == 0 && hDir == 0) {
        StopTimer();
        return;
    }
    {
        UpdateBracket bracket(this);
        const int records = vDir * std::min(distance / 6, 8);
        if (vDir != 0 && interactionState_ != dgsRectSelecting)
            DoSelection((lastTrackShift_ & ssLeft) != 0, records, false, true);
        if (hDir != 0 && cellTracking_) {
            if (hDir < 0 && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
            else if (hDir > 0 && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
        }
        if (interactionState_ != dgsRowSelecting) MoveCol(Col() + hDir, x >= dr.Right ? 1 : -1, false);
        if (interactionState_ == dgsRectSelecting && dataLink_->Active()) {
            dataLink_->DataSet()->MoveBy(records);
            const int dataCol = hDir < 0 && LeftCol() == FixedCols() ? 0 : RawToDataColumn(Col());
            SelectionRectSelect(dataCol, dataLink_->DataSet()->Bookmark(), true);
        }
    }
    if (updateLock_ == 0) Update();
    ResetTimer(std::max(0, 200 - distance * 15));
}

// ==== Press ==============================================================================================

void TCustomDBGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TPoint p(x, y);
    if (button == mbRight) SetMouseCapture(true);
    checkClickCol_ = checkClickRow_ = -1;
    mouseDownPoint_ = p;
    if (!AcquireFocus()) return;
    if (FilterEditMode() && DataRect().Contains(p)) StopEditFilter();
    const TGridCoord cell = MouseCoord(x, y);
    const int col = cell.X, row = cell.Y;

    if (button == mbLeft && (shift & ssDouble)) {
        TGridDrawInfo fixed;
        CalcFixedInfo(fixed);
        TGridState baseState = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(x, y, baseState, index, pos, ofs, fixed);
        bool colSizing = baseState == gsColSizing;
        if (!colSizing) {
            TDBGridGxState frozen = dgsNormal;
            CalcFrozenSizingState(x, y, frozen, index, pos, ofs);
            colSizing = frozen == dgsColSizing;
        }
        bool optimized = false;
        if (colSizing && (optionsGx_ & dghDblClickOptimizeColWidth)) {
            OptimizeSelectedColsWidth(dataColumn(index));
            optimized = true;
        } else if (col >= indicatorOffset_ && row >= topDataOffset_ && row < firstFooterRow()) {
            TColumnGx* c = dataColumn(col);
            if (c && isCheckType(c->GetColumnType()) && c->DblClickNextVal())
                c->SetNextFieldValue((shift & ssShift) ? -1 : 1);
        }
        if (!optimized) DblClick();
        TControl::MouseDown(button, shift, x, y);
        return;
    }

    if (button == mbLeft) {
        CalcFrozenSizingState(x, y, interactionState_, sizingIndexGx_, sizingPosGx_, sizingOfsGx_);
        if (interactionState_ == dgsColSizing) {
            if (!(optionsGx_ & dghTraceColSizing)) DrawSizingLine(GridWidth(), GridHeight());
            return;
        }
    }
    {
        TGridDrawInfo fixed;
        CalcFixedInfo(fixed);
        TGridState baseState = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(x, y, baseState, index, pos, ofs, fixed);
        if (baseState != gsNormal) {
            dataLink_->UpdateData();
            if ((optionsGx_ & dghTraceColSizing) && button == mbLeft) {
                gridState_ = baseState;
                sizingIndex_ = index;
                sizingPos_ = pos;
                sizingOfs_ = ofs;
                if (baseState == gsColSizing) {
                    // The column follows the mouse; no sizing line is drawn.
                    if (UseRightToLeftAlignment()) sizingPos_ = ClientWidth() - sizingPos_;
                    return;
                }
            }
            TCustomGrid::MouseDown(button, shift, x, y);
            return;
        }
    }

    if (selectCursorHit(x, y) == 1) {
        InvalidateCol(col);
        interactionState_ = dgsColSelecting;
        ResetTimer(60);
        TColumnGx* c = dataColumn(col);
        if (shift & ssShift) {
            SelectionColumnsSelectShift(c);
        } else if (shift & ssCtrl) {
            SelectionColumnsInvertSelect(c);
        } else {
            Invalidate();
            SelectionColumnsSelect(c, false);
        }
        return;
    }

    const bool titleRow = row >= 0 && row < topDataOffset_;
    if (titleRow && col >= indicatorOffset_ && !Designing() && titleLeafPart(col, row, x, y)) {
        if (button == mbRight && (options_ & dgColumnResize)) {
            button = mbLeft;
            rightColDrag_ = true;
        } else if (button == mbLeft) {
            TColumnGx* c = dataColumn(col);
            bool enabled = c && c->Title()->TitleButton();
            if (c) CheckTitleButton(RawToDataColumn(col), enabled);
            if (enabled && MouseCapture()) {
                tracking_ = true;
                pressedTitleCol_ = col;
                TrackButton(x, y);
                return;
            }
        }
    }
    if ((Designing() || (options_ & dgColumnResize)) && titleRow) {
        if (col == 0 && (options_ & dgIndicator) && (options_ & dgMultiSelect) && dataLink_->Active() &&
            (allowedSelections_ & SelectionTypeBit(gstAll))) {
            if (SelectionType() != gstNon) SelectionClear();
            else SelectionSelectAll();
            InvalidateEditor();
        }
        dataLink_->UpdateData();
        Canvas()->Pen()->SetColor(clSilver);
        TCustomGrid::MouseDown(button, shift, x, y);
        return;
    }
    if (row >= firstFooterRow()) {
        TControl::MouseDown(button, shift, x, y);
        return;
    }
    if (!dataLink_->Active()) {
        TControl::MouseDown(button, shift, x, y);
        return;
    }
    if (CheckBeginRowMoving(x, y, false) || CellTreeElementMouseDown(x, y, false)) return;

    TDataSet* ds = dataLink_->DataSet();
    const TGridCoord oldCell{Col(), Row()};
    AnsiString oldBookmark;
    {
        UpdateBracket bracket(this);
        dataLink_->UpdateData();
        HideEditor();
        oldBookmark = ds->Bookmark();
        movingByPress_ = true;
        try {
            if (row >= topDataOffset_ && row != Row()) {
                const bool extendRows = (shift & ssShift) && (options_ & dgMultiSelect);
                if (!extendRows || (!(options_ & dgRowSelect) && col >= indicatorOffset_)) ds->MoveBy(row - Row());
            }
        } catch (...) {
            movingByPress_ = false;
            throw;
        }
        movingByPress_ = false;
        if (col >= indicatorOffset_) MoveCol(col, 0, false);
    }
    if (!MouseCapture()) return;
    const int dataCol = RawToDataColumn(col);
    if (deferredAutoDrag_ && !(shift & ssShift) && button == mbLeft && col >= indicatorOffset_ &&
        SelectionDataCellSelected(dataCol, ds->Bookmark())) {
        pendingDrag_ = true;
        return;
    }
    const bool rectAllowed = CanSelectType(gstRectangle);
    if (DataRect().Contains(p) && !((options_ & dgMultiSelect) && (options_ & dgRowSelect))) {
        tracking_ = true;
        cellTracking_ = true;
        if (!(shift & (ssCtrl | ssShift)) && (optionsGx_ & dghClearSelection)) {
            if (button == mbLeft || !SelectionDataCellSelected(dataCol, ds->Bookmark())) ClearSelection();
        }
        if (col >= indicatorOffset_ && rectAllowed && button == mbLeft && !(ds->Eof() && ds->Bof())) {
            if (shift & ssShift) {
                if (SelectionType() == gstRectangle) {
                    SelectionRectSelect(dataCol, ds->Bookmark(), true);
                } else {
                    SelectionClear();
                    SelectionRectSelect(RawToDataColumn(oldCell.X), oldBookmark, false);
                    SelectionRectSelect(dataCol, ds->Bookmark(), true);
                }
            } else {
                SelectionRectSelect(dataCol, ds->Bookmark(), false);
            }
            interactionState_ = dgsRectSelecting;
        }
    }
    if (CanSelectType(gstRecordBookmarks) && ((options_ & dgRowSelect) || col < indicatorOffset_ || !rectAllowed)) {
        extending_ = false;
        if ((shift & ssShift) && row != Row()) {
            extending_ = true;
            toggleMode_ = true;
            DoSelection(true, row - Row(), false, true);
        } else if (button == mbLeft && ((shift & ssCtrl) || !(optionsGx_ & dghClearSelection))) {
            SetCurrentRowSelected(!CurrentRowSelected());
        } else if (button == mbLeft) {
            if (optionsGx_ & dghClearSelection) ClearSelection();
            SetCurrentRowSelected(true);
        }
        if ((options_ & dgRowSelect) || !rectAllowed || col < indicatorOffset_) {
            rowTracking_ = true;
            tracking_ = true;
            extending_ = true;
            anchorState_ = !CurrentRowSelected();
            anchorRecord_ = ds->Bookmark();
            toggleMode_ = (shift & ssCtrl) || !(optionsGx_ & dghClearSelection);
            interactionState_ = dgsRowSelecting;
        }
    }
    const bool onOldCell = col == oldCell.X && row == oldCell.Y;
    if (button == mbLeft && CanEditorMode() && (onOldCell || (options_ & dgAlwaysShowEditor))) ShowEditor();
    if (button != mbLeft || col < indicatorOffset_) {
        InvalidateEditor();
    } else {
        TColumnGx* c = dataColumn(col);
        const int stripWidth = c ? EditButtonsWidthOf(c) : 0;
        TRect strip = CellRect(col, row);
        if (c && c->UseRightToLeftAlignment()) strip.Right = strip.Left + stripWidth;
        else strip.Left = strip.Right - stripWidth;
        const bool onStrip = stripWidth > 0 && strip.Contains(p);
        if ((options_ & dgAlwaysShowEditor) || onStrip || onOldCell) ShowEditor();
        TInplaceEdit* editor = InplaceEditor();
        if (editor && editor->Visible() && onStrip && row >= topDataOffset_) {
            // The edit button under the pointer is pressed by this same click.
            StopTracking();
            // The buttons are drawn controls inside the editor: the press goes to the one under
            // the point itself, as the editor's window would route it.
            const TPoint screen = ClientToScreen(p);
            if (TDBGridInplaceEdit* e = DBInplaceEditor()) {
                for (const TEditButtonControlLineRec& rec : e->EditButtonControls()) {
                    TControl* b = rec.EditButtonControl;
                    if (!b || !b->Visible()) continue;
                    const TPoint local = b->ScreenToClient(screen);
                    if (!PtInRect(b->ClientRect(), local)) continue;
                    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
                    break;
                }
            }
        }
        if (c && isCheckType(c->GetColumnType())) {
            checkClickCol_ = col;
            checkClickRow_ = row;
        }
    }
    TControl::MouseDown(button, shift, x, y);
}

// ==== Move ===============================================================================================

void TCustomDBGridGx::MouseMove(TShiftState shift, int x, int y) {
    prevMousePos_ = lastMousePos_;
    lastMousePos_ = TPoint(x, y);
    if (pendingDrag_) {
        pendingDrag_ = false;
        BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
        BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold() - 1);
        return;
    }
    if (tracking_ && pressedTitleCol_ >= 0) {
        TrackButton(x, y);
        if (std::abs(x - mouseDownPoint_.x) > 3 && (options_ & dgColumnResize)) {
            // Dragged sideways: the title press becomes a column move.
            StopTracking();
            if (ControlState() & (csClicked | csLButtonDown)) SetMouseCapture(true);
            Canvas()->Pen()->SetColor(clSilver);
            TCustomGrid::MouseDown(mbLeft, shift, mouseDownPoint_.x, mouseDownPoint_.y);
        }
    } else if (rowTracking_ || cellTracking_ || interactionState_ == dgsRectSelecting) {
        const int cx = std::clamp(x, 0, std::max(0, GridWidth() - 1));
        const int cy = std::clamp(y, 0, std::max(0, GridHeight() - 1));
        const bool moved = !(TPoint(x, y) == prevMousePos_);
        const TRect dr = DataRect();
        const TGridCoord cell = MouseCoord(cx, cy);
        if (cy > dr.Top && cy < dr.Bottom && cell.Y >= 0 && cell.Y != Row())
            DoSelection(moved && (shift & ssLeft), cell.Y - Row(), false, interactionState_ != dgsRectSelecting);
        if (cellTracking_ && cx > dr.Left && cx < dr.Right && cell.X >= 0 && cell.X != Col()) {
            MoveCol(cell.X, cell.X > Col() ? 1 : -1, false);
            if (interactionState_ == dgsRectSelecting && dataLink_->Active())
                SelectionRectSelect(RawToDataColumn(Col()), dataLink_->DataSet()->Bookmark(), moved);
        }
        mouseDownPoint_ = TPoint(x, y);
        lastTrackShift_ = shift;
        TimerScroll();
    } else if (interactionState_ == dgsColSelecting) {
        const TRect dr = DataRect();
        const TGridCoord cell = MouseCoord(x, y);
        if (x <= dr.Left || x >= dr.Right || cell.X < 0) TimerScroll();
        else if (TColumnGx* c = dataColumn(cell.X)) SelectionColumnsSelectShift(c);
    } else if (GridState() == gsColSizing && (optionsGx_ & dghTraceColSizing)) {
        tracedSizingStep(x);
        return;
    } else if (interactionState_ == dgsRowMoving) {
        const TGridCoord cell = MouseCoord(x, y);
        TGridDrawInfo di;
        CalcDrawInfo(di);
        if (cell.Y >= FixedRows() && cell.Y <= di.Vert.LastFullVisibleCell + 1)
            MoveDataRowAndScroll(y, cell.Y, di, di.Vert, 1, TPoint(x, y));
    } else if (interactionState_ == dgsColSizing) {
        if (optionsGx_ & dghTraceColSizing) {
            tracedSizingStep(x);
        } else {
            DrawSizingLine(GridWidth(), GridHeight());
            sizingPosGx_ = x + sizingOfsGx_;
            DrawSizingLine(GridWidth(), GridHeight());
        }
    }
    TCustomGrid::MouseMove(shift, x, y);
}

// ==== Release ============================================================================================

void TCustomDBGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TPoint p(x, y);
    if (interactionState_ == dgsColSizing && !(optionsGx_ & dghTraceColSizing)) {
        DrawSizingLine(GridWidth(), GridHeight());
        int before = 0;
        for (int j = 0; j < sizingIndexGx_; ++j) before += ColWidths(j) + GridLineWidth();
        const int width = sizingPosGx_ - before;
        if (width > 1 && sizingIndexGx_ >= 0) setColumnWidthByMouse(sizingIndexGx_, width);
    } else if (interactionState_ == dgsRowMoving) {
        EndRowMoving(x, y, true);
    }
    if (pendingDrag_) {
        // A press on a selected cell that never moved: an ordinary click after all.
        pendingDrag_ = false;
        if ((shift & ssCtrl) && (options_ & dgRowSelect)) SetCurrentRowSelected(!CurrentRowSelected());
        else if (optionsGx_ & dghClearSelection) ClearSelection();
    } else if ((optionsGx_ & dghTraceColSizing) && GridState() == gsColSizing) {
        gridState_ = gsNormal;
        return;
    }
    const TDBGridGxState noted = interactionState_;
    interactionState_ = dgsNormal;
    const TGridState notedBase = GridState();
    extending_ = false;
    if (notedBase == gsRowSizing) SetRowSizedByMouse();

    if (pressedTitleCol_ >= 0) {
        const TGridCoord cell = MouseCoord(x, y);
        const int col = pressedTitleCol_;
        const bool releasedOnIt = ClientRect().Contains(p) && cell.Y == 0 && cell.X == col &&
                                  (!useMultiTitle_ || titleLeafPart(cell.X, cell.Y, x, y));
        StopTracking();
        const int dataCol = RawToDataColumn(col);
        TColumnGx* column = dataColumn(col);
        if (releasedOnIt && column) {
            DoTitleClick(dataCol, column);
            pendingSortMarking_ = (shift & ssCtrl) != 0;
            if (optionsGx_ & dghAutoSortMarking) column->Title()->SetNextSortMarkerValue((shift & ssCtrl) != 0);
            if (!(shift & ssCtrl)) DoSortMarkingChanged();
        }
    } else if (rightColDrag_) {
        rightColDrag_ = false;
        SetMouseCapture(false);
        if (button == mbRight) button = mbLeft;
    }
    if (rowTracking_ || cellTracking_) StopTracking();
    if (noted != dgsNormal) StopTimer();
    TCustomGrid::MouseUp(button, shift, x, y);
    if (notedBase == gsRowSizing || notedBase == gsColSizing) return;
    if (TInplaceEdit* editor = InplaceEditor(); editor && editor->Visible() && editor->BoundsRect().Contains(p)) return;
    const TGridCoord cell = MouseCoord(x, y);
    if (button == mbLeft && cell.X >= indicatorOffset_ && cell.Y >= 0) {
        if (TColumnGx* column = dataColumn(cell.X)) {
            if (cell.Y < topDataOffset_) TitleClick(column);
            else if (cell.Y - topDataOffset_ < VisibleDataRowCount()) CellClick(column);
        }
    }
    rowSizedByMouse_ = false;
    if (cell.X >= 0 && cell.X == checkClickCol_ && cell.Y == checkClickRow_) {
        TColumnGx* column = dataColumn(cell.X);
        if (column && isCheckType(column->GetColumnType()) && !column->DblClickNextVal() && !(shift & ssDouble) &&
            column->CanModify(true))
            column->SetNextFieldValue((shift & ssShift) ? -1 : 1);
    }
}

// ==== Wheel and scroll bars ==============================================================================

void TCustomDBGridGx::CMMouseWheel(TMessage& m) {
    if (InplaceEditorListHandlesWheel(m)) {
        m.Result = 1;
        return;
    }
    if (FilterEditMode() && FilterEditor()) {
        FilterEditor()->WindowProc()(m);
        return;
    }
    TCustomGrid::CMMouseWheel(m);
}

bool TCustomDBGridGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (ViewScroll() && dataLink_->Active()) {
        if (OnMouseWheelDown) {
            bool handled = false;
            OnMouseWheelDown(this, shift, mousePos, handled);
            if (handled) return true;
        }
        TDataSet* ds = dataLink_->DataSet();
        if (shift & ssShift) {
            if (shift & ssCtrl) ds->MoveBy(VisibleRowCount());
            else ds->Next();
        } else if (shift & ssCtrl) {
            if (RowCount() - (TopRow() + VisibleRowCount()) < VisibleRowCount()) FetchRecordsInView();
            SafeMoveTop(TopRow() + VisibleRowCount());
        } else {
            SafeMoveTop(TopRow() + 1);
        }
    } else if (dataLink_->Active()) {
        dataLink_->DataSet()->MoveBy(1);
    }
    return true;
}

bool TCustomDBGridGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (ViewScroll() && dataLink_->Active()) {
        if (OnMouseWheelUp) {
            bool handled = false;
            OnMouseWheelUp(this, shift, mousePos, handled);
            if (handled) return true;
        }
        TDataSet* ds = dataLink_->DataSet();
        if (shift & ssShift) {
            if (shift & ssCtrl) ds->MoveBy(-VisibleRowCount());
            else ds->Prior();
        } else if (shift & ssCtrl) {
            SafeMoveTop(TopRow() - VisibleRowCount());
        } else {
            SafeMoveTop(TopRow() - 1);
        }
    } else if (dataLink_->Active()) {
        dataLink_->DataSet()->MoveBy(-1);
    }
    return true;
}

void TCustomDBGridGx::WMVScroll(TMessage& m) {
    if (!AcquireFocus()) return;
    if (ViewScroll()) {
        MTWMVScroll(m);
        return;
    }
    if (!dataLink_->Active()) return;
    TDataSet* ds = dataLink_->DataSet();
    const int page = VisibleDataRowCount();
    auto trackPos = [this] {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        GetScrollInfo(Handle(), SB_VERT, &si);
        return si.nTrackPos;
    };
    switch (LOWORD(m.WParam)) {
    case SB_LINEUP: ds->MoveBy(-dataLink_->ActiveRecord() - 1); break;
    case SB_LINEDOWN: ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord()); break;
    case SB_PAGEUP: ds->MoveBy(-page); break;
    case SB_PAGEDOWN: ds->MoveBy(page); break;
    case SB_THUMBPOSITION: {
        if (skipNextThumbPosition_) {
            skipNextThumbPosition_ = false;
            break;
        }
        const int pos = trackPos();
        if (SumListIsSequenced()) {
            if (pos <= 1) ds->First();
            else if (pos >= SumListRecordCount()) ds->Last();
            else SetSumListRecNo(pos);
        } else {
            // Five positions: first, a page up, where it is, a page down, last.
            switch (pos) {
            case 0: ds->First(); break;
            case 1: ds->MoveBy(-page); break;
            case 3: ds->MoveBy(page); break;
            case 4: ds->Last(); break;
            default: break;
            }
        }
        break;
    }
    case SB_THUMBTRACK:
        if (VertScrollBarTracking()) {
            ds->MoveBy(trackPos() - SumListRecNo());
            skipNextThumbPosition_ = true;
        }
        break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: break;
    }
}

void TCustomDBGridGx::WMHScroll(TMessage& m) {
    if (HorzScrollBarTracking() && LOWORD(m.WParam) == SB_THUMBTRACK) {
        // The columns follow the thumb while it moves.
        SendMessage(Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, HIWORD(m.WParam)), m.LParam);
    } else {
        TCustomGrid::WMHScroll(m);
    }
    UpdateHorzExtScrollBar();
}

// ==== Timers, cursors, cancel mode =======================================================================

void TCustomDBGridGx::WMTimer(TMessage& m) {
    TCustomGrid::WMTimer(m);
    if (m.WParam == AutoScrollTimer) {
        if (rowTracking_ || cellTracking_ || interactionState_ == dgsColSelecting) {
            TimerScroll();
        } else if (interactionState_ == dgsRowMoving) {
            TPoint screen;
            GetCursorPos(&screen);
            const TPoint p = ScreenToClient(screen);
            const TGridCoord cell = MouseCoord(p.x, p.y);
            TGridDrawInfo di;
            CalcDrawInfo(di);
            MoveDataRowAndScroll(p.y, cell.Y, di, di.Vert, 1, p);
        }
    } else if (m.WParam == SearchTimer) {
        StopInplaceSearch();
    }
}

void TCustomDBGridGx::WMSetCursor(TMessage& m) {
    const bool client = LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT;
    if (Designing() && (!dataLink_->Active() || columns_->State() == csDefault)) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    if (client) {
        const DWORD at = GetMessagePos();
        const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
        TDBGridGxState state = interactionState_;
        if (GridState() == gsNormal && interactionState_ == dgsNormal) {
            int index = 0, pos = 0, ofs = 0;
            CalcFrozenSizingState(p.x, p.y, state, index, pos, ofs);
        }
        if (state == dgsColSizing) {
            ::SetCursor(Screen->Cursors(crHSplit));
            m.Result = 1;
            return;
        }
        const int hit = selectCursorHit(p.x, p.y);
        if (hit != 0) {
            ::SetCursor(hit == 1 ? DBGridGxColSelectCursor
                                 : (UseRightToLeftAlignment() ? DBGridGxRowMoveCursor : DBGridGxRowSelectCursor));
            m.Result = 1;
            return;
        }
    }
    TCustomGrid::WMSetCursor(m);
}

void TCustomDBGridGx::CMCancelMode(TMessage& m) {
    TCustomGrid::CMCancelMode(m);
    StopTracking();
    if (interactionState_ == dgsColSizing) DrawSizingLine(GridWidth(), GridHeight());
    else if (interactionState_ != dgsNormal) StopTimer();
    interactionState_ = dgsNormal;
    if (TWinControl* editor = FilterEditor()) editor->WindowProc()(m);
}

void TCustomDBGridGx::WMCancelMode(TMessage& m) {
    // A record drag ends without a move: the base handling releases a held button, which would
    // otherwise drop the records where the line stands.
    if (interactionState_ == dgsRowMoving) EndRowMoving(0, 0, false);
    TCustomGrid::WMCancelMode(m);
    StopTracking();
    if (interactionState_ == dgsColSizing) DrawSizingLine(GridWidth(), GridHeight());
    else if (interactionState_ != dgsNormal) StopTimer();
    interactionState_ = dgsNormal;
}

// A Ctrl+title click held back its sort until Ctrl is released or the focus leaves.
void TCustomDBGridGx::ApplyPendingSortMarking() {
    if (!pendingSortMarking_) return;
    pendingSortMarking_ = false;
    DoSortMarkingChanged();
}

// ==== Filter-row presses and the automatic drag ==========================================================

bool TCustomDBGridGx::filterPress(TMessage& m, bool left) {
    if (Designing() || !STFilterVisible()) return false;
    const int x = m.XPos(), y = m.YPos();
    const TGridCoord cell = MouseCoord(x, y);
    if (!CheckCellFilter(x, y) || (cell.X == 0 && (options_ & dgIndicator))) return false;
    const int dataCol = RawToDataColumn(cell.X);
    if (!CanFilterCol(dataCol)) return false;
    ClearSelection();
    StartEditFilter(dataCol);
    TWinControl* editor = FilterEditor();
    if (left && editor && editor->Visible()) {
        const TPoint local = editor->ScreenToClient(ClientToScreen(TPoint(x, y)));
        editor->Perform(WM_LBUTTONDOWN, m.WParam, MAKELPARAM(local.x, local.y));
    }
    // A right press and a left one make no double click.
    if (left) RememberMouseDown(TPoint(x, y), GetMessageTime());
    return true;
}

void TCustomDBGridGx::WMLButtonDown(TMessage& m) {
    if (filterPress(m, true)) return;
    TCustomGrid::WMLButtonDown(m);
}

void TCustomDBGridGx::WMRButtonDown(TMessage& m) {
    if (filterPress(m, false)) return;
    TCustomGrid::WMRButtonDown(m);
}

void TCustomDBGridGx::WndProc(TMessage& m) {
    if (passToPressedEditButton(m)) return;
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && DragMode() == dmAutomatic &&
        (options_ & dgMultiSelect) && !Designing()) {
        // The press selects first; only a press on a selected cell followed by a move drags.
        SetDragMode(dmManual);
        deferredAutoDrag_ = true;
        try {
            TCustomGrid::WndProc(m);
        } catch (...) {
            SetDragMode(dmAutomatic);
            deferredAutoDrag_ = false;
            throw;
        }
        SetDragMode(dmAutomatic);
        deferredAutoDrag_ = false;
        return;
    }
    TCustomGrid::WndProc(m);
}
