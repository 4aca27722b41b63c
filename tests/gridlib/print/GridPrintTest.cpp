// The grid printer: its page arithmetic and macros, prints read back from PDF files (heading block
// with substituted markers, header and footer macros, multi-level titles, Cyrillic rows), page
// counts of strips, bands, a row taller than the page and the counted "&[Pages]", clean-up after a
// stop and a failure, one print at a time, and a journal of the database printed from the preview.
#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrnDbggx.h"
#include "gridlib/print/PrnDgDlg.h"
#include "gridlib/print/PrvFrmGx.h"

#include "data/DBClient.h"
#include "rtl/DateUtils.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "testlib/DataTestSupport.h"
#include "testlib/DbFixture.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include "../grid/ViewDataSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(GridPrintArithmetic, MarginsAndFittedColumns) {
    EXPECT_EQ(PrintMarginPixels(600, Currency(2), MM), 472);  // 2 cm = 0.787 inch
    EXPECT_EQ(PrintMarginPixels(600, Currency(1), Inches), 600);
    EXPECT_EQ(PrintMarginPixels(96, Currency(2), MM), 76);
    const struct {
        std::vector<int> widths;
        int available;
        std::vector<int> fitted;
    } cases[] = {
        {{500, 300, 200}, 800, {400, 240, 160}},
        {{100, 200}, 800, {100, 200}},            // a narrower grid is never enlarged
        {{333, 333, 334}, 500, {167, 167, 166}},  // rounding up is taken from the last column
    };
    for (const auto& c : cases) {
        std::vector<int> w = c.widths;
        FitPrintColumnWidths(w, c.available);
        EXPECT_EQ(w, c.fitted);
    }
}

TEST(GridPrintArithmetic, HeaderAndFooterMacros) {
    datatest::RussianLocale locale;
    const TDateTime now = EncodeDate(2010, 3, 15) + EncodeTime(8, 5, 0, 0);
    const struct {
        const char* text;
        const char* printed;
    } cases[] = {
        {"Стр. &[Page] из &[Pages]", "Стр. 3 из 7"},
        {"&[page]/&[PAGES]", "3/7"},
        {"&&[Page]", "&&[Page]"},  // an escaped macro keeps its name, in its own capitals
        {"&&[pAGE] и &[Page]", "&&[Page] и 3"},
        {"&[Date] &[ShortDate]", "15.03.2010 15.03.2010"},
        {"&[Time]", "8:05:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplacePrintMacros(c.text, 3, 7, now), c.printed) << c.text;
    EXPECT_EQ(ReplacePrintMacros("&[LongDate]", 1, 1, now), FormatDateTime(FormatSettings().LongDateFormat, now));
}

// A heading block as the journals have it: centred, 16-point lines between 8-point blank lines.
void SetHeading(TRichEditStrings* block, std::initializer_list<const char*> lines) {
    AnsiString text = "\r\n";
    for (const char* l : lines) text += AnsiString(l) + "\r\n";
    block->SetTextStr(text);
    TRichTextDocument& doc = block->Document();
    doc.SetSelection(0, doc.Length());
    TRichTextFormat f;
    f.FontName = "Times New Roman";
    f.Size = 16;
    doc.SetSelectionFormat(f);
    doc.SetSelectionAlignment(raCenter);
}

class GridPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        pv = PrinterPreview();
        pv->SetOrientation(poPortrait);
        pv->GetPropPrinter()->SetOutputFileName(dir / "recorded.pdf");
        source.SetDataSet(&cds);
        grid = std::make_unique<TDBGridGx>(nullptr);
        print = std::make_unique<TPrintDBGridGx>(nullptr);
        print->SetDBGridGx(grid.get());
    }
    void TearDown() override {
        print.reset();
        grid.reset();
        cds.Close();
        pv->GetPropPrinter()->SetOutputFileName("");
        Printer()->SetOutputFileName("");
        if (PreviewFormGx) PreviewFormGx->Hide();
        guitest::Pump();
    }
    // Rows of a time and a message, the message as long as asked.
    void Open(int rows, const std::function<AnsiString(int)>& message = nullptr) {
        cds.FieldDefs()->Add("Moment", ftString, 20);
        cds.FieldDefs()->Add("Message", ftString, 4000);
        cds.FieldDefs()->Add("Code", ftInteger);
        cds.CreateDataSet();
        for (int i = 1; i <= rows; ++i)
            cds.AppendRecord({Variant("15.03.2010 08:" + std::to_string(10 + i % 50)),
                              Variant(message ? message(i).str() : "Пуск насоса " + std::to_string(i)), Variant(i)});
        cds.MergeChangeLog();
        cds.First();
        grid->SetDataSource(&source);
        grid->Columns()->Items(0)->Title()->SetCaption("Дата, время");
        grid->Columns()->Items(1)->Title()->SetCaption("Текст сообщения");
        grid->Columns()->Items(2)->Title()->SetCaption("Код");
        SetWidths({120, 300, 60});
    }
    void SetWidths(std::vector<int> w) {
        for (std::size_t i = 0; i < w.size(); ++i) grid->Columns()->Items(static_cast<int>(i))->SetWidth(w[i]);
    }
    // Pages of a print recorded by the preview.
    int PreviewPages() {
        print->Preview();
        return pv->PageCount();
    }
    std::string PrintPdf(const char* name) {
        const std::string pdf = dir / name;
        Printer()->SetOutputFileName(pdf);
        print->Print();
        return pdf;
    }

    testlib::TempDir dir;
    datatest::RussianLocale locale;
    TPrinterPreview* pv = nullptr;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TDBGridGx> grid;
    std::unique_ptr<TPrintDBGridGx> print;
};

