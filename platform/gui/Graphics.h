// Colours, pens, brushes, fonts, the drawing canvas and bitmaps.
//
// Everything the screens, widgets, charts and the grid draw goes through TCanvas. The canvas keeps
// the drawing rules of the Windows graphics layer the drawing code was written against, so that the
// pixel arithmetic of that code comes out the same here:
//   - Rectangle, Ellipse, RoundRect, FillRect leave out the right and bottom edge; reversed corners
//     are put in order (FillRect with a reversed rectangle draws nothing);
//   - LineTo leaves out its end pixel and keeps a pen position; Polyline does not use it;
//   - polygons fill with the alternate (odd-even) rule unless SetPolyFillMode says otherwise;
//   - Arc, Pie and Chord run counter-clockwise from the radial line through the start point to the
//     one through the end point;
//   - pens wider than one pixel are solid whatever their style, with round caps and joins;
//     psInsideFrame keeps the outline inside the box; psClear draws no outline;
//   - pen modes combine the pen colour with the picture (pmXor, pmNotXor: drawing twice restores);
//   - text is placed by its top-left corner, rotated by the font's Orientation (tenths of a degree,
//     counter-clockwise) about that corner; the background mode decides whether the text cell is
//     filled first.
// Shapes are never antialiased; coordinates are whole pixels at 96 dots per inch.
//
// A canvas draws on a device: a bitmap's image, a control's painter while it paints (see
// gui/QtGraphicsInternal.h), or nothing at all when a recorder is attached (geometry tests).
#pragma once

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/Types.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

// ---- Colours -------------------------------------------------------------------------------------
// 0x00BBGGRR. System colours are 0x80000000 | the system colour index and resolve through
// ColorToRGB; clNone and clDefault are markers, not colours.
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// System colour indexes.
enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
    COLOR_ENDCOLORS = 30,
    COLOR_3DFACE = COLOR_BTNFACE,
    COLOR_3DSHADOW = COLOR_BTNSHADOW,
    COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
    COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
    COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT,
};

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// Returned by GetPixel and Pixels() for a point outside the picture.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);
constexpr TColor CLR_NONE = static_cast<TColor>(0xFFFFFFFFu);
constexpr TColor CLR_DEFAULT = static_cast<TColor>(0xFF000000u);

// The RGB value of a colour: system colours are looked up, clNone gives black, clDefault white
// (the window background), other values are masked to their low 24 bits.
TColor ColorToRGB(TColor c);
// The RGB value of a system colour index (COLOR_*); 0 for an unknown index.
TColor GetSysColor(int index);
// Changes the value of a system colour for the whole process (the look the controls follow).
void SetSysColor(int index, TColor rgb);
// "clRed" for a named or system colour, otherwise "$00BBGGRR".
AnsiString ColorToString(TColor c);
// A colour name ("clRed", any case) or an integer text ("$00FF00FF", "255"); EConvertError otherwise.
TColor StringToColor(const AnsiString& s);
bool IdentToColor(const AnsiString& ident, TColor& c);
bool ColorToIdent(TColor c, AnsiString& ident);

// ---- Graphics objects ----------------------------------------------------------------------------
class TCanvas;
class TGraphic;
class TBitmap;

// Common base of pen, brush and font: a change fires OnChange, which the canvas and the widgets
// that own the object listen to.
class TGraphicsObject : public TPersistent {
    PLANTMON_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

// Ends of lines drawn with a pen wider than one pixel: round (the default), square (half the width
// beyond the end) or flat (cut at the end point). Joins are always round.
enum TPenEndCap { pecRound, pecSquare, pecFlat };

// Defaults: black, width 1, psSolid, pmCopy, round ends.
class TPen : public TGraphicsObject {
    PLANTMON_CLASS(TPen, TGraphicsObject)
public:
    TPen() = default;
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor c);
    int Width() const noexcept { return width_; }
    void SetWidth(int w);  // values below 1 count as 1 when drawing
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle s);
    TPenMode Mode() const noexcept { return mode_; }
    void SetMode(TPenMode m);
    TPenEndCap EndCap() const noexcept { return endCap_; }
    void SetEndCap(TPenEndCap c);
    void Assign(TPersistent* source) override;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    TPenEndCap endCap_ = pecRound;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Defaults: white, bsSolid, no pattern. A pattern bitmap (SetBitmap) takes the place of colour and
// style while it is set; the brush does not own it, and forgets it when the bitmap is freed.
class TBrush : public TGraphicsObject {
    PLANTMON_CLASS(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor c);  // a solid colour on a clear brush makes it solid again
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle s);
    TBitmap* Bitmap() const;
    void SetBitmap(TBitmap* b);
    void Assign(TPersistent* source) override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
    std::weak_ptr<int> bitmapAlive_;
};

