// How soon the flotation link writes again after its database server comes back:
//   BM_PufRowAfterServerReturn   the PUF thread runs against the simulated controller on a
//                                pseudo-terminal and a MariaDB server of the benchmark's own. The
//                                server is stopped, a data record waits in the controller, the server
//                                is started again; the time measured runs from the moment it accepts
//                                connections to the record's row in puf_data.
// Counters: "cycle_ms", the thread's cycle while the database is there (the mean gap between its state
// requests); "cycles", the recovery time as a multiple of that cycle (target: at most 2).
// The server is started here (mariadb-install-db and mariadbd on PATH); the shared one is not used.
#include "app/Main.h"
#include "links/PufThread.h"
#include "testlib/PrivateServer.h"
#include "testlib/Station.h"
#include "tools/pufsim/PufSimulator.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class F>
bool WaitFor(F cond, double seconds) {
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return cond();
}

struct Station {
    Station() {
        folder.WriteIni(BenchStationIni);
        if (!server.Start()) throw std::runtime_error("private server: " + server.Error());
        db = std::make_unique<testdb::ScratchDatabase>(server.Coords());
        if (!puf.StartPty()) throw std::runtime_error("pufsim: " + puf.LastError());
        main = new TFormMain(nullptr);
        FormMain = main;
        main->TimerRefreshState->SetEnabled(false);
        main->TimerGetLog->SetEnabled(false);
        testlib::ConnectToScratch(main, *db, main->SQLConnectionPUF_Link);
        main->PufComPort = puf.SlavePath().c_str();
        main->PufComSpeed = 38400;
        if (!StartPufThread(main)) throw std::runtime_error("the PUF thread did not start");
        if (!puf.WaitForCount("GetUnsavedCount", 3, std::chrono::seconds(30)))
            throw std::runtime_error("the PUF thread does not poll");
    }
    ~Station() {
        main->PufThreadStop = true;
        if (main->PufThreadHandle) {
            main->PufThreadHandle->Join();
            delete main->PufThreadHandle;
            main->PufThreadHandle = nullptr;
        }
        main->Free();
        FormMain = nullptr;
        puf.Stop();
        db.reset();
    }
    // The mean gap between the thread's state requests over the last seconds, with the database there.
    double CycleSeconds() {
        const int first = puf.Count("GetStateRec");
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const int n = puf.Count("GetStateRec") - first;
        return n > 0 ? Seconds(Clock::now() - t0) / n : 0;
    }
    bool RowThere(const std::string& key) {
        try {
            return db->Scalar("select count(*) from puf_data where RecMoment='" + key + "'") == std::string("1");
        } catch (const std::exception&) {
            return false;
        }
    }
    // Waits until the thread has gone through a cycle (a queued command goes out and is answered).
    bool Cycled() {
        AppendPufCommand(main, "SetTRRS:1");
        return WaitFor([&] {
            TCriticalSectionLock lock(main->PufCommandsLock);
            return main->PufCommands->Count() == 0;
        }, 30);
    }

    testlib::StationFolder folder{"plantmon-bench"};
    testdb::PrivateServer server;
    std::unique_ptr<testdb::ScratchDatabase> db;
    pufsim::PufSimulator puf;
    TFormMain* main = nullptr;
    int records = 0;
};

Station& station() { return BenchStation<Station>(); }

void BM_PufRowAfterServerReturn(benchmark::State& state) {
    Station& s = station();
    const double cycle = s.CycleSeconds();
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        s.server.Stop();
        // The thread has noticed: its connection is down, and it goes on cycling without it.
        if (!WaitFor([&] { return !s.main->SQLConnectionPUF_Link->Connected(); }, 30)) {
            state.SkipWithError("the thread never noticed the server going");
            break;
        }
        const std::string key = "2024-05-01 10:" + std::string(s.records < 10 ? "0" : "") + std::to_string(s.records) + ":00";
        ++s.records;
        s.puf.AddRecord(key);
        if (!s.Cycled()) {
            state.SkipWithError("the thread stopped cycling without the server");
            break;
        }
        if (!s.server.Start()) {
            state.SkipWithError(("the server did not come back: " + s.server.Error()).c_str());
            break;
        }
        const auto back = Clock::now();
        if (!WaitFor([&] { return s.RowThere(key); }, 60)) {
            state.SkipWithError("no row after the server came back");
            break;
        }
        const double seconds = Seconds(Clock::now() - back);
        state.SetIterationTime(seconds);
        total += seconds;
        ++n;
    }
    if (n > 0 && cycle > 0) {
        state.counters["cycle_ms"] = cycle * 1000;
        state.counters["recovery_ms"] = total / n * 1000;
        state.counters["cycles"] = total / n / cycle;
    }
}
BENCHMARK(BM_PufRowAfterServerReturn)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
