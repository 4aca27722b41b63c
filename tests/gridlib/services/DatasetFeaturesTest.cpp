// Dataset features: the registry's nearest-ancestor lookup, the SQL-like properties, record moving,
// and filtering and sorting by rewriting the SQL text of datasets on the private database.
#include "gridlib/services/DBUtilsGx.h"

#include "data/DBClient.h"
#include "db/SqlClientDataSet.h"
#include "rtl/TypInfo.h"
#include "tests/gridlib/services/ServicesTestSupport.h"
#include "testlib/DbFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using gxtest::FakeGrid;
using gxtest::RegistryScope;

class TDsLevel1 : public TClientDataSet {
    PLANTMON_CLASS(TDsLevel1, TClientDataSet)
public:
    using TClientDataSet::TClientDataSet;
};
class TDsLevel2 : public TDsLevel1 {
    PLANTMON_CLASS(TDsLevel2, TDsLevel1)
public:
    using TDsLevel1::TDsLevel1;
};
class TDsLevel3 : public TDsLevel2 {
    PLANTMON_CLASS(TDsLevel3, TDsLevel2)
public:
    using TDsLevel2::TDsLevel2;
};

// Features that tell which registration answered.
class TTaggedFeatures : public TDatasetFeaturesGx {
    PLANTMON_CLASS(TTaggedFeatures, TDatasetFeaturesGx)
public:
    explicit TTaggedFeatures(int tag) : Tag(tag) {}
    int Tag;
};
TDatasetFeaturesGxClass tagged(int tag) {
    return [tag] { return static_cast<TDatasetFeaturesGx*>(new TTaggedFeatures(tag)); };
}
int tagOf(TDatasetFeaturesGx* f) {
    auto* t = dynamic_cast<TTaggedFeatures*>(f);
    return t ? t->Tag : 0;
}

TEST(DatasetFeaturesRegistry, TheNearestRegisteredAncestorAnswers) {
    RegistryScope scope;
    EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TDsLevel3::StaticClass()), nullptr);
    scope.Register(tagged(2), TDsLevel2::StaticClass());
    scope.Register(tagged(1), TDsLevel1::StaticClass());
    EXPECT_EQ(tagOf(GetDatasetFeaturesForDataSetClass(TDsLevel3::StaticClass())), 2);
    EXPECT_EQ(tagOf(GetDatasetFeaturesForDataSetClass(TDsLevel2::StaticClass())), 2);
    EXPECT_EQ(tagOf(GetDatasetFeaturesForDataSetClass(TDsLevel1::StaticClass())), 1);
    EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TClientDataSet::StaticClass()), nullptr);
    EXPECT_EQ(GetDatasetFeaturesForDataSetClass(TDsLevel3::StaticClass())->RegisteredDataSetClass(),
              TDsLevel2::StaticClass());

    // Registering again replaces; a null class registers nothing; unregistering uncovers the ancestor's.
    scope.Register(tagged(22), TDsLevel2::StaticClass());
    RegisterDatasetFeaturesGx(tagged(9), nullptr);
    TDsLevel3 ds(nullptr);
    EXPECT_EQ(tagOf(GetDatasetFeaturesForDataSet(&ds)), 22);
    UnregisterDatasetFeaturesGx(TDsLevel2::StaticClass());
    EXPECT_EQ(tagOf(GetDatasetFeaturesForDataSet(&ds)), 1);
    EXPECT_EQ(GetDatasetFeaturesForDataSet(nullptr), nullptr);
}

TEST(DatasetFeaturesRegistry, CommandTextFeaturesNameTheirProperty) {
    TCommandTextDatasetFeaturesGx commandText;
    TSQLDatasetFeaturesGx sql;
    EXPECT_EQ(commandText.SQLPropertyName.str(), "CommandText");
    EXPECT_EQ(sql.SQLPropertyName.str(), "SQL");
    EXPECT_FALSE(sql.SortByFieldNames);
    EXPECT_FALSE(sql.LocalFilterUsesLike);
    EXPECT_FALSE(static_cast<bool>(sql.DateToSQLTextProc));
}

// A dataset with the kinds of published properties an SQL-like property can be.
class TPropsDataSet : public TClientDataSet {
    PLANTMON_CLASS(TPropsDataSet, TClientDataSet)
public:
    using TClientDataSet::TClientDataSet;
    AnsiString shortText = "select 1", longText = "select 2";
    TStringList lines;
    TObject* other = nullptr;
    TStrings* emptyLines = nullptr;
};

