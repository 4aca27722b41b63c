// Controls: the base of everything on screen.
//
// A TControl is a component with a place on its parent, a font, a colour, a caption and the mouse
// and keyboard events. Each control is backed by one widget of the toolkit; the widget hands every
// toolkit event to the control as a window message through the virtual WndProc, so a control that
// overrides message handling sees the same sequence the class library's controls see:
//   WndProc -> Dispatch -> the message's handler (WMLButtonDown, CMEnter, ...) -> DefaultHandler,
// where DefaultHandler lets the widget do its own (native) processing.
//
// TGraphicControl has no window of its own in the class library: it paints on its parent and is
// always stacked below its windowed siblings. Here it is a see-through child widget kept below the
// windowed siblings; nothing erases a background it did not paint. TCustomControl paints itself
// through Canvas in Paint; TWinControl hosts children and takes the focus.
#pragma once

#include "gui/Graphics.h"
#include "gui/Messages.h"
#include "rtl/Classes.h"
#include "rtl/Types.h"

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

class QWidget;
class QObject;
class QEvent;

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TBasicAction;
class TControlActionLink;
class TSizeConstraints;

namespace plantmon::gui {
class ControlHost;
struct WindowFrame;
struct DragDriver;
}

// A typed character of a key press. Holds any Unicode code point, so Cyrillic input reaches
// OnKeyPress as one character; compare with ordinary character literals ('0', '\r', 27).
using WideChar = wchar_t;
// The UTF-8 text of one typed character.
AnsiString CharToText(WideChar c);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TAnchorKindBit : unsigned { akLeft = 1u << 0, akTop = 1u << 1, akRight = 1u << 2, akBottom = 1u << 3 };
using TAnchors = unsigned;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Cursor identities (negative numbers are the stock shapes).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

// Screen->Cursors(n) gives the picture (HCURSOR, gui/Messages.h) of cursor number n; numbers above
// 0 are the program's own pictures, registered with Screen->SetCursors.

// What a control is and how it behaves (ControlStyle).
enum TControlStyleBit : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csDesignInteractive = 1u << 2,
    csClickEvents = 1u << 3,
    csFramed = 1u << 4,
    csSetCaption = 1u << 5,
    csOpaque = 1u << 6,
    csDoubleClicks = 1u << 7,
    csFixedWidth = 1u << 8,
    csFixedHeight = 1u << 9,
    csNoDesignVisible = 1u << 10,
    csReplicatable = 1u << 11,
    csNoStdEvents = 1u << 12,
    csDisplayDragImage = 1u << 13,
    csReflector = 1u << 14,
    csActionClient = 1u << 15,
    csMenuEvents = 1u << 16,
    csParentBackground = 1u << 17,
};
using TControlStyle = unsigned;

// Transient state of a control (ControlState).
enum TControlStateBit : unsigned {
    csLButtonDown = 1u << 0,
    csClicked = 1u << 1,
    csPalette = 1u << 2,
    csReadingState = 1u << 3,
    csAlignmentNeeded = 1u << 4,
    csFocusing = 1u << 5,
    csCreating = 1u << 6,
    csPaintCopy = 1u << 7,
    csCustomPaint = 1u << 8,
    csDestroyingHandle = 1u << 9,
};
using TControlState = unsigned;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// TAlignment is declared in rtl/Classes.h (dataset fields use it too).
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese, imSHanguel, imHanguel };
enum TDragMode { dmManual, dmAutomatic };

// ---- Event types -------------------------------------------------------------------------------
using TMouseEvent = TClosure<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TClosure<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TClosure<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TClosure<void(TObject* Sender, WideChar& Key)>;
using TMouseWheelEvent =
    TClosure<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TClosure<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = TClosure<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TWndMethod = TClosure<void(TMessage& Message)>;

