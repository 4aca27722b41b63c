// The output field: formatting, when it redraws, where its text goes, and its colour file.
#include "widgets/OutField.h"
#include "WidgetTestSupport.h"

#include "gui/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Field = Paintable<TOutField>;

TEST(OutField, ShowsValuesInThePatternsTheScreensUse) {
    struct Case {
        const char* format;
        double value;
        const char* text;
    };
    // Russian number format: decimal comma, blank thousands separator.
    const Case cases[] = {
        {"###0.0", 12.34, "12,3"},
        {"###0.0", 2.25, "2,3"},  // a tie goes away from zero
        {"###0.0", -0.04, "0,0"},
        {"0%", 45.6, "46%"},
        {"##0 т", 297, "297 т"},
        {"###0 г/л", 1234.4, "1234 г/л"},
        {"###0 м3/ч", -5, "-5 м3/ч"},
        {"# ### ##0.0; ;  ", -5, " "},
        {"# ### ##0.0; ;  ", 0, "  "},
        {" ;", 7, " "},
        {"РУЧНОЙ", 3, "РУЧНОЙ"},
        {"  ", 1, "  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        TOutField f(nullptr);
        f.SetOutFormat(c.format);
        f.SetOutValue(c.value + 1);  // a field starts at 0, and the same value changes nothing
        f.SetOutValue(c.value);
        EXPECT_EQ(f.Caption(), c.text);
    }
}

TEST(OutField, KeepsItsCaptionAndTextUntilADifferentValueComes) {
    TOutField f(nullptr);
    EXPECT_EQ(f.OutFormat(), "###0.0");
    EXPECT_EQ(f.Font()->Name(), "Times New Roman");
    EXPECT_EQ(f.Font()->Size(), 10);
    f.SetCaption("PLF");
    f.SetOutValue(0);
    EXPECT_EQ(f.Caption(), "PLF") << "the value is 0 already";
    f.SetOutValue(12.34);
    EXPECT_EQ(f.Caption(), "12,3");
    f.SetOutFormat("0%");
    EXPECT_EQ(f.Caption(), "12,3") << "a new format waits for the next value";
    f.SetOutValue(12.34);
    EXPECT_EQ(f.Caption(), "12,3");
    f.SetOutValue(50);
    EXPECT_EQ(f.Caption(), "50%");
}

TEST(OutField, TheSameValueNeitherInvalidatesNorRedraws) {
    Field f(nullptr);
    f.SetBounds(0, 0, 100, 40);
    f.SetOutValue(5);
    RecordPaint(f);
    const int invalidated = f.InvalidateCount();
    f.SetOutValue(5);
    EXPECT_EQ(f.InvalidateCount(), invalidated);
    auto ops = RecordPaint(f);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::TextOut).empty()) << widgettest::Dump(ops);
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u) << "the kept picture is shown";
    f.SetOutValue(6);
    EXPECT_GT(f.InvalidateCount(), invalidated);
    EXPECT_EQ(OfKind(RecordPaint(f), TCanvasOpKind::TextOut).size(), 1u);
}

TEST(OutField, DrawsBoxAndTextWhereTheAlignmentPutsThem) {
    // Recorded metrics: 7 pixels a character, 13 high; "297" is 21 x 13 in a 100 x 40 box.
    struct Case {
        const char* name;
        int alpha;
        TKelvaronVAlign valign;
        TPoint corner;
    };
    const Case cases[] = {
        {"centred", 0, kv_VAlignCenter, TPoint(39, 13)},           // (50 - 10.5, 20 - 6.5)
        {"top", 0, kv_VAlignTop, TPoint(39, 7)},                   // centre at th + 1
        {"bottom", 0, kv_VAlignBottom, TPoint(39, 20)},            // centre at Height - th
        {"quarter turn", 900, kv_VAlignCenter, TPoint(43, 30)},    // the corner turned about the centre
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Field f(nullptr);
        f.SetBounds(0, 0, 100, 40);
        f.Brush()->SetColor(clYellow);
        f.Pen()->SetColor(clNavy);
        f.Pen()->SetWidth(2);
        f.Font()->SetColor(clRed);
        f.SetOutFormat("###0");
        f.SetOutValue(297);
        f.SetAlpha(c.alpha);
        f.SetVAlign(c.valign);
        auto ops = RecordPaint(f);
        auto boxes = OfKind(ops, TCanvasOpKind::Rectangle);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Rect, TRect(0, 0, 100, 40));
        EXPECT_EQ(boxes[0].BrushColor, clYellow);
        EXPECT_EQ(boxes[0].PenColor, clNavy);
        EXPECT_EQ(boxes[0].PenWidth, 2);
        auto texts = OfKind(ops, TCanvasOpKind::TextOut);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].Text, "297");
        EXPECT_EQ(texts[0].Points[0], c.corner);
        EXPECT_EQ(texts[0].FontOrientation, c.alpha);
        EXPECT_EQ(texts[0].FontColor, clRed);
        EXPECT_EQ(texts[0].BkMode, TRANSPARENT);
    }
}

