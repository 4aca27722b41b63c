// The flotation trend screen over puf_data in the private database: loading a shift and a day,
// the 10-second fill and its gaps, the right-scale conversion and the value window, the timer that
// extends the period and reloads it, the scale dialog, zoom, Enter, and the printed report.
#include "GraphsTestSupport.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "screens/graphs/FormEditGraph.h"
#include "screens/graphs/FormFlotGraph.h"
#include "screens/graphs/FormGraphFLPoint.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/OutField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using graphstest::GraphDbStation;

TDateTime At(int day, int h, int m, int s = 0) { return EncodeDateTime(2010, 3, day, h, m, s, 0); }

bool SameMs(TDateTime a, TDateTime b) { return MilliSecondsBetweenRounded(a, b) == 0; }

std::string Sql(TDateTime t) { return "'" + FormatDateTime("yyyy-mm-dd hh:nn:ss", t).str() + "'"; }

class FlotGraphTest : public GraphDbStation {
protected:
    void SetUp() override {
        GraphDbStation::SetUp();
        REQUIRE_TEST_DB();
        screen = NewForm<TFormFlotGraph>(nullptr);
        FormFlotGraph = screen;
        // The tests tick the timer themselves.
        screen->TimerUpdate->SetEnabled(false);
        screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    }
    void TearDown() override {
        SetClockSource(nullptr);
        if (screen) screen->Free();
        screen = nullptr;
        GraphDbStation::TearDown();
    }
    // One row; the other columns follow RVF so every curve has a value.
    void Row(TDateTime t, double rvf, double zrrs = 3000, double zrrp = 200) {
        db->Exec("insert into puf_data (RecMoment, PLF, RVF, RGF, TRRS, TRRP, ZRRS, ZRRP) values (" + Sql(t) + ", " +
                 std::to_string(rvf + 1) + ", " + std::to_string(rvf) + ", " + std::to_string(rvf + 2) + ", " +
                 std::to_string(rvf + 3) + ", " + std::to_string(rvf + 4) + ", " + std::to_string(zrrs) + ", " +
                 std::to_string(zrrp) + ")");
    }
    void Minutes(TDateTime from, int count) {
        std::string sql = "insert into puf_data (RecMoment, PLF, RVF, RGF, TRRS, TRRP, ZRRS, ZRRP) values ";
        for (int k = 0; k < count; ++k) {
            if (k) sql += ",";
            int v = k % 500;
            sql += "(" + Sql(IncMinute(from, k)) + "," + std::to_string(v + 1) + "," + std::to_string(v) + "," +
                   std::to_string(v + 2) + "," + std::to_string(v + 3) + "," + std::to_string(v + 4) + ",3000,200)";
        }
        db->Exec(sql);
    }
    void Tick() { screen->TimerUpdateTimer(screen->TimerUpdate); }
    void Now(TDateTime t) {
        SetClockSource([t] { return t; });
    }
    TFormFlotGraph* screen = nullptr;
};

