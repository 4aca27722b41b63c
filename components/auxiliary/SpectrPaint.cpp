// TSpectr: the picture, the cursor, mouse, keys and wheel, and image export.
#include "components/auxiliary/ChartSupport.h"
#include "components/auxiliary/Spectr.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <algorithm>
#include <climits>

using auxiliary::BeepOnFailure;
using auxiliary::ForEachGridValue;

namespace {

// A screen coordinate. NaN or infinite values (counts that cannot be placed) raise here; a paint
// answers that with the simple beep.
int px(double v) {
    long long t = Trunc(v);
    return static_cast<int>(std::clamp<long long>(t, INT_MIN, INT_MAX));
}

}  // namespace

void TSpectr::usePen(TCanvas* canvas, TPen* pen) const {
    canvas->SetPen(pen);
    if (exporting_) canvas->Pen()->SetColor(clBlack);
}

void TSpectr::useFont(TCanvas* canvas, TFont* font) const {
    canvas->SetFont(font);
    if (exporting_) canvas->Font()->SetColor(clBlack);
}

void TSpectr::Paint() {
    if (!Visible()) return;
    if (bitmap_->Width() != Width() || bitmap_->Height() != Height()) {
        bitmap_->SetSize(Width(), Height());
        redraw_ = true;
    }
    CalcRegion();
    if (redraw_) {
        // Cleared first: the margin adjustment of PaintNet may ask for the next picture already.
        redraw_ = false;
        try {
            TCanvas* c = bitmap_->Canvas();
            PaintBackGround(c);
            PaintNet(c);
            PaintSpectr(c);
            PaintPics(c);
            PaintLimits(c);
            if (showCursor_) PaintCursor(c);
        } catch (...) {
            redraw_ = true;  // the next paint tries again (and beeps again)
            throw;
        }
    }
    TRect all(0, 0, Width(), Height());
    Canvas()->CopyRect(all, bitmap_->Canvas(), all);
}

void TSpectr::PaintBackGround(TCanvas* canvas) {
    canvas->SetBrush(Brush());
    canvas->FillRect(TRect(0, 0, Width(), Height()));
    canvas->SetBrush(spBackBrush_.get());
    canvas->FillRect(TRect(plotLeft_, plotTop_, plotRight_, plotBottom_));
    if (hasFocus_) {
        canvas->Pen()->SetColor(clWhite);
        canvas->Pen()->SetMode(pmXor);
        canvas->Brush()->SetColor(Color());
        canvas->Rectangle(2, 2, 8, 8);
    }
}

void TSpectr::PaintNet(TCanvas* canvas) {
    usePen(canvas, netPen_.get());
    canvas->Brush()->SetStyle(bsClear);
    // Count grid and labels; the leftmost label edge decides the margin adjustment.
    bool labelled = false;
    int leftmost = 100;
    useFont(canvas, scaleYFont_.get());
    ForEachGridValue(CalcStartNetPoint(yMin_, scaleYStep_), scaleYStep_, 0, yMax_, [&](double y) {
        double Y = SpYToScreen(y);
        int iy = px(Y);
        if (showNet_) {
            canvas->MoveTo(plotLeft_, iy);
            canvas->LineTo(plotRight_, iy);
        }
        if (!showScaleY_) return;
        AnsiString text = FormatFloat(scaleYFormat_, y);
        TSize size = canvas->TextExtent(text);
        int x = plotLeft_ - size.cx - 4;
        canvas->TextOut(x, px(Y - size.cy / 2.0), text);
        leftmost = std::min(leftmost, x);
        labelled = true;
    });
    // The margin follows the labels only when there were labels to follow, and never goes below 0:
    // otherwise every paint would move it again and ask for another paint.
    if (showScaleY_ && autoSpectrLeft_ && labelled) {
        if (leftmost < 0) SetSpectrLeft(px(spectrLeft_ - 1.5 * leftmost));
        if (leftmost > 20) SetSpectrLeft(std::max(0, spectrLeft_ - 10));
    }
    // Energy grid and labels; a window of one channel has no energy range to divide.
    if (rightViewLimit_ < 1 || leftViewLimit_ < 0 || rightViewLimit_ > size_) return;
    useFont(canvas, scaleXFont_.get());
    double from = CalcStartNetPoint(energies_[leftViewLimit_], scaleXStep_);
    ForEachGridValue(from, scaleXStep_, 0, energies_[rightViewLimit_ - 1], [&](double e) {
        int X = px(IndexToScreen(EnergyToIndex(e)));
        if (showNet_) {
            canvas->MoveTo(X, plotBottom_);
            canvas->LineTo(X, plotTop_);
        }
        if (!showScaleX_) return;
        AnsiString text = FormatFloat(scaleXFormat_, e);
        int w = canvas->TextWidth(text);
        int x = px(X - w / 2.0);
        if (x < 0) x = 2;
        if (x + w > plotRight_) x = plotRight_ - w - 2;
        canvas->TextOut(x, plotBottom_ + scaleXTop_, text);
    });
}

