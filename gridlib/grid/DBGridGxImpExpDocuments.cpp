// The HTML page, RTF document and worksheet writers of the grid's export.
#include "gridlib/grid/DBGridGxImpExp.h"

#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

using namespace std::string_view_literals;

namespace {

const char kCrLf[] = "\r\n";

// Appenders for the per-cell markup: a cell's bytes are gathered in one string and written once,
// with no temporary strings for the numbers and colours in between.
void appendInt(std::string& s, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

void appendHexColor(std::string& s, TColor c) {
    static const char digits[] = "0123456789ABCDEF";
    if (c == clNone) {
        s += "000000"sv;
        return;
    }
    const TColor rgb = ColorToRGB(c);
    char hex[6];
    char* o = hex;
    for (int v : {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)}) {
        *o++ = digits[(v >> 4) & 15];
        *o++ = digits[v & 15];
    }
    s.append(hex, sizeof hex);
}

// Whether the text holds any of the characters: a plain scan, where a search for any of a set
// looks the set up again for every character.
bool containsAnyOf(std::string_view text, std::string_view set) {
    for (char c : text)
        for (char m : set)
            if (c == m) return true;
    return false;
}

AnsiString hexColor(TColor c) {
    std::string s;
    appendHexColor(s, c);
    return AnsiString(std::move(s));
}

const char* alignmentWord(TAlignment a) {
    switch (a) {
    case taRightJustify: return "RIGHT";
    case taCenter: return "CENTER";
    default: return "LEFT";
    }
}

// The title rows of a grid with multi-level titles: per level (0 = the leaves), the node each
// exported column shows there.
using TTitleExpArr = std::vector<std::vector<THeadTreeNode*>>;

TTitleExpArr titleLevels(TCustomDBGridGx* grid, TColumnsGxList* columns) {
    const int n = columns->Count();
    std::vector<THeadTreeNode*> node(static_cast<std::size_t>(n), nullptr);
    std::vector<int> height(static_cast<std::size_t>(n), 0);
    for (int j = 0; j < n; ++j)
        for (const TLeafCol& leaf : grid->LeafFieldArr())
            if (leaf.FColumn == columns->GetColumn(j)) {
                node[static_cast<std::size_t>(j)] = leaf.FLeaf;
                height[static_cast<std::size_t>(j)] = leaf.FLeaf ? leaf.FLeaf->CellHeight : 0;
                break;
            }
    TTitleExpArr levels;
    if (n == 0) return levels;
    for (;;) {
        const std::vector<THeadTreeNode*> list = node;
        const int m = *std::min_element(height.begin(), height.end());
        bool moved = false;
        for (std::size_t j = 0; j < node.size(); ++j)
            if (height[j] == m && node[j] && node[j]->ParentNode) {
                node[j] = node[j]->ParentNode;
                height[j] += node[j]->CellHeight;
                moved = true;
            }
        if (levels.empty() || moved) levels.push_back(list);
        if (!moved) break;
    }
    return levels;
}

// Column and row spans of the entry (level, column), top level first; covered entries are emptied
// so that each node is written once.
struct Span {
    int cols = 1;
    int rows = 1;
};

Span takeSpan(TTitleExpArr& levels, int level, int col) {
    Span s;
    THeadTreeNode* node = levels[static_cast<std::size_t>(level)][static_cast<std::size_t>(col)];
    const int n = static_cast<int>(levels[0].size());
    while (col + s.cols < n && levels[static_cast<std::size_t>(level)][static_cast<std::size_t>(col + s.cols)] == node)
        ++s.cols;
    while (level - s.rows >= 0 && levels[static_cast<std::size_t>(level - s.rows)][static_cast<std::size_t>(col)] == node)
        ++s.rows;
    for (int l = level; l > level - s.rows; --l)
        for (int c = col; c < col + s.cols; ++c)
            if (l != level || c != col) levels[static_cast<std::size_t>(l)][static_cast<std::size_t>(c)] = nullptr;
    return s;
}

}  // namespace

// ==== HTML =================================================================================================

