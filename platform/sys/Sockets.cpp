#include "sys/Sockets.h"

#include "sys/Deadline.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

AnsiString errnoText(int err) { return AnsiString(std::strerror(err)); }

AnsiString formatAddress(const sockaddr_in& sa) {
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, buf, sizeof buf);
    return AnsiString(std::string(buf) + ":" + std::to_string(ntohs(sa.sin_port)));
}

// poll() on one descriptor, restarted after signals with the time that is left.
// 1: ready (or an error condition to be read by the next call), 0: time-out, -1: poll failed.
int pollOne(int fd, short events, uint32_t timeoutMs, int64_t startUs) {
    for (;;) {
        int wait = timeoutMs == INFINITE ? -1 : sysdetail::PollMs(startUs + static_cast<int64_t>(timeoutMs) * 1000);
        pollfd pfd{fd, events, 0};
        int pr = ::poll(&pfd, 1, wait);
        if (pr < 0 && errno == EINTR) continue;
        return pr < 0 ? -1 : (pr == 0 ? 0 : 1);
    }
}

}  // namespace

// ---- TTcpSocket ----------------------------------------------------------------------------------

TTcpSocket::~TTcpSocket() { Close(); }

bool TTcpSocket::ResolveIPv4(const AnsiString& host, uint32_t& address) {
    in_addr a{};
    if (inet_pton(AF_INET, host.c_str(), &a) == 1) {
        address = a.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (host.IsEmpty() || getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
    address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return true;
}

bool TTcpSocket::fail(TSocketFailure f, int err, const AnsiString& what) {
    std::lock_guard<std::mutex> l(m_);
    failure_ = f;
    lastError_ = err;
    status_ = what;
    if (err != 0) status_ += ": " + errnoText(err);
    return false;
}

void TTcpSocket::succeed() {
    std::lock_guard<std::mutex> l(m_);
    failure_ = skNone;
    lastError_ = 0;
    status_ = AnsiString();
}

TSocketFailure TTcpSocket::Failure() const {
    std::lock_guard<std::mutex> l(m_);
    return failure_;
}

int TTcpSocket::LastError() const {
    std::lock_guard<std::mutex> l(m_);
    return lastError_;
}

AnsiString TTcpSocket::Status() const {
    std::lock_guard<std::mutex> l(m_);
    return status_;
}

int TTcpSocket::enter() {
    std::lock_guard<std::mutex> l(m_);
    if (fd_ < 0) return -1;
    ++users_;
    return fd_;
}

void TTcpSocket::leave() {
    std::lock_guard<std::mutex> l(m_);
    if (--users_ == 0) idle_.notify_all();
}

void TTcpSocket::adopt(int fd) {
    std::lock_guard<std::mutex> l(m_);
    fd_ = fd;
    shutdown_ = false;
}

bool TTcpSocket::Connect(const AnsiString& host, int port, uint32_t timeoutMs) {
    Close();
    uint32_t address = 0;
    if (!ResolveIPv4(host, address)) return fail(skResolve, 0, "invalid address " + host);
    if (port <= 0 || port > 65535) return fail(skConnect, EINVAL, "invalid port " + AnsiString(port));

    // Non-blocking from the start: the connect is bounded by poll(), and so is every later call.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(skSocket, errno, "cannot create a socket");
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = address;
    const int64_t start = sysdetail::NowUs();
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            int e = errno;
            ::close(fd);
            return fail(skConnect, e, "cannot connect to " + formatAddress(sa));
        }
        int pr = pollOne(fd, POLLOUT, timeoutMs, start);
        int e = 0;
        if (pr == 0) {
            e = ETIMEDOUT;
        } else if (pr < 0) {
            e = errno;
        } else {
            socklen_t len = sizeof e;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &len) != 0) e = errno;
        }
        if (e != 0) {
            ::close(fd);
            return fail(skConnect, e, "cannot connect to " + formatAddress(sa));
        }
    }
    {
        std::lock_guard<std::mutex> l(m_);
        fd_ = fd;
        shutdown_ = false;
    }
    succeed();
    return true;
}

bool TTcpSocket::Connected() const {
    std::lock_guard<std::mutex> l(m_);
    return fd_ >= 0 && !shutdown_;
}

int TTcpSocket::Send(const void* data, int len, uint32_t timeoutMs) {
    int fd = enter();
    if (fd < 0) {
        fail(skNotConnected, ENOTCONN, "not connected");
        return -1;
    }
    const auto* p = static_cast<const char*>(data);
    const int64_t start = sysdetail::NowUs();
    int done = 0;
    int err = 0;
    while (done < len) {
        // MSG_NOSIGNAL: a peer that has gone must give an error here, not SIGPIPE for the process.
        ssize_t w = ::send(fd, p + done, static_cast<size_t>(len - done), MSG_NOSIGNAL);
        if (w > 0) {
            done += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            int pr = pollOne(fd, POLLOUT, timeoutMs, start);
            if (pr == 0) break;
            if (pr < 0) {
                err = errno;
                break;
            }
            continue;
        }
        err = w < 0 ? errno : EIO;
        break;
    }
    leave();
    if (err != 0) {
        bool cancelled;
        {
            std::lock_guard<std::mutex> l(m_);
            cancelled = shutdown_;
        }
        fail(cancelled ? skCancelled : skSend, cancelled ? ECANCELED : err, cancelled ? "cancelled" : "send failed");
        return -1;
    }
    succeed();
    return done;
}

