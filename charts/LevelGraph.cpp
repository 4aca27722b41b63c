// TLevelGraph: construction, properties, the slot table and the time axis.
#include "charts/LevelGraph.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <climits>
#include <cmath>

namespace {

// A time difference b - a in whole milliseconds, the unit every slot and boundary decision uses.
long long diffMs(TDateTime a, TDateTime b) { return MilliSecondsBetweenRounded(a, b); }

void readOnlyMessage(int n) {
    MessageBox(nullptr, "Это поле только для чтения " + IntToStr(n) + ".", "Справка", MB_ICONWARNING);
}

}  // namespace

TLevelGraph::TLevelGraph(TComponent* owner) : TPanel(owner), slots_(std::make_unique<TSlotTable>()) {
    auto hook = TNotifyEvent(this, &TLevelGraph::StyleChanged);
    auto makePen = [&](std::unique_ptr<TPen>& p) {
        p = std::make_unique<TPen>();
        p->OnChange = hook;
    };
    makePen(borderPen_);
    makePen(cursorPen_);
    makePen(labelNetPen_);
    makePen(secondNetPen_);
    makePen(winLimitsPen_);
    for (auto& p : graphPens_) makePen(p);
    xScaleFont_ = std::make_unique<TFont>();
    xScaleFont_->OnChange = hook;
    yScaleFont_ = std::make_unique<TFont>();
    yScaleFont_->OnChange = hook;
    legendFont_ = std::make_unique<TFont>();
    legendStrings_ = std::make_unique<TStringList>();
    bitmap_ = std::make_unique<TBitmap>();
    Bitmap = bitmap_.get();
    SetBevelOuter(bvNone);
    NeedRedraw = true;
    SetBounds(Left(), Top(), 400, 100);
}

TLevelGraph::~TLevelGraph() {
    if (!iniName_.IsEmpty()) {
        try {
            SaveToIni();
        } catch (...) {
            // A colour file that cannot be written is left as it is.
        }
    }
    // The pens outlive nothing that could call back into a half-destroyed control.
    for (auto& p : graphPens_) p->OnChange = nullptr;
    for (auto* p : {borderPen_.get(), cursorPen_.get(), labelNetPen_.get(), secondNetPen_.get(), winLimitsPen_.get()})
        p->OnChange = nullptr;
    xScaleFont_->OnChange = nullptr;
    yScaleFont_->OnChange = nullptr;
}

// ---- Redraw requests --------------------------------------------------------------------------------

void TLevelGraph::UpdateChanges() {
    NeedRedraw = true;
    Invalidate();
}

void TLevelGraph::StyleChanged(TObject*) { UpdateChanges(); }

void TLevelGraph::Change() {
    if (OnChange) OnChange(this);
}

void TLevelGraph::copyPen(std::unique_ptr<TPen>& own, TPen* p) {
    if (!p || p == own.get()) return;
    own->Assign(p);  // the change hook asks for the redraw
    UpdateChanges();
}

void TLevelGraph::copyFont(std::unique_ptr<TFont>& own, TFont* f) {
    if (!f || f == own.get()) return;
    own->Assign(f);
    UpdateChanges();
}

// ---- Property setters ---------------------------------------------------------------------------------

void TLevelGraph::SetBorderPen(TPen* p) {
    if (!p) return;
    borderPen_->Assign(p);
    UpdateChanges();
}
void TLevelGraph::SetBackColor(TColor c) { setRedraw(backColor_, c); }
void TLevelGraph::SetGraphBackColor(TColor c) { setRedraw(graphBackColor_, c); }
void TLevelGraph::SetGraphTop(int v) { setRedraw(graphTop_, v); }
void TLevelGraph::SetGraphLeft(int v) { setRedraw(graphLeft_, v); }
void TLevelGraph::SetGraphSubWidth(int v) { setRedraw(graphSubWidth_, v); }
void TLevelGraph::SetGraphSubHeight(int v) { setRedraw(graphSubHeight_, v); }

