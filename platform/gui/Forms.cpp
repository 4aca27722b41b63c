#include "gui/Forms.h"

#include "gui/ActnList.h"
#include "gui/ComCtrls.h"
#include "gui/Dialogs.h"
#include "gui/Menus.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <unistd.h>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <climits>

using namespace plantmon::gui;

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

namespace {
TModalHook g_modalHook;

// Follows the moves and resizes of an MDI child's sub-window (the child's bounds are the
// sub-window's).
class SubWindowWatcher : public QObject {
public:
    SubWindowWatcher(TCustomForm* form, std::function<void()> changed) : form_(form), changed_(std::move(changed)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Move || e->type() == QEvent::WindowStateChange)
            changed_();
        if (e->type() == QEvent::Close) {
            // The sub-window's close button: the form decides (OnCloseQuery, OnClose).
            e->ignore();
            TCustomForm* f = form_;
            SafeCall(f, [f] { f->Close(); });
            return true;
        }
        return false;
    }

private:
    TCustomForm* form_;
    std::function<void()> changed_;
};
}  // namespace

namespace {
// Raising a top-level window; the off-screen platform has no stacking to change.
void raiseWindow(QWidget* w) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
}

// The sub-window of an MDI child shows what the form's border asks for: no frame, a title with a
// close button only (dialog and tool borders), or the border icons; without the system menu there
// are no buttons at all.
void applySubWindowFlags(QMdiSubWindow* sw, TBorderStyle style, TBorderIcons icons) {
    Qt::WindowFlags f = Qt::SubWindow | Qt::CustomizeWindowHint;
    switch (style) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsDialog:
    case bsToolWindow:
    case bsSizeToolWin:
        f |= Qt::WindowTitleHint;
        if (icons & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        break;
    default:
        f |= Qt::WindowTitleHint;
        if (icons & biSystemMenu) {
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (icons & biMinimize) f |= Qt::WindowMinimizeButtonHint;
            if (icons & biMaximize) f |= Qt::WindowMaximizeButtonHint;
        }
        break;
    }
    const bool wasVisible = sw->isVisible();
    sw->setWindowFlags(f);
    if (wasVisible) sw->show();
}

// The page control that holds the focused control, the innermost when they nest.
TPageControl* pageControlWithFocus() {
    for (TControl* c = GetFocus(); c; c = c->Parent())
        if (auto* pc = dynamic_cast<TPageControl*>(c)) return pc;
    return nullptr;
}

// Activates a top-level window. A window shown again while the window system still counts it as
// the focus window gets no new activation from it: the widgets are told directly.
void activate(QWidget* w) {
    w->activateWindow();
    if (w->windowHandle() && QGuiApplication::focusWindow() == w->windowHandle() && QApplication::activeWindow() != w)
        QApplication::setActiveWindow(w);
}
}  // namespace

TModalHook SetModalHook(TModalHook hook) {
    TModalHook old = std::move(g_modalHook);
    g_modalHook = std::move(hook);
    return old;
}

// ---- TControlScrollBar / TScrollingWinControl --------------------------------------------------------

void TControlScrollBar::SetPosition(int p) {
    p = std::max(0, p);
    if (p == position_) return;
    position_ = p;
    apply();
}

void TControlScrollBar::SetRange(int r) {
    range_ = std::max(0, r);
    apply();
}

void TControlScrollBar::SetVisible(bool v) {
    visible_ = v;
    apply();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    if (!visible_) return false;
    int extent = vertical_ ? control_->ClientHeight() : control_->ClientWidth();
    return range_ > extent;
}

void TControlScrollBar::apply() {
    if (auto* s = dynamic_cast<TScrollingWinControl*>(control_)) s->UpdateScrollRange();
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner), horz_(std::make_unique<TControlScrollBar>(this, false)),
      vert_(std::make_unique<TControlScrollBar>(this, true)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool b) {
    autoScroll_ = b;
    UpdateScrollRange();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
    if (!control || !ContainsControl(control)) return;
    TRect cr = ClientRect();
    TPoint p = control->ClientToParent(TPoint(0, 0), this);
    // p is in the content's coordinates, which scrolling does not change; in view it lies shifted by
    // the positions.
    int x = p.x - horz_->Position(), y = p.y - vert_->Position();
    if (x < 0) horz_->SetPosition(horz_->Position() + x);
    else if (x + control->Width() > cr.Width())
        horz_->SetPosition(horz_->Position() + x + control->Width() - cr.Width());
    if (y < 0) vert_->SetPosition(vert_->Position() + y);
    else if (y + control->Height() > cr.Height())
        vert_->SetPosition(vert_->Position() + y + control->Height() - cr.Height());
}

// ---- TScrollBox ----------------------------------------------------------------------------------

struct TScrollBox::Impl {
    QScrollArea* area = nullptr;
    ControlHost* inner = nullptr;
};

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner), impl_(std::make_unique<Impl>()) {
    auto* area = new HostWidget<QScrollArea>(this);
    impl_->area = area;
    AttachHost(area);
    auto* inner = new HostWidget<QWidget>(this);
    inner->clientPart = true;
    inner->setMouseTracking(true);
    area->setWidget(inner);
    area->setWidgetResizable(false);
    impl_->inner = inner;
    area->setFrameShape(QFrame::StyledPanel);
    QObject::connect(area->horizontalScrollBar(), &QScrollBar::valueChanged,
                     [this](int v) { horz_->PositionFromWidget(v); });
    QObject::connect(area->verticalScrollBar(), &QScrollBar::valueChanged,
                     [this](int v) { vert_->PositionFromWidget(v); });
    SetTabStop(false);
    SetBounds(0, 0, 185, 41);
}

TScrollBox::~TScrollBox() {
    Destroying_();
    if (impl_->inner) impl_->inner->Detach();
}

QWidget* TScrollBox::ClientWidget() const { return impl_->inner ? impl_->inner->AsWidget() : Widget(); }

TRect TScrollBox::ClientRect() const {
    QWidget* vp = impl_->area ? impl_->area->viewport() : nullptr;
    if (!vp) return TControl::ClientRect();
    // The viewport size follows the widget only once laid out: compute it from the frame.
    int f = borderStyle_ == bsSingle ? impl_->area->frameWidth() : 0;
    return TRect(0, 0, std::max(0, Width() - 2 * f), std::max(0, Height() - 2 * f));
}

