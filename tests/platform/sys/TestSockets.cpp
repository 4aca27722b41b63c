#include "sys/Sockets.h"

#include "SysTestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using systest::MsSince;
using systest::WaitUntil;

namespace {

int LoopbackListener(int backlog, int& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, backlog) != 0) return -1;
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
    return fd;
}

// A loopback peer written directly on the socket calls, so that a fault of the server class cannot
// hide one of the client. It accepts one connection and runs a script on it.
class Peer {
public:
    explicit Peer(std::function<void(int fd)> script) {
        listener_ = LoopbackListener(4, port_);
        thread_ = std::thread([this, script] {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) return;
            int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            script(fd);
            close(fd);
        });
    }
    ~Peer() {
        thread_.join();
        close(listener_);
    }
    int Port() const { return port_; }

    // Reads until the other side closes (at most 5 s) and returns what came.
    static std::string DrainUntilClosed(int fd) {
        std::string got;
        for (int i = 0; i < 500; ++i) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            char buf[512];
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    static void SendText(int fd, const std::string& s) { send(fd, s.data(), s.size(), MSG_NOSIGNAL); }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Everything until the peer closes, at most limitMs.
std::string ReceiveUntilClosed(TTcpSocket& s, TReceiveResult& last, int limitMs = 3000) {
    std::string all;
    auto t0 = std::chrono::steady_clock::now();
    char buf[256];
    int got = 0;
    do {
        last = s.Receive(buf, sizeof buf, got, 100);
        if (last == rrData) all.append(buf, static_cast<std::size_t>(got));
    } while ((last == rrData || last == rrTimeout) && MsSince(t0) < limitMs);
    return all;
}

std::string ReceiveText(TTcpSocket& s, uint32_t timeoutMs, TReceiveResult& r) {
    char buf[256];
    int got = 0;
    r = s.Receive(buf, sizeof buf, got, timeoutMs);
    return std::string(buf, static_cast<std::size_t>(got));
}

}  // namespace

TEST(TcpSocket, ResolvesDottedAddressesAndHostNames) {
    struct Case {
        const char* host;
        bool ok;
        const char* dotted;
    };
    const Case cases[] = {
        {"127.0.0.1", true, "127.0.0.1"},
        {"192.168.3.1", true, "192.168.3.1"},
        {"localhost", true, "127.0.0.1"},
        {"300.1.1.1", false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        uint32_t a = 0;
        EXPECT_EQ(TTcpSocket::ResolveIPv4(c.host, a), c.ok) << c.host;
        if (!c.ok) continue;
        char buf[INET_ADDRSTRLEN];
        in_addr ia{a};
        EXPECT_STREQ(inet_ntop(AF_INET, &ia, buf, sizeof buf), c.dotted) << c.host;
    }
}

TEST(TcpSocket, QueryAndReplyInBlocks) {
    std::string request;
    std::atomic<bool> firstTaken{false};
    Peer peer([&](int fd) {
        char buf[64];
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) > 0) {
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n > 0) request.assign(buf, static_cast<std::size_t>(n));
        }
        Peer::SendText(fd, "AB");
        WaitUntil([&] { return firstTaken.load(); }, 30000);
        Peer::SendText(fd, "ABC");
        Peer::DrainUntilClosed(fd);
    });
    TTcpSocket s;
    ASSERT_TRUE(s.Connect("127.0.0.1", peer.Port(), 2000)) << s.Status();
    EXPECT_TRUE(s.Connected());
    EXPECT_EQ(s.PeerAddress(), "127.0.0.1:" + std::to_string(peer.Port()));
    EXPECT_GT(s.LocalPort(), 0);
    EXPECT_EQ(s.Send(AnsiString("GetTimeA\r")), 9);
    TReceiveResult r;
    EXPECT_EQ(ReceiveText(s, 2000, r), "AB");
    EXPECT_EQ(r, rrData);
    firstTaken = true;
    ASSERT_TRUE(WaitUntil([&] { return s.BytesWaiting() == 3; }));
    EXPECT_EQ(ReceiveText(s, 0, r), "ABC");
    EXPECT_EQ(s.BytesWaiting(), 0);
    s.Close();
    EXPECT_FALSE(s.Connected());
    EXPECT_EQ(request, "GetTimeA\r");
}

