// The cell editor's drop-downs: opening the list of the edit style under the editor, the keys that
// open, close and steer it, the pointer dragged from the main button into it, closing it with the
// write-back of the choice, and the most-recently-used list.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"

#include <algorithm>

int PickListTextIndex(const TStrings* list, const AnsiString& text);

// ---- Opening ---------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::DropDown() {
    if (listVisible_ || !activeList_) return;
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c) return;
    TField* f = c->Field();
    activeList_->SetWidth(Width());
    if (activeList_ == dataList_) {
        // The lookup list fills itself from the column's lookup dataset (none: nothing opens).
        if (!c->UsedLookupDataSet()) return;
        lookupSource_->SetDataSet(c->UsedLookupDataSet());
        DataListDropDown(dataList_);
        listColumnsMoved_ = false;
    } else if (activeList_ == calendar_) {
        calendar_->SetColor(Color());
        calendar_->Font()->Assign(Font());
        TDateTime d = Date();
        if (!Text().IsEmpty()) {
            try {
                d = StrToDate(Text());
            } catch (const Exception&) {
                // A text that is no date opens on the field's date, else today.
                d = f && f->AsDateTime() != 0 ? f->AsDateTime() : Date();
            }
        }
        calendar_->SetDate(d);
        const TRect r = calendar_->MinReqRect();
        calendar_->SetBounds(calendar_->Left(), calendar_->Top(), r.Width(), r.Height());
    } else if (activeList_ == calculator_) {
        CalculatorDropDown(calculator_);
        HideCaret(Handle());
        SetSelLength(0);
    } else if (activeList_ == pickList_) {
        pickList_->SetColor(Color());
        pickList_->Font()->Assign(Font());
        pickList_->SetItemHeight(pickList_->GetTextHeight());
        TStrings* picks = c->PickList();
        const TStrings* keys = c->KeyListIfAny();
        const bool keyed = keys && keys->Count() > 0;
        TStrings* items = pickList_->Items();
        items->BeginUpdate();
        items->Clear();
        if (keyed) {
            const int n = std::min(keys->Count(), picks->Count());
            for (int i = 0; i < n; ++i) items->AddObject(picks->Strings(i), picks->Objects(i));
        } else {
            items->Assign(picks);
        }
        items->EndUpdate();
        const int ih = pickList_->ItemHeight();
        const int rows = static_cast<int>(c->DropDownRows());
        const int count = items->Count();
        pickList_->SetHeight(count < rows ? count * ih + 4 : ih * rows + 4);
        if (f && f->IsNull()) pickList_->SetItemIndex(-1);
        else pickList_->SetItemIndex(keyed ? picks->IndexOf(Text()) : items->IndexOf(Text()));
        canvas_->Font()->Assign(pickList_->Font());
        int widest = 0;
        for (int i = 0; i < count; ++i) widest = std::max(widest, canvas_->TextWidth(items->Strings(i)));
        pickList_->SetClientWidth(std::max(pickList_->ClientWidth(), widest) + 4);
    }
    if (MRUDroppedDown()) MRUList()->CloseUp(false);
    const TPoint p = AlignDropDownWindow(this, activeList_, c->DropDownBox()->Align());
    activeList_->SetBounds(p.x, p.y, activeList_->Width(), activeList_->Height());
    activeList_->SetVisible(true);
    ShowWindow(activeList_->Handle(), SW_SHOWNOACTIVATE);
    if (activeList_ == pickList_) {
        if (pickList_->SizeGrip()) pickList_->SizeGrip()->SetVisible(c->DropDownSizing());
        pickList_->SetResizedBySizeGrip(false);
    }
    listVisible_ = true;
    Invalidate();
    if (CanFocus() && !Focused() && Parent() && Parent()->Focused()) SetFocus();
    if (!buttons_.empty()) buttons_[0].EditButtonControl->SetAlwaysDown(true);
    droppedDown_ = true;
}