void TScrollBox::SetBorderStyle(TBorderStyle b) {
    borderStyle_ = b;
    impl_->area->setFrameShape(b == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
    Realign();
}

void TScrollBox::BoundsChanged() {
    TScrollingWinControl::BoundsChanged();
    UpdateScrollRange();
}

void TScrollBox::ColorChanged() {
    TScrollingWinControl::ColorChanged();
    QPalette pal = impl_->area->palette();
    pal.setColor(QPalette::Window, ToQColor(Color()));
    impl_->area->setPalette(pal);
    impl_->inner->AsWidget()->setAutoFillBackground(true);
    impl_->inner->AsWidget()->setPalette(pal);
}

void TScrollBox::ControlsAligned(const TRect&) { UpdateScrollRange(); }

void TScrollBox::UpdateScrollRange() {
    if (!impl_ || !impl_->inner) return;
    TRect cr = ClientRect();
    int w = cr.Width(), h = cr.Height();
    if (autoScroll_) {
        int maxX = 0, maxY = 0;
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            if (!c->Visible()) continue;
            maxX = std::max(maxX, c->Left() + c->Width());
            maxY = std::max(maxY, c->Top() + c->Height());
        }
        horz_->PositionFromWidget(horz_->Position());
        w = std::max(w, maxX);
        h = std::max(h, maxY);
    } else {
        w = std::max(w, horz_->Range());
        h = std::max(h, vert_->Range());
    }
    impl_->inner->AsWidget()->resize(w, h);
    impl_->area->setHorizontalScrollBarPolicy(horz_->Visible() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    impl_->area->setVerticalScrollBarPolicy(vert_->Visible() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    impl_->area->horizontalScrollBar()->setValue(horz_->Position());
    impl_->area->verticalScrollBar()->setValue(vert_->Position());
    // A position past the end stops at the end, also when the bar was there already.
    horz_->PositionFromWidget(impl_->area->horizontalScrollBar()->value());
    vert_->PositionFromWidget(impl_->area->verticalScrollBar()->value());
}

// ---- TCustomForm ---------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    Application->Initialize();
    canvas_->SetControl(this);
    auto* frame = new HostWidget<QWidget>(this);
    AttachHost(frame);
    frame->setFocusPolicy(Qt::NoFocus);
    auto* client = new HostWidget<QWidget>(this, frame);
    client->clientPart = true;
    client->setMouseTracking(true);
    client->setAttribute(Qt::WA_OpaquePaintEvent, true);
    client->setFocusPolicy(Qt::NoFocus);
    client->show();
    clientHost_ = client;
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
    applyWindowFlags();
    pixelsPerInch_ = Screen->PixelsPerInch();
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying_();
    // Forms this form owns say OnDestroy while they are still whole.
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (auto* f = dynamic_cast<TCustomForm*>(Components(i))) f->BeforeDestruction();
    if (Application) Application->FormDestroyed(this);
    if (Screen) Screen->RemoveForm(this);
    // MDI children belong to their owners: their windows leave the frame's area before it goes.
    if (mdiArea_ && Screen) {
        for (int i = 0; i < Screen->CustomFormCount(); ++i) {
            TCustomForm* f = Screen->CustomForms(i);
            if (f->subWindow_ && f->subWindow_->mdiArea() == mdiArea_) f->detachFromArea();
        }
    }
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        menu_->DetachForm(this);
        menu_ = nullptr;
    }
    if (mdiArea_) QObject::disconnect(mdiArea_, nullptr, nullptr, nullptr);
    detachFromArea();
    if (clientHost_) clientHost_->Detach();
    delete watcher_;
    watcher_ = nullptr;
    canvas_->SetControl(nullptr);
}

void TCustomForm::detachFromArea() {
    if (!subWindow_) return;
    QMdiSubWindow* sw = subWindow_;
    subWindow_ = nullptr;
    if (watcher_) sw->removeEventFilter(watcher_);
    QWidget* frame = Widget();
    if (frame) {
        frame->hide();
        frame->setParent(nullptr);
    }
    if (QMdiArea* a = sw->mdiArea()) a->removeSubWindow(sw);
    sw->hide();
    sw->deleteLater();
}

void TCustomForm::AfterConstruction() {
    constructing_ = false;
    if (created_) return;
    created_ = true;
    DoCreate();
    if (formStyle_ == fsMDIChild && Visible()) showWindow();
}

void TCustomForm::BeforeDestruction() {
    if (destroyed_) return;
    destroyed_ = true;
    DoDestroy();
}

void TCustomForm::Free() {
    BeforeDestruction();
    delete this;
}

void TCustomForm::Release() {
    releasing_ = true;
    PostMessage(this, CM_RELEASE, 0, 0);
}

void TCustomForm::DoCreate() { OnCreate(this); }
void TCustomForm::DoDestroy() { OnDestroy(this); }
void TCustomForm::DoShow() { OnShow(this); }
void TCustomForm::DoHide() { OnHide(this); }
void TCustomForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TCustomForm::Activate() {
    if (activeControl_ && activeControl_->CanFocus()) {
        if (QWidget* w = activeControl_->Widget()) w->setFocus(Qt::ActiveWindowFocusReason);
    }
    OnActivate(this);
    if (Screen) Screen->OnActiveFormChange(Screen);
}

void TCustomForm::Deactivate() { OnDeactivate(this); }

void TCustomForm::Paint() { OnPaint(this); }

void TCustomForm::WMPaint(TMessage& m) {
    if (m.WParam) {
        GuardedPaint([this] { Paint(); });
        return;
    }
    TScrollingWinControl::WMPaint(m);
}

QWidget* TCustomForm::outerWidget() const { return subWindow_ ? static_cast<QWidget*>(subWindow_) : Widget(); }

QWidget* TCustomForm::ClientWidget() const { return clientHost_ ? clientHost_->AsWidget() : Widget(); }

TRect TCustomForm::ClientRect() const {
    QWidget* c = ClientWidget();
    return c ? TRect(0, 0, c->width(), c->height()) : TControl::ClientRect();
}

