// The combo box editor: text mode (free text completed from Items) and key mode (Items stand for
// the keys of KeyItems), stepping, typing and searching, and its drop-down list.
#include "gridlib/editors/DBCtrlsGx.h"

#include "gui/Clipbrd.h"
#include "gui/WinApi.h"
#include "rtl/MaskUtils.h"

namespace {
// The first n characters of a text.
AnsiString leftChars(const AnsiString& s, int n) {
    std::string out;
    int i = 0;
    for (const std::string& c : Utf8Chars(s.str())) {
        if (i++ >= n) break;
        out += c;
    }
    return AnsiString(out);
}

const bool comboPropertiesRegistered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer"), boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo align = EnumTypeInfo("TDropDownAlign", {"daLeft", "daRight", "daCenter"});
    RegisterPublishedProperties(
        TDropDownBoxGx::StaticClass(),
        {MakeProperty<TDropDownBoxGx>("Align", align, &TDropDownBoxGx::Align, &TDropDownBoxGx::SetAlign, daLeft),
         MakeProperty<TDropDownBoxGx>("AutoDrop", boolean, &TDropDownBoxGx::AutoDrop, &TDropDownBoxGx::SetAutoDrop, 0),
         MakeProperty<TDropDownBoxGx>("Rows", integer, &TDropDownBoxGx::Rows, &TDropDownBoxGx::SetRows, 7),
         MakeProperty<TDropDownBoxGx>("Sizable", boolean, &TDropDownBoxGx::Sizable, &TDropDownBoxGx::SetSizable, 0),
         MakeProperty<TDropDownBoxGx>("Width", integer, &TDropDownBoxGx::Width, &TDropDownBoxGx::SetWidth, 0)});
    return true;
}();
}  // namespace

// ---- TDropDownBoxGx ---------------------------------------------------------------------------------------

void TDropDownBoxGx::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TDropDownBoxGx*>(source)) {
        align_ = s->align_;
        rows_ = s->rows_;
        width_ = s->width_;
        sizable_ = s->sizable_;
        return;
    }
    TPersistent::Assign(source);
}

// ---- Construction -----------------------------------------------------------------------------------------

TCustomDBComboBoxGx::TCustomDBComboBoxGx(TComponent* owner) : TCustomDBEditGx(owner) {
    dropDownBox_ = std::make_unique<TDropDownBoxGx>(this);
    items_ = std::make_unique<TStringList>();
    items_->SetCaseSensitive(false);
    items_->OnChange = TNotifyEvent(this, &TCustomDBComboBoxGx::ItemsChanged);
    keyItems_ = std::make_unique<TStringListGx>();
    keyItems_->SetCaseSensitive(true);
    keyItems_->OnChange = TNotifyEvent(this, &TCustomDBComboBoxGx::KeyItemsChanged);
    SetEditButtonObject(CreateEditButton());
    UpdateItems();
}

TCustomDBComboBoxGx::~TCustomDBComboBoxGx() {
    Destroying_();
    if (items_) items_->OnChange = TNotifyEvent();
    if (keyItems_) keyItems_->OnChange = TNotifyEvent();
    if (popupListbox_) popupListbox_->SetExtItems(nullptr);
}

std::unique_ptr<TEditButtonGx> TCustomDBComboBoxGx::CreateEditButton() {
    auto b = std::make_unique<TVisibleEditButtonGx>(static_cast<TWinControl*>(this));
    b->SetStyle(ebsDropDownGx);
    return b;
}

TPopupListboxGx* TCustomDBComboBoxGx::GetPopupListbox() {
    if (!popupListbox_) {
        popupListbox_ = new TPopupListboxGx(this);
        popupListbox_->SetVisible(false);
        popupListbox_->SetCtl3D(true);
        popupListbox_->SetParent(this);
        ShowWindow(popupListbox_->Handle(), SW_HIDE);
        popupListbox_->OnMouseUp = TMouseEvent(this, &TCustomDBComboBoxGx::ListMouseUp);
        popupListbox_->OnGetItemImageIndex =
            TListGetImageIndexEventGx(this, &TCustomDBComboBoxGx::PopupListboxGetImageIndex);
    }
    return popupListbox_;
}

