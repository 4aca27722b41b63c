// The data-aware edit control: the text and value protocol, writing back and showing the value,
// the read-only state, keys, focus, data source and field, and the in-place mode under a holder.
#include "gridlib/editors/DBCtrlsGx.h"

#include "gui/ActnList.h"
#include "gui/Menus.h"
#include "gui/WinApi.h"

namespace {
bool isStringField(const TField* f) { return f && (f->DataType() == ftString || f->DataType() == ftWideString); }

const bool editPropertiesRegistered = [] {
    using E = TCustomDBEditGx;
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    PTypeInfo alignment = EnumTypeInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    TPropInfo align = MakeProperty<E>("Alignment", alignment, &E::Alignment, &E::SetAlignment);
    align.Stored = [](TObject* o) { return static_cast<E*>(o)->IsAlignmentStored(); };
    // What every editor of the library publishes.
    RegisterPublishedProperties(
        E::StaticClass(),
        {align, MakeProperty<E>("AlwaysShowBorder", boolean, &E::AlwaysShowBorder, &E::SetAlwaysShowBorder, 0),
         MakeProperty<E>("DataField", text, &E::GetDataField, &E::SetDataField),
         MakeProperty<E>("DataSource", ClassTypeInfo(TDataSource::StaticClass()), &E::GetDataSource, &E::SetDataSource),
         MakeProperty<E>("EditButtons", ClassTypeInfo(TEditButtonsGx::StaticClass()), &E::EditButtons,
                         &E::SetEditButtons),
         MakeProperty<E>("Flat", boolean, &E::Flat, &E::SetFlat, 0),
         MakeProperty<E>("HighlightRequired", boolean, &E::HighlightRequired, &E::SetHighlightRequired, 0),
         MakeProperty<E>("Images", ClassTypeInfo(TCustomImageList::StaticClass()), &E::GetImages, &E::SetImages),
         MakeProperty<E>("MRUList", ClassTypeInfo(TMRUListGx::StaticClass()), &E::MRUList, &E::SetMRUList),
         MakeProperty<E>("ReadOnly", boolean, &E::GetReadOnly, &E::SetReadOnly, 0),
         MakeProperty<E>("ShowHint", boolean, &E::GetShowHint, &E::SetShowHint, 0),
         MakeProperty<E>("Tooltips", boolean, &E::Tooltips, &E::SetTooltips, 0)});

    // The text editors: their text and mask, each kept only when it is the editor's own.
    TPropInfo mask = MakeProperty<E>("EditMask", text, &E::EditMask, &E::SetEditMask);
    mask.Stored = [](TObject* o) { return static_cast<E*>(o)->IsEditMaskAssigned(); };
    TPropInfo txt = MakeProperty<E>("Text", text, &E::GetText, &E::SetText);
    txt.Stored = [](TObject* o) { return static_cast<E*>(o)->IsTextStored(); };
    TPropInfo wordWrap = MakeProperty<E>("WordWrap", boolean, &E::WordWrap, &E::SetWordWrap, 0);
    RegisterPublishedProperties(
        TDBEditGx::StaticClass(),
        {mask, txt, MakeProperty<E>("WantReturns", boolean, &E::WantReturns, &E::SetWantReturns, 0),
         MakeProperty<E>("WantTabs", boolean, &E::WantTabs, &E::SetWantTabs, 0), wordWrap});
    using C = TCustomDBComboBoxGx;
    RegisterPublishedProperties(
        TDBComboBoxGx::StaticClass(),
        {MakeProperty<C>("DropDownBox", ClassTypeInfo(TDropDownBoxGx::StaticClass()), &C::DropDownBox,
                         &C::SetDropDownBox),
         MakeProperty<E>("EditButton", ClassTypeInfo(TEditButtonGx::StaticClass()), &E::EditButton, &E::SetEditButton),
         mask, MakeProperty<C>("Items", ClassTypeInfo(TStrings::StaticClass()), &C::Items, &C::SetItems),
         MakeProperty<C>("KeyItems", ClassTypeInfo(TStrings::StaticClass()), &C::KeyItems, &C::SetKeyItems), txt,
         wordWrap});
    return true;
}();
}  // namespace

