// Grid printing: the rich-text blocks printed before and after a grid, the page margins and the
// print options.
#pragma once

#include "gui/RichText.h"
#include "rtl/Classes.h"
#include "rtl/Currency.h"
#include "rtl/Streams.h"

#include <initializer_list>
#include <memory>

enum TPrintDBGridGxOption {
    pghFitGridToPageWidth,
    pghColored,
    pghRowAutoStretch,
    pghFitingByColWidths,
    pghOptimalColWidths
};

// A set of print options: `o << pghColored` adds one, `o >> pghColored` removes it.
class TPrintDBGridGxOptions {
public:
    constexpr TPrintDBGridGxOptions() = default;
    constexpr TPrintDBGridGxOptions(std::initializer_list<TPrintDBGridGxOption> l) {
        for (auto o : l) bits_ |= 1u << o;
    }
    constexpr bool Contains(TPrintDBGridGxOption o) const { return (bits_ & (1u << o)) != 0; }
    constexpr TPrintDBGridGxOptions operator<<(TPrintDBGridGxOption o) const {
        TPrintDBGridGxOptions r(*this);
        r.bits_ |= 1u << o;
        return r;
    }
    constexpr TPrintDBGridGxOptions operator>>(TPrintDBGridGxOption o) const {
        TPrintDBGridGxOptions r(*this);
        r.bits_ &= ~(1u << o);
        return r;
    }
    constexpr void Set(TPrintDBGridGxOption o, bool on) {
        if (on) bits_ |= 1u << o;
        else bits_ &= ~(1u << o);
    }
    friend constexpr bool operator==(const TPrintDBGridGxOptions&, const TPrintDBGridGxOptions&) = default;

private:
    unsigned bits_ = 0;
};

enum TMeasureUnits { MM, Inches };

// Page margins, in the print component's units (with MM a value counts centimetres).
class TPageParams : public TPersistent {
    PLANTMON_CLASS(TPageParams, TPersistent)
public:
    Currency TopMargin = Currency(2);
    Currency BottomMargin = Currency(2);
    Currency LeftMargin = Currency(2);
    Currency RightMargin = Currency(2);
    bool IsTopMarginStored() const { return TopMargin != Currency(2); }
    bool IsBottomMarginStored() const { return BottomMargin != Currency(2); }
    bool IsLeftMarginStored() const { return LeftMargin != Currency(2); }
    bool IsRightMarginStored() const { return RightMargin != Currency(2); }
    void Assign(TPersistent* source) override;
};

// A string list whose lines are the paragraphs of a rich-text document, so a block keeps its fonts,
// sizes and alignment, streams as RTF, and can be searched, replaced and rendered onto a printer.
class TRichEditStrings : public TStrings {
    PLANTMON_CLASS(TRichEditStrings, TStrings)
public:
    TRichEditStrings();
    ~TRichEditStrings() override;

    // Lines; a last line that is empty does not count.
    int Count() const override;
    AnsiString Get(int index) const override;
    // Nothing for a negative index or a line that does not exist.
    void Put(int index, const AnsiString& s) override;
    // Before line index; at the index after the last line, appended behind it with a leading line
    // break (nothing when that line is empty). EOutOfResources "RichEdit line insertion error" when
    // the text did not land where it was put.
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;

    void SetTextStr(const AnsiString& text);
    void AddStrings(const TStrings* other);
    // RTF unless PlainText; a stream that fails in one format is read again from where it began
    // in the other. EOutOfResources "Failed to Load Stream" / "Failed to Save Stream".
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

    bool PlainText = false;
    TRichTextDocument& Document() const { return *doc_; }

protected:
    void SetUpdateState(bool updating) override;

private:
    std::unique_ptr<TRichTextDocument> doc_;
};

// Search options of GridTextReplace.
enum TGridTextSearchOption { gstMatchCaseGx = 1 };

// Replaces findText in the block from start on (length -1: to the end), letter case ignored unless
// the options say otherwise; with replaceAll every occurrence. The search goes on after each
// inserted text, so a replacement that holds its own search text ends. Returns the replacements.
int GridTextReplace(TRichEditStrings* strings, const AnsiString& findText, const AnsiString& replaceText, int start,
                    int length, int options, bool replaceAll);
