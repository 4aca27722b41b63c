// TICPLink: a serial command link that exchanges text lines with a device.
//
// A command goes out followed by a carriage return; the answer is read byte by byte up to the next
// carriage return. Every failure sets Status and counts ErrorCounter up; no operation throws. The
// serial time-outs come from the timing file (IniName, section "timeouts"), read at every open.
//
// Texts pass through unchanged: the link moves bytes, and the protocol above it decides what they
// mean (the flotation controller's lines are Windows-1251).
#pragma once

#include "rtl/Classes.h"
#include "sys/Serial.h"
#include "sys/Threads.h"

#include <atomic>
#include <mutex>

class TICPLink : public TComponent {
    PLANTMON_CLASS(TICPLink, TComponent)
public:
    explicit TICPLink(TComponent* owner);
    ~TICPLink() override;

    // Opens and configures the port named by PortName at the given speed.
    bool ConnectToPort(int speed);
    // Sends text + CR on the open port after discarding what waits to be read.
    bool SendString(const AnsiString& text);
    // Reads one answer up to CR (at most 9,900 characters within one second); empty on failure.
    AnsiString ReciveString();
    // One exchange of CmdString under the exchange lock.
    bool SendCommand(AnsiString& answer);
    // Status := text, ErrorCounter + 1.
    void ErrMessage(const AnsiString& text);

    const AnsiString& PortName() const noexcept { return portName_; }
    void SetPortName(const AnsiString& value);
    const AnsiString& CmdString() const noexcept { return cmdString_; }
    void SetCmdString(const AnsiString& value);
    // The outcome fields may be read on another thread than the one exchanging (SendCommand is
    // meant for several users); they are kept under a small lock of their own.
    AnsiString ResultStr() const;
    void SetResultStr(const AnsiString& value);
    int SendCounter() const noexcept { return sendCounter_; }
    void SetSendCounter(int value) noexcept { sendCounter_ = value; }
    int ErrorCounter() const noexcept { return errorCounter_.load(); }
    void SetErrorCounter(int value) noexcept { errorCounter_.store(value); }
    AnsiString Status() const;
    void SetStatus(const AnsiString& value);
    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    bool Sended() const noexcept { return sended_; }
    void SetSended(bool value);
    int Speed() const noexcept { return speed_; }
    void SetSpeed(int value);
    bool Recived() const noexcept { return recived_; }
    void SetRecived(bool value);
    const AnsiString& IniName() const noexcept { return iniName_; }
    void SetIniName(const AnsiString& value) { iniName_ = value; }

    // Get accessors under the names the worker code uses.
    AnsiString GetPortName() const { return portName_; }
    int GetSpeed() const noexcept { return speed_; }
    AnsiString GetStatus() const { return Status(); }
    bool GetActive() const noexcept { return active_; }

    // The serial time-outs that an open would set now, from the timing file or its defaults.
    TCommTimeouts ReadTimeouts() const;

    // The largest answer accepted and the longest command sent.
    static constexpr int MaxAnswerLength = 9900;
    static constexpr int MaxCommandLength = 9999;

private:
    void closePort();

    TSerialPort port_;
    // Auto-reset and signalled while free: taking it is one atomic step, so two threads can never
    // both pass the wait of SendCommand.
    TEvent exchangeLock_{false, true};
    AnsiString portName_ = "COM3";
    AnsiString cmdString_ = "$012";
    mutable std::mutex outcomeLock_;  // resultStr_ and status_
    AnsiString resultStr_;
    int sendCounter_ = 0;
    std::atomic<int> errorCounter_{0};
    AnsiString status_;
    bool active_ = false;
    bool sended_ = false;
    int speed_ = 9600;
    bool recived_ = false;
    AnsiString iniName_ = "comport.ini";
};
