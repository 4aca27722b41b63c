// TPullOut: a discharge drum over a downward-pointing hopper. The drum is a circle as wide as the
// control whatever its height; the hopper's upper edge runs through the drum's centre, so only its
// lower part shows below the drum. The picture is kept off screen.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TPullOut : public TPanel {
    PLANTMON_CLASS(TPullOut, TPanel)
public:
    explicit TPullOut(TComponent* owner);
    ~TPullOut() override;

    // Outlines.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Fill of drum and hopper.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    TBrush* BackGroundBrush() const noexcept { return backGroundBrush_.get(); }
    void SetBackGroundBrush(TBrush* b);

    void UpdateChanges();
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    TWidgetPicture picture_;
    std::unique_ptr<TBrush> backGroundBrush_;
};
