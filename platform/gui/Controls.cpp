#include "gui/Controls.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"
#include "gui/Menus.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"
#include "gui/WinApi.h"
#include "gui/WindowFrame.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QPainter>
#include <QWidget>

#include <algorithm>

using namespace plantmon::gui;

namespace {
// A popup window stays a top-level window wherever its control is placed (see
// TWinControl::SetPopupWindow); it and everything inside it refuse the focus. The tool-tip type is
// the window kind that no platform activates when it shows or is clicked (a plain tool window
// would take the activation from the editor's form on some), and it is never a grabbing popup.
constexpr Qt::WindowFlags kPopupWindowFlags =
    Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;

bool isPopupWindow(const TControl* c) {
    auto* wc = dynamic_cast<const TWinControl*>(c);
    return wc && wc->PopupWindow();
}

bool insidePopupWindow(const TControl* c) {
    for (; c; c = c->Parent())
        if (isPopupWindow(c)) return true;
    return false;
}

void refuseFocus(QWidget* w) {
    w->setFocusPolicy(Qt::NoFocus);
    for (QWidget* child : w->findChildren<QWidget*>()) child->setFocusPolicy(Qt::NoFocus);
}
}  // namespace

TMouse* Mouse = new TMouse();

AnsiString CharToText(WideChar c) {
    std::string out;
    AppendUtf8(out, static_cast<char32_t>(c));
    return AnsiString(std::move(out));
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState now = CurrentShiftState();
    TShiftState s = now & (ssShift | ssCtrl);
    // A key with Ctrl and Alt held comes as a plain key down without the Alt bit; Ctrl+Alt
    // shortcuts still need to see the Alt.
    if ((keyData & KF_ALTDOWN_LPARAM) || ((now & ssCtrl) && (now & ssAlt))) s |= ssAlt;
    return s;
}

AnsiString GetShortHint(const AnsiString& hint) {
    int p = hint.Pos("|");
    return p == 0 ? hint : hint.SubString(1, p - 1);
}

AnsiString GetLongHint(const AnsiString& hint) {
    int p = hint.Pos("|");
    return p == 0 ? hint : hint.SubString(p + 1, hint.Length() - p);
}

// ---- TSizeConstraints ----------------------------------------------------------------------------

void TSizeConstraints::SetMinWidth(int v) {
    if (v == minWidth_) return;
    minWidth_ = std::max(0, v);
    if (maxWidth_ > 0 && minWidth_ > maxWidth_) maxWidth_ = minWidth_;
    changed();
}
void TSizeConstraints::SetMinHeight(int v) {
    if (v == minHeight_) return;
    minHeight_ = std::max(0, v);
    if (maxHeight_ > 0 && minHeight_ > maxHeight_) maxHeight_ = minHeight_;
    changed();
}
void TSizeConstraints::SetMaxWidth(int v) {
    if (v == maxWidth_) return;
    maxWidth_ = std::max(0, v);
    if (maxWidth_ > 0 && minWidth_ > maxWidth_) minWidth_ = maxWidth_;
    changed();
}
void TSizeConstraints::SetMaxHeight(int v) {
    if (v == maxHeight_) return;
    maxHeight_ = std::max(0, v);
    if (maxHeight_ > 0 && minHeight_ > maxHeight_) minHeight_ = maxHeight_;
    changed();
}

void TSizeConstraints::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TSizeConstraints*>(source)) {
        minWidth_ = s->minWidth_;
        minHeight_ = s->minHeight_;
        maxWidth_ = s->maxWidth_;
        maxHeight_ = s->maxHeight_;
        changed();
        return;
    }
    TPersistent::Assign(source);
}

void TSizeConstraints::Constrain(int& width, int& height) const {
    if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
    if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
    if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
    if (minHeight_ > 0 && height < minHeight_) height = minHeight_;
}

void TSizeConstraints::changed() {
    if (control_) control_->SetBounds(control_->Left(), control_->Top(), control_->Width(), control_->Height());
    OnChange(this);
}

// ---- TControl ------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner)
    : TComponent(owner), constraints_(std::make_unique<TSizeConstraints>(this)), color_(clWindow),
      font_(std::make_unique<TFont>()) {
    font_->OnChange = TNotifyEvent(this, &TControl::fontChangedHandler);
    RegisterLiveControl(this, true);
}

TControl::~TControl() {
    Destroying_();
    RegisterLiveControl(this, false);
    plantmon::gui::ForgetDragControl(this);
    if (Mouse && Mouse->Capture() == this) Mouse->SetCapture(nullptr);
    actionLink_.reset();
    if (parent_) parent_->RemoveControl(this);
    if (host_) {
        ControlHost* h = host_;
        host_ = nullptr;
        h->Detach();
        DisposeWidget(h);
    }
}

QWidget* TControl::Widget() const { return host_ ? host_->AsWidget() : nullptr; }

bool TControl::InDispatch() const { return host_ && host_->depth > 0; }

void TControl::AttachHost(ControlHost* host) {
    EnsureRouter();
    host_ = host;
    QWidget* w = host->AsWidget();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setGeometry(left_, top_, std::max(0, width_), std::max(0, height_));
    w->setFont(ToQFont(*font_));
    w->setEnabled(enabled_);
    w->setMouseTracking(true);
    if (PaintMode() != PaintKind::Native) w->setAttribute(Qt::WA_NoSystemBackground, true);
    w->hide();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("Элемент управления не может быть родителем самому себе");
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("Элемент управления не может быть родителем своего предка");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    ConstrainedResize(width, height);
    bool moved = left != left_ || top != top_;
    bool sized = width != width_ || height != height_;
    if (!moved && !sized) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged();
    if (parent_ && !parent_->aligning_) UpdateAnchorRules();
    if (sized) Perform(WM_SIZE, 0, MAKELPARAM(std::max(0, width), std::max(0, height)));
    if (moved && !sized) Perform(WM_MOVE, 0, MAKELPARAM(left, top));
    if (parent_ && !parent_->aligning_ && (align_ != alNone)) RequestAlign();
}

void TControl::ConstrainedResize(int& width, int& height) { constraints_->Constrain(width, height); }

void TControl::BoundsFromWidget(int left, int top, int width, int height) {
    bool moved = left != left_ || top != top_;
    bool sized = width != width_ || height != height_;
    if (!moved && !sized) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (auto* wc = dynamic_cast<TWinControl*>(this)) wc->ClientBoundsChanged();
    if (sized) Perform(WM_SIZE, 0, MAKELPARAM(std::max(0, width), std::max(0, height)));
    if (moved && !sized) Perform(WM_MOVE, 0, MAKELPARAM(left, top));
}

