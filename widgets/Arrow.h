// TArrow: one straight pipe segment through the centre of its box at any angle, with an optional
// filled head at its forward end; the diagrams build their flow lines from it and the graph
// screens use small ones as legend samples. It draws straight onto its canvas at every paint.
//
// It also carries a bubble animation: short dashes that travel along the shaft and are handed on
// to NextArrow, driven by calling BubbleStep(false) on the first arrow of a chain from a timer.
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TArrow : public TGraphicControl {
    PLANTMON_CLASS(TArrow, TGraphicControl)
public:
    explicit TArrow(TComponent* owner);
    ~TArrow() override;

    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }
    // Degrees, counter-clockwise from the positive x axis (0 points right, 90 up).
    double Angle() const noexcept { return angle_; }
    void SetAngle(double degrees);
    // Color() / SetColor() are the control's: the colour of shaft and head.
    int ArrowWidth() const noexcept { return arrowWidth_; }
    void SetArrowWidth(int w);
    // Length of the head along the shaft (0: no head; a negative length counts as 0).
    int EdgeLength() const noexcept { return edgeLength_; }
    void SetEdgeLength(int len);
    // Full opening angle of the head, degrees.
    int EdgeAngle() const noexcept { return edgeAngle_; }
    void SetEdgeAngle(int degrees);

    int BubbleLen() const noexcept { return bubbleLen_; }
    void SetBubbleLen(int len) { bubbleLen_ = len; }
    double BubbleSpeed() const noexcept { return bubbleSpeed_; }
    void SetBubbleSpeed(double speed) { bubbleSpeed_ = speed; }
    int BubbleInterval() const noexcept { return bubbleInterval_; }
    void SetBubbleInterval(int interval) { bubbleInterval_ = interval; }
    TColor BubbleColor() const noexcept { return bubbleColor_; }
    void SetBubbleColor(TColor c) { bubbleColor_ = c; }
    // One line per bubble: its position along the shaft, in pixels from the tail, as a number.
    // The list belongs to the arrow; SetBubbleList copies the lines of the given one.
    TStringList* BubbleList() const noexcept { return bubbleList_.get(); }
    void SetBubbleList(TStringList* list);
    TArrow* NextArrow() const noexcept { return nextArrow_; }
    void SetNextArrow(TArrow* next);
    bool BubbleSource() const noexcept { return bubbleSource_; }
    void SetBubbleSource(bool b) { bubbleSource_ = b; }

    // One step of the bubble animation; Chained is true when the previous arrow of a chain calls.
    void BubbleStep(bool chained);

    // "ArrowWidth", "Color", "EdgeLength", "EdgeAngle" into the section named after the arrow.
    bool SaveConfig();
    // "ArrowWidth" and "Color" of the section (the arrow's own name when empty); the head keeps
    // its designed size.
    bool LoadConfig(const AnsiString& section);

    // Where the last paint put the shaft (pixels) and its half length.
    TPoint TailPoint() const noexcept { return tail_; }
    TPoint HeadBasePoint() const noexcept { return headBase_; }
    double HalfLength() const noexcept { return r_; }

protected:
    void Paint() override;
    void ColorChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    void PaintBuuble(TCanvas* canvas);

private:
    TPoint tail_, headBase_;
    double r_ = 0;
    double angle_ = 0;
    int arrowWidth_ = 3;
    int edgeLength_ = 5;
    int edgeAngle_ = 60;
    AnsiString configName_ = ".\\Colors.INI";
    int bubbleLen_ = 3;
    double bubbleSpeed_ = 2;
    int bubbleInterval_ = 5;
    TColor bubbleColor_ = clWhite;
    std::unique_ptr<TStringList> bubbleList_;
    TArrow* nextArrow_ = nullptr;
    bool bubbleSource_ = false;
    bool stepping_ = false;
};
