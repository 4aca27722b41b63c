#include "gui/Printers.h"

#include "gui/CanvasDevice.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/WebView.h"

#include <QPainter>

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBrowser>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

TPrintDialogHook& hook() {
    static TPrintDialogHook h;
    return h;
}

QString qs(const AnsiString& s) { return QString::fromStdString(s.str()); }
AnsiString as(const QString& s) { return AnsiString(s.toStdString()); }

QWidget* dialogParent(TWebView* view) {
    if (view && view->Widget()) return view->Widget()->window();
    if (Application && Application->MainForm()) return Application->MainForm()->Widget();
    return nullptr;
}

QTextDocument* documentOf(TWebView* view) {
    return view && view->Browser() ? view->Browser()->document() : nullptr;
}

// Lays the page out for the printer the way the preview shows it, and counts the pages.
int countPages(QTextDocument* doc, QPrinter* printer) {
    if (!doc) return 0;
    QPrintPreviewWidget preview(printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [doc](QPrinter* p) { doc->print(p); });
    preview.updatePreview();
    return preview.pageCount();
}

}  // namespace

// What a printer's canvas draws on: the page while a document is printed, else nothing (measuring).
struct TPrinter::Doc {
    QPainter painter;
};

namespace {

gfx::DeviceCaps capsOf(QPrinter& p) {
    gfx::DeviceCaps c;
    const int ppi = p.resolution();
    c.PixelsX = c.PixelsY = ppi;
    const QPageLayout layout = p.pageLayout();
    const QRect paint = layout.paintRectPixels(ppi);
    const QRect full = layout.fullRectPixels(ppi);
    c.OffsetX = paint.left();
    c.OffsetY = paint.top();
    c.PhysicalWidth = full.width();
    c.PhysicalHeight = full.height();
    const QRectF mm = layout.paintRect(QPageLayout::Millimeter);
    c.SizeMMX = static_cast<int>(std::lround(mm.width()));
    c.SizeMMY = static_cast<int>(std::lround(mm.height()));
    c.VectorLines = true;
    return c;
}

// A printer outside a document: measures like the printer, draws nothing.
class TPrinterInfoDevice : public TNullDevice {
public:
    TPrinterInfoDevice(QSize size, const gfx::DeviceCaps& caps) : TNullDevice(size), caps_(caps) {}
    gfx::DeviceCaps Caps() const override { return caps_; }

private:
    gfx::DeviceCaps caps_;
};

}  // namespace

TPrinter::TPrinter()
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)), canvas_(std::make_unique<TCanvas>()) {}

TPrinter::~TPrinter() {
    if (doc_ && doc_->painter.isActive()) doc_->painter.end();
    canvas_->SetDevice(nullptr);
}

void TPrinter::bindCanvas(bool drawing) {
    const QSize size(PageWidth(), PageHeight());
    const gfx::DeviceCaps caps = capsOf(*printer_);
    if (drawing) canvas_->SetDevice(new TPainterDevice(&doc_->painter, size, caps), true);
    else canvas_->SetDevice(new TPrinterInfoDevice(size, caps), true);
}

TCanvas* TPrinter::Canvas() {
    if (!printing_) bindCanvas(false);
    return canvas_.get();
}

void TPrinter::BeginDoc() {
    if (printing_) throw EPrinter("Printing in progress");
    doc_ = std::make_unique<Doc>();
    if (!doc_->painter.begin(printer_.get())) {
        doc_.reset();
        throw EPrinter("Printer selected is not valid");
    }
    printing_ = true;
    aborted_ = false;
    pageNumber_ = 1;
    bindCanvas(true);
    // A new document starts with a fresh device context: default font resolution of the device.
    canvas_->Font()->SetPixelsPerInch(PixelsPerInch());
}

void TPrinter::EndDoc() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    canvas_->SetDevice(nullptr);
    doc_->painter.end();
    doc_.reset();
    printing_ = false;
    pageNumber_ = 0;
}

