// TFormGraph3Zoom: the bed height of one jig machine (pu1: coarse class, pu2: fine class) over a
// shift or a whole day, one chart per compartment with the current height and its set point in
// millimetres. The curves take their pens from the legend arrows; any chart can be zoomed to the
// whole screen and the three share one cursor.
#pragma once

#include "screens/graphs/GraphScreen.h"

class TArrow;
class TFormGraph3ZoomPoint;

class TFormGraph3Zoom : public TGraphScreen {
    PLANTMON_CLASS(TFormGraph3Zoom, TGraphScreen)
public:
    // machineNumber 1 or 2; an empty iniFileName means the program's folder + the form's name + the
    // machine number + ".INI".
    TFormGraph3Zoom(TComponent* owner, int machineNumber, const AnsiString& iniFileName);
    ~TFormGraph3Zoom() override;

    TLevelGraph* LevelGraphP = nullptr;  // compartment 1: TPST_1, ZPST_1
    TLevelGraph* LevelGraphR = nullptr;  // compartment 2: TPST_2, ZPST_2
    TLevelGraph* LevelGraphN = nullptr;  // compartment 3: TPST_3, ZPST_3
    TLabel* Label1 = nullptr;            // "Отделение №1"
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TSpeedButton* SButLevelGraphPZoom = nullptr;
    TSpeedButton* SButLevelGraphRZoom = nullptr;
    TSpeedButton* SButLevelGraphNZoom = nullptr;
    // Legends: "Текущая" (…1, red) and "Заданная" (…2, blue) of graph 1, 2, 3.
    TLabel* LabelLegend11 = nullptr;
    TLabel* LabelLegend12 = nullptr;
    TLabel* LabelLegend21 = nullptr;
    TLabel* LabelLegend22 = nullptr;
    TLabel* LabelLegend31 = nullptr;
    TLabel* LabelLegend32 = nullptr;
    TArrow* ArrowLegend11 = nullptr;
    TArrow* ArrowLegend12 = nullptr;
    TArrow* ArrowLegend21 = nullptr;
    TArrow* ArrowLegend22 = nullptr;
    TArrow* ArrowLegend31 = nullptr;
    TArrow* ArrowLegend32 = nullptr;
    TLabel* LabelLegendY1 = nullptr;  // "мм"
    TLabel* LabelLegendY2 = nullptr;
    TLabel* LabelLegendY3 = nullptr;

    int MachineNumber = 1;
    // The three charts are stacked (none zoomed).
    bool AllGraphsShown = false;
    TFormGraph3ZoomPoint* PointWindow = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void PanelTopResize(TObject* Sender);
    void LevelGraphPChange(TObject* Sender);
    void CmdShowSatelliteClick(TObject* Sender) override;

    void ShowAllGraphs() override;
    void ShowOneGraph(int ix) override;
    void SetGraphPens() override;
    // The three charts into "HS_pic0.bmp" .. "HS_pic2.bmp" (1000 x 200, with their legends) and the
    // report "PrintWeb3.html", both in the current folder.
    void PrintReport();

private:
    void buildCharts();
};

extern TFormGraph3Zoom* FormGraph3Zoom1;
extern TFormGraph3Zoom* FormGraph3Zoom2;
