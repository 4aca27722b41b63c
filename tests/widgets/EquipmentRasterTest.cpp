// The mixer, wheel, machine, meter, scale, tanks, gauge and equipment drawings on screen: a test
// form built from a component table, pixels of the mixer's water fill, a transparent wheel and
// scale after repaints, and the colour-group routines of the three that have one.
#include "widgets/BladeWheel.h"
#include "widgets/ComponentTable.h"
#include "widgets/DensMeter.h"
#include "widgets/EBM.h"
#include "widgets/Mixer.h"
#include "widgets/Pandus.h"
#include "widgets/PullOut.h"
#include "widgets/ShlamBox.h"
#include "widgets/TermoScale.h"
#include "widgets/Transporter.h"
#include "widgets/WaterMEO.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Shows the form and waits until every control on it has painted at least once.
void ShowPainted(TForm* form) {
    guitest::ShowForm(form);
    ASSERT_TRUE(guitest::WaitFor([form] {
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* c = dynamic_cast<TControl*>(form->Components(i)); c && c->PaintCount() == 0) return false;
        return true;
    }));
}

template <class T>
T* Find(TForm& form, const char* name) {
    auto* c = dynamic_cast<T*>(form.FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TEST(EquipmentRaster, ATestFormShowsAllTenWidgets) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 560, 300);
    form.SetColor(clBlack);
    TStringList scaleLines;
    scaleLines.SetText("0\n50\n100");
    BuildComponents(&form, {
        Row<TMixer>("Mixer1", "", 0, 0, 100, 100, 0, [](TMixer* m) { m->SetWaterColor(clBlue); }),
        Row<TBladeWheel>("BladeWheel1", "", 110, 0, 40, 100, 0, [](TBladeWheel* w) {
            w->Brush()->SetColor(clSilver);
            w->BladePen()->SetColor(clRed);
        }),
        Row<TEBM>("EBM1", "", 160, 0, 100, 100),
        Row<TDensMeter>("DensMeter1", "", 270, 0, 200, 100, 0, [](TDensMeter* d) {
            d->SetColor(clSilver);
            d->SetOutValue(200);
        }),
        Row<TTermoScale>("TermoScale1", "", 480, 0, 50, 100, 0, [&scaleLines](TTermoScale* s) {
            s->SetLines(&scaleLines);
            s->Brush()->SetColor(clCream);
        }),
        Row<TShlamBox>("ShlamBox1", "", 0, 110, 108, 100, 0, [](TShlamBox* t) {
            t->SetColor(clGray);
            t->Brush()->SetColor(clOlive);
        }),
        Row<TWaterMEO>("WaterMEO1", "", 120, 110, 80, 40, 0, [](TWaterMEO* g) {
            g->WaterBrush()->SetColor(clAqua);
            g->SetArrowColor(clRed);
        }),
        Row<TPandus>("Pandus1", "", 210, 110, 145, 75),
        Row<TTransporter>("Transporter1", "", 360, 110, 100, 20),
        Row<TPullOut>("PullOut1", "", 470, 110, 40, 100, 0, [](TPullOut* p) { p->Brush()->SetColor(clLime); }),
    });
    ShowPainted(&form);
    struct Probe {
        const char* name;
        int x, y;
        TColor colour;
    };
    const Probe probes[] = {
        {"Mixer1", 20, 50, clBlue},         // water below the line at 20
        {"Mixer1", 50, 10, clWhite},        // above it
        {"BladeWheel1", 20, 50, clRed},     // the blade on the middle line
        {"BladeWheel1", 20, 45, clSilver},  // between blades
        {"EBM1", 60, 40, clYellow},         // the rotor's centre
        {"EBM1", 15, 70, clBlue},           // the stator
        {"EBM1", 5, 5, clBlack},            // the background
        {"DensMeter1", 30, 25, clRed},      // a filled cell
        {"DensMeter1", 5, 80, clSilver},    // the panel
        {"TermoScale1", 5, 30, clCream},    // between the marks
        {"ShlamBox1", 50, 65, clOlive},     // the sludge layer
        {"ShlamBox1", 50, 30, clGray},      // above it
        {"WaterMEO1", 10, 20, clAqua},      // the water part
        {"WaterMEO1", 16, 20, clRed},       // the arrow
        {"WaterMEO1", 40, 10, clWhite},     // beyond the position
        {"Pandus1", 70, 30, clRed},         // the chute
        {"Transporter1", 50, 10, clNavy},   // the body
        {"Transporter1", 10, 10, clBlack},  // a drum's inner circle
        {"PullOut1", 20, 20, clLime},       // the drum
        {"PullOut1", 20, 90, clLime},       // the hopper's point
        {"PullOut1", 2, 90, clWhite},       // the background beside it
    };
    for (const Probe& p : probes) {
        auto* c = Find<TControl>(form, p.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(guitest::Pixel(c, p.x, p.y), p.colour) << p.name << " at " << p.x << "," << p.y;
    }
}

TEST(EquipmentRaster, TheMixersWaterFillsBelowItsLineAndNeverCoversTheRotor) {
    struct Case {
        const char* name;
        double level;
        std::vector<std::pair<TPoint, TColor>> pixels;
    };
    const Case cases[] = {
        // The water line at y 20; hub about (50, 70) in red, blades 25 long.
        {"level 80",
         80,
         {{TPoint(50, 10), clWhite},
          {TPoint(50, 20), clAqua},
          {TPoint(20, 50), clAqua},
          {TPoint(50, 96), clAqua},
          {TPoint(50, 70), clRed},
          {TPoint(65, 70), clRed},
          {TPoint(61, 59), clAqua}}},
        // The fill would start on row 100, outside the picture: no water at all.
        {"level 0", 0, {{TPoint(20, 50), clWhite}, {TPoint(20, 90), clWhite}, {TPoint(50, 70), clRed}}},
        // The line above the picture, the start inside: the whole vessel fills.
        {"level 150", 150, {{TPoint(50, 1), clAqua}, {TPoint(50, 90), clAqua}, {TPoint(65, 70), clRed}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm form(nullptr);
        form.SetBounds(0, 0, 200, 200);
        auto* m = new TMixer(&form);
        m->SetParent(&form);
        m->SetBounds(0, 0, 100, 100);
        m->RotorPen()->SetColor(clRed);
        m->SetWaterLevel(c.level);
        ShowPainted(&form);
        const QImage img = guitest::Grab(m);
        for (const auto& [p, colour] : c.pixels)
            EXPECT_EQ(guitest::PixelOf(img, p.x, p.y), colour) << p.x << "," << p.y;
    }
}

TEST(EquipmentRaster, FourMixerBladesPointRightUpLeftAndDown) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    auto* m = new TMixer(&form);
    m->SetParent(&form);
    m->SetBounds(0, 0, 100, 100);
    m->RotorPen()->SetColor(clRed);
    m->SetRotorR1(0);
    ShowPainted(&form);
    const QImage img = guitest::Grab(m);
    // The centre is (50, 70); look 15 pixels out along each direction and across it.
    auto redNear = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (guitest::PixelOf(img, x + dx, y + dy) == clRed) return true;
        return false;
    };
    EXPECT_TRUE(redNear(65, 70)) << "right";
    EXPECT_TRUE(redNear(50, 55)) << "up";
    EXPECT_TRUE(redNear(35, 70)) << "left";
    EXPECT_TRUE(redNear(50, 85)) << "down";
    for (TPoint diagonal : {TPoint(61, 59), TPoint(39, 59), TPoint(39, 81), TPoint(61, 81)})
        EXPECT_FALSE(redNear(diagonal.x, diagonal.y)) << diagonal.x << "," << diagonal.y;
}

TEST(EquipmentRaster, ATransparentWheelStillShowsAfterARepaintWithoutAChange) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    form.SetColor(clBlack);
    auto* w = new TBladeWheel(&form);
    w->SetParent(&form);
    w->SetBounds(0, 0, 40, 100);
    w->SetTransparent(true);
    w->SetCircleMode(false);
    w->BladePen()->SetColor(clRed);
    ShowPainted(&form);
    EXPECT_EQ(guitest::Pixel(w, 20, 50), clRed);
    // Something covers the wheel (drawn over what it shows), then it is painted again for that
    // reason alone: the blades must come back.
    TCanvas* c = w->Canvas();
    c->Brush()->SetColor(clGreen);
    c->FillRect(TRect(0, 0, 40, 100));
    const int painted = w->PaintCount();
    w->Repaint();
    ASSERT_TRUE(guitest::WaitFor([&] { return w->PaintCount() > painted; }));
    EXPECT_EQ(guitest::Pixel(w, 20, 50), clRed);
    EXPECT_EQ(guitest::Pixel(w, 20, 45), clGreen) << "drawn over, not cleared";
}

