// TFormGraph_GS_Point: the hydrosizer screen's value-at-cursor window: the densities, flows and
// solids of the four charts at the cursor. The feed-side fields stay blank: their curves have no
// data.
#pragma once

#include "screens/graphs/GraphPointWindow.h"

class TFormGraphGS;
class TGroupBox;
class TPanel;

class TFormGraph_GS_Point : public TGraphPointWindow {
    PLANTMON_CLASS(TFormGraph_GS_Point, TGraphPointWindow)
public:
    TFormGraph_GS_Point(TComponent* owner, TFormGraphGS* screen);

    TGroupBox* GroupBox1 = nullptr;  // "Плотность"
    TGroupBox* GroupBox2 = nullptr;  // "Расход"
    TGroupBox* GroupBox3 = nullptr;  // "Количество твердого продукта"
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TLabel* Label8 = nullptr;
    TLabel* Label9 = nullptr;
    TOutField* OutField_PL1 = nullptr;  // LevelGraphP curve 0
    TOutField* OutField_PL2 = nullptr;  // LevelGraphP curve 1
    TOutField* OutField_PL3 = nullptr;  // LevelGraphP curve 2
    TOutField* OutField_RV1 = nullptr;  // LevelGraphR curve 0
    TOutField* OutField_RV2 = nullptr;  // LevelGraphR curve 1
    TOutField* OutField_RG1 = nullptr;  // LevelGraphN curve 0
    TOutField* OutField_RG2 = nullptr;  // LevelGraphN curve 1
    TOutField* OutField_TRTW1 = nullptr;  // LevelGraphU curve 0
    TPanel* Panel1 = nullptr;            // the time and the step buttons

    void ShowValues() override;

private:
    TFormGraphGS* screen_;
};
