// Timers, panels, shapes, images, paint boxes, bevels, splitters and radio groups.
#pragma once

#include "gui/Controls.h"
#include "gui/StdCtrls.h"

#include <memory>
#include <vector>

class QTimer;

// Calls OnTimer every Interval milliseconds while Enabled (and Interval > 0), from the message loop;
// it keeps firing while a modal dialog or a message box is up.
class TTimer : public TComponent {
    PLANTMON_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool b);
    TNotifyEvent OnTimer;
    // Test hook: ticks delivered so far.
    int TickCount() const { return ticks_; }

protected:
    virtual void Timer();

private:
    void update();
    QTimer* timer_ = nullptr;
    unsigned interval_ = 1000;
    bool enabled_ = true;
    int ticks_ = 0;
};

// A panel: a raised (or lowered) frame with a caption, holding other controls.
class TCustomPanel : public TCustomControl {
    PLANTMON_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout VerticalAlignment() const { return layout_; }
    void SetVerticalAlignment(TTextLayout l);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool b) { fullRepaint_ = b; }
    bool ParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool b) { parentBackground_ = b; }
    bool Locked() const { return locked_; }
    void SetLocked(bool b) { locked_ = b; }

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;
    void TextChanged() override;

private:
    TAlignment alignment_ = taCenter;
    TTextLayout layout_ = tlCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    TBorderStyle borderStyle_ = bsNone;
    bool fullRepaint_ = true;
    bool parentBackground_ = false;
    bool locked_ = false;
};

class TPanel : public TCustomPanel {
    PLANTMON_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A plain figure in Pen and Brush (the link lamps are circles).
class TShape : public TGraphicControl {
    PLANTMON_CLASS(TShape, TGraphicControl)
public:
    explicit TShape(TComponent* owner);
    ~TShape() override;
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType s);
    TPen* Pen() const { return pen_.get(); }
    void SetPen(TPen* p) { pen_->Assign(p); }
    TBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* b) { brush_->Assign(b); }

protected:
    void Paint() override;

private:
    void styleChanged(TObject*);
    TShapeType shape_ = stRectangle;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
};

// A picture. Its canvas is the canvas of the picture's bitmap (drawing on it changes the picture).
class TImage : public TGraphicControl {
    PLANTMON_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* p) { picture_->Assign(p); }
    TCanvas* Canvas();
    bool Stretch() const { return stretch_; }
    void SetStretch(bool b);
    bool Center() const { return center_; }
    void SetCenter(bool b);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool b);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool b);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool b);
    // Where the picture is drawn in the control.
    TRect DestRect() const;

protected:
    void Paint() override;

private:
    void pictureChanged(TObject*);
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

// A surface to paint on in OnPaint.
class TPaintBox : public TGraphicControl {
    PLANTMON_CLASS(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent* owner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A sunken or raised box or line.
class TBevel : public TGraphicControl {
    PLANTMON_CLASS(TBevel, TGraphicControl)
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape s);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle s);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeEvent = TClosure<void(TObject* Sender, int& NewSize, bool& Accept)>;

// A bar between aligned controls: dragging it resizes the control it lies against.
class TSplitter : public TGraphicControl {
    PLANTMON_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent* owner);
    int MinSize() const { return minSize_; }
    void SetMinSize(int s) { minSize_ = std::max(1, s); }
    bool Beveled() const { return beveled_; }
    void SetBeveled(bool b);
    TResizeStyle ResizeStyle() const { return resizeStyle_; }
    void SetResizeStyle(TResizeStyle r) { resizeStyle_ = r; }
    // The control the splitter resizes (nullptr when none lies against it).
    TControl* ResizeControl() const;

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void updateCursor();
    int minSize_ = 30;
    bool beveled_ = false;
    TResizeStyle resizeStyle_ = rsUpdate;
    TControl* control_ = nullptr;
    TPoint downPos_;
    int startSize_ = 0;
    bool dragging_ = false;
};

// A group box of radio buttons made from Items; ItemIndex is the checked one (-1: none).
class TCustomRadioGroup : public TCustomGroupBox {
    PLANTMON_CLASS(TCustomRadioGroup, TCustomGroupBox)
public:
    explicit TCustomRadioGroup(TComponent* owner);
    ~TCustomRadioGroup() override;
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    int Columns() const { return columns_; }
    void SetColumns(int n);
    // The radio button of item i.
    TRadioButton* Buttons(int i) const;

protected:
    void BoundsChanged() override;
    void FontChanged() override;

private:
    void itemsChanged(TObject*);
    void buttonClick(TObject* sender);
    void arrange();
    std::unique_ptr<TStringList> items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
    PLANTMON_CLASS(TRadioGroup, TCustomRadioGroup)
public:
    explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};

// Draws a two-colour frame one pixel wide (top-left colour, bottom-right colour) width times,
// shrinking rect to the inside; the classic bevel of panels.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);
