// The aggregate engine over client datasets: full and incremental recounts, filters, virtual record
// numbers, fields the dataset lacks, several producers on one dataset, and a sum over the private
// database equal to the server's.
#include "GridTestSupport.h"

#include "testlib/DbFixture.h"

#include <cmath>

namespace {

// Values 1.25, Null, 2.5 in a float field "V", and a text field.
void FillValues(TClientDataSet& ds, const std::vector<Variant>& values) {
    ds.FieldDefs()->Add("ID", ftInteger, 0, true);
    ds.FieldDefs()->Add("V", ftFloat);
    ds.CreateDataSet();
    int id = 0;
    for (const Variant& v : values) ds.AppendRecord({Variant(++id), v});
    ds.MergeChangeLog();
    ds.First();
}

double Total(TDBSum* s) { return s->SumTotal.ToDouble(); }

// A dataset that cannot number its records.
class UnsequencedDataSet : public TClientDataSet {
public:
    using TClientDataSet::TClientDataSet;
    bool IsSequenced() const override { return false; }
};

class SumListTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        list = std::make_unique<TDBSumList>(nullptr);
        sum = add(goSum, "V");
        avg = add(goAvg, "V");
        countV = add(goCount, "V");
        count = add(goCount, "");
        list->SetOnRecalcAll(TNotifyEvent([this](TObject*) { ++scans; }));
    }
    void TearDown() override {
        list.reset();
        cds.Close();
    }
    TDBSum* add(TGroupOperation op, const char* field) {
        TDBSum* s = list->SumCollection()->Add();
        s->SetGroupOperation(op);
        s->SetFieldName(field);
        return s;
    }
    void Start(const std::vector<Variant>& values = {Variant(1.25), Null(), Variant(2.5)}) {
        FillValues(cds, values);
        list->SetDataSet(&cds);
        scans = 0;
    }
    datatest::RussianLocale locale;
    TClientDataSet cds{nullptr};
    std::unique_ptr<TDBSumList> list;
    TDBSum *sum = nullptr, *avg = nullptr, *countV = nullptr, *count = nullptr;
    int scans = 0;
};

TEST_F(SumListTest, AFullRecountGivesSumsAveragesAndCounts) {
    Start();
    EXPECT_DOUBLE_EQ(Total(sum), 3.75);
    EXPECT_DOUBLE_EQ(Total(avg), 1.875) << "Null is no value of the average";
    EXPECT_DOUBLE_EQ(Total(countV), 2);
    EXPECT_DOUBLE_EQ(Total(count), 3);
    EXPECT_EQ(cds.RecNo(), 1) << "a recount leaves the dataset on its first record";
    EXPECT_FALSE(cds.ControlsDisabled());

    // Counted by the owner alone.
    list->SetOnRecalcAll(TNotifyEvent([this](TObject*) { sum->SumTotal = Currency(42); }));
    list->SetExternalRecalc(true);
    EXPECT_DOUBLE_EQ(Total(sum), 42);
    EXPECT_DOUBLE_EQ(Total(count), 0);

    // Closing clears the totals.
    cds.Close();
    EXPECT_DOUBLE_EQ(Total(sum), 0);
}

