// Fonts, text output and text layout on the canvas.
#include "gui/CanvasInternal.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <string>

namespace gfx {

int CodePoints(const AnsiString& s) {
    int n = 0;
    for (char ch : s.str())
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

namespace {

std::mutex& fontMutex() {
    static std::mutex m;
    return m;
}

// Cell-height-to-em ratio of a family (positive font heights are cell heights).
double cellRatio(const QFont& f) {
    QFont probe(f);
    probe.setPixelSize(1000);
    QFontMetricsF m(probe);
    double cell = m.ascent() + m.descent();
    return cell > 0 ? cell / 1000.0 : 1.15;
}

}  // namespace

QFont MakeQFont(const TFont& f) {
    HFONT h = f.Handle();
    const TLogFont& lf = *h;
    QFont q(Q(ResolveFontFamily(lf.FaceName())));
    int family = lf.lfPitchAndFamily & 0xF0;
    switch (family) {
        case FF_ROMAN: q.setStyleHint(QFont::Serif); break;
        case FF_SWISS: q.setStyleHint(QFont::SansSerif); break;
        case FF_MODERN: q.setStyleHint(QFont::TypeWriter); break;
        case FF_SCRIPT: q.setStyleHint(QFont::Cursive); break;
        case FF_DECORATIVE: q.setStyleHint(QFont::Decorative); break;
        default: break;
    }
    if ((lf.lfPitchAndFamily & 0x3) == FIXED_PITCH) q.setFixedPitch(true);
    int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp(lf.lfWeight, 100, 900);
    q.setWeight(static_cast<QFont::Weight>(weight));
    q.setItalic(lf.lfItalic != 0);
    q.setUnderline(lf.lfUnderline != 0);
    q.setStrikeOut(lf.lfStrikeOut != 0);
    // The Windows text functions do not kern.
    q.setKerning(false);
    int px;
    if (lf.lfHeight < 0) px = -lf.lfHeight;
    else if (lf.lfHeight > 0) px = std::max(1, static_cast<int>(std::lround(lf.lfHeight / cellRatio(q))));
    else px = 13;
    q.setPixelSize(std::max(1, px));
    return q;
}

FontInfo::FontInfo(const QFont& f) : font(f), metrics(f) {
    ascent = metrics.ascent();
    descent = metrics.descent();
    height = ascent + descent;
    internalLeading = std::max(0, height - f.pixelSize());
    externalLeading = std::max(0, metrics.leading());
    aveCharWidth = metrics.averageCharWidth();
    maxCharWidth = metrics.maxWidth();
}

std::shared_ptr<const FontInfo> ResolveFont(const TFont& f) {
    HFONT h = f.Handle();
    const TLogFont& lf = *h;
    std::string key = lf.FaceName().str();
    key += '|' + std::to_string(lf.lfHeight) + '|' + std::to_string(lf.lfWeight) + '|' +
           std::to_string(lf.lfItalic) + std::to_string(lf.lfUnderline) + std::to_string(lf.lfStrikeOut) + '|' +
           std::to_string(lf.lfPitchAndFamily);
    std::lock_guard<std::mutex> g(fontMutex());
    static std::map<std::string, std::shared_ptr<const FontInfo>> cache;
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    if (cache.size() > 512) cache.clear();
    auto info = std::make_shared<const FontInfo>(MakeQFont(f));
    cache.emplace(key, info);
    return info;
}

}  // namespace gfx

QFont ToQFont(const TFont& f) { return gfx::MakeQFont(f); }

// ---- Metrics -------------------------------------------------------------------------------------
namespace {
bool fixedMetrics(const TCanvas& c) { return c.Recorder() && c.Recorder()->FixedMetrics; }
}  // namespace

TTextMetric TCanvasAccess::Metrics(TCanvas& c) {
    TTextMetric tm;
    if (fixedMetrics(c)) {
        const TCanvasRecorder& r = *c.Recorder();
        tm.tmHeight = r.LineHeight;
        tm.tmDescent = r.LineHeight / 4;
        tm.tmAscent = r.LineHeight - tm.tmDescent;
        tm.tmInternalLeading = r.InternalLeading;
        tm.tmExternalLeading = r.ExternalLeading;
        tm.tmAveCharWidth = r.CharWidth;
        tm.tmMaxCharWidth = r.CharWidth;
        tm.tmWeight = c.font_->Weight();
        tm.tmCharSet = c.font_->Charset();
        tm.tmPitchAndFamily = 0x02 | 0x04;
        return tm;
    }
    auto fi = gfx::ResolveFont(*c.font_);
    tm.tmHeight = fi->height;
    tm.tmAscent = fi->ascent;
    tm.tmDescent = fi->descent;
    tm.tmInternalLeading = fi->internalLeading;
    tm.tmExternalLeading = fi->externalLeading;
    tm.tmAveCharWidth = fi->aveCharWidth;
    tm.tmMaxCharWidth = fi->maxCharWidth;
    tm.tmWeight = c.font_->Weight();
    TFontStyles st = c.font_->Style();
    tm.tmItalic = st.Contains(fsItalic);
    tm.tmUnderlined = st.Contains(fsUnderline);
    tm.tmStruckOut = st.Contains(fsStrikeOut);
    tm.tmCharSet = c.font_->Charset();
    // Bit 0 set means a variable pitch; outline (2) and TrueType (4) fonts.
    tm.tmPitchAndFamily = static_cast<std::uint8_t>((fi->font.fixedPitch() ? 0 : 0x01) | 0x02 | 0x04 |
                                                    (c.font_->Handle()->lfPitchAndFamily & 0xF0));
    return tm;
}

TSize TCanvasAccess::Extent(TCanvas& c, const AnsiString& text) {
    if (fixedMetrics(c)) {
        const TCanvasRecorder& r = *c.Recorder();
        return TSize(gfx::CodePoints(text) * r.CharWidth, r.LineHeight);
    }
    auto fi = gfx::ResolveFont(*c.font_);
    return TSize(fi->metrics.horizontalAdvance(gfx::Q(text)), fi->height);
}

TSize TCanvas::TextExtent(const AnsiString& text) { return TCanvasAccess::Extent(*this, text); }

// ---- One line of text ----------------------------------------------------------------------------
void TCanvasAccess::TextRun(TCanvas& c, int x, int y, const AnsiString& text, const QRect* clipRect,
                            int underlineChar, bool rtl) {
    if (!c.device_ || c.device_->DrawsNothing()) return;
    TextRun(c, x, y, gfx::Q(text), -1, clipRect, underlineChar, rtl);
}

void TCanvasAccess::TextRun(TCanvas& c, int x, int y, const QString& q, int width, const QRect* clipRect,
                            int underlineChar, bool rtl) {
    if (!c.device_ || c.device_->DrawsNothing()) return;
    std::vector<QRect> clip = ClipRects(c);
    if (clipRect) {
        std::vector<QRect> cut;
        for (const QRect& r : clip) {
            QRect i = r.intersected(*clipRect);
            if (!i.isEmpty()) cut.push_back(i);
        }
        clip.swap(cut);
    }
    if (clip.empty()) return;

    auto fi = gfx::ResolveFont(*c.font_);
    const int w = width >= 0 ? width : fi->metrics.horizontalAdvance(q), h = fi->height;
    const double angle = c.font_->Orientation() / 10.0;
    const double rad = angle * std::numbers::pi / 180.0;
    const double cs = std::cos(rad), sn = std::sin(rad);

    // The reference point's place on the text cell, by the text alignment.
    double ox = 0, oy = 0;
    const unsigned ha = c.textAlign_ & 6u, va = c.textAlign_ & 24u;
    if (ha == TA_CENTER) ox = -w / 2;
    else if (ha == TA_RIGHT) ox = -w;
    if (va == TA_BASELINE) oy = -fi->ascent;
    else if (va == TA_BOTTOM) oy = -h;

    // A point of the text's own frame on the canvas (the frame turns counter-clockwise).
    auto place = [&](double u, double v) {
        return QPointF(x + u * cs + v * sn, y - u * sn + v * cs);
    };

    if (c.bkMode_ == OPAQUE && w > 0) {
        gfx::SpanSet cell;
        if (c.font_->Orientation() % 3600 == 0) {
            for (int yy = y + int(oy); yy < y + int(oy) + h; ++yy) cell.Span(yy, x + int(ox), x + int(ox) + w);
        } else {
            QPointF p[4] = {place(ox, oy), place(ox + w, oy), place(ox + w, oy + h), place(ox, oy + h)};
            TPoint pts[4];
            for (int i = 0; i < 4; ++i)
                pts[i] = TPoint(static_cast<int>(std::lround(p[i].x())), static_cast<int>(std::lround(p[i].y())));
            int n = 4;
            const gfx::Window win = Window(c);
            gfx::FillPolygons(pts, &n, 1, false, cell, &win);
        }
        gfx::Paint bg;
        bg.color = gfx::ToRgb(c.bkColor_);
        gfx::ClipSink sink(c.device_, clip, bg);
        cell.Emit(sink);
    }

    QPainter* p = c.device_->BeginPainting();
    if (!p) return;
    // A clip only where the text (with room for overhangs) may reach beyond the drawable area.
    QRectF ink;
    for (QPointF corner : {place(ox, oy), place(ox + w, oy), place(ox + w, oy + h), place(ox, oy + h)})
        ink = ink.isNull() ? QRectF(corner, QSizeF(0, 0)) : ink.united(QRectF(corner, QSizeF(0, 0)));
    ink.adjust(-h, -h / 2.0, h, h / 2.0);
    gfx::ClipUnlessInside(*p, ink, clip);
    p->setRenderHint(QPainter::TextAntialiasing, true);
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(fi->font);
    const QColor colour = QColor::fromRgb(0xFF000000u | gfx::ToRgb(c.textColor_));
    p->setPen(colour);
    p->translate(x, y);
    if (angle != 0) p->rotate(-angle);
    if (rtl) {
        // Right-to-left reading order: neutral characters take the direction of the paragraph.
        p->drawText(QRectF(ox, oy, w, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextForceRightToLeft, q);
    } else {
        p->drawText(QPointF(ox, oy + fi->ascent), q);
    }
    if (underlineChar >= 0 && underlineChar < q.size()) {
        int a = fi->metrics.horizontalAdvance(q.left(underlineChar));
        int cw = fi->metrics.horizontalAdvance(q.mid(underlineChar, 1));
        p->fillRect(QRectF(ox + a, oy + fi->ascent + 1, cw, 1), colour);
    }
    c.device_->EndPainting();
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::TextOut);
    op.Points = {TPoint(x, y)};
    op.Text = text;
    const int width = TextExtent(text).cx;
    const bool skip = TCanvasAccess::Record(*this, std::move(op));
    if (!skip && TCanvasAccess::Begin(*this)) {
        TCanvasAccess::TextRun(*this, x, y, text, nullptr);
        TCanvasAccess::End(*this);
    }
    penPos_ = TPoint(x + width, y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const AnsiString& text) {
    TCanvasOp op = TCanvasAccess::Op(*this, TCanvasOpKind::TextRect);
    op.Rect = r;
    op.Points = {TPoint(x, y)};
    op.Text = text;
    if (TCanvasAccess::Record(*this, std::move(op))) return;
    if (!TCanvasAccess::Begin(*this)) return;
    QRect box(r.Left, r.Top, r.Width(), r.Height());
    if (brush_->Style() != bsClear && !r.IsEmpty()) {
        gfx::SpanSet s;
        TCanvasAccess::RectSpans(*this, r, s);
        gfx::Paint bg;
        bg.color = gfx::ToRgb(bkColor_);
        TCanvasAccess::Fill(*this, s, bg);
    }
    if (!r.IsEmpty()) TCanvasAccess::TextRun(*this, x, y, text, &box);
    TCanvasAccess::End(*this);
}

// ---- Windows text functions ----------------------------------------------------------------------
bool ExtTextOut(HDC dc, int x, int y, unsigned options, const TRect* rect, const AnsiString& text0, int count) {
    if (!dc) return false;
    AnsiString text = count < 0 ? text0 : AnsiString(text0.str().substr(0, static_cast<std::size_t>(count)));
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::ExtTextOut);
    op.Points = {TPoint(x, y)};
    if (rect) op.Rect = *rect;
    op.Text = text;
    op.Values = {static_cast<int>(options)};
    if (TCanvasAccess::Record(*dc, std::move(op))) return true;
    if (!TCanvasAccess::Begin(*dc)) return true;
    QRect box;
    if (rect) box = QRect(rect->Left, rect->Top, rect->Width(), rect->Height());
    if ((options & ETO_OPAQUE) && rect && !rect->IsEmpty()) {
        gfx::SpanSet s;
        TCanvasAccess::RectSpans(*dc, *rect, s);
        gfx::Paint bg;
        bg.color = gfx::ToRgb(dc->BkColor());
        TCanvasAccess::Fill(*dc, s, bg);
    }
    const bool clipped = (options & ETO_CLIPPED) && rect;
    if (!clipped || !rect->IsEmpty())
        TCanvasAccess::TextRun(*dc, x, y, text, clipped ? &box : nullptr, -1, (options & ETO_RTLREADING) != 0);
    TCanvasAccess::End(*dc);
    return true;
}

bool TextOut(HDC dc, int x, int y, const AnsiString& text, int count) {
    return ExtTextOut(dc, x, y, 0, nullptr, text, count);
}

bool GetTextExtentPoint32(HDC dc, const AnsiString& text, int count, TSize& size) {
    if (!dc) return false;
    AnsiString t = count < 0 ? text : AnsiString(text.str().substr(0, static_cast<std::size_t>(count)));
    size = TCanvasAccess::Extent(*dc, t);
    return true;
}

bool GetTextMetrics(HDC dc, TTextMetric& tm) {
    if (!dc) return false;
    tm = TCanvasAccess::Metrics(*dc);
    return true;
}

unsigned GetOutlineTextMetrics(HDC dc, unsigned size, TOutlineTextMetric* otm) {
    if (!dc) return 0;
    TOutlineTextMetric m;
    m.otmTextMetrics = TCanvasAccess::Metrics(*dc);
    m.otmAscent = m.otmTextMetrics.tmAscent;
    m.otmDescent = -m.otmTextMetrics.tmDescent;
    m.otmLineGap = m.otmTextMetrics.tmExternalLeading;
    m.otmEMSquare = 2048;
    auto fi = gfx::ResolveFont(*dc->Font());
    QRawFont raw = QRawFont::fromFont(fi->font);
    if (raw.isValid()) {
        m.otmEMSquare = static_cast<unsigned>(raw.unitsPerEm());
        // The italic angle is a 16.16 fixed-point number at offset 4 of the 'post' table.
        QByteArray post = raw.fontTable("post");
        if (post.size() >= 8) {
            const auto* b = reinterpret_cast<const unsigned char*>(post.constData());
            std::int32_t fixed = static_cast<std::int32_t>(std::uint32_t(b[4]) << 24 | std::uint32_t(b[5]) << 16 |
                                                           std::uint32_t(b[6]) << 8 | b[7]);
            double deg = fixed / 65536.0;
            m.otmItalicAngle = static_cast<int>(std::lround(deg * 10));
            if (deg != 0) {
                m.otmsCharSlopeRise = static_cast<int>(m.otmEMSquare);
                m.otmsCharSlopeRun =
                    static_cast<int>(std::lround(-std::tan(deg * std::numbers::pi / 180.0) * m.otmEMSquare));
            }
        }
    }
    if (!otm) return sizeof(TOutlineTextMetric);
    if (size < sizeof(TOutlineTextMetric)) return 0;
    *otm = m;
    return sizeof(TOutlineTextMetric);
}

// ---- DrawText ------------------------------------------------------------------------------------
namespace {

struct TextLine {
    QString text;
    int underline = -1;  // character index to underline, -1 none
    int width = -1;      // once measured
};

class Measure {
public:
    Measure(TCanvas& c, unsigned fmt, int tabPixels) : fmt_(fmt), tab_(std::max(1, tabPixels)) {
        fixed_ = c.Recorder() && c.Recorder()->FixedMetrics;
        if (fixed_) cw_ = c.Recorder()->CharWidth;
        else fi_ = gfx::ResolveFont(*c.Font());
    }
    int Plain(const QString& s) const {
        if (fixed_) return static_cast<int>(s.size()) * cw_;
        return fi_->metrics.horizontalAdvance(s);
    }
    // Width with tabs expanded to the next tab stop.
    int Width(const QString& s) const {
        if (!(fmt_ & DT_EXPANDTABS) || !s.contains('\t')) return Plain(s);
        int x = 0;
        const QStringList parts = s.split('\t');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            x += Plain(parts[i]);
            if (i + 1 < parts.size()) x = (x / tab_ + 1) * tab_;
        }
        return x;
    }
    int TabPixels() const { return tab_; }
    // The line's width, measured on first use only.
    int Width(TextLine& l) const {
        if (l.width < 0) l.width = Width(l.text);
        return l.width;
    }
    // A width the canvas may take as the run's own (the fixed metrics of a recorder are not).
    int RunWidth(const TextLine& l) const { return fixed_ || ((fmt_ & DT_EXPANDTABS) && l.text.contains('\t')) ? -1 : l.width; }

private:
    unsigned fmt_;
    int tab_;
    bool fixed_ = false;
    int cw_ = 7;
    std::shared_ptr<const gfx::FontInfo> fi_;
};

// Removes '&' prefixes: "&&" is one '&', "&x" underlines x (the last such one counts).
QString stripPrefix(const QString& s, unsigned fmt, int& underline) {
    underline = -1;
    if (fmt & DT_NOPREFIX) return s;
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
                continue;
            }
            if (i + 1 < s.size()) underline = static_cast<int>(out.size());
            continue;
        }
        out += s[i];
    }
    if (fmt & DT_HIDEPREFIX) underline = -1;
    return out;
}

