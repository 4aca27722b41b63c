// Aggregate fields of a client dataset: the five operations, their result types, and the value kept
// up to date as records change, while the aggregates are active.
#include "data/DBClient.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class AggregateFieldTest : public ::testing::Test {
protected:
    TComponent owner{nullptr};
    TClientDataSet* ds = new TClientDataSet(&owner);

    void SetUp() override {
        ds->FieldDefs()->Add("Name", ftString, 20);
        ds->FieldDefs()->Add("Qty", ftInteger);
        ds->FieldDefs()->Add("Price", ftFloat);
    }
    TAggregateField* agg(const char* name, const char* expression) {
        auto* a = new TAggregateField(&owner);
        a->SetFieldName(name);
        a->SetExpression(expression);
        a->SetDataSet(ds);
        return a;
    }
    void open(bool active = true) {
        ds->CreateDataSet();
        ds->SetAggregatesActive(active);
        ds->AppendRecord({Variant("a"), Variant(2), Variant(1.5)});
        ds->AppendRecord({Variant("b"), Variant(5), Variant::Null()});
        ds->AppendRecord({Variant("c"), Variant(3), Variant(2.25)});
    }
};

TEST_F(AggregateFieldTest, TheFiveOperationsAndTheirTypes) {
    struct Case {
        const char* expression;
        Variant value;
        TFieldType type;
    } cases[] = {
        {"SUM(Qty)", Variant(10LL), ftLargeint},
        {"sum( Price )", Variant(3.75), ftFloat},  // any case, blanks inside, nulls left out
        {"AVG(Price)", Variant(1.875), ftFloat},
        {"AVG(Qty)", Variant(10.0 / 3), ftFloat},
        {"COUNT(Price)", Variant(2), ftInteger},
        {"COUNT(*)", Variant(3), ftInteger},
        {"MIN(Qty)", Variant(2), ftInteger},
        {"MAX(Name)", Variant("c"), ftString},
    };
    int n = 0;
    for (const Case& c : cases) agg(("A" + std::to_string(n++)).c_str(), c.expression);
    open();
    n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        auto* a = static_cast<TAggregateField*>(ds->FieldByName("A" + std::to_string(n++)));
        EXPECT_TRUE(a->Value() == c.value) << VarToStr(a->Value());
        EXPECT_EQ(a->ResultType(), c.type);
        EXPECT_FALSE(a->IsNull());
    }
    // They are not fields of the records.
    EXPECT_EQ(ds->FieldCount(), 3);
    EXPECT_EQ(ds->AggFields()->Count(), 8);
    EXPECT_THROW(agg("Bad", "MEDIAN(Qty)"), EDatabaseError);
}

TEST_F(AggregateFieldTest, TheValueFollowsTheRecordsWhileActive) {
    TAggregateField* sum = agg("Total", "SUM(Qty)");
    TAggregateField* count = agg("Rows", "COUNT(*)");
    TAggregateField* min = agg("Least", "MIN(Price)");
    open(false);
    EXPECT_TRUE(sum->IsNull()) << "nothing is kept while the aggregates are off";
    EXPECT_EQ(sum->ResultType(), ftUnknown);
    ds->SetAggregatesActive(true);
    EXPECT_EQ(sum->AsInteger(), 10);
    ds->First();
    ds->Edit();
    ds->FieldByName("Qty")->SetAsInteger(12);
    EXPECT_EQ(sum->AsInteger(), 10) << "an edit counts once it is posted";
    ds->Post();
    EXPECT_EQ(sum->AsInteger(), 20);
    ds->Last();
    ds->Delete();
    EXPECT_EQ(sum->AsInteger(), 17);
    EXPECT_EQ(count->AsInteger(), 2);
    EXPECT_DOUBLE_EQ(min->AsFloat(), 1.5);
    ds->SetFilter("Qty > 100");
    ds->SetFiltered(true);
    EXPECT_TRUE(sum->IsNull()) << "over the records the view shows: none";
    EXPECT_EQ(count->AsInteger(), 0);
    EXPECT_TRUE(min->IsNull());
    ds->SetFiltered(false);
    EXPECT_EQ(sum->AsString(), "17");
    ds->Close();
    EXPECT_TRUE(sum->IsNull());
}

TEST_F(AggregateFieldTest, TheDisplayTextFollowsTheFormatOrTheCurrencyFlag) {
    TAggregateField* total = agg("Total", "SUM(Price)");
    TAggregateField* count = agg("Rows", "COUNT(*)");
    TAggregateField* name = agg("Last", "MAX(Name)");
    open();
    struct Case {
        const char* name;
        TAggregateField* field;
        const char* format;
        bool currency;
        AnsiString expected;
    } cases[] = {
        {"no format: the value as text", total, "", false, total->AsString()},
        {"a number format", total, "0.00", false, FormatFloat("0.00", 3.75)},
        {"an integer result under a number format", count, "000", false, "003"},
        {"money without a format", total, "", true, FloatToStrF(3.75, ffCurrency, 15, FormatSettings().CurrencyDecimals)},
        {"the format before the money", total, "0.0", true, FormatFloat("0.0", 3.75)},
        {"a text result is left alone", name, "0.00", false, "c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.field->SetDisplayFormat(c.format);
        c.field->SetCurrency(c.currency);
        EXPECT_EQ(c.field->DisplayText(), c.expected);
        EXPECT_EQ(c.field->Text(), c.field->AsString()) << "the edit text is the plain value";
    }
    ds->Close();
    EXPECT_EQ(total->DisplayText(), "") << "closed: Null shows nothing";
}

}  // namespace
