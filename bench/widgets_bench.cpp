// Speed of the flotation diagram: a full repaint of the whole picture (every widget redraws its
// picture) and one tick of its timer with changed values (the widgets that change redraw), against
// a repaint that only shows the kept pictures as the yardstick. The target: a full repaint well
// under one frame (16 ms). The same for the hydrosizer diagram, whose tick reads the main window's
// status query (so it needs the private database): its full repaint under 16 ms, a tick with the
// paints it causes under 5 ms.
#include "core/Global.h"
#include "app/Main.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoGS.h"
#include "screens/diagrams/MnemoReach.h"
#include "screens/diagrams/TotalMnemo.h"
#include "links/BeltScale.h"
#include "rtl/MathUtils.h"
#include "testlib/Station.h"
#include "widgets/BladeWheel.h"
#include "widgets/DensMeter.h"
#include "widgets/EBM.h"
#include "widgets/Mixer.h"
#include "widgets/Pandus.h"
#include "widgets/PullOut.h"
#include "widgets/ShlamBox.h"
#include "widgets/TermoScale.h"
#include "widgets/Transporter.h"
#include "widgets/WaterMEO.h"
#include "testlib/TestDb.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <map>
#include <utility>
#include <array>
#include <memory>
#include <stdexcept>

namespace {

// The program lives in a folder of its own for the run (configuration, config/FormMnemo.INI).
struct Station {
    Station() {
        folder.WriteIni(BenchStationIni);
        main = testlib::MainWindowFixture::Open();
        Application->FormCreated(main);
        main->OnShow = nullptr;  // the other screens of the start-up are not part of this
        main->SetBounds(0, 0, 1280, 860);
        main->Show();
        mnemo = NewForm<TFormMnemo>(nullptr);
        FormMnemo = mnemo;
        mnemo->SetWindowState(wsMaximized);
        Application->ProcessMessages();
    }
    ~Station() {
        mnemo->Free();
        testlib::MainWindowFixture::Close(main);
    }
    testlib::StationFolder folder{"plantmon-bench"};
    TFormMain* main = nullptr;
    TFormMnemo* mnemo = nullptr;
};

Station& station() { return BenchStation<Station>(); }

// Every widget throws its kept picture away, so the next paint draws the whole diagram anew.
void markEverything(TForm* m) {
    for (int i = 0; i < m->ComponentCount(); ++i) {
        TComponent* c = m->Components(i);
        if (auto* f = dynamic_cast<TOutField*>(c)) f->StyleChanged(f);
        else if (auto* b = dynamic_cast<TBarrel*>(c)) b->UpdateChanges();
        else if (auto* k = dynamic_cast<TConusBox*>(c)) k->UpdateChanges();
        if (auto* ctl = dynamic_cast<TControl*>(c)) ctl->Invalidate();
    }
}

void BM_FlotationDiagramFullRepaint(benchmark::State& state) {
    TFormMnemo* m = station().mnemo;
    const int before = m->OutFieldPLF->PaintCount();
    for (auto _ : state) {
        markEverything(m);
        m->Repaint();
    }
    state.counters["widgets"] = m->ComponentCount();
    state.counters["paints"] = benchmark::Counter(m->OutFieldPLF->PaintCount() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FlotationDiagramFullRepaint)->Unit(benchmark::kMillisecond);

// The yardstick: the same repaint with every widget's kept picture still valid, so each only copies
// it to the screen (graphic widgets, which keep none, draw as always). The difference to the full
// repaint is the drawing of the pictures themselves.
void BM_FlotationDiagramRepaintKept(benchmark::State& state) {
    TFormMnemo* m = station().mnemo;
    m->Repaint();
    for (auto _ : state) {
        for (int i = 0; i < m->ComponentCount(); ++i)
            if (auto* ctl = dynamic_cast<TControl*>(m->Components(i))) ctl->Invalidate();
        m->Repaint();
    }
}
BENCHMARK(BM_FlotationDiagramRepaintKept)->Unit(benchmark::kMillisecond);

// One tick of the diagram's timer after the state timer changed every value and flag, then the
// paints it causes. With colours: the section also starts or stops at every tick, so every colour
// group is coloured anew (arrows and polygons repaint at once when their colour changes).
void updateTick(benchmark::State& state, bool stateChanges) {
    Station& s = station();
    TFormMain* main = s.main;
    int n = 0;
    for (auto _ : state) {
        const bool odd = (++n & 1) != 0;
        for (int i = 0; i < 10; ++i) main->PufValues[i] = static_cast<float>(odd ? 10 * (i + 1) + 0.7 : 5 * (i + 1));
        main->PufValues[1] = stateChanges && !odd ? 0.5f : 120.f;
        main->StateFlags[3] = true;
        for (int i = 0; i < 6; ++i) main->PufFlags[i] = static_cast<std::uint8_t>(odd ? (i & 1) : !(i & 1));
        s.mnemo->TimerUpdateTimer(s.mnemo->TimerUpdate);
        Application->ProcessMessages();
    }
}

void BM_FlotationDiagramStateTick(benchmark::State& state) { updateTick(state, false); }
BENCHMARK(BM_FlotationDiagramStateTick)->Unit(benchmark::kMillisecond);

void BM_FlotationDiagramStateTickWithColours(benchmark::State& state) { updateTick(state, true); }
BENCHMARK(BM_FlotationDiagramStateTickWithColours)->Unit(benchmark::kMillisecond);

// The main window's general and status connections on one station's scratch database while one
// benchmark (or a station's set-up) runs, closed again when it ends. The stations share the main
// window: a connection still open on another station's database would ignore Open and read the
// wrong rows, so each benchmark points and opens them itself.
class StationConnections {
public:
    StationConnections(TFormMain* main, const testdb::ScratchDatabase& db) : main_(main) {
        close();
        for (TSQLConnection* c : connections()) {
            testlib::ConnectToScratch(main_, db, c);
            c->Open();
        }
    }
    ~StationConnections() { close(); }
    StationConnections(const StationConnections&) = delete;
    StationConnections& operator=(const StationConnections&) = delete;

private:
    std::array<TSQLConnection*, 2> connections() const { return {main_->SQLConnection1, main_->SQLConnectionUser}; }
    void close() {
        for (TSQLConnection* c : connections()) c->Close();
    }
    TFormMain* main_;
};

// The hydrosizer diagram on the same main window, its connections on a scratch database of the
// private server, the status query holding one state row.
struct HydroStation {
    HydroStation() : main(station().main) {
        db = std::make_unique<testdb::ScratchDatabase>();
        db->Exec("insert into pug_state (RecMoment, PL1_GS, RV1_GS, RG1_GS, PL2_GS, RV2_GS, RG2_GS, PL3_GS, TRTW_GS) "
                 "values (now(), 1400, 520, 728, 1250, 400, 500, 1320, 180)");
        auto link = Connect();
        gs = NewForm<TFormMnemoGS>(nullptr);
        FormMnemoGS = gs;
        gs->TimerUpdate->SetEnabled(false);
        gs->SetWindowState(wsMaximized);
        Application->ProcessMessages();
    }
    ~HydroStation() {
        gs->Free();
        main->SQLQueryPugState->Close();
    }
    // The connections on this station's database, the status query read from it.
    std::unique_ptr<StationConnections> Connect() {
        auto link = std::make_unique<StationConnections>(main, *db);
        main->SQLQueryPugState->Close();
        main->SQLQueryPugState->Open();
        return link;
    }
    TFormMain* main;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMnemoGS* gs = nullptr;
};

HydroStation* hydroStation(benchmark::State& state) {
    if (testdb::Available()) return &BenchStation<HydroStation>();
    state.SkipWithError("no database: run through scripts/bench");
    return nullptr;
}

// Every widget of the hydrosizer diagram draws its picture anew. Target: under 16 ms.
void BM_HydrosizerDiagramFullRepaint(benchmark::State& state) {
    HydroStation* s = hydroStation(state);
    if (!s) return;
    auto link = s->Connect();
    const int before = s->gs->GydroSizer1->PaintCount();
    for (auto _ : state) {
        markEverything(s->gs);
        s->gs->Repaint();
    }
    state.counters["widgets"] = s->gs->ComponentCount();
    state.counters["paints"] =
        benchmark::Counter(s->gs->GydroSizer1->PaintCount() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HydrosizerDiagramFullRepaint)->Unit(benchmark::kMillisecond);

// One tick of the diagram's timer and the paints it causes. The link is alternately alive and lost,
// so at every tick all six colour groups change and all eight fields change their value. Target:
// under 5 ms.
void BM_HydrosizerDiagramTick(benchmark::State& state) {
    HydroStation* s = hydroStation(state);
    if (!s) return;
    auto link = s->Connect();
    bool alive = false;
    const int before = s->gs->OutField_PL2_GS->PaintCount();
    for (auto _ : state) {
        alive = !alive;
        s->main->StateFlags[5] = alive;
        s->gs->TimerUpdateTimer(s->gs->TimerUpdate);
        Application->ProcessMessages();
    }
    state.counters["fieldPaints"] =
        benchmark::Counter(s->gs->OutField_PL2_GS->PaintCount() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HydrosizerDiagramTick)->Unit(benchmark::kMillisecond);

}  // namespace

// ---- The equipment widgets one by one ------------------------------------------------------------
// A full repaint of each widget at 200 x 200 (its picture drawn anew; the widgets that keep none
// draw at every paint anyway), and the mixer at 400 x 400 with its water fill. The yardstick is the
// mixer's repaint that only shows its kept picture. Targets: each well under 2 ms, the large mixer
// under one frame (16 ms).
namespace {

struct EquipmentForm {
    EquipmentForm() {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 1000, 820);
        form->Show();
    }
    ~EquipmentForm() { form->Free(); }
    // A widget of class W, w x h, on the form (one per class and size, made on first use).
    template <class W>
    W* Get(int w, int h) {
        static std::map<std::pair<int, int>, W*> made;
        W*& widget = made[{w, h}];
        if (!widget) {
            widget = new W(form);
            widget->SetParent(form);
            widget->SetBounds(next % 5 * 200, next / 5 * 200, w, h);
            next += w / 200 * (h / 200);
            setUp(widget);
            Application->ProcessMessages();
        }
        return widget;
    }
    TForm* form = nullptr;
    int next = 0;

private:
    template <class W>
    static void setUp(W*) {}
    static void setUp(TEBM* m) {
        m->SetBladeCount(6);
        m->SetIntR(10);
    }
    static void setUp(TDensMeter* d) {
        d->SetCaption("Плотность");
        d->SetOutValue(130);
    }
    static void setUp(TTermoScale* s) {
        TStringList lines;
        lines.SetText("0\n25\n50\n75\n100");
        s->SetLines(&lines);
    }
};

EquipmentForm& equipment() { return BenchStation<EquipmentForm>(); }

template <class W>
void redrawAndRepaint(benchmark::State& state, W* w) {
    const int before = w->PaintCount();
    for (auto _ : state) {
        if constexpr (requires { w->UpdateChanges(); }) w->UpdateChanges();
        w->Repaint();
    }
    state.counters["paints"] = benchmark::Counter(w->PaintCount() - before, benchmark::Counter::kAvgIterations);
}

template <class W>
void BM_EquipmentFullRepaint200(benchmark::State& state) {
    redrawAndRepaint(state, equipment().Get<W>(200, 200));
}
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TMixer)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TBladeWheel)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TEBM)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TDensMeter)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TTermoScale)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TShlamBox)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TWaterMEO)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TPandus)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TTransporter)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EquipmentFullRepaint200, TPullOut)->Unit(benchmark::kMillisecond);

