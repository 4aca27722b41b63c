#include "screens/diagrams/JigPicture.h"

#include "gui/StdCtrls.h"
#include "widgets/Arrow.h"
#include "widgets/Fan.h"
#include "widgets/Poligon.h"
#include "widgets/Separator.h"
#include "widgets/WaterCircle.h"

#include <algorithm>
#include <cstdlib>

TColor JigGroupColor(long tag) {
    switch ((tag % 1000) / 100) {
    case 0: return clPurple;  // concentrate
    case 1: return clYellow;  // middlings
    case 2: return clSilver;  // rock
    case 3: return clLime;    // raw coal
    case 4: return clBlue;    // water
    default: return clWhite;
    }
}

TComponentRow JigPipe(const AnsiString& name, const AnsiString& parent, int x1, int y1, int x2, int y2, long tag,
                      TColor colour, bool head) {
    const bool horizontal = y1 == y2;
    const int len = horizontal ? std::abs(x2 - x1) : std::abs(y2 - y1);
    const int left = horizontal ? std::min(x1, x2) - 1 : x1 - 5;
    const int top = horizontal ? y1 - 5 : std::min(y1, y2) - 1;
    const double angle = horizontal ? (x2 > x1 ? 0 : 180) : (y2 > y1 ? 270 : 90);
    return Row<TArrow>(name, parent, left, top, horizontal ? len + 2 : 10, horizontal ? 10 : len + 2, tag,
                       [=](TArrow* a) {
                           a->SetAngle(angle);
                           a->SetColor(colour);
                           a->SetArrowWidth(3);
                           a->SetEdgeLength(head ? 8 : 0);
                           a->SetEdgeAngle(50);
                       });
}

TComponentRow JigText(const AnsiString& name, const AnsiString& parent, int x, int y, const AnsiString& text,
                      long tag, TColor colour, int size, bool bold) {
    return Row<TLabel>(name, parent, x, y, 0, 0, tag, [=](TLabel* l) {
        l->SetTransparent(true);
        l->Font()->SetName("Arial");
        l->Font()->SetSize(size);
        l->Font()->SetColor(colour);
        if (bold) l->Font()->SetStyle({fsBold});
        l->SetCaption(text);
    });
}

