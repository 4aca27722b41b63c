// Forms, the application object and the screen.
//
// A form is a window: a normal top-level window, a modal dialog (ShowModal), the MDI frame that
// holds the other screens (fsMDIForm) or one of those screens (fsMDIChild, visible from creation).
// The application object creates the forms of the program, runs the message loop, shows escaped
// exceptions and lets a hook (OnMessage) see every key and mouse message before any control does.
#pragma once

#include "gui/Controls.h"
#include "gui/WinApi.h"

#include <functional>
#include <new>
#include <utility>
#include <vector>

class QMdiArea;
class QMdiSubWindow;
class QMenuBar;
class QEventLoop;
class TMainMenu;
class TCustomActionList;
class THintWindow;
class TApplication;
class TScreen;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIconBit : unsigned { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2, biHelp = 1u << 3 };
using TBorderIcons = unsigned;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;
constexpr TModalResult mrClose = mrYesToAll + 1;

using TCloseEvent = TClosure<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TClosure<void(TObject* Sender, bool& CanClose)>;
// A key that may be a shortcut: Msg.WParam is the virtual key, Msg.LParam its key data.
using TShortCutEvent = TClosure<void(TMessage& Msg, bool& Handled)>;
using TMessageEvent = TClosure<void(TMsg& Msg, bool& Handled)>;
using TExceptionEvent = TClosure<void(TObject* Sender, Exception* E)>;
using TShowHintEvent = TClosure<void(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo)>;
using TIdleEvent = TClosure<void(TObject* Sender, bool& Done)>;

// Scroll bar of a scroll box (the position scrolls the children).
class TControlScrollBar : public TPersistent {
    PLANTMON_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TWinControl* control, bool vertical) : control_(control), vertical_(vertical) {}
    int Position() const { return position_; }
    void SetPosition(int p);
    int Range() const { return range_; }
    void SetRange(int r);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    int Increment() const { return increment_; }
    void SetIncrement(int i) { increment_ = i; }
    bool IsScrollBarVisible() const;
    // Platform side: the scroll area moved.
    void PositionFromWidget(int p) { position_ = p; }

private:
    void apply();
    TWinControl* control_;
    bool vertical_;
    int position_ = 0;
    int range_ = 0;
    bool visible_ = true;
    int increment_ = 8;
};

// A window that scrolls its children when they do not fit.
class TScrollingWinControl : public TWinControl {
    PLANTMON_CLASS(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* owner);
    ~TScrollingWinControl() override;
    TControlScrollBar* HorzScrollBar() const { return horz_.get(); }
    TControlScrollBar* VertScrollBar() const { return vert_.get(); }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool b);
    // Scrolls so that control is fully in view.
    void ScrollInView(TControl* control);

protected:
    friend class TControlScrollBar;
    virtual void UpdateScrollRange() {}
    std::unique_ptr<TControlScrollBar> horz_;
    std::unique_ptr<TControlScrollBar> vert_;
    bool autoScroll_ = true;
};