TEST_F(SumListTest, EditsInsertsAndDeletesCorrectTheTotalsWithoutAScan) {
    Start();
    struct Step {
        const char* name;
        std::function<void()> run;
        double sum, avg, countV, count;
    } steps[] = {
        {"edit 1.25 to 2",
         [&] {
             cds.First();
             cds.Edit();
             cds.FieldByName("V")->SetAsFloat(2);
             cds.Post();
         },
         4.5, 2.25, 2, 3},
        {"edit 2 to Null",
         [&] {
             cds.First();
             cds.Edit();
             cds.FieldByName("V")->Clear();
             cds.Post();
         },
         2.5, 2.5, 1, 3},
        {"insert 0.5",
         [&] {
             cds.Append();
             cds.FieldByName("ID")->SetAsInteger(4);
             cds.FieldByName("V")->SetAsFloat(0.5);
             cds.Post();
         },
         3.0, 1.5, 2, 4},
        {"insert cancelled",
         [&] {
             cds.Append();
             cds.FieldByName("ID")->SetAsInteger(5);
             cds.FieldByName("V")->SetAsFloat(100);
             cds.Cancel();
         },
         3.0, 1.5, 2, 4},
        {"delete 2.5",
         [&] {
             cds.Locate("ID", Variant(3));
             cds.Delete();
         },
         0.5, 0.5, 1, 3},
        {"delete the last value of the average",
         [&] {
             cds.Locate("ID", Variant(4));
             cds.Delete();
         },
         0, 0, 0, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.run();
        EXPECT_DOUBLE_EQ(Total(sum), s.sum);
        EXPECT_DOUBLE_EQ(Total(avg), s.avg);
        EXPECT_DOUBLE_EQ(Total(countV), s.countV);
        EXPECT_DOUBLE_EQ(Total(count), s.count);
    }
    EXPECT_EQ(scans, 0) << "no step scanned the dataset";
}

TEST_F(SumListTest, AFilterChangeShowsAtTheNextMove) {
    Start({Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0)});
    cds.SetFilter("V > 2");
    cds.SetFiltered(true);
    cds.First();
    EXPECT_DOUBLE_EQ(Total(sum), 7) << "the move after the filter counted again";
    const int after = scans;
    cds.Next();
    EXPECT_EQ(scans, after) << "an unchanged filter does not count again";
    cds.SetFilter("V > 3");
    cds.First();
    EXPECT_DOUBLE_EQ(Total(sum), 4);
    cds.SetFiltered(false);
    cds.First();
    EXPECT_DOUBLE_EQ(Total(sum), 10);
}

TEST_F(SumListTest, AFieldTheDatasetLacksTakesNoPart) {
    TDBSum* missingSum = add(goSum, "Nope");
    TDBSum* missingCount = add(goCount, "Nope");
    Start();
    EXPECT_DOUBLE_EQ(Total(missingSum), 0);
    EXPECT_DOUBLE_EQ(Total(missingCount), 0);
    EXPECT_DOUBLE_EQ(Total(sum), 3.75);
    // The dataset's own work goes on.
    cds.First();
    EXPECT_NO_THROW(cds.Delete());
    cds.Edit();
    cds.FieldByName("V")->SetAsFloat(1);
    EXPECT_NO_THROW(cds.Post());
    EXPECT_DOUBLE_EQ(Total(sum), 3.5);
}

TEST_F(SumListTest, AFailingScanEnablesTheControlsAgain) {
    Start();
    bool fail = true;
    cds.AfterScroll = TDataSetNotifyEvent([&](TDataSet*) {
        if (fail) throw EDatabaseError("read failed");
    });
    int changed = 0;
    list->SetSumListChanged(TNotifyEvent([&](TObject*) { ++changed; }));
    EXPECT_THROW(list->RecalcAll(), EDatabaseError);
    EXPECT_FALSE(cds.ControlsDisabled());
    EXPECT_GT(changed, 0);
    fail = false;
    list->RecalcAll();
    EXPECT_DOUBLE_EQ(Total(sum), 3.75);
}

TEST_F(SumListTest, VirtualRecordsNumberADatasetThatCannot) {
    UnsequencedDataSet ds(nullptr);
    FillValues(ds, {Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0)});
    list->SetDataSet(&ds);
    TDBSumListProducer* p = list->Producer();
    EXPECT_FALSE(p->IsSequenced());
    list->SetVirtualRecords(true);
    EXPECT_TRUE(p->IsSequenced());
    EXPECT_EQ(p->RecordCount(), 4);
    ds.SetRecNo(3);
    const TBookmark third = ds.Bookmark();
    EXPECT_EQ(p->GetRecNo(), 3);
    ds.First();
    p->SetRecNo(3);
    EXPECT_EQ(ds.Bookmark(), third);

    // Inserted and deleted records keep the numbers in order.
    ds.Last();
    ds.Append();
    ds.FieldByName("ID")->SetAsInteger(5);
    ds.Post();
    EXPECT_EQ(p->RecordCount(), 5);
    EXPECT_EQ(p->GetRecNo(), 5);
    p->SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(p->RecordCount(), 4);
    ds.GotoBookmark(third);
    EXPECT_EQ(p->GetRecNo(), 2);
    list.reset();
}

