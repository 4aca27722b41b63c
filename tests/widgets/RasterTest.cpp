// The widgets on screen: a few pixels of each, drawn off-screen by the real canvas, and the
// colour-group routines each widget registers.
#include "widgets/ActionImage.h"
#include "widgets/ActionLabel.h"
#include "widgets/ActionPanel.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/OutField.h"
#include "widgets/Poligon.h"
#include "widgets/Pump.h"
#include "widgets/Valve.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

template <class W>
W* Place(TForm* form, int l, int t, int w, int h) {
    auto* c = new W(form);
    c->SetParent(form);
    c->SetBounds(l, t, w, h);
    return c;
}

TEST(WidgetRaster, EachWidgetShowsItsColoursWhereItsShapeLies) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 420, 220);
    form->SetColor(clBlack);

    auto* barrel = Place<TBarrel>(form.get(), 10, 10, 40, 100);
    barrel->SetColor(clGray);
    barrel->SetMaxLevel(100);
    barrel->SetWaterLevel(50);
    barrel->SetDownColor(clNavy);
    barrel->SetUpColor(clAqua);
    barrel->Pen()->SetColor(clYellow);

    auto* conus = Place<TConusBox>(form.get(), 60, 10, 100, 100);
    conus->SetColor(clTeal);
    conus->SetWaterColor(clLime);
    conus->SetWaterH(30);

    auto* field = Place<TOutField>(form.get(), 170, 10, 80, 30);
    field->Brush()->SetColor(clWhite);
    field->Pen()->SetColor(clRed);
    field->Pen()->SetWidth(2);
    field->SetOutValue(12);

    auto* arrow = Place<TArrow>(form.get(), 170, 60, 80, 10);
    arrow->SetColor(clFuchsia);
    arrow->SetEdgeLength(0);

    auto* valve = Place<TValve>(form.get(), 260, 10, 22, 26);
    valve->Brush()->SetColor(clGreen);

    auto* square = Place<TPoligon>(form.get(), 290, 10, 30, 30);
    TStringList pts;
    pts.SetText("0; 0\n0; 99\n99; 99\n99; 0");
    square->SetPointList(&pts);
    square->Brush()->SetColor(clBlue);

    auto* pump = Place<TPump>(form.get(), 330, 10, 60, 60);
    auto* flipped = Place<TPump>(form.get(), 330, 80, 60, 60);
    flipped->SetVertFlip(true);

    // Each pixel read renders the widget anew (Grab), so no waiting for a paint is needed.
    guitest::ShowForm(form.get());

    EXPECT_EQ(guitest::Pixel(barrel, 20, 99), clNavy) << "bottom stripe";
    EXPECT_EQ(guitest::Pixel(barrel, 20, 20), clGray) << "above the level";
    EXPECT_EQ(guitest::Pixel(barrel, 0, 50), clYellow) << "left wall";
    EXPECT_EQ(guitest::Pixel(conus, 50, 40), clTeal) << "empty cylinder";
    EXPECT_EQ(guitest::Pixel(conus, 50, 95), clLime) << "water in the cone";
    EXPECT_EQ(guitest::Pixel(field, 3, 3), clWhite) << "box";
    EXPECT_EQ(guitest::Pixel(field, 0, 15), clRed) << "frame";
    EXPECT_EQ(guitest::Pixel(arrow, 40, 5), clFuchsia);
    EXPECT_EQ(guitest::Pixel(valve, 4, 13), clGreen) << "left triangle";
    EXPECT_EQ(guitest::Pixel(valve, 11, 4), clBlack) << "between the triangles the form shows";
    EXPECT_EQ(guitest::Pixel(square, 15, 15), clBlue);

    // The impeller arc is the right half of its circle, or the left half when mirrored.
    auto redIn = [](TControl* c, int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x)
            if (guitest::Pixel(c, x, y) == clRed) return true;
        return false;
    };
    EXPECT_TRUE(redIn(pump, 36, 40, 40));
    EXPECT_TRUE(redIn(flipped, 19, 23, 40));
}

