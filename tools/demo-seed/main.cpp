// demo-seed: plausible plant history for the demo, the simulators' start values, and the live rows of
// the plant's other software.
//
//   demo-seed [connection] [--days N] [--end "yyyy-mm-dd hh:nn"]
//       History: one row a minute for the jig machines, the flotation section, both belt scales and the
//       hydrosizer, from after each table's newest row (or N days, default 7, before the end time when
//       it is empty or older) up to the end time (default: now, to the minute); the journals get their
//       lines, the state tables the last values, the settings tables their constants and calibration
//       points. Rows already there stay: a later run only fills the time since.
//   demo-seed [connection] --handover
//       Prints the arguments the controller simulators start with to continue the newest rows: pufsim's
//       on the first line ("--state ..."), visionsim's on the second ("--counters C0,C1").
//   demo-seed [connection] --live [--state-seconds S]
//       Keeps pu1, pu2, their state rows and journals moving as the plant's jig software would: a row a
//       minute per machine and the state rows every S seconds (default 5). Prints "demo-seed: live ..."
//       once the first rows are written, and ends on SIGTERM, SIGINT or SIGHUP between two writes.
//
//   connection: [--host H] [--port P] [--socket S] [--user U] [--password W] [--database D]
#include "tools/demo-seed/DemoSeed.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>

namespace {

using namespace demoseed;

struct Options {
    Connection connection;
    int days = 7;
    long long endMinute = -1;  // -1: now
    bool handover = false;
    bool live = false;
    int stateSeconds = 5;
};

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "demo-seed: %s\n"
                 "usage: demo-seed [connection] [--days N] [--end \"yyyy-mm-dd hh:nn\"]\n"
                 "       demo-seed [connection] --handover\n"
                 "       demo-seed [connection] --live [--state-seconds S]\n"
                 "connection: [--host H] [--port P] [--socket S] [--user U] [--password W] [--database D]\n",
                 why);
    std::exit(2);
}

Options parseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage(("missing value after " + a).c_str());
            return argv[++i];
        };
        if (a == "--host") o.connection.host = value();
        else if (a == "--port") o.connection.port = static_cast<unsigned>(std::atoi(value()));
        else if (a == "--socket") o.connection.socket = value();
        else if (a == "--user") o.connection.user = value();
        else if (a == "--password") o.connection.password = value();
        else if (a == "--database") o.connection.database = value();
        else if (a == "--days") {
            o.days = std::atoi(value());
            if (o.days < 1 || o.days > 3660) usage("--days must be 1..3660");
        } else if (a == "--end") {
            if (!ParseStamp(value(), o.endMinute)) usage("--end must read \"yyyy-mm-dd hh:nn\"");
        } else if (a == "--handover") o.handover = true;
        else if (a == "--live") o.live = true;
        else if (a == "--state-seconds") {
            o.stateSeconds = std::atoi(value());
            if (o.stateSeconds < 1 || o.stateSeconds > 3600) usage("--state-seconds must be 1..3600");
        } else if (a == "--help" || a == "-h") usage("fills a database with demo history");
        else usage(("unknown option " + a).c_str());
    }
    if (o.handover && o.live) usage("--handover and --live go in separate runs");
    if (o.endMinute < 0) o.endMinute = NowMinute();
    return o;
}

int runLive(const Options& o) {
    // The stop signals are taken only between two writes, so a stop never leaves half of one.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    Db db(o.connection);
    Random r(static_cast<std::uint64_t>(NowSecond()));
    JigLive live(db, r, o.stateSeconds);
    live.Tick(NowSecond());
    std::printf("demo-seed: live (pu1, pu2: a row a minute, state rows every %d s)\n", o.stateSeconds);
    std::fflush(stdout);
    for (;;) {
        const timespec second{1, 0};
        if (sigtimedwait(&stop, nullptr, &second) > 0) break;
        live.Tick(NowSecond());
    }
    std::printf("demo-seed: stopped\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parseArgs(argc, argv);
    try {
        if (o.live) return runLive(o);
        Db db(o.connection);
        if (o.handover) {
            const Handover h = ReadHandover(db);
            std::printf("%s\n%s\n", h.pufsim.c_str(), h.visionsim.c_str());
            return 0;
        }
        Random r(20100315);
        for (const std::string& line : SeedHistory(db, o.endMinute, o.days, r)) std::printf("demo-seed: %s\n", line.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo-seed: %s\n", e.what());
        return 1;
    }
    return 0;
}
