// The controllers behind the simulated line: operand spaces per unit id, the belt scales with their counters,
// belt-weight runs and tare checks, the hydrosizer values, and the faults a reply can be given.
// Not thread-safe: VisionSimulator serialises every call.
#pragma once

#include "PcomFrame.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace visionsim {

// Operands of the belt-scale controller. Belt b (0 = conveyor 386-2, 1 = conveyor 401) sits at address + b; a
// trial coefficient, load or mass i (0..3) of belt b at address + 4 * b + i.
namespace belt {
inline constexpr int kRunning = 10;             // MB  BKK: the belt runs
inline constexpr int kStartRun = 20;            // MB  request _LLK: start a belt-weight run; cleared when taken
inline constexpr int kAbortRun = 22;            // MB  request _R_LLK: abort the run; cleared when taken
inline constexpr int kAcceptCode = 24;          // MB  request _E_CLK: make the new code current; cleared when taken
inline constexpr int kTareCheck = 26;           // MB  _LTK: a tare check runs while set
inline constexpr int kRunActive = 30;           // MB  LLK: a belt-weight run is in progress
inline constexpr int kLoad = 50;                // MI  TNK: belt load, t/h
inline constexpr int kCode = 100;               // MI  CLK: current belt-weight code
inline constexpr int kNewCode = 102;            // MI  N_CLK: code found by the last finished run, 0 = none
inline constexpr int kRunPercent = 104;         // MI  CLK_PERCENT: progress of the run, 0..100
inline constexpr int kCoefficient = 106;        // MI  KP in hundredths
inline constexpr int kTrialCoefficient = 110;   // MI  KP1..KP4 in hundredths
inline constexpr int kTrialLoad = 120;          // MI  TNK1..TNK4: load under each trial coefficient, t/h
inline constexpr int kCounter = 50;             // ML  I_1T1: totalising counter, kg
inline constexpr int kTareMass = 60;            // ML  G_TAR: mass weighed by the running tare check, kg
inline constexpr int kTrialMass = 70;           // ML  G1T1..G1T4: that mass under each trial coefficient, kg
}  // namespace belt

// 16-bit operands of the hydrosizer controller, in the order the worker thread reads them.
namespace hydro {
inline constexpr int kPL2_GS = 55;   // pulp density, g/l
inline constexpr int kRV2_GS = 65;   // volume flow, m3/h
inline constexpr int kPL3_GS = 5;    // pulp density, g/l
inline constexpr int kTRTW_GS = 4;   // volume flow, m3/h
inline constexpr std::array<int, 4> kAddresses = {kPL2_GS, kRV2_GS, kPL3_GS, kTRTW_GS};
}  // namespace hydro

// What can go wrong with one reply. Faults that cannot change a given reply (non-hex data in an empty reply, a
// lower-case checksum made of digits only, a full echo of a two-letter command) are not applied to it.
enum class Fault {
    None,
    Silence,            // no reply at all
    LongDelay,          // the reply comes after longDelayMs (over the link's 1 s limit by default)
    BadChecksum,        // checksum one higher than it should be
    LowerCaseChecksum,  // the right checksum in lower-case hex
    WrongStart,         // "/B" instead of "/A"
    TooShort,           // only "/A", the unit id and one more character
    NonHexData,         // the first data character replaced by "G" (checksum still right)
    FewerData,          // the last data character dropped (checksum still right)
    Oversize,           // data padded with "0" so the line before its CR is oversizeBytes long
    Trickle,            // one byte every trickleByteMs
    FullEcho,           // "RNL"/"SNL" echoed in full instead of "RN"/"SN"
    Garble,             // one byte of the reply replaced by "?"
    WrongUnit,          // the reply carries the next unit id (checksum still right)
};
inline constexpr int kFaultKinds = static_cast<int>(Fault::WrongUnit) + 1;

const char* FaultName(Fault fault);  // "silence", "long-delay", ... as the program's --fault option takes them
std::optional<Fault> FaultFromName(std::string_view name);

struct SimulatorConfig {
    int beltUnit = 1;                       // unit id of the belt-scale controller
    int hydroUnit = 2;                      // unit id of the hydrosizer controller (may equal beltUnit)
    int replyDelayMinMs = 10;               // the link purges its input right after writing: never answer at once
    int replyDelayMaxMs = 20;
    int longDelayMs = 1500;
    int trickleByteMs = 100;
    int oversizeBytes = 1000;
    std::array<double, kFaultKinds> faultRates{};  // probability per reply, indexed by Fault
    uint32_t seed = 1;
    bool manualClock = false;               // true: model time moves only through Advance()
    // Belt flow helper: while set, the load follows the run bit and the counter rises at this rate.
    std::array<std::optional<double>, 2> beltFlowTph = {250.0, 400.0};
    double beltSwingPercent = 0;            // how far the loads swing about beltFlowTph; 0 keeps them steady
    double beltPeriodSeconds = 300;
    std::array<bool, 2> beltRunning = {true, true};
    std::array<int32_t, 2> beltCounterKg = {1000000, 2500000};
    std::array<uint16_t, 2> beltCode = {1200, 1350};
    std::array<uint16_t, 2> beltCoefficient = {100, 100};  // hundredths
    double beltWeightRunSeconds = 30;
    std::array<uint16_t, 4> hydroValues = {1250, 400, 1320, 180};  // PL2_GS, RV2_GS, PL3_GS, TRTW_GS
    double hydroSwingPercent = 3;           // 0 keeps the hydrosizer values where they are set
    double hydroPeriodSeconds = 90;
};

