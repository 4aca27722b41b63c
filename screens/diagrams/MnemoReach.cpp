#include "screens/diagrams/MnemoReach.h"

#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "rtl/FileUtils.h"
#include "rtl/MathUtils.h"
#include "screens/diagrams/ColorGroups.h"
#include "screens/diagrams/DiagramLooks.h"
#include "screens/diagrams/JigPicture.h"
#include "widgets/ComponentTable.h"

#include <algorithm>
#include <cmath>

TFormMnemoReach* FormMnemoReach = nullptr;
bool TFormMnemoReach::NextIsCoal[2] = {false, false};

namespace {

// The picture is 1024 pixels wide; the panels beside it take what the window has more.
constexpr int PictureWidth = 1024;

// A value of the dataset's current row; 0 when the dataset is closed or has no such column.
double Value(TDataSet* q, const char* field) {
    if (!q || !q->Active()) return 0;
    TField* f = q->FindField(field);
    return f && !f->IsNull() ? f->AsFloat() : 0;
}

// What differs between the two machines.
struct TMachine {
    bool (*pulses)(double kkp);
    double waterVyOffset[3];
    double coalR, rockR;
    // Horizontal and vertical speed of a new particle: RandG(mean, deviation) + offset.
    double coalVx[2], coalVy[2], rockVx[2], rockVy[2];
    double coalOwnVy, rockOwnVy;
};

const TMachine Machines[2] = {
    {[](double kkp) { return kkp != 0; }, {-0.5, 0.2, 1.0}, 5, 5, {1, 0.5}, {0, 0.5}, {0, 0.5}, {0, 0.5}, 0.4, 2.3},
    {[](double kkp) { return kkp > 0; }, {-0.5, 0.5, 0.7}, 4, 4, {1.5, 1.8}, {0.5, 1.7}, {1.5, 1.8}, {0.5, 1.7}, 0.6, 2.5},
};

}  // namespace

TFormMnemoReach::TFormMnemoReach(TComponent* owner) : TForm(owner) {
    SetName("FormMnemoReach");
    IniFileName = ExtractFilePath(ProgramFileName()) + Name() + ".INI";
    SetFormStyle(fsMDIChild);
    SetCaption("Мнемосхема обогащения методом отсадки");
    SetColor(clBlack);
    SetBorderIcons(0);
    Constraints()->SetMinWidth(800);
    Constraints()->SetMinHeight(560);
    SetBounds(0, 0, PictureWidth, 560);
    buildComponents();
    OnCreate = TNotifyEvent(this, &TFormMnemoReach::FormCreate);
    OnResize = TNotifyEvent(this, &TFormMnemoReach::FormResize);
    router_ = std::make_unique<TWidgetEditRouter>(this, IniFileName,
                                                  std::vector<AnsiString>{"TArrow", "TLabel", "TPoligon"},
                                                  TNotifyEvent(this, &TFormMnemoReach::ColorConfigClick));
    // The nozzle lamps show the colour of their inlet pipes, as edited or loaded.
    router_->AfterWalk = [this] {
        for (int i = 0; i < 6; ++i) WaterCircles[i]->SetWaterColor(InletArrows[i]->Color());
    };
    SetEditMode();
}

TFormMnemoReach::~TFormMnemoReach() {
    if (FormMnemoReach == this) FormMnemoReach = nullptr;
}

