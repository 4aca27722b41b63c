// The grid's keyboard: keys and typed characters into dataset moves, column moves, selection
// steps, edit actions, check-box toggles and the editor. The base grid's own key navigation is
// never used: the grid moves records, not rows of cells.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/Menus.h"
#include "gui/WinApi.h"

#include <algorithm>
#include <climits>

namespace {

bool isCheckType(TColumnGxType t) { return t == ctKeyImageList || t == ctCheckboxes; }

// Undoes itself on every way out: a raise inside a guarded step still releases what it took.
struct UpdateBracket {
    TCustomDBGridGx* grid;
    explicit UpdateBracket(TCustomDBGridGx* g) : grid(g) { grid->BeginUpdate(); }
    ~UpdateBracket() { grid->EndUpdate(); }
};

}  // namespace

TColumnGx* TCustomDBGridGx::dataColumn(int rawCol) const {
    // Screen columns count the hidden columns too (they take no width): a screen column is the
    // column of the same place in the collection, never one counted among the visible columns.
    const int dataCol = RawToDataColumn(rawCol);
    if (dataCol < 0 || dataCol >= columns_->Count()) return nullptr;
    return columns_->Items(dataCol);
}

bool TCustomDBGridGx::isCheckColumn(int rawCol) {
    TColumnGx* c = dataColumn(rawCol);
    return c && isCheckType(c->GetColumnType());
}

int TCustomDBGridGx::firstFooterRow() const {
    return footerRowCount_ > 0 ? RowCount() - footerRowCount_ - 1 : INT_MAX;
}

bool TCustomDBGridGx::canAppendHere() const {
    TDataSet* ds = dataLink_->DataSet();
    return ds && ds->CanModify() && !readOnly_ && (options_ & dgEditing) && (allowedOperations_ & alopAppendGx);
}

// ==== Steps shared by the keys ===========================================================================

void TCustomDBGridGx::priorRowStep(bool shiftHeld, bool fromUp) {
    TDataSet* ds = dataLink_->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && ds->Eof() && !dataLink_->IsModified()) {
        // A new record nobody typed into goes away again.
        ds->Cancel();
        return;
    }
    const bool rect = CanSelectType(gstRectangle) && (allowedSelections_ & SelectionTypeBit(gstRectangle));
    if (shiftHeld) DoSelection(fromUp, -1, false, !rect);
    else DoSelection(false, -1, false, true);
}

void TCustomDBGridGx::nextRowStep(bool shiftHeld, bool fromDown) {
    TDataSet* ds = dataLink_->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !dataLink_->IsModified()) {
        if (!ds->Eof()) ds->Cancel();
        return;
    }
    const bool rect = CanSelectType(gstRectangle) && (allowedSelections_ & SelectionTypeBit(gstRectangle));
    if (shiftHeld) DoSelection(fromDown, 1, false, !rect);
    else DoSelection(false, 1, false, true);
    if (ds->Eof() && canAppendHere()) ds->Append();
}

void TCustomDBGridGx::tabStep(bool backward) {
    ClearSelection();
    UpdateBracket bracket(this);
    const int start = Col();
    // With no other column to go to, Tab stays: it neither moves the record nor appends one.
    bool another = false;
    for (int c = indicatorOffset_; c < ColCount() && !another; ++c) another = c != start && TabStops(c);
    if (!another) return;
    int col = start;
    for (;;) {
        col += backward ? -1 : 1;
        if (col >= ColCount()) {
            nextRowStep(false, false);
            col = indicatorOffset_;
        } else if (col < indicatorOffset_) {
            priorRowStep(false, false);
            col = ColCount() - 1;
        }
        if (col == start) return;
        if (TabStops(col)) {
            MoveCol(col, 0, false);
            return;
        }
    }
}

