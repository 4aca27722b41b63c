// Pictures: bitmaps, the picture container and pictures compiled into the program.
#include "gui/CanvasInternal.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>

#include <cstring>
#include <map>
#include <mutex>

// ---- TGraphic ------------------------------------------------------------------------------------
TGraphic::TGraphic() : alive_(std::make_shared<int>(0)) {}
TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool t) {
    if (t == transparent_) return;
    transparent_ = t;
    Changed();
}

void TGraphic::SetModified(bool m) {
    if (m) Changed();
    else modified_ = false;
}

void TGraphic::Changed() {
    modified_ = true;
    OnChange(this);
}

// ---- TBitmap -------------------------------------------------------------------------------------
TBitmap::TBitmap() : image_(std::make_unique<TBitmapImage>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() { SetSize(width, height); }

TBitmap::~TBitmap() {
    canvas_.reset();
    device_.reset();
}

int TBitmap::Width() const { return width_; }
int TBitmap::Height() const { return height_; }

void TBitmap::SetWidth(int w) { SetSize(w, Height()); }
void TBitmap::SetHeight(int h) { SetSize(Width(), h); }

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
    width_ = w;
    height_ = h;
    QImage next;
    if (w > 0 && h > 0) {
        next = QImage(w, h, QImage::Format_RGB32);
        next.fill(0xFFFFFFFFu);
        const QImage& old = image_->image;
        if (!old.isNull()) {
            const int cw = std::min(w, old.width()), ch = std::min(h, old.height());
            for (int y = 0; y < ch; ++y)
                std::memcpy(next.scanLine(y), old.constScanLine(y), static_cast<std::size_t>(cw) * 4);
        }
    }
    image_->image = next;
    rebindCanvas();
    Changed();
}

bool TBitmap::Empty() const { return image_->image.isNull(); }

void TBitmap::rebindCanvas() {
    if (device_)
        static_cast<TImageDevice*>(device_.get())->SetImage(&image_->image, QRect(0, 0, image_->image.width(),
                                                                                  image_->image.height()));
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        device_ = std::make_unique<TImageDevice>(&image_->image, QPoint(0, 0),
                                                 QRect(0, 0, image_->image.width(), image_->image.height()), true);
        canvas_ = std::make_unique<TCanvas>();
        canvas_->SetDevice(device_.get(), false);
        // Drawing on the canvas changes the picture (an image control showing it repaints).
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
    if (f == pixelFormat_) return;
    pixelFormat_ = f;
    Changed();
}

void TBitmap::SetMonochrome(bool m) { SetPixelFormat(m ? pf1bit : pfDevice); }

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (image_->image.isNull()) return clDefault;
    QRgb v = image_->image.pixel(0, image_->image.height() - 1);
    return gfx::FromRgb(v & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor c) {
    transparentColor_ = c;
    transparentMode_ = c == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
    if (m == transparentMode_) return;
    transparentMode_ = m;
    if (m == tmAuto) transparentColor_ = clDefault;
    Changed();
}

namespace {

TPixelFormat formatOf(const QImage& img) {
    switch (img.depth()) {
        case 1: return pf1bit;
        case 4: return pf4bit;
        case 8: return pf8bit;
        case 16: return pf16bit;
        case 24: return pf24bit;
        case 32: return pf32bit;
        default: return pfCustom;
    }
}

QImage readImage(QIODevice* dev, const QByteArray& format = QByteArray()) {
    QImageReader reader(dev, format);
    reader.setAutoTransform(false);
    return reader.read();
}

}  // namespace

void TBitmap::LoadFromFile(const AnsiString& fileName) {
    QFile f(gfx::Q(fileName));
    if (!f.open(QIODevice::ReadOnly)) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    TBitmapImage loaded{readImage(&f)};
    takeLoaded(loaded);
}

void TBitmap::takeLoaded(TBitmapImage& loaded) {
    const QImage& img = loaded.image;
    if (img.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    TPixelFormat pf = formatOf(img);
    image_->image = img.convertToFormat(QImage::Format_RGB32);
    width_ = image_->image.width();
    height_ = image_->image.height();
    pixelFormat_ = pf;
    rebindCanvas();
    Changed();
}

void TBitmap::SaveToFile(const AnsiString& fileName) {
    AnsiString ext = LowerCase(fileName.SubString(fileName.LastDelimiter(".") + 1, fileName.Length()));
    SaveToFile(fileName, fileName.LastDelimiter(".") > 0 && ext == "png" ? "PNG" : "BMP");
}

void TBitmap::SaveToFile(const AnsiString& fileName, const AnsiString& format) {
    QImage out = image_->image;
    if (out.isNull()) out = QImage(std::max(1, Width()), std::max(1, Height()), QImage::Format_RGB32);
    if (pixelFormat_ == pf1bit) out = out.convertToFormat(QImage::Format_Mono);
    else if (pixelFormat_ == pf8bit || pixelFormat_ == pf4bit) out = out.convertToFormat(QImage::Format_Indexed8);
    if (!out.save(gfx::Q(fileName), UpperCase(format).c_str())) throw EFCreateError("Cannot create file \"" + fileName + "\"");
}


void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        SetSize(0, 0);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        if (b == this) return;
        image_->image = b->image_->image;  // shared until either side draws
        width_ = b->width_;
        height_ = b->height_;
        pixelFormat_ = b->pixelFormat_;
        transparentMode_ = b->transparentMode_;
        transparentColor_ = b->transparentColor_;
        TGraphic::SetTransparent(b->Transparent());
        rebindCanvas();
        Changed();
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(source)) {
        Assign(p->Graphic());
        return;
    }
    TGraphic::Assign(source);
}

