// The grid's hints and tool tips (a clipped text shown whole, laid exactly over its cell; a title's
// own hint), and the window and component messages the grid handles besides its input: size,
// non-client area, focus, child notifications, fonts and colours, the left column and design time.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <algorithm>

namespace {

// Keeps a data row's record readable through the fields, and gives the old one back.
class InstantReadScope {
public:
    InstantReadScope(TCustomDBGridGx* grid, int dataRow) : grid_(grid) { grid_->InstantReadRecordEnter(dataRow); }
    ~InstantReadScope() { grid_->InstantReadRecordLeave(); }
    InstantReadScope(const InstantReadScope&) = delete;
    InstantReadScope& operator=(const InstantReadScope&) = delete;

private:
    TCustomDBGridGx* grid_;
};

TPoint LastMessageClientPos(const TControl* control) {
    const DWORD at = GetMessagePos();
    return control->ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
}

}  // namespace

// ==== Tool-tip window ===================================================================================

TRect DBGridGx::TToolTipsWindow::CalcHintRect(int maxWidth, const AnsiString& hint, void* data) {
    if (auto* font = static_cast<TFont*>(data)) {
        Canvas()->Font()->Assign(font);
        Font()->Assign(font);
    }
    Canvas()->Font()->SetColor(clInfoText);
    Font()->SetColor(clInfoText);
    return THintWindow::CalcHintRect(maxWidth, hint, data);
}

TFont* TCustomDBGridGx::ToolTipsFont() {
    if (!toolTipsFont_) toolTipsFont_ = std::make_unique<TFont>();
    return toolTipsFont_.get();
}

// ==== Seams =============================================================================================

bool TCustomDBGridGx::FooterToolTips(int footerRow, TColumnGx* column) {
    TColumnFooterGx* footer = column ? column->UsedFooter(footerRow) : nullptr;
    return footer ? footer->ToolTips() : columnDefValues_->Footer()->ToolTips();
}

// The grid's own cell editor reacts to its user's changes itself (its MRU list); a descendant may add
// its own reaction here.
void TCustomDBGridGx::InplaceEditUserChange() {}

// ==== Dispatch ==========================================================================================

bool TCustomDBGridGx::DispatchHintsAndWindowMessages(TMessage& m) {
    switch (m.Msg) {
        case CM_HINTSHOWPAUSE: CMHintsShowPause(m); return true;
        case CM_SYSCOLORCHANGE: CMSysColorChange(m); return true;
        case CM_DESIGNHITTEST: CMDesignHitTest(m); return true;
        case WM_IME_STARTCOMPOSITION: WMIMEStartComp(m); return true;
        default: return false;
    }
}

// ==== Hint pause ========================================================================================

void TCustomDBGridGx::CMHintsShowPause(TMessage& m) {
    auto* pause = reinterpret_cast<int*>(m.LParam);
    const TPoint hit = LastMessageClientPos(this);
    const TGridCoord cell = MouseCoord(hit.x, hit.y);
    const int dataCol = cell.X - indicatorOffset_;
    if (cell.X < indicatorOffset_ || dataCol >= columns_->Count() || cell.Y < 0) {
        TCustomGrid::Dispatch(m);
        return;
    }
    TColumnGx* column = columns_->Items(dataCol);
    const int row = cell.Y;
    const int firstFooterRow = RowCount() - footerRowCount_;
    bool atOnce = false;
    if (footerRowCount_ > 0 && row > firstFooterRow - 1)
        atOnce = FooterToolTips(row - firstFooterRow, column);
    else if (row >= topDataOffset_ && row < topDataOffset_ + DataRowCount())
        atOnce = dataLink_->Active() && column->ToolTips();
    else if (row == GetTitleRows() - 1)
        atOnce = column->Title()->ToolTips() && column->Title()->Hint().IsEmpty();
    if (pause) *pause = atOnce ? 0 : (Application ? Application->HintPause() : *pause);
}

// ==== Hint and tool tip =================================================================================

