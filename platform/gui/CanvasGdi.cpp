// The Windows drawing functions on a device context: state, clip regions, bevels, frame controls,
// block transfers.
#include "gui/CanvasInternal.h"

#include <algorithm>
#include <cmath>

// ---- Regions -------------------------------------------------------------------------------------
TRegion::TRegion(const TRect& r) {
    if (!r.IsEmpty()) rects_.push_back(r);
}

TRect TRegion::BoundsRect() const {
    TRect b;
    for (const TRect& r : rects_) UnionRect(b, b, r);
    return b;
}

bool TRegion::Contains(TPoint p) const {
    return std::any_of(rects_.begin(), rects_.end(), [&](const TRect& r) { return r.Contains(p); });
}

void TRegion::Intersect(const TRect& r) {
    std::vector<TRect> out;
    for (const TRect& a : rects_) {
        TRect i;
        if (IntersectRect(i, a, r)) out.push_back(i);
    }
    rects_ = std::move(out);
}

void TRegion::Intersect(const TRegion& other) {
    std::vector<TRect> out;
    for (const TRect& a : rects_)
        for (const TRect& b : other.rects_) {
            TRect i;
            if (IntersectRect(i, a, b)) out.push_back(i);
        }
    rects_ = std::move(out);
}

void TRegion::Subtract(const TRect& r) {
    if (r.IsEmpty()) return;
    std::vector<TRect> out;
    for (const TRect& a : rects_) {
        TRect i;
        if (!IntersectRect(i, a, r)) {
            out.push_back(a);
            continue;
        }
        if (a.Top < i.Top) out.push_back(TRect(a.Left, a.Top, a.Right, i.Top));
        if (i.Bottom < a.Bottom) out.push_back(TRect(a.Left, i.Bottom, a.Right, a.Bottom));
        if (a.Left < i.Left) out.push_back(TRect(a.Left, i.Top, i.Left, i.Bottom));
        if (i.Right < a.Right) out.push_back(TRect(i.Right, i.Top, a.Right, i.Bottom));
    }
    rects_ = std::move(out);
}

void TRegion::Unite(const TRect& r) {
    if (r.IsEmpty()) return;
    Subtract(r);
    rects_.push_back(r);
}

void TRegion::Offset(int dx, int dy) {
    for (TRect& r : rects_) OffsetRect(r, dx, dy);
}

namespace {
long long area(const std::vector<TRect>& v) {
    long long a = 0;
    for (const TRect& r : v) a += static_cast<long long>(r.Width()) * r.Height();
    return a;
}
}  // namespace

