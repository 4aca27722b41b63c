// The density meter: cells filled up to the value, caption and number, and its colour file.
#include "widgets/DensMeter.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Meter = Paintable<TDensMeter>;

// 200 x 100: the bar from x 10 to 190 (180 pixels) at y 20 to 30, four cells of 45.
void Size(TDensMeter& m) { m.SetBounds(0, 0, 200, 100); }

// The cells drawn: the rectangles between the bar and the value box.
std::vector<TCanvasOp> Cells(const std::vector<TCanvasOp>& ops) {
    auto rects = OfKind(ops, TCanvasOpKind::Rectangle);
    EXPECT_GE(rects.size(), 3u) << Dump(ops);
    if (rects.size() < 3) return {};
    return std::vector<TCanvasOp>(rects.begin() + 2, rects.end() - 1);
}

std::vector<TRect> CellRects(const std::vector<TCanvasOp>& ops) {
    std::vector<TRect> r;
    for (const auto& op : Cells(ops)) r.push_back(op.Rect);
    return r;
}

TEST(DensMeter, FillsTheCellsUpToTheValue) {
    struct Case {
        const char* name;
        double min, max, value;
        std::vector<TRect> cells;
    };
    const Case cases[] = {
        {"at OutMin", 0, 200, 0, {}},
        {"halfway: the left half", 0, 200, 100, {TRect(10, 20, 55, 30), TRect(55, 20, 100, 30)}},
        {"a cell cut at the value", 0, 200, 75, {TRect(10, 20, 55, 30), TRect(55, 20, 77, 30)}},
        {"at OutMax: every cell",
         0,
         200,
         200,
         {TRect(10, 20, 55, 30), TRect(55, 20, 100, 30), TRect(100, 20, 145, 30), TRect(145, 20, 190, 30)}},
        {"a scale from 100: the cell cut at the same place",
         100,
         300,
         175,
         {TRect(10, 20, 55, 30), TRect(55, 20, 77, 30)}},
        {"a scale from 100, the value below it", 100, 300, 50, {}},
        {"OutMax equal to OutMin", 50, 50, 100, {}},
        {"OutMax below OutMin", 50, 10, 100, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Meter m(nullptr);
        Size(m);
        m.SetOutMin(c.min);
        m.SetOutMax(c.max);
        m.SetOutValue(c.value);
        auto ops = RecordPaint(m);
        EXPECT_EQ(CellRects(ops), c.cells);
        for (const auto& cell : Cells(ops)) EXPECT_EQ(cell.BrushColor, clRed) << "the default colours";
        // Every cell has its two ticks, 4 pixels below the bar.
        auto ticks = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(ticks.size(), 8u);
        EXPECT_EQ(ticks[0].Points, (std::vector<TPoint>{{10, 20}, {10, 34}}));
        EXPECT_EQ(ticks[7].Points, (std::vector<TPoint>{{190, 20}, {190, 34}}));
    }
}

TEST(DensMeter, CellColoursComeFromTheListAndBeyondItsTenthAreBlack) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        int cells;
        std::vector<TColor> colours;
    };
    const Case cases[] = {
        // A shorter list leaves the colours of the lines it does not have.
        {"three lines", {"0x0000FF00", "$FF0000", " 65535"}, 4, {clLime, clBlue, clYellow, clRed}},
        {"twelve cells", {}, 12, {clRed, clRed, clRed, clRed, clRed, clRed, clRed, clRed, clRed, clRed, clBlack, clBlack}},
        {"no cells: the empty bar without ticks", {}, 0, {}},
        {"a negative count", {}, -3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Meter m(nullptr);
        Size(m);
        if (!c.lines.empty()) {
            TStringList l;
            for (const auto& s : c.lines) l.Add(s);
            m.SetStrCellColors(&l);
        }
        m.SetCellCount(c.cells);
        m.SetOutValue(200);
        auto ops = RecordPaint(m);
        auto cells = Cells(ops);
        ASSERT_EQ(cells.size(), c.colours.size());
        for (size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i].BrushColor, c.colours[i]) << i;
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::LineTo).size(), 2 * c.colours.size());
    }
}

TEST(DensMeter, AColourLineThatIsNoIntegerReachesWhoeverChangedTheList) {
    TDensMeter m(nullptr);
    EXPECT_THROW(m.StrCellColors()->Put(1, "зелёный"), EConvertError);
    EXPECT_EQ(m.CellColor(0), clRed);
}