void TDBGridGxExportAsHTML::put(const AnsiString& s) { WriteBytes(EncodeText(s)); }

namespace {

// A cell's text in its font, already in the writer's encoding. The markup around the font's name
// and the text is plain ASCII, so encoding the pieces gives the bytes encoding the whole would.
void appendHtmlText(std::string& s, const TDBGridGxExport& writer, TFont* font, const AnsiString& text) {
    const TFontStyles style = font->Style();
    s += "<FONT STYLE=\"font-family: "sv;
    writer.AppendEncoded(s, font->Name());
    s += "; font-size: "sv;
    appendInt(s, font->Size());
    s += "pt; color: #"sv;
    appendHexColor(s, font->Color());
    s += "\">"sv;
    if (style.Contains(fsBold)) s += "<B>"sv;
    if (style.Contains(fsItalic)) s += "<I>"sv;
    if (style.Contains(fsUnderline)) s += "<U>"sv;
    if (style.Contains(fsStrikeOut)) s += "<STRIKE>"sv;
    if (text.IsEmpty()) {
        s += "&nbsp"sv;
    } else if (!containsAnyOf(text.str(), "&<>\""sv)) {
        writer.AppendEncoded(s, text);
    } else {
        std::string escaped;
        const std::string& t = text.str();
        for (std::size_t i = 0; i < t.size(); ++i) {
            const std::size_t before = escaped.size();
            switch (t[i]) {
            case '&': escaped += "&amp"sv; break;
            case '<': escaped += "&lt"sv; break;
            case '>': escaped += "&gt"sv; break;
            case '"': escaped += "&quot"sv; break;
            default: escaped.push_back(t[i]);
            }
            // An entity is written without its ';', so a ';' of the text after it would be read as
            // the entity's end and lost: there the entity gets its own.
            if (escaped.size() != before + 1 && i + 1 < t.size() && t[i + 1] == ';') escaped.push_back(';');
        }
        writer.AppendEncoded(s, AnsiString(std::move(escaped)));
    }
    if (style.Contains(fsBold)) s += "</B>"sv;
    if (style.Contains(fsItalic)) s += "</I>"sv;
    if (style.Contains(fsUnderline)) s += "</U>"sv;
    if (style.Contains(fsStrikeOut)) s += "</STRIKE>"sv;
    s += "</FONT>"sv;
}

// "  <TD WIDTH=w ALIGN="a" BGCOLOR=#rrggbb>" + the text + "</TD>"
void appendHtmlCell(std::string& s, const TDBGridGxExport& writer, int width, TAlignment alignment, TColor background,
                    TFont* font, const AnsiString& text) {
    s += "  <TD WIDTH="sv;
    appendInt(s, width);
    s += " ALIGN=\""sv;
    s += alignmentWord(alignment);
    s += "\" BGCOLOR=#"sv;
    appendHexColor(s, background);
    s += ">"sv;
    appendHtmlText(s, writer, font, text);
    s += "</TD>\r\n"sv;
}

}  // namespace

void TDBGridGxExportAsHTML::putText(TFont* font, const AnsiString& text) {
    std::string s;
    appendHtmlText(s, *this, font, text);
    WriteBytes(s);
}

