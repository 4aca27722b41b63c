// Opening 100,000 rows of puf_data (a little over two months of minute records), against the
// driver's own pace and the command-line client fetching the same rows in the same run:
//   BM_RawFetch              Connector/C by hand: connect, prepare "select * from puf_data", bind
//                            every column to a binary buffer, store the result, fetch every row
//                            into a fresh vector of cells, free it (the yardstick)
//   BM_MariadbCli            mariadb --batch -e "select * from puf_data" > /dev/null
//   BM_QueryOpen             a TSQLQuery on a fresh connection: connect, open, every record stored
//   BM_ClientDataSetOpen     the same through TDataSetProvider into a TClientDataSet
// Each of the last two reports "vs_raw" and "vs_raw_cpu", its wall and its processor time divided by
// the raw fetch's (targets for the client dataset: at most 1.3 and 2), and "vs_cli", its wall time
// divided by the client's.
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"
#include "PufRowsFixture.h"

#include <benchmark/benchmark.h>
#include <mysql.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <vector>

extern char** environ;

namespace {

using benchdb::connect;
constexpr int kRows = benchdb::kPufRows;

benchdb::PufRowsFixture& fixture() { return benchdb::pufRows(); }

double cliSeconds = 0;  // mean time of one client run, set by BM_MariadbCli
double rawSeconds = 0;  // mean wall and processor time of one raw fetch, set by BM_RawFetch
double rawCpuSeconds = 0;

double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallNow() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// One fetched value as the raw fetch keeps it: an integer or a double as the driver gives it, a
// time packed into an integer (yyyymmddhhmmss).
struct RawCell {
    union {
        long long i;
        double d;
    };
    bool null;
};

// Connect, prepare, bind every column by its type, store and fetch every row into a vector: what a
// C++ engineer writes against Connector/C when speed is all that counts. Returns the rows fetched.
std::size_t rawFetch(std::vector<RawCell>& cells, std::string& error) {
    testdb::Coordinates c = testdb::Coords();
    MYSQL* m = mysql_init(nullptr);
    std::size_t rows = 0;
    MYSQL_STMT* st = nullptr;
    const std::string sql = "select * from puf_data";
    auto fail = [&](const char* what) {
        error = std::string(what) + ": " + (st ? mysql_stmt_error(st) : mysql_error(m));
    };
    if (!mysql_real_connect(m, c.host.c_str(), c.user.c_str(), c.password.c_str(), fixture().db->Name().c_str(),
                            static_cast<unsigned>(c.port), nullptr, 0)) {
        fail("connect");
        mysql_close(m);
        return 0;
    }
    st = mysql_stmt_init(m);
    if (mysql_stmt_prepare(st, sql.data(), sql.size()) != 0 || mysql_stmt_execute(st) != 0 ||
        mysql_stmt_store_result(st) != 0) {
        fail("execute");
    } else {
        MYSQL_RES* meta = mysql_stmt_result_metadata(st);
        const unsigned n = mysql_num_fields(meta);
        MYSQL_FIELD* fields = mysql_fetch_fields(meta);
        std::vector<RawCell> row(n);
        std::vector<my_bool> nulls(n);
        std::vector<MYSQL_TIME> times(n);
        std::vector<bool> isTime(n);
        std::vector<MYSQL_BIND> binds(n);
        for (unsigned i = 0; i < n; ++i) {
            MYSQL_BIND& b = binds[i];
            std::memset(&b, 0, sizeof b);
            b.is_null = &nulls[i];
            switch (fields[i].type) {
            case MYSQL_TYPE_DATETIME:
            case MYSQL_TYPE_TIMESTAMP:
            case MYSQL_TYPE_DATE:
            case MYSQL_TYPE_TIME:
                b.buffer_type = fields[i].type;
                b.buffer = &times[i];
                b.buffer_length = sizeof(MYSQL_TIME);
                isTime[i] = true;
                break;
            case MYSQL_TYPE_FLOAT:
            case MYSQL_TYPE_DOUBLE:
            case MYSQL_TYPE_NEWDECIMAL:
                b.buffer_type = MYSQL_TYPE_DOUBLE;
                b.buffer = &row[i].d;
                break;
            default:
                b.buffer_type = MYSQL_TYPE_LONGLONG;
                b.buffer = &row[i].i;
                break;
            }
        }
        mysql_free_result(meta);
        cells.reserve(static_cast<std::size_t>(mysql_stmt_num_rows(st)) * n);
        if (mysql_stmt_bind_result(st, binds.data()) != 0) {
            fail("bind");
        } else {
            while (mysql_stmt_fetch(st) == 0) {
                for (unsigned i = 0; i < n; ++i) {
                    row[i].null = nulls[i] != 0;
                    if (isTime[i]) {
                        const MYSQL_TIME& t = times[i];
                        row[i].i = ((((t.year * 100LL + t.month) * 100 + t.day) * 100 + t.hour) * 100 + t.minute) * 100 + t.second;
                    }
                }
                cells.insert(cells.end(), row.begin(), row.end());
                ++rows;
            }
        }
        mysql_stmt_free_result(st);
    }
    mysql_stmt_close(st);
    mysql_close(m);
    return rows;
}

void BM_RawFetch(benchmark::State& state) {
    fixture();
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double w0 = wallNow(), c0 = cpuNow();
        // A fresh vector each time, freed at the end, as a dataset's records are.
        std::vector<RawCell> cells;
        std::string error;
        const std::size_t rows = rawFetch(cells, error);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        if (rows != static_cast<std::size_t>(kRows)) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(cells.data());
        cells = std::vector<RawCell>();
        wall += wallNow() - w0;
        cpu += cpuNow() - c0;
    }
    if (state.iterations() > 0) {
        rawSeconds = wall / static_cast<double>(state.iterations());
        rawCpuSeconds = cpu / static_cast<double>(state.iterations());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_MariadbCli(benchmark::State& state) {
    benchdb::PufRowsFixture& f = fixture();
    testdb::Coordinates c = testdb::Coords();
    std::string port = std::to_string(c.port);
    std::vector<std::string> args = {"mariadb", "--no-defaults", "--batch", "-h", c.host, "-P", port, "-u", c.user,
                                     f.db->Name(), "-e", "select * from puf_data"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The password goes through the environment, as the client reads it, not on the command line.
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    envStore.push_back("MYSQL_PWD=" + c.password);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        pid_t pid;
        if (posix_spawnp(&pid, "mariadb", &fa, nullptr, argv.data(), envp.data()) != 0) {
            state.SkipWithError("cannot start the mariadb client");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the mariadb client failed");
            break;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    posix_spawn_file_actions_destroy(&fa);
    if (state.iterations() > 0) cliSeconds = total / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kRows);
}

void reportRatio(benchmark::State& state, double wall, double cpu) {
    state.SetItemsProcessed(state.iterations() * kRows);
    if (state.iterations() == 0) return;
    const double n = static_cast<double>(state.iterations());
    if (cliSeconds > 0) state.counters["vs_cli"] = wall / n / cliSeconds;
    if (rawSeconds > 0) state.counters["vs_raw"] = wall / n / rawSeconds;
    if (rawCpuSeconds > 0) state.counters["vs_raw_cpu"] = cpu / n / rawCpuSeconds;
}

void BM_QueryOpen(benchmark::State& state) {
    fixture();
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double w0 = wallNow(), c0 = cpuNow();
        auto conn = connect();
        TSQLQuery q(nullptr);
        q.SetSQLConnection(conn.get());
        q.SQL()->SetText("select * from puf_data");
        q.Open();
        if (q.RecordCount() != kRows) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(q.FieldByName("RVF")->AsFloat());
        q.Close();
        wall += wallNow() - w0;
        cpu += cpuNow() - c0;
    }
    reportRatio(state, wall, cpu);
}

void BM_ClientDataSetOpen(benchmark::State& state) {
    fixture();
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double w0 = wallNow(), c0 = cpuNow();
        auto conn = connect();
        TSQLQuery q(nullptr);
        q.SetSQLConnection(conn.get());
        q.SQL()->SetText("select * from puf_data");
        TDataSetProvider p(nullptr);
        p.SetDataSet(&q);
        TClientDataSet cds(nullptr);
        cds.SetProvider(&p);
        cds.Open();
        if (cds.RecordCount() != kRows) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(cds.FieldByName("RVF")->AsFloat());
        cds.Close();
        q.Close();
        wall += wallNow() - w0;
        cpu += cpuNow() - c0;
    }
    reportRatio(state, wall, cpu);
}

// The yardsticks first: the others divide by their times.
BENCHMARK(BM_RawFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_MariadbCli)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_QueryOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ClientDataSetOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
