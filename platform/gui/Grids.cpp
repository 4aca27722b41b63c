#include "gui/Grids.h"

#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <QWidget>

#include <algorithm>
#include <utility>

using namespace plantmon::gui;

namespace {
const char* const kIndexError = "Индекс ячейки таблицы вне диапазона";
const char* const kFixedColsError = "Число фиксированных столбцов должно быть меньше числа столбцов";
const char* const kFixedRowsError = "Число фиксированных строк должно быть меньше числа строк";

// The grid's timer while the mouse selects outside the cells.
constexpr UINT_PTR kSelectTimer = 1;
constexpr UINT kSelectInterval = 60;

// How far from a border the mouse may be to size it.
constexpr int kSizingBand = 7;

template <class T>
void moveItem(std::vector<T>& v, int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= static_cast<int>(v.size()) || to >= static_cast<int>(v.size())) return;
    auto f = v.begin() + from;
    auto t = v.begin() + to;
    if (from < to) std::rotate(f, f + 1, t + 1);
    else std::rotate(t, f, f + 1);
}

// Where an index ends up when the item at from moves to to.
int followMove(int index, int from, int to) {
    if (index == from) return to;
    if (from < to && index > from && index <= to) return index - 1;
    if (from > to && index >= to && index < from) return index + 1;
    return index;
}
}  // namespace

// ---- TInplaceEdit --------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    SetParentCtl3D(false);
    SetCtl3D(false);
    SetTabStop(false);
    SetBorderStyle(bsNone);
    SetAutoSelect(false);
    SetVisible(false);
}

bool TInplaceEdit::Showing() const { return Visible() && Parent(); }

bool TInplaceEdit::PosEqual(const TRect& rect) const { return BoundsRect() == rect; }

void TInplaceEdit::internalMove(const TRect& loc, bool show) {
    if (loc.IsEmpty()) {
        Hide();
        return;
    }
    const bool same = PosEqual(loc);
    SetBounds(loc.Left, loc.Top, loc.Width(), loc.Height());
    // Descendants place their inner parts on every placement.
    if (same) BoundsChanged();
    if (!show) return;
    if (!Visible()) {
        SetVisible(true);
        // The selection it had before it was hidden (losing the focus drops it).
        if (hiddenSelStart_ >= 0) {
            SetSelStart(hiddenSelStart_);
            SetSelLength(hiddenSelLength_);
            hiddenSelStart_ = -1;
        }
    }
    if (grid_ && grid_->Focused() && CanFocus()) SetFocus();
}

void TInplaceEdit::Move(const TRect& loc) { internalMove(loc, true); }

void TInplaceEdit::UpdateLoc(const TRect& loc) { internalMove(loc, false); }

void TInplaceEdit::Hide() {
    if (!Visible()) return;
    hiddenSelStart_ = SelStart();
    hiddenSelLength_ = SelLength();
    // The grid takes the focus back before its editor goes.
    if (Focused() && grid_ && grid_->CanFocus()) grid_->SetFocus();
    SetVisible(false);
    if (grid_) grid_->InvalidateRect(BoundsRect());
}

void TInplaceEdit::Invalidate() {
    TCustomMaskEdit::Invalidate();
    if (grid_) grid_->InvalidateRect(BoundsRect());
}

void TInplaceEdit::UpdateContents() {
    if (!grid_) return;
    updating_ = true;
    try {
        SetText(AnsiString());
        SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
        SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
        SetMaxLength(grid_->GetEditLimit());
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    modifyAsked_ = false;
    hiddenSelStart_ = -1;
}

bool TInplaceEdit::EditCanModify() {
    // The grid is asked before the first change of each text it gave; once it agreed, the rest
    // of the editing goes on without asking again.
    if (modifyAsked_) return true;
    modifyAsked_ = grid_ ? grid_->CanEditModify() : true;
    return modifyAsked_;
}

void TInplaceEdit::Change() {
    TCustomMaskEdit::Change();
    if (!updating_ && grid_) grid_->SetEditText(grid_->Col(), grid_->Row(), Text());
}

void TInplaceEdit::DblClick() {
    if (grid_) grid_->DblClick();
}

void TInplaceEdit::KeyDown(WORD& key, TShiftState shift) {
    auto toGrid = [&] {
        if (grid_) grid_->KeyDown(key, shift);
        key = 0;
    };
    const int start = SelStart(), length = SelLength();
    const int textLength = static_cast<int>(Utf8Chars(EditText().str()).size());
    const bool ctrl = shift & ssCtrl;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_F2: toGrid(); break;
    case VK_TAB:
        if (!(shift & ssAlt)) toGrid();
        break;
    case VK_LEFT:
    case VK_HOME:
        // At the text's start (or with all of it selected) the caret leaves the cell.
        if (ctrl || (start == 0 && (length == 0 || length == textLength))) toGrid();
        break;
    case VK_RIGHT:
    case VK_END:
        if (ctrl || ((start == 0 || start == textLength) && start + length == textLength)) toGrid();
        break;
    case VK_DELETE:
        if (ctrl) toGrid();
        else if (!ReadOnly() && !EditCanModify()) key = 0;
        break;
    case VK_INSERT:
        if ((shift & ssShift) && !EditCanModify()) key = 0;
        break;
    default: break;
    }
    if (key != 0) TCustomMaskEdit::KeyDown(key, shift);
}

void TInplaceEdit::KeyPress(WideChar& key) {
    // The grid sees the character first, unless it is the one the grid passes on itself.
    if (grid_ && !grid_->forwardingChar_) grid_->KeyPress(key);
    if (key == 0) return;
    if (key >= 32 && grid_ && !grid_->CanEditAcceptKey(key)) {
        key = 0;
        MessageBeep(0);
        return;
    }
    switch (key) {
    case '\t':
    case 27:
    case '\r': key = 0; return;
    case 8:
    case 0x16:
    case 0x18:
        if (!EditCanModify()) key = 0;
        break;
    default:
        if (key >= 32 && !EditCanModify()) key = 0;
        break;
    }
    if (key != 0) TCustomMaskEdit::KeyPress(key);
}

void TInplaceEdit::KeyUp(WORD& key, TShiftState shift) {
    if (grid_) grid_->KeyUp(key, shift);
}

bool TInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    return grid_ ? grid_->DoMouseWheel(shift, wheelDelta, mousePos) : false;
}

void TInplaceEdit::WMGetDlgCode(TMessage& m) {
    m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    if (grid_ && (grid_->Options() & goTabs)) m.Result |= DLGC_WANTTAB;
}

void TInplaceEdit::DefaultHandler(TMessage& m) {
    // A character the grid passes on (the one that opened the editor) goes into the text here;
    // a typed one goes through the edit's own handling.
    if (m.Msg == WM_CHAR && !m.Native && !IsMasked()) {
        auto ch = static_cast<WideChar>(m.WParam);
        if (ch >= 32) {
            SetSelText(CharToText(ch));
            return;
        }
        if (ch == 8) {
            if (SelLength() == 0 && SelStart() > 0) {
                int p = SelStart();
                SetSelStart(p - 1);
                SetSelLength(1);
            }
            SetSelText(AnsiString());
            return;
        }
    }
    TCustomMaskEdit::DefaultHandler(m);
}

// ---- TCustomGrid: construction and properties ----------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
    // Clicks are the grid's own business: a double click is the second press with ssDouble.
    SetControlStyle((ControlStyle() & ~csClickEvents) | csCaptureMouse | csDoubleClicks);
    Widget()->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    SetColor(clWindow);
    colWidths_.assign(static_cast<std::size_t>(colCount_), defaultColWidth_);
    rowHeights_.assign(static_cast<std::size_t>(rowCount_), defaultRowHeight_);
    tabStops_.assign(static_cast<std::size_t>(colCount_), true);
    initializeTopLeft();
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() {
    Destroying_();
    if (timerOn_) KillTimer(Handle(), kSelectTimer);
}

void TCustomGrid::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style |= WS_TABSTOP;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
    if (borderStyle_ == bsSingle) {
        if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
        else params.Style |= WS_BORDER;
    }
}

