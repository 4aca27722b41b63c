// Cells of a grid over a keyed table of the private database edited in place: text typed into a
// cell, a date chosen in the calendar, a read-only field left alone, and the record posted and
// resolved into the table by its key.
#include "GridTestSupport.h"

#include "testlib/DbFixture.h"

namespace {

class InplaceEditDbTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec("create table pumps (Code varchar(20) not null primary key, Title varchar(20) not null, "
                 "Checked date null, Note varchar(20) null)");
        db->Exec("insert into pumps values ('P1', 'Feed pump', '2026-01-15', 'old'), "
                 "('P2', 'Slurry pump', '2026-02-01', null)");
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
        DbTest::TearDown();
    }
    TDBGridInplaceEdit* edit(gridtest::TestGrid* grid, const char* field) {
        // Leaving a cell writes what was typed into it.
        grid->DataLink()->UpdateData();
        grid->SetSelectedIndex(grid->GetFieldColumns(field)->Index());
        grid->ShowEditor();
        TDBGridInplaceEdit* e = grid->DBInplaceEditor();
        if (e && !e->Focused()) e->SetFocus();
        guitest::Pump();
        return e;
    }
    datatest::RussianLocale locale;
    TForm* form = nullptr;
};

TEST_F(InplaceEditDbTest, CellsEditedInPlaceArePostedIntoTheKeyedTable) {
    CachedDataSet c(conn.get(), "select * from pumps order by Code");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    form = new TForm(nullptr);
    form->SetClientSize(600, 200);
    auto* grid = new gridtest::TestGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 600, 200);
    grid->SetDataSource(&source);
    c.cds.Open();
    c.cds.FieldByName("Note")->SetReadOnly(true);
    guitest::ShowForm(form);
    grid->SetFocus();
    c.cds.Next();  // P2

    // Text typed over the whole cell.
    TDBGridInplaceEdit* e = edit(grid, "Title");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->EditStyle(), esNoneGx);
    EXPECT_EQ(e->MaxLength(), 20);
    e->SelectAll();
    guitest::Type("Sump pump", e);
    EXPECT_EQ(grid->EditText(), "Sump pump");

    // The date from the calendar, a day later.
    e = edit(grid, "Checked");
    ASSERT_EQ(e->EditStyle(), esCalendarGx);
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    guitest::Key(VK_RIGHT, 0, e);
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_EQ(e->Text(), "02.02.2026");

    // The read-only field shows no button and takes no typing.
    e = edit(grid, "Note");
    EXPECT_EQ(e->EditStyle(), esNoneGx);
    guitest::Type("x", e);
    EXPECT_EQ(e->Text(), "");

    c.cds.Post();
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);

    auto check = NewConnection();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(check.get());
    q.SQL()->SetText("select Code, Title, Checked, Note from pumps order by Code");
    q.Open();
    EXPECT_EQ(q.FieldByName("Title")->AsString(), "Feed pump");
    q.Next();
    EXPECT_EQ(q.FieldByName("Code")->AsString(), "P2");
    EXPECT_EQ(q.FieldByName("Title")->AsString(), "Sump pump");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", q.FieldByName("Checked")->AsDateTime()), "2026-02-02");
    EXPECT_TRUE(q.FieldByName("Note")->IsNull());
}

}  // namespace