// ---- Fonts ---------------------------------------------------------------------------------------
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles. `s << fsBold` gives a copy with the style added, `s >> fsBold` without it.
class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> l) {
        for (TFontStyle s : l) bits_ |= 1u << s;
    }
    constexpr bool Contains(TFontStyle s) const { return (bits_ & (1u << s)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TFontStyles operator<<(TFontStyle s) const { TFontStyles r(*this); r.bits_ |= 1u << s; return r; }
    constexpr TFontStyles operator>>(TFontStyle s) const { TFontStyles r(*this); r.bits_ &= ~(1u << s); return r; }
    constexpr TFontStyles& Include(TFontStyle s) { bits_ |= 1u << s; return *this; }
    constexpr TFontStyles& Exclude(TFontStyle s) { bits_ &= ~(1u << s); return *this; }
    // Bit i is style i (fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8): the stored form.
    constexpr int ToInt() const { return static_cast<int>(bits_); }
    static constexpr TFontStyles FromInt(int v) { TFontStyles r; r.bits_ = static_cast<unsigned>(v) & 0xF; return r; }
    friend constexpr bool operator==(const TFontStyles&, const TFontStyles&) = default;

private:
    unsigned bits_ = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = std::uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset OEM_CHARSET = 255;

// Weights of a logical font.
constexpr int FW_DONTCARE = 0, FW_THIN = 100, FW_LIGHT = 300, FW_NORMAL = 400, FW_MEDIUM = 500,
              FW_SEMIBOLD = 600, FW_BOLD = 700, FW_HEAVY = 900;
// Pitch and family of a logical font (low bits pitch, high bits family).
constexpr int DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;
constexpr int FF_DONTCARE = 0x00, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30, FF_SCRIPT = 0x40,
              FF_DECORATIVE = 0x50;
constexpr int LF_FACESIZE = 32;

// A logical font record, as the drawing code builds one for rotated or specially weighted text.
// Height < 0: character (em) height in pixels; > 0: cell height; 0: a default size.
// Escapement/Orientation: tenths of a degree, counter-clockwise.
struct TLogFont {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0;
    int lfOrientation = 0;
    int lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};  // zero-terminated, at most 31 bytes of name

    // Copies at most 31 bytes of name (cut at a whole UTF-8 character) into lfFaceName.
    void SetFaceName(const AnsiString& name);
    AnsiString FaceName() const;
};
using LOGFONT = TLogFont;

// A created font. It lives as long as a TFont or a caller holds it; DeleteObject only lets go of
// the caller's reference.
using HFONT = std::shared_ptr<const TLogFont>;
HFONT CreateFontIndirect(const TLogFont& lf);
inline void DeleteObject(HFONT& f) { f.reset(); }

// Defaults: "MS Sans Serif", 8 points (Height -11), clWindowText, no style, DEFAULT_CHARSET.
// Size is in points and Height in pixels of the font's device (Height = -Size * PixelsPerInch / 72,
// rounded); a font starts at the screen's 96 pixels per inch. A printer canvas gives its font the
// printer's resolution, so Size there gives printer pixels.
class TFont : public TGraphicsObject {
    PLANTMON_CLASS(TFont, TGraphicsObject)
public:
    TFont();
    static constexpr int ScreenPixelsPerInch = 96;
    int PixelsPerInch() const noexcept { return ppi_; }
    // Changes the resolution only; Height stays, so Size reads differently afterwards.
    void SetPixelsPerInch(int ppi);

    AnsiString Name() const;
    void SetName(const AnsiString& name);
    int Size() const;
    void SetSize(int points);
    int Height() const;
    void SetHeight(int pixels);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor c);
    TFontStyles Style() const;
    void SetStyle(TFontStyles s);
    TFontCharset Charset() const;
    void SetCharset(TFontCharset c);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch p);
    // Angle of the text in tenths of a degree, counter-clockwise.
    int Orientation() const;
    void SetOrientation(int tenths);

    // The weight drawn with: the logical font's weight when a handle was set, else 700 for bold
    // and 400 otherwise.
    int Weight() const;
    // The logical font this font stands for. Fonts with the same face, size, style, charset,
    // pitch and orientation share one handle (colour is not part of it), so comparing handles
    // compares fonts. Setting a handle makes the font draw exactly that logical font (weight 600,
    // script family...); Name, Height, Style, Charset, Pitch and Orientation then read from it.
    // Changing any of them (not Color) drops the handle.
    HFONT Handle() const;
    void SetHandle(HFONT h);

    // Copies another font; from a font of another resolution the size in points is taken over, so
    // the text keeps its size on this font's device.
    void Assign(TPersistent* source) override;
    bool Equals(const TFont& other) const;

private:
    void dropHandle();
    AnsiString name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
    int ppi_ = ScreenPixelsPerInch;
    HFONT handle_;  // set only by SetHandle
    // The shared handle last found for the plain properties; used again while they still match
    // it (the lookup builds a key and takes a lock, and grids ask once per cell).
    mutable HFONT interned_;
};

