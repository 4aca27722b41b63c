#include "links/VisionLink.h"

#include "ScriptedLine.h"
#include "gui/WinApi.h"
#include "rtl/SysUtils.h"
#include "tools/visionsim/VisionSimulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using visionsim::Fault;
using visionsim::VisionSimulator;

namespace {

// The checksum worked out independently of the component: byte sum modulo 256 in two hex digits.
std::string Sum(const std::string& text) {
    unsigned s = 0;
    for (unsigned char c : text) s += c;
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", s % 256);
    return buf;
}

std::string ReplyLine(const std::string& body) { return "/A" + body + Sum(body) + "\r"; }

visionsim::SimulatorConfig QuietPlant() {
    visionsim::SimulatorConfig c;
    c.hydroSwingPercent = 0;
    c.beltFlowTph = {std::nullopt, std::nullopt};
    return c;
}

// A link opened on a port, the common start of every exchange test.
void Open(TVisionLink& link, const std::string& path) {
    link.SetPortName(path.c_str());
    link.SetActive(true);
    ASSERT_TRUE(link.Active()) << link.Status();
}

}  // namespace

TEST(VisionLinkFrames, FramesCarryUnitCommandAndChecksum) {
    struct Case {
        int unit;
        const char* commandLine;
        const char* frame;
    } cases[] = {
        {1, "RW000001", "/01RW0000012B"},  // the defaults
        {2, "RW003701", "/02RW00370136"},
        {1, "RB000A02", "/01RB000A0228"},
        {1, "RNL003202", "/01RNL00320274"},
        {255, "RB000A02", "/FFRB000A02"},  // checksum checked below
    };
    TVisionLink link(nullptr);
    EXPECT_EQ(link.QueryString(), "/01RW0000012B");
    EXPECT_EQ(link.CRC(), "2B");
    for (const Case& c : cases) {
        link.SetUnitID(c.unit);
        link.SetCommandLine(c.commandLine);
        std::string expected = c.frame;
        if (c.unit == 255) expected += Sum(std::string("FF") + c.commandLine);
        EXPECT_EQ(link.QueryString(), expected) << c.commandLine;
        EXPECT_EQ(link.CRC(), expected.substr(expected.size() - 2)) << c.commandLine;
    }
    link.SetCRC("00");  // computed, never stored
    EXPECT_NE(link.CRC(), "00");
    link.SetQueryString("/01XX");
    EXPECT_EQ(link.QueryString(), "/01XX");
}

class VisionLinkOnSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        sim.Start();
        Open(link, sim.SlavePath());
    }
    VisionSimulator sim{QuietPlant()};
    TVisionLink link{nullptr};
};

TEST_F(VisionLinkOnSimulator, ReadsOneWorkerCycleWithTheExactFrames) {
    sim.SetBit(1, 10, true);
    sim.SetBit(1, 11, false);
    sim.SetInt(1, 50, 250);
    sim.SetInt(1, 51, 65535);
    sim.SetLong(1, 50, 1000290);
    sim.SetLong(1, 51, -1);
    const uint16_t hydro[4] = {1250, 400, 1320, 180};
    for (int i = 0; i < 4; ++i) sim.SetHydroValue(i, hydro[i]);

    bool bits[2] = {false, true};
    int ints[2] = {}, longs[2] = {};
    link.SetUnitID(1);
    ASSERT_TRUE(link.GetBitArray(10, 2, bits)) << link.Status();
    ASSERT_TRUE(link.GetIntArray(50, 2, ints, false)) << link.Status();
    ASSERT_TRUE(link.GetIntArray(50, 2, longs, true)) << link.Status();
    EXPECT_TRUE(bits[0]);
    EXPECT_FALSE(bits[1]);
    EXPECT_EQ(ints[0], 250);
    EXPECT_EQ(ints[1], 65535);
    EXPECT_EQ(longs[0], 1000290);
    EXPECT_EQ(longs[1], -1);

    link.SetUnitID(2);
    const int addresses[4] = {55, 65, 5, 4};
    for (int i = 0; i < 4; ++i) {
        int v = -1;
        ASSERT_TRUE(link.GetIntArray(addresses[i], 1, &v, false)) << link.Status();
        EXPECT_EQ(v, hydro[i]);
    }
    std::vector<std::string> expected = {"/01RB000A0228", "/01RW00320231", "/01RNL00320274", "/02RW00370136",
                                         "/02RW00410131", "/02RW00050131", "/02RW00040130"};
    std::vector<visionsim::FrameRecord> frames = sim.Frames();
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].request, expected[i]);
    EXPECT_EQ(link.SendCounter(), 7);
    EXPECT_EQ(link.ErrorCounter(), 0);
    EXPECT_EQ(link.Status(), "Recive() OK");
    EXPECT_EQ(sim.EchoCount(), 0);  // the port is raw: nothing of our own comes back
}

