// TSingleGraphScreen: the design the one-chart trend screens share (tailings ash, reagent tank
// levels, belt loads).
//
// One trend chart over a shift or a whole day, read through a client dataset on the main window's
// general connection, with the values of its curves at the cursor in a bar under the chart. The
// full reload waits while the connection is down (it stays pending); the update checks run their
// queries regardless and post a failure. The scale limits are kept in "<chart>Limits" sections of
// "config/<form name>.INI" under the program's folder. The widget edit mode (which the settings
// dialog may switch at any time) hooks the labels to the font dialog and a right press on the chart
// to its scale dialog. The print is "PrintWeb1.html" with the chart's picture.
#pragma once

#include "screens/graphs/GraphScreen.h"

#include <vector>

class TOutField;

// What one screen of the design is made of.
struct TSingleGraphLook {
    const char* FormName;     // the form's component name (also its INI file's)
    const char* Title;        // caption and title
    TColor FormColor;         // the form
    TColor BarColor;          // the title bar, the value bar and their panels
    TColor GraphColor;        // the chart's ground around the plot
    const char* GraphName;
    double YMax, YLabelStep;  // default scale, before the INI file's
    const char* UnitCaption;  // over the value scale
    // The value labels of curve 0 and curve 1 (null: a one-curve screen) and the fields' format.
    const char* ValueLabel0;
    const char* ValueLabel1;
    const char* ValueFormat;
};

// The settings every screen of the design shares: a client dataset per history query, reloaded every 30 s
// and in full every fourth tick, a gap over 300 s between points, the connection tested by the reload.
TGraphScreenSetup SingleGraphSetup(const char* screenName, std::vector<AnsiString> selects);

class TSingleGraphScreen : public TGraphScreen {
    PLANTMON_CLASS(TSingleGraphScreen, TGraphScreen)
public:
    TSingleGraphScreen(TComponent* owner, const TGraphScreenSetup& setup, const TSingleGraphLook& look);

    TLevelGraph* Graph = nullptr;           // the chart (its name is the screen's)
    TLabel* LabelTitle4 = nullptr;          // unit mark over the value scale
    TPanel* PanelBottom = nullptr;          // value bar, inside the chart
    TPanel* PanelBottomLeft = nullptr;      // margins that centre the middle
    TPanel* PanelBottomRight = nullptr;
    TPanel* PanelBottomCenter = nullptr;
    TLabel* Label3 = nullptr;               // "Дата, время:"
    TOutField* OutFieldCurTime = nullptr;   // the cursor time, as text
    TLabel* Label2 = nullptr;               // curve 0
    TOutField* OutFieldCursorVal = nullptr;
    TLabel* Label1 = nullptr;               // curve 1 (two-curve screens)
    TOutField* OutFieldCursorVal2 = nullptr;

    void FormCreate(TObject* Sender);
    void FormResize(TObject* Sender);
    void PanelBottomResize(TObject* Sender);
    // The value bar shows the curves at the chart's cursor.
    void GraphChange(TObject* Sender);

    void SaveGraphScales() override;
    void LoadGraphScales() override;
    // Curve 0 blue, 2 pixels wide; then the legend arrows of the chart, when the form has any.
    void SetGraphPens() override;
    // The chart's picture "Temp/DIV_pic0.bmp" (1000 x 500, with its legend) on "PrintWeb1.html".
    void PrintReport();

protected:
    void RowsLoaded(int query) override;

private:
    TLabel* valueLabel(TWinControl* parent, const char* name, const char* caption, int left, int top, int width);
    TOutField* valueField(TWinControl* parent, const char* name, const char* format, int left, int top, int width);
};
