// The canvas: drawing state and the shape primitives.
#include "gui/CanvasInternal.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

struct TCanvasLock {
    std::recursive_mutex mutex;
};

struct TCanvas::SavedState {
    bool hasClip;
    TRegion clip;
    int bkMode;
    TColor bkColor;
    TColor textColor;
    int polyFillMode;
    unsigned textAlign;
    TPoint brushOrigin;
};

// ---- Clipping ------------------------------------------------------------------------------------
namespace gfx {

ClipSink::ClipSink(TCanvasDevice* device, const std::vector<QRect>& clip, const Paint& paint)
    : device_(device), clip_(clip), paint_(paint) {
    for (const QRect& r : clip_) bounds_ = bounds_.united(r);
    buffer_.reserve(256);
}

ClipSink::~ClipSink() { Flush(); }

void ClipSink::Span(int y, int x1, int x2) {
    if (y < bounds_.top() || y > bounds_.bottom() || x2 <= bounds_.left() || x1 > bounds_.right()) return;
    for (const QRect& r : clip_) {
        if (y < r.top() || y > r.bottom()) continue;
        int a = std::max(x1, r.left()), b = std::min(x2, r.right() + 1);
        if (b > a) buffer_.push_back({y, a, b});
    }
    if (buffer_.size() >= 4096) Flush();
}

void ClipSink::Flush() {
    if (!buffer_.empty() && device_) device_->FillSpans(buffer_.data(), buffer_.size(), paint_);
    buffer_.clear();
}

}  // namespace gfx

std::vector<QRect> TCanvasAccess::ClipRects(const TCanvas& c) {
    std::vector<QRect> out;
    if (!c.device_) return out;
    QRect bounds = c.device_->LogicalBounds();
    if (bounds.isEmpty()) return out;
    QRegion region(bounds);
    if (c.hasClip_) {
        QRegion cr;
        for (const TRect& r : c.clip_.Rects()) cr += QRect(r.Left, r.Top, r.Width(), r.Height());
        region &= cr;
    }
    if (const QRegion* sys = c.device_->SystemClip()) region &= *sys;
    for (const QRect& r : region) out.push_back(r);
    return out;
}

gfx::Window TCanvasAccess::Window(const TCanvas& c) {
    gfx::Window w;
    std::vector<QRect> rects = ClipRects(c);
    if (rects.empty()) {
        w.l = w.t = 0;
        w.r = w.b = -1;
        return w;
    }
    QRect u;
    for (const QRect& r : rects) u = u.united(r);
    w.l = u.left();
    w.t = u.top();
    w.r = u.right();
    w.b = u.bottom();
    return w;
}

void TCanvasAccess::RectSpans(const TCanvas& c, const TRect& r, gfx::SpanSink& out) {
    const gfx::Window w = Window(c);
    const int top = std::max(r.Top, w.t), bottom = std::min(r.Bottom, w.b + 1);
    const int left = std::max(r.Left, w.l - 1), right = std::min(r.Right, w.r + 2);
    if (right <= left) return;
    for (int y = top; y < bottom; ++y) out.Span(y, left, right);
}

void TCanvasAccess::Fill(TCanvas& c, gfx::SpanSet& spans, const gfx::Paint& p) {
    if (spans.Empty() || !c.device_ || c.device_->DrawsNothing()) return;
    std::vector<QRect> clip = ClipRects(c);
    if (clip.empty()) return;
    gfx::ClipSink sink(c.device_, clip, p);
    spans.Emit(sink);
}

// ---- Recording -----------------------------------------------------------------------------------
TCanvasOp TCanvasAccess::Op(const TCanvas& c, TCanvasOpKind kind) {
    TCanvasOp op;
    op.Kind = kind;
    // Only a recorder reads the state; plain drawing skips copying it.
    if (!c.Recorder()) return op;
    op.PenColor = c.pen_->Color();
    op.PenWidth = c.pen_->Width();
    op.PenStyle = c.pen_->Style();
    op.PenMode = c.pen_->Mode();
    op.BrushColor = c.brush_->Color();
    op.BrushStyle = c.brush_->Style();
    op.BrushHasBitmap = c.brush_->Bitmap() != nullptr;
    op.FontName = c.font_->Name();
    op.FontHeight = c.font_->Height();
    op.FontWeight = c.font_->Weight();
    op.FontStyle = c.font_->Style();
    op.FontColor = c.textColor_;
    op.FontOrientation = c.font_->Orientation();
    op.BkMode = c.bkMode_;
    return op;
}

bool TCanvasAccess::Record(TCanvas& c, TCanvasOp&& op) {
    TCanvasRecorder* r = c.Recorder();
    if (!r) return false;
    r->Ops.push_back(std::move(op));
    return !r->PassThrough;
}

bool TCanvasAccess::Begin(TCanvas& c) {
    c.RequireDevice();
    if (c.device_->DrawsNothing()) return false;
    c.Changing();
    return true;
}

void TCanvasAccess::End(TCanvas& c) { c.Changed(); }

// ---- Paints --------------------------------------------------------------------------------------
gfx::Paint TCanvasAccess::PenPaint(const TCanvas& c, TColor colour) {
    gfx::Paint p;
    p.color = gfx::ToRgb(colour);
    p.mode = c.pen_->Mode();
    return p;
}

namespace {

bool hatchBit(TBrushStyle s, int x, int y) {
    switch (s) {
        case bsHorizontal: return y == 0;
        case bsVertical: return x == 0;
        case bsFDiagonal: return x == y;
        case bsBDiagonal: return x + y == 7;
        case bsCross: return x == 0 || y == 0;
        case bsDiagCross: return x == y || x + y == 7;
        default: return false;
    }
}

}  // namespace