TEST(SumListProducers, SeveralFollowOneDatasetAndLeaveInAnyOrder) {
    guitest::EnsureApp();
    datatest::RussianLocale locale;
    for (bool gridsFirst : {true, false}) {
        SCOPED_TRACE(gridsFirst ? "first grid first" : "second grid first");
        TClientDataSet cds(nullptr);
        FillValues(cds, {Variant(1.0), Variant(2.0)});
        int appPosts = 0;
        cds.AfterPost = TDataSetNotifyEvent([&](TDataSet*) { ++appPosts; });
        TDataSource source(nullptr);
        source.SetDataSet(&cds);
        auto a = std::make_unique<TDBGridGx>(nullptr);
        auto b = std::make_unique<TDBGridGx>(nullptr);
        for (TDBGridGx* g : {a.get(), b.get()}) {
            g->SetDataSource(&source);
            g->SetFooterRowCount(1);
            g->Columns()->Items(1)->Footer()->SetValueType(fvtSum);
            g->SumList()->SetActive(true);
        }
        TDBSum* sumB = b->SumList()->SumCollection()->GetSumByOpAndFName(goSum, "V");
        ASSERT_NE(sumB, nullptr);
        EXPECT_DOUBLE_EQ(Total(sumB), 3);
        if (gridsFirst) a.reset();
        else b.reset();
        cds.Edit();
        cds.FieldByName("V")->SetAsFloat(5);
        cds.Post();
        EXPECT_EQ(appPosts, 1) << "the application's handler stays in place";
        TDBGridGx* left = a ? a.get() : b.get();
        EXPECT_EQ(left->GetFooterValue(0, left->Columns()->Items(1)), "7");
        a.reset();
        b.reset();
        cds.Edit();
        cds.Post();
        EXPECT_EQ(appPosts, 2);
    }
}

TEST(SumListProducers, ADatasetFreedFirstIsLetGo) {
    guitest::EnsureApp();
    auto list = std::make_unique<TDBSumList>(nullptr);
    list->SumCollection()->Add()->SetFieldName("V");
    {
        TClientDataSet cds(nullptr);
        FillValues(cds, {Variant(1.0)});
        list->SetDataSet(&cds);
        EXPECT_DOUBLE_EQ(Total(list->SumCollection()->Items(0)), 1);
    }
    EXPECT_EQ(list->DataSet(), nullptr);
    list.reset();  // nothing reaches the freed dataset (the suite runs under the address sanitizer)
}

class SumListDatabaseTest : public DbTest {};

TEST_F(SumListDatabaseTest, ASumOverAQueryEqualsTheServersSum) {
    guitest::EnsureApp();
    // Values with at most four decimals: both sums are exact.
    std::string values;
    for (int i = 1; i <= 300; ++i) {
        const double v = (i % 7 == 0 ? -1 : 1) * (i * 13.0 + (i % 10000) * 0.0001 + 0.25);
        char buf[80];
        std::snprintf(buf, sizeof buf, "%s(1, 'S', %d, %.4f)", i > 1 ? "," : "", i, v);
        values += buf;
    }
    db->Exec("insert into kalibr values " + values);
    TSQLQuery q(nullptr);
    q.SetSQLConnection(conn.get());
    q.SQL()->SetText("select FVal from kalibr");
    TDBSumList list(nullptr);
    TDBSum* s = list.SumCollection()->Add();
    s->SetFieldName("FVal");
    TDBSum* n = list.SumCollection()->Add();
    n->SetGroupOperation(goCount);
    list.SetDataSet(&q);
    q.Open();
    EXPECT_DOUBLE_EQ(n->SumTotal.ToDouble(), 300);

    TSQLQuery server(nullptr);
    server.SetSQLConnection(conn.get());
    server.SQL()->SetText("select cast(sum(cast(FVal as decimal(20,4))) as char) from kalibr");
    server.Open();
    const AnsiString serverSum = server.Fields()->Fields(0)->AsString();
    EXPECT_EQ(s->SumTotal, StrToCurr(serverSum, TFormatSettings::Invariant())) << serverSum.str();
    q.Close();
}

}  // namespace
