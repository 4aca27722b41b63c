// TWaterBox: a tank of three stacked pieces. An upper box holding water up to WaterLevel, a funnel
// below it narrowing from the full width to BottomW, and an outlet of that width down to the bottom
// of the control. Sizes are in virtual units (MainW across the control, BoxH down it), so the
// picture scales with the control.
//
// Unlike the other widgets it keeps no picture between paints: every paint draws it whole, and
// every setter repaints at once, even when the value did not change. With Transparent set it draws
// straight onto the control, so what lies beneath shows around the shapes. The pen and the three
// colours are kept in a colour INI file (ConfigName).
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TWaterBox : public TGraphicControl {
    PLANTMON_CLASS(TWaterBox, TGraphicControl)
public:
    explicit TWaterBox(TComponent* owner);
    ~TWaterBox() override;

    // Kept in the colour file only; the picture does not use it.
    TColor BorderColor() const noexcept { return borderColor_; }
    void SetBorderColor(TColor c);
    // Fill of the water, the funnel and the outlet.
    TColor WaterColor() const noexcept { return waterColor_; }
    void SetWaterColor(TColor c);
    // Background of the picture (none when Transparent).
    TColor BackColor() const noexcept { return backColor_; }
    void SetBackColor(TColor c);
    // The control's width in horizontal units, its height and the upper box's in vertical units.
    double MainW() const noexcept { return mainW_; }
    void SetMainW(double v);
    double MainH() const noexcept { return mainH_; }
    void SetMainH(double v);
    double BoxH() const noexcept { return boxH_; }
    void SetBoxH(double v);
    // Height of the funnel; width of its lower end and of the outlet.
    double BottomH() const noexcept { return bottomH_; }
    void SetBottomH(double v);
    double BottomW() const noexcept { return bottomW_; }
    void SetBottomW(double v);
    // Height of the water surface above the bottom of the upper box.
    double WaterLevel() const noexcept { return waterLevel_; }
    void SetWaterLevel(double v);
    // Kept only; the picture does not use it.
    int StepsCount() const noexcept { return stepsCount_; }
    void SetStepsCount(int n);
    // All outlines.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name);

    void StyleChanged(TObject* sender);

    // The pen ("Pen" keys), "BackColor", "BorderColor" and "WaterColor" into the section named after
    // the tank; false when the file could not be written.
    bool SaveConfig();
    // The same keys of the section (the tank's own name when empty), each through its setter; false
    // on a failure, with the values read before it kept.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    template <class T>
    void set(T& field, T v);
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    TColor waterColor_ = clAqua;
    TColor borderColor_ = clYellow;
    TColor backColor_ = clBlack;
    double mainW_ = 3;
    double mainH_ = 5;
    double boxH_ = 6;
    double bottomH_ = 0.5;
    double bottomW_ = 1;
    double waterLevel_ = 3;
    int stepsCount_ = 0;
    std::unique_ptr<TPen> pen_;
    bool transparent_ = false;
    AnsiString configName_ = ".\\Colors.INI";
};