void wrapParagraph(const QString& para, int underline, int avail, const Measure& m, unsigned fmt,
                   std::vector<TextLine>& out) {
    if (!(fmt & DT_WORDBREAK) || (fmt & DT_SINGLELINE)) {
        out.push_back({para, underline});
        return;
    }
    const int whole = m.Width(para);
    if (whole <= avail) {
        out.push_back({para, underline, whole});
        return;
    }
    qsizetype pos = 0;
    const qsizetype n = para.size();
    while (pos < n) {
        // Take words while they fit; a line holds at least one word (or, with DT_EDITCONTROL,
        // as many characters of an overlong word as fit).
        qsizetype end = pos, lastBreak = -1;
        while (end < n) {
            qsizetype next = end;
            while (next < n && para[next] == ' ') ++next;
            while (next < n && para[next] != ' ') ++next;
            if (m.Width(para.mid(pos, next - pos)) > avail && lastBreak >= 0) break;
            if (m.Width(para.mid(pos, next - pos)) > avail && lastBreak < 0) {
                if (fmt & DT_EDITCONTROL) {
                    qsizetype k = pos + 1;
                    while (k < next && m.Width(para.mid(pos, k + 1 - pos)) <= avail) ++k;
                    end = k;
                } else {
                    end = next;
                }
                lastBreak = end;
                break;
            }
            end = next;
            lastBreak = end;
        }
        if (lastBreak < 0) lastBreak = n;
        QString line = para.mid(pos, lastBreak - pos);
        while (line.endsWith(' ')) line.chop(1);
        int ul = underline >= pos && underline < lastBreak ? static_cast<int>(underline - pos) : -1;
        out.push_back({line, ul});
        pos = lastBreak;
        while (pos < n && para[pos] == ' ') ++pos;
    }
}

