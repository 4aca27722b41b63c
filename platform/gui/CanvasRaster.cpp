// Turning shapes into rows of pixels.
#include "gui/CanvasRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace gfx {

namespace {
// Shifts geometry a hair towards +x/+y so that a pixel centre never sits exactly on a boundary;
// the tie then goes to the pixel on the positive side.
constexpr double kBiasX = 1.0 / 4096.0;
constexpr double kBiasY = 1.0 / 3072.0;
}  // namespace

// ---- Span sets -----------------------------------------------------------------------------------
void SpanSet::normalize() {
    if (normalized_) return;
    // Rows are few compared with spans: bucket by row, then order each row by x.
    int minY = spans_.front().y, maxY = minY;
    for (const auto& s : spans_) {
        minY = std::min(minY, s.y);
        maxY = std::max(maxY, s.y);
    }
    const long long rows = static_cast<long long>(maxY) - minY + 1;
    if (rows <= static_cast<long long>(spans_.size()) * 4 + 64) {
        std::vector<int> start(static_cast<std::size_t>(rows) + 1, 0);
        for (const auto& s : spans_) ++start[static_cast<std::size_t>(s.y - minY) + 1];
        for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        std::vector<gfx::Span> sorted(spans_.size());
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (const auto& s : spans_) sorted[static_cast<std::size_t>(fill[static_cast<std::size_t>(s.y - minY)]++)] = s;
        for (std::size_t r = 0; r + 1 < start.size(); ++r)
            if (start[r + 1] - start[r] > 1)
                std::sort(sorted.begin() + start[r], sorted.begin() + start[r + 1],
                          [](const gfx::Span& a, const gfx::Span& b) { return a.x1 < b.x1; });
        spans_.swap(sorted);
    } else {
        std::sort(spans_.begin(), spans_.end(), [](const gfx::Span& a, const gfx::Span& b) {
            return a.y != b.y ? a.y < b.y : a.x1 < b.x1;
        });
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < spans_.size(); ++i) {
        if (out > 0 && spans_[out - 1].y == spans_[i].y && spans_[i].x1 <= spans_[out - 1].x2) {
            spans_[out - 1].x2 = std::max(spans_[out - 1].x2, spans_[i].x2);
        } else {
            spans_[out++] = spans_[i];
        }
    }
    spans_.resize(out);
    normalized_ = true;
}

const std::vector<gfx::Span>& SpanSet::Normalized() {
    normalize();
    return spans_;
}

void SpanSet::Emit(SpanSink& out) {
    normalize();
    for (const auto& s : spans_) out.Span(s.y, s.x1, s.x2);
}

bool SpanSet::Contains(int x, int y) {
    normalize();
    auto it = std::lower_bound(spans_.begin(), spans_.end(), y,
                               [](const gfx::Span& s, int yy) { return s.y < yy; });
    for (; it != spans_.end() && it->y == y; ++it)
        if (x >= it->x1 && x < it->x2) return true;
    return false;
}

void SpanSet::Subtract(SpanSet& other) {
    normalize();
    other.normalize();
    std::vector<gfx::Span> result;
    std::size_t j = 0;
    const auto& o = other.spans_;
    for (const auto& s : spans_) {
        while (j < o.size() && (o[j].y < s.y || (o[j].y == s.y && o[j].x2 <= s.x1))) ++j;
        int x = s.x1;
        std::size_t k = j;
        while (k < o.size() && o[k].y == s.y && o[k].x1 < s.x2) {
            if (o[k].x1 > x) result.push_back({s.y, x, o[k].x1});
            x = std::max(x, o[k].x2);
            ++k;
        }
        if (x < s.x2) result.push_back({s.y, x, s.x2});
    }
    spans_ = std::move(result);
}

// ---- Dashes --------------------------------------------------------------------------------------
namespace {
constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
}  // namespace

const int* DashPattern(int penStyle, int& count) {
    switch (penStyle) {
        case 1: count = 2; return kDash;
        case 2: count = 2; return kDot;
        case 3: count = 4; return kDashDot;
        case 4: count = 6; return kDashDotDot;
        default: count = 0; return nullptr;
    }
}

