// Natively painted controls that paint too, keys and the wheel sent by code to native widgets, and
// the several-line form of an edit.
#include "gui/Forms.h"
#include "gui/ExtCtrls.h"
#include "gui/Mask.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An edit that draws a mark of its own, over the native picture or instead of it.
class MarkedEdit : public TEdit {
public:
    explicit MarkedEdit(TComponent* owner) : TEdit(owner) {}
    bool nativeFirst = true;
    bool border = false;
    bool PaintsOverNative() const override { return true; }

protected:
    void WMPaint(TMessage& m) override {
        auto* c = reinterpret_cast<TCanvas*>(m.WParam);
        ASSERT_NE(c, nullptr);
        if (nativeFirst) DefaultHandler(m);
        c->Brush()->SetColor(clRed);
        c->FillRect(TRect(0, 0, 6, ClientHeight()));
    }
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_NCPAINT && border) {
            HDC dc = GetWindowDC(Handle());
            ASSERT_NE(dc, nullptr);
            dc->Brush()->SetColor(clLime);
            dc->FrameRect(TRect(0, 0, Width(), Height()));
            ReleaseDC(Handle(), dc);
            m.Result = 1;
            return;
        }
        TEdit::Dispatch(m);
    }
};

struct NativeFixture : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 200);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
};

TEST_F(NativeFixture, APaintOverTheNativeWidgetOrInsteadOfIt) {
    auto* e = new MarkedEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 120, 24);
    e->SetText("WWWWWW");
    guitest::ShowForm(form);
    e->SetSelStart(0);
    e->Invalidate();
    QImage over = guitest::Grab(e);
    EXPECT_EQ(guitest::PixelOf(over, 3, 12), clRed);
    // The native text is there beside the mark.
    bool dark = false;
    for (int x = 8; x < 100 && !dark; ++x)
        if (qGray(over.pixel(x, 12)) < 100) dark = true;
    EXPECT_TRUE(dark);

    e->nativeFirst = false;
    e->SetColor(clYellow);
    e->Invalidate();
    QImage own = guitest::Grab(e);
    EXPECT_EQ(guitest::PixelOf(own, 3, 12), clRed);
    EXPECT_EQ(guitest::PixelOf(own, 60, 12), clYellow);  // no native text: the control's colour

    e->border = true;
    e->Invalidate();
    QImage framed = guitest::Grab(e);
    EXPECT_EQ(guitest::PixelOf(framed, 60, 0), clLime);
    EXPECT_EQ(guitest::PixelOf(framed, e->Width() - 1, 12), clLime);
}

TEST_F(NativeFixture, KeysCharactersAndTheWheelSentByCodeReachTheWidget) {
    auto* list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 10, 100, 60);
    for (int i = 0; i < 30; ++i) list->Items()->Add("row " + IntToStr(i));
    auto* e = new TEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 100, 100, 24);
    guitest::ShowForm(form);
    list->SetItemIndex(0);
    list->Perform(WM_KEYDOWN, VK_DOWN, 0);
    list->Perform(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(list->ItemIndex(), 2);
    const TPoint centre = list->ClientToScreen(TPoint(50, 30));
    list->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(centre.x, centre.y));
    EXPECT_GT(list->TopIndex(), 0);

    e->Perform(WM_CHAR, 'x', 0);
    e->Perform(WM_CHAR, 'y', 0);
    e->Perform(WM_CHAR, VK_BACK, 0);  // a control character types nothing
    EXPECT_EQ(e->Text(), "xy");
    e->Perform(WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(e->SelStart(), 0);
}

TEST_F(NativeFixture, TheSeveralLineFormKeepsTextStateAndChildren) {
    auto* e = new TMaskEdit(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 120, 60);
    auto* child = new TPanel(form);
    child->SetParent(e);
    child->SetBounds(100, 0, 20, 20);
    e->SetText("first second third");
    e->SetReadOnly(true);
    guitest::ShowForm(form);
    e->SetMultiLine(true, true);
    EXPECT_TRUE(e->MultiLine());
    EXPECT_EQ(e->Text(), "first second third");
    EXPECT_TRUE(e->ReadOnly());
    EXPECT_EQ(child->Widget()->parentWidget(), e->Widget());
    EXPECT_TRUE(child->Widget()->isVisible());
    EXPECT_EQ(e->BoundsRect(), TRect(10, 10, 130, 70));
    e->SetReadOnly(false);
    e->SetFocus();
    guitest::Pump();
    EXPECT_TRUE(e->Focused());
    e->SetSelStart(5);
    e->Perform(WM_CHAR, '\r', 0);
    EXPECT_EQ(e->Text(), "first\r\n second third");
    e->SetMultiLine(false, false);
    EXPECT_FALSE(e->MultiLine());
    EXPECT_EQ(e->Text(), "first  second third");
    EXPECT_TRUE(e->Focused());

    // A mask types in the several-line form as well.
    e->SetEditMask("00-00;1;_");
    e->SetMultiLine(true, true);
    e->SetText("");
    e->SetSelStart(0);
    guitest::Type("1234", e);
    EXPECT_EQ(e->EditText(), "12-34");
}

}  // namespace