void TDBGridGxExportAsHTML::WritePrefix() {
    AnsiString border;
    if (!(DBGrid->Options() & (dgColLines | dgRowLines))) border = "BORDER=0 CELLSPACING=0 CELLPADDING=";
    else if (DBGrid->Ctl3D()) border = "BORDER=1 CELLSPACING=0 CELLPADDING=";
    else border = "BORDER=0 CELLSPACING=1 CELLPADDING=";
    // Readers take the page's code page from this line only; without it the Cyrillic is garbled.
    put(AnsiString("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">") + kCrLf + "<HTML>" + kCrLf + "<HEAD>" + kCrLf +
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">" + kCrLf + "<TITLE>" + kCrLf +
        DBGrid->Name() + kCrLf + "</TITLE>" + kCrLf + "</HEAD>" + kCrLf + "<BODY>" + kCrLf + "<TABLE " + border +
        (DBGrid->Flat() ? "1" : "2") + " BGCOLOR=#" + hexColor(DBGrid->FixedColor()) + ">" + kCrLf + kCrLf);
}

void TDBGridGxExportAsHTML::WriteSuffix() {
    put(AnsiString("</TABLE>") + kCrLf + "</BODY>" + kCrLf + "</HTML>" + kCrLf);
}

void TDBGridGxExportAsHTML::WriteTitle(TColumnsGxList* Columns) {
    if (!DBGrid->UseMultiTitle()) {
        put(AnsiString("<TR>") + kCrLf);
        for (int i = 0; i < Columns->Count(); ++i) {
            TColumnGx* c = Columns->GetColumn(i);
            put("  <TD WIDTH=" + IntToStr(ExportColumnWidth(c)) + " ALIGN=\"" + alignmentWord(c->Title()->Alignment()) + "\">");
            putText(c->Title()->Font(), c->Title()->Caption());
            put(AnsiString("</TD>") + kCrLf);
        }
        put(AnsiString("</TR>") + kCrLf);
        return;
    }
    TTitleExpArr levels = titleLevels(DBGrid, Columns);
    for (int level = static_cast<int>(levels.size()) - 1; level >= 0; --level) {
        put(AnsiString("<TR>") + kCrLf);
        for (int j = 0; j < Columns->Count(); ++j) {
            THeadTreeNode* node = levels[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)];
            if (!node) continue;
            const Span span = takeSpan(levels, level, j);
            AnsiString head = level == 0 ? "  <TD WIDTH=" + IntToStr(ExportColumnWidth(Columns->GetColumn(j))) + " ALIGN=\"CENTER\""
                                         : AnsiString("  <TD ALIGN=\"CENTER\"");
            if (span.cols > 1) head += " COLSPAN = \"" + IntToStr(span.cols) + "\"";
            if (span.rows > 1) head += " ROWSPAN = \"" + IntToStr(span.rows) + "\"";
            put(head + ">");
            putText(level == 0 ? Columns->GetColumn(j)->Title()->Font() : DBGrid->TitleFont(), node->NodeText);
            put(AnsiString("</TD>") + kCrLf);
        }
        put(AnsiString("</TR>") + kCrLf);
    }
}

void TDBGridGxExportAsHTML::WriteRecord(TColumnsGxList* Columns) {
    put(AnsiString("<TR>") + kCrLf);
    TDBGridGxExport::WriteRecord(Columns);
    put(AnsiString("</TR>") + kCrLf);
}

void TDBGridGxExportAsHTML::WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) {
    std::string s;
    s.reserve(160 + CellParams->Text.str().size());
    appendHtmlCell(s, *this, ExportColumnWidth(Column), CellParams->Alignment, CellParams->Background, CellParams->Font,
                   CellParams->Text);
    WriteBytes(s);
}

void TDBGridGxExportAsHTML::WriteFooter(TColumnsGxList* Columns, int FooterNo) {
    put(AnsiString("<TR>") + kCrLf);
    TDBGridGxExport::WriteFooter(Columns, FooterNo);
    put(AnsiString("</TR>") + kCrLf);
}

void TDBGridGxExportAsHTML::WriteFooterCell(int, int Row, TColumnGx* Column, TFont* AFont, TColor Background,
                                            TAlignment, const AnsiString& Text) {
    // The footer's own alignment, not the one its event may have changed.
    const TAlignment alignment = DBGrid->ImpExpFooter(Column, Row).Alignment;
    put("  <TD WIDTH=" + IntToStr(ExportColumnWidth(Column)) + " ALIGN=\"" + alignmentWord(alignment) + "\" BGCOLOR=#" +
        hexColor(Background) + ">");
    putText(AFont, Text);
    put(AnsiString("</TD>") + kCrLf);
}

// ==== RTF ==================================================================================================

