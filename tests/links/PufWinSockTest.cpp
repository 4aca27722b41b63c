// The socket query client and server: each against a plain peer of the system layer, then together.
#include "links/WinSockClient.h"
#include "links/WinSockServer.h"

#include "PufSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

using puftest::WaitUntil;

namespace {

int PortOf(const sockaddr_in& a) { return ntohs(a.sin_port); }

// Whether all a server-side socket has sent has reached the client's receive buffer. The platform
// socket keeps its descriptor to itself: it is found among the process's own by the two ports.
bool Delivered(TTcpSocket& s) {
    const AnsiString peer = s.PeerAddress();
    const int clientPort = std::atoi(peer.c_str() + peer.Pos(":"));
    for (int fd = 3; fd < 4096; ++fd) {
        sockaddr_in local{}, remote{};
        socklen_t ll = sizeof local, rl = sizeof remote;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &ll) != 0 || local.sin_family != AF_INET) continue;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &rl) != 0) continue;
        if (PortOf(local) != s.LocalPort() || PortOf(remote) != clientPort) continue;
        int unacknowledged = -1;
        return ioctl(fd, TIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
    }
    return false;
}

// Sends a first block and the second only once the client has taken the first, so that the two
// arrive as two blocks however busy the machine.
void SendTwoBlocks(TTcpSocket& s, TWinSockClient& client, const std::string& first, const std::string& second) {
    s.Send(first.data(), static_cast<int>(first.size()));
    WaitUntil([&] { return Delivered(s) && client.BytesWaiting() == 0; }, 30000);
    s.Send(second.data(), static_cast<int>(second.size()));
}

// A loopback server whose replies the test scripts: each received line (up to CR) is handed to the
// script, which answers through the socket as it likes.
class ScriptedPeer {
public:
    using Script = std::function<void(const std::string& line, TTcpSocket& s)>;
    explicit ScriptedPeer(Script script, std::string greeting = "") : script_(std::move(script)) {
        server_.Start(0, [this, greeting](TTcpServer&, TTcpSocket& s) {
            if (!greeting.empty()) s.Send(greeting.data(), static_cast<int>(greeting.size()));
            std::string line;
            char buf[256];
            for (;;) {
                int got = 0;
                TReceiveResult r = s.Receive(buf, sizeof buf, got, INFINITE);
                if (r == rrClosed) {
                    closedByClient_ = true;
                    return;
                }
                if (r != rrData) return;
                for (int i = 0; i < got; ++i) {
                    if (buf[i] != '\r') {
                        line += buf[i];
                        continue;
                    }
                    {
                        std::lock_guard<std::mutex> l(m_);
                        lines_.push_back(line);
                    }
                    script_(line, s);
                    WaitUntil([&] { return Delivered(s); }, 30000);
                    ++answered_;
                    line.clear();
                }
            }
        }, "127.0.0.1");
    }
    ~ScriptedPeer() { server_.Stop(); }
    int Port() const { return server_.LocalPort(); }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> l(m_);
        return lines_;
    }
    bool ClosedByClient() const { return closedByClient_.load(); }
    // Lines whose script has run, counted once what it sent had reached the client.
    int Answered() const { return answered_.load(); }

private:
    Script script_;
    TTcpServer server_;
    mutable std::mutex m_;
    std::vector<std::string> lines_;
    std::atomic<bool> closedByClient_{false};
    std::atomic<int> answered_{0};
};

void SendText(TTcpSocket& s, const std::string& text) { s.Send(text.data(), static_cast<int>(text.size())); }

struct ConnectEvents {
    std::vector<bool> seen;
    void Handler(TObject*, bool status) { seen.push_back(status); }
};

TEST(WinSockClient, ConnectsReportsAndDisconnects) {
    ScriptedPeer peer([](const std::string&, TTcpSocket&) {});
    TWinSockClient client(nullptr);
    EXPECT_EQ(client.LinkAddress(), "127.0.0.1");
    EXPECT_EQ(client.LinkPort(), 7777);
    EXPECT_EQ(client.LastCmdRez(), "OK");
    EXPECT_EQ(client.TryCount(), 3);
    ConnectEvents events;
    client.OnConnectStatus = TConnectStatusEvent(&events, &ConnectEvents::Handler);

    client.SetLinkAddress("localhost");  // a host name goes through the lookup
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect()) << client.LastCmdRez();
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.LastCmdRez(), "Соединение с localhost успешно установлено.");
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.seen, (std::vector<bool>{true, false}));

    // The Connected property connects and disconnects as well.
    client.SetConnected(true);
    EXPECT_TRUE(client.Connected());
    client.SetConnected(false);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.seen.size(), 4u);
}

