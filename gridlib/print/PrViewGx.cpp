#include "gridlib/print/PrViewGx.h"

#include "gridlib/print/PrvFrmGx.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <cmath>

int DefaultPrinterPhysicalOffSetX = 130;
int DefaultPrinterPhysicalOffSetY = 150;
int DefaultPrinterPageWidth = 4676;
int DefaultPrinterPageHeight = 6744;
int DefaultPrinterPixelsPerInchX = 600;
int DefaultPrinterPixelsPerInchY = 600;
int DefaultPrinterVerticalSizeMM = 285;
int DefaultPrinterHorizontalSizeMM = 198;

// ---- Recording -----------------------------------------------------------------------------------
TPrinterPreview::TPrinterPreview() : PropPrinter(std::make_unique<TPrinter>()) {
    // Pages are recorded at the resolution a printer without its own would have.
    if (TPrinter::Printers().empty()) PropPrinter->SetPixelsPerInch(DefaultPrinterPixelsPerInchX);
}

TPrinterPreview::~TPrinterPreview() {
    canvas_.reset();
    DocumentEnded();
}

bool TPrinterPreview::HasPrinter() const {
    return !TPrinter::Printers().empty() || !PropPrinter->OutputFileName().IsEmpty();
}

HDC TPrinterPreview::GetHandle() { return canvas_ ? canvas_->Handle() : PropPrinter->Canvas()->Handle(); }
int TPrinterPreview::GetNumCopies() { return PropPrinter->Copies(); }
TPrinterOrientation TPrinterPreview::GetOrientation() { return PropPrinter->Orientation(); }
AnsiString TPrinterPreview::GetTitle() { return PropPrinter->Title(); }
int TPrinterPreview::GetPrinterIndex() { return PropPrinter->PrinterIndex(); }
std::vector<AnsiString> TPrinterPreview::GetPrinters() { return TPrinter::Printers(); }
void TPrinterPreview::SetPrinterIndex(int index) { PropPrinter->SetPrinterIndex(index); }
void TPrinterPreview::SetNumCopies(int n) { PropPrinter->SetCopies(n); }
void TPrinterPreview::SetOrientation(TPrinterOrientation o) { PropPrinter->SetOrientation(o); }
void TPrinterPreview::SetTitle(const AnsiString& title) { PropPrinter->SetTitle(title); }
void TPrinterPreview::SetPrinter(TPrinter*) {}

// Without a printer the default sheet, turned with the preview's orientation.
int TPrinterPreview::GetPageWidth() {
    if (HasPrinter()) return PropPrinter->PageWidth();
    return GetOrientation() == poLandscape ? DefaultPrinterPageHeight : DefaultPrinterPageWidth;
}

int TPrinterPreview::GetPageHeight() {
    if (HasPrinter()) return PropPrinter->PageHeight();
    return GetOrientation() == poLandscape ? DefaultPrinterPageWidth : DefaultPrinterPageHeight;
}

int TPrinterPreview::GetFullPageWidth() {
    if (HasPrinter()) return PropPrinter->PageWidth() + 2 * PropPrinter->PhysicalOffsetX();
    return GetPageWidth() + 2 * (GetOrientation() == poLandscape ? DefaultPrinterPhysicalOffSetY
                                                                 : DefaultPrinterPhysicalOffSetX);
}

int TPrinterPreview::GetFullPageHeight() {
    if (HasPrinter()) return PropPrinter->PageHeight() + 2 * PropPrinter->PhysicalOffsetY();
    return GetPageHeight() + 2 * (GetOrientation() == poLandscape ? DefaultPrinterPhysicalOffSetX
                                                                  : DefaultPrinterPhysicalOffSetY);
}

int TPrinterPreview::GetPixelsPerInchX() {
    return HasPrinter() ? PropPrinter->PixelsPerInch() : DefaultPrinterPixelsPerInchX;
}

int TPrinterPreview::GetPixelsPerInchY() {
    return HasPrinter() ? PropPrinter->PixelsPerInch() : DefaultPrinterPixelsPerInchY;
}

