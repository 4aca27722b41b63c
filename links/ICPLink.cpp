#include "links/ICPLink.h"

#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::array<int, 15> kSpeeds = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                         19200, 38400, 56000, 57600, 115200, 128000, 256000};

// The whole answer must be in within this time, however steadily bytes keep coming.
constexpr uint64_t kAnswerLimitMs = 1000;
// A write that moves nothing is retried after a pause; the seventh such write gives up.
constexpr int kEmptyWriteLimit = 7;
constexpr uint32_t kEmptyWritePauseMs = 50;
constexpr uint32_t kExchangeLockWaitMs = 250;

const char* const kSendFailed = "Не удалось послать блок информации.";
const char* const kReceiveFailed = "Не удалось принять блок информации.";

}  // namespace

TICPLink::TICPLink(TComponent* owner) : TComponent(owner) {}

TICPLink::~TICPLink() {
    SetActive(false);
}

void TICPLink::ErrMessage(const AnsiString& text) {
    {
        std::lock_guard<std::mutex> l(outcomeLock_);
        status_ = text;
    }
    errorCounter_.fetch_add(1);
}

AnsiString TICPLink::Status() const {
    std::lock_guard<std::mutex> l(outcomeLock_);
    return status_;
}

void TICPLink::SetStatus(const AnsiString& value) {
    std::lock_guard<std::mutex> l(outcomeLock_);
    status_ = value;
}

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
    if (active_) {
        ErrMessage("Не могу переключиться при активном соединении!");
        return false;
    }
    if (std::find(kSpeeds.begin(), kSpeeds.end(), speed) == kSpeeds.end()) {
        ErrMessage("Попытка соединения с неправильной скоростью!");
        return false;
    }
    port_.SetTimeouts(ReadTimeouts());
    // The port object opens, reads the settings, changes only rate, framing, XON/XOFF and RTS, and
    // empties the receive buffer; on any failure it closes the device again, so a later activation
    // can take the same port.
    if (port_.Open(portName_, speed)) return true;
    switch (port_.Failure()) {
        case sfGetState: ErrMessage("Не могу узнать состояние порта."); break;
        case sfSetState:
        case sfIo: ErrMessage("Не могу установить параметры порта."); break;
        case sfBadBaud: ErrMessage("Попытка соединения с неправильной скоростью!"); break;
        default: ErrMessage("Не могу открыть COM-порт.\n\rВозможно, он используется\n\rдругой программой."); break;
    }
    return false;
}

void TICPLink::closePort() {
    port_.Close();
}

void TICPLink::SetActive(bool value) {
    if (value == active_) return;
    if (value) {
        active_ = ConnectToPort(speed_);
    } else {
        closePort();
        active_ = false;
    }
}

bool TICPLink::SendString(const AnsiString& text) {
    if (!active_) return false;
    // The device's buffer holds a command and its CR; a longer text cannot be sent as one line.
    if (text.Length() > MaxCommandLength) {
        ErrMessage(kSendFailed);
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
            ErrMessage(kSendFailed);
            return false;
        }
        if (n == 0) {
            if (++emptyWrites >= kEmptyWriteLimit) {
                ErrMessage(kSendFailed);
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
            ErrMessage(kReceiveFailed);
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
                ErrMessage("Неожиданно длинный ответ.");
                return AnsiString();
            }
            answer += byte;
        }
        if (GetTickCount64() - start > kAnswerLimitMs) {
            ErrMessage(kReceiveFailed);
            return AnsiString();
        }
    }
}

bool TICPLink::SendCommand(AnsiString& answer) {
    if (exchangeLock_.WaitFor(kExchangeLockWaitMs) != wrSignaled) {
        ErrMessage("Захват ресурса.");
        return false;
    }
    if (!SendString(cmdString_)) {
        exchangeLock_.SetEvent();
        return false;
    }
    const int errorsBefore = errorCounter_.load();
    answer = ReciveString();
    exchangeLock_.SetEvent();
    return errorCounter_.load() == errorsBefore;
}

void TICPLink::SetPortName(const AnsiString& value) {
    if (active_ && value != portName_) {
        ErrMessage("Нельзя менять порт при активном подключении!");
        return;
    }
    portName_ = value;
}

void TICPLink::SetCmdString(const AnsiString& value) {
    cmdString_ = value;
    SetSended(false);
}

void TICPLink::SetSpeed(int value) {
    if (active_ && value != speed_) {
        ErrMessage("Нельзя менять скорость обмена при активном подключении.");
        return;
    }
    speed_ = value;
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
