#include "tools/pufsim/PufSimulator.h"

#include "rtl/AnsiString.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pufsim {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr Days kUnixEpochDays = 25569.0;  // 1970-01-01 as a day count
// Two identical lines closer than this belong to one read of the station (a TCP resend).
constexpr milliseconds kDuplicateWindow{4500};
constexpr std::size_t kMaxLineBytes = 65536;
constexpr milliseconds kSplitGap{100};
constexpr milliseconds kTrickleGap{50};
// "Kelvaron query server" CR NUL: the greeting of the plant's socket query servers.
const std::string kBanner = std::string("Kelvaron query server\r") + '\0';

struct ColumnDefault {
    const char* name;
    double value;
    bool flag;
};

// The value and flag columns of puf_state / puf_data, in table order, with the values of a
// plausible running plant (collector and frother dosed automatically).
constexpr ColumnDefault kColumns[] = {
    {"PLF", 120.0, false},  {"RVF", 450.0, false},  {"RGF", 54.0, false},  {"TRRS", 35.1, false},
    {"TRRP", 11.88, false}, {"SOF", 72.5, false},   {"URS", 64.0, false},  {"URP", 58.0, false},
    {"ZRRS", 650.0, false}, {"ZRRP", 220.0, false}, {"F1AS", 1, true},     {"F1RS", 0, true},
    {"F1AP", 1, true},      {"F1RP", 0, true},      {"DSF1", 1, true},     {"DPF1", 1, true},
    {"ALARMP", 0, true},    {"ALARMS", 0, true},
};

std::string Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return std::string(s);
}

// A plain decimal number: optional sign, digits, optional point and digits. No exponent, no
// thousands separator; a comma is taken as the point only when lenient.
bool ParseDecimal(std::string_view text, bool lenient, double& out) {
    std::string s = Trim(text);
    if (lenient) std::replace(s.begin(), s.end(), ',', '.');
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0, points = 0;
    for (std::size_t j = i; j < s.size(); ++j) {
        if (s[j] >= '0' && s[j] <= '9') ++digits;
        else if (s[j] == '.') ++points;
        else return false;
    }
    if (digits == 0 || points > 1) return false;
    const std::size_t start = (i > 0 && s[0] == '+') ? 1 : 0;
    auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + s.size(), out, std::chars_format::fixed);
    return ec == std::errc() && ptr == s.data() + s.size();
}

bool ParseInt(std::string_view text, int& out) {
    const std::string s = Trim(text);
    if (s.empty()) return false;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size();
}

// Wire bytes made readable for the action lines.
std::string Printable(std::string_view wire) {
    const std::string utf8 = Cp1251ToUtf8(wire);
    std::string out;
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (b < 0x20 || b == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else out += c;
    }
    return out;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::None: return "none";
        case Fault::Silence: return "silence";
        case Fault::Delay: return "delay";
        case Fault::Garble: return "garble";
        case Fault::BadChecksum: return "checksum";
        case Fault::LowerCaseChecksum: return "lower-case-checksum";
        case Fault::Refuse: return "refuse";
        case Fault::StaleLine: return "stale-line";
        case Fault::Split: return "split";
        case Fault::Trickle: return "trickle";
        case Fault::Drop: return "drop";
    }
    return "?";
}

std::vector<StateValue> DefaultState() {
    std::vector<StateValue> out;
    for (const auto& c : kColumns) out.push_back({c.name, c.value, c.flag});
    return out;
}

Days LocalNow() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm lt{};
    ::localtime_r(&ts.tv_sec, &lt);
    const double secs = static_cast<double>(ts.tv_sec + lt.tm_gmtoff) + ts.tv_nsec / 1e9;
    return kUnixEpochDays + secs / 86400.0;
}

