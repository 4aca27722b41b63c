#include "gui/Buttons.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

using namespace plantmon::gui;

// ---- TSpeedButton --------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    glyph_->OnChange = TNotifyEvent(this, &TSpeedButton::glyphChanged);
    SetControlStyle((ControlStyle() | csCaptureMouse) & ~csClickEvents);
    SetBounds(0, 0, 23, 22);
    SetParentFont(true);
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::glyphChanged(TObject*) {
    // A glyph made of square pictures side by side says how many it holds.
    if (glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0) {
        int n = glyph_->Width() / glyph_->Height();
        if (n >= 1 && n <= 4) numGlyphs_ = n;
    }
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* b) { glyph_->Assign(b); }

void TSpeedButton::SetNumGlyphs(int n) {
    numGlyphs_ = std::clamp(n, 1, 4);
    Invalidate();
}

void TSpeedButton::SetFlat(bool b) {
    flat_ = b;
    Invalidate();
}

void TSpeedButton::SetDown(bool b) {
    if (groupIndex_ == 0) b = false;
    if (b == down_) return;
    if (down_ && !b && !allowAllUp_) return;
    down_ = b;
    state_ = b ? bsExclusive : bsUp;
    if (b) updateExclusive();
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int g) {
    groupIndex_ = g;
    if (g == 0) {
        down_ = false;
        state_ = bsUp;
    }
    Invalidate();
}

void TSpeedButton::SetAllowAllUp(bool b) {
    allowAllUp_ = b;
    if (TWinControl* p = Parent())
        for (int i = 0; i < p->ControlCount(); ++i)
            if (auto* s = dynamic_cast<TSpeedButton*>(p->Controls(i)); s && s->groupIndex_ == groupIndex_ && groupIndex_ != 0)
                s->allowAllUp_ = b;
}

void TSpeedButton::updateExclusive() {
    TWinControl* p = Parent();
    if (!p || groupIndex_ == 0) return;
    for (int i = 0; i < p->ControlCount(); ++i) {
        auto* s = dynamic_cast<TSpeedButton*>(p->Controls(i));
        if (s && s != this && s->groupIndex_ == groupIndex_ && s->down_) {
            s->down_ = false;
            s->state_ = bsUp;
            s->Invalidate();
        }
    }
}

void TSpeedButton::SetLayout(TButtonLayout l) {
    layout_ = l;
    Invalidate();
}

void TSpeedButton::SetMargin(int m) {
    margin_ = m;
    Invalidate();
}

void TSpeedButton::SetSpacing(int s) {
    spacing_ = s;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool b) {
    transparent_ = b;
    Invalidate();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) {
        if (!down_) {
            state_ = bsDown;
            Invalidate();
        }
        dragging_ = true;
    }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) return;
    // Leaving the button while held lets it up; coming back presses it again.
    bool inside = ClientRect().Contains(TPoint(x, y));
    TButtonState s = down_ ? bsExclusive : (inside ? bsDown : bsUp);
    if (s != state_) {
        state_ = s;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_) return;
    dragging_ = false;
    bool inside = ClientRect().Contains(TPoint(x, y));
    if (groupIndex_ == 0) {
        state_ = bsUp;
        Invalidate();
        if (inside) Click();
        return;
    }
    if (inside) {
        SetDown(!down_);
        if (down_ || allowAllUp_) state_ = down_ ? bsExclusive : bsUp;
        Invalidate();
        Click();
    } else {
        state_ = down_ ? bsExclusive : bsUp;
        Invalidate();
    }
}

void TSpeedButton::CMMouseEnter(TMessage& m) {
    hot_ = true;
    if (flat_) Invalidate();
    TGraphicControl::CMMouseEnter(m);
}

void TSpeedButton::CMMouseLeave(TMessage& m) {
    hot_ = false;
    if (flat_) Invalidate();
    TGraphicControl::CMMouseLeave(m);
}

void TSpeedButton::ActionChange(TBasicAction* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TCustomAction*>(sender); a && groupIndex_ > 0) SetDown(a->Checked());
}

