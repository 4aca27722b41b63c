// The data-aware grid: TCustomDBGridGx on the platform's base grid, its columns and titles, the
// column defaults, the column collection with its streaming, the multi-level title tree and the
// layout pass that shapes columns and rows from the dataset's fields.
//
// The grid shows the records of the data link's buffer window, one data row per buffered record.
// Its columns are either built by the grid itself from the dataset's visible fields (pass-through
// columns, the collection's default state) or a persistent set (customized state) that the grid
// keeps and maps to fields by name. Layout work is coalesced by BeginLayout/EndLayout; a deferred
// layout is one posted private message per grid.
#pragma once

#include "data/DB.h"
#include "gridlib/editors/DBCtrlsGx.h"
#include "gridlib/editors/GridLibConsts.h"
#include "gridlib/editors/GridLibPlatform.h"
#include "gridlib/editors/PropFilerGx.h"
#include "gridlib/editors/ToolCtrlsGx.h"
#include "gridlib/grid/DBSumLst.h"
#include "gridlib/services/DBUtilsGx.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"
#include "rtl/Contnrs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TCustomDBGridGx;
class TDBGridInplaceEdit;
class TColumnGx;
class TDBGridColumnsGx;
class TColumnDefValuesGx;
class TDBGridGxStyle;
class TColumnFooterGx;
class TColumnFootersGx;
class TDBGridGxSumList;
class TDBGridGxSelection;
class TBookmarkListGx;
// --- filter row ---
class TSTDBGridGxFilter;
class TSTColumnFilterGx;
class TInplaceFilterEditGx;
class TDBGridGxDataService;
// --- end of filter row ---

// ---- Option sets -----------------------------------------------------------------------------------
enum TDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;

enum TDBGridGxOption : std::uint32_t {
    dghFixed3D = 1u << 0,
    dghFrozen3D = 1u << 1,
    dghFooter3D = 1u << 2,
    dghData3D = 1u << 3,
    dghResizeWholeRightPart = 1u << 4,
    dghHighlightFocus = 1u << 5,
    dghClearSelection = 1u << 6,
    dghFitRowHeightToText = 1u << 7,
    dghAutoSortMarking = 1u << 8,
    dghMultiSortMarking = 1u << 9,
    dghEnterAsTab = 1u << 10,
    dghTraceColSizing = 1u << 11,
    dghIncSearch = 1u << 12,
    dghPreferIncSearch = 1u << 13,
    dghRowHighlight = 1u << 14,
    dghDblClickOptimizeColWidth = 1u << 15,
    dghDialogFind = 1u << 16,
    dghRecordMoving = 1u << 17,
};
using TDBGridGxOptions = std::uint32_t;

enum TDBGridGxAllowedOperation : unsigned {
    alopInsertGx = 1u << 0,
    alopUpdateGx = 1u << 1,
    alopDeleteGx = 1u << 2,
    alopAppendGx = 1u << 3,
};
using TDBGridGxAllowedOperations = unsigned;

enum TDBGridGxSelectionType { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
constexpr unsigned SelectionTypeBit(TDBGridGxSelectionType t) { return 1u << static_cast<unsigned>(t); }
using TDBGridGxAllowedSelections = unsigned;

enum TDBGridGxEditAction : unsigned {
    geaCutGx = 1u << 0,
    geaCopyGx = 1u << 1,
    geaPasteGx = 1u << 2,
    geaDeleteGx = 1u << 3,
    geaSelectAllGx = 1u << 4,
};
using TDBGridGxEditActions = unsigned;

enum TDBGridGxState { dgsNormal, dgsRowSelecting, dgsColSelecting, dgsRectSelecting, dgsPosTracing, dgsTitleDown,
                      dgsColSizing, dgsRowMoving };
enum TInpsDirectionGx { inpsFromFirstGx, inpsToNextGx, inpsToPriorGx };

enum THorzCellTypeGx : std::uint8_t { hctIndicatorGx, hctDataGx };
enum TVertCellTypeGx : std::uint8_t { vctTitleGx, vctSubTitleGx, vctDataGx, vctAboveFooterGx, vctFooterGx };
struct TCellTypeGx {
    THorzCellTypeGx HorzType = hctDataGx;
    TVertCellTypeGx VertType = vctDataGx;
};

// ---- Column enumerations ---------------------------------------------------------------------------
// The properties a column (or its title) was given explicitly.
enum TColumnGxValue {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont,
    cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName, cvWordWrap,
    cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown, cvDblClickNextVal,
    cvToolTips, cvDropDownSizing, cvDropDownShowTitles, cvLayout, cvHighlightRequired, cvBiDiMode,
};
using TColumnGxValues = std::uint32_t;
constexpr TColumnGxValues ColumnValueBit(TColumnGxValue v) { return 1u << static_cast<unsigned>(v); }

enum TColumnButtonStyleGx { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerGx { smNoneGx, smDownGx, smUpGx };
enum TTextOrientationGx { tohHorizontal, tohVertical };
enum TColumnGxType { ctCommon, ctPickList, ctLookupField, ctKeyPickList, ctKeyImageList, ctCheckboxes };
enum TDBGridColumnsState { csDefault, csCustomized };
enum TColumnTitleDefValuesGxValue { cvdpTitleColorGx, cvdpTitleAlignmentGx };

enum TDBLookupGridGxOption : unsigned {
    dlgColumnResizeGx = 1u << 0,
    dlgColLinesGx = 1u << 1,
    dlgRowLinesGx = 1u << 2,
    dlgAutoSortMarkingGx = 1u << 3,
    dlgMultiSortMarkingGx = 1u << 4,
};
using TDBLookupGridGxOptions = unsigned;

using TImeName = AnsiString;

// ---- Events ----------------------------------------------------------------------------------------
class TColCellParamsGx;
using TDBGridGxClickEvent = TClosure<void(TColumnGx* Column)>;
using TTitleGxClickEvent = TClosure<void(TObject* Sender, int ACol, TColumnGx* Column)>;
using TCheckTitleGxBtnEvent = TClosure<void(TObject* Sender, int ACol, TColumnGx* Column, bool& Enabled)>;
using TDrawColumnGxCellEvent =
    TClosure<void(TObject* Sender, const TRect& Rect, int DataCol, TColumnGx* Column, TGridDrawState State)>;
using TDrawDataCellEvent = TClosure<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TDrawFooterCellEvent =
    TClosure<void(TObject* Sender, int DataCol, int Row, TColumnGx* Column, const TRect& Rect, TGridDrawState State)>;
using TGetBtnGxParamsEvent = TClosure<void(TObject* Sender, TColumnGx* Column, TFont* AFont, TColor& Background,
                                           TSortMarkerGx& SortMarker, bool IsDown)>;
using TGetCellGxParamsEvent =
    TClosure<void(TObject* Sender, TColumnGx* Column, TFont* AFont, TColor& Background, TGridDrawState State)>;
using TGetFooterParamsEvent =
    TClosure<void(TObject* Sender, int DataCol, int Row, TColumnGx* Column, TFont* AFont, TColor& Background,
                  TAlignment& Alignment, TGridDrawState State, AnsiString& Text)>;
using TGridMoveRecordsEventGx =
    TClosure<bool(TObject* Sender, TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly)>;
using TOnColumnCheckDrawRequiredStateEventGx = TClosure<void(TObject* Sender, const AnsiString& Text, bool& DrawState)>;
using TGetColCellParamsEventGx = TClosure<void(TObject* Sender, bool EditMode, TColCellParamsGx* Params)>;
using TNotInListEventGx = TClosure<void(TObject* Sender, const AnsiString& NewText, bool& RecheckInList)>;
using TColCellUpdateDataEventGx =
    TClosure<void(TObject* Sender, AnsiString& Text, Variant& Value, bool& UseText, bool& Handled)>;

// ---- Per-cell parameters ---------------------------------------------------------------------------
// One cell's drawing parameters, filled from the current record and offered to OnGetCellParams.
class TColCellParamsGx : public TObject {
    PLANTMON_CLASS(TColCellParamsGx, TObject)
public:
    TAlignment Alignment = taLeftJustify;
    TColor Background = clWindow;
    TCheckBoxState CheckboxState = cbUnchecked;
    int Col = -1;
    TFont* Font = nullptr;  // not owned
    int ImageIndex = -1;
    bool ReadOnly = false;
    int Row = -1;
    TGridDrawState State = 0;
    AnsiString Text;
};

// ---- Column defaults -------------------------------------------------------------------------------
class TColumnTitleDefValuesGx : public TPersistent {
    PLANTMON_CLASS(TColumnTitleDefValuesGx, TPersistent)
public:
    explicit TColumnTitleDefValuesGx(TColumnDefValuesGx* owner) : owner_(owner) {}
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;

    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    TColor Color() const;
    void SetColor(TColor c);
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool b);
    TTextOrientationGx Orientation() const { return orientation_; }
    void SetOrientation(TTextOrientationGx o);
    bool TitleButton() const { return titleButton_; }
    void SetTitleButton(bool b) { titleButton_ = b; }
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool b) { toolTips_ = b; }

    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    bool IsAssigned(TColumnTitleDefValuesGxValue v) const { return (assigned_ & (1u << v)) != 0; }

private:
    TColumnDefValuesGx* owner_;
    unsigned assigned_ = 0;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clBtnFace;
    bool endEllipsis_ = false;
    TTextOrientationGx orientation_ = tohHorizontal;
    bool titleButton_ = false;
    bool toolTips_ = false;
};

class TColumnFooterDefValuesGx : public TPersistent {
    PLANTMON_CLASS(TColumnFooterDefValuesGx, TPersistent)
public:
    void Assign(TPersistent* source) override;
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool b) { toolTips_ = b; }

private:
    bool toolTips_ = false;
};

// The values every column and title of one grid shows for what it did not set itself.
class TColumnDefValuesGx : public TPersistent {
    PLANTMON_CLASS(TColumnDefValuesGx, TPersistent)
public:
    explicit TColumnDefValuesGx(TCustomDBGridGx* grid);
    ~TColumnDefValuesGx() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;
    TCustomDBGridGx* Grid() const { return grid_; }

    bool AlwaysShowEditButton() const { return alwaysShowEditButton_; }
    void SetAlwaysShowEditButton(bool b);
    bool AutoDropDown() const { return autoDropDown_; }
    void SetAutoDropDown(bool b) { autoDropDown_ = b; }
    bool DblClickNextVal() const { return dblClickNextVal_; }
    void SetDblClickNextVal(bool b) { dblClickNextVal_ = b; }
    bool DropDownShowTitles() const { return dropDownShowTitles_; }
    void SetDropDownShowTitles(bool b) { dropDownShowTitles_ = b; }
    bool DropDownSizing() const { return dropDownSizing_; }
    void SetDropDownSizing(bool b) { dropDownSizing_ = b; }
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool b);
    TColumnFooterDefValuesGx* Footer() const { return footer_.get(); }
    void SetFooter(TColumnFooterDefValuesGx* f) { footer_->Assign(f); }
    bool HighlightRequired() const { return highlightRequired_; }
    void SetHighlightRequired(bool b);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    TColumnTitleDefValuesGx* Title() const { return title_.get(); }
    void SetTitle(TColumnTitleDefValuesGx* t) { title_->Assign(t); }
    bool ToolTips() const { return toolTips_; }
    void SetToolTips(bool b) { toolTips_ = b; }

private:
    void repaintGrid();
    TCustomDBGridGx* grid_;
    std::unique_ptr<TColumnTitleDefValuesGx> title_;
    std::unique_ptr<TColumnFooterDefValuesGx> footer_;
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool dblClickNextVal_ = false;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    bool endEllipsis_ = false;
    bool highlightRequired_ = false;
    TTextLayout layout_ = tlTop;
    bool toolTips_ = false;
};

class TDBGridGxColumnDefValuesGx : public TColumnDefValuesGx {
    PLANTMON_CLASS(TDBGridGxColumnDefValuesGx, TColumnDefValuesGx)
public:
    using TColumnDefValuesGx::TColumnDefValuesGx;
};

// ---- Drop-down box ---------------------------------------------------------------------------------
// What the drop-down box of a lookup cell reaches its lookup grid through: the column (or the
// lookup combo box) that owns the box and makes the grid on first use.
class ILookupGridOwner {
public:
    virtual void SetDropDownBoxListSource(TDataSource* dataSource) = 0;
    virtual TCustomDBGridGx* GetLookupGrid() = 0;
    virtual TDBLookupGridGxOptions GetOptions() = 0;
    virtual void SetOptions(TDBLookupGridGxOptions options) = 0;

protected:
    ~ILookupGridOwner() = default;
};

class TColumnDropDownBoxGx : public TPersistent {
    PLANTMON_CLASS(TColumnDropDownBoxGx, TPersistent)
public:
    explicit TColumnDropDownBoxGx(TPersistent* owner);
    ~TColumnDropDownBoxGx() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

    TDropDownAlign Align() const { return align_; }
    void SetAlign(TDropDownAlign a) { align_ = a; }
    bool AutoDrop() const { return autoDrop_; }
    void SetAutoDrop(bool b) { autoDrop_ = b; }
    bool AutoFitColWidths() const { return autoFitColWidths_; }
    void SetAutoFitColWidths(bool b) { autoFitColWidths_ = b; }
    // The lookup grid's (none without a lookup-grid owner).
    TColumnDefValuesGx* ColumnDefValues() const;
    void SetColumnDefValues(TColumnDefValuesGx* v);
    TDBGridColumnsGx* Columns() const;
    void SetColumns(TDBGridColumnsGx* c);
    TDataSource* ListSource() const { return listSource_; }
    void SetListSource(TDataSource* ds);
    TDBLookupGridGxOptions Options() const;
    void SetOptions(TDBLookupGridGxOptions o);
    int Rows() const { return rows_; }
    void SetRows(int n) { rows_ = n; }
    bool ShowTitles() const { return showTitles_; }
    void SetShowTitles(bool b) { showTitles_ = b; }
    bool Sizable() const { return sizable_; }
    void SetSizable(bool b) { sizable_ = b; }
    TSpecRowGx* SpecRow() const { return specRow_.get(); }
    void SetSpecRow(TSpecRowGx* r) { specRow_->Assign(r); }
    bool UseMultiTitle() const { return useMultiTitle_; }
    void SetUseMultiTitle(bool b) { useMultiTitle_ = b; }
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    // Whether Columns is written: only a customized column set.
    bool StoreColumns() const;

private:
    ILookupGridOwner* lookupOwner() const { return dynamic_cast<ILookupGridOwner*>(owner_); }
    TDropDownAlign align_ = daLeft;
    bool autoDrop_ = false;
    bool autoFitColWidths_ = true;
    TDataSource* listSource_ = nullptr;
    TPersistent* owner_;
    int rows_ = 0;
    bool showTitles_ = false;
    bool sizable_ = false;
    std::unique_ptr<TSpecRowGx> specRow_;
    bool useMultiTitle_ = false;
    int width_ = 0;
};