void TPrinterPreview::startPage() {
    auto page = std::make_unique<TMetafile>();
    if (HasPrinter()) {
        canvas_ = std::make_unique<TMetafileCanvas>(page.get(), PropPrinter->Canvas());
    } else {
        page->SetWidth(GetPageWidth());
        page->SetHeight(GetPageHeight());
        page->SetPixelsPerInch(DefaultPrinterPixelsPerInchX, DefaultPrinterPixelsPerInchY);
        canvas_ = std::make_unique<TMetafileCanvas>(page.get(), nullptr);
    }
    pages_.push_back(std::move(page));
    // The canvas font measures in printer pixels.
    const int size = canvas_->Font()->Size();
    canvas_->Font()->SetPixelsPerInch(std::min(GetPixelsPerInchX(), GetPixelsPerInchY()));
    canvas_->Font()->SetSize(size);
}

void TPrinterPreview::BeginDoc() {
    // One document at a time: a second one must not free the pages this one records.
    if (printing_) ::Abort();
    CheckNoDocument();
    canvas_.reset();
    pages_.clear();
    startPage();
    pageNumber_ = 1;
    aborted_ = false;
    printing_ = true;
    DocumentStarted();
    if (Previewer) {
        Previewer->SetPageCountRaw(1);
        Previewer->SetPageIndexRaw(1);
        Previewer->FirePreviewChanged();
    }
}

void TPrinterPreview::NewPage() {
    if (!printing_) return;
    canvas_.reset();  // closes the finished page
    if (pages_.size() == 1 && Previewer) Previewer->UpdatePageSetup();
    startPage();
    ++pageNumber_;
    if (Previewer) Previewer->SetPageCountRaw(static_cast<int>(pages_.size()) - 1);
    OpenPreview();
    if (Previewer) {
        Previewer->Invalidate();
        Previewer->FirePreviewChanged();
    }
}

void TPrinterPreview::EndDoc() {
    if (!printing_) return;
    canvas_.reset();
    // A stopped document keeps only the pages it finished.
    if (aborted_ && !pages_.empty()) pages_.pop_back();
    if (Previewer) {
        Previewer->SetPageCountRaw(static_cast<int>(pages_.size()));
        if (Previewer->PageIndex() > Previewer->PageCount()) Previewer->SetPageIndexRaw(std::max(1, Previewer->PageCount()));
        if (pages_.size() <= 1) Previewer->UpdatePageSetup();
    }
    pageNumber_ = -1;
    printing_ = false;
    DocumentEnded();
    if (Previewer) {
        Previewer->OnPrinterSetupDialog = OnPrinterSetupDialog;
        Previewer->OnPrinterSetupChanged = OnPrinterSetupChanged;
        Previewer->SetPrinterSetupOwner(PrinterSetupOwner);
    }
    OnPrinterSetupDialog = nullptr;
    OnPrinterSetupChanged = nullptr;
    PrinterSetupOwner = nullptr;
    OpenPreview();
    if (Previewer) {
        Previewer->Invalidate();
        Previewer->FirePreviewChanged();
    }
}

void TPrinterPreview::Abort() { aborted_ = true; }

void TPrinterPreview::DrawPage(TObject*, TCanvas* canvas, int page) {
    if (!canvas || page < 1 || page > static_cast<int>(pages_.size())) return;
    canvas->Draw(0, 0, pages_[static_cast<std::size_t>(page - 1)].get());
}

void TPrinterPreview::Print() { PrintPages(1, PageCount()); }

void TPrinterPreview::PrintPages(int from, int to) {
    if (pages_.empty() || printing_) return;
    from = std::clamp(from, 1, PageCount());
    to = std::clamp(to, from, PageCount());
    TPrinter* previous = ::SetPrinter(PropPrinter.get());
    try {
        PropPrinter->BeginDoc();
        for (int n = from; n <= to; ++n) {
            if (n > from) PropPrinter->NewPage();
            DrawPage(this, PropPrinter->Canvas(), n);
        }
        PropPrinter->EndDoc();
    } catch (...) {
        if (PropPrinter->Printing()) PropPrinter->Abort();
        ::SetPrinter(previous);
        throw;
    }
    ::SetPrinter(previous);
}

void TPrinterPreview::OpenPreview() {
    if (Previewer) Previewer->FireOpenPreviewer();
}

