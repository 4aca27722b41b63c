// The number editor in the Russian locale (decimal comma, the no-break space between thousands):
// text normalisation and grouping, bounds and half-even rounding, typing with regrouping and the
// caret, stepping, the calculator drop-down, paste rollback, and a DECIMAL(10,2) column of the
// real database.
#include "gridlib/editors/DBCtrlsGxNumber.h"

#include "EditorOnForm.h"

#include "gui/Clipbrd.h"
#include "testlib/DataTestSupport.h"
#include "testlib/DbFixture.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

const AnsiString nb = "\xC2\xA0";  // the thousand separator

// A text with '_' standing for the thousand separator.
AnsiString t(const char* s) { return StringReplace(s, "_", nb); }

struct NumberFixture : editortest::EditorOnForm<TDBNumberEditGx> {
    datatest::RussianLocale locale;

    NumberFixture() : EditorOnForm(300, 250, 180) {}
    void focus() {
        edit->SetFocus();
        guitest::Pump();
        ASSERT_TRUE(edit->Focused());
    }
    void leave() {
        other->SetFocus();
        guitest::Pump();
    }
    double value() const { return edit->Value().AsDouble(); }
};

TEST_F(NumberFixture, TextsAreNormalisedGroupedAndReadAsNumbers) {
    struct Norm {
        const char* in;
        const char* out;
    } norms[] = {{" 1_234,5 ", "1234,5"}, {"1.5", "1,5"}, {"1,5", "1,5"}, {"-_1_000", "-1000"}};
    for (const Norm& n : norms) EXPECT_EQ(edit->TextToValText(t(n.in)), t(n.out)) << n.in;

    struct Group {
        const char* in;
        bool thousands;
        const char* out;
    } groups[] = {{"1234567", true, "1_234_567"},   {"-1234,567", true, "-1_234,567"}, {"123", true, "123"},
                  {"1234567E5", true, "1_234_567E5"}, {"+1000", true, "+1_000"},       {"1234", false, "1234"}};
    for (const Group& g : groups) EXPECT_EQ(GroupDigitsText(g.in, g.thousands), t(g.out)) << g.in;

    struct Number {
        const char* in;
        bool ok;
        double v;
    } numbers[] = {{"-", true, 0}, {"+", true, 0}, {"1,5", true, 1.5}, {"1a", false, 0}, {"", false, 0}, {"1.5", false, 0},
                   {"2E3", true, 2000}};
    for (const Number& n : numbers) {
        double v = -1;
        EXPECT_EQ(TryTextToNumber(n.in, v), n.ok) << n.in;
        if (n.ok) { EXPECT_DOUBLE_EQ(v, n.v) << n.in; }
    }

    struct Format {
        const char* display;
        const char* edit;
    } formats[] = {{"#,##0.00 kg", "#,##0.00"}, {"0.00;(0.00)", "0.00"}, {"\"x.\"0.0", "0.0"}, {"0.00E+00", "0.00"},
                   {"'#'0", "0"}};
    for (const Format& f : formats) EXPECT_EQ(DisplayFormatToEditFormat(f.display), f.edit) << f.display;
}

TEST_F(NumberFixture, BoundsAndRoundingFollowTheAssignedLimitsAndDecimals) {
    struct Case {
        double min, max, value, result;
    } cases[] = {
        {0, 100, 150, 100}, {0, 100, -5, 0},   {5, 0, 3, 5},   {5, 0, 1000, 1000}, {10, 10, 3, 3},
        {0, -5, 3, -5},     {0, -5, -10, -10}, {3, -5, 1, 1}, {0, 0, -7, -7},
    };
    for (const Case& c : cases) {
        edit->SetMinValue(c.min);
        edit->SetMaxValue(c.max);
        EXPECT_DOUBLE_EQ(edit->CheckValue(c.value), c.result) << c.min << ".." << c.max << " " << c.value;
    }
    edit->SetMinValue(0);
    edit->SetMaxValue(0);
    struct Round {
        unsigned places;
        double value, result;
    } rounds[] = {
        {2, 0.125, 0.12}, {2, 0.375, 0.38}, {2, -0.125, -0.12}, {0, 2.5, 2},   {0, 3.5, 4},
        {2, 1e17, 1e17},  {20, 1, 1},       {19, 1.5, 1.5},     {38, 0.123456, 0.123456},
    };
    for (const Round& r : rounds) {
        edit->SetDecimalPlaces(r.places);
        EXPECT_NO_THROW(EXPECT_DOUBLE_EQ(edit->CheckValue(r.value), r.result) << r.places << " " << r.value);
    }
    // The same values typed: no exception at any keystroke.
    edit->SetDecimalPlaces(2);
    focus();
    guitest::Type("100000000000000000", edit);
    EXPECT_DOUBLE_EQ(value(), 1e17);
    edit->SetDecimalPlaces(20);
    edit->SelectAll();
    guitest::Type("1,00000000000000000001", edit);
    EXPECT_DOUBLE_EQ(value(), 1);
}

