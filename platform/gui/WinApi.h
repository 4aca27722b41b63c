// The window-system calls the drawing and input code uses: the message queue, keyboard state,
// mouse capture, the caret, window timers, system metrics, beeps and message boxes.
#pragma once

#include "gui/Messages.h"
#include "rtl/AnsiString.h"
#include "rtl/Types.h"

#include <cstdint>
#include <functional>

class TBitmap;

// ---- Message queue -------------------------------------------------------------------------------
// Queues a message for the window; it reaches the window's WndProc from the message loop (after the
// application's OnMessage hook). Callable from any thread. False when the window is null.
bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window's WndProc now and returns its result.
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Asks the message loop to end with exitCode.
void PostQuitMessage(int exitCode);

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;
// Looks for a queued message for wnd (any window when null) with a number in [msgMin, msgMax]
// (both 0: any number), oldest first; copies it to msg and, with PM_REMOVE, takes it out of the
// queue. Queued messages are the posted ones and the characters of the key being handled. Key
// presses waiting in the toolkit's input cannot be seen: a look for WM_KEYDOWN without removing
// answers what the key-pending probe says (nothing waits unless a test sets one).
bool PeekMessage(TMsg* msg, HWND wnd, UINT msgMin, UINT msgMax, UINT removeMsg);
void SetKeyPendingProbe(std::function<bool()> probe);  // empty function: nothing waits
// Messages still queued (tests).
int QueuedMessageCount();

// ---- Keyboard and mouse state --------------------------------------------------------------------
// State of a key as the last input event left it: negative (high bit) while held down. Known for
// VK_SHIFT, VK_CONTROL, VK_MENU (and their left/right forms) and the mouse buttons.
std::int16_t GetKeyState(int vk);
std::int16_t GetAsyncKeyState(int vk);
bool GetCursorPos(TPoint* p);
bool SetCursorPos(int x, int y);

// The window receiving all mouse input until ReleaseCapture (null: none).
HWND SetCapture(HWND wnd);
HWND GetCapture();
bool ReleaseCapture();
HWND GetFocus();
HWND SetFocus(HWND wnd);

// ---- Windows -------------------------------------------------------------------------------------
// Whether the window and the windows it lies in are shown.
bool IsWindowVisible(HWND wnd);
bool IsWindowEnabled(HWND wnd);
bool EnableWindow(HWND wnd, bool enable);
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
              SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWNA = 8,
              SW_RESTORE = 9;
// Shows or hides a form (as Show and Hide do), or only the window of another control: its Visible
// property stays as it is.
bool ShowWindow(HWND wnd, int cmdShow);
// Marks part of a window (all of it when rect is null) to be painted; painting never erases first.
bool InvalidateRect(HWND wnd, const TRect* rect, bool erase);
bool ValidateRect(HWND wnd, const TRect* rect);
bool UpdateWindow(HWND wnd);
// Moves the pixels of rect (the client area when null) by dx, dy inside clip (the client area when
// null) and marks the uncovered strip to be painted.
bool ScrollWindow(HWND wnd, int dx, int dy, const TRect* rect, const TRect* clip);
// Shows or hides a window with an effect over time ms. Showing with AW_CENTER reveals the window from its
// centre outwards; the effect plays on while the caller goes on (the message loop runs it). Other
// effects, and hiding (AW_HIDE), happen at once. AW_ACTIVATE activates the window.
constexpr DWORD AW_HOR_POSITIVE = 0x1, AW_HOR_NEGATIVE = 0x2, AW_VER_POSITIVE = 0x4, AW_VER_NEGATIVE = 0x8,
                AW_CENTER = 0x10, AW_HIDE = 0x10000, AW_ACTIVATE = 0x20000, AW_SLIDE = 0x40000, AW_BLEND = 0x80000;
bool AnimateWindow(HWND wnd, DWORD time, DWORD flags);
bool ClientToScreen(HWND wnd, TPoint* p);
bool ScreenToClient(HWND wnd, TPoint* p);
bool GetClientRect(HWND wnd, TRect* r);
bool GetWindowRect(HWND wnd, TRect* r);
HWND WindowFromPoint(TPoint p);
// The first top-level window of the program with that class name and caption (case-insensitive;
// a null argument matches any); null when there is none.
HWND FindWindow(const char* className, const char* windowName);

// Styles of a window: GWL_STYLE (WS_*, with WS_HSCROLL and WS_VSCROLL while a scroll bar shows) and
// GWL_EXSTYLE (WS_EX_*), as CreateParams made them.
using LONG = std::int32_t;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
LONG GetWindowLong(HWND wnd, int index);

// ---- Window scroll bars ----------------------------------------------------------------------------
// The scroll bars of a custom control's window (SB_HORZ, SB_VERT) and of a TScrollBar (SB_CTL).
// A bar scrolls from nMin to nMax showing nPage of it, so nPos goes from nMin to nMax - nPage + 1;
// SetScrollInfo shows the bar while that range has anything to scroll and hides it otherwise, or,
// with SIF_DISABLENOSCROLL, keeps it shown and disabled. What the user does with a bar comes to the
// window as WM_HSCROLL / WM_VSCROLL (SB_LINEUP ... SB_ENDSCROLL, the position of SB_THUMBTRACK and
// SB_THUMBPOSITION in the high word); SIF_TRACKPOS reads where the thumb is being dragged. The
// window sets the new position itself.
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using TScrollInfo = SCROLLINFO;
bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
// Returns the position the bar has afterwards.
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, bool redraw);
int GetScrollPos(HWND wnd, int bar);
int SetScrollPos(HWND wnd, int bar, int pos, bool redraw);
bool GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
bool SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, bool redraw);
bool ShowScrollBar(HWND wnd, int bar, bool show);
constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;
// Enables or disables the bar (both arrows; one arrow alone is not told apart).
bool EnableScrollBar(HWND wnd, int bar, UINT arrows);

