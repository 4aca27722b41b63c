#include "links/WinSockServer.h"

#include "gui/WinApi.h"
#include "rtl/SysUtils.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kAcceptStack = 256000;
constexpr std::size_t kClientStack = 128000;
constexpr uint32_t kListenerPauseMs = 100;
constexpr uint32_t kClientPauseMs = 350;
constexpr uint32_t kFinalPauseMs = 300;

}  // namespace

const char TWinSockServer::Banner[23] = "Kelvaron query server\r";

TWinSockServer::TWinSockServer(TComponent* owner) : TComponent(owner), register_(std::make_unique<TStringList>()) {}

TWinSockServer::~TWinSockServer() {
    if (active_.load()) Stop();
    // Joins whatever thread is still there before the register goes.
    server_.Stop();
}

AnsiString TWinSockServer::LastMessage() const {
    TCriticalSectionLock l(lock_);
    return lastMessage_;
}

void TWinSockServer::SetLastMessage(const AnsiString& v) {
    TCriticalSectionLock l(lock_);
    lastMessage_ = v;
}

void TWinSockServer::err_message(const AnsiString& text) {
    SetLastMessage(text);
    if (OnError) OnError(this);
}

void TWinSockServer::DeleteLine(TStrings* list, const AnsiString& text) {
    if (!list) return;
    for (int i = 0; i < list->Count(); ++i) {
        if (list->Strings(i) == text) {
            list->Delete(i);
            return;
        }
    }
}

void TWinSockServer::SetActive(bool value) {
    if (value == Active()) return;
    if (value)
        Start(serverPortNum_);
    else
        Stop();
}

bool TWinSockServer::Start(int port) {
    // The server object clears its stop request and closes any earlier listening socket itself.
    const bool ok = server_.Start(
        port, [this](TTcpServer&, TTcpSocket& client) { serveClient(client); }, AnsiString(), 256, kAcceptStack,
        kClientStack);
    if (!ok) {
        const char* fmt = "Error bind %d\n";
        if (server_.Failure() == skSocket) fmt = "Error socket %d\n";
        if (server_.Failure() == skListen) fmt = "Error listen %d\n";
        err_message(Format(fmt, server_.LastError()));
        active_.store(false);
        return false;
    }
    active_.store(true);
    return true;
}

bool TWinSockServer::registerClient(TTcpSocket& socket, AnsiString& key) {
    char text[32];
    std::snprintf(text, sizeof text, "socket %p", static_cast<void*>(&socket));
    key = text;
    TCriticalSectionLock l(lock_);
    register_->Add(key);
    sockets_[key] = &socket;
    return true;
}

void TWinSockServer::unregisterClient(const AnsiString& key) {
    TCriticalSectionLock l(lock_);
    DeleteLine(register_.get(), key);
    sockets_.erase(key);
}

void TWinSockServer::serveClient(TTcpSocket& socket) {
    AnsiString key;
    registerClient(socket, key);
    try {
        socket.Send(Banner, sizeof Banner);
        std::string line;
        bool open = true;
        while (open) {
            char byte = 0;
            int got = 0;
            const TReceiveResult r = socket.Receive(&byte, 1, got, INFINITE);
            if (r != rrData || got != 1) break;
            if (byte != '\r') {
                // An overlong line is cut, not allowed to grow without bound; its CR still ends it.
                if (static_cast<int>(line.size()) < MaxLineLength) line += byte;
                continue;
            }
            AnsiString command = AnsiString(line).Trim();
            line.clear();
            AnsiString answer;
            if (OnQuery)
                OnQuery(this, command, answer);
            else
                answer = "Command recive: " + command + "\r";
            if (command == "Quit" || command == "Exit") {
                answer = "Good bye!\r";
                open = false;
            }
            if (!answer.IsEmpty()) socket.Send(answer);
            if (server_.StopRequested()) open = false;
        }
    } catch (...) {
        MessageBeep(static_cast<UINT>(-1));
    }
    // The server counts the client out and closes its connection once this returns.
    unregisterClient(key);
}

bool TWinSockServer::Stop() {
    server_.RequestStop();
    server_.ShutdownListener();
    Sleep(kListenerPauseMs);
    std::vector<AnsiString> keys;
    {
        TCriticalSectionLock l(lock_);
        for (int i = register_->Count() - 1; i >= 0; --i) keys.push_back(register_->Strings(i));
    }
    for (const AnsiString& key : keys) {
        {
            TCriticalSectionLock l(lock_);
            auto it = sockets_.find(key);
            if (it != sockets_.end()) it->second->Shutdown();
        }
        Sleep(kClientPauseMs);
    }
    Sleep(kFinalPauseMs);
    server_.Stop();
    active_.store(false);
    return true;
}
