// The controller on a pseudo-terminal: commands, the model behind them, faults and the port's life.
#include "Peers.h"

#include "rtl/AnsiString.h"
#include "tools/pufsim/PufSimulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace pufsim;
using namespace pufsimtest;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kWait{3000};

class PtySim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.StartPty()) << sim.LastError();
        peer = std::make_unique<PtyPeer>(sim.SlavePath());
        ASSERT_TRUE(peer->IsOpen());
    }

    // One exchange as the station makes it; empty when nothing came.
    std::string Ask(const std::string& command) {
        peer->SendLine(Frame(command));
        return peer->ReadLine(kWait).value_or("");
    }

    PufSimulator sim;
    std::unique_ptr<PtyPeer> peer;
};

}  // namespace

TEST_F(PtySim, ServesTheLogAndTheDataRecordsOfACycle) {
    const int id = sim.AddLogEntry("Пуск флотомашины №1", "2026-12-10 09:59:00");
    sim.AddRecord("2026-12-10 10:00:00");
    struct Step {
        const char* command;
        std::string payload;
        bool prefixOnly;
    };
    const Step steps[] = {
        {"GetLogRecCount", "1", false},
        {"GetLogRec", "1\t2026-12-10 09:59:00\t" + Utf8ToCp1251("Пуск флотомашины №1"), false},
        {"DeleteLogRec:1", "", false},
        {"GetLogRecCount", "0", false},
        {"GetUnsavedCount:", "1", false},
        {"GetUnsavedRecord:", "RecMoment='2026-12-10 10:00:00',PLF=120.0,RVF=450.0,", true},
        {"SetSaveFlag:2026-12-10 10:00:00", "", false},
        {"GetUnsavedCount:", "0", false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.command);
        const std::string reply = Ask(s.command);
        const std::string word = std::string(s.command).substr(0, std::string(s.command).find(':'));
        EXPECT_TRUE(reply.starts_with("PUF1:" + word + "_OK:")) << reply;
        EXPECT_TRUE(ChecksOut(reply)) << reply;
        if (s.prefixOnly) EXPECT_TRUE(Payload(reply).starts_with(s.payload)) << reply;
        else EXPECT_EQ(Payload(reply), s.payload);
    }
    EXPECT_EQ(id, 1);
    EXPECT_TRUE(sim.LogEntries().empty());
    EXPECT_EQ(sim.DeletedLogIds(), std::vector<int>{1});
    EXPECT_EQ(sim.AcknowledgedKeys(), std::vector<std::string>{"2026-12-10 10:00:00"});
    ASSERT_EQ(sim.Records().size(), 1u);
    EXPECT_TRUE(sim.Records()[0].saved);
    EXPECT_TRUE(sim.UnsavedRecords().empty());
    EXPECT_EQ(sim.Count("GetLogRecCount"), 2);
    EXPECT_EQ(sim.Count("GetUnsavedRecord"), 1);
}

TEST_F(PtySim, StateAnswerIsAnAssignmentListOfTheStateColumns) {
    sim.SetClock(46366.5);
    sim.SetClockRunning(false);
    sim.SetValue("PLF", 131.25);
    const std::string payload = Payload(Ask("GetStateRec:"));
    const char* expected[] = {"RecMoment", "PLF",  "RVF",  "RGF",  "TRRS", "TRRP", "SOF",
                              "URS",       "URP",  "ZRRS", "ZRRP", "F1AS", "F1RS", "F1AP",
                              "F1RP",      "DSF1", "DPF1", "ALARMP", "ALARMS"};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t start = 0; start <= payload.size();) {
        std::size_t comma = payload.find(',', start);
        if (comma == std::string::npos) comma = payload.size();
        const std::string piece = payload.substr(start, comma - start);
        const auto eq = piece.find('=');
        ASSERT_NE(eq, std::string::npos) << piece;
        pairs.emplace_back(piece.substr(0, eq), piece.substr(eq + 1));
        start = comma + 1;
    }
    ASSERT_EQ(pairs.size(), std::size(expected)) << payload;
    for (std::size_t i = 0; i < pairs.size(); ++i) EXPECT_EQ(pairs[i].first, expected[i]);
    EXPECT_EQ(pairs[0].second, "'2026-12-10 12:00:00'");
    EXPECT_EQ(pairs[1].second, "131.25");
    EXPECT_EQ(pairs[2].second, "450.0");   // real columns carry a point
    EXPECT_EQ(pairs[11].second, "1");      // flag columns are small integers
}

