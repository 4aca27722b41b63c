// The grid's selection: records as bookmarks, a rectangle of cells, columns or everything; the
// selection step that keys and the mouse take; which kinds are allowed; the repaint when the focus
// comes or goes; and the standard edit actions with their checks.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Clipbrd.h"
#include "gui/StdActns.h"

#include <algorithm>

namespace {

// The clipboard format of the grid's interchange records.
TClipboardFormat interchangeFormat() {
    static const TClipboardFormat f = RegisterClipboardFormat("VCLDBIF");
    return f;
}

TDataSet* gridDataSet(TCustomDBGridGx* grid) {
    TDataSource* src = grid->DataSource();
    return src ? src->DataSet() : nullptr;
}

bool pointIn(const TRect& r, int x, int y) { return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom; }

// Invalidates what lies in exactly one of the boxes a and b: four bands around their overlap.
void invalidateChangedArea(TCustomDBGridGx* grid, const TRect& a, const TRect& b) {
    const TRect in(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom));
    if (in.Left >= in.Right || in.Top >= in.Bottom) {
        grid->InvalidateRect(a);
        grid->InvalidateRect(b);
        return;
    }
    const TRect u(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                  std::max(a.Bottom, b.Bottom));
    auto inEither = [&](const TPoint& p) { return pointIn(a, p.x, p.y) || pointIn(b, p.x, p.y); };
    auto band = [&](const TPoint& p1, const TPoint& p2, const TPoint& p3, TRect& out) {
        if (inEither(p1)) {
            out = TRect(p1.x, p1.y, inEither(p3) ? p3.x : p2.x, inEither(p3) ? p3.y : p2.y);
            return true;
        }
        if (inEither(p2)) {
            out = TRect(p2.x, p2.y, p3.x, p3.y);
            return true;
        }
        return false;
    };
    TRect r;
    if (band({u.Left, u.Top}, {u.Left, in.Top}, {u.Left, in.Bottom}, r)) {
        r.Right = in.Left;
        grid->InvalidateRect(r);
    }
    if (band({in.Left, u.Top}, {in.Right, u.Top}, {u.Right, u.Top}, r)) {
        r.Bottom = in.Top;
        grid->InvalidateRect(r);
    }
    if (band({u.Right, in.Top}, {u.Right, in.Bottom}, {u.Right, u.Bottom}, r)) {
        r.Left = in.Right;
        grid->InvalidateRect(r);
    }
    if (band({u.Left, u.Bottom}, {in.Left, u.Bottom}, {in.Right, u.Bottom}, r)) {
        r.Top = in.Bottom;
        grid->InvalidateRect(r);
    }
}

// Restores the data link's active record when the scope ends.
class ActiveRecordScope {
public:
    explicit ActiveRecordScope(TGridDataLinkGx* link) : link_(link), saved_(link->ActiveRecord()) {}
    ~ActiveRecordScope() { link_->SetActiveRecord(saved_); }

private:
    TGridDataLinkGx* link_;
    int saved_;
};

// The bookmarks of the records in the link's buffer window, top to bottom.
std::vector<TBookmarkStr> bufferedBookmarks(TCustomDBGridGx* grid) {
    std::vector<TBookmarkStr> out;
    TGridDataLinkGx* link = grid->DataLink();
    if (!link->Active()) return out;
    TDataSet* ds = link->DataSet();
    ActiveRecordScope scope(link);
    const int n = link->RecordCount();
    out.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        link->SetActiveRecord(i);
        out.push_back(ds->Bookmark());
    }
    return out;
}

// The records of the rows on screen with their data rows. A view shows the rows from the top one
// to one past the last fully visible (at most its last record), each read in place; otherwise the
// link's buffer window.
struct ScreenRow {
    int dataRow;
    TBookmarkStr bookmark;
};