std::uint32_t* TBitmap::ScanLine(int y) {
    if (image_->image.isNull() || y < 0 || y >= image_->image.height())
        throw EInvalidGraphic("Scan line index out of range");
    return reinterpret_cast<std::uint32_t*>(image_->image.scanLine(y));
}

void TBitmap::DrawOn(TCanvas* canvas, const TRect& r) {
    if (!canvas || image_->image.isNull()) return;
    const QImage& img = image_->image;
    if (Transparent()) {
        int key = static_cast<int>(gfx::ToRgb(TransparentColor()));
        TCanvasAccess::Blit(*canvas, QRect(r.Left, r.Top, r.Width(), r.Height()), img, img.rect(), SRCCOPY, key);
    } else {
        TCanvasAccess::Blit(*canvas, QRect(r.Left, r.Top, r.Width(), r.Height()), img, img.rect(),
                            canvas->CopyMode());
    }
}

// ---- Pictures compiled in ------------------------------------------------------------------------
namespace {
std::mutex& resourceMutex() {
    static std::mutex m;
    return m;
}
std::map<std::string, QByteArray>& resources() {
    static std::map<std::string, QByteArray> r;
    return r;
}
}  // namespace

void RegisterImageResource(const AnsiString& name, const unsigned char* data, std::size_t size) {
    std::lock_guard<std::mutex> g(resourceMutex());
    resources()[UpperCase(name).str()] =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

bool ImageResourceExists(const AnsiString& name) {
    std::lock_guard<std::mutex> g(resourceMutex());
    return resources().count(UpperCase(name).str()) != 0;
}

void TBitmap::LoadFromResourceName(const AnsiString& name) {
    QByteArray data;
    {
        std::lock_guard<std::mutex> g(resourceMutex());
        auto it = resources().find(UpperCase(name).str());
        if (it == resources().end()) throw EResNotFound("Resource " + name + " not found");
        data = it->second;
    }
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    TBitmapImage loaded{readImage(&buf)};
    takeLoaded(loaded);
}

bool LoadSystemBitmap(int id, TBitmap& bitmap) {
    if (id != OBM_CHECKBOXES) return false;
    // Row 0: check boxes (plain, checked, pushed, pushed and checked); row 1: radio buttons in the
    // same states; row 2: three-state boxes.
    constexpr int kSide = 13;
    bitmap.SetSize(4 * kSide, 3 * kSide);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect(0, 0, 4 * kSide, 3 * kSide));
    const unsigned states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    const unsigned kinds[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            TRect r = Bounds(col * kSide, row * kSide, kSide, kSide);
            DrawFrameControl(c, r, DFC_BUTTON, kinds[row] | states[col]);
        }
    return true;
}

namespace {
const int programModule = 0;
}  // namespace
const HINSTANCE HInstance = &programModule;

HBITMAP LoadBitmap(HINSTANCE instance, int number) {
    auto b = std::make_shared<TBitmap>();
    if (!instance) return LoadSystemBitmap(number, *b) ? b : HBITMAP();
    AnsiString name = "#" + IntToStr(number);
    if (!ImageResourceExists(name)) return HBITMAP();
    b->LoadFromResourceName(name);
    return b;
}



// ---- TPicture ------------------------------------------------------------------------------------
TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::graphicChanged(TObject*) { OnChange(this); }

void TPicture::SetGraphic(TGraphic* g) {
    if (g == graphic_.get()) return;
    if (!g) {
        graphic_.reset();
    } else {
        auto b = std::make_unique<TBitmap>();
        b->Assign(g);
        graphic_ = std::move(b);
        graphic_->OnChange = TNotifyEvent(this, &TPicture::graphicChanged);
    }
    OnChange(this);
}

TBitmap* TPicture::Bitmap() {
    if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
    graphic_ = std::make_unique<TBitmap>();
    graphic_->OnChange = TNotifyEvent(this, &TPicture::graphicChanged);
    return static_cast<TBitmap*>(graphic_.get());
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const AnsiString& fileName) {
    auto b = std::make_unique<TBitmap>();
    b->LoadFromFile(fileName);
    graphic_ = std::move(b);
    graphic_->OnChange = TNotifyEvent(this, &TPicture::graphicChanged);
    OnChange(this);
}

void TPicture::SaveToFile(const AnsiString& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(source)) {
        SetGraphic(p->Graphic());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(source);
}