TEST_F(PtySim, SetpointsChangeTheStateOnlyWhenTheNumberIsPlain) {
    struct Case {
        const char* word;
        const char* column;
        const char* argument;
        bool lenient;
        bool accepted;
        double value;
    };
    const Case cases[] = {
        {"SetTRRS", "TRRS", "12.5", false, true, 12.5},
        {"SetTRRP", "TRRP", "7,5", false, false, 0},
        {"SetTRRP", "TRRP", "7,25", true, true, 7.25},
        {"SetZRRS", "ZRRS", "-3", false, true, -3},
        {"SetZRRP", "ZRRP", "abc", false, false, 0},
        {"SetZRRP", "ZRRP", "", false, false, 0},
        {"SetZRRP", "ZRRP", "1e3", false, false, 0},
        {"SetZRRP", "ZRRP", " 240.5 ", false, true, 240.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.word) + ":" + c.argument);
        sim.SetLenientDecimal(c.lenient);
        const double before = sim.Value(c.column);
        const std::string reply = Ask(std::string(c.word) + ":" + c.argument);
        EXPECT_TRUE(ChecksOut(reply)) << reply;
        EXPECT_EQ(reply.find("_OK:") != std::string::npos, c.accepted) << reply;
        EXPECT_EQ(sim.Value(c.column), c.accepted ? c.value : before);
        ASSERT_FALSE(sim.Setpoints().empty());
        EXPECT_EQ(sim.Setpoints().back().word, c.word);
        EXPECT_EQ(sim.Setpoints().back().argument, c.argument);
        EXPECT_EQ(sim.Setpoints().back().accepted, c.accepted);
    }
    EXPECT_EQ(sim.Setpoints().size(), std::size(cases));
}

TEST_F(PtySim, SetTimeSetsTheControllersClock) {
    sim.SetClockRunning(false);
    EXPECT_EQ(Payload(Ask("SetTime:46366.5")), "");
    EXPECT_NE(Ask("GetStateRec:").find("RecMoment='2026-12-10 12:00:00'"), std::string::npos);
    const Days before = sim.Clock();
    EXPECT_NE(Ask("SetTime:46366,75").find("SetTime_Error:"), std::string::npos);
    EXPECT_EQ(sim.Clock(), before);
    EXPECT_EQ(sim.SetTimeArguments(), (std::vector<std::string>{"46366.5", "46366,75"}));
}

TEST_F(PtySim, RefusesWhatItCannotDoAndAnswersBadChecksums) {
    struct Case {
        std::string line;
        std::string reply;
    };
    const Case cases[] = {
        {Frame("Foo:"), "PUF1:Foo_Error:Unknown command<0B0C>"},
        {Frame("GetLogRec"), "PUF1:GetLogRec_Error:No log records" + SumTag("PUF1:GetLogRec_Error:No log records")},
        {Frame("GetUnsavedRecord:"),
         "PUF1:GetUnsavedRecord_Error:No unsaved records" + SumTag("PUF1:GetUnsavedRecord_Error:No unsaved records")},
        {Frame("DeleteLogRec:x"),
         "PUF1:DeleteLogRec_Error:Bad record id" + SumTag("PUF1:DeleteLogRec_Error:Bad record id")},
        {"     PUF1:GetStateRec:<05CC>", "PUF1Error:BAD CRC<051F>"},
        {"     PUF1:GetStateRec:<05cb>", "PUF1Error:BAD CRC<051F>"},
        {"     PUF1:GetStateRec:", "PUF1Error:BAD CRC<051F>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        peer->SendLine(c.line);
        EXPECT_EQ(peer->ReadLine(kWait).value_or("(none)"), c.reply);
    }
    EXPECT_EQ(sim.BadChecksumCount(), 3);
    // The refusal form names the word instead.
    sim.SetBadCrcRefusal(true);
    peer->SendLine("     PUF1:GetStateRec:<05CC>");
    const std::string refusal = peer->ReadLine(kWait).value_or("");
    EXPECT_TRUE(refusal.starts_with("PUF1:GetStateRec_Error:BAD CRC<")) << refusal;
    EXPECT_TRUE(ChecksOut(refusal));
}

TEST_F(PtySim, AnswersTheProbeIgnoresJunkAndRecordsEveryLine) {
    peer->SendLine("GetTimeA");
    const std::string probe = peer->ReadLine(kWait).value_or("");
    EXPECT_TRUE(probe.starts_with("GetTimeA_OK:4")) << probe;
    peer->Send("hello\r\r\n\r");  // junk, then blank lines that are not lines at all
    EXPECT_EQ(Payload(Ask("SetSaveFlag:2010-05-12 10:00:00")), "");  // the first answer after the junk
    EXPECT_EQ(sim.JunkCount(), 1);

    const auto lines = sim.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].kind, LineKind::Probe);
    EXPECT_EQ(lines[1].kind, LineKind::Junk);
    EXPECT_EQ(lines[1].raw, "hello");
    const ReceivedLine& ack = lines[2];
    EXPECT_EQ(ack.raw, "     PUF1:SetSaveFlag:2010-05-12 10:00:00<095F>");
    EXPECT_EQ(ack.transport, Transport::Pty);
    EXPECT_EQ(ack.connection, 0);
    EXPECT_EQ(ack.kind, LineKind::Command);
    EXPECT_EQ(ack.leadingBlanks, 5);
    EXPECT_EQ(ack.word, "SetSaveFlag");
    EXPECT_EQ(ack.argument, "2010-05-12 10:00:00");
    EXPECT_LE(lines[0].at, ack.at);
    // An acknowledgement for a record the controller does not hold changes nothing.
    EXPECT_EQ(sim.SaveFlagArguments(), std::vector<std::string>{"2010-05-12 10:00:00"});
    EXPECT_TRUE(sim.AcknowledgedKeys().empty());
}

