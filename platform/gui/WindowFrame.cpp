// The non-client frame of custom controls: border, client edge and window scroll bars around a
// client part; the scroll-bar calls of the window system on top of it.
#include "gui/WindowFrame.h"

#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"

#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace plantmon::gui {

namespace {
int extentOf(int bar) { return GetSystemMetrics(bar == SB_VERT ? SM_CXVSCROLL : SM_CYHSCROLL); }

// Whether a range has anything to scroll.
bool scrollable(const WindowFrame::Bar& b) { return b.max > b.min && b.page <= b.max - b.min; }

int maxPos(const WindowFrame::Bar& b) { return std::max(b.min, b.max - std::max(b.page - 1, 0)); }
}  // namespace

WindowFrame::WindowFrame(TCustomControl* c) : control(c) {}

WindowFrame::~WindowFrame() {
    for (Bar& b : bars)
        if (b.widget) QObject::disconnect(b.widget, nullptr, nullptr, nullptr);
    if (windowCanvas) DetachImage(*windowCanvas);
}

const TCreateParams& WindowFrame::Params() {
    if (!paramsKnown) {
        paramsKnown = true;
        params = TCreateParams();
        control->CreateParams(params);
        // A window made with a scroll bar shows it from the start.
        if ((params.Style & WS_HSCROLL) && !bars[0].shown) ShowBar(SB_HORZ, true);
        if ((params.Style & WS_VSCROLL) && !bars[1].shown) ShowBar(SB_VERT, true);
    }
    return params;
}

TRect WindowFrame::ClientArea() {
    // The window may have been sized by its container (a page of a page control) without a
    // layout: the client area follows the window's size.
    if (!laidOut || laidOutWidth != control->Width() || laidOutHeight != control->Height()) Layout();
    return clientArea;
}

void WindowFrame::makeClient() {
    QWidget* frame = control->Widget();
    auto* c = new HostWidget<QWidget>(control, frame);
    c->clientPart = true;
    c->setMouseTracking(true);
    c->setAttribute(Qt::WA_OpaquePaintEvent, true);
    c->setAttribute(Qt::WA_NoSystemBackground, true);
    c->setFocusPolicy(Qt::NoFocus);
    c->setFont(frame->font());
    client = c;
    // The children and what was painted move into the client part.
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* child = control->Controls(i);
        if (QWidget* w = child->Widget(); w && w->parentWidget() == frame) {
            w->setParent(c);
            w->setGeometry(child->Left(), child->Top(), std::max(0, child->Width()), std::max(0, child->Height()));
            w->setVisible(child->Visible());
        }
    }
    for (Bar& b : bars)
        if (b.widget) b.widget->raise();
    c->show();
    c->lower();
}

void WindowFrame::Layout() {
    if (inLayout) return;
    inLayout = true;
    QWidget* frame = control->Widget();
    const int w = std::max(0, control->Width()), h = std::max(0, control->Height());
    TRect r(0, 0, w, h);
    if (control->Parent()) Params();
    control->Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
    r.Left = std::clamp(r.Left, 0, w);
    r.Top = std::clamp(r.Top, 0, h);
    r.Right = std::clamp(r.Right, r.Left, w);
    r.Bottom = std::clamp(r.Bottom, r.Top, h);
    clientArea = r;
    laidOut = true;
    laidOutWidth = control->Width();
    laidOutHeight = control->Height();
    const bool framed = r != TRect(0, 0, w, h) || bars[0].shown || bars[1].shown;
    if (framed && !client && frame) makeClient();
    if (client) client->AsWidget()->setGeometry(r.Left, r.Top, r.Width(), r.Height());
    for (int bar : {SB_HORZ, SB_VERT}) {
        Bar& b = BarOf(bar);
        if (!b.widget) continue;
        b.widget->setVisible(b.shown);
        int e = extentOf(bar);
        if (bar == SB_VERT) b.widget->setGeometry(r.Right, r.Top, e, r.Height());
        else b.widget->setGeometry(r.Left, r.Bottom, r.Width(), e);
    }
    if (ControlHost* h0 = control->Host(); h0 && client) {
        h0->dirty = QRegion(0, 0, w, h);
        frame->update();
    }
    inLayout = false;
}