// ---- Page surface --------------------------------------------------------------------------------
namespace {

// The unit's cursor pictures: made once, kept for the whole run.
HCURSOR g_unitCursors[2] = {};

// Loads the named cursor resource (drawn here, registered on first use) into a free cursor slot.
TCursor registerCursor(const char* name, const TBitmap& picture, int hotX, int hotY, int unitSlot) {
    if (!Screen) return crDefault;
    HCURSOR h = LoadCursor(HInstance, name);
    if (!h) {
        g_unitCursors[unitSlot] = CreateCursor(&picture, hotX, hotY);
        RegisterCursorResource(name, g_unitCursors[unitSlot]);
        h = LoadCursor(HInstance, name);
    }
    if (!h) throw EOutOfResources("Cannot load cursor resource");
    const HCURSOR arrow = Screen->Cursors(crArrow);
    for (int i = 1; i < 32768; ++i) {
        if (Screen->Cursors(i) != arrow) continue;
        Screen->SetCursors(i, h);
        return i;
    }
    throw EOutOfResources("Too many user-defined cursors");
}

// The two cursors of the page: a magnifier (click zooms) and a hand (drag scrolls).
TCursor magnifierCursor() {
    static TCursor id = [] {
        TBitmap b(16, 16);
        b.SetTransparentColor(clWhite);
        TCanvas* c = b.Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect(0, 0, 16, 16));
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(1, 1, 11, 11);
        c->Pen()->SetWidth(2);
        c->MoveTo(9, 9);
        c->LineTo(15, 15);
        return registerCursor("MAGNIFIERGX", b, 5, 5, 0);
    }();
    return id;
}

TCursor handCursor() {
    static TCursor id = [] {
        TBitmap b(16, 16);
        b.SetTransparentColor(clWhite);
        TCanvas* c = b.Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect(0, 0, 16, 16));
        c->Brush()->SetColor(clBlack);
        c->FillRect(TRect(4, 6, 13, 15));
        for (int f = 0; f < 4; ++f) c->FillRect(TRect(4 + 2 * f, 1 + (f == 0 || f == 3 ? 2 : 0), 5 + 2 * f, 7));
        return registerCursor("HANDGX", b, 8, 8, 1);
    }();
    return id;
}

}  // namespace

TDrawPanel::TDrawPanel(TComponent* owner) : TPanel(owner) {
    SetColor(clWhite);
    SetCursor(magnifierCursor());
}

TPreviewBox* TDrawPanel::Box() const { return dynamic_cast<TPreviewBox*>(Parent()); }

void TDrawPanel::CreateParams(TCreateParams& params) { TPanel::CreateParams(params); }

void TDrawPanel::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clWhite);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
    TPreviewBox* box = Box();
    TPrinterPreview* pr = box ? box->Printer() : nullptr;
    if (!pr || pr->PageCount() == 0) return;
    // The whole sheet onto the panel, the printable area where it sits on paper.
    const int saved = SaveDC(c);
    const int fullW = pr->GetFullPageWidth(), fullH = pr->GetFullPageHeight();
    const int offX = (fullW - pr->GetPageWidth()) / 2, offY = (fullH - pr->GetPageHeight()) / 2;
    const TRect client = ClientRect();
    SetMapMode(c, MM_ANISOTROPIC);
    SetWindowExtEx(c, fullW, fullH);
    SetViewportExtEx(c, client.Width(), client.Height());
    SetViewportOrgEx(c, MulDiv(offX, client.Width(), fullW), MulDiv(offY, client.Height(), fullH));
    c->Font()->SetPixelsPerInch(pr->GetPixelsPerInchY());
    pr->DrawPage(this, c, std::clamp(box->PageIndex(), 1, pr->PageCount()));
    SetMapMode(c, MM_TEXT);
    RestoreDC(c, saved);
}

void TDrawPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TPanel::MouseDown(button, shift, x, y);
    if (TPreviewBox* box = Box()) {
        if (box->CanFocus()) box->SetFocus();
    }
    if (button != mbLeft) return;
    pressed_ = true;
    dragged_ = false;
    down_ = ClientToScreen(TPoint(x, y));
    SetMouseCapture(true);
}

void TDrawPanel::MouseMove(TShiftState shift, int x, int y) {
    TPanel::MouseMove(shift, x, y);
    if (!pressed_) return;
    const TPoint now = ClientToScreen(TPoint(x, y));
    const int dx = down_.x - now.x, dy = down_.y - now.y;
    if (!dragged_ && dx == 0 && dy == 0) return;
    if (!dragged_) {
        dragged_ = true;
        SetCursor(handCursor());
    }
    if (TPreviewBox* box = Box()) box->ScrollPage(dx, dy);
    down_ = now;
}

void TDrawPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TPanel::MouseUp(button, shift, x, y);
    if (button != mbLeft || !pressed_) return;
    pressed_ = false;
    SetMouseCapture(false);
    if (dragged_) {
        SetCursor(magnifierCursor());
        dragged_ = false;
        return;
    }
    if (TPreviewBox* box = Box()) box->ZoomAt(TPoint(x, y));
}

void TDrawPanel::WMCancelMode(TMessage& m) {
    TPanel::WMCancelMode(m);
    if (pressed_) {
        pressed_ = false;
        dragged_ = false;
        SetMouseCapture(false);
        SetCursor(magnifierCursor());
    }
}

// ---- Scroll box ----------------------------------------------------------------------------------
TPreviewBox::TPreviewBox(TComponent* owner) : TScrollBox(owner), ownPrinter_(std::make_unique<TPrinterPreview>()) {
    printer_ = ownPrinter_.get();
    printer_->SetPreviewer(this);
    // The ranges are set by the page setup, not taken from the children; children stand in the
    // scrolled area's coordinates.
    SetAutoScroll(false);
    SetTabStop(true);
    shadowPanel_ = new TPanel(this);
    shadowPanel_->SetParent(this);
    shadowPanel_->SetColor(4210752);
    shadowPanel_->SetBevelOuter(bvNone);
    shadowPanel_->SetEnabled(false);
    drawPanel_ = new TDrawPanel(this);
    drawPanel_->SetParent(this);
    drawPanel_->SetBevelOuter(bvNone);
    drawPanel_->SetBevelInner(bvNone);
    drawPanel_->SetCtl3D(false);
    drawPanel_->SetBorderStyle(bsSingle);
    drawPanel_->SetBounds(8, 8, 100, 141);
    shadowPanel_->SetBounds(12, 12, 100, 141);
}

TPreviewBox::~TPreviewBox() {
    if (printer_) printer_->SetPreviewer(nullptr);
}

void TPreviewBox::SetPrinter(TPrinterPreview* printer) {
    if (printer_ == printer) return;
    if (printer_ && printer_->GetPreviewer() == this) printer_->SetPreviewer(nullptr);
    printer_ = printer;
    if (printer_) printer_->SetPreviewer(this);
}