TEST_F(PtySim, EchoOfItsOwnAnswersRevealsAPortLeftInCookedMode) {
    peer.reset();
    PtyPeer cooked(sim.SlavePath(), /*raw=*/false);
    ASSERT_TRUE(cooked.IsOpen());
    cooked.SendLine(Frame("GetLogRecCount"));
    EXPECT_TRUE(sim.WaitUntil([&] { return sim.EchoCount() >= 1; }, kWait));
}

TEST_F(PtySim, DuplicatesAreServedButCountOnce) {
    const std::string frame = Frame("SetTRRS:5.5");
    peer->SendLine(frame);
    peer->SendLine(frame);
    EXPECT_EQ(peer->ReadLine(kWait).value_or(""), "PUF1:SetTRRS_OK:<0500>");
    EXPECT_EQ(peer->ReadLine(kWait).value_or(""), "PUF1:SetTRRS_OK:<0500>");
    EXPECT_EQ(sim.Count("SetTRRS"), 2);
    EXPECT_EQ(sim.DuplicateCount("SetTRRS"), 1);
    EXPECT_EQ(sim.DuplicateCount(), 1);
    EXPECT_EQ(sim.Setpoints().size(), 1u);
    EXPECT_FALSE(sim.Lines()[0].duplicate);
    EXPECT_TRUE(sim.Lines()[1].duplicate);
}

