#include "screens/diagrams/Mnemo.h"

#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "gui/ActnList.h"
#include "rtl/FileUtils.h"
#include "screens/diagrams/DiagramLooks.h"
#include "screens/diagrams/DiagramRows.h"
#include "widgets/ComponentTable.h"

#include <algorithm>

TFormMnemo* FormMnemo = nullptr;

namespace {

// Indexes into the main window's current flotation values and flags.
enum { vPLF, vRVF, vRGF, vTRRS, vTRRP, vSOF, vURS, vURP, vZRRS, vZRRP };
enum { fF1AS, fF1RS, fF1AP, fF1RP, fDSF1, fDPF1 };

// The colour each material group is drawn in before the first colour set is applied: the running
// colours, so the picture reads the same in the layout and at work.
TColor DesignColor(long tag) {
    switch (tag) {
    case 500: return clFuchsia;  // concentrate
    case 600: return clAqua;     // pulp
    case 700: return clGreen;    // collector circuit
    case 800: return clRed;      // frother circuit
    case 900: return clLime;     // tailings
    default: return clSilver;
    }
}

// A pipe, caption or value field of the picture, in its group's colour.
TComponentRow Pipe(const AnsiString& name, int x1, int y1, int x2, int y2, long tag, bool head,
                   std::function<void(TArrow*)> bind = nullptr) {
    return PipeRow(name, "PanelCenter", x1, y1, x2, y2, tag, DesignColor(tag), head, std::move(bind));
}

// A caption with a Tag takes its group's colour.
TComponentRow TextRow(const AnsiString& name, int x, int y, const AnsiString& text, long tag, int size = 9,
                      bool bold = false, std::function<void(TLabel*)> bind = nullptr) {
    return CaptionRow(name, "PanelCenter", x, y, text, tag, tag ? DesignColor(tag) : clSilver, size, bold,
                      std::move(bind));
}

TComponentRow Field(const AnsiString& name, const AnsiString& parent, int x, int y, int w, int h, long tag,
                    const AnsiString& format, std::function<void(TOutField*)> bind) {
    return ValueFieldRow(name, parent, x, y, w, h, tag, tag ? DesignColor(tag) : clGray, format, std::move(bind));
}

// A reagent tank: the gauge and its level field inside it.
void Tank(std::vector<TComponentRow>& rows, const AnsiString& barrel, const AnsiString& field, int x, int y,
          TBarrel*& barrelOut, TOutField*& fieldOut) {
    rows.push_back(Row<TBarrel>(barrel, "PanelCenter", x, y, 56, 100, 0, [&barrelOut](TBarrel* b) {
        ReagentTankLook(b, 3);
        barrelOut = b;
    }));
    rows.push_back(Row<TOutField>(field, barrel, 6, 40, 44, 20, 0, [&fieldOut](TOutField* f) {
        TankLevelLook(f, 9);
        fieldOut = f;
    }));
}

// The dosing line under a tank: the pipe piece whose fill the lamp shows while dosing is off, the
// lamp, the valve.
void DosingLine(std::vector<TComponentRow>& rows, const AnsiString& suffix, int x, long tag, TPoligon*& poligon,
                TShape*& lamp, TValve*& valve, const AnsiString& valveName, TColor valveColor) {
    rows.push_back(Row<TPanel>("PanelOD" + suffix, "PanelCenter", x - 12, 128, 24, 16, 0, [](TPanel* p) {
        p->SetBevelOuter(bvNone);
        p->SetColor(clBlack);
        p->SetCaption("");
    }));
    rows.push_back(Row<TPoligon>("PoligonOD" + suffix, "PanelOD" + suffix, 0, 0, 24, 16, 0, [&poligon](TPoligon* p) {
        p->SetAlign(alClient);
        p->Brush()->SetColor(clOlive);
        p->Pen()->SetColor(clRed);
        TStringList hopper;
        hopper.SetText("0; 0\n0; 25\n50; 99\n99; 25\n99; 0");
        p->SetPointList(&hopper);
        poligon = p;
    }));
    rows.push_back(Row<TShape>("ShapeOD" + suffix, "PanelCenter", x - 10, 148, 20, 20, 0, [&lamp](TShape* s) {
        s->SetShape(stCircle);
        s->Pen()->SetColor(clWhite);
        s->Brush()->SetColor(clOlive);
        lamp = s;
    }));
    rows.push_back(Row<TValve>(valveName, "PanelCenter", x - 11, 172, 22, 26, tag, [&valve, valveColor](TValve* v) {
        v->SetVertMode(true);
        v->Brush()->SetColor(valveColor);
        valve = v;
    }));
}

}  // namespace

