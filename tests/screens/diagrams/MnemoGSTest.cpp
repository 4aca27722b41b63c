// The hydrosizer diagram without a database: its components as the code looks them up, the widgets
// with the values of the layout, the edit mode taken at construction, and a tick that finds the
// main window's connection closed.
#include "screens/diagrams/MnemoGS.h"

#include "DiagramTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "app/FormMainMenu.h"
#include "gui/ComCtrls.h"
#include "gui/Menus.h"
#include "gui/WinApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using diagramtest::Dialogs;
using diagramtest::EditModeScope;
using diagramtest::ProgramFolder;

class MnemoGSTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteIni(diagramtest::QuietIni);
        main = diagramtest::NewMainWindow();
    }
    void TearDown() override {
        if (gs) gs->Free();
        diagramtest::FreeMainWindow(main);
    }
    void Create() {
        gs = NewForm<TFormMnemoGS>(nullptr);
        FormMnemoGS = gs;
    }

    ProgramFolder folder;
    TFormMain* main = nullptr;
    TFormMnemoGS* gs = nullptr;
};

TEST_F(MnemoGSTest, FormAndComponentsAsTheCodeLooksThemUp) {
    Create();
    EXPECT_EQ(gs->Caption(), "Мнемосхема обогащения на гидросайзере");
    EXPECT_EQ(gs->FormStyle(), fsMDIChild);
    EXPECT_EQ(gs->IniFileName, AnsiString(folder / "FormMnemoGS.INI"));
    EXPECT_EQ(gs->TimerUpdate->Interval(), 1000u);
    EXPECT_TRUE(gs->TimerUpdate->Enabled());

    struct Item {
        const char* name;
        const char* cls;
        long tag;
        int width, height;     // 0: any
        const char* format;    // output fields
        bool visible;
    };
    const Item items[] = {
        {"OutField_PL2_GS", "TOutField", 900, 0, 0, "###0 г/л", true},
        {"OutField_RV2_GS", "TOutField", 900, 0, 0, "###0 м3/ч", true},
        {"OutField_RG2_GS", "TOutField", 900, 0, 0, "###0 т/ч", true},
        {"OutField_PL3_GS", "TOutField", 800, 0, 0, "###0 г/л", true},
        {"OutField_TRTW_GS", "TOutField", 1000, 0, 0, "###0 м3/ч", true},
        {"OutField_PL1_GS", "TOutField", 1300, 0, 0, "###0 г/л", false},
        {"OutField_RV1_GS", "TOutField", 1300, 0, 0, "###0 м3/ч", false},
        {"OutField_RG1_GS", "TOutField", 1300, 0, 0, "###0 т/ч", false},
        {"GydroSizer1", "TGydroSizer", 0, 220, 187, nullptr, true},
        {"UniPandus1", "TUniPandus", 0, 225, 145, nullptr, true},
        {"UniPandus2", "TUniPandus", 0, 225, 145, nullptr, true},
        {"WaterBox1", "TWaterBox", 1300, 30, 44, nullptr, true},
        {"WaterBox2", "TWaterBox", 1300, 30, 44, nullptr, true},
        {"WaterBox3", "TWaterBox", 1300, 30, 44, nullptr, true},
        {"WaterBox4", "TWaterBox", 1300, 30, 44, nullptr, true},
        {"ConusBoxCyclone", "TConusBox", 601, 0, 0, nullptr, true},
        {"Pump1", "TPump", 0, 0, 0, nullptr, true},
        {"BarrelSump", "TBarrel", 0, 0, 0, nullptr, true},
        {"BarrelWater", "TBarrel", 0, 0, 0, nullptr, true},
        {"TimerUpdate", "TTimer", 0, 0, 0, nullptr, true},
    };
    for (const Item& it : items) {
        SCOPED_TRACE(it.name);
        TComponent* c = gs->FindComponent(AnsiString(it.name).LowerCase());
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->ClassName(), it.cls);
        EXPECT_EQ(c->Tag(), it.tag);
        if (auto* ctl = dynamic_cast<TControl*>(c)) {
            EXPECT_EQ(ctl->Parent(), gs->PanelGS);
            EXPECT_EQ(ctl->Visible(), it.visible);
            if (it.width) {
                EXPECT_EQ(ctl->Width(), it.width);
                EXPECT_EQ(ctl->Height(), it.height);
            }
        }
        if (it.format) {
            EXPECT_EQ(static_cast<TOutField*>(c)->OutFormat(), it.format);
        }
    }

    // The widgets carry the layout's values.
    TGydroSizer* g = gs->GydroSizer1;
    EXPECT_EQ(g->Pen()->Color(), clTeal);
    EXPECT_EQ(g->Pen()->Width(), 2);
    EXPECT_EQ(g->WaterBrush()->Color(), clTeal);
    EXPECT_EQ(g->MainD(), 80);
    EXPECT_EQ(g->TopH(), 15);
    EXPECT_EQ(g->WaterH(), 35);
    for (TWaterBox* w : {gs->WaterBox1, gs->WaterBox2, gs->WaterBox3, gs->WaterBox4}) {
        SCOPED_TRACE(w->Name());
        EXPECT_EQ(w->MainW(), 3);
        EXPECT_EQ(w->MainH(), 5);
        EXPECT_EQ(w->BoxH(), 14);
        EXPECT_EQ(w->BottomH(), 9);
        EXPECT_EQ(w->BottomW(), 1);
        EXPECT_EQ(w->WaterLevel(), 3);
        EXPECT_EQ(w->WaterColor(), clTeal);
        EXPECT_EQ(w->BorderColor(), clYellow);
        EXPECT_EQ(w->Pen()->Color(), clYellow);
        EXPECT_EQ(w->ConfigName(), ".\\Colors.INI");
    }
    EXPECT_EQ(gs->UniPandus1->TopPercent(), 10);
    EXPECT_EQ(gs->UniPandus2->RightTopPercent(), 50);

    // Every group the timer colours has arrows in the picture.
    std::map<long, int> arrows;
    for (int i = 0; i < gs->ComponentCount(); ++i)
        if (gs->Components(i)->ClassName() == "TArrow") ++arrows[gs->Components(i)->Tag()];
    for (long tag : {200L, 601L, 900L, 1000L, 1100L, 1200L, 1300L}) EXPECT_GE(arrows[tag], 1) << tag;
}

