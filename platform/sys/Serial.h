// Serial ports on termios with the Windows time-out model.
//
// The link components were written for Windows serial handles: a port is opened by its "COMn"
// name, set to a baud rate with 8 data bits, no parity and one stop bit, and every read or write
// is bounded by the five COMMTIMEOUTS values. TSerialPort gives them exactly that on Linux: the
// port is put into raw mode (Windows has no line discipline, so CR stays CR and nothing echoes),
// opened exclusively, and reads and writes wait with poll() for as long as the time-outs allow.
//
// Nothing here throws: every failure answers false or -1 and leaves its reason in Failure(),
// LastError() (the errno) and Status() (a readable text).
#pragma once

#include "rtl/AnsiString.h"

#include <cstdint>

// Time-outs of reads and writes, in milliseconds, with the meaning Windows gives them:
// - a read of n bytes ends when n bytes are in, or when ReadTotalTimeoutMultiplier * n +
//   ReadTotalTimeoutConstant have passed (both zero: no total limit), or when, after the first
//   byte, the line stays quiet for longer than ReadIntervalTimeout (zero: no interval limit);
// - ReadIntervalTimeout = MAXDWORD with both totals zero: a read returns at once with what waits;
// - ReadIntervalTimeout and ReadTotalTimeoutMultiplier = MAXDWORD with a constant between them:
//   a read returns at once when bytes wait, else with the first byte to come, or empty after the
//   constant;
// - a write of n bytes gives up after WriteTotalTimeoutMultiplier * n + WriteTotalTimeoutConstant
//   (both zero: no limit) and reports the bytes that went out.
constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

struct TCommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    friend bool operator==(const TCommTimeouts&, const TCommTimeouts&) = default;
};

// The step of the last failure, so that a caller can choose its own message for each.
enum TSerialFailure {
    sfNone,
    sfBadBaud,     // the rate is not a positive number
    sfOpen,        // the device is missing, busy (another program holds it) or not permitted
    sfGetState,    // the device is no terminal, or its settings cannot be read
    sfSetState,    // the driver refused the settings (for example the rate)
    sfNotOpen,     // an operation on a closed port
    sfIo,          // a read, write, purge or line change failed on the open port
};

class TSerialPort {
public:
    TSerialPort() = default;
    ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    // The device behind a configured port name: "COM1".."COM256" (any letter case) are /dev/ttyS0
    // upwards, a name with a '/' is a path used as it is, any other name is looked up in /dev.
    static AnsiString DevicePath(const AnsiString& portName);

    // Opens the port exclusively and sets it up: raw mode, the baud rate (any positive rate; the
    // ones without a standard constant go through the driver's arbitrary-rate call), 8 data bits,
    // no parity, one stop bit, XON/XOFF off in both directions, receiver on, modem status lines
    // ignored, RTS off. Hardware handshake and DTR stay as the driver had them. The receive buffer
    // is emptied last. A port that is open already is closed first. On failure the device is
    // closed again, so a later Open can take it.
    bool Open(const AnsiString& portName, int baud);
    void Close();
    bool IsOpen() const noexcept { return fd_ >= 0; }
    const AnsiString& PortName() const noexcept { return portName_; }
    const AnsiString& Device() const noexcept { return device_; }
    int Baud() const noexcept { return baud_; }
    // The output rate the driver reports for the open port, -1 when it cannot tell.
    int DeviceBaud() const;
    // The file descriptor, -1 while closed.
    int Handle() const noexcept { return fd_; }

    // Kept with the object and applied by every later Read and Write; may be set before Open.
    void SetTimeouts(const TCommTimeouts& t) noexcept { timeouts_ = t; }
    const TCommTimeouts& Timeouts() const noexcept { return timeouts_; }

    // Reads up to count bytes under the time-outs. Returns the number read (0 when the time-outs ran
    // out before anything came), or -1 on a failure (a closed port, a device that went away).
    int Read(void* buffer, int count);
    // Writes count bytes under the write time-outs. Returns the number written (less than count
    // when the time-out ran out), or -1 on a failure.
    int Write(const void* buffer, int count);
    // Discards what waits to be read (rx) and what waits to be sent (tx).
    bool Purge(bool rx, bool tx);
    // Bytes that wait in the receive buffer, -1 on a failure.
    int BytesWaiting();

    // The modem control lines. A device without them (a pseudo-terminal) accepts the call as done.
    bool SetDTR(bool on);
    bool SetRTS(bool on);

    TSerialFailure Failure() const noexcept { return failure_; }
    int LastError() const noexcept { return lastError_; }
    // The last failure says the device itself went away (a USB adapter pulled out, the far side of a
    // pseudo-terminal closed: EIO, ENXIO, ENODEV). The open descriptor is of no more use; only closing
    // the port and opening it again, once the device is back, helps.
    bool DeviceGone() const noexcept;
    // Text of the last failure, empty after a success.
    const AnsiString& Status() const noexcept { return status_; }

private:
    bool fail(TSerialFailure f, int err, const AnsiString& what);
    void succeed();
    bool setModemLine(int line, bool on);
    int readFailed(int err);

    int fd_ = -1;
    AnsiString portName_;
    AnsiString device_;
    int baud_ = 0;
    TCommTimeouts timeouts_;
    TSerialFailure failure_ = sfNone;
    int lastError_ = 0;
    AnsiString status_;
};
