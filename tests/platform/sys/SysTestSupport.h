// Small fixtures of the system-layer tests: a temporary folder, a child process with pipes, and a
// bounded wait for a condition.
#pragma once

#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace systest {

using testlib::MsSince;
using testlib::ReadFile;
using testlib::TempDir;
using testlib::WaitUntil;

// A started program with a pipe to its stdin and one from its stdout.
class Child {
public:
    explicit Child(const std::vector<std::string>& argv) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        std::vector<std::string> words = argv;
        std::vector<char*> ptrs;
        for (auto& w : words) ptrs.push_back(w.data());
        ptrs.push_back(nullptr);
        if (posix_spawn(&pid_, ptrs[0], &fa, nullptr, ptrs.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~Child() {
        CloseInput();
        if (pid_ > 0 && Wait(5000) == kStillRunning) Kill();
        if (fromChild_ >= 0) close(fromChild_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0; }
    int Pid() const { return pid_; }
    void Send(char c) {
        if (toChild_ >= 0 && write(toChild_, &c, 1) != 1) CloseInput();
    }
    void CloseInput() {
        if (toChild_ >= 0) close(toChild_);
        toChild_ = -1;
    }
    // One line of the child's output without its LF; empty when none came within limitMs.
    std::string ReadLine(int limitMs = 5000) {
        std::string line;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fromChild_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char c;
            if (read(fromChild_, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }
    static constexpr int kStillRunning = -1000;
    // The exit code, -1 for a signal, kStillRunning when it did not end within limitMs.
    int Wait(int limitMs) {
        if (pid_ <= 0) return -1;
        for (int waited = 0;; waited += 5) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (r < 0 || waited >= limitMs) return r < 0 ? -1 : kStillRunning;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

}  // namespace systest