// The installed face that stands for a font name of the drawing code ("Arial" → "Liberation Sans",
// "Times New Roman" → "Liberation Serif", "Courier New" → "Liberation Mono", "MS Sans Serif" →
// "Liberation Sans"); other names are returned unchanged.
AnsiString ResolveFontFamily(const AnsiString& name);

// ---- Text metrics --------------------------------------------------------------------------------
struct TTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    int tmOverhang = 0;
    int tmDigitizedAspectX = 96;
    int tmDigitizedAspectY = 96;
    char tmFirstChar = 0x20;
    char tmLastChar = static_cast<char>(0xFF);
    char tmDefaultChar = '?';
    char tmBreakChar = ' ';
    std::uint8_t tmItalic = 0;
    std::uint8_t tmUnderlined = 0;
    std::uint8_t tmStruckOut = 0;
    std::uint8_t tmPitchAndFamily = 0;
    std::uint8_t tmCharSet = 0;
};
using TEXTMETRIC = TTextMetric;

struct TOutlineTextMetric {
    unsigned otmSize = sizeof(TOutlineTextMetric);
    TTextMetric otmTextMetrics;
    unsigned otmEMSquare = 0;
    int otmsCharSlopeRise = 1;  // slope of italic text: rise over run (run 0 for upright text)
    int otmsCharSlopeRun = 0;
    int otmItalicAngle = 0;     // tenths of a degree, negative leans right
    int otmAscent = 0;
    int otmDescent = 0;
    int otmLineGap = 0;
};
using OUTLINETEXTMETRIC = TOutlineTextMetric;

// ---- Regions (clip shapes) -----------------------------------------------------------------------
// A set of pixels made of rectangles.
class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const TRect& r);
    bool IsEmpty() const { return rects_.empty(); }
    TRect BoundsRect() const;
    bool Contains(TPoint p) const;
    const std::vector<TRect>& Rects() const { return rects_; }
    void Intersect(const TRect& r);
    void Intersect(const TRegion& other);
    void Subtract(const TRect& r);
    void Unite(const TRect& r);
    void Offset(int dx, int dy);
    friend bool operator==(const TRegion& a, const TRegion& b);

private:
    std::vector<TRect> rects_;  // disjoint
};
using HRGN = std::shared_ptr<TRegion>;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const TRect& r);
// The pixels inside the polygon by the given fill mode (ALTERNATE or WINDING).
HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode);
inline void DeleteObject(HRGN& r) { r.reset(); }

// ---- Canvas --------------------------------------------------------------------------------------
enum TFillStyle { fsSurface, fsBorder };
enum TFillMode { fmAlternate, fmWinding };
using TCopyMode = std::uint32_t;

// Raster operations of CopyRect/BitBlt (pattern = brush, source, destination).
constexpr TCopyMode cmBlackness = 0x00000042, cmDstInvert = 0x00550009, cmMergeCopy = 0x00C000CA,
                    cmMergePaint = 0x00BB0226, cmNotSrcCopy = 0x00330008, cmNotSrcErase = 0x001100A6,
                    cmPatCopy = 0x00F00021, cmPatInvert = 0x005A0049, cmPatPaint = 0x00FB0A09,
                    cmSrcAnd = 0x008800C6, cmSrcCopy = 0x00CC0020, cmSrcErase = 0x00440328,
                    cmSrcInvert = 0x00660046, cmSrcPaint = 0x00EE0086, cmWhiteness = 0x00FF0062;
constexpr TCopyMode BLACKNESS = cmBlackness, DSTINVERT = cmDstInvert, MERGECOPY = cmMergeCopy,
                    MERGEPAINT = cmMergePaint, NOTSRCCOPY = cmNotSrcCopy, NOTSRCERASE = cmNotSrcErase,
                    PATCOPY = cmPatCopy, PATINVERT = cmPatInvert, PATPAINT = cmPatPaint, SRCAND = cmSrcAnd,
                    SRCCOPY = cmSrcCopy, SRCERASE = cmSrcErase, SRCINVERT = cmSrcInvert,
                    SRCPAINT = cmSrcPaint, WHITENESS = cmWhiteness;

// Background modes and polygon fill modes.
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int ALTERNATE = 1, WINDING = 2;

// Pen modes as raster operations of two operands (SetROP2).
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5,
              R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11,
              R2_MERGENOTPEN = 12, R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;

// Text alignment of TextOut (SetTextAlign).
constexpr unsigned TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;

class TCanvasDevice;
class TCanvasRecorder;
struct TCanvasLock;
class TCanvas;
// A device context is its canvas.
using HDC = TCanvas*;

