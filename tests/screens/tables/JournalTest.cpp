// The journal screens against the private database: what a load shows for each shift choice (the
// period's ends included), the refresh rule over ticks, failing loads and failing ticks.
#include "screens/tables/BeltLog.h"
#include "screens/tables/LogView.h"
#include "screens/tables/PUF_Log.h"

#include "TablesTestSupport.h"

#include "gridlib/grid/DBGridGxFindDlgs.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

using tablestest::TablesTest;

// The messages a dataset holds, in its order.
std::vector<std::string> Messages(TDataSet* ds) {
    std::vector<std::string> out;
    if (!ds->Active()) return out;
    for (ds->First(); !ds->Eof(); ds->Next()) out.push_back(ds->FieldByName("Message")->AsString().str());
    return out;
}

class JournalTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
    }
    void Insert(const std::string& table, const std::string& moment, const std::string& message) {
        db->Exec("insert into " + table + " (PostMoment, Message) values ('" + moment + "', '" + message + "')");
    }
    static void Load(TJournalForm* screen, int y, int mo, int d, int shiftIndex) {
        screen->DateTimePicker1->SetDate(EncodeDate(y, mo, d));
        if (shiftIndex >= 0) screen->ComboBox1->SetItemIndex(shiftIndex);
        else screen->ComboBox1->SetText("вся смена");  // typed, matching no item
        WORD key = VK_RETURN;
        screen->DateTimePicker1KeyDown(screen->DateTimePicker1, key, 0);
    }
    static void Tick(TJournalForm* screen) { screen->TimerAutoRefreshTimer(screen->TimerAutoRefresh); }
};

