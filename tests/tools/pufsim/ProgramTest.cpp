// The pufsim program: its command line, its live mode, and one run as a script starts it.
#include "Peers.h"

#include "testlib/TestDb.h"
#include "tools/pufsim/PufSimProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <fstream>
#include <map>
#include <spawn.h>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace pufsim;
using namespace pufsimtest;
using std::chrono::milliseconds;

TEST(PufSimOptions, ReadsTheCommandLine) {
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--pty", "--tcp", "0", "--link-file", "/tmp/x", "--delay=5", "--fault-delay", "1500",
                              "--seed", "42", "--silence-rate", "0.1", "--delay-rate", "5%", "--garble-rate", "0.05",
                              "--checksum-rate", "0.02", "--refuse-rate", "0.03", "--drop-rate", "0",
                              "--records-per-minute", "2.5", "--banner", "--crlf", "--lenient", "--verbose",
                              "--state", "PLF=131.5,ZRRS=3000", "--state=DSF1=0"},
                             o, error))
        << error;
    EXPECT_TRUE(o.pty);
    EXPECT_EQ(o.tcpPort, 0);
    EXPECT_EQ(o.linkFile, "/tmp/x");
    EXPECT_EQ(o.replyDelayMs, 5);
    EXPECT_EQ(o.faultDelayMs, 1500);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_DOUBLE_EQ(o.rates.silence, 0.1);
    EXPECT_DOUBLE_EQ(o.rates.delay, 0.05);
    EXPECT_DOUBLE_EQ(o.rates.garble, 0.05);
    EXPECT_DOUBLE_EQ(o.rates.badChecksum, 0.02);
    EXPECT_DOUBLE_EQ(o.rates.refuse, 0.03);
    EXPECT_DOUBLE_EQ(o.recordsPerMinute, 2.5);
    EXPECT_TRUE(o.banner && o.crlf && o.lenient && o.verbose);
    using State = std::vector<std::pair<std::string, double>>;
    EXPECT_EQ(o.state, (State{{"PLF", 131.5}, {"ZRRS", 3000}, {"DSF1", 0}}));
    // The controller starts with them.
    PufSimulator sim;
    Configure(sim, o);
    EXPECT_EQ(sim.Value("PLF"), 131.5);
    EXPECT_EQ(sim.Value("ZRRS"), 3000);
    EXPECT_EQ(sim.Value("DSF1"), 0);
    EXPECT_EQ(sim.Value("RVF"), 450);

    ASSERT_TRUE(ParseOptions({"--tcp", "7777"}, o, error));
    EXPECT_FALSE(o.pty);
    EXPECT_EQ(o.replyDelayMs, 20);
    EXPECT_EQ(o.faultDelayMs, -1);
    ASSERT_TRUE(ParseOptions({"--help"}, o, error));
    EXPECT_TRUE(o.help);

    const std::pair<std::vector<std::string>, const char*> bad[] = {
        {{}, "--pty, --tcp"},
        {{"--tcp"}, "needs a value"},
        {{"--tcp", "65536"}, "port"},
        {{"--tcp", "x"}, "port"},
        {{"--pty", "--delay", "-1"}, "milliseconds"},
        {{"--pty", "--silence-rate", "1.5"}, "rate"},
        {{"--pty", "--silence-rate", "abc"}, "rate"},
        {{"--pty", "--silence-rate", "0.6", "--refuse-rate", "60%"}, "more than 1"},
        {{"--pty", "--records-per-minute", "-1"}, "records-per-minute"},
        {{"--pty", "--seed", "x"}, "seed"},
        {{"--pty", "--state", "NOPE=1"}, "state columns"},
        {{"--pty", "--state", "PLF"}, "state columns"},
        {{"--pty", "--state", "PLF=1,RVF=x"}, "RVF=x"},
        {{"--pty=1"}, "takes no value"},
        {{"--pty", "--colour"}, "unknown option --colour"},
        {{"--pty", "--foo-rate", "0.1"}, "unknown option --foo-rate"},
    };
    for (const auto& [args, message] : bad) {
        SCOPED_TRACE(args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(ParseOptions(args, o, error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

TEST(PufSimLive, ValuesWanderAndRecordsComeAtTheirRate) {
    auto run = [](std::uint64_t seed) {
        PufSimulator sim;
        // The collector dosed by hand: its flow is the operator's.
        sim.SetValue("F1AS", 0);
        sim.SetValue("F1RS", 1);
        sim.SetValue("TRRS", 33.3);
        LiveDriver live(sim, 2, seed);
        for (int i = 0; i < 90; ++i) live.Advance(1.0);  // a minute and a half
        return std::make_pair(sim.State(), sim.Records());
    };
    const auto [state, records] = run(5);
    ASSERT_EQ(records.size(), 3u);
    for (std::size_t i = 1; i < records.size(); ++i) EXPECT_LT(records[i - 1].key, records[i].key);
    for (const auto& r : records) EXPECT_TRUE(r.text.starts_with("RecMoment='" + r.key + "',PLF=")) << r.text;

    std::map<std::string, double> v;
    for (const auto& s : state) v[s.column] = s.value;
    EXPECT_NE(v["PLF"], 120.0);
    EXPECT_GE(v["PLF"], 80);
    EXPECT_LE(v["PLF"], 160);
    EXPECT_GE(v["RVF"], 350);
    EXPECT_LE(v["RVF"], 550);
    EXPECT_NEAR(v["RGF"], v["PLF"] * v["RVF"] / 1000.0, 0.01);
    EXPECT_EQ(v["TRRS"], 33.3);  // the operator's values stay as set
    EXPECT_EQ(v["ZRRS"], 650.0);
    EXPECT_LT(v["URS"], 64.0);   // the tanks drain

    const auto again = run(5);
    EXPECT_EQ(again.first.size(), state.size());
    for (std::size_t i = 0; i < state.size(); ++i) EXPECT_EQ(again.first[i].value, state[i].value);
}

// Second by second for an hour: a stopped pump's flow is 0; a running pump in automatic mode doses its
// specific consumption of the solids load, moving with it; one dosed by hand keeps the operator's flow,
// also after a stop.
TEST(PufSimLive, ReagentFlowsFollowTheirDosingAndStopWithTheirPump) {
    PufSimulator sim;
    sim.SetValue("F1AP", 0);  // the frother by hand
    sim.SetValue("F1RP", 1);
    sim.SetValue("TRRP", 7.5);
    LiveDriver live(sim, 0, 3);
    int stoppedSeconds[2] = {}, restarts[2] = {};
    bool wasStopped[2] = {};
    std::set<double> collectorFlows;
    for (int i = 0; i < 3600; ++i) {
        live.Advance(1.0);
        const double collector = sim.Value("TRRS"), frother = sim.Value("TRRP");
        const bool stopped[2] = {sim.Value("DSF1") == 0, sim.Value("DPF1") == 0};
        for (int k = 0; k < 2; ++k) {
            if (stopped[k]) ++stoppedSeconds[k];
            else if (wasStopped[k]) ++restarts[k];
            wasStopped[k] = stopped[k];
        }
        if (stopped[0]) {
            ASSERT_EQ(collector, 0) << "second " << i;
        } else {
            const double dosed = sim.Value("ZRRS") * sim.Value("RGF") / 1000;
            ASSERT_NEAR(collector, dosed, dosed * 0.03 + 0.01) << "second " << i;
            collectorFlows.insert(collector);
        }
        ASSERT_EQ(frother, stopped[1] ? 0 : 7.5) << "second " << i;
    }
    // Both pumps stood and ran again within the hour, and the automatic flow moved.
    for (int k = 0; k < 2; ++k) {
        EXPECT_GT(stoppedSeconds[k], 0) << k;
        EXPECT_GT(restarts[k], 0) << k;
    }
    EXPECT_GT(collectorFlows.size(), 100u);
}

TEST(PufSimLive, TheControllersLogGetsAnEntryNowAndThen) {
    PufSimulator sim;
    sim.SetValue("URS", 20.5);  // about to run low
    LiveDriver live(sim, 0, 3);
    for (int i = 0; i < 3600; ++i) live.Advance(1.0);
    std::map<std::string, int> counts;
    std::string lastCollectorPump;
    for (const LogEntry& e : sim.LogEntries()) {
        ++counts[e.message];
        if (e.message.find("собирателя остановлен") != std::string::npos) {
            EXPECT_NE(lastCollectorPump, "stopped") << "stopped twice without a start";
            lastCollectorPump = "stopped";
        } else if (e.message.find("собирателя включён") != std::string::npos) {
            EXPECT_EQ(lastCollectorPump, "stopped") << "started without a stop";
            lastCollectorPump = "started";
        }
    }
    EXPECT_GE(counts["Бак собирателя заправлен"], 1);
    EXPECT_GE(counts["Насос-дозатор собирателя остановлен"] + counts["Насос-дозатор вспенивателя остановлен"], 3);
    EXPECT_GE(counts["Насос-дозатор собирателя включён"] + counts["Насос-дозатор вспенивателя включён"], 2);
    // A stopped pump's dosing lamp is off while it stands.
    EXPECT_EQ(sim.Value("DSF1"), lastCollectorPump == "stopped" ? 0 : 1);

    // A controller that starts with a pump stopped (the newest stored row had it so) starts it again.
    PufSimulator restarted;
    restarted.SetValue("DPF1", 0);
    LiveDriver again(restarted, 0, 3);
    for (int i = 0; i < 90 && restarted.Value("DPF1") == 0; ++i) again.Advance(1.0);
    EXPECT_EQ(restarted.Value("DPF1"), 1);
    ASSERT_FALSE(restarted.LogEntries().empty());
    EXPECT_EQ(restarted.LogEntries().back().message, "Насос-дозатор вспенивателя включён");
}

TEST(PufSimLive, AutomaticKeysStayUniqueWhenRecordsComeFasterThanSeconds) {
    PufSimulator sim;
    sim.SetClock(46366.5);
    LiveDriver live(sim, 600, 1);
    live.Advance(0.5);  // five records within one second of the clock
    const auto records = sim.Records();
    ASSERT_EQ(records.size(), 5u);
    for (std::size_t i = 1; i < records.size(); ++i) EXPECT_LT(records[i - 1].key, records[i].key);
}

namespace {

// Ends the program if a failed assertion leaves the test early.
struct ChildGuard {
    pid_t pid = 0;
    ~ChildGuard() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

// Reads the child's stdout until a line equal to `want` turns up.
bool WaitForOutput(int fd, const std::string& want, std::string& seen, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::istringstream lines(seen);
        for (std::string line; std::getline(lines, line);)
            if (line == want) return true;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<std::size_t>(n));
    }
}

}  // namespace

TEST(PufSimProgram, RunsAsAScriptStartsIt) {
    char dir[] = "/tmp/pufsim-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string linkFile = std::string(dir) + "/link";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const char* argv[] = {PUFSIM_PROGRAM, "--pty", "--tcp", "0", "--link-file", linkFile.c_str(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, PUFSIM_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    ChildGuard guard{pid};

    // The program announces the link file once it is complete.
    std::string seen;
    ASSERT_TRUE(WaitForOutput(out[0], "link-file " + linkFile, seen, milliseconds(5000))) << seen;
    std::ifstream f(linkFile);
    std::string path, port;
    std::getline(f, path);
    std::getline(f, port);
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;
    ASSERT_FALSE(port.empty());
    EXPECT_NE(seen.find("pty " + path + "\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("tcp 127.0.0.1:" + port + "\n"), std::string::npos) << seen;

    PtyPeer serial(path);
    serial.SendLine(Frame("GetStateRec:"));
    const std::string state = serial.ReadLine(milliseconds(3000)).value_or("");
    EXPECT_TRUE(state.starts_with("PUF1:GetStateRec_OK:RecMoment='")) << state;
    EXPECT_TRUE(ChecksOut(state));
    EXPECT_TRUE(WaitForOutput(out[0], "recv GetStateRec", seen, milliseconds(3000))) << seen;

    TcpPeer lan(std::stoi(port));
    lan.SendLine(Frame("SetTRRS:12.5"));
    EXPECT_EQ(lan.ReadLine(milliseconds(3000)).value_or(""), "PUF1:SetTRRS_OK:<0500>");
    EXPECT_TRUE(WaitForOutput(out[0], "set TRRS 12.5", seen, milliseconds(3000))) << seen;

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_TRUE(WaitForOutput(out[0], "stop", seen, milliseconds(5000))) << seen;
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    guard.pid = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(::access(linkFile.c_str(), F_OK), 0);  // a stale link file would point at a dead pty
    ::close(out[0]);
    ::rmdir(dir);
}

TEST(PufSimProgram, RefusesABadCommandLine) {
    const char* argv[] = {PUFSIM_PROGRAM, "--silence-rate", "2", nullptr};
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ASSERT_EQ(::posix_spawn(&pid, PUFSIM_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

namespace {

// Column names of one table in db/schema.sql, in order.
std::vector<std::string> SchemaColumns(const std::string& table) {
    std::ifstream f(testdb::SourcePath("db/schema.sql"));
    std::string text, line;
    while (std::getline(f, line)) text += line.substr(0, line.find("--")) + "\n";
    const std::string head = "CREATE TABLE IF NOT EXISTS " + table + " (";
    const auto start = text.find(head);
    if (start == std::string::npos) return {};
    const auto end = text.find(") ENGINE", start);
    std::istringstream body(text.substr(start + head.size(), end - start - head.size()));
    std::vector<std::string> columns;
    for (std::string piece; std::getline(body, piece, ',');) {
        std::istringstream words(piece);
        std::string name;
        words >> name;
        if (!name.empty() && name != "INDEX" && name != "KEY" && name != "UNIQUE" && name != "PRIMARY")
            columns.push_back(name);
    }
    return columns;
}

}  // namespace

// The station only accepts assignments to real columns, so the controller's names must be the tables'.
TEST(PufSimSchema, StateAndRecordsNameTheColumnsOfTheirTables) {
    PufSimulator sim;
    std::vector<std::string> names{"RecMoment"};
    for (const auto& v : sim.State()) names.push_back(v.column);
    EXPECT_EQ(SchemaColumns("puf_state"), names);
    EXPECT_EQ(SchemaColumns("puf_data"), names);

    sim.AddRecord("2026-12-10 10:00:00");
    std::vector<std::string> sent;
    std::istringstream pairs(sim.Records().at(0).text);
    for (std::string piece; std::getline(pairs, piece, ',');) sent.push_back(piece.substr(0, piece.find('=')));
    EXPECT_EQ(sent, names);
}
