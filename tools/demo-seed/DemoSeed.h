// The demo database seeder as a library: plausible plant history for every table the screens read,
// the values the controller simulators take over from it, and the live mode that keeps the tables of
// the plant's other software (the jig machines) moving while the demo runs.
//
// Every section of the plant is a model that steps one minute at a time and can resume from a stored
// row, so history can be added after the newest row a table holds without touching the rows there (a
// second demo keeps what the station wrote in the first), and the live mode continues the history.
// The values move within the ranges the controller simulators (tools/pufsim, tools/visionsim) move
// in, so the station's own rows follow the seeded ones without a jump.
#pragma once

#include <mysql.h>

#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace demoseed {

struct Connection {
    std::string host = "127.0.0.1";
    unsigned port = 0;
    std::string socket;
    std::string user = "root";
    std::string password;
    std::string database = "vestra";
};

// One connection; every failure throws std::runtime_error with the server's text.
class Db {
public:
    explicit Db(const Connection& c);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void Exec(const std::string& sql);
    // The first row of a query, column name to text (NULL columns are left out); empty without a row.
    std::map<std::string, std::string> Row(const std::string& sql);
    // A quoted literal of a text made by this program, escaped for the connection.
    std::string Quote(const std::string& s);
    // Runs work in one transaction: committed when it returns, rolled back when it throws.
    template <class Work>
    void InTransaction(Work work) {
        Exec("START TRANSACTION");
        try {
            work();
        } catch (...) {
            try {
                Exec("ROLLBACK");
            } catch (...) {
                // The first failure is the one to report.
            }
            throw;
        }
        Exec("COMMIT");
    }

private:
    MYSQL* m_ = nullptr;
};

// ---- time: local civil minutes since 1970-01-01 -----------------------------------------------------

long long NowMinute();
long long NowSecond();
// "yyyy-mm-dd hh:nn:ss" of a minute count plus seconds.
std::string Stamp(long long minute, int second = 0);
// The minute of such a text (seconds dropped); false when it is none.
bool ParseStamp(const std::string& text, long long& minute);

// ---- random numbers and process values ----------------------------------------------------------------

