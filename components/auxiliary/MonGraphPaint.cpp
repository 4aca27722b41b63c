// TMonGraph: the layered picture, the cursor, keys and mouse, partial repaint and image export.
#include "components/auxiliary/ChartSupport.h"
#include "components/auxiliary/MonGraph.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <algorithm>
#include <cmath>

using auxiliary::BeepOnFailure;
using auxiliary::ForEachGridValue;

namespace {

constexpr TColor StateOnColor = 0x008000;

}  // namespace

template <class F>
void TMonGraph::forEachTimeLabel(F f) const {
    for (long long s = firstLabelSecond_; s < intervalSize_; s += timeStep_) f(static_cast<int>(s));
}

double TMonGraph::valueGridFirst(double step) const {
    // The grid starts at 0 and goes down in whole steps while the next one still lies above YMin;
    // above a positive YMin the multiples below it are passed over.
    if (yMin_ < 0) return -(std::ceil(-yMin_ / step) - 1);
    return std::max(0.0, std::ceil(yMin_ / step) - 1);
}

template <class F>
void TMonGraph::forEachMiniSecond(int e, F f) const {
    if (e < 1) return;
    // Aligned on the first time label: the last tick at or before second 0, then every e seconds.
    long long t = firstLabelSecond_;
    if (t > 0) t -= (t + e - 1) / e * static_cast<long long>(e);
    ForEachGridValue(static_cast<double>(t + e), e, 0, intervalSize_, [&](double s) { f(static_cast<int>(s)); });
}

// ---- Paint -----------------------------------------------------------------------------------------

void TMonGraph::Paint() {
    if (picture_->Height() != Height() || picture_->Width() != Width()) {
        picture_->SetHeight(Height());
        picture_->SetWidth(Width());
        redraw_ = true;
    }
    CalcRegion();
    if (!Visible()) return;
    if (redraw_) {
        // A layer that raises (data that cannot be placed) leaves the flag set: the next paint tries
        // again, and each attempt beeps.
        TCanvas* c = picture_->Canvas();
        PaintBackGround(c);
        PaintNet(c);
        PaintGraphics(c);
        PaintAxis(c);
        PaintBorder(c);
        PaintScale(c);
        redraw_ = false;
    }
    TRect all(0, 0, Width(), Height());
    Canvas()->CopyRect(all, picture_->Canvas(), all);
    if (showCursor_) PaintCursor(Canvas());
}

void TMonGraph::PaintBackGround(TCanvas* canvas) {
    canvas->Brush()->SetColor(grColor_);
    if (!transparent_) canvas->FillRect(TRect(0, 0, Width(), Height()));
    canvas->FillRect(TRect(plotLeft_, plotTop_, plotRight_, plotBottom_));
}

void TMonGraph::PaintNet(TCanvas* canvas) {
    auto dot = [&](int x, int y) { canvas->Rectangle(x - 1, y - 1, x + 1, y + 1); };
    auto valueRow = [&](double step, auto f) {
        ForEachGridValue(0, step, valueGridFirst(step), yMax_, [&](double y) {
            if (y >= yMin_) f(y);
        });
    };
    if (viewNet_) {
        canvas->SetPen(netPen_.get());
        // Vertical lines (or columns of dots) at the time labels.
        forEachTimeLabel([&](int s) {
            int x = XtoScreen(IndexToX(s));
            if (!absPointNet_) {
                canvas->MoveTo(x, plotTop_);
                canvas->LineTo(x, plotBottom_);
                return;
            }
            valueRow(miniLabelStep_, [&](double y) { dot(x, YtoScreen(y)); });
        });
        if (showMiniLabels_) {
            valueRow(miniLabelStep_, [&](double y) {
                int Y = YtoScreen(y);
                canvas->MoveTo(plotLeft_, Y);
                canvas->LineTo(plotLeft_ + 5, Y);
                canvas->MoveTo(plotRight_, Y);
                canvas->LineTo(plotRight_ - 5, Y);
            });
            forEachMiniSecond(static_cast<int>(Trunc(miniLabelsTime_ * SecsPerDay)), [&](int s) {
                int x = XtoScreen(IndexToX(s));
                canvas->MoveTo(x, plotTop_);
                canvas->LineTo(x, plotTop_ + 5);
                canvas->MoveTo(x, plotBottom_);
                canvas->LineTo(x, plotBottom_ - 5);
            });
        }
        // Horizontal lines (or rows of dots at half the mini-label time).
        int halfMini = static_cast<int>(Trunc(miniLabelsTime_ * 0.5 * SecsPerDay));
        valueRow(netDY_, [&](double y) {
            int Y = YtoScreen(y);
            if (!absPointNet_) {
                canvas->MoveTo(plotLeft_, Y);
                canvas->LineTo(plotRight_, Y);
                return;
            }
            forEachMiniSecond(halfMini, [&](int s) { dot(XtoScreen(IndexToX(s)), Y); });
        });
    }
    if (labelNet_) {
        canvas->Pen()->SetColor(axisColor_);
        canvas->Pen()->SetWidth(axisWidth_);
        ForEachGridValue(0, labelDX_, 0, graphSize_, [&](double c) {
            int x = XtoScreen(c);
            canvas->MoveTo(x, plotTop_);
            canvas->LineTo(x, plotBottom_);
        });
        ForEachGridValue(yMin_, labelDY_, 0, yMax_, [&](double y) {
            int Y = YtoScreen(y);
            canvas->MoveTo(plotLeft_, Y);
            canvas->LineTo(plotRight_, Y);
        });
    }
}

