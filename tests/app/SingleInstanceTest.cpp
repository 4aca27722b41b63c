// One copy per station, with real processes: a copy of the same file name in any folder ends at
// once, whatever its environment holds, a copy under another name starts, and of several copies
// started at the same moment exactly one goes on. The copies' file names are this run's own, so that
// runs on the same station (and a running program) never meet.
#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include "sys/Process.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A copy of the probe program, started with its input and output on pipes.
class Copy {
public:
    // runtime: the XDG_RUNTIME_DIR the copy gets; nullptr: this process's environment as it is,
    // "": none at all.
    explicit Copy(const std::string& path, const char* runtime = nullptr) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (!runtime || std::string(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0) env.emplace_back(*e);
        if (runtime && *runtime) env.push_back(std::string("XDG_RUNTIME_DIR=") + runtime);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, path.c_str(), &fa, nullptr, argv, envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~Copy() {
        Release();
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    // "running", or "exit N" once it ended, or "undecided" after the time limit. The limit is generous: a
    // sanitized copy on a machine with every core busy takes seconds to reach its check.
    std::string Outcome(int limitMs = 60000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char buf[64];
                ssize_t n = ::read(out_, buf, sizeof buf);
                if (n > 0) {
                    text_.append(buf, static_cast<std::size_t>(n));
                    if (text_.find("running") != std::string::npos) return "running";
                }
            }
            int status = 0;
            if (!ended_ && ::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (ended_ && text_.find("running") == std::string::npos) return "exit " + std::to_string(code_);
        }
        return "undecided";
    }
    // Closes its input: a running copy ends.
    void Release() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }
    void WaitEnd() {
        Release();
        if (pid_ > 0 && !ended_) ::waitpid(pid_, nullptr, 0);
        ended_ = true;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    bool ended_ = false;
    int code_ = 0;
    std::string text_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    // The probe installed as folder/name; the name is made this run's own by a suffix.
    std::string Install(const std::string& folder, const std::string& name) {
        fs::create_directories(dir / folder);
        const std::string path = dir / (folder + "/" + name + suffix);
        fs::copy_file(APP_INSTANCE_PROBE, path, fs::copy_options::overwrite_existing);
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    // The lock files of this run's names go with the test.
    void TearDown() override {
        std::string upper = suffix;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(TSingleInstanceLock::LockFolder().str(), ec))
            if (e.path().filename().string().find(upper + ".instance.lock") != std::string::npos) fs::remove(e.path(), ec);
    }
    apptest::TempDir dir;
    const std::string suffix = "-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}());
};

TEST_F(SingleInstanceTest, ASecondCopyOfTheSameNameEndsAtOnceWhereverItLies) {
    const std::string a = Install("a", "plantmon"), b = Install("b", "plantmon"), c = Install("c", "PlantMon"),
                      d = Install("d", "plantmon-test");
    Copy first(a);
    ASSERT_EQ(first.Outcome(), "running");
    {
        Copy sameFile(a);
        EXPECT_EQ(sameFile.Outcome(), "exit 3");
    }
    Copy otherFolder(b);
    EXPECT_EQ(otherFolder.Outcome(), "exit 3");
    Copy otherCase(c);
    EXPECT_EQ(otherCase.Outcome(), "exit 3");
    // Started from another session, with a runtime folder of its own or none at all.
    fs::create_directories(dir / "run");
    Copy otherRuntime(b, (dir / "run").c_str());
    EXPECT_EQ(otherRuntime.Outcome(), "exit 3");
    Copy noRuntime(b, "");
    EXPECT_EQ(noRuntime.Outcome(), "exit 3");
    // Another file name is another program.
    Copy otherName(d);
    EXPECT_EQ(otherName.Outcome(), "running");

    // Once the first copy has ended, the next one starts.
    first.WaitEnd();
    Copy next(b);
    EXPECT_EQ(next.Outcome(), "running");
}

TEST_F(SingleInstanceTest, OfCopiesStartedAtTheSameMomentExactlyOneGoesOn) {
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) paths.push_back(Install("f" + std::to_string(i), "plantmon"));
    for (int round = 0; round < 3; ++round) {
        std::vector<std::unique_ptr<Copy>> copies;
        for (const auto& p : paths) copies.push_back(std::make_unique<Copy>(p));
        int running = 0, ended = 0;
        for (auto& c : copies) {
            const std::string o = c->Outcome();
            if (o == "running") ++running;
            else if (o == "exit 3") ++ended;
            else ADD_FAILURE() << o;
        }
        EXPECT_EQ(running, 1) << "round " << round;
        EXPECT_EQ(ended, 5) << "round " << round;
        for (auto& c : copies) c->WaitEnd();
    }
}

}  // namespace
