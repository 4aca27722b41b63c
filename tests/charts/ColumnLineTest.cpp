// A curve of many more points than pixel columns, drawn through TColumnLine, is the same picture
// pixel for pixel as LineTo to every one of its points.
#include "charts/ColumnLine.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200, kHeight = 120;

// One step of a curve: a start (move) or a line to (x, y) in a colour.
struct Step {
    bool move;
    int x, y;
    TColor color;
};

struct Pen {
    int width;
    TPenStyle style;
    TPenEndCap cap;
};

std::unique_ptr<TBitmap> draw(const std::vector<Step>& curve, const Pen& pen, bool throughColumns) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(kWidth, kHeight);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect(0, 0, kWidth, kHeight));
    c->Pen()->SetWidth(pen.width);
    c->Pen()->SetStyle(pen.style);
    c->Pen()->SetEndCap(pen.cap);
    c->Pen()->SetColor(clBlack);
    if (throughColumns) {
        TColumnLine line(c);
        for (const Step& s : curve) {
            if (s.move) line.MoveTo(s.x, s.y);
            else line.LineTo(s.x, s.y, s.color);
        }
        line.Flush();
    } else {
        for (const Step& s : curve) {
            if (s.move) {
                c->MoveTo(s.x, s.y);
            } else {
                c->Pen()->SetColor(s.color);
                c->LineTo(s.x, s.y);
            }
        }
    }
    return bmp;
}

// points per column, x from 5, one column each points steps; y from the generator.
std::vector<Step> columns(int points, int columnCount, const std::function<int(int)>& yAt,
                          const std::function<TColor(int)>& colorAt = [](int) { return clBlue; }) {
    std::vector<Step> curve{{true, 5, yAt(0), clBlue}};
    for (int i = 1; i < points * columnCount; ++i) curve.push_back({false, 5 + i / points, yAt(i), colorAt(i)});
    return curve;
}

struct Case {
    const char* what;
    std::vector<Step> curve;
};

std::vector<Case> cases() {
    std::mt19937 rnd(44);
    std::vector<int> walk(4000);
    int y = 60;
    for (int& v : walk) {
        y = std::clamp(y + static_cast<int>(rnd() % 9) - 4, 2, kHeight - 3);
        v = y;
    }
    std::vector<int> noise(4000);
    for (int& v : noise) v = static_cast<int>(rnd() % (kHeight - 4)) + 2;
    std::vector<Case> out;
    out.push_back({"a random walk, 20 points a column", columns(20, 150, [&](int i) { return walk[i]; })});
    out.push_back({"noise over the whole height, 25 points a column", columns(25, 150, [&](int i) { return noise[i]; })});
    out.push_back({"a saw: each column climbs then falls", columns(12, 100, [](int i) { return 10 + (i % 12 < 6 ? i % 12 : 12 - i % 12) * 15; })});
    out.push_back({"a flat line with repeated points", columns(10, 150, [](int) { return 50; })});
    out.push_back({"alarms colour runs inside columns",
                   columns(15, 120, [&](int i) { return noise[i]; }, [](int i) { return i % 7 < 3 ? clRed : clBlue; })});
    // The last column's last point lies at its maximum, reached once before: whether that end pixel
    // shows depends on the order of the lines.
    out.push_back({"the line ends on a column's extreme seen before",
                   {{true, 5, 50, clBlue}, {false, 6, 40, clBlue}, {false, 7, 70, clBlue}, {false, 7, 100, clBlue},
                    {false, 7, 50, clBlue}, {false, 7, 100, clBlue}}});
    out.push_back({"the line ends on a column's extreme not seen before",
                   {{true, 5, 50, clBlue}, {false, 7, 70, clBlue}, {false, 7, 60, clBlue}, {false, 7, 80, clBlue},
                    {false, 7, 65, clBlue}, {false, 7, 100, clBlue}}});
    std::vector<Step> broken = columns(20, 60, [&](int i) { return walk[i]; });
    for (int gap = 0; gap < 3; ++gap) {
        std::vector<Step> more = columns(20, 40, [&](int i) { return noise[i + 1000 * gap]; });
        for (Step& s : more) s.x += 70 + 40 * gap;
        broken.insert(broken.end(), more.begin(), more.end());
    }
    out.push_back({"lines broken by moves, ending inside columns", broken});
    return out;
}

TEST(ColumnLine, DenseCurvesLookTheSameAsEveryPointDrawn) {
    guitest::EnsureApp();
    const std::vector<Pen> pens = {
        {1, psSolid, pecRound}, {3, psSolid, pecRound}, {2, psSolid, pecFlat}, {1, psDot, pecRound}};
    for (const Case& k : cases()) {
        for (const Pen& pen : pens) {
            SCOPED_TRACE(std::string(k.what) + ", pen width " + std::to_string(pen.width) + " style " +
                         std::to_string(pen.style) + " cap " + std::to_string(pen.cap));
            auto full = draw(k.curve, pen, false);
            auto merged = draw(k.curve, pen, true);
            int differing = 0, firstX = -1, firstY = -1;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    if (full->Canvas()->Pixels(x, y) != merged->Canvas()->Pixels(x, y) && differing++ == 0) {
                        firstX = x;
                        firstY = y;
                    }
            EXPECT_EQ(differing, 0) << "first at " << firstX << "," << firstY;
        }
    }
}

// What makes it fast: a column of one colour costs at most five lines, however many points it has;
// a dashed pen, whose dashes restart at every line, still draws each point.
TEST(ColumnLine, AColumnCostsAtMostFiveLines) {
    guitest::EnsureApp();
    std::mt19937 rnd(3);
    const std::vector<Step> curve = columns(30, 100, [&](int) { return static_cast<int>(rnd() % 100); });
    for (TPenStyle style : {psSolid, psDash}) {
        TRecordingCanvas canvas(TSize(kWidth, kHeight));
        canvas.Pen()->SetStyle(style);
        TColumnLine line(&canvas);
        for (const Step& s : curve) {
            if (s.move) line.MoveTo(s.x, s.y);
            else line.LineTo(s.x, s.y, s.color);
        }
        line.Flush();
        int lines = 0;
        for (const TCanvasOp& op : canvas.Ops()) lines += op.Kind == TCanvasOpKind::LineTo;
        if (style == psSolid) EXPECT_LE(lines, 5 * 100);
        else EXPECT_EQ(lines, static_cast<int>(curve.size()) - 1);
    }
}

}  // namespace
