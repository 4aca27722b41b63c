// Cursors: the stock shapes and the program's own pictures, numbered on Screen, loadable by name,
// and the cursor shown over a window while WM_SETCURSOR is handled.
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"
#include "gui/WinApi.h"

#include <QApplication>
#include <QBitmap>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

struct TCursorHandle {
    QCursor cursor;
};

namespace {

std::map<TCursor, std::unique_ptr<TCursorHandle>>& stockCursors() {
    static std::map<TCursor, std::unique_ptr<TCursorHandle>> m;
    return m;
}

std::map<int, HCURSOR>& numberedCursors() {
    static std::map<int, HCURSOR> m;
    return m;
}

std::map<AnsiString, HCURSOR>& cursorResources() {
    static std::map<AnsiString, HCURSOR> m;
    return m;
}

HCURSOR stockCursor(TCursor c) {
    auto& m = stockCursors();
    auto it = m.find(c);
    if (it != m.end()) return it->second.get();
    auto h = std::make_unique<TCursorHandle>();
    h->cursor = QCursor(plantmon::gui::ToQtCursorShape(c));
    HCURSOR r = h.get();
    m.emplace(c, std::move(h));
    return r;
}

// WM_SETCURSOR in progress: the widget under the pointer and whether a cursor was set for it.
QPointer<QWidget> g_under;
bool g_setDuringMessage = false;
HCURSOR g_current = nullptr;

const char* const kOverride = "plantmon_cursor_override";
const char* const kSavedCursor = "plantmon_cursor_saved";
const char* const kSavedHad = "plantmon_cursor_saved_had";

// Shows c over w until its own cursor is put back.
void overrideCursor(QWidget* w, const QCursor& c) {
    if (!w->property(kOverride).toBool()) {
        w->setProperty(kSavedHad, w->testAttribute(Qt::WA_SetCursor));
        w->setProperty(kSavedCursor, QVariant::fromValue(w->cursor()));
        w->setProperty(kOverride, true);
    }
    w->setCursor(c);
}

void restoreCursor(QWidget* w) {
    if (!w->property(kOverride).toBool()) return;
    w->setProperty(kOverride, false);
    if (w->property(kSavedHad).toBool()) w->setCursor(w->property(kSavedCursor).value<QCursor>());
    else w->unsetCursor();
}

}  // namespace

namespace plantmon::gui {

QCursor ToQtCursor(HCURSOR c) { return c ? c->cursor : QCursor(Qt::ArrowCursor); }

QCursor ToQtCursor(TCursor c) {
    if (c > 0) {
        auto& m = numberedCursors();
        auto it = m.find(c);
        if (it != m.end() && it->second) return it->second->cursor;
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(ToQtCursorShape(c));
}

void BeginSetCursor(QWidget* under) {
    g_under = under;
    g_setDuringMessage = false;
}

void EndSetCursor() {
    if (g_under && !g_setDuringMessage) restoreCursor(g_under);
    g_under = nullptr;
    g_setDuringMessage = false;
}

}  // namespace plantmon::gui

using namespace plantmon::gui;

HCURSOR TScreen::Cursors(int index) const {
    if (index > 0) {
        auto& m = numberedCursors();
        auto it = m.find(index);
        if (it != m.end() && it->second) return it->second;
        return stockCursor(crArrow);
    }
    return stockCursor(index == crDefault ? crArrow : index);
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
    if (index <= 0) return;  // the stock shapes stay what they are
    if (cursor) numberedCursors()[index] = cursor;
    else numberedCursors().erase(index);
}

HCURSOR CreateCursor(const TBitmap* picture, int hotX, int hotY) {
    if (!picture || picture->Empty()) return nullptr;
    QImage img = BitmapQImage(*picture).convertToFormat(QImage::Format_ARGB32);
    const QRgb clear = ToQColor(picture->TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == clear) line[x] = 0;
    }
    auto* h = new TCursorHandle;
    h->cursor = QCursor(QPixmap::fromImage(img), hotX, hotY);
    return h;
}

void DestroyCursor(HCURSOR cursor) {
    if (!cursor) return;
    for (auto& s : stockCursors())
        if (s.second.get() == cursor) return;
    for (auto it = numberedCursors().begin(); it != numberedCursors().end();)
        it = it->second == cursor ? numberedCursors().erase(it) : std::next(it);
    for (auto it = cursorResources().begin(); it != cursorResources().end();)
        it = it->second == cursor ? cursorResources().erase(it) : std::next(it);
    if (g_current == cursor) g_current = nullptr;
    delete cursor;
}

void RegisterCursorResource(const AnsiString& name, HCURSOR cursor) {
    if (cursor) cursorResources()[AnsiUpperCase(name)] = cursor;
    else cursorResources().erase(AnsiUpperCase(name));
}

HCURSOR LoadCursor(HINSTANCE /*instance*/, const AnsiString& name) {
    auto it = cursorResources().find(AnsiUpperCase(name));
    return it == cursorResources().end() ? nullptr : it->second;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old = g_current;
    g_current = cursor;
    QWidget* w = g_under;
    if (!w) {
        // Outside WM_SETCURSOR (a drag that holds the mouse): the window holding the mouse, else
        // the one under the pointer.
        if (TControl* c = CaptureControl(); c && IsLiveControl(c)) {
            ControlHost* h = c->PaintHost();
            w = h ? h->AsWidget() : c->Widget();
        } else if (QCoreApplication::instance()) {
            w = QApplication::widgetAt(QCursor::pos());
        }
    } else {
        g_setDuringMessage = true;
    }
    if (w) {
        if (cursor) overrideCursor(w, cursor->cursor);
        else overrideCursor(w, QCursor(Qt::BlankCursor));
    }
    return old;
}

HCURSOR GetCursor() { return g_current; }
