// What the operator sees of the jig machines' graph screens: the value-at-cursor windows, the
// water-air screen's cycle lengths, pie and zoom, the legends that give the curves their pens and
// the edit mode, the printed reports, and the screens reached from the main window.
#include "GraphsTestSupport.h"

#include "charts/PieChart.h"
#include "core/Global.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "screens/graphs/GraphScales.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraph3ZoomPoint.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphAirPoint.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphTSPoint.h"
#include "screens/tables/PuState.h"
#include "widgets/Arrow.h"
#include "widgets/OutField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using graphstest::Logged;

std::string Shown(TOutField* f) { return Trim(f->Caption()).str(); }

class JigScreensTest : public graphstest::JigDbStation {
protected:
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

// ---- Value windows -------------------------------------------------------------------------------------------

TEST_F(JigScreensTest, ValueWindowsShowTheCurvesAtTheCursorAndBlanksForEmptySlotsAndZeros) {
    Row("pu1", At(15, 8, 0), "TPST_1, ZPST_1, TPST_3, ZPST_3, TS_1, TS_2, TS_3, TIN, TOUT, TPAUSA, KKP",
        "120.5, 0, 1234.5, 150, 40, 0, 100, 40, 35, 25, 30");
    Row("pu1", At(15, 9, 0), "TIN, TOUT, TPAUSA, KKP", "50, 30, 20, 0");
    auto* bed = Open<TFormGraph3Zoom>(1);
    auto* ts = Open<TFormGraphTS>(1);
    auto* air = Open<TFormGraphAir>(1);
    for (TGraphScreen* s : std::initializer_list<TGraphScreen*>{bed, ts, air}) {
        s->ComboBox1->SetItemIndex(0);
        s->Reload();
    }
    bed->CmdShowSatelliteClick(nullptr);
    ts->CmdShowSatelliteClick(nullptr);
    air->CmdShowSatelliteClick(nullptr);
    TFormGraph3ZoomPoint* bw = bed->PointWindow;
    TFormGraphTSPoint* tw = ts->PointWindow;
    TFormGraphAirPoint* aw = air->PointWindow;
    ASSERT_TRUE(bw && tw && aw);

    struct Case {
        const char* what;
        TGraphScreen* screen;
        TGraphPointWindow* window;
        TDateTime at;
        std::vector<std::pair<TOutField*, std::string>> fields;
    } cases[] = {
        {"bed height: a value, a zero set point, thousands", bed, bw, At(15, 8, 0),
         {{bw->OutFieldTPST1, "120,5"}, {bw->OutFieldZPST1, ""}, {bw->OutFieldTPST3, "1 234,5"},
          {bw->OutFieldZPST3, "150,0"}, {bw->OutFieldTPST2, ""}}},
        {"bed height: an empty slot", bed, bw, At(15, 8, 30), {{bw->OutFieldTPST1, ""}, {bw->OutFieldZPST3, ""}}},
        {"unloaders: percent and rpm", ts, tw, At(15, 8, 0),
         {{tw->OutFieldTS1, "40,0%"}, {tw->OutFieldTS11, "600 об/мин"}, {tw->OutFieldTS2, ""}, {tw->OutFieldTS22, ""},
          {tw->OutFieldTS3, "100,0%"}, {tw->OutFieldTS33, "1500 об/мин"}}},
        {"unloaders: an empty slot", ts, tw, At(15, 10, 0), {{tw->OutFieldTS1, ""}, {tw->OutFieldTS11, ""}}},
        {"water-air: 30 a minute, intake 40 % is 0.8 s", air, aw, At(15, 8, 0),
         {{aw->OutFieldKKP, "30,0"}, {aw->OutField1, "40,0%"}, {aw->OutField11, "0,8 с"}, {aw->OutField22, "0,7 с"},
          {aw->OutField33, "0,5 с"}}},
        {"water-air: standing still, no lengths", air, aw, At(15, 9, 0),
         {{aw->OutFieldKKP, ""}, {aw->OutField1, "50,0%"}, {aw->OutField11, ""}, {aw->OutField33, ""}}},
        {"water-air: an empty slot", air, aw, At(15, 10, 0), {{aw->OutField2, ""}, {aw->OutField22, ""}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        FormMain->CurrentForm = k.screen;
        Cursor(k.screen, k.at);
        k.window->Timer1Timer(k.window->Timer1);
        for (const auto& [field, text] : k.fields) EXPECT_EQ(Shown(field), text) << field->Name();
        EXPECT_NE(k.window->OutFieldDateTime->Caption().Pos(FormatDateTime("dd.mm.yyyy hh:nn:ss", k.at)), 0);
    }
    // The lengths of a standing machine are 0, not missing.
    EXPECT_EQ(aw->OutField11->OutValue(), 0);
    // Each field is framed in its curve's pen.
    EXPECT_EQ(bw->OutFieldZPST2->Pen()->Color(), bed->LevelGraphR->GetGraphPen(1)->Color());
    EXPECT_EQ(tw->OutFieldTS33->Pen()->Color(), ts->LevelGraphN->GetGraphPen(2)->Color());
}

TEST_F(JigScreensTest, ThePieShowsThePhasesInTheirCurvesColoursAndNothingForAnEmptySlot) {
    Row("pu2", At(15, 8, 0), "TIN, TOUT, TPAUSA, KKP", "40, 0, 60, 30");
    auto* air = Open<TFormGraphAir>(2);
    air->ComboBox1->SetItemIndex(0);
    air->Reload();
    air->CmdShowSatelliteClick(nullptr);
    TFormGraphAirPoint* w = air->PointWindow;
    FormMain->CurrentForm = air;
    Cursor(air, At(15, 8, 0));
    w->Timer1Timer(w->Timer1);
    const std::vector<TPieSlice>& slices = w->ChartAir->Slices();
    ASSERT_EQ(slices.size(), 2u);  // the exhaust phase of 0 has no slice
    EXPECT_EQ(slices[0].Label, "Впуск");
    EXPECT_EQ(slices[0].Color, air->LevelGraphAir->GetGraphPen(0)->Color());
    EXPECT_EQ(slices[1].Label, "Пауза");
    EXPECT_EQ(slices[1].Value, 60);
    EXPECT_EQ(slices[1].Color, air->ArrowLegendTPAUSA->Color());
    Cursor(air, At(15, 8, 1));
    w->Timer1Timer(w->Timer1);
    EXPECT_TRUE(w->ChartAir->Slices().empty());
}

TEST_F(JigScreensTest, ValueWindowsStepWithinThePeriodAndHideBehindAnotherScreen) {
    auto* bed = Open<TFormGraph3Zoom>(1);
    auto* ts = Open<TFormGraphTS>(2);
    auto* air = Open<TFormGraphAir>(1);
    struct Case {
        TGraphScreen* screen;
        TGraphPointWindow* (*window)(TGraphScreen*);
    } cases[] = {
        {bed, [](TGraphScreen* s) -> TGraphPointWindow* { return static_cast<TFormGraph3Zoom*>(s)->PointWindow; }},
        {ts, [](TGraphScreen* s) -> TGraphPointWindow* { return static_cast<TFormGraphTS*>(s)->PointWindow; }},
        {air, [](TGraphScreen* s) -> TGraphPointWindow* { return static_cast<TFormGraphAir*>(s)->PointWindow; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        k.screen->ComboBox1->SetItemIndex(0);
        k.screen->Reload();
        k.screen->CmdShowSatelliteClick(nullptr);
        TGraphPointWindow* w = k.window(k.screen);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Caption(), "Текущая точка графика");
        EXPECT_EQ(w->FormStyle(), fsStayOnTop);

        // Less than a step after the period's start: the left step is refused, then taken.
        Cursor(k.screen, At(15, 7, 0, 30));
        w->ButGoLeftClick(w->ButGoLeft);
        for (int i = 0; k.screen->GraphList[i]; ++i)
            EXPECT_TRUE(SameMs(k.screen->GraphList[i]->CursorTime(), At(15, 7, 0, 30)));
        Cursor(k.screen, At(15, 7, 1));
        w->ButGoLeftClick(w->ButGoLeft);
        for (int i = 0; k.screen->GraphList[i]; ++i)
            EXPECT_TRUE(SameMs(k.screen->GraphList[i]->CursorTime(), At(15, 7, 0)));
        // Right steps stop at the period's end.
        Cursor(k.screen, At(15, 18, 59));
        w->ButGoRightClick(w->ButGoRight);
        EXPECT_TRUE(SameMs(k.screen->GraphList[0]->CursorTime(), At(15, 18, 59)));
        Cursor(k.screen, At(15, 12, 0));
        w->ButGoRightClick(w->ButGoRight);
        for (int i = 0; k.screen->GraphList[i]; ++i)
            EXPECT_TRUE(SameMs(k.screen->GraphList[i]->CursorTime(), At(15, 12, 1)));

        // Its screen in front: it stays; another screen in front: one tick hides it, and it stays
        // hidden when its screen comes back.
        FormMain->CurrentForm = k.screen;
        w->Timer1Timer(w->Timer1);
        EXPECT_TRUE(w->Visible());
        FormMain->CurrentForm = FormMain;
        w->Timer1Timer(w->Timer1);
        EXPECT_FALSE(w->Visible());
        FormMain->CurrentForm = k.screen;
        w->Timer1Timer(w->Timer1);
        EXPECT_FALSE(w->Visible());
        // The popup command shows the same window again.
        k.screen->CmdShowSatelliteClick(nullptr);
        EXPECT_EQ(k.window(k.screen), w);
        EXPECT_TRUE(w->Visible());
    }
}

// ---- Layout, pens and edit mode ----------------------------------------------------------------------------

TEST_F(JigScreensTest, TheWaterAirZoomSurvivesResizesAndReloadsAndTheCursorsGoTogether) {
    auto* air = Open<TFormGraphAir>(2);
    EXPECT_EQ(air->LabelTop2->Caption(), "Графики водовоздушного режима отсадочной машины мелкого класса");
    EXPECT_EQ(air->Caption(), air->LabelTop2->Caption());
    air->SetBounds(0, 0, 1000, 700);
    air->SButLevelGraphZoomAir->Click();
    EXPECT_TRUE(air->GraphZoomed);
    EXPECT_FALSE(air->LevelGraphKKP->Visible());
    EXPECT_EQ(air->LevelGraphAir->Align(), alClient);
    air->SetBounds(0, 0, 800, 600);
    air->FormResize(air);
    air->Reload();
    EXPECT_TRUE(air->GraphZoomed);
    EXPECT_FALSE(air->LevelGraphKKP->Visible());
    // Either button takes the zoom back.
    air->SButLevelGraphZoomKKP->Click();
    EXPECT_FALSE(air->GraphZoomed);
    EXPECT_TRUE(air->LevelGraphKKP->Visible());
    EXPECT_TRUE(air->LevelGraphAir->Visible());
    EXPECT_EQ(air->LevelGraphKKP->Height(), (air->ClientHeight() - air->PanelTop->Height()) / 2);
    EXPECT_FALSE(air->LevelGraphKKP->ShowScaleX());
    air->SButLevelGraphZoomKKP->Click();
    EXPECT_FALSE(air->LevelGraphAir->Visible());
    EXPECT_TRUE(air->LevelGraphKKP->ShowScaleX());

    air->ShowBothGraphs();
    air->LevelGraphKKP->SetCursorTime(At(15, 9, 0));
    air->LevelGraphKKPChange(air->LevelGraphKKP);
    EXPECT_TRUE(SameMs(air->LevelGraphAir->CursorTime(), At(15, 9, 0)));
    auto* bed = Open<TFormGraph3Zoom>(1);
    bed->ComboBox1->SetItemIndex(0);
    bed->Reload();
    bed->LevelGraphR->SetCursorTime(At(15, 10, 0));
    bed->LevelGraphPChange(bed->LevelGraphR);
    EXPECT_TRUE(SameMs(bed->LevelGraphP->CursorTime(), At(15, 10, 0)));
    EXPECT_TRUE(SameMs(bed->LevelGraphN->CursorTime(), At(15, 10, 0)));
}

TEST_F(JigScreensTest, LegendArrowsGiveTheCurvesTheirPensAndTheEditModeHooksThem) {
    // Arrow colours the operator saved in the screens' own files.
    apptest::WriteFile(dir / "FormGraph3Zoom1.INI", "[ArrowLegend21]\r\nColor=65280\r\nArrowWidth=5\r\n");
    apptest::WriteFile(dir / "FormGraphTS.INI", "[ArrowTS_2]\r\nColor=32768\r\n");
    for (bool mode : {false, true}) {
        SCOPED_TRACE(mode);
        WidgetEditMode = mode;
        auto* bed = Open<TFormGraph3Zoom>(1);
        auto* ts = Open<TFormGraphTS>(1);
        auto* air = Open<TFormGraphAir>(1);
        EXPECT_EQ(bed->LevelGraphR->GetGraphPen(0)->Color(), 65280);
        EXPECT_EQ(bed->LevelGraphR->GetGraphPen(0)->Width(), 5);
        EXPECT_EQ(bed->LevelGraphN->GetGraphPen(1)->Color(), bed->ArrowLegend32->Color());
        EXPECT_EQ(ts->LevelGraphN->GetGraphPen(1)->Color(), 32768);
        EXPECT_EQ(ts->LabelTS_2->Font()->Color(), 32768);
        EXPECT_EQ(air->LevelGraphKKP->GetGraphPen(0)->Color(), clGreen);
        EXPECT_EQ(air->LabelLegendTOUT->Font()->Color(), air->ArrowLegendTOUT->Color());
        for (TGraphScreen* s : std::initializer_list<TGraphScreen*>{bed, ts, air}) {
            TNotifyEvent router(s, &TGraphScreen::ColorConfigClick);
            for (int i = 0; i < s->ComponentCount(); ++i) {
                TComponent* c = s->Components(i);
                if (c->ClassName() == "TArrow") {
                    EXPECT_EQ(static_cast<TArrow*>(c)->OnClick == router, mode) << c->Name();
                } else if (c->ClassName() == "TLevelGraph") {
                    EXPECT_EQ(static_cast<TLevelGraph*>(c)->OnMouseDown.Assigned(), mode) << c->Name();
                }
            }
        }
        // The switch turned off again at run time.
        WidgetEditMode = false;
        bed->SetEditMode();
        EXPECT_FALSE(bed->LabelLegend11->OnClick.Assigned());
        EXPECT_FALSE(bed->LevelGraphP->OnMouseDown.Assigned());
    }
}

TEST_F(JigScreensTest, ScaleLimitsAreKeptInTheScreensFile) {
    auto* bed = Open<TFormGraph3Zoom>(2);
    EXPECT_EQ(bed->IniFileName.str(), dir / "FormGraph3Zoom2.INI");
    bed->LevelGraphR->SetYMax(250);
    bed->Free();
    screens.erase(std::find(screens.begin(), screens.end(), bed));
    EXPECT_EQ(TIniFile(dir / "FormGraph3Zoom2.INI").ReadFloat("LevelGraphR", "YMax", 0), 250);
    auto* again = Open<TFormGraph3Zoom>(2);
    EXPECT_EQ(again->LevelGraphR->YMax(), 250);
}

// ---- Prints --------------------------------------------------------------------------------------------------

TEST_F(JigScreensTest, TheBedHeightReportPrintsTheThreeCompartments) {
    TemplateIntoProgramFolder("PrintWeb3.html");
    for (int m = 0; m < 120; ++m)
        Row("pu1", IncMinute(At(15, 8, 0), m), "TPST_1, ZPST_1, TPST_2, TPST_3", "200, 210, 150, 100");
    auto* bed = Open<TFormGraph3Zoom>(1);
    bed->ComboBox1->SetItemIndex(0);
    bed->Reload();
    bed->SButLevelGraphRZoom->Click();  // zoomed: the print shows all three again
    std::string pdf = dir / "bed.pdf";
    testlib::PrintDialogs dialogs(pdf);
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        FormWebPrint->ButPrint->Click();
        f->SetModalResult(mrCancel);
    });
    bed->PrintReport();
    ASSERT_EQ(modal.Shown(), 1);
    EXPECT_TRUE(bed->LevelGraphP->Visible() && bed->LevelGraphR->Visible() && bed->LevelGraphN->Visible());
    for (int i = 0; i < 3; ++i) {
        TBitmap b;
        b.LoadFromFile(dir / ("HS_pic" + std::to_string(i) + ".bmp"));
        EXPECT_EQ(b.Width(), 1000);
        EXPECT_EQ(b.Height(), 200);
    }
    std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* want : {"Графики высоты постели в отсадочной машине крупного класса", "15.03.2010", "Отделение №1",
                             "Отделение №2", "Отделение №3"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
    EXPECT_EQ(PdfImages(pdf), 3);
}

TEST_F(JigScreensTest, TheWaterAirReportPrintsBothChartsAndGivesTheScreenItsLayoutBack) {
    TemplateIntoProgramFolder("PrintWeb2.html");
    Row("pu1", At(15, 8, 0), "TIN, TOUT, TPAUSA, KKP", "40, 35, 25, 30");
    auto* air = Open<TFormGraphAir>(1);
    air->ComboBox1->SetItemIndex(0);
    air->Reload();
    air->ShowBothGraphs();
    air->PanelTopResize(air->PanelTop);
    const int legendLeft = air->LabelLegendKKP->Left();
    std::string pdf = dir / "air.pdf";
    {
        testlib::PrintDialogs dialogs(pdf);
        guitest::ModalDriver modal;
        modal.Then([](TCustomForm* f) {
            FormWebPrint->ButPrint->Click();
            f->SetModalResult(mrCancel);
        });
        air->PrintReport();
        ASSERT_EQ(modal.Shown(), 1);
    }
    for (int i = 0; i < 2; ++i) {
        TBitmap b;
        b.LoadFromFile(dir / ("AIR_pic" + std::to_string(i) + ".bmp"));
        EXPECT_EQ(b.Width(), 1000);
        EXPECT_EQ(b.Height(), 400);
    }
    std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    EXPECT_NE(text.find("Графики водовоздушного режима отсадочной машины крупного класса"), std::string::npos) << text;
    EXPECT_NE(text.find("15.03.2010"), std::string::npos) << text;
    EXPECT_EQ(PdfImages(pdf), 2);
    EXPECT_EQ(air->LevelGraphKKP->GraphSubWidth(), 120);
    EXPECT_EQ(air->LevelGraphAir->GraphSubWidth(), 120);
    EXPECT_EQ(air->LabelLegendKKP->Left(), legendLeft);

    // A picture that cannot be written: the print fails, the screen is itself again all the same.
    std::filesystem::remove(dir / "AIR_pic1.bmp");
    std::filesystem::create_directory(dir / "AIR_pic1.bmp");
    guitest::ModalDriver none;
    EXPECT_ANY_THROW(air->PrintReport());
    EXPECT_EQ(none.Shown(), 0);
    EXPECT_EQ(air->LevelGraphKKP->GraphSubWidth(), 120);
    EXPECT_EQ(air->LevelGraphAir->GraphSubWidth(), 120);
    EXPECT_EQ(air->LabelLegendKKP->Left(), legendLeft);
    EXPECT_EQ(air->ArrowLegendKKP->Left(), legendLeft);
}

// ---- The main window -----------------------------------------------------------------------------------------

class JigScreensFromTheMainWindow : public JigScreensTest {
protected:
    void SetUp() override {
        JigScreensTest::SetUp();
        if (!db) return;
        FormMain->OnShow = TNotifyEvent(FormMain, &TFormMain::FormShow);
        FormMain->Show();
        for (TGraphScreen* s : six()) {
            ASSERT_NE(s, nullptr);
            s->TimerUpdate->SetEnabled(false);
        }
    }
    void TearDown() override {
        Application->OnMessage = nullptr;
        JigScreensTest::TearDown();
    }
    static std::vector<TGraphScreen*> six() {
        return {FormGraph3Zoom1, FormGraph3Zoom2, FormGraphTS_1, FormGraphTS_2, FormGraphAir_1, FormGraphAir_2};
    }
};

TEST_F(JigScreensFromTheMainWindow, TheFirstShowMakesTheSixScreensWithTheirFilesAndTitles) {
    struct Case {
        TGraphScreen* screen;
        const char* ini;
        const char* title;
    } cases[] = {
        {FormGraph3Zoom1, "Graph3ZoomK.INI", "Графики высоты постели в отсадочной машине крупного класса"},
        {FormGraph3Zoom2, "Graph3ZoomM.INI", "Графики высоты постели в отсадочной машине мелкого класса"},
        {FormGraphTS_1, "GraphTS_K.INI", "Графики работы разгрузчиков отсадочной машины крупного класса"},
        {FormGraphTS_2, "GraphTS_M.INI", "Графики работы разгрузчиков отсадочной машины мелкого класса"},
        {FormGraphAir_1, "GraphAir_K.INI", "Графики водовоздушного режима отсадочной машины крупного класса"},
        {FormGraphAir_2, "GraphAir_M.INI", "Графики водовоздушного режима отсадочной машины мелкого класса"},
    };
    int previous = -1;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.ini);
        EXPECT_EQ(k.screen->IniFileName.str(), dir / k.ini);
        EXPECT_EQ(k.screen->Caption(), k.title);
        EXPECT_EQ(k.screen->Owner(), FormMain);
        EXPECT_EQ(k.screen->FormStyle(), fsMDIChild);
        EXPECT_GT(k.screen->ComponentIndex(), previous);  // made in this order
        previous = k.screen->ComponentIndex();
    }
    EXPECT_EQ(std::string(FormGraph3Zoom2->Setup().Selects[0].c_str()), "select * from pu2");
}

TEST_F(JigScreensFromTheMainWindow, TheFirstShowAlsoMakesTheTwoMachineStateWindowsHidden) {
    const std::pair<TFormPuState*, int> windows[] = {{FormPu1State, 1}, {FormPu2State, 2}};
    for (const auto& [window, machine] : windows) {
        SCOPED_TRACE(machine);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->Machine(), machine);
        EXPECT_EQ(window->Owner(), FormMain);
        EXPECT_FALSE(window->Visible()) << "shown only when asked for";
    }
    EXPECT_NE(FormPu1State, FormPu2State);
    // Shown again (restored from minimized), the window makes no second pair.
    TFormPuState* first = FormPu1State;
    FormMain->FormShow(FormMain);
    EXPECT_EQ(FormPu1State, first);
}

