// The lookup combo box: binding its data side (the key fields) and list side (key and display
// fields), the text shown for a key, completion and stepping, free text in drop-down style with
// OnNotInList, and the drop-down lookup grid with its sizing and the user's resize kept.
#include "gridlib/grid/DBLookupGx.h"

#include "gui/Clipbrd.h"
#include "gui/WinApi.h"

#include <algorithm>

namespace {

AnsiString leftChars(const AnsiString& s, int n) {
    std::string out;
    int i = 0;
    for (const std::string& c : Utf8Chars(s.str())) {
        if (i++ >= n) break;
        out += c;
    }
    return AnsiString(out);
}

AnsiString joinFieldNames(const std::vector<TField*>& fields) {
    AnsiString s;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) s += ";";
        s += fields[i]->FieldName();
    }
    return s;
}

struct FlagGuard {
    bool& flag;
    bool saved;
    explicit FlagGuard(bool& f) : flag(f), saved(f) { flag = true; }
    ~FlagGuard() { flag = saved; }
};

const bool lookupComboPropertiesRegistered = [] {
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    using B = TLookupComboboxDropDownBoxGx;
    RegisterPublishedProperties(
        B::StaticClass(),
        {MakeProperty<B>("Align", EnumTypeInfo("TDropDownAlign", {"daLeft", "daRight", "daCenter"}), &B::Align,
                         &B::SetAlign, daLeft),
         MakeProperty<B>("AutoDrop", boolean, &B::AutoDrop, &B::SetAutoDrop, 0),
         MakeProperty<B>("Rows", integer, &B::Rows, &B::SetRows, 7),
         MakeProperty<B>("ShowTitles", boolean, &B::ShowTitles, &B::SetShowTitles, 0),
         MakeProperty<B>("Sizable", boolean, &B::Sizable, &B::SetSizable, 0),
         MakeProperty<B>("SpecRow", ClassTypeInfo(TSpecRowGx::StaticClass()), &B::SpecRow, &B::SetSpecRow),
         MakeProperty<B>("Width", integer, &B::Width, &B::SetWidth, 0)});
    using C = TCustomDBLookupComboboxGx;
    RegisterPublishedProperties(
        TDBLookupComboboxGx::StaticClass(),
        {MakeProperty<C>("DropDownBox", ClassTypeInfo(B::StaticClass()), &C::DropDownBox, &C::SetDropDownBox),
         MakeProperty<C>("KeyField", TypeInfoOf(tkLString, "String"), &C::KeyField, &C::SetKeyField),
         MakeProperty<C>("ListField", TypeInfoOf(tkLString, "String"), &C::ListField, &C::SetListField),
         MakeProperty<C>("ListFieldIndex", integer, &C::ListFieldIndex, &C::SetListFieldIndex, 0),
         MakeProperty<C>("ListSource", ClassTypeInfo(TDataSource::StaticClass()), &C::ListSource, &C::SetListSource),
         MakeProperty<C>("Style", EnumTypeInfo("TDBLookupComboboxGxStyle", {"csDropDownGx", "csDropDownListGx"}),
                         &C::Style, &C::SetStyle, csDropDownListGx)});
    return true;
}();

}  // namespace

// ==== Settings and links ===============================================================================

TLookupComboboxDropDownBoxGx::TLookupComboboxDropDownBoxGx(TPersistent* owner) : TColumnDropDownBoxGx(owner) {
    SetRows(7);
}

TDataSourceLinkGx::TDataSourceLinkGx(TCustomDBLookupComboboxGx* control) : control_(control) { SetMultiFields(true); }

void TDataSourceLinkGx::LayoutChanged() {
    TFieldDataLinkGx::LayoutChanged();
    if (control_) control_->UpdateDataFields();
}

TListSourceLinkGx::TListSourceLinkGx(TCustomDBLookupComboboxGx* control) : control_(control) { SetVisualControl(true); }

void TListSourceLinkGx::ActiveChanged() {
    if (control_) control_->UpdateListFields();
}

void TListSourceLinkGx::LayoutChanged() {
    if (control_) control_->UpdateListFields();
}

void TListSourceLinkGx::DataSetChanged() {
    if (control_) control_->ListLinkDataChanged();
}

// ==== Construction ========================================================================================

TCustomDBLookupComboboxGx::TCustomDBLookupComboboxGx(TComponent* owner) : TCustomDBEditGx(owner) {
    SetDataLinkObject(std::make_unique<TDataSourceLinkGx>(this));
    SetEditButtonObject(CreateEditButton());
    internalSource_ = std::make_unique<TDataSource>(nullptr);
    listLink_ = std::make_unique<TListSourceLinkGx>(this);
    dataList_ = new TPopupDataGridGx(this);
    dataList_->SetVisible(false);
    dataList_->SetParent(this);
    dataList_->SetCtl3D(true);
    dataList_->SetParentCtl3D(false);
    dataList_->OnMouseChoice = TMouseChoiceEventGx(this, &TCustomDBLookupComboboxGx::dataListMouseChoice);
    // The combo box shows the choice when the list closes; key changes inside it need nothing here.
    dataList_->OnUserKeyChange = TNotifyEvent();
    ShowWindow(dataList_->Handle(), SW_HIDE);
    dropDownBox_ = std::make_unique<TLookupComboboxDropDownBoxGx>(this);
    dropDownBox_->SpecRow()->OnChangeNotify = TNotifyEvent(this, &TCustomDBLookupComboboxGx::SpecRowChanged);
    keyTextIndependent_ = true;
    UpdateControlReadOnly();
}