class TCanvas : public TPersistent {
    PLANTMON_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // ---- Drawing state
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p) { pen_->Assign(p); }
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b) { brush_->Assign(b); }
    TFont* Font() const noexcept { return font_.get(); }
    void SetFont(TFont* f) { font_->Assign(f); }
    TPoint PenPos() const noexcept { return penPos_; }
    void SetPenPos(TPoint p) { penPos_ = p; }
    TCopyMode CopyMode() const noexcept { return copyMode_; }
    void SetCopyMode(TCopyMode m) { copyMode_ = m; }
    // The area drawing reaches: the device bounds within the clip region (empty without a device).
    TRect ClipRect() const;
    // The canvas itself stands for its device context.
    HDC Handle() { RequireDevice(); return this; }
    // True while a device (image, painter) or a recorder is attached.
    bool HandleAllocated() const noexcept;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Serialises drawing from several threads (the class library's canvas lock).
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const noexcept { return lockCount_; }

    // ---- Lines and shapes
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const TPoint* points, int count);
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), static_cast<int>(points.size())); }
    void Polyline(std::initializer_list<TPoint> points) { Polyline(points.begin(), static_cast<int>(points.size())); }
    // Several polylines at once: counts[i] points each.
    void PolyPolyline(const TPoint* points, const int* counts, int polylines);
    // Cubic Bézier curves: 1 + 3n points (start, then two control points and an end per curve).
    void PolyBezier(const TPoint* points, int count);
    void PolyBezier(const std::vector<TPoint>& points) { PolyBezier(points.data(), static_cast<int>(points.size())); }
    void Polygon(const TPoint* points, int count);
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), static_cast<int>(points.size())); }
    void Polygon(std::initializer_list<TPoint> points) { Polygon(points.begin(), static_cast<int>(points.size())); }
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Brush only, no outline; a reversed rectangle draws nothing.
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush.
    void FrameRect(const TRect& r);
    // The dotted focus frame; drawing it twice removes it.
    void DrawFocusRect(const TRect& r);
    // Fills with the brush every 4-connected pixel from (x, y) that has exactly colour
    // (fsSurface), or that is not colour (fsBorder).
    void FloodFill(int x, int y, TColor colour, TFillStyle style);

    // ---- Pixels
    TColor Pixels(int x, int y);  // CLR_INVALID outside the picture or without a readable device
    void SetPixels(int x, int y, TColor c);

    // ---- Text
    // Writes text with its top-left corner at (x, y) (see SetTextAlign), rotated by the font's
    // Orientation; PenPos moves to (x + TextWidth, y).
    void TextOut(int x, int y, const AnsiString& text);
    // TextOut clipped to r; with a brush that is not clear, r is filled first.
    void TextRect(const TRect& r, int x, int y, const AnsiString& text);
    TSize TextExtent(const AnsiString& text);
    int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
    int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }

    // ---- Pictures
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    // Copies source's srcRect onto destRect with CopyMode, stretching when the sizes differ
    // (nearest pixel); a reversed rectangle mirrors.
    void CopyRect(const TRect& destRect, TCanvas* source, const TRect& srcRect);
    // Copies source onto destRect, with the brush colour replacing the pixels of colour transparent.
    void BrushCopy(const TRect& destRect, TBitmap* source, const TRect& srcRect, TColor transparent);

    // ---- Device context state (the Windows drawing functions below work on these)
    int BkMode() const noexcept { return bkMode_; }
    void SetBkMode(int mode);            // TRANSPARENT or OPAQUE; reset by the next brush change
    TColor BkColor() const noexcept { return bkColor_; }
    void SetBkColor(TColor c);           // reset by the next brush change
    TColor TextColor() const noexcept { return textColor_; }
    void SetTextColor(TColor c);         // reset by the next font change
    int ROP2() const;                    // the pen mode as R2_*
    void SetROP2(int rop2);              // sets Pen()->Mode
    int PolyFillMode() const noexcept { return polyFillMode_; }
    void SetPolyFillMode(int mode);      // ALTERNATE or WINDING
    unsigned TextAlign() const noexcept { return textAlign_; }
    void SetTextAlign(unsigned align);
    TPoint BrushOrigin() const noexcept { return brushOrigin_; }
    void SetBrushOrigin(TPoint p) { brushOrigin_ = p; }

    // Clip region. Without a clip region drawing reaches the whole device.
    bool HasClipRegion() const noexcept { return hasClip_; }
    const TRegion& ClipRegion() const noexcept { return clip_; }
    void SetClipRegion(const TRegion* r);   // nullptr removes the clip region
    void IntersectClipRect(const TRect& r);
    void ExcludeClipRect(const TRect& r);
    // Saves clip region, background mode and colour, text colour and alignment and fill mode;
    // returns the level to give RestoreDC (a negative level counts back from the newest).
    int SaveDC();
    bool RestoreDC(int level);

    // ---- Devices and test recording
    // The device this canvas draws on (nullptr when none). With owned set the canvas frees it when
    // it is replaced or the canvas goes. Changing the device resets the clip region and saved states.
    TCanvasDevice* Device() const noexcept { return device_; }
    void SetDevice(TCanvasDevice* d, bool owned = false);
    bool OwnsDevice() const noexcept { return ownsDevice_; }
    // Lets go of the device without freeing it (the caller takes it over).
    void ReleaseDevice() noexcept { device_ = nullptr; ownsDevice_ = false; }
    // While a recorder is attached every primitive is logged with the pen, brush and font in force;
    // when the recorder asks for it, text metrics follow its fixed rule instead of the font.
    // A canvas without a recorder of its own uses the default recorder (SetDefaultCanvasRecorder).
    TCanvasRecorder* Recorder() const noexcept;
    void SetRecorder(TCanvasRecorder* r) { recorder_ = r; }
    // The size of the device (0 x 0 without one).
    TSize DeviceSize() const;