// ---- Titles and columns ----------------------------------------------------------------------------
class TColumnTitleGx : public TPersistent {
    PLANTMON_CLASS(TColumnTitleGx, TPersistent)
public:
    explicit TColumnTitleGx(TColumnGx* column);
    ~TColumnTitleGx() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;
    TColumnGx* Column() const { return column_; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    AnsiString Caption() const;
    virtual void SetCaption(const AnsiString& s);
    TColor Color() const;
    void SetColor(TColor c);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool b);
    TFont* Font() const;
    void SetFont(TFont* f);
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& s) { hint_ = s; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    TTextOrientationGx Orientation() const;
    void SetOrientation(TTextOrientationGx o);
    int SortIndex() const { return sortIndex_; }
    void SetSortIndex(int i);
    TSortMarkerGx SortMarker() const { return sortMarker_; }
    void SetSortMarker(TSortMarkerGx m);
    bool TitleButton() const;
    void SetTitleButton(bool b);
    bool ToolTips() const;
    void SetToolTips(bool b);

    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    AnsiString DefaultCaption() const;
    bool DefaultTitleButton() const;
    bool DefaultEndEllipsis() const;
    bool DefaultToolTips() const;
    TTextOrientationGx DefaultOrientation() const;
    bool IsAlignmentStored() const;
    bool IsCaptionStored() const;
    bool IsColorStored() const;
    bool IsEndEllipsisStored() const;
    bool IsFontStored() const;
    bool IsOrientationStored() const;
    bool IsTitleButtonStored() const;
    bool IsToolTipsStored() const;

    void RefreshDefaultFont();
    virtual void RestoreDefaults();
    int GetSortMarkingWidth() const;
    void SetNextSortMarkerValue(bool keepMulti);

    // Used by the column's own sort upkeep: stores without the upkeep.
    void SetSortIndexRaw(int i) { sortIndex_ = i; }
    void SetSortMarkerRaw(TSortMarkerGx m) { sortMarker_ = m; }

private:
    bool has(TColumnGxValue v) const;
    void add(TColumnGxValue v);
    void fontChanged(TObject*);
    void changed(bool allItems);
    TColumnGx* column_;
    TAlignment alignment_ = taLeftJustify;
    AnsiString caption_;
    TColor color_ = clBtnFace;
    bool endEllipsis_ = false;
    std::unique_ptr<TFont> font_;
    bool followingFont_ = false;
    AnsiString hint_;
    int imageIndex_ = -1;
    TTextOrientationGx orientation_ = tohHorizontal;
    int sortIndex_ = 0;
    TSortMarkerGx sortMarker_ = smNoneGx;
    bool titleButton_ = false;
    bool toolTips_ = false;
};

// --- filter row ---
// The filter of one column: the text its filter cell shows and the expression parsed from it. A
// lookup-style filter (one with a key field) tests the key field of the grid's dataset against the
// keys of the list records whose display text was typed or chosen.
class TSTColumnFilterGx : public TPersistent {
    PLANTMON_CLASS(TSTColumnFilterGx, TPersistent)
public:
    explicit TSTColumnFilterGx(TColumnGx* column);
    ~TSTColumnFilterGx() override;
    // Copies DataField, Visible, KeyField, ListField and ListSource; the expression stays.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;
    TColumnGx* Column() const { return column_; }

    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    const AnsiString& DataField() const { return dataField_; }
    void SetDataField(const AnsiString& s) { dataField_ = s; }
    const AnsiString& KeyField() const { return keyField_; }
    void SetKeyField(const AnsiString& s) { keyField_ = s; }
    const AnsiString& ListField() const { return listField_; }
    void SetListField(const AnsiString& s) { listField_ = s; }
    TDataSource* ListSource() const { return GetListSource(); }
    TDataSource* GetListSource() const;
    void SetListSource(TDataSource* value);

    const TSTFilterExpressionGx& Expression() const { return GetExpression(); }
    const TSTFilterExpressionGx& GetExpression() const { return expression_; }
    void SetExpression(const TSTFilterExpressionGx& expr);
    const AnsiString& ExpressionStr() const { return expressionStr_; }
    // Stores the text (parsed) and repaints the grid; a visible filter editor shows it again.
    void SetExpressionStr(const AnsiString& text);
    void InternalSetExpressionStr(const AnsiString& text);
    const Variant& LookupKeyValues() const { return lookupKeyValues_; }
    void SetLookupKeyValues(const Variant& v) { lookupKeyValues_ = v; }
    // The drop-down's size when it was last closed with a choice (0: none yet).
    int SavedListWidth() const { return savedListWidth_; }
    int SavedListRows() const { return savedListRows_; }
    void SaveListSize(int width, int rows) { savedListWidth_ = width, savedListRows_ = rows; }

    virtual AnsiString GetExpressionAsString();
    virtual bool DropDownButtonVisible();
    virtual AnsiString GetFilterFieldName();
    virtual Variant GetOperand1();
    virtual Variant GetOperand2();

    void Clear();
    // Parses text with the operand type of the column's field; a text that fails leaves the
    // expression as it was. The result is the expression's display text.
    AnsiString ParseExpression(const AnsiString& text);
    AnsiString CurrentDataField();
    AnsiString CurrentKeyField();
    AnsiString CurrentListField();
    TDataSet* CurrentListDataSet();
    TCustomDBGridGx* GetGrid() const;
    // A choice of list records: the text shown and their keys (Null: none).
    void SetKeyListValues(const AnsiString& text, const Variant& values);
    // The list records whose display texts are listValues, by their keys.
    void SetListValues(TStrings* listValues);
    // The distinct display texts of the list dataset (none without an active list).
    TRefGx<IMemTableDataFieldValueListGx> GetFieldValueList();
    void ListLinkActiveChange(TObject* sender);

private:
    TField* lookupField();
    TColumnGx* column_;
    bool visible_ = true;
    AnsiString dataField_, keyField_, listField_;
    TSTFilterExpressionGx expression_;
    AnsiString expressionStr_;
    Variant lookupKeyValues_ = Null();
    int savedListWidth_ = 0, savedListRows_ = 0;
    std::unique_ptr<TDataLink> listLink_;
};
// --- end of filter row ---

class TColumnGx : public TCollectionItem, public ILookupGridOwner {
    PLANTMON_CLASS(TColumnGx, TCollectionItem)
public:
    explicit TColumnGx(TCollection* collection);
    ~TColumnGx() override;
    void Assign(TPersistent* source) override;
    AnsiString GetDisplayName() const override;
    void SetIndex(int index) override;

    TCustomDBGridGx* Grid() const;
    TField* Field();
    virtual void SetField(TField* field);
    AnsiString FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    bool StoredFlag() const { return storedFlag_; }
    void SetStoredFlag(bool b) { storedFlag_ = b; }
    virtual bool SeenPassthrough() const { return !storedFlag_; }
    // The width the grid's automatic fitting scales from.
    int FitBaseWidth() const { return fitBaseWidth_; }
    void SetFitBaseWidth(int w) { fitBaseWidth_ = w; }
    TColumnGxValues AssignedValues() const { return assigned_; }
    bool IsAssigned(TColumnGxValue v) const { return (assigned_ & ColumnValueBit(v)) != 0; }

    // ---- Properties
    TAlignment Alignment() const;
    virtual void SetAlignment(TAlignment a);
    bool AlwaysShowEditButton() const;
    void SetAlwaysShowEditButton(bool b);
    bool AutoDropDown() const;
    void SetAutoDropDown(bool b);
    bool AutoFitColWidth() const { return autoFitColWidth_; }
    virtual void SetAutoFitColWidth(bool b);
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode m);
    TColumnButtonStyleGx ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyleGx s);
    bool Checkboxes() const;
    void SetCheckboxes(bool b);
    TColor Color() const;
    void SetColor(TColor c);
    bool DblClickNextVal() const;
    void SetDblClickNextVal(bool b);
    AnsiString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& f);
    TColumnDropDownBoxGx* DropDownBox() const { return dropDownBox_.get(); }
    void SetDropDownBox(TColumnDropDownBoxGx* b) { dropDownBox_->Assign(b); }
    unsigned DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(unsigned n) { dropDownRows_ = n; }
    bool DropDownShowTitles() const;
    void SetDropDownShowTitles(bool b);
    bool DropDownSizing() const;
    void SetDropDownSizing(bool b);
    TSpecRowGx* DropDownSpecRow() const { return specRow_.get(); }
    void SetDropDownSpecRow(TSpecRowGx* r) { specRow_->Assign(r); }
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int w);
    TEditButtonsGx* EditButtons() const { return editButtons_.get(); }
    void SetEditButtons(TEditButtonsGx* b) { editButtons_->Assign(b); }
    AnsiString EditMask() const { return editMask_; }
    void SetEditMask(const AnsiString& m);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool b);
    TFont* Font() const;
    void SetFont(TFont* f);
    bool HideDuplicates() const { return hideDuplicates_; }
    virtual void SetHideDuplicates(bool b);
    bool HighlightRequired() const;
    virtual void SetHighlightRequired(bool b);
    TCustomImageList* ImageList() const { return imageList_; }
    void SetImageList(TCustomImageList* l);
    TImeMode ImeMode() const;
    virtual void SetImeMode(TImeMode m);
    TImeName ImeName() const;
    virtual void SetImeName(const TImeName& n);
    double Increment() const { return increment_; }
    void SetIncrement(double d) { increment_ = d; }
    TStrings* KeyList();
    const TStrings* KeyListIfAny() const { return keyList_.get(); }
    void SetKeyList(TStrings* s);
    TTextLayout Layout() const;
    void SetLayout(TTextLayout l);
    AnsiString LookupDisplayFields() const;
    virtual void SetLookupDisplayFields(const AnsiString& s);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int w);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int w);
    TMRUListGx* MRUList() const { return mruList_.get(); }
    void SetMRUList(TMRUListGx* l) { mruList_->Assign(l); }
    int NotInKeyListIndex() const { return notInKeyListIndex_; }
    void SetNotInKeyListIndex(int i);
    TStrings* PickList();
    const TStrings* PickListIfAny() const { return pickList_.get(); }
    void SetPickList(TStrings* s);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* m);
    bool ReadOnly() const;
    virtual void SetReadOnly(bool b);
    bool ShowImageAndText() const { return showImageAndText_; }
    void SetShowImageAndText(bool b);
    int Tag() const { return tag_; }
    void SetTag(int t) { tag_ = t; }
    TColumnTitleGx* Title() const { return title_.get(); }
    void SetTitle(TColumnTitleGx* t) { title_->Assign(t); }
    bool ToolTips() const;
    void SetToolTips(bool b);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    int Width() const;
    virtual void SetWidth(int w);
    bool WordWrap() const;
    virtual void SetWordWrap(bool b);

    // ---- Defaults (what a property shows while it is not set)
    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    TImeMode DefaultImeMode() const;
    TImeName DefaultImeName() const;
    bool DefaultReadOnly() const;
    int DefaultWidth() const;
    bool DefaultWordWrap() const;
    AnsiString DefaultLookupDisplayFields() const;
    bool DefaultCheckboxes() const;
    bool DefaultAlwaysShowEditButton() const;
    bool DefaultEndEllipsis() const;
    bool DefaultAutoDropDown() const;
    bool DefaultDblClickNextVal() const;
    bool DefaultToolTips() const;
    bool DefaultDropDownSizing() const;
    bool DefaultDropDownShowTitles() const;
    TTextLayout DefaultLayout() const;
    bool DefaultHighlightRequired() const;

    // ---- Stored tests (what a column list or form keeps)
    bool IsAlignmentStored() const;
    bool IsAlwaysShowEditButtonStored() const;
    bool IsAutoDropDownStored() const;
    bool IsBiDiModeStored() const { return IsAssigned(cvBiDiMode); }
    bool IsCheckboxesStored() const { return IsAssigned(cvCheckboxes); }
    bool IsColorStored() const;
    bool IsDblClickNextValStored() const;
    bool IsDropDownShowTitlesStored() const;
    bool IsDropDownSizingStored() const;
    bool IsEndEllipsisStored() const;
    bool IsFontStored() const { return IsAssigned(cvFont); }
    bool IsHighlightRequiredStored() const;
    bool IsImeModeStored() const;
    bool IsImeNameStored() const;
    bool IsIncrementStored() const { return increment_ != 1.0; }
    bool IsLayoutStored() const;
    bool IsLookupDisplayFieldsStored() const;
    bool IsReadOnlyStored() const;
    bool IsToolTipsStored() const;
    bool IsWidthStored() const;
    bool IsWordWrapStored() const;

    // ---- Operations
    AnsiString DisplayText();
    TColumnGxType GetColumnType();
    TCheckBoxState CheckboxState();
    void SetCheckboxState(TCheckBoxState s);
    int GetImageIndex();
    bool CanModify(bool tryEdit);
    void SetNextFieldValue(double increment);
    void UpdateDataValues(const AnsiString& text, const Variant& value, bool useText);
    int AllowableWidth(int w) const;
    // The pixel width of the cell's buttons: the in-place editor's main button and the edit buttons.
    int EditButtonsWidth();
    // Drops down the grid's in-place editor while it is shown.
    void DropDown();
    // Fits this column's width to its title, values and footers.
    virtual void OptimizeWidth();
    void FillColCellParams(TColCellParamsGx* params);
    virtual void GetColCellParams(bool editMode, TColCellParamsGx* params);
    TDataSet* UsedLookupDataSet();
    TDataSet* FullListDataSet();
    virtual void RestoreDefaults();
    bool UseRightToLeftReading() const;
    bool UseRightToLeftAlignment() const;
    bool UseRightToLeftScrollBar() const;
    int DrawTextBiDiModeFlagsReadingOnly() const;
    // Forgets the resolved field (the grid's data link changed its active state).
    void ForgetField() { field_ = nullptr; }
    // --- filter row ---
    TSTColumnFilterGx* STFilter() const;
    void SetSTFilter(TSTColumnFilterGx* f) { STFilter()->Assign(f); }
    // The values the filter drop-down lists, kept until the grid's data link changes its state.
    const TRefGx<IMemTableDataFieldValueListGx>& FilterValueList() const { return filterValueList_; }
    void SetFilterValueList(const TRefGx<IMemTableDataFieldValueListGx>& list) { filterValueList_ = list; }
    void ForgetFilterValueList() { filterValueList_.reset(); }
    friend class TSTColumnFilterGx;
    // --- end of filter row ---

    // --- footers ---
    TColumnFooterGx* Footer() const;
    void SetFooter(TColumnFooterGx* f);
    TColumnFootersGx* Footers() const;
    void SetFooters(TColumnFootersGx* f);
    // The footer of a footer row (0 at the top): the item of Footers when there is one, else Footer.
    TColumnFooterGx* UsedFooter(int row) const;
    void EnsureSumValue();

    // ---- ILookupGridOwner: the drop-down lookup grid is made by the lookup unit, which replaces
    // these; a plain column has none.
    void SetDropDownBoxListSource(TDataSource* dataSource) override;
    TCustomDBGridGx* GetLookupGrid() override;
    TDBLookupGridGxOptions GetOptions() override;
    void SetOptions(TDBLookupGridGxOptions options) override;

    // ---- Events
    TOnColumnCheckDrawRequiredStateEventGx OnCheckDrawRequiredState;
    TButtonClickEventGx OnEditButtonClick;
    TButtonDownEventGx OnEditButtonDown;
    TGetColCellParamsEventGx OnGetCellParams() const { return onGetCellParams_; }
    void SetOnGetCellParams(TGetColCellParamsEventGx e);
    TNotInListEventGx OnNotInList;
    TColCellUpdateDataEventGx OnUpdateData;
    // The drop-down lookup grid's events, read and written there (empty while there is none).
    TCheckTitleGxBtnEvent OnDropDownBoxCheckButton();
    void SetOnDropDownBoxCheckButton(TCheckTitleGxBtnEvent e);
    TDrawColumnGxCellEvent OnDropDownBoxDrawColumnCell();
    void SetOnDropDownBoxDrawColumnCell(TDrawColumnGxCellEvent e);
    TGetCellGxParamsEvent OnDropDownBoxGetCellParams();
    void SetOnDropDownBoxGetCellParams(TGetCellGxParamsEvent e);
    TNotifyEvent OnDropDownBoxSortMarkingChanged();
    void SetOnDropDownBoxSortMarkingChanged(TNotifyEvent e);
    TTitleGxClickEvent OnDropDownBoxTitleBtnClick();
    void SetOnDropDownBoxTitleBtnClick(TTitleGxClickEvent e);

