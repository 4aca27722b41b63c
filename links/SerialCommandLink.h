// TSerialCommandLink: what the serial links to the plant's controllers share.
//
// A link owns one serial port, opens it by PortName at one of the standard speeds when it becomes
// Active, and exchanges a command line for an answer line. One exchange (command and answer) runs
// under a timed exchange lock, so two threads never interleave their lines. Failures never throw:
// ErrMessage leaves the reason in Status and counts ErrorCounter up.
//
// How a line is framed, sent and read, and how the port is set up, is each link's own
// (ConnectToPort, SendString, ReciveString).
#pragma once

#include "rtl/Classes.h"
#include "sys/Serial.h"
#include "sys/Threads.h"

#include <atomic>
#include <mutex>

class TSerialCommandLink : public TComponent {
    PLANTMON_CLASS(TSerialCommandLink, TComponent)
public:
    ~TSerialCommandLink() override;

    // Opens and configures the port named by PortName at the given speed.
    virtual bool ConnectToPort(int speed) = 0;
    // Sends one command line on the open port.
    virtual bool SendString(const AnsiString& text) = 0;
    // Reads one answer line; empty on failure.
    virtual AnsiString ReciveString() = 0;
    // Status := text, ErrorCounter + 1.
    void ErrMessage(const AnsiString& text);

    // Port and speed cannot change while the link is active (the attempt is an error).
    const AnsiString& PortName() const noexcept { return portName_; }
    void SetPortName(const AnsiString& value);
    int Speed() const noexcept { return speed_; }
    void SetSpeed(int value);
    bool Active() const noexcept { return active_.load(); }
    // True opens the port (ConnectToPort at Speed); false closes it.
    void SetActive(bool value);
    // The link closed its port by itself because the device went away during an exchange (a USB
    // adapter pulled out); cleared by the next successful open. Its user opens it again (SetActive)
    // when it means to go on.
    bool DeviceLost() const noexcept { return deviceLost_.load(); }
    int SendCounter() const noexcept { return sendCounter_.load(); }
    void SetSendCounter(int value) noexcept { sendCounter_.store(value); }
    int ErrorCounter() const noexcept { return errorCounter_.load(); }
    void SetErrorCounter(int value) noexcept { errorCounter_.store(value); }
    // Guarded: a thread refused by the exchange lock reports while the other one finishes.
    AnsiString Status() const;
    void SetStatus(const AnsiString& value);

protected:
    TSerialCommandLink(TComponent* owner, const AnsiString& portName, int speed);

    // The texts the links report with.
    static constexpr const char* MsgCannotOpen =
        "Не могу открыть COM-порт.\n\rВозможно, он используется\n\rдругой программой.";
    static constexpr const char* MsgGetState = "Не могу узнать состояние порта.";
    static constexpr const char* MsgSetState = "Не могу установить параметры порта.";
    static constexpr const char* MsgBadSpeed = "Попытка соединения с неправильной скоростью!";
    static constexpr const char* MsgSendFailed = "Не удалось послать блок информации.";
    static constexpr const char* MsgReceiveFailed = "Не удалось принять блок информации.";
    static constexpr const char* MsgTooLong = "Неожиданно длинный ответ.";

    // The checks before an open: not while active, and only at a standard speed.
    bool canConnect(int speed);
    // One exchange under the exchange lock: the command out, the answer in. True when no error was
    // counted on the way.
    bool exchange(const AnsiString& command, AnsiString& answer);
    // After a failed read or write: a device that went away closes the port and leaves the link
    // inactive, so that no later exchange waits on a dead descriptor.
    void checkDevice();

    TSerialPort port_;
    // Read by the consoles while the link's thread opens and closes the port.
    std::atomic<bool> active_{false};
    std::atomic<bool> deviceLost_{false};
    // Guards status_ and whatever else of its outcome a link lets other threads read.
    mutable std::mutex outcomeLock_;
    AnsiString status_;
    std::atomic<int> sendCounter_{0};
    std::atomic<int> errorCounter_{0};

private:
    // Auto-reset and signalled while free: taking it is one atomic step, so two threads can never
    // both pass the wait of an exchange.
    TEvent exchangeLock_{false, true};
    AnsiString portName_;
    int speed_;
};