// ---- Construction ------------------------------------------------------------------------------------

TCustomDBEditGx::TCustomDBEditGx(TComponent* owner) : TCustomMaskEdit(owner) {
    // The editors' unit measures the flat buttons' width once, when the first editor is made
    // (the screen's font is known only then).
    static const bool started = [] {
        FlatButtonWidth = GetDefaultFlatButtonWidth();
        return true;
    }();
    (void)started;
    SetControlStyle(ControlStyle() | csCaptureMouse | csReplicatable);
    dataLink_ = CreateDataLink();
    dataLink_->Control = this;
    dataLink_->OnDataChange = TNotifyEvent(this, &TCustomDBEditGx::DataChange);
    dataLink_->OnEditingStateChange = TNotifyEvent(this, &TCustomDBEditGx::EditingChange);
    dataLink_->OnUpdateData = TNotifyEvent(this, &TCustomDBEditGx::InternalUpdateData);
    dataLink_->OnActiveStateChange = TNotifyEvent(this, &TCustomDBEditGx::ActiveChange);
    SetEditButtonObject(CreateEditButton());
    editButtons_ = CreateEditButtons();
    editButtons_->OnChangeNotify = [this](TCollectionItem*) { EditButtonChanged(this); };
    editImage_ = CreateEditImage();
    mruList_ = std::make_unique<TMRUListGx>(this);
    mruList_->OnSetDropDown = TNotifyEvent(this, &TCustomDBEditGx::MRUListDropDown);
    mruList_->OnSetCloseUp = [this](TObject* sender, bool accept) { MRUListCloseUp(sender, accept); };
    created_ = true;
    CreateWnd();
    UpdateControlReadOnly();
    UpdateImageIndex();
}

TCustomDBEditGx::~TCustomDBEditGx() {
    Destroying_();
    created_ = false;
    for (TEditButtonControlLineRec& r : editButtonControls_) {
        delete r.EditButtonControl;
        delete r.ButtonLine;
    }
    editButtonControls_.clear();
    if (dataLink_) {
        dataLink_->OnDataChange = TNotifyEvent();
        dataLink_->OnEditingStateChange = TNotifyEvent();
        dataLink_->OnUpdateData = TNotifyEvent();
        dataLink_->OnActiveStateChange = TNotifyEvent();
    }
    editImage_.reset();
    editButton_.reset();
    editButtons_.reset();
    dataLink_.reset();
    canvas_.reset();
    mruList_.reset();
}

void TCustomDBEditGx::SetEditButtonObject(std::unique_ptr<TEditButtonGx> button) {
    editButton_ = std::move(button);
    editButton_->OnChangeNotify = TNotifyEvent(this, &TCustomDBEditGx::EditButtonChanged);
    if (created_) EditButtonChanged(this);
}

std::unique_ptr<TFieldDataLinkGx> TCustomDBEditGx::CreateDataLink() { return std::make_unique<TFieldDataLinkGx>(); }

std::unique_ptr<TEditButtonGx> TCustomDBEditGx::CreateEditButton() { return std::make_unique<TEditButtonGx>(this); }

std::unique_ptr<TEditButtonsGx> TCustomDBEditGx::CreateEditButtons() {
    return std::make_unique<TEditButtonsGx>(this, CollectionItemClassOf<TVisibleEditButtonGx>());
}

std::unique_ptr<TEditImageGx> TCustomDBEditGx::CreateEditImage() { return std::make_unique<TEditImageGx>(this); }

TCanvas* TCustomDBEditGx::EditCanvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TControlCanvas>();
        canvas_->SetControl(this);
    }
    return canvas_.get();
}

// ---- Data source and field -------------------------------------------------------------------------------

TDataSource* TCustomDBEditGx::GetDataSource() const { return dataLink_->GetDataSource(); }