protected:
    virtual TColumnTitleGx* CreateTitle();
    virtual TEditButtonsGx* CreateEditButtons();
    // --- filter row ---
    virtual TSTColumnFilterGx* CreateSTFilter();
    virtual void SpecRowChanged(TObject* sender);
    void ChangedColumn(bool allItems) { Changed(allItems); }
    friend class TColumnTitleGx;
    friend class TColumnFooterGx;
    friend class TDBGridColumnsGx;
    friend class TCustomDBGridGx;

private:
    bool has(TColumnGxValue v) const { return IsAssigned(v); }
    void add(TColumnGxValue v) { assigned_ |= ColumnValueBit(v); }
    void fontChanged(TObject*);
    void repaintGrid();
    bool fieldModifiable(TField* f, bool acceptMemo) const;
    TField* keyField() const;
    void storeWidth(int w);

    TField* field_ = nullptr;
    AnsiString fieldName_;
    bool storedFlag_ = true;
    int fitBaseWidth_ = 0;
    TColumnGxValues assigned_ = 0;
    TAlignment alignment_ = taLeftJustify;
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool autoFitColWidth_ = true;
    TBiDiMode biDiMode_ = bdLeftToRight;
    TColumnButtonStyleGx buttonStyle_ = cbsAuto;
    bool checkboxes_ = false;
    TColor color_ = clWindow;
    bool dblClickNextVal_ = false;
    AnsiString displayFormat_;
    std::unique_ptr<TColumnDropDownBoxGx> dropDownBox_;
    unsigned dropDownRows_ = 7;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    int dropDownWidth_ = 0;
    std::unique_ptr<TEditButtonsGx> editButtons_;
    AnsiString editMask_;
    bool endEllipsis_ = false;
    std::unique_ptr<TFont> font_;
    bool hideDuplicates_ = false;
    bool highlightRequired_ = false;
    TCustomImageList* imageList_ = nullptr;
    std::unique_ptr<TChangeLink> imageChangeLink_;
    TImeMode imeMode_ = imDontCare;
    TImeName imeName_;
    double increment_ = 1.0;
    std::unique_ptr<TStringList> keyList_;
    TTextLayout layout_ = tlTop;
    AnsiString lookupDisplayFields_;
    int maxWidth_ = 0;
    int minWidth_ = 0;
    std::unique_ptr<TMRUListGx> mruList_;
    int notInKeyListIndex_ = -1;
    std::unique_ptr<TStringList> pickList_;
    TPopupMenu* popupMenu_ = nullptr;
    bool readOnly_ = false;
    bool showImageAndText_ = false;
    std::unique_ptr<TSpecRowGx> specRow_;
    int tag_ = 0;
    std::unique_ptr<TColumnTitleGx> title_;
    bool toolTips_ = false;
    bool visible_ = true;
    int width_ = 0;
    bool wordWrap_ = false;
    // --- lookup grid ---
    // The keeper of the drop-down lookup grid the column makes on first use: it frees the grid with
    // the column and forgets it when a window that took it as a child freed it first.
    std::unique_ptr<TComponent> lookupGridKeeper_;
    TGetColCellParamsEventGx onGetCellParams_;
    // --- footers ---
    mutable std::unique_ptr<TColumnFooterGx> footer_;
    mutable std::unique_ptr<TColumnFootersGx> footers_;
    // --- filter row ---
    mutable std::unique_ptr<TSTColumnFilterGx> stFilter_;
    TRefGx<IMemTableDataFieldValueListGx> filterValueList_;
};

// The column class of the grid's collection; it publishes the column's properties.
class TDBGridColumnGx : public TColumnGx {
    PLANTMON_CLASS(TDBGridColumnGx, TColumnGx)
public:
    using TColumnGx::TColumnGx;
};

// ---- Column lists and the collection ---------------------------------------------------------------
// An ordered list of columns that frees none of them.
class TColumnsGxList : public TObjectList {
    PLANTMON_CLASS(TColumnsGxList, TObjectList)
public:
    TColumnsGxList() : TObjectList(false) {}
    TColumnGx* GetColumn(int index) const { return static_cast<TColumnGx*>(Items(index)); }
    TColumnGx* operator[](int index) const { return GetColumn(index); }
    void SetColumn(int index, TColumnGx* column) { SetItem(index, column); }
};

class TDBGridColumnsGx : public TCollection {
    PLANTMON_CLASS(TDBGridColumnsGx, TCollection)
public:
    TDBGridColumnsGx(TCustomDBGridGx* grid, TCollectionItemClass itemClass);
    TPersistent* GetOwner() override;
    TCustomDBGridGx* Grid() const { return grid_; }

    TColumnGx* Add() { return static_cast<TColumnGx*>(TCollection::Add()); }
    // A column the grid made from a field for itself.
    TColumnGx* InternalAdd();
    TColumnGx* Items(int index) const { return static_cast<TColumnGx*>(TCollection::Items(index)); }
    TColumnGx* operator[](int index) const { return Items(index); }
    void SetColumn(int index, TColumnGx* column) { SetItem(index, column); }
    TDBGridColumnsState State() const;
    void SetState(TDBGridColumnsState s);
    void RebuildColumns() { AddAllColumns(true); }
    void AddAllColumns(bool deleteExisting);
    void RestoreDefaults();
    void LoadFromFile(const AnsiString& fileName);
    void LoadFromStream(TStream* stream);
    void SaveToFile(const AnsiString& fileName);
    void SaveToStream(TStream* stream);
    int GetUpdateCount() const { return UpdateCount(); }
    void ActiveChanged();

protected:
    void Update(TCollectionItem* item) override;

private:
    TCustomDBGridGx* grid_;
};

// The component a column set is streamed as.
class TColumnsWrapper : public TComponent {
    PLANTMON_CLASS(TColumnsWrapper, TComponent)
public:
    explicit TColumnsWrapper(TComponent* owner) : TComponent(owner) {}
    TDBGridColumnsGx* Columns() const { return columns_; }
    void SetColumns(TDBGridColumnsGx* c) { columns_ = c; }

private:
    TDBGridColumnsGx* columns_ = nullptr;
};

// ---- Multi-level titles ----------------------------------------------------------------------------
class THeadTreeNode;
using THeadTreeProc = TClosure<void(THeadTreeNode* Node)>;

// A node of the title tree: the root stands for the whole title row, each column has a leaf, and
// neighbouring columns whose captions begin with the same word sit under a group node carrying it.
// Siblings form a closed ring. A node owns its children.
class THeadTreeNode : public TObject {
    PLANTMON_CLASS(THeadTreeNode, TObject)
public:
    THeadTreeNode();
    THeadTreeNode(const AnsiString& text, int height, int width);
    // Frees all descendants when the node has no parent.
    ~THeadTreeNode() override;

    THeadTreeNode* FirstChild = nullptr;
    TColumnGx* LeafColumn = nullptr;
    bool Painted = false;
    std::int32_t CellHeight = 0;
    std::int32_t PrintHeight = 0;
    THeadTreeNode* ParentNode = nullptr;
    THeadTreeNode* NextSibling = nullptr;
    AnsiString NodeText;
    std::int32_t LineWidth = 0;
    std::int32_t CellWidth = 0;
    std::int32_t PrintWidth = 0;
    std::int32_t MarkerIndent = 0;

    THeadTreeNode* Add(THeadTreeNode* after, const AnsiString& text, int height, int width);
    THeadTreeNode* AddChild(THeadTreeNode* node, const AnsiString& text, int height, int width);
    bool Find(THeadTreeNode* node);
    int GetLevel() const;
    void FreeAllChild();
    void Union(THeadTreeNode* from, THeadTreeNode* to, const AnsiString& text, int height);
    void DoForAllNode(THeadTreeProc proc);
    void CreateFieldTree(TCustomDBGridGx* grid);

private:
    void checkInTree(THeadTreeNode* node);
};

struct TLeafCol {
    THeadTreeNode* FLeaf = nullptr;
    TColumnGx* FColumn = nullptr;
};

// The n-th (1-based) word of a caption split at "|", with its 1-based position; a missing word is
// empty with position 0.
AnsiString CaptionWord(const AnsiString& caption, int n, int& position);

// ---- Drawing geometry ------------------------------------------------------------------------------
struct TGridAxisDrawInfoGx : TGridAxisDrawInfo {
    int FrozenExtent = 0;  // pixels of the frozen cells inside the fixed part
    int FooterExtent = 0;  // pixels of the footer rows on screen (rows only)
};
struct TGridDrawInfoGx {
    TGridAxisDrawInfoGx Horz;
    TGridAxisDrawInfoGx Vert;
};

// ---- Data link -------------------------------------------------------------------------------------
class TGridDataLinkGx : public TDataLink {
    PLANTMON_CLASS(TGridDataLinkGx, TDataLink)
public:
    static constexpr int MaxMapSize = 268435455;  // 2^28 - 1

    explicit TGridDataLinkGx(TCustomDBGridGx* grid);
    ~TGridDataLinkGx() override;

    bool AddMapping(const AnsiString& fieldName);
    void ClearMapping();
    int GetMappedIndex(int index) const;
    void Modified() { modified_ = true; }
    bool IsModified() const { return modified_; }
    void Reset();
    bool GetDefaultFields() const;
    TField* GetFields(int index) const;
    int FieldCount() const { return fieldCount_; }
    int MapCapacity() const { return static_cast<int>(map_.size()); }
    bool SparseMap() const { return sparse_; }
    void SetSparseMap(bool b) { sparse_ = b; }
    int MoveBy(int distance) override;
    // The dataset's notification of a record change, for the grid (RecordChanged is protected).
    void UpdateData() override;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;

private:
    TCustomDBGridGx* grid_;
    std::vector<int> map_;  // its size is the map's capacity
    int fieldCount_ = 0;
    bool modified_ = false;
    bool inUpdateData_ = false;
    bool sparse_ = false;
};

// ---- Scroll bars ---------------------------------------------------------------------------------
enum TScrollBarVisibleModeGx { sbAlwaysShowGx, sbNeverShowGx, sbAutoShowGx };

// The settings of one of the grid's scroll bars: whether the grid's own window bar shows, whether the
// grid follows a dragged thumb, and an external scroll bar placed elsewhere on the form that takes
// the place of the grid's own bar. An external bar's scroll notifications reach the grid as its own
// scroll messages; a bar another control has hooked already is refused.
class TDBGridGxScrollBar : public TPersistent {
    PLANTMON_CLASS(TDBGridGxScrollBar, TPersistent)
public:
    TDBGridGxScrollBar(TCustomDBGridGx* grid, TScrollBarKind kind);
    ~TDBGridGxScrollBar() override;
    void Assign(TPersistent* source) override;

    TCustomDBGridGx* Grid() const { return grid_; }
    TScrollBarKind Kind() const { return kind_; }
    TScrollBar* ExtScrollBar() const { return extScrollBar_; }
    void SetExtScrollBar(TScrollBar* value);
    bool Tracking() const { return tracking_; }
    void SetTracking(bool b) { tracking_ = b; }
    bool Visible() const { return GetVisible(); }
    bool GetVisible() const { return visibleMode_ != sbNeverShowGx; }
    void SetVisible(bool value);
    TScrollBarVisibleModeGx VisibleMode() const { return visibleMode_; }
    void SetVisibleMode(TScrollBarVisibleModeGx value);
    bool IsScrollBarVisible() const;
    void UpdateExtScrollBar();
    // The external bar's values (SB_CTL), else the grid window's bar of this kind.
    bool GetScrollInfo(SCROLLINFO& info) const;
    // Forgets an external bar that is being destroyed (its window procedure goes with it).
    void ExtScrollBarRemoved() { extScrollBar_ = nullptr; }

protected:
    void ExtScrollWindowProc(TMessage& message);

private:
    TCustomDBGridGx* grid_;
    TScrollBar* extScrollBar_ = nullptr;
    TScrollBarKind kind_;
    bool tracking_ = false;
    TScrollBarVisibleModeGx visibleMode_ = sbAutoShowGx;
};

// The vertical bar's settings; its visible mode is published (and stored instead of Visible).
class TVertDBGridGxScrollBar : public TDBGridGxScrollBar {
    PLANTMON_CLASS(TVertDBGridGxScrollBar, TDBGridGxScrollBar)
public:
    using TDBGridGxScrollBar::TDBGridGxScrollBar;
};

// The first cell from which the cells up to coord fit into the scrollable area, per axis.
TGridCoord MaxTopLeftCell(TGridCoord coord, const TGridDrawInfo& drawInfo);

// --- selection --------------------------------------------------------------------------------------
class TDBGridGxSelection;

// A data cell: a data column and a record's bookmark (column -1 and no bookmark: unset).
struct TDBCell {
    int Col = -1;
    TBookmarkStr Row;
};

// The selected records of a grid, kept sorted in the dataset's bookmark order.
class TBookmarkListGx : public TBMListGx {
    PLANTMON_CLASS(TBookmarkListGx, TBMListGx)
public:
    explicit TBookmarkListGx(TCustomDBGridGx* grid) : grid_(grid) {}
    TCustomDBGridGx* Grid() const { return grid_; }
    TDataSet* GetDataSet() override;
    void Clear() override;
    void SetCurrentRowSelected(bool value) override;
    void UpdateState() override;
    void Invalidate() override;
    TGridRect SelectionToGridRect();

private:
    TCustomDBGridGx* grid_;
};

