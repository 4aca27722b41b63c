// Column sets: streamed between grids, kept out of a grid's form while they are made from the
// fields, their states, and how a column's change reaches the grid's widths.
#include "GridTestSupport.h"

#include "rtl/Streams.h"

namespace {

using gridtest::GridTest;

TEST_F(GridTest, AColumnSetStreamsIntoAnotherGrid) {
    Open(3);
    TColumnGx* name = grid->Columns()->Add();
    name->SetFieldName("Name");
    name->SetWidth(120);
    name->Title()->SetCaption("Имя|полное");
    name->KeyList()->SetText("a\nb");
    name->PickList()->SetText("Альфа\nБета");
    name->SetDisplayFormat("x");
    name->Font()->SetSize(14);
    TColumnGx* amount = grid->Columns()->Add();
    amount->SetFieldName("Amount");
    amount->SetVisible(false);
    amount->Title()->SetSortMarker(smDownGx);

    TMemoryStream stream;
    grid->Columns()->SaveToStream(&stream);
    stream.SetPosition(0);
    gridtest::TestGrid other(nullptr);
    other.SetDataSource(&source);
    other.Columns()->LoadFromStream(&stream);

    ASSERT_EQ(other.Columns()->Count(), 2);
    TColumnGx* n = other.Columns()->Items(0);
    EXPECT_TRUE(n->StoredFlag());
    EXPECT_EQ(n->FieldName(), "Name");
    EXPECT_EQ(n->Field(), cds.FieldByName("Name")) << "the field is resolved anew";
    EXPECT_EQ(n->Width(), 120);
    EXPECT_EQ(n->Title()->Caption(), "Имя|полное");
    EXPECT_EQ(n->KeyList()->Text(), name->KeyList()->Text());
    EXPECT_EQ(n->PickList()->Text(), name->PickList()->Text());
    EXPECT_EQ(n->DisplayFormat(), "x");
    EXPECT_EQ(n->Font()->Size(), 14);
    EXPECT_TRUE(n->IsAssigned(cvFont));
    EXPECT_FALSE(n->IsAssigned(cvColor)) << "what was not set stays unset";
    TColumnGx* a = other.Columns()->Items(1);
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(a->Title()->SortMarker(), smDownGx);
    EXPECT_EQ(other.SortMarkedColumns()->Count(), 1);

    TMemoryStream junk;
    junk.Write("not a column set", 16);
    junk.SetPosition(0);
    EXPECT_ANY_THROW(other.Columns()->LoadFromStream(&junk));
    EXPECT_EQ(other.Columns()->Count(), 2) << "a bad stream leaves the columns";
}

TEST_F(GridTest, AGridOfColumnsMadeFromFieldsWritesNoColumns) {
    Open(3);
    auto written = [&] {
        TMemoryStream stream;
        stream.WriteComponent(grid.get());
        const std::string bytes(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
        return bytes.find("Columns") != std::string::npos;
    };
    EXPECT_FALSE(written());
    grid->Columns()->SetState(csCustomized);
    EXPECT_EQ(grid->Columns()->Count(), 3);
    EXPECT_TRUE(grid->Columns()->Items(0)->StoredFlag());
    EXPECT_TRUE(written());

    TMemoryStream stream;
    grid->Columns()->Items(1)->SetWidth(99);
    stream.WriteComponent(grid.get());
    stream.SetPosition(0);
    gridtest::TestGrid copy(nullptr);
    stream.ReadComponent(&copy);
    ASSERT_EQ(copy.Columns()->Count(), 3) << "a long property name (\"FooterFont.Charset\") reads back";
    EXPECT_EQ(copy.Columns()->Items(1)->FieldName(), "Name");
    EXPECT_EQ(copy.Columns()->Items(1)->Width(), 99);

    grid->Columns()->SetState(csDefault);
    EXPECT_EQ(FieldNames(), "ID,Name,Amount") << "made from the fields again";
    EXPECT_FALSE(grid->Columns()->Items(0)->StoredFlag());
}

// With widths fitted to the grid, a column's new width moves the initial widths the fitting scales
// from: its own, and the difference to its right neighbour.
TEST_F(GridTest, ANewWidthRescalesTheInitialWidths) {
    for (int i = 0; i < 3; ++i) {
        TColumnGx* c = grid->Columns()->Add();
        c->SetWidth(100);
        c->SetFitBaseWidth(100);
    }
    // Room for exactly 300 pixels of columns beside the indicator and the column lines, so the
    // fitted widths equal the initial ones.
    grid->SetClientWidth(300 + IndicatorWidth + 3 + 1);
    grid->SetAutoFitColWidths(true);
    TDBGridColumnsGx* cols = grid->Columns();
    ASSERT_EQ(grid->ColWidths(2), 100);
    cols->Items(1)->SetWidth(120);
    EXPECT_EQ(cols->Items(0)->FitBaseWidth(), 100);
    EXPECT_EQ(cols->Items(1)->FitBaseWidth(), 120);
    EXPECT_EQ(cols->Items(2)->FitBaseWidth(), 80);
    // Fitted to 100, 120, 80 now: the last column is shown 80 wide.
    ASSERT_EQ(grid->ColWidths(3), 80);
    cols->Items(2)->SetWidth(40);
    EXPECT_EQ(cols->Items(2)->FitBaseWidth(), 40) << "the last column changes only its own";
    EXPECT_EQ(cols->Items(1)->FitBaseWidth(), 120);

    // Hidden without column lines its grid width is 0: nothing to scale from.
    grid->SetOptions(grid->Options() & ~dgColLines);
    cols->Items(0)->SetVisible(false);
    ASSERT_EQ(grid->ColWidths(1), 0);
    cols->Items(0)->SetWidth(150);
    EXPECT_EQ(cols->Items(0)->FitBaseWidth(), 100);
    EXPECT_EQ(cols->Items(1)->FitBaseWidth(), 120);
}

TEST_F(GridTest, HidingTheSelectedColumnSelectsTheFirstVisible) {
    Open(3);
    grid->Columns()->SetState(csCustomized);
    grid->SetSelectedIndex(2);
    ASSERT_EQ(grid->SelectedIndex(), 2);
    grid->Columns()->Items(2)->SetVisible(false);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(grid->SelectedField(), cds.FieldByName("ID"));
}

}  // namespace
