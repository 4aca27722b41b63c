// The printer, and printing of the pages a TWebView shows.
//
// One printer object (Printer()) holds the page settings of the run: the page setup dialog changes
// them, and later prints and previews use them. Its output goes to the chosen printer, or into a PDF
// file when an output file name is set (the print dialog offers that too). SetPrinter puts another
// printer object in its place for a while (a preview prints through its own).
//
// A document is drawn on the printer's canvas between BeginDoc and EndDoc, in device pixels of the
// printer (PixelsPerInch), with the origin at the corner of the printable area; NewPage starts the
// next sheet. GetDeviceCaps on the canvas answers the resolution, the unprintable border
// (PHYSICALOFFSETX/Y) and the whole sheet (PHYSICALWIDTH/HEIGHT).
//
// The three dialogs (print, page setup, preview) are modal windows of the toolkit. Tests replace
// them with a hook, as they do the message boxes: the hook sets up the printer (an output file, the
// orientation) and answers, and for a preview it is told how many pages the preview laid out.
#pragma once

#include "gui/Controls.h"

#include <functional>
#include <memory>
#include <vector>

class QPrinter;
class TWebView;
class TCanvas;

enum TPrinterOrientation { poPortrait, poLandscape };

PLANTMON_EXCEPTION(EPrinter, Exception);

class TPrinter : public TObject {
    PLANTMON_CLASS(TPrinter, TObject)
public:
    TPrinter();
    ~TPrinter() override;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation o);
    // The printer chosen (empty: the system's default printer, or none when no printer exists).
    AnsiString PrinterName() const;
    void SetPrinterName(const AnsiString& name);
    // A PDF file to print into instead of a printer; empty: print on the printer.
    AnsiString OutputFileName() const;
    void SetOutputFileName(const AnsiString& fileName);
    // The document name the print job carries.
    AnsiString Title() const;
    void SetTitle(const AnsiString& title);
    // Printable area of the page in device pixels.
    int PageWidth() const;
    int PageHeight() const;
    // The whole sheet in device pixels, and where the printable area begins on it.
    int FullPageWidth() const;
    int FullPageHeight() const;
    int PhysicalOffsetX() const;
    int PhysicalOffsetY() const;
    // Device pixels per inch (the same on both axes here).
    int PixelsPerInch() const;
    void SetPixelsPerInch(int ppi);
    int Copies() const;
    void SetCopies(int n);
    // The printers installed on this computer.
    static std::vector<AnsiString> Printers();
    // Position of the chosen printer in Printers(); -1 for the default printer (or when none
    // exists). An index out of range raises EPrinter.
    int PrinterIndex() const;
    void SetPrinterIndex(int index);

    // ---- Drawing a document
    // The canvas to draw on. Outside a document it measures (fonts, GetDeviceCaps) but draws nothing.
    TCanvas* Canvas();
    // Starts a document on page 1; EPrinter when one is being printed or the printer cannot be
    // opened.
    void BeginDoc();
    // Finishes the document (EPrinter when none is being printed).
    void EndDoc();
    // Starts the next page.
    void NewPage();
    // Ends the document unfinished; Aborted() then tells it.
    void Abort();
    bool Aborted() const noexcept { return aborted_; }
    bool Printing() const noexcept { return printing_; }
    int PageNumber() const noexcept { return pageNumber_; }

    // Platform side.
    QPrinter* QtPrinter() const { return printer_.get(); }

private:
    void bindCanvas(bool drawing);
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<TCanvas> canvas_;
    struct Doc;
    std::unique_ptr<Doc> doc_;
    bool printing_ = false;
    bool aborted_ = false;
    int pageNumber_ = 0;
};

// The printer of the program.
TPrinter* Printer();
// Makes printer the one Printer() returns (nullptr: the program's own again); returns the previous
// one. The caller keeps ownership.
TPrinter* SetPrinter(TPrinter* printer);

// ---- Dialogs --------------------------------------------------------------------------------------
enum class TPrintDialogKind { Print, PageSetup, Preview, PrinterSetup };

enum TPrintRange { prAllPages, prSelection, prPageNums };

struct TPrintDialogRequest {
    TPrintDialogKind Kind = TPrintDialogKind::Print;
    TPrinter* Printer = nullptr;
    // Preview: the pages the document was laid out in.
    int PageCount = 0;
    // Print with page numbers allowed (MaxPage > 0): the range offered and the one chosen; the hook
    // may choose pages by setting Range to prPageNums and FromPage/ToPage.
    int MinPage = 0;
    int MaxPage = 0;
    int FromPage = 0;
    int ToPage = 0;
    TPrintRange Range = prAllPages;
};

// Answers a dialog: true accepts it (Print: print; PageSetup: keep the settings made; Preview: print
// from the preview). The hook may change the printer first.
using TPrintDialogHook = std::function<bool(TPrintDialogRequest& request)>;
// Installs the hook (an empty one restores the real dialogs); returns the previous one.
TPrintDialogHook SetPrintDialogHook(TPrintDialogHook hook);

// The print dialog of a document the program draws itself: printer, copies and, with poPageNums,
// a range of pages between MinPage and MaxPage. Answered by the print dialog hook when one is set.
enum TPrintDialogOption { poPageNums, poPrintToFile, poSelection, poWarning, poDisablePrintToFile };

class TPrintDialog : public TComponent {
    PLANTMON_CLASS(TPrintDialog, TComponent)
public:
    explicit TPrintDialog(TComponent* owner) : TComponent(owner) {}
    // Shows the dialog for Printer(); true when the user chose to print.
    bool Execute();
    int MinPage = 0;
    int MaxPage = 0;
    int FromPage = 0;
    int ToPage = 0;
    int Copies = 1;
    TPrintRange PrintRange = prAllPages;
    bool PageNums = false;  // poPageNums
};

// The printer setup dialog (printer, paper, orientation) for Printer().
class TPrinterSetupDialog : public TComponent {
    PLANTMON_CLASS(TPrinterSetupDialog, TComponent)
public:
    explicit TPrinterSetupDialog(TComponent* owner) : TComponent(owner) {}
    bool Execute();
};

// ---- Printing a web view's page ----------------------------------------------------------------------
// Prints the page the view shows on printer; with showDialog the print dialog comes first and may
// cancel (false). True when the page was printed.
bool PrintWebView(TWebView* view, TPrinter* printer, bool showDialog);
// Shows the print preview of the page, from which the user may print; true when printed from it.
bool PreviewWebView(TWebView* view, TPrinter* printer);
// Shows the page setup dialog for printer; true when the user accepted it.
bool PageSetupDialog(TPrinter* printer);
// The number of pages the view's page takes on printer.
int WebViewPageCount(TWebView* view, TPrinter* printer);
