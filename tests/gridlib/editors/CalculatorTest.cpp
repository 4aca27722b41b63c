// The calculator: key sequences and what the display shows, the equal button's caption, copy and
// paste, scaling with the screen, and the popup closing through its owner on Enter and Esc.
#include "gridlib/editors/CalculatorGx.h"

#include "gui/Clipbrd.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

// Types a sequence: '\b' Backspace, '\r' Enter, other characters as they are.
void keys(TCalculatorGx* c, const char* seq) {
    for (const char* p = seq; *p; ++p) c->ProcessKey(static_cast<WideChar>(static_cast<unsigned char>(*p)));
}

struct CalculatorFixture : ::testing::Test {
    TForm* form = nullptr;
    TCalculatorGx* calc = nullptr;
    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 200);
        calc = new TCalculatorGx(form);
        calc->SetParent(form);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
};

TEST_F(CalculatorFixture, KeySequencesShowTheirResults) {
    struct Case {
        const char* keys;
        const char* display;
        const char* equal;
    } cases[] = {
        {"7+8=", "15", "Ok"},
        {"7+8", "8", "="},
        {"7+", "7", "Ok"},
        {"50+10%", "55", "Ok"},
        {"50*10%", "5", "Ok"},
        {"50-10%", "45", "Ok"},
        {"1/0=", "Error", "Ok"},
        {"1/0=5+", "Error", "Ok"},  // every key but C is ignored in the error state
        {"1/0=C", "0", "Ok"},
        {"1234567890123456", "123456789012345", "Ok"},  // 15 digits at most
        {"1I234567890123456", "-123456789012345", "Ok"},  // the minus sign takes one more place
        {"5I\b", "0", "Ok"},
        {"12\b", "1", "Ok"},
        {"0I", "0", "Ok"},  // a negated zero is no "-0"
        {"1,5+1.5=", "3", "Ok"},
        {"1..5", "1,5", "Ok"},  // one separator, the locale's
        {"4R", "0,25", "Ok"},
        {"0R", "Error", "Ok"},
        {"4IS", "Error", "Ok"},
        {"9S", "3", "Ok"},
        {"2*3=*4=", "24", "Ok"},
        {"0-5", "5", "="},  // pending although the first operand is 0
        {"0-5=", "-5", "Ok"},
        {"0*5=", "0", "Ok"},
        {"12A", "12", "Ok"},  // the "Cancel" key does nothing
    };
    for (const Case& c : cases) {
        calc->Clear();
        keys(calc, c.keys);
        EXPECT_EQ(calc->DisplayText(), c.display) << c.keys;
        EXPECT_EQ(calc->EqualCaption(), c.equal) << c.keys;
    }
}