void TCustomGrid::SetParent(TWinControl* parent) {
    TCustomControl::SetParent(parent);
    if (Parent()) updateScrollRange();
}

void TCustomGrid::initializeTopLeft() {
    topLeft_ = TGridCoord{fixedCols_, fixedRows_};
    current_ = topLeft_;
    anchor_ = current_;
    if (options_ & goRowSelect) anchor_.X = colCount_ - 1;
}

void TCustomGrid::changeSize(int cols, int rows) {
    const int oldCols = colCount_, oldRows = rowCount_;
    if (cols == oldCols && rows == oldRows) return;
    colCount_ = cols;
    rowCount_ = rows;
    colWidths_.resize(static_cast<std::size_t>(cols), defaultColWidth_);
    tabStops_.resize(static_cast<std::size_t>(cols), true);
    rowHeights_.resize(static_cast<std::size_t>(rows), defaultRowHeight_);
    // What lay beyond the new counts comes inside.
    auto inside = [&](TGridCoord& c) {
        c.X = std::clamp(c.X, 0, cols - 1);
        c.Y = std::clamp(c.Y, 0, rows - 1);
    };
    inside(current_);
    inside(anchor_);
    topLeft_.X = std::clamp(topLeft_.X, fixedCols_, std::max(fixedCols_, cols - 1));
    topLeft_.Y = std::clamp(topLeft_.Y, fixedRows_, std::max(fixedRows_, rows - 1));
    if (options_ & goRowSelect) anchor_.X = cols - 1;
    SizeChanged(oldCols, oldRows);
    if (inplaceEdit_ && (current_.X != inplaceCol_ || current_.Y != inplaceRow_)) InvalidateEditor();
    updateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == colCount_) return;
    if (n <= fixedCols_) SetFixedCols(n - 1);
    changeSize(n, rowCount_);
}

void TCustomGrid::SetRowCount(int n) {
    n = std::max(n, 1);
    if (n == rowCount_) return;
    if (n <= fixedRows_) SetFixedRows(n - 1);
    changeSize(colCount_, n);
}

void TCustomGrid::SetFixedCols(int n) {
    if (n < 0) throw EInvalidGridOperation(kIndexError);
    if (n >= colCount_) throw EInvalidGridOperation(kFixedColsError);
    fixedCols_ = n;
    // The scrolling part starts afresh: its first cell shows at the top left and is current, so no
    // column is left where neither the view nor a scroll bar reaches it.
    initializeTopLeft();
    updateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int n) {
    if (n < 0) throw EInvalidGridOperation(kIndexError);
    if (n >= rowCount_) throw EInvalidGridOperation(kFixedRowsError);
    fixedRows_ = n;
    initializeTopLeft();
    updateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int w) {
    defaultColWidth_ = w;
    std::fill(colWidths_.begin(), colWidths_.end(), w);
    extentsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int h) {
    defaultRowHeight_ = h;
    std::fill(rowHeights_.begin(), rowHeights_.end(), h);
    extentsChanged();
}

namespace {
// Index errors of the per-column and per-row lists.
std::size_t checkedIndex(int i, int count) {
    if (i < 0 || i >= count) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return static_cast<std::size_t>(i);
}

// Stores an extent (-1 at the least); true when it changed.
bool storeExtent(std::vector<int>& extents, int i, int count, int value) {
    int& cur = extents[checkedIndex(i, count)];
    value = std::max(value, -1);
    if (cur == value) return false;
    cur = value;
    return true;
}
}  // namespace

int TCustomGrid::ColWidths(int col) const { return colWidths_[checkedIndex(col, colCount_)]; }

void TCustomGrid::SetColWidths(int col, int w) {
    if (storeExtent(colWidths_, col, colCount_, w)) ColWidthsChanged();
}

int TCustomGrid::RowHeights(int row) const { return rowHeights_[checkedIndex(row, rowCount_)]; }

void TCustomGrid::SetRowHeights(int row, int h) {
    if (storeExtent(rowHeights_, row, rowCount_, h)) RowHeightsChanged();
}

bool TCustomGrid::TabStops(int col) const { return tabStops_[checkedIndex(col, colCount_)]; }

void TCustomGrid::SetTabStops(int col, bool b) { tabStops_[checkedIndex(col, colCount_)] = b; }

void TCustomGrid::SetGridLineWidth(int w) {
    w = std::max(0, w);
    if (w == gridLineWidth_) return;
    gridLineWidth_ = w;
    extentsChanged();
}

void TCustomGrid::SetOptions(TGridOptions o) {
    // Whole rows are selected as they are: no editor over them.
    if (o & goRowSelect) o &= ~goAlwaysShowEditor;
    if (o == options_) return;
    const TGridOptions old = options_;
    options_ = o;
    if (o & goRowSelect) {
        anchor_.X = colCount_ - 1;
        current_.X = fixedCols_;
    }
    if (o & goAlwaysShowEditor) ShowEditor();
    else if ((old & goAlwaysShowEditor) || !(o & goEditing) || (o & goRowSelect)) HideEditor();
    updateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle s) {
    if (s == scrollBars_) return;
    scrollBars_ = s;
    if (s != ssHorizontal && s != ssBoth) ShowScrollBar(Handle(), SB_HORZ, false);
    if (s != ssVertical && s != ssBoth) ShowScrollBar(Handle(), SB_VERT, false);
    RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TBorderStyle b) {
    if (b == borderStyle_) return;
    borderStyle_ = b;
    RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor c) {
    if (c == fixedColor_) return;
    fixedColor_ = c;
    InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool b) {
    if (b == defaultDrawing_) return;
    defaultDrawing_ = b;
    InvalidateGrid();
}

void TCustomGrid::ChangeScale(int m, int d) {
    if (m == d || d == 0) return;
    Font()->SetHeight(MulDiv(Font()->Height(), m, d));
    defaultColWidth_ = MulDiv(defaultColWidth_, m, d);
    defaultRowHeight_ = MulDiv(defaultRowHeight_, m, d);
    for (int& w : colWidths_)
        if (w > 0) w = MulDiv(w, m, d);
    for (int& h : rowHeights_)
        if (h > 0) h = MulDiv(h, m, d);
    extentsChanged();
}

void TCustomGrid::FontChanged() {
    TCustomControl::FontChanged();
    InvalidateGrid();
}

// ---- Geometry ------------------------------------------------------------------------------------

int TCustomGrid::span(const std::vector<int>& extents, int i, int lineWidth) const {
    const int e = extents[static_cast<std::size_t>(i)];
    // A hidden cell (-1) takes no room, not even its line.
    return e < 0 ? 0 : e + lineWidth;
}

void TCustomGrid::fixedAxis(TGridAxisDrawInfo& a, bool horz) const {
    const TGridOptions lines = horz ? (goFixedVertLine | goVertLine) : (goFixedHorzLine | goHorzLine);
    a.EffectiveLineWidth = (options_ & lines) ? gridLineWidth_ : 0;
    a.FixedCellCount = horz ? fixedCols_ : fixedRows_;
    a.FirstGridCell = horz ? topLeft_.X : topLeft_.Y;
    a.GridCellCount = horz ? colCount_ : rowCount_;
    const std::vector<int>* ext = horz ? &colWidths_ : &rowHeights_;
    a.GetExtent = [ext](int i) { return (*ext)[static_cast<std::size_t>(i)]; };
    a.FixedBoundary = 0;
    for (int i = 0; i < a.FixedCellCount; ++i) a.FixedBoundary += span(*ext, i, a.EffectiveLineWidth);
}

