// TFormGraphTSPoint: the unloader-speed screen's value-at-cursor window: each compartment's speed at
// the cursor in percent and in revolutions per minute.
#pragma once

#include "screens/graphs/GraphPointWindow.h"

class TFormGraphTS;

class TFormGraphTSPoint : public TGraphPointWindow {
    PLANTMON_CLASS(TFormGraphTSPoint, TGraphPointWindow)
public:
    TFormGraphTSPoint(TComponent* owner, TFormGraphTS* screen);

    TLabel* Label3 = nullptr;  // "Отделение №1:"
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TOutField* OutFieldTS1 = nullptr;   // percent
    TOutField* OutFieldTS2 = nullptr;
    TOutField* OutFieldTS3 = nullptr;
    TOutField* OutFieldTS11 = nullptr;  // revolutions per minute
    TOutField* OutFieldTS22 = nullptr;
    TOutField* OutFieldTS33 = nullptr;

    void ShowValues() override;

private:
    TFormGraphTS* screen_;
};
