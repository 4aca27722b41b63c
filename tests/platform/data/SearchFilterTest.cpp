// Locate and Lookup, filter expressions and OnFilterRecord, index order.
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

using namespace datatest;

namespace {

class SearchFilterTest : public ::testing::Test {
protected:
    RussianLocale locale;
    TComponent owner{nullptr};
    TClientDataSet* ds = new TClientDataSet(&owner);

    // The calibration table of the settings dialog, with a text that ends in a blank.
    void SetUp() override {
        ds->FieldDefs()->Add("PultIndex", ftSmallint);
        ds->FieldDefs()->Add("SignalName", ftString, 20);
        ds->FieldDefs()->Add("AVal", ftFloat);
        ds->FieldDefs()->Add("Stamp", ftDateTime);
        ds->CreateDataSet();
        struct Row {
            int pult;
            const char* name;
            double aval;
            bool nullVal;
        } rows[] = {
            {1, "TPST_1", 1.5, false}, {2, "TS_3 ", 2, false}, {2, "TS_3", 3.25, false},
            {1, "tpst_2", 0, true},    {2, "TIN", -4, false},
        };
        int day = 10;
        for (const auto& r : rows)
            ds->AppendRecord({Variant(static_cast<short>(r.pult)), Variant(r.name), r.nullVal ? Null() : Variant(r.aval),
                              VarFromDateTime(EncodeDateTime(2010, 3, day++, 7, 0, 0, 0))});
        ds->MergeChangeLog();
    }

    std::string names() {
        std::string out;
        for (ds->First(); !ds->Eof(); ds->Next()) out += ds->FieldByName("SignalName")->AsString().str() + "|";
        return out;
    }
};

TEST_F(SearchFilterTest, LocateOptions) {
    struct Case {
        const char* fields;
        Variant key;
        TLocateOptions options;
        const char* found;  // SignalName of the found record, nullptr when none
    } cases[] = {
        {"SignalName", Variant("TS_3"), 0, "TS_3"},
        {"SignalName", Variant("TS_3 "), 0, "TS_3 "},
        {"SignalName", Variant("ts_3"), 0, nullptr},
        {"SignalName", Variant("ts_3"), loCaseInsensitive, "TS_3"},
        {"SignalName", Variant("TS"), 0, nullptr},
        {"SignalName", Variant("TS"), loPartialKey, "TS_3 "},
        {"SignalName", Variant("tp"), loPartialKey, "tpst_2"},
        {"SignalName", Variant("tp"), loPartialKey | loCaseInsensitive, "TPST_1"},
        {"AVal", Variant(3.25), 0, "TS_3"},
        {"AVal", Variant("3,25"), 0, "TS_3"},
        {"AVal", Variant("abc"), 0, nullptr},
        {"AVal", Null(), 0, "tpst_2"},
        {"PultIndex;AVal", VarArrayOf({Variant(2), Variant(-4)}), 0, "TIN"},
        {"PultIndex;SignalName", VarArrayOf({Variant(1), Variant("TS_3")}), 0, nullptr},
        {"Stamp", VarFromDateTime(EncodeDateTime(2010, 3, 12, 7, 0, 0, 0)), 0, "TS_3"},
    };
    for (const auto& c : cases) {
        ds->SetRecNo(4);
        bool ok = ds->Locate(c.fields, c.key, c.options);
        EXPECT_EQ(ok, c.found != nullptr) << c.fields << " " << VarToStr(c.key.IsArray() ? Null() : c.key);
        if (c.found) EXPECT_EQ(ds->FieldByName("SignalName")->AsString(), c.found) << c.fields;
        else EXPECT_EQ(ds->RecNo(), 4) << "a failed search leaves the cursor";
    }
    EXPECT_THROW(ds->Locate("Nope", Variant(1)), EDatabaseError);
}

TEST_F(SearchFilterTest, LookupDoesNotMove) {
    ds->SetRecNo(2);
    EXPECT_EQ(ds->Lookup("SignalName", Variant("TIN"), "AVal").AsDouble(), -4);
    Variant both = ds->Lookup("PultIndex;SignalName", VarArrayOf({Variant(1), Variant("TPST_1")}), "AVal;Stamp");
    ASSERT_TRUE(VarIsArray(both));
    EXPECT_DOUBLE_EQ(both.GetElement(0).AsDouble(), 1.5);
    EXPECT_DOUBLE_EQ(both.GetElement(1).AsDateTime(), EncodeDateTime(2010, 3, 10, 7, 0, 0, 0));
    EXPECT_TRUE(VarIsNull(ds->Lookup("SignalName", Variant("none"), "AVal")));
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->FieldByName("SignalName")->AsString(), "TS_3 ");
}

