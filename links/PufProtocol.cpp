#include "links/PufProtocol.h"

#include "links/ICPLink.h"
#include "links/PufLinkState.h"
#include "links/WinSockClient.h"
#include "rtl/SysUtils.h"

#include <cstdint>
#include <cstdio>

namespace {

// An answer is awaited this long, in whole seconds, across skipped lines and resends.
constexpr uint32_t kAnswerWindowMs = 4000;
constexpr uint32_t kTransactionLimitMs = 200;
// From this many counted failures on, the transport is decided again.
constexpr int kFailStreakLimit = 10;

}  // namespace

TPufLinkState* MainPufLink = nullptr;

AnsiString PufFrameChecksum(const AnsiString& text) {
    uint16_t sum = 0;
    for (char c : text.str()) sum = static_cast<uint16_t>(sum + static_cast<unsigned char>(c));
    char buf[8];
    std::snprintf(buf, sizeof buf, "<%04X>", static_cast<unsigned>(sum));
    return AnsiString(buf);
}

AnsiString PufRequestFrame(const AnsiString& command) {
    AnsiString body = "PUF1:" + AnsiString(Utf8ToCp1251(command.str()));
    if (command.Pos(":") == 0) body += ":";
    return "     " + body + PufFrameChecksum(body);
}

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Where the checksum "<XXXX>" of a line starts (0-based): the last such group, so that a "<" inside
// the payload (a log message) is data. npos when the line has none.
std::size_t ChecksumAt(const std::string& line) {
    for (std::size_t end = line.size(); end > 0;) {
        const std::size_t at = line.rfind('<', end - 1);
        if (at == std::string::npos) break;
        if (at + 6 <= line.size() && line[at + 5] == '>' && IsHexDigit(line[at + 1]) && IsHexDigit(line[at + 2]) &&
            IsHexDigit(line[at + 3]) && IsHexDigit(line[at + 4]))
            return at;
        end = at;
    }
    return std::string::npos;
}

}  // namespace

TPufAnswerKind PufParseAnswer(const AnsiString& raw, const AnsiString& word, AnsiString& payload) {
    payload = AnsiString();
    const std::string line = raw.Trim().str();
    if (line.empty()) return TPufAnswerKind::Other;
    // The word counts only directly followed by its marker; the first marker of the word decides, so a
    // payload that happens to hold "_Error:" (a log message) is no refusal.
    const std::string ok = word.str() + "_OK:";
    const std::string refused = word.str() + "_Error:";
    const std::size_t okAt = line.find(ok);
    const std::size_t refusedAt = line.find(refused);
    if (refusedAt != std::string::npos && (okAt == std::string::npos || refusedAt < okAt)) return TPufAnswerKind::Failure;
    if (okAt == std::string::npos) return TPufAnswerKind::Other;
    const std::size_t lt = ChecksumAt(line);
    // The marker must lie in the checked text, before the checksum.
    if (lt == std::string::npos || okAt + ok.size() > lt) return TPufAnswerKind::Failure;
    const std::string before = line.substr(0, lt);
    if (line.compare(lt, 6, PufFrameChecksum(AnsiString(before)).str()) != 0) return TPufAnswerKind::Failure;
    std::string text = before.substr(okAt + ok.size());
    if (!text.empty() && text.back() == ':') text.pop_back();
    payload = text.empty() ? AnsiString("OK") : AnsiString(text);
    return TPufAnswerKind::Payload;
}

bool PufSendCommand(TPufLinkState* form, const AnsiString& command) {
    const bool overTcp = form->PufOverTcp.load();
    if (overTcp ? !form->WinSockClient->Connected() : !form->ICPLinkPUF->GetActive()) return false;
    const AnsiString frame = PufRequestFrame(command);
    bool ok;
    if (overTcp) {
        // The request leaves with the query that reads its answer.
        form->WinSockClient->SetQueryCmd(frame);
        ok = true;
    } else {
        ok = form->ICPLinkPUF->SendString(frame);
    }
    if (ok) InterlockedIncrement(form->PufQueryCount);
    return ok;
}