TEST_F(GridPrintTest, PrintedPdfShowsHeadingTitlesRowsAndMacros) {
    Open(3);
    grid->Columns()->Items(1)->Title()->SetCaption("Событие|Текст");
    grid->Columns()->Items(2)->Title()->SetCaption("Событие|Код");
    grid->SetUseMultiTitle(true);
    print->PageHeader()->LeftText()->SetText("Лист &[Page] из &[Pages]");
    print->PageHeader()->RightText()->SetText("&&[Page]");
    print->PageHeader()->LineType = pcltSingleLine;
    print->PageFooter()->CenterText()->SetText("Напечатано &[Date]");
    print->PageFooter()->LineType = pcltDoubleLine;
    print->Title()->SetText("Журнал за смену");
    SetHeading(print->BeforeGridText(), {"Журнал регистрации событий", "за период с [StartTime] по [StopTime]"});
    print->AfterGridText()->SetTextStr("Конец журнала [StopTime]");
    print->SetSubstitutes({"[starttime]", "15.03.2010 08:00", "[STOPTIME]", "15.03.2010 19:59"});
    const AnsiString before = print->BeforeGridText()->Text();

    for (const char* name : {"first.pdf", "second.pdf"}) {
        SCOPED_TRACE(name);
        const std::string pdf = PrintPdf(name);
        EXPECT_EQ(testlib::PdfPages(pdf), 1);
        EXPECT_NE(testlib::Run("pdfinfo '" + pdf + "'").find("Табличная информация"), std::string::npos);
        const std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
        for (const std::string& s :
             {std::string("Журнал регистрации событий"),
              std::string("за период с 15.03.2010 08:00 по 15.03.2010 19:59"),
              std::string("Конец журнала 15.03.2010 19:59"), std::string("Лист 1 из 1"), std::string("&&[Page]"),
              "Напечатано " + DateToStr(Date()).str(), std::string("Журнал за смену"), std::string("Событие"),
              std::string("Дата, время"), std::string("Текст"), std::string("Код"), std::string("Пуск насоса 1"),
              std::string("Пуск насоса 3")})
            EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
        EXPECT_EQ(text.find("[StartTime]"), std::string::npos);
        // The group caption stands once above its two columns.
        EXPECT_EQ(text.find("Событие"), text.rfind("Событие"));
        EXPECT_LT(text.find("Событие"), text.find("Код"));
        // The blocks keep their markers for the next print.
        TRichTextDocument& doc = print->BeforeGridText()->Document();
        EXPECT_EQ(print->BeforeGridText()->Text(), before);
        EXPECT_EQ(doc.FormatAt(doc.LineStart(2)).Size, 16);
        EXPECT_EQ(doc.AlignmentOfLine(2), raCenter);
        EXPECT_EQ(print->AfterGridText()->Get(0), "Конец журнала [StopTime]");
    }
}