// The selected columns, always in the order of the collection.
class TDBGridGxSelectionCols : public TColumnsGxList {
    PLANTMON_CLASS(TDBGridGxSelectionCols, TColumnsGxList)
public:
    explicit TDBGridGxSelectionCols(TCustomDBGridGx* grid);
    ~TDBGridGxSelectionCols() override;
    void Add(TColumnGx* column);
    void Clear();
    void Select(TColumnGx* column, bool addSel);
    void InvertSelect(TColumnGx* column);
    // Shift with a column click or drag: the range from the anchor to column, giving back what the
    // last range step took when the range shrinks.
    void SelectShift(TColumnGx* column);
    void Refresh();
    TGridRect SelectionToGridRect();
    TColumnGx* Anchor() const { return anchor_; }
    TColumnGx* ShiftCol() const { return shiftCol_; }

private:
    TCustomDBGridGx* grid_;
    TColumnGx* anchor_ = nullptr;
    TColumnGx* shiftCol_ = nullptr;
    std::unique_ptr<TColumnsGxList> shiftSelected_;
};

// A rectangle of cells between two records and two data columns.
class TDBGridGxSelectionRect : public TObject {
    PLANTMON_CLASS(TDBGridGxSelectionRect, TObject)
public:
    explicit TDBGridGxSelectionRect(TCustomDBGridGx* grid) : grid_(grid) {}
    void Clear();
    void Select(int dataCol, const TBookmarkStr& bookmark, bool extend);
    bool CheckState();
    bool DataCellSelected(int dataCol, const TBookmarkStr& bookmark);
    TBookmarkStr GetTopRow();
    TBookmarkStr GetBottomRow();
    int GetLeftCol();
    int GetRightCol();
    TRect BoxRect(int aLeft, const TBookmarkStr& aTop, int aRight, const TBookmarkStr& aBottom);
    TGridRect SelectionToGridRect();
    const TDBCell& AnchorCell() const { return anchor_; }
    const TDBCell& ShiftCell() const { return shift_; }

private:
    TCustomDBGridGx* grid_;
    TDBCell anchor_;
    TDBCell shift_;
};

// The grid's one selection: records, a rectangle, columns or everything.
class TDBGridGxSelection : public TObject {
    PLANTMON_CLASS(TDBGridGxSelection, TObject)
public:
    explicit TDBGridGxSelection(TCustomDBGridGx* grid);
    ~TDBGridGxSelection() override;
    TCustomDBGridGx* Grid() const { return grid_; }
    TDBGridGxSelectionType SelectionType() const { return selectionType_; }
    void SetSelectionType(TDBGridGxSelectionType value);
    TBookmarkListGx* GetRows() const;
    TBookmarkListGx* Rows() const { return GetRows(); }
    TDBGridGxSelectionCols* Columns() const { return columns_.get(); }
    TDBGridGxSelectionRect* Rect() const { return rect_.get(); }

    void Clear();
    void SelectAll();
    void UpdateState();
    void Refresh();
    void LinkActive(bool value);
    bool DataCellSelected(int dataCol, const TBookmarkStr& bookmark);
    TGridRect SelectionToGridRect();
    virtual void SelectionChanged();

private:
    TCustomDBGridGx* grid_;
    friend class TBookmarkListGx;
    TDBGridGxSelectionType selectionType_ = gstNon;
    std::unique_ptr<TDBGridGxSelectionCols> columns_;
    std::unique_ptr<TDBGridGxSelectionRect> rect_;
};

// --- footers ----------------------------------------------------------------------------------------
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TColumnFooterGxValue { cvFooterAlignment, cvFooterFont, cvFooterColor, cvFooterToolTips };
using TColumnFooterValues = unsigned;

// One footer cell of a column: a total, an average, a count, a field's value or a fixed text.
class TColumnFooterGx : public TCollectionItem {
    PLANTMON_CLASS(TColumnFooterGx, TCollectionItem)
public:
    explicit TColumnFooterGx(TCollection* collection);
    explicit TColumnFooterGx(TColumnGx* column);
    ~TColumnFooterGx() override;
    void Assign(TPersistent* source) override;
    virtual void RestoreDefaults();
    TColumnGx* Column() const { return column_; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    TColor Color() const;
    void SetColor(TColor c);
    AnsiString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& f);
    bool EndEllipsis() const { return endEllipsis_; }
    void SetEndEllipsis(bool b);
    AnsiString FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    TFont* Font() const;
    void SetFont(TFont* f);
    bool ToolTips() const;
    void SetToolTips(bool b);
    AnsiString Value() const { return value_; }
    void SetValue(const AnsiString& v);
    TFooterValueType ValueType() const { return valueType_; }
    void SetValueType(TFooterValueType t);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool b);

    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    bool DefaultToolTips() const;
    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    bool IsFontStored() const { return has(cvFooterFont); }
    bool IsToolTipsStored() const { return has(cvFooterToolTips) && toolTips_; }
    TColumnFooterValues AssignedValues() const { return assigned_; }
    void RefreshDefaultFont();
    // Registers, changes or frees the footer's aggregate in the grid's sum list.
    void EnsureSumValue();
    // The aggregate's value, Null without one.
    Variant GetSumValue() const;
    // The footer's aggregate while the grid's sum list still holds it.
    TDBSum* SumValue() const;

private:
    void init();
    bool has(TColumnFooterGxValue v) const { return (assigned_ & (1u << v)) != 0; }
    void fontChanged(TObject*);
    void changed(bool allItems);
    TColumnGx* column_ = nullptr;
    std::unique_ptr<TFont> font_;
    TColumnFooterValues assigned_ = 0;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clWindow;
    bool toolTips_ = false;
    AnsiString displayFormat_;
    bool endEllipsis_ = false;
    AnsiString fieldName_;
    AnsiString value_;
    TFooterValueType valueType_ = fvtNon;
    bool wordWrap_ = false;
    // The footer's aggregate by its id in the grid's sum list, -1 for none: the list may replace
    // its items (a new sum list), so the footer never keeps a pointer that could outlive its item.
    int sumId_ = -1;
};

class TColumnFootersGx : public TCollection {
    PLANTMON_CLASS(TColumnFootersGx, TCollection)
public:
    explicit TColumnFootersGx(TColumnGx* column);
    TPersistent* GetOwner() override;
    TColumnGx* Column() const { return column_; }
    TColumnFooterGx* Add() { return static_cast<TColumnFooterGx*>(TCollection::Add()); }
    TColumnFooterGx* Items(int index) const { return static_cast<TColumnFooterGx*>(TCollection::Items(index)); }
    TColumnFooterGx* operator[](int index) const { return Items(index); }
    void SetItems(int index, TColumnFooterGx* value) { SetItem(index, value); }

private:
    TColumnGx* column_;
};

// The grid's aggregate producer. While the grid is being designed it leaves the dataset's events
// alone.
class TDBGridGxSumList : public TDBSumListProducer {
    PLANTMON_CLASS(TDBGridGxSumList, TDBSumListProducer)
public:
    explicit TDBGridGxSumList(TCustomDBGridGx* grid);

protected:
    void SetDataSetEvents() override;
    void ReturnEvents() override;
};

// ---- Layout storage: what a restore takes back --------------------------------------------------------
class TCustomIniFile;
class TRegIniFile;
enum TColumnGxRestoreParam : unsigned {
    crpColIndexGx = 1u << 0,
    crpColWidthsGx = 1u << 1,
    crpSortMarkerGx = 1u << 2,
    crpColVisibleGx = 1u << 3,
    crpDropDownRowsGx = 1u << 4,
    crpDropDownWidthGx = 1u << 5,
};
using TColumnGxRestoreParams = unsigned;
enum TDBGridGxRestoreParam : unsigned {
    grpColIndexGx = 1u << 0,
    grpColWidthsGx = 1u << 1,
    grpSortMarkerGx = 1u << 2,
    grpColVisibleGx = 1u << 3,
    grpRowHeightGx = 1u << 4,
    grpDropDownRowsGx = 1u << 5,
    grpDropDownWidthGx = 1u << 6,
};
using TDBGridGxRestoreParams = unsigned;

// ---- Export and import: what they read of the grid's selection and footers ---------------------------
// The selection as the export, the import and the clipboard's delete walk it: its kind and the
// part that kind uses.
struct TImpExpSelectionGx {
    TImpExpSelectionGx() = default;
    explicit TImpExpSelectionGx(TDBGridGxSelectionType type) : SelectionType(type) {}
    TDBGridGxSelectionType SelectionType = gstNon;
    std::vector<TBookmark> Rows;  // records, in the list's order
    TBookmark TopRow;             // rectangle: its first and last records
    TBookmark BottomRow;
    int LeftCol = -1;  // rectangle: its first and last columns (column indexes)
    int RightCol = -1;
    std::vector<TColumnGx*> Columns;  // columns, in collection order
};
// A footer cell as the export writes it: sums and counts are computed anew over the exported
// records, other kinds give the grid's own text.
enum TImpExpFooterKindGx { ifkOtherGx, ifkSumGx, ifkCountGx };
struct TImpExpFooterGx {
    TImpExpFooterKindGx Kind = ifkOtherGx;
    AnsiString FieldName;  // the footer's field; empty: the column's
    TFont* Font = nullptr;
    TColor Color = clWindow;
    TAlignment Alignment = taLeftJustify;
    AnsiString Text;  // the grid's footer text (kinds other than sum and count)
};

// --- filter row ---
// The grid's filter settings: whether the filter row shows and whether the filter goes to the
// dataset's own filter text instead of its SQL text. While updates are counted the editor stays put.
class TSTDBGridGxFilter : public TPersistent {
    PLANTMON_CLASS(TSTDBGridGxFilter, TPersistent)
public:
    explicit TSTDBGridGxFilter(TCustomDBGridGx* grid) : grid_(grid) {}
    void Assign(TPersistent* source) override;
    TCustomDBGridGx* Grid() const { return grid_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Local() const { return local_; }
    void SetLocal(bool value) { local_ = value; }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() { --updateCount_; }
    int UpdateCount() const { return updateCount_; }

private:
    TCustomDBGridGx* grid_;
    bool visible_ = false;
    bool local_ = false;
    int updateCount_ = 0;
};
// --- end of filter row ---

// ---- The grid --------------------------------------------------------------------------------------
class TCustomDBGridGx : public TCustomGrid, public IInplaceEditHolderGx, public IDataServiceGridGx {
    PLANTMON_CLASS(TCustomDBGridGx, TCustomGrid)
public:
    explicit TCustomDBGridGx(TComponent* owner);
    ~TCustomDBGridGx() override;

    // ---- Layout locks and requests
    void BeginUpdate();
    void EndUpdate();
    int UpdateLock() const { return updateLock_; }
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    void DeferLayout();
    int LayoutLock() const { return layoutLock_; }
    bool InLayout() const { return inLayout_; }
    bool DataSetLayoutChanging() const { return dataSetLayout_; }
    virtual void LayoutChanged();
    void InternalLayout();
    virtual void UpdateRowCount();

    // ---- Columns and fields
    TDBGridColumnsGx* Columns() const { return columns_.get(); }
    void SetColumns(TDBGridColumnsGx* c) { columns_->Assign(c); }
    TColumnsGxList* VisibleColumns() const { return visibleColumns_.get(); }
    TColumnsGxList* SortMarkedColumns() const { return sortMarkedColumns_.get(); }
    // Rebuilds the list of sort-marked columns from the titles, in SortIndex order.
    void SetSortMarkedColumns();
    TColumnDefValuesGx* ColumnDefValues() const { return columnDefValues_.get(); }
    void SetColumnDefValues(TColumnDefValuesGx* v) { columnDefValues_->Assign(v); }
    TGridDataLinkGx* DataLink() const { return dataLink_.get(); }
    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* ds);
    int RawToDataColumn(int aCol) const { return aCol - indicatorOffset_; }
    int DataToRawColumn(int aCol) const { return aCol + indicatorOffset_; }
    int IndicatorOffset() const { return indicatorOffset_; }
    int GetCol() const { return Col(); }
    void SetCol(int aCol);
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    TField* SelectedField() const;
    void SetSelectedField(TField* f);
    TField* GetColField(int dataCol) const;
    AnsiString GetFieldValue(int dataCol) const;
    int GetFieldCount() const { return dataLink_->FieldCount(); }
    TField* GetFields(int index) const { return dataLink_->GetFields(index); }
    bool ValidFieldIndex(int index) const { return dataLink_->GetMappedIndex(index) >= 0; }
    TColumnGx* GetFieldColumns(const AnsiString& fieldName) const;
    virtual void GetDatasetFieldList(TList* list);
    bool HaveHideDuplicates() const;

    // ---- Rows
    int GetTitleRows() const { return (options_ & dgTitles) ? 1 : 0; }
    virtual int GetSubTitleRows() const;
    int GetTopDataOffset() const { return GetTitleRows() + GetSubTitleRows(); }
    int TopDataOffset() const { return topDataOffset_; }
    int DataRowCount() const;
    int VisibleDataRowCount() const;
    int DataRowToRecNo(int dataRow) const;
    int StdDefaultRowHeight();
    int GetSubTitleRowHeights(int) const { return DefaultRowHeight(); }
    int GetRowHeights(int index) const { return RowHeights(index); }
    int GetColWidths(int index) const { return ColWidths(index); }
    void SetColWidths(int index, int value);
    bool MultiLineRows() const { return multiLineRows_; }
    int RowTextSpacing() const { return rowTextSpacing_; }
    int TitleRowHeight() const { return titleRowHeight_; }

    // ---- Geometry
    void CalcFixedInfoGx(TGridDrawInfoGx& info) const;
    void CalcDrawInfoXYGx(TGridDrawInfoGx& info, int useWidth, int useHeight) const;
    void CalcDrawInfoGx(TGridDrawInfoGx& info) const;
    void ChangeScale(int m, int d) override;

    // ---- Titles
    THeadTreeNode* HeadTree() const { return headTree_.get(); }
    const std::vector<TLeafCol>& LeafFieldArr() const { return leafFieldArr_; }
    std::vector<TLeafCol>& LeafFieldArr() { return leafFieldArr_; }
    int SetChildTreeHeight(THeadTreeNode* node);

    // ---- Repainting
    void InvalidateCol(int aCol);
    void InvalidateRow(int aRow) { TCustomGrid::InvalidateRow(aRow); }
    void InvalidateCell(int aCol, int aRow);
    void InvalidateGridRect(const TGridRect& r);

    // ---- Position and editing
    void SaveBookmark();
    void RestoreBookmark();
    // How far SaveBookmark stepped back from the current record.
    int SavedBookmarkOffset() const { return savedOffset_; }
    void SetValueFromPrevRecord();
    bool AllowedOperationUpdate();
    void UpdateData();
    bool CanEditModifyText();
    bool CanEditModifyColumn(int dataCol);
    AnsiString EditText() const { return editText_; }
    Variant EditKeyValue() const { return editKeyValue_; }
    void DefaultDrawDataCell(const TRect& rect, TField* field, TGridDrawState state);