TCustomDBLookupComboboxGx::~TCustomDBLookupComboboxGx() {
    Destroying_();
    if (dropDownBox_) dropDownBox_->SpecRow()->OnChangeNotify = TNotifyEvent();
    if (listLink_) {
        listLink_->ClearControl();
        listLink_->SetDataSource(nullptr);
    }
    if (auto* link = GetDataLink()) link->ClearControl();
    if (dataList_) {
        dataList_->OnMouseChoice = TMouseChoiceEventGx();
        dataList_->OnColumnMoved = TMovedEvent();
    }
}

std::unique_ptr<TEditButtonGx> TCustomDBLookupComboboxGx::CreateEditButton() {
    auto b = std::make_unique<TVisibleEditButtonGx>(static_cast<TWinControl*>(this));
    b->SetStyle(ebsDropDownGx);
    return b;
}

void TCustomDBLookupComboboxGx::Loaded() {
    TCustomDBEditGx::Loaded();
    dataList_->SetSpecRow(dropDownBox_->SpecRow());
}

void TCustomDBLookupComboboxGx::Notification(TComponent* component, TOperation operation) {
    TCustomDBEditGx::Notification(component, operation);
    if (operation != opRemove || !dropDownBox_) return;
    if (component == listSource_) {
        listSource_ = nullptr;
        UpdateListLinkDataSource();
    }
    if (component == dropDownBox_->ListSource()) {
        dropDownBox_->SetListSource(nullptr);
        UpdateListLinkDataSource();
        Reset();
    }
}

void TCustomDBLookupComboboxGx::SetDropDownBoxListSource(TDataSource* dataSource) {
    if (dataSource) dataSource->FreeNotification(this);
    // A focused control switches to the new list at once, not at its next focus change.
    if (listLink_ && FocusedFlag()) UpdateListLinkDataSource();
}

// ==== Properties ===================================================================================================

void TCustomDBLookupComboboxGx::SetDataField(const AnsiString& name) {
    if (name == dataFieldName_) return;
    dataFieldName_ = name;
    UpdateDataFields();
}

void TCustomDBLookupComboboxGx::SetKeyField(const AnsiString& s) {
    CheckNotLookup();
    if (s == keyFieldName_) return;
    keyFieldName_ = s;
    dataList_->SetKeyFieldName(s);
    UpdateListFields();
}

void TCustomDBLookupComboboxGx::SetListField(const AnsiString& s) {
    if (s == listFieldName_) return;
    listFieldName_ = s;
    dataList_->SetListFieldName(s);
    UpdateListFields();
}

void TCustomDBLookupComboboxGx::SetListSource(TDataSource* ds) {
    CheckNotLookup();
    listSource_ = ds;
    UpdateListLinkDataSource();
    if (ds) ds->FreeNotification(this);
}

void TCustomDBLookupComboboxGx::SetKeyValue(const Variant& v) {
    if (VarEquals(v, keyValue_)) return;
    keyValue_ = v;
    KeyValueChanged();
}

void TCustomDBLookupComboboxGx::SetStyle(TDBLookupComboboxGxStyle s) {
    style_ = s;
    UpdateControlReadOnly();
}

TDataSource* TCustomDBLookupComboboxGx::FullListSource() const {
    return lookupMode_ ? internalSource_.get() : listSource_;
}

TDataSource* TCustomDBLookupComboboxGx::UsedListSource() const {
    if (FocusedFlag() && dropDownBox_ && dropDownBox_->ListSource() && !(ComponentState() & csDesigning))
        return dropDownBox_->ListSource();
    return FullListSource();
}

bool TCustomDBLookupComboboxGx::SpecListMode() {
    TDataSource* used = UsedListSource();
    return used && used == dropDownBox_->ListSource();
}

void TCustomDBLookupComboboxGx::UpdateListLinkDataSource() { listLink_->SetDataSource(UsedListSource()); }

void TCustomDBLookupComboboxGx::SetFocused(bool value) {
    TCustomDBEditGx::SetFocused(value);
    UpdateListLinkDataSource();
}

// ==== Checks =====================================================================================================

void TCustomDBLookupComboboxGx::CheckNotCircular() {
    TDataSource* ds = GetDataLink()->GetDataSource();
    if (listLink_->Active() && ds && ds->IsLinkedTo(listDataSet()))
        DatabaseError("Circular datalinks are not allowed", this);
}

void TCustomDBLookupComboboxGx::CheckNotLookup() {
    if (lookupMode_) DatabaseError("Property already defined by lookup field", this);
    if (GetDataLink()->DataSourceFixed()) DatabaseError("Operation not allowed in a DBCtrlGrid", this);
}

