// TMonGraph: a multi-channel time-trend control.
//
// Up to 32 graphs share one time axis, from StartDateTime to StopDateTime in whole seconds, and one
// value axis (YMin..YMax). The plot has GraphSize columns; each graph keeps per column a minimum, a
// maximum, an alarm mark and a present mark, so several seconds that fall into one column are drawn
// as a vertical range. A value of exactly 0.0 means "no value" everywhere: AddPoint ignores it, a
// minimum of 0.0 marks an empty column and a maximum of 0.0 a column holding a single value.
//
// The caller converts a time into a column (TimeToIndex, IndexToX) and adds points; the control keeps
// automatic value limits, chooses the spacing of its time labels and value grid, and paints itself
// in layers into an off-screen picture that is rebuilt only when something changed. The cursor is a
// vertical line drawn on the control in a reversible pen mode, so moving it never rebuilds the
// picture.
#pragma once

#include "gui/Controls.h"
#include "gui/Graphics.h"
#include "gui/Messages.h"
#include "rtl/Classes.h"
#include "rtl/DateUtils.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Asks the owner for a value of a graph at a time (kept for the owner; the control never raises it).
using TMonGraphNeedDataEvent = TClosure<void(TDateTime time, int graph, double& value)>;

class TMonGraph : public TCustomControl {
    PLANTMON_CLASS(TMonGraph, TCustomControl)
public:
    static constexpr int MaxGraphs = 32;
    static constexpr int MinGraphSize = 3;
    // A column per pixel of the widest plot the control can paint (window coordinates are 16-bit in
    // the drawing conventions it follows); more columns would only share pixels, at 18 bytes a column
    // and graph.
    static constexpr int MaxGraphSize = 32767;

    explicit TMonGraph(TComponent* owner);
    ~TMonGraph() override;

    // Raises OnChange.
    virtual void Change();

    // ---- Points and data (graph: 0..GraphCount-1, col: 0..GraphSize; anything else is ignored) ----
    void AddPoint(int col, int graph, double value, bool alarm);
    void SetPoint(int col, int graph, double min, double max, bool alarm);
    // Leaves the outputs untouched out of range.
    void GetPoint(int col, int graph, double& min, double& max, bool& alarm) const;
    // The column's minimum; 0.0 out of range.
    double GetGraphPoint(int graph, int col) const;
    // Copy GraphSize values from values into the graph's minimum (SetGraphData) or maximum
    // (SetGraphDataM) array; false for a graph out of range or a null buffer.
    bool SetGraphData(const double* values, int graph);
    bool SetGraphDataM(const double* values, int graph);
    // Clears the graph's four arrays and the automatic limits.
    bool ResetGraphData(int graph, bool repaint);
    // Gives the graphs in use their arrays, cleared (and, the first time, their default colours).
    void ResetGraphics();
    void ShowGraph(int graph);
    void HideGraph(int graph);
    bool IsGraphVisible(int graph) const;
    // The draw order: copies GraphCount graph indexes from nums.
    void SetPaintNums(const int* nums);
    // Kept for callers of the older interface; the arrays are freed only with the control.
    void FreeMemory() {}

    // ---- Automatic limits and the choice of steps -------------------------------------------------
    void CheckLimits(int graph, int col);
    void SelectTimeStep();
    void SelectYStep();
    void CalcIntervalSize();
    // What SelectTimeStep chose: seconds between time labels, the second of the first label and the
    // label format.
    int TimeStep() const { return timeStep_; }
    int FirstLabelSecond() const { return firstLabelSecond_; }
    AnsiString TimeLabelFormat() const { return timeLabelFormat_; }

    // ---- Conversions --------------------------------------------------------------------------------
    int TimeToIndex(TDateTime t) const;
    TDateTime IndexToTime(int i) const;
    int IndexToX(int i) const;
    int XtoScreen(double col) const;
    int ScreenToX(double x) const;
    int YtoScreen(double v) const;
    // Recomputes the plot rectangle and the scales from the control's size (before every paint).
    void CalcRegion();