// Cuts the line to what fits with an ellipsis; a line that fits is only measured.
void ellipsize(TextLine& l, int avail, const Measure& m) {
    if (m.Width(l) <= avail) return;
    const QString dots = QStringLiteral("...");
    QString t = l.text;
    int w = 0;
    while (!t.isEmpty() && (w = m.Width(t + dots)) > avail) t.chop(1);
    if (t.isEmpty()) w = m.Width(dots);
    if (l.underline >= t.size()) l.underline = -1;
    l.text = t + dots;
    l.width = w;
}

}  // namespace

int DrawTextEx(HDC dc, const AnsiString& text0, int count, TRect& rect, unsigned fmt, TDrawTextParams* params) {
    if (!dc) return 0;
    AnsiString text = count < 0 ? text0 : AnsiString(text0.str().substr(0, static_cast<std::size_t>(count)));
    TCanvasOp op = TCanvasAccess::Op(*dc, TCanvasOpKind::DrawText);
    op.Rect = rect;
    op.Text = text;
    op.Values = {static_cast<int>(fmt)};
    if (params) {
        op.Values.push_back(params->iLeftMargin);
        op.Values.push_back(params->iRightMargin);
    }
    const bool recordOnly = (fmt & DT_CALCRECT) ? (TCanvasAccess::Record(*dc, std::move(op)), true)
                                                : TCanvasAccess::Record(*dc, std::move(op));

    const TTextMetric tm = TCanvasAccess::Metrics(*dc);
    const int lineH = tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const int lm = params ? params->iLeftMargin : 0, rm = params ? params->iRightMargin : 0;
    const int tabChars = params && params->iTabLength > 0 ? params->iTabLength : 8;
    const Measure m(*dc, fmt, tabChars * std::max(1, tm.tmAveCharWidth));
    const int avail = std::max(0, rect.Width() - lm - rm);

    // Paragraphs, prefixes, word breaks, ellipses.
    QString all = gfx::Q(text);
    if (params) params->uiLengthDrawn = static_cast<unsigned>(all.size());
    std::vector<TextLine> lines;
    if (!all.isEmpty()) {
        QStringList paras;
        if (fmt & DT_SINGLELINE) {
            QString one = all;
            one.remove('\r');
            one.remove('\n');
            paras << one;
        } else {
            QString t = all;
            t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            t.replace('\r', '\n');
            paras = t.split('\n');
        }
        for (const QString& p : paras) {
            int ul;
            QString stripped = stripPrefix(p, fmt, ul);
            wrapParagraph(stripped, ul, avail, m, fmt, lines);
        }
    }
    if (fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (TextLine& l : lines) ellipsize(l, avail, m);

    int maxW = 0;
    for (TextLine& l : lines) maxW = std::max(maxW, m.Width(l));
    const int totalH = static_cast<int>(lines.size()) * lineH;

    if (fmt & DT_CALCRECT) {
        rect.Right = rect.Left + maxW + lm + rm;
        rect.Bottom = rect.Top + totalH;
        return totalH;
    }

    int y = rect.Top;
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER) y = (rect.Top + rect.Bottom - lineH) / 2;
        else if (fmt & DT_BOTTOM) y = rect.Bottom - lineH;
    }
    const int result = (fmt & (DT_VCENTER | DT_BOTTOM)) ? y - rect.Top + totalH : totalH;
    if (recordOnly || lines.empty() || !TCanvasAccess::Begin(*dc)) return result;

    const QRect box(rect.Left, rect.Top, rect.Width(), rect.Height());
    const QRect* clip = (fmt & DT_NOCLIP) ? nullptr : &box;
    const TPoint pen = dc->PenPos();
    const bool rtl = (fmt & DT_RTLREADING) != 0;
    const unsigned align = dc->TextAlign();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    for (TextLine& l : lines) {
        const int w = m.Width(l);
        int x = rect.Left + lm;
        if (fmt & DT_CENTER) x = rect.Left + lm + (avail - w) / 2;
        else if (fmt & DT_RIGHT) x = rect.Right - rm - w;
        if ((fmt & DT_EXPANDTABS) && l.text.contains('\t')) {
            const QStringList parts = l.text.split('\t');
            int px = 0, at = 0;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                int ul = l.underline >= at && l.underline < at + parts[i].size() ? l.underline - at : -1;
                TCanvasAccess::TextRun(*dc, x + px, y, AnsiString(parts[i].toStdString()), clip, ul, rtl);
                px += m.Plain(parts[i]);
                at += static_cast<int>(parts[i].size()) + 1;
                if (i + 1 < parts.size()) px = (px / m.TabPixels() + 1) * m.TabPixels();
            }
        } else {
            TCanvasAccess::TextRun(*dc, x, y, l.text, m.RunWidth(l), clip, l.underline, rtl);
        }
        y += lineH;
    }
    dc->SetTextAlign(align);
    dc->SetPenPos(pen);
    TCanvasAccess::End(*dc);
    return result;
}

int DrawText(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format) {
    return DrawTextEx(dc, text, count, rect, format, nullptr);
}

// ---- The screen --------------------------------------------------------------------------------
HDC GetScreenDC() {
    static TCanvas* screen = [] {
        auto* c = new TCanvas();
        c->SetDevice(new TNullDevice(QSize(1920, 1080)), true);
        c->Font()->SetName("System");
        c->Font()->SetHeight(16);
        c->Font()->SetStyle(TFontStyles{fsBold});
        return c;
    }();
    return screen;
}