void DashState::Reset() {
    index = 0;
    left = count > 0 ? pattern[0] : 0;
}

void DashState::Skip(long long n) {
    if (count <= 0 || n <= 0) return;
    long long period = 0;
    for (int i = 0; i < count; ++i) period += pattern[i];
    n %= period;
    while (n > 0) {
        long long k = std::min<long long>(n, left);
        n -= k;
        left -= static_cast<int>(k);
        if (left <= 0) {
            index = (index + 1) % count;
            left = pattern[index];
        }
    }
}

void DashState::Step() {
    if (--left <= 0) {
        index = (index + 1) % count;
        left = pattern[index];
    }
}

// ---- Lines ---------------------------------------------------------------------------------------
namespace {

// Emits a run of pixels of one row, merging neighbours.
struct RunBuilder {
    SpanSink& sink;
    int y = 0, x1 = 0, x2 = 0;
    bool open = false;
    explicit RunBuilder(SpanSink& s) : sink(s) {}
    void Pixel(int x, int yy) {
        if (open && yy == y && x == x2) { ++x2; return; }
        if (open && yy == y && x == x1 - 1) { --x1; return; }
        Flush();
        y = yy; x1 = x; x2 = x + 1; open = true;
    }
    void Flush() {
        if (open) sink.Span(y, x1, x2);
        open = false;
    }
};

}  // namespace

void Line(int x0, int y0, int x1, int y1, bool includeEnd, SpanSink& on, DashState* dash, SpanSink* off,
          const Window* window) {
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const long long steps = std::max(adx, ady);
    const long long count = includeEnd ? steps + 1 : steps;
    if (count <= 0) return;

    // y (or x) of step i is the start plus round(i * minor / major), halves away from the start.
    const bool xMajor = adx >= ady;
    const long long major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    const long long m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0;
    const int sm = xMajor ? sx : sy, sn = xMajor ? sy : sx;

    // The steps that can show: the major axis inside the window, then the minor axis.
    long long first = 0, last = count - 1;
    if (window) {
        const long long lo = xMajor ? window->l : window->t, hi = xMajor ? window->r : window->b;
        const long long nlo = xMajor ? window->t : window->l, nhi = xMajor ? window->b : window->r;
        auto clampMajor = [&](long long a, long long b) {  // steps whose major coordinate is in [a, b]
            long long i0 = sm > 0 ? a - m0 : m0 - b, i1 = sm > 0 ? b - m0 : m0 - a;
            first = std::max(first, i0);
            last = std::min(last, i1);
        };
        clampMajor(lo - 1, hi + 1);
        if (minor > 0 && first <= last) {
            // offset(i) = floor((2*i*minor + major) / (2*major)) grows with i; keep n0 + sn*offset in range.
            auto firstWithOffset = [&](long long k) {  // smallest i with offset(i) >= k
                if (k <= 0) return 0LL;
                long long num = 2 * major * k - major;
                return (num + 2 * minor - 1) / (2 * minor);
            };
            long long kLo = sn > 0 ? (nlo - 1) - n0 : n0 - (nhi + 1);
            long long kHi = sn > 0 ? (nhi + 1) - n0 : n0 - (nlo - 1);
            if (kHi < 0) return;
            first = std::max(first, firstWithOffset(kLo));
            last = std::min(last, firstWithOffset(kHi + 1) - 1);
        } else if (minor == 0 && (n0 < nlo - 1 || n0 > nhi + 1)) {
            return;
        }
        if (first > last) return;
    }

    // Horizontal and vertical lines are the common case of frames and grids: one span, or a column.
    if (!dash) {
        if (ady == 0) {
            long long a = x0 + sx * first, b = x0 + sx * last;
            on.Span(y0, static_cast<int>(std::min(a, b)), static_cast<int>(std::max(a, b) + 1));
            return;
        }
        if (adx == 0) {
            for (long long i = first; i <= last; ++i) on.Span(static_cast<int>(y0 + sy * i), x0, x0 + 1);
            return;
        }
    }

    RunBuilder onRun(on);
    RunBuilder* offRun = nullptr;
    RunBuilder offBuilder(off ? *off : on);
    if (off) offRun = &offBuilder;
    if (dash) dash->Skip(first);

    long long offset = (2 * first * minor + major) / (2 * major);
    long long err = 2 * first * minor + major - 2 * major * offset;
    for (long long i = first; i <= last; ++i) {
        const int m = static_cast<int>(m0 + sm * i), n = static_cast<int>(n0 + sn * offset);
        const int x = xMajor ? m : n, y = xMajor ? n : m;
        if (!dash || dash->On()) {
            onRun.Pixel(x, y);
        } else if (offRun) {
            offRun->Pixel(x, y);
        }
        if (dash) dash->Step();
        err += 2 * minor;
        if (err >= 2 * major) { ++offset; err -= 2 * major; }
    }
    onRun.Flush();
    if (offRun) offRun->Flush();
}

