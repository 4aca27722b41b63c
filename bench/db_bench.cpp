// Opening 100,000 rows of puf_data (a little over two months of minute records), against the
// command-line client fetching the same rows in the same run:
//   BM_MariadbCli            mariadb --batch -e "select * from puf_data" > /dev/null
//   BM_QueryOpen             a TSQLQuery on a fresh connection: connect, open, every record stored
//   BM_ClientDataSetOpen     the same through TDataSetProvider into a TClientDataSet
// Each of the last two reports "vs_cli", its time divided by the client's (the target is at most 2).
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"
#include "PufRowsFixture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using benchdb::connect;
constexpr int kRows = benchdb::kPufRows;

benchdb::PufRowsFixture& fixture() { return benchdb::pufRows(); }

double cliSeconds = 0;  // mean time of one client run, set by the first benchmark

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

void reportRatio(benchmark::State& state, double total) {
    state.SetItemsProcessed(state.iterations() * kRows);
    if (state.iterations() > 0 && cliSeconds > 0)
        state.counters["vs_cli"] = total / static_cast<double>(state.iterations()) / cliSeconds;
}

void BM_QueryOpen(benchmark::State& state) {
    fixture();
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        auto conn = connect();
        TSQLQuery q(nullptr);
        q.SetSQLConnection(conn.get());
        q.SQL()->SetText("select * from puf_data");
        q.Open();
        if (q.RecordCount() != kRows) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(q.FieldByName("RVF")->AsFloat());
        q.Close();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    reportRatio(state, total);
}

void BM_ClientDataSetOpen(benchmark::State& state) {
    fixture();
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
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
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    reportRatio(state, total);
}

// The client first: the other two divide by its time.
BENCHMARK(BM_MariadbCli)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_QueryOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ClientDataSetOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
