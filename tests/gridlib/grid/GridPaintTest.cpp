// Painting the grid: what lands on the canvas for each band (recorded with fixed text metrics while
// the same calls also draw into an off-screen picture), the cell decisions behind it, and the text
// writers and colour rules it uses.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <QImage>

#include <set>

namespace {

using gridtest::FixedMetrics;

// A grid that paints into a picture on request and answers the selection and filter row questions
// as a test sets them.
class PaintGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(PaintGrid, gridtest::TestGrid)
public:
    explicit PaintGrid(TComponent* owner) : gridtest::TestGrid(owner) {}
    using TCustomDBGridGx::DrawCell;
    using TCustomDBGridGx::Paint;
    using TCustomDBGridGx::Dispatch;

    TDBGridGxSelectionType selection = gstNon;
    std::set<int> selectedIds;  // records picked, by their ID
    bool filterRow = false;

    TDBGridGxSelectionType PaintSelectionType() const override { return selection; }
    bool PaintDataCellSelected(int, const TBookmark&) override { return pickedNow(); }
    bool PaintRecordSelected(const TBookmark&) override { return pickedNow(); }
    int GetSubTitleRows() const override { return filterRow ? 1 : 0; }
    bool FilterRowVisible() const override { return filterRow; }
    bool FilterCellVisible(int) override { return filterRow; }
    AnsiString GetFilterValue(int) override { return "> 5"; }


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
        EXPECT_EQ(grid->CellHave3DRect(c.col, c.row, TRect(), c.fixed ? TGridDrawState{gdFixed} : 0), c.expected)
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

// ---- Bands -------------------------------------------------------------------------------------------

// Indicator pictures each in a colour of its own, so a probe tells which one was drawn.
class ColouredIndicators {
public:
    ColouredIndicators() : saved_(DBGridGxIndicators), list_(nullptr, 6, 11) {
        for (int i = 0; i < 7; ++i) {
            TBitmap b(6, 11);
            b.Canvas()->Brush()->SetColor(Colour(i));
            b.Canvas()->FillRect(TRect(0, 0, 6, 11));
            list_.AddMasked(&b, clFuchsia);
        }
        DBGridGxIndicators = &list_;
    }
    ~ColouredIndicators() { DBGridGxIndicators = saved_; }
    static TColor Colour(int i) { return RGB(10 + 30 * i, 200 - 20 * i, 90); }

private:
    TCustomImageList* saved_;
    TImageList list_;
};

TEST_F(GridPaintTest, IndicatorPicturesFollowTheDatasetState) {
    ColouredIndicators pictures;
    Open(4);
    auto probe = [&](int row) {
        const TRect r = grid->CellRect(0, row);
        // The picture stands at the right edge of the cell inside its edge, centred vertically.
        const int x = r.Right - 1 - 6 - 1, y = (r.Top + 1 + r.Bottom - 1 - 11) / 2;
        return At(x + 3, y + 5);
    };
    auto image = [](int i) { return ColouredIndicators::Colour(i); };
    PaintNow();
    EXPECT_EQ(probe(1), image(0)) << "the current record in browse state";
    EXPECT_EQ(probe(2), ColorToRGB(clBtnFace)) << "another record shows none";
    EXPECT_EQ(grid->IndicatorRow(), 1);

    cds.Next();
    cds.Edit();
    PaintNow();
    EXPECT_EQ(probe(2), image(1)) << "editing";
    cds.Cancel();
    cds.Insert();
    PaintNow();
    EXPECT_EQ(probe(grid->DataLink()->ActiveRecord() + 1), image(2)) << "inserting";
    cds.Cancel();

    cds.First();
    grid->SetOptions(grid->Options() | dgMultiSelect);
    grid->selectedIds = {1, 3};
    PaintNow();
    EXPECT_EQ(probe(1), image(5)) << "the current record of a selected row";
    const TRect third = grid->CellRect(0, 3);
    EXPECT_EQ(At(third.Left + 3, third.Top + 3), RGB(64, 64, 64)) << "a selected row is dark";
    EXPECT_EQ(probe(3), RGB(64, 64, 64)) << "and shows no picture while not current";

    grid->selectedIds.clear();
    grid->StartInplaceSearch("", -1, inpsFromFirstGx);
    PaintNow();
    EXPECT_EQ(probe(1), image(6)) << "during the incremental search";
    grid->StopInplaceSearch();
}

TEST_F(GridPaintTest, TheIncrementalSearchShowsWhatWasTyped) {
    Open(4);
    grid->SetOptions(grid->Options() | dgAlwaysShowSelection);
    grid->SetSelectedIndex(2);  // Amount: 1,5 3 4,5 6, right-aligned
    grid->StartInplaceSearch("4", -1, inpsFromFirstGx);
    ASSERT_EQ(cds.FieldByName("ID")->AsInteger(), 3);
    ASSERT_EQ(grid->InplaceSearchText(), "4");
    PaintNow();
    const TRect cell = grid->CellRect(3, 3);
    // The ID column shows a "4" too: only what lands in the searched cell counts.
    auto typedInCell = [&] {
        std::vector<TCanvasOp> r;
        for (const TCanvasOp& op : TextOps("4"))
            if (cell.Contains(op.Rect.TopLeft())) r.push_back(op);
        return r;
    };
    std::vector<TCanvasOp> typed = typedInCell();
    ASSERT_EQ(typed.size(), 1u) << metrics->recorder.Dump().c_str();
    EXPECT_EQ(typed[0].Kind, TCanvasOpKind::DrawText);
    ASSERT_GE(typed[0].Values.size(), 3u);
    EXPECT_EQ(typed[0].Values[2], 2 * 7) << "the rest of the text, \",5\", stays right of the prefix";
    int searchPixels = 0;
    for (int x = cell.Left; x < cell.Right; ++x)
        for (int y = cell.Top; y < cell.Bottom; ++y)
            if (At(x, y) == ColorToRGB(DBGridGxInplaceSearchColor)) ++searchPixels;
    EXPECT_GT(searchPixels, 0) << "the prefix stands on the search colour";

    grid->StopInplaceSearch();
    PaintNow();
    EXPECT_TRUE(typedInCell().empty()) << "a finished search shows nothing";
}

TEST_F(GridPaintTest, OddAndEvenRowsWithTheFirstRecordOdd) {
    Open(4);
    grid->SetOddRowColor(RGB(250, 240, 200));
    grid->SetEvenRowColor(RGB(200, 240, 250));
    TColumnGx* own = grid->Columns()->Items(2);
    own->SetColor(RGB(230, 230, 230));
    PaintNow();
    for (int row = 1; row <= 4; ++row) {
        const TRect name = grid->CellRect(2, row), amount = grid->CellRect(3, row);
        EXPECT_EQ(At(name.Right - 2, name.Top + 1), row % 2 ? RGB(250, 240, 200) : RGB(200, 240, 250)) << row;
        EXPECT_EQ(At(amount.Left + 2, amount.Top + 1), RGB(230, 230, 230)) << "a column's own colour stays";
    }
}

TEST_F(GridPaintTest, AnEmptyCellRectangleDrawsNothing) {
    Open(1);
    metrics->recorder.Clear();
    grid->DrawCell(1, 1, TRect(20, 20, 20, 40), 0);
    grid->DrawCell(0, 0, TRect(30, 0, 10, 17), gdFixed);
    EXPECT_EQ(metrics->recorder.Count(), 0) << metrics->recorder.Dump().c_str();
}


TEST_F(GridPaintTest, SortDigitsOnlyWithTwoMarkedColumns) {
    Open(2);
    grid->SetOptionsGx(grid->OptionsGx() | dghMultiSortMarking);
    grid->Columns()->Items(1)->Title()->SetSortMarker(smDownGx);
    PaintNow();
    auto digits = [&](const char* text) {
        int n = 0;
        for (const TCanvasOp& op : Ops(TCanvasOpKind::TextOut))
            if (op.Text == text && op.FontHeight == -8) ++n;
        return n;
    };
    auto markers = [&] {
        int n = 0;
        for (const TCanvasOp& op : metrics->recorder.Ops)
            if ((op.Kind == TCanvasOpKind::Draw || op.Kind == TCanvasOpKind::CopyRect) && op.Rect.Width() == 10 &&
                op.Rect.Height() == 9)
                ++n;
        return n;
    };
    EXPECT_EQ(digits("1"), 0) << "one marked column shows no digit";
    EXPECT_EQ(markers(), 1) << metrics->recorder.Dump().c_str();

    grid->Columns()->Items(2)->Title()->SetSortMarker(smUpGx);
    ASSERT_EQ(grid->Columns()->Items(2)->Title()->SortIndex(), 2);
    PaintNow();
    EXPECT_EQ(digits("1"), 1);
    EXPECT_EQ(digits("2"), 1);
    EXPECT_EQ(markers(), 2);
    // The digit stands right of the marker at the cell's right edge.
    const TRect title = grid->CellRect(3, 0);
    for (const TCanvasOp& op : Ops(TCanvasOpKind::TextOut))
        if (op.Text == "2") { EXPECT_EQ(op.Points[0].x, title.Right - 7 - 2); }

    // A title too narrow for the marker drops it, then the digits.
    grid->Columns()->Items(2)->SetWidth(12);
    PaintNow();
    EXPECT_EQ(digits("2"), 1) << "10 - 16 < 0: the image goes first";
    EXPECT_EQ(markers(), 1);
    grid->Columns()->Items(2)->SetWidth(8);
    PaintNow();
    EXPECT_EQ(digits("2"), 0) << "6 - 16 + 14 - 7 < 0: then the digits";
    EXPECT_EQ(markers(), 1);
}

TEST_F(GridPaintTest, APressedTitleMovesItsText) {
    Open(2);
    auto caption = [&] {
        std::vector<TCanvasOp> ops = TextOps("Name");
        return ops.empty() ? TCanvasOp() : ops.front();
    };
    PaintNow();
    const TCanvasOp up = caption();
    const TRect title = grid->CellRect(2, 0);
    grid->BeginTitleTracking(2);
    grid->TrackButton(title.Left + 5, title.Top + 5);
    ASSERT_TRUE(grid->TitleButtonDown());
    PaintNow();
    const TCanvasOp down = caption();
    ASSERT_EQ(up.Kind, TCanvasOpKind::TextRect);
    EXPECT_EQ(down.Points[0].x, up.Points[0].x + 1) << "single line: one pixel right";
    EXPECT_EQ(down.Points[0].y, up.Points[0].y + 1) << "and one down";

    grid->TrackButton(title.Left + 5, title.Bottom + 30);
    EXPECT_FALSE(grid->TitleButtonDown()) << "off the title the button comes up";
    grid->SetTitleLines(2);
    PaintNow();
    const TCanvasOp multiUp = caption();
    grid->TrackButton(title.Left + 5, title.Top + 5);
    PaintNow();
    const TCanvasOp multiDown = caption();
    ASSERT_EQ(multiDown.Kind, TCanvasOpKind::DrawText);
    // Two pixels right through the margins; the text rectangle's top two pixels lower, so the
    // centred text one pixel lower.
    EXPECT_EQ(multiUp.Values[1], 0);
    EXPECT_EQ(multiDown.Values[1], 2) << "multi-line: two pixels";
    EXPECT_EQ(multiDown.Values[2], -2);
    EXPECT_EQ(multiDown.Rect.Top, multiUp.Rect.Top + 1);
    EXPECT_EQ(multiDown.Rect.Bottom, multiUp.Rect.Bottom);
    grid->StopTracking();
    EXPECT_EQ(grid->PressedTitleCol(), -1);
    EXPECT_FALSE(grid->TitleButtonDown());
}

TEST_F(GridPaintTest, GroupCaptionSlicesStayAlignedWhenScrolled) {
    datatest::FillRows(cds, 2);
    for (const char* name : {"ID", "Name", "Amount"}) {
        TColumnGx* c = grid->Columns()->Add();
        c->SetFieldName(name);
        c->Title()->SetCaption(AnsiString("Group|") + name);
        c->SetWidth(90);
    }
    grid->SetDataSource(&source);
    grid->SetUseMultiTitle(true);
    grid->SetWidth(200);
    auto layouts = [&] {
        std::set<std::pair<int, int>> spans;
        for (const TCanvasOp& op : TextOps("Group")) spans.insert({op.Rect.Left + op.Values[1], op.Rect.Right - op.Values[2]});
        return spans;
    };
    PaintNow();
    const auto before = layouts();
    ASSERT_EQ(before.size(), 1u) << "every slice lays the caption out over the same span";
    const int groupLeft = grid->CellRect(1, 0).Left;
    EXPECT_EQ(before.begin()->first, groupLeft + 2);
    EXPECT_EQ(before.begin()->second, groupLeft + 3 * 90 + 2 - 2) << "three columns and their two lines, less 2";
    EXPECT_GE(TextOps("Group").size(), 2u);

    grid->SetLeftCol(2);
    PaintNow();
    const auto after = layouts();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.begin()->first, before.begin()->first - 91) << "the caption moves with its group";
    EXPECT_EQ(after.begin()->second, before.begin()->second - 91);
}