// ---- Lists and modes ----------------------------------------------------------------------------------------

void TCustomDBComboBoxGx::UpdateItems() {
    itemsCount_ = items_->Count();
    keyMode_ = keyItems_->Count() > 0;
    if (keyMode_) {
        itemsCount_ = std::min(items_->Count(), keyItems_->Count());
        TControl::SetText(AnsiString());
    }
    UpdateControlReadOnly();
}

void TCustomDBComboBoxGx::ItemsChanged(TObject*) {
    UpdateItems();
    // The key keeps its text: the list may have been filled only now (at drop-down).
    if (keyMode_) InternalSetValue(currentKey_);
    UpdateItemIndex();
    ResetMaxLength();
}

void TCustomDBComboBoxGx::KeyItemsChanged(TObject*) {
    UpdateItems();
    UpdateItemIndex();
    ResetMaxLength();
    DataChange(this);
}

void TCustomDBComboBoxGx::UpdateItemIndex() {
    itemIndex_ = items_->IndexOf(GetText());
    if (itemIndex_ >= itemsCount_) itemIndex_ = -1;
    if (listVisible_ && popupListbox_) popupListbox_->SetItemIndex(itemIndex_);
    UpdateImageIndex();
}

void TCustomDBComboBoxGx::ResetMaxLength() {
    if (MaxLength() <= 0) return;
    if (keyMode_) SetMaxLength(0);
    else TCustomDBEditGx::ResetMaxLength();
}

AnsiString TCustomDBComboBoxGx::ConvertDataText(const AnsiString& text) {
    if (!keyMode_) return text;
    const int i = keyItems_->IndexOf(text);
    return i >= 0 && i < itemsCount_ ? items_->Get(i) : AnsiString();
}

void TCustomDBComboBoxGx::GetItemsList() {
    if (items_->Count() == 0 && OnListGetItems) OnListGetItems(this);
}

// ---- Item and value -------------------------------------------------------------------------------------

void TCustomDBComboBoxGx::InternalSetItemIndex(int index) {
    if (index == itemIndex_) return;
    GetItemsList();
    if (index >= 0 && index < itemsCount_) {
        itemIndex_ = index;
        if (keyMode_) currentKey_ = Variant(keyItems_->Get(index));
    } else {
        itemIndex_ = -1;
        currentKey_ = Null();
    }
    UpdateImageIndex();
    if (listVisible_ && popupListbox_) popupListbox_->SetItemIndex(itemIndex_);
    const int kept = itemIndex_;
    TControl::SetText(itemIndex_ >= 0 ? items_->Get(itemIndex_) : AnsiString());
    itemIndex_ = kept;
}

void TCustomDBComboBoxGx::SetItemIndex(int index) {
    RunTextProtocol([&] { InternalSetItemIndex(index); });
}

void TCustomDBComboBoxGx::InternalSetText(const AnsiString& text) {
    if (keyMode_) {
        const int i = items_->IndexOf(text);
        if (i < 0 || i >= itemsCount_) return;
        itemIndex_ = i;
        UpdateImageIndex();
        if (listVisible_ && popupListbox_) popupListbox_->SetItemIndex(i);
        currentKey_ = Variant(keyItems_->Get(i));
        TCustomDBEditGx::InternalSetText(text);
        itemIndex_ = i;
        return;
    }
    TCustomDBEditGx::InternalSetText(text);
    UpdateItemIndex();
}

void TCustomDBComboBoxGx::InternalSetValue(const Variant& value) {
    if (!keyMode_) {
        TCustomDBEditGx::InternalSetValue(value);
        UpdateItemIndex();
        return;
    }
    currentKey_ = value;
    int index = -1;
    AnsiString text;
    if (!VarIsNull(value)) {
        const int i = keyItems_->IndexOf(SafeVarToStr(value));
        if (i >= 0 && i < itemsCount_) {
            index = i;
            text = items_->Get(i);
        }
    }
    TControl::SetText(text);
    itemIndex_ = index;
    UpdateImageIndex();
    if (listVisible_ && popupListbox_) popupListbox_->SetItemIndex(itemIndex_);
}

Variant TCustomDBComboBoxGx::GetVariantValue() const { return keyMode_ ? currentKey_ : Variant(GetText()); }

