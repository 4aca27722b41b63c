// Editors over a keyed table of the real database: the field's length, its edit and display texts,
// a read-only field, the required mark while inserting, and typed values reaching the table.
#include "gridlib/editors/DBCtrlsGx.h"

#include "testlib/DataTestSupport.h"
#include "testlib/DbFixture.h"
#include "testlib/gui/GuiHarness.h"

namespace {

class EditOverDb : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        db->Exec("create table ed_scratch (ID int not null primary key, Name varchar(20), Req varchar(10) not null, "
                 "Day date, Fixed int)");
        db->Exec("insert into ed_scratch values (1, 'alpha', 'r1', '2024-05-12', 7), (2, 'beta', 'r2', null, 8)");
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 140);
        for (int i = 0; i < 3; ++i) {
            edits[i] = new TDBEditGx(form);
            edits[i]->SetParent(form);
            edits[i]->SetBounds(10, 10 + 30 * i, 150, 21);
        }
        guitest::ShowForm(form);
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
    }
    void bind(CachedDataSet& c, TDataSource& src, const char* a, const char* b, const char* d) {
        src.SetDataSet(&c.cds);
        const char* names[] = {a, b, d};
        for (int i = 0; i < 3; ++i) {
            edits[i]->SetDataSource(&src);
            edits[i]->SetDataField(names[i]);
        }
    }
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    TDBEditGx* edits[3] = {};
};

TEST_F(EditOverDb, TypedValuesArePostedAndAppliedToTheKeyedTable) {
    CachedDataSet c(conn.get(), "select * from ed_scratch order by ID");
    c.cds.Open();
    c.cds.FieldByName("Fixed")->SetReadOnly(true);
    static_cast<TDateField*>(c.cds.FieldByName("Day"))->SetDisplayFormat("dd mmm yyyy");
    TDataSource src(nullptr);
    bind(c, src, "Name", "Day", "Fixed");
    EXPECT_EQ(edits[0]->MaxLength(), 20);
    EXPECT_EQ(edits[0]->Text(), "alpha");
    const AnsiString display = edits[1]->Text();
    edits[1]->SetFocus();
    guitest::Pump();
    EXPECT_EQ(edits[1]->Text(), "12.05.2024");
    EXPECT_NE(display, edits[1]->Text());

    // A read-only field: typing changes nothing.
    edits[2]->SetFocus();
    guitest::Pump();
    guitest::Type("9", edits[2]);
    EXPECT_EQ(edits[2]->Text(), "7");
    EXPECT_EQ(c.cds.State(), dsBrowse);

    edits[0]->SetFocus();
    guitest::Pump();
    edits[0]->SelectAll();
    guitest::Type("gamma", edits[0]);
    edits[1]->SetFocus();
    guitest::Pump();
    edits[1]->SelectAll();
    guitest::Type("01.02.2025", edits[1]);
    edits[0]->SetFocus();
    guitest::Pump();
    ASSERT_EQ(c.cds.State(), dsEdit);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select concat(Name, ' ', Day, ' ', Fixed) from ed_scratch where ID = 1"), "gamma 2025-02-01 7");
    EXPECT_EQ(db->Scalar("select Name from ed_scratch where ID = 2"), "beta");
}

TEST_F(EditOverDb, TheRequiredFieldIsMarkedWhileANewRowIsEmpty) {
    CachedDataSet c(conn.get(), "select * from ed_scratch order by ID");
    c.cds.Open();
    TDataSource src(nullptr);
    bind(c, src, "Req", "Name", "ID");
    ASSERT_TRUE(c.cds.FieldByName("Req")->Required());
    bool asked = false;
    edits[0]->SetHighlightRequired(true);
    edits[1]->SetHighlightRequired(true);
    auto red = [](TControl* e) {
        QImage img = guitest::Grab(e);
        int n = 0;
        for (int x = 0; x < img.width(); ++x) {
            QColor col = img.pixelColor(x, img.height() - 1);
            if (col.red() > 200 && col.green() < 60 && col.blue() < 60) ++n;
        }
        return n;
    };
    EXPECT_EQ(red(edits[0]), 0);
    c.cds.Append();
    guitest::Pump();
    EXPECT_GT(red(edits[0]), 0);
    EXPECT_EQ(red(edits[1]), 0);  // not required
    edits[0]->OnCheckDrawRequiredState = [&](TObject*, bool&) { asked = true; };
    edits[0]->Invalidate();
    red(edits[0]);
    EXPECT_TRUE(asked);
    c.cds.Cancel();
}

}  // namespace