bool operator==(const TRegion& a, const TRegion& b) {
    TRegion i = a;
    i.Intersect(b);
    long long ai = area(i.rects_);
    return ai == area(a.rects_) && ai == area(b.rects_);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return std::make_shared<TRegion>(TRect(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const TRect& r) { return std::make_shared<TRegion>(r); }

HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode) {
    auto rgn = std::make_shared<TRegion>();
    if (!points || count < 3) return rgn;
    gfx::SpanSet spans;
    gfx::FillPolygons(points, &count, 1, fillMode == WINDING, spans);
    // Stack equal spans of neighbouring rows into one rectangle.
    std::vector<TRect> open;
    for (const gfx::Span& s : spans.Normalized()) {
        bool grown = false;
        for (TRect& r : open)
            if (r.Bottom == s.y && r.Left == s.x1 && r.Right == s.x2) {
                r.Bottom = s.y + 1;
                grown = true;
                break;
            }
        if (!grown) open.push_back(TRect(s.x1, s.y, s.x2, s.y + 1));
    }
    for (const TRect& r : open) rgn->Unite(r);
    return rgn;
}

// ---- Device context state ------------------------------------------------------------------------
int SetBkMode(HDC dc, int mode) {
    if (!dc) return 0;
    int old = dc->BkMode();
    dc->SetBkMode(mode);
    return old;
}
int GetBkMode(HDC dc) { return dc ? dc->BkMode() : 0; }
TColor SetBkColor(HDC dc, TColor c) {
    if (!dc) return CLR_INVALID;
    TColor old = dc->BkColor();
    dc->SetBkColor(c);
    return old;
}
TColor GetBkColor(HDC dc) { return dc ? dc->BkColor() : CLR_INVALID; }
TColor SetTextColor(HDC dc, TColor c) {
    if (!dc) return CLR_INVALID;
    TColor old = dc->TextColor();
    dc->SetTextColor(c);
    return old;
}
TColor GetTextColor(HDC dc) { return dc ? dc->TextColor() : CLR_INVALID; }
int SetROP2(HDC dc, int rop2) {
    if (!dc) return 0;
    int old = dc->ROP2();
    dc->SetROP2(rop2);
    return old;
}
int GetROP2(HDC dc) { return dc ? dc->ROP2() : 0; }
int SetPolyFillMode(HDC dc, int mode) {
    if (!dc) return 0;
    int old = dc->PolyFillMode();
    dc->SetPolyFillMode(mode);
    return old;
}
unsigned SetTextAlign(HDC dc, unsigned align) {
    if (!dc) return 0;
    unsigned old = dc->TextAlign();
    dc->SetTextAlign(align);
    return old;
}
TColor GetPixel(HDC dc, int x, int y) { return dc ? dc->Pixels(x, y) : CLR_INVALID; }
TColor SetPixel(HDC dc, int x, int y, TColor c) {
    if (!dc) return CLR_INVALID;
    dc->SetPixels(x, y, c);
    return ColorToRGB(c);
}

int SaveDC(HDC dc) { return dc ? dc->SaveDC() : 0; }
bool RestoreDC(HDC dc, int level) { return dc && dc->RestoreDC(level); }

namespace {
int regionKind(HDC dc) {
    TRect r = dc->ClipRect();
    if (r.IsEmpty()) return NULLREGION;
    return dc->HasClipRegion() && dc->ClipRegion().Rects().size() > 1 ? COMPLEXREGION : SIMPLEREGION;
}
}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!dc) return RGN_ERROR;
    dc->IntersectClipRect(TRect(left, top, right, bottom));
    return regionKind(dc);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!dc) return RGN_ERROR;
    dc->ExcludeClipRect(TRect(left, top, right, bottom));
    return regionKind(dc);
}

int GetClipRgn(HDC dc, HRGN rgn) {
    if (!dc || !rgn) return -1;
    if (!dc->HasClipRegion()) return 0;
    *rgn = dc->ClipRegion();
    return 1;
}

int SelectClipRgn(HDC dc, const HRGN& rgn) {
    if (!dc) return RGN_ERROR;
    dc->SetClipRegion(rgn.get());
    return regionKind(dc);
}

int GetClipBox(HDC dc, TRect& r) {
    if (!dc) return RGN_ERROR;
    r = dc->ClipRect();
    return regionKind(dc);
}

int GetDeviceCaps(HDC dc, int index) {
    TCanvasDevice* d = dc ? dc->Device() : nullptr;
    const gfx::DeviceCaps caps = d ? d->Caps() : gfx::DeviceCaps{};
    const TSize size = dc ? dc->DeviceSize() : TSize();
    auto mm = [](int given, int pixels, int ppi) {
        return given >= 0 ? given : static_cast<int>(std::lround(pixels * 25.4 / ppi));
    };
    switch (index) {
        case HORZRES: return size.cx;
        case VERTRES: return size.cy;
        case HORZSIZE: return mm(caps.SizeMMX, size.cx, caps.PixelsX);
        case VERTSIZE: return mm(caps.SizeMMY, size.cy, caps.PixelsY);
        case BITSPIXEL: return 32;
        case NUMCOLORS: return -1;
        case LOGPIXELSX: return caps.PixelsX;
        case LOGPIXELSY: return caps.PixelsY;
        case PHYSICALOFFSETX: return caps.OffsetX;
        case PHYSICALOFFSETY: return caps.OffsetY;
        case PHYSICALWIDTH: return caps.PhysicalWidth >= 0 ? caps.PhysicalWidth : size.cx;
        case PHYSICALHEIGHT: return caps.PhysicalHeight >= 0 ? caps.PhysicalHeight : size.cy;
        default: return 0;
    }
}

// ---- Mapping modes -------------------------------------------------------------------------------
namespace {
gfx::Mapping* mappingOf(HDC dc) {
    if (!dc) return nullptr;
    if (!dc->Device()) {
        try {
            dc->Handle();
        } catch (...) {
            return nullptr;
        }
    }
    return dc->Device() ? &dc->Device()->Map() : nullptr;
}
}  // namespace

int SetMapMode(HDC dc, int mode) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m || (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC)) return 0;
    const int old = m->Mode;
    m->Mode = mode;
    if (mode == MM_ISOTROPIC) m->Isotropize();
    return old;
}