    // ---- Painting ------------------------------------------------------------------------------------
    void PaintBackGround(TCanvas* canvas);
    void PaintNet(TCanvas* canvas);
    void PaintGraphics(TCanvas* canvas);
    void PaintGraphics(TCanvas* canvas, int first, int last);
    void StepsPaintGraphics(TCanvas* canvas);
    void StepsPaintGraphics(TCanvas* canvas, int first, int last);
    void PaintAxis(TCanvas* canvas);
    void PaintBorder(TCanvas* canvas);
    void PaintScale(TCanvas* canvas);
    // The cursor on the control itself, or on a given canvas.
    void PaintCursor();
    void PaintCursor(TCanvas* canvas);
    // Redraws the columns of a time range at once, on the control and into its picture.
    void RepaintInterval(TDateTime from, TDateTime to);
    // Draws the picture (without the cursor) into bitmap, sized like the control; numbers marks the
    // graphs at every time label with their number.
    void ExportImage(TBitmap* bitmap, bool background, bool numbers);
    // Draws the state dot: green while the message's low word of WParam is non-zero, else black.
    void EvActiveChange(TMessage& msg);
    // Change notification of the owned pens and font: the picture is drawn again.
    void StyleChanged(TObject* sender);

    // ---- Properties -------------------------------------------------------------------------------------
    int GraphCount() const { return graphCount_; }
    void SetGraphCount(int v);
    int GraphSize() const { return graphSize_; }
    void SetGraphSize(int v);
    int CurrentGraph() const { return currentGraph_; }
    void SetCurrentGraph(int v);
    TPen* CurrentGraphPen() const { return pens_[currentGraph_].get(); }
    void SetCurrentGraphPen(TPen* p);
    // The pen of any of the 32 graph slots (nullptr out of range).
    TPen* GraphPen(int graph) const;
    double YMin() const { return yMin_; }
    void SetYMin(double v);
    double YMax() const { return yMax_; }
    void SetYMax(double v);
    bool AutoYLimit() const { return autoYLimit_; }
    void SetAutoYLimit(bool b);
    double AutoYMin() const { return autoYMin_; }
    void SetAutoYMin(double) {}
    double AutoYMax() const { return autoYMax_; }
    void SetAutoYMax(double) {}
    bool KeepAutoLimits() const { return keepAutoLimits_; }
    void SetKeepAutoLimits(bool b) { keepAutoLimits_ = b; }
    bool EnableAutoYMin() const { return enableAutoYMin_; }
    void SetEnableAutoYMin(bool b) { enableAutoYMin_ = b; }
    bool EnablePresentArray() const { return enablePresentArray_; }
    void SetEnablePresentArray(bool b) { enablePresentArray_ = b; }
    int YLabelOptimum() const { return yLabelOptimum_; }
    void SetYLabelOptimum(int v);
    double NetDY() const { return netDY_; }
    void SetNetDY(double v);
    int NetDX() const { return netDX_; }
    void SetNetDX(int v);
    double LabelDY() const { return labelDY_; }
    void SetLabelDY(double v);
    int LabelDX() const { return labelDX_; }
    void SetLabelDX(int v);
    double MiniLabelStep() const { return miniLabelStep_; }
    void SetMiniLabelStep(double v);
    TDateTime MiniLabelsTime() const { return miniLabelsTime_; }
    void SetMiniLabelsTime(TDateTime v);

    TDateTime StartDateTime() const { return start_; }
    void SetStartDateTime(TDateTime t);
    TDateTime StopDateTime() const { return stop_; }
    void SetStopDateTime(TDateTime t);
    TDateTime StartDate() const { return startDate_; }
    void SetStartDate(TDateTime d);
    TDateTime StartTime() const { return startTime_; }
    void SetStartTime(TDateTime t);
    TDateTime StopDate() const { return stopDate_; }
    void SetStopDate(TDateTime d);
    TDateTime StopTime() const { return stopTime_; }
    void SetStopTime(TDateTime t);
    int IntervalSize() const { return intervalSize_; }
    void SetIntervalSize(int n);
    bool RealInterval() const { return realInterval_; }
    void SetRealInterval(bool b);

