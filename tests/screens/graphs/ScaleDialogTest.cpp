// Chart scales: the scale dialog's edits, reading it back into the chart, the scale sections of a
// screen's file, and legends drawn into an exported picture.
#include "GraphsTestSupport.h"

#include "charts/LevelGraph.h"
#include "rtl/IniFiles.h"
#include "screens/graphs/FormEditGraph.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/Arrow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using graphstest::GraphStation;

// A form with one chart, as a screen holds them.
struct ChartForm {
    std::unique_ptr<TForm> form;
    TLevelGraph* g = nullptr;
    ChartForm() {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 640, 400);
        g = new TLevelGraph(form.get());
        g->SetName("LevelGraphN");
        g->SetParent(form.get());
        g->SetBounds(0, 0, 400, 200);
        g->SetYMax(150);
        g->SetYLabelStep(25);
        g->SetRightYMin(150);
        g->SetRightYMax(50);
        g->SetRightScaleStep(150);
    }
};

TEST_F(GraphStation, TheDialogShowsTheEditsOfValuesThatAreNotAutomatic) {
    ChartForm c;
    c.g->SetAutoYMin(true);
    c.g->SetAutoYScale(true);
    c.g->SetYLabelStep(12.5);
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm* f) {
        auto* d = static_cast<TFormEditGraph*>(f);
        EXPECT_EQ(d->Caption(), "Параметры шкалы графика");
        EXPECT_FALSE(d->EditYMin->Visible());
        EXPECT_TRUE(d->EditYMax->Visible());
        EXPECT_FALSE(d->EditYLabelStep->Visible());
        EXPECT_FALSE(d->EditRightYMin->Visible());
        EXPECT_FALSE(d->EditRightScaleStep->Visible());
        d->CheckBoxAutoYScale->SetChecked(false);
        EXPECT_TRUE(d->EditYLabelStep->Visible());
        EXPECT_EQ(d->EditYLabelStep->Text(), "12,5");
        d->CheckBoxShowRightScale->SetChecked(true);
        EXPECT_TRUE(d->EditRightYMin->Visible());
        EXPECT_TRUE(d->EditRightScaleStep->Visible());
        d->SetModalResult(mrCancel);
    });
    EXPECT_FALSE(EditGraphScales(c.g));
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_TRUE(c.g->AutoYScale());
    EXPECT_FALSE(c.g->ShowRightScale());
}