void TCustomDBComboBoxGx::DataChanged() {
    TField* f = GetField();
    if (f) {
        if (f->Alignment() != fieldAlignment_) {
            fieldAlignment_ = f->Alignment();
            Invalidate();
        }
        if (!IsEditMaskAssigned()) SetControlEditMask(f->EditMask());
        if (!keyMode_ && !(ComponentState() & csDesigning) &&
            (f->DataType() == ftString || f->DataType() == ftWideString) && MaxLength() == 0)
            SetMaxLength(f->Size());
        if ((FocusedFlag() && FieldDataLink()->GetCanModify()) || keyMode_)
            InternalSetValue(f->IsNull() && keyMode_ ? Null() : Variant(f->Text()));
        else
            SetEditText(f->DisplayText());
    } else if (DataIndepended()) {
        if (!IsEditMaskAssigned()) SetControlEditMask(AnsiString());
        if (keyMode_) InternalSetValue(FieldDataLink()->LocalValue);
        else SetEditText(SafeVarToStr(FieldDataLink()->LocalValue));
    } else {
        if (!IsEditMaskAssigned()) SetControlEditMask(AnsiString());
        SetEditText(AnsiString());
    }
    SetModified(false);
}

void TCustomDBComboBoxGx::InternalUpdatePostData() {
    if (keyMode_ && DataIndepended()) {
        // A Null key stays Null.
        FieldDataLink()->SetValue(VarIsNull(currentKey_) ? Null() : Variant(SafeVarToStr(currentKey_)));
        return;
    }
    if (!DataIndepended() || keyMode_) FieldDataLink()->SetText(SafeVarToStr(GetValue()));
    else FieldDataLink()->SetText(EditText());
}

void TCustomDBComboBoxGx::UpdateData() {
    if (OnNotInList && itemIndex_ == -1) {
        bool recheck = false;
        OnNotInList(this, EditText(), recheck);
        if (recheck) UpdateItemIndex();
    }
    TCustomDBEditGx::UpdateData();
}

void TCustomDBComboBoxGx::Clear() {
    if (keyMode_) SetValue(Null());
    else TCustomDBEditGx::Clear();
}

void TCustomDBComboBoxGx::UpdateControlReadOnly() {
    SetControlReadOnly(!FieldDataLink()->Editing() || ReadOnly() || keyMode_);
}

TAlignment TCustomDBComboBoxGx::DefaultAlignment() {
    return keyMode_ ? taLeftJustify : TCustomDBEditGx::DefaultAlignment();
}

bool TCustomDBComboBoxGx::IsValidChar(WideChar key) { return keyMode_ || TCustomDBEditGx::IsValidChar(key); }

AnsiString TCustomDBComboBoxGx::GetDisplayTextForPaintCopy() {
    TField* f = GetField();
    if (keyMode_ && (ControlState() & csPaintCopy) && f) {
        AnsiString t = ConvertDataText(f->Text());
        if (CharCase() == ecUpperCase) t = AnsiUpperCase(t);
        else if (CharCase() == ecLowerCase) t = AnsiLowerCase(t);
        return t;
    }
    return TCustomDBEditGx::GetDisplayTextForPaintCopy();
}

void TCustomDBComboBoxGx::UpdateImageIndex() {
    itemImageIndex_ = itemIndex_;
    OnGetItemImageIndex(this, itemIndex_, itemImageIndex_);
    TCustomDBEditGx::UpdateImageIndex();
}

void TCustomDBComboBoxGx::PopupListboxGetImageIndex(TObject*, int itemIndex, int& imageIndex) {
    OnGetItemImageIndex(this, itemIndex, imageIndex);
}

// ---- Stepping, searching and typing ------------------------------------------------------------------------

void TCustomDBComboBoxGx::SelectNextValue(bool up) {
    if (!EditCanModify()) return;
    const int old = itemIndex_;
    int n = old;
    if (up) {
        if (n > 0) --n;
        else if (n == -1) n = itemsCount_ - 1;
    } else if (n < itemsCount_ - 1) {
        ++n;
    }
    if (n == old) return;
    InternalSetItemIndex(n);
    SelectAll();
}