const bool propsRegistered = [] {
    auto str = [](TTypeKind kind, const char* name, AnsiString TPropsDataSet::*member) {
        TPropInfo p;
        p.Name = name;
        p.PropType = TypeInfoOf(kind, kind == tkString ? "ShortString" : "String");
        p.GetStr = [member](TObject* o) { return static_cast<TPropsDataSet*>(o)->*member; };
        p.SetStr = [member](TObject* o, const AnsiString& v) { static_cast<TPropsDataSet*>(o)->*member = v; };
        return p;
    };
    auto obj = [](const char* name, std::function<TObject*(TPropsDataSet*)> get) {
        TPropInfo p;
        p.Name = name;
        p.PropType = ClassTypeInfo(TObject::StaticClass());
        p.GetObject = [get](TObject* o) { return get(static_cast<TPropsDataSet*>(o)); };
        return p;
    };
    RegisterPublishedProperties(
        TPropsDataSet::StaticClass(),
        {str(tkString, "ShortSQL", &TPropsDataSet::shortText), str(tkLString, "LongSQL", &TPropsDataSet::longText),
         obj("Lines", [](TPropsDataSet* d) -> TObject* { return &d->lines; }),
         obj("Other", [](TPropsDataSet* d) { return d->other; }),
         obj("Nothing", [](TPropsDataSet* d) -> TObject* { return d->emptyLines; })});
    return true;
}();

TEST(SQLLikeProperties, EachKindOfPropertyReadsAsTheTextOrNot) {
    TPropsDataSet ds(nullptr);
    ds.lines.SetText("select 3");
    TStringList someObject;
    TClientDataSet notStrings(nullptr);
    ds.other = &notStrings;
    struct Case {
        const char* name;
        bool found;
        const char* text;
    } cases[] = {
        {"ShortSQL", true, "select 1"}, {"LongSQL", false, ""}, {"Lines", true, "select 3\r\n"},
        {"Other", true, ""},            {"Nothing", false, ""}, {"Missing", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnsiString text = "before";
        EXPECT_EQ(IsDataSetHaveSQLLikeProp(&ds, c.name, text), c.found);
        EXPECT_EQ(text.str(), c.text);
    }

    TSQLQuery query(nullptr);
    query.SQL()->SetText("SELECT 1");
    TSQLDataSet command(nullptr);
    command.SetCommandText("SELECT 2");
    TSQLClientDataSet client(nullptr);
    client.SetCommandText("SELECT 3");
    AnsiString text;
    EXPECT_TRUE(IsDataSetHaveSQLLikeProp(&query, "sql", text));
    EXPECT_EQ(text.str(), "SELECT 1\r\n");
    EXPECT_TRUE(IsDataSetHaveSQLLikeProp(&command, "CommandText", text));
    EXPECT_EQ(text.str(), "SELECT 2");
    EXPECT_TRUE(IsDataSetHaveSQLLikeProp(&client, "CommandText", text));
    EXPECT_EQ(text.str(), "SELECT 3");
    EXPECT_FALSE(IsDataSetHaveSQLLikeProp(&client, "SQL", text));

    TStrings* sql = nullptr;
    EXPECT_TRUE(IsSQLBasedDataSet(&query, sql));
    EXPECT_EQ(sql, query.SQL());
    EXPECT_FALSE(IsSQLBasedDataSet(&command, sql));
    EXPECT_EQ(sql, nullptr);
}

// ---- Moving records ------------------------------------------------------------------------------------
class MoveRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds.FieldDefs()->Add("ID", ftInteger, 0, true);
        ds.FieldDefs()->Add("Name", ftString, 20);
        ds.CreateDataSet();
        for (int i = 1; i <= 6; ++i) ds.AppendRecord({Variant(i), Variant("Row " + std::to_string(i))});
        ds.MergeChangeLog();
        grid.AddColumn("ID");
        grid.selection = &selection;
    }

    TBookmarkStr bookmarkOf(int id) {
        EXPECT_TRUE(ds.Locate("ID", Variant(id)));
        return ds.Bookmark();
    }
    bool selected(int id) {
        EXPECT_TRUE(ds.Locate("ID", Variant(id)));
        return selection.CurrentRowSelected();
    }
    std::string names() { return gxtest::Column(ds, "Name"); }

    TClientDataSet ds{nullptr};
    FakeGrid grid{&ds};
    gxtest::DataSetBMList selection{&ds};
    TDatasetFeaturesGx features;
};

