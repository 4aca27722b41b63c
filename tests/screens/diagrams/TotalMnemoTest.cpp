// The plant overview: belt conveyors and loads from the belt-scale records, the jig-machine
// diagram mirrored every tick and the flotation diagram every fifth, the clicks into the full
// diagrams and the set-points, the two screens freed in either order, and the belt values coming
// from the simulated Vision controller through the Vision thread.
#include "screens/diagrams/TotalMnemo.h"

#include "DiagramTestSupport.h"
#include "links/BeltScale.h"
#include "links/FormInputNewSet.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoReach.h"
#include "testlib/VisionStation.h"
#include "testlib/gui/GuiHarness.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/Fan.h"
#include "widgets/Separator.h"

#include <gtest/gtest.h>

namespace {

using diagramtest::ProgramFolder;

class TotalMnemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteIni(testlib::QuietIni);
        main = diagramtest::NewMainWindow();
        reach = NewForm<TFormMnemoReach>(nullptr);
        FormMnemoReach = reach;
        flot = NewForm<TFormMnemo>(nullptr);
        FormMnemo = flot;
        total = NewForm<TFormTotalMnemo>(nullptr);
        FormTotalMnemo = total;
        for (TTimer* t : {reach->TimerUpdate, reach->TimerStep, reach->Timer1000Ms, flot->TimerUpdate, total->TimerUpdate})
            t->SetEnabled(false);
        TFormTotalMnemo::TickCount = 0;
    }
    void TearDown() override {
        if (total) total->Free();
        if (flot) flot->Free();
        if (reach) reach->Free();
        diagramtest::FreeMainWindow(main);
        ClearBeltScales();
    }
    void Tick() { total->TimerUpdateTimer(total->TimerUpdate); }
    template <class T>
    T* Here(const char* name) {
        return dynamic_cast<T*>(total->FindComponent(name));
    }

    ProgramFolder folder;
    TFormMain* main = nullptr;
    TFormMnemoReach* reach = nullptr;
    TFormMnemo* flot = nullptr;
    TFormTotalMnemo* total = nullptr;
};

