#include "sys/Process.h"

#include "rtl/SysUtils.h"
#include "sys/Threads.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string readLink(const std::string& path) {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0) return std::string();
    buf.resize(static_cast<std::size_t>(n));
    // The kernel marks a program file that was replaced or removed while it runs.
    static const std::string deleted = " (deleted)";
    if (buf.size() > deleted.size() && buf.compare(buf.size() - deleted.size(), deleted.size(), deleted) == 0)
        buf.resize(buf.size() - deleted.size());
    return buf;
}

// The first word of the command line, which anyone may read.
std::string firstArgument(const std::string& procDir) {
    std::ifstream in(procDir + "/cmdline", std::ios::binary);
    std::string arg;
    std::getline(in, arg, '\0');
    return arg;
}

std::string fileNamePart(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Argv {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    Argv(const AnsiString& program, const std::vector<AnsiString>& args) {
        words.push_back(program.str());
        for (const auto& a : args) words.push_back(a.str());
        for (auto& w : words) ptrs.push_back(w.data());
        ptrs.push_back(nullptr);
    }
};

// Starts a process; 0 or the errno of the failure.
int spawn(pid_t& pid, const AnsiString& program, const std::vector<AnsiString>& args, const AnsiString& dir,
          bool newSession) {
    Argv argv(program, args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A started program must not read the terminal we run on.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!dir.IsEmpty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    // Signals this process ignores or blocks must not be passed on.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (newSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attr, flags);
    int rc = program.Pos("/") > 0 ? posix_spawn(&pid, program.c_str(), &actions, &attr, argv.ptrs.data(), environ)
                                  : posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.ptrs.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

}  // namespace

bool TakeProcessSnapshot(std::vector<TProcessEntry>& out) {
    out.clear();
    DIR* d = ::opendir("/proc");
    if (!d) return false;
    while (dirent* e = ::readdir(d)) {
        const char* name = e->d_name;
        if (!*name || !std::all_of(name, name + std::strlen(name), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        std::string dir = std::string("/proc/") + name;
        std::string exe = readLink(dir + "/exe");
        if (exe.empty()) exe = firstArgument(dir);
        if (exe.empty()) continue;  // kernel threads and processes that ended meanwhile
        out.push_back(TProcessEntry{std::atoi(name), AnsiString(exe)});
    }
    ::closedir(d);
    return true;
}

AnsiString GetExecutablePath() { return AnsiString(readLink("/proc/self/exe")); }

int CountProcessesOfExecutable(const AnsiString& exePath) {
    std::vector<TProcessEntry> all;
    if (!TakeProcessSnapshot(all)) return 0;
    const AnsiString name = AnsiUpperCase(AnsiString(fileNamePart(exePath.str())));
    int count = 0;
    for (const auto& p : all) {
        if (p.ExeFile == exePath || AnsiUpperCase(AnsiString(fileNamePart(p.ExeFile.str()))) == name) ++count;
    }
    return count;
}

// ---- TSingleInstanceLock -------------------------------------------------------------------------

TSingleInstanceLock::~TSingleInstanceLock() { Release(); }

AnsiString TSingleInstanceLock::LockFolder() {
    // Decided by the station alone (the folder's own mode, not what this user may do), so that every
    // copy decides the same.
    struct stat st{};
    if (::stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IWOTH) != 0) return "/run/lock";
    return "/tmp";
}

AnsiString TSingleInstanceLock::DefaultPath(const AnsiString& exePath) {
    return LockFolder() + "/" + AnsiUpperCase(AnsiString(fileNamePart(exePath.str()))) + ".instance.lock";
}

bool TSingleInstanceLock::TryAcquire(const AnsiString& path) {
    Release();
    path_ = path;
    // Close-on-exec: a program we start must not carry the lock on after we end.
    // Anyone may open the file: copies started by other users lock the same one.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);  // another user's file
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = errno;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    lastError_ = 0;
    return true;
}

void TSingleInstanceLock::Release() {
    // The file stays: removing it would let a copy that opened it a moment before lock a file
    // nobody else can find any more.
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

// ---- Starting programs ---------------------------------------------------------------------------

std::vector<AnsiString> SplitCommandLine(const AnsiString& params) {
    std::vector<AnsiString> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : params.str()) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (any) out.emplace_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.emplace_back(cur);
    return out;
}

int SpawnDetached(const AnsiString& program, const std::vector<AnsiString>& args, const AnsiString& dir) {
    pid_t pid = 0;
    if (int rc = spawn(pid, program, args, dir, true); rc != 0) return rc;
    // Someone has to collect the exit status, or the ended program stays a zombie.
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

int RunAndWait(const AnsiString& program, const std::vector<AnsiString>& args, unsigned timeoutMs, int* errorOut) {
    pid_t pid = 0;
    if (int rc = spawn(pid, program, args, AnsiString(), false); rc != 0) {
        if (errorOut) *errorOut = rc;
        return -1;
    }
    const uint64_t start = GetTickCount64();
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) {
            if (errorOut) *errorOut = errno;
            return -1;
        }
        if (GetTickCount64() - start >= timeoutMs) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (errorOut) *errorOut = ETIMEDOUT;
            return -1;
        }
        Sleep(10);
    }
    if (WIFEXITED(status)) {
        if (errorOut) *errorOut = 0;
        return WEXITSTATUS(status);
    }
    if (errorOut) *errorOut = EINTR;
    return -1;
}
