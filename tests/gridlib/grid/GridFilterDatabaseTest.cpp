// The filter row and the title markers of a grid over the SQL datasets of the private database: the
// grid's texts become the marked condition line and the ORDER BY line of the dataset's SQL text,
// typed values never become SQL, the server's own error leaves the dataset closed, and the dataset's
// own filter agrees with the server wherever the server's collation does not decide.
#include "GridTestSupport.h"

#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/DbFixture.h"

#include <string>
#include <vector>

namespace {

class GridFilterDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        conn->SetConnected(true);
        conn->ExecuteDirect(
            "CREATE TABLE gx_rows (id INT PRIMARY KEY, name VARCHAR(40) NULL, amount DOUBLE NULL, stamp DATETIME NULL)"
            " DEFAULT CHARSET=utf8mb4 COLLATE utf8mb4_general_ci");
        conn->ExecuteDirect(
            "INSERT INTO gx_rows VALUES (1,'Alpha',1.5,'2008-06-01 07:00:00'),(2,'beta',3,'2008-06-02 07:00:00'),"
            "(3,'Gamma',NULL,'2008-06-10 07:00:00'),(4,NULL,4.5,NULL),(5,'x''or''1''=''1',0.25,'2008-06-10 08:00:00'),"
            "(6,'back\\\\slash',7,'2008-07-01 00:00:00')");
        RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TSQLDatasetFeaturesGx>(), TSQLQuery::StaticClass());
        RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TCommandTextDatasetFeaturesGx>(), TSQLDataSet::StaticClass());
        RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TCommandTextDatasetFeaturesGx>(),
                                  TSQLClientDataSet::StaticClass());
        registered = true;
    }
    void TearDown() override {
        if (!registered) return;
        UnregisterDatasetFeaturesGx(TSQLQuery::StaticClass());
        UnregisterDatasetFeaturesGx(TSQLDataSet::StaticClass());
        UnregisterDatasetFeaturesGx(TSQLClientDataSet::StaticClass());
    }

    // The three SQL datasets of the platform over the same text.
    std::vector<std::unique_ptr<TDataSet>> datasets(const char* text) {
        std::vector<std::unique_ptr<TDataSet>> out;
        auto query = std::make_unique<TSQLQuery>(nullptr);
        query->SetSQLConnection(conn.get());
        query->SQL()->SetText(text);
        out.push_back(std::move(query));
        auto command = std::make_unique<TSQLDataSet>(nullptr);
        command->SetSQLConnection(conn.get());
        command->SetCommandText(text);
        out.push_back(std::move(command));
        auto client = std::make_unique<TSQLClientDataSet>(nullptr);
        client->SetDBConnection(conn.get());
        client->SetCommandText(text);
        out.push_back(std::move(client));
        return out;
    }
    // A grid with a filter row and a column for each field, over the dataset.
    std::unique_ptr<gridtest::TestGrid> gridOver(TDataSet* ds, TDataSource& source) {
        auto grid = std::make_unique<gridtest::TestGrid>(nullptr);
        for (const char* name : {"id", "name", "amount", "stamp"}) grid->Columns()->Add()->SetFieldName(name);
        grid->STFilter()->SetVisible(true);
        source.SetDataSet(ds);
        grid->SetDataSource(&source);
        return grid;
    }
    static std::string ids(TDataSet& ds) {
        std::string out;
        for (ds.First(); !ds.Eof(); ds.Next()) out += (out.empty() ? "" : ",") + ds.FieldByName("id")->AsString().str();
        ds.First();
        return out;
    }
    static std::string lineOf(TDataSet* ds, int index) {
        AnsiString text;
        IsDataSetHaveSQLLikeProp(ds, dynamic_cast<TSQLQuery*>(ds) ? "SQL" : "CommandText", text);
        TStringList lines;
        lines.SetText(text);
        return index < lines.Count() ? lines.Get(index).str() : std::string("<none>");
    }

    bool registered = false;
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
};

const char* const filteredSelect =
    "SELECT id, name, amount, stamp FROM gx_rows\nWHERE\n/*filter*/ (1=1)\nORDER BY id";

struct RoundTrip {
    int col;
    const char* text;
    const char* ids;
    const char* marker;  // the marker line afterwards; null: not checked
};

