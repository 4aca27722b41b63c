// The lookup grid: a grid over a list dataset from which one record is chosen by its key, with a
// second link to the record whose key it edits, an optional special first row with a value of its
// own, incremental search by typed characters and a height of whole rows; and the same grid as a
// drop-down window (never activated, never focused, with a size grip) that lookup combo boxes and
// the grid's lookup cells open.
#pragma once

#include "gridlib/grid/DBGridGx.h"

#include <functional>
#include <memory>
#include <vector>

class TDBLookupGridGx;

// Whether a key value can be looked up over the key fields: a single value for one field, an array
// of exactly as many values for several.
bool LookupKeyFitsFields(const std::vector<TField*>& fields, const Variant& value);

// The field a lookup list shows. In lookup mode it is the data field's result field (put first
// into the list fields when missing; none when the list lacks it); otherwise the list field of
// the given index, the first one when the index is out of range, the key fields standing in for
// an empty list.
TField* ChooseLookupListField(std::vector<TField*>& listFields, const std::vector<TField*>& keyFields,
                              TField* lookupResult, bool lookupMode, int listFieldIndex);

// The special-row cell of one lookup grid column. While nothing was assigned it shows the grid's
// special row: its cell text of the column's index, its colour and font.
class TGridColumnSpecCellGx : public TPersistent {
    PLANTMON_CLASS(TGridColumnSpecCellGx, TPersistent)
public:
    explicit TGridColumnSpecCellGx(TPersistent* owner);
    ~TGridColumnSpecCellGx() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

    AnsiString Text() const;
    void SetText(const AnsiString& s);
    TColor Color() const;
    void SetColor(TColor c);
    TFont* Font();
    void SetFont(TFont* f);
    bool IsTextStored() const { return textAssigned_; }
    bool IsColorStored() const { return colorAssigned_; }
    bool IsFontStored() const { return fontAssigned_; }

private:
    TSpecRowGx* gridSpecRow() const;
    int columnIndex() const;
    void fontChanged(TObject*);
    TPersistent* owner_;
    AnsiString text_;
    TColor color_ = clWindow;
    std::unique_ptr<TFont> font_;
    bool textAssigned_ = false, colorAssigned_ = false, fontAssigned_ = false;
    bool copyingFont_ = false;
};

class TDBLookupGridColumnGx : public TColumnGx {
    PLANTMON_CLASS(TDBLookupGridColumnGx, TColumnGx)
public:
    explicit TDBLookupGridColumnGx(TCollection* collection);
    ~TDBLookupGridColumnGx() override;
    TGridColumnSpecCellGx* SpecCell() const { return specCell_.get(); }
    void SetSpecCell(TGridColumnSpecCellGx* c) { specCell_->Assign(c); }
    TDBLookupGridGx* LookupGrid() const;
    void SetIndex(int index) override;
    void SetWidth(int w) override;

private:
    std::unique_ptr<TGridColumnSpecCellGx> specCell_;
};

class TDBLookupGridColumnDefValuesGx : public TColumnDefValuesGx {
    PLANTMON_CLASS(TDBLookupGridColumnDefValuesGx, TColumnDefValuesGx)
public:
    using TColumnDefValuesGx::TColumnDefValuesGx;
};

// The link to the record whose key the lookup grid edits.
class TLookupGridDataLinkGx : public TDataLink {
    PLANTMON_CLASS(TLookupGridDataLinkGx, TDataLink)
public:
    explicit TLookupGridDataLinkGx(TDBLookupGridGx* grid) : grid_(grid) {}
    TDBLookupGridGx* Grid() const { return grid_; }
    void ClearGrid() { grid_ = nullptr; }

protected:
    void ActiveChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;

private:
    TDBLookupGridGx* grid_;
};

class TDBLookupGridGx : public TCustomDBGridGx {
    PLANTMON_CLASS(TDBLookupGridGx, TCustomDBGridGx)
public:
    explicit TDBLookupGridGx(TComponent* owner);
    ~TDBLookupGridGx() override;

