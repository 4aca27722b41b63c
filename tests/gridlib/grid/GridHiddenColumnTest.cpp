// Hidden columns keep their places among the grid's screen columns: what keys, the mouse, the
// selection, the clipboard, export and delete act on is the column shown at that place, never its
// neighbour. The grid shows A (hidden), B, H (hidden), C and the check box D.
#include "ExportTestSupport.h"

#include "gui/Clipbrd.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"

namespace {

using gridtest::ShownGridTest;

class HiddenColumnTest : public ShownGridTest {
protected:
    void SetUp() override {
        ShownGridTest::SetUp();
        cds.FieldDefs()->Add("A", ftInteger);
        cds.FieldDefs()->Add("B", ftString, 10);
        cds.FieldDefs()->Add("H", ftString, 10);
        cds.FieldDefs()->Add("C", ftString, 10);
        cds.FieldDefs()->Add("D", ftBoolean);
        cds.CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            const std::string n = std::to_string(i);
            cds.AppendRecord({Variant(i), Variant("b" + n), Variant("h" + n), Variant("c" + n), Variant(false)});
        }
        cds.MergeChangeLog();
        cds.First();
        grid->SetDataSource(&source);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        grid->Columns()->SetState(csCustomized);
        Column("A")->SetVisible(false);
        Column("H")->SetVisible(false);
        Column("D")->SetCheckboxes(true);
        Show();
    }
    TColumnGx* Column(const char* name) { return grid->GetFieldColumns(name); }
    int Raw(const char* name) { return grid->DataToRawColumn(Column(name)->Index()); }
    void Key(WORD vk, TShiftState shift = 0) { guitest::Key(vk, shift, grid.get()); }
    // The cells from column `from` of record `top` to column `to` of record `bottom`, selected with
    // Shift and the arrows as a user does.
    void SelectCells(const char* from, const char* to, int top, int bottom) {
        cds.SetRecNo(top);
        grid->SetSelectedIndex(Column(from)->Index());
        while (grid->SelectedIndex() != Column(to)->Index()) {
            const int before = grid->SelectedIndex();
            Key(VK_RIGHT, ssShift);
            ASSERT_NE(grid->SelectedIndex(), before) << "the arrow reaches " << to;
        }
        for (int r = top; r < bottom; ++r) Key(VK_DOWN, ssShift);
        ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    }
    // A field's values over all records, "|"-separated.
    std::string Values(const char* field) {
        cds.CheckBrowseMode();
        std::string s;
        cds.First();
        while (!cds.Eof()) {
            if (cds.RecNo() > 1) s += "|";
            s += cds.FieldByName(field)->AsString().str();
            cds.Next();
        }
        return s;
    }
    // Mouse messages as the window gets them while the left button is held.
    void Press(TPoint p) { grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Move(TPoint p) { grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Release(TPoint p) { grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
    TPoint Centre(int raw, int row) {
        const TRect r = grid->CellRect(raw, row);
        return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
};

TEST_F(HiddenColumnTest, CopyExportAndDeleteTakeTheSelectedColumns) {
    struct Case {
        const char* name;
        const char *from, *to;
        int top, bottom;
        const char* copied;
        const char *b, *c;  // B and C after the delete
    } cases[] = {
        {"B to C, hidden columns before and inside", "B", "C", 1, 2, "B\tC\r\nb1\tc1\r\nb2\tc2", "||b3", "||c3"},
        {"C alone, hidden columns before", "C", "C", 2, 3, "C\r\nc2\r\nc3", "b1|b2|b3", "c1||"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectCells(c.from, c.to, c.top, c.bottom);
        DBGridGx_DoCopyAction(grid.get(), false);
        EXPECT_EQ(Clipboard()->AsText().str(), c.copied);
        EXPECT_EQ(exporttest::Export<TDBGridGxExportAsText>(grid.get(), false), std::string(c.copied)) << "export of the selection";

        guitest::MessageBoxRecorder boxes;
        boxes.Answer(mrOk);
        DBGridGx_DoDeleteAction(grid.get(), false);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(Values("B"), c.b);
        EXPECT_EQ(Values("C"), c.c);
        EXPECT_EQ(Values("H"), "h1|h2|h3") << "a hidden column inside keeps its data";
        EXPECT_EQ(Values("D"), "False|False|False") << "the column right of the selection keeps its data";
        EXPECT_EQ(Values("A"), "1|2|3");

        // Back to the data of the start.
        grid->Selection()->Clear();
        cds.CancelUpdates();
        cds.First();
    }
}

TEST_F(HiddenColumnTest, KeysStepTheCheckBoxRightOfHiddenColumns) {
    grid->SetSelectedIndex(Column("D")->Index());
    ASSERT_EQ(grid->Col(), Raw("D"));
    Key(VK_SPACE);
    EXPECT_TRUE(cds.FieldByName("D")->AsBoolean()) << "Space steps the box";
    Key(VK_DELETE);
    EXPECT_TRUE(cds.FieldByName("D")->IsNull()) << "Delete empties it";
    EXPECT_EQ(cds.FieldByName("C")->AsString(), "c1");
}

TEST_F(HiddenColumnTest, TheMouseActsOnTheColumnUnderThePointer) {
    grid->SetOptionsGx(grid->OptionsGx() | dghAutoSortMarking);
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->Title()->SetTitleButton(true);
    std::vector<TColumnGx*> titleClicks, buttonClicks;
    std::vector<int> buttonCols;
    grid->OnTitleClick = [&](TColumnGx* c) { titleClicks.push_back(c); };
    grid->OnTitleBtnClick = [&](TObject*, int col, TColumnGx* c) {
        buttonCols.push_back(col);
        buttonClicks.push_back(c);
    };
    for (const char* name : {"B", "C", "D"}) {
        SCOPED_TRACE(name);
        TColumnGx* column = Column(name);
        titleClicks.clear();
        buttonClicks.clear();
        buttonCols.clear();

        guitest::Click(grid.get(), Centre(Raw(name), 0));
        EXPECT_EQ(titleClicks, std::vector<TColumnGx*>{column});
        EXPECT_EQ(buttonClicks, std::vector<TColumnGx*>{column});
        EXPECT_EQ(buttonCols, std::vector<int>{column->Index()});
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
            TColumnGx* other = grid->Columns()->Items(i);
            EXPECT_EQ(other->Title()->SortMarker() != smNoneGx, other == column) << other->FieldName().str();
        }

        // Its title border dragged 20 pixels to the right widens it alone.
        std::vector<int> widths;
        for (int i = 0; i < grid->Columns()->Count(); ++i) widths.push_back(grid->Columns()->Items(i)->Width());
        const TRect title = grid->CellRect(Raw(name), 0);
        const TPoint border(title.Right, title.Top + 3);
        Press(border);
        ASSERT_EQ(grid->GridState(), gsColSizing);
        Move(TPoint(border.x + 20, border.y));
        Release(TPoint(border.x + 20, border.y));
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
            TColumnGx* other = grid->Columns()->Items(i);
            EXPECT_EQ(other->Width(), widths[static_cast<std::size_t>(i)] + (other == column ? 20 : 0))
                << other->FieldName().str();
        }
    }

    // A click on the box steps it.
    const int row = grid->TopDataOffset() + 1;
    guitest::Click(grid.get(), Centre(Raw("D"), row));
    cds.CheckBrowseMode();
    cds.SetRecNo(2);
    EXPECT_TRUE(cds.FieldByName("D")->AsBoolean());
}

}  // namespace
