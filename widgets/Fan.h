// TFan: a round housing with a rotor of pointed blades turned to RotorAlpha degrees (the first
// blade, counter-clockwise from the right). The jig-machine diagram turns its unloaders by setting
// the angle; without blades it is the air supply's plain housing. Blade width follows the height,
// blade length the width, so a non-square fan draws an elliptic housing.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TFan : public TPanel {
    PLANTMON_CLASS(TFan, TPanel)
public:
    explicit TFan(TComponent* owner);
    ~TFan() override;

    TBrush* CircleBrush() const noexcept { return circleBrush_.get(); }
    void SetCircleBrush(TBrush* b);
    TPen* CirclePen() const noexcept { return circlePen_.get(); }
    void SetCirclePen(TPen* p);
    // Pen and fill of the blades.
    TColor RotorColor() const noexcept { return rotorColor_; }
    void SetRotorColor(TColor c);
    // 0..32; values outside are clamped.
    int BladeCount() const noexcept { return bladeCount_; }
    void SetBladeCount(int n);
    int RotorAlpha() const noexcept { return rotorAlpha_; }
    void SetRotorAlpha(int degrees);
    // Percent of the height, 1..100.
    int BladeWidth() const noexcept { return bladeWidth_; }
    void SetBladeWidth(int percent);
    // Percent of half the width, 1..100.
    int BladeLength() const noexcept { return bladeLength_; }
    void SetBladeLength(int percent);
    // The pointed tip, percent of the blade length, 1..90.
    int EdgeLength() const noexcept { return edgeLength_; }
    void SetEdgeLength(int percent);

    void UpdateChanges();
    void StyleChanged(TObject* sender);
    // Rotates (x, y) about the origin by angle radians, counter-clockwise with y upward.
    static void RotatePoint(double& x, double& y, double angle);

protected:
    void Paint() override;
    void ColorChanged() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    void setClamped(int& field, int v, int lo, int hi, int below);
    TWidgetPicture picture_;
    std::unique_ptr<TBrush> circleBrush_;
    std::unique_ptr<TPen> circlePen_;
    TColor rotorColor_ = clBlack;
    int bladeCount_ = 3;
    int rotorAlpha_ = 0;
    int bladeWidth_ = 10;
    int bladeLength_ = 98;
    int edgeLength_ = 20;
};