void TCustomGrid::calcAxis(TGridAxisDrawInfo& a) const {
    a.GridBoundary = a.FixedBoundary;
    a.FullVisBoundary = a.FixedBoundary;
    a.LastFullVisibleCell = a.FirstGridCell;
    const int lw = a.EffectiveLineWidth;
    for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
        const int e = a.GetExtent(i);
        a.GridBoundary += e < 0 ? 0 : e + lw;
        if (a.GridBoundary > a.GridExtent + lw) {
            a.GridBoundary = a.GridExtent;
            break;
        }
        a.LastFullVisibleCell = i;
        a.FullVisBoundary = a.GridBoundary;
    }
}

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& info) const {
    fixedAxis(info.Horz, true);
    fixedAxis(info.Vert, false);
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) const {
    CalcFixedInfo(info);
    info.Horz.GridExtent = width;
    info.Vert.GridExtent = height;
    calcAxis(info.Horz);
    calcAxis(info.Vert);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) const {
    TRect cr = ClientRect();
    CalcDrawInfoXY(info, cr.Width(), cr.Height());
}

int TCustomGrid::linePos(const TGridAxisDrawInfo& a, int line) const {
    const int lw = a.EffectiveLineWidth;
    int pos = 0;
    if (line < a.FixedCellCount) {
        for (int i = 0; i < line; ++i) {
            const int e = a.GetExtent(i);
            pos += e < 0 ? 0 : e + lw;
        }
        return pos < a.GridExtent ? pos : -1;
    }
    if (line < a.FirstGridCell) return -1;
    pos = a.FixedBoundary;
    for (int i = a.FirstGridCell; i < line; ++i) {
        const int e = a.GetExtent(i);
        pos += e < 0 ? 0 : e + lw;
        if (pos >= a.GridExtent) return -1;
    }
    return pos < a.GridExtent ? pos : -1;
}

bool TCustomGrid::boxAxis(const TGridAxisDrawInfo& a, int lo, int hi, int& from, int& to) const {
    lo = std::max(lo, 0);
    hi = std::min(hi, a.GridCellCount - 1);
    if (lo > hi) return false;
    if (lo >= a.FixedCellCount && lo < a.FirstGridCell) {
        if (hi < a.FirstGridCell) return false;  // scrolled out of view
        lo = a.FirstGridCell;
    }
    if (hi >= a.FirstGridCell) {
        // The last cell shown, perhaps only in part.
        int lastShown = a.LastFullVisibleCell;
        if (lastShown + 1 < a.GridCellCount && a.FullVisBoundary < a.GridExtent) ++lastShown;
        hi = std::max(lo, std::min(hi, lastShown));
    }
    const int start = linePos(a, lo);
    if (start < 0) return false;
    int end = linePos(a, hi);
    if (end < 0) end = a.GridExtent;
    else end += std::max(0, a.GetExtent(hi));
    from = start;
    to = std::min(end, a.GridExtent);
    return true;
}

TRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int x0, x1, y0, y1;
    if (!boxAxis(di.Horz, left, right, x0, x1) || !boxAxis(di.Vert, top, bottom, y0, y1)) return TRect();
    return TRect(x0, y0, x1, y1);
}

TRect TCustomGrid::CellRect(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return TRect();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const int x = linePos(di.Horz, col), y = linePos(di.Vert, row);
    if (x < 0 || y < 0) return TRect();
    const int w = std::max(0, colWidths_[static_cast<std::size_t>(col)]);
    const int h = std::max(0, rowHeights_[static_cast<std::size_t>(row)]);
    return TRect(x, y, std::min(x + w, di.Horz.GridExtent), std::min(y + h, di.Vert.GridExtent));
}

int TCustomGrid::coordFromPoint(const TGridAxisDrawInfo& a, int pos) const {
    if (pos < 0 || pos >= a.GridExtent) return -1;
    const int lw = a.EffectiveLineWidth;
    int start = 0;
    if (pos < a.FixedBoundary) {
        for (int i = 0; i < a.FixedCellCount; ++i) {
            const int e = a.GetExtent(i);
            start += e < 0 ? 0 : e + lw;
            if (pos < start) return i;
        }
        return -1;
    }
    start = a.FixedBoundary;
    for (int i = a.FirstGridCell; i < a.GridCellCount && start < a.GridExtent; ++i) {
        const int e = a.GetExtent(i);
        start += e < 0 ? 0 : e + lw;
        if (pos < start) return i;
    }
    return -1;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord c{coordFromPoint(di.Horz, x), coordFromPoint(di.Vert, y)};
    if (c.X < 0 || c.Y < 0) return TGridCoord{-1, -1};
    return c;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    TGridCoord c = MouseCoord(x, y);
    col = c.X;
    row = c.Y;
}

int TCustomGrid::VisibleColCount() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.LastFullVisibleCell - topLeft_.X + 1;
}

int TCustomGrid::VisibleRowCount() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.LastFullVisibleCell - topLeft_.Y + 1;
}

int TCustomGrid::GridWidth() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.GridBoundary;
}

int TCustomGrid::GridHeight() const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.GridBoundary;
}

int TCustomGrid::firstCellToShow(const TGridAxisDrawInfo& a, int last) const {
    // The first cell from which the cells up to last fit into the scrolling part.
    if (last < a.FixedCellCount) return last;
    const int lw = a.EffectiveLineWidth;
    int room = a.GridExtent + lw;
    int result = last;
    for (int i = last; i >= a.FixedCellCount; --i) {
        const int e = a.GetExtent(i);
        if (e <= 0) continue;
        room -= e + lw;
        if (room < a.FixedBoundary) {
            if (result == last && a.GetExtent(last) <= 0) result = i;
            break;
        }
        result = i;
    }
    return result;
}

TGridCoord TCustomGrid::calcMaxTopLeft(TGridCoord last, const TGridDrawInfo& info) const {
    return TGridCoord{firstCellToShow(info.Horz, last.X), firstCellToShow(info.Vert, last.Y)};
}

// ---- Current cell and scrolling ------------------------------------------------------------------

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(anchor_.X, current_.X), std::min(anchor_.Y, current_.Y), std::max(anchor_.X, current_.X),
                std::max(anchor_.Y, current_.Y)};
    if (options_ & goRowSelect) {
        r.Left = fixedCols_;
        r.Right = colCount_ - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& r) {
    TGridRect old = Selection();
    anchor_ = TGridCoord{std::clamp(r.Left, 0, colCount_ - 1), std::clamp(r.Top, 0, rowCount_ - 1)};
    current_ = TGridCoord{std::clamp(r.Right, 0, colCount_ - 1), std::clamp(r.Bottom, 0, rowCount_ - 1)};
    selectionMoved(old);
}

bool TCustomGrid::cellSelected(int col, int row) const {
    TGridRect s = Selection();
    return col >= s.Left && col <= s.Right && row >= s.Top && row <= s.Bottom;
}

void TCustomGrid::SetCol(int c) { MoveColRow(c, current_.Y, true, true); }
void TCustomGrid::SetRow(int r) { MoveColRow(current_.X, r, true, true); }

void TCustomGrid::MoveColRow(int col, int row, bool moveAnchor, bool show) { moveCurrent(col, row, moveAnchor, show); }

void TCustomGrid::moveCurrent(int col, int row, bool moveAnchor, bool show) {
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) throw EInvalidGridOperation(kIndexError);
    if (col == current_.X && row == current_.Y) {
        if (moveAnchor && !(anchor_ == current_) && !(options_ & goRowSelect)) {
            TGridRect old = Selection();
            anchor_ = current_;
            selectionMoved(old);
        }
        if (show) clampInView(current_);
        return;
    }
    if (!SelectCell(col, row)) return;
    TGridRect old = Selection();
    current_ = TGridCoord{col, row};
    if (!(options_ & goAlwaysShowEditor)) HideEditor();
    if (moveAnchor || !(options_ & goRangeSelect)) {
        anchor_ = current_;
        if (options_ & goRowSelect) anchor_.X = colCount_ - 1;
    }
    if (options_ & goRowSelect) current_.X = fixedCols_;
    if (show) clampInView(current_);
    selectionMoved(old);
    if (editorMode_) updateEdit();
}

void TCustomGrid::selectionMoved(const TGridRect& old) {
    invalidateBox(old);
    invalidateBox(Selection());
}

void TCustomGrid::invalidateBox(const TGridRect& r) {
    TRect box = BoxRect(r.Left, r.Top, r.Right, r.Bottom);
    if (!box.IsEmpty()) InvalidateRect(box);
}