bool TCustomDBLookupComboboxGx::CanModify(bool edit) {
    if (!keyTextIndependent_ && !listActive_) return false;
    if (ReadOnly()) return false;
    TDataSourceLinkGx* link = GetDataLink();
    if (link->GetDataSource()) {
        if (masterFields_.empty()) return false;
        for (TField* f : masterFields_)
            if (!f->CanModify()) return false;
    }
    if (edit && !masterFields_.empty()) return link->Edit();
    // Without a data side the link's own editing starts before the change: starting it later
    // would take the change for the unmodified state and leaving would not keep it.
    if (edit && DataIndepended()) return link->Edit();
    return true;
}

bool TCustomDBLookupComboboxGx::CompatibleVarValue(const std::vector<TField*>& fields, const Variant& value) {
    return LookupKeyFitsFields(fields, value);
}

bool TCustomDBLookupComboboxGx::ButtonEnabled() {
    if (TCustomDBEditGx::ButtonEnabled()) return true;
    return Enabled() && (listActive_ || OnButtonClick || OnButtonDown);
}

TAlignment TCustomDBLookupComboboxGx::DefaultAlignment() {
    return keyTextIndependent_ ? TCustomDBEditGx::DefaultAlignment() : taLeftJustify;
}

bool TCustomDBLookupComboboxGx::IsValidChar(WideChar key) {
    if (listActive_ && listField_) return key > 127 || listField_->IsValidChar(static_cast<char>(key));
    return TCustomDBEditGx::IsValidChar(key);
}

void TCustomDBLookupComboboxGx::UpdateControlReadOnly() {
    if (keyTextIndependent_) {
        TCustomDBEditGx::UpdateControlReadOnly();
        return;
    }
    SetControlReadOnly(ReadOnly() || style_ != csDropDownGx || !FieldDataLink()->Editing());
}

void TCustomDBLookupComboboxGx::UpdateKeyTextIndependent() {
    if (clearingDataProps_) return;
    keyTextIndependent_ = !GetDataLink()->GetDataSource() && dataFieldName_.IsEmpty() && !listSource_ &&
                          listFieldName_.IsEmpty() && keyFieldName_.IsEmpty();
}

void TCustomDBLookupComboboxGx::ClearDataProps() {
    keyTextIndependent_ = true;
    {
        FlagGuard g(clearingDataProps_);
        SetDataSource(nullptr);
        SetDataField(AnsiString());
        lookupMode_ = false;
        SetKeyField(AnsiString());
        SetListField(AnsiString());
        SetListSource(nullptr);
    }
    UpdateKeyTextIndependent();
}

// ==== Binding the data side ========================================================================================

void TCustomDBLookupComboboxGx::ActiveChanged() {
    TCustomDBEditGx::ActiveChanged();
    UpdateDataFields();
}

void TCustomDBLookupComboboxGx::UpdateDataFields() {
    if (updatingDataFields_) return;
    FlagGuard g(updatingDataFields_);
    dataFields_.clear();
    masterFields_.clear();
    masterFieldNames_ = AnsiString();
    TDataSourceLinkGx* link = GetDataLink();
    TDataSet* ds = link->DataSet();
    if (ds && ds->Active() && !dataFieldName_.IsEmpty()) {
        CheckNotCircular();
        dataFields_ = GetFieldsProperty(ds, this, dataFieldName_);
        if (dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup)
            masterFields_ = GetFieldsProperty(ds, this, dataFields_[0]->KeyFields());
        else
            masterFields_ = dataFields_;
        masterFieldNames_ = joinFieldNames(masterFields_);
    }
    SetLookupMode(dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup);
    link->SetFieldName(masterFieldNames_.IsEmpty() ? dataFieldName_ : masterFieldNames_);
    UpdateKeyTextIndependent();
    UpdateControlReadOnly();
    UpdateEditButtonControlsState();
    if (!keyTextIndependent_) link->Reset();
}

void TCustomDBLookupComboboxGx::SetLookupMode(bool value) {
    if (value == lookupMode_) return;
    if (value) {
        TField* f = dataFields_.front();
        masterFields_ = GetFieldsProperty(GetDataLink()->DataSet(), this, f->KeyFields());
        masterFieldNames_ = joinFieldNames(masterFields_);
        internalSource_->SetDataSet(f->LookupDataSet());
        keyFieldName_ = f->LookupKeyFields();
        lookupMode_ = true;
        listLink_->SetDataSource(UsedListSource());
    } else {
        listLink_->SetDataSource(nullptr);
        lookupMode_ = false;
        keyFieldName_ = AnsiString();
        internalSource_->SetDataSet(nullptr);
        masterFields_ = dataFields_;
        masterFieldNames_ = joinFieldNames(masterFields_);
    }
}

// ==== Binding the list side ========================================================================================

