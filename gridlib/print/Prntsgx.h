// The printer the grid library draws on: the system printer, or a print preview that records.
//
// TVirtualPrinter forwards every operation to the platform's printer (Printer()); the preview
// (PrViewGx.h) overrides them all. The library prints one document at a time: while any virtual
// printer records a document, PrintInProgress() is true, a second BeginDoc is refused and a screen
// can leave alone the data a print is reading.
#pragma once

#include "gui/Graphics.h"
#include "gui/Printers.h"
#include "rtl/Classes.h"

#include <vector>

class TVirtualPrinter : public TObject {
    PLANTMON_CLASS(TVirtualPrinter, TObject)
public:
    TVirtualPrinter() = default;
    ~TVirtualPrinter() override = default;

    virtual bool GetAborted();
    virtual TCanvas* GetCanvas();
    // Capabilities and fonts of the printer driver are not known here: none.
    virtual int GetCapabilities();
    virtual std::vector<AnsiString> GetFonts();
    virtual HDC GetHandle();
    virtual int GetNumCopies();
    virtual TPrinterOrientation GetOrientation();
    // Printable area in device pixels.
    virtual int GetPageHeight();
    virtual int GetPageWidth();
    virtual int GetPageNumber();
    virtual bool GetPrinting();
    virtual AnsiString GetTitle();
    // The whole sheet: printable size + twice the unprintable border.
    virtual int GetFullPageWidth();
    virtual int GetFullPageHeight();
    virtual int GetPrinterIndex();
    virtual std::vector<AnsiString> GetPrinters();
    virtual int GetPixelsPerInchX();
    virtual int GetPixelsPerInchY();
    virtual void SetPrinterIndex(int index);
    virtual void SetNumCopies(int n);
    virtual void SetOrientation(TPrinterOrientation o);
    virtual void SetTitle(const AnsiString& title);
    virtual void Abort();
    // Raises EAbort (silently refused) while any virtual printer records a document.
    virtual void BeginDoc();
    virtual void EndDoc();
    virtual void NewPage();
    virtual TPrinter* GetPrinter();
    virtual void SetPrinter(TPrinter* printer);

protected:
    // Marks the start and end of this printer's document for PrintInProgress().
    void DocumentStarted();
    void DocumentEnded();
    // Refuses a document while another one is recorded.
    static void CheckNoDocument();

private:
    bool counted_ = false;
};

// The system printer's virtual printer, made at start-up, freed at exit.
extern TVirtualPrinter* VirtualPrinter;

// True while a document is recorded on any virtual printer.
bool PrintInProgress();
