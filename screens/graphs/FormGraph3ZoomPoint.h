// TFormGraph3ZoomPoint: the bed-height screen's value-at-cursor window: the current height and the
// set point of each compartment at the cursor.
#pragma once

#include "screens/graphs/GraphPointWindow.h"

class TFormGraph3Zoom;

class TFormGraph3ZoomPoint : public TGraphPointWindow {
    PLANTMON_CLASS(TFormGraph3ZoomPoint, TGraphPointWindow)
public:
    TFormGraph3ZoomPoint(TComponent* owner, TFormGraph3Zoom* screen);

    TLabel* Label2 = nullptr;  // "Текущая"
    TLabel* Label4 = nullptr;  // "Заданная"
    TLabel* Label3 = nullptr;  // "Отделение №1:"
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TOutField* OutFieldTPST1 = nullptr;
    TOutField* OutFieldTPST2 = nullptr;
    TOutField* OutFieldTPST3 = nullptr;
    TOutField* OutFieldZPST1 = nullptr;
    TOutField* OutFieldZPST2 = nullptr;
    TOutField* OutFieldZPST3 = nullptr;

    void ShowValues() override;

private:
    TFormGraph3Zoom* screen_;
};
