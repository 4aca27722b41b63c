// Image lists: masks, drawing styles, change links.
#include "GfxTestSupport.h"

#include "gui/ImgList.h"

#include <gtest/gtest.h>

namespace {

// A strip of n 4 x 4 pictures: each a fuchsia background with a coloured 2 x 2 centre.
std::unique_ptr<TBitmap> strip(int n, const std::vector<TColor>& centres) {
    auto bp = std::make_unique<TBitmap>(4 * n, 4);
    TBitmap& b = *bp;
    b.Canvas()->Brush()->SetColor(clFuchsia);
    b.Canvas()->FillRect(TRect(0, 0, 4 * n, 4));
    for (int i = 0; i < n; ++i) {
        b.Canvas()->Brush()->SetColor(centres[static_cast<std::size_t>(i)]);
        b.Canvas()->FillRect(TRect(4 * i + 1, 1, 4 * i + 3, 3));
    }
    return bp;
}

TEST(ImageList, AStripIsCutIntoPicturesAndTheMaskColourIsBackground) {
    TImageList list(nullptr, 4, 4);
    auto s = strip(3, {clRed, clLime, clBlue});
    EXPECT_EQ(list.AddMasked(s.get(), clFuchsia), 0);
    EXPECT_EQ(list.Count(), 3);
    Picture p(10, 10);
    list.Draw(p.C(), 2, 2, 1);
    EXPECT_EQ(p.At(3, 3), clLime);
    EXPECT_EQ(p.At(2, 2), clWhite) << "background pixels leave the picture alone";
    EXPECT_EQ(p.Count(clFuchsia), 0);

    auto one = strip(1, {clNavy});
    EXPECT_EQ(list.AddMasked(one.get(), clDefault), 3) << "clDefault masks the bottom-left pixel's colour";
    Picture q(10, 10);
    list.Draw(q.C(), 0, 0, 3);
    EXPECT_EQ(q.Count(clFuchsia), 0);
    EXPECT_EQ(q.Count(clNavy), 4);

    TBitmap empty;
    EXPECT_EQ(list.AddMasked(&empty, clFuchsia), -1);
}

TEST(ImageList, AMaskBitmapMarksTheBackgroundInWhite) {
    TImageList list(nullptr, 4, 4);
    TBitmap img(4, 4), mask(4, 4);
    img.Canvas()->Brush()->SetColor(clRed);
    img.Canvas()->FillRect(TRect(0, 0, 4, 4));
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect(0, 0, 2, 4));  // left half picture, right half background
    list.Add(&img, &mask);
    Picture p(4, 4, clBlue);
    list.Draw(p.C(), 0, 0, 0);
    EXPECT_EQ(p.At(0, 0), clRed);
    EXPECT_EQ(p.At(3, 0), clBlue);

    TBitmap m;
    list.GetMask(0, &m);
    EXPECT_EQ(m.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_EQ(m.Canvas()->Pixels(3, 0), clWhite);
}

TEST(ImageList, DrawingStylesColoursAndDisabledPictures) {
    TImageList list(nullptr, 4, 4);
    auto s = strip(1, {clRed});
    list.AddMasked(s.get(), clFuchsia);

    list.SetBkColor(clYellow);
    Picture bk(4, 4);
    list.Draw(bk.C(), 0, 0, 0);
    EXPECT_EQ(bk.Count(clYellow), 12) << "a background colour fills the masked pixels";

    Picture transparent(4, 4);
    list.DrawEx(transparent.C(), 0, 0, 0, 0, 0, CLR_DEFAULT, CLR_DEFAULT, ILD_TRANSPARENT);
    EXPECT_EQ(transparent.Count(clYellow), 0);

    Picture sel(4, 4);
    list.SetBkColor(clNone);
    list.SetDrawingStyle(dsSelected);
    list.Draw(sel.C(), 0, 0, 0);
    EXPECT_NE(sel.At(1, 1), clRed) << "selected pictures are blended with the highlight";
    EXPECT_NE(sel.At(1, 1), clWhite);

    Picture off(4, 4);
    list.SetDrawingStyle(dsNormal);
    list.Draw(off.C(), 0, 0, 0, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            TColor c = off.At(x, y);
            EXPECT_TRUE(c == clWhite || c == GetSysColor(COLOR_BTNSHADOW) || c == GetSysColor(COLOR_BTNHIGHLIGHT))
                << x << "," << y;
        }
    EXPECT_EQ(off.At(1, 1), GetSysColor(COLOR_BTNSHADOW));

    TBitmap got;
    ASSERT_TRUE(list.GetBitmap(0, &got));
    EXPECT_EQ(got.Width(), 4);
    EXPECT_EQ(got.Canvas()->Pixels(1, 1), clRed);
    EXPECT_FALSE(list.GetBitmap(5, &got));

    Picture none(4, 4);
    list.Draw(none.C(), 0, 0, 7);  // a bad index draws nothing
    EXPECT_EQ(none.Count(clWhite), 16);
    EXPECT_THROW(list.Delete(7), EInvalidOperation);
}

TEST(ImageList, ChangeLinksHearOfChangesUntilEitherSideGoes) {
    auto* list = new TImageList(nullptr, 4, 4);
    TChangeLink link;
    TObject* sender = nullptr;
    int calls = 0;
    link.OnChange = [&](TObject* s) { sender = s; ++calls; };
    list->RegisterChanges(&link);
    auto s = strip(2, {clRed, clLime});
    list->AddMasked(s.get(), clFuchsia);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sender, list);

    list->BeginUpdate();
    list->Delete(0);
    list->Delete(0);
    EXPECT_EQ(calls, 1);
    list->EndUpdate();
    EXPECT_EQ(calls, 2) << "one notice for the whole update";

    list->AddMasked(s.get(), clFuchsia);
    list->SetWidth(8);
    EXPECT_EQ(list->Count(), 0) << "a new size empties the list";
    delete list;
    EXPECT_EQ(link.Sender(), nullptr);

    {
        TImageList other(nullptr);
        {
            TChangeLink shortLived;
            other.RegisterChanges(&shortLived);
        }
        other.AddMasked(s.get(), clFuchsia);  // the freed link is no longer called
        EXPECT_EQ(other.Count(), 1);
    }
}

TEST(ImageList, QtImagesCarryTheMaskAsTransparency) {
    TImageList list(nullptr, 4, 4);
    auto s = strip(1, {clRed});
    list.AddMasked(s.get(), clFuchsia);
    QImage img = ImageListImage(list, 0);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(img.pixel(1, 1), 0xFFFF0000u);
    EXPECT_TRUE(ImageListImage(list, 3).isNull());
    EXPECT_FALSE(ImageListIcon(list, 0).isNull());
}

}  // namespace
