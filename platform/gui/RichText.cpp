// The rich-text document on QTextDocument, with its RTF reader and writer.
#include "gui/RichText.h"

#include "gui/CanvasDevice.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string>
#include <vector>

struct TRichTextDocumentData {
    QTextDocument doc;
    int selStart = 0;
    int selEnd = 0;
};

namespace {

QString q(const AnsiString& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
AnsiString a(const QString& s) {
    QByteArray b = s.toUtf8();
    return AnsiString(std::string(b.constData(), static_cast<std::size_t>(b.size())));
}

QTextCharFormat charFormat(const TRichTextFormat& f) {
    QTextCharFormat c;
    c.setFontFamilies(QStringList{q(f.FontName)});
    c.setFontPointSize(f.Size > 0 ? f.Size : 10);
    c.setFontWeight(f.Style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    c.setFontItalic(f.Style.Contains(fsItalic));
    c.setFontUnderline(f.Style.Contains(fsUnderline));
    c.setFontStrikeOut(f.Style.Contains(fsStrikeOut));
    const TColor rgb = ColorToRGB(f.Color);
    c.setForeground(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
    return c;
}

TRichTextFormat fromCharFormat(const QTextCharFormat& c) {
    TRichTextFormat f;
    const QStringList fam = c.fontFamilies().toStringList();
    if (!fam.isEmpty()) f.FontName = a(fam.first());
    if (c.fontPointSize() > 0) f.Size = static_cast<int>(std::lround(c.fontPointSize()));
    if (c.fontWeight() >= QFont::Bold) f.Style.Include(fsBold);
    if (c.fontItalic()) f.Style.Include(fsItalic);
    if (c.fontUnderline()) f.Style.Include(fsUnderline);
    if (c.fontStrikeOut()) f.Style.Include(fsStrikeOut);
    if (c.hasProperty(QTextFormat::ForegroundBrush)) {
        QColor col = c.foreground().color();
        f.Color = RGB(col.red(), col.green(), col.blue());
    }
    return f;
}

Qt::Alignment qtAlign(TRichAlignment al) {
    switch (al) {
        case raCenter: return Qt::AlignHCenter;
        case raRight: return Qt::AlignRight;
        case raJustify: return Qt::AlignJustify;
        default: return Qt::AlignLeft;
    }
}

TRichAlignment fromQtAlign(Qt::Alignment al) {
    if (al & Qt::AlignHCenter) return raCenter;
    if (al & Qt::AlignRight) return raRight;
    if (al & Qt::AlignJustify) return raJustify;
    return raLeft;
}

// Line breaks of any kind as the one paragraph break Qt knows.
QString paragraphs(const AnsiString& text) {
    QString s = q(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

}  // namespace

TRichTextDocument::TRichTextDocument() : d_(std::make_unique<TRichTextDocumentData>()) {
    d_->doc.setUndoRedoEnabled(false);
    QTextCursor c(&d_->doc);
    c.setCharFormat(charFormat(TRichTextFormat()));
    c.setBlockCharFormat(charFormat(TRichTextFormat()));
}

TRichTextDocument::~TRichTextDocument() = default;

int TRichTextDocument::LineCount() const { return d_->doc.blockCount(); }

AnsiString TRichTextDocument::Line(int i) const {
    QTextBlock b = d_->doc.findBlockByNumber(i);
    return b.isValid() && i >= 0 ? a(b.text()) : AnsiString();
}

int TRichTextDocument::LineStart(int i) const {
    if (i < 0) return -1;
    QTextBlock b = d_->doc.findBlockByNumber(i);
    return b.isValid() ? b.position() : -1;
}

int TRichTextDocument::LineLength(int i) const {
    if (i < 0) return 0;
    QTextBlock b = d_->doc.findBlockByNumber(i);
    return b.isValid() ? b.length() - 1 : 0;
}

int TRichTextDocument::Length() const { return d_->doc.characterCount() - 1; }

void TRichTextDocument::SetSelection(int start, int end) {
    const int n = Length();
    d_->selStart = std::clamp(start, 0, n);
    d_->selEnd = std::clamp(end < 0 ? n : end, 0, n);
    if (d_->selEnd < d_->selStart) std::swap(d_->selStart, d_->selEnd);
}

int TRichTextDocument::SelStart() const { return d_->selStart; }
int TRichTextDocument::SelEnd() const { return d_->selEnd; }

void TRichTextDocument::ReplaceSelection(const AnsiString& text) {
    QTextCursor c(&d_->doc);
    c.setPosition(d_->selStart);
    // The inserted text takes the format of the character at the start of the selection.
    QTextCursor probe(&d_->doc);
    probe.setPosition(std::min(d_->selStart + 1, Length()));
    const QTextCharFormat fmt = d_->selStart < Length() ? probe.charFormat() : c.charFormat();
    c.setPosition(d_->selEnd, QTextCursor::KeepAnchor);
    c.insertText(paragraphs(text), fmt);
    d_->selStart = d_->selEnd = c.position();
}

void TRichTextDocument::SetSelectionFormat(const TRichTextFormat& f) {
    QTextCursor c(&d_->doc);
    c.setPosition(d_->selStart);
    c.setPosition(d_->selEnd, QTextCursor::KeepAnchor);
    if (d_->selStart == d_->selEnd) c.select(QTextCursor::BlockUnderCursor);
    c.setCharFormat(charFormat(f));
    c.setBlockCharFormat(charFormat(f));
}

void TRichTextDocument::SetSelectionAlignment(TRichAlignment al) {
    QTextCursor c(&d_->doc);
    c.setPosition(d_->selStart);
    c.setPosition(d_->selEnd, QTextCursor::KeepAnchor);
    QTextBlockFormat bf;
    bf.setAlignment(qtAlign(al));
    c.mergeBlockFormat(bf);
}

TRichTextFormat TRichTextDocument::FormatAt(int position) const {
    QTextCursor c(&d_->doc);
    c.setPosition(std::clamp(position + 1, 0, Length()));
    return fromCharFormat(c.charFormat());
}

TRichAlignment TRichTextDocument::AlignmentOfLine(int i) const {
    QTextBlock b = d_->doc.findBlockByNumber(i);
    return b.isValid() ? fromQtAlign(b.blockFormat().alignment()) : raLeft;
}

int TRichTextDocument::Find(const AnsiString& text, int from, int to, bool matchCase) const {
    if (text.IsEmpty()) return -1;
    QTextDocument::FindFlags flags;
    if (matchCase) flags |= QTextDocument::FindCaseSensitively;
    QTextCursor c = d_->doc.find(q(text), std::max(0, from), flags);
    if (c.isNull()) return -1;
    if (to >= 0 && c.selectionEnd() > to) return -1;
    return c.selectionStart();
}

void TRichTextDocument::Clear() {
    const QTextCharFormat fmt = QTextCursor(&d_->doc).charFormat();
    d_->doc.clear();
    QTextCursor c(&d_->doc);
    c.setCharFormat(fmt);
    c.setBlockCharFormat(fmt);
    d_->selStart = d_->selEnd = 0;
}

AnsiString TRichTextDocument::Text() const {
    QString out;
    for (QTextBlock b = d_->doc.begin(); b.isValid(); b = b.next()) {
        if (b != d_->doc.begin()) out += QLatin1String("\r\n");
        out += b.text();
    }
    return a(out);
}

void TRichTextDocument::SetText(const AnsiString& text) {
    Clear();
    QTextCursor c(&d_->doc);
    c.insertText(paragraphs(text));
    d_->selStart = d_->selEnd = 0;
}

// ---- RTF writer ----------------------------------------------------------------------------------
namespace {

void escapeInto(std::string& out, const QString& text) {
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u >= 0x20 && u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            continue;
        } else {
            const QByteArray utf8 = QString(ch).toUtf8();
            const std::string cp = Utf8ToCp1251(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
            if (cp.size() == 1 && cp[0] != '?') {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\'%02x", static_cast<unsigned char>(cp[0]));
                out += buf;
            } else {
                out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?";
            }
        }
    }
}

}  // namespace

AnsiString TRichTextDocument::SaveRtf() const {
    std::vector<QString> fonts;
    std::vector<QColor> colours;
    auto fontIndex = [&](const QString& name) {
        auto it = std::find(fonts.begin(), fonts.end(), name);
        if (it != fonts.end()) return static_cast<int>(it - fonts.begin());
        fonts.push_back(name);
        return static_cast<int>(fonts.size()) - 1;
    };
    auto colourIndex = [&](const QColor& c) {
        auto it = std::find(colours.begin(), colours.end(), c);
        if (it != colours.end()) return static_cast<int>(it - colours.begin()) + 1;
        colours.push_back(c);
        return static_cast<int>(colours.size());
    };
    std::string body;
    for (QTextBlock b = d_->doc.begin(); b.isValid(); b = b.next()) {
        body += "\\pard";
        switch (fromQtAlign(b.blockFormat().alignment())) {
            case raCenter: body += "\\qc"; break;
            case raRight: body += "\\qr"; break;
            case raJustify: body += "\\qj"; break;
            default: body += "\\ql"; break;
        }
        auto run = [&](const QTextCharFormat& fmt, const QString& text) {
            const TRichTextFormat f = fromCharFormat(fmt);
            body += "\\plain\\f" + std::to_string(fontIndex(q(f.FontName))) + "\\fs" + std::to_string(f.Size * 2);
            if (f.Style.Contains(fsBold)) body += "\\b";
            if (f.Style.Contains(fsItalic)) body += "\\i";
            if (f.Style.Contains(fsUnderline)) body += "\\ul";
            if (f.Style.Contains(fsStrikeOut)) body += "\\strike";
            const TColor rgb = ColorToRGB(f.Color);
            body += "\\cf" + std::to_string(colourIndex(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)))) + " ";
            escapeInto(body, text);
        };
        bool any = false;
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment fr = it.fragment();
            if (!fr.isValid()) continue;
            run(fr.charFormat(), fr.text());
            any = true;
        }
        // An empty paragraph keeps its size and font (an empty line of a heading block).
        if (!any) run(b.charFormat(), QString());
        if (b.next().isValid()) body += "\\par\r\n";
    }
    std::string out = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset204 ";
        escapeInto(out, fonts[i]);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const QColor& c : colours)
        out += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue" +
               std::to_string(c.blue()) + ";";
    out += "}\r\n\\uc1" + body + "}\r\n";
    return AnsiString(out);
}

