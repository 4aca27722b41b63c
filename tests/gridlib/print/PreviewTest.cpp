// The print preview off screen: recording shows the window while pages are still drawn, the page
// buttons and status follow the pages, the view modes size the page, a page shows its ink where it
// was drawn, stopping keeps the finished pages, printing a range from the preview, the preview's
// own orientation, and one document at a time.
#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrvFrmGx.h"

#include "gui/WinApi.h"
#include "rtl/SysUtils.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        pv = PrinterPreview();
        ASSERT_NE(pv, nullptr);
        form = PreviewFormGx;
        ASSERT_NE(form, nullptr);
        box = form->PreviewGx1;
        pv->SetOrientation(poPortrait);
        pv->SetTitle("Табличная информация");
        form->SetWindowState(wsNormal);
        form->SetBounds(0, 0, 900, 700);
    }
    void TearDown() override {
        if (pv->GetPrinting()) {
            pv->Abort();
            pv->EndDoc();
        }
        pv->GetPropPrinter()->SetOutputFileName("");
        form->Hide();
        box->SetViewMode(vmFullPage);
    }
    // Records pages, each a frame of the printable area with its number in the top-left corner;
    // between pages everything the test wants to look at while recording.
    void Record(int pages, const std::function<void(int finished)>& between = nullptr) {
        pv->BeginDoc();
        for (int n = 1; n <= pages; ++n) {
            if (n > 1) {
                pv->NewPage();
                if (between) between(n - 1);
                if (pv->GetAborted()) break;
            }
            TCanvas* c = pv->GetCanvas();
            c->Font()->SetName("Arial");
            c->Font()->SetSize(14);
            c->Pen()->SetWidth(6);
            c->Brush()->SetStyle(bsClear);
            c->Rectangle(0, 0, pv->GetPageWidth(), pv->GetPageHeight());
            c->TextOut(100, 100, "Страница " + IntToStr(n));
            // Ink in the upper left quarter only.
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(clBlack);
            c->FillRect(TRect(200, 400, pv->GetPageWidth() / 2 - 200, pv->GetPageHeight() / 2 - 200));
        }
        pv->EndDoc();
    }
    AnsiString Status() const { return form->stbMain->SimpleText(); }

    TPrinterPreview* pv = nullptr;
    TPreviewFormGx* form = nullptr;
    TPreviewBox* box = nullptr;
};

TEST_F(PreviewTest, WindowOpensAfterTheFirstPageAndFollowsThePages) {
    bool shownWhileRecording = false;
    AnsiString statusWhileRecording;
    bool stopEnabled = false, closeEnabled = true;
    Record(5, [&](int finished) {
        if (finished != 1) return;
        shownWhileRecording = form->Visible();
        statusWhileRecording = Status();
        stopEnabled = form->tbStop->Enabled();
        closeEnabled = form->tbClose->Enabled();
    });
    EXPECT_TRUE(shownWhileRecording);
    EXPECT_EQ(statusWhileRecording, "Страница 1 из 1");
    EXPECT_TRUE(stopEnabled);
    EXPECT_FALSE(closeEnabled);
    EXPECT_EQ(pv->PageCount(), 5);
    EXPECT_EQ(Status(), "Страница 1 из 5");
    EXPECT_EQ(form->Caption(), "Предварительный просмотр - Табличная информация");
    struct {
        int page;
        AnsiString status;
        bool prev, next;
    } const steps[] = {
        {2, "Страница 2 из 5", true, true},
        {5, "Страница 5 из 5", true, false},
        {9, "Страница 5 из 5", true, false},  // clamped
        {0, "Страница 1 из 5", false, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.page);
        box->SetPageIndex(s.page);
        EXPECT_EQ(Status(), s.status);
        EXPECT_EQ(form->tbtPrevPage->Enabled(), s.prev);
        EXPECT_EQ(form->tbtNextPage->Enabled(), s.next);
    }
    EXPECT_FALSE(form->tbStop->Enabled());
    EXPECT_TRUE(form->tbClose->Enabled());
    // No printer here and nobody's setup to run.
    EXPECT_EQ(form->tbtPrint->Enabled(), !TPrinter::Printers().empty());
    EXPECT_FALSE(form->tbtPrinterSetupDialog->Enabled());
    // The page buttons turn pages.
    form->tbtNextPage->Click();
    EXPECT_EQ(box->PageIndex(), 2);
    form->tbtPrevPage->Click();
    EXPECT_EQ(box->PageIndex(), 1);
}