std::vector<ScreenRow> screenRows(TCustomDBGridGx* grid) {
    std::vector<ScreenRow> out;
    if (!grid->ViewScroll()) {
        const std::vector<TBookmarkStr> buffered = bufferedBookmarks(grid);
        for (int i = 0; i < static_cast<int>(buffered.size()); ++i)
            out.push_back({i, buffered[static_cast<std::size_t>(i)]});
        return out;
    }
    TGridDataLinkGx* link = grid->DataLink();
    if (!link->Active()) return out;
    TDataSet* ds = link->DataSet();
    const int first = grid->TopRow() - grid->TopDataOffset();
    const int last = std::min(first + grid->VisibleDataRowCount(), grid->MemTable()->GetViewRecordCount() - 1);
    for (int row = std::max(0, first); row <= last; ++row) {
        grid->InstantReadRecordEnter(row);
        try {
            out.push_back({row, ds->Bookmark()});
        } catch (...) {
            grid->InstantReadRecordLeave();
            throw;
        }
        grid->InstantReadRecordLeave();
    }
    return out;
}

const TGridRect NoGridRect{-1, -1, -1, -1};

}  // namespace

// ==== TBookmarkListGx ===================================================================================

TDataSet* TBookmarkListGx::GetDataSet() { return gridDataSet(grid_); }

void TBookmarkListGx::Clear() {
    TBMListGx::Clear();
    if (TDBGridGxSelection* sel = grid_->Selection()) sel->SelectionChanged();
}

void TBookmarkListGx::SetCurrentRowSelected(bool value) {
    TBMListGx::SetCurrentRowSelected(value);
    grid_->InvalidateRow(grid_->Row());
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() != gstRecordBookmarks && Count() > 0) {
        sel->Clear();
        sel->selectionType_ = gstRecordBookmarks;
    }
    sel->UpdateState();
    sel->SelectionChanged();
}

void TBookmarkListGx::UpdateState() {
    if (TDBGridGxSelection* sel = grid_->Selection()) sel->UpdateState();
}

void TBookmarkListGx::Invalidate() { grid_->Invalidate(); }

TGridRect TBookmarkListGx::SelectionToGridRect() {
    int first = -1, last = -1;
    for (const ScreenRow& row : screenRows(grid_)) {
        int at = 0;
        if (Find(row.bookmark, at)) {
            if (first < 0) first = row.dataRow;
            last = row.dataRow;
        }
    }
    if (first < 0) return NoGridRect;
    const int off = grid_->TopDataOffset();
    return TGridRect{0, first + off, grid_->ColCount() - 1, last + off};
}

// ==== TDBGridGxSelectionCols ============================================================================

TDBGridGxSelectionCols::TDBGridGxSelectionCols(TCustomDBGridGx* grid)
    : grid_(grid), shiftSelected_(std::make_unique<TColumnsGxList>()) {}

TDBGridGxSelectionCols::~TDBGridGxSelectionCols() = default;

void TDBGridGxSelectionCols::Add(TColumnGx* column) {
    for (int i = 0; i < Count(); ++i) {
        if (GetColumn(i)->Index() > column->Index()) {
            Insert(i, column);
            return;
        }
    }
    TColumnsGxList::Add(column);
}

void TDBGridGxSelectionCols::Clear() {
    for (int i = 0; i < Count(); ++i) grid_->InvalidateCol(grid_->DataToRawColumn(GetColumn(i)->Index()));
    TColumnsGxList::Clear();
    anchor_ = nullptr;
    grid_->Selection()->SelectionChanged();
}

void TDBGridGxSelectionCols::Select(TColumnGx* column, bool addSel) {
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (!addSel) Clear();
    if (IndexOf(column) < 0) Add(column);
    anchor_ = shiftCol_ = column;
    sel->SetSelectionType(gstColumns);
    shiftSelected_->Clear();
}

void TDBGridGxSelectionCols::InvertSelect(TColumnGx* column) {
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (IndexOf(column) < 0) Add(column);
    else Remove(column);
    anchor_ = shiftCol_ = column;
    sel->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
    shiftSelected_->Clear();
}

