// The grid's appearance and the decisions painting and input ask it for: fonts following the
// parent, the style, the highlight of cells, the band of a raw cell, the focus, the column and
// title events, a column's popup menu, the input method, the tracking of a pressed title button and
// the size of the in-place editor's buttons.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <algorithm>

// ==== Fonts, colours, images ============================================================================

void TCustomDBGridGx::CMParentFontChanged(TMessage& m) {
    TCustomGrid::CMParentFontChanged(m);
    if (!ParentFont()) return;
    copyingParentFont_ = true;
    try {
        titleFont_->Assign(Font());
        footerFont_->Assign(Font());
    } catch (...) {
        copyingParentFont_ = false;
        throw;
    }
    copyingParentFont_ = false;
    // The copies above may have let go of ParentFont through the title font's change.
    if (!ParentFont()) SetParentFont(true);
    LayoutChanged();
}

void TCustomDBGridGx::FontChanged() {
    TCustomGrid::FontChanged();
    if (!columns_) return;
    BeginLayout();
    try {
        for (int i = 0; i < columns_->Count(); ++i) {
            TColumnGx* c = columns_->Items(i);
            if (!c->IsAssigned(cvFont)) c->Font()->Assign(c->DefaultFont());
        }
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
}

void TCustomDBGridGx::titleImageChanged(TObject*) { Invalidate(); }

void TCustomDBGridGx::SysColorsChanged() {
    ClearButtonsBitmapCache();
    if (style_) style_->SysColorChanged();
    Invalidate();
}

// ==== Style =============================================================================================

void TCustomDBGridGx::SetStyle(TDBGridGxStyle* style) {
    if (style == style_) return;
    if (style_) style_->RemoveChangeNotification(this);
    style_ = style;
    if (style_) style_->AddChangeNotification(this);
    else RegetDefaultStyle();
}

void TCustomDBGridGx::RegetDefaultStyle() {
    TDBGridGxStyle* def = DBGridGxDefaultStyle();
    if (style_ == def) return;
    if (!def) {
        StyleGxChanged();
        return;
    }
    if (style_) style_->RemoveChangeNotification(this);
    style_ = def;
    style_->AddChangeNotification(this);
}

void TCustomDBGridGx::StyleGxChanged() { LayoutChanged(); }

// ==== Highlight =========================================================================================

bool TCustomDBGridGx::IsSelectionActive() const {
    HWND focus = GetFocus();
    if (!focus) return false;
    return focus == Handle() || (InplaceEditor() && focus == InplaceEditor()->Handle());
}

bool TCustomDBGridGx::IsActiveControl() const {
    if (TCustomForm* form = GetParentForm(this)) return form->ActiveControl() == this;
    for (HWND w = GetFocus(); w; w = w->Parent())
        if (w == Handle()) return true;
    return false;
}

bool TCustomDBGridGx::HighlightDataCellColor(int dataCol, int dataRow, const AnsiString& value,
                                             TGridDrawState& state, TColor& color, TFont* font) {
    if (style_)
        return style_->HighlightDataCellColor(this, DataToRawColumn(dataCol), dataRow + topDataOffset_, dataCol,
                                              dataRow, value, state, false, color, font);
    bool selected = false;
    if (dataLink_->Active()) selected = PaintDataCellSelected(dataCol, dataLink_->DataSet()->Bookmark());
    const bool rowSelect = (options_ & dgRowSelect) != 0;
    const bool currentRow = dataRow + topDataOffset_ == Row();
    const bool currentCol = DataToRawColumn(dataCol) == Col();
    bool highlighted = selected, focusHighlight = false;
    if (!selected) {
        focusHighlight = Focused() && (optionsGx_ & dghHighlightFocus);
        if ((optionsGx_ & dghRowHighlight) && currentRow && PaintSelectionType() == gstNon && !currentCol) {
            state |= gdSelected;
            focusHighlight = true;
        }
        highlighted = ((state & gdSelected) || (currentRow && rowSelect)) &&
                      ((options_ & dgAlwaysShowSelection) || focusHighlight) && (updateLock_ == 0 || rowSelect);
    }
    if (!highlighted) return false;
    if (IsSelectionActive()) {
        color = clHighlight;
        font->SetColor(clHighlightText);
    } else if (currentRow && (currentCol || rowSelect) && (focusHighlight || (options_ & dgAlwaysShowSelection))) {
        color = clBtnShadow;
        font->SetColor(clHighlightText);
    } else {
        color = clBtnFace;
    }
    return true;
}

bool TCustomDBGridGx::HighlightNoDataCellColor(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                               TGridDrawState state, bool selected, TColor& color, TFont* font) {
    if (style_)
        return style_->HighlightNoDataCellColor(this, aCol, aRow, dataCol, dataRow, cellType, state, selected, color,
                                                font);
    if (!selected) return false;
    const bool darkIndicator = cellType.HorzType == hctIndicatorGx && cellType.VertType != vctAboveFooterGx;
    const bool darkTitle = cellType.HorzType == hctDataGx &&
                           (cellType.VertType == vctTitleGx || cellType.VertType == vctSubTitleGx);
    if (darkIndicator || darkTitle) {
        color = RGB(64, 64, 64);
        font->SetColor(clWhite);
    } else if (IsSelectionActive()) {
        color = clHighlight;
        font->SetColor(clHighlightText);
    } else {
        color = clBtnFace;
    }
    return true;
}

bool TCustomDBGridGx::CellIsMultiSelected(int aCol, int aRow, int dataCol, const TBookmark& bookmark) {
    if (PaintSelectionType() == gstAll) return true;
    const int dataRow = aRow - topDataOffset_;
    const bool dataRowOfRecords = dataRow >= 0 && dataRow < dataLink_->RecordCount();
    if (aCol < indicatorOffset_) return dataRowOfRecords && PaintRecordSelected(bookmark);
    if (dataRowOfRecords) return PaintDataCellSelected(dataCol, bookmark);
    if (dataCol < 0 || dataCol >= columns_->Count()) return false;
    return PaintColumnSelected(columns_->Items(dataCol));
}

void TCustomDBGridGx::ChangeGridOrientation(bool rightToLeft) {
    HDC dc = Canvas()->Handle();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, rightToLeft ? ClientWidth() : 0, 0);
    SetViewportExtEx(dc, ClientWidth(), ClientHeight());
    SetWindowExtEx(dc, rightToLeft ? -ClientWidth() : ClientWidth(), ClientHeight());
}

