// Printing on the platform: the printer's document and device answers on a 600-dpi PDF, page
// pictures replayed at the printer's size and pixel for pixel, mapping modes, and the rich-text
// document (lines, RTF, rendering over pages).
#include "gui/Graphics.h"
#include "gui/Printers.h"
#include "gui/RichText.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A printer writing a 600-dpi PDF.
struct PdfPrinter {
    explicit PdfPrinter(const std::string& file) {
        printer.SetOutputFileName(file);
        printer.SetPixelsPerInch(600);
    }
    TPrinter printer;
};

TEST(Printer, DeviceCapsAndFontHeightsFollowThePrinter) {
    guitest::EnsureApp();
    testlib::TempDir dir;
    PdfPrinter p(dir / "caps.pdf");
    TCanvas* c = p.printer.Canvas();
    // Outside a document the canvas measures like the printer already.
    EXPECT_EQ(GetDeviceCaps(c, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(c, LOGPIXELSY), 600);
    p.printer.BeginDoc();
    c = p.printer.Canvas();
    EXPECT_TRUE(p.printer.Printing());
    EXPECT_EQ(p.printer.PageNumber(), 1);
    EXPECT_EQ(GetDeviceCaps(c, LOGPIXELSY), 600);
    EXPECT_EQ(GetDeviceCaps(c, HORZRES), p.printer.PageWidth());
    EXPECT_EQ(GetDeviceCaps(c, PHYSICALWIDTH), p.printer.FullPageWidth());
    EXPECT_EQ(GetDeviceCaps(c, PHYSICALOFFSETX), p.printer.PhysicalOffsetX());
    EXPECT_EQ(GetDeviceCaps(c, PHYSICALWIDTH), p.printer.PageWidth() + 2 * p.printer.PhysicalOffsetX());
    // A4 is 210 mm wide: the printable part a little less.
    EXPECT_NEAR(GetDeviceCaps(c, HORZSIZE), 210 - 2 * p.printer.PhysicalOffsetX() * 25.4 / 600, 1.5);
    // A 10-point font is 83 printer pixels high; taken over from a screen font it keeps 10 points.
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    EXPECT_EQ(c->Font()->Height(), -83);
    TFont screen;
    screen.SetSize(12);
    EXPECT_EQ(screen.Height(), -16);
    c->Font()->Assign(&screen);
    EXPECT_EQ(c->Font()->Size(), 12);
    EXPECT_EQ(c->Font()->Height(), -100);
    const int textHeight = c->TextHeight("Wg");
    EXPECT_GT(textHeight, 90);
    EXPECT_LT(textHeight, 140);
    c->TextOut(100, 100, "Страница печати");
    p.printer.NewPage();
    EXPECT_EQ(p.printer.PageNumber(), 2);
    p.printer.Canvas()->TextOut(100, 100, "Вторая");
    p.printer.EndDoc();
    EXPECT_FALSE(p.printer.Printing());
    EXPECT_EQ(testlib::PdfPages(dir / "caps.pdf"), 2);
    const std::string text = testlib::PdfText(dir / "caps.pdf");
    EXPECT_NE(text.find("Страница печати"), std::string::npos);
    EXPECT_NE(text.find("Вторая"), std::string::npos);
    // One document at a time.
    p.printer.BeginDoc();
    EXPECT_THROW(p.printer.BeginDoc(), EPrinter);
    p.printer.Abort();
    EXPECT_TRUE(p.printer.Aborted());
    EXPECT_FALSE(p.printer.Printing());
}

TEST(Printer, PagePictureReplayedOnThePrinterFillsThePage) {
    guitest::EnsureApp();
    testlib::TempDir dir;
    PdfPrinter p(dir / "picture.pdf");
    // A page recorded for the printer: a word in each corner of the printable area.
    TMetafile page;
    {
        TMetafileCanvas mc(&page, p.printer.Canvas());
        EXPECT_EQ(GetDeviceCaps(&mc, LOGPIXELSX), 600);
        mc.Font()->SetName("Arial");
        mc.Font()->SetSize(12);
        mc.TextOut(0, 0, "Верх");
        const int w = p.printer.PageWidth(), h = p.printer.PageHeight();
        const TSize e = mc.TextExtent("Низ");
        mc.TextOut(w - e.cx - 10, h - e.cy - 10, "Низ");
        mc.Pen()->SetWidth(6);
        mc.Rectangle(0, 0, w, h);
    }
    EXPECT_EQ(page.Width(), p.printer.PageWidth());
    EXPECT_EQ(page.Height(), p.printer.PageHeight());
    p.printer.BeginDoc();
    p.printer.Canvas()->Draw(0, 0, &page);
    p.printer.EndDoc();
    // At 6.25 times its size the lower corner would lie off the sheet.
    const std::string text = testlib::PdfText(dir / "picture.pdf");
    EXPECT_NE(text.find("Верх"), std::string::npos);
    EXPECT_NE(text.find("Низ"), std::string::npos);
    const std::string bbox = testlib::Run("pdftotext -bbox '" + (dir / "picture.pdf") + "' - 2>/dev/null");
    // The lower word ends near the right edge of a 595-point page, not beyond it.
    auto at = bbox.find(">Низ<");
    ASSERT_NE(at, std::string::npos);
    auto line = bbox.rfind("<word", at);
    const double xMax = std::atof(bbox.c_str() + bbox.find("xMax=\"", line) + 6);
    EXPECT_GT(xMax, 450);
    EXPECT_LT(xMax, 596);
}

// The same drawing on a bitmap, and recorded then replayed 1:1 onto a bitmap, gives the same pixels.
TEST(Metafile, ReplayedDrawingHasTheBitmapCanvasPixels) {
    guitest::EnsureApp();
    const std::function<void(TCanvas*)> drawings[] = {
        [](TCanvas* c) {
            c->Pen()->SetWidth(1);
            for (int i = 0; i < 10; ++i) {
                c->MoveTo(5, 5 + 9 * i);
                c->LineTo(150, 5 + 9 * i);
                c->MoveTo(5 + 14 * i, 5);
                c->LineTo(5 + 14 * i, 95);
            }
        },
        [](TCanvas* c) {
            c->Pen()->SetWidth(6);
            c->Pen()->SetColor(clNavy);
            c->Polyline({TPoint(10, 10), TPoint(150, 10), TPoint(150, 90), TPoint(20, 60)});
            c->MoveTo(30, 80);
            c->LineTo(120, 30);
        },
        [](TCanvas* c) {
            c->Brush()->SetColor(clYellow);
            c->FillRect(TRect(10, 10, 90, 70));
            c->Brush()->SetColor(clRed);
            c->FrameRect(TRect(20, 20, 140, 95));
            c->Pen()->SetWidth(6);
            c->Brush()->SetColor(clLime);
            c->Rectangle(100, 40, 150, 90);
            c->Ellipse(30, 30, 80, 90);
        },
    };
    for (std::size_t i = 0; i < std::size(drawings); ++i) {
        SCOPED_TRACE(i);
        TBitmap direct(160, 100);
        drawings[i](direct.Canvas());
        TMetafile page;
        page.SetWidth(160);
        page.SetHeight(100);
        {
            TMetafileCanvas mc(&page, nullptr);
            drawings[i](&mc);
        }
        TBitmap replayed(160, 100);
        replayed.Canvas()->Draw(0, 0, &page);
        int differ = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x)
                if (direct.Canvas()->Pixels(x, y) != replayed.Canvas()->Pixels(x, y)) ++differ;
        EXPECT_EQ(differ, 0);
    }
}

