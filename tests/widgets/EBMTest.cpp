// The rotor and stator machine: reading its outline, and drawing stator and rotor.
#include "widgets/EBM.h"
#include "WidgetTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using EBM = Paintable<TEBM>;

const char* const kCoordinatesMessage = "Правильно указываете координаты точек.\n\r";

void SetOutline(TEBM& m, const std::vector<std::string>& lines) {
    TStringList l;
    for (const auto& s : lines) l.Add(s);
    m.SetStatorPoints(&l);
}

TEST(EBM, ReadsTheOutlineOrReportsWhatIsWrong) {
    std::vector<std::string> many(101, "1; 1");
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        int count;            // corners afterwards; a new machine has the 13 of its default outline
        const char* message;  // the box shown, or nullptr
    };
    const Case cases[] = {
        {"a triangle", {"0; 0", "50; 100", "100; 0"}, 3, nullptr},
        {"two lines draw no stator", {"0; 0", "1; 1"}, 0, nullptr},
        {"101 lines", many, 13, "Слишком большое количество точек!"},
        {"starts with the semicolon", {"0; 0", "; 5", "5; 5"}, 13, kCoordinatesMessage},
        {"no semicolon", {"0; 0", "5 5", "5; 5"}, 13, kCoordinatesMessage},
        {"x not a number", {"0; 0", "x; 5", "5; 5"}, 13, kCoordinatesMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guitest::MessageBoxRecorder boxes;
        EBM m(nullptr);
        m.SetBounds(0, 0, 100, 100);
        ASSERT_EQ(m.PointCount(), 13);
        SetOutline(m, c.lines);
        EXPECT_EQ(m.PointCount(), c.count);
        if (c.message) {
            ASSERT_GE(boxes.Count(), 1);
            EXPECT_EQ(boxes.Last().Text, c.message);
            EXPECT_EQ(boxes.Last().Caption, "Ошибка");
            EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);
        } else {
            EXPECT_EQ(boxes.Count(), 0);
        }
        auto polys = OfKind(RecordPaint(m), TCanvasOpKind::Polygon);
        EXPECT_EQ(polys.size(), c.count > 0 ? 1u : 0u);
        if (!polys.empty()) { EXPECT_EQ(polys[0].Points.size(), static_cast<size_t>(c.count)); }
    }
}

TEST(EBM, DrawsStatorAndRotorMirroredByXFlip) {
    // 100 x 100: the default outline and a rotor of radius 25 about (60, 40), or (40, 40) mirrored.
    struct Case {
        bool flip;
        TPoint firstCorner;
        TRect rotor;
        TPoint firstBladeEnd;  // the blade at 0 degrees points right either way
    };
    const Case cases[] = {
        {false, TPoint(10, 25), TRect(35, 15, 85, 65), TPoint(85, 40)},
        {true, TPoint(90, 25), TRect(15, 15, 65, 65), TPoint(65, 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flip);
        EBM m(nullptr);
        m.SetBounds(0, 0, 100, 100);
        m.SetBladeCount(6);
        m.SetXFlip(c.flip);
        auto ops = RecordPaint(m);
        auto back = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].BrushColor, clBlack);
        auto polys = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(polys.size(), 1u);
        EXPECT_EQ(polys[0].Points.size(), 13u);
        EXPECT_EQ(polys[0].Points[0], c.firstCorner);
        EXPECT_EQ(polys[0].Points[4], TPoint(c.flip ? 60 : 40, 99));
        EXPECT_EQ(polys[0].PenColor, clRed);
        EXPECT_EQ(polys[0].BrushColor, clBlue);
        auto circles = OfKind(ops, TCanvasOpKind::Ellipse);
        ASSERT_EQ(circles.size(), 1u) << "IntR 0: no inner circle";
        EXPECT_EQ(circles[0].Rect, c.rotor);
        EXPECT_EQ(circles[0].PenColor, clMaroon);
        EXPECT_EQ(circles[0].BrushColor, clYellow);
        // IntR 0: six spokes from the centre to the rotor circle, 60 degrees apart clockwise.
        auto blades = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(blades.size(), 6u) << Dump(ops);
        const TPoint centre((c.rotor.Left + c.rotor.Right) / 2, 40);
        EXPECT_EQ(blades[0].Points, (std::vector<TPoint>{centre, c.firstBladeEnd}));
        EXPECT_EQ(blades[1].Points[1], TPoint(centre.x + 12, 61)) << "the second blade below the first";
    }
}

TEST(EBM, WithoutARotorCircleInnerCircleAndBladesAreStillTheRotors) {
    EBM m(nullptr);
    m.SetBounds(0, 0, 100, 100);
    m.SetRotorR(0);
    m.SetIntR(10);
    m.SetBladeCount(4);
    auto ops = RecordPaint(m);
    auto circles = OfKind(ops, TCanvasOpKind::Ellipse);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].Rect, TRect(50, 30, 70, 50)) << "the inner circle only";
    EXPECT_EQ(circles[0].PenColor, clMaroon);
    EXPECT_EQ(circles[0].BrushColor, clYellow);
    // The blades run from the inner circle in to the centre point.
    auto blades = OfKind(ops, TCanvasOpKind::LineTo);
    ASSERT_EQ(blades.size(), 4u);
    EXPECT_EQ(blades[0].Points, (std::vector<TPoint>{{70, 40}, {60, 40}}));
    EXPECT_EQ(blades[0].PenColor, clMaroon);
}

TEST(EBM, AnyStyleChangeReadsTheOutlineAgainAndRedraws) {
    guitest::MessageBoxRecorder boxes;
    EBM m(nullptr);
    m.SetBounds(0, 0, 100, 100);
    RecordPaint(m);
    EXPECT_TRUE(OfKind(RecordPaint(m), TCanvasOpKind::Polygon).empty()) << "the kept picture is shown";
    m.StatorPoints()->Put(1, "bad");
    const int shown = boxes.Count();
    EXPECT_GE(shown, 1);
    m.RotorPen()->SetColor(clWhite);
    EXPECT_EQ(boxes.Count(), shown + 1) << "shown again while the outline stays bad";
    m.StatorPoints()->Put(1, "10; 80");
    m.StatorBrush()->SetColor(clGreen);
    auto polys = OfKind(RecordPaint(m), TCanvasOpKind::Polygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0].BrushColor, clGreen);
    m.SetRotorR(25);
    EXPECT_TRUE(OfKind(RecordPaint(m), TCanvasOpKind::Polygon).empty()) << "the same radius";
}

}  // namespace
