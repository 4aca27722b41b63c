// The tool controls and common pieces of the grid library:
// - value comparison (VarEquals, DBVarCompareValue), the double-click test, the number field types;
// - edit buttons (settings, collection, the speed-button control) and the drawing helpers that the
//   editors and the grid share: button glyphs with their bitmap cache, check boxes, tree glyphs,
//   images, and the placement of drop-down windows on the screen;
// - the popup building blocks: the size grip, the popup and MRU list boxes, the MRU text list, the
//   popup month calendar and the special first row of lookup lists;
// - the bookmark list, the field value list and the dataset interfaces the grid asks for.
#pragma once

#include "gridlib/editors/GridLibPlatform.h"

#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"
#include "rtl/Contnrs.h"

#include <memory>
#include <vector>

class TEditButtonControlGx;
class TDataLinkGx;

// ---- Private window messages of the library ---------------------------------------------------------
// Each has its own number, so that a window handling several (the lookup drop-down grid is a grid
// with a size grip) never takes one for another.
constexpr UINT CM_SETSIZEGRIPCHANGEPOSITION = WM_USER + 100;  // WParam: a TSizeGripChangePosition
constexpr UINT CM_CLOSEUPGX = WM_USER + 101;                  // WParam: accept (always False as posted)
constexpr UINT CM_IGNOREEDITDOWN = WM_USER + 102;             // WParam: the button control's Tag
constexpr UINT CM_EDITIMAGECHANGEDGX = WM_USER + 103;         // WParam: the edit image's address
constexpr UINT CM_DEFERLAYOUTGX = WM_USER + 104;              // the grid's deferred layout pass

// ---- Values ------------------------------------------------------------------------------------------
// Equality that never raises. Values that cannot be compared are not equal (an incomparable
// local value must not show a check box checked, nor an incomparable key match a special row).
// An array is never equal to a scalar; two arrays of the same shape are equal when their
// elements are, and two empty ones are not.
bool VarEquals(const Variant& v1, const Variant& v2);
// vrEqual, vrLessThan, vrGreaterThan or vrNotEqual; Null sorts below every value; arrays of the
// same shape compare element by element, an array and a scalar are vrNotEqual.
TVariantRelationship DBVarCompareValue(const Variant& a, const Variant& b);
// A press that follows the previous one within the double-click time and box.
bool IsDoubleClickMessage(TPoint oldPos, TPoint newPos, long interval);

// A set of field types.
struct TFieldTypes {
    std::uint64_t Bits = 0;
    constexpr TFieldTypes(std::initializer_list<TFieldType> types) {
        for (TFieldType t : types) Bits |= std::uint64_t(1) << static_cast<unsigned>(t);
    }
    constexpr bool Contains(TFieldType t) const { return (Bits >> static_cast<unsigned>(t)) & 1u; }
};
// The field types the library treats as numbers (not auto-increment, not 64-bit integers).
inline constexpr TFieldTypes ftNumberFieldTypes = {ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency, ftBCD, ftFMTBcd};

// ---- Edit buttons ----------------------------------------------------------------------------------------
enum TEditButtonStyleGx { ebsDropDownGx, ebsEllipsisGx, ebsGlyphGx, ebsUpDownGx, ebsPlusGx, ebsMinusGx };
enum TDrawButtonControlStyleGx { bcsDropDownGx, bcsEllipsisGx, bcsUpDownGx, bcsCheckboxGx, bcsPlusGx, bcsMinusGx };
enum TTreeElementGx {
    tgxMinusUpDown, tgxMinusUp, tgxMinusDown, tgxPlusUpDown, tgxPlusUp, tgxPlusDown, tgxCrossUpDown, tgxCrossUp,
    tgxCrossDown, tgxVLine
};
using TButtonClickEventGx = TClosure<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventGx = TClosure<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

// The drawing style of a button style (the glyph style has none: the button draws its glyph).
TDrawButtonControlStyleGx EditButtonStyleToDrawStyle(TEditButtonStyleGx style);

