// Column widths: automatic fitting of the visible columns into the client width, the reaction to
// widths changed on screen (a dragged column border), and optimal widths measured over titles,
// every record and the footers.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <algorithm>

namespace {

// Restores the canvas font when the scope ends.
class FontScope {
public:
    explicit FontScope(TCanvas* c) : canvas_(c) { saved_.Assign(c->Font()); }
    ~FontScope() { canvas_->Font()->Assign(&saved_); }

private:
    TCanvas* canvas_;
    TFont saved_;
};

}  // namespace

// ==== Switching and fitting =============================================================================

void TCustomDBGridGx::SetAutoFitColWidths(bool b) {
    if (b == autoFitColWidths_) return;
    autoFitColWidths_ = b;
    if (Designing()) return;
    if (b) {
        if (!Loading())
            for (int i = 0; i < columns_->Count(); ++i)
                columns_->Items(i)->SetFitBaseWidth(columns_->Items(i)->Width());
        SetScrollBars(ssNone);
        if (FixedCols() < ColCount()) SetLeftCol(FixedCols());
    } else {
        // The columns get back the widths they had when fitting was switched on.
        columns_->BeginUpdate();
        try {
            for (int i = 0; i < columns_->Count(); ++i)
                columns_->Items(i)->SetWidth(columns_->Items(i)->FitBaseWidth());
        } catch (...) {
            columns_->EndUpdate();
            throw;
        }
        columns_->EndUpdate();
        SetScrollBars(ssHorizontal);
    }
    LayoutChanged();
}

void TCustomDBGridGx::FitColWidths() {
    if (!autoFitColWidths_ || Designing() || !HandleAllocated()) return;
    outOfRange_.clear();
    const int visible = visibleColumns_->Count();
    auto takesPart = [this](TColumnGx* c) {
        return c->AutoFitColWidth() && std::find(outOfRange_.begin(), outOfRange_.end(), c) == outOfRange_.end();
    };
    int r = 0, s = 0;
    bool fitted = false;
    for (int iteration = 0; iteration < visible; ++iteration) {
        // Showing or hiding the vertical bar changes the client width.
        UpdateScrollBar();
        int q = 0, f = 0;
        for (int i = 0; i < visible; ++i) {
            TColumnGx* c = visibleColumns_->GetColumn(i);
            if (takesPart(c)) q += c->FitBaseWidth();
            else f += c->Width();
        }
        r = std::max(0, std::max(ClientWidth(), minAutoFitWidth_) - f);
        if (options_ & dgIndicator) r -= IndicatorWidth;
        if (options_ & dgColLines) r -= visible;
        if ((options_ & dgIndicator) && (options_ & dgColLines)) r -= 1;
        // Every base can reach 0 after drags: then there is nothing to share in proportion.
        if (q <= 0) break;
        fitted = true;
        s = 0;
        bool clamped = false;
        for (int i = 0; i < visible; ++i) {
            TColumnGx* c = visibleColumns_->GetColumn(i);
            if (!takesPart(c)) continue;
            const int w = MulDiv(c->FitBaseWidth(), r, q);
            c->SetWidth(w);
            if (c->Width() != w) {
                outOfRange_.push_back(c);
                clamped = true;
            }
            s += c->Width();
        }
        if (!clamped) break;
    }
    if (fitted && s != r) {
        for (int i = visible - 1; i >= 0; --i) {
            TColumnGx* c = visibleColumns_->GetColumn(i);
            if (!takesPart(c)) continue;
            c->SetWidth(std::max(0, c->Width() + r - s));
            break;
        }
    }
    outOfRange_.clear();
    SetColumnAttributes();
}

// ==== Widths changed on screen ==========================================================================