void TDBGridGxSelectionCols::SelectShift(TColumnGx* column) {
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() != gstColumns) sel->Clear();
    if (!anchor_) {
        Select(column, true);
        anchor_ = column;
        return;
    }
    const int a = anchor_->Index();
    const int s = shiftCol_ ? shiftCol_->Index() : a;
    const int c = column->Index();
    int from = s, to = c, switchAt = -1;
    bool apply = true;
    if (a < s) {
        if (c > s) {
        } else if (a <= c && c < s) {
            to = c + 1;
            apply = false;
        } else if (c < a) {
            apply = false;
            switchAt = a;
        } else {
            from = to = c;
        }
    } else if (s < a) {
        if (c < s) {
        } else if (s < c && c <= a) {
            to = c - 1;
            apply = false;
        } else if (c > a) {
            apply = false;
            switchAt = a;
        } else {
            from = to = c;
        }
    } else {
        from = a;
    }
    const bool anchorSelected = IndexOf(anchor_) >= 0;
    TDBGridColumnsGx* cols = grid_->Columns();
    const int step = to >= from ? 1 : -1;
    for (int i = from;; i += step) {
        if (i == switchAt) apply = !apply;
        if (i >= 0 && i < cols->Count()) {
            TColumnGx* ci = cols->Items(i);
            const bool selected = IndexOf(ci) >= 0;
            bool held = false;
            if (apply && anchorSelected) {
                // A hidden column never joins a range.
                if (!selected && ci->Visible()) {
                    Add(ci);
                    shiftSelected_->Add(ci);
                    held = true;
                }
            } else if (apply) {
                if (selected && i != a) {
                    Remove(ci);
                    shiftSelected_->Add(ci);
                    held = true;
                }
            } else if (anchorSelected) {
                if (selected && i != a) {
                    held = true;
                    if (shiftSelected_->IndexOf(ci) >= 0) {
                        Remove(ci);
                        shiftSelected_->Remove(ci);
                    }
                }
            } else {
                if (!selected && ci->Visible()) {
                    held = true;
                    if (shiftSelected_->IndexOf(ci) >= 0) {
                        Add(ci);
                        shiftSelected_->Remove(ci);
                    }
                }
            }
            if (held) {
                grid_->InvalidateCol(grid_->DataToRawColumn(i));
                sel->SelectionChanged();
            }
        }
        if (i == to) break;
    }
    shiftCol_ = column;
    sel->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
}

void TDBGridGxSelectionCols::Refresh() {
    TDBGridColumnsGx* cols = grid_->Columns();
    for (int i = Count() - 1; i >= 0; --i) {
        TColumnGx* c = GetColumn(i);
        bool present = false;
        for (int k = 0; k < cols->Count() && !present; ++k) present = cols->Items(k) == c;
        if (!present) Delete(i);
    }
    Sort([](void* x, void* y) {
        return static_cast<TColumnGx*>(static_cast<TObject*>(x))->Index() -
               static_cast<TColumnGx*>(static_cast<TObject*>(y))->Index();
    });
    if (anchor_ && IndexOf(anchor_) < 0) {
        bool present = false;
        for (int k = 0; k < cols->Count() && !present; ++k) present = cols->Items(k) == anchor_;
        if (!present) anchor_ = shiftCol_ = nullptr;
    }
}

TGridRect TDBGridGxSelectionCols::SelectionToGridRect() {
    if (Count() == 0) return NoGridRect;
    int lo = GetColumn(0)->Index(), hi = lo;
    for (int i = 1; i < Count(); ++i) {
        lo = std::min(lo, GetColumn(i)->Index());
        hi = std::max(hi, GetColumn(i)->Index());
    }
    return TGridRect{grid_->DataToRawColumn(lo), 0, grid_->DataToRawColumn(hi), grid_->RowCount()};
}

// ==== TDBGridGxSelectionRect ============================================================================

bool TDBGridGxSelectionRect::CheckState() { return gridDataSet(grid_) && grid_->DataLink()->Active(); }

void TDBGridGxSelectionRect::Clear() {
    anchor_ = TDBCell{};
    shift_ = TDBCell{};
    grid_->Invalidate();
    grid_->Selection()->SelectionChanged();
}

void TDBGridGxSelectionRect::Select(int dataCol, const TBookmarkStr& bookmark, bool extend) {
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() != gstRectangle) sel->Clear();
    const TDBCell oldAnchor = anchor_, oldShift = shift_;
    if (anchor_.Col < 0 || !extend) anchor_ = TDBCell{dataCol, bookmark};
    shift_ = TDBCell{dataCol, bookmark};
    TDataSet* ds = gridDataSet(grid_);
    const bool oneCell = anchor_.Col == shift_.Col && ds && DataSetCompareBookmarks(ds, anchor_.Row, shift_.Row) == 0;
    // A single cell is no selection; the anchor stays for the next extension.
    sel->SetSelectionType(oneCell ? gstNon : gstRectangle);
    if (grid_->HandleAllocated() && CheckState()) {
        const TRect before = oldAnchor.Col >= 0 ? BoxRect(oldAnchor.Col, oldAnchor.Row, oldShift.Col, oldShift.Row)
                                                : TRect();
        const TRect after = BoxRect(anchor_.Col, anchor_.Row, shift_.Col, shift_.Row);
        invalidateChangedArea(grid_, before, after);
        sel->SelectionChanged();
    }
}

