// A rich-text document without a window: the text of a formatted block (fonts, sizes, styles,
// colours, paragraph alignment) that is edited by position, searched, stored as RTF and rendered
// page by page onto a canvas.
//
// Lines are paragraphs: line i is the text between two paragraph breaks, however a window would
// wrap it. Positions count characters (code points), a paragraph break counting as one; an empty
// document has one empty line.
//
// RTF is the program's own reader and writer of the common subset: code page 1251, the font and
// colour tables, paragraph alignment (\ql \qc \qr \qj), \fs, \b, \i, \ul, \strike, \f, \cf, \par,
// \line, \tab, \'hh and \uN escapes; groups the reader does not know (pictures, style sheets, "\*"
// destinations) are skipped.
#pragma once

#include "gui/Graphics.h"
#include "rtl/Classes.h"

#include <memory>

enum TRichAlignment { raLeft, raCenter, raRight, raJustify };

// Character format of inserted text.
struct TRichTextFormat {
    AnsiString FontName = "Times New Roman";
    int Size = 10;  // points
    TFontStyles Style;
    TColor Color = clBlack;
};

struct TRichTextDocumentData;

class TRichTextDocument {
public:
    TRichTextDocument();
    ~TRichTextDocument();
    TRichTextDocument(const TRichTextDocument&) = delete;
    TRichTextDocument& operator=(const TRichTextDocument&) = delete;

    // ---- Lines
    int LineCount() const;
    // The text of line i (empty for a line that does not exist).
    AnsiString Line(int i) const;
    // Position of the first character of line i; -1 when there is no such line.
    int LineStart(int i) const;
    int LineLength(int i) const;
    // Characters in the document, paragraph breaks included (the last line has none).
    int Length() const;

    // ---- Selection and editing
    void SetSelection(int start, int end);  // clamped to 0 … Length()
    int SelStart() const;
    int SelEnd() const;
    // Replaces the selection by text ("\r\n", "\n" or "\r" start a new paragraph); the new text takes
    // the format in force at the selection's start. Afterwards the selection is empty, after the
    // inserted text.
    void ReplaceSelection(const AnsiString& text);
    // Format for the selection (and for text typed at an empty selection), alignment of the
    // paragraphs it touches.
    void SetSelectionFormat(const TRichTextFormat& f);
    void SetSelectionAlignment(TRichAlignment a);
    TRichTextFormat FormatAt(int position) const;
    TRichAlignment AlignmentOfLine(int i) const;
    // Position of the first occurrence of text in [from, to) (to < 0: to the end), letter case
    // ignored unless matchCase; -1 when none.
    int Find(const AnsiString& text, int from, int to = -1, bool matchCase = false) const;
    void Clear();

    // ---- Whole text
    // Lines joined by "\r\n".
    AnsiString Text() const;
    void SetText(const AnsiString& text);

    // ---- Streams
    AnsiString SaveRtf() const;
    // False (and the document unchanged) when data is not RTF.
    bool LoadRtf(const AnsiString& data);

    // ---- Rendering
    // Draws the part from character `from` on that fits into rect of canvas (whole lines only),
    // sized for the canvas's resolution (GetDeviceCaps) and wrapped to the rect's width. Returns
    // the position of the first character not drawn (Length() when everything fitted) and sets
    // usedHeight to the height drawn. With draw false it only measures. atLeastOneLine: a first
    // line taller than rect is drawn (clipped) all the same, so that a page loop always advances.
    int Render(TCanvas* canvas, const TRect& rect, int from, bool draw, int& usedHeight,
               bool atLeastOneLine = false) const;

    TRichTextDocumentData& Data() noexcept { return *d_; }

private:
    std::unique_ptr<TRichTextDocumentData> d_;
};
