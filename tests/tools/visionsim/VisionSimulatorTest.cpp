#include "tools/visionsim/VisionSimulator.h"

#include "tools/visionsim/PtyClient.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <mutex>

using namespace visionsim;
using namespace std::chrono_literals;

namespace {

SimulatorConfig FixedConfig() {
    SimulatorConfig c;
    c.hydroSwingPercent = 0;
    c.beltFlowTph = {std::nullopt, std::nullopt};
    c.beltRunning = {true, false};
    return c;
}

uint32_t HexValue(const std::string& s) { return static_cast<uint32_t>(std::stoul(s, nullptr, 16)); }

}  // namespace

TEST(VisionSimulator, AnswersOneWorkerCycleOverThePty) {
    VisionSimulator sim(FixedConfig());
    sim.SetInt(1, belt::kLoad, 250);
    sim.SetInt(1, belt::kLoad + 1, 400);
    sim.SetLong(1, belt::kCounter, 1000290);
    sim.SetLong(1, belt::kCounter + 1, 1000770);
    sim.SetHydroValue(0, 1250);
    sim.SetHydroValue(1, 400);
    sim.SetHydroValue(2, 1320);
    sim.SetHydroValue(3, 180);
    sim.Start();
    PtyClient link(sim.SlavePath());

    struct Step {
        const char* request;
        const char* reply;   // exact where worked by hand
        uint32_t value;      // otherwise the one value the reply carries
    } cycle[] = {
        {"/01RB000A0228", "/A01RB1056\r", 0},
        {"/01RW00320231", "/A01RW00FA0190BB\r", 0},
        {"/01RNL00320274", "/A01RN000F4362000F45424B\r", 0},
        {"/02RW00370136", "/A02RW04E2E6\r", 0},
        {"/02RW00410131", nullptr, 400},
        {"/02RW00050131", nullptr, 1320},
        {"/02RW00040130", nullptr, 180},
    };
    for (const Step& s : cycle) {
        link.Send(std::string(s.request) + "\r");
        std::optional<std::string> reply = link.ReadLine();
        ASSERT_TRUE(reply) << s.request;
        if (s.reply) {
            EXPECT_EQ(*reply, s.reply);
        } else {
            ASSERT_EQ(reply->size(), 13u) << *reply;
            EXPECT_EQ(reply->substr(0, 7), "/A02RW0") << *reply;
            EXPECT_EQ(HexValue(reply->substr(6, 4)), s.value) << *reply;
        }
    }
    EXPECT_EQ(sim.RequestCount(1, "RB"), 1);
    EXPECT_EQ(sim.RequestCount(1, "RW"), 1);
    EXPECT_EQ(sim.RequestCount(1, "RNL"), 1);
    EXPECT_EQ(sim.RequestCount(2, "RW"), 4);
    std::vector<FrameRecord> frames = sim.Frames();
    ASSERT_EQ(frames.size(), 7u);
    for (const FrameRecord& f : frames) {
        // never at once: the link purges its input right after writing
        // the moments are doubles on a large clock: the difference can miss the whole delay by an ulp
        EXPECT_GE(f.replyDueMs - f.receivedMs, 10 - 1e-3) << f.request;
        EXPECT_LE(f.replyDueMs - f.receivedMs, 20 + 1e-3) << f.request;
        EXPECT_EQ(f.disposition, Disposition::Answered);
    }
    EXPECT_EQ(frames[2].request, "/01RNL00320274");
    EXPECT_EQ(frames[2].command, "RNL");
}

TEST(VisionSimulator, WritesReachTheOperandsAndTheWriteLog) {
    VisionSimulator sim(FixedConfig());
    sim.Start();
    PtyClient link(sim.SlavePath());
    const char* writes[] = {"/01SB0014011", "/01SW0190020007FFFF", "/02SNL000A01FFFFFFFE"};
    for (const char* w : writes) {
        std::string body = std::string(w).substr(1);
        link.Send(w + PcomChecksum(body) + "\r");
        ASSERT_TRUE(link.ReadLine()) << w;
    }
    std::vector<WriteRecord> log = sim.Writes();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].unit, 1);
    EXPECT_EQ(log[0].space, Space::Bit);
    EXPECT_EQ(log[0].address, belt::kStartRun);
    EXPECT_EQ(log[2].address, 401);
    EXPECT_EQ(log[2].value, 0xFFFF);
    EXPECT_EQ(log[3].unit, 2);
    EXPECT_EQ(log[3].value, -2);
    EXPECT_EQ(sim.GetInt(1, 400), 7);
    EXPECT_EQ(sim.GetLong(2, 10), -2);
    // the start request was taken at once: a belt-weight run is going on the running belt
    EXPECT_FALSE(sim.GetBit(1, belt::kStartRun));
    EXPECT_TRUE(sim.GetBit(1, belt::kRunActive));
}