AnsiString PufReadAnswer(TPufLinkState* form, const AnsiString& word) {
    // Ticks rather than the wall clock: a clock set by the station or the controller must neither
    // cut the wait short nor stretch it. The difference in unsigned arithmetic survives the wrap.
    const uint32_t start = GetTickCount();
    do {
        AnsiString line;
        bool got;
        if (form->PufOverTcp.load()) {
            TWinSockClient* client = form->WinSockClient;
            got = WinSockTransaction(client, client->QueryCmd(), line, word, false);
        } else {
            line = form->ICPLinkPUF->ReciveString();
            got = true;
        }
        if (got) {
            AnsiString payload;
            switch (PufParseAnswer(line, word, payload)) {
                case TPufAnswerKind::Payload: return AnsiString(Cp1251ToUtf8(payload.str()));
                case TPufAnswerKind::Failure: return AnsiString();
                case TPufAnswerKind::Other: break;
            }
        }
    } while (GetTickCount() - start < kAnswerWindowMs);
    return AnsiString();
}

bool WinSockTransaction(TWinSockClient* client, const AnsiString& request, AnsiString& answer,
                        const AnsiString& wanted, bool raw) {
    if (!client || !client->Connected()) return false;
    try {
        client->DiscardWaiting();
        client->SetQueryCmd(request);
        client->SetWantedAnswer(wanted);
        if (!client->ExecuteQuery(kTransactionLimitMs, raw)) return false;
        answer = client->QueryRez().Trim();
        return !answer.IsEmpty();
    } catch (...) {
        return false;
    }
}

void PufTransportDecision(TPufLinkState* form) {
    if (form->PufFailStreak.load() <= kFailStreakLimit) return;
    bool lanEnabled;
    AnsiString address;
    {
        TCriticalSectionLock lock(form->SharedTextLock);
        lanEnabled = form->PufLanEnabled;
        address = form->PufIP;
    }
    if (lanEnabled) form->PufOverTcp.store(!form->PufOverTcp.load());
    form->PufFailStreak.store(0);
    TWinSockClient* client = form->WinSockClient;
    if (form->PufOverTcp.load()) {
        if (!client->Connected()) {
            client->SetLinkAddress(address);
            client->Connect();
        }
    } else if (client->Connected()) {
        client->Disconnect();
    }
}

void TPufLinkState::WinSockClientConnectStatus(TObject*, bool connected) {
    if (!connected) return;
    // The controller's connect probe; its reply is not used. The client adds a CR of its own.
    WinSockClient->SetQueryCmd("GetTimeA\r");
    WinSockClient->SetWantedAnswer("");
    WinSockClient->ExecuteQuery(kTransactionLimitMs, false);
}

void CreatePufLinkComponents(TComponent* owner, TPufLinkState* form) {
    form->ICPLinkPUF = new TICPLink(owner);
    form->ICPLinkPUF->SetName("ICPLinkPUF");
    form->ICPLinkPUF->SetPortName("COM1");
    form->ICPLinkPUF->SetSpeed(9600);
    form->ICPLinkPUF->SetIniName("comport.ini");

    // A second serial link stands on the window with its stored settings; nothing opens it.
    auto* spare = new TICPLink(owner);
    spare->SetName("ICPLink1");
    spare->SetPortName("COM3");
    spare->SetCmdString("$012");
    spare->SetSpeed(9600);
    spare->SetIniName("comport.ini");

    form->WinSockClient = new TWinSockClient(owner);
    form->WinSockClient->SetName("WinSockClient");
    form->WinSockClient->SetLinkAddress("127.0.0.1");
    form->WinSockClient->SetLinkPort(7777);
    form->WinSockClient->SetLastCmdRez("Соединение с 127.0.0.1 успешно установлено.");
    form->WinSockClient->SetQueryCmd("GetTimeA");
    form->WinSockClient->SetTryCount(3);
    form->WinSockClient->OnConnectStatus = TConnectStatusEvent(form, &TPufLinkState::WinSockClientConnectStatus);
}