void WindowFrame::makeBar(int bar) {
    Bar& b = BarOf(bar);
    if (b.widget) return;
    auto* sb = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, control->Widget());
    MarkForeign(sb);
    sb->setFocusPolicy(Qt::NoFocus);
    // The thumb reports where it is dragged; the position itself is the window's to set.
    sb->setTracking(false);
    sb->hide();
    b.widget = sb;
    QObject::connect(sb, &QAbstractSlider::actionTriggered, [this, bar](int action) { barAction(bar, action); });
    QObject::connect(sb, &QAbstractSlider::sliderMoved, [this, bar](int position) { barTracked(bar, position); });
    QObject::connect(sb, &QAbstractSlider::sliderReleased, [this, bar] {
        Bar& bb = BarOf(bar);
        // A release where the thumb was not moved still ends the drag.
        if (bb.widget && bb.widget->sliderPosition() == bb.widget->value()) {
            send(bar, SB_THUMBPOSITION, bb.trackPos);
            send(bar, SB_ENDSCROLL, 0);
        }
    });
    ApplyBar(bar);
}

void WindowFrame::ApplyBar(int bar) {
    Bar& b = BarOf(bar);
    if (!b.widget) return;
    QScrollBar* sb = b.widget;
    const bool blocked = sb->blockSignals(true);
    sb->setRange(b.min, maxPos(b));
    sb->setPageStep(std::max(1, b.page));
    sb->setSingleStep(1);
    sb->setValue(b.pos);
    sb->setSliderPosition(b.pos);
    sb->setEnabled(b.enabled && control->Enabled());
    sb->blockSignals(blocked);
}

void WindowFrame::ShowBar(int bar, bool show) {
    Bar& b = BarOf(bar);
    if (show) makeBar(bar);
    if (b.shown == show) return;
    b.shown = show;
    if (!paramsKnown) {
        laidOut = false;  // placed when the window is laid out
        return;
    }
    const TRect before = clientArea;
    Layout();
    if (clientArea.Width() != before.Width() || clientArea.Height() != before.Height()) control->frameResized();
}

void WindowFrame::send(int bar, WORD code, int position) {
    TCustomControl* c = control;
    const UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    SafeCall(c, [&] { c->Perform(msg, MAKEWPARAM(code, position & 0xFFFF), 0); });
}

void WindowFrame::barAction(int bar, int action) {
    Bar& b = BarOf(bar);
    if (b.inAction || !b.widget) return;
    WORD code = SB_ENDSCROLL;
    int position = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove:
        // The drag ended away from where it started.
        b.trackPos = b.widget->sliderPosition();
        code = b.widget->isSliderDown() ? SB_THUMBTRACK : SB_THUMBPOSITION;
        position = b.trackPos;
        break;
    default: return;
    }
    b.inAction = true;
    QPointer<QScrollBar> sb = b.widget;
    send(bar, code, position);
    if (code != SB_THUMBTRACK) send(bar, SB_ENDSCROLL, 0);
    // The toolkit moves the thumb itself; it stays where the window put it.
    if (sb) {
        const bool blocked = sb->blockSignals(true);
        sb->setSliderPosition(b.pos);
        sb->blockSignals(blocked);
    }
    b.inAction = false;
}

void WindowFrame::barTracked(int bar, int position) {
    Bar& b = BarOf(bar);
    b.trackPos = position;
    send(bar, SB_THUMBTRACK, position);
}

QScrollBar* WindowScrollBar(TWinControl* wnd, int bar) {
    auto* c = dynamic_cast<TCustomControl*>(wnd);
    if (!c || !c->Frame()) return nullptr;
    return c->Frame()->BarOf(bar).widget;
}

}  // namespace plantmon::gui

using namespace plantmon::gui;

// ---- TCustomControl: the frame -------------------------------------------------------------------

TRect TCustomControl::ClientRect() const {
    if (!frame_) return TControl::ClientRect();
    TRect a = frame_->ClientArea();
    return TRect(0, 0, a.Width(), a.Height());
}

QWidget* TCustomControl::ClientWidget() const {
    return frame_ && frame_->client ? frame_->client->AsWidget() : Widget();
}

ControlHost* TCustomControl::PaintHost() const { return frame_ && frame_->client ? frame_->client : Host(); }

void TCustomControl::BoundsChanged() {
    TControl::BoundsChanged();
    if (frame_) frame_->Layout();
    ClientBoundsChanged();
}

void TCustomControl::SetParent(TWinControl* parent) {
    if (frame_ && parent != Parent()) frame_->InvalidateParams();
    TWinControl::SetParent(parent);
    if (frame_ && Parent()) frame_->Layout();
}

void TCustomControl::frameResized() {
    ClientBoundsChanged();
    TRect cr = ClientRect();
    Perform(WM_SIZE, 0, MAKELPARAM(cr.Width(), cr.Height()));
}

void TCustomControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE: WMNCCalcSize(m); break;
    case WM_NCPAINT: WMNCPaint(m); break;
    case CM_RECREATEWND:
        if (frame_) {
            frame_->InvalidateParams();
            TRect before = frame_->clientArea;
            frame_->Layout();
            if (before.Width() != frame_->clientArea.Width() || before.Height() != frame_->clientArea.Height())
                frameResized();
        }
        TWinControl::Dispatch(m);
        break;
    default: TWinControl::Dispatch(m); break;
    }
}

void TCustomControl::WMNCCalcSize(TMessage& m) { DefaultHandler(m); }
void TCustomControl::WMNCPaint(TMessage& m) { DefaultHandler(m); }

void TCustomControl::DefaultHandler(TMessage& m) {
    if (m.Native) {
        TWinControl::DefaultHandler(m);
        return;
    }
    switch (m.Msg) {
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<TRect*>(m.LParam);
        if (!r || !frame_) return;
        const TCreateParams& p = frame_->params;
        if (p.ExStyle & WS_EX_CLIENTEDGE) InflateRect(*r, -2, -2);
        else if (p.Style & WS_BORDER) InflateRect(*r, -1, -1);
        if (frame_->bars[1].shown) r->Right = std::max(r->Left, r->Right - GetSystemMetrics(SM_CXVSCROLL));
        if (frame_->bars[0].shown) r->Bottom = std::max(r->Top, r->Bottom - GetSystemMetrics(SM_CYHSCROLL));
        return;
    }
    case WM_NCPAINT: {
        if (!frame_ || !frame_->client) return;
        HDC dc = GetWindowDC(Handle());
        if (!dc) return;
        const TRect window(0, 0, Width(), Height());
        const TRect client = frame_->clientArea;
        // The frame's ground shows where no bar lies (the corner between two bars).
        dc->Brush()->SetStyle(bsSolid);
        dc->Brush()->SetColor(clBtnFace);
        dc->FillRect(TRect(client.Right, client.Bottom, window.Right, window.Bottom));
        TRect edge = window;
        const TCreateParams& p = frame_->params;
        if (p.ExStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, edge, EDGE_SUNKEN, BF_RECT);
        else if (p.Style & WS_BORDER) {
            dc->Brush()->SetColor(clWindowFrame);
            dc->FrameRect(edge);
        }
        ReleaseDC(Handle(), dc);
        return;
    }
    default: break;
    }
    TWinControl::DefaultHandler(m);
}

// ---- Window calls -----------------------------------------------------------------------------------

namespace {
WindowFrame* frameOf(HWND wnd) {
    auto* c = dynamic_cast<TCustomControl*>(wnd);
    return c ? c->Frame() : nullptr;
}
}  // namespace

bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) {
    if (!wnd || !info) return false;
    if (bar == SB_CTL) {
        auto* sb = dynamic_cast<TScrollBar*>(wnd);
        if (!sb) return false;
        if (info->fMask & SIF_RANGE) {
            info->nMin = sb->Min();
            info->nMax = sb->Max();
        }
        if (info->fMask & SIF_PAGE) info->nPage = static_cast<UINT>(std::max(0, sb->PageSize()));
        if (info->fMask & SIF_POS) info->nPos = sb->Position();
        if (info->fMask & SIF_TRACKPOS) info->nTrackPos = sb->Position();
        return true;
    }
    WindowFrame* f = frameOf(wnd);
    if (!f || (bar != SB_HORZ && bar != SB_VERT)) return false;
    const WindowFrame::Bar& b = f->BarOf(bar);
    if (info->fMask & SIF_RANGE) {
        info->nMin = b.min;
        info->nMax = b.max;
    }
    if (info->fMask & SIF_PAGE) info->nPage = static_cast<UINT>(b.page);
    if (info->fMask & SIF_POS) info->nPos = b.pos;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = b.trackPos;
    return true;
}

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, bool /*redraw*/) {
    if (!wnd || !info) return 0;
    if (bar == SB_CTL) {
        auto* sb = dynamic_cast<TScrollBar*>(wnd);
        if (!sb) return 0;
        int mn = (info->fMask & SIF_RANGE) ? info->nMin : sb->Min();
        int mx = (info->fMask & SIF_RANGE) ? info->nMax : sb->Max();
        int pos = (info->fMask & SIF_POS) ? info->nPos : sb->Position();
        if (info->fMask & SIF_PAGE) sb->SetPageSize(static_cast<int>(info->nPage));
        sb->SetParams(std::clamp(pos, mn, std::max(mn, mx)), mn, mx);
        return sb->Position();
    }
    WindowFrame* f = frameOf(wnd);
    if (!f || (bar != SB_HORZ && bar != SB_VERT)) return 0;
    WindowFrame::Bar& b = f->BarOf(bar);
    if (info->fMask & SIF_RANGE) {
        b.min = info->nMin;
        b.max = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE) b.page = static_cast<int>(std::min<UINT>(info->nPage, static_cast<UINT>(b.max - b.min + 1)));
    if (info->fMask & SIF_POS) b.pos = info->nPos;
    b.pos = std::clamp(b.pos, b.min, maxPos(b));
    // The thumb is where the position is until the next drag.
    if (!b.widget || !b.widget->isSliderDown()) b.trackPos = b.pos;
    if (scrollable(b)) {
        b.enabled = true;
        f->ShowBar(bar, true);
    } else if (info->fMask & SIF_DISABLENOSCROLL) {
        b.enabled = false;
        f->ShowBar(bar, true);
    } else {
        f->ShowBar(bar, false);
    }
    f->ApplyBar(bar);
    return b.pos;
}

