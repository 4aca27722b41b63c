// The pufsim program's pieces: its command line and the live mode that keeps a demo moving.
#pragma once

#include "tools/pufsim/PufSimulator.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace pufsim {

struct ProgramOptions {
    bool pty = false;
    int tcpPort = -1;          // -1: no TCP listener; 0: any free port
    std::string linkFile;      // where the pty path (and/or the TCP port) is written
    int replyDelayMs = 20;
    int faultDelayMs = -1;     // -1: the simulator's default for each transport
    std::uint64_t seed = 1;
    FaultRates rates;
    double recordsPerMinute = 0;
    std::vector<std::pair<std::string, double>> state;  // --state: values the controller starts with
    bool banner = false;
    bool crlf = false;
    bool lenient = false;
    bool verbose = false;
    bool help = false;
};

// Parses the arguments after the program name. False with a message on a bad command line.
bool ParseOptions(const std::vector<std::string>& args, ProgramOptions& out, std::string& error);
std::string UsageText();

// Applies the behaviour options (delays, faults, seed, reply form) to a simulator.
void Configure(PufSimulator& sim, const ProgramOptions& options);

// What the link file holds once the transports are up: the pty slave path on the first line when
// there is a pty, the TCP port on the next (or only) line when there is a listener.
std::string LinkFileText(const PufSimulator& sim, const ProgramOptions& options);
// Writes the file under a temporary name and renames it, so a script never reads half of it.
bool WriteLinkFile(const std::string& path, const std::string& text, std::string& error);

// Live mode: the plant's values wander within their usual ranges, the reagent flows follow their
// dosing, new data records are taken from the state at the given rate, and the controller's log gets
// an entry now and then (a tank refilled, a dosing pump stopped or started).
class LiveDriver {
public:
    LiveDriver(PufSimulator& sim, double recordsPerMinute, std::uint64_t seed);
    // Moves the simulated plant on by this much real time.
    void Advance(double seconds);

private:
    void Wander();
    void Dose(double rgf);

    PufSimulator& sim_;
    double recordsPerMinute_;
    int pumpDownSeconds_ = 0;        // a dosing pump is stopped for this many more seconds
    const char* pumpDown_ = nullptr;  // its flag column
    double manualFlow_[2] = {};       // collector, frother: the flow each last delivered
    std::mt19937_64 rng_;
    double secondsDue_ = 0;
    double recordsDue_ = 0;
};

}  // namespace pufsim