void TCustomForm::layoutFrame() {
    QWidget* frame = Widget();
    if (!frame || !clientHost_) return;
    int w = frame->width(), h = frame->height();
    int mb = 0;
    if (menuBar_ && !menuBar_->isHidden()) {
        mb = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, 0, w, mb);
    }
    clientHost_->AsWidget()->setGeometry(0, mb, w, std::max(0, h - mb));
}

void TCustomForm::BoundsChanged() {
    QWidget* outer = outerWidget();
    // Bounds set while the window is not up are the normal ones it shows with.
    if (!outer || !outer->isVisible()) restoreNormal_ = normalSet_ = false;
    if (outer) {
        outer->setGeometry(Left(), Top(), std::max(0, Width()), std::max(0, Height()));
        if (subWindow_) Widget()->setGeometry(subWindow_->contentsRect());
    }
    layoutFrame();
    ClientBoundsChanged();
}

void TCustomForm::takeOuterGeometry() {
    QWidget* outer = outerWidget();
    if (!outer) return;
    if (outer->isVisible()) {
        if (outer->isMaximized() || outer->isMinimized()) {
            // Maximized or minimized by the window system: the bounds it had are the normal ones.
            if (!restoreNormal_) {
                QRect n = subWindow_ ? QRect() : outer->normalGeometry();
                normalBounds_ = n.isValid() ? TRect(n.x(), n.y(), n.x() + n.width(), n.y() + n.height()) : BoundsRect();
                restoreNormal_ = true;
            }
        } else if (restoreNormal_) {
            // Restored: the window system brought its own normal bounds back; normal bounds set
            // meanwhile replace them.
            restoreNormal_ = false;
            if (normalSet_) {
                normalSet_ = false;
                const TRect& r = normalBounds_;
                if (outer->geometry() != QRect(r.Left, r.Top, r.Width(), r.Height()))
                    outer->setGeometry(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
            }
        }
    }
    if (subWindow_) Widget()->setGeometry(subWindow_->contentsRect());
    layoutFrame();
    QRect g = outer->geometry();
    BoundsFromWidget(g.x(), g.y(), g.width(), g.height());
    ClientBoundsChanged();
}

void TCustomForm::ControlsAligned(const TRect& remaining) {
    // The MDI area fills what the aligned controls leave of the client area.
    if (mdiArea_)
        mdiArea_->setGeometry(remaining.Left, remaining.Top, std::max(0, remaining.Width()),
                              std::max(0, remaining.Height()));
}

void TCustomForm::TextChanged() {
    QString t = QString::fromStdString(Caption().str());
    if (QWidget* w = Widget()) w->setWindowTitle(t);
    if (subWindow_) subWindow_->setWindowTitle(t);
}

void TCustomForm::applyWindowFlags() {
    if (subWindow_) {
        applySubWindowFlags(subWindow_, borderStyle_, borderIcons_);
        return;
    }
    QWidget* frame = Widget();
    if (!frame || Parent()) return;
    bool wasVisible = frame->isVisible();
    Qt::WindowFlags f;
    switch (borderStyle_) {
    case bsNone: f = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: f = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    default:
        f = Qt::Window | Qt::WindowTitleHint;
        if (borderIcons_ & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (borderIcons_ & biMinimize) f |= Qt::WindowMinimizeButtonHint;
        if (borderIcons_ & biMaximize) f |= Qt::WindowMaximizeButtonHint;
        break;
    }
    if (formStyle_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    frame->setWindowFlags(f);
    if (wasVisible) frame->show();
}

void TCustomForm::SetFormStyle(TFormStyle s) {
    if (s == formStyle_) return;
    if (formStyle_ == fsMDIChild) detachFromArea();
    formStyle_ = s;
    if (s == fsMDIForm && !mdiArea_) {
        mdiArea_ = new QMdiArea(ClientWidget());
        MarkForeign(mdiArea_);
        mdiArea_->lower();
        mdiArea_->show();
        QObject::connect(mdiArea_, &QMdiArea::subWindowActivated, [this](QMdiSubWindow* w) { mdiActivated(w); });
        Realign();
    }
    if (s == fsMDIChild) {
        TCustomForm* mf = Application->MainForm();
        if (!mf || mf->formStyle_ != fsMDIForm || !mf->mdiArea_ || mf == this)
            throw EInvalidOperation("Невозможно создать форму. Нет активных MDI-форм");
        QWidget* frame = Widget();
        frame->hide();
        auto* sw = new QMdiSubWindow();
        sw->setAttribute(Qt::WA_DeleteOnClose, false);
        sw->setWidget(frame);
        mf->mdiArea_->addSubWindow(sw);
        sw->setWindowTitle(QString::fromStdString(Caption().str()));
        subWindow_ = sw;
        applySubWindowFlags(sw, borderStyle_, borderIcons_);
        delete watcher_;
        watcher_ = new SubWindowWatcher(this, [this] { takeOuterGeometry(); });
        sw->installEventFilter(watcher_);
        sw->hide();
        // MDI children are shown from creation on.
        TControl::SetVisible(true);
        BoundsChanged();
        if (!constructing_ && created_) showWindow();
    } else {
        applyWindowFlags();
    }
}

void TCustomForm::mdiActivated(QMdiSubWindow* w) {
    TCustomForm* child = nullptr;
    if (Screen && w) {
        for (int i = 0; i < Screen->CustomFormCount(); ++i)
            if (Screen->CustomForms(i)->subWindow_ == w) child = Screen->CustomForms(i);
    }
    if (child == activeChild_) return;
    TCustomForm* old = activeChild_;
    activeChild_ = child;
    if (old && IsLiveControl(old)) SafeCall(old, [old] { old->Deactivate(); });
    if (child) SafeCall(child, [child] { child->Activate(); });
}

void TCustomForm::SetBorderStyle(TBorderStyle b) {
    if (b == borderStyle_) return;
    borderStyle_ = b;
    applyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons b) {
    if (b == borderIcons_) return;
    borderIcons_ = b;
    applyWindowFlags();
}

void TCustomForm::SetPosition(TPosition p) {
    position_ = p;
    placed_ = false;
}

TWindowState TCustomForm::WindowState() const {
    QWidget* outer = outerWidget();
    if (outer && outer->isVisible()) {
        if (outer->isMinimized()) return wsMinimized;
        if (outer->isMaximized()) return wsMaximized;
        return wsNormal;
    }
    return windowState_;
}

TRect TCustomForm::NormalBounds() const {
    if (restoreNormal_ && WindowState() != wsNormal) return normalBounds_;
    return BoundsRect();
}

void TCustomForm::SetNormalBounds(const TRect& r) {
    QWidget* outer = outerWidget();
    if (outer && outer->isVisible() && WindowState() != wsNormal) {
        normalBounds_ = r;
        restoreNormal_ = true;
        normalSet_ = true;
        return;
    }
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TCustomForm::GetChildren(TGetChildProc proc, TComponent* root) {
    if (root == this) {
        const int n = ComponentCount();
        for (int i = 0; i < n; ++i)
            if (!dynamic_cast<TControl*>(Components(i))) proc(Components(i));
    }
    TScrollingWinControl::GetChildren(proc, root);
}

void TCustomForm::SetWindowState(TWindowState s) {
    windowState_ = s;
    QWidget* outer = outerWidget();
    if (!outer || !Visible() || !outer->isVisible()) return;
    if (s != wsNormal && !outer->isMaximized() && !outer->isMinimized()) {
        normalBounds_ = BoundsRect();
        restoreNormal_ = true;
    }
    switch (s) {
    case wsMaximized: outer->showMaximized(); break;
    case wsMinimized: outer->showMinimized(); break;
    default: outer->showNormal(); break;
    }
    takeOuterGeometry();
}

void TCustomForm::SetMenu(TMainMenu* m) {
    if (m == menu_) return;
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        menu_->DetachForm(this);
    }
    menu_ = m;
    delete menuBar_;
    menuBar_ = nullptr;
    if (m) {
        m->FreeNotification(this);
        menuBar_ = new QMenuBar(Widget());
        MarkForeign(menuBar_);
        menuBar_->setNativeMenuBar(false);
        m->AttachForm(this, menuBar_);
        menuBar_->show();
    }
    layoutFrame();
    ClientBoundsChanged();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TScrollingWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == menu_) {
        menu_ = nullptr;
        delete menuBar_;
        menuBar_ = nullptr;
        layoutFrame();
        ClientBoundsChanged();
    }
    actionLists_.erase(std::remove(actionLists_.begin(), actionLists_.end(), component), actionLists_.end());
    if (component == activeControl_) activeControl_ = nullptr;
    if (component == focusedControl_) focusedControl_ = nullptr;
}

void TCustomForm::SetAlphaBlend(bool b) {
    alphaBlend_ = b;
    if (QWidget* w = outerWidget()) w->setWindowOpacity(b ? alphaBlendValue_ / 255.0 : 1.0);
}

void TCustomForm::SetAlphaBlendValue(int v) {
    alphaBlendValue_ = std::clamp(v, 0, 255);
    if (alphaBlend_)
        if (QWidget* w = outerWidget()) w->setWindowOpacity(alphaBlendValue_ / 255.0);
}

bool TCustomForm::Active() const {
    if (subWindow_) {
        QMdiArea* a = subWindow_->mdiArea();
        return a && a->activeSubWindow() == subWindow_ && a->window()->isActiveWindow();
    }
    QWidget* w = Widget();
    return w && w->isActiveWindow();
}

void TCustomForm::SetActiveControl(TWinControl* c) {
    if (c == activeControl_) return;
    if (c && (!ContainsControl(c) || c == this))
        throw EInvalidOperation("Неверный активный элемент управления");
    activeControl_ = c;
    if (c && Visible() && c->CanFocus()) {
        if (QWidget* w = c->Widget()) w->setFocus(Qt::OtherFocusReason);
    }
}

void TCustomForm::FocusControl(TWinControl* control) {
    if (!control) return;
    if (!control->CanFocus())
        throw EInvalidOperation("Невозможно передать фокус ввода отключенному или невидимому окну");
    activeControl_ = control;
    if (QWidget* w = control->Widget()) w->setFocus(Qt::OtherFocusReason);
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
    if (control == focusedControl_) {
        activeControl_ = control;
        return true;
    }
    TWinControl* old = focusedControl_;
    if (old && !IsLiveControl(old)) old = nullptr;
    // Leave the old control and its containers up to the one shared with the new control.
    try {
        for (TWinControl* x = old; x && x != this && !x->ContainsControl(control); x = x->Parent())
            x->Perform(CM_EXIT);
    } catch (...) {
        // Leaving was refused: the focus goes back to the old control.
        activeControl_ = old;
        if (old && old->CanFocus())
            if (QWidget* w = old->Widget()) w->setFocus(Qt::OtherFocusReason);
        throw;
    }
    focusedControl_ = control;
    activeControl_ = control;
    std::vector<TWinControl*> entering;
    for (TWinControl* x = control; x && x != this && !(old && x->ContainsControl(old)); x = x->Parent())
        entering.push_back(x);
    for (auto it = entering.rbegin(); it != entering.rend(); ++it) {
        if (!IsLiveControl(*it)) break;
        (*it)->Perform(CM_ENTER);
    }
    // Buttons learn which control has the focus (the default button steps back for a focused one).
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    if (Screen) Screen->OnActiveControlChange(Screen);
    return true;
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
    if (removing && control->ContainsControl(focusedControl_)) focusedControl_ = control->Parent();
    if (control->ContainsControl(activeControl_)) SetActiveControl(nullptr);
}

void TCustomForm::ControlRemoved(TWinControl* control) {
    if (control->ContainsControl(activeControl_)) activeControl_ = nullptr;
    if (control->ContainsControl(focusedControl_)) focusedControl_ = nullptr;
}

void TCustomForm::SelectFirst() {
    TWinControl* c = FindNextControl(nullptr, true, true, false);
    if (!c) c = FindNextControl(nullptr, true, false, false);
    if (c) c->SetFocus();
}

void TCustomForm::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Невозможно передать фокус ввода отключенному или невидимому окну");
    BringToFront();
}

bool TCustomForm::CanFocus() const { return Visible() && Enabled(); }

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::SetVisible(bool v) { TControl::SetVisible(v); }

void TCustomForm::VisibleChanged() {
    if (Parent()) {
        // A form placed inside another control behaves as a panel.
        TScrollingWinControl::VisibleChanged();
        if (Visible()) DoShow();
        else DoHide();
        return;
    }
    if (constructing_ && formStyle_ == fsMDIChild) return;
    if (Visible()) showWindow();
    else hideWindow();
}

void TCustomForm::placeOnShow() {
    if (placed_ || subWindow_) return;
    placed_ = true;
    TRect area = Screen ? Screen->WorkAreaRect() : TRect(0, 0, 1024, 768);
    auto centreOn = [&](const TRect& r) {
        SetBounds(r.Left + (r.Width() - Width()) / 2, r.Top + (r.Height() - Height()) / 2, Width(), Height());
    };
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
        break;
    case poMainFormCenter:
        if (TCustomForm* mf = Application->MainForm(); mf && mf != this) centreOn(mf->BoundsRect());
        else centreOn(area);
        break;
    case poOwnerFormCenter:
        if (auto* of = dynamic_cast<TCustomForm*>(Owner()); of && of != this) centreOn(of->BoundsRect());
        else centreOn(area);
        break;
    default: break;
    }
}