TEST(TcpSocket, PeerThatNeverAnswers) {
    Peer peer([](int fd) { Peer::DrainUntilClosed(fd); });
    TTcpSocket s;
    ASSERT_TRUE(s.Connect("localhost", peer.Port(), 2000)) << s.Status();
    ASSERT_EQ(s.Send(AnsiString("GetStateRec:\r")), 13);
    TReceiveResult r;
    EXPECT_EQ(ReceiveText(s, 0, r), "");
    EXPECT_EQ(r, rrTimeout);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ReceiveText(s, 120, r), "");
    EXPECT_EQ(r, rrTimeout);
    EXPECT_GE(MsSince(t0), 120);
    EXPECT_EQ(s.BytesWaiting(), 0);
    EXPECT_TRUE(s.Connected());
}

TEST(TcpSocket, PeerThatClosesMidLine) {
    Peer peer([](int fd) { Peer::SendText(fd, "PUF1:GetSt"); });
    TTcpSocket s;
    ASSERT_TRUE(s.Connect("127.0.0.1", peer.Port(), 2000)) << s.Status();
    TReceiveResult last;
    EXPECT_EQ(ReceiveUntilClosed(s, last), "PUF1:GetSt");
    EXPECT_EQ(last, rrClosed);
    EXPECT_EQ(s.BytesWaiting(), 0);
    // Sending into a closed connection must fail, not end the process with SIGPIPE.
    int result = 0;
    WaitUntil([&] { return (result = s.Send(AnsiString("GetLogRecCount\r"))) < 0; }, 30000);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(s.Failure(), skSend);
    EXPECT_TRUE(s.LastError() == EPIPE || s.LastError() == ECONNRESET) << s.LastError();
}

TEST(TcpSocket, ConnectFailures) {
    int closedPort = 0;
    close(LoopbackListener(1, closedPort));  // nothing listens there any more
    struct Case {
        const char* name;
        const char* host;
        int port;
        TSocketFailure failure;
        int error;
    };
    const Case cases[] = {
        {"closed port", "127.0.0.1", closedPort, skConnect, ECONNREFUSED},
        {"invalid address", "300.1.1.1", 7777, skResolve, 0},
        {"port out of range", "127.0.0.1", 70000, skConnect, EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTcpSocket s;
        EXPECT_FALSE(s.Connect(c.host, c.port, 2000));
        EXPECT_FALSE(s.Connected());
        EXPECT_EQ(s.Failure(), c.failure);
        EXPECT_EQ(s.LastError(), c.error);
        EXPECT_FALSE(s.Status().IsEmpty());
    }
}

TEST(TcpSocket, UnansweredConnectEndsAtItsTimeout) {
    // A listener whose queue is full drops further connection requests, so a connect to it gets no
    // answer at all: the loopback stand-in for an unreachable controller.
    int port = 0;
    int listener = LoopbackListener(0, port);
    ASSERT_GE(listener, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 8; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        fillers.push_back(fd);
    }
    // The queue is full once a filler's connection is made.
    ASSERT_TRUE(WaitUntil([&] {
        for (int fd : fillers) {
            pollfd p{fd, POLLOUT, 0};
            int err = -1;
            socklen_t len = sizeof err;
            if (poll(&p, 1, 0) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) return true;
        }
        return false;
    }, 30000));
    TTcpSocket s;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.Connect("127.0.0.1", port, 300));
    long long took = MsSince(t0);
    EXPECT_EQ(s.Failure(), skConnect);
    EXPECT_EQ(s.LastError(), ETIMEDOUT);
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 20000) << "the connect was not bounded by its time-out";
    for (int fd : fillers) close(fd);
    close(listener);
}

