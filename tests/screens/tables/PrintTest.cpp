// Printing the shift tables: each screen fills its template (the work-time table's from the current
// folder, the others' from the template folder) with the day of the last reload and its cell texts,
// and the page printed into a PDF carries them.
#include "screens/tables/SvodTable.h"
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"

#include "TablesTestSupport.h"

#include "gui/Printers.h"
#include "links/BeltScale.h"
#include "rtl/FileUtils.h"
#include "screens/graphs/FormWebPrint.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using tablestest::TablesTest;

std::string PdfText(const std::string& pdf) { return testlib::SquashBlanks(testlib::PdfText(pdf)); }

class PrintTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        ClearBeltScales();
        FormWebPrint = NewForm<TFormWebPrint>(form);
        // Where a station has its templates: the work-time table's beside the program (the current
        // folder), the others in Template.
        std::filesystem::create_directories(AnsiString(TemplateDir).str());
        for (const char* t : {"PrintFlotTable.html", "PrintTableBelt.html"})
            std::filesystem::copy_file(testdb::SourcePath(std::string("templates/") + t),
                                       IncludeTrailingPathDelimiter(TemplateDir).str() + t);
        std::filesystem::copy_file(testdb::SourcePath("templates/PrintWebTable.html"), dir / "PrintWebTable.html");
        previousHook = SetPrintDialogHook([](TPrintDialogRequest&) { return true; });
    }
    void TearDown() override {
        SetPrintDialogHook(previousHook);
        ClearBeltScales();
        FormWebPrint = nullptr;
        TablesTest::TearDown();
    }
    // Prints the screen's report into a PDF from the report window and returns the PDF's text.
    std::string PrintToPdf(TShiftTableForm* screen) {
        const std::string pdf = dir / (screen->Name().str() + ".pdf");
        guitest::ModalDriver modal;
        modal.Then([&](TCustomForm* f) {
            auto* web = static_cast<TFormWebPrint*>(f);
            web->WebPrinter()->SetOutputFileName(pdf);
            web->ButPrintClick(web->ButPrint);
            web->SetModalResult(mrOk);
        });
        screen->PrintReport();
        EXPECT_EQ(modal.Shown(), 1);
        EXPECT_EQ(modal.Unexpected(), 0);
        return PdfText(pdf);
    }
    TPrintDialogHook previousHook;
};

TEST_F(PrintTest, EachTablePrintsItsDayAndCells) {
    REQUIRE_TEST_DB();
    InsertBoundaryRows("pu1", "PostMoment, RAB, NRAB", [](int w) { return std::to_string(w) + ", 0"; });
    InsertBoundaryRows("puf_data", "RecMoment, RVF, RGF, TRRS, TRRP", [](int w) {
        return std::to_string(60 * w) + ", 0, 0, " + std::to_string(120 * w);
    });
    InsertBoundaryRows("belt_386_2", "RecMoment, G_1T1", [](int w) { return std::to_string(w * 0.25); });
    UpdateBeltScale(1, [](TBeltScaleRec& r) { r.TNK = 1234.5; });

    auto* svod = NewForm<TFormSvodTable>(form);
    auto* flot = NewForm<TFormTableFlot>(form);
    auto* belt = NewForm<TFormTableBelt>(form);
    struct {
        TShiftTableForm* screen;
        std::vector<std::string> texts;  // in the order they stand on the page
    } cases[] = {
        {svod,
         {"Таблица учета работы отсадочных машин", "за 15.03.2010", "Общее время работы за первую смену 00:03 00:00",
          "Общее время работы с начала месяца 1 суток 18:59 00:00"}},
        {flot,
         {"Таблица сводных параметров процесса флотации", "за 15.03.2010", "Смена 1 3,0 6,0",
          "С начала месяца 2 579,0 5 158,0"}},
        {belt,
         {"Таблица показателей работы конвейеров", "за 15.03.2010", "Текущая 1 234,5",
          "Смена 2 3,0", "С начала месяца 644,8"}},
    };
    for (const auto& c : cases) {
        c.screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        c.screen->Reload();
        // The day printed is the one loaded, whatever the picker shows by now.
        c.screen->DateTimePicker1->SetDate(EncodeDate(2011, 1, 1));
        const std::string text = PrintToPdf(c.screen);
        std::size_t at = 0;
        for (const std::string& t : c.texts) {
            const std::size_t found = text.find(t, at);
            EXPECT_NE(found, std::string::npos) << c.screen->Name() << ": \"" << t << "\" in\n" << text;
            if (found != std::string::npos) at = found + t.size();
        }
        // Every placeholder was replaced.
        for (const char* left : {"QRLabel", "Line1Val", "OutField"})
            EXPECT_EQ(text.find(left), std::string::npos) << c.screen->Name() << ": " << left;
    }
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(PrintTest, BeforeTheFirstReloadTheDayOfTheScreensCreationIsPrinted) {
    auto* svod = NewForm<TFormSvodTable>(form);
    const std::string text = PrintToPdf(svod);
    EXPECT_NE(text.find("за 15.03.2010"), std::string::npos) << text;
    EXPECT_NE(text.find("Общее время работы за сутки . ."), std::string::npos) << text;
}

// The three screens as the program reaches them: from the main window's show and print actions (the
// launcher and the menu run the same actions).
TEST_F(PrintTest, TheMainWindowsActionsShowAndPrintEachTable) {
    guitest::ShowForm(form);
    FormSvodTable = NewForm<TFormSvodTable>(form);
    FormTableFlot = NewForm<TFormTableFlot>(form);
    FormTableBelt = NewForm<TFormTableBelt>(form);
    struct {
        TAction* show;
        TAction* print;
        TShiftTableForm* screen;
        const char* title;
    } cases[] = {
        {form->ActionTableTime, form->ActionPrintTable, FormSvodTable, "Таблица учета работы отсадочных машин"},
        {form->ActionTableFlot, form->ActionPrintTableFlot, FormTableFlot, "Таблица сводных параметров процесса флотации"},
        {form->ActionTableBelt, form->ActionPrintTableBelt, FormTableBelt, "Таблица показателей работы конвейеров"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.show, nullptr);
        ASSERT_NE(c.print, nullptr);
        c.show->Execute();
        EXPECT_EQ(form->CurrentForm, c.screen);
        EXPECT_TRUE(c.screen->Visible());
        EXPECT_EQ(c.screen->WindowState(), wsMaximized);
        guitest::ModalDriver modal;
        AnsiString page;
        modal.Then([&](TCustomForm* f) {
            page = static_cast<TFormWebPrint*>(f)->CppWebBrowser1->PlainText();
            f->SetModalResult(mrOk);
        });
        c.print->Execute();
        EXPECT_EQ(modal.Shown(), 1) << c.screen->Name();
        EXPECT_NE(page.str().find(c.title), std::string::npos) << page.str();
    }
}

}  // namespace
