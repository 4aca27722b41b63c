#include "tools/pufsim/PufSimProgram.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace pufsim {

namespace {

bool ToInt(const std::string& s, long long lo, long long hi, long long& out) {
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size() && out >= lo && out <= hi;
}

bool ToDouble(std::string s, double& out) {
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::fixed);
    return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(out);
}

// A probability as a fraction ("0.2") or a percentage ("20%").
bool ToRate(std::string s, double& out) {
    double scale = 1;
    if (!s.empty() && s.back() == '%') {
        s.pop_back();
        scale = 0.01;
    }
    if (!ToDouble(s, out)) return false;
    out *= scale;
    return out >= 0 && out <= 1;
}

double Round2(double v) { return std::round(v * 100.0) / 100.0; }

}  // namespace

std::string UsageText() {
    return "usage: pufsim (--pty | --tcp PORT | both) [options]\n"
           "  --pty                   play the controller on a new pseudo-terminal\n"
           "  --tcp PORT              listen on 127.0.0.1:PORT (0 = any free port)\n"
           "  --link-file PATH        write the pty path (first line) and/or the TCP port there\n"
           "  --delay MS              reply delay (default 20)\n"
           "  --fault-delay MS        delay of the delay fault (default 300 on TCP, 1500 on the pty)\n"
           "  --seed N                seed of the fault and live-mode random numbers (default 1)\n"
           "  --silence-rate R        requests that go unanswered (R as 0.2 or 20%)\n"
           "  --delay-rate R          answers that come after the fault delay\n"
           "  --garble-rate R         answers with a garbled byte\n"
           "  --checksum-rate R       answers with a wrong checksum\n"
           "  --refuse-rate R         requests refused with _Error:\n"
           "  --drop-rate R           TCP connections dropped instead of an answer\n"
           "  --records-per-minute N  live mode: new data records, wandering values and log entries\n"
           "  --state COL=V[,COL=V]   values the controller starts with (e.g. the newest stored row)\n"
           "  --banner                greet TCP clients with the query server banner\n"
           "  --crlf                  end answers with CR LF instead of CR\n"
           "  --lenient               accept a comma as the decimal separator in set-points\n"
           "  --verbose               also print every line received and sent\n"
           "  --help                  this text\n";
}