TEST_F(TotalMnemoTest, ConveyorsAndLoadsFollowTheBeltScaleRecords) {
    struct Belt {
        double tnk;
        int bkk;
        double position;  // before the tick
    };
    struct Case {
        const char* name;
        bool linkAlive;
        Belt b3862, b401;
        // After the tick, for 386_2 and 401.
        double load3862, load401;
        bool coal3862, coal401;
        double rk3862, rk401;
        double position3862, position401;
    };
    const Case cases[] = {
        {"link down: loads 0 and no coal, a running belt still moves", false, {300, 1, 100}, {50, 0, 0},
         0, 0, false, false, 10, 12, 99.9, 0},
        {"a load of 10 gives the smallest heap, 400 the largest", true, {10, 0, 100}, {400, 1, 0},
         10, 400, true, true, 4, 22, 100, 0.1},
        {"no load: no coal, the heap keeps its size", true, {0, 1, 50}, {120, 0, 50},
         0, 120, false, true, 10, 6.75, 49.9, 50},
        {"each belt wraps round its loop", true, {200, 1, 0.05}, {200, 1, 99.95},
         200, 200, true, true, 11.25, 11.25, 100, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        main->StateFlags[4] = k.linkAlive;
        UpdateBeltScale(0, [&](TBeltScaleRec& r) {
            r.TNK = k.b3862.tnk;
            r.BKK = static_cast<std::uint8_t>(k.b3862.bkk);
        });
        UpdateBeltScale(1, [&](TBeltScaleRec& r) {
            r.TNK = k.b401.tnk;
            r.BKK = static_cast<std::uint8_t>(k.b401.bkk);
        });
        total->AniTransP3862->SetPosition(k.b3862.position);
        total->AniTransP401->SetPosition(k.b401.position);
        total->AniTransP3862->SetRk(10);
        total->AniTransP401->SetRk(12);
        total->OutFieldP3862->SetOutValue(-1);
        total->OutFieldP401->SetOutValue(-1);
        Tick();
        EXPECT_EQ(total->OutFieldP3862->OutValue(), k.load3862);
        EXPECT_EQ(total->OutFieldP401->OutValue(), k.load401);
        EXPECT_EQ(total->AniTransP3862->ShowCoal(), k.coal3862);
        EXPECT_EQ(total->AniTransP401->ShowCoal(), k.coal401);
        EXPECT_DOUBLE_EQ(total->AniTransP3862->Rk(), k.rk3862);
        EXPECT_DOUBLE_EQ(total->AniTransP401->Rk(), k.rk401);
        EXPECT_NEAR(total->AniTransP3862->Position(), k.position3862, 1e-9);
        EXPECT_NEAR(total->AniTransP401->Position(), k.position401, 1e-9);
    }
    EXPECT_EQ(total->OutFieldP3862->Caption(), "200 т/ч");
}

TEST_F(TotalMnemoTest, MirrorsTheJigDiagramByNameEveryTick) {
    reach->Fans[2]->SetRotorAlpha(45);
    static_cast<TLabel*>(reach->FindComponent("LabelTS_11"))->SetCaption("77%");
    reach->LabelTPST_left->SetCaption("сейчас");
    const AnsiString ownHeading = total->Label2->Caption();
    ASSERT_NE(reach->Label2->Caption(), ownHeading);
    TRockBall b;
    b.X = 40;
    b.Y = 20;
    b.R = 4;
    reach->Separators[0]->AddBall(&b);
    reach->Separators[0]->SetWaterLevel(12);
    reach->Separators[0]->SetWaterColor(clBlack);

    Tick();
    EXPECT_EQ(Here<TFan>("Fan3")->RotorAlpha(), 45);
    EXPECT_EQ(Here<TLabel>("LabelTS_11")->Caption(), "77%");
    EXPECT_EQ(Here<TLabel>("LabelTPST_left")->Caption(), "сейчас");
    EXPECT_EQ(total->Label2->Caption(), ownHeading) << "Label2 continues with a digit: not copied";
    auto* shown = Here<TSeparator>("Separator1");
    EXPECT_EQ(shown->Balls(), reach->Separators[0]->Balls()) << "the same particles, not a copy";
    EXPECT_EQ(shown->BallCount(), 1);
    EXPECT_EQ(shown->WaterLevel(), 12);
    EXPECT_EQ(shown->WaterColor(), clBlack);
    EXPECT_EQ(shown->Height(), 110);

    // The overview never steps them: the diagram does, and the overview shows where they went.
    reach->TimerStepTimer(reach->TimerStep);
    EXPECT_EQ((*shown->Balls())[0].X, (*reach->Separators[0]->Balls())[0].X);
    EXPECT_NE((*shown->Balls())[0].X, 40);
}

TEST_F(TotalMnemoTest, MirrorsTheFlotationDiagramOnEveryFifthTick) {
    main->PufFlags[3] = 1;  // the frother circuit runs by hand
    flot->TimerUpdateTimer(flot->TimerUpdate);
    flot->OutFieldPLF->SetOutValue(1180);
    flot->BarrelURS->SetWaterLevel(64);
    flot->ArrowConc->SetColor(clTeal);
    flot->ConusBoxTop->SetWaterColor(clNavy);
    auto* plf = Here<TOutField>("OutFieldPLF");
    const AnsiString before = plf->Caption();
    for (int i = 1; i <= 4; ++i) {
        Tick();
        EXPECT_EQ(plf->Caption(), before) << i;
        EXPECT_TRUE(total->OutFieldZRRP->Visible()) << i;
    }
    Tick();
    EXPECT_EQ(plf->OutValue(), 1180);
    EXPECT_EQ(plf->Caption(), "1180 г/л");
    auto* mode = Here<TOutField>("OutField_S_mode");
    EXPECT_EQ(mode->Caption(), "нет связи");
    EXPECT_EQ(mode->Brush()->Color(), clRed);
    EXPECT_EQ(mode->OutFormat(), "нет связи");
    EXPECT_FALSE(total->OutFieldZRRP->Visible());
    EXPECT_FALSE(Here<TLabel>("LabelSetZRRSP")->Visible());
    EXPECT_FALSE(Here<TArrow>("ArrowZRRP")->Visible());
    EXPECT_TRUE(total->OutFieldZRRS->Visible());
    EXPECT_EQ(Here<TBarrel>("BarrelURS")->WaterLevel(), 64);
    EXPECT_EQ(Here<TBarrel>("BarrelURS")->UpColor(), flot->BarrelURS->UpColor());
    EXPECT_EQ(Here<TArrow>("ArrowConcFlot")->Color(), clTeal) << "group 500 from the concentrate arrow";
    EXPECT_EQ(Here<TArrow>("ArrowFeedFlot")->Color(), flot->OutFieldPLF->Pen()->Color()) << "group 600";
    EXPECT_EQ(Here<TConusBox>("ConusBoxTop")->WaterColor(), clNavy);
    EXPECT_EQ(Here<TConusBox>("ConusBox2")->Pen()->Color(), flot->ConusBox2->Pen()->Color());
    // The dosing lamps keep the overview's own colours.
    EXPECT_EQ(Here<TShape>("ShapeODRS")->Brush()->Color(), clOlive);
}

TEST_F(TotalMnemoTest, ClicksOpenTheDiagramsAndAskForSetPoints) {
    total->ShapeMnemoReachMouseDown(total->ShapeMnemoReach, mbLeft, 0, 5, 5);
    EXPECT_EQ(main->CurrentForm, reach);
    total->ShapeMnemoFlotMouseDown(total->ShapeMnemoFlot, mbLeft, 0, 5, 5);
    EXPECT_EQ(main->CurrentForm, flot);
    main->ActionMainMnemo->Execute();
    EXPECT_EQ(main->CurrentForm, total) << "F2";
    total->PanelCenterClick(total->PanelCenter);
    EXPECT_EQ(main->CurrentForm, flot);
    EXPECT_TRUE(main->ExecuteActionByTag(3));
    EXPECT_EQ(main->CurrentForm, reach) << "F3";

    FormInputNewSet = new TFormInputNewSet(nullptr);
    struct Case {
        TOutField* field;
        TAction* action;
        const char* command;
    };
    const Case cases[] = {{total->OutFieldZRRS, main->ActionSetZRRS, "SetZRRS:12"},
                          {total->OutFieldTRRS, main->ActionSetTRRS, "SetTRRS:13"},
                          {total->OutFieldZRRP, main->ActionSetZRRP, "SetZRRP:14"},
                          {total->OutFieldTRRP, main->ActionSetTRRP, "SetTRRP:15"}};
    int value = 12;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.command);
        guitest::ModalDriver modal;
        AnsiString asked;
        const AnsiString typed = IntToStr(value++);
        modal.Then([&](TCustomForm* f) {
            auto* d = static_cast<TFormInputNewSet*>(f);
            asked = d->LabelParName->Caption();
            d->EditInput->SetText(typed);
            d->SetModalResult(mrOk);
        });
        k.field->Click();
        EXPECT_EQ(modal.Shown(), 1);
        EXPECT_EQ(asked, k.action->Caption());
        ASSERT_GT(main->PufCommands->Count(), 0);
        EXPECT_EQ(main->PufCommands->Strings(main->PufCommands->Count() - 1), k.command);
    }
    FormInputNewSet->Free();
    FormInputNewSet = nullptr;
}