namespace {
// Draws glyph picture `index` of `count` and the caption laid out like a button face.
void drawFace(TCanvas* c, TRect r, TBitmap* glyph, int count, int index, const AnsiString& caption, TButtonLayout layout,
              int margin, int spacing, int offset, bool enabled) {
    int gw = 0, gh = 0;
    if (glyph && !glyph->Empty()) {
        gw = glyph->Width() / std::max(1, count);
        gh = glyph->Height();
    }
    AnsiString text = caption;
    TRect tr = CalcTextRect(c->Font(), text.IsEmpty() ? AnsiString(" ") : text, TRect(0, 0, 0, 0), DT_SINGLELINE);
    int tw = text.IsEmpty() ? 0 : tr.Width(), th = text.IsEmpty() ? 0 : tr.Height();
    int sp = (gw > 0 && tw > 0) ? spacing : 0;
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    int totalW = horizontal ? gw + sp + tw : std::max(gw, tw);
    int totalH = horizontal ? std::max(gh, th) : gh + sp + th;
    int x0 = margin >= 0 && horizontal ? r.Left + margin : r.Left + (r.Width() - totalW) / 2;
    int y0 = margin >= 0 && !horizontal ? r.Top + margin : r.Top + (r.Height() - totalH) / 2;
    int gx = x0, gy = y0, tx = x0, ty = y0;
    switch (layout) {
    case blGlyphLeft: gy = y0 + (totalH - gh) / 2; tx = x0 + gw + sp; ty = y0 + (totalH - th) / 2; break;
    case blGlyphRight: tx = x0; ty = y0 + (totalH - th) / 2; gx = x0 + tw + sp; gy = y0 + (totalH - gh) / 2; break;
    case blGlyphTop: gx = x0 + (totalW - gw) / 2; tx = x0 + (totalW - tw) / 2; ty = y0 + gh + sp; break;
    case blGlyphBottom: tx = x0 + (totalW - tw) / 2; ty = y0; gx = x0 + (totalW - gw) / 2; gy = y0 + th + sp; break;
    }
    if (gw > 0) {
        TBitmap part(gw, gh);
        part.Canvas()->CopyRect(TRect(0, 0, gw, gh), glyph->Canvas(), TRect(index * gw, 0, index * gw + gw, gh));
        part.SetTransparent(true);
        c->Draw(gx + offset, gy + offset, &part);
    }
    if (tw > 0) {
        c->Brush()->SetStyle(bsClear);
        TRect t(tx + offset, ty + offset, tx + offset + tw, ty + offset + th);
        if (!enabled) {
            TRect l = t;
            OffsetRect(l, 1, 1);
            c->Font()->SetColor(clBtnHighlight);
            DrawText(c, text, -1, l, DT_SINGLELINE);
            c->Font()->SetColor(clBtnShadow);
        }
        DrawText(c, text, -1, t, DT_SINGLELINE);
    }
}
}  // namespace

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    bool pushed = state_ == bsDown || state_ == bsExclusive;
    if (!flat_ || !transparent_) {
        c->Brush()->SetColor(down_ && !hot_ ? clBtnHighlight : clBtnFace);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    TRect e = r;
    if (flat_) {
        if (pushed) DrawEdge(c, e, BDR_SUNKENOUTER, BF_RECT);
        else if (hot_ && Enabled()) DrawEdge(c, e, BDR_RAISEDINNER, BF_RECT);
    } else {
        DrawEdge(c, e, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    c->Font()->Assign(Font());
    int index = 0;
    if (!Enabled() && numGlyphs_ > 1) index = 1;
    else if (pushed && numGlyphs_ > 2) index = state_ == bsExclusive && numGlyphs_ > 3 ? 3 : 2;
    drawFace(c, r, glyph_.get(), numGlyphs_, index, Caption(), layout_, margin_, spacing_, pushed ? 1 : 0, Enabled());
}

// ---- TBitBtn -------------------------------------------------------------------------------------

AnsiString BitBtnCaption(TBitBtnKind kind) {
    switch (kind) {
    case bkOK: return "OK";
    case bkCancel: return "Отмена";
    case bkHelp: return "&Справка";
    case bkYes: return "&Да";
    case bkNo: return "&Нет";
    case bkClose: return "&Закрыть";
    case bkAbort: return "Прервать";
    case bkRetry: return "&Повтор";
    case bkIgnore: return "&Пропустить";
    case bkAll: return "&Все";
    default: return AnsiString();
    }
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {
    glyph_->OnChange = TNotifyEvent(this, &TBitBtn::glyphChanged);
}

TBitBtn::~TBitBtn() { glyph_->OnChange = nullptr; }

void TBitBtn::glyphChanged(TObject*) {
    if (glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0) {
        int n = glyph_->Width() / glyph_->Height();
        if (n >= 1 && n <= 4) numGlyphs_ = n;
    }
    UpdateFace();
}

void TBitBtn::SetKind(TBitBtnKind k) {
    kind_ = k;
    if (k == bkCustom) {
        UpdateFace();
        return;
    }
    SetCaption(BitBtnCaption(k));
    static const int results[] = {mrNone, mrOk, mrCancel, mrNone, mrYes, mrNo, mrNone, mrAbort, mrRetry, mrIgnore, mrAll};
    SetModalResult(results[k]);
    SetDefault(k == bkOK || k == bkYes);
    SetCancel(k == bkCancel || k == bkNo);
    UpdateFace();
}

void TBitBtn::SetGlyph(TBitmap* b) { glyph_->Assign(b); }

void TBitBtn::SetNumGlyphs(int n) {
    numGlyphs_ = std::clamp(n, 1, 4);
    UpdateFace();
}

void TBitBtn::SetLayout(TButtonLayout l) {
    layout_ = l;
    auto* b = static_cast<QPushButton*>(Widget());
    b->setLayoutDirection(l == blGlyphRight ? Qt::RightToLeft : Qt::LeftToRight);
}

void TBitBtn::UpdateFace() {
    auto* b = static_cast<QPushButton*>(Widget());
    b->setText(QString::fromStdString(Caption().str()));
    QIcon icon;
    if (!glyph_->Empty()) {
        int gw = glyph_->Width() / std::max(1, numGlyphs_);
        QImage img = BitmapQImage(*glyph_).copy(0, 0, gw, glyph_->Height()).convertToFormat(QImage::Format_ARGB32);
        // The bottom-left pixel's colour is the background of a glyph.
        QRgb bg = img.pixel(0, img.height() - 1);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == bg) img.setPixel(x, y, 0);
        icon = QIcon(QPixmap::fromImage(img));
        b->setIconSize(QSize(gw, glyph_->Height()));
    } else if (kind_ != bkCustom) {
        QStyle::StandardPixmap sp = QStyle::SP_DialogOkButton;
        switch (kind_) {
        case bkOK: sp = QStyle::SP_DialogOkButton; break;
        case bkCancel: sp = QStyle::SP_DialogCancelButton; break;
        case bkHelp: sp = QStyle::SP_DialogHelpButton; break;
        case bkYes: sp = QStyle::SP_DialogYesButton; break;
        case bkNo: sp = QStyle::SP_DialogNoButton; break;
        case bkClose: sp = QStyle::SP_DialogCloseButton; break;
        case bkAbort: sp = QStyle::SP_DialogDiscardButton; break;
        case bkRetry: sp = QStyle::SP_BrowserReload; break;
        case bkIgnore: sp = QStyle::SP_DialogIgnoreButton; break;
        case bkAll: sp = QStyle::SP_DialogYesToAllButton; break;
        default: break;
        }
        icon = b->style()->standardIcon(sp);
    }
    b->setIcon(icon);
}

void TBitBtn::Click() {
    // A Close button closes its form (a modal one ends with no result).
    if (kind_ == bkClose) {
        if (TCustomForm* f = GetParentForm(this)) {
            f->Close();
            TButtonControl::Click();
            return;
        }
    }
    TButton::Click();
}