void TCustomDBGridGx::deleteByKey() {
    TDataSet* ds = dataLink_->DataSet();
    if ((editActions_ & geaDeleteGx) && SelectionType() != gstNon) {
        if (CheckDeleteAction()) DoDeleteAction();
        return;
    }
    if (readOnly_ || ds->IsEmpty() || !ds->CanModify() || !(allowedOperations_ & alopDeleteGx)) return;
    const int selected = SelectionRowsCount();
    if (options_ & dgConfirmDelete) {
        const AnsiString text = selected < 2 ? AnsiString("Delete record?") : AnsiString("Delete all selected records?");
        if (MessageDlg(text, mtConfirmation, mbOKCancel) != mrOk) return;
    }
    if (selected == 0) ds->Delete();
    else SelectionRowsDelete();
}

// ==== Key down ===========================================================================================

bool TCustomDBGridGx::RunFindKey(TShortCut sc, const AnsiString& text) {
    if (sc == DBGridGxInplaceSearchKey && (optionsGx_ & dghIncSearch)) {
        // One key for both: pressed again during the search it opens the dialog.
        if (InplaceSearching() && (optionsGx_ & dghDialogFind) && DBGridGxFindDialogKey == DBGridGxInplaceSearchKey) {
            StopInplaceSearch();
            ExecuteFindDialog(text, AnsiString(), IsFindDialogShowAsModal());
        } else {
            StartInplaceSearch(AnsiString(), -1, inpsFromFirstGx);
        }
        return true;
    }
    if (sc == DBGridGxFindDialogKey && (optionsGx_ & dghDialogFind)) {
        ExecuteFindDialog(text, AnsiString(), IsFindDialogShowAsModal());
        return true;
    }
    return false;
}

