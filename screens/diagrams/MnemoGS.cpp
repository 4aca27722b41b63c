#include "screens/diagrams/MnemoGS.h"

#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "rtl/FileUtils.h"
#include "screens/diagrams/ColorGroups.h"
#include "screens/diagrams/DiagramRows.h"

TFormMnemoGS* FormMnemoGS = nullptr;

namespace {

// Where the state row's columns go, in the order they are copied.
const char* const PugColumns[] = {"PL1_GS", "RV1_GS", "PL2_GS", "RV2_GS", "PL3_GS", "TRTW_GS", "RG1_GS", "RG2_GS"};

// Indexes of the group colours of the main window (running or stopped).
enum { cConcentrat, cPromProduct, cPoroda, cCoal, cWater, cSourceSludge, cDischarge, cSupply };

// The colour each group has in the layout, before the first tick colours it: the main window's
// running colours, so the picture reads the same at rest and at work.
TColor DesignColor(long tag) {
    switch (tag) {
    case 900: return clPurple;   // concentrate
    case 200: return clSilver;   // rock
    case 1000: return clBlue;    // process water
    case 1100: return clLime;    // feed slurry
    case 1200: return clWhite;   // cyclone overflow
    case 1300: return clTeal;    // hydrosizer feed
    case 601: return clAqua;     // pulp to the cyclone
    case 800: return clTeal;     // in the hydrosizer
    default: return clSilver;
    }
}

const char* const Picture = "PanelGS";

TComponentRow Pipe(const AnsiString& name, int x1, int y1, int x2, int y2, long tag, bool head) {
    return PipeRow(name, Picture, x1, y1, x2, y2, tag, DesignColor(tag), head);
}

TComponentRow Note(const AnsiString& name, int x, int y, const AnsiString& text, int size = 9, bool bold = false) {
    return CaptionRow(name, Picture, x, y, text, 0, clSilver, size, bold);
}

TComponentRow Field(const AnsiString& name, int x, int y, long tag, const AnsiString& format, TOutField*& out,
                    bool visible = true) {
    return ValueFieldRow(name, Picture, x, y, 110, 26, tag, DesignColor(tag), format, [&out, visible](TOutField* f) {
        f->SetVisible(visible);
        out = f;
    });
}

// A static tank gauge of the picture, shaded from dark at the bottom to light at the top.
TComponentRow Tank(const AnsiString& name, int x, int y, int w, int h, TColor down, TColor up, TBarrel*& out) {
    return Row<TBarrel>(name, Picture, x, y, w, h, 0, [down, up, &out](TBarrel* b) {
        b->SetColor(clBlack);
        b->SetMinLevel(0);
        b->SetMaxLevel(100);
        b->SetWaterLevel(60);
        b->SetDownColor(down);
        b->SetUpColor(up);
        b->Pen()->SetColor(clSilver);
        b->Pen()->SetWidth(3);
        out = b;
    });
}

// One of the four feed boxes over the hydrosizer: a box over a hopper that reaches its bottom.
TComponentRow FeedBox(const AnsiString& name, int x, TWaterBox*& out) {
    return Row<TWaterBox>(name, Picture, x, 140, 30, 44, 1300, [&out](TWaterBox* w) {
        w->SetMainW(3);
        w->SetMainH(5);
        w->SetBoxH(14);
        w->SetBottomH(9);
        w->SetBottomW(1);
        w->SetWaterLevel(3);
        w->SetWaterColor(clTeal);
        w->SetBorderColor(clYellow);
        w->Pen()->SetColor(clYellow);
        out = w;
    });
}

TComponentRow Chute(const AnsiString& name, int x, int y, TUniPandus*& out) {
    return Row<TUniPandus>(name, Picture, x, y, 225, 145, 0, [&out](TUniPandus* u) { out = u; });
}

// A polygon of the picture from its corner list ("x; y" in percent, one a line).
TComponentRow Shape(const AnsiString& name, int x, int y, int w, int h, long tag, const char* corners) {
    return Row<TPoligon>(name, Picture, x, y, w, h, tag, [tag, corners](TPoligon* p) {
        p->Brush()->SetColor(DesignColor(tag));
        p->Pen()->SetColor(DesignColor(tag));
        TStringList list;
        list.SetText(corners);
        p->SetPointList(&list);
    });
}

}  // namespace

TFormMnemoGS::TFormMnemoGS(TComponent* owner) : TForm(owner) {
    SetName("FormMnemoGS");
    IniFileName = ExtractFilePath(ProgramFileName()) + Name() + ".INI";
    SetFormStyle(fsMDIChild);
    SetCaption("Мнемосхема обогащения на гидросайзере");
    SetColor(clBlack);
    SetBounds(0, 0, 960, 640);
    buildComponents();
    router_ = std::make_unique<TWidgetEditRouter>(this, IniFileName,
                                                  std::vector<AnsiString>{"TArrow", "TLabel", "TPoligon", "TOutField"},
                                                  TNotifyEvent(this, &TFormMnemoGS::ColorConfigClick));
    // The mode in force now stays for the life of the screen: the settings switch does not reach it.
    SetEditMode();
}