    // ---- Published properties
    TDBGridGxAllowedOperations AllowedOperations() const { return allowedOperations_; }
    void SetAllowedOperations(TDBGridGxAllowedOperations v) { allowedOperations_ = v; }
    TDBGridGxAllowedSelections AllowedSelections() const { return allowedSelections_; }
    void SetAllowedSelections(TDBGridGxAllowedSelections v);
    bool AutoFitColWidths() const { return autoFitColWidths_; }
    void SetAutoFitColWidths(bool b);
    bool DrawMemoText() const { return drawMemoText_; }
    void SetDrawMemoText(bool b);
    TDBGridGxEditActions EditActions() const { return editActions_; }
    void SetEditActions(TDBGridGxEditActions a) { editActions_ = a; }
    TColor EvenRowColor() const { return evenRowColorAssigned_ ? evenRowColor_ : Color(); }
    void SetEvenRowColor(TColor c);
    TColor OddRowColor() const { return oddRowColorAssigned_ ? oddRowColor_ : Color(); }
    void SetOddRowColor(TColor c);
    bool IsEvenRowColorStored() const { return evenRowColorAssigned_; }
    bool IsOddRowColorStored() const { return oddRowColorAssigned_; }
    bool Flat() const { return flat_; }
    // A flat 3-D grid draws its single border itself.
    bool FlatBorder() const { return flatBorder_; }
    void SetFlat(bool b);
    TColor FooterColor() const { return footerColor_; }
    void SetFooterColor(TColor c);
    TFont* FooterFont() const { return footerFont_.get(); }
    void SetFooterFont(TFont* f) { footerFont_->Assign(f); }
    int FooterRowCount() const { return footerRowCount_; }
    void SetFooterRowCount(int n);
    int FrozenCols() const { return frozenCols_; }
    void SetFrozenCols(int n);
    int MinAutoFitWidth() const { return minAutoFitWidth_; }
    void SetMinAutoFitWidth(int w);
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions v);
    TDBGridGxOptions OptionsGx() const { return optionsGx_; }
    void SetOptionsGx(TDBGridGxOptions v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool b);
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int v);
    int RowLines() const { return rowLines_; }
    void SetRowLines(int v);
    bool RowSizingAllowed() const { return rowSizingAllowed_; }
    void SetRowSizingAllowed(bool b);
    bool SortLocal() const { return sortLocal_; }
    void SetSortLocal(bool b) { sortLocal_ = b; }
    TFont* TitleFont() const { return titleFont_.get(); }
    void SetTitleFont(TFont* f) { titleFont_->Assign(f); }
    int TitleHeight() const { return titleHeight_; }
    void SetTitleHeight(int v);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int v);
    TCustomImageList* TitleImages() const { return titleImages_; }
    void SetTitleImages(TCustomImageList* l);
    bool UseMultiTitle() const { return useMultiTitle_; }
    void SetUseMultiTitle(bool b);
    int VTitleMargin() const { return vTitleMargin_; }
    void SetVTitleMargin(int v);
    // The grid's own base-grid options (what the DB options map to).
    TGridOptions GridOptions() const { return TCustomGrid::Options(); }
    // Set at the end of a row sizing with the mouse; RowHeightsChanged adopts the height.
    void SetRowSizedByMouse() { rowSizedByMouse_ = true; }
    bool Loading() const { return (ComponentState() & csLoading) != 0; }
    bool Designing() const { return (ComponentState() & csDesigning) != 0; }

    // ---- Events
    TNotifyEvent OnApplyFilter;
    TDBGridGxClickEvent OnCellClick;
    TCheckTitleGxBtnEvent OnCheckButton;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TMovedEvent OnColumnMoved;
    TNotifyEvent OnColWidthsChanged;
    TDrawColumnGxCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawFooterCellEvent OnDrawFooterCell;
    TNotifyEvent OnEditButtonClick;
    TGetBtnGxParamsEvent OnGetBtnParams;
    TGetCellGxParamsEvent OnGetCellParams;
    TGetFooterParamsEvent OnGetFooterParams;
    TGridMoveRecordsEventGx OnMoveRecords;
    TNotifyEvent OnSelectionChanged;
    TNotifyEvent OnSortMarkingChanged;
    TNotifyEvent OnSumListAfterRecalcAll;
    TNotifyEvent OnSumListRecalcAll;
    TTitleGxClickEvent OnTitleBtnClick;
    TDBGridGxClickEvent OnTitleClick;

    // ---- Reactions to the dataset (the data link calls them)
    virtual void LinkActive(bool value);
    virtual void DataChanged();
    virtual void Scroll(int distance);
    virtual void RecordChanged(TField* field);
    virtual void UpdateActive();
    virtual void DefineFieldMap();
    virtual void SetColumnAttributes();
    virtual bool CanEditorMode() const;
    // The row of the current-record mark painted last (-1: none).
    int IndicatorRow() const { return indicatorRow_; }

    // --- in-place editing ---
    // The editor over the current cell once the grid has shown one (null before).
    TDBGridInplaceEdit* DBInplaceEditor() const;
    // The editor hands its committed text and key value over through these.
    void SetEditTextValue(const AnsiString& text) { editText_ = text; }
    void SetEditKeyValue(const Variant& value) { editKeyValue_ = value; }
    // The selection's look follows whether the grid holds the focus; the selection unit repaints.
    // The grid as holder of a hosted editor (the filter-row editor): keys steered between the
    // filterable columns.
    bool InplaceEditCanModify(TControl* control) override;
    void GetMouseDownInfo(TPoint& pos, DWORD& time) override;
    void InplaceEditWndProc(TControl* control, TMessage& message) override;
    void InplaceEditKeyDown(TControl* control, WORD& key, TShiftState shift) override;
    void InplaceEditKeyPress(TControl* control, WideChar& key) override;
    void InplaceEditKeyUp(TControl* control, WORD& key, TShiftState shift) override;
    // The filter row's side of the hosted editor; a grid without a filter row filters nothing.
    virtual bool CanFilterCol(int dataCol);
    virtual void StartEditFilter(int dataCol);
    virtual void StopEditFilter();
    virtual int FilterEditCol() const;
    virtual bool FilterEditListDroppedDown(TControl* control);
    // --- appearance and painting ---
    // Cell kinds, highlight decisions, focus, column and title events, title-button tracking; the
    // painting frame, the cell painting and the drawing helpers descendants and handlers may call.
    TCellTypeGx GetCellType(int aCol, int aRow, int& dataCol, int& dataRow) const;
    bool IsActiveControl() const;
    bool IsSelectionActive() const;
    TDBGridGxStyle* Style() const { return style_; }
    void SetStyle(TDBGridGxStyle* style);
    void RegetDefaultStyle();
    virtual void StyleGxChanged();
    virtual bool HighlightDataCellColor(int dataCol, int dataRow, const AnsiString& value, TGridDrawState& state,
                                        TColor& color, TFont* font);
    virtual bool HighlightNoDataCellColor(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                          TGridDrawState state, bool selected, TColor& color, TFont* font);
    bool CellIsMultiSelected(int aCol, int aRow, int dataCol, const TBookmark& bookmark);
    void ChangeGridOrientation(bool rightToLeft);
    void StopTracking();
    void TrackButton(int x, int y);
    void SetIme();
    void UpdateIme();
    bool DefaultDrawing() const { return gridDefaultDrawing_; }
    void SetDefaultDrawing(bool b);
    int EditButtonWidth() const { return editButtonWidth_; }
    int EditButtonHeight() const { return editButtonHeight_; }
    // The in-place editor's button size from Flat and the row height (window creation, every pass).
    void UpdateEditButtonSize();
    // The raw column whose title button is held down (-1: none) and whether it shows pressed.
    int PressedTitleCol() const { return pressedTitleCol_; }
    bool TitleButtonDown() const { return titleButtonDown_; }
    bool Tracking() const { return tracking_; }
    // Starts tracking a title button pressed in raw column aCol (the mouse press).
    void BeginTitleTracking(int aCol);
    virtual bool CellHave3DRect(int aCol, int aRow, const TRect& aRect, TGridDrawState state);
    void DrawEdgeGx(TCanvas* canvas, const TRect& aRect, bool isDown, bool isSelected, bool needLeft, bool needRight);
    void WriteCellText(TColumnGx* column, TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy,
                       const AnsiString& text, TAlignment alignment, TTextLayout layout, bool multiLine,
                       bool endEllipsis, int leftMarg, int rightMarg);
    void PaintInplaceButton(TColumnGx* column, TCanvas* canvas, TEditButtonStyleGx buttonStyle, TRect rect,
                            const TRect& clipRect, int downButtonNum, bool active, bool flat, bool enabled,
                            TColor parentColor, TBitmap* bitmap);
    void PaintButtonControl(HDC dc, TRect aRect, TColor parentColor, TDrawButtonControlStyleGx style,
                            int downButtonNum, bool flat, bool active, bool enabled, TCheckBoxState state);
    void DefaultDrawColumnCell(const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state);
    // The tree area of a view shown as a tree, at the left of the first visible column: its width
    // for the record being read (18 pixels a level), its drawing (returns its right edge).
    int DrawTreeArea(TCanvas* canvas, const TRect& aRect);
    int GetCellTreeElmentsAreaWidth() const;
    bool TreeAreaShown() const;
    // The sign of each level column for the record being read: its ancestors' connectors (none
    // where an ancestor has no sibling after it), then the node's own sign.
    std::vector<std::optional<TTreeElementGx>> TreeAreaSigns() const;
    bool TreeAreaColumn(const TColumnGx* column) const;
    virtual void DrawCellTreeArea(int dataCol, int dataRow, TGridDrawState state, const TRect& aRect, bool cell3D);
    virtual bool CellTreeElementMouseDown(int x, int y, bool checkOnly);
    virtual void DrawSubTitleCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                  const TRect& aRect, TGridDrawState state, bool& highlighted);
    virtual void DrawBorder();
    virtual bool CanDrawFocusRowRect();
    void ClearPainted(THeadTreeNode* node);
    bool DrawTitleByThemes() const { return false; }
    virtual bool IsFindDialogShowAsModal() { return true; }
    // Buffered painting was switched on (it stays on for the grid's life).
    bool BufferedPaint() const { return bufferedPaint_; }
    // The painting lock: while it is set Paint does nothing (layout recomputation, filter, tree).
    void BeginPaintLock() { ++paintLock_; }
    void EndPaintLock() { if (paintLock_ > 0) --paintLock_; }

    // What the painting reads of Parts built beside it; each answers as the grid does without them.
    // Incremental search (its running state and typed text) and buffered painting.
    virtual bool NeedBufferedPaint();
    // Reading a buffered row as the current one for painting, and giving it back.
    virtual void InstantReadRecordEnter(int dataRow);
    virtual void InstantReadRecordLeave();
    // The selection: its kind, and whether it holds a data cell, a record or a column.
    virtual TDBGridGxSelectionType PaintSelectionType() const;
    virtual bool PaintDataCellSelected(int dataCol, const TBookmark& bookmark);
    virtual bool PaintRecordSelected(const TBookmark& bookmark);
    virtual bool PaintColumnSelected(TColumnGx* column);
    // The sum list: whether it numbers virtual records, and the record number it gives.
    virtual bool SumListVirtualRecordsActive() const;
    virtual int SumListGetRecNo();
    // Footer cells: the value, and the look of footer n of a column.
    virtual void GetFooterParams(int dataCol, int row, TColumnGx* column, TFont* font, TColor& background,
                                 TAlignment& alignment, TGridDrawState state, AnsiString& text);
    virtual void FooterCellLook(int row, TColumnGx* column, TFont*& font, TColor& color, TAlignment& alignment,
                                bool& wordWrap, bool& endEllipsis);
    // The filter row: whether a column's filter cell shows, its drop-down button, its text.
    virtual bool FilterRowVisible() const;
    virtual bool FilterCellVisible(int dataCol);
    virtual bool FilterDropDownButtonVisible(int dataCol);
    virtual AnsiString GetFilterValue(int dataCol);
    // The in-place edit style of a column (0 none, 1 ellipsis, 2 pick list, 3 data list, 4 calendar,
    // 5 up-down, 6 drop-down).
    virtual int PaintColumnEditStyle(TColumnGx* column);
    int ColumnEditButtonsWidth(TColumnGx* column);
    // The parts of the tracking state other Parts own: record moving, row tracking, cell tracking
    // and the interaction state.
    virtual void StopTrackingOthers() {}
    // The system colours changed: button glyphs are drawn anew, the style reads the screen again.
    void SysColorsChanged();


protected:
    void Paint() override;
    void WMPaint(TMessage& m) override;
    void WMRButtonUp(TMessage& m) override;
    void FontChanged() override;
    void CMParentFontChanged(TMessage& m) override;
    virtual void CellClick(TColumnGx* column);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void EditButtonClick();
    virtual void TitleClick(TColumnGx* column);
    virtual void DoTitleClick(int aCol, TColumnGx* column);
    virtual void CheckTitleButton(int aCol, bool& enabled);
    virtual void GetCellParams(TColumnGx* column, TFont* font, TColor& background, TGridDrawState state);
    virtual void DrawDataCell(const TRect& rect, TField* field, TGridDrawState state);
    virtual void DrawColumnCell(const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state);

private:
    void drawIndicatorCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, const TRect& work,
                           TGridDrawState state, int textDX, bool& highlighted);
    void drawTitleCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, const TRect& aRect,
                       TRect& work, TGridDrawState state, int textDX, int textDY, bool& pressed, bool& highlighted);
    void drawUpperTitleLevels(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, const TRect& aRect,
                              const TRect& work, TGridDrawState state, int textDY, bool highlighted);
    void drawDataCell(int aCol, int aRow, int dataCol, int dataRow, const TRect& aRect, TRect& work,
                      TGridDrawState state, bool cell3D, int textDX, int textDY, bool& highlighted);
    void drawFooterArea(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, TRect& work,
                        TGridDrawState state, int textDX, int textDY, bool& highlighted);
    bool previousRecordText(TColumnGx* column, int dataRow, AnsiString& text);
    // Expands or collapses the node of a view row as the tree area's sign and the keys do: the
    // view names the record to go to, the top row stays.
    void setTreeNodeExpanded(int viewRow, bool expanded);
    void paintGridLines(const TGridDrawInfoGx& di);
    void paintArea(int colFrom, int colTo, int rowFrom, int rowTo, TRect area, TColor color, bool fixed,
                   bool focusedGrid);
    void titleImageChanged(TObject*);
    TDBGridGxStyle* style_ = nullptr;
    bool gridDefaultDrawing_ = true;
    int editButtonWidth_ = 0, editButtonHeight_ = 0;
    int pressedTitleCol_ = -1;
    bool titleButtonDown_ = false;
    bool tracking_ = false;
    bool bufferedPaint_ = false;
    int paintLock_ = 0;
    int instantSaved_ = -1;
    int instantDepth_ = 0;
    bool copyingParentFont_ = false;
    TImeName createdImeName_;
    TImeMode createdImeMode_ = imDontCare;
    // --- end of appearance and painting ---

