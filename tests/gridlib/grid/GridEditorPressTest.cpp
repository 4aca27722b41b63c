// Presses that reach an editor through the grid: a press on the button strip of a cell that is not
// being edited presses the editor's button at once, a second press on the filter-row editor pairs
// with the press that opened it into a double click, and Ctrl+Enter clicks the cell's button.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

namespace {

struct EditorPressFixture : ::testing::Test {
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    gridtest::TestGrid* grid = nullptr;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};

    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(520, 240);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        cds.Close();
    }
    void open(gridtest::TestGrid* g) {
        grid = g;
        grid->SetParent(form);
        grid->SetBounds(0, 0, 520, 240);
        cds.FieldDefs()->Add("ID", ftInteger);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.FieldDefs()->Add("Amount", ftFloat);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant("Apple"), Variant(1.5)});
        cds.AppendRecord({Variant(2), Variant("Banana"), Variant(2.5)});
        cds.AppendRecord({Variant(3), Variant("Cherry"), Variant(4.5)});
        cds.First();
        source.SetDataSet(&cds);
        grid->SetDataSource(&source);
        guitest::ShowForm(form);
        grid->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    }
    TColumnGx* column(const char* name) { return grid->GetFieldColumns(name); }
    // A point inside the button strip at the right end of a cell.
    TPoint strip(TColumnGx* c, int row) {
        const TRect r = grid->CellRect(grid->DataToRawColumn(c->Index()), row);
        return TPoint(r.Right - 4, (r.Top + r.Bottom) / 2);
    }
};

TEST_F(EditorPressFixture, OnePressOnANonEditedCellsButtonPressesTheEditorsButton) {
    open(new gridtest::TestGrid(form));
    TColumnGx* picks = column("Name");
    picks->PickList()->SetCommaText("Apple,Banana,Cherry");
    column("ID")->SetButtonStyle(cbsEllipsis);
    int ellipsisClicks = 0;
    grid->OnEditButtonClick = [&](TObject*) { ++ellipsisClicks; };
    const int firstRow = grid->TopRow();
    ASSERT_EQ(grid->SelectedIndex(), 0);

    // The pick list of the second record's cell opens with the press and stays open after it.
    const TPoint p = strip(picks, firstRow + 1);
    ASSERT_GT(grid->EditButtonsWidthOf(picks), 4);
    guitest::MouseDown(grid, p);
    EXPECT_EQ(cds.RecNo(), 2);
    TDBGridInplaceEdit* e = grid->DBInplaceEditor();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->Visible());
    EXPECT_TRUE(e->ListVisible()) << "the press opened the list";
    guitest::MouseUp(grid, p);
    EXPECT_TRUE(e->ListVisible()) << "the click of the same press keeps it open";
    EXPECT_FALSE(e->NoClickCloseUp()) << "the release reached the button";
    EXPECT_FALSE(e->EditButtonControls()[0].EditButtonControl->MouseCapture());
    guitest::Key(VK_DOWN, 0, e);
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_EQ(e->Text(), "Cherry");

    // The third record's ellipsis button is clicked by one click.
    const TPoint q = strip(column("ID"), firstRow + 2);
    guitest::MouseDown(grid, q);
    guitest::MouseUp(grid, q);
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(ellipsisClicks, 1);

    // A press beside the strip of a cell not being edited opens nothing.
    const TRect r = grid->CellRect(grid->DataToRawColumn(picks->Index()), firstRow);
    const TPoint beside(r.Left + 3, (r.Top + r.Bottom) / 2);
    guitest::MouseDown(grid, beside);
    guitest::MouseUp(grid, beside);
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_FALSE(e->Visible() && e->ListVisible());
}

// A grid whose filter row is a stand-in: the title row holds the filter cells, the Name column
// filters, and a hosted edit control serves as its editor. It notes the message time of each
// press its editor gets.
class FilterPressGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(FilterPressGrid, gridtest::TestGrid)
public:
    using gridtest::TestGrid::TestGrid;
    TDBEditGx* filterEdit = nullptr;
    std::vector<DWORD> pressTimes;
    bool STFilterVisible() const override { return true; }
    bool CheckCellFilter(int x, int y) const override { return MouseCoord(x, y).Y == 0; }
    bool CanFilterCol(int dataCol) override { return dataCol == 1; }
    void StartEditFilter(int dataCol) override {
        const TRect r = CellRect(DataToRawColumn(dataCol), 0);
        filterEdit->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        filterEdit->SetVisible(true);
    }
    TWinControl* FilterEditor() const override { return filterEdit; }
    void InplaceEditWndProc(TControl* control, TMessage& m) override {
        if (m.Msg == WM_LBUTTONDOWN) pressTimes.push_back(GetMessageTime());
        gridtest::TestGrid::InplaceEditWndProc(control, m);
    }
};

