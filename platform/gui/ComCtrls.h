// Common controls: page controls with tab sheets, tool bars with tool buttons, status bars,
// date-time pickers, up-down buttons and progress bars.
#pragma once

#include "gui/Controls.h"
#include "gui/ExtCtrls.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "rtl/DateUtils.h"

#include <memory>
#include <vector>

class QTabWidget;
class QDateTimeEdit;
class QProgressBar;
class QTimer;
class TPageControl;
class TToolBar;

// ---- Page control --------------------------------------------------------------------------------
class TTabSheet : public TCustomControl {
    PLANTMON_CLASS(TTabSheet, TCustomControl)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pc);
    // Position among the pages.
    int PageIndex() const;
    void SetPageIndex(int i);
    // Index among the visible tabs (-1 when the tab is hidden).
    int TabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool b);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool Highlighted() const { return false; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void TextChanged() override;
    void BoundsChanged() override;
    bool WidgetEvent(QObject* target, QEvent* e, bool& result) override;
    friend class TPageControl;
    virtual void DoShow();
    virtual void DoHide();

private:
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int imageIndex_ = -1;
};

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
using TTabChangingEvent = TClosure<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TWinControl {
    PLANTMON_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int i) const;
    TTabSheet* ActivePage() const { return active_; }
    // Changing the page by code fires no OnChanging/OnChange (a click on a tab does).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int i);
    // Index of the active page among the visible tabs.
    int TabIndex() const;
    void SetTabIndex(int i);
    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition p);
    TTabStyle Style() const { return style_; }
    void SetStyle(TTabStyle s);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool b) { multiLine_ = b; }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    // The next visible page after (or before) current, wrapping.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    void SelectNextPage(bool goForward, bool checkTabVisible = true);
    // The area the pages fill, in client coordinates.
    TRect DisplayRect() const;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void ControlInserted(TControl* c) override;
    void ControlRemoving(TControl* c) override;
    void AlignControls(TControl* control, TRect& rect) override;
    bool WidgetEvent(QObject* target, QEvent* e, bool& result) override;
    void Notification(TComponent* component, TOperation operation) override;
    friend class TTabSheet;

private:
    void insertPage(TTabSheet* page);
    void removePage(TTabSheet* page);
    void syncTab(TTabSheet* page);
    void currentChanged(int index);
    QTabWidget* tabs_ = nullptr;
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
    TTabPosition tabPosition_ = tpTop;
    TTabStyle style_ = tsTabs;
    bool multiLine_ = false;
    TCustomImageList* images_ = nullptr;
    bool updating_ = false;
};

// ---- Tool bar ------------------------------------------------------------------------------------
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
    PLANTMON_CLASS(TToolButton, TGraphicControl)
public:
    explicit TToolButton(TComponent* owner);
    TToolBar* ToolBar() const;
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle s);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool Down() const { return down_; }
    void SetDown(bool b);
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool b) { grouped_ = b; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool b) { allowAllUp_ = b; }
    bool Indeterminate() const { return indeterminate_; }
    void SetIndeterminate(bool b);
    bool Marked() const { return marked_; }
    void SetMarked(bool b);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool b);
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* m);
    // Position in the tool bar's row.
    int Index() const;
    void Click() override;
    void SetParent(TWinControl* parent) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TToolButtonStyle style_ = tbsButton;
    int imageIndex_ = -1;
    bool down_ = false;
    bool grouped_ = false;
    bool allowAllUp_ = false;
    bool indeterminate_ = false;
    bool marked_ = false;
    bool wrap_ = false;
    bool hot_ = false;
    bool pressed_ = false;
    TPopupMenu* dropdownMenu_ = nullptr;
};