void TCustomForm::showWindow() {
    DoShow();
    if (!Visible()) return;
    placeOnShow();
    QWidget* outer = outerWidget();
    if (!outer) return;
    if (windowState_ != wsNormal && (!restoreNormal_ || (outer->isVisible() && !outer->isMaximized() && !outer->isMinimized()))) {
        normalBounds_ = BoundsRect();
        restoreNormal_ = true;
    }
    switch (windowState_) {
    case wsMaximized: outer->showMaximized(); break;
    case wsMinimized: outer->showMinimized(); break;
    default: outer->show(); break;
    }
    if (subWindow_) Widget()->show();
    if (alphaBlend_) outer->setWindowOpacity(alphaBlendValue_ / 255.0);
    takeOuterGeometry();
    if (!subWindow_) {
        raiseWindow(outer);
        activate(outer);
    } else if (QMdiArea* a = subWindow_->mdiArea()) {
        a->setActiveSubWindow(subWindow_);
    }
    if (activeControl_ && activeControl_->CanFocus()) {
        if (QWidget* w = activeControl_->Widget()) w->setFocus(Qt::OtherFocusReason);
    } else {
        SelectFirst();
    }
}

void TCustomForm::hideWindow() {
    QWidget* outer = outerWidget();
    if (outer && outer->isVisible()) {
        DoHide();
        outer->hide();
    }
}

