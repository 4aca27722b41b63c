// Drag and drop between controls: one drag at a time for the application. The source holds the
// mouse while it drags; its moves find the control under the pointer, which is asked whether it
// takes the drag (DragOver) and, at the release, takes it (DragDrop); the source hears the end.
#include "gui/Controls.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/WinApi.h"

#include <cstdlib>

namespace plantmon::gui {

namespace {

struct Drag {
    TControl* source = nullptr;
    TObject* object = nullptr;  // what the targets hear as Source
    bool started = false;       // past the threshold
    TPoint start;               // screen point the threshold is measured from
    int threshold = 0;
    TControl* target = nullptr;
    bool accepted = false;
    TPoint lastScreen;
};
Drag g_drag;

TPoint messageScreenPos() {
    const DWORD at = GetMessagePos();
    return TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at));
}

}  // namespace

struct DragDriver {
    static void begin(TControl* source, bool immediate, int threshold) {
        TDragObject* dragObject = nullptr;
        g_drag = Drag();
        g_drag.source = source;
        g_drag.threshold = threshold;
        g_drag.start = messageScreenPos();
        g_drag.lastScreen = g_drag.start;
        source->DoStartDrag(dragObject);
        if (g_drag.source != source) return;  // ended from OnStartDrag
        g_drag.object = dragObject ? static_cast<TObject*>(dragObject) : source;
        SetCaptureControl(source, true);
        if (immediate) {
            g_drag.started = true;
            moveTo(g_drag.start);
        }
    }

    static void setCursor() {
        if (!Screen || !g_drag.source) return;
        ::SetCursor(Screen->Cursors(g_drag.accepted ? g_drag.source->DragCursor() : crNoDrop));
    }

    static bool live(TControl* c) { return c && IsLiveControl(c); }

    static void leaveTarget() {
        TControl* t = g_drag.target;
        g_drag.target = nullptr;
        g_drag.accepted = false;
        if (!live(t)) return;
        const TPoint local = t->ScreenToClient(g_drag.lastScreen);
        bool accept = false;
        t->DragOver(g_drag.object, local.x, local.y, dsDragLeave, accept);
    }

    static void moveTo(TPoint screen) {
        g_drag.lastScreen = screen;
        if (!g_drag.started) {
            if (std::abs(screen.x - g_drag.start.x) < g_drag.threshold &&
                std::abs(screen.y - g_drag.start.y) < g_drag.threshold)
                return;
            g_drag.started = true;
        }
        TControl* under = FindDragTarget(screen, false);
        if (under != g_drag.target) {
            leaveTarget();
            g_drag.target = under;
            if (under) {
                const TPoint local = under->ScreenToClient(screen);
                bool accept = false;
                under->DragOver(g_drag.object, local.x, local.y, dsDragEnter, accept);
                g_drag.accepted = accept;
            }
        } else if (under) {
            const TPoint local = under->ScreenToClient(screen);
            bool accept = false;
            under->DragOver(g_drag.object, local.x, local.y, dsDragMove, accept);
            g_drag.accepted = accept;
        }
        setCursor();
    }

    static void finish(bool drop) {
        if (!g_drag.source) return;
        const Drag d = g_drag;
        TControl* target = nullptr;
        TPoint local;
        if (drop && d.started && d.accepted && live(d.target)) {
            target = d.target;
            local = target->ScreenToClient(d.lastScreen);
        }
        // The drag is over before anybody hears of it, so a handler may start another.
        g_drag = Drag();
        if (CaptureControl() == d.source) SetCaptureControl(nullptr);
        if (live(d.target)) {
            const TPoint at = d.target->ScreenToClient(d.lastScreen);
            bool accept = false;
            d.target->DragOver(d.object, at.x, at.y, dsDragLeave, accept);
        }
        if (target) target->DragDrop(d.object, local.x, local.y);
        if (live(d.source)) d.source->DoEndDrag(target, local.x, local.y);
        if (Screen) ::SetCursor(Screen->Cursors(crDefault));
    }
};

bool DragHandlesMessage(TControl* control, TMessage& m) {
    if (!g_drag.source) return false;
    if (m.Msg == WM_KEYDOWN && m.WParam == VK_ESCAPE) {
        DragDriver::finish(false);
        return true;
    }
    if (control != g_drag.source) return false;
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        DragDriver::moveTo(control->ClientToScreen(TPoint(m.XPos(), m.YPos())));
        return true;
    case WM_LBUTTONUP:
        g_drag.lastScreen = control->ClientToScreen(TPoint(m.XPos(), m.YPos()));
        DragDriver::finish(true);
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        return true;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
        DragDriver::finish(false);
        return false;
    case WM_CAPTURECHANGED:
        // Somebody else took the mouse: the drag cannot go on.
        if (reinterpret_cast<TControl*>(m.LParam) != control) DragDriver::finish(false);
        return false;
    default: return false;
    }
}

bool DragHandlesKey(WORD vk) {
    if (!g_drag.source || vk != VK_ESCAPE) return false;
    DragDriver::finish(false);
    return true;
}

void ForgetDragControl(TControl* control) {
    if (g_drag.source == control) g_drag = Drag();
    else if (g_drag.target == control) g_drag.target = nullptr;
}

}  // namespace plantmon::gui

using plantmon::gui::DragDriver;
using plantmon::gui::g_drag;

void TControl::BeginDrag(bool immediate, int threshold) {
    if (g_drag.source) return;
    if (threshold < 0) threshold = Mouse->DragThreshold();
    if (controlState_ & csLButtonDown) {
        const DWORD at = GetMessagePos();
        const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
        Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    DragDriver::begin(this, immediate, threshold);
}

void TControl::EndDrag(bool drop) {
    if (g_drag.source == this) DragDriver::finish(drop);
}

bool TControl::Dragging() const { return g_drag.source == this; }

bool TMouse::IsDragging() const { return g_drag.source != nullptr; }

void TControl::DoStartDrag(TDragObject*& dragObject) {
    if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}