TEST_F(VisionLinkOnSimulator, WritesBitsAndIntegersOfBothWidths) {
    link.SetUnitID(1);
    const bool bits[3] = {true, false, true};
    ASSERT_TRUE(link.SetBitArray(200, 3, bits)) << link.Status();
    const int ints[2] = {0, 65535};
    ASSERT_TRUE(link.SetIntArray(300, 2, ints, false)) << link.Status();
    const int longs[2] = {-1, 123456789};
    ASSERT_TRUE(link.SetIntArray(400, 2, longs, true)) << link.Status();

    EXPECT_TRUE(sim.GetBit(1, 200));
    EXPECT_FALSE(sim.GetBit(1, 201));
    EXPECT_TRUE(sim.GetBit(1, 202));
    EXPECT_EQ(sim.GetInt(1, 301), 65535);
    EXPECT_EQ(sim.GetLong(1, 400), -1);
    EXPECT_EQ(sim.GetLong(1, 401), 123456789);
    std::vector<visionsim::FrameRecord> frames = sim.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].request, "/01SB00C803101" + Sum("01SB00C803101"));
    EXPECT_EQ(frames[1].request, "/01SW012C020000FFFF" + Sum("01SW012C020000FFFF"));
    EXPECT_EQ(frames[2].request, "/01SNL019002FFFFFFFF075BCD15" + Sum("01SNL019002FFFFFFFF075BCD15"));
}

// Each damaged reply the controller line can give, and what the link makes of it. Only failures of
// the port count as errors; the protocol's own refusals leave their text in Status alone.
TEST_F(VisionLinkOnSimulator, RefusesDamagedRepliesWithTheirStatus) {
    struct Case {
        Fault fault;
        bool isLong;
        bool ok;
        const char* status;
        bool countsError;
        bool beeps;
    } cases[] = {
        {Fault::LowerCaseChecksum, false, false, "CRC check error.", false, false},
        {Fault::BadChecksum, false, false, "CRC check error.", false, false},
        {Fault::WrongStart, false, false, "STX1 is missing in answer.", false, false},
        {Fault::TooShort, false, false, "Answer too short.", false, false},
        {Fault::NonHexData, false, false, "Int convert error.", false, true},
        {Fault::FewerData, false, false, "Recive() OK", false, false},
        {Fault::WrongUnit, false, false, "Wrong unit or command in answer.", false, false},
        {Fault::FullEcho, true, true, "Recive() OK", false, false},
        {Fault::Oversize, false, false, "Неожиданно длинный ответ.", true, false},
        {Fault::Silence, false, false, "Не удалось принять блок информации.", true, false},
        {Fault::LongDelay, false, false, "Не удалось принять блок информации.", true, false},
        {Fault::Trickle, true, false, "Не удалось принять блок информации.", true, false},
    };
    link.SetUnitID(1);
    sim.SetInt(1, 50, 0xBEEF);
    sim.SetInt(1, 51, 0xCAFE);  // letters in the checksum, so its case matters
    sim.SetLong(1, 50, 1000290);
    sim.SetLong(1, 51, 1000770);
    for (const Case& c : cases) {
        SCOPED_TRACE(visionsim::FaultName(c.fault));
        sim.QueueFault(c.fault, 1, 1);
        const int errors = link.ErrorCounter();
        const int beeps = BeepCount();
        int values[2] = {};
        EXPECT_EQ(link.GetIntArray(50, 2, values, c.isLong), c.ok);
        EXPECT_EQ(link.Status(), c.status);
        EXPECT_EQ(link.ErrorCounter() - errors, c.countsError ? 1 : 0);
        EXPECT_EQ(BeepCount() - beeps, c.beeps ? 1 : 0);
        if (c.ok) {
            EXPECT_EQ(values[0], 1000290);
            EXPECT_EQ(values[1], 1000770);
        }
        // A late reply must not be taken for the next exchange's: the next read is clean.
        ASSERT_TRUE(sim.WaitForRepliesSent(3s));
        int again[2] = {};
        EXPECT_TRUE(link.GetIntArray(50, 2, again, false)) << link.Status();
        EXPECT_EQ(again[0], 0xBEEF);
    }
}