TEST_F(MoveRecordsTest, MovedRecordsLandTogetherBeforeTheTargetWithTheirSelection) {
    TStringList list;
    list.Add(bookmarkOf(2));
    list.Add(bookmarkOf(3));
    ds.Locate("ID", Variant(2));
    selection.SetCurrentRowSelected(true);
    EXPECT_TRUE(features.MoveRecords(&grid, &list, 5, false));
    EXPECT_FALSE(ds.ControlsDisabled());
    const std::string ids = gxtest::Column(ds, "ID");
    EXPECT_TRUE(ids == "1,4,5,2,3,6" || ids == "1,4,5,3,2,6") << ids;
    EXPECT_TRUE(selected(2));
    EXPECT_FALSE(selected(3));
    EXPECT_EQ(selection.Count(), 1);

    // At or past the record count the records go to the end.
    TStringList first;
    first.Add(bookmarkOf(1));
    EXPECT_TRUE(features.MoveRecords(&grid, &first, ds.RecordCount(), false));
    EXPECT_EQ(gxtest::Column(ds, "ID").substr(gxtest::Column(ds, "ID").size() - 1), "1");
}

TEST_F(MoveRecordsTest, AFailureMidwayPutsTheDeletedRecordsBack) {
    TStringList list;
    for (int id : {2, 3, 4}) list.Add(bookmarkOf(id));
    ds.Locate("ID", Variant(3));
    selection.SetCurrentRowSelected(true);
    int inserts = 0;
    ds.BeforeInsert = TDataSetNotifyEvent([&inserts](TDataSet*) {
        if (++inserts == 2) throw Exception("disk full");
    });
    EXPECT_THROW(features.MoveRecords(&grid, &list, 6, false), Exception);
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(ds.State(), dsBrowse);
    std::string all = names();
    std::vector<std::string> rows;
    for (std::size_t p = 0, q; p <= all.size(); p = q + 1) {
        q = all.find(',', p);
        if (q == std::string::npos) q = all.size();
        rows.push_back(all.substr(p, q - p));
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"Row 1", "Row 2", "Row 3", "Row 4", "Row 5", "Row 6"})) << all;
    EXPECT_TRUE(selected(3));
}

TEST_F(MoveRecordsTest, CheckOnlyAndOtherSendersChangeNothing) {
    TStringList list;
    list.Add(bookmarkOf(2));
    EXPECT_TRUE(features.MoveRecords(&grid, &list, 5, true));
    TObject notAGrid;
    EXPECT_FALSE(features.MoveRecords(&notAGrid, &list, 5, false));
    ds.SetReadOnly(true);
    EXPECT_FALSE(features.MoveRecords(&grid, &list, 5, false));
    EXPECT_EQ(gxtest::Column(ds, "ID"), "1,2,3,4,5,6");
}

// ---- Filtering and sorting through the SQL text, on the server --------------------------------------
class SQLRewritingTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        saved_ = FormatSettings();
        FormatSettings() = TFormatSettings::Russian();
        conn->SetConnected(true);
        conn->ExecuteDirect(
            "CREATE TABLE gx_rows (id INT PRIMARY KEY, name VARCHAR(40) NULL, amount DOUBLE NULL, stamp DATETIME NULL)"
            " DEFAULT CHARSET=utf8mb4 COLLATE utf8mb4_general_ci");
        conn->ExecuteDirect(
            "INSERT INTO gx_rows VALUES (1,'Alpha',1.5,'2008-06-01 07:00:00'),(2,'beta',3,'2008-06-02 07:00:00'),"
            "(3,'Gamma',NULL,'2008-06-10 07:00:00'),(4,NULL,4.5,NULL),(5,'x''or''1''=''1',0.25,'2008-06-10 08:00:00'),"
            "(6,'back\\\\slash',7,'2008-07-01 00:00:00')");
        registry_.Register(DatasetFeaturesClassOf<TSQLDatasetFeaturesGx>(), TSQLQuery::StaticClass());
        registry_.Register(DatasetFeaturesClassOf<TCommandTextDatasetFeaturesGx>(), TSQLDataSet::StaticClass());
        registry_.Register(DatasetFeaturesClassOf<TCommandTextDatasetFeaturesGx>(), TSQLClientDataSet::StaticClass());
    }
    void TearDown() override {
        if (!IsSkipped()) FormatSettings() = saved_;
    }

    // The three SQL datasets of the platform, each over the same statement.
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

    // The three datasets binding the values as parameters, and one that has them written into the text.
    std::vector<std::unique_ptr<TDataSet>> bothRoads(const char* text) {
        auto out = datasets(text);
        auto unbound = std::make_unique<TSQLDataSet>(nullptr);
        unbound->SetSQLConnection(conn.get());
        unbound->SetParamCheck(false);
        unbound->SetCommandText(text);
        out.push_back(std::move(unbound));
        return out;
    }

    static AnsiString textOf(TDataSet* ds) {
        AnsiString text;
        const AnsiString prop = dynamic_cast<TSQLQuery*>(ds) ? "SQL" : "CommandText";
        EXPECT_TRUE(IsDataSetHaveSQLLikeProp(ds, prop, text));
        return text;
    }
    static std::string lineOf(TDataSet* ds, int index) {
        TStringList lines;
        lines.SetText(textOf(ds));
        return index < lines.Count() ? lines.Get(index).str() : std::string("<none>");
    }

    RegistryScope registry_;
    TFormatSettings saved_;
};