void TLevelGraph::SetGraphCount(int v) {
    // Every loop over the graphs indexes the pens and the slot table by this count.
    if (v < 0 || v > MaxGraphs) return;
    setRedraw(graphCount_, v);
}

void TLevelGraph::SetShowScaleY(bool b) { setRedraw(showScaleY_, b); }
void TLevelGraph::SetShowScaleX(bool b) { setRedraw(showScaleX_, b); }

void TLevelGraph::SetYMax(double v) {
    if (v == yMax_) return;
    yMax_ = v;
    if (yMax_ - yMin_ < 0.001) yMin_ = yMax_ - 0.001;
    UpdateChanges();
}

void TLevelGraph::SetYMin(double v) {
    if (v == yMin_) return;
    yMin_ = v;
    if (yMax_ - yMin_ < 0.001) yMax_ = yMin_ + 0.001;
    UpdateChanges();
}

void TLevelGraph::SetAddYScaleStr(const AnsiString& s) { setRedraw(addYScaleStr_, s); }
void TLevelGraph::SetAddXScaleStr(const AnsiString& s) { setRedraw(addXScaleStr_, s); }
void TLevelGraph::SetShowCursor(bool b) { setRedraw(showCursor_, b); }
void TLevelGraph::SetShowBorder(bool b) { setRedraw(showBorder_, b); }
void TLevelGraph::SetCursorPen(TPen* p) { copyPen(cursorPen_, p); }
void TLevelGraph::SetTransparent(bool b) { setRedraw(transparent_, b); }
void TLevelGraph::SetEnablePresentArray(bool b) { setRedraw(enablePresentArray_, b); }

void TLevelGraph::SetCurrentGraph(int v) {
    if (v < 0 || v >= MaxGraphs) return;
    currentGraph_ = v;
}

TPen* TLevelGraph::GetGraphPen(int graph) const {
    if (graph < 0 || graph >= MaxGraphs) graph = currentGraph_;
    return graphPens_[graph].get();
}

void TLevelGraph::SetGraphPen(int graph, TPen* p) {
    if (graph < 0 || graph >= MaxGraphs) graph = currentGraph_;
    if (!p || p == graphPens_[graph].get()) return;
    graphPens_[graph]->Assign(p);
    UpdateChanges();
}

void TLevelGraph::SetCursorTime(TDateTime t) { setRedraw(cursorTime_, t); }
void TLevelGraph::SetCursorType(TKelvaronCursorType t) { setRedraw(cursorType_, t); }
void TLevelGraph::SetCursorY(double v) { setRedraw(cursorY_, v); }

void TLevelGraph::SetDataStep(TDateTime d) {
    if (d < 10 * OneMillisecond) return;
    if (d == dataStep_) return;
    dataStep_ = d;
    lastSlot_ = -2;
    double s = d * SecsPerDay;
    if (s > 1) s = static_cast<double>(Trunc(s + 0.5));
    secondStep_ = s;
    UpdateChanges();
}

void TLevelGraph::SetArraySize(int v) {
    if (v < 10 || v > MaxSlots) {
        MessageBox(nullptr, "Допускаются целые числа в диапазоне от 10 до 3000", "Ошибка", MB_ICONERROR);
        return;
    }
    setRedraw(arraySize_, v);
}

void TLevelGraph::SetIniName(const AnsiString& name) {
    if (name == iniName_) return;
    iniName_ = name;
    if (!iniName_.IsEmpty()) LoadFromIni();
}

void TLevelGraph::SetYLabelStep(double v) { setRedraw(yLabelStep_, v); }
void TLevelGraph::SetMinYLabel(bool b) { setRedraw(minYLabel_, b); }
void TLevelGraph::SetMaxYLabel(bool b) { setRedraw(maxYLabel_, b); }
void TLevelGraph::SetXLabelStep(TDateTime v) { setRedraw(xLabelStep_, v); }
void TLevelGraph::SetMinXLabel(bool b) { setRedraw(minXLabel_, b); }
void TLevelGraph::SetMaxXLabel(bool b) { setRedraw(maxXLabel_, b); }
void TLevelGraph::SetShowLabelNet(bool b) { setRedraw(showLabelNet_, b); }
void TLevelGraph::SetLabelNetPen(TPen* p) { copyPen(labelNetPen_, p); }
void TLevelGraph::SetSecondNetStepX(TDateTime v) { setRedraw(secondNetStepX_, v); }
void TLevelGraph::SetSecondNetStepY(double v) { setRedraw(secondNetStepY_, v); }
void TLevelGraph::SetSecondNetPen(TPen* p) { copyPen(secondNetPen_, p); }