TFormMnemo::TFormMnemo(TComponent* owner) : TForm(owner) {
    SetName("FormMnemo");
    IniFileName = ExtractFilePath(ProgramFileName()) + "config/" + Name() + ".INI";
    ForceDirectories(ExtractFileDir(IniFileName));
    SetFormStyle(fsMDIChild);
    SetCaption("Мнемосхема");
    SetColor(clBlack);
    SetBorderIcons(0);
    Constraints()->SetMinWidth(794);
    Constraints()->SetMinHeight(590);
    SetBounds(0, 0, 1024, 700);
    buildComponents();
    OnCreate = TNotifyEvent(this, &TFormMnemo::FormCreate);
    OnResize = TNotifyEvent(this, &TFormMnemo::FormResize);
    router_ = std::make_unique<TWidgetEditRouter>(this, IniFileName,
                                                  std::vector<AnsiString>{"TArrow", "TLabel", "TOutField"},
                                                  TNotifyEvent(this, &TFormMnemo::ColorConfigClick));
}

TFormMnemo::~TFormMnemo() {
    if (FormMnemo == this) FormMnemo = nullptr;
}

void TFormMnemo::buildComponents() {
    std::vector<TComponentRow> rows;
    // The frame: the title, a margin above and beside the picture, the picture itself (790 x 550).
    rows.push_back(
        TitleRow("Label1", 794, "Мнемосхема обогащения методом флотации", [this](TLabel* l) { Label1 = l; }));
    rows.push_back(Row<TPanel>("PanelTop", "", 0, 28, 794, 0, 0, FrameLook(PanelTop, alTop)));
    rows.push_back(Row<TPanel>("PanelL", "", 0, 28, 0, 550, 0, FrameLook(PanelL, alLeft)));
    rows.push_back(Row<TPanel>("PanelR", "", 790, 28, 0, 550, 0, FrameLook(PanelR, alRight)));
    rows.push_back(Row<TPanel>("PanelCenter", "", 0, 28, 790, 550, 0, FrameLook(PanelCenter, alClient)));

    // Feed pulp into the receiving vessel; its density, flow and solids load.
    rows.push_back(TextRow("LabelFlotFeed", 8, 24, "Исходная пульпа", 600, 10, true));
    rows.push_back(Pipe("ArrowFeed", 0, 48, 140, 48, 600, true));
    rows.push_back(Row<TConusBox>("ConusBoxTop", "PanelCenter", 140, 30, 138, 105, 0, [this](TConusBox* c) {
        ReceiverLook(c);
        ConusBoxTop = c;
    }));
    rows.push_back(TextRow("LabelFlotPLF", 8, 150, "Плотность пульпы", 600));
    rows.push_back(Field("OutFieldPLF", "PanelCenter", 8, 166, 120, 26, 600, "###0 г/л", [this](TOutField* f) { OutFieldPLF = f; }));
    rows.push_back(TextRow("LabelFlotRVF", 8, 200, "Расход пульпы", 600));
    rows.push_back(Field("OutFieldRVF", "PanelCenter", 8, 216, 120, 26, 600, "###0 м3/ч", [this](TOutField* f) { OutFieldRVF = f; }));
    rows.push_back(TextRow("LabelFlotRGF", 8, 250, "Нагрузка по твёрдому", 600));
    rows.push_back(Field("OutFieldRGF", "PanelCenter", 8, 266, 120, 26, 600, "###0 т/ч", [this](TOutField* f) { OutFieldRGF = f; }));

    // Pulp through the conditioning apparatus into the flotation machines.
    rows.push_back(Pipe("ArrowPulp1", 209, 135, 209, 280, 600, false));
    rows.push_back(Pipe("ArrowPulp2", 209, 280, 400, 280, 600, true));
    rows.push_back(Row<TConusBox>("ConusBox2", "PanelCenter", 400, 262, 148, 75, 0, [this](TConusBox* c) {
        ApparatusLook(c);
        ConusBox2 = c;
    }));
    rows.push_back(TextRow("LabelFlotAKP", 408, 342, "АКП", 0, 10, true));
    rows.push_back(Pipe("ArrowPulp3", 474, 337, 474, 392, 600, true));
    auto machine = [](const AnsiString& panel, const AnsiString& label, int x, const AnsiString& text) {
        std::vector<TComponentRow> r;
        r.push_back(Row<TActionPanel>(panel, "PanelCenter", x, 392, 200, 80, 701, [](TActionPanel* p) {
            p->SetColor(clGray);
            p->SetCaption("");
        }));
        r.push_back(Row<TActionLabel>(label, panel, 44, 32, 0, 0, 0, [text](TActionLabel* l) {
            l->SetTransparent(true);
            l->Font()->SetName("Arial");
            l->Font()->SetSize(10);
            l->Font()->SetStyle({fsBold});
            l->Font()->SetColor(clBlack);
            l->SetCaption(text);
        }));
        return r;
    };
    for (auto& r : machine("PanelFlotMachine1", "ActionLabelMachine1", 300, "Флотомашина №1")) rows.push_back(r);
    rows.push_back(Pipe("ArrowPulp4", 500, 432, 530, 432, 600, true));
    for (auto& r : machine("PanelFlotMachine2", "ActionLabelMachine2", 530, "Флотомашина №2")) rows.push_back(r);

    // Concentrate from both machines to the launder; tailings from the last machine.
    rows.push_back(Pipe("ArrowConc1", 320, 472, 320, 505, 500, false));
    rows.push_back(Pipe("ArrowConc2", 550, 472, 550, 505, 500, false));
    rows.push_back(Pipe("ArrowConc", 550, 505, 130, 505, 500, true, [this](TArrow* a) { ArrowConc = a; }));
    rows.push_back(TextRow("LabelFlotConc", 8, 496, "Концентрат", 500, 10, true));
    rows.push_back(Pipe("ArrowFlotOut1", 730, 432, 765, 432, 900, false));
    rows.push_back(Pipe("ArrowFlotOut", 765, 432, 765, 535, 900, true, [this](TArrow* a) { ArrowFlotOut = a; }));
    rows.push_back(TextRow("LabelFlotSOF", 622, 478, "Зольность отходов", 900));
    rows.push_back(Field("OutFieldSOF", "PanelCenter", 622, 494, 110, 26, 900, "###0 %", [this](TOutField* f) { OutFieldSOF = f; }));
    rows.push_back(TextRow("LabelFlotTail", 622, 526, "Отходы флотации", 900, 10, true));

    // Collector circuit (S): tank, mode, flow and specific consumption, dosing into the apparatus.
    rows.push_back(TextRow("LabelFlotCollector", 430, 4, "СОБИРАТЕЛЬ", 700, 10, true));
    Tank(rows, "BarrelURS", "OutFieldURS", 430, 24, BarrelURS, OutFieldURS);
    rows.push_back(Field("OutField_S_mode", "PanelCenter", 496, 24, 96, 24, 0, "  ", [this](TOutField* f) {
        f->Font()->SetColor(clBlack);
        f->SetCaption("");
        OutField_S_mode = f;
    }));
    rows.push_back(TextRow("LabelFlotTRRS", 496, 52, "Расход, л/ч", 700));
    rows.push_back(Field("OutFieldTRRS", "PanelCenter", 496, 68, 96, 24, 700, "###0 л/ч", [this](TOutField* f) {
        f->SetCursor(crHandPoint);
        f->SetHint("Задать расход собирателя");
        f->SetShowHint(true);
        f->OnClick = TNotifyEvent(this, &TFormMnemo::OutFieldTRRSClick);
        OutFieldTRRS = f;
    }));
    rows.push_back(TextRow("LabelSetZRRSS", 496, 122, "Уд. расход, мл/т", 700, 9, false, [this](TLabel* l) { LabelSetZRRSS = l; }));
    rows.push_back(Field("OutFieldZRRS", "PanelCenter", 496, 138, 96, 24, 700, "###0 мл/т", [this](TOutField* f) {
        f->SetCursor(crHandPoint);
        f->SetHint("Задать удельный расход собирателя");
        f->SetShowHint(true);
        f->OnClick = TNotifyEvent(this, &TFormMnemo::OutFieldZRRSClick);
        OutFieldZRRS = f;
    }));
    rows.push_back(Pipe("ArrowZRRS", 496, 158, 470, 158, 700, true, [this](TArrow* a) { ArrowZRRS = a; }));
    DosingLine(rows, "RS", 458, 700, PoligonODRS, ShapeODRS, Valve1, "Valve1", clGreen);
    rows.push_back(Pipe("ArrowReciver", 458, 198, 458, 262, 700, true, [this](TArrow* a) { ArrowReciver = a; }));

    // Frother circuit (P), the same way, dosing into the apparatus from the right.
    rows.push_back(TextRow("LabelFlotFrother", 622, 4, "ВСПЕНИВАТЕЛЬ", 800, 10, true));
    Tank(rows, "BarrelURP", "OutFieldURP", 622, 24, BarrelURP, OutFieldURP);
    rows.push_back(Field("OutField_P_mode", "PanelCenter", 688, 24, 96, 24, 0, "  ", [this](TOutField* f) {
        f->Font()->SetColor(clBlack);
        f->SetCaption("");
        OutField_P_mode = f;
    }));
    rows.push_back(TextRow("LabelFlotTRRP", 688, 52, "Расход, л/ч", 800));
    rows.push_back(Field("OutFieldTRRP", "PanelCenter", 688, 68, 96, 24, 800, "###0 л/ч", [this](TOutField* f) {
        f->SetCursor(crHandPoint);
        f->SetHint("Задать расход вспенивателя");
        f->SetShowHint(true);
        f->OnClick = TNotifyEvent(this, &TFormMnemo::OutFieldTRRPClick);
        OutFieldTRRP = f;
    }));
    rows.push_back(TextRow("LabelSetZRRSP", 688, 122, "Уд. расход, мл/т", 800, 9, false, [this](TLabel* l) { LabelSetZRRSP = l; }));
    rows.push_back(Field("OutFieldZRRP", "PanelCenter", 688, 138, 96, 24, 800, "###0 мл/т", [this](TOutField* f) {
        f->SetCursor(crHandPoint);
        f->SetHint("Задать удельный расход вспенивателя");
        f->SetShowHint(true);
        f->OnClick = TNotifyEvent(this, &TFormMnemo::OutFieldZRRPClick);
        OutFieldZRRP = f;
    }));
    rows.push_back(Pipe("ArrowZRRP", 688, 158, 662, 158, 800, true, [this](TArrow* a) { ArrowZRRP = a; }));
    DosingLine(rows, "RP", 650, 800, PoligonODRP, ShapeODRP, Valve2, "Valve2", clRed);
    rows.push_back(Pipe("ArrowPenoGen1", 650, 198, 650, 230, 800, false));
    rows.push_back(Pipe("ArrowPenoGen2", 650, 230, 520, 230, 800, false));
    rows.push_back(Pipe("ArrowPenoGen", 520, 230, 520, 262, 800, true, [this](TArrow* a) { ArrowPenoGen = a; }));

    rows.push_back(Item<TTimer>("TimerUpdate", [this](TTimer* t) {
        t->SetInterval(1000);
        t->OnTimer = TNotifyEvent(this, &TFormMnemo::TimerUpdateTimer);
        TimerUpdate = t;
    }));
    BuildComponents(this, rows);
}