class Random {
public:
    explicit Random(std::uint64_t seed) : rng_(seed) {}
    double Gauss() { return normal_(rng_); }
    double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
    int Int(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
    bool Chance(double p) { return Uniform(0, 1) < p; }

private:
    std::mt19937_64 rng_;
    std::normal_distribution<double> normal_{0.0, 1.0};
};

// A process value: drifts back to its target with some noise, within limits. A step of a fraction of
// a minute moves it as far as that fraction of a minute's step would on average.
struct Walk {
    double value, target, pull, noise, lo, hi;
    double Step(Random& r, double minutes = 1);
};

// Stretches in which something is off (a stop, a feed interruption): perDay of them a day at random,
// each minLen..maxLen minutes long. None begins that would last past quietAfter.
struct Outage {
    double perDay;
    int minLen, maxLen;
    long long until = LLONG_MIN;  // off before this minute
    bool Off(long long minute, Random& r, long long quietAfter = LLONG_MAX);
};

// One minute of a section: its table row's values (the time first) and its journal lines.
struct Minute {
    std::string values;
    std::vector<std::pair<std::string, std::string>> log;  // moment, message
};

using Stored = std::map<std::string, std::string>;

// ---- the sections ---------------------------------------------------------------------------------

// A jig machine (pu1 / pu2 and their state rows and journals): bed heights and their set-points,
// the water-air cycle, the oscillation frequency and the unloaders; stops and feed interruptions.
class JigMachine {
public:
    static const char* const kColumns;
    explicit JigMachine(int machine);
    void Resume(const Stored& row);
    Minute Step(long long minute, Random& r);
    // The values now, a fraction of a minute after the last step (for the state row).
    std::string StateValues(long long second, Random& r, double minutes);
    std::string Table() const { return "pu" + std::to_string(machine_); }

private:
    std::string Values(const std::string& moment) const;
    int machine_;
    Walk bed_[3];
    double setp_[3];
    Walk tin_, tout_, kkp_;
    Walk ts_[3];
    Outage stops_{0.7, 15, 50};
    Outage feed_{2.5, 5, 25};
    bool running_ = true, fed_ = true;
    double v_[3] = {}, s_[3] = {}, in_ = 0, out_ = 0, freq_ = 0;
};

// The flotation section (puf_data, puf_log), in the ranges of the flotation controller simulator.
class Flotation {
public:
    static const char* const kColumns;
    Flotation();
    void Resume(const Stored& row);
    Minute Step(long long minute, Random& r, long long quietAfter);

private:
    Walk plf_{120, 120, 0.05, 1.5, 80, 160}, rvf_{450, 450, 0.05, 6, 350, 550}, sof_{72.5, 72.5, 0.05, 0.3, 65, 80};
    double zrrs_ = 3000, zrrp_ = 220, urs_ = 64, urp_ = 58;
    int autoS_ = 1, autoP_ = 1;
    bool running_ = true;
    Outage stops_{0.5, 20, 60};
};

// A belt scale (belt_386_2 / belt_401): load about the Vision simulator's rate, the kilogram counter
// and the minute's mass.
class Belt {
public:
    static const char* const kColumns;
    Belt(std::string name, double rate, double counterKg);
    void Resume(const Stored& row);
    Minute Step(long long minute, Random& r, long long quietAfter);
    std::string Table() const { return "belt_" + name_; }
    double Counter() const { return counter_; }

private:
    std::string name_;
    Walk tnk_;
    double counter_;
    Outage stops_{1.5, 10, 45};
};

// The hydrosizer (pug) about the Vision simulator's values.
class Hydrosizer {
public:
    static const char* const kColumns;
    Hydrosizer();
    void Resume(const Stored& row);
    Minute Step(long long minute, Random& r, long long quietAfter);

private:
    Walk pl2_, rv2_, pl3_, trtw_;
    Outage stops_{0.5, 15, 40};
};

// ---- what the program does -----------------------------------------------------------------------------

// Adds minute rows to every history table from after its newest row (or from `days` days before
// endMinute when it is empty or older than that) up to endMinute, continuing the newest row's values;
// the journals get their lines for the same minutes and the state rows the last values. Rows already
// there stay as they are. The settings tables get their constants and calibration points. Returns a
// line per table saying what was added.
std::vector<std::string> SeedHistory(Db& db, long long endMinute, int days, Random& r);

// The belts' usual loads, t/h (belt 386-2, belt 401). The load swings up to 30 % about them, and
// the belt-load trend's first scale ends at 401 t/h: the swing stays on it.
inline constexpr double kBeltRates[2] = {250, 300};

// The arguments the controller simulators start with so that they continue the newest rows: for
// pufsim "--state COL=V,..." (the newest flotation row), for visionsim "--counters C0,C1" (the newest
// belt counters) and "--belt-rate" with kBeltRates. Empty when the tables hold no row.
struct Handover {
    std::string pufsim;
    std::string visionsim;
};
Handover ReadHandover(Db& db);

// Keeps pu1, pu2, their state rows and journals moving: each Tick writes the minute rows due since
// the last one (one per minute and machine, continuing each table's newest row) and, at most every
// stateSeconds, the state rows. Each Tick is one transaction: a stop between ticks leaves nothing
// half-written.
class JigLive {
public:
    JigLive(Db& db, Random& r, int stateSeconds = 5);
    void Tick(long long nowSecond);
    int StateSeconds() const { return stateSeconds_; }

private:
    Db& db_;
    Random& r_;
    int stateSeconds_;
    std::vector<JigMachine> machines_;
    std::vector<long long> lastMinute_;
    long long lastStateSecond_ = LLONG_MIN;
};

}  // namespace demoseed
