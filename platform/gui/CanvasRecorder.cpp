// Logging canvas calls for geometry tests.
#include "gui/CanvasInternal.h"

namespace {

const char* kindName(TCanvasOpKind k) {
    switch (k) {
        case TCanvasOpKind::MoveTo: return "MoveTo";
        case TCanvasOpKind::LineTo: return "LineTo";
        case TCanvasOpKind::Polyline: return "Polyline";
        case TCanvasOpKind::PolyPolyline: return "PolyPolyline";
        case TCanvasOpKind::PolyBezier: return "PolyBezier";
        case TCanvasOpKind::Polygon: return "Polygon";
        case TCanvasOpKind::Rectangle: return "Rectangle";
        case TCanvasOpKind::RoundRect: return "RoundRect";
        case TCanvasOpKind::Ellipse: return "Ellipse";
        case TCanvasOpKind::Arc: return "Arc";
        case TCanvasOpKind::Pie: return "Pie";
        case TCanvasOpKind::Chord: return "Chord";
        case TCanvasOpKind::FillRect: return "FillRect";
        case TCanvasOpKind::FrameRect: return "FrameRect";
        case TCanvasOpKind::DrawFocusRect: return "DrawFocusRect";
        case TCanvasOpKind::FloodFill: return "FloodFill";
        case TCanvasOpKind::SetPixel: return "SetPixel";
        case TCanvasOpKind::TextOut: return "TextOut";
        case TCanvasOpKind::TextRect: return "TextRect";
        case TCanvasOpKind::ExtTextOut: return "ExtTextOut";
        case TCanvasOpKind::DrawText: return "DrawText";
        case TCanvasOpKind::Draw: return "Draw";
        case TCanvasOpKind::StretchDraw: return "StretchDraw";
        case TCanvasOpKind::CopyRect: return "CopyRect";
        case TCanvasOpKind::DrawEdge: return "DrawEdge";
        case TCanvasOpKind::DrawFrameControl: return "DrawFrameControl";
    }
    return "?";
}

}  // namespace

AnsiString TCanvasOp::ToString() const {
    AnsiString s = kindName(Kind);
    for (std::size_t i = 0; i < Points.size(); ++i)
        s.cat_printf("%s(%d,%d)", i == 0 ? " " : "-", Points[i].x, Points[i].y);
    if (!(Rect == TRect())) s.cat_printf(" [%d,%d,%d,%d]", Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    if (!Text.IsEmpty()) s += " \"" + Text + "\"";
    for (int v : Values) s.cat_printf(" %d", v);
    s.cat_printf(" pen=%s/%d brush=%s", ColorToString(PenColor).c_str(), PenWidth, ColorToString(BrushColor).c_str());
    if (BrushStyle == bsClear) s += "/clear";
    return s;
}

std::vector<TCanvasOp> TCanvasRecorder::OfKind(TCanvasOpKind k) const {
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : Ops)
        if (op.Kind == k) out.push_back(op);
    return out;
}

AnsiString TCanvasRecorder::Dump() const {
    AnsiString s;
    for (const TCanvasOp& op : Ops) s += op.ToString() + "\n";
    return s;
}

TRecordingCanvas::TRecordingCanvas(TSize size) : log_(std::make_unique<TCanvasRecorder>()) {
    SetDevice(new TNullDevice(QSize(size.cx, size.cy)), true);
    SetRecorder(log_.get());
}

TRecordingCanvas::~TRecordingCanvas() { SetRecorder(nullptr); }
