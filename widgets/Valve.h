// TValve: the bow-tie valve symbol, two triangles meeting in the centre, across a horizontal pipe
// or (VertMode) a vertical one. Setting its pen or brush copies them; changing their colours does
// not repaint by itself (the colour-group routine repaints the valve).
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TValve : public TGraphicControl {
    PLANTMON_CLASS(TValve, TGraphicControl)
public:
    explicit TValve(TComponent* owner);
    ~TValve() override;

    TPen* Pen() const noexcept { return pen_.get(); }
    // Copies p into the valve's own pen: the valve never keeps an object its caller owns.
    void SetPen(TPen* p);
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    bool VertMode() const noexcept { return vertMode_; }
    void SetVertMode(bool b);

protected:
    void Paint() override;

private:
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    bool vertMode_ = false;
};