void TMonGraph::PaintGraphics(TCanvas* canvas) { PaintGraphics(canvas, 0, graphSize_ - 1); }

void TMonGraph::PaintGraphics(TCanvas* canvas, int first, int last) {
    if (stepOut_) {
        StepsPaintGraphics(canvas, first, last);
        return;
    }
    if (last < 0) last = graphSize_ - 1;
    if (first < 0) first = 0;
    if (last >= graphSize_) last = graphSize_ - 1;
    for (int n = 0; n < graphCount_; ++n) {
        int g = paintNums_[n];
        if (g < 0 || g >= MaxGraphs || !visible_[g] || !hasArrays(g)) continue;
        canvas->SetPen(pens_[g].get());
        const TColor own = pens_[g]->Color();
        TColor current = own;
        const GraphArrays& a = arrays_[g];
        for (int j = first; j <= last; ++j) {
            double v = a.min[j];
            int x = XtoScreen(j);
            int Y = YtoScreen(v);
            bool joins = j != first && (enablePresentArray_ ? a.present[j - 1] && a.present[j]
                                                            : a.min[j - 1] > yMin_ && v > yMin_);
            if (!joins) {
                canvas->MoveTo(x, Y);
                continue;
            }
            TColor colour = a.alarm[j] ? alarmColor_ : own;
            if (colour != current) {
                canvas->Pen()->SetColor(colour);
                current = colour;
            }
            canvas->LineTo(x, Y);
            if (a.max[j] != 0.0) canvas->LineTo(x, YtoScreen(a.max[j]));
        }
    }
}

void TMonGraph::StepsPaintGraphics(TCanvas* canvas) { drawSteps(canvas, 0, graphSize_ - 1, false); }

void TMonGraph::StepsPaintGraphics(TCanvas* canvas, int first, int last) {
    drawSteps(canvas, first, last, enablePresentArray_);
}

void TMonGraph::drawSteps(TCanvas* canvas, int first, int last, bool usePresent) {
    if (last < 0 || last >= graphSize_) last = graphSize_ - 1;
    if (first < 0) first = 0;
    for (int n = 0; n < graphCount_; ++n) {
        int g = paintNums_[n];
        if (g < 0 || g >= MaxGraphs || !visible_[g] || !hasArrays(g)) continue;
        canvas->SetPen(pens_[g].get());
        const TColor own = pens_[g]->Color();
        const GraphArrays& a = arrays_[g];
        auto setColour = [&](bool alarm) {
            TColor colour = alarm ? alarmColor_ : own;
            if (canvas->Pen()->Color() != colour) canvas->Pen()->SetColor(colour);
        };
        for (int j = first; j <= last; ++j) {
            double v = a.min[j];
            bool drawn = usePresent ? a.present[j] != 0 : v <= yMax_ && v != 0.0;
            if (!drawn) continue;
            setColour(a.alarm[j] != 0);
            int Y = YtoScreen(v);
            double m = a.max[j];
            if (v == 0.0 || m == 0.0) {
                canvas->MoveTo(XtoScreen(j), Y);
                int x2 = XtoScreen(j + 1);
                if (usePresent ? a.present[j] != 0 : v >= yMin_) canvas->LineTo(x2, Y);
                if (j == last) break;
                setColour(a.alarm[j] != 0 || a.alarm[j + 1] != 0);
                canvas->LineTo(x2, YtoScreen(a.min[j + 1]));
            } else {
                int xm = XtoScreen(j + 0.5);
                canvas->MoveTo(xm, Y);
                canvas->LineTo(xm, YtoScreen(m));
            }
        }
    }
}

