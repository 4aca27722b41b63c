// The data-aware editors of the grid library:
// - the field data link that ties an editor to one field, a list of fields, or to a value of the
//   editor's own when there is no data source and no field name (data-independent);
// - the image an editor shows beside its text;
// - the edit control with its buttons, image, most-recently-used list, tool tips, required-field
//   mark and flat look, which can also be hosted in place by another control (the grid);
// - the combo box editor in text mode (free text completed from a list) and key mode (a list of
//   texts standing for keys).
#pragma once

#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/Forms.h"
#include "gui/Mask.h"
#include "gui/WinApi.h"

#include <functional>
#include <memory>

class TCustomDBEditGx;

// The text of a value: Null, Empty and arrays give empty text, and so does a value whose conversion
// fails.
AnsiString SafeVarToStr(const Variant& v);

// ---- Field data link -------------------------------------------------------------------------------
class TFieldDataLinkGx : public TDataLink {
    PLANTMON_CLASS(TFieldDataLinkGx, TDataLink)
public:
    TFieldDataLinkGx();

    // Data-independent: starts editing unless read-only. Bound: puts the dataset into edit state
    // when the field can be modified. Answers the link's own editing flag.
    bool Edit();
    bool GetActive() const;
    bool GetDataSetActive() const;
    bool GetCanModify() const;
    TDataSource* GetDataSource() const { return DataSource(); }
    void SetDataSource(TDataSource* ds);
    const AnsiString& FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    bool MultiFields() const { return multiFields_; }
    void SetMultiFields(bool b);
    bool DataIndepended() const { return dataIndepended_; }

    TField* GetField() const { return fields_.empty() ? nullptr : fields_.front(); }
    TField* Field() const { return GetField(); }
    int GetFieldsCount() const { return static_cast<int>(fields_.size()); }
    TField* GetFieldsField(int index) const;
    bool FieldFound(TField* field) const;

    // Writes a value: into LocalValue when data-independent, else into the field(s).
    void SetText(const AnsiString& text);
    void SetValue(const Variant& value);
    void Modified() { modified_ = true; }
    void SetModified(bool b) { modified_ = b; }
    bool IsModified() const { return modified_; }
    // The link's own editing flag (the dataset's editing state is TDataLink::Editing).
    bool Editing() const { return editing_; }
    void SetEditing(bool b);
    // The editor shows the stored value again.
    void Reset() { RecordChanged(nullptr); }
    void UpdateField();
    void UpdateDataIndepended();
    void UpdateRightToLeft();
    void SetField(const TFieldsArrGx& fields);

    // The editor that owns the link.
    TComponent* Control = nullptr;
    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingStateChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveStateChange;
    // The value held while data-independent.
    Variant LocalValue = Null();

protected:
    void ActiveChanged() override;
    void DataEvent(TDataEvent event, std::intptr_t info) override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    TFieldsArrGx fields_;
    AnsiString fieldName_;
    bool multiFields_ = false;
    bool dataIndepended_ = true;
    bool editing_ = false;
    bool modified_ = false;
};

// ---- Edit image ------------------------------------------------------------------------------------
class TEditImageGx : public TPersistent {
    PLANTMON_CLASS(TEditImageGx, TPersistent)
public:
    explicit TEditImageGx(TWinControl* editControl);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    // 0: the image list's width.
    int Width() const { return width_; }
    void SetWidth(int w);
    bool UseImageHeight() const { return useImageHeight_; }
    void SetUseImageHeight(bool b);
    void Assign(TPersistent* source) override;

private:
    void changed();
    TWinControl* editControl_;
    TCustomImageList* images_ = nullptr;
    int imageIndex_ = -1;
    bool visible_ = false;
    int width_ = 0;
    bool useImageHeight_ = true;
};