void TControl::BoundsChanged() {
    if (QWidget* w = Widget()) w->setGeometry(left_, top_, std::max(0, width_), std::max(0, height_));
}

void TControl::UpdateAnchorRules() {
    if (!parent_) return;
    TRect pr = parent_->ClientRect();
    anchorRight_ = pr.Width() - (left_ + width_);
    anchorBottom_ = pr.Height() - (top_ + height_);
    anchorsKnown_ = true;
}

TRect TControl::ClientRect() const { return TRect(0, 0, width_, height_); }

void TControl::SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
void TControl::SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

void TControl::SetClientSize(int w, int h) {
    TRect cr = ClientRect();
    SetBounds(left_, top_, width_ + (w - cr.Width()), height_ + (h - cr.Height()));
}

TPoint TControl::ClientOrigin() const { return ClientToScreen(TPoint(0, 0)); }

TPoint TControl::ClientToScreen(TPoint p) const {
    QWidget* w = Widget();
    if (auto* wc = dynamic_cast<const TWinControl*>(this)) w = wc->ClientWidget();
    if (!w) return p;
    QPoint g = w->mapToGlobal(QPoint(p.x, p.y));
    return TPoint(g.x(), g.y());
}

TPoint TControl::ScreenToClient(TPoint p) const {
    QWidget* w = Widget();
    if (auto* wc = dynamic_cast<const TWinControl*>(this)) w = wc->ClientWidget();
    if (!w) return p;
    QPoint l = w->mapFromGlobal(QPoint(p.x, p.y));
    return TPoint(l.x(), l.y());
}

TPoint TControl::ClientToParent(TPoint p, TWinControl* parent) const {
    if (!parent) parent = parent_;
    const TControl* c = this;
    TPoint r = p;
    while (c && c != parent) {
        r.x += c->left_;
        r.y += c->top_;
        c = c->parent_;
    }
    if (!c) throw EInvalidOperation("Элемент управления не находится внутри заданного родителя");
    return r;
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    TAlign old = align_;
    align_ = a;
    if (parent_) {
        // A control that leaves alignment keeps its place and takes its anchors from there.
        if (a == alNone && old != alNone) UpdateAnchorRules();
        RequestAlign();
    }
}

void TControl::SetAnchors(TAnchors a) {
    anchors_ = a;
    UpdateAnchorRules();
}

void TControl::RequestAlign() {
    if (parent_) parent_->Realign();
}

void TControl::BringToFront() {
    if (!parent_) {
        if (QWidget* w = Widget()) w->raise();
        return;
    }
    auto& v = parent_->controls_;
    v.erase(std::find(v.begin(), v.end(), this));
    v.push_back(this);
    parent_->RestackChildren();
    if (align_ != alNone) RequestAlign();
}

void TControl::SendToBack() {
    if (!parent_) {
        if (QWidget* w = Widget()) w->lower();
        return;
    }
    auto& v = parent_->controls_;
    v.erase(std::find(v.begin(), v.end(), this));
    v.insert(v.begin(), this);
    parent_->RestackChildren();
    if (align_ != alNone) RequestAlign();
}

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    VisibleChanged();
    Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
    if (parent_ && align_ != alNone) RequestAlign();
}

void TControl::Show() {
    SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::VisibleChanged() {
    if (QWidget* w = Widget()) {
        if (parent_) w->setVisible(visible_);
    }
}

bool TControl::IsVisibleOnScreen() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    EnabledChanged();
    Perform(CM_ENABLEDCHANGED);
}

void TControl::EnabledChanged() {
    if (QWidget* w = Widget()) w->setEnabled(enabled_);
}

