// The one-chart trend screens (tailings ash, reagent tanks, belt loads) over the private database:
// their statements and files, the fill and its gaps, the value bar, the two belt tables each checked
// from its own newest point, the timer with the connection up and down, their failures, the edit
// mode switched at run time, and the printed report.
#include "GraphsTestSupport.h"

#include "core/Global.h"
#include "rtl/IniFiles.h"
#include "screens/graphs/FormEditGraph.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphZola.h"
#include "widgets/OutField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using graphstest::LogOf;
using graphstest::Logged;

class SingleGraphTest : public graphstest::JigDbStation {
protected:
    // A screen (its timer stopped, its picker on 15 March 2010), freed by the fixture.
    template <class Screen>
    Logged<Screen>* OpenScreen() {
        auto* s = NewForm<Logged<Screen>>(nullptr);
        s->TimerUpdate->SetEnabled(false);
        s->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        screens.push_back(s);
        return s;
    }
    static std::string Joined(const std::vector<std::string>& events) {
        std::string out;
        for (const std::string& e : events) out += e + "\n";
        return out;
    }
    static std::string Shown(TOutField* f) { return f->Caption().str(); }
};

TEST_F(SingleGraphTest, EachScreenReadsItsTablesForThePeriodAndKeepsItsFileUnderConfig) {
    struct Case {
        TSingleGraphScreen* screen;
        int comboIndex;
        std::vector<std::string> statements;
        const char* title;
        const char* ini;
        int curves;
    } cases[] = {
        {OpenScreen<TFormGraphZola>(), 0,
         {"select * from puf_data where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59' "
          "order by RecMoment"},
         "График зольности отходов флотации", "config/FormGraphZola.INI", 1},
        {OpenScreen<TFormGraphBakLevel>(), -1,
         {"select * from puf_data where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-16 06:59:59' "
          "order by RecMoment"},
         "График уровней в баках суточных запасов реагентов", "config/FormGraphBakLevel.INI", 2},
        {OpenScreen<TFormGraphBeltWork>(), 1,
         {"select * from belt_386_2 where RecMoment >= '2010-03-15 19:00:00' and RecMoment <= '2010-03-16 06:59:59' "
          "order by RecMoment",
          "select * from belt_401 where RecMoment >= '2010-03-15 19:00:00' and RecMoment <= '2010-03-16 06:59:59' "
          "order by RecMoment"},
         "График изменения  нагрузки на конвейерах поз.386-2 и 401", "config/FormGraphBeltWork.INI", 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.title);
        EXPECT_EQ(k.screen->Caption(), k.title);
        EXPECT_EQ(k.screen->LabelTop->Caption(), k.title);
        EXPECT_EQ(k.screen->IniFileName.str(), dir / k.ini);
        EXPECT_EQ(k.screen->Graph->GraphCount(), k.curves);
        EXPECT_EQ(k.screen->OutFieldCursorVal2 != nullptr, k.curves == 2);
        EXPECT_EQ(k.screen->Graph->GetGraphPen(0)->Color(), clBlue);
        EXPECT_EQ(k.screen->Graph->GetGraphPen(0)->Width(), 2);
        // The time labels (a 16-pixel font, 2 pixels under the plot) stay above the value bar.
        EXPECT_LE(k.screen->Graph->Height() - k.screen->Graph->GraphSubHeight() + 2 + 19, k.screen->PanelBottom->Top());
        k.screen->ComboBox1->SetItemIndex(k.comboIndex);
        k.screen->Reload();
        EXPECT_EQ(LogOf(k.screen).statements, k.statements);
        EXPECT_EQ(k.screen->ComboBox1->ItemIndex(), k.comboIndex < 0 ? 2 : k.comboIndex);
        EXPECT_FALSE(k.screen->ReloadPending);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
    }
}