const char* const filteredSelect =
    "SELECT id, name, amount, stamp FROM gx_rows\nWHERE\n/*filter*/ (1=1)\nORDER BY id";

struct ServerCase {
    const char* field;
    const char* text;
    const char* ids;
    const char* marker;  // the marker line after the filter
};

TEST_F(SQLRewritingTest, EachOperatorRoundTripsWithItsValuesAsParameters) {
    const ServerCase cases[] = {
        {"amount", "> 2", "2,4,6", "/*FILTER*/ ( `amount` > :STFilterValueGx1)"},
        {"amount", "1,5", "1", "/*FILTER*/ ( `amount` = :STFilterValueGx1)"},
        {"amount", "=Null", "3", "/*FILTER*/ ( `amount` IS NULL)"},
        {"amount", "<>Null", "1,2,4,5,6", "/*FILTER*/ ( `amount` IS NOT NULL)"},
        {"amount", "< 1 OR >= 7", "5,6", "/*FILTER*/ (( `amount` < :STFilterValueGx1 OR `amount` >= :STFilterValueGx2))"},
        {"id", "In (1,3)", "1,3", "/*FILTER*/ ( `id` IN (:STFilterValueGx1,:STFilterValueGx2))"},
        {"id", "!In (1,3)", "2,4,5,6", "/*FILTER*/ ( `id` NOT IN (:STFilterValueGx1,:STFilterValueGx2))"},
        {"id", "> 1 AND <= 3", "2,3", "/*FILTER*/ ( `id` > :STFilterValueGx1 AND `id` <= :STFilterValueGx2)"},
        {"id", "= 2 AND", "2", "/*FILTER*/ ( `id` = :STFilterValueGx1)"},
        {"name", "~ 'a%'", "1", "/*FILTER*/ ( `name` LIKE :STFilterValueGx1)"},
        {"name", "!~ '%a%'", "5", "/*FILTER*/ ( `name` NOT LIKE :STFilterValueGx1)"},
        {"name", "<> beta", "1,3,5,6", "/*FILTER*/ ( `name` <> :STFilterValueGx1)"},
        // Attempts to break out of the literal match only the row that holds their text.
        {"name", "~ x'or'1'='1", "5", "/*FILTER*/ ( `name` LIKE :STFilterValueGx1)"},
        {"name", "= x' OR id>0 OR 'a'='", "", nullptr},
        {"name", "= back\\slash", "6", "/*FILTER*/ ( `name` = :STFilterValueGx1)"},
        {"stamp", "> 09.06.2008", "3,5,6", "/*FILTER*/ ( `stamp` > :STFilterValueGx1)"},
        {"stamp", ">= 10.06.2008 8:00:00 AND < 01.07.2008", "5", nullptr},
        {"stamp", "", "1,2,3,4,5,6", "/*FILTER*/ (1=1)"},
    };
    for (auto& ds : datasets(filteredSelect)) {
        SCOPED_TRACE(ds->ClassName().str());
        ds->Open();
        TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(ds.get());
        ASSERT_NE(features, nullptr);
        for (const ServerCase& c : cases) {
            SCOPED_TRACE(std::string(c.field) + " " + c.text);
            FakeGrid grid(ds.get());
            grid.AddColumn("id");
            grid.AddColumn(c.field, c.text);
            features->ApplyFilter(&grid, ds.get(), true);
            ASSERT_TRUE(ds->Active());
            EXPECT_EQ(gxtest::Column(*ds, "id"), c.ids);
            if (c.marker) {
                EXPECT_EQ(lineOf(ds.get(), 2), c.marker);
            }
            EXPECT_EQ(lineOf(ds.get(), 3), "ORDER BY id");
        }
    }
}