TEST_F(PreviewTest, HeldPageButtonRepeatsAndItsReleaseTurnsNoMorePage) {
    Record(6);
    guitest::ShowForm(form);
    TToolButton* next = form->tbtNextPage;
    const TPoint mid(next->Width() / 2, next->Height() / 2);
    guitest::MouseDown(next, mid);
    EXPECT_EQ(box->PageIndex(), 1);  // nothing before the first repeat
    ASSERT_TRUE(guitest::WaitFor([&] { return box->PageIndex() >= 3; }, 5000));
    guitest::MouseUp(next, mid);
    const int reached = box->PageIndex();
    guitest::Pump(0);
    EXPECT_EQ(box->PageIndex(), reached);
    EXPECT_FALSE(form->Timer1->Enabled());
    // A plain click afterwards turns one page.
    if (reached < 6) {
        guitest::Click(next, mid);
        EXPECT_EQ(box->PageIndex(), reached + 1);
    }
}

TEST_F(PreviewTest, OnePageDocumentOpensAtTheEnd) {
    Record(1);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(Status(), "Страница 1 из 1");
    EXPECT_FALSE(form->tbtPrevPage->Enabled());
    EXPECT_FALSE(form->tbtNextPage->Enabled());
}

TEST_F(PreviewTest, ViewModesSizeThePage) {
    Record(2);
    guitest::ShowForm(form);
    const double ratio = 285.0 / 198.0;
    for (TViewMode m : {vm100, vm50, vm200}) {
        SCOPED_TRACE(m);
        box->SetViewMode(m);
        const int percent = m == vm100 ? 100 : m == vm50 ? 50 : 200;
        const int w = percent * 4676 * 96 / 600 / 100;
        EXPECT_EQ(box->DrawPanel()->Width(), w);
        EXPECT_EQ(box->DrawPanel()->Height(), static_cast<int>(w * ratio));
        EXPECT_EQ(box->WheelScale(), percent);
        EXPECT_EQ(box->ShadowPanel()->Left(), box->DrawPanel()->Left() + 4);
    }
    box->SetViewMode(vmPageWidth);
    EXPECT_EQ(box->DrawPanel()->Width(), box->Width() - GetSystemMetrics(SM_CXVSCROLL) - 20);
    EXPECT_EQ(box->DrawPanel()->Left(), 8);
    box->SetViewMode(vmFullPage);
    EXPECT_EQ(box->DrawPanel()->Height(), box->ClientHeight() - 16);
    EXPECT_NEAR(box->DrawPanel()->Width(), (box->ClientHeight() - 16) / ratio, 1);
    EXPECT_EQ(box->WheelScale(), 100);
    // The zoom menu's items carry the modes.
    form->mniScaleClick(form->mni75);
    EXPECT_EQ(box->ViewMode(), vm75);
    EXPECT_TRUE(form->mni75->Checked());
    // A click on the full page zooms to 150%, a click there back to the full page.
    box->SetViewMode(vmFullPage);
    guitest::Click(box->DrawPanel(), TPoint(20, 20));
    EXPECT_EQ(box->ViewMode(), vm150);
    guitest::Click(box->DrawPanel(), TPoint(20, 20));
    EXPECT_EQ(box->ViewMode(), vmFullPage);
}

TEST_F(PreviewTest, WheelTurnsPagesThatFitAndScrollsTallerOnes) {
    Record(3);
    guitest::ShowForm(form);
    box->SetViewMode(vmFullPage);
    const TPoint mid(box->ClientWidth() / 2, box->ClientHeight() / 2);
    guitest::Wheel(box, mid, -120);
    EXPECT_EQ(box->PageIndex(), 2);
    guitest::Wheel(box, mid, 120);
    EXPECT_EQ(box->PageIndex(), 1);
    box->SetViewMode(vm200);
    guitest::Wheel(box, mid, -120);
    EXPECT_EQ(box->PageIndex(), 1);
    EXPECT_GT(box->VertScrollBar()->Position(), 0);
}