enum class Disposition {
    Answered,      // a reply was sent (possibly a faulty one)
    Silenced,      // a hosted unit that stays silent, or the silence fault
    OtherUnit,     // addressed to a unit id this line does not host
    BadChecksum,   // a request with a wrong checksum: a controller ignores it
    Malformed,     // no request frame: unknown command, bad data or bad unit digits
    Echo,          // our own reply read back: the peer's port is not in raw mode
};
const char* DispositionName(Disposition d);

struct WriteRecord {
    double timeMs = 0;   // set by the simulator
    int unit = 0;
    Space space = Space::Bit;
    int address = 0;
    int64_t value = 0;
};

// What the controllers do with one received frame.
struct Exchange {
    Disposition disposition = Disposition::Malformed;
    int unit = -1;
    std::string command;
    Fault fault = Fault::None;
    std::string reply;          // with its carriage return; empty when nothing is sent
    int delayMs = 0;            // from the frame's carriage return to the reply's first byte
    int byteIntervalMs = 0;     // 0: the reply goes out in one write
    std::vector<WriteRecord> writes;
};

class PlcModel {
public:
    explicit PlcModel(const SimulatorConfig& config);

    const SimulatorConfig& Config() const { return config_; }
    bool Hosts(int unit) const { return units_.count(unit) != 0; }

    // Operands; an id this line does not host or an address outside 0..65535 throws std::out_of_range.
    int64_t Get(int unit, Space space, int address) const;
    void Set(int unit, Space space, int address, int64_t value);  // stored as the operand's width takes it

    // One request frame: the bytes from "/" up to, not including, the carriage return.
    Exchange Handle(std::string_view frame);

    // Moves model time on: belt counters, runs, tare checks and the hydrosizer values follow.
    void Advance(double seconds);
    double Time() const { return time_; }

    void SetBeltRunning(int beltIndex, bool running);
    void SetBeltFlow(int beltIndex, std::optional<double> tph);  // nullopt: the helper leaves the belt alone
    void SetCounter(int beltIndex, int32_t kg);                  // also drops the part-kilogram carried over
    void RequestBeltWeightRun(int beltIndex);
    void AbortBeltWeightRun(int beltIndex);
    void AcceptNewCode(int beltIndex);
    void SetTareCheck(int beltIndex, bool on);
    void SetHydroValue(int index, uint16_t centre);  // index 0..3 as in hydro::kAddresses
    void SetHydroSwing(double percent);

    void SetReplyDelay(int minMs, int maxMs);
    void SetUnitSilent(int unit, bool silent);
    void SetFaultRate(Fault fault, double rate);
    // The next `count` replies of `unit` (-1: any unit) that the fault can change get it, before any drawn fault.
    void QueueFault(Fault fault, int count, int unit = -1);
    void ClearFaults();  // rates, queue and silent units

    // Lines describing what the model did (runs started and finished, requests refused, ...), oldest first.
    std::vector<std::string> TakeEvents();

private:
    struct Unit {
        std::vector<uint8_t> bits = std::vector<uint8_t>(65536);
        std::vector<uint16_t> ints = std::vector<uint16_t>(65536);
        std::vector<int32_t> longs = std::vector<int32_t>(65536);
        bool silent = false;
    };
    struct BeltState {
        std::optional<double> flowTph;
        double counterCarry = 0;          // part of a kilogram not yet on the counter
        bool runActive = false;
        double runElapsed = 0;
        bool tareActive = false;
        double tareCarry = 0;
        std::array<double, 4> trialCarry{};
    };
    struct QueuedFault {
        Fault fault;
        int remaining;
        int unit;
    };

    Unit& UnitAt(int unit);
    const Unit& UnitAt(int unit) const;
    bool Bit(int address) const;
    void SetBitOp(int address, bool value);
    uint16_t Int(int address) const;
    void SetIntOp(int address, int64_t value);
    int32_t Long(int address) const;
    void AddLong(int address, double kg, double& carry);
    void Event(std::string text);
    void CheckBelt(int beltIndex) const;

    void Step(double seconds);  // requests first, then runs, flow and tare checks
    void StepBelt(int b, double seconds);
    void StepHydro();
    uint16_t NewCode(uint16_t current);

    Fault PickFault(int unit, const std::string& command, const std::string& checksum, bool hasData);
    static bool FaultApplies(Fault fault, const std::string& command, const std::string& checksum, bool hasData);

    SimulatorConfig config_;
    std::map<int, Unit> units_;
    std::array<BeltState, 2> belts_;
    std::array<uint16_t, 4> hydroCentre_;
    double time_ = 0;
    std::mt19937 rng_;
    std::deque<QueuedFault> queued_;
    std::deque<std::string> recentReplies_;  // to recognise our own replies read back
    std::vector<std::string> events_;
};

}  // namespace visionsim
