// A lookup column of a grid over keyed tables of the private database: the cell editor drops the
// column's lookup grid down, a row chosen by keys or by the mouse goes into the cell, and the chosen
// key is posted and resolved into the table.
#include "GridTestSupport.h"

#include "gridlib/grid/DBLookupGridsGx.h"
#include "testlib/DbFixture.h"

namespace {

class LookupColumnDbTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec("create table kinds (KindID int not null primary key, Title varchar(20) not null)");
        db->Exec("insert into kinds values (1, 'Уголь'), (2, 'Порода'), (3, 'Шлам')");
        db->Exec("create table samples (Code varchar(10) not null primary key, KindID int null)");
        db->Exec("insert into samples values ('S1', 1), ('S2', null)");
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
        DbTest::TearDown();
    }
    datatest::RussianLocale locale;
    TForm* form = nullptr;
};

TEST_F(LookupColumnDbTest, TheChosenKeyIsPostedIntoTheTable) {
    CachedDataSet kinds(conn.get(), "select KindID, Title from kinds order by KindID");
    kinds.cds.Open();
    CachedDataSet samples(conn.get(), "select Code, KindID from samples order by Code");
    TClientDataSet& ds = samples.cds;
    TField* code = CreateFieldOfType(ftString, &ds);
    code->SetFieldName("Code");
    code->SetSize(10);
    code->SetDataSet(&ds);
    TField* kindId = CreateFieldOfType(ftInteger, &ds);
    kindId->SetFieldName("KindID");
    kindId->SetDataSet(&ds);
    TField* kind = CreateFieldOfType(ftString, &ds);
    kind->SetFieldName("Kind");
    kind->SetFieldKind(fkLookup);
    kind->SetSize(20);
    kind->SetKeyFields("KindID");
    kind->SetLookupDataSet(&kinds.cds);
    kind->SetLookupKeyFields("KindID");
    kind->SetLookupResultField("Title");
    kind->SetDataSet(&ds);
    ds.Open();
    TDataSource source(nullptr);
    source.SetDataSet(&ds);

    form = new TForm(nullptr);
    form->SetClientSize(500, 300);
    auto* grid = new gridtest::TestGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 500, 200);
    grid->SetDataSource(&source);
    guitest::ShowForm(form);
    grid->SetFocus();
    TColumnGx* column = grid->GetFieldColumns("Kind");
    ASSERT_NE(column, nullptr);
    grid->SetSelectedIndex(column->Index());
    grid->ShowEditor();
    TDBGridInplaceEdit* e = grid->DBInplaceEditor();
    ASSERT_NE(e, nullptr);
    e->SetFocus();
    guitest::Pump();
    ASSERT_EQ(e->EditStyle(), esDataListGx);
    EXPECT_EQ(e->Text(), "Уголь");

    // Keys: the list opens on the cell's key, three rows for three records; Down twice and Enter.
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    auto* list = dynamic_cast<TPopupDataGridGx*>(e->ActiveList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list, column->GetLookupGrid());
    EXPECT_EQ(list->KeyValue(), Variant(1));
    EXPECT_EQ(list->RowCount(), 3);
    guitest::Key(VK_DOWN, 0, e);
    guitest::Key(VK_DOWN, 0, e);
    EXPECT_EQ(e->Text(), "Шлам");
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->Text(), "Шлам");
    EXPECT_EQ(grid->EditKeyValue(), Variant(3));
    grid->DataLink()->UpdateData();
    ds.Post();
    EXPECT_EQ(kindId->AsInteger(), 3);

    // The mouse: the second record's row chosen on release.
    ds.Next();
    grid->ShowEditor();
    e->SetFocus();
    guitest::Pump();
    EXPECT_EQ(e->Text(), "");
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    const int row = list->GetDataRowHeight();
    guitest::MouseDown(list, TPoint(10, row + row / 2));
    guitest::MouseUp(list, TPoint(10, row + row / 2));
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->Text(), "Порода");
    grid->DataLink()->UpdateData();
    ds.Post();
    ASSERT_EQ(ds.ApplyUpdates(0), 0);

    auto check = NewConnection();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(check.get());
    q.SQL()->SetText("select Code, KindID from samples order by Code");
    q.Open();
    EXPECT_EQ(q.FieldByName("Code")->AsString(), "S1");
    EXPECT_EQ(q.FieldByName("KindID")->AsInteger(), 3);
    q.Next();
    EXPECT_EQ(q.FieldByName("Code")->AsString(), "S2");
    EXPECT_EQ(q.FieldByName("KindID")->AsInteger(), 2);
}

}  // namespace