void TCustomDBLookupComboboxGx::UpdateListFields() {
    if (listVisible_) return;
    listActive_ = false;
    listField_ = nullptr;
    listFields_.clear();
    keyFields_.clear();
    UpdateEditButtonControlsState();
    TDataSet* ds = listDataSet();
    if (listLink_->Active() && ds && !keyFieldName_.IsEmpty()) {
        CheckNotCircular();
        keyFields_ = GetFieldsProperty(ds, this, keyFieldName_);
        if (!listFieldName_.IsEmpty()) listFields_ = GetFieldsProperty(ds, this, listFieldName_);
        listField_ = ChooseLookupListField(listFields_, keyFields_,
                                           lookupMode_ ? ds->FindField(dataFields_.front()->LookupResultField()) : nullptr,
                                           lookupMode_, listFieldIndex_);
        listActive_ = listField_ != nullptr;
    }
    UpdateKeyTextIndependent();
    UpdateControlReadOnly();
    UpdateEditButtonControlsState();
    setListText();
}

Variant TCustomDBLookupComboboxGx::listKey(TDataSet* ds) const { return ds ? ds->FieldValues(keyFieldName_) : Null(); }

void TCustomDBLookupComboboxGx::setListText() {
    if (keyTextIndependent_) return;
    const bool modified = Modified();
    const bool linkModified = FieldDataLink()->IsModified();
    AnsiString text;
    TSpecRowGx* specRow = dropDownBox_->SpecRow();
    if (listActive_) {
        TDataSource* full = FullListSource();
        if (FocusedFlag() && SpecListMode() && LocateDataSourceKey(full)) {
            TField* f = full->DataSet()->FindField(listField_->FieldName());
            text = f ? f->DisplayText() : AnsiString();
        } else if (specRow->Visible() && (specRow->LocateKey(keyValue_) || (specRow->ShowIfNotInKeyList() && !LocateKey()))) {
            text = specRow->GetCellText(listFieldIndex_);
        } else if (LocateKey()) {
            text = listField_->DisplayText();
        }
    } else if (ComponentState() & csDesigning) {
        text = Name();
    }
    SetEditText(text);
    SetModified(modified);
    FieldDataLink()->SetModified(linkModified);
    Invalidate();
}

void TCustomDBLookupComboboxGx::SetEditText(const AnsiString& text) {
    FlagGuard g(settingEditText_);
    if (GetText() != text) TCustomMaskEdit::SetEditText(text);
}

// ==== Key and data ==================================================================================================

bool TCustomDBLookupComboboxGx::LocateDataSourceKey(TDataSource* source) {
    TDataSet* ds = source ? source->DataSet() : nullptr;
    if (!ds || VarIsNull(keyValue_) || !ds->Active() || !CompatibleVarValue(keyFields_, keyValue_)) return false;
    try {
        return ds->Locate(keyFieldName_, keyValue_, 0);
    } catch (const Exception&) {
        return false;
    }
}

bool TCustomDBLookupComboboxGx::LocateKey() {
    TDataSet* ds = listDataSet();
    if (!ds || VarIsNull(keyValue_) || !ds->Active() || !CompatibleVarValue(keyFields_, keyValue_)) return false;
    try {
        // The list often stands on the key already (a text was just found): no search then.
        if (!ds->IsEmpty() && VarEquals(listKey(ds), keyValue_)) return true;
        return ds->Locate(keyFieldName_, keyValue_, 0);
    } catch (const Exception&) {
        return false;
    }
}

void TCustomDBLookupComboboxGx::KeyValueChanged() {
    FieldDataLink()->Modified();
    SetModified(true);
    if (!keyTextIndependent_) {
        TSpecRowGx* specRow = dropDownBox_->SpecRow();
        if (listActive_) {
            const bool located = LocateKey();
            if (located && !(specRow->Visible() && VarEquals(keyValue_, specRow->Value()))) {
                SetEditText(listField_->DisplayText());
            } else if (!located && style_ == csDropDownListGx) {
                // A key the list lacks keeps no other record's text: the special row's text
                // when it shows for such keys, else none. (Free text stays in drop-down style.)
                const bool specText = specRow->Visible() && (specRow->LocateKey(keyValue_) || specRow->ShowIfNotInKeyList());
                SetEditText(specText ? specRow->GetCellText(listFieldIndex_) : AnsiString());
            }
        } else if (ComponentState() & csDesigning) {
            SetEditText(Name());
        }
    }
    if (listVisible_) dataList_->SetKeyValue(keyValue_);
    if (style_ == csDropDownListGx) SelectAll();
    if (OnKeyValueChanged) OnKeyValueChanged(this);
}

void TCustomDBLookupComboboxGx::DataChanged() {
    if (keyTextIndependent_) {
        TCustomDBEditGx::DataChanged();
        return;
    }
    TDataSourceLinkGx* link = GetDataLink();
    if (DataIndepended() && link->TextValue) {
        SetEditText(SafeVarToStr(link->LocalValue));
        LocateStr(GetText(), false);
    } else {
        Variant v = Null();
        TDataSet* ds = link->DataSet();
        if (ds && ds->Active() && !masterFields_.empty()) v = ds->FieldValues(masterFieldNames_);
        else if (DataIndepended()) v = link->LocalValue;
        SetKeyValue(v);
        if (listActive_) setListText();
    }
    UpdateControlReadOnly();
    SetModified(false);
}

