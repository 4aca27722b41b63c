#include "gridlib/print/PrvFrmGx.h"

#include "gridlib/editors/GridLibConsts.h"

#include "gui/WinApi.h"
#include "rtl/SysUtils.h"

TPreviewFormGx* PreviewFormGx = nullptr;

namespace {

// Button pictures: a simple sign on each (print, setup, zoom, back, forward, stop, close).
void drawGlyph(TBitmap& b, int index) {
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(TRect(0, 0, 16, 16));
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clBlack);
    switch (index) {
        case 0:  // printer
            c->Brush()->SetColor(clWhite);
            c->Rectangle(4, 1, 12, 7);
            c->Brush()->SetColor(clGray);
            c->Rectangle(1, 6, 15, 13);
            break;
        case 1:  // setup
            c->Brush()->SetColor(clSilver);
            c->Rectangle(2, 2, 14, 14);
            c->MoveTo(5, 8);
            c->LineTo(11, 8);
            break;
        case 2:  // zoom
            c->Brush()->SetStyle(bsClear);
            c->Ellipse(1, 1, 11, 11);
            c->Pen()->SetWidth(2);
            c->MoveTo(10, 10);
            c->LineTo(15, 15);
            break;
        case 3: c->Polygon({TPoint(11, 2), TPoint(4, 8), TPoint(11, 14)}); break;
        case 4: c->Polygon({TPoint(4, 2), TPoint(11, 8), TPoint(4, 14)}); break;
        case 5:
            c->Brush()->SetColor(clRed);
            c->Rectangle(3, 3, 13, 13);
            break;
        default:
            c->Pen()->SetWidth(2);
            c->MoveTo(3, 3);
            c->LineTo(13, 13);
            c->MoveTo(13, 3);
            c->LineTo(3, 13);
            break;
    }
}

}  // namespace

