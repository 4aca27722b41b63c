// The flotation controller's line protocol: frames and checksums, the answer check, reads over the
// serial port and TCP, and the transport decision.
#include "links/PufProtocol.h"

#include "PufStation.h"
#include "tools/pufsim/PufFrames.h"
#include "tools/pufsim/PufSimulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace puftest;

namespace {

// The checksum of a text written by hand: each answer below is sealed this way.
std::string Sealed(const std::string& text) { return text + PufFrameChecksum(text).str(); }

TEST(PufFrames, ChecksumsAndRequestFrames) {
    struct Case {
        std::string input;
        std::string expected;
        bool frame;  // false: PufFrameChecksum(input); true: PufRequestFrame(input)
    };
    // Bytes adding up to 65,537: 257 bytes of 0xFF and two of 0x01.
    const std::string wraps = std::string(257, '\xFF') + "\x01\x01";
    const Case cases[] = {
        {"abc", "<0126>", false},
        {"PUF1:GetStateRec:", "<05CB>", false},
        {"PUF1:GetLogRecCount:", "<06F5>", false},
        {"PUF1Error:BAD CRC", "<051F>", false},
        {wraps, "<0001>", false},
        {"", "<0000>", false},
        {"\x0A\x0B\x0C", "<0021>", false},  // upper case hexadecimal, four digits
        {"GetStateRec", "     PUF1:GetStateRec:<05CB>", true},
        {"GetStateRec:", "     PUF1:GetStateRec:<05CB>", true},
        {"DeleteLogRec:17", "     PUF1:DeleteLogRec:17<0687>", true},
        {"SetTRRS:12.5", "     PUF1:SetTRRS:12.5<04CD>", true},
        {"SetSaveFlag:2010-05-12 10:00:00", "     PUF1:SetSaveFlag:2010-05-12 10:00:00<095F>", true},
    };
    for (const Case& c : cases) {
        const AnsiString got = c.frame ? PufRequestFrame(c.input) : PufFrameChecksum(c.input);
        EXPECT_EQ(got.str(), c.expected) << c.input;
    }
    // The controller's own reading of a frame agrees.
    const pufsim::ParsedLine parsed = pufsim::ParseLine(PufRequestFrame("SetSaveFlag:2010-05-12 10:00:00").str());
    EXPECT_EQ(parsed.kind, pufsim::LineKind::Command);
    EXPECT_EQ(parsed.leadingBlanks, 5);
    EXPECT_EQ(parsed.word, "SetSaveFlag");
    EXPECT_EQ(parsed.argument, "2010-05-12 10:00:00");
}

TEST(PufFrames, AnswersAreCheckedAgainstTheirCommandWord) {
    using K = TPufAnswerKind;
    const std::string body = "PUF1:GetStateRec_OK:PLF=1.5,RVF=2";
    const std::string sum = PufFrameChecksum(body).str();
    std::string lower = sum;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    struct Case {
        const char* name;
        std::string line;
        std::string word;
        K kind;
        std::string payload;
    };
    const Case cases[] = {
        {"payload", Sealed(body), "GetStateRec", K::Payload, "PLF=1.5,RVF=2"},
        {"a colon before the checksum goes", Sealed(body + ":"), "GetStateRec", K::Payload, "PLF=1.5,RVF=2"},
        {"blanks and control bytes around", "  " + Sealed(body) + "\n", "GetStateRec", K::Payload, "PLF=1.5,RVF=2"},
        {"empty payload", Sealed("PUF1:SetTRRS_OK:"), "SetTRRS", K::Payload, "OK"},
        {"empty payload and a colon", Sealed("PUF1:SetTRRS_OK::"), "SetTRRS", K::Payload, "OK"},
        {"text after the checksum is ignored", Sealed(body) + "xyz", "GetStateRec", K::Payload, "PLF=1.5,RVF=2"},
        {"lower-case checksum", body + lower, "GetStateRec", K::Failure, ""},
        {"wrong checksum", body + "<0000>", "GetStateRec", K::Failure, ""},
        {"no checksum", body, "GetStateRec", K::Failure, ""},
        {"checksum cut short", body + "<05C", "GetStateRec", K::Failure, ""},
        {"refusal", Sealed("PUF1:SetTRRS_Error:Bad value"), "SetTRRS", K::Failure, ""},
        {"a refusal of another word is skipped", Sealed("PUF1:Other_Error:x"), "SetTRRS", K::Other, ""},
        {"a refusal counts directly after the word", Sealed("PUF1:SetTRRS _Error:x"), "SetTRRS", K::Other, ""},
        {"a log message may hold a refusal's text", Sealed("PUF1:GetLogRec_OK:7\t2024-05-01 07:00:00\tGetLogRec_Error: x"),
         "GetLogRec", K::Payload, "7\t2024-05-01 07:00:00\tGetLogRec_Error: x"},
        {"and \"<\"", Sealed("PUF1:GetLogRec_OK:7\tt\tlevel <5> <BEEF> low_Error: x"), "GetLogRec", K::Payload,
         "7\tt\tlevel <5> <BEEF> low_Error: x"},
        {"another word is skipped", Sealed("PUF1:GetLogRecCount_OK:3"), "GetStateRec", K::Other, ""},
        {"a count is not a log record", Sealed("PUF1:GetLogRecCount_OK:3"), "GetLogRec", K::Other, ""},
        {"the word must touch its marker", Sealed("PUF1:GetLogRec _OK:3"), "GetLogRec", K::Other, ""},
        {"the controller's bad-CRC line", "PUF1Error:BAD CRC<051F>", "GetStateRec", K::Other, ""},
        {"empty line", "   ", "GetStateRec", K::Other, ""},
        {"case matters", Sealed("PUF1:getstaterec_OK:1"), "GetStateRec", K::Other, ""},
    };
    for (const Case& c : cases) {
        AnsiString payload;
        EXPECT_EQ(PufParseAnswer(c.line, c.word, payload), c.kind) << c.name;
        EXPECT_EQ(payload.str(), c.payload) << c.name;
    }
}

// A main window without a database, its serial link on a pseudo-terminal the test plays.
class PufExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        form = NewMainWindow(nullptr);
        form->ICPLinkPUF->SetPortName(device.Slave());
        form->ICPLinkPUF->SetActive(true);
        ASSERT_TRUE(form->ICPLinkPUF->Active()) << form->ICPLinkPUF->Status();
    }
    void TearDown() override { FreeMainWindow(form); }

    StationFolder folder;
    PtyDevice device;
    TFormMain* form = nullptr;
};