bool TCustomDBComboBoxGx::LocateStr(const AnsiString& str, bool partialKey) {
    if (!EditCanModify()) return false;
    const int old = itemIndex_;
    try {
        const int n = CharCount(str);
        int found = -1;
        for (int i = 0; i < itemsCount_ && found < 0; ++i) {
            const AnsiString e = items_->Get(i);
            if (partialKey ? CharCount(e) >= n && AnsiStrLIComp(e, str, n) == 0 : AnsiCompareText(e, str) == 0) found = i;
        }
        if (found >= 0) {
            InternalSetItemIndex(found);
            const int len = CharCount(GetText());
            SetSelStart(n);
            SetSelLength(len - n);
        } else if (!keyMode_) {
            itemIndex_ = -1;
            UpdateImageIndex();
        }
    } catch (...) {
        itemIndex_ = old;
    }
    return itemIndex_ != old;
}

void TCustomDBComboBoxGx::ProcessSearchStr(const AnsiString& str) {
    if (!DataIndepended() && !GetField()) return;
    if (!EditCanModify()) return;
    const int len = CharCount(GetText());
    if (str == "\b") {
        if (SelLength() == len) {
            SetSelStart(std::max(0, len - 1));
            SetSelLength(len > 0 ? 1 : 0);
        } else {
            const int start = std::max(0, SelStart() - 1);
            SetSelStart(start);
            SetSelLength(len - start);
        }
        return;
    }
    const AnsiString search = leftChars(GetText(), SelStart()) + str;
    GetItemsList();
    LocateStr(search, true);
}

void TCustomDBComboBoxGx::KeyDown(WORD& key, TShiftState shift) {
    TCustomDBEditGx::KeyDown(key, shift);
    if (key == 0) return;
    if ((key == VK_UP || key == VK_DOWN) && !(shift & ssAlt) && !ReadOnly() && !listVisible_) {
        if (WordWrap() && SelLength() != CharCount(GetText())) return;
        if (!EditCanModify()) return;
        SelectNextValue(key == VK_UP);
        key = 0;
        return;
    }
    if (key == VK_DELETE && keyMode_) {
        TField* f = GetField();
        if ((DataIndepended() || !f || !f->Required()) && !ReadOnly() && EditCanModify()) InternalSetValue(Null());
        key = 0;
    }
}

void TCustomDBComboBoxGx::KeyPress(WideChar& key) {
    if (listVisible_ && (key == '\r' || key == 27)) {
        CloseUp(key == '\r');
        key = 0;
        return;
    }
    TCustomDBEditGx::KeyPress(key);
    if (key == 0) return;
    if (key == 8 && keyMode_ && !ReadOnly()) {
        ProcessSearchStr("\b");
        key = 0;
        return;
    }
    if (key >= 32) {
        if (dropDownBox_->AutoDrop() && !listVisible_) DropDown();
        if (keyMode_ && !ReadOnly()) {
            AnsiString ch = GetCompleteKeyPress();
            if (ch.IsEmpty()) ch = CharToText(key);
            ProcessSearchStr(ch);
            key = 0;
        }
    }
}

void TCustomDBComboBoxGx::WMChar(TMessage& m) {
    TCustomDBEditGx::WMChar(m);
    const auto ch = static_cast<WideChar>(m.WParam);
    // The typed character reaches the text after this message: completion follows the change.
    pendingChar_ = ch != 0 && !keyMode_ && ch != 46 && !(CurrentShiftState() & ssCtrl) ? ch : 0;
}

void TCustomDBComboBoxGx::Change() {
    TCustomDBEditGx::Change();
    UpdateItemIndex();
    const WideChar ch = pendingChar_;
    pendingChar_ = 0;
    if (ch == 0 || settingText_ || keyMode_) return;
    const int len = CharCount(GetText());
    if (SelStart() == len && SelLength() == 0 && ch != 8) {
        ProcessSearchStr(AnsiString());
    } else {
        const int caret = SelStart();
        if (LocateStr(GetText(), false)) {
            const int n = CharCount(GetText());
            SetSelStart(caret);
            SetSelLength(n - caret);
        }
    }
}

bool TCustomDBComboBoxGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    SelectNextValue(false);
    return true;
}

