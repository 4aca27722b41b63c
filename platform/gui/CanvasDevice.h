// What a canvas draws on: a picture in memory, a painter of a control while it paints, or nothing
// (recording). Platform-internal.
#pragma once

#include "gui/CanvasRaster.h"
#include "gui/Graphics.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <cstdint>
#include <vector>

namespace gfx {

// How pixels are set: a colour or a tiled pattern, combined with the picture by a pen mode.
struct Paint {
    std::uint32_t color = 0;          // 0xRRGGBB
    const QImage* pattern = nullptr;  // ARGB32 tile: pixels with alpha 0 leave the picture alone
    int originX = 0;                  // canvas point of the tile's top-left corner
    int originY = 0;
    TPenMode mode = pmCopy;
};

// Pen modes and raster operations on 24-bit RGB values.
std::uint32_t Rop2(TPenMode mode, std::uint32_t pen, std::uint32_t dst);
std::uint32_t Rop3(std::uint32_t rop, std::uint32_t pat, std::uint32_t src, std::uint32_t dst);
// TColor (0x00BBGGRR, system colours resolved) to 0xRRGGBB and back.
std::uint32_t ToRgb(TColor c);
TColor FromRgb(std::uint32_t rgb);

// Clips painter to the rectangles of clip unless ink lies wholly inside one of them: on a printer
// or PDF every clip is written into the page, so none is set where nothing would be cut.
void ClipUnlessInside(QPainter& painter, const QRectF& ink, const std::vector<QRect>& clip);

// Sets the pixels of spans (in image coordinates, already clipped) of a 32-bit image.
void FillImageSpans(QImage& image, const Span* spans, std::size_t n, const Paint& paint, QPoint offset);

// What GetDeviceCaps tells of a device: its resolution, and for a printer page the unprintable
// border, the whole sheet and the printable size in millimetres. -1: take it from the bounds.
struct DeviceCaps {
    int PixelsX = 96;
    int PixelsY = 96;
    int OffsetX = 0;
    int OffsetY = 0;
    int PhysicalWidth = -1;
    int PhysicalHeight = -1;
    int SizeMMX = -1;
    int SizeMMY = -1;
    // Paper (a printer, a PDF, a page recorded for one): lines are kept as lines, not as pixels.
    bool VectorLines = false;
};

// The mapping mode of a device context: logical to device coordinates through a window and a
// viewport (origin and extent each).
struct Mapping {
    int Mode = 1;  // MM_TEXT
    QPoint WindowOrg{0, 0};
    QSize WindowExt{1, 1};
    QPoint ViewportOrg{0, 0};
    QSize ViewportExt{1, 1};
    bool Identity() const;
    // Logical to device.
    QTransform Transform() const;
    // In MM_ISOTROPIC one logical unit is as long on both axes: the larger viewport scale
    // shrinks to the smaller one, keeping its sign.
    void Isotropize();
};

}  // namespace gfx

class TCanvasDevice {
public:
    virtual ~TCanvasDevice();
    // Resolution and page measures (a screen-like device by default).
    virtual gfx::DeviceCaps Caps() const { return {}; }
    // The mapping mode set on the device context; painters and span fills draw through it.
    gfx::Mapping& Map() noexcept { return map_; }
    const gfx::Mapping& Map() const noexcept { return map_; }
    // The drawable area in logical coordinates (Bounds under the inverse mapping).
    QRect LogicalBounds() const;
    // The drawable area in canvas coordinates.
    virtual QRect Bounds() const = 0;
    // A further limit set by the device (the region a control repaints), in canvas coordinates.
    virtual const QRegion* SystemClip() const { return nullptr; }
    // Sets the pixels of spans (canvas coordinates, already clipped).
    virtual void FillSpans(const gfx::Span* spans, std::size_t n, const gfx::Paint& paint) = 0;
    // The pixels, when the device can reach them (image pixel = canvas point + Offset()).
    virtual QImage* Image() { return nullptr; }
    virtual QPoint Offset() const { return {}; }
    // A painter in canvas coordinates for text and pictures, between BeginPainting and EndPainting;
    // nullptr when the device draws nothing.
    virtual QPainter* BeginPainting() = 0;
    virtual void EndPainting() = 0;
    // A canvas on this device logs but draws nothing.
    virtual bool DrawsNothing() const { return false; }
    // Strokes lines (logical coordinates) with pen, clipped to clip, where the device keeps them as
    // lines (Caps().VectorLines); false where lines are set pixel by pixel.
    virtual bool StrokeLines(const QPainterPath& lines, const QPen& pen, const std::vector<QRect>& clip);

protected:
    gfx::Mapping map_;
};

// Pixels of a QImage (a bitmap's own, or one handed over by a control).
class TImageDevice : public TCanvasDevice {
public:
    // image: RGB32 or ARGB32(_Premultiplied). bounds: drawable part in canvas coordinates.
    TImageDevice(QImage* image, QPoint offset, QRect bounds, bool detachOnWrite);
    // Text and pictures go through painter (already active on image) when given.
    void SetExternalPainter(QPainter* p) { external_ = p; }
    void SetSystemClip(const QRegion& r) { systemClip_ = r; hasSystemClip_ = true; }
    void SetImage(QImage* image, QRect bounds) { image_ = image; bounds_ = bounds; }

    QRect Bounds() const override { return bounds_; }
    const QRegion* SystemClip() const override { return hasSystemClip_ ? &systemClip_ : nullptr; }
    void FillSpans(const gfx::Span* spans, std::size_t n, const gfx::Paint& paint) override;
    QImage* Image() override;
    QPoint Offset() const override { return offset_; }
    QPainter* BeginPainting() override;
    void EndPainting() override;

private:
    QImage* image_;
    QPoint offset_;
    QRect bounds_;
    bool detach_;
    QPainter* external_ = nullptr;
    QPainter own_;
    QRegion systemClip_;
    bool hasSystemClip_ = false;
};

// A painter whose pixels cannot be reached (printer, PDF, page picture): spans become rectangles,
// equal spans on consecutive rows one rectangle.
class TPainterDevice : public TCanvasDevice {
public:
    TPainterDevice(QPainter* painter, QSize size, const gfx::DeviceCaps& caps = {});
    QRect Bounds() const override { return QRect(QPoint(0, 0), size_); }
    gfx::DeviceCaps Caps() const override { return caps_; }
    void FillSpans(const gfx::Span* spans, std::size_t n, const gfx::Paint& paint) override;
    bool StrokeLines(const QPainterPath& lines, const QPen& pen, const std::vector<QRect>& clip) override;
    QPainter* BeginPainting() override;
    void EndPainting() override;
    void SetPainter(QPainter* p) { painter_ = p; }

private:
    QPainter* painter_;
    QSize size_;
    gfx::DeviceCaps caps_;
};

// Draws nothing: the canvas of a geometry test.
class TNullDevice : public TCanvasDevice {
public:
    explicit TNullDevice(QSize size) : size_(size) {}
    QRect Bounds() const override { return QRect(QPoint(0, 0), size_); }
    void FillSpans(const gfx::Span*, std::size_t, const gfx::Paint&) override {}
    QPainter* BeginPainting() override { return nullptr; }
    void EndPainting() override {}
    bool DrawsNothing() const override { return true; }

private:
    QSize size_;
};
