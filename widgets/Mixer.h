// TMixer: an open vessel with rounded lower corners, water up to a level and a rotor inside (a hub
// and blades, each a spoke ending in a short arc). Sizes are percent of the control's smaller side,
// heights measured up from the bottom edge. The picture is kept off screen and redrawn after a
// change; a screen turns the rotor by stepping Alpha.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TMixer : public TPanel {
    PLANTMON_CLASS(TMixer, TPanel)
public:
    explicit TMixer(TComponent* owner);
    ~TMixer() override;

    // Height of the rotor's centre above the bottom edge.
    int RotorCenterTop() const noexcept { return rotorCenterTop_; }
    void SetRotorCenterTop(int percent);
    // Radius of the hub.
    double RotorR1() const noexcept { return rotorR1_; }
    void SetRotorR1(double percent);
    // Length of the blades, the radius of their arcs.
    double RotorR2() const noexcept { return rotorR2_; }
    void SetRotorR2(double percent);
    // Angular width of each blade's arc, degrees.
    double Beta() const noexcept { return beta_; }
    void SetBeta(double degrees);
    // Angle of the first blade, degrees counter-clockwise from the right.
    int Alpha() const noexcept { return alpha_; }
    void SetAlpha(int degrees);
    // Height of the water surface above the bottom edge.
    double WaterLevel() const noexcept { return waterLevel_; }
    void SetWaterLevel(double percent);
    // Radius of the rounded lower corners.
    double WallBottomR() const noexcept { return wallBottomR_; }
    void SetWallBottomR(double percent);
    // Walls and bottom.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Background of the picture, and the colour the water fill replaces.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    TColor WaterColor() const noexcept { return waterColor_; }
    void SetWaterColor(TColor c);
    // Hub and blades; its colour also fills the hub.
    TPen* RotorPen() const noexcept { return rotorPen_.get(); }
    void SetRotorPen(TPen* p);
    // 0 is no valid count: every paint then fails at the blades with a beep and shows nothing new.
    // A negative count draws no blades.
    int BladeCount() const noexcept { return bladeCount_; }
    void SetBladeCount(int n);

    // The pixel length of a percentage of the smaller side.
    double CalcVal(double percent) const;
    // Marks the picture for redrawing and invalidates the control.
    void UpdateChanges();
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    int rotorCenterTop_ = 30;
    double rotorR1_ = 5;
    double rotorR2_ = 25;
    double beta_ = 30;
    int alpha_ = 0;
    double waterLevel_ = 80;
    double wallBottomR_ = 5;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    TColor waterColor_ = clAqua;
    std::unique_ptr<TPen> rotorPen_;
    int bladeCount_ = 4;
};