void TCustomDBEditGx::SetDataSource(TDataSource* ds) {
    if (!(dataLink_->DataSourceFixed() && (ComponentState() & csLoading))) dataLink_->SetDataSource(ds);
    if (ds) ds->FreeNotification(this);
    DataChange(this);
    Invalidate();
}

AnsiString TCustomDBEditGx::GetDataField() const { return dataLink_->FieldName(); }

void TCustomDBEditGx::SetDataField(const AnsiString& name) {
    if (!(ComponentState() & csDesigning)) ResetMaxLength();
    dataLink_->SetFieldName(name);
    UpdateEditButtonControlsState();
    Invalidate();
}

TField* TCustomDBEditGx::GetField() const { return dataLink_->GetField(); }

bool TCustomDBEditGx::DataIndepended() const { return dataLink_->DataIndepended(); }

void TCustomDBEditGx::ResetMaxLength() {
    if (MaxLength() <= 0) return;
    TDataSource* ds = DataSource();
    if (!ds || !ds->DataSet()) return;
    TField* f = ds->DataSet()->FindField(DataField());
    if (isStringField(f) && f->Size() == MaxLength()) SetMaxLength(0);
}

void TCustomDBEditGx::Loaded() {
    TCustomMaskEdit::Loaded();
    ResetMaxLength();
    if (ComponentState() & csDesigning) DataChange(this);
    UpdateDrawBorder();
}

void TCustomDBEditGx::Notification(TComponent* component, TOperation operation) {
    TCustomMaskEdit::Notification(component, operation);
    if (operation != opRemove || !dataLink_) return;
    if (component == DataSource()) SetDataSource(nullptr);
    if (editImage_ && component == editImage_->Images()) editImage_->SetImages(nullptr);
    if (editButton_ && component == editButton_->DropdownMenu()) editButton_->SetDropdownMenu(nullptr);
    if (editButtons_)
        for (int i = 0; i < editButtons_->Count(); ++i)
            if (component == editButtons_->Items(i)->DropdownMenu()) editButtons_->Items(i)->SetDropdownMenu(nullptr);
}

// ---- Text and value ----------------------------------------------------------------------------------------

AnsiString TCustomDBEditGx::GetText() const { return TCustomMaskEdit::GetText(); }

Variant TCustomDBEditGx::GetVariantValue() const { return Variant(GetText()); }

void TCustomDBEditGx::RunTextProtocol(const std::function<void()>& set) {
    if ((ComponentState() & csDesigning) && !DataIndepended()) return;
    if (!DataIndepended()) {
        // A field name without a data source, or a closed dataset: there is nothing to edit.
        if (!dataLink_->GetDataSetActive()) return;
        dataLink_->DataSet()->Edit();
    }
    set();
    if (isPostingData_) return;
    try {
        UpdateData();
    } catch (...) {
        dataLink_->Reset();
        throw;
    }
}

void TCustomDBEditGx::SetText(const AnsiString& text) {
    RunTextProtocol([&] { InternalSetText(text); });
}

void TCustomDBEditGx::SetVariantValue(const Variant& value) {
    RunTextProtocol([&] { InternalSetValue(value); });
}

void TCustomDBEditGx::InternalSetText(const AnsiString& text) { TControl::SetText(text); }

void TCustomDBEditGx::InternalSetValue(const Variant& value) { InternalSetText(SafeVarToStr(value)); }

void TCustomDBEditGx::Clear() { SetText(AnsiString()); }

void TCustomDBEditGx::Undo() {
    if (!DataIndepended()) {
        if (!dataLink_->GetDataSetActive()) return;
        dataLink_->DataSet()->Edit();
    }
    TCustomEdit::Undo();
    if (isPostingData_ || Focused()) return;
    try {
        UpdateData();
    } catch (...) {
        dataLink_->Reset();
        throw;
    }
}

void TCustomDBEditGx::Deselect() { Perform(EM_SETSEL, 0x7FFFFFFF, -1); }