void TCustomDBGridGx::ColWidthsChanged() {
    // The base grid reports widths while the grid is still being built.
    if (!dataLink_ || !columns_) {
        TCustomGrid::ColWidthsChanged();
        return;
    }
    stFilter_->BeginUpdate();
    if ((dataLink_->Active() || columns_->State() == csCustomized) && AcquireLayoutLock()) {
        try {
            TCustomGrid::ColWidthsChanged();
            const int n = std::min(columns_->Count(), ColCount() - indicatorOffset_);
            for (int i = 0; i < n; ++i) {
                const int raw = DataToRawColumn(i);
                const int gw = ColWidths(raw);
                if (gw >= 0) TCustomGrid::SetColWidths(raw, columns_->Items(i)->AllowableWidth(gw));
            }
            for (int i = 0; i < n; ++i) {
                TColumnGx* column = columns_->Items(i);
                if (!column->Visible()) continue;
                const int gw = ColWidths(DataToRawColumn(i));
                if (!autoFitColWidths_ || Designing()) {
                    column->SetWidth(gw);
                } else if (column->Width() != gw) {
                    if (optionsGx_ & dghResizeWholeRightPart) {
                        const int newWidth = gw, oldWidth = column->Width();
                        if (column->AutoFitColWidth())
                            column->SetFitBaseWidth(oldWidth > 0 ? MulDiv(newWidth, column->FitBaseWidth(), oldWidth)
                                                                 : newWidth);
                        else
                            column->SetWidth(newWidth);
                        int d = 0;
                        for (int k = i + 1; k < columns_->Count(); ++k) {
                            TColumnGx* c = columns_->Items(k);
                            if (c->Visible() && c->AutoFitColWidth()) d += c->Width();
                        }
                        for (int k = i + 1; k < columns_->Count(); ++k) {
                            TColumnGx* c = columns_->Items(k);
                            if (!c->Visible() || !c->AutoFitColWidth()) continue;
                            const int base = MulDiv(d + oldWidth - newWidth, c->FitBaseWidth(), d);
                            c->SetFitBaseWidth(base <= 0 ? 1 : base);
                        }
                    } else {
                        const int k = visibleColumns_->IndexOf(column);
                        if (k < 0) continue;
                        if (column->AutoFitColWidth()) {
                            const int old = column->FitBaseWidth();
                            // A column shown 0 wide has no proportion to scale by: its new width
                            // becomes its base.
                            column->SetFitBaseWidth(column->Width() > 0 ? MulDiv(old, gw, column->Width()) : gw);
                            if (k < visibleColumns_->Count() - 1) {
                                TColumnGx* next = visibleColumns_->GetColumn(k + 1);
                                next->SetFitBaseWidth(std::max(0, next->FitBaseWidth() + old - column->FitBaseWidth()));
                            }
                        } else {
                            column->SetWidth(gw);
                        }
                    }
                }
            }
        } catch (...) {
            EndLayout();
            throw;
        }
        EndLayout();
    } else {
        TCustomGrid::ColWidthsChanged();
    }
    InvalidateEditor();
    OnColWidthsChanged(this);
    UpdateHorzExtScrollBar();
    stFilter_->EndUpdate();
    UpdateFilterEdit(false);
}

// ==== Optimal widths ====================================================================================