protected:
    // Called before drawing when no device is attached; a canvas of a control binds its device
    // here. Without a device afterwards drawing raises EInvalidOperation.
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();
    // Ensures a device (or recorder) for drawing.
    void RequireDevice();

private:
    friend struct TCanvasAccess;
    void penChanged(TObject*);
    void brushChanged(TObject*);
    void fontChanged(TObject*);

    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TFont> font_;
    TPoint penPos_;
    TCopyMode copyMode_ = cmSrcCopy;
    int bkMode_ = OPAQUE;
    TColor bkColor_ = clWhite;
    TColor textColor_ = clWindowText;
    int polyFillMode_ = ALTERNATE;
    unsigned textAlign_ = TA_LEFT | TA_TOP;
    TPoint brushOrigin_;
    bool hasClip_ = false;
    TRegion clip_;
    struct SavedState;
    std::vector<SavedState> saved_;
    TCanvasDevice* device_ = nullptr;
    bool ownsDevice_ = false;
    TCanvasRecorder* recorder_ = nullptr;
    int lockCount_ = 0;
    std::unique_ptr<TCanvasLock> lock_;
};

// ---- Test recording ------------------------------------------------------------------------------
// One logged canvas call.
enum class TCanvasOpKind {
    MoveTo, LineTo, Polyline, PolyPolyline, PolyBezier, Polygon, Rectangle, RoundRect, Ellipse, Arc, Pie,
    Chord, FillRect, FrameRect, DrawFocusRect, FloodFill, SetPixel, TextOut, TextRect, ExtTextOut, DrawText,
    Draw, StretchDraw, CopyRect, DrawEdge, DrawFrameControl
};

struct TCanvasOp {
    TCanvasOpKind Kind{};
    std::vector<TPoint> Points;   // corner points, line ends, polygon vertices, arc radial points
    TRect Rect;                   // the box of shapes, text and pictures (normalised as given)
    AnsiString Text;              // text drawn
    std::vector<int> Values;      // extra arguments: counts, flags, colours, corner sizes
    // The state in force.
    TColor PenColor = 0;
    int PenWidth = 1;
    TPenStyle PenStyle = psSolid;
    TPenMode PenMode = pmCopy;
    TColor BrushColor = 0;
    TBrushStyle BrushStyle = bsSolid;
    bool BrushHasBitmap = false;
    AnsiString FontName;
    int FontHeight = 0;
    int FontWeight = 0;
    TFontStyles FontStyle;
    TColor FontColor = 0;
    int FontOrientation = 0;
    int BkMode = OPAQUE;
    // One line such as "LineTo (1,5)-(99,5)" for failure messages.
    AnsiString ToString() const;
};

// Logs the canvas calls made while it is attached (TCanvas::SetRecorder). By default the canvas
// draws nothing else and measures text by the fixed rule: CharWidth pixels per character
// (UTF-8 code point) and LineHeight pixels high, so geometry tests need no fonts.
class TCanvasRecorder {
public:
    bool FixedMetrics = true;
    int CharWidth = 7;
    int LineHeight = 13;
    // The leadings the fixed rule reports in the text metrics (tmInternalLeading, tmExternalLeading).
    int InternalLeading = 0;
    int ExternalLeading = 0;
    // When set, the canvas also draws on its device as usual.
    bool PassThrough = false;

    std::vector<TCanvasOp> Ops;
    void Clear() { Ops.clear(); }
    int Count() const { return static_cast<int>(Ops.size()); }
    // The logged calls of one kind, in order.
    std::vector<TCanvasOp> OfKind(TCanvasOpKind k) const;
    // All calls, one per line.
    AnsiString Dump() const;
};

// Test support: a recorder for every canvas that has none of its own, including the off-screen
// bitmaps a widget draws on internally (nullptr: none). Returns the previous one. GUI thread only.
TCanvasRecorder* SetDefaultCanvasRecorder(TCanvasRecorder* r);