bool TCanvasAccess::BrushPaint(const TCanvas& c, QImage& storage, bool withMode, gfx::Paint& out) {
    out = gfx::Paint();
    out.mode = withMode ? c.pen_->Mode() : pmCopy;
    out.originX = c.brushOrigin_.x;
    out.originY = c.brushOrigin_.y;
    if (TBitmap* b = c.brush_->Bitmap()) {
        const QImage& img = b->Image().image;
        if (img.isNull()) return false;
        storage = img;  // RGB32: every pixel opaque
        out.pattern = &storage;
        return true;
    }
    TBrushStyle s = c.brush_->Style();
    if (s == bsClear) return false;
    out.color = gfx::ToRgb(c.brush_->Color());
    if (s == bsSolid) return true;
    storage = QImage(8, 8, QImage::Format_ARGB32);
    const std::uint32_t fg = 0xFF000000u | out.color;
    const std::uint32_t bg = c.bkMode_ == OPAQUE ? 0xFF000000u | gfx::ToRgb(c.bkColor_) : 0u;
    for (int y = 0; y < 8; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(storage.scanLine(y));
        for (int x = 0; x < 8; ++x) row[x] = hatchBit(s, x, y) ? fg : bg;
    }
    out.pattern = &storage;
    return true;
}

// ---- Construction and state ----------------------------------------------------------------------
TCanvas::TCanvas()
    : pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      font_(std::make_unique<TFont>()),
      lock_(std::make_unique<TCanvasLock>()) {
    pen_->OnChange = TNotifyEvent(this, &TCanvas::penChanged);
    brush_->OnChange = TNotifyEvent(this, &TCanvas::brushChanged);
    font_->OnChange = TNotifyEvent(this, &TCanvas::fontChanged);
    bkColor_ = brush_->Color();
    textColor_ = font_->Color();
}

TCanvas::~TCanvas() {
    if (ownsDevice_) delete device_;
}

void TCanvas::penChanged(TObject*) {}

void TCanvas::brushChanged(TObject*) {
    // Selecting a brush sets the text background: solid brushes give an opaque background in
    // their colour, the others a transparent one.
    bkColor_ = brush_->Color();
    bkMode_ = brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT;
}

void TCanvas::fontChanged(TObject*) { textColor_ = font_->Color(); }

void TCanvas::Changing() { OnChanging(this); }
void TCanvas::Changed() { OnChange(this); }

bool TCanvas::HandleAllocated() const noexcept { return device_ != nullptr || Recorder() != nullptr; }

namespace {
TCanvasRecorder* defaultRecorder = nullptr;
}  // namespace

TCanvasRecorder* TCanvas::Recorder() const noexcept { return recorder_ ? recorder_ : defaultRecorder; }

TCanvasRecorder* SetDefaultCanvasRecorder(TCanvasRecorder* r) {
    TCanvasRecorder* old = defaultRecorder;
    defaultRecorder = r;
    return old;
}

void TCanvas::RequireDevice() {
    if (!device_) CreateHandle();
    if (!device_) throw EInvalidOperation("Canvas does not allow drawing");
}

void TCanvas::SetDevice(TCanvasDevice* d, bool owned) {
    if (d == device_) {
        ownsDevice_ = owned;
        return;
    }
    if (ownsDevice_) delete device_;
    device_ = d;
    ownsDevice_ = owned;
    hasClip_ = false;
    clip_ = TRegion();
    saved_.clear();
}

TSize TCanvas::DeviceSize() const {
    if (!device_) return TSize();
    QRect b = device_->Bounds();
    return TSize(b.right() + 1 < 0 ? 0 : b.right() + 1, b.bottom() + 1 < 0 ? 0 : b.bottom() + 1);
}

TRect TCanvas::ClipRect() const {
    std::vector<QRect> rects = TCanvasAccess::ClipRects(*this);
    QRect u;
    for (const QRect& r : rects) u = u.united(r);
    if (u.isEmpty()) return TRect();
    return TRect(u.left(), u.top(), u.right() + 1, u.bottom() + 1);
}

void TCanvas::Lock() {
    lock_->mutex.lock();
    ++lockCount_;
}
void TCanvas::Unlock() {
    --lockCount_;
    lock_->mutex.unlock();
}
bool TCanvas::TryLock() {
    if (!lock_->mutex.try_lock()) return false;
    ++lockCount_;
    return true;
}

void TCanvas::SetBkMode(int mode) { bkMode_ = mode == TRANSPARENT ? TRANSPARENT : OPAQUE; }
void TCanvas::SetBkColor(TColor c) { bkColor_ = c; }
void TCanvas::SetTextColor(TColor c) { textColor_ = c; }
void TCanvas::SetPolyFillMode(int mode) { polyFillMode_ = mode == WINDING ? WINDING : ALTERNATE; }
void TCanvas::SetTextAlign(unsigned align) { textAlign_ = align; }

int TCanvas::ROP2() const {
    static constexpr int map[] = {R2_BLACK,      R2_WHITE,       R2_NOP,        R2_NOT,         R2_COPYPEN,
                                  R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                                  R2_MERGEPEN,   R2_NOTMERGEPEN, R2_MASKPEN,    R2_NOTMASKPEN,  R2_XORPEN,
                                  R2_NOTXORPEN};
    return map[pen_->Mode()];
}

void TCanvas::SetROP2(int rop2) {
    static constexpr TPenMode map[] = {pmCopy,       pmBlack,       pmNotMerge, pmMaskNotPen, pmNotCopy,
                                       pmMaskPenNot, pmNot,         pmXor,      pmNotMask,    pmMask,
                                       pmNotXor,     pmNop,         pmMergeNotPen, pmCopy,    pmMergePenNot,
                                       pmMerge,      pmWhite};
    if (rop2 < 1 || rop2 > 16) return;
    pen_->SetMode(map[rop2]);
}

