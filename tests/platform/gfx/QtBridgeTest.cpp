// Drawing through the canvas onto Qt painters: widgets, images, recorded pictures.
#include "GfxTestSupport.h"

#include <QPicture>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A widget that paints through a canvas, as the platform's controls do.
class CanvasWidget : public QWidget {
public:
    TCanvas canvas;
    TColor readBack = CLR_INVALID;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        TCanvasPaintScope scope(canvas, &p, size());
        ++paints;
        canvas.Brush()->SetColor(clRed);
        canvas.FillRect(TRect(0, 0, 20, 10));
        canvas.Pen()->SetColor(clBlue);
        canvas.Pen()->SetMode(pmXor);
        canvas.MoveTo(0, 15);
        canvas.LineTo(30, 15);
        canvas.Pen()->SetMode(pmCopy);
        readBack = canvas.Pixels(5, 5);
    }
};

TEST(QtBridge, AControlPaintsThroughItsCanvas) {
    CanvasWidget w;
    w.resize(40, 30);
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, Qt::white);
    w.setPalette(pal);
    w.setAutoFillBackground(true);
    QImage shot = w.grab().toImage();
    EXPECT_GE(w.paints, 1);
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(25, 5), QColor(Qt::white));
    // Blue xor white is yellow.
    EXPECT_EQ(shot.pixelColor(10, 15), QColor(Qt::yellow));
    EXPECT_EQ(w.readBack, clRed) << "pixels can be read back while painting";
    EXPECT_FALSE(w.canvas.HandleAllocated()) << "the canvas lets go of the painter after the paint";

    w.show();
    w.repaint();
    EXPECT_EQ(w.readBack, clRed) << "also on the window's own backing store";
}

TEST(QtBridge, PainterWhosePixelsAreOutOfReachStillDraws) {
    QPicture pic;
    TCanvas canvas;
    {
        QPainter p(&pic);
        TCanvasPaintScope scope(canvas, &p, QSize(30, 30));
        canvas.Brush()->SetColor(clLime);
        canvas.FillRect(TRect(2, 2, 12, 12));
        canvas.Pen()->SetColor(clBlack);
        canvas.MoveTo(0, 20);
        canvas.LineTo(25, 20);
        EXPECT_EQ(canvas.Pixels(5, 5), CLR_INVALID);
    }
    QImage img(30, 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter r(&img);
    r.drawPicture(0, 0, pic);
    r.end();
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(13, 5), QColor(Qt::white)) << "the right edge is still left out";
    EXPECT_EQ(img.pixelColor(10, 20), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(25, 20), QColor(Qt::white));
}

TEST(QtBridge, AnImageAttachedForAWhileThenThePreviousDeviceReturns) {
    TRecordingCanvas rc(TSize(50, 50));
    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    AttachImage(rc, &img);
    EXPECT_EQ(rc.ClipRect(), TRect(0, 0, 10, 10));
    rc.Log().PassThrough = true;
    rc.Brush()->SetColor(clRed);
    rc.FillRect(TRect(0, 0, 5, 5));
    DetachImage(rc);
    EXPECT_EQ(img.pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(img.pixel(7, 7), 0u);
    EXPECT_EQ(rc.ClipRect(), TRect(0, 0, 50, 50)) << "the recording canvas has its own device back";
}

TEST(QtBridge, ColoursAndFontsConvert) {
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(clWindow), QColor(255, 255, 255));
    EXPECT_EQ(ToQColor(clNone).alpha(), 0);
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    TFont f;
    f.SetName("Arial");
    f.SetSize(10);
    f.SetStyle(TFontStyles{fsBold, fsItalic});
    QFont q = ToQFont(f);
    EXPECT_EQ(q.pixelSize(), 13);
    EXPECT_EQ(q.weight(), QFont::Bold);
    EXPECT_TRUE(q.italic());
}

TEST(QtBridge, BitmapPixelsCanBeReplacedFromQt) {
    TBitmap b;
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(QColor(0, 0, 255));
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    SetBitmapQImage(b, img);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Canvas()->Pixels(2, 1), clBlue);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(BitmapQImage(b).format(), QImage::Format_RGB32);
}

}  // namespace