// ---- Drag and drop -------------------------------------------------------------------------------
// What a drag carries when the source's OnStartDrag gives one (else the source control itself is
// the Source the targets hear). The handler that makes it keeps it.
class TDragObject : public TObject {
    PLANTMON_CLASS(TDragObject, TObject)
public:
    TDragObject() = default;
    ~TDragObject() override = default;
};
// Where a target stands in a drag: the pointer came over it, left it, or moved over it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TStartDragEvent = TClosure<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent =
    TClosure<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TClosure<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TClosure<void(TObject* Sender, TObject* Target, int X, int Y)>;

class THintWindow;

// The class of window a hint shows in, as a value: empty means the application's hint window.
// HintWindowClassOf<TMyHintWindow>() names a class of one's own.
struct THintWindowClass {
    const std::type_info* Type = nullptr;
    THintWindow* (*Create)(TComponent* owner) = nullptr;
    explicit operator bool() const { return Create != nullptr; }
};
template <class T>
THintWindowClass HintWindowClassOf() {
    return THintWindowClass{&typeid(T), [](TComponent* owner) -> THintWindow* { return new T(owner); }};
}

// What CM_HINTSHOW carries (LParam points to it): the control may change the text, position and
// timing, or refuse the hint by setting the message result to non-zero. The hint stays up while
// the pointer stays in CursorRect; a ReshowTimeout above 0 asks the control again after that many
// milliseconds. Before the pause that precedes a hint, the control gets CM_HINTSHOWPAUSE (WParam:
// a hint was showing; LParam: int* to the pause in milliseconds, which it may change).
struct THintInfo {
    TControl* HintControl = nullptr;
    THintWindowClass HintWindowClass;
    TPoint HintPos;          // screen position of the hint window
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;        // client area where the hint stays up
    TPoint CursorPos;        // client position of the pointer
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    AnsiString HintStr;
    void* HintData = nullptr;
};

// Shift state from a key message's key data and the keyboard state now.
TShiftState KeyDataToShiftState(LPARAM keyData);
// Shift state of the keyboard and mouse buttons as the last input event left them.
TShiftState CurrentShiftState();

// Minimum and maximum sizes a control accepts (0 = no limit).
class TSizeConstraints : public TPersistent {
    PLANTMON_CLASS(TSizeConstraints, TPersistent)
public:
    explicit TSizeConstraints(TControl* control) : control_(control) {}
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int v);
    void SetMinHeight(int v);
    void SetMaxWidth(int v);
    void SetMaxHeight(int v);
    void Assign(TPersistent* source) override;
    // Applies the limits to a proposed size.
    void Constrain(int& width, int& height) const;
    TNotifyEvent OnChange;

private:
    void changed();
    TControl* control_;
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

// ---- TControl ----------------------------------------------------------------------------------
class TControl : public TComponent {
    PLANTMON_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // Placement.
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return TRect(left_, top_, left_ + width_, top_ + height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // The area inside the control's frame, in its own coordinates.
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    void SetClientSize(int w, int h);
    TPoint ClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // Position of a client point of this control in the client coordinates of another one.
    TPoint ClientToParent(TPoint p, TWinControl* parent = nullptr) const;
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors a);
    TSizeConstraints* Constraints() const { return constraints_.get(); }
    void BringToFront();
    void SendToBack();

