// The polygon shape: parsing its point list, mirroring, and drawing.
#include "widgets/Poligon.h"
#include "WidgetTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Poligon = Paintable<TPoligon>;

const char* const kCoordinatesMessage = "Правильно указываете координаты точек.\n\r";

void SetLines(TPoligon& p, const std::vector<std::string>& lines) {
    TStringList l;
    for (const auto& s : lines) l.Add(s);
    p.SetPointList(&l);
}

TEST(Poligon, ParsesThePointListOrReportsWhatIsWrong) {
    std::vector<std::string> many;
    for (int i = 0; i < 101; ++i) many.push_back("1; 1");
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        int count;            // corners afterwards (the default triangle had 3)
        const char* message;  // the box shown, or nullptr
    };
    const Case cases[] = {
        {"square", {"0; 0", "0; 99", "99; 99", "99; 0"}, 4, nullptr},
        {"blanks and decimal commas", {" 0 ;0", "12,5 ; 100", "100;100 "}, 3, nullptr},
        {"two lines draw nothing", {"0; 0", "1; 1"}, 0, nullptr},
        {"too many points", many, 3, "Слишком большое количество точек!"},
        {"starts with the semicolon", {"0; 0", "; 5", "5; 5"}, 3, kCoordinatesMessage},
        {"no semicolon", {"0; 0", "5 5", "5; 5"}, 3, kCoordinatesMessage},
        {"not a number", {"0; 0", "x; 5", "5; 5"}, 3, kCoordinatesMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guitest::MessageBoxRecorder boxes;
        TPoligon p(nullptr);
        SetLines(p, c.lines);
        EXPECT_EQ(p.PointCount(), c.count);
        if (c.message) {
            ASSERT_GE(boxes.Count(), 1);
            EXPECT_EQ(boxes.Last().Text, c.message);
            EXPECT_EQ(boxes.Last().Caption, "Ошибка");
            EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);
        } else {
            EXPECT_EQ(boxes.Count(), 0);
        }
    }
}

TEST(Poligon, ABadLineKeepsTheCountButTheCornersBeforeItAreTaken) {
    guitest::MessageBoxRecorder boxes;
    TPoligon p(nullptr);  // "50; 0", "0; 100", "100; 100"
    SetLines(p, {"10; 10", "20; 20", "bad"});
    EXPECT_EQ(p.PointCount(), 3);
    EXPECT_EQ(p.PointX(0), 10);
    EXPECT_EQ(p.PointX(2), 100);
}

TEST(Poligon, DrawsCornersInPercentOfItsSize) {
    Poligon p(nullptr);
    p.SetBounds(0, 0, 50, 40);
    p.Brush()->SetColor(clFuchsia);
    SetLines(p, {"0; 0", "0; 99", "99; 99", "100; 0"});
    auto polys = OfKind(RecordPaint(p), TCanvasOpKind::Polygon);
    ASSERT_EQ(polys.size(), 1u);
    // 99 % of 50 is 49.5, cut to 49; 100 % lies on the column just outside the control.
    EXPECT_EQ(polys[0].Points, (std::vector<TPoint>{{0, 0}, {0, 39}, {49, 39}, {50, 0}}));
    EXPECT_EQ(polys[0].BrushColor, clFuchsia);
    EXPECT_EQ(polys[0].PenColor, clRed);
    SetLines(p, {"0; 0", "1; 1"});
    EXPECT_TRUE(RecordPaint(p).empty());
}

TEST(Poligon, XFlipMirrorsEveryCornerAndBack) {
    TPoligon p(nullptr);
    SetLines(p, {"0; 0", "0; 25", "50; 100", "90; 25"});
    p.SetXFlip(true);
    EXPECT_EQ(p.PointX(0), 100);
    EXPECT_EQ(p.PointX(3), 10);
    EXPECT_EQ(p.PointY(2), 100);
    p.SetXFlip(false);
    EXPECT_EQ(p.PointX(3), 90);
}

TEST(Poligon, APenChangeParsesTheListAgain) {
    guitest::MessageBoxRecorder boxes;
    TPoligon p(nullptr);
    SetLines(p, {"0; 0", "x", "5; 5"});
    EXPECT_EQ(boxes.Count(), 1);
    p.Pen()->SetColor(clBlue);
    EXPECT_EQ(boxes.Count(), 2);
}

TEST(Poligon, ColourFileSectionNamesAnotherWidget) {
    ScratchDir dir;
    TPoligon a(nullptr), b(nullptr);
    a.SetName("PoligonODRS");
    b.SetName("PoligonODRP");
    a.Pen()->SetColor(clLime);
    a.Brush()->SetColor(clOlive);
    ASSERT_TRUE(a.SaveConfig());
    EXPECT_TRUE(b.LoadConfig("PoligonODRS"));
    EXPECT_EQ(b.Pen()->Color(), clLime);
    EXPECT_EQ(b.Brush()->Color(), clOlive);
    ASSERT_TRUE(b.SaveConfig());
    TIniFile ini("./Colors.INI");
    EXPECT_EQ(ini.ReadInteger("PoligonODRP", "BrushColor", -1), clOlive);
}

}  // namespace