void TFormMnemoReach::buildComponents() {
    std::vector<TComponentRow> rows;
    rows.push_back(Row<TLabel>("Label2", "", 0, 0, PictureWidth, 28, 0, [this](TLabel* l) {
        HeadingLook(l, "Мнемосхема  обогащения  угля  методом  отсадки", PictureWidth, 28, 14);
        l->SetAlign(alTop);
        Label2 = l;
    }));
    rows.push_back(Row<TPanel>("PanelLeft", "", 0, 28, 0, 532, 0, FrameLook(PanelLeft, alLeft)));
    rows.push_back(Row<TPanel>("PanelRight", "", PictureWidth, 28, 0, 532, 0, FrameLook(PanelRight, alRight)));
    rows.push_back(Row<TPanel>("PanelCenter", "", 0, 28, PictureWidth, 532, 0, FrameLook(PanelCenter, alClient)));

    // Raw coal comes in from the right along the common conveyor; a plough drops machine 2's share
    // into its hopper, the rest falls onto machine 1's own conveyor at the far end.
    auto conveyor = [](TAniTrans*& out, double x2, double r, double rk, int scoops, double lh, TColor coal) {
        return [&out, x2, r, rk, scoops, lh, coal](TAniTrans* t) {
            t->SetBevelOuter(bvNone);
            t->SetCaption("");
            t->SetVirtH(60);
            t->SetVirtW(50);
            t->SetX1(15);
            t->SetY1(25);
            t->SetX2(x2);
            t->SetY2(25);
            t->SetR(r);
            t->SetIntR(3);
            t->SetRk(rk);
            t->SetScoopCount(scoops);
            t->SetScoopLH(lh);
            t->SetCoalColor(coal);
            t->SetBladeCount(6);
            t->BladePen()->SetColor(clNavy);
            t->SetCoalMax(0.47);
            t->SetShowCoal(true);
            out = t;
        };
    };
    rows.push_back(JigText("LabelRawCoal", "PanelCenter", 870, 4, "Рядовой уголь", 0, clLime, 9, true));
    rows.push_back(JigPipe("ArrowRawCoal", "PanelCenter", 1016, 28, 680, 28, 0, clLime, true));
    rows.push_back(Row<TAniTrans>("AniTrans2", "PanelCenter", 0, 2, 675, 51, 0,
                                  conveyor(AniTrans2, 760, 10, 15, 30, 2, clTeal)));
    rows.push_back(Row<TAniTrans>("AniTrans1", "PanelCenter", 0, 66, 214, 40, 0,
                                  conveyor(AniTrans1, 290, 15, 12, 8, 27, clFuchsia)));
    TJigLayout g;
    g.Parent = "PanelCenter";
    rows.push_back(JigPipe("ArrowFeed11", "PanelCenter", 12, 45, 12, 76, 1300, JigGroupColor(1300), true));
    rows.push_back(JigPipe("ArrowFeed12", "PanelCenter", g.Left + 12, 98, g.Left + 12, g.Top - 16, 1300,
                           JigGroupColor(1300), true));
    rows.push_back(JigPipe("ArrowFeed2", "PanelCenter", g.Left + JigMachineStep + 12, 50, g.Left + JigMachineStep + 12,
                           g.Top - 16, 2300, JigGroupColor(2300), true));
    AddJigPicture(rows, g);

    rows.push_back(Item<TTimer>("TimerUpdate", [this](TTimer* t) {
        t->SetInterval(100);
        t->OnTimer = TNotifyEvent(this, &TFormMnemoReach::TimerUpdateTimer);
        TimerUpdate = t;
    }));
    rows.push_back(Item<TTimer>("TimerStep", [this](TTimer* t) {
        t->SetInterval(60);
        t->OnTimer = TNotifyEvent(this, &TFormMnemoReach::TimerStepTimer);
        TimerStep = t;
    }));
    rows.push_back(Item<TTimer>("Timer1000Ms", [this](TTimer* t) {
        t->SetInterval(1000);
        t->OnTimer = TNotifyEvent(this, &TFormMnemoReach::Timer1000MsTimer);
        Timer1000Ms = t;
    }));
    BuildComponents(this, rows);

    for (int i = 0; i < 6; ++i) {
        const AnsiString n = IntToStr(i + 1);
        Separators[i] = static_cast<TSeparator*>(FindComponent("Separator" + n));
        Fans[i] = static_cast<TFan*>(FindComponent("Fan" + n));
        WaterCircles[i] = static_cast<TWaterCircle*>(FindComponent("WaterCircle1" + n));
        InletArrows[i] = static_cast<TArrow*>(FindComponent("Arrow1" + n));
    }
    Oxigen1 = static_cast<TFan*>(FindComponent("Oxigen1"));
    Oxigen2 = static_cast<TFan*>(FindComponent("Oxigen2"));
    LabelTPST_left = static_cast<TLabel*>(FindComponent("LabelTPST_left"));
    LabelZPST_left = static_cast<TLabel*>(FindComponent("LabelZPST_left"));
    LabelTPST_right = static_cast<TLabel*>(FindComponent("LabelTPST_right"));
    LabelZPST_right = static_cast<TLabel*>(FindComponent("LabelZPST_right"));
}

