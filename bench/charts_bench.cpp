// Speed of the flotation trend screen over puf_data in the private database, one whole day on its
// five charts, with rows a minute apart (1440) and a second apart (86400):
//   BM_RawQuery            the day's statement opened on the screen's connection, every row fetched
//                          into the dataset, nothing drawn
//   BM_ScreenLoad          the screen's full reload of the day: query, 10-second fill, the points on
//                          five charts, nothing painted yet
//   BM_ScreenLoadAndDraw   the same and a paint of all five charts
// Both report "vs_query", their time divided by the raw query's (target: at most 1.5).
//   BM_ChartRedraw         one full redraw of a chart holding the day of second rows on two curves
//                          (target: under 16 ms)
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "app/Global.h"
#include "app/Main.h"
#include "db/SqlClientDataSet.h"
#include "screens/graphs/FormFlotGraph.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

// Minute rows on the 15th, second rows on the 16th, each day from 07:00.
constexpr int kMinuteDay = 15;
constexpr int kSecondDay = 16;

struct Station {
    Station() {
        if (!testdb::Available()) throw std::runtime_error("no database: run through scripts/bench");
        folder.WriteIni(BenchStationIni);

        db = std::make_unique<testdb::ScratchDatabase>();
        const char* values = "50 + rand(1) * 200, 300 + rand() * 500, rand() * 150, rand() * 1000, rand() * 60, "
                             "1500 + rand() * 7500, 50 + rand() * 350";
        db->Exec("insert into puf_data (RecMoment, PLF, RVF, RGF, TRRS, TRRP, ZRRS, ZRRP) select "
                 "'2010-03-15 07:00:00' + interval (seq - 1) minute, " + std::string(values) +
                 " from seq_1_to_1440");
        db->Exec("insert into puf_data (RecMoment, PLF, RVF, RGF, TRRS, TRRP, ZRRS, ZRRP) select "
                 "'2010-03-16 07:00:00' + interval (seq - 1) second, " + std::string(values) +
                 " from seq_1_to_86400");

        main = testlib::MainWindowFixture::Open();
        Application->FormCreated(main);
        main->OnShow = nullptr;  // the other screens of the start-up are not part of this
        main->TimerRefreshState->SetEnabled(false);
        main->TimerGetLog->SetEnabled(false);
        testlib::ConnectToScratch(main, *db, main->SQLConnection1);
        main->SQLConnection1->Open();
        main->SetBounds(0, 0, 1280, 1024);
        main->Show();
        screen = NewForm<TFormFlotGraph>(nullptr);
        FormFlotGraph = screen;
        screen->TimerUpdate->SetEnabled(false);
        screen->SetWindowState(wsMaximized);
        screen->ShowAllGraphs();
        screen->ComboBox1->SetItemIndex(2);
        Application->ProcessMessages();
    }
    ~Station() {
        screen->Free();
        main->SQLConnection1->Close();
        testlib::MainWindowFixture::Close(main);
        db.reset();
    }
    testlib::StationFolder folder{"plantmon-bench"};
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* main = nullptr;
    TFormFlotGraph* screen = nullptr;
};

Station& station() { return BenchStation<Station>(); }

// Mean seconds of one raw query, per day kind, from BM_RawQuery of the same run.
std::map<int, double> rawSeconds;

void BM_RawQuery(benchmark::State& state) {
    Station& s = station();
    const int day = static_cast<int>(state.range(0));
    TDateTime start = 0, stop = 0;
    GetShiftPeriod(EncodeDate(2010, 3, day), 3, start, stop);
    AnsiString sql = s.screen->QueryText(start, stop);
    TSQLClientDataSet rows(nullptr);
    rows.SetDBConnection(s.main->SQLConnection1);
    rows.SetReadOnly(true);
    double total = 0;
    int n = 0;
    int count = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.Close();
        rows.SetCommandText(sql);
        rows.Open();
        count = rows.RecordCount();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    rawSeconds[day] = total / n;
    state.counters["rows"] = count;
}

void loadDay(benchmark::State& state, bool draw) {
    Station& s = station();
    const int day = static_cast<int>(state.range(0));
    s.screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, day));
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        s.screen->Reload();
        if (draw)
            for (int i = 0; i < 5; ++i) s.screen->GraphList[i]->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
        // The next load starts from charts that are painted.
        state.PauseTiming();
        if (!draw)
            for (int i = 0; i < 5; ++i) s.screen->GraphList[i]->Repaint();
        state.ResumeTiming();
    }
    if (rawSeconds.count(day) && rawSeconds[day] > 0) state.counters["vs_query"] = (total / n) / rawSeconds[day];
    state.counters["slots"] = s.screen->LevelGraphRS->IntervalPointCount();
}

void BM_ScreenLoad(benchmark::State& state) { loadDay(state, false); }
void BM_ScreenLoadAndDraw(benchmark::State& state) { loadDay(state, true); }

void BM_ChartRedraw(benchmark::State& state) {
    Station& s = station();
    s.screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, kSecondDay));
    s.screen->Reload();
    TLevelGraph* g = s.screen->LevelGraphRS;
    g->Repaint();
    for (auto _ : state) {
        g->UpdateChanges();
        g->Repaint();
    }
    state.counters["width"] = g->Width();
    state.counters["height"] = g->Height();
}

BENCHMARK(BM_RawQuery)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenLoad)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenLoadAndDraw)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