// ---- In-place hosting --------------------------------------------------------------------------------
// The host of an in-place editor sees the editor's messages and keys first.
class IInplaceEditHolderGx {
public:
    static constexpr const char* IID = "{4BE708F1-4EA2-4AC7-BA64-89D7D2B83E09}";
    virtual bool InplaceEditCanModify(TControl* control) = 0;
    // Screen position and message time of the host's last mouse press.
    virtual void GetMouseDownInfo(TPoint& pos, DWORD& time) = 0;
    // A non-zero result consumes the message.
    virtual void InplaceEditWndProc(TControl* control, TMessage& message) = 0;
    virtual void InplaceEditKeyDown(TControl* control, WORD& key, TShiftState shift) = 0;
    virtual void InplaceEditKeyPress(TControl* control, WideChar& key) = 0;
    virtual void InplaceEditKeyUp(TControl* control, WORD& key, TShiftState shift) = 0;

protected:
    ~IInplaceEditHolderGx() = default;
};

// An editor that can be hosted in place.
class IInplaceEditGx {
public:
    static constexpr const char* IID = "{81F0C558-B001-4477-BAA6-2DC373FCDF88}";
    virtual TFont* GetFont() = 0;
    // The holder must support IInplaceEditHolderGx; null leaves in-place mode.
    virtual void SetInplaceEditHolder(TWinControl* holder) = 0;
    virtual void SetBorderStyle(TBorderStyle style) = 0;
    virtual void SetFont(TFont* font) = 0;
    virtual void SetColor(TColor color) = 0;
    virtual void SetOnKeyPress(TKeyPressEvent handler) = 0;
    virtual void SetOnExit(TNotifyEvent handler) = 0;

protected:
    ~IInplaceEditGx() = default;
};

// ---- Tool tips -------------------------------------------------------------------------------------
// The hint window of an editor's tool tip: measures and draws in the font handed over as hint data.
class TToolTipsWindow : public THintWindow {
    PLANTMON_CLASS(TToolTipsWindow, THintWindow)
public:
    explicit TToolTipsWindow(TComponent* owner);
    TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data) override;
};

// ---- Edit control ----------------------------------------------------------------------------------
using TUpdateDataEventGx = TClosure<void(TObject* Sender, bool& Handled)>;
using TOnCheckDrawRequiredStateEventGx = TClosure<void(TObject* Sender, bool& DrawState)>;
using TGetImageIndexEventGx = TClosure<void(TObject* Sender, int& ImageIndex)>;

class TCustomDBEditGx : public TCustomMaskEdit, public IComboEditGx, public IInplaceEditGx {
    PLANTMON_CLASS(TCustomDBEditGx, TCustomMaskEdit)
public:
    explicit TCustomDBEditGx(TComponent* owner);
    ~TCustomDBEditGx() override;

    // Data.
    TDataSource* DataSource() const { return GetDataSource(); }
    AnsiString DataField() const { return GetDataField(); }
    virtual TDataSource* GetDataSource() const;
    virtual void SetDataSource(TDataSource* ds);
    virtual AnsiString GetDataField() const;
    virtual void SetDataField(const AnsiString& name);
    TField* GetField() const;
    TField* Field() const { return GetField(); }
    virtual bool DataIndepended() const;
    TFieldDataLinkGx* FieldDataLink() const { return dataLink_.get(); }

    // Text and value.
    AnsiString GetText() const override;
    void SetText(const AnsiString& text);
    Variant GetValue() const { return GetVariantValue(); }
    void SetValue(const Variant& v) { SetVariantValue(v); }
    virtual void Clear();
    void Undo();
    void Deselect();
    bool IsPostingData() const { return isPostingData_; }
    // True when OnUpdateData handled the writing.
    bool PostDataEvent();
    AnsiString GetCompleteKeyPress() const { return completeKeyPress_; }