TEST_F(SingleGraphTest, RowsUpToFiveMinutesApartAreFilledOnEveryCurveAndTheBarShowsTheCursor) {
    Row("puf_data", At(15, 8, 0), "SOF, URS, URP", "10, 20, 30");
    Row("puf_data", At(15, 8, 5), "SOF, URS, URP", "12.5, 1234, 0");
    Row("puf_data", At(15, 9, 0), "SOF, URS, URP", "40, 50, 60");
    Row("puf_data", At(15, 9, 5, 1), "SOF, URS, URP", "70, 80, 90");
    auto* ash = OpenScreen<TFormGraphZola>();
    auto* tanks = OpenScreen<TFormGraphBakLevel>();
    for (TSingleGraphScreen* s : {static_cast<TSingleGraphScreen*>(ash), static_cast<TSingleGraphScreen*>(tanks)}) {
        s->ComboBox1->SetItemIndex(0);
        s->Reload();
    }
    struct Probe {
        const char* what;
        TDateTime at;
        double ash, collector, frother;
    } probes[] = {
        {"five minutes apart: filled", At(15, 8, 2, 30), 12.5, 1234, 0},
        {"five minutes and a second: a gap", At(15, 9, 2, 30), -1, -1, -1},
        {"after the gap the row stands at its own time", At(15, 9, 5, 1), 70, 80, 90},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.what);
        EXPECT_EQ(ash->LevelGraphZola->GetPoint(0, p.at), p.ash);
        EXPECT_EQ(tanks->LevelGraphBakLevel->GetPoint(0, p.at), p.collector);
        EXPECT_EQ(tanks->LevelGraphBakLevel->GetPoint(1, p.at), p.frother);
    }

    // The value bar: one decimal and the unit; an empty slot one blank, zero two.
    struct Bar {
        TDateTime at;
        const char* collector;
        const char* frother;
    } bars[] = {
        {At(15, 8, 2), "1234,0 %", "  "},
        {At(15, 9, 0), "50,0 %", "60,0 %"},
        {At(15, 10, 0), " ", " "},
    };
    for (const Bar& b : bars) {
        tanks->LevelGraphBakLevel->SetCursorTime(b.at);
        tanks->LevelGraphBakLevelChange(tanks->LevelGraphBakLevel);
        EXPECT_EQ(Shown(tanks->OutFieldCursorVal), b.collector);
        EXPECT_EQ(Shown(tanks->OutFieldCursorVal2), b.frother);
        EXPECT_EQ(tanks->OutFieldCurTime->Caption(), FormatDateTime("dd.mm.yyyy hh:nn:ss", b.at));
    }
}

TEST_F(SingleGraphTest, TheBarShowsTheMiddleOfThePeriodAfterEachLoad) {
    for (int m = 0; m < 5; ++m) {
        Row("belt_386_2", IncMinute(At(15, 12, 57), m), "TNK", "120.5");
        Row("belt_401", IncMinute(At(15, 12, 57), m), "TNK", "0");
    }
    auto* belt = OpenScreen<TFormGraphBeltWork>();
    belt->ComboBox1->SetItemIndex(0);
    belt->Reload();
    // The cursor stands in the middle of the shift, 12:59:59.5.
    EXPECT_EQ(Shown(belt->OutFieldCursorVal), "120,5 т/час");
    EXPECT_EQ(Shown(belt->OutFieldCursorVal2), "  ");
    EXPECT_EQ(belt->OutFieldCurTime->Caption(), "15.03.2010 12:59:59");
    EXPECT_EQ(belt->Label2->Caption(), "Нагрузка конвейера п.386-2:");
    EXPECT_EQ(belt->Label1->Caption(), "Нагрузка конвейера п.401:");
}