    // Visibility and state.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show();
    void Hide();
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);
    // True when the control and every parent are visible (it can be seen if its window is).
    bool IsVisibleOnScreen() const;

    // Appearance.
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool b);
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* f);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool b);
    AnsiString Caption() const { return GetText(); }
    void SetCaption(const AnsiString& s) { SetText(s); }
    AnsiString Text() const { return GetText(); }
    void SetText(const AnsiString& s);
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& h) { hint_ = h; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool b);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool b);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* m);
    TBiDiMode BiDiMode() const { return bdLeftToRight; }
    bool UseRightToLeftAlignment() const { return false; }
    bool UseRightToLeftReading() const { return false; }
    bool UseRightToLeftScrollBar() const { return false; }
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode m) { dragMode_ = m; }

    // The action this control shows and runs (caption, hint, enabled, visible, OnClick).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* a);
    // An action offered to the control (the focused one gets CM_ACTIONEXECUTE / CM_ACTIONUPDATE for
    // an action nothing else took) is run or updated here when it handles the control as its
    // target; true when it was. A data-aware control asks its data link first.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle s) { controlStyle_ = s; }
    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState s) { controlState_ = s; }

    // Painting: Invalidate asks for a paint later, Repaint/Refresh paint now, Update paints what is
    // pending now.
    virtual void Invalidate();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    virtual void Update();

    // Messages.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // The handler every message of the control goes through: WndProc until replaced. A replacement
    // that wants the control's own handling keeps the handler it replaced and calls it.
    TWndMethod WindowProc() const;
    void SetWindowProc(const TWndMethod& handler);
    virtual void WndProc(TMessage& message);
    virtual void Dispatch(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    bool MouseCapture() const;
    void SetMouseCapture(bool b);
    // ---- Drag and drop
    // Starts dragging the control: at once when immediate, else once the pointer has moved
    // threshold pixels (-1: Mouse->DragThreshold()) from where it is now. A control pressed by the
    // left button gets its release first, so its own tracking ends before the drag takes the mouse.
    // While the drag runs the control holds the mouse: the control under the pointer hears DragOver
    // (its Accept decides the cursor: DragCursor or crNoDrop), at the release an accepting one hears
    // DragDrop, and the source EndDrag with the target (null when nothing took it). Esc and cancel
    // mode end the drag without a drop. A second BeginDrag during a drag is ignored.
    void BeginDrag(bool immediate, int threshold = -1);
    // Ends the drag of this control: with drop, the target under the pointer takes it if it accepts.
    void EndDrag(bool drop);
    // True from BeginDrag until the drag ends (also while it waits for the threshold).
    bool Dragging() const;
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor c) { dragCursor_ = c; }
    // The target's side of a drop (OnDragDrop).
    virtual void DragDrop(TObject* source, int x, int y);

    // Test hooks: how often the control was painted and invalidated.
    int PaintCount() const { return paintCount_; }
    int InvalidateCount() const { return invalidateCount_; }

    // Events.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // Platform side: the widget behind the control.
    QWidget* Widget() const;
    // How the widget paints: natively (Qt draws it), as a graphic control (Paint on the widget every
    // time), or as a windowed control that keeps its picture (Paint into a kept image).
    enum class PaintKind { Native, Graphic, Kept };
    virtual PaintKind PaintMode() const { return PaintKind::Native; }
    // A natively painted control that paints itself too: its WM_PAINT carries a canvas (WParam, an
    // HDC) of the client area's size. Calling DefaultHandler lets the widget paint first and what
    // the handler draws lies over it; without that call the handler paints the whole client area.
    // WM_NCPAINT follows, where GetWindowDC gives a canvas over the whole window (the widget's own
    // edge included) to draw a border of its own.
    virtual bool PaintsOverNative() const { return false; }
    // The canvas Paint draws on (null for native painting).
    virtual TCanvas* PaintCanvas() const { return nullptr; }
    plantmon::gui::ControlHost* Host() const { return host_; }
    // The host whose widget shows what Paint draws: the widget itself, or the client part inside a
    // window frame (a control with a border or scroll bars).
    virtual plantmon::gui::ControlHost* PaintHost() const { return host_; }
    // True while a toolkit event is being handed to this control.
    bool InDispatch() const;

    // Runs the click the control performs (OnClick, or the action's execution).
    virtual void Click();

