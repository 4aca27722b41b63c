// Calls worker threads make into the GUI layer: beeps, message boxes and posted messages.
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(WorkerThreads, BeepsAreCountedFromManyThreadsAtOnce) {
    ResetBeepCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 25; ++i) MessageBeep(static_cast<UINT>(-1));
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(BeepCount(), 100);
    guitest::Pump();
}

TEST(WorkerThreads, BoxesFromSeveralThreadsAreAnsweredOneByOne) {
    guitest::MessageBoxRecorder boxes;
    boxes.OnBox = [](const TMessageBoxRequest& r) { return r.Text == "2" ? IDNO : IDYES; };
    std::atomic<int> yes{0}, no{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            int a = MessageBox(nullptr, AnsiString(IntToStr(t)), "Вопрос", MB_YESNO);
            (a == IDYES ? yes : no)++;
        });
    ASSERT_TRUE(guitest::WaitFor([&] { return boxes.Count() == 3; }));
    for (auto& t : threads) t.join();
    EXPECT_EQ(yes.load(), 2);
    EXPECT_EQ(no.load(), 1);
}

// Records the private messages it gets.
class TTarget : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<WPARAM> got;

protected:
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_USER + 7) {
            got.push_back(m.WParam);
            return;
        }
        TCustomControl::Dispatch(m);
    }
};

TEST(WorkerThreads, PostedMessagesArriveOnTheGuiThreadInOrder) {
    auto* f = new TForm(nullptr);
    auto* t = new TTarget(f);
    t->SetParent(f);
    std::thread worker([t] {
        for (WPARAM i = 0; i < 50; ++i) PostMessage(t, WM_USER + 7, i, 0);
    });
    worker.join();
    ASSERT_TRUE(guitest::WaitFor([&] { return t->got.size() == 50; }));
    for (WPARAM i = 0; i < 50; ++i) EXPECT_EQ(t->got[i], i);
    f->Free();
}

}  // namespace
