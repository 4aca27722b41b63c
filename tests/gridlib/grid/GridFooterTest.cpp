// Footers: the texts of totals, averages, counts and field values by field type and format, the
// aggregates the footers register, and the footer of each footer row.
#include "GridTestSupport.h"

namespace {

class GridFooterTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("V", ftFloat);
        cds.FieldDefs()->Add("M", ftCurrency);
        cds.FieldDefs()->Add("Name", ftString, 10);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant(1.25), Variant(10.5), Variant("a")});
        cds.AppendRecord({Variant(2), Null(), Variant(0.25), Variant("b")});
        cds.AppendRecord({Variant(3), Variant(2.5), Null(), Null()});
        cds.MergeChangeLog();
        cds.First();
        source.SetDataSet(&cds);
        grid = std::make_unique<gridtest::TestGrid>(nullptr);
        grid->SetDataSource(&source);
        grid->SetFooterRowCount(1);
        grid->SumList()->SetActive(true);
    }
    void TearDown() override { grid.reset(); }
    TColumnGx* Column(const char* name) { return grid->GetFieldColumns(name); }
    AnsiString Footer(const char* column, int row = 0) { return grid->GetFooterValue(row, Column(column)); }
    TColumnFooterGx* Set(const char* column, TFooterValueType type, const char* format = "", const char* field = "") {
        TColumnFooterGx* f = Column(column)->Footer();
        f->SetValueType(fvtNon);
        f->SetFieldName(field);
        f->SetDisplayFormat(format);
        f->SetValueType(type);
        return f;
    }

    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<gridtest::TestGrid> grid;
};

TEST_F(GridFooterTest, TextsByFieldTypeAndFormat) {
    const AnsiString currencyText = FloatToStrF(10.75, ffCurrency, 15, FormatSettings().CurrencyDecimals);
    ASSERT_NE(currencyText, "10,75") << "the currency format differs from the plain one";
    struct Case {
        const char* name;
        const char* column;
        TFooterValueType type;
        const char* format;
        const char* field;
        AnsiString expected;
    } cases[] = {
        {"integer sum without formats", "ID", fvtSum, "", "", "6"},
        {"integer sum with a format", "ID", fvtSum, "0.0", "", "6,0"},
        {"float sum in the general format", "V", fvtSum, "", "", "3,75"},
        {"float average without Null", "V", fvtAvg, "", "", "1,875"},
        {"float sum with a format", "V", fvtSum, "#,##0.000", "", "3,750"},
        {"currency field sum", "M", fvtSum, "", "", currencyText},
        {"sum of another field", "Name", fvtSum, "", "V", "3,75"},
        {"sum of a field the dataset lacks", "Name", fvtSum, "", "Nope", "0"},
        {"record count", "Name", fvtCount, "", "", "3"},
        {"record count with a format", "Name", fvtCount, "0.0", "", "3,0"},
        {"field value with a format", "V", fvtFieldValue, "0.00", "V", "1,25"},
        {"field value without a format", "Name", fvtFieldValue, "", "Name", "a"},
        {"field value of a field the dataset lacks", "V", fvtFieldValue, "0.00", "Nope", ""},
        {"static text", "Name", fvtStaticText, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Set(c.column, c.type, c.format, c.field);
        EXPECT_EQ(Footer(c.column).str(), c.expected.str());
        Set(c.column, fvtNon);
    }

    // A Null field value shows nothing; a static footer shows its value.
    cds.Last();
    Set("V", fvtFieldValue, "0.00", "V");
    cds.Prior();
    EXPECT_EQ(Footer("V"), "");
    TColumnFooterGx* f = Set("Name", fvtStaticText);
    f->SetValue("Итого");
    EXPECT_EQ(Footer("Name"), "Итого");
}

TEST_F(GridFooterTest, FootersRegisterTheirAggregatesAndFollowTheData) {
    TDBSumCollection* sums = grid->SumList()->SumCollection();
    TColumnFooterGx* f = Set("V", fvtSum);
    ASSERT_EQ(sums->Count(), 1);
    EXPECT_EQ(sums->Items(0)->FieldName(), "V");
    EXPECT_EQ(Footer("V"), "3,75");

    f->SetValueType(fvtStaticText);
    EXPECT_EQ(sums->Count(), 0) << "a static footer has no aggregate";
    f->SetValueType(fvtSum);
    ASSERT_EQ(sums->Count(), 1);
    EXPECT_EQ(Footer("V"), "3,75") << "counted again for the new aggregate";

    cds.First();
    cds.Edit();
    cds.FieldByName("V")->SetAsFloat(2);
    cds.Post();
    EXPECT_EQ(Footer("V"), "4,5");

    // An inactive list shows freshly cleared values.
    grid->SumList()->SetActive(false);
    EXPECT_EQ(Footer("V"), "0");

    // Freeing the column frees its aggregate.
    delete Column("V");
    EXPECT_EQ(sums->Count(), 0);
}

TEST_F(GridFooterTest, ANewSumListKeepsTheFootersCountingThroughThisGrid) {
    Set("V", fvtSum);
    Set("ID", fvtCount);
    {
        // Another grid's list over the same data, with an aggregate of its own; that grid goes first.
        gridtest::TestGrid other(nullptr);
        other.SetDataSource(&source);
        other.SumList()->SetActive(true);
        other.SumList()->SumCollection()->Add()->SetFieldName("M");
        grid->SetSumList(other.SumList());
    }
    EXPECT_EQ(Footer("V"), "3,75") << "the footers registered their aggregates again";
    EXPECT_EQ(Footer("ID"), "3");
    EXPECT_NE(grid->SumList()->SumCollection()->GetSumByOpAndFName(goSum, "M"), nullptr) << "the list's own came along";

    // A post is counted and reported to this grid, not to the one that is gone.
    cds.First();
    cds.Edit();
    cds.FieldByName("V")->SetAsFloat(2);
    cds.Post();
    EXPECT_EQ(Footer("V"), "4,5");

    // Dropping a footer's aggregate and freeing the grid touch only what the list still holds.
    Set("V", fvtNon);
    EXPECT_EQ(grid->SumList()->SumCollection()->GetSumByOpAndFName(goSum, "V"), nullptr);
    grid.reset();
}

TEST_F(GridFooterTest, EachFooterRowUsesItsOwnItemWhenThereIsOne) {
    grid->SetFooterRowCount(2);
    TColumnGx* v = Column("V");
    Set("V", fvtSum);
    v->Footer()->SetAlignment(taCenter);
    EXPECT_EQ(v->UsedFooter(1), v->Footer()) << "without items every row uses Footer";
    EXPECT_EQ(Footer("V", 1), "3,75");

    TColumnFooterGx* first = v->Footers()->Add();
    first->SetValueType(fvtCount);
    TColumnFooterGx* second = v->Footers()->Add();
    second->SetValueType(fvtAvg);
    second->SetWordWrap(true);
    EXPECT_EQ(v->UsedFooter(0), first);
    EXPECT_EQ(v->UsedFooter(1), second);
    EXPECT_EQ(Footer("V", 0), "3");
    EXPECT_EQ(Footer("V", 1), "1,875");
    EXPECT_EQ(second->Alignment(), taRightJustify) << "a footer aligns as its field until set";
    EXPECT_EQ(second->Color(), grid->FooterColor());
    grid->FooterFont()->SetSize(14);
    EXPECT_EQ(second->Font()->Size(), 14) << "the font follows the grid's footer font until set";
    EXPECT_FALSE(second->IsFontStored());
}

TEST_F(GridFooterTest, ADrawnFooterCellTakesTheParametersEvent) {
    Set("V", fvtSum);
    grid->OnGetFooterParams = TGetFooterParamsEvent([](TObject*, int, int, TColumnGx*, TFont*, TColor& background,
                                                       TAlignment&, TGridDrawState, AnsiString& text) {
        background = clYellow;
        text = "Σ " + text;
    });
    grid->Canvas()->Brush()->SetColor(clWhite);
    metrics.recorder.Clear();
    grid->DefaultDrawFooterCell(TRect(0, 0, 100, 20), 1, 0, Column("V"), 0);
    const std::string drawn = metrics.recorder.Dump().str();
    EXPECT_NE(drawn.find("Σ 3,75"), std::string::npos) << drawn;
    EXPECT_EQ(grid->Canvas()->Brush()->Color(), clYellow);
}

}  // namespace