TEST_F(GridPrintTest, PageCountsOfBandsStripsTallRowsAndCountedPages) {
    Open(150);
    const int bands = PreviewPages();
    ASSERT_GE(bands, 2);
    // Every row is printed once over the bands.
    const std::string all = dir / "bands.pdf";
    pv->GetPropPrinter()->SetOutputFileName(all);
    pv->Print();
    const std::string text = testlib::PdfText(all);
    for (int i : {1, 75, 149, 150}) {
        const std::string row = "Пуск насоса " + std::to_string(i) + " ";
        EXPECT_NE(text.find(row), std::string::npos) << row;
    }
    EXPECT_EQ(text.find("Пуск насоса 151"), std::string::npos);

    // Columns wider than a page: three strips, each band printed once per strip.
    SetWidths({700, 700, 700});
    EXPECT_EQ(PreviewPages(), 3 * bands);
    // Narrowed to the page width they fit one strip again; scaled, the whole drawing shrinks, so
    // a page takes more rows.
    print->SetOptions({pghFitGridToPageWidth});
    const int scaled = PreviewPages();
    EXPECT_GE(scaled, 1);
    EXPECT_LT(scaled, bands);
    print->SetOptions({pghFitGridToPageWidth, pghFitingByColWidths});
    EXPECT_EQ(PreviewPages(), bands);
    print->SetOptions({});
    SetWidths({120, 300, 60});

    // "&[Pages]" in any capitals counts the pages first; the count is the pages printed.
    for (const char* macro : {"&[Pages]", "&[PAGES]"}) {
        print->PageFooter()->RightText()->SetText(AnsiString("Лист &[Page] из ") + macro);
        const std::string pdf = dir / "counted.pdf";
        pv->GetPropPrinter()->SetOutputFileName(pdf);
        const int pages = PreviewPages();
        ASSERT_GE(pages, bands) << macro;
        pv->Print();
        EXPECT_EQ(testlib::PdfPages(pdf), pages);
        const std::string counted = testlib::SquashBlanks(testlib::PdfText(pdf));
        const std::string n = std::to_string(pages);
        EXPECT_NE(counted.find("Лист 1 из " + n), std::string::npos) << macro << "\n" << counted;
        EXPECT_NE(counted.find("Лист " + n + " из " + n), std::string::npos) << macro;
    }
}

// Rows per page for known row heights on the preview's sheet without a printer (600 dpi, the
// printable area 450 ... 7044 - bottom margin, no titles): a row is taken while its bottom stays
// within the area, so rows that fill it exactly share one page.
TEST_F(GridPrintTest, RowsPerPageForKnownRowHeights) {
    pv->GetPropPrinter()->SetOutputFileName("");
    ASSERT_FALSE(pv->HasPrinter());
    const struct {
        int rowHeight;  // screen pixels: 6.25 printer pixels each
        int fit;        // rows the area holds exactly
        int spare;      // printer pixels of the area beyond those rows
        int rows;       // data rows printed
        int footers;    // footer rows after them
        int pages;
    } cases[] = {
        {20, 40, 0, 40, 0, 1},     // the last row ends exactly at the area's bottom
        {20, 40, 0, 41, 0, 2},
        {20, 40, 0, 80, 0, 2},
        {20, 40, 0, 81, 0, 3},
        {20, 40, -1, 40, 0, 2},    // a pixel short: the 40th row goes over
        {20, 40, 124, 41, 0, 2},   // a pixel short of a 41st row
        {20, 40, 125, 41, 0, 1},
        {24, 30, 0, 30, 0, 1},     // 150 printer pixels a row
        {24, 30, 0, 31, 0, 2},
        {20, 40, 0, 39, 1, 1},     // a footer row fits exactly as well
        {20, 40, 0, 40, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rowHeight << " px, " << c.rows << " rows, spare " << c.spare);
        cds.Close();
        cds.FieldDefs()->Clear();
        grid = std::make_unique<TDBGridGx>(nullptr);
        print->SetDBGridGx(grid.get());
        Open(c.rows, [](int i) { return AnsiString("Строка " + std::to_string(i)); });
        grid->SetOptions(grid->Options() & ~dgTitles);
        grid->SetRowHeight(c.rowHeight);
        grid->SetFooterRowCount(c.footers);
        print->SetUnits(Inches);
        print->Page()->TopMargin = Currency(1);  // 600 - 150 offset: the area starts at 450
        const int rowPixels = c.rowHeight * 600 / 96;
        const int bottom = pv->GetFullPageHeight() - 600 - c.fit * rowPixels - c.spare;
        print->Page()->BottomMargin = Currency(std::round(bottom / 600.0 * 10000) / 10000);
        EXPECT_EQ(PreviewPages(), c.pages);
    }
}