void TCanvas::SetClipRegion(const TRegion* r) {
    if (!r) {
        hasClip_ = false;
        clip_ = TRegion();
        return;
    }
    hasClip_ = true;
    clip_ = *r;
}

// The clip region is kept in logical coordinates, as the rectangles given to it are: without a clip
// yet it starts as the whole device seen through the mapping (under a mapping that enlarges the
// logical space, the device's pixel size would cut it short).
void TCanvasAccess::StartClip(TCanvas& c) {
    if (c.hasClip_) return;
    QRect b = c.device_ ? c.device_->LogicalBounds() : QRect(0, 0, 0, 0);
    c.clip_ = TRegion(TRect(b.left(), b.top(), b.right() + 1, b.bottom() + 1));
    c.hasClip_ = true;
}

void TCanvas::IntersectClipRect(const TRect& r) {
    TCanvasAccess::StartClip(*this);
    clip_.Intersect(r);
}

void TCanvas::ExcludeClipRect(const TRect& r) {
    TCanvasAccess::StartClip(*this);
    clip_.Subtract(r);
}

int TCanvas::SaveDC() {
    saved_.push_back({hasClip_, clip_, bkMode_, bkColor_, textColor_, polyFillMode_, textAlign_, brushOrigin_});
    return static_cast<int>(saved_.size());
}

bool TCanvas::RestoreDC(int level) {
    int n = static_cast<int>(saved_.size());
    if (level < 0) level = n + 1 + level;
    if (level < 1 || level > n) return false;
    const SavedState& s = saved_[static_cast<std::size_t>(level - 1)];
    hasClip_ = s.hasClip;
    clip_ = s.clip;
    bkMode_ = s.bkMode;
    bkColor_ = s.bkColor;
    textColor_ = s.textColor;
    polyFillMode_ = s.polyFillMode;
    textAlign_ = s.textAlign;
    brushOrigin_ = s.brushOrigin;
    saved_.resize(static_cast<std::size_t>(level - 1));
    return true;
}

// ---- Lines ---------------------------------------------------------------------------------------
namespace {

int penWidth(const TPen& p) { return std::max(1, p.Width()); }
bool penVisible(const TPen& p) { return p.Style() != psClear && p.Mode() != pmNop; }

// Lines on paper: polylines (counts[i] points each) stroked by the device as one path, with a solid
// pen in copy mode; false when the device sets line pixels itself or the pen needs them (dashes,
// other pen modes).
bool strokeOnPaper(TCanvas& c, const TPoint* pts, const int* counts, int polylines, bool closed) {
    TCanvasDevice* d = c.Device();
    const TPen& pen = *c.Pen();
    if (!d || d->DrawsNothing() || !d->Caps().VectorLines) return false;
    if (pen.Mode() != pmCopy || (pen.Style() != psSolid && pen.Style() != psInsideFrame)) return false;
    std::vector<QRect> clip = TCanvasAccess::ClipRects(c);
    if (clip.empty()) return true;
    QPainterPath path;
    for (int i = 0, first = 0; i < polylines; first += counts[i], ++i) {
        if (counts[i] < 2) continue;
        path.moveTo(pts[first].x, pts[first].y);
        for (int k = 1; k < counts[i]; ++k) path.lineTo(pts[first + k].x, pts[first + k].y);
        if (closed) path.closeSubpath();
    }
    if (path.isEmpty()) return true;
    QPen q(QColor::fromRgb(0xFF000000u | gfx::ToRgb(pen.Color())), penWidth(pen));
    q.setCapStyle(pen.EndCap() == pecSquare ? Qt::SquareCap : pen.EndCap() == pecFlat ? Qt::FlatCap : Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
    return d->StrokeLines(path, q, clip);
}

// Draws a polyline with the canvas pen. One-pixel pens leave out each segment's end pixel (and the
// last point) and go straight to the device segment by segment; where a line crosses itself the
// pen mode meets its own pixels, as it does on Windows. Wider pens cover everything within half
// their width, each pixel once.
void strokePolyline(TCanvas& c, const TPoint* pts, int n, bool closed) {
    TPen& pen = *c.Pen();
    if (!penVisible(pen) || n < 1) return;
    if (strokeOnPaper(c, pts, &n, 1, closed)) return;
    const int w = penWidth(pen);
    if (w > 1) {
        const TPenMode m = pen.Mode();
        const bool idempotent = m == pmCopy || m == pmNotCopy || m == pmBlack || m == pmWhite || m == pmMerge ||
                                m == pmMask;
        if (idempotent) {
            // Painting a pixel twice changes nothing: no need to collect the overlaps.
            std::vector<QRect> clip = TCanvasAccess::ClipRects(c);
            if (clip.empty() || !c.Device() || c.Device()->DrawsNothing()) return;
            gfx::ClipSink sink(c.Device(), clip, TCanvasAccess::PenPaint(c, pen.Color()));
            const gfx::Window win = TCanvasAccess::Window(c);
            gfx::WidePolyline(pts, n, closed, w, sink, static_cast<int>(pen.EndCap()), &win);
            return;
        }
        gfx::SpanSet on;
        const gfx::Window win = TCanvasAccess::Window(c);
        gfx::WidePolyline(pts, n, closed, w, on, static_cast<int>(pen.EndCap()), &win);
        TCanvasAccess::Fill(c, on, TCanvasAccess::PenPaint(c, pen.Color()));
        return;
    }
    TCanvasDevice* d = c.Device();
    if (!d || d->DrawsNothing()) return;
    std::vector<QRect> clip = TCanvasAccess::ClipRects(c);
    if (clip.empty()) return;
    int dashCount = 0;
    const int* pattern = gfx::DashPattern(pen.Style(), dashCount);
    gfx::DashState dash;
    if (pattern) {
        dash.pattern = pattern;
        dash.count = dashCount;
        dash.Reset();
    }
    const bool opaqueGaps = pattern && c.BkMode() == OPAQUE;
    gfx::ClipSink on(d, clip, TCanvasAccess::PenPaint(c, pen.Color()));
    gfx::ClipSink off(d, clip, TCanvasAccess::PenPaint(c, c.BkColor()));
    const gfx::Window win = TCanvasAccess::Window(c);
    for (int i = 0; i + 1 < n; ++i)
        gfx::Line(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, false, on, pattern ? &dash : nullptr,
                  opaqueGaps ? &off : nullptr, &win);
    if (closed && n > 1)
        gfx::Line(pts[n - 1].x, pts[n - 1].y, pts[0].x, pts[0].y, false, on, pattern ? &dash : nullptr,
                  opaqueGaps ? &off : nullptr, &win);
}

}  // namespace

void TCanvas::MoveTo(int x, int y) {
    if (TCanvasRecorder* r = Recorder()) {
        TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::MoveTo);
        op.Points = {TPoint(x, y)};
        r->Ops.push_back(std::move(op));
    }
    penPos_ = TPoint(x, y);
}

