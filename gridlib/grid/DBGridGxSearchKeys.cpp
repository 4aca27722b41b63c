// What the keys do to a running incremental search besides typing: the clipboard's text appended
// (Ctrl+V, Shift+Insert) and the last character taken back (Backspace).
#include "gridlib/grid/DBGridGx.h"

#include "gui/Clipbrd.h"

void TCustomDBGridGx::AppendClipboardToInplaceSearch() {
    StartInplaceSearch(Clipboard()->AsText(), InplaceSearchTimeOut(), inpsFromFirstGx);
}

void TCustomDBGridGx::InplaceSearchBackspace() {
    // The text is UTF-8: the last character may take several bytes, and none of it stays behind.
    std::string text = inplaceSearchText_.str();
    std::size_t end = text.size();
    while (end > 0 && (static_cast<unsigned char>(text[end - 1]) & 0xC0) == 0x80) --end;
    if (end > 0) --end;
    text.resize(end);
    inplaceSearchText_ = AnsiString(text);
    InvalidateRow(Row());
    StartInplaceSearchTimer();
}
