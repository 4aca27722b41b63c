// Painting: what shows on screen, when controls paint, and hints.
#include "gui/Buttons.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <QHelpEvent>
#include <QApplication>

#include <gtest/gtest.h>

namespace {

// Fills itself with one colour.
class TFill : public TGraphicControl {
public:
    TFill(TComponent* owner, TColor c) : TGraphicControl(owner), colour(c) {}
    TColor colour;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(colour);
        Canvas()->FillRect(ClientRect());
    }
};

struct Painting : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(200, 150);
        form->SetColor(clWhite);
    }
    void TearDown() override { form->Free(); }
};

TEST_F(Painting, GraphicControlsShowTheirParentWhereTheyDoNotPaintAndLieBelowPanels) {
    // A shape draws a circle only: the corners show the panel beneath it.
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 150);
    panel->SetColor(clNavy);
    panel->SetBevelOuter(bvNone);
    auto* lamp = new TShape(panel);
    lamp->SetParent(panel);
    lamp->SetBounds(10, 10, 15, 15);
    lamp->SetShape(stCircle);
    lamp->Brush()->SetColor(clLime);
    // A graphic control under a windowed sibling stays beneath it.
    auto* under = new TFill(panel, clRed);
    under->SetParent(panel);
    under->SetBounds(100, 100, 40, 40);
    auto* over = new TPanel(panel);
    over->SetParent(panel);
    over->SetBounds(120, 120, 40, 20);
    over->SetBevelOuter(bvNone);
    over->SetColor(clYellow);
    under->BringToFront();
    guitest::ShowForm(form);
    QImage img = guitest::Grab(form);
    EXPECT_EQ(guitest::PixelOf(img, 17, 17), clLime);   // the lamp's middle
    EXPECT_EQ(guitest::PixelOf(img, 10, 10), clNavy);   // its corner: the panel
    EXPECT_EQ(guitest::PixelOf(img, 105, 105), clRed);
    EXPECT_EQ(guitest::PixelOf(img, 125, 125), clYellow);  // the windowed panel on top
    EXPECT_EQ(guitest::PixelOf(img, 50, 50), clNavy);
}

TEST_F(Painting, RectangleShapeAndPanelBevel) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 100, 50);  // raised outer bevel
    auto* s = new TShape(form);
    s->SetParent(form);
    s->SetBounds(120, 10, 20, 10);
    s->Brush()->SetColor(clBlue);
    s->Pen()->SetColor(clRed);
    guitest::ShowForm(form);
    QImage img = guitest::Grab(form);
    EXPECT_EQ(guitest::PixelOf(img, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(guitest::PixelOf(img, 99, 49), ColorToRGB(clBtnShadow));
    EXPECT_EQ(guitest::PixelOf(img, 50, 25), ColorToRGB(clBtnFace));
    EXPECT_EQ(guitest::PixelOf(img, 120, 10), clRed);   // the pen takes the whole box
    EXPECT_EQ(guitest::PixelOf(img, 139, 19), clRed);
    EXPECT_EQ(guitest::PixelOf(img, 130, 15), clBlue);
    EXPECT_EQ(guitest::PixelOf(img, 140, 15), clWhite);
}

// Counts paints and draws a cross once painted.
class TCounted : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    TColor fill = clSilver;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(fill);
        Canvas()->FillRect(ClientRect());
    }
};

TEST_F(Painting, InvalidatePaintsLaterRepaintNowAndOutsideDrawingStays) {
    auto* c = new TCounted(form);
    c->SetParent(form);
    c->SetBounds(0, 0, 50, 50);
    guitest::ShowForm(form);
    int paints = c->PaintCount();
    c->Invalidate();
    c->Invalidate();
    EXPECT_EQ(c->PaintCount(), paints);
    guitest::Pump(20);
    EXPECT_EQ(c->PaintCount(), paints + 1);  // two requests, one paint
    c->fill = clGreen;
    c->Repaint();
    EXPECT_EQ(c->PaintCount(), paints + 2);
    // Drawing on the canvas outside Paint shows without a Paint...
    c->Canvas()->Pen()->SetColor(clRed);
    c->Canvas()->MoveTo(0, 10);
    c->Canvas()->LineTo(50, 10);
    QImage img = guitest::Grab(form);
    EXPECT_EQ(guitest::PixelOf(img, 20, 10), clRed);
    EXPECT_EQ(guitest::PixelOf(img, 20, 20), clGreen);
    EXPECT_EQ(c->PaintCount(), paints + 2);
    // ...until the control paints again.
    c->Repaint();
    EXPECT_EQ(guitest::PixelOf(guitest::Grab(form), 20, 10), clGreen);
}

TEST_F(Painting, FormPaintsItsColourAndOnPaint) {
    form->SetColor(clTeal);
    form->OnPaint = [this](TObject*) {
        form->Canvas()->Brush()->SetColor(clRed);
        form->Canvas()->FillRect(TRect(0, 0, 10, 10));
    };
    guitest::ShowForm(form);
    QImage img = guitest::Grab(form);
    EXPECT_EQ(guitest::PixelOf(img, 5, 5), clRed);
    EXPECT_EQ(guitest::PixelOf(img, 50, 50), clTeal);
}

TEST_F(Painting, LabelsDrawTheirTextOnTheirColourOrTransparently) {
    form->SetColor(clBlue);
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetCaption("ГЛАВНОЕ МЕНЮ");
    l->Font()->SetHeight(-32);
    l->Font()->SetColor(clYellow);
    l->SetTransparent(true);
    guitest::ShowForm(form);
    QImage img = guitest::Grab(form);
    int yellow = 0;
    for (int y = 0; y < l->Height(); ++y)
        for (int x = 0; x < l->Width(); ++x) {
            TColor p = guitest::PixelOf(img, x, y);
            EXPECT_TRUE(p != ColorToRGB(clBtnFace)) << x << "," << y;
            if (p == clYellow) ++yellow;
        }
    EXPECT_GT(yellow, 50);
    EXPECT_EQ(guitest::PixelOf(img, 0, 0), clBlue);
}

TEST_F(Painting, HintsShowTheShortTextAndCanBeChanged) {
    auto* b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetHint("Печать|Печать графиков на принтере");
    b->SetShowHint(true);
    guitest::ShowForm(form);
    int savedPause = Application->HintPause();
    Application->SetHintPause(0);
    guitest::MouseMove(b, TPoint(5, 5));
    Application->SetHintPause(savedPause);
    ASSERT_TRUE(guitest::WaitFor([] { return Application->HintWindow() && Application->HintWindow()->IsShowing(); }));
    THintWindow* hw = Application->HintWindow();
    EXPECT_EQ(hw->Caption(), "Печать");
    Application->CancelHint();
    EXPECT_FALSE(hw->IsShowing());
    // A control without ShowHint shows nothing.
    b->SetShowHint(false);
    guitest::MouseMove(b, TPoint(6, 6));
    EXPECT_FALSE(hw->IsShowing());
    QPoint g = b->Widget()->mapToGlobal(QPoint(5, 5));
    // The long part goes to Application->Hint when the pointer enters.
    AnsiString longHint;
    Application->SetHint("");
    Application->OnHint = [&](TObject*) { longHint = Application->Hint(); };
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(g));
    QApplication::sendEvent(b->Widget(), &enter);
    Application->OnHint = nullptr;
    EXPECT_EQ(longHint, "Печать графиков на принтере");
}

}  // namespace
