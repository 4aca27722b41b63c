#include "PlcModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace visionsim {

namespace {

const char* const kFaultNames[kFaultKinds] = {
    "none",     "silence",    "long-delay", "bad-checksum", "lower-checksum", "wrong-start", "too-short",
    "non-hex",  "fewer-data", "oversize",   "trickle",      "full-echo",      "garble",      "wrong-unit",
};

uint16_t ClampToInt(double v) {
    if (!(v > 0)) return 0;
    if (v > 65535) return 65535;
    return static_cast<uint16_t>(std::lround(v));
}

std::string BeltName(int b) { return "belt " + std::to_string(b); }

}  // namespace

const char* FaultName(Fault fault) {
    int i = static_cast<int>(fault);
    return i >= 0 && i < kFaultKinds ? kFaultNames[i] : "?";
}

std::optional<Fault> FaultFromName(std::string_view name) {
    for (int i = 0; i < kFaultKinds; ++i)
        if (name == kFaultNames[i]) return static_cast<Fault>(i);
    return std::nullopt;
}

const char* DispositionName(Disposition d) {
    switch (d) {
        case Disposition::Answered: return "answered";
        case Disposition::Silenced: return "silenced";
        case Disposition::OtherUnit: return "other unit";
        case Disposition::BadChecksum: return "bad checksum";
        case Disposition::Malformed: return "malformed";
        case Disposition::Echo: return "echo";
    }
    return "?";
}

PlcModel::PlcModel(const SimulatorConfig& config) : config_(config), rng_(config.seed) {
    if (config_.beltUnit < 0 || config_.beltUnit > 255 || config_.hydroUnit < 0 || config_.hydroUnit > 255)
        throw std::out_of_range("unit ids are 0..255");
    units_[config_.beltUnit];
    units_[config_.hydroUnit];
    SetReplyDelay(config_.replyDelayMinMs, config_.replyDelayMaxMs);
    for (int b = 0; b < 2; ++b) {
        belts_[b].flowTph = config_.beltFlowTph[b];
        SetBitOp(belt::kRunning + b, config_.beltRunning[b]);
        units_[config_.beltUnit].longs[belt::kCounter + b] = config_.beltCounterKg[b];
        SetIntOp(belt::kCode + b, config_.beltCode[b]);
        SetIntOp(belt::kCoefficient + b, config_.beltCoefficient[b]);
        // trial coefficients two and one steps of 5 % either side of the coefficient
        static const int steps[4] = {-10, -5, 5, 10};
        for (int i = 0; i < 4; ++i)
            SetIntOp(belt::kTrialCoefficient + 4 * b + i, config_.beltCoefficient[b] * (100 + steps[i]) / 100);
    }
    hydroCentre_ = config_.hydroValues;
    for (int i = 0; i < 4; ++i) units_[config_.hydroUnit].ints[hydro::kAddresses[i]] = hydroCentre_[i];
    Step(0);
}

PlcModel::Unit& PlcModel::UnitAt(int unit) {
    auto it = units_.find(unit);
    if (it == units_.end()) throw std::out_of_range("unit " + std::to_string(unit) + " is not on this line");
    return it->second;
}

const PlcModel::Unit& PlcModel::UnitAt(int unit) const { return const_cast<PlcModel*>(this)->UnitAt(unit); }

int64_t PlcModel::Get(int unit, Space space, int address) const {
    const Unit& u = UnitAt(unit);
    if (address < 0 || address > 0xFFFF) throw std::out_of_range("operand address out of range");
    switch (space) {
        case Space::Bit: return u.bits[address];
        case Space::Int: return u.ints[address];
        case Space::Long: return u.longs[address];
    }
    return 0;
}

void PlcModel::Set(int unit, Space space, int address, int64_t value) {
    Unit& u = UnitAt(unit);
    if (address < 0 || address > 0xFFFF) throw std::out_of_range("operand address out of range");
    switch (space) {
        case Space::Bit: u.bits[address] = value != 0; break;
        case Space::Int: u.ints[address] = static_cast<uint16_t>(value & 0xFFFF); break;
        case Space::Long: u.longs[address] = static_cast<int32_t>(static_cast<uint32_t>(value)); break;
    }
}