void TPrinter::NewPage() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    printer_->newPage();
    ++pageNumber_;
    // Each page starts in the text mapping mode, as a new page's device context does.
    canvas_->Device()->Map() = gfx::Mapping();
}

void TPrinter::Abort() {
    if (!printing_) return;
    aborted_ = true;
    canvas_->SetDevice(nullptr);
    printer_->abort();
    if (doc_->painter.isActive()) doc_->painter.end();
    doc_.reset();
    printing_ = false;
    pageNumber_ = 0;
}

TPrinterOrientation TPrinter::Orientation() const {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation o) {
    printer_->setPageOrientation(o == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

AnsiString TPrinter::PrinterName() const { return as(printer_->printerName()); }

void TPrinter::SetPrinterName(const AnsiString& name) { printer_->setPrinterName(qs(name)); }

AnsiString TPrinter::OutputFileName() const { return as(printer_->outputFileName()); }

void TPrinter::SetOutputFileName(const AnsiString& fileName) {
    if (fileName.IsEmpty()) {
        printer_->setOutputFileName(QString());
        printer_->setOutputFormat(QPrinter::NativeFormat);
        return;
    }
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(qs(fileName));
}

AnsiString TPrinter::Title() const { return as(printer_->docName()); }

void TPrinter::SetTitle(const AnsiString& title) { printer_->setDocName(qs(title)); }

int TPrinter::PageWidth() const { return printer_->width(); }

int TPrinter::PageHeight() const { return printer_->height(); }

int TPrinter::FullPageWidth() const { return printer_->pageLayout().fullRectPixels(printer_->resolution()).width(); }

int TPrinter::FullPageHeight() const {
    return printer_->pageLayout().fullRectPixels(printer_->resolution()).height();
}

int TPrinter::PhysicalOffsetX() const { return printer_->pageLayout().paintRectPixels(printer_->resolution()).left(); }

int TPrinter::PhysicalOffsetY() const { return printer_->pageLayout().paintRectPixels(printer_->resolution()).top(); }

int TPrinter::PixelsPerInch() const { return printer_->resolution(); }

void TPrinter::SetPixelsPerInch(int ppi) {
    if (printing_) throw EPrinter("Printing in progress");
    if (ppi > 0) printer_->setResolution(ppi);
}

int TPrinter::Copies() const { return printer_->copyCount(); }

void TPrinter::SetCopies(int n) { printer_->setCopyCount(std::max(1, n)); }

int TPrinter::PrinterIndex() const {
    const std::vector<AnsiString> names = Printers();
    const AnsiString current = PrinterName();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == current) return static_cast<int>(i);
    return -1;
}

void TPrinter::SetPrinterIndex(int index) {
    if (index == -1) {
        SetPrinterName(as(QPrinterInfo::defaultPrinterName()));
        return;
    }
    const std::vector<AnsiString> names = Printers();
    if (index < 0 || index >= static_cast<int>(names.size())) throw EPrinter("Printer index out of range");
    SetPrinterName(names[static_cast<std::size_t>(index)]);
}

std::vector<AnsiString> TPrinter::Printers() {
    std::vector<AnsiString> out;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) out.push_back(as(n));
    return out;
}

namespace {
TPrinter* g_printer = nullptr;
}  // namespace

TPrinter* Printer() {
    static TPrinter* own = new TPrinter();  // lives for the run, like the class library's printer
    return g_printer ? g_printer : own;
}

TPrinter* SetPrinter(TPrinter* printer) {
    TPrinter* old = Printer();
    g_printer = printer;
    return old;
}