void TCustomGrid::clampInView(TGridCoord cell) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord tl = topLeft_;
    if (cell.X >= fixedCols_) {
        if (cell.X < tl.X) tl.X = cell.X;
        else if (cell.X > di.Horz.LastFullVisibleCell) tl.X = std::max(tl.X, firstCellToShow(di.Horz, cell.X));
    }
    if (cell.Y >= fixedRows_) {
        if (cell.Y < tl.Y) tl.Y = cell.Y;
        else if (cell.Y > di.Vert.LastFullVisibleCell) tl.Y = std::max(tl.Y, firstCellToShow(di.Vert, cell.Y));
    }
    MoveTopLeft(tl.X, tl.Y);
}

void TCustomGrid::SetTopRow(int r) { MoveTopLeft(topLeft_.X, r); }
void TCustomGrid::SetLeftCol(int c) { MoveTopLeft(c, topLeft_.Y); }

void TCustomGrid::MoveTopLeft(int left, int top) {
    left = std::clamp(left, fixedCols_, std::max(fixedCols_, colCount_ - 1));
    top = std::clamp(top, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    if (left == topLeft_.X && top == topLeft_.Y) return;
    // What is waiting to be painted is painted before the picture moves.
    Update();
    TGridCoord old = topLeft_;
    topLeft_ = TGridCoord{left, top};
    topLeftMoved(old);
}

void TCustomGrid::topLeftMoved(TGridCoord old) {
    updateScrollPos();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    // The pixels between the old and the new first cell, when fewer than the scrolling part holds.
    auto distance = [&](const TGridAxisDrawInfo& a, int from, int to, int& pixels) {
        const int lo = std::min(from, to), hi = std::max(from, to);
        const int room = a.GridExtent - a.FixedBoundary;
        pixels = 0;
        for (int i = lo; i < hi; ++i) {
            const int e = a.GetExtent(i);
            pixels += e < 0 ? 0 : e + a.EffectiveLineWidth;
            if (pixels >= room) return false;
        }
        if (from < to) pixels = -pixels;
        return true;
    };
    const TRect cr = ClientRect();
    int dx = 0, dy = 0;
    const bool horzOk = old.X == topLeft_.X || distance(di.Horz, old.X, topLeft_.X, dx);
    const bool vertOk = old.Y == topLeft_.Y || distance(di.Vert, old.Y, topLeft_.Y, dy);
    QWidget* shown = PaintHost() ? PaintHost()->AsWidget() : nullptr;
    if (!horzOk || !vertOk || (dx != 0 && dy != 0) || !shown || !shown->isVisible()) {
        InvalidateGrid();
    } else if (dx != 0) {
        TRect band(di.Horz.FixedBoundary, 0, cr.Right, cr.Bottom);
        ScrollWindow(Handle(), dx, 0, &band, &band);
    } else if (dy != 0) {
        TRect band(0, di.Vert.FixedBoundary, cr.Right, cr.Bottom);
        ScrollWindow(Handle(), 0, dy, &band, &band);
    }
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
    // The editor follows its cell.
    if (editorMode_ && inplaceEdit_) updateEdit();
}

void TCustomGrid::updateScrollPos() {
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) SetScrollPos(Handle(), SB_HORZ, topLeft_.X - fixedCols_, true);
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) SetScrollPos(Handle(), SB_VERT, topLeft_.Y - fixedRows_, true);
}

void TCustomGrid::updateScrollRange() {
    if (updatingRange_) return;
    updatingRange_ = true;
    const bool horz = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    const bool vert = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    TGridDrawInfo di;
    TGridCoord maxTL;
    try {
        // A bar that appears or goes changes the room for the cells: again until it settles.
        for (int pass = 0; pass < 3; ++pass) {
            const TRect before = ClientRect();
            CalcDrawInfo(di);
            maxTL = calcMaxTopLeft(TGridCoord{colCount_ - 1, rowCount_ - 1}, di);
            // One position per scrolling cell; the page is what shows when scrolled to the end.
            auto setBar = [this](int bar, int count, int fixed, int maxFirst, int first) {
                SCROLLINFO si;
                si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
                si.nMin = 0;
                si.nMax = count - fixed - 1;
                si.nPage = static_cast<UINT>(count - maxFirst);
                si.nPos = first - fixed;
                SetScrollInfo(Handle(), bar, &si, true);
            };
            if (horz && Parent()) setBar(SB_HORZ, colCount_, fixedCols_, maxTL.X, topLeft_.X);
            if (vert && Parent()) setBar(SB_VERT, rowCount_, fixedRows_, maxTL.Y, topLeft_.Y);
            if (ClientRect() == before) break;
        }
    } catch (...) {
        updatingRange_ = false;
        throw;
    }
    updatingRange_ = false;
    // Every cell stays within reach: a grid that grew shows the cells its first ones hid.
    CalcDrawInfo(di);
    maxTL = calcMaxTopLeft(TGridCoord{colCount_ - 1, rowCount_ - 1}, di);
    if (topLeft_.X > maxTL.X || topLeft_.Y > maxTL.Y)
        MoveTopLeft(std::min(topLeft_.X, maxTL.X), std::min(topLeft_.Y, maxTL.Y));
}

void TCustomGrid::extentsChanged() {
    updateScrollRange();
    if (editorMode_ && inplaceEdit_) updateEdit();
    InvalidateGrid();
}

void TCustomGrid::ColWidthsChanged() { extentsChanged(); }
void TCustomGrid::RowHeightsChanged() { extentsChanged(); }

// ---- Invalidation --------------------------------------------------------------------------------

void TCustomGrid::InvalidateCell(int col, int row) { invalidateBox(TGridRect{col, row, col, row}); }
void TCustomGrid::InvalidateCol(int col) { invalidateBox(TGridRect{col, 0, col, rowCount_ - 1}); }
void TCustomGrid::InvalidateRow(int row) { invalidateBox(TGridRect{0, row, colCount_ - 1, row}); }
void TCustomGrid::InvalidateGrid() { Invalidate(); }

// ---- Moving columns and rows ---------------------------------------------------------------------

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
    if (fromIndex == toIndex) return;
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= colCount_ || toIndex >= colCount_) throw EInvalidGridOperation(kIndexError);
    moveItem(colWidths_, fromIndex, toIndex);
    moveItem(tabStops_, fromIndex, toIndex);
    current_.X = followMove(current_.X, fromIndex, toIndex);
    anchor_.X = followMove(anchor_.X, fromIndex, toIndex);
    if (options_ & goRowSelect) anchor_.X = colCount_ - 1;
    ColumnMoved(fromIndex, toIndex);
    if (inplaceEdit_) InvalidateEditor();
    InvalidateGrid();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
    if (fromIndex == toIndex) return;
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= rowCount_ || toIndex >= rowCount_) throw EInvalidGridOperation(kIndexError);
    moveItem(rowHeights_, fromIndex, toIndex);
    current_.Y = followMove(current_.Y, fromIndex, toIndex);
    anchor_.Y = followMove(anchor_.Y, fromIndex, toIndex);
    RowMoved(fromIndex, toIndex);
    if (inplaceEdit_) InvalidateEditor();
    InvalidateGrid();
}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::BeginRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckRowDrag(int&, int&, TPoint) { return true; }

// ---- Editor hosting ------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::IsActiveControl() const {
    if (Focused()) return true;
    return inplaceEdit_ && inplaceEdit_->Focused();
}

bool TCustomGrid::CanEditShow() {
    if ((options_ & (goRowSelect | goEditing)) != goEditing || !editorMode_) return false;
    if (ComponentState() & csDesigning) return false;
    return (options_ & goAlwaysShowEditor) || IsActiveControl();
}

bool TCustomGrid::CanEditModify() { return true; }

void TCustomGrid::updateEdit() {
    if (!CanEditShow()) return;
    if (!inplaceEdit_) {
        inplaceEdit_ = CreateEditor();
        inplaceEdit_->SetGrid(this);
        inplaceEdit_->SetParent(this);
        inplaceCol_ = inplaceRow_ = -1;
    }
    if (current_.X != inplaceCol_ || current_.Y != inplaceRow_) {
        hideEdit();
        inplaceCol_ = current_.X;
        inplaceRow_ = current_.Y;
        inplaceEdit_->UpdateContents();
        inplaceEdit_->SelectAll();
    }
    if (CanEditShow()) inplaceEdit_->Move(CellRect(current_.X, current_.Y));
}