// ---- Wide lines ----------------------------------------------------------------------------------
namespace {

struct Capsule {
    double ax, ay, bx, by, r;
    double len, ux, uy;
    bool diskA = true, diskB = true;
    Capsule(double ax_, double ay_, double bx_, double by_, double r_)
        : ax(ax_), ay(ay_), bx(bx_), by(by_), r(r_), len(std::hypot(bx_ - ax_, by_ - ay_)), ux(0), uy(0) {
        if (len > 0) {
            ux = (bx - ax) / len;
            uy = (by - ay) / len;
        }
    }
    // Square or flat end at a (or b): no round cap there; a square end reaches r beyond it. The
    // cut is moved back a hair so that, as with one-pixel lines, the pixel at the start is drawn
    // and the one at the end is not.
    void EndA(int cap) {
        if (cap == 0 || len == 0) return;
        diskA = false;
        const double d = (cap == 1 ? r : 0) + kCut;
        ax -= ux * d;
        ay -= uy * d;
        len += d;
    }
    void EndB(int cap) {
        if (cap == 0 || len == 0) return;
        diskB = false;
        const double d = (cap == 1 ? r : 0) - kCut;
        bx += ux * d;
        by += uy * d;
        len += d;
    }
    static constexpr double kCut = 1.0 / 64;

    // The x range of the points within r of the segment on the horizontal line at height y.
    bool Row(double y, double& lo, double& hi) const {
        bool any = false;
        auto add = [&](double l, double h) {
            if (!any) { lo = l; hi = h; any = true; }
            else { lo = std::min(lo, l); hi = std::max(hi, h); }
        };
        double dy = y - ay;
        if (diskA && std::fabs(dy) <= r) {
            double h = std::sqrt(r * r - dy * dy);
            add(ax - h, ax + h);
        }
        dy = y - by;
        if (diskB && std::fabs(dy) <= r) {
            double h = std::sqrt(r * r - dy * dy);
            add(bx - h, bx + h);
        }
        if (len > 0) {
            const double h = y - ay;
            if (std::fabs(uy) < 1e-12) {
                // Horizontal segment: the band is the rows within r.
                if (std::fabs(h) <= r) add(std::min(ax, bx), std::max(ax, bx));
            } else if (std::fabs(ux) < 1e-12) {
                double s = h / uy;
                if (s >= 0 && s <= len) add(ax - r, ax + r);
            } else {
                // Points a + s*u + t*n with n = (-uy, ux), 0 <= s <= len, |t| <= r, on row y.
                double t0 = h / ux, t1 = (h - len * uy) / ux;
                double tl = std::max(std::min(t0, t1), -r), th = std::min(std::max(t0, t1), r);
                if (tl <= th) {
                    double base = ax + h * ux / uy;
                    double xa = base - tl / uy, xb = base - th / uy;
                    add(std::min(xa, xb), std::max(xa, xb));
                }
            }
        }
        return any;
    }
};

}  // namespace

