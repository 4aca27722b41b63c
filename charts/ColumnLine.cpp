#include "charts/ColumnLine.h"

#include <algorithm>
#include <cstdlib>

TColumnLine::TColumnLine(TCanvas* canvas) : canvas_(canvas) {
    const TPen& pen = *canvas->Pen();
    // A wide pen covers everything within half its width of its lines, so lines over the same pixels
    // cover the same; a one-pixel pen is that way only without dashes.
    wide_ = pen.Width() > 1;
    merge_ = pen.Mode() == pmCopy && (wide_ ? pen.EndCap() == pecRound : pen.Style() == psSolid);
}

void TColumnLine::MoveTo(int x, int y) {
    Flush();
    canvas_->MoveTo(x, y);
}

void TColumnLine::LineTo(int x, int y, TColor color) {
    if (open_ && x == x_ && color == color_) {
        ys_.push_back(y);
        return;
    }
    Flush();
    open_ = true;
    x_ = x;
    color_ = color;
    ys_.assign(1, y);
}

void TColumnLine::Flush() {
    if (!open_) return;
    open_ = false;
    drawRun();
}

void TColumnLine::line(int y) { canvas_->LineTo(x_, y); }

void TColumnLine::drawRun() {
    canvas_->Pen()->SetColor(color_);
    if (!merge_) {
        for (int y : ys_) line(y);
        return;
    }
    // A line of no length draws nothing: repeated points go.
    ys_.erase(std::unique(ys_.begin(), ys_.end()), ys_.end());
    const std::size_t n = ys_.size();
    if (n <= (wide_ ? 2u : 3u)) {
        for (int y : ys_) line(y);
        return;
    }
    if (wide_) {
        // A wide pen covers everything within half its width of its lines, ends included: in one
        // column that is one line from the lowest point to the highest, whatever the way between.
        line(ys_[0]);
        const auto [lo, hi] = std::minmax_element(ys_.begin(), ys_.end());
        canvas_->MoveTo(x_, *lo);
        line(*hi);
        canvas_->MoveTo(x_, ys_.back());
        return;
    }
    // Each vertical line leaves out its end pixel, which the next line starts on. The last line is
    // drawn as it is, so its end pixel shows or not as it would; the lines before it together cover
    // everything from their lowest to their highest point, and so does the way from the first point
    // to the nearer extreme, to the farther one and back to the start of the last line.
    const int first = ys_[0], beforeLast = ys_[n - 2], last = ys_[n - 1];
    const auto [lo, hi] = std::minmax_element(ys_.begin(), ys_.end() - 1);
    const int nearer = std::abs(first - *lo) <= std::abs(first - *hi) ? *lo : *hi;
    const int farther = nearer == *lo ? *hi : *lo;
    line(first);
    if (nearer != first) line(nearer);
    line(farther);
    if (beforeLast != farther) line(beforeLast);
    line(last);
}