void TSpectr::PaintSpectr(TCanvas* canvas) {
    usePen(canvas, spPen_.get());
    canvas->SetBrush(spBrush_.get());
    const int from = std::max(leftViewLimit_, 0);
    const int to = std::min(rightViewLimit_, size_ - 1);
    std::size_t need = 2 * static_cast<std::size_t>(std::max(to - from + 1, 0)) + 2;
    if (points_.size() < need) points_.resize(need);
    int n = 0;
    points_[n++] = TPoint(plotLeft_, plotBottom_);
    double sum = 0;
    for (int i = from; i <= to; ++i) {
        int y = px(SpYToScreen(counts_[i]));
        points_[n++] = TPoint(px(IndexToScreen(i)), y);
        if (gistogramMode_) points_[n++] = TPoint(px(IndexToScreen(i + 1)), y);
        sum += counts_[i];
    }
    points_[n++] = TPoint(plotRight_, plotBottom_);
    viewWindowSum_ = sum;
    if (viewMode_ == 0) canvas->Polygon(points_.data(), n);
    else canvas->Polyline(points_.data(), n);
}

void TSpectr::PaintPics(TCanvas* canvas) {
    if (!showPics_ || picList_->Count() == 0) return;
    std::vector<TPoint> pts;
    for (int k = 0; k < picList_->Count(); ++k) {
        int l, r;
        if (!pickChannels(k, l, r)) continue;
        usePen(canvas, spPen_.get());
        canvas->SetBrush(k % 2 == 0 ? pic0Brush_.get() : pic1Brush_.get());
        if (exporting_) canvas->Brush()->SetColor(clBlack);
        pts.clear();
        pts.emplace_back(px(IndexToScreen(l)), plotBottom_);
        for (int j = l; j <= r; ++j) pts.emplace_back(px(IndexToScreen(j)), px(SpYToScreen(counts_[j])));
        pts.emplace_back(px(IndexToScreen(r)), plotBottom_);
        canvas->Polygon(pts);
    }
}

void TSpectr::PaintLimits(TCanvas* canvas) {
    auto marker = [&](int channel, TPen* pen) {
        int x = px(IndexToScreen(channel));
        usePen(canvas, pen);
        canvas->MoveTo(x, plotBottom_);
        canvas->LineTo(x, plotTop_);
    };
    if (showLeftLimit_) marker(leftLimit_, leftLimitPen_.get());
    if (showRightLimit_) marker(rightLimit_, rightLimitPen_.get());
}

void TSpectr::PaintCursor(TCanvas* canvas) {
    canvas->SetPen(cursorPen_.get());
    int x = px(IndexToScreen(gistogramMode_ ? cursorPosition_ + 0.5 : cursorPosition_));
    canvas->MoveTo(x, plotBottom_);
    canvas->LineTo(x, plotTop_);
    if (!crossCursor_) return;
    // The arrow keys and the setter take any channel; the cross reads the count of one that exists.
    int channel = std::clamp(cursorPosition_, 0, size_ - 1);
    int y = px(SpYToScreen(counts_[channel]));
    canvas->MoveTo(plotLeft_, y);
    canvas->LineTo(plotRight_, y);
}

void TSpectr::ExportImage(int width, int height, bool whiteBackground) {
    exporting_ = true;
    BeepOnFailure([&] {
        bitmap_->SetSize(1, 1);
        bitmap_->SetSize(width, height);
        CalcRegion();
        TCanvas* c = bitmap_->Canvas();
        if (whiteBackground) {
            c->Brush()->SetColor(clWhite);
            c->Brush()->SetStyle(bsSolid);
            c->FillRect(TRect(0, 0, width, height));
        } else {
            PaintBackGround(c);
        }
        PaintNet(c);
        PaintSpectr(c);
        PaintPics(c);
        PaintLimits(c);
        TPen frame;
        c->SetPen(&frame);
        c->Polyline({TPoint(1, 1), TPoint(width - 1, 1), TPoint(width - 1, height - 1), TPoint(1, height - 1),
                     TPoint(1, 1)});
        if (showCursor_) PaintCursor(c);
    });
    exporting_ = false;
    redraw_ = true;
}

// ---- Input ------------------------------------------------------------------------------------------------

void TSpectr::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft || (button == mbRight && moveOnRightClick_)) {
        SetCursorPosition(static_cast<int>(ScreenToIndex(x)));
        if (CanFocus()) SetFocus();
    }
    TPanel::MouseDown(button, shift, x, y);
}

void TSpectr::KeyDown(WORD& key, TShiftState shift) {
    if (key != VK_LEFT && key != VK_RIGHT) {
        TPanel::KeyDown(key, shift);
        return;
    }
    if (key == VK_LEFT && cursorPosition_ > 0) SetCursorPosition(cursorPosition_ - 1);
    if (key == VK_RIGHT && cursorPosition_ < size_ - 1) SetCursorPosition(cursorPosition_ + 1);
    if (CanFocus()) SetFocus();
    key = 0;
}

void TSpectr::WMMouseWheel(TMessage& m) {
    if (OnCursorMove) wheelCounter_ += static_cast<std::int16_t>(HIWORD(m.WParam));
    if (OnMouseWheel) OnMouseWheel(this);
}

// ---- Messages ------------------------------------------------------------------------------------------------

void TSpectr::WMSize(TMessage& m) {
    TPanel::WMSize(m);
    StyleChanged(this);
}

void TSpectr::WMSetFocus(TMessage& m) {
    hasFocus_ = true;
    TPanel::WMSetFocus(m);
}

void TSpectr::WMKillFocus(TMessage& m) {
    hasFocus_ = false;
    TPanel::WMKillFocus(m);
}

// The picture covers the whole control: erasing first would only flicker.
void TSpectr::WMEraseBkgnd(TMessage& m) { m.Result = 1; }

void TSpectr::WMGetDlgCode(TMessage& m) { m.Result = NativeDlgCode(); }

LRESULT TSpectr::NativeDlgCode() const { return DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS; }