// A canvas with no device that logs every call and measures text by the fixed rule.
class TRecordingCanvas : public TCanvas {
    PLANTMON_CLASS(TRecordingCanvas, TCanvas)
public:
    // size: the pretended device size (ClipRect).
    explicit TRecordingCanvas(TSize size = TSize(1000, 1000));
    ~TRecordingCanvas() override;
    TCanvasRecorder& Log() noexcept { return *log_; }
    const std::vector<TCanvasOp>& Ops() const noexcept { return log_->Ops; }

private:
    std::unique_ptr<TCanvasRecorder> log_;
};

// ---- Pictures ------------------------------------------------------------------------------------
class TGraphic : public TPersistent {
    PLANTMON_CLASS(TGraphic, TPersistent)
public:
    TGraphic();
    ~TGraphic() override;
    virtual int Width() const = 0;
    virtual void SetWidth(int w) = 0;
    virtual int Height() const = 0;
    virtual void SetHeight(int h) = 0;
    virtual bool Empty() const = 0;
    virtual void LoadFromFile(const AnsiString& fileName) = 0;
    virtual void SaveToFile(const AnsiString& fileName) = 0;
    bool Transparent() const noexcept { return transparent_; }
    virtual void SetTransparent(bool t);
    bool Modified() const noexcept { return modified_; }
    void SetModified(bool m);
    TNotifyEvent OnChange;

    // Draws the picture stretched into r (used by TCanvas::Draw/StretchDraw).
    virtual void DrawOn(TCanvas* canvas, const TRect& r) = 0;
    // A token that expires when the graphic is freed (brushes keep pattern bitmaps by it).
    std::weak_ptr<int> AliveToken() const { return alive_; }

protected:
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
    std::shared_ptr<int> alive_;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

struct TBitmapImage;  // the pixels (a QImage) — gui/QtGraphicsInternal.h reaches them

// An off-screen picture with a canvas. New pixels are white; resizing keeps the top-left part.
class TBitmap : public TGraphic {
    PLANTMON_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;

    int Width() const override;
    void SetWidth(int w) override;
    int Height() const override;
    void SetHeight(int h) override;
    void SetSize(int w, int h);
    bool Empty() const override;
    TCanvas* Canvas();
    TPixelFormat PixelFormat() const noexcept { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat f);  // kept for saving; drawing is always 32-bit
    bool Monochrome() const noexcept { return pixelFormat_ == pf1bit; }
    void SetMonochrome(bool m);

    // With tmAuto the transparent colour is the bottom-left pixel; with tmFixed the one set.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor c);  // also switches to tmFixed
    TTransparentMode TransparentMode() const noexcept { return transparentMode_; }
    void SetTransparentMode(TTransparentMode m);

    // BMP (and PNG) files. Load raises EInvalidGraphic for a file it cannot read; SaveToFile writes
    // PNG when the name ends in ".png" (any case), otherwise BMP.
    void LoadFromFile(const AnsiString& fileName) override;
    void SaveToFile(const AnsiString& fileName) override;
    void SaveToFile(const AnsiString& fileName, const AnsiString& format);  // "BMP" or "PNG"
    // A picture registered under name (RegisterImageResource); EResNotFound when there is none.
    void LoadFromResourceName(const AnsiString& name);
    void Assign(TPersistent* source) override;
    // Frees the pixels (0 x 0).
    void FreeImage() { SetSize(0, 0); }

    // Raw access to row y: Width() pixels of 32 bits, bytes B, G, R, unused.
    std::uint32_t* ScanLine(int y);

    void DrawOn(TCanvas* canvas, const TRect& r) override;