TEST_F(PreviewTest, DragAndKeysScrollTheZoomedPage) {
    Record(1);
    guitest::ShowForm(form);
    box->SetViewMode(vm200);
    TControlScrollBar* h = box->HorzScrollBar();
    TControlScrollBar* v = box->VertScrollBar();
    ASSERT_GT(v->Range(), box->ClientHeight());
    // Dragging moves the page with the mouse; the click that ends it does not zoom.
    guitest::MouseDown(box->DrawPanel(), TPoint(300, 300));
    guitest::MouseMove(box->DrawPanel(), TPoint(250, 240));
    guitest::MouseUp(box->DrawPanel(), TPoint(250, 240));
    EXPECT_EQ(h->Position(), 50);
    EXPECT_EQ(v->Position(), 60);
    EXPECT_EQ(box->ViewMode(), vm200);
    const int step = v->Increment();
    // The far ends as the scroll bars allow them.
    box->ScrollPage(1 << 20, 1 << 20);
    const int maxH = h->Position(), maxV = v->Position();
    box->ScrollPage(-(1 << 20), -(1 << 20));
    box->ScrollPage(50, 60);
    const struct {
        WORD key;
        TShiftState shift;
        std::function<int()> position;
        std::function<int()> expected;
    } keys[] = {
        {VK_DOWN, 0, [&] { return v->Position(); }, [&] { return 60 + step; }},
        {VK_NEXT, ssCtrl, [&] { return v->Position(); }, [&] { return maxV; }},
        {VK_PRIOR, ssCtrl, [&] { return v->Position(); }, [] { return 0; }},
        {VK_END, 0, [&] { return h->Position(); }, [&] { return maxH; }},
        {VK_HOME, 0, [&] { return h->Position(); }, [] { return 0; }},
    };
    box->SetFocus();
    for (const auto& k : keys) {
        SCOPED_TRACE(k.key);
        guitest::Key(k.key, k.shift, box);
        EXPECT_EQ(k.position(), k.expected());
    }
}

TEST_F(PreviewTest, EscapeStopsARecordingAndClosesOtherwise) {
    guitest::ShowForm(form);
    Record(4, [&](int finished) {
        if (finished == 2) guitest::Key(VK_ESCAPE, 0, form);
    });
    EXPECT_EQ(pv->PageCount(), 2);
    EXPECT_TRUE(form->Visible());
    guitest::Key(VK_ESCAPE, 0, form);
    EXPECT_FALSE(form->Visible());
}

// The handler that changes the print's setup and prints it again comes to the window with the
// document, for as long as its owner lives.
class SetupOwner : public TComponent {
public:
    SetupOwner() : TComponent(nullptr) {}
    void Setup(TObject*) { ++runs; }
    int runs = 0;
};

TEST_F(PreviewTest, SetupHandlerAndOwnerComeWithTheDocument) {
    auto* owner = new SetupOwner();
    pv->SetOnPrinterSetupDialog(TNotifyEvent(owner, &SetupOwner::Setup));
    pv->PrinterSetupOwner = owner;
    bool enabledWhileRecording = true;
    Record(2, [&](int) { enabledWhileRecording = form->tbtPrinterSetupDialog->Enabled(); });
    EXPECT_FALSE(enabledWhileRecording);
    EXPECT_TRUE(form->tbtPrinterSetupDialog->Enabled());
    EXPECT_FALSE(static_cast<bool>(pv->OnPrinterSetupDialog));  // handed over, not kept
    form->tbtPrinterSetupDialog->Click();
    EXPECT_EQ(owner->runs, 1);
    delete owner;
    EXPECT_EQ(box->PrinterSetupOwner(), nullptr);
    EXPECT_FALSE(static_cast<bool>(box->OnPrinterSetupDialog));
    EXPECT_FALSE(form->tbtPrinterSetupDialog->Enabled());
}