void TFormMnemo::FormCreate(TObject*) { ApplyColorSet(true); }

void TFormMnemo::FormResize(TObject*) {
    // The 790 x 550 picture stays in the middle of the window; margins never go below zero, and
    // the top margin does not depend on its own previous height.
    PanelL->SetWidth(std::max(0, (ClientWidth() - 790) / 2));
    PanelR->SetWidth(std::max(0, (ClientWidth() - 790) / 2));
    PanelTop->SetHeight(std::max(0, (ClientHeight() - 550 - Label1->Height()) / 2));
}

void TFormMnemo::ApplyColorSet(bool force) {
    const bool running = MainView && static_cast<double>(MainView->PufValues[vRVF]) > MainView->MIN_RVF &&
                         MainView->StateFlags[3];
    if (!force && running == Running) return;
    Running = running;
    const TColorSetRec& set = running ? RunColors : StopColors;
    SetColorByTag(this, 500, set[3]);
    SetColorByTag(this, 600, set[0]);
    SetColorByTag(this, 700, set[1]);
    SetColorByTag(this, 800, set[2]);
    SetColorByTag(this, 900, set[4]);
    ConusBoxTop->SetWaterColor(set[0]);
    ConusBox2->Pen()->SetColor(set[0]);
    TColor lighter = 0, darker = 0;
    ShadeColor(set[1], lighter, darker);
    BarrelURS->SetUpColor(lighter);
    BarrelURS->SetDownColor(darker);
    ShadeColor(set[2], lighter, darker);
    BarrelURP->SetUpColor(lighter);
    BarrelURP->SetDownColor(darker);
}

