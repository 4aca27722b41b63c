// Standard controls: labels, edits, memos, buttons, check boxes, radio buttons, combo boxes, list
// boxes, group boxes and scroll bars.
#pragma once

#include "gui/Controls.h"

#include <memory>
#include <vector>

class TCustomForm;
class QLineEdit;
class QPlainTextEdit;
class QComboBox;
class QListWidget;
class QScrollBar;

// ---- Labels --------------------------------------------------------------------------------------
class TCustomLabel : public TGraphicControl {
    PLANTMON_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    // The label takes the size of its text (the width stays with WordWrap).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool b);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool b);
    // A transparent label leaves its background to what lies beneath.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool b);
    // '&' underlines the next letter, which then moves the focus to FocusControl (Alt+letter).
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool b);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c);

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Dispatch(TMessage& m) override;
    virtual void AdjustBounds();
    unsigned DrawTextFlags() const;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
    PLANTMON_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// ---- Edits ---------------------------------------------------------------------------------------
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
    PLANTMON_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    // The character shown instead of each typed one (0: the text itself).
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool b);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase c);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool b) { autoSelect_ = b; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool b) { hideSelection_ = b; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    bool Modified() const;
    void SetModified(bool b);

    // Selection in characters (code points) from 0.
    int SelStart() const;
    void SetSelStart(int p);
    int SelLength() const;
    void SetSelLength(int n);
    AnsiString SelText() const;
    void SetSelText(const AnsiString& s);
    void SelectAll();
    void ClearSelection();
    void Clear();
    void Undo();
    bool CanUndo() const;
    void ClearUndo();
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

    // The edit's two forms: one line (scrolling sideways), or several lines, wrapped at the
    // edit's width with wordWrap. Changing the form makes the window anew with the same text,
    // state and children.
    bool MultiLine() const { return multi_ != nullptr; }
    void SetMultiLine(bool multiLine, bool wordWrap);

    // The edit's caret, as HideCaret and ShowCaret of its window change it: hidden while more
    // hides than shows were asked (an editor hides it while its drop-down takes the keys).
    void HideEditCaret();
    void ShowEditCaret();
    bool EditCaretHidden() const { return caretHides_ > 0; }

protected:
    explicit TCustomEdit(TComponent* owner, bool multiLine);
    // The shown text as the native edit holds it (line breaks as '\n'), and setting it without
    // a change notification.
    AnsiString NativeText() const;
    void SetNativeText(const AnsiString& s);
    AnsiString GetText() const override;
    void TextChanged() override;
    void ColorChanged() override;
    void DefaultHandler(TMessage& m) override;
    void CNCommand(TMessage& m) override;
    void DoEnter() override;
    LRESULT NativeDlgCode() const override;
    virtual void Change();
    friend struct EditSignals;

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    bool settingText_ = false;

private:
    void setup();
    void connectSignals();
    void notifyChange();
    void applyCaret();
    int caretHides_ = 0;
    int maxLength_ = 0;
    char passwordChar_ = 0;
    bool readOnly_ = false;
    TEditCharCase charCase_ = ecNormal;
    TAlignment alignment_ = taLeftJustify;
    bool autoSelect_ = true;
    bool hideSelection_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    bool modified_ = false;
};

class TEdit : public TCustomEdit {
    PLANTMON_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

// A multi-line edit; Lines are its text line by line.
class TCustomMemo : public TCustomEdit {
    PLANTMON_CLASS(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* s);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool b);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool b) { wantReturns_ = b; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool b) { wantTabs_ = b; }

protected:
    LRESULT NativeDlgCode() const override;
    void WMChar(TMessage& m) override;

private:
    std::unique_ptr<TStrings> lines_;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = ssNone;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
};

class TMemo : public TCustomMemo {
    PLANTMON_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

// ---- Buttons -------------------------------------------------------------------------------------
// The base of buttons and check boxes. A descendant either shows a toolkit button (the push button,
// check box and radio button attach theirs) or draws itself: UsePaintedWindow gives it a plain window
// that Paint draws on Canvas. Checked reads and writes through GetChecked and SetChecked, which the
// kinds that can be checked override; Click fires OnClick (or runs the action), as for any control.
class TButtonControl : public TWinControl {
    PLANTMON_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* owner);
    ~TButtonControl() override;
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool b) { wordWrap_ = b; }
    bool Checked() const { return GetChecked(); }
    // Nothing in the base: a plain button is never checked.
    virtual void SetChecked(bool b);
    // The canvas of a button that draws itself; nullptr for a toolkit button.
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual bool GetChecked() const { return false; }
    // Called once from a descendant's constructor, instead of attaching a toolkit button.
    void UsePaintedWindow();
    // Draws a button that draws itself, on Canvas.
    virtual void Paint() {}
    PaintKind PaintMode() const override { return canvas_ ? PaintKind::Kept : PaintKind::Native; }
    TCanvas* PaintCanvas() const override { return canvas_.get(); }
    void WMPaint(TMessage& m) override;
    bool wordWrap_ = false;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// A push button. Default: Return anywhere on the form clicks it (unless another button has the