// Where a dataset does not list its parameters the condition is SQL text: values quoted with their
// quotes and backslashes doubled, dates as the server reads them.
TEST_F(SQLRewritingTest, WithoutParametersTheValuesAreEscapedText) {
    const ServerCase cases[] = {
        {"name", "~ x'or'1'='1", "5", "/*FILTER*/ ( `name` LIKE 'x''or''1''=''1')"},
        {"name", "= back\\slash", "6", "/*FILTER*/ ( `name` = 'back\\\\slash')"},
        {"name", "= back\\' OR 1=1 OR name=\\", "", nullptr},
        {"stamp", "> 09.06.2008", "3,5,6", "/*FILTER*/ ( `stamp` > '2008-06-09 00:00:00')"},
    };
    TSQLDataSet ds(nullptr);
    ds.SetSQLConnection(conn.get());
    ds.SetParamCheck(false);
    ds.SetCommandText(filteredSelect);
    ds.Open();
    for (const ServerCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        FakeGrid grid(&ds);
        grid.AddColumn(c.field, c.text);
        GetDatasetFeaturesForDataSet(&ds)->ApplyFilter(&grid, &ds, true);
        EXPECT_EQ(gxtest::Column(ds, "id"), c.ids);
        if (c.marker) {
            EXPECT_EQ(lineOf(&ds, 2), c.marker);
        }
    }
}

// A line break inside a value stays inside its literal on both roads: the statement keeps its lines,
// the value matches only the row that holds it, and clearing the filter gives back the first text.
TEST_F(SQLRewritingTest, LineBreaksInAValueKeepTheStatementsLines) {
    conn->ExecuteDirect("INSERT INTO gx_rows VALUES (7,'two\\nlines',NULL,NULL),(8,'cr\\rhere',NULL,NULL)");
    const char* const select = "SELECT id, name, amount, stamp FROM gx_rows\nWHERE\n/*FILTER*/ (1=1)\nAND id > 0\nORDER BY id";
    const struct {
        const char* text;
        const char* ids;
    } cases[] = {
        {"~ 'x\nOR 1=1 #'", ""},
        {"= 'x\r\nOR 1=1 #'", ""},
        {"= 'x\rOR 1=1 #'", ""},
        {"= 'two\nlines'", "7"},
        {"In ('cr\rhere','none')", "8"},
    };
    for (auto& ds : bothRoads(select)) {
        SCOPED_TRACE(ds->ClassName().str());
        ds->Open();
        TStringList original;
        original.SetText(textOf(ds.get()));
        TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(ds.get());
        ASSERT_NE(features, nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            FakeGrid grid(ds.get());
            const int col = grid.AddColumn("name", c.text);
            features->ApplyFilter(&grid, ds.get(), true);
            EXPECT_EQ(gxtest::Column(*ds, "id"), c.ids);
            EXPECT_EQ(lineOf(ds.get(), 3), "AND id > 0");
            EXPECT_EQ(lineOf(ds.get(), 4), "ORDER BY id");
            EXPECT_EQ(lineOf(ds.get(), 5), "<none>");
            grid.SetFilterText(col, "");
            features->ApplyFilter(&grid, ds.get(), true);
            EXPECT_EQ(textOf(ds.get()).str(), original.Text().str());
            EXPECT_EQ(gxtest::Column(*ds, "id"), "1,2,3,4,5,6,7,8");
        }
    }
}