protected:
    // Each concrete control gives its widget once, from its constructor.
    void AttachHost(plantmon::gui::ControlHost* host);

    virtual AnsiString GetText() const { return text_; }
    // Called after the text changed (CM_TEXTCHANGED follows).
    virtual void TextChanged();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    virtual void DoContextPopup(TPoint mousePos, bool& handled);
    // Drag and drop: the source's start and end (OnStartDrag, OnEndDrag) and the target's test
    // (OnDragOver; without a handler nothing is accepted).
    virtual void DoStartDrag(TDragObject*& dragObject);
    virtual void DoEndDrag(TObject* target, int x, int y);
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void Resize();
    virtual void Loaded() override;
    virtual void Notification(TComponent* component, TOperation operation) override;
    virtual void ActionChange(TBasicAction* sender, bool checkDefaults);
    // Font, colour or enabled changes reach the widget through these.
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    // The widget's size follows the control's bounds.
    virtual void BoundsChanged();
    // Applies the constraints to a proposed size.
    virtual void ConstrainedResize(int& width, int& height);
    // The widget was moved or resized by the toolkit (a window frame): takes over the new bounds
    // without applying them again, with the usual WM_SIZE/WM_MOVE.
    void BoundsFromWidget(int left, int top, int width, int height);
    virtual void RequestAlign();
    void UpdateAnchorRules();

    // Message handlers (Dispatch calls them; descendants may override and call the inherited one).
    virtual void WMLButtonDown(TMessage& m);
    virtual void WMLButtonUp(TMessage& m);
    virtual void WMLButtonDblClk(TMessage& m);
    virtual void WMRButtonDown(TMessage& m);
    virtual void WMRButtonUp(TMessage& m);
    virtual void WMRButtonDblClk(TMessage& m);
    virtual void WMMButtonDown(TMessage& m);
    virtual void WMMButtonUp(TMessage& m);
    virtual void WMMButtonDblClk(TMessage& m);
    virtual void WMMouseMove(TMessage& m);
    virtual void WMMouseWheel(TMessage& m);
    virtual void WMContextMenu(TMessage& m);
    virtual void WMCancelMode(TMessage& m);
    virtual void WMPaint(TMessage& m);
    virtual void WMEraseBkgnd(TMessage& m);
    virtual void WMSize(TMessage& m);
    virtual void CMMouseEnter(TMessage& m);
    virtual void CMMouseLeave(TMessage& m);
    virtual void CMMouseWheel(TMessage& m);
    virtual void CMHintShow(TMessage& m);
    virtual void CMParentFontChanged(TMessage& m);
    virtual void CMParentColorChanged(TMessage& m);
    virtual void CMParentShowHintChanged(TMessage& m);
    virtual void CMEnabledChanged(TMessage& m);
    virtual void CMVisibleChanged(TMessage& m);
    virtual void CMTextChanged(TMessage& m);
    virtual void CMFontChanged(TMessage& m);
    virtual void CMColorChanged(TMessage& m);

    // Runs Paint; an exception in it beeps instead of reaching the user.
    void GuardedPaint(const std::function<void()>& paint);
    // A toolkit event before it becomes messages: a control that handles it itself (a window
    // frame closing, a native widget's own event) returns true with the event's result.
    virtual bool WidgetEvent(QObject* target, QEvent* e, bool& result) {
        (void)target;
        (void)e;
        (void)result;
        return false;
    }
    friend class plantmon::gui::ControlHost;
    friend struct plantmon::gui::DragDriver;
    friend class TWinControl;
    friend class TControlActionLink;

    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    TControlState controlState_ = 0;
    AnsiString text_;

private:
    void fontChangedHandler(TObject*);
    // Hands a message to WindowProc.
    void runWindowProc(TMessage& m);
    void setMouseCaptureFromPress(bool down, TMouseButton button);
    void doMouseDown(TMessage& m, TMouseButton button, TShiftState extra);
    void doMouseUp(TMessage& m, TMouseButton button);

    plantmon::gui::ControlHost* host_ = nullptr;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    // Distances to the parent's right and bottom edges that anchoring keeps.
    int anchorRight_ = 0, anchorBottom_ = 0;
    bool anchorsKnown_ = false;
    std::unique_ptr<TSizeConstraints> constraints_;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    AnsiString hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TPopupMenu* popupMenu_ = nullptr;
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
    std::unique_ptr<TControlActionLink> actionLink_;
    int paintCount_ = 0;
    int invalidateCount_ = 0;
    bool mouseInControl_ = false;
    TWndMethod windowProc_;  // empty: WndProc
};

// ---- TWinControl -------------------------------------------------------------------------------
// The styles a window is made with (CreateParams): WS_* in Style, WS_EX_* in ExStyle.
struct TCreateParams {
    DWORD Style = 0;
    DWORD ExStyle = 0;
};

