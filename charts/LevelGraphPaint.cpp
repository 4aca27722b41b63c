// TLevelGraph: painting into the off-screen picture, the cursor, keyboard and mouse, image export
// and the pen colour file.
#include "charts/LevelGraph.h"

#include "charts/ColumnLine.h"

#include "gui/WinApi.h"
#include "rtl/IniFiles.h"
#include "rtl/MathUtils.h"

#include <cmath>
#include <cstdlib>

namespace {

int px(double v) { return static_cast<int>(Trunc(v)); }

// The leading signed decimal integer of a profile value, or def when there is none. The pen file
// keeps system colours as negative numbers; they must read back as written.
int readSignedProfileInt(const AnsiString& section, const AnsiString& key, int def, const AnsiString& file) {
    AnsiString text = Trim(GetPrivateProfileString(section, key, "", file));
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s, &end, 10);
    if (end == s || errno == ERANGE) return def;
    // A colour is 32 bits whichever way it was written (an unsigned spelling of a system colour too).
    if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return def;
    return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

}  // namespace

void TLevelGraph::Paint() {
    BeepGuard("trend chart paint", [this] {
        bool resized = false;
        if (Bitmap->Height() != Height() || Bitmap->Width() != Width()) {
            Bitmap->SetSize(Width(), Height());
            NeedRedraw = true;
            resized = true;
        }
        if (!Visible()) return;
        if (NeedRedraw) {
            TCanvas* c = Bitmap->Canvas();
            if (CalcRegion()) {
                PaintBackGround(c, false);
                CheckAutoLimits();
                PaintXScale(c, -1);
                PaintYScale(c);
                if (multiScaleMode_) PaintMultiGraph(c);
                else PaintGraphs(c);
                PaintCursor(c);
            } else if (resized) {
                // A picture that was just resized holds nothing worth showing: show the empty chart.
                PaintBackGround(c, false);
            }
            NeedRedraw = false;
        }
        Canvas()->Draw(0, 0, Bitmap);
    });
}

void TLevelGraph::PaintBackGround(TCanvas* canvas, bool skipOuter) {
    if (!transparent_ && !skipOuter) {
        canvas->Brush()->SetColor(backColor_);
        canvas->FillRect(TRect(0, 0, Bitmap->Width(), Bitmap->Height()));
    }
    canvas->Brush()->SetColor(graphBackColor_);
    canvas->Brush()->SetStyle(bsSolid);
    TRect plot(RegionLeft, RegionTop, RegionRight, RegionBottom);
    if (showBorder_) {
        canvas->SetPen(borderPen_.get());
        canvas->Rectangle(plot);
    } else {
        canvas->FillRect(plot);
    }
}

void TLevelGraph::PaintXScale(TCanvas* canvas, int rightLimit) {
    if (XScaleK <= 0 || xLabelStep_ <= 0) return;
    canvas->Brush()->SetStyle(bsClear);
    long long stepMs = Round(xLabelStep_ * MSecsPerDay);
    if (stepMs <= 0) return;
    // Labels are placed on whole milliseconds from the first one, so the grid does not drift.
    long long spanMs = MilliSecondsBetweenRounded(FirstXLabel, stopTime_);
    for (long long k = 0; k * stepMs < spanMs; ++k) {
        TDateTime t = IncMilliSecond(FirstXLabel, k * stepMs);
        canvas->SetFont(xScaleFont_.get());
        int x = px(TimeToScreenX(t));
        canvas->SetPen(labelNetPen_.get());
        canvas->MoveTo(x, RegionTop);
        canvas->LineTo(x, RegionBottom);
        if (!showScaleX_) continue;
        AnsiString text = FormatDateTime(scaleXFormat_, t);
        int w = canvas->TextWidth(text);
        int left = x - w / 2;
        if (left < 0) left = 2;
        if (left + w > RegionRight) left = RegionRight - w - 2;
        canvas->TextOut(left, RegionBottom + 2, text);
        if (!showLegend_) continue;
        for (int i = 0; i < graphCount_ && i < legendStrings_->Count(); ++i) {
            AnsiString legend = legendStrings_->Strings(i);
            if (legend.IsEmpty()) continue;
            int slot = slotOf(t);
            if (slot < 0) continue;
            const TLevelGraphSlot& s = (*slots_)[i][slot];
            if (!s.HasMin && !s.HasMax) continue;
            int y = px(YToScreen(GetPoint(i, t)));
            if (!(RegionTop < y && y < RegionBottom)) continue;
            y = y - legendFont_->Size() - 4;
            if (!(RegionTop < y && y < RegionBottom)) continue;
            canvas->SetFont(legendFont_.get());
            canvas->TextOut(x - 4 - canvas->TextWidth(legend), y, legend);
        }
    }
    if (minXLabel_ && showScaleX_) {
        canvas->SetFont(xScaleFont_.get());
        AnsiString text = FormatDateTime(scaleXFormat_, startTime_);
        int w = canvas->TextWidth(text);
        int x0 = px(TimeToScreenX(FirstXLabel) - 2);
        int left = RegionLeft - w / 2;
        if (x0 - w / 2 - 10 < left + w) left = x0 - w / 2 - w - 10;
        if (left < 0) left = 2;
        canvas->TextOut(left, RegionBottom + 2, text);
    }
    if (maxXLabel_ && showScaleX_) {
        canvas->SetFont(xScaleFont_.get());
        AnsiString text = FormatDateTime(scaleXFormat_, stopTime_);
        int w = canvas->TextWidth(text);
        int left = RegionRight - w / 8;
        if (rightLimit < 1) rightLimit = Bitmap->Width();
        if (left + w > rightLimit) left = rightLimit - w - 2;
        canvas->TextOut(left, RegionBottom + 2, text);
    }
}