int GetMapMode(HDC dc) {
    gfx::Mapping* m = mappingOf(dc);
    return m ? m->Mode : 0;
}

bool SetWindowOrgEx(HDC dc, int x, int y, TPoint* previous) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m) return false;
    if (previous) *previous = TPoint(m->WindowOrg.x(), m->WindowOrg.y());
    m->WindowOrg = QPoint(x, y);
    return true;
}

bool SetViewportOrgEx(HDC dc, int x, int y, TPoint* previous) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m) return false;
    if (previous) *previous = TPoint(m->ViewportOrg.x(), m->ViewportOrg.y());
    m->ViewportOrg = QPoint(x, y);
    return true;
}

bool SetWindowExtEx(HDC dc, int x, int y, TSize* previous) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m) return false;
    if (previous) *previous = TSize(m->WindowExt.width(), m->WindowExt.height());
    if (m->Mode == MM_TEXT || x == 0 || y == 0) return false;
    m->WindowExt = QSize(x, y);
    if (m->Mode == MM_ISOTROPIC) m->Isotropize();
    return true;
}

bool SetViewportExtEx(HDC dc, int x, int y, TSize* previous) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m) return false;
    if (previous) *previous = TSize(m->ViewportExt.width(), m->ViewportExt.height());
    if (m->Mode == MM_TEXT || x == 0 || y == 0) return false;
    m->ViewportExt = QSize(x, y);
    if (m->Mode == MM_ISOTROPIC) m->Isotropize();
    return true;
}

namespace {
bool mapPoints(HDC dc, TPoint* points, int count, bool inverse) {
    gfx::Mapping* m = mappingOf(dc);
    if (!m || (count > 0 && !points)) return false;
    if (m->Identity()) return true;
    QTransform t = m->Transform();
    if (inverse) {
        bool ok = false;
        t = t.inverted(&ok);
        if (!ok) return false;
    }
    for (int i = 0; i < count; ++i) {
        QPointF p = t.map(QPointF(points[i].x, points[i].y));
        points[i] = TPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y())));
    }
    return true;
}
}  // namespace

bool LPtoDP(HDC dc, TPoint* points, int count) { return mapPoints(dc, points, count, false); }
bool DPtoLP(HDC dc, TPoint* points, int count) { return mapPoints(dc, points, count, true); }

TColor GetNearestColor(HDC, TColor c) { return ColorToRGB(c); }

// ---- Fills by colour and raster operation --------------------------------------------------------
namespace {

gfx::SpanSet rectSpans(HDC dc, const TRect& r) {
    gfx::SpanSet s;
    TCanvasAccess::RectSpans(*dc, r, s);
    return s;
}

void fillColour(HDC dc, const TRect& r, TColor colour, TPenMode mode = pmCopy) {
    if (r.IsEmpty()) return;
    gfx::SpanSet s = rectSpans(dc, r);
    gfx::Paint p;
    p.color = gfx::ToRgb(colour);
    p.mode = mode;
    TCanvasAccess::Fill(*dc, s, p);
}

// Draws only when the canvas has a device that draws; logs op first.
bool beginOp(HDC dc, TCanvasOp&& op) {
    if (TCanvasAccess::Record(*dc, std::move(op))) return false;
    return TCanvasAccess::Begin(*dc);
}

}  // namespace

void FillRectColor(HDC dc, const TRect& rect, TColor colour) {
    if (!dc) return;
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::FillRect);
    op.Rect = rect;
    op.BrushColor = colour;
    op.BrushStyle = bsSolid;
    if (!beginOp(dc, std::move(op))) return;
    fillColour(dc, rect, colour);
    TCanvasAccess::End(*dc);
}

bool InvertRect(HDC dc, const TRect& rect) {
    if (!dc) return false;
    if (!TCanvasAccess::Begin(*dc)) return true;
    fillColour(dc, rect, clBlack, pmNot);
    TCanvasAccess::End(*dc);
    return true;
}