void TCustomDBLookupComboboxGx::SelectKeyValue(const Variant& value) {
    TDataSourceLinkGx* link = GetDataLink();
    if (masterFields_.empty()) {
        SetKeyValue(value);
        if (!IsPostingData()) {
            try {
                UpdateData();
            } catch (...) {
                link->Reset();
                throw;
            }
        }
    } else if (link->Edit()) {
        link->DataSet()->SetFieldValues(masterFieldNames_, value);
    }
    TSpecRowGx* specRow = dropDownBox_->SpecRow();
    if (listActive_ && !LocateKey() && !(specRow->Visible() && (specRow->LocateKey(keyValue_) || specRow->ShowIfNotInKeyList())))
        SetEditText(AnsiString());
}

void TCustomDBLookupComboboxGx::SelectNextValue(bool up) {
    if (!CanModify(true) || !listLink_->Active()) return;
    TDataSet* ds = listDataSet();
    if (LocateKey()) {
        if (up) ds->Prior();
        else ds->Next();
    } else {
        ds->First();
    }
    SetKeyValue(listKey(ds));
    if (Focused()) SelectAll();
}

void TCustomDBLookupComboboxGx::SelectAll() { Perform(EM_SETSEL, 2147483647, 0); }

bool TCustomDBLookupComboboxGx::recordHasText(const AnsiString& text) {
    TDataSet* ds = listDataSet();
    if (!ds || !listField_) return false;
    try {
        return ds->Locate(listField_->FieldName(), Variant(text), loCaseInsensitive);
    } catch (const Exception&) {
        return false;
    }
}

void TCustomDBLookupComboboxGx::UpdateData() {
    const AnsiString text = GetText();
    TSpecRowGx* specRow = dropDownBox_->SpecRow();
    // Text the list lacks goes to the application, which may add it; an empty text and the special
    // row's own text name no record and are not asked about.
    const bool specText = specRow->Visible() && specRow->IsSelected;
    const bool specShown = specRow->Visible() && text == specRow->GetCellText(listFieldIndex_);
    if (listActive_ && OnNotInList && !text.IsEmpty() && !specText && !specShown && !recordHasText(text)) {
        bool recheck = false;
        OnNotInList(this, text, recheck);
        if (recheck && recordHasText(text)) SetKeyValue(listKey(listDataSet()));
    }
    ValidateEdit();
    if (PostDataEvent()) return;
    TDataSourceLinkGx* link = GetDataLink();
    if (DataIndepended() && listActive_ && !LocateKey() && !text.IsEmpty() && style_ == csDropDownGx &&
        !specRow->Visible()) {
        link->TextValue = true;
        link->SetValue(Variant(text));
    } else {
        link->TextValue = false;
        link->SetValue(keyValue_);
    }
    SetModified(false);
}

void TCustomDBLookupComboboxGx::SpecRowChanged(TObject*) {
    if (ComponentState() & csLoading) return;
    DataChanged();
    UpdateListFields();
    dataList_->SetSpecRow(dropDownBox_->SpecRow());
}

int TCustomDBLookupComboboxGx::GetListFieldsWidth() {
    TCanvas* c = GetScreenDC();
    TFont saved;
    saved.Assign(c->Font());
    c->Font()->Assign(Font());
    const int zero = c->TextWidth("0");
    c->Font()->Assign(&saved);
    int w = 0;
    for (TField* f : listFields_) w += f->DisplayWidth() * zero + 4;
    return w;
}

AnsiString TCustomDBLookupComboboxGx::GetDisplayTextForPaintCopy() {
    if ((ComponentState() & csDesigning) && !GetDataLink()->Active()) return Name();
    TDataSet* data = GetDataLink()->DataSet();
    TDataSet* list = listDataSet();
    if ((ControlState() & csPaintCopy) && GetDataFieldObject() && listLink_->Active() && data && list &&
        !masterFields_.empty() && listField_) {
        try {
            const Variant v = list->Lookup(keyFieldName_, data->FieldValues(masterFieldNames_), listField_->FieldName());
            return VarIsNull(v) ? AnsiString() : VarToStr(v);
        } catch (const Exception&) {
            return AnsiString();
        }
    }
    return GetText();
}

// ==== Typing ===========================================================================================================

void TCustomDBLookupComboboxGx::InternalSetText(const AnsiString& text) {
    if (keyTextIndependent_) {
        TCustomDBEditGx::InternalSetText(text);
        return;
    }
    if (style_ == csDropDownGx) {
        FlagGuard g(settingEditText_);
        TCustomDBEditGx::InternalSetText(text);
    }
    LocateStr(text, false);
}

void TCustomDBLookupComboboxGx::holdChange(TObject*) { changeSeen_ = true; }

void TCustomDBLookupComboboxGx::selectTail(int from) {
    const int len = CharCount(GetText());
    from = std::clamp(from, 0, len);
    SetSelStart(from);
    SetSelLength(len - from);
}