TEST_F(VisionLinkOnSimulator, ASilentControllerFailsTheReadAfterTheReplyTimeOut) {
    sim.SetUnitSilent(1, true);
    link.SetUnitID(1);
    bool bits[2];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.GetBitArray(10, 2, bits));
    // Never gives up before the controller's full second has passed.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(link.Status(), "Не удалось принять блок информации.");
    EXPECT_EQ(link.ErrorCounter(), 1);
    EXPECT_EQ(link.ResultStr(), "");

    // The other unit on the same line still answers.
    sim.SetHydroValue(0, 1250);
    link.SetUnitID(2);
    int v = 0;
    EXPECT_TRUE(link.GetIntArray(55, 1, &v, false)) << link.Status();
    EXPECT_EQ(v, 1250);
}

// Replies the simulator does not produce: the shortest reply the length test lets pass, and an
// answer to another command.
TEST(VisionLinkReplies, ShortestAcceptedReplyAndForeignEcho) {
    ScriptedLine line;
    TVisionLink link(nullptr);
    Open(link, line.SlavePath());

    line.Reply("/A0161\r");  // STX1, the unit id and the checksum: no echo, no data
    link.SetCommandLine("RB000A01");
    AnsiString data = "x";
    EXPECT_TRUE(link.GetQueryRez(data)) << link.Status();
    EXPECT_EQ(data, "");

    line.Reply("/A0161\r");
    bool bit = true;
    EXPECT_FALSE(link.GetBitArray(10, 1, &bit));

    line.Reply(ReplyLine("01RB1"));  // a bit read answering a 16-bit read
    int v = 0;
    EXPECT_FALSE(link.GetIntArray(50, 1, &v, false));
    EXPECT_EQ(link.Status(), "Wrong unit or command in answer.");

    line.Reply(ReplyLine("01RBx1"));  // any character but "1" is a clear bit
    bool bits[2] = {true, false};
    EXPECT_TRUE(link.GetBitArray(10, 2, bits)) << link.Status();
    EXPECT_FALSE(bits[0]);
    EXPECT_TRUE(bits[1]);
    EXPECT_EQ(link.ErrorCounter(), 0);
}