std::string FormatMoment(Days moment) {
    const auto secs = static_cast<std::time_t>(std::llround((moment - kUnixEpochDays) * 86400.0));
    std::tm t{};
    ::gmtime_r(&secs, &t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

std::string FormatNumber(double value) {
    if (!std::isfinite(value)) return "0.0";
    if (value == 0) value = 0;  // no "-0"
    char buf[512];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0.0";
    std::string s(buf, ptr);
    if (s.find('.') == std::string::npos) s += ".0";
    return s;
}

// ------------------------------------------------------------------------------------------------

struct PufSimulator::Impl {
    struct Conn {
        int fd = -1;
        int id = 0;
        Transport transport = Transport::Pty;
        std::string in;
        std::string out;
        std::string lastRaw;
        SteadyClock::time_point lastAt{};
    };
    struct Pending {
        SteadyClock::time_point due;
        std::uint64_t seq = 0;
        int conn = 0;
        std::string bytes;
    };
    struct Injected {
        Fault fault;
        int remaining;
        std::string word;
    };
    struct Override {
        std::string word;
        std::string bytes;  // payload (UTF-8) or raw line (wire bytes)
        bool raw = false;
        int remaining = 0;
    };
    struct Outcome {
        bool ok = true;
        std::string payload;  // UTF-8
        std::string reason;
    };

    mutable std::mutex mu;

    // I/O
    std::thread thread;
    bool stopRequested = false;
    int wakeRead = -1, wakeWrite = -1;
    int masterFd = -1, slaveFd = -1, listenFd = -1;
    std::string slavePath;
    int tcpPort = 0;
    std::map<int, Conn> conns;  // 0 = the pty
    int nextConnId = 1;
    int connectionsAccepted = 0;
    std::vector<Pending> pending;
    std::uint64_t seq = 0;
    std::string lastError;

    // behaviour
    milliseconds replyDelay{20};
    std::optional<milliseconds> faultDelay;
    ReplyStyle style;
    bool crlf = false, banner = false, lenient = false, badCrcRefusal = false, verbose = false;
    std::size_t historyLimit = 0;

    // faults
    std::mt19937_64 rng{1};
    FaultRates rates;
    std::deque<Injected> injected;
    std::map<std::string, Fault> persistent;
    bool silentPty = false, silentTcp = false;
    std::deque<Override> overrides;

    // the controller
    std::vector<StateValue> state;
    Days clockOffset = 0;
    bool clockRunning = true;
    Days clockStoppedAt = 0;  // the reading while the clock stands
    std::deque<LogEntry> log;
    int nextLogId = 1;
    std::deque<DataRecord> records;
    long long lastAutoSecs = LLONG_MIN;

    // observation
    std::deque<ReceivedLine> lines;
    int lineCount = 0;
    std::map<std::string, int> counts, dupCounts;
    std::map<Fault, int> faultCounts;
    int badCrc = 0, junk = 0, echo = 0;
    std::vector<int> deletedIds;
    std::vector<std::string> saveFlagArgs, acked, setTimeArgs;
    std::vector<SetpointCommand> setpoints;

    // action lines collected under mu, handed to the sink after it is released
    std::vector<std::string> actions;
    std::recursive_mutex sinkMu;
    std::function<void(const std::string&)> sink;

    mutable std::mutex waitMu;
    mutable std::condition_variable waitCv;
    std::uint64_t generation = 0;

    Impl() {
        state = DefaultState();
        int p[2];
        if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) == 0) {
            wakeRead = p[0];
            wakeWrite = p[1];
        }
    }

    ~Impl() {
        CloseFd(wakeRead);
        CloseFd(wakeWrite);
    }

    // ---- plumbing -------------------------------------------------------------------------

    void Act(std::string line) { actions.push_back(std::move(line)); }

    // Hands the collected action lines to the sink in order; never called with mu held.
    void Emit() {
        std::lock_guard<std::recursive_mutex> sl(sinkMu);
        std::vector<std::string> out;
        std::function<void(const std::string&)> s;
        {
            std::lock_guard<std::mutex> l(mu);
            out.swap(actions);
            s = sink;
        }
        if (s)
            for (const auto& a : out) s(a);
    }

    void Changed() {
        {
            std::lock_guard<std::mutex> l(waitMu);
            ++generation;
        }
        waitCv.notify_all();
    }

    void Wake() {
        if (wakeWrite >= 0) {
            const char b = 1;
            [[maybe_unused]] auto n = ::write(wakeWrite, &b, 1);
        }
    }

    void EnsureThreadLocked() {
        if (thread.joinable()) return;
        stopRequested = false;
        thread = std::thread([this] { Loop(); });
    }

    Days ClockLocked() const { return clockRunning ? LocalNow() + clockOffset : clockStoppedAt; }
    void SetClockLocked(Days moment) {
        clockOffset = moment - LocalNow();
        clockStoppedAt = moment;
    }

    StateValue* Column(const std::string& name) {
        for (auto& v : state)
            if (v.column == name) return &v;
        return nullptr;
    }

    std::string ValuesText() const {
        std::string s;
        for (const auto& v : state) {
            s += ',';
            s += v.column;
            s += '=';
            s += v.flag ? std::to_string(std::llround(v.value)) : FormatNumber(v.value);
        }
        return s;
    }

    std::string StateText() const { return "RecMoment='" + FormatMoment(ClockLocked()) + "'" + ValuesText(); }

    void Prune() {
        if (historyLimit == 0) return;
        while (lines.size() > historyLimit) lines.pop_front();
        std::size_t saved = 0;
        for (const auto& r : records) saved += r.saved ? 1 : 0;
        for (auto it = records.begin(); saved > historyLimit && it != records.end();) {
            if (it->saved) {
                it = records.erase(it);
                --saved;
            } else ++it;
        }
    }

    milliseconds FaultDelayFor(Transport t) const {
        if (faultDelay) return *faultDelay;
        return t == Transport::Tcp ? milliseconds(300) : milliseconds(1500);
    }

    // ---- faults ---------------------------------------------------------------------------

    Fault ChooseFault(const Conn& conn, const std::string& word) {
        if (conn.transport == Transport::Pty ? silentPty : silentTcp) return Fault::Silence;
        if (auto it = persistent.find(word); it != persistent.end()) return it->second;
        if (auto it = persistent.find(""); it != persistent.end()) return it->second;
        for (auto it = injected.begin(); it != injected.end(); ++it) {
            if (!it->word.empty() && it->word != word) continue;
            const Fault f = it->fault;
            if (--it->remaining <= 0) injected.erase(it);
            return f;
        }
        const double total = rates.silence + rates.delay + rates.garble + rates.badChecksum + rates.refuse + rates.drop;
        if (total <= 0) return Fault::None;
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        double edge = 0;
        const std::pair<double, Fault> table[] = {
            {rates.silence, Fault::Silence}, {rates.delay, Fault::Delay},   {rates.garble, Fault::Garble},
            {rates.badChecksum, Fault::BadChecksum}, {rates.refuse, Fault::Refuse}, {rates.drop, Fault::Drop},
        };
        for (const auto& [rate, fault] : table) {
            edge += rate;
            if (u < edge) return fault;
        }
        return Fault::None;
    }

    std::optional<Override> TakeOverride(const std::string& word) {
        for (auto it = overrides.begin(); it != overrides.end(); ++it) {
            if (it->word != word) continue;
            Override o = *it;
            if (--it->remaining <= 0) overrides.erase(it);
            return o;
        }
        return std::nullopt;
    }

    // ---- the controller's commands --------------------------------------------------------

    Outcome Execute(const std::string& word, const std::string& arg) {
        if (word == "GetLogRecCount") return {true, std::to_string(log.size()), {}};
        if (word == "GetLogRec") {
            if (log.empty()) return {false, {}, "No log records"};
            const LogEntry& e = log.front();
            return {true, std::to_string(e.id) + "\t" + e.moment + "\t" + e.message, {}};
        }
        if (word == "DeleteLogRec") {
            int id = 0;
            if (!ParseInt(arg, id)) return {false, {}, "Bad record id"};
            auto it = std::find_if(log.begin(), log.end(), [id](const LogEntry& e) { return e.id == id; });
            if (it == log.end()) {
                Act("delete-log " + std::to_string(id) + " (absent)");
            } else {
                log.erase(it);
                deletedIds.push_back(id);
                Act("delete-log " + std::to_string(id));
            }
            return {};
        }
        if (word == "GetStateRec") return {true, StateText(), {}};
        if (word == "GetUnsavedCount") {
            const auto n = std::count_if(records.begin(), records.end(), [](const DataRecord& r) { return !r.saved; });
            return {true, std::to_string(n), {}};
        }
        if (word == "GetUnsavedRecord") {
            for (const auto& r : records)
                if (!r.saved) return {true, r.text, {}};
            return {false, {}, "No unsaved records"};
        }
        if (word == "SetSaveFlag") {
            const std::string key = Trim(arg);
            auto it = std::find_if(records.begin(), records.end(),
                                   [&key](const DataRecord& r) { return !r.saved && r.key == key; });
            if (it == records.end()) {
                Act("ack " + key + " (unknown)");
            } else {
                it->saved = true;
                acked.push_back(key);
                Act("ack " + key);
            }
            return {};
        }
        if (word == "SetTime") {
            double days = 0;
            if (!ParseDecimal(arg, false, days)) return {false, {}, "Bad time"};
            SetClockLocked(days);
            Act("time " + FormatMoment(days));
            return {};
        }
        if (word == "SetTRRS" || word == "SetTRRP" || word == "SetZRRS" || word == "SetZRRP") {
            double v = 0;
            if (!ParseDecimal(arg, lenient, v)) return {false, {}, "Bad value"};
            Column(word.substr(3))->value = v;
            Act("set " + word.substr(3) + " " + FormatNumber(v));
            return {};
        }
        return {false, {}, "Unknown command"};
    }

    // An answer the controller could have given earlier: the station must skip it.
    std::string StaleLine(const std::string& word) {
        if (word == "GetLogRec") return Seal(AnswerBody("GetLogRecCount", std::to_string(log.size()), style), style);
        if (word == "GetLogRecCount") return Seal(AnswerBody("GetStateRec", Utf8ToCp1251(StateText()), style), style);
        return Seal(AnswerBody("GetLogRecCount", std::to_string(log.size()), style), style);
    }

    // ---- output ---------------------------------------------------------------------------

    void Queue(Conn& conn, const std::string& line, milliseconds delay, Fault how, SteadyClock::time_point now) {
        if (verbose) Act("out #" + std::to_string(conn.id) + " " + Printable(line));
        const std::string bytes = line + (crlf ? "\r\n" : "\r");
        const auto due = now + delay;
        if (how == Fault::Split && bytes.size() > 1) {
            const std::size_t half = bytes.size() / 2;
            pending.push_back({due, ++seq, conn.id, bytes.substr(0, half)});
            pending.push_back({due + kSplitGap, ++seq, conn.id, bytes.substr(half)});
        } else if (how == Fault::Trickle) {
            for (std::size_t i = 0; i < bytes.size(); ++i)
                pending.push_back({due + kTrickleGap * static_cast<int>(i), ++seq, conn.id, bytes.substr(i, 1)});
        } else {
            pending.push_back({due, ++seq, conn.id, bytes});
        }
    }

    void Flush(Conn& conn) {
        while (!conn.out.empty()) {
            const ssize_t n = conn.transport == Transport::Tcp
                                  ? ::send(conn.fd, conn.out.data(), conn.out.size(), MSG_NOSIGNAL)
                                  : ::write(conn.fd, conn.out.data(), conn.out.size());
            if (n > 0) {
                conn.out.erase(0, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            // A broken peer: nothing more can go out on this connection.
            conn.out.clear();
            if (conn.transport == Transport::Tcp) CloseConn(conn.id, "disconnect");
            return;
        }
    }

    void CloseConn(int id, const char* verb) {
        auto it = conns.find(id);
        if (it == conns.end() || it->second.transport != Transport::Tcp || it->second.fd < 0) return;
        CloseFd(it->second.fd);
        it->second.in.clear();  // nothing more is read from a closed connection
        Act(std::string(verb) + " #" + std::to_string(id));
        pending.erase(std::remove_if(pending.begin(), pending.end(), [id](const Pending& p) { return p.conn == id; }),
                      pending.end());
        // The entry itself goes at the end of the loop pass; a closed fd marks it.
    }

    void ReleaseDue(SteadyClock::time_point now) {
        std::sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        std::size_t taken = 0;
        for (; taken < pending.size() && pending[taken].due <= now; ++taken) {
            auto it = conns.find(pending[taken].conn);
            if (it != conns.end() && it->second.fd >= 0) it->second.out += pending[taken].bytes;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(taken));
        for (auto& [id, c] : conns)
            if (c.fd >= 0 && !c.out.empty()) Flush(c);
    }

    // ---- input ----------------------------------------------------------------------------

    void Record(ReceivedLine rec) {
        lines.push_back(std::move(rec));
        ++lineCount;
        Prune();
    }

    void ProcessLine(Conn& conn, std::string raw, SteadyClock::time_point now) {
        while (!raw.empty() && raw.front() == '\n') raw.erase(0, 1);
        const ParsedLine p = ParseLine(raw);
        if (p.text.empty()) return;  // blank lines, such as the second CR after the probe

        ReceivedLine rec;
        rec.raw = raw;
        rec.transport = conn.transport;
        rec.connection = conn.id;
        rec.at = now;
        rec.kind = p.kind;
        rec.leadingBlanks = p.leadingBlanks;
        rec.word = Cp1251ToUtf8(p.word);
        rec.argument = Cp1251ToUtf8(p.argument);
        rec.duplicate = raw == conn.lastRaw && now - conn.lastAt <= kDuplicateWindow;
        conn.lastRaw = raw;
        conn.lastAt = now;
        const std::string tag = rec.duplicate ? " dup" : "";
        if (verbose) Act("in  #" + std::to_string(conn.id) + " " + Printable(raw));
        const bool silentLink = conn.transport == Transport::Pty ? silentPty : silentTcp;

        switch (p.kind) {
            case LineKind::Echo:
                ++echo;
                Act("echo " + Printable(p.text));
                Record(std::move(rec));
                return;
            case LineKind::Junk:
                ++junk;
                Act("junk " + Printable(p.text));
                Record(std::move(rec));
                return;
            case LineKind::BadChecksum:
                ++badCrc;
                Act("bad-crc " + Printable(p.text));
                if (!silentLink)
                    Queue(conn, badCrcRefusal ? Seal(RefusalBody(p.word, "BAD CRC", style), style) : BadCrcLine(),
                          replyDelay, Fault::None, now);
                Record(std::move(rec));
                return;
            case LineKind::Probe:
                ++counts[rec.word];
                if (rec.duplicate) ++dupCounts[rec.word];
                Act("recv " + rec.word + tag);
                if (!silentLink) Queue(conn, "GetTimeA_OK:" + FormatNumber(ClockLocked()), replyDelay, Fault::None, now);
                Record(std::move(rec));
                return;
            case LineKind::Command: break;
        }

        const std::string word = rec.word;
        const std::string arg = rec.argument;
        const bool duplicate = rec.duplicate;
        ++counts[word];
        if (duplicate) ++dupCounts[word];
        Act("recv " + word + tag);
        // What the station sent, as it arrived; a TCP resend of the same line is not a new command.
        const bool isSetpoint = word == "SetTRRS" || word == "SetTRRP" || word == "SetZRRS" || word == "SetZRRP";
        if (!duplicate) {
            if (word == "SetSaveFlag") saveFlagArgs.push_back(Trim(arg));
            else if (word == "SetTime") setTimeArgs.push_back(arg);
            else if (isSetpoint) setpoints.push_back({word, arg, false});
        }

        Fault fault = ChooseFault(conn, word);
        if (fault == Fault::Drop && conn.transport == Transport::Pty) fault = Fault::Silence;
        rec.fault = fault;
        if (fault != Fault::None) {
            ++faultCounts[fault];
            Act(std::string("fault ") + FaultName(fault) + " " + word);
        }
        const Transport transport = conn.transport;
        Record(std::move(rec));

        if (fault == Fault::Silence) return;
        if (fault == Fault::Drop) {
            CloseConn(conn.id, "drop");
            return;
        }

        std::string line;
        if (fault == Fault::Refuse) {
            line = Seal(RefusalBody(p.word, "Refused", style), style);
        } else {
            Outcome o = Execute(word, arg);
            if (!o.ok) Act("refuse " + word + " " + o.reason);
            if (o.ok && isSetpoint)
                for (auto it = setpoints.rbegin(); it != setpoints.rend(); ++it)
                    if (it->word == word && it->argument == arg) {
                        it->accepted = true;
                        break;
                    }
            const auto ov = TakeOverride(word);
            if (ov && ov->raw) {
                line = ov->bytes;
            } else {
                if (ov) o = {true, ov->bytes, {}};
                const std::string body = o.ok ? AnswerBody(p.word, Utf8ToCp1251(o.payload), style)
                                              : RefusalBody(p.word, Utf8ToCp1251(o.reason), style);
                const std::uint16_t sum = ByteSum(body);
                const std::string tagText = fault == Fault::BadChecksum ? TagOf(static_cast<std::uint16_t>(sum + 1))
                                            : fault == Fault::LowerCaseChecksum ? TagOf(sum, true)
                                                                                : TagOf(sum);
                line = std::string(static_cast<std::size_t>(std::max(0, style.leadingBlanks)), ' ') + body + tagText;
            }
            if (fault == Fault::Garble && !line.empty()) {
                // One byte changed always breaks the sum (or the shape) of the answer.
                const std::size_t at = std::uniform_int_distribution<std::size_t>(0, line.size() - 1)(rng);
                char repl;
                do repl = static_cast<char>(std::uniform_int_distribution<int>(0x21, 0x7E)(rng));
                while (repl == line[at]);
                line[at] = repl;
            }
        }
        if (fault == Fault::StaleLine) Queue(conn, StaleLine(word), replyDelay, Fault::None, now);
        const milliseconds delay = fault == Fault::Delay       ? FaultDelayFor(transport)
                                   : fault == Fault::StaleLine ? replyDelay + milliseconds(50)
                                                               : replyDelay;
        Queue(conn, line, delay, fault, now);
    }

    void ReadFrom(Conn& conn, SteadyClock::time_point now) {
        char buf[4096];
        bool closed = false;
        for (;;) {
            const ssize_t n = ::read(conn.fd, buf, sizeof buf);
            if (n > 0) {
                conn.in.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // End of stream or a failed read ends a TCP connection; the pty never ends while the
            // simulator holds its own slave descriptor.
            closed = conn.transport == Transport::Tcp && (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK));
            break;
        }
        const int id = conn.id;
        // Lines that arrived before the peer closed are still served (their replies are lost).
        for (;;) {
            auto it = conns.find(id);
            if (it == conns.end()) return;
            Conn& c = it->second;
            const std::size_t cr = c.in.find('\r');
            if (cr == std::string::npos) {
                if (c.in.size() > kMaxLineBytes) {
                    // A runaway line without CR: take it as junk rather than grow without bound.
                    std::string raw = c.in.substr(0, kMaxLineBytes);
                    c.in.clear();
                    ProcessLine(c, raw, now);
                }
                break;
            }
            std::string raw = c.in.substr(0, cr);
            c.in.erase(0, cr + 1);
            ProcessLine(c, raw, now);
        }
        if (closed) CloseConn(id, "disconnect");
    }

    void Accept() {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            Conn c;
            c.fd = fd;
            c.id = nextConnId++;
            c.transport = Transport::Tcp;
            if (banner) c.out = kBanner;
            ++connectionsAccepted;
            Act("connect #" + std::to_string(c.id));
            auto& placed = conns[c.id] = std::move(c);
            Flush(placed);
        }
    }

    // ---- the I/O thread -------------------------------------------------------------------

    void Loop() {
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<int> owners;  // -1 wake, -2 listener, else a connection id
            int timeout = 1000;
            {
                std::lock_guard<std::mutex> l(mu);
                if (stopRequested) return;
                fds.push_back({wakeRead, POLLIN, 0});
                owners.push_back(-1);
                if (listenFd >= 0) {
                    fds.push_back({listenFd, POLLIN, 0});
                    owners.push_back(-2);
                }
                for (auto& [id, c] : conns) {
                    if (c.fd < 0) continue;
                    fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
                    owners.push_back(id);
                }
                if (!pending.empty()) {
                    auto next = std::min_element(pending.begin(), pending.end(),
                                                 [](const Pending& a, const Pending& b) { return a.due < b.due; })
                                    ->due;
                    const auto wait = std::chrono::ceil<milliseconds>(next - SteadyClock::now()).count();
                    timeout = static_cast<int>(std::clamp<long long>(wait, 0, 1000));
                }
            }
            const int ready = ::poll(fds.data(), fds.size(), timeout);
            bool changed = false;
            {
                std::lock_guard<std::mutex> l(mu);
                if (stopRequested) return;
                const auto now = SteadyClock::now();
                for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
                    if (fds[i].revents == 0) continue;
                    if (owners[i] == -1) {
                        char b[64];
                        while (::read(wakeRead, b, sizeof b) > 0) {
                        }
                    } else if (owners[i] == -2) {
                        Accept();
                        changed = true;
                    } else {
                        auto it = conns.find(owners[i]);
                        if (it == conns.end() || it->second.fd < 0) continue;
                        if (fds[i].revents & POLLOUT) Flush(it->second);
                        it = conns.find(owners[i]);
                        if (it != conns.end() && it->second.fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                            ReadFrom(it->second, now);
                            changed = true;
                        }
                    }
                }
                ReleaseDue(SteadyClock::now());
                for (auto it = conns.begin(); it != conns.end();) {
                    if (it->second.fd < 0) {
                        it = conns.erase(it);
                        changed = true;
                    } else ++it;
                }
                changed = changed || !actions.empty();
            }
            if (changed) {
                Emit();
                Changed();
            }
        }
    }
};

