// The cell editor's calculator on number columns edited in the drop-down style: it opens on the
// cell's number with the editor's caret hidden, takes the typed keys while open, writes only a
// number back on close-up, and the chosen value reaches a DECIMAL column of the private database.
#include "GridTestSupport.h"

#include "gridlib/editors/CalculatorGx.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/DbFixture.h"

namespace {

TPopupCalculatorGx* calculatorOf(TDBGridInplaceEdit* e) { return dynamic_cast<TPopupCalculatorGx*>(e->ActiveList()); }

struct CalcFixture : ::testing::Test {
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    gridtest::TestGrid* grid = nullptr;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};

    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(520, 240);
        grid = new gridtest::TestGrid(form);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 520, 240);
        cds.FieldDefs()->Add("ID", ftInteger);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.FieldDefs()->Add("Amount", ftFloat);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant("Apple"), Variant(1.5)});
        cds.AppendRecord({Variant(2), Variant("Banana"), Null()});
        cds.MergeChangeLog();
        cds.First();
        source.SetDataSet(&cds);
        grid->SetDataSource(&source);
        guitest::ShowForm(form);
        grid->SetFocus();
        grid->GetFieldColumns("Amount")->SetButtonStyle(cbsDropDown);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        cds.Close();
    }
    TDBGridInplaceEdit* edit(const char* field) {
        grid->SetSelectedIndex(grid->GetFieldColumns(field)->Index());
        grid->ShowEditor();
        TDBGridInplaceEdit* e = grid->DBInplaceEditor();
        EXPECT_NE(e, nullptr);
        if (e && !e->Focused()) e->SetFocus();
        guitest::Pump();
        return e;
    }
};

TEST_F(CalcFixture, TheCalculatorOpensOnTheCellsNumberAndWritesBackTheResult) {
    TDBGridInplaceEdit* e = edit("Amount");
    ASSERT_EQ(e->EditStyle(), esDropDownGx);
    TPopupCalculatorGx* calc = calculatorOf(e);
    ASSERT_NE(calc, nullptr) << "a number cell drops the calculator down";
    const int naturalWidth = calc->Width();
    ASSERT_TRUE(CaretVisible(e->Handle()));

    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    EXPECT_TRUE(calc->Visible());
    EXPECT_EQ(calc->DisplayText(), "1,5");
    EXPECT_EQ(calc->Width(), naturalWidth) << "the calculator keeps its own size";
    EXPECT_EQ(calc->GetFlat(), grid->Flat());
    EXPECT_FALSE(CaretVisible(e->Handle())) << "the calculator takes the keys: no caret";
    EXPECT_EQ(e->SelLength(), 0);

    // Keys go to the calculator; Enter on "=" computes and keeps it open, Enter on "Ok" accepts.
    guitest::Type("*4", e);
    EXPECT_EQ(calc->DisplayText(), "4");
    EXPECT_EQ(e->Text(), "1,5");
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_TRUE(e->ListVisible());
    EXPECT_EQ(calc->DisplayText(), "6");
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_FALSE(calc->Visible());
    EXPECT_TRUE(CaretVisible(e->Handle()));
    EXPECT_EQ(e->Text(), "6");
    EXPECT_EQ(grid->EditText(), "6");
    EXPECT_EQ(e->SelLength(), 1);
    grid->DataLink()->UpdateData();
    cds.Post();
    EXPECT_EQ(cds.FieldByName("Amount")->AsFloat(), 6.0);

    // Esc closes without writing; the calculator's error writes nothing either.
    struct Case {
        const char* name;
        const char* keys;
        WORD close;
        const char* display;
    } cases[] = {{"Esc", "7", VK_ESCAPE, "7"}, {"an error", "/0=", VK_RETURN, "Error"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        e = edit("Amount");
        guitest::Key(VK_DOWN, ssAlt, e);
        ASSERT_TRUE(e->ListVisible());
        guitest::Type(k.keys, e);
        EXPECT_EQ(calc->DisplayText(), k.display);
        guitest::Key(k.close, 0, e);
        EXPECT_FALSE(e->ListVisible());
        EXPECT_EQ(e->Text(), "6");
        EXPECT_EQ(grid->EditText(), "6");
    }

    // The calculator's own buttons: the press keeps it open, "Ok" accepts.
    cds.Next();
    e = edit("Amount");
    EXPECT_EQ(e->Text(), "");
    guitest::Key(VK_RETURN, ssCtrl, e);
    ASSERT_TRUE(e->ListVisible());
    EXPECT_EQ(calc->DisplayText(), "0") << "an empty cell opens on 0";
    guitest::Click(calc->ButtonOfKey('7'));
    EXPECT_TRUE(e->ListVisible());
    guitest::Click(calc->spEqual);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->Text(), "7");
    grid->DataLink()->UpdateData();
    cds.Post();
    EXPECT_EQ(cds.FieldByName("Amount")->AsFloat(), 7.0);

    // A text column in the drop-down style has a button only.
    grid->GetFieldColumns("Name")->SetButtonStyle(cbsDropDown);
    e = edit("Name");
    EXPECT_EQ(e->ActiveList(), nullptr);
}

class InplaceCalculatorDbTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec("create table gauges (Code varchar(10) not null primary key, Reading decimal(10,2) not null)");
        db->Exec("insert into gauges values ('G1', 12.50), ('G2', 3.00)");
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
        DbTest::TearDown();
    }
    datatest::RussianLocale locale;
    TForm* form = nullptr;
};

TEST_F(InplaceCalculatorDbTest, TheCalculatorsResultIsPostedIntoADecimalColumn) {
    CachedDataSet c(conn.get(), "select * from gauges order by Code");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    form = new TForm(nullptr);
    form->SetClientSize(400, 150);
    auto* grid = new gridtest::TestGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 150);
    grid->SetDataSource(&source);
    c.cds.Open();
    guitest::ShowForm(form);
    grid->SetFocus();
    TColumnGx* col = grid->GetFieldColumns("Reading");
    col->SetButtonStyle(cbsDropDown);
    ASSERT_NE(dynamic_cast<TNumericField*>(col->Field()), nullptr);

    grid->SetSelectedIndex(col->Index());
    grid->ShowEditor();
    TDBGridInplaceEdit* e = grid->DBInplaceEditor();
    ASSERT_NE(e, nullptr);
    e->SetFocus();
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    TPopupCalculatorGx* calc = calculatorOf(e);
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->DisplayText(), "12,5");
    guitest::Type("+0,255", e);
    guitest::Key(VK_RETURN, 0, e);
    guitest::Key(VK_RETURN, 0, e);
    ASSERT_FALSE(e->ListVisible());
    EXPECT_EQ(e->Text(), "12,755");
    grid->DataLink()->UpdateData();
    c.cds.Post();
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);

    auto check = NewConnection();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(check.get());
    q.SQL()->SetText("select cast(Reading as char) as R from gauges order by Code");
    q.Open();
    EXPECT_EQ(q.FieldByName("R")->AsString(), "12.76");
    q.Next();
    EXPECT_EQ(q.FieldByName("R")->AsString(), "3.00");
}

}  // namespace