    // Properties.
    bool ReadOnly() const { return readOnly_; }
    bool GetReadOnly() const { return readOnly_; }
    virtual void SetReadOnly(bool b);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    bool IsAlignmentStored() const { return alignmentAssigned_; }
    AnsiString EditMask() const { return TCustomMaskEdit::EditMask(); }
    void SetEditMask(const AnsiString& mask);
    bool IsEditMaskAssigned() const { return editMaskAssigned_; }
    bool AlwaysShowBorder() const { return alwaysShowBorder_; }
    void SetAlwaysShowBorder(bool b);
    bool Flat() const { return flat_; }
    void SetFlat(bool b);
    bool HighlightRequired() const { return highlightRequired_; }
    void SetHighlightRequired(bool b);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool b) { wantReturns_ = b; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool b) { wantTabs_ = b; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool b);
    void SetPasswordChar(char c);
    bool Tooltips() const { return tooltips_; }
    void SetTooltips(bool b);
    bool GetShowHint() const { return ownShowHint_; }
    void SetShowHint(bool b);
    void SetAutoSize(bool b);
    bool AutoSize() const { return autoSize_; }
    // The stored text of a form: only data-independent and not empty.
    bool IsTextStored() const { return DataIndepended() && !GetText().IsEmpty(); }

    // Buttons, image, MRU list.
    TEditButtonGx* EditButton() const { return editButton_.get(); }
    void SetEditButton(TEditButtonGx* b) { editButton_->Assign(b); }
    TEditButtonsGx* EditButtons() const { return editButtons_.get(); }
    void SetEditButtons(TEditButtonsGx* b) { editButtons_->Assign(b); }
    const TEditButtonControlList& EditButtonControls() const { return editButtonControls_; }
    TEditImageGx* EditImage() const { return editImage_.get(); }
    TCustomImageList* GetImages() const;
    void SetImages(TCustomImageList* images);
    TMRUListGx* MRUList() const { return mruList_.get(); }
    void SetMRUList(TMRUListGx* l) { mruList_->Assign(l); }
    TMRUListboxGx* GetMRUListControl();
    TMRUListboxGx* MRUListControlIfMade() const { return mruListControl_; }
    TEditButtonGx* GetEditButtonByShortCut(TShortCut shortCut);
    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    int ImageWidth() const { return imageWidth_; }
    bool BorderActive() const { return borderActive_; }
    bool IsDroppedDown() const { return isDroppedDown_; }
    bool SuppressClickCloseUp() const { return suppressClickCloseUp_; }
    int PressedHalf() const { return pressedHalf_; }
    bool FocusedFlag() const { return focusedFlag_; }
    void SetOnGetImageIndex(const TGetImageIndexEventGx& handler);

    // Geometry.
    TRect ButtonRect() const;
    TRect EditRect() const;
    TRect ImageRect() const;
    virtual void CalcEditRect(TRect& rect);
    void SetEditRect();
    TPoint GetTextMargins();
    // The window's styles after the edit's own (multi-line, wrapping, alignment).
    DWORD EditStyle() const;

    // In-place mode.
    TFont* GetFont() override { return Font(); }
    void SetInplaceEditHolder(TWinControl* holder) override;
    void SetBorderStyle(TBorderStyle style) override { TCustomEdit::SetBorderStyle(style); }
    void SetFont(TFont* font) override { TControl::SetFont(font); }
    void SetColor(TColor color) override { TControl::SetColor(color); }
    void SetOnKeyPress(TKeyPressEvent handler) override { OnKeyPress = handler; }
    void SetOnExit(TNotifyEvent handler) override { OnExit = handler; }
    bool InplaceMode() const { return inplaceHolder_ != nullptr; }
    TWinControl* InplaceEditHolder() const { return inplaceHolder_; }
    void Move(const TRect& loc);
    void UpdateLoc(const TRect& loc);
    void Hide();
    bool GetVisible() const;
    void SetVisible(bool v) override;
    void SetFocus() override;

    // The drop-down protocol the derived editors extend.
    void CloseUp(bool accept) override;
    virtual void DropDown();
    virtual void ButtonDown(bool isDownButton);
    virtual void UpdateData();

    TUpdateDataEventGx OnUpdateData;
    TOnCheckDrawRequiredStateEventGx OnCheckDrawRequiredState;
    TGetImageIndexEventGx OnGetImageIndex;
    TButtonClickEventGx OnButtonClick;
    TButtonDownEventGx OnButtonDown;

    bool PaintsOverNative() const override { return true; }
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

