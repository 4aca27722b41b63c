// TWinSockServer: the server side of the socket query protocol.
//
// It listens on a TCP port, greets every client with a fixed banner and answers each command line
// (ended by a carriage return) through OnQuery, one thread per client. "Quit" and "Exit" end a
// connection. No form of the system places it; it stands ready for programs that serve the client.
#pragma once

#include "rtl/Classes.h"
#include "sys/Sockets.h"
#include "sys/Threads.h"

#include <atomic>
#include <map>
#include <memory>

using TSockQueryEvent = TClosure<void(TObject* Sender, AnsiString& Query, AnsiString& Answer)>;

class TWinSockServer : public TComponent {
    PLANTMON_CLASS(TWinSockServer, TComponent)
public:
    explicit TWinSockServer(TComponent* owner);
    // Stops the server and waits for its threads, so that none of them outlives the component.
    ~TWinSockServer() override;

    bool Start(int port);
    // Shuts the clients and the listening socket down; always true.
    bool Stop();
    // LastMessage := text, then OnError.
    void err_message(const AnsiString& text);
    // Removes the first entry equal to text, when the list exists and holds it.
    static void DeleteLine(TStrings* list, const AnsiString& text);

    // Started, and still accepting or serving: an accept loop that ends by itself (its listening
    // socket failed) leaves the server inactive once its last client has gone.
    bool Active() const noexcept { return active_.load() && (server_.Accepting() || server_.ClientCount() > 0); }
    void SetActive(bool value);
    // Clients being served: raised when the accept loop takes a connection, lowered when its client
    // thread ends the connection.
    int ClientCount() const noexcept { return server_.ClientCount(); }
    void SetClientCount(int) noexcept {}
    int ServerPortNum() const noexcept { return serverPortNum_; }
    void SetServerPortNum(int v) noexcept { serverPortNum_ = v; }
    AnsiString LastMessage() const;
    void SetLastMessage(const AnsiString& v);
    // The port actually listened on (the one the system chose when started with port 0); -1 when
    // not listening.
    int ListeningPort() const noexcept { return server_.LocalPort(); }

    TNotifyEvent OnError;
    TSockQueryEvent OnQuery;

    // The greeting every client receives first: 21 characters, CR and NUL.
    static const char Banner[23];
    // The longest command line kept; further bytes up to its CR are dropped.
    static constexpr int MaxLineLength = 1000;

private:
    void serveClient(TTcpSocket& socket);
    bool registerClient(TTcpSocket& socket, AnsiString& key);
    void unregisterClient(const AnsiString& key);

    TTcpServer server_;
    std::atomic<bool> active_{false};
    int serverPortNum_ = 7777;
    mutable TCriticalSection lock_;  // the register and LastMessage
    AnsiString lastMessage_;
    // One entry per open client connection, naming its socket, so that Stop can shut it down.
    std::unique_ptr<TStringList> register_;
    std::map<AnsiString, TTcpSocket*> sockets_;
};
