// pufsim: the flotation controller on a pseudo-terminal and/or a loopback TCP port.
// Prints one line per action to stdout; stops on SIGINT, SIGTERM or SIGHUP.
#include "tools/pufsim/PufSimProgram.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    using namespace pufsim;
    ProgramOptions options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "pufsim: %s\n%s", error.c_str(), UsageText().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }

    // Signals are taken synchronously below; the simulator's thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PufSimulator sim;
    sim.SetActionSink([](const std::string& line) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    Configure(sim, options);
    if (options.pty && !sim.StartPty()) {
        std::fprintf(stderr, "pufsim: %s\n", sim.LastError().c_str());
        return 1;
    }
    if (options.tcpPort >= 0 && !sim.StartTcp(options.tcpPort)) {
        std::fprintf(stderr, "pufsim: %s\n", sim.LastError().c_str());
        return 1;
    }
    if (!options.linkFile.empty()) {
        if (!WriteLinkFile(options.linkFile, LinkFileText(sim, options), error)) {
            std::fprintf(stderr, "pufsim: %s\n", error.c_str());
            return 1;
        }
        // A script may wait for this line instead of polling for the file.
        std::printf("link-file %s\n", options.linkFile.c_str());
        std::fflush(stdout);
    }

    LiveDriver live(sim, options.recordsPerMinute, options.seed);
    auto last = std::chrono::steady_clock::now();
    for (;;) {
        const timespec tick{0, 200 * 1000 * 1000};
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) break;
        const auto now = std::chrono::steady_clock::now();
        if (options.recordsPerMinute > 0) live.Advance(std::chrono::duration<double>(now - last).count());
        last = now;
    }
    sim.Stop();
    if (!options.linkFile.empty()) std::remove(options.linkFile.c_str());
    return 0;
}