void TPreviewBox::CreateParams(TCreateParams& params) {
    TScrollBox::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

void TPreviewBox::Notification(TComponent* component, TOperation operation) {
    TScrollBox::Notification(component, operation);
    if (operation == opRemove && component == setupOwner_) {
        // The handlers came with the owner and may be its own: none of them may run any more.
        setupOwner_ = nullptr;
        OnPrinterSetupDialog = nullptr;
        OnPrinterSetupChanged = nullptr;
        FirePreviewChanged();
    }
}

void TPreviewBox::SetPageIndex(int n) {
    n = std::clamp(n, 1, std::max(1, pageCount_));
    if (n == pageIndex_) return;
    pageIndex_ = n;
    drawPanel_->Invalidate();
    FirePreviewChanged();
}

void TPreviewBox::SetViewMode(TViewMode mode) {
    if (mode != viewMode_) {
        viewMode_ = mode;
        UpdatePageSetup();
    }
    FirePreviewChanged();
}

void TPreviewBox::SetPrinterSetupOwner(TComponent* c) {
    if (c == setupOwner_) return;
    if (setupOwner_) setupOwner_->RemoveFreeNotification(this);
    setupOwner_ = c;
    if (c) c->FreeNotification(this);
    FirePreviewChanged();
}

int TPreviewBox::pageWidth() const { return printer_ ? printer_->GetPageWidth() : DefaultPrinterPageWidth; }

int TPreviewBox::printerPpiX() const { return printer_ ? printer_->GetPixelsPerInchX() : DefaultPrinterPixelsPerInchX; }

double TPreviewBox::mmRatio() const {
    double v = DefaultPrinterVerticalSizeMM, h = DefaultPrinterHorizontalSizeMM;
    if (printer_ && printer_->HasPrinter()) {
        TCanvas* c = printer_->PropPrinter->Canvas();
        v = GetDeviceCaps(c, VERTSIZE);
        h = GetDeviceCaps(c, HORZSIZE);
    } else if (printer_ && printer_->GetOrientation() == poLandscape) {
        std::swap(v, h);
    }
    return h > 0 ? v / h : 1.0;
}

void TPreviewBox::UpdatePageSetup() {
    static const int percents[] = {500, 200, 150, 100, 75, 50, 25, 10};
    const int screenPpi = Screen ? Screen->PixelsPerInch() : 96;
    const double ratio = mmRatio();
    const TRect client = ClientRect();
    int w = 0, h = 0, left = 8, top = 8;
    if (viewMode_ <= vm10) {
        const int p = percents[viewMode_];
        w = static_cast<int>(static_cast<long long>(p) * pageWidth() * screenPpi / printerPpiX() / 100);
        h = static_cast<int>(w * ratio);
        HorzScrollBar()->SetRange(w + 16);
        VertScrollBar()->SetRange(h + 16);
        left = w < client.Width() - 16 ? (client.Width() - w) / 2 : 8;
        top = h < client.Height() - 16 ? (client.Height() - h) / 2 : 8;
        wheelScale_ = p;
    } else if (viewMode_ == vmPageWidth) {
        HorzScrollBar()->SetPosition(0);
        VertScrollBar()->SetPosition(0);
        w = Width() - GetSystemMetrics(SM_CXVSCROLL) - 20;
        h = static_cast<int>(w * ratio);
        VertScrollBar()->SetRange(h + 16);
        HorzScrollBar()->SetRange(0);
        const int pagePixels = pageWidth() * screenPpi / std::max(1, printerPpiX());
        wheelScale_ = pagePixels > 0 ? w * 100 / pagePixels : 100;
    } else {
        HorzScrollBar()->SetRange(0);
        VertScrollBar()->SetRange(0);
        h = client.Height() - 16;
        w = static_cast<int>(h / ratio);
        if (w > client.Width() - 16) {
            w = client.Width() - 16;
            h = static_cast<int>(w * ratio);
        }
        left = (client.Width() - w) / 2;
        top = (client.Height() - h) / 2;
        wheelScale_ = 100;
    }
    w = std::max(1, w);
    h = std::max(1, h);
    drawPanel_->SetBounds(left, top, w, h);
    shadowPanel_->SetBounds(left + 4, top + 4, w, h);
    drawPanel_->Invalidate();
}

void TPreviewBox::UpdatePreview() {
    UpdatePageSetup();
    drawPanel_->Invalidate();
}

void TPreviewBox::WMSize(TMessage& m) {
    TScrollBox::WMSize(m);
    if (!drawPanel_) return;
    const TRect client = ClientRect();
    if (viewMode_ == vmPageWidth || viewMode_ == vmFullPage || drawPanel_->Width() < client.Width() - 16 ||
        drawPanel_->Height() < client.Height() - 16)
        UpdatePageSetup();
}

void TPreviewBox::WMGetDlgCode(TMessage& m) { m.Result = DLGC_WANTARROWS; }

void TPreviewBox::ScrollPage(int dx, int dy) {
    // The visible part: the client area less the scroll bars shown.
    const TRect client = ClientRect();
    const bool vBar = VertScrollBar()->Range() > client.Height(), hBar = HorzScrollBar()->Range() > client.Width();
    const int visibleW = client.Width() - (vBar ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    const int visibleH = client.Height() - (hBar ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    if (dx) HorzScrollBar()->SetPosition(std::clamp(HorzScrollBar()->Position() + dx, 0, std::max(0, HorzScrollBar()->Range() - visibleW)));
    if (dy) VertScrollBar()->SetPosition(std::clamp(VertScrollBar()->Position() + dy, 0, std::max(0, VertScrollBar()->Range() - visibleH)));
}

void TPreviewBox::ZoomAt(TPoint p) {
    if (viewMode_ != vmFullPage) {
        SetViewMode(vmFullPage);
        return;
    }
    // The clicked point as a share of the page, kept under the mouse at 150%.
    const double fx = drawPanel_->Width() > 0 ? double(p.x) / drawPanel_->Width() : 0;
    const double fy = drawPanel_->Height() > 0 ? double(p.y) / drawPanel_->Height() : 0;
    const TPoint onScreen(drawPanel_->Left() - HorzScrollBar()->Position() + p.x,
                          drawPanel_->Top() - VertScrollBar()->Position() + p.y);
    SetViewMode(vm150);
    const int x = drawPanel_->Left() + static_cast<int>(fx * drawPanel_->Width());
    const int y = drawPanel_->Top() + static_cast<int>(fy * drawPanel_->Height());
    ScrollPage(x - onScreen.x - HorzScrollBar()->Position(), y - onScreen.y - VertScrollBar()->Position());
}

void TPreviewBox::KeyDown(WORD& key, TShiftState shift) {
    TScrollBox::KeyDown(key, shift);
    const bool ctrl = (shift & ssCtrl) != 0;
    const int step = VertScrollBar()->Increment();
    const int hstep = HorzScrollBar()->Increment();
    const int screenV = ClientHeight() - step;
    const int big = 1 << 28;
    switch (key) {
        case VK_PRIOR: ctrl ? ScrollPage(0, -big) : ScrollPage(0, -screenV); break;
        case VK_NEXT: ctrl ? ScrollPage(0, big) : ScrollPage(0, screenV); break;
        case VK_UP: ScrollPage(0, ctrl ? -ClientHeight() : -step); break;
        case VK_DOWN: ScrollPage(0, ctrl ? ClientHeight() : step); break;
        case VK_HOME: ScrollPage(-big, ctrl ? -big : 0); break;
        case VK_END: ScrollPage(big, ctrl ? big : 0); break;
        case VK_LEFT: ScrollPage(ctrl ? -ClientWidth() : -hstep, 0); break;
        case VK_RIGHT: ScrollPage(ctrl ? ClientWidth() : hstep, 0); break;
        default: return;
    }
    // Handled here: the scroll area must not move the page once more.
    key = 0;
}

void TPreviewBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TScrollBox::MouseDown(button, shift, x, y);
    if (CanFocus()) SetFocus();
}

void TPreviewBox::wheel(int direction) {
    // A page that fits the height turns pages; a taller one scrolls.
    if (VertScrollBar()->Range() < ClientHeight()) {
        SetPageIndex(pageIndex_ + direction);
        return;
    }
    const int lines = Mouse ? Mouse->WheelScrollLines() : 3;
    ScrollPage(0, direction * VertScrollBar()->Increment() * lines * wheelScale_ / 100);
}

bool TPreviewBox::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    TScrollBox::DoMouseWheelDown(shift, mousePos);
    wheel(1);
    return true;
}

bool TPreviewBox::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    TScrollBox::DoMouseWheelUp(shift, mousePos);
    wheel(-1);
    return true;
}

