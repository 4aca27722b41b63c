#include "gui/Grids.h"

#include "gui/QtControlsInternal.h"
#include "gui/WinApi.h"

#include <QScrollBar>
#include <QWidget>

#include <algorithm>

using namespace plantmon::gui;

TStringGrid::TStringGrid(TComponent* owner) : TCustomControl(owner) {
    QWidget* w = Widget();
    hbar_ = new QScrollBar(Qt::Horizontal, w);
    vbar_ = new QScrollBar(Qt::Vertical, w);
    MarkForeign(hbar_);
    MarkForeign(vbar_);
    hbar_->hide();
    vbar_->hide();
    QObject::connect(hbar_, &QScrollBar::valueChanged, [this](int v) {
        if (!updatingBars_) SafeCall(this, [&] { SetLeftCol(fixedCols_ + v); });
    });
    QObject::connect(vbar_, &QScrollBar::valueChanged, [this](int v) {
        if (!updatingBars_) SafeCall(this, [&] { SetTopRow(fixedRows_ + v); });
    });
    w->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    SetColor(clWindow);
    colWidths_.assign(static_cast<std::size_t>(colCount_), defaultColWidth_);
    rowHeights_.assign(static_cast<std::size_t>(rowCount_), defaultRowHeight_);
    SetBounds(0, 0, 320, 120);
}

TStringGrid::~TStringGrid() {
    Destroying_();
    QObject::disconnect(hbar_, nullptr, nullptr, nullptr);
    QObject::disconnect(vbar_, nullptr, nullptr, nullptr);
}