// A grid four times wider than the page, fitted to its width: every cell of every row and column
// carries its text in the PDF, printed directly and from the preview.
TEST_F(GridPrintTest, FittedPrintKeepsEveryCellsText) {
    constexpr int kColumns = 19, kRows = 300;
    for (int c = 0; c < kColumns; ++c) cds.FieldDefs()->Add(AnsiString("F") + IntToStr(c), ftString, 20);
    cds.CreateDataSet();
    auto cell = [](int r, int c) { return "r" + std::to_string(r) + "c" + std::to_string(c); };
    for (int r = 0; r < kRows; ++r) {
        std::vector<Variant> values;
        for (int c = 0; c < kColumns; ++c) values.push_back(Variant(cell(r, c)));
        cds.AppendRecord(values);
    }
    cds.MergeChangeLog();
    cds.First();
    grid->SetDataSource(&source);
    for (int c = 0; c < kColumns; ++c) grid->Columns()->Items(c)->SetWidth(150);
    print->SetOptions({pghFitGridToPageWidth});
    pv->SetOrientation(poLandscape);
    const std::string direct = PrintPdf("fitted.pdf");
    const std::string previewed = dir / "fitted-preview.pdf";
    print->Preview();
    pv->GetPropPrinter()->SetOutputFileName(previewed);
    pv->Print();
    for (const std::string& pdf : {direct, previewed}) {
        SCOPED_TRACE(pdf);
        EXPECT_GE(testlib::PdfPages(pdf), 2);
        // Each text as a word of its own.
        std::string text = " " + testlib::SquashBlanks(testlib::PdfText(pdf)) + " ";
        for (char& ch : text)
            if (ch == '\n' || ch == '\f') ch = ' ';
        int missing = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                if (text.find(" " + cell(r, c) + " ") == std::string::npos && ++missing <= 5)
                    ADD_FAILURE() << cell(r, c) << " missing";
        EXPECT_EQ(missing, 0);
    }
}

TEST_F(GridPrintTest, RowTallerThanThePagePrintsAloneAndTheLoopEnds) {
    std::string tall;
    for (int i = 0; i < 1500; ++i) tall += "слово ";
    Open(3, [&](int i) { return i == 2 ? AnsiString(tall) : AnsiString("Строка " + std::to_string(i)); });
    SetWidths({120, 60, 60});
    print->SetOptions({pghRowAutoStretch});
    // Row 1 on the first page, the tall row alone and clipped on the second, row 3 on the third.
    EXPECT_EQ(PreviewPages(), 3);
}

