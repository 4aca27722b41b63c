// TTransporter: a belt conveyor seen from the side, a body between two drums, each drum with an
// inner circle. Drawn straight onto the control at every paint; what lies outside the shapes is
// left as it was.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <cstdint>
#include <memory>

class TTransporter : public TPanel {
    PLANTMON_CLASS(TTransporter, TPanel)
public:
    explicit TTransporter(TComponent* owner);
    ~TTransporter() override;

    // Fill of the body.
    TBrush* BodyBrush() const noexcept { return bodyBrush_.get(); }
    void SetBodyBrush(TBrush* b);
    // Fill of the inner circles.
    TBrush* C1Brush() const noexcept { return c1Brush_.get(); }
    void SetC1Brush(TBrush* b);
    // Fill of the drums.
    TBrush* C2Brush() const noexcept { return c2Brush_.get(); }
    void SetC2Brush(TBrush* b);
    // Outline of the body.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Outline of the inner circles.
    TPen* R1Pen() const noexcept { return r1Pen_.get(); }
    void SetR1Pen(TPen* p);
    // Outline of the drums.
    TPen* R2Pen() const noexcept { return r2Pen_.get(); }
    void SetR2Pen(TPen* p);
    // Radius of the inner circles, percent of the drum radius. Setting it repaints nothing.
    std::int16_t R1Persent() const noexcept { return r1Persent_; }
    void SetR1Persent(std::int16_t percent);

    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }
    // In a dialog the arrow keys and characters reach the conveyor.
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

private:
    std::unique_ptr<TBrush> bodyBrush_;
    std::unique_ptr<TBrush> c1Brush_;
    std::unique_ptr<TBrush> c2Brush_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TPen> r1Pen_;
    std::unique_ptr<TPen> r2Pen_;
    std::int16_t r1Persent_ = 70;
};