// A row of tool buttons (and other controls), laid out from the left in their order.
class TToolBar : public TCustomControl {
    PLANTMON_CLASS(TToolBar, TCustomControl)
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int w);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int h);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    TCustomImageList* DisabledImages() const { return disabledImages_; }
    void SetDisabledImages(TCustomImageList* l);
    TCustomImageList* HotImages() const { return hotImages_; }
    void SetHotImages(TCustomImageList* l);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool b);
    bool Flat() const { return flat_; }
    void SetFlat(bool b);
    // Captions beside the images instead of below them.
    bool List() const { return list_; }
    void SetList(bool b);
    int Indent() const { return indent_; }
    void SetIndent(int i);
    bool Wrapable() const { return wrapable_; }
    void SetWrapable(bool b);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool b);
    int ButtonCount() const;
    TToolButton* Buttons(int i) const;
    // Lays the buttons and controls out again.
    void ArrangeButtons();

protected:
    void Paint() override;
    void ControlInserted(TControl* c) override;
    void ControlRemoving(TControl* c) override;
    void AlignControls(TControl* control, TRect& rect) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void imagesChanged(TObject*);
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    TCustomImageList* images_ = nullptr;
    TCustomImageList* disabledImages_ = nullptr;
    TCustomImageList* hotImages_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool showCaptions_ = false;
    bool flat_ = false;
    bool list_ = false;
    int indent_ = 0;
    bool wrapable_ = true;
    bool autoSize_ = false;
    bool arranging_ = false;
};

// ---- Status bar ----------------------------------------------------------------------------------
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TStatusPanelStyle { psText, psOwnerDraw };
class TStatusBar;

class TStatusPanel : public TPersistent {
    PLANTMON_CLASS(TStatusPanel, TPersistent)
public:
    explicit TStatusPanel(TStatusBar* bar) : bar_(bar) {}
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& t);
    int Width() const { return width_; }
    void SetWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel b);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle s);
    int Index() const;

private:
    void changed();
    TStatusBar* bar_;
    AnsiString text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
    TStatusPanelStyle style_ = psText;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}
    ~TStatusPanels();
    TStatusPanel* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TStatusPanel* Items(int i) const;
    TStatusPanel* operator[](int i) const { return Items(i); }
    void Delete(int i);
    void Clear();
    int IndexOf(const TStatusPanel* p) const;
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

private:
    friend class TStatusPanel;
    void changed();
    TStatusBar* bar_;
    std::vector<std::unique_ptr<TStatusPanel>> items_;
    int updating_ = 0;
};

using TDrawPanelEvent = TClosure<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TCustomControl {
    PLANTMON_CLASS(TStatusBar, TCustomControl)
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;
    TStatusPanels* Panels() const { return panels_.get(); }
    // One text over the whole bar instead of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool b);
    AnsiString SimpleText() const { return simpleText_; }
    void SetSimpleText(const AnsiString& t);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool b);
    // The application's long hint shows in the bar (the simple text or the first panel).
    bool AutoHint() const { return autoHint_; }
    void SetAutoHint(bool b);
    // The rectangle of panel i in client coordinates.
    TRect PanelRect(int i) const;

    TDrawPanelEvent OnDrawPanel;

protected:
    void Paint() override;
    friend class TStatusPanels;

private:
    std::unique_ptr<TStatusPanels> panels_;
    bool simplePanel_ = false;
    AnsiString simpleText_;
    bool sizeGrip_ = true;
    bool autoHint_ = false;
};

// ---- Date-time picker ----------------------------------------------------------------------------
enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateMode { dmComboBox, dmUpDown };
enum TDTDateFormat { dfShort, dfLong };

