// TBladeWheel: a bladed wheel or drum seen from the side, a framed rectangle crossed by horizontal
// blade lines that follow the rotation angle Alpha. In circle mode the blades sit on a drum's rim
// (2 x BladeCount of them, the near half visible, crowding towards the top and bottom); in flat
// mode they stand evenly H / BladeCount apart and scroll by H per turn. The picture is kept off
// screen; a transparent wheel draws its blade lines straight over what the control shows.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TBladeWheel : public TPanel {
    PLANTMON_CLASS(TBladeWheel, TPanel)
public:
    explicit TBladeWheel(TComponent* owner);
    ~TBladeWheel() override;

    // Blades per half turn. 0 is no valid count: every paint then fails with a beep and shows
    // nothing new. A negative count draws no blades.
    int BladeCount() const noexcept { return bladeCount_; }
    void SetBladeCount(int n);
    TPen* BladePen() const noexcept { return bladePen_.get(); }
    void SetBladePen(TPen* p);
    // Frame of the picture.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Background of the picture.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    bool CircleMode() const noexcept { return circleMode_; }
    void SetCircleMode(bool b);
    // Rotation angle, degrees.
    int Alpha() const noexcept { return alpha_; }
    void SetAlpha(int degrees);
    // Blade lines only, straight onto the control: no frame, no background, no kept picture.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);

    void UpdateChanges();
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void drawBlades(TCanvas* c);
    TWidgetPicture picture_;
    int bladeCount_ = 10;
    std::unique_ptr<TPen> bladePen_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    bool circleMode_ = true;
    int alpha_ = 0;
    bool transparent_ = false;
};
