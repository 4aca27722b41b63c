// Speed of the graph screens over the private database.
//
// The flotation trend screen over puf_data, one whole day on its five charts, with rows a minute
// apart (1440) and a second apart (86400):
//   BM_RawQuery            the day's statement opened on the screen's connection, every row fetched
//                          into the dataset, nothing drawn
//   BM_ScreenLoad          the screen's full reload of the day: query, 10-second fill, the points on
//                          five charts, nothing painted yet
//   BM_ScreenLoadAndDraw   the same and a paint of all five charts
// Both report "vs_query", their time divided by the raw query's (target: at most 1.5).
//   BM_ChartRedraw         one full redraw of a chart holding the day of second rows on two curves
//                          (target: under 16 ms)
//
// The jig machines' screens over pu1 holding a month of minute rows (bench/MonthFiller.h); the day's
// range is read through the table's time index ("index" is 1):
//   BM_JigRawQuery         the day's statement of a jig screen, every row fetched, nothing drawn
//   BM_JigScreenLoad       a full reload of that day on the bed-height and the water-air screen
//                          (query, fill, points, no paint), with "vs_query" (target: at most 1.5)
//   BM_JigChartRedraw      a full redraw of each chart of the bed-height, unloader and water-air
//                          screens holding that day (target: under 16 ms)
//   BM_JigScreenPaint      the whole screen painted (figure only)
//
// The one-chart screens (tailings ash, reagent tanks, belt loads) and the hydrosizer screen over
// puf_data, belt_386_2, belt_401 and pug holding a month of minute rows (bench/MonthFiller.h), in a
// month of their own; the day's ranges are read through the tables' time indexes ("index" is 1):
//   BM_DayRawQuery         the day's statement of a table as its screen opens it, every row fetched
//   BM_DayScreenLoad       a full reload of that day (query, fill, points, no paint), with "vs_query":
//                          its time over its raw query's, over the sum of both for the belt screen
//                          (target: at most 1.5)
//   BM_DayChartRedraw      a full redraw of each of their charts holding the day (target: under 16 ms)
//   BM_DayScreenPaint      the whole screen painted (figure only)
//
// The array plot:
//   BM_ArGraphRepaint      64 series of 4,096 points repainted (target: under 16 ms)
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "core/Global.h"
#include "app/Main.h"
#include "db/SqlClientDataSet.h"
#include "screens/graphs/FormFlotGraph.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphGS.h"
#include "screens/graphs/FormGraphZola.h"
#include "charts/ArGraph.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"