TFormMnemoGS::~TFormMnemoGS() {
    if (FormMnemoGS == this) FormMnemoGS = nullptr;
}

void TFormMnemoGS::buildComponents() {
    std::vector<TComponentRow> rows;
    rows.push_back(
        TitleRow("Label1", 960, "Мнемосхема обогащения шламов на гидросайзере", [this](TLabel* l) { Label1 = l; }));
    rows.push_back(Row<TPanel>(Picture, "", 0, 28, 960, 580, 0, [this](TPanel* p) {
        p->SetBevelOuter(bvNone);
        p->SetColor(clBlack);
        p->SetCaption("");
        p->SetAlign(alClient);
        PanelGS = p;
    }));

    // Feed slurry into the sump, pumped up to the hydrocyclone.
    rows.push_back(Note("LabelGSFeed", 8, 226, "Исходный шлам", 10, true));
    rows.push_back(Pipe("ArrowGSFeed", 0, 282, 80, 282, 1100, true));
    rows.push_back(Tank("BarrelSump", 80, 250, 60, 100, clGreen, clLime, BarrelSump));
    rows.push_back(Note("LabelGSSump", 88, 356, "Зумпф"));
    rows.push_back(Row<TPump>("Pump1", Picture, 140, 310, 48, 48, 0, [this](TPump* p) {
        p->Brush()->SetColor(clGray);
        p->Pen()->SetColor(clSilver);
        Pump1 = p;
    }));
    rows.push_back(Pipe("ArrowGSPump1", 180, 310, 180, 52, 601, false));
    rows.push_back(Pipe("ArrowGSPump2", 180, 52, 250, 52, 601, true));
    rows.push_back(Row<TConusBox>("ConusBoxCyclone", Picture, 250, 24, 70, 90, 601, [this](TConusBox* c) {
        c->SetBackColor(clBlack);
        c->SetColor(clGray);
        c->Pen()->SetColor(clSilver);
        c->Pen()->SetWidth(2);
        c->SetWaterColor(clAqua);
        c->SetConusH(75);
        c->SetShowTopLine(true);
        c->SetDownW(16);
        c->SetWaterH(90);
        ConusBoxCyclone = c;
    }));
    rows.push_back(Note("LabelGSCyclone", 196, 118, "Гидроциклон"));

    // The cyclone's overflow leaves at the top.
    rows.push_back(Pipe("ArrowGSDrain1", 285, 24, 285, 8, 1200, false));
    rows.push_back(Pipe("ArrowGSDrain2", 285, 8, 704, 8, 1200, true));
    rows.push_back(Shape("PoligonGSDrain", 704, 0, 36, 30, 1200, "0; 0\n0; 50\n50; 99\n99; 50\n99; 0"));
    rows.push_back(Note("LabelGSDrain", 748, 4, "Слив гидроциклона", 10, true));

    // Its underflow feeds the hydrosizer through four feed boxes; the feed's own figures (not measured
    // by the hydrosizer's controller) wait hidden beside the feed line.
    rows.push_back(Pipe("ArrowGSSupply1", 285, 114, 285, 128, 1300, false));
    rows.push_back(Pipe("ArrowGSSupply2", 285, 128, 511, 128, 1300, false));
    static const int boxLeft[4] = {375, 415, 455, 495};
    TWaterBox** boxes[4] = {&WaterBox1, &WaterBox2, &WaterBox3, &WaterBox4};
    for (int i = 0; i < 4; ++i) {
        const AnsiString n = IntToStr(i + 1);
        rows.push_back(Pipe("ArrowGSBox" + n, boxLeft[i] + 15, 128, boxLeft[i] + 15, 141, 1300, true));
        rows.push_back(FeedBox("WaterBox" + n, boxLeft[i], *boxes[i]));
    }
    rows.push_back(Note("LabelGSSupply", 340, 106, "Питание гидросайзера"));
    rows.push_back(Field("OutField_PL1_GS", 340, 56, 1300, "###0 г/л", OutField_PL1_GS, false));
    rows.push_back(Field("OutField_RV1_GS", 456, 56, 1300, "###0 м3/ч", OutField_RV1_GS, false));
    rows.push_back(Field("OutField_RG1_GS", 572, 56, 1300, "###0 т/ч", OutField_RG1_GS, false));

    // The hydrosizer, with the density in its vessel beside it.
    rows.push_back(Row<TGydroSizer>("GydroSizer1", Picture, 340, 184, 220, 187, 0, [this](TGydroSizer* g) {
        g->SetColor(clBlack);
        g->Pen()->SetColor(clTeal);
        g->Pen()->SetWidth(2);
        g->Brush()->SetColor(clSilver);
        g->WaterBrush()->SetColor(clTeal);
        g->SetMainD(80);
        g->SetD1(80);
        g->SetD2(60);
        g->SetTopH(15);
        g->SetH1(15);
        g->SetH2(25);
        g->SetWaterH(35);
        GydroSizer1 = g;
    }));
    rows.push_back(Note("LabelGSHydrosizer", 350, 378, "Гидросайзер", 10, true));
    rows.push_back(Note("LabelGSPL3", 200, 200, "Плотность в ГС"));
    rows.push_back(Field("OutField_PL3_GS", 200, 216, 800, "###0 г/л", OutField_PL3_GS));

    // Process water from its tank into the bottom of the cylinder.
    rows.push_back(Note("LabelGSWater", 8, 404, "Техническая вода", 10, true));
    rows.push_back(Pipe("ArrowGSWaterIn", 0, 452, 80, 452, 1000, true));
    rows.push_back(Tank("BarrelWater", 80, 430, 60, 90, clNavy, clBlue, BarrelWater));
    rows.push_back(Note("LabelGSWaterTank", 72, 526, "Бак тех. воды"));
    rows.push_back(Pipe("ArrowGSWater1", 140, 500, 300, 500, 1000, false));
    rows.push_back(Pipe("ArrowGSWater2", 300, 500, 300, 330, 1000, false));
    rows.push_back(Pipe("ArrowGSWater3", 300, 330, 340, 330, 1000, true));
    rows.push_back(Note("LabelGSTRTW", 160, 440, "Расход тех. воды"));
    rows.push_back(Field("OutField_TRTW_GS", 160, 456, 1000, "###0 м3/ч", OutField_TRTW_GS));

    // The concentrate runs off the launder over its chute.
    rows.push_back(Pipe("ArrowGSConc1", 558, 206, 598, 206, 900, true));
    rows.push_back(Chute("UniPandus1", 566, 200, UniPandus1));
    rows.push_back(Pipe("ArrowGSConc2", 791, 279, 850, 279, 900, true));
    rows.push_back(Note("LabelGSConc", 800, 246, "Концентрат", 10, true));
    rows.push_back(Note("LabelGSPL2", 800, 300, "Плотность"));
    rows.push_back(Field("OutField_PL2_GS", 800, 316, 900, "###0 г/л", OutField_PL2_GS));
    rows.push_back(Note("LabelGSRV2", 800, 350, "Объёмный расход"));
    rows.push_back(Field("OutField_RV2_GS", 800, 366, 900, "###0 м3/ч", OutField_RV2_GS));
    rows.push_back(Note("LabelGSRG2", 800, 400, "Нагрузка по твёрдому"));
    rows.push_back(Field("OutField_RG2_GS", 800, 416, 900, "###0 т/ч", OutField_RG2_GS));

    // The rock leaves the cone over the other chute onto its heap.
    rows.push_back(Pipe("ArrowGSRock1", 450, 371, 450, 404, 200, true));
    rows.push_back(Chute("UniPandus2", 440, 390, UniPandus2));
    rows.push_back(Pipe("ArrowGSRock2", 665, 469, 720, 469, 200, true));
    rows.push_back(Shape("PoligonGSRock", 724, 480, 70, 44, 200, "0; 99\n35; 20\n50; 0\n65; 20\n99; 99"));
    rows.push_back(Note("LabelGSRock", 728, 452, "Порода", 10, true));

    rows.push_back(Item<TTimer>("TimerUpdate", [this](TTimer* t) {
        t->SetInterval(1000);
        t->OnTimer = TNotifyEvent(this, &TFormMnemoGS::TimerUpdateTimer);
        TimerUpdate = t;
    }));
    BuildComponents(this, rows);
}