TEST_F(SingleGraphTest, AnEmptyBelt401LeavesCurveOneEmptyAndEachTableIsCheckedFromItsOwnNewestPoint) {
    for (int m = 0; m < 10; ++m) Row("belt_386_2", IncMinute(At(15, 8, 0), m), "TNK", "1");
    auto* belt = OpenScreen<TFormGraphBeltWork>();
    belt->LevelGraphBeltWork->SetYMax(3);
    belt->ComboBox1->SetItemIndex(0);
    belt->Reload();
    EXPECT_EQ(belt->LevelGraphBeltWork->GetPoint(0, At(15, 8, 5)), 1);
    EXPECT_EQ(belt->LevelGraphBeltWork->GetPoint(1, At(15, 8, 5)), -1);
    EXPECT_EQ(belt->LevelGraphBeltWork->YMax(), 5);
    EXPECT_TRUE(SameMs(belt->LastPointTimes[0], At(15, 8, 8, 50)));
    EXPECT_TRUE(SameMs(belt->LastPointTimes[1], At(15, 6, 59)));
    // The timer's one-minute test reads the earlier of the two.
    EXPECT_TRUE(SameMs(belt->LastPointTime, At(15, 6, 59)));
    belt->statements.clear();
    belt->CheckForUpdates();
    ASSERT_EQ(belt->statements.size(), 2u);
    EXPECT_NE(belt->statements[0].find("from belt_386_2 where RecMoment >= '2010-03-15 08:08:50'"), std::string::npos);
    EXPECT_NE(belt->statements[1].find("from belt_401 where RecMoment >= '2010-03-15 06:59:00'"), std::string::npos);

    // No rows at all: the scale is raised all the same.
    db->Exec("delete from belt_386_2");
    belt->LevelGraphBeltWork->SetYMax(3);
    belt->Reload();
    EXPECT_EQ(belt->LevelGraphBeltWork->YMax(), 5);
    belt->LevelGraphBeltWork->SetYMax(3);
    belt->CheckForUpdates();
    EXPECT_EQ(belt->LevelGraphBeltWork->YMax(), 5);
}

TEST_F(SingleGraphTest, ABelt401AheadOfBelt386LeavesNoHoleInCurveZero) {
    for (int m = 0; m <= 2; ++m) Row("belt_386_2", IncMinute(At(15, 8, 0), m), "TNK", "100");
    for (int m = 0; m <= 7; ++m) Row("belt_401", IncMinute(At(15, 8, 0), m), "TNK", "200");
    auto* belt = OpenScreen<TFormGraphBeltWork>();
    belt->ComboBox1->SetItemIndex(0);
    clock.Set(At(15, 8, 8));
    belt->Reload();
    // belt_386_2 catches up: its rows from 08:03 come in with the next check.
    for (int m = 3; m <= 8; ++m) Row("belt_386_2", IncMinute(At(15, 8, 0), m), "TNK", "110");
    clock.Set(At(15, 8, 9));
    belt->TimerTicks = 1;
    belt->TimerUpdateTimer(belt->TimerUpdate);
    for (int m = 0; m <= 7; ++m)
        EXPECT_GE(belt->LevelGraphBeltWork->GetPoint(0, IncMinute(At(15, 8, 0), m)), 100) << "08:0" << m;
    EXPECT_EQ(belt->LevelGraphBeltWork->GetPoint(0, At(15, 8, 5)), 110);
    EXPECT_EQ(belt->LevelGraphBeltWork->GetPoint(1, At(15, 8, 5)), 200);
}

