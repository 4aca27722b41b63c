// TLevelGraph: the trend chart of every graph screen.
//
// Up to 16 trends ("graphs") over one time window. The data are not kept as samples but as a fixed
// table of time slots: the window from StartTime to StopTime is cut into slots of SecondStep seconds,
// and each graph keeps, per slot, the smallest and largest value that fell into it and whether any of
// them carried the alarm flag. Adding a point is a constant-time merge into its slot; nothing is
// allocated per point.
//
// Drawing is deferred: a setter marks the picture for redrawing and invalidates the control; the
// picture is rebuilt once in the off-screen Bitmap at the next paint and copied to the screen.
//
// Times are TDateTime (days); every decision on a slot, a boundary or a window length is taken on
// differences rounded to whole milliseconds, so rows stamped on exact minute boundaries land in the
// slot they name and not in the one before it.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Graphics.h"
#include "rtl/Classes.h"
#include "rtl/DateUtils.h"

#include <array>
#include <memory>

// One time slot of one graph; all fields zero means empty.
struct TLevelGraphSlot {
    double Min = 0;       // smallest value added; the first value added
    double Max = 0;       // largest value, valid only with HasMax
    bool HasMin = false;  // the slot holds at least one value
    bool HasMax = false;  // the slot holds a second, different value (then Min < Max)
    bool Alarm = false;   // at least one value added carried the alarm flag
};

enum TKelvaronCursorType { kv_cursor_VLine, kv_cursor_BigCross, kv_cursor_Cross };

class TLevelGraph : public TPanel {
    PLANTMON_CLASS(TLevelGraph, TPanel)
public:
    static constexpr int MaxGraphs = 16;
    static constexpr int MaxSlots = 3000;
    using TSlotTable = std::array<std::array<TLevelGraphSlot, MaxSlots>, MaxGraphs>;

    explicit TLevelGraph(TComponent* owner);
    ~TLevelGraph() override;

    // ---- Slot table and time axis (charts/LevelGraph.cpp) ---------------------------------------
    // Writing through this marks every graph as holding points (the reset clears them all).
    TSlotTable& Slots() noexcept {
        used_.fill(true);
        return *slots_;
    }
    const TSlotTable& Slots() const noexcept { return *slots_; }

    // Merges value into the slot of time (graphs outside 0..15 and times without a slot are dropped).
    void AddPoint(int graph, TDateTime time, double value, bool alarm = false);
    // The slot's Min, else its Max, else -1 (also for a graph out of range or a time after StopTime).
    double GetPoint(int graph, TDateTime time) const;
    void DelPoint(int graph, TDateTime time);
    void ResetGraph(int graph);
    void ResetData();

    // Geometry pass; true when the region, the scales and both label grids are usable.
    bool CalcRegion();
    // Fractional slot index, 0..3000.
    double TimeToIndex(TDateTime t) const;
    double IndexToScreenX(double index) const;
    double TimeToScreenX(TDateTime t) const { return IndexToScreenX(TimeToIndex(t)); }
    double ScreenToIX(double x) const;
    TDateTime ScreenToTime(double x) const;
    static double CalcStartNetPoint(double origin, double step);

    void UpdateChanges();
    void StyleChanged(TObject* sender);
    void Change();
    void LoadDemoData();

    // ---- Value scales, automatic limits (charts/LevelGraphScales.cpp) ----------------------------
    double YToScreen(double v) const;
    double ScreenToY(double y) const;
    void CheckDeltaY();
    void CheckAutoLimits();
    static double TranslateVal(double v, double a, double b, double c, double d);

    // ---- Painting, image export, pen file (charts/LevelGraphPaint.cpp) ---------------------------
    void PaintTo(TCanvas* canvas, int x, int y, int width, int height, bool white);
    void ExportImage(int width, int height, bool white);
    void PaintBackGround(TCanvas* canvas, bool skipOuter);
    void PaintXScale(TCanvas* canvas, int rightLimit);
    void PaintYScale(TCanvas* canvas);
    void PaintGraphs(TCanvas* canvas);
    void PaintMultiGraph(TCanvas* canvas);
    void PaintCursor(TCanvas* canvas);
    void SaveToIni();
    void LoadFromIni();

    // ---- Geometry members, set by CalcRegion ------------------------------------------------------
    int RegionLeft = 0;
    int RegionTop = 0;
    int RegionRight = 0;
    int RegionBottom = 0;
    double RegionWidth = 0;
    double RegionHeight = 0;
    double YRange = 0;
    double XScaleK = 0;  // pixels per slot
    double YScaleK = 0;  // pixels per value unit
    TDateTime FirstXLabel = 0;
    bool NeedRedraw = true;
    // The off-screen picture; owned by the control.
    TBitmap* Bitmap = nullptr;

