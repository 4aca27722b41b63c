// The hydrosizer trend screen over pug in the private database: its statement, the fill with its
// three-minute gap, the check after an empty reload, the ticks, its failures, the value window, the
// legend pens, zoom and layout, the printed report, and the screen reached from the main window.
#include "GraphsTestSupport.h"

#include "core/Global.h"
#include "screens/graphs/FormEditGraph.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphGS.h"
#include "screens/graphs/FormGraphZola.h"
#include "screens/graphs/FormGraph_GS_Point.h"
#include "widgets/Arrow.h"
#include "widgets/OutField.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using graphstest::LogOf;
using graphstest::Logged;

class HydrosizerGraphTest : public graphstest::JigDbStation {
protected:
    Logged<TFormGraphGS>* OpenGS() {
        auto* s = NewForm<Logged<TFormGraphGS>>(nullptr, AnsiString());
        s->TimerUpdate->SetEnabled(false);
        s->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        screens.push_back(s);
        return s;
    }
    void Cursor(TGraphScreen* s, TDateTime t) {
        for (int i = 0; s->GraphList[i]; ++i) s->GraphList[i]->SetCursorTime(t);
    }
    int PdfImages(const std::string& pdf) {
        std::string images = testlib::Run("pdfimages -list '" + pdf + "' 2>/dev/null");
        int count = 0;
        for (std::size_t at = images.find(" image "); at != std::string::npos; at = images.find(" image ", at + 1))
            ++count;
        return count;
    }
};

TEST_F(HydrosizerGraphTest, RowsUpToThreeMinutesApartAreFilledAndAnEmptyReloadChecksFromAMinuteBefore) {
    Row("pug", At(15, 8, 0), "PL2_GS, PL3_GS, RV2_GS, RG2_GS, TRTW_GS", "10, 11, 12, 13, 14");
    Row("pug", At(15, 8, 3), "PL2_GS, PL3_GS, RV2_GS, RG2_GS, TRTW_GS", "20, 21, 22, 23, 24");
    Row("pug", At(15, 9, 0), "PL2_GS", "30");
    Row("pug", At(15, 9, 3, 1), "PL2_GS", "40");
    auto* s = OpenGS();
    s->ComboBox1->SetItemIndex(0);
    s->Reload();
    ASSERT_EQ(LogOf(s).statements.size(), 1u);
    EXPECT_EQ(LogOf(s).statements[0],
              "select * from pug  where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59' "
              "order by RecMoment");
    struct Probe {
        const char* what;
        TLevelGraph* graph;
        int curve;
        TDateTime at;
        double want;
    } probes[] = {
        {"3:00 apart: filled, density in the tank", s->LevelGraphP, 2, At(15, 8, 1, 30), 21},
        {"3:00 apart: concentrate density", s->LevelGraphP, 1, At(15, 8, 1, 30), 20},
        {"volume flow", s->LevelGraphR, 1, At(15, 8, 1, 30), 22},
        {"weight flow", s->LevelGraphN, 1, At(15, 8, 1, 30), 23},
        {"water", s->LevelGraphU, 0, At(15, 8, 1, 30), 24},
        {"the feed density is never drawn", s->LevelGraphP, 0, At(15, 8, 1, 30), -1},
        {"the feed flow is never drawn", s->LevelGraphR, 0, At(15, 8, 1, 30), -1},
        {"3:01 apart: a gap", s->LevelGraphP, 1, At(15, 9, 1, 30), -1},
        {"after the gap the row stands at its own time", s->LevelGraphP, 1, At(15, 9, 3, 1), 40},
    };
    for (const Probe& p : probes) EXPECT_EQ(p.graph->GetPoint(p.curve, p.at), p.want) << p.what;

    // An empty period: the check starts a minute before it, so a row of the previous shift's last
    // minute lands in the first slot.
    s->DateTimePicker1->SetDate(EncodeDate(2010, 3, 16));
    s->Reload();
    EXPECT_TRUE(SameMs(s->LastPointTime, At(16, 6, 59)));
    Row("pug", At(16, 6, 59), "TRTW_GS", "77");
    s->CheckForUpdates();
    EXPECT_NE(LogOf(s).statements.back().find("where RecMoment >= '2010-03-16 06:59:00'"), std::string::npos);
    EXPECT_EQ(s->LevelGraphU->GetPoint(0, At(16, 7, 0)), 77);
}

