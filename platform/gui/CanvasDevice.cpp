// Devices a canvas draws on.
#include "gui/CanvasDevice.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace gfx {

std::uint32_t ToRgb(TColor c) {
    TColor v = ColorToRGB(c);
    return static_cast<std::uint32_t>(GetRValue(v) << 16 | GetGValue(v) << 8 | GetBValue(v));
}

TColor FromRgb(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::uint32_t Rop2(TPenMode m, std::uint32_t p, std::uint32_t d) {
    std::uint32_t r;
    switch (m) {
        case pmBlack: r = 0; break;
        case pmWhite: r = 0xFFFFFF; break;
        case pmNop: r = d; break;
        case pmNot: r = ~d; break;
        case pmCopy: r = p; break;
        case pmNotCopy: r = ~p; break;
        case pmMergePenNot: r = p | ~d; break;
        case pmMaskPenNot: r = p & ~d; break;
        case pmMergeNotPen: r = ~p | d; break;
        case pmMaskNotPen: r = ~p & d; break;
        case pmMerge: r = p | d; break;
        case pmNotMerge: r = ~(p | d); break;
        case pmMask: r = p & d; break;
        case pmNotMask: r = ~(p & d); break;
        case pmXor: r = p ^ d; break;
        case pmNotXor: r = ~(p ^ d); break;
        default: r = p; break;
    }
    return r & 0xFFFFFF;
}

std::uint32_t Rop3(std::uint32_t rop, std::uint32_t pat, std::uint32_t src, std::uint32_t dst) {
    switch (rop) {
        case SRCCOPY: return src & 0xFFFFFF;
        case SRCINVERT: return (src ^ dst) & 0xFFFFFF;
        case SRCAND: return src & dst & 0xFFFFFF;
        case SRCPAINT: return (src | dst) & 0xFFFFFF;
        case NOTSRCCOPY: return ~src & 0xFFFFFF;
        case DSTINVERT: return ~dst & 0xFFFFFF;
        case BLACKNESS: return 0;
        case WHITENESS: return 0xFFFFFF;
        case PATCOPY: return pat & 0xFFFFFF;
        default: break;
    }
    // Bit i of the operation code is the result for pattern, source and destination bits
    // (P << 2 | S << 1 | D) = i.
    const unsigned code = (rop >> 16) & 0xFF;
    std::uint32_t r = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(code & (1u << i))) continue;
        std::uint32_t m = (i & 4 ? pat : ~pat) & (i & 2 ? src : ~src) & (i & 1 ? dst : ~dst);
        r |= m;
    }
    return r & 0xFFFFFF;
}

void FillImageSpans(QImage& image, const Span* spans, std::size_t n, const Paint& paint, QPoint offset) {
    const bool solidCopy = !paint.pattern && paint.mode == pmCopy;
    const std::uint32_t solid = 0xFF000000u | paint.color;
    for (std::size_t i = 0; i < n; ++i) {
        const Span& s = spans[i];
        auto* row = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(image.constScanLine(s.y + offset.y())));
        std::uint32_t* p = row + s.x1 + offset.x();
        std::uint32_t* e = row + s.x2 + offset.x();
        if (solidCopy) {
            std::fill(p, e, solid);
            continue;
        }
        if (!paint.pattern) {
            for (; p != e; ++p) *p = 0xFF000000u | Rop2(paint.mode, paint.color, *p);
            continue;
        }
        const QImage& pat = *paint.pattern;
        const int pw = pat.width(), ph = pat.height();
        int ty = (s.y - paint.originY) % ph;
        if (ty < 0) ty += ph;
        const auto* prow = reinterpret_cast<const std::uint32_t*>(pat.constScanLine(ty));
        int tx = (s.x1 - paint.originX) % pw;
        if (tx < 0) tx += pw;
        for (; p != e; ++p) {
            std::uint32_t t = prow[tx];
            if (++tx == pw) tx = 0;
            if ((t >> 24) == 0) continue;
            *p = 0xFF000000u | Rop2(paint.mode, t & 0xFFFFFF, *p);
        }
    }
}

