// Devices a canvas draws on.
#include "gui/CanvasDevice.h"

#include <algorithm>

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

}  // namespace gfx

TCanvasDevice::~TCanvasDevice() = default;

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
    gfx::FillImageSpans(*img, spans, n, paint, offset_);
}

QPainter* TImageDevice::BeginPainting() {
    if (external_) {
        external_->save();
        return external_;
    }
    QImage* img = Image();
    if (!img || img->isNull()) return nullptr;
    own_.begin(img);
    own_.translate(offset_);
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
TPainterDevice::TPainterDevice(QPainter* painter, QSize size) : painter_(painter), size_(size) {}

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
    for (std::size_t i = 0; i < n; ++i)
        painter_->fillRect(QRect(spans[i].x1, spans[i].y, spans[i].x2 - spans[i].x1, 1), brush);
    painter_->restore();
}

QPainter* TPainterDevice::BeginPainting() {
    painter_->save();
    return painter_;
}

void TPainterDevice::EndPainting() { painter_->restore(); }