void BM_MixerFullRepaint400(benchmark::State& state) { redrawAndRepaint(state, equipment().Get<TMixer>(400, 400)); }
BENCHMARK(BM_MixerFullRepaint400)->Unit(benchmark::kMillisecond);

// The yardstick: the same mixer shows its kept picture only.
void BM_MixerRepaintKept400(benchmark::State& state) {
    TMixer* m = equipment().Get<TMixer>(400, 400);
    m->Repaint();
    for (auto _ : state) m->Repaint();
}
BENCHMARK(BM_MixerRepaintKept400)->Unit(benchmark::kMillisecond);

// ---- The jig-machine diagram and the plant overview ----------------------------------------------
// On the same main window: both machines' rows in a scratch database of the private server (running,
// fed, pulsing), read once by the state timer; the diagram's timers are driven by hand. The
// particles are those of ten simulated minutes of both machines fed, from a seeded generator.

struct JigStation {
    JigStation() {
        if (!testdb::Available()) throw std::runtime_error("no database: run through scripts/bench");
        Station& s = station();
        main = s.main;
        db = std::make_unique<testdb::ScratchDatabase>();
        for (const char* m : {"1", "2"}) {
            db->Exec(std::string("insert into pu") + m + " (PostMoment, TPST_1, TPST_2, TPST_3, ZPST_1, ZPST_2, ZPST_3, "
                     "TIN, TOUT, TPAUSA, KKP, TS_1, TS_2, TS_3, RAB, NRAB) values (now(), 120, 115, 110, 125, 120, 115, "
                     "1234.5, 40, 30, 55, 40, 45, 50, 1, 1)");
            db->Exec(std::string("insert into pu") + m + "_state (PostMoment, NRAB) values (now(), 1)");
        }
        main->TimerRefreshState->SetEnabled(false);
        auto link = Connect();
        UpdateBeltScale(0, [](TBeltScaleRec& r) { r.TNK = 320; r.BKK = 1; });
        UpdateBeltScale(1, [](TBeltScaleRec& r) { r.TNK = 180; r.BKK = 1; });

        reach = NewForm<TFormMnemoReach>(nullptr);
        FormMnemoReach = reach;
        total = NewForm<TFormTotalMnemo>(nullptr);
        FormTotalMnemo = total;
        for (TTimer* t : {reach->TimerUpdate, reach->TimerStep, reach->Timer1000Ms, total->TimerUpdate}) t->SetEnabled(false);
        for (TForm* f : {static_cast<TForm*>(reach), static_cast<TForm*>(total)}) f->SetWindowState(wsMaximized);
        // Ten minutes in 20 ms steps: the 100 ms update, the 60 ms step, the second's readings.
        for (int ms = 0; ms < 10 * 60 * 1000; ms += 20) {
            if (ms % 100 == 0) {
                reach->TimerUpdateTimer(reach->TimerUpdate);
                if (ms == 0) SetRandSeed(24);
            }
            if (ms % 60 == 0) reach->TimerStepTimer(reach->TimerStep);
            if (ms % 1000 == 0) reach->Timer1000MsTimer(reach->Timer1000Ms);
        }
        for (int i = 0; i < 6; ++i) saved[i] = *reach->Separators[i]->Balls();
        Application->ProcessMessages();
    }
    ~JigStation() {
        total->Free();
        reach->Free();
        db.reset();
    }
    // The connections on this station's database and the machines' state read from it once, as the
    // state timer reads it.
    std::unique_ptr<StationConnections> Connect() {
        auto link = std::make_unique<StationConnections>(main, *db);
        main->TimerRefreshStateTimer(main->TimerRefreshState);
        if (!main->StateFlags[1] || !main->StateFlags[2]) throw std::runtime_error("the machines' links are not alive");
        main->StateFlags[4] = true;
        return link;
    }
    // The particles as the ten minutes left them.
    void Restore() {
        for (int i = 0; i < 6; ++i) *reach->Separators[i]->Balls() = saved[i];
    }
    int Particles() const {
        int n = 0;
        for (TSeparator* s : reach->Separators) n += s->BallCount();
        return n;
    }
    void Front(TForm* f) {
        f->BringToFront();
        Application->ProcessMessages();
    }
    TFormMain* main = nullptr;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMnemoReach* reach = nullptr;
    TFormTotalMnemo* total = nullptr;
    std::array<TBallList, 6> saved;
};