namespace {

enum : unsigned { brLeft = 1, brTop = 2, brBottom = 4, brRight = 8, brAll = 15 };

// Appends the text in the writer's encoding with a backslash before each brace or backslash,
// which in a cell would end or open a group of the document.
void appendRtfText(std::string& s, const TDBGridGxExport& writer, const AnsiString& text) {
    const std::size_t at = s.size();
    writer.AppendEncoded(s, text);
    if (!containsAnyOf(std::string_view(s).substr(at), "\\{}"sv)) return;
    const std::string bytes = s.substr(at);
    s.resize(at);
    for (char c : bytes) {
        if (c == '\\' || c == '{' || c == '}') s.push_back('\\');
        s.push_back(c);
    }
}

}  // namespace

void TDBGridGxExportAsRTF::put(const AnsiString& s) { WriteBytes(s.str()); }

int TDBGridGxExportAsRTF::GetColorIndex(TColor color) {
    const TColor rgb = ColorToRGB(color);
    if (auto known = colorIndexes_.find(rgb); known != colorIndexes_.end()) return known->second;
    const AnsiString key = Format("%3d%3d%3d", GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    int i = colors_->IndexOf(key);
    if (i < 0) i = colors_->Add(key);
    colorIndexes_[rgb] = i;
    return i;
}

int TDBGridGxExportAsRTF::GetFontIndex(const AnsiString& fontName) {
    // Nearly every cell names the font the one before named.
    if (lastFontIndex_ >= 0 && fontName == lastFontName_) return lastFontIndex_;
    int found = -1;
    for (int i = 0; i < fonts_->Count() && found < 0; ++i)
        if (SameText(fonts_->Strings(i), fontName)) found = i;
    if (found < 0) found = fonts_->Add(fontName);
    lastFontName_ = fontName;
    lastFontIndex_ = found;
    return found;
}

void TDBGridGxExportAsRTF::start() {
    cache_.reset();
    colors_ = std::make_unique<TStringList>();
    fonts_ = std::make_unique<TStringList>();
    colorIndexes_.clear();
    pending_.clear();
    pendingUsed_ = 0;
    ppi_ = 0;
    lastFontName_ = AnsiString();
    lastFontIndex_ = -1;
    GetColorIndex(clBlack);
    GetColorIndex(static_cast<TColor>(0xFFFFFF));
    GetColorIndex(clBtnFace);
}

void TDBGridGxExportAsRTF::release() {
    cache_.reset();
    colors_.reset();
    fonts_.reset();
    colorIndexes_.clear();
    pending_.clear();
    pendingUsed_ = 0;
    lastFontIndex_ = -1;
}

// The colour and font tables the document starts with, of what the body used.
std::string TDBGridGxExportAsRTF::head() {
    AnsiString h = AnsiString("{\\rtf0\\ansi") + kCrLf + "{\\colortbl";
    for (int i = 0; i < colors_->Count(); ++i) {
        const std::string k = colors_->Strings(i).str();
        h += "\\red" + Trim(AnsiString(k.substr(0, 3))) + "\\green" + Trim(AnsiString(k.substr(3, 3))) + "\\blue" +
             Trim(AnsiString(k.substr(6, 3))) + ";";
    }
    h += AnsiString("}") + kCrLf + "{\\fonttbl";
    for (int i = 0; i < fonts_->Count(); ++i)
        h += "\\f" + IntToStr(i) + "\\fnil " + AnsiString(EncodeText(fonts_->Strings(i))) + ";";
    h += AnsiString("}") + kCrLf;
    return h.str();
}

// The body goes straight into the target from its end, and the tables are put in front of it
// afterwards, moving the body up: a second stream of the body's size, in memory, cost more than
// the export itself. On failure the target is cut back to where it ended, so it never keeps half
// a document.
void TDBGridGxExportAsRTF::exportBodyFirst(TStream* target, bool IsExportAll, bool inMemory) {
    const long long from = target->Position();
    try {
        TDBGridGxExport::ExportToStream(target, IsExportAll);
        const long long body = target->Size() - from;
        if (body > 0) {
            const std::string h = head();
            const auto headSize = static_cast<long long>(h.size());
            if (inMemory) {
                auto* memory = static_cast<TMemoryStream*>(target);
                memory->SetSize(from + headSize + body);
                char* at = static_cast<char*>(memory->Memory()) + from;
                std::memmove(at + h.size(), at, static_cast<std::size_t>(body));
            } else {
                // From the end backwards, a piece at a time, each piece to its place headSize on.
                std::vector<char> piece(static_cast<std::size_t>(std::min<long long>(body, 1 << 20)));
                for (long long end = from + body; end > from;) {
                    const long long n = std::min<long long>(static_cast<long long>(piece.size()), end - from);
                    end -= n;
                    target->SetPosition(end);
                    target->ReadBuffer(piece.data(), n);
                    target->SetPosition(end + headSize);
                    target->WriteBuffer(piece.data(), n);
                }
            }
            target->SetPosition(from);
            target->WriteBuffer(h.data(), headSize);
            target->SetPosition(from + headSize + body);
        }
    } catch (...) {
        try {
            target->SetSize(from);
            target->SetPosition(from);
        } catch (...) {
            // The export's own failure is the one to report.
        }
        release();
        throw;
    }
    Stream = target;
    release();
}

void TDBGridGxExportAsRTF::ExportToStream(TStream* AStream, bool IsExportAll) {
    start();
    auto* memory = dynamic_cast<TMemoryStream*>(AStream);
    if (memory && memory->Position() == memory->Size()) {
        exportBodyFirst(AStream, IsExportAll, true);
        return;
    }
    // Any other stream may not be readable or may hold bytes after the position: the body waits
    // in memory, and the tables and the body go to the stream at the end.
    cache_ = std::make_unique<TMemoryStreamGx>();
    cache_->CapacityHalfStep = 65536;
    try {
        TDBGridGxExport::ExportToStream(cache_.get(), IsExportAll);
        if (cache_->Size() > 0) {
            Stream = AStream;
            WriteBytes(head());
            AStream->WriteBuffer(cache_->Memory(), cache_->Size());
        }
    } catch (...) {
        release();
        throw;
    }
    release();
}

void TDBGridGxExportAsRTF::ExportToFile(const AnsiString& FileName, bool IsExportAll) {
    // The export's own file can be read back, so the body goes straight into it.
    TBufferedFileStream file(FileName, fmCreate);
    start();
    exportBodyFirst(&file, IsExportAll, false);
    file.FlushBuffer();
}

void TDBGridGxExportAsRTF::WriteSuffix() { put("}"); }

void TDBGridGxExportAsRTF::rowHead(TColumnsGxList* columns, const std::vector<TColor>& shading,
                                   const std::vector<unsigned>& borders) {
    if (ppi_ <= 0) {
        ppi_ = GetDeviceCaps(DBGrid->Canvas()->Handle(), LOGPIXELSX);
        if (ppi_ <= 0) ppi_ = 96;
    }
    const int ppi = ppi_;
    std::string s = "\\trowd\\trgaph40\r\n";
    long long x = 0;
    for (int j = 0; j < columns->Count(); ++j) {
        const unsigned b = borders[static_cast<std::size_t>(j)];
        if (b & brLeft) s += "\\clbrdrl\\brdrs\\brdrcf0\r\n"sv;
        if (b & brTop) s += "\\clbrdrt\\brdrs\\brdrcf0\r\n"sv;
        if (b & brBottom) s += "\\clbrdrb\\brdrs\\brdrcf0\r\n"sv;
        if (b & brRight) s += "\\clbrdrr\\brdrs\\brdrcf0\r\n"sv;
        x += Round(static_cast<double>(ExportColumnWidth(columns->GetColumn(j))) / ppi * 1440);
        s += "\\clshdng10000\\clcfpat"sv;
        appendInt(s, GetColorIndex(shading[static_cast<std::size_t>(j)]));
        s += "\\cellx"sv;
        appendInt(s, x);
        s += "\r\n"sv;
    }
    s += "{\\trrh0\r\n"sv;
    WriteBytes(s);
}

void TDBGridGxExportAsRTF::cell(TAlignment alignment, const AnsiString& pad, TFont* font, TColor background,
                                const AnsiString& text) {
    std::string s = "\\pard\\intbl{";
    s.reserve(96 + text.str().size());
    s += alignment == taRightJustify ? "\\qr" : alignment == taCenter ? "\\qc" : "\\ql";
    if (!pad.IsEmpty()) {
        s += "\\sb"sv;
        s += pad.str();
        s += "\\sa"sv;
        s += pad.str();
    }
    const TFontStyles style = font->Style();
    s += "\\fs"sv;
    appendInt(s, static_cast<long long>(font->Size()) * 2);
    if (style.Contains(fsBold)) s += "\\b"sv;
    if (style.Contains(fsItalic)) s += "\\i"sv;
    if (style.Contains(fsStrikeOut)) s += "\\strike"sv;
    if (style.Contains(fsUnderline)) s += "\\ul"sv;
    s += "\\f"sv;
    appendInt(s, GetFontIndex(font->Name()));
    s += "\\cf"sv;
    appendInt(s, GetColorIndex(font->Color()));
    s += "\\cb"sv;
    appendInt(s, GetColorIndex(background));
    s += " "sv;
    appendRtfText(s, *this, text);
    s += "\\cell}\r\n"sv;
    WriteBytes(s);
}

void TDBGridGxExportAsRTF::WriteTitle(TColumnsGxList* Columns) {
    const int n = Columns->Count();
    const AnsiString pad = DBGrid->Flat() ? "12" : "24";
    if (!DBGrid->UseMultiTitle()) {
        std::vector<TColor> shading;
        for (int j = 0; j < n; ++j) shading.push_back(Columns->GetColumn(j)->Title()->Color());
        rowHead(Columns, shading, std::vector<unsigned>(static_cast<std::size_t>(n), brAll));
        for (int j = 0; j < n; ++j) {
            TColumnTitleGx* t = Columns->GetColumn(j)->Title();
            cell(t->Alignment(), pad, t->Font(), t->Color(), t->Caption());
        }
        put(AnsiString("\\pard\\intbl\\row}") + kCrLf);
        return;
    }
    int ppi = GetDeviceCaps(DBGrid->Canvas()->Handle(), LOGPIXELSX);
    if (ppi <= 0) ppi = 96;
    const AnsiString titlePad =
        AnsiString(std::to_string(std::llabs(Round(DBGrid->VTitleMargin() / 2.0 / ppi * 1440 - 20))));
    const TTitleExpArr full = titleLevels(DBGrid, Columns);
    TTitleExpArr firsts = full;
    const int top = static_cast<int>(full.size()) - 1;
    for (int level = top; level >= 0; --level) {
        for (int j = 0; j < n; ++j)
            if (firsts[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)]) takeSpan(firsts, level, j);
        auto at = [&](int l, int c) -> THeadTreeNode* {
            if (l < 0 || l > top || c < 0 || c >= n) return nullptr;
            return full[static_cast<std::size_t>(l)][static_cast<std::size_t>(c)];
        };
        std::vector<TColor> shading;
        std::vector<unsigned> borders;
        for (int j = 0; j < n; ++j) {
            THeadTreeNode* node = at(level, j);
            unsigned b = 0;
            if (at(level, j - 1) != node) b |= brLeft;
            if (at(level + 1, j) != node) b |= brTop;
            if (at(level - 1, j) != node) b |= brBottom;
            if (at(level, j + 1) != node) b |= brRight;
            borders.push_back(b);
            shading.push_back(level == 0 ? Columns->GetColumn(j)->Title()->Color() : DBGrid->FixedColor());
        }
        rowHead(Columns, shading, borders);
        for (int j = 0; j < n; ++j) {
            THeadTreeNode* node = firsts[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)];
            TColumnTitleGx* t = Columns->GetColumn(j)->Title();
            TFont* font = level == 0 ? t->Font() : DBGrid->TitleFont();
            const TColor background = level == 0 ? t->Color() : DBGrid->FixedColor();
            if (node) cell(taCenter, titlePad, font, background, node->NodeText);
            else cell(taCenter, AnsiString(), font, background, AnsiString());
        }
        put(AnsiString("\\pard\\intbl\\row}") + kCrLf);
    }
}