// Per tick: "R" a full reload statement, "C" a check statement; "D" marks a tick while the
// connection is down. A check that fails while down is posted.
TEST_F(SingleGraphTest, TimerTicksReloadAtTheFirstAndFifthAndChecksRunEvenWhileTheConnectionIsDown) {
    struct Case {
        TGraphScreen* screen;
        bool pastDay;
        std::vector<std::string> ticks;
    } cases[] = {
        {OpenScreen<TFormGraphZola>(), false, {"D ", "U R", "U C", "D C", "U R", "U C"}},
        {OpenScreen<TFormGraphBeltWork>(), false, {"U RR", "U CC", "D C", "U CC", "U RR", "U CC"}},
        {OpenScreen<TFormGraphBakLevel>(), true, {"U R", "U ", "U ", "U ", "U R", "U "}},
    };
    clock.Set(At(15, 10, 0));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        if (k.pastDay) k.screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 14));
        const std::string start = k.pastDay ? "'2010-03-14 07:00:00' and" : "'2010-03-15 07:00:00' and";
        for (std::size_t t = 0; t < k.ticks.size(); ++t) {
            const bool down = k.ticks[t][0] == 'D';
            if (down) ConnectionDown();
            LogOf(k.screen).statements.clear();
            k.screen->TimerUpdateTimer(k.screen->TimerUpdate);
            if (down) ConnectionUp();
            std::string did;
            for (const std::string& sql : LogOf(k.screen).statements)
                did += sql.find(start) != std::string::npos ? "R" : "C";
            EXPECT_EQ(did, k.ticks[t].substr(2)) << "tick " << t + 1;
            std::vector<std::string> events = testlib::TakeEvents();
            if (down && did == "C")
                EXPECT_EQ(events, std::vector<std::string>{"Ошибка в " + k.screen->Setup().ScreenName.str() +
                                                           "::CheckForUpdates()."});
            else
                EXPECT_TRUE(events.empty()) << "tick " << t + 1 << "\n" << Joined(events);
        }
        EXPECT_EQ(k.screen->TimerTicks, static_cast<int>(k.ticks.size()));
        EXPECT_FALSE(k.screen->TimerBusy);
        EXPECT_FALSE(k.screen->LoadBusy);
    }
}

// A table gone, and a value that is no number in the fourth row.
TEST_F(SingleGraphTest, FailuresArePostedWithTheScreensNameAndTheRowsBeforeStay) {
    struct Case {
        TGraphScreen* screen;
        const char* table;
        const char* column;
        const char* name;
    } cases[] = {
        {OpenScreen<TFormGraphZola>(), "puf_data", "SOF", "TFormGraphZola"},
        {OpenScreen<TFormGraphBakLevel>(), "puf_data", "URP", "TFormGraphBakLevel"},
        {OpenScreen<TFormGraphBeltWork>(), "belt_386_2", "TNK", "TFormGraphBeltWork"},
    };
    clock.Set(At(15, 10, 0));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string reload = std::string("Ошибка в ") + k.name + "::Reload()";
        db->Exec(std::string("rename table ") + k.table + " to away");
        k.screen->ComboBox1->SetItemIndex(0);
        EXPECT_NO_THROW(k.screen->Reload());
        EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{reload});
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
        EXPECT_FALSE(k.screen->LoadBusy);
        k.screen->CheckForUpdates();
        EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{std::string("Ошибка в ") + k.name + "::CheckForUpdates()."});
        db->Exec(std::string("rename table away to ") + k.table);

        db->Exec(std::string("alter table ") + k.table + " modify " + k.column + " varchar(10)");
        db->Exec(std::string("delete from ") + k.table);
        for (int m = 0; m < 5; ++m) Row(k.table, IncMinute(At(15, 8, 0), m), k.column, m == 3 ? "'x'" : "'7'");
        EXPECT_NO_THROW(k.screen->Reload());
        EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{reload});
        auto* s = static_cast<TSingleGraphScreen*>(k.screen);
        const int curve = std::string(k.column) == "URP" ? 1 : 0;
        EXPECT_EQ(s->Graph->GetPoint(curve, At(15, 8, 1)), 7);
        EXPECT_FALSE(k.screen->LoadBusy);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
    }
}