TEST_F(GridPaintTest, HiddenDuplicatesJoinTheCellAbove) {
    datatest::FillRows(cds, 3);
    for (int id : {2, 3}) {
        cds.Locate("ID", id, {});
        cds.Edit();
        cds.FieldByName("Name")->SetAsString("Same");
        cds.Post();
    }
    cds.First();
    grid->SetDataSource(&source);
    grid->Columns()->Items(1)->SetHideDuplicates(true);
    PaintNow();
    EXPECT_EQ(TextOps("Same").size(), 1u) << "the second of two equal texts is empty" << metrics->recorder.Dump().c_str();
    const TRect third = grid->CellRect(2, 3);
    bool joint = false;
    for (const TCanvasOp& op : Ops(TCanvasOpKind::LineTo))
        if (op.Points.size() == 2 && op.Points[0] == TPoint(third.Left, third.Top - 1) &&
            op.Points[1] == TPoint(third.Right, third.Top - 1))
            joint = true;
    EXPECT_TRUE(joint) << metrics->recorder.Dump().c_str();
    EXPECT_EQ(At(third.Left + 5, third.Top - 1), ColorToRGB(clWindow)) << "no row line between them";
    const TRect second = grid->CellRect(2, 2);
    EXPECT_EQ(At(second.Left + 5, second.Top - 1), ColorToRGB(clSilver)) << "the line above a shown text stays";

    // The first buffered record has nothing before it: it shows its text.
    grid->SetHeight(grid->Height() - grid->ClientHeight() + grid->RowHeights(0) + 1 + 2 * (grid->DefaultRowHeight() + 1));
    grid->LayoutChanged();
    ASSERT_EQ(grid->DataLink()->RecordCount(), 2);
    cds.Last();
    ASSERT_EQ(grid->DataLink()->ActiveRecord(), 1);
    PaintNow();
    EXPECT_EQ(TextOps("Same").size(), 1u);
    EXPECT_FALSE(TextOps("Same").empty() || TextOps("Same")[0].Rect.Top > grid->CellRect(2, 1).Top + 2)
        << "on the first row";
}

