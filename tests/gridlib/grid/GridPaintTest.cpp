// Painting the grid: what lands on the canvas for each band (recorded with fixed text metrics while
// the same calls also draw into an off-screen picture), the cell decisions behind it, and the text
// writers and colour rules it uses.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <set>

namespace {

using gridtest::FixedMetrics;

// A grid that paints into a picture on request and answers the selection, filter row and search
// questions as a test sets them.
class PaintGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(PaintGrid, gridtest::TestGrid)
public:
    explicit PaintGrid(TComponent* owner) : gridtest::TestGrid(owner) {}
    using TCustomDBGridGx::DrawCell;
    using TCustomDBGridGx::Paint;

    TDBGridGxSelectionType selection = gstNon;
    std::set<int> selectedIds;  // records picked, by their ID
    bool searching = false;
    bool filterRow = false;

    TDBGridGxSelectionType PaintSelectionType() const override { return selection; }
    bool PaintDataCellSelected(int, const TBookmark&) override { return pickedNow(); }
    bool PaintRecordSelected(const TBookmark&) override { return pickedNow(); }
    bool InplaceSearchingInProcess() const override { return searching; }
    int GetSubTitleRows() const override { return filterRow ? 1 : 0; }
    bool FilterRowVisible() const override { return filterRow; }
    bool FilterCellVisible(int) override { return filterRow; }
    AnsiString GetFilterValue(int) override { return "> 5"; }

    // Paints the whole client area into picture (which takes the client's size).
    void PaintOn(TBitmap& picture) {
        picture.SetSize(ClientWidth(), ClientHeight());
        TCanvas* c = Canvas();
        c->SetDevice(picture.Canvas()->Device(), false);
        try {
            Paint();
        } catch (...) {
            c->ReleaseDevice();
            throw;
        }
        c->ReleaseDevice();
    }

private:
    bool pickedNow() {
        TDataSet* ds = DataLink()->DataSet();
        return ds && selectedIds.count(ds->FieldByName("ID")->AsInteger()) > 0;
    }
};

class GridPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        metrics = std::make_unique<FixedMetrics>();
        metrics->recorder.PassThrough = true;  // recorded and drawn
        source.SetDataSet(&cds);
        grid = std::make_unique<PaintGrid>(nullptr);
        grid->SetBounds(0, 0, 420, 200);
    }
    void TearDown() override {
        grid.reset();
        cds.Close();
        guitest::Pump();
    }
    void Open(int rows) {
        datatest::FillRows(cds, rows);
        grid->SetDataSource(&source);
    }
    // Paints and returns the picture; the recorder holds this paint's calls.
    TBitmap& PaintNow() {
        metrics->recorder.Clear();
        grid->PaintOn(picture);
        return picture;
    }
    TColor At(int x, int y) { return picture.Canvas()->Pixels(x, y); }
    std::vector<TCanvasOp> Ops(TCanvasOpKind k) const { return metrics->recorder.OfKind(k); }
    // Calls drawing a text (TextRect, TextOut, DrawText without measuring).
    std::vector<TCanvasOp> TextOps(const AnsiString& text) const {
        std::vector<TCanvasOp> r;
        for (const TCanvasOp& op : metrics->recorder.Ops) {
            if (op.Text != text) continue;
            if (op.Kind == TCanvasOpKind::DrawText && (op.Values[0] & DT_CALCRECT)) continue;
            if (op.Kind == TCanvasOpKind::TextRect || op.Kind == TCanvasOpKind::TextOut ||
                op.Kind == TCanvasOpKind::DrawText)
                r.push_back(op);
        }
        return r;
    }

    datatest::RussianLocale locale;
    std::unique_ptr<FixedMetrics> metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<PaintGrid> grid;
    TBitmap picture;
};

// ---- Cell decisions ----------------------------------------------------------------------------------

TEST_F(GridPaintTest, CellTypesOverTheBands) {
    Open(3);
    grid->SetFooterRowCount(2);
    ASSERT_EQ(grid->RowCount(), 1 + 3 + 1 + 2);
    struct Case {
        int col, row;
        THorzCellTypeGx horz;
        TVertCellTypeGx vert;
        int dataCol, dataRow;
    };
    const Case cases[] = {
        {0, 0, hctIndicatorGx, vctTitleGx, 0, 0},  {1, 0, hctDataGx, vctTitleGx, 0, 0},
        {2, 1, hctDataGx, vctDataGx, 1, 0},        {3, 3, hctDataGx, vctDataGx, 2, 2},
        {0, 2, hctIndicatorGx, vctDataGx, 0, 1},   {1, 4, hctDataGx, vctAboveFooterGx, 0, 0},
        {1, 5, hctDataGx, vctFooterGx, 0, 1},      {0, 6, hctIndicatorGx, vctFooterGx, 0, 2},
    };
    for (const Case& c : cases) {
        int dc = -9, dr = -9;
        const TCellTypeGx t = grid->GetCellType(c.col, c.row, dc, dr);
        EXPECT_EQ(t.HorzType, c.horz) << c.col << "," << c.row;
        EXPECT_EQ(t.VertType, c.vert) << c.col << "," << c.row;
        EXPECT_EQ(dc, c.dataCol) << c.col << "," << c.row;
        EXPECT_EQ(dr, c.dataRow) << c.col << "," << c.row;
    }
    int dc = 0, dr = 0;
    EXPECT_THROW(grid->GetCellType(1, 7, dc, dr), Exception);

    grid->filterRow = true;
    grid->LayoutChanged();
    EXPECT_EQ(grid->GetCellType(1, 1, dc, dr).VertType, vctSubTitleGx);
    EXPECT_EQ(dr, 0);
}