bool PlcModel::Bit(int address) const { return units_.at(config_.beltUnit).bits[address] != 0; }
void PlcModel::SetBitOp(int address, bool value) { units_.at(config_.beltUnit).bits[address] = value; }
uint16_t PlcModel::Int(int address) const { return units_.at(config_.beltUnit).ints[address]; }
void PlcModel::SetIntOp(int address, int64_t value) {
    units_.at(config_.beltUnit).ints[address] = value < 0 ? 0 : value > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(value);
}
int32_t PlcModel::Long(int address) const { return units_.at(config_.beltUnit).longs[address]; }

void PlcModel::AddLong(int address, double kg, double& carry) {
    double total = carry + kg;
    double whole = std::floor(total);
    carry = total - whole;
    int32_t& v = units_.at(config_.beltUnit).longs[address];
    // a totalising counter wraps like the controller's 32-bit register
    v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(static_cast<int64_t>(whole)));
}

void PlcModel::Event(std::string text) { events_.push_back(std::move(text)); }

std::vector<std::string> PlcModel::TakeEvents() {
    std::vector<std::string> out;
    out.swap(events_);
    return out;
}

void PlcModel::CheckBelt(int b) const {
    if (b != 0 && b != 1) throw std::out_of_range("belt index is 0 or 1");
}

// ---- frames ---------------------------------------------------------------------------------------------------

bool PlcModel::FaultApplies(Fault fault, const std::string& command, const std::string& checksum, bool hasData) {
    switch (fault) {
        case Fault::None: return false;
        case Fault::NonHexData:
        case Fault::FewerData: return hasData;
        case Fault::LowerCaseChecksum:
            return std::any_of(checksum.begin(), checksum.end(), [](char c) { return c >= 'A' && c <= 'F'; });
        case Fault::FullEcho: return command.size() == 3;
        default: return true;
    }
}

Fault PlcModel::PickFault(int unit, const std::string& command, const std::string& checksum, bool hasData) {
    for (auto it = queued_.begin(); it != queued_.end(); ++it) {
        if ((it->unit == -1 || it->unit == unit) && FaultApplies(it->fault, command, checksum, hasData)) {
            Fault f = it->fault;
            if (--it->remaining <= 0) queued_.erase(it);
            return f;
        }
    }
    // One draw per reply keeps a seeded run repeatable whatever the rates are.
    double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    double sum = 0;
    for (int i = 1; i < kFaultKinds; ++i) {
        sum += std::clamp(config_.faultRates[i], 0.0, 1.0);
        if (u < sum) {
            Fault f = static_cast<Fault>(i);
            return FaultApplies(f, command, checksum, hasData) ? f : Fault::None;
        }
    }
    return Fault::None;
}

