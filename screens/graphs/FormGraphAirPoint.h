// TFormGraphAirPoint: the water-air screen's value-at-cursor window: the share of each phase of the
// cycle in percent and its length in seconds, the oscillation frequency, and a pie of the three
// phases in their curves' colours.
#pragma once

#include "screens/graphs/GraphPointWindow.h"

class TFormGraphAir;
class TPieChart;

class TFormGraphAirPoint : public TGraphPointWindow {
    PLANTMON_CLASS(TFormGraphAirPoint, TGraphPointWindow)
public:
    TFormGraphAirPoint(TComponent* owner, TFormGraphAir* screen);

    TLabel* Label3 = nullptr;  // "Фаза впуска:"
    TLabel* Label5 = nullptr;  // "Фаза выпуска:"
    TLabel* Label6 = nullptr;  // "Фаза паузы:"
    TLabel* Label2 = nullptr;  // "Частота колебаний:"
    TOutField* OutField1 = nullptr;   // shares, percent
    TOutField* OutField2 = nullptr;
    TOutField* OutField3 = nullptr;
    TOutField* OutField11 = nullptr;  // lengths, seconds
    TOutField* OutField22 = nullptr;
    TOutField* OutField33 = nullptr;
    TOutField* OutFieldKKP = nullptr;
    TPieChart* ChartAir = nullptr;

    void ShowValues() override;

private:
    TFormGraphAir* screen_;
};