TEST(TcpSocket, ShutdownOrCloseFromAnotherThreadEndsABlockedReceive) {
    for (bool viaClose : {false, true}) {
        SCOPED_TRACE(viaClose ? "Close" : "Shutdown");
        Peer peer([](int fd) { Peer::DrainUntilClosed(fd); });
        TTcpSocket s;
        ASSERT_TRUE(s.Connect("127.0.0.1", peer.Port(), 2000)) << s.Status();
        std::atomic<int> result{-1};
        std::atomic<pid_t> tid{0};
        TThread reader([&](TThread&) {
            char buf[16];
            int got = 0;
            tid.store(gettid());
            result.store(s.Receive(buf, sizeof buf, got, INFINITE));
            return 0;
        });
        ASSERT_TRUE(reader.Start());
        ASSERT_TRUE(WaitUntil([&] { return tid.load() != 0 && testlib::ThreadSleeps(tid.load()); }, 30000));
        if (viaClose) s.Close();
        else s.Shutdown();
        EXPECT_TRUE(reader.WaitFor(5000));
        EXPECT_EQ(result.load(), rrError);
        EXPECT_FALSE(s.Connected());
        if (!viaClose) {
            EXPECT_EQ(s.Failure(), skCancelled);
            s.Close();
        }
    }
}

TEST(TcpSocket, UnconnectedSocketRefusesTransfers) {
    TTcpSocket s;
    char buf[4];
    int got = 7;
    EXPECT_EQ(s.Send(buf, 4), -1);
    EXPECT_EQ(s.Failure(), skNotConnected);
    EXPECT_EQ(s.Receive(buf, sizeof buf, got, 0), rrError);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(s.BytesWaiting(), -1);
    EXPECT_EQ(s.PeerAddress(), "");
    EXPECT_EQ(s.LocalPort(), -1);
}

// ---- Server --------------------------------------------------------------------------------------

namespace {

// Greets, then echoes every block until the connection ends.
void EchoClient(TTcpServer&, TTcpSocket& client) {
    client.Send(AnsiString("HELLO\r"));
    char buf[256];
    int got = 0;
    while (client.Receive(buf, sizeof buf, got, INFINITE) == rrData) client.Send(buf, got);
}

struct Client {
    TTcpSocket s;
    bool Connect(int port) {
        if (!s.Connect("127.0.0.1", port, 2000)) return false;
        TReceiveResult r;
        return ReceiveText(s, 3000, r) == "HELLO\r";
    }
    std::string Echo(const std::string& text) {
        s.Send(AnsiString(text));
        std::string back;
        for (int i = 0; i < 30 && back.size() < text.size(); ++i) {
            TReceiveResult r;
            back += ReceiveText(s, 100, r);
            if (r == rrClosed || r == rrError) break;
        }
        return back;
    }
};

}  // namespace

TEST(TcpServer, ServesEachClientOnItsOwnThreadAndStopsCleanly) {
    TTcpServer server;
    ASSERT_TRUE(server.Start(0, EchoClient, "127.0.0.1", 256, 256000, 128000)) << server.Status();
    EXPECT_TRUE(server.Accepting());
    ASSERT_GT(server.LocalPort(), 0);
    Client a, b;
    ASSERT_TRUE(a.Connect(server.LocalPort()));
    ASSERT_TRUE(b.Connect(server.LocalPort()));
    EXPECT_EQ(a.Echo("one\r"), "one\r");
    EXPECT_EQ(b.Echo("two\r"), "two\r");
    ASSERT_TRUE(WaitUntil([&] { return server.ClientCount() == 2; }));
    std::vector<int> ids = server.ClientIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_LT(ids[0], ids[1]);

    server.Stop();
    EXPECT_EQ(server.ClientCount(), 0);
    EXPECT_FALSE(server.Accepting());
    EXPECT_TRUE(server.ClientIds().empty());
    for (Client* c : {&a, &b}) {
        TReceiveResult last;
        EXPECT_EQ(ReceiveUntilClosed(c->s, last), "");
        EXPECT_EQ(last, rrClosed);
    }
}

