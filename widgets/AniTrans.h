// TAniTrans: an endless belt or chain around two pulleys, with the buckets of a bucket elevator
// (ShowScoops) or heaps of coal on a conveyor belt (ShowCoal alone). The caller moves the belt by
// changing Position, the percentage of the loop the first scoop has travelled; the pulleys' spokes
// turn with it.
//
// Geometry is in virtual units (VirtW x VirtH, y upward from the bottom edge), scaled to fit the
// control; XFlip mirrors left and right. The loop runs from the first pulley along the upper run
// to the second pulley, around it and back along the lower run.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TAniTrans : public TPanel {
    PLANTMON_CLASS(TAniTrans, TPanel)
public:
    explicit TAniTrans(TComponent* owner);
    ~TAniTrans() override;

    // Pulleys: outline and fill; hubs: outline and fill.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    TPen* IntPen() const noexcept { return intPen_.get(); }
    void SetIntPen(TPen* p);
    TBrush* IntBrush() const noexcept { return intBrush_.get(); }
    void SetIntBrush(TBrush* b);
    double VirtH() const noexcept { return virtH_; }
    void SetVirtH(double v);
    double VirtW() const noexcept { return virtW_; }
    void SetVirtW(double v);
    double X1() const noexcept { return x1_; }
    void SetX1(double v);
    double Y1() const noexcept { return y1_; }
    void SetY1(double v);
    double X2() const noexcept { return x2_; }
    void SetX2(double v);
    double Y2() const noexcept { return y2_; }
    void SetY2(double v);
    // Pulley radius, hub radius.
    double R() const noexcept { return r_; }
    void SetR(double v);
    double IntR() const noexcept { return intR_; }
    void SetIntR(double v);
    // Size of a scoop (the width of a coal heap).
    double Rk() const noexcept { return rk_; }
    void SetRk(double v);
    int ScoopCount() const noexcept { return scoopCount_; }
    void SetScoopCount(int n);
    // Length of a scoop's arm.
    double ScoopLH() const noexcept { return scoopLH_; }
    void SetScoopLH(double v);
    // Travel in percent of the loop; any value, reduced into the loop when drawn.
    double Position() const noexcept { return position_; }
    void SetPosition(double v);
    TPen* ScoopPen() const noexcept { return scoopPen_.get(); }
    void SetScoopPen(TPen* p);
    TColor BackColor() const noexcept { return backColor_; }
    void SetBackColor(TColor c);
    bool ShowScoops() const noexcept { return showScoops_; }
    void SetShowScoops(bool b);
    bool ShowCoal() const noexcept { return showCoal_; }
    void SetShowCoal(bool b);
    // The pattern of the coal fill; kept as a copy.
    TBitmap* CoalBitmap() const noexcept { return coalBitmap_.get(); }
    void SetCoalBitmap(TBitmap* b);
    // The coal fill without a pattern.
    TColor CoalColor() const noexcept { return coalColor_; }
    void SetCoalColor(TColor c);
    // Spokes per pulley.
    int BladeCount() const noexcept { return bladeCount_; }
    void SetBladeCount(int n);
    TPen* BladePen() const noexcept { return bladePen_.get(); }
    void SetBladePen(TPen* p);
    // Stored for the layout; the drawing does not use them.
    double CoalMin() const noexcept { return coalMin_; }
    void SetCoalMin(double v);
    double CoalMax() const noexcept { return coalMax_; }
    void SetCoalMax(double v);
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);

    void StyleChanged(TObject* sender);

    // Virtual to pixel (rounded, halves to even; x mirrored with XFlip).
    double XtoS(double x) const;
    double YtoS(double y) const;
    // Rotates (x, y) about the origin by angle radians, counter-clockwise with y upward.
    static void RotatePoint(double& x, double& y, double angle);

    // What the last redraw derived: pixels per virtual unit and the loop's length.
    double Scale() const noexcept { return scale_; }
    double LoopLength() const noexcept { return c_; }

protected:
    void Paint() override;
    void ColorChanged() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

    void CalcRegion();
    void PaintBackGround(TCanvas* c);
    void PaintBody(TCanvas* c);
    void PaintScoops(TCanvas* c);
    void PaintScoop(TCanvas* c, double s);

private:
    TWidgetPicture picture_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TPen> intPen_;
    std::unique_ptr<TBrush> intBrush_;
    std::unique_ptr<TPen> scoopPen_;
    std::unique_ptr<TPen> bladePen_;
    std::unique_ptr<TBitmap> coalBitmap_;
    double virtH_ = 60, virtW_ = 50;
    double x1_ = 15, y1_ = 15, x2_ = 35, y2_ = 45;
    double r_ = 5, intR_ = 3, rk_ = 3;
    int scoopCount_ = 6;
    double scoopLH_ = 2;
    double position_ = 0;
    TColor backColor_ = clBlack;
    bool showScoops_ = false;
    bool showCoal_ = false;
    TColor coalColor_ = clTeal;
    int bladeCount_ = 0;
    double coalMin_ = 0, coalMax_ = 0.5;
    bool xFlip_ = false;

    // Derived at each redraw (virtual units unless said otherwise).
    double scale_ = 0;
    double len_ = 0;          // distance between the pulley centres
    double ux_ = 0, uy_ = 0;  // unit vector from the first pulley to the second
    double a_ = 0;            // its direction
    double c_ = 0;            // loop length
    double offset_ = 0, spacing_ = 0;
    double p1x_ = 0, p1y_ = 0, p2x_ = 0, p2y_ = 0, p3x_ = 0, p3y_ = 0, p4x_ = 0, p4y_ = 0;
};