TEST_F(HydrosizerGraphTest, TicksFailuresAndTheirTexts) {
    clock.Set(At(15, 10, 0));
    auto* s = OpenGS();
    // Reloads at ticks 1 and 3; nothing at all while the connection is down.
    const std::vector<std::string> ticks = {"U R", "D ", "U C", "U R", "U C"};
    for (std::size_t t = 0; t < ticks.size(); ++t) {
        const bool down = ticks[t][0] == 'D';
        if (down) ConnectionDown();
        LogOf(s).statements.clear();
        s->TimerUpdateTimer(s->TimerUpdate);
        if (down) ConnectionUp();
        std::string did;
        for (const std::string& sql : LogOf(s).statements)
            did += sql.find("'2010-03-15 07:00:00' and") != std::string::npos ? "R" : "C";
        EXPECT_EQ(did, ticks[t].substr(2)) << "tick " << t + 1;
    }
    EXPECT_EQ(s->TimerTicks, 4);
    EXPECT_TRUE(testlib::TakeEvents().empty());

    // A query that fails, and a value that is no number in the fourth row: the load goes on.
    db->Exec("rename table pug to away");
    s->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormGraphGS::Reload()"});
    s->CheckForUpdates();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormGraphGS::CheckForUpdates()."});
    db->Exec("rename table away to pug");
    db->Exec("alter table pug modify RG2_GS varchar(10)");
    for (int m = 0; m < 5; ++m) Row("pug", IncMinute(At(15, 8, 0), m), "PL2_GS, RG2_GS", m == 3 ? "1, 'x'" : "1, '2'");
    s->LevelGraphP->SetYMax(3);
    s->ComboBox1->SetItemIndex(0);
    s->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormGraphGS::QueryDataLoad()"});
    EXPECT_EQ(s->LevelGraphP->GetPoint(1, At(15, 8, 1)), 1);
    EXPECT_EQ(s->LevelGraphP->YMax(), 5);
    EXPECT_FALSE(s->LoadBusy);
    EXPECT_FALSE(s->WaitPanel->Visible());
}

TEST_F(HydrosizerGraphTest, TheValueWindowShowsTheEightFieldsInTheirFormat) {
    Row("pug", At(15, 8, 0), "PL2_GS, PL3_GS, RV2_GS, RG2_GS, TRTW_GS", "1234.5, 0, 12, 3.5, 100");
    auto* s = OpenGS();
    s->ComboBox1->SetItemIndex(0);
    s->Reload();
    s->CmdShowSatelliteClick(nullptr);
    TFormGraph_GS_Point* w = s->PointWindow;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Текущая точка графика");
    EXPECT_EQ(w->FormStyle(), fsStayOnTop);
    EXPECT_EQ(w->ClientWidth(), 328);
    EXPECT_EQ(w->ClientHeight(), 422);
    FormMain->CurrentForm = s;
    Cursor(s, At(15, 8, 0));
    w->Timer1Timer(w->Timer1);
    struct Field {
        TOutField* field;
        const char* shown;
        TLevelGraph* graph;
        int curve;
    } fields[] = {
        {w->OutField_PL1, "", s->LevelGraphP, 0},       {w->OutField_PL2, "1 234,5", s->LevelGraphP, 1},
        {w->OutField_PL3, "", s->LevelGraphP, 2},       {w->OutField_RV1, "", s->LevelGraphR, 0},
        {w->OutField_RV2, "12,0", s->LevelGraphR, 1},   {w->OutField_RG1, "", s->LevelGraphN, 0},
        {w->OutField_RG2, "3,5", s->LevelGraphN, 1},    {w->OutField_TRTW1, "100,0", s->LevelGraphU, 0},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.field->Name().str());
        EXPECT_EQ(f.field->OutFormat(), "# ### ##0.0; ; # ");
        EXPECT_EQ(Trim(f.field->Caption()), f.shown);
        EXPECT_EQ(f.field->Pen()->Color(), f.graph->GetGraphPen(f.curve)->Color());
    }
    // An empty slot shows one blank, a zero two.
    EXPECT_EQ(w->OutField_PL1->Caption(), " ");
    EXPECT_EQ(w->OutField_PL3->Caption(), "  ");
    EXPECT_NE(w->OutFieldDateTime->Caption().Pos("15.03.2010 08:00:00"), 0);
    // The steps move all four cursors; another screen in front hides the window.
    w->ButGoRightClick(w->ButGoRight);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(SameMs(s->GraphList[i]->CursorTime(), At(15, 8, 1)));
    FormMain->CurrentForm = FormMain;
    w->Timer1Timer(w->Timer1);
    EXPECT_FALSE(w->Visible());
}

