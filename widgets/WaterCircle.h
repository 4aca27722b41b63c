// TWaterCircle: a filled circle with three short rays below it, like a spray nozzle; with all
// three radii equal it is a small round lamp. The radii are in units of R3, which is half the
// smaller side of the control. It keeps no picture: every change repaints at once.
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

class TWaterCircle : public TGraphicControl {
    PLANTMON_CLASS(TWaterCircle, TGraphicControl)
public:
    explicit TWaterCircle(TComponent* owner);
    ~TWaterCircle() override;

    // The filled circle; the inner and outer ends of the rays.
    double R1() const noexcept { return r1_; }
    void SetR1(double r);
    double R2() const noexcept { return r2_; }
    void SetR2(double r);
    double R3() const noexcept { return r3_; }
    void SetR3(double r);
    // Pen width of the circle's outline and the rays.
    int RayWidth() const noexcept { return rayWidth_; }
    void SetRayWidth(int w);
    TColor WaterColor() const noexcept { return waterColor_; }
    void SetWaterColor(TColor c);
    // Without it, Color fills the control behind the circle.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);

protected:
    void Paint() override;
    void ColorChanged() override { Refresh(); }

private:
    double r1_ = 6, r2_ = 8, r3_ = 16;
    int rayWidth_ = 2;
    TColor waterColor_ = clBlue;
    bool transparent_ = true;
};