TEST(MappingMode, LogicalToDevicePoints) {
    guitest::EnsureApp();
    TBitmap b(200, 200);
    HDC dc = b.Canvas();
    struct Case {
        int mode;
        TSize window, viewport;
        TPoint windowOrg, viewportOrg;
        TPoint logical, device;
    };
    const Case cases[] = {
        {MM_TEXT, {10, 10}, {20, 20}, {0, 0}, {0, 0}, {37, 41}, {37, 41}},
        {MM_ANISOTROPIC, {1000, 500}, {100, 100}, {0, 0}, {0, 0}, {500, 250}, {50, 50}},
        {MM_ANISOTROPIC, {1000, 1000}, {200, -100}, {100, 0}, {10, 150}, {600, 500}, {110, 100}},
        // Isotropic: the larger scale (y: 1/5) shrinks to the smaller one (x: 1/10).
        {MM_ISOTROPIC, {1000, 500}, {100, 100}, {0, 0}, {0, 0}, {1000, 500}, {100, 50}},
        {MM_ISOTROPIC, {300, 600}, {600, 600}, {0, 0}, {5, 5}, {300, 600}, {305, 605}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_NE(SetMapMode(dc, c.mode), 0);
        if (c.mode != MM_TEXT) {
            EXPECT_TRUE(SetWindowExtEx(dc, c.window.cx, c.window.cy));
            EXPECT_TRUE(SetViewportExtEx(dc, c.viewport.cx, c.viewport.cy));
        } else {
            EXPECT_FALSE(SetWindowExtEx(dc, c.window.cx, c.window.cy));  // no extents in MM_TEXT
        }
        SetWindowOrgEx(dc, c.windowOrg.x, c.windowOrg.y);
        SetViewportOrgEx(dc, c.viewportOrg.x, c.viewportOrg.y);
        TPoint pt = c.logical;
        ASSERT_TRUE(LPtoDP(dc, &pt, 1));
        EXPECT_EQ(pt, c.device);
        ASSERT_TRUE(DPtoLP(dc, &pt, 1));
        EXPECT_EQ(pt, c.logical);
        EXPECT_EQ(GetMapMode(dc), c.mode);
        SetWindowOrgEx(dc, 0, 0);
        SetViewportOrgEx(dc, 0, 0);
    }
    EXPECT_EQ(SetMapMode(dc, 42), 0);
    // Drawing goes through the mapping: a logical 1000 x 1000 square fills the 200-pixel bitmap.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1000, 1000);
    SetViewportExtEx(dc, 200, 200);
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(TRect(500, 500, 1000, 1000));
    // A clip is given in logical units too, over the whole logical space (well beyond the bitmap's
    // 200 pixels): only what lies outside it is cut.
    const int saved = b.Canvas()->SaveDC();
    b.Canvas()->IntersectClipRect(TRect(0, 500, 1000, 800));
    b.Canvas()->ExcludeClipRect(TRect(0, 500, 250, 800));
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(TRect(0, 0, 1000, 1000));
    b.Canvas()->RestoreDC(saved);
    SetMapMode(dc, MM_TEXT);
    EXPECT_EQ(b.Canvas()->Pixels(99, 99), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(100, 160), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(199, 199), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(40, 120), clWhite);  // excluded
    EXPECT_EQ(b.Canvas()->Pixels(60, 100), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(199, 159), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(199, 99), clWhite);
}

// A control word's number of any length is read as a 32-bit signed number, clamped: a nonzero
// number never wraps to zero, and twenty digits are no overflow.
TEST(RichText, ControlWordNumbersAreClampedToThirtyTwoBits) {
    guitest::EnsureApp();
    const struct {
        const char* word;
        bool bold;
    } cases[] = {
        {"\\b1", true},
        {"\\b0", false},
        {"\\b4294967296", true},
        {"\\b-4294967296", true},
        {"\\b99999999999999999999999", true},
        {"\\b-99999999999999999999999", true},
        {"\\b00000000000000000000000", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        TRichTextDocument doc;
        ASSERT_TRUE(doc.LoadRtf(AnsiString("{\\rtf1\\ansi ") + c.word + " x\\u99999999999999999999? y}"));
        EXPECT_EQ(doc.FormatAt(0).Style, c.bold ? TFontStyles{fsBold} : TFontStyles{});
        EXPECT_EQ(doc.LineLength(0), 4);
    }
}

TEST(RichText, RtfRoundTripKeepsCyrillicFormatsAndAlignment) {
    guitest::EnsureApp();
    TRichTextDocument doc;
    doc.SetText("Журнал событий\r\nс [StartTime] по [StopTime]\r\nΩ знак");
    doc.SetSelection(0, doc.LineLength(0));
    doc.SetSelectionFormat({"Times New Roman", 16, TFontStyles{fsBold}, clNavy});
    doc.SetSelectionAlignment(raCenter);
    doc.SetSelection(doc.LineStart(1), doc.LineStart(1) + doc.LineLength(1));
    doc.SetSelectionFormat({"Arial", 8, TFontStyles{fsItalic, fsUnderline, fsStrikeOut}, clBlack});
    const AnsiString rtf = doc.SaveRtf();
    EXPECT_EQ(rtf.str().rfind("{\\rtf1\\ansi\\ansicpg1251", 0), 0u);
    // Cyrillic as code page escapes, a character outside 1251 as \uN.
    EXPECT_NE(rtf.str().find("\\'c6"), std::string::npos);
    EXPECT_NE(rtf.str().find("\\u937?"), std::string::npos);

    TRichTextDocument back;
    ASSERT_TRUE(back.LoadRtf(rtf));
    EXPECT_EQ(back.Text(), doc.Text());
    EXPECT_EQ(back.LineCount(), 3);
    EXPECT_EQ(back.AlignmentOfLine(0), raCenter);
    EXPECT_EQ(back.AlignmentOfLine(1), raLeft);
    const TRichTextFormat head = back.FormatAt(0), sub = back.FormatAt(back.LineStart(1));
    EXPECT_EQ(head.FontName, "Times New Roman");
    EXPECT_EQ(head.Size, 16);
    EXPECT_EQ(head.Style, TFontStyles{fsBold});
    EXPECT_EQ(head.Color, clNavy);
    EXPECT_EQ(sub.FontName, "Arial");
    EXPECT_EQ(sub.Size, 8);
    EXPECT_EQ(sub.Style, (TFontStyles{fsItalic, fsUnderline, fsStrikeOut}));
    EXPECT_EQ(back.SaveRtf(), rtf);

    // Another writer's RTF: unknown groups skipped, \uN with its substitute, escapes, raw bytes of
    // the code page.
    TRichTextDocument other;
    ASSERT_TRUE(other.LoadRtf("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fswiss Arial;}}{\\*\\generator X;}"
                              "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}\\pard\\qr\\f0\\fs20 \\'cf\\'f3\\u1092?"
                              "\\{x\\}\\par {\\pict\\wmetafile8 0102}" + AnsiString(Utf8ToCp1251("Конец")) + "}"));
    EXPECT_EQ(other.Text(), "Пуф{x}\r\nКонец");
    EXPECT_EQ(other.AlignmentOfLine(0), raRight);
    EXPECT_EQ(other.FormatAt(0).Size, 10);
    EXPECT_FALSE(other.LoadRtf("plain text"));
    EXPECT_EQ(other.Text(), "Пуф{x}\r\nКонец");
}

TEST(RichText, EditingFindAndReplaceByPosition) {
    TRichTextDocument doc;
    EXPECT_EQ(doc.LineCount(), 1);
    EXPECT_EQ(doc.Length(), 0);
    doc.SetText("один\r\nдва [StartTime]\r\nтри");
    EXPECT_EQ(doc.LineCount(), 3);
    EXPECT_EQ(doc.LineStart(2), 5 + 16);
    EXPECT_EQ(doc.LineStart(3), -1);
    EXPECT_EQ(doc.Find("[starttime]", 0), 9);
    EXPECT_EQ(doc.Find("[starttime]", 0, -1, true), -1);
    EXPECT_EQ(doc.Find("два", 6), -1);
    EXPECT_EQ(doc.Find("три", 0, 10), -1);
    doc.SetSelection(9, 20);
    doc.ReplaceSelection("10.03.2010\r\nдалее");
    EXPECT_EQ(doc.SelStart(), doc.SelEnd());
    EXPECT_EQ(doc.SelEnd(), 9 + 16);
    EXPECT_EQ(doc.Text(), "один\r\nдва 10.03.2010\r\nдалее\r\nтри");
}

TEST(RichText, PagesOfRenderingEndOnWholeLines) {
    guitest::EnsureApp();
    testlib::TempDir dir;
    PdfPrinter p(dir / "block.pdf");
    TRichTextDocument doc;
    AnsiString text;
    for (int i = 1; i <= 80; ++i) text += AnsiString("Строка номер ") + IntToStr(i) + (i < 80 ? "\r\n" : "");
    doc.SetText(text);
    doc.SetSelection(0, doc.Length());
    doc.SetSelectionFormat({"Times New Roman", 16, {}, clBlack});
    p.printer.BeginDoc();
    const TRect area(0, 0, p.printer.PageWidth(), p.printer.PageHeight() / 2);
    int from = 0, pages = 0, lastHeight = 0;
    std::vector<int> starts;
    while (from < doc.Length() && pages < 50) {
        if (pages++) p.printer.NewPage();
        starts.push_back(from);
        int used = 0;
        const int next = doc.Render(p.printer.Canvas(), area, from, true, used);
        ASSERT_GT(next, from);
        EXPECT_LE(used, area.Height());
        from = next;
        lastHeight = used;
    }
    p.printer.EndDoc();
    EXPECT_GT(lastHeight, 0);
    // Every page starts at the beginning of a line.
    for (int s : starts) {
        bool atLine = false;
        for (int l = 0; l < doc.LineCount(); ++l) atLine |= doc.LineStart(l) == s;
        EXPECT_TRUE(atLine) << s;
    }
    // 16 points of 80 lines on half pages: several pages, and every line printed once.
    EXPECT_GE(pages, 3);
    EXPECT_EQ(testlib::PdfPages(dir / "block.pdf"), pages);
    const std::string out = testlib::PdfText(dir / "block.pdf");
    for (int i : {1, 40, 80}) EXPECT_NE(out.find("Строка номер " + std::to_string(i) + "\n"), std::string::npos) << i;
    // Measuring alone draws nothing and agrees with drawing.
    int used = 0;
    EXPECT_EQ(doc.Render(p.printer.Canvas(), area, starts[1], false, used), starts.size() > 2 ? starts[2] : doc.Length());
}

}  // namespace