TEST_F(PreviewTest, SplitterSwitchesTheToolBarLooks) {
    using L = TPreviewFormGx::TToolBarLook;
    const struct {
        int size;
        L look;
    } steps[] = {
        {50, L::tlImagesAndCaptions}, {41, L::tlImages}, {30, L::tlImages},   {24, L::tlCaptions},
        {40, L::tlCaptions},          {41, L::tlImages}, {54, L::tlImages},   {55, L::tlImagesAndCaptions},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.size);
        int size = s.size;
        bool accept = false;
        form->SplitterCanResize(form->Splitter, size, accept);
        EXPECT_TRUE(accept);
        EXPECT_EQ(form->ToolBarLook(), s.look);
    }
    EXPECT_TRUE(form->tbrMain->ShowCaptions());
    EXPECT_EQ(form->tbrMain->Images(), form->imlMain);
}

// With images and captions (the window's first look) every button shows its picture and, under
// it, its whole caption, one button beside the other, within the tool bar.
TEST_F(PreviewTest, ToolBarButtonsShowTheirWholeCaptionsSideBySide) {
    guitest::ShowForm(form);
    ASSERT_TRUE(form->tbrMain->ShowCaptions());
    ASSERT_EQ(form->tbrMain->Images(), form->imlMain);
    TToolButton* previous = nullptr;
    for (TToolButton* b : {form->tbtPrint, form->tbtPrinterSetupDialog, form->tbtScale, form->tbtPrevPage,
                           form->tbtNextPage, form->tbStop, form->tbClose}) {
        SCOPED_TRACE(b->Caption().str());
        const TRect caption = CalcTextRect(b->Font(), b->Caption(), TRect(), DT_SINGLELINE);
        const int dropDown = b->Style() == tbsDropDown ? 12 : 0;
        EXPECT_GE(b->Width() - dropDown, caption.Width());
        EXPECT_GE(b->Height(), form->imlMain->Height() + caption.Height());
        EXPECT_GE(b->Top(), 0);
        EXPECT_LE(b->Top() + b->Height(), form->tbrMain->Height());
        if (previous) {
            EXPECT_EQ(b->Top(), previous->Top());
            EXPECT_GE(b->Left(), previous->Left() + previous->Width());
        }
        previous = b;
    }
    EXPECT_LE(previous->Left() + previous->Width(), form->tbrMain->Width());
    // The page box starts below the tool bar and its splitter.
    EXPECT_GE(box->Top(), form->tbrMain->Height());
    EXPECT_LE(box->Top(), form->tbrMain->Height() + 3);
}

TEST_F(PreviewTest, PageShowsItsInkWhereItWasDrawn) {
    Record(2);
    guitest::ShowForm(form);
    box->SetViewMode(vmFullPage);
    guitest::Pump(10);
    const QImage img = guitest::Grab(box->DrawPanel());
    ASSERT_FALSE(img.isNull());
    auto dark = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (qGray(img.pixel(x, y)) < 80) ++n;
        return n;
    };
    const int w = img.width(), h = img.height();
    // The filled quarter, away from the frame.
    EXPECT_GT(dark(w / 8, h / 8, w * 3 / 8, h * 3 / 8), (w / 4) * (h / 4) / 2);
    EXPECT_EQ(dark(w * 5 / 8, h * 5 / 8, w * 7 / 8, h * 7 / 8), 0);
}

TEST_F(PreviewTest, StopKeepsTheFinishedPages) {
    Record(5, [&](int finished) {
        if (finished == 3) form->tbStop->Click();
    });
    EXPECT_TRUE(pv->GetAborted());
    EXPECT_FALSE(pv->GetPrinting());
    EXPECT_EQ(pv->PageCount(), 3);
    EXPECT_EQ(box->PageCount(), 3);
    EXPECT_EQ(Status(), "Страница 1 из 3");
    box->SetPageIndex(3);
    EXPECT_EQ(box->PageIndex(), 3);
}

