#include "links/ICPLink.h"

#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "rtl/SysUtils.h"

#include <string>

namespace {

// The whole answer must be in within this time, however steadily bytes keep coming.
constexpr uint64_t kAnswerLimitMs = 1000;
// A write that moves nothing is retried after a pause; the seventh such write gives up.
constexpr int kEmptyWriteLimit = 7;
constexpr uint32_t kEmptyWritePauseMs = 50;

}  // namespace

TICPLink::TICPLink(TComponent* owner) : TSerialCommandLink(owner, "COM3", 9600) {}

AnsiString TICPLink::ResultStr() const {
    std::lock_guard<std::mutex> l(outcomeLock_);
    return resultStr_;
}

void TICPLink::SetResultStr(const AnsiString& value) {
    std::lock_guard<std::mutex> l(outcomeLock_);
    resultStr_ = value;
}

TCommTimeouts TICPLink::ReadTimeouts() const {
    const AnsiString file = IncludeTrailingPathDelimiter(GetCurrentDir()) + iniName_;
    TCommTimeouts t;
    t.ReadIntervalTimeout = GetPrivateProfileInt("timeouts", "RInterval", 10, file);
    t.ReadTotalTimeoutMultiplier = GetPrivateProfileInt("timeouts", "RMult", 7, file);
    t.ReadTotalTimeoutConstant = GetPrivateProfileInt("timeouts", "RConst", 40, file);
    t.WriteTotalTimeoutMultiplier = GetPrivateProfileInt("timeouts", "WMult", 3, file);
    t.WriteTotalTimeoutConstant = GetPrivateProfileInt("timeouts", "WConst", 30, file);
    return t;
}

bool TICPLink::ConnectToPort(int speed) {
    if (!canConnect(speed)) return false;
    port_.SetTimeouts(ReadTimeouts());
    // The port object opens, reads the settings, changes only rate, framing, XON/XOFF and RTS, and
    // empties the receive buffer; on any failure it closes the device again, so a later activation
    // can take the same port.
    if (port_.Open(PortName(), speed)) return true;
    switch (port_.Failure()) {
        case sfGetState: ErrMessage(MsgGetState); break;
        case sfSetState:
        case sfIo: ErrMessage(MsgSetState); break;
        case sfBadBaud: ErrMessage(MsgBadSpeed); break;
        default: ErrMessage(MsgCannotOpen); break;
    }
    return false;
}

bool TICPLink::SendString(const AnsiString& text) {
    if (!active_) return false;
    // The device's buffer holds a command and its CR; a longer text cannot be sent as one line.
    if (text.Length() > MaxCommandLength) {
        ErrMessage(MsgSendFailed);
        return false;
    }
    std::string buffer = text.str();
    buffer += '\r';
    // A stale answer (or the LF after the last one) must not be taken for the answer to this command.
    port_.Purge(true, false);
    const int total = static_cast<int>(buffer.size());
    int sent = 0;
    int emptyWrites = 0;
    while (sent < total) {
        const int left = total - sent;
        const int n = port_.Write(buffer.data() + sent, left);
        if (n < 0 || n > left) {
            ErrMessage(MsgSendFailed);
            checkDevice();
            return false;
        }
        if (n == 0) {
            if (++emptyWrites >= kEmptyWriteLimit) {
                ErrMessage(MsgSendFailed);
                return false;
            }
            Sleep(kEmptyWritePauseMs);
            continue;
        }
        sent += n;
    }
    SetStatus("Send() OK");
    return true;
}

AnsiString TICPLink::ReciveString() {
    const uint64_t start = GetTickCount64();
    std::string answer;
    answer.reserve(256);
    for (;;) {
        char byte = 0;
        const int n = port_.Read(&byte, 1);
        if (n < 0) {
            // A closed port or a device that went away: waiting out the second would change nothing.
            ErrMessage(MsgReceiveFailed);
            checkDevice();
            return AnsiString();
        }
        if (n == 1) {
            if (byte == '\r') {
                // A NUL inside the answer ends it, as a zero-terminated text would.
                const std::size_t nul = answer.find('\0');
                if (nul != std::string::npos) answer.resize(nul);
                AnsiString result(std::move(answer));
                std::lock_guard<std::mutex> l(outcomeLock_);
                resultStr_ = result;
                status_ = "Recive() OK";
                return result;
            }
            if (static_cast<int>(answer.size()) >= MaxAnswerLength) {
                ErrMessage(MsgTooLong);
                return AnsiString();
            }
            answer += byte;
        }
        if (GetTickCount64() - start > kAnswerLimitMs) {
            ErrMessage(MsgReceiveFailed);
            return AnsiString();
        }
    }
}

void TICPLink::SetCmdString(const AnsiString& value) {
    cmdString_ = value;
    SetSended(false);
}

void TICPLink::SetSended(bool value) {
    if (value == sended_) return;
    if (value) {
        sended_ = SendString(cmdString_);
        recived_ = false;
    } else {
        sended_ = false;
    }
}

void TICPLink::SetRecived(bool value) {
    if (value == recived_) return;
    if (value) {
        ReciveString();
        recived_ = true;
    } else {
        recived_ = false;
    }
}
