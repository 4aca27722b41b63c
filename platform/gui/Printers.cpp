#include "gui/Printers.h"

#include "gui/Forms.h"
#include "gui/WebView.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBrowser>
#include <QTextDocument>

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

TPrinter::TPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TPrinter::~TPrinter() = default;

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

std::vector<AnsiString> TPrinter::Printers() {
    std::vector<AnsiString> out;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) out.push_back(as(n));
    return out;
}

TPrinter* Printer() {
    static TPrinter* p = new TPrinter();  // lives for the run, like the class library's printer
    return p;
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
    if (Application) Application->BeginModal();
    bool ok = dlg.exec() == QDialog::Accepted;
    if (Application) Application->EndModal();
    return ok;
}

int WebViewPageCount(TWebView* view, TPrinter* printer) {
    if (!printer) return 0;
    return countPages(documentOf(view), printer->QtPrinter());
}