void TDBGridGxExportAsRTF::addPending(TAlignment alignment, TFont* font, TColor background, const AnsiString& text) {
    // The cells of the rows before keep their fonts: a row reuses them instead of making new ones.
    if (pendingUsed_ == pending_.size()) {
        pending_.emplace_back();
        pending_.back().Font = std::make_unique<TFont>();
    }
    TRtfPendingCellGx& c = pending_[pendingUsed_++];
    c.Alignment = alignment;
    c.Font->Assign(font);
    c.Background = background;
    c.Text = text;
}

void TDBGridGxExportAsRTF::flushRow(TColumnsGxList* columns) {
    const std::size_t n = pendingUsed_;
    std::vector<TColor> shading;
    shading.reserve(n);
    for (std::size_t i = 0; i < n; ++i) shading.push_back(pending_[i].Background);
    rowHead(columns, shading, std::vector<unsigned>(n, brAll));
    const AnsiString pad = DBGrid->Flat() ? "12" : "24";
    for (std::size_t i = 0; i < n; ++i) {
        const TRtfPendingCellGx& c = pending_[i];
        cell(c.Alignment, pad, c.Font.get(), c.Background, c.Text);
    }
    put(AnsiString("\\pard\\intbl\\row}") + kCrLf);
    pendingUsed_ = 0;
}

