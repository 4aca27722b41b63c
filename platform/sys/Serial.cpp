#include "sys/Serial.h"

#include "sys/Deadline.h"
#include "sys/SerialSpeed.h"
#include "sys/Threads.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedEntry {
    int baud;
    speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

// B0 when the rate has no constant of its own.
speed_t standardSpeed(int baud) {
    for (const auto& e : kSpeeds)
        if (e.baud == baud) return e.code;
    return B0;
}

AnsiString errnoText(int err) { return AnsiString(std::strerror(err)); }

}  // namespace

TSerialPort::~TSerialPort() { Close(); }

AnsiString TSerialPort::DevicePath(const AnsiString& portName) {
    const std::string& s = portName.str();
    if (s.find('/') != std::string::npos) return portName;
    if (s.size() > 3 && s.size() <= 6 && strncasecmp(s.c_str(), "COM", 3) == 0 &&
        std::all_of(s.begin() + 3, s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        int n = std::stoi(s.substr(3));
        if (n >= 1 && n <= 256) return AnsiString("/dev/ttyS" + std::to_string(n - 1));
    }
    return AnsiString("/dev/" + s);
}

bool TSerialPort::fail(TSerialFailure f, int err, const AnsiString& what) {
    failure_ = f;
    lastError_ = err;
    status_ = (device_.IsEmpty() ? AnsiString("serial port") : device_) + ": " + what;
    if (err != 0) status_ += ": " + errnoText(err);
    return false;
}

bool TSerialPort::DeviceGone() const noexcept {
    return failure_ == sfIo && (lastError_ == EIO || lastError_ == ENXIO || lastError_ == ENODEV);
}

void TSerialPort::succeed() {
    failure_ = sfNone;
    lastError_ = 0;
    status_ = AnsiString();
}

bool TSerialPort::Open(const AnsiString& portName, int baud) {
    Close();
    portName_ = portName;
    device_ = DevicePath(portName);
    baud_ = baud;
    if (baud <= 0) return fail(sfBadBaud, EINVAL, "invalid baud rate " + AnsiString(baud));

    // Non-blocking, so that neither the open nor any read waits for a carrier; the waiting is done
    // by poll() under the time-outs. Close-on-exec keeps programs we start from holding the port.
    int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(sfOpen, errno, "cannot open");
    auto abandon = [&](TSerialFailure f, int err, const AnsiString& what) {
        ::close(fd);
        return fail(f, err, what);
    };

    // Windows opens a port without sharing. A second program that also locks the device (another
    // copy of ours) is turned away here; TIOCEXCL below keeps out ordinary opens as well.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int e = errno;
        return abandon(sfOpen, e == EWOULDBLOCK ? EBUSY : e, "the port is in use by another program");
    }

    termios t{};
    if (tcgetattr(fd, &t) != 0) return abandon(sfGetState, errno, "cannot read the port settings");

    // Raw 8N1: no line editing, no echo, no CR/LF translation, no signals, no software flow control.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    speed_t code = standardSpeed(baud);
    // A rate without a constant is set in a second step; the first step only needs a valid one.
    speed_t first = code != B0 ? code : B38400;
    cfsetispeed(&t, first);
    cfsetospeed(&t, first);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return abandon(sfSetState, errno, "cannot set the port settings");
    if (code == B0) {
        if (int e = sysserial::SetArbitraryBaud(fd, baud); e != 0)
            return abandon(sfSetState, e, "cannot set the baud rate " + AnsiString(baud));
    } else {
        // tcsetattr reports success when any one change was taken; the rate and the frame must be.
        termios back{};
        if (tcgetattr(fd, &back) != 0) return abandon(sfGetState, errno, "cannot read the port settings");
        if (cfgetospeed(&back) != code || (back.c_cflag & CSIZE) != CS8)
            return abandon(sfSetState, EINVAL, "the driver refused the baud rate " + AnsiString(baud));
    }

    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    if (!setModemLine(TIOCM_RTS, false)) {
        int e = lastError_;
        Close();
        return fail(sfSetState, e, "cannot switch RTS off");
    }
    tcflush(fd_, TCIFLUSH);
    succeed();
    return true;
}

