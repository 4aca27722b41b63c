#include "sys/Host.h"

#include "sys/Process.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kCapSysTime = 25;
// systemctl only hands the request to logind and returns; anything longer is a hung service.
constexpr unsigned kPowerOffWaitMs = 15000;

std::atomic<ISystemHost*> g_installed{nullptr};

int niceOf(TProcessPriority p) {
    switch (p) {
        case ppIdle: return 19;
        case ppBelowNormal: return 5;
        case ppNormal: return 0;
        case ppAboveNormal: return -5;
        case ppHigh: return -10;
        case ppRealtime: return -20;
    }
    return 0;
}

std::string readFile(const char* path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool pathExists(const std::string& p, bool& isDir, int& err) {
    struct stat st{};
    if (::stat(p.c_str(), &st) != 0) {
        err = errno;
        return false;
    }
    isDir = S_ISDIR(st.st_mode);
    return true;
}

// A bare program name that is no file here is looked up in PATH, as the shell does.
std::string searchPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return std::string();
    std::stringstream ss(path);
    std::string folder;
    while (std::getline(ss, folder, ':')) {
        if (folder.empty()) continue;
        std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

int shellCodeOf(int err, int otherwise) {
    switch (err) {
        case 0: return SE_OK;
        case ENOENT: return SE_ERR_FNF;
        case ENOTDIR: return SE_ERR_PNF;
        case EACCES:
        case EPERM: return SE_ERR_ACCESSDENIED;
        default: return otherwise;
    }
}

}  // namespace

ISystemHost& SystemHost() {
    static TRealSystemHost real;
    ISystemHost* h = g_installed.load();
    return h ? *h : real;
}

void SetSystemHost(ISystemHost* host) { g_installed.store(host); }

// ---- Helpers -------------------------------------------------------------------------------------

bool LocalDateTimeToUnix(TDateTime localTime, long long& seconds, long& nanoseconds) {
    if (!std::isfinite(localTime) || std::fabs(localTime) > 2958466.0) return false;  // beyond 9999-12-31
    // The whole part counts days from 30 December 1899; the fraction, taken without sign, is the
    // time of that day (so -1.25 is 29 December 1899, 06:00). Whole milliseconds decide.
    double whole = std::trunc(localTime);
    long long msOfDay = std::llround(std::fabs(localTime - whole) * 86400000.0);
    long long day = static_cast<long long>(whole);
    if (msOfDay >= 86400000LL) {
        msOfDay -= 86400000LL;
        day += 1;
    }
    using namespace std::chrono;
    year_month_day ymd{sys_days{year{1899} / December / 30} + days{day}};
    if (!ymd.ok()) return false;
    std::tm tm{};
    tm.tm_year = static_cast<int>(ymd.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    long long secOfDay = msOfDay / 1000;
    tm.tm_hour = static_cast<int>(secOfDay / 3600);
    tm.tm_min = static_cast<int>(secOfDay / 60 % 60);
    tm.tm_sec = static_cast<int>(secOfDay % 60);
    tm.tm_isdst = -1;  // the zone decides whether summer time applies
    errno = 0;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && errno != 0) return false;
    seconds = static_cast<long long>(t);
    nanoseconds = static_cast<long>(msOfDay % 1000) * 1000000L;
    return true;
}

bool StatusHasCapability(const AnsiString& statusText, int capability) {
    if (capability < 0 || capability > 63) return false;
    std::istringstream in(statusText.str());
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("CapEff:", 0) != 0) continue;
        unsigned long long bits = std::strtoull(line.c_str() + 7, nullptr, 16);
        return (bits >> capability) & 1ULL;
    }
    return false;
}

// ---- TRealSystemHost -----------------------------------------------------------------------------

TRealSystemHost::TRealSystemHost()
    : TRealSystemHost({"systemctl", "--no-ask-password", "poweroff"}, "xdg-open") {}

TRealSystemHost::TRealSystemHost(std::vector<AnsiString> powerOffCommand, AnsiString opener)
    : powerOffCommand_(std::move(powerOffCommand)), opener_(std::move(opener)) {}

std::vector<TDateTime> TRealSystemHost::ClockRequests() const {
    std::lock_guard<std::mutex> l(m_);
    return clockRequests_;
}

int TRealSystemHost::LastError() const {
    std::lock_guard<std::mutex> l(m_);
    return lastError_;
}

bool TRealSystemHost::SetLocalTime(TDateTime localTime) {
    auto record = [&](int err) {
        std::lock_guard<std::mutex> l(m_);
        clockRequests_.push_back(localTime);
        lastError_ = err;
        return false;
    };
    if (!StatusHasCapability(AnsiString(readFile("/proc/self/status")), kCapSysTime)) return record(EPERM);
    long long s = 0;
    long ns = 0;
    if (!LocalDateTimeToUnix(localTime, s, ns)) {
        std::lock_guard<std::mutex> l(m_);
        lastError_ = EINVAL;
        return false;
    }
    timespec ts{static_cast<time_t>(s), ns};
    if (clock_settime(CLOCK_REALTIME, &ts) != 0) return record(errno);  // a sandbox may still refuse
    std::lock_guard<std::mutex> l(m_);
    lastError_ = 0;
    return true;
}

