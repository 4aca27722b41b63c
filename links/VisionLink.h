// TVisionLink: the serial link to the Vision controllers in their PCOM ASCII protocol.
//
// A request is "/" + the unit id in two hex digits + the command line + a two-digit checksum + CR;
// the controller answers "/A" + unit id + command echo + data + checksum + CR. The component reads
// and writes runs of memory bits, 16-bit and 32-bit integers. Failures never throw: every operation
// answers false and leaves its reason in Status; port-level failures also count in ErrorCounter.
//
// With EmulFlag set the four array operations answer from three string lists instead of the port
// (one decimal value per line, the line index being the address).
//
// One exchange (frame and reply) runs under a timed exchange lock, so two threads never interleave
// their frames on the line; everything else is set up by one thread at a time.
#pragma once

#include "links/SerialCommandLink.h"

#include <memory>

class TVisionLink : public TSerialCommandLink {
    PLANTMON_CLASS(TVisionLink, TSerialCommandLink)
public:
    explicit TVisionLink(TComponent* owner);

    // ---- operations ----
    // Opens the port named by PortName at one of the standard speeds.
    bool ConnectToPort(int speed) override;
    // Sends text + CR (at most 99 characters) while the port is open.
    bool SendString(const AnsiString& text) override;
    // Reads one reply line up to CR (at most 900 characters, within one second); empty on failure.
    AnsiString ReciveString() override;
    // One exchange of QueryString under the exchange lock; true when the reply came without an error.
    bool SendCommand(AnsiString& answer) { return exchange(queryString_, answer); }
    // Two upper-case hex digits of the byte sum of text, modulo 256.
    static AnsiString CalcCRC(const AnsiString& text);
    // Rebuilds CRC and QueryString from STX, UnitID and CommandLine.
    void UpdateQueryString();
    // One exchange whose reply start, checksum, unit and echo are checked; answer keeps the data only.
    bool GetQueryRez(AnsiString& answer);

    bool GetBitArray(int address, int count, bool* bits);
    bool SetBitArray(int address, int count, const bool* bits);
    // isLong selects the 32-bit commands (values as signed 32-bit), else 16-bit (0..65535).
    bool GetIntArray(int address, int count, int* values, bool isLong);
    bool SetIntArray(int address, int count, const int* values, bool isLong);

    // ---- properties ----
    const AnsiString& QueryString() const noexcept { return queryString_; }
    void SetQueryString(const AnsiString& value);
    const AnsiString& ResultStr() const noexcept { return resultStr_; }
    void SetResultStr(const AnsiString& value) { resultStr_ = value; }
    bool Sended() const noexcept { return sended_; }
    void SetSended(bool value);
    bool Recived() const noexcept { return recived_; }
    void SetRecived(bool value);
    const AnsiString& STX() const noexcept { return stx_; }
    void SetSTX(const AnsiString& value) { stx_ = value; }
    const AnsiString& CRC() const noexcept { return crc_; }
    void SetCRC(const AnsiString&) {}  // always computed
    const AnsiString& CommandLine() const noexcept { return commandLine_; }
    void SetCommandLine(const AnsiString& value);
    int UnitID() const noexcept { return unitId_; }
    void SetUnitID(int value);
    const AnsiString& STX1() const noexcept { return stx1_; }
    void SetSTX1(const AnsiString& value) { stx1_ = value; }
    bool EmulFlag() const noexcept { return emulFlag_; }
    void SetEmulFlag(bool value) noexcept { emulFlag_ = value; }
    // The setters copy the given lines into the component's own lists.
    TStringList* EmulBitArray() const noexcept { return emulBits_.get(); }
    void SetEmulBitArray(TStrings* value);
    TStringList* EmulIntArray() const noexcept { return emulInts_.get(); }
    void SetEmulIntArray(TStrings* value);
    TStringList* EmulLongArray() const noexcept { return emulLongs_.get(); }
    void SetEmulLongArray(TStrings* value);

    // The port itself, for tests that look at its settings.
    const TSerialPort& Port() const noexcept { return port_; }

private:
    bool checkOperands(int address, int count);
    bool sendAndCheck(const AnsiString& commandLine, AnsiString& data);
    static int emulRead(const TStringList* list, int index);
    static void emulWrite(TStringList* list, int index, long long value);

    AnsiString queryString_;
    AnsiString resultStr_;
    bool sended_ = false;
    bool recived_ = false;
    AnsiString stx_ = "/";
    AnsiString crc_;
    AnsiString commandLine_ = "RW000001";
    int unitId_ = 1;
    AnsiString stx1_ = "/A";
    bool emulFlag_ = false;
    std::unique_ptr<TStringList> emulBits_;
    std::unique_ptr<TStringList> emulInts_;
    std::unique_ptr<TStringList> emulLongs_;
};