bool TCustomDBLookupComboboxGx::LocateStr(const AnsiString& text, bool partialKey) {
    if (!listActive_ || !CanModify(true)) return false;
    TDataSet* ds = listDataSet();
    try {
        const TLocateOptions options = loCaseInsensitive | (partialKey ? loPartialKey : 0);
        if (ds->Locate(listField_->FieldName(), Variant(text), options)) {
            // The key and the text change as one: OnChange fires once afterwards, if at all.
            const TNotifyEvent saved = OnChange;
            changeSeen_ = false;
            OnChange = TNotifyEvent(this, &TCustomDBLookupComboboxGx::holdChange);
            try {
                SetKeyValue(listKey(ds));
                SetEditText(listField_->DisplayText());
                selectTail(CharCount(text));
            } catch (...) {
                OnChange = saved;
                throw;
            }
            OnChange = saved;
            if (changeSeen_ && OnChange) OnChange(this);
            return true;
        }
        if (style_ == csDropDownGx) SetKeyValue(Null());
    } catch (const Exception&) {
        if (style_ == csDropDownGx) {
            SetKeyValue(Null());
        } else {
            SetEditText(GetText());
            SetSelStart(CharCount(GetText()));
            SetSelLength(0);
        }
    }
    return false;
}

void TCustomDBLookupComboboxGx::ProcessSearchStr(const AnsiString& text) {
    if (!listField_ || (listField_->FieldKind() != fkData && listField_->FieldKind() != fkInternalCalc)) return;
    if (!CanModify(true)) return;
    if (text == "\b") {
        // The completed part grows backwards by one character; nothing is searched.
        const int len = CharCount(GetText());
        int start = SelLength() >= len ? len - 1 : SelStart() - 1;
        start = std::max(0, start);
        SetSelStart(start);
        SetSelLength(len - start);
        return;
    }
    LocateStr(leftChars(GetText(), SelStart()) + text, true);
}

void TCustomDBLookupComboboxGx::KeyPress(WideChar& key) {
    if (listVisible_ && (key == 13 || key == 27)) {
        CloseUp(key == 13);
        key = 0;
        return;
    }
    TCustomDBEditGx::KeyPress(key);
    if (key == 0 || keyTextIndependent_) return;
    if (key == 8 && style_ == csDropDownListGx) {
        ProcessSearchStr("\b");
        key = 0;
        return;
    }
    if (key >= 32) {
        if (dropDownBox_->AutoDrop() && listActive_ && !listVisible_) DropDown();
        if (style_ == csDropDownListGx) {
            AnsiString ch = GetCompleteKeyPress();
            if (ch.IsEmpty()) ch = CharToText(key);
            ProcessSearchStr(ch);
            key = 0;
        }
    }
}

void TCustomDBLookupComboboxGx::WMChar(TMessage& m) {
    const auto ch = static_cast<WideChar>(m.WParam);
    const int len = CharCount(GetText());
    const bool atEnd = SelStart() >= len && SelLength() == 0 && ch != 8;
    // Every character counts, the full stop too: it is typed text like any other.
    const bool look = style_ == csDropDownGx && !keyTextIndependent_ && ch != 0 &&
                      !(CurrentShiftState() & (ssAlt | ssCtrl));
    pendingChar_ = look ? ch : 0;
    pendingAtEnd_ = atEnd;
    TCustomDBEditGx::WMChar(m);
}

void TCustomDBLookupComboboxGx::Change() {
    TCustomDBEditGx::Change();
    const WideChar ch = pendingChar_;
    pendingChar_ = 0;
    if (settingEditText_ || keyTextIndependent_ || style_ != csDropDownGx || !listActive_) return;
    if (ch != 0 && pendingAtEnd_) {
        // Typing at the end completes the text from the list.
        ProcessSearchStr(AnsiString());
        return;
    }
    const int caret = SelStart();
    if (LocateStr(GetText(), false)) selectTail(caret);
}

void TCustomDBLookupComboboxGx::KeyDown(WORD& key, TShiftState shift) {
    pendingChar_ = 0;
    TCustomDBEditGx::KeyDown(key, shift);
    if (key == 0) return;
    TSpecRowGx* specRow = dropDownBox_->SpecRow();
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    if (listActive_ && specRow->Visible() && ShortCut(key, mods) == specRow->ShortCut()) {
        if (CanModify(true)) {
            SetKeyValue(specRow->Value());
            SetEditText(specRow->GetCellText(listFieldIndex_));
            SelectAll();
        }
        key = 0;
        return;
    }
    if (listActive_ && (key == VK_UP || key == VK_DOWN) && !listVisible_) {
        if (CanModify(true)) SelectNextValue(key == VK_UP);
        key = 0;
        return;
    }
    if (listVisible_ && (key == VK_CONTROL || key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                         ((key == VK_HOME || key == VK_END) && (shift & ssCtrl)))) {
        dataList_->ForwardKeyDown(key, shift);
        key = 0;
        return;
    }
    if (key == VK_DELETE && !keyTextIndependent_) {
        if (style_ == csDropDownListGx) {
            if (CanModify(true)) {
                const bool whole = SelStart() == 0 && SelLength() >= CharCount(GetText());
                const bool required = std::any_of(masterFields_.begin(), masterFields_.end(),
                                                  [](TField* f) { return f->Required(); });
                if (whole || !required) {
                    SetKeyValue(Null());
                    SetEditText(AnsiString());
                }
            }
            key = 0;
            return;
        }
        FieldDataLink()->Edit();
    }
}