bool TCustomDBEditGx::PostDataEvent() {
    bool handled = false;
    isPostingData_ = true;
    try {
        OnUpdateData(this, handled);
    } catch (...) {
        isPostingData_ = false;
        throw;
    }
    isPostingData_ = false;
    return handled;
}

void TCustomDBEditGx::InternalUpdatePostData() {
    if (DataIndepended()) dataLink_->SetText(EditText());
    else dataLink_->SetText(GetText());
}

void TCustomDBEditGx::UpdateData() {
    if (focusedFlag_) ValidateEdit();
    if (!PostDataEvent()) InternalUpdatePostData();
    SetModified(false);
    if (mruList_->AutoAdd() && mruList_->Active() && Showing()) mruList_->Add(GetText());
}

void TCustomDBEditGx::InternalUpdateData(TObject*) { UpdateData(); }

// ---- Showing the value ---------------------------------------------------------------------------------

void TCustomDBEditGx::DataChange(TObject*) {
    DataChanged();
    UpdateEditButtonControlsState();
}

void TCustomDBEditGx::DataChanged() {
    TField* f = GetField();
    if (f) {
        if (f->Alignment() != fieldAlignment_) {
            fieldAlignment_ = f->Alignment();
            Invalidate();
        }
        if (!editMaskAssigned_) SetControlEditMask(f->EditMask());
        if (!(ComponentState() & csDesigning) && isStringField(f) && MaxLength() == 0) SetMaxLength(f->Size());
        const bool memo = f->DataType() == ftMemo;
        if (focusedFlag_ && dataLink_->GetCanModify()) InternalSetText(memo ? f->AsString() : f->Text());
        else SetEditText(memo ? f->AsString() : f->DisplayText());
    } else if (DataIndepended()) {
        if (!editMaskAssigned_) SetControlEditMask(AnsiString());
        SetEditText(SafeVarToStr(dataLink_->LocalValue));
    } else {
        if (!editMaskAssigned_) SetControlEditMask(AnsiString());
        SetEditText(AnsiString());
    }
    UpdateControlReadOnly();
    SetModified(false);
}

void TCustomDBEditGx::EditingChange(TObject*) { EditingChanged(); }

void TCustomDBEditGx::EditingChanged() { UpdateControlReadOnly(); }

void TCustomDBEditGx::ActiveChange(TObject*) { ActiveChanged(); }

void TCustomDBEditGx::ActiveChanged() {
    ResetMaxLength();
    UpdateEditButtonControlsState();
}

// ---- Read-only state ---------------------------------------------------------------------------------------

void TCustomDBEditGx::SetReadOnly(bool b) {
    if (b == readOnly_) return;
    readOnly_ = b;
    EditingChanged();
}

void TCustomDBEditGx::UpdateControlReadOnly() {
    bool ro = readOnly_;
    if (!ro) {
        ro = !dataLink_->Editing();
        // The application takes the text itself in OnUpdateData while the dataset edits.
        if (ro && OnUpdateData && dataLink_->DataSet() &&
            (dataLink_->DataSet()->State() == dsEdit || dataLink_->DataSet()->State() == dsInsert))
            ro = false;
        if (!ro && InplaceMode() && !holderIntf_->InplaceEditCanModify(this)) ro = true;
    }
    SetControlReadOnly(ro);
}

void TCustomDBEditGx::SetControlReadOnly(bool b) { TCustomEdit::SetReadOnly(b); }

void TCustomDBEditGx::SetControlEditMask(const AnsiString& mask) { TCustomMaskEdit::SetEditMask(mask); }

bool TCustomDBEditGx::EditCanModify() { return dataLink_->Edit(); }

void TCustomDBEditGx::Reset() {
    dataLink_->Reset();
    SelectAll();
}

// ---- Alignment and edit mask ---------------------------------------------------------------------------

TAlignment TCustomDBEditGx::DefaultAlignment() {
    TField* f = GetField();
    return f ? f->Alignment() : taLeftJustify;
}

