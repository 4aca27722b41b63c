// Button glyphs and their cache, images, tree glyphs, check-box cells and drop-down placement.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/WinApi.h"

#include <cmath>

namespace {

// Three square dots (ellipsis) or the bars of a plus or minus sign, in the text colour, or
// embossed when disabled: the highlight colour one pixel right and down, then the shadow colour.
void drawMarks(HDC dc, const std::vector<TRect>& marks, bool enabled) {
    if (!enabled) {
        for (TRect r : marks) {
            OffsetRect(r, 1, 1);
            FillRectColor(dc, r, clBtnHighlight);
        }
    }
    for (const TRect& r : marks) FillRectColor(dc, r, enabled ? clBtnText : clBtnShadow);
}

// The face behind an ellipsis or a sign; returns the inner rectangle.
TRect drawMarkBackground(HDC dc, TRect r, bool flat, bool pressed) {
    if (flat) {
        FillRectColor(dc, r, clBtnFace);
        InflateRect(r, -1, -1);
        return r;
    }
    TRect e = r;
    DrawEdge(dc, e, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    InflateRect(r, -2, -2);
    return r;
}

void drawEllipsis(HDC dc, const TRect& r, bool flat, bool pressed, bool enabled) {
    const TRect in = drawMarkBackground(dc, r, flat, pressed);
    const int w = in.Width();
    const int dot = w > 7 ? 2 : 1;
    const int gap = w < 12 ? 1 : 2;
    const int p = pressed ? 1 : 0;
    const int x = in.Left + w / 2 - dot / 2 + p, y = in.Top + in.Height() / 2 - dot / 2 + p;
    std::vector<TRect> dots;
    for (int k = -1; k <= 1; ++k) dots.push_back(Bounds(x + k * (dot + gap), y, dot, dot));
    drawMarks(dc, dots, enabled);
}

void drawSign(HDC dc, const TRect& r, bool plus, bool flat, bool pressed, bool enabled) {
    const TRect in = drawMarkBackground(dc, r, flat, pressed);
    const int s = std::min(in.Width(), in.Height());
    int len = std::max(1, s * 4 / 7);
    const int thick = std::max(1, len / 3);
    if (len % 2 != s % 2) len += flat ? -1 : 1;
    if (plus && len % 2 != thick % 2) len += s < 12 ? 1 : -1;
    const int p = pressed ? 1 : 0;
    const int x = in.Left + (in.Width() - len) / 2 + p, y = in.Top + (in.Height() - thick) / 2 + p;
    std::vector<TRect> bars = {Bounds(x, y, len, thick)};
    if (plus) {
        const int d = len / 2 - thick / 2;
        bars.push_back(Bounds(x + d, y - d, thick, len));
    }
    drawMarks(dc, bars, enabled);
}

unsigned frameFlags(bool pressed, bool flat, bool enabled) {
    return (pressed ? DFCS_PUSHED : 0) | (flat ? DFCS_FLAT : 0) | (enabled ? 0 : DFCS_INACTIVE);
}

void drawCheckBox(HDC dc, TRect r, bool flat, bool pressed, bool active, bool enabled, TCheckBoxState state) {
    unsigned st = DFCS_BUTTONCHECK | (pressed ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE);
    if (state == cbChecked) st |= DFCS_CHECKED;
    else if (state == cbGrayed) st |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!flat) {
        DrawFrameControl(dc, r, DFC_BUTTON, st);
        return;
    }
    // Drawn one pixel larger, its own 3D edge falls outside the clip; a one-pixel frame, one pixel
    // inside what was drawn, takes its place.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    TRect big = r;
    InflateRect(big, 1, 1);
    DrawFrameControl(dc, big, DFC_BUTTON, st);
    RestoreDC(dc, saved);
    const TRect frame = r;
    TBrush* b = dc->Brush();
    const TColor old = b->Color();
    b->SetColor(active ? clBtnFace : clBtnShadow);
    dc->FrameRect(frame);
    b->SetColor(old);
}

// One glyph drawn directly so that it fills target: a flat, active button gets a one-pixel edge
// around the glyph's middle; a flat, inactive one shows only the middle (its frame is drawn by
// the caller around target).
void drawGlyph(HDC dc, const TRect& target, const TButtonBitmapInfoGx& k) {
    if (k.Style == bcsCheckboxGx) {
        drawCheckBox(dc, target, k.Flat, k.Pressed, k.Active, k.Enabled, k.CheckState);
        return;
    }
    TRect r = target;
    int saved = 0;
    if (k.Flat) {
        saved = SaveDC(dc);
        if (k.Active) {
            IntersectClipRect(dc, target.Left + 1, target.Top + 1, target.Right - 1, target.Bottom - 1);
            InflateRect(r, 1, 1);
        } else {
            IntersectClipRect(dc, target.Left, target.Top, target.Right, target.Bottom);
            InflateRect(r, 2, 2);
        }
    }
    switch (k.Style) {
    case bcsDropDownGx: DrawFrameControl(dc, r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | frameFlags(k.Pressed, k.Flat, k.Enabled)); break;
    case bcsUpDownGx:
        DrawFrameControl(dc, r, DFC_SCROLL,
                         (k.DownButton == 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) | frameFlags(k.Pressed, k.Flat, k.Enabled));
        break;
    case bcsEllipsisGx: drawEllipsis(dc, r, k.Flat, k.Pressed, k.Enabled); break;
    case bcsPlusGx: drawSign(dc, r, true, k.Flat, k.Pressed, k.Enabled); break;
    case bcsMinusGx: drawSign(dc, r, false, k.Flat, k.Pressed, k.Enabled); break;
    case bcsCheckboxGx: break;
    }
    if (k.Flat) {
        RestoreDC(dc, saved);
        if (k.Active) {
            TRect e = target;
            DrawEdge(dc, e, k.Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
    }
}

// A glyph into target, from the cache or drawn directly.
void paintGlyph(HDC dc, const TRect& target, TButtonBitmapInfoGx key) {
    if (target.Width() <= 0 || target.Height() <= 0) return;
    if (!UseButtonsBitmapCache) {
        drawGlyph(dc, target, key);
        return;
    }
    key.Width = target.Width();
    key.Height = target.Height();
    TBitmap* bmp = ButtonsBitmapCache()->GetButtonBitmap(key);
    const TCopyMode mode = dc->CopyMode();
    dc->SetCopyMode(cmSrcCopy);
    dc->CopyRect(target, bmp->Canvas(), TRect(0, 0, bmp->Width(), bmp->Height()));
    dc->SetCopyMode(mode);
}

}  // namespace

// ---- The cache -----------------------------------------------------------------------------------------

TButtonsBitmapCache::~TButtonsBitmapCache() { Clear(); }

TBitmap* TButtonsBitmapCache::GetButtonBitmap(const TButtonBitmapInfoGx& key) {
    TButtonBitmapInfoGx k = key;
    k.Width = std::max(0, k.Width);
    k.Height = std::max(0, k.Height);
    for (int i = 0; i < Count(); ++i) {
        auto* e = static_cast<TButtonBitmapInfoBitmapGx*>(Items(i));
        if (e->Key == k) return e->Bitmap;
    }
    auto* e = new TButtonBitmapInfoBitmapGx();
    e->Key = k;
    e->Bitmap = new TBitmap(k.Width, k.Height);
    if (k.Width > 0 && k.Height > 0) drawGlyph(e->Bitmap->Canvas(), TRect(0, 0, k.Width, k.Height), k);
    Add(e);
    return e->Bitmap;
}

void TButtonsBitmapCache::Clear() {
    for (int i = 0; i < Count(); ++i) {
        auto* e = static_cast<TButtonBitmapInfoBitmapGx*>(Items(i));
        delete e->Bitmap;
        delete e;
    }
    TObjectList::Clear();
}

void ClearButtonsBitmapCache() { ButtonsBitmapCache()->Clear(); }

// ---- Button glyphs ------------------------------------------------------------------------------------------

void PaintButtonControlGx(HDC dc, TRect rect, TColor parentColor, TDrawButtonControlStyleGx style, int downButtonNum,
                          bool flat, bool active, bool enabled, TCheckBoxState state) {
    ButtonsBitmapCache();  // measured and created on first use
    TButtonBitmapInfoGx key;
    key.Style = style;
    key.Flat = flat;
    key.Active = active;
    key.Enabled = enabled;
    key.CheckState = state;
    if (style == bcsCheckboxGx) {
        // A centred square of the smaller side (an odd remainder off the bottom or right).
        const int side = std::min(rect.Width(), rect.Height());
        TRect box = Bounds(rect.Left + (rect.Width() - side) / 2, rect.Top + (rect.Height() - side) / 2, side, side);
        if (flat) InflateRect(box, -1, -1);
        key.Pressed = downButtonNum != 0;
        paintGlyph(dc, box, key);
        if (flat) {
            TRect e = box;
            InflateRect(e, 1, 1);
            if (active) {
                DrawEdge(dc, e, BDR_SUNKENOUTER, BF_RECT);
            } else {
                const TColor old = dc->Brush()->Color();
                dc->Brush()->SetColor(parentColor);
                dc->FrameRect(e);
                dc->Brush()->SetColor(old);
            }
        }
        return;
    }
    const bool framed = flat && !active;
    auto glyph = [&](TRect r, bool pressed, int half) {
        if (framed) InflateRect(r, -1, -1);
        key.Pressed = pressed;
        key.DownButton = half;
        paintGlyph(dc, r, key);
    };
    if (style == bcsUpDownGx) {
        const int h = rect.Height();
        glyph(TRect(rect.Left, rect.Top, rect.Right, rect.Top + h / 2), downButtonNum == 1, 0);
        glyph(TRect(rect.Left, rect.Bottom - h / 2, rect.Right, rect.Bottom), downButtonNum == 2, 1);
        if (h % 2 != 0 || framed) {
            // The middle row of an odd height, and the rows the insets of flat halves leave.
            const int mid = (rect.Top + rect.Bottom) / 2;
            int top = mid, bottom = h % 2 != 0 ? mid + 1 : mid;
            if (flat) {
                --top;
                ++bottom;
            }
            FillRectColor(dc, TRect(rect.Left, top, rect.Right, bottom), parentColor);
        }
    } else {
        glyph(rect, downButtonNum != 0, 0);
    }
    if (framed) {
        const TColor old = dc->Brush()->Color();
        dc->Brush()->SetColor(parentColor);
        dc->FrameRect(rect);
        dc->Brush()->SetColor(old);
    }
}

void DrawImage(HDC dc, const TRect& rect, TCustomImageList* images, int imageIndex, bool selected) {
    if (!images || !images->HandleAllocated()) return;
    const int x = (rect.Left + rect.Right - images->Width()) / 2;
    const int y = (rect.Top + rect.Bottom - images->Height()) / 2;
    const TRect image = Bounds(x, y, images->Width(), images->Height());
    const bool clip = !(image.Left >= rect.Left && image.Top >= rect.Top && image.Right <= rect.Right && image.Bottom <= rect.Bottom);
    int saved = 0;
    if (clip) {
        saved = SaveDC(dc);
        IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    }
    auto listColor = [](TColor c) { return c == clNone ? CLR_NONE : c == clDefault ? CLR_DEFAULT : ColorToRGB(c); };
    const TColor bk = listColor(images->BkColor());
    const TColor fg = selected ? ColorToRGB(clHighlight) : listColor(images->BlendColor());
    unsigned style = ILD_NORMAL;
    if (images->ImageType() == itMask) style |= ILD_MASK;
    if (selected) style |= ILD_SELECTED;
    images->DrawEx(dc, imageIndex, x, y, 0, 0, bk, fg, style);
    if (clip) RestoreDC(dc, saved);
}

// ---- Tree glyphs --------------------------------------------------------------------------------------------

namespace {
// One-pixel dots every two pixels (the pen's width twice) from (x, y) along the line; dotPhase
// picks which of the two checkerboard phases the dots sit on, so that the dots of neighbouring
// cells line up.
void dottedLine(TCanvas* c, int x, int y, int length, bool horizontal, bool dotPhase) {
    if (length <= 0) return;
    const bool paritiesDiffer = ((x & 1) != 0) != ((y & 1) != 0);
    if (dotPhase != paritiesDiffer) {
        if (horizontal) ++x;
        else ++y;
        --length;
    }
    const int period = 2 * std::max(1, c->Pen()->Width());
    const int count = length / period + (length % 2 != 0 ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const int px = horizontal ? x + i * period : x, py = horizontal ? y : y + i * period;
        c->MoveTo(px, py);
        c->LineTo(horizontal ? px + 1 : px, horizontal ? py : py + 1);
    }
}
}  // namespace

void DrawTreeElement(TCanvas* canvas, const TRect& rect, TTreeElementGx element, bool dotPhase, double scaleX,
                     double scaleY) {
    const int cx = (rect.Left + rect.Right) / 2, cy = (rect.Top + rect.Bottom) / 2;
    auto sx = [&](int n) { return static_cast<int>(std::lround(scaleX * n)); };
    auto sy = [&](int n) { return static_cast<int>(std::lround(scaleY * n)); };
    TPen* pen = canvas->Pen();
    pen->SetStyle(psSolid);
    pen->SetColor(clBtnShadow);
    switch (element) {
    case tgxCrossUpDown:
    case tgxCrossUp:
    case tgxCrossDown:
    case tgxVLine:
        if (element == tgxCrossUpDown || element == tgxVLine) dottedLine(canvas, cx, rect.Top, rect.Height(), false, dotPhase);
        if (element != tgxVLine) dottedLine(canvas, cx, cy, rect.Right - cx, true, dotPhase);
        if (element == tgxCrossDown) dottedLine(canvas, cx, cy, rect.Bottom - cy, false, dotPhase);
        if (element == tgxCrossUp) dottedLine(canvas, cx, rect.Top, cy - rect.Top, false, dotPhase);
        return;
    default: break;
    }
    const bool plus = element == tgxPlusUpDown || element == tgxPlusUp || element == tgxPlusDown;
    const bool up = element == tgxMinusUpDown || element == tgxMinusUp || element == tgxPlusUpDown || element == tgxPlusUp;
    const bool down =
        element == tgxMinusUpDown || element == tgxMinusDown || element == tgxPlusUpDown || element == tgxPlusDown;
    const TRect box(cx - sx(4), cy - sy(4), cx + sx(4) + 1, cy + sy(4) + 1);
    canvas->Brush()->SetColor(clWindow);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Rectangle(box);
    pen->SetColor(clWindowText);
    canvas->MoveTo(box.Left + sx(2), cy);
    canvas->LineTo(box.Right - sx(2), cy);
    if (plus) {
        canvas->MoveTo(cx, box.Top + sy(2));
        canvas->LineTo(cx, box.Bottom - sy(2));
    }
    pen->SetColor(clBtnShadow);
    dottedLine(canvas, box.Right + sx(1), cy, rect.Right - (box.Right + sx(1)), true, dotPhase);
    if (up) dottedLine(canvas, cx, rect.Top, box.Top - rect.Top, false, dotPhase);
    if (down) dottedLine(canvas, cx, box.Bottom + sy(1), rect.Bottom - (box.Bottom + sy(1)), false, dotPhase);
}

// ---- Check-box cells and drop-down placement ------------------------------------------------------------

TRect AdjustCheckBoxRect(const TRect& clientRect, TAlignment alignment, TTextLayout layout) {
    ButtonsBitmapCache();  // the check-box size is measured at start-up
    const int w = std::min(DefaultCheckBoxWidth, clientRect.Width());
    const int h = std::min(DefaultCheckBoxHeight, clientRect.Height());
    int left = clientRect.Left, top = clientRect.Top;
    if (clientRect.Width() > DefaultCheckBoxWidth) {
        if (alignment == taRightJustify) left = clientRect.Right - w;
        else if (alignment == taCenter) left = clientRect.Left + clientRect.Width() / 2 - w / 2;
    }
    if (clientRect.Height() > DefaultCheckBoxHeight) {
        if (layout == tlCenter) top += clientRect.Height() / 2 - h / 2;
        else if (layout == tlBottom) top = clientRect.Bottom - h;
    }
    return Bounds(left, top, w, h);
}

TPoint AlignDropDownWindowRect(const TRect& masterRect, TWinControl* dropDownWindow, TDropDownAlign align) {
    const TRect work = WorkAreaNear(masterRect);
    const int h = dropDownWindow->Height();
    const bool fitsBelow = masterRect.Bottom + h <= work.Bottom;
    const bool fitsAbove = masterRect.Top - h >= work.Top;
    const bool above = (!fitsBelow && fitsAbove) ||
                       (!fitsBelow && !fitsAbove && masterRect.Top - work.Top > work.Bottom - masterRect.Bottom);
    int top;
    if (above) {
        if (!fitsAbove) dropDownWindow->SetHeight(masterRect.Top - work.Top);
        top = masterRect.Top - dropDownWindow->Height();
        dropDownWindow->Perform(CM_SETSIZEGRIPCHANGEPOSITION, sgcpToTop);
    } else {
        if (!fitsBelow) dropDownWindow->SetHeight(work.Bottom - masterRect.Bottom);
        top = masterRect.Bottom;
        dropDownWindow->Perform(CM_SETSIZEGRIPCHANGEPOSITION, sgcpToBottom);
    }
    int x = masterRect.Left;
    if (align == daRight) x -= dropDownWindow->Width() - masterRect.Width();
    else if (align == daCenter) x -= (dropDownWindow->Width() - masterRect.Width()) / 2;
    if (work.Width() < dropDownWindow->Width()) dropDownWindow->SetWidth(work.Width());
    if (x + dropDownWindow->Width() > work.Right) {
        x = work.Right - dropDownWindow->Width();
        dropDownWindow->Perform(CM_SETSIZEGRIPCHANGEPOSITION, sgcpToLeft);
    } else if (x < work.Left) {
        x = work.Left;
        dropDownWindow->Perform(CM_SETSIZEGRIPCHANGEPOSITION, sgcpToRight);
    } else {
        dropDownWindow->Perform(CM_SETSIZEGRIPCHANGEPOSITION, align == daRight ? sgcpToLeft : sgcpToRight);
    }
    return TPoint(x, top);
}

TPoint AlignDropDownWindow(TControl* master, TWinControl* dropDownWindow, TDropDownAlign align) {
    TRect r = master->BoundsRect();
    if (TWinControl* p = master->Parent()) {
        const TPoint tl = p->ClientToScreen(TPoint(r.Left, r.Top));
        r = Bounds(tl.x, tl.y, r.Width(), r.Height());
    }
    return AlignDropDownWindowRect(r, dropDownWindow, align);
}
