// TBarrel: the filling of a tank as a box open at the top. Walls on the left, bottom and right in
// Pen; inside, horizontal stripes from the bottom up to the level, shaded from DownColor at the
// bottom toward UpColor at the top. The picture is rebuilt at every paint; an output field can
// sit inside the gauge as a child control.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TBarrel : public TPanel {
    PLANTMON_CLASS(TBarrel, TPanel)
public:
    explicit TBarrel(TComponent* owner);
    ~TBarrel() override;

    TColor UpColor() const noexcept { return upColor_; }
    void SetUpColor(TColor c);
    TColor DownColor() const noexcept { return downColor_; }
    void SetDownColor(TColor c);
    double MaxLevel() const noexcept { return maxLevel_; }
    void SetMaxLevel(double v);
    double MinLevel() const noexcept { return minLevel_; }
    void SetMinLevel(double v);
    double WaterLevel() const noexcept { return waterLevel_; }
    void SetWaterLevel(double v);
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // Kept and stored as "BackColor" only; the picture's background is the control's Color.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }

    void UpdateChanges();
    void StyleChanged(TObject* sender);

    // "UpColor", "DownColor", "BackColor" and the pen ("Pen" keys); false on a failure.
    bool SaveConfig();
    // The same keys of the section (the gauge's own name when empty); an INI failure propagates.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    TWidgetPicture picture_;
    AnsiString configName_ = ".\\Colors.INI";
    TColor downColor_ = clNavy;
    TColor upColor_ = clBlue;
    double maxLevel_ = 10;
    double minLevel_ = 0;
    double waterLevel_ = 3.5;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
};
