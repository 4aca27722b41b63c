// The layout pass: columns from the field map, fixed and frozen columns, row and title heights, the
// row band with the data link's buffer window and the footers, the drawing geometry with frozen and
// footer extents, scaling, and the setters that ask for a new pass.
#include "gridlib/grid/DBGridGx.h"

#include "rtl/MathUtils.h"

#include <algorithm>

namespace {

// Restores a saved value when the scope ends, also on an exception.
template <class T>
class Restore {
public:
    Restore(T& ref, T value) : ref_(ref), saved_(ref) { ref_ = value; }
    ~Restore() { ref_ = saved_; }

private:
    T& ref_;
    T saved_;
};

}  // namespace

// ==== The pass ==========================================================================================

void TCustomDBGridGx::InternalLayout() {
    if (Loading()) return;
    Restore<bool> inLayout(inLayout_, true);
    RemoveQueuedMessage(Handle(), CM_DEFERLAYOUTGX);
    syncColumnsWithFieldMap();

    // Visible columns, and the hidden ones that count among the fixed columns.
    visibleColumns_->Clear();
    int hidden = 0;
    const int count = columns_->Count();
    for (int i = 0; i < count; ++i) {
        TColumnGx* c = columns_->Items(i);
        if (c->Visible()) visibleColumns_->Add(c);
        else if (i < frozenCols_ + hidden) ++hidden;
    }
    for (int i = frozenCols_ + hidden; i < count && !columns_->Items(i)->Visible(); ++i) ++hidden;
    if (visibleColumns_->Count() == 0) --hidden;

    SetColCount(count + indicatorOffset_);
    int fixed = indicatorOffset_ + hidden;
    if (dataLink_->Active() || columns_->State() == csCustomized) fixed += frozenCols_;
    // The base grid needs one scrolling column at least.
    fixed = std::clamp(fixed, 0, ColCount() - 1);
    if (fixed != FixedCols()) SetFixedCols(fixed);
    topDataOffset_ = GetTopDataOffset();

    measureLayout();
    UpdateEditButtonSize();

    // The horizontal bar scrolls unless the columns are fitted to the width.
    const bool wanted = (!autoFitColWidths_ || Designing()) && horzScrollBar_->Visible() && !horzScrollBar_->ExtScrollBar();
    const TScrollStyle want = wanted ? ssHorizontal : ssNone;
    if (ScrollBars() != want) {
        SetScrollBars(want);
        UpdateScrollBar();
    }

    SetColumnAttributes();
    // Fitted before the titles are built, so that a group caption spans its members' new widths.
    FitColWidths();
    if (options_ & dgTitles) layoutTitles();
    SetColumnAttributes();
    selection_->Columns()->Refresh();

    const int leftCol = LeftCol();
    try {
        UpdateRowCount();
    } catch (...) {
        if ((options_ & dgRowSelect) && leftCol < ColCount()) SetLeftCol(leftCol);
        throw;
    }
    if ((options_ & dgRowSelect) && leftCol < ColCount() && leftCol >= FixedCols()) SetLeftCol(leftCol);
    UpdateActive();
    InvalidateGrid();
    UpdateFilterEdit(false);
}

void TCustomDBGridGx::measureLayout() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const int lw = (options_ & dgRowLines) ? GridLineWidth() : 0;
    const int margin = (flat_ ? 1 : 3) + lw;
    const int t = canvas->TextHeight("Wg");
    const int titleHeight = RowCount() > 0 ? RowHeights(0) : 0;
    TTextMetric tm;
    GetTextMetrics(canvas->Handle(), tm);

    int rowHeight;
    if (rowHeight_ > 0 || rowLines_ > 0) rowHeight = rowHeight_ + rowLines_ * (tm.tmHeight + tm.tmExternalLeading);
    else rowHeight = t + margin;
    if ((optionsGx_ & dghFitRowHeightToText) && t > 0) {
        const int q = (rowHeight - margin) / t, r = (rowHeight - margin) % t;
        rowHeight = (r <= t / 2 && q != 0) ? q * t + margin : (q + 1) * t + margin;
        rowLines_ = (rowHeight - margin) / t;
        rowHeight_ = margin;
    }
    SetDefaultRowHeight(rowHeight);
    if (RowCount() > 0) SetRowHeights(0, titleHeight);

    multiLineRows_ = tm.tmHeight + tm.tmExternalLeading + tm.tmInternalLeading + rowTextSpacing_ < DefaultRowHeight();

    if ((options_ & dgTitles) && !useMultiTitle_) {
        int h = 0;
        for (int i = 0; i < columns_->Count(); ++i) {
            canvas->Font()->Assign(columns_->Items(i)->Title()->Font());
            h = std::max(h, canvas->TextHeight("Wg") + rowTextSpacing_);
        }
        if (columns_->Count() == 0) {
            canvas->Font()->Assign(titleFont_.get());
            h = canvas->TextHeight("Wg") + rowTextSpacing_;
        }
        titleRowHeight_ = h;
        canvas->Font()->Assign(Font());
    }
}