protected:
    // Factories.
    virtual bool ButtonEnabled();
    virtual std::unique_ptr<TFieldDataLinkGx> CreateDataLink();
    virtual std::unique_ptr<TEditButtonGx> CreateEditButton();
    virtual TEditButtonControlGx* CreateEditButtonControl();
    virtual std::unique_ptr<TEditButtonsGx> CreateEditButtons();
    virtual std::unique_ptr<TEditImageGx> CreateEditImage();
    virtual TMRUListboxGx* CreateMRUListControl();

    virtual TAlignment DefaultAlignment();
    virtual AnsiString DefaultEditMask();
    virtual int DefaultImageIndex() { return -1; }
    virtual AnsiString GetDisplayTextForPaintCopy();
    virtual Variant GetVariantValue() const;
    virtual bool IsValidChar(WideChar key);
    virtual void ActiveChanged();
    virtual void AdjustHeight();
    virtual void DataChanged();
    virtual void EditButtonClick(TObject* sender);
    virtual void EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
    virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
    virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    virtual void EditingChanged();
    virtual void FilterMRUItem(const AnsiString& text, bool& accept);
    virtual void InternalSetText(const AnsiString& text);
    virtual void InternalSetValue(const Variant& value);
    virtual void InternalUpdatePostData();
    virtual void MRUListControlResized(TObject* sender);
    virtual void PaintRequiredState(TCanvas* canvas);
    virtual void ResetMaxLength();
    virtual void SetFocused(bool value);
    virtual void SetVariantValue(const Variant& value);
    virtual void UpdateControlReadOnly();
    virtual void UpdateHeight();
    virtual void UpdateHintProcessing();
    virtual void UpdateImageIndex();
    virtual void UserChange();

    // The link's callbacks.
    void DataChange(TObject* sender);
    void EditingChange(TObject* sender);
    void ActiveChange(TObject* sender);
    void InternalUpdateData(TObject* sender);

    void SetControlReadOnly(bool b);
    void SetControlEditMask(const AnsiString& mask);
    bool CheckHintTextRect(int& textWidth, int& textHeight);
    void UpdateEditButtonControlList();
    void UpdateEditButtonControlsState();
    void EditButtonChanged(TObject* sender);
    void DrawBorder(HDC dc, bool active);
    void UpdateDrawBorder();
    void DrawEditImage(HDC dc);
    virtual void PaintWindow(HDC dc);
    void MRUListDropDown(TObject* sender);
    void MRUListCloseUp(TObject* sender, bool accept);
    void MRUListControlMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    // Recreates the window: here the styles are applied again and the layout redone.
    void RecreateEditWnd();
    virtual void CreateWnd();

    // The control's overrides.
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    // In a list style the mouse selects no text: a button message ends here (True), a right-button
    // release still asking for the context menu.
    bool SwallowListStyleMouse(TMessage& m);
    bool EditCanModify() override;
    void Reset() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void Change() override;
    void CMExit(TMessage& m) override;
    void CMEnter(TMessage& m) override;
    void CMCancelMode(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
    void CMShowingChanged(TMessage& m) override;
    void CMDialogKey(TMessage& m) override;
    void WMGetDlgCode(TMessage& m) override;
    void WMChar(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMPaint(TMessage& m) override;
    void WMSize(TMessage& m) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void CMHintShow(TMessage& m) override;
    void CMParentShowHintChanged(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMFontChanged(TMessage& m) override;
    void CMColorChanged(TMessage& m) override;
    void CMMouseWheel(TMessage& m) override;
    void BoundsChanged() override;
    // The wheel over the editor: true when handled.
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

    bool isDroppedDown_ = false;
    bool suppressClickCloseUp_ = false;
    TCanvas* EditCanvas();

    // Replaces the main button (a derived editor's own kind of button).
    void SetEditButtonObject(std::unique_ptr<TEditButtonGx> button);
    // --- lookup combo box ---
    // Replaces the data link with a derived editor's own kind (the constructor made the plain one,
    // before the derived editor existed), wired to the editor as the plain one was.
    void SetDataLinkObject(std::unique_ptr<TFieldDataLinkGx> link);
    // Writes a new value the way SetText does: the dataset into edit state (nothing when there is
    // no active dataset to edit), set, then written back (the shown value is reset on failure).
    void RunTextProtocol(const std::function<void()>& set);
    // The field alignment last shown (a change repaints).
    TAlignment fieldAlignment_ = taLeftJustify;

private:
    void internalMove(const TRect& loc, bool redraw);
    bool WindowShown() const { return IsWindowVisible(Handle()); }
    void pressEditButton(int index);
    void closeMRUList(bool accept);
    bool mruDroppedDown() const { return mruList_ && mruList_->IsDroppedDown; }
    void caretCheck();

    bool alwaysShowBorder_ = false;
    bool alignmentAssigned_ = false;
    bool editMaskAssigned_ = false;
    std::unique_ptr<TControlCanvas> canvas_;
    AnsiString completeKeyPress_;
    std::unique_ptr<TEditButtonGx> editButton_;
    std::unique_ptr<TEditButtonsGx> editButtons_;
    std::unique_ptr<TEditImageGx> editImage_;
    bool flat_ = false;
    bool highlightRequired_ = false;
    std::unique_ptr<TMRUListGx> mruList_;
    TMRUListboxGx* mruListControl_ = nullptr;
    bool readOnly_ = false;
    bool ownShowHint_ = false;
    bool tooltips_ = false;
    bool wantReturns_ = false;
    bool wantTabs_ = false;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    bool borderActive_ = false;
    int buttonHeight_ = 0;
    int buttonWidth_ = 0;
    std::unique_ptr<TFieldDataLinkGx> dataLink_;
    bool isPostingData_ = false;
    int pressedHalf_ = 0;
    TEditButtonControlList editButtonControls_;
    bool focusedFlag_ = false;
    int imageWidth_ = 0;
    TWinControl* inplaceHolder_ = nullptr;
    IInplaceEditHolderGx* holderIntf_ = nullptr;
    bool mouseAbove_ = false;
    bool userTextChanged_ = false;
    bool created_ = false;
    TMessage* paintMessage_ = nullptr;
    bool parentHintChanging_ = false;
};

class TDBEditGx : public TCustomDBEditGx {
    PLANTMON_CLASS(TDBEditGx, TCustomDBEditGx)
public:
    explicit TDBEditGx(TComponent* owner) : TCustomDBEditGx(owner) {}
};

// ---- Combo box editor --------------------------------------------------------------------------------
// The settings of a combo box's drop-down list.
class TDropDownBoxGx : public TPersistent {
    PLANTMON_CLASS(TDropDownBoxGx, TPersistent)
public:
    explicit TDropDownBoxGx(TPersistent* owner) : owner_(owner) {}
    TDropDownAlign Align() const { return align_; }
    void SetAlign(TDropDownAlign a) { align_ = a; }
    bool AutoDrop() const { return autoDrop_; }
    void SetAutoDrop(bool b) { autoDrop_ = b; }
    int Rows() const { return rows_; }
    void SetRows(int n) { rows_ = n; }
    bool Sizable() const { return sizable_; }
    void SetSizable(bool b) { sizable_ = b; }
    // 0: the editor's width; -1: the widest item; otherwise pixels.
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

private:
    TPersistent* owner_;
    TDropDownAlign align_ = daLeft;
    bool autoDrop_ = false;
    int rows_ = 7;
    bool sizable_ = false;
    int width_ = 0;
};

// The library's string list (nothing beyond the platform's).
class TStringListGx : public TStringList {
    PLANTMON_CLASS(TStringListGx, TStringList)
public:
    using TStringList::TStringList;
};

using TNotInListEventGx = TClosure<void(TObject* Sender, const AnsiString& NewText, bool& RecheckInList)>;
using TCloseUpEventGx = TClosure<void(TObject* Sender, bool Accept)>;
using TListClosingUpEventGx = TClosure<void(TObject* Sender, bool& Accept)>;

class TCustomDBComboBoxGx : public TCustomDBEditGx {
    PLANTMON_CLASS(TCustomDBComboBoxGx, TCustomDBEditGx)
public:
    explicit TCustomDBComboBoxGx(TComponent* owner);
    ~TCustomDBComboBoxGx() override;

    TDropDownBoxGx* DropDownBox() const { return dropDownBox_.get(); }
    void SetDropDownBox(TDropDownBoxGx* b) { dropDownBox_->Assign(b); }
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s) { items_->Assign(s); }
    TStrings* KeyItems() const { return keyItems_.get(); }
    void SetKeyItems(TStrings* s) { keyItems_->Assign(s); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    bool KeyMode() const { return keyMode_; }
    int ItemsCount() const { return itemsCount_; }
    bool ListVisible() const { return listVisible_; }
    TPopupListboxGx* GetPopupListbox();
    TPopupListboxGx* PopupListboxIfMade() const { return popupListbox_; }
    bool TextListIndepended() const { return !keyMode_; }
    AnsiString ConvertDataText(const AnsiString& text);
    TCustomImageList* GetImages() const { return TCustomDBEditGx::GetImages(); }

    void Clear() override;
    void DropDown() override;
    void CloseUp(bool accept) override;
    void ButtonDown(bool isDownButton) override;
    void UpdateData() override;
    void SelectNextValue(bool up);

    TNotInListEventGx OnNotInList;
    TCloseUpEventGx OnCloseUp;
    TNotifyEvent OnDropDown;
    TListGetImageIndexEventGx OnGetItemImageIndex;
    // For a derived editor (the grid's filter row): asked before the chosen item is taken, and to
    // fill Items when they are empty at drop-down.
    TListClosingUpEventGx OnListClosingUp;
    TNotifyEvent OnListGetItems;

protected:
    virtual bool LocateStr(const AnsiString& str, bool partialKey);
    virtual void ProcessSearchStr(const AnsiString& str);
    virtual void GetItemsList();
    virtual void InternalSetItemIndex(int index);

    std::unique_ptr<TEditButtonGx> CreateEditButton() override;
    TAlignment DefaultAlignment() override;
    int DefaultImageIndex() override { return itemImageIndex_; }
    AnsiString GetDisplayTextForPaintCopy() override;
    Variant GetVariantValue() const override;
    bool IsValidChar(WideChar key) override;
    void DataChanged() override;
    void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
    void InternalSetText(const AnsiString& text) override;
    void InternalSetValue(const Variant& value) override;
    void InternalUpdatePostData() override;
    void ResetMaxLength() override;
    void UpdateControlReadOnly() override;
    void UpdateImageIndex() override;

    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void Click() override;
    void Change() override;
    void CMWantSpecialKey(TMessage& m) override;
    void CMCancelMode(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;
    void WMChar(TMessage& m) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

    void ItemsChanged(TObject* sender);
    void KeyItemsChanged(TObject* sender);
    void UpdateItems();
    void UpdateItemIndex();
    void ListMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void PopupListboxGetImageIndex(TObject* sender, int itemIndex, int& imageIndex);

private:
    bool isListMessage(const TMessage& m) const;
    // A move of c (the editor or its button) holding the capture over the open list: the drag goes
    // on as a press in the list.
    void dragIntoList(TControl* c, int x, int y);
    std::unique_ptr<TDropDownBoxGx> dropDownBox_;
    int itemIndex_ = -1;
    std::unique_ptr<TStringList> items_;
    std::unique_ptr<TStringListGx> keyItems_;
    bool listVisible_ = false;
    TPopupListboxGx* popupListbox_ = nullptr;
    int itemsCount_ = 0;
    bool keyMode_ = false;
    Variant currentKey_ = Null();
    int itemImageIndex_ = -1;
    WideChar pendingChar_ = 0;
};

class TDBComboBoxGx : public TCustomDBComboBoxGx {
    PLANTMON_CLASS(TDBComboBoxGx, TCustomDBComboBoxGx)
public:
    explicit TDBComboBoxGx(TComponent* owner) : TCustomDBComboBoxGx(owner) {}
    int ItemIndex() const { return TCustomDBComboBoxGx::ItemIndex(); }
    Variant Value() const { return GetValue(); }
};

// ---- Data-aware check box ------------------------------------------------------------------------------
// Shows one field (or a value of its own when data-independent) as checked, unchecked or grayed and
// writes the state back as a Boolean, as the first entry of ValueChecked or ValueUnchecked, or as Null.
// It draws itself: a flat or 3-D box with hot and pressed looks, the caption beside it. Every change
// of State, also one coming from the data, fires OnClick once; a user's click, a Space release or the
// caption's accelerator toggles the state exactly once.
class TCustomDBCheckBoxGx : public TButtonControl {
    PLANTMON_CLASS(TCustomDBCheckBoxGx, TButtonControl)
public:
    explicit TCustomDBCheckBoxGx(TComponent* owner);
    ~TCustomDBCheckBoxGx() override;

    // taRightJustify: the caption to the right of the box; taLeftJustify: to its left.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool b) { allowGrayed_ = b; }
    bool AlwaysShowBorder() const { return alwaysShowBorder_; }
    void SetAlwaysShowBorder(bool b);
    bool Flat() const { return flat_; }
    void SetFlat(bool b);
    bool ReadOnly() const { return GetReadOnly(); }
    bool GetReadOnly() const;
    void SetReadOnly(bool b);
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    // Stored with a form only when data-independent and not unchecked.
    bool IsStateStored() const;
    // Lists of texts separated by ';'; the first entry is the one written back.
    const AnsiString& ValueChecked() const { return valueChecked_; }
    void SetValueCheck(const AnsiString& s);
    const AnsiString& ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUncheck(const AnsiString& s);

    TDataSource* DataSource() const { return GetDataSource(); }
    TDataSource* GetDataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* ds);
    AnsiString DataField() const { return GetDataField(); }
    AnsiString GetDataField() const { return dataLink_->FieldName(); }
    void SetDataField(const AnsiString& name) { dataLink_->SetFieldName(name); }
    TField* GetField() const { return dataLink_->GetField(); }
    TField* Field() const { return GetField(); }
    TFieldDataLinkGx* FieldDataLink() const { return dataLink_.get(); }
    bool GetModified() const { return modified_; }
    bool MouseAbove() const { return mouseAbove_; }
    bool SpaceDown() const { return spaceDown_; }

    // The state the data gives: the local value, the field's value, or unchecked without a field.
    TCheckBoxState GetFieldState();
    // Whether value is one of the ';'-separated entries of list (case-insensitive, the user's locale).
    static bool ValueMatch(const AnsiString& list, const AnsiString& value);
    // Fires OnUpdateData; true when its handler wrote the value itself.
    bool PostDataEvent();

    virtual bool DataIndepended() const { return dataLink_->DataIndepended(); }
    virtual void Toggle();
    virtual void UpdateData();

    TUpdateDataEventGx OnUpdateData;

    void SetChecked(bool b) override;
    void Click() override;
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;

protected:
    bool GetChecked() const override { return state_ == cbChecked; }
    void Paint() override;
    virtual void DrawCaptionRect(const TRect& rect, bool focused, bool hot, bool down);
    virtual void DrawCheckBoxRect(const TRect& rect, TCheckBoxState state, bool focused, bool hot, bool down);
    virtual void DrawState(TCheckBoxState state, bool focused, bool hot, bool down);
    virtual void InternalSetState(TCheckBoxState value);
    virtual void InternalUpdatePostData();

    void DataChange(TObject* sender);
    void InternalUpdateData(TObject* sender);

    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void CNCommand(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
    void CMExit(TMessage& m) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMTextChanged(TMessage& m) override;
    void WMCancelMode(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMSize(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;

private:
    TAlignment alignment_ = taRightJustify;
    bool allowGrayed_ = false;
    bool alwaysShowBorder_ = false;
    bool clicksDisabled_ = false;
    std::unique_ptr<TFieldDataLinkGx> dataLink_;
    bool flat_ = false;
    bool modified_ = false;
    bool mouseAbove_ = false;
    TCheckBoxState state_ = cbUnchecked;
    AnsiString valueChecked_;
    AnsiString valueUnchecked_;
    bool posting_ = false;
    bool spaceDown_ = false;
};

class TDBCheckBoxGx : public TCustomDBCheckBoxGx {
    PLANTMON_CLASS(TDBCheckBoxGx, TCustomDBCheckBoxGx)
public:
    explicit TDBCheckBoxGx(TComponent* owner) : TCustomDBCheckBoxGx(owner) {}
};