TEST(VisionSimulator, LineHandlingOfNoiseAndCutFrames) {
    VisionSimulator sim(FixedConfig());
    sim.Start();
    PtyClient link(sim.SlavePath());
    // noise before the frame, a line feed after it, a frame cut short by the next one, bytes one at a time
    std::string bytes = "\x05xx/01R/01RB000A0228\r\n";
    for (char c : bytes) link.Send(std::string(1, c));
    EXPECT_EQ(link.ReadLine(), "/A01RB1056\r");
    ASSERT_TRUE(sim.WaitForFrames(2, 2s));
    std::vector<FrameRecord> frames = sim.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].request, "/01R");
    EXPECT_EQ(frames[0].disposition, Disposition::Malformed);
    EXPECT_EQ(frames[1].disposition, Disposition::Answered);
}

TEST(VisionSimulator, ReplyTimingFaults) {
    SimulatorConfig c = FixedConfig();
    c.replyDelayMinMs = c.replyDelayMaxMs = 0;
    c.longDelayMs = 1200;
    c.trickleByteMs = 100;
    VisionSimulator sim(c);
    sim.Start();
    PtyClient link(sim.SlavePath());

    link.Send("/01RB000A0228\r");
    EXPECT_EQ(link.ReadLine(), "/A01RB1056\r");

    sim.QueueFault(Fault::LongDelay);
    link.Send("/01RB000A0228\r");
    EXPECT_EQ(link.ReadLine(), "/A01RB1056\r");

    sim.QueueFault(Fault::Trickle);
    int readsBefore = link.ReadCalls();
    link.Send("/01RB000A0228\r");
    EXPECT_EQ(link.ReadLine(), "/A01RB1056\r");
    EXPECT_GT(link.ReadCalls() - readsBefore, 1);  // it came in pieces

    std::vector<FrameRecord> f = sim.Frames();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].replyDueMs, f[0].receivedMs);
    EXPECT_EQ(f[1].fault, Fault::LongDelay);
    EXPECT_NEAR(f[1].replyDueMs - f[1].receivedMs, 1200, 1e-3);
    EXPECT_EQ(f[2].fault, Fault::Trickle);
    EXPECT_NEAR(f[2].replyEndMs - f[2].replyDueMs, 100.0 * double(f[2].reply.size() - 1), 1e-6);
}