void TCustomDBGridGx::CMHintShow(TMessage& m) {
    TCustomGrid::CMHintShow(m);
    if (m.Result != 0) return;
    auto* info = reinterpret_cast<THintInfo*>(m.LParam);
    if (!info) return;
    const TPoint hit = info->CursorPos;
    const TGridCoord cell = MouseCoord(hit.x, hit.y);
    const int dataCol = cell.X - indicatorOffset_;
    if (cell.X < indicatorOffset_ || dataCol >= columns_->Count() || cell.Y < 0) return;
    const int col = cell.X, row = cell.Y;
    TColumnGx* column = columns_->Items(dataCol);
    TColumnTitleGx* title = column->Title();
    const bool titleRow = row == GetTitleRows() - 1;

    // A title's own hint comes before any tool tip.
    if (titleRow && !title->Hint().IsEmpty()) {
        info->HintStr = GetShortHint(title->Hint());
        info->CursorRect = CellRect(col, row);
        return;
    }

    const bool considered = (titleRow && title->ToolTips()) ||
                            (row >= topDataOffset_ && dataLink_->Active() && column->ToolTips());
    // A captured mouse (sizing, moving, selecting) or Ctrl held means the user is doing something
    // with the grid: no tip gets in the way.
    if (!considered || GetCapture() != nullptr || GetKeyState(VK_CONTROL) < 0) return;

    TRect r = CellRect(col, row);
    const bool rightToLeft = column->UseRightToLeftAlignment();
    int px = hit.x;
    if (rightToLeft) {
        OffsetRect(r, ClientWidth() - r.Right - r.Left, 0);
        px = ClientWidth() - hit.x;
    }
    int limit = r.Left + column->Width();
    TFont* font = ToolTipsFont();
    AnsiString text;
    TAlignment alignment = taLeftJustify;
    bool wordWrap = false;
    // Image and check-box cells show no text of their own: their text always goes into the tip.
    bool imageCell = false;
    const int firstFooterRow = RowCount() - footerRowCount_;

    if (titleRow) {
        const int marking = title->GetSortMarkingWidth();
        if (marking > 2) {
            r.Right -= marking - 2;
            limit -= marking - 2;
        }
        THeadTreeNode* leaf = nullptr;
        if (useMultiTitle_ && static_cast<std::size_t>(dataCol) < leafFieldArr_.size())
            leaf = leafFieldArr_[static_cast<std::size_t>(dataCol)].FLeaf;
        if (useMultiTitle_) {
            if (leaf) {
                text = leaf->NodeText;
                r.Top = r.Bottom - leaf->CellHeight + 1;
            }
            if (hit.y < r.Top) {
                info->HintStr = AnsiString();
                return;
            }
        } else {
            text = title->Caption();
        }
        wordWrap = useMultiTitle_ || titleHeight_ != 0 || titleLines_ != 0;
        alignment = title->Alignment();
        font->Assign(title->Font());
        if (title->Orientation() == tohVertical) {
            wordWrap = false;
            TurnRect(r);
        }
    } else if (row < topDataOffset_ + DataRowCount()) {
        TColCellParamsGx* p = colCellParams_.get();
        {
            InstantReadScope read(this, row - topDataOffset_);
            const TColumnGxType type = column->GetColumnType();
            TStrings* picks = column->PickList();
            auto pick = [&](int i) { return i >= 0 && i < picks->Count() ? picks->Strings(i) : AnsiString(); };
            if (type == ctKeyImageList) {
                TField* f = column->Field();
                text = f ? pick(column->KeyList()->IndexOf(f->Text())) : AnsiString();
                imageCell = true;
            } else if (type == ctCheckboxes) {
                text = pick(static_cast<int>(column->CheckboxState()) & 0x7F);
                imageCell = true;
            } else if (column->Field()) {
                text = column->DisplayText();
            }
            if (column->AlwaysShowEditButton()) {
                limit = r.Left + column->Width() - ColumnEditButtonsWidth(column);
                r.Right = limit;
                if (px > r.Right) text = AnsiString();
            }
            if (visibleColumns_->Count() > 0 && visibleColumns_->GetColumn(0) == column)
                r.Left += GetCellTreeElmentsAreaWidth();
            if (column->ImageList() && column->ShowImageAndText()) r.Left += column->ImageList()->Width() + 5;
            if (px < r.Left) text = AnsiString();
            alignment = imageCell ? taLeftJustify : column->Alignment();
            wordWrap = column->WordWrap() && multiLineRows_;
            font->Assign(column->Font());
            // The events that change a painted cell's look change its tip alike.
            p->Background = Canvas()->Brush()->Color();
            p->Font = font;
            p->State = 0;
            p->Alignment = alignment;
            p->Text = text;
            p->Col = col;
            p->Row = row;
            GetCellParams(column, font, p->Background, 0);
            column->GetColCellParams(false, p);
        }
        text = p->Text;
        alignment = p->Alignment;
    } else if (footerRowCount_ > 0 && row > firstFooterRow - 1) {
        const int n = row - firstFooterRow;
        TFont* footerFont = nullptr;
        TColor color = footerColor_;
        bool endEllipsis = false;
        FooterCellLook(n, column, footerFont, color, alignment, wordWrap, endEllipsis);
        if (footerFont) font->Assign(footerFont);
        text = GetFooterValue(n, column);
    } else {
        info->HintStr = AnsiString();
        return;
    }
    Canvas()->Font()->Assign(font);

    const int indent = wordWrap ? 2 : 0;
    int textHeight = 0, textWidth = 0;
    bool clipped = MeasureCellText(static_cast<unsigned>(column->DrawTextBiDiModeFlagsReadingOnly()), Canvas(),
                                   indent, textHeight, textWidth, wordWrap, r, text, rowTextSpacing_);
    if (imageCell) clipped = true;
    if (!clipped && !(alignment == taRightJustify && r.Right < limit - 2)) {
        info->HintStr = AnsiString();
        return;
    }
    int x = r.Left - 1;
    if (alignment == taRightJustify) x = limit - textWidth - 6;
    else if (alignment == taCenter) x = limit - (textWidth - textWidth / 2) - (limit - r.Left - 4) / 2 - 5;
    if (rightToLeft) x = ClientWidth() - x;
    info->HintStr = text;
    info->CursorRect = r;
    info->HintPos = ClientToScreen(TPoint(x, r.Top - (flat_ ? 2 : 1)));
    info->HintWindowClass = HintWindowClassOf<DBGridGx::TToolTipsWindow>();
    info->HintData = font;
    if (wordWrap) info->HintMaxWidth = r.Width() - 4;
}

