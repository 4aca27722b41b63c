// TEBM: a machine seen end-on. The stator is a filled polygon whose corners are text lines "x; y"
// (percent of Width and Height); the rotor inside it is an outer circle, an inner circle and radial
// blades between the two, turned by BladeAngle. Any change of a pen, a brush, the outline or XFlip
// reads the outline again (a bad one is reported in a message box) and redraws the kept picture.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <array>
#include <memory>

class TEBM : public TPanel {
    PLANTMON_CLASS(TEBM, TPanel)
public:
    explicit TEBM(TComponent* owner);
    ~TEBM() override;

    // Radius of the outer circle and outer end of the blades, percent of the smaller side.
    int RotorR() const noexcept { return rotorR_; }
    void SetRotorR(int percent);
    TPen* RotorPen() const noexcept { return rotorPen_.get(); }
    void SetRotorPen(TPen* p);
    TBrush* RotorBrush() const noexcept { return rotorBrush_.get(); }
    void SetRotorBrush(TBrush* b);
    // Rotor centre, percent of Height from the top.
    int RotorYC() const noexcept { return rotorYC_; }
    void SetRotorYC(int percent);
    // Rotor centre, percent of Width from the left (from the right when mirrored).
    int RotorXC() const noexcept { return rotorXC_; }
    void SetRotorXC(int percent);
    TPen* StatorPen() const noexcept { return statorPen_.get(); }
    void SetStatorPen(TPen* p);
    TBrush* StatorBrush() const noexcept { return statorBrush_.get(); }
    void SetStatorBrush(TBrush* b);
    // The stator's corners, one line "x; y" each, 3 to 100 of them.
    TStringList* StatorPoints() const noexcept { return statorPoints_.get(); }
    void SetStatorPoints(TStringList* list);
    TColor BackColor() const noexcept { return backColor_; }
    void SetBackColor(TColor c);
    // Mirrors the stator and the rotor centre left to right; the blades keep their angles.
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);
    int BladeCount() const noexcept { return bladeCount_; }
    void SetBladeCount(int n);
    // Radius of the inner circle and inner end of the blades, percent of the smaller side.
    double IntR() const noexcept { return intR_; }
    void SetIntR(double percent);
    // Angle of the first blade, degrees, growing clockwise on the screen.
    int BladeAngle() const noexcept { return bladeAngle_; }
    void SetBladeAngle(int degrees);

    // Outline corners read: 0 (no stator drawn) or 3 to 100; x already mirrored.
    int PointCount() const noexcept { return count_; }
    double PointX(int i) const { return xs_.at(i); }
    double PointY(int i) const { return ys_.at(i); }

    // Reads StatorPoints into the corners.
    void RefrshPointList();
    double CalcVal(double percent) const;
    void UpdateChanges();
    // Reads the outline again and redraws.
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    int count_ = 0;
    std::array<double, MaxOutlinePoints> xs_{};
    std::array<double, MaxOutlinePoints> ys_{};
    std::array<TPoint, MaxOutlinePoints> points_{};
    int rotorR_ = 25;
    std::unique_ptr<TPen> rotorPen_;
    std::unique_ptr<TBrush> rotorBrush_;
    int rotorYC_ = 40;
    int rotorXC_ = 60;
    std::unique_ptr<TPen> statorPen_;
    std::unique_ptr<TBrush> statorBrush_;
    std::unique_ptr<TStringList> statorPoints_;
    TColor backColor_ = clBlack;
    bool xFlip_ = false;
    int bladeCount_ = 0;
    double intR_ = 0;
    int bladeAngle_ = 0;
};