    // ---- Data side: the record whose key is edited
    TDataSource* GetDataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* ds);
    AnsiString DataFieldName() const { return dataFieldName_; }
    void SetDataFieldName(const AnsiString& s);
    TField* GetDataField() const { return dataFields_.empty() ? nullptr : dataFields_.front(); }
    TLookupGridDataLinkGx* DataSideLink() const { return dataLink_.get(); }
    bool GetReadOnly() const { return dataLink_->ReadOnly(); }
    void SetReadOnly(bool b) { dataLink_->SetReadOnly(b); }

    // ---- List side: the grid's own data source
    TDataSource* GetListSource() const { return lookupMode_ ? nullptr : TCustomDBGridGx::DataSource(); }
    void SetListSource(TDataSource* ds);
    TGridDataLinkGx* GetListLink() const { return DataLink(); }
    AnsiString GetKeyFieldName() const { return lookupMode_ ? AnsiString() : keyFieldName_; }
    void SetKeyFieldName(const AnsiString& s);
    AnsiString ListFieldName() const { return listFieldName_; }
    void SetListFieldName(const AnsiString& s);
    int ListFieldIndex() const { return listFieldIndex_; }
    void SetListFieldIndex(int i) { listFieldIndex_ = i; }
    TField* DisplayField() const { return listField_; }
    const std::vector<TField*>& ListFields() const { return listFields_; }
    bool ListActive() const { return listActive_; }
    bool LookupMode() const { return lookupMode_; }

    // ---- The key
    Variant KeyValue() const { return keyValue_; }
    void SetKeyValue(const Variant& v);
    AnsiString SelectedText() const { return selectedText_; }
    int GetKeyIndex();
    const AnsiString& SearchText() const { return searchText_; }

    // ---- Look and size
    TSpecRowGx* SpecRow() const { return specRow_.get(); }
    void SetSpecRow(TSpecRowGx* r) { specRow_->Assign(r); }
    bool GetShowTitles() const { return (Options() & dgTitles) != 0; }
    void SetShowTitles(bool b);
    bool GetUseMultiTitle() const { return UseMultiTitle(); }
    void SetUseMultiTitle(bool b);
    bool GetAutoFitColWidths() const { return autoFit_; }
    void SetAutoFitColWidths(bool b);
    TDBLookupGridGxOptions LookupOptions() const { return lookupOptions_; }
    void SetLookupOptions(TDBLookupGridGxOptions o);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    int GetColumnsWidthToFit();
    int GetTitleRowHeight();
    bool KeyRowVisible() const { return keyRowVisible_; }
    bool HasFocus() const { return hasFocus_; }

    virtual bool CanModify();
    virtual bool CompatibleVarValue(const std::vector<TField*>& fields, const Variant& value);
    virtual int GetBorderSize();
    virtual int GetSpecRowHeight();
    virtual int GetDataRowHeight();
    virtual void KeyValueChanged();
    virtual void ListLinkDataChanged();
    virtual void ProcessSearchKey(WideChar key);
    virtual void SelectKeyValue(const Variant& value);
    virtual void SpecRowChanged(TObject* sender);
    virtual void UpdateColumnsList();
    virtual void UpdateDataFields();
    virtual void UpdateListFields();
    virtual bool LocateKey();

    void CheckNotCircular();
    void CheckNotLookup();
    void DataLinkRecordChanged(TField* field);
    void SelectCurrent();
    void SelectItemAt(int x, int y);
    void SelectSpecRow();
    void SetBounds(int left, int top, int width, int height) override;

    // The grid's reactions, turned to the list.
    void LinkActive(bool value) override;
    void DataChanged() override;
    void Scroll(int distance) override;
    void UpdateActive() override;
    void DefineFieldMap() override;
    void GetDatasetFieldList(TList* list) override;
    void LayoutChanged() override;
    void UpdateRowCount() override;
    void UpdateScrollBar() override;
    void TimerScroll() override;
    int GetSubTitleRows() const override { return specRow_ && specRow_->Visible() ? 1 : 0; }
    bool HighlightDataCellColor(int dataCol, int dataRow, const AnsiString& value, TGridDrawState& state,
                                TColor& color, TFont* font) override;
    bool CellHave3DRect(int aCol, int aRow, const TRect& aRect, TGridDrawState state) override;
    void DrawSubTitleCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, const TRect& aRect,
                          TGridDrawState state, bool& highlighted) override;
    bool CanDrawFocusRowRect() override;
    void ColWidthsChanged() override;