// ------------------------------------------------------------------------------------------------

PufSimulator::PufSimulator() : d_(std::make_unique<Impl>()) {}

PufSimulator::~PufSimulator() { Stop(); }

bool PufSimulator::StartPty() {
    bool ok = false;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        if (d_->masterFd >= 0) {
            d_->lastError = "the pseudo-terminal is already open";
        } else {
            const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            char name[256] = {};
            int s = -1;
            if (m < 0 || ::grantpt(m) != 0 || ::unlockpt(m) != 0 || ::ptsname_r(m, name, sizeof name) != 0 ||
                (s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
                d_->lastError = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
                if (m >= 0) ::close(m);
            } else {
                ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
                ::ioctl(s, TIOCNXCL);
                d_->masterFd = m;
                d_->slaveFd = s;
                d_->slavePath = name;
                Impl::Conn c;
                c.fd = m;
                c.id = 0;
                c.transport = Transport::Pty;
                d_->conns[0] = std::move(c);
                d_->Act("pty " + d_->slavePath);
                d_->EnsureThreadLocked();
                ok = true;
            }
        }
    }
    d_->Wake();
    d_->Emit();
    d_->Changed();
    return ok;
}

bool PufSimulator::StartTcp(int port) {
    bool ok = false;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        if (d_->listenFd >= 0) {
            d_->lastError = "already listening";
        } else if (port < 0 || port > 65535) {
            d_->lastError = "no such TCP port: " + std::to_string(port);
        } else {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            const int one = 1;
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<std::uint16_t>(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t len = sizeof a;
            if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
                ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0 ||
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
                d_->lastError = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
                if (fd >= 0) ::close(fd);
            } else {
                d_->listenFd = fd;
                d_->tcpPort = ntohs(a.sin_port);
                d_->Act("tcp 127.0.0.1:" + std::to_string(d_->tcpPort));
                d_->EnsureThreadLocked();
                ok = true;
            }
        }
    }
    d_->Wake();
    d_->Emit();
    d_->Changed();
    return ok;
}

