// The socket query server under the loads a client program puts on it: an overlong line followed by a
// normal one, several clients inside the query handler at once, the server destroyed while clients
// send, the client count, and an accept loop that ends by itself.
#include "links/WinSockServer.h"

#include "testlib/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using testlib::WaitUntil;

namespace {

const std::string kBanner("Kelvaron query server\r\0", 23);

// A blocking client on loopback.
class Client {
public:
    explicit Client(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Ok() const { return ok_; }
    // False once the server has closed the connection.
    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Exactly n bytes, or what came before the connection closed or 10 s passed.
    std::string Take(std::size_t n) {
        std::string out;
        while (out.size() < n && Wait(10000)) {
            char buf[4096];
            const ssize_t got = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
            if (got <= 0) break;
            out.append(buf, static_cast<std::size_t>(got));
        }
        return out;
    }
    // True when the server closes the connection (nothing more to read) within 10 s.
    bool Closed() {
        while (Wait(10000)) {
            char c;
            const ssize_t got = ::recv(fd_, &c, 1, 0);
            if (got <= 0) return true;
        }
        return false;
    }

private:
    bool Wait(int ms) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    int fd_ = -1;
    bool ok_ = false;
};

std::unique_ptr<Client> Greeted(int port) {
    auto c = std::make_unique<Client>(port);
    EXPECT_TRUE(c->Ok());
    EXPECT_EQ(c->Take(23), kBanner);
    return c;
}

// The listening socket of this process on that port.
int ListeningSocketOn(int port) {
    DIR* d = ::opendir("/proc/self/fd");
    int found = -1;
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        const int fd = std::atoi(e->d_name);
        int listening = 0;
        socklen_t len = sizeof listening;
        sockaddr_in a{};
        socklen_t alen = sizeof a;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &alen) == 0 && a.sin_family == AF_INET &&
            ntohs(a.sin_port) == port)
            found = fd;
    }
    if (d) ::closedir(d);
    return found;
}

class SocketServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start(0)) << server.LastMessage(); }
    TWinSockServer server{nullptr};
};

TEST_F(SocketServerTest, AnOverlongLineIsCutAndTheNextLineIsAnsweredWhole) {
    auto c = Greeted(server.ListeningPort());
    ASSERT_TRUE(c->Send(std::string(5000, 'x') + "\r" + "hello\r"));
    const std::string first = "Command recive: " + std::string(TWinSockServer::MaxLineLength, 'x') + "\r";
    EXPECT_EQ(c->Take(first.size()), first);
    EXPECT_EQ(c->Take(22), "Command recive: hello\r");
}

TEST_F(SocketServerTest, EachClientIsServedOnItsOwnThreadInsideTheHandlerAtOnce) {
    constexpr int kClients = 4;
    std::mutex m;
    std::condition_variable cv;
    int inside = 0;
    int most = 0;
    server.OnQuery = TSockQueryEvent([&](TObject*, AnsiString& query, AnsiString& answer) {
        std::unique_lock<std::mutex> l(m);
        most = std::max(most, ++inside);
        cv.notify_all();
        // Every client's handler waits here until all of them are inside.
        cv.wait_for(l, std::chrono::seconds(20), [&] { return most == kClients; });
        --inside;
        answer = "<" + query + ">";
    });
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kClients; ++i) clients.push_back(Greeted(server.ListeningPort()));
    EXPECT_EQ(server.ClientCount(), kClients);
    for (int i = 0; i < kClients; ++i) ASSERT_TRUE(clients[i]->Send("q" + std::to_string(i) + "\r"));
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(clients[i]->Take(4), "<q" + std::to_string(i) + ">");
    EXPECT_EQ(most, kClients);

    // A client that leaves is counted out before its connection closes.
    for (int i = 0; i < kClients; ++i) {
        ASSERT_TRUE(clients[i]->Send("Quit\r"));
        EXPECT_EQ(clients[i]->Take(10), "Good bye!\r");
        EXPECT_TRUE(clients[i]->Closed());
        EXPECT_EQ(server.ClientCount(), kClients - 1 - i);
    }
}

TEST_F(SocketServerTest, DestroyedWhileClientsSendItEndsThemAndLeavesNothingRunning) {
    auto owned = std::make_unique<TWinSockServer>(nullptr);
    std::atomic<int> queries{0};
    owned->OnQuery = TSockQueryEvent([&](TObject*, AnsiString&, AnsiString& answer) {
        ++queries;
        answer = "ok\r";
    });
    ASSERT_TRUE(owned->Start(0));
    const int port = owned->ListeningPort();
    std::atomic<bool> go{true};
    std::vector<std::thread> senders;
    std::atomic<int> greeted{0};
    std::atomic<int> ended{0};
    for (int i = 0; i < 3; ++i) {
        senders.emplace_back([&, port] {
            Client c(port);
            if (c.Take(23) != kBanner) return;
            ++greeted;
            while (go && c.Send("tick\r")) {
            }
            ++ended;
        });
    }
    // All three are served before the server goes: a client still in the accept queue would only see
    // its connection refused, not a server ending under it.
    ASSERT_TRUE(WaitUntil([&] { return greeted.load() == 3 && queries.load() > 100; }, 20000));
    owned.reset();  // returns only once every thread of the server has ended
    EXPECT_TRUE(WaitUntil([&] { return ended.load() == 3; }, 20000));
    go = false;
    for (std::thread& t : senders) t.join();
}

TEST_F(SocketServerTest, AnAcceptLoopThatEndsByItselfLeavesTheServerInactiveOnceItsClientsAreGone) {
    // The listening socket fails under the server: its accept loop ends, and with no client the
    // server is no longer active.
    ASSERT_TRUE(server.Active());
    int listening = ListeningSocketOn(server.ListeningPort());
    ASSERT_GE(listening, 0);
    ::shutdown(listening, SHUT_RDWR);
    EXPECT_TRUE(WaitUntil([&] { return !server.Active(); }, 10000));

    // Started again; this time a client is connected when the loop ends: it is served to its end.
    server.SetServerPortNum(0);
    server.SetActive(true);
    ASSERT_TRUE(server.Active());
    const int port = server.ListeningPort();
    auto c = Greeted(port);
    listening = ListeningSocketOn(port);
    ASSERT_GE(listening, 0);
    ::shutdown(listening, SHUT_RDWR);
    ASSERT_TRUE(WaitUntil([&] { return !Client(port).Ok(); }, 10000));
    EXPECT_TRUE(server.Active());
    ASSERT_TRUE(c->Send("hello\r"));
    EXPECT_EQ(c->Take(22), "Command recive: hello\r");
    ASSERT_TRUE(c->Send("Quit\r"));
    EXPECT_EQ(c->Take(10), "Good bye!\r");
    EXPECT_TRUE(c->Closed());
    EXPECT_TRUE(WaitUntil([&] { return !server.Active(); }, 10000));
}

}  // namespace
