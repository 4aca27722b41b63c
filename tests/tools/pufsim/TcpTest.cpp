// The controller on loopback TCP: greeting, probe, resends, dropped connections, and the shared
// controller behind both transports.
#include "Peers.h"

#include "tools/pufsim/PufSimulator.h"

#include <gtest/gtest.h>

using namespace pufsim;
using namespace pufsimtest;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr milliseconds kWait{3000};

// The station's TCP exchange: send the request, watch the incoming blocks for 200 ms, keep only
// the latest, and send the request again until a block names the word or four seconds pass.
std::string Transact(TcpPeer& peer, const std::string& frame, const std::string& word, int* sends) {
    const auto deadline = SteadyClock::now() + milliseconds(4000);
    while (SteadyClock::now() < deadline) {
        while (!peer.ReadSome(milliseconds(0)).empty()) {
        }
        peer.SendLine(frame);
        ++*sends;
        const auto limit = SteadyClock::now() + milliseconds(200);
        std::string block;
        while (SteadyClock::now() < limit) {
            block = peer.ReadSome(std::chrono::duration_cast<milliseconds>(limit - SteadyClock::now()));
            if (block.find(word) != std::string::npos) return block;
        }
    }
    return {};
}

class TcpSim : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.StartTcp(0)) << sim.LastError(); }
    PufSimulator sim;
};

}  // namespace

TEST_F(TcpSim, GreetsAnswersTheProbeAndServesLinesOfOnePacketInTurn) {
    sim.SetBanner(true);
    TcpPeer peer(sim.TcpPort());
    ASSERT_TRUE(peer.IsOpen());
    std::string banner;
    while (banner.size() < 23) {
        const std::string part = peer.ReadSome(kWait);
        if (part.empty()) break;
        banner += part;
    }
    EXPECT_EQ(banner, std::string("Kelvaron query server\r") + '\0');

    // The station's probe carries a CR of its own before the client's: one line, not two.
    peer.Send("GetTimeA\r\r");
    const std::string probe = peer.ReadLine(kWait).value_or("");
    EXPECT_TRUE(probe.starts_with("GetTimeA_OK:4")) << probe;
    EXPECT_EQ(sim.Count("GetTimeA"), 1);
    EXPECT_EQ(sim.LineCount(), 1);

    peer.Send(Frame("GetLogRecCount") + "\r" + Frame("SetTRRS:12.5") + "\r");
    EXPECT_EQ(peer.ReadLine(kWait).value_or(""), "PUF1:GetLogRecCount_OK:0<081E>");
    EXPECT_EQ(peer.ReadLine(kWait).value_or(""), "PUF1:SetTRRS_OK:<0500>");
    const auto lines = sim.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].transport, Transport::Tcp);
    EXPECT_EQ(lines[2].connection, 1);
    EXPECT_EQ(sim.ConnectionCount(), 1);
}

TEST_F(TcpSim, ResendsOfASlowAnswerAreServedAndExecutedOnce) {
    const std::string key = sim.AddRecord("2026-12-10 10:00:00");
    sim.InjectFault(Fault::Delay, 1, "SetSaveFlag");  // 300 ms: longer than the station waits
    TcpPeer peer(sim.TcpPort());
    int sends = 0;
    const std::string block = Transact(peer, Frame("SetSaveFlag:" + key), "SetSaveFlag", &sends);
    EXPECT_TRUE(ChecksOut(block)) << block;
    EXPECT_GE(sends, 2);
    // The answer that ended the wait may be the slow one, ahead of the last resend's arrival.
    ASSERT_TRUE(sim.WaitForCount("SetSaveFlag", sends, kWait));
    EXPECT_EQ(sim.Count("SetSaveFlag"), sends);
    EXPECT_EQ(sim.DuplicateCount("SetSaveFlag"), sends - 1);
    EXPECT_EQ(sim.SaveFlagArguments(), std::vector<std::string>{key});
    EXPECT_EQ(sim.AcknowledgedKeys(), std::vector<std::string>{key});
    EXPECT_EQ(sim.FaultCount(Fault::Delay), 1);
}

TEST_F(TcpSim, DroppedConnectionsCloseAndTheNextClientIsServed) {
    {
        TcpPeer peer(sim.TcpPort());
        sim.InjectFault(Fault::Drop, 1, "SetTRRS");
        peer.SendLine(Frame("SetTRRS:99.5"));
        EXPECT_TRUE(peer.ClosedWithin(kWait));
    }
    EXPECT_EQ(sim.FaultCount(Fault::Drop), 1);
    EXPECT_NE(sim.Value("TRRS"), 99.5);  // a dropped request never reached the controller

    TcpPeer second(sim.TcpPort());
    second.SendLine(Frame("GetLogRecCount"));
    EXPECT_EQ(second.ReadLine(kWait).value_or(""), "PUF1:GetLogRecCount_OK:0<081E>");
    EXPECT_EQ(sim.ConnectionCount(), 2);
    sim.DropConnections();
    EXPECT_TRUE(second.ClosedWithin(kWait));
}

TEST_F(TcpSim, SplitAnswerArrivesInTwoBlocks) {
    TcpPeer peer(sim.TcpPort());
    sim.InjectFault(Fault::Split, 1);
    peer.SendLine(Frame("GetLogRecCount"));
    const std::string first = peer.ReadSome(kWait);
    const std::string second = peer.ReadSome(kWait);
    EXPECT_EQ(first.find('\r'), std::string::npos) << first;
    EXPECT_EQ(first + second, "PUF1:GetLogRecCount_OK:0<081E>\r");
}

TEST_F(TcpSim, RandomDropsCloseOnlyTcpConnections) {
    sim.SetFaultRates({0, 0, 0, 0, 0, 1});
    TcpPeer peer(sim.TcpPort());
    peer.SendLine(Frame("GetStateRec:"));
    EXPECT_TRUE(peer.ClosedWithin(kWait));
    EXPECT_EQ(sim.FaultCount(Fault::Drop), 1);
}

TEST(PufSimBoth, PtyAndTcpShareOneController) {
    PufSimulator sim;
    sim.SetCrLf(true);
    sim.SetReplyStyle({2, true});
    ASSERT_TRUE(sim.StartPty());
    ASSERT_TRUE(sim.StartTcp(0));
    PtyPeer serial(sim.SlavePath());
    TcpPeer lan(sim.TcpPort());

    lan.SendLine(Frame("SetZRRS:700.5"));
    EXPECT_EQ(lan.ReadLine(kWait).value_or(""), "  PUF1:SetZRRS_OK::" + SumTag("PUF1:SetZRRS_OK::"));
    serial.SendLine(Frame("GetStateRec:"));
    const std::string state = serial.ReadLine(kWait).value_or("");
    EXPECT_NE(state.find(",ZRRS=700.5,"), std::string::npos) << state;
    EXPECT_TRUE(ChecksOut(state));

    const auto lines = sim.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].transport, Transport::Tcp);
    EXPECT_EQ(lines[1].transport, Transport::Pty);

    // Silence on one transport leaves the other answering.
    sim.SetTransportSilent(Transport::Pty, true);
    serial.SendLine(Frame("GetLogRecCount"));
    lan.SendLine(Frame("GetLogRecCount"));
    EXPECT_TRUE(lan.ReadLine(kWait).has_value());
    ASSERT_TRUE(sim.WaitForCount("GetLogRecCount", 2, kWait));
    EXPECT_FALSE(serial.ReadLine(milliseconds(0)).has_value());
}