TEST_F(MnemoGSTest, ATickDoesNothingWhileTheGeneralConnectionIsClosed) {
    Create();
    ASSERT_FALSE(main->SQLConnection1->Connected());
    main->StateFlags[5] = false;
    auto* arrow = static_cast<TArrow*>(gs->FindComponent("ArrowGSConc1"));
    const TColor before = arrow->Color();
    gs->OutField_PL2_GS->SetOutValue(77);
    gs->TimerUpdateTimer(gs->TimerUpdate);
    EXPECT_EQ(arrow->Color(), before);
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "77 г/л");
}

TEST_F(MnemoGSTest, TheEditModeInForceAtConstructionStays) {
    Dialogs dialogs;
    // Looks saved earlier: an arrow and a field in the screen's file, a polygon in the colour file.
    testlib::WriteFile(folder / "FormMnemoGS.INI",
                       "[ArrowGSRock2]\r\nColor=255\r\n[OutField_PL2_GS]\r\nBrushColor=65280\r\n");
    testlib::WriteFile(folder / "Colors.INI", "[PoligonGSRock]\r\nBrushColor=16711680\r\n");
    EditModeScope mode(true);
    Create();
    auto* arrow = static_cast<TArrow*>(gs->FindComponent("ArrowGSRock2"));
    auto* poligon = static_cast<TPoligon*>(gs->FindComponent("PoligonGSRock"));
    auto* label = static_cast<TLabel*>(gs->FindComponent("LabelGSConc"));
    EXPECT_EQ(arrow->Color(), clRed);
    EXPECT_EQ(gs->OutField_PL2_GS->Brush()->Color(), clLime);
    EXPECT_EQ(poligon->Brush()->Color(), clBlue);
    EXPECT_EQ(arrow->ConfigName(), gs->IniFileName);
    EXPECT_EQ(gs->OutField_PL2_GS->ConfigName(), gs->IniFileName);
    EXPECT_EQ(poligon->ConfigName(), ".\\Colors.INI");

    // Arrows, labels, polygons and fields are hooked; the drawings of the plant are not.
    const TNotifyEvent hook(gs, &TFormMnemoGS::ColorConfigClick);
    for (TControl* c : std::initializer_list<TControl*>{arrow, poligon, label, gs->OutField_RG1_GS}) {
        EXPECT_TRUE(c->OnClick == hook) << c->Name();
        EXPECT_EQ(c->Cursor(), crCross) << c->Name();
    }
    for (TControl* c : std::initializer_list<TControl*>{gs->GydroSizer1, gs->WaterBox1, gs->Pump1, gs->BarrelSump,
                                                        gs->ConusBoxCyclone})
        EXPECT_FALSE(c->OnClick == hook) << c->Name();

    guitest::ModalDriver modal;
    TCustomForm* shown = nullptr;
    modal.Then([&shown](TCustomForm* f) {
        shown = f;
        f->SetModalResult(mrCancel);
    });
    arrow->Click();
    EXPECT_EQ(shown, FormArrowEdit);

    // A screen made while the mode is off stays unhooked.
    gs->Free();
    mode.Set(false);
    Create();
    EXPECT_FALSE(static_cast<TArrow*>(gs->FindComponent("ArrowGSRock2"))->OnClick == hook);
    EXPECT_EQ(static_cast<TArrow*>(gs->FindComponent("ArrowGSRock2"))->Color(), clRed) << "the looks load all the same";
}

