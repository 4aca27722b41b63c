// TICPLink: a serial command link that exchanges text lines with a device.
//
// A command goes out followed by a carriage return; the answer is read byte by byte up to the next
// carriage return. Every failure sets Status and counts ErrorCounter up; no operation throws. The
// serial time-outs come from the timing file (IniName, section "timeouts"), read at every open.
//
// Texts pass through unchanged: the link moves bytes, and the protocol above it decides what they
// mean (the flotation controller's lines are Windows-1251).
#pragma once

#include "links/SerialCommandLink.h"

class TICPLink : public TSerialCommandLink {
    PLANTMON_CLASS(TICPLink, TSerialCommandLink)
public:
    explicit TICPLink(TComponent* owner);

    // Opens and configures the port named by PortName at the given speed.
    bool ConnectToPort(int speed) override;
    // Sends text + CR on the open port after discarding what waits to be read.
    bool SendString(const AnsiString& text) override;
    // Reads one answer up to CR (at most 9,900 characters within one second); empty on failure.
    AnsiString ReciveString() override;
    // One exchange of CmdString under the exchange lock.
    bool SendCommand(AnsiString& answer) { return exchange(cmdString_, answer); }

    const AnsiString& CmdString() const noexcept { return cmdString_; }
    void SetCmdString(const AnsiString& value);
    // The outcome fields may be read on another thread than the one exchanging (SendCommand is
    // meant for several users); they are kept under the outcome lock.
    AnsiString ResultStr() const;
    void SetResultStr(const AnsiString& value);
    bool Sended() const noexcept { return sended_; }
    void SetSended(bool value);
    bool Recived() const noexcept { return recived_; }
    void SetRecived(bool value);
    const AnsiString& IniName() const noexcept { return iniName_; }
    void SetIniName(const AnsiString& value) { iniName_ = value; }

    // Get accessors under the names the worker code uses.
    AnsiString GetPortName() const { return PortName(); }
    int GetSpeed() const noexcept { return Speed(); }
    AnsiString GetStatus() const { return Status(); }
    bool GetActive() const noexcept { return Active(); }

    // The serial time-outs that an open would set now, from the timing file or its defaults.
    TCommTimeouts ReadTimeouts() const;

    // The largest answer accepted and the longest command sent.
    static constexpr int MaxAnswerLength = 9900;
    static constexpr int MaxCommandLength = 9999;

private:
    AnsiString cmdString_ = "$012";
    AnsiString resultStr_;
    bool sended_ = false;
    bool recived_ = false;
    AnsiString iniName_ = "comport.ini";
};