void TCanvas::LineTo(int x, int y) {
    TPoint from = penPos_;
    penPos_ = TPoint(x, y);
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::LineTo);
    op.Points = {from, TPoint(x, y)};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    TPoint pts[2] = {from, TPoint(x, y)};
    strokePolyline(*this, pts, 2, false);
    TCanvasAccess::End(*this);
}

void TCanvas::Polyline(const TPoint* points, int count) {
    if (count <= 0) return;
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::Polyline);
    if (Recorder()) op.Points.assign(points, points + count);
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    strokePolyline(*this, points, count, false);
    TCanvasAccess::End(*this);
}

void TCanvas::PolyPolyline(const TPoint* points, const int* counts, int polylines) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::PolyPolyline);
    int total = 0;
    for (int i = 0; i < polylines; ++i) {
        total += counts[i];
        op.Values.push_back(counts[i]);
    }
    if (Recorder()) op.Points.assign(points, points + total);
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    // On paper the whole set is one path.
    if (penVisible(*pen_) && strokeOnPaper(*this, points, counts, polylines, false)) {
        TCanvasAccess::End(*this);
        return;
    }
    int first = 0;
    for (int i = 0; i < polylines; ++i) {
        strokePolyline(*this, points + first, counts[i], false);
        first += counts[i];
    }
    TCanvasAccess::End(*this);
}

void TCanvas::PolyBezier(const TPoint* points, int count) {
    if (count < 4) return;
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::PolyBezier);
    if (Recorder()) op.Points.assign(points, points + count);
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    std::vector<TPoint> flat = gfx::FlattenBezier(points, count);
    strokePolyline(*this, flat.data(), static_cast<int>(flat.size()), false);
    TCanvasAccess::End(*this);
}