void TCustomGrid::hideEdit() {
    if (!inplaceEdit_) return;
    // Shown again, it takes the cell's text afresh.
    inplaceCol_ = inplaceRow_ = -1;
    if (inplaceEdit_->Visible()) inplaceEdit_->Hide();
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    updateEdit();
}

void TCustomGrid::HideEditor() {
    editorMode_ = false;
    hideEdit();
}

void TCustomGrid::SetEditorMode(bool b) {
    if (!b) HideEditor();
    else ShowEditor();
}

void TCustomGrid::InvalidateEditor() {
    inplaceCol_ = inplaceRow_ = -1;
    updateEdit();
}

// ---- Keys ----------------------------------------------------------------------------------------

LRESULT TCustomGrid::NativeDlgCode() const {
    LRESULT r = DLGC_WANTARROWS;
    if (options_ & goTabs) r |= DLGC_WANTTAB;
    if (options_ & goEditing) r |= DLGC_WANTCHARS;
    return r;
}

void TCustomGrid::WMGetDlgCode(TMessage& m) { m.Result = NativeDlgCode(); }

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == 0) return;
    if (!CanGridAcceptKey(key, shift)) {
        key = 0;
        return;
    }
    if (key == VK_ESCAPE) {
        if (gridState_ != gsNormal) {
            CancelMode();
            key = 0;
            return;
        }
        // The text goes back to what the cell holds.
        if (inplaceEdit_ && inplaceEdit_->Visible()) {
            inplaceEdit_->UpdateContents();
            inplaceEdit_->SelectAll();
            if (!(options_ & goAlwaysShowEditor)) HideEditor();
        }
        return;
    }
    if (key == VK_F2) {
        if (options_ & goEditing) {
            SetEditorMode(true);
            if (inplaceEdit_ && inplaceEdit_->Visible()) inplaceEdit_->SetSelStart(inplaceEdit_->EditText().Length());
        }
        return;
    }
    const bool ctrl = shift & ssCtrl;
    TGridCoord cell = current_;
    const int page = std::max(1, VisibleRowCount());
    switch (key) {
    case VK_UP: --cell.Y; break;
    case VK_DOWN: ++cell.Y; break;
    case VK_LEFT:
        if (options_ & goRowSelect) {
            MoveTopLeft(topLeft_.X - 1, topLeft_.Y);
            return;
        }
        --cell.X;
        break;
    case VK_RIGHT:
        if (options_ & goRowSelect) {
            MoveTopLeft(topLeft_.X + 1, topLeft_.Y);
            return;
        }
        ++cell.X;
        break;
    case VK_PRIOR: cell.Y -= page; break;
    case VK_NEXT: cell.Y += page; break;
    case VK_HOME:
        if (ctrl) cell.Y = fixedRows_;
        else cell.X = fixedCols_;
        break;
    case VK_END:
        if (ctrl) cell.Y = rowCount_ - 1;
        else cell.X = colCount_ - 1;
        break;
    case VK_TAB: {
        if (!(options_ & goTabs) || (shift & ssAlt)) return;
        // The next column that takes Tab, on to the next row after the last one.
        const bool back = shift & ssShift;
        TGridCoord c = current_;
        for (int guard = 0; guard < colCount_ * 2; ++guard) {
            c.X += back ? -1 : 1;
            if (c.X >= colCount_) {
                c.X = fixedCols_;
                if (++c.Y >= rowCount_) c.Y = fixedRows_;
            } else if (c.X < fixedCols_) {
                c.X = colCount_ - 1;
                if (--c.Y < fixedRows_) c.Y = rowCount_ - 1;
            }
            if (tabStops_[static_cast<std::size_t>(c.X)]) break;
        }
        cell = c;
        break;
    }
    default: return;
    }
    cell.X = std::clamp(cell.X, fixedCols_, colCount_ - 1);
    cell.Y = std::clamp(cell.Y, fixedRows_, rowCount_ - 1);
    const bool extend = (shift & ssShift) && (options_ & goRangeSelect) && key != VK_TAB;
    if (!(cell == current_)) moveCurrent(cell.X, cell.Y, !extend, true);
}

void TCustomGrid::KeyPress(WideChar& key) {
    TCustomControl::KeyPress(key);
    if (key == 0) return;
    const bool fromEditor = inplaceEdit_ && inplaceEdit_->Visible();
    if (key == '\r' && !(options_ & goAlwaysShowEditor)) {
        // Return opens and closes the editor.
        SetEditorMode(!editorMode_);
        if (!fromEditor) key = 0;
        return;
    }
    if (!fromEditor && (options_ & goEditing) && key >= 32) {
        // A typed character opens the editor and is its first character.
        ShowEditor();
        if (inplaceEdit_ && inplaceEdit_->Visible()) {
            forwardingChar_ = true;
            try {
                inplaceEdit_->Perform(WM_CHAR, static_cast<WPARAM>(key), 0);
            } catch (...) {
                forwardingChar_ = false;
                throw;
            }
            forwardingChar_ = false;
            key = 0;
        }
    }
}

// ---- Mouse ---------------------------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                  const TGridDrawInfo& fixedInfo) {
    state = gsNormal;
    index = -1;
    if (!(options_ & (goColSizing | goRowSizing))) return;
    TGridDrawInfo info = fixedInfo;
    const TRect cr = ClientRect();
    info.Horz.GridExtent = cr.Width();
    info.Vert.GridExtent = cr.Height();
    // A border of a scrolling cell near pos, within a band at least kSizingBand wide.
    auto axisState = [&](const TGridAxisDrawInfo& a, int pos, TGridState newState) {
        const int lw = a.EffectiveLineWidth;
        const int band = std::max(lw, kSizingBand);
        const int back = (band - lw) / 2;
        int edge = a.FixedBoundary;
        for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
            const int e = a.GetExtent(i);
            if (e < 0) continue;
            edge += e;
            if (edge > a.GridExtent) break;
            if (pos >= edge - back && pos <= edge - back + band) {
                state = newState;
                sizingPos = edge;
                sizingOfs = edge - pos;
                index = i;
                return;
            }
            edge += lw;
        }
    };
    if (x > info.Horz.FixedBoundary && (options_ & goColSizing)) {
        if (y >= info.Vert.FixedBoundary) return;
        axisState(info.Horz, x, gsColSizing);
    } else if (y > info.Vert.FixedBoundary && (options_ & goRowSizing)) {
        if (x >= info.Horz.FixedBoundary) return;
        axisState(info.Vert, y, gsRowSizing);
    }
}

void TCustomGrid::drawSizingLine(const TGridDrawInfo& info) {
    TCanvas* c = Canvas();
    TPen saved;
    saved.Assign(c->Pen());
    // A black pen would leave the picture as it is under XOR.
    if (ColorToRGB(c->Pen()->Color()) == 0) c->Pen()->SetColor(clWhite);
    c->Pen()->SetStyle(psDot);
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetWidth(1);
    if (gridState_ == gsRowSizing) {
        c->MoveTo(0, sizingPos_);
        c->LineTo(info.Horz.GridBoundary, sizingPos_);
    } else {
        c->MoveTo(sizingPos_, 0);
        c->LineTo(sizingPos_, info.Vert.GridBoundary);
    }
    c->Pen()->Assign(&saved);
}