void TLevelGraph::drawGraphs(TCanvas* canvas, bool multi) {
    for (int i = 0; i < graphCount_; ++i) {
        TPen* pen = graphPens_[i].get();
        canvas->SetPen(pen);
        // More slots than pixel columns: each column shows only its lowest and highest point.
        TColumnLine line(canvas);
        const auto& row = (*slots_)[i];
        bool started = false;
        int prevY = 0;
        for (int j = 0; j < intervalPointCount_; ++j) {
            const TLevelGraphSlot& s = row[j];
            if (enablePresentArray_ && !s.HasMin) {
                started = false;  // an empty slot breaks the line
                continue;
            }
            int x = px(IndexToScreenX(j));
            const TColor color = s.Alarm ? alarmColor_ : pen->Color();
            if (multi) {
                double v = TranslateVal(s.Min, GraphSourceMin[i], GraphSourceMax[i], yMin_, yMax_);
                int y = px(YToScreen(v));
                if (!started) {
                    line.MoveTo(x, y);
                    started = true;
                    continue;
                }
                line.LineTo(x, y, color);
                continue;
            }
            int y1 = px(YToScreen(s.Min));
            int y2 = s.HasMax ? px(YToScreen(s.Max)) : y1;
            if (!started) {
                // The first slot of a line gives only its starting point.
                prevY = s.HasMax ? y2 : y1;
                line.MoveTo(x, prevY);
                started = true;
                continue;
            }
            if (!s.HasMax) {
                line.LineTo(x, y1, color);
                prevY = y1;
            } else if (std::abs(y1 - prevY) < std::abs(y2 - prevY)) {
                line.LineTo(x, y1, color);
                line.LineTo(x, y2, color);
                prevY = y2;
            } else {
                line.LineTo(x, y2, color);
                line.LineTo(x, y1, color);
                prevY = y1;
            }
        }
        line.Flush();
    }
}

void TLevelGraph::PaintGraphs(TCanvas* canvas) { drawGraphs(canvas, false); }

void TLevelGraph::PaintMultiGraph(TCanvas* canvas) { drawGraphs(canvas, true); }

void TLevelGraph::PaintCursor(TCanvas* canvas) {
    if (!showCursor_) return;
    auto vline = [&](TDateTime t) {
        int x = px(TimeToScreenX(t));
        canvas->MoveTo(x, RegionTop);
        canvas->LineTo(x, RegionBottom);
    };
    canvas->SetPen(cursorPen_.get());
    vline(cursorTime_);
    canvas->SetPen(winLimitsPen_.get());
    if (winLeftLimitOK_) vline(winLeftLimit_);
    if (winRightLimitOK_) vline(winRightLimit_);
}

void TLevelGraph::ExportImage(int width, int height, bool white) {
    Bitmap->SetSize(1, 1);
    Bitmap->SetSize(width, height);
    CalcRegion();
    TCanvas* c = Bitmap->Canvas();
    if (white) {
        c->Brush()->SetColor(clWhite);
        c->Brush()->SetStyle(bsSolid);
        c->SetPen(borderPen_.get());
        c->Rectangle(0, 0, width, height);
        c->Rectangle(RegionLeft, RegionTop, RegionRight, RegionBottom);
    } else {
        PaintBackGround(c, false);
    }
    PaintXScale(c, -1);
    PaintYScale(c);
    if (multiScaleMode_) PaintMultiGraph(c);
    else PaintGraphs(c);
    PaintCursor(c);
    NeedRedraw = true;
}

