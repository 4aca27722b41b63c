#include "links/SerialCommandLink.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int kSpeeds[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                           19200, 38400, 56000, 57600, 115200, 128000, 256000};

// How long an exchange waits for another thread's exchange to finish.
constexpr uint32_t kExchangeLockWaitMs = 250;

}  // namespace

TSerialCommandLink::TSerialCommandLink(TComponent* owner, const AnsiString& portName, int speed)
    : TComponent(owner), portName_(portName), speed_(speed) {}

TSerialCommandLink::~TSerialCommandLink() { port_.Close(); }

void TSerialCommandLink::ErrMessage(const AnsiString& text) {
    SetStatus(text);
    errorCounter_.fetch_add(1);
}

AnsiString TSerialCommandLink::Status() const {
    std::lock_guard<std::mutex> l(outcomeLock_);
    return status_;
}

void TSerialCommandLink::SetStatus(const AnsiString& value) {
    std::lock_guard<std::mutex> l(outcomeLock_);
    status_ = value;
}

bool TSerialCommandLink::canConnect(int speed) {
    if (active_.load()) {
        ErrMessage("Не могу переключиться при активном соединении!");
        return false;
    }
    if (std::find(std::begin(kSpeeds), std::end(kSpeeds), speed) == std::end(kSpeeds)) {
        ErrMessage(MsgBadSpeed);
        return false;
    }
    return true;
}

void TSerialCommandLink::SetActive(bool value) {
    if (value == active_.load()) return;
    if (value) {
        const bool open = ConnectToPort(speed_);
        active_ = open;
        if (open) deviceLost_ = false;
    } else {
        port_.Close();
        active_ = false;
    }
}

void TSerialCommandLink::checkDevice() {
    if (!port_.IsOpen() || !port_.DeviceGone()) return;
    port_.Close();
    active_ = false;
    deviceLost_ = true;
}

bool TSerialCommandLink::exchange(const AnsiString& command, AnsiString& answer) {
    if (exchangeLock_.WaitFor(kExchangeLockWaitMs) != wrSignaled) {
        ErrMessage("Захват ресурса.");
        return false;
    }
    if (!SendString(command)) {
        exchangeLock_.SetEvent();
        return false;
    }
    const int errorsBefore = errorCounter_.load();
    answer = ReciveString();
    exchangeLock_.SetEvent();
    return errorCounter_.load() == errorsBefore;
}

void TSerialCommandLink::SetPortName(const AnsiString& value) {
    if (value == portName_) return;
    if (active_) {
        ErrMessage("Нельзя менять порт при активном подключении!");
        return;
    }
    portName_ = value;
}

void TSerialCommandLink::SetSpeed(int value) {
    if (value == speed_) return;
    if (active_) {
        ErrMessage("Нельзя менять скорость обмена при активном подключении.");
        return;
    }
    speed_ = value;
}