void PufSimulator::Stop() {
    std::thread t;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        d_->stopRequested = true;
        t = std::move(d_->thread);
    }
    d_->Wake();
    if (t.joinable()) t.join();
    bool any = false;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        for (auto& [id, c] : d_->conns)
            if (c.transport == Transport::Tcp) CloseFd(c.fd);
        d_->conns.clear();
        d_->pending.clear();
        any = d_->masterFd >= 0 || d_->listenFd >= 0;
        CloseFd(d_->masterFd);
        CloseFd(d_->slaveFd);
        CloseFd(d_->listenFd);
        if (any) d_->Act("stop");
    }
    d_->Emit();
    d_->Changed();
}

std::string PufSimulator::SlavePath() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->slavePath;
}

int PufSimulator::TcpPort() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->tcpPort;
}

std::string PufSimulator::LastError() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->lastError;
}

void PufSimulator::ClearExclusiveMode() {
    std::lock_guard<std::mutex> l(d_->mu);
    if (d_->slaveFd >= 0) ::ioctl(d_->slaveFd, TIOCNXCL);
}

void PufSimulator::DropConnections() {
    {
        std::lock_guard<std::mutex> l(d_->mu);
        for (auto& [id, c] : d_->conns)
            if (c.transport == Transport::Tcp && c.fd >= 0) d_->CloseConn(id, "drop");
    }
    d_->Wake();
    d_->Emit();
    d_->Changed();
}