    TBitmapImage& Image() noexcept { return *image_; }
    const TBitmapImage& Image() const noexcept { return *image_; }
    // Tells the bitmap its pixels were changed from outside its canvas.
    void PixelsChanged() { Changed(); }

private:
    void rebindCanvas();
    // Takes a picture just read from a file or a resource; EInvalidGraphic when nothing was read.
    void takeLoaded(TBitmapImage& loaded);
    std::unique_ptr<TBitmapImage> image_;
    std::unique_ptr<TCanvas> canvas_;
    std::unique_ptr<TCanvasDevice> device_;
    int width_ = 0;  // kept apart from the pixels: a bitmap may be 0 x 10
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
};

// A recorded page: the drawing done on a TMetafileCanvas, kept as commands and replayed on any
// canvas. It is recorded in the pixels of its reference device (a printer page at 600 dpi is
// recorded at 600 dpi) and Width x Height is that page; Draw replays it 1:1 in those units and
// StretchDraw scales it into the rectangle, whatever the resolution of the canvas drawn on.
struct TMetafileImage;
class TMetafile : public TGraphic {
    PLANTMON_CLASS(TMetafile, TGraphic)
public:
    TMetafile();
    ~TMetafile() override;
    int Width() const override { return width_; }
    void SetWidth(int w) override;
    int Height() const override { return height_; }
    void SetHeight(int h) override;
    bool Empty() const override;
    // The resolution the page was recorded at (96 until a canvas records it).
    int PixelsPerInchX() const noexcept { return ppiX_; }
    int PixelsPerInchY() const noexcept { return ppiY_; }
    void SetPixelsPerInch(int x, int y);
    void Clear();
    // The program's own picture file (not an enhanced metafile).
    void LoadFromFile(const AnsiString& fileName) override;
    void SaveToFile(const AnsiString& fileName) override;
    void DrawOn(TCanvas* canvas, const TRect& r) override;
    TMetafileImage& Image() noexcept { return *image_; }

private:
    friend class TMetafileCanvas;
    std::unique_ptr<TMetafileImage> image_;
    int width_ = 0;
    int height_ = 0;
    int ppiX_ = 96;
    int ppiY_ = 96;
};

// Records into a metafile until it is freed. reference: the device the page is meant for (its
// resolution, page size and GetDeviceCaps answers; a printer's canvas); without one the metafile's
// own size and resolution. Recording starts afresh: what the metafile held is dropped.
class TMetafileCanvas : public TCanvas {
    PLANTMON_CLASS(TMetafileCanvas, TCanvas)
public:
    TMetafileCanvas(TMetafile* metafile, HDC reference);
    ~TMetafileCanvas() override;

private:
    TMetafile* metafile_;
    struct Recording;
    std::unique_ptr<Recording> rec_;
};

// Pictures compiled into the program, found by name (LoadFromResourceName); data is the bytes of a
// BMP or PNG file. Registering a name again replaces it.
void RegisterImageResource(const AnsiString& name, const unsigned char* data, std::size_t size);
bool ImageResourceExists(const AnsiString& name);

PLANTMON_EXCEPTION(EInvalidGraphic, Exception);
PLANTMON_EXCEPTION(EResNotFound, Exception);

// A picture of any supported kind (here: bitmaps, loaded from BMP, PNG, JPEG files).
class TPicture : public TPersistent {
    PLANTMON_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;
    TGraphic* Graphic() const noexcept { return graphic_.get(); }
    void SetGraphic(TGraphic* g);  // copies g
    // The picture as a bitmap; creates an empty one when the picture holds nothing.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* b) { SetGraphic(b); }
    int Width() const;
    int Height() const;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName);
    void Assign(TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    void graphicChanged(TObject*);
    std::unique_ptr<TGraphic> graphic_;
};

// ---- Windows drawing functions on a device context ----------------------------------------------
// A device context for measuring as the screen does, with the system font (a sans face with
// 16-pixel cells) selected; drawing on it changes nothing. GUI thread only.
HDC GetScreenDC();

// DrawText / DrawTextEx flags.
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                   DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
                   DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400,
                   DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
                   DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
                   DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000,
                   DT_HIDEPREFIX = 0x100000, DT_PREFIXONLY = 0x200000;

struct TDrawTextParams {
    unsigned cbSize = sizeof(TDrawTextParams);
    int iTabLength = 0;      // in average character widths (0: 8)
    int iLeftMargin = 0;     // pixels
    int iRightMargin = 0;    // pixels
    unsigned uiLengthDrawn = 0;
};
using DRAWTEXTPARAMS = TDrawTextParams;

// Text in rect by flags; returns the height of the text (with DT_VCENTER or DT_BOTTOM: the offset
// from rect.Top to the bottom of the text), 0 on failure. With DT_CALCRECT nothing is drawn and rect
// becomes the box the text needs. count < 0: the whole text.
int DrawText(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format);
int DrawTextEx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format,
               TDrawTextParams* params);

// ExtTextOut options.
constexpr unsigned ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_RTLREADING = 0x80;
bool ExtTextOut(HDC dc, int x, int y, unsigned options, const TRect* rect, const AnsiString& text, int count = -1);
bool TextOut(HDC dc, int x, int y, const AnsiString& text, int count = -1);
bool GetTextExtentPoint32(HDC dc, const AnsiString& text, int count, TSize& size);
bool GetTextMetrics(HDC dc, TTextMetric& tm);
// Returns the size of the record filled (0 on failure).
unsigned GetOutlineTextMetrics(HDC dc, unsigned size, TOutlineTextMetric* otm);

// DrawEdge edges and sides.
constexpr unsigned BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
                   BDR_OUTER = 0x3, BDR_INNER = 0xC, BDR_RAISED = 0x5, BDR_SUNKEN = 0xA;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
                   EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_TOPLEFT = 0x3,
                   BF_TOPRIGHT = 0x6, BF_BOTTOMLEFT = 0x9, BF_BOTTOMRIGHT = 0xC, BF_RECT = 0xF,
                   BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000;
// The classic bevel: up to two one-pixel rings (outer, then inner) on the sides asked for; the
// light colour owns the top and left lines, the dark one the bottom and right lines with their
// corners. BF_MIDDLE fills the inside with clBtnFace, BF_ADJUST shrinks rect to the inside.
bool DrawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags);

