// When hints show and go: the pause a control may shorten, the area a hint stays up in, asking
// again, and a hint window class of the hint's own.
#include "gui/Forms.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

namespace {

// A hint window of its own class; remembers the data its size was computed with.
class TTipWindow : public THintWindow {
public:
    explicit TTipWindow(TComponent* owner) : THintWindow(owner) {}
    void* lastData = nullptr;
    TRect CalcHintRect(int maxWidth, const AnsiString& hint, void* data) override {
        lastData = data;
        return THintWindow::CalcHintRect(maxWidth, hint, data);
    }
};

// 200 x 100 in three places, the way a grid has cells: A (top left) and B (top right) show their
// hint at once, in the application's window and in a TTipWindow; the bottom half keeps the pause
// it is offered.
class TPlaces : public TCustomControl {
public:
    explicit TPlaces(TComponent* owner) : TCustomControl(owner) { SetShowHint(true); }
    TPoint pointer;
    std::vector<int> offeredPauses;
    std::vector<WPARAM> wasShowing;
    int asked = 0;
    int reshowMs = 0;
    int tipData = 0;

    static TRect placeA() { return TRect(0, 0, 100, 50); }
    static TRect placeB() { return TRect(100, 0, 200, 50); }
    static TRect slow() { return TRect(0, 50, 200, 100); }

protected:
    void MouseMove(TShiftState shift, int x, int y) override {
        pointer = TPoint(x, y);
        TCustomControl::MouseMove(shift, x, y);
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == CM_HINTSHOWPAUSE) {
            int* pause = reinterpret_cast<int*>(m.LParam);
            offeredPauses.push_back(*pause);
            wasShowing.push_back(m.WParam);
            if (!PtInRect(slow(), pointer)) *pause = 0;
            return;
        }
        if (m.Msg == CM_HINTSHOW) {
            auto* info = reinterpret_cast<THintInfo*>(m.LParam);
            ++asked;
            bool a = PtInRect(placeA(), info->CursorPos);
            bool b = PtInRect(placeB(), info->CursorPos);
            if (!a && !b) {
                info->CursorRect = slow();
                m.Result = 1;
                return;
            }
            info->HintStr = (a ? "A " : "B ") + std::to_string(asked);
            info->CursorRect = a ? placeA() : placeB();
            info->ReshowTimeout = reshowMs;
            if (b) {
                info->HintWindowClass = HintWindowClassOf<TTipWindow>();
                info->HintData = &tipData;
            }
            return;
        }
        TCustomControl::WndProc(m);
    }
};

struct HintTiming : ::testing::Test {
    TForm* form = nullptr;
    TPlaces* places = nullptr;
    int savedPause = 0, savedShortPause = 0;

    void SetUp() override {
        savedPause = Application->HintPause();
        savedShortPause = Application->HintShortPause();
        // No hint of this test may wait for its pause to end: a shown hint came at once.
        Application->SetHintPause(600000);
        Application->SetHintShortPause(500000);
        form = new TForm(nullptr);
        form->SetClientSize(300, 200);
        places = new TPlaces(form);
        places->SetParent(form);
        places->SetBounds(10, 10, 200, 100);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        Application->CancelHint();
        form->Free();
        Application->SetHintPause(savedPause);
        Application->SetHintShortPause(savedShortPause);
    }
    static bool showing() { return Application->HintWindow() && Application->HintWindow()->IsShowing(); }
};

TEST_F(HintTiming, PauseZeroShowsAtOnceLeavingCursorRectHidesAndEachHintHasItsWindowClass) {
    struct Move {
        TPoint at;
        int offered;      // the pause the control was offered; -1: not asked
        WPARAM wasShowing;
        const char* hint;  // nullptr: no hint shows
        bool ownClass;
    } moves[] = {
        {TPoint(10, 10), 600000, 0, "A 1", false},
        // Moving inside the hint's area changes nothing.
        {TPoint(60, 30), -1, 0, "A 1", false},
        // Out of it: the hint goes at once, and the bottom keeps the long pause.
        {TPoint(60, 70), 500000, 1, nullptr, false},
        // A hint showed on this control: the short pause, which B shortens to none.
        {TPoint(150, 20), 500000, 1, "B 2", true},
        {TPoint(20, 20), 500000, 1, "A 3", false},
    };
    std::size_t pauses = 0;
    for (const Move& mv : moves) {
        SCOPED_TRACE(std::to_string(mv.at.x) + "," + std::to_string(mv.at.y));
        guitest::MouseMove(places, mv.at);
        if (mv.offered >= 0) {
            ASSERT_EQ(places->offeredPauses.size(), pauses + 1);
            EXPECT_EQ(places->offeredPauses.back(), mv.offered);
            EXPECT_EQ(places->wasShowing.back(), mv.wasShowing);
            pauses = places->offeredPauses.size();
        } else {
            EXPECT_EQ(places->offeredPauses.size(), pauses);
        }
        if (!mv.hint) {
            EXPECT_FALSE(showing());
            continue;
        }
        ASSERT_TRUE(guitest::WaitFor([&] { return showing() && Application->HintWindow()->Caption() == mv.hint; }));
        THintWindow* w = Application->HintWindow();
        if (mv.ownClass) {
            auto* tip = dynamic_cast<TTipWindow*>(w);
            ASSERT_NE(tip, nullptr);
            EXPECT_EQ(tip->lastData, &places->tipData);
        } else {
            EXPECT_EQ(typeid(*w), typeid(THintWindow));
        }
    }
}

TEST_F(HintTiming, ReshowTimeoutAsksTheControlAgain) {
    places->reshowMs = 1;
    guitest::MouseMove(places, TPoint(10, 10));
    // Each asking shows the text the control gave then.
    ASSERT_TRUE(guitest::WaitFor([&] {
        return places->asked >= 3 && showing() && Application->HintWindow()->Caption() == "A " + std::to_string(places->asked);
    }));
    // Asked again without a new pause.
    EXPECT_EQ(places->offeredPauses.size(), 1u);
}

}  // namespace