void TCustomForm::BringToFront() {
    if (Parent()) {
        TControl::BringToFront();
        return;
    }
    if (subWindow_) {
        if (QMdiArea* a = subWindow_->mdiArea()) a->setActiveSubWindow(subWindow_);
        subWindow_->raise();
        return;
    }
    if (QWidget* w = Widget()) {
        raiseWindow(w);
        activate(w);
    }
}

void TCustomForm::SetModalResult(TModalResult r) {
    modalResult_ = r;
    if (modalLoop_ && r != mrNone) QAbstractEventDispatcher::instance()->wakeUp();
}

int TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_ || formStyle_ == fsMDIChild)
        throw EInvalidOperation("Невозможно сделать видимое окно модальным");
    if (!created_) AfterConstruction();
    SetCaptureControl(nullptr);
    QWidget* frame = Widget();
    // The control that has the focus gets it back when the dialog closes.
    ModalFocusGuard focus;
    modal_ = true;
    modalResult_ = mrNone;
    Application->BeginModal();
    frame->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    modalLoop_ = &loop;
    struct Restore {
        TCustomForm* f;
        QWidget* frame;
        ~Restore() {
            f->modalLoop_ = nullptr;
            f->modal_ = false;
            Application->EndModal();
            frame->setWindowModality(Qt::NonModal);
        }
    } restore{this, frame};
    Show();
    if (g_modalHook) {
        TModalHook hook = g_modalHook;
        QPointer<QWidget> guard(frame);
        QTimer::singleShot(0, [hook, this, guard] {
            if (guard && modal_) SafeCall(this, [&] { hook(this); });
        });
    }
    for (;;) {
        if (Application->Terminated()) modalResult_ = mrCancel;
        if (modalResult_ != mrNone) {
            closeModal();
            if (modalResult_ != mrNone || Application->Terminated()) break;
        }
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    TModalResult r = modalResult_;
    hideWindow();
    TControl::SetVisible(false);
    return r;
}

void TCustomForm::closeModal() {
    TCloseAction action = caNone;
    try {
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
    } catch (...) {
        modalResult_ = mrNone;
        throw;
    }
    if (action == caNone) modalResult_ = mrNone;
    else if (action == caFree) Release();
}

bool TCustomForm::CloseQuery() {
    if (formStyle_ == fsMDIForm && Screen) {
        for (int i = 0; i < Screen->CustomFormCount(); ++i) {
            TCustomForm* f = Screen->CustomForms(i);
            if (f->subWindow_ && mdiArea_ && f->subWindow_->mdiArea() == mdiArea_ && !f->CloseQuery()) return false;
        }
    }
    bool can = true;
    OnCloseQuery(this, can);
    return can;
}