bool PatBlt(HDC dc, int x, int y, int w, int h, TCopyMode rop) {
    if (!dc) return false;
    TRect r(std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h));
    if (!TCanvasAccess::Begin(*dc)) return true;
    gfx::SpanSet s = rectSpans(dc, r);
    switch (rop) {
        case DSTINVERT: fillColour(dc, r, clBlack, pmNot); break;
        case BLACKNESS: fillColour(dc, r, clBlack); break;
        case WHITENESS: fillColour(dc, r, clWhite); break;
        case PATCOPY:
        case PATINVERT: {
            QImage storage;
            gfx::Paint p;
            if (TCanvasAccess::BrushPaint(*dc, storage, false, p)) {
                p.mode = rop == PATINVERT ? pmXor : pmCopy;
                TCanvasAccess::Fill(*dc, s, p);
            }
            break;
        }
        default: break;
    }
    TCanvasAccess::End(*dc);
    return true;
}

bool StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, TCopyMode rop) {
    if (!dest) return false;
    const unsigned code = (rop >> 16) & 0xFF;
    const bool usesSource = ((code >> 2) & 0x33) != (code & 0x33);
    if (!usesSource || !src) return PatBlt(dest, x, y, w, h, rop);
    TCanvasOp op = TCanvasAccess::Op(*dest, TCanvasOpKind::CopyRect);
    op.Rect = TRect(x, y, x + w, y + h);
    op.Values = {sx, sy, sx + sw, sy + sh, static_cast<int>(rop)};
    if (!beginOp(dest, std::move(op))) return true;
    src->Handle();
    if (QImage* img = src->Device()->Image()) {
        QPoint so = src->Device()->Offset();
        TCanvasAccess::Blit(*dest, QRect(x, y, w, h), *img, QRect(sx + so.x(), sy + so.y(), sw, sh), rop);
    }
    TCanvasAccess::End(*dest);
    return true;
}

bool BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, TCopyMode rop) {
    return StretchBlt(dest, x, y, w, h, src, sx, sy, w, h, rop);
}

// ---- Bevels --------------------------------------------------------------------------------------
namespace {

// One ring of a bevel: light on the top and left, dark on the bottom and right (with the corners).
void bevelRing(HDC dc, const TRect& r, TColor light, TColor dark, unsigned sides) {
    if (r.IsEmpty()) return;
    if (sides & BF_TOP) fillColour(dc, TRect(r.Left, r.Top, r.Right - 1, r.Top + 1), light);
    if (sides & BF_LEFT) fillColour(dc, TRect(r.Left, r.Top, r.Left + 1, r.Bottom - 1), light);
    if (sides & BF_BOTTOM) fillColour(dc, TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), dark);
    if (sides & BF_RIGHT) fillColour(dc, TRect(r.Right - 1, r.Top, r.Right, r.Bottom), dark);
}

void shrink(TRect& r, unsigned sides) {
    if (sides & BF_LEFT) ++r.Left;
    if (sides & BF_TOP) ++r.Top;
    if (sides & BF_RIGHT) --r.Right;
    if (sides & BF_BOTTOM) --r.Bottom;
}

void drawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags) {
    const unsigned sides = flags & BF_RECT;
    TRect r = rect;
    const unsigned outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
    TColor light = 0, dark = 0;
    if (outer) {
        if (flags & BF_MONO) light = dark = clWindowFrame;
        else if (flags & BF_FLAT) light = dark = clBtnShadow;
        else if (outer == BDR_RAISEDOUTER) {
            light = (flags & BF_SOFT) ? clBtnHighlight : cl3DLight;
            dark = cl3DDkShadow;
        } else {
            light = clBtnShadow;
            dark = clBtnHighlight;
        }
        bevelRing(dc, r, light, dark, sides);
        shrink(r, sides);
    }
    if (inner) {
        if (flags & BF_MONO) light = dark = clWindow;
        else if (flags & BF_FLAT) light = dark = clBtnFace;
        else if (inner == BDR_RAISEDINNER) {
            light = (flags & BF_SOFT) ? cl3DLight : clBtnHighlight;
            dark = clBtnShadow;
        } else {
            light = cl3DDkShadow;
            dark = cl3DLight;
        }
        bevelRing(dc, r, light, dark, sides);
        shrink(r, sides);
    }
    if (flags & BF_MIDDLE) fillColour(dc, r, (flags & BF_MONO) ? clWindow : clBtnFace);
    if (flags & BF_ADJUST) rect = r;
}

}  // namespace

