// TGydroSizer: the hydrosizer in section. A cylindrical vessel with a launder on each side at the
// top, a bottom of two cones one above the other, and the water in it up to WaterH. Heights are
// percent of the control's height measured from the bottom, widths percent of its width; the
// panel's Color is the background.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TGydroSizer : public TPanel {
    PLANTMON_CLASS(TGydroSizer, TPanel)
public:
    explicit TGydroSizer(TComponent* owner);
    ~TGydroSizer() override;

    // Outlines.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Fill of the launders and the vessel.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // Fill of the water.
    TBrush* WaterBrush() const noexcept { return waterBrush_.get(); }
    void SetWaterBrush(TBrush* b);
    // Diameter of the cylinder, the width where the two cones meet and the width at the bottom.
    double MainD() const noexcept { return mainD_; }
    void SetMainD(double percent);
    double D1() const noexcept { return d1_; }
    void SetD1(double percent);
    double D2() const noexcept { return d2_; }
    void SetD2(double percent);
    // Depth of the launders, from the top.
    double TopH() const noexcept { return topH_; }
    void SetTopH(double percent);
    // Height of the joint of the cones, of the bottom of the cylinder and of the water surface.
    double H1() const noexcept { return h1_; }
    void SetH1(double percent);
    double H2() const noexcept { return h2_; }
    void SetH2(double percent);
    double WaterH() const noexcept { return waterH_; }
    void SetWaterH(double percent);

    // Percent of the width, and percent of the height from the bottom, in pixels.
    double Calc_x(double v) const { return Width() * v / 100; }
    double Calc_y(double v) const { return Height() - Height() * v / 100; }

    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void setPercent(double& field, double v);
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TBrush> waterBrush_;
    double mainD_ = 90;
    double d1_ = 80;
    double d2_ = 60;
    double topH_ = 10;
    double h1_ = 15;
    double h2_ = 25;
    double waterH_ = 35;
};