TEST_F(GridPaintTest, CheckBoxesCentredAndCutToTheCell) {
    cds.FieldDefs()->Add("ID", ftInteger);
    cds.FieldDefs()->Add("Flag", ftBoolean);
    cds.CreateDataSet();
    cds.AppendRecord({Variant(1), Variant(true)});
    cds.AppendRecord({Variant(2), Variant(false)});
    cds.First();
    grid->SetDataSource(&source);
    TColumnGx* flag = grid->Columns()->Items(1);
    flag->SetCheckboxes(true);
    flag->SetWidth(60);
    ASSERT_GT(DefaultCheckBoxWidth, 0);
    auto boxes = [&] {
        std::vector<TRect> r;
        for (const TCanvasOp& op : Ops(TCanvasOpKind::CopyRect))
            if (op.Rect.Left >= grid->CellRect(2, 1).Left) r.push_back(op.Rect);
        return r;
    };
    PaintNow();
    std::vector<TRect> drawn = boxes();
    ASSERT_EQ(drawn.size(), 2u) << metrics->recorder.Dump().c_str();
    const TRect cell = grid->CellRect(2, 1);
    const int side = std::min(DefaultCheckBoxWidth, DefaultCheckBoxHeight);
    EXPECT_EQ(drawn[0].Width(), side);
    EXPECT_EQ(drawn[0].Left, cell.Left + cell.Width() / 2 - DefaultCheckBoxWidth / 2 +
                                 (DefaultCheckBoxWidth - side) / 2);

    grid->SetRowHeight(DefaultCheckBoxHeight - 5);  // a row lower than the box
    PaintNow();
    drawn = boxes();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn[0].Height(), grid->CellRect(2, 1).Height()) << "the box takes the cell's full height";
}