TEST(DensMeter, ShowsTheCaptionAndTheFormattedValueCentred) {
    // Recorded metrics: 7 pixels a character, 13 high.
    Meter m(nullptr);
    Size(m);
    m.SetCaption("Плотность");
    m.SetColor(clSilver);
    m.SetOutValue(100);
    m.OutFont()->SetColor(clNavy);
    m.OutBrush()->SetColor(clYellow);
    auto ops = RecordPaint(m);
    auto rects = OfKind(ops, TCanvasOpKind::Rectangle);
    ASSERT_GE(rects.size(), 2u);
    EXPECT_EQ(rects.front().Rect, TRect(0, 0, 200, 100));
    EXPECT_EQ(rects.front().BrushColor, clSilver) << "the panel's colour";
    EXPECT_EQ(rects.back().Rect, TRect(20, 35, 180, 75));
    EXPECT_EQ(rects.back().BrushColor, clYellow);
    auto texts = OfKind(ops, TCanvasOpKind::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, "Плотность");
    EXPECT_EQ(texts[0].Points[0], TPoint(100 - 63 / 2, 4));
    EXPECT_EQ(texts[1].Text, "100,0");
    EXPECT_EQ(texts[1].Points[0], TPoint(82, 48)) << "(160 - 35) div 2 + 20, (40 - 13) div 2 + 35";
    EXPECT_EQ(texts[1].FontColor, clNavy);
    EXPECT_EQ(texts[1].BkMode, TRANSPARENT);
}

TEST(DensMeter, ACellCountAloneAsksForNoRepaint) {
    TDensMeter m(nullptr);
    const int before = m.InvalidateCount();
    m.SetCellCount(7);
    EXPECT_EQ(m.InvalidateCount(), before);
    m.SetOutValue(10);
    EXPECT_GT(m.InvalidateCount(), before);
}

TEST(DensMeter, ColourFileKeepsLayoutValueAndColours) {
    ScratchDir dir;
    TDensMeter a(nullptr);
    a.SetName("DensMeter1");
    a.SetTermoTop(12);
    a.SetTermoHeight(8);
    a.SetTermoXSpace(6);
    a.SetOutTop(30);
    a.SetOutXSpace(15);
    a.SetOutHeight(25);
    a.SetTermoCellCount(7);
    a.SetCellCount(6);
    a.SetTermoBackColor(clGray);
    a.SetOutMin(1.25);
    a.SetOutMax(1.75);
    a.SetOutValue(1.5);
    a.SetOutFormat("0.000 г/см3");
    a.TermoPen()->SetColor(clTeal);
    a.Pen()->SetWidth(2);
    a.OutFont()->SetSize(14);
    TStringList colours;
    colours.Add("0x00FF00");
    colours.Add("255");
    a.SetStrCellColors(&colours);
    ASSERT_TRUE(a.SaveConfig());

    // Read into a meter of another name from a's section: everything, layout included.
    TDensMeter b(nullptr);
    b.SetName("DensMeter2");
    EXPECT_TRUE(b.LoadConfig("DensMeter1"));
    EXPECT_EQ(b.TermoTop(), 12);
    EXPECT_EQ(b.TermoHeight(), 8);
    EXPECT_EQ(b.TermoXSpace(), 6);
    EXPECT_EQ(b.OutTop(), 30);
    EXPECT_EQ(b.OutXSpace(), 15);
    EXPECT_EQ(b.OutHeight(), 25);
    EXPECT_EQ(b.TermoCellCount(), 7);
    EXPECT_EQ(b.CellCount(), 6);
    EXPECT_EQ(b.TermoBackColor(), clGray);
    EXPECT_DOUBLE_EQ(b.OutMin(), 1.25);
    EXPECT_DOUBLE_EQ(b.OutMax(), 1.75);
    EXPECT_DOUBLE_EQ(b.OutValue(), 1.5);
    EXPECT_EQ(b.OutFormat(), "0.000 г/см3");
    EXPECT_EQ(b.TermoPen()->Color(), clTeal);
    EXPECT_EQ(b.Pen()->Width(), 2);
    EXPECT_EQ(b.OutFont()->Size(), 14);
    EXPECT_EQ(b.StrCellColors()->Count(), 2);
    EXPECT_EQ(b.CellColor(0), clLime);
    EXPECT_EQ(b.CellColor(1), clRed);

    // Its own section is not there: nothing changes.
    b.SetTermoTop(3);
    EXPECT_TRUE(b.LoadConfig(""));
    EXPECT_EQ(b.TermoTop(), 3);
}

TEST(DensMeter, ColourFileFailuresAnswerFalse) {
    ScratchDir dir;
    TDensMeter m(nullptr);
    m.SetName("DensMeter1");
    m.SetConfigName("./missing-folder/Colors.INI");
    EXPECT_FALSE(m.SaveConfig());
    m.SetConfigName("");
    EXPECT_FALSE(m.SaveConfig()) << "no file name";

    // A colour line that is no integer stops the reading; what was read before it stays.
    {
        TIniFile ini("./Colors.INI");
        ini.WriteInteger("Bad", "TermoTop", 44);
        ini.WriteInteger("Bad", "StrCellColorsCount", 1);
        ini.WriteString("Bad", "StrCellColorsL0", "красный");
    }
    m.SetConfigName(".\\Colors.INI");
    EXPECT_FALSE(m.LoadConfig("Bad"));
    EXPECT_EQ(m.TermoTop(), 44);
}

}  // namespace