TReceiveResult TTcpSocket::Receive(void* buffer, int max, int& got, uint32_t timeoutMs) {
    got = 0;
    if (max <= 0) {
        fail(skReceive, EINVAL, "no room to receive into");
        return rrError;
    }
    int fd = enter();
    if (fd < 0) {
        fail(skNotConnected, ENOTCONN, "not connected");
        return rrError;
    }
    const int64_t start = sysdetail::NowUs();
    TReceiveResult result = rrError;
    TSocketFailure failure = skNone;
    int err = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> l(m_);
            if (shutdown_) {
                failure = skCancelled;
                err = ECANCELED;
                break;
            }
        }
        ssize_t r = ::recv(fd, buffer, static_cast<size_t>(max), MSG_DONTWAIT);
        if (r > 0) {
            got = static_cast<int>(r);
            result = rrData;
            break;
        }
        if (r == 0) {
            result = rrClosed;
            break;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            int pr = pollOne(fd, POLLIN, timeoutMs, start);
            if (pr == 0) {
                result = rrTimeout;
                break;
            }
            if (pr < 0) {
                failure = skReceive;
                err = errno;
                break;
            }
            continue;
        }
        failure = skReceive;
        err = errno;
        break;
    }
    leave();
    if (result == rrClosed) {
        // Our own Shutdown also makes the socket read as closed; tell the two apart.
        std::lock_guard<std::mutex> l(m_);
        if (shutdown_) {
            result = rrError;
            failure = skCancelled;
            err = ECANCELED;
        }
    }
    if (result == rrError) {
        fail(failure, err, failure == skCancelled ? "cancelled" : "receive failed");
        return rrError;
    }
    succeed();
    return result;
}

int TTcpSocket::BytesWaiting() {
    int fd = enter();
    if (fd < 0) {
        fail(skNotConnected, ENOTCONN, "not connected");
        return -1;
    }
    int n = 0;
    int rc = ioctl(fd, FIONREAD, &n);
    int e = errno;
    leave();
    if (rc != 0) {
        fail(skReceive, e, "cannot count the waiting bytes");
        return -1;
    }
    return n;
}

void TTcpSocket::Shutdown() {
    std::lock_guard<std::mutex> l(m_);
    if (fd_ < 0) return;
    shutdown_ = true;
    ::shutdown(fd_, SHUT_RDWR);
}

void TTcpSocket::Close() {
    std::unique_lock<std::mutex> l(m_);
    if (fd_ < 0) return;
    shutdown_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    idle_.wait(l, [this] { return users_ == 0; });
    ::close(fd_);
    fd_ = -1;
}

AnsiString TTcpSocket::PeerAddress() const {
    std::lock_guard<std::mutex> l(m_);
    if (fd_ < 0) return AnsiString();
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) return AnsiString();
    return formatAddress(sa);
}

int TTcpSocket::LocalPort() const {
    std::lock_guard<std::mutex> l(m_);
    if (fd_ < 0) return -1;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) return -1;
    return ntohs(sa.sin_port);
}

// ---- TTcpServer ----------------------------------------------------------------------------------

TTcpServer::~TTcpServer() { Stop(); }

bool TTcpServer::fail(TSocketFailure f, int err, const AnsiString& what) {
    std::lock_guard<std::mutex> l(m_);
    failure_ = f;
    lastError_ = err;
    status_ = what;
    if (err != 0) status_ += ": " + errnoText(err);
    return false;
}

TSocketFailure TTcpServer::Failure() const {
    std::lock_guard<std::mutex> l(m_);
    return failure_;
}

int TTcpServer::LastError() const {
    std::lock_guard<std::mutex> l(m_);
    return lastError_;
}

AnsiString TTcpServer::Status() const {
    std::lock_guard<std::mutex> l(m_);
    return status_;
}