// Frames and operands that would not fit their fields are refused before anything reaches the line.
TEST(VisionLinkRefusals, OperandsOutOfRangeAndOverlongFramesNeverGoOut) {
    ScriptedLine line;
    TVisionLink link(nullptr);
    Open(link, line.SlavePath());
    bool bits[120] = {};
    int values[2] = {70000, 1};
    int negative = -1;
    struct Case {
        const char* what;
        std::function<bool()> run;
        const char* status;
        int errors;
    } cases[] = {
        {"address above 65535", [&] { return link.GetBitArray(65536, 1, bits); }, "Operand out of range.", 0},
        {"negative address", [&] { return link.GetIntArray(-1, 1, values, false); }, "Operand out of range.", 0},
        {"count 0", [&] { return link.GetIntArray(0, 0, values, true); }, "Operand out of range.", 0},
        {"count 256", [&] { return link.SetBitArray(0, 256, bits); }, "Operand out of range.", 0},
        {"16-bit value above 65535", [&] { return link.SetIntArray(0, 2, values, false); }, "Operand out of range.", 0},
        {"negative 16-bit value", [&] { return link.SetIntArray(0, 1, &negative, false); }, "Operand out of range.", 0},
        {"frame of 100 characters", [&] { return link.SetBitArray(0, 87, bits); }, "Не удалось послать блок информации.", 1},
        {"unit id 256", [&] { link.SetUnitID(256); return link.GetBitArray(10, 1, bits); }, "Unit id out of range.", 0},
        {"negative unit id", [&] { link.SetUnitID(-1); return link.GetBitArray(10, 1, bits); }, "Unit id out of range.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int errors = link.ErrorCounter();
        EXPECT_FALSE(c.run());
        EXPECT_EQ(link.Status(), c.status);
        EXPECT_EQ(link.ErrorCounter() - errors, c.errors);
    }
    EXPECT_EQ(link.SendCounter(), 0);
    EXPECT_TRUE(line.Frames().empty());
    // 99 characters and the carriage return just fill the send buffer.
    link.SetUnitID(1);
    line.Reply(ReplyLine("01SB"));
    EXPECT_TRUE(link.SetBitArray(0, 86, bits)) << link.Status();
    ASSERT_EQ(line.Frames().size(), 1u);
    EXPECT_EQ(line.Frames()[0].size(), 99u);
    EXPECT_EQ(link.SendCounter(), 1);
}

TEST(VisionLinkPort, OpeningAndSettersFollowThePortState) {
    ScriptedLine line;
    TVisionLink link(nullptr);
    EXPECT_EQ(link.PortName(), "COM1");
    EXPECT_EQ(link.Speed(), 57600);

    struct Case {
        const char* port;
        int speed;
        const char* status;
    } failures[] = {
        {"", 1000, "Попытка соединения с неправильной скоростью!"},
        {"", 0, "Попытка соединения с неправильной скоростью!"},
        {"/nonexistent/tty", 57600, "Не могу открыть COM-порт.\n\rВозможно, он используется\n\rдругой программой."},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.speed);
        link.SetPortName(*c.port ? c.port : line.SlavePath().c_str());
        const int errors = link.ErrorCounter();
        EXPECT_FALSE(link.ConnectToPort(c.speed));
        EXPECT_EQ(link.Status(), c.status);
        EXPECT_EQ(link.ErrorCounter(), errors + 1);
        EXPECT_FALSE(link.Active());
    }
    // A closed link neither sends nor reads, and says nothing about it.
    const int errors = link.ErrorCounter();
    EXPECT_FALSE(link.SendString("/01RW0000012B"));
    EXPECT_EQ(link.ReciveString(), "");
    EXPECT_EQ(link.ErrorCounter(), errors);

    link.SetPortName(line.SlavePath().c_str());
    link.SetSpeed(9600);
    link.SetActive(true);
    ASSERT_TRUE(link.Active()) << link.Status();
    EXPECT_EQ(link.Port().Timeouts(), (TCommTimeouts{50, 30, 100, 50, 100}));

    struct Refusal {
        std::function<void()> change;
        const char* status;
    } refusals[] = {
        {[&] { link.SetPortName("COM7"); }, "Нельзя менять порт при активном подключении!"},
        {[&] { link.SetSpeed(115200); }, "Нельзя менять скорость обмена при активном подключении."},
        {[&] { link.ConnectToPort(9600); }, "Не могу переключиться при активном соединении!"},
    };
    for (const Refusal& r : refusals) {
        const int before = link.ErrorCounter();
        r.change();
        EXPECT_EQ(link.Status(), r.status);
        EXPECT_EQ(link.ErrorCounter(), before + 1);
    }
    EXPECT_EQ(link.PortName(), line.SlavePath());
    EXPECT_EQ(link.Speed(), 9600);
    // Setting what is already set is no change and no error.
    const int before = link.ErrorCounter();
    link.SetSpeed(9600);
    link.SetPortName(line.SlavePath().c_str());
    EXPECT_EQ(link.ErrorCounter(), before);

    link.SetActive(false);
    EXPECT_FALSE(link.Active());
    link.SetSpeed(115200);
    EXPECT_EQ(link.Speed(), 115200);
    // Reopening after a close works on the same line.
    link.SetActive(true);
    EXPECT_TRUE(link.Active()) << link.Status();
}