void TDBGridGxExportAsRTF::WriteRecord(TColumnsGxList* Columns) {
    pendingUsed_ = 0;
    TDBGridGxExport::WriteRecord(Columns);
    flushRow(Columns);
}

void TDBGridGxExportAsRTF::WriteDataCell(TColumnGx*, TColCellParamsGx* CellParams) {
    addPending(CellParams->Alignment, CellParams->Font, CellParams->Background, CellParams->Text);
}

void TDBGridGxExportAsRTF::WriteFooter(TColumnsGxList* Columns, int FooterNo) {
    pendingUsed_ = 0;
    TDBGridGxExport::WriteFooter(Columns, FooterNo);
    flushRow(Columns);
}

void TDBGridGxExportAsRTF::WriteFooterCell(int, int, TColumnGx*, TFont* AFont, TColor Background, TAlignment Alignment,
                                           const AnsiString& Text) {
    addPending(Alignment, AFont, Background, Text);
}

// ==== XLS ==================================================================================================

namespace {

void putLE16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

constexpr int kRkMin = -536870912;
constexpr int kRkMax = 536870911;

}  // namespace

void TDBGridGxExportAsXLS::writeRecordHeader(std::uint16_t type, std::uint16_t length) {
    std::string s;
    putLE16(s, type);
    putLE16(s, length);
    WriteBytes(s);
}