// A panel whose children scroll (scroll bars appear when they do not fit).
class TScrollBox : public TScrollingWinControl {
    PLANTMON_CLASS(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* owner);
    ~TScrollBox() override;
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    QWidget* ClientWidget() const override;
    TRect ClientRect() const override;

protected:
    void UpdateScrollRange() override;
    void ControlsAligned(const TRect& remaining) override;
    void BoundsChanged() override;
    void ColorChanged() override;
    PaintKind PaintMode() const override { return PaintKind::Native; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    TBorderStyle borderStyle_ = bsSingle;
};

// ---- Forms ---------------------------------------------------------------------------------------
class TCustomForm : public TScrollingWinControl {
    PLANTMON_CLASS(TCustomForm, TScrollingWinControl)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // Runs OnCreate once; CreateForm and NewForm call it when the constructor is done. An MDI
    // child is shown here.
    virtual void AfterConstruction();
    // Runs OnDestroy once, before the form's own destructor (the application, the owning form and
    // Release/Free call it).
    virtual void BeforeDestruction();
    // Frees the form now (OnDestroy first); Release frees it from the message loop, so it may be
    // called from the form's own handlers.
    void Free();
    void Release();

    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle s);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons b);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState s);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool b) { keyPreview_ = b; }
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* m);
    // The window's opacity (AlphaBlendValue, 0..255) applies while AlphaBlend is on, where the desktop
    // can show translucent windows at all (WindowsCanFade).
    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool b);
    int AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(int v);
    // The pixels per inch the form's bounds were laid out for: the screen's when it was created.
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }
    // The bounds the form has, or returns to, in the normal window state: its bounds while normal;
    // while maximized or minimized the rectangle it was restored from, which setting changes (the
    // form takes it when it is restored). Screen coordinates for a top-level form.
    TRect NormalBounds() const;
    void SetNormalBounds(const TRect& r);
    bool Scaled() const { return scaled_; }
    void SetScaled(bool b) { scaled_ = b; }
    TCanvas* Canvas() const { return canvas_.get(); }

    // The control that has (or will get, when the form is activated) the focus.
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* c);
    bool Active() const;
    // Moves the focus to control (records it when the form is not active).
    void FocusControl(TWinControl* control);
    // Called when control took the focus: leaving the old control (CM_EXIT, OnExit) may raise, and
    // then the focus goes back there; entering the new one sends CM_ENTER (OnEnter).
    bool SetFocusedControl(TWinControl* control);
    void DefocusControl(TWinControl* control, bool removing);
    void ControlRemoved(TWinControl* control);
    // The first control in tab order takes the focus.
    void SelectFirst();

    void Show();
    void Hide();
    void SetVisible(bool v) override;
    int ShowModal();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r);
    void Close();
    virtual bool CloseQuery();
    void BringToFront();
    void SetFocus() override;
    bool CanFocus() const override;

    // Shortcut keys: OnShortCut, then the main menu, then the form's action lists.
    virtual bool IsShortCut(WORD key, TShiftState shift);
    void AddActionList(TCustomActionList* list);
    void RemoveActionList(TCustomActionList* list);

    // MDI frame: the screens it holds.
    int MDIChildCount() const;
    TCustomForm* MDIChildren(int i) const;
    TCustomForm* ActiveMDIChild() const;
    void Cascade();
    void Tile();
    void ArrangeIcons();
    void Next();
    void Previous();

    TRect ClientRect() const override;
    QWidget* ClientWidget() const override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TShortCutEvent OnShortCut;

    // Platform side.
    QMdiArea* MDIArea() const { return mdiArea_; }
    QMdiSubWindow* SubWindow() const { return subWindow_; }
    // Test hook: OnCreate has run.
    bool Created() const { return created_; }

protected:
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    virtual void Paint();
    void CMDialogKey(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void WMPaint(TMessage& m) override;
    void BoundsChanged() override;
    void ControlsAligned(const TRect& remaining) override;
    void TextChanged() override;
    void VisibleChanged() override;
    PaintKind PaintMode() const override { return PaintKind::Kept; }
    TCanvas* PaintCanvas() const override { return canvas_.get(); }
    bool WidgetEvent(QObject* target, QEvent* e, bool& result) override;
    void Notification(TComponent* component, TOperation operation) override;
    // Streams the components it owns that are no controls on a parent, then its controls.
    void GetChildren(TGetChildProc proc, TComponent* root) override;
    friend class TWinControl;
    friend class TApplication;

private:
    void applyWindowFlags();
    void layoutFrame();
    void showWindow();
    void hideWindow();
    void placeOnShow();
    void closeModal();
    void detachFromArea();
    void mdiActivated(QMdiSubWindow* w);
    QWidget* outerWidget() const;
    void takeOuterGeometry();

    TFormStyle formStyle_ = fsNormal;
    TBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    bool keyPreview_ = false;
    TMainMenu* menu_ = nullptr;
    bool alphaBlend_ = false;
    int alphaBlendValue_ = 255;
    bool scaled_ = true;
    int pixelsPerInch_ = 96;
    // The normal-state bounds kept while the window is maximized or minimized.
    TRect normalBounds_;
    bool restoreNormal_ = false;
    // normalBounds_ was set while maximized: the form takes it when restored.
    bool normalSet_ = false;
    std::unique_ptr<TControlCanvas> canvas_;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    bool modal_ = false;
    TModalResult modalResult_ = mrNone;
    bool created_ = false;
    bool destroyed_ = false;
    bool constructing_ = true;
    bool placed_ = false;
    bool releasing_ = false;
    std::vector<TCustomActionList*> actionLists_;
    plantmon::gui::ControlHost* clientHost_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    QMdiSubWindow* subWindow_ = nullptr;
    QObject* watcher_ = nullptr;
    TCustomForm* activeChild_ = nullptr;
    QEventLoop* modalLoop_ = nullptr;
};

