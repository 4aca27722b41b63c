// The clipboard: text and the byte formats that this program and others exchange through it.
//
// A format is a number. CF_TEXT and CF_UNICODETEXT both stand for the clipboard's text, which is
// read and written as UTF-8 here and offered to other programs as ordinary text; CF_BITMAP tells
// that the clipboard holds a picture. Every other format is registered by name
// (RegisterClipboardFormat) and carries its bytes exactly as placed, NUL bytes included. Other
// programs see a registered format under its name as the type of the data, so "text/csv" is the
// name under which they look for CSV.
//
// Placing a format replaces everything the clipboard held. To place several formats in one step,
// Open the clipboard, place them and Close it: they reach the clipboard together at the last Close
// (Open and Close nest; Close after a failure too). While open with formats placed, reading sees
// what was placed.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/Classes.h"
#include "rtl/Streams.h"

#include <cstddef>
#include <memory>
#include <string>

class QMimeData;

using TClipboardFormat = unsigned;

constexpr TClipboardFormat CF_TEXT = 1;
constexpr TClipboardFormat CF_BITMAP = 2;
constexpr TClipboardFormat CF_UNICODETEXT = 13;

// The number of the format of that name: the same number for the same name, from 0xC000 on; 0 for
// an empty name.
TClipboardFormat RegisterClipboardFormat(const AnsiString& name);
// The name the format was registered under (empty for the standard formats and unknown numbers).
AnsiString GetClipboardFormatName(TClipboardFormat format);

class TClipboard : public TPersistent {
    PLANTMON_CLASS(TClipboard, TPersistent)
public:
    TClipboard();
    ~TClipboard() override;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    void Open();
    void Close();
    // Empties the clipboard (at the last Close while it is open).
    void Clear();

    bool HasFormat(TClipboardFormat format) const;
    // The formats the clipboard holds: the text as CF_TEXT and CF_UNICODETEXT, a picture as
    // CF_BITMAP, every other type of data under the number of its name.
    int FormatCount() const;
    TClipboardFormat Formats(int index) const;

    AnsiString AsText() const;
    void SetAsText(const AnsiString& text);
    // The bytes of a format (empty when the clipboard does not hold it); for the text formats the
    // text's UTF-8 bytes.
    std::string AsBytes(TClipboardFormat format) const;
    void SetAsBytes(TClipboardFormat format, const void* data, std::size_t size);
    void SetAsBytes(TClipboardFormat format, const std::string& bytes) {
        SetAsBytes(format, bytes.data(), bytes.size());
    }
    // Places the stream's bytes under the format by taking its memory over, so that a large
    // format costs no copy; the stream is left empty. With withoutLast given, the same bytes but
    // the last are placed under that format too (a terminator this program's readers expect and
    // other programs do not).
    void TakeAsBytes(TClipboardFormat format, TMemoryStream& stream, TClipboardFormat withoutLast = 0);

private:
    const QMimeData* current() const;
    QMimeData& target();
    void place(TClipboardFormat format, const std::shared_ptr<const char>& block, std::size_t size);
    int openCount_ = 0;
    // What was placed since the first Open, handed over at the last Close.
    std::unique_ptr<QMimeData> pending_;
};

// The program's clipboard.
TClipboard* Clipboard();