void TDBGridGxExportAsXLS::advance() {
    if (col_ + 1 >= ExpCols()->Count()) {
        ++row_;
        col_ = 0;
    } else {
        ++col_;
    }
}

void TDBGridGxExportAsXLS::writeLabel(const AnsiString& text) {
    if (row_ >= MaxRows) throw Exception("XLS export: a worksheet holds at most 65536 rows");
    std::string bytes = EncodeText(text);
    // The record's length is 16 bits as well.
    if (bytes.size() > 0xFFFF - 8) bytes.resize(0xFFFF - 8);
    std::string s;
    putLE16(s, 0x0204);
    putLE16(s, static_cast<std::uint16_t>(bytes.size() + 8));
    putLE16(s, static_cast<std::uint16_t>(row_));
    putLE16(s, static_cast<std::uint16_t>(col_));
    putLE16(s, 0);
    putLE16(s, static_cast<std::uint16_t>(bytes.size()));
    s += bytes;
    WriteBytes(s);
    advance();
}

void TDBGridGxExportAsXLS::writeNumber(double v) {
    if (row_ >= MaxRows) throw Exception("XLS export: a worksheet holds at most 65536 rows");
    std::string s;
    putLE16(s, 0x0203);
    putLE16(s, 14);
    putLE16(s, static_cast<std::uint16_t>(row_));
    putLE16(s, static_cast<std::uint16_t>(col_));
    putLE16(s, 0);
    char d[8];
    std::memcpy(d, &v, 8);
    s.append(d, 8);
    WriteBytes(s);
    advance();
}