TEST(WinSockClient, ConnectFailuresLeaveTheirTextAndNoEvent) {
    // A port nobody listens on: bind one and close it again.
    int freePort;
    {
        TTcpServer probe;
        ASSERT_TRUE(probe.Start(0, [](TTcpServer&, TTcpSocket&) {}, "127.0.0.1"));
        freePort = probe.LocalPort();
    }
    struct Case {
        const char* address;
        int port;
        std::string text;
    };
    const Case cases[] = {
        {"300.1.1.1", 7777, "Invalid address 300.1.1.1\n"},
        {"127.0.0.1", freePort, "Connect error " + std::to_string(ECONNREFUSED) + "\n"},
    };
    for (const Case& c : cases) {
        TWinSockClient client(nullptr);
        ConnectEvents events;
        client.OnConnectStatus = TConnectStatusEvent(&events, &ConnectEvents::Handler);
        client.SetLinkAddress(c.address);
        client.SetLinkPort(c.port);
        EXPECT_FALSE(client.Connect()) << c.address;
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(client.LastCmdRez(), c.text) << c.address;
        EXPECT_TRUE(events.seen.empty());
    }
}

TEST(WinSockClient, QueriesTakeTheBlockThatHoldsTheWantedText) {
    TWinSockClient client(nullptr);
    ScriptedPeer peer([&client](const std::string& line, TTcpSocket& s) {
        if (line == "two blocks") {
            SendTwoBlocks(s, client, "AB", "ABC");
        } else if (line == "nul") {
            SendText(s, std::string("A\0B", 3));
        } else if (line == "other") {
            SendText(s, "XYZ");
        }
    });
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect());

    struct Case {
        const char* name;
        const char* command;
        const char* wanted;
        bool raw;
        bool result;
        std::string rez;
    };
    const Case cases[] = {
        {"the first block lacks the wanted text", "two blocks", "ABC", false, true, "ABC"},
        {"an empty wanted text takes the first block", "two blocks", "", false, true, "AB"},
        {"a NUL cuts the block", "nul", "", false, true, "A"},
        {"raw keeps every byte", "nul", "", true, true, std::string("A\0B", 3)},
        // The limit passes after a block without the wanted text: that block stays the answer.
        {"no block holds the wanted text", "other", "ABC", false, true, "XYZ"},
        {"no answer at all", "silence", "", false, false, ""},
    };
    int asked = 0;
    for (const Case& c : cases) {
        client.SetQueryCmd(c.command);
        client.SetWantedAnswer(c.wanted);
        EXPECT_EQ(client.ExecuteQuery(1000, c.raw), c.result) << c.name;
        EXPECT_EQ(client.QueryRez().str(), c.rez) << c.name;
        EXPECT_EQ(client.LastCmdRez(), "") << c.name;
        // A late block of this case is in before the next query, which throws it away as stale input.
        ++asked;
        ASSERT_TRUE(WaitUntil([&] { return peer.Answered() == asked; }, 30000)) << c.name;
    }
    // Each query sent its command with a carriage return.
    EXPECT_EQ(peer.Lines().size(), std::size(cases));
}

TEST(WinSockClient, StaleInputIsDiscardedBeforeAQuery) {
    ScriptedPeer peer([](const std::string& line, TTcpSocket& s) { SendText(s, "re:" + line); },
                      std::string("Kelvaron query server\r\0", 23));
    TWinSockClient client(nullptr);
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(WaitUntil([&] { return client.BytesWaiting() == 23; }, 3000));
    client.SetQueryCmd("ping");
    EXPECT_TRUE(client.ExecuteQuery(1000, false));
    EXPECT_EQ(client.QueryRez(), "re:ping");
}

TEST(WinSockClient, APeerThatClosesGivesFalseAfterTheLimit) {
    ScriptedPeer peer([](const std::string&, TTcpSocket& s) { s.Shutdown(); });
    TWinSockClient client(nullptr);
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect());
    client.SetQueryCmd("bye");
    EXPECT_FALSE(client.ExecuteQuery(300, false));
    EXPECT_EQ(client.QueryRez(), "");
}