TEST_F(FlotGraphTest, LoadsAShiftAndADay) {
    Minutes(At(15, 7, 0), 1440);
    struct Case {
        int comboIndex;
        TDateTime start, stop;
        int slotCount;
        TDateTime labelStep;
    } cases[] = {
        {0, At(15, 7, 0), At(15, 18, 59, 59), 719, OneHour},
        {1, At(15, 19, 0), At(16, 6, 59, 59), 719, OneHour},
        {2, At(15, 7, 0), At(16, 6, 59, 59), 1439, 2 * OneHour},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.comboIndex);
        screen->ComboBox1->SetItemIndex(k.comboIndex);
        screen->Reload();
        EXPECT_EQ(screen->ShiftNumber, k.comboIndex + 1);
        EXPECT_TRUE(SameMs(screen->PeriodStart, k.start));
        EXPECT_TRUE(SameMs(screen->PeriodStop, k.stop));
        EXPECT_FALSE(screen->ReloadPending);
        EXPECT_FALSE(screen->LoadBusy);
        EXPECT_FALSE(screen->WaitPanel->Visible());
        for (int i = 0; i < 5; ++i) {
            TLevelGraph* g = screen->GraphList[i];
            EXPECT_EQ(g->IntervalPointCount(), k.slotCount) << g->Name();
            EXPECT_EQ(g->XLabelStep(), k.labelStep);
            EXPECT_TRUE(SameMs(g->StartTime(), k.start));
        }
    }
    // A minute's slot holds the next row's values (repeated every 10 s up to that row) and, at
    // its last 10 s, the row after: RVF k+1 and k+2 for the slot of minute k.
    for (int k : {1, 60, 61, 499 - 2}) {
        TDateTime t = IncMinute(At(15, 7, 0), k);
        EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, t), k + 1) << k;
        EXPECT_EQ(screen->LevelGraphPP->GetPoint(0, t), k + 2) << k;
        EXPECT_EQ(screen->LevelGraphRP->Slots()[0][k].Max, k + 2) << k;
    }
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 7, 0)), 0);
    // The newest point: the last fill step before the day's last row.
    EXPECT_TRUE(SameMs(screen->LastPointTime, At(16, 6, 58, 50)));
}

TEST_F(FlotGraphTest, RowsAtMostFiveMinutesApartAreFilledFurtherApartLeaveAGap) {
    struct Case {
        const char* what;
        TDateTime first, second;
        TDateTime probe;
        double want;
    } cases[] = {
        {"five minutes apart: filled", At(15, 8, 0), At(15, 8, 5), At(15, 8, 2, 30), 20},
        {"five minutes and a second: a gap", At(15, 9, 0), At(15, 9, 5, 1), At(15, 9, 2, 30), -1},
        {"after the gap the row stands at its own time", At(15, 10, 0), At(15, 10, 5, 1), At(15, 10, 5, 1), 60},
    };
    int n = 0;
    for (const Case& k : cases) {
        Row(k.first, 10 + 20 * n);
        Row(k.second, 20 + 20 * n);
        ++n;
    }
    screen->ComboBox1->SetItemIndex(0);
    screen->Reload();
    for (const Case& k : cases) EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, k.probe), k.want) << k.what;
    // Nothing before the first row of a load is filled.
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 7, 59)), -1);
}

TEST_F(FlotGraphTest, SpecificFlowsFollowTheRightScaleAndComeBackInTheValueWindow) {
    // LevelGraphRS: right scale 1500/9000/1500 against 0..1200, so 0 -> 0 and 9000 -> 1200.
    Row(At(15, 8, 0), 10, 9000, 400);
    Row(At(15, 8, 10), 10, 4500, 50 - 50);
    Row(At(15, 8, 20), 10, -1500, 100);
    screen->ComboBox1->SetItemIndex(0);
    screen->Reload();
    TLevelGraph* rs = screen->LevelGraphRS;
    TLevelGraph* rn = screen->LevelGraphRN;
    ASSERT_EQ(rs->YMax(), 1200);
    EXPECT_DOUBLE_EQ(rs->GetPoint(1, At(15, 8, 0)), 1200);
    EXPECT_DOUBLE_EQ(rn->GetPoint(1, At(15, 8, 0)), 60);
    EXPECT_DOUBLE_EQ(rs->GetPoint(1, At(15, 8, 10)), 600);
    EXPECT_DOUBLE_EQ(rn->GetPoint(1, At(15, 8, 10)), 0);
    EXPECT_DOUBLE_EQ(rs->GetPoint(1, At(15, 8, 20)), 0);  // below the scale: clamped to 0

    FormMain->CurrentForm = screen;
    screen->CmdShowSatelliteClick(nullptr);
    TFormGraphFLPoint* w = screen->PointWindow;
    ASSERT_NE(w, nullptr);
    for (TLevelGraph* g : screen->GraphList)
        if (g) g->SetCursorTime(At(15, 8, 10));
    w->Timer1Timer(w->Timer1);
    EXPECT_NEAR(w->OutFieldRS1->OutValue(), 4500, 1e-6);
    EXPECT_NEAR(w->OutFieldRP->OutValue(), 10, 1e-9);
    EXPECT_EQ(Trim(w->OutFieldRN1->Caption()), AnsiString(""));  // zero shows blank
    EXPECT_EQ(w->OutFieldRS0->Pen()->Color(), rs->GetGraphPen(0)->Color());
    EXPECT_NE(w->OutFieldDateTime->Caption().Pos("15.03.2010 08:10:00"), 0);

    // A minute without data reads blank; the buttons step the cursor of every graph.
    w->ButGoRightClick(nullptr);
    EXPECT_EQ(MilliSecondsBetweenRounded(At(15, 8, 11), rs->CursorTime()), 0);
    w->Timer1Timer(w->Timer1);
    EXPECT_LT(w->OutFieldRS1->OutValue(), 0);
    EXPECT_EQ(Trim(w->OutFieldRS1->Caption()), AnsiString(""));
    EXPECT_EQ(screen->LevelGraphWP->CursorTime(), rs->CursorTime());

    // Another screen in front: the window hides itself.
    FormMain->CurrentForm = nullptr;
    w->Timer1Timer(w->Timer1);
    EXPECT_FALSE(w->Visible());
}