// The unit's measurements, set when the unit starts up.
extern int FlatButtonWidth;
extern int DefaultCheckBoxWidth;
extern int DefaultCheckBoxHeight;
// Whether PaintButtonControlGx takes glyphs from the bitmap cache.
extern bool UseButtonsBitmapCache;

class TButtonsBitmapCache;
// The cache of pre-drawn button glyphs (exists while the unit is started up).
TButtonsBitmapCache* ButtonsBitmapCache();

// The unit's start-up and shutdown, counted: the first start-up measures the flat button width
// and the check box and creates the bitmap cache, the last shutdown frees the cache. What needs
// them starts the unit up on first use (and keeps it up for the rest of the run).
void ToolCtrlsGxStartup();
void ToolCtrlsGxShutdown();

// Two thirds of the screen font's height, rounded (halves to even), made odd, at most the width of
// a vertical scroll bar.
int GetDefaultFlatButtonWidth();
// The same for a given font height and scroll-bar width.
int FlatButtonWidthFor(int fontHeight, int scrollBarWidth);
int DefaultEditButtonHeight(int width, bool flat);

// The key of a cached glyph and its bitmap.
struct TButtonBitmapInfoGx {
    int Width = 0;
    int Height = 0;
    TDrawButtonControlStyleGx Style = bcsDropDownGx;
    bool Flat = false;
    bool Pressed = false;
    bool Active = false;
    bool Enabled = true;
    int DownButton = 0;  // half of an up/down pair: 0 upper, 1 lower
    TCheckBoxState CheckState = cbUnchecked;
    friend bool operator==(const TButtonBitmapInfoGx&, const TButtonBitmapInfoGx&) = default;
};

class TButtonBitmapInfoBitmapGx : public TObject {
    PLANTMON_CLASS(TButtonBitmapInfoBitmapGx, TObject)
public:
    TButtonBitmapInfoGx Key;
    TBitmap* Bitmap = nullptr;
};

// The glyph bitmaps drawn so far, one per distinct key (entries are not owned by the list: Clear
// frees them).
class TButtonsBitmapCache : public TObjectList {
    PLANTMON_CLASS(TButtonsBitmapCache, TObjectList)
public:
    TButtonsBitmapCache() : TObjectList(false) {}
    ~TButtonsBitmapCache() override;
    // The bitmap of a key (negative sizes count as 0), drawn and added on a miss.
    TBitmap* GetButtonBitmap(const TButtonBitmapInfoGx& key);
    void Clear();
};

// Draws one button glyph into a device context; downButtonNum 0, 1 (whole button or upper half)
// or 2 (lower half); state is the check box's (bcsCheckboxGx).
void PaintButtonControlGx(HDC dc, TRect rect, TColor parentColor, TDrawButtonControlStyleGx style, int downButtonNum,
                          bool flat, bool active, bool enabled, TCheckBoxState state);
// Empties the cache (the system colours changed).
void ClearButtonsBitmapCache();
// Draws image imageIndex of images centred in rect, clipped to it.
void DrawImage(HDC dc, const TRect& rect, TCustomImageList* images, int imageIndex, bool selected);
void DrawTreeElement(TCanvas* canvas, const TRect& rect, TTreeElementGx element, bool dotPhase, double scaleX,
                     double scaleY);
// The rectangle of a check box inside a cell.
TRect AdjustCheckBoxRect(const TRect& clientRect, TAlignment alignment, TTextLayout layout);

enum TDropDownAlign { daLeft, daRight, daCenter };
// The top-left screen point for a drop-down window opened under masterRect (screen coordinates);
// may change the window's height and width, and tells it where its size grip belongs.
TPoint AlignDropDownWindowRect(const TRect& masterRect, TWinControl* dropDownWindow, TDropDownAlign align);
TPoint AlignDropDownWindow(TControl* master, TWinControl* dropDownWindow, TDropDownAlign align);