// focus); Cancel: Escape clicks it; a ModalResult closes a modal form with that result.
class TButton : public TButtonControl {
    PLANTMON_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return default_; }
    void SetDefault(bool b);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool b) { cancel_ = b; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    void Click() override;

protected:
    void TextChanged() override;
    void CNCommand(TMessage& m) override;
    void CMDialogKey(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;
    void CMFocusChanged(TMessage& m) override;
    LRESULT NativeDlgCode() const override;
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;
    // The text shown on the button (a bitmap button adds its glyph).
    virtual void UpdateFace();

private:
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    int modalResult_ = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
    PLANTMON_CLASS(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent* owner);
    // Changing the state by code fires OnClick, as a click does.
    void SetChecked(bool b) override { SetState(b ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool b);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

protected:
    bool GetChecked() const override { return state_ == cbChecked; }
    void TextChanged() override;
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;
    LRESULT NativeDlgCode() const override { return DLGC_BUTTON; }
    void CMDialogChar(TMessage& m) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    bool updating_ = false;
};

class TCheckBox : public TCustomCheckBox {
    PLANTMON_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

// Radio buttons with the same parent are checked one at a time.
class TRadioButton : public TButtonControl {
    PLANTMON_CLASS(TRadioButton, TButtonControl)
public:
    explicit TRadioButton(TComponent* owner);
    void SetChecked(bool b) override;

protected:
    bool GetChecked() const override { return checked_; }
    void TextChanged() override;
    LRESULT NativeDlgCode() const override { return DLGC_BUTTON | DLGC_RADIOBUTTON; }

private:
    bool checked_ = false;
    bool updating_ = false;
};

// ---- Combo boxes ---------------------------------------------------------------------------------
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
    PLANTMON_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s);
    // -1 when no item is selected (also while the typed text matches none).
    int ItemIndex() const;
    void SetItemIndex(int i);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int n);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool b);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool DroppedDown() const;
    void SetDroppedDown(bool b);
    int SelStart() const;
    void SetSelStart(int p);
    int SelLength() const;
    void SetSelLength(int n);
    void SelectAll();
    void Clear();

    // OnChange: the text changed by the user (typing or choosing); OnSelect: an item was chosen.
    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    AnsiString GetText() const override;
    void TextChanged() override;
    void ColorChanged() override;
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void DefaultHandler(TMessage& m) override;
    virtual void Change();
    virtual void Select();
    friend class TComboBoxStrings;
    friend struct ComboSignals;

    QComboBox* combo_ = nullptr;
    int itemIndex_ = -1;
    bool updating_ = false;

private:
    std::unique_ptr<TStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    bool sorted_ = false;
    int maxLength_ = 0;
};

