// demo-seed: fills a history database with plausible plant history for the demo, realistic tests and
// benchmarks.
//
//   demo-seed [--host H] [--port P] [--socket S] [--user U] [--password W] [--database D]
//             [--days N] [--end "yyyy-mm-dd hh:nn"]
//
// One row a minute for the jig machines, the flotation section, both belt scales and the hydrosizer, from
// N days (default 7) before the end time (default: now, to the minute) up to it, so every shift boundary
// (07:00 and 19:00) of those days has rows on both sides; the state tables get the values of the last
// minute, the journals a few entries a day, and the settings tables their constants and calibration
// points. The run replaces what the tables held in that time range, so it can be repeated. Values stay
// within the ranges the screens' scales are made for and move like process values do: slowly, with
// stops, feed interruptions and reagent-tank refills. The generator is seeded with a fixed number, so two
// runs with the same end time write the same rows.
#include "rtl/DateUtils.h"

#include <mysql.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string host = "127.0.0.1";
    unsigned port = 0;
    std::string socket;
    std::string user = "root";
    std::string password;
    std::string database = "vestra";
    int days = 7;
    long long endMinute = -1;  // minutes since 1970-01-01 in local civil time; -1: now
};

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "demo-seed: %s\n"
                 "usage: demo-seed [--host H] [--port P] [--socket S] [--user U] [--password W] [--database D]\n"
                 "                 [--days N] [--end \"yyyy-mm-dd hh:nn\"]\n",
                 why);
    std::exit(2);
}

// The minute counts start at 1970-01-01; the calendar's day numbers at 1899-12-30.
constexpr long long kUnixEpochDay = 25569;

long long daysFromCivil(int y, int m, int d) { return DateToDayNumber(y, m, d) - kUnixEpochDay; }

void civilFromDays(long long z, int& y, int& m, int& d) { DayNumberToDate(z + kUnixEpochDay, y, m, d); }

// "yyyy-mm-dd hh:nn:ss" of a local minute count plus seconds.
std::string stamp(long long minute, int sec = 0) {
    long long day = minute >= 0 ? minute / 1440 : -((-minute + 1439) / 1440);
    int mod = static_cast<int>(minute - day * 1440);
    int y, m, d;
    civilFromDays(day, y, m, d);
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, mod / 60, mod % 60, sec);
    return b;
}

int minuteOfDay(long long minute) { return static_cast<int>(((minute % 1440) + 1440) % 1440); }

long long nowMinute() {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    return daysFromCivil(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) * 1440 +
           lt.tm_hour * 60 + lt.tm_min;
}

bool parseEnd(const char* s, long long& out) {
    int y, mo, d, h = 0, mi = 0;
    int n = std::sscanf(s, "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    if (n != 3 && n != 5) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59) return false;
    out = daysFromCivil(y, mo, d) * 1440 + h * 60 + mi;
    return true;
}

Options parseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage(("missing value after " + a).c_str());
            return argv[++i];
        };
        if (a == "--host") o.host = value();
        else if (a == "--port") o.port = static_cast<unsigned>(std::atoi(value()));
        else if (a == "--socket") o.socket = value();
        else if (a == "--user") o.user = value();
        else if (a == "--password") o.password = value();
        else if (a == "--database") o.database = value();
        else if (a == "--days") {
            o.days = std::atoi(value());
            if (o.days < 1 || o.days > 3660) usage("--days must be 1..3660");
        } else if (a == "--end") {
            if (!parseEnd(value(), o.endMinute)) usage("--end must read \"yyyy-mm-dd hh:nn\"");
        } else if (a == "--help" || a == "-h") usage("fills a database with demo history");
        else usage(("unknown option " + a).c_str());
    }
    if (o.endMinute < 0) o.endMinute = nowMinute();
    return o;
}

// ---- database ----------------------------------------------------------------------------------------