namespace {

// Compartment i (1..3) of machine m (1..2): its number among the six, and the label suffix
// (compartment, then machine).
int SeparatorNo(int m, int i) { return 3 * (m - 1) + i; }
AnsiString Cell(int m, int i) { return IntToStr(i) + IntToStr(m); }

// The compartments of the jig diagram, with the values both screens give them.
void Compartment(std::vector<TComponentRow>& rows, const TJigLayout& g, int m, int i) {
    const int no = SeparatorNo(m, i);
    const AnsiString name = "Separator" + IntToStr(no);
    const int x = g.Left + (m - 1) * JigMachineStep + (i - 1) * JigSeparatorWidth;
    const int h = g.SeparatorHeight;
    // Back walls slightly lower along the chain, baths slightly wider.
    static const int backWallTop[2][3] = {{22, 21, 20}, {22, 20, 20}};
    static const double waterVy[2][3] = {{0.1, 0.2, 0.4}, {0.1, 0.3, 0.4}};
    rows.push_back(Row<TSeparator>(name, g.Parent, x, g.Top, JigSeparatorWidth, h, 1000L * m + 400,
                                   [=](TSeparator* s) {
                                       s->SetBevelOuter(bvNone);
                                       s->SetCaption("");
                                       s->SetColor(clBlack);
                                       s->SetWaterColor(clBlue);
                                       s->SetBackWallColor(clRed);
                                       s->SetBackWallTop(backWallTop[m - 1][i - 1]);
                                       s->SetBackWallWidth(5);
                                       s->SetBathHeight(75);
                                       s->SetBathBottomWidth(80);
                                       s->SetGridHeight(30);
                                       s->SetGridCount(6);
                                       s->SetGridSpace(40);
                                       s->WallPen()->SetColor(clYellow);
                                       s->WallPen()->SetWidth(2);
                                       s->SetBathSubH(10);
                                       s->SetBathWidth(75 + i);
                                       s->GridPen()->SetWidth(4);
                                       s->SetWaterVx(3.2);
                                       s->SetWaterVy(waterVy[m - 1][i - 1]);
                                       s->SetSpeedK(0.3);
                                       s->SetWaterK(4);
                                       s->SetOwnK(3);
                                       s->SetBackColor(clGray);
                                       s->SetWaterLevel(1);
                                       if (i > 1) {
                                           auto* previous = static_cast<TSeparator*>(
                                               s->Owner()->FindComponent("Separator" + IntToStr(no - 1)));
                                           previous->SetNextSeparator(s);
                                       }
                                   }));
    // The water inlet reaching under the sieve, its nozzle lamp at the lower end, the number.
    const bool odd = no == 2 || no == 4;
    const TColor inlet = odd ? clYellow : clLime;
    const int inletEnd = h * 45 / 100;
    rows.push_back(JigPipe("Arrow1" + IntToStr(no), name, 40, 0, 40, inletEnd, 1000L * m + 900, inlet, false));
    rows.push_back(Row<TWaterCircle>("WaterCircle1" + IntToStr(no), name, 35, inletEnd - 2, 10, 10, 1000L * m + 900,
                                     [=](TWaterCircle* c) {
                                         c->SetR1(8);
                                         c->SetR2(8);
                                         c->SetR3(8);
                                         c->SetColor(odd ? clOlive : clBlack);
                                         c->SetRayWidth(2);
                                         c->SetWaterColor(inlet);
                                         c->SetTransparent(true);
                                     }));
    rows.push_back(JigText("LabelCell" + Cell(m, i), name, 4, h - 18, IntToStr(i), 0, clGray, g.FontSize, true));
}

// The unloader under the compartment's chute, its speed beside it and its product below.
void Unloader(std::vector<TComponentRow>& rows, const TJigLayout& g, int m, int i) {
    const int no = SeparatorNo(m, i);
    const int x = g.Left + (m - 1) * JigMachineStep + (i - 1) * JigSeparatorWidth;
    const int y = g.Top + g.SeparatorHeight + 2;
    rows.push_back(Row<TFan>("Fan" + IntToStr(no), g.Parent, x + 80, y, 30, 30, 0, [](TFan* f) {
        f->SetBevelOuter(bvNone);
        f->SetCaption("");
        f->SetColor(clBlack);
        f->CircleBrush()->SetColor(clTeal);
        f->CirclePen()->SetColor(clYellow);
        f->SetRotorColor(clMaroon);
        f->SetBladeCount(4);
        f->SetBladeWidth(10);
        f->SetBladeLength(98);
        f->SetEdgeLength(20);
    }));
    rows.push_back(JigText("LabelTS_" + Cell(m, i), g.Parent, x + 36, y + 8, "0", 0, clWhite, g.FontSize));
    // The first compartments give off rock, the last middlings.
    const int k = i < 3 ? 2 : 1;
    const long tag = 1000L * m + 100 * k;
    rows.push_back(JigPipe("ArrowProduct" + Cell(m, i), g.Parent, x + 95, y + 30, x + 95, y + 56, tag,
                           JigGroupColor(tag), true));
    rows.push_back(JigText("LabelProduct" + Cell(m, i), g.Parent, x + (k == 2 ? 78 : 62), y + 58,
                           k == 2 ? "порода" : "промпродукт", tag, JigGroupColor(tag), g.FontSize - 1));
}

void Machine(std::vector<TComponentRow>& rows, const TJigLayout& g, int m) {
    const AnsiString n = IntToStr(m);
    const int x0 = g.Left + (m - 1) * JigMachineStep;
    const int h = g.SeparatorHeight;
    const int size = g.FontSize;

    // The feed hopper over the first compartment.
    const long coal = 1000L * m + 300;
    rows.push_back(Row<TPoligon>("PoligonFeed" + n, g.Parent, x0, g.Top - 16, 24, 16, coal, [](TPoligon* p) {
        p->Brush()->SetColor(JigGroupColor(300));
        p->Pen()->SetColor(JigGroupColor(300));
        TStringList hopper;
        hopper.SetText("0; 0\n99; 0\n70; 99\n30; 99");
        p->SetPointList(&hopper);
    }));
    // Bed height over each compartment: current above set-point.
    for (int i = 1; i <= 3; ++i) {
        const int x = x0 + (i - 1) * JigSeparatorWidth + 44;
        rows.push_back(JigText("LabelTPST_" + Cell(m, i), g.Parent, x, g.Top - 38, "0", 1000L * m + 850, clYellow,
                               size + 1, true));
        rows.push_back(JigText("LabelZPST_" + Cell(m, i), g.Parent, x, g.Top - 20, "0", 1000L * m + 800, clAqua,
                               size + 1, true));
    }
    for (int i = 1; i <= 3; ++i) Compartment(rows, g, m, i);
    for (int i = 1; i <= 3; ++i) Unloader(rows, g, m, i);

    // The concentrate leaves over the last weir.
    const long conc = 1000L * m;
    const int xr = x0 + 3 * JigSeparatorWidth;
    const int yw = g.Top + h / 5 - 4;
    const int yBottom = g.Top + h + 58;
    rows.push_back(JigPipe("ArrowConc" + n + "1", g.Parent, xr, yw, xr + 45, yw, conc, JigGroupColor(conc), false));
    rows.push_back(
        JigPipe("ArrowConc" + n + "2", g.Parent, xr + 45, yw, xr + 45, yBottom, conc, JigGroupColor(conc), true));
    rows.push_back(JigText("LabelConc" + n, g.Parent, xr - 12, yBottom + 16, "концентрат", conc, JigGroupColor(conc),
                           size - 1));

    // Air into the compartments, and the pulsation cycle that drives it.
    const int ya = g.Top + h + 92;
    rows.push_back(Row<TFan>("Oxigen" + n, g.Parent, x0 - 40, ya, 81, 61, 0, [=](TFan* f) {
        f->SetBevelOuter(bvNone);
        f->SetCaption("");
        f->SetColor(clBlack);
        f->CircleBrush()->SetColor(clAqua);
        f->CirclePen()->SetColor(clYellow);
        f->SetRotorColor(g.AirRotorColor);
        f->SetBladeCount(3);
    }));
    rows.push_back(JigPipe("ArrowAir" + n, g.Parent, x0 + 20, ya, x0 + 20, g.Top + h + 1, 0, clAqua, true));
    rows.push_back(JigText("LabelAir" + n, g.Parent, x0 - 30, ya + 62, "Воздух", 0, clAqua, size));
    const int xp = x0 + 60;
    rows.push_back(JigText("LabelMachine" + n, g.Parent, xp, ya - 16,
                           m == 1 ? "Машина крупного класса" : "Машина мелкого класса", 0, clWhite, size + 1, true));
    const int step = size + 8;
    rows.push_back(JigText("LabelKKPText" + n, g.Parent, xp, ya + 4, "Частота пульсаций", 0, clSilver, size));
    rows.push_back(JigText("LabelKKP" + n, g.Parent, xp + 130, ya + 4, "0", 0, clWhite, size, true));
    rows.push_back(JigText("LabelKKPUnit" + n, g.Parent, xp + 162, ya + 4, "колеб./мин", 0, clSilver, size));
    const char* const phases[3][2] = {{"TIN", "Впуск   ="}, {"TOUT", "Выпуск="}, {"TPAUSA", "Пауза   ="}};
    for (int k = 0; k < 3; ++k) {
        const int y = ya + 4 + (k + 1) * step;
        rows.push_back(JigText("Label" + AnsiString(phases[k][0]) + "Text" + n, g.Parent, xp, y, phases[k][1], 0,
                               clSilver, size));
        rows.push_back(JigText("Label" + AnsiString(phases[k][0]) + n, g.Parent, xp + 70, y, "0", 0, clWhite, size, true));
    }
}

}  // namespace

void AddJigPicture(std::vector<TComponentRow>& rows, const TJigLayout& g) {
    Machine(rows, g, 1);
    Machine(rows, g, 2);
    // The legend of the bed heights, left of machine 1 and right of machine 2.
    const int xl = g.Left - 78, xr = g.Left + JigMachineStep + 3 * JigSeparatorWidth + 6;
    rows.push_back(JigText("LabelTPST_left", g.Parent, xl, g.Top - 38, "текущая", 0, clYellow, g.FontSize + 1));
    rows.push_back(JigText("LabelZPST_left", g.Parent, xl, g.Top - 20, "задание", 0, clAqua, g.FontSize + 1));
    rows.push_back(JigText("LabelTPST_right", g.Parent, xr, g.Top - 38, "текущая", 0, clYellow, g.FontSize + 1));
    rows.push_back(JigText("LabelZPST_right", g.Parent, xr, g.Top - 20, "задание", 0, clAqua, g.FontSize + 1));
}