// ==== Left column =======================================================================================

void TCustomDBGridGx::TopLeftChanged() {
    // Leaving the left edge or coming back changes how the titles join the fixed part.
    const bool atFixed = LeftCol() == FixedCols();
    if (atFixed != leftColAtFixed_) {
        leftColAtFixed_ = atFixed;
        for (int r = 0; r < GetTitleRows(); ++r) InvalidateRow(r);
    }
    TCustomGrid::TopLeftChanged();
    UpdateHorzExtScrollBar();
    if (ViewScroll()) FetchRecordsInView();
    UpdateFilterEdit(false);
}

// ==== Colours and fonts =================================================================================

void TCustomDBGridGx::CMSysColorChange(TMessage& m) {
    TCustomGrid::Dispatch(m);
    ClearButtonsBitmapCache();
}

void TCustomDBGridGx::CMParentColorChanged(TMessage& m) {
    TCustomGrid::CMParentColorChanged(m);
    if (!ParentColor()) return;
    // Stored directly: the footer colour's setter would end ParentColor.
    footerColor_ = Color();
    Invalidate();
}

// ==== Design time =======================================================================================

void TCustomDBGridGx::CMDesignHitTest(TMessage& m) {
    const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    // The base grid's answer: 1 over a column or row border it sizes.
    TGridDrawInfo di;
    CalcFixedInfo(di);
    TGridState state = gsNormal;
    int index = 0, pos = 0, ofs = 0;
    CalcSizingState(x, y, state, index, pos, ofs, di);
    LRESULT result = (state == gsColSizing || state == gsRowSizing) ? 1 : 0;
    if (result == 0 && FrozenSizing(x, y)) result = -1;
    if (result == 1) {
        TDataSet* ds = dataLink_->DataSet();
        const bool defaultColumns = !dataLink_->DataSource() ||
                                    (columns_->State() != csCustomized &&
                                     (dataLink_->GetDefaultFields() || !dataLink_->Active() || !ds));
        if (defaultColumns) result = 0;
    }
    m.Result = result;
}