void TCustomGrid::drawMove() {
    // The mark where the column (row) would go: a thick line at that border, XOR in the pen's colour.
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const bool cols = gridState_ == gsColMoving;
    const TGridAxisDrawInfo& a = cols ? di.Horz : di.Vert;
    const int start = linePos(a, movePos_);
    if (start < 0) return;
    const int at = movePos_ > moveIndex_ ? start + std::max(0, a.GetExtent(movePos_)) : start;
    TCanvas* c = Canvas();
    TPen saved;
    saved.Assign(c->Pen());
    if (ColorToRGB(c->Pen()->Color()) == 0) c->Pen()->SetColor(clWhite);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetWidth(5);
    if (cols) {
        c->MoveTo(at, 0);
        c->LineTo(at, di.Vert.GridBoundary);
    } else {
        c->MoveTo(0, at);
        c->LineTo(di.Horz.GridBoundary, at);
    }
    c->Pen()->Assign(&saved);
    moveMarkDrawn_ = !moveMarkDrawn_;
}

TGridScrollDirection TCustomGrid::scrollDirection(TPoint p) const {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridScrollDirection d = 0;
    if (p.x < di.Horz.FixedBoundary) d |= sdLeft;
    else if (p.x >= di.Horz.FullVisBoundary) d |= sdRight;
    if (p.y < di.Vert.FixedBoundary) d |= sdUp;
    else if (p.y >= di.Vert.FullVisBoundary) d |= sdDown;
    return d;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (!(ComponentState() & csDesigning) && CanFocus() && !Focused() &&
        !(inplaceEdit_ && inplaceEdit_->Focused()))
        SetFocus();
    hitTest_ = TPoint(x, y);
    lastMouse_ = TPoint(x, y);
    if (button == mbLeft && (shift & ssDouble)) {
        DblClick();
        // The second press on the current cell opens the editor there.
        TGridCoord cell = MouseCoord(x, y);
        if ((options_ & goEditing) && !(options_ & goRowSelect) && cell == current_) ShowEditor();
    } else if (button == mbLeft) {
        TGridDrawInfo di;
        CalcFixedInfo(di);
        CalcSizingState(x, y, gridState_, sizingIndex_, sizingPos_, sizingOfs_, di);
        if (gridState_ != gsNormal) {
            CalcDrawInfo(di);
            drawSizingLine(di);
            SetMouseCapture(true);
        } else {
            TGridCoord cell = MouseCoord(x, y);
            if (cell.X >= 0 && cell.Y >= 0) {
                if (cell.Y < fixedRows_ && cell.X >= fixedCols_ && (options_ & goColMoving)) {
                    moveIndex_ = movePos_ = cell.X;
                    if (BeginColumnDrag(moveIndex_, movePos_, TPoint(x, y))) {
                        gridState_ = gsColMoving;
                        moveMarkDrawn_ = false;
                        SetMouseCapture(true);
                    }
                } else if (cell.X < fixedCols_ && cell.Y >= fixedRows_ && (options_ & goRowMoving)) {
                    moveIndex_ = movePos_ = cell.Y;
                    if (BeginRowDrag(moveIndex_, movePos_, TPoint(x, y))) {
                        gridState_ = gsRowMoving;
                        moveMarkDrawn_ = false;
                        SetMouseCapture(true);
                    }
                } else if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
                    const bool onCurrent = cell == current_;
                    if ((options_ & goEditing) && onCurrent && !(options_ & goRowSelect)) {
                        ShowEditor();
                    } else {
                        moveCurrent(cell.X, cell.Y, !((shift & ssShift) && (options_ & goRangeSelect)), true);
                        gridState_ = gsSelecting;
                        SetTimer(Handle(), kSelectTimer, kSelectInterval);
                        timerOn_ = true;
                    }
                }
            }
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::moveAndScroll(int mouse, int cellHit, const TGridDrawInfo& info, const TGridAxisDrawInfo& axis,
                                int scrollBar, TPoint mousePt) {
    // Beyond the scrolling part the view follows one cell at a time.
    int target = cellHit;
    if (mouse >= axis.FullVisBoundary && axis.LastFullVisibleCell < axis.GridCellCount - 1) {
        if (scrollBar == SB_HORZ) MoveTopLeft(topLeft_.X + 1, topLeft_.Y);
        else MoveTopLeft(topLeft_.X, topLeft_.Y + 1);
        TGridDrawInfo now;
        CalcDrawInfo(now);
        target = scrollBar == SB_HORZ ? now.Horz.LastFullVisibleCell : now.Vert.LastFullVisibleCell;
    } else if (mouse < axis.FixedBoundary && axis.FirstGridCell > axis.FixedCellCount) {
        if (scrollBar == SB_HORZ) MoveTopLeft(topLeft_.X - 1, topLeft_.Y);
        else MoveTopLeft(topLeft_.X, topLeft_.Y - 1);
        target = scrollBar == SB_HORZ ? topLeft_.X : topLeft_.Y;
    } else if (target < 0) {
        target = mouse < axis.FixedBoundary ? axis.FirstGridCell : axis.LastFullVisibleCell;
    }
    (void)info;
    target = std::max(target, axis.FixedCellCount);
    if (target == movePos_) return;
    int origin = moveIndex_, destination = target;
    const bool ok = scrollBar == SB_HORZ ? CheckColumnDrag(origin, destination, mousePt) : CheckRowDrag(origin, destination, mousePt);
    if (!ok) return;
    if (moveMarkDrawn_) drawMove();
    movePos_ = destination;
    drawMove();
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    lastMouse_ = TPoint(x, y);
    switch (gridState_) {
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        drawSizingLine(di);
        sizingPos_ = (gridState_ == gsColSizing ? x : y) + sizingOfs_;
        drawSizingLine(di);
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        TGridCoord cell = MouseCoord(x, y);
        if (gridState_ == gsColMoving) moveAndScroll(x, x < 0 ? -1 : cell.X, di, di.Horz, SB_HORZ, TPoint(x, y));
        else moveAndScroll(y, y < 0 ? -1 : cell.Y, di, di.Vert, SB_VERT, TPoint(x, y));
        break;
    }
    case gsSelecting: {
        TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && !(cell == current_))
            moveCurrent(cell.X, cell.Y, !(options_ & goRangeSelect), true);
        break;
    }
    default: break;
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    lastMouse_ = TPoint(x, y);
    const TGridState state = gridState_;
    gridState_ = gsNormal;
    switch (state) {
    case gsSelecting:
        if (timerOn_) {
            KillTimer(Handle(), kSelectTimer);
            timerOn_ = false;
        }
        break;
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        gridState_ = state;
        drawSizingLine(di);
        gridState_ = gsNormal;
        SetMouseCapture(false);
        // The border ends where the mouse let go; the size is from the cell's start.
        const TGridAxisDrawInfo& a = state == gsColSizing ? di.Horz : di.Vert;
        const int start = linePos(a, sizingIndex_);
        if (start >= 0) {
            const int size = std::max(1, sizingPos_ - start);
            if (state == gsColSizing) SetColWidths(sizingIndex_, size);
            else SetRowHeights(sizingIndex_, size);
        }
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        if (moveMarkDrawn_) {
            gridState_ = state;
            drawMove();
            gridState_ = gsNormal;
        }
        SetMouseCapture(false);
        int from = moveIndex_, to = movePos_;
        if (state == gsColMoving) {
            if (EndColumnDrag(from, to, TPoint(x, y)) && from != to) MoveColumn(from, to);
        } else {
            if (EndRowDrag(from, to, TPoint(x, y)) && from != to) MoveRow(from, to);
        }
        break;
    }
    default: break;
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomGrid::CancelMode() {
    switch (gridState_) {
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        drawSizingLine(di);
        break;
    }
    case gsColMoving:
    case gsRowMoving:
        if (moveMarkDrawn_) drawMove();
        break;
    default: break;
    }
    if (timerOn_) {
        KillTimer(Handle(), kSelectTimer);
        timerOn_ = false;
    }
    if (gridState_ != gsNormal) SetMouseCapture(false);
    gridState_ = gsNormal;
}

void TCustomGrid::TimedScroll(TGridScrollDirection direction) {
    TGridCoord cell = current_;
    if (direction & sdLeft) cell.X = std::max(fixedCols_, cell.X - 1);
    if (direction & sdRight) cell.X = std::min(colCount_ - 1, cell.X + 1);
    if (direction & sdUp) cell.Y = std::max(fixedRows_, cell.Y - 1);
    if (direction & sdDown) cell.Y = std::min(rowCount_ - 1, cell.Y + 1);
    if (!(cell == current_)) moveCurrent(cell.X, cell.Y, !(options_ & goRangeSelect), true);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomControl::DoMouseWheelDown(shift, mousePos)) return true;
    MoveTopLeft(topLeft_.X, topLeft_.Y + 1);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomControl::DoMouseWheelUp(shift, mousePos)) return true;
    MoveTopLeft(topLeft_.X, topLeft_.Y - 1);
    return true;
}