TEST_F(GridFilterDatabaseTest, FilterCellsBecomeTheMarkedLineWithTheirValuesBound) {
    const RoundTrip cases[] = {
        {2, "> 2", "2,4,6", "/*FILTER*/ ( `amount` > :STFilterValueGx1)"},
        {2, "=Null", "3", "/*FILTER*/ ( `amount` IS NULL)"},
        {2, "< 1 OR >= 7", "5,6", "/*FILTER*/ (( `amount` < :STFilterValueGx1 OR `amount` >= :STFilterValueGx2))"},
        {0, "In (1,3)", "1,3", "/*FILTER*/ ( `id` IN (:STFilterValueGx1,:STFilterValueGx2))"},
        {0, "= 2 AND", "2", "/*FILTER*/ ( `id` = :STFilterValueGx1)"},
        {1, "~ 'a%'", "1", "/*FILTER*/ ( `name` LIKE :STFilterValueGx1)"},
        {3, ">= 10.06.2008 8:00:00 AND < 01.07.2008", "5", nullptr},
        // Attempts to break out of a literal find only the row holding their text.
        {1, "~ x'or'1'='1", "5", "/*FILTER*/ ( `name` LIKE :STFilterValueGx1)"},
        {1, "= x' OR id>0 OR 'a'='", "", nullptr},
        {1, "= back\\slash", "6", nullptr},
        {1, "", "1,2,3,4,5,6", "/*FILTER*/ (1=1)"},
    };
    for (auto& ds : datasets(filteredSelect)) {
        SCOPED_TRACE(ds->ClassName().str());
        TDataSource source(nullptr);
        auto grid = gridOver(ds.get(), source);
        ds->Open();
        for (const RoundTrip& c : cases) {
            SCOPED_TRACE(c.text);
            for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->STFilter()->Clear();
            grid->Columns()->Items(c.col)->STFilter()->SetExpressionStr(c.text);
            grid->ApplyFilter();
            ASSERT_TRUE(ds->Active());
            EXPECT_EQ(ids(*ds), c.ids);
            if (c.marker) {
                EXPECT_EQ(lineOf(ds.get(), 2), c.marker);
            }
            EXPECT_EQ(lineOf(ds.get(), 3), "ORDER BY id");
            EXPECT_EQ(grid->GetFilterValue(c.col), c.text) << "the cell keeps its text over the reopening";
        }
    }
}

TEST_F(GridFilterDatabaseTest, ADataFieldTheServerDoesNotKnowGivesItsErrorWithTheDataSetClosed) {
    for (auto& ds : datasets(filteredSelect)) {
        SCOPED_TRACE(ds->ClassName().str());
        TDataSource source(nullptr);
        auto grid = gridOver(ds.get(), source);
        ds->Open();
        TSTColumnFilterGx* f = grid->Columns()->Items(0)->STFilter();
        f->SetDataField("no_such_column");
        f->SetExpressionStr("= 1");
        try {
            grid->ApplyFilter();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().Pos("no_such_column"), 0) << e.Message().str();
        }
        EXPECT_FALSE(ds->Active());
        EXPECT_FALSE(ds->ControlsDisabled());
        EXPECT_EQ(lineOf(ds.get(), 2), "/*FILTER*/ ( `no_such_column` = :STFilterValueGx1)");
    }
}

// The reopening makes the dataset's fields anew; the grid's own columns find theirs again and keep
// their filters.
TEST_F(GridFilterDatabaseTest, APassThroughGridKeepsItsFilterTextsOverTheReopening) {
    TSQLClientDataSet ds(nullptr);
    ds.SetDBConnection(conn.get());
    ds.SetCommandText(filteredSelect);
    TDataSource source(&ds);
    source.SetDataSet(&ds);
    gridtest::TestGrid grid(nullptr);
    grid.STFilter()->SetVisible(true);
    grid.SetDataSource(&source);
    ds.Open();
    ASSERT_EQ(grid.Columns()->State(), csDefault);
    TColumnGx* amount = grid.GetFieldColumns("amount");
    ASSERT_NE(amount, nullptr);
    amount->STFilter()->SetExpressionStr("> 2");
    grid.ApplyFilter();
    EXPECT_EQ(ids(ds), "2,4,6");
    EXPECT_EQ(grid.GetFieldColumns("amount"), amount);
    EXPECT_EQ(amount->STFilter()->ExpressionStr(), "> 2");
    EXPECT_EQ(amount->Field(), ds.FieldByName("amount"));
    grid.ApplyFilter();
    EXPECT_EQ(ids(ds), "2,4,6") << "applied again from the kept text";
}

struct LocalCase {
    int col;
    const char* text;
    const char* serverIds;
    const char* localIds;  // where the dataset's own comparison differs from the server's collation
};

