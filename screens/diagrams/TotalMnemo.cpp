#include "screens/diagrams/TotalMnemo.h"

#include "app/Main.h"  // the clicks that open other screens run the main window's own handlers
#include "core/MainView.h"
#include "links/BeltScale.h"
#include "screens/diagrams/ColorGroups.h"
#include "screens/diagrams/DiagramLooks.h"
#include "screens/diagrams/JigPicture.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoReach.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/Fan.h"
#include "widgets/Separator.h"
#include "widgets/Valve.h"

#include <algorithm>
#include <cctype>

TFormTotalMnemo* FormTotalMnemo = nullptr;
std::uint32_t TFormTotalMnemo::TickCount = 0;

namespace {

constexpr int PictureWidth = 1024;
// Where the three parts lie on the form.
constexpr int JigTop = 92;
constexpr int BeltTop = 378;
constexpr int FlotTop = 452;
constexpr int FlotHeight = 280;

// The component of that name on the form, if it is of class T.
template <class T>
T* Find(TComponent* form, const AnsiString& name) {
    return form ? dynamic_cast<T*>(form->FindComponent(name)) : nullptr;
}

// A name made of prefix and more, whose first character after the prefix is no digit (so Label2
// and OutField1 are left out).
bool NamedWidget(const AnsiString& name, const char* prefix) {
    const std::string s = name.str(), p = prefix;
    return s.size() > p.size() && s.compare(0, p.size(), p) == 0 && !std::isdigit(static_cast<unsigned char>(s[p.size()]));
}

// A value field of the overview: black box, yellow digits; a Tag frames it in its group's colour.
TComponentRow Field(const AnsiString& name, const AnsiString& parent, int x, int y, int w, int h, long tag,
                    const AnsiString& format, TColor frame, std::function<void(TOutField*)> bind = nullptr) {
    return Row<TOutField>(name, parent, x, y, w, h, tag, [=](TOutField* f) {
        f->Brush()->SetColor(clBlack);
        f->Pen()->SetColor(frame);
        f->Pen()->SetWidth(2);
        f->Font()->SetName("Arial");
        f->Font()->SetSize(10);
        f->Font()->SetStyle({fsBold});
        f->Font()->SetColor(clYellow);
        f->SetOutFormat(format);
        f->SetCaption(FormatFloat(format, 0));
        if (bind) bind(f);
    });
}

// The flotation colours before the first mirror: the flotation diagram's running colours.
TColor FlotColor(long tag) {
    switch (tag) {
    case 500: return clFuchsia;
    case 600: return clAqua;
    case 700: return clGreen;
    case 800: return clRed;
    case 900: return clLime;
    default: return clSilver;
    }
}

}  // namespace

TFormTotalMnemo::TFormTotalMnemo(TComponent* owner) : TForm(owner) {
    SetName("FormTotalMnemo");
    SetFormStyle(fsMDIChild);
    SetCaption("Общая мнемосхема");
    SetColor(clBlack);
    SetBorderIcons(0);
    SetBounds(0, 0, PictureWidth, FlotTop + FlotHeight + 8);
    buildComponents();
    // A window smaller than the picture scrolls it, so every part of the plant can be brought into
    // view. Made last, so the widgets keep their places among the form's components.
    ScrollBoxPicture = new TScrollBox(this);
    ScrollBoxPicture->SetName("ScrollBoxPicture");
    ScrollBoxPicture->SetBorderStyle(bsNone);
    ScrollBoxPicture->SetColor(clBlack);
    ScrollBoxPicture->SetBounds(0, 0, ClientWidth(), ClientHeight());
    ScrollBoxPicture->SetParent(this);
    ScrollBoxPicture->SetAlign(alClient);
    std::vector<TControl*> picture;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i) != ScrollBoxPicture) picture.push_back(Controls(i));
    for (TControl* c : picture) c->SetParent(ScrollBoxPicture);
}

TFormTotalMnemo::~TFormTotalMnemo() {
    if (FormTotalMnemo == this) FormTotalMnemo = nullptr;
}

