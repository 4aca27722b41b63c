// The print preview: a virtual printer that records each page as a page picture, and the scroll
// box that shows the pages.
//
// The preview keeps its own printer object (PropPrinter): its orientation and printer choice are
// the preview's own, and printing from the preview goes through it. Recording shows the window as
// soon as the first page is finished, while the rest is still being drawn.
#pragma once

#include "gridlib/print/Prntsgx.h"

#include "gui/Controls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"

#include <memory>
#include <vector>

class TPreviewBox;

// Page metrics of the preview when no printer is installed.
extern int DefaultPrinterPhysicalOffSetX;
extern int DefaultPrinterPhysicalOffSetY;
extern int DefaultPrinterPageWidth;
extern int DefaultPrinterPageHeight;
extern int DefaultPrinterPixelsPerInchX;
extern int DefaultPrinterPixelsPerInchY;
extern int DefaultPrinterVerticalSizeMM;
extern int DefaultPrinterHorizontalSizeMM;

class TPrinterPreview : public TVirtualPrinter {
    PLANTMON_CLASS(TPrinterPreview, TVirtualPrinter)
public:
    TPrinterPreview();
    ~TPrinterPreview() override;

    bool GetAborted() override { return aborted_; }
    TCanvas* GetCanvas() override { return canvas_.get(); }
    int GetCapabilities() override { return 0; }
    std::vector<AnsiString> GetFonts() override { return {}; }
    HDC GetHandle() override;
    int GetNumCopies() override;
    TPrinterOrientation GetOrientation() override;
    int GetPageHeight() override;
    int GetPageWidth() override;
    int GetPageNumber() override { return pageNumber_; }
    bool GetPrinting() override { return printing_; }
    AnsiString GetTitle() override;
    int GetFullPageWidth() override;
    int GetFullPageHeight() override;
    int GetPrinterIndex() override;
    std::vector<AnsiString> GetPrinters() override;
    int GetPixelsPerInchX() override;
    int GetPixelsPerInchY() override;
    void SetPrinterIndex(int index) override;
    void SetNumCopies(int n) override;
    void SetOrientation(TPrinterOrientation o) override;
    void SetTitle(const AnsiString& title) override;
    // Only marks the document aborted; the drawing code sees it and stops.
    void Abort() override;
    // Refused (EAbort) while this or another document records: the pages being recorded stay.
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    TPrinter* GetPrinter() override { return PropPrinter.get(); }
    void SetPrinter(TPrinter* printer) override;

    virtual void ShowProgress(int) {}

    // Draws page n (1-based) at (0, 0) in printer pixels.
    void DrawPage(TObject* sender, TCanvas* canvas, int page);
    // Prints all pages through PropPrinter.
    void Print();
    // Prints pages from … to (1-based, clamped) through PropPrinter.
    void PrintPages(int from, int to);
    void OpenPreview();
    void SetOnPrinterSetupDialog(TNotifyEvent handler) { OnPrinterSetupDialog = handler; }
    void SetPreviewer(TPreviewBox* box) { Previewer = box; }
    TPreviewBox* GetPreviewer() const { return Previewer; }
    TPrinter* GetPropPrinter() const { return PropPrinter.get(); }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // True when a printer is there to measure: an installed printer, or a file PropPrinter prints
    // into. Otherwise the default page metrics apply.
    bool HasPrinter() const;

    std::unique_ptr<TPrinter> PropPrinter;
    TPreviewBox* Previewer = nullptr;
    TNotifyEvent OnPrinterSetupDialog;
    TNotifyEvent OnPrinterSetupChanged;
    TComponent* PrinterSetupOwner = nullptr;

private:
    void startPage();
    std::vector<std::unique_ptr<TMetafile>> pages_;
    std::unique_ptr<TMetafileCanvas> canvas_;
    int pageNumber_ = 0;
    bool aborted_ = false;
    bool printing_ = false;
};

enum TViewMode { vm500, vm200, vm150, vm100, vm75, vm50, vm25, vm10, vmPageWidth, vmFullPage };

// The page surface: paints page PageIndex of its box's printer, scaled to its size.
class TDrawPanel : public TPanel {
    PLANTMON_CLASS(TDrawPanel, TPanel)
public:
    explicit TDrawPanel(TComponent* owner);
    TPreviewBox* Box() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMCancelMode(TMessage& m) override;

private:
    TPoint down_;        // where the button went down (screen)
    bool pressed_ = false;
    bool dragged_ = false;
};

class TPreviewBox : public TScrollBox {
    PLANTMON_CLASS(TPreviewBox, TScrollBox)
public:
    explicit TPreviewBox(TComponent* owner);
    ~TPreviewBox() override;

    TPrinterPreview* Printer() const { return printer_; }
    void SetPrinter(TPrinterPreview* printer);
    TDrawPanel* DrawPanel() const { return drawPanel_; }
    TPanel* ShadowPanel() const { return shadowPanel_; }
    TViewMode ViewMode() const { return viewMode_; }
    void SetViewMode(TViewMode mode);
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int n);
    int PageCount() const { return pageCount_; }
    int WheelScale() const { return wheelScale_; }
    TComponent* PrinterSetupOwner() const { return setupOwner_; }
    void SetPrinterSetupOwner(TComponent* c);
    // The handlers the preview printer hands over when its document ends.
    TNotifyEvent OnPrinterSetupDialog;
    TNotifyEvent OnPrinterSetupChanged;

    void PrintDialog();
    void PrinterSetupDialog();
    void UpdatePageSetup();
    void UpdatePreview();

    TNotifyEvent OnPrinterPreviewChanged;
    TNotifyEvent OnOpenPreviewer;

    // Used by the preview printer while it records.
    void SetPageCountRaw(int n) { pageCount_ = n; }
    void SetPageIndexRaw(int n) { pageIndex_ = n; }
    void FirePreviewChanged() { OnPrinterPreviewChanged(this); }
    void FireOpenPreviewer() { OnOpenPreviewer(this); }

    // Scrolls by (dx, dy) pixels within the ranges.
    void ScrollPage(int dx, int dy);
    // Full-page click zoom: to 150% keeping the clicked point (panel coordinates) under the mouse;
    // from any other mode back to the full page.
    void ZoomAt(TPoint panelPoint);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void CreateParams(TCreateParams& params) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void WMGetDlgCode(TMessage& m) override;
    void WMSize(TMessage& m) override;

private:
    void wheel(int direction);
    // Page metrics of the box's printer in printer pixels.
    int pageWidth() const;
    int printerPpiX() const;
    double mmRatio() const;  // vertical mm / horizontal mm
    TPrinterPreview* printer_ = nullptr;
    std::unique_ptr<TPrinterPreview> ownPrinter_;
    TDrawPanel* drawPanel_ = nullptr;
    TPanel* shadowPanel_ = nullptr;
    TViewMode viewMode_ = vmFullPage;
    int pageCount_ = 0;
    int pageIndex_ = 1;
    int wheelScale_ = 100;
    TComponent* setupOwner_ = nullptr;
};

// The preview window's printer: makes the window on the first call.
TPrinterPreview* PrinterPreview();
// Replaces the global preview printer; returns the previous one.
TPrinterPreview* SetPrinterPreview(TPrinterPreview* printer);