void TCustomDBGridGx::KeyDown(WORD& key, TShiftState shift) {
    toggleMode_ = (shift & ssCtrl) || !(optionsGx_ & dghClearSelection);
    TWinControl::KeyDown(key, shift);  // OnKeyDown

    // The filter row opens upwards from the first record (or with Ctrl from anywhere).
    if (key == VK_UP && STFilterVisible() && dataLink_->Active() &&
        (dataLink_->DataSet()->Bof() || (shift & ssCtrl))) {
        int filterCol = RawToDataColumn(Col());
        if (options_ & dgRowSelect) {
            filterCol = std::max(0, filterCol);
            while (filterCol < columns_->Count() && !CanFilterCol(filterCol)) ++filterCol;
            const int raw = DataToRawColumn(filterCol);
            if ((raw >= FixedCols() && raw < LeftCol()) || raw >= LeftCol() + VisibleColCount() || raw < indicatorOffset_) {
                filterCol = RawToDataColumn(LeftCol());
                while (filterCol < columns_->Count() && !CanFilterCol(filterCol)) ++filterCol;
            }
        }
        StartEditFilter(filterCol);
        key = 0;
    }
    if (UseRightToLeftAlignment()) {
        if (key == VK_LEFT) key = VK_RIGHT;
        else if (key == VK_RIGHT) key = VK_LEFT;
    }
    if (!dataLink_->Active() || !CanGridAcceptKey(key, shift)) return;
    TDataSet* ds = dataLink_->DataSet();

    // Shortcuts: they look at the key without taking it.
    const TShortCut sc = ShortCut(key, shift & (ssShift | ssCtrl | ssAlt));
    const bool plain = (shift & (ssShift | ssCtrl | ssAlt)) == 0;
    if (key != 0 && sc == DBGridGxSetValueFromPrevRecordKey) {
        SetValueFromPrevRecord();
    } else if (key != 0 && RunFindKey(sc, AnsiString())) {
        // searching, or the find dialog
    } else if (InplaceSearching()) {
        if (plain && (key == VK_RETURN || key == VK_ESCAPE || key == VK_F2)) {
            StopInplaceSearch();
        } else if (plain && key == VK_BACK) {
            InplaceSearchBackspace();
        } else if (key != 0 && sc == DBGridGxInplaceSearchNextKey) {
            StartInplaceSearch(AnsiString(), InplaceSearchTimeOut(), inpsToNextGx);
        } else if (key != 0 && sc == DBGridGxInplaceSearchPriorKey) {
            StartInplaceSearch(AnsiString(), InplaceSearchTimeOut(), inpsToPriorGx);
        }
    }

    const bool ctrl = shift & ssCtrl;
    const bool shiftHeld = shift & ssShift;
    const bool select = shiftHeld && (options_ & dgMultiSelect);
    const bool rect = (allowedSelections_ & SelectionTypeBit(gstRectangle)) != 0;
    if (ctrl) {
        if (!shiftHeld && (key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_UP ||
                           key == VK_DOWN))
            ClearSelection();
        switch (key) {
        case VK_PRIOR:
        case VK_UP:
            if (select) DoSelection(true, -dataLink_->ActiveRecord(), false, false);
            else ds->MoveBy(-dataLink_->ActiveRecord());
            break;
        case VK_NEXT:
        case VK_DOWN: {
            const int distance = dataLink_->BufferCount() - dataLink_->ActiveRecord() - 1;
            if (select) DoSelection(true, distance, false, false);
            else ds->MoveBy(distance);
            break;
        }
        case VK_END:
            if (select) DoSelection(true, 1, true, false);
            else ds->Last();
            break;
        case VK_HOME:
            if (select) DoSelection(true, -1, true, false);
            else ds->First();
            break;
        case VK_LEFT: MoveCol(indicatorOffset_, 1, false); break;
        case VK_RIGHT: MoveCol(ColCount() - 1, -1, false); break;
        case VK_INSERT:
        case 'C':
            if (CheckCopyAction() && (editActions_ & geaCopyGx)) DoCopyAction();
            break;
        case VK_DELETE: deleteByKey(); break;
        case 'A':
            if (CheckSelectAllAction() && (editActions_ & geaSelectAllGx)) SelectionSelectAll();
            break;
        case 'V':
            if (InplaceSearching()) AppendClipboardToInplaceSearch();
            else if (CheckPasteAction() && (editActions_ & geaPasteGx)) DoPasteAction();
            break;
        case 'X':
            if (CheckCutAction() && (editActions_ & geaCutGx)) DoCutAction();
            break;
        default: break;
        }
    } else {
        const int page = VisibleDataRowCount();
        switch (key) {
        case VK_TAB:
            if (!(shift & ssAlt)) tabStep(shiftHeld);
            break;
        case VK_RETURN:
            if (optionsGx_ & dghEnterAsTab) tabStep(shiftHeld);
            break;
        case VK_ESCAPE:
            dataLink_->Reset();
            ClearSelection();
            if (!(options_ & dgAlwaysShowEditor)) HideEditor();
            if (GridState() == gsRowSizing || GridState() == gsColSizing || GridState() == gsColMoving ||
                interactionState_ == dgsColSizing || interactionState_ == dgsRowMoving)
                Perform(WM_CANCELMODE);
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            const int sign = key == VK_PRIOR ? -1 : 1;
            if (select) {
                DoSelection(true, sign * page, false, !rect);
            } else {
                ClearSelection();
                if (sign > 0 && ViewScroll()) FetchRecordsInView();
                ds->MoveBy(sign * page);
            }
            break;
        }
        case VK_END:
        case VK_HOME: {
            const bool end = key == VK_END;
            if (ColCount() - indicatorOffset_ > 1 && !(options_ & dgRowSelect)) {
                if (end) MoveCol(ColCount() - 1, -1, select);
                else MoveCol(indicatorOffset_, 1, select);
            } else if (select) {
                DoSelection(true, end ? 1 : -1, true, false);
            } else {
                ClearSelection();
                if (end) ds->Last();
                else ds->First();
            }
            break;
        }
        case VK_LEFT:
        case VK_RIGHT: {
            const int step = key == VK_LEFT ? -1 : 1;
            if (options_ & dgRowSelect) {
                if (step < 0 && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
                else if (step > 0 && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
            } else if (select) {
                MoveCol(Col() + step, step, true);
            } else {
                ClearSelection();
                MoveCol(Col() + step, step, false);
            }
            break;
        }
        case VK_UP: priorRowStep(shiftHeld, true); break;
        case VK_DOWN: nextRowStep(shiftHeld, true); break;
        case VK_INSERT:
            if (shiftHeld) {
                if (InplaceSearching()) AppendClipboardToInplaceSearch();
                else if (CheckPasteAction() && (editActions_ & geaPasteGx)) DoPasteAction();
            } else if (ds->CanModify() && !readOnly_ && (options_ & dgEditing)) {
                ClearSelection();
                if (allowedOperations_ & alopInsertGx) ds->Insert();
                else if (allowedOperations_ & alopAppendGx) ds->Append();
            }
            break;
        case VK_DELETE:
            if (shiftHeld && CheckCutAction() && (editActions_ & geaCutGx)) DoCutAction();
            break;
        case VK_MULTIPLY:
        case VK_ADD:
        case VK_SUBTRACT:
            if (ViewScroll()) ToggleTreeNode(key == VK_MULTIPLY ? 0 : key == VK_ADD ? 1 : -1);
            break;
        case VK_F2: SetEditorMode(true); break;
        default: break;
        }
    }

    // Delete empties a check-box or image cell whose field may be empty.
    if (key == VK_DELETE && !ctrl && !(options_ & dgRowSelect)) {
        TColumnGx* c = dataColumn(Col());
        if (c && isCheckType(c->GetColumnType()) && c->Field() && !c->Field()->Required() && c->CanModify(true))
            c->UpdateDataValues(AnsiString(), Null(), false);
    }
}

// ==== Characters =========================================================================================

void TCustomDBGridGx::WMChar(TMessage& m) {
    const auto ch = static_cast<WideChar>(m.WParam);
    const AnsiString saved = completeKeyPress_;
    completeKeyPress_ = CharToText(ch);
    struct Restore {
        AnsiString& text;
        AnsiString old;
        ~Restore() { text = old; }
    } restore{completeKeyPress_, saved};
    if (FilterEditMode() && (ch == 8 || ch >= 32)) ShowFilterEditorChar(ch);
    TColumnGx* c = dataColumn(Col());
    const bool searchKeys = InplaceSearching() ||
                            ((optionsGx_ & dghIncSearch) && !CanEditModifyColumn(RawToDataColumn(Col()))) ||
                            ((optionsGx_ & dghPreferIncSearch) && !(options_ & dgAlwaysShowEditor) &&
                             !(InplaceEditor() && InplaceEditor()->Visible()));
    auto browsing = [this] {
        if (!dataLink_->Active()) return false;
        const TDataSetState st = dataLink_->DataSet()->State();
        return st != dsEdit && st != dsInsert && st != dsSetKey;
    };
    if (ch == ' ' && c && isCheckType(c->GetColumnType()) && !(options_ & dgRowSelect)) {
        WideChar k = ch;
        KeyPress(k);
        if (k == ' ') c->SetNextFieldValue((GetKeyState(VK_SHIFT) < 0) ? -1 : 1);
        return;
    }
    if (searchKeys && (ch == 8 || ch >= 32) && browsing()) {
        WideChar k = ch;
        KeyPress(k);
        return;
    }
    if (ViewScroll() && (ch == '*' || ch == '+' || ch == '-')) {
        WideChar k = ch;
        KeyPress(k);
        return;
    }
    // The base grid opens the editor with the character when editing is allowed.
    baseCharPath_ = true;
    try {
        TCustomGrid::WMChar(m);
    } catch (...) {
        baseCharPath_ = false;
        throw;
    }
    baseCharPath_ = false;
}

void TCustomDBGridGx::KeyPress(WideChar& key) {
    if ((optionsGx_ & dghEnterAsTab) && key == '\r') key = '\t';
    if (!(options_ & dgAlwaysShowEditor) && key == '\r') dataLink_->UpdateData();
    if (baseCharPath_) {
        TCustomGrid::KeyPress(key);
    } else {
        // The key press alone: OnKeyPress, and Enter toggling the editor.
        const bool fromEditor = InplaceEditor() && InplaceEditor()->Visible();
        TWinControl::KeyPress(key);
        if (key == '\r' && !(options_ & dgAlwaysShowEditor)) {
            SetEditorMode(!EditorMode());
            if (!fromEditor) key = 0;
        }
    }
    const bool searchKeys = InplaceSearching() ||
                            ((optionsGx_ & dghIncSearch) && !CanEditModifyColumn(RawToDataColumn(Col()))) ||
                            ((optionsGx_ & dghPreferIncSearch) && !(options_ & dgAlwaysShowEditor) &&
                             !(InplaceEditor() && InplaceEditor()->Visible()));
    if (searchKeys && key >= 32 && dataLink_->Active()) {
        const TDataSetState st = dataLink_->DataSet()->State();
        if (st != dsEdit && st != dsInsert && st != dsSetKey) {
            const int timeOut = InplaceSearching() ? InplaceSearchTimeOut() : DBGridGxInplaceSearchTimeOut;
            StartInplaceSearch(completeKeyPress_.IsEmpty() ? CharToText(key) : completeKeyPress_, timeOut,
                               inpsFromFirstGx);
            key = 0;
        }
    }
}

void TCustomDBGridGx::KeyUp(WORD& key, TShiftState shift) {
    if (key == VK_CONTROL && pendingSortMarking_) {
        pendingSortMarking_ = false;
        DoSortMarkingChanged();
    }
    TCustomGrid::KeyUp(key, shift);
}

void TCustomDBGridGx::WMGetDlgCode(TMessage& m) {
    TCustomGrid::WMGetDlgCode(m);
    if (optionsGx_ & dghPreferIncSearch) m.Result |= DLGC_WANTCHARS;
}

void TCustomDBGridGx::ShowFilterEditorChar(WideChar ch) {
    UpdateFilterEdit(true);
    TWinControl* editor = FilterEditor();
    if (editor && editor->Visible()) PostMessage(editor, WM_CHAR, static_cast<WPARAM>(ch), 0);
}

// ==== Column moves =======================================================================================

void TCustomDBGridGx::MoveCol(int rawCol, int direction, bool select) {
    const bool rectSelect = select && !(options_ & dgRowSelect) && CanSelectType(gstRectangle);
    if (rectSelect && SelectionType() != gstRectangle) {
        SelectionClear();
        SelectionRectSelect(RawToDataColumn(Col()), dataLink_->Active() ? dataLink_->DataSet()->Bookmark() : AnsiString(),
                            false);
    }
    dataLink_->UpdateData();
    rawCol = std::clamp(rawCol, indicatorOffset_, ColCount() - 1);
    if (direction != 0) {
        while (rawCol >= indicatorOffset_ && rawCol < ColCount() && ColWidths(rawCol) < 1) rawCol += direction;
        if (rawCol < indicatorOffset_ || rawCol >= ColCount()) return;
    }
    if (rawCol != Col()) {
        if (!inColExit_) {
            const int before = Col();
            inColExit_ = true;
            try {
                ColExit();
            } catch (...) {
                inColExit_ = false;
                throw;
            }
            inColExit_ = false;
            if (Col() != before) return;
        }
        if (!(options_ & dgAlwaysShowEditor)) HideEditor();
        if (!(options_ & dgRowSelect)) TCustomGrid::SetCol(rawCol);
        if (!isCheckColumn(rawCol) && (options_ & dgAlwaysShowEditor) && !FilterEditMode()) ShowEditor();
        ColEnter();
    }
    if (rectSelect)
        SelectionRectSelect(RawToDataColumn(Col()), dataLink_->Active() ? dataLink_->DataSet()->Bookmark() : AnsiString(),
                            true);
    StopInplaceSearch();
}