// ---- RTF reader ----------------------------------------------------------------------------------
namespace {

struct RtfState {
    int font = 0;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false;
    int colour = 0;
    int ucSkip = 1;
    enum Dest { Text, FontTable, ColourTable, Skip } dest = Text;
};

class RtfReader {
public:
    RtfReader(const std::string& data, QTextDocument& doc) : s_(data), doc_(doc), cursor_(&doc) {}

    bool Run() {
        std::size_t i = 0;
        while (i < s_.size() && std::isspace(static_cast<unsigned char>(s_[i]))) ++i;
        if (s_.compare(i, 5, "{\\rtf") != 0) return false;
        doc_.clear();
        cursor_ = QTextCursor(&doc_);
        colours_.push_back(QColor(Qt::black));  // index 0: automatic
        pos_ = i;
        std::vector<RtfState> stack;
        RtfState st;
        int skipChars = 0;
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '{') {
                flush(st);
                stack.push_back(st);
                ++pos_;
                // "{\*\dest ...}": a destination this reader need not know.
                if (s_.compare(pos_, 2, "\\*") == 0) st.dest = RtfState::Skip;
                continue;
            }
            if (c == '}') {
                flush(st);
                if (st.dest == RtfState::FontTable && !name_.isEmpty()) addFont();
                if (stack.empty()) break;
                st = stack.back();
                stack.pop_back();
                ++pos_;
                continue;
            }
            if (c == '\r' || c == '\n') {
                ++pos_;
                continue;
            }
            if (c != '\\') {
                ++pos_;
                if (skipChars > 0) {
                    --skipChars;
                    continue;
                }
                // Bytes above 127 are characters of the document's code page.
                const unsigned char b = static_cast<unsigned char>(c);
                if (b < 0x80) text(st, QString(QChar(b)));
                else text(st, QString::fromStdString(Cp1251ToUtf8(std::string(1, c))));
                continue;
            }
            // A control symbol or word.
            ++pos_;
            if (pos_ >= s_.size()) break;
            c = s_[pos_];
            if (c == '\\' || c == '{' || c == '}') {
                ++pos_;
                if (skipChars > 0) --skipChars;
                else text(st, QString(QChar(c)));
                continue;
            }
            if (c == '\'') {
                auto hex = [](char h) {
                    return h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
                };
                const int hi = pos_ + 1 < s_.size() ? hex(s_[pos_ + 1]) : -1;
                const int lo = pos_ + 2 < s_.size() ? hex(s_[pos_ + 2]) : -1;
                pos_ += 3;
                if (hi < 0 || lo < 0) continue;
                const unsigned v = static_cast<unsigned>(hi * 16 + lo);
                if (skipChars > 0) {
                    --skipChars;
                    continue;
                }
                const std::string one(1, static_cast<char>(v));
                text(st, QString::fromStdString(Cp1251ToUtf8(one)));
                continue;
            }
            if (!std::isalpha(static_cast<unsigned char>(c))) {
                ++pos_;
                if (c == '~') text(st, QString(QChar(0xA0)));
                else if (c == '-' || c == '_') text(st, QString(QChar('-')));
                continue;
            }
            std::string word;
            while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_]))) word += s_[pos_++];
            bool hasArg = false;
            long long arg = 0;
            bool neg = false;
            if (pos_ < s_.size() && s_[pos_] == '-') {
                neg = true;
                ++pos_;
            }
            // However many digits follow, the argument is clamped to a 32-bit signed number.
            constexpr long long argLimit = static_cast<long long>(INT_MAX) + 1;
            while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
                hasArg = true;
                arg = std::min(argLimit, arg * 10 + (s_[pos_++] - '0'));
            }
            if (neg) arg = -arg;
            arg = std::clamp<long long>(arg, INT_MIN, INT_MAX);
            if (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
            if (st.dest == RtfState::Skip) continue;
            control(st, word, hasArg, static_cast<int>(arg), skipChars);
        }
        flush(st);
        endParagraph();
        return true;
    }