void TControl::SetColor(TColor c) {
    parentColor_ = false;
    if (c == color_) return;
    color_ = c;
    ColorChanged();
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool b) {
    if (b == parentColor_) return;
    parentColor_ = b;
    if (b && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::SetFont(TFont* f) {
    if (f) font_->Assign(f);
}

void TControl::SetParentFont(bool b) {
    if (b == parentFont_) return;
    parentFont_ = b;
    if (b && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::fontChangedHandler(TObject*) {
    if (!applyingParentFont_) parentFont_ = false;
    FontChanged();
    Perform(CM_FONTCHANGED);
}

void TControl::FontChanged() {
    if (QWidget* w = Widget()) {
        w->setFont(ToQFont(*font_));
        if (PaintMode() == PaintKind::Native) {
            // Natively drawn controls take the font's colour for their text while they are enabled;
            // a disabled control keeps the style's greyed text, so that it does not look usable.
            QPalette pal = w->palette();
            QColor c = ToQColor(font_->Color());
            for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
                for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                    pal.setColor(g, r, c);
            w->setPalette(pal);
        }
    }
    Invalidate();
}

void TControl::SetText(const AnsiString& s) {
    if (s == GetText()) return;
    text_ = s;
    TextChanged();
    Perform(CM_TEXTCHANGED);
}

void TControl::TextChanged() {}

void TControl::SetShowHint(bool b) {
    parentShowHint_ = false;
    if (b == showHint_) return;
    showHint_ = b;
    if (auto* wc = dynamic_cast<TWinControl*>(this)) wc->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool b) {
    if (b == parentShowHint_) return;
    parentShowHint_ = b;
    if (b && parent_) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor c) {
    if (c == cursor_) return;
    cursor_ = c;
    if (QWidget* w = Widget()) {
        if (c == crDefault) w->unsetCursor();
        else w->setCursor(ToQtCursor(c));
    }
    Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* m) {
    if (m == popupMenu_) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = m;
    if (m) m->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove) {
        if (component == popupMenu_) popupMenu_ = nullptr;
        if (actionLink_ && component == actionLink_->Action()) SetAction(nullptr);
    }
}

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* a) {
    if (a == Action()) return;
    if (!a) {
        actionLink_.reset();
        controlStyle_ &= ~csActionClient;
        return;
    }
    if (!actionLink_) actionLink_ = std::make_unique<TControlActionLink>(this);
    actionLink_->SetAction(a);
    controlStyle_ |= csActionClient;
    a->FreeNotification(this);
    ActionChange(a, false);
}

void TControl::ActionChange(TBasicAction* sender, bool /*checkDefaults*/) {
    auto* a = dynamic_cast<TCustomAction*>(sender);
    if (!a) return;
    SetCaption(a->Caption());
    SetEnabled(a->Enabled());
    SetHint(a->Hint());
    SetVisible(a->Visible());
}

void TControl::Loaded() { TComponent::Loaded(); }

void TControl::Invalidate() {
    ++invalidateCount_;
    ControlHost* h = PaintHost();
    if (!h) return;
    QWidget* w = h->AsWidget();
    if (PaintMode() == PaintKind::Kept) h->dirty = QRegion(0, 0, std::max(0, w->width()), std::max(0, w->height()));
    w->update();
}

void TControl::Repaint() {
    ++invalidateCount_;
    ControlHost* h = PaintHost();
    if (!h) return;
    QWidget* w = h->AsWidget();
    if (PaintMode() == PaintKind::Kept) h->dirty = QRegion(0, 0, std::max(0, w->width()), std::max(0, w->height()));
    w->repaint();
}

void TControl::Update() {
    ControlHost* h = PaintHost();
    if (!h) return;
    QWidget* w = h->AsWidget();
    if (PaintMode() == PaintKind::Kept) {
        if (!h->dirty.isEmpty()) w->repaint(h->dirty);
        return;
    }
    w->repaint();
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m(msg, wParam, lParam);
    runWindowProc(m);
    return m.Result;
}

TWndMethod TControl::WindowProc() const {
    if (windowProc_) return windowProc_;
    return TWndMethod(const_cast<TControl*>(this), &TControl::WndProc);
}

void TControl::SetWindowProc(const TWndMethod& handler) {
    // The control's own WndProc is kept as "not replaced", so that WindowProc() of a control whose
    // hook was taken back compares equal to what it was before.
    if (!handler || handler == TWndMethod(this, &TControl::WndProc)) windowProc_ = TWndMethod();
    else windowProc_ = handler;
}

void TControl::runWindowProc(TMessage& m) {
    if (windowProc_) windowProc_(m);
    else WndProc(m);
}

void TControl::WndProc(TMessage& m) {
    if (plantmon::gui::DragHandlesMessage(this, m)) return;
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // An automatic drag takes the press: the control drags instead of seeing it.
        if (dragMode_ == dmAutomatic && !(ComponentState() & csDesigning)) {
            BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
            return;
        }
        if (controlStyle_ & csCaptureMouse) controlState_ |= csLButtonDown;
        break;
    case WM_LBUTTONUP:
        controlState_ &= ~csLButtonDown;
        break;
    default:
        break;
    }
    Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(m); break;
    case WM_LBUTTONUP: WMLButtonUp(m); break;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(m); break;
    case WM_RBUTTONDOWN: WMRButtonDown(m); break;
    case WM_RBUTTONUP: WMRButtonUp(m); break;
    case WM_RBUTTONDBLCLK: WMRButtonDblClk(m); break;
    case WM_MBUTTONDOWN: WMMButtonDown(m); break;
    case WM_MBUTTONUP: WMMButtonUp(m); break;
    case WM_MBUTTONDBLCLK: WMMButtonDblClk(m); break;
    case WM_MOUSEMOVE: WMMouseMove(m); break;
    case WM_MOUSEWHEEL: WMMouseWheel(m); break;
    case WM_CONTEXTMENU: WMContextMenu(m); break;
    case WM_CANCELMODE: WMCancelMode(m); break;
    case WM_PAINT: WMPaint(m); break;
    case WM_ERASEBKGND: WMEraseBkgnd(m); break;
    case WM_SIZE: WMSize(m); break;
    case CM_MOUSEENTER: CMMouseEnter(m); break;
    case CM_MOUSELEAVE: CMMouseLeave(m); break;
    case CM_MOUSEWHEEL: CMMouseWheel(m); break;
    case CM_HINTSHOW: CMHintShow(m); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(m); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(m); break;
    case CM_TEXTCHANGED: CMTextChanged(m); break;
    case CM_FONTCHANGED: CMFontChanged(m); break;
    case CM_COLORCHANGED: CMColorChanged(m); break;
    case CM_ACTIONEXECUTE: m.Result = ExecuteAction(reinterpret_cast<TBasicAction*>(m.LParam)) ? 1 : 0; break;
    case CM_ACTIONUPDATE: m.Result = UpdateAction(reinterpret_cast<TBasicAction*>(m.LParam)) ? 1 : 0; break;
    default: DefaultHandler(m); break;
    }
}

bool TControl::ExecuteAction(TBasicAction* action) { return OfferTarget(action, this, true); }

bool TControl::UpdateAction(TBasicAction* action) { return OfferTarget(action, this, false); }

void TControl::DefaultHandler(TMessage& m) {
    if (m.Native) {
        auto* info = static_cast<NativeInfo*>(m.Native);
        info->nativeRequested = true;
        if (!info->deferred && info->host && info->host->Control() == this && info->event) {
            info->nativeResult = info->host->NativeEvent(info->event);
            info->event = nullptr;  // handled once
        }
        return;
    }
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_MOUSEWHEEL:
        // Sent by code (Perform, SendMessage): the native widget handles it as it handles typed
        // keys and the wheel (a drop-down list moving its selection for the editor that has the
        // focus).
        if (host_ && PaintMode() == PaintKind::Native) DeliverNativeInput(this, m);
        break;
    case WM_GETTEXTLENGTH:
        m.Result = GetText().Length();
        break;
    case WM_GETTEXT: {
        AnsiString t = GetText();
        auto* buf = reinterpret_cast<char*>(m.LParam);
        auto cap = static_cast<std::size_t>(m.WParam);
        if (buf && cap > 0) {
            std::size_t n = std::min(cap - 1, t.size());
            std::copy_n(t.c_str(), n, buf);
            buf[n] = '\0';
            m.Result = static_cast<LRESULT>(n);
        }
        break;
    }
    case WM_SETTEXT:
        SetText(AnsiString(reinterpret_cast<const char*>(m.LParam)));
        m.Result = 1;
        break;
    case WM_CONTEXTMENU:
        // Nobody took it: a native widget shows its own menu (an edit's cut, copy and paste).
        if (host_ && PaintMode() == PaintKind::Native) {
            QPoint global = m.LParam == -1 ? Widget()->mapToGlobal(QPoint(0, 0))
                                           : QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
            QContextMenuEvent ce(m.LParam == -1 ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse,
                                 Widget()->mapFromGlobal(global), global);
            host_->NativeEvent(&ce);
        }
        break;
    default:
        break;
    }
}