void TFormMnemo::showMode(TOutField* field, bool linkAlive, bool automatic, bool manual) {
    AnsiString text;
    TColor brush, font = clBlack;
    if (automatic && manual) {
        text = "  ";
        brush = clYellow;
    } else if (automatic) {
        text = "АВТОМАТ";
        brush = clSkyBlue;
        font = clNavy;
    } else if (manual) {
        text = "РУЧНОЙ";
        brush = clLime;
    } else {
        text = "ВЫКЛ";
        brush = clRed;
    }
    if (!linkAlive) text = "нет связи";
    // The pattern is the text itself, so no value can change what the field says.
    field->SetOutFormat(text);
    field->SetCaption(text);
    field->Brush()->SetColor(brush);
    field->Font()->SetColor(font);
}

void TFormMnemo::TimerUpdateTimer(TObject*) {
    if (!MainView) return;
    ApplyColorSet(false);
    const float* v = MainView->PufValues;
    const std::uint8_t* f = MainView->PufFlags;
    OutFieldPLF->SetOutValue(v[vPLF]);
    OutFieldRVF->SetOutValue(v[vRVF]);
    OutFieldRGF->SetOutValue(v[vRGF]);
    OutFieldTRRS->SetOutValue(v[vTRRS]);
    OutFieldTRRP->SetOutValue(v[vTRRP]);
    OutFieldSOF->SetOutValue(v[vSOF]);
    OutFieldZRRS->SetOutValue(v[vZRRS]);
    OutFieldZRRP->SetOutValue(v[vZRRP]);
    BarrelURS->SetWaterLevel(v[vURS]);
    OutFieldURS->SetOutValue(v[vURS]);
    BarrelURP->SetWaterLevel(v[vURP]);
    OutFieldURP->SetOutValue(v[vURP]);

    // A dosing lamp shows its circuit's colour while the pump doses, else the colour of its pipe.
    ShapeODRP->Brush()->SetColor(f[fDPF1] ? RunColors[2] : PoligonODRP->Brush()->Color());
    ShapeODRS->Brush()->SetColor(f[fDSF1] ? RunColors[1] : PoligonODRS->Brush()->Color());

    // In manual mode a circuit has no specific consumption to show.
    const bool showP = !f[fF1RP];
    OutFieldZRRP->SetVisible(showP);
    LabelSetZRRSP->SetVisible(showP);
    ArrowZRRP->SetVisible(showP);
    const bool showS = !f[fF1RS];
    OutFieldZRRS->SetVisible(showS);
    LabelSetZRRSS->SetVisible(showS);
    ArrowZRRS->SetVisible(showS);

    const bool link = MainView->StateFlags[3];
    showMode(OutField_S_mode, link, f[fF1AS] != 0, f[fF1RS] != 0);
    showMode(OutField_P_mode, link, f[fF1AP] != 0, f[fF1RP] != 0);
}

// The set-point fields run the main window's set-point actions (which ask for the value and queue
// it for the controller).
namespace {
void RunAction(TAction* action) {
    if (action) action->Execute();
}
}  // namespace

void TFormMnemo::OutFieldZRRSClick(TObject*) {
    if (MainView) RunAction(MainView->ActionSetZRRS);
}
void TFormMnemo::OutFieldZRRPClick(TObject*) {
    if (MainView) RunAction(MainView->ActionSetZRRP);
}
void TFormMnemo::OutFieldTRRSClick(TObject*) {
    if (MainView) RunAction(MainView->ActionSetTRRS);
}
void TFormMnemo::OutFieldTRRPClick(TObject*) {
    if (MainView) RunAction(MainView->ActionSetTRRP);
}

void TFormMnemo::ColorConfigClick(TObject* sender) { router_->ColorConfigClick(sender); }

void TFormMnemo::SetEditMode() { router_->SetEditMode(); }