void TLevelGraph::SetNewStartTime(TDateTime t) { newStartTime_ = t; }

void TLevelGraph::SetNewStopTime(TDateTime t) {
    if (t == newStopTime_) return;
    newStopTime_ = t;
    newIntervalAccepted_ = false;
}

void TLevelGraph::SetNewCursorTime(TDateTime t) {
    if (t == newCursorTime_) return;
    newCursorTime_ = t;
    newIntervalAccepted_ = false;
}

void TLevelGraph::SetNewIntervalAccepted(bool b) {
    if (b == newIntervalAccepted_) return;
    newIntervalAccepted_ = b;
    if (b) {
        cursorTime_ = newCursorTime_;
        startTime_ = newStartTime_;
        stopTime_ = newStopTime_;
        windowChanged();
    }
}

void TLevelGraph::SetStartTime(TDateTime t) {
    startTime_ = t;
    windowChanged();
}

void TLevelGraph::SetStopTime(TDateTime t) {
    stopTime_ = t;
    windowChanged();
}

void TLevelGraph::windowChanged() {
    lastSlot_ = -2;
    try {
        startMs_ = diffMs(0, startTime_);
        stopMs_ = diffMs(0, stopTime_);
        windowValid_ = true;
    } catch (...) {
        // A window no calendar holds: every time falls back to the slow path, which beeps.
        windowValid_ = false;
    }
}

void TLevelGraph::SetXScaleFont(TFont* f) { copyFont(xScaleFont_, f); }
void TLevelGraph::SetYScaleFont(TFont* f) { copyFont(yScaleFont_, f); }

void TLevelGraph::SetSecondStep(double v) {
    if (v == secondStep_) return;
    lastSlot_ = -2;
    secondStep_ = v < 0.01 ? 1.0 : v;
    dataStep_ = secondStep_ / SecsPerDay;
    UpdateChanges();
}

void TLevelGraph::SetIntervalSize(int) { readOnlyMessage(1); }
void TLevelGraph::SetIntervalPointCount(int) { readOnlyMessage(2); }
void TLevelGraph::SetDetectedYMin(double) { readOnlyMessage(3); }
void TLevelGraph::SetDetectedYMax(double) { readOnlyMessage(4); }

void TLevelGraph::SetScaleXFormat(const AnsiString& s) { setRedraw(scaleXFormat_, s); }
void TLevelGraph::SetScaleYFormat(const AnsiString& s) { setRedraw(scaleYFormat_, s); }

void TLevelGraph::SetDemoData(bool b) {
    if (b != demoData_) {
        demoData_ = b;
        if (b) LoadDemoData();
        else ResetData();
    }
    UpdateChanges();
}

void TLevelGraph::SetAutoYScale(bool b) { setRedraw(autoYScale_, b); }
void TLevelGraph::SetAutoYScaleFormat(bool b) { setRedraw(autoYScaleFormat_, b); }
void TLevelGraph::SetAutoXScaleFormat(bool b) { setRedraw(autoXScaleFormat_, b); }
void TLevelGraph::SetPositiveY(bool b) { setRedraw(positiveY_, b); }
void TLevelGraph::SetWinLeftLimit(TDateTime t) { setRedraw(winLeftLimit_, t); }
void TLevelGraph::SetWinRightLimit(TDateTime t) { setRedraw(winRightLimit_, t); }
void TLevelGraph::SetWinLeftLimitOK(bool b) { setRedraw(winLeftLimitOK_, b); }
void TLevelGraph::SetWinRightLimitOK(bool b) { setRedraw(winRightLimitOK_, b); }
void TLevelGraph::SetWinLimitsPen(TPen* p) { copyPen(winLimitsPen_, p); }
void TLevelGraph::SetAlarmColor(TColor c) { setRedraw(alarmColor_, c); }
void TLevelGraph::SetBestNetLineCount(int v) { setRedraw(bestNetLineCount_, v); }
void TLevelGraph::SetShowRightScale(bool b) { setRedraw(showRightScale_, b); }
void TLevelGraph::SetRightYMin(double v) { setRedraw(rightYMin_, v); }
void TLevelGraph::SetRightYMax(double v) { setRedraw(rightYMax_, v); }
void TLevelGraph::SetRightScaleStep(double v) { setRedraw(rightScaleStep_, v); }