// ---- Closing ------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::CloseUp(bool accept) {
    Variant value = Null();
    if (activeList_ && (activeList_->Focused() || activeList_->ContainsControl(FindControl(GetFocus()))) &&
        CanFocus())
        SetFocus();
    if (!listVisible_) return;
    if (!buttons_.empty()) buttons_[0].EditButtonControl->SetAlwaysDown(false);
    if (LockCloseList) return;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    TWinControl* list = activeList_;
    if (list == dataList_) {
        value = DataListKeyValue(list);
    } else if (list == pickList_) {
        const int i = pickList_->ItemIndex();
        if (i >= 0 && c) {
            const TStrings* keys = c->KeyListIfAny();
            value = keys && keys->Count() > 0 ? (i < keys->Count() ? Variant(keys->Strings(i)) : Null())
                                              : Variant(pickList_->Items()->Strings(i));
        }
        if (pickList_->ResizedBySizeGrip() && c) {
            // The size the user gave the list is the column's from now on (the rows its items
            // fill inside the border).
            c->SetDropDownRows(static_cast<unsigned>(pickList_->RowCount()));
            c->SetDropDownWidth(pickList_->Width());
        }
    }
    ShowWindow(list->Handle(), SW_HIDE);
    list->SetVisible(false);
    droppedDown_ = false;
    listVisible_ = false;
    if (list == dataList_) DataListCloseUp(list);
    lookupSource_->SetDataSet(nullptr);
    Invalidate();
    ShowCaret(Handle());
    if (!g || !c) return;
    if (!accept) {
        if (list == dataList_ || list == pickList_) setCodeText(g->EditText());
        return;
    }
    TField* f = c->Field();
    if (list == dataList_) {
        std::vector<TField*> keys;
        if (f && f->DataSet()) f->DataSet()->GetFieldList(keys, f->KeyFields());
        if (!f || keys.empty() || !AllFieldsCanModify(keys)) return;
        const AnsiString chosen = DataListSelectedText(list);
        try {
            // Asking whether the cell may change already puts the dataset into edit state.
            if (!g->CanEditModifyText() || !c->CanModify(true)) return;
            f->DataSet()->Edit();
            if (g->DataLink()->Editing()) {
                g->DataLink()->Modified();
                g->SetEditKeyValue(value);
                g->SetEditTextValue(chosen);
            }
        } catch (const Exception&) {
            // The blank marks the text as one the field did not take.
            setCodeText(f->Text() + " ");
            throw;
        }
        setCodeText(chosen);
        SelectAll();
    } else if (list == calendar_) {
        if (c->CanModify(true) && g->CanEditModifyText()) {
            const TDateTime d = calendar_->Date();
            f->DataSet()->Edit();
            c->UpdateDataValues(DateToStr(d), Variant(d), false);
        }
    } else if (list == calculator_) {
        Variant v;
        if (c->CanModify(true) && g->CanEditModifyText() && CalculatorValue(list, v)) {
            const TVarType t = v.Type();
            if (t >= varSmallint && t <= varCurrency) {
                const AnsiString text = FloatToStr(v.AsDouble());
                setCodeText(text);
                g->SetEditTextValue(text);
                SelectAll();
            }
        }
    } else if (!VarIsNull(value) && g->CanEditModifyText()) {
        const TStrings* keys = c->KeyListIfAny();
        if (keys && keys->Count() > 0 && pickList_ && pickList_->ItemIndex() >= 0) {
            setCodeText(pickList_->Items()->Strings(pickList_->ItemIndex()));
        } else {
            setCodeText(VarToStr(value));
        }
        g->SetEditTextValue(Text());
        UpdateImageIndex();
    }
}

// ---- Keys while a list is open ---------------------------------------------------------------------------

void TDBGridInplaceEdit::ProcessDropDownKey(WORD& key, TShiftState shift) {
    if (key == VK_RETURN || key == VK_ESCAPE) {
        if (listVisible_ && !(shift & ssAlt) && !(calculator_ && activeList_ == calculator_)) {
            CloseUp(key == VK_RETURN);
            key = 0;
        } else if (!listVisible_ && key == VK_RETURN && (shift & (ssShift | ssCtrl | ssAlt)) == ssCtrl) {
            DropDown();
            key = 0;
        }
        return;
    }
    if ((key == VK_UP || key == VK_DOWN) && (shift & ssAlt)) {
        if (listVisible_) CloseUp(true);
        else DropDown();
        key = 0;
    }
}

// ---- Pointer ---------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft || !pickList_) return;
    CloseUp(PtInRect(pickList_->ClientRect(), TPoint(x, y)));
}

void TDBGridInplaceEdit::ListMouseCloseUp(TObject*, bool accept) { CloseUp(accept); }

bool TDBGridInplaceEdit::TraceMouseMoveForPopupListbox(TObject* sender, TShiftState, int x, int y) {
    auto* b = dynamic_cast<TControl*>(sender);
    if (!listVisible_ || !activeList_ || !b || Mouse->Capture() != b) return false;
    const TPoint lp = activeList_->ScreenToClient(b->ClientToScreen(TPoint(x, y)));
    if (!PtInRect(activeList_->ClientRect(), lp)) return false;
    // A press on the button dragged into the list starts choosing there.
    b->Perform(WM_CANCELMODE);
    activeList_->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lp.x, lp.y));
    return true;
}

// ---- MRU list ---------------------------------------------------------------------------------------------------