void TFormMnemoReach::FormCreate(TObject*) {
    // The air supply is a plain housing here.
    Oxigen1->SetBladeCount(0);
    Oxigen2->SetBladeCount(0);
}

void TFormMnemoReach::FormResize(TObject*) {
    const int side = std::max(0, (Width() - PictureWidth) / 2);
    PanelLeft->SetWidth(side);
    PanelRight->SetWidth(side);
}

// ---- 100 ms: water, unloaders and feed ------------------------------------------------------------

void TFormMnemoReach::TimerUpdateTimer(TObject*) {
    if (updating_) return;
    updating_ = true;
    const int t = UpdateTick;
    UpdateTick = t + 1;
    if (t == 0) Randomize();
    if (UpdateTick > 600) UpdateTick = 0;
    for (int m = 0; m < 2; ++m) {
        try {
            updateMachine(m);
        } catch (...) {
            // A bad row or a lost query shows at the next tick again; the other machine goes on.
        }
    }
    updating_ = false;
}

void TFormMnemoReach::updateMachine(int m) {
    if (!MainView) return;
    TSQLQuery* last = m == 0 ? MainView->SQLQueryLastPu1 : MainView->SQLQueryLastPu2;
    TSQLQuery* state = m == 0 ? MainView->SQLQueryPu1State : MainView->SQLQueryPu2State;
    if (!MainView->SQLConnectionUser->Connected() || !last->Active()) return;
    TSeparator* const* seps = &Separators[3 * m];
    TFan* const* fans = &Fans[3 * m];

    if (!MainView->StateFlags[m + 1]) {
        for (int i = 0; i < 3; ++i) {
            seps[i]->SetWaterLevel(1.0);
            while (seps[i]->BallCount() > 0) seps[i]->DeleteBall(0);
        }
        return;
    }
    Works[m] = Value(last, "RAB") != 0;
    Fed[m] = Value(state, "NRAB") != 0 && (m == 1 || Works[0]);

    static const char* const speeds[3] = {"TS_1", "TS_2", "TS_3"};
    for (int i = 0; i < 3; ++i) {
        const double step = -Value(last, speeds[i]) * (1.0 / 60) * 0.1 * 0.5 * 360;
        // Kept within a turn either way, so a rotor turning backwards for hours cannot overflow;
        // the truncation still keeps a rotor at rest under a step of less than a degree.
        const double a = std::fmod(fans[i]->RotorAlpha() + step, 360.0);
        fans[i]->SetRotorAlpha(static_cast<int>(Trunc(a)));
    }

    const TMachine& mc = Machines[m];
    const int phase = UpdateTick % 20;
    double vy = 0.2;
    double level = seps[0]->WaterLevel();
    if (mc.pulses(Value(last, "KKP"))) {
        if (phase < 7) {
            vy = -10;
            level -= 1.7;
        } else if (phase > 14) {
            vy = 7.5;
            level += 1.7;
        }
    }
    if (seps[0]->GridHeight() < level) level = seps[0]->GridHeight() - 2;
    if (level < 0) level = 1.0;
    for (int i = 0; i < 3; ++i) {
        seps[i]->SetWaterVy(vy + mc.waterVyOffset[i]);
        seps[i]->SetWaterLevel(level);
    }

    if (UpdateTick % 7 == 2 && Fed[m]) feed(m);
}

void TFormMnemoReach::feed(int m) {
    const TMachine& mc = Machines[m];
    const bool coal = NextIsCoal[m];
    TRockBall b;
    b.Layer = 1;
    b.Kind = coal ? 0 : 1;
    // One draw after the other, so a seeded generator gives the same particles.
    b.X = RandG(2, 1) + (coal ? 3 : 2);
    b.Y = RandG(1, 1) + (coal ? 3 : 4);
    b.R = RandG(coal ? mc.coalR : mc.rockR, coal ? 0.4 : 0.5);
    const double* vx = coal ? mc.coalVx : mc.rockVx;
    const double* vyr = coal ? mc.coalVy : mc.rockVy;
    b.Vx = RandG(vx[0], vx[1]) + 2;
    b.Vy = RandG(vyr[0], vyr[1]) + 3;
    b.OwnVx = 0;
    b.OwnVy = coal ? mc.coalOwnVy : mc.rockOwnVy;
    b.Spare = 30;
    Separators[3 * m]->AddBall(&b);
    NextIsCoal[m] = !coal;
}

