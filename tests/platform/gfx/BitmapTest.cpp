// Bitmaps, pictures and their files.
#include "GfxTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

AnsiString path(const QTemporaryDir& dir, const char* name) { return dir.filePath(name).toStdString(); }

QByteArray head(const AnsiString& file, int n) {
    QFile f(QString::fromStdString(file.str()));
    f.open(QIODevice::ReadOnly);
    return f.read(n);
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndPaintsNewPixelsWhite) {
    TBitmap b(4, 4);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(TRect(0, 0, 4, 4));
    b.SetSize(6, 3);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Canvas()->Pixels(3, 2), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(5, 0), clWhite);
    b.Canvas()->FillRect(TRect(0, 0, 6, 3));
    EXPECT_EQ(b.Canvas()->Pixels(5, 2), clRed) << "the canvas follows the new size";

    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Height(), 3);
    b.SetHeight(5);
    b.SetWidth(2);
    EXPECT_EQ(b.Canvas()->ClipRect(), TRect(0, 0, 2, 5));
}

TEST(Bitmap, BmpAndPngFilesKeepThePixels) {
    QTemporaryDir dir;
    TBitmap b(5, 3);
    b.Canvas()->SetPixels(0, 0, clRed);
    b.Canvas()->SetPixels(4, 2, RGB(1, 2, 3));
    for (const char* name : {"pic.bmp", "PIC.BMP", "pic.png"}) {
        const AnsiString file = path(dir, name);
        b.SaveToFile(file);
        TBitmap c;
        c.LoadFromFile(file);
        EXPECT_EQ(c.Width(), 5) << name;
        EXPECT_EQ(c.Height(), 3) << name;
        EXPECT_EQ(c.Canvas()->Pixels(0, 0), clRed) << name;
        EXPECT_EQ(c.Canvas()->Pixels(4, 2), RGB(1, 2, 3)) << name;
    }
    EXPECT_EQ(head(path(dir, "pic.bmp"), 2), QByteArray("BM"));
    EXPECT_EQ(head(path(dir, "pic.png"), 4), QByteArray("\x89PNG"));
    b.SaveToFile(path(dir, "forced.png"), "BMP");
    EXPECT_EQ(head(path(dir, "forced.png"), 2), QByteArray("BM"));
}

TEST(Bitmap, FileErrorsRaise) {
    QTemporaryDir dir;
    TBitmap b;
    EXPECT_THROW(b.LoadFromFile(path(dir, "missing.bmp")), EFOpenError);
    QFile f(dir.filePath("junk.bmp"));
    f.open(QIODevice::WriteOnly);
    f.write("not a picture");
    f.close();
    EXPECT_THROW(b.LoadFromFile(path(dir, "junk.bmp")), EInvalidGraphic);
    TBitmap c(2, 2);
    EXPECT_THROW(c.SaveToFile(path(dir, "no/such/folder/x.bmp")), EFCreateError);
}

TEST(Bitmap, ACopyIsIndependentOnceEitherSideDraws) {
    TBitmap a(3, 3);
    TBitmap b;
    b.Assign(&a);
    b.Canvas()->SetPixels(1, 1, clBlue);
    EXPECT_EQ(a.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clBlue);
    a.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);
}

TEST(Bitmap, DrawingOnItsCanvasAnnouncesAChange) {
    TBitmap b(3, 3);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Canvas()->FillRect(TRect(0, 0, 2, 2));
    b.Canvas()->TextOut(0, 0, "x");
    EXPECT_EQ(changes, 2);
}

TEST(Bitmap, TransparentColourIsTheBottomLeftPixelUnlessFixed) {
    TBitmap b(3, 3);
    b.Canvas()->SetPixels(0, 2, clGreen);
    EXPECT_EQ(b.TransparentMode(), tmAuto);
    EXPECT_EQ(b.TransparentColor(), clGreen);
    b.SetTransparentColor(clRed);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clRed);
    b.SetTransparentColor(clDefault);
    EXPECT_EQ(b.TransparentMode(), tmAuto);
    EXPECT_EQ(b.TransparentColor(), clGreen);
}

TEST(Bitmap, PicturesByResourceNameAndTheSystemCheckBoxSheet) {
    TBitmap src(2, 1);
    src.Canvas()->SetPixels(1, 0, clRed);
    QTemporaryDir dir;
    src.SaveToFile(path(dir, "r.bmp"));
    QFile f(dir.filePath("r.bmp"));
    f.open(QIODevice::ReadOnly);
    QByteArray bytes = f.readAll();
    RegisterImageResource("GRID_ARROW", reinterpret_cast<const unsigned char*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
    EXPECT_TRUE(ImageResourceExists("grid_arrow"));
    TBitmap b;
    b.LoadFromResourceName("Grid_Arrow");
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clRed);
    EXPECT_THROW(b.LoadFromResourceName("NO_SUCH"), EResNotFound);

    TBitmap boxes;
    ASSERT_TRUE(LoadSystemBitmap(OBM_CHECKBOXES, boxes));
    EXPECT_EQ(boxes.Width() / 4, 13);
    EXPECT_EQ(boxes.Height() / 3, 13);
    EXPECT_FALSE(LoadSystemBitmap(1, boxes));
}

TEST(Picture, HoldsABitmapAndPassesOnItsChanges) {
    QTemporaryDir dir;
    TBitmap src(4, 2);
    src.SaveToFile(path(dir, "p.bmp"));
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    pic.LoadFromFile(path(dir, "p.bmp"));
    EXPECT_EQ(pic.Width(), 4);
    EXPECT_EQ(pic.Height(), 2);
    EXPECT_EQ(changes, 1);
    pic.Bitmap()->Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(changes, 2);

    TPicture copy;
    copy.Assign(&pic);
    EXPECT_EQ(copy.Bitmap()->Canvas()->Pixels(0, 0), clRed);
    copy.Bitmap()->Canvas()->SetPixels(0, 0, clBlue);
    EXPECT_EQ(pic.Bitmap()->Canvas()->Pixels(0, 0), clRed);

    TPicture empty;
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_NE(empty.Bitmap(), nullptr);
}

}  // namespace