bool DrawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags) {
    if (!dc) return false;
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::DrawEdge);
    op.Rect = rect;
    op.Values = {static_cast<int>(edge), static_cast<int>(flags)};
    if (!beginOp(dc, std::move(op))) {
        if (flags & BF_ADJUST) {
            int rings = ((edge & BDR_OUTER) ? 1 : 0) + ((edge & BDR_INNER) ? 1 : 0);
            for (int i = 0; i < rings; ++i) shrink(rect, flags & BF_RECT);
        }
        return true;
    }
    drawEdge(dc, rect, edge, flags);
    TCanvasAccess::End(*dc);
    return true;
}

bool DrawFocusRect(HDC dc, const TRect& rect) {
    if (!dc) return false;
    dc->DrawFocusRect(rect);
    return true;
}

// ---- Frame controls ------------------------------------------------------------------------------
namespace {

void pixelRows(HDC dc, int x0, int y0, const int (*cols)[2], int n, TColor c) {
    for (int i = 0; i < n; ++i) fillColour(dc, TRect(x0 + i, y0 + cols[i][0], x0 + i + 1, y0 + cols[i][1] + 1), c);
}

// The check mark, 7 x 7, as the first and last row of each column.
constexpr int kCheck[7][2] = {{2, 4}, {3, 5}, {4, 6}, {3, 5}, {2, 4}, {1, 3}, {0, 2}};

void drawCheckBox(HDC dc, TRect r, unsigned state) {
    const int side = std::min(r.Width(), r.Height());
    TRect box = Bounds(r.Left + (r.Width() - side) / 2, r.Top + (r.Height() - side) / 2, side, side);
    TRect inner = box;
    if (state & (DFCS_FLAT | DFCS_MONO)) {
        TRect f = box;
        drawEdge(dc, f, BDR_SUNKENOUTER, BF_RECT | BF_MONO | BF_ADJUST);
        if (state & DFCS_FLAT) {
            TRect g = box;
            bevelRing(dc, g, clBtnShadow, clBtnShadow, BF_RECT);
        }
        inner = f;
    } else {
        drawEdge(dc, inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    const bool grey = (state & DFCS_CHECKED) && (state & DFCS_BUTTON3STATE);
    const bool faceFill = (state & (DFCS_PUSHED | DFCS_INACTIVE)) || grey;
    if (!(state & DFCS_TRANSPARENT)) fillColour(dc, inner, faceFill ? clBtnFace : clWindow);
    if (state & DFCS_CHECKED) {
        TColor mark = (state & DFCS_INACTIVE) || grey ? clBtnShadow : clWindowText;
        int x0 = inner.Left + (inner.Width() - 7) / 2, y0 = inner.Top + (inner.Height() - 7) / 2;
        pixelRows(dc, x0, y0, kCheck, 7, mark);
    }
}

void drawRadio(HDC dc, TRect r, unsigned state) {
    const int side = std::min(r.Width(), r.Height());
    TRect box = Bounds(r.Left + (r.Width() - side) / 2, r.Top + (r.Height() - side) / 2, side, side);
    gfx::RoundShape s;
    s.l = box.Left;
    s.t = box.Top;
    s.r = box.Right - 1;
    s.b = box.Bottom - 1;
    s.rx = s.ry = (side - 1) / 2.0;
    gfx::SpanSet ring, inside;
    gfx::ShapeRingAndInside(s, 1, &ring, &inside);
    gfx::Paint p;
    p.color = gfx::ToRgb((state & (DFCS_PUSHED | DFCS_INACTIVE)) ? clBtnFace : clWindow);
    if (!(state & DFCS_TRANSPARENT)) TCanvasAccess::Fill(*dc, inside, p);
    p.color = gfx::ToRgb(clBtnShadow);
    TCanvasAccess::Fill(*dc, ring, p);
    if (state & DFCS_CHECKED) {
        gfx::RoundShape dot = s;
        double in = side / 3.0;
        dot.l += in;
        dot.t += in;
        dot.r -= in;
        dot.b -= in;
        dot.rx = dot.ry = std::max(0.0, (dot.r - dot.l) / 2);
        gfx::SpanSet d;
        gfx::ShapeRingAndInside(dot, 1, &d, &d);
        p.color = gfx::ToRgb((state & DFCS_INACTIVE) ? clBtnShadow : clWindowText);
        TCanvasAccess::Fill(*dc, d, p);
    }
}

// A filled triangle pointing in dir (0 up, 1 down, 2 left, 3 right) centred on (cx, cy).
void arrow(HDC dc, int cx, int cy, int size, int dir, TColor c) {
    const int rows = std::max(2, size);
    for (int i = 0; i < rows; ++i) {
        int half = (dir == 0 || dir == 2) ? i : rows - 1 - i;
        int along = i - rows / 2;
        if (dir <= 1) fillColour(dc, TRect(cx - half, cy + along, cx + half + 1, cy + along + 1), c);
        else fillColour(dc, TRect(cx + along, cy - half, cx + along + 1, cy + half + 1), c);
    }
}

void drawScrollButton(HDC dc, TRect r, unsigned state) {
    const unsigned kind = state & 0xFF;
    if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
        if (!(state & DFCS_TRANSPARENT)) fillColour(dc, r, clBtnFace);
        const int n = std::min(r.Width(), r.Height());
        for (int k = 0; k + 3 < n; k += 4) {
            for (int i = 0; i < n - k; ++i) {
                int x = r.Right - 1 - i, y = r.Bottom - 1 - (n - k - 1 - i);
                fillColour(dc, TRect(x, y, x + 1, y + 1), clBtnHighlight);
                if (i + 1 < n - k) fillColour(dc, TRect(x - 1, y + 1, x, y + 2), clBtnShadow);
                if (i + 2 < n - k) fillColour(dc, TRect(x - 2, y + 2, x - 1, y + 3), clBtnShadow);
            }
        }
        return;
    }
    TRect inner = r;
    const bool pushed = state & DFCS_PUSHED;
    if (state & (DFCS_FLAT | DFCS_MONO)) {
        bevelRing(dc, inner, clBtnShadow, clBtnShadow, BF_RECT);
        shrink(inner, BF_RECT);
    } else if (pushed) {
        bevelRing(dc, inner, clBtnShadow, clBtnShadow, BF_RECT);
        shrink(inner, BF_RECT);
        if (!(state & DFCS_TRANSPARENT)) fillColour(dc, inner, clBtnFace);
    } else {
        drawEdge(dc, inner, EDGE_RAISED, BF_RECT | BF_ADJUST);
    }
    if (!(state & DFCS_TRANSPARENT) && !pushed) fillColour(dc, inner, clBtnFace);
    else if (!(state & DFCS_TRANSPARENT) && (state & (DFCS_FLAT | DFCS_MONO))) fillColour(dc, inner, clBtnFace);
    int dir = kind == DFCS_SCROLLUP ? 0 : kind == DFCS_SCROLLLEFT ? 2 : kind == DFCS_SCROLLRIGHT ? 3 : 1;
    const int side = std::min(r.Width(), r.Height());
    const int size = std::max(2, (side - 4) / 4 + 1);
    int cx = r.Left + (r.Width() - 1) / 2 + (pushed ? 1 : 0);
    int cy = r.Top + (r.Height() - 1) / 2 + (pushed ? 1 : 0);
    if (state & DFCS_INACTIVE) {
        arrow(dc, cx + 1, cy + 1, size, dir, clBtnHighlight);
        arrow(dc, cx, cy, size, dir, clBtnShadow);
    } else {
        arrow(dc, cx, cy, size, dir, clBtnText);
    }
}

void drawPushButton(HDC dc, TRect r, unsigned state) {
    unsigned flags = BF_RECT | BF_ADJUST;
    if (state & DFCS_FLAT) flags |= BF_FLAT;
    if (state & DFCS_MONO) flags |= BF_MONO;
    if (!(state & DFCS_TRANSPARENT)) flags |= BF_MIDDLE;
    drawEdge(dc, r, (state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED, flags);
}

}  // namespace

bool DrawFrameControl(HDC dc, TRect& rect, unsigned kind, unsigned state) {
    if (!dc) return false;
    if (kind != DFC_BUTTON && kind != DFC_SCROLL) return false;
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::DrawFrameControl);
    op.Rect = rect;
    op.Values = {static_cast<int>(kind), static_cast<int>(state)};
    const bool draw = beginOp(dc, std::move(op));
    if (draw) {
        if (kind == DFC_SCROLL) drawScrollButton(dc, rect, state);
        else if (state & DFCS_BUTTONPUSH) drawPushButton(dc, rect, state);
        else if (state & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE)) drawRadio(dc, rect, state);
        else drawCheckBox(dc, rect, state);
        TCanvasAccess::End(*dc);
    }
    if (state & DFCS_ADJUSTRECT) InflateRect(rect, -2, -2);
    return true;
}