void TPreviewBox::PrintDialog() {
    if (!printer_ || printer_->GetPrinting()) return;
    TPrinter* previous = ::SetPrinter(printer_->PropPrinter.get());
    bool ok = false;
    int from = 1, to = pageCount_;
    TPrintRange range = prAllPages;
    try {
        TPrintDialog dlg(nullptr);
        dlg.PageNums = true;
        dlg.MinPage = 1;
        dlg.MaxPage = std::max(1, pageCount_);
        dlg.FromPage = 1;
        dlg.ToPage = std::max(1, pageCount_);
        ok = dlg.Execute();
        range = dlg.PrintRange;
        from = dlg.FromPage;
        to = dlg.ToPage;
    } catch (...) {
        ::SetPrinter(previous);
        throw;
    }
    ::SetPrinter(previous);
    if (!ok || pageCount_ == 0) return;
    if (range == prPageNums) printer_->PrintPages(from, to);
    else printer_->Print();
}

void TPreviewBox::PrinterSetupDialog() {
    if (!printer_ || printer_->GetPrinting()) return;
    TPrinter* previous = ::SetPrinter(printer_->PropPrinter.get());
    try {
        if (OnPrinterSetupDialog) {
            OnPrinterSetupDialog(this);
        } else {
            TPrinterSetupDialog dlg(nullptr);
            if (dlg.Execute()) {
                UpdatePageSetup();
                OnPrinterSetupChanged(this);
            }
        }
    } catch (...) {
        ::SetPrinter(previous);
        throw;
    }
    ::SetPrinter(previous);
}

// ---- The global preview --------------------------------------------------------------------------
namespace {
TPrinterPreview* g_preview = nullptr;
}  // namespace

TPrinterPreview* PrinterPreview() {
    if (!PreviewFormGx) {
        PreviewFormGx = NewForm<TPreviewFormGx>(Application);
        g_preview = PreviewFormGx->PreviewGx1->Printer();
    }
    return g_preview;
}

TPrinterPreview* SetPrinterPreview(TPrinterPreview* printer) {
    TPrinterPreview* old = g_preview;
    g_preview = printer;
    return old;
}