void PufSimulator::SetActionSink(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::recursive_mutex> sl(d_->sinkMu);
    std::lock_guard<std::mutex> l(d_->mu);
    d_->sink = std::move(sink);
}

namespace {
template <class T>
void Assign(std::mutex& mu, T& field, T value) {
    std::lock_guard<std::mutex> l(mu);
    field = std::move(value);
}
}  // namespace

void PufSimulator::SetVerbose(bool verbose) { Assign(d_->mu, d_->verbose, verbose); }
void PufSimulator::SetReplyDelay(milliseconds delay) { Assign(d_->mu, d_->replyDelay, std::max(delay, milliseconds(0))); }
void PufSimulator::SetFaultDelay(milliseconds delay) {
    Assign(d_->mu, d_->faultDelay, std::optional<milliseconds>(std::max(delay, milliseconds(0))));
}
void PufSimulator::SetReplyStyle(const ReplyStyle& style) { Assign(d_->mu, d_->style, style); }
void PufSimulator::SetCrLf(bool crlf) { Assign(d_->mu, d_->crlf, crlf); }
void PufSimulator::SetBanner(bool banner) { Assign(d_->mu, d_->banner, banner); }
void PufSimulator::SetLenientDecimal(bool lenient) { Assign(d_->mu, d_->lenient, lenient); }
void PufSimulator::SetBadCrcRefusal(bool refusal) { Assign(d_->mu, d_->badCrcRefusal, refusal); }