// The settings of one edit button of an editor or a grid column.
class TEditButtonGx : public TCollectionItem {
    PLANTMON_CLASS(TEditButtonGx, TCollectionItem)
public:
    // An item of a collection (its updates are held while the item is made).
    explicit TEditButtonGx(TCollection* collection);
    // A button that belongs directly to an edit control.
    explicit TEditButtonGx(TWinControl* editControl);
    ~TEditButtonGx() override;

    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* m) { dropdownMenu_ = m; }
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* b);
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& h);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s) { shortCut_ = s; }
    TEditButtonStyleGx Style() const { return style_; }
    void SetStyle(TEditButtonStyleGx s);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    // 0: the editor's default width.
    int Width() const { return width_; }
    void SetWidth(int w);
    TWinControl* EditControl() const { return editControl_; }

    TButtonClickEventGx OnClick;
    TButtonDownEventGx OnDown;
    // Set by an owning editor: called instead of the collection's notification.
    TNotifyEvent OnChangeNotify;

    // A button control owned by and placed on the edit control.
    virtual TEditButtonControlGx* CreateEditButtonControl();
    void Assign(TPersistent* source) override;
    // OnChangeNotify when set, else the collection item's change.
    void Changed();

protected:
    TShortCut shortCut_ = 0;
    bool visible_ = false;

private:
    TWinControl* editControl_ = nullptr;
    TPopupMenu* dropdownMenu_ = nullptr;
    std::unique_ptr<TBitmap> glyph_;
    AnsiString hint_;
    int numGlyphs_ = 1;
    TEditButtonStyleGx style_ = ebsDropDownGx;
    int width_ = 0;
};

// Alt+Down opens the drop-down.
constexpr TShortCut DropDownShortCutGx = 32808;

class TDropDownEditButtonGx : public TEditButtonGx {
    PLANTMON_CLASS(TDropDownEditButtonGx, TEditButtonGx)
public:
    explicit TDropDownEditButtonGx(TCollection* collection);
    explicit TDropDownEditButtonGx(TWinControl* editControl);
};

class TVisibleEditButtonGx : public TEditButtonGx {
    PLANTMON_CLASS(TVisibleEditButtonGx, TEditButtonGx)
public:
    explicit TVisibleEditButtonGx(TCollection* collection);
    explicit TVisibleEditButtonGx(TWinControl* editControl);
};

// The additional buttons of an editor or a grid column.
class TEditButtonsGx : public TCollection {
    PLANTMON_CLASS(TEditButtonsGx, TCollection)
public:
    TEditButtonsGx(TPersistent* owner, TCollectionItemClass itemClass);
    TEditButtonGx* Add() { return static_cast<TEditButtonGx*>(TCollection::Add()); }
    TEditButtonGx* Items(int index) const { return static_cast<TEditButtonGx*>(TCollection::Items(index)); }
    TPersistent* GetOwner() override { return owner_; }
    // Set by the owner to lay its buttons out again.
    TClosure<void(TCollectionItem* Item)> OnChangeNotify;

protected:
    void Update(TCollectionItem* item) override;

private:
    TPersistent* owner_;
};

// The speed button an editor places for each visible edit button.
class TEditButtonControlGx : public TSpeedButton {
    PLANTMON_CLASS(TEditButtonControlGx, TSpeedButton)
public:
    explicit TEditButtonControlGx(TComponent* owner);
    ~TEditButtonControlGx() override;

    TEditButtonStyleGx Style() const { return style_; }
    void SetStyle(TEditButtonStyleGx s);
    // The editor has the mouse or the focus: a flat button shows its edge only then.
    bool Active() const { return active_; }
    void SetActive(bool b);
    bool AlwaysDown() const { return alwaysDown_; }
    void SetAlwaysDown(bool b);
    // 0 none, 1 the whole button or the upper half of an up/down pair, 2 the lower half.
    int DownButtonNum() const { return downButtonNum_; }
    // Stores the three and repaints when one of them differs.
    void SetState(TButtonState state, bool active, int downButtonNum);
    void SetWidthNoNotify(int width);
    void EditButtonDown(bool topButton, bool& autoRepeat);
    // The auto-repeat timer (created by the first press of an auto-repeating button).
    TTimer* RepeatTimer() const { return timer_; }

