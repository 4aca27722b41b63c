// The grid as host of editors: its own cell editor, the edit-button event, and the holder side of a
// hosted editor (the filter-row editor), whose keys move it between the filterable columns.
#include "gridlib/grid/DBGridGx.h"

#include <climits>

TInplaceEdit* TCustomDBGridGx::CreateEditor() { return new TDBGridInplaceEdit(this); }

TDBGridInplaceEdit* TCustomDBGridGx::DBInplaceEditor() const { return dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor()); }

// ---- Holder of a hosted editor ------------------------------------------------------------------------

bool TCustomDBGridGx::InplaceEditCanModify(TControl*) { return true; }

// Each remembered press is reported once: a later press on the editor pairs with it at most once.
void TCustomDBGridGx::GetMouseDownInfo(TPoint& pos, DWORD& time) {
    pos = ClientToScreen(hostedPressPos_);
    time = hostedPressTime_;
    hostedPressTime_ = 0;
}

void TCustomDBGridGx::RememberMouseDown(TPoint clientPos, DWORD time) {
    hostedPressPos_ = clientPos;
    hostedPressTime_ = time;
}

void TCustomDBGridGx::InplaceEditWndProc(TControl*, TMessage&) {}

void TCustomDBGridGx::InplaceEditKeyPress(TControl*, WideChar&) {}

void TCustomDBGridGx::InplaceEditKeyUp(TControl*, WORD&, TShiftState) {}

void TCustomDBGridGx::InplaceEditKeyDown(TControl* control, WORD& key, TShiftState shift) {
    if (FilterEditListDroppedDown(control)) return;
    auto* edit = dynamic_cast<TCustomEdit*>(control);
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    const bool ctrl = (shift & ssCtrl) != 0;
    const int filterCol = FilterEditCol();
    // Steps from a raw column to the next filterable one; a wrapping step goes round the data
    // columns once, another ends where the columns end.
    auto moveFilter = [this](int start, int dir, bool wrap) {
        int col = start;
        for (;;) {
            col += dir;
            if (col >= ColCount()) {
                if (!wrap) return;
                col = IndicatorOffset();
            } else if (col < IndicatorOffset()) {
                if (!wrap) return;
                col = ColCount() - 1;
            }
            if (col == start) return;
            if (CanFilterCol(RawToDataColumn(col))) {
                StartEditFilter(RawToDataColumn(col));
                return;
            }
        }
    };
    const int raw = DataToRawColumn(filterCol);
    int textLength = 0, selStart = 0, selLength = 0;
    if (edit) {
        textLength = CharCount(edit->Text());
        selStart = edit->SelStart();
        selLength = edit->SelLength();
    }
    const bool allSelected = edit && selStart == 0 && selLength == textLength;
    switch (key) {
    case VK_TAB:
        if (!(options_ & dgTabs)) return;
        moveFilter(raw, (shift & ssShift) ? -1 : 1, true);
        key = 0;
        return;
    case VK_END:
    case VK_RIGHT: {
        const bool atEnd = edit && ((selStart == textLength && selLength == 0) || allSelected);
        if (!ctrl && !atEnd) return;
        if (key == VK_END || ctrl) moveFilter(ColCount(), -1, false);
        else moveFilter(raw, 1, true);
        key = 0;
        return;
    }
    case VK_HOME:
    case VK_LEFT: {
        const bool atStart = !edit || (selStart == 0 && selLength == 0) || allSelected;
        if (!ctrl && !atStart) return;
        if (key == VK_HOME || ctrl) moveFilter(IndicatorOffset() - 1, 1, false);
        else moveFilter(raw, -1, true);
        key = 0;
        return;
    }
    case VK_UP:
        if (mods == 0) key = 0;
        return;
    case VK_DOWN:
        if ((mods == 0 || mods == ssCtrl) && dataLink_->Active()) {
            SetSelectedIndex(filterCol);
            if (mods == 0) dataLink_->DataSet()->MoveBy(-dataLink_->ActiveRecord());
            StopEditFilter();
            key = 0;
        }
        return;
    case VK_F2:
        control->Perform(EM_SETSEL, static_cast<WPARAM>(INT_MAX), static_cast<LPARAM>(-1));
        key = 0;
        return;
    default: return;
    }
}
