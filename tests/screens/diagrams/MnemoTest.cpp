// The flotation diagram with the main window's state set by hand: its components, the colour
// groups, the values, the mode fields, the dosing lamps and the set-point clicks.
#include "screens/diagrams/Mnemo.h"

#include "DiagramTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/ActnList.h"

#include <gtest/gtest.h>

namespace {

using diagramtest::Dialogs;
using diagramtest::EditModeScope;
using diagramtest::ProgramFolder;

enum { vPLF, vRVF, vRGF, vTRRS, vTRRP, vSOF, vURS, vURP, vZRRS, vZRRP };
enum { fF1AS, fF1RS, fF1AP, fF1RP, fDSF1, fDPF1 };

class MnemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteIni(diagramtest::QuietIni);
        main = diagramtest::NewMainWindow();
        mnemo = NewForm<TFormMnemo>(nullptr);
        FormMnemo = mnemo;
    }
    void TearDown() override {
        if (mnemo) mnemo->Free();
        diagramtest::FreeMainWindow(main);
    }
    // The section runs: flow above the threshold, the controller's link alive.
    void Run(bool running) {
        main->PufValues[vRVF] = running ? 120.f : 0.f;
        main->StateFlags[3] = running;
    }
    void Tick() { mnemo->TimerUpdateTimer(mnemo->TimerUpdate); }
    TArrow* Arrow(const char* name) { return static_cast<TArrow*>(mnemo->FindComponent(name)); }

    ProgramFolder folder;
    TFormMain* main = nullptr;
    TFormMnemo* mnemo = nullptr;
};

TEST_F(MnemoTest, FormAndComponentsAsTheCodeLooksThemUp) {
    EXPECT_EQ(mnemo->Caption(), "Мнемосхема");
    EXPECT_EQ(mnemo->Color(), clBlack);
    EXPECT_EQ(mnemo->FormStyle(), fsMDIChild);
    EXPECT_EQ(mnemo->BorderIcons(), 0u);
    EXPECT_EQ(mnemo->Constraints()->MinWidth(), 794);
    EXPECT_EQ(mnemo->Constraints()->MinHeight(), 590);
    EXPECT_EQ(mnemo->Label1->Caption(), "Мнемосхема обогащения методом флотации");
    EXPECT_EQ(mnemo->IniFileName, AnsiString(folder / "config/FormMnemo.INI"));
    EXPECT_TRUE(DirectoryExists(folder / "config"));
    EXPECT_EQ(mnemo->TimerUpdate->Interval(), 1000u);
    EXPECT_TRUE(mnemo->TimerUpdate->Enabled());

    struct Item {
        const char* name;
        const char* cls;
        long tag;
        const char* parent;
        const char* format;  // output fields
    };
    const Item items[] = {
        {"OutFieldPLF", "TOutField", 600, "PanelCenter", "###0 г/л"},
        {"OutFieldRVF", "TOutField", 600, "PanelCenter", "###0 м3/ч"},
        {"OutFieldRGF", "TOutField", 600, "PanelCenter", "###0 т/ч"},
        {"OutFieldTRRS", "TOutField", 700, "PanelCenter", "###0 л/ч"},
        {"OutFieldZRRS", "TOutField", 700, "PanelCenter", "###0 мл/т"},
        {"OutFieldTRRP", "TOutField", 800, "PanelCenter", "###0 л/ч"},
        {"OutFieldZRRP", "TOutField", 800, "PanelCenter", "###0 мл/т"},
        {"OutFieldSOF", "TOutField", 900, "PanelCenter", "###0 %"},
        {"BarrelURS", "TBarrel", 0, "PanelCenter", nullptr},
        {"BarrelURP", "TBarrel", 0, "PanelCenter", nullptr},
        {"OutFieldURS", "TOutField", 0, "BarrelURS", "0%"},
        {"OutFieldURP", "TOutField", 0, "BarrelURP", "0%"},
        {"OutField_S_mode", "TOutField", 0, "PanelCenter", nullptr},
        {"OutField_P_mode", "TOutField", 0, "PanelCenter", nullptr},
        {"ShapeODRS", "TShape", 0, "PanelCenter", nullptr},
        {"ShapeODRP", "TShape", 0, "PanelCenter", nullptr},
        {"PoligonODRS", "TPoligon", 0, nullptr, nullptr},
        {"PoligonODRP", "TPoligon", 0, nullptr, nullptr},
        {"LabelSetZRRSS", "TLabel", 700, "PanelCenter", nullptr},
        {"LabelSetZRRSP", "TLabel", 800, "PanelCenter", nullptr},
        {"ArrowZRRS", "TArrow", 700, "PanelCenter", nullptr},
        {"ArrowZRRP", "TArrow", 800, "PanelCenter", nullptr},
        {"ConusBoxTop", "TConusBox", 0, "PanelCenter", nullptr},
        {"ConusBox2", "TConusBox", 0, "PanelCenter", nullptr},
        {"ArrowConc", "TArrow", 500, "PanelCenter", nullptr},
        {"ArrowReciver", "TArrow", 700, "PanelCenter", nullptr},
        {"ArrowPenoGen", "TArrow", 800, "PanelCenter", nullptr},
        {"ArrowFlotOut", "TArrow", 900, "PanelCenter", nullptr},
        {"Valve1", "TValve", 700, "PanelCenter", nullptr},
        {"Valve2", "TValve", 800, "PanelCenter", nullptr},
        {"TimerUpdate", "TTimer", 0, nullptr, nullptr},
    };
    for (const Item& it : items) {
        SCOPED_TRACE(it.name);
        TComponent* c = mnemo->FindComponent(AnsiString(it.name).LowerCase());
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->ClassName(), it.cls);
        EXPECT_EQ(c->Tag(), it.tag);
        if (it.parent) {
            EXPECT_EQ(static_cast<TControl*>(c)->Parent()->Name(), it.parent);
        }
        if (it.format) {
            EXPECT_EQ(static_cast<TOutField*>(c)->OutFormat(), it.format);
        }
    }
    // The set-point fields show the hand; the groups hold arrows of every material.
    for (TOutField* f : {mnemo->OutFieldTRRS, mnemo->OutFieldZRRS, mnemo->OutFieldTRRP, mnemo->OutFieldZRRP})
        EXPECT_EQ(f->Cursor(), crHandPoint) << f->Name();
    int arrowsOf[10] = {};
    int actionPanels701 = 0, actionLabels = 0;
    for (int i = 0; i < mnemo->ComponentCount(); ++i) {
        TComponent* c = mnemo->Components(i);
        if (c->ClassName() == "TArrow" && c->Tag() >= 500 && c->Tag() <= 900) ++arrowsOf[c->Tag() / 100];
        if (c->ClassName() == "TActionPanel" && c->Tag() == 701) ++actionPanels701;
        if (c->ClassName() == "TActionLabel") ++actionLabels;
        // The overview mirrors every "OutField…" whose ninth character is no digit: no name here
        // may be one it skips.
        const AnsiString n = c->Name();
        if (n.Pos("OutField") == 1) {
            EXPECT_FALSE(n.Length() >= 9 && n[9] >= '0' && n[9] <= '9') << n;
        }
    }
    for (int g = 5; g <= 9; ++g) EXPECT_GE(arrowsOf[g], 1) << g * 100;
    EXPECT_EQ(actionPanels701, 2);
    EXPECT_GE(actionLabels, 1);
}