TEST(OutField, BuildsItsFontWithWeight600AndAShortFaceName) {
    Field f(nullptr);
    f.SetBounds(0, 0, 100, 40);
    f.Font()->SetStyle({fsBold});
    f.Font()->SetName("A Face Name Much Longer Than Thirty One Bytes");
    f.SetOutValue(1);
    auto texts = OfKind(RecordPaint(f), TCanvasOpKind::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].FontWeight, 600);
    EXPECT_EQ(texts[0].FontName, "A Face Name Much Longer Than Th");
    EXPECT_EQ(texts[0].FontHeight, f.Font()->Height());
}

TEST(OutField, ATransparentFieldDrawsItsTextAtEveryPaint) {
    Field f(nullptr);
    f.SetBounds(0, 0, 100, 40);
    f.SetTransparent(true);
    f.SetOutValue(3);
    for (int paint = 0; paint < 3; ++paint) {
        SCOPED_TRACE(paint);
        auto ops = RecordPaint(f);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::TextOut).size(), 1u) << "an uncovered field must not go blank";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Rectangle).empty()) << "no box";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "no kept picture";
    }
}

TEST(OutField, AHiddenFieldDrawsNothing) {
    Field f(nullptr);
    f.SetBounds(0, 0, 100, 40);
    f.SetVisible(false);
    EXPECT_TRUE(RecordPaint(f).empty());
}

TEST(OutField, ColourFileKeepsPenFontAndBrushButNotTheFormat) {
    ScratchDir dir;
    TOutField f(nullptr);
    f.SetName("OutFieldRVF");
    f.SetConfigName(".\\FormMnemo.INI");
    f.Pen()->SetColor(clAqua);
    f.Pen()->SetWidth(3);
    f.Font()->SetColor(clLime);
    f.Font()->SetSize(14);
    f.Brush()->SetColor(clBlack);
    f.SetOutFormat("###0 м3/ч");
    ASSERT_TRUE(f.SaveConfig());
    {
        TIniFile ini("./FormMnemo.INI");
        EXPECT_EQ(ini.ReadString("OutFieldRVF", "OutFormat", ""), "###0 м3/ч");
        EXPECT_EQ(ini.ReadInteger("OutFieldRVF", "BrushColor", -1), clBlack);
        EXPECT_EQ(ini.ReadInteger("OutFieldRVF", "PenWidth", -1), 3);
    }
    f.Pen()->SetColor(clRed);
    f.Pen()->SetWidth(1);
    f.Font()->SetColor(clWhite);
    f.Font()->SetSize(8);
    f.Brush()->SetColor(clWhite);
    f.SetOutFormat("0%");
    EXPECT_TRUE(f.LoadConfig(""));
    EXPECT_EQ(f.Pen()->Color(), clAqua);
    EXPECT_EQ(f.Pen()->Width(), 3);
    EXPECT_EQ(f.Font()->Color(), clLime);
    EXPECT_EQ(f.Font()->Size(), 14);
    EXPECT_EQ(f.Brush()->Color(), clBlack);
    EXPECT_EQ(f.OutFormat(), "0%") << "the format stays the field's own";

    // Another field's section: its look is copied.
    TOutField other(nullptr);
    other.SetConfigName("./FormMnemo.INI");
    other.LoadConfig("OutFieldRVF");
    EXPECT_EQ(other.Pen()->Color(), clAqua);
    // A section the file does not have changes nothing.
    other.Pen()->SetColor(clGreen);
    EXPECT_TRUE(other.LoadConfig("NoSuchField"));
    EXPECT_EQ(other.Pen()->Color(), clGreen);
}

TEST(OutField, SaveConfigReportsAFileItCannotWrite) {
    ScratchDir dir;
    TOutField f(nullptr);
    f.SetName("OutField1");
    EXPECT_FALSE(f.SaveConfig()) << "no file name";
    f.SetConfigName("./missing-folder/Colors.INI");
    EXPECT_FALSE(f.SaveConfig());
    f.SetConfigName("./Colors.INI");
    EXPECT_TRUE(f.SaveConfig());
}

TEST(OutField, OwnFontStaysWhenTheParentFontChanges) {
    TForm form(nullptr);
    auto* f = new TOutField(&form);
    f->SetParent(&form);
    form.Font()->SetName("Arial");
    form.Font()->SetSize(20);
    EXPECT_EQ(f->Font()->Name(), "Times New Roman");
    EXPECT_EQ(f->Font()->Size(), 10);
}

}  // namespace