TBookmarkStr TDBGridGxSelectionRect::GetTopRow() {
    if (!CheckState()) throw EInvalidGridOperation("Error in TDBGridGxSelectionRect.GetTopRow");
    return DataSetCompareBookmarks(gridDataSet(grid_), anchor_.Row, shift_.Row) <= 0 ? anchor_.Row : shift_.Row;
}

TBookmarkStr TDBGridGxSelectionRect::GetBottomRow() {
    if (!CheckState()) throw EInvalidGridOperation("Error in TDBGridGxSelectionRect.GetBottomRow");
    return DataSetCompareBookmarks(gridDataSet(grid_), anchor_.Row, shift_.Row) < 0 ? shift_.Row : anchor_.Row;
}

int TDBGridGxSelectionRect::GetLeftCol() {
    if (!CheckState()) throw EInvalidGridOperation("Error in TDBGridGxSelectionRect.GetLeftCol");
    return std::min(anchor_.Col, shift_.Col);
}

int TDBGridGxSelectionRect::GetRightCol() {
    if (!CheckState()) throw EInvalidGridOperation("Error in TDBGridGxSelectionRect.GetRightCol");
    return std::max(anchor_.Col, shift_.Col);
}

bool TDBGridGxSelectionRect::DataCellSelected(int dataCol, const TBookmarkStr& bookmark) {
    if (!CheckState()) throw EInvalidGridOperation("Error in function TDBGridGxSelectionRect.CellSelected");
    TDataSet* ds = gridDataSet(grid_);
    return DataSetCompareBookmarks(ds, bookmark, GetTopRow()) >= 0 &&
           DataSetCompareBookmarks(ds, bookmark, GetBottomRow()) <= 0 && dataCol >= GetLeftCol() &&
           dataCol <= GetRightCol();
}

TRect TDBGridGxSelectionRect::BoxRect(int aLeft, const TBookmarkStr& aTop, int aRight, const TBookmarkStr& aBottom) {
    TDataSet* ds = gridDataSet(grid_);
    if (!ds || !grid_->DataLink()->Active()) return TRect();
    const int left = std::min(aLeft, aRight), right = std::max(aLeft, aRight);
    TBookmarkStr top = aTop, bottom = aBottom;
    if (DataSetCompareBookmarks(ds, top, bottom) > 0) std::swap(top, bottom);
    const int off = grid_->TopDataOffset();
    if (grid_->ViewScroll()) {
        IMemTableGx* view = grid_->MemTable();
        return grid_->BoxRect(grid_->DataToRawColumn(left), view->BookmarkToViewRow(top) + off,
                              grid_->DataToRawColumn(right), view->BookmarkToViewRow(bottom) + off);
    }
    const std::vector<TBookmarkStr> rows = bufferedBookmarks(grid_);
    if (rows.empty()) return TRect();
    const int n = static_cast<int>(rows.size());
    int topRow = n;
    if (DataSetCompareBookmarks(ds, top, rows.front()) < 0) {
        topRow = 0;
    } else {
        for (int i = 0; i < n; ++i)
            if (DataSetCompareBookmarks(ds, rows[static_cast<std::size_t>(i)], top) == 0) topRow = i;
    }
    int bottomRow = grid_->VisibleDataRowCount();
    if (DataSetCompareBookmarks(ds, bottom, rows.back()) <= 0) {
        bottomRow = -1;
        for (int i = 0; i < n; ++i)
            if (DataSetCompareBookmarks(ds, rows[static_cast<std::size_t>(i)], bottom) == 0) bottomRow = i;
    }
    if (bottomRow < topRow) return TRect();
    return grid_->BoxRect(grid_->DataToRawColumn(left), topRow + off, grid_->DataToRawColumn(right), bottomRow + off);
}