class TWinControl : public TControl {
    PLANTMON_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window handle stands for the control itself.
    HWND Handle() const { return const_cast<TWinControl*>(this); }
    bool HandleAllocated() const { return true; }
    void HandleNeeded() {}

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int i) const;
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    bool ContainsControl(TControl* c) const;
    TControl* FindChildControl(const AnsiString& name) const;
    // The child under a client point (windowed children first, as they lie on top).
    TControl* ControlAtPos(TPoint p, bool allowDisabled = false, bool allowWinControls = true) const;

    // Focus.
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool b);
    int TabOrder() const;
    void SetTabOrder(int order);
    virtual bool CanFocus() const;
    virtual void SetFocus();
    virtual bool Focused() const;
    // Moves the focus to the next (or previous) control in tab order inside this control.
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
    // The children that take the focus by Tab, in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    bool Showing() const;

    // Alignment of the children.
    void DisableAlign();
    void EnableAlign();
    void Realign();
    bool AlignDisabled() const { return alignLevel_ > 0; }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);

    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool b);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool b) { parentCtl3D_ = b; }
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool b) { doubleBuffered_ = b; }
    TImeMode ImeMode() const { return imDontCare; }
    void SetImeMode(TImeMode) {}
    AnsiString ImeName() const { return AnsiString(); }
    void SetImeName(const AnsiString&) {}
    TBrush* Brush() const { return brush_.get(); }

    // Scrolls the children and the painted content by dx, dy.
    void ScrollBy(int dx, int dy);
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    // Asks for a paint of part of the client area (erase is ignored: painting never erases first).
    void InvalidateRect(const TRect& r);
    // Removes part of the pending paint request.
    void ValidateRect(const TRect& r);
    // Recreating a window is a no-op here, apart from re-applying the control's state.
    void RecreateWnd();
    // A popup window (the drop-down of an editor, a hint): a top-level tool window above the others
    // that never takes the focus, shows without being activated, is not activated by clicks and
    // never grabs the mouse or the keyboard. Its Left and Top are screen coordinates, also while it
    // has a Parent (whose font, colour and form it keeps).
    bool PopupWindow() const { return popupWindow_; }
    void SetPopupWindow(bool b);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // The widget inside which child controls are placed (the form's client area, a sheet's page).
    virtual QWidget* ClientWidget() const;

