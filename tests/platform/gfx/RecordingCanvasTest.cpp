// The recording canvas that geometry tests of widgets draw on.
#include "GfxTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordingCanvas, LogsEachCallWithTheStateInForce) {
    TRecordingCanvas rc(TSize(200, 100));
    EXPECT_EQ(rc.ClipRect(), TRect(0, 0, 200, 100));
    rc.Pen()->SetColor(clRed);
    rc.Pen()->SetWidth(2);
    rc.MoveTo(1, 2);
    rc.LineTo(3, 4);
    rc.Brush()->SetStyle(bsClear);
    rc.Rectangle(10, 20, 30, 40);
    rc.Font()->SetName("Times New Roman");
    rc.Font()->SetColor(clNavy);
    rc.TextOut(5, 6, "Привет");

    const auto& ops = rc.Ops();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].Kind, TCanvasOpKind::MoveTo);
    EXPECT_EQ(ops[1].Kind, TCanvasOpKind::LineTo);
    EXPECT_EQ(ops[1].Points, (std::vector<TPoint>{TPoint(1, 2), TPoint(3, 4)}));
    EXPECT_EQ(ops[1].PenColor, clRed);
    EXPECT_EQ(ops[1].PenWidth, 2);
    EXPECT_EQ(ops[2].Kind, TCanvasOpKind::Rectangle);
    EXPECT_EQ(ops[2].Rect, TRect(10, 20, 30, 40));
    EXPECT_EQ(ops[2].BrushStyle, bsClear);
    EXPECT_EQ(ops[3].Kind, TCanvasOpKind::TextOut);
    EXPECT_EQ(ops[3].Text, "Привет");
    EXPECT_EQ(ops[3].FontName, "Times New Roman");
    EXPECT_EQ(ops[3].FontColor, clNavy);
    EXPECT_EQ(ops[3].BkMode, TRANSPARENT) << "a clear brush gives a transparent text background";
    EXPECT_EQ(AnsiString(ops[1].ToString()).SubString(1, 18), "LineTo (1,2)-(3,4)");

    // Fixed metrics: 7 pixels a character (not a byte), 13 a line.
    EXPECT_EQ(rc.TextWidth("Привет"), 42);
    EXPECT_EQ(rc.TextHeight("Привет"), 13);
    EXPECT_EQ(rc.PenPos(), TPoint(5 + 42, 6));
    EXPECT_EQ(rc.Log().OfKind(TCanvasOpKind::Rectangle).size(), 1u);
}

TEST(RecordingCanvas, LogsTheWindowsDrawingFunctions) {
    TRecordingCanvas rc;
    TRect r(0, 0, 20, 10);
    DrawEdge(&rc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, TRect(2, 2, 18, 8)) << "the adjusted rectangle comes back even when nothing is drawn";
    FillRectColor(&rc, TRect(1, 1, 5, 5), clLime);
    TRect t(0, 0, 100, 20);
    DrawText(&rc, "abc", -1, t, DT_CENTER | DT_SINGLELINE);
    TLogFont lf;
    lf.lfHeight = -13;
    lf.lfEscapement = 900;
    lf.lfWeight = 600;
    lf.SetFaceName("Times New Roman");
    rc.Font()->SetHandle(CreateFontIndirect(lf));
    rc.TextOut(3, 4, "x");

    auto ops = rc.Ops();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].Kind, TCanvasOpKind::DrawEdge);
    EXPECT_EQ(ops[0].Values, (std::vector<int>{int(EDGE_SUNKEN), int(BF_RECT | BF_ADJUST)}));
    EXPECT_EQ(ops[1].Kind, TCanvasOpKind::FillRect);
    EXPECT_EQ(ops[1].BrushColor, clLime);
    EXPECT_EQ(ops[2].Kind, TCanvasOpKind::DrawText);
    EXPECT_EQ(ops[2].Values[0], int(DT_CENTER | DT_SINGLELINE));
    EXPECT_EQ(ops[3].FontOrientation, 900);
    EXPECT_EQ(ops[3].FontWeight, 600);
}

TEST(RecordingCanvas, ARecorderOnABitmapCanvasCanLetTheDrawingThrough) {
    TBitmap b(20, 20);
    TCanvasRecorder log;
    log.PassThrough = true;
    log.FixedMetrics = false;
    b.Canvas()->SetRecorder(&log);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(TRect(0, 0, 5, 5));
    EXPECT_EQ(log.Count(), 1);
    EXPECT_EQ(b.Canvas()->Pixels(2, 2), clRed);
    EXPECT_NE(b.Canvas()->TextWidth("iiii"), 28) << "the font's own metrics";

    TCanvasRecorder only;
    b.Canvas()->SetRecorder(&only);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(TRect(0, 0, 5, 5));
    EXPECT_EQ(only.Count(), 1);
    EXPECT_EQ(b.Canvas()->Pixels(2, 2), clRed) << "a plain recorder keeps the picture";
    b.Canvas()->SetRecorder(nullptr);
}

TEST(RecordingCanvas, TheDefaultRecorderHearsCanvasesThatHaveNoneOfTheirOwn) {
    TCanvasRecorder log;
    TCanvasRecorder* previous = SetDefaultCanvasRecorder(&log);
    {
        TBitmap hidden(10, 10);  // as a widget's own off-screen picture
        hidden.Canvas()->Brush()->SetColor(clRed);
        hidden.Canvas()->FillRect(TRect(0, 0, 10, 10));
        EXPECT_EQ(hidden.Canvas()->TextWidth("abc"), 21);
        TCanvas bare;  // no device: logged, not refused
        bare.LineTo(3, 3);
        TRecordingCanvas own;
        own.Rectangle(0, 0, 2, 2);
        EXPECT_EQ(own.Ops().size(), 1u);
        SetDefaultCanvasRecorder(previous);
        EXPECT_EQ(hidden.Canvas()->Pixels(5, 5), clWhite) << "logged, not drawn";
    }
    ASSERT_EQ(log.Count(), 2);
    EXPECT_EQ(log.Ops[0].Kind, TCanvasOpKind::FillRect);
    EXPECT_EQ(log.Ops[0].BrushColor, clRed);
    EXPECT_EQ(log.Ops[1].Kind, TCanvasOpKind::LineTo);
}

TEST(RecordingCanvas, ACanvasWithoutADeviceRefusesToDraw) {
    TCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    EXPECT_THROW(c.LineTo(5, 5), EInvalidOperation);
    EXPECT_THROW(c.FillRect(TRect(0, 0, 5, 5)), EInvalidOperation);
    EXPECT_EQ(c.Pixels(0, 0), CLR_INVALID);
    EXPECT_EQ(c.ClipRect(), TRect());
}

}  // namespace
