// The link consoles' uptime counts from this run's start of their thread, from the first tick on: never
// from an earlier run's start, nor from the day count 0 before the thread has set its own.
#include "links/FormPUF_Link.h"
#include "links/FormV120_Link.h"
#include "links/PufThread.h"
#include "links/VisionThread.h"
#include "puf_station.h"
#include "testlib/VisionStation.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

using namespace puftest;

namespace {

// What an earlier run (or the first one, at 0) left in the start time.
const double kEarlierStarts[] = {0, -2.5};

class PufUptimeTest : public ThreadStationTest {
protected:
    testlib::TestClock clock;
};

TEST_F(PufUptimeTest, CountsFromThisRunsStart) {
    auto* console = new TFormPUF_Link(nullptr);
    console->TimerUpdate->SetEnabled(false);  // ticks are driven here
    for (double earlier : kEarlierStarts) {
        clock.Set(10, 0, 0);
        form->PufStartTime.store(earlier == 0 ? 0 : clock.Get() + earlier);
        Start();
        console->TimerUpdateTimer(nullptr);
        EXPECT_EQ(console->LabelWorkTime->Caption(), " 00 минут.") << earlier;
        clock.Set(11, 1, 30);
        console->TimerUpdateTimer(nullptr);
        EXPECT_EQ(console->LabelWorkTime->Caption(), "1 час  01 минут.") << earlier;
        StopAndJoin();
    }
    delete console;
}

class VisionUptimeTest : public visiontest::VisionStationTest {};

TEST_F(VisionUptimeTest, CountsFromThisRunsStart) {
    auto* console = NewForm<TFormV120_Link>(nullptr);
    for (double earlier : kEarlierStarts) {
        clock.Set(10, 0, 0);
        form->V120StartTime.store(earlier == 0 ? 0 : clock.Get() + earlier);
        ASSERT_TRUE(StartVisionThread(form));
        ASSERT_TRUE(WaitUntil([&] { return form->V120ThreadActive.load(); }));
        console->TimerUpdateTimer(nullptr);
        EXPECT_EQ(console->LabelWorkTime->Caption(), " 00 минут.") << earlier;
        ASSERT_TRUE(StopVisionThread(form));
    }
    console->Free();
    guitest::FlushDeletes();
}

}  // namespace