bool TCustomDBComboBoxGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    SelectNextValue(true);
    return true;
}

// ---- Mouse -----------------------------------------------------------------------------------------------

void TCustomDBComboBoxGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (keyMode_ && button == mbLeft && !(shift & ssDouble) && ButtonEnabled() && !listVisible_ &&
        !PtInRect(ButtonRect(), TPoint(x, y))) {
        if (!Focused() && CanFocus()) SetFocus();
        suppressClickCloseUp_ = true;
        DropDown();
    }
    TCustomDBEditGx::MouseDown(button, shift, x, y);
}

void TCustomDBComboBoxGx::Click() {
    TCustomDBEditGx::Click();
    if (!keyMode_) return;
    if (listVisible_ && !suppressClickCloseUp_) CloseUp(false);
    suppressClickCloseUp_ = false;
}

void TCustomDBComboBoxGx::WMSetCursor(TMessage& m) {
    if (keyMode_) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::WMSetCursor(m);
}

void TCustomDBComboBoxGx::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
    TCustomDBEditGx::EditButtonMouseMove(sender, shift, x, y);
    dragIntoList(dynamic_cast<TControl*>(sender), x, y);
}

void TCustomDBComboBoxGx::MouseMove(TShiftState shift, int x, int y) {
    TCustomDBEditGx::MouseMove(shift, x, y);
    dragIntoList(this, x, y);
}

void TCustomDBComboBoxGx::dragIntoList(TControl* c, int x, int y) {
    if (!listVisible_ || !popupListbox_ || !c || Mouse->Capture() != c) return;
    const TPoint p = c->ClientToScreen(TPoint(x, y));
    if (!PtInRect(popupListbox_->BoundsRect(), p)) return;
    // Dragging from the button or the text into the list selects in the list.
    c->Perform(WM_CANCELMODE);
    Mouse->SetCapture(nullptr);
    TPopupListboxGx* list = popupListbox_;
    const TPoint lp = list->ScreenToClient(p);
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lp.x, lp.y));
    // As a list box does at a press of its own: the row under the pointer is chosen, and the list
    // holds the mouse until the release, which closes it.
    const int row = list->ItemAtPos(lp, true);
    if (row >= 0) list->SetItemIndex(row);
    SetCapture(list->Handle());
}

void TCustomDBComboBoxGx::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft || !popupListbox_) return;
    CloseUp(PtInRect(popupListbox_->ClientRect(), TPoint(x, y)));
}

// ---- Drop-down ---------------------------------------------------------------------------------------------

void TCustomDBComboBoxGx::ButtonDown(bool isDownButton) {
    if (EditButton()->Style() == ebsUpDownGx) {
        SelectNextValue(!isDownButton);
        return;
    }
    TCustomDBEditGx::ButtonDown(isDownButton);
}