public:
    // --- selection ---
    // The grid's selection (the base grid's current-cell range is TCustomGrid::Selection).
    TDBGridGxSelection* Selection() const { return selection_.get(); }
    TBookmarkListGx* SelectedRows() const { return bookmarks_.get(); }
    // Moves the current record and extends the selection (keys and mouse).
    void DoSelection(bool select, int distance, bool toEnd, bool byRows);
    void ClearSelection();
    bool CanSelectType(TDBGridGxSelectionType type) const;
    virtual void SelectionActiveChanged();
    // The focused window is the grid or its in-place editor.
    bool SelectionActiveRemembered() const { return selectionActive_; }
    // Ctrl held, or selection kept over unselected moves: extending toggles records.
    void SetSelectionToggleMode(bool b) { selectToggle_ = b; }
    bool SelectionToggleMode() const { return selectToggle_; }
    bool ExecuteAction(TBasicAction* action) override;
    bool UpdateAction(TBasicAction* action) override;
    bool CheckCopyAction();
    bool CheckPasteAction();
    bool CheckCutAction();
    bool CheckSelectAllAction();
    bool CheckDeleteAction();
    // The clipboard work of the edit actions belongs to the export unit; until it is wired these
    // do nothing.
    virtual void DBGridGx_DoCopyAction(bool forWholeGrid);
    virtual void DBGridGx_DoPasteAction(bool forWholeGrid);
    virtual void DBGridGx_DoCutAction(bool forWholeGrid);
    virtual void DBGridGx_DoDeleteAction(bool forWholeGrid);
    // After the update lock of a selection step: the size change the lock held back (hints and
    // window messages handle it).
    virtual void DoAfterSizeChangedIfPending();

    // --- footers and sums ---
    TDBGridGxSumList* SumList() const { return sumList_.get(); }
    // Takes the given list's settings and aggregates; the footers register theirs anew.
    void SetSumList(TDBGridGxSumList* list);
    virtual AnsiString GetFooterValue(int row, TColumnGx* column);
    void DefaultDrawFooterCell(const TRect& rect, int dataCol, int row, TColumnGx* column, TGridDrawState state);
    // Writes a footer's text into its cell, filling the cell with the brush. The painting unit's
    // text writer takes this over; the plain body fills and draws the text with the alignment.
    virtual void WriteFooterText(const TRect& rect, int dx, int dy, const AnsiString& text, TAlignment alignment,
                                 TTextLayout layout, bool wordWrap, bool endEllipsis, bool rightToLeft);
    void InvalidateFooter();
    void SumListChanged(TObject* sender);
    void SumListRecalcAll(TObject* sender);
    void SumListAfterRecalcAll(TObject* sender);

    // --- column widths ---
    void ColWidthsChanged() override;
    void OptimizeColsWidth(TColumnsGxList* columnsList);
    void OptimizeSelectedColsWidth(TColumnGx* column);
    // The scroll-bar unit's hooks the width fitting calls; plain without it.
    // The layout pass's fitting step.
    void FitColWidths();
    // ---- Layout storage: the columns' positions, widths, sort markers, visibility and drop-down
    // sizes, and the grid's row height, in an INI file or the per-user settings store. A column is
    // the key "<grid name>.<field name>"; the grid's row height and lines the key "(Default)". The
    // settings-store forms use StorageSectionName and always start from an empty section.
    void SaveColumnsLayout(TRegIniFile* ARegIniFile);
    void SaveColumnsLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section);
    void SaveColumnsLayoutIni(const AnsiString& IniFileName, const AnsiString& Section, bool DeleteSection);
    void RestoreColumnsLayout(TRegIniFile* ARegIniFile, TColumnGxRestoreParams RestoreParams);
    void RestoreColumnsLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section,
                              TColumnGxRestoreParams RestoreParams);
    void RestoreColumnsLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                                 TColumnGxRestoreParams RestoreParams);
    void SaveGridLayout(TRegIniFile* ARegIniFile);
    void SaveGridLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section);
    void SaveGridLayoutIni(const AnsiString& IniFileName, const AnsiString& Section, bool DeleteSection);
    void RestoreGridLayout(TRegIniFile* ARegIniFile, TDBGridGxRestoreParams RestoreParams);
    void RestoreGridLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section,
                           TDBGridGxRestoreParams RestoreParams);
    void RestoreGridLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                              TDBGridGxRestoreParams RestoreParams);
    // ARegIni is a TRegIniFile or another TCustomIniFile.
    void SaveColumnsLayoutProducer(TObject* ARegIni, const AnsiString& Section, bool DeleteSection);
    void RestoreColumnsLayoutProducer(TObject* ARegIni, const AnsiString& Section, TColumnGxRestoreParams RestoreParams);
    void SaveGridLayoutProducer(TObject* ARegIni, const AnsiString& Section, bool DeleteSection);
    void RestoreGridLayoutProducer(TObject* ARegIni, const AnsiString& Section, TDBGridGxRestoreParams RestoreParams);
    // The grid's name after the names of its owners up to the first form, which gives its class
    // name: "TMainFormSidePanel.Grid1".
    AnsiString StorageSectionName() const;

    // ---- Export and import: the selection and the footers they walk. Without a selection part the
    // grid has no selection; without footer items a footer row shows the grid's footer font and
    // colour and no text.
    virtual TImpExpSelectionGx ImpExpSelection();
    // Clears the selection (records, rectangle, columns or all).
    virtual void ImpExpClearSelection();
    virtual TImpExpFooterGx ImpExpFooter(TColumnGx* Column, int FooterNo);

protected:
    virtual TColumnDefValuesGx* CreateColumnDefValues();
    virtual TDBGridColumnsGx* CreateColumns();
    // --- lookup grid ---
    // Makes the column defaults and the columns again with a derived grid's classes (its
    // constructor runs after the base one made them).
    void RecreateColumnsGx();
    virtual bool AcquireFocus();

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void CreateParams(TCreateParams& params) override;
    void DefineProperties(TFiler* filer) override;
    void Dispatch(TMessage& m) override;
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
    void RowHeightsChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void DoExit() override;

    // ---- Editor hosting
    bool CanEditShow() override;
    bool CanEditModify() override;
    bool CanEditAcceptKey(WideChar key) override;
    AnsiString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const AnsiString& value) override;
    AnsiString GetEditMask(int col, int row) override;
    int GetEditLimit() override;

    void CMDeferLayout(TMessage& m);

    // --- in-place editing ---
    TInplaceEdit* CreateEditor() override;
    friend class TDBGridInplaceEdit;

private:
    friend class TGridDataLinkGx;
    friend class TDBGridColumnsGx;
    friend class TColumnGx;
    void syncColumnsWithFieldMap();
    void setRowCountTo(int n);
    void measureLayout();
    void layoutTitles();
    void calcAxisGx(TGridAxisDrawInfoGx& axis, int footerCells) const;
    void fixedAxisGx(TGridAxisDrawInfoGx& axis, bool horz) const;
    void readColumns(TReader* reader);
    void writeColumns(TWriter* writer);
    void fontChangedSub(TObject*);
    TColumnGx* currentColumn() const;
    TField* focusField(TField* field);

    // Owned objects
    std::unique_ptr<TColumnDefValuesGx> columnDefValues_;
    std::unique_ptr<TDBGridColumnsGx> columns_;
    std::unique_ptr<TColumnsGxList> visibleColumns_;
    std::unique_ptr<TGridDataLinkGx> dataLink_;
    std::unique_ptr<TFont> titleFont_;
    std::unique_ptr<THeadTreeNode> headTree_;
    std::vector<TLeafCol> leafFieldArr_;
    std::unique_ptr<TColumnsGxList> sortMarkedColumns_;
    std::unique_ptr<TFont> footerFont_;
    std::unique_ptr<TColCellParamsGx> colCellParams_;
    std::unique_ptr<TChangeLink> titleImageChangeLink_;

    // State
    int indicatorOffset_ = 1;
    int topDataOffset_ = 1;
    int updateLock_ = 0;
    int layoutLock_ = 0;
    bool inLayout_ = false;
    bool dataSetLayout_ = false;
    AnsiString editText_;
    Variant editKeyValue_ = Null();
    int rowTextSpacing_ = 4;
    bool multiLineRows_ = false;
    TColor evenRowColor_ = clWindow, oddRowColor_ = clWindow;
    bool evenRowColorAssigned_ = false, oddRowColorAssigned_ = false;
    TBookmark savedBookmark_;
    int savedOffset_ = 0;
    int titleRowHeight_ = 0;
    int indicatorRow_ = -1;
    bool rowSizedByMouse_ = false;
    bool flatBorder_ = false;

    // Published values
    TDBGridGxAllowedOperations allowedOperations_ = alopInsertGx | alopUpdateGx | alopDeleteGx | alopAppendGx;
    TDBGridGxAllowedSelections allowedSelections_ = SelectionTypeBit(gstRecordBookmarks) |
                                                    SelectionTypeBit(gstRectangle) | SelectionTypeBit(gstColumns) |
                                                    SelectionTypeBit(gstAll);
    bool autoFitColWidths_ = false;
    bool drawMemoText_ = false;
    TDBGridGxEditActions editActions_ = 0;
    bool flat_ = false;
    TColor footerColor_ = clWindow;
    int footerRowCount_ = 0;
    int frozenCols_ = 0;
    int minAutoFitWidth_ = 0;
    TDBGridOptions options_ = 0;
    TDBGridGxOptions optionsGx_ = 0;
    bool readOnly_ = false;
    int rowHeight_ = 0;
    int rowLines_ = 0;
    bool rowSizingAllowed_ = false;
    bool sortLocal_ = false;
    int titleHeight_ = 0;
    int titleLines_ = 0;
    TCustomImageList* titleImages_ = nullptr;
    bool useMultiTitle_ = false;
    int vTitleMargin_ = 10;

    // --- scroll bars and mem-table view mode ---
public:
    TDBGridGxScrollBar* HorzScrollBar() const { return horzScrollBar_.get(); }
    void SetHorzScrollBar(TDBGridGxScrollBar* v) { horzScrollBar_->Assign(v); }
    TVertDBGridGxScrollBar* VertScrollBar() const { return vertScrollBar_.get(); }
    void SetVertScrollBar(TVertDBGridGxScrollBar* v) { vertScrollBar_->Assign(v); }
    // The vertical bar shows where the current record lies in the dataset.
    virtual void UpdateScrollBar();
    virtual void UpdateHorzExtScrollBar();
    // Record numbers for the vertical bar. The grid's sum list answers them once the grid owns one;
    // until then the dataset itself.
    virtual bool SumListIsSequenced();
    virtual int SumListRecordCount();
    virtual int SumListRecNo();

    // A dataset offering IMemTableGx shows its whole view: one grid row per view record, scrolled
    // by the top row (view mode, off while the grid has footers).
    bool MemTableSupport() const { return memTable_ != nullptr; }
    bool ViewScroll() const { return memTable_ != nullptr && footerRowCount_ == 0; }
    IMemTableGx* MemTable() const { return memTable_; }
    void CheckIMemTable();
    void MTUpdateRowCount();
    void MTScroll(int distance);
    void FetchRecordsInView();
    bool IsCurrentRow(int dataRow) const;
    void MTUpdateVertScrollBar();
    void SafeMoveTop(int aRow);
    void MTWMVScroll(TMessage& message);
    void MTUpdateTopRow();

    // Incremental search: moves the dataset to the first record whose text in the current column
    // begins with what was typed (any case); the text keeps the matched record's own letters.
    void StartInplaceSearch(const AnsiString& ss, int timeOut, TInpsDirectionGx direction);
    void StopInplaceSearch();
    // Window timer 2 ends the search after its time-out (none while the time-out is negative).
    void StartInplaceSearchTimer();
    void StopInplaceSearchTimer();
    static constexpr UINT_PTR InplaceSearchTimerId = 2;
    bool InplaceSearching() const { return inplaceSearching_; }
    const AnsiString& InplaceSearchText() const { return inplaceSearchText_; }
    int InplaceSearchTimeOut() const { return inplaceSearchTimeOut_; }
    bool InplaceSearchTimerActive() const { return inplaceSearchTimerActive_; }
    // True while the search itself moves the dataset: that record change does not end it.
    virtual bool InplaceSearchingInProcess() const { return inplaceSearchingInProcess_; }
    bool InplaceEditorVisible();

    // --- record moving ---
    // Selected records are dragged by their indicator cells to another place in the dataset; a
    // dotted XOR line shows where they would go, and the view scrolls by one record every tick of
    // timer 1 while the pointer is outside the data rows. The move itself is OnMoveRecords' or the
    // data service's (the view's own in mem-table mode).
    // Whether a drag may begin (a descendant may refuse); start and target rows are raw rows.
    virtual bool BeginDataRowDrag(int& startRow, int& curRow, const TPoint& mousePt);
    // Where the insertion line starts for a target row, and the tree level the drop would take
    // (-1 outside the mem-table tree).
    virtual int CalcLeftMoveLine(int curRow, const TPoint& mousePt, int& treeLevel);
    virtual bool MoveDataRows(TStrings* bookmarkList, int toDataRow, int treeLevel, bool checkOnly);
    virtual bool MoveSelectedDataRows(int toDataRow, int treeLevel, bool checkOnly);
    virtual bool DefaultMoveDataRows(TStrings* bookmarkList, int toRecNo, int treeLevel, bool checkOnly);
    // The move by the grid's data service; refused (false) while the grid has none.
    virtual bool DataServiceMoveRecords(TStrings* bookmarkList, int toRecNo, bool checkOnly);
    // Draws the insertion line from left to right; drawn again at the same place it is gone.
    void DrawDataRowMove(int left, int right);
    int RowMoveStartRow() const { return moveStartRow_; }
    int RowMoveTargetRow() const { return moveTargetRow_; }
    int RowMoveStartLevel() const { return moveStartLevel_; }
    int RowMoveTargetLevel() const { return moveTargetLevel_; }
    int RowMoveLineLeft() const { return moveLineLeft_; }
    static constexpr int RowMoveTreeLevelWidth = 18;

private:
    int rowMoveLevelLeft(int level) const;
    int moveStartRow_ = -1, moveTargetRow_ = -1;
    TBookmarkStr movedBookmark_;
    int moveStartLevel_ = -1, moveTargetLevel_ = -1;
    int moveLineLeft_ = 0;
    // --- end of record moving ---

protected:
    virtual TDBGridGxScrollBar* CreateScrollBar(TScrollBarKind kind);
    // Set while the current cell follows a mouse press; the keyboard and mouse handling answer it.
    virtual bool MovingByPress() const { return false; }
    // A component went away: an external scroll bar, or the dataset that offered the view.
    void ScrollBarsAndViewNotification(TComponent* component);