void TFormTotalMnemo::buildComponents() {
    std::vector<TComponentRow> rows;
    rows.push_back(Row<TLabel>("Label2", "", 0, 0, PictureWidth, 24, 0, [this](TLabel* l) {
        HeadingLook(l, "Общая мнемосхема обогатительной фабрики", PictureWidth, 24, 13);
        Label2 = l;
    }));

    // The jig machines: a frame under them that opens their diagram.
    rows.push_back(Row<TShape>("ShapeMnemoReach", "", 4, 26, PictureWidth - 8, BeltTop - 30, 0, [this](TShape* s) {
        s->Brush()->SetStyle(bsClear);
        s->Pen()->SetColor(clGray);
        s->SetCursor(crHandPoint);
        s->SetHint("Показать мнемосхему работы отсадочных машин");
        s->SetShowHint(true);
        s->OnMouseDown = TMouseEvent(this, &TFormTotalMnemo::ShapeMnemoReachMouseDown);
        ShapeMnemoReach = s;
    }));
    TJigLayout g;
    g.Top = JigTop;
    g.SeparatorHeight = 110;
    g.AirRotorColor = clAqua;
    g.FontSize = 8;
    rows.push_back(JigText("LabelRawCoalTotal", "", g.Left + 30, JigTop - 62, "Рядовой уголь", 0, clLime, 8, true));
    for (int m = 1; m <= 2; ++m) {
        const int x = g.Left + (m - 1) * JigMachineStep + 12;
        const long tag = 1000L * m + 300;
        rows.push_back(JigPipe("ArrowFeedTotal" + IntToStr(m), "", x, JigTop - 50, x, JigTop - 16, tag,
                               JigGroupColor(tag), true));
    }
    AddJigPicture(rows, g);

    // The belt scales' conveyors and loads.
    auto belt = [](const AnsiString& suffix, const AnsiString& caption, int x, double position, double rk,
                   TAniTrans*& conveyor, TOutField*& load) {
        std::vector<TComponentRow> r;
        r.push_back(JigText("LabelBelt" + suffix, "", x, BeltTop + 2, caption, 0, clWhite, 9, true));
        r.push_back(Field("OutFieldP" + suffix, "", x + 150, BeltTop, 90, 22, 0, "###0 т/ч", clGray,
                          [&load](TOutField* f) { load = f; }));
        r.push_back(Row<TAniTrans>("AniTransP" + suffix, "", x, BeltTop + 24, 433, 50, 0, [&conveyor, position, rk](TAniTrans* t) {
            t->SetBevelOuter(bvNone);
            t->SetCaption("");
            t->SetVirtH(50);
            t->SetVirtW(600);
            t->SetX1(18);
            t->SetY1(25);
            t->SetX2(580);
            t->SetY2(25);
            t->SetR(18);
            t->SetIntR(6);
            t->SetRk(rk);
            t->SetScoopCount(12);
            t->SetScoopLH(2);
            t->SetPosition(position);
            t->SetShowCoal(true);
            conveyor = t;
        }));
        return r;
    };
    // Belt 386_2 runs the other way round, from the end of its loop.
    for (auto& r : belt("3862", "Конвейер 386_2", 40, 100, 10, AniTransP3862, OutFieldP3862)) rows.push_back(r);
    for (auto& r : belt("401", "Конвейер 401", 540, 0, 12, AniTransP401, OutFieldP401)) rows.push_back(r);

    buildFlotation(rows);

    rows.push_back(Item<TTimer>("TimerUpdate", [this](TTimer* t) {
        t->SetInterval(100);
        t->OnTimer = TNotifyEvent(this, &TFormTotalMnemo::TimerUpdateTimer);
        TimerUpdate = t;
    }));
    BuildComponents(this, rows);
}