void ClipUnlessInside(QPainter& painter, const QRectF& ink, const std::vector<QRect>& clip) {
    for (const QRect& r : clip)
        if (QRectF(r).contains(ink)) return;
    QRegion region;
    for (const QRect& r : clip) region += r;
    painter.setClipRegion(region, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

bool Mapping::Identity() const {
    return Mode == 1 || (WindowOrg.isNull() && ViewportOrg.isNull() && WindowExt == ViewportExt);
}

QTransform Mapping::Transform() const {
    if (Mode == 1) return {};
    const double sx = WindowExt.width() ? double(ViewportExt.width()) / WindowExt.width() : 1.0;
    const double sy = WindowExt.height() ? double(ViewportExt.height()) / WindowExt.height() : 1.0;
    // x' = (x - wx) * sx + vx
    return QTransform(sx, 0, 0, sy, ViewportOrg.x() - WindowOrg.x() * sx, ViewportOrg.y() - WindowOrg.y() * sy);
}

void Mapping::Isotropize() {
    if (WindowExt.width() == 0 || WindowExt.height() == 0) return;
    const double sx = double(ViewportExt.width()) / WindowExt.width();
    const double sy = double(ViewportExt.height()) / WindowExt.height();
    const double ax = std::abs(sx), ay = std::abs(sy);
    if (ax < ay) {
        const int h = static_cast<int>(std::lround(ax * std::abs(WindowExt.height())));
        ViewportExt.setHeight(sy < 0 ? -h : h);
    } else if (ay < ax) {
        const int w = static_cast<int>(std::lround(ay * std::abs(WindowExt.width())));
        ViewportExt.setWidth(sx < 0 ? -w : w);
    }
}

namespace {

// Fills spans as rectangles through a painter: a span continuing one of the row before with the same
// ends grows that rectangle, so a filled box is one rectangle and a line a few, not one per row.
void fillMerged(QPainter& p, const Span* spans, std::size_t n, const QBrush& brush) {
    struct Open {
        int x1, x2, top, last;
    };
    std::vector<Open> open;   // rectangles the current row may still extend
    std::vector<Open> next;
    int rowY = INT_MIN;
    auto flush = [&](const Open& o) { p.fillRect(QRect(o.x1, o.top, o.x2 - o.x1, o.last - o.top + 1), brush); };
    for (std::size_t i = 0; i < n; ++i) {
        const Span& s = spans[i];
        if (s.y != rowY) {
            // A new row: only rectangles that reached the row above may grow; the rest are done.
            for (const Open& o : open)
                if (o.last == s.y - 1) next.push_back(o);
                else flush(o);
            open.swap(next);
            next.clear();
            rowY = s.y;
        }
        bool extended = false;
        for (Open& o : open) {
            if (o.x1 == s.x1 && o.x2 == s.x2 && o.last == s.y - 1) {
                o.last = s.y;
                extended = true;
                break;
            }
        }
        if (!extended) open.push_back({s.x1, s.x2, s.y, s.y});
    }
    for (const Open& o : open) flush(o);
}

}  // namespace

}  // namespace gfx

TCanvasDevice::~TCanvasDevice() = default;

bool TCanvasDevice::StrokeLines(const QPainterPath&, const QPen&, const std::vector<QRect>&) { return false; }

QRect TCanvasDevice::LogicalBounds() const {
    const QRect b = Bounds();
    if (map_.Identity()) return b;
    bool invertible = false;
    QTransform inv = map_.Transform().inverted(&invertible);
    if (!invertible) return {};
    // The logical pixels whose device image meets the device.
    QRectF f = inv.mapRect(QRectF(b.left(), b.top(), b.width(), b.height()));
    return QRect(QPoint(static_cast<int>(std::floor(f.left())), static_cast<int>(std::floor(f.top()))),
                 QPoint(static_cast<int>(std::ceil(f.right())) - 1, static_cast<int>(std::ceil(f.bottom())) - 1));
}

// ---- Image device --------------------------------------------------------------------------------
TImageDevice::TImageDevice(QImage* image, QPoint offset, QRect bounds, bool detachOnWrite)
    : image_(image), offset_(offset), bounds_(bounds), detach_(detachOnWrite) {}

QImage* TImageDevice::Image() {
    // A bitmap's picture may share its pixels with a copy; writing must not change the copy.
    if (detach_ && image_ && !image_->isNull()) image_->bits();
    return image_;
}

void TImageDevice::FillSpans(const gfx::Span* spans, std::size_t n, const gfx::Paint& paint) {
    QImage* img = Image();
    if (!img || img->isNull()) return;
    if (map_.Identity()) {
        gfx::FillImageSpans(*img, spans, n, paint, offset_);
        return;
    }
    // Under a mapping mode a logical pixel covers several device pixels (or less than one).
    QPainter p(img);
    p.translate(offset_);
    p.setWorldTransform(map_.Transform(), true);
    if (paint.pattern) {
        p.setBrushOrigin(paint.originX, paint.originY);
        gfx::fillMerged(p, spans, n, QBrush(*paint.pattern));
    } else {
        gfx::fillMerged(p, spans, n, QBrush(QColor::fromRgb(0xFF000000u | paint.color)));
    }
}

QPainter* TImageDevice::BeginPainting() {
    if (external_) {
        external_->save();
        if (!map_.Identity()) external_->setWorldTransform(map_.Transform(), true);
        return external_;
    }
    QImage* img = Image();
    if (!img || img->isNull()) return nullptr;
    own_.begin(img);
    own_.translate(offset_);
    if (!map_.Identity()) own_.setWorldTransform(map_.Transform(), true);
    return &own_;
}

void TImageDevice::EndPainting() {
    if (external_) {
        external_->restore();
        return;
    }
    if (own_.isActive()) own_.end();
}

// ---- Painter device ------------------------------------------------------------------------------
TPainterDevice::TPainterDevice(QPainter* painter, QSize size, const gfx::DeviceCaps& caps)
    : painter_(painter), size_(size), caps_(caps) {}

namespace {
QPainter::CompositionMode compositionOf(TPenMode m) {
    switch (m) {
        case pmXor: return QPainter::RasterOp_SourceXorDestination;
        case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
        case pmMerge: return QPainter::RasterOp_SourceOrDestination;
        case pmMask: return QPainter::RasterOp_SourceAndDestination;
        case pmNotCopy: return QPainter::RasterOp_NotSource;
        case pmNot: return QPainter::RasterOp_NotDestination;
        case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
        case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
        case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
        case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
        case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
        case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
        case pmBlack: return QPainter::RasterOp_ClearDestination;
        case pmWhite: return QPainter::RasterOp_SetDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}
}  // namespace

void TPainterDevice::FillSpans(const gfx::Span* spans, std::size_t n, const gfx::Paint& paint) {
    if (paint.mode == pmNop || n == 0) return;
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setCompositionMode(compositionOf(paint.mode));
    QBrush brush;
    if (paint.pattern) {
        brush = QBrush(*paint.pattern);
        painter_->setBrushOrigin(paint.originX, paint.originY);
    } else {
        brush = QBrush(QColor::fromRgb(0xFF000000u | paint.color));
    }
    if (!map_.Identity()) painter_->setWorldTransform(map_.Transform(), true);
    gfx::fillMerged(*painter_, spans, n, brush);
    painter_->restore();
}

bool TPainterDevice::StrokeLines(const QPainterPath& lines, const QPen& pen, const std::vector<QRect>& clip) {
    if (!caps_.VectorLines) return false;
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!map_.Identity()) painter_->setWorldTransform(map_.Transform(), true);
    const double half = pen.widthF();
    gfx::ClipUnlessInside(*painter_, lines.controlPointRect().adjusted(-half, -half, half, half), clip);
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPath(lines);
    painter_->restore();
    return true;
}

QPainter* TPainterDevice::BeginPainting() {
    painter_->save();
    if (!map_.Identity()) painter_->setWorldTransform(map_.Transform(), true);
    return painter_;
}

void TPainterDevice::EndPainting() { painter_->restore(); }