TEST_F(TotalMnemoTest, EitherScreenMayGoFirst) {
    for (bool diagramFirst : {true, false}) {
        SCOPED_TRACE(diagramFirst);
        if (!reach) {
            reach = NewForm<TFormMnemoReach>(nullptr);
            FormMnemoReach = reach;
            total = NewForm<TFormTotalMnemo>(nullptr);
            FormTotalMnemo = total;
        }
        TRockBall b;
        b.X = 50;
        b.Y = 20;
        b.R = 4;
        for (TSeparator* s : reach->Separators) s->AddBall(&b);
        Tick();
        if (diagramFirst) {
            reach->Free();
            reach = nullptr;
            EXPECT_EQ(FormMnemoReach, nullptr);
            Tick();
            auto* shown = Here<TSeparator>("Separator4");
            EXPECT_EQ(shown->BallCount(), 1) << "the particles stay with the screen still showing them";
            shown->UpdateChanges();
            shown->Repaint();
            total->Free();
            total = nullptr;
        } else {
            total->Free();
            total = nullptr;
            reach->TimerStepTimer(reach->TimerStep);
            for (TSeparator* s : reach->Separators) s->Repaint();
            reach->Free();
            reach = nullptr;
        }
    }
}

// A window smaller than the picture (a station whose main window is smaller than the screen it was
// drawn for): each part, the flotation block at the bottom and the right belt included, can be
// scrolled whole into the window.
TEST_F(TotalMnemoTest, AWindowSmallerThanThePictureScrollsToEveryPart) {
    guitest::ShowForm(main);
    total->Show();
    total->SetWindowState(wsNormal);
    total->SetBounds(0, 0, 640, 360);
    guitest::Settle();
    const TRect window = total->ClientRect();
    int parts = 0;
    for (int i = 0; i < total->ComponentCount(); ++i) {
        auto* part = dynamic_cast<TControl*>(total->Components(i));
        if (!part || !part->Visible() || dynamic_cast<TScrollingWinControl*>(part)) continue;
        if (part->Width() > window.Width() || part->Height() > window.Height()) continue;
        SCOPED_TRACE(part->Name().str());
        // What a user does with the scroll bars: every scrolling parent brings the part into view.
        for (TWinControl* p = part->Parent(); p; p = p == total ? nullptr : p->Parent())
            if (auto* s = dynamic_cast<TScrollingWinControl*>(p)) s->ScrollInView(part);
        guitest::Settle();
        const TPoint at = total->ScreenToClient(part->ClientToScreen(TPoint(0, 0)));
        EXPECT_GE(at.x, 0);
        EXPECT_GE(at.y, 0);
        EXPECT_LE(at.x + part->Width(), window.Width());
        EXPECT_LE(at.y + part->Height(), window.Height());
        ++parts;
    }
    EXPECT_GT(parts, 50);
}

