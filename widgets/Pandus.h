// TPandus: an inclined chute on a triangular support, drawn from a few sizes in virtual units
// (virtW across, virtH down; by default one unit is one pixel), mirrored left to right by XFlip.
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TPandus : public TGraphicControl {
    PLANTMON_CLASS(TPandus, TGraphicControl)
public:
    explicit TPandus(TComponent* owner);
    ~TPandus() override;

    // The control's height and width in virtual units; 0 is no valid size (the paint beeps).
    double virtH() const noexcept { return virtH_; }
    void SetvirtH(double v);
    double virtW() const noexcept { return virtW_; }
    void SetvirtW(double v);
    // Drop of the chute from its high right end to its low left end.
    double H1() const noexcept { return h1_; }
    void SetH1(double v);
    // Vertical thickness of the chute.
    double H2() const noexcept { return h2_; }
    void SetH2(double v);
    // x of the support's foot, from the left.
    double L1() const noexcept { return l1_; }
    void SetL1(double v);
    // Outlines.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Fill of the chute.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);

    void StyleChanged(TObject* sender);

protected:
    void Paint() override;

private:
    double virtH_ = 75;
    double virtW_ = 145;
    double h1_ = 45;
    double h2_ = 10;
    double l1_ = 60;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    bool xFlip_ = false;
};