bool TFormMnemoGS::ReadPugColumn(const AnsiString& column, double& value) {
    TSQLQuery* q = MainView ? MainView->SQLQueryPugState : nullptr;
    // A closed query has no row to read: every column counts as missing.
    if (!q || !q->Active()) return false;
    TField* f = q->FindField(column);
    if (!f) return false;
    value = f->AsFloat();
    return true;
}

void TFormMnemoGS::TimerUpdateTimer(TObject*) {
    if (!MainView || !MainView->SQLConnection1->Connected()) return;
    const bool alive = MainView->StateFlags[5];
    const TColor* colors = alive ? MainView->OnColors : MainView->OffColors;
    SetColorByTag(this, 900, colors[cConcentrat]);
    SetColorByTag(this, 200, colors[cPoroda]);
    SetColorByTag(this, 1000, colors[cWater]);
    SetColorByTag(this, 1100, colors[cSourceSludge]);
    SetColorByTag(this, 1200, colors[cDischarge]);
    SetColorByTag(this, 1300, colors[cSupply]);

    for (const char* column : PugColumns) {
        double value = 0;
        if (!ReadPugColumn(column, value)) continue;
        if (!alive) value = 0;
        if (auto* field = dynamic_cast<TOutField*>(FindComponent(AnsiString("OutField_") + column)))
            field->SetOutValue(value);
    }
}

void TFormMnemoGS::ColorConfigClick(TObject* sender) { router_->ColorConfigClick(sender); }

void TFormMnemoGS::SetEditMode() { router_->SetEditMode(); }