class TComboBox : public TCustomComboBox {
    PLANTMON_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- List boxes ----------------------------------------------------------------------------------
// The virtual styles keep no texts: Count rows whose texts OnData (DoGetData) gives when needed.
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TOwnerDrawStateBit : unsigned {
    odSelected = 1u << 0,
    odGrayed = 1u << 1,
    odDisabled = 1u << 2,
    odChecked = 1u << 3,
    odFocused = 1u << 4,
    odDefault = 1u << 5,
    odComboBoxEdit = 1u << 6
};
using TOwnerDrawState = unsigned;
using TDrawItemEvent = TClosure<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TLBGetDataEvent = TClosure<void(TWinControl* Control, int Index, AnsiString& Data)>;

// Answer of the list messages that find nothing.
constexpr LRESULT LB_ERR = -1;

class TCustomListBox : public TWinControl {
    PLANTMON_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s);
    int ItemIndex() const;
    void SetItemIndex(int i);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool b);
    bool Selected(int i) const;
    void SetSelected(int i, bool b);
    int SelCount() const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool b);
    int TopIndex() const;
    void SetTopIndex(int i);
    // The item at a client point (-1 outside the items; with existing false, the count at the end).
    int ItemAtPos(TPoint p, bool existing) const;
    TRect ItemRect(int index) const;
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle s);
    bool IsVirtual() const { return style_ == lbVirtual || style_ == lbVirtualOwnerDraw; }
    bool IsOwnerDraw() const { return style_ != lbStandard && style_ != lbVirtual; }
    // The number of rows; setting it is for the virtual styles.
    int Count() const;
    void SetCount(int n);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int h);
    // Draws the selection as a focused list does while another control keeps the focus (a
    // drop-down whose editor has it).
    bool FocusedLook() const { return focusedLook_; }
    void SetFocusedLook(bool b);
    // The frame around the rows: bvLowered the sunken edge of an edit (the default), bvRaised a
    // raised edge, bvSpace a plain line, each width pixels wide; bvNone none. FrameWidth is what
    // the frame takes of each side.
    void SetFrame(TBevelCut cut, int width = 2);
    int FrameWidth() const;
    // ssVertical (the default) shows the vertical scroll bar when the rows need it; ssNone never.
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    // Owner-drawn items paint on this canvas in OnDrawItem.
    TCanvas* Canvas() const { return canvas_.get(); }
    void Clear();

    TDrawItemEvent OnDrawItem;
    TLBGetDataEvent OnData;

protected:
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void ColorChanged() override;
    void CNCommand(TMessage& m) override;
    // WM_VSCROLL scrolls the rows as the list's own scroll bar does (SB_THUMBPOSITION and
    // SB_THUMBTRACK: the high word of WParam is the new top row).
    // LB_SELECTSTRING: WParam the row to search after (-1 or 0xFFFF: the whole list from the
    // first row), LParam the text (const char*, UTF-8); selects the first row whose text begins
    // with it, ignoring case, and answers its index, LB_ERR when none does. LB_GETTOPINDEX,
    // LB_SETTOPINDEX and LB_ITEMFROMPOINT as the list control answers them.
    void DefaultHandler(TMessage& m) override;
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
    // The text of a row of a virtual list (OnData's answer).
    virtual AnsiString DoGetData(int index);
    friend class TListBoxStrings;
    friend struct ListDelegate;

    QListWidget* list_ = nullptr;

private:
    std::unique_ptr<TStrings> items_;
    std::unique_ptr<TCanvas> canvas_;
    bool multiSelect_ = false;
    bool sorted_ = false;
    bool focusedLook_ = false;
    TScrollStyle scrollBars_ = ssVertical;
    TListBoxStyle style_ = lbStandard;
    int itemHeight_ = 16;
};

class TListBox : public TCustomListBox {
    PLANTMON_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// ---- Group box -----------------------------------------------------------------------------------
class TCustomGroupBox : public TWinControl {
    PLANTMON_CLASS(TCustomGroupBox, TWinControl)
public:
    explicit TCustomGroupBox(TComponent* owner);

protected:
    void TextChanged() override;
    void AdjustClientRect(TRect& rect) override;
    void ColorChanged() override;
};

class TGroupBox : public TCustomGroupBox {
    PLANTMON_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// ---- Scroll bar ----------------------------------------------------------------------------------
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = TClosure<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TWinControl {
    PLANTMON_CLASS(TScrollBar, TWinControl)
public:
    explicit TScrollBar(TComponent* owner);
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind k);
    int Min() const { return min_; }
    void SetMin(int v) { SetParams(position_, v, max_); }
    int Max() const { return max_; }
    void SetMax(int v) { SetParams(position_, min_, v); }
    int Position() const { return position_; }
    void SetPosition(int v) { SetParams(v, min_, max_); }
    int PageSize() const { return pageSize_; }
    void SetPageSize(int v);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int v);
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int v);
    void SetParams(int position, int min, int max);

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void apply();
    // The user scrolled: CN_HSCROLL or CN_VSCROLL (WParam: the scroll code and, in the high word,
    // the position) comes through WindowProc and fires OnScroll.
    void Dispatch(TMessage& m) override;
    friend struct ScrollBarSignals;

private:
    QScrollBar* bar_ = nullptr;
    int scrollPos_ = 0;        // the full position of the user's scroll being handled
    bool userScroll_ = false;
    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0, smallChange_ = 1, largeChange_ = 1;
    bool updating_ = false;
};

// Whether Alt+key (or the key alone) is the accelerator of a caption ("&Да" and 'Д').
bool IsAccel(WideChar key, const AnsiString& caption);