int GetScrollPos(HWND wnd, int bar) {
    SCROLLINFO si;
    si.fMask = SIF_POS;
    return GetScrollInfo(wnd, bar, &si) ? si.nPos : 0;
}

int SetScrollPos(HWND wnd, int bar, int pos, bool redraw) {
    int old = GetScrollPos(wnd, bar);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(wnd, bar, &si, redraw);
    return old;
}

bool GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPosOut) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    if (!GetScrollInfo(wnd, bar, &si)) return false;
    if (minPos) *minPos = si.nMin;
    if (maxPosOut) *maxPosOut = si.nMax;
    return true;
}

bool SetScrollRange(HWND wnd, int bar, int minPos, int maxPosIn, bool redraw) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = minPos;
    si.nMax = maxPosIn;
    SetScrollInfo(wnd, bar, &si, redraw);
    return true;
}

bool ShowScrollBar(HWND wnd, int bar, bool show) {
    WindowFrame* f = frameOf(wnd);
    if (!f) return false;
    if (bar == SB_HORZ || bar == SB_BOTH) f->ShowBar(SB_HORZ, show);
    if (bar == SB_VERT || bar == SB_BOTH) f->ShowBar(SB_VERT, show);
    return true;
}

bool EnableScrollBar(HWND wnd, int bar, UINT arrows) {
    WindowFrame* f = frameOf(wnd);
    if (!f) return false;
    for (int b : {SB_HORZ, SB_VERT}) {
        if (bar != b && bar != SB_BOTH) continue;
        f->BarOf(b).enabled = arrows != ESB_DISABLE_BOTH;
        f->ApplyBar(b);
    }
    return true;
}

LONG GetWindowLong(HWND wnd, int index) {
    WindowFrame* f = frameOf(wnd);
    TCreateParams p;
    if (f) {
        if (wnd->Parent()) p = f->Params();
        p.Style &= ~(WS_HSCROLL | WS_VSCROLL);
        if (f->BarOf(SB_HORZ).shown) p.Style |= WS_HSCROLL;
        if (f->BarOf(SB_VERT).shown) p.Style |= WS_VSCROLL;
    } else if (wnd) {
        p.Style = WS_CHILD;
    }
    if (wnd && wnd->Visible()) p.Style |= WS_VISIBLE;
    if (wnd && !wnd->Enabled()) p.Style |= WS_DISABLED;
    switch (index) {
    case GWL_STYLE: return static_cast<LONG>(p.Style);
    case GWL_EXSTYLE: return static_cast<LONG>(p.ExStyle);
    default: return 0;
    }
}

HDC GetWindowDC(HWND wnd) {
    if (HDC dc = NativeWindowDC(wnd)) return dc;
    auto* c = dynamic_cast<TCustomControl*>(wnd);
    if (!c || !c->Host() || !c->Frame()) return nullptr;
    ControlHost* h = c->Host();
    QWidget* w = h->AsWidget();
    QSize sz(std::max(1, w->width()), std::max(1, w->height()));
    if (h->backing.size() != sz) {
        QImage img(sz, QImage::Format_RGB32);
        img.fill(ToQColor(clBtnFace));
        h->backing = img;
    }
    WindowFrame* f = c->Frame();
    if (!f->windowCanvas) f->windowCanvas = std::make_unique<TCanvas>();
    AttachImage(*f->windowCanvas, &h->backing);
    return f->windowCanvas.get();
}

int ReleaseDC(HWND wnd, HDC dc) {
    if (dc && dc == NativeWindowDC(wnd)) return 1;  // shown when the paint ends
    auto* c = dynamic_cast<TCustomControl*>(wnd);
    if (!c || !c->Frame() || dc != c->Frame()->windowCanvas.get()) return 0;
    DetachImage(*dc);
    if (QWidget* w = c->Widget()) w->update();
    return 1;
}