// A station held up between its write and its purge finds the reply already there and throws it
// away; the line sends it once more, as a real line's slower reply would have survived the purge.
TEST(VisionSimulator, AReplyThePurgeAfterTheFrameThrewAwayGoesOutOnceMore) {
    VisionSimulator sim(FixedConfig());
    sim.Start();
    PtyClient link(sim.SlavePath());
    link.Send("/01RB000A0228\r");
    ASSERT_TRUE(sim.WaitForFrames(1, 10s));
    ASSERT_TRUE(sim.WaitForRepliesSent(10s));
    // The reply is in the station's receive buffer when the late purge comes.
    pollfd p{link.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
    ASSERT_EQ(tcflush(link.Fd(), TCIFLUSH), 0);
    EXPECT_EQ(link.ReadLine(10s), "/A01RB1056\r");

    // A purge that opens the next exchange leaves the earlier reply alone: the new frame settles it.
    ASSERT_EQ(tcflush(link.Fd(), TCIFLUSH), 0);
    link.Send("/01RW00320231\r");
    const std::optional<std::string> reply = link.ReadLine(10s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->substr(0, 6), "/A01RW") << *reply;
    EXPECT_EQ(sim.FrameCount(), 2u);
}

TEST(VisionSimulator, SilentUnitAndOtherUnits) {
    VisionSimulator sim(FixedConfig());
    sim.SetHydroValue(0, 1250);
    sim.SetUnitSilent(1, true);
    sim.Start();
    PtyClient link(sim.SlavePath());
    link.Send("/01RB000A0228\r");
    link.Send("/03RB000A022A\r");
    link.Send("/02RW00370136\r");
    // the only bytes on the line are the hydrosizer's reply
    EXPECT_EQ(link.ReadLine(), "/A02RW04E2E6\r");
    ASSERT_TRUE(sim.WaitForFrames(3, 2s));
    std::vector<FrameRecord> f = sim.Frames();
    EXPECT_EQ(f[0].disposition, Disposition::Silenced);
    EXPECT_EQ(f[1].disposition, Disposition::OtherUnit);
    EXPECT_EQ(f[1].unit, 3);
    EXPECT_EQ(sim.RequestCount(1, "RB"), 1);  // heard, though not answered
    EXPECT_EQ(sim.RequestCount(3, "RB"), 0);
}

TEST(VisionSimulator, ReportsItsOwnRepliesReadBack) {
    VisionSimulator sim(FixedConfig());
    sim.Start();
    // a port left in the terminal's cooked mode echoes what it receives back onto the line
    PtyClient cooked(sim.SlavePath(), /*raw=*/false);
    cooked.Send("/01RB000A0228\r");
    EXPECT_TRUE(sim.WaitFor([&] { return sim.EchoCount() >= 1; }, 3s));
}

TEST(VisionSimulator, PortCanBeClosedAndReopened) {
    VisionSimulator sim(FixedConfig());
    sim.Start();
    const std::string path = sim.SlavePath();
    {
        PtyClient link(path);
        ASSERT_EQ(ioctl(link.Fd(), TIOCEXCL), 0);  // a link that opens its port exclusively
        link.Send("/01RB000A0228\r");
        EXPECT_EQ(link.ReadLine(), "/A01RB1056\r");
    }
    // exclusive mode does not outlive the link's descriptor, so the next open is not refused
    auto reopenable = [&] {
        int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return false;
        int excl = 1;
        ioctl(fd, TIOCGEXCL, &excl);
        close(fd);
        return excl == 0;
    };
    EXPECT_TRUE(sim.WaitFor(reopenable, 3s));
    PtyClient again(path);
    again.Send("/01RB000A0228\r");
    EXPECT_EQ(again.ReadLine(), "/A01RB1056\r");
}

TEST(VisionSimulator, BeltCounterRunsOnTheRealClock) {
    SimulatorConfig c;
    c.beltFlowTph = {3600.0, std::nullopt};  // 1 kg/ms
    VisionSimulator sim(c);
    int32_t start = sim.Counter(0);
    sim.Start();
    EXPECT_TRUE(sim.WaitFor([&] { return sim.Counter(0) >= start + 50; }, 5s));
    EXPECT_EQ(sim.Counter(1), c.beltCounterKg[1]);
    EXPECT_GT(sim.ModelTime(), 0);
}

TEST(VisionSimulator, ActionLinesAndWaiting) {
    SimulatorConfig c = FixedConfig();
    c.manualClock = true;
    c.beltWeightRunSeconds = 5;
    VisionSimulator sim(c);
    std::mutex mu;
    std::vector<ActionLine> lines;
    sim.SetActionSink([&](const ActionLine& l) {
        std::lock_guard lk(mu);
        lines.push_back(l);
    });
    sim.Start();
    PtyClient link(sim.SlavePath());
    link.Send("/01RB000A0228\r");
    ASSERT_TRUE(link.ReadLine());
    sim.RequestBeltWeightRun(0);
    sim.Advance(5);
    auto count = [&](bool frame) {
        std::lock_guard lk(mu);
        return std::count_if(lines.begin(), lines.end(), [&](const ActionLine& l) { return l.frame == frame; });
    };
    EXPECT_TRUE(sim.WaitFor([&] { return count(true) == 1 && count(false) == 2; }, 3s));
    {
        std::lock_guard lk(mu);
        EXPECT_NE(lines[0].text.find("/01RB000A0228"), std::string::npos) << lines[0].text;
    }
    EXPECT_TRUE(sim.WaitForRepliesSent(1s));
    EXPECT_FALSE(sim.WaitForRequests(1, "RW", 1, 50ms));

    EXPECT_THROW(sim.Start(), std::system_error);
    sim.Stop();
    EXPECT_FALSE(sim.Running());
    sim.Stop();
}