// ---- 60 ms: particles and conveyors ----------------------------------------------------------------

void TFormMnemoReach::TimerStepTimer(TObject*) {
    if (stepping_) return;
    stepping_ = true;
    try {
        for (TSeparator* s : Separators) s->NextStep();
        const bool link1 = MainView && MainView->StateFlags[1];
        const bool link2 = MainView && MainView->StateFlags[2];
        AniTrans1->SetShowCoal(Fed[0] && link1);
        AniTrans2->SetShowCoal((Fed[0] || Fed[1]) && (link1 || link2));
        if ((Works[0] || Works[1]) && (link1 || link2)) {
            AniTrans1->SetPosition(CyclicStep(AniTrans1->Position(), 100, 0.25, 0));
            AniTrans2->SetPosition(CyclicStep(AniTrans2->Position(), 100, -0.1, 0));
        }
    } catch (...) {
        // The next tick steps again.
    }
    stepping_ = false;
}

// ---- 1 s: readings and colour groups ---------------------------------------------------------------

void TFormMnemoReach::Timer1000MsTimer(TObject*) {
    if (!MainView || !MainView->SQLConnectionUser->Connected() || !MainView->SQLConnection1->Connected()) return;
    showReadings(0);
    showReadings(1);
    LabelTPST_left->Font()->SetColor(static_cast<TLabel*>(FindComponent("LabelTPST_11"))->Font()->Color());
    LabelZPST_left->Font()->SetColor(static_cast<TLabel*>(FindComponent("LabelZPST_11"))->Font()->Color());
    LabelTPST_right->Font()->SetColor(static_cast<TLabel*>(FindComponent("LabelTPST_12"))->Font()->Color());
    LabelZPST_right->Font()->SetColor(static_cast<TLabel*>(FindComponent("LabelZPST_12"))->Font()->Color());
    applyGroups(0);
    applyGroups(1);
}

void TFormMnemoReach::showReadings(int m) {
    TSQLQuery* last = m == 0 ? MainView->SQLQueryLastPu1 : MainView->SQLQueryLastPu2;
    const bool alive = MainView->StateFlags[m + 1];
    if (alive && !last->Active()) return;
    const AnsiString suffix = IntToStr(m + 1);
    // Every column but the first (PostMoment) that has a label "Label" + column + machine.
    for (int i = 1; i < last->FieldCount(); ++i) {
        TField* f = last->Fields()->Fields(i);
        auto* label = dynamic_cast<TLabel*>(FindComponent("Label" + f->FieldName() + suffix));
        if (!label) continue;
        AnsiString text = "0";
        if (alive) {
            auto* numeric = dynamic_cast<TNumericField*>(f);
            text = Trim(FormatFloat(numeric ? numeric->DisplayFormat() : AnsiString(), f->AsFloat()));
        }
        label->SetCaption(text);
    }
}

void TFormMnemoReach::applyGroups(int m) {
    TSQLQuery* last = m == 0 ? MainView->SQLQueryLastPu1 : MainView->SQLQueryLastPu2;
    const bool alive = MainView->StateFlags[m + 1];
    const bool open = MainView->SQLQueryLastPu1->Active() && MainView->SQLQueryLastPu2->Active();
    // RAB read as a whole number, as the column's integer reading gives it.
    const int running = open && alive && Round(Value(last, "RAB")) != 0 ? 1 : 0;
    // Only a change of state recolours, so colours set in the edit mode stay until then.
    if (running == GroupState[m]) return;
    GroupState[m] = running;
    const TColor* colours = running ? MainView->OnColors : MainView->OffColors;
    for (int k = 0; k < 5; ++k) SetColorByTag(this, 1000L * (m + 1) + 100 * k, colours[k]);
}

// ---- Edit mode -------------------------------------------------------------------------------------

void TFormMnemoReach::ColorConfigClick(TObject* sender) { router_->ColorConfigClick(sender); }

void TFormMnemoReach::SetEditMode() { router_->SetEditMode(); }