// ==== Cell classification ===============================================================================

TCellTypeGx TCustomDBGridGx::GetCellType(int aCol, int aRow, int& dataCol, int& dataRow) const {
    TCellTypeGx t;
    dataCol = aCol;
    dataRow = aRow;
    // The data box: the columns from the indicator offset on, the data rows (a view's whole record
    // count, the link's window otherwise; one empty row at least).
    const int lastDataRow = topDataOffset_ + std::max(1, DataRowCount()) - 1;
    if (aCol < indicatorOffset_) {
        t.HorzType = hctIndicatorGx;
    } else {
        t.HorzType = hctDataGx;
        dataCol -= indicatorOffset_;
    }
    if (aRow < GetTitleRows()) {
        t.VertType = vctTitleGx;
    } else if (aRow < GetTitleRows() + GetSubTitleRows()) {
        t.VertType = vctSubTitleGx;
        dataRow -= GetTitleRows();
    } else if (aRow >= topDataOffset_ && aRow <= lastDataRow) {
        t.VertType = vctDataGx;
        dataRow -= topDataOffset_;
    } else if (aRow == lastDataRow + 1) {
        t.VertType = vctAboveFooterGx;
        dataRow = 0;
    } else if (aRow > lastDataRow + 1 && aRow < RowCount()) {
        t.VertType = vctFooterGx;
        dataRow = aRow - (lastDataRow + 1);
    } else {
        throw Exception("Algorithm error in TCustomDBGridGx.GetCellType");
    }
    return t;
}

// ==== Focus =============================================================================================

bool TCustomDBGridGx::AcquireFocus() {
    bool result = true;
    if (CanFocus() && !Designing()) {
        SetFocus();
        auto has = [this] {
            HWND f = GetFocus();
            return f && (f == Handle() || (InplaceEditor() && f == InplaceEditor()->Handle()));
        };
        result = has();
        TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
        if (!result && active && active->FormStyle() == fsMDIForm) {
            ::SetFocus(Handle());
            result = has();
        }
    }
    return result;
}

// ==== Column and title events ===========================================================================

void TCustomDBGridGx::CellClick(TColumnGx* column) {
    if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridGx::ColEnter() {
    UpdateIme();
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridGx::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TCustomDBGridGx::EditButtonClick() {
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBGridGx::TitleClick(TColumnGx* column) {
    if (OnTitleClick) OnTitleClick(column);
}

void TCustomDBGridGx::DoTitleClick(int aCol, TColumnGx* column) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, aCol, column);
}

void TCustomDBGridGx::CheckTitleButton(int aCol, bool& enabled) {
    if (aCol >= 0 && aCol < columns_->Count()) {
        if (OnCheckButton) OnCheckButton(this, aCol, columns_->Items(aCol), enabled);
    } else {
        enabled = false;
    }
}

// ==== A column's popup menu =============================================================================

void TCustomDBGridGx::WMRButtonUp(TMessage& m) {
    TCustomGrid::WMRButtonUp(m);
    const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF), y = static_cast<std::int16_t>((m.LParam >> 16) & 0xFFFF);
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < indicatorOffset_ || cell.Y < 0) return;
    const int dataCol = RawToDataColumn(cell.X);
    if (dataCol >= columns_->Count()) return;
    TPopupMenu* menu = columns_->Items(dataCol)->PopupMenu();
    if (!menu || !menu->AutoPopup()) return;
    CancelMode();
    menu->SetPopupComponent(this);
    const TPoint p = ClientToScreen(TPoint(x, y));
    menu->Popup(p.x, p.y);
    m.Result = 1;
}

// ==== Input method ======================================================================================

// The locale is not a far-east one: the input method is the window's as it was created.
void TCustomDBGridGx::SetIme() {}

void TCustomDBGridGx::UpdateIme() {}

// ==== Title-button tracking =============================================================================

void TCustomDBGridGx::BeginTitleTracking(int aCol) {
    pressedTitleCol_ = aCol;
    tracking_ = true;
    titleButtonDown_ = false;
    SetCapture(Handle());
}

// ==== Edit button size ==================================================================================

void TCustomDBGridGx::UpdateEditButtonSize() {
    const int w = flat_ ? FlatButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
    editButtonWidth_ = w;
    editButtonHeight_ = DefaultRowHeight() > Round(3.0 * w / 2) ? DefaultEditButtonHeight(w, flat_) : DefaultRowHeight();
}
