// Shared insides of the canvas: clipping, paints, fonts, text runs and picture copies.
// Platform-internal.
#pragma once

#include "gui/CanvasDevice.h"
#include "gui/CanvasRaster.h"
#include "gui/Graphics.h"
#include "gui/QtGraphicsInternal.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <memory>
#include <vector>

namespace gfx {

// A resolved font: the Qt font and its metrics, shared by every canvas that draws it.
struct FontInfo {
    QFont font;
    QFontMetrics metrics;
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    explicit FontInfo(const QFont& f);
};
std::shared_ptr<const FontInfo> ResolveFont(const TFont& f);
QFont MakeQFont(const TFont& f);

inline QString Q(const AnsiString& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
// Number of characters (UTF-8 code points) of s.
int CodePoints(const AnsiString& s);

// Spans clipped to a list of rectangles and sent to a device in batches.
class ClipSink : public SpanSink {
public:
    ClipSink(TCanvasDevice* device, const std::vector<QRect>& clip, const Paint& paint);
    ~ClipSink() override;
    void Span(int y, int x1, int x2) override;
    void Flush();

private:
    TCanvasDevice* device_;
    const std::vector<QRect>& clip_;
    Paint paint_;
    std::vector<gfx::Span> buffer_;
    QRect bounds_;
};

}  // namespace gfx

struct TCanvasAccess {
    // The drawable rectangles (canvas coordinates): device bounds, clip region, device clip.
    static std::vector<QRect> ClipRects(const TCanvas& c);
    // Gives the canvas a clip region (the whole device, in logical coordinates) unless it has one.
    static void StartClip(TCanvas& c);
    // The bounds of those rectangles, for cutting rasterising short.
    static gfx::Window Window(const TCanvas& c);
    // The rows of r inside the window, as spans.
    static void RectSpans(const TCanvas& c, const TRect& r, gfx::SpanSink& out);
    // A log entry with the state in force.
    static TCanvasOp Op(const TCanvas& c, TCanvasOpKind kind);
    // Logs op when a recorder is attached; true when the canvas must not draw (recorder only).
    static bool Record(TCanvas& c, TCanvasOp&& op);
    // Before drawing: a device is required; false when the device draws nothing.
    static bool Begin(TCanvas& c);
    static void End(TCanvas& c);

    static gfx::Paint PenPaint(const TCanvas& c, TColor colour);
    // The brush as paint; pattern images are built into storage. withMode: the pen mode applies.
    static bool BrushPaint(const TCanvas& c, QImage& storage, bool withMode, gfx::Paint& out);
    static void Fill(TCanvas& c, gfx::SpanSet& spans, const gfx::Paint& p);

    // Metrics of the canvas font (the recorder's fixed rule when it asks for one).
    static TTextMetric Metrics(TCanvas& c);
    static TSize Extent(TCanvas& c, const AnsiString& text);
    // Draws one line of text with its top-left corner at (x, y), the text colour, the background
    // mode, the font's rotation; clipped also to clip when given. underlineChar: index (in
    // characters) of a character to underline, or -1. rtl: right-to-left reading order.
    static void TextRun(TCanvas& c, int x, int y, const AnsiString& text, const QRect* clip, int underlineChar = -1,
                        bool rtl = false);
    // The same for a text already in the toolkit's form, whose width in the canvas font is known
    // (width < 0: measured here).
    static void TextRun(TCanvas& c, int x, int y, const QString& text, int width, const QRect* clip,
                        int underlineChar = -1, bool rtl = false);

    // Copies srcRect of src onto dst (canvas coordinates) by rop; a negative width or height of
    // either rectangle mirrors. With a transparent key, source pixels of that RGB are skipped.
    static void Blit(TCanvas& c, const QRect& dst, const QImage& src, const QRect& srcRect, TCopyMode rop,
                     int transparentKey = -1);
};