// ---- Messages ------------------------------------------------------------------------------------

void TCustomGrid::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_HSCROLL: WMHScroll(m); break;
    case WM_VSCROLL: WMVScroll(m); break;
    case CM_CTL3DCHANGED:
        TCustomControl::Dispatch(m);
        RecreateWnd();
        break;
    case CM_RECREATEWND:
        TCustomControl::Dispatch(m);
        updateScrollRange();
        break;
    default: TCustomControl::Dispatch(m); break;
    }
}

void TCustomGrid::scrollBarMessage(int bar, WORD code) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TGridCoord maxTL = calcMaxTopLeft(TGridCoord{colCount_ - 1, rowCount_ - 1}, di);
    const bool horz = bar == SB_HORZ;
    const int fixed = horz ? fixedCols_ : fixedRows_;
    const int first = horz ? topLeft_.X : topLeft_.Y;
    const int last = horz ? maxTL.X : maxTL.Y;
    const int page = std::max(1, horz ? VisibleColCount() : VisibleRowCount());
    int to = first;
    switch (code) {
    case SB_LINEUP: to = first - 1; break;
    case SB_LINEDOWN: to = first + 1; break;
    case SB_PAGEUP: to = first - page; break;
    case SB_PAGEDOWN: to = first + page; break;
    case SB_TOP: to = fixed; break;
    case SB_BOTTOM: to = last; break;
    case SB_THUMBTRACK:
        if (!(options_ & goThumbTracking)) return;
        [[fallthrough]];
    case SB_THUMBPOSITION: {
        SCROLLINFO si;
        si.fMask = SIF_TRACKPOS;
        if (!GetScrollInfo(Handle(), bar, &si)) return;
        to = fixed + si.nTrackPos;
        break;
    }
    default: return;
    }
    to = std::clamp(to, fixed, std::max(fixed, last));
    if (horz) MoveTopLeft(to, topLeft_.Y);
    else MoveTopLeft(topLeft_.X, to);
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) updateScrollPos();
}

void TCustomGrid::WMHScroll(TMessage& m) {
    if (m.LParam == 0) scrollBarMessage(SB_HORZ, LOWORD(m.WParam));
}

void TCustomGrid::WMVScroll(TMessage& m) {
    if (m.LParam == 0) scrollBarMessage(SB_VERT, LOWORD(m.WParam));
}

void TCustomGrid::WMSetCursor(TMessage& m) {
    if (LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT && gridState_ == gsNormal) {
        const DWORD at = GetMessagePos();
        const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
        TGridDrawInfo di;
        CalcFixedInfo(di);
        TGridState state = gsNormal;
        int index = 0, pos = 0, ofs = 0;
        CalcSizingState(p.x, p.y, state, index, pos, ofs, di);
        if (state == gsColSizing || state == gsRowSizing) {
            ::SetCursor(Screen->Cursors(state == gsColSizing ? crHSplit : crVSplit));
            m.Result = 1;
            return;
        }
    }
    TCustomControl::WMSetCursor(m);
}

void TCustomGrid::WMTimer(TMessage& m) {
    if (m.WParam == kSelectTimer && gridState_ == gsSelecting) {
        const TGridScrollDirection d = scrollDirection(lastMouse_);
        if (d != 0) TimedScroll(d);
        return;
    }
    TCustomControl::WMTimer(m);
}

void TCustomGrid::WMCancelMode(TMessage& m) {
    CancelMode();
    TCustomControl::WMCancelMode(m);
}

void TCustomGrid::CMCancelMode(TMessage& m) {
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (sender != this && sender != inplaceEdit_) CancelMode();
    TCustomControl::CMCancelMode(m);
}

void TCustomGrid::WMSize(TMessage& m) {
    TCustomControl::WMSize(m);
    updateScrollRange();
    if (editorMode_ && inplaceEdit_) updateEdit();
}

void TCustomGrid::WMSetFocus(TMessage& m) {
    TCustomControl::WMSetFocus(m);
    if (!inplaceEdit_ || reinterpret_cast<TWinControl*>(m.WParam) != inplaceEdit_) {
        invalidateBox(Selection());
        updateEdit();
    }
}

void TCustomGrid::WMKillFocus(TMessage& m) {
    TCustomControl::WMKillFocus(m);
    invalidateBox(Selection());
}

// ---- Painting ------------------------------------------------------------------------------------

void TCustomGrid::paintLines(const TGridDrawInfo& di, int colFrom, int colTo, int rowFrom, int rowTo, TRect area,
                             unsigned vertOption, unsigned horzOption, TColor on, TColor off) {
    if (area.IsEmpty()) return;
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    const int lwx = di.Horz.EffectiveLineWidth, lwy = di.Vert.EffectiveLineWidth;
    if (lwx > 0) {
        c->Brush()->SetColor((options_ & vertOption) ? on : off);
        int x = area.Left;
        for (int col = colFrom; col <= colTo && x < area.Right; ++col) {
            const int w = colWidths_[static_cast<std::size_t>(col)];
            if (w < 0) continue;
            x += w;
            c->FillRect(TRect(x, area.Top, std::min(x + lwx, area.Right), area.Bottom));
            x += lwx;
        }
    }
    if (lwy > 0) {
        c->Brush()->SetColor((options_ & horzOption) ? on : off);
        int y = area.Top;
        for (int row = rowFrom; row <= rowTo && y < area.Bottom; ++row) {
            const int h = rowHeights_[static_cast<std::size_t>(row)];
            if (h < 0) continue;
            y += h;
            c->FillRect(TRect(area.Left, y, area.Right, std::min(y + lwy, area.Bottom)));
            y += lwy;
        }
    }
}

void TCustomGrid::paintCells(const TGridDrawInfo& di, int colFrom, int colTo, int rowFrom, int rowTo, TRect area,
                             TColor color, bool fixed, bool focusedGrid) {
    if (area.IsEmpty()) return;
    TCanvas* c = Canvas();
    TRect clip = c->ClipRect();
    InflateRect(clip, 1, 1);
    const bool editorShown = inplaceEdit_ && inplaceEdit_->Visible();
    const int lwx = di.Horz.EffectiveLineWidth, lwy = di.Vert.EffectiveLineWidth;
    int y = area.Top;
    for (int row = rowFrom; row <= rowTo && y < area.Bottom; ++row) {
        const int h = rowHeights_[static_cast<std::size_t>(row)];
        if (h < 0) continue;
        int x = area.Left;
        for (int col = colFrom; col <= colTo && x < area.Right; ++col) {
            const int w = colWidths_[static_cast<std::size_t>(col)];
            if (w < 0) continue;
            TRect r(x, y, std::min(x + w, area.Right), std::min(y + h, area.Bottom));
            x += w + lwx;
            if (r.IsEmpty()) continue;
            TRect hit;
            if (!IntersectRect(hit, r, clip)) continue;
            TGridDrawState state = 0;
            if (fixed) {
                state = gdFixed;
            } else {
                const bool current = col == current_.X && row == current_.Y;
                if (current && focusedGrid) state |= gdFocused;
                if (cellSelected(col, row)) state |= gdSelected;
                // The editor shows the current cell.
                if (current && editorShown) continue;
            }
            if (defaultDrawing_) {
                c->Font()->Assign(Font());
                c->Brush()->SetStyle(bsSolid);
                if ((state & gdSelected) &&
                    (!(state & gdFocused) || (options_ & (goDrawFocusSelected | goRowSelect)))) {
                    c->Brush()->SetColor(clHighlight);
                    c->Font()->SetColor(clHighlightText);
                } else {
                    c->Brush()->SetColor(color);
                }
                c->FillRect(r);
            }
            DrawCell(col, row, r, state);
            if (fixed && Ctl3D() && (options_ & (goFixedHorzLine | goFixedVertLine))) {
                TRect e = r;
                unsigned sides = 0;
                if (options_ & goFixedVertLine) sides |= BF_LEFT | BF_RIGHT;
                if (options_ & goFixedHorzLine) sides |= BF_TOP | BF_BOTTOM;
                DrawEdge(c, e, BDR_RAISEDINNER, sides);
            }
            if (defaultDrawing_ && (state & gdFocused) && !(options_ & goRowSelect) &&
                (options_ & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor)) {
                TRect f = r;
                c->DrawFocusRect(f);
            }
        }
        y += h + lwy;
    }
}

