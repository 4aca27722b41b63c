// TCP client and server sockets.
//
// The socket components of the links talk to line-oriented controllers: a client connects,
// sends a command, and polls for the reply; a server accepts clients and serves each on its own
// thread. Every blocking step here has a bound or can be cancelled from another thread, so that an
// unreachable controller never stalls a worker thread and a shutdown never waits for a peer.
//
// Nothing here throws: failures answer false, -1 or rrError and leave their reason in Failure(),
// LastError() (the errno) and Status() (a readable text).
#pragma once

#include "rtl/AnsiString.h"
#include "sys/Threads.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

enum TSocketFailure {
    skNone,
    skResolve,   // the address is neither dotted IPv4 nor a name the lookup knows
    skSocket,    // no socket could be created
    skConnect,   // refused, unreachable, or no answer within the time-out (ETIMEDOUT)
    skBind,
    skListen,
    skNotConnected,
    skSend,
    skReceive,
    skCancelled,  // Shutdown() from another thread ended the call
};

enum TReceiveResult {
    rrData,     // bytes arrived
    rrTimeout,  // nothing within the time-out
    rrClosed,   // the peer closed its side; nothing more will come
    rrError,    // see Failure()/LastError(); skCancelled after Shutdown()
};

// One TCP connection, made by Connect or handed out by TTcpServer.
//
// Receive, Send and BytesWaiting may run on one thread while another calls Shutdown or Close:
// Shutdown wakes a blocked call at once, and Close waits until no call uses the socket any more
// before it lets the descriptor go, so a late call never touches a descriptor reused elsewhere.
class TTcpSocket {
public:
    TTcpSocket() = default;
    ~TTcpSocket();
    TTcpSocket(const TTcpSocket&) = delete;
    TTcpSocket& operator=(const TTcpSocket&) = delete;

    // The IPv4 address (network byte order) of a dotted text, or else of the first IPv4 address the
    // host-name lookup returns. False when neither works ("300.1.1.1" is no dotted address).
    static bool ResolveIPv4(const AnsiString& host, uint32_t& address);

    // Connects within timeoutMs (INFINITE: as long as the system tries). A socket that is connected
    // already is closed first.
    bool Connect(const AnsiString& host, int port, uint32_t timeoutMs);
    bool Connected() const;

    // Sends every byte, waiting at most timeoutMs for room in the send buffer. Returns the number
    // sent (less than len after a time-out), or -1 on a failure. A closed peer is a failure, never
    // a signal that ends the process.
    int Send(const void* data, int len, uint32_t timeoutMs = INFINITE);
    int Send(const AnsiString& text, uint32_t timeoutMs = INFINITE) { return Send(text.data(), text.Length(), timeoutMs); }
    // Waits at most timeoutMs (0: only looks, INFINITE: no limit) and receives what has come, at
    // most max bytes; got holds the count.
    TReceiveResult Receive(void* buffer, int max, int& got, uint32_t timeoutMs);
    // Bytes that can be received at once, -1 on a failure.
    int BytesWaiting();

    // Shuts the connection down in both directions: blocked and later calls end (skCancelled) and
    // the peer sees the close. The descriptor stays until Close.
    void Shutdown();
    // Shuts down and releases the socket, after any call still running on another thread has left.
    void Close();

    AnsiString PeerAddress() const;  // "a.b.c.d:port", empty when unknown
    int LocalPort() const;           // -1 when not bound

    TSocketFailure Failure() const;
    int LastError() const;
    AnsiString Status() const;

private:
    friend class TTcpServer;
    void adopt(int fd);  // a connection accepted by the server

    // Keeps the descriptor from being closed while one call uses it; -1 when there is none.
    int enter();
    void leave();
    bool fail(TSocketFailure f, int err, const AnsiString& what);
    void succeed();

    mutable std::mutex m_;
    std::condition_variable idle_;
    int fd_ = -1;
    int users_ = 0;
    bool shutdown_ = false;
    TSocketFailure failure_ = skNone;
    int lastError_ = 0;
    AnsiString status_;
};

// A listening socket with an accept thread and one thread per client.
//
// Each accepted client runs the client procedure on a thread of its own; when the procedure
// returns, the connection is closed and the thread ends. Stop (and the destructor) stops the
// accepting, shuts every client connection down and joins all threads, so nothing runs once it has
// returned.
class TTcpServer {
public:
    using TClientProc = std::function<void(TTcpServer& server, TTcpSocket& client)>;

    TTcpServer() = default;
    ~TTcpServer();
    TTcpServer(const TTcpServer&) = delete;
    TTcpServer& operator=(const TTcpServer&) = delete;

    // Binds to port on bindAddress (empty: every local address; port 0: one the system chooses, see
    // LocalPort), listens and starts the accept thread. A restart right after Stop binds again.
    // Stack sizes 0 take the system default.
    bool Start(int port, TClientProc clientProc, const AnsiString& bindAddress = AnsiString(), int backlog = 256,
               std::size_t acceptStack = 0, std::size_t clientStack = 0);

    // The steps of Stop, for an owner that paces them: the stop request (clients look at it between
    // commands), the end of accepting, and the shutdown of one client connection.
    void RequestStop() noexcept { stopRequested_.store(true); }
    bool StopRequested() const noexcept { return stopRequested_.load(); }
    void ShutdownListener();
    // Ids of the client connections still open, oldest first.
    std::vector<int> ClientIds() const;
    bool ShutdownClient(int id);
    // All of the above, then waits for every thread and closes the listening socket. Called by the
    // owner, never from inside a client procedure (it would wait for itself).
    void Stop();

    // True from Start until the accept thread has ended.
    bool Accepting() const noexcept { return accepting_.load(); }
    // Clients accepted whose procedure has not returned: raised on the accept thread before a client's
    // thread starts, lowered when its procedure returns, before its connection closes.
    int ClientCount() const noexcept { return clientCount_.load(); }
    int LocalPort() const noexcept { return port_.load(); }

    // Called, on the thread concerned, when the client procedure throws or a client thread cannot be
    // started; the connection is closed and the server goes on.
    std::function<void(const AnsiString&)> OnThreadError;

    TSocketFailure Failure() const;
    int LastError() const;
    AnsiString Status() const;

private:
    struct Client {
        int id = 0;
        TTcpSocket socket;
        std::unique_ptr<TThread> thread;
        std::atomic<bool> done{false};
    };

    int acceptLoop(TThread& self);
    void serveClient(Client* c);
    void reapFinished();
    bool fail(TSocketFailure f, int err, const AnsiString& what);

    TClientProc proc_;
    std::size_t clientStack_ = 0;
    int listenFd_ = -1;
    std::unique_ptr<TThread> acceptThread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> accepting_{false};
    std::atomic<int> clientCount_{0};
    std::atomic<int> port_{-1};

    mutable std::mutex m_;  // clients_, nextId_ and the failure fields
    std::list<std::unique_ptr<Client>> clients_;
    int nextId_ = 1;
    TSocketFailure failure_ = skNone;
    int lastError_ = 0;
    AnsiString status_;
};
