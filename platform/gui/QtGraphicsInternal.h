// The bridge between the drawing classes and Qt, for the platform's own controls and for tests.
// The system never includes this header.
//
// A control paints by attaching its canvas to the QPainter of its paint event for the length of
// the paint:
//     QPainter p(widget);
//     TCanvasPaintScope scope(*canvas, &p, widget->size());
//     control->Paint();
// The canvas then draws onto the widget with the same rules as onto a bitmap. A canvas can also be
// attached to a QImage the caller owns (a control's backing picture, drawn outside paint events).
#pragma once

#include "gui/Graphics.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSize>

class TCustomImageList;

// The pixels of a TBitmap: always QImage::Format_RGB32 (or null while the bitmap is empty).
struct TBitmapImage {
    QImage image;
};

// System colours resolve through ColorToRGB; clNone gives a fully transparent colour.
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);
// The Qt font that draws f (face resolved, pixel size at 96 dpi, weight, style, family hint).
// Orientation is not part of a QFont: the canvas rotates the painter.
QFont ToQFont(const TFont& f);

// Draws through painter until DetachPainter; deviceSize bounds the drawing. The canvas's previous
// device comes back on DetachPainter. Reading pixels (Pixels, FloodFill) works when the painter
// paints on a QImage, directly or through the raster back end of a widget.
void AttachPainter(TCanvas& canvas, QPainter* painter, QSize deviceSize);
void DetachPainter(TCanvas& canvas);
// Draws straight into image (RGB32 or ARGB32 formats) until DetachImage; the image must outlive
// the attachment and keep its size.
void AttachImage(TCanvas& canvas, QImage* image);
void DetachImage(TCanvas& canvas);

// Attaches for the lifetime of the object.
class TCanvasPaintScope {
public:
    TCanvasPaintScope(TCanvas& canvas, QPainter* painter, QSize deviceSize);
    TCanvasPaintScope(TCanvas& canvas, QImage* image);
    ~TCanvasPaintScope();
    TCanvasPaintScope(const TCanvasPaintScope&) = delete;
    TCanvasPaintScope& operator=(const TCanvasPaintScope&) = delete;

private:
    TCanvas& canvas_;
    bool painter_;
};

// The bitmap's pixels. After changing them from outside, call TBitmap::PixelsChanged().
QImage& BitmapQImage(TBitmap& b);
const QImage& BitmapQImage(const TBitmap& b);
// Replaces the bitmap's picture by a copy of image (converted to RGB32).
void SetBitmapQImage(TBitmap& b, const QImage& image);

// One picture of an image list with its mask as transparency (ARGB32), greyed when !enabled;
// a null image for a bad index.
QImage ImageListImage(const TCustomImageList& list, int index, bool enabled = true);
QIcon ImageListIcon(const TCustomImageList& list, int index);