TEST(VisionLinkPort, SendedAndRecivedRunOneExchangeByHand) {
    ScriptedLine line;
    TVisionLink link(nullptr);
    Open(link, line.SlavePath());
    line.Reply(ReplyLine("01RW00FA"));
    link.SetQueryString("/01RW00320131");
    EXPECT_FALSE(link.Sended());
    link.SetSended(true);
    EXPECT_TRUE(link.Sended());
    EXPECT_FALSE(link.Recived());
    link.SetRecived(true);
    EXPECT_TRUE(link.Recived());
    EXPECT_EQ(link.ResultStr(), "/A01RW00FA" + Sum("01RW00FA"));
    link.SetQueryString("/01RW00320131");
    EXPECT_FALSE(link.Sended());  // a new frame is not sent yet
}

// The exchange lock keeps a second thread off the line while one exchange runs, and gives up after
// a quarter of a second instead of waiting for the whole exchange.
// The exchange lock keeps a second thread off the line while one exchange runs, and gives up after
// a quarter of a second instead of waiting for the whole exchange.
TEST(VisionLinkLock, ASecondExchangeGivesUpWhileTheFirstHoldsTheLine) {
    ScriptedLine line;
    TVisionLink link(nullptr);
    Open(link, line.SlavePath());
    line.Reply(std::nullopt);  // the first exchange waits its full second
    std::thread first([&] {
        AnsiString answer;
        link.SendCommand(answer);
    });
    ASSERT_TRUE(line.WaitForFrames(1, 3s));
    AnsiString answer;
    const int errors = link.ErrorCounter();
    EXPECT_FALSE(link.SendCommand(answer));
    const AnsiString refusal = link.Status();
    first.join();
    EXPECT_EQ(refusal, "Захват ресурса.");
    EXPECT_EQ(line.Frames().size(), 1u);          // the refused exchange wrote nothing
    EXPECT_EQ(link.ErrorCounter(), errors + 2);   // the refusal and the first one's time-out

    // The lock comes back after a failed send as well.
    link.SetActive(false);
    EXPECT_FALSE(link.SendCommand(answer));
    link.SetActive(true);
    line.Reply(ReplyLine("01RW002A"));
    link.SetQueryString("/01RW00320131");
    EXPECT_TRUE(link.SendCommand(answer)) << link.Status();
    EXPECT_EQ(answer, "/A01RW002A" + Sum("01RW002A"));
}

TEST(VisionLinkEmulation, AnswersFromItsListsWithoutAPort) {
    TVisionLink link(nullptr);
    link.SetEmulFlag(true);

    int two[2] = {7, 7};
    EXPECT_TRUE(link.GetIntArray(50, 2, two, false));
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[1], 0);

    const int one = 1234;
    EXPECT_TRUE(link.SetIntArray(3, 1, &one, false));
    ASSERT_EQ(link.EmulIntArray()->Count(), 4);
    EXPECT_EQ(link.EmulIntArray()->Get(0), "0");
    EXPECT_EQ(link.EmulIntArray()->Get(3), "1234");

    const int longs[2] = {-5, 70000};
    EXPECT_TRUE(link.SetIntArray(0, 2, longs, true));
    int back[2] = {};
    EXPECT_TRUE(link.GetIntArray(0, 2, back, true));
    EXPECT_EQ(back[0], -5);
    EXPECT_EQ(back[1], 70000);
    EXPECT_EQ(link.EmulIntArray()->Count(), 4);  // the 32-bit list is a list of its own

    TStringList given;
    given.Add("0");
    given.Add("2");
    link.SetEmulBitArray(&given);
    given.Clear();  // the component keeps a copy
    bool bits[3] = {true, false, true};
    EXPECT_TRUE(link.GetBitArray(0, 3, bits));
    EXPECT_FALSE(bits[0]);
    EXPECT_TRUE(bits[1]);
    EXPECT_FALSE(bits[2]);
    const bool set[2] = {true, false};
    EXPECT_TRUE(link.SetBitArray(4, 2, set));
    EXPECT_EQ(link.EmulBitArray()->Get(4), "1");
    EXPECT_EQ(link.EmulBitArray()->Get(5), "0");
    EXPECT_EQ(link.SendCounter(), 0);
    EXPECT_EQ(link.ErrorCounter(), 0);
}