TEST_F(HydrosizerGraphTest, EachDensityCurveTakesItsOwnLegendArrowsPen) {
    // The bed-height screens keep red pens for LevelGraphP in the shared colour file, and the
    // operator has made the tank density's arrow lime.
    apptest::WriteFile(dir / "GraphColors.INI",
                       "[LevelGraphP]\r\npc0=65535\r\npw0=2\r\npc1=255\r\npw1=1\r\npc2=255\r\npw2=1\r\n");
    apptest::WriteFile(dir / "FormGraphGS.INI", "[ArrowLegend13]\r\nColor=65280\r\nArrowWidth=4\r\n");
    auto* s = OpenGS();
    struct Case {
        int curve;
        TColor color;
        int width;
    } cases[] = {{0, 65535, 2}, {1, clBlue, 3}, {2, 65280, 4}};
    for (const Case& k : cases) {
        EXPECT_EQ(s->LevelGraphP->GetGraphPen(k.curve)->Color(), k.color) << k.curve;
        EXPECT_EQ(s->LevelGraphP->GetGraphPen(k.curve)->Width(), k.width) << k.curve;
    }
    EXPECT_EQ(s->ArrowLegend13->Color(), 65280);
    EXPECT_FALSE(s->LabelLegend11->Visible());
    // The other charts keep the form's 3-pixel pens.
    EXPECT_EQ(s->LevelGraphU->GetGraphPen(0)->Width(), 3);
}

TEST_F(HydrosizerGraphTest, ZoomAndTheStackedLayout) {
    auto* s = OpenGS();
    s->SetBounds(0, 0, 1000, 700);
    s->ShowAllGraphs();
    s->FormResize(s);
    const int h = (s->ClientHeight() - s->PanelTop->Height() - 20) / 4;
    EXPECT_EQ(s->LevelGraphP->Height(), h);
    EXPECT_EQ(s->LevelGraphN->Height(), h + 10);
    EXPECT_TRUE(s->LevelGraphU->ShowScaleX());
    EXPECT_FALSE(s->LevelGraphR->ShowScaleX());
    struct Case {
        int ix;
        int zoomedSubHeight, otherSubHeight;
    } cases[] = {{1, 30, 10}, {3, 50, 50}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.ix);
        s->InverseZoom(k.ix);
        EXPECT_FALSE(s->AllGraphsShown);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(s->GraphList[i]->Visible(), i == k.ix);
            EXPECT_EQ(s->GraphList[i]->GraphSubHeight(), i == k.ix ? k.zoomedSubHeight : k.otherSubHeight);
        }
        s->InverseZoom(k.ix);
        EXPECT_TRUE(s->AllGraphsShown);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(s->GraphList[i]->Visible());
    }
    // The four share one cursor.
    s->ComboBox1->SetItemIndex(0);
    s->Reload();
    s->LevelGraphN->SetCursorTime(At(15, 9, 0));
    s->LevelGraphPChange(s->LevelGraphN);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(SameMs(s->GraphList[i]->CursorTime(), At(15, 9, 0)));
}

TEST_F(HydrosizerGraphTest, TheEditModeIsTakenAtConstruction) {
    FormMain->Show();
    for (bool mode : {true, false}) {
        SCOPED_TRACE(mode);
        WidgetEditMode = mode;
        auto* s = OpenGS();
        guitest::ShowForm(s);
        WidgetEditMode = !mode;  // a later switch does not reach the screen
        guitest::ModalDriver modal;
        modal.Then([](TCustomForm* f) {
            EXPECT_NE(dynamic_cast<TFormEditGraph*>(f), nullptr);
            f->SetModalResult(mrCancel);
        });
        guitest::DialogDriver dialogs;
        dialogs.Cancel();
        guitest::MouseDown(s->LevelGraphR, TPoint(200, 50), mbRight, ssRight);
        guitest::MouseUp(s->LevelGraphR, TPoint(200, 50), mbRight);
        guitest::Click(s->Label2);
        EXPECT_EQ(modal.Shown(), mode ? 1 : 0);
        EXPECT_EQ(dialogs.DialogsShown(), mode ? 1 : 0);
    }
    WidgetEditMode = false;
}

TEST_F(HydrosizerGraphTest, TheReportShowsTheFourChartsAt1000By200FromTheWorkingFolder) {
    Row("pug", At(15, 8, 0), "PL2_GS, PL3_GS, RV2_GS, RG2_GS, TRTW_GS", "500, 400, 50, 20, 60");
    auto* s = OpenGS();
    s->ComboBox1->SetItemIndex(0);
    s->Reload();
    s->InverseZoom(2);  // zoomed: the print shows all four again
    std::string pdf = dir / "gs.pdf";
    testlib::PrintDialogs print(pdf);
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        FormWebPrint->ButPrint->Click();
        f->SetModalResult(mrCancel);
    });
    s->PrintReport();
    ASSERT_EQ(modal.Shown(), 1);
    EXPECT_TRUE(s->AllGraphsShown);
    const std::filesystem::path page = FormWebPrint->PagePath().str();
    for (int i = 0; i < 4; ++i) {
        // The page names each picture bare: it is found beside the page, in the working folder.
        const std::string name = "HS_pic" + std::to_string(i) + ".bmp";
        EXPECT_EQ(std::filesystem::canonical(page.parent_path() / name), std::filesystem::canonical(dir / name));
        TBitmap b;
        b.LoadFromFile(name);
        EXPECT_EQ(b.Width(), 1000);
        EXPECT_EQ(b.Height(), 200);
    }
    std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* want : {"Графики параметров работы гидросайзера", "15.03.2010", "Плотность",
                             "Объемный расход концентрата", "Весовой расход концентрата", "Расход технической воды"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
    EXPECT_EQ(PdfImages(pdf), 4);
}

