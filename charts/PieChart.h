// TPieChart: a flat pie of a few named, coloured slices on a white ground, without title, legend or
// marks. The slices follow each other counter-clockwise from twelve o'clock, each with its share of
// the sum. A value of 0 or below has no share of a pie (an empty history slot reads -1), so such a
// slice is left out; with no slice above 0 the ground stays empty.
#pragma once

#include "gui/Controls.h"
#include "gui/Graphics.h"

#include <vector>

struct TPieSlice {
    double X = 0;
    double Value = 0;
    AnsiString Label;
    TColor Color = clWhite;
};

class TPieChart : public TGraphicControl {
    PLANTMON_CLASS(TPieChart, TGraphicControl)
public:
    explicit TPieChart(TComponent* owner);

    void Clear();
    void AddSlice(double x, double value, const AnsiString& label, TColor color);
    const std::vector<TPieSlice>& Slices() const noexcept { return slices_; }

    // The chart drawn into r of canvas.
    void PaintTo(TCanvas* canvas, const TRect& r);

protected:
    void Paint() override;

private:
    std::vector<TPieSlice> slices_;
};
