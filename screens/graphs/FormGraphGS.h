// TFormGraphGS: the hydrosizer's history from pug as four stacked trend charts over a shift or a
// whole day: pulp densities (concentrate, in the tank), volume flow and weight flow of the
// concentrate, and process water flow. The feed-side curves (curve 0 of the first three charts) are
// never written at the plant and stay empty. Any chart can be zoomed to the whole screen; the four
// share one cursor and a value-at-cursor window.
#pragma once

#include "screens/graphs/GraphScreen.h"

class TArrow;
class TFormGraph_GS_Point;

class TFormGraphGS : public TGraphScreen {
    PLANTMON_CLASS(TFormGraphGS, TGraphScreen)
public:
    // An empty iniFileName means the program's folder + the form's name + ".INI".
    TFormGraphGS(TComponent* owner, const AnsiString& iniFileName);
    ~TFormGraphGS() override;

    TBitBtn* BitBtn1 = nullptr;          // a second default button inside LevelGraphU
    TLevelGraph* LevelGraphP = nullptr;  // densities: PL2_GS (curve 1), PL3_GS (curve 2)
    TLevelGraph* LevelGraphR = nullptr;  // concentrate volume flow: RV2_GS (curve 1)
    TLevelGraph* LevelGraphN = nullptr;  // concentrate weight flow: RG2_GS (curve 1)
    TLevelGraph* LevelGraphU = nullptr;  // process water flow: TRTW_GS (curve 0)
    TLabel* Label1 = nullptr;            // the charts' titles
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;            // LevelGraphU's unit place (empty)
    TLabel* LabelLegendY1 = nullptr;     // "г/л"
    TLabel* LabelLegendY2 = nullptr;     // "м:3/час"
    TLabel* LabelLegendY3 = nullptr;     // "т/час"
    TLabel* LabelLegend11 = nullptr;     // "Исходное питание" (hidden: its curve has no data)
    TLabel* LabelLegend12 = nullptr;     // "Концентрат"
    TLabel* LabelLegend13 = nullptr;     // "В баке ГС"
    TArrow* ArrowLegend12 = nullptr;     // blue
    TArrow* ArrowLegend13 = nullptr;     // green
    TSpeedButton* SButLevelGraphPZoom = nullptr;
    TSpeedButton* SButLevelGraphRZoom = nullptr;
    TSpeedButton* SButLevelGraphNZoom = nullptr;
    TSpeedButton* SButLevelGraphUZoom = nullptr;

    // The four charts are stacked (none zoomed).
    bool AllGraphsShown = false;
    TFormGraph_GS_Point* PointWindow = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);
    void PanelTopResize(TObject* Sender);
    void LevelGraphPChange(TObject* Sender);
    void SButLevelGraphPZoomClick(TObject* Sender) { SButLevelGraphZoomClick(Sender); }
    void CmdShowSatelliteClick(TObject* Sender) override;

    void ShowAllGraphs() override;
    void ShowOneGraph(int ix) override;
    void SetGraphPens() override;
    // The four charts into "HS_pic0.bmp" .. "HS_pic3.bmp" in the current folder (1000 x 200, with
    // their legends) on "PrintWeb4.html".
    void PrintReport();

private:
    void buildCharts();
};

extern TFormGraphGS* FormGraphGS;