TEST_F(GridPrintTest, RepeatedValuesHiddenWithinABand) {
    Open(4, [](int i) { return AnsiString(i < 4 ? "Повтор" : "Другое"); });
    grid->Columns()->Items(1)->SetHideDuplicates(true);
    const std::string text = testlib::PdfText(PrintPdf("duplicates.pdf"));
    EXPECT_NE(text.find("Повтор"), std::string::npos);
    EXPECT_EQ(text.find("Повтор"), text.rfind("Повтор")) << text;
    EXPECT_NE(text.find("Другое"), std::string::npos);
    // Every row's other cells are there.
    for (int code = 1; code <= 4; ++code) EXPECT_NE(text.find("08:1" + std::to_string(code)), std::string::npos);
}

TEST_F(GridPrintTest, PrintFontNameReplacesEveryFace) {
    Open(2);
    print->PageHeader()->CenterText()->SetText("Лист &[Page]");
    const std::string before = testlib::Run("pdffonts '" + PrintPdf("faces.pdf") + "'");
    EXPECT_EQ(before.find("Mono"), std::string::npos) << before;
    print->SetPrintFontName("Courier New");
    const std::string fonts = testlib::Run("pdffonts '" + PrintPdf("courier.pdf") + "'");
    EXPECT_NE(fonts.find("LiberationMono"), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find("LiberationSans"), std::string::npos) << fonts;
}

TEST_F(GridPrintTest, OptimalWidthsMeasureThePrintedTexts) {
    Open(3, [](int i) { return AnsiString("Останов насоса подачи пульпы " + std::to_string(i)); });
    SetWidths({120, 20, 60});
    EXPECT_EQ(testlib::PdfText(PrintPdf("narrow.pdf")).find("Останов насоса подачи пульпы 3"), std::string::npos);
    print->SetOptions({pghOptimalColWidths});
    const std::string text = testlib::SquashBlanks(testlib::PdfText(PrintPdf("optimal.pdf")));
    EXPECT_NE(text.find("Останов насоса подачи пульпы 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Текст сообщения"), std::string::npos);
}

TEST_F(GridPrintTest, TreeAreaOnTheFirstColumnAndInItsOptimalWidth) {
    gridtest::ViewDataSet tree;
    tree.tree = true;
    tree.levels = {1, 2, 3};
    datatest::FillRows(tree, 3);
    source.SetDataSet(&tree);
    grid->SetDataSource(&source);
    ASSERT_TRUE(grid->ViewScroll());
    TCanvasRecorder recorder;
    TCanvasRecorder* previous = SetDefaultCanvasRecorder(&recorder);
    struct Printed {
        std::vector<int> idLeft;  // where "1", "2", "3" start
        int nameLeft = 0;        // where "Row 3" starts
        int signs = 0;           // lines of the tree signs
    };
    auto printed = [&] {
        recorder.Clear();
        print->Preview();
        Printed p;
        p.idLeft.assign(3, -1);
        for (const TCanvasOp& op : recorder.Ops) {
            if (op.Kind == TCanvasOpKind::DrawText && !(op.Values[0] & DT_CALCRECT)) {
                for (int id = 1; id <= 3; ++id)
                    if (op.Text == AnsiString(std::to_string(id))) p.idLeft[static_cast<std::size_t>(id - 1)] = op.Rect.Left;
                if (op.Text == "Row 3") p.nameLeft = op.Rect.Left;
            }
            if (op.Kind == TCanvasOpKind::LineTo && op.PenColor == clBtnShadow) ++p.signs;
        }
        return p;
    };
    for (bool optimal : {false, true}) {
        SCOPED_TRACE(optimal ? "optimal widths" : "grid widths");
        print->SetOptions(optimal ? TPrintDBGridGxOptions{pghOptimalColWidths} : TPrintDBGridGxOptions{});
        tree.tree = true;
        const Printed with = printed();
        tree.tree = false;
        const Printed without = printed();
        EXPECT_GT(with.signs, 0);
        EXPECT_EQ(without.signs, 0);
        ASSERT_GE(without.idLeft[0], 0);
        EXPECT_EQ(without.idLeft[1], without.idLeft[0]);
        EXPECT_EQ(without.idLeft[2], without.idLeft[0]);
        // Each level moves the text right by one level column.
        EXPECT_GT(with.idLeft[0], without.idLeft[0]);
        EXPECT_GT(with.idLeft[1], with.idLeft[0]);
        EXPECT_NEAR(with.idLeft[2] - with.idLeft[1], with.idLeft[1] - with.idLeft[0], 1);
        if (optimal) EXPECT_GT(with.nameLeft, without.nameLeft) << "the first column widened for the deepest node";
        else EXPECT_EQ(with.nameLeft, without.nameLeft);
    }
    SetDefaultCanvasRecorder(previous);
    grid->SetDataSource(nullptr);
    tree.Close();
}

