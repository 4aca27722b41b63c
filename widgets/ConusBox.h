// TConusBox: a tank in section, a cylinder over a conical bottom with an outlet (or a half cone
// with one vertical wall), filled with water up to WaterH. Heights are percent of the control's
// height from the bottom, widths percent of its width. Color (the control's) fills the empty part.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TConusBox : public TPanel {
    PLANTMON_CLASS(TConusBox, TPanel)
public:
    explicit TConusBox(TComponent* owner);
    ~TConusBox() override;

    TColor BackColor() const noexcept { return backColor_; }
    void SetBackColor(TColor c);
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    TColor WaterColor() const noexcept { return waterColor_; }
    void SetWaterColor(TColor c);
    int ConusH() const noexcept { return conusH_; }
    void SetConusH(int percent);
    bool ShowTopLine() const noexcept { return showTopLine_; }
    void SetShowTopLine(bool b);
    bool ShowConusTop() const noexcept { return showConusTop_; }
    void SetShowConusTop(bool b);
    int DownW() const noexcept { return downW_; }
    void SetDownW(int percent);
    int WaterH() const noexcept { return waterH_; }
    void SetWaterH(int percent);
    bool HalfConus() const noexcept { return halfConus_; }
    void SetHalfConus(bool b);
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);

    double CalcXVal(double v) const { return v * Width() / 100; }
    double CalcYVal(double v) const { return v * Height() / 100; }

    void UpdateChanges();
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void ColorChanged() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    TColor backColor_ = clBlack;
    std::unique_ptr<TPen> pen_;
    TColor waterColor_ = clAqua;
    int conusH_ = 80;
    bool showTopLine_ = false;
    bool showConusTop_ = false;
    int downW_ = 10;
    int waterH_ = 40;
    bool halfConus_ = false;
    bool xFlip_ = false;
};
