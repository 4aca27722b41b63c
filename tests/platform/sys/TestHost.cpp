#include "sys/Host.h"
#include "sys/Threads.h"

#include "SysTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using systest::TempDir;
using systest::WaitUntil;

namespace {

const std::string kHelper = SYS_TEST_HELPER;

// Sets TZ for the lifetime of the object.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (had_) setenv("TZ", saved_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool had_ = false;
};

// A shell script that writes its arguments and folder to out: the stand-in for the desktop handler.
std::string WriteOpener(const TempDir& tmp, const std::string& out) {
    std::string path = tmp / "opener.sh";
    std::ofstream(path) << "#!/bin/sh\npwd > '" << out << ".part'\nfor a in \"$@\"; do echo \"$a\" >> '" << out
                        << ".part'; done\nmv '" << out << ".part' '" << out << "'\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

}  // namespace

TEST(SystemHost, InstalledRecorderTakesEveryRequestAndNullRestoresTheStation) {
    ISystemHost* station = &SystemHost();
    EXPECT_NE(dynamic_cast<TRealSystemHost*>(station), nullptr);

    TRecordingSystemHost rec;
    SetSystemHost(&rec);
    EXPECT_EQ(&SystemHost(), &rec);
    const TDateTime moment = 40310.5;  // 12 May 2010, noon
    EXPECT_TRUE(SystemHost().SetLocalTime(moment));
    EXPECT_TRUE(SystemHost().PowerOff());
    EXPECT_TRUE(SystemHost().SetProcessPriority(ppHigh));
    EXPECT_EQ(SystemHost().ShellExecute("/opt/Far/Far.exe", "-a", "/opt/Far"), SE_OK);

    // Every request went to the installed host, none to the station.
    EXPECT_EQ(rec.ClockRequests(), (std::vector<TDateTime>{moment}));
    EXPECT_EQ(rec.PowerOffRequests(), 1);
    EXPECT_EQ(rec.PriorityRequests(), (std::vector<TProcessPriority>{ppHigh}));
    auto shell = rec.ShellRequests();
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].File, "/opt/Far/Far.exe");
    EXPECT_EQ(shell[0].Params, "-a");
    EXPECT_EQ(shell[0].Dir, "/opt/Far");

    SetSystemHost(nullptr);
    EXPECT_EQ(&SystemHost(), station);
}

TEST(SystemHost, PowerOffIsAcceptedOnlyWhenThePowerServiceSaysSo) {
    struct Case {
        const char* name;
        std::vector<AnsiString> command;
        bool accepted;
    };
    const Case cases[] = {
        {"service accepts", {kHelper, "exit", "0"}, true},
        {"service refuses", {kHelper, "exit", "1"}, false},
        {"no service", {"/nonexistent/systemctl", "poweroff"}, false},
        {"no command", {}, false},
    };
    for (const auto& c : cases) {
        TRealSystemHost host(c.command, "xdg-open");
        EXPECT_EQ(host.PowerOff(), c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_NE(host.LastError(), 0) << c.name;
        }
    }
}

TEST(SystemHost, ShellExecuteStartsProgramsAndHandsOtherFilesToTheOpener) {
    TempDir tmp;
    const std::string out = tmp / "out.txt";
    TRealSystemHost host({"true"}, WriteOpener(tmp, out));
    const std::string work = tmp / "work";
    fs::create_directories(work);

    // A program file runs itself, with the parameters split as a command line, in the folder given.
    EXPECT_EQ(host.ShellExecute(kHelper, "record \"" + out + "\" \"two words\"", work), SE_OK);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out); }));
    EXPECT_EQ(systest::ReadFile(out), work + "\ntwo words\n");
    fs::remove(out);

    // A document goes to the desktop's handler.
    const std::string doc = tmp / "report.html";
    std::ofstream(doc) << "<html/>";
    EXPECT_EQ(host.ShellExecute(doc, "", work), SE_OK);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out); }));
    EXPECT_EQ(systest::ReadFile(out), work + "\n" + doc + "\n");
    fs::remove(out);

    // So does a folder.
    EXPECT_EQ(host.ShellExecute(work, "", ""), SE_OK);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out); }));

    struct Failure {
        const char* name;
        std::string file, dir;
        int code;
    };
    const Failure failures[] = {
        {"missing file", tmp / "Far/Far.exe", "", SE_ERR_FNF},
        {"missing folder", kHelper, tmp / "nowhere", SE_ERR_PNF},
        {"empty file name", "", "", SE_ERR_FNF},
    };
    for (const auto& f : failures) EXPECT_EQ(host.ShellExecute(f.file, "", f.dir), f.code) << f.name;

    TRealSystemHost noOpener({"true"}, "/nonexistent/xdg-open");
    EXPECT_EQ(noOpener.ShellExecute(doc, "", ""), SE_ERR_NOASSOC);
}

TEST(SystemHost, LocalTimeToUnixFollowsTheZone) {
    struct Case {
        const char* zone;
        TDateTime local;
        bool ok;
        long long seconds;
        long nanoseconds;
    };
    // 40310 is 12 May 2010; 1273622400 is that day's midnight in UTC.
    const Case cases[] = {
        {"UTC0", 40310.0, true, 1273622400LL, 0},
        {"UTC0", 40310.5, true, 1273622400LL + 43200, 0},
        {"MSK-3", 40310.0 + (10 * 3600 + 0.5) / 86400.0, true, 1273622400LL + 7 * 3600, 500000000L},
        {"UTC0", 25569.0, true, 0, 0},                                    // 1 January 1970
        {"UTC0", 40310.0 + 86399.9996 / 86400.0, true, 1273622400LL + 86400, 0},  // rounds into the next day
        {"UTC0", std::numeric_limits<double>::quiet_NaN(), false, 0, 0},
        {"UTC0", 1e9, false, 0, 0},
    };
    for (const auto& c : cases) {
        ZoneGuard z(c.zone);
        long long s = -1;
        long ns = -1;
        EXPECT_EQ(LocalDateTimeToUnix(c.local, s, ns), c.ok) << c.zone << " " << c.local;
        if (!c.ok) continue;
        EXPECT_EQ(s, c.seconds) << c.zone << " " << c.local;
        EXPECT_EQ(ns, c.nanoseconds) << c.zone << " " << c.local;
    }
}

TEST(SystemHost, CapabilityFromTheStatusText) {
    const AnsiString status =
        "Name:\tplantmon\nCapInh:\t0000000000000000\nCapPrm:\t0000000002000000\nCapEff:\t0000000002000000\n";
    EXPECT_TRUE(StatusHasCapability(status, 25));   // setting the clock
    EXPECT_FALSE(StatusHasCapability(status, 24));
    EXPECT_FALSE(StatusHasCapability("Name:\tx\n", 25));
    EXPECT_TRUE(StatusHasCapability("CapEff:\t000001ffffffffff\n", 40));
    EXPECT_FALSE(StatusHasCapability("CapEff:\t000001ffffffffff\n", 64));
}