TEST_F(JigScreensFromTheMainWindow, KeysBringTheScreensAndTheSixPrintsReachThem) {
    guitest::ShowForm(FormMain);
    Application->OnMessage = TMessageEvent(FormMain, &TFormMain::AppMessageHook);
    const WORD keys[] = {VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11};
    for (int i = 0; i < 6; ++i) {
        guitest::Key(keys[i], 0, FormMain);
        EXPECT_EQ(FormMain->CurrentForm, six()[i]) << i;
    }
    guitest::Key(VK_F6, ssCtrl, FormMain);
    EXPECT_EQ(FormMain->CurrentForm, FormGraph3Zoom2);

    for (const char* t : {"PrintWeb.html", "PrintWeb2.html", "PrintWeb3.html"}) TemplateIntoProgramFolder(t);
    std::string pdf = dir / "ts.pdf";
    testlib::PrintDialogs dialogs(pdf);
    guitest::ModalDriver modal;
    std::vector<std::string> pages;
    for (int i = 0; i < 6; ++i)
        modal.Then([&](TCustomForm* f) {
            pages.push_back(FormWebPrint->CppWebBrowser1->PlainText().str());
            if (pages.size() == 4) FormWebPrint->ButPrint->Click();  // the second unloader report
            f->SetModalResult(mrCancel);
        });
    for (TAction* a : {FormMain->ActionPrintWPK, FormMain->ActionPrintWPM, FormMain->ActionPrintTSK,
                       FormMain->ActionPrintTSM, FormMain->ActionPrintAirK, FormMain->ActionPrintAirM})
        a->Execute();
    ASSERT_EQ(modal.Shown(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_NE(pages[i].find(six()[i]->Caption().str()), std::string::npos) << pages[i];
    std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* want : {"об/мин", "Отделение №1", "Отделение №3"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
}

// ---- Legends ---------------------------------------------------------------------------------------------------

// The box of the pixels of one colour inside r (empty when there is none).
TRect PaintedBox(const std::function<TColor(int, int)>& pixel, const TRect& r, TColor colour) {
    TRect box(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (pixel(x, y) == colour) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box.Left == INT_MAX ? TRect() : box;
}

// The jig machines' screens as the operator sees them (maximised in the main window): every legend text
// stands whole in its chart's right margin, clear of the frame line of the plot, and every legend arrow
// inside the chart.
TEST_F(JigScreensFromTheMainWindow, LegendsStandWholeInsideTheChartsAndClearOfTheFrames) {
    guitest::ShowForm(FormMain);
    Application->OnMessage = TMessageEvent(FormMain, &TFormMain::AppMessageHook);
    const WORD keys[] = {VK_F6, VK_F7, VK_F10, VK_F11};
    for (WORD key : keys) {
        guitest::Key(key, 0, FormMain);
        auto* screen = static_cast<TGraphScreen*>(FormMain->CurrentForm);
        SCOPED_TRACE(screen->Name().str());
        for (int g = 0; screen->GraphList[g]; ++g) {
            TLevelGraph* graph = screen->GraphList[g];
            const QImage picture = guitest::Grab(graph);
            auto pixel = [&](int x, int y) { return guitest::PixelOf(picture, x, y); };
            const TRect chart(0, 0, picture.width(), picture.height());
            int legends = 0;
            for (int i = 0; i < screen->ComponentCount(); ++i) {
                auto* c = dynamic_cast<TControl*>(screen->Components(i));
                if (!c || c->Parent() != graph || !c->Visible() || Pos("Legend", c->Name()) == 0) continue;
                SCOPED_TRACE(c->Name().str());
                ++legends;
                const TRect bounds = c->BoundsRect();
                EXPECT_GE(bounds.Left, 0);
                EXPECT_LE(bounds.Right, graph->ClientWidth()) << "cut at the chart's right edge";
                // The unit captions ("мм", "%") stand left of the plot; the curves' legends right of it.
                if (bounds.Left < graph->RegionLeft) continue;
                if (auto* label = dynamic_cast<TLabel*>(c)) {
                    // What the label paints, looked for from its left edge to the chart's right edge.
                    const TRect text = PaintedBox(pixel, TRect(bounds.Left, bounds.Top, chart.Right, bounds.Bottom),
                                                  label->Font()->Color());
                    ASSERT_FALSE(text.IsEmpty());
                    EXPECT_GT(text.Left, graph->RegionRight + 1) << "the frame line crosses the text";
                    EXPECT_LE(text.Right, bounds.Right) << "the text runs past its label";
                    EXPECT_LT(text.Right, chart.Right - 1);
                } else if (auto* arrow = dynamic_cast<TArrow*>(c)) {
                    const TRect drawn = PaintedBox(pixel, bounds, arrow->Color());
                    ASSERT_FALSE(drawn.IsEmpty());
                    EXPECT_GT(drawn.Left, graph->RegionRight + 1);
                }
            }
            EXPECT_GT(legends, 0);
            // The report's picture of the chart carries the same legend: each arrow drawn whole inside it.
            graph->ExportImage(1000, 200, true);
            DrawLegendToBitmap(graph, screen, 0);
            TBitmap* bmp = graph->Bitmap;
            auto bmpPixel = [&](int x, int y) { return bmp->Canvas()->Pixels(x, y); };
            const double kx = 1000.0 / graph->Width();
            for (int i = 0; i < screen->ComponentCount(); ++i) {
                auto* arrow = dynamic_cast<TArrow*>(screen->Components(i));
                if (!arrow || arrow->Parent() != graph || !arrow->Visible()) continue;
                SCOPED_TRACE(arrow->Name().str() + " in the report");
                const int y = static_cast<int>((arrow->Top() + arrow->Height() / 2) * 200.0 / graph->Height());
                const TRect line = PaintedBox(bmpPixel, TRect(0, y - 1, bmp->Width(), y + 2), arrow->Color());
                ASSERT_FALSE(line.IsEmpty());
                EXPECT_LT(line.Right, bmp->Width() - 1) << "cut at the picture's right edge";
                EXPECT_GE(line.Width() + 2, static_cast<int>(arrow->Width() * kx));
            }
            graph->UpdateChanges();
        }
    }
}

}  // namespace