bool TRealSystemHost::PowerOff() {
    if (powerOffCommand_.empty()) {
        std::lock_guard<std::mutex> l(m_);
        lastError_ = EINVAL;
        return false;
    }
    std::vector<AnsiString> args(powerOffCommand_.begin() + 1, powerOffCommand_.end());
    int err = 0;
    int code = RunAndWait(powerOffCommand_.front(), args, kPowerOffWaitMs, &err);
    std::lock_guard<std::mutex> l(m_);
    lastError_ = code == 0 ? 0 : (err != 0 ? err : EPERM);
    return code == 0;
}

bool TRealSystemHost::SetProcessPriority(TProcessPriority priority) {
    // Every thread of a Linux process has its own nice value; the class applies to all of them, as
    // it does on Windows.
    const int nice = niceOf(priority);
    bool ok = true;
    int err = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.') continue;
            if (setpriority(PRIO_PROCESS, static_cast<id_t>(std::atoi(e->d_name)), nice) != 0) {
                ok = false;
                err = errno;
            }
        }
        ::closedir(d);
    } else if (setpriority(PRIO_PROCESS, 0, nice) != 0) {
        ok = false;
        err = errno;
    }
    std::lock_guard<std::mutex> l(m_);
    lastError_ = err;
    return ok;
}

int TRealSystemHost::ShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir, bool) {
    auto done = [&](int code, int err) {
        std::lock_guard<std::mutex> l(m_);
        lastError_ = err;
        return code;
    };
    bool isDir = false;
    int err = 0;
    if (!dir.IsEmpty() && (!pathExists(dir.str(), isDir, err) || !isDir)) return done(SE_ERR_PNF, err ? err : ENOTDIR);
    if (file.IsEmpty()) return done(SE_ERR_FNF, ENOENT);

    std::string path = file.str();
    if (!pathExists(path, isDir, err)) {
        std::string found = path.find('/') == std::string::npos ? searchPath(path) : std::string();
        if (found.empty()) return done(shellCodeOf(err, SE_ERR_FNF), err);
        path = found;
        isDir = false;
    }
    // The program starts in dir, so a path relative to our current folder must be made whole first.
    if (path[0] != '/') {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    if (!isDir && ::access(path.c_str(), X_OK) == 0) {
        int rc = SpawnDetached(AnsiString(path), SplitCommandLine(params), dir);
        return done(shellCodeOf(rc, SE_ERR_OOM), rc);
    }
    // A document or a folder: the desktop knows what opens it.
    int rc = SpawnDetached(opener_, {AnsiString(path)}, dir);
    return done(rc == ENOENT ? SE_ERR_NOASSOC : shellCodeOf(rc, SE_ERR_OOM), rc);
}

// ---- TRecordingSystemHost ------------------------------------------------------------------------

bool TRecordingSystemHost::SetLocalTime(TDateTime localTime) {
    std::lock_guard<std::mutex> l(m_);
    clock_.push_back(localTime);
    return clockResult_;
}

bool TRecordingSystemHost::PowerOff() {
    std::lock_guard<std::mutex> l(m_);
    ++powerOff_;
    return powerOffResult_;
}

bool TRecordingSystemHost::SetProcessPriority(TProcessPriority priority) {
    std::lock_guard<std::mutex> l(m_);
    priority_.push_back(priority);
    return priorityResult_;
}

int TRecordingSystemHost::ShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir,
                                       bool maximized) {
    std::lock_guard<std::mutex> l(m_);
    shell_.push_back(ShellRequest{file, params, dir, maximized});
    return shellResult_;
}

std::vector<TDateTime> TRecordingSystemHost::ClockRequests() const {
    std::lock_guard<std::mutex> l(m_);
    return clock_;
}

int TRecordingSystemHost::PowerOffRequests() const {
    std::lock_guard<std::mutex> l(m_);
    return powerOff_;
}

std::vector<TProcessPriority> TRecordingSystemHost::PriorityRequests() const {
    std::lock_guard<std::mutex> l(m_);
    return priority_;
}

std::vector<TRecordingSystemHost::ShellRequest> TRecordingSystemHost::ShellRequests() const {
    std::lock_guard<std::mutex> l(m_);
    return shell_;
}

void TRecordingSystemHost::SetResults(bool clock, bool powerOff, bool priority, int shell) {
    std::lock_guard<std::mutex> l(m_);
    clockResult_ = clock;
    powerOffResult_ = powerOff;
    priorityResult_ = priority;
    shellResult_ = shell;
}