void TCustomDBGridGx::layoutTitles() {
    TCanvas* canvas = Canvas();
    if (titleHeight_ != 0 || titleLines_ != 0) {
        int tallest = 0;
        TFont* metricsFont = titleFont_.get();
        for (int i = 0; i < columns_->Count(); ++i) {
            TFont* f = columns_->Items(i)->Title()->Font();
            canvas->Font()->Assign(f);
            const int h = canvas->TextHeight("Wg") + rowTextSpacing_;
            if (h > tallest) {
                tallest = h;
                metricsFont = f;
            }
        }
        canvas->Font()->Assign(metricsFont);
        TTextMetric tm;
        GetTextMetrics(canvas->Handle(), tm);
        titleRowHeight_ = titleLines_ * tm.tmHeight + tm.tmExternalLeading + titleHeight_ + 2 +
                          ((options_ & dgRowLines) ? 1 : 0);
    }
    if (useMultiTitle_) {
        leafFieldArr_.assign(static_cast<std::size_t>(columns_->Count()), TLeafCol{});
        for (int i = 0; i < columns_->Count(); ++i) leafFieldArr_[static_cast<std::size_t>(i)].FColumn = columns_->Items(i);
        TFont saved;
        saved.Assign(canvas->Font());
        canvas->Font()->Assign(titleFont_.get());
        try {
            headTree_->CreateFieldTree(this);
            titleRowHeight_ = SetChildTreeHeight(headTree_.get()) - ((optionsGx_ & dghFixed3D) ? 1 : 3);
        } catch (...) {
            canvas->Font()->Assign(&saved);
            throw;
        }
        canvas->Font()->Assign(&saved);
    }
    if (RowCount() > 0) SetRowHeights(0, titleRowHeight_);
}

// ==== The row band ======================================================================================

void TCustomDBGridGx::setRowCountTo(int n) {
    if (Row() >= n && n - 1 >= FixedRows()) MoveColRow(Col(), n - 1, false, false);
    SetRowCount(n);
}

void TCustomDBGridGx::UpdateRowCount() {
    if (!dataLink_) return;
    const int oldRows = RowCount();
    if (topDataOffset_ >= RowCount()) setRowCountTo(topDataOffset_ + 1);
    if (FixedRows() != topDataOffset_) SetFixedRows(topDataOffset_);
    const int lw = (options_ & dgRowLines) ? GridLineWidth() : 0;
    const int rowHeight = DefaultRowHeight();
    int fixedHeight = 0;
    if (options_ & dgTitles) fixedHeight += titleRowHeight_ + lw;
    fixedHeight += GetSubTitleRows() * (rowHeight + lw);
    if (footerRowCount_ > 0) fixedHeight += footerRowCount_ * (rowHeight + lw) + lw;
    SetDefaultRowHeight(rowHeight);
    if ((options_ & dgTitles) && RowCount() > 0) SetRowHeights(0, titleRowHeight_);
    if (ViewScroll()) {
        MTUpdateRowCount();
        return;
    }
    if (TopRow() != FixedRows() && FixedRows() < RowCount()) SetTopRow(FixedRows());
    const int client = ClientHeight();
    if (dataLink_->Active() && dataLink_->RecordCount() > 0) {
        dataLink_->SetBufferCount(std::max(1, (client - fixedHeight) / (rowHeight + lw)));
        const int n = dataLink_->RecordCount();
        fixedHeight += n * (rowHeight + lw);
        if (footerRowCount_ > 0) {
            setRowCountTo(n + topDataOffset_ + footerRowCount_ + 1);
            SetRowHeights(n + topDataOffset_, std::max(0, client - fixedHeight));
        } else {
            setRowCountTo(n + topDataOffset_);
        }
        UpdateActive();
    } else {
        setRowCountTo(topDataOffset_ + 1);
        fixedHeight += rowHeight + lw;
        if (footerRowCount_ > 0) {
            setRowCountTo(footerRowCount_ + RowCount() + 1);
            SetRowHeights(topDataOffset_ + 1, std::max(0, client - fixedHeight));
        }
    }
    if (RowCount() != oldRows) InvalidateGrid();
}