TEST_F(SearchFilterTest, FilterExpressions) {
    struct Case {
        const char* filter;
        TFilterOptions options;
        const char* names;
    } cases[] = {
        {"PultIndex=2 and SignalName='TS_3 '", 0, "TS_3 |"},
        {"PultIndex=2 and SignalName='TS_3'", 0, "TS_3|"},
        {"PultIndex = 1", 0, "TPST_1|tpst_2|"},
        {"[AVal] > 1,5", 0, "TS_3 |TS_3|"},
        {"AVal >= 1.5", 0, "TPST_1|TS_3 |TS_3|"},
        {"AVal < 0 or AVal is null", 0, "tpst_2|TIN|"},
        {"[AVal] IS NOT NULL and not (PultIndex = 2)", 0, "TPST_1|"},
        {"AVal <> 2", 0, "TPST_1|TS_3|TIN|"},  // Null is neither equal nor unequal
        {"SignalName = 'T*'", 0, "TPST_1|TS_3 |TS_3|TIN|"},
        {"SignalName = 'T*'", foNoPartialCompare, ""},
        {"SignalName = 't*'", foCaseInsensitive, "TPST_1|TS_3 |TS_3|tpst_2|TIN|"},
        {"SignalName like 'TS%'", 0, "TS_3 |TS_3|"},
        {"SignalName like 'ts\\_3'", foCaseInsensitive, ""},
        {"SignalName like 'ts_3'", foCaseInsensitive, "TS_3|"},
        {"SignalName not like '%_1'", 0, "TS_3 |TS_3|tpst_2|TIN|"},
        {"SignalName in ('TIN', 'TS_3')", 0, "TS_3|TIN|"},
        {"PultIndex not in (2)", 0, "TPST_1|tpst_2|"},
        {"Stamp >= '12.03.2010' and Stamp < '2010-03-14'", 0, "TS_3|tpst_2|"},
        {"(PultIndex = 1 or PultIndex = 2) and AVal = NULL", 0, "tpst_2|"},
        {"AVal <> NULL", 0, "TPST_1|TS_3 |TS_3|TIN|"},
        {"SignalName = 'it''s'", 0, ""},
        {"   ", 0, "TPST_1|TS_3 |TS_3|tpst_2|TIN|"},
    };
    for (const auto& c : cases) {
        ds->SetFilterOptions(c.options);
        ds->SetFilter(c.filter);
        ds->SetFiltered(true);
        EXPECT_EQ(names(), c.names) << c.filter;
        ds->SetFiltered(false);
    }
    ds->SetFilterOptions(0);

    const char* bad[] = {"PultIndex =", "PultIndex = 'a", "Nope = 1", "(PultIndex = 1", "PultIndex 1",
                         "SignalName in 'a'", "PultIndex = 1 xor PultIndex = 2"};
    for (const char* f : bad) {
        ds->SetFilter(f);
        EXPECT_THROW(ds->SetFiltered(true), EDatabaseError) << f;
        EXPECT_FALSE(ds->Filtered()) << f;
    }
}

TEST_F(SearchFilterTest, FilterRecordEventAndEditsUnderAFilter) {
    ds->OnFilterRecord = [](TDataSet* d, bool& accept) {
        EXPECT_EQ(d->State(), dsFilter);
        accept = d->FieldByName("PultIndex")->AsInteger() == 2;
    };
    ds->SetFilter("AVal > 0");
    ds->SetFiltered(true);  // both must accept
    EXPECT_EQ(names(), "TS_3 |TS_3|");
    EXPECT_EQ(ds->RecordCount(), 2);

    // A record posted outside the filter leaves the view; the cursor stays in place.
    ds->First();
    ds->Edit();
    ds->FieldByName("AVal")->SetAsFloat(-1);
    ds->Post();
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->FieldByName("SignalName")->AsString(), "TS_3");
    // New records get the filter's values in BeforePost, as the calibration page does.
    ds->BeforePost = [](TDataSet* d) {
        d->FieldByName("PultIndex")->SetAsInteger(2);
        d->FieldByName("AVal")->SetAsFloat(7);
    };
    ds->Append();
    ds->FieldByName("SignalName")->SetAsString("KKP");
    ds->Post();
    EXPECT_EQ(names(), "TS_3|KKP|");
    ds->SetFiltered(false);
    EXPECT_EQ(ds->RecordCount(), 6);
}

TEST_F(SearchFilterTest, IndexOrder) {
    ds->SetIndexFieldNames("PultIndex;AVal");
    EXPECT_EQ(names(), "tpst_2|TPST_1|TIN|TS_3 |TS_3|");  // Null sorts first
    // A posted record moves to its place and the cursor goes with it.
    ds->First();
    ds->Edit();
    ds->FieldByName("AVal")->SetAsFloat(100);
    ds->Post();
    EXPECT_EQ(ds->FieldByName("SignalName")->AsString(), "tpst_2");
    EXPECT_EQ(ds->RecNo(), 2);
    ds->SetIndexFieldNames("SignalName");
    EXPECT_EQ(names(), "TIN|TPST_1|tpst_2|TS_3|TS_3 |");  // letters before case
    ds->SetIndexFieldNames("");
    EXPECT_EQ(names(), "TPST_1|TS_3 |TS_3|tpst_2|TIN|");
    EXPECT_THROW(ds->SetIndexFieldNames("Nope"), EDatabaseError);
    EXPECT_EQ(ds->IndexFieldNames(), "");
}

}  // namespace