TEST_F(GridPrintTest, SetupFromThePreviewPrintsItAgain) {
    Open(3);
    print->Preview();
    ASSERT_EQ(pv->PageCount(), 1);
    TPreviewFormGx* form = PreviewFormGx;
    EXPECT_TRUE(form->tbtPrinterSetupDialog->Enabled());
    EXPECT_EQ(form->PreviewGx1->PrinterSetupOwner(), print.get());
    // Accepted: the new margins go into the component and the preview is recorded again.
    guitest::ModalDriver modal;
    modal.Then([&](TCustomForm* f) {
        auto* d = dynamic_cast<TfPrnDBGridGxSetupDialog*>(f);
        ASSERT_NE(d, nullptr);
        d->seUpMargin->SetText("5");
        d->SetModalResult(mrOk);
    });
    int recorded = 0;
    struct Handler : TComponent {
        Handler() : TComponent(nullptr) {}
        std::function<void()> run;
        void Run(TObject*) { run(); }
    } h;
    h.run = [&] { ++recorded; };
    print->OnBeforePrint = TNotifyEvent(&h, &Handler::Run);
    form->tbtPrinterSetupDialog->Click();
    EXPECT_EQ(print->Page()->TopMargin, Currency(5));
    EXPECT_EQ(recorded, 1);
    EXPECT_EQ(pv->PageCount(), 1);
    print->OnBeforePrint = nullptr;
    // The component gone, the window forgets its setup.
    print.reset();
    EXPECT_FALSE(form->tbtPrinterSetupDialog->Enabled());
}

// Colours and check boxes show on the page the preview paints (at 200%, where every line of the
// printer page is at least a screen pixel wide).
TEST_F(GridPrintTest, ColouredCellsAndCheckBoxesOnThePage) {
    cds.FieldDefs()->Add("Name", ftString, 20);
    cds.FieldDefs()->Add("Done", ftBoolean);
    cds.CreateDataSet();
    for (int i = 1; i <= 40; ++i) cds.AppendRecord({Variant("Строка " + std::to_string(i)), Variant(i % 2 == 0)});
    cds.MergeChangeLog();
    cds.First();
    grid->SetDataSource(&source);
    TColumnGx* name = grid->Columns()->Items(0);
    TColumnGx* done = grid->Columns()->Items(1);
    name->SetColor(clYellow);
    name->SetWidth(300);
    done->SetCheckboxes(true);
    done->SetWidth(300);
    ASSERT_EQ(done->GetColumnType(), ctCheckboxes);
    pv->GetPropPrinter()->SetOutputFileName("");
    TPreviewFormGx* form = PreviewFormGx;
    form->SetWindowState(wsNormal);
    form->SetBounds(0, 0, 900, 900);
    auto page = [&] {
        print->Preview();
        guitest::ShowForm(form);
        form->PreviewGx1->SetViewMode(vm200);
        guitest::Pump(10);
        return guitest::Grab(form->PreviewGx1->DrawPanel());
    };
    auto count = [](const QImage& img, int x0, int x1, auto&& is) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = x0; x < x1; ++x)
                if (is(QColor(img.pixel(x, y)))) ++n;
        return n;
    };
    auto yellow = [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() < 100; };
    auto dark = [](const QColor& c) { return qGray(c.rgb()) < 100; };
    const QImage plain = page();
    ASSERT_FALSE(plain.isNull());
    const int w = plain.width();
    EXPECT_EQ(count(plain, 0, w, yellow), 0);  // white unless coloured
    print->SetOptions({pghColored});
    const QImage coloured = page();
    EXPECT_GT(count(coloured, 0, w / 2, yellow), 100);
    EXPECT_EQ(count(coloured, w / 2, w, yellow), 0);
    // The check boxes sit in the middle of their column (at 2/3 of the sheet): a band there has
    // more ink than a band of the same column away from them, which only the row lines cross.
    const int band = std::max(2, w / 100);
    const int middle = w * 2 / 3, aside = w * 56 / 100;
    EXPECT_GT(count(plain, middle - band / 2, middle + band / 2, dark),
              2 * count(plain, aside - band / 2, aside + band / 2, dark));
}