void TFormTotalMnemo::buildFlotation(std::vector<TComponentRow>& rows) {
    rows.push_back(Row<TPanel>("PanelCenter", "", 0, FlotTop, PictureWidth, FlotHeight, 0, [this](TPanel* p) {
        p->SetBevelOuter(bvNone);
        p->SetColor(clBlack);
        p->SetCaption("");
        p->SetCursor(crHandPoint);
        p->SetHint("Показать мнемосхему флотации");
        p->SetShowHint(true);
        p->OnClick = TNotifyEvent(this, &TFormTotalMnemo::PanelCenterClick);
        PanelCenter = p;
    }));
    const AnsiString P = "PanelCenter";
    rows.push_back(Row<TShape>("ShapeMnemoFlot", P, 4, 0, PictureWidth - 8, FlotHeight - 4, 0, [this](TShape* s) {
        s->Brush()->SetStyle(bsClear);
        s->Pen()->SetColor(clGray);
        s->SetCursor(crHandPoint);
        s->SetHint("Показать мнемосхему флотации");
        s->SetShowHint(true);
        s->OnMouseDown = TMouseEvent(this, &TFormTotalMnemo::ShapeMnemoFlotMouseDown);
        ShapeMnemoFlot = s;
    }));
    auto text = [&](const AnsiString& name, int x, int y, const AnsiString& caption, long tag, bool bold = false) {
        rows.push_back(JigText(name, P, x, y, caption, tag, tag ? FlotColor(tag) : clSilver, 8, bold));
    };
    auto pipe = [&](const AnsiString& name, int x1, int y1, int x2, int y2, long tag, bool head) {
        rows.push_back(JigPipe(name, P, x1, y1, x2, y2, tag, FlotColor(tag), head));
    };
    auto setpoint = [this](TOutField*& out, void (TFormTotalMnemo::*click)(TObject*), const char* hint) {
        return [this, &out, click, hint](TOutField* f) {
            f->SetCursor(crHandPoint);
            f->SetHint(hint);
            f->SetShowHint(true);
            f->OnClick = TNotifyEvent(this, click);
            out = f;
        };
    };

    // Feed pulp, its receiving vessel and its readings.
    text("LabelFlotTotal", 16, 6, "ФЛОТАЦИЯ", 0, true);
    text("LabelFlotFeedTotal", 16, 26, "Исходная пульпа", 600);
    pipe("ArrowFeedFlot", 8, 48, 110, 48, 600, true);
    rows.push_back(Row<TConusBox>("ConusBoxTop", P, 110, 20, 100, 76, 0, ReceiverLook));
    const char* const feed[3][3] = {{"PLF", "Плотность", "###0 г/л"}, {"RVF", "Расход", "###0 м3/ч"},
                                    {"RGF", "По твёрдому", "###0 т/ч"}};
    for (int i = 0; i < 3; ++i) {
        text("LabelFlot" + AnsiString(feed[i][0]) + "Total", 16, 104 + 52 * i, feed[i][1], 600);
        rows.push_back(Field("OutField" + AnsiString(feed[i][0]), P, 16, 120 + 52 * i, 96, 24, 600, feed[i][2],
                             FlotColor(600)));
    }

    // Through the conditioning apparatus into the two flotation machines.
    pipe("ArrowPulpFlot1", 160, 96, 160, 232, 600, false);
    pipe("ArrowPulpFlot2", 160, 232, 250, 232, 600, true);
    rows.push_back(Row<TConusBox>("ConusBox2", P, 250, 206, 110, 56, 0, ApparatusLook));
    text("LabelFlotAKPTotal", 372, 252, "АКП", 0, true);
    pipe("ArrowPulpFlot3", 360, 232, 420, 232, 600, true);
    for (int i = 1; i <= 2; ++i) {
        const int x = i == 1 ? 420 : 610;
        rows.push_back(Row<TPanel>("PanelFlotMachineTotal" + IntToStr(i), P, x, 204, 150, 56, 0, [i](TPanel* p) {
            p->SetColor(clGray);
            p->Font()->SetName("Arial");
            p->Font()->SetSize(9);
            p->Font()->SetStyle({fsBold});
            p->SetCaption("Флотомашина №" + IntToStr(i));
        }));
    }
    pipe("ArrowPulpFlot4", 570, 232, 610, 232, 600, true);
    // Concentrate and tailings leave to the right.
    pipe("ArrowConcFlot", 760, 214, 812, 214, 500, true);
    text("LabelFlotConcTotal", 818, 207, "Концентрат", 500, true);
    pipe("ArrowTailFlot", 760, 250, 812, 250, 900, true);
    text("LabelFlotTailTotal", 818, 243, "Отходы", 900, true);
    text("LabelFlotSOFTotal", 818, 180, "Зольность отходов", 900);
    rows.push_back(Field("OutFieldSOF", P, 920, 240, 90, 24, 900, "###0 %", FlotColor(900)));

    // The two reagent circuits: tank, mode, flow, specific consumption, dosing lamp and valve.
    struct Circuit {
        const char* suffix;  // S collector, P frother
        const char* caption;
        long tag;
        int x;
        TColor valve;
    };
    const Circuit circuits[2] = {{"S", "СОБИРАТЕЛЬ", 700, 250, clGreen}, {"P", "ВСПЕНИВАТЕЛЬ", 800, 470, clRed}};
    for (const Circuit& c : circuits) {
        const AnsiString s = c.suffix;
        const bool collector = s == "S";
        const int x = c.x;
        text("LabelFlotReagent" + s + "Total", x, 6, c.caption, c.tag, true);
        rows.push_back(Row<TBarrel>("BarrelUR" + s, P, x, 24, 46, 80, 0, [](TBarrel* b) { ReagentTankLook(b, 2); }));
        rows.push_back(Row<TOutField>("OutFieldUR" + s, "BarrelUR" + s, 4, 30, 38, 18, 0,
                                      [](TOutField* f) { TankLevelLook(f, 8); }));
        rows.push_back(Field("OutField_" + s + "_mode", P, x + 56, 22, 96, 20, 0, "  ", clGray,
                             [](TOutField* f) { f->SetCaption(""); }));
        text("LabelFlotTRR" + s + "Total", x + 56, 46, "Расход, л/ч", c.tag);
        rows.push_back(Field("OutFieldTRR" + s, P, x + 56, 62, 96, 22, c.tag, "###0 л/ч", FlotColor(c.tag),
                             collector ? setpoint(OutFieldTRRS, &TFormTotalMnemo::OutFieldTRRSClick, "Задать расход собирателя")
                                       : setpoint(OutFieldTRRP, &TFormTotalMnemo::OutFieldTRRPClick, "Задать расход вспенивателя")));
        text("LabelSetZRRS" + s, x + 56, 90, "Уд. расход, мл/т", c.tag);
        rows.push_back(Field("OutFieldZRR" + s, P, x + 56, 106, 96, 22, c.tag, "###0 мл/т", FlotColor(c.tag),
                             collector ? setpoint(OutFieldZRRS, &TFormTotalMnemo::OutFieldZRRSClick,
                                                  "Задать удельный расход собирателя")
                                       : setpoint(OutFieldZRRP, &TFormTotalMnemo::OutFieldZRRPClick,
                                                  "Задать удельный расход вспенивателя")));
        pipe("ArrowZRR" + s, x + 56, 117, x + 34, 117, c.tag, true);
        rows.push_back(Row<TShape>("ShapeODR" + s, P, x + 15, 109, 16, 16, 0, [](TShape* sh) {
            sh->SetShape(stCircle);
            sh->Pen()->SetColor(clWhite);
            sh->Brush()->SetColor(clOlive);
        }));
        rows.push_back(Row<TValve>("ValveTotal" + s, P, x + 14, 130, 18, 22, 0, [c](TValve* v) {
            v->SetVertMode(true);
            v->Brush()->SetColor(c.valve);
        }));
        if (collector) {
            pipe("ArrowReciverFlot", x + 23, 152, x + 23, 206, c.tag, true);
        } else {
            pipe("ArrowPenoGenFlot1", x + 23, 152, x + 23, 180, c.tag, false);
            pipe("ArrowPenoGenFlot2", x + 23, 180, 330, 180, c.tag, false);
            pipe("ArrowPenoGenFlot", 330, 180, 330, 206, c.tag, true);
        }
    }
}

