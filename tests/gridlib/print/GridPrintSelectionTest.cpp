// A grid's selection and footer rows printed to PDF: just the selected records, columns or cells,
// and the footers totalled over what was printed.
#include "gridlib/print/PrnDbggx.h"
#include "gridlib/print/PrViewGx.h"

#include "data/DBClient.h"
#include "testlib/DataTestSupport.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class GridPrintSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        cds.FieldDefs()->Add("Moment", ftString, 20);
        cds.FieldDefs()->Add("Message", ftString, 100);
        cds.FieldDefs()->Add("Code", ftInteger);
        cds.CreateDataSet();
        for (int i = 1; i <= 8; ++i)
            cds.AppendRecord({Variant("08:" + std::to_string(20 + i)), Variant("Пуск насоса " + std::to_string(i)),
                              Variant(i * 100)});
        cds.MergeChangeLog();
        cds.First();
        source.SetDataSet(&cds);
        grid = std::make_unique<TDBGridGx>(nullptr);
        grid->SetDataSource(&source);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        grid->SetFooterRowCount(1);
        grid->SumList()->SetActive(true);
        for (int i = 0; i < 3; ++i) grid->Columns()->Items(i)->SetWidth(150);
        grid->Columns()->Items(1)->Footer()->SetValueType(fvtCount);
        grid->Columns()->Items(1)->Footer()->SetDisplayFormat("Записей: 0");
        grid->Columns()->Items(2)->Footer()->SetValueType(fvtSum);
        grid->Columns()->Items(2)->Footer()->SetDisplayFormat("Сумма: 0");
        print = std::make_unique<TPrintDBGridGx>(nullptr);
        print->SetDBGridGx(grid.get());
    }
    void TearDown() override {
        print.reset();
        grid.reset();
        cds.Close();
        Printer()->SetOutputFileName("");
        guitest::Pump();
    }
    std::string Printed(const char* name) {
        const std::string pdf = dir / name;
        Printer()->SetOutputFileName(pdf);
        print->Print();
        return testlib::SquashBlanks(testlib::PdfText(pdf));
    }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    testlib::TempDir dir;
    datatest::RussianLocale locale;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TDBGridGx> grid;
    std::unique_ptr<TPrintDBGridGx> print;
};

TEST_F(GridPrintSelectionTest, EverythingWithoutASelection) {
    const std::string text = Printed("all.pdf");
    for (int i = 1; i <= 8; ++i) EXPECT_TRUE(Has(text, "Пуск насоса " + std::to_string(i))) << text;
    EXPECT_TRUE(Has(text, "Записей: 8")) << text;
    EXPECT_TRUE(Has(text, "Сумма: 3600")) << text;
}

TEST_F(GridPrintSelectionTest, JustTheSelectedRecordsWithTheirTotals) {
    for (int recNo : {2, 5, 7}) {
        cds.SetRecNo(recNo);
        grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    // The current record is one of the selected, but not the first.
    cds.SetRecNo(5);
    ASSERT_EQ(grid->Selection()->SelectionType(), gstRecordBookmarks);
    const std::string text = Printed("records.pdf");
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(Has(text, "Пуск насоса " + std::to_string(i)), i == 2 || i == 5 || i == 7) << i << "\n" << text;
    EXPECT_TRUE(Has(text, "Записей: 3")) << text;
    EXPECT_TRUE(Has(text, "Сумма: 1400")) << "the printed rows' total, not the dataset's\n" << text;
    EXPECT_EQ(grid->GetFooterValue(0, grid->Columns()->Items(2)), "Сумма: 3600") << "the grid keeps its own";
}

TEST_F(GridPrintSelectionTest, ACellRectangleAndSelectedColumns) {
    grid->SetSelectedIndex(1);
    cds.SetRecNo(3);
    grid->Selection()->Rect()->Select(1, cds.Bookmark(), false);
    cds.SetRecNo(4);
    grid->Selection()->Rect()->Select(2, cds.Bookmark(), true);
    ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    std::string text = Printed("rectangle.pdf");
    EXPECT_TRUE(Has(text, "Пуск насоса 3") && Has(text, "Пуск насоса 4")) << text;
    EXPECT_FALSE(Has(text, "Пуск насоса 2") || Has(text, "Пуск насоса 5")) << text;
    EXPECT_FALSE(Has(text, "08:23")) << "the first column is outside the rectangle\n" << text;
    EXPECT_TRUE(Has(text, "Сумма: 700")) << text;

    grid->Selection()->Columns()->Select(grid->Columns()->Items(2), false);
    text = Printed("columns.pdf");
    EXPECT_FALSE(Has(text, "Пуск насоса")) << text;
    EXPECT_TRUE(Has(text, "800") && Has(text, "Сумма: 3600")) << text;
}

TEST_F(GridPrintSelectionTest, ARectangleOverHiddenColumnsPrintsTheSelectedOnes) {
    struct Case {
        const char* name;
        int hidden, left, right;
        bool moment, message;
    } cases[] = {
        {"a hidden column before", 0, 1, 2, false, true},
        {"a hidden column inside", 1, 0, 2, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i) grid->Columns()->Items(i)->SetVisible(i != c.hidden);
        cds.SetRecNo(3);
        grid->Selection()->Rect()->Select(c.left, cds.Bookmark(), false);
        cds.SetRecNo(4);
        grid->Selection()->Rect()->Select(c.right, cds.Bookmark(), true);
        ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
        const std::string text = Printed("hidden.pdf");
        EXPECT_EQ(Has(text, "08:23"), c.moment) << text;
        EXPECT_EQ(Has(text, "Пуск насоса 3"), c.message) << text;
        EXPECT_TRUE(Has(text, "400") && Has(text, "Сумма: 700")) << "the last column\n" << text;
        EXPECT_FALSE(Has(text, "Пуск насоса 5") || Has(text, "08:25")) << text;
    }
}

}  // namespace
