// What every grid cell is drawn with: the shared grid style and its highlight colours, the text
// writers (multi-line, single line with an ellipsis, rotated), images clipped to a cell, the shared
// off-screen bitmap for colours the screen cannot show solid, and the indicator and sort-marker
// pictures with their image lists.
#include "gridlib/grid/DBGridGx.h"

#include "rtl/MathUtils.h"

#include <algorithm>
#include <cmath>

TCustomImageList* DBGridGxIndicators = nullptr;
TCustomImageList* DBGridGxSortMarkerImages = nullptr;

namespace {

TDBGridGxStyle* g_defaultStyle = nullptr;
TBitmap* g_sharedBitmap = nullptr;
int g_sharedBitmapUses = 0;

bool solidColor(TCanvas* canvas, TColor c) {
    const TColor rgb = ColorToRGB(c);
    return GetNearestColor(canvas->Handle(), rgb) == rgb;
}

// ---- The pictures ----------------------------------------------------------------------------------
// Each picture is kept as the bytes of a 24-bit BMP file made from pixel rows: '#' the picture's
// colour, '.' the background, 'g' grey, 'w' white.
std::vector<unsigned char> bmpFromRows(const std::vector<const char*>& rows, TColor ink, TColor background) {
    const int w = static_cast<int>(std::string(rows[0]).size()), h = static_cast<int>(rows.size());
    const int stride = (w * 3 + 3) / 4 * 4;
    const int size = 54 + stride * h;
    std::vector<unsigned char> b(static_cast<std::size_t>(size), 0);
    auto put32 = [&b](int at, int v) {
        for (int k = 0; k < 4; ++k) b[static_cast<std::size_t>(at + k)] = static_cast<unsigned char>((v >> (8 * k)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    put32(34, stride * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char ch = rows[static_cast<std::size_t>(y)][x];
            const TColor c = ch == '#' ? ink : ch == 'g' ? clGray : ch == 'w' ? clWhite : background;
            const std::size_t at = static_cast<std::size_t>(54 + (h - 1 - y) * stride + x * 3);
            b[at] = static_cast<unsigned char>(GetBValue(c));
            b[at + 1] = static_cast<unsigned char>(GetGValue(c));
            b[at + 2] = static_cast<unsigned char>(GetRValue(c));
        }
    return b;
}

// 6 x 11 indicators: a triangle pointing right, an I-beam, an asterisk, a dot, a hollow triangle
// with a dot at its left.
const std::vector<const char*> arrowRows = {"......", "#.....", "##....", "###...", "####..", "#####.",
                                            "####..", "###...", "##....", "#.....", "......"};
const std::vector<const char*> editRows = {"......", ".###..", "..#...", "..#...", "..#...", "..#...",
                                           "..#...", "..#...", "..#...", ".###..", "......"};
const std::vector<const char*> insertRows = {"......", "......", "......", "#.#.#.", ".###..", "#####.",
                                             ".###..", "#.#.#.", "......", "......", "......"};
const std::vector<const char*> dotRows = {"......", "......", "......", "..##..", ".####.", ".####.",
                                          ".####.", "..##..", "......", "......", "......"};
const std::vector<const char*> multiArrowRows = {"......", "..#...", "..##..", "..#.#.", "#.#..#", "#.#...",
                                                 "#.#..#", "..#.#.", "..##..", "..#...", "......"};
// 10 x 9 sort markers on fuchsia: grey on the left edges, white on the right ones.
const std::vector<const char*> downRows = {"..........", "gggggggggw", ".g......w.", ".g......w.", "..g....w..",
                                           "..g....w..", "...g..w...", "...g..w...", "....gw...."};
const std::vector<const char*> upRows = {"....gw....", "...g..w...", "...g..w...", "..g....w..", "..g....w..",
                                         ".g......w.", ".g......w.", "gwwwwwwwww", ".........."};

void registerPicture(const AnsiString& name, const std::vector<const char*>& rows, TColor ink, TColor background) {
    if (ImageResourceExists(name)) return;
    const std::vector<unsigned char> bytes = bmpFromRows(rows, ink, background);
    RegisterImageResource(name, bytes.data(), bytes.size());
}

void registerPictures() {
    registerPicture("DBGARROWGX", arrowRows, clBlack, clWhite);
    registerPicture("DBEDITGX", editRows, clBlack, clWhite);
    registerPicture("DBINSERTGX", insertRows, clBlack, clWhite);
    registerPicture("DBMULTIDOTGX", dotRows, clBlack, clWhite);
    registerPicture("DBMULTIARROWGX", multiArrowRows, clBlack, clWhite);
    registerPicture("DBGARROWGXW", arrowRows, clWhite, clTeal);
    registerPicture("DBSMDOWNGX", downRows, clBlack, clFuchsia);
    registerPicture("DBSMUPGX", upRows, clBlack, clFuchsia);
}

void addResource(TCustomImageList* list, const AnsiString& name, TColor mask) {
    TBitmap b;
    b.LoadFromResourceName(name);
    list->AddMasked(&b, mask);
}

}  // namespace

// ==== Style =============================================================================================

TDBGridGxStyle::TDBGridGxStyle() { screenColorCount_ = GetDeviceCaps(GetScreenDC(), NUMCOLORS); }

TDBGridGxStyle::~TDBGridGxStyle() {
    if (g_defaultStyle == this) g_defaultStyle = nullptr;
    // Grids left with no style take the default one again.
    while (!grids_.empty()) {
        TCustomDBGridGx* g = grids_.back();
        grids_.pop_back();
        g->SetStyle(nullptr);
    }
}

void TDBGridGxStyle::SetLuminateSelection(bool b) {
    if (b == luminateSelection_) return;
    luminateSelection_ = b;
    Changed();
}

void TDBGridGxStyle::Changed() {
    const std::vector<TCustomDBGridGx*> grids = grids_;
    for (TCustomDBGridGx* g : grids) g->StyleGxChanged();
}

void TDBGridGxStyle::AddChangeNotification(TCustomDBGridGx* grid) {
    if (!GridInChangeNotification(grid)) grids_.push_back(grid);
}

bool TDBGridGxStyle::GridInChangeNotification(TCustomDBGridGx* grid) const {
    return std::find(grids_.begin(), grids_.end(), grid) != grids_.end();
}

void TDBGridGxStyle::RemoveChangeNotification(TCustomDBGridGx* grid) {
    grids_.erase(std::remove(grids_.begin(), grids_.end(), grid), grids_.end());
}

void TDBGridGxStyle::RemoveAllChangeNotification() { grids_.clear(); }

void TDBGridGxStyle::SysColorChanged() { screenColorCount_ = GetDeviceCaps(GetScreenDC(), NUMCOLORS); }

TColor TDBGridGxStyle::LightenColor(TColor color, TColor blendColor, bool contrast) const {
    const TColor c = ColorToRGB(color), b = ColorToRGB(blendColor);
    auto channel = [contrast](int cv, int bv) {
        double v = cv + (bv - cv) * 0.5;
        v = v + (225 - v) * 0.6;
        if (contrast) v = v - (122 - v) * 0.25;
        return static_cast<int>(std::clamp<long long>(Round(v), 0, 255));
    };
    return RGB(channel(GetRValue(c), GetRValue(b)), channel(GetGValue(c), GetGValue(b)),
               channel(GetBValue(c), GetBValue(b)));
}

bool TDBGridGxStyle::HighlightDataCellColor(TCustomDBGridGx* grid, int /*aCol*/, int /*aRow*/, int dataCol,
                                            int dataRow, const AnsiString& /*value*/, TGridDrawState& state,
                                            bool /*flag*/, TColor& color, TFont* font) {
    TGridDataLinkGx* link = grid->DataLink();
    const bool rowSelect = (grid->Options() & dgRowSelect) != 0;
    const bool currentRow = dataRow + grid->TopDataOffset() == grid->Row();
    const bool currentCell = currentRow && grid->DataToRawColumn(dataCol) == grid->Col();
    bool highlighted = false, focusHighlight = false;
    if (link->Active() && grid->PaintDataCellSelected(dataCol, link->DataSet()->Bookmark())) {
        highlighted = true;
    } else {
        focusHighlight = grid->Focused() && (grid->OptionsGx() & dghHighlightFocus);
        if ((grid->OptionsGx() & dghRowHighlight) && currentRow && grid->PaintSelectionType() == gstNon &&
            !currentCell) {
            focusHighlight = true;
            state |= gdSelected;
        }
        highlighted = ((state & gdSelected) || (currentRow && rowSelect)) &&
                      ((grid->Options() & dgAlwaysShowSelection) || focusHighlight) &&
                      (grid->UpdateLock() == 0 || rowSelect);
    }
    if (!highlighted) return false;
    const bool current = rowSelect ? currentRow : currentCell;
    if (grid->IsSelectionActive()) {
        if (luminateSelection_ && screenColorCount_ == -1 && !current) {
            color = GetNearestColor(grid->Canvas()->Handle(), LightenColor(color, clHighlight, true));
        } else {
            color = clHighlight;
            font->SetColor(clHighlightText);
        }
    } else if (current && ((grid->Options() & dgAlwaysShowSelection) || focusHighlight)) {
        color = clBtnShadow;
        font->SetColor(clHighlightText);
    } else if (screenColorCount_ == -1) {
        color = GetNearestColor(grid->Canvas()->Handle(), LightenColor(color, clBtnShadow, false));
    } else {
        color = clBtnFace;
    }
    return true;
}

bool TDBGridGxStyle::HighlightNoDataCellColor(TCustomDBGridGx* grid, int /*aCol*/, int /*aRow*/, int /*dataCol*/,
                                              int /*dataRow*/, TCellTypeGx cellType, TGridDrawState /*state*/,
                                              bool selected, TColor& color, TFont* font) {
    if (!selected) return false;
    const bool darkIndicator = cellType.HorzType == hctIndicatorGx && cellType.VertType != vctAboveFooterGx;
    const bool darkTitle = cellType.HorzType == hctDataGx &&
                           (cellType.VertType == vctTitleGx || cellType.VertType == vctSubTitleGx);
    if (darkIndicator || darkTitle) {
        color = RGB(64, 64, 64);
        font->SetColor(clWhite);
    } else if (grid->IsSelectionActive()) {
        if (luminateSelection_ && screenColorCount_ == -1) {
            color = LightenColor(color, clHighlight, true);
        } else {
            color = clHighlight;
            font->SetColor(clHighlightText);
        }
    } else {
        color = screenColorCount_ == -1 ? LightenColor(color, clBtnShadow, false) : clBtnFace;
    }
    return true;
}

TDBGridGxStyle* DBGridGxDefaultStyle() { return g_defaultStyle; }

TDBGridGxStyle* SetDBGridGxDefaultStyle(TDBGridGxStyle* style) {
    TDBGridGxStyle* old = g_defaultStyle;
    g_defaultStyle = style;
    if (style) style->Changed();
    return old;
}

// ==== Colours ===========================================================================================

TColor BrightenColor(TColor color, double divisor) {
    const TColor c = ColorToRGB(color);
    auto channel = [divisor](int v) { return std::min(255, v + static_cast<int>(Trunc(v / divisor))); };
    return RGB(channel(GetRValue(c)), channel(GetGValue(c)), channel(GetBValue(c)));
}

// ==== Shared drawing bitmap =============================================================================

void AcquireSharedDrawBitmap() {
    if (g_sharedBitmapUses++ == 0) g_sharedBitmap = new TBitmap();
}

void ReleaseSharedDrawBitmap() {
    if (g_sharedBitmapUses == 0) return;
    if (--g_sharedBitmapUses == 0) {
        delete g_sharedBitmap;
        g_sharedBitmap = nullptr;
    }
}

TBitmap* SharedDrawBitmap() { return g_sharedBitmap; }

namespace {

// Draws through the shared bitmap: grown to the cell, given the canvas's font and brush, filled
// solid, drawn on with a transparent background, copied onto the cell.
template <class Draw>
void throughSharedBitmap(TCanvas* canvas, const TRect& aRect, Draw draw) {
    AcquireSharedDrawBitmap();
    TBitmap* b = g_sharedBitmap;
    TCanvas* bc = b->Canvas();
    bc->Lock();
    try {
        const int w = aRect.Width(), h = aRect.Height();
        if (b->Width() < w) b->SetWidth(w);
        if (b->Height() < h) b->SetHeight(h);
        bc->Font()->Assign(canvas->Font());
        bc->Font()->SetColor(canvas->Font()->Color());
        bc->Brush()->Assign(canvas->Brush());
        bc->Brush()->SetStyle(bsSolid);
        bc->FillRect(TRect(0, 0, w, h));
        SetBkMode(bc->Handle(), TRANSPARENT);
        draw(bc, w, h);
        canvas->CopyRect(aRect, bc, TRect(0, 0, w, h));
    } catch (...) {
        bc->Unlock();
        ReleaseSharedDrawBitmap();
        throw;
    }
    bc->Unlock();
    ReleaseSharedDrawBitmap();
}

unsigned alignFlag(TAlignment a) { return a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT; }

void drawMultiLine(TCanvas* canvas, TRect r, int dx, int dy, const AnsiString& text, TAlignment alignment,
                   TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg, int rightMarg, bool rtl) {
    unsigned flags = DT_EXPANDTABS | DT_NOPREFIX | alignFlag(alignment);
    if (multiLine) flags |= DT_WORDBREAK;
    if (endEllipsis) flags |= DT_END_ELLIPSIS;
    if (rtl) flags |= DT_RTLREADING;
    TDrawTextParams params;
    params.iLeftMargin = leftMarg;
    params.iRightMargin = rightMarg;
    InflateRect(r, -dx, -dy);
    if (layout == tlCenter || layout == tlBottom) {
        TRect calc = r;
        TDrawTextParams p2 = params;
        DrawTextEx(canvas->Handle(), text, -1, calc, flags | DT_CALCRECT, &p2);
        const int h = calc.Height();
        if (layout == tlCenter) r.Top = r.Top + (r.Bottom - r.Top) / 2 - h / 2;
        else r.Top = r.Bottom - h;
    }
    if (dx > 0) ++r.Bottom;
    DrawTextEx(canvas->Handle(), text, -1, r, flags, &params);
}

}  // namespace

// ==== Text ==============================================================================================

AnsiString ShortenTextToWidth(const AnsiString& text, TCanvas* canvas, int maxWidth) {
    AnsiString result = text;
    const std::string& s = text.str();
    for (std::size_t i = 1; i <= s.size(); ++i) {
        if (canvas->TextWidth(result) <= maxWidth) break;
        const long keep = std::max<long>(0, static_cast<long>(s.size()) - static_cast<long>(i) - 1);
        result = AnsiString(s.substr(0, static_cast<std::size_t>(keep))) + "...";
    }
    return result;
}

void WriteTextGx(TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy, const AnsiString& text,
                 TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg,
                 int rightMarg, bool rightToLeftReading) {
    if (fillRect && !solidColor(canvas, canvas->Brush()->Color())) {
        throughSharedBitmap(canvas, aRect, [&](TCanvas* bc, int w, int h) {
            drawMultiLine(bc, TRect(0, 0, w, h), dx, dy, text, alignment, layout, multiLine, endEllipsis, leftMarg,
                          rightMarg, rightToLeftReading);
        });
        return;
    }
    if (multiLine) {
        const TBrushStyle saved = canvas->Brush()->Style();
        if (fillRect) canvas->FillRect(aRect);
        else canvas->Brush()->SetStyle(bsClear);
        try {
            drawMultiLine(canvas, aRect, dx, dy, text, alignment, layout, multiLine, endEllipsis, leftMarg, rightMarg,
                          rightToLeftReading);
        } catch (...) {
            canvas->Brush()->SetStyle(saved);
            throw;
        }
        canvas->Brush()->SetStyle(saved);
        return;
    }
    const AnsiString shown = endEllipsis ? ShortenTextToWidth(text, canvas, aRect.Right - aRect.Left - dx) : text;
    const TFontStyles fs = canvas->Font()->Style();
    const int width = alignment != taLeftJustify && (fs.Contains(fsBold) || fs.Contains(fsItalic))
                          ? MeasureTextWidth(canvas, shown)
                          : canvas->TextWidth(shown);
    int x;
    if (alignment == taLeftJustify) x = aRect.Left + dx;
    else if (alignment == taRightJustify) x = aRect.Right - width - 3;
    else x = aRect.Left < aRect.Right ? aRect.Left + (aRect.Right - aRect.Left) / 2 - width / 2 : 0;
    int y = aRect.Top;
    const int h = canvas->TextHeight(shown);
    if (layout != tlTop && h < aRect.Height() - dy) {
        if (layout == tlCenter) y = (aRect.Bottom + aRect.Top - h) / 2 - dy;
        else y = aRect.Bottom - h - dy;
    }
    const TBrushStyle saved = canvas->Brush()->Style();
    if (!fillRect) canvas->Brush()->SetStyle(bsClear);
    try {
        canvas->TextRect(aRect, x, y + dy, shown);
    } catch (...) {
        canvas->Brush()->SetStyle(saved);
        throw;
    }
    canvas->Brush()->SetStyle(saved);
}

HFONT MakeRotatedFont(TFont* font) {
    TLogFont lf;
    lf.lfEscapement = 900;
    lf.lfOrientation = 900;
    lf.lfHeight = font->Height();
    lf.lfWidth = 0;
    const TFontStyles s = font->Style();
    lf.lfWeight = s.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = s.Contains(fsItalic);
    lf.lfUnderline = s.Contains(fsUnderline);
    lf.lfStrikeOut = s.Contains(fsStrikeOut);
    lf.lfCharSet = font->Charset();
    lf.lfOutPrecision = 7;  // true-type fonts only
    lf.lfQuality = 0;
    lf.lfClipPrecision = 0;
    lf.lfPitchAndFamily = font->Pitch() == fpVariable ? VARIABLE_PITCH : font->Pitch() == fpFixed ? FIXED_PITCH
                                                                                                 : DEFAULT_PITCH;
    lf.SetFaceName(font->Name() == "Default" ? TFont().Name() : font->Name());
    return CreateFontIndirect(lf);
}

int WriteTextVerticalGx(TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy, const AnsiString& text,
                        TAlignment alignment, TTextLayout layout, bool /*endEllipsis*/, bool calcOnly) {
    const int top = aRect.Top, bottom = aRect.Bottom;
    std::swap(aRect.Top, aRect.Bottom);  // the text runs from the bottom up
    TFont saved;
    saved.Assign(canvas->Font());
    const TColor savedColor = canvas->Font()->Color();
    int length = 0;
    try {
        canvas->Font()->SetHandle(MakeRotatedFont(&saved));
        canvas->Font()->SetColor(savedColor);
        TTextMetric tm;
        GetTextMetrics(canvas->Handle(), tm);
        int italic = tm.tmOverhang;
        if (saved.Style().Contains(fsItalic)) {
            TOutlineTextMetric otm;
            if (GetOutlineTextMetrics(canvas->Handle(), sizeof otm, &otm) && otm.otmsCharSlopeRise != 0)
                italic = (tm.tmHeight - tm.tmInternalLeading) * otm.otmsCharSlopeRun / otm.otmsCharSlopeRise;
        }
        TFont upright;
        upright.Assign(&saved);
        canvas->Font()->Assign(&upright);
        const int textWidth = canvas->TextWidth(text);
        const int textHeight = canvas->TextHeight(text);
        canvas->Font()->SetHandle(MakeRotatedFont(&saved));
        canvas->Font()->SetColor(savedColor);
        length = textWidth + italic;
        if (!calcOnly) {
            const int width = aRect.Right - aRect.Left;
            if (!fillRect || solidColor(canvas, canvas->Brush()->Color())) {
                int x;
                if (alignment == taLeftJustify) x = aRect.Left + dx;
                else if (alignment == taRightJustify) x = aRect.Right - textHeight;
                else x = aRect.Left + width / 2 - (textHeight + tm.tmOverhang) / 2;
                int y;
                if (layout == tlTop) y = top + length;
                else if (layout == tlCenter) y = (top + bottom) / 2 + length / 2;
                else y = bottom - dy;
                const TBrushStyle bs = canvas->Brush()->Style();
                if (!fillRect) canvas->Brush()->SetStyle(bsClear);
                TRect clip(aRect.Left, top, aRect.Right, bottom);
                canvas->TextRect(clip, x, y, text);
                canvas->Brush()->SetStyle(bs);
            } else {
                const int h = bottom - top;
                throughSharedBitmap(canvas, TRect(aRect.Left, top, aRect.Right, bottom), [&](TCanvas* bc, int w, int) {
                    bc->Font()->SetHandle(MakeRotatedFont(&saved));
                    bc->Font()->SetColor(savedColor);
                    TRect r(dx, h - 1, w - 1, dy);
                    DrawText(bc->Handle(), text, -1, r, DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | alignFlag(alignment));
                });
            }
        }
    } catch (...) {
        canvas->Font()->Assign(&saved);
        throw;
    }
    canvas->Font()->Assign(&saved);
    return length;
}

void DrawImageClippedToCell(TCustomImageList* imageList, TBitmap* bitmap, TCanvas* canvas, const TRect& aRect,
                            int imageIndex, int dx, TAlignment alignment) {
    const int w = imageList ? imageList->Width() : bitmap ? bitmap->Width() : 0;
    const int h = imageList ? imageList->Height() : bitmap ? bitmap->Height() : 0;
    int x;
    if (alignment == taLeftJustify) x = aRect.Left + dx;
    else if (alignment == taRightJustify) x = aRect.Right - w + dx;
    else x = (aRect.Left + aRect.Right - w) / 2 + dx;
    const int y = (aRect.Top + aRect.Bottom - h) / 2;
    auto draw = [&] {
        if (imageList) imageList->Draw(canvas, x, y, imageIndex, true);
        else if (bitmap) canvas->Draw(x, y, bitmap);
    };
    if (x >= aRect.Left && y >= aRect.Top && x + w <= aRect.Right && y + h <= aRect.Bottom) {
        draw();
        return;
    }
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    const bool had = GetClipRgn(canvas->Handle(), saved) == 1;
    IntersectClipRect(canvas->Handle(), aRect.Left, aRect.Top, aRect.Right, aRect.Bottom);
    try {
        draw();
    } catch (...) {
        SelectClipRgn(canvas->Handle(), had ? saved : HRGN());
        throw;
    }
    SelectClipRgn(canvas->Handle(), had ? saved : HRGN());
}

void WriteDataCellText(TCanvas* canvas, const TRect& aRect, int dx, int dy, const AnsiString& text,
                       TAlignment alignment) {
    if (solidColor(canvas, canvas->Brush()->Color())) {
        const int width = canvas->TextWidth(text);
        int x;
        if (alignment == taLeftJustify) x = aRect.Left + dx;
        else if (alignment == taRightJustify) x = aRect.Right - width - 3;
        else x = aRect.Left + aRect.Width() / 2 - width / 2;
        ExtTextOut(canvas->Handle(), x, aRect.Top + dy, ETO_OPAQUE | ETO_CLIPPED, &aRect, text);
        return;
    }
    throughSharedBitmap(canvas, aRect, [&](TCanvas* bc, int w, int h) {
        TRect r(dx, dy, w - 1, h - 1);
        DrawText(bc->Handle(), text, -1, r, DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | alignFlag(alignment));
    });
}

// ==== Image lists =======================================================================================

void RecreateInplaceSearchIndicator() {
    if (!DBGridGxIndicators) return;
    TColor background = DBGridGxInplaceSearchColor;
    if (ColorToRGB(background) == ColorToRGB(clTeal)) background = RGB(0, 127, 127);
    // The white arrow rendered on the search colour: its teal background becomes that colour.
    // Done on the pixels themselves, so no canvas (nor a test's recorder) stands between.
    TBitmap rendered;
    rendered.LoadFromResourceName("DBGARROWGXW");
    const TColor bg = ColorToRGB(background);
    const std::uint32_t teal = 0xFF000000u | (GetRValue(clTeal) << 16) | (GetGValue(clTeal) << 8) | GetBValue(clTeal);
    const std::uint32_t fill = 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(bg)) << 16) |
                               (static_cast<std::uint32_t>(GetGValue(bg)) << 8) | static_cast<std::uint32_t>(GetBValue(bg));
    for (int y = 0; y < rendered.Height(); ++y) {
        std::uint32_t* line = rendered.ScanLine(y);
        for (int x = 0; x < rendered.Width(); ++x)
            if ((line[x] & 0xFFFFFFu) == (teal & 0xFFFFFFu)) line[x] = fill;
    }
    rendered.PixelsChanged();
    if (DBGridGxIndicators->Count() == 7) DBGridGxIndicators->Delete(6);
    DBGridGxIndicators->AddMasked(&rendered, clTeal);
}

void CreateGridImageLists() {
    // The check box and button measurements the cells are drawn with.
    ToolCtrlsGxStartup();
    registerPictures();
    TBitmap arrow, marker;
    arrow.LoadFromResourceName("DBGARROWGX");
    DBGridGxIndicators = new TImageList(nullptr, arrow.Width(), arrow.Height());
    for (const char* name : {"DBGARROWGX", "DBEDITGX", "DBINSERTGX", "DBMULTIDOTGX", "DBMULTIARROWGX"})
        addResource(DBGridGxIndicators, name, clWhite);
    addResource(DBGridGxIndicators, "DBGARROWGXW", clTeal);
    RecreateInplaceSearchIndicator();
    marker.LoadFromResourceName("DBSMDOWNGX");
    DBGridGxSortMarkerImages = new TImageList(nullptr, marker.Width(), marker.Height());
    addResource(DBGridGxSortMarkerImages, "DBSMDOWNGX", clFuchsia);
    addResource(DBGridGxSortMarkerImages, "DBSMUPGX", clFuchsia);
    if (!g_defaultStyle) g_defaultStyle = new TDBGridGxStyle();
}

void FreeGridImageLists() {
    delete DBGridGxIndicators;
    DBGridGxIndicators = nullptr;
    delete DBGridGxSortMarkerImages;
    DBGridGxSortMarkerImages = nullptr;
    delete g_defaultStyle;
    g_defaultStyle = nullptr;
    ToolCtrlsGxShutdown();
}