void TSerialPort::Close() {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

int TSerialPort::DeviceBaud() const {
    if (fd_ < 0) return -1;
    return sysserial::GetOutputBaud(fd_);
}

int TSerialPort::readFailed(int err) {
    fail(sfIo, err, "read failed");
    return -1;
}

int TSerialPort::Read(void* buffer, int count) {
    if (fd_ < 0) {
        fail(sfNotOpen, EBADF, "the port is not open");
        return -1;
    }
    if (count <= 0) {
        succeed();
        return 0;
    }
    auto* p = static_cast<unsigned char*>(buffer);
    const TCommTimeouts t = timeouts_;
    const bool immediate =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    const bool firstByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                           t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
    bool hasTotal;
    uint64_t total;
    if (firstByte) {
        hasTotal = true;
        total = t.ReadTotalTimeoutConstant;
    } else {
        hasTotal = t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0;
        total = static_cast<uint64_t>(t.ReadTotalTimeoutMultiplier) * static_cast<uint64_t>(count) +
                t.ReadTotalTimeoutConstant;
    }
    const bool hasInterval =
        !immediate && !firstByte && t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD;

    using sysdetail::NowUs;
    using sysdetail::PollMs;
    const int64_t start = NowUs();
    int64_t lastByte = start;
    int got = 0;
    bool hungUp = false;
    for (;;) {
        ssize_t r = ::read(fd_, p + got, static_cast<size_t>(count - got));
        if (r > 0) {
            got += static_cast<int>(r);
            lastByte = NowUs();
            if (got == count || immediate || firstByte) break;
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return readFailed(errno);
        // With VMIN and VTIME zero an empty read answers 0 both on a quiet line and on a device that
        // went away (a pseudo-terminal whose other side closed, a USB adapter pulled out). Only poll
        // tells them apart: a hung-up device reports POLLHUP and would otherwise spin this loop.
        if (hungUp) {
            if (got > 0) break;
            return readFailed(EIO);
        }
        if (immediate) break;

        int wait = -1;
        if (hasTotal) {
            wait = PollMs(start + static_cast<int64_t>(total) * 1000);
            if (wait == 0) break;
        }
        if (hasInterval && got > 0) {
            int left = PollMs(lastByte + static_cast<int64_t>(t.ReadIntervalTimeout) * 1000);
            if (left == 0) break;
            wait = wait < 0 ? left : std::min(wait, left);
        }
        pollfd pfd{fd_, POLLIN, 0};
        int pr = ::poll(&pfd, 1, wait);
        if (pr < 0) {
            if (errno == EINTR) continue;
            return readFailed(errno);
        }
        if (pr > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) hungUp = true;
    }
    succeed();
    return got;
}

int TSerialPort::Write(const void* buffer, int count) {
    if (fd_ < 0) {
        fail(sfNotOpen, EBADF, "the port is not open");
        return -1;
    }
    const auto* p = static_cast<const unsigned char*>(buffer);
    const TCommTimeouts t = timeouts_;
    const bool hasTotal = t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0;
    const int64_t deadline =
        sysdetail::NowUs() + (static_cast<int64_t>(t.WriteTotalTimeoutMultiplier) * std::max(count, 0) +
                              static_cast<int64_t>(t.WriteTotalTimeoutConstant)) * 1000;
    int done = 0;
    while (done < count) {
        ssize_t w = ::write(fd_, p + done, static_cast<size_t>(count - done));
        if (w > 0) {
            done += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            fail(sfIo, errno, "write failed");
            return -1;
        }
        int wait = -1;
        if (hasTotal) {
            wait = sysdetail::PollMs(deadline);
            if (wait == 0) break;
        }
        pollfd pfd{fd_, POLLOUT, 0};
        int pr = ::poll(&pfd, 1, wait);
        if (pr < 0) {
            if (errno == EINTR) continue;
            fail(sfIo, errno, "write failed");
            return -1;
        }
        if (pr > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLOUT)) {
            fail(sfIo, EIO, "write failed");
            return -1;
        }
    }
    succeed();
    return done;
}

bool TSerialPort::Purge(bool rx, bool tx) {
    if (fd_ < 0) return fail(sfNotOpen, EBADF, "the port is not open");
    if (!rx && !tx) {
        succeed();
        return true;
    }
    int which = rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH);
    if (tcflush(fd_, which) != 0) return fail(sfIo, errno, "cannot purge the buffers");
    succeed();
    return true;
}

int TSerialPort::BytesWaiting() {
    if (fd_ < 0) {
        fail(sfNotOpen, EBADF, "the port is not open");
        return -1;
    }
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0) {
        fail(sfIo, errno, "cannot count the waiting bytes");
        return -1;
    }
    succeed();
    return n;
}

bool TSerialPort::setModemLine(int line, bool on) {
    if (fd_ < 0) return fail(sfNotOpen, EBADF, "the port is not open");
    int bits = line;
    if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 || errno == ENOTTY || errno == EINVAL) {
        // ENOTTY and EINVAL: a device without modem lines, such as a pseudo-terminal.
        succeed();
        return true;
    }
    return fail(sfIo, errno, "cannot change a modem line");
}

bool TSerialPort::SetDTR(bool on) { return setModemLine(TIOCM_DTR, on); }

bool TSerialPort::SetRTS(bool on) { return setModemLine(TIOCM_RTS, on); }