TEST_F(EditorPressFixture, ASecondPressOnTheFilterEditorPairsWithThePressThatOpenedIt) {
    auto* g = new FilterPressGrid(form);
    open(g);
    g->filterEdit = new TDBEditGx(form);
    g->filterEdit->SetVisible(false);
    g->filterEdit->SetParent(g);
    Supports<IInplaceEditGx>(static_cast<TWinControl*>(g->filterEdit))->SetInplaceEditHolder(g);
    int doubleClicks = 0;
    g->filterEdit->OnDblClick = [&](TObject*) { ++doubleClicks; };
    const TRect cell = g->CellRect(g->DataToRawColumn(1), 0);
    const TPoint p(cell.Left + 5, cell.Top + 3);
    auto click = [&](TControl* c, TPoint at) {
        guitest::MouseDown(c, at);
        guitest::MouseUp(c, at);
    };

    // The opening press reaches the editor as a plain press.
    click(g, p);
    ASSERT_TRUE(g->filterEdit->Visible());
    EXPECT_EQ(doubleClicks, 0);
    // The next press at the same place lands on the editor: the second half of a double click
    // when it came within the double-click time of the first (the machine's pace decides that).
    const TPoint local = g->filterEdit->ScreenToClient(g->ClientToScreen(p));
    click(g->filterEdit, local);
    ASSERT_EQ(g->pressTimes.size(), 2u);
    const bool inTime = g->pressTimes[1] - g->pressTimes[0] <= GetDoubleClickTime();
    EXPECT_EQ(doubleClicks, inTime ? 1 : 0);
    // The opening press pairs once only: a third press is a plain one.
    click(g->filterEdit, local);
    EXPECT_EQ(doubleClicks, inTime ? 1 : 0);

    // What the grid reports: the press in screen coordinates with its time, once.
    g->filterEdit->SetVisible(false);
    click(g, p);
    IInplaceEditHolderGx* holder = Supports<IInplaceEditHolderGx>(static_cast<TWinControl*>(g));
    ASSERT_NE(holder, nullptr);
    TPoint pos;
    DWORD time = 0;
    holder->GetMouseDownInfo(pos, time);
    EXPECT_EQ(pos, g->ClientToScreen(p));
    EXPECT_EQ(time, g->pressTimes.back());
    holder->GetMouseDownInfo(pos, time);
    EXPECT_EQ(time, 0u);
}

TEST_F(EditorPressFixture, CtrlEnterClicksTheCellsButtonOrOpensTheCalculator) {
    open(new gridtest::TestGrid(form));
    int clicks = 0;
    grid->OnEditButtonClick = [&](TObject*) { ++clicks; };
    struct Case {
        const char* name;
        const char* field;
        TColumnButtonStyleGx style;
        int clicks;       // the grid's button clicks Ctrl+Enter makes
        bool calculator;  // or the calculator it opens
    } cases[] = {
        {"ellipsis", "Name", cbsEllipsis, 1, false},
        {"drop-down on text", "Name", cbsDropDown, 1, false},
        {"drop-down on a number", "Amount", cbsDropDown, 0, true},
        {"no button", "Name", cbsNone, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        grid->HideEditor();
        clicks = 0;
        TColumnGx* c = column(k.field);
        c->SetButtonStyle(k.style);
        grid->SetSelectedIndex(c->Index());
        grid->ShowEditor();
        TDBGridInplaceEdit* e = grid->DBInplaceEditor();
        ASSERT_NE(e, nullptr);
        e->SetFocus();
        const AnsiString text = e->Text();
        guitest::Key(VK_RETURN, ssCtrl, e);
        guitest::Key(VK_CONTROL, 0, e);  // Ctrl goes up again
        EXPECT_EQ(clicks, k.clicks);
        EXPECT_EQ(e->ListVisible(), k.calculator);
        if (k.calculator) {
            guitest::Key(VK_ESCAPE, 0, e);
            EXPECT_FALSE(e->ListVisible());
        }
        EXPECT_EQ(e->Text(), text) << "no line break typed";
        c->SetButtonStyle(cbsAuto);
    }
}

}  // namespace