bool ParseOptions(const std::vector<std::string>& args, ProgramOptions& out, std::string& error) {
    out = ProgramOptions{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
            inlineValue = true;
        }
        auto flag = [&](bool& field) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            field = true;
            return true;
        };
        auto takeValue = [&]() {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        long long n = 0;
        if (name == "--pty") {
            if (!flag(out.pty)) return false;
        } else if (name == "--banner") {
            if (!flag(out.banner)) return false;
        } else if (name == "--crlf") {
            if (!flag(out.crlf)) return false;
        } else if (name == "--lenient") {
            if (!flag(out.lenient)) return false;
        } else if (name == "--verbose") {
            if (!flag(out.verbose)) return false;
        } else if (name == "--help" || name == "-h") {
            out.help = true;
        } else if (name == "--tcp") {
            if (!takeValue()) return false;
            if (!ToInt(value, 0, 65535, n)) {
                error = "--tcp needs a port from 0 to 65535, not \"" + value + "\"";
                return false;
            }
            out.tcpPort = static_cast<int>(n);
        } else if (name == "--link-file") {
            if (!takeValue()) return false;
            if (value.empty()) {
                error = "--link-file needs a path";
                return false;
            }
            out.linkFile = value;
        } else if (name == "--delay" || name == "--fault-delay") {
            if (!takeValue()) return false;
            if (!ToInt(value, 0, 600000, n)) {
                error = name + " needs milliseconds from 0 to 600000, not \"" + value + "\"";
                return false;
            }
            (name == "--delay" ? out.replyDelayMs : out.faultDelayMs) = static_cast<int>(n);
        } else if (name == "--seed") {
            if (!takeValue()) return false;
            std::uint64_t seed = 0;
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), seed);
            if (ec != std::errc() || ptr != value.data() + value.size()) {
                error = "--seed needs a whole number, not \"" + value + "\"";
                return false;
            }
            out.seed = seed;
        } else if (name == "--state") {
            if (!takeValue()) return false;
            const std::vector<StateValue> columns = DefaultState();
            for (std::size_t start = 0; start <= value.size();) {
                std::size_t comma = value.find(',', start);
                if (comma == std::string::npos) comma = value.size();
                const std::string pair = value.substr(start, comma - start);
                const auto eq = pair.find('=');
                double v = 0;
                const std::string column = pair.substr(0, eq);
                const bool known = std::any_of(columns.begin(), columns.end(),
                                               [&](const StateValue& c) { return c.column == column; });
                if (eq == std::string::npos || !known || !ToDouble(pair.substr(eq + 1), v)) {
                    error = "--state needs COLUMN=NUMBER pairs of the state columns, not \"" + pair + "\"";
                    return false;
                }
                out.state.emplace_back(column, v);
                start = comma + 1;
            }
        } else if (name == "--records-per-minute") {
            if (!takeValue()) return false;
            double r = 0;
            if (!ToDouble(value, r) || r < 0 || r > 6000) {
                error = "--records-per-minute needs a number from 0 to 6000, not \"" + value + "\"";
                return false;
            }
            out.recordsPerMinute = r;
        } else if (name.ends_with("-rate") && name.starts_with("--")) {
            double* field = name == "--silence-rate"    ? &out.rates.silence
                            : name == "--delay-rate"    ? &out.rates.delay
                            : name == "--garble-rate"   ? &out.rates.garble
                            : name == "--checksum-rate" ? &out.rates.badChecksum
                            : name == "--refuse-rate"   ? &out.rates.refuse
                            : name == "--drop-rate"     ? &out.rates.drop
                                                        : nullptr;
            if (!field) {
                error = "unknown option " + name;
                return false;
            }
            if (!takeValue()) return false;
            if (!ToRate(value, *field)) {
                error = name + " needs a rate from 0 to 1 (or 0% to 100%), not \"" + value + "\"";
                return false;
            }
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (out.help) return true;
    if (!out.pty && out.tcpPort < 0) {
        error = "give --pty, --tcp PORT or both";
        return false;
    }
    const FaultRates& r = out.rates;
    if (r.silence + r.delay + r.garble + r.badChecksum + r.refuse + r.drop > 1 + 1e-9) {
        error = "the fault rates add up to more than 1";
        return false;
    }
    return true;
}

void Configure(PufSimulator& sim, const ProgramOptions& o) {
    sim.SetReplyDelay(std::chrono::milliseconds(o.replyDelayMs));
    if (o.faultDelayMs >= 0) sim.SetFaultDelay(std::chrono::milliseconds(o.faultDelayMs));
    sim.SetSeed(o.seed);
    sim.SetFaultRates(o.rates);
    sim.SetBanner(o.banner);
    sim.SetCrLf(o.crlf);
    sim.SetLenientDecimal(o.lenient);
    sim.SetVerbose(o.verbose);
    for (const auto& [column, value] : o.state) sim.SetValue(column, value);
    // A program may run for days: keep memory bounded.
    sim.SetHistoryLimit(10000);
}

std::string LinkFileText(const PufSimulator& sim, const ProgramOptions& o) {
    std::string text;
    if (o.pty) text += sim.SlavePath() + "\n";
    if (o.tcpPort >= 0) text += std::to_string(sim.TcpPort()) + "\n";
    return text;
}

bool WriteLinkFile(const std::string& path, const std::string& text, std::string& error) {
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    ok = ok && std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
    }
    return ok;
}

LiveDriver::LiveDriver(PufSimulator& sim, double recordsPerMinute, std::uint64_t seed)
    : sim_(sim), recordsPerMinute_(recordsPerMinute), rng_(seed ^ 0x9E3779B97F4A7C15ull) {}

void LiveDriver::Advance(double seconds) {
    if (!(seconds > 0)) return;
    // A small tolerance, so that sixty steps of one second make one whole minute.
    constexpr double kSlack = 1e-9;
    secondsDue_ += seconds;
    while (secondsDue_ >= 1 - kSlack) {
        secondsDue_ -= 1;
        Wander();
    }
    recordsDue_ += seconds * recordsPerMinute_ / 60.0;
    while (recordsDue_ >= 1 - kSlack) {
        recordsDue_ -= 1;
        sim_.AddRecord();
    }
}