void TDBGridGxExportAsXLS::writeRK(int v) {
    // Outside the 30 bits an RK value holds, the number would come back as another.
    if (v < kRkMin || v > kRkMax) {
        writeNumber(v);
        return;
    }
    if (row_ >= MaxRows) throw Exception("XLS export: a worksheet holds at most 65536 rows");
    std::string s;
    putLE16(s, 0x027E);
    putLE16(s, 10);
    putLE16(s, static_cast<std::uint16_t>(row_));
    putLE16(s, static_cast<std::uint16_t>(col_));
    putLE16(s, 0);
    const std::uint32_t rk = static_cast<std::uint32_t>(v) * 4u + 2u;
    char d[4];
    std::memcpy(d, &rk, 4);
    s.append(d, 4);
    WriteBytes(s);
    advance();
}

void TDBGridGxExportAsXLS::writeBlank() {
    if (row_ >= MaxRows) throw Exception("XLS export: a worksheet holds at most 65536 rows");
    std::string s;
    putLE16(s, 0x0201);
    putLE16(s, 6);
    putLE16(s, static_cast<std::uint16_t>(row_));
    putLE16(s, static_cast<std::uint16_t>(col_));
    putLE16(s, 0x0017);
    WriteBytes(s);
    advance();
}

void TDBGridGxExportAsXLS::ExportToStream(TStream* AStream, bool IsExportAll) {
    row_ = 0;
    col_ = 0;
    // Built in memory: a refused export leaves nothing half-written behind.
    TMemoryStreamGx cache;
    cache.CapacityHalfStep = 65536;
    TDBGridGxExport::ExportToStream(&cache, IsExportAll);
    if (cache.Size() > 0) AStream->WriteBuffer(cache.Memory(), cache.Size());
    Stream = AStream;
}

void TDBGridGxExportAsXLS::WritePrefix() {
    writeRecordHeader(0x0809, 8);
    std::string s;
    putLE16(s, 0x0000);
    putLE16(s, 0x0010);
    putLE16(s, 0x0000);
    putLE16(s, 0x0000);
    WriteBytes(s);
}

void TDBGridGxExportAsXLS::WriteSuffix() { writeRecordHeader(0x000A, 0); }

void TDBGridGxExportAsXLS::WriteTitle(TColumnsGxList* Columns) {
    for (int i = 0; i < Columns->Count(); ++i) writeLabel(Columns->GetColumn(i)->Title()->Caption());
}

void TDBGridGxExportAsXLS::WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) {
    TField* field = Column->Field();
    if (!field) {
        writeBlank();
        return;
    }
    if (Column->GetColumnType() == ctKeyPickList) {
        writeLabel(CellParams->Text);
        return;
    }
    if (field->IsNull()) {
        writeBlank();
        return;
    }
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: writeRK(field->AsInteger()); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: writeNumber(field->AsFloat()); break;
    default: writeLabel(CellParams->Text); break;  // fixed-length bytes too: they have no number
    }
}

void TDBGridGxExportAsXLS::WriteFooterCell(int DataCol, int Row, TColumnGx* Column, TFont*, TColor, TAlignment,
                                           const AnsiString& Text) {
    const TImpExpFooterKindGx kind = DBGrid->ImpExpFooter(Column, Row).Kind;
    if (kind == ifkSumGx || kind == ifkCountGx) {
        const std::size_t at = static_cast<std::size_t>(DataCol + Row * ExpCols()->Count());
        writeNumber(at < FooterValues.size() ? static_cast<double>(FooterValues[at]) / 10000.0 : 0.0);
    } else {
        writeLabel(Text);
    }
}