TToolButton* TPreviewFormGx::addButton(const char* name, const char* caption, const char* hint, int image,
                                      TNotifyEvent click) {
    auto* b = new TToolButton(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->SetImageIndex(image);
    b->OnClick = click;
    b->SetParent(tbrMain);
    return b;
}

TPreviewFormGx::TPreviewFormGx(TComponent* owner) : TForm(owner) {
    SetName("PreviewFormGx");
    SetCaption(LoadResString(&SPreviewGx));
    SetScaled(false);
    SetKeyPreview(true);
    SetBounds(0, 0, 800, 600);

    imlMain = new TImageList(this);
    imlMain->SetName("imlMain");
    for (int i = 0; i < 7; ++i) {
        TBitmap b(16, 16);
        drawGlyph(b, i);
        imlMain->AddMasked(&b, clFuchsia);
    }

    tbrMain = new TToolBar(this);
    tbrMain->SetName("tbrMain");
    tbrMain->SetParent(this);
    tbrMain->SetAlign(alTop);
    tbrMain->SetFlat(true);
    tbrMain->SetShowCaptions(true);
    tbrMain->SetImages(imlMain);
    // As high as its buttons, whichever look they have.
    tbrMain->SetAutoSize(true);

    // A thin bar under the tool bar: the page box takes the rest of the window.
    Splitter = new TSplitter(this);
    Splitter->SetName("Splitter");
    Splitter->SetAlign(alTop);
    Splitter->SetHeight(3);
    Splitter->SetTop(tbrMain->Height());
    Splitter->SetParent(this);
    Splitter->SetCursor(crVSplit);

    stbMain = new TStatusBar(this);
    stbMain->SetName("stbMain");
    stbMain->SetParent(this);
    stbMain->SetAlign(alBottom);
    stbMain->SetSimplePanel(true);

    PreviewGx1 = new TPreviewBox(this);
    PreviewGx1->SetName("PreviewGx1");
    PreviewGx1->SetParent(this);
    PreviewGx1->SetAlign(alClient);
    PreviewGx1->SetTabStop(true);
    PreviewGx1->OnOpenPreviewer = TNotifyEvent(this, &TPreviewFormGx::PreviewGx1OpenPreviewer);
    PreviewGx1->OnPrinterPreviewChanged = TNotifyEvent(this, &TPreviewFormGx::PreviewGx1PrinterPreviewChanged);

    pmnScale = new TPopupMenu(this);
    pmnScale->SetName("pmnScale");
    struct {
        TMenuItem** item;
        const char* name;
        const char* caption;
    } items[] = {{&mni500, "mni500", "500%"},   {&mni200, "mni200", "200%"},
                 {&mni150, "mni150", "150%"},   {&mni100, "mni100", "100%"},
                 {&mni75, "mni75", "75%"},      {&mni50, "mni50", "50%"},
                 {&mni25, "mni25", "25%"},      {&mni10, "mni10", "10%"},
                 {&mniWidth, "mniWidth", "По ширине страницы"}, {&mniFull, "mniFull", "Страница целиком"}};
    for (auto& it : items) {
        auto* m = new TMenuItem(this);
        m->SetName(it.name);
        m->SetCaption(it.caption);
        m->SetRadioItem(true);
        m->SetGroupIndex(1);
        m->OnClick = TNotifyEvent(this, &TPreviewFormGx::mniScaleClick);
        pmnScale->Items()->Add(m);
        *it.item = m;
    }

    tbtPrint = addButton("tbtPrint", "Печатать", "Печатать", 0, TNotifyEvent(this, &TPreviewFormGx::tbtPrintClick));
    tbtPrinterSetupDialog = addButton("tbtPrinterSetupDialog", "Настройка принтера", "Настройка принтера", 1,
                                      TNotifyEvent(this, &TPreviewFormGx::tbtPrinterSetupDialogClick));
    tbtScale = addButton("tbtScale", "Масштаб", "Масштаб", 2, TNotifyEvent(this, &TPreviewFormGx::tbtScaleClick));
    tbtScale->SetStyle(tbsDropDown);
    tbtScale->SetDropdownMenu(pmnScale);
    tbtPrevPage = addButton("tbtPrevPage", "Предыдущая", "Предыдущая страница", 3,
                            TNotifyEvent(this, &TPreviewFormGx::tbtPrevPageClick));
    tbtNextPage = addButton("tbtNextPage", "Следующая", "Следующая страница", 4,
                            TNotifyEvent(this, &TPreviewFormGx::tbtNextPageClick));
    for (TToolButton* b : {tbtPrevPage, tbtNextPage}) {
        b->OnMouseDown = TMouseEvent(this, &TPreviewFormGx::PageButtonMouseDown);
        b->OnMouseUp = TMouseEvent(this, &TPreviewFormGx::PageButtonMouseUp);
    }
    tbStop = addButton("tbStop", "Стоп", "", 5, TNotifyEvent(this, &TPreviewFormGx::tbStopClick));
    tbClose = addButton("tbClose", "Закрыть", "Закрыть окно предварительного просмотра", 6,
                        TNotifyEvent(this, &TPreviewFormGx::tbCloseClick));

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetEnabled(false);
    Timer1->OnTimer = TNotifyEvent(this, &TPreviewFormGx::Timer1Timer);

    OnCreate = TNotifyEvent(this, &TPreviewFormGx::FormCreate);
    OnClose = TCloseEvent(this, &TPreviewFormGx::FormClose);
    OnKeyDown = TKeyEvent(this, &TPreviewFormGx::FormKeyDown);
    SetWindowState(wsMaximized);
}

TPreviewFormGx::~TPreviewFormGx() {
    if (PreviewFormGx == this) {
        PreviewFormGx = nullptr;
        TPrinterPreview* global = SetPrinterPreview(nullptr);
        if (global != PreviewGx1->Printer()) SetPrinterPreview(global);
    }
}

void TPreviewFormGx::FormCreate(TObject*) {
    Splitter->OnCanResize = TCanResizeEvent(this, &TPreviewFormGx::SplitterCanResize);
    Splitter->SetResizeStyle(rsUpdate);
    TMenuItem* all[] = {mni500, mni200, mni150, mni100, mni75, mni50, mni25, mni10, mniWidth, mniFull};
    for (int i = 0; i < 10; ++i) all[i]->SetTag(i);
    PreviewGx1PrinterPreviewChanged(this);
}

void TPreviewFormGx::PreviewGx1OpenPreviewer(TObject*) {
    if (WindowState() == wsMinimized) SetWindowState(wsMaximized);
    BringToFront();
    if (!Visible()) Show();
}

void TPreviewFormGx::PreviewGx1PrinterPreviewChanged(TObject*) {
    TPrinterPreview* pr = PreviewGx1->Printer();
    const bool printing = pr && pr->GetPrinting();
    if (!printing && closePending_) {
        closePending_ = false;
        Close();
    }
    tbStop->SetEnabled(printing);
    tbClose->SetEnabled(!printing);
    tbtPrint->SetEnabled(!printing && !TPrinter::Printers().empty());
    const bool handler = static_cast<bool>(PreviewGx1->OnPrinterSetupDialog) ||
                         (pr && static_cast<bool>(pr->OnPrinterSetupDialog));
    tbtPrinterSetupDialog->SetEnabled(!printing && handler && PreviewGx1->PrinterSetupOwner() != nullptr);
    tbtPrevPage->SetEnabled(PreviewGx1->PageIndex() > 1);
    tbtNextPage->SetEnabled(PreviewGx1->PageIndex() < PreviewGx1->PageCount());
    stbMain->SetSimpleText(Format(LoadResString(&SPageOfPagesGx), PreviewGx1->PageIndex(), PreviewGx1->PageCount()));
    TMenuItem* all[] = {mni500, mni200, mni150, mni100, mni75, mni50, mni25, mni10, mniWidth, mniFull};
    all[PreviewGx1->ViewMode()]->SetChecked(true);
    SetCaption(LoadResString(&SPreviewGx) + " - " + (pr ? pr->GetTitle() : AnsiString()));
}

void TPreviewFormGx::mniScaleClick(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item) return;
    item->SetChecked(true);
    PreviewGx1->SetViewMode(static_cast<TViewMode>(item->Tag()));
    PreviewGx1->UpdatePageSetup();
}

