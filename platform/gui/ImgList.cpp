// Image lists.
#include "gui/ImgList.h"

#include "gui/CanvasInternal.h"
#include "gui/ImgListInternal.h"

#include <algorithm>

// ---- Pictures of a list --------------------------------------------------------------------------
namespace gfx {

QImage GreyedImage(const QImage& img) {
    // The picture's shape embossed: highlight one pixel down and right, shadow on top.
    QImage out(img.size(), QImage::Format_ARGB32);
    out.fill(0);
    const QRgb hi = 0xFF000000u | ToRgb(clBtnHighlight), sh = 0xFF000000u | ToRgb(clBtnShadow);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0 && x + 1 < out.width() && y + 1 < out.height()) out.setPixel(x + 1, y + 1, hi);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0) out.setPixel(x, y, sh);
    return out;
}

}  // namespace gfx

// ---- Change links --------------------------------------------------------------------------------
TChangeLink::~TChangeLink() {
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() { OnChange(sender_); }

// ---- The list ------------------------------------------------------------------------------------
TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height) : TCustomImageList(owner) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* l : links_) l->SetSender(nullptr);
    links_.clear();
}

void TCustomImageList::SetWidth(int w) { SetSize(w, height_); }
void TCustomImageList::SetHeight(int h) { SetSize(width_, h); }
void TCustomImageList::SetSize(int w, int h) {
    w = std::max(1, w);
    h = std::max(1, h);
    if (w == width_ && h == height_) return;
    width_ = w;
    height_ = h;
    impl_->images.clear();
    Change();
}

int TCustomImageList::Count() const { return static_cast<int>(impl_->images.size()); }

void TCustomImageList::SetBkColor(TColor c) {
    if (c == bkColor_) return;
    bkColor_ = c;
    Change();
}
void TCustomImageList::SetBlendColor(TColor c) {
    if (c == blendColor_) return;
    blendColor_ = c;
    Change();
}
void TCustomImageList::SetDrawingStyle(TDrawingStyle s) {
    if (s == drawingStyle_) return;
    drawingStyle_ = s;
    Change();
}
void TCustomImageList::SetImageType(TImageType t) {
    if (t == imageType_) return;
    imageType_ = t;
    Change();
}
void TCustomImageList::SetMasked(bool m) {
    if (m == masked_) return;
    masked_ = m;
    Change();
}

void TCustomImageList::checkIndex(int index) const {
    if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image list index " + IntToStr(index));
}

namespace {

// Pieces of Width x Height cut from image, background pixels made transparent by isBackground.
template <class F>
std::vector<QImage> cut(const QImage& src, int w, int h, F isBackground) {
    std::vector<QImage> out;
    if (src.isNull()) return out;
    const int pieces = std::max(1, src.width() / w);
    for (int i = 0; i < pieces; ++i) {
        QImage piece(w, h, QImage::Format_ARGB32);
        piece.fill(0);
        for (int y = 0; y < h && y < src.height(); ++y)
            for (int x = 0; x < w && i * w + x < src.width(); ++x) {
                QRgb v = src.pixel(i * w + x, y);
                if (!isBackground(i * w + x, y, v)) piece.setPixel(x, y, 0xFF000000u | (v & 0xFFFFFF));
            }
        out.push_back(piece);
    }
    return out;
}

std::vector<QImage> withMask(const TCustomImageList& l, TBitmap* image, TBitmap* mask) {
    if (!image || image->Empty()) return {};
    const QImage& src = image->Image().image;
    const QImage* m = mask && !mask->Empty() ? &mask->Image().image : nullptr;
    return cut(src, l.Width(), l.Height(), [&](int x, int y, QRgb) {
        if (!m || x >= m->width() || y >= m->height()) return false;
        return (m->pixel(x, y) & 0xFFFFFF) != 0;  // white marks the background
    });
}

std::vector<QImage> withColour(const TCustomImageList& l, TBitmap* image, TColor maskColor) {
    if (!image || image->Empty()) return {};
    const QImage& src = image->Image().image;
    const std::uint32_t key =
        maskColor == clDefault ? (src.pixel(0, src.height() - 1) & 0xFFFFFF) : gfx::ToRgb(maskColor);
    return cut(src, l.Width(), l.Height(), [&](int, int, QRgb v) { return (v & 0xFFFFFF) == key; });
}

}  // namespace

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    auto pieces = withMask(*this, image, mask);
    if (pieces.empty()) return -1;
    int first = Count();
    impl_->images.insert(impl_->images.end(), pieces.begin(), pieces.end());
    Change();
    return first;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    auto pieces = withColour(*this, image, maskColor);
    if (pieces.empty()) return -1;
    int first = Count();
    impl_->images.insert(impl_->images.end(), pieces.begin(), pieces.end());
    Change();
    return first;
}