void TCustomForm::Close() {
    if (modal_) {
        // The modal loop asks OnCloseQuery and OnClose.
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (formStyle_ == fsMDIChild) action = (borderIcons_ & biMinimize) ? caMinimize : caNone;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

bool TCustomForm::IsShortCut(WORD key, TShiftState shift) {
    TMessage m(CN_KEYDOWN, key, (shift & ssAlt) ? KF_ALTDOWN_LPARAM : 0);
    bool handled = false;
    OnShortCut(m, handled);
    if (handled) return true;
    if (menu_ && menu_->IsShortCut(key, shift)) return true;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* al = dynamic_cast<TCustomActionList*>(Components(i)))
            if (al->IsShortCut(key, shift)) return true;
    for (TCustomActionList* al : actionLists_)
        if (al->IsShortCut(key, shift)) return true;
    return false;
}

void TCustomForm::AddActionList(TCustomActionList* list) {
    if (list && std::find(actionLists_.begin(), actionLists_.end(), list) == actionLists_.end()) {
        actionLists_.push_back(list);
        list->FreeNotification(this);
    }
}

void TCustomForm::RemoveActionList(TCustomActionList* list) {
    actionLists_.erase(std::remove(actionLists_.begin(), actionLists_.end(), list), actionLists_.end());
}

void TCustomForm::CMDialogKey(TMessage& m) {
    if (!(GetKeyState(VK_MENU) < 0)) {
        switch (m.WParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
                m.Result = 1;
                return;
            }
            // Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the page control the focus is in.
            if (TPageControl* pc = pageControlWithFocus(); pc && ContainsControl(pc)) {
                pc->SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
                m.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (activeControl_ && activeControl_->Parent()) {
                activeControl_->Parent()->SelectNext(activeControl_, m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                     false);
                m.Result = 1;
            }
            return;
        default: break;
        }
    }
    TScrollingWinControl::CMDialogKey(m);
}

void TCustomForm::Dispatch(TMessage& m) {
    if (m.Msg == CM_RELEASE) {
        Free();
        return;
    }
    TScrollingWinControl::Dispatch(m);
}

bool TCustomForm::WidgetEvent(QObject* target, QEvent* e, bool& result) {
    QWidget* frame = Widget();
    if (target != frame) return false;
    switch (e->type()) {
    case QEvent::Paint:
        result = Host()->NativeEvent(e);
        return true;
    case QEvent::Close:
        e->ignore();
        result = true;
        Close();
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        if (!subWindow_ && !Parent()) {
            result = Host()->NativeEvent(e);
            takeOuterGeometry();
            return true;
        }
        return false;
    case QEvent::WindowActivate:
        if (!subWindow_) {
            result = Host()->NativeEvent(e);
            Activate();
            return true;
        }
        return false;
    case QEvent::WindowDeactivate:
        if (!subWindow_) {
            result = Host()->NativeEvent(e);
            Deactivate();
            return true;
        }
        return false;
    default: return false;
    }
}

int TCustomForm::MDIChildCount() const {
    if (!mdiArea_) return 0;
    return static_cast<int>(mdiArea_->subWindowList().size());
}

TCustomForm* TCustomForm::MDIChildren(int i) const {
    if (!mdiArea_ || !Screen) return nullptr;
    auto list = mdiArea_->subWindowList(QMdiArea::StackingOrder);
    if (i < 0 || i >= list.size()) return nullptr;
    // Newest on top first, as the window list of an MDI frame runs.
    QMdiSubWindow* w = list[list.size() - 1 - i];
    for (int k = 0; k < Screen->CustomFormCount(); ++k)
        if (Screen->CustomForms(k)->subWindow_ == w) return Screen->CustomForms(k);
    return nullptr;
}

TCustomForm* TCustomForm::ActiveMDIChild() const { return activeChild_; }

void TCustomForm::Cascade() {
    if (mdiArea_) mdiArea_->cascadeSubWindows();
}
void TCustomForm::Tile() {
    if (mdiArea_) mdiArea_->tileSubWindows();
}
void TCustomForm::ArrangeIcons() {}
void TCustomForm::Next() {
    if (mdiArea_) mdiArea_->activateNextSubWindow();
}
void TCustomForm::Previous() {
    if (mdiArea_) mdiArea_->activatePreviousSubWindow();
}

// ---- THintWindow ---------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetPopupWindow(true);
    // The pointer passes through a hint: one laid over the control it belongs to must not take the
    // pointer away from that control (which would put the hint away and bring it back at once).
    Widget()->setWindowFlag(Qt::WindowTransparentForInput, true);
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
    SetVisible(false);
}

THintWindow::~THintWindow() = default;

void THintWindow::ActivateHint(TRect rect, const AnsiString& hint) { ActivateHintData(rect, hint, nullptr); }

void THintWindow::ActivateHintData(TRect rect, const AnsiString& hint, void*) {
    SetCaption(hint);
    // Keep the window on the work area.
    TRect area = WorkAreaNear(rect);
    if (rect.Right > area.Right) OffsetRect(rect, area.Right - rect.Right, 0);
    if (rect.Left < area.Left) OffsetRect(rect, area.Left - rect.Left, 0);
    if (rect.Bottom > area.Bottom) OffsetRect(rect, 0, area.Bottom - rect.Bottom);
    if (rect.Top < area.Top) OffsetRect(rect, 0, area.Top - rect.Top);
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    TControl::SetVisible(true);
    Invalidate();
    if (QWidget* w = Widget()) w->show();
}

