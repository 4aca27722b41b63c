// TFormGraphTS: the unloader speed of one jig machine's three compartments over a shift or a whole
// day, on one chart in percent with a right column in revolutions per minute (100 % = 1500 rpm).
// It prints through the report window's one-chart report (the main window's print actions).
#pragma once

#include "screens/graphs/GraphScreen.h"

class TArrow;
class TFormGraphTSPoint;

class TFormGraphTS : public TGraphScreen {
    PLANTMON_CLASS(TFormGraphTS, TGraphScreen)
public:
    // machineNumber 1 or 2; an empty iniFileName means the program's folder + the form's name + ".INI".
    TFormGraphTS(TComponent* owner, int machineNumber, const AnsiString& iniFileName);
    ~TFormGraphTS() override;

    TLabel* LabelTop2 = nullptr;  // the title (the frame's title label)
    // The legend in the title bar: compartments 1, 2, 3 (red, blue, green).
    TArrow* ArrowTS_1 = nullptr;
    TArrow* ArrowTS_2 = nullptr;
    TArrow* ArrowTS_3 = nullptr;
    TLabel* LabelTS_1 = nullptr;  // "Отделение №1"
    TLabel* LabelTS_2 = nullptr;
    TLabel* LabelTS_3 = nullptr;
    TLevelGraph* LevelGraphN = nullptr;  // TS_1, TS_2, TS_3 in percent
    TLabel* LabelLegendY1 = nullptr;     // "%"
    TLabel* LabelLegendY2 = nullptr;     // "об/мин"

    int MachineNumber = 1;
    TFormGraphTSPoint* PointWindow = nullptr;

    void FormCreate(TObject* Sender);
    void CmdShowSatelliteClick(TObject* Sender) override;
    // Curve i takes the pen of ArrowTS_<i+1>, and its label the arrow's colour.
    void SetGraphPens() override;
};

extern TFormGraphTS* FormGraphTS_1;
extern TFormGraphTS* FormGraphTS_2;