// ---- Shapes --------------------------------------------------------------------------------------
namespace {

void fillWithBrush(TCanvas& c, gfx::SpanSet& spans, bool withMode) {
    QImage storage;
    gfx::Paint p;
    if (TCanvasAccess::BrushPaint(c, storage, withMode, p)) TCanvasAccess::Fill(c, spans, p);
}

void normalise(int& x1, int& y1, int& x2, int& y2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
}

// The outline of a shape, through pixel centres, for a pen of width w.
gfx::RoundShape shapePath(int x1, int y1, int x2, int y2, double rx, double ry, const TPen& pen) {
    gfx::RoundShape s;
    const int w = penWidth(pen);
    if (pen.Style() == psInsideFrame && w > 1) {
        // The outer edge of the pen stays on the box.
        const double in = w / 2.0 - 0.5;
        s.l = x1 + in;
        s.t = y1 + in;
        s.r = x2 - 1 - in;
        s.b = y2 - 1 - in;
        rx = std::max(0.0, rx - in);
        ry = std::max(0.0, ry - in);
    } else {
        s.l = x1;
        s.t = y1;
        s.r = x2 - 1;
        s.b = y2 - 1;
    }
    s.rx = std::min(rx, (s.r - s.l) / 2);
    s.ry = std::min(ry, (s.b - s.t) / 2);
    return s;
}

// Points along an ellipse, starting at the angle start and going counter-clockwise by sweep.
std::vector<TPoint> ellipsePoints(double cx, double cy, double ax, double ay, double start, double sweep,
                                  std::vector<TPoint>& pts) {
    int n = std::clamp(static_cast<int>(std::ceil((ax + ay) * std::fabs(sweep) / 2)), 4, 20000);
    for (int i = 0; i <= n; ++i) {
        double t = start + sweep * i / n;
        TPoint p(static_cast<int>(std::lround(cx + ax * std::cos(t))), static_cast<int>(std::lround(cy - ay * std::sin(t))));
        if (pts.empty() || !(pts.back() == p)) pts.push_back(p);
    }
    return pts;
}

// The closed outline of a rounded rectangle (an ellipse when the radii are half the size),
// counter-clockwise from the middle of the right side, for dashed pens.
std::vector<TPoint> roundRectPoints(const gfx::RoundShape& s) {
    constexpr double q = std::numbers::pi / 2;
    std::vector<TPoint> pts;
    ellipsePoints(s.r - s.rx, s.t + s.ry, s.rx, s.ry, 0, q, pts);
    ellipsePoints(s.l + s.rx, s.t + s.ry, s.rx, s.ry, q, q, pts);
    ellipsePoints(s.l + s.rx, s.b - s.ry, s.rx, s.ry, 2 * q, q, pts);
    ellipsePoints(s.r - s.rx, s.b - s.ry, s.rx, s.ry, 3 * q, q, pts);
    TPoint first(static_cast<int>(std::lround(s.r)), static_cast<int>(std::lround(s.t + s.ry)));
    if (!(pts.back() == first)) pts.push_back(first);
    return pts;
}

enum class ArcKind { None, Arc, Pie, Chord };

// Rectangle, RoundRect, Ellipse, Arc, Pie and Chord: the inside with the brush, then the ring.
void drawShape(TCanvas& c, int x1, int y1, int x2, int y2, double rx, double ry, ArcKind arc, int x3 = 0,
               int y3 = 0, int x4 = 0, int y4 = 0) {
    normalise(x1, y1, x2, y2);
    if (x2 == x1 || y2 == y1) return;
    TPen& pen = *c.Pen();
    const bool outline = penVisible(pen);
    const bool fills = arc != ArcKind::Arc && c.Brush()->Style() != bsClear;
    const int w = penWidth(pen);
    int dashCount = 0;
    const bool dashed = w == 1 && gfx::DashPattern(pen.Style(), dashCount) != nullptr;

    // Without an outline the shape is one pixel smaller on the right and bottom.
    gfx::RoundShape path = pen.Style() != psClear ? shapePath(x1, y1, x2, y2, rx, ry, pen)
                                                  : shapePath(x1, y1, x2 - 1, y2 - 1, rx, ry, pen);
    if (path.r < path.l || path.b < path.t) return;

    const gfx::Window win = TCanvasAccess::Window(c);
    gfx::SpanSet ring, inside;
    if (outline && !dashed) gfx::ShapeRingAndInside(path, w, &ring, fills ? &inside : nullptr, &win);
    else if (fills) {
        // No ring (or a dashed one drawn along the path): the inside is everything within the
        // outline, or the whole shape when there is no pen.
        if (!outline) {
            int ya, yb;
            gfx::ShapeRows(path, 0.5, ya, yb);
            ya = std::max(ya, win.t);
            yb = std::min(yb, win.b);
            for (int y = ya; y <= yb; ++y) {
                int a, b;
                if (gfx::ShapeRow(path, 0.5, y, a, b)) inside.Span(y, std::max(a, win.l - 1), std::min(b, win.r + 1) + 1);
            }
        } else {
            gfx::ShapeRingAndInside(path, 1, nullptr, &inside, &win);
        }
    }

    gfx::ArcSweep sweep;
    if (arc != ArcKind::None) sweep = gfx::MakeArcSweep(path, x3, y3, x4, y4);

    if (fills) {
        gfx::SpanSet part;
        if (arc == ArcKind::Pie) gfx::FilterByAngle(inside, sweep, part);
        else if (arc == ArcKind::Chord) gfx::FilterByChord(inside, sweep, part);
        fillWithBrush(c, arc == ArcKind::None ? inside : part, true);
    }
    if (!outline) return;

    gfx::SpanSet penSpans, offSpans;
    if (dashed) {
        // Dashed one-pixel outlines follow the path so the pattern runs along it.
        const int* pattern = gfx::DashPattern(pen.Style(), dashCount);
        gfx::DashState dash;
        dash.pattern = pattern;
        dash.count = dashCount;
        dash.Reset();
        const bool opaque = c.BkMode() == OPAQUE;
        std::vector<TPoint> pts;
        bool closed = arc == ArcKind::None;
        if (rx <= 0 && ry <= 0 && arc == ArcKind::None) {
            pts = {TPoint(int(path.l), int(path.t)), TPoint(int(path.r), int(path.t)), TPoint(int(path.r), int(path.b)),
                   TPoint(int(path.l), int(path.b))};
        } else if (arc == ArcKind::None) {
            pts = roundRectPoints(path);
            closed = false;
        } else {
            ellipsePoints(sweep.cx, sweep.cy, sweep.rx, sweep.ry, sweep.start, sweep.sweep, pts);
        }
        if (arc == ArcKind::Pie) {
            TPoint centre(static_cast<int>(std::lround(sweep.cx)), static_cast<int>(std::lround(sweep.cy)));
            pts.insert(pts.begin(), centre);
            pts.push_back(centre);
        } else if (arc == ArcKind::Chord && !pts.empty()) {
            pts.push_back(pts.front());
        }
        for (std::size_t i = 0; i + 1 < pts.size(); ++i)
            gfx::Line(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, false, penSpans, &dash, opaque ? &offSpans : nullptr,
                      &win);
        if (closed && pts.size() > 1)
            gfx::Line(pts.back().x, pts.back().y, pts[0].x, pts[0].y, false, penSpans, &dash, opaque ? &offSpans : nullptr,
                      &win);
        if (!closed && arc == ArcKind::None && !pts.empty()) penSpans.Span(pts.back().y, pts.back().x, pts.back().x + 1);
    } else if (arc == ArcKind::None) {
        penSpans = std::move(ring);
    } else {
        gfx::FilterByAngle(ring, sweep, penSpans);
        if (arc != ArcKind::Arc) {
            TPoint s = sweep.PointAt(sweep.start), e = sweep.PointAt(sweep.start + sweep.sweep);
            TPoint centre(static_cast<int>(std::lround(sweep.cx)), static_cast<int>(std::lround(sweep.cy)));
            std::vector<TPoint> lines;
            if (arc == ArcKind::Pie) lines = {s, centre, e};
            else lines = {e, s};
            if (w > 1) {
                gfx::WidePolyline(lines.data(), static_cast<int>(lines.size()), false, w, penSpans, 0, &win);
            } else {
                for (std::size_t i = 0; i + 1 < lines.size(); ++i)
                    gfx::Line(lines[i].x, lines[i].y, lines[i + 1].x, lines[i + 1].y, true, penSpans, nullptr, nullptr,
                              &win);
            }
        }
    }
    TCanvasAccess::Fill(c, penSpans, TCanvasAccess::PenPaint(c, pen.Color()));
    if (!offSpans.Empty()) TCanvasAccess::Fill(c, offSpans, TCanvasAccess::PenPaint(c, c.BkColor()));
}

TCanvasOp boxOp(TCanvas& c, TCanvasOpKind k, int x1, int y1, int x2, int y2) {
    TCanvasOp op = TCanvasAccess::Op(c, k);
    op.Rect = TRect(x1, y1, x2, y2);
    op.Points = {TPoint(x1, y1), TPoint(x2, y2)};
    return op;
}

}  // namespace

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (TCanvasAccess::Record(*this, boxOp(*this, TCanvasOpKind::Rectangle, x1, y1, x2, y2))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    drawShape(*this, x1, y1, x2, y2, 0, 0, ArcKind::None);
    TCanvasAccess::End(*this);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cw, int ch) {
    TCanvasOp op = boxOp(*this, TCanvasOpKind::RoundRect, x1, y1, x2, y2);
    op.Values = {cw, ch};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    double rx = std::max(0.0, std::abs(cw) / 2.0 - 0.5), ry = std::max(0.0, std::abs(ch) / 2.0 - 0.5);
    drawShape(*this, x1, y1, x2, y2, rx, ry, ArcKind::None);
    TCanvasAccess::End(*this);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (TCanvasAccess::Record(*this, boxOp(*this, TCanvasOpKind::Ellipse, x1, y1, x2, y2))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    drawShape(*this, x1, y1, x2, y2, 1e9, 1e9, ArcKind::None);
    TCanvasAccess::End(*this);
}

namespace {
void arcLike(TCanvas& c, TCanvasOpKind kind, ArcKind arc, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
             int y4) {
    TCanvasOp op = boxOp(c, kind, x1, y1, x2, y2);
    op.Points = {TPoint(x1, y1), TPoint(x2, y2), TPoint(x3, y3), TPoint(x4, y4)};
    if (TCanvasAccess::Record(c, std::move(op))) return;
    if (!TCanvasAccess::Begin(c)) return;
    drawShape(c, x1, y1, x2, y2, 1e9, 1e9, arc, x3, y3, x4, y4);
    TCanvasAccess::End(c);
}
}  // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    arcLike(*this, TCanvasOpKind::Arc, ArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}
void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    arcLike(*this, TCanvasOpKind::Pie, ArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}
void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    arcLike(*this, TCanvasOpKind::Chord, ArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Polygon(const TPoint* points, int count) {
    if (count <= 0) return;
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::Polygon);
    if (Recorder()) op.Points.assign(points, points + count);
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (count < 2 || !TCanvasAccess::Begin(*this)) return;
    if (brush_->Style() != bsClear || brush_->Bitmap()) {
        gfx::SpanSet fill;
        const gfx::Window win = TCanvasAccess::Window(*this);
        gfx::FillPolygons(points, &count, 1, polyFillMode_ == WINDING, fill, &win);
        fillWithBrush(*this, fill, true);
    }
    strokePolyline(*this, points, count, true);
    TCanvasAccess::End(*this);
}

void TCanvas::FillRect(const TRect& r) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::FillRect);
    op.Rect = r;
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (r.IsEmpty() || !TCanvasAccess::Begin(*this)) return;
    gfx::SpanSet s;
    TCanvasAccess::RectSpans(*this, r, s);
    fillWithBrush(*this, s, false);
    TCanvasAccess::End(*this);
}