TEST_F(SingleGraphTest, TheEditModeSwitchedAtRunTimeHooksTheChartAndTheLabels) {
    FormMain->Show();
    for (TSingleGraphScreen* s : std::initializer_list<TSingleGraphScreen*>{
             OpenScreen<TFormGraphZola>(), OpenScreen<TFormGraphBakLevel>(), OpenScreen<TFormGraphBeltWork>()}) {
        SCOPED_TRACE(s->Name().str());
        guitest::ShowForm(s);
        for (bool mode : {true, false}) {
            SCOPED_TRACE(mode);
            WidgetEditMode = mode;
            s->SetEditMode();
            guitest::ModalDriver modal;
            modal.Then([](TCustomForm* f) {
                EXPECT_NE(dynamic_cast<TFormEditGraph*>(f), nullptr);
                f->SetModalResult(mrCancel);
            });
            guitest::DialogDriver dialogs;
            dialogs.Cancel();
            guitest::MouseDown(s->Graph, TPoint(200, 100), mbRight, ssRight);
            guitest::MouseUp(s->Graph, TPoint(200, 100), mbRight);
            guitest::Click(s->Label2);
            EXPECT_EQ(modal.Shown(), mode ? 1 : 0);
            EXPECT_EQ(dialogs.DialogsShown(), mode ? 1 : 0);
            // Output fields are never hooked.
            EXPECT_FALSE(s->OutFieldCursorVal->OnClick.Assigned());
        }
    }
    WidgetEditMode = false;
}

TEST_F(SingleGraphTest, ScaleLimitsAreKeptInTheScreensLimitsSection) {
    auto* ash = OpenScreen<TFormGraphZola>();
    ash->LevelGraphZola->SetYMax(60);
    ash->LevelGraphZola->SetYLabelStep(15);
    ash->Free();
    screens.erase(std::find(screens.begin(), screens.end(), ash));
    TIniFile ini{AnsiString(dir / "config/FormGraphZola.INI")};
    EXPECT_EQ(ini.ReadFloat("LevelGraphZolaLimits", "YMax", 0), 60);
    EXPECT_FALSE(ini.ValueExists("LevelGraphZolaLimits", "RightYMin"));
    auto* again = OpenScreen<TFormGraphZola>();
    EXPECT_EQ(again->LevelGraphZola->YMax(), 60);
    EXPECT_EQ(again->LevelGraphZola->YLabelStep(), 15);
}

// The page's picture references, and the page itself.
std::vector<std::string> PagePictures(const std::string& page) {
    std::ifstream in(page);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> out;
    const std::string s = text.str(), open = "<img src=\"";
    for (std::size_t at = s.find(open); at != std::string::npos; at = s.find(open, at + 1)) {
        const std::size_t from = at + open.size();
        out.push_back(s.substr(from, s.find('"', from) - from));
    }
    return out;
}

TEST_F(SingleGraphTest, TheReportShowsTitleDateAndTheChartAt1000By500) {
    Row("puf_data", At(15, 8, 0), "SOF, URS, URP", "10, 20, 30");
    Row("belt_386_2", At(15, 8, 0), "TNK", "100");
    for (TSingleGraphScreen* s : std::initializer_list<TSingleGraphScreen*>{
             OpenScreen<TFormGraphZola>(), OpenScreen<TFormGraphBakLevel>(), OpenScreen<TFormGraphBeltWork>()}) {
        SCOPED_TRACE(s->Name().str());
        for (bool loaded : {false, true}) {
            if (loaded) s->Reload();
            std::string pdf = dir / (s->Name().str() + ".pdf");
            testlib::PrintDialogs print(pdf);
            guitest::ModalDriver modal;
            modal.Then([](TCustomForm* f) {
                FormWebPrint->ButPrint->Click();
                f->SetModalResult(mrCancel);
            });
            s->PrintReport();
            ASSERT_EQ(modal.Shown(), 1);
            std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
            const std::string date = loaded ? "15.03.2010" : "30.12.1899";
            for (const std::string& want : {testlib::SquashBlanks(s->LabelTop->Caption().str()), date})
                EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
            std::vector<std::string> pics = PagePictures(FormWebPrint->PagePath().str());
            ASSERT_EQ(pics.size(), 1u);
            const std::filesystem::path pic =
                std::filesystem::path(FormWebPrint->PagePath().str()).parent_path() / pics[0];
            EXPECT_EQ(std::filesystem::canonical(pic), std::filesystem::canonical(dir / "Temp/DIV_pic0.bmp"));
            TBitmap b;
            b.LoadFromFile(pic.string());
            EXPECT_EQ(b.Width(), 1000);
            EXPECT_EQ(b.Height(), 500);
        }
    }
}

}  // namespace