void TCustomDBComboBoxGx::DropDown() {
    if (listVisible_) return;
    TCustomDBEditGx::DropDown();
    OnDropDown(this);
    TPopupListboxGx* list = GetPopupListbox();
    GetItemsList();
    list->SetColor(Color());
    list->Font()->Assign(Font());
    TCustomImageList* images = GetImages();
    list->SetImageList(images);
    int itemHeight = list->GetTextHeight();
    if (images && EditImage()->UseImageHeight() && itemHeight <= images->Height()) itemHeight = images->Height();
    list->SetItemHeight(itemHeight);
    list->SetExtItems(items_.get());
    list->SetCount(itemsCount_);
    list->SetItemIndex(itemIndex_);
    int width = 0;
    if (dropDownBox_->Width() == -1) {
        TCanvas* c = GetScreenDC();
        TFont saved;
        saved.Assign(c->Font());
        c->Font()->Assign(Font());
        int widest = 0;
        for (int i = 0; i < itemsCount_; ++i) widest = std::max(widest, c->TextWidth(items_->Get(i)));
        c->Font()->Assign(&saved);
        width = widest + 5;
        if (images) width += images->Width() + 4;
        width += list->GetBorderSize() + (itemsCount_ > dropDownBox_->Rows() ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    } else if (dropDownBox_->Width() < 1) {
        width = Width();
    } else {
        width = dropDownBox_->Width();
    }
    width = std::max(width, Width());
    list->SetWidth(width);
    list->SetRowCount(std::min(dropDownBox_->Rows(), std::max(1, itemsCount_)));
    const TPoint p = AlignDropDownWindow(this, list, dropDownBox_->Align());
    list->SetBounds(p.x, p.y, list->Width(), list->Height());
    list->SetVisible(true);
    ShowWindow(list->Handle(), SW_SHOWNOACTIVATE);
    if (list->SizeGrip()) list->SizeGrip()->SetVisible(dropDownBox_->Sizable());
    listVisible_ = true;
    isDroppedDown_ = true;
    list->SetResizedBySizeGrip(false);
}

void TCustomDBComboBoxGx::CloseUp(bool accept) {
    if (!listVisible_ || !popupListbox_) return;
    TPopupListboxGx* list = popupListbox_;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    ShowWindow(list->Handle(), SW_HIDE);
    list->SetVisible(false);
    if (list->ResizedBySizeGrip()) {
        dropDownBox_->SetRows(list->RowCount());
        dropDownBox_->SetWidth(list->Width());
    }
    if (list->Focused() && CanFocus()) SetFocus();
    listVisible_ = false;
    TCustomDBEditGx::CloseUp(accept);
    isDroppedDown_ = false;
    OnListClosingUp(this, accept);
    if (accept && !ReadOnly() && FieldDataLink()->Edit()) {
        InternalSetItemIndex(list->ItemIndex());
        if (Focused()) SelectAll();
    }
    OnCloseUp(this, accept);
}

// ---- Messages ----------------------------------------------------------------------------------------------

bool TCustomDBComboBoxGx::isListMessage(const TMessage& m) const {
    if (m.Msg != WM_KEYDOWN && m.Msg != WM_SYSKEYDOWN) return false;
    const WORD key = static_cast<WORD>(m.WParam);
    const TShiftState shift = KeyDataToShiftState(m.LParam);
    const bool listKey = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                         ((key == VK_END || key == VK_HOME) && (shift & ssCtrl));
    if (!listKey) return false;
    // A button's shortcut (Alt+Down) closes the list through the button instead.
    return const_cast<TCustomDBComboBoxGx*>(this)->GetEditButtonByShortCut(
               ShortCut(key, shift & (ssShift | ssCtrl | ssAlt))) == nullptr;
}

void TCustomDBComboBoxGx::WndProc(TMessage& m) {
    if (listVisible_ && popupListbox_) {
        if (isListMessage(m)) {
            popupListbox_->Perform(m.Msg, m.WParam, m.LParam);
            return;
        }
        if (m.Msg == CM_MOUSEWHEEL) {
            if (popupListbox_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
                m.Result = 1;
                return;
            }
        }
    }
    TCustomDBEditGx::WndProc(m);
}

void TCustomDBComboBoxGx::Dispatch(TMessage& m) {
    if (m.Msg == WM_PASTE && keyMode_) {
        if (Clipboard()->HasFormat(CF_TEXT)) ProcessSearchStr(Clipboard()->AsText());
        return;
    }
    TCustomDBEditGx::Dispatch(m);
}

void TCustomDBComboBoxGx::DefaultHandler(TMessage& m) {
    if (keyMode_ && SwallowListStyleMouse(m)) return;
    TCustomDBEditGx::DefaultHandler(m);
}

void TCustomDBComboBoxGx::CMWantSpecialKey(TMessage& m) {
    const WORD key = static_cast<WORD>(m.WParam);
    if (listVisible_ && (key == VK_RETURN || key == VK_ESCAPE)) {
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::CMWantSpecialKey(m);
}

void TCustomDBComboBoxGx::CMCancelMode(TMessage& m) {
    TCustomDBEditGx::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!listVisible_ || !popupListbox_) return;
    if (sender == this || (sender && ContainsControl(sender)) || sender == popupListbox_ ||
        (sender && popupListbox_->ContainsControl(sender)))
        return;
    CloseUp(false);
}

void TCustomDBComboBoxGx::WMKillFocus(TMessage& m) {
    TCustomDBEditGx::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (listVisible_ && other != popupListbox_) CloseUp(false);
}
