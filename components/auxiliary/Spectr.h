// TSpectr: a spectrum chart.
//
// A count (a double) for each of Size channels, with an energy for every channel (i * 3.5 / Size),
// drawn as a filled curve or a histogram over a window of channels (LeftViewLimit..RightViewLimit),
// with a count grid and an energy grid, a channel cursor, left and right limit markers and marked
// peaks. Peaks are texts "left[centre]right" of channel numbers in PicList. The chart keeps the sum
// of the counts inside the view window and can scale its count axis to the data.
//
// The caller writes the counts through Counts() and asks for a repaint (StyleChanged). Every change
// of a property, pen, brush or font recomputes the automatic limits and marks the picture for a full
// redraw into the off-screen bitmap, which one copy per paint puts on the screen.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Graphics.h"
#include "gui/Messages.h"
#include "rtl/Classes.h"

#include <array>
#include <memory>
#include <vector>

// A record of the peak table.
struct TPickRecord {
    double Center = 0;
    double Left = 0;
    double Right = 0;
    double Extra[7] = {};
    AnsiString Name;
};

class TSpectr : public TPanel {
    PLANTMON_CLASS(TSpectr, TPanel)
public:
    static constexpr int MaxPicks = 50;

    explicit TSpectr(TComponent* owner);
    ~TSpectr() override;

    // ---- Data ---------------------------------------------------------------------------------------
    // The counts, Size entries; write them and call StyleChanged to show them.
    double* Counts() { return counts_.data(); }
    const double* Counts() const { return counts_.data(); }
    // The energy of channel i (0 outside 0..Size-1).
    double Energy(int i) const;
    // All counts 0, the view window sum 0, PicList cleared.
    void ResetSpectr();
    // New arrays for the current Size, energies filled, the spectrum cleared.
    void InitArrays();
    void CheckAutoLimits();

    // ---- Geometry and conversions --------------------------------------------------------------------
    void CalcRegion();
    double IndexToScreen(double i) const;
    double ScreenToIndex(double x) const;
    double SpYToScreen(double v) const;
    double ScreenToSpY(double y) const;
    int EnergyToIndex(double e) const;
    // The first grid value of a range that starts at v (strictly above v when v > 0).
    static double CalcStartNetPoint(double v, double step);

    // ---- Peaks --------------------------------------------------------------------------------------------
    bool PickLCR(int n, int& left, int& centre, int& right) const;
    int PickLeft(int n) const;
    int PickRight(int n) const;
    int GetPickCount() const;
    int PointInPick(double x) const;
    void SortPickList();
    void UpdatePickList();
    bool ErasePick(int n);

    // ---- Painting and export -------------------------------------------------------------------------------
    void PaintBackGround(TCanvas* canvas);
    void PaintNet(TCanvas* canvas);
    void PaintSpectr(TCanvas* canvas);
    void PaintPics(TCanvas* canvas);
    void PaintLimits(TCanvas* canvas);
    void PaintCursor(TCanvas* canvas);
    // Draws the chart in black on a width x height picture (white background, or the chart's own);
    // the picture is Bitmap() until the next paint.
    void ExportImage(int width, int height, bool whiteBackground);
    // The off-screen picture: what the last paint drew, or the last export.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    // Automatic limits, then a full redraw.
    void StyleChanged(TObject* sender);

