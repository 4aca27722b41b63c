// Page pictures: recorded drawing replayed at any size.
#include "gui/CanvasDevice.h"
#include "gui/Graphics.h"

#include <QFile>
#include <QPainter>
#include <QPicture>

#include <algorithm>

struct TMetafileImage {
    QPicture picture;
    bool recorded = false;
};

struct TMetafileCanvas::Recording {
    QPainter painter;
};

TMetafile::TMetafile() : image_(std::make_unique<TMetafileImage>()) {}

TMetafile::~TMetafile() = default;

void TMetafile::SetWidth(int w) {
    if (w == width_) return;
    width_ = std::max(0, w);
    Changed();
}

void TMetafile::SetHeight(int h) {
    if (h == height_) return;
    height_ = std::max(0, h);
    Changed();
}

bool TMetafile::Empty() const { return !image_->recorded || width_ <= 0 || height_ <= 0; }

void TMetafile::SetPixelsPerInch(int x, int y) {
    if (x > 0) ppiX_ = x;
    if (y > 0) ppiY_ = y;
}

void TMetafile::Clear() {
    image_ = std::make_unique<TMetafileImage>();
    width_ = height_ = 0;
    Changed();
}

void TMetafile::LoadFromFile(const AnsiString& fileName) {
    QFile f(QString::fromStdString(fileName.str()));
    if (!f.open(QIODevice::ReadOnly)) throw EInvalidGraphic("Cannot open " + fileName);
    QDataStream in(&f);
    qint32 w = 0, h = 0, px = 0, py = 0;
    in >> w >> h >> px >> py;
    auto img = std::make_unique<TMetafileImage>();
    if (in.status() != QDataStream::Ok || !img->picture.load(&f)) throw EInvalidGraphic("Invalid page picture " + fileName);
    img->recorded = true;
    image_ = std::move(img);
    width_ = w;
    height_ = h;
    SetPixelsPerInch(px, py);
    Changed();
}

void TMetafile::SaveToFile(const AnsiString& fileName) {
    QFile f(QString::fromStdString(fileName.str()));
    if (!f.open(QIODevice::WriteOnly)) throw EInvalidGraphic("Cannot create " + fileName);
    QDataStream out(&f);
    out << qint32(width_) << qint32(height_) << qint32(ppiX_) << qint32(ppiY_);
    image_->picture.save(&f);
}

void TMetafile::DrawOn(TCanvas* canvas, const TRect& r) {
    TCanvasDevice* device = canvas ? canvas->Device() : nullptr;
    if (!device || Empty()) return;
    QPainter* p = device->BeginPainting();
    if (!p) return;
    // The picture holds page pixels; the painter's device may count its own pixels per inch for
    // pictures (a 600-dpi printer enlarges a picture by 600/96), which the counter-scale undoes, so
    // that one recorded unit is one unit of the canvas before the stretch into r.
    const QPaintDevice* target = p->device();
    const double dpiX = target ? target->logicalDpiX() : 96, dpiY = target ? target->logicalDpiY() : 96;
    const QPicture& pic = image_->picture;
    p->translate(r.Left, r.Top);
    p->scale(double(r.Width()) / width_, double(r.Height()) / height_);
    p->scale(pic.logicalDpiX() / dpiX, pic.logicalDpiY() / dpiY);
    p->setClipRect(QRectF(0, 0, width_ * dpiX / pic.logicalDpiX(), height_ * dpiY / pic.logicalDpiY()),
                   Qt::IntersectClip);
    p->drawPicture(0, 0, pic);
    device->EndPainting();
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC reference)
    : metafile_(metafile), rec_(std::make_unique<Recording>()) {
    gfx::DeviceCaps caps;
    QSize size(metafile->Width(), metafile->Height());
    if (reference) {
        TCanvasDevice* d = reference->Device();
        if (!d) {
            reference->Handle();
            d = reference->Device();
        }
        if (d) {
            caps = d->Caps();
            const QRect b = d->Bounds();
            size = QSize(b.right() + 1, b.bottom() + 1);
        }
    } else {
        caps.PixelsX = metafile->PixelsPerInchX();
        caps.PixelsY = metafile->PixelsPerInchY();
        // A page at a printer's resolution is meant for paper; one at the screen's replays pixel
        // for pixel like a bitmap's drawing.
        caps.VectorLines = caps.PixelsX > 96 && caps.PixelsY > 96;
    }
    metafile->image_ = std::make_unique<TMetafileImage>();
    metafile->width_ = size.width();
    metafile->height_ = size.height();
    metafile->SetPixelsPerInch(caps.PixelsX, caps.PixelsY);
    metafile->image_->recorded = true;
    rec_->painter.begin(&metafile->image_->picture);
    SetDevice(new TPainterDevice(&rec_->painter, size, caps), true);
    Font()->SetPixelsPerInch(caps.PixelsY);
}

TMetafileCanvas::~TMetafileCanvas() {
    SetDevice(nullptr);
    if (rec_->painter.isActive()) rec_->painter.end();
    metafile_->Changed();
}