void TPreviewFormGx::tbtScaleClick(TObject*) {
    const TPoint p = tbtScale->ClientToScreen(TPoint(0, tbtScale->Height()));
    pmnScale->Popup(p.x, p.y);
}

void TPreviewFormGx::tbtPrintClick(TObject*) { PreviewGx1->PrintDialog(); }

void TPreviewFormGx::tbtPrinterSetupDialogClick(TObject*) { PreviewGx1->PrinterSetupDialog(); }

void TPreviewFormGx::tbtPrevPageClick(TObject*) {
    // The release that ends an auto-repeat is not one more page.
    if (Timer1->Interval() == 100) {
        Timer1->SetInterval(400);
        return;
    }
    PreviewGx1->SetPageIndex(PreviewGx1->PageIndex() - 1);
}

void TPreviewFormGx::tbtNextPageClick(TObject*) {
    // The release that ends an auto-repeat is not one more page.
    if (Timer1->Interval() == 100) {
        Timer1->SetInterval(400);
        return;
    }
    PreviewGx1->SetPageIndex(PreviewGx1->PageIndex() + 1);
}

void TPreviewFormGx::tbStopClick(TObject*) {
    if (TPrinterPreview* pr = PreviewGx1->Printer()) pr->Abort();
}

void TPreviewFormGx::tbCloseClick(TObject*) { Close(); }

void TPreviewFormGx::PageButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft) return;
    repeatButton_ = dynamic_cast<TToolButton*>(Sender);
    Timer1->SetInterval(400);
    Timer1->SetEnabled(true);
}

void TPreviewFormGx::PageButtonMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    // The interval stays at 100 after a repeat, so the click of this release is ignored.
    Timer1->SetEnabled(false);
}

void TPreviewFormGx::Timer1Timer(TObject*) {
    Timer1->SetInterval(100);
    if (!repeatButton_ || !repeatButton_->MouseCapture()) return;
    try {
        if (repeatButton_ == tbtPrevPage) PreviewGx1->SetPageIndex(PreviewGx1->PageIndex() - 1);
        else PreviewGx1->SetPageIndex(PreviewGx1->PageIndex() + 1);
    } catch (...) {
        Timer1->SetEnabled(false);
        throw;
    }
}

void TPreviewFormGx::FormKeyDown(TObject*, WORD& Key, TShiftState) {
    if (Key != VK_ESCAPE) return;
    TPrinterPreview* pr = PreviewGx1->Printer();
    if (pr && pr->GetPrinting()) pr->Abort();
    else Close();
    Key = 0;
}

void TPreviewFormGx::FormClose(TObject*, TCloseAction& Action) {
    TPrinterPreview* pr = PreviewGx1->Printer();
    if (pr && pr->GetPrinting()) {
        // Stop the print and close as soon as it has ended.
        pr->Abort();
        closePending_ = true;
        Action = caNone;
        return;
    }
    Action = caHide;
}

void TPreviewFormGx::setLook(TToolBarLook look) {
    look_ = look;
    switch (look) {
        case tlCaptions:
            tbrMain->SetImages(nullptr);
            tbrMain->SetShowCaptions(true);
            break;
        case tlImages:
            tbrMain->SetImages(imlMain);
            tbrMain->SetShowCaptions(false);
            tbrMain->SetButtonWidth(38);
            tbrMain->SetButtonHeight(39);
            break;
        case tlImagesAndCaptions:
            tbrMain->SetImages(imlMain);
            tbrMain->SetShowCaptions(true);
            break;
    }
}

void TPreviewFormGx::SplitterCanResize(TObject*, int& NewSize, bool& Accept) {
    Accept = true;
    if (look_ == tlCaptions && NewSize > 40) setLook(tlImages);
    else if (look_ == tlImages && NewSize > 54) setLook(tlImagesAndCaptions);
    else if (look_ == tlImagesAndCaptions && NewSize <= 41) setLook(tlImages);
    else if (look_ == tlImages && NewSize <= 24) setLook(tlCaptions);
}