    // ---- Properties ----------------------------------------------------------------------------------------
    int Size() const { return size_; }
    void SetSize(int v);
    double YMin() const { return yMin_; }
    void SetYMin(double v) { setStyle(yMin_, v); }
    double YMax() const { return yMax_; }
    void SetYMax(double v) { setStyle(yMax_, v); }
    double ScaleXStep() const { return scaleXStep_; }
    void SetScaleXStep(double v) { setStyle(scaleXStep_, v); }
    double ScaleYStep() const { return scaleYStep_; }
    void SetScaleYStep(double v) { setStyle(scaleYStep_, v); }
    AnsiString ScaleXFormat() const { return scaleXFormat_; }
    void SetScaleXFormat(const AnsiString& v) { setStyle(scaleXFormat_, v); }
    AnsiString ScaleYFormat() const { return scaleYFormat_; }
    void SetScaleYFormat(const AnsiString& v) { setStyle(scaleYFormat_, v); }
    int ScaleXTop() const { return scaleXTop_; }
    void SetScaleXTop(int v) { scaleXTop_ = v; }
    int SpectrLeft() const { return spectrLeft_; }
    void SetSpectrLeft(int v) { setStyle(spectrLeft_, v); }
    int SpectrTop() const { return spectrTop_; }
    void SetSpectrTop(int v) { setStyle(spectrTop_, v); }
    int SpectrSubWidth() const { return spectrSubWidth_; }
    void SetSpectrSubWidth(int v) { setStyle(spectrSubWidth_, v); }
    int SpectrSubHeight() const { return spectrSubHeight_; }
    void SetSpectrSubHeight(int v) { setStyle(spectrSubHeight_, v); }
    int LeftViewLimit() const { return leftViewLimit_; }
    void SetLeftViewLimit(int n);
    int RightViewLimit() const { return rightViewLimit_; }
    void SetRightViewLimit(int n);
    double ViewWindowSum() const { return viewWindowSum_; }
    void SetViewWindowSum(double) {}
    int CursorPosition() const { return cursorPosition_; }
    void SetCursorPosition(int v);
    int LeftLimit() const { return leftLimit_; }
    void SetLeftLimit(int v) { setStyle(leftLimit_, v); }
    int RightLimit() const { return rightLimit_; }
    void SetRightLimit(int v) { setStyle(rightLimit_, v); }
    bool ShowLeftLimit() const { return showLeftLimit_; }
    void SetShowLeftLimit(bool b) { setStyle(showLeftLimit_, b); }
    bool ShowRightLimit() const { return showRightLimit_; }
    void SetShowRightLimit(bool b) { setStyle(showRightLimit_, b); }
    bool ShowNet() const { return showNet_; }
    void SetShowNet(bool b) { setStyle(showNet_, b); }
    bool ShowScaleX() const { return showScaleX_; }
    void SetShowScaleX(bool b) { setStyle(showScaleX_, b); }
    bool ShowScaleY() const { return showScaleY_; }
    void SetShowScaleY(bool b) { setStyle(showScaleY_, b); }
    bool ShowCursor() const { return showCursor_; }
    void SetShowCursor(bool b) { setStyle(showCursor_, b); }
    bool CrossCursor() const { return crossCursor_; }
    void SetCrossCursor(bool b) { setStyle(crossCursor_, b); }
    bool ShowPics() const { return showPics_; }
    void SetShowPics(bool b) { showPics_ = b; }
    bool GistogramMode() const { return gistogramMode_; }
    void SetGistogramMode(bool b) { setStyle(gistogramMode_, b); }
    int ViewMode() const { return viewMode_; }
    void SetViewMode(int v) { setStyle(viewMode_, v); }
    bool FillMode() const { return fillMode_; }
    void SetFillMode(bool b) { fillMode_ = b; }
    bool AutoYMin() const { return autoYMin_; }
    void SetAutoYMin(bool b) { autoYMin_ = b; }
    bool AutoYMax() const { return autoYMax_; }
    void SetAutoYMax(bool b) { autoYMax_ = b; }
    bool AutoYScale() const { return autoYScale_; }
    void SetAutoYScale(bool b) { autoYScale_ = b; }
    bool AutoSpectrLeft() const { return autoSpectrLeft_; }
    void SetAutoSpectrLeft(bool b);
    bool MoveOnRightClick() const { return moveOnRightClick_; }
    void SetMoveOnRightClick(bool b) { moveOnRightClick_ = b; }
    bool HasFocus() const { return hasFocus_; }
    void SetHasFocus(bool b) { hasFocus_ = b; }
    int WheelCounter() const { return wheelCounter_; }
    void SetWheelCounter(int v) { wheelCounter_ = v; }
    bool DemoData() const { return demoData_; }
    void SetDemoData(bool b);
    // The peak texts: the chart's own list, or a caller's list given here (kept, not copied; the
    // caller keeps it alive while the chart uses it). Null gives the chart its own list back.
    TStrings* PicList() const { return picList_; }
    void SetPicList(TStrings* list);
    int PickCount() const { return GetPickCount(); }