// The station with its connections open for one benchmark, which holds link while it runs; null
// when the benchmark is skipped.
JigStation* jigStation(benchmark::State& state, std::unique_ptr<StationConnections>& link) {
    try {
        JigStation* j = &BenchStation<JigStation>();
        link = j->Connect();
        return j;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// Every widget of a diagram throws its kept picture away, so the next paint draws all of it anew.
void markJigPictures(TForm* f) {
    for (int i = 0; i < f->ComponentCount(); ++i) {
        TComponent* c = f->Components(i);
        if (auto* s = dynamic_cast<TSeparator*>(c)) s->UpdateChanges();
        else if (auto* fan = dynamic_cast<TFan*>(c)) fan->UpdateChanges();
        else if (auto* t = dynamic_cast<TAniTrans*>(c)) t->StyleChanged(t);
        else if (auto* o = dynamic_cast<TOutField*>(c)) o->StyleChanged(o);
        else if (auto* b = dynamic_cast<TBarrel*>(c)) b->UpdateChanges();
        else if (auto* k = dynamic_cast<TConusBox*>(c)) k->UpdateChanges();
        if (auto* ctl = dynamic_cast<TControl*>(c)) ctl->Invalidate();
    }
}

void fullRepaint(benchmark::State& state, bool overview) {
    std::unique_ptr<StationConnections> link;
    JigStation* j = jigStation(state, link);
    if (!j) return;
    j->Restore();
    TForm* f = overview ? static_cast<TForm*>(j->total) : static_cast<TForm*>(j->reach);
    if (overview) j->total->TimerUpdateTimer(j->total->TimerUpdate);
    j->Front(f);
    for (auto _ : state) {
        markJigPictures(f);
        f->Repaint();
    }
    state.counters["widgets"] = f->ComponentCount();
    state.counters["particles"] = j->Particles();
}

void BM_JigDiagramFullRepaint(benchmark::State& state) { fullRepaint(state, false); }
BENCHMARK(BM_JigDiagramFullRepaint)->Unit(benchmark::kMillisecond);

void BM_OverviewFullRepaint(benchmark::State& state) { fullRepaint(state, true); }
BENCHMARK(BM_OverviewFullRepaint)->Unit(benchmark::kMillisecond);

// The 100 ms tick: water, unloaders, a particle every seventh tick, and the paints it causes.
void BM_JigDiagramUpdateTick(benchmark::State& state) {
    std::unique_ptr<StationConnections> link;
    JigStation* j = jigStation(state, link);
    if (!j) return;
    j->Restore();
    j->Front(j->reach);
    for (auto _ : state) {
        j->reach->TimerUpdateTimer(j->reach->TimerUpdate);
        Application->ProcessMessages();
    }
    j->Restore();
}
BENCHMARK(BM_JigDiagramUpdateTick)->Unit(benchmark::kMillisecond);

// The 60 ms step of all six compartments and both conveyors, with their repaint, each time from
// the particles of the ten minutes (putting them back costs next to nothing beside the step).
void BM_JigDiagramStepAfterTenMinutes(benchmark::State& state) {
    std::unique_ptr<StationConnections> link;
    JigStation* j = jigStation(state, link);
    if (!j) return;
    j->Front(j->reach);
    TSeparator* first = j->reach->Separators[0];
    const int before = first->PaintCount();
    for (auto _ : state) {
        j->Restore();
        j->reach->TimerStepTimer(j->reach->TimerStep);
        Application->ProcessMessages();
    }
    j->Restore();
    state.counters["particles"] = j->Particles();
    state.counters["paints"] = benchmark::Counter(first->PaintCount() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_JigDiagramStepAfterTenMinutes)->Unit(benchmark::kMillisecond);

// The overview's 100 ms tick (the flotation part on every fifth) with the repaint it causes.
void BM_OverviewTick(benchmark::State& state) {
    std::unique_ptr<StationConnections> link;
    JigStation* j = jigStation(state, link);
    if (!j) return;
    j->Restore();
    j->Front(j->total);
    for (auto _ : state) {
        j->total->TimerUpdateTimer(j->total->TimerUpdate);
        Application->ProcessMessages();
    }
    state.counters["particles"] = j->Particles();
}
BENCHMARK(BM_OverviewTick)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