// The server's collation ignores case and trailing blanks and takes 'ё' for 'е'; the dataset's own
// case-insensitive filter ignores case only.
TEST_F(GridFilterDatabaseTest, TheDataSetsOwnFilterAgreesWithTheServerOnTheRowsTheyShare) {
    conn->ExecuteDirect("INSERT INTO gx_rows VALUES (7,'ёлка',2,NULL),(8,'trail  ',NULL,NULL)");
    const LocalCase cases[] = {
        {1, "~ '%A%'", "1,2,3,6,8", nullptr},
        {1, "= ALPHA", "1", nullptr},
        {1, "In (BETA,gamma)", "2,3", nullptr},
        {1, "=Null", "4", nullptr},
        {2, "< 1 OR >= 7", "5,6", nullptr},
        {3, ">= 10.06.2008", "3,5,6", nullptr},
        {1, "= елка", "7", ""},
        {1, "= trail", "8", ""},
    };
    TSQLClientDataSet ds(nullptr);
    ds.SetDBConnection(conn.get());
    ds.SetCommandText(filteredSelect);
    ds.SetFilterOptions(foCaseInsensitive);
    TDataSource source(nullptr);
    auto grid = gridOver(&ds, source);
    ds.Open();
    auto* features = dynamic_cast<TSQLDatasetFeaturesGx*>(GetDatasetFeaturesForDataSet(&ds));
    ASSERT_NE(features, nullptr);
    features->LocalFilterUsesLike = true;
    for (const LocalCase& c : cases) {
        SCOPED_TRACE(c.text);
        TSTColumnFilterGx* f = grid->Columns()->Items(c.col)->STFilter();
        grid->STFilter()->SetLocal(false);
        f->SetExpressionStr(c.text);
        grid->ApplyFilter();
        EXPECT_EQ(ids(ds), c.serverIds);
        f->SetExpressionStr("");
        grid->ApplyFilter();
        ASSERT_EQ(ids(ds), "1,2,3,4,5,6,7,8");

        grid->STFilter()->SetLocal(true);
        f->SetExpressionStr(c.text);
        grid->ApplyFilter();
        EXPECT_EQ(ids(ds), c.localIds ? c.localIds : c.serverIds) << ds.Filter().str();
        f->SetExpressionStr("");
        grid->ApplyFilter();
    }
}

// A lookup column keyed by two fields has no one field its condition could test: the filter is
// refused before any text goes to the server or into the dataset's filter.
TEST_F(GridFilterDatabaseTest, ALookupColumnKeyedByTwoFieldsIsRefusedBeforeTheServerSeesIt) {
    conn->ExecuteDirect("CREATE TABLE gx_pairs (id INT PRIMARY KEY, kind INT NULL, grade INT NULL)");
    conn->ExecuteDirect("INSERT INTO gx_pairs VALUES (1,1,1),(2,1,2),(3,2,1)");
    TClientDataSet kinds(nullptr);
    kinds.FieldDefs()->Add("kind", ftInteger);
    kinds.FieldDefs()->Add("grade", ftInteger);
    kinds.FieldDefs()->Add("title", ftString, 20);
    kinds.CreateDataSet();
    kinds.AppendRecord({Variant(1), Variant(1), Variant("Уголь")});
    kinds.AppendRecord({Variant(1), Variant(2), Variant("Порода")});
    kinds.AppendRecord({Variant(2), Variant(1), Variant("Шлам")});
    const char* select = "SELECT id, kind, grade FROM gx_pairs\nWHERE\n/*filter*/ (1=1)\nORDER BY id";
    TSQLClientDataSet ds(nullptr);
    ds.SetDBConnection(conn.get());
    ds.SetCommandText(select);
    for (const char* name : {"id", "kind", "grade"}) {
        TField* f = CreateFieldOfType(ftInteger, &ds);
        f->SetFieldName(name);
        f->SetDataSet(&ds);
    }
    TField* title = CreateFieldOfType(ftString, &ds);
    title->SetFieldName("title");
    title->SetFieldKind(fkLookup);
    title->SetSize(20);
    title->SetKeyFields("kind;grade");
    title->SetLookupDataSet(&kinds);
    title->SetLookupKeyFields("kind;grade");
    title->SetLookupResultField("title");
    title->SetDataSet(&ds);
    TDataSource source(nullptr);
    source.SetDataSet(&ds);
    gridtest::TestGrid grid(nullptr);
    grid.Columns()->Add()->SetFieldName("id");
    TColumnGx* column = grid.Columns()->Add();
    column->SetFieldName("title");
    grid.STFilter()->SetVisible(true);
    grid.SetDataSource(&source);
    ds.Open();
    ASSERT_EQ(title->AsString(), "Уголь");

    for (bool local : {true, false}) {
        SCOPED_TRACE(local ? "the dataset's own filter" : "the server's condition");
        grid.STFilter()->SetLocal(local);
        column->STFilter()->SetExpressionStr("Порода");
        try {
            grid.ApplyFilter();
            ADD_FAILURE() << "applied";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().str(), std::string(SFilterOnSeveralKeyFieldsGx) + "kind;grade");
        }
        EXPECT_TRUE(ds.Active());
        EXPECT_EQ(lineOf(&ds, 2), "/*filter*/ (1=1)") << "the SQL text is left alone";
        EXPECT_EQ(ds.Filter(), "");
        EXPECT_EQ(ids(ds), "1,2,3");
    }
}