void TMonGraph::PaintAxis(TCanvas* canvas) {
    if (!showAxis_) return;
    canvas->Pen()->SetColor(axisColor_);
    canvas->Pen()->SetWidth(axisWidth_);
    canvas->Brush()->SetColor(axisColor_);
    int half = edgeLen_ / 2;
    int a = plotRight_ + addScale_ - edgeLen_;
    canvas->MoveTo(plotLeft_ - labelH_, plotBottom_);
    canvas->LineTo(a, plotBottom_);
    canvas->Polygon({TPoint(a, plotBottom_ - half), TPoint(a, plotBottom_ + half), TPoint(Width() - 1, plotBottom_)});
    canvas->MoveTo(plotLeft_, plotBottom_ + labelH_);
    canvas->LineTo(plotLeft_, edgeLen_);
    canvas->Polygon({TPoint(plotLeft_ - half, edgeLen_), TPoint(plotLeft_ + half, edgeLen_), TPoint(plotLeft_, 1)});
    ForEachGridValue(0, labelDX_, 0, graphSize_, [&](double c) {
        int x = XtoScreen(c);
        canvas->MoveTo(x, plotBottom_);
        canvas->LineTo(x, plotBottom_ + labelH_);
    });
    ForEachGridValue(yMin_, labelDY_, 0, yMax_, [&](double y) {
        int Y = YtoScreen(y);
        canvas->MoveTo(plotLeft_, Y);
        canvas->LineTo(plotLeft_ - labelH_, Y);
    });
}

void TMonGraph::PaintBorder(TCanvas* canvas) {
    if (!showBorder_) return;
    canvas->SetPen(borderPen_.get());
    int w = borderPen_->Width();
    TPoint start(plotLeft_ + w - 1, plotTop_ + w);
    canvas->Polyline({start, TPoint(plotRight_ - w, plotTop_ + w), TPoint(plotRight_ - w, plotBottom_ + w - 1),
                      TPoint(plotLeft_ + w - 1, plotBottom_ + w - 1), start});
}

void TMonGraph::PaintScale(TCanvas* canvas) {
    canvas->SetFont(scaleFont_.get());
    if (showScaleY_) {
        auto label = [&](double y) {
            AnsiString text = FloatToStr(y);
            TSize size = canvas->TextExtent(text);
            canvas->TextOut(plotLeft_ - size.cx - 2, YtoScreen(y) - size.cy / 2, text);
        };
        if (yMin_ != 0) label(yMin_);
        // Multiples of the grid step from the lowest one not below YMin (the first one above 0 when
        // YMin is above 0).
        double first = yMin_ <= 0 ? -std::floor(-yMin_ / netDY_) : std::max(1.0, std::ceil(yMin_ / netDY_) - 1);
        ForEachGridValue(0, netDY_, first, yMax_, [&](double y) {
            if (y < yMin_ || (!showZero_ && y == 0)) return;
            label(y);
        });
    }
    if (showScaleX_) {
        forEachTimeLabel([&](int s) {
            int x = XtoScreen(IndexToX(s));
            AnsiString text = FormatDateTime(timeLabelFormat_, IndexToTime(s));
            int w = canvas->TextWidth(text);
            int x0 = x - w / 2;
            if (x0 + w <= plotRight_) canvas->TextOut(x0, plotBottom_ + 2, text);
        });
    }
}

// ---- Cursor -----------------------------------------------------------------------------------------

void TMonGraph::PaintCursor() { PaintCursor(Canvas()); }

void TMonGraph::PaintCursor(TCanvas* canvas) {
    canvas->SetPen(cursorPen_.get());
    int x = stepOut_ ? XtoScreen(cursorX_ + 0.5) : XtoScreen(cursorX_);
    canvas->MoveTo(x, plotTop_);
    canvas->LineTo(x, plotBottom_);
}

void TMonGraph::SetCursorX(int c) {
    if (c < 0 || c > graphSize_ || c == cursorX_) return;
    // The cursor pen reverses what lies beneath: drawing the old line again takes it away.
    if (showCursor_) PaintCursor();
    cursorX_ = c;
    absCursorSecond_ = static_cast<int>(Trunc(static_cast<double>(c) * intervalSize_ / graphSize_ + 0.5));
    if (showCursor_) PaintCursor();
}

void TMonGraph::SetAbsCursorSecond(int s) {
    if (s > intervalSize_ - 1) s = intervalSize_ - 1;
    if (s < 0) s = 0;
    if (s == absCursorSecond_) return;
    absCursorSecond_ = s;
    if (showCursor_) PaintCursor();
    cursorX_ = IndexToX(s);
    cursorTime_ = IndexToTime(s);
    if (showCursor_) PaintCursor();
}