TEST(WinSockClient, ASecondQueryWhileTheFirstRunsIsRefusedWithABox) {
    guitest::MessageBoxRecorder boxes;
    ScriptedPeer peer([](const std::string&, TTcpSocket&) {});
    TWinSockClient client(nullptr);
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect());
    client.SetQueryCmd("slow");
    std::atomic<bool> firstDone{false};
    std::thread first([&] {
        client.ExecuteQuery(1500, false);
        firstDone = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return peer.Lines().size() == 1; }, 3000));
    EXPECT_FALSE(client.ExecuteQuery(200, false));
    first.join();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Выполнение предыдущего запроса не завершено.");
    EXPECT_EQ(boxes.Last().Caption, "Ошибка");
    EXPECT_EQ(peer.Lines().size(), 1u) << "the refused query sent nothing";
}

TEST(WinSockClient, TheThreadedModeWaitsForItsWorker) {
    TWinSockClient client(nullptr);
    ScriptedPeer peer([&client](const std::string& line, TTcpSocket& s) {
        if (line == "part") SendTwoBlocks(s, client, "AB", "ABC");
    });
    client.SetDoubleThreadMode(true);
    client.SetLinkPort(peer.Port());
    ASSERT_TRUE(client.Connect());

    client.SetQueryCmd("part");
    client.SetWantedAnswer("ABC");
    EXPECT_TRUE(client.ExecuteQuery(2000, false));
    EXPECT_EQ(client.QueryRez(), "ABC");

    // A silent server: the worker is stopped at the limit and the connection stays usable.
    client.SetQueryCmd("silence");
    EXPECT_FALSE(client.ExecuteQuery(300, false));
    EXPECT_TRUE(client.Connected());
    client.SetDoubleThreadMode(false);
    client.SetQueryCmd("part");
    EXPECT_TRUE(client.ExecuteQuery(2000, false));
    EXPECT_EQ(client.QueryRez(), "ABC");
}

TEST(WinSockClient, DestroyingTheClientClosesItsConnection) {
    ScriptedPeer peer([](const std::string&, TTcpSocket&) {});
    auto client = std::make_unique<TWinSockClient>(nullptr);
    ConnectEvents events;
    client->OnConnectStatus = TConnectStatusEvent(&events, &ConnectEvents::Handler);
    client->SetLinkPort(peer.Port());
    ASSERT_TRUE(client->Connect());
    client.reset();
    EXPECT_TRUE(WaitUntil([&] { return peer.ClosedByClient(); }, 3000));
    EXPECT_EQ(events.seen, (std::vector<bool>{true}));
}

// ---- Server ----------------------------------------------------------------------------------------

// A plain client of the system layer that collects what the server sends.
class RawClient {
public:
    explicit RawClient(int port) { ok_ = socket_.Connect("127.0.0.1", port, 3000); }
    bool Ok() const { return ok_; }
    void Send(const std::string& text) { SendText(socket_, text); }
    // Collects bytes until n have come, the server closes, or the time passes.
    std::string Take(std::size_t n, int timeoutMs = 3000) {
        const auto t0 = puftest::Clock::now();
        while (buffer_.size() < n && !closed_ && puftest::MsSince(t0) < timeoutMs) pull(20);
        std::string out = buffer_.substr(0, std::min(n, buffer_.size()));
        buffer_.erase(0, out.size());
        return out;
    }
    // True when the server closed the connection within the time.
    bool ClosedWithin(int timeoutMs) {
        const auto t0 = puftest::Clock::now();
        while (!closed_ && puftest::MsSince(t0) < timeoutMs) pull(20);
        return closed_;
    }
    // Nothing arrives for a while.
    bool QuietFor(int ms) {
        const auto t0 = puftest::Clock::now();
        while (puftest::MsSince(t0) < ms) pull(10);
        return buffer_.empty();
    }

private:
    void pull(uint32_t ms) {
        char buf[2048];
        int got = 0;
        TReceiveResult r = socket_.Receive(buf, sizeof buf, got, ms);
        if (r == rrData) buffer_.append(buf, static_cast<std::size_t>(got));
        if (r == rrClosed || r == rrError) closed_ = true;
    }
    TTcpSocket socket_;
    bool ok_ = false;
    bool closed_ = false;
    std::string buffer_;
};

const std::string kBanner("Kelvaron query server\r\0", 23);

class WinSockServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start(0)) << server.LastMessage(); }
    std::unique_ptr<RawClient> Client() {
        auto c = std::make_unique<RawClient>(server.ListeningPort());
        EXPECT_TRUE(c->Ok());
        EXPECT_EQ(c->Take(23), kBanner);
        return c;
    }
    TWinSockServer server{nullptr};
};