TEST_F(GridPaintTest, TheFilterRowIsBrightenedWithBlueText) {
    grid->filterRow = true;
    Open(2);
    grid->SetFixedColor(RGB(200, 200, 200));
    PaintNow();
    ASSERT_EQ(grid->TopDataOffset(), 2);
    const TRect cell = grid->CellRect(2, 1);
    EXPECT_EQ(At(cell.Right - 3, cell.Top + 2), RGB(225, 225, 225));
    const auto text = TextOps("> 5");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0].FontColor, clBlue);
    EXPECT_EQ(text[0].BrushColor, RGB(225, 225, 225));
}

TEST_F(GridPaintTest, TheRequiredMarkOnAnEditedEmptyRequiredField) {
    cds.FieldDefs()->Add("ID", ftInteger);
    cds.FieldDefs()->Add("Name", ftString, 20, true);
    cds.CreateDataSet();
    cds.FieldByName("Name")->SetRequired(true);
    cds.AppendRecord({Variant(1), Variant("a")});
    cds.First();
    grid->SetDataSource(&source);
    TColumnGx* name = grid->Columns()->Items(1);
    name->SetHighlightRequired(true);
    auto marks = [&] {
        int n = 0;
        for (const TCanvasOp& op : Ops(TCanvasOpKind::LineTo))
            if (op.PenStyle == psDot && op.PenColor == clRed) ++n;
        return n;
    };
    PaintNow();
    EXPECT_EQ(marks(), 0) << "browsing";
    cds.Edit();
    cds.FieldByName("Name")->Clear();
    PaintNow();
    EXPECT_EQ(marks(), 1);
    const TRect cell = grid->CellRect(2, 1);
    for (const TCanvasOp& op : Ops(TCanvasOpKind::LineTo))
        if (op.PenStyle == psDot) { EXPECT_EQ(op.Points[1], TPoint(cell.Right - 3, cell.Bottom - 1)); }
    name->OnCheckDrawRequiredState = [](TObject*, const AnsiString&, bool& draw) { draw = false; };
    PaintNow();
    EXPECT_EQ(marks(), 0) << "the column's handler says no";
    name->OnCheckDrawRequiredState = {};
    name->SetHighlightRequired(false);
    PaintNow();
    EXPECT_EQ(marks(), 0);
    cds.Cancel();
}

