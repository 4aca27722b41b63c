// The hydrosizer vessel: launders, cylinder and cones, and the water, on the recorder and on screen.
#include "widgets/GydroSizer.h"
#include "WidgetTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Sizer = Paintable<TGydroSizer>;

// As the hydrosizer diagram places it: 220 x 187, teal pen 2 wide, silver vessel, teal water.
void DiagramValues(TGydroSizer& g) {
    g.SetBounds(0, 0, 220, 187);
    g.Pen()->SetColor(clTeal);
    g.Pen()->SetWidth(2);
    g.Brush()->SetColor(clSilver);
    g.WaterBrush()->SetColor(clTeal);
    g.SetMainD(80);
    g.SetD1(80);
    g.SetD2(60);
    g.SetTopH(15);
    g.SetH1(15);
    g.SetH2(25);
    g.SetWaterH(35);
}

TEST(GydroSizer, DiagramValuesDrawLaundersVesselAndWater) {
    // The vessel: the cylinder 176 px wide from the top to y 140, the upper cone (D1 = MainD) going
    // straight on to y 158, the lower cone narrowing to 132 px at the bottom.
    const std::vector<TPoint> vessel = {{22, 2},   {198, 2},  {198, 140}, {198, 158},
                                        {176, 187}, {44, 187}, {22, 158},  {22, 140}};
    struct Case {
        const char* name;
        double waterH;
        int surface;  // y of the water's top corners
    };
    const Case cases[] = {
        {"the diagram's level: the surface 121 px below the top", 35, 121},
        {"a level at the bottom of the cylinder fills the whole vessel", 25, 2},
        {"a level inside the cones too", 10, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Sizer g(nullptr);
        DiagramValues(g);
        g.SetWaterH(k.waterH);
        const auto ops = RecordPaint(g);

        const auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(fills.size(), 1u);
        EXPECT_EQ(fills[0].Rect, TRect(0, 0, 220, 187));
        EXPECT_EQ(fills[0].BrushColor, clBlack) << "the panel colour is the background";

        const auto launders = OfKind(ops, TCanvasOpKind::Rectangle);
        ASSERT_EQ(launders.size(), 2u);
        EXPECT_EQ(launders[0].Rect, TRect(2, 2, 22, 28)) << "20 px wide, 15 % deep";
        EXPECT_EQ(launders[1].Rect, TRect(198, 2, 218, 28));
        EXPECT_EQ(launders[0].BrushColor, clSilver);
        EXPECT_EQ(launders[0].PenColor, clTeal);
        EXPECT_EQ(launders[0].PenWidth, 2);

        const auto polys = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(polys.size(), 2u);
        EXPECT_EQ(polys[0].Points, vessel);
        EXPECT_EQ(polys[0].BrushColor, clSilver);
        std::vector<TPoint> water = vessel;
        water[0].y = water[1].y = k.surface;
        EXPECT_EQ(polys[1].Points, water);
        EXPECT_EQ(polys[1].BrushColor, clTeal);

        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
}

TEST(GydroSizer, EveryPaintDrawsThePictureAnewAndAHiddenOneNothing) {
    Sizer g(nullptr);
    DiagramValues(g);
    RecordPaint(g);
    EXPECT_EQ(OfKind(RecordPaint(g), TCanvasOpKind::Polygon).size(), 2u) << "nothing changed, still redrawn";
    g.SetVisible(false);
    EXPECT_TRUE(RecordPaint(g).empty());
}

TEST(GydroSizer, OnScreenWaterVesselLaunderAndBackground) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 240);
    form->SetColor(clNavy);
    auto* g = new TGydroSizer(form.get());
    g->SetParent(form.get());
    DiagramValues(*g);
    guitest::ShowForm(form.get());
    const QImage img = guitest::Grab(g);
    EXPECT_EQ(guitest::PixelOf(img, 110, 150), clTeal) << "water";
    EXPECT_EQ(guitest::PixelOf(img, 110, 60), clSilver) << "vessel above the surface";
    EXPECT_EQ(guitest::PixelOf(img, 12, 15), clSilver) << "left launder";
    EXPECT_EQ(guitest::PixelOf(img, 10, 100), clBlack) << "beside the cylinder";
    EXPECT_EQ(guitest::PixelOf(img, 22, 60), clTeal) << "the cylinder's wall";
}

}  // namespace