void TStringGrid::SetColCount(int n) {
    n = std::max(n, fixedCols_ + 1);
    colCount_ = n;
    colWidths_.resize(static_cast<std::size_t>(n), defaultColWidth_);
    if (col_ >= n) col_ = n - 1;
    if (leftCol_ >= n) leftCol_ = std::max(fixedCols_, n - 1);
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetRowCount(int n) {
    n = std::max(n, fixedRows_ + 1);
    rowCount_ = n;
    rowHeights_.resize(static_cast<std::size_t>(n), defaultRowHeight_);
    if (row_ >= n) row_ = n - 1;
    if (topRow_ >= n) topRow_ = std::max(fixedRows_, n - 1);
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetFixedCols(int n) {
    if (n < 0 || n >= colCount_) throw EInvalidOperation("Число фиксированных столбцов должно быть меньше числа столбцов");
    fixedCols_ = n;
    resetTopLeft();
}

void TStringGrid::SetFixedRows(int n) {
    if (n < 0 || n >= rowCount_) throw EInvalidOperation("Число фиксированных строк должно быть меньше числа строк");
    fixedRows_ = n;
    resetTopLeft();
}

void TStringGrid::resetTopLeft() {
    // A new fixed part starts the scrolling part afresh: its first cell shows at the top left and is
    // current. (Keeping the old top left would hide the columns that stopped being fixed, with no
    // scroll bar to bring them back.)
    leftCol_ = col_ = fixedCols_;
    topRow_ = row_ = fixedRows_;
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetDefaultColWidth(int w) {
    defaultColWidth_ = w;
    std::fill(colWidths_.begin(), colWidths_.end(), w);
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetDefaultRowHeight(int h) {
    defaultRowHeight_ = h;
    std::fill(rowHeights_.begin(), rowHeights_.end(), h);
    updateScrollBars();
    Invalidate();
}

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || col >= colCount_) throw EListError("Индекс списка вне диапазона (" + std::to_string(col) + ")");
    return colWidths_[static_cast<std::size_t>(col)];
}

void TStringGrid::SetColWidths(int col, int w) {
    if (col < 0 || col >= colCount_) throw EListError("Индекс списка вне диапазона (" + std::to_string(col) + ")");
    colWidths_[static_cast<std::size_t>(col)] = w;
    updateScrollBars();
    Invalidate();
}

int TStringGrid::RowHeights(int row) const {
    if (row < 0 || row >= rowCount_) throw EListError("Индекс списка вне диапазона (" + std::to_string(row) + ")");
    return rowHeights_[static_cast<std::size_t>(row)];
}

void TStringGrid::SetRowHeights(int row, int h) {
    if (row < 0 || row >= rowCount_) throw EListError("Индекс списка вне диапазона (" + std::to_string(row) + ")");
    rowHeights_[static_cast<std::size_t>(row)] = h;
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetGridLineWidth(int w) {
    gridLineWidth_ = std::max(0, w);
    Invalidate();
}

void TStringGrid::SetOptions(TGridOptions o) {
    options_ = o;
    Invalidate();
}

void TStringGrid::SetScrollBars(TScrollStyle s) {
    scrollBars_ = s;
    updateScrollBars();
    Invalidate();
}

void TStringGrid::SetFixedColor(TColor c) {
    fixedColor_ = c;
    Invalidate();
}

AnsiString TStringGrid::Cells(int col, int row) const {
    auto it = cells_.find({col, row});
    return it == cells_.end() ? AnsiString() : it->second.first;
}

void TStringGrid::SetCells(int col, int row, const AnsiString& s) {
    auto& cell = cells_[{col, row}];
    if (cell.first == s) return;
    cell.first = s;
    TRect r = CellRect(col, row);
    if (!r.IsEmpty()) InvalidateRect(r);
}

TObject* TStringGrid::Objects(int col, int row) const {
    auto it = cells_.find({col, row});
    return it == cells_.end() ? nullptr : it->second.second;
}

void TStringGrid::SetObjects(int col, int row, TObject* o) { cells_[{col, row}].second = o; }

TGridRect TStringGrid::Selection() const {
    if (options_ & goRowSelect) return TGridRect{fixedCols_, row_, colCount_ - 1, row_};
    return TGridRect{col_, row_, col_, row_};
}

TRect TStringGrid::ClientRect() const {
    int w = Width(), h = Height();
    if (vbar_ && vbar_->isVisibleTo(Widget())) w -= GetSystemMetrics(SM_CXVSCROLL);
    if (hbar_ && hbar_->isVisibleTo(Widget())) h -= GetSystemMetrics(SM_CYHSCROLL);
    return TRect(0, 0, std::max(0, w), std::max(0, h));
}

int TStringGrid::colX(int col) const {
    // Fixed columns from 0, then the scrolling ones from LeftCol.
    int x = 0;
    if (col < fixedCols_) {
        for (int c = 0; c < col; ++c) x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
        return x;
    }
    for (int c = 0; c < fixedCols_; ++c) x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    if (col < leftCol_) return -1;
    for (int c = leftCol_; c < col; ++c) x += colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_;
    return x;
}

int TStringGrid::rowY(int row) const {
    int y = 0;
    if (row < fixedRows_) {
        for (int r = 0; r < row; ++r) y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
        return y;
    }
    for (int r = 0; r < fixedRows_; ++r) y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    if (row < topRow_) return -1;
    for (int r = topRow_; r < row; ++r) y += rowHeights_[static_cast<std::size_t>(r)] + gridLineWidth_;
    return y;
}

TRect TStringGrid::CellRect(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return TRect();
    int x = colX(col), y = rowY(row);
    if (x < 0 || y < 0) return TRect();
    TRect cr = ClientRect();
    if (x >= cr.Right || y >= cr.Bottom) return TRect();
    return TRect(x, y, x + colWidths_[static_cast<std::size_t>(col)], y + rowHeights_[static_cast<std::size_t>(row)]);
}

void TStringGrid::MouseToCell(int x, int y, int& col, int& row) const {
    TGridCoord c = MouseCoord(x, y);
    col = c.X;
    row = c.Y;
}

TGridCoord TStringGrid::MouseCoord(int x, int y) const {
    TGridCoord r{-1, -1};
    for (int c = 0; c < colCount_; ++c) {
        TRect cell = CellRect(c, fixedRows_ < rowCount_ ? std::max(fixedRows_ > 0 ? 0 : topRow_, 0) : 0);
        int cx = colX(c);
        if (cx < 0) continue;
        if (x >= cx && x < cx + colWidths_[static_cast<std::size_t>(c)] + gridLineWidth_) {
            r.X = c;
            break;
        }
        (void)cell;
    }
    for (int rr = 0; rr < rowCount_; ++rr) {
        int ry = rowY(rr);
        if (ry < 0) continue;
        if (y >= ry && y < ry + rowHeights_[static_cast<std::size_t>(rr)] + gridLineWidth_) {
            r.Y = rr;
            break;
        }
    }
    if (r.X < 0 || r.Y < 0) return TGridCoord{-1, -1};
    return r;
}

int TStringGrid::VisibleColCount() const {
    TRect cr = ClientRect();
    int n = 0;
    for (int c = leftCol_; c < colCount_; ++c) {
        int x = colX(c);
        if (x + colWidths_[static_cast<std::size_t>(c)] > cr.Right) break;
        ++n;
    }
    return n;
}

int TStringGrid::VisibleRowCount() const {
    TRect cr = ClientRect();
    int n = 0;
    for (int r = topRow_; r < rowCount_; ++r) {
        int y = rowY(r);
        if (y + rowHeights_[static_cast<std::size_t>(r)] > cr.Bottom) break;
        ++n;
    }
    return n;
}

void TStringGrid::SetTopRow(int r) {
    r = std::clamp(r, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    if (r == topRow_) return;
    topRow_ = r;
    updateScrollBars();
    Invalidate();
    OnTopLeftChanged(this);
}

void TStringGrid::SetLeftCol(int c) {
    c = std::clamp(c, fixedCols_, std::max(fixedCols_, colCount_ - 1));
    if (c == leftCol_) return;
    leftCol_ = c;
    updateScrollBars();
    Invalidate();
    OnTopLeftChanged(this);
}

bool TStringGrid::SelectCell(int col, int row) {
    bool can = true;
    OnSelectCell(this, col, row, can);
    return can;
}

void TStringGrid::moveTo(int col, int row) {
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if (col == col_ && row == row_) return;
    if (!SelectCell(col, row)) return;
    col_ = col;
    row_ = row;
    scrollInView(col, row);
    Invalidate();
}

void TStringGrid::SetCol(int c) { moveTo(c, row_); }
void TStringGrid::SetRow(int r) { moveTo(col_, r); }

void TStringGrid::scrollInView(int col, int row) {
    if (row < topRow_) SetTopRow(row);
    else
        while (row >= topRow_ + std::max(1, VisibleRowCount()) && topRow_ < rowCount_ - 1) SetTopRow(topRow_ + 1);
    if (col < leftCol_) SetLeftCol(col);
    else
        while (col >= leftCol_ + std::max(1, VisibleColCount()) && leftCol_ < colCount_ - 1) SetLeftCol(leftCol_ + 1);
}

void TStringGrid::updateScrollBars() {
    if (!hbar_) return;
    updatingBars_ = true;
    int totalW = 0, totalH = 0;
    for (int w : colWidths_) totalW += w + gridLineWidth_;
    for (int h : rowHeights_) totalH += h + gridLineWidth_;
    int sb = GetSystemMetrics(SM_CXVSCROLL);
    bool wantV = (scrollBars_ == ssVertical || scrollBars_ == ssBoth) && totalH > Height();
    bool wantH = (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && totalW > Width() - (wantV ? sb : 0);
    if (!wantV && wantH) wantV = (scrollBars_ == ssVertical || scrollBars_ == ssBoth) && totalH > Height() - sb;
    vbar_->setVisible(wantV);
    hbar_->setVisible(wantH);
    int w = Width() - (wantV ? sb : 0), h = Height() - (wantH ? sb : 0);
    vbar_->setGeometry(std::max(0, Width() - sb), 0, sb, std::max(0, h));
    hbar_->setGeometry(0, std::max(0, Height() - sb), std::max(0, w), sb);
    vbar_->setRange(0, std::max(0, rowCount_ - fixedRows_ - 1));
    vbar_->setValue(topRow_ - fixedRows_);
    hbar_->setRange(0, std::max(0, colCount_ - fixedCols_ - 1));
    hbar_->setValue(leftCol_ - fixedCols_);
    updatingBars_ = false;
}

void TStringGrid::BoundsChanged() {
    TCustomControl::BoundsChanged();
    updateScrollBars();
}

LRESULT TStringGrid::NativeDlgCode() const { return DLGC_WANTARROWS | ((options_ & goTabs) ? DLGC_WANTTAB : 0); }

void TStringGrid::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    int page = std::max(1, VisibleRowCount());
    switch (key) {
    case VK_UP: moveTo(col_, row_ - 1); break;
    case VK_DOWN: moveTo(col_, row_ + 1); break;
    case VK_LEFT: moveTo(col_ - 1, row_); break;
    case VK_RIGHT: moveTo(col_ + 1, row_); break;
    case VK_PRIOR: moveTo(col_, row_ - page); break;
    case VK_NEXT: moveTo(col_, row_ + page); break;
    case VK_HOME: moveTo((shift & ssCtrl) ? col_ : fixedCols_, (shift & ssCtrl) ? fixedRows_ : row_); break;
    case VK_END: moveTo((shift & ssCtrl) ? col_ : colCount_ - 1, (shift & ssCtrl) ? rowCount_ - 1 : row_); break;
    case VK_TAB:
        if (options_ & goTabs) {
            if (shift & ssShift) moveTo(col_ - 1, row_);
            else moveTo(col_ + 1, row_);
        }
        break;
    default: return;
    }
}

void TStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (CanFocus() && !Focused()) SetFocus();
    if (button == mbLeft) {
        TGridCoord c = MouseCoord(x, y);
        if (c.X >= fixedCols_ && c.Y >= fixedRows_) moveTo(c.X, c.Y);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

bool TStringGrid::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    SetTopRow(topRow_ + (wheelDelta < 0 ? 1 : -1));
    return true;
}

void TStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    if (defaultDrawing_) {
        TCanvas* c = Canvas();
        c->Font()->Assign(Font());
        c->Brush()->SetStyle(bsSolid);
        if (state & gdFixed) c->Brush()->SetColor(fixedColor_);
        else if ((state & gdSelected) && (!(state & gdFocused) || (options_ & goDrawFocusSelected))) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
        } else {
            c->Brush()->SetColor(Color());
        }
        c->TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
        if ((state & gdFixed) && Ctl3D()) {
            TRect e = rect;
            DrawEdge(c, e, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
            DrawEdge(c, e, BDR_RAISEDINNER, BF_TOPLEFT);
        }
        if ((state & gdFocused) && Focused() && !(options_ & goRowSelect)) c->DrawFocusRect(rect);
    }
    OnDrawCell(this, col, row, rect, state);
}

void TStringGrid::Paint() {
    TCanvas* c = Canvas();
    TRect cr = ClientRect();
    // The lines are the background showing between the cells.
    c->Brush()->SetColor(clBtnShadow);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(cr);
    TGridRect sel = Selection();
    int drawnRight = 0, drawnBottom = 0;
    for (int row = 0; row < rowCount_; ++row) {
        if (row >= fixedRows_ && row < topRow_) continue;
        for (int col = 0; col < colCount_; ++col) {
            if (col >= fixedCols_ && col < leftCol_) continue;
            TRect r = CellRect(col, row);
            if (r.IsEmpty()) continue;
            TGridDrawState st = 0;
            if (col < fixedCols_ || row < fixedRows_) st |= gdFixed;
            else {
                if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) st |= gdSelected;
                if (col == col_ && row == row_) st |= gdFocused;
            }
            bool fixed = st & gdFixed;
            bool vline = fixed ? (options_ & goFixedVertLine) : (options_ & goVertLine);
            bool hline = fixed ? (options_ & goFixedHorzLine) : (options_ & goHorzLine);
            // Without lines the cell covers the line's place as well.
            TRect full = r;
            if (!vline) full.Right += gridLineWidth_;
            if (!hline) full.Bottom += gridLineWidth_;
            c->SetClipRegion(nullptr);
            DrawCell(col, row, full, st);
            drawnRight = std::max(drawnRight, r.Right + gridLineWidth_);
            drawnBottom = std::max(drawnBottom, r.Bottom + gridLineWidth_);
        }
    }
    // Beyond the last cells: the grid's colour.
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    if (drawnRight < cr.Right) c->FillRect(TRect(drawnRight, 0, cr.Right, cr.Bottom));
    if (drawnBottom < cr.Bottom) c->FillRect(TRect(0, drawnBottom, std::min(drawnRight, cr.Right), cr.Bottom));
}
