// The bridge between controls and Qt widgets, for the platform's own controls and for tests.
// The system never includes this header.
//
// Every control owns one widget made from HostWidget<QtClass>. The widget's event() hands each Qt
// event to ControlHost::HandleEvent, which turns it into window messages for the control's WndProc;
// a message that reaches TControl::DefaultHandler is given back to the widget's own Qt handling
// (NativeEvent). Events aimed at the inner parts of a compound widget (the line edit of an editable
// combo box, the viewport of a text browser) are caught by the application-wide filter and routed
// the same way, their native handling then being Qt's ordinary delivery.
#pragma once

#include "gui/Controls.h"

#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <exception>
#include <functional>
#include <utility>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace plantmon::gui {

// The Qt event type that carries a posted window message.
QEvent::Type PostedMessageEventType();

class ControlHost;

// What a message carries when it comes from a Qt event (TMessage::Native points to it).
struct NativeInfo {
    QEvent* event = nullptr;
    QObject* target = nullptr;
    ControlHost* host = nullptr;
    // The native handling is done after the message returns (inner parts, key messages):
    // DefaultHandler only records that it was asked for.
    bool deferred = false;
    bool nativeRequested = false;
    bool nativeResult = false;
};

class ControlHost {
public:
    explicit ControlHost(TControl* control) : control_(control) {}
    virtual ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    virtual QWidget* AsWidget() = 0;
    // The widget's own Qt handling of an event (the base class's event()).
    virtual bool NativeEvent(QEvent* e) = 0;

    TControl* Control() const { return control_; }
    // The control goes away: the widget forgets it and ignores further events.
    void Detach() { control_ = nullptr; }

    // Turns a Qt event for target (the widget itself or one of its inner parts) into messages.
    // Returns true when the event was consumed; for an inner part, false lets Qt deliver it.
    bool HandleEvent(QObject* target, QEvent* e);

    // Depth of event handling on the stack (a widget is only deleted when it is zero).
    int depth = 0;
    // The widget is a second host of the same control (a form's client area): it paints and gets
    // the mouse, while the first one is the window frame.
    bool clientPart = false;
    // A custom-painted windowed control keeps what it painted here (see TCustomControl).
    QImage backing;
    QRegion dirty;
    bool backingValid = false;

private:
    bool handlePaint(QEvent* e);
    // The frame of a window whose client part paints: WM_NCPAINT into the kept picture.
    bool paintFrame(QPaintEvent* pe);
    // WM_SETCURSOR for the window under the pointer (hitTest: HTCLIENT, HTBORDER).
    void setCursorFor(QObject* target, int hitTest, UINT mouseMsg);
    bool handleMouse(QObject* target, QMouseEvent* e);
    bool handleKey(QObject* target, QKeyEvent* e);
    bool dispatch(TMessage& m);
    TControl* control_;
};

template <class Base>
class HostWidget : public Base, public ControlHost {
public:
    template <class... Args>
    explicit HostWidget(TControl* control, Args&&... args) : Base(std::forward<Args>(args)...), ControlHost(control) {}
    QWidget* AsWidget() override { return this; }
    bool NativeEvent(QEvent* e) override { return Base::event(e); }

protected:
    bool event(QEvent* e) override { return HandleEvent(this, e); }
};

// The host of a widget, or of the nearest ancestor that is one (nullptr when the widget belongs to
// none of our controls, or to a foreign part such as a menu bar or the MDI area).
ControlHost* HostOf(QObject* object);
TControl* ControlOf(QObject* object);
inline QWidget* WidgetOf(const TControl* c) { return c ? c->Widget() : nullptr; }
// Marks a widget (and what lies inside it) as not belonging to the control it sits in.
void MarkForeign(QWidget* w);
bool IsForeign(const QWidget* w);

// Key codes: Qt key and keypad flag to a virtual-key code (0 when there is none), and back.
WORD QtKeyToVK(int qtKey, bool keypad = false);
int VKToQtKey(WORD vk);
TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton);
Qt::KeyboardModifiers QtModifiersFromShift(TShiftState s);
Qt::CursorShape ToQtCursorShape(TCursor c);
// The cursor a TCursor shows: a stock shape, or the picture registered for a number above 0.
QCursor ToQtCursor(TCursor c);
QCursor ToQtCursor(HCURSOR c);
// The widget WM_SETCURSOR is being handled for (SetCursor shows its cursor there), null outside.
void BeginSetCursor(QWidget* under);
// Ends it: without a SetCursor call the widget shows its own cursor again.
void EndSetCursor();
// The key data of a key message (repeat count, Alt flag, key-up flag).
LPARAM KeyDataFor(const QKeyEvent* e, bool keyUp);

// Runs f; an exception that escapes goes to the application's exception handler (a message box,
// and the loop goes on). Nothing unwinds into Qt.
void HandleEscapedException(TObject* sender);
template <class F>
void SafeCall(TObject* sender, F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
        HandleEscapedException(sender);
    }
}

// Installs the application-wide event filter and focus tracking (idempotent; needs a QApplication).
void EnsureRouter();
// Held around a modal loop (a dialog, a message box): when it ends, the widget that had the focus
// before gets it back and its window becomes active again, which no window system does once the modal
// window is gone. Nothing happens when that widget is gone, hidden or disabled by then.
class ModalFocusGuard {
public:
    ModalFocusGuard();
    ~ModalFocusGuard();
    ModalFocusGuard(const ModalFocusGuard&) = delete;
    ModalFocusGuard& operator=(const ModalFocusGuard&) = delete;

private:
    QPointer<QWidget> focused_;
};

// Records the keyboard modifiers and mouse buttons of an input event (GetKeyState reads them).
void NoteInputState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);

// Deletes a widget now, or later when events of it are still being handled.
void DisposeWidget(ControlHost* host);

// The control holding the mouse: explicit (SetCapture) capture redirects the mouse to it.
TControl* CaptureControl();
void SetCaptureControl(TControl* c, bool explicitCapture = false);

// Every live control (posted messages and handles are checked against it).
bool IsLiveControl(const void* c);
void RegisterLiveControl(const void* c, bool alive);

// The windowed control a widget belongs to (the nearest TWinControl of its control).
TWinControl* WinControlOf(QObject* object);

// Asks control for its hint at the given screen point and shows it now (no pause).
void ShowHintFor(TControl* control, QPoint globalPos);

// A key, character or wheel message sent by code to a natively painted control: the widget's own
// handling of the matching toolkit event.
void DeliverNativeInput(TControl* control, TMessage& m);
// The canvas over the whole window of a control that paints over its native widget, while its
// WM_NCPAINT is handled (null otherwise).
HDC NativeWindowDC(HWND wnd);

}  // namespace plantmon::gui
