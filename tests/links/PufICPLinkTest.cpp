// The serial command link against a device played on a pseudo-terminal.
#include "links/ICPLink.h"

#include "PufSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <thread>

using puftest::PtyDevice;
using puftest::WaitUntil;

namespace {

const char* const kReceiveFailed = "Не удалось принять блок информации.";

class ICPLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        link = std::make_unique<TICPLink>(nullptr);
        link->SetPortName(device.Slave());
        link->SetSpeed(38400);
    }
    void Open() {
        link->SetActive(true);
        ASSERT_TRUE(link->Active()) << link->Status();
    }
    // Sends a command, lets the device answer with the given bytes and reads the answer.
    AnsiString Exchange(const std::string& reply) {
        EXPECT_TRUE(link->SendString("Q"));
        EXPECT_EQ(device.ReadLine(2000), "Q\r");
        device.Write(reply);
        return link->ReciveString();
    }

    puftest::ScratchCurrentDir dir;  // no timing file unless a test writes one
    PtyDevice device;
    std::unique_ptr<TICPLink> link;
};

TEST_F(ICPLinkTest, DefaultsOfANewComponent) {
    TICPLink fresh(nullptr);
    EXPECT_EQ(fresh.PortName(), "COM3");
    EXPECT_EQ(fresh.CmdString(), "$012");
    EXPECT_EQ(fresh.Speed(), 9600);
    EXPECT_EQ(fresh.IniName(), "comport.ini");
    EXPECT_EQ(fresh.ErrorCounter(), 0);
    EXPECT_FALSE(fresh.Active());
    EXPECT_EQ(fresh.Status(), "");
}

TEST_F(ICPLinkTest, AnswersAreReadUpToTheirCarriageReturn) {
    Open();
    const std::string long9900(9900, 'x');
    struct Case {
        const char* name;
        std::string reply;
        std::string answer;
        const char* status;
    };
    const Case cases[] = {
        {"plain", "ABC\r", "ABC", "Recive() OK"},
        {"empty line", "\r", "", "Recive() OK"},
        {"a NUL cuts the answer", std::string("AB\0CD\r", 6), "AB", "Recive() OK"},
        {"the longest answer", long9900 + "\r", long9900, "Recive() OK"},
        {"one byte too many", long9900 + "y\r", "", "Неожиданно длинный ответ."},
        {"bytes above 0x7F pass unchanged", "\xC4\xE0\r", "\xC4\xE0", "Recive() OK"},
    };
    for (const Case& c : cases) {
        const int errors = link->ErrorCounter();
        const AnsiString before = link->ResultStr();
        const AnsiString got = Exchange(c.reply);
        EXPECT_EQ(got, c.answer) << c.name;
        EXPECT_EQ(link->Status(), c.status) << c.name;
        const bool ok = std::string(c.status) == "Recive() OK";
        EXPECT_EQ(link->ErrorCounter(), errors + (ok ? 0 : 1)) << c.name;
        // A failed receive keeps the last complete answer.
        EXPECT_EQ(link->ResultStr(), ok ? AnsiString(c.answer) : before) << c.name;
    }
}

TEST_F(ICPLinkTest, ALineFeedAfterTheAnswerIsDiscardedByTheNextSend) {
    Open();
    EXPECT_EQ(Exchange("ABC\r\n"), "ABC");
    // Without the purge the LF would start the next answer.
    EXPECT_EQ(Exchange("DEF\r"), "DEF");
    // A whole stale answer is thrown away as well.
    device.Write("STALE\r");
    EXPECT_EQ(Exchange("FRESH\r"), "FRESH");
}

TEST_F(ICPLinkTest, ASilentOrTricklingDeviceEndsTheReceiveAfterOneSecond) {
    Open();
    // Silence.
    EXPECT_TRUE(link->SendString("Q"));
    EXPECT_EQ(link->ReciveString(), "");
    EXPECT_EQ(link->Status(), kReceiveFailed);
    EXPECT_EQ(link->ErrorCounter(), 1);

    // Bytes keep coming, 40 ms apart, but no CR within the second: the bound covers the whole answer.
    EXPECT_TRUE(link->SendString("Q"));
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        for (int i = 0; i < 60 && !stop.load(); ++i) {
            device.Write("z");
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    });
    EXPECT_EQ(link->ReciveString(), "");
    stop = true;
    trickle.join();
    EXPECT_EQ(link->Status(), kReceiveFailed);
    EXPECT_EQ(link->ErrorCounter(), 2);
}

TEST_F(ICPLinkTest, RefusalsOfSettingsAndSpeeds) {
    // A speed outside the list leaves the port closed.
    link->SetSpeed(9601);
    link->SetActive(true);
    EXPECT_FALSE(link->Active());
    EXPECT_EQ(link->Status(), "Попытка соединения с неправильной скоростью!");
    EXPECT_EQ(link->ErrorCounter(), 1);

    link->SetSpeed(9600);
    Open();
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* status;  // nullptr: accepted silently
    };
    const Case cases[] = {
        {"other speed while open", [&] { link->SetSpeed(19200); }, "Нельзя менять скорость обмена при активном подключении."},
        {"same speed while open", [&] { link->SetSpeed(9600); }, nullptr},
        {"other port while open", [&] { link->SetPortName("COM7"); }, "Нельзя менять порт при активном подключении!"},
        {"same port while open", [&] { link->SetPortName(device.Slave()); }, nullptr},
        {"connect while open", [&] { EXPECT_FALSE(link->ConnectToPort(9600)); }, "Не могу переключиться при активном соединении!"},
    };
    for (const Case& c : cases) {
        link->SetStatus("");
        const int errors = link->ErrorCounter();
        c.act();
        EXPECT_EQ(link->Status(), c.status ? c.status : "") << c.name;
        EXPECT_EQ(link->ErrorCounter(), errors + (c.status ? 1 : 0)) << c.name;
    }
    EXPECT_EQ(link->Speed(), 9600);
    EXPECT_EQ(link->PortName(), device.Slave());
    EXPECT_TRUE(link->Active());
}

