// The lookup combo box: an edit control that edits a key by showing the text a list dataset gives
// for it. Typed text is completed from the list's display field; a drop-down lookup grid offers the
// list; arrows and the wheel step through it; a special row can stand for a value of its own; and
// OnNotInList asks the application about text the list lacks.
#pragma once

#include "gridlib/editors/DBCtrlsGx.h"
#include "gridlib/grid/DBLookupGridsGx.h"

#include <memory>
#include <vector>

class TCustomDBLookupComboboxGx;

enum TDBLookupComboboxGxStyle { csDropDownGx, csDropDownListGx };

// The drop-down settings of a lookup combo box. Its own ListSource, when set, is the list used while
// the control has the focus.
class TLookupComboboxDropDownBoxGx : public TColumnDropDownBoxGx {
    PLANTMON_CLASS(TLookupComboboxDropDownBoxGx, TColumnDropDownBoxGx)
public:
    explicit TLookupComboboxDropDownBoxGx(TPersistent* owner);
};

// The data side's link: several key fields at once.
class TDataSourceLinkGx : public TFieldDataLinkGx {
    PLANTMON_CLASS(TDataSourceLinkGx, TFieldDataLinkGx)
public:
    explicit TDataSourceLinkGx(TCustomDBLookupComboboxGx* control);
    // The value passed to the data side is the typed text, not a key.
    bool TextValue = false;
    void ClearControl() { control_ = nullptr; }

protected:
    void LayoutChanged() override;

private:
    TCustomDBLookupComboboxGx* control_;
};

// The list side's link.
class TListSourceLinkGx : public TDataLink {
    PLANTMON_CLASS(TListSourceLinkGx, TDataLink)
public:
    explicit TListSourceLinkGx(TCustomDBLookupComboboxGx* control);
    void ClearControl() { control_ = nullptr; }

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;

private:
    TCustomDBLookupComboboxGx* control_;
};

class TCustomDBLookupComboboxGx : public TCustomDBEditGx, public ILookupGridOwner {
    PLANTMON_CLASS(TCustomDBLookupComboboxGx, TCustomDBEditGx)
public:
    explicit TCustomDBLookupComboboxGx(TComponent* owner);
    ~TCustomDBLookupComboboxGx() override;

    // ---- Data side
    AnsiString GetDataField() const override { return dataFieldName_; }
    void SetDataField(const AnsiString& name) override;
    TField* GetDataFieldObject() const { return dataFields_.empty() ? nullptr : dataFields_.front(); }
    TDataSourceLinkGx* GetDataLink() const { return static_cast<TDataSourceLinkGx*>(FieldDataLink()); }

    // ---- List side
    AnsiString KeyField() const { return lookupMode_ ? AnsiString() : keyFieldName_; }
    void SetKeyField(const AnsiString& s);
    AnsiString ListField() const { return listFieldName_; }
    void SetListField(const AnsiString& s);
    int ListFieldIndex() const { return listFieldIndex_; }
    void SetListFieldIndex(int i) { listFieldIndex_ = i; }
    TDataSource* ListSource() const { return lookupMode_ ? nullptr : listSource_; }
    void SetListSource(TDataSource* ds);
    TListSourceLinkGx* ListLink() const { return listLink_.get(); }
    TField* DisplayField() const { return listField_; }
    bool ListActive() const { return listActive_; }
    bool LookupMode() const { return lookupMode_; }
    bool KeyTextIndependent() const { return keyTextIndependent_; }
    // The list in use: the drop-down box's own while focused, else the full one.
    TDataSource* UsedListSource() const;
    TDataSource* FullListSource() const;

    // ---- Key, style, drop-down
    Variant KeyValue() const { return keyValue_; }
    void SetKeyValue(const Variant& v);
    TDBLookupComboboxGxStyle Style() const { return style_; }
    void SetStyle(TDBLookupComboboxGxStyle s);
    TLookupComboboxDropDownBoxGx* DropDownBox() const { return dropDownBox_.get(); }
    void SetDropDownBox(TLookupComboboxDropDownBoxGx* b) { dropDownBox_->Assign(b); }
    TPopupDataGridGx* PopupGrid() const { return dataList_; }
    bool ListVisible() const { return listVisible_; }

    // ---- ILookupGridOwner
    void SetDropDownBoxListSource(TDataSource* dataSource) override;
    TCustomDBGridGx* GetLookupGrid() override { return dataList_; }
    TDBLookupGridGxOptions GetOptions() override { return dataList_->LookupOptions(); }
    void SetOptions(TDBLookupGridGxOptions options) override { dataList_->SetLookupOptions(options); }

    virtual bool CanModify(bool edit);
    virtual bool CompatibleVarValue(const std::vector<TField*>& fields, const Variant& value);
    virtual int GetListFieldsWidth();
    virtual bool LocateStr(const AnsiString& text, bool partialKey);
    virtual bool LocateDataSourceKey(TDataSource* source);
    virtual bool SpecListMode();
    virtual void KeyValueChanged();
    virtual void ListLinkDataChanged() {}
    virtual void ProcessSearchStr(const AnsiString& text);
    virtual void SelectKeyValue(const Variant& value);
    virtual void SpecRowChanged(TObject* sender);
    virtual void UpdateDataFields();
    virtual void UpdateListFields();
    virtual void UpdateListLinkDataSource();
    virtual bool LocateKey();
    virtual void SelectAll();