void TCustomDBLookupComboboxGx::KeyUp(WORD& key, TShiftState shift) {
    const WORD original = key;
    TCustomDBEditGx::KeyUp(key, shift);
    if (listVisible_ && original == VK_CONTROL) {
        WORD k = VK_CONTROL;
        dataList_->ForwardKeyUp(k, shift);
    }
}

bool TCustomDBLookupComboboxGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
    if ((shift & ssShift) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    SelectNextValue(false);
    return true;
}

bool TCustomDBLookupComboboxGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
    if ((shift & ssShift) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    SelectNextValue(true);
    return true;
}

void TCustomDBLookupComboboxGx::ButtonDown(bool isDownButton) {
    if (EditButton()->Style() == ebsUpDownGx) {
        // The upper half steps to the previous record, the lower half to the next.
        if (CanModify(true)) SelectNextValue(!isDownButton);
        return;
    }
    TCustomDBEditGx::ButtonDown(isDownButton);
}

// ==== Drop-down ===========================================================================================================

void TCustomDBLookupComboboxGx::DropDown() {
    if (listVisible_ || !listActive_) return;
    if (!Focused() && CanFocus()) SetFocus();
    if (OnDropDown) OnDropDown(this);
    TPopupDataGridGx* g = dataList_;
    g->SetKeyValue(Null());
    g->SetSpecRow(dropDownBox_->SpecRow());
    g->SetColor(Color());
    g->Font()->Assign(Font());
    g->SetShowTitles(dropDownBox_->ShowTitles());
    g->SetUseMultiTitle(dropDownBox_->UseMultiTitle());
    g->SetReadOnly(!CanModify(false));
    TDataSet* ds = listDataSet();
    int rows = dropDownBox_->Rows();
    if (ds && ds->IsSequenced()) {
        const int n = ds->RecordCount();
        if (n >= 1 && n <= rows - 1) rows = n;
    }
    g->SetRowCount(rows);
    g->SetKeyFieldName(keyFieldName_);
    AnsiString names;
    for (TField* f : listFields_) names += f->FieldName() + ";";
    g->SetListFieldName(names);
    const auto at = std::find(listFields_.begin(), listFields_.end(), listField_);
    g->SetListFieldIndex(at == listFields_.end() ? 0 : static_cast<int>(at - listFields_.begin()));
    g->SetAutoFitColWidths(false);
    g->SetListSource(listLink_->DataSource());
    const int w = dropDownBox_->Width();
    if (w == -1) g->SetClientWidth(g->GetColumnsWidthToFit());
    else if (w <= 0) g->SetWidth(Width());
    else g->SetWidth(w);
    if (g->Width() < Width()) g->SetWidth(Width());
    g->SetAutoFitColWidths(dropDownBox_->AutoFitColWidths());
    g->SetKeyValue(keyValue_);
    g->SetReadOnly(!CanModify(false));
    listColumnsMoved_ = false;
    g->OnColumnMoved = TMovedEvent(this, &TCustomDBLookupComboboxGx::dataListColumnMoved);
    TDropDownAlign align = dropDownBox_->Align();
    if (listField_ && UseRightToLeftAlignment()) {
        if (align == daLeft) align = daRight;
        else if (align == daRight) align = daLeft;
    }
    const TPoint p = AlignDropDownWindow(this, g, align);
    g->SetBounds(p.x, p.y, g->Width(), g->Height());
    g->SetVisible(true);
    ShowWindow(g->Handle(), SW_SHOWNOACTIVATE);
    if (g->SizeGrip()) g->SizeGrip()->SetVisible(dropDownBox_->Sizable());
    g->SetRowCount(g->RowCount());
    listVisible_ = true;
    Invalidate();
    g->SetGripResized(false);
    TCustomDBEditGx::DropDown();
    isDroppedDown_ = true;
}

void TCustomDBLookupComboboxGx::dataListColumnMoved(TObject*, int, int) { listColumnsMoved_ = true; }

void TCustomDBLookupComboboxGx::dataListMouseChoice(TObject*, bool accept) { CloseUp(accept); }

void TCustomDBLookupComboboxGx::CloseUp(bool accept) {
    if (!listVisible_) return;
    TPopupDataGridGx* g = dataList_;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    const Variant listValue = g->KeyValue();
    ShowWindow(g->Handle(), SW_HIDE);
    g->SetVisible(false);
    listVisible_ = false;
    if (g->GripResized()) {
        // The user's size is the drop-down's from now on.
        dropDownBox_->SetRows(g->RowCount());
        dropDownBox_->SetWidth(g->Width());
    }
    g->OnColumnMoved = TMovedEvent();
    g->SetAutoFitColWidths(false);
    g->SetListSource(nullptr);
    if (listColumnsMoved_) {
        if (g->Columns()->State() != csCustomized) {
            listFieldIndex_ = g->ListFieldIndex();
            listFieldName_ = g->ListFieldName();
        }
        dropDownBox_->SpecRow()->SetCellsText(g->SpecRow()->CellsText());
    }
    Invalidate();
    isDroppedDown_ = false;
    TCustomDBEditGx::CloseUp(accept);
    if (listColumnsMoved_) UpdateListFields();
    listColumnsMoved_ = false;
    if (accept && CanModify(true)) {
        SetKeyValue(listValue);
        TSpecRowGx* specRow = dropDownBox_->SpecRow();
        if (specRow->Visible() && (specRow->LocateKey(listValue) || (specRow->ShowIfNotInKeyList() && !LocateKey())))
            SetEditText(specRow->GetCellText(listFieldIndex_));
        SelectAll();
    }
    if (style_ == csDropDownGx) SelectAll();
    if (OnCloseUp) OnCloseUp(this, accept);
}

