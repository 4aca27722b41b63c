#include "screens/tables/PrintHeading.h"

void SetPrintHeading(TRichEditStrings* block, std::initializer_list<TPrintHeadingLine> lines) {
    AnsiString text;
    for (const TPrintHeadingLine& l : lines) text += AnsiString(l.Text) + "\r\n";
    block->SetTextStr(text);
    TRichTextDocument& doc = block->Document();
    doc.SetSelection(0, doc.Length());
    doc.SetSelectionAlignment(raCenter);
    int i = 0;
    for (const TPrintHeadingLine& l : lines) {
        TRichTextFormat f;
        f.FontName = "Times New Roman";
        f.Size = l.Size;
        // The paragraph's break too, so an empty line takes its size.
        const int start = doc.LineStart(i);
        doc.SetSelection(start, start + doc.LineLength(i) + 1);
        doc.SetSelectionFormat(f);
        ++i;
    }
    doc.SetSelection(0, 0);
}