TEST_F(PufExchangeTest, SerialReadsSkipForeignLinesAndStopAtRefusals) {
    struct Case {
        const char* name;
        std::string word;
        std::vector<std::string> lines;  // what the device sends after the request
        std::string answer;
    };
    const Case cases[] = {
        {"answer at once", "GetStateRec", {Sealed("PUF1:GetStateRec_OK:PLF=1.5")}, "PLF=1.5"},
        {"a stale line first", "GetLogRec", {Sealed("PUF1:GetLogRecCount_OK:2"), Sealed("PUF1:GetLogRec_OK:7\tx\ty")},
         "7\tx\ty"},
        {"junk, then the answer", "GetUnsavedCount", {"garbage", Sealed("PUF1:GetUnsavedCount_OK:4")}, "4"},
        {"a refusal ends the read", "SetTRRS", {Sealed("PUF1:SetTRRS_Error:Bad value"), Sealed("PUF1:SetTRRS_OK:")}, ""},
        {"a bad checksum ends the read", "SetTRRS", {"PUF1:SetTRRS_OK:<0000>", Sealed("PUF1:SetTRRS_OK:")}, ""},
        {"Windows-1251 payload becomes UTF-8", "GetLogRec", {Sealed("PUF1:GetLogRec_OK:1\tt\t\xCD\xE0\xF1\xEE\xF1")},
         "1\tt\tНасос"},
    };
    for (const Case& c : cases) {
        const int sent = form->PufQueryCount.load();
        ASSERT_TRUE(PufSendCommand(form, c.word + ":")) << c.name;
        EXPECT_EQ(form->PufQueryCount.load(), sent + 1);
        EXPECT_EQ(device.ReadLine(2000), PufRequestFrame(c.word + ":").str() + "\r") << c.name;
        std::string all;
        for (const std::string& l : c.lines) all += l + "\r";
        device.Write(all);
        EXPECT_EQ(PufReadAnswer(form, c.word).str(), c.answer) << c.name;
    }
}

TEST_F(PufExchangeTest, ASilentControllerIsGivenUpAfterFourSeconds) {
    ASSERT_TRUE(PufSendCommand(form, "GetStateRec:"));
    const auto t0 = Clock::now();
    EXPECT_EQ(PufReadAnswer(form, "GetStateRec"), "");
    // Four whole seconds of one-second reads (a bound, not a speed: the read must not end early).
    EXPECT_GE(MsSince(t0), 4000);
}

TEST_F(PufExchangeTest, NothingIsSentOnATransportThatIsNotReady) {
    // TCP chosen but not connected.
    form->PufOverTcp = true;
    EXPECT_FALSE(PufSendCommand(form, "GetStateRec:"));
    // Serial chosen but closed.
    form->PufOverTcp = false;
    form->ICPLinkPUF->SetActive(false);
    EXPECT_FALSE(PufSendCommand(form, "GetStateRec:"));
    EXPECT_EQ(form->PufQueryCount.load(), 0);
    EXPECT_EQ(form->ICPLinkPUF->ErrorCounter(), 0);
}