void WidePolyline(const TPoint* points, int count, bool closed, int width, SpanSink& out, int capStyle,
                  const Window* window) {
    if (count <= 0) return;
    const double r = width / 2.0;
    const Window all;
    const Window& win = window ? *window : all;
    auto segment = [&](TPoint a, TPoint b, bool first = false, bool last = false) {
        Capsule cap(a.x + kBiasX, a.y + kBiasY, b.x + kBiasX, b.y + kBiasY, r);
        if (first && !closed) cap.EndA(capStyle);
        if (last && !closed) cap.EndB(capStyle);
        double y1 = std::max(std::ceil(std::min(cap.ay, cap.by) - r), double(win.t));
        double y2 = std::min(std::floor(std::max(cap.ay, cap.by) + r), double(win.b));
        for (double yy = y1; yy <= y2; ++yy) {
            double lo, hi;
            if (!cap.Row(yy, lo, hi)) continue;
            lo = std::max(std::ceil(lo), double(win.l) - 1);
            hi = std::min(std::floor(hi), double(win.r) + 1);
            if (hi >= lo) out.Span(static_cast<int>(yy), static_cast<int>(lo), static_cast<int>(hi) + 1);
        }
    };
    if (count == 1) {
        segment(points[0], points[0]);
        return;
    }
    for (int i = 0; i + 1 < count; ++i) segment(points[i], points[i + 1], i == 0, i + 2 == count);
    if (closed) segment(points[count - 1], points[0]);
}

// ---- Polygons ------------------------------------------------------------------------------------
void FillPolygons(const TPoint* points, const int* counts, int polygons, bool winding, SpanSink& out,
                  const Window* window) {
    const Window all;
    const Window& win = window ? *window : all;
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    int first = 0;
    double minY = 1e300, maxY = -1e300;
    for (int p = 0; p < polygons; ++p) {
        int n = counts[p];
        for (int i = 0; i < n; ++i) {
            TPoint a = points[first + i], b = points[first + (i + 1) % n];
            if (a.y == b.y) continue;
            Edge e;
            if (a.y < b.y) e = {double(a.x), double(a.y), double(b.x), double(b.y), 1};
            else e = {double(b.x), double(b.y), double(a.x), double(a.y), -1};
            edges.push_back(e);
            minY = std::min(minY, e.y0);
            maxY = std::max(maxY, e.y1);
        }
        first += n;
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });

    // Pixel row y is sampled at y + 0.5.
    int yStart = static_cast<int>(std::max(std::ceil(minY - 0.5), double(win.t)));
    int yEnd = static_cast<int>(std::min(std::ceil(maxY - 0.5), double(win.b) + 1));  // exclusive
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> xs;
    std::size_t next = 0;
    for (int y = yStart; y < yEnd; ++y) {
        double yc = y + 0.5;
        while (next < edges.size() && edges[next].y0 <= yc) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [yc](const Edge* e) { return e->y1 <= yc; }),
                     active.end());
        xs.clear();
        for (const Edge* e : active) {
            if (e->y0 > yc) continue;
            double x = e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0);
            xs.push_back({x, e->dir});
        }
        std::sort(xs.begin(), xs.end());
        auto emit = [&](double xa, double xb) {
            double a = std::max(std::ceil(xa - 0.5), double(win.l) - 1);
            double b = std::min(std::ceil(xb - 0.5), double(win.r) + 2);
            if (b > a) out.Span(y, static_cast<int>(a), static_cast<int>(b));
        };
        if (!winding) {
            for (std::size_t i = 0; i + 1 < xs.size(); i += 2) emit(xs[i].first, xs[i + 1].first);
        } else {
            int w = 0;
            double start = 0;
            for (const auto& [x, d] : xs) {
                int before = w;
                w += d;
                if (before == 0 && w != 0) start = x;
                else if (before != 0 && w == 0) emit(start, x);
            }
        }
    }
}

// ---- Rounded rectangles and ellipses -------------------------------------------------------------
bool ShapeRow(const RoundShape& s, double d, int y, int& x1, int& x2) {
    const double L = s.l - d + kBiasX, R = s.r + d + kBiasX, T = s.t - d + kBiasY, B = s.b + d + kBiasY;
    const double RX = std::max(0.0, s.rx + d), RY = std::max(0.0, s.ry + d);
    if (R < L || B < T || y < T || y > B) return false;
    double left = L, right = R;
    double dy = 0;
    if (RY > 0 && y < T + RY) dy = T + RY - y;
    else if (RY > 0 && y > B - RY) dy = y - (B - RY);
    if (dy > 0) {
        double q = dy / RY;
        double f = q >= 1 ? 0 : std::sqrt(1 - q * q);
        left = L + RX - RX * f;
        right = R - RX + RX * f;
    }
    x1 = static_cast<int>(std::ceil(left));
    x2 = static_cast<int>(std::floor(right));
    return x2 >= x1;
}