static void sendCancelMode(TControl* sender) {
    TWinControl* focused = Screen ? Screen->ActiveControl() : nullptr;
    if (focused && focused != sender) focused->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

static TShiftState keysToShiftState(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (CurrentShiftState() & ssAlt) s |= ssAlt;
    return s;
}

void TControl::doMouseDown(TMessage& m, TMouseButton button, TShiftState extra) {
    if (controlStyle_ & csNoStdEvents) return;
    MouseDown(button, keysToShiftState(m.WParam) | extra, m.XPos(), m.YPos());
}

void TControl::doMouseUp(TMessage& m, TMouseButton button) {
    if (controlStyle_ & csNoStdEvents) return;
    MouseUp(button, keysToShiftState(m.WParam), m.XPos(), m.YPos());
}

void TControl::WMLButtonDown(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
    if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
    doMouseDown(m, mbLeft, 0);
}

void TControl::WMLButtonDblClk(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
    if (controlStyle_ & csClickEvents) DblClick();
    doMouseDown(m, mbLeft, ssDouble);
}

void TControl::WMLButtonUp(TMessage& m) {
    DefaultHandler(m);
    if (controlStyle_ & csCaptureMouse) SetMouseCapture(false);
    if (controlState_ & csClicked) {
        controlState_ &= ~csClicked;
        if (ClientRect().Contains(TPoint(m.XPos(), m.YPos()))) Click();
    }
    doMouseUp(m, mbLeft);
}

void TControl::WMRButtonDown(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    doMouseDown(m, mbRight, 0);
}

void TControl::WMRButtonDblClk(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    doMouseDown(m, mbRight, ssDouble);
}

void TControl::WMRButtonUp(TMessage& m) {
    DefaultHandler(m);
    doMouseUp(m, mbRight);
    // Releasing the right button asks for the context menu, at the pointer.
    TPoint screen = ClientToScreen(TPoint(m.XPos(), m.YPos()));
    HWND wnd = nullptr;
    for (TControl* c = this; c && !wnd; c = c->parent_) wnd = dynamic_cast<TWinControl*>(c);
    Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(screen.x, screen.y));
}

void TControl::WMMButtonDown(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    doMouseDown(m, mbMiddle, 0);
}

void TControl::WMMButtonDblClk(TMessage& m) {
    sendCancelMode(this);
    DefaultHandler(m);
    doMouseDown(m, mbMiddle, ssDouble);
}

void TControl::WMMButtonUp(TMessage& m) {
    DefaultHandler(m);
    doMouseUp(m, mbMiddle);
}

void TControl::WMMouseMove(TMessage& m) {
    DefaultHandler(m);
    if (controlStyle_ & csNoStdEvents) return;
    MouseMove(keysToShiftState(m.WParam), m.XPos(), m.YPos());
}