TEST_F(FlotGraphTest, TheTimerPicksUpANewRowWithinOnePeriodAndReloadsAtTheFourthTick) {
    Minutes(At(15, 7, 0), 180);  // 07:00 .. 09:59
    screen->ComboBox1->SetItemIndex(2);
    Now(At(15, 10, 0, 30));
    Tick();  // tick 1: the first full load
    EXPECT_FALSE(screen->ReloadPending);
    EXPECT_TRUE(SameMs(screen->LastPointTime, At(15, 9, 58, 50)));
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 10, 0)), -1);

    Row(At(15, 10, 0), 700);
    Row(At(15, 10, 1), 701);
    Now(At(15, 10, 1, 30));
    Tick();  // tick 2: the newest point is over a minute old, so the new rows come in
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 10, 0)), 701);
    EXPECT_TRUE(SameMs(screen->LastPointTime, At(15, 10, 0, 50)));

    Row(At(15, 10, 2), 702);
    Tick();  // tick 3: the newest point is 40 s old: no query
    EXPECT_TRUE(SameMs(screen->LastPointTime, At(15, 10, 0, 50)));

    // A past period is never checked, only reloaded at the fourth tick.
    screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 14));
    Now(At(15, 10, 4));
    Tick();  // tick 4: the forced full reload, of the 14th now
    EXPECT_TRUE(SameMs(screen->PeriodStart, At(14, 7, 0)));
    Row(At(14, 12, 0), 5);
    Now(At(15, 12, 0));
    Tick();
    Tick();
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(14, 12, 0)), -1);
    EXPECT_EQ(screen->TimerTicks, 6);
}

TEST_F(FlotGraphTest, YMaxIsAtLeastFiveAfterALoadWithRowsAndUntouchedAfterAnEmptyOne) {
    screen->LevelGraphRP->SetYMax(3);
    screen->ComboBox1->SetItemIndex(0);
    screen->Reload();  // no rows
    EXPECT_EQ(screen->LevelGraphRP->YMax(), 3);
    Row(At(15, 8, 0), 1);
    screen->Reload();
    EXPECT_EQ(screen->LevelGraphRP->YMax(), 5);
    EXPECT_EQ(screen->LevelGraphPP->YMax(), 300);
}