    void CheckNotCircular();
    void CheckNotLookup();
    void ClearDataProps();
    void SelectNextValue(bool up);
    void DropDown() override;
    void CloseUp(bool accept) override;
    void ButtonDown(bool isDownButton) override;
    void UpdateData() override;

    // The drop-down grid's events, kept by the grid.
    TCheckTitleGxBtnEvent OnDropDownBoxCheckButton() const { return dataList_->OnCheckButton; }
    void SetOnDropDownBoxCheckButton(TCheckTitleGxBtnEvent e) { dataList_->OnCheckButton = e; }
    TDrawColumnGxCellEvent OnDropDownBoxDrawColumnCell() const { return dataList_->OnDrawColumnCell; }
    void SetOnDropDownBoxDrawColumnCell(TDrawColumnGxCellEvent e) { dataList_->OnDrawColumnCell = e; }
    TGetCellGxParamsEvent OnDropDownBoxGetCellParams() const { return dataList_->OnGetCellParams; }
    void SetOnDropDownBoxGetCellParams(TGetCellGxParamsEvent e) { dataList_->OnGetCellParams = e; }
    TNotifyEvent OnDropDownBoxSortMarkingChanged() const { return dataList_->OnSortMarkingChanged; }
    void SetOnDropDownBoxSortMarkingChanged(TNotifyEvent e) { dataList_->OnSortMarkingChanged = e; }
    TTitleGxClickEvent OnDropDownBoxTitleBtnClick() const { return dataList_->OnTitleBtnClick; }
    void SetOnDropDownBoxTitleBtnClick(TTitleGxClickEvent e) { dataList_->OnTitleBtnClick = e; }

    TCloseUpEventGx OnCloseUp;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnKeyValueChanged;
    TNotInListEventGx OnNotInList;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    bool ButtonEnabled() override;
    std::unique_ptr<TEditButtonGx> CreateEditButton() override;
    TAlignment DefaultAlignment() override;
    AnsiString GetDisplayTextForPaintCopy() override;
    Variant GetVariantValue() const override { return keyValue_; }
    bool IsValidChar(WideChar key) override;
    void ActiveChanged() override;
    void DataChanged() override;
    void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
    void InternalSetText(const AnsiString& text) override;
    void InternalSetValue(const Variant& value) override { SetKeyValue(value); }
    void SetFocused(bool value) override;
    void UpdateControlReadOnly() override;

    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    void Click() override;
    void Change() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void WMKillFocus(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;
    void WMChar(TMessage& m) override;
    void CMCancelMode(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;

    void SetLookupMode(bool value);
    void UpdateKeyTextIndependent();
    // Sets the shown text without writing anything (the value shown, not typed).
    void SetEditText(const AnsiString& text);

private:
    friend class TDataSourceLinkGx;
    friend class TListSourceLinkGx;
    void dataListMouseChoice(TObject* sender, bool accept);
    // A press held on c (the control or its button) dragged into the open list chooses there.
    void dragIntoList(TControl* c, int x, int y);
    void dataListColumnMoved(TObject* sender, int fromIndex, int toIndex);
    void holdChange(TObject* sender);
    TDataSet* listDataSet() const { return listLink_->DataSet(); }
    Variant listKey(TDataSet* ds) const;
    void setListText();
    void selectTail(int from);
    bool recordHasText(const AnsiString& text);

    TPopupDataGridGx* dataList_ = nullptr;
    std::unique_ptr<TLookupComboboxDropDownBoxGx> dropDownBox_;
    std::unique_ptr<TDataSource> internalSource_;
    std::unique_ptr<TListSourceLinkGx> listLink_;
    TDataSource* listSource_ = nullptr;
    std::vector<TField*> dataFields_, masterFields_, keyFields_, listFields_;
    AnsiString masterFieldNames_;
    AnsiString dataFieldName_, keyFieldName_, listFieldName_;
    int listFieldIndex_ = 0;
    TField* listField_ = nullptr;
    Variant keyValue_ = Null();
    TDBLookupComboboxGxStyle style_ = csDropDownListGx;
    bool listActive_ = false;
    bool lookupMode_ = false;
    bool keyTextIndependent_ = true;
    bool listVisible_ = false;
    bool listColumnsMoved_ = false;
    bool changeSeen_ = false;
    bool holdingChange_ = false;
    bool updatingDataFields_ = false;
    bool clearingDataProps_ = false;
    bool settingEditText_ = false;
    // A character typed at the end of the text (drop-down style completes it) or elsewhere.
    WideChar pendingChar_ = 0;
    bool pendingAtEnd_ = false;
    int pendingCaret_ = 0;
};

class TDBLookupComboboxGx : public TCustomDBLookupComboboxGx {
    PLANTMON_CLASS(TDBLookupComboboxGx, TCustomDBLookupComboboxGx)
public:
    explicit TDBLookupComboboxGx(TComponent* owner) : TCustomDBLookupComboboxGx(owner) {}
};
