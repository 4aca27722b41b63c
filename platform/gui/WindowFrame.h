// The non-client frame of a custom control's window, platform side: the client part inside the
// frame, the window scroll bars and the canvas of the whole window (GetWindowDC).
#pragma once

#include "gui/Controls.h"

#include <QImage>
#include <QPointer>

#include <memory>

class QScrollBar;

namespace plantmon::gui {

class ControlHost;

struct WindowFrame {
    explicit WindowFrame(TCustomControl* control);
    ~WindowFrame();
    WindowFrame(const WindowFrame&) = delete;
    WindowFrame& operator=(const WindowFrame&) = delete;

    // One window scroll bar (Win32 semantics: the range min..max with a page, the position between
    // min and max - page + 1, shown while it has something to scroll).
    struct Bar {
        QPointer<QScrollBar> widget;
        int min = 0, max = 100, page = 0, pos = 0, trackPos = 0;
        bool shown = false;
        bool enabled = true;
        bool inAction = false;
    };

    // The styles of CreateParams, asked again after RecreateWnd or a new parent.
    void InvalidateParams() { paramsKnown = false; }
    const TCreateParams& Params();
    // Computes the client area (WM_NCCALCSIZE) and places the client part and the bars; the
    // frame is painted again.
    void Layout();
    // The client area in window coordinates.
    TRect ClientArea();
    Bar& BarOf(int bar) { return bars[bar == SB_VERT ? 1 : 0]; }
    // Shows or hides a bar (a change of the client area follows).
    void ShowBar(int bar, bool show);
    // Puts the bar's values into its widget.
    void ApplyBar(int bar);

    TCustomControl* control;
    ControlHost* client = nullptr;  // made when the frame first takes room
    bool paramsKnown = false;
    TCreateParams params;
    TRect clientArea;
    bool laidOut = false;
    int laidOutWidth = 0, laidOutHeight = 0;
    bool inLayout = false;
    Bar bars[2];
    std::unique_ptr<TCanvas> windowCanvas;

private:
    void makeClient();
    void makeBar(int bar);
    void barAction(int bar, int action);
    void barTracked(int bar, int position);
    void send(int bar, WORD code, int position);
};

// The scroll-bar widget of a window bar (tests press its arrows and drag its thumb); null while the
// bar was never shown.
QScrollBar* WindowScrollBar(TWinControl* wnd, int bar);

}  // namespace plantmon::gui
