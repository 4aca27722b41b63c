#include "links/WinSockClient.h"

#include "gui/Dialogs.h"
#include "rtl/SysUtils.h"
#include "sys/Threads.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kPollPauseMs = 50;
constexpr std::size_t kQueryThreadStack = 128000;
// The threaded worker receives in slices, so that it notices a stop between them.
constexpr uint32_t kWorkerSliceMs = 50;

}  // namespace

TWinSockClient::TWinSockClient(TComponent* owner) : TComponent(owner) {}

TWinSockClient::~TWinSockClient() {
    // The connection belongs to the component: it goes with it, without the disconnect event (the
    // owner that would receive it is being destroyed as well).
    socket_.Close();
    connected_.store(false);
}

uint32_t TWinSockClient::delta_tick(uint32_t start) {
    return GetTickCount() - start;
}

bool TWinSockClient::Connect() {
    uint32_t address = 0;
    if (!TTcpSocket::ResolveIPv4(linkAddress_, address)) {
        lastCmdRez_ = Format("Invalid address %s\n", linkAddress_);
        return false;
    }
    // A controller that does not answer must not hold the caller for the system's own connect
    // time-out (minutes): the worker thread has to stay able to stop.
    if (!socket_.Connect(linkAddress_, linkPort_, ConnectTimeoutMs)) {
        const char* fmt = socket_.Failure() == skSocket ? "Socket() error %d\n" : "Connect error %d\n";
        lastCmdRez_ = Format(fmt, socket_.LastError());
        socket_.Close();
        return false;
    }
    lastCmdRez_ = Format("Соединение с %s успешно установлено.", linkAddress_);
    connected_.store(true);
    if (OnConnectStatus) OnConnectStatus(this, true);
    return true;
}

bool TWinSockClient::Disconnect() {
    try {
        // Shutting the connection down ends a send or receive blocked on another thread.
        if (sending_.load() || receiving_.load()) socket_.Shutdown();
        socket_.Close();
        connected_.store(false);
    } catch (...) {
        lastCmdRez_ = "Ошибка в Disconnect().";
        return false;
    }
    if (OnConnectStatus) OnConnectStatus(this, false);
    return true;
}

void TWinSockClient::SetConnected(bool v) {
    if (v == connected_.load()) return;
    if (v)
        Connect();
    else
        Disconnect();
}

bool TWinSockClient::SendString(const AnsiString& text) {
    sending_.store(true);
    bool ok = false;
    try {
        ok = socket_.Send(text, ConnectTimeoutMs) == text.Length();
    } catch (...) {
        ok = false;
    }
    sending_.store(false);
    return ok;
}

bool TWinSockClient::receiveInto(AnsiString& text, bool raw, uint32_t timeoutMs, const TThread* self) {
    receiving_.store(true);
    std::memset(buffer_, 0, sizeof buffer_);
    int got = 0;
    TReceiveResult r;
    for (;;) {
        r = socket_.Receive(buffer_, ReceiveLimit, got, self ? kWorkerSliceMs : timeoutMs);
        if (r != rrTimeout || !self || self->Terminated()) break;
    }
    receiving_.store(false);
    if (r == rrError) return false;
    if (r == rrTimeout) {
        text = AnsiString();
        return false;
    }
    if (r == rrClosed) got = 0;
    if (raw)
        text = AnsiString(buffer_, static_cast<std::size_t>(got));
    else
        text = AnsiString(buffer_, ::strnlen(buffer_, static_cast<std::size_t>(got)));
    return true;
}

bool TWinSockClient::ReciveString(AnsiString& text, bool raw) {
    try {
        return receiveInto(text, raw, INFINITE, nullptr);
    } catch (...) {
        receiving_.store(false);
        return false;
    }
}

int TWinSockClient::BytesWaiting() {
    return socket_.BytesWaiting();
}

void TWinSockClient::DiscardWaiting() {
    const int n = socket_.BytesWaiting();
    if (n <= 0) return;
    int got = 0;
    socket_.Receive(buffer_, std::min<int>(n, sizeof buffer_), got, 0);
}

void TWinSockClient::discardStale() {
    int got = 0;
    while (socket_.BytesWaiting() > 0) {
        if (socket_.Receive(buffer_, sizeof buffer_, got, 0) != rrData) break;
    }
}

bool TWinSockClient::ExecuteQuery(uint32_t limitMs, bool raw) {
    // The query that runs owns the component's texts: a refused second one touches none of them.
    if (sending_.load() || receiving_.load() || querying_.exchange(true)) {
        MessageBox(nullptr, "Выполнение предыдущего запроса не завершено.", "Ошибка", MB_OK | MB_ICONERROR);
        return false;
    }
    lastCmdRez_ = AnsiString();
    bool ok = false;
    try {
        discardStale();
        ok = doubleThreadMode_ ? runThreaded(limitMs, raw) : runDirect(limitMs, raw);
    } catch (...) {
        ok = false;
    }
    querying_.store(false);
    return ok;
}

bool TWinSockClient::runDirect(uint32_t limitMs, bool raw) {
    const uint32_t start = GetTickCount();
    SendString(queryCmd_ + "\r");
    queryRez_ = AnsiString();
    while (delta_tick(start) < limitMs) {
        const int waiting = socket_.BytesWaiting();
        if (waiting <= 0) {
            Sleep(kPollPauseMs);
            continue;
        }
        AnsiString block;
        if (!ReciveString(block, raw) || block.IsEmpty()) continue;
        // Each block replaces the one before: the reply is expected in one block.
        queryRez_ = block;
        if (wantedAnswer_.IsEmpty() || queryRez_.Pos(wantedAnswer_) > 0) break;
    }
    return !queryRez_.IsEmpty();
}

bool TWinSockClient::runThreaded(uint32_t limitMs, bool raw) {
    threadRaw_ = raw;
    TThread worker([this](TThread& self) { return query_work(self); }, kQueryThreadStack);
    if (!worker.Start()) return false;
    if (worker.WaitFor(limitMs)) return true;
    // The worker may sit in a receive: it looks at its stop flag between short slices.
    worker.Terminate();
    worker.Join();
    sending_.store(false);
    receiving_.store(false);
    return false;
}

int TWinSockClient::query_work(TThread& self) {
    try {
        discardStale();
        SendString(queryCmd_ + "\r");
        for (int i = 0; i < tryCount_ && !self.Terminated(); ++i) {
            queryRez_ = AnsiString();
            AnsiString block;
            if (!receiveInto(block, threadRaw_, INFINITE, &self)) break;
            queryRez_ = block;
            if (!block.IsEmpty() && (wantedAnswer_.IsEmpty() || block.Pos(wantedAnswer_) > 0)) break;
        }
        return 0;
    } catch (...) {
        lastCmdRez_ = "Ошибка в query_work.";
        return -1;
    }
}
