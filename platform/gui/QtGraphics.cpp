// The bridge between the drawing classes and Qt.
#include "gui/QtGraphicsInternal.h"

#include "gui/CanvasInternal.h"
#include "gui/ImgList.h"
#include "gui/ImgListInternal.h"

#include <QPaintEngine>

#include <cmath>

QColor ToQColor(TColor c) {
    if (c == clNone) return QColor(0, 0, 0, 0);
    return QColor::fromRgb(0xFF000000u | gfx::ToRgb(c));
}

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// ---- Attaching painters and images ---------------------------------------------------------------
namespace {

// Remembers the device a canvas had before, to give it back on detaching.
struct Previous {
    TCanvasDevice* device = nullptr;
    bool owned = false;
};

class AttachedImage : public TImageDevice {
public:
    AttachedImage(QImage* img, QPoint offset, QRect bounds, Previous prev)
        : TImageDevice(img, offset, bounds, false), previous(prev) {}
    Previous previous;
};

class AttachedPainter : public TPainterDevice {
public:
    AttachedPainter(QPainter* p, QSize size, Previous prev) : TPainterDevice(p, size), previous(prev) {}
    Previous previous;
};

Previous takePrevious(TCanvas& canvas) {
    Previous p{canvas.Device(), canvas.OwnsDevice()};
    canvas.ReleaseDevice();
    return p;
}

void restorePrevious(TCanvas& canvas, Previous p) {
    // The attached device is owned by the canvas: replacing it frees it.
    canvas.SetDevice(p.device, p.owned);
}

bool directFormat(const QImage& img) {
    return img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_ARGB32 ||
           img.format() == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

void AttachPainter(TCanvas& canvas, QPainter* painter, QSize deviceSize) {
    Previous prev = takePrevious(canvas);
    // Painting on a picture in memory (a widget's raster back end, or a QImage): draw into its
    // pixels directly, so pen modes and pixel reads work as on a bitmap.
    QPaintEngine* engine = painter ? painter->paintEngine() : nullptr;
    if (engine && engine->type() == QPaintEngine::Raster) {
        QPaintDevice* pd = engine->paintDevice();
        QTransform t = painter->deviceTransform();
        if (pd && pd->devType() == QInternal::Image && t.type() <= QTransform::TxTranslate &&
            t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy())) {
            auto* img = static_cast<QImage*>(pd);
            if (directFormat(*img)) {
                QPoint offset(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
                QRect bounds = QRect(QPoint(0, 0), deviceSize).intersected(img->rect().translated(-offset));
                auto* dev = new AttachedImage(img, offset, bounds, prev);
                dev->SetExternalPainter(painter);
                QRegion clip;
                bool limited = false;
                QRegion sys = engine->systemClip();
                if (!sys.isEmpty()) {
                    clip = sys.translated(-offset);
                    limited = true;
                }
                if (painter->hasClipping()) {
                    QRegion pc = painter->clipRegion();
                    clip = limited ? clip.intersected(pc) : pc;
                    limited = true;
                }
                if (limited) dev->SetSystemClip(clip);
                canvas.SetDevice(dev, true);
                return;
            }
        }
    }
    canvas.SetDevice(new AttachedPainter(painter, deviceSize, prev), true);
}

void DetachPainter(TCanvas& canvas) {
    if (auto* d = dynamic_cast<AttachedImage*>(canvas.Device())) restorePrevious(canvas, d->previous);
    else if (auto* p = dynamic_cast<AttachedPainter*>(canvas.Device())) restorePrevious(canvas, p->previous);
}

void AttachImage(TCanvas& canvas, QImage* image) {
    Previous prev = takePrevious(canvas);
    QRect bounds = image ? image->rect() : QRect();
    canvas.SetDevice(new AttachedImage(image, QPoint(0, 0), bounds, prev), true);
}

void DetachImage(TCanvas& canvas) { DetachPainter(canvas); }

TCanvasPaintScope::TCanvasPaintScope(TCanvas& canvas, QPainter* painter, QSize deviceSize)
    : canvas_(canvas), painter_(true) {
    AttachPainter(canvas, painter, deviceSize);
}

TCanvasPaintScope::TCanvasPaintScope(TCanvas& canvas, QImage* image) : canvas_(canvas), painter_(false) {
    AttachImage(canvas, image);
}

TCanvasPaintScope::~TCanvasPaintScope() {
    if (painter_) DetachPainter(canvas_);
    else DetachImage(canvas_);
}

// ---- Bitmaps -------------------------------------------------------------------------------------
QImage& BitmapQImage(TBitmap& b) { return b.Image().image; }
const QImage& BitmapQImage(const TBitmap& b) { return b.Image().image; }

void SetBitmapQImage(TBitmap& b, const QImage& image) {
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    b.SetSize(rgb.width(), rgb.height());
    if (!rgb.isNull()) b.Image().image = rgb;
    b.PixelsChanged();
}

// ---- Image lists ---------------------------------------------------------------------------------
QImage ImageListImage(const TCustomImageList& list, int index, bool enabled) {
    if (index < 0 || index >= list.Count()) return QImage();
    const QImage& img = list.Images().images[static_cast<std::size_t>(index)];
    return enabled ? img : gfx::GreyedImage(img);
}

QIcon ImageListIcon(const TCustomImageList& list, int index) {
    QIcon icon;
    QImage on = ImageListImage(list, index, true);
    if (on.isNull()) return icon;
    icon.addPixmap(QPixmap::fromImage(on), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(ImageListImage(list, index, false)), QIcon::Disabled);
    return icon;
}