#include "MonthFiller.h"
#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// Minute rows on the 15th, second rows on the 16th, each day from 07:00.
constexpr int kMinuteDay = 15;
constexpr int kSecondDay = 16;
// The jig machine's month and the day its screens load.
constexpr int kJigMonth = 3;
constexpr int kJigDay = 15;
// The month of the flotation, belt and hydrosizer minute rows, and the day their screens load.
constexpr int kDayMonth = 4;
constexpr int kDayDay = 15;

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

        benchfill::FillMonth(*db, "pu1", "PostMoment", 2010, kJigMonth, benchfill::JigMachineColumns());
        benchfill::FillMonth(*db, "puf_data", "RecMoment", 2010, kDayMonth,
                             {{"SOF", benchfill::Wave(20, 8, 300)},
                              {"URS", benchfill::Wave(60, 30, 700)},
                              {"URP", benchfill::Wave(50, 25, 900)}});
        benchfill::FillMonth(*db, "belt_386_2", "RecMoment", 2010, kDayMonth,
                             {{"BKK", "1"}, {"TNK", benchfill::Wave(250, 80, 200)}});
        benchfill::FillMonth(*db, "belt_401", "RecMoment", 2010, kDayMonth,
                             {{"BKK", "1"}, {"TNK", benchfill::Wave(180, 60, 260)}});
        benchfill::FillMonth(*db, "pug", "RecMoment", 2010, kDayMonth,
                             {{"PL2_GS", benchfill::Wave(450, 80, 300)},
                              {"PL3_GS", benchfill::Wave(300, 60, 400)},
                              {"RV2_GS", benchfill::Wave(60, 15, 250)},
                              {"RG2_GS", benchfill::Wave(25, 8, 250)},
                              {"TRTW_GS", benchfill::Wave(70, 20, 500)}});

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
        bed = NewForm<TFormGraph3Zoom>(nullptr, 1, AnsiString());
        unloaders = NewForm<TFormGraphTS>(nullptr, 1, AnsiString());
        air = NewForm<TFormGraphAir>(nullptr, 1, AnsiString());
        for (TGraphScreen* s : jigScreens()) {
            s->TimerUpdate->SetEnabled(false);
            s->SetWindowState(wsMaximized);
            s->ShowAllGraphs();
            s->ComboBox1->SetItemIndex(2);
            s->DateTimePicker1->SetDate(EncodeDate(2010, kJigMonth, kJigDay));
        }
        zola = NewForm<TFormGraphZola>(nullptr);
        tanks = NewForm<TFormGraphBakLevel>(nullptr);
        belts = NewForm<TFormGraphBeltWork>(nullptr);
        hydrosizer = NewForm<TFormGraphGS>(nullptr, AnsiString());
        for (TGraphScreen* s : dayScreens()) {
            s->TimerUpdate->SetEnabled(false);
            s->SetWindowState(wsMaximized);
            s->ShowAllGraphs();
            s->ComboBox1->SetItemIndex(2);
            s->DateTimePicker1->SetDate(EncodeDate(2010, kDayMonth, kDayDay));
        }
        Application->ProcessMessages();
    }
    ~Station() {
        for (TGraphScreen* s : dayScreens()) s->Free();
        for (TGraphScreen* s : jigScreens()) s->Free();
        screen->Free();
        main->SQLConnection1->Close();
        testlib::MainWindowFixture::Close(main);
        db.reset();
    }
    testlib::StationFolder folder{"plantmon-bench"};
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* main = nullptr;
    TFormFlotGraph* screen = nullptr;
    TFormGraph3Zoom* bed = nullptr;
    TFormGraphTS* unloaders = nullptr;
    TFormGraphAir* air = nullptr;
    std::vector<TGraphScreen*> jigScreens() const { return {bed, unloaders, air}; }
    TFormGraphZola* zola = nullptr;
    TFormGraphBakLevel* tanks = nullptr;
    TFormGraphBeltWork* belts = nullptr;
    TFormGraphGS* hydrosizer = nullptr;
    std::vector<TGraphScreen*> dayScreens() const { return {zola, tanks, belts, hydrosizer}; }
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
    s.main->ShowFormMaximized(s.screen);  // in front of the other screens, so its paint is real
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
    s.main->ShowFormMaximized(s.screen);
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

// ---- The jig machines' screens ----------------------------------------------------------------------

double jigRawSeconds = 0;

// Mean seconds of fn over the benchmark's iterations.
template <class F>
double timed(benchmark::State& state, F fn) {
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        fn();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    return n ? total / n : 0;
}

void BM_JigRawQuery(benchmark::State& state) {
    Station& s = station();
    TDateTime start = 0, stop = 0;
    GetShiftPeriod(EncodeDate(2010, kJigMonth, kJigDay), 3, start, stop);
    AnsiString sql = s.bed->QueryText(start, stop);
    TSQLQuery rows(nullptr);
    rows.SetSQLConnection(s.main->SQLConnection1);
    rows.SetParamCheck(false);
    int count = 0;
    // As the screen opens its query: the statement set anew, then opened and every row fetched.
    jigRawSeconds = timed(state, [&] {
        rows.Close();
        rows.SQL()->SetText(sql);
        rows.Open();
        count = rows.RecordCount();
    });
    state.counters["rows"] = count;
    state.counters["index"] = benchfill::UsesIndex(*s.db, sql.str(), "ix_pu1_PostMoment") ? 1 : 0;
}

// A day's full reload on a hidden screen: nothing is painted.
void BM_JigScreenLoad(benchmark::State& state) {
    Station& s = station();
    TGraphScreen* screen = state.range(0) == 0 ? static_cast<TGraphScreen*>(s.bed) : s.air;
    state.SetLabel(screen->Setup().ScreenName.str());
    screen->Hide();
    double seconds = timed(state, [&] { screen->Reload(); });
    screen->Show();
    if (jigRawSeconds > 0) state.counters["vs_query"] = seconds / jigRawSeconds;
    state.counters["slots"] = screen->GraphList[0]->IntervalPointCount();
    // How many slots of the last chart hold a point: the day's rows all arrived.
    int filled = 0;
    TLevelGraph* g = screen->GraphList[screen->GraphList[1] && screen->GraphList[2] ? 2 : 1];
    for (int i = 0; i < g->IntervalPointCount(); ++i)
        if (g->GetPoint(0, IncMinute(screen->PeriodStart, i)) >= 0) ++filled;
    state.counters["filled"] = filled;
}

