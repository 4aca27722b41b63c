// TWinSockClient: one TCP connection to a text-command server, one query at a time.
//
// A query sends QueryCmd followed by a carriage return and collects the reply until a received block
// holds WantedAnswer or the time limit passes. Failures are reported through the result and
// LastCmdRez; only a query started while another one is still sending or receiving shows a message
// box. Texts pass as bytes, unchanged.
#pragma once

#include "rtl/Classes.h"
#include "sys/Sockets.h"

#include <atomic>
#include <cstdint>

using TConnectStatusEvent = TClosure<void(TObject* Sender, bool connect_status)>;

class TWinSockClient : public TComponent {
    PLANTMON_CLASS(TWinSockClient, TComponent)
public:
    explicit TWinSockClient(TComponent* owner);
    ~TWinSockClient() override;

    bool Connect();
    bool Disconnect();
    bool SendString(const AnsiString& text);
    // One receive of at most 32,764 bytes; raw false cuts the text at its first NUL. True when the
    // receive completed, also with no bytes (the peer closed).
    bool ReciveString(AnsiString& text, bool raw);
    bool ExecuteQuery(uint32_t limitMs, bool raw);
    // Milliseconds since a tick count, across the counter's wrap.
    static uint32_t delta_tick(uint32_t start);

    const AnsiString& LinkAddress() const noexcept { return linkAddress_; }
    void SetLinkAddress(const AnsiString& v) { linkAddress_ = v; }
    int LinkPort() const noexcept { return linkPort_; }
    void SetLinkPort(int v) noexcept { linkPort_ = v; }
    bool Connected() const noexcept { return connected_.load(); }
    void SetConnected(bool v);
    const AnsiString& LastCmdRez() const noexcept { return lastCmdRez_; }
    void SetLastCmdRez(const AnsiString& v) { lastCmdRez_ = v; }
    const AnsiString& QueryRez() const noexcept { return queryRez_; }
    void SetQueryRez(const AnsiString& v) { queryRez_ = v; }
    const AnsiString& QueryCmd() const noexcept { return queryCmd_; }
    void SetQueryCmd(const AnsiString& v) { queryCmd_ = v; }
    const AnsiString& WantedAnswer() const noexcept { return wantedAnswer_; }
    void SetWantedAnswer(const AnsiString& v) { wantedAnswer_ = v; }
    int TryCount() const noexcept { return tryCount_; }
    void SetTryCount(int v) noexcept { tryCount_ = v; }
    bool DoubleThreadMode() const noexcept { return doubleThreadMode_; }
    void SetDoubleThreadMode(bool v) noexcept { doubleThreadMode_ = v; }

    // Called after a successful connect (true) and after a disconnect (false).
    TConnectStatusEvent OnConnectStatus;

    // Bytes that wait to be received on the connection, -1 when there is none.
    int BytesWaiting();
    // Receives once what waits, up to the buffer's size, and forgets it.
    void DiscardWaiting();

    // How long a connect may take before it counts as failed.
    static constexpr uint32_t ConnectTimeoutMs = 3000;
    static constexpr int ReceiveLimit = 32764;

private:
    // The threaded mode's worker: sends and receives like the direct mode, TryCount blocks at most.
    int query_work(TThread& self);
    bool receiveInto(AnsiString& text, bool raw, uint32_t timeoutMs, const TThread* self);
    void discardStale();
    bool runDirect(uint32_t limitMs, bool raw);
    bool runThreaded(uint32_t limitMs, bool raw);

    char buffer_[32768] = {};
    std::atomic<bool> sending_{false};
    std::atomic<bool> receiving_{false};
    // Held by a query from start to end, so that a second query from another thread is refused even
    // between two receives of the first.
    std::atomic<bool> querying_{false};
    bool threadRaw_ = false;
    TTcpSocket socket_;
    AnsiString linkAddress_ = "127.0.0.1";
    int linkPort_ = 7777;
    std::atomic<bool> connected_{false};
    AnsiString lastCmdRez_ = "OK";
    AnsiString queryRez_;
    AnsiString queryCmd_;
    AnsiString wantedAnswer_;
    int tryCount_ = 3;
    bool doubleThreadMode_ = false;
};