void PufSimulator::SetHistoryLimit(std::size_t limit) {
    std::lock_guard<std::mutex> l(d_->mu);
    d_->historyLimit = limit;
    d_->Prune();
}

void PufSimulator::SetSeed(std::uint64_t seed) {
    std::lock_guard<std::mutex> l(d_->mu);
    d_->rng.seed(seed);
}

void PufSimulator::SetFaultRates(const FaultRates& rates) {
    FaultRates r = rates;
    double* all[] = {&r.silence, &r.delay, &r.garble, &r.badChecksum, &r.refuse, &r.drop};
    double total = 0;
    for (double* p : all) {
        if (!(*p > 0)) *p = 0;  // negative or NaN
        total += *p;
    }
    if (total > 1)
        for (double* p : all) *p /= total;
    Assign(d_->mu, d_->rates, r);
}

void PufSimulator::InjectFault(Fault fault, int count, const std::string& word) {
    if (count <= 0) return;
    std::lock_guard<std::mutex> l(d_->mu);
    d_->injected.push_back({fault, count, word});
}

void PufSimulator::SetPersistentFault(Fault fault, const std::string& word) {
    std::lock_guard<std::mutex> l(d_->mu);
    if (fault == Fault::None) d_->persistent.erase(word);
    else d_->persistent[word] = fault;
}