TAlignment TCustomDBEditGx::Alignment() const {
    return alignmentAssigned_ ? alignment_ : const_cast<TCustomDBEditGx*>(this)->DefaultAlignment();
}

void TCustomDBEditGx::SetAlignment(TAlignment a) {
    if (alignmentAssigned_ && a == alignment_) return;
    alignment_ = a;
    alignmentAssigned_ = true;
    if (wordWrap_) RecreateEditWnd();
    else Invalidate();
}

AnsiString TCustomDBEditGx::DefaultEditMask() {
    TField* f = GetField();
    return f ? f->EditMask() : AnsiString();
}

void TCustomDBEditGx::SetEditMask(const AnsiString& mask) {
    if (editMaskAssigned_ && mask == EditMask()) return;
    AnsiString kept;
    const bool keep = (ComponentState() & csLoading) && !GetText().IsEmpty() && DataIndepended();
    if (keep) kept = GetText();
    SetControlEditMask(mask);
    editMaskAssigned_ = true;
    if (keep) TControl::SetText(kept);
    if (DataIndepended()) InternalUpdatePostData();
    else DataChange(this);
}

// ---- Keys ------------------------------------------------------------------------------------------------

TEditButtonGx* TCustomDBEditGx::GetEditButtonByShortCut(TShortCut shortCut) {
    if (shortCut == 0) return nullptr;
    if (editButton_->ShortCut() == shortCut) return editButton_.get();
    for (int i = 0; i < editButtons_->Count(); ++i)
        if (editButtons_->Items(i)->ShortCut() == shortCut) return editButtons_->Items(i);
    return nullptr;
}

void TCustomDBEditGx::pressEditButton(int index) {
    if (index < 0 || index >= static_cast<int>(editButtonControls_.size())) return;
    TEditButtonControlGx* c = editButtonControls_[static_cast<std::size_t>(index)].EditButtonControl;
    if (!c) return;
    bool autoRepeat = false;
    c->EditButtonDown(true, autoRepeat);
    static_cast<TControl*>(c)->Click();
}

void TCustomDBEditGx::KeyDown(WORD& key, TShiftState shift) {
    if (InplaceMode()) {
        holderIntf_->InplaceEditKeyDown(this, key, shift);
        if (key == 0) return;
    }
    if (IsMasked() && !readOnly_) {
        // The masked edit changes the text itself: editing starts before it looks.
        const bool ctrl = (shift & ssCtrl) != 0;
        if (key == VK_BACK || key == VK_DELETE || (ctrl && (key == 'V' || key == 'X')) ||
            ((shift & ssShift) && key == VK_INSERT))
            dataLink_->Edit();
    }
    TCustomMaskEdit::KeyDown(key, shift);
    if (key == 0) return;
    const TShortCut sc = ShortCut(key, shift & (ssShift | ssCtrl | ssAlt));
    if (TEditButtonGx* b = GetEditButtonByShortCut(sc)) {
        int index = 0;
        if (b != editButton_.get()) index = b->Index() + 1;
        pressEditButton(index);
        key = 0;
        return;
    }
    if (key == 'A' && (shift & (ssShift | ssCtrl | ssAlt)) == ssCtrl) SelectAll();
    if ((key == VK_DELETE || (key == VK_INSERT && (shift & ssShift))) && !readOnly_) dataLink_->Edit();
}

bool TCustomDBEditGx::IsValidChar(WideChar key) {
    TField* f = GetField();
    if (!f) return true;
    // Fields judge single-byte characters; any other character is text.
    return key > 127 || f->IsValidChar(static_cast<char>(key));
}

void TCustomDBEditGx::KeyPress(WideChar& key) {
    if (InplaceMode()) {
        holderIntf_->InplaceEditKeyPress(this, key);
        if (key == 0) return;
    }
    // The editing keys start editing first, so that the edit may take them.
    const bool editingKey = key == 8 || key == 22 || key == 24 || key >= 32;
    if (editingKey && key >= 32 && !DataIndepended() && GetField() && !IsValidChar(key)) {
        MessageBeep(0);
        key = 0;
        return;
    }
    if (editingKey && !readOnly_) dataLink_->Edit();
    TCustomMaskEdit::KeyPress(key);
    if (key == 27) {
        dataLink_->Reset();
        SelectAll();
        key = 0;
        return;
    }
    if (key == 8 && GetText().IsEmpty() && mruList_->Active() && Showing() && !isDroppedDown_) mruList_->DropDown();
}