TEST(EquipmentRaster, ATransparentScaleShowsThePanelsColourBehindItsMarks) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    TStringList lines;
    lines.SetText("0\n100");
    auto* s = new TTermoScale(&form);
    s->SetParent(&form);
    s->SetLines(&lines);
    s->SetColor(clLime);
    s->Brush()->SetColor(clCream);
    ShowPainted(&form);
    EXPECT_EQ(guitest::Pixel(s, 5, 30), clCream);
    s->SetTransparent(true);
    s->Repaint();
    EXPECT_EQ(guitest::Pixel(s, 5, 30), clLime);
}

TEST(EquipmentColorGroups, MixerWheelAndMachineTakeTheGroupColour) {
    TForm form(nullptr);
    auto* mixer = new TMixer(&form);
    auto* wheel = new TBladeWheel(&form);
    auto* ebm = new TEBM(&form);
    for (TComponent* c : std::initializer_list<TComponent*>{mixer, wheel, ebm}) {
        TColorGroupRoutine r = FindColorGroupRoutine(c->ClassName());
        ASSERT_NE(r, nullptr) << c->ClassName();
        r(c, clFuchsia);
    }
    EXPECT_EQ(mixer->WaterColor(), clFuchsia);
    EXPECT_NE(mixer->Pen()->Color(), clFuchsia);
    EXPECT_EQ(wheel->BladePen()->Color(), clFuchsia);
    EXPECT_EQ(wheel->Pen()->Color(), clFuchsia);
    EXPECT_NE(wheel->Brush()->Color(), clFuchsia);
    EXPECT_EQ(ebm->StatorBrush()->Color(), clFuchsia);
    EXPECT_NE(ebm->StatorPen()->Color(), clFuchsia);
    EXPECT_NE(ebm->RotorBrush()->Color(), clFuchsia);
    // The others stay as they are in a colour group.
    for (const char* name : {"TDensMeter", "TTermoScale", "TShlamBox", "TWaterMEO", "TPandus", "TTransporter",
                             "TPullOut"})
        EXPECT_EQ(FindColorGroupRoutine(name), nullptr) << name;
}

}  // namespace