TEST_F(GridPaintTest, TheThreeDimensionalEdgeRules) {
    Open(2);
    grid->SetFooterRowCount(1);  // rows: title 0, data 1-2, spacer 3, footer 4
    grid->SetFrozenCols(1);      // columns: indicator 0, frozen 1, 2 and 3 scroll
    struct Case {
        TDBGridGxOptions options;
        int col, row;
        bool fixed, expected;
    };
    const Case cases[] = {
        {dghFixed3D, 0, 1, true, true},               // indicator of a data row
        {dghFixed3D, 2, 0, true, true},               // title
        {dghFixed3D, 0, 3, true, false},              // the spacer's indicator, alone
        {dghFixed3D | dghData3D, 0, 3, true, true},   // ... with data or frozen edges
        {dghFixed3D | dghFrozen3D, 0, 3, true, true},
        {dghFixed3D, 2, 1, false, false},             // data cell
        {dghData3D, 2, 1, false, true},
        {dghData3D, 2, 4, false, false},              // a footer is no data cell
        {dghFooter3D, 2, 4, false, true},
        {dghFooter3D, 0, 4, true, true},              // footer indicator too
        {dghFrozen3D, 1, 1, true, true},              // frozen data cell
        {dghFrozen3D, 0, 1, true, false},             // not the indicator
        {0, 0, 0, true, false},
    };
    for (const Case& c : cases) {
        grid->SetOptionsGx(c.options);
        EXPECT_EQ(grid->CellHave3DRect(c.col, c.row, TRect(), c.fixed ? gdFixed : 0), c.expected)
            << "options " << c.options << " cell " << c.col << "," << c.row;
    }
    grid->filterRow = true;
    grid->SetOptionsGx(dghFixed3D);
    EXPECT_FALSE(grid->CellHave3DRect(2, 1, TRect(), gdFixed)) << "the filter cell itself";
}

TEST_F(GridPaintTest, EvenRowColorFollowsColorUntilWritten) {
    grid->SetColor(clYellow);
    EXPECT_EQ(grid->EvenRowColor(), clYellow);
    EXPECT_FALSE(grid->IsEvenRowColorStored());
    grid->SetEvenRowColor(clAqua);
    grid->SetColor(clLime);
    EXPECT_EQ(grid->EvenRowColor(), clAqua);
    EXPECT_EQ(grid->OddRowColor(), clLime);
}

TEST_F(GridPaintTest, TitleFontChangesLeaveTheParentFont) {
    TForm form(nullptr);
    grid->SetParent(&form);
    form.Font()->SetName("Arial");
    form.Font()->SetHeight(-15);
    EXPECT_TRUE(grid->ParentFont());
    EXPECT_EQ(grid->TitleFont()->Height(), -15) << "the parent's font reaches the titles and footers";
    EXPECT_EQ(grid->FooterFont()->Height(), -15);
    grid->TitleFont()->SetHeight(-20);
    EXPECT_FALSE(grid->ParentFont());
    form.Font()->SetHeight(-9);
    EXPECT_EQ(grid->TitleFont()->Height(), -20);
    grid->SetParent(nullptr);
}

TEST_F(GridPaintTest, EditButtonSizeFollowsTheRowHeight) {
    Open(1);
    grid->UpdateEditButtonSize();
    const int w = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(grid->EditButtonWidth(), w);
    EXPECT_EQ(grid->EditButtonHeight(), grid->DefaultRowHeight()) << "17 is not above 1.5 x 17";
    grid->SetRowHeight(40);
    EXPECT_EQ(grid->EditButtonHeight(), DefaultEditButtonHeight(w, false));
}

// ---- Text and colours --------------------------------------------------------------------------------

