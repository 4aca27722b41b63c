// Speed of the grid table screens over the private database, a month of minute rows (2010-03) in
// pu1, pu2, puf_data, belt_386_2, belt_401 and pug (bench/MonthFiller.h) and 1,440 messages in
// puf_log on the 15th. Each screen is set against its own statements opened alone through
// TSQLClientDataSet in the same run ("vs_query": the screen's time over the statements'):
//   BM_BrowserRaw / BM_BrowserLoad   the browser's six tables over one day (range 0) and the whole
//                                    month (range 1, about 268,000 rows) (target: at most 1.5)
//   BM_MainTableRaw / BM_MainTableReload   the general table's twelve statements and its reload on
//                                    the 31st (target: at most 1.2)
//   BM_GSRaw / BM_GSReload           the hydrosizer table's four statements and its reload on the
//                                    31st (target: at most 1.2)
//   BM_JournalRaw / BM_JournalLoad   a journal day's select and the flotation journal's load of that
//                                    day (target: at most 1.5)
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "app/Main.h"
#include "core/Global.h"
#include "db/SqlClientDataSet.h"
#include "screens/tables/BaseView.h"
#include "screens/tables/PUF_Log.h"
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"

#include "MonthFiller.h"
#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kYear = 2010;
constexpr int kMonth = 3;

struct Station {
    Station() {
        if (!testdb::Available()) throw std::runtime_error("no database: run through scripts/bench");
        folder.WriteIni(BenchStationIni);
        std::filesystem::create_directories(folder / "Template");
        std::filesystem::copy_file(testdb::SourcePath("templates/GS_work.xml"), folder / "Template/GS_work.xml");

        db = std::make_unique<testdb::ScratchDatabase>();
        benchfill::FillMonth(*db, "pu1", "PostMoment", kYear, kMonth, benchfill::JigMachineColumns());
        benchfill::FillMonth(*db, "pu2", "PostMoment", kYear, kMonth, benchfill::JigMachineColumns());
        benchfill::FillMonth(*db, "puf_data", "RecMoment", kYear, kMonth,
                             {{"RVF", benchfill::Wave(500, 150, 300)},
                              {"RGF", benchfill::Wave(80, 30, 400)},
                              {"TRRS", benchfill::Wave(60, 20, 500)},
                              {"TRRP", benchfill::Wave(30, 10, 600)},
                              {"F1AS", "seq % 2"},
                              {"F1RS", "1"}});
        benchfill::FillMonth(*db, "belt_386_2", "RecMoment", kYear, kMonth,
                             {{"BKK", "1"}, {"TNK", benchfill::Wave(250, 80, 200)}, {"G_1T1", benchfill::Wave(4, 1, 200)}});
        benchfill::FillMonth(*db, "belt_401", "RecMoment", kYear, kMonth,
                             {{"BKK", "1"}, {"TNK", benchfill::Wave(180, 60, 260)}, {"G_1T1", benchfill::Wave(3, 1, 260)}});
        benchfill::FillMonth(*db, "pug", "RecMoment", kYear, kMonth,
                             {{"PL2_GS", benchfill::Wave(450, 80, 300)},
                              {"RV2_GS", benchfill::Wave(60, 15, 250)},
                              {"RG2_GS", benchfill::Wave(25, 8, 250)}});
        db->Exec("insert into puf_log (PostMoment, Message) select '2010-03-15 07:00:00' + interval (seq - 1) minute, "
                 "concat('Изменение уставки расхода собирателя, запись ', seq) from seq_1_to_1440");
        db->Exec("analyze table puf_log");

        main = testlib::MainWindowFixture::Open();
        Application->FormCreated(main);
        main->OnShow = nullptr;
        main->TimerRefreshState->SetEnabled(false);
        main->TimerGetLog->SetEnabled(false);
        testlib::ConnectToScratch(main, *db, main->SQLConnection1);
        main->SQLConnection1->Open();
        main->SetBounds(0, 0, 1280, 1024);
        main->Show();

        browser = NewForm<TFormBaseView>(nullptr);
        table = NewForm<TFormTableMain>(nullptr);
        gs = NewForm<TFormTable_GS_work>(nullptr);
        journal = NewForm<TFormPUF_Log>(nullptr);
        table->TimerUpdate->SetEnabled(false);
        gs->TimerUpdate->SetEnabled(false);
        journal->TimerAutoRefresh->SetEnabled(false);
        table->DateTimePicker1->SetDate(EncodeDate(kYear, kMonth, 31));
        gs->DateTimePicker1->SetDate(EncodeDate(kYear, kMonth, 31));
        journal->DateTimePicker1->SetDate(EncodeDate(kYear, kMonth, 15));
        journal->ComboBox1->SetItemIndex(2);
        Application->ProcessMessages();
    }
    ~Station() {
        for (TForm* f : std::initializer_list<TForm*>{journal, gs, table, browser}) f->Free();
        main->SQLConnection1->Close();
        testlib::MainWindowFixture::Close(main);
        db.reset();
    }
    // The browser's range: one day (the 15th) or the whole month.
    void SetRange(bool month) {
        browser->DateTimePicker1->SetDate(EncodeDate(kYear, kMonth, month ? 1 : 15));
        browser->DateTimePicker2->SetTime(EncodeTime(0, 0, 0, 0));
        browser->DateTimePicker3->SetDate(EncodeDate(kYear, kMonth, month ? 31 : 15));
        browser->DateTimePicker4->SetTime(EncodeTime(23, 59, 59, 0));
    }
    std::vector<AnsiString> BrowserStatements(bool month) const {
        const TDateTime from = EncodeDate(kYear, kMonth, month ? 1 : 15);
        const TDateTime to = EncodeDate(kYear, kMonth, month ? 31 : 15) + EncodeTime(23, 59, 59, 0);
        std::vector<AnsiString> out;
        for (int i = 0; i < TFormBaseView::TableCount; ++i) {
            const bool rec = i >= 2;
            out.push_back(AnsiString("select * from ") + TFormBaseView::TableNames[i] + MakeTimeRangeWhere(from, to, rec) +
                          (rec ? " ORDER BY RecMoment" : " ORDER BY PostMoment"));
        }
        return out;
    }
    // The general table's twelve statements or the hydrosizer table's four, for the 31st.
    std::vector<AnsiString> TableStatements(bool general) const {
        std::vector<AnsiString> out;
        table->ShownDate = EncodeDate(kYear, kMonth, 31);
        for (int p = 1; p <= 4; ++p) {
            table->ComputePeriod(p);
            const AnsiString start = table->PeriodStartText(), stop = table->PeriodStopText();
            if (general) {
                out.push_back(TFormTableBelt::PeriodStatement(start, stop));
                out.push_back(TFormTableMain::JigStatement(start, stop));
                out.push_back(TFormTableFlot::PeriodStatement(start, stop));
            } else {
                out.push_back("select sum(RV1_GS) as In_RV, sum(RG1_GS) as In_GS,  sum(RV2_GS) as Out_RV, "
                              "sum(RG2_GS) as Out_GS from pug where RecMoment >= '" + start +
                              "' and RecMoment <= '" + stop + "'");
            }
        }
        return out;
    }
    AnsiString JournalStatement() const {
        TDateTime start = 0, stop = 0;
        GetShiftPeriod(EncodeDate(kYear, kMonth, 15), 3, start, stop);
        return "select * from puf_log\r\n" + MakeTimeRangeWhere(start, stop, false) + " order by PostMoment";
    }

