// The printer, and printing of the pages a TWebView shows.
//
// One printer object (Printer()) holds the page settings of the run: the page setup dialog changes
// them, and later prints and previews use them. Its output goes to the chosen printer, or into a PDF
// file when an output file name is set (the print dialog offers that too).
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

enum TPrinterOrientation { poPortrait, poLandscape };

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
    // The printers installed on this computer.
    static std::vector<AnsiString> Printers();

    // Platform side.
    QPrinter* QtPrinter() const { return printer_.get(); }

private:
    std::unique_ptr<QPrinter> printer_;
};

// The printer of the program.
TPrinter* Printer();

// ---- Dialogs --------------------------------------------------------------------------------------
enum class TPrintDialogKind { Print, PageSetup, Preview };

struct TPrintDialogRequest {
    TPrintDialogKind Kind = TPrintDialogKind::Print;
    TPrinter* Printer = nullptr;
    // Preview: the pages the document was laid out in.
    int PageCount = 0;
};

// Answers a dialog: true accepts it (Print: print; PageSetup: keep the settings made; Preview: print
// from the preview). The hook may change the printer first.
using TPrintDialogHook = std::function<bool(TPrintDialogRequest& request)>;
// Installs the hook (an empty one restores the real dialogs); returns the previous one.
TPrintDialogHook SetPrintDialogHook(TPrintDialogHook hook);

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