TEST_F(FlotGraphTest, WithoutAConnectionTheReloadStaysPending) {
    FormMain->SQLConnection1->Close();
    screen->ReloadPending = true;
    Tick();
    EXPECT_TRUE(screen->ReloadPending);
    EXPECT_FALSE(screen->LoadBusy);
    EXPECT_FALSE(screen->TimerBusy);
}

TEST_F(FlotGraphTest, NewScalesFromTheDialogReloadTheConvertedPoints) {
    Row(At(15, 8, 0), 10, 4500);
    screen->ComboBox1->SetItemIndex(0);
    screen->Reload();
    TLevelGraph* rs = screen->LevelGraphRS;
    ASSERT_DOUBLE_EQ(rs->GetPoint(1, At(15, 8, 0)), 600);

    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        auto* d = static_cast<TFormEditGraph*>(f);
        EXPECT_TRUE(d->CheckBoxShowRightScale->Checked());
        EXPECT_TRUE(d->EditRightYMin->Visible());
        d->EditYMax->SetText("2400");
        d->SetModalResult(mrOk);
    });
    screen->OnLevelGraphMouseDown(rs, mbRight, ssRight, 100, 50);
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_EQ(rs->YMax(), 2400);
    // 4500 is halfway up the right scale: 1200 on the new left scale.
    EXPECT_DOUBLE_EQ(rs->GetPoint(1, At(15, 8, 0)), 1200);

    // A cancelled dialog changes nothing and loads nothing.
    modal.ThenClose(mrCancel);
    Row(At(15, 9, 0), 10, 4500);
    screen->OnLevelGraphMouseDown(rs, mbRight, ssRight, 100, 50);
    EXPECT_EQ(rs->GetPoint(1, At(15, 9, 0)), -1);
}

TEST_F(FlotGraphTest, ScaleLimitsAreKeptInTheScreensOwnFile) {
    screen->LevelGraphRS->SetYMax(1800);
    screen->LevelGraphRS->SetRightYMax(12000);
    screen->LevelGraphWP->SetYLabelStep(30);
    screen->SaveGraphScales();
    EXPECT_EQ(screen->IniFileName.str(), dir / "config/FormFlotGraph.INI");
    TIniFile ini(screen->IniFileName);
    EXPECT_EQ(ini.ReadFloat("LevelGraphRSLimits", "YMax", 0), 1800);
    EXPECT_EQ(ini.ReadFloat("LevelGraphRSLimits", "RightYMax", 0), 12000);
    EXPECT_FALSE(ini.ValueExists("LevelGraphWPLimits", "RightYMin"));
    EXPECT_TRUE(ini.ValueExists("LevelGraphWPLimits", "YLabelStep"));

    screen->Free();
    screen = NewForm<TFormFlotGraph>(nullptr);
    screen->TimerUpdate->SetEnabled(false);
    EXPECT_EQ(screen->LevelGraphRS->YMax(), 1800);
    EXPECT_EQ(screen->LevelGraphRS->RightYMax(), 12000);
    EXPECT_EQ(screen->LevelGraphWP->YLabelStep(), 30);
}

TEST_F(FlotGraphTest, ZoomButtonsToggleOneGraphAndAllGraphs) {
    screen->ShowAllGraphs();
    auto visible = [&] {
        std::string v;
        for (int i = 0; i < 5; ++i) v += screen->GraphList[i]->Visible() ? '1' : '0';
        return v;
    };
    screen->SButLevelGraphPPZoom->Click();
    EXPECT_EQ(visible(), "01000");
    EXPECT_EQ(screen->LevelGraphPP->Align(), alClient);
    EXPECT_TRUE(screen->LevelGraphPP->ShowScaleX());
    screen->SButLevelGraphPPZoom->Click();
    EXPECT_EQ(visible(), "11111");
    EXPECT_FALSE(screen->LevelGraphPP->ShowScaleX());
    EXPECT_TRUE(screen->LevelGraphRN->ShowScaleX());
    // Zoomed, then all shown by the print: the next click of that button shows all, the one after zooms.
    screen->SButLevelGraphRSZoom->Click();
    screen->ShowAllGraphs();
    screen->SButLevelGraphRSZoom->Click();
    EXPECT_EQ(visible(), "11111");
    screen->SButLevelGraphRSZoom->Click();
    EXPECT_EQ(visible(), "00010");
}