void ShapeRows(const RoundShape& s, double d, int& y1, int& y2) {
    y1 = static_cast<int>(std::ceil(s.t - d + kBiasY));
    y2 = static_cast<int>(std::floor(s.b + d + kBiasY));
}

void ShapeRingAndInside(const RoundShape& s, int w, SpanSink* ringOut, SpanSink* insideOut, const Window* window) {
    const Window all;
    const Window& win = window ? *window : all;
    // Spans are cut to the window (and a pixel around it) on their way out.
    struct Cut : SpanSink {
        SpanSink* to;
        const Window& w;
        Cut(SpanSink* t, const Window& ww) : to(t), w(ww) {}
        void Span(int y, int x1, int x2) override {
            if (!to || y < w.t - 1 || y > w.b + 1) return;
            x1 = std::max(x1, w.l - 1);
            x2 = std::min(x2, w.r + 2);
            if (x2 > x1) to->Span(y, x1, x2);
        }
    } ringCut(ringOut, win), insideCut(insideOut, win);
    SpanSink* ring = ringOut ? &ringCut : nullptr;
    SpanSink* inside = insideOut ? &insideCut : nullptr;
    if (w <= 1) {
        // The filled shape's border pixels (those with a 4-neighbour outside) form the ring.
        int y1, y2;
        ShapeRows(s, 0.5, y1, y2);
        y1 = std::max(y1, win.t - 2);
        y2 = std::min(y2, win.b + 2);
        if (y2 < y1) return;
        const int n = y2 - y1 + 1;
        std::vector<int> L(n + 2, 1), R(n + 2, 0);  // empty rows have R < L
        for (int i = 0; i < n; ++i) {
            int a, b;
            if (ShapeRow(s, 0.5, y1 + i, a, b)) { L[i + 1] = a; R[i + 1] = b; }
        }
        // Rows cut off by the window still have their neighbours: look them up.
        int a, b;
        if (ShapeRow(s, 0.5, y1 - 1, a, b)) { L[0] = a; R[0] = b; }
        if (ShapeRow(s, 0.5, y2 + 1, a, b)) { L[n + 1] = a; R[n + 1] = b; }
        for (int i = 1; i <= n; ++i) {
            int y = y1 + i - 1;
            if (R[i] < L[i]) continue;
            int il = L[i] + 1, ir = R[i] - 1;
            if (R[i - 1] < L[i - 1] || R[i + 1] < L[i + 1]) { il = 1; ir = 0; }
            else {
                il = std::max({il, L[i - 1], L[i + 1]});
                ir = std::min({ir, R[i - 1], R[i + 1]});
            }
            if (ir < il) {
                if (ring) ring->Span(y, L[i], R[i] + 1);
            } else {
                if (ring) {
                    ring->Span(y, L[i], il);
                    ring->Span(y, ir + 1, R[i] + 1);
                }
                if (inside) inside->Span(y, il, ir + 1);
            }
        }
        return;
    }
    const double h = w / 2.0;
    int y1, y2;
    ShapeRows(s, h, y1, y2);
    y1 = std::max(y1, win.t - 1);
    y2 = std::min(y2, win.b + 1);
    for (int y = y1; y <= y2; ++y) {
        int oa, ob;
        if (!ShapeRow(s, h, y, oa, ob)) continue;
        int ia, ib;
        if (ShapeRow(s, -h, y, ia, ib) && ia <= ob && ib >= oa) {
            ia = std::max(ia, oa);
            ib = std::min(ib, ob);
            if (ring) {
                ring->Span(y, oa, ia);
                ring->Span(y, ib + 1, ob + 1);
            }
            if (inside) inside->Span(y, ia, ib + 1);
        } else if (ring) {
            ring->Span(y, oa, ob + 1);
        }
    }
}