TEST_F(JournalTest, EachShiftChoiceLoadsItsPeriodWithBothEnds) {
    REQUIRE_TEST_DB();
    InsertBoundaryRows("puf_log", "PostMoment, Message", [](int w) { return "'Пуск флотомашины №" + std::to_string(w) + "'"; });
    auto* puf = NewForm<TFormPUF_Log>(form);
    // Nothing is loaded until Enter.
    EXPECT_FALSE(puf->SQLClientDataSetPuf->Active());
    EXPECT_EQ(puf->ShiftNumber, -1);
    EXPECT_EQ(puf->ComboBox1->Text(), "Обе смены");
    const struct {
        int index;  // of the shift box; -1 a typed text
        int shift;
        std::vector<std::string> messages;
    } cases[] = {
        {0, 1, {"Пуск флотомашины №1", "Пуск флотомашины №2"}},  // 07:00:00 and 18:59:59, the shift's stop
        {1, 2, {"Пуск флотомашины №4", "Пуск флотомашины №8"}},  // 19:00:00 and 06:59:59 next day
        {2, 3, {"Пуск флотомашины №1", "Пуск флотомашины №2", "Пуск флотомашины №4", "Пуск флотомашины №8"}},
        {-1, 0, {"Пуск флотомашины №1", "Пуск флотомашины №2", "Пуск флотомашины №4", "Пуск флотомашины №8"}},
    };
    for (const auto& c : cases) {
        Load(puf, 2010, 3, 15, c.index);
        EXPECT_EQ(puf->ShiftNumber, c.shift);
        EXPECT_EQ(Messages(puf->SQLClientDataSetPuf), c.messages) << c.shift;
        EXPECT_TRUE(puf->DataSourceLog->Enabled());
    }
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", puf->StartTime), "15.03.2010 07:00:00");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", puf->StopTime), "16.03.2010 06:59:59");
    // A typed text is a whole-day load that the timer leaves alone.
    Insert("puf_log", "2010-03-15 12:30:00", "Останов");
    Tick(puf);
    EXPECT_EQ(Messages(puf->SQLClientDataSetPuf).size(), 4u);
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(JournalTest, TheRefreshTakesOneNewerEntryInsideThePeriodPerTick) {
    REQUIRE_TEST_DB();
    Insert("pu1_log", "2010-03-15 08:00:00", "Пуск");
    Insert("pu2_log", "2010-03-15 09:00:00", "Пуск");
    auto* view = NewForm<TFormLogView>(form);
    // Its first showing loaded the day.
    ASSERT_EQ(view->ShiftNumber, 3);
    std::vector<TJournalForm::TJournal>& j = view->Journals();
    auto counts = [&] {
        return std::make_pair(view->SQLClientDataSetPU1->RecordCount(), view->SQLClientDataSetPU2->RecordCount());
    };
    EXPECT_EQ(counts(), std::make_pair(1, 1));

    Insert("pu1_log", "2010-03-15 10:00:00", "Останов");
    Insert("pu2_log", "2010-03-15 10:30:00", "Останов");
    // Machine 1's newest entry asks first, and alone.
    Tick(view);
    EXPECT_EQ(counts(), std::make_pair(2, 2));
    EXPECT_EQ(FormatDateTime("hh:nn", j[0].LastMaxTime), "10:00");
    EXPECT_EQ(j[1].LastMaxTime, 0);
    // Machine 2's is taken at the next tick (an older row added meanwhile shows the reload).
    Insert("pu1_log", "2010-03-15 07:30:00", "Авария");
    Tick(view);
    EXPECT_EQ(counts(), std::make_pair(3, 2));
    EXPECT_EQ(FormatDateTime("hh:nn", j[1].LastMaxTime), "10:30");
    // Nothing newer: no reload.
    Insert("pu1_log", "2010-03-15 07:40:00", "Авария");
    Tick(view);
    EXPECT_EQ(counts(), std::make_pair(3, 2));
    // An entry at exactly the period's stop counts.
    Insert("pu2_log", "2010-03-16 06:59:59", "Останов");
    Tick(view);
    EXPECT_EQ(counts(), std::make_pair(4, 3));

    // A period that ended before the newest entry: never.
    Load(view, 2010, 3, 14, 2);
    Insert("pu1_log", "2010-03-14 12:00:00", "Пуск");
    Tick(view);
    Tick(view);
    EXPECT_EQ(counts(), std::make_pair(0, 0));

    // An empty journal table has no newest entry.
    auto* belt = NewForm<TFormBeltLog>(form);
    Load(belt, 2010, 3, 15, 2);
    Tick(belt);
    EXPECT_EQ(belt->Journals()[0].LastMaxTime, 0);
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(JournalTest, AFailingLoadIsLoggedAndLeavesTheGridsTheirSource) {
    REQUIRE_TEST_DB();
    Insert("belt_log", "2010-03-15 10:00:00", "Тарировка весов п.386-2");
    auto* belt = NewForm<TFormBeltLog>(form);
    db->Exec("rename table belt_log to belt_log_away");
    Load(belt, 2010, 3, 15, 2);
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormBeltLog::LoadJournal()"});
    EXPECT_TRUE(belt->DataSourceLog->Enabled());
    EXPECT_EQ(belt->LoadBusy, 0);
    db->Exec("rename table belt_log_away to belt_log");
    Load(belt, 2010, 3, 15, 2);
    EXPECT_EQ(Messages(belt->SQLClientDataSetLog), std::vector<std::string>{"Тарировка весов п.386-2"});
    EXPECT_TRUE(testlib::TakeEvents().empty());

    // Without the connection a load does nothing.
    form->SQLConnection1->Close();
    Load(belt, 2010, 3, 16, 0);
    EXPECT_EQ(belt->ShiftNumber, 3);
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(JournalTest, AFailingTickShowsOneBoxWhileMoreTicksCome) {
    REQUIRE_TEST_DB();
    auto* puf = NewForm<TFormPUF_Log>(form);
    Load(puf, 2010, 3, 15, 2);
    db->Exec("rename table puf_log to puf_log_away");
    guitest::MessageBoxRecorder boxes;
    // The timer keeps firing while the box is open.
    boxes.OnBox = [&](const TMessageBoxRequest&) {
        Tick(puf);
        Tick(puf);
        return 0;
    };
    Tick(puf);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(puf->TickBoxOpen, 0);
    // Closed, the next failing tick shows the fault again.
    Tick(puf);
    EXPECT_EQ(boxes.Count(), 2);
}

}  // namespace

namespace {

TEST_F(JournalTest, CtrlFInTheJournalsGridOpensTheFindDialog) {
    REQUIRE_TEST_DB();
    Insert("puf_log", "2010-03-15 08:00:00", "Пуск флотомашины №1");
    auto* puf = NewForm<TFormPUF_Log>(form);
    Load(puf, 2010, 3, 15, 2);
    TDBGridGx* grid = puf->Journals().front().Grid;
    guitest::ShowForm(form);
    guitest::ModalDriver modal;
    TCustomForm* shown = nullptr;
    modal.Then([&shown](TCustomForm* f) {
        shown = f;
        f->SetModalResult(mrCancel);
    });
    guitest::Key('F', ssCtrl, grid);
    EXPECT_EQ(modal.Shown(), 1);
    ASSERT_NE(dynamic_cast<TDBGridGxFindDlg*>(shown), nullptr);
    EXPECT_EQ(shown->Caption(), "Поиск");
}

}  // namespace