// ---- The refresh -----------------------------------------------------------------------------------

void TFormTotalMnemo::TimerUpdateTimer(TObject*) {
    ++TickCount;
    const TBeltScaleRec b0 = ReadBeltScale(0), b1 = ReadBeltScale(1);
    if (b0.BKK) {
        double p = AniTransP3862->Position() - 0.1;
        if (p < 0) p = 100;
        AniTransP3862->SetPosition(p);
    }
    if (b1.BKK) {
        double p = AniTransP401->Position() + 0.1;
        if (p > 100) p = 0;
        AniTransP401->SetPosition(p);
    }
    mirrorJigMachines();
    const bool beltsAlive = MainView && MainView->StateFlags[4];
    struct Belt {
        const TBeltScaleRec& rec;
        TAniTrans* conveyor;
        TOutField* load;
    };
    for (const Belt& b : {Belt{b0, AniTransP3862, OutFieldP3862}, Belt{b1, AniTransP401, OutFieldP401}}) {
        if (!beltsAlive) {
            b.conveyor->SetShowCoal(false);
            b.load->SetOutValue(0);
            continue;
        }
        b.conveyor->SetShowCoal(b.rec.TNK > 0);
        // The heap grows with the load, within what the belt can show.
        if (b.rec.TNK > 0) b.conveyor->SetRk(std::min(22.0, std::max(4.0, b.rec.TNK * 0.25 * 0.225)));
        b.load->SetOutValue(b.rec.TNK);
    }
    if (TickCount % 5 == 0) mirrorFlotation();
}

void TFormTotalMnemo::mirrorJigMachines() {
    TForm* reach = FormMnemoReach;
    if (!reach) return;
    for (int i = 1; i <= 6; ++i) {
        const AnsiString n = IntToStr(i);
        auto* from = Find<TFan>(reach, "Fan" + n);
        auto* to = Find<TFan>(this, "Fan" + n);
        if (from && to) to->SetRotorAlpha(from->RotorAlpha());
    }
    for (int i = 0; i < reach->ComponentCount(); ++i) {
        auto* from = dynamic_cast<TLabel*>(reach->Components(i));
        if (!from || !NamedWidget(from->Name(), "Label")) continue;
        if (auto* to = Find<TLabel>(this, from->Name())) to->SetCaption(from->Caption());
    }
    // The compartments here show the particles the diagram moves; they are never stepped here.
    for (int i = 1; i <= 6; ++i) {
        const AnsiString name = "Separator" + IntToStr(i);
        auto* from = Find<TSeparator>(reach, name);
        auto* to = Find<TSeparator>(this, name);
        if (!from || !to) continue;
        to->SetBalls(from->Balls());
        to->SetWaterLevel(from->WaterLevel());
        to->SetWaterColor(from->WaterColor());
        to->UpdateChanges();
    }
}

