#include "sys/Serial.h"
#include "sys/Threads.h"

#include "SysTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using systest::MsSince;
using systest::WaitUntil;

namespace {

// A pseudo-terminal pair: the port under test opens the slave, the test plays the device on the
// master.
class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = ptsname(master_);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { CloseMaster(); }
    bool Ok() const { return master_ >= 0 && !slave_.empty(); }
    const std::string& Slave() const { return slave_; }
    void Write(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the port sent, collected for waitMs.
    std::string Read(int waitMs) {
        std::string out;
        auto t0 = std::chrono::steady_clock::now();
        while (MsSince(t0) < waitMs) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            char buf[256];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

int OpenDescriptors() {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)e;
        ++n;
    }
    return n;
}

constexpr TCommTimeouts kLinkDefaults{10, 7, 40, 3, 30};
constexpr TCommTimeouts kImmediate{MAXDWORD, 0, 0, 0, 0};

std::string ReadAll(TSerialPort& port, int count) {
    std::string buf(static_cast<std::size_t>(count), '\0');
    int n = port.Read(buf.data(), count);
    buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buf;
}

}  // namespace

TEST(SerialPort, DevicePathOfConfiguredNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"},           {"com2", "/dev/ttyS1"},         {"COM256", "/dev/ttyS255"},
        {"COM257", "/dev/COM257"},        {"COM0", "/dev/COM0"},          {"COM", "/dev/COM"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"ttyUSB0", "/dev/ttyUSB0"},   {"/dev/pts/7", "/dev/pts/7"},
        {"COM1x", "/dev/COM1x"},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(TSerialPort::DevicePath(name), path) << name;
}

TEST(SerialPort, OpenFailuresAreReportedNotThrown) {
    systest::TempDir dir;
    std::string plain = dir / "not-a-tty";
    std::ofstream(plain) << "x";
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort holder;
    ASSERT_TRUE(holder.Open(pty.Slave(), 9600)) << holder.Status();

    struct Case {
        const char* name;
        std::string port;
        int baud;
        TSerialFailure failure;
        int error;
    };
    std::vector<Case> cases = {
        {"missing device", "/dev/plantmon-no-such-port", 9600, sfOpen, ENOENT},
        {"no terminal", plain, 9600, sfGetState, ENOTTY},
        {"rate zero", pty.Slave(), 0, sfBadBaud, EINVAL},
        {"negative rate", "/dev/plantmon-no-such-port", -9600, sfBadBaud, EINVAL},
        {"held by another user of the port", pty.Slave(), 9600, sfOpen, EBUSY},
    };
    if (geteuid() != 0) {
        std::string locked = dir / "no-permission";
        std::ofstream(locked) << "x";
        chmod(locked.c_str(), 0);
        cases.push_back({"no permission", locked, 9600, sfOpen, EACCES});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSerialPort port;
        int before = OpenDescriptors();
        EXPECT_FALSE(port.Open(c.port, c.baud));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Failure(), c.failure);
        EXPECT_EQ(port.LastError(), c.error);
        EXPECT_FALSE(port.Status().IsEmpty());
        EXPECT_EQ(OpenDescriptors(), before) << "a failed open must not keep the device";
    }
    holder.Close();
    TSerialPort again;
    EXPECT_TRUE(again.Open(pty.Slave(), 9600)) << "the port is free again once its holder closed it";
}

TEST(SerialPort, RatesWithAndWithoutStandardConstants) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    for (int baud : {110, 9600, 14400, 38400, 56000, 57600, 115200, 128000, 256000}) {
        TSerialPort port;
        ASSERT_TRUE(port.Open(pty.Slave(), baud)) << baud << ": " << port.Status();
        EXPECT_EQ(port.Baud(), baud);
        EXPECT_EQ(port.DeviceBaud(), baud);
    }
}

TEST(SerialPort, RawModePassesEveryByteAndEchoesNothing) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Slave(), 38400)) << port.Status();
    port.SetTimeouts({0, 0, 2000, 0, 0});
    // CR, LF, ^C, XON, XOFF and DEL would all be eaten or changed by a terminal's cooked mode.
    const std::string sent("AB\r\n\x03\x11\x13\x7f\xff\x00Z", 11);
    pty.Write(sent);
    EXPECT_EQ(ReadAll(port, static_cast<int>(sent.size())), sent);
    EXPECT_EQ(pty.Read(50), "") << "the port echoed its input";

    ASSERT_EQ(port.Write("X\n\r", 3), 3);
    EXPECT_EQ(pty.Read(100), "X\n\r") << "output must not be translated";
}

