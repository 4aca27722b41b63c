// visionsim: the Vision PLC line (belt-scale and hydrosizer controllers) on a pseudo-terminal, for the demo and
// for trying the link by hand. Runs until SIGINT or SIGTERM.
#include "VisionSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace visionsim;

namespace {

const char kUsage[] =
    "usage: visionsim [options]\n"
    "  --pty                   play the line on a new pseudo-terminal (the default and only transport)\n"
    "  --link-file PATH        write the slave path (one line) into PATH once the line is up; removed at exit\n"
    "  --belt-unit N           unit id of the belt-scale controller (default 1)\n"
    "  --hydro-unit N          unit id of the hydrosizer controller (default 2)\n"
    "  --belt-rate R0,R1       belt loads in t/h while the belts run (default 250,400)\n"
    "  --belt-stopped B        belt B (0 = 386-2, 1 = 401) starts stopped; may be repeated\n"
    "  --belt-swing PCT        how far the belt loads swing about their rates, in percent (default 0 = steady)\n"
    "  --counters C0,C1        initial belt counters in kg (default 1000000,2500000)\n"
    "  --hydro PL2,RV2,PL3,TRTW  hydrosizer values (default 1250,400,1320,180)\n"
    "  --hydro-swing PCT       how far the hydrosizer values move, in percent (default 3; 0 = fixed)\n"
    "  --run-seconds S         duration of a belt-weight run (default 30)\n"
    "  --delay MIN[-MAX]       reply delay in ms (default 10-20)\n"
    "  --long-delay MS         delay of the long-delay fault (default 1500)\n"
    "  --fault NAME=RATE       probability per reply of a fault; may be repeated. Names: silence, long-delay,\n"
    "                          bad-checksum, lower-checksum, wrong-start, too-short, non-hex, fewer-data,\n"
    "                          oversize, trickle, full-echo, garble, wrong-unit\n"
    "  --silent-unit N         unit N never answers; may be repeated\n"
    "  --seed N                seed of the reply delays and faults (default 1)\n"
    "  --verbose               also print one line per frame\n";

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "visionsim: " << message << "\n" << kUsage;
    std::exit(2);
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream ss(text);
    std::string p;
    while (std::getline(ss, p, ',')) parts.push_back(p);
    return parts;
}

long ToLong(const std::string& text, const char* option, long lo, long hi) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi)
        Fail(std::string("bad value for ") + option + ": " + text);
    return v;
}

double ToDouble(const std::string& text, const char* option, double lo, double hi) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) Fail(std::string("bad value for ") + option + ": " + text);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    SimulatorConfig config;
    std::string linkFile;
    std::vector<int> silentUnits;
    bool verbose = false;

    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) Fail("missing value for " + a);
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--pty") {
        } else if (a == "--link-file") {
            linkFile = value();
        } else if (a == "--belt-unit") {
            config.beltUnit = static_cast<int>(ToLong(value(), "--belt-unit", 0, 255));
        } else if (a == "--hydro-unit") {
            config.hydroUnit = static_cast<int>(ToLong(value(), "--hydro-unit", 0, 255));
        } else if (a == "--belt-rate") {
            auto parts = SplitList(value());
            if (parts.size() != 2) Fail("--belt-rate takes two rates");
            for (int b = 0; b < 2; ++b) config.beltFlowTph[b] = ToDouble(parts[b], "--belt-rate", 0, 65535);
        } else if (a == "--belt-swing") {
            config.beltSwingPercent = ToDouble(value(), "--belt-swing", 0, 100);
        } else if (a == "--belt-stopped") {
            config.beltRunning[ToLong(value(), "--belt-stopped", 0, 1)] = false;
        } else if (a == "--counters") {
            auto parts = SplitList(value());
            if (parts.size() != 2) Fail("--counters takes two values");
            for (int b = 0; b < 2; ++b)
                config.beltCounterKg[b] = static_cast<int32_t>(ToLong(parts[b], "--counters", INT32_MIN, INT32_MAX));
        } else if (a == "--hydro") {
            auto parts = SplitList(value());
            if (parts.size() != 4) Fail("--hydro takes four values");
            for (int k = 0; k < 4; ++k) config.hydroValues[k] = static_cast<uint16_t>(ToLong(parts[k], "--hydro", 0, 65535));
        } else if (a == "--hydro-swing") {
            config.hydroSwingPercent = ToDouble(value(), "--hydro-swing", 0, 100);
        } else if (a == "--run-seconds") {
            config.beltWeightRunSeconds = ToDouble(value(), "--run-seconds", 0.001, 86400);
        } else if (a == "--delay") {
            std::string v = value();
            size_t dash = v.find('-');
            config.replyDelayMinMs = static_cast<int>(ToLong(v.substr(0, dash), "--delay", 0, 60000));
            config.replyDelayMaxMs = dash == std::string::npos
                                         ? config.replyDelayMinMs
                                         : static_cast<int>(ToLong(v.substr(dash + 1), "--delay", 0, 60000));
            if (config.replyDelayMaxMs < config.replyDelayMinMs) Fail("--delay: MAX below MIN");
        } else if (a == "--long-delay") {
            config.longDelayMs = static_cast<int>(ToLong(value(), "--long-delay", 0, 60000));
        } else if (a == "--fault") {
            std::string v = value();
            size_t eq = v.find('=');
            std::optional<Fault> f = FaultFromName(v.substr(0, eq));
            if (eq == std::string::npos || !f || *f == Fault::None) Fail("--fault takes NAME=RATE, not " + v);
            config.faultRates[static_cast<int>(*f)] = ToDouble(v.substr(eq + 1), "--fault", 0, 1);
        } else if (a == "--silent-unit") {
            silentUnits.push_back(static_cast<int>(ToLong(value(), "--silent-unit", 0, 255)));
        } else if (a == "--seed") {
            config.seed = static_cast<uint32_t>(ToLong(value(), "--seed", 0, UINT32_MAX));
        } else if (a == "--verbose") {
            verbose = true;
        } else {
            Fail("unknown option " + a);
        }
    }

    // Signals are taken by sigwait below, not by the simulator's thread.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    VisionSimulator sim(config);
    for (int unit : silentUnits) {
        try {
            sim.SetUnitSilent(unit, true);
        } catch (const std::exception&) {
            Fail("--silent-unit " + std::to_string(unit) + " is neither the belt nor the hydrosizer unit");
        }
    }
    sim.SetActionSink([verbose](const ActionLine& line) {
        if (line.frame && !verbose) return;
        std::printf("[%10.3f] %s\n", line.timeMs / 1000.0, line.text.c_str());
    });
    try {
        sim.Start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "visionsim: %s\n", e.what());
        return 1;
    }
    std::string path = sim.SlavePath();
    std::printf("visionsim: belt scales on unit %d, hydrosizer on unit %d, line %s\n", config.beltUnit,
                config.hydroUnit, path.c_str());
    if (!linkFile.empty()) {
        // written whole and renamed, so a script waiting for the file never reads half a path
        std::string tmp = linkFile + ".tmp";
        std::ofstream(tmp) << path << "\n";
        if (std::rename(tmp.c_str(), linkFile.c_str()) != 0) {
            std::fprintf(stderr, "visionsim: cannot write %s: %s\n", linkFile.c_str(), std::strerror(errno));
            return 1;
        }
    }

    int sig = 0;
    sigwait(&signals, &sig);
    std::printf("visionsim: stopping on signal %d\n", sig);
    sim.Stop();
    if (!linkFile.empty()) std::remove(linkFile.c_str());
    return 0;
}