    // Per-graph value ranges of the per-graph scaling mode; no operation changes them.
    double GraphSourceMin[MaxGraphs] = {};
    double GraphSourceMax[MaxGraphs] = {};

    // ---- Published properties (charts/LevelGraph.cpp) -------------------------------------------
    TPen* BorderPen() const { return borderPen_.get(); }
    void SetBorderPen(TPen* p);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor c);
    TColor GraphBackColor() const { return graphBackColor_; }
    void SetGraphBackColor(TColor c);
    int GraphTop() const { return graphTop_; }
    void SetGraphTop(int v);
    int GraphLeft() const { return graphLeft_; }
    void SetGraphLeft(int v);
    int GraphSubWidth() const { return graphSubWidth_; }
    void SetGraphSubWidth(int v);
    int GraphSubHeight() const { return graphSubHeight_; }
    void SetGraphSubHeight(int v);
    // Graphs drawn and searched, 0..16; other values are refused.
    int GraphCount() const { return graphCount_; }
    void SetGraphCount(int v);
    bool ShowScaleY() const { return showScaleY_; }
    void SetShowScaleY(bool b);
    bool ShowScaleX() const { return showScaleX_; }
    void SetShowScaleX(bool b);
    double YMax() const { return yMax_; }
    void SetYMax(double v);
    double YMin() const { return yMin_; }
    void SetYMin(double v);
    AnsiString AddYScaleStr() const { return addYScaleStr_; }
    void SetAddYScaleStr(const AnsiString& s);
    AnsiString AddXScaleStr() const { return addXScaleStr_; }
    void SetAddXScaleStr(const AnsiString& s);
    bool ShowCursor() const { return showCursor_; }
    void SetShowCursor(bool b);
    bool ShowBorder() const { return showBorder_; }
    void SetShowBorder(bool b);
    TPen* CursorPen() const { return cursorPen_.get(); }
    void SetCursorPen(TPen* p);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool b);
    bool EnablePresentArray() const { return enablePresentArray_; }
    void SetEnablePresentArray(bool b);
    // The graph GraphPen addresses, 0..15; other values are refused.
    int CurrentGraph() const { return currentGraph_; }
    void SetCurrentGraph(int v);
    TPen* GraphPen() const { return GetGraphPen(currentGraph_); }
    void SetGraphPen(TPen* p) { SetGraphPen(currentGraph_, p); }
    // Pen of graph 0..15; any other index means CurrentGraph. Setting copies the pen's attributes.
    TPen* GetGraphPen(int graph) const;
    void SetGraphPen(int graph, TPen* p);
    bool AutoYMax() const { return autoYMax_; }
    void SetAutoYMax(bool b) { autoYMax_ = b; }
    bool AutoYMin() const { return autoYMin_; }
    void SetAutoYMin(bool b) { autoYMin_ = b; }
    TDateTime StartTime() const { return startTime_; }
    void SetStartTime(TDateTime t);
    TDateTime StopTime() const { return stopTime_; }
    void SetStopTime(TDateTime t);
    TDateTime CursorTime() const { return cursorTime_; }
    void SetCursorTime(TDateTime t);
    int CursorPosition() const { return cursorPosition_; }
    void SetCursorPosition(int v) { cursorPosition_ = v; }
    TKelvaronCursorType CursorType() const { return cursorType_; }
    void SetCursorType(TKelvaronCursorType t);
    double CursorY() const { return cursorY_; }
    void SetCursorY(double v);
    TDateTime DataStep() const { return dataStep_; }
    void SetDataStep(TDateTime d);
    int ArraySize() const { return arraySize_; }
    void SetArraySize(int v);
    AnsiString IniName() const { return iniName_; }
    void SetIniName(const AnsiString& name);
    double YLabelStep() const { return yLabelStep_; }
    void SetYLabelStep(double v);
    bool MinYLabel() const { return minYLabel_; }
    void SetMinYLabel(bool b);
    bool MaxYLabel() const { return maxYLabel_; }
    void SetMaxYLabel(bool b);
    TDateTime XLabelStep() const { return xLabelStep_; }
    void SetXLabelStep(TDateTime v);
    bool MinXLabel() const { return minXLabel_; }
    void SetMinXLabel(bool b);
    bool MaxXLabel() const { return maxXLabel_; }
    void SetMaxXLabel(bool b);
    bool ShowLabelNet() const { return showLabelNet_; }
    void SetShowLabelNet(bool b);
    TPen* LabelNetPen() const { return labelNetPen_.get(); }
    void SetLabelNetPen(TPen* p);
    TDateTime SecondNetStepX() const { return secondNetStepX_; }
    void SetSecondNetStepX(TDateTime v);
    double SecondNetStepY() const { return secondNetStepY_; }
    void SetSecondNetStepY(double v);
    TPen* SecondNetPen() const { return secondNetPen_.get(); }
    void SetSecondNetPen(TPen* p);
    bool ShowSecondNet() const { return showSecondNet_; }
    void SetShowSecondNet(bool b) { showSecondNet_ = b; }
    // Staged window: NewIntervalAccepted set to true takes the three staged times over.
    TDateTime NewStartTime() const { return newStartTime_; }
    void SetNewStartTime(TDateTime t);
    TDateTime NewStopTime() const { return newStopTime_; }
    void SetNewStopTime(TDateTime t);
    TDateTime NewCursorTime() const { return newCursorTime_; }
    void SetNewCursorTime(TDateTime t);
    bool NewIntervalAccepted() const { return newIntervalAccepted_; }
    void SetNewIntervalAccepted(bool b);
    TFont* XScaleFont() const { return xScaleFont_.get(); }
    void SetXScaleFont(TFont* f);
    TFont* YScaleFont() const { return yScaleFont_.get(); }
    void SetYScaleFont(TFont* f);
    double SecondStep() const { return secondStep_; }
    void SetSecondStep(double v);
    // Set by CalcRegion; writing them only tells the user they cannot be written.
    int IntervalSize() const { return intervalSize_; }
    void SetIntervalSize(int v);
    int IntervalPointCount() const { return intervalPointCount_; }
    void SetIntervalPointCount(int v);
    double DetectedYMin() const { return 0; }
    void SetDetectedYMin(double v);
    double DetectedYMax() const { return 0; }
    void SetDetectedYMax(double v);
    AnsiString ScaleXFormat() const { return scaleXFormat_; }
    void SetScaleXFormat(const AnsiString& s);
    AnsiString ScaleYFormat() const { return scaleYFormat_; }
    void SetScaleYFormat(const AnsiString& s);
    bool DemoData() const { return demoData_; }
    void SetDemoData(bool b);
    bool MultiScaleMode() const { return multiScaleMode_; }
    void SetMultiScaleMode(bool b) { multiScaleMode_ = b; }
    bool AutoRecalcScaleK() const { return autoRecalcScaleK_; }
    void SetAutoRecalcScaleK(bool b) { autoRecalcScaleK_ = b; }
    bool AutoYScale() const { return autoYScale_; }
    void SetAutoYScale(bool b);
    bool AutoYScaleFormat() const { return autoYScaleFormat_; }
    void SetAutoYScaleFormat(bool b);
    bool AutoXScaleFormat() const { return autoXScaleFormat_; }
    void SetAutoXScaleFormat(bool b);
    bool PositiveY() const { return positiveY_; }
    void SetPositiveY(bool b);
    TDateTime WinLeftLimit() const { return winLeftLimit_; }
    void SetWinLeftLimit(TDateTime t);
    TDateTime WinRightLimit() const { return winRightLimit_; }
    void SetWinRightLimit(TDateTime t);
    bool WinLeftLimitOK() const { return winLeftLimitOK_; }
    void SetWinLeftLimitOK(bool b);
    bool WinRightLimitOK() const { return winRightLimitOK_; }
    void SetWinRightLimitOK(bool b);
    TPen* WinLimitsPen() const { return winLimitsPen_.get(); }
    void SetWinLimitsPen(TPen* p);
    TColor AlarmColor() const { return alarmColor_; }
    void SetAlarmColor(TColor c);
    int BestNetLineCount() const { return bestNetLineCount_; }
    void SetBestNetLineCount(int v);
    bool ShowRightScale() const { return showRightScale_; }
    void SetShowRightScale(bool b);
    double RightYMin() const { return rightYMin_; }
    void SetRightYMin(double v);
    double RightYMax() const { return rightYMax_; }
    void SetRightYMax(double v);
    double RightScaleStep() const { return rightScaleStep_; }
    void SetRightScaleStep(double v);
    TFont* LegendFont() const { return legendFont_.get(); }
    void SetLegendFont(TFont* f);
    TStringList* LegendStrings() const { return legendStrings_.get(); }
    void SetLegendStrings(TStrings* s);
    bool ShowLegend() const { return showLegend_; }
    void SetShowLegend(bool b);
    double MinDeltaY() const { return minDeltaY_; }
    void SetMinDeltaY(double v) { minDeltaY_ = v; }

    // Fired when the user moves the cursor (mouse or arrow keys).
    TNotifyEvent OnChange;