TEST_F(PreviewTest, PrintsTheChosenPagesFromThePreview) {
    Record(5);
    testlib::TempDir dir;
    const std::string pdf = dir / "pages.pdf";
    testlib::PrintDialogs dialogs(pdf);
    dialogs.fromPage = 2;
    dialogs.toPage = 3;
    box->PrintDialog();
    EXPECT_EQ(dialogs.Shown(), 1);
    EXPECT_EQ(dialogs.offeredMin, 1);
    EXPECT_EQ(dialogs.offeredMax, 5);
    EXPECT_EQ(testlib::PdfPages(pdf), 2);
    const std::string text = testlib::PdfText(pdf);
    EXPECT_EQ(text.find("Страница 1"), std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_NE(text.find("Страница 3"), std::string::npos);
    EXPECT_EQ(text.find("Страница 4"), std::string::npos);
    // The whole document, and a cancelled dialog prints nothing.
    const std::string all = dir / "all.pdf";
    pv->GetPropPrinter()->SetOutputFileName(all);
    pv->Print();
    EXPECT_EQ(testlib::PdfPages(all), 5);
    EXPECT_NE(testlib::Run("pdfinfo '" + all + "'").find("Табличная информация"), std::string::npos);
}

TEST_F(PreviewTest, OrientationIsThePreviewsOwn) {
    const TPrinterOrientation system = Printer()->Orientation();
    pv->SetOrientation(poLandscape);
    EXPECT_EQ(Printer()->Orientation(), system);
    EXPECT_GT(pv->GetPageWidth(), pv->GetPageHeight());
    EXPECT_GT(pv->GetFullPageWidth(), pv->GetPageWidth());
    Record(1);
    guitest::ShowForm(form);
    box->SetViewMode(vmFullPage);
    EXPECT_GT(box->DrawPanel()->Width(), box->DrawPanel()->Height());
    testlib::TempDir dir;
    pv->GetPropPrinter()->SetOutputFileName(dir / "landscape.pdf");
    pv->Print();
    // The sheet in the PDF lies on its side.
    const std::string info = testlib::Run("pdfinfo '" + (dir / "landscape.pdf") + "'");
    const auto size = info.find("Page size:");
    ASSERT_NE(size, std::string::npos);
    double w = 0, h = 0;
    ASSERT_EQ(std::sscanf(info.c_str() + size, "Page size: %lf x %lf", &w, &h), 2);
    EXPECT_GT(w, h);
    pv->SetOrientation(poPortrait);
    Record(1);
    box->SetViewMode(vmFullPage);
    EXPECT_LT(box->DrawPanel()->Width(), box->DrawPanel()->Height());
}

TEST_F(PreviewTest, SecondDocumentIsRefusedWhileOneRecords) {
    pv->BeginDoc();
    pv->GetCanvas()->TextOut(10, 10, "Первый");
    pv->NewPage();
    EXPECT_TRUE(PrintInProgress());
    // Another print of the preview or on the system printer is refused; the pages stay.
    EXPECT_THROW(pv->BeginDoc(), EAbort);
    EXPECT_THROW(VirtualPrinter->BeginDoc(), EAbort);
    EXPECT_TRUE(pv->GetPrinting());
    EXPECT_EQ(box->PageCount(), 1);
    // Printing from the preview waits for the end of the document.
    testlib::TempDir dir;
    testlib::PrintDialogs dialogs(dir / "refused.pdf");
    box->PrintDialog();
    EXPECT_EQ(dialogs.Shown(), 0);
    pv->EndDoc();
    EXPECT_FALSE(PrintInProgress());
    EXPECT_EQ(pv->PageCount(), 2);
}

TEST_F(PreviewTest, EscapeStopsRecordingAndCloseWaitsForTheEnd) {
    guitest::ShowForm(form);
    Record(4, [&](int finished) {
        if (finished == 1) form->Close();  // closing while printing only stops
        EXPECT_TRUE(form->Visible());
    });
    EXPECT_EQ(pv->PageCount(), 1);
    // The pending close happens once the document has ended.
    EXPECT_FALSE(form->Visible());
}

}  // namespace