int TCustomImageList::AddImages(TCustomImageList* other) {
    if (!other || other->Count() == 0) return -1;
    int first = Count();
    for (const QImage& img : other->impl_->images)
        impl_->images.push_back(img.size() == QSize(width_, height_) ? img : img.scaled(width_, height_));
    Change();
    return first;
}

void TCustomImageList::Insert(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index > Count()) throw EInvalidOperation("Invalid image list index " + IntToStr(index));
    auto pieces = withMask(*this, image, mask);
    impl_->images.insert(impl_->images.begin() + index, pieces.begin(), pieces.end());
    Change();
}

void TCustomImageList::InsertMasked(int index, TBitmap* image, TColor maskColor) {
    if (index < 0 || index > Count()) throw EInvalidOperation("Invalid image list index " + IntToStr(index));
    auto pieces = withColour(*this, image, maskColor);
    impl_->images.insert(impl_->images.begin() + index, pieces.begin(), pieces.end());
    Change();
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    checkIndex(index);
    auto pieces = withMask(*this, image, mask);
    if (pieces.empty()) return;
    impl_->images[static_cast<std::size_t>(index)] = pieces.front();
    Change();
}

void TCustomImageList::ReplaceMasked(int index, TBitmap* image, TColor maskColor) {
    checkIndex(index);
    auto pieces = withColour(*this, image, maskColor);
    if (pieces.empty()) return;
    impl_->images[static_cast<std::size_t>(index)] = pieces.front();
    Change();
}

void TCustomImageList::Delete(int index) {
    checkIndex(index);
    impl_->images.erase(impl_->images.begin() + index);
    Change();
}

void TCustomImageList::Move(int from, int to) {
    checkIndex(from);
    checkIndex(to);
    if (from == to) return;
    QImage img = impl_->images[static_cast<std::size_t>(from)];
    impl_->images.erase(impl_->images.begin() + from);
    impl_->images.insert(impl_->images.begin() + to, img);
    Change();
}

void TCustomImageList::Clear() {
    if (impl_->images.empty()) return;
    impl_->images.clear();
    Change();
}