void TLevelGraph::SetLegendFont(TFont* f) {
    if (!f) return;
    legendFont_->Assign(f);
    UpdateChanges();
}

void TLevelGraph::SetLegendStrings(TStrings* s) {
    if (!s || s == legendStrings_.get()) return;
    legendStrings_->Assign(s);
    UpdateChanges();
}

void TLevelGraph::SetShowLegend(bool b) { setRedraw(showLegend_, b); }

// ---- Time axis -----------------------------------------------------------------------------------------

bool TLevelGraph::CalcRegion() {
    try {
        RegionLeft = graphLeft_;
        RegionTop = graphTop_;
        RegionRight = Bitmap->Width() - graphSubWidth_;
        RegionBottom = Bitmap->Height() - graphSubHeight_;
        RegionWidth = RegionRight - RegionLeft + 1;
        RegionHeight = RegionBottom - RegionTop + 1;
        YRange = yMax_ - yMin_;

        long long seconds = diffMs(startTime_, stopTime_) / 1000;  // truncated toward zero
        if (seconds <= 0) {
            intervalSize_ = 0;
            intervalPointCount_ = 0;
        } else {
            intervalSize_ = seconds > INT_MAX ? INT_MAX : static_cast<int>(seconds);
            long long count = secondStep_ > 0 ? Trunc(intervalSize_ / secondStep_) : 0;
            // The slot table ends at MaxSlots: a longer window shows its first MaxSlots slots only.
            intervalPointCount_ = static_cast<int>(count > MaxSlots ? MaxSlots : count);
        }
        XScaleK = intervalPointCount_ > 0 ? RegionWidth / intervalPointCount_ : 0;
        YScaleK = YRange > 0 ? RegionHeight / YRange : 0;
        if (intervalPointCount_ == 0) return false;
        // With an automatic label step the step is found by the automatic pass that follows, so a
        // stored step of 0 must not stop the redraw before that pass could run.
        if (!autoYScale_ && yLabelStep_ <= 1e-100) return false;
        if (Round(xLabelStep_ * MSecsPerDay) <= 100) return false;
        // The first label is found on whole milliseconds, so a start on an exact multiple of the
        // step is recognised as one.
        double startMs = static_cast<double>(diffMs(0, startTime_));
        double stepMs = static_cast<double>(Round(xLabelStep_ * MSecsPerDay));
        FirstXLabel = IncMilliSecond(0, Round(CalcStartNetPoint(startMs, stepMs)));
        return true;
    } catch (...) {
        BeepAt("trend chart region");
        return false;
    }
}

double TLevelGraph::CalcStartNetPoint(double origin, double step) {
    if (step <= 0 || origin == 0) return 0;
    double q = static_cast<double>(Round(origin / step));
    if (origin > 0) q += 1;
    return step * q;
}

double TLevelGraph::TimeToIndex(TDateTime t) const {
    try {
        if (!windowValid_) throw EInvalidOp("window");
        long long tMs = diffMs(0, t);
        if (tMs > stopMs_) return MaxSlots;
        long long fromStart = tMs - startMs_;
        if (fromStart < 0) return 0;
        double d = secondStep_ > 0 ? fromStart / (secondStep_ * 1000.0) : fromStart / 1000.0;
        if (!std::isfinite(d)) throw EInvalidOp("slot index");
        if (d < 0) d = 0;
        if (d > MaxSlots) d = MaxSlots;
        return d;
    } catch (...) {
        BeepAt("trend chart time index");
        return 0;
    }
}