TEST_F(GridPrintTest, StopAndFailureLeaveBlocksRecordAndControlsAsTheyWere) {
    Open(150);
    print->BeforeGridText()->SetTextStr("за период с [StartTime]");
    print->SetSubstitutes({"[StartTime]", "15.03.2010"});
    cds.SetRecNo(7);
    bool afterPrint = false;
    struct Handlers : TComponent {
        Handlers() : TComponent(nullptr) {}
        std::function<void()> before, after;
        void Before(TObject*) { before(); }
        void After(TObject*) { after(); }
    } h;
    h.after = [&] { afterPrint = true; };
    print->OnAfterPrint = TNotifyEvent(&h, &Handlers::After);
    auto expectRestored = [&] {
        EXPECT_TRUE(afterPrint);
        EXPECT_EQ(print->BeforeGridText()->Get(0), "за период с [StartTime]");
        EXPECT_EQ(cds.RecNo(), 7);
        EXPECT_FALSE(cds.ControlsDisabled());
        EXPECT_FALSE(PrintInProgress());
        EXPECT_FALSE(pv->GetPrinting());
    };

    // A stop from the preview ends the print quietly at the next strip.
    h.before = [&] {
        EXPECT_TRUE(print->Printing());
        pv->Abort();
    };
    print->OnBeforePrint = TNotifyEvent(&h, &Handlers::Before);
    print->Preview();
    expectRestored();

    // A failure while drawing is passed on after the same clean-up.
    afterPrint = false;
    h.before = [] {};
    grid->OnGetCellParams = [](TObject*, TColumnGx*, TFont*, TColor&, TGridDrawState) {
        throw Exception("cell failed");
    };
    EXPECT_THROW(print->Preview(), Exception);
    expectRestored();
}

TEST_F(GridPrintTest, OnlyOnePrintAtATimeAndNothingWithoutData) {
    Open(5);
    TPrintDBGridGx other(nullptr);
    other.SetDBGridGx(grid.get());
    struct Handler : TComponent {
        Handler() : TComponent(nullptr) {}
        std::function<void()> run;
        void Run(TObject*) { run(); }
    } h;
    int pagesDuringSecond = -1;
    h.run = [&] {
        // The main window's print action or a screen's timer while the preview records.
        other.Preview();
        other.Print();
        pagesDuringSecond = pv->PageCount();
    };
    print->OnBeforePrint = TNotifyEvent(&h, &Handler::Run);
    print->Preview();
    EXPECT_EQ(pagesDuringSecond, 1);
    EXPECT_EQ(pv->PageCount(), 1);
    EXPECT_FALSE(PrintInProgress());

    // No dataset open, no grid: nothing is started.
    print->OnBeforePrint = nullptr;
    cds.Close();
    pv->GetPropPrinter()->SetOutputFileName(dir / "none.pdf");
    print->Preview();
    EXPECT_EQ(pv->PageCount(), 1);  // the previous document stays
    grid.reset();
    EXPECT_EQ(print->DBGridGx(), nullptr);
    print->Preview();
    EXPECT_EQ(pv->PageCount(), 1);
}