    int CursorX() const { return cursorX_; }
    void SetCursorX(int c);
    int AbsCursorSecond() const { return absCursorSecond_; }
    void SetAbsCursorSecond(int s);
    TDateTime CursorTime() const { return cursorTime_; }
    void SetCursorTime(TDateTime t);
    double CursorY() const;
    void SetCursorY(double v);
    bool DemoData() const { return demoData_; }
    void SetDemoData(bool b);

    int AddX() const { return addX_; }
    void SetAddX(int v) { setRedraw(addX_, v); }
    int AddY() const { return addY_; }
    void SetAddY(int v) { setRedraw(addY_, v); }
    int AddScale() const { return addScale_; }
    void SetAddScale(int v) { setRedraw(addScale_, v); }
    int AxisWidth() const { return axisWidth_; }
    void SetAxisWidth(int v) { setRedraw(axisWidth_, v); }
    int LabelH() const { return labelH_; }
    void SetLabelH(int v) { setRedraw(labelH_, v); }
    int EdgeLen() const { return edgeLen_; }
    void SetEdgeLen(int v) { setRedraw(edgeLen_, v); }
    TColor GrColor() const { return grColor_; }
    void SetGrColor(TColor c) { setRedraw(grColor_, c); }
    TColor AxisColor() const { return axisColor_; }
    void SetAxisColor(TColor c) { setRedraw(axisColor_, c); }
    TColor AlarmColor() const { return alarmColor_; }
    void SetAlarmColor(TColor c) { setRedraw(alarmColor_, c); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool b) { setRedraw(transparent_, b); }
    bool ViewNet() const { return viewNet_; }
    void SetViewNet(bool b) { setRedraw(viewNet_, b); }
    bool LabelNet() const { return labelNet_; }
    void SetLabelNet(bool b) { setRedraw(labelNet_, b); }
    bool ShowAxis() const { return showAxis_; }
    void SetShowAxis(bool b) { setRedraw(showAxis_, b); }
    bool ShowBorder() const { return showBorder_; }
    void SetShowBorder(bool b) { setRedraw(showBorder_, b); }
    bool ShowCursor() const { return showCursor_; }
    void SetShowCursor(bool b) { setRedraw(showCursor_, b); }
    bool ShowScaleY() const { return showScaleY_; }
    void SetShowScaleY(bool b) { setRedraw(showScaleY_, b); }
    bool ShowScaleX() const { return showScaleX_; }
    void SetShowScaleX(bool b) { showScaleX_ = b; }
    bool ShowZero() const { return showZero_; }
    void SetShowZero(bool b) { setRedraw(showZero_, b); }
    bool ShowMiniLabels() const { return showMiniLabels_; }
    void SetShowMiniLabels(bool b) { setRedraw(showMiniLabels_, b); }
    bool AbsPointNet() const { return absPointNet_; }
    void SetAbsPointNet(bool b) { setRedraw(absPointNet_, b); }
    bool StepOut() const { return stepOut_; }
    void SetStepOut(bool b) { setRedraw(stepOut_, b); }
    bool ShowFlipAxisX() const { return showFlipAxisX_; }
    void SetShowFlipAxisX(bool b) { showFlipAxisX_ = b; }
    bool ShowFlipAxisY() const { return showFlipAxisY_; }
    void SetShowFlipAxisY(bool b) { setRedraw(showFlipAxisY_, b); }
    TPen* NetPen() const { return netPen_.get(); }
    void SetNetPen(TPen* p);
    TPen* BorderPen() const { return borderPen_.get(); }
    void SetBorderPen(TPen* p);
    TPen* CursorPen() const { return cursorPen_.get(); }
    void SetCursorPen(TPen* p);
    TFont* ScaleFont() const { return scaleFont_.get(); }
    void SetScaleFont(TFont* f);