TRect THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint, void*) {
    TBitmap scratch(1, 1);
    scratch.Canvas()->Font()->Assign(Font());
    TRect r(0, 0, maxWidth > 0 ? maxWidth : 300, 0);
    DrawText(scratch.Canvas(), hint, -1, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ReleaseHandle() {
    TControl::SetVisible(false);
    if (QWidget* w = Widget()) w->hide();
}

bool THintWindow::IsShowing() const {
    QWidget* w = Widget();
    return w && w->isVisible();
}

void THintWindow::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(Color());
    c->Pen()->SetColor(clBlack);
    c->Rectangle(r);
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    TRect t(r.Left + 2, r.Top + 1, r.Right - 2, r.Bottom - 1);
    DrawText(c, Caption(), -1, t, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- Translucent windows -------------------------------------------------------------------------

bool WindowsCanFade() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    // A compositing manager owns the selection _NET_WM_CM_S<n> of the screen n it composites.
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (const int dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':')) screen = display.mid(dot + 1).toInt();
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t selection = atom ? atom->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(atom);
    if (selection == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool composited = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return composited;
}

plantmon::gui::ModalFocusGuard::ModalFocusGuard() : focused_(QApplication::focusWidget()) {}

plantmon::gui::ModalFocusGuard::~ModalFocusGuard() {
    QWidget* w = focused_.data();
    if (!w || !w->isVisible() || !w->isEnabled()) return;
    activate(w->window());
    w->setFocus(Qt::ActiveWindowFocusReason);
}

// ---- TApplication --------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() { destroyForms(); }

void TApplication::Initialize() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "plantmon";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    installTranslations();
    // The program has no icon of its own: its windows and MDI sub-windows show a blank one rather
    // than the toolkit's logo, which is what a window without an icon falls back to.
    if (QApplication::windowIcon().isNull()) {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        QApplication::setWindowIcon(QIcon(blank));
    }
    EnsureRouter();
}

void TApplication::installTranslations() {
    // The dialogs the toolkit draws itself (print, page set-up, preview, files, colours, fonts, the
    // standard buttons) speak the program's language, whatever language the station's desktop has.
    static bool installed = false;
    if (installed) return;
    installed = true;
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(russian, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void TApplication::FormCreated(TCustomForm* form) {
    if (!mainForm_) mainForm_ = form;
}

void TApplication::FormDestroyed(TCustomForm* form) {
    if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::destroyForms() {
    while (ComponentCount() > 0) {
        TComponent* c = Components(ComponentCount() - 1);
        if (auto* f = dynamic_cast<TCustomForm*>(c)) f->BeforeDestruction();
        RemoveComponent(c);
        delete c;
    }
    hintWindow_ = nullptr;
}

void TApplication::Run() {
    Initialize();
    if (!mainForm_) return;
    running_ = true;
    if (!terminated_) {
        if (!mainForm_->Visible()) SafeCall(mainForm_, [this] { mainForm_->Show(); });
        QEventLoop loop;
        loop_ = &loop;
        if (!terminated_) loop.exec();
        loop_ = nullptr;
    }
    running_ = false;
    destroyForms();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (loop_) loop_->exit(0);
    if (QCoreApplication::instance())
        if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr ep = std::current_exception();
    if (!ep) return;
    try {
        std::rethrow_exception(ep);
    } catch (const EAbort&) {
        // Silent by design.
    } catch (Exception& e) {
        if (OnException) OnException(sender, &e);
        else ShowException(e);
    } catch (const std::exception& e) {
        Exception ex(e.what());
        if (OnException) OnException(sender, &ex);
        else ShowException(ex);
    } catch (...) {
        Exception ex("");
        if (OnException) OnException(sender, &ex);
        else ShowException(ex);
    }
}

void TApplication::ShowException(const Exception& e) {
    AnsiString msg = e.Message();
    if (!msg.IsEmpty() && static_cast<unsigned char>(msg.LastChar()) > '.') msg += ".";
    MessageBox(msg, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags) {
    return ::MessageBox(nullptr, text, caption, flags);
}

AnsiString TApplication::ExeName() const {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return AnsiString();
    return AnsiString(buf, static_cast<std::size_t>(n));
}

bool TApplication::Active() const { return QApplication::activeWindow() != nullptr; }

void TApplication::BringToFront() {
    if (mainForm_) mainForm_->BringToFront();
}

void TApplication::Minimize() {
    if (mainForm_ && mainForm_->Widget()) mainForm_->Widget()->showMinimized();
}

void TApplication::Restore() {
    if (mainForm_ && mainForm_->Widget()) mainForm_->Widget()->showNormal();
}

void TApplication::SetHint(const AnsiString& h) {
    if (h == hint_) return;
    hint_ = h;
    if (OnHint) {
        OnHint(this);
        return;
    }
    auto listeners = hintListeners_;
    for (auto& [key, fn] : listeners) fn(h);
}

void TApplication::AddHintListener(const void* key, std::function<void(const AnsiString&)> listener) {
    RemoveHintListener(key);
    hintListeners_.emplace_back(key, std::move(listener));
}

void TApplication::RemoveHintListener(const void* key) {
    hintListeners_.erase(std::remove_if(hintListeners_.begin(), hintListeners_.end(),
                                        [key](auto& p) { return p.first == key; }),
                         hintListeners_.end());
}

void TApplication::SetHintWindowClass(std::function<THintWindow*(TComponent*)> factory) {
    hintFactory_ = std::move(factory);
    if (hintWindow_ && !hintWindowOwnClass_) {
        delete hintWindow_;
        hintWindow_ = nullptr;
    }
}

struct TApplication::HintTiming {
    // The control the pointer is over, once its pause has started (nullptr: none).
    TControl* control = nullptr;
    // The pointer's last screen position.
    TPoint screenPos;
    // Where the pointer may move without a new hint (control's client coordinates).
    TRect cursorRect;
    // A hint of this control showed since the pointer came: the next one follows the short pause.
    bool active = false;
    // Ends the pause (and re-asks after ReshowTimeout).
    std::unique_ptr<QTimer> pause;
    std::unique_ptr<QTimer> hide;
};

TApplication::HintTiming& TApplication::hintTiming() {
    if (!hintTiming_) {
        hintTiming_ = std::make_unique<HintTiming>();
        HintTiming& t = *hintTiming_;
        t.pause = std::make_unique<QTimer>();
        t.pause->setSingleShot(true);
        QObject::connect(t.pause.get(), &QTimer::timeout, [this] { hintPauseEnded(); });
        t.hide = std::make_unique<QTimer>();
        t.hide->setSingleShot(true);
        QObject::connect(t.hide.get(), &QTimer::timeout, [this] { hideHintWindow(); });
    }
    return *hintTiming_;
}

void TApplication::HintMouseMessage(TControl* control, TPoint clientPos) {
    if (!control || dynamic_cast<THintWindow*>(control)) return;
    HintTiming& t = hintTiming();
    t.screenPos = control->ClientToScreen(clientPos);
    if (!showHint_ || !control->ShowHint() || !PtInRect(control->ClientRect(), clientPos)) {
        CancelHint();
        return;
    }
    if (control == t.control && PtInRect(t.cursorRect, clientPos)) return;
    bool wasActive = control == t.control && t.active;
    int pause = wasActive ? hintShortPause_ : hintPause_;
    SafeCall(control, [&] { control->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause)); });
    hideHintWindow();
    t.pause->stop();
    if (!IsLiveControl(control)) {
        CancelHint();
        return;
    }
    t.control = control;
    t.active = wasActive;
    // The pause runs while the pointer rests: until a hint says where it applies, every move
    // starts it again (and lets the control choose the pause for the new place).
    t.cursorRect = TRect();
    if (pause <= 0) hintPauseEnded();
    else t.pause->start(pause);
}

void TApplication::hintPauseEnded() {
    HintTiming& t = hintTiming();
    t.pause->stop();
    if (!t.control || !IsLiveControl(t.control)) {
        CancelHint();
        return;
    }
    ActivateHint(t.control, t.screenPos);
}

void TApplication::ActivateHint(TControl* control, TPoint screenPos) {
    HintTiming& t = hintTiming();
    if (!control || !showHint_ || !control->ShowHint()) {
        CancelHint();
        return;
    }
    if (control != t.control) t.active = false;
    t.control = control;
    t.screenPos = screenPos;
    THintInfo info;
    info.HintControl = control;
    info.HintStr = GetShortHint(control->Hint());
    info.CursorPos = control->ScreenToClient(screenPos);
    info.CursorRect = control->ClientRect();
    info.HintPos = TPoint(screenPos.x, screenPos.y + 20);  // below the pointer
    info.HintMaxWidth = 300;
    info.HintColor = hintColor_;
    info.HideTimeout = hintHidePause_;
    LRESULT refused = 0;
    SafeCall(control, [&] { refused = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)); });
    if (!IsLiveControl(control)) {
        CancelHint();
        return;
    }
    t.cursorRect = info.CursorRect;
    if (refused != 0 || info.HintStr.IsEmpty()) {
        hideHintWindow();
        return;
    }
    ActivateHint(info);
    t.active = hintWindow_ && hintWindow_->IsShowing();
    if (info.ReshowTimeout > 0) t.pause->start(info.ReshowTimeout);
}

void TApplication::ActivateHint(THintInfo& info) {
    AnsiString str = info.HintStr;
    bool canShow = true;
    OnShowHint(str, canShow, info);
    if (!canShow || str.IsEmpty()) {
        hideHintWindow();
        return;
    }
    // A hint of its own class gets a window of that class; every other hint the application's.
    bool ownClass = static_cast<bool>(info.HintWindowClass);
    if (hintWindow_ && (ownClass != hintWindowOwnClass_ ||
                        (ownClass && typeid(*hintWindow_) != *info.HintWindowClass.Type))) {
        delete hintWindow_;
        hintWindow_ = nullptr;
    }
    if (!hintWindow_) {
        if (ownClass) hintWindow_ = info.HintWindowClass.Create(this);
        else hintWindow_ = hintFactory_ ? hintFactory_(this) : new THintWindow(this);
        hintWindowOwnClass_ = ownClass;
    }
    hintWindow_->SetColor(info.HintColor);
    TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, str, info.HintData);
    OffsetRect(r, info.HintPos.x, info.HintPos.y);
    hintWindow_->ActivateHintData(r, str, info.HintData);
    HintTiming& t = hintTiming();
    t.hide->stop();
    if (info.HideTimeout > 0) t.hide->start(info.HideTimeout);
}

