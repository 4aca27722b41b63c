// Column widths: automatic fitting into the client width, the widths that follow a dragged border,
// and optimal widths measured over titles, every record and the footers of a database table.
#include "GridTestSupport.h"

#include "testlib/DbFixture.h"

#include <vector>

namespace {

using gridtest::GridTest;

class ColumnFittingTest : public GridTest {
protected:
    // Columns of those widths (and maximum widths, 0: none) fitted into a client width.
    void Fit(int clientWidth, TDBGridOptions options, const std::vector<int>& widths,
             const std::vector<int>& maxWidths = {}, int minAutoFit = 0) {
        grid->SetOptions(options);
        grid->SetClientWidth(clientWidth);
        grid->SetMinAutoFitWidth(minAutoFit);
        for (std::size_t i = 0; i < widths.size(); ++i) {
            TColumnGx* c = grid->Columns()->Add();
            c->SetWidth(widths[i]);
            if (i < maxWidths.size() && maxWidths[i] > 0) c->SetMaxWidth(maxWidths[i]);
        }
        grid->SetAutoFitColWidths(true);
    }
    std::vector<int> Widths() const {
        std::vector<int> w;
        for (int i = 0; i < grid->Columns()->Count(); ++i) w.push_back(grid->ColWidths(grid->DataToRawColumn(i)));
        return w;
    }
    std::vector<int> Bases() const {
        std::vector<int> w;
        for (int i = 0; i < grid->Columns()->Count(); ++i) w.push_back(grid->Columns()->Items(i)->FitBaseWidth());
        return w;
    }
    // The user drags the border of data column i to a new width.
    void Drag(int i, int width) { static_cast<TCustomGrid*>(grid.get())->SetColWidths(grid->DataToRawColumn(i), width); }

