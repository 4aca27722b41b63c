// TFormFlotGraph: the flotation section's history from puf_data as five trend charts over a shift
// or a whole day: feed pulp flow, feed pulp density, solids load, collector flow and frother flow.
// The last two carry a second curve, the specific flow, drawn against a right-hand scale: its values
// are mapped onto the left scale through the two-point table (RightYMin - RightScaleStep -> YMin,
// RightYMax -> YMax) of the chart's scales at load time.
#pragma once

#include "core/Global.h"
#include "screens/graphs/GraphScreen.h"

class TFormGraphFLPoint;

class TFormFlotGraph : public TGraphScreen {
    PLANTMON_CLASS(TFormFlotGraph, TGraphScreen)
public:
    explicit TFormFlotGraph(TComponent* owner);
    ~TFormFlotGraph() override;

    TLevelGraph* LevelGraphRP = nullptr;  // RVF
    TLevelGraph* LevelGraphPP = nullptr;  // PLF
    TLevelGraph* LevelGraphWP = nullptr;  // RGF
    TLevelGraph* LevelGraphRS = nullptr;  // TRRS, ZRRS on the right scale
    TLevelGraph* LevelGraphRN = nullptr;  // TRRP, ZRRP on the right scale
    TLabel* LabelTitle1 = nullptr;
    TLabel* LabelTitle2 = nullptr;
    TLabel* LabelTitle3 = nullptr;
    TLabel* LabelTitle4 = nullptr;
    TLabel* LabelTitle5 = nullptr;
    TSpeedButton* SButLevelGraphRPZoom = nullptr;
    TSpeedButton* SButLevelGraphPPZoom = nullptr;
    TSpeedButton* SButLevelGraphWPZoom = nullptr;
    TSpeedButton* SButLevelGraphRSZoom = nullptr;
    TSpeedButton* SButLevelGraphRNZoom = nullptr;
    TLabel* LabelLegendRSLeft = nullptr;   // inside LevelGraphRS
    TLabel* LabelLegendRSRight = nullptr;
    TLabel* LabelLegendRPLeft = nullptr;   // inside LevelGraphRN
    TLabel* LabelLegendRPRight = nullptr;

    // IniFileName: "config/FormFlotGraph.INI" under the executable's folder.
    TFormGraphFLPoint* PointWindow = nullptr;
    TColor FormColor = 16768494;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormResize(TObject* Sender);

    void ShowAllGraphs() override;
    void PrintReport();
    // The widget edit mode, taken at construction only: arrows, labels and output fields open their
    // property dialogs through ColorConfigClick; a right press on a chart opens its scale dialog and
    // reloads the period with the new scales.
    void SetEditMode() override;
    void OnLevelGraphMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // This screen's own scale sections "<chart>Limits" in IniFileName.
    void SaveGraphScales() override;
    void LoadGraphScales() override;
    void SetGraphPens() override;
    void LevelGraphRPChange(TObject* Sender);
    void CmdShowSatelliteClick(TObject* Sender) override;

    // The right-scale table of a chart (built from its scales now), and its inverse.
    static TInterpTable RightScaleTable(const TLevelGraph* g);
    static TInterpTable InverseRightScaleTable(const TLevelGraph* g);

protected:
    void PrepareRows(TDataSet* rows, int query) override;
    void ReadRow(int query) override;
    void AddRowPoints(int query, TDateTime at) override;

private:
    void buildCharts();
    // The fields a load reads (RVF, PLF, RGF, TRRS, ZRRS, TRRP, ZRRP) and the current row's values.
    TField* fields_[7] = {};
    double values_[7] = {};
    // The right-scale table, refilled from the chart's scales for every point.
    TInterpTable table_;
    TLevelGraph* makeChart(const char* name, int graphCount, double yMax, double yLabelStep);
};

extern TFormFlotGraph* FormFlotGraph;