void TMonGraph::SetCursorTime(TDateTime t) {
    if (t == cursorTime_) return;
    cursorTime_ = t;
    SetAbsCursorSecond(TimeToIndex(t));
}

void TMonGraph::MouseDown(TMouseButton button, TShiftState, int x, int) {
    if (button != mbLeft) return;
    SetCursorX(ScreenToX(x));
    Change();
}

void TMonGraph::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_LEFT) {
        if (absCursorSecond_ > 0) SetAbsCursorSecond(absCursorSecond_ - 1);
        else if (OnLeftScroll) OnLeftScroll(this);
        Change();
        key = 0;
    } else if (key == VK_RIGHT) {
        if (absCursorSecond_ < intervalSize_ - 1) SetAbsCursorSecond(absCursorSecond_ + 1);
        else if (OnRightScroll) OnRightScroll(this);
        Change();
        key = 0;
    }
}

// ---- Partial repaint, export, state dot ----------------------------------------------------------------

void TMonGraph::RepaintInterval(TDateTime from, TDateTime to) {
    BeepOnFailure([&] {
        CalcRegion();
        TBitmap temp(Width(), Height());
        TCanvas* c = temp.Canvas();
        PaintBackGround(c);
        PaintNet(c);
        int c0 = IndexToX(TimeToIndex(from));
        if (c0 < 0) c0 = 0;
        int c1 = IndexToX(TimeToIndex(to));
        if (c1 > graphSize_ - 1) c1 = graphSize_ - 1;
        PaintGraphics(c, c0, c1);
        PaintAxis(c);
        PaintBorder(c);
        if (showCursor_) PaintCursor(c);
        TRect r(XtoScreen(c0) + 1, plotTop_, XtoScreen(c1) - 1, plotBottom_);
        // A range that ends before it starts has nothing to show (a reversed copy would mirror).
        if (r.Right > r.Left && r.Bottom > r.Top) {
            Canvas()->CopyRect(r, c, r);
            picture_->Canvas()->CopyRect(r, c, r);
        }
        redraw_ = true;
    });
}

void TMonGraph::ExportImage(TBitmap* bitmap, bool background, bool numbers) {
    if (!bitmap) return;
    BeepOnFailure([&] {
        bitmap->SetHeight(Height());
        bitmap->SetWidth(Width());
        CalcRegion();
        TCanvas* c = bitmap->Canvas();
        if (background) PaintBackGround(c);
        PaintNet(c);
        PaintGraphics(c);
        PaintAxis(c);
        PaintBorder(c);
        PaintScale(c);
        if (!numbers) return;
        c->SetFont(scaleFont_.get());
        forEachTimeLabel([&](int s) {
            int col = IndexToX(s);
            if (col < 0 || col > graphSize_) return;
            int x = XtoScreen(col);
            for (int i = 0; i < graphCount_; ++i) {
                if (!hasArrays(i) || arrays_[i].present[col] == 0) continue;
                const GraphArrays& a = arrays_[i];
                double v = a.max[col] > 0 ? a.max[col] : a.min[col];
                AnsiString text = IntToStr(i + 1);
                int w = c->TextWidth(text);
                if (x - w / 2 + w <= plotRight_) c->TextOut(x - w / 2, YtoScreen(v), text);
            }
        });
    });
}

void TMonGraph::EvActiveChange(TMessage& msg) {
    active_ = LOWORD(msg.WParam) != 0;
    TCanvas* c = Canvas();
    TColor colour = active_ ? StateOnColor : clBlack;
    c->Pen()->SetColor(colour);
    c->Brush()->SetColor(colour);
    c->Ellipse(1, 1, 7, 7);
    msg.Result = 0;
}

// ---- Messages --------------------------------------------------------------------------------------------

void TMonGraph::Dispatch(TMessage& message) {
    if (message.Msg == CM_CTL3DCHANGED) {
        CMCtl3DChanged(message);
        return;
    }
    TCustomControl::Dispatch(message);
}

void TMonGraph::CMCtl3DChanged(TMessage&) { Invalidate(); }

void TMonGraph::WMSize(TMessage& m) {
    TCustomControl::WMSize(m);
    redraw();
}

void TMonGraph::WMSetFocus(TMessage& m) {
    focused_ = true;
    TCustomControl::WMSetFocus(m);
}

void TMonGraph::WMKillFocus(TMessage& m) {
    focused_ = false;
    TCustomControl::WMKillFocus(m);
}

void TMonGraph::WMGetDlgCode(TMessage& m) { m.Result = NativeDlgCode(); }

LRESULT TMonGraph::NativeDlgCode() const { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
