// A curve drawn point by point with MoveTo and LineTo, where far more points than pixel columns
// come in: the points that fall into one pixel column one after another in one colour are drawn as
// the line into the column, its lowest and highest point and the line out of it. The picture is the
// same, pixel for pixel, as LineTo to every point: in one column all lines are vertical, and together
// they cover exactly the pixels between the lowest and the highest point.
#pragma once

#include "gui/Graphics.h"

#include <vector>

class TColumnLine {
public:
    // Draws on canvas with its pen as it is (the colour is set per point).
    explicit TColumnLine(TCanvas* canvas);
    TColumnLine(const TColumnLine&) = delete;
    TColumnLine& operator=(const TColumnLine&) = delete;

    void MoveTo(int x, int y);
    // A line from the last point to (x, y) in color.
    void LineTo(int x, int y, TColor color);
    // Draws what is still held back; call when the curve is done.
    void Flush();

private:
    void drawRun();
    void line(int y);

    TCanvas* canvas_;
    // Pens whose picture is not the union of the lines' pixels (dashes restart at each line, a
    // pen mode that combines meets the overlaps) draw every point.
    bool merge_;
    bool wide_;
    // The run held back: points in column x_, reached in color_; ys_[0] by a line from the point
    // before, the rest by vertical lines.
    bool open_ = false;
    int x_ = 0;
    TColor color_ = 0;
    std::vector<int> ys_;
};