bool TTcpServer::Start(int port, TClientProc clientProc, const AnsiString& bindAddress, int backlog,
                       std::size_t acceptStack, std::size_t clientStack) {
    Stop();
    {
        std::lock_guard<std::mutex> l(m_);
        failure_ = skNone;
        lastError_ = 0;
        status_ = AnsiString();
    }
    stopRequested_.store(false);
    proc_ = std::move(clientProc);
    clientStack_ = clientStack;

    uint32_t address = htonl(INADDR_ANY);
    if (!bindAddress.IsEmpty() && !TTcpSocket::ResolveIPv4(bindAddress, address))
        return fail(skBind, 0, "invalid address " + bindAddress);
    if (port < 0 || port > 65535) return fail(skBind, EINVAL, "invalid port " + AnsiString(port));

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(skSocket, errno, "cannot create a socket");
    // A server restarted right after a stop must bind although old connections linger in TIME_WAIT.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = address;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        int e = errno;
        ::close(fd);
        return fail(skBind, e, "cannot bind port " + AnsiString(port));
    }
    if (::listen(fd, backlog) != 0) {
        int e = errno;
        ::close(fd);
        return fail(skListen, e, "cannot listen on port " + AnsiString(port));
    }
    socklen_t len = sizeof sa;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0) port_.store(ntohs(sa.sin_port));
    {
        std::lock_guard<std::mutex> l(m_);
        listenFd_ = fd;
    }
    accepting_.store(true);
    acceptThread_ = std::make_unique<TThread>([this](TThread& t) { return acceptLoop(t); }, acceptStack);
    if (!acceptThread_->Start()) {
        int e = acceptThread_->LastError();
        acceptThread_.reset();
        accepting_.store(false);
        {
            std::lock_guard<std::mutex> l(m_);
            ::close(listenFd_);
            listenFd_ = -1;
        }
        port_.store(-1);
        return fail(skSocket, e, "cannot start the accept thread");
    }
    return true;
}

int TTcpServer::acceptLoop(TThread&) {
    int lfd;
    {
        std::lock_guard<std::mutex> l(m_);
        lfd = listenFd_;  // stays open until Stop has joined this thread
    }
    for (;;) {
        int cfd = ::accept4(lfd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (cfd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            // ShutdownListener wakes accept() with an error: that is the normal end.
            if (!stopRequested_.load()) fail(skListen, errno, "accept failed");
            break;
        }
        if (stopRequested_.load()) {
            ::close(cfd);
            break;
        }
        reapFinished();
        auto owned = std::make_unique<Client>();
        Client* c = owned.get();
        c->socket.adopt(cfd);
        {
            std::lock_guard<std::mutex> l(m_);
            c->id = nextId_++;
            clients_.push_back(std::move(owned));
        }
        clientCount_.fetch_add(1);
        c->thread = std::make_unique<TThread>(
            [this, c](TThread&) {
                serveClient(c);
                return 1;
            },
            clientStack_);
        if (!c->thread->Start()) {
            c->socket.Close();
            clientCount_.fetch_sub(1);
            c->done.store(true);
            if (OnThreadError) OnThreadError("cannot start a client thread: " + AnsiString(std::strerror(c->thread->LastError())));
        }
    }
    accepting_.store(false);
    return 0;
}

void TTcpServer::serveClient(Client* c) {
    try {
        if (proc_) proc_(*this, c->socket);
    } catch (const std::exception& e) {
        if (OnThreadError) OnThreadError(AnsiString(e.what()));
    } catch (...) {
        if (OnThreadError) OnThreadError("unknown exception");
    }
    // Counted out before the connection closes: a client that sees its connection end finds the count
    // already lowered.
    clientCount_.fetch_sub(1);
    c->socket.Close();
    c->done.store(true);
}

void TTcpServer::reapFinished() {
    std::list<std::unique_ptr<Client>> finished;
    {
        std::lock_guard<std::mutex> l(m_);
        for (auto it = clients_.begin(); it != clients_.end();) {
            if ((*it)->done.load()) {
                auto next = std::next(it);
                finished.splice(finished.end(), clients_, it);
                it = next;
            } else {
                ++it;
            }
        }
    }
    // Destroying a client joins its thread, which has already left the procedure.
}

void TTcpServer::ShutdownListener() {
    std::lock_guard<std::mutex> l(m_);
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
}

std::vector<int> TTcpServer::ClientIds() const {
    std::lock_guard<std::mutex> l(m_);
    std::vector<int> ids;
    for (const auto& c : clients_)
        if (!c->done.load()) ids.push_back(c->id);
    return ids;
}

bool TTcpServer::ShutdownClient(int id) {
    std::lock_guard<std::mutex> l(m_);
    for (const auto& c : clients_) {
        if (c->id == id) {
            c->socket.Shutdown();
            return true;
        }
    }
    return false;
}

void TTcpServer::Stop() {
    RequestStop();
    ShutdownListener();
    if (acceptThread_) {
        acceptThread_->Join();
        acceptThread_.reset();
    }
    // No client can be added now; wake every client procedure and wait for all of them.
    std::list<std::unique_ptr<Client>> all;
    {
        std::lock_guard<std::mutex> l(m_);
        for (const auto& c : clients_) c->socket.Shutdown();
        all.swap(clients_);
    }
    all.clear();
    {
        std::lock_guard<std::mutex> l(m_);
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
    }
    port_.store(-1);
    accepting_.store(false);
}