// ==== Drawing geometry ==================================================================================

void TCustomDBGridGx::fixedAxisGx(TGridAxisDrawInfoGx& axis, bool horz) const {
    const TGridOptions go = TCustomGrid::Options();
    const bool lines = horz ? (go & (goFixedVertLine | goVertLine)) != 0 : (go & (goFixedHorzLine | goHorzLine)) != 0;
    axis.EffectiveLineWidth = lines ? GridLineWidth() : 0;
    axis.FixedCellCount = horz ? FixedCols() : FixedRows();
    axis.FirstGridCell = horz ? LeftCol() : TopRow();
    axis.GridCellCount = horz ? ColCount() : RowCount();
    if (horz) axis.GetExtent = [this](int i) { return ColWidths(i); };
    else axis.GetExtent = [this](int i) { return RowHeights(i); };
    // A hidden cell (-1) takes no room, not even its line.
    auto span = [&](int i) {
        const int e = axis.GetExtent(i);
        return e < 0 ? 0 : e + axis.EffectiveLineWidth;
    };
    const int frozen = horz ? std::min(frozenCols_, axis.FixedCellCount) : 0;
    int boundary = 0;
    for (int i = 0; i < axis.FixedCellCount - frozen; ++i) boundary += span(i);
    int frozenExtent = 0;
    for (int i = axis.FixedCellCount - frozen; i < axis.FixedCellCount; ++i) frozenExtent += span(i);
    axis.FixedBoundary = boundary + frozenExtent;
    axis.FrozenExtent = frozenExtent;
    axis.FooterExtent = 0;
}

void TCustomDBGridGx::CalcFixedInfoGx(TGridDrawInfoGx& info) const {
    fixedAxisGx(info.Horz, true);
    fixedAxisGx(info.Vert, false);
}

void TCustomDBGridGx::calcAxisGx(TGridAxisDrawInfoGx& axis, int footerCells) const {
    axis.GridBoundary = axis.FixedBoundary;
    axis.FullVisBoundary = axis.FixedBoundary;
    axis.LastFullVisibleCell = axis.FirstGridCell;
    axis.FooterExtent = 0;
    const int firstFooter = axis.GridCellCount - footerCells;
    int footerStart = -1;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
        if (i == firstFooter) footerStart = axis.GridBoundary;
        const int e = axis.GetExtent(i);
        axis.GridBoundary += e < 0 ? 0 : e + axis.EffectiveLineWidth;
        if (axis.GridBoundary > axis.GridExtent + axis.EffectiveLineWidth) {
            axis.GridBoundary = axis.GridExtent;
            break;
        }
        axis.LastFullVisibleCell = i;
        axis.FullVisBoundary = axis.GridBoundary;
    }
    if (footerCells > 0) {
        if (footerStart >= 0) {
            axis.FooterExtent = axis.GridBoundary - footerStart;
        } else {
            for (int i = firstFooter; i <= axis.LastFullVisibleCell && i < axis.GridCellCount; ++i) {
                if (i < 0) continue;
                const int e = axis.GetExtent(i);
                axis.FooterExtent += e < 0 ? 0 : e + axis.EffectiveLineWidth;
            }
        }
    }
}

void TCustomDBGridGx::CalcDrawInfoXYGx(TGridDrawInfoGx& info, int useWidth, int useHeight) const {
    CalcFixedInfoGx(info);
    info.Horz.GridExtent = useWidth;
    info.Vert.GridExtent = useHeight;
    calcAxisGx(info.Horz, 0);
    calcAxisGx(info.Vert, footerRowCount_);
}

void TCustomDBGridGx::CalcDrawInfoGx(TGridDrawInfoGx& info) const {
    CalcDrawInfoXYGx(info, ClientWidth(), ClientHeight());
}

// ==== Rows sized with the mouse, scaling ================================================================

int TCustomDBGridGx::StdDefaultRowHeight() {
    TCanvas* canvas = Canvas();
    TFont saved;
    saved.Assign(canvas->Font());
    canvas->Font()->Assign(Font());
    int h = canvas->TextHeight("Wg") + 3;
    canvas->Font()->Assign(&saved);
    if (options_ & dgRowLines) h += GridLineWidth();
    return h;
}