void TApplication::hideHintWindow() {
    if (hintTiming_) hintTiming_->hide->stop();
    if (hintWindow_) hintWindow_->ReleaseHandle();
}

void TApplication::CancelHint() {
    hideHintWindow();
    if (!hintTiming_) return;
    hintTiming_->pause->stop();
    hintTiming_->control = nullptr;
    hintTiming_->active = false;
}

bool TApplication::IsShortCut(WORD key, TShiftState shift) {
    TMessage m(CN_KEYDOWN, key, (shift & ssAlt) ? KF_ALTDOWN_LPARAM : 0);
    bool handled = false;
    OnShortCut(m, handled);
    if (handled) return true;
    return mainForm_ && mainForm_->IsShortCut(key, shift);
}

// ---- TScreen -------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner)
    : TComponent(owner), hintFont_(std::make_unique<TFont>()), menuFont_(std::make_unique<TFont>()),
      iconFont_(std::make_unique<TFont>()) {}

TScreen::~TScreen() = default;

namespace {
// A form is found by its name from anywhere ("Form.Component" references of the component stream).
const int formsFoundByName = RegisterFindGlobalComponentProc([](const AnsiString& name) -> TComponent* {
    if (!Screen || name.IsEmpty()) return nullptr;
    for (int i = 0; i < Screen->CustomFormCount(); ++i)
        if (SameText(Screen->CustomForms(i)->Name(), name)) return Screen->CustomForms(i);
    return nullptr;
});
}  // namespace

int TScreen::Width() const {
    QScreen* s = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    return s ? s->geometry().width() : 1024;
}

int TScreen::Height() const {
    QScreen* s = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    return s ? s->geometry().height() : 768;
}

void TScreen::SetCursor(TCursor c) {
    if (c == cursor_) return;
    if (QCoreApplication::instance()) {
        if (cursor_ != crDefault) QGuiApplication::restoreOverrideCursor();
        if (c != crDefault) QGuiApplication::setOverrideCursor(ToQtCursor(c));
    }
    cursor_ = c;
}

TWinControl* TScreen::ActiveControl() const {
    if (!QCoreApplication::instance()) return nullptr;
    return WinControlOf(QApplication::focusWidget());
}

TCustomForm* TScreen::ActiveForm() const {
    if (TWinControl* c = ActiveControl())
        if (TCustomForm* f = GetParentForm(c)) return f;
    if (!QCoreApplication::instance()) return nullptr;
    QWidget* w = QApplication::activeWindow();
    return w ? dynamic_cast<TCustomForm*>(ControlOf(w)) : nullptr;
}

int TScreen::FormCount() const {
    int n = 0;
    for (TCustomForm* f : forms_)
        if (dynamic_cast<TForm*>(f)) ++n;
    return n;
}

TForm* TScreen::Forms(int i) const {
    int n = 0;
    for (TCustomForm* f : forms_) {
        if (auto* tf = dynamic_cast<TForm*>(f)) {
            if (n == i) return tf;
            ++n;
        }
    }
    throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
}

TCustomForm* TScreen::CustomForms(int i) const {
    if (i < 0 || i >= CustomFormCount()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return forms_[static_cast<std::size_t>(i)];
}

TRect TScreen::DesktopRect() const { return TRect(0, 0, Width(), Height()); }

TRect TScreen::WorkAreaRect() const {
    if (!QCoreApplication::instance()) return DesktopRect();
    return PrimaryWorkArea();
}

void TScreen::AddForm(TCustomForm* f) { forms_.push_back(f); }

void TScreen::RemoveForm(TCustomForm* f) { forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end()); }