// The reagent charts' legends sit above their plots, so that no grid line runs through them, however
// the graphs are laid out.
TEST_F(FlotGraphTest, TheLegendsStayAboveThePlotsGridLines) {
    struct Legend {
        TLabel* label;
        TLevelGraph* chart;
    } legends[] = {{screen->LabelLegendRSLeft, screen->LevelGraphRS},
                   {screen->LabelLegendRSRight, screen->LevelGraphRS},
                   {screen->LabelLegendRPLeft, screen->LevelGraphRN},
                   {screen->LabelLegendRPRight, screen->LevelGraphRN}};
    auto check = [&](const char* layout) {
        for (const Legend& l : legends) {
            if (!l.chart->Visible()) continue;
            EXPECT_EQ(l.label->Parent(), l.chart) << layout;
            EXPECT_GE(l.label->Top(), 0) << layout << " " << l.label->Name();
            EXPECT_LE(l.label->Top() + l.label->Height(), l.chart->GraphTop()) << layout << " " << l.label->Name();
        }
    };
    screen->SetBounds(0, 0, 1024, 700);
    screen->ShowAllGraphs();
    check("all graphs");
    screen->SButLevelGraphRSZoom->Click();
    check("collector flows zoomed");
    screen->SButLevelGraphRSZoom->Click();
    screen->SButLevelGraphRNZoom->Click();
    check("frother flows zoomed");
}

TEST_F(FlotGraphTest, EnterOnTheDatePickerReloads) {
    Row(At(15, 8, 0), 10);
    FormMain->Show();
    guitest::ShowForm(screen);
    screen->ComboBox1->SetItemIndex(0);
    screen->DateTimePicker1->SetFocus();
    guitest::Pump();
    guitest::Key(VK_RETURN);
    EXPECT_FALSE(screen->ReloadPending);
    EXPECT_TRUE(SameMs(screen->PeriodStart, At(15, 7, 0)));
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 8, 0)), 10);
}

