// Qt events into window messages: the widget hosts, the application-wide router (message hook,
// shortcuts, dialog keys, inner parts of compound widgets, mouse capture, focus), the message queue
// of posted messages, keyboard state, the caret, window timers, beeps.
#include "gui/QtControlsInternal.h"

#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/QtGraphicsInternal.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>

namespace plantmon::gui {

namespace {

// ---- Live controls -------------------------------------------------------------------------------
std::mutex g_liveMutex;
std::unordered_set<const void*>& liveSet() {
    static std::unordered_set<const void*> s;
    return s;
}

// Depth of event handling of all hosts together.
int g_globalDepth = 0;

// ---- Input state ---------------------------------------------------------------------------------
std::atomic<unsigned> g_modifiers{0};
std::atomic<unsigned> g_buttons{0};
std::atomic<DWORD> g_messageTime{0};
std::atomic<DWORD> g_messagePos{0};

QElapsedTimer& clock() {
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t;
}

// Message times count from 1: time 0 stands for "no message" where a time is kept (a press
// already paired into a double click), as the window system's times never are 0.
DWORD messageClock() { return static_cast<DWORD>(clock().elapsed()) + 1; }

// ---- Capture -------------------------------------------------------------------------------------
TControl* g_capture = nullptr;
bool g_captureExplicit = false;

// ---- Queue ---------------------------------------------------------------------------------------
struct Queued {
    std::uint64_t id = 0;
    HWND wnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    // A character of the key being handled: it is dispatched by the key handling, not by the loop.
    bool keyChar = false;
};
std::mutex g_queueMutex;
std::deque<Queued> g_queue;
std::uint64_t g_nextId = 1;

class PostedEvent : public QEvent {
public:
    explicit PostedEvent(std::uint64_t id) : QEvent(PostedMessageEventType()), id(id) {}
    std::uint64_t id;
};

// Receives posted messages in the GUI thread and hands them to their windows.
class MessagePump : public QObject {
public:
    bool event(QEvent* e) override;
};

MessagePump* pump() {
    static MessagePump* p = [] {
        auto* m = new MessagePump();
        if (QCoreApplication::instance()) m->moveToThread(QCoreApplication::instance()->thread());
        return m;
    }();
    return p;
}

bool takeQueued(std::uint64_t id, Queued& out) {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (it->id == id) {
            out = *it;
            g_queue.erase(it);
            return true;
        }
    }
    return false;
}

std::uint64_t enqueue(HWND wnd, UINT msg, WPARAM w, LPARAM l, bool keyChar) {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    Queued q;
    q.id = g_nextId++;
    q.wnd = wnd;
    q.msg = msg;
    q.wParam = w;
    q.lParam = l;
    q.time = messageClock();
    q.keyChar = keyChar;
    g_queue.push_back(q);
    return q.id;
}

bool runMessageHook(TMsg& msg);

bool MessagePump::event(QEvent* e) {
    if (e->type() != PostedMessageEventType()) return QObject::event(e);
    Queued q;
    if (!takeQueued(static_cast<PostedEvent*>(e)->id, q)) return true;  // removed by PeekMessage
    if (q.msg == WM_QUIT) {
        if (Application) Application->Terminate();
        return true;
    }
    if (q.wnd && !IsLiveControl(q.wnd)) return true;
    g_messageTime = q.time;
    TMsg msg;
    msg.hwnd = q.wnd;
    msg.message = q.msg;
    msg.wParam = q.wParam;
    msg.lParam = q.lParam;
    msg.time = q.time;
    if (runMessageHook(msg)) return true;
    if (q.wnd && IsLiveControl(q.wnd)) {
        HWND target = q.wnd;
        SafeCall(target, [&] { target->Perform(q.msg, q.wParam, q.lParam); });
    }
    return true;
}

// ---- Key tracking --------------------------------------------------------------------------------
// The key event whose hook has run already (ShortcutOverride comes before KeyPress).
struct KeyMark {
    const void* receiver = nullptr;
    int key = 0;
    unsigned mods = 0;
    unsigned long timestamp = 0;
    bool valid = false;
    bool matches(QObject* r, QKeyEvent* e) const {
        return valid && receiver == r && key == e->key() && mods == static_cast<unsigned>(e->modifiers()) &&
               timestamp == e->timestamp();
    }
    void set(QObject* r, QKeyEvent* e) {
        receiver = r;
        key = e->key();
        mods = static_cast<unsigned>(e->modifiers());
        timestamp = e->timestamp();
        valid = true;
    }
};
KeyMark g_hookAsked;
KeyMark g_swallow;
// An event the platform sends itself; the router lets it through untouched.
const QEvent* g_bypass = nullptr;

// ---- Caret ---------------------------------------------------------------------------------------
struct Caret {
    HWND owner = nullptr;
    int width = 0, height = 0;
    TPoint pos;
    int hideCount = 1;  // created hidden
};
Caret g_caret;

// ---- Window timers -------------------------------------------------------------------------------
struct TimerKey {
    HWND wnd;
    UINT_PTR id;
    bool operator<(const TimerKey& o) const { return wnd != o.wnd ? wnd < o.wnd : id < o.id; }
};
std::map<TimerKey, QTimer*>& timers() {
    static std::map<TimerKey, QTimer*> t;
    return t;
}

void killTimersOf(const void* wnd) {
    auto& t = timers();
    for (auto it = t.begin(); it != t.end();) {
        if (it->first.wnd == wnd) {
            it->second->stop();
            it->second->deleteLater();
            it = t.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- Painting over native widgets -----------------------------------------------------------------
struct NativeWindowDCEntry {
    HWND wnd = nullptr;
    TCanvas* canvas = nullptr;
};
NativeWindowDCEntry g_nativeWindowDC;

// ---- Beeps ---------------------------------------------------------------------------------------
std::atomic<int> g_beeps{0};

// ---- Router --------------------------------------------------------------------------------------
class Router : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override;
    void focusChanged(QWidget* old, QWidget* now);
};
Router* g_router = nullptr;

HWND windowOf(QObject* obj) { return WinControlOf(obj); }

bool runMessageHook(TMsg& msg) {
    if (!Application || !Application->OnMessage) return false;
    bool handled = false;
    SafeCall(Application, [&] { Application->OnMessage(msg, handled); });
    return handled;
}

bool keyHook(QObject* obj, QKeyEvent* ke, bool up) {
    WORD vk = QtKeyToVK(ke->key(), ke->modifiers() & Qt::KeypadModifier);
    if (vk == 0) return false;
    bool alt = (ke->modifiers() & Qt::AltModifier) && !(ke->modifiers() & Qt::ControlModifier);
    TMsg msg;
    msg.hwnd = windowOf(obj);
    msg.message = up ? (alt ? WM_SYSKEYUP : WM_KEYUP) : (alt ? WM_SYSKEYDOWN : WM_KEYDOWN);
    msg.wParam = vk;
    msg.lParam = KeyDataFor(ke, up);
    msg.time = messageClock();
    return runMessageHook(msg);
}

// The window message of a mouse event: a press, double click or release of the left, right or
// middle button, or a move; 0 for any other event.
UINT mouseMessage(QEvent::Type type, Qt::MouseButton b) {
    switch (type) {
    case QEvent::MouseButtonPress:
        return b == Qt::RightButton ? WM_RBUTTONDOWN : b == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
    case QEvent::MouseButtonDblClick:
        return b == Qt::RightButton ? WM_RBUTTONDBLCLK : b == Qt::MiddleButton ? WM_MBUTTONDBLCLK : WM_LBUTTONDBLCLK;
    case QEvent::MouseButtonRelease:
        return b == Qt::RightButton ? WM_RBUTTONUP : b == Qt::MiddleButton ? WM_MBUTTONUP : WM_LBUTTONUP;
    case QEvent::MouseMove: return WM_MOUSEMOVE;
    default: return 0;
    }
}

// The wParam of a mouse message: the buttons held, Shift and Ctrl.
WPARAM mouseKeys(const QMouseEvent* me) {
    WPARAM keys = 0;
    if (me->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
    if (me->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
    if (me->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (me->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (me->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

bool mouseHook(QObject* obj, QMouseEvent* me) {
    if (!Application || !Application->OnMessage) return false;
    const UINT m = mouseMessage(me->type(), me->button());
    if (m == 0) return false;
    TMsg msg;
    msg.hwnd = windowOf(obj);
    msg.message = m;
    TWinControl* w = msg.hwnd;
    QPoint local = me->position().toPoint();
    if (w && w->ClientWidget()) local = w->ClientWidget()->mapFromGlobal(me->globalPosition().toPoint());
    msg.lParam = MAKELPARAM(local.x(), local.y());
    msg.wParam = mouseKeys(me);
    QPoint g = me->globalPosition().toPoint();
    msg.ptX = g.x();
    msg.ptY = g.y();
    msg.time = messageClock();
    return runMessageHook(msg);
}

bool isOurs(QObject* obj) {
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w) return false;
    for (QWidget* p = w; p; p = p->parentWidget())
        if (dynamic_cast<ControlHost*>(p)) return true;
    return false;
}

// The inner part's event goes through the control that holds it.
bool routeInner(QObject* obj, QEvent* e) {
    ControlHost* h = HostOf(obj);
    if (!h || h->AsWidget() == obj || !h->Control()) return false;
    return h->HandleEvent(obj, e);
}

bool Router::eventFilter(QObject* obj, QEvent* e) {
    if (e == g_bypass) return false;
    switch (e->type()) {
    case QEvent::ShortcutOverride: {
        if (!isOurs(obj)) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        NoteInputState(ke->modifiers(), QGuiApplication::mouseButtons());
        g_hookAsked.set(obj, ke);
        if (keyHook(obj, ke, false)) {
            // The hook took the key: no shortcut of the toolkit (MDI window keys) may act on it, and
            // the key press that follows is dropped.
            e->accept();
            g_swallow.set(obj, ke);
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        if (!isOurs(obj)) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        NoteInputState(ke->modifiers(), QGuiApplication::mouseButtons());
        // Esc ends a drag wherever the focus is.
        if (DragHandlesKey(QtKeyToVK(ke->key(), false))) return true;
        if (g_swallow.matches(obj, ke)) {
            g_swallow.valid = false;
            return true;
        }
        bool asked = g_hookAsked.matches(obj, ke);
        g_hookAsked.valid = false;
        if (!asked && keyHook(obj, ke, false)) return true;
        // Shortcuts of menus and actions, then the dialog keys (Tab, arrows, Return, Escape).
        TWinControl* w = WinControlOf(obj);
        WORD vk = QtKeyToVK(ke->key(), ke->modifiers() & Qt::KeypadModifier);
        if (w && vk != 0) {
            bool alt = (ke->modifiers() & Qt::AltModifier) && !(ke->modifiers() & Qt::ControlModifier);
            LRESULT r = 0;
            LPARAM kd = KeyDataFor(ke, false);
            QPointer<QObject> guard(obj);
            SafeCall(w, [&] { r = w->Perform(alt ? CN_SYSKEYDOWN : CN_KEYDOWN, vk, kd); });
            if (r != 0 || !guard) return true;
        }
        return routeInner(obj, e);
    }
    case QEvent::KeyRelease: {
        if (!isOurs(obj)) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        NoteInputState(ke->modifiers(), QGuiApplication::mouseButtons());
        if (keyHook(obj, ke, true)) return true;
        return routeInner(obj, e);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        if (!qobject_cast<QWidget*>(obj)) return false;
        auto* me = static_cast<QMouseEvent*>(e);
        NoteInputState(me->modifiers(), me->buttons());
        QPoint g = me->globalPosition().toPoint();
        g_messagePos = static_cast<DWORD>(MAKELPARAM(g.x(), g.y()));
        g_messageTime = messageClock();
        if (!isOurs(obj)) return false;
        if (mouseHook(obj, me)) return true;
        // An explicit capture takes every mouse event.
        if (g_capture && g_captureExplicit && IsLiveControl(g_capture)) {
            TControl* c = ControlOf(obj);
            if (c != g_capture && g_capture->Host()) {
                QWidget* cw = g_capture->Widget();
                QPointF local = cw->mapFromGlobal(me->globalPosition());
                QMouseEvent copy(me->type(), local, me->globalPosition(), me->button(), me->buttons(),
                                 me->modifiers());
                g_capture->Host()->HandleEvent(cw, &copy);
                return true;
            }
        }
        return routeInner(obj, e);
    }
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        if (!isOurs(obj)) return false;
        return routeInner(obj, e);
    default:
        return false;
    }
}

void Router::focusChanged(QWidget* old, QWidget* now) {
    TWinControl* o = old ? WinControlOf(old) : nullptr;
    TWinControl* n = now ? WinControlOf(now) : nullptr;
    if (o == n) return;
    if (o && IsLiveControl(o)) SafeCall(o, [&] { o->Perform(WM_KILLFOCUS, reinterpret_cast<WPARAM>(n), 0); });
    if (n && IsLiveControl(n)) SafeCall(n, [&] { n->Perform(WM_SETFOCUS, reinterpret_cast<WPARAM>(o), 0); });
}

}  // namespace

// ---- Exported helpers ----------------------------------------------------------------------------

QEvent::Type PostedMessageEventType() {
    static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

void EnsureRouter() {
    if (g_router || !QCoreApplication::instance()) return;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return;
    g_router = new Router();
    // The program ends when its main form closes, not when the last window happens to close (a
    // login dialog before the main window, a console over a hidden main window).
    app->setQuitOnLastWindowClosed(false);
    app->installEventFilter(g_router);
    QObject::connect(app, &QApplication::focusChanged, g_router,
                     [](QWidget* o, QWidget* n) { g_router->focusChanged(o, n); });
    pump();
}

bool IsLiveControl(const void* c) {
    if (!c) return false;
    std::lock_guard<std::mutex> lock(g_liveMutex);
    return liveSet().count(c) != 0;
}

void RegisterLiveControl(const void* c, bool alive) {
    {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        if (alive) liveSet().insert(c);
        else liveSet().erase(c);
    }
    if (!alive) {
        if (g_capture == c) {
            g_capture = nullptr;
            g_captureExplicit = false;
        }
        if (g_caret.owner == c) g_caret = Caret();
        killTimersOf(c);
        std::lock_guard<std::mutex> lock(g_queueMutex);
        for (auto it = g_queue.begin(); it != g_queue.end();) {
            if (it->wnd == c) it = g_queue.erase(it);
            else ++it;
        }
    }
}

ControlHost::~ControlHost() = default;

ControlHost* HostOf(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w) return nullptr;
        if (auto* h = dynamic_cast<ControlHost*>(w)) return h;
        if (IsForeign(w)) return nullptr;
        if (w->isWindow()) return nullptr;
    }
    return nullptr;
}

TControl* ControlOf(QObject* object) {
    ControlHost* h = HostOf(object);
    return h ? h->Control() : nullptr;
}

TWinControl* WinControlOf(QObject* object) {
    for (TControl* c = ControlOf(object); c; c = c->Parent())
        if (auto* w = dynamic_cast<TWinControl*>(c)) return w;
    return nullptr;
}

void MarkForeign(QWidget* w) { w->setProperty("plantmon_foreign", true); }
bool IsForeign(const QWidget* w) { return w->property("plantmon_foreign").toBool(); }

void NoteInputState(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    g_modifiers = static_cast<unsigned>(mods);
    g_buttons = static_cast<unsigned>(buttons);
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

Qt::KeyboardModifiers QtModifiersFromShift(TShiftState s) {
    Qt::KeyboardModifiers m;
    if (s & ssShift) m |= Qt::ShiftModifier;
    if (s & ssCtrl) m |= Qt::ControlModifier;
    if (s & ssAlt) m |= Qt::AltModifier;
    return m;
}

LPARAM KeyDataFor(const QKeyEvent* e, bool keyUp) {
    std::uint32_t kd = static_cast<std::uint32_t>(std::max(1, e->count())) & 0xFFFF;
    kd |= (e->nativeScanCode() & 0xFF) << 16;
    if ((e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier)) kd |= 0x20000000u;
    if (e->isAutoRepeat() || keyUp) kd |= 0x40000000u;
    if (keyUp) kd |= 0x80000000u;
    return static_cast<LPARAM>(static_cast<std::int32_t>(kd));
}

WORD QtKeyToVK(int k, bool keypad) {
    if (keypad) {
        switch (k) {
        case Qt::Key_0: return VK_NUMPAD0;
        case Qt::Key_1: return VK_NUMPAD1;
        case Qt::Key_2: return VK_NUMPAD2;
        case Qt::Key_3: return VK_NUMPAD3;
        case Qt::Key_4: return VK_NUMPAD4;
        case Qt::Key_5: return VK_NUMPAD5;
        case Qt::Key_6: return VK_NUMPAD6;
        case Qt::Key_7: return VK_NUMPAD7;
        case Qt::Key_8: return VK_NUMPAD8;
        case Qt::Key_9: return VK_NUMPAD9;
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Period: return VK_DECIMAL;
        case Qt::Key_Comma: return VK_DECIMAL;
        case Qt::Key_Slash: return VK_DIVIDE;
        case Qt::Key_Enter: return VK_RETURN;
        default: break;
        }
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<WORD>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return static_cast<WORD>('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (k - Qt::Key_F1));
    // Cyrillic letters arrive as their own key codes on a Russian layout: the key is the Latin
    // letter on the same key, as the virtual-key code is.
    static const std::map<int, char> cyr = {
        {0x0439, 'Q'}, {0x0446, 'W'}, {0x0443, 'E'}, {0x043A, 'R'}, {0x0435, 'T'}, {0x043D, 'Y'},
        {0x0433, 'U'}, {0x0448, 'I'}, {0x0449, 'O'}, {0x0437, 'P'}, {0x0444, 'A'}, {0x044B, 'S'},
        {0x0432, 'D'}, {0x0430, 'F'}, {0x043F, 'G'}, {0x0440, 'H'}, {0x043E, 'J'}, {0x043B, 'K'},
        {0x0434, 'L'}, {0x044F, 'Z'}, {0x0447, 'X'}, {0x0441, 'C'}, {0x043C, 'V'}, {0x0438, 'B'},
        {0x0442, 'N'}, {0x044C, 'M'}, {0x0445, VK_OEM_4}, {0x044A, VK_OEM_6}, {0x0436, VK_OEM_1},
        {0x044D, VK_OEM_7}, {0x0431, VK_OEM_COMMA}, {0x044E, VK_OEM_PERIOD}, {0x0451, VK_OEM_3}};
    int lower = k;
    if (k >= 0x0410 && k <= 0x042F) lower = k + 0x20;
    if (k == 0x0401) lower = 0x0451;
    if (auto it = cyr.find(lower); it != cyr.end()) return static_cast<WORD>(static_cast<unsigned char>(it->second));
    switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Select: return VK_SELECT;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Execute: return VK_EXECUTE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    // Shifted digits on a US layout come as their symbols.
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
    }
}

int VKToQtKey(WORD vk) {
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return Qt::Key_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_CLEAR: return Qt::Key_Clear;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_PAUSE: return Qt::Key_Pause;
    case VK_CAPITAL: return Qt::Key_CapsLock;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_HELP: return Qt::Key_Help;
    case VK_APPS: return Qt::Key_Menu;
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DECIMAL: return Qt::Key_Period;
    case VK_DIVIDE: return Qt::Key_Slash;
    case VK_OEM_1: return Qt::Key_Semicolon;
    case VK_OEM_PLUS: return Qt::Key_Equal;
    case VK_OEM_COMMA: return Qt::Key_Comma;
    case VK_OEM_MINUS: return Qt::Key_Minus;
    case VK_OEM_PERIOD: return Qt::Key_Period;
    case VK_OEM_2: return Qt::Key_Slash;
    case VK_OEM_3: return Qt::Key_QuoteLeft;
    case VK_OEM_4: return Qt::Key_BracketLeft;
    case VK_OEM_5: return Qt::Key_Backslash;
    case VK_OEM_6: return Qt::Key_BracketRight;
    case VK_OEM_7: return Qt::Key_Apostrophe;
    default: return 0;
    }
}

Qt::CursorShape ToQtCursorShape(TCursor c) {
    switch (c) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

void HandleEscapedException(TObject* sender) {
    try {
        if (Application) Application->HandleException(sender);
    } catch (...) {
        // The handler itself failed: nothing may unwind into the toolkit.
    }
}

void DisposeWidget(ControlHost* host) {
    QWidget* w = host->AsWidget();
    if (g_globalDepth > 0 || host->depth > 0) {
        w->hide();
        w->deleteLater();
    } else {
        delete w;
    }
}

TControl* CaptureControl() { return g_capture; }

void SetCaptureControl(TControl* c, bool explicitCapture) {
    TControl* old = g_capture;
    g_capture = c;
    g_captureExplicit = c && explicitCapture;
    if (old && old != c && IsLiveControl(old)) {
        TControl* o = old;
        SafeCall(o, [&] { o->Perform(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(c)); });
    }
}

// ---- ControlHost ---------------------------------------------------------------------------------

namespace {
struct DepthGuard {
    ControlHost* h;
    explicit DepthGuard(ControlHost* host) : h(host) {
        ++h->depth;
        ++g_globalDepth;
    }
    ~DepthGuard() {
        --h->depth;
        --g_globalDepth;
    }
};

// The native handling of an inner part's event: Qt's delivery to the part (its filters included).
// What the part leaves unhandled travels up to the host, which then handles it natively only.
bool deliverInner(QObject* target, QEvent* e) {
    const QEvent* prev = g_bypass;
    g_bypass = e;
    QCoreApplication::sendEvent(target, e);
    g_bypass = prev;
    return true;
}
}  // namespace

bool ControlHost::dispatch(TMessage& m) {
    TControl* c = control_;
    if (!c) return false;
    SafeCall(c, [&] { c->runWindowProc(m); });
    return true;
}

bool ControlHost::HandleEvent(QObject* target, QEvent* e) {
    bool own = target == AsWidget();
    if (!control_) return own ? NativeEvent(e) : false;
    // An inner part's event travelling up after its native handling: native handling only.
    if (own && e == g_bypass) return NativeEvent(e);
    DepthGuard guard(this);
    TControl* c = control_;
    // The control may handle some toolkit events itself (window frames, native signals).
    bool consumed = false;
    bool result = false;
    SafeCall(c, [&] { consumed = c->WidgetEvent(target, e, result); });
    if (consumed) return result;
    if (!control_) return own ? false : true;
    switch (e->type()) {
    case QEvent::Paint:
        if (own) return handlePaint(e);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return handleMouse(target, static_cast<QMouseEvent*>(e));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return handleKey(target, static_cast<QKeyEvent*>(e));
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        NoteInputState(we->modifiers(), we->buttons());
        int delta = we->angleDelta().y();
        if (delta == 0) delta = we->angleDelta().x();
        WPARAM keys = 0;
        if (we->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
        if (we->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
        if (we->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
        if (we->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
        if (we->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
        QPoint g = we->globalPosition().toPoint();
        NativeInfo info{e, target, this, !own};
        TMessage m(WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(keys), delta), MAKELPARAM(g.x(), g.y()));
        m.Native = &info;
        dispatch(m);
        if (!own && info.nativeRequested) deliverInner(target, e);
        // Parents were asked through CM_MOUSEWHEEL already: the toolkit must not pass it up again.
        e->accept();
        return true;
    }
    case QEvent::Enter:
        if (!own) return false;
        // The client part of a window lies inside the window: the pointer entered that already.
        if (clientPart) return NativeEvent(e);
        {
            TMessage m(CM_MOUSEENTER);
            dispatch(m);
            if (Application && control_) Application->SetHint(GetLongHint(control_->Hint()));
        }
        return NativeEvent(e);
    case QEvent::Leave:
        if (!own) return false;
        if (clientPart) return NativeEvent(e);
        {
            TMessage m(CM_MOUSELEAVE);
            dispatch(m);
            if (Application) Application->CancelHint();
        }
        return NativeEvent(e);
    case QEvent::ContextMenu: {
        auto* ce = static_cast<QContextMenuEvent*>(e);
        e->accept();
        // A menu asked for by the mouse comes from the right button's release (WM_RBUTTONUP);
        // only the keyboard's menu key arrives here.
        if (ce->reason() == QContextMenuEvent::Mouse) return true;
        NativeInfo info{e, target, this, !own};
        TMessage m(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(WinControlOf(AsWidget())), LPARAM(-1));
        m.Native = &info;
        dispatch(m);
        if (!own && info.nativeRequested) deliverInner(target, e);
        return true;
    }
    case QEvent::ToolTip:
        // When a hint shows is the application's decision (HintMouseMessage), not the toolkit's.
        return own;
    default:
        if (e->type() == PostedMessageEventType()) return true;
        return own ? NativeEvent(e) : false;
    }
}

bool ControlHost::handlePaint(QEvent* e) {
    TControl* c = control_;
    auto* pe = static_cast<QPaintEvent*>(e);
    QWidget* w = AsWidget();
    switch (c->PaintMode()) {
    case TControl::PaintKind::Native: {
        if (!c->PaintsOverNative()) {
            NativeInfo info{e, w, this, false};
            TMessage m(WM_PAINT);
            m.Native = &info;
            dispatch(m);
            return info.nativeRequested ? info.nativeResult : true;
        }
        // The control draws on a see-through layer; the widget paints first when asked to, the
        // layer goes over it. Without the widget's painting the background is the control's colour.
        QSize sz = w->size();
        if (sz.isEmpty()) return true;
        QImage layer(sz, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        TCanvas canvas;
        NativeInfo info{e, w, this, false};
        {
            QPainter lp(&layer);
            TCanvasPaintScope scope(canvas, &lp, sz);
            canvas.Font()->Assign(c->Font());
            canvas.Brush()->SetColor(c->Color());
            TMessage m(WM_PAINT, reinterpret_cast<WPARAM>(&canvas));
            m.Native = &info;
            dispatch(m);
            if (control_) {
                // The window's edge: the control may draw a border of its own over it.
                g_nativeWindowDC = {WinControlOf(w), &canvas};
                TMessage nc(WM_NCPAINT, 1);
                dispatch(nc);
                g_nativeWindowDC = {};
            }
        }
        QPainter p(w);
        if (!info.nativeRequested) p.fillRect(QRect(QPoint(0, 0), sz), ToQColor(c->Color()));
        p.drawImage(0, 0, layer);
        return true;
    }
    case TControl::PaintKind::Graphic: {
        TCanvas* canvas = c->PaintCanvas();
        QPainter p(w);
        p.setClipRegion(pe->region());
        auto* cc = dynamic_cast<TControlCanvas*>(canvas);
        if (cc) cc->FreeHandle();
        {
            TCanvasPaintScope scope(*canvas, &p, w->size());
            canvas->Font()->Assign(c->Font());
            canvas->SetClipRegion(nullptr);
            TMessage m(WM_PAINT, reinterpret_cast<WPARAM>(canvas));
            dispatch(m);
        }
        return true;
    }
    case TControl::PaintKind::Kept: {
        if (!clientPart && c->PaintHost() != this) return paintFrame(pe);
        TCanvas* canvas = c->PaintCanvas();
        auto* cc = dynamic_cast<TControlCanvas*>(canvas);
        // Drawing done outside a paint is already in the picture; let go of it first.
        if (cc) cc->FreeHandle();
        if (canvas && canvas->Device()) DetachImage(*canvas);
        QSize sz = w->size();
        if (sz.isEmpty()) return true;
        if (backing.size() != sz) {
            QImage img(sz, QImage::Format_RGB32);
            img.fill(ToQColor(c->Color()));
            if (!backing.isNull()) {
                QPainter cp(&img);
                cp.drawImage(0, 0, backing);
            }
            backing = img;
            dirty = QRegion(0, 0, sz.width(), sz.height());
        }
        if (!backingValid) {
            dirty = QRegion(0, 0, sz.width(), sz.height());
            backingValid = true;
        }
        dirty &= QRegion(0, 0, sz.width(), sz.height());
        if (!dirty.isEmpty() && canvas) {
            QRegion region = dirty;
            dirty = QRegion();
            QPainter bp(&backing);
            bp.setClipRegion(region);
            {
                TCanvasPaintScope scope(*canvas, &bp, sz);
                canvas->Font()->Assign(c->Font());
                canvas->Brush()->SetColor(c->Color());
                TMessage erase(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas));
                dispatch(erase);
                if (control_) {
                    TMessage m(WM_PAINT, reinterpret_cast<WPARAM>(canvas));
                    dispatch(m);
                }
            }
        }
        QPainter p(w);
        for (const QRect& r : pe->region()) p.drawImage(r, backing, r);
        return true;
    }
    }
    return true;
}

bool ControlHost::paintFrame(QPaintEvent* pe) {
    QWidget* w = AsWidget();
    QSize sz = w->size();
    if (sz.isEmpty()) return true;
    if (backing.size() != sz) {
        QImage img(sz, QImage::Format_RGB32);
        img.fill(ToQColor(clBtnFace));
        backing = img;
        dirty = QRegion(0, 0, sz.width(), sz.height());
    }
    if (!dirty.isEmpty()) {
        dirty = QRegion();
        TMessage m(WM_NCPAINT, 1);
        dispatch(m);
    }
    QPainter p(w);
    for (const QRect& r : pe->region()) p.drawImage(r, backing, r);
    return true;
}

void ControlHost::setCursorFor(QObject* target, int hitTest, UINT mouseMsg) {
    if (CaptureControl() || QGuiApplication::mouseButtons() != Qt::NoButton) {
        if (mouseMsg == WM_MOUSEMOVE) return;
    }
    TWinControl* wc = WinControlOf(AsWidget());
    if (!wc) return;
    auto* under = qobject_cast<QWidget*>(target);
    BeginSetCursor(under ? under : AsWidget());
    SafeCall(wc, [&] { wc->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(wc), MAKELPARAM(hitTest, static_cast<int>(mouseMsg))); });
    EndSetCursor();
}

bool ControlHost::handleMouse(QObject* target, QMouseEvent* me) {
    TControl* c = control_;
    bool own = target == AsWidget();
    UINT msg = mouseMessage(me->type(), me->button());
    if (msg == 0) msg = WM_MOUSEMOVE;
    if (own && !clientPart && c->PaintHost() != this) {
        // The window's frame around its client part: no client message; the cursor is the frame's.
        NoteInputState(me->modifiers(), me->buttons());
        if (msg == WM_MOUSEMOVE) setCursorFor(target, HTBORDER, msg);
        me->accept();
        return true;
    }
    if (msg != WM_MOUSEMOVE || !CaptureControl()) {
        if (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN)
            if (dynamic_cast<TWinControl*>(c) || c->Parent()) setCursorFor(target, HTCLIENT, msg);
        if (!control_) return true;
    }
    if (me->type() == QEvent::MouseButtonDblClick && !(c->ControlStyle() & csDoubleClicks)) {
        // A control without double clicks sees a second press instead.
        msg = mouseMessage(QEvent::MouseButtonPress, me->button());
    }
    QWidget* cw = c->Widget();
    if (auto* wc = dynamic_cast<TWinControl*>(c)) cw = wc->ClientWidget();
    QPoint local = cw ? cw->mapFromGlobal(me->globalPosition().toPoint()) : me->position().toPoint();
    const WPARAM keys = mouseKeys(me);
    NoteInputState(me->modifiers(), me->buttons());
    NativeInfo info{me, target, this, !own};
    TMessage m(msg, keys, MAKELPARAM(local.x(), local.y()));
    m.Native = &info;
    dispatch(m);
    if (!own && info.nativeRequested) deliverInner(target, me);
    if (Application && control_) {
        // A move times the hint of what lies under the pointer; a press puts the hint away.
        if (me->type() == QEvent::MouseMove) Application->HintMouseMessage(control_, TPoint(local.x(), local.y()));
        else if (me->type() != QEvent::MouseButtonRelease) Application->CancelHint();
    }
    // A window's mouse message is its own: it never travels on to the parent window.
    me->accept();
    return true;
}

bool ControlHost::handleKey(QObject* target, QKeyEvent* ke) {
    TControl* c = control_;
    bool own = target == AsWidget();
    NoteInputState(ke->modifiers(), QGuiApplication::mouseButtons());
    WORD vk = QtKeyToVK(ke->key(), ke->modifiers() & Qt::KeypadModifier);
    bool alt = (ke->modifiers() & Qt::AltModifier) && !(ke->modifiers() & Qt::ControlModifier);
    // Keys never travel on to the parent window: what the widget leaves is dropped.
    auto native = [&](QKeyEvent* ev) -> bool {
        if (own) NativeEvent(ev);
        else deliverInner(target, ev);
        ke->accept();
        return true;
    };
    if (ke->type() == QEvent::KeyRelease) {
        if (vk == 0) return own ? NativeEvent(ke) : false;
        NativeInfo info{nullptr, target, this, true};
        TMessage m(alt ? WM_SYSKEYUP : WM_KEYUP, vk, KeyDataFor(ke, true));
        m.Native = &info;
        dispatch(m);
        if (!info.nativeRequested) {
            ke->accept();
            return true;
        }
        return native(ke);
    }
    if (Application) Application->CancelHint();
    // A key press is a key-down followed by the characters it types, as the window system sends
    // them: the characters are queued first (a handler may take them out with PeekMessage) and
    // come even when the key-down was consumed.
    LPARAM kd = KeyDataFor(ke, false);
    std::vector<std::uint64_t> charIds;
    HWND wnd = WinControlOf(AsWidget());
    UINT charMsg = alt ? WM_SYSCHAR : WM_CHAR;
    const QString text = ke->text();
    for (char32_t cp : text.toUcs4()) charIds.push_back(enqueue(wnd, charMsg, static_cast<WPARAM>(cp), kd, true));
    bool downDefault = true;
    if (vk != 0) {
        NativeInfo info{nullptr, target, this, true};
        TMessage m(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, kd);
        m.Native = &info;
        dispatch(m);
        downDefault = info.nativeRequested;
    }
    QString chars;
    bool charsChanged = false;
    for (std::size_t i = 0; i < charIds.size(); ++i) {
        Queued q;
        if (!takeQueued(charIds[i], q)) {
            charsChanged = true;  // removed by the handler
            continue;
        }
        if (!control_) continue;
        NativeInfo info{nullptr, target, this, true};
        TMessage m(q.msg, q.wParam, q.lParam);
        m.Native = &info;
        dispatch(m);
        if (info.nativeRequested && m.WParam != 0) {
            char32_t cp = static_cast<char32_t>(m.WParam);
            chars += QString::fromUcs4(&cp, 1);
            if (m.WParam != q.wParam) charsChanged = true;
        } else {
            charsChanged = true;
        }
    }
    if (!control_ || !IsLiveControl(c)) return true;
    if (downDefault && !charsChanged) return native(ke);
    if (!downDefault && chars.isEmpty()) {
        ke->accept();
        return true;
    }
    // The widget sees what is left of the key: the key without its characters, or the characters
    // without the key.
    QKeyEvent copy(QEvent::KeyPress, downDefault ? ke->key() : Qt::Key_unknown,
                   downDefault ? ke->modifiers() : (ke->modifiers() & ~(Qt::ControlModifier | Qt::AltModifier)),
                   chars, ke->isAutoRepeat(), static_cast<quint16>(ke->count()));
    native(&copy);
    return true;
}

HDC NativeWindowDC(HWND wnd) { return wnd && wnd == g_nativeWindowDC.wnd ? g_nativeWindowDC.canvas : nullptr; }

void DeliverNativeInput(TControl* control, TMessage& m) {
    ControlHost* h = control->Host();
    if (!h) return;
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const int key = VKToQtKey(static_cast<WORD>(m.WParam));
        if (key == 0) return;
        TShiftState shift = KeyDataToShiftState(m.LParam);
        const bool up = m.Msg == WM_KEYUP || m.Msg == WM_SYSKEYUP;
        QKeyEvent ke(up ? QEvent::KeyRelease : QEvent::KeyPress, key, QtModifiersFromShift(shift));
        h->NativeEvent(&ke);
        return;
    }
    case WM_CHAR: {
        auto cp = static_cast<char32_t>(m.WParam);
        // Control characters type nothing (their keys act on key-down).
        if (cp < 32) return;
        QKeyEvent ke(QEvent::KeyPress, Qt::Key_unknown, QtModifiersFromShift(CurrentShiftState() & (ssShift)),
                     QString::fromUcs4(&cp, 1));
        h->NativeEvent(&ke);
        return;
    }
    case WM_MOUSEWHEEL: {
        QWidget* w = h->AsWidget();
        const int delta = static_cast<std::int16_t>(HIWORD(m.WParam));
        const WORD keys = LOWORD(m.WParam);
        Qt::KeyboardModifiers mods;
        if (keys & MK_SHIFT) mods |= Qt::ShiftModifier;
        if (keys & MK_CONTROL) mods |= Qt::ControlModifier;
        QPoint global(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        // A scrolling widget takes the wheel over its viewport.
        QWidget* target = w;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w); area && area->viewport()) target = area->viewport();
        QWheelEvent we(QPointF(target->mapFromGlobal(global)), QPointF(global), QPoint(), QPoint(0, delta), Qt::NoButton,
                       mods, Qt::NoScrollPhase, false);
        if (target == w) h->NativeEvent(&we);
        else deliverInner(target, &we);
        m.Result = we.isAccepted() ? 1 : 0;
        return;
    }
    default: return;
    }
}

void ShowHintFor(TControl* control, QPoint globalPos) {
    if (Application) Application->ActivateHint(control, TPoint(globalPos.x(), globalPos.y()));
}

}  // namespace plantmon::gui

using namespace plantmon::gui;

TShiftState CurrentShiftState() {
    return ShiftFromQt(Qt::KeyboardModifiers(g_modifiers.load()), Qt::MouseButtons(g_buttons.load()));
}

// ---- Message queue -------------------------------------------------------------------------------

bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!wnd || !QCoreApplication::instance()) return false;
    std::uint64_t id = enqueue(wnd, msg, wParam, lParam, false);
    QCoreApplication::postEvent(pump(), new PostedEvent(id));
    return true;
}

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!wnd) return 0;
    return wnd->Perform(msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    if (!QCoreApplication::instance()) return;
    std::uint64_t id = enqueue(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, false);
    QCoreApplication::postEvent(pump(), new PostedEvent(id));
}

namespace {
std::function<bool()>& keyPendingProbe() {
    static std::function<bool()> probe;
    return probe;
}
std::function<TRect(const TRect*)>& workAreaSource() {
    static std::function<TRect(const TRect*)> source;
    return source;
}
}  // namespace

bool PeekMessage(TMsg* msg, HWND wnd, UINT msgMin, UINT msgMax, UINT removeMsg) {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (wnd && it->wnd != wnd) continue;
        if ((msgMin != 0 || msgMax != 0) && (it->msg < msgMin || it->msg > msgMax)) continue;
        if (msg) {
            msg->hwnd = it->wnd;
            msg->message = it->msg;
            msg->wParam = it->wParam;
            msg->lParam = it->lParam;
            msg->time = it->time;
        }
        if (removeMsg & PM_REMOVE) g_queue.erase(it);
        return true;
    }
    const bool keyDownAsked = msgMin <= WM_KEYDOWN && WM_KEYDOWN <= msgMax;
    if (keyDownAsked && !(removeMsg & PM_REMOVE) && keyPendingProbe() && keyPendingProbe()()) {
        if (msg) {
            *msg = TMsg();
            msg->hwnd = wnd ? wnd : GetFocus();
            msg->message = WM_KEYDOWN;
        }
        return true;
    }
    return false;
}

void SetKeyPendingProbe(std::function<bool()> probe) { keyPendingProbe() = std::move(probe); }

int QueuedMessageCount() {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    return static_cast<int>(g_queue.size());
}

// ---- Keyboard and mouse state --------------------------------------------------------------------

std::int16_t GetKeyState(int vk) {
    auto mods = Qt::KeyboardModifiers(g_modifiers.load());
    auto buttons = Qt::MouseButtons(g_buttons.load());
    bool down = false;
    switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU: down = mods & Qt::AltModifier; break;
    case VK_LBUTTON: down = buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = buttons & Qt::RightButton; break;
    case VK_MBUTTON: down = buttons & Qt::MiddleButton; break;
    default: break;
    }
    return down ? static_cast<std::int16_t>(0x8000) : 0;
}

std::int16_t GetAsyncKeyState(int vk) { return GetKeyState(vk); }

bool GetCursorPos(TPoint* p) {
    if (!p) return false;
    *p = Mouse->CursorPos();
    return true;
}

bool SetCursorPos(int x, int y) {
    Mouse->SetCursorPos(TPoint(x, y));
    return true;
}

HWND SetCapture(HWND wnd) {
    HWND old = dynamic_cast<TWinControl*>(CaptureControl());
    SetCaptureControl(wnd, true);
    return old;
}

HWND GetCapture() { return dynamic_cast<TWinControl*>(CaptureControl()); }

bool ReleaseCapture() {
    SetCaptureControl(nullptr);
    return true;
}

HWND GetFocus() { return WinControlOf(QApplication::focusWidget()); }

HWND SetFocus(HWND wnd) {
    HWND old = GetFocus();
    if (wnd) wnd->SetFocus();
    return old;
}

// ---- Windows -------------------------------------------------------------------------------------

bool IsWindowVisible(HWND wnd) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    return w && w->isVisible();
}
bool IsWindowEnabled(HWND wnd) { return wnd && wnd->Enabled(); }

bool EnableWindow(HWND wnd, bool enable) {
    if (!wnd) return false;
    bool was = !wnd->Enabled();
    wnd->SetEnabled(enable);
    return was;
}

bool ShowWindow(HWND wnd, int cmdShow) {
    if (!wnd) return false;
    bool was = wnd->Visible();
    if (auto* f = dynamic_cast<TCustomForm*>(wnd)) {
        switch (cmdShow) {
        case SW_HIDE: f->Hide(); break;
        case SW_SHOWMAXIMIZED: f->SetWindowState(wsMaximized); f->Show(); break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED: f->SetWindowState(wsMinimized); break;
        case SW_RESTORE: f->SetWindowState(wsNormal); f->Show(); break;
        default: f->Show(); break;
        }
        return was;
    }
    // A control's window shows or hides by itself: its Visible property stays as it is.
    QWidget* w = wnd->Widget();
    if (!w) return false;
    was = w->isVisible();
    if (cmdShow == SW_HIDE) {
        w->hide();
    } else {
        if (cmdShow == SW_SHOWNOACTIVATE || cmdShow == SW_SHOWNA) w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->show();
    }
    return was;
}

bool InvalidateRect(HWND wnd, const TRect* rect, bool /*erase*/) {
    if (!wnd) return false;
    if (rect) wnd->InvalidateRect(*rect);
    else wnd->Invalidate();
    return true;
}

bool ValidateRect(HWND wnd, const TRect* rect) {
    if (!wnd) return false;
    wnd->ValidateRect(rect ? *rect : wnd->ClientRect());
    return true;
}

bool UpdateWindow(HWND wnd) {
    if (!wnd) return false;
    wnd->Update();
    return true;
}

bool ScrollWindow(HWND wnd, int dx, int dy, const TRect* rect, const TRect* clip) {
    if (!wnd || !wnd->Host()) return false;
    ControlHost* h = wnd->Host();
    TRect cr = wnd->ClientRect();
    TRect r = rect ? *rect : cr;
    TRect c = clip ? *clip : cr;
    QRect qr(r.Left, r.Top, r.Width(), r.Height());
    QRect qc(c.Left, c.Top, c.Width(), c.Height());
    h = wnd->PaintHost();
    if (wnd->PaintMode() == TControl::PaintKind::Kept && h && !h->backing.isNull()) {
        // Shift the kept picture: the pixels of r move by (dx, dy) within clip.
        QRect dest = qr.translated(dx, dy) & qc & h->backing.rect();
        if (!dest.isEmpty()) {
            QImage src = h->backing.copy(dest.translated(-dx, -dy));
            QPainter p(&h->backing);
            p.drawImage(dest.topLeft(), src);
        }
        QRegion uncovered = QRegion(qr & qc) - QRegion(dest);
        h->dirty += uncovered;
        h->dirty.translate(0, 0);
        if (QWidget* w = wnd->ClientWidget()) w->update(qc);
        return true;
    }
    if (QWidget* w = wnd->ClientWidget()) w->scroll(dx, dy, qr & qc);
    return true;
}

namespace {

// Reveals a window from its centre: a mask that grows from the middle to the whole window over ms.
void RevealFromCentre(QWidget* w, DWORD ms) {
    QPointer<QWidget> target(w);
    auto maskTo = [target](double share) {
        if (!target) return;
        const QSize s = target->size();
        const int mw = std::max(1, static_cast<int>(std::lround(s.width() * share)));
        const int mh = std::max(1, static_cast<int>(std::lround(s.height() * share)));
        target->setMask(QRegion((s.width() - mw) / 2, (s.height() - mh) / 2, mw, mh));
    };
    maskTo(0);
    auto* grow = new QVariantAnimation(w);
    grow->setDuration(static_cast<int>(std::max<DWORD>(ms, 1)));
    grow->setStartValue(0.0);
    grow->setEndValue(1.0);
    QObject::connect(grow, &QVariantAnimation::valueChanged, w, [maskTo](const QVariant& v) { maskTo(v.toDouble()); });
    QObject::connect(grow, &QVariantAnimation::finished, w, [target] {
        if (target) target->clearMask();
    });
    grow->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace

bool AnimateWindow(HWND wnd, DWORD time, DWORD flags) {
    if (!wnd) return false;
    if (flags & AW_HIDE) {
        wnd->Hide();
        return true;
    }
    QWidget* w = wnd->Widget();
    if (w && (flags & AW_CENTER) && w->isWindow()) RevealFromCentre(w, time);
    if (auto* f = dynamic_cast<TCustomForm*>(wnd)) {
        f->Show();
        if (flags & AW_ACTIVATE) f->BringToFront();
    } else {
        wnd->Show();
    }
    return true;
}

bool ClientToScreen(HWND wnd, TPoint* p) {
    if (!wnd || !p) return false;
    *p = wnd->ClientToScreen(*p);
    return true;
}

bool ScreenToClient(HWND wnd, TPoint* p) {
    if (!wnd || !p) return false;
    *p = wnd->ScreenToClient(*p);
    return true;
}

bool GetClientRect(HWND wnd, TRect* r) {
    if (!wnd || !r) return false;
    *r = wnd->ClientRect();
    return true;
}

bool GetWindowRect(HWND wnd, TRect* r) {
    if (!wnd || !r) return false;
    TPoint o = wnd->Parent() ? wnd->Parent()->ClientToScreen(TPoint(wnd->Left(), wnd->Top()))
                             : TPoint(wnd->Left(), wnd->Top());
    *r = Bounds(o.x, o.y, wnd->Width(), wnd->Height());
    return true;
}

HWND WindowFromPoint(TPoint p) {
    QWidget* w = QApplication::widgetAt(p.x, p.y);
    return w ? WinControlOf(w) : nullptr;
}

// ---- Caret ---------------------------------------------------------------------------------------

bool CreateCaret(HWND wnd, int width, int height) {
    if (!wnd) return false;
    g_caret = Caret();
    g_caret.owner = wnd;
    g_caret.width = width;
    g_caret.height = height;
    return true;
}

bool DestroyCaret() {
    g_caret = Caret();
    return true;
}

bool ShowCaret(HWND wnd) {
    // An edit's own caret (the window system's caret of a focused edit control).
    if (auto* edit = dynamic_cast<TCustomEdit*>(wnd); edit && wnd != g_caret.owner) {
        edit->ShowEditCaret();
        return true;
    }
    if (wnd && wnd != g_caret.owner) return false;
    if (!g_caret.owner) return false;
    if (g_caret.hideCount > 0) --g_caret.hideCount;
    return true;
}

bool HideCaret(HWND wnd) {
    if (auto* edit = dynamic_cast<TCustomEdit*>(wnd); edit && wnd != g_caret.owner) {
        edit->HideEditCaret();
        return true;
    }
    if (wnd && wnd != g_caret.owner) return false;
    if (!g_caret.owner) return false;
    ++g_caret.hideCount;
    return true;
}

bool SetCaretPos(int x, int y) {
    g_caret.pos = TPoint(x, y);
    return g_caret.owner != nullptr;
}

bool GetCaretPos(TPoint* p) {
    if (!p) return false;
    *p = g_caret.pos;
    return true;
}

bool CaretVisible(HWND wnd) {
    if (auto* edit = dynamic_cast<TCustomEdit*>(wnd); edit && wnd != g_caret.owner)
        return edit->Focused() && !edit->EditCaretHidden();
    return wnd && g_caret.owner == wnd && g_caret.hideCount == 0;
}

// ---- Timers --------------------------------------------------------------------------------------

namespace {
TWindowTimerDriver g_timerDriver;
}

void SetWindowTimerDriver(TWindowTimerDriver driver) { g_timerDriver = std::move(driver); }

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse) {
    if (wnd && g_timerDriver.Set) {
        g_timerDriver.Set(wnd, id, std::max<UINT>(elapse, 10));
        return id;
    }
    if (!wnd || !QCoreApplication::instance()) return 0;
    auto& t = timers();
    TimerKey key{wnd, id};
    QTimer* timer = nullptr;
    if (auto it = t.find(key); it != t.end()) {
        timer = it->second;
    } else {
        timer = new QTimer();
        t[key] = timer;
        QObject::connect(timer, &QTimer::timeout, [wnd, id] {
            if (!IsLiveControl(wnd)) return;
            SafeCall(wnd, [&] { wnd->Perform(WM_TIMER, id, 0); });
        });
    }
    // The window system never fires faster than every 10 ms.
    timer->start(static_cast<int>(std::max<UINT>(elapse, 10)));
    return id;
}

bool KillTimer(HWND wnd, UINT_PTR id) {
    if (g_timerDriver.Kill) {
        g_timerDriver.Kill(wnd, id);
        return true;
    }
    auto& t = timers();
    auto it = t.find(TimerKey{wnd, id});
    if (it == t.end()) return false;
    it->second->stop();
    it->second->deleteLater();
    t.erase(it);
    return true;
}

// ---- System values -------------------------------------------------------------------------------

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXFULLSCREEN: return Screen ? Screen->Width() : 1024;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
    case SM_CYFULLSCREEN: return Screen ? Screen->Height() : 768;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    default: return 0;
    }
}