    static constexpr TDBGridOptions Plain = DefaultDBGridOptions & ~(dgIndicator | dgColLines);
};

using Ints = std::vector<int>;

TEST_F(ColumnFittingTest, ColumnsShareTheClientWidthInProportion) {
    struct Case {
        const char* name;
        TDBGridOptions options;
        Ints initial, maxWidths;
        int minAutoFit;
        Ints expected;
    } cases[] = {
        {"indicator and lines: 385 pixels to share", DefaultDBGridOptions, {100, 100, 200}, {}, 0, {96, 96, 193}},
        {"the remainder goes to the last column", DefaultDBGridOptions, {100, 100, 100}, {}, 0, {128, 128, 129}},
        {"a column held by its maximum", Plain, {100, 100, 100}, {0, 50, 0}, 0, {175, 50, 175}},
        {"a minimum fitted width wider than the window", Plain, {100, 100, 100}, {}, 600, {200, 200, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid = std::make_unique<gridtest::TestGrid>(nullptr);
        Fit(400, c.options, c.initial, c.maxWidths, c.minAutoFit);
        EXPECT_EQ(Widths(), c.expected);
        Ints bases = c.initial;
        for (std::size_t i = 0; i < c.maxWidths.size(); ++i)
            if (c.maxWidths[i] > 0) bases[i] = std::min(bases[i], c.maxWidths[i]);
        EXPECT_EQ(Bases(), bases) << "the initial widths stay the weights";
    }
    // Switching fitting off gives back the initial widths.
    grid->SetAutoFitColWidths(false);
    EXPECT_EQ(Widths(), (Ints{100, 100, 100}));
}

TEST_F(ColumnFittingTest, ADraggedBorderBecomesNewProportions) {
    Fit(300, Plain, {100, 100, 100});
    ASSERT_EQ(Widths(), (Ints{100, 100, 100}));
    Drag(1, 130);
    EXPECT_EQ(Bases(), (Ints{100, 130, 70})) << "the right neighbour gives what the column takes";
    EXPECT_EQ(Widths(), (Ints{100, 130, 70}));

    grid = std::make_unique<gridtest::TestGrid>(nullptr);
    Fit(400, Plain, {100, 100, 100, 100});
    grid->SetOptionsGx(grid->OptionsGx() | dghResizeWholeRightPart);
    int changes = 0;
    grid->OnColWidthsChanged = TNotifyEvent([&](TObject*) { ++changes; });
    Drag(1, 130);
    EXPECT_EQ(Bases(), (Ints{100, 130, 85, 85})) << "every column to the right gives in proportion";
    EXPECT_EQ(Widths(), (Ints{100, 130, 85, 85}));
    EXPECT_GT(changes, 0);
}

TEST_F(ColumnFittingTest, BasesThatAllReachZeroLeaveTheWidthsAlone) {
    Fit(300, Plain, {100, 100, 100});
    // Dragging a column over its neighbour takes the neighbour's whole base, and so on.
    Drag(0, 200);
    Drag(1, 250);
    for (int i = 0; i < 3; ++i) grid->Columns()->Items(i)->SetFitBaseWidth(0);
    const Ints before = Widths();
    EXPECT_NO_THROW(grid->LayoutChanged());
    EXPECT_EQ(Widths(), before);
    EXPECT_NO_THROW(Drag(2, 40));
}

TEST_F(ColumnFittingTest, OptimizingWithoutActiveDataChangesNothing) {
    grid->Columns()->Add()->SetWidth(33);
    TColumnsGxList list;
    list.Add(grid->Columns()->Items(0));
    grid->OptimizeColsWidth(&list);
    EXPECT_EQ(grid->Columns()->Items(0)->Width(), 33);
}

class OptimalWidthDatabaseTest : public DbTest {
protected:
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;  // 7 pixels a character
};

TEST_F(OptimalWidthDatabaseTest, WidestOfTitleRecordsAndFootersOverAClientDataset) {
    guitest::EnsureApp();
    db->Exec("insert into kalibr values (1, 'S1', 10, 1.5), (1, 'Сигнал дальний', 20, 2.5), (2, 'S3', 30, 3.5)");
    CachedDataSet c(conn.get(), "select * from kalibr order by AVal");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    gridtest::TestGrid grid(nullptr);
    grid.SetDataSource(&source);
    c.cds.Open();
    c.cds.Last();
    const TBookmark current = c.cds.Bookmark();
    grid.SetFooterRowCount(1);
    TImageList images(nullptr);
    images.SetSize(16, 16);
    grid.SetTitleImages(&images);

    TColumnGx* name = grid.GetFieldColumns("SignalName");
    TColumnGx* pult = grid.GetFieldColumns("PultIndex");
    TColumnGx* aval = grid.GetFieldColumns("AVal");
    TColumnGx* fval = grid.GetFieldColumns("FVal");
    pult->SetCheckboxes(true);
    aval->Title()->SetImageIndex(0);
    aval->Title()->SetCaption("Значение в единицах прибора");
    fval->Footer()->SetValueType(fvtStaticText);
    fval->Footer()->SetValue("Итого по всем сигналам");

    TColumnsGxList list;
    for (TColumnGx* col : {name, pult, aval, fval}) list.Add(col);
    grid.OptimizeColsWidth(&list);

    EXPECT_EQ(name->Width(), 14 * 7 + 4) << "the longest value";
    EXPECT_GE(pult->Width(), 4 + DefaultCheckBoxWidth) << "a check box whatever the values";
    EXPECT_EQ(pult->Width(), std::max(4 + 9 * 7, 4 + DefaultCheckBoxWidth)) << "or its title";
    EXPECT_EQ(aval->Width(), 4 + 16) << "an image title is as wide as its image, however long its caption";
    EXPECT_EQ(fval->Width(), 22 * 7 + 5) << "the footer";
    EXPECT_EQ(c.cds.Bookmark(), current) << "the position is kept";
    EXPECT_FALSE(c.cds.ControlsDisabled());
    grid.SetTitleImages(nullptr);
}

}  // namespace
