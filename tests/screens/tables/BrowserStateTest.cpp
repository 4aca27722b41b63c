// The database browser and the machine state windows against the private database: a range of
// exact seconds, a missing table stopping the load with the message loop's box, and the state
// windows' value texts, an empty state row and a failing read.
#include "screens/tables/BaseView.h"
#include "screens/tables/PuState.h"

#include "TablesTestSupport.h"

#include "gui/WinApi.h"
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

namespace {

using tablestest::TablesTest;

class BrowserTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
    }
    static void Range(TFormBaseView* v, int fromH, int toH) {
        v->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        v->DateTimePicker2->SetTime(EncodeTime(fromH, 0, 0, 0));
        v->DateTimePicker3->SetDate(EncodeDate(2010, 3, 15));
        v->DateTimePicker4->SetTime(EncodeTime(toH, 0, 0, 0));
    }
};

TEST_F(BrowserTest, ARangeWithinOneDaySelectsByExactSeconds) {
    REQUIRE_TEST_DB();
    const char* moments[] = {"2010-03-15 07:59:59", "2010-03-15 08:00:00", "2010-03-15 08:30:00",
                             "2010-03-15 09:00:00", "2010-03-15 09:00:01", "2010-03-14 08:30:00"};
    for (const char* m : moments) {
        db->Exec(std::string("insert into pu2 (PostMoment, KKP, RAB) values ('") + m + "', 1, 1)");
        db->Exec(std::string("insert into puf_data (RecMoment, RVF, F1AS, F1RS) values ('") + m + "', 12.5, 1, 0)");
        db->Exec(std::string("insert into pug (RecMoment, RV2_GS) values ('") + m + "', 1234.5)");
    }
    auto* v = NewForm<TFormBaseView>(form);
    // Both date pickers show today; the times keep their presets.
    EXPECT_EQ(DateOf(v->DateTimePicker1->Date()), EncodeDate(2010, 3, 15));
    EXPECT_EQ(DateOf(v->DateTimePicker3->Date()), EncodeDate(2010, 3, 15));
    EXPECT_EQ(FormatDateTime("hh:nn:ss", v->DateTimePicker4->Time()), "23:59:59");
    Range(v, 8, 9);
    v->ButLoadClick(v->ButLoad);
    const int expected[TFormBaseView::TableCount] = {0, 3, 3, 0, 0, 3};
    for (int i = 0; i < TFormBaseView::TableCount; ++i) {
        ASSERT_TRUE(v->DataSets[i]->Active()) << TFormBaseView::TableNames[i];
        EXPECT_EQ(v->DataSets[i]->RecordCount(), expected[i]) << TFormBaseView::TableNames[i];
    }
    EXPECT_EQ(FormatDateTime("hh:nn:ss", v->DataSets[1]->FieldByName("PostMoment")->AsDateTime()), "08:00:00");
    v->DataSets[1]->Last();
    EXPECT_EQ(FormatDateTime("hh:nn:ss", v->DataSets[1]->FieldByName("PostMoment")->AsDateTime()), "09:00:00");
    // The flags are check boxes; the hydrosizer's values in its format.
    auto column = [](TDBGridGx* g, const char* field) -> TColumnGx* {
        for (int i = 0; i < g->Columns()->Count(); ++i)
            if (g->Columns()->Items(i)->FieldName() == field) return g->Columns()->Items(i);
        return nullptr;
    };
    ASSERT_NE(column(v->Grids[2], "F1AS"), nullptr);
    EXPECT_EQ(column(v->Grids[2], "F1AS")->CheckboxState(), cbChecked);
    EXPECT_EQ(column(v->Grids[2], "F1RS")->CheckboxState(), cbUnchecked);
    datatest::RussianLocale locale;
    EXPECT_EQ(Trim(column(v->Grids[5], "RV2_GS")->DisplayText()).str(), "1 234,500");
    EXPECT_EQ(Trim(column(v->Grids[1], "KKP")->DisplayText()).str(), "1,0");
    EXPECT_EQ(column(v->Grids[0], "KKP")->DisplayFormat(), "### ##0");

    // A range that ends before it starts loads empty tables.
    Range(v, 9, 8);
    v->ButLoadClick(v->ButLoad);
    EXPECT_EQ(v->DataSets[1]->RecordCount(), 0);
}

TEST_F(BrowserTest, AMissingTableStopsTheLoadAtItsTabWithTheBox) {
    REQUIRE_TEST_DB();
    db->Exec("insert into pug (RecMoment, RV2_GS) values ('2010-03-15 08:30:00', 1)");
    db->Exec("insert into belt_386_2 (RecMoment, G_1T1) values ('2010-03-15 08:30:00', 1)");
    auto* v = NewForm<TFormBaseView>(form);
    guitest::ShowForm(v);
    Range(v, 8, 9);
    v->ButLoadClick(v->ButLoad);
    EXPECT_EQ(v->DataSets[5]->RecordCount(), 1);
    db->Exec("rename table belt_401 to belt_401_away");
    db->Exec("insert into belt_386_2 (RecMoment, G_1T1) values ('2010-03-15 08:40:00', 1)");
    guitest::MessageBoxRecorder boxes;
    // The failure of the button's handler reaches the message loop.
    guitest::Click(v->ButLoad);
    EXPECT_TRUE(guitest::WaitFor([&] { return boxes.Count() == 1; }));
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(v->DataSets[3]->RecordCount(), 2);  // the tab before it loaded anew
    EXPECT_FALSE(v->DataSets[4]->Active());
    EXPECT_EQ(v->DataSets[5]->RecordCount(), 1);  // the one after it keeps its rows
}

class PuStateTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        if (!db) return;
        testlib::ConnectToScratch(form, *db, form->SQLConnectionUser);
        form->SQLConnectionUser->Open();
    }
    static std::vector<std::pair<std::string, std::string>> Cells(TStringGrid* g) {
        std::vector<std::pair<std::string, std::string>> out;
        for (int r = 0; r < g->RowCount(); ++r) out.emplace_back(g->Cells(0, r).str(), g->Cells(1, r).str());
        return out;
    }
    static std::string Find(TStringGrid* g, const char* name) {
        for (int r = 1; r < g->RowCount(); ++r)
            if (g->Cells(0, r) == name) return g->Cells(1, r).str();
        return "<none>";
    }
    datatest::RussianLocale locale;
};

TEST_F(PuStateTest, ValuesArePaddedToTwentyAndAnEmptyRowReadsZero) {
    REQUIRE_TEST_DB();
    db->Exec("insert into pu1_state (PostMoment, TPST_1, TPST_2, TPST_3) values ('2010-03-15 12:00:00', 0, 5.5, 1234.5)");
    form->SQLQueryPu1State->Open();
    // The newest minute row is asked for at a moment without a row.
    form->SQLQueryLastPu1->ParamByName("MaxTime")->SetAsString("2001-01-01 00:00:00");
    form->SQLQueryLastPu1->Open();
    auto* w = NewForm<TFormPuState>(form, 1);
    EXPECT_EQ(w->Caption(), "Состояние машины крупного класса");
    // Hidden: the tick leaves the grids alone.
    w->TimerUpdateTimer(w->TimerUpdate);
    EXPECT_EQ(w->StringGridPU_Moment->Cells(0, 0), "");
    w->Show();
    w->TimerUpdateTimer(w->TimerUpdate);
    TStringGrid* moment = w->StringGridPU_Moment;
    EXPECT_EQ(moment->Cells(0, 0), "Название поля");
    EXPECT_EQ(moment->Cells(1, 0), "Значение");
    EXPECT_EQ(moment->RowCount(), form->SQLQueryPu1State->FieldCount() + 1);
    const struct {
        const char* field;
        const char* text;
    } cases[] = {
        {"TPST_1", "               0,000"},
        {"TPST_2", "               5,500"},
        {"TPST_3", "           1 234,500"},
        {"ZPST_1", "               0,000"},  // NULL
    };
    for (const auto& c : cases) EXPECT_EQ(Find(moment, c.field), c.text) << c.field;
    EXPECT_EQ(Find(moment, "PostMoment"), form->SQLQueryPu1State->FieldByName("PostMoment")->AsString().str());
    EXPECT_NE(Find(moment, "PostMoment"), "");
    // No minute row: every value 0, the time empty.
    TStringGrid* minute = w->StringGridPU_Minute;
    EXPECT_EQ(Find(minute, "PostMoment"), "");
    EXPECT_EQ(Find(minute, "NRAB"), "               0,000");
    EXPECT_EQ(minute->RowCount(), form->SQLQueryLastPu1->FieldCount() + 1);
    w->Hide();
}

TEST_F(PuStateTest, AFailingReadBeepsAndKeepsTheTexts) {
    REQUIRE_TEST_DB();
    auto* w = NewForm<TFormPuState>(form, 2);
    EXPECT_EQ(w->Caption(), "Состояние машины мелкого класса");
    // A state row with a text column cannot be read as numbers.
    form->SQLQueryPu2State->Close();
    form->SQLQueryPu2State->SQL()->SetText("select 'нет данных' as TPST_1");
    form->SQLQueryPu2State->Open();
    w->Show();
    w->StringGridPU_Minute->SetCells(1, 1, "прежнее");
    ResetBeepCount();
    w->TimerUpdateTimer(w->TimerUpdate);
    EXPECT_EQ(BeepCount(), 1);
    EXPECT_EQ(w->StringGridPU_Minute->Cells(1, 1), "прежнее");
    w->Hide();
}

TEST_F(PuStateTest, TheServiceActionsShowTheStateWindowsModally) {
    FormPu1State = NewForm<TFormPuState>(form, 1);
    FormPu2State = NewForm<TFormPuState>(form, 2);
    std::vector<std::string> captions;
    guitest::ModalDriver modal;
    for (int i = 0; i < 2; ++i)
        modal.Then([&](TCustomForm* f) {
            captions.push_back(f->Caption().str());
            f->SetModalResult(mrOk);
        });
    form->ActionShowDriver1->Execute();
    form->ActionShowDriver2->Execute();
    EXPECT_EQ(modal.Shown(), 2);
    EXPECT_EQ(captions, (std::vector<std::string>{"Состояние машины крупного класса", "Состояние машины мелкого класса"}));
}

}  // namespace