// The charts of the three screens in one list: screen, chart.
std::vector<std::pair<TGraphScreen*, TLevelGraph*>> jigCharts(Station& s) {
    return {{s.bed, s.bed->LevelGraphP},           {s.bed, s.bed->LevelGraphR},
            {s.bed, s.bed->LevelGraphN},           {s.unloaders, s.unloaders->LevelGraphN},
            {s.air, s.air->LevelGraphKKP},         {s.air, s.air->LevelGraphAir}};
}

void BM_JigChartRedraw(benchmark::State& state) {
    Station& s = station();
    auto [screen, g] = jigCharts(s)[static_cast<std::size_t>(state.range(0))];
    state.SetLabel((screen->Setup().ScreenName + "." + g->Name()).str());
    s.main->ShowFormMaximized(screen);
    screen->Reload();
    Application->ProcessMessages();
    for (auto _ : state) {
        g->UpdateChanges();
        g->Repaint();
    }
    state.counters["width"] = g->Width();
    state.counters["height"] = g->Height();
}

void BM_JigScreenPaint(benchmark::State& state) {
    Station& s = station();
    TGraphScreen* screen = s.jigScreens()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(screen->Setup().ScreenName.str());
    s.main->ShowFormMaximized(screen);
    screen->Reload();
    Application->ProcessMessages();
    for (auto _ : state) {
        for (int i = 0; screen->GraphList[i]; ++i) screen->GraphList[i]->UpdateChanges();
        screen->Repaint();
    }
}

// ---- The one-chart screens and the hydrosizer screen -----------------------------------------------

// The day's raw statements: puf_data (ash and tanks), belt_386_2, belt_401 (the belt screen's two),
// pug (the hydrosizer's); mean seconds of each from BM_DayRawQuery.
std::map<int, double> dayRawSeconds;

void BM_DayRawQuery(benchmark::State& state) {
    Station& s = station();
    const int which = static_cast<int>(state.range(0));
    TDateTime start = 0, stop = 0;
    GetShiftPeriod(EncodeDate(2010, kDayMonth, kDayDay), 3, start, stop);
    struct Source {
        TGraphScreen* screen;
        int query;
        const char* index;
    } sources[] = {{s.zola, 0, "ix_puf_data_RecMoment"},
                   {s.belts, 0, "ix_belt_386_2_RecMoment"},
                   // made LIKE belt_386_2: its index has that table's name
                   {s.belts, 1, "ix_belt_386_2_RecMoment"},
                   {s.hydrosizer, 0, "ix_pug_RecMoment"}};
    const Source& src = sources[which];
    AnsiString sql = src.screen->QueryText(start, stop, src.query);
    state.SetLabel(sql.str().substr(0, sql.str().find(" where")));
    int count = 0;
    if (which == 3) {
        // As the hydrosizer screen reads: a query, its statement set anew and opened.
        TSQLQuery rows(nullptr);
        rows.SetSQLConnection(s.main->SQLConnection1);
        rows.SetParamCheck(false);
        dayRawSeconds[which] = timed(state, [&] {
            rows.Close();
            rows.SQL()->SetText(sql);
            rows.Open();
            count = rows.RecordCount();
        });
    } else {
        // As the one-chart screens read: a read-only client dataset.
        TSQLClientDataSet rows(nullptr);
        rows.SetDBConnection(s.main->SQLConnection1);
        rows.SetReadOnly(true);
        dayRawSeconds[which] = timed(state, [&] {
            rows.Close();
            rows.SetCommandText(sql);
            rows.Open();
            count = rows.RecordCount();
        });
    }
    state.counters["rows"] = count;
    state.counters["index"] = benchfill::UsesIndex(*s.db, sql.str(), src.index) ? 1 : 0;
}