// ---- Arcs ----------------------------------------------------------------------------------------
namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
double norm(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a;
}
}  // namespace

double ArcSweep::AngleOf(double x, double y) const {
    double ux = rx > 0 ? (x - cx) / rx : x - cx;
    double uy = ry > 0 ? (y - cy) / ry : y - cy;
    return std::atan2(-uy, ux);
}

bool ArcSweep::Contains(double angle) const { return norm(angle - start) <= sweep + 1e-12; }

TPoint ArcSweep::PointAt(double angle) const {
    return TPoint(static_cast<int>(std::lround(cx + rx * std::cos(angle))),
                  static_cast<int>(std::lround(cy - ry * std::sin(angle))));
}

ArcSweep MakeArcSweep(const RoundShape& e, int x3, int y3, int x4, int y4) {
    ArcSweep a;
    a.cx = (e.l + e.r) / 2;
    a.cy = (e.t + e.b) / 2;
    a.rx = (e.r - e.l) / 2;
    a.ry = (e.b - e.t) / 2;
    double s = norm(a.AngleOf(x3, y3)), t = norm(a.AngleOf(x4, y4));
    a.start = s;
    double sweep = norm(t - s);
    a.sweep = sweep <= 1e-12 ? kTwoPi : sweep;
    return a;
}

void FilterByAngle(SpanSet& in, const ArcSweep& a, SpanSink& out) {
    for (const auto& sp : in.Normalized()) {
        int runStart = 0;
        bool open = false;
        for (int x = sp.x1; x < sp.x2; ++x) {
            bool centre = std::fabs(x - a.cx) < 0.5 && std::fabs(sp.y - a.cy) < 0.5;
            bool ok = centre || a.Contains(a.AngleOf(x, sp.y));
            if (ok && !open) { runStart = x; open = true; }
            if (!ok && open) { out.Span(sp.y, runStart, x); open = false; }
        }
        if (open) out.Span(sp.y, runStart, sp.x2);
    }
}

void FilterByChord(SpanSet& in, const ArcSweep& a, SpanSink& out) {
    // The region bounded by the arc from S to E (counter-clockwise) and the chord back from E to S
    // lies to the right of S->E when y grows upward; with y growing downward that is where the
    // cross product of E - S and P - S is not negative.
    const double sx = a.cx + a.rx * std::cos(a.start), sy = a.cy - a.ry * std::sin(a.start);
    const double ex = a.cx + a.rx * std::cos(a.start + a.sweep), ey = a.cy - a.ry * std::sin(a.start + a.sweep);
    const bool full = a.sweep >= kTwoPi - 1e-9;
    for (const auto& sp : in.Normalized()) {
        int runStart = 0;
        bool open = false;
        for (int x = sp.x1; x < sp.x2; ++x) {
            double cross = (ex - sx) * (sp.y - sy) - (ey - sy) * (x - sx);
            bool ok = full || cross >= -1e-9;
            if (ok && !open) { runStart = x; open = true; }
            if (!ok && open) { out.Span(sp.y, runStart, x); open = false; }
        }
        if (open) out.Span(sp.y, runStart, sp.x2);
    }
}

// ---- Bézier curves -------------------------------------------------------------------------------
std::vector<TPoint> FlattenBezier(const TPoint* p, int count) {
    std::vector<TPoint> out;
    if (count <= 0) return out;
    out.push_back(p[0]);
    for (int i = 0; i + 3 < count; i += 3) {
        const TPoint &p0 = p[i], &p1 = p[i + 1], &p2 = p[i + 2], &p3 = p[i + 3];
        double len = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                     std::hypot(p3.x - p2.x, p3.y - p2.y);
        int n = std::clamp(static_cast<int>(std::ceil(len / 3)), 1, 512);
        for (int k = 1; k <= n; ++k) {
            double t = double(k) / n, u = 1 - t;
            double x = u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x;
            double y = u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y;
            TPoint q(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
            if (!(q == out.back())) out.push_back(q);
        }
        if (!(out.back() == p3)) out.push_back(p3);
    }
    return out;
}

}  // namespace gfx