void PufSimulator::SetTransportSilent(Transport transport, bool silent) {
    std::lock_guard<std::mutex> l(d_->mu);
    (transport == Transport::Pty ? d_->silentPty : d_->silentTcp) = silent;
}

void PufSimulator::OverridePayload(const std::string& word, const std::string& payload, int count) {
    if (count <= 0) return;
    std::lock_guard<std::mutex> l(d_->mu);
    d_->overrides.push_back({word, payload, false, count});
}

void PufSimulator::InjectRawLine(const std::string& word, const std::string& bytes, int count) {
    if (count <= 0) return;
    std::lock_guard<std::mutex> l(d_->mu);
    d_->overrides.push_back({word, bytes, true, count});
}

void PufSimulator::ClearFaults() {
    std::lock_guard<std::mutex> l(d_->mu);
    d_->injected.clear();
    d_->persistent.clear();
    d_->overrides.clear();
    d_->silentPty = d_->silentTcp = false;
    d_->rates = FaultRates{};
}

std::vector<StateValue> PufSimulator::State() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->state;
}

double PufSimulator::Value(const std::string& column) const {
    std::lock_guard<std::mutex> l(d_->mu);
    const StateValue* v = d_->Column(column);
    return v ? v->value : std::nan("");
}

bool PufSimulator::SetValue(const std::string& column, double value) {
    {
        std::lock_guard<std::mutex> l(d_->mu);
        StateValue* v = d_->Column(column);
        if (!v) return false;
        v->value = value;
    }
    d_->Changed();
    return true;
}

Days PufSimulator::Clock() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->ClockLocked();
}

void PufSimulator::SetClock(Days moment) {
    {
        std::lock_guard<std::mutex> l(d_->mu);
        d_->SetClockLocked(moment);
    }
    d_->Changed();
}

void PufSimulator::SetClockRunning(bool running) {
    {
        std::lock_guard<std::mutex> l(d_->mu);
        if (running == d_->clockRunning) return;
        d_->SetClockLocked(d_->ClockLocked());
        d_->clockRunning = running;
    }
    d_->Changed();
}