TGridRect TDBGridGxSelectionRect::SelectionToGridRect() {
    if (!CheckState()) return NoGridRect;
    TDataSet* ds = gridDataSet(grid_);
    const TBookmarkStr top = GetTopRow(), bottom = GetBottomRow();
    int first = -1, last = -1;
    if (grid_->ViewScroll()) {
        first = grid_->MemTable()->BookmarkToViewRow(top);
        last = grid_->MemTable()->BookmarkToViewRow(bottom);
    } else {
        const std::vector<TBookmarkStr> rows = bufferedBookmarks(grid_);
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const TBookmarkStr& bm = rows[static_cast<std::size_t>(i)];
            if (first < 0 && DataSetCompareBookmarks(ds, bm, top) >= 0) first = i;
            if (DataSetCompareBookmarks(ds, bm, bottom) <= 0) last = i;
        }
    }
    if (first < 0 || last < 0) return NoGridRect;
    const int off = grid_->TopDataOffset();
    return TGridRect{grid_->DataToRawColumn(GetLeftCol()), first + off, grid_->DataToRawColumn(GetRightCol()),
                     last + off};
}

// ==== TDBGridGxSelection ================================================================================

TDBGridGxSelection::TDBGridGxSelection(TCustomDBGridGx* grid)
    : grid_(grid),
      columns_(std::make_unique<TDBGridGxSelectionCols>(grid)),
      rect_(std::make_unique<TDBGridGxSelectionRect>(grid)) {}

TDBGridGxSelection::~TDBGridGxSelection() = default;

TBookmarkListGx* TDBGridGxSelection::GetRows() const { return grid_->SelectedRows(); }

void TDBGridGxSelection::SetSelectionType(TDBGridGxSelectionType value) {
    if (value == selectionType_) return;
    selectionType_ = value;
    grid_->InvalidateEditor();
}

