// TFormGraphAir: the water-air cycle of one jig machine over a shift or a whole day: the
// oscillation frequency (KKP, per minute) on one chart and the shares of intake, exhaust and pause
// (TIN, TOUT, TPAUSA, percent) on the other. Either chart can fill the screen; the zoom is kept
// through resizes and reloads.
#pragma once

#include "screens/graphs/GraphScreen.h"

class TArrow;
class TFormGraphAirPoint;

class TFormGraphAir : public TGraphScreen {
    PLANTMON_CLASS(TFormGraphAir, TGraphScreen)
public:
    // machineNumber 1 or 2; an empty iniFileName means the program's folder + the form's name + ".INI".
    TFormGraphAir(TComponent* owner, int machineNumber, const AnsiString& iniFileName);
    ~TFormGraphAir() override;

    TLabel* LabelTop2 = nullptr;            // the title (the frame's title label)
    TLevelGraph* LevelGraphKKP = nullptr;   // KKP
    TLevelGraph* LevelGraphAir = nullptr;   // TIN, TOUT, TPAUSA
    TLabel* Label2 = nullptr;               // "колеб./мин"
    TLabel* Label1 = nullptr;               // "%"
    TArrow* ArrowLegendKKP = nullptr;       // green
    TLabel* LabelLegendKKP = nullptr;       // "Частота колебаний"
    TArrow* ArrowLegendTIN = nullptr;       // red
    TLabel* LabelLegendTIN = nullptr;       // "Фаза впуска"
    TArrow* ArrowLegendTOUT = nullptr;      // blue
    TLabel* LabelLegendTOUT = nullptr;      // "Фаза выпуска"
    TArrow* ArrowLegendTPAUSA = nullptr;    // purple
    TLabel* LabelLegendTPAUSA = nullptr;    // "Фаза паузы"
    TSpeedButton* SButLevelGraphZoomKKP = nullptr;
    TSpeedButton* SButLevelGraphZoomAir = nullptr;
    TBitBtn* BitBtn1 = nullptr;             // the second default button, for while the phase chart is hidden

    int MachineNumber = 1;
    TFormGraphAirPoint* PointWindow = nullptr;
    // One chart fills the screen.
    bool GraphZoomed = false;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void PanelTopResize(TObject* Sender);
    void SButLevelGraphZoomKKPClick(TObject* Sender);
    void SButLevelGraphZoomAirClick(TObject* Sender);
    void LevelGraphKKPChange(TObject* Sender);
    void LevelGraphAirChange(TObject* Sender);
    void CmdShowSatelliteClick(TObject* Sender) override;

    void Reload() override;
    void ShowBothGraphs();
    void ShowAllGraphs() override { ShowBothGraphs(); }
    // The chart at ix (0: frequency, 1: phases) fills the screen.
    void ShowOneGraph(int ix) override;
    // Curves from the legend arrows, and each legend text in its arrow's colour.
    void SetGraphPens() override;
    // Both charts into "AIR_pic0.bmp" and "AIR_pic1.bmp" (1000 x 400, with their legends) and the
    // report "PrintWeb2.html", both in the current folder.
    void PrintReport();
};

extern TFormGraphAir* FormGraphAir_1;
extern TFormGraphAir* FormGraphAir_2;