void TCustomGrid::Paint() {
    TCanvas* c = Canvas();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TRect cr = ClientRect();
    const TColor fixedLine = clBlack;
    const TColor dataLine = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
    const bool focusedGrid = IsActiveControl();
    // The last scrolling cell shown, perhaps in part.
    auto lastShown = [](const TGridAxisDrawInfo& a) {
        int last = a.LastFullVisibleCell;
        if (last + 1 < a.GridCellCount && a.FullVisBoundary < a.GridExtent) ++last;
        return std::min(last, a.GridCellCount - 1);
    };
    const int lastCol = lastShown(di.Horz), lastRow = lastShown(di.Vert);
    const int fx = std::min(di.Horz.FixedBoundary, cr.Right), fy = std::min(di.Vert.FixedBoundary, cr.Bottom);
    const int gx = std::min(di.Horz.GridBoundary, cr.Right), gy = std::min(di.Vert.GridBoundary, cr.Bottom);
    const TRect corner(0, 0, fx, fy), top(fx, 0, gx, fy), left(0, fy, fx, gy), data(fx, fy, gx, gy);
    const unsigned fixedLines[2] = {goFixedVertLine, goFixedHorzLine};
    paintLines(di, 0, fixedCols_ - 1, 0, fixedRows_ - 1, corner, fixedLines[0], fixedLines[1], fixedLine, fixedColor_);
    paintLines(di, topLeft_.X, lastCol, 0, fixedRows_ - 1, top, fixedLines[0], fixedLines[1], fixedLine, fixedColor_);
    paintLines(di, 0, fixedCols_ - 1, topLeft_.Y, lastRow, left, fixedLines[0], fixedLines[1], fixedLine, fixedColor_);
    paintLines(di, topLeft_.X, lastCol, topLeft_.Y, lastRow, data, goVertLine, goHorzLine, dataLine, Color());
    paintCells(di, 0, fixedCols_ - 1, 0, fixedRows_ - 1, corner, fixedColor_, true, focusedGrid);
    paintCells(di, topLeft_.X, lastCol, 0, fixedRows_ - 1, top, fixedColor_, true, focusedGrid);
    paintCells(di, 0, fixedCols_ - 1, topLeft_.Y, lastRow, left, fixedColor_, true, focusedGrid);
    paintCells(di, topLeft_.X, lastCol, topLeft_.Y, lastRow, data, Color(), false, focusedGrid);
    if ((options_ & goRowSelect) && focusedGrid && defaultDrawing_ && !(ComponentState() & csDesigning)) {
        TGridRect s = Selection();
        TRect box = BoxRect(s.Left, s.Top, s.Right, s.Bottom);
        if (!box.IsEmpty()) c->DrawFocusRect(box);
    }
    // Beyond the cells: the grid's colour.
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (gx < cr.Right) c->FillRect(TRect(gx, 0, cr.Right, cr.Bottom));
    if (gy < cr.Bottom) c->FillRect(TRect(0, gy, gx, cr.Bottom));
}

// ---- TCustomDrawGrid -----------------------------------------------------------------------------

void TCustomDrawGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    OnDrawCell(this, col, row, rect, state);
}

bool TCustomDrawGrid::SelectCell(int col, int row) {
    bool can = true;
    OnSelectCell(this, col, row, can);
    return can;
}

void TCustomDrawGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    OnTopLeftChanged(this);
}

void TCustomDrawGrid::ColumnMoved(int fromIndex, int toIndex) { OnColumnMoved(this, fromIndex, toIndex); }
void TCustomDrawGrid::RowMoved(int fromIndex, int toIndex) { OnRowMoved(this, fromIndex, toIndex); }

AnsiString TCustomDrawGrid::GetEditMask(int col, int row) {
    AnsiString s;
    OnGetEditMask(this, col, row, s);
    return s;
}

AnsiString TCustomDrawGrid::GetEditText(int col, int row) {
    AnsiString s;
    OnGetEditText(this, col, row, s);
    return s;
}

void TCustomDrawGrid::SetEditText(int col, int row, const AnsiString& value) { OnSetEditText(this, col, row, value); }

// ---- TStringGrid ---------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* owner) : TCustomDrawGrid(owner) {}

TStringGrid::~TStringGrid() { Destroying_(); }

TStringGrid::Cell* TStringGrid::cell(int col, int row, bool create) {
    if (col < 0 || row < 0) return nullptr;
    if (row >= static_cast<int>(rows_.size())) {
        if (!create) return nullptr;
        rows_.resize(static_cast<std::size_t>(row) + 1);
    }
    auto& r = rows_[static_cast<std::size_t>(row)];
    if (!r) {
        if (!create) return nullptr;
        r = std::make_unique<RowCells>();
    }
    if (col >= static_cast<int>(r->size())) {
        if (!create) return nullptr;
        r->resize(static_cast<std::size_t>(std::max(col + 1, ColCount())));
    }
    return &(*r)[static_cast<std::size_t>(col)];
}

const TStringGrid::Cell* TStringGrid::cell(int col, int row) const {
    if (col < 0 || row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    const auto& r = rows_[static_cast<std::size_t>(row)];
    if (!r || col >= static_cast<int>(r->size())) return nullptr;
    return &(*r)[static_cast<std::size_t>(col)];
}

AnsiString TStringGrid::Cells(int col, int row) const {
    const Cell* c = cell(col, row);
    return c ? c->text : AnsiString();
}

void TStringGrid::SetCells(int col, int row, const AnsiString& s) {
    Cell* c = cell(col, row, true);
    if (!c || c->text == s) return;
    c->text = s;
    InvalidateCell(col, row);
    // The editor over the cell shows the new text (unless the text came from it).
    if (!settingFromEditor_ && InplaceEditor() && InplaceEditor()->Visible() && col == Col() && row == Row())
        InvalidateEditor();
}

TObject* TStringGrid::Objects(int col, int row) const {
    const Cell* c = cell(col, row);
    return c ? c->object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* o) {
    if (Cell* c = cell(col, row, true)) c->object = o;
}

void TStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    if (DefaultDrawing()) Canvas()->TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    TCustomDrawGrid::DrawCell(col, row, rect, state);
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex) {
    for (auto& r : rows_) {
        if (!r) continue;
        const int need = std::max(fromIndex, toIndex) + 1;
        if (static_cast<int>(r->size()) < need) r->resize(static_cast<std::size_t>(need));
        moveItem(*r, fromIndex, toIndex);
    }
    TCustomDrawGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex) {
    const int need = std::max(fromIndex, toIndex) + 1;
    if (static_cast<int>(rows_.size()) < need) rows_.resize(static_cast<std::size_t>(need));
    moveItem(rows_, fromIndex, toIndex);
    TCustomDrawGrid::RowMoved(fromIndex, toIndex);
}

AnsiString TStringGrid::GetEditText(int col, int row) {
    AnsiString s = Cells(col, row);
    OnGetEditText(this, col, row, s);
    return s;
}

void TStringGrid::SetEditText(int col, int row, const AnsiString& value) {
    settingFromEditor_ = true;
    try {
        SetCells(col, row, value);
    } catch (...) {
        settingFromEditor_ = false;
        throw;
    }
    settingFromEditor_ = false;
    TCustomDrawGrid::SetEditText(col, row, value);
}