private:
    void control(RtfState& st, const std::string& w, bool hasArg, int arg, int& skipChars) {
        static const char* const skipped[] = {"stylesheet", "info",   "pict",         "header",    "footer",
                                              "headerl",    "headerr", "footerl",     "footerr",   "listtable",
                                              "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata",
                                              "colorschememapping", "latentstyles", "datastore", "object", "fldinst",
                                              "filetbl", "revtbl", "pgdsctbl", "footnote", "comment"};
        for (const char* k : skipped)
            if (w == k) {
                flush(st);
                st.dest = RtfState::Skip;
                return;
            }
        if (w == "fonttbl") {
            flush(st);
            st.dest = RtfState::FontTable;
        } else if (w == "colortbl") {
            flush(st);
            st.dest = RtfState::ColourTable;
        } else if (st.dest == RtfState::ColourTable) {
            if (w == "red") red_ = arg;
            else if (w == "green") green_ = arg;
            else if (w == "blue") blue_ = arg;
        } else if (w == "f") {
            flush(st);
            if (st.dest == RtfState::FontTable) {
                if (!name_.isEmpty()) addFont();
                fontNo_ = arg;
            } else {
                st.font = arg;
            }
        } else if (st.dest == RtfState::FontTable) {
            // charset, family: the names are all this reader keeps
        } else if (w == "par") {
            flush(st);
            endParagraph();
            cursor_.insertBlock();
        } else if (w == "pard") {
            flush(st);
            align_ = raLeft;
        } else if (w == "ql") align_ = raLeft;
        else if (w == "qc") align_ = raCenter;
        else if (w == "qr") align_ = raRight;
        else if (w == "qj") align_ = raJustify;
        else if (w == "plain") {
            flush(st);
            st.bold = st.italic = st.underline = st.strike = false;
            st.halfPoints = 24;
            st.colour = 0;
            st.font = 0;
        } else if (w == "fs") {
            flush(st);
            st.halfPoints = hasArg ? arg : 24;
        } else if (w == "b") {
            flush(st);
            st.bold = !hasArg || arg != 0;
        } else if (w == "i") {
            flush(st);
            st.italic = !hasArg || arg != 0;
        } else if (w == "ul") {
            flush(st);
            st.underline = !hasArg || arg != 0;
        } else if (w == "ulnone") {
            flush(st);
            st.underline = false;
        } else if (w == "strike") {
            flush(st);
            st.strike = !hasArg || arg != 0;
        } else if (w == "cf") {
            flush(st);
            st.colour = arg;
        } else if (w == "uc") {
            st.ucSkip = std::max(0, arg);
        } else if (w == "u") {
            int v = arg < 0 ? arg + 65536 : arg;
            text(st, QString(QChar(static_cast<char16_t>(v))));
            skipChars = st.ucSkip;
        } else if (w == "tab") {
            text(st, QString(QChar('\t')));
        } else if (w == "line") {
            text(st, QString(QChar(QChar::LineSeparator)));
        }
    }

    void text(RtfState& st, const QString& t) {
        if (st.dest == RtfState::Skip) return;
        if (st.dest == RtfState::FontTable) {
            for (QChar ch : t) {
                if (ch == ';') addFont();
                else name_ += ch;
            }
            return;
        }
        if (st.dest == RtfState::ColourTable) {
            if (t.contains(';')) {
                if (!firstColourSeen_) firstColourSeen_ = true;
                else colours_.push_back(QColor(red_, green_, blue_));
                red_ = green_ = blue_ = 0;
            }
            return;
        }
        pending_ += t;
    }

    void addFont() {
        fonts_[fontNo_] = name_.trimmed();
        name_.clear();
    }

    void flush(const RtfState& st) {
        if (pending_.isEmpty()) {
            // Keep the format of an empty paragraph (its size).
            if (st.dest == RtfState::Text) cursor_.setCharFormat(format(st));
            return;
        }
        cursor_.insertText(pending_, format(st));
        pending_.clear();
    }

    QTextCharFormat format(const RtfState& st) {
        TRichTextFormat f;
        auto it = fonts_.find(st.font);
        if (it != fonts_.end() && !it->second.isEmpty()) f.FontName = a(it->second);
        f.Size = std::max(1, st.halfPoints / 2);
        if (st.bold) f.Style.Include(fsBold);
        if (st.italic) f.Style.Include(fsItalic);
        if (st.underline) f.Style.Include(fsUnderline);
        if (st.strike) f.Style.Include(fsStrikeOut);
        const QColor c = st.colour > 0 && st.colour < static_cast<int>(colours_.size()) ? colours_[static_cast<std::size_t>(st.colour)] : QColor(Qt::black);
        f.Color = RGB(c.red(), c.green(), c.blue());
        QTextCharFormat fmt = charFormat(f);
        return fmt;
    }

    void endParagraph() {
        QTextBlockFormat bf;
        bf.setAlignment(qtAlign(align_));
        cursor_.mergeBlockFormat(bf);
        cursor_.setBlockCharFormat(cursor_.charFormat());
    }

    const std::string& s_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    std::size_t pos_ = 0;
    QString pending_;
    std::map<int, QString> fonts_;
    int fontNo_ = 0;
    QString name_;
    std::vector<QColor> colours_;
    bool firstColourSeen_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    TRichAlignment align_ = raLeft;
};

}  // namespace