void TCustomDBGridGx::OptimizeColsWidth(TColumnsGxList* columnsList) {
    const int count = columnsList->Count();
    std::vector<int> widths(static_cast<std::size_t>(count), 0);
    TCanvas* canvas = Canvas();
    FontScope fontScope(canvas);
    int th = 0, tw = 0;

    // Titles.
    for (int i = 0; i < count; ++i) {
        TColumnGx* column = columnsList->GetColumn(i);
        TColumnTitleGx* title = column->Title();
        int m = 4;
        if (title->GetSortMarkingWidth() > 2) m = title->GetSortMarkingWidth() + 2;
        if (titleImages_ && title->ImageIndex() != -1) {
            widths[static_cast<std::size_t>(i)] = m + titleImages_->Width();
            continue;
        }
        TRect box = CellRect(DataToRawColumn(column->Index()), 0);
        box.Right -= m;
        AnsiString text = title->Caption();
        if (useMultiTitle_) {
            for (const TLeafCol& leaf : leafFieldArr_) {
                if (leaf.FColumn == column && leaf.FLeaf) {
                    text = leaf.FLeaf->NodeText;
                    box.Top = box.Bottom - leaf.FLeaf->CellHeight + 1;
                    break;
                }
            }
        }
        bool wrap = useMultiTitle_ || titleHeight_ != 0 || titleLines_ != 0;
        canvas->Font()->Assign(title->Font());
        const bool vertical = title->Orientation() == tohVertical;
        if (vertical) {
            wrap = false;
            TurnRect(box);
        }
        MeasureCellText(column->DrawTextBiDiModeFlagsReadingOnly(), canvas, wrap ? 2 : 0, th, tw, wrap, box, text, 0);
        widths[static_cast<std::size_t>(i)] = vertical ? m + th : tw + m;
    }

    if (!dataLink_->Active()) return;
    TDataSet* ds = dataLink_->DataSet();
    TColumnGx* firstVisible = visibleColumns_->Count() > 0 ? visibleColumns_->GetColumn(0) : nullptr;
    const TRect rowBox(0, 0, 0, DefaultRowHeight());
    TColCellParamsGx* params = colCellParams_.get();

    auto dataWidth = [&](TColumnGx* column) {
        int b = 4;
        if (column->AlwaysShowEditButton()) b += ColumnEditButtonsWidth(column);
        if (column == firstVisible) b += GetCellTreeElmentsAreaWidth();
        if (column->ShowImageAndText() && column->ImageList()) b += column->ImageList()->Width() + 4;
        switch (column->GetColumnType()) {
            case ctKeyImageList: return b + (column->ImageList() ? column->ImageList()->Width() : 0);
            case ctCheckboxes: return b + DefaultCheckBoxWidth;
            default: break;
        }
        canvas->Font()->Assign(column->Font());
        // The parameters carry the column's display text.
        column->FillColCellParams(params);
        params->Background = canvas->Brush()->Color();
        params->Font = canvas->Font();
        params->State = 0;
        params->Alignment = column->Alignment();
        params->Col = DataToRawColumn(column->Index());
        params->Row = 0;
        GetCellParams(column, canvas->Font(), params->Background, 0);
        column->GetColCellParams(false, params);
        MeasureCellText(column->DrawTextBiDiModeFlagsReadingOnly(), canvas, 0, th, tw,
                        column->WordWrap() && multiLineRows_, rowBox, params->Text, 0);
        return tw + b;
    };

    ds->DisableControls();
    SaveBookmark();
    try {
        ds->First();
        int n = ds->RecNo();
        const int c = ds->RecordCount();
        while (!ds->Eof()) {
            for (int i = 0; i < count; ++i)
                widths[static_cast<std::size_t>(i)] =
                    std::max(widths[static_cast<std::size_t>(i)], dataWidth(columnsList->GetColumn(i)));
            ds->Next();
            if (ds->IsSequenced() && n >= c) break;
            n = ds->RecNo();
        }
    } catch (...) {
        RestoreBookmark();
        ds->EnableControls();
        throw;
    }
    RestoreBookmark();
    ds->EnableControls();

    const bool lock = !autoFitColWidths_;
    if (lock) BeginLayout();
    try {
        for (int i = 0; i < count; ++i) {
            TColumnGx* column = columnsList->GetColumn(i);
            int& w = widths[static_cast<std::size_t>(i)];
            for (int r = 0; r < footerRowCount_; ++r) {
                TColumnFooterGx* footer = column->UsedFooter(r);
                canvas->Font()->Assign(footer->Font());
                TColor background = footer->Color();
                TAlignment alignment = footer->Alignment();
                AnsiString text = GetFooterValue(r, column);
                GetFooterParams(column->Index(), r, column, canvas->Font(), background, alignment, 0, text);
                MeasureCellText(column->DrawTextBiDiModeFlagsReadingOnly(), canvas, 0, th, tw,
                                footer->WordWrap() && multiLineRows_, rowBox, text, 0);
                w = std::max(w, tw + 5);
            }
            column->SetWidth(w);
        }
    } catch (...) {
        if (lock) EndLayout();
        throw;
    }
    if (lock) EndLayout();
}

void TCustomDBGridGx::OptimizeSelectedColsWidth(TColumnGx* column) {
    TColumnsGxList list;
    if (selection_->SelectionType() == gstColumns) {
        TDBGridGxSelectionCols* cols = selection_->Columns();
        for (int i = 0; i < cols->Count(); ++i) list.Add(cols->GetColumn(i));
    } else if (selection_->SelectionType() == gstAll) {
        for (int i = 0; i < columns_->Count(); ++i) list.Add(columns_->Items(i));
    }
    if (column && list.IndexOf(column) < 0) list.Add(column);
    OptimizeColsWidth(&list);
}
