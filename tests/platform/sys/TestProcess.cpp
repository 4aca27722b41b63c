#include "sys/Process.h"

#include "SysTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using systest::Child;
using systest::TempDir;
using systest::WaitUntil;

namespace {

const std::string kHelper = SYS_TEST_HELPER;

// A copy of the helper program under another path, so counts are not disturbed by other tests.
std::string CopyHelper(const std::string& folder, const std::string& name) {
    fs::create_directories(folder);
    std::string path = folder + "/" + name;
    fs::copy_file(kHelper, path, fs::copy_options::overwrite_existing);
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

}  // namespace

TEST(Processes, SnapshotHoldsThisProcessWithItsProgramFile) {
    AnsiString self = GetExecutablePath();
    ASSERT_FALSE(self.IsEmpty());
    EXPECT_EQ(self[1], '/');
    EXPECT_TRUE(fs::exists(self.str()));
    std::vector<TProcessEntry> all;
    ASSERT_TRUE(TakeProcessSnapshot(all));
    auto it = std::find_if(all.begin(), all.end(), [](const TProcessEntry& e) { return e.Pid == getpid(); });
    ASSERT_NE(it, all.end());
    EXPECT_EQ(it->ExeFile, self);
    EXPECT_GE(CountProcessesOfExecutable(self), 1);
}

TEST(Processes, CopiesCountBySameFileNameInAnyFolderIgnoringCase) {
    TempDir tmp;
    const std::string name = "plantmon_copy_" + std::to_string(getpid());
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    const std::string original = CopyHelper(tmp / "a", name);
    const std::vector<std::string> programs = {
        original,
        CopyHelper(tmp / "b", name),               // another folder, same name
        CopyHelper(tmp / "c", upper),              // same name in other letter case
        CopyHelper(tmp / "d", "other_" + name),    // another name
    };
    EXPECT_EQ(CountProcessesOfExecutable(original), 0);
    std::vector<std::unique_ptr<Child>> running;
    for (const auto& p : programs) {
        running.push_back(std::make_unique<Child>(std::vector<std::string>{p, "wait"}));
        ASSERT_TRUE(running.back()->Started()) << p;
    }
    EXPECT_TRUE(WaitUntil([&] { return CountProcessesOfExecutable(original) == 3; }))
        << CountProcessesOfExecutable(original);
    EXPECT_EQ(CountProcessesOfExecutable(programs[3]), 1);
    for (auto& c : running) {
        c->CloseInput();
        EXPECT_EQ(c->Wait(5000), 0);
    }
    EXPECT_EQ(CountProcessesOfExecutable(original), 0);
}

TEST(SingleInstance, CopiesStartedAtTheSameMomentLeaveExactlyOneRunning) {
    TempDir tmp;
    const std::string lockPath = tmp / "PLANTMON.lock";
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        Child a({kHelper, "lock", lockPath});
        Child b({kHelper, "lock", lockPath});
        ASSERT_TRUE(a.Started() && b.Started());
        // Both are up and waiting; one byte each lets them race for the lock.
        a.Send('g');
        b.Send('g');
        std::string ra = a.ReadLine(), rb = b.ReadLine();
        EXPECT_TRUE((ra == "RUN" && rb == "BUSY") || (ra == "BUSY" && rb == "RUN")) << ra << " / " << rb;
        Child& busy = ra == "BUSY" ? a : b;
        Child& run = ra == "BUSY" ? b : a;
        EXPECT_EQ(busy.Wait(5000), 1);
        run.CloseInput();
        EXPECT_EQ(run.Wait(5000), 0);
    }
}

TEST(SingleInstance, LockOfACopyThatDiedIsFreeAgain) {
    TempDir tmp;
    const std::string lockPath = tmp / "PLANTMON.lock";
    Child holder({kHelper, "lock", lockPath});
    holder.Send('g');
    ASSERT_EQ(holder.ReadLine(), "RUN");
    TSingleInstanceLock mine;
    EXPECT_FALSE(mine.TryAcquire(lockPath));
    EXPECT_EQ(mine.LastError(), EWOULDBLOCK);
    EXPECT_FALSE(mine.Held());
    holder.Kill();
    EXPECT_TRUE(mine.TryAcquire(lockPath));
    EXPECT_TRUE(mine.Held());
    EXPECT_EQ(mine.Path(), lockPath);

    TSingleInstanceLock second;  // a second holder inside one process is turned away as well
    EXPECT_FALSE(second.TryAcquire(lockPath));
    mine.Release();
    EXPECT_TRUE(second.TryAcquire(lockPath));

    TSingleInstanceLock nowhere;
    EXPECT_FALSE(nowhere.TryAcquire(tmp / "missing-folder/X.lock"));
    EXPECT_EQ(nowhere.LastError(), ENOENT);
}

TEST(SingleInstance, EveryCopyOfAFileNameFindsTheSameLockWhateverItsEnvironment) {
    TempDir tmp;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    const std::string expected = TSingleInstanceLock::LockFolder().str() + "/PLANTMON.instance.lock";
    struct Case {
        const char* runtime;  // nullptr: not set
        const char* exe;
    } cases[] = {
        {nullptr, "/opt/plant/plantmon"},
        {"", "/home/op/PlantMon"},
        {"tmp", "/opt/plant/plantmon"},
        {"gone", "/usr/local/bin/PLANTMON"},
    };
    for (const Case& c : cases) {
        if (!c.runtime)
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", std::string(c.runtime) == "tmp" ? tmp.Path().c_str() : (tmp / c.runtime).c_str(), 1);
        EXPECT_EQ(TSingleInstanceLock::DefaultPath(c.exe), expected) << (c.runtime ? c.runtime : "(unset)") << " " << c.exe;
    }
    EXPECT_TRUE(TSingleInstanceLock::LockFolder() == "/run/lock" || TSingleInstanceLock::LockFolder() == "/tmp");
    if (saved)
        setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

TEST(Programs, SplitCommandLine) {
    struct Case {
        const char* text;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"", {}},
        {"  ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"\"Program Files\" x", {"Program Files", "x"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\"", {""}},
        {"  lead trail  ", {"lead", "trail"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const auto& a : SplitCommandLine(c.text)) got.push_back(a.str());
        EXPECT_EQ(got, c.args) << c.text;
    }
}

TEST(Programs, RunAndWaitReportsExitCodeMissingProgramAndTimeOut) {
    int err = -1;
    EXPECT_EQ(RunAndWait(kHelper, {"exit", "3"}, 10000, &err), 3);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(RunAndWait("/nonexistent/program", {}, 10000, &err), -1);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(RunAndWait("plantmon-no-such-program-in-path", {}, 10000, &err), -1);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(RunAndWait(kHelper, {"sleep", "20000"}, 100, &err), -1);
    EXPECT_EQ(err, ETIMEDOUT);
}

TEST(Programs, SpawnDetachedRunsInTheGivenFolder) {
    TempDir tmp;
    const std::string out = tmp / "out.txt";
    const std::string work = tmp / "work";
    fs::create_directories(work);
    EXPECT_EQ(SpawnDetached(kHelper, {"record", out, "two words", "x"}, work), 0);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out); }));
    EXPECT_EQ(systest::ReadFile(out), work + "\ntwo words\nx\n");
    EXPECT_EQ(SpawnDetached("/nonexistent/program", {}, AnsiString()), ENOENT);
}
