// TPoligon: a filled polygon whose corners are text lines "x; y" in percent of the control's size
// (3 to 100 corners), mirrored left to right with XFlip. Any change of the list, pen, brush or
// XFlip parses the list again and repaints; a bad list is reported in a message box and the last
// good corner count stays. Pen and brush are kept in a colour INI file (ConfigName).
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <array>
#include <memory>

class TPoligon : public TGraphicControl {
    PLANTMON_CLASS(TPoligon, TGraphicControl)
public:
    static constexpr int MaxPoints = MaxOutlinePoints;

    explicit TPoligon(TComponent* owner);
    ~TPoligon() override;

    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    TStringList* PointList() const noexcept { return pointList_.get(); }
    void SetPointList(TStringList* list);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }
    bool XFlip() const noexcept { return xFlip_; }
    void SetXFlip(bool b);

    // Parses PointList into the corners.
    void RefrshPointList();
    // Parses again and repaints.
    void StyleChanged(TObject* sender);

    // Corners parsed: 0 (nothing drawn) or 3 to 100; x already mirrored.
    int PointCount() const noexcept { return count_; }
    double PointX(int i) const { return xs_.at(i); }
    double PointY(int i) const { return ys_.at(i); }

    // The pen ("Pen" keys) and "BrushColor"; a non-empty section names another widget's section
    // to load from. False on a failure.
    bool SaveConfig();
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;

private:
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TStringList> pointList_;
    AnsiString configName_ = ".\\Colors.INI";
    bool xFlip_ = false;
    int count_ = 0;
    std::array<double, MaxPoints> xs_{};
    std::array<double, MaxPoints> ys_{};
    std::array<TPoint, MaxPoints> points_{};
};
