// TFormGraphFLPoint: the flotation graph screen's value-at-cursor window: the values of all seven
// curves at the cursor, the specific flows back in their own units.
#pragma once

#include "screens/graphs/GraphPointWindow.h"

class TFormFlotGraph;

class TFormGraphFLPoint : public TGraphPointWindow {
    PLANTMON_CLASS(TFormGraphFLPoint, TGraphPointWindow)
public:
    TFormGraphFLPoint(TComponent* owner, TFormFlotGraph* screen);

    TLabel* Label3 = nullptr;
    TOutField* OutFieldRP = nullptr;
    TLabel* Label2 = nullptr;
    TOutField* OutFieldPP = nullptr;
    TLabel* Label4 = nullptr;
    TOutField* OutFieldWP = nullptr;
    TLabel* Label5 = nullptr;
    TOutField* OutFieldRS0 = nullptr;
    TLabel* Label7 = nullptr;
    TOutField* OutFieldRS1 = nullptr;
    TLabel* Label8 = nullptr;
    TOutField* OutFieldRN0 = nullptr;
    TLabel* Label9 = nullptr;
    TOutField* OutFieldRN1 = nullptr;

    void ShowValues() override;

private:
    TFormFlotGraph* screen_;
};