void TCustomDBEditGx::KeyUp(WORD& key, TShiftState shift) {
    if (InplaceMode()) {
        holderIntf_->InplaceEditKeyUp(this, key, shift);
        if (key == 0) return;
    }
    TCustomMaskEdit::KeyUp(key, shift);
}

void TCustomDBEditGx::WMChar(TMessage& m) {
    completeKeyPress_ = CharToText(static_cast<WideChar>(m.WParam));
    try {
        TCustomMaskEdit::WMChar(m);
    } catch (...) {
        completeKeyPress_ = AnsiString();
        throw;
    }
    completeKeyPress_ = AnsiString();
}

void TCustomDBEditGx::WMGetDlgCode(TMessage& m) {
    m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    if (wantTabs_) m.Result |= DLGC_WANTTAB;
    if (wantReturns_) m.Result |= DLGC_WANTALLKEYS;
    if (InplaceMode() && (inplaceHolder_->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB)) m.Result |= DLGC_WANTTAB;
}

void TCustomDBEditGx::CMWantSpecialKey(TMessage& m) {
    const WORD key = static_cast<WORD>(m.WParam);
    if ((key == VK_RETURN || key == VK_ESCAPE) && mruDroppedDown() && mruListControl_ &&
        mruListControl_->ItemIndex() >= 0) {
        m.Result = 1;
        return;
    }
    TCustomMaskEdit::CMWantSpecialKey(m);
    if (key == VK_ESCAPE && Modified()) m.Result = 1;
}

void TCustomDBEditGx::CMDialogKey(TMessage& m) { TCustomMaskEdit::CMDialogKey(m); }

void TCustomDBEditGx::Change() {
    dataLink_->Modified();
    SetModified(true);
    TCustomMaskEdit::Change();
    UpdateImageIndex();
    // The user changed the text (not the program showing a value): the MRU list follows.
    if (!settingText_) UserChange();
}

// ---- Focus ---------------------------------------------------------------------------------------------

void TCustomDBEditGx::SetFocused(bool value) {
    if (value == focusedFlag_) return;
    focusedFlag_ = value;
    if (Alignment() != taLeftJustify && !IsMasked()) Invalidate();
    dataLink_->Reset();
}

void TCustomDBEditGx::CMEnter(TMessage& m) {
    SetFocused(true);
    TCustomMaskEdit::CMEnter(m);
    UpdateDrawBorder();
    Invalidate();
}

void TCustomDBEditGx::caretCheck() {
    if (!IsMasked() || SelLength() != 0) return;
    SetSelStart(std::max(0, SelStart() - 2));
}

void TCustomDBEditGx::CMExit(TMessage& m) {
    if (IsMasked() && !(ComponentState() & csDesigning)) {
        ValidateEdit();
        caretCheck();
    }
    DoExit();
    try {
        dataLink_->UpdateRecord();
    } catch (...) {
        // The focus stays here (the form takes it back); the text is selected for correcting.
        SelectAll();
        throw;
    }
    SetFocused(false);
    caretCheck();
    UpdateDrawBorder();
    Invalidate();
    DefaultHandler(m);
}

void TCustomDBEditGx::WMSetFocus(TMessage& m) {
    TCustomMaskEdit::WMSetFocus(m);
    UpdateDrawBorder();
}

void TCustomDBEditGx::WMKillFocus(TMessage& m) {
    TCustomMaskEdit::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (mruDroppedDown() && other != mruListControl_) {
        if (TControl* cap = Mouse->Capture(); cap && cap != this && ContainsControl(cap)) cap->Perform(WM_CANCELMODE);
        mruList_->CloseUp(false);
    }
    UpdateDrawBorder();
}