TEST(TcpServer, PacedStopEndsOneClientAtATime) {
    TTcpServer server;
    ASSERT_TRUE(server.Start(0, EchoClient, "127.0.0.1")) << server.Status();
    Client a, b;
    ASSERT_TRUE(a.Connect(server.LocalPort()));
    ASSERT_TRUE(b.Connect(server.LocalPort()));
    ASSERT_TRUE(WaitUntil([&] { return server.ClientIds().size() == 2; }));

    server.RequestStop();
    EXPECT_TRUE(server.StopRequested());
    server.ShutdownListener();
    EXPECT_TRUE(WaitUntil([&] { return !server.Accepting(); })) << "shutting the listener down must end accepting";

    std::vector<int> ids = server.ClientIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_TRUE(server.ShutdownClient(ids[1]));
    EXPECT_FALSE(server.ShutdownClient(12345));
    TReceiveResult last;
    ReceiveUntilClosed(b.s, last);
    EXPECT_EQ(last, rrClosed);
    EXPECT_TRUE(WaitUntil([&] { return server.ClientIds() == std::vector<int>{ids[0]}; }));
    EXPECT_EQ(a.Echo("still here\r"), "still here\r");
    server.Stop();
    EXPECT_EQ(server.ClientCount(), 0);
}

TEST(TcpServer, BusyPortFailsAndAStoppedPortBindsAgain) {
    TTcpServer first;
    ASSERT_TRUE(first.Start(0, EchoClient, "127.0.0.1")) << first.Status();
    const int port = first.LocalPort();

    TTcpServer second;
    EXPECT_FALSE(second.Start(port, EchoClient, "127.0.0.1"));
    EXPECT_EQ(second.Failure(), skBind);
    EXPECT_EQ(second.LastError(), EADDRINUSE);
    EXPECT_FALSE(second.Accepting());

    {
        Client c;
        ASSERT_TRUE(c.Connect(port));  // leaves a connection in TIME_WAIT once the server closes it
        first.Stop();
    }
    EXPECT_TRUE(first.Start(port, EchoClient, "127.0.0.1")) << first.Status();
    Client c;
    EXPECT_TRUE(c.Connect(port));
}

TEST(TcpServer, ClientProcedureThatThrowsIsReportedAndServingGoesOn) {
    std::mutex m;
    std::vector<std::string> errors;
    std::atomic<int> served{0};
    TTcpServer server;
    server.OnThreadError = [&](const AnsiString& text) {
        std::lock_guard<std::mutex> l(m);
        errors.push_back(text.str());
    };
    ASSERT_TRUE(server.Start(
        0,
        [&](TTcpServer& srv, TTcpSocket& client) {
            if (served.fetch_add(1) == 0) throw std::runtime_error("bad line");
            EchoClient(srv, client);
        },
        "127.0.0.1"))
        << server.Status();
    TTcpSocket first;
    ASSERT_TRUE(first.Connect("127.0.0.1", server.LocalPort(), 2000));
    TReceiveResult last;
    ReceiveUntilClosed(first, last);
    EXPECT_EQ(last, rrClosed) << "the connection of a failed procedure is closed";
    Client second;
    EXPECT_TRUE(second.Connect(server.LocalPort()));
    EXPECT_EQ(second.Echo("ok\r"), "ok\r");
    server.Stop();
    std::lock_guard<std::mutex> l(m);
    EXPECT_EQ(errors, std::vector<std::string>{"bad line"});
}

TEST(TcpServer, DestructionEndsClientsBlockedInReceive) {
    std::atomic<int> ended{0};
    Client a, b;
    {
        TTcpServer server;
        ASSERT_TRUE(server.Start(
            0,
            [&](TTcpServer& srv, TTcpSocket& client) {
                EchoClient(srv, client);
                ended.fetch_add(1);
            },
            "127.0.0.1"));
        ASSERT_TRUE(a.Connect(server.LocalPort()));
        ASSERT_TRUE(b.Connect(server.LocalPort()));
    }
    EXPECT_EQ(ended.load(), 2);
}
