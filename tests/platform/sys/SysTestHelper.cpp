// Helper program of the system-layer tests.
//   lock <path>            waits for one byte on stdin, then tries the single-instance lock on path and
//                          prints RUN or BUSY; a RUN copy holds the lock until stdin closes
//   wait                   runs until stdin closes
//   record <file> [args]   writes its working folder and arguments to file, one per line
//   exit <code>            ends with that exit code
//   sleep <ms>             ends after ms milliseconds
// Every wait is bounded, so a test that goes wrong never leaves copies running for long.
#include "sys/Process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kLimitMs = 30000;

// Reads stdin until end of file (or the limit); true when one byte arrived first.
bool readByte() {
    pollfd p{0, POLLIN, 0};
    if (poll(&p, 1, kLimitMs) <= 0) return false;
    char c;
    return read(0, &c, 1) == 1;
}

void waitForEof() {
    char buf[64];
    for (int waited = 0; waited < kLimitMs; waited += 100) {
        pollfd p{0, POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r > 0 && read(0, buf, sizeof buf) <= 0) return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "lock" && argc == 3) {
        if (!readByte()) return 2;
        TSingleInstanceLock lock;
        bool ok = lock.TryAcquire(argv[2]);
        std::printf(ok ? "RUN\n" : "BUSY\n");
        std::fflush(stdout);
        if (!ok) return 1;
        waitForEof();
        return 0;
    }
    if (mode == "wait") {
        waitForEof();
        return 0;
    }
    if (mode == "record" && argc >= 3) {
        std::string tmp = std::string(argv[2]) + ".part";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f) return 3;
        char cwd[4096] = {};
        if (!getcwd(cwd, sizeof cwd)) return 3;
        std::fprintf(f, "%s\n", cwd);
        for (int i = 3; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
        std::fclose(f);
        // Renamed when complete, so a test that sees the file sees all of it.
        return std::rename(tmp.c_str(), argv[2]) == 0 ? 0 : 3;
    }
    if (mode == "exit" && argc == 3) return std::atoi(argv[2]);
    if (mode == "sleep" && argc == 3) {
        usleep(static_cast<useconds_t>(std::atoi(argv[2])) * 1000);
        return 0;
    }
    return 2;
}