bool TCustomImageList::GetBitmap(int index, TBitmap* bitmap) {
    if (!bitmap || index < 0 || index >= Count()) return false;
    bitmap->SetSize(width_, height_);
    TCanvas* c = bitmap->Canvas();
    FillRectColor(c, TRect(0, 0, width_, height_), bkColor_ == clNone || bkColor_ == clDefault ? clWhite : bkColor_);
    DrawEx(c, index, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    return true;
}

bool TCustomImageList::GetMask(int index, TBitmap* mask) {
    if (!mask || index < 0 || index >= Count()) return false;
    mask->SetSize(width_, height_);
    DrawEx(mask->Canvas(), index, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
    return true;
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
    Draw(canvas, x, y, index, drawingStyle_, imageType_, enabled);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
                            bool enabled) {
    if (!canvas || index < 0 || index >= Count()) return;
    if (!enabled) {
        TCanvasOp op = TCanvasAccess::Op(*canvas, TCanvasOpKind::Draw);
        op.Points = {TPoint(x, y)};
        op.Rect = Bounds(x, y, width_, height_);
        op.Values = {index, 0};
        if (TCanvasAccess::Record(*canvas, std::move(op))) return;
        if (!TCanvasAccess::Begin(*canvas)) return;
        QImage g = gfx::GreyedImage(impl_->images[static_cast<std::size_t>(index)]);
        TCanvasAccess::Blit(*canvas, QRect(x, y, width_, height_), g, g.rect(), SRCCOPY);
        TCanvasAccess::End(*canvas);
        return;
    }
    unsigned s = ILD_NORMAL;
    switch (style) {
        case dsFocus: s = ILD_FOCUS; break;
        case dsSelected: s = ILD_SELECTED; break;
        case dsTransparent: s = ILD_TRANSPARENT; break;
        default: break;
    }
    if (type == itMask) s |= ILD_MASK;
    DrawEx(canvas, index, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, s);
}

bool TCustomImageList::DrawEx(HDC dc, int index, int x, int y, int dx, int dy, TColor bk, TColor fg, unsigned style) {
    if (!dc || index < 0 || index >= Count()) return false;
    const int w = dx > 0 ? std::min(dx, width_) : width_, h = dy > 0 ? std::min(dy, height_) : height_;
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::Draw);
    op.Points = {TPoint(x, y)};
    op.Rect = Bounds(x, y, w, h);
    op.Values = {index, static_cast<int>(style)};
    if (TCanvasAccess::Record(*dc, std::move(op))) return true;
    if (!TCanvasAccess::Begin(*dc)) return true;

    // Background: the list's colour by default; none when drawing transparently.
    TColor back = bk == CLR_DEFAULT ? bkColor_ : bk;
    if (back == clDefault || (style & ILD_TRANSPARENT)) back = clNone;
    if (back == CLR_NONE) back = clNone;
    TColor blend = fg == CLR_DEFAULT ? (blendColor_ == clNone || blendColor_ == clDefault ? clHighlight : blendColor_) : fg;
    const bool doBlend = (style & (ILD_BLEND25 | ILD_BLEND50)) && blend != CLR_NONE && blend != clNone;
    const std::uint32_t b = gfx::ToRgb(blend);

    const QImage& src = impl_->images[static_cast<std::size_t>(index)];
    QImage out(w, h, QImage::Format_ARGB32);
    const QRgb backRgb = back == clNone ? 0u : 0xFF000000u | gfx::ToRgb(back);
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            QRgb v = src.pixel(xx, yy);
            const bool picture = qAlpha(v) != 0 || !masked_;
            QRgb r;
            if (style & ILD_MASK) {
                r = picture ? 0xFF000000u : 0xFFFFFFFFu;
            } else if (!picture) {
                r = backRgb;
            } else {
                std::uint32_t c = v & 0xFFFFFF;
                if (doBlend) {
                    const int k = (style & ILD_BLEND50) ? 2 : 4;  // 50% or 25% of the blend colour
                    auto mix = [&](int sh) {
                        int a = (c >> sh) & 0xFF, bb = (b >> sh) & 0xFF;
                        return static_cast<std::uint32_t>((a * (k - 1) + bb) / k) << sh;
                    };
                    c = mix(16) | mix(8) | mix(0);
                }
                r = 0xFF000000u | c;
            }
            out.setPixel(xx, yy, r);
        }
    TCanvasAccess::Blit(*dc, QRect(x, y, w, h), out, out.rect(), SRCCOPY);
    TCanvasAccess::End(*dc);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link) return;
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
    link->SetSender(this);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it != links_.end()) links_.erase(it);
    if (link && link->Sender() == this) link->SetSender(nullptr);
}

void TCustomImageList::BeginUpdate() { ++updateCount_; }

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && changedWhileLocked_) {
        changedWhileLocked_ = false;
        Change();
    }
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changedWhileLocked_ = true;
        return;
    }
    // A link may unregister itself from its handler.
    std::vector<TChangeLink*> links = links_;
    for (TChangeLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->Change();
    OnChange(this);
}

void TCustomImageList::Assign(TPersistent* source) {
    if (auto* l = dynamic_cast<TCustomImageList*>(source)) {
        if (l == this) return;
        width_ = l->width_;
        height_ = l->height_;
        bkColor_ = l->bkColor_;
        blendColor_ = l->blendColor_;
        drawingStyle_ = l->drawingStyle_;
        imageType_ = l->imageType_;
        masked_ = l->masked_;
        impl_->images = l->impl_->images;
        Change();
        return;
    }
    TComponent::Assign(source);
}