void TLevelGraph::PaintTo(TCanvas* canvas, int x, int y, int width, int height, bool white) {
    // The region is computed for the target size, scaled from the control's margins; the target's
    // origin moves the plot area's left and top edges.
    int cw = Width() > 0 ? Width() : 1;
    int ch = Height() > 0 ? Height() : 1;
    RegionLeft = x + px(static_cast<double>(width) * graphLeft_ / cw);
    RegionTop = y + px(static_cast<double>(height) * graphTop_ / ch);
    RegionRight = width - px(static_cast<double>(width) * graphSubWidth_ / cw);
    RegionBottom = height - px(static_cast<double>(height) * graphSubHeight_ / ch);
    RegionWidth = RegionRight - RegionLeft + 1;
    RegionHeight = RegionBottom - RegionTop + 1;
    YRange = yMax_ - yMin_;
    long long seconds = MilliSecondsBetweenRounded(startTime_, stopTime_) / 1000;
    intervalSize_ = seconds > 0 ? static_cast<int>(seconds > INT32_MAX ? INT32_MAX : seconds) : 0;
    long long count = intervalSize_ > 0 && secondStep_ > 0 ? Trunc(intervalSize_ / secondStep_) : 0;
    intervalPointCount_ = static_cast<int>(count > MaxSlots ? MaxSlots : count);
    XScaleK = intervalPointCount_ > 0 ? RegionWidth / intervalPointCount_ : 0;
    YScaleK = YRange > 0 ? RegionHeight / YRange : 0;
    long long stepMs = Round(xLabelStep_ * MSecsPerDay);
    if (stepMs > 0) {
        double startMs = static_cast<double>(MilliSecondsBetweenRounded(0, startTime_));
        FirstXLabel = IncMilliSecond(0, Round(CalcStartNetPoint(startMs, static_cast<double>(stepMs))));
    }
    if (white) {
        canvas->Brush()->SetColor(clWhite);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->SetPen(borderPen_.get());
        canvas->Rectangle(0, 0, width, height);
        canvas->Rectangle(RegionLeft, RegionTop, RegionRight, RegionBottom);
    } else {
        PaintBackGround(canvas, false);
    }
    PaintXScale(canvas, -1);
    PaintYScale(canvas);
    if (multiScaleMode_) PaintMultiGraph(canvas);
    else PaintGraphs(canvas);
    PaintCursor(canvas);
}

// ---- Keyboard and mouse ------------------------------------------------------------------------------

void TLevelGraph::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_LEFT || key == VK_RIGHT) {
        bool left = key == VK_LEFT;
        bool canMove = left ? MilliSecondsBetweenRounded(startTime_, cursorTime_) > 0
                            : MilliSecondsBetweenRounded(cursorTime_, stopTime_) > 0;
        if (canMove) {
            SetCursorTime(left ? cursorTime_ - dataStep_ : cursorTime_ + dataStep_);
            if (CanFocus()) SetFocus();
            Change();
        }
        key = 0;
        return;
    }
    TPanel::KeyDown(key, shift);
}

void TLevelGraph::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if ((shift & ssRight) && OnMouseDown) {
        OnMouseDown(this, button, shift, x, y);
        return;
    }
    SetCursorTime(ScreenToTime(x));
    if (CanFocus()) SetFocus();
    Change();
}

void TLevelGraph::WMEraseBkgnd(TMessage& m) {
    // The picture covers the whole control; erasing first would only flicker.
    m.Result = 1;
}

void TLevelGraph::WMGetDlgCode(TMessage& m) { m.Result = NativeDlgCode(); }

LRESULT TLevelGraph::NativeDlgCode() const { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

// ---- Pen colour file --------------------------------------------------------------------------------------

void TLevelGraph::SaveToIni() {
    for (int i = 0; i < MaxGraphs; ++i) {
        WritePrivateProfileString(Name(), "pw" + IntToStr(i), IntToStr(graphPens_[i]->Width()), iniName_);
        WritePrivateProfileString(Name(), "pc" + IntToStr(i), IntToStr(graphPens_[i]->Color()), iniName_);
    }
}

void TLevelGraph::LoadFromIni() {
    for (int i = 0; i < MaxGraphs; ++i) {
        TPen* p = graphPens_[i].get();
        int w = static_cast<int>(GetPrivateProfileInt(Name(), "pw" + IntToStr(i), p->Width(), iniName_));
        int c = readSignedProfileInt(Name(), "pc" + IntToStr(i), p->Color(), iniName_);
        p->SetWidth(w);
        p->SetColor(c);
    }
}