class Db {
public:
    explicit Db(const Options& o) {
        m_ = mysql_init(nullptr);
        if (!m_) throw std::runtime_error("mysql_init failed");
        unsigned timeout = 10;
        mysql_optionsv(m_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        mysql_optionsv(m_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        if (!mysql_real_connect(m_, o.socket.empty() ? o.host.c_str() : "localhost", o.user.c_str(), o.password.c_str(),
                                o.database.c_str(), o.port, o.socket.empty() ? nullptr : o.socket.c_str(), 0)) {
            std::string e = mysql_error(m_);
            mysql_close(m_);
            throw std::runtime_error("cannot connect: " + e);
        }
        Exec("SET SESSION sql_mode=''");
    }
    ~Db() { mysql_close(m_); }

    void Exec(const std::string& sql) {
        if (mysql_real_query(m_, sql.data(), sql.size()) != 0)
            throw std::runtime_error(std::string(mysql_error(m_)) + "\nin: " + sql.substr(0, 300));
        if (MYSQL_RES* r = mysql_store_result(m_)) mysql_free_result(r);
    }

    // A quoted literal of a text made by this program (journal texts), escaped for the connection.
    std::string Quote(const std::string& s) {
        std::string out(s.size() * 2 + 3, '\0');
        unsigned long n = mysql_real_escape_string(m_, &out[1], s.data(), s.size());
        out[0] = '\'';
        out[n + 1] = '\'';
        out.resize(n + 2);
        return out;
    }

private:
    MYSQL* m_;
};

// Collects the rows of one table and writes them as multi-row INSERTs; Flush() writes the rest.
class Inserter {
public:
    Inserter(Db& db, std::string table, std::string columns) : db_(db), head_("INSERT INTO " + table + " (" + columns + ") VALUES ") {}

    void Row(const std::string& values) {
        if (!buf_.empty()) buf_ += ",";
        buf_ += "(" + values + ")";
        if (++rows_ >= 1000) Flush();
    }
    void Flush() {
        if (rows_ == 0) return;
        db_.Exec(head_ + buf_);
        buf_.clear();
        rows_ = 0;
    }

private:
    Db& db_;
    std::string head_;
    std::string buf_;
    int rows_ = 0;
};

std::string num(double v, int decimals = 3) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string list(std::initializer_list<std::string> parts) {
    std::string s;
    for (const std::string& p : parts) {
        if (!s.empty()) s += ", ";
        s += p;
    }
    return s;
}

// ---- value generators ----------------------------------------------------------------------------

std::mt19937_64 rng(20100315);

double gauss() {
    static std::normal_distribution<double> n(0.0, 1.0);
    return n(rng);
}

double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }

// A process value: drifts back to its target with some noise, within limits.
struct Walk {
    double value, target, pull, noise, lo, hi;
    double Step() {
        value += pull * (target - value) + noise * gauss();
        value = std::clamp(value, lo, hi);
        return value;
    }
};

// Stretches of time in which something is off (a stop, a feed interruption): a few a day at random.
struct Outages {
    std::vector<std::pair<long long, long long>> spans;  // [from, to) in minutes
    Outages(long long start, long long end, double perDay, int minLen, int maxLen) {
        long long t = start;
        std::exponential_distribution<double> gap(perDay / 1440.0);
        while (true) {
            t += static_cast<long long>(gap(rng)) + 1;
            if (t >= end) break;
            long long len = std::uniform_int_distribution<int>(minLen, maxLen)(rng);
            spans.emplace_back(t, t + len);
            t += len;
        }
    }
    bool Contains(long long m) const {
        for (const auto& s : spans)
            if (m >= s.first && m < s.second) return true;
        return false;
    }
};

// ---- the tables ----------------------------------------------------------------------------------

struct Range {
    long long first, last;  // minutes, inclusive
};

void clearRange(Db& db, const char* table, const char* column, const Range& r) {
    db.Exec(std::string("DELETE FROM ") + table + " WHERE " + column + " >= '" + stamp(r.first) + "' AND " + column +
            " <= '" + stamp(r.last, 59) + "'");
}

void seedJig(Db& db, const Range& r, int machine) {
    std::string t = "pu" + std::to_string(machine);
    clearRange(db, t.c_str(), "PostMoment", r);
    clearRange(db, (t + "_log").c_str(), "PostMoment", r);
    db.Exec("DELETE FROM " + t + "_state");

    // Coarse machine carries a deeper bed than the fine one; set-points change now and then.
    double base = machine == 1 ? 260 : 210;
    Walk bed[3] = {{base, base, 0.08, 4, 60, 400}, {base - 20, base - 20, 0.08, 4, 60, 400}, {base - 40, base - 40, 0.08, 4, 60, 400}};
    double setp[3] = {base, base - 20, base - 40};
    Walk tin{34, 34, 0.1, 0.6, 20, 45}, tout{36, 36, 0.1, 0.6, 20, 45};
    Walk kkp{machine == 1 ? 52.0 : 58.0, machine == 1 ? 52.0 : 58.0, 0.1, 0.5, 35, 70};
    Walk ts[3] = {{45, 45, 0.05, 2, 5, 95}, {40, 40, 0.05, 2, 5, 95}, {35, 35, 0.05, 2, 5, 95}};
    Outages stops(r.first, r.last + 1, 0.7, 15, 50);
    Outages feed(r.first, r.last + 1, 2.5, 5, 25);

    const std::string cols = "PostMoment, TPST_1, TPST_2, TPST_3, ZPST_1, ZPST_2, ZPST_3, TIN, TOUT, TPAUSA, KKP, TS_1, TS_2, TS_3, RAB, NRAB";
    Inserter rows(db, t, cols);
    Inserter log(db, t + "_log", "PostMoment, Message");
    std::string last;
    bool wasRunning = true, wasFed = true;
    for (long long m = r.first; m <= r.last; ++m) {
        int mod = minuteOfDay(m);
        if (mod == 7 * 60 || mod == 19 * 60) {
            log.Row(list({"'" + stamp(m) + "'", db.Quote(mod == 7 * 60 ? "Смена №1 принята" : "Смена №2 принята")}));
            if (uniform(0, 1) < 0.3)  // the shift sometimes changes a bed-height set-point
                for (double& s : setp) s = std::clamp(s + 10 * std::round(uniform(-2, 2)), 120.0, 340.0);
        }
        bool running = !stops.Contains(m);
        bool fed = running && !feed.Contains(m);
        if (running != wasRunning)
            log.Row(list({"'" + stamp(m, 12) + "'", db.Quote(running ? "Машина запущена" : "Машина остановлена")}));
        if (fed != wasFed && running == wasRunning)
            log.Row(list({"'" + stamp(m, 30) + "'", db.Quote(fed ? "Подача питания возобновлена" : "Подача питания прекращена")}));
        wasRunning = running;
        wasFed = fed;

        double v[3], z[3], s[3];
        for (int k = 0; k < 3; ++k) {
            bed[k].target = fed ? setp[k] : setp[k] - 40;
            v[k] = bed[k].Step();
            z[k] = setp[k];
            ts[k].target = fed ? 45 - 5 * k : 10;
            s[k] = running ? ts[k].Step() : 0;
        }
        double in = running ? tin.Step() : 0, out = running ? tout.Step() : 0;
        double pause = running ? std::max(0.0, 100 - in - out) : 0;
        double freq = running ? kkp.Step() : 0;
        std::string vals = list({"'" + stamp(m) + "'", num(v[0], 1), num(v[1], 1), num(v[2], 1), num(z[0], 0), num(z[1], 0),
                                 num(z[2], 0), num(in, 1), num(out, 1), num(pause, 1), num(freq, 1), num(s[0], 1), num(s[1], 1),
                                 num(s[2], 1), running ? "1" : "0", fed ? "1" : "0"});
        rows.Row(vals);
        last = vals;
    }
    rows.Flush();
    log.Flush();
    db.Exec("INSERT INTO " + t + "_state (" + cols + ") VALUES (" + last + ")");
}

void seedFlotation(Db& db, const Range& r) {
    clearRange(db, "puf_data", "RecMoment", r);
    clearRange(db, "puf_log", "PostMoment", r);
    db.Exec("DELETE FROM puf_state");

    Walk plf{140, 140, 0.05, 3, 60, 260}, rvf{520, 520, 0.05, 10, 250, 900}, sof{72, 72, 0.05, 0.4, 55, 85};
    double zrrs = 3500, zrrp = 180, urs = 85, urp = 80;
    int autoS = 1, autoP = 1;
    Outages stops(r.first, r.last + 1, 0.5, 20, 60);

    const std::string cols = "RecMoment, PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP, F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS";
    Inserter rows(db, "puf_data", cols);
    Inserter log(db, "puf_log", "PostMoment, Message");
    std::string last;
    bool wasRunning = true;
    for (long long m = r.first; m <= r.last; ++m) {
        int mod = minuteOfDay(m);
        bool running = !stops.Contains(m);
        if (running != wasRunning)
            log.Row(list({"'" + stamp(m, 5) + "'", db.Quote(running ? "Подача пульпы на флотацию возобновлена" : "Подача пульпы на флотацию прекращена")}));
        wasRunning = running;
        if (mod == 7 * 60 + 30 || mod == 19 * 60 + 30) {  // the shift adjusts the reagent set-points
            zrrs = std::clamp(zrrs + 250 * std::round(uniform(-2, 2)), 1500.0, 8000.0);
            zrrp = std::clamp(zrrp + 10 * std::round(uniform(-2, 2)), 60.0, 380.0);
            log.Row(list({"'" + stamp(m) + "'", db.Quote("Задан удельный расход собирателя " + num(zrrs, 0) + " мл/т")}));
        }
        if (uniform(0, 1) < 1.0 / 1440) {  // now and then a dosing pump goes to manual and back
            autoS = 1 - autoS;
            log.Row(list({"'" + stamp(m, 40) + "'", db.Quote(autoS ? "Дозатор собирателя: автоматический режим" : "Дозатор собирателя: ручной режим")}));
        }
        if (uniform(0, 1) < 1.0 / 2000) {
            autoP = 1 - autoP;
            log.Row(list({"'" + stamp(m, 45) + "'", db.Quote(autoP ? "Дозатор вспенивателя: автоматический режим" : "Дозатор вспенивателя: ручной режим")}));
        }
        double pl = plf.Step(), rv = running ? rvf.Step() : uniform(0.2, 0.8);
        double rg = running ? pl * rv * 0.001 : 0;
        double trrs = running ? zrrs * rg / 1000 * uniform(0.95, 1.05) : 0;
        double trrp = running ? zrrp * rg / 1000 * uniform(0.95, 1.05) : 0;
        // Tanks of a day's reagent stock run down with the flow and are refilled when low.
        urs -= trrs / 60 * 0.012;
        urp -= trrp / 60 * 0.25;
        if (urs < 18) {
            urs = 92;
            log.Row(list({"'" + stamp(m, 20) + "'", db.Quote("Бак собирателя заправлен")}));
        }
        if (urp < 18) {
            urp = 90;
            log.Row(list({"'" + stamp(m, 25) + "'", db.Quote("Бак вспенивателя заправлен")}));
        }
        int alarmS = urs < 25, alarmP = urp < 25;
        std::string vals = list({"'" + stamp(m) + "'", num(pl, 1), num(rv, 1), num(rg, 2), num(trrs, 1), num(trrp, 2),
                                 num(running ? sof.Step() : 0, 1), num(urs, 1), num(urp, 1), num(zrrs, 0), num(zrrp, 0),
                                 std::to_string(autoS), std::to_string(1 - autoS), std::to_string(autoP),
                                 std::to_string(1 - autoP), running ? "1" : "0", running ? "1" : "0",
                                 std::to_string(alarmP), std::to_string(alarmS)});
        rows.Row(vals);
        last = vals;
    }
    rows.Flush();
    log.Flush();
    db.Exec("INSERT INTO puf_state (" + cols + ") VALUES (" + last + ")");
}

void seedBelt(Db& db, const Range& r, const std::string& name, double load, double counterKg) {
    std::string t = "belt_" + name;
    clearRange(db, t.c_str(), "RecMoment", r);
    db.Exec("DELETE FROM " + t + "_state");
    Walk tnk{load, load, 0.08, load * 0.03, 0, 400};
    Outages stops(r.first, r.last + 1, 1.5, 10, 45);
    Inserter rows(db, t, "RecMoment, BKK, TNK, I_1T1, G_1T1");
    double counter = counterKg;
    int bkk = 1;
    double tn = 0, g = 0;
    for (long long m = r.first; m <= r.last; ++m) {
        bkk = stops.Contains(m) ? 0 : 1;
        tn = bkk ? tnk.Step() : 0;
        double before = counter;
        counter = std::round(counter + tn / 60 * 1000);  // the counter totals kilograms
        g = (counter - before) * 0.001;
        rows.Row(list({"'" + stamp(m) + "'", std::to_string(bkk), num(tn, 1), num(counter, 0), num(g, 3)}));
    }
    rows.Flush();
    db.Exec("INSERT INTO " + t + "_state (RecMoment, BKK, I_1T1, TNK, G_1T1) VALUES ('" + stamp(r.last) + "', " +
            std::to_string(bkk) + ", " + num(counter, 0) + ", " + num(tn, 1) + ", " + num(g, 3) + ")");
}

void seedBeltLog(Db& db, const Range& r) {
    clearRange(db, "belt_log", "PostMoment", r);
    Inserter log(db, "belt_log", "PostMoment, Message");
    // The operator measures the empty belt about every other day, usually at the start of the day shift.
    for (long long day = r.first / 1440; day <= r.last / 1440; day += 2) {
        long long m = day * 1440 + 7 * 60 + 40;
        if (m < r.first || m + 20 > r.last) continue;
        log.Row(list({"'" + stamp(m, 3) + "'", db.Quote("Начало измерения веса ленты.")}));
        if (uniform(0, 1) < 0.2) {
            log.Row(list({"'" + stamp(m + 6, 41) + "'", db.Quote("Измерение веса ленты прервано оператором.")}));
            continue;
        }
        log.Row(list({"'" + stamp(m + 18, 17) + "'", db.Quote("Принято новое значение CLK.")}));
    }
    log.Flush();
}

void seedHydrosizer(Db& db, const Range& r) {
    clearRange(db, "pug", "RecMoment", r);
    db.Exec("DELETE FROM pug_state");
    Walk pl2{420, 420, 0.05, 6, 150, 600}, rv2{62, 62, 0.05, 1.5, 10, 100}, pl3{180, 180, 0.05, 4, 50, 400};
    Walk trtw{48, 48, 0.05, 1.2, 5, 100};
    Outages stops(r.first, r.last + 1, 0.5, 15, 40);
    const std::string cols = "RecMoment, PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS";
    Inserter rows(db, "pug", cols);
    std::string last;
    for (long long m = r.first; m <= r.last; ++m) {
        bool running = !stops.Contains(m);
        // The controller delivers whole numbers; the solids load is computed from them.
        double p2 = std::round(pl2.Step()), v2 = running ? std::round(rv2.Step()) : 0;
        double p3 = std::round(pl3.Step()), w = running ? std::round(trtw.Step()) : 0;
        std::string vals = list({"'" + stamp(m) + "'", num(p2, 0), num(v2, 0), num(p3, 0), num(w, 0), num(p2 * v2 * 0.001, 3)});
        rows.Row(vals);
        last = vals;
    }
    rows.Flush();
    db.Exec("INSERT INTO pug_state (" + cols + ") VALUES (" + last + ")");
}

void seedSettings(Db& db) {
    struct Const {
        const char* name;
        double value;
        const char* comment;
    };
    const Const consts[] = {
        {"BELT_386_2_KP", 1000, "Коэффициент весов конвейера 386-2"},
        {"BELT_401_KP", 1000, "Коэффициент весов конвейера 401"},
        {"GS_PL2_MAX", 600, "Максимальная плотность концентрата гидросайзера, г/л"},
        {"GS_RV2_MAX", 100, "Максимальный объемный расход концентрата гидросайзера, м3/ч"},
        {"PUF_PLF_MAX", 300, "Максимальная плотность исходной пульпы флотации, г/л"},
        {"PUF_RVF_MAX", 1000, "Максимальный расход исходной пульпы флотации, м3/ч"},
        {"PUF_ZRRP_DEF", 180, "Удельный расход вспенивателя по умолчанию, мл/т"},
        {"PUF_ZRRS_DEF", 3500, "Удельный расход собирателя по умолчанию, мл/т"},
        {"PU_KKP_MAX", 125, "Максимальная частота колебаний отсадочной машины, колеб./мин"},
        {"PU_TPST_MAX", 400, "Максимальная высота постели отсадочной машины, мм"},
    };
    for (const Const& c : consts)
        db.Exec("REPLACE INTO setup (ConstName, ConstVal, Comment) VALUES (" + db.Quote(c.name) + ", " + num(c.value, 3) + ", " +
                db.Quote(c.comment) + ")");

    // Two-point calibration of every signal of both machines: raw converter counts to physical values.
    // The dialog stores the last signal name with a trailing blank, so the seeded rows do the same.
    struct Signal {
        const char* name;
        double full;
    };
    const Signal signals[] = {{"TPST_1", 400}, {"TPST_2", 400}, {"TPST_3", 400}, {"ZPST_1", 400}, {"ZPST_2", 400},
                              {"ZPST_3", 400}, {"TIN", 100},    {"TOUT", 100},   {"TPAUSA", 100}, {"KKP", 125},
                              {"TS_1", 100},   {"TS_2", 100},   {"TS_3 ", 100}};
    db.Exec("DELETE FROM kalibr");
    Inserter rows(db, "kalibr", "PultIndex, SignalName, AVal, FVal");
    for (int machine = 1; machine <= 2; ++machine)
        for (const Signal& s : signals) {
            rows.Row(list({std::to_string(machine), db.Quote(s.name), "0", "0"}));
            rows.Row(list({std::to_string(machine), db.Quote(s.name), "4095", num(s.full, 1)}));
        }
    rows.Flush();
}

}  // namespace

int main(int argc, char** argv) {
    Options o = parseArgs(argc, argv);
    Range r{o.endMinute - static_cast<long long>(o.days) * 1440 + 1, o.endMinute};
    try {
        Db db(o);
        db.Exec("START TRANSACTION");
        seedJig(db, r, 1);
        seedJig(db, r, 2);
        seedFlotation(db, r);
        seedBelt(db, r, "386_2", 260, 48'250'000);
        seedBelt(db, r, "401", 170, 21'730'000);
        seedBeltLog(db, r);
        seedHydrosizer(db, r);
        seedSettings(db);
        db.Exec("COMMIT");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo-seed: %s\n", e.what());
        return 1;
    }
    std::printf("demo-seed: %d days of history from %s to %s\n", o.days, stamp(r.first).c_str(), stamp(r.last).c_str());
    return 0;
}
