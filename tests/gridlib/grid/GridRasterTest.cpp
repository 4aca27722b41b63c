// Whole grids painted on screen (off-screen platform) with real fonts, probed pixel by pixel: the
// lines of each area, the fixed and data colours, the current-record mark, the space beyond the
// cells, a flat grid's lines, and the box a vertical title's text takes.
#include "GridTestSupport.h"

#include "gui/Forms.h"

#include <QImage>

namespace {

class GridRasterTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 520, 260);
        source.SetDataSet(&cds);
        grid = new gridtest::TestGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBorderStyle(bsNone);  // client and widget coordinates agree
        grid->SetBounds(0, 0, 500, 220);
        grid->Font()->SetName("Arial");
        grid->Font()->SetHeight(-13);
    }
    void TearDown() override {
        form.reset();
        cds.Close();
        guitest::Pump();
    }
    void ShowRows(int n) {
        datatest::FillRows(cds, n);
        grid->SetDataSource(&source);
        guitest::ShowForm(form.get());
    }
    QImage Shot() {
        grid->Invalidate();
        guitest::Pump();
        return guitest::Grab(grid);
    }

    datatest::RussianLocale locale;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TForm> form;
    gridtest::TestGrid* grid = nullptr;
};

TEST_F(GridRasterTest, LinesColoursAndTheCurrentRecordMark) {
    ShowRows(3);
    const QImage img = Shot();
    auto at = [&](int x, int y) { return guitest::PixelOf(img, x, y); };
    const TRect title = grid->CellRect(2, 0), first = grid->CellRect(2, 1), second = grid->CellRect(2, 2);
    const TRect indicator = grid->CellRect(0, 1);
    EXPECT_EQ(at(title.Left + title.Width() / 2, title.Top + 2), ColorToRGB(clBtnFace)) << "the title's face";
    EXPECT_EQ(at(title.Left + 3, title.Bottom), clBlack) << "the fixed line under the titles";
    EXPECT_EQ(at(first.Right, first.Top + 5), clSilver) << "a data column line";
    EXPECT_EQ(at(first.Left + 3, first.Bottom), clSilver) << "a data row line";
    EXPECT_EQ(at(second.Right - 3, second.Top + 3), ColorToRGB(clWindow)) << "a data cell";
    EXPECT_EQ(at(title.Left, title.Top + 3), ColorToRGB(clBtnHighlight)) << "the raised edge of a title";
    EXPECT_EQ(at(title.Left + 3, title.Top), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(at(title.Right - 1, title.Top + 3), ColorToRGB(clBtnShadow));
    // The mark: a black triangle pointing right, its widest column near the left of its box.
    const int markX = indicator.Right - 1 - 6 - 1, markY = (indicator.Top + indicator.Bottom - 11) / 2;
    EXPECT_EQ(at(markX + 1, markY + 5), clBlack) << "the current-record mark";
    EXPECT_EQ(at(grid->CellRect(0, 2).Left + 4, grid->CellRect(0, 2).Top + 8), ColorToRGB(clBtnFace))
        << "no mark on another record";
    const int right = grid->CellRect(3, 1).Right;
    EXPECT_EQ(at(right + 20, 100), ColorToRGB(clWindow)) << "beyond the cells: the grid's colour";
    EXPECT_EQ(at(20, grid->CellRect(1, 3).Bottom + 20), ColorToRGB(clWindow));
}

TEST_F(GridRasterTest, AFlatGridDrawsItsFixedLinesInShadow) {
    grid->SetFlat(true);
    grid->SetColor(clSilver);
    ShowRows(2);
    const QImage img = Shot();
    auto at = [&](int x, int y) { return guitest::PixelOf(img, x, y); };
    const TRect title = grid->CellRect(2, 0), first = grid->CellRect(2, 1);
    EXPECT_EQ(at(title.Left + 3, title.Bottom), ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(first.Left + 3, first.Bottom), clGray) << "data lines on a silver grid are grey";
}

TEST_F(GridRasterTest, AVerticalTitleRunsUpFromTheBottomOfItsCell) {
    ShowRows(1);
    grid->SetTitleLines(6);
    TColumnGx* name = grid->Columns()->Items(1);
    name->Title()->SetCaption("Vertical");
    name->Title()->SetOrientation(tohVertical);
    const QImage img = Shot();
    const TRect cell = grid->CellRect(2, 0);
    ASSERT_GT(cell.Height(), 60);
    int left = cell.Right, right = cell.Left, top = cell.Bottom, bottom = cell.Top;
    for (int y = cell.Top + 2; y < cell.Bottom - 2; ++y)
        for (int x = cell.Left + 2; x < cell.Right - 2; ++x) {
            const TColor p = guitest::PixelOf(img, x, y);
            if (GetRValue(p) + GetGValue(p) + GetBValue(p) > 3 * 100) continue;  // not ink
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    ASSERT_LT(left, right) << "some text was drawn";
    const int width = right - left + 1, height = bottom - top + 1;
    EXPECT_GT(height, 2 * width) << "the text runs upwards";
    EXPECT_GE(bottom, cell.Bottom - 1 - 2 - 4 - 3) << "from the bottom (less the offsets)";
    EXPECT_LT(top, cell.Bottom - 30);
    EXPECT_LT(left, cell.Left + 12) << "left aligned";
}

}  // namespace