// A Boolean column compares with a Boolean on both roads, not with the text of the word (which the
// server would read as 0 and so match the false rows).
TEST_F(SQLRewritingTest, ABooleanFilterComparesAsABoolean) {
    conn->ExecuteDirect("CREATE TABLE gx_flags (id INT PRIMARY KEY, flag BIT(1) NULL)");
    conn->ExecuteDirect("INSERT INTO gx_flags VALUES (1,1),(2,0),(3,1),(4,NULL)");
    const char* const select = "SELECT id, flag FROM gx_flags\nWHERE\n/*FILTER*/ (1=1)\nORDER BY id";
    const struct {
        const char* text;
        const char* ids;
    } cases[] = {{"= True", "1,3"}, {"false", "2"}, {"<> Yes", "2"}, {"In (True,False)", "1,2,3"}, {"=Null", "4"}};
    for (auto& ds : bothRoads(select)) {
        SCOPED_TRACE(ds->ClassName().str());
        ds->Open();
        ASSERT_EQ(ds->FieldByName("flag")->DataType(), ftBoolean);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            FakeGrid grid(ds.get());
            grid.AddColumn("flag", c.text);
            GetDatasetFeaturesForDataSet(ds.get())->ApplyFilter(&grid, ds.get(), true);
            EXPECT_EQ(gxtest::Column(*ds, "id"), c.ids);
        }
    }
}

struct SharedCase {
    const char* field;
    const char* text;
    const char* serverIds;
    const char* localIds;  // where the dataset's own comparison differs from the server's collation
};

// The server's collation ignores case and trailing blanks and takes 'ё' for 'е'; the dataset's own
// filter, case-insensitive, ignores case only. Both roads give the same rows wherever neither of
// the other two matters.
TEST_F(SQLRewritingTest, ServerAndLocalFiltersAgreeOnTheRowsTheyShare) {
    conn->ExecuteDirect("INSERT INTO gx_rows VALUES (7,'ёлка',2,NULL),(8,'trail  ',NULL,NULL)");
    const SharedCase cases[] = {
        {"name", "~ 'a%'", "1", nullptr},
        {"name", "~ '%A%'", "1,2,3,6,8", nullptr},
        {"name", "= ALPHA", "1", nullptr},
        {"name", "In (BETA,gamma)", "2,3", nullptr},
        {"name", "!~ '%a%'", "5,7", nullptr},
        {"name", "=Null", "4", nullptr},
        {"amount", "> 2", "2,4,6", nullptr},
        {"amount", "< 1 OR >= 7", "5,6", nullptr},
        {"amount", "2", "7", nullptr},
        {"stamp", ">= 10.06.2008", "3,5,6", nullptr},
        {"id", "!In (1,3) AND < 8", "2,4,5,6,7", nullptr},
        {"name", "= елка", "7", ""},
        {"name", "= trail", "8", ""},
    };
    TSQLClientDataSet ds(nullptr);
    ds.SetDBConnection(conn.get());
    ds.SetCommandText(filteredSelect);
    ds.SetFilterOptions(foCaseInsensitive);
    ds.Open();
    auto* features = dynamic_cast<TSQLDatasetFeaturesGx*>(GetDatasetFeaturesForDataSet(&ds));
    ASSERT_NE(features, nullptr);
    features->LocalFilterUsesLike = true;
    for (const SharedCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        FakeGrid grid(&ds);
        grid.AddColumn("id");
        const int col = grid.AddColumn(c.field, c.text);
        features->ApplyFilter(&grid, &ds, true);
        EXPECT_EQ(gxtest::Column(ds, "id"), c.serverIds);

        grid.SetFilterText(col, "");
        features->ApplyFilter(&grid, &ds, true);
        ASSERT_EQ(gxtest::Column(ds, "id"), "1,2,3,4,5,6,7,8");
        grid.SetFilterText(col, c.text);
        grid.local = true;
        features->ApplyFilter(&grid, &ds, true);
        EXPECT_EQ(gxtest::Column(ds, "id"), c.localIds ? c.localIds : c.serverIds) << ds.Filter().str();
        ds.SetFiltered(false);
    }
    features->LocalFilterUsesLike = false;
}

TEST_F(SQLRewritingTest, AServerErrorLeavesTheDataSetClosedWithItsControlsEnabled) {
    TSQLQuery query(nullptr);
    query.SetSQLConnection(conn.get());
    query.SQL()->SetText(filteredSelect);
    query.Open();
    FakeGrid grid(&query);
    grid.AddColumn("id", "= 1", "no_such_column");
    EXPECT_THROW(GetDatasetFeaturesForDataSet(&query)->ApplyFilter(&grid, &query, true), Exception);
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.ControlsDisabled());
    EXPECT_EQ(lineOf(&query, 2), "/*FILTER*/ ( `no_such_column` = :STFilterValueGx1)");
}