TEST(WidgetRaster, AValueChangeShowsAtTheNextPaint) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 200, 100);
    auto* barrel = Place<TBarrel>(form.get(), 0, 0, 20, 80);
    barrel->SetMaxLevel(100);
    barrel->SetWaterLevel(0);
    barrel->SetColor(clGray);
    barrel->SetDownColor(clRed);
    barrel->SetUpColor(clRed);
    guitest::ShowForm(form.get());
    EXPECT_EQ(guitest::Pixel(barrel, 10, 70), clGray);
    barrel->SetWaterLevel(100);
    EXPECT_EQ(guitest::Pixel(barrel, 10, 70), clRed);
}

TEST(ColorGroupRoutines, EachClassColoursItsOwnParts) {
    TForm form(nullptr);
    auto* arrow = new TArrow(&form);
    auto* field = new TOutField(&form);
    auto* conus = new TConusBox(&form);
    auto* pump = new TPump(&form);
    auto* valve = new TValve(&form);
    auto* poligon = new TPoligon(&form);
    auto* panel = new TPanel(&form);
    auto* actionPanel = new TActionPanel(&form);
    auto* label = new TLabel(&form);
    auto* actionLabel = new TActionLabel(&form);
    for (TComponent* c : std::initializer_list<TComponent*>{arrow, field, conus, pump, valve, poligon, panel,
                                                            actionPanel, label}) {
        TColorGroupRoutine r = FindColorGroupRoutine(c->ClassName());
        ASSERT_NE(r, nullptr) << c->ClassName();
        r(c, clFuchsia);
    }
    EXPECT_EQ(arrow->Color(), clFuchsia);
    EXPECT_EQ(field->Pen()->Color(), clFuchsia);
    EXPECT_NE(field->Brush()->Color(), clFuchsia);
    EXPECT_EQ(conus->WaterColor(), clFuchsia);
    EXPECT_EQ(pump->Brush()->Color(), clFuchsia);
    EXPECT_NE(pump->Pen()->Color(), clFuchsia);
    EXPECT_EQ(valve->Pen()->Color(), clFuchsia);
    EXPECT_EQ(valve->Brush()->Color(), clFuchsia);
    EXPECT_EQ(poligon->Pen()->Color(), clFuchsia);
    EXPECT_EQ(poligon->Brush()->Color(), clFuchsia);
    EXPECT_EQ(panel->Color(), clFuchsia);
    EXPECT_EQ(actionPanel->Color(), clFuchsia);
    EXPECT_EQ(label->Font()->Color(), clFuchsia);
    // Only the exact class counts: a label bound to actions is no "TLabel".
    EXPECT_EQ(FindColorGroupRoutine(actionLabel->ClassName()), nullptr);
    EXPECT_EQ(FindColorGroupRoutine("tarrow"), nullptr);
}

TEST(ActionWidgets, RunTheirActionAndFollowItsState) {
    TForm form(nullptr);
    auto* action = new TAction(&form);
    int runs = 0;
    action->OnExecute = [&](TObject*) { ++runs; };
    action->SetCaption("Флотация");
    action->SetHint("Показать мнемосхему флотации");
    auto* label = new TActionLabel(&form);
    label->SetParent(&form);
    label->SetAction(action);
    auto* image = new TActionImage(&form);
    image->SetParent(&form);
    image->SetAction(action);
    EXPECT_EQ(label->Caption(), "Флотация");
    for (TControl* c : std::initializer_list<TControl*>{label, image}) {
        EXPECT_EQ(c->Hint(), "Показать мнемосхему флотации") << c->ClassName();
        EXPECT_EQ(c->Action(), action);
    }
    label->Click();
    image->Click();
    EXPECT_EQ(runs, 2);
    action->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    EXPECT_FALSE(image->Enabled());
    auto* panel = new TActionPanel(&form);
    EXPECT_EQ(panel->Action(), nullptr);
    EXPECT_STREQ(panel->ClassName().c_str(), "TActionPanel");
}

}  // namespace