TEST(GridPaintText, ShortenTextToWidthDropsTwoLettersFirst) {
    guitest::EnsureApp();
    TBitmap b(10, 10);  // real glyphs: the dots are narrower than letters
    TCanvas* c = b.Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-15);
    const AnsiString text = "WWWWWW";
    ASSERT_LT(c->TextWidth("WWWWW..."), c->TextWidth(text));
    struct Case {
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {c->TextWidth(text), "WWWWWW"},
        {c->TextWidth(text) - 1, "WWWW..."},  // five letters would fit: the first form drops two
        {c->TextWidth("WWWW...") - 1, "WWW..."},
        {c->TextWidth("W...") - 1, "..."},
        {0, "..."},
    };
    for (const Case& k : cases) EXPECT_EQ(ShortenTextToWidth(text, c, k.width).str(), k.expected) << k.width;
}

TEST(GridPaintText, LightenAndBrightenColours) {
    guitest::EnsureApp();
    TDBGridGxStyle style;
    EXPECT_EQ(style.LightenColor(clWhite, clBlack, false), RGB(186, 186, 186));
    EXPECT_EQ(style.LightenColor(clWhite, clBlack, true), RGB(202, 202, 202));
    EXPECT_EQ(style.LightenColor(clWhite, RGB(128, 128, 128), false), RGB(212, 212, 212));
    EXPECT_EQ(BrightenColor(RGB(200, 200, 200), 8), RGB(225, 225, 225));
    EXPECT_EQ(BrightenColor(RGB(250, 16, 0), 8), RGB(255, 18, 0)) << "clamped, and truncated";
}

TEST(GridPaintText, SingleLineBottomLayoutSitsOnTheCellBottom) {
    TRecordingCanvas c;  // 13-pixel text
    WriteTextGx(&c, TRect(10, 100, 90, 140), true, 2, 2, "abc", taLeftJustify, tlBottom, false, false, 0, 0, false);
    const auto ops = c.Log().OfKind(TCanvasOpKind::TextRect);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].Points[0], TPoint(12, 140 - 13)) << "bottom - height - DY, then DY down again";
    c.Log().Clear();
    WriteTextGx(&c, TRect(10, 100, 90, 140), true, 2, 2, "abc", taRightJustify, tlCenter, false, false, 0, 0, false);
    EXPECT_EQ(c.Log().OfKind(TCanvasOpKind::TextRect)[0].Points[0], TPoint(90 - 21 - 3, (240 - 13) / 2 - 2 + 2));
    c.Log().Clear();
    WriteTextGx(&c, TRect(10, 100, 50, 140), true, 2, 2, "abcdefgh", taLeftJustify, tlTop, false, true, 0, 0, false);
    EXPECT_EQ(c.Log().OfKind(TCanvasOpKind::TextRect)[0].Text.str(), "ab...") << "shortened to 40 - 2";
}

TEST(GridPaintText, MultiLineTextKeepsItsMarginsAndLayout) {
    TRecordingCanvas c;
    WriteTextGx(&c, TRect(0, 0, 100, 60), false, 2, 1, "one two", taCenter, tlCenter, true, false, 5, -3, false);
    std::vector<TCanvasOp> drawn;
    for (const TCanvasOp& op : c.Log().OfKind(TCanvasOpKind::DrawText))
        if (!(op.Values[0] & DT_CALCRECT)) drawn.push_back(op);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].Values[0] & DT_WORDBREAK);
    EXPECT_TRUE(drawn[0].Values[0] & DT_CENTER);
    EXPECT_EQ(drawn[0].Values[1], 5);
    EXPECT_EQ(drawn[0].Values[2], -3);
    EXPECT_EQ(drawn[0].Rect, TRect(2, 1 + 58 / 2 - 13 / 2, 98, 60)) << "centred, one pixel lower with DX";
    EXPECT_TRUE(c.Log().OfKind(TCanvasOpKind::FillRect).empty()) << "no fill asked for";
}

TEST(GridPaintText, TheStartUpPicturesAreRegistered) {
    guitest::EnsureApp();
    gridtest::TestGrid grid(nullptr);  // starts the unit
    ASSERT_NE(DBGridGxIndicators, nullptr);
    EXPECT_EQ(DBGridGxIndicators->Count(), 7);
    EXPECT_EQ(DBGridGxIndicators->Width(), 6);
    EXPECT_EQ(DBGridGxIndicators->Height(), 11);
    ASSERT_NE(DBGridGxSortMarkerImages, nullptr);
    EXPECT_EQ(DBGridGxSortMarkerImages->Count(), 2);
    EXPECT_EQ(DBGridGxSortMarkerImages->Width(), 10);
    EXPECT_EQ(SortMarkerFont->Height(), -8);
    TBitmap search;
    DBGridGxIndicators->GetBitmap(6, &search);
    EXPECT_EQ(search.Canvas()->Pixels(0, 0), ColorToRGB(DBGridGxInplaceSearchColor)) << "drawn on the search colour";
    EXPECT_EQ(search.Canvas()->Pixels(1, 5), clWhite) << "the white triangle";
    TBitmap arrow;
    DBGridGxIndicators->GetBitmap(0, &arrow);
    EXPECT_EQ(arrow.Canvas()->Pixels(1, 5), clBlack);
}

}  // namespace