// A day's full reload on a hidden screen: nothing is painted.
void BM_DayScreenLoad(benchmark::State& state) {
    Station& s = station();
    const int which = static_cast<int>(state.range(0));
    TGraphScreen* screen = s.dayScreens()[static_cast<std::size_t>(which)];
    state.SetLabel(screen->Setup().ScreenName.str());
    screen->Hide();
    double seconds = timed(state, [&] { screen->Reload(); });
    screen->Show();
    // The raw statements the screen runs: the belt screen runs two.
    double raw = which == 0 || which == 1 ? dayRawSeconds[0]
                 : which == 2             ? dayRawSeconds[1] + dayRawSeconds[2]
                                          : dayRawSeconds[3];
    if (raw > 0) state.counters["vs_query"] = seconds / raw;
    // How many slots of the first chart hold a point of curve 0 (the hydrosizer's: curve 1).
    TLevelGraph* g = screen->GraphList[0];
    const int curve = which == 3 ? 1 : 0;
    int filled = 0;
    for (int i = 0; i < g->IntervalPointCount(); ++i)
        if (g->GetPoint(curve, IncMinute(screen->PeriodStart, i)) >= 0) ++filled;
    state.counters["filled"] = filled;
}

std::vector<std::pair<TGraphScreen*, TLevelGraph*>> dayCharts(Station& s) {
    return {{s.zola, s.zola->LevelGraphZola},          {s.tanks, s.tanks->LevelGraphBakLevel},
            {s.belts, s.belts->LevelGraphBeltWork},    {s.hydrosizer, s.hydrosizer->LevelGraphP},
            {s.hydrosizer, s.hydrosizer->LevelGraphR}, {s.hydrosizer, s.hydrosizer->LevelGraphN},
            {s.hydrosizer, s.hydrosizer->LevelGraphU}};
}

void BM_DayChartRedraw(benchmark::State& state) {
    Station& s = station();
    auto [screen, g] = dayCharts(s)[static_cast<std::size_t>(state.range(0))];
    state.SetLabel((screen->Setup().ScreenName + "." + g->Name()).str());
    s.main->ShowFormMaximized(screen);
    screen->Reload();
    Application->ProcessMessages();
    for (auto _ : state) {
        g->UpdateChanges();
        g->Repaint();
    }
    state.counters["width"] = g->Width();
    state.counters["height"] = g->Height();
}

void BM_DayScreenPaint(benchmark::State& state) {
    Station& s = station();
    TGraphScreen* screen = s.dayScreens()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(screen->Setup().ScreenName.str());
    s.main->ShowFormMaximized(screen);
    screen->Reload();
    Application->ProcessMessages();
    for (auto _ : state) {
        for (int i = 0; screen->GraphList[i]; ++i) screen->GraphList[i]->UpdateChanges();
        screen->Repaint();
    }
}

// ---- The array plot ---------------------------------------------------------------------------------

void BM_ArGraphRepaint(benchmark::State& state) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 1280, 800);
    auto* plot = new TArGraph(&form);
    plot->SetParent(&form);
    plot->SetAlign(alClient);
    plot->SetGraphCount(TArGraph::MaxGraphCount);
    plot->SetGraphSize(TArGraph::MaxGraphSize);
    plot->SetYMin(0);
    plot->SetYMax(1000);
    std::vector<double> series(TArGraph::MaxGraphSize);
    for (int g = 0; g < TArGraph::MaxGraphCount; ++g) {
        // Waves that cross each other over the whole plot, every 97th point a gap.
        for (int i = 0; i < TArGraph::MaxGraphSize; ++i)
            series[static_cast<std::size_t>(i)] =
                i % 97 == 0 ? 0 : 500 + 450 * std::sin((i + 37 * g) * 6.2832 / (300 + 11 * g));
        plot->SetGraphData(series, g);
    }
    form.Show();
    Application->ProcessMessages();
    for (auto _ : state) plot->Repaint();
    state.counters["width"] = plot->Width();
    state.counters["height"] = plot->Height();
}

BENCHMARK(BM_RawQuery)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenLoad)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenLoadAndDraw)->Arg(kMinuteDay)->Arg(kSecondDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JigRawQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JigScreenLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JigChartRedraw)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JigScreenPaint)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayRawQuery)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayScreenLoad)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayChartRedraw)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayScreenPaint)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArGraphRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