TEST_F(GraphStation, TheDialogSetsTheValuesInOrderAndStopsAtTextThatIsNoNumber) {
    struct Case {
        const char* what;
        const char* yMin;
        const char* yMax;
        const char* step;
        bool message;
        double wantMin, wantMax, wantStep;
        bool wantAutoMax, wantRight;
    } cases[] = {
        {"all numbers", "-10", "500", "100", false, -10, 500, 100, true, true},
        {"a letter in the step", "5", "400", "x", true, 5, 400, 25, false, false},
        {"a letter in the minimum", "a", "400", "50", true, 0, 150, 25, false, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ChartForm c;
        guitest::ModalDriver modal;
        guitest::MessageBoxRecorder boxes;
        modal.Then([&](TCustomForm* f) {
            auto* d = static_cast<TFormEditGraph*>(f);
            d->EditYMin->SetText(k.yMin);
            d->EditYMax->SetText(k.yMax);
            d->EditYLabelStep->SetText(k.step);
            d->EditRightYMin->SetText("300");
            d->CheckBoxAutoYMax->SetChecked(true);
            d->CheckBoxShowRightScale->SetChecked(true);
            d->BitBtn1->Click();
        });
        EXPECT_TRUE(EditGraphScales(c.g));
        EXPECT_EQ(boxes.Count(), k.message ? 1 : 0);
        if (k.message) {
            EXPECT_EQ(boxes.Last().Text, "Правильно вводите числа.");
            EXPECT_EQ(boxes.Last().Caption, "Ошибка");
        }
        EXPECT_DOUBLE_EQ(c.g->YMin(), k.wantMin);
        EXPECT_DOUBLE_EQ(c.g->YMax(), k.wantMax);
        EXPECT_DOUBLE_EQ(c.g->YLabelStep(), k.wantStep);
        EXPECT_EQ(c.g->AutoYMax(), k.wantAutoMax);
        EXPECT_EQ(c.g->ShowRightScale(), k.wantRight);
        EXPECT_EQ(c.g->RightYMax(), 50);  // the dialog has no edit for it
    }
    // Only a TLevelGraph opens the dialog.
    TPanel panel(nullptr);
    EXPECT_FALSE(EditGraphScales(&panel));
    EXPECT_FALSE(EditGraphScales(nullptr));
}

TEST_F(GraphStation, ScaleSectionsKeepTheRightScaleOnlyWhileItIsShown) {
    ChartForm c;
    std::string file = dir / "GraphTS_K.INI";
    {
        TIniFile ini{AnsiString(file)};
        SaveGraphScales(&ini, c.form.get());
        TStringList keys;
        ini.ReadSection("LevelGraphN", &keys);
        EXPECT_EQ(keys.Count(), 7);
        EXPECT_FALSE(ini.ValueExists("LevelGraphN", "RightYMax"));
    }
    // A chart that shows its right scale now keeps its right values when the old file loads.
    ChartForm d;
    d.g->SetShowRightScale(true);
    d.g->SetRightYMax(1500);
    {
        TIniFile ini{AnsiString(file)};
        ini.WriteFloat("LevelGraphN", "YMin", 7);
        ini.WriteFloat("LevelGraphN", "YMax", 7);
        ini.WriteBool("LevelGraphN", "ShowRightScale", true);
        LoadGraphScales(&ini, d.form.get());
    }
    EXPECT_EQ(d.g->RightYMax(), 1500);
    EXPECT_EQ(d.g->RightScaleStep(), 150);
    // Equal limits in the file come back 0.001 apart, as the chart keeps them.
    EXPECT_NEAR(d.g->YMin(), 6.999, 1e-12);
    EXPECT_DOUBLE_EQ(d.g->YMax(), 7);

    SaveGraphScales(nullptr, d.form.get());
    LoadGraphScales(nullptr, d.form.get());
}

TEST_F(GraphStation, LegendsAreDrawnIntoThePictureAtItsScale) {
    ChartForm c;
    auto* label = new TLabel(c.form.get());
    label->SetName("LabelLegend1");
    label->SetParent(c.g);
    label->SetAutoSize(false);
    label->SetBounds(100, 10, 200, 40);
    label->SetAlignment(taCenter);
    label->SetCaption("Давления проточки");
    label->Font()->SetHeight(-16);
    auto* arrow = new TArrow(c.form.get());
    arrow->SetName("ArrowLegend1");
    arrow->SetParent(c.g);
    arrow->SetBounds(10, 50, 30, 10);
    arrow->SetColor(clRed);
    arrow->SetArrowWidth(3);
    auto* hidden = new TLabel(c.form.get());
    hidden->SetName("LabelLegend2");
    hidden->SetParent(c.g);
    hidden->SetCaption("Исходное питание");
    hidden->SetVisible(false);
    auto* elsewhere = new TLabel(c.form.get());
    elsewhere->SetName("LabelLegend3");
    elsewhere->SetParent(c.form.get());
    elsewhere->SetCaption("не на графике");

    c.g->ExportImage(800, 300, true);  // twice the chart's width, one and a half its height
    TCanvasRecorder rec;
    TCanvasRecorder* previous = SetDefaultCanvasRecorder(&rec);
    DrawLegendToBitmap(c.g, c.form.get(), 15);
    SetDefaultCanvasRecorder(previous);

    std::vector<TCanvasOp> texts = rec.OfKind(TCanvasOpKind::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, "Давления");
    EXPECT_EQ(texts[1].Text, "проточки");
    for (const TCanvasOp& t : texts) {
        int width = 7 * 8;  // the recorder's fixed metrics: 7 pixels a character
        EXPECT_EQ(t.Points[0].x, (200 + (400 - width) / 2)) << t.Text;
        EXPECT_EQ(t.FontHeight, -16);
    }
    EXPECT_EQ(texts[0].Points[0].y, 15);
    EXPECT_EQ(texts[1].Points[0].y, 15 + 13 + 4);

    std::vector<TCanvasOp> lines = rec.OfKind(TCanvasOpKind::LineTo);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Points.front(), TPoint(20, 82));
    EXPECT_EQ(lines[0].Points.back(), TPoint(80, 82));
    EXPECT_EQ(lines[0].PenColor, clRed);
    EXPECT_EQ(lines[0].PenWidth, 3);
}

}  // namespace