// ---- Window procedure ------------------------------------------------------------------------------

void TCustomDBEditGx::WndProc(TMessage& m) {
    if (InplaceMode() && created_) holderIntf_->InplaceEditWndProc(this, m);
    if (m.Result != 0) return;
    if (InplaceMode()) {
        if (m.Msg == WM_SETFOCUS) {
            // The holder is the form's focused control while its editor has the focus.
            TCustomForm* form = GetParentForm(this);
            if (!form || form->SetFocusedControl(inplaceHolder_)) DefaultHandler(m);
            return;
        }
        if (m.Msg == WM_LBUTTONDOWN) {
            TPoint pos;
            DWORD time = 0;
            holderIntf_->GetMouseDownInfo(pos, time);
            const TPoint now = ClientToScreen(TPoint(m.XPos(), m.YPos()));
            // Time 0: no press to pair with (none yet, or already reported).
            if (time != 0 && IsDoubleClickMessage(pos, now, static_cast<long>(GetMessageTime() - time)))
                m.Msg = WM_LBUTTONDBLCLK;
        }
    }
    if (mruDroppedDown() && mruListControl_) {
        switch (m.Msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR: {
            const WORD key = static_cast<WORD>(m.WParam);
            const TShiftState shift = KeyDataToShiftState(m.LParam);
            if (m.Msg != WM_CHAR && (key == VK_RETURN || key == VK_ESCAPE)) {
                mruList_->CloseUp(key == VK_RETURN);
                m.Result = 1;
                return;
            }
            if (m.Msg == WM_CHAR && (key == VK_RETURN || key == VK_ESCAPE)) return;
            if (m.Msg != WM_CHAR &&
                (((key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN) && !(shift & ssAlt)) ||
                 ((key == VK_END || key == VK_HOME) && (shift & ssCtrl)))) {
                mruListControl_->Perform(m.Msg, m.WParam, m.LParam);
                m.Result = 1;
                return;
            }
            break;
        }
        case CM_MOUSEWHEEL:
            if (mruListControl_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
                m.Result = 1;
                return;
            }
            break;
        default: break;
        }
    }
    TCustomMaskEdit::WndProc(m);
}

bool TCustomDBEditGx::SwallowListStyleMouse(TMessage& m) {
    if (m.Msg < WM_LBUTTONDOWN || m.Msg > WM_MBUTTONDBLCLK) return false;
    if (m.Msg == WM_RBUTTONUP) {
        const TPoint p = ClientToScreen(TPoint(m.XPos(), m.YPos()));
        Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()), MAKELPARAM(p.x, p.y));
    }
    return true;
}

void TCustomDBEditGx::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_CHAR:
        if ((m.WParam == '\r' && !wantReturns_) || (m.WParam == '\t' && !wantTabs_) || m.WParam == '\n') m.WParam = 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        if (!MouseCapture()) {
            const TPoint p(m.XPos(), m.YPos());
            TRect b = ButtonRect();
            b.Left = std::min(b.Left, b.Right - buttonWidth_);
            if ((buttonWidth_ > 0 && PtInRect(ButtonRect(), p)) || (imageWidth_ > 0 && PtInRect(ImageRect(), p))) return;
        }
        break;
    default: break;
    }
    TCustomMaskEdit::DefaultHandler(m);
}

void TCustomDBEditGx::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCPAINT:
        if (Ctl3D() && BorderStyle() == bsSingle && flat_) {
            DrawBorder(nullptr, borderActive_);
            m.Result = 1;
            return;
        }
        TCustomMaskEdit::Dispatch(m);
        return;
    case WM_UNDO:
    case WM_PASTE:
    case WM_CUT:
        if (!readOnly_) dataLink_->Edit();
        TCustomMaskEdit::Dispatch(m);
        return;
    case WM_CANCELMODE:
        TCustomMaskEdit::Dispatch(m);
        return;
    case CM_GETDATALINK: m.Result = ObjectToIntPtr(dataLink_.get()); return;
    case CM_SYSCOLORCHANGE:
        TCustomMaskEdit::Dispatch(m);
        ClearButtonsBitmapCache();
        return;
    case CM_EDITIMAGECHANGEDGX: RecreateEditWnd(); return;
    case CM_RECREATEWND:
        TCustomMaskEdit::Dispatch(m);
        if (created_) CreateWnd();
        return;
    default: TCustomMaskEdit::Dispatch(m);
    }
}