void TCanvas::FrameRect(const TRect& r) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::FrameRect);
    op.Rect = r;
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (r.IsEmpty() || !TCanvasAccess::Begin(*this)) return;
    gfx::SpanSet s;
    TCanvasAccess::RectSpans(*this, TRect(r.Left, r.Top, r.Right, r.Top + 1), s);
    TCanvasAccess::RectSpans(*this, TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), s);
    TCanvasAccess::RectSpans(*this, TRect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1), s);
    TCanvasAccess::RectSpans(*this, TRect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1), s);
    fillWithBrush(*this, s, false);
    TCanvasAccess::End(*this);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::DrawFocusRect);
    op.Rect = r;
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (r.IsEmpty() || !TCanvasAccess::Begin(*this)) return;
    // Every other pixel of the frame is inverted; the same call again puts them back.
    gfx::SpanSet s;
    const gfx::Window win = TCanvasAccess::Window(*this);
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0) s.Span(y, x, x + 1);
    };
    for (int x = std::max(r.Left, win.l); x < std::min(r.Right, win.r + 1); ++x) {
        dot(x, r.Top);
        if (r.Bottom - 1 != r.Top) dot(x, r.Bottom - 1);
    }
    for (int y = std::max(r.Top + 1, win.t); y < std::min(r.Bottom - 1, win.b + 1); ++y) {
        dot(r.Left, y);
        if (r.Right - 1 != r.Left) dot(r.Right - 1, y);
    }
    gfx::Paint p;
    p.mode = pmNot;
    TCanvasAccess::Fill(*this, s, p);
    TCanvasAccess::End(*this);
}