TEST_F(NumberFixture, TypingRegroupsAndKeepsTheCaretAfterTheTypedDigit) {
    edit->SetDisplayFormat("#,##0");
    focus();
    guitest::Type("1234567", edit);
    EXPECT_EQ(edit->Text(), t("1_234_567"));
    EXPECT_DOUBLE_EQ(value(), 1234567);
    struct Case {
        int caret;
        const char* digit;
        const char* text;
        int caretAfter;
    } cases[] = {{0, "9", "91_234_567", 1}, {3, "0", "12_034_567", 4}, {9, "8", "12_345_678", 10}};
    for (const Case& c : cases) {
        edit->SetText(t("1_234_567"));
        edit->SetSelStart(c.caret);
        edit->SetSelLength(0);
        guitest::Type(c.digit, edit);
        EXPECT_EQ(edit->Text(), t(c.text)) << c.caret;
        EXPECT_EQ(edit->SelStart(), c.caretAfter) << c.caret;
    }
    // Backspace right after a separator only steps over it.
    edit->SetText(t("1_234_567"));
    edit->SetSelStart(2);
    guitest::Key(VK_BACK);
    EXPECT_EQ(edit->Text(), t("1_234_567"));
    EXPECT_EQ(edit->SelStart(), 1);
    guitest::Key(VK_BACK);
    EXPECT_EQ(edit->Text(), t("234_567"));
    EXPECT_DOUBLE_EQ(value(), 234567);
    leave();
    EXPECT_EQ(edit->Text(), t("234_567"));
    // The display format shows unfocused, its digits and grouping while focused.
    edit->SetDisplayFormat("#,##0.00 kg");
    EXPECT_EQ(edit->Text(), t("234_567,00 kg"));
    focus();
    EXPECT_EQ(edit->Text(), t("234_567,00"));

    // Without a comma in the format no separator is put in.
    edit->SetDisplayFormat("0");
    focus();
    edit->SelectAll();
    guitest::Type("1234567", edit);
    EXPECT_EQ(edit->Text(), "1234567");
}

TEST_F(NumberFixture, TypingIsKeptToNumbersWithinTheDecimalsAndSign) {
    focus();
    struct Case {
        unsigned places;
        double min, max;
        const char* typed;
        const char* text;
    } cases[] = {
        {2, 0, 0, "1,234", "1,23"}, {2, 0, 0, "1.5", "1,5"},  {0, 0, 0, "5,1", "5,"}, {2, 0, 0, "12a-", "12"},
        {2, 0, 100, "-5", "-"},     {2, 0, 100, "150", "150"}, {2, -10, 10, "-5", "-5"},
    };
    for (const Case& c : cases) {
        edit->SetDecimalPlaces(c.places);
        edit->SetMinValue(c.min);
        edit->SetMaxValue(c.max);
        edit->SelectAll();
        guitest::Key(VK_DELETE);
        guitest::Type(c.typed, edit);
        EXPECT_EQ(edit->Text(), c.text) << c.typed;
    }
    // 150 above the maximum gives 100 at once; the text follows on leaving.
    EXPECT_EQ(edit->Text(), "-5");
    edit->SetMinValue(0);
    edit->SetMaxValue(100);
    edit->SelectAll();
    guitest::Type("150", edit);
    EXPECT_DOUBLE_EQ(value(), 100);
    leave();
    EXPECT_EQ(edit->Text(), "100");
}

TEST_F(NumberFixture, UpAndDownAddTheIncrementStartingFromItWhenEmpty) {
    focus();
    guitest::Key(VK_UP);
    EXPECT_DOUBLE_EQ(value(), 1);
    edit->Clear();
    guitest::Key(VK_DOWN);
    EXPECT_DOUBLE_EQ(value(), 1);
    edit->SetIncrement(0.5);
    edit->SetValue(Variant(2.5));
    guitest::Key(VK_UP);
    EXPECT_DOUBLE_EQ(value(), 3);
    guitest::Wheel(edit, TPoint(20, 10), -120);
    EXPECT_DOUBLE_EQ(value(), 2.5);
    edit->SetReadOnly(true);
    guitest::Key(VK_UP);
    EXPECT_DOUBLE_EQ(value(), 2.5);
}

TEST_F(NumberFixture, TheCalculatorDropDownAcceptsOnlyNumbers) {
    edit->SetValue(Variant(21.0));
    focus();
    ASSERT_TRUE(CaretVisible(edit->Handle()));
    guitest::Key(VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->CalculatorShown());
    TPopupCalculatorGx* calc = edit->CalculatorIfMade();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->DisplayText(), "21");
    EXPECT_FALSE(CaretVisible(edit->Handle()));
    guitest::Type("*2", edit);  // the keys go to the calculator
    EXPECT_EQ(edit->Text(), "21");
    guitest::Key(VK_RETURN);  // computes: "=" was showing
    EXPECT_TRUE(edit->CalculatorShown());
    EXPECT_EQ(calc->DisplayText(), "42");
    guitest::Key(VK_RETURN);  // accepts
    EXPECT_FALSE(edit->CalculatorShown());
    EXPECT_TRUE(CaretVisible(edit->Handle()));
    EXPECT_DOUBLE_EQ(value(), 42);

    // An error is no number: the value stays.
    edit->DropDown();
    guitest::Type("/0=", edit);
    EXPECT_EQ(calc->DisplayText(), "Error");
    edit->CloseUp(true);
    EXPECT_DOUBLE_EQ(value(), 42);
    // Escape cancels.
    edit->DropDown();
    guitest::Type("5", edit);
    guitest::Key(VK_ESCAPE);
    EXPECT_FALSE(edit->CalculatorShown());
    EXPECT_DOUBLE_EQ(value(), 42);
}