    TButtonDownEventGx OnButtonDown;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Click() override;

private:
    void updateDownButtonNum(int y);
    void startTimer(unsigned interval);
    void stopTimer();
    void timerTick(TObject*);
    TEditButtonStyleGx style_ = ebsDropDownGx;
    bool active_ = false;
    bool alwaysDown_ = false;
    int downButtonNum_ = 0;
    bool noClick_ = false;
    TTimer* timer_ = nullptr;
};

// The button control as forms place it.
class TSpeedButtonGx : public TEditButtonControlGx {
    PLANTMON_CLASS(TSpeedButtonGx, TEditButtonControlGx)
public:
    using TEditButtonControlGx::TEditButtonControlGx;
};

// One entry of an editor's button strip: the divider beside a button and the button.
struct TEditButtonControlLineRec {
    TShape* ButtonLine = nullptr;
    TEditButtonControlGx* EditButtonControl = nullptr;
};
using TEditButtonControlList = std::vector<TEditButtonControlLineRec>;

// ---- Popups ---------------------------------------------------------------------------------------
// The editor a popup belongs to closes the popup's drop-down through it.
class IComboEditGx {
public:
    static constexpr const char* IID = "{B64255B5-386A-4524-8BC7-7F49DDB410F4}";
    virtual void CloseUp(bool accept) = 0;

protected:
    ~IComboEditGx() = default;
};

enum TSizeGripPostion { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };
enum TSizeGripChangePosition { sgcpToLeft, sgcpToRight, sgcpToTop, sgcpToBottom };

// The triangular handle in a corner of a popup that resizes its parent.
class TSizeGripGx : public TCustomControl {
    PLANTMON_CLASS(TSizeGripGx, TCustomControl)
public:
    explicit TSizeGripGx(TComponent* owner);
    ~TSizeGripGx() override;

    TSizeGripPostion Position() const { return position_; }
    void SetPosition(TSizeGripPostion p);
    bool TriangleWindow() const { return triangleWindow_; }
    void SetTriangleWindow(bool b);
    // The window's own visibility (not the control's Visible property).
    bool Visible() const;
    void SetVisible(bool v) override;
    void ChangePosition(TSizeGripChangePosition change);
    // Moves the grip into its corner of the parent's client area.
    void UpdatePosition();

    TNotifyEvent OnParentResized;

protected:
    // Gives the window its shape and cursor (again after the corner changed).
    virtual void CreateWnd();
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void Dispatch(TMessage& m) override;
    virtual void ParentResized();

private:
    TSizeGripPostion position_ = sgpBottomRight;
    bool triangleWindow_ = true;
    TPoint pressPos_;
    int parentClientWidth_ = 0, parentClientHeight_ = 0;
    int parentWidth_ = 0, parentHeight_ = 0;
    TPoint lastPos_;
    bool internalMove_ = false;
};

using TListGetImageIndexEventGx = TClosure<void(TObject* Sender, int ItemIndex, int& ImageIndex)>;

// A drop-down list: a top-level owner-drawn list of whole rows that never takes the focus, with a
// size grip, an optional image column, incremental search and hot tracking.
class TPopupListboxGx : public TCustomListBox {
    PLANTMON_CLASS(TPopupListboxGx, TCustomListBox)
public:
    explicit TPopupListboxGx(TComponent* owner);
    ~TPopupListboxGx() override;

    TCustomImageList* ImageList() const { return imageList_; }
    void SetImageList(TCustomImageList* images);
    // Texts kept elsewhere: the list shows them in virtual mode (nullptr: its own items).
    TStrings* ExtItems() const { return extItems_; }
    void SetExtItems(TStrings* items);
    TSizeGripGx* SizeGrip() const { return sizeGrip_; }
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    bool ResizedBySizeGrip() const { return resizedBySizeGrip_; }
    void SetResizedBySizeGrip(bool b) { resizedBySizeGrip_ = b; }
    int BorderWidthGx() const { return Ctl3D() ? 2 : 0; }
    // What the frame takes of the height (both sides).
    int GetBorderSize() const;
    int GetTextHeight() const;
    void SetBounds(int left, int top, int width, int height) override;
    bool CanFocus() const override { return false; }
    // The text of the incremental search so far.
    const AnsiString& SearchText() const { return searchText_; }