TEST(SerialPort, ReadTimeoutModel) {
    // When the device writes: once the read waits for bytes, once the read has taken every byte
    // that waited, or once the read has returned. No write depends on how fast a thread runs.
    enum When { ReadWaits, WaitingTaken, ReadReturned };
    struct Write {
        When when;
        std::string bytes;
    };
    struct Case {
        const char* name;
        TCommTimeouts t;
        std::string before;  // already waiting when the read starts
        std::vector<Write> script;
        int count;
        std::string expected;
        int atLeastMs;
    };
    const Case cases[] = {
        {"link defaults, silent line: 7 * 1 + 40 ms", kLinkDefaults, "", {}, 1, "", 47},
        {"reply after the total limit is not read", {0, 0, 50, 0, 0}, "", {{ReadReturned, "A"}}, 1, "", 50},
        {"reply within the total limit", {0, 0, 3000, 0, 0}, "", {{ReadWaits, "A"}}, 1, "A", 0},
        {"waiting bytes come at once", kLinkDefaults, "OK\r", {}, 3, "OK\r", 0},
        {"quiet gap after the first bytes ends the read", {50, 0, 3000, 0, 0}, "", {{ReadWaits, "AB"}, {ReadReturned, "C"}}, 10, "AB", 50},
        {"total limit ends a short multi-byte read", {0, 0, 150, 0, 0}, "XYZ", {}, 10, "XYZ", 150},
        {"multiplier counts per requested byte", {0, 100, 0, 0, 0}, "A", {}, 2, "A", 200},
        {"immediate mode takes what waits", kImmediate, "Q", {{ReadReturned, "R"}}, 10, "Q", 0},
        {"immediate mode on a quiet line", kImmediate, "", {}, 10, "", 0},
        {"first-byte mode returns with the first arrival", {MAXDWORD, MAXDWORD, 3000, 0, 0}, "", {{ReadWaits, "Q"}, {ReadReturned, "R"}}, 10, "Q", 0},
        {"no time-outs wait for the whole count", {0, 0, 0, 0, 0}, "AB", {{WaitingTaken, "C"}}, 3, "ABC", 0},
    };
    const pid_t reader = gettid();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        ASSERT_TRUE(pty.Ok());
        // The device's own view of the port's input queue (the port keeps others out once open).
        const int watch = open(pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(watch, 0);
        auto waiting = [watch] {
            int n = -1;
            return ioctl(watch, FIONREAD, &n) == 0 ? n : -1;
        };
        TSerialPort port;
        ASSERT_TRUE(port.Open(pty.Slave(), 9600)) << port.Status();
        port.SetTimeouts(c.t);
        std::string all = c.before;
        if (!c.before.empty()) {
            pty.Write(c.before);
            ASSERT_TRUE(WaitUntil([&] { return waiting() == static_cast<int>(c.before.size()); }));
        }
        for (const auto& w : c.script) all += w.bytes;
        std::atomic<bool> returned{false};
        std::thread device([&] {
            for (const auto& w : c.script) {
                if (w.when == ReadWaits) WaitUntil([&] { return testlib::ThreadSleeps(reader); }, 30000);
                if (w.when == WaitingTaken) WaitUntil([&] { return waiting() == 0; }, 30000);
                if (w.when == ReadReturned) WaitUntil([&] { return returned.load(); }, 30000);
                pty.Write(w.bytes);
            }
        });
        auto t0 = std::chrono::steady_clock::now();
        std::string got = ReadAll(port, c.count);
        long long took = MsSince(t0);
        returned = true;
        device.join();
        EXPECT_EQ(got, c.expected);
        EXPECT_GE(took, c.atLeastMs);
        // Whatever the read did not take must still be there, in order.
        std::string rest;
        WaitUntil([&] { return port.BytesWaiting() == static_cast<int>(all.size() - got.size()); }, 30000);
        port.SetTimeouts(kImmediate);
        rest = ReadAll(port, 64);
        EXPECT_EQ(got + rest, all);
        port.Close();
        close(watch);
    }
}

TEST(SerialPort, PurgeDropsStaleBytes) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Slave(), 9600)) << port.Status();
    port.SetTimeouts(kLinkDefaults);
    pty.Write("STALE\r\n");
    ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 7; }));
    EXPECT_TRUE(port.Purge(true, false));
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(ReadAll(port, 1), "");
    pty.Write("NEW\r");
    port.SetTimeouts({0, 0, 2000, 0, 0});
    EXPECT_EQ(ReadAll(port, 4), "NEW\r");
    EXPECT_TRUE(port.Purge(true, true));
}

TEST(SerialPort, WriteGivesUpAfterItsTimeoutWhenNobodyReads) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Slave(), 9600)) << port.Status();
    port.SetTimeouts({0, 0, 0, 0, 100});
    std::string big(1 << 20, 'x');
    int n = port.Write(big.data(), static_cast<int>(big.size()));
    EXPECT_GE(n, 0) << port.Status();
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_EQ(port.Failure(), sfNone);
}

TEST(SerialPort, DeviceThatGoesAwayFailsReadsAndWrites) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Slave(), 9600)) << port.Status();
    port.SetTimeouts({0, 0, 2000, 0, 500});
    pty.CloseMaster();
    char c;
    EXPECT_EQ(port.Read(&c, 1), -1);
    EXPECT_EQ(port.Failure(), sfIo);
    EXPECT_FALSE(port.Status().IsEmpty());
    EXPECT_EQ(port.Write("A", 1), -1);
    EXPECT_EQ(port.Failure(), sfIo);
}

TEST(SerialPort, ClosedPortRefusesEveryOperation) {
    TSerialPort port;
    char c = 0;
    EXPECT_EQ(port.Read(&c, 1), -1);
    EXPECT_EQ(port.Failure(), sfNotOpen);
    EXPECT_EQ(port.Write(&c, 1), -1);
    EXPECT_EQ(port.Failure(), sfNotOpen);
    EXPECT_EQ(port.BytesWaiting(), -1);
    EXPECT_FALSE(port.Purge(true, true));
    EXPECT_FALSE(port.SetRTS(false));
    EXPECT_EQ(port.DeviceBaud(), -1);
}

TEST(SerialPort, ModemLinesOnAPseudoTerminalAreNoError) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Slave(), 9600)) << port.Status();
    EXPECT_TRUE(port.SetDTR(true)) << port.Status();
    EXPECT_TRUE(port.SetRTS(true)) << port.Status();
    EXPECT_TRUE(port.SetDTR(false)) << port.Status();
}

TEST(SerialPort, DestroyingAnOpenPortClosesTheDevice) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    int before = OpenDescriptors();
    {
        TSerialPort port;
        ASSERT_TRUE(port.Open(pty.Slave(), 9600));
        EXPECT_EQ(OpenDescriptors(), before + 1);
        ASSERT_TRUE(port.Open(pty.Slave(), 19200)) << "reopening an open port replaces its handle";
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}
