// TWaterMEO: an actuator's stroke gauge. A bar whose part from the scale's origin up to Position
// is filled with WaterBrush and the rest with Brush, scale marks every ScaleStep along one edge,
// and an arrow across the bar at the position with its head on that edge. The bar runs
// horizontally (origin at the left) or vertically (origin at the top); InvertScale puts marks and
// head on the other edge. Drawn straight onto the canvas at every paint.
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TWaterMEO : public TGraphicControl {
    PLANTMON_CLASS(TWaterMEO, TGraphicControl)
public:
    explicit TWaterMEO(TComponent* owner);
    ~TWaterMEO() override;

    // The bar beyond the position.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // The bar from the origin to the position.
    TBrush* WaterBrush() const noexcept { return waterBrush_.get(); }
    void SetWaterBrush(TBrush* b);
    double Min() const noexcept { return min_; }
    void SetMin(double v);
    double Max() const noexcept { return max_; }
    void SetMax(double v);
    // Distance between marks in scale units. Marks stand at Min + k x ScaleStep strictly below
    // Max; a step of 0 or less draws none, and there are never more marks than the bar has pixels.
    double ScaleStep() const noexcept { return scaleStep_; }
    void SetScaleStep(double v);
    TColor ArrowColor() const noexcept { return arrowColor_; }
    void SetArrowColor(TColor c);
    TPen* ScalePen() const noexcept { return scalePen_.get(); }
    void SetScalePen(TPen* p);
    // Outline of the bar.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    double Position() const noexcept { return position_; }
    void SetPosition(double v);
    // Length of the marks, pixels.
    int ScaleH() const noexcept { return scaleH_; }
    void SetScaleH(int v);
    bool InvertScale() const noexcept { return invertScale_; }
    void SetInvertScale(bool b);
    // Length of the arrow head, pixels.
    int EdgeLength() const noexcept { return edgeLength_; }
    void SetEdgeLength(int v);
    // Width of the arrow line, pixels.
    int ArrowWidth() const noexcept { return arrowWidth_; }
    void SetArrowWidth(int v);
    // Full opening angle of the arrow head, degrees.
    int EdgeAngle() const noexcept { return edgeAngle_; }
    void SetEdgeAngle(int v);
    bool VerticalFlag() const noexcept { return verticalFlag_; }
    void SetVerticalFlag(bool b);
    // The position's distance from the origin in whole pixels, cut toward zero as drawn.
    int MeoLength() const;
    // Kept; the drawing does not use it.
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);

    // A scale value's distance from the origin in pixels; 0 for every value when Max equals Min.
    double PosToScreen(double x) const;
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;

private:
    // The pixel offsets of the marks along the bar.
    template <class F>
    void forEachMark(F&& mark) const;
    void drawArrow(TCanvas* c, TPoint from, TPoint to, TPoint tip, TPoint corner1, TPoint corner2);
    std::unique_ptr<TBrush> waterBrush_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> scalePen_;
    std::unique_ptr<TPen> pen_;
    TColor arrowColor_ = clBlack;
    double min_ = 0;
    double max_ = 100;
    double scaleStep_ = 10;
    double position_ = 20;
    int scaleH_ = 20;
    bool invertScale_ = false;
    int edgeLength_ = 5;
    int arrowWidth_ = 2;
    int edgeAngle_ = 60;
    bool verticalFlag_ = false;
    bool xFlip_ = false;
};