protected:
    // ---- Paint, keyboard and mouse (charts/LevelGraphPaint.cpp) -----------------------------------
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMEraseBkgnd(TMessage& m) override;
    void WMGetDlgCode(TMessage& m) override;
    LRESULT NativeDlgCode() const override;

private:
    template <class T>
    void setRedraw(T& field, const T& value) {
        if (field == value) return;
        field = value;
        UpdateChanges();
    }
    void copyPen(std::unique_ptr<TPen>& own, TPen* p);
    void copyFont(std::unique_ptr<TFont>& own, TFont* f);
    // Slot index of a time (truncated TimeToIndex), or -1 when the time has no slot.
    int slotOf(TDateTime t) const;
    // The window's ends as whole milliseconds on one time line, kept with StartTime and StopTime:
    // a point's slot then costs one conversion of its own time.
    void windowChanged();
    long long startMs_ = 0, stopMs_ = 0;
    bool windowValid_ = true;
    // The slot found last, for the curves of one chart that share a time.
    mutable TDateTime lastSlotTime_ = 0;
    mutable int lastSlot_ = -2;
    void drawGraphs(TCanvas* canvas, bool multi);

    std::unique_ptr<TSlotTable> slots_;
    // Graphs that may hold points: a reset clears only those.
    std::array<bool, MaxGraphs> used_{};
    std::unique_ptr<TPen> borderPen_, cursorPen_, labelNetPen_, secondNetPen_, winLimitsPen_;
    std::array<std::unique_ptr<TPen>, MaxGraphs> graphPens_;
    std::unique_ptr<TFont> xScaleFont_, yScaleFont_, legendFont_;
    std::unique_ptr<TStringList> legendStrings_;
    std::unique_ptr<TBitmap> bitmap_;

    TColor backColor_ = clSilver;
    TColor graphBackColor_ = clWhite;
    int graphTop_ = 10, graphLeft_ = 30, graphSubWidth_ = 30, graphSubHeight_ = 15;
    int graphCount_ = 1;
    bool showScaleY_ = true, showScaleX_ = true;
    double yMax_ = 0, yMin_ = 0;
    AnsiString addYScaleStr_, addXScaleStr_;
    bool showCursor_ = false, showBorder_ = false, transparent_ = false, enablePresentArray_ = true;
    int currentGraph_ = 0;
    bool autoYMax_ = false, autoYMin_ = false;
    TDateTime startTime_ = 0, stopTime_ = 0, cursorTime_ = 0;
    int cursorPosition_ = 0;
    TKelvaronCursorType cursorType_ = kv_cursor_VLine;
    double cursorY_ = 0;
    TDateTime dataStep_ = OneMinute;
    int arraySize_ = 1000;
    AnsiString iniName_;
    double yLabelStep_ = 0;
    bool minYLabel_ = false, maxYLabel_ = false;
    TDateTime xLabelStep_ = 0;
    bool minXLabel_ = false, maxXLabel_ = false;
    bool showLabelNet_ = false;
    TDateTime secondNetStepX_ = 0;
    double secondNetStepY_ = 0;
    bool showSecondNet_ = false;
    TDateTime newStartTime_ = 0, newStopTime_ = 0, newCursorTime_ = 0;
    bool newIntervalAccepted_ = false;
    double secondStep_ = 60;
    int intervalSize_ = 0, intervalPointCount_ = 0;
    AnsiString scaleXFormat_ = "hh:mm";
    AnsiString scaleYFormat_ = "###%";
    bool demoData_ = false;
    bool multiScaleMode_ = false, autoRecalcScaleK_ = false;
    bool autoYScale_ = false, autoYScaleFormat_ = true, autoXScaleFormat_ = true, positiveY_ = false;
    TDateTime winLeftLimit_ = 0, winRightLimit_ = 0;
    bool winLeftLimitOK_ = false, winRightLimitOK_ = false;
    TColor alarmColor_ = 255;
    int bestNetLineCount_ = 4;
    bool showRightScale_ = false;
    double rightYMin_ = 0, rightYMax_ = 0, rightScaleStep_ = 0;
    bool showLegend_ = false;
    double minDeltaY_ = 0;
};