TEST_F(SQLRewritingTest, AFilterNeedsAMarkerLineAndAnSQLText) {
    TSQLQuery query(nullptr);
    query.SetSQLConnection(conn.get());
    query.SQL()->SetText("SELECT id FROM gx_rows\nWHERE id > 2\nORDER BY id");
    query.Open();
    FakeGrid grid(&query);
    grid.AddColumn("id", "= 1");
    GetDatasetFeaturesForDataSet(&query)->ApplyFilter(&grid, &query, true);
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(gxtest::Column(query, "id"), "3,4,5,6") << "without a marker nothing changes";

    TClientDataSet local(nullptr);
    local.FieldDefs()->Add("id", ftInteger);
    local.CreateDataSet();
    FakeGrid localGrid(&local);
    localGrid.AddColumn("id", "= 1");
    TSQLDatasetFeaturesGx features;
    try {
        features.ApplyFilter(&localGrid, &local, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().str(), "TClientDataSet is not SQL based dataset");
    }
    try {
        features.ApplySorting(&localGrid, &local, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().str(), "TClientDataSet is not SQL based dataset");
    }
}

struct SortCase {
    bool byName;
    std::vector<FakeGrid::Sort> sorts;
    const char* ids;
    const char* orderLine;
};

TEST_F(SQLRewritingTest, SortMarkedColumnsRewriteTheOrderByLine) {
    const SortCase cases[] = {
        {false, {{"amount", true}}, "6,4,2,1,5,3", "ORDER BY 3 DESC"},
        {false, {{"name"}, {"id", true}}, "4,1,6,2,3,5", "ORDER BY 2, 1 DESC"},
        // A gap, and a column that shows no field of the dataset, have no number.
        {false, {{"amount", false, false}, {"amount", false, true, true}, {"id", true}}, "6,5,4,3,2,1", "ORDER BY 1 DESC"},
        {true, {{"name", true}, {"id"}}, "5,3,2,6,1,4", "ORDER BY `name` DESC, `id`"},
        {true, {}, "1,2,3,4,5,6", ""},
    };
    for (auto& ds : datasets("SELECT id, name, amount FROM gx_rows\nORDER BY id")) {
        SCOPED_TRACE(ds->ClassName().str());
        ds->Open();
        auto* features = dynamic_cast<TSQLDatasetFeaturesGx*>(GetDatasetFeaturesForDataSet(ds.get()));
        ASSERT_NE(features, nullptr);
        for (const SortCase& c : cases) {
            SCOPED_TRACE(c.orderLine);
            FakeGrid grid(ds.get());
            grid.sorts = c.sorts;
            features->SortByFieldNames = c.byName;
            features->ApplySorting(&grid, ds.get(), true);
            EXPECT_EQ(gxtest::Column(*ds, "id"), c.ids);
            EXPECT_EQ(lineOf(ds.get(), 1), c.orderLine);
        }
        features->SortByFieldNames = false;
    }
}

TEST_F(SQLRewritingTest, ATextWithoutOrderByGetsTheLineAndLocalSortingIsRefused) {
    TSQLQuery query(nullptr);
    query.SetName("Journal");
    query.SetSQLConnection(conn.get());
    query.SQL()->SetText("SELECT id FROM gx_rows");
    query.Open();
    FakeGrid grid(&query);
    grid.sorts = {{"id", true}};
    TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(&query);
    features->ApplySorting(&grid, &query, false);
    EXPECT_FALSE(query.Active()) << "not reopened";
    EXPECT_EQ(query.SQL()->Text().str(), "SELECT id FROM gx_rows\r\nORDER BY 1 DESC\r\n");
    query.Open();
    EXPECT_EQ(gxtest::Column(query, "id"), "6,5,4,3,2,1");

    grid.sortLocal = true;
    try {
        features->ApplySorting(&grid, &query, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().str(), "TSQLDatasetFeaturesGx can not sort data in dataset \"Journal\" in local mode");
    }
    EXPECT_TRUE(query.Active());

    TObject notAGrid;
    features->ApplySorting(&notAGrid, &query, true);
    features->ApplyFilter(&notAGrid, &query, true);
    EXPECT_EQ(query.SQL()->Text().str(), "SELECT id FROM gx_rows\r\nORDER BY 1 DESC\r\n");
}

}  // namespace