TMRUListboxGx* TDBGridInplaceEdit::CreateMRUListControl() {
    auto* l = new TMRUListboxGx(this);
    l->SetVisible(false);
    l->SetCtl3D(false);
    l->SetParentCtl3D(false);
    l->SetSorted(true);
    l->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::MRUListControlMouseUp);
    return l;
}

TMRUListboxGx* TDBGridInplaceEdit::GetMRUListControl() {
    if (!mruListControl_) {
        mruListControl_ = CreateMRUListControl();
        mruListControl_->SetParent(this);
        ShowWindow(mruListControl_->Handle(), SW_HIDE);
    }
    return mruListControl_;
}

void TDBGridInplaceEdit::MRUListDropDown(TObject*) {
    TMRUListGx* mru = MRUList();
    if (!mru) return;
    TMRUListboxGx* list = GetMRUListControl();
    if (!mru->FilterItemsTo(list->Items(), EditText())) mru->CloseUp(false);
    const int count = list->Items()->Count();
    const int rows = count < mru->Rows() ? count : mru->Rows();
    const TRect fr = formatRect();
    const TPoint tl = ClientToScreen(TPoint(fr.Left, 0));
    const TRect master(tl.x, tl.y, tl.x + fr.Width(), tl.y + Height());
    if (mru->IsDroppedDown) {
        if (count == 0) {
            mru->CloseUp(false);
            return;
        }
        const bool resized = list->ResizedBySizeGrip();
        list->SetRowCount(rows);
        const TPoint p = AlignDropDownWindowRect(master, list, daLeft);
        list->SetBounds(p.x, p.y, list->Width(), list->Height());
        ShowWindow(list->Handle(), SW_SHOWNOACTIVATE);
        list->SetResizedBySizeGrip(resized);
        return;
    }
    if (count == 0) return;
    list->SetColor(Color());
    list->Font()->Assign(Font());
    list->SetItemHeight(list->GetTextHeight());
    list->SetItemIndex(-1);
    list->SetRowCount(std::min(rows, count));
    list->SetWidth(mru->DropDownWidth > 0 && mru->DropDownWidth > fr.Width() ? mru->DropDownWidth : fr.Width());
    const TPoint p = AlignDropDownWindowRect(master, list, daLeft);
    list->SetBounds(p.x, p.y, list->Width(), list->Height());
    list->SetVisible(true);
    ShowWindow(list->Handle(), SW_SHOWNOACTIVATE);
    if (list->SizeGrip()) list->SizeGrip()->SetVisible(true);
    list->UpdateScrollBar();
    mru->IsDroppedDown = true;
    list->SetResizedBySizeGrip(false);
    if (list->SizeGrip())
        list->SizeGrip()->OnParentResized = TNotifyEvent(this, &TDBGridInplaceEdit::MRUListControlResized);
}

void TDBGridInplaceEdit::MRUListCloseUp(TObject*, bool accept) {
    TMRUListGx* mru = MRUList();
    if (!mru || !mru->IsDroppedDown || !mruListControl_) return;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    const bool hadFocus = mruListControl_->Focused();
    ShowWindow(mruListControl_->Handle(), SW_HIDE);
    mruListControl_->SetVisible(false);
    if (hadFocus && CanFocus()) SetFocus();
    mru->IsDroppedDown = false;
    TCustomDBGridGx* g = DBGrid();
    if (!accept || ReadOnly() || !g || !g->DataLink()->Edit()) return;
    const int i = mruListControl_->ItemIndex();
    if (i >= 0) {
        setCodeText(mruListControl_->Items()->Strings(i));
        g->SetEditTextValue(Text());
    }
    if (Focused()) SelectAll();
}

void TDBGridInplaceEdit::MRUListControlMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft || !mruListControl_ || !MRUList()) return;
    MRUList()->CloseUp(PtInRect(mruListControl_->ClientRect(), TPoint(x, y)));
}

void TDBGridInplaceEdit::MRUListControlResized(TObject*) {
    TMRUListGx* mru = MRUList();
    if (!mru || !mru->IsDroppedDown || !mruListControl_) return;
    mru->SetRows(mruListControl_->RowCount());
    mru->DropDownWidth = mruListControl_->Width();
}

void TDBGridInplaceEdit::FilterMRUItem(const AnsiString& text, bool& accept) {
    TMRUListGx* mru = MRUList();
    const AnsiString own = Text();
    const int n = CharCount(own);
    const bool cs = mru && mru->CaseSensitive();
    accept = CharCount(text) >= n && (cs ? AnsiStrLComp(text, own, n) == 0 : AnsiStrLIComp(text, own, n) == 0);
    if (mru && mru->OnFilterMRUItem) mru->OnFilterMRUItem(Column(), accept);
}