protected:
    // Streams with itself the controls it holds that root owns, in their order.
    void GetChildren(TGetChildProc proc, TComponent* root) override;
    virtual void AlignControls(TControl* control, TRect& rect);
    virtual void AdjustClientRect(TRect& rect);
    void RequestAlign() override;
    // After the align pass: remaining is the part of the client area no aligned child took.
    virtual void ControlsAligned(const TRect& remaining) { (void)remaining; }
    // The client area changed size: anchored children follow, aligned ones are laid out again.
    void ClientBoundsChanged();
    virtual void DoEnter();
    virtual void DoExit();
    virtual bool DoKeyDown(TMessage& m);
    virtual bool DoKeyPress(TMessage& m);
    virtual bool DoKeyUp(TMessage& m);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyPress(WideChar& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    void BoundsChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    virtual void ShowingChanged();
    // Stacks graphic children below windowed ones, in list order.
    void RestackChildren();

    virtual void WMSetFocus(TMessage& m);
    virtual void WMKillFocus(TMessage& m);
    virtual void WMKeyDown(TMessage& m);
    virtual void WMKeyUp(TMessage& m);
    virtual void WMChar(TMessage& m);
    virtual void WMSysKeyDown(TMessage& m);
    virtual void WMSysKeyUp(TMessage& m);
    virtual void WMGetDlgCode(TMessage& m);
    virtual void WMTimer(TMessage& m);
    // A child's notification (an edit's EN_CHANGE; LParam the child) goes back to the child as
    // CN_COMMAND.
    virtual void WMCommand(TMessage& m);
    // The pointer moved over the window (low word of LParam: where, HTCLIENT...): shows the cursor
    // of the graphic child under it or the control's own Cursor; else the parent decides.
    virtual void WMSetCursor(TMessage& m);
    // The styles the window is made with; a custom control's frame follows them (border, client
    // edge, scroll bars shown at creation). RecreateWnd asks again.
    virtual void CreateParams(TCreateParams& params);
    virtual void CMEnter(TMessage& m);
    virtual void CMExit(TMessage& m);
    virtual void CMDialogKey(TMessage& m);
    virtual void CMDialogChar(TMessage& m);
    virtual void CMWantSpecialKey(TMessage& m);
    virtual void CMChildKey(TMessage& m);
    virtual void CMCancelMode(TMessage& m);
    virtual void CMShowingChanged(TMessage& m);
    virtual void CMFocusChanged(TMessage& m);
    virtual void CNCommand(TMessage& m);
    virtual void CNKeyDown(TMessage& m);
    void Dispatch(TMessage& message) override;

    // Sends a message to every child (stops at a non-zero result when stopAtResult).
    void Broadcast(TMessage& m, bool stopAtResult = true);
    void NotifyControls(UINT msg);
    // Dialog code of the native widget (what WM_GETDLGCODE answers when nothing overrides it).
    virtual LRESULT NativeDlgCode() const { return 0; }
    // Popup menus of the control chain, then the form's and the main form's shortcuts.
    virtual bool IsMenuKey(WORD key, TShiftState shift);

    // A child control was inserted or removed (its widget is already in place / out).
    virtual void ControlInserted(TControl* c) { (void)c; }
    virtual void ControlRemoving(TControl* c) { (void)c; }

    friend class TControl;
    friend class TCustomForm;
    friend class plantmon::gui::ControlHost;

private:
    void alignAll();
    void applyAnchors(TControl* c, int oldWidth, int oldHeight);
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    bool tabStop_ = false;
    int alignLevel_ = 0;
    bool alignPending_ = false;
    bool aligning_ = false;
    int borderWidth_ = 0;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    bool doubleBuffered_ = false;
    bool popupWindow_ = false;
    std::unique_ptr<TBrush> brush_;
    int lastClientWidth_ = -1, lastClientHeight_ = -1;
};

// The canvas of a control. While the control paints it draws on the paint; outside a paint it
// draws on the picture a custom-painted windowed control keeps (shown at once), and for any other
// control on a scratch picture of the control's size (measuring text works, nothing is shown).
class TControlCanvas : public TCanvas {
    PLANTMON_CLASS(TControlCanvas, TCanvas)
public:
    TControlCanvas();
    ~TControlCanvas() override;
    TControl* Control() const { return control_; }
    void SetControl(TControl* c);
    // Lets go of the picture drawn on outside a paint.
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* control_ = nullptr;
    struct Scratch;
    std::unique_ptr<Scratch> scratch_;
};