void TDBGridGxSelection::Clear() {
    auto finish = [this] {
        selectionType_ = gstNon;
        if ((grid_->Options() & dgAlwaysShowEditor) && grid_->CanEditorMode()) grid_->ShowEditor();
    };
    try {
        switch (selectionType_) {
            case gstRecordBookmarks: GetRows()->Clear(); break;
            case gstRectangle: rect_->Clear(); break;
            case gstColumns: columns_->Clear(); break;
            case gstAll: grid_->Invalidate(); break;
            case gstNon: break;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TDBGridGxSelection::SelectAll() {
    if (selectionType_ == gstAll) return;
    if (selectionType_ != gstNon) Clear();
    SetSelectionType(gstAll);
    grid_->Invalidate();
}

void TDBGridGxSelection::UpdateState() {
    if ((selectionType_ == gstRecordBookmarks && GetRows()->Count() == 0) ||
        (selectionType_ == gstColumns && columns_->Count() == 0)) {
        SetSelectionType(gstNon);
        grid_->Invalidate();
    }
}

void TDBGridGxSelection::Refresh() {
    if (selectionType_ == gstRecordBookmarks) {
        GetRows()->Refresh();
    } else if (selectionType_ == gstColumns && columns_->Count() == 0) {
        SetSelectionType(gstNon);
        grid_->Invalidate();
    }
}

void TDBGridGxSelection::LinkActive(bool value) {
    GetRows()->LinkActive(value);
    Clear();
}

bool TDBGridGxSelection::DataCellSelected(int dataCol, const TBookmarkStr& bookmark) {
    switch (selectionType_) {
        case gstRecordBookmarks: {
            int at = 0;
            return GetRows()->Find(bookmark, at);
        }
        case gstRectangle: return dataCol >= 0 && rect_->DataCellSelected(dataCol, bookmark);
        case gstColumns:
            return dataCol >= 0 && dataCol < grid_->Columns()->Count() &&
                   columns_->IndexOf(grid_->Columns()->Items(dataCol)) >= 0;
        case gstAll: return true;
        case gstNon: break;
    }
    return false;
}

TGridRect TDBGridGxSelection::SelectionToGridRect() {
    switch (selectionType_) {
        case gstRecordBookmarks: return GetRows()->SelectionToGridRect();
        case gstRectangle: return rect_->SelectionToGridRect();
        case gstColumns: return columns_->SelectionToGridRect();
        case gstAll: return TGridRect{0, 0, grid_->ColCount(), grid_->RowCount()};
        case gstNon: break;
    }
    return NoGridRect;
}

void TDBGridGxSelection::SelectionChanged() { grid_->OnSelectionChanged(grid_); }

// ==== The grid ==========================================================================================

bool TCustomDBGridGx::CanSelectType(TDBGridGxSelectionType type) const {
    if (type == gstNon) return true;
    if (!(options_ & dgMultiSelect) || !(allowedSelections_ & SelectionTypeBit(type))) return false;
    if (type == gstRectangle || type == gstColumns) return !(options_ & dgRowSelect);
    return true;
}

void TCustomDBGridGx::SetAllowedSelections(TDBGridGxAllowedSelections v) {
    if (v == allowedSelections_) return;
    allowedSelections_ = v;
    const TDBGridGxSelectionType kind = selection_->SelectionType();
    if (kind != gstNon && !(v & SelectionTypeBit(kind))) selection_->Clear();
}

void TCustomDBGridGx::selectionLinkActive(bool value) { selection_->LinkActive(value); }

void TCustomDBGridGx::ClearSelection() {
    const bool clearing = (optionsGx_ & dghClearSelection) != 0;
    if ((options_ & dgMultiSelect) && clearing) bookmarks_->Clear();
    selectExtending_ = false;
    if (selection_->SelectionType() != gstNon && clearing) {
        selection_->Clear();
        Invalidate();
        InvalidateEditor();
    }
}

void TCustomDBGridGx::DoSelection(bool select, int distance, bool toEnd, bool byRows) {
    TDataSet* ds = dataLink_->Active() ? dataLink_->DataSet() : nullptr;
    auto finish = [this](bool updateWindow) {
        EndUpdate();
        if (updateLock_ == 0) DoAfterSizeChangedIfPending();
        if (updateWindow && updateLock_ == 0) Update();
    };
    if (byRows || (options_ & dgRowSelect)) {
        const bool selecting = select && CanSelectType(gstRecordBookmarks);
        BeginUpdate();
        bool moved = true;
        try {
            while (distance != 0) {
                const int sign = distance > 0 ? 1 : -1;
                bool mark = false;
                if ((options_ & dgMultiSelect) && ds) {
                    if (selecting && !selectExtending_) {
                        selectAnchor_ = bookmarks_->CurrentRow();
                        selectAnchorSelected_ = bookmarks_->CurrentRowSelected();
                        bookmarks_->SetCurrentRowSelected(selectToggle_ ? !selectAnchorSelected_ : true);
                        selectExtending_ = true;
                        mark = true;
                    } else if (selecting) {
                        const int c = bookmarks_->Compare(bookmarks_->CurrentRow(), selectAnchor_);
                        const int cs = c < 0 ? -1 : (c > 0 ? 1 : 0);
                        // Moving back toward the anchor gives the record up first.
                        mark = cs != -sign;
                        if (!mark) bookmarks_->SetCurrentRowSelected(selectToggle_ ? selectAnchorSelected_ : false);
                    } else {
                        ClearSelection();
                    }
                }
                if (!ds || ds->MoveBy(sign) == 0) {
                    moved = false;
                    break;
                }
                if (mark) bookmarks_->SetCurrentRowSelected(selectToggle_ ? !selectAnchorSelected_ : true);
                if (!toEnd) distance -= sign;
            }
        } catch (...) {
            finish(false);
            throw;
        }
        finish(moved);
        return;
    }
    const bool selecting = select && CanSelectType(gstRectangle);
    if (!selecting) {
        if (ds) ds->MoveBy(distance);
        if (updateLock_ == 0) Update();
        return;
    }
    if (!ds) return;
    BeginUpdate();
    try {
        TDBGridGxSelectionRect* rect = selection_->Rect();
        if (selection_->SelectionType() != gstRectangle) {
            rect->Clear();
            rect->Select(SelectedIndex(), ds->Bookmark(), true);
        }
        if (toEnd) {
            if (distance == 1) ds->Last();
            else ds->First();
        } else {
            ds->MoveBy(distance);
        }
        rect->Select(SelectedIndex(), ds->Bookmark(), true);
    } catch (...) {
        finish(false);
        throw;
    }
    finish(true);
}

void TCustomDBGridGx::SelectionActiveChanged() {
    const TDBGridGxSelectionType kind = selection_->SelectionType();
    if (kind == gstAll) {
        Invalidate();
    } else if (kind != gstNon) {
        const TGridRect r = selection_->SelectionToGridRect();
        if (r.Left >= 0) InvalidateGridRect(r);
    }
    InvalidateRow(Row());
    selectionActive_ = IsSelectionActive();
}

// ---- Edit actions ----------------------------------------------------------------------------------

bool TCustomDBGridGx::CheckCopyAction() { return dataLink_->Active() && selection_->SelectionType() != gstNon; }

bool TCustomDBGridGx::CheckPasteAction() {
    if (!dataLink_->Active() || readOnly_) return false;
    TDataSet* ds = dataLink_->DataSet();
    if (!ds->CanModify()) return false;
    if (!Clipboard()->HasFormat(interchangeFormat()) && !Clipboard()->HasFormat(CF_TEXT)) return false;
    return ds->State() == dsInsert || (allowedOperations_ & alopUpdateGx);
}

bool TCustomDBGridGx::CheckCutAction() { return CheckCopyAction() && CheckDeleteAction(); }

bool TCustomDBGridGx::CheckSelectAllAction() {
    return dataLink_->Active() && !dataLink_->DataSet()->IsEmpty() && (allowedSelections_ & SelectionTypeBit(gstAll));
}

bool TCustomDBGridGx::CheckDeleteAction() {
    if (!dataLink_->Active() || readOnly_) return false;
    TDataSet* ds = dataLink_->DataSet();
    if (ds->IsEmpty() || !ds->CanModify()) return false;
    switch (selection_->SelectionType()) {
        case gstRecordBookmarks:
        case gstAll: return (allowedOperations_ & alopDeleteGx) != 0;
        // Cells are emptied rather than records deleted.
        case gstRectangle:
        case gstColumns: return (allowedOperations_ & alopUpdateGx) != 0;
        case gstNon: break;
    }
    return false;
}

bool TCustomDBGridGx::ExecuteAction(TBasicAction* action) {
    if (dataLink_->ExecuteAction(action)) return true;
    if (!Focused()) return false;
    if (dynamic_cast<TEditCopy*>(action) && (editActions_ & geaCopyGx) && CheckCopyAction()) {
        DBGridGx_DoCopyAction(false);
        return true;
    }
    if (dynamic_cast<TEditPaste*>(action) && (editActions_ & geaPasteGx) && CheckPasteAction()) {
        DBGridGx_DoPasteAction(false);
        return true;
    }
    if (dynamic_cast<TEditCut*>(action) && (editActions_ & geaCutGx) && CheckCutAction()) {
        DBGridGx_DoCutAction(false);
        return true;
    }
    if (dynamic_cast<TEditSelectAll*>(action) && (editActions_ & geaSelectAllGx) && CheckSelectAllAction()) {
        selection_->SelectAll();
        return true;
    }
    if (dynamic_cast<TEditDelete*>(action) && (editActions_ & geaDeleteGx) && CheckDeleteAction()) {
        DBGridGx_DoDeleteAction(false);
        return true;
    }
    return false;
}

bool TCustomDBGridGx::UpdateAction(TBasicAction* action) {
    if (dataLink_->UpdateAction(action)) return true;
    if (!Focused()) return false;
    auto* a = dynamic_cast<TAction*>(action);
    if (!a) return false;
    auto answer = [a](bool enabled) {
        a->SetEnabled(enabled);
        return true;
    };
    if (dynamic_cast<TEditCopy*>(action) && (editActions_ & geaCopyGx)) return answer(CheckCopyAction());
    if (dynamic_cast<TEditPaste*>(action) && (editActions_ & geaPasteGx)) return answer(CheckPasteAction());
    if (dynamic_cast<TEditCut*>(action) && (editActions_ & geaCutGx)) return answer(CheckCutAction());
    if (dynamic_cast<TEditSelectAll*>(action) && (editActions_ & geaSelectAllGx))
        return answer(CheckSelectAllAction());
    if (dynamic_cast<TEditDelete*>(action) && (editActions_ & geaDeleteGx)) return answer(CheckDeleteAction());
    return false;
}
