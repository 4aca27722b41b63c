#include "gridlib/print/Prntsgx.h"

#include "rtl/SysUtils.h"

namespace {
int g_documents = 0;
}  // namespace

TVirtualPrinter* VirtualPrinter = nullptr;

namespace {
// The unit's instance lives from start-up to exit.
struct VirtualPrinterUnit {
    VirtualPrinterUnit() { VirtualPrinter = new TVirtualPrinter(); }
    ~VirtualPrinterUnit() {
        delete VirtualPrinter;
        VirtualPrinter = nullptr;
    }
} g_unit;
}  // namespace

bool PrintInProgress() { return g_documents > 0; }

void TVirtualPrinter::DocumentStarted() {
    if (counted_) return;
    counted_ = true;
    ++g_documents;
}
void TVirtualPrinter::DocumentEnded() {
    if (!counted_) return;
    counted_ = false;
    --g_documents;
}
void TVirtualPrinter::CheckNoDocument() {
    if (PrintInProgress()) ::Abort();
}

bool TVirtualPrinter::GetAborted() { return Printer()->Aborted(); }
TCanvas* TVirtualPrinter::GetCanvas() { return Printer()->Canvas(); }
int TVirtualPrinter::GetCapabilities() { return 0; }
std::vector<AnsiString> TVirtualPrinter::GetFonts() { return {}; }
HDC TVirtualPrinter::GetHandle() { return Printer()->Canvas()->Handle(); }
int TVirtualPrinter::GetNumCopies() { return Printer()->Copies(); }
TPrinterOrientation TVirtualPrinter::GetOrientation() { return Printer()->Orientation(); }
int TVirtualPrinter::GetPageHeight() { return Printer()->PageHeight(); }
int TVirtualPrinter::GetPageWidth() { return Printer()->PageWidth(); }
int TVirtualPrinter::GetPageNumber() { return Printer()->PageNumber(); }
bool TVirtualPrinter::GetPrinting() { return Printer()->Printing(); }
AnsiString TVirtualPrinter::GetTitle() { return Printer()->Title(); }
int TVirtualPrinter::GetFullPageWidth() { return Printer()->PageWidth() + 2 * Printer()->PhysicalOffsetX(); }
int TVirtualPrinter::GetFullPageHeight() { return Printer()->PageHeight() + 2 * Printer()->PhysicalOffsetY(); }
int TVirtualPrinter::GetPrinterIndex() { return Printer()->PrinterIndex(); }
std::vector<AnsiString> TVirtualPrinter::GetPrinters() { return TPrinter::Printers(); }
int TVirtualPrinter::GetPixelsPerInchX() { return GetDeviceCaps(Printer()->Canvas(), LOGPIXELSX); }
int TVirtualPrinter::GetPixelsPerInchY() { return GetDeviceCaps(Printer()->Canvas(), LOGPIXELSY); }
void TVirtualPrinter::SetPrinterIndex(int index) { Printer()->SetPrinterIndex(index); }
void TVirtualPrinter::SetNumCopies(int n) { Printer()->SetCopies(n); }
void TVirtualPrinter::SetOrientation(TPrinterOrientation o) { Printer()->SetOrientation(o); }
void TVirtualPrinter::SetTitle(const AnsiString& title) { Printer()->SetTitle(title); }

void TVirtualPrinter::Abort() {
    if (!Printer()->Printing()) return;
    Printer()->Abort();
    DocumentEnded();
}

void TVirtualPrinter::BeginDoc() {
    CheckNoDocument();
    Printer()->BeginDoc();
    DocumentStarted();
}

void TVirtualPrinter::EndDoc() {
    // After an abort the document is already closed.
    DocumentEnded();
    if (Printer()->Printing()) Printer()->EndDoc();
}

void TVirtualPrinter::NewPage() { Printer()->NewPage(); }
TPrinter* TVirtualPrinter::GetPrinter() { return Printer(); }
void TVirtualPrinter::SetPrinter(TPrinter* printer) { ::SetPrinter(printer); }