bool TCustomDBEditGx::ExecuteAction(TBasicAction* action) {
    return TCustomMaskEdit::ExecuteAction(action) || dataLink_->ExecuteAction(static_cast<ITargetAction*>(action));
}

bool TCustomDBEditGx::UpdateAction(TBasicAction* action) {
    return TCustomMaskEdit::UpdateAction(action) || dataLink_->UpdateAction(static_cast<ITargetAction*>(action));
}

void TCustomDBEditGx::CMCancelMode(TMessage& m) {
    TCustomMaskEdit::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!mruDroppedDown()) return;
    if (sender == this || (sender && ContainsControl(sender)) || sender == mruListControl_ ||
        (sender && mruListControl_ && mruListControl_->ContainsControl(sender)))
        return;
    if (TControl* cap = Mouse->Capture(); cap && cap != this && ContainsControl(cap)) cap->Perform(WM_CANCELMODE);
    mruList_->CloseUp(false);
}

void TCustomDBEditGx::CMShowingChanged(TMessage& m) {
    if (InplaceMode()) return;
    TCustomMaskEdit::CMShowingChanged(m);
}

// ---- In-place mode --------------------------------------------------------------------------------------

void TCustomDBEditGx::SetInplaceEditHolder(TWinControl* holder) {
    if (holder == inplaceHolder_) return;
    if (!holder) {
        inplaceHolder_ = nullptr;
        holderIntf_ = nullptr;
        return;
    }
    auto* intf = dynamic_cast<IInplaceEditHolderGx*>(holder);
    if (!intf) throw Exception("InplaceEditHolder have to support IInplaceEditHolderGx interface");
    inplaceHolder_ = holder;
    holderIntf_ = intf;
}

void TCustomDBEditGx::internalMove(const TRect& loc, bool redraw) {
    if (loc.IsEmpty()) {
        Hide();
        return;
    }
    const bool wasHidden = !WindowShown();
    Invalidate();
    Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(inplaceHolder_));
    SetBounds(loc.Left, loc.Top, loc.Width(), loc.Height());
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    if (redraw || wasHidden) Invalidate();
    if (inplaceHolder_->Focused()) TCustomMaskEdit::SetFocus();
}

void TCustomDBEditGx::Move(const TRect& loc) {
    if (InplaceMode()) internalMove(loc, true);
    else SetBoundsRect(loc);
}

void TCustomDBEditGx::UpdateLoc(const TRect& loc) {
    if (InplaceMode()) internalMove(loc, false);
    else SetBoundsRect(loc);
}

void TCustomDBEditGx::Hide() {
    if (!InplaceMode()) {
        TControl::SetVisible(false);
        return;
    }
    if (!WindowShown()) return;
    const bool hadFocus = Focused();
    Invalidate();
    ShowWindow(Handle(), SW_HIDE);
    if (hadFocus && inplaceHolder_->CanFocus()) inplaceHolder_->SetFocus();
}

bool TCustomDBEditGx::GetVisible() const {
    if (InplaceMode()) return WindowShown();
    return Visible();
}

void TCustomDBEditGx::SetVisible(bool v) {
    if (InplaceMode() && !v) {
        Hide();
        return;
    }
    TCustomMaskEdit::SetVisible(v);
}

void TCustomDBEditGx::SetFocus() {
    if (InplaceMode()) {
        if (WindowShown()) TCustomMaskEdit::SetFocus();
        return;
    }
    TCustomMaskEdit::SetFocus();
}