TEST_F(GridPrintTest, BlocksStreamWithTheComponentOnlyWhenTheyHaveLines) {
    SetHeading(print->BeforeGridText(), {"Журнал работы", "за период с [StartTime] по [StopTime]"});
    TMemoryStream m;
    m.WriteComponent(print.get());
    TPrintDBGridGx copy(nullptr);
    m.SetPosition(0);
    m.ReadComponent(&copy);
    EXPECT_EQ(copy.BeforeGridText()->Text(), print->BeforeGridText()->Text());
    TRichTextDocument& doc = copy.BeforeGridText()->Document();
    EXPECT_EQ(doc.FormatAt(doc.LineStart(1)).Size, 16);
    EXPECT_EQ(copy.AfterGridText()->Count(), 0);
    // An empty block writes nothing.
    TMemoryStream empty;
    TPrintDBGridGx blank(nullptr);
    blank.AfterGridText();
    empty.WriteComponent(&blank);
    const std::string bytes(static_cast<const char*>(empty.Memory()), static_cast<std::size_t>(empty.Size()));
    EXPECT_EQ(bytes.find("AfterGridText_Data"), std::string::npos);
    const std::string full(static_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.Size()));
    EXPECT_NE(full.find("BeforeGridText_Data"), std::string::npos);
}

TEST_F(GridPrintTest, UnitsConvertTheMargins) {
    print->Page()->LeftMargin = Currency(2);
    print->SetUnits(Inches);
    EXPECT_EQ(print->Page()->LeftMargin, Currency(0.7874));
    print->SetUnits(MM);
    EXPECT_EQ(print->Page()->LeftMargin, Currency(2.0));
}

// ---- A journal of the database ------------------------------------------------------------------

class GridPrintDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec(
            "insert into puf_log values ('2010-03-15 08:00:05', 'Пуск флотомашины №1'), "
            "('2010-03-15 09:12:00', 'Останов насоса подачи пульпы'), "
            "('2010-03-15 19:58:59', 'Авария: нет связи с контроллером')");
    }
    datatest::RussianLocale locale;
};

TEST_F(GridPrintDatabaseTest, JournalPrintedFromThePreviewWithItsHeading) {
    CachedDataSet c(conn.get(), "select * from puf_log order by PostMoment");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    TDBGridGx grid(nullptr);
    grid.SetDataSource(&source);
    c.cds.Open();
    grid.SetUseMultiTitle(true);
    ASSERT_EQ(grid.Columns()->Count(), 2);
    grid.Columns()->Items(0)->Title()->SetCaption("Дата, время");
    grid.Columns()->Items(0)->SetAlignment(taCenter);
    grid.Columns()->Items(0)->SetWidth(192);
    grid.Columns()->Items(1)->Title()->SetCaption("Текст сообщения");
    grid.Columns()->Items(1)->SetWidth(500);

    TPrintDBGridGx print(nullptr);
    print.SetDBGridGx(&grid);
    print.SetOptions({pghFitGridToPageWidth});
    SetHeading(print.BeforeGridText(),
               {"Журнал регистрации  событий  по управлению флотацией", "за период с [StartTime] по [StopTime]"});
    print.SetSubstitutes({"[StartTime]", "15.03.2010 08:00", "[StopTime]", "15.03.2010 19:59"});

    testlib::TempDir dir;
    TPrinterPreview* pv = PrinterPreview();
    pv->SetOrientation(poPortrait);
    print.Preview();
    ASSERT_EQ(pv->PageCount(), 1);
    EXPECT_TRUE(PreviewFormGx->Visible());
    testlib::PrintDialogs dialogs(dir / "journal.pdf");
    PreviewFormGx->PreviewGx1->PrintDialog();
    const std::string pdf = dir / "journal.pdf";
    EXPECT_EQ(testlib::PdfPages(pdf), 1);
    const std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* s :
         {"Журнал регистрации событий по управлению флотацией", "за период с 15.03.2010 08:00 по 15.03.2010 19:59",
          "Дата, время", "Текст сообщения", "Пуск флотомашины №1", "Останов насоса подачи пульпы",
          "Авария: нет связи с контроллером", "15.03.2010"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    EXPECT_EQ(print.BeforeGridText()->Get(2), "за период с [StartTime] по [StopTime]");
    PreviewFormGx->Hide();
}

}  // namespace