class TDateTimePicker : public TWinControl {
    PLANTMON_CLASS(TDateTimePicker, TWinControl)
public:
    explicit TDateTimePicker(TComponent* owner);
    ~TDateTimePicker() override;
    TDateTimeKind Kind() const { return kind_; }
    void SetKind(TDateTimeKind k);
    // Date and time of day; Date is the whole days, Time the fraction.
    TDateTime DateTime() const;
    void SetDateTime(TDateTime dt);
    TDateTime Date() const;
    void SetDate(TDateTime d);
    TDateTime Time() const;
    void SetTime(TDateTime t);
    TDTDateMode DateMode() const { return dateMode_; }
    void SetDateMode(TDTDateMode m);
    TDTDateFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDTDateFormat f);
    // A display format in the runtime's date tokens ("dd.mm.yyyy hh:nn"); empty: from Kind.
    AnsiString Format() const { return format_; }
    void SetFormat(const AnsiString& f);
    TDateTime MinDate() const { return minDate_; }
    void SetMinDate(TDateTime d);
    TDateTime MaxDate() const { return maxDate_; }
    void SetMaxDate(TDateTime d);
    bool ShowCheckbox() const { return showCheckbox_; }
    void SetShowCheckbox(bool b) { showCheckbox_ = b; }
    bool Checked() const { return checked_; }
    void SetChecked(bool b) { checked_ = b; }

    // OnChange fires when the user changes the value (not when code sets it).
    TNotifyEvent OnChange;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;

protected:
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void ColorChanged() override;

private:
    void applyFormat();
    QDateTimeEdit* edit_ = nullptr;
    TDateTimeKind kind_ = dtkDate;
    TDTDateMode dateMode_ = dmComboBox;
    TDTDateFormat dateFormat_ = dfShort;
    AnsiString format_;
    TDateTime minDate_ = 0;
    TDateTime maxDate_ = 0;
    bool showCheckbox_ = false;
    bool checked_ = true;
    bool updating_ = false;
};

// The runtime's date-time format tokens ("dd.mm.yyyy hh:nn:ss") as Qt's ("dd.MM.yyyy HH:mm:ss").
AnsiString DateFormatToQt(const AnsiString& format);

// ---- Month calendar ------------------------------------------------------------------------------
// Month-calendar messages: MCM_GETCURSEL / MCM_SETCURSEL (LParam a TDateTime*; set answers 1 when
// the date was taken), MCM_GETMINREQRECT (LParam a TRect* for the smallest size that shows a whole
// month) and MCM_HITTEST (LParam a TMCHitTestInfo*: fills uHit and date and answers uHit).
constexpr UINT MCM_FIRST = 0x1000;
constexpr UINT MCM_GETCURSEL = MCM_FIRST + 1;
constexpr UINT MCM_SETCURSEL = MCM_FIRST + 2;
constexpr UINT MCM_GETMINREQRECT = MCM_FIRST + 9;
constexpr UINT MCM_HITTEST = MCM_FIRST + 14;

// Hit-test codes: the part (title, calendar, today link) in the high word, the previous/next bits
// above it, the detail in the low word.
constexpr DWORD MCHT_NOWHERE = 0x00000000;
constexpr DWORD MCHT_TITLE = 0x00010000;
constexpr DWORD MCHT_CALENDAR = 0x00020000;
constexpr DWORD MCHT_TODAYLINK = 0x00030000;
constexpr DWORD MCHT_NEXT = 0x01000000;
constexpr DWORD MCHT_PREV = 0x02000000;
constexpr DWORD MCHT_TITLEBK = MCHT_TITLE;
constexpr DWORD MCHT_TITLEMONTH = MCHT_TITLE | 0x0001;
constexpr DWORD MCHT_TITLEYEAR = MCHT_TITLE | 0x0002;
constexpr DWORD MCHT_TITLEBTNNEXT = MCHT_TITLE | MCHT_NEXT | 0x0003;
constexpr DWORD MCHT_TITLEBTNPREV = MCHT_TITLE | MCHT_PREV | 0x0003;
constexpr DWORD MCHT_CALENDARBK = MCHT_CALENDAR;
constexpr DWORD MCHT_CALENDARDATE = MCHT_CALENDAR | 0x0001;
constexpr DWORD MCHT_CALENDARDATENEXT = MCHT_CALENDARDATE | MCHT_NEXT;
constexpr DWORD MCHT_CALENDARDATEPREV = MCHT_CALENDARDATE | MCHT_PREV;
constexpr DWORD MCHT_CALENDARDAY = MCHT_CALENDAR | 0x0002;
constexpr DWORD MCHT_CALENDARWEEKNUM = MCHT_CALENDAR | 0x0003;