// A control without a window: paints itself on its parent (labels, shapes, speed buttons).
class TGraphicControl : public TControl {
    PLANTMON_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual void Paint();
    PaintKind PaintMode() const override { return PaintKind::Graphic; }
    TCanvas* PaintCanvas() const override { return canvas_.get(); }
    void WMPaint(TMessage& m) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that paints itself through Canvas.
//
// What it paints is kept, so drawing on Canvas outside Paint shows at once and stays until the next
// Paint, as drawing on a window does; a Paint runs only after Invalidate/Repaint.
//
// Its window may have a non-client frame around the client area: the border its CreateParams asks
// for (WS_BORDER one pixel, WS_EX_CLIENTEDGE a sunken edge of two) and the window scroll bars
// (GetScrollInfo/SetScrollInfo in gui/WinApi.h). WM_NCCALCSIZE (LParam: TRect*, the window's
// rectangle in its own coordinates, to be shrunk to the client area) decides the client area;
// WM_NCPAINT paints the frame through GetWindowDC. ClientRect, painting, the mouse and the
// children are in client coordinates.
class TCustomControl : public TWinControl {
    PLANTMON_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }
    TRect ClientRect() const override;
    QWidget* ClientWidget() const override;
    plantmon::gui::ControlHost* PaintHost() const override;
    // The window's frame (platform side).
    plantmon::gui::WindowFrame* Frame() const { return frame_.get(); }
    // A window made anew for its new parent asks CreateParams again.
    void SetParent(TWinControl* parent) override;

protected:
    virtual void Paint();
    PaintKind PaintMode() const override { return PaintKind::Kept; }
    TCanvas* PaintCanvas() const override { return canvas_.get(); }
    void WMPaint(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    void BoundsChanged() override;
    virtual void WMNCCalcSize(TMessage& m);
    virtual void WMNCPaint(TMessage& m);

private:
    friend struct plantmon::gui::WindowFrame;
    // The frame changed the client area's size (a scroll bar came or went).
    void frameResized();
    std::unique_ptr<TControlCanvas> canvas_;
    std::unique_ptr<plantmon::gui::WindowFrame> frame_;
};

// ---- Free functions ------------------------------------------------------------------------------
// The control whose widget holds the given screen point (nullptr when none of ours).
TControl* FindDragTarget(TPoint screenPos, bool allowDisabled);
TWinControl* FindControl(HWND handle);
// The shape of a window: only the pixels of rgn show and take the mouse (nullptr: the whole
// window). GetWindowRgn copies the shape into rgn: SIMPLEREGION or COMPLEXREGION, RGN_ERROR when
// the window has none.
int SetWindowRgn(HWND wnd, const HRGN& rgn, bool redraw);
int GetWindowRgn(HWND wnd, HRGN rgn);
// ScrollWindow with the uncovered part reported: update (when given) receives it as a region and
// updateRect (when given) its bounds; SW_SCROLLCHILDREN moves the child controls that lie in the
// scrolled part along. The uncovered part is always painted again. Returns NULLREGION,
// SIMPLEREGION or COMPLEXREGION for the uncovered part, RGN_ERROR without a window.
constexpr UINT SW_SCROLLCHILDREN = 0x0001, SW_INVALIDATE = 0x0002, SW_ERASE = 0x0004;
int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scrollRect, const TRect* clipRect, HRGN update,
                   TRect* updateRect, UINT flags);
TControl* FindVCLWindow(TPoint screenPos);
// The form a control lies on (the innermost one; an MDI child's form is the child).
TCustomForm* GetParentForm(const TControl* control);
TCustomForm* ValidParentForm(const TControl* control);
// A canvas over the whole window of a custom control, its frame included (what WM_NCPAINT draws
// on); ReleaseDC gives it back and shows what was drawn. Null for other windows.
HDC GetWindowDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);
// The box DrawText needs for text in the font (DT_CALCRECT with flags), outside any paint.
TRect CalcTextRect(const TFont* font, const AnsiString& text, TRect rect, unsigned flags);

// Text before the first '|' of a hint (the short hint), and after it (the long hint).
AnsiString GetShortHint(const AnsiString& hint);
AnsiString GetLongHint(const AnsiString& hint);

// The mouse as the last input event left it.
class TMouse {
public:
    TPoint CursorPos() const;
    void SetCursorPos(TPoint p);
    TControl* Capture() const;
    void SetCapture(TControl* c);
    // A control is being dragged (or waits for the threshold to start).
    bool IsDragging() const;
    // What an automatic drag (DragMode dmAutomatic) starts with: at once, or after the pointer
    // moved DragThreshold pixels.
    bool DragImmediate() const { return dragImmediate_; }
    void SetDragImmediate(bool b) { dragImmediate_ = b; }
    int DragThreshold() const { return dragThreshold_; }
    void SetDragThreshold(int n) { dragThreshold_ = n; }
    int WheelScrollLines() const { return 3; }
    bool MousePresent() const { return true; }

private:
    bool dragImmediate_ = true;
    int dragThreshold_ = 5;
};
extern TMouse* Mouse;

namespace plantmon::gui {
// The drag machinery's share of a message: true when a running drag took it (the source's moves,
// release and cancel mode, Esc anywhere).
bool DragHandlesMessage(TControl* control, TMessage& m);
bool DragHandlesKey(WORD vk);
// A control going away stops the drag it is the source of.
void ForgetDragControl(TControl* control);
}