TEST_F(MnemoGSTest, F5TheMenuTheToolBarAndTheLauncherBringItToTheFront) {
    main->TimerRefreshState->SetEnabled(false);
    main->TimerGetLog->SetEnabled(false);
    FormMainMenu = NewForm<TFormMainMenu>(nullptr);
    Create();
    gs->TimerUpdate->SetEnabled(false);
    main->Show();
    guitest::ShowForm(main);

    // Each way in, after the launcher was brought forward.
    TMenuItem* menuItem = nullptr;
    for (int i = 0; i < main->MainMenu1->Items()->Count(); ++i) {
        TMenuItem* top = main->MainMenu1->Items()->Items(i);
        if (StripHotkey(top->Caption()) != "Мнемосхемы") continue;
        for (int k = 0; k < top->Count(); ++k)
            if (top->Items(k)->Action() == main->ActionMnemoGS) menuItem = top->Items(k);
    }
    ASSERT_NE(menuItem, nullptr);
    TToolButton* toolButton = nullptr;
    for (int i = 0; i < main->ComponentCount(); ++i) {
        auto* b = dynamic_cast<TToolButton*>(main->Components(i));
        if (b && b->Action() == main->ActionMnemoGS) toolButton = b;
    }
    ASSERT_NE(toolButton, nullptr);
    EXPECT_EQ(static_cast<TControl*>(toolButton)->Parent()->Parent(), main->FindComponent("TabSheet1"));
    auto* keyLabel = static_cast<TLabel*>(FormMainMenu->FindComponent("LabelKeyF5"));
    auto* tile = static_cast<TControl*>(FormMainMenu->FindComponent("ActionImageF5"));
    ASSERT_NE(keyLabel, nullptr);
    ASSERT_NE(tile, nullptr);

    struct Way {
        const char* name;
        std::function<void()> go;
    };
    const Way ways[] = {
        {"F5", [&] { guitest::Key(VK_F5, 0, main); }},
        {"the menu", [&] { menuItem->Click(); }},
        {"the tool bar", [&] { static_cast<TControl*>(toolButton)->Click(); }},
        {"the launcher's key", [&] { keyLabel->Click(); }},
        {"the launcher's tile", [&] { tile->Click(); }},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.name);
        main->ActionMainMenu->Execute();
        ASSERT_EQ(main->CurrentForm, FormMainMenu);
        w.go();
        EXPECT_EQ(main->CurrentForm, gs);
        EXPECT_EQ(gs->WindowState(), wsMaximized);
    }
    FormMainMenu->Free();
    FormMainMenu = nullptr;
}

}  // namespace