// One second of the plant: pulp density and flow drift, the solids load follows them, the reagent
// tanks drain and are refilled, and a low tank raises its alarm. The operator's set-points are left
// alone, so a set-point sent from the station stays visible; the reagent flows follow their dosing.
void LiveDriver::Wander() {
    auto step = [this](const char* column, double amplitude, double lo, double hi) {
        const double delta = std::uniform_real_distribution<double>(-amplitude, amplitude)(rng_);
        const double v = std::clamp(sim_.Value(column) + delta, lo, hi);
        sim_.SetValue(column, Round2(v));
        return Round2(v);
    };
    const double plf = step("PLF", 1.5, 80, 160);
    const double rvf = step("RVF", 5.0, 350, 550);
    const double rgf = Round2(plf * rvf / 1000.0);
    sim_.SetValue("RGF", rgf);
    step("SOF", 0.2, 65, 80);
    for (const auto& [tank, alarm, rate, refilled] :
         {std::tuple{"URS", "ALARMS", 0.02, "Бак собирателя заправлен"}, std::tuple{"URP", "ALARMP", 0.015, "Бак вспенивателя заправлен"}}) {
        double level = sim_.Value(tank) - rate;
        if (level < 20) {
            level = 95;
            sim_.AddLogEntry(refilled);
        }
        sim_.SetValue(tank, Round2(level));
        sim_.SetValue(alarm, level < 25 ? 1 : 0);
    }
    // Now and then a dosing pump stops for a while (about every four minutes, for 20 to 90 s). A pump
    // that was stopped when the controller started is started again after such a while too.
    if (!pumpDown_)
        for (const char* pump : {"DSF1", "DPF1"})
            if (sim_.Value(pump) == 0) {
                pumpDown_ = pump;
                pumpDownSeconds_ = std::uniform_int_distribution<int>(20, 90)(rng_);
                break;
            }
    if (pumpDown_) {
        if (--pumpDownSeconds_ <= 0) {
            sim_.SetValue(pumpDown_, 1);
            sim_.AddLogEntry(std::string(pumpDown_) == "DSF1" ? "Насос-дозатор собирателя включён" : "Насос-дозатор вспенивателя включён");
            pumpDown_ = nullptr;
        }
    } else if (std::uniform_real_distribution<double>(0, 1)(rng_) < 1.0 / 240) {
        const bool collector = std::uniform_int_distribution<int>(0, 1)(rng_) == 0;
        pumpDown_ = collector ? "DSF1" : "DPF1";
        pumpDownSeconds_ = std::uniform_int_distribution<int>(20, 90)(rng_);
        sim_.SetValue(pumpDown_, 0);
        sim_.AddLogEntry(collector ? "Насос-дозатор собирателя остановлен" : "Насос-дозатор вспенивателя остановлен");
    }
    Dose(rgf);
}

// A stopped dosing pump delivers nothing. A running one in automatic mode doses its specific
// consumption (ml/t) of the solids load (t/h), in l/h, with the small unsteadiness of a real pump;
// in manual mode it keeps the flow the operator set, also after a stop.
void LiveDriver::Dose(double rgf) {
    static const struct {
        const char *flow, *specific, *automatic, *pump;
    } reagents[2] = {{"TRRS", "ZRRS", "F1AS", "DSF1"}, {"TRRP", "ZRRP", "F1AP", "DPF1"}};
    for (int k = 0; k < 2; ++k) {
        const auto& r = reagents[k];
        if (sim_.Value(r.pump) == 0) {
            sim_.SetValue(r.flow, 0);
            continue;
        }
        double flow = sim_.Value(r.flow);
        if (sim_.Value(r.automatic) != 0)
            flow = sim_.Value(r.specific) * rgf / 1000.0 * std::uniform_real_distribution<double>(0.97, 1.03)(rng_);
        else if (flow == 0 && manualFlow_[k] > 0)
            flow = manualFlow_[k];  // back after a stop
        manualFlow_[k] = flow;
        sim_.SetValue(r.flow, Round2(flow));
    }
}

}  // namespace pufsim