int TLevelGraph::slotOf(TDateTime t) const {
    if (t == lastSlotTime_ && lastSlot_ != -2) return lastSlot_;
    double index = TimeToIndex(t);
    int slot = index >= MaxSlots ? -1 : static_cast<int>(index);
    lastSlotTime_ = t;
    lastSlot_ = slot;
    return slot;
}

double TLevelGraph::IndexToScreenX(double index) const {
    double x = RegionLeft + XScaleK * index;
    if (x < RegionLeft) x = RegionLeft;
    if (x > RegionRight) x = RegionRight;
    return x;
}

double TLevelGraph::ScreenToIX(double x) const { return XScaleK > 0 ? (x - RegionLeft) / XScaleK : 0; }

TDateTime TLevelGraph::ScreenToTime(double x) const {
    try {
        double t = startTime_ + ScreenToIX(x) * secondStep_ / SecsPerDay;
        if (!std::isfinite(t)) throw EInvalidOp("time at column");
        return t;
    } catch (...) {
        BeepAt("trend chart column time");
        return Now();
    }
}

// ---- Points ----------------------------------------------------------------------------------------------

void TLevelGraph::AddPoint(int graph, TDateTime time, double value, bool alarm) {
    if (graph < 0 || graph >= MaxGraphs) return;
    int i = slotOf(time);
    if (i < 0 || i >= intervalPointCount_) return;
    TLevelGraphSlot& s = (*slots_)[graph][i];
    used_[graph] = true;
    s.Alarm = s.Alarm || alarm;
    if (!s.HasMin) {
        s.HasMin = true;
        s.Min = value;
        return;
    }
    if (s.HasMax) {
        if (value < s.Min) s.Min = value;
        if (value > s.Max) s.Max = value;
        return;
    }
    if (value < s.Min) {
        s.Max = s.Min;
        s.Min = value;
        s.HasMax = true;
    } else if (value != s.Min) {
        s.Max = value;
        s.HasMax = true;
    }
}

double TLevelGraph::GetPoint(int graph, TDateTime time) const {
    if (graph < 0 || graph >= MaxGraphs) return -1;
    int i = slotOf(time);
    if (i < 0) return -1;
    const TLevelGraphSlot& s = (*slots_)[graph][i];
    if (s.HasMin) return s.Min;
    if (s.HasMax) return s.Max;
    return -1;
}

void TLevelGraph::DelPoint(int graph, TDateTime time) {
    if (graph < 0 || graph >= MaxGraphs) return;
    int i = slotOf(time);
    if (i < 0) return;
    (*slots_)[graph][i] = TLevelGraphSlot();
}

void TLevelGraph::ResetGraph(int graph) {
    if (graph < 0 || graph >= MaxGraphs || !used_[graph]) return;
    (*slots_)[graph].fill(TLevelGraphSlot());
    used_[graph] = false;
}

void TLevelGraph::ResetData() {
    for (int g = 0; g < MaxGraphs; ++g) ResetGraph(g);
}

void TLevelGraph::LoadDemoData() {
    if (intervalPointCount_ < 10 || dataStep_ <= 0) return;
    double range = yMax_ - yMin_;
    double per = range / intervalPointCount_;
    Randomize();
    long long stepMs = Round(dataStep_ * MSecsPerDay);
    long long windowMs = diffMs(startTime_, stopTime_);
    if (stepMs <= 0) return;
    for (int g = 0; g < graphCount_; ++g) {
        double v = RandG(range / 2, range / 6);
        double s = RandG(per, per / 8);
        for (long long ms = 0; ms < windowMs; ms += stepMs) {
            AddPoint(g, IncMilliSecond(startTime_, ms), v, false);
            v += s;
            if (v > yMax_ || v < yMin_) s = -s;
            v += s;
        }
    }
}
