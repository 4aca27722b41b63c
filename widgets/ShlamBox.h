// TShlamBox: a settling tank in section: left wall, flat bottom up to a bend, a bottom sloping down
// to the lower right corner, right wall, and a partition standing at the bend. The sloping part is
// full of sludge and a layer of adjustable thickness lies over the whole width above it. Sizes are
// percentages of the control (4 pixels in from its edges); the panel's Color is the background,
// laid when something of the tank changes.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TShlamBox : public TPanel {
    PLANTMON_CLASS(TShlamBox, TPanel)
public:
    explicit TShlamBox(TComponent* owner);
    ~TShlamBox() override;

    // Walls, bottom and partition.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // The sludge.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // Place of the bend and the partition: percent of the inner width, counted from the control's
    // left edge.
    double L1() const noexcept { return l1_; }
    void SetL1(double percent);
    // Height of the sloping bottom, percent of the inner height.
    double SubHPercent() const noexcept { return subHPercent_; }
    void SetSubHPercent(double percent);
    // Thickness of the sludge layer, percent of the height from the top edge to the flat bottom.
    double WPercent() const noexcept { return wPercent_; }
    void SetWPercent(double percent);
    // Draws straight onto the control, without background and kept picture.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);
    // The colour file; without a name nothing is written or read.
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }

    void UpdateChanges();
    void StyleChanged(TObject* sender);

    // "Color", "BrushColor" and the pen into the section named after the tank; false when there is
    // no file name or the file could not be written.
    bool SaveConfig();
    // The same keys from the section (the tank's own name when empty), each defaulting to the
    // current value; false when there is no file name or the file could not be read.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    double l1_ = 30;
    double subHPercent_ = 20;
    double wPercent_ = 30;
    bool transparent_ = false;
    AnsiString configName_;
};