// The belt values from the simulated controller, through the Vision thread and the state timer.
using visiontest::VisionStationTest;

TEST_F(VisionStationTest, OverviewShowsTheBeltScalesTheVisionThreadReads) {
    sim->SetBeltFlow(0, 320);  // belt 386_2 runs loaded, belt 401 stands
    form->SQLConnectionUser->Open();
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(testlib::WaitUntil([] { return ReadBeltScale(0).TNK == 320; }));
    form->TimerRefreshStateTimer(form->TimerRefreshState);
    ASSERT_TRUE(form->StateFlags[4]);

    Application->FormCreated(form);
    auto* total = NewForm<TFormTotalMnemo>(nullptr);
    total->TimerUpdate->SetEnabled(false);
    total->TimerUpdateTimer(total->TimerUpdate);
    EXPECT_EQ(total->OutFieldP3862->OutValue(), 320);
    EXPECT_EQ(total->OutFieldP3862->Caption(), "320 т/ч");
    EXPECT_TRUE(total->AniTransP3862->ShowCoal());
    EXPECT_DOUBLE_EQ(total->AniTransP3862->Rk(), 18);
    EXPECT_NEAR(total->AniTransP3862->Position(), 99.9, 1e-9);
    EXPECT_EQ(total->OutFieldP401->OutValue(), 0);
    EXPECT_FALSE(total->AniTransP401->ShowCoal());
    EXPECT_EQ(total->AniTransP401->Position(), 0);
    total->Free();
}

}  // namespace