// DrawFrameControl kinds and states.
constexpr unsigned DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4;
constexpr unsigned DFCS_BUTTONCHECK = 0x0, DFCS_BUTTONRADIOIMAGE = 0x1, DFCS_BUTTONRADIOMASK = 0x2,
                   DFCS_BUTTONRADIO = 0x4, DFCS_BUTTON3STATE = 0x8, DFCS_BUTTONPUSH = 0x10;
constexpr unsigned DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
                   DFCS_SCROLLCOMBOBOX = 0x5, DFCS_SCROLLSIZEGRIP = 0x8, DFCS_SCROLLSIZEGRIPRIGHT = 0x10;
constexpr unsigned DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_TRANSPARENT = 0x800,
                   DFCS_HOT = 0x1000, DFCS_ADJUSTRECT = 0x2000, DFCS_FLAT = 0x4000, DFCS_MONO = 0x8000;
// Classic push buttons, check boxes (unchecked, checked, grey three-state), radio buttons, and
// scroll-bar arrow buttons (up, down, left, right, combo-box drop-down).
bool DrawFrameControl(HDC dc, TRect& rect, unsigned kind, unsigned state);
bool DrawFocusRect(HDC dc, const TRect& rect);
// Fills rect with colour (an RGB or system colour), leaving the canvas brush alone.
void FillRectColor(HDC dc, const TRect& rect, TColor colour);
bool InvertRect(HDC dc, const TRect& rect);
bool PatBlt(HDC dc, int x, int y, int w, int h, TCopyMode rop);
bool BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, TCopyMode rop);
bool StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, TCopyMode rop);

int SetBkMode(HDC dc, int mode);           // returns the previous mode
int GetBkMode(HDC dc);
TColor SetBkColor(HDC dc, TColor c);       // returns the previous colour
TColor GetBkColor(HDC dc);
TColor SetTextColor(HDC dc, TColor c);
TColor GetTextColor(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
unsigned SetTextAlign(HDC dc, unsigned align);
TColor GetPixel(HDC dc, int x, int y);
TColor SetPixel(HDC dc, int x, int y, TColor c);

// Clip regions: region results.
constexpr int RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
int SaveDC(HDC dc);
bool RestoreDC(HDC dc, int level);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// Copies the clip region into rgn: 1 when there is one, 0 when none, -1 on error.
int GetClipRgn(HDC dc, HRGN rgn);
// Selects a copy of rgn as the clip region; nullptr removes it.
int SelectClipRgn(HDC dc, const HRGN& rgn);
int GetClipBox(HDC dc, TRect& r);

// Device capabilities.
constexpr int HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, NUMCOLORS = 24,
              LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111,
              PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113;
// Answers for the canvas's device: a screen or bitmap says 96 dpi, 32 bits, NUMCOLORS -1; a printer
// page (and a page picture made for a printer) its own resolution, unprintable border (offsets),
// whole sheet (physical size) and printable size in millimetres.
int GetDeviceCaps(HDC dc, int index);
TColor GetNearestColor(HDC dc, TColor c);

// The check-box picture sheet of the system: 4 columns x 3 rows of 13 x 13 boxes.
constexpr int OBM_CHECKBOXES = 32759;
// Loads a system picture by number into bitmap; false for an unknown number.
bool LoadSystemBitmap(int id, TBitmap& bitmap);

// Modules whose pictures LoadBitmap reads: none (0) for the system's, HInstance for the program's.
using HINSTANCE = const void*;
extern const HINSTANCE HInstance;
using HBITMAP = std::shared_ptr<TBitmap>;
// A picture by number: the system's (instance 0, e.g. OBM_CHECKBOXES) or one of the program's
// image resources, registered under the name "#<number>". Empty when there is none.
HBITMAP LoadBitmap(HINSTANCE instance, int number);

// Mapping modes: logical units to device pixels. MM_TEXT: one unit is one pixel. MM_ANISOTROPIC:
// x' = (x - window origin) * viewport extent / window extent + viewport origin, each axis on its
// own; MM_ISOTROPIC the same with one unit equally long on both axes (the viewport extent set after
// the window extent is shrunk on the axis with the larger scale). Extents are ignored in MM_TEXT.
constexpr int MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
// Returns the previous mode, 0 on failure (no device, unknown mode).
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
bool SetWindowOrgEx(HDC dc, int x, int y, TPoint* previous = nullptr);
bool SetViewportOrgEx(HDC dc, int x, int y, TPoint* previous = nullptr);
// Fail for a zero extent, and in MM_TEXT.
bool SetWindowExtEx(HDC dc, int x, int y, TSize* previous = nullptr);
bool SetViewportExtEx(HDC dc, int x, int y, TSize* previous = nullptr);
bool LPtoDP(HDC dc, TPoint* points, int count);
bool DPtoLP(HDC dc, TPoint* points, int count);
