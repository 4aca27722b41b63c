#include "testlib/PrivateServer.h"

#include <filesystem>

#include <mysql.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testdb {

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// A port nobody listens on now; the server keeps it for its whole life.
unsigned FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    unsigned port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// Starts a program found on PATH with its output into a file; the pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::string& logFile) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// Waits for a child at most timeoutMs; true when it ended (its status in status).
bool WaitChild(pid_t pid, int timeoutMs, int& status) {
    const auto t0 = Clock::now();
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
        if (MsSince(t0) >= timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string Tail(const std::string& file) {
    const std::string text = testlib::ReadFile(file);
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

// Settings that keep a test server small and quick to start and stop.
const char* const kSmall[] = {"--innodb-buffer-pool-size=16M", "--innodb-log-file-size=4M"};

}  // namespace

PrivateServer::PrivateServer() = default;

PrivateServer::~PrivateServer() { Stop(); }

bool PrivateServer::install() {
    if (installed_) return true;
    // Temporary tables go into the server's own folder: the shared temporary folder is other tests' too,
    // and a file removed there under the install makes it fail.
    std::filesystem::create_directories(dir_ / "tmp");
    std::vector<std::string> args = {"mariadb-install-db", "--no-defaults", "--datadir=" + dir_ / "data",
                                     "--tmpdir=" + dir_ / "tmp", "--auth-root-authentication-method=normal",
                                     "--skip-test-db"};
    if (::geteuid() == 0) args.push_back("--user=root");
    for (const char* s : kSmall) args.push_back(s);
    const std::string log = dir_ / "install.log";
    const pid_t pid = Spawn(args, log);
    int status = 0;
    if (pid < 0 || !WaitChild(pid, 120000, status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        error_ = "mariadb-install-db failed:\n" + Tail(log);
        return false;
    }
    installed_ = true;
    return true;
}

bool PrivateServer::Start() {
    if (pid_ > 0) return true;
    if (dir_.Path().empty()) {
        error_ = "no temporary folder";
        return false;
    }
    if (!install()) return false;
    if (port_ == 0) port_ = FreePort();
    std::vector<std::string> args = {"mariadbd",
                                     "--no-defaults",
                                     "--datadir=" + dir_ / "data",
                                     "--tmpdir=" + dir_ / "tmp",
                                     "--socket=" + dir_ / "mysqld.sock",
                                     "--port=" + std::to_string(port_),
                                     "--bind-address=127.0.0.1",
                                     "--pid-file=" + dir_ / "mysqld.pid",
                                     "--skip-grant-tables",
                                     "--skip-name-resolve",
                                     "--skip-log-bin",
                                     "--innodb-flush-log-at-trx-commit=2",
                                     "--log-error=" + dir_ / "error.log"};
    if (::geteuid() == 0) args.push_back("--user=root");
    for (const char* s : kSmall) args.push_back(s);
    pid_ = Spawn(args, dir_ / "mariadbd.out");
    if (pid_ < 0) {
        error_ = "mariadbd could not be started";
        return false;
    }
    if (!waitUntilAccepting(60000)) {
        error_ = "mariadbd did not come up:\n" + Tail(dir_ / "error.log");
        Stop();
        return false;
    }
    return true;
}

bool PrivateServer::waitUntilAccepting(int timeoutMs) {
    const auto t0 = Clock::now();
    const Coordinates c = Coords();
    while (MsSince(t0) < timeoutMs) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        MYSQL* m = mysql_init(nullptr);
        unsigned timeout = 2;
        mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        const bool ok = mysql_real_connect(m, c.host.c_str(), c.user.c_str(), c.password.c_str(), nullptr, c.port,
                                           nullptr, 0) != nullptr;
        mysql_close(m);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void PrivateServer::Stop() {
    if (pid_ <= 0) return;
    int status = 0;
    ::kill(pid_, SIGTERM);
    if (!WaitChild(pid_, 60000, status)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

Coordinates PrivateServer::Coords() const {
    Coordinates c;
    c.host = "127.0.0.1";
    c.port = port_;
    c.user = "root";
    c.socket = dir_ / "mysqld.sock";
    return c;
}

std::string PrivateServer::HostWithPort() const { return "127.0.0.1:" + std::to_string(port_); }

}  // namespace testdb