struct TMCHitTestInfo {
    TPoint pt;          // client point asked about
    DWORD uHit = MCHT_NOWHERE;
    TDateTime date = 0;  // the date under a date cell
};

// One month as a sheet: the title with the month and year between the previous and next buttons,
// the weekday header (Monday first), six weeks of dates with the days of the neighbouring months
// greyed, week numbers on the left when asked for and the today link below. A press on a date
// selects it (and shows its month), on the previous or next button moves the date a month, on the
// today link selects today; the arrow keys move the date by a day or a week, Page Up and Page Down
// by a month, Home and End to the month's first and last day. The sheet is laid out inside the
// client area less BorderWidth on each side.
class TMonthCalendar : public TCustomControl {
    PLANTMON_CLASS(TMonthCalendar, TCustomControl)
public:
    explicit TMonthCalendar(TComponent* owner);
    ~TMonthCalendar() override;
    // The selected date (whole days).
    TDateTime Date() const { return date_; }
    void SetDate(TDateTime d);
    bool WeekNumbers() const { return weekNumbers_; }
    void SetWeekNumbers(bool b);
    bool ShowToday() const { return showToday_; }
    void SetShowToday(bool b);
    // With AutoSize the control takes the size CanAutoSize proposes whenever its layout changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool b);
    // The smallest rectangle (origin 0, 0) that shows a whole month, borders not included.
    TRect MinReqRect();
    DWORD HitTest(TPoint p, TDateTime* date = nullptr);

    // The user changed the date.
    TNotifyEvent OnChange;

protected:
    // The size auto-sizing gives the control: the minimum rectangle (and what a descendant adds).
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    void AdjustSize();
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void FontChanged() override;
    void DefaultHandler(TMessage& m) override;
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS; }

private:
    struct Layout;
    // The sheet's geometry, worked out again only when something it depends on changed.
    const Layout& layout();
    void changeDate(TDateTime d);
    std::unique_ptr<Layout> layout_;
    TDateTime date_ = 0;
    bool weekNumbers_ = false;
    bool showToday_ = true;
    bool autoSize_ = false;
};

// ---- Up-down -------------------------------------------------------------------------------------
enum TUDOrientation { udHorizontal, udVertical };
enum TUDAlignButton { udLeft, udRight };
enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = TClosure<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TClosure<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons that step Position between Min and Max; the associated control shows the
// number.
class TUpDown : public TCustomControl {
    PLANTMON_CLASS(TUpDown, TCustomControl)
public:
    explicit TUpDown(TComponent* owner);
    ~TUpDown() override;
    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const;
    void SetPosition(int v);
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    bool Wrap() const { return wrap_; }
    void SetWrap(bool b) { wrap_ = b; }
    bool Thousands() const { return thousands_; }
    void SetThousands(bool b);
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool b) { arrowKeys_ = b; }
    TUDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TUDOrientation o);
    TUDAlignButton AlignButton() const { return alignButton_; }
    void SetAlignButton(TUDAlignButton a);
    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* c);
    // Steps as a click on a button does (OnChanging may refuse; OnClick follows).
    void Step(TUDBtnType button);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void updateAssociate();
    void placeBesideAssociate();
    int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
    bool wrap_ = false, thousands_ = true, arrowKeys_ = true;
    TUDOrientation orientation_ = udVertical;
    TUDAlignButton alignButton_ = udRight;
    TWinControl* associate_ = nullptr;
    int pressedPart_ = -1;
    QTimer* repeat_ = nullptr;
};

// ---- Progress bar --------------------------------------------------------------------------------
enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
    PLANTMON_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const { return position_; }
    void SetPosition(int v);
    int Step() const { return step_; }
    void SetStep(int v) { step_ = v; }
    void StepIt();
    void StepBy(int delta);
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation o);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool b) { smooth_ = b; }

private:
    void apply();
    QProgressBar* bar_ = nullptr;
    int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
    TProgressBarOrientation orientation_ = pbHorizontal;
    bool smooth_ = false;
};