    TListGetImageIndexEventGx OnGetItemImageIndex;

protected:
    virtual void DrawBorder();
    virtual void SelfOnGetData(TWinControl* control, int index, AnsiString& text);
    // Keeps a size from going below a scroll bar's width and height.
    virtual void CheckNewSize(int& width, int& height);
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    void KeyPress(WideChar& key) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Dispatch(TMessage& m) override;
    void Notification(TComponent* component, TOperation operation) override;
    // The grip moved or the list changed size.
    virtual void SizeGripChanged() {}

private:
    TSizeGripGx* sizeGrip_ = nullptr;
    TCustomImageList* imageList_ = nullptr;
    TStrings* extItems_ = nullptr;
    int rowCount_ = 1;
    bool resizedBySizeGrip_ = false;
    AnsiString searchText_;
    std::uint32_t searchTick_ = 0;
    TPoint lastMousePos_{-1, -1};
};

// The popup list of an MRU list: its own scroll bar beside the size grip instead of the window's.
class TMRUListboxGx : public TPopupListboxGx {
    PLANTMON_CLASS(TMRUListboxGx, TPopupListboxGx)
public:
    explicit TMRUListboxGx(TComponent* owner);
    ~TMRUListboxGx() override;
    TScrollBar* ScrollBar() const { return scrollBar_; }
    // Places the bar and sets its range from the rows (see the unit's notes).
    void UpdateScrollBar();

protected:
    void SizeGripChanged() override { UpdateScrollBar(); }
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Dispatch(TMessage& m) override;

private:
    void scrollBarWindowProc(TMessage& m);
    TScrollBar* scrollBar_ = nullptr;
    TWndMethod barProc_;
    bool placing_ = false;
};

using TFilterMRUItemEventGx = TClosure<void(TObject* Sender, bool& Accept)>;

// The most recently used texts of an editor or a grid column, newest last.
class TMRUListGx : public TPersistent {
    PLANTMON_CLASS(TMRUListGx, TPersistent)
public:
    explicit TMRUListGx(TPersistent* owner);
    ~TMRUListGx() override;

    bool Active() const { return active_; }
    void SetActive(bool b);
    bool AutoAdd() const { return autoAdd_; }
    void SetAutoAdd(bool b) { autoAdd_ = b; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool b) { caseSensitive_ = b; }
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s);
    int Limit() const { return limit_; }
    void SetLimit(int n);
    int Rows() const { return rows_; }
    void SetRows(int n) { rows_ = n; }

    bool CancelIfKeyPending = true;
    int DropDownWidth = 0;
    bool IsDroppedDown = false;
    TNotifyEvent OnSetDropDown;
    TClosure<void(TObject* Sender, bool Accept)> OnSetCloseUp;
    TNotifyEvent OnActiveChangeNotify;
    TFilterMRUItemEventGx OnFilterMRUItem;

    virtual void CloseUp(bool accept);
    virtual void DropDown();
    void Add(const AnsiString& s);
    // Refills strings with the entries that begin with maskText; false when a waiting key press
    // stopped the walk.
    bool FilterItemsTo(TStrings* strings, const AnsiString& maskText);
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

private:
    void trim();
    TPersistent* owner_;
    bool active_ = false;
    bool autoAdd_ = true;
    bool caseSensitive_ = false;
    std::unique_ptr<TStringList> items_;
    int limit_ = 100;
    int rows_ = 7;
};

// The calendar an editor drops down.
class TPopupMonthCalendarGx : public TMonthCalendar {
    PLANTMON_CLASS(TPopupMonthCalendarGx, TMonthCalendar)
public:
    explicit TPopupMonthCalendarGx(TComponent* owner);
    ~TPopupMonthCalendarGx() override;
    bool CanFocus() const override { return false; }

protected:
    virtual void DrawBorder();
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;

private:
    IComboEditGx* comboEdit() const;
    void closeUp(bool accept);
};

