// How the grid tables lie in the main window at its size: the general table's heading whole and its
// grid from the first row, the hydrosizer grid without a vertical bar.
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"

#include "TablesTestSupport.h"

#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using tablestest::TablesTest;

class TableLayoutTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        InstallHydrosizerTemplate();
    }
    // The screen maximized in the main window at the program's own first size.
    void Show(TForm* screen) {
        form->SetBounds(0, 0, 1024, 740);
        guitest::ShowForm(form);
        form->ShowFormMaximized(screen);
        guitest::Settle();
    }
};

TEST_F(TableLayoutTest, GeneralTableShowsItsTitleWholeAndItsGridFromTheFirstRow) {
    REQUIRE_TEST_DB();
    auto* t = NewForm<TFormTableMain>(form);
    Show(t);
    // The user left the grid on the last row; the next reload shows the day from its first.
    t->ClientDataSetMainTable->Last();
    t->Reload();
    guitest::Settle();
    for (TLabel* l : {t->LabelCaption, t->Label1}) {
        SCOPED_TRACE(l->Name().str());
        EXPECT_GE(l->Height(), CalcTextRect(l->Font(), l->Caption(), TRect(0, 0, 0, 0), 0).Height());
        EXPECT_GE(l->Width(), CalcTextRect(l->Font(), l->Caption(), TRect(0, 0, 0, 0), 0).Width());
        EXPECT_LE(l->Top() + l->Height(), t->DateTimePicker1->Top());
    }
    TDBGridGx* grid = t->DBGridGxMainTable;
    EXPECT_EQ(grid->VisibleDataRowCount(), 4);
    EXPECT_EQ(t->ClientDataSetMainTable->RecNo(), 1);
    // The grid lies whole inside the window.
    const TPoint bottom = t->ScreenToClient(grid->ClientToScreen(TPoint(0, grid->Height())));
    EXPECT_LE(bottom.y, t->ClientHeight());
}

TEST_F(TableLayoutTest, HydrosizerGridHasNoVerticalScrollBar) {
    REQUIRE_TEST_DB();
    auto* gs = NewForm<TFormTable_GS_work>(form);
    Show(gs);
    gs->Reload();
    guitest::Settle();
    ASSERT_EQ(gs->ClientDataSet1->RecordCount(), 4);
    EXPECT_EQ(GetWindowLong(gs->DBGridGx1->Handle(), GWL_STYLE) & WS_VSCROLL, 0u);
}

}  // namespace