TEST_F(GridPaintTest, TheFocusFrameAroundTheCurrentCell) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    grid->SetParent(&form);
    Open(3);
    guitest::ShowForm(&form);
    grid->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    form.SetActiveControl(grid.get());
    PaintNow();
    const TRect cell = grid->CellRect(grid->Col(), grid->Row());
    auto frames = Ops(TCanvasOpKind::DrawFocusRect);
    ASSERT_EQ(frames.size(), 1u) << metrics->recorder.Dump().c_str();
    EXPECT_EQ(frames[0].Rect, cell);
    grid->SetOptions(grid->Options() | dgRowSelect);
    PaintNow();
    frames = Ops(TCanvasOpKind::DrawFocusRect);
    ASSERT_EQ(frames.size(), 1u) << "row selection: one frame round the row";
    EXPECT_EQ(frames[0].Rect.Left, grid->CellRect(1, 1).Left);
    grid->SetParent(nullptr);
}

TEST_F(GridPaintTest, HighlightColoursOfAnUnfocusedGrid) {
    Open(3);
    grid->SetOptions(grid->Options() | dgAlwaysShowSelection);
    TDBGridGxStyle* style = grid->Style();
    ASSERT_NE(style, nullptr);
    ASSERT_FALSE(grid->IsSelectionActive());
    TFont font;
    // The current cell, drawn selected: the shadow colour with highlight text.
    TGridDrawState state = gdSelected;
    TColor color = clWindow;
    EXPECT_TRUE(grid->HighlightDataCellColor(0, 0, "", state, color, &font));
    EXPECT_EQ(color, clBtnShadow);
    EXPECT_EQ(font.Color(), clHighlightText);
    // Another selected cell: lightened toward the shadow on a true-colour screen ...
    grid->selectedIds = {2};
    cds.Next();
    state = 0;
    color = clWindow;
    EXPECT_TRUE(grid->HighlightDataCellColor(1, 1, "", state, color, &font));
    EXPECT_EQ(color, style->LightenColor(clWindow, clBtnShadow, false));
    // ... plain button face on a palette screen.
    style->SetScreenColorCount(256);
    color = clWindow;
    EXPECT_TRUE(grid->HighlightDataCellColor(1, 1, "", state, color, &font));
    EXPECT_EQ(color, clBtnFace);
    style->SetScreenColorCount(-1);
    // Not selected and not current: untouched.
    grid->selectedIds.clear();
    color = clWindow;
    EXPECT_FALSE(grid->HighlightDataCellColor(1, 2, "", state, color, &font));
    EXPECT_EQ(color, clWindow);
    // Without a style the grid decides alone: a multi-selected title is dark.
    TDBGridGxStyle mine;
    grid->SetStyle(&mine);
    EXPECT_TRUE(mine.GridInChangeNotification(grid.get()));
    TCellTypeGx title;
    title.VertType = vctTitleGx;
    color = clBtnFace;
    EXPECT_TRUE(grid->HighlightNoDataCellColor(1, 0, 0, -1, title, gdFixed, true, color, &font));
    EXPECT_EQ(color, RGB(64, 64, 64));
    EXPECT_EQ(font.Color(), clWhite);
    grid->SetStyle(nullptr);
    EXPECT_EQ(grid->Style(), DBGridGxDefaultStyle()) << "no style: the default one again";
    EXPECT_FALSE(mine.GridInChangeNotification(grid.get()));
}