void TControl::WMMouseWheel(TMessage& m) {
    // The control under the pointer is asked first, then its parents; nobody taking it leaves the
    // wheel to the widget's own scrolling.
    for (TControl* c = this; c; c = c->parent_) {
        if (c->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TControl::CMMouseWheel(TMessage& m) {
    TShiftState shift = keysToShiftState(LOWORD(m.WParam));
    int delta = static_cast<std::int16_t>(HIWORD(m.WParam));
    TPoint pos(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    m.Result = DoMouseWheel(shift, delta, pos) ? 1 : 0;
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (!handled) {
        if (wheelDelta < 0) handled = DoMouseWheelDown(shift, mousePos);
        else if (wheelDelta > 0) handled = DoMouseWheelUp(shift, mousePos);
    }
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::WMContextMenu(TMessage& m) {
    TPoint screen(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    bool keyboard = m.LParam == -1;
    TPoint local = keyboard ? TPoint(0, 0) : ScreenToClient(screen);
    bool handled = false;
    DoContextPopup(local, handled);
    if (handled) {
        m.Result = 1;
        return;
    }
    // The nearest control with a popup menu shows it; without one the widget's own menu appears.
    for (TControl* c = this; c; c = c->parent_) {
        TPopupMenu* pm = c->popupMenu_;
        if (pm && pm->AutoPopup()) {
            pm->SetPopupComponent(this);
            if (keyboard) screen = ClientToScreen(TPoint(0, 0));
            pm->Popup(screen.x, screen.y);
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TControl::DoContextPopup(TPoint mousePos, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::WMCancelMode(TMessage& m) {
    DefaultHandler(m);
    if (MouseCapture()) {
        SetMouseCapture(false);
        if (controlState_ & csLButtonDown) Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
    } else {
        controlState_ &= ~csLButtonDown;
    }
}

void TControl::WMPaint(TMessage& m) { DefaultHandler(m); }

void TControl::WMEraseBkgnd(TMessage& m) {
    // Windowed controls clear their background with their colour; others leave what lies beneath.
    auto* canvas = reinterpret_cast<TCanvas*>(m.WParam);
    if (canvas && dynamic_cast<TWinControl*>(this)) {
        FillRectColor(canvas, ClientRect(), color_);
        m.Result = 1;
        return;
    }
    DefaultHandler(m);
}

void TControl::WMSize(TMessage& m) {
    DefaultHandler(m);
    Resize();
}

void TControl::Resize() { OnResize(this); }

void TControl::CMMouseEnter(TMessage& m) {
    mouseInControl_ = true;
    DefaultHandler(m);
    OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& m) {
    mouseInControl_ = false;
    DefaultHandler(m);
    OnMouseLeave(this);
}

void TControl::CMHintShow(TMessage& m) { DefaultHandler(m); }

void TControl::CMParentFontChanged(TMessage& m) {
    if (parentFont_ && parent_) {
        applyingParentFont_ = true;
        try {
            font_->Assign(parent_->Font());
        } catch (...) {
            applyingParentFont_ = false;
            throw;
        }
        applyingParentFont_ = false;
        parentFont_ = true;
    }
    DefaultHandler(m);
}

void TControl::CMParentColorChanged(TMessage& m) {
    if (parentColor_ && parent_) {
        TColor c = parent_->Color();
        if (c != color_) {
            color_ = c;
            ColorChanged();
            Perform(CM_COLORCHANGED);
        }
    }
    DefaultHandler(m);
}

void TControl::CMParentShowHintChanged(TMessage& m) {
    if (parentShowHint_ && parent_) {
        bool b = parent_->ShowHint();
        if (b != showHint_) {
            showHint_ = b;
            if (auto* wc = dynamic_cast<TWinControl*>(this)) wc->NotifyControls(CM_PARENTSHOWHINTCHANGED);
        }
    }
    DefaultHandler(m);
}

void TControl::CMEnabledChanged(TMessage& m) {
    Invalidate();
    DefaultHandler(m);
}

void TControl::CMVisibleChanged(TMessage& m) { DefaultHandler(m); }

void TControl::CMTextChanged(TMessage& m) {
    Invalidate();
    DefaultHandler(m);
}

void TControl::CMFontChanged(TMessage& m) { DefaultHandler(m); }

void TControl::CMColorChanged(TMessage& m) { DefaultHandler(m); }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    TBasicAction* a = Action();
    if (OnClick && a && !(OnClick == a->OnExecute)) {
        OnClick(this);
    } else if (actionLink_) {
        actionLink_->Execute(this);
    } else if (OnClick) {
        OnClick(this);
    }
}

void TControl::DblClick() { OnDblClick(this); }

bool TControl::MouseCapture() const { return Mouse->Capture() == this; }

void TControl::SetMouseCapture(bool b) {
    if (b) Mouse->SetCapture(this);
    else if (Mouse->Capture() == this) Mouse->SetCapture(nullptr);
}

void TControl::GuardedPaint(const std::function<void()>& paint) {
    ++paintCount_;
    BeepGuard("paint", paint);
}

// ---- TControlCanvas ------------------------------------------------------------------------------

struct TControlCanvas::Scratch {
    QImage image;
};

TControlCanvas::TControlCanvas() = default;

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* c) {
    FreeHandle();
    control_ = c;
}

void TControlCanvas::FreeHandle() {
    if (scratch_) {
        DetachImage(*this);
        scratch_.reset();
    }
}

void TControlCanvas::CreateHandle() {
    ControlHost* h = control_ ? control_->PaintHost() : nullptr;
    int w = control_ ? std::max(1, control_->Width()) : 1;
    int hgt = control_ ? std::max(1, control_->Height()) : 1;
    if (h && control_->PaintMode() == TControl::PaintKind::Kept) {
        // Drawing outside a paint goes onto the kept picture and shows at the next repaint of the
        // widget, without a Paint of the control.
        QWidget* wd = h->AsWidget();
        QSize sz(std::max(1, wd->width()), std::max(1, wd->height()));
        if (h->backing.size() != sz) {
            QImage img(sz, QImage::Format_RGB32);
            img.fill(ToQColor(control_->Color()));
            h->backing = img;
            h->dirty = QRegion(0, 0, sz.width(), sz.height());
        }
        AttachImage(*this, &h->backing);
        wd->update();
        return;
    }
    scratch_ = std::make_unique<Scratch>();
    scratch_->image = QImage(w, hgt, QImage::Format_RGB32);
    scratch_->image.fill(Qt::white);
    AttachImage(*this, &scratch_->image);
}

// ---- TWinControl ---------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
    brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
    Destroying_();
    // Child controls go with their parent, whoever owns them; each leaves its owner's list.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        delete c;
    }
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

TControl* TWinControl::Controls(int i) const {
    if (i < 0 || i >= ControlCount()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return controls_[static_cast<std::size_t>(i)];
}

void TWinControl::GetChildren(TGetChildProc proc, TComponent* root) {
    // A copy: a child streamed may change the list.
    const std::vector<TControl*> controls = controls_;
    for (TControl* c : controls)
        if (c->Owner() == root) proc(c);
}

void TWinControl::InsertControl(TControl* c) {
    if (!c || c->parent_ == this) return;
    controls_.push_back(c);
    c->parent_ = this;
    if (auto* wc = dynamic_cast<TWinControl*>(c)) tabList_.push_back(wc);
    if (QWidget* cw = c->Widget()) {
        if (QWidget* mine = ClientWidget()) {
            bool popup = isPopupWindow(c);
            if (popup) cw->setParent(mine, cw->windowFlags());
            else cw->setParent(mine);
            cw->setGeometry(c->left_, c->top_, std::max(0, c->width_), std::max(0, c->height_));
            if (popup || insidePopupWindow(this)) refuseFocus(cw);
        }
    }
    c->Perform(CM_PARENTCOLORCHANGED);
    c->Perform(CM_PARENTFONTCHANGED);
    c->Perform(CM_PARENTSHOWHINTCHANGED);
    RestackChildren();
    c->UpdateAnchorRules();
    if (QWidget* cw = c->Widget()) cw->setVisible(c->visible_);
    ControlInserted(c);
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 1);
    Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    if (!Destroying()) ControlRemoving(c);
    if (auto* wc = dynamic_cast<TWinControl*>(c)) {
        auto t = std::find(tabList_.begin(), tabList_.end(), wc);
        if (t != tabList_.end()) tabList_.erase(t);
        // A form forgets a control that leaves it.
        if (TCustomForm* f = GetParentForm(this)) f->ControlRemoved(wc);
    }
    controls_.erase(it);
    c->parent_ = nullptr;
    if (QWidget* cw = c->Widget()) {
        if (!Destroying()) {
            cw->hide();
            if (isPopupWindow(c)) cw->setParent(nullptr, cw->windowFlags());
            else cw->setParent(nullptr);
        }
    }
    if (!Destroying()) {
        Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 0);
        Realign();
    }
}

bool TWinControl::ContainsControl(TControl* c) const {
    for (TControl* p = c; p; p = p->Parent())
        if (p == this) return true;
    return false;
}

TControl* TWinControl::FindChildControl(const AnsiString& name) const {
    for (TControl* c : controls_)
        if (SameText(c->Name(), name)) return c;
    return nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    auto hit = [&](TControl* c) {
        return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p);
    };
    if (allowWinControls) {
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
            if (dynamic_cast<TWinControl*>(*it) && hit(*it)) return *it;
    }
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if (!dynamic_cast<TWinControl*>(*it) && hit(*it)) return *it;
    return nullptr;
}

void TWinControl::RestackChildren() {
    // Graphic controls lie beneath every windowed sibling; within each kind the list order holds.
    for (TControl* c : controls_)
        if (!dynamic_cast<TWinControl*>(c))
            if (QWidget* w = c->Widget()) w->raise();
    for (TControl* c : controls_)
        if (dynamic_cast<TWinControl*>(c))
            if (QWidget* w = c->Widget()) w->raise();
}

void TWinControl::SetTabStop(bool b) {
    if (b == tabStop_) return;
    tabStop_ = b;
    Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
    TWinControl* p = Parent();
    if (!p) return -1;
    auto it = std::find(p->tabList_.begin(), p->tabList_.end(), this);
    return it == p->tabList_.end() ? -1 : static_cast<int>(it - p->tabList_.begin());
}

void TWinControl::SetTabOrder(int order) {
    TWinControl* p = Parent();
    if (!p) return;
    auto& v = p->tabList_;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end()) return;
    v.erase(it);
    if (order < 0 || order > static_cast<int>(v.size())) order = static_cast<int>(v.size());
    v.insert(v.begin() + order, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int n = static_cast<int>(list.size());
    int start = -1;
    if (current) {
        auto it = std::find(list.begin(), list.end(), current);
        if (it != list.end()) start = static_cast<int>(it - list.begin());
    }
    if (start < 0) start = goForward ? n - 1 : 0;
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == current) break;
        if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop);
    if (next) next->SetFocus();
}

bool TWinControl::Showing() const {
    QWidget* w = Widget();
    return w && w->isVisible();
}

bool TWinControl::CanFocus() const {
    TCustomForm* f = GetParentForm(this);
    if (!f) return Visible() && Enabled();
    for (const TControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
        if (c == f) break;
    }
    return true;
}

void TWinControl::SetFocus() {
    TCustomForm* f = GetParentForm(this);
    if (f) {
        f->FocusControl(this);
        return;
    }
    if (QWidget* w = Widget()) w->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
    QWidget* fw = QApplication::focusWidget();
    return fw && ControlOf(fw) == this;
}

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
    if (alignLevel_ > 0) --alignLevel_;
    if (alignLevel_ == 0 && alignPending_) Realign();
}

void TWinControl::Realign() {
    if (alignLevel_ > 0 || Destroying()) {
        alignPending_ = true;
        return;
    }
    if (aligning_) return;
    alignPending_ = false;
    alignAll();
}

void TWinControl::SetBorderWidth(int w) {
    if (w == borderWidth_) return;
    borderWidth_ = std::max(0, w);
    Realign();
    Invalidate();
}

void TWinControl::SetCtl3D(bool b) {
    if (b == ctl3D_) return;
    ctl3D_ = b;
    parentCtl3D_ = false;
    Perform(CM_CTL3DCHANGED);
    Invalidate();
}

void TWinControl::AdjustClientRect(TRect& rect) { InflateRect(rect, -borderWidth_, -borderWidth_); }

void TWinControl::alignAll() {
    aligning_ = true;
    try {
        TRect rect = ClientRect();
        AdjustClientRect(rect);
        AlignControls(nullptr, rect);
        aligning_ = false;
        ControlsAligned(rect);
    } catch (...) {
        aligning_ = false;
        throw;
    }
}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
    auto place = [&](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->align_ == align && c->Visible()) list.push_back(c);
        auto key = [align](TControl* c) {
            switch (align) {
            case alTop: return c->top_;
            case alBottom: return -(c->top_ + c->height_);
            case alLeft: return c->left_;
            case alRight: return -(c->left_ + c->width_);
            default: return 0;
            }
        };
        // The control that asked for the pass keeps its place among equals.
        std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
            int ka = key(a), kb = key(b);
            if (ka != kb) return ka < kb;
            return a == control && b != control;
        });
        for (TControl* c : list) {
            int w = std::max(0, rect.Width());
            int h = std::max(0, rect.Height());
            switch (align) {
            case alTop: {
                int ch = c->height_;
                c->SetBounds(rect.Left, rect.Top, w, ch);
                rect.Top += c->height_;
                break;
            }
            case alBottom: {
                int ch = c->height_;
                c->SetBounds(rect.Left, rect.Bottom - ch, w, ch);
                rect.Bottom -= c->height_;
                break;
            }
            case alLeft: {
                int cw = c->width_;
                c->SetBounds(rect.Left, rect.Top, cw, h);
                rect.Left += c->width_;
                break;
            }
            case alRight: {
                int cw = c->width_;
                c->SetBounds(rect.Right - cw, rect.Top, cw, h);
                rect.Right -= c->width_;
                break;
            }
            case alClient:
                c->SetBounds(rect.Left, rect.Top, w, h);
                break;
            default:
                break;
            }
            if (rect.Bottom < rect.Top) rect.Bottom = rect.Top;
            if (rect.Right < rect.Left) rect.Right = rect.Left;
        }
    };
    place(alTop);
    place(alBottom);
    place(alLeft);
    place(alRight);
    place(alClient);
}

