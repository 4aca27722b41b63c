// A serial device that goes away under a running link thread (a USB adapter pulled out) and comes
// back: the link closes its port, the thread posts the loss once and opens the port again by itself.
// The port name is a link to the simulated controller's pseudo-terminal, as a station names its adapter
// by a stable path; the test removes the terminal and then points the link at a new one.
#include "links/PufThread.h"
#include "links/VisionLink.h"
#include "links/VisionThread.h"
#include "PufStation.h"
#include "testlib/VisionStation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace puftest;

namespace {

// Points the stable port name at a device.
void PointPortAt(const std::string& port, const std::string& device) {
    std::error_code ec;
    std::filesystem::remove(port, ec);
    std::filesystem::create_symlink(device, port);
}

// The stable name goes with the device, as the system removes it when an adapter is pulled out. Left in
// place it would point at a terminal number the next simulator of a parallel test may be given.
void Unplug(const std::string& port) {
    std::error_code ec;
    std::filesystem::remove(port, ec);
}

long long Mentions(const std::vector<std::string>& events, const std::string& text) {
    return std::count_if(events.begin(), events.end(), [&](const std::string& e) { return e.find(text) != std::string::npos; });
}

class PufDeviceLossTest : public ThreadStationTest {};

TEST_F(PufDeviceLossTest, APortWhoseDeviceVanishesIsOpenedAgainWhenItComesBack) {
    const std::string port = folder / "ttyPUF";
    PointPortAt(port, sim.SlavePath());
    form->PufComPort = port.c_str();
    sim.AddRecord("2024-05-01 09:00:00");
    Start();
    ASSERT_TRUE(sim.WaitForAcknowledged(1, std::chrono::seconds(30)));

    // The adapter is pulled out: its terminal goes, and the link closes its port.
    sim.Stop();
    Unplug(port);
    ASSERT_TRUE(WaitUntil([&] { return !form->ICPLinkPUF->Active(); }, 30000));
    EXPECT_TRUE(form->ICPLinkPUF->DeviceLost());
    // The thread tries again every cycle while the device is away.
    const int tries = form->ICPLinkPUF->ErrorCounter();
    ASSERT_TRUE(WaitUntil([&] { return form->ICPLinkPUF->ErrorCounter() >= tries + 3; }, 30000));

    // Plugged in again (under another terminal): the thread opens the port and the records flow.
    sim.AddRecord("2024-05-01 09:01:00");
    ASSERT_TRUE(sim.StartPty()) << sim.LastError();
    PointPortAt(port, sim.SlavePath());
    ASSERT_TRUE(sim.WaitForAcknowledged(2, std::chrono::seconds(30)));
    EXPECT_TRUE(form->ICPLinkPUF->Active());
    EXPECT_FALSE(form->ICPLinkPUF->DeviceLost());
    EXPECT_TRUE(form->PufThreadActive.load());
    StopAndJoin();
    // The loss was posted once, however many cycles it lasted.
    const std::vector<std::string> events = TakeEvents();
    EXPECT_EQ(Mentions(events, "Поток связи c ПУФ: Потеряно устройство порта " + port), 1) << events.size();
    EXPECT_EQ(events.size(), 1u);
}

class VisionDeviceLossTest : public visiontest::VisionStationTest {};

TEST_F(VisionDeviceLossTest, APortWhoseDeviceVanishesIsOpenedAgainWhenItComesBack) {
    const std::string port = folder / "ttyV120";
    PointPortAt(port, sim->SlavePath());
    form->V120ComPort = port.c_str();
    clock.Set(11, 0, 0);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "11:00:00") == 1; }));

    sim->Stop();
    Unplug(port);
    ASSERT_TRUE(WaitUntil([&] { return !form->VisionLink->Active(); }, 30000));
    const int tries = form->VisionLink->ErrorCounter();
    ASSERT_TRUE(WaitUntil([&] { return form->VisionLink->ErrorCounter() >= tries + 3; }, 30000));

    sim->Start();
    PointPortAt(port, sim->SlavePath());
    clock.Set(11, 1, 0);
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "11:01:00") == 1 && RowsOf("pug", "11:01:00") == 1; }, 30000));
    EXPECT_TRUE(form->VisionLink->Active());
    EXPECT_TRUE(form->V120ThreadActive.load());
    StopVisionThread(form);
    const std::vector<std::string> events = testlib::TakeEvents();
    EXPECT_EQ(Mentions(events, "Поток связи c Vision: Потеряно устройство порта " + port), 1) << testing::PrintToString(events);
    EXPECT_EQ(events.size(), 1u);
}

}  // namespace