private:
    void makeScrollBars();
    // Shows the vertical values n (or hands them to an external bar); o is what the bar holds.
    void applyVertScrollInfo(SCROLLINFO n, const SCROLLINFO& o);
    void readVertScrollInfo(SCROLLINFO& o) const;
    // UpdateScrollBar, then a deferred layout when fitted columns lost or gained the bar's width.
    void updateScrollBarRefitting();
    int maxTopRow() const;
    std::unique_ptr<TDBGridGxScrollBar> horzScrollBar_;
    std::unique_ptr<TVertDBGridGxScrollBar> vertScrollBar_;
    TScrollBarVisibleModeGx appliedVertMode_ = sbAlwaysShowGx;
    IMemTableGx* memTable_ = nullptr;
    bool memTableSupportOn_ = true;
    bool fetchingInView_ = false;
    bool inplaceSearching_ = false;
    AnsiString inplaceSearchText_;
    int inplaceSearchTimeOut_ = -1;
    bool inplaceSearchTimerActive_ = false;
    bool inplaceSearchingInProcess_ = false;
    // --- selection ---
    void selectionLinkActive(bool value);
    std::unique_ptr<TBookmarkListGx> bookmarks_ = std::make_unique<TBookmarkListGx>(this);
    std::unique_ptr<TDBGridGxSelection> selection_ = std::make_unique<TDBGridGxSelection>(this);
    TBookmarkStr selectAnchor_;
    bool selectAnchorSelected_ = false;
    bool selectExtending_ = false;
    bool selectToggle_ = false;
    bool selectionActive_ = false;
    // --- footers and sums ---
    void sumListLinkActive();
    std::unique_ptr<TDBGridGxSumList> sumList_ = std::make_unique<TDBGridGxSumList>(this);
    // --- column widths ---
    std::vector<TColumnGx*> outOfRange_;
    // --- keyboard and mouse input ---
public:
    // The interaction state the keyboard and the mouse share.
    TDBGridGxState InteractionState() const { return interactionState_; }
    // A Ctrl+title click waits for the Ctrl release or the focus loss to apply the sort.
    bool PendingSortMarkingChange() const { return pendingSortMarking_; }
    // The text of the character being handled (WMChar), for the incremental search.
    AnsiString GetCompleteKeyPress() const { return completeKeyPress_; }
    void MoveCol(int rawCol, int direction, bool select);
    void ShowFilterEditorChar(WideChar ch);
    // The data cells as a cell box and as pixels.
    TGridRect DataBox() const;
    TRect DataRect() const;
    TRect BoxRect(int left, int top, int right, int bottom) const { return TCustomGrid::BoxRect(left, top, right, bottom); }
    virtual void TimerScroll();
    void StopTimer();
    void ResetTimer(int interval);
    void CalcFrozenSizingState(int x, int y, TDBGridGxState& state, int& index, int& sizingPos, int& sizingOfs);
    virtual bool FrozenSizing(int x, int y);
    void DrawSizingLine(int gridWidth, int gridHeight);
    // A dotted line in XOR mode with the canvas's pen colour (white for black): drawn twice it is gone.
    void DrawXorLine(TPoint from, TPoint to, int width);

    // Calls into parts of the grid built elsewhere (selection, edit actions, incremental search,
    // record moving, filter row, mem-table view, scroll bars, sum list, width fitting, find dialog,
    // footers, cell events). Each body is what the grid does while that part is absent.
    TDBGridGxSelectionType SelectionType() const;
    int SelectionRowsCount() const;
    void SelectionRowsDelete();
    void SelectionSelectAll();
    void SelectionClear();
    bool SelectionDataCellSelected(int dataCol, const AnsiString& bookmark) const;
    void SelectionRectSelect(int dataCol, const AnsiString& bookmark, bool extend);
    void SelectionColumnsSelect(TColumnGx* column, bool addSel);
    void SelectionColumnsSelectShift(TColumnGx* column);
    void SelectionColumnsInvertSelect(TColumnGx* column);
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool b);
    virtual void DoCopyAction() { DBGridGx_DoCopyAction(false); }
    virtual void DoCutAction() { DBGridGx_DoCutAction(false); }
    virtual void DoPasteAction() { DBGridGx_DoPasteAction(false); }
    virtual void DoDeleteAction() { DBGridGx_DoDeleteAction(false); }
    virtual void InplaceSearchBackspace();
    virtual void AppendClipboardToInplaceSearch();
    virtual void ExecuteFindDialog(const AnsiString& text, const AnsiString& fieldName, bool modal);
    // The incremental search's key and the find dialog's key: starts the search or opens the dialog
    // on text (what the cell editor has selected). False when sc is neither key in force.
    bool RunFindKey(TShortCut sc, const AnsiString& text);
    virtual bool CheckBeginRowMoving(int x, int y, bool checkOnly);
    virtual void EndRowMoving(int x, int y, bool accept);
    virtual void MoveDataRowAndScroll(int mouse, int cellHit, TGridDrawInfo& drawInfo, TGridAxisDrawInfo& axisInfo,
                                      int scrollBar, const TPoint& mousePt);
    virtual bool STFilterVisible() const;
    virtual bool FilterEditMode() const;
    virtual bool CheckCellFilter(int x, int y) const;
    virtual void UpdateFilterEdit(bool updateData);
    virtual TWinControl* FilterEditor() const;
    virtual void ToggleTreeNode(int step);
    bool VertScrollBarTracking() const;
    bool HorzScrollBarTracking() const;
    virtual void SetSumListRecNo(int recNo);
    virtual bool InplaceEditorListHandlesWheel(TMessage& m) { (void)m; return false; }
    virtual void DoSortMarkingChanged();
    int EditButtonsWidthOf(TColumnGx* column) const { return const_cast<TCustomDBGridGx*>(this)->ColumnEditButtonsWidth(column); }

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void WMChar(TMessage& m) override;
    void WMGetDlgCode(TMessage& m) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                         const TGridDrawInfo& fixedInfo) override;
    void WndProc(TMessage& m) override;
    void CMMouseWheel(TMessage& m) override;
    void CMCancelMode(TMessage& m) override;
    void WMCancelMode(TMessage& m) override;
    void WMLButtonDown(TMessage& m) override;
    void WMRButtonDown(TMessage& m) override;
    void WMVScroll(TMessage& m) override;
    void WMHScroll(TMessage& m) override;
    void WMTimer(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;

private:
    void priorRowStep(bool shiftHeld, bool fromUp);
    void nextRowStep(bool shiftHeld, bool fromDown);
    void tabStep(bool backward);
    bool canAppendHere() const;
    void deleteByKey();
    bool titleLeafPart(int col, int row, int x, int y) const;
    void tracedSizingStep(int x);
    int firstFooterRow() const;
    bool isCheckColumn(int rawCol);
    TColumnGx* dataColumn(int rawCol) const;
    bool filterPress(TMessage& m, bool left);
    // Which select cursor the point earns: 0 none, 1 the column-select arrow, 2 the row-select one.
    int selectCursorHit(int x, int y);
    void setColumnWidthByMouse(int rawCol, int width);

    TDBGridGxState interactionState_ = dgsNormal;
    TPoint mouseDownPoint_;
    TPoint lastMousePos_, prevMousePos_;
    TShiftState lastTrackShift_ = 0;
    bool rowTracking_ = false;
    bool cellTracking_ = false;
    bool rightColDrag_ = false;
    int checkClickCol_ = -1, checkClickRow_ = -1;
    bool deferredAutoDrag_ = false;
    bool pendingDrag_ = false;
    bool pendingSortMarking_ = false;
    bool toggleMode_ = false;
    bool extending_ = false;
    AnsiString anchorRecord_;
    bool anchorState_ = false;
    int sizingIndexGx_ = -1, sizingPosGx_ = 0, sizingOfsGx_ = 0;
    bool autoScrollRunning_ = false;
    int autoScrollInterval_ = -1;
    bool movingByPress_ = false;
    bool skipNextThumbPosition_ = false;
    bool inColExit_ = false;
    bool baseCharPath_ = false;
    AnsiString completeKeyPress_;
    // --- hints, tool tips and window messages ---
    // A clipped cell, title or footer text shows whole in a tool tip laid exactly over its cell; a
    // title's own hint shows over the title. The window messages the grid handles besides input.
public:
    // The font tool tips are measured and shown in (made on first use, kept for the grid's life).
    TFont* ToolTipsFont();
    // The work of a size change: the row band and bars follow, or the columns are fitted again.
    virtual void DoAfterSizeChanged();
    // A size change came inside an update; the end of the next selection step runs it.
    bool SizeChangedPending() const { return sizeChangedPending_; }

    // What the hints and messages call of Parts built beside them; each answers as the grid does
    // without them. Scroll bars: the external horizontal bar and the grid's own bars.
    // The filter row: placing its editor, the editor, whether it is being edited, and a change of
    // the editor's text.
    virtual void FilterEditTextChanged();
    // Whether the footer a column uses in footer row n offers tool tips.
    virtual bool FooterToolTips(int footerRow, TColumnGx* column);
    // A sort-marking change held back while Ctrl is down is applied now.
    virtual void ApplyPendingSortMarking();
    // The in-place editor's text changed by the user (its own reaction beyond the grid's).
    virtual void InplaceEditUserChange();

protected:
    void TopLeftChanged() override;
    void CMHintShow(TMessage& m) override;
    void CMParentColorChanged(TMessage& m) override;
    void WMSize(TMessage& m) override;
    void WMNCCalcSize(TMessage& m) override;
    void WMNCPaint(TMessage& m) override;
    void WMEraseBkgnd(TMessage& m) override;
    void WMCommand(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void CMHintsShowPause(TMessage& m);
    void CMSysColorChange(TMessage& m);
    void CMDesignHitTest(TMessage& m);
    void WMIMEStartComp(TMessage& m);
    // Dispatch hands these messages here first; true when handled.
    bool DispatchHintsAndWindowMessages(TMessage& m);

private:
    std::unique_ptr<TFont> toolTipsFont_;
    bool leftColAtFixed_ = true;
    bool sizeChangedPending_ = false;
    // --- end of hints, tool tips and window messages ---

    // --- filter row ---
    // The last title row can be a filter row: one cell per column holding that column's filter text.
    // One editor serves whichever filter cell is edited; filtering and sorting go through
    // DBGridGxDataService to the dataset features of the grid's dataset.
public:
    TSTDBGridGxFilter* STFilter() const { return stFilter_.get(); }
    void SetSTFilter(TSTDBGridGxFilter* value);
    // The data column whose filter cell the editor serves (-1: none).
    int FilterCol() const { return filterCol_; }
    TInplaceFilterEditGx* FilterEdit() const { return filterEdit_; }
    void SetFilterEditMode(bool value);
    void HideFilterEdit();
    virtual void UpdateFilterEditProps(int dataCol);
    virtual bool CanFilterEditShow();
    virtual void SetFilterValue(int dataCol);
    // Stores the editor's text and applies the filters of all columns.
    void SetDataFilter();
    void ApplyFilter() { SetDataFilter(); }
    // Empties every column's filter without applying the now empty filter.
    void ClearFilter();
    virtual void DefaultApplyFilter();
    virtual void DefaultApplySorting();
    // The grid's own editor shows with dgAlwaysShowEditor while the filter row is not edited.
    void UpdateEditorMode();
    // Showing the grid's own editor ends the editing of the filter row.
    void ShowEditor();
    // Handlers of the filter editor; the last two are offered for applications.
    void OnFilterKeyPress(TObject* sender, WideChar& key);
    void OnFilterGetItemsList(TObject* sender);
    void OnFilterClosingUp(TObject* sender, bool& accept);
    void OnFilterCloseUp(TObject* sender, bool accept);
    void FilterExit(TObject* sender);
    void OnFilterEditButtonClick(TObject* sender, bool& handled);
    void OnFilterChange(TObject* sender);
    void FilterButtonClick(TObject* sender, bool& handled);

    // IDataServiceGridGx: what the dataset features read of the grid.
    TDataSet* GetServiceDataSet() override;
    int GetFilterColumnCount() override;
    TColumnFilterInfoGx GetColumnFilterInfo(int index) override;
    bool GetSTFilterLocal() override;
    bool GetSortLocal() override { return sortLocal_; }
    int GetSortMarkedCount() override;
    TSortMarkedColumnInfoGx GetSortMarkedColumnInfo(int index) override;
    TBMListGx* GetSelectedRowsGx() override { return bookmarks_.get(); }

protected:
    virtual TCustomDBEditGx* CreateFilterEditor();

private:
    std::unique_ptr<TSTDBGridGxFilter> stFilter_ = std::make_unique<TSTDBGridGxFilter>(this);
    // The editor is a child control owned by the grid; it goes first when the grid goes.
    struct FilterEditHolder {
        TInplaceFilterEditGx* editor = nullptr;
        ~FilterEditHolder();
    } filterEditHolder_;
    TInplaceFilterEditGx*& filterEdit_ = filterEditHolder_.editor;
    int filterCol_ = -1;
    bool filterEditMode_ = false;
    bool loadingFilterEdit_ = false;  // the grid itself sets the editor's text
    // --- end of filter row ---

    // --- presses handed to a hosted editor ---
    // A press that opens the filter-row editor is remembered (client point, message time), so
    // that the editor sees a second press there as the second half of a double click.
public:
    void RememberMouseDown(TPoint clientPos, DWORD time);

private:
    // A press on a cell's button strip is handed to the editor's button, which then holds the
    // mouse; the moves and the release the grid's window still gets follow it there.
    bool passToPressedEditButton(TMessage& m);
    TPoint hostedPressPos_;
    DWORD hostedPressTime_ = 0;
    // --- end of presses handed to a hosted editor ---
};

// --- filter row ---
// The filter row's editor: a combo box in place over the filter cell, its text one pixel lower.
class TInplaceFilterEditGx : public TDBComboBoxGx {
    PLANTMON_CLASS(TInplaceFilterEditGx, TDBComboBoxGx)
public:
    explicit TInplaceFilterEditGx(TComponent* owner) : TDBComboBoxGx(owner) {}
    // The key values of a lookup-style column first, then the text shown for them.
    void SetValueAndText(const Variant& value, const AnsiString& text);
    void CalcEditRect(TRect& rect) override;
};

using TDBGridGxRequestEvent = TClosure<void(TCustomDBGridGx* Grid)>;

// The one service every grid filters, sorts and moves records through. An application may hook
// the filter and sort requests; otherwise the dataset features registered for the grid's dataset
// class do the work, and nothing happens for a dataset without features.
class TDBGridGxDataService : public TPersistent {
    PLANTMON_CLASS(TDBGridGxDataService, TPersistent)
public:
    TDBGridGxRequestEvent OnFilterRequest;
    TDBGridGxRequestEvent OnSortRequest;

    // Whether the records of BookmarkList can be (CheckOnly) or were moved to record number ToRecNo.
    virtual bool MoveRecords(TCustomDBGridGx* Sender, TStrings* BookmarkList, int ToRecNo, bool CheckOnly);
    virtual bool DefaultMoveRecords(TCustomDBGridGx* Sender, TStrings* BookmarkList, int ToRecNo, bool CheckOnly);
    virtual void ApplyFilter(TCustomDBGridGx* Grid);
    virtual void ApplySorting(TCustomDBGridGx* Grid);
    virtual void DefaultApplyFilter(TCustomDBGridGx* Grid);
    virtual void DefaultApplySorting(TCustomDBGridGx* Grid);
};

extern TDBGridGxDataService* DBGridGxDataService;
// --- end of filter row ---

// ---- Find dialog hook ------------------------------------------------------------------------------
// A column offered to the find dialog under a caption of the caller's choosing.
struct TColumnFieldItemGx {
    AnsiString Caption;
    TColumnGx* Column = nullptr;  // not owned
};
using TColumnFieldsArrGx = std::vector<TColumnFieldItemGx>;
// Opens the find dialog for a grid (text to search, a field name that is not used, the columns to
// offer, empty for the grid's visible ones, modal). The grid calls it without knowing the dialog; the
// dialog's unit sets it, and a reference to it links that unit in.
using TExecuteDBGridGxFindDialogProc = void (*)(TCustomDBGridGx* grid, const AnsiString& text,
                                                const AnsiString& fieldName, const TColumnFieldsArrGx& columns,
                                                bool modal);
extern TExecuteDBGridGxFindDialogProc ExecuteDBGridGxFindDialogProc;


// --- hints, tool tips and window messages ---
namespace DBGridGx {
// The window of a grid's tool tip: measures and draws in the font handed over as hint data, in the
// tool-tip text colour. (The editors have a window of the same name that keeps the font's colour.)
class TToolTipsWindow : public THintWindow {
    PLANTMON_CLASS(TToolTipsWindow, THintWindow)
public:
    explicit TToolTipsWindow(TComponent* owner) : THintWindow(owner) {}
    TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data) override;
};
}  // namespace DBGridGx
// --- end of hints, tool tips and window messages ---

