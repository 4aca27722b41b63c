// Grid printing: the grid printer TPrintDBGridGx with its page margins, headers and footers and
// print options, and the rich-text blocks it prints before and after a grid.
#pragma once

#include "gridlib/grid/DBGridGx.h"
#include "gridlib/print/Prntsgx.h"
#include "gui/RichText.h"
#include "rtl/Classes.h"
#include "rtl/Currency.h"
#include "rtl/Streams.h"

#include <initializer_list>
#include <memory>
#include <vector>

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

// ---- The grid printer ------------------------------------------------------------------------------

enum TPageColontitleLineType { pcltNon, pcltSingleLine, pcltDoubleLine };

// The header or footer of every page: three texts (left, centre, right aligned) with the page and
// date macros, their font and a rule between them and the grid.
class TPageColontitle : public TPersistent {
    PLANTMON_CLASS(TPageColontitle, TPersistent)
public:
    TPageColontitle();
    ~TPageColontitle() override;
    TStrings* LeftText() const { return left_.get(); }
    void SetLeftText(TStrings* s) { left_->Assign(s); }
    TStrings* CenterText() const { return center_.get(); }
    void SetCenterText(TStrings* s) { center_->Assign(s); }
    TStrings* RightText() const { return right_.get(); }
    void SetRightText(TStrings* s) { right_->Assign(s); }
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* f) { font_->Assign(f); }
    TPageColontitleLineType LineType = pcltNon;
    void Assign(TPersistent* source) override;

private:
    std::unique_ptr<TStringList> left_, center_, right_;
    std::unique_ptr<TFont> font_;
};

// Prints a grid in its screen layout: titles (one or many levels), the rows of its dataset, a
// title text, page headers and footers with macros, and rich-text blocks before and after the
// grid whose markers are substituted in copies at print time. Drawn on a virtual printer: the
// system printer (Print) or the print preview (Preview).
class TPrintDBGridGx : public TComponent {
    PLANTMON_CLASS(TPrintDBGridGx, TComponent)
public:
    explicit TPrintDBGridGx(TComponent* owner);
    ~TPrintDBGridGx() override;

    TDBGridGx* DBGridGx() const { return grid_; }
    void SetDBGridGx(TDBGridGx* grid);
    TPrintDBGridGxOptions Options() const { return options_; }
    void SetOptions(TPrintDBGridGxOptions o) { options_ = o; }
    TPageParams* Page() const { return page_.get(); }
    void SetPage(TPageParams* p) { page_->Assign(p); }
    TPageColontitle* PageHeader() const { return header_.get(); }
    void SetPageHeader(TPageColontitle* c) { header_->Assign(c); }
    TPageColontitle* PageFooter() const { return footer_.get(); }
    void SetPageFooter(TPageColontitle* c) { footer_->Assign(c); }
    AnsiString PrintFontName() const { return printFontName_; }
    void SetPrintFontName(const AnsiString& name) { printFontName_ = name; }
    TStrings* Title() const { return title_.get(); }
    void SetTitle(TStrings* s) { title_->Assign(s); }
    TMeasureUnits Units() const { return units_; }
    // Converts the margins to the new unit (not while the component is being read).
    void SetUnits(TMeasureUnits u);

    // The rich-text blocks printed before and after the grid, made on first use.
    TRichEditStrings* BeforeGridText();
    void SetBeforeGridText(TStrings* s);
    TRichEditStrings* AfterGridText();
    void SetAfterGridText(TStrings* s);

    TNotifyEvent OnBeforePrint;
    TNotifyEvent OnAfterPrint;
    TNotifyEvent OnPrinterSetupDialog;

    // Into the print preview window.
    void Preview();
    // On the system printer.
    void Print();
    // On the given printer. Does nothing without a grid with an active dataset, or while another
    // print records (one print at a time); a stop from the printer ends it quietly.
    void PrintTo(TVirtualPrinter* printer);
    // Pairs of (marker, replacement), applied to copies of both blocks at print time, letter case
    // of the markers ignored.
    void SetSubstitutes(std::initializer_list<AnsiString> pairs);
    void SetSubstitutes(const std::vector<AnsiString>& pairs);
    // The margins, print font and options in the setup dialog: true when accepted.
    bool PrinterSetupDialog();
    // The preview's setup button: the setup dialog, then the preview again when accepted.
    void PrinterSetupDialogPreview(TObject* Sender);
    // True while a print runs (one at a time, whichever component started it): a screen leaves the
    // data of its grid alone meanwhile.
    bool Printing() const { return PrintInProgress(); }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler* filer) override;

private:
    friend class TGridPrintJob;
    // A grid with an open dataset to print.
    bool hasData() const;
    void readBefore(TStream* s) { BeforeGridText()->LoadFromStream(s); }
    void writeBefore(TStream* s) { BeforeGridText()->SaveToStream(s); }
    void readAfter(TStream* s) { AfterGridText()->LoadFromStream(s); }
    void writeAfter(TStream* s) { AfterGridText()->SaveToStream(s); }

    TDBGridGx* grid_ = nullptr;
    TPrintDBGridGxOptions options_;
    std::unique_ptr<TPageParams> page_;
    std::unique_ptr<TPageColontitle> header_, footer_;
    AnsiString printFontName_;
    std::unique_ptr<TStringList> title_;
    TMeasureUnits units_ = MM;
    std::unique_ptr<TRichEditStrings> before_, after_;
    std::unique_ptr<TStringList> searches_, replacements_;
    std::unique_ptr<TColCellParamsGx> cellParams_;
    bool running_ = false;
};

// ---- Page arithmetic of the grid printer ----------------------------------------------------------
// A margin in printer pixels: margin × ppi / d, rounded, d = 2.54 for MM (a margin counts
// centimetres), 1 for Inches.
int PrintMarginPixels(int ppi, Currency margin, TMeasureUnits units);
// Narrows the column widths to the available width in proportion (MulDiv); when rounding leaves
// the sum too large, the last column gives up the rest. Widths whose sum fits stay.
void FitPrintColumnWidths(std::vector<int>& widths, int available);
// The header and footer macros ("&[Page]", "&[ShortDate]", "&[Date]", "&[LongDate]", "&[Time]",
// "&[Pages]") replaced in any letter case; a macro right after another "&" prints as its name.
AnsiString ReplacePrintMacros(const AnsiString& text, int page, int pages, TDateTime now);