protected:
    friend class TDBLookupGridColumnGx;
    friend class TLookupGridDataLinkGx;
    void SetLookupMode(bool value);
    int KeyRow();
    bool Popup() const { return popup_; }
    void SetPopupFlag(bool b) { popup_ = b; }
    bool WidthGuard() const { return widthGuard_; }
    void SetWidthGuard(bool b) { widthGuard_ = b; }

    TColumnDefValuesGx* CreateColumnDefValues() override;
    TDBGridColumnsGx* CreateColumns() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Dispatch(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void WMGetDlgCode(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;
    void WMSize(TMessage& m) override;
    void WMVScroll(TMessage& m) override;
    void WMTimer(TMessage& m) override;
    bool RowTracking() const { return tracking_; }
    void StopRowTracking();

private:
    bool listDataSetAtBof() const;
    TDataSet* listDataSet() const { return DataLink()->DataSet(); }
    void moveList(int distance);
    Variant currentKey() const;
    void applyRowCount();
    bool horzScrollHidden();
    TRect choiceRect() const;

    std::unique_ptr<TLookupGridDataLinkGx> dataLink_;
    std::unique_ptr<TDataSource> internalSource_;
    std::unique_ptr<TSpecRowGx> specRow_;
    std::vector<TField*> dataFields_, masterFields_, keyFields_, listFields_;
    AnsiString masterFieldNames_;
    AnsiString dataFieldName_, keyFieldName_, listFieldName_;
    int listFieldIndex_ = 0;
    TField* listField_ = nullptr;
    bool listActive_ = false;
    bool lookupMode_ = false;
    Variant keyValue_ = Null();
    AnsiString selectedText_;
    AnsiString searchText_;
    bool keySelected_ = false;
    bool keyRowVisible_ = false;
    int recordIndex_ = 0, recordCount_ = 0;
    bool lockPosition_ = false;
    int mousePosY_ = 0;
    bool heightGuard_ = false;
    bool widthGuard_ = false;
    bool hasFocus_ = false;
    bool popup_ = false;
    bool tracking_ = false;
    int rowCount_ = 7;
    bool autoFit_ = false;
    TDBLookupGridGxOptions lookupOptions_ = dlgColLinesGx;
};

using TMouseChoiceEventGx = TClosure<void(TObject* Sender, bool Accept)>;

// The lookup grid as a drop-down window: it never takes the focus or activation, follows the
// pointer while no button is held and reports a choice when the button is released.
class TPopupDataGridGx : public TDBLookupGridGx {
    PLANTMON_CLASS(TPopupDataGridGx, TDBLookupGridGx)
public:
    explicit TPopupDataGridGx(TComponent* owner);
    ~TPopupDataGridGx() override;
    bool CanFocus() const override { return false; }
    TSizeGripGx* SizeGrip() const { return sizeGrip_; }
    // Set by every resize; the owner clears it when the drop-down opens.
    bool GripResized() const { return gripResized_; }
    void SetGripResized(bool b) { gripResized_ = b; }
    bool CheckNewSize(int& width, int& height);
    void SetBounds(int left, int top, int width, int height) override;
    void KeyValueChanged() override;
    void DrawBorder() override;
    // The key handling the owner forwards (the owner keeps the focus).
    void ForwardKeyDown(WORD& key, TShiftState shift) { KeyDown(key, shift); }
    void ForwardKeyUp(WORD& key, TShiftState shift) { KeyUp(key, shift); }

    TMouseChoiceEventGx OnMouseChoice;
    TNotifyEvent OnUserKeyChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void applyCtl3D();
    TSizeGripGx* sizeGrip_ = nullptr;
    bool gripResized_ = false;
    bool userKeyChange_ = false;
    bool keySelection_ = false;
};