void TWinControl::applyAnchors(TControl* c, int /*oldWidth*/, int /*oldHeight*/) {
    if (c->align_ != alNone || !c->anchorsKnown_) return;
    TAnchors a = c->anchors_;
    if (!(a & (akRight | akBottom))) return;
    TRect pr = ClientRect();
    int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
    if (a & akRight) {
        if (a & akLeft) w = std::max(0, pr.Width() - c->anchorRight_ - l);
        else l = pr.Width() - c->anchorRight_ - w;
    }
    if (a & akBottom) {
        if (a & akTop) h = std::max(0, pr.Height() - c->anchorBottom_ - t);
        else t = pr.Height() - c->anchorBottom_ - h;
    }
    aligning_ = true;
    try {
        c->SetBounds(l, t, w, h);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::RequestAlign() { TControl::RequestAlign(); }

void TWinControl::BoundsChanged() {
    TControl::BoundsChanged();
    ClientBoundsChanged();
}

void TWinControl::ClientBoundsChanged() {
    int cw = ClientWidth(), ch = ClientHeight();
    if (cw != lastClientWidth_ || ch != lastClientHeight_) {
        int ow = lastClientWidth_, oh = lastClientHeight_;
        lastClientWidth_ = cw;
        lastClientHeight_ = ch;
        if (ow >= 0)
            for (TControl* c : controls_) applyAnchors(c, ow, oh);
        Realign();
    }
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::ColorChanged() {
    brush_->SetColor(Color());
    TControl::ColorChanged();
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::EnabledChanged() { TControl::EnabledChanged(); }

void TWinControl::VisibleChanged() {
    // A popup window without a parent shows by itself, as a form does.
    if (popupWindow_ && !Parent()) {
        if (QWidget* w = Widget()) w->setVisible(Visible());
    } else {
        TControl::VisibleChanged();
    }
    ShowingChanged();
}

void TWinControl::SetPopupWindow(bool b) {
    if (b == popupWindow_) return;
    popupWindow_ = b;
    QWidget* w = Widget();
    if (!w) return;
    const bool shown = w->isVisible();
    QWidget* parentWidget = Parent() ? Parent()->ClientWidget() : nullptr;
    if (b) {
        w->setParent(parentWidget, kPopupWindowFlags);
        w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        refuseFocus(w);
    } else {
        w->setParent(parentWidget);
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    w->setGeometry(Left(), Top(), std::max(0, Width()), std::max(0, Height()));
    if (shown && Visible()) w->show();
}

void TWinControl::ShowingChanged() { Perform(CM_SHOWINGCHANGED); }

void TWinControl::NotifyControls(UINT msg) {
    TMessage m(msg);
    Broadcast(m, false);
}

void TWinControl::Broadcast(TMessage& m, bool stopAtResult) {
    // A copy: a handler may add or remove controls.
    std::vector<TControl*> list = controls_;
    for (TControl* c : list) {
        if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
        c->runWindowProc(m);
        if (stopAtResult && m.Result != 0) return;
    }
}

void TWinControl::Invalidate() { TControl::Invalidate(); }
void TWinControl::Repaint() { TControl::Repaint(); }
void TWinControl::Update() { TControl::Update(); }

void TWinControl::InvalidateRect(const TRect& r) {
    ControlHost* h = PaintHost();
    if (!h) return;
    QRect qr(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    if (PaintMode() == PaintKind::Kept) h->dirty += qr;
    if (QWidget* w = ClientWidget()) w->update(qr);
}

void TWinControl::ValidateRect(const TRect& r) {
    ControlHost* h = PaintHost();
    if (!h || PaintMode() != PaintKind::Kept) return;
    h->dirty -= QRegion(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

void TWinControl::ScrollBy(int dx, int dy) {
    DisableAlign();
    for (TControl* c : controls_) c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    EnableAlign();
    Invalidate();
}

void TWinControl::RecreateWnd() {
    Perform(CM_RECREATEWND);
    FontChanged();
    Invalidate();
}

void TWinControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS: WMSetFocus(m); break;
    case WM_KILLFOCUS: WMKillFocus(m); break;
    case WM_KEYDOWN: WMKeyDown(m); break;
    case WM_KEYUP: WMKeyUp(m); break;
    case WM_CHAR: WMChar(m); break;
    case WM_SYSKEYDOWN: WMSysKeyDown(m); break;
    case WM_SYSKEYUP: WMSysKeyUp(m); break;
    case WM_SYSCHAR:
        // Alt+letter: the form looks for a control whose caption has that accelerator.
        if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) {
            m.Result = 1;
            break;
        }
        DefaultHandler(m);
        break;
    case WM_GETDLGCODE: WMGetDlgCode(m); break;
    case WM_TIMER: WMTimer(m); break;
    case WM_COMMAND: WMCommand(m); break;
    case WM_SETCURSOR: WMSetCursor(m); break;
    case CM_ENTER: CMEnter(m); break;
    case CM_EXIT: CMExit(m); break;
    case CM_DIALOGKEY: CMDialogKey(m); break;
    case CM_DIALOGCHAR: CMDialogChar(m); break;
    case CM_WANTSPECIALKEY: CMWantSpecialKey(m); break;
    case CM_CHILDKEY: CMChildKey(m); break;
    case CM_CANCELMODE: CMCancelMode(m); break;
    case CM_SHOWINGCHANGED: CMShowingChanged(m); break;
    case CM_FOCUSCHANGED: CMFocusChanged(m); break;
    case CN_COMMAND: CNCommand(m); break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(m); break;
    default: TControl::Dispatch(m); break;
    }
}

void TWinControl::WMSetFocus(TMessage& m) {
    DefaultHandler(m);
    // The form learns its new active control; leaving the old one may be refused by an exception,
    // in which case the focus goes back there.
    if (TCustomForm* f = GetParentForm(this)) f->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

bool TWinControl::DoKeyDown(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyDown(m)) return true;
    WORD key = static_cast<WORD>(m.WParam);
    TShiftState shift = KeyDataToShiftState(m.LParam);
    if (!(ControlStyle() & csNoStdEvents)) {
        KeyDown(key, shift);
        m.WParam = key;
        if (key == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyPress(m)) return true;
    auto ch = static_cast<WideChar>(m.WParam);
    if (!(ControlStyle() & csNoStdEvents)) {
        KeyPress(ch);
        m.WParam = static_cast<WPARAM>(ch);
        if (ch == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyUp(m)) return true;
    WORD key = static_cast<WORD>(m.WParam);
    TShiftState shift = KeyDataToShiftState(m.LParam);
    if (!(ControlStyle() & csNoStdEvents)) {
        KeyUp(key, shift);
        m.WParam = key;
        if (key == 0) return true;
    }
    return false;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(WideChar& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::WMKeyDown(TMessage& m) {
    if (!DoKeyDown(m)) DefaultHandler(m);
}

void TWinControl::WMSysKeyDown(TMessage& m) {
    if (!DoKeyDown(m)) DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
    if (!DoKeyUp(m)) DefaultHandler(m);
}

void TWinControl::WMSysKeyUp(TMessage& m) {
    if (!DoKeyUp(m)) DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
    if (!DoKeyPress(m)) DefaultHandler(m);
}

void TWinControl::WMGetDlgCode(TMessage& m) { m.Result = NativeDlgCode(); }

void TWinControl::WMTimer(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMCommand(TMessage& m) {
    auto* child = reinterpret_cast<TControl*>(m.LParam);
    if (child && child != this && IsLiveControl(child) && child->Parent() == this) {
        m.Result = child->Perform(CN_COMMAND, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

void TWinControl::WMSetCursor(TMessage& m) {
    if (LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT && (!Screen || Screen->Cursor() == crDefault)) {
        TCursor c = Cursor();
        const DWORD at = GetMessagePos();
        TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
        if (TControl* child = ControlAtPos(p, false, false); child && child->Cursor() != crDefault) c = child->Cursor();
        if (c != crDefault) {
            ::SetCursor(Screen ? Screen->Cursors(c) : nullptr);
            m.Result = 1;
            return;
        }
    }
    // Nothing of its own: the parent window may decide.
    if (TWinControl* p = Parent(); p && !m.Native) {
        m.Result = p->Perform(WM_SETCURSOR, m.WParam, m.LParam);
        if (m.Result != 0) return;
    }
    DefaultHandler(m);
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (TabStop()) params.Style |= WS_TABSTOP;
    params.ExStyle = 0;
}

void TWinControl::CNCommand(TMessage& m) { DefaultHandler(m); }

void TWinControl::CMEnter(TMessage& m) {
    DoEnter();
    DefaultHandler(m);
}

void TWinControl::CMExit(TMessage& m) {
    DoExit();
    DefaultHandler(m);
}

void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }

void TWinControl::CMDialogKey(TMessage& m) { Broadcast(m); }

void TWinControl::CMDialogChar(TMessage& m) { Broadcast(m); }

void TWinControl::CMWantSpecialKey(TMessage& m) { DefaultHandler(m); }

void TWinControl::CMChildKey(TMessage& m) {
    if (TWinControl* p = Parent()) p->runWindowProc(m);
    else DefaultHandler(m);
}

void TWinControl::CMCancelMode(TMessage& m) { DefaultHandler(m); }

void TWinControl::CMShowingChanged(TMessage& m) { DefaultHandler(m); }

void TWinControl::CMFocusChanged(TMessage& m) { Broadcast(m, false); }

bool TWinControl::IsMenuKey(WORD key, TShiftState shift) {
    for (TControl* c = this; c; c = c->Parent()) {
        TPopupMenu* pm = c->PopupMenu();
        if (pm && pm->IsShortCut(key, shift)) return true;
    }
    TCustomForm* f = GetParentForm(this);
    if (f && f->IsShortCut(key, shift)) return true;
    // The main window's menu and actions answer from every window of the application, unless a
    // modal dialog is up.
    TCustomForm* mf = Application ? Application->MainForm() : nullptr;
    if (mf && mf != f && Application->ModalLevel() == 0 && mf->IsShortCut(key, shift)) return true;
    return false;
}

void TWinControl::CNKeyDown(TMessage& m) {
    m.Result = 1;
    WORD key = static_cast<WORD>(m.WParam);
    TShiftState shift = KeyDataToShiftState(m.LParam);
    if (IsMenuKey(key, shift)) return;
    if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return;
    LRESULT mask = 0;
    switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, key) == 0 && (Perform(WM_GETDLGCODE) & mask) == 0) {
        TCustomForm* f = GetParentForm(this);
        if (f && f->Perform(CM_DIALOGKEY, key, m.LParam) != 0) return;
    }
    m.Result = 0;
}

// ---- TGraphicControl -----------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
    AttachHost(new HostWidget<QWidget>(this));
    // See-through: whatever the control does not paint shows its parent.
    Widget()->setAttribute(Qt::WA_TranslucentBackground, false);
    Widget()->setAutoFillBackground(false);
}

TGraphicControl::~TGraphicControl() { canvas_->SetControl(nullptr); }

void TGraphicControl::Paint() {}

void TGraphicControl::WMPaint(TMessage& m) {
    if (m.WParam) {
        GuardedPaint([this] { Paint(); });
        return;
    }
    TControl::WMPaint(m);
}

// ---- TCustomControl ------------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
    AttachHost(new HostWidget<QWidget>(this));
    Widget()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    frame_ = std::make_unique<WindowFrame>(this);
}

TCustomControl::~TCustomControl() {
    canvas_->SetControl(nullptr);
    if (frame_ && frame_->client) frame_->client->Detach();
}

void TCustomControl::Paint() {}

void TCustomControl::WMPaint(TMessage& m) {
    if (m.WParam) {
        GuardedPaint([this] { Paint(); });
        return;
    }
    TWinControl::WMPaint(m);
}

// ---- Free functions ------------------------------------------------------------------------------

TCustomForm* GetParentForm(const TControl* control) {
    const TControl* c = control;
    while (c) {
        if (auto* f = dynamic_cast<const TCustomForm*>(c)) {
            // An embedded form belongs to the form that holds it only when it is not an MDI child.
            if (!f->Parent() || f->FormStyle() == fsMDIChild) return const_cast<TCustomForm*>(f);
        }
        c = c->Parent();
    }
    // The topmost parent is a form even when embedded.
    c = control;
    const TControl* top = nullptr;
    while (c) {
        top = c;
        c = c->Parent();
    }
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

TCustomForm* ValidParentForm(const TControl* control) {
    TCustomForm* f = GetParentForm(control);
    if (!f) throw EInvalidOperation("Элемент управления '" + (control ? control->Name() : AnsiString()) +
                                    "' не имеет родительской формы");
    return f;
}

TWinControl* FindControl(HWND handle) { return handle; }

int SetWindowRgn(HWND wnd, const HRGN& rgn, bool redraw) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w) return 0;
    if (!rgn) {
        w->clearMask();
    } else {
        QRegion mask;
        for (const TRect& r : rgn->Rects()) mask += QRect(r.Left, r.Top, r.Width(), r.Height());
        w->setMask(mask);
    }
    if (redraw) w->update();
    return 1;
}

int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scrollRect, const TRect* clipRect, HRGN update,
                   TRect* updateRect, UINT flags) {
    if (!wnd) return RGN_ERROR;
    const TRect client = wnd->ClientRect();
    TRect scroll = scrollRect ? *scrollRect : client;
    TRect clip = clipRect ? *clipRect : client;
    TRect source;
    IntersectRect(source, scroll, clip);
    TRect moved = source;
    OffsetRect(moved, dx, dy);
    TRect covered;
    IntersectRect(covered, moved, clip);
    TRegion uncovered(source);
    uncovered.Subtract(covered);
    if (flags & SW_SCROLLCHILDREN) {
        for (int i = 0; i < wnd->ControlCount(); ++i) {
            TControl* c = wnd->Controls(i);
            TRect b = c->BoundsRect(), hit;
            if (IntersectRect(hit, b, scroll)) c->SetBounds(b.Left + dx, b.Top + dy, b.Width(), b.Height());
        }
    }
    ScrollWindow(wnd, dx, dy, scrollRect, clipRect);
    if (update) *update = uncovered;
    if (updateRect) *updateRect = uncovered.BoundsRect();
    if (uncovered.IsEmpty()) return NULLREGION;
    return uncovered.Rects().size() > 1 ? COMPLEXREGION : SIMPLEREGION;
}

int GetWindowRgn(HWND wnd, HRGN rgn) {
    QWidget* w = wnd ? wnd->Widget() : nullptr;
    if (!w || !rgn || w->mask().isEmpty()) return RGN_ERROR;
    *rgn = TRegion();
    for (const QRect& r : w->mask()) rgn->Unite(TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
    return rgn->Rects().size() > 1 ? COMPLEXREGION : SIMPLEREGION;
}

TRect CalcTextRect(const TFont* font, const AnsiString& text, TRect rect, unsigned flags) {
    TBitmap scratch(1, 1);
    if (font) scratch.Canvas()->Font()->Assign(const_cast<TFont*>(font));
    DrawText(scratch.Canvas(), text, -1, rect, flags | DT_CALCRECT);
    return rect;
}

TControl* FindVCLWindow(TPoint screenPos) {
    QWidget* w = QApplication::widgetAt(screenPos.x, screenPos.y);
    return w ? ControlOf(w) : nullptr;
}

TControl* FindDragTarget(TPoint screenPos, bool allowDisabled) {
    TControl* c = FindVCLWindow(screenPos);
    if (auto* wc = dynamic_cast<TWinControl*>(c)) {
        TControl* inner = wc->ControlAtPos(wc->ScreenToClient(screenPos), allowDisabled, false);
        if (inner) return inner;
    }
    return c;
}

// ---- TMouse --------------------------------------------------------------------------------------

TPoint TMouse::CursorPos() const {
    QPoint p = QCursor::pos();
    return TPoint(p.x(), p.y());
}

void TMouse::SetCursorPos(TPoint p) { QCursor::setPos(p.x, p.y); }

TControl* TMouse::Capture() const { return plantmon::gui::CaptureControl(); }

void TMouse::SetCapture(TControl* c) { plantmon::gui::SetCaptureControl(c); }