int PufSimulator::AddLogEntry(const std::string& message, const std::string& moment) {
    int id;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        id = d_->nextLogId++;
        d_->log.push_back({id, moment.empty() ? FormatMoment(d_->ClockLocked()) : moment, message});
        d_->Act("log " + std::to_string(id) + " " + message);
    }
    d_->Emit();
    d_->Changed();
    return id;
}

std::string PufSimulator::AddRecord(const std::string& moment) {
    std::string key;
    {
        std::lock_guard<std::mutex> l(d_->mu);
        key = moment;
        if (key.empty()) {
            long long secs = static_cast<long long>(std::floor((d_->ClockLocked() - kUnixEpochDays) * 86400.0));
            if (secs <= d_->lastAutoSecs) secs = d_->lastAutoSecs + 1;
            d_->lastAutoSecs = secs;
            key = FormatMoment(kUnixEpochDays + static_cast<double>(secs) / 86400.0);
        }
        d_->records.push_back({key, "RecMoment='" + key + "'" + d_->ValuesText(), false});
        d_->Act("record " + key);
    }
    d_->Emit();
    d_->Changed();
    return key;
}

void PufSimulator::AddRecordText(const std::string& key, const std::string& text) {
    {
        std::lock_guard<std::mutex> l(d_->mu);
        d_->records.push_back({key, text, false});
        d_->Act("record " + key);
    }
    d_->Emit();
    d_->Changed();
}

std::vector<LogEntry> PufSimulator::LogEntries() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return {d_->log.begin(), d_->log.end()};
}

std::vector<DataRecord> PufSimulator::Records() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return {d_->records.begin(), d_->records.end()};
}

std::vector<DataRecord> PufSimulator::UnsavedRecords() const {
    std::lock_guard<std::mutex> l(d_->mu);
    std::vector<DataRecord> out;
    for (const auto& r : d_->records)
        if (!r.saved) out.push_back(r);
    return out;
}

std::vector<ReceivedLine> PufSimulator::Lines() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return {d_->lines.begin(), d_->lines.end()};
}

int PufSimulator::LineCount() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->lineCount;
}

int PufSimulator::Count(const std::string& word) const {
    std::lock_guard<std::mutex> l(d_->mu);
    auto it = d_->counts.find(word);
    return it == d_->counts.end() ? 0 : it->second;
}

int PufSimulator::DuplicateCount(const std::string& word) const {
    std::lock_guard<std::mutex> l(d_->mu);
    if (word.empty()) {
        int n = 0;
        for (const auto& [w, c] : d_->dupCounts) n += c;
        return n;
    }
    auto it = d_->dupCounts.find(word);
    return it == d_->dupCounts.end() ? 0 : it->second;
}

int PufSimulator::FaultCount(Fault fault) const {
    std::lock_guard<std::mutex> l(d_->mu);
    auto it = d_->faultCounts.find(fault);
    return it == d_->faultCounts.end() ? 0 : it->second;
}

int PufSimulator::BadChecksumCount() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->badCrc;
}

int PufSimulator::JunkCount() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->junk;
}

int PufSimulator::EchoCount() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->echo;
}

int PufSimulator::ConnectionCount() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->connectionsAccepted;
}

std::vector<int> PufSimulator::DeletedLogIds() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->deletedIds;
}

std::vector<std::string> PufSimulator::SaveFlagArguments() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->saveFlagArgs;
}

std::vector<std::string> PufSimulator::AcknowledgedKeys() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->acked;
}

std::vector<std::string> PufSimulator::SetTimeArguments() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->setTimeArgs;
}

std::vector<SetpointCommand> PufSimulator::Setpoints() const {
    std::lock_guard<std::mutex> l(d_->mu);
    return d_->setpoints;
}

bool PufSimulator::WaitUntil(const std::function<bool()>& pred, milliseconds timeout) const {
    const auto deadline = SteadyClock::now() + timeout;
    std::unique_lock<std::mutex> l(d_->waitMu);
    for (;;) {
        const std::uint64_t seen = d_->generation;
        l.unlock();
        if (pred()) return true;
        l.lock();
        if (!d_->waitCv.wait_until(l, deadline, [&] { return d_->generation != seen; })) {
            l.unlock();
            return pred();
        }
    }
}

bool PufSimulator::WaitForCount(const std::string& word, int n, milliseconds timeout) const {
    return WaitUntil([&] { return Count(word) >= n; }, timeout);
}

bool PufSimulator::WaitForLines(int n, milliseconds timeout) const {
    return WaitUntil([&] { return LineCount() >= n; }, timeout);
}

bool PufSimulator::WaitForAcknowledged(int n, milliseconds timeout) const {
    return WaitUntil([&] { return static_cast<int>(AcknowledgedKeys().size()) >= n; }, timeout);
}

bool PufSimulator::WaitForConnections(int n, milliseconds timeout) const {
    return WaitUntil([&] { return ConnectionCount() >= n; }, timeout);
}

}  // namespace pufsim