TEST_F(NumberFixture, AnAggregateFieldGivesItsFormatAndCurrency) {
    TComponent owner(nullptr);
    auto* cds = new TClientDataSet(&owner);
    cds->FieldDefs()->Add("Amount", ftFloat);
    auto* total = new TAggregateField(&owner);
    total->SetFieldName("Total");
    total->SetExpression("SUM(Amount)");
    total->SetDataSet(cds);
    cds->CreateDataSet();
    cds->SetAggregatesActive(true);
    cds->AppendRecord({Variant(1500.5)});
    cds->AppendRecord({Variant(2000.0)});
    TDataSource src(nullptr);
    src.SetDataSet(cds);
    edit->SetDataSource(&src);
    edit->SetDataField("Total");
    EXPECT_FALSE(edit->GetCurrency());
    EXPECT_EQ(edit->GetDisplayFormat(), "");

    total->SetDisplayFormat("#,##0.0 т");
    EXPECT_EQ(edit->GetDisplayFormat(), "#,##0.0 т");
    EXPECT_EQ(edit->Text(), t("3_500,5 т"));
    total->SetDisplayFormat("");
    total->SetCurrency(true);
    EXPECT_TRUE(edit->GetCurrency());
    EXPECT_EQ(edit->EditFormat(), ",#.00");
    EXPECT_EQ(edit->Text(), CurrToStrF(Currency(3500.5), ffCurrency, 2));
    edit->SetDataSource(nullptr);
}

TEST_F(NumberFixture, APasteThatIsNoNumberIsTakenBack) {
    edit->SetValue(Variant(12.0));
    focus();
    edit->SelectAll();
    Clipboard()->SetAsText("abc");
    guitest::Key('V', ssCtrl);
    EXPECT_EQ(edit->Text(), "12");
    EXPECT_DOUBLE_EQ(value(), 12);
    EXPECT_EQ(edit->SelLength(), 2);
    Clipboard()->SetAsText("3,456");
    guitest::Key('V', ssCtrl);
    EXPECT_EQ(edit->Text(), "3,456");
    EXPECT_DOUBLE_EQ(value(), 3.46);  // bounded and rounded like typing
}

class NumberOverDb : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        db->Exec("create table num_scratch (ID int not null primary key, Amount decimal(10,2))");
        db->Exec("insert into num_scratch values (1, 1234.50)");
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 100);
        edit = new TDBNumberEditGx(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 50, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
    }
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    TDBNumberEditGx* edit = nullptr;
    TEdit* other = nullptr;
};

TEST_F(NumberOverDb, ADecimalColumnGivesItsFormatAndCurrencyAndTakesTheRoundedValue) {
    CachedDataSet c(conn.get(), "select * from num_scratch order by ID");
    c.cds.Open();
    TField* f = c.cds.FieldByName("Amount");
    ASSERT_EQ(f->DataType(), ftBCD);
    auto* bcd = dynamic_cast<TBCDField*>(f);
    ASSERT_NE(bcd, nullptr);
    bcd->SetCurrency(true);
    TDataSource src(nullptr);
    src.SetDataSet(&c.cds);
    other->SetFocus();
    guitest::Pump();
    edit->SetDataSource(&src);
    edit->SetDataField("Amount");
    EXPECT_TRUE(edit->GetCurrency());
    EXPECT_EQ(edit->GetDisplayFormat(), "");
    EXPECT_EQ(edit->EditFormat(), ",#.00");
    EXPECT_EQ(edit->Text(), CurrToStrF(Currency(1234.5), ffCurrency, 2));
    bcd->SetDisplayFormat("#,##0.00 kg");
    EXPECT_EQ(edit->GetDisplayFormat(), "#,##0.00 kg");
    EXPECT_EQ(edit->Text(), t("1_234,50 kg"));

    edit->SetFocus();
    guitest::Pump();
    EXPECT_EQ(edit->Text(), t("1_234,50"));
    edit->SelectAll();
    Clipboard()->SetAsText("98765,125");
    guitest::Key('V', ssCtrl);
    EXPECT_DOUBLE_EQ(edit->Value().AsDouble(), 98765.12);
    other->SetFocus();
    guitest::Pump();
    ASSERT_EQ(c.cds.State(), dsEdit);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select Amount from num_scratch where ID = 1"), "98765.12");
}

}  // namespace
