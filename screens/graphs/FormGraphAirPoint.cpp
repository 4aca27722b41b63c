#include "screens/graphs/FormGraphAirPoint.h"

#include "charts/PieChart.h"
#include "screens/graphs/FormGraphAir.h"
#include "widgets/OutField.h"

TFormGraphAirPoint::TFormGraphAirPoint(TComponent* owner, TFormGraphAir* screen)
    : TGraphPointWindow(owner, screen, "FormGraphAirPoint", 352, 182), screen_(screen) {
    Font()->SetHeight(-11);
    struct Row {
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TOutField*& share;
        const char* shareName;
        TOutField*& length;
        const char* lengthName;
    } rows[] = {
        {Label3, "Label3", "Фаза впуска:", OutField1, "OutField1", OutField11, "OutField11"},
        {Label5, "Label5", "Фаза выпуска:", OutField2, "OutField2", OutField22, "OutField22"},
        {Label6, "Label6", "Фаза паузы:", OutField3, "OutField3", OutField33, "OutField33"},
    };
    int top = 8;
    for (Row& r : rows) {
        r.label = MakeLabel(r.labelName, r.caption, 6, top, 114);
        r.share = MakeField(r.shareName, "##0.0%; ;  ", 122, top, 50);
        r.length = MakeField(r.lengthName, "##0.0 с; ;  ", 174, top, 50);
        top += 24;
    }
    Label2 = MakeLabel("Label2", "Частота колебаний:", 6, top, 114);
    OutFieldKKP = MakeField("OutFieldKKP", "##0.0; ;  ", 122, top, 50);
    ChartAir = new TPieChart(this);
    ChartAir->SetName("ChartAir");
    ChartAir->SetParent(this);
    ChartAir->SetBounds(228, 2, 122, 122);
    BuildTimeField(128, 122, 226);
    BuildStepButtons(122, 152);
    StepGraph = screen->LevelGraphAir;
    MovedGraphs = {screen->LevelGraphAir, screen->LevelGraphKKP};
}

void TFormGraphAirPoint::ShowValues() {
    static const char* const phases[3] = {"Впуск", "Выпуск", "Пауза"};
    TLevelGraph* air = screen_->LevelGraphAir;
    TLevelGraph* kkp = screen_->LevelGraphKKP;
    TDateTime t = air->CursorTime();
    const double f = kkp->GetPoint(0, t);
    ShowValue(OutFieldKKP, f, kkp, 0);
    // One oscillation's length in seconds; a machine standing still has none.
    const double period = f > 0 ? 60.0 / f : 0.0;
    ChartAir->Clear();
    for (int n = 1; n <= 3; ++n) {
        auto* share = dynamic_cast<TOutField*>(FindComponent("OutField" + IntToStr(n)));
        if (!share) continue;
        const double v = air->GetPoint(n - 1, t);
        ShowValue(share, v, air, n - 1);
        ChartAir->AddSlice(n, v, phases[n - 1], share->Pen()->Color());
        ShowValue(dynamic_cast<TOutField*>(FindComponent("OutField" + IntToStr(n) + IntToStr(n))), period * v * 0.01,
                  air, n - 1);
    }
    ShowTime(t);
}