// ---- Cursors ---------------------------------------------------------------------------------------
// A cursor from a picture the program drew: pixels of the picture's TransparentColor are clear,
// (hotX, hotY) is the point that aims. The handle lives until DestroyCursor.
HCURSOR CreateCursor(const TBitmap* picture, int hotX, int hotY);
void DestroyCursor(HCURSOR cursor);
// Makes a cursor loadable by name, as a resource of the program.
void RegisterCursorResource(const AnsiString& name, HCURSOR cursor);
// The cursor resource of that name (null when there is none); the instance (HInstance, the
// program's, in gui/Graphics.h) is not looked at.
using HINSTANCE = const void*;
HCURSOR LoadCursor(HINSTANCE instance, const AnsiString& name);
// Shows the cursor over the window under the pointer (while WM_SETCURSOR is handled: that window)
// until the next WM_SETCURSOR; returns the one shown before.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// ---- Caret ---------------------------------------------------------------------------------------
// One caret for the application, owned by a window; a hidden count as the window system keeps it.
// An edit has a caret of its own while focused: HideCaret and ShowCaret of the edit's window hide
// and show it, counted the same way.
bool CreateCaret(HWND wnd, int width, int height);
bool DestroyCaret();
bool ShowCaret(HWND wnd);
bool HideCaret(HWND wnd);
bool SetCaretPos(int x, int y);
bool GetCaretPos(TPoint* p);
// Test hook: whether the caret of wnd is currently shown.
bool CaretVisible(HWND wnd);

// ---- Window timers -------------------------------------------------------------------------------
// Sends WM_TIMER (WParam = id) to the window every elapse milliseconds (at least 10) from the
// message loop; setting an id again restarts it. Returns id, 0 on failure.
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse);
bool KillTimer(HWND wnd, UINT_PTR id);
// Tests run window timers on a clock of their own: while a driver is set, SetTimer and KillTimer
// tell it (with the interval the window system keeps, at least 10 ms) instead of starting toolkit
// timers, and the test sends WM_TIMER when its clock says so. A driver with empty functions gives
// the toolkit's timers back.
struct TWindowTimerDriver {
    std::function<void(HWND wnd, UINT_PTR id, UINT elapse)> Set;
    std::function<void(HWND wnd, UINT_PTR id)> Kill;
};
void SetWindowTimerDriver(TWindowTimerDriver driver);

// ---- System values -------------------------------------------------------------------------------
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
              SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CYVTHUMB = 9,
              SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14,
              SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17, SM_CYVSCROLL = 20,
              SM_CXHSCROLL = 21, SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31,
              SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37,
              SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CXDRAG = 68,
              SM_CYDRAG = 69, SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_MOUSEWHEELPRESENT = 75,
              SM_CXVIRTUALSCREEN = 78, SM_CYVIRTUALSCREEN = 79;
// Fixed, classic values (scroll bars 17 pixels, borders 1, double-click box 4) so layouts do not
// depend on the desktop theme.
int GetSystemMetrics(int index);
UINT GetDoubleClickTime();
// Time (milliseconds of the monotonic clock, as 32 bits) and screen position of the message being
// handled.
DWORD GetMessageTime();
DWORD GetMessagePos();
// Work area (the screen less task bars) of the primary screen, and of the screen nearest a rect.
TRect PrimaryWorkArea();
TRect WorkAreaNear(const TRect& r);
// Tests place the work areas: source(nullptr) answers the primary one, source(&r) the one nearest
// r. An empty function gives the screens' own back.
void SetWorkAreaSource(std::function<TRect(const TRect* nearRect)> source);
// System settings: SPI_GETWORKAREA copies the primary work area into *(TRect*)data. False for an
// action not known here.
constexpr UINT SPI_GETWORKAREA = 0x0030;
bool SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);

// ---- Sounds --------------------------------------------------------------------------------------
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONERROR = 0x0010;
constexpr UINT MB_ICONSTOP = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONWARNING = 0x0030;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_TOPMOST = 0x40000;
constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONMASK = 0x00F0;
constexpr UINT MB_DEFMASK = 0x0F00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The system sound of a message type (-1 / 0xFFFFFFFF: the simple beep). Callable from any thread.
bool MessageBeep(UINT type);
// The simple beep.
void Beep();
// Test hooks: beeps made since start (or the last reset), from every thread.
int BeepCount();
void ResetBeepCount();

// "Beep and go on", for a failure that must not stop a paint, a timer or a link thread's loop and that
// nobody could be told about better: the simple beep, counted under the site's name as well.
void BeepAt(const char* site);
// Beeps of one site since start (or the last reset); sites are compared by their text.
int BeepCount(const char* site);

// The guard: runs body; an exception it raises ends in BeepAt(site) and the caller goes on. True when
// body ended normally.
template <class F>
bool BeepGuard(const char* site, F&& body) {
    try {
        body();
        return true;
    } catch (...) {
        BeepAt(site);
        return false;
    }
}

// A message box (see gui/Dialogs.h for the replaceable sink that shows it). Returns IDOK, IDYES...
int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags);