void TCustomDBGridGx::RowHeightsChanged() {
    if (rowSizedByMouse_) {
        rowSizedByMouse_ = false;
        const int firstRow = (options_ & dgTitles) ? 1 : 0;
        const int lastData = topDataOffset_ + DataRowCount() - 1;
        for (int r = firstRow; r <= lastData && r < RowCount(); ++r) {
            if (RowHeights(r) != DefaultRowHeight()) {
                const int h = RowHeights(r);
                rowLines_ = 0;
                SetRowHeight(h);
                UpdateScrollBar();
                break;
            }
        }
    }
    TCustomGrid::RowHeightsChanged();
}

void TCustomDBGridGx::ChangeScale(int m, int d) {
    if (m != d && d != 0) {
        if (!ParentFont()) titleFont_->SetSize(MulDiv(Font()->Size(), m, d));
        footerFont_->SetSize(MulDiv(footerFont_->Size(), m, d));
        columns_->BeginUpdate();
        try {
            int sum = 0, previous = 0;
            for (int i = 0; i < columns_->Count(); ++i) {
                TColumnGx* c = columns_->Items(i);
                if (c->IsAssigned(cvFont)) c->Font()->SetSize(MulDiv(c->Font()->Size(), m, d));
                if (c->IsAssigned(cvTitleFont)) c->Title()->Font()->SetSize(MulDiv(c->Title()->Font()->Size(), m, d));
                auto scaleFooter = [m, d](TColumnFooterGx* footer) {
                    if (footer->IsFontStored()) footer->Font()->SetSize(MulDiv(footer->Font()->Size(), m, d));
                };
                scaleFooter(c->Footer());
                for (int k = 0; k < c->Footers()->Count(); ++k) scaleFooter(c->Footers()->Items(k));
                // Scaled from the running sum, so rounding does not add up along the row.
                sum += c->Width();
                const int scaled = MulDiv(sum, m, d);
                c->SetWidth(scaled - previous);
                previous = scaled;
            }
        } catch (...) {
            columns_->EndUpdate();
            throw;
        }
        columns_->EndUpdate();
    }
    TCustomGrid::ChangeScale(m, d);
    // The base grid scales every cell; the columns keep the widths just given to them.
    if (m != d && d != 0) LayoutChanged();
}

void TCustomDBGridGx::ColumnMoved(int fromIndex, int toIndex) {
    const int from = RawToDataColumn(fromIndex), to = RawToDataColumn(toIndex);
    if (from >= 0 && to >= 0 && from < columns_->Count() && to < columns_->Count()) columns_->Items(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

// ==== Setters ===========================================================================================

void TCustomDBGridGx::SetColWidths(int index, int value) {
    TCustomGrid::SetColWidths(index, value);
    LayoutChanged();
}

void TCustomDBGridGx::SetRowHeight(int v) {
    v = std::max(0, v);
    if (v == rowHeight_) return;
    rowHeight_ = v;
    LayoutChanged();
}

void TCustomDBGridGx::SetRowLines(int v) {
    v = std::max(0, v);
    if (v == rowLines_) return;
    rowLines_ = v;
    LayoutChanged();
}

void TCustomDBGridGx::SetTitleHeight(int v) {
    titleHeight_ = v;
    LayoutChanged();
}

void TCustomDBGridGx::SetTitleLines(int v) {
    titleLines_ = v;
    LayoutChanged();
}

void TCustomDBGridGx::SetVTitleMargin(int v) {
    vTitleMargin_ = v;
    LayoutChanged();
}

void TCustomDBGridGx::SetMinAutoFitWidth(int w) {
    minAutoFitWidth_ = w;
    LayoutChanged();
}

void TCustomDBGridGx::SetUseMultiTitle(bool b) {
    useMultiTitle_ = b;
    LayoutChanged();
}

void TCustomDBGridGx::SetRowSizingAllowed(bool b) {
    if (b == rowSizingAllowed_) return;
    rowSizingAllowed_ = b;
    const TGridOptions go = TCustomGrid::Options();
    TCustomGrid::SetOptions(b ? (go | goRowSizing) : (go & ~goRowSizing));
}

void TCustomDBGridGx::SetFrozenCols(int n) {
    if (n < 0 || n == frozenCols_) return;
    frozenCols_ = n;
    LayoutChanged();
}

void TCustomDBGridGx::SetFooterRowCount(int n) {
    if (n < 0 || n == footerRowCount_) return;
    footerRowCount_ = n;
    CheckIMemTable();
    LayoutChanged();
}