// ---- Pixels and flood fill -----------------------------------------------------------------------
namespace {
bool inClip(const std::vector<QRect>& clip, int x, int y) {
    for (const QRect& r : clip)
        if (r.contains(x, y)) return true;
    return false;
}
}  // namespace

TColor TCanvas::Pixels(int x, int y) {
    if (!device_) CreateHandle();
    if (!device_) return CLR_INVALID;
    std::vector<QRect> clip = TCanvasAccess::ClipRects(*this);
    if (!inClip(clip, x, y)) return CLR_INVALID;
    QImage* img = device_->Image();
    if (!img) return CLR_INVALID;
    QPoint o = device_->Offset();
    QRgb v = reinterpret_cast<const QRgb*>(img->constScanLine(y + o.y()))[x + o.x()];
    return gfx::FromRgb(v & 0xFFFFFF);
}

void TCanvas::SetPixels(int x, int y, TColor c) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::SetPixel);
    op.Points = {TPoint(x, y)};
    op.Values = {c};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    gfx::SpanSet s;
    s.Span(y, x, x + 1);
    gfx::Paint p;
    p.color = gfx::ToRgb(c);
    TCanvasAccess::Fill(*this, s, p);
    TCanvasAccess::End(*this);
}

void TCanvas::FloodFill(int x, int y, TColor colour, TFillStyle style) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::FloodFill);
    op.Points = {TPoint(x, y)};
    op.Values = {colour, static_cast<int>(style)};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    QImage* img = device_->Image();
    std::vector<QRect> clip = TCanvasAccess::ClipRects(*this);
    if (!img || !inClip(clip, x, y)) return;
    QRect area;
    for (const QRect& r : clip) area = area.united(r);
    const QPoint o = device_->Offset();
    const std::uint32_t target = gfx::ToRgb(colour);
    auto pix = [&](int px, int py) {
        return reinterpret_cast<const QRgb*>(img->constScanLine(py + o.y()))[px + o.x()] & 0xFFFFFFu;
    };
    auto matches = [&](int px, int py) {
        bool same = pix(px, py) == target;
        return style == fsSurface ? same : !same;
    };
    if (!matches(x, y)) return;

    const int w = area.width(), h = area.height();
    std::vector<unsigned char> seen(static_cast<std::size_t>(w) * h, 0);
    auto idx = [&](int px, int py) { return static_cast<std::size_t>(py - area.top()) * w + (px - area.left()); };
    auto ok = [&](int px, int py) {
        return area.contains(px, py) && !seen[idx(px, py)] && inClip(clip, px, py) && matches(px, py);
    };
    gfx::SpanSet fill;
    std::vector<QPoint> stack{QPoint(x, y)};
    while (!stack.empty()) {
        QPoint p = stack.back();
        stack.pop_back();
        if (!ok(p.x(), p.y())) continue;
        int l = p.x(), r = p.x();
        while (ok(l - 1, p.y())) --l;
        while (ok(r + 1, p.y())) ++r;
        for (int i = l; i <= r; ++i) seen[idx(i, p.y())] = 1;
        fill.Span(p.y(), l, r + 1);
        for (int dy : {-1, 1}) {
            int ny = p.y() + dy;
            bool run = false;
            for (int i = l; i <= r; ++i) {
                bool can = ok(i, ny);
                if (can && !run) stack.push_back(QPoint(i, ny));
                run = can;
            }
        }
    }
    fillWithBrush(*this, fill, false);
    TCanvasAccess::End(*this);
}

// ---- Pictures ------------------------------------------------------------------------------------
void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic) return;
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::Draw);
    op.Points = {TPoint(x, y)};
    op.Rect = Bounds(x, y, graphic->Width(), graphic->Height());
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (graphic->Empty() || !TCanvasAccess::Begin(*this)) return;
    graphic->DrawOn(this, Bounds(x, y, graphic->Width(), graphic->Height()));
    TCanvasAccess::End(*this);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    if (!graphic) return;
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::StretchDraw);
    op.Rect = r;
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (graphic->Empty() || !TCanvasAccess::Begin(*this)) return;
    graphic->DrawOn(this, r);
    TCanvasAccess::End(*this);
}

void TCanvas::CopyRect(const TRect& destRect, TCanvas* source, const TRect& srcRect) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::CopyRect);
    op.Rect = destRect;
    op.Values = {srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Bottom, static_cast<int>(copyMode_)};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!source || !TCanvasAccess::Begin(*this)) return;
    source->RequireDevice();
    QImage* src = source->device_->Image();
    if (src) {
        QPoint so = source->device_->Offset();
        TCanvasAccess::Blit(*this, QRect(destRect.Left, destRect.Top, destRect.Width(), destRect.Height()), *src,
                            QRect(srcRect.Left + so.x(), srcRect.Top + so.y(), srcRect.Width(), srcRect.Height()),
                            copyMode_);
    }
    TCanvasAccess::End(*this);
}

void TCanvas::BrushCopy(const TRect& destRect, TBitmap* source, const TRect& srcRect, TColor transparent) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::CopyRect);
    op.Rect = destRect;
    op.Values = {srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Bottom, static_cast<int>(cmSrcCopy)};
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!source || source->Empty() || !TCanvasAccess::Begin(*this)) return;
    QImage img = source->Image().image.copy();
    const std::uint32_t key = gfx::ToRgb(transparent), fill = 0xFF000000u | gfx::ToRgb(brush_->Color());
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key) row[x] = fill;
    }
    TCanvasAccess::Blit(*this, QRect(destRect.Left, destRect.Top, destRect.Width(), destRect.Height()), img,
                        QRect(srcRect.Left, srcRect.Top, srcRect.Width(), srcRect.Height()), cmSrcCopy);
    TCanvasAccess::End(*this);
}