TEST_F(ICPLinkTest, AMissingDeviceCannotBeOpened) {
    link->SetPortName("/dev/plantmon-no-such-port");
    link->SetActive(true);
    EXPECT_FALSE(link->Active());
    EXPECT_EQ(link->Status(), "Не могу открыть COM-порт.\n\rВозможно, он используется\n\rдругой программой.");
    EXPECT_EQ(link->ErrorCounter(), 1);
}

TEST_F(ICPLinkTest, ThePortIsHeldUntilClosedOrDestroyed) {
    Open();
    TICPLink second(nullptr);
    second.SetPortName(device.Slave());
    second.SetActive(true);
    EXPECT_FALSE(second.Active()) << "an open port is exclusive";

    // Closing lets another component take it; destroying an open component closes it as well.
    link->SetActive(false);
    second.SetActive(true);
    EXPECT_TRUE(second.Active()) << second.Status();
    second.SetActive(false);
    Open();
    link.reset();
    second.SetActive(true);
    EXPECT_TRUE(second.Active()) << second.Status();
}

TEST_F(ICPLinkTest, SendsOnAClosedPortDoNothing) {
    EXPECT_FALSE(link->SendString("Q"));
    EXPECT_EQ(link->ErrorCounter(), 0);
    EXPECT_EQ(link->Status(), "");
    EXPECT_EQ(link->ReciveString(), "");
    EXPECT_EQ(link->Status(), kReceiveFailed);
}

TEST_F(ICPLinkTest, ACommandTooLongForTheBufferIsRefused) {
    Open();
    EXPECT_FALSE(link->SendString(std::string(TICPLink::MaxCommandLength + 1, 'a')));
    EXPECT_EQ(link->Status(), "Не удалось послать блок информации.");
    EXPECT_TRUE(link->SendString(std::string(TICPLink::MaxCommandLength, 'a')));
    EXPECT_EQ(link->Status(), "Send() OK");
    EXPECT_EQ(device.ReadLine(3000).size(), static_cast<std::size_t>(TICPLink::MaxCommandLength + 1));
}

TEST_F(ICPLinkTest, TriggerPropertiesSendAndReceive) {
    Open();
    link->SetCmdString("$012");
    link->SetSended(true);
    EXPECT_TRUE(link->Sended());
    EXPECT_EQ(device.ReadLine(2000), "$012\r");
    // A new command makes the trigger ready again.
    link->SetCmdString("$013");
    EXPECT_FALSE(link->Sended());

    device.Write("!01\r");
    link->SetRecived(true);
    EXPECT_TRUE(link->Recived());
    EXPECT_EQ(link->ResultStr(), "!01");
    // Sending again re-arms the receive trigger.
    link->SetSended(true);
    EXPECT_FALSE(link->Recived());
    // A failed receive still sets the trigger.
    link->SetRecived(true);
    EXPECT_TRUE(link->Recived());
    EXPECT_EQ(link->Status(), kReceiveFailed);
}

TEST_F(ICPLinkTest, SendCommandExchangesUnderItsLock) {
    Open();
    link->SetCmdString("$012");
    std::thread device_side([&] {
        if (device.ReadLine(2000) == "$012\r") device.Write("!0100\r");
    });
    AnsiString answer;
    EXPECT_TRUE(link->SendCommand(answer));
    device_side.join();
    EXPECT_EQ(answer, "!0100");

    // A silent device: the exchange holds the lock for about a second; a second user gives up after
    // its 250 ms wait.
    std::atomic<bool> firstResult{true};
    std::thread first([&] {
        AnsiString a;
        firstResult = link->SendCommand(a);
    });
    ASSERT_EQ(device.ReadLine(2000), "$012\r");
    AnsiString b;
    EXPECT_FALSE(link->SendCommand(b));
    EXPECT_EQ(link->Status(), "Захват ресурса.");
    first.join();
    EXPECT_FALSE(firstResult.load());
}

TEST(ICPLinkTimingFile, TimeOutsComeFromTheFileOrTheirDefaults) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
        TCommTimeouts expected;
    };
    const Case cases[] = {
        {"no file", nullptr, {10, 7, 40, 3, 30}},
        {"slower constant", "[timeouts]\nRConst=100\n", {10, 7, 100, 3, 30}},
        {"every key", "[timeouts]\nRInterval=1\nRMult=2\nRConst=3\nWMult=4\nWConst=5\n", {1, 2, 3, 4, 5}},
        {"other section only", "[other]\nRConst=100\n", {10, 7, 40, 3, 30}},
    };
    for (const Case& c : cases) {
        puftest::ScratchCurrentDir dir;
        if (c.content) std::ofstream(dir / "comport.ini") << c.content;
        TICPLink link(nullptr);
        EXPECT_EQ(link.ReadTimeouts(), c.expected) << c.name;
    }
    // The file is looked up by IniName in the current folder.
    puftest::ScratchCurrentDir dir;
    std::ofstream(dir / "timing.ini") << "[timeouts]\nWConst=77\n";
    TICPLink link(nullptr);
    link.SetIniName("timing.ini");
    EXPECT_EQ(link.ReadTimeouts().WriteTotalTimeoutConstant, 77u);
}

}  // namespace