TEST_F(GridPaintTest, BufferedPaintingUnlessDebugDrawing) {
    class Buffered : public PaintGrid {
    public:
        using PaintGrid::PaintGrid;
        bool NeedBufferedPaint() override { return true; }
    };
    metrics.reset();  // real pixels
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    auto* g = new Buffered(&form);
    g->SetParent(&form);
    g->SetBorderStyle(bsNone);
    g->SetBounds(0, 0, 400, 200);
    datatest::FillRows(cds, 3);
    g->SetDataSource(&source);
    DBGridGxDebugDraw = true;
    guitest::ShowForm(&form);
    g->Invalidate();
    guitest::Pump();
    EXPECT_FALSE(g->BufferedPaint()) << "debug drawing keeps painting direct";
    const QImage direct = guitest::Grab(g);
    DBGridGxDebugDraw = false;
    g->SetColor(clAqua);  // the new picture must come through the buffer
    g->Invalidate();
    guitest::Pump();
    EXPECT_TRUE(g->BufferedPaint());
    const QImage buffered = guitest::Grab(g);
    const TRect cell = g->CellRect(2, 1), title = g->CellRect(2, 0);
    for (TPoint p : {TPoint(cell.Left + 40, cell.Bottom), TPoint(title.Left + 3, title.Bottom),
                     TPoint(title.Left + 3, title.Top + 3)})
        EXPECT_EQ(guitest::PixelOf(buffered, p.x, p.y), guitest::PixelOf(direct, p.x, p.y)) << p.x << "," << p.y;
    // below the rows, inside the client area (scroll bars take the window's edges)
    EXPECT_EQ(guitest::PixelOf(buffered, g->ClientWidth() - 10, g->ClientHeight() - 10), clAqua);
    EXPECT_EQ(guitest::PixelOf(buffered, cell.Right - 3, cell.Top + 3), clAqua);
    form.RemoveComponent(g);
    delete g;
}

TEST_F(GridPaintTest, ARightClickOnAColumnPopsItsMenu) {
    class Menu : public TPopupMenu {
    public:
        using TPopupMenu::TPopupMenu;
        void Popup(int x, int y) override { at.push_back(TPoint(x, y)); }
        std::vector<TPoint> at;
    };
    Open(2);
    Menu menu(nullptr);
    grid->Columns()->Items(1)->SetPopupMenu(&menu);
    const TRect cell = grid->CellRect(2, 1), other = grid->CellRect(1, 1);
    TMessage m;
    m.Msg = WM_RBUTTONUP;
    m.LParam = MAKELPARAM(cell.Left + 3, cell.Top + 3);
    grid->Dispatch(m);
    ASSERT_EQ(menu.at.size(), 1u);
    EXPECT_EQ(menu.at[0], grid->ClientToScreen(TPoint(cell.Left + 3, cell.Top + 3)));
    EXPECT_EQ(menu.PopupComponent(), grid.get());
    EXPECT_EQ(m.Result, 1);
    TMessage elsewhere;
    elsewhere.Msg = WM_RBUTTONUP;
    elsewhere.LParam = MAKELPARAM(other.Left + 3, other.Top + 3);
    grid->Dispatch(elsewhere);
    menu.SetAutoPopup(false);
    m.Result = 0;
    grid->Dispatch(m);
    EXPECT_EQ(menu.at.size(), 1u) << "another column has none; without AutoPopup it stays shut";
    grid->Columns()->Items(1)->SetPopupMenu(nullptr);
}

TEST_F(GridPaintTest, ASystemColourChangeEmptiesTheButtonGlyphs) {
    Open(1);
    ButtonsBitmapCache()->GetButtonBitmap(TButtonBitmapInfoGx{13, 13});
    ASSERT_GT(ButtonsBitmapCache()->Count(), 0);
    TMessage m;
    m.Msg = WM_SYSCOLORCHANGE;
    grid->Dispatch(m);
    EXPECT_EQ(ButtonsBitmapCache()->Count(), 0);
}

}  // namespace