bool TRichTextDocument::LoadRtf(const AnsiString& data) {
    const std::string bytes = data.str();
    std::size_t i = 0;
    while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i]))) ++i;
    if (bytes.compare(i, 5, "{\\rtf") != 0) return false;
    RtfReader r(bytes, d_->doc);
    r.Run();
    d_->selStart = d_->selEnd = 0;
    return true;
}

// ---- Rendering -----------------------------------------------------------------------------------
int TRichTextDocument::Render(TCanvas* canvas, const TRect& rect, int from, bool draw, int& usedHeight,
                              bool atLeastOneLine) const {
    usedHeight = 0;
    const int length = Length();
    if (!canvas || from >= length || rect.Width() <= 0) return std::max(from, length);
    const int ppi = std::max(1, GetDeviceCaps(canvas, LOGPIXELSY));
    // A copy laid out in the canvas's pixels: every point size becomes pixels at its resolution.
    std::unique_ptr<QTextDocument> doc(d_->doc.clone());
    doc->setDocumentMargin(0);
    doc->setUndoRedoEnabled(false);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        auto toPixels = [&](QTextCharFormat f) {
            const double pt = f.fontPointSize() > 0 ? f.fontPointSize() : 10;
            const QStringList fam = f.fontFamilies().toStringList();
            f.clearProperty(QTextFormat::FontPointSize);
            f.setProperty(QTextFormat::FontPixelSize, std::max(1, static_cast<int>(std::lround(pt * ppi / 72.0))));
            if (!fam.isEmpty()) f.setFontFamilies(QStringList{q(ResolveFontFamily(a(fam.first())))});
            f.setFontKerning(false);
            return f;
        };
        QTextCursor bc(b);
        bc.setBlockCharFormat(toPixels(b.charFormat()));
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment fr = it.fragment();
            if (!fr.isValid()) continue;
            QTextCursor c(doc.get());
            c.setPosition(fr.position());
            c.setPosition(fr.position() + fr.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(toPixels(fr.charFormat()));
        }
    }
    doc->setTextWidth(rect.Width());
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    // Lines from the one holding `from`, while they fit.
    double startY = -1, endY = 0;
    int next = length;
    bool stopped = false;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && !stopped; b = b.next()) {
        const QRectF br = layout->blockBoundingRect(b);
        QTextLayout* tl = b.layout();
        for (int li = 0; li < tl->lineCount(); ++li) {
            QTextLine line = tl->lineAt(li);
            const int lineStart = b.position() + line.textStart();
            const int lineEnd = lineStart + line.textLength();
            if (startY < 0) {
                if (lineEnd <= from && li + 1 < tl->lineCount()) continue;
                startY = br.top() + line.y();
            }
            const double bottom = br.top() + line.y() + line.height();
            if (bottom - startY > rect.Height() && !(atLeastOneLine && endY == 0)) {
                next = lineStart;
                stopped = true;
                break;
            }
            endY = bottom;
        }
    }
    if (startY < 0) return length;
    usedHeight = static_cast<int>(std::ceil(endY - startY));
    if (usedHeight == 0) return next == length ? length : from;
    if (draw) {
        TCanvasDevice* device = canvas->Device();
        if (!device) {
            canvas->Handle();
            device = canvas->Device();
        }
        QPainter* p = device ? device->BeginPainting() : nullptr;
        if (p) {
            p->translate(rect.Left, rect.Top - startY);
            const QRectF clip(0, startY, rect.Width(), std::min<double>(endY - startY, rect.Height()));
            p->setClipRect(clip, Qt::IntersectClip);
            QAbstractTextDocumentLayout::PaintContext ctx;
            ctx.clip = clip;
            ctx.palette.setColor(QPalette::Text, Qt::black);
            layout->draw(p, ctx);
            device->EndPainting();
        }
    }
    return next;
}