// ---- The main window -----------------------------------------------------------------------------------------

class GraphScreensFromTheMainWindow : public HydrosizerGraphTest {
protected:
    void SetUp() override {
        HydrosizerGraphTest::SetUp();
        if (!db) return;
        // The start-up makes the single-graph screens; the main window's show makes the hydrosizer's.
        FormGraphZola = NewForm<TFormGraphZola>(nullptr);
        FormGraphBakLevel = NewForm<TFormGraphBakLevel>(nullptr);
        FormGraphBeltWork = NewForm<TFormGraphBeltWork>(nullptr);
        for (TForm* f : std::initializer_list<TForm*>{FormGraphZola, FormGraphBakLevel, FormGraphBeltWork}) screens.push_back(f);
        FormMain->OnShow = TNotifyEvent(FormMain, &TFormMain::FormShow);
        FormMain->Show();
        ASSERT_NE(FormGraphGS, nullptr);
        for (TGraphScreen* s : four()) s->TimerUpdate->SetEnabled(false);
        for (TGraphScreen* s : std::initializer_list<TGraphScreen*>{FormGraph3Zoom1, FormGraph3Zoom2, FormGraphTS_1, FormGraphTS_2, FormGraphAir_1,
                                FormGraphAir_2})
            s->TimerUpdate->SetEnabled(false);
    }
    void TearDown() override {
        Application->OnMessage = nullptr;
        HydrosizerGraphTest::TearDown();
    }
    static std::vector<TGraphScreen*> four() { return {FormGraphZola, FormGraphBakLevel, FormGraphBeltWork, FormGraphGS}; }
};

TEST_F(GraphScreensFromTheMainWindow, TheShowMakesTheHydrosizerScreenWithItsFileAfterTheJigScreens) {
    EXPECT_EQ(FormGraphGS->IniFileName.str(), dir / "GraphGS.INI");
    EXPECT_EQ(FormGraphGS->Owner(), FormMain);
    EXPECT_EQ(FormGraphGS->FormStyle(), fsMDIChild);
    EXPECT_GT(FormGraphGS->ComponentIndex(), FormGraphAir_2->ComponentIndex());
    EXPECT_TRUE(FormGraphGS->AllGraphsShown);
    EXPECT_EQ(FormGraphGS->Caption(), "Графики параметров работы гидросайзера");
}

TEST_F(GraphScreensFromTheMainWindow, AltKeysBringTheScreensAndTheFourPrintsReachThem) {
    guitest::ShowForm(FormMain);
    const WORD keys[] = {VK_F1, VK_F2, VK_F3, VK_F4};
    for (int i = 0; i < 4; ++i) {
        guitest::Key(keys[i], ssAlt, FormMain);
        EXPECT_EQ(FormMain->CurrentForm, four()[i]) << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(FormGraphGS->GraphList[i]->Visible());
        EXPECT_GT(FormGraphGS->GraphList[i]->Height(), 0);
    }
    std::string pdf = dir / "all.pdf";
    testlib::PrintDialogs print(pdf);
    guitest::ModalDriver modal;
    std::vector<std::string> pages;
    for (int i = 0; i < 4; ++i)
        modal.Then([&](TCustomForm* f) {
            pages.push_back(FormWebPrint->CppWebBrowser1->PlainText().str());
            if (pages.size() == 4) FormWebPrint->ButPrint->Click();  // the hydrosizer's report
            f->SetModalResult(mrCancel);
        });
    for (TAction* a : {FormMain->ActionPrintGraphZola, FormMain->ActionPrintGraphBakLevel,
                       FormMain->ActionPrintGraphBeltWork, FormMain->ActionPrintGraphGS})
        a->Execute();
    ASSERT_EQ(modal.Shown(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(pages[i].find(testlib::SquashBlanks(four()[i]->LabelTop->Caption().str())), std::string::npos)
            << pages[i];
    std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    EXPECT_NE(text.find("Графики параметров работы гидросайзера"), std::string::npos) << text;
    EXPECT_EQ(PdfImages(pdf), 4);
}

}  // namespace