    void SetBrush(TBrush* b);
    TBrush* SpBackBrush() const { return spBackBrush_.get(); }
    void SetSpBackBrush(TBrush* b) { assignStyle(spBackBrush_.get(), b); }
    TBrush* SpBrush() const { return spBrush_.get(); }
    void SetSpBrush(TBrush* b) { assignStyle(spBrush_.get(), b); }
    TPen* SpPen() const { return spPen_.get(); }
    void SetSpPen(TPen* p) { assignStyle(spPen_.get(), p); }
    TBrush* Pic0Brush() const { return pic0Brush_.get(); }
    void SetPic0Brush(TBrush* b) { assignStyle(pic0Brush_.get(), b); }
    TBrush* Pic1Brush() const { return pic1Brush_.get(); }
    void SetPic1Brush(TBrush* b) { assignStyle(pic1Brush_.get(), b); }
    TPen* NetPen() const { return netPen_.get(); }
    void SetNetPen(TPen* p) { assignStyle(netPen_.get(), p); }
    TPen* CursorPen() const { return cursorPen_.get(); }
    void SetCursorPen(TPen* p) { assignStyle(cursorPen_.get(), p); }
    TPen* LeftLimitPen() const { return leftLimitPen_.get(); }
    void SetLeftLimitPen(TPen* p) { assignStyle(leftLimitPen_.get(), p); }
    TPen* RightLimitPen() const { return rightLimitPen_.get(); }
    void SetRightLimitPen(TPen* p) { assignStyle(rightLimitPen_.get(), p); }
    TPen* ScalePen() const { return scalePen_.get(); }
    void SetScalePen(TPen* p) { assignStyle(scalePen_.get(), p); }
    TFont* ScaleXFont() const { return scaleXFont_.get(); }
    void SetScaleXFont(TFont* f) { assignStyle(scaleXFont_.get(), f); }
    TFont* ScaleYFont() const { return scaleYFont_.get(); }
    void SetScaleYFont(TFont* f) { assignStyle(scaleYFont_.get(), f); }

    // ---- Events --------------------------------------------------------------------------------------------
    TNotifyEvent OnCursorMove;
    // Raised by every turn of the mouse wheel over the chart. (Replaces the control's wheel event
    // with details: the chart only reports that the wheel turned.)
    TNotifyEvent OnMouseWheel;

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMSize(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void WMEraseBkgnd(TMessage& m) override;
    void WMGetDlgCode(TMessage& m) override;
    LRESULT NativeDlgCode() const override;
    void WMMouseWheel(TMessage& m) override;

private:
    template <class T>
    void setStyle(T& field, const T& value) {
        if (field == value) return;
        field = value;
        StyleChanged(this);
    }
    // Pens, brushes and fonts: assigned into the owned object, whose change notification redraws.
    template <class T>
    void assignStyle(T* own, T* given) {
        if (given && given != own) own->Assign(given);
    }
    // After a change of the view window: the cursor back inside it, a full redraw.
    void viewWindowChanged();
    // The channels a text of PicList marks, when it parses and they lie inside the counts.
    bool pickChannels(int n, int& left, int& right) const;
    // Colours while exporting.
    void usePen(TCanvas* canvas, TPen* pen) const;
    void useFont(TCanvas* canvas, TFont* font) const;

    int size_ = 512;
    std::vector<double> counts_;
    std::vector<double> energies_;
    std::vector<TPoint> points_;
    std::array<TPickRecord, MaxPicks> picks_;
    int pickRecords_ = 0;
    std::unique_ptr<TStringList> ownPicList_;
    TStrings* picList_ = nullptr;

    double yMin_ = 0.0, yMax_ = 50.0;
    double scaleXStep_ = 0.5, scaleYStep_ = 10.0;
    AnsiString scaleXFormat_ = "#0.0", scaleYFormat_ = "####0";
    int scaleXTop_ = 5;
    int spectrLeft_ = 50, spectrTop_ = 10, spectrSubWidth_ = 30, spectrSubHeight_ = 30;
    int leftViewLimit_ = 0, rightViewLimit_ = 511;
    double viewWindowSum_ = 0.0;
    int cursorPosition_ = 0;
    int leftLimit_ = 0, rightLimit_ = 100;
    bool showLeftLimit_ = false, showRightLimit_ = false;
    bool showNet_ = true, showScaleX_ = true, showScaleY_ = true;
    bool showCursor_ = false, crossCursor_ = false, showPics_ = false;
    bool gistogramMode_ = false;
    int viewMode_ = 0;
    bool fillMode_ = false;
    bool autoYMin_ = false, autoYMax_ = false, autoYScale_ = false;
    bool autoSpectrLeft_ = false;
    bool moveOnRightClick_ = false;
    bool hasFocus_ = false;
    int wheelCounter_ = 0;
    bool demoData_ = false;

    std::unique_ptr<TBrush> spBackBrush_, spBrush_, pic0Brush_, pic1Brush_;
    std::unique_ptr<TPen> spPen_, netPen_, cursorPen_, leftLimitPen_, rightLimitPen_, scalePen_;
    std::unique_ptr<TFont> scaleXFont_, scaleYFont_;

    // Plot rectangle and scales, set by CalcRegion.
    int plotLeft_ = 0, plotTop_ = 0, plotRight_ = 0, plotBottom_ = 0;
    double kx_ = 0, ky_ = 0;
    bool redraw_ = true;
    bool exporting_ = false;
    std::unique_ptr<TBitmap> bitmap_;
};