// The grid the forms place: it publishes the grid's properties.
class TDBGridGx : public TCustomDBGridGx {
    PLANTMON_CLASS(TDBGridGx, TCustomDBGridGx)
public:
    explicit TDBGridGx(TComponent* owner);
};

// ---- Defaults and unit state -----------------------------------------------------------------------
constexpr TDBGridOptions DefaultDBGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                                dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
constexpr TDBGridGxOptions DefaultDBGridGxOptions = dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind;
constexpr int IndicatorWidth = 11;

extern TFont* SortMarkerFont;
extern TShortCut DBGridGxInplaceSearchKey;
extern TShortCut DBGridGxInplaceSearchNextKey;
extern TShortCut DBGridGxInplaceSearchPriorKey;
extern TShortCut DBGridGxSetValueFromPrevRecordKey;
extern TShortCut DBGridGxFindDialogKey;
extern int DBGridGxInplaceSearchTimeOut;
extern TColor DBGridGxInplaceSearchColor;
extern TColor DBGridGxInplaceSearchTextColor;
extern bool DBGridGxDebugDraw;
extern int ColSelectionAreaHeight;
extern HCURSOR DBGridGxColSelectCursor;   // "DOWNCURGX"
extern HCURSOR DBGridGxRowSelectCursor;   // "RIGHTCURGX"
extern HCURSOR DBGridGxRowMoveCursor;     // "LEFTCURGX"
TColCellParamsGx* SharedColCellParams();

// Counted: the first start sets the unit's globals up, the last end frees them. A grid starts the
// unit for the rest of the run the first time one is made.
void DBGridGxStartup();
void DBGridGxShutdown();

// ---- Unit helpers ----------------------------------------------------------------------------------
int FieldAsIntegerOrDefault(TField* field, int defaultValue);
bool AllFieldsCanModify(const std::vector<TField*>& fields);
void RepaintRowCells(TCustomDBGridGx* grid, int row);
// Removes one queued message of that number for the window; a quit request taken out on the way is
// posted again.
void RemoveQueuedMessage(HWND window, UINT message);
bool MeasureCellText(unsigned flags, TCanvas* canvas, int rightIndent, int& textHeight, int& textWidth, bool wordWrap,
                     const TRect& rect, const AnsiString& text, int interlinear);
int MeasureTextWidth(TCanvas* canvas, const AnsiString& text);
bool GridRectContains(int aCol, int aRow, const TGridRect& r);
void TurnRect(TRect& r);

// ---- In-place cell editor --------------------------------------------------------------------------
// The edit style of a cell: the look of the editor's main button and the list it drops down.
enum TInplaceEditStyleGx {
    esNoneGx,       // no main button
    esEllipsisGx,   // "..." button
    esPickListGx,   // the column's pick list
    esDataListGx,   // the lookup list of the column
    esCalendarGx,   // a month calendar
    esUpDownGx,     // steps the value
    esDropDownGx,   // the calculator on a number field, else a button only
};

// The style a column's cells are edited in; designing: a lookup needs no modifiable keys.
TInplaceEditStyleGx GetColumnEditStyle(TColumnGx* column, bool designing = false);

class TPopupCalculatorGx;  // the calculator drop-down of number cells

// The editor the grid places over its current cell: the column's edit style with its main button
// and the column's edit buttons beside the text, completion from pick lists and lookups, the
// drop-down lists, the most-recently-used list, the column's image before the text and the mark of
// an empty required field. It works on the grid's selected column.
class TDBGridInplaceEdit : public TInplaceEdit, public IComboEditGx {
    PLANTMON_CLASS(TDBGridInplaceEdit, TInplaceEdit)
public:
    explicit TDBGridInplaceEdit(TComponent* owner);
    ~TDBGridInplaceEdit() override;

    TCustomDBGridGx* DBGrid() const;
    // The grid's selected column (null when the grid has none there).
    TColumnGx* Column() const;
    TInplaceEditStyleGx EditStyle() const { return editStyle_; }
    void SetEditStyle(TInplaceEditStyleGx style);
    TInplaceEditStyleGx GetColumnEditStyle(TColumnGx* column) const;
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    void UpdateContents() override;

    // Buttons, image, state.
    const TEditButtonControlList& EditButtonControls() const { return buttons_; }
    int ButtonsWidth() const { return buttonsWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    int ImageIndex() const { return imageIndex_; }
    bool ReadOnlySetByCellParams() const { return readOnlySetByCellParams_; }
    virtual void UpdateImageIndex();
    // The user changed the text (the grid hears EN_CHANGE).
    virtual void UserChange();

    // Drop-downs.
    TWinControl* ActiveList() const { return activeList_; }
    bool ListVisible() const { return listVisible_; }
    bool DroppedDown() const { return droppedDown_; }
    bool NoClickCloseUp() const { return noClickCloseUp_; }
    // While set, closing the list is refused.
    bool LockCloseList = false;
    TPopupListboxGx* PickList() const { return pickList_; }
    TPopupMonthCalendarGx* Calendar() const { return calendar_; }
    virtual void DropDown();
    void CloseUp(bool accept) override;
    void ProcessDropDownKey(WORD& key, TShiftState shift);
    void ListMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void ListMouseCloseUp(TObject* sender, bool accept);
    bool TraceMouseMoveForPopupListbox(TObject* sender, TShiftState shift, int x, int y);

    // Most-recently-used list.
    // The current column's list (none without a column).
    TMRUListGx* MRUList() const;
    TMRUListboxGx* GetMRUListControl();
    TMRUListboxGx* MRUListControlIfMade() const { return mruListControl_; }
    bool MRUDroppedDown() const;
    void MRUListDropDown(TObject* sender);
    void MRUListCloseUp(TObject* sender, bool accept);
    void MRUListControlMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

    bool PaintsOverNative() const override { return true; }

    // Hook points of the lookup data list and the calculator, which live in other units: the
    // column's data list (none: the data-list style has no list to show), the calculator of the
    // drop-down style on number fields (none: a button only), and what a data list reports.
    virtual TWinControl* GetDataList();
    virtual TWinControl* GetDropDownCalculator();
    virtual void DataListDropDown(TWinControl* list);
    virtual void DataListCloseUp(TWinControl* list);
    virtual Variant DataListKeyValue(TWinControl* list);
    virtual void SetDataListKeyValue(TWinControl* list, const Variant& value);
    virtual AnsiString DataListSelectedText(TWinControl* list);
    virtual void CalculatorDropDown(TWinControl* calculator);
    virtual bool CalculatorValue(TWinControl* calculator, Variant& value);

protected:
    virtual TEditButtonControlGx* CreateEditButtonControl();
    virtual TMRUListboxGx* CreateMRUListControl();
    virtual void ButtonDown(bool isDownButton);
    virtual void CalcEditRect(TRect& rect);
    virtual void ProcessSearchStr(AnsiString& keyText);
    virtual void EditButtonClick(TObject* sender);
    virtual void EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
    virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
    virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    virtual void FilterMRUItem(const AnsiString& text, bool& accept);
    virtual void MRUListControlResized(TObject* sender);
    virtual void PaintRequiredState(TCanvas* canvas);
    virtual void PaintWindow(HDC dc);
    void DrawEditImage(HDC dc);
    void UpdateEditButtonControlList();
    void UpdateEditButtonControlsState();

    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void CreateParams(TCreateParams& params) override;
    void BoundsChanged() override;
    void DefaultHandler(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void Change() override;
    void CMCancelMode(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMLButtonDblClk(TMessage& m) override;
    void WMPaint(TMessage& m) override;
    void WMSetCursor(TMessage& m) override;
    void WMPaste(TMessage& m);

    // The lookup text of a lookup or key-pick column after an edit: the grid's edit text and key.
    void LocateLookupText();

private:
    TEditButtonGx* columnButton(int entry) const;
    TPopupListboxGx* getPickList();
    TPopupMonthCalendarGx* getCalendar();
    void stepUpDown(bool isDownButton);
    void listFollowsEditText();
    void setTextKeepingCaret(const AnsiString& text, int caret);
    // Text the editor sets itself (not typed): it opens no MRU list.
    void setCodeText(const AnsiString& text);
    bool mruShouldDropDown() const;
    AnsiString emptyMaskText() const;
    TRect formatRect();
    void pressButton(int entry);

    TInplaceEditStyleGx editStyle_ = esNoneGx;
    std::unique_ptr<TDataSource> lookupSource_;
    std::unique_ptr<TControlCanvas> canvas_;
    TWinControl* activeList_ = nullptr;
    TPopupListboxGx* pickList_ = nullptr;
    TWinControl* dataList_ = nullptr;
    TPopupMonthCalendarGx* calendar_ = nullptr;
    TWinControl* calculator_ = nullptr;
    TMRUListboxGx* mruListControl_ = nullptr;
    bool listVisible_ = false;
    bool droppedDown_ = false;
    bool noClickCloseUp_ = false;
    bool listColumnsMoved_ = false;
    TEditButtonControlList buttons_;
    int buttonsWidth_ = 0;
    int buttonHeight_ = 0;
    bool wordWrap_ = false;
    int imageIndex_ = -1;
    bool readOnlySetByCellParams_ = false;
    bool userTextChanged_ = false;
    AnsiString completeKeyText_;
    TMessage* paintMessage_ = nullptr;
    int inDefaultHandler_ = 0;
    bool updatingContents_ = false;
    bool codeTextChange_ = false;
    bool selectionActive_ = false;
    // --- calculator drop-down ---
    // Made on first use and owned by the editor; it sizes itself to its own layout.
    TPopupCalculatorGx* ownCalculator_ = nullptr;
    TPoint calculatorSize_;
    // --- end of calculator drop-down ---
};
// --- appearance and painting ---
// The shared look of grids: which colours selected and highlighted cells take. One default style
// serves every grid not given another; its grids hear of its changes (StyleGxChanged).
class TDBGridGxStyle : public TPersistent {
    PLANTMON_CLASS(TDBGridGxStyle, TPersistent)
public:
    TDBGridGxStyle();
    ~TDBGridGxStyle() override;

    virtual bool HighlightDataCellColor(TCustomDBGridGx* grid, int aCol, int aRow, int dataCol, int dataRow,
                                        const AnsiString& value, TGridDrawState& state, bool flag, TColor& color,
                                        TFont* font);
    virtual bool HighlightNoDataCellColor(TCustomDBGridGx* grid, int aCol, int aRow, int dataCol, int dataRow,
                                          TCellTypeGx cellType, TGridDrawState state, bool selected, TColor& color,
                                          TFont* font);
    virtual void SysColorChanged();

    void Changed();
    void AddChangeNotification(TCustomDBGridGx* grid);
    bool GridInChangeNotification(TCustomDBGridGx* grid) const;
    void RemoveChangeNotification(TCustomDBGridGx* grid);
    void RemoveAllChangeNotification();
    TColor LightenColor(TColor color, TColor blendColor, bool contrast) const;

    bool LuminateSelection() const { return luminateSelection_; }
    void SetLuminateSelection(bool b);
    bool DrawFocusFrame() const { return drawFocusFrame_; }
    void SetDrawFocusFrame(bool b) { drawFocusFrame_ = b; }
    bool ApplyFilterOnCloseUp() const { return applyFilterOnCloseUp_; }
    void SetApplyFilterOnCloseUp(bool b) { applyFilterOnCloseUp_ = b; }
    // NUMCOLORS of the screen: -1 above 256 colours. Tests set it to take the palette paths.
    int ScreenColorCount() const { return screenColorCount_; }
    void SetScreenColorCount(int n) { screenColorCount_ = n; }

private:
    std::vector<TCustomDBGridGx*> grids_;
    bool luminateSelection_ = true;
    bool drawFocusFrame_ = true;
    bool applyFilterOnCloseUp_ = false;
    int screenColorCount_ = -1;
};

TDBGridGxStyle* DBGridGxDefaultStyle();
// Replaces the default style and returns the old one, which the caller frees.
TDBGridGxStyle* SetDBGridGxDefaultStyle(TDBGridGxStyle* style);

extern TCustomImageList* DBGridGxIndicators;
extern TCustomImageList* DBGridGxSortMarkerImages;

TColor BrightenColor(TColor color, double divisor);
void WriteTextGx(TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy, const AnsiString& text,
                 TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg,
                 int rightMarg, bool rightToLeftReading);
int WriteTextVerticalGx(TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy, const AnsiString& text,
                        TAlignment alignment, TTextLayout layout, bool endEllipsis, bool calcOnly);
AnsiString ShortenTextToWidth(const AnsiString& text, TCanvas* canvas, int maxWidth);
HFONT MakeRotatedFont(TFont* font);
void DrawImageClippedToCell(TCustomImageList* imageList, TBitmap* bitmap, TCanvas* canvas, const TRect& aRect,
                            int imageIndex, int dx, TAlignment alignment);
void WriteDataCellText(TCanvas* canvas, const TRect& aRect, int dx, int dy, const AnsiString& text,
                       TAlignment alignment);
void AcquireSharedDrawBitmap();
void ReleaseSharedDrawBitmap();
TBitmap* SharedDrawBitmap();
void RecreateInplaceSearchIndicator();
// Builds the indicator and sort-marker image lists from their registered pictures (unit start-up),
// and frees them (unit end).
void CreateGridImageLists();
void FreeGridImageLists();
// --- end of appearance and painting ---
// ---- Layout storage: the property storage's view of columns ------------------------------------------
// A column's stored width: in a grid that fits its columns it becomes the width the fitting scales
// from, otherwise the column's width.
class TColumnGxPropertyInterceptor : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TColumnGxPropertyInterceptor, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
    void SetWidth(int Width);
};

// The order of a grid's columns as their quoted field names ("MOISTURE","ASH"): read back, each
// name's column moves to its place; names without a column are skipped.
class TColumnsGxPropertyInterceptor : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TColumnsGxPropertyInterceptor, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
    AnsiString ColumnsIndex() const;
    void SetColumnsIndex(const AnsiString& Value);
    void Readed() override {}
};

// Registered with the property storage when the grid unit starts, dropped when it ends.
void RegisterGridLayoutInterceptorsGx();
void UnregisterGridLayoutInterceptorsGx();
