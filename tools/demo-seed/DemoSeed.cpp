#include "tools/demo-seed/DemoSeed.h"

#include "rtl/DateUtils.h"
#include "tools/pufsim/PufSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <tuple>

namespace demoseed {

// ---- database ------------------------------------------------------------------------------------------

Db::Db(const Connection& c) {
    m_ = mysql_init(nullptr);
    if (!m_) throw std::runtime_error("mysql_init failed");
    unsigned timeout = 10;
    mysql_optionsv(m_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_optionsv(m_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (!mysql_real_connect(m_, c.socket.empty() ? c.host.c_str() : "localhost", c.user.c_str(), c.password.c_str(),
                            c.database.c_str(), c.port, c.socket.empty() ? nullptr : c.socket.c_str(), 0)) {
        std::string e = mysql_error(m_);
        mysql_close(m_);
        throw std::runtime_error("cannot connect: " + e);
    }
    Exec("SET SESSION sql_mode=''");
}

Db::~Db() { mysql_close(m_); }

void Db::Exec(const std::string& sql) {
    if (mysql_real_query(m_, sql.data(), sql.size()) != 0)
        throw std::runtime_error(std::string(mysql_error(m_)) + "\nin: " + sql.substr(0, 300));
    if (MYSQL_RES* r = mysql_store_result(m_)) mysql_free_result(r);
}

std::map<std::string, std::string> Db::Row(const std::string& sql) {
    if (mysql_real_query(m_, sql.data(), sql.size()) != 0)
        throw std::runtime_error(std::string(mysql_error(m_)) + "\nin: " + sql.substr(0, 300));
    std::map<std::string, std::string> out;
    MYSQL_RES* r = mysql_store_result(m_);
    if (!r) return out;
    if (MYSQL_ROW row = mysql_fetch_row(r)) {
        MYSQL_FIELD* fields = mysql_fetch_fields(r);
        for (unsigned i = 0; i < mysql_num_fields(r); ++i)
            if (row[i]) out[fields[i].name] = row[i];
    }
    mysql_free_result(r);
    return out;
}

std::string Db::Quote(const std::string& s) {
    std::string out(s.size() * 2 + 3, '\0');
    unsigned long n = mysql_real_escape_string(m_, &out[1], s.data(), s.size());
    out[0] = '\'';
    out[n + 1] = '\'';
    out.resize(n + 2);
    return out;
}

namespace {

// Collects the rows of one table and writes them as multi-row INSERTs; Flush() writes the rest.
class Inserter {
public:
    Inserter(Db& db, const std::string& table, const std::string& columns)
        : db_(db), head_("INSERT INTO " + table + " (" + columns + ") VALUES ") {}
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

std::string num(double v, int decimals) {
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

std::string quoted(const std::string& moment) { return "'" + moment + "'"; }

double get(const Stored& row, const char* column, double fallback) {
    auto it = row.find(column);
    if (it == row.end()) return fallback;
    try {
        return std::stod(it->second);
    } catch (const std::exception&) {
        return fallback;
    }
}

long long floorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int minuteOfDay(long long minute) { return static_cast<int>(minute - floorDiv(minute, 1440) * 1440); }

// The minute counts start at 1970-01-01; the calendar's day numbers at 1899-12-30.
constexpr long long kUnixEpochDay = 25569;

}  // namespace

// ---- time -----------------------------------------------------------------------------------------------

long long NowSecond() {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    const long long day = DateToDayNumber(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) - kUnixEpochDay;
    return (day * 1440 + lt.tm_hour * 60 + lt.tm_min) * 60 + lt.tm_sec;
}

long long NowMinute() { return floorDiv(NowSecond(), 60); }

std::string Stamp(long long minute, int second) {
    const long long day = floorDiv(minute, 1440);
    const int mod = minuteOfDay(minute);
    int y = 0, m = 0, d = 0;
    DayNumberToDate(day + kUnixEpochDay, y, m, d);
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, mod / 60, mod % 60, second);
    return b;
}

bool ParseStamp(const std::string& text, long long& minute) {
    int y, mo, d, h = 0, mi = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    if (n != 3 && n != 5) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59) return false;
    minute = (DateToDayNumber(y, mo, d) - kUnixEpochDay) * 1440 + h * 60 + mi;
    return true;
}

// ---- values -----------------------------------------------------------------------------------------------

double Walk::Step(Random& r, double minutes) {
    value += pull * minutes * (target - value) + noise * std::sqrt(minutes) * r.Gauss();
    value = std::clamp(value, lo, hi);
    return value;
}

bool Outage::Off(long long minute, Random& r, long long quietAfter) {
    if (minute < until) return true;
    if (!r.Chance(perDay / 1440)) return false;
    const int len = r.Int(minLen, maxLen);
    if (minute + len > quietAfter) return false;
    until = minute + len;
    return true;
}

// ---- jig machines ---------------------------------------------------------------------------------------

const char* const JigMachine::kColumns =
    "PostMoment, TPST_1, TPST_2, TPST_3, ZPST_1, ZPST_2, ZPST_3, TIN, TOUT, TPAUSA, KKP, TS_1, TS_2, TS_3, RAB, NRAB";

JigMachine::JigMachine(int machine) : machine_(machine) {
    // The coarse machine carries a deeper bed than the fine one.
    const double base = machine == 1 ? 260 : 210;
    for (int k = 0; k < 3; ++k) {
        setp_[k] = base - 20 * k;
        bed_[k] = Walk{setp_[k], setp_[k], 0.08, 4, 60, 400};
        ts_[k] = Walk{45.0 - 5 * k, 45.0 - 5 * k, 0.05, 2, 5, 95};
    }
    tin_ = Walk{34, 34, 0.1, 0.6, 20, 45};
    tout_ = Walk{36, 36, 0.1, 0.6, 20, 45};
    const double f = machine == 1 ? 52.0 : 58.0;
    kkp_ = Walk{f, f, 0.1, 0.5, 35, 70};
}

void JigMachine::Resume(const Stored& row) {
    static const char* const bed[3] = {"TPST_1", "TPST_2", "TPST_3"};
    static const char* const setp[3] = {"ZPST_1", "ZPST_2", "ZPST_3"};
    static const char* const ts[3] = {"TS_1", "TS_2", "TS_3"};
    running_ = get(row, "RAB", 1) != 0;
    fed_ = running_ && get(row, "NRAB", 1) != 0;
    for (int k = 0; k < 3; ++k) {
        setp_[k] = std::clamp(get(row, setp[k], setp_[k]), 120.0, 340.0);
        bed_[k].value = std::clamp(get(row, bed[k], bed_[k].value), bed_[k].lo, bed_[k].hi);
        if (running_) ts_[k].value = std::clamp(get(row, ts[k], ts_[k].value), ts_[k].lo, ts_[k].hi);
    }
    if (running_) {
        tin_.value = std::clamp(get(row, "TIN", tin_.value), tin_.lo, tin_.hi);
        tout_.value = std::clamp(get(row, "TOUT", tout_.value), tout_.lo, tout_.hi);
        kkp_.value = std::clamp(get(row, "KKP", kkp_.value), kkp_.lo, kkp_.hi);
    }
}

Minute JigMachine::Step(long long minute, Random& r) {
    Minute out;
    const int mod = minuteOfDay(minute);
    if (mod == 7 * 60 || mod == 19 * 60) {
        out.log.emplace_back(Stamp(minute), mod == 7 * 60 ? "Смена №1 принята" : "Смена №2 принята");
        if (r.Chance(0.3))  // the shift sometimes changes a bed-height set-point
            for (double& s : setp_) s = std::clamp(s + 10 * std::round(r.Uniform(-2, 2)), 120.0, 340.0);
    }
    const bool running = !stops_.Off(minute, r);
    const bool fed = running && !feed_.Off(minute, r);
    if (running != running_)
        out.log.emplace_back(Stamp(minute, 12), running ? "Машина запущена" : "Машина остановлена");
    else if (fed != fed_)
        out.log.emplace_back(Stamp(minute, 30), fed ? "Подача питания возобновлена" : "Подача питания прекращена");
    running_ = running;
    fed_ = fed;
    for (int k = 0; k < 3; ++k) {
        bed_[k].target = fed ? setp_[k] : setp_[k] - 40;
        v_[k] = bed_[k].Step(r);
        ts_[k].target = fed ? 45 - 5 * k : 10;
        s_[k] = running ? ts_[k].Step(r) : 0;
    }
    in_ = running ? tin_.Step(r) : 0;
    out_ = running ? tout_.Step(r) : 0;
    freq_ = running ? kkp_.Step(r) : 0;
    out.values = Values(Stamp(minute));
    return out;
}

std::string JigMachine::StateValues(long long second, Random& r, double minutes) {
    if (minutes > 0) {
        for (int k = 0; k < 3; ++k) {
            v_[k] = bed_[k].Step(r, minutes);
            if (running_) s_[k] = ts_[k].Step(r, minutes);
        }
        if (running_) {
            in_ = tin_.Step(r, minutes);
            out_ = tout_.Step(r, minutes);
            freq_ = kkp_.Step(r, minutes);
        }
    }
    return Values(Stamp(floorDiv(second, 60), static_cast<int>(second - floorDiv(second, 60) * 60)));
}

std::string JigMachine::Values(const std::string& moment) const {
    const double pause = running_ ? std::max(0.0, 100 - in_ - out_) : 0;
    return list({quoted(moment), num(v_[0], 1), num(v_[1], 1), num(v_[2], 1), num(setp_[0], 0), num(setp_[1], 0),
                 num(setp_[2], 0), num(in_, 1), num(out_, 1), num(pause, 1), num(freq_, 1), num(s_[0], 1),
                 num(s_[1], 1), num(s_[2], 1), running_ ? "1" : "0", fed_ ? "1" : "0"});
}

// ---- flotation --------------------------------------------------------------------------------------------

const char* const Flotation::kColumns =
    "RecMoment, PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP, F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS";

Flotation::Flotation() = default;

void Flotation::Resume(const Stored& row) {
    // A stopped section shows no flow; its walks keep their targets until the feed comes back.
    running_ = get(row, "RVF", rvf_.value) >= 100;
    plf_.value = std::clamp(get(row, "PLF", plf_.value), plf_.lo, plf_.hi);
    if (running_) {
        rvf_.value = std::clamp(get(row, "RVF", rvf_.value), rvf_.lo, rvf_.hi);
        sof_.value = std::clamp(get(row, "SOF", sof_.value), sof_.lo, sof_.hi);
    }
    zrrs_ = std::clamp(get(row, "ZRRS", zrrs_), 1500.0, 6000.0);
    zrrp_ = std::clamp(get(row, "ZRRP", zrrp_), 120.0, 320.0);
    urs_ = std::clamp(get(row, "URS", urs_), 18.0, 95.0);
    urp_ = std::clamp(get(row, "URP", urp_), 18.0, 95.0);
    autoS_ = get(row, "F1AS", 1) != 0;
    autoP_ = get(row, "F1AP", 1) != 0;
}

Minute Flotation::Step(long long minute, Random& r, long long quietAfter) {
    Minute out;
    const int mod = minuteOfDay(minute);
    const bool running = !stops_.Off(minute, r, quietAfter);
    if (running != running_)
        out.log.emplace_back(Stamp(minute, 5), running ? "Подача пульпы на флотацию возобновлена"
                                                       : "Подача пульпы на флотацию прекращена");
    running_ = running;
    if (mod == 7 * 60 + 30 || mod == 19 * 60 + 30) {  // the shift adjusts the reagent set-points
        zrrs_ = std::clamp(zrrs_ + 250 * std::round(r.Uniform(-2, 2)), 1500.0, 6000.0);
        zrrp_ = std::clamp(zrrp_ + 10 * std::round(r.Uniform(-2, 2)), 120.0, 320.0);
        out.log.emplace_back(Stamp(minute), "Задан удельный расход собирателя " + num(zrrs_, 0) + " мл/т");
    }
    if (r.Chance(1.0 / 1440)) {  // now and then a dosing pump goes to manual and back
        autoS_ = 1 - autoS_;
        out.log.emplace_back(Stamp(minute, 40), autoS_ ? "Дозатор собирателя: автоматический режим"
                                                       : "Дозатор собирателя: ручной режим");
    }
    if (r.Chance(1.0 / 2000)) {
        autoP_ = 1 - autoP_;
        out.log.emplace_back(Stamp(minute, 45), autoP_ ? "Дозатор вспенивателя: автоматический режим"
                                                       : "Дозатор вспенивателя: ручной режим");
    }
    const double pl = plf_.Step(r), rv = running ? rvf_.Step(r) : r.Uniform(0.2, 0.8);
    const double rg = running ? pl * rv / 1000 : 0;
    const double trrs = running ? zrrs_ * rg / 1000 * r.Uniform(0.95, 1.05) : 0;
    const double trrp = running ? zrrp_ * rg / 1000 * r.Uniform(0.95, 1.05) : 0;
    // Tanks of a day's reagent stock run down with the flow and are refilled when low.
    urs_ -= trrs / 60 * 0.012;
    urp_ -= trrp / 60 * 0.25;
    if (urs_ < 20) {
        urs_ = 92;
        out.log.emplace_back(Stamp(minute, 20), "Бак собирателя заправлен");
    }
    if (urp_ < 20) {
        urp_ = 90;
        out.log.emplace_back(Stamp(minute, 25), "Бак вспенивателя заправлен");
    }
    out.values = list({quoted(Stamp(minute)), num(pl, 2), num(rv, 2), num(rg, 2), num(trrs, 2), num(trrp, 2),
                       num(running ? sof_.Step(r) : 0, 2), num(urs_, 2), num(urp_, 2), num(zrrs_, 0), num(zrrp_, 0),
                       std::to_string(autoS_), std::to_string(1 - autoS_), std::to_string(autoP_),
                       std::to_string(1 - autoP_), running ? "1" : "0", running ? "1" : "0",
                       urp_ < 25 ? "1" : "0", urs_ < 25 ? "1" : "0"});
    return out;
}

// ---- belts and hydrosizer -----------------------------------------------------------------------------

const char* const Belt::kColumns = "RecMoment, BKK, TNK, I_1T1, G_1T1";

Belt::Belt(std::string name, double rate, double counterKg)
    : name_(std::move(name)), tnk_{rate, rate, 0.08, rate * 0.03, rate * 0.7, rate * 1.3}, counter_(counterKg) {}

void Belt::Resume(const Stored& row) {
    counter_ = get(row, "I_1T1", counter_);
    const double load = get(row, "TNK", 0);
    if (load > 0) tnk_.value = std::clamp(load, tnk_.lo, tnk_.hi);
}

Minute Belt::Step(long long minute, Random& r, long long quietAfter) {
    const int bkk = stops_.Off(minute, r, quietAfter) ? 0 : 1;
    const double load = bkk ? tnk_.Step(r) : 0;
    const double before = counter_;
    counter_ = std::round(counter_ + load / 60 * 1000);  // the counter totals kilograms
    Minute out;
    out.values = list({quoted(Stamp(minute)), std::to_string(bkk), num(load, 1), num(counter_, 0),
                       num((counter_ - before) * 0.001, 3)});
    return out;
}

const char* const Hydrosizer::kColumns = "RecMoment, PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS";

Hydrosizer::Hydrosizer()
    : pl2_{1250, 1250, 0.05, 12, 1125, 1375},
      rv2_{400, 400, 0.05, 4, 360, 440},
      pl3_{1320, 1320, 0.05, 13, 1190, 1450},
      trtw_{180, 180, 0.05, 2, 162, 198} {}

void Hydrosizer::Resume(const Stored& row) {
    for (auto [walk, column] : {std::pair{&pl2_, "PL2_GS"}, std::pair{&rv2_, "RV2_GS"}, std::pair{&pl3_, "PL3_GS"},
                                std::pair{&trtw_, "TRTW_GS"}}) {
        const double v = get(row, column, 0);
        if (v > 0) walk->value = std::clamp(v, walk->lo, walk->hi);
    }
}

Minute Hydrosizer::Step(long long minute, Random& r, long long quietAfter) {
    const bool running = !stops_.Off(minute, r, quietAfter);
    // The controller delivers whole numbers; the solids load is computed from them.
    const double p2 = std::round(pl2_.Step(r)), v2 = running ? std::round(rv2_.Step(r)) : 0;
    const double p3 = std::round(pl3_.Step(r)), w = running ? std::round(trtw_.Step(r)) : 0;
    Minute out;
    out.values = list({quoted(Stamp(minute)), num(p2, 0), num(v2, 0), num(p3, 0), num(w, 0), num(p2 * v2 * 0.001, 3)});
    return out;
}

// ---- history ----------------------------------------------------------------------------------------------

namespace {

// The table's newest row, and the first minute to add: after that row, but not before `earliest`.
long long FirstMinute(Db& db, const std::string& table, const char* timeColumn, long long earliest, Stored& newest) {
    newest = db.Row("SELECT * FROM " + table + " ORDER BY " + timeColumn + " DESC LIMIT 1");
    long long m = 0;
    if (newest.empty() || !ParseStamp(newest[timeColumn], m)) {
        newest.clear();
        return earliest;
    }
    return std::max(earliest, m + 1);
}

std::string Report(const std::string& table, long long first, long long last) {
    if (last < first) return table + ": up to date";
    return table + ": " + std::to_string(last - first + 1) + " minutes from " + Stamp(first) + " to " + Stamp(last);
}

// Minute rows of one section from `first` to `last` and its journal lines (when it has a journal);
// the last row's values.
template <class Section, class StepFn>
std::string WriteMinutes(Db& db, const std::string& table, const std::string& logTable, const char* columns,
                         long long first, long long last, Section& section, StepFn step) {
    Inserter rows(db, table, columns);
    std::optional<Inserter> log;
    if (!logTable.empty()) log.emplace(db, logTable, "PostMoment, Message");
    std::string lastValues;
    for (long long m = first; m <= last; ++m) {
        Minute minute = step(section, m);
        rows.Row(minute.values);
        if (log)
            for (const auto& [moment, message] : minute.log) log->Row(quoted(moment) + ", " + db.Quote(message));
        lastValues = minute.values;
    }
    rows.Flush();
    if (log) log->Flush();
    return lastValues;
}

// The minutes of a section and then its state row with the last values.
template <class Section, class StepFn>
void AddMinutes(Db& db, const std::string& table, const std::string& stateTable, const std::string& logTable,
                const char* columns, long long first, long long last, Section& section, StepFn step) {
    if (last < first) return;
    const std::string lastValues = WriteMinutes(db, table, logTable, columns, first, last, section, step);
    db.Exec("DELETE FROM " + stateTable);
    db.Exec("INSERT INTO " + stateTable + " (" + columns + ") VALUES (" + lastValues + ")");
}

void SeedBeltLog(Db& db, long long first, long long last) {
    Inserter log(db, "belt_log", "PostMoment, Message");
    // The operator measures the empty belt about every other day, at the start of the day shift.
    Random r(static_cast<std::uint64_t>(first));
    for (long long day = floorDiv(first, 1440); day <= floorDiv(last, 1440); ++day) {
        if (day % 2 != 0) continue;
        const long long m = day * 1440 + 7 * 60 + 40;
        if (m < first || m + 20 > last) continue;
        log.Row(quoted(Stamp(m, 3)) + ", " + db.Quote("Начало измерения веса ленты."));
        if (r.Chance(0.2)) {
            log.Row(quoted(Stamp(m + 6, 41)) + ", " + db.Quote("Измерение веса ленты прервано оператором."));
            continue;
        }
        log.Row(quoted(Stamp(m + 18, 17)) + ", " + db.Quote("Принято новое значение CLK."));
    }
    log.Flush();
}

void SeedSettings(Db& db) {
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
        db.Exec("REPLACE INTO setup (ConstName, ConstVal, Comment) VALUES (" + db.Quote(c.name) + ", " + num(c.value, 3) +
                ", " + db.Quote(c.comment) + ")");

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

std::vector<std::string> SeedHistory(Db& db, long long endMinute, int days, Random& r) {
    const long long earliest = endMinute - static_cast<long long>(days) * 1440 + 1;
    std::vector<std::string> report;
    Stored newest;
    // One section: from after its table's newest row, going on from it, up to the end. The first
    // minute added.
    auto seed = [&](auto& section, const std::string& table, const char* timeColumn, const std::string& stateTable,
                    const std::string& logTable, const char* columns, auto step) {
        const long long first = FirstMinute(db, table, timeColumn, earliest, newest);
        if (!newest.empty()) section.Resume(newest);
        AddMinutes(db, table, stateTable, logTable, columns, first, endMinute, section, step);
        report.push_back(Report(table, first, endMinute));
        return first;
    };
    // The sections the simulators take over at the end are running then.
    auto untilTheEnd = [&](auto& section, long long m) { return section.Step(m, r, endMinute); };
    db.InTransaction([&] {
        for (int machine = 1; machine <= 2; ++machine) {
            JigMachine jig(machine);
            seed(jig, jig.Table(), "PostMoment", jig.Table() + "_state", jig.Table() + "_log", JigMachine::kColumns,
                 [&](JigMachine& s, long long m) { return s.Step(m, r); });
        }
        Flotation flot;
        seed(flot, "puf_data", "RecMoment", "puf_state", "puf_log", Flotation::kColumns, untilTheEnd);
        long long beltFirst = endMinute + 1;
        for (auto [name, rate, counter] :
             {std::tuple{"386_2", kBeltRates[0], 48'250'000.0}, std::tuple{"401", kBeltRates[1], 21'730'000.0}}) {
            Belt belt(name, rate, counter);
            beltFirst = std::min(beltFirst, seed(belt, belt.Table(), "RecMoment", belt.Table() + "_state", "",
                                                 Belt::kColumns, untilTheEnd));
        }
        SeedBeltLog(db, beltFirst, endMinute);
        Hydrosizer pug;
        seed(pug, "pug", "RecMoment", "pug_state", "", Hydrosizer::kColumns, untilTheEnd);
        SeedSettings(db);
    });
    return report;
}

// ---- handover ---------------------------------------------------------------------------------------------

namespace {

// A number as the simulators' command lines take it: plain decimal, no exponent.
std::string plain(double v) {
    std::string s = num(v, 4);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

}  // namespace

Handover ReadHandover(Db& db) {
    Handover h;
    const Stored flot = db.Row("SELECT * FROM puf_data ORDER BY RecMoment DESC LIMIT 1");
    if (!flot.empty()) {
        std::string pairs;
        for (const pufsim::StateValue& c : pufsim::DefaultState()) {
            auto it = flot.find(c.column);
            if (it == flot.end()) continue;
            pairs += (pairs.empty() ? "" : ",") + c.column + "=" + plain(get(flot, c.column.c_str(), c.value));
        }
        if (!pairs.empty()) h.pufsim = "--state " + pairs;
    }
    std::string counters;
    for (const char* table : {"belt_386_2", "belt_401"}) {
        const Stored belt = db.Row(std::string("SELECT I_1T1 FROM ") + table + " ORDER BY RecMoment DESC LIMIT 1");
        if (belt.empty()) return h;
        // The controller's counter is a 32-bit register that wraps.
        const auto kg = static_cast<std::int64_t>(std::llround(get(belt, "I_1T1", 0)));
        counters += (counters.empty() ? "" : ",") +
                    std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(kg))));
    }
    h.visionsim = "--counters " + counters + " --belt-rate " + plain(kBeltRates[0]) + "," + plain(kBeltRates[1]);
    return h;
}

// ---- live ---------------------------------------------------------------------------------------------------

JigLive::JigLive(Db& db, Random& r, int stateSeconds) : db_(db), r_(r), stateSeconds_(std::max(1, stateSeconds)) {
    for (int machine = 1; machine <= 2; ++machine) {
        machines_.emplace_back(machine);
        const Stored newest = db.Row("SELECT * FROM " + machines_.back().Table() + " ORDER BY PostMoment DESC LIMIT 1");
        long long m = 0;
        if (!newest.empty() && ParseStamp(newest.at("PostMoment"), m)) {
            machines_.back().Resume(newest);
            lastMinute_.push_back(m);
        } else {
            lastMinute_.push_back(NowMinute() - 1);
        }
    }
}

void JigLive::Tick(long long nowSecond) {
    const long long minute = floorDiv(nowSecond, 60);
    db_.InTransaction([&] {
        for (std::size_t i = 0; i < machines_.size(); ++i) {
            JigMachine& jig = machines_[i];
            // The minutes since the newest row, a week at most.
            const long long first = std::max(lastMinute_[i] + 1, minute - 7 * 1440 + 1);
            if (first > minute) continue;
            WriteMinutes(db_, jig.Table(), jig.Table() + "_log", JigMachine::kColumns, first, minute, jig,
                         [&](JigMachine& s, long long m) { return s.Step(m, r_); });
            lastMinute_[i] = minute;
        }
        if (lastStateSecond_ == LLONG_MIN || nowSecond - lastStateSecond_ >= stateSeconds_) {
            const double minutes = lastStateSecond_ == LLONG_MIN ? 0 : (nowSecond - lastStateSecond_) / 60.0;
            for (JigMachine& jig : machines_) {
                db_.Exec("DELETE FROM " + jig.Table() + "_state");
                db_.Exec("INSERT INTO " + jig.Table() + "_state (" + JigMachine::kColumns + ") VALUES (" +
                         jig.StateValues(nowSecond, r_, std::min(minutes, 1.0)) + ")");
            }
            lastStateSecond_ = nowSecond;
        }
    });
}

}  // namespace demoseed
