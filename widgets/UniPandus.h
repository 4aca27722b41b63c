// TUniPandus: a sloping chute. A filled band from the left edge to the right edge whose two ends
// lie at their own heights, with a zig-zag support line under it. Heights are percent of the
// control's height. It draws straight onto its canvas at every paint and takes no clicks of its own.
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TUniPandus : public TGraphicControl {
    PLANTMON_CLASS(TUniPandus, TGraphicControl)
public:
    explicit TUniPandus(TComponent* owner);
    ~TUniPandus() override;

    // Outline of the band and the support line.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Fill of the band.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // Top of the band at the left edge, from the top.
    int TopPercent() const noexcept { return topPercent_; }
    void SetTopPercent(int v);
    // Thickness of the band.
    int HPercent() const noexcept { return hPercent_; }
    void SetHPercent(int v);
    // The two low points of the support line, from the bottom.
    int A1TopPercent() const noexcept { return a1TopPercent_; }
    void SetA1TopPercent(int v);
    int A2TopPercent() const noexcept { return a2TopPercent_; }
    void SetA2TopPercent(int v);
    // Top of the band at the right edge, from the top.
    int RightTopPercent() const noexcept { return rightTopPercent_; }
    void SetRightTopPercent(int v);

    void StyleChanged(TObject* sender);

protected:
    void Paint() override;

private:
    // Scenery only: no click handler can be given to a chute.
    using TGraphicControl::OnClick;
    void setPercent(int& field, int v);
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    int topPercent_ = 10;
    int hPercent_ = 10;
    int a1TopPercent_ = 10;
    int a2TopPercent_ = 5;
    int rightTopPercent_ = 50;
};