// ==== Mouse and messages =====================================================================================================

void TCustomDBLookupComboboxGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (style_ == csDropDownListGx && button == mbLeft && !(shift & ssDouble) && ButtonEnabled() && !listVisible_ &&
        !PtInRect(ButtonRect(), TPoint(x, y))) {
        if (!Focused() && CanFocus()) SetFocus();
        DropDown();
        suppressClickCloseUp_ = true;
    }
    TCustomDBEditGx::MouseDown(button, shift, x, y);
}

void TCustomDBLookupComboboxGx::Click() {
    TCustomDBEditGx::Click();
    if (style_ == csDropDownListGx && listVisible_ && !suppressClickCloseUp_) CloseUp(false);
    suppressClickCloseUp_ = false;
}

void TCustomDBLookupComboboxGx::WMSetCursor(TMessage& m) {
    if (style_ == csDropDownListGx && !keyTextIndependent_) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::WMSetCursor(m);
}

void TCustomDBLookupComboboxGx::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
    TCustomDBEditGx::EditButtonMouseMove(sender, shift, x, y);
    dragIntoList(dynamic_cast<TControl*>(sender), x, y);
}

void TCustomDBLookupComboboxGx::MouseMove(TShiftState shift, int x, int y) {
    TCustomDBEditGx::MouseMove(shift, x, y);
    dragIntoList(this, x, y);
}

void TCustomDBLookupComboboxGx::dragIntoList(TControl* c, int x, int y) {
    if (!listVisible_ || !c || Mouse->Capture() != c) return;
    const TPoint p = c->ClientToScreen(TPoint(x, y));
    const TPoint lp = dataList_->ScreenToClient(p);
    TRect area = dataList_->ClientRect();
    area.Top = dataList_->GetTitleRowHeight();
    if (!PtInRect(area, lp)) return;
    // A drag from the button into the list goes on as a choice in the list.
    c->Perform(WM_CANCELMODE);
    Mouse->SetCapture(nullptr);
    dataList_->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lp.x, lp.y));
}

void TCustomDBLookupComboboxGx::WndProc(TMessage& m) {
    if (listVisible_ && m.Msg == CM_MOUSEWHEEL) {
        if (dataList_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
            m.Result = 1;
            return;
        }
    }
    TCustomDBEditGx::WndProc(m);
}

void TCustomDBLookupComboboxGx::Dispatch(TMessage& m) {
    if (m.Msg == EM_REPLACESEL && !keyTextIndependent_ && style_ == csDropDownListGx) {
        // The text as the replacement would leave it is looked up: a text the list lacks is not
        // shown, so the text and the key never part.
        const AnsiString text = GetText();
        const int start = SelStart();
        const AnsiString with = m.LParam ? AnsiString(reinterpret_cast<const char*>(m.LParam)) : AnsiString();
        const std::string after = text.str().substr(leftChars(text, start + SelLength()).str().size());
        if (LocateStr(leftChars(text, start) + with + AnsiString(after), false)) selectTail(start + CharCount(with));
        return;
    }
    if ((m.Msg == WM_CUT || m.Msg == WM_PASTE) && !keyTextIndependent_) {
        FieldDataLink()->Edit();
        if (style_ == csDropDownListGx) {
            if (m.Msg == WM_PASTE && Clipboard()->HasFormat(CF_TEXT)) ProcessSearchStr(Clipboard()->AsText());
            return;
        }
    }
    TCustomDBEditGx::Dispatch(m);
}

void TCustomDBLookupComboboxGx::DefaultHandler(TMessage& m) {
    if (style_ == csDropDownListGx && !keyTextIndependent_ && SwallowListStyleMouse(m)) return;
    TCustomDBEditGx::DefaultHandler(m);
}

void TCustomDBLookupComboboxGx::CMWantSpecialKey(TMessage& m) {
    const WORD key = static_cast<WORD>(m.WParam);
    if (listVisible_ && (key == VK_RETURN || key == VK_ESCAPE)) {
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::CMWantSpecialKey(m);
}

void TCustomDBLookupComboboxGx::CMCancelMode(TMessage& m) {
    TCustomDBEditGx::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!listVisible_) return;
    if (sender == this || (sender && ContainsControl(sender)) || sender == dataList_ ||
        (sender && dataList_->ContainsControl(sender)))
        return;
    CloseUp(false);
}

void TCustomDBLookupComboboxGx::WMKillFocus(TMessage& m) {
    TCustomDBEditGx::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (listVisible_ && other != dataList_) CloseUp(false);
}