// The settings of the extra first row of lookup lists.
class TSpecRowGx : public TPersistent {
    PLANTMON_CLASS(TSpecRowGx, TPersistent)
public:
    explicit TSpecRowGx(TPersistent* owner);
    ~TSpecRowGx() override;

    // The cells' texts separated by ';' (a cell may be a quoted string).
    AnsiString CellsText() const { return cellsText_; }
    void SetCellsText(const AnsiString& s);
    TColor Color() const;
    void SetColor(TColor c);
    TFont* Font();
    void SetFont(TFont* f);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s) { shortCut_ = s; }
    bool ShowIfNotInKeyList() const { return showIfNotInKeyList_; }
    void SetShowIfNotInKeyList(bool b);
    Variant Value() const { return value_; }
    void SetValue(const Variant& v);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);

    bool IsColorStored() const { return colorAssigned_; }
    bool IsFontStored() const { return fontAssigned_; }
    bool IsValueStored() const { return !VarIsNull(value_); }
    TColor DefaultColor() const;
    TFont* DefaultFont() const;

    // Kept by the lookup grid.
    bool IsSelected = false;
    TNotifyEvent OnChangeNotify;

    AnsiString GetCellText(int index) const;
    int CellCount() const { return static_cast<int>(cells_.size()); }
    bool LocateKey(const Variant& keyValue) const;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override { return owner_; }

protected:
    // OnChangeNotify, unless updates are held.
    virtual void Changed();

private:
    void fontChanged(TObject*);
    TPersistent* owner_;
    AnsiString cellsText_;
    std::vector<AnsiString> cells_;
    TColor color_ = clWindow;
    bool colorAssigned_ = false;
    std::unique_ptr<TFont> font_;
    bool fontAssigned_ = false;
    bool copyingFont_ = false;
    TShortCut shortCut_ = 32814;  // Alt+Del
    bool showIfNotInKeyList_ = true;
    Variant value_ = Null();
    bool visible_ = false;
    int updateCount_ = 0;
};

// The cells of a special row's text: ';' separates, a cell may be a double-quoted string ("" is
// a quote), control characters between cells are skipped.
std::vector<AnsiString> ParseSpecRowCells(const AnsiString& text);

// ---- Bookmark list, value list, dataset interfaces ----------------------------------------------------
using TFieldsArrGx = std::vector<TField*>;

// Bookmarks of a dataset kept in the dataset's own order, found by binary search with a one-entry
// cache. The dataset comes from GetDataSet, which the owner supplies.
class TBMListGx : public TObject {
    PLANTMON_CLASS(TBMListGx, TObject)
public:
    TBMListGx();
    // Empties the list and tells UpdateState. (A derived list that overrides Clear or UpdateState
    // calls them itself before it goes: they are not reached from here.)
    ~TBMListGx() override;

    int Count() const { return list_->Count(); }
    TBookmarkStr Items(int index) const { return list_->Get(index); }
    // The bookmark of the dataset's current record; raises while the link is not active.
    TBookmarkStr CurrentRow();
    int Compare(const TBookmarkStr& a, const TBookmarkStr& b);
    // True when found; index is where it is or where it belongs.
    bool Find(const TBookmarkStr& item, int& index);
    int IndexOf(const TBookmarkStr& item);
    bool CurrentRowSelected();
    void Delete();
    bool Refresh();
    void SelectAll();
    void LinkActive(bool value);
    bool IsLinkActive() const { return linkActive_; }
    // Bookmark comparisons made so far (the cache saves them).
    long long CompareCount() const { return compareCount_; }

    virtual TDataSet* GetDataSet();
    virtual void Invalidate() {}
    [[noreturn]] virtual void RaiseBMListError(const AnsiString& msg);
    virtual void SetCurrentRowSelected(bool value);
    virtual void StringsChanged(TObject* sender);
    virtual void UpdateState() {}
    virtual void Clear();

protected:
    TStringList* List() const { return list_.get(); }

private:
    std::unique_ptr<TStringList> list_;
    TBookmarkStr cacheText_;
    int cacheIndex_ = -1;
    bool cacheFound_ = false;
    bool linkActive_ = false;
    long long compareCount_ = 0;
};