TEST_F(PtySim, PortSurvivesCloseAndReopenEvenWhenLeftExclusive) {
    EXPECT_EQ(Payload(Ask("GetLogRecCount")), "0");
    ASSERT_EQ(::ioctl(peer->Fd(), TIOCEXCL), 0);
    peer->Close();

    // The simulator's own slave descriptor keeps the terminal, and with it the exclusive flag.
    {
        PtyPeer second(sim.SlavePath());
        if (second.IsOpen()) {  // a privileged process may open an exclusive terminal anyway
            int exclusive = 0;
            ASSERT_EQ(::ioctl(second.Fd(), TIOCGEXCL, &exclusive), 0);
            EXPECT_EQ(exclusive, 1);
        } else {
            EXPECT_EQ(second.OpenErrno(), EBUSY);
        }
    }
    sim.ClearExclusiveMode();
    peer = std::make_unique<PtyPeer>(sim.SlavePath());
    ASSERT_TRUE(peer->IsOpen()) << peer->OpenErrno();
    int exclusive = 1;
    ASSERT_EQ(::ioctl(peer->Fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    sim.AddLogEntry("после переоткрытия");
    EXPECT_EQ(Payload(Ask("GetLogRecCount")), "1");
}

// Every fault once, on a set-point, so that its effect on the controller shows too. The marker
// (a state request sent right after) tells an unanswered request from a slow one without sleeping.
TEST_F(PtySim, EachFaultShapesTheAnswerAsNamed) {
    const std::string body = "PUF1:SetTRRP_OK:";  // sum 04FD: its hex has letters
    const std::string good = body + "<04FD>";
    struct Case {
        Fault fault;
        bool marker;
        int lines;
        bool executed;
        std::function<void(const std::vector<std::string>&)> check;
    };
    const Case cases[] = {
        {Fault::Silence, true, 1, false,
         [](const auto& l) { EXPECT_NE(l[0].find("GetStateRec_OK:"), std::string::npos); }},
        {Fault::Drop, true, 1, false,  // a pty cannot drop: silence
         [](const auto& l) { EXPECT_NE(l[0].find("GetStateRec_OK:"), std::string::npos); }},
        {Fault::Delay, true, 2, true,
         [&](const auto& l) {
             EXPECT_NE(l[0].find("GetStateRec_OK:"), std::string::npos);
             EXPECT_EQ(l[1], good);
         }},
        {Fault::Refuse, false, 1, false,
         [](const auto& l) { EXPECT_EQ(l[0], "PUF1:SetTRRP_Error:Refused<093B>"); }},
        {Fault::BadChecksum, false, 1, true, [&](const auto& l) { EXPECT_EQ(l[0], body + "<04FE>"); }},
        {Fault::LowerCaseChecksum, false, 1, true, [&](const auto& l) { EXPECT_EQ(l[0], body + "<04fd>"); }},
        {Fault::Garble, false, 1, true,
         [&](const auto& l) {
             EXPECT_EQ(l[0].size(), good.size());
             EXPECT_NE(l[0], good);
             EXPECT_FALSE(ChecksOut(l[0]) && l[0].starts_with("PUF1:SetTRRP_OK:")) << l[0];
         }},
        {Fault::StaleLine, false, 2, true,
         [&](const auto& l) {
             EXPECT_TRUE(l[0].starts_with("PUF1:GetLogRecCount_OK:")) << l[0];
             EXPECT_TRUE(ChecksOut(l[0]));
             EXPECT_EQ(l[1], good);
         }},
        {Fault::Split, false, 1, true, [&](const auto& l) { EXPECT_EQ(l[0], good); }},
        {Fault::Trickle, false, 1, true, [&](const auto& l) { EXPECT_EQ(l[0], good); }},
    };
    sim.SetFaultDelay(milliseconds(300));
    double value = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        const double before = sim.Value("TRRP");
        value += 1;
        sim.InjectFault(c.fault, 1, "SetTRRP");
        peer->SendLine(Frame("SetTRRP:" + FormatNumber(value)));
        if (c.marker) peer->SendLine(Frame("GetStateRec:"));
        std::vector<std::string> got;
        while (static_cast<int>(got.size()) < c.lines) {
            auto line = peer->ReadLine(kWait);
            if (!line) break;
            got.push_back(*line);
        }
        ASSERT_EQ(static_cast<int>(got.size()), c.lines);
        c.check(got);
        EXPECT_EQ(sim.Value("TRRP"), c.executed ? value : before);
        EXPECT_EQ(sim.Lines().at(sim.Lines().size() - (c.marker ? 2 : 1)).fault,
                  c.fault == Fault::Drop ? Fault::Silence : c.fault);
    }
    EXPECT_EQ(sim.FaultCount(Fault::Silence), 2);
    EXPECT_EQ(sim.FaultCount(Fault::Drop), 0);
    EXPECT_EQ(sim.FaultCount(Fault::Trickle), 1);
}

TEST_F(PtySim, ScriptedFaultsPickTheirRequests) {
    // Refused twice, then accepted; other words pass untouched in between.
    sim.InjectFault(Fault::Refuse, 2, "SetTRRS");
    EXPECT_NE(Ask("SetTRRS:12.5").find("_Error:"), std::string::npos);
    EXPECT_NE(Ask("GetStateRec:").find("_OK:"), std::string::npos);
    EXPECT_NE(Ask("SetTRRS:12.5").find("_Error:"), std::string::npos);
    EXPECT_EQ(Ask("SetTRRS:12.5"), "PUF1:SetTRRS_OK:<0500>");
    EXPECT_EQ(sim.Value("TRRS"), 12.5);

    // A word-less injection takes the next request, whatever it is.
    sim.InjectFault(Fault::BadChecksum, 1);
    EXPECT_FALSE(ChecksOut(Ask("GetLogRecCount")));
    EXPECT_TRUE(ChecksOut(Ask("GetLogRecCount")));

    // A persistent fault holds until cleared; a silent transport answers nothing at all.
    sim.SetPersistentFault(Fault::Refuse, "GetUnsavedCount");
    for (int i = 0; i < 3; ++i) EXPECT_NE(Ask("GetUnsavedCount:").find("_Error:Refused"), std::string::npos);
    sim.SetPersistentFault(Fault::None, "GetUnsavedCount");
    EXPECT_EQ(Payload(Ask("GetUnsavedCount:")), "0");

    sim.SetTransportSilent(Transport::Pty, true);
    peer->SendLine("GetTimeA");
    peer->SendLine(Frame("GetStateRec:"));
    ASSERT_TRUE(sim.WaitForCount("GetStateRec", 2, kWait));
    sim.SetTransportSilent(Transport::Pty, false);
    EXPECT_EQ(Payload(Ask("GetLogRecCount")), "0");  // the first line the peer sees at all

    sim.SetPersistentFault(Fault::Refuse);
    sim.ClearFaults();
    EXPECT_EQ(Payload(Ask("GetLogRecCount")), "0");
}

TEST_F(PtySim, OverridesReplacePayloadsAndWholeLines) {
    sim.OverridePayload("GetLogRecCount", "-3");
    EXPECT_EQ(Ask("GetLogRecCount"), "PUF1:GetLogRecCount_OK:-3<084E>");
    EXPECT_EQ(Ask("GetLogRecCount"), "PUF1:GetLogRecCount_OK:0<081E>");

    const std::string withNul("PUF1:GetStateRec_OK:A\0B<0000>", 29);
    const std::string longLine(9901, 'x');
    sim.InjectRawLine("GetStateRec", withNul);
    sim.InjectRawLine("GetStateRec", longLine);
    EXPECT_EQ(Ask("GetStateRec:"), withNul);
    EXPECT_EQ(Ask("GetStateRec:"), longLine);
    // A record text the station must refuse, still marked by its key.
    sim.AddRecordText("2026-12-10 10:00:00", "RecMoment='2026-12-10 10:00:00',PLF=1,5,Bad Col=2");
    EXPECT_EQ(Payload(Ask("GetUnsavedRecord:")), "RecMoment='2026-12-10 10:00:00',PLF=1,5,Bad Col=2");
    Ask("SetSaveFlag:2026-12-10 10:00:00");
    EXPECT_EQ(sim.AcknowledgedKeys().size(), 1u);
}

TEST(PufSimRandom, FaultRatesRepeatWithTheSeed) {
    auto run = [](std::uint64_t seed) {
        PufSimulator sim;
        sim.SetReplyDelay(milliseconds(0));
        sim.SetFaultDelay(milliseconds(0));
        sim.SetSeed(seed);
        sim.SetFaultRates({0.1, 0.1, 0.1, 0.1, 0.1, 0.1});
        EXPECT_TRUE(sim.StartPty());
        PtyPeer peer(sim.SlavePath());
        std::string burst;
        for (int i = 0; i < 200; ++i) burst += Frame("GetLogRecCount") + "\r";
        peer.Send(burst);
        EXPECT_TRUE(sim.WaitForLines(200, milliseconds(10000)));
        std::vector<Fault> faults;
        for (const auto& l : sim.Lines()) faults.push_back(l.fault);
        return faults;
    };
    const auto a = run(7), b = run(7), c = run(8);
    ASSERT_EQ(a.size(), 200u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    std::map<Fault, int> seen;
    for (Fault f : a) ++seen[f];
    for (Fault f : {Fault::Silence, Fault::Delay, Fault::Garble, Fault::BadChecksum, Fault::Refuse})
        EXPECT_GT(seen[f], 0) << FaultName(f);
    EXPECT_EQ(seen[Fault::Drop], 0);  // a pty turns drops into silence
    // Six rates of 10 %: about 120 of 200 requests faulted (the seed makes this exact and repeatable).
    EXPECT_GT(200 - seen[Fault::None], 80);
    EXPECT_LT(200 - seen[Fault::None], 160);
}

TEST(PufSimLife, StopsWithRepliesPendingAndStartsAgain) {
    PufSimulator sim;
    ASSERT_TRUE(sim.StartPty());
    const std::string first = sim.SlavePath();
    PtyPeer peer(first);
    sim.InjectFault(Fault::Delay, 1);
    sim.SetFaultDelay(milliseconds(60000));
    peer.SendLine(Frame("GetStateRec:"));
    ASSERT_TRUE(sim.WaitForLines(1, kWait));
    sim.Stop();
    EXPECT_EQ(sim.Lines().size(), 1u);
    EXPECT_FALSE(sim.StartTcp(-1));  // no such port
    EXPECT_FALSE(sim.LastError().empty());
    ASSERT_TRUE(sim.StartPty()) << sim.LastError();
    PtyPeer again(sim.SlavePath());
    again.SendLine(Frame("GetLogRecCount"));
    EXPECT_EQ(again.ReadLine(kWait).value_or(""), "PUF1:GetLogRecCount_OK:0<081E>");
}
