// Turning shapes into rows of pixels (spans), by the Windows drawing rules.
//
// Two coordinate conventions meet here, as they do in the drawing code this layer serves:
//   - outlines (lines, pen rings) run through pixel centres: the pixel (x, y) is the point (x, y);
//   - fills (polygons) sample pixel centres against vertices at pixel corners: the pixel (x, y) is
//     filled when the point (x + 0.5, y + 0.5) is inside.
// Ties between two pixels go to the one on the positive side (right or below), so a pen of even
// width is never one pixel wider than asked.
#pragma once

#include "rtl/Types.h"

#include <cstdint>
#include <vector>

namespace gfx {

// Receives the pixels [x1, x2) of row y.
class SpanSink {
public:
    virtual ~SpanSink() = default;
    virtual void Span(int y, int x1, int x2) = 0;
};

struct Span {
    int y;
    int x1;
    int x2;  // exclusive
};

// Collects spans; Emit gives every covered pixel once, rows in order, spans left to right.
class SpanSet : public SpanSink {
public:
    void Span(int y, int x1, int x2) override {
        if (x2 > x1) {
            spans_.push_back({y, x1, x2});
            normalized_ = false;
        }
    }
    bool Empty() const { return spans_.empty(); }
    // Merges overlapping spans (in place) and sends them to out.
    void Emit(SpanSink& out);
    // Merged spans.
    const std::vector<gfx::Span>& Normalized();
    // Removes the pixels of other.
    void Subtract(SpanSet& other);
    bool Contains(int x, int y);
    void Clear() { spans_.clear(); normalized_ = true; }

private:
    void normalize();
    std::vector<gfx::Span> spans_;
    bool normalized_ = true;
};

// The pixels that can show (inclusive). Rasterising stops outside them, so a shape with far-off
// coordinates costs no more than the part of it that can be seen.
struct Window {
    int l = -(1 << 29), t = -(1 << 29), r = 1 << 29, b = 1 << 29;
};

// Cosmetic dash patterns: lengths in pixels, alternately on and off, starting with on.
struct DashState {
    const int* pattern = nullptr;
    int count = 0;
    int index = 0;
    int left = 0;  // pixels left in the current element
    bool On() const { return (index & 1) == 0; }
    void Step();
    void Skip(long long n);
    void Reset();
};
// The pattern of a pen style (psDash, psDot, psDashDot, psDashDotDot); nullptr for solid styles.
const int* DashPattern(int penStyle, int& count);

// A one-pixel line. With includeEnd false the pixel at (x1, y1) is left out (and a line of length
// zero draws nothing). With a dash state, pixels in the gaps go to off (when given).
void Line(int x0, int y0, int x1, int y1, bool includeEnd, SpanSink& on, DashState* dash = nullptr,
          SpanSink* off = nullptr, const Window* window = nullptr);

// A polyline with a pen width > 1: the pixels within width / 2 of any segment (round caps and joins).
// Pixels near a joint come once per segment; collect them in a SpanSet to draw each once.
// cap: 0 round, 1 square, 2 flat ends (a closed polyline has no ends).
void WidePolyline(const TPoint* points, int count, bool closed, int width, SpanSink& out, int cap = 0,
                  const Window* window = nullptr);

// Polygons filled by the alternate (winding false) or winding rule; counts[i] vertices each.
void FillPolygons(const TPoint* points, const int* counts, int polygons, bool winding, SpanSink& out,
                  const Window* window = nullptr);

// A rectangle with elliptic corners, its outline running through pixel centres l..r, t..b, with
// corner radii rx, ry (0: square corners; half the size: an ellipse).
struct RoundShape {
    double l = 0, t = 0, r = 0, b = 0;
    double rx = 0, ry = 0;
};
// The pixels whose centres lie inside the shape grown by d on every side (d < 0 shrinks it), row
// by row as inclusive ranges. Returns false for an empty row.
bool ShapeRow(const RoundShape& s, double d, int y, int& x1, int& x2);
// Rows covered by the shape grown by d.
void ShapeRows(const RoundShape& s, double d, int& y1, int& y2);

// Ring and inside of a shape outlined with a pen of width w: for w == 1 the ring is the border
// pixels of the filled shape; wider rings straddle the outline. The inside is what the ring
// leaves. Either sink may be null.
void ShapeRingAndInside(const RoundShape& s, int w, SpanSink* ring, SpanSink* inside, const Window* window = nullptr);

// The angular part of an ellipse for Arc, Pie and Chord: angles in radians, counter-clockwise from
// the positive x axis, measured on the ellipse scaled to a circle.
struct ArcSweep {
    double cx = 0, cy = 0, rx = 1, ry = 1;
    double start = 0;
    double sweep = 0;  // (0, 2π]
    // Angle of the pixel (x, y) as seen from the centre.
    double AngleOf(double x, double y) const;
    bool Contains(double angle) const;
    // The point on the outline at angle, rounded to a pixel.
    TPoint PointAt(double angle) const;
};
ArcSweep MakeArcSweep(const RoundShape& ellipse, int x3, int y3, int x4, int y4);

// Keeps the pixels of in whose angle lies in the sweep (pixels at the very centre count as inside).
void FilterByAngle(SpanSet& in, const ArcSweep& a, SpanSink& out);
// Keeps the pixels of in on the arc's side of the chord between its ends.
void FilterByChord(SpanSet& in, const ArcSweep& a, SpanSink& out);

// Points of cubic Bézier curves (1 + 3n control points) as a polyline.
std::vector<TPoint> FlattenBezier(const TPoint* points, int count);

}  // namespace gfx