TEST_F(CalculatorFixture, ButtonsTheDeleteKeyAndTheWheelSendTheirKeys) {
    auto click = [&](WideChar k) {
        TSpeedButtonGx* b = calc->ButtonOfKey(k);
        ASSERT_NE(b, nullptr) << char(k);
        guitest::Click(b);
    };
    click('7');
    click('+');
    click('8');
    EXPECT_EQ(calc->EqualCaption(), "=");
    click('=');
    EXPECT_EQ(calc->DisplayText(), "15");
    guitest::Wheel(calc, TPoint(90, 10), 120);
    EXPECT_EQ(calc->DisplayText(), "16");
    guitest::Wheel(calc, TPoint(90, 10), -120);
    guitest::Wheel(calc, TPoint(90, 10), -120);
    EXPECT_EQ(calc->DisplayText(), "14");
    calc->Perform(WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(calc->DisplayText(), "0");
}

TEST_F(CalculatorFixture, CopyAndPasteGoThroughTheClipboardText) {
    keys(calc, "12,5");
    calc->ProcessKey(3);
    EXPECT_EQ(Clipboard()->AsText(), "12,5");
    Clipboard()->SetAsText(" 7,25 ");
    calc->ProcessKey(22);
    EXPECT_EQ(calc->DisplayText(), "7,25");
    keys(calc, "+1=");  // a pasted number counts as typed
    EXPECT_EQ(calc->DisplayText(), "8,25");
    Clipboard()->SetAsText("not a number");
    calc->ProcessKey(22);  // no exception, nothing changes
    EXPECT_EQ(calc->DisplayText(), "8,25");
    EXPECT_DOUBLE_EQ(calc->DisplayValue(), 8.25);
}

TEST_F(CalculatorFixture, TheLayoutScalesWithTheScreensPixelsPerInch) {
    const int w96 = calc->ClientWidth(), h96 = calc->ClientHeight();
    const int saved = Screen->PixelsPerInch();
    Screen->SetPixelsPerInch(192);
    auto* big = new TCalculatorGx(form);
    Screen->SetPixelsPerInch(saved);
    EXPECT_GT(big->ClientWidth(), w96 * 3 / 2);
    EXPECT_GT(big->ClientHeight(), h96 * 3 / 2);
    // The display still spans the buttons below it.
    EXPECT_LE(big->spEqual->Left() + big->spEqual->Width(), big->ClientWidth());
    EXPECT_LE(big->spEqual->Top() + big->spEqual->Height(), big->ClientHeight());
}

// An owner that records how it is asked to close.
class FakeComboOwner : public TComponent, public IComboEditGx {
public:
    FakeComboOwner() : TComponent(nullptr) {}
    void CloseUp(bool accept) override { closes.push_back(accept); }
    std::vector<bool> closes;
};

TEST(PopupCalculator, EnterClosesAcceptingOnlyWithNothingPendingEscCancels) {
    guitest::EnsureApp();
    FakeComboOwner owner;
    auto* popup = new TPopupCalculatorGx(&owner);
    EXPECT_FALSE(popup->CanFocus());
    EXPECT_TRUE(popup->GetFlat());
    EXPECT_EQ(popup->Width(), popup->ClientWidth() + 4);  // the two-pixel 3D frame

    // "0 - 5": the first Enter computes, the second closes accepting -5.
    popup->SetValue(Variant(0.0));
    keys(popup, "-5");
    EXPECT_FALSE(popup->GetEnterCanClose());
    popup->ProcessKey('\r');
    EXPECT_TRUE(owner.closes.empty());
    EXPECT_EQ(popup->GetValue(), Variant(-5.0));
    popup->ProcessKey('\r');
    EXPECT_EQ(owner.closes, std::vector<bool>{true});

    owner.closes.clear();
    popup->SetValue(Variant(0.0));
    keys(popup, "*5\r");
    EXPECT_EQ(popup->GetValue(), Variant(0.0));
    keys(popup, "=");
    EXPECT_EQ(owner.closes, std::vector<bool>{true});

    owner.closes.clear();
    popup->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(owner.closes, std::vector<bool>{false});

    popup->SetValue(Variant(1.0));
    keys(popup, "/0=");
    EXPECT_TRUE(VarIsError(popup->GetValue()));
    popup->SetValue(Variant(2.5));
    EXPECT_EQ(popup->DisplayText(), "2,5");
    popup->SetFlat(false);
    EXPECT_FALSE(popup->spEqual->Flat());
    delete popup;
}

TEST(PopupCalculator, AnEditorsTextOpensItAndOnlyANumberComesBack) {
    guitest::EnsureApp();
    struct Case {
        const char* text;
        bool null;
        double value;
    } cases[] = {{"", true, 0}, {"  ", true, 0}, {"12,5", false, 12.5}, {"12.5", false, 12.5},
                 {"1\xC2\xA0" "234", false, 1234}, {"abc", true, 0}};
    for (const Case& c : cases) {
        const Variant v = CalculatorStartValue(c.text);
        EXPECT_EQ(VarIsNull(v), c.null) << c.text;
        if (!c.null) { EXPECT_DOUBLE_EQ(v.AsDouble(), c.value) << c.text; }
    }
    FakeComboOwner owner;
    auto* popup = new TPopupCalculatorGx(&owner);
    popup->SetValue(CalculatorStartValue("7"));
    keys(popup, "/2=");
    AnsiString text = "old";
    EXPECT_TRUE(CalculatorResultText(popup, text));
    EXPECT_EQ(text, "3,5");
    keys(popup, "/0=");
    text = "old";
    EXPECT_FALSE(CalculatorResultText(popup, text));
    EXPECT_EQ(text, "old");
    delete popup;
}

}  // namespace