void TCanvasAccess::Blit(TCanvas& c, const QRect& dst, const QImage& src0, const QRect& srcRect, TCopyMode rop,
                         int transparentKey) {
    if (!c.device_ || c.device_->DrawsNothing()) return;
    // Copying within one picture (scrolling) reads the pixels as they were before the copy.
    QImage* target = c.device_->Image();
    const QImage src = target && !src0.isNull() && src0.constBits() == target->constBits() ? src0.copy() : src0;
    const int dw = dst.width(), dh = dst.height(), sw = srcRect.width(), sh = srcRect.height();
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || src.isNull()) return;
    std::vector<QRect> clip = ClipRects(c);
    if (clip.empty()) return;
    // Destination pixels covered, whatever the direction.
    const int dx0 = std::min(dst.left(), dst.left() + dw), dx1 = std::max(dst.left(), dst.left() + dw);
    const int dy0 = std::min(dst.top(), dst.top() + dh), dy1 = std::max(dst.top(), dst.top() + dh);
    const bool mirrorX = (dw < 0) != (sw < 0), mirrorY = (dh < 0) != (sh < 0);
    const int adw = dx1 - dx0, adh = dy1 - dy0, asw = std::abs(sw), ash = std::abs(sh);
    const int sx0 = std::min(srcRect.left(), srcRect.left() + sw), sy0 = std::min(srcRect.top(), srcRect.top() + sh);

    QImage patternStorage;
    gfx::Paint pat;
    // The brush takes part only when the operation's result depends on the pattern bit.
    const unsigned code = (rop >> 16) & 0xFF;
    const bool needsPattern = ((code >> 4) & 0xF) != (code & 0xF);
    if (needsPattern) BrushPaint(c, patternStorage, false, pat);

    QImage* img = target;
    if (img) {
        const QPoint o = c.device_->Offset();
        // A plain copy of the same size (a control showing its off-screen picture) copies whole rows.
        const bool plainCopy = rop == SRCCOPY && !needsPattern && transparentKey < 0 && !src.hasAlphaChannel() &&
                               adw == asw && adh == ash && !mirrorX && !mirrorY && src.depth() == 32;
        if (plainCopy) {
            for (const QRect& cr : clip) {
                QRect area = cr.intersected(QRect(dx0, dy0, adw, adh));
                // Only the part that has source pixels.
                area = area.intersected(QRect(dx0 - sx0, dy0 - sy0, src.width(), src.height()));
                if (area.isEmpty()) continue;
                for (int y = area.top(); y <= area.bottom(); ++y) {
                    const auto* srow = reinterpret_cast<const QRgb*>(src.constScanLine(sy0 + (y - dy0)));
                    auto* drow = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(img->constScanLine(y + o.y())));
                    for (int x = area.left(); x <= area.right(); ++x)
                        drow[x + o.x()] = 0xFF000000u | (srow[sx0 + (x - dx0)] & 0xFFFFFF);
                }
            }
            return;
        }
        for (const QRect& cr : clip) {
            QRect area = cr.intersected(QRect(dx0, dy0, adw, adh));
            if (area.isEmpty()) continue;
            for (int y = area.top(); y <= area.bottom(); ++y) {
                int ry = y - dy0;
                int sy = sy0 + (mirrorY ? (adh - 1 - ry) : ry) * ash / adh;
                if (sy < 0 || sy >= src.height()) continue;
                const auto* srow = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
                auto* drow = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(img->constScanLine(y + o.y())));
                for (int x = area.left(); x <= area.right(); ++x) {
                    int rx = x - dx0;
                    int sx = sx0 + (mirrorX ? (adw - 1 - rx) : rx) * asw / adw;
                    if (sx < 0 || sx >= src.width()) continue;
                    QRgb s = srow[sx];
                    if (src.hasAlphaChannel() && qAlpha(s) == 0) continue;
                    std::uint32_t sv = s & 0xFFFFFF;
                    if (transparentKey >= 0 && sv == static_cast<std::uint32_t>(transparentKey)) continue;
                    std::uint32_t& d = drow[x + o.x()];
                    std::uint32_t pv = pat.color;
                    if (pat.pattern) {
                        const QImage& pi = *pat.pattern;
                        int tx = ((x - pat.originX) % pi.width() + pi.width()) % pi.width();
                        int ty = ((y - pat.originY) % pi.height() + pi.height()) % pi.height();
                        pv = reinterpret_cast<const QRgb*>(pi.constScanLine(ty))[tx] & 0xFFFFFF;
                    }
                    d = 0xFF000000u | gfx::Rop3(rop, pv, sv, d & 0xFFFFFF);
                }
            }
        }
        return;
    }
    // A painter whose pixels are out of reach: draw the scaled picture.
    QImage part = src.copy(QRect(sx0, sy0, asw, ash)).convertToFormat(QImage::Format_ARGB32);
    if (transparentKey >= 0) {
        for (int y = 0; y < part.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((row[x] & 0xFFFFFF) == static_cast<std::uint32_t>(transparentKey)) row[x] = 0;
        }
    }
    part = part.mirrored(mirrorX, mirrorY);
    QPainter* p = c.device_->BeginPainting();
    if (!p) return;
    QRegion region;
    for (const QRect& r : clip) region += r;
    p->setClipRegion(region);
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    switch (rop) {
        case SRCINVERT: p->setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
        case SRCAND: p->setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
        case SRCPAINT: p->setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
        case NOTSRCCOPY: p->setCompositionMode(QPainter::RasterOp_NotSource); break;
        default: break;
    }
    p->drawImage(QRect(dx0, dy0, adw, adh), part);
    c.device_->EndPainting();
}