namespace {

TEST_F(GridFooterTest, FootersTravelWithAStreamedColumnSet) {
    grid->Columns()->SetState(csCustomized);
    TColumnGx* v = Column("V");
    v->Footer()->SetValueType(fvtAvg);
    v->Footer()->SetDisplayFormat("0.000");
    v->Footers()->Add()->SetValueType(fvtCount);
    TMemoryStream stream;
    grid->Columns()->SaveToStream(&stream);
    stream.SetPosition(0);
    gridtest::TestGrid other(nullptr);
    other.SetDataSource(&source);
    other.SetFooterRowCount(2);
    other.SumList()->SetActive(true);
    other.Columns()->LoadFromStream(&stream);
    TColumnGx* copy = other.GetFieldColumns("V");
    EXPECT_EQ(copy->Footer()->ValueType(), fvtAvg);
    ASSERT_EQ(copy->Footers()->Count(), 1);
    EXPECT_EQ(other.GetFooterValue(0, copy), "3");
    // The second row has no item of its own: Footer answers it.
    EXPECT_EQ(other.GetFooterValue(1, copy), "1,875");
}

}  // namespace

namespace {

using gridtest::ShownGridTest;

// A one-row move scrolls the painted rows instead of painting them again; the footer below them
// shows the current record and is painted all the same.
TEST_F(ShownGridTest, AFooterOfTheCurrentRecordIsPaintedAfterAOneRowMove) {
    Open(20);
    grid->SetFooterRowCount(1);
    TColumnFooterGx* footer = grid->GetFieldColumns("Amount")->Footer();
    footer->SetFieldName("Amount");
    footer->SetDisplayFormat("0.000");
    footer->SetValueType(fvtFieldValue);
    Show();
    guitest::Settle();
    const TRect cell = grid->CellRect(grid->DataToRawColumn(2), grid->RowCount() - 1);
    ASSERT_FALSE(cell.IsEmpty());
    auto paintedInFooter = [&](const char* text) {
        for (const TCanvasOp& op : metrics->recorder.Ops)
            if (op.Text == text && op.Rect.Top >= cell.Top && op.Rect.Top < cell.Bottom) return true;
        return false;
    };
    for (const char* text : {"3,000", "4,500"}) {
        SCOPED_TRACE(text);
        metrics->recorder.Clear();
        cds.Next();
        EXPECT_TRUE(guitest::WaitFor([&] { return paintedInFooter(text); })) << metrics->recorder.Dump().c_str();
    }
}

}  // namespace