// ==== Size ==============================================================================================

void TCustomDBGridGx::WMSize(TMessage& m) {
    TCustomGrid::WMSize(m);
    if (updateLock_ > 0) {
        sizeChangedPending_ = true;
    } else {
        const bool pending = sizeChangedPending_;
        DoAfterSizeChanged();
        sizeChangedPending_ = pending;
    }
    UpdateHorzExtScrollBar();
}

void TCustomDBGridGx::DoAfterSizeChanged() {
    sizeChangedPending_ = false;
    if (!autoFitColWidths_ || Designing()) {
        UpdateRowCount();
        UpdateScrollBar();
        UpdateFilterEdit(false);
    } else {
        LayoutChanged();
        InvalidateEditor();
    }
}

// A selection step ends its update here: a size change that came meanwhile is handled now.
void TCustomDBGridGx::DoAfterSizeChangedIfPending() {
    if (SizeChangedPending()) DoAfterSizeChanged();
}

// ==== Non-client area ===================================================================================

void TCustomDBGridGx::WMNCCalcSize(TMessage& m) {
    TCustomGrid::WMNCCalcSize(m);
    auto* r = reinterpret_cast<TRect*>(m.LParam);
    const int border = flatBorder_ ? 1 : 0;
    if (r && border > 0) {
        InflateRect(*r, -border, -border);
        if (r->Right < r->Left) r->Right = r->Left;
        if (r->Bottom < r->Top) r->Bottom = r->Top;
    }
}

void TCustomDBGridGx::WMNCPaint(TMessage& m) {
    TCustomGrid::WMNCPaint(m);
    DrawBorder();
}

void TCustomDBGridGx::WMEraseBkgnd(TMessage& m) { m.Result = 1; }

// ==== Child notifications ===============================================================================

void TCustomDBGridGx::WMCommand(TMessage& m) {
    // The base hands every notification back to the child it came from (the in-place editor's
    // change reaches the grid's text that way).
    TCustomGrid::WMCommand(m);
    if (HIWORD(m.WParam) != EN_CHANGE) return;
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!sender) return;
    if (InplaceEditor() && sender == InplaceEditor()) {
        InplaceEditUserChange();
    } else if (auto* control = dynamic_cast<TWinControl*>(sender); control && control->Parent() != this) {
        // Children were answered by the base already; a control elsewhere gets it reflected here.
        m.Result = control->Perform(CN_COMMAND, m.WParam, m.LParam);
    } else if (FilterEditor() && sender == FilterEditor()) {
        FilterEditTextChanged();
    }
}

// ==== Input method ======================================================================================

void TCustomDBGridGx::WMIMEStartComp(TMessage& m) {
    TCustomGrid::Dispatch(m);
    ShowEditor();
}

// ==== Focus =============================================================================================

void TCustomDBGridGx::WMSetFocus(TMessage& m) {
    auto* from = reinterpret_cast<TWinControl*>(m.WParam);
    const bool fromEditor = InplaceEditor() && from == InplaceEditor();
    if (!fromEditor) SetIme();
    if (options_ & dgRowSelect) {
        const TGridRect s = TCustomGrid::Selection();
        InvalidateRect(BoxRect(std::max(0, s.Left - frozenCols_), s.Top, s.Right, s.Bottom));
    }
    TCustomGrid::WMSetFocus(m);
    if (TWinControl* filter = FilterEditor(); filter && from != filter && FilterEditMode()) filter->SetFocus();
    if (IsSelectionActive() != selectionActive_) SelectionActiveChanged();
}

void TCustomDBGridGx::WMKillFocus(TMessage& m) {
    auto* to = reinterpret_cast<TWinControl*>(m.WParam);
    const bool toEditor = InplaceEditor() && to == InplaceEditor();
    if (!toEditor) ApplyPendingSortMarking();
    if (options_ & dgRowSelect) {
        const TGridRect s = TCustomGrid::Selection();
        InvalidateRect(BoxRect(std::max(0, s.Left - frozenCols_), s.Top, s.Right, s.Bottom));
    }
    // The locale has no far-east input methods here, so only the base handling runs.
    TCustomGrid::WMKillFocus(m);
    if (IsSelectionActive() != selectionActive_) SelectionActiveChanged();
}