TEST_F(WinSockServerTest, EveryClientIsGreetedAndAnsweredLineByLine) {
    EXPECT_TRUE(server.Active());
    auto c = Client();
    EXPECT_EQ(server.ClientCount(), 1);
    struct Case {
        const char* name;
        std::string sent;
        std::string answer;
    };
    const std::string longLine(1200, 'L');
    const Case cases[] = {
        {"blanks are trimmed", "  hello  \r", "Command recive: hello\r"},
        {"two commands in one packet", "a\rb\r", "Command recive: a\rCommand recive: b\r"},
        {"quit in lower case is a command", "quit\r", "Command recive: quit\r"},
        {"an overlong line is cut", longLine + "\r", "Command recive: " + std::string(1000, 'L') + "\r"},
    };
    for (const Case& k : cases) {
        c->Send(k.sent);
        EXPECT_EQ(c->Take(k.answer.size()), k.answer) << k.name;
    }
    c->Send("Quit\r");
    EXPECT_EQ(c->Take(10), "Good bye!\r");
    EXPECT_TRUE(c->ClosedWithin(3000));
    EXPECT_TRUE(WaitUntil([&] { return server.ClientCount() == 0; }, 3000));
}

TEST_F(WinSockServerTest, TheQueryHandlerGivesTheAnswers) {
    std::atomic<int> calls{0};
    server.OnQuery = TSockQueryEvent([&](TObject* sender, AnsiString& query, AnsiString& answer) {
        EXPECT_EQ(sender, &server);
        ++calls;
        if (query == "silent") return;  // nothing is sent
        answer = "<" + query + ">";
    });
    auto c = Client();
    c->Send("silent\r");
    EXPECT_TRUE(c->QuietFor(150));
    c->Send(" x \r");
    EXPECT_EQ(c->Take(3), "<x>");  // no terminator is added
    c->Send("Exit\r");
    EXPECT_EQ(c->Take(10), "Good bye!\r");
    EXPECT_TRUE(c->ClosedWithin(3000));
    EXPECT_EQ(calls.load(), 3);
}

TEST_F(WinSockServerTest, StopShutsEveryClientDown) {
    auto a = Client();
    auto b = Client();
    EXPECT_TRUE(WaitUntil([&] { return server.ClientCount() == 2; }, 3000));
    EXPECT_TRUE(server.Stop());
    EXPECT_FALSE(server.Active());
    EXPECT_TRUE(a->ClosedWithin(3000));
    EXPECT_TRUE(b->ClosedWithin(3000));
    EXPECT_EQ(server.ClientCount(), 0);
    // A restart binds again at once.
    server.SetServerPortNum(0);
    server.SetActive(true);
    EXPECT_TRUE(server.Active());
    Client();
}

TEST_F(WinSockServerTest, ABusyPortIsReported) {
    TWinSockServer second(nullptr);
    int errors = 0;
    second.OnError = TNotifyEvent([&](TObject*) { ++errors; });
    EXPECT_FALSE(second.Start(server.ListeningPort()));
    EXPECT_FALSE(second.Active());
    EXPECT_EQ(second.LastMessage(), "Error bind " + std::to_string(EADDRINUSE) + "\n");
    EXPECT_EQ(errors, 1);
}

TEST_F(WinSockServerTest, DestroyingARunningServerEndsItsClients) {
    auto owned = std::make_unique<TWinSockServer>(nullptr);
    ASSERT_TRUE(owned->Start(0));
    RawClient c(owned->ListeningPort());
    EXPECT_EQ(c.Take(23), kBanner);
    owned.reset();
    EXPECT_TRUE(c.ClosedWithin(3000));
}

TEST_F(WinSockServerTest, TheClientComponentTalksToTheServerComponent) {
    server.OnQuery = TSockQueryEvent([](TObject*, AnsiString& query, AnsiString& answer) { answer = query + "_OK\r"; });
    TWinSockClient client(nullptr);
    client.SetLinkPort(server.ListeningPort());
    ASSERT_TRUE(client.Connect());
    // The banner waits as stale input and is thrown away by the query.
    ASSERT_TRUE(WaitUntil([&] { return client.BytesWaiting() == 23; }, 3000));
    client.SetQueryCmd("GetTimeA");
    client.SetWantedAnswer("GetTimeA");
    EXPECT_TRUE(client.ExecuteQuery(1000, false));
    EXPECT_EQ(client.QueryRez(), "GetTimeA_OK\r");
}

}  // namespace