class TForm : public TCustomForm {
    PLANTMON_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};

// Creates a form and finishes its construction (OnCreate), as the program's forms are made.
template <class T, class... Args>
T* NewForm(TComponent* owner, Args&&... args) {
    T* f = new T(owner, std::forward<Args>(args)...);
    f->AfterConstruction();
    return f;
}

// ---- Hint window ---------------------------------------------------------------------------------
// The small window that shows a control's hint: text on clInfoBk with a thin frame, shown without
// taking the focus.
class THintWindow : public TCustomControl {
    PLANTMON_CLASS(THintWindow, TCustomControl)
public:
    explicit THintWindow(TComponent* owner);
    ~THintWindow() override;
    // Shows the hint in rect (screen coordinates).
    virtual void ActivateHint(TRect rect, const AnsiString& hint);
    virtual void ActivateHintData(TRect rect, const AnsiString& hint, void* data);
    // The rectangle (origin 0,0) the hint needs, word-wrapped at maxWidth.
    virtual TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data);
    void ReleaseHandle();
    bool IsShowing() const;

protected:
    void Paint() override;
};

// Whether top-level windows can be shown translucent here: the X desktop runs a compositing manager.
// Without one (a bare X server, Xvfb) or on other window systems a window's opacity changes nothing.
bool WindowsCanFade();

// ---- Application ---------------------------------------------------------------------------------
// Hook of tests: called (from the loop, once the dialog is up) when a modal form starts its loop.
using TModalHook = std::function<void(TCustomForm* form)>;
TModalHook SetModalHook(TModalHook hook);

class TApplication : public TComponent {
    PLANTMON_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // Makes sure the toolkit's application object exists, with the toolkit's own texts in Russian.
    void Initialize();
    // Creates a form owned by the application and stores it in reference before the form's
    // constructor runs (a constructor may reach its own global). The first form is the main form.
    template <class T>
    void CreateForm(T*& reference);
    // Shows the main form and handles messages until Terminate (or the main form closes); then the
    // forms the application owns are freed.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // Waits for one message and handles it.
    void HandleMessage();

    // The default handling of an exception that escaped an event handler: OnException when set,
    // else a message box; EAbort is silent. Call it from a catch block.
    void HandleException(TObject* sender);
    void ShowException(const Exception& e);
    int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags = MB_OK);

    AnsiString Title() const { return title_; }
    void SetTitle(const AnsiString& t) { title_ = t; }
    // Full path of the executable.
    AnsiString ExeName() const;
    TCustomForm* MainForm() const { return mainForm_; }
    bool Active() const;
    void BringToFront();
    void Minimize();
    void Restore();
    // Number of modal loops (dialogs, message boxes) running now.
    int ModalLevel() const { return modalLevel_; }

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool b) { showHint_ = b; }
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms) { hintHidePause_ = ms; }
    int HintShortPause() const { return hintShortPause_; }
    void SetHintShortPause(int ms) { hintShortPause_ = ms; }
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor c) { hintColor_ = c; }
    // The long hint of the control under the mouse; setting it fires OnHint.
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& h);
    // Shows info's hint now (OnShowHint may change or refuse it), in a window of its
    // HintWindowClass or else the application's.
    void ActivateHint(THintInfo& info);
    // Asks control (CM_HINTSHOW) for its hint with the pointer at screenPos and shows it now.
    void ActivateHint(TControl* control, TPoint screenPos);
    // Hides the hint and forgets the control it was for; the next pointer move starts over.
    void CancelHint();
    // The pointer moved over control (client coordinates). Over a new control, or outside the
    // shown hint's CursorRect, the hint goes and the next one follows after HintPause
    // (HintShortPause while one was showing), which the control may change (CM_HINTSHOWPAUSE).
    void HintMouseMessage(TControl* control, TPoint clientPos);
    THintWindow* HintWindow() const { return hintWindow_; }
    // The class of hint window the application shows (a factory; default THintWindow).
    void SetHintWindowClass(std::function<THintWindow*(TComponent* owner)> factory);

    bool IsShortCut(WORD key, TShiftState shift);
    // Controls that show the long hint (status bars with AutoHint) listen here.
    void AddHintListener(const void* key, std::function<void(const AnsiString&)> listener);
    void RemoveHintListener(const void* key);

    TMessageEvent OnMessage;
    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;
    TIdleEvent OnIdle;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TShortCutEvent OnShortCut;

    // Platform side.
    void BeginModal() { ++modalLevel_; }
    void EndModal() { --modalLevel_; }
    void FormCreated(TCustomForm* form);
    void FormDestroyed(TCustomForm* form);