    // ---- Events ------------------------------------------------------------------------------------------
    TNotifyEvent OnChange;
    TNotifyEvent OnLeftScroll;
    TNotifyEvent OnRightScroll;
    TMonGraphNeedDataEvent OnNeedData;

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Dispatch(TMessage& message) override;
    void WMSize(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMGetDlgCode(TMessage& m) override;
    LRESULT NativeDlgCode() const override;
    void CMCtl3DChanged(TMessage& m);

private:
    struct GraphArrays {
        std::vector<double> min, max;
        std::vector<std::uint8_t> alarm, present;
    };

    // Sets the redraw flag and asks for a paint.
    void redraw();
    template <class T>
    void setRedraw(T& field, T value) {
        if (field == value) return;
        field = value;
        redraw();
    }
    // Arrays allocated and long enough for every column 0..GraphSize.
    bool hasArrays(int graph) const;
    bool inRange(int col, int graph) const;
    // Gives the graph's four arrays room for GraphSize + 1 columns (new entries zero), all four or
    // none; false when they could not be had (the graph then counts as having no arrays).
    bool growArrays(int graph);
    void clearArrays(int graph);
    void drawSteps(TCanvas* canvas, int first, int last, bool usePresent);
    // The time label seconds (first label, then every time step, below IntervalSize).
    template <class F>
    void forEachTimeLabel(F f) const;
    // The index k of the first value k * step of the grid rows (lines, dots, mini labels).
    double valueGridFirst(double step) const;
    // Seconds of the mini-label ticks every e seconds, aligned on the first time label.
    template <class F>
    void forEachMiniSecond(int e, F f) const;

    std::array<std::unique_ptr<TPen>, MaxGraphs> pens_;
    std::array<bool, MaxGraphs> visible_{};
    std::array<int, MaxGraphs> paintNums_{};
    std::array<GraphArrays, MaxGraphs> arrays_;

    int graphCount_ = 3;
    int graphSize_ = 720;
    int currentGraph_ = 0;
    double yMin_ = 0.0;
    double yMax_ = 32768.0;
    bool autoYLimit_ = false;
    double autoYMin_ = 0.0;
    double autoYMax_ = 0.0;
    bool keepAutoLimits_ = false;
    bool enableAutoYMin_ = false;
    bool enablePresentArray_ = false;
    int yLabelOptimum_ = 5;
    double netDY_ = 5000.0;
    int netDX_ = 60;
    double labelDY_ = 5000.0;
    int labelDX_ = 60;
    double miniLabelStep_ = 2.0;
    TDateTime miniLabelsTime_ = 0;

    TDateTime start_ = 0, stop_ = 0;
    TDateTime startDate_ = 0, startTime_ = 0, stopDate_ = 0, stopTime_ = 0;
    int intervalSize_ = 720;
    bool realInterval_ = false;

    int cursorX_ = 0;
    int absCursorSecond_ = 0;
    TDateTime cursorTime_ = 0;
    bool demoData_ = false;

    int addX_ = 30, addY_ = 20, addScale_ = 15, axisWidth_ = 2, labelH_ = 5, edgeLen_ = 10;
    TColor grColor_ = 0xC0C0C0;
    TColor axisColor_ = 0;
    TColor alarmColor_ = 0;
    bool transparent_ = false;
    bool viewNet_ = true;
    bool labelNet_ = false;
    bool showAxis_ = false;
    bool showBorder_ = false;
    bool showCursor_ = false;
    bool showScaleY_ = false;
    bool showScaleX_ = false;
    bool showZero_ = true;
    bool showMiniLabels_ = false;
    bool absPointNet_ = false;
    bool stepOut_ = false;
    bool showFlipAxisX_ = false;
    bool showFlipAxisY_ = false;
    std::unique_ptr<TPen> netPen_, borderPen_, cursorPen_;
    std::unique_ptr<TFont> scaleFont_;

    // Plot rectangle and scales, set by CalcRegion.
    int plotLeft_ = 0, plotTop_ = 0, plotRight_ = 0, plotBottom_ = 0;
    double kx_ = 0, ky_ = 0;
    // Time labels, set by SelectTimeStep.
    int timeStep_ = 60;
    int firstLabelSecond_ = 0;
    AnsiString timeLabelFormat_ = "hh:nn:ss";

    bool redraw_ = true;
    std::unique_ptr<TBitmap> picture_;
    bool focused_ = false;
    bool active_ = false;
    bool palettePending_ = true;
};