class GridSortDatabaseTest : public GridFilterDatabaseTest {
protected:
    void SetUp() override {
        GridFilterDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        form = std::make_unique<TForm>(nullptr);
        form->SetClientSize(460, 240);
    }
    void TearDown() override {
        form.reset();
        GridFilterDatabaseTest::TearDown();
    }
    std::unique_ptr<TForm> form;
};

struct SortStep {
    int col;
    bool ctrl;
    const char* ids;
    const char* orderLine;  // after the step (Ctrl steps: after Ctrl goes up)
};

// Title clicks mark the sort: a plain click sorts by that column alone, ascending and then
// descending; Ctrl adds columns and sorts when Ctrl goes up.
TEST_F(GridSortDatabaseTest, TitleMarkersRewriteTheOrderByLine) {
    const SortStep byNumber[] = {
        {2, false, "3,5,1,2,4,6", "ORDER BY 3"},
        {2, false, "6,4,2,1,5,3", "ORDER BY 3 DESC"},
        {1, true, "6,4,2,1,5,3", "ORDER BY 3 DESC, 2"},
        {0, false, "1,2,3,4,5,6", "ORDER BY 1"},
        // A column showing no field of the dataset has no number to sort by.
        {4, true, "1,2,3,4,5,6", "ORDER BY 1"},
    };
    const SortStep byName[] = {
        {1, false, "4,1,6,2,3,5", "ORDER BY `name`"},
        {1, false, "5,3,2,6,1,4", "ORDER BY `name` DESC"},
        {0, true, "5,3,2,6,1,4", "ORDER BY `name` DESC, `id`"},
    };
    for (bool useNames : {false, true}) {
        for (auto& ds : datasets("SELECT id, name, amount, stamp FROM gx_rows\nORDER BY id")) {
            SCOPED_TRACE(ds->ClassName().str() + (useNames ? " by names" : " by numbers"));
            auto* features = dynamic_cast<TSQLDatasetFeaturesGx*>(GetDatasetFeaturesForDataSet(ds.get()));
            ASSERT_NE(features, nullptr);
            features->SortByFieldNames = useNames;
            TDataSource source(nullptr);
            auto grid = gridOver(ds.get(), source);
            grid->Columns()->Add()->SetFieldName("no_field");
            grid->SetOptionsGx(grid->OptionsGx() | dghAutoSortMarking | dghMultiSortMarking);
            for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->Title()->SetTitleButton(true);
            grid->SetParent(form.get());
            grid->SetBounds(0, 0, 460, 240);
            ds->Open();
            guitest::ShowForm(form.get());
            grid->SetFocus();
            ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
            for (const SortStep& s : useNames ? std::vector<SortStep>(std::begin(byName), std::end(byName))
                                              : std::vector<SortStep>(std::begin(byNumber), std::end(byNumber))) {
                SCOPED_TRACE(s.orderLine);
                const TRect title = grid->CellRect(grid->DataToRawColumn(s.col), 0);
                guitest::Click(grid.get(), TPoint((title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2),
                               mbLeft, s.ctrl ? ssCtrl : 0);
                if (s.ctrl) guitest::Key(VK_CONTROL, 0, grid.get());
                ASSERT_TRUE(ds->Active());
                EXPECT_EQ(ids(*ds), s.ids);
                EXPECT_EQ(lineOf(ds.get(), 1), s.orderLine);
            }
            features->SortByFieldNames = false;
            grid->SetParent(nullptr);
        }
    }
}

}  // namespace