private:
    void destroyForms();
    void installTranslations();
    AnsiString title_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool running_ = false;
    int modalLevel_ = 0;
    bool showHint_ = true;
    int hintPause_ = 500;
    int hintHidePause_ = 2500;
    int hintShortPause_ = 50;
    TColor hintColor_ = clInfoBk;
    AnsiString hint_;
    THintWindow* hintWindow_ = nullptr;
    std::function<THintWindow*(TComponent*)> hintFactory_;
    // The hint window is of a hint's own class (not the application's).
    bool hintWindowOwnClass_ = false;
    // The pause before a hint, the re-asking and the hiding.
    struct HintTiming;
    std::unique_ptr<HintTiming> hintTiming_;
    HintTiming& hintTiming();
    void hintPauseEnded();
    void hideHintWindow();
    std::vector<std::pair<const void*, std::function<void(const AnsiString&)>>> hintListeners_;
    QEventLoop* loop_ = nullptr;
};

template <class T>
void TApplication::CreateForm(T*& reference) {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned form");
    Initialize();
    void* mem = ::operator new(sizeof(T));
    reference = static_cast<T*>(mem);
    T* form = nullptr;
    try {
        form = new (mem) T(this);
    } catch (...) {
        reference = nullptr;
        ::operator delete(mem);
        throw;
    }
    reference = form;
    FormCreated(form);
    form->AfterConstruction();
}

// ---- Screen --------------------------------------------------------------------------------------
class TScreen : public TComponent {
    PLANTMON_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;
    int Width() const;
    int Height() const;
    // 96 unless set (tests lay forms out as for another screen).
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }
    TCursor Cursor() const { return cursor_; }
    // A cursor other than crDefault shows over every window of the application.
    void SetCursor(TCursor c);
    // The picture of cursor number index: a stock shape for crDefault and below, the registered
    // picture for a number above 0 (the arrow while none is registered).
    HCURSOR Cursors(int index) const;
    void SetCursors(int index, HCURSOR cursor);
    TCustomForm* ActiveForm() const;
    TCustomForm* ActiveCustomForm() const { return ActiveForm(); }
    TWinControl* ActiveControl() const;
    int FormCount() const;
    TForm* Forms(int i) const;
    int CustomFormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* CustomForms(int i) const;
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;
    int WorkAreaLeft() const { return WorkAreaRect().Left; }
    int WorkAreaTop() const { return WorkAreaRect().Top; }
    int WorkAreaWidth() const { return WorkAreaRect().Width(); }
    int WorkAreaHeight() const { return WorkAreaRect().Height(); }
    int MonitorCount() const { return 1; }
    TFont* HintFont() const { return hintFont_.get(); }
    TFont* MenuFont() const { return menuFont_.get(); }
    TFont* IconFont() const { return iconFont_.get(); }

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

    // Platform side.
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);

private:
    TCursor cursor_ = crDefault;
    int pixelsPerInch_ = 96;
    std::vector<TCustomForm*> forms_;
    std::unique_ptr<TFont> hintFont_;
    std::unique_ptr<TFont> menuFont_;
    std::unique_ptr<TFont> iconFont_;
};

extern TApplication* Application;
extern TScreen* Screen;