TEST_F(MnemoTest, GroupsTakeTheRunningColoursOnlyWhileTheSectionRunsAndTheLinkLives) {
    struct Case {
        const char* name;
        float rvf;
        bool link;
        bool running;
    };
    const Case cases[] = {
        {"flow above the threshold", 1.5f, true, true},
        {"flow at the threshold counts as stopped", 1.0f, true, false},
        {"no flow", 0.f, true, false},
        {"link lost", 50.f, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main->PufValues[vRVF] = c.rvf;
        main->StateFlags[3] = c.link;
        mnemo->ApplyColorSet(true);
        EXPECT_EQ(mnemo->Running, c.running);
        auto colour = [&](TColor runningColour) { return c.running ? runningColour : clSilver; };
        EXPECT_EQ(mnemo->ArrowConc->Color(), colour(clFuchsia));
        EXPECT_EQ(Arrow("ArrowFeed")->Color(), colour(clAqua));
        EXPECT_EQ(mnemo->OutFieldPLF->Pen()->Color(), colour(clAqua));
        EXPECT_EQ(mnemo->ArrowReciver->Color(), colour(clGreen));
        EXPECT_EQ(mnemo->LabelSetZRRSS->Font()->Color(), colour(clGreen));
        EXPECT_EQ(mnemo->Valve1->Brush()->Color(), colour(clGreen));
        EXPECT_EQ(mnemo->ArrowPenoGen->Color(), colour(clRed));
        EXPECT_EQ(mnemo->ArrowFlotOut->Color(), colour(clLime));
        EXPECT_EQ(mnemo->OutFieldSOF->Pen()->Color(), colour(clLime));
        EXPECT_EQ(mnemo->ConusBoxTop->WaterColor(), colour(clAqua));
        EXPECT_EQ(mnemo->ConusBox2->Pen()->Color(), colour(clAqua));
        TColor lighter, darker;
        ShadeColor(colour(clGreen), lighter, darker);
        EXPECT_EQ(mnemo->BarrelURS->UpColor(), lighter);
        EXPECT_EQ(mnemo->BarrelURS->DownColor(), darker);
        ShadeColor(colour(clRed), lighter, darker);
        EXPECT_EQ(mnemo->BarrelURP->UpColor(), lighter);
    }
}

TEST_F(MnemoTest, ColoursAreAppliedAgainOnlyWhenTheStateChanges) {
    Run(false);
    mnemo->FormCreate(mnemo);
    EXPECT_EQ(mnemo->ArrowConc->Color(), clSilver);
    mnemo->ArrowConc->SetColor(clWhite);  // as the edit mode may leave it
    Tick();
    EXPECT_EQ(mnemo->ArrowConc->Color(), clWhite);
    Run(true);
    Tick();
    EXPECT_EQ(mnemo->ArrowConc->Color(), clFuchsia);
    mnemo->ArrowConc->SetColor(clWhite);
    Tick();
    EXPECT_EQ(mnemo->ArrowConc->Color(), clWhite);
}

TEST_F(MnemoTest, ValuesGoIntoFieldsAndTanks) {
    const float v[10] = {1234.4f, 120.f, 35.6f, 12.f, 7.f, 18.4f, 57.f, 3.f, 250.f, 90.f};
    std::copy(v, v + 10, main->PufValues);
    Tick();
    struct Shown {
        TOutField* field;
        const char* text;
    };
    const Shown shown[] = {
        {mnemo->OutFieldPLF, "1234 г/л"}, {mnemo->OutFieldRVF, "120 м3/ч"}, {mnemo->OutFieldRGF, "36 т/ч"},
        {mnemo->OutFieldTRRS, "12 л/ч"},   {mnemo->OutFieldTRRP, "7 л/ч"},    {mnemo->OutFieldSOF, "18 %"},
        {mnemo->OutFieldZRRS, "250 мл/т"}, {mnemo->OutFieldZRRP, "90 мл/т"}, {mnemo->OutFieldURS, "57%"},
        {mnemo->OutFieldURP, "3%"},
    };
    for (const Shown& s : shown) EXPECT_EQ(s.field->Caption(), s.text) << s.field->Name();
    EXPECT_EQ(mnemo->OutFieldPLF->OutValue(), static_cast<double>(1234.4f)) << "the float widened, not rounded";
    EXPECT_EQ(mnemo->BarrelURS->WaterLevel(), 57);
    EXPECT_EQ(mnemo->BarrelURP->WaterLevel(), 3);
}

TEST_F(MnemoTest, ModeFieldsFollowTheLinkAndTheFlags) {
    struct Case {
        bool link, automatic, manual;
        const char* text;
        TColor brush, font;
    };
    const Case cases[] = {
        {true, false, false, "ВЫКЛ", clRed, clBlack},
        {true, true, false, "АВТОМАТ", clSkyBlue, clNavy},
        {true, false, true, "РУЧНОЙ", clLime, clBlack},
        {true, true, true, "  ", clYellow, clBlack},
        {false, true, false, "нет связи", clSkyBlue, clNavy},
        {false, false, false, "нет связи", clRed, clBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        main->StateFlags[3] = c.link;
        main->PufFlags[fF1AS] = main->PufFlags[fF1AP] = c.automatic;
        main->PufFlags[fF1RS] = main->PufFlags[fF1RP] = c.manual;
        main->PufValues[vTRRS] += 1;  // a changing value must not change a mode field
        Tick();
        for (TOutField* f : {mnemo->OutField_S_mode, mnemo->OutField_P_mode}) {
            EXPECT_EQ(f->Caption(), c.text) << f->Name();
            EXPECT_EQ(f->OutFormat(), c.text);
            EXPECT_EQ(f->Brush()->Color(), c.brush);
            EXPECT_EQ(f->Font()->Color(), c.font);
        }
    }
    // Each circuit reads its own flags.
    main->StateFlags[3] = true;
    main->PufFlags[fF1AS] = 1;
    main->PufFlags[fF1RS] = 0;
    main->PufFlags[fF1AP] = 0;
    main->PufFlags[fF1RP] = 1;
    Tick();
    EXPECT_EQ(mnemo->OutField_S_mode->Caption(), "АВТОМАТ");
    EXPECT_EQ(mnemo->OutField_P_mode->Caption(), "РУЧНОЙ");
}

TEST_F(MnemoTest, ManualModeHidesTheSpecificConsumptionOfItsCircuit) {
    main->PufFlags[fF1RS] = 1;
    Tick();
    for (TControl* c : std::initializer_list<TControl*>{mnemo->OutFieldZRRS, mnemo->LabelSetZRRSS, mnemo->ArrowZRRS})
        EXPECT_FALSE(c->Visible()) << c->Name();
    for (TControl* c : std::initializer_list<TControl*>{mnemo->OutFieldZRRP, mnemo->LabelSetZRRSP, mnemo->ArrowZRRP})
        EXPECT_TRUE(c->Visible()) << c->Name();
    main->PufFlags[fF1RS] = 0;
    main->PufFlags[fF1RP] = 1;
    Tick();
    EXPECT_TRUE(mnemo->OutFieldZRRS->Visible());
    EXPECT_FALSE(mnemo->ArrowZRRP->Visible());
}

TEST_F(MnemoTest, DosingLampsShowTheCircuitColourOrTheirPipe) {
    mnemo->PoligonODRS->Brush()->SetColor(clOlive);
    mnemo->PoligonODRP->Brush()->SetColor(clBlue);
    Run(false);  // the lamps take the running colours whatever the section does
    main->PufFlags[fDSF1] = 1;
    main->PufFlags[fDPF1] = 0;
    Tick();
    EXPECT_EQ(mnemo->ShapeODRS->Brush()->Color(), clGreen);
    EXPECT_EQ(mnemo->ShapeODRP->Brush()->Color(), clBlue);
    main->PufFlags[fDSF1] = 0;
    main->PufFlags[fDPF1] = 1;
    Tick();
    EXPECT_EQ(mnemo->ShapeODRS->Brush()->Color(), clOlive);
    EXPECT_EQ(mnemo->ShapeODRP->Brush()->Color(), clRed);
}

TEST_F(MnemoTest, SetPointClicksWorkBeforeDuringAndAfterTheEditMode) {
    Dialogs dialogs;
    struct Target {
        TOutField* field;
        TAction** action;
    };
    const Target targets[] = {
        {mnemo->OutFieldZRRS, &main->ActionSetZRRS},
        {mnemo->OutFieldZRRP, &main->ActionSetZRRP},
        {mnemo->OutFieldTRRS, &main->ActionSetTRRS},
        {mnemo->OutFieldTRRP, &main->ActionSetTRRP},
    };
    std::map<TAction*, int> runs;
    for (const Target& t : targets) {
        auto* a = new TAction(main);
        a->OnExecute = [&runs, a](TObject*) { ++runs[a]; };
        *t.action = a;
    }
    for (const Target& t : targets) {
        t.field->Click();
        EXPECT_EQ(runs[*t.action], 1) << t.field->Name();
    }

    EditModeScope mode(true);
    mnemo->SetEditMode();
    guitest::ModalDriver modal;
    TCustomForm* shown = nullptr;
    modal.Then([&shown](TCustomForm* f) {
        shown = f;
        f->SetModalResult(mrCancel);
    });
    mnemo->OutFieldZRRS->Click();
    EXPECT_EQ(shown, FormOutFieldEdit) << "the edit mode opens the field's dialog";
    EXPECT_EQ(runs[main->ActionSetZRRS], 1);
    EXPECT_EQ(mnemo->OutFieldZRRS->ConfigName(), mnemo->IniFileName);

    mode.Set(false);
    mnemo->SetEditMode();
    for (const Target& t : targets) {
        t.field->Click();
        EXPECT_EQ(runs[*t.action], 2) << t.field->Name() << ": the set-point click is back";
        EXPECT_EQ(t.field->Cursor(), crHandPoint);
    }
}

TEST_F(MnemoTest, ThePictureStaysCentredAndMarginsNeverGoNegative) {
    mnemo->SetWindowState(wsNormal);
    mnemo->SetBounds(0, 0, 1200, 900);
    mnemo->FormResize(mnemo);
    const int side = (mnemo->ClientWidth() - 790) / 2;
    EXPECT_EQ(mnemo->PanelL->Width(), side);
    EXPECT_EQ(mnemo->PanelR->Width(), side);
    const int top = mnemo->PanelTop->Height();
    mnemo->FormResize(mnemo);
    EXPECT_EQ(mnemo->PanelTop->Height(), top) << "a second resize to the same size changes nothing";
    EXPECT_GT(top, 0);
    mnemo->PanelL->SetWidth(0);
    mnemo->FormResize(mnemo);
    EXPECT_EQ(mnemo->PanelL->Width(), side);
}

}  // namespace