using TDataEventGx = TClosure<void(TDataEvent Event, std::intptr_t Info)>;

// A data link that reports every data event to a callback.
class TDataLinkGx : public TDataLink {
    PLANTMON_CLASS(TDataLinkGx, TDataLink)
public:
    TDataEventGx OnDataEvent;

protected:
    void DataEvent(TDataEvent event, std::intptr_t info) override;
};

class IMemTableDataFieldValueListGx : public virtual ICountedGx {
public:
    static constexpr const char* IID = "{28F8194C-5FF3-42C4-87A6-8B3E06210FA6}";
    // The distinct values.
    virtual TStrings* GetValues() = 0;

protected:
    ~IMemTableDataFieldValueListGx() = default;
};

// The sorted distinct texts of one field of a dataset, refilled when the data changed. Counted: it
// lives while someone holds it through its interface.
class TDatasetFieldValueListGx : public TInterfacedObjectGx, public IMemTableDataFieldValueListGx {
    PLANTMON_CLASS(TDatasetFieldValueListGx, TInterfacedObjectGx)
public:
    TDatasetFieldValueListGx();
    ~TDatasetFieldValueListGx() override;

    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* ds);
    const AnsiString& FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    bool Obsolete() const { return obsolete_; }
    TStrings* GetValues() override;
    int _AddRef() override { return TInterfacedObjectGx::_AddRef(); }
    int _Release() override { return TInterfacedObjectGx::_Release(); }

protected:
    virtual void DataSetEvent(TDataEvent event, std::intptr_t info);

private:
    void refill();
    std::unique_ptr<TStringList> values_;
    std::unique_ptr<TDataSource> dataSource_;
    std::unique_ptr<TDataLinkGx> dataLink_;
    AnsiString fieldName_;
    bool obsolete_ = false;
};

// The view and tree services of a memory-table dataset, which the grid uses when its dataset
// offers them. No dataset of this system does; two positions of the interface that the library
// never calls are left to the datasets that implement it.
class IMemTableGx {
public:
    static constexpr const char* IID = "{A8C3C87A-E556-4BDB-B8A7-5B33497D1624}";
    virtual int FetchRecords(int count) = 0;
    virtual int GetViewRowIndex() = 0;
    virtual bool GetTreeNodeExpanded() = 0;
    virtual bool GetTreeNodeHasChildren() = 0;
    virtual int GetTreeNodeLevel() = 0;
    virtual int GetTreeNodeLevelLimit() = 0;
    virtual int GetTreeLineLevel() = 0;
    virtual int GetCurrentRecordNumber() = 0;
    virtual int BookmarkToViewRow(const TBookmarkStr& bookmark) = 0;
    virtual int GetViewRecordCount() = 0;
    virtual bool GetTreeViewActive() = 0;
    virtual bool GetTreeNodeHasNextSibling(int level) = 0;
    virtual void GotoRecordNumber(int number) = 0;
    virtual int SetTreeNodeExpanded(int viewRow, bool expanded) = 0;
    virtual int MoveViewRecords(TStrings* bookmarks, int toIndex, int treeLevel, bool checkOnly) = 0;
    virtual void InstantReadEnter(int viewRow) = 0;
    virtual void InstantReadLeave() = 0;

protected:
    ~IMemTableGx() = default;
};

// The fields of dataSet named in a ';' list, added to list (which may be nil: then the names are
// only checked). The first name the dataset lacks raises "Field '%s' not found" for component.
void GetFieldsProperty(std::vector<TField*>* list, TDataSet* dataSet, TComponent* component, const AnsiString& fieldNames);
TFieldsArrGx GetFieldsProperty(TDataSet* dataSet, TComponent* component, const AnsiString& fieldNames);
// Null clears every field named; another value goes to the dataset's field values of the list.
void DataSetSetFieldValues(TDataSet* dataSet, const AnsiString& fields, const Variant& value);