TEST_F(PufExchangeTest, TheTransportChangesOnlyFromTheEleventhFailureAndOnlyWithTheLanLink) {
    pufsim::PufSimulator sim;
    ASSERT_TRUE(sim.StartTcp(0)) << sim.LastError();
    form->WinSockClient->SetLinkPort(sim.TcpPort());
    form->PufIP = "127.0.0.1";
    struct Step {
        const char* name;
        bool lan;
        int streak;
        bool tcpAfter;
        int streakAfter;
    };
    const Step steps[] = {
        {"ten failures decide nothing", true, 10, false, 10},
        {"without the LAN link the streak only starts again", false, 11, false, 0},
        {"with it the link moves to TCP", true, 11, true, 0},
        {"and back to the serial port", true, 25, false, 0},
    };
    for (const Step& s : steps) {
        form->PufLanEnabled = s.lan;
        form->PufFailStreak = s.streak;
        PufTransportDecision(form);
        EXPECT_EQ(form->PufOverTcp.load(), s.tcpAfter) << s.name;
        EXPECT_EQ(form->PufFailStreak.load(), s.streakAfter) << s.name;
        EXPECT_EQ(form->WinSockClient->Connected(), s.tcpAfter) << s.name;
        // The serial port is neither opened nor closed by the decision.
        EXPECT_TRUE(form->ICPLinkPUF->Active()) << s.name;
    }
    // The connect handler sent the controller's probe once; the client was pointed at PufIP.
    EXPECT_EQ(sim.Count("GetTimeA"), 1);
    EXPECT_EQ(form->WinSockClient->LinkAddress(), "127.0.0.1");
}

TEST_F(PufExchangeTest, TcpReadsResendUntilTheAnswerComes) {
    pufsim::PufSimulator sim;
    ASSERT_TRUE(sim.StartTcp(0)) << sim.LastError();
    sim.SetBanner(true);
    form->WinSockClient->SetLinkPort(sim.TcpPort());
    ASSERT_TRUE(form->WinSockClient->Connect());
    form->PufOverTcp = true;
    sim.SetValue("PLF", 123.5);
    // The reads measure their time in ticks of a clock the test moves: it stands still unless the test
    // says, so neither a query's 200 ms nor the read's window can pass on a slow machine alone.
    std::atomic<uint32_t> ticks{1000};
    SetTickCountSource([&] { return ticks.load(); });
    struct RestoreTicks {
        ~RestoreTicks() { SetTickCountSource(nullptr); }
    } restore;
    auto read = [&](const char* word) {
        return std::async(std::launch::async, [&, word] { return PufReadAnswer(form, word); });
    };
    // A read that does not end is let go by moving the clock past every window, and fails the test.
    auto answer = [&](std::future<AnsiString>& reading) {
        if (reading.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ticks += 100000;
            ADD_FAILURE() << "the read did not end";
        }
        return reading.get();
    };

    // The first request goes unheard: only the query's 200 ms passing sends it again.
    sim.InjectFault(pufsim::Fault::Silence, 1, "GetStateRec");
    ASSERT_TRUE(PufSendCommand(form, "GetStateRec:"));
    EXPECT_EQ(sim.Count("GetStateRec"), 0) << "over TCP the request leaves with the read";
    auto reading = read("GetStateRec");
    ASSERT_TRUE(sim.WaitForCount("GetStateRec", 1, std::chrono::seconds(30)));
    ticks += 199;
    EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
        << "within the query's time the request is not sent again";
    EXPECT_EQ(sim.Count("GetStateRec"), 1);
    ticks += 1;
    const AnsiString state = answer(reading);
    EXPECT_GT(state.Pos("PLF=123.5"), 0) << state;
    ASSERT_EQ(sim.Count("GetStateRec"), 2);
    const std::vector<pufsim::ReceivedLine> lines = sim.Lines();
    std::vector<std::string> sent;
    for (const pufsim::ReceivedLine& l : lines)
        if (l.word == "GetStateRec") sent.push_back(l.raw);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], sent[1]) << "the same request again";

    // A refusal ends the read at once, the clock still standing.
    sim.InjectFault(pufsim::Fault::Refuse, 1, "SetTRRS");
    ASSERT_TRUE(PufSendCommand(form, "SetTRRS:1.5"));
    auto refused = read("SetTRRS");
    EXPECT_EQ(answer(refused), "");
    EXPECT_EQ(sim.Count("SetTRRS"), 1);
}

}  // namespace