TEST_F(FlotGraphTest, PrintsTheFiveGraphsIntoAReport) {
    Minutes(At(15, 7, 0), 720);
    screen->ComboBox1->SetItemIndex(0);
    screen->Reload();
    std::string pdf = dir / "flot.pdf";
    testlib::PrintDialogs dialogs(pdf);
    guitest::ModalDriver modal;
    std::string shown;
    modal.Then([&](TCustomForm* f) {
        shown = FormWebPrint->CppWebBrowser1->PlainText().str();
        FormWebPrint->ButPrint->Click();
        f->SetModalResult(mrCancel);
    });
    screen->PrintReport();
    ASSERT_EQ(modal.Shown(), 1);
    for (int i = 0; i < 5; ++i) {
        AnsiString pic = TempDir + "/FL_pic" + IntToStr(i) + ".bmp";
        TBitmap b;
        b.LoadFromFile(pic);
        EXPECT_EQ(b.Width(), 1000);
        EXPECT_EQ(b.Height(), 150);
    }
    std::string page = apptest::ReadFile(FormWebPrint->PagePath().str());
    EXPECT_NE(page.find(TempDir.str() + "/FL_pic4.bmp"), std::string::npos);
    EXPECT_NE(shown.find("Расход исходной пульпы, м3/ч"), std::string::npos);
    std::string text = testlib::PdfText(pdf);
    for (const char* want : {"Графики параметров процесса флотации", "15.03.2010", "Расход исходной пульпы, м3/ч",
                             "Плотность исходной пульпы, г/л", "Весовая нагрузка по твердому, т/ч", "Расход собирателя",
                             "Расход вспенивателя"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
    EXPECT_EQ(testlib::PdfPages(pdf), 1);
    std::string images = testlib::Run("pdfimages -list '" + pdf + "' 2>/dev/null");
    int count = 0;
    for (std::size_t at = images.find(" image "); at != std::string::npos; at = images.find(" image ", at + 1)) ++count;
    EXPECT_EQ(count, 5) << images;
}

}  // namespace

namespace {

TEST_F(FlotGraphTest, TheEditModeIsTakenAtConstruction) {
    for (bool mode : {false, true}) {
        SCOPED_TRACE(mode);
        WidgetEditMode = mode;
        screen->Free();
        screen = NewForm<TFormFlotGraph>(nullptr);
        screen->TimerUpdate->SetEnabled(false);
        TNotifyEvent router(static_cast<TGraphScreen*>(screen), &TGraphScreen::ColorConfigClick);
        EXPECT_EQ(screen->LabelTitle1->OnClick == router, mode);
        EXPECT_EQ(screen->LabelLegendRSRight->OnClick == router, mode);
        EXPECT_EQ(screen->LevelGraphRS->OnMouseDown.Assigned(), mode);
        EXPECT_EQ(screen->LevelGraphRP->BackColor(), 16768494);
        EXPECT_EQ(screen->PanelTop->Color(), 16768494);
        // The curves take the legend colours whatever the pen file says.
        EXPECT_EQ(screen->LevelGraphRS->GetGraphPen(1)->Color(), screen->LabelLegendRSRight->Font()->Color());
        EXPECT_EQ(screen->LevelGraphRP->GetGraphPen(0)->Width(), 2);
    }
    WidgetEditMode = false;
}

}  // namespace

#include "app/FormMainMenu.h"

namespace {

TMenuItem* FindMenuItem(TMenuItem* item, TBasicAction* action) {
    for (int i = 0; i < item->Count(); ++i) {
        if (item->Items(i)->Action() == action) return item->Items(i);
        if (TMenuItem* found = FindMenuItem(item->Items(i), action)) return found;
    }
    return nullptr;
}

// The operator's road: the launcher, the flotation trends of today by their key, the newest rows
// on the charts after the first timer tick, and the report printed from the main menu into a PDF.
TEST_F(FlotGraphTest, FromTheLauncherToThePrintedTrendReport) {
    TDateTime now = At(15, 11, 30);
    Now(now);
    Minutes(At(15, 7, 0), 270);  // 07:00 .. 11:29
    FormMainMenu = NewForm<TFormMainMenu>(nullptr);
    FormMain->Show();
    guitest::ShowForm(FormMain);
    EXPECT_EQ(FormMain->CurrentForm, FormMainMenu);

    screen->DateTimePicker1->SetDate(Date());
    guitest::Key(VK_F12, 0, FormMain);
    EXPECT_EQ(FormMain->CurrentForm, screen);
    Tick();
    EXPECT_EQ(screen->ShiftNumber, 3);
    EXPECT_EQ(screen->LevelGraphRP->GetPoint(0, At(15, 11, 27)), 268);  // the 11:28 row fills 11:27

    std::string pdf = dir / "trends.pdf";
    testlib::PrintDialogs dialogs(pdf);
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        FormWebPrint->ButPrint->Click();
        f->SetModalResult(mrCancel);
    });
    TMenuItem* item = FindMenuItem(FormMain->MainMenu1->Items(), FormMain->ActionPrintFlotGraph);
    ASSERT_NE(item, nullptr);
    item->Click();
    EXPECT_EQ(modal.Shown(), 1);
    std::string text = testlib::PdfText(pdf);
    EXPECT_NE(text.find("Графики параметров процесса флотации"), std::string::npos) << text;
    EXPECT_NE(text.find("15.03.2010"), std::string::npos) << text;

    FormMainMenu->Free();
}

}  // namespace