Exchange PlcModel::Handle(std::string_view frame) {
    Exchange ex;
    PcomRequest r;
    ParseStatus status = ParsePcomRequest(frame, r);
    ex.unit = r.unit;
    ex.command = r.command;

    bool ours = std::find(recentReplies_.begin(), recentReplies_.end(), frame) != recentReplies_.end();
    if (ours || (frame.substr(0, 2) == "/A" && status != ParseStatus::Ok)) {
        ex.disposition = Disposition::Echo;
        ex.unit = -1;  // a reply's "A" is no unit digit
        ex.command.clear();
        return ex;
    }
    if (r.unit >= 0 && !Hosts(r.unit)) {
        ex.disposition = Disposition::OtherUnit;
        return ex;
    }
    if (status == ParseStatus::BadChecksum) {
        ex.disposition = Disposition::BadChecksum;
        return ex;
    }
    if (status != ParseStatus::Ok) {
        ex.disposition = Disposition::Malformed;
        return ex;
    }
    Unit& u = UnitAt(r.unit);
    if (u.silent) {
        ex.disposition = Disposition::Silenced;
        return ex;
    }

    std::string data;
    if (!r.write) {
        for (int k = 0; k < r.count; ++k) {
            int a = r.address + k;
            switch (r.space) {
                case Space::Bit: data += u.bits[a] ? '1' : '0'; break;
                case Space::Int: data += Hex(u.ints[a], 4); break;
                case Space::Long: data += Hex(static_cast<uint32_t>(u.longs[a]), 8); break;
            }
        }
    }
    std::string echo = r.command.substr(0, 2);
    std::string normal = BuildPcomReply(r.unit, echo, data);
    Fault fault = PickFault(r.unit, r.command, normal.substr(normal.size() - 2), !data.empty());
    ex.fault = fault;
    if (fault == Fault::Silence) {
        ex.disposition = Disposition::Silenced;
        return ex;
    }

    if (r.write) {
        // a corrupted reply still means the controller took the values
        int width = ValueWidth(r.space);
        for (int k = 0; k < r.count; ++k) {
            std::string_view v = std::string_view(r.values).substr(static_cast<size_t>(k * width), width);
            int64_t value = 0;
            if (r.space == Space::Bit) value = v[0] == '1';
            else {
                uint32_t x = static_cast<uint32_t>(std::stoul(std::string(v), nullptr, 16));
                value = r.space == Space::Int ? static_cast<int64_t>(x) : static_cast<int64_t>(static_cast<int32_t>(x));
            }
            Set(r.unit, r.space, r.address + k, value);
            ex.writes.push_back(WriteRecord{0, r.unit, r.space, r.address + k, value});
        }
        Step(0);
    }

    int replyUnit = r.unit;
    std::string start = "/A";
    switch (fault) {
        case Fault::NonHexData: data[0] = 'G'; break;
        case Fault::FewerData: data.pop_back(); break;
        case Fault::FullEcho: echo = r.command; break;
        case Fault::WrongUnit: replyUnit = (r.unit + 1) & 0xFF; break;
        case Fault::WrongStart: start = "/B"; break;
        case Fault::Oversize: {
            size_t plain = 2 + 2 + echo.size() + data.size() + 2;
            if (static_cast<size_t>(config_.oversizeBytes) > plain)
                data.append(static_cast<size_t>(config_.oversizeBytes) - plain, '0');
            break;
        }
        default: break;
    }
    std::string body = Hex(static_cast<uint32_t>(replyUnit), 2) + echo + data;
    std::string checksum = PcomChecksum(body);
    if (fault == Fault::BadChecksum) {
        unsigned sum = 0;
        for (char c : body) sum += static_cast<unsigned char>(c);
        checksum = Hex((sum + 1) & 0xFF, 2);
    } else if (fault == Fault::LowerCaseChecksum) {
        for (char& c : checksum) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string line = start + body + checksum;
    if (fault == Fault::TooShort) line = "/A" + Hex(static_cast<uint32_t>(r.unit), 2) + echo.substr(0, 1);
    if (fault == Fault::Garble) {
        size_t pos = std::uniform_int_distribution<size_t>(0, line.size() - 1)(rng_);
        line[pos] = '?';
    }

    ex.delayMs = std::uniform_int_distribution<int>(config_.replyDelayMinMs, config_.replyDelayMaxMs)(rng_);
    if (fault == Fault::LongDelay) ex.delayMs = config_.longDelayMs;
    if (fault == Fault::Trickle) ex.byteIntervalMs = std::max(1, config_.trickleByteMs);
    ex.reply = line + "\r";
    ex.disposition = Disposition::Answered;
    recentReplies_.push_back(line);
    if (recentReplies_.size() > 8) recentReplies_.pop_front();
    return ex;
}

// ---- controls -------------------------------------------------------------------------------------------------

void PlcModel::SetReplyDelay(int minMs, int maxMs) {
    if (minMs < 0 || maxMs < minMs) throw std::invalid_argument("reply delay: 0 <= min <= max");
    config_.replyDelayMinMs = minMs;
    config_.replyDelayMaxMs = maxMs;
}

void PlcModel::SetUnitSilent(int unit, bool silent) { UnitAt(unit).silent = silent; }

void PlcModel::SetFaultRate(Fault fault, double rate) {
    if (fault == Fault::None) return;
    config_.faultRates[static_cast<int>(fault)] = std::clamp(rate, 0.0, 1.0);
}

void PlcModel::QueueFault(Fault fault, int count, int unit) {
    if (fault != Fault::None && count > 0) queued_.push_back(QueuedFault{fault, count, unit});
}

void PlcModel::ClearFaults() {
    config_.faultRates.fill(0);
    queued_.clear();
    for (auto& [id, u] : units_) u.silent = false;
}

void PlcModel::SetBeltRunning(int b, bool running) {
    CheckBelt(b);
    SetBitOp(belt::kRunning + b, running);
    Step(0);
}

void PlcModel::SetBeltFlow(int b, std::optional<double> tph) {
    CheckBelt(b);
    if (tph && !(*tph >= 0)) throw std::invalid_argument("belt rate must not be negative");
    belts_[b].flowTph = tph;
    Step(0);
}

void PlcModel::SetCounter(int b, int32_t kg) {
    CheckBelt(b);
    units_.at(config_.beltUnit).longs[belt::kCounter + b] = kg;
    belts_[b].counterCarry = 0;
}

void PlcModel::RequestBeltWeightRun(int b) {
    CheckBelt(b);
    SetBitOp(belt::kStartRun + b, true);
    Step(0);
}

void PlcModel::AbortBeltWeightRun(int b) {
    CheckBelt(b);
    SetBitOp(belt::kAbortRun + b, true);
    Step(0);
}

void PlcModel::AcceptNewCode(int b) {
    CheckBelt(b);
    SetBitOp(belt::kAcceptCode + b, true);
    Step(0);
}

void PlcModel::SetTareCheck(int b, bool on) {
    CheckBelt(b);
    SetBitOp(belt::kTareCheck + b, on);
    Step(0);
}

void PlcModel::SetHydroValue(int index, uint16_t centre) {
    if (index < 0 || index > 3) throw std::out_of_range("hydrosizer value index is 0..3");
    hydroCentre_[index] = centre;
    units_.at(config_.hydroUnit).ints[hydro::kAddresses[index]] = centre;
    StepHydro();
}

void PlcModel::SetHydroSwing(double percent) {
    config_.hydroSwingPercent = std::clamp(percent, 0.0, 100.0);
    StepHydro();
}

// ---- model time -----------------------------------------------------------------------------------------------

void PlcModel::Advance(double seconds) {
    if (!(seconds > 0)) seconds = 0;
    time_ += seconds;
    Step(seconds);
}

void PlcModel::Step(double seconds) {
    StepBelt(0, seconds);
    StepBelt(1, seconds);
    StepHydro();
}

uint16_t PlcModel::NewCode(uint16_t current) {
    double base = current ? current : 1000;
    double pct = std::uniform_real_distribution<double>(0.5, 3.0)(rng_);
    if (std::uniform_int_distribution<int>(0, 1)(rng_)) pct = -pct;
    uint16_t code = ClampToInt(base * (1 + pct / 100));
    if (code == current) code = static_cast<uint16_t>(code < 65535 ? code + 1 : code - 1);
    return std::max<uint16_t>(code, 1);
}

void PlcModel::StepBelt(int b, double seconds) {
    BeltState& s = belts_[b];
    const std::string name = BeltName(b);
    bool running = Bit(belt::kRunning + b);

    if (Bit(belt::kStartRun + b)) {
        SetBitOp(belt::kStartRun + b, false);
        if (s.runActive) {
            Event(name + ": belt-weight run already in progress, start request ignored");
        } else if (!running) {
            Event(name + ": belt stopped, belt-weight run refused");
        } else {
            s.runActive = true;
            s.runElapsed = 0;
            SetIntOp(belt::kRunPercent + b, 0);
            SetIntOp(belt::kNewCode + b, 0);
            Event(name + ": belt-weight run started");
        }
    }
    if (Bit(belt::kAbortRun + b)) {
        SetBitOp(belt::kAbortRun + b, false);
        if (s.runActive) {
            s.runActive = false;
            SetIntOp(belt::kRunPercent + b, 0);
            Event(name + ": belt-weight run aborted on request");
        }
    }
    if (s.runActive) {
        if (!running) {
            s.runActive = false;
            SetIntOp(belt::kRunPercent + b, 0);
            Event(name + ": belt stopped, belt-weight run aborted");
        } else {
            s.runElapsed += seconds;
            double duration = std::max(config_.beltWeightRunSeconds, 0.001);
            if (s.runElapsed >= duration) {
                s.runActive = false;
                SetIntOp(belt::kRunPercent + b, 100);
                uint16_t code = NewCode(Int(belt::kCode + b));
                SetIntOp(belt::kNewCode + b, code);
                Event(name + ": belt-weight run finished, new code " + std::to_string(code));
            } else {
                SetIntOp(belt::kRunPercent + b, static_cast<int>(s.runElapsed * 100 / duration));
            }
        }
    }
    SetBitOp(belt::kRunActive + b, s.runActive);
    if (Bit(belt::kAcceptCode + b)) {
        SetBitOp(belt::kAcceptCode + b, false);
        uint16_t code = Int(belt::kNewCode + b);
        if (!s.runActive && code != 0) {
            SetIntOp(belt::kCode + b, code);
            Event(name + ": new code " + std::to_string(code) + " taken as current");
        } else {
            Event(name + ": no new code to take");
        }
    }

    if (s.flowTph) {
        // The feed is never quite steady: the load swings about the set rate (the two belts in
        // opposite directions), and the counter rises with it.
        double rate = *s.flowTph;
        if (config_.beltSwingPercent > 0) {
            const double period = config_.beltPeriodSeconds > 0 ? config_.beltPeriodSeconds : 300;
            rate *= 1 + config_.beltSwingPercent / 100 * std::sin(2 * std::numbers::pi * time_ / period + b * std::numbers::pi);
        }
        SetIntOp(belt::kLoad + b, running ? ClampToInt(rate) : 0);
        if (running) AddLong(belt::kCounter + b, rate * seconds / 3.6, s.counterCarry);
    }

    bool tare = Bit(belt::kTareCheck + b);
    if (tare && !s.tareActive) {
        // a new check weighs from zero
        units_.at(config_.beltUnit).longs[belt::kTareMass + b] = 0;
        s.tareCarry = 0;
        for (int i = 0; i < 4; ++i) {
            units_.at(config_.beltUnit).longs[belt::kTrialMass + 4 * b + i] = 0;
            SetIntOp(belt::kTrialLoad + 4 * b + i, 0);
            s.trialCarry[i] = 0;
        }
        Event(name + ": tare check started");
    } else if (!tare && s.tareActive) {
        Event(name + ": tare check stopped at " + std::to_string(Long(belt::kTareMass + b)) + " kg");
    }
    s.tareActive = tare;
    if (tare) {
        double load = Int(belt::kLoad + b);
        double kg = running ? load * seconds / 3.6 : 0;
        AddLong(belt::kTareMass + b, kg, s.tareCarry);
        double kp = Int(belt::kCoefficient + b);
        for (int i = 0; i < 4; ++i) {
            double ratio = kp > 0 ? Int(belt::kTrialCoefficient + 4 * b + i) / kp : 0;
            SetIntOp(belt::kTrialLoad + 4 * b + i, running ? ClampToInt(load * ratio) : 0);
            AddLong(belt::kTrialMass + 4 * b + i, kg * ratio, s.trialCarry[i]);
        }
    }
}

void PlcModel::StepHydro() {
    double swing = config_.hydroSwingPercent;
    if (!(swing > 0)) return;
    double period = config_.hydroPeriodSeconds > 0 ? config_.hydroPeriodSeconds : 90;
    Unit& u = units_.at(config_.hydroUnit);
    for (int i = 0; i < 4; ++i) {
        double phase = 2 * std::numbers::pi * time_ / period + i * std::numbers::pi / 2;
        u.ints[hydro::kAddresses[i]] = ClampToInt(hydroCentre_[i] * (1 + swing / 100 * std::sin(phase)));
    }
}

}  // namespace visionsim