bool TPrintDialog::Execute() {
    TPrinter* printer = Printer();
    if (hook()) {
        TPrintDialogRequest r;
        r.Kind = TPrintDialogKind::Print;
        r.Printer = printer;
        if (PageNums) {
            r.MinPage = MinPage;
            r.MaxPage = MaxPage;
            r.FromPage = FromPage;
            r.ToPage = ToPage;
        }
        r.Range = PrintRange;
        if (!hook()(r)) return false;
        PrintRange = r.Range;
        if (PageNums) {
            FromPage = r.FromPage;
            ToPage = r.ToPage;
        }
        Copies = printer->Copies();
        return true;
    }
    QPrintDialog dlg(printer->QtPrinter(), dialogParent(nullptr));
    if (PageNums && MaxPage > 0) {
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dlg.setMinMax(MinPage, MaxPage);
        dlg.setFromTo(FromPage, ToPage);
        if (PrintRange == prPageNums) dlg.setPrintRange(QAbstractPrintDialog::PageRange);
    } else {
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    }
    plantmon::gui::ModalFocusGuard focus;
    if (Application) Application->BeginModal();
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (Application) Application->EndModal();
    if (!ok) return false;
    PrintRange = dlg.printRange() == QAbstractPrintDialog::PageRange ? prPageNums : prAllPages;
    if (PrintRange == prPageNums) {
        FromPage = dlg.fromPage();
        ToPage = dlg.toPage();
    }
    Copies = printer->Copies();
    return true;
}

bool TPrinterSetupDialog::Execute() {
    TPrinter* printer = Printer();
    if (hook()) {
        TPrintDialogRequest r;
        r.Kind = TPrintDialogKind::PrinterSetup;
        r.Printer = printer;
        return hook()(r);
    }
    QPageSetupDialog dlg(printer->QtPrinter(), dialogParent(nullptr));
    plantmon::gui::ModalFocusGuard focus;
    if (Application) Application->BeginModal();
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (Application) Application->EndModal();
    return ok;
}

TPrintDialogHook SetPrintDialogHook(TPrintDialogHook h) {
    TPrintDialogHook old = std::move(hook());
    hook() = std::move(h);
    return old;
}

bool PrintWebView(TWebView* view, TPrinter* printer, bool showDialog) {
    QTextDocument* doc = documentOf(view);
    if (!doc || !printer) return false;
    if (showDialog) {
        if (hook()) {
            TPrintDialogRequest r;
            r.Kind = TPrintDialogKind::Print;
            r.Printer = printer;
            if (!hook()(r)) return false;
        } else {
            QPrintDialog dlg(printer->QtPrinter(), dialogParent(view));
            plantmon::gui::ModalFocusGuard focus;
            if (Application) Application->BeginModal();
            int result = dlg.exec();
            if (Application) Application->EndModal();
            if (result != QDialog::Accepted) return false;
        }
    }
    doc->print(printer->QtPrinter());
    return true;
}

bool PreviewWebView(TWebView* view, TPrinter* printer) {
    QTextDocument* doc = documentOf(view);
    if (!doc || !printer) return false;
    if (hook()) {
        TPrintDialogRequest r;
        r.Kind = TPrintDialogKind::Preview;
        r.Printer = printer;
        r.PageCount = countPages(doc, printer->QtPrinter());
        if (!hook()(r)) return false;
        doc->print(printer->QtPrinter());
        return true;
    }
    QPrintPreviewDialog dlg(printer->QtPrinter(), dialogParent(view));
    bool printed = false;
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, [doc](QPrinter* p) { doc->print(p); });
    plantmon::gui::ModalFocusGuard focus;
    if (Application) Application->BeginModal();
    printed = dlg.exec() == QDialog::Accepted;
    if (Application) Application->EndModal();
    return printed;
}

bool PageSetupDialog(TPrinter* printer) {
    if (!printer) return false;
    if (hook()) {
        TPrintDialogRequest r;
        r.Kind = TPrintDialogKind::PageSetup;
        r.Printer = printer;
        return hook()(r);
    }
    QPageSetupDialog dlg(printer->QtPrinter(), dialogParent(nullptr));
    plantmon::gui::ModalFocusGuard focus;
    if (Application) Application->BeginModal();
    bool ok = dlg.exec() == QDialog::Accepted;
    if (Application) Application->EndModal();
    return ok;
}

int WebViewPageCount(TWebView* view, TPrinter* printer) {
    if (!printer) return 0;
    return countPages(documentOf(view), printer->QtPrinter());
}