    testlib::StationFolder folder{"plantmon-bench"};
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* main = nullptr;
    TFormBaseView* browser = nullptr;
    TFormTableMain* table = nullptr;
    TFormTable_GS_work* gs = nullptr;
    TFormPUF_Log* journal = nullptr;
};

Station& station() { return BenchStation<Station>(); }

// Mean seconds of the raw statements of each case, from the *Raw benchmarks of the same run.
std::map<std::string, double> rawSeconds;

double Seconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Opens each statement alone, every row fetched.
void Raw(benchmark::State& state, const std::string& key, const std::vector<AnsiString>& statements) {
    Station& s = station();
    TSQLClientDataSet rows(nullptr);
    rows.SetDBConnection(s.main->SQLConnection1);
    rows.SetCommandType(ctQuery);
    double total = 0;
    int n = 0;
    long long count = 0;
    for (auto _ : state) {
        count = 0;
        total += Seconds([&] {
            for (const AnsiString& sql : statements) {
                rows.Close();
                rows.SetCommandText(sql);
                rows.Open();
                count += rows.RecordCount();
            }
        });
        ++n;
    }
    rows.Close();
    rawSeconds[key] = total / n;
    state.counters["rows"] = static_cast<double>(count);
}

void Screen(benchmark::State& state, const std::string& key, const std::function<void()>& run) {
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        total += Seconds(run);
        ++n;
    }
    if (rawSeconds.count(key) && rawSeconds[key] > 0) state.counters["vs_query"] = total / n / rawSeconds[key];
}

void BM_BrowserRaw(benchmark::State& state) {
    const bool month = state.range(0) != 0;
    Raw(state, month ? "browser-month" : "browser-day", station().BrowserStatements(month));
}

void BM_BrowserLoad(benchmark::State& state) {
    Station& s = station();
    const bool month = state.range(0) != 0;
    s.SetRange(month);
    Screen(state, month ? "browser-month" : "browser-day", [&] { s.browser->ButLoadClick(s.browser->ButLoad); });
    long long rows = 0;
    for (TSQLClientDataSet* ds : s.browser->DataSets) rows += ds->RecordCount();
    state.counters["rows"] = static_cast<double>(rows);
    for (TSQLClientDataSet* ds : s.browser->DataSets) ds->Close();
}

void BM_MainTableRaw(benchmark::State& state) { Raw(state, "main", station().TableStatements(true)); }

void BM_MainTableReload(benchmark::State& state) {
    Station& s = station();
    Screen(state, "main", [&] { s.table->Reload(); });
}

void BM_GSRaw(benchmark::State& state) { Raw(state, "gs", station().TableStatements(false)); }

void BM_GSReload(benchmark::State& state) {
    Station& s = station();
    Screen(state, "gs", [&] { s.gs->Reload(); });
}

void BM_JournalRaw(benchmark::State& state) { Raw(state, "journal", {station().JournalStatement()}); }

void BM_JournalLoad(benchmark::State& state) {
    Station& s = station();
    Screen(state, "journal", [&] { s.journal->LoadJournal(); });
    state.counters["rows"] = s.journal->SQLClientDataSetPuf->RecordCount();
}

BENCHMARK(BM_BrowserRaw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainTableRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainTableReload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GSRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GSReload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalLoad)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