UINT GetDoubleClickTime() { return 500; }

DWORD GetMessageTime() { return g_messageTime.load(); }
DWORD GetMessagePos() { return g_messagePos.load(); }

TRect PrimaryWorkArea() {
    if (workAreaSource()) return workAreaSource()(nullptr);
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return TRect(0, 0, 1024, 768);
    QRect r = s->availableGeometry();
    return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

TRect WorkAreaNear(const TRect& r) {
    if (workAreaSource()) return workAreaSource()(&r);
    QScreen* s = QGuiApplication::screenAt(QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    if (!s) return PrimaryWorkArea();
    QRect a = s->availableGeometry();
    return TRect(a.left(), a.top(), a.left() + a.width(), a.top() + a.height());
}

void SetWorkAreaSource(std::function<TRect(const TRect* nearRect)> source) { workAreaSource() = std::move(source); }

bool SystemParametersInfo(UINT action, UINT, void* data, UINT) {
    if (action != SPI_GETWORKAREA || !data) return false;
    *static_cast<TRect*>(data) = PrimaryWorkArea();
    return true;
}

HWND FindWindow(const char* className, const char* windowName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* c = dynamic_cast<TWinControl*>(ControlOf(w));
        if (!c || c->Widget() != w) continue;
        if (className && !SameText(c->ClassName(), className)) continue;
        if (windowName && !AnsiSameText(c->Caption(), windowName)) continue;
        return c;
    }
    return nullptr;
}

// ---- Sounds --------------------------------------------------------------------------------------

bool MessageBeep(UINT /*type*/) {
    ++g_beeps;
    if (QCoreApplication::instance()) {
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            QApplication::beep();
        } else {
            QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QApplication::beep(); }, Qt::QueuedConnection);
        }
    }
    return true;
}

void Beep() { MessageBeep(static_cast<UINT>(-1)); }

namespace {

std::mutex g_siteBeepsLock;
std::map<std::string, int>& SiteBeeps() {
    static std::map<std::string, int> beeps;
    return beeps;
}

}  // namespace

int BeepCount() { return g_beeps.load(); }

void ResetBeepCount() {
    g_beeps = 0;
    std::lock_guard<std::mutex> lock(g_siteBeepsLock);
    SiteBeeps().clear();
}

void BeepAt(const char* site) {
    {
        std::lock_guard<std::mutex> lock(g_siteBeepsLock);
        ++SiteBeeps()[site ? site : ""];
    }
    MessageBeep(static_cast<UINT>(-1));
}

int BeepCount(const char* site) {
    std::lock_guard<std::mutex> lock(g_siteBeepsLock);
    const auto it = SiteBeeps().find(site ? site : "");
    return it == SiteBeeps().end() ? 0 : it->second;
}