void TFormTotalMnemo::mirrorFlotation() {
    TForm* flot = FormMnemo;
    if (!flot) return;
    for (int i = 0; i < flot->ComponentCount(); ++i) {
        auto* from = dynamic_cast<TOutField*>(flot->Components(i));
        if (!from || !NamedWidget(from->Name(), "OutField")) continue;
        auto* to = Find<TOutField>(this, from->Name());
        if (!to) continue;
        to->SetOutValue(from->OutValue());
        to->SetCaption(from->Caption());
        to->SetOutFormat(from->OutFormat());
        to->Brush()->SetColor(from->Brush()->Color());
        to->Font()->SetColor(from->Font()->Color());
    }
    if (MainView) {
        // In manual mode a circuit shows no specific consumption (F1RP, F1RS).
        const bool showP = !MainView->PufFlags[3];
        const bool showS = !MainView->PufFlags[1];
        for (const char* name : {"OutFieldZRRP", "LabelSetZRRSP", "ArrowZRRP"})
            if (auto* c = Find<TControl>(this, name)) c->SetVisible(showP);
        for (const char* name : {"OutFieldZRRS", "LabelSetZRRSS", "ArrowZRRS"})
            if (auto* c = Find<TControl>(this, name)) c->SetVisible(showS);
    }
    for (const char* name : {"BarrelURP", "BarrelURS"}) {
        auto* from = Find<TBarrel>(flot, name);
        auto* to = Find<TBarrel>(this, name);
        if (!from || !to) continue;
        to->SetUpColor(from->UpColor());
        to->SetDownColor(from->DownColor());
        to->SetWaterLevel(from->WaterLevel());
    }
    if (auto* a = Find<TArrow>(flot, "ArrowConc")) SetColorByTag(this, 500, a->Color());
    if (auto* f = Find<TOutField>(flot, "OutFieldPLF")) SetColorByTag(this, 600, f->Pen()->Color());
    if (auto* a = Find<TArrow>(flot, "ArrowReciver")) SetColorByTag(this, 700, a->Color());
    if (auto* a = Find<TArrow>(flot, "ArrowPenoGen")) SetColorByTag(this, 800, a->Color());
    if (auto* a = Find<TArrow>(flot, "ArrowFlotOut")) SetColorByTag(this, 900, a->Color());
    auto* top = Find<TConusBox>(flot, "ConusBoxTop");
    if (auto* to = Find<TConusBox>(this, "ConusBoxTop"); top && to) to->SetWaterColor(top->WaterColor());
    auto* apparatus = Find<TConusBox>(flot, "ConusBox2");
    if (auto* to = Find<TConusBox>(this, "ConusBox2"); apparatus && to) to->Pen()->SetColor(apparatus->Pen()->Color());
}

// ---- Clicks ----------------------------------------------------------------------------------------

void TFormTotalMnemo::ShapeMnemoReachMouseDown(TObject* sender, TMouseButton, TShiftState, int, int) {
    if (FormMain) FormMain->ActionMnemoReachExecute(sender);
}

void TFormTotalMnemo::ShapeMnemoFlotMouseDown(TObject* sender, TMouseButton, TShiftState, int, int) {
    if (FormMain) FormMain->ActionMnemoFlotExecute(sender);
}

void TFormTotalMnemo::PanelCenterClick(TObject* sender) {
    if (FormMain) FormMain->ActionMnemoFlotExecute(sender);
}

void TFormTotalMnemo::OutFieldZRRSClick(TObject* sender) {
    if (FormMain) FormMain->ActionSetZRRSExecute(sender);
}
void TFormTotalMnemo::OutFieldTRRSClick(TObject* sender) {
    if (FormMain) FormMain->ActionSetTRRSExecute(sender);
}
void TFormTotalMnemo::OutFieldZRRPClick(TObject* sender) {
    if (FormMain) FormMain->ActionSetZRRPExecute(sender);
}
void TFormTotalMnemo::OutFieldTRRPClick(TObject* sender) {
    if (FormMain) FormMain->ActionSetTRRPExecute(sender);
}
