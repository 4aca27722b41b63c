// TTermoScale: a vertical scale in the manner of a thermometer's: an axis down the middle, a
// full-width mark per text line, a short mark halfway between neighbouring marks, and on each full
// mark a framed label box centred on the axis (the first line at the bottom, the last at the top).
// It draws straight onto its canvas at every paint and lets the background erase through, so a
// transparent scale shows the panel's own Color behind its marks.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TTermoScale : public TPanel {
    PLANTMON_CLASS(TTermoScale, TPanel)
public:
    explicit TTermoScale(TComponent* owner);
    ~TTermoScale() override;

    // Label texts, written in the panel's Font.
    TStringList* Lines() const noexcept { return lines_.get(); }
    void SetLines(TStringList* list);
    // Frame of the label boxes.
    TPen* TextPen() const noexcept { return textPen_.get(); }
    void SetTextPen(TPen* p);
    // Leaves the area unfilled by Brush.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);
    // Background.
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // Fill of the label boxes.
    TBrush* TextBrush() const noexcept { return textBrush_.get(); }
    void SetTextBrush(TBrush* b);
    // Short marks.
    TPen* SPen() const noexcept { return sPen_.get(); }
    void SetSPen(TPen* p);
    // The axis.
    TPen* VPen() const noexcept { return vPen_.get(); }
    void SetVPen(TPen* p);
    // Size of a label box, percent of Width and of Height.
    double TextWPercent() const noexcept { return textWPercent_; }
    void SetTextWPercent(double v);
    double TextHPercent() const noexcept { return textHPercent_; }
    void SetTextHPercent(double v);
    // Full-width marks.
    TPen* WPen() const noexcept { return wPen_.get(); }
    void SetWPen(TPen* p);
    // Length of the short marks, percent of Width.
    double SLineXPercent() const noexcept { return sLineXPercent_; }
    void SetSLineXPercent(double v);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }

    void StyleChanged(TObject* sender);

    // The four pens, "BrushColor", "TextBrushColor" and the panel's font into the section named
    // after the scale; false when the file could not be written.
    bool SaveConfig();
    // The same keys from the section (the scale's own name when empty), each defaulting to the
    // current value; false when the file could not be read.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;

private:
    void draw(TCanvas* c);
    std::unique_ptr<TStringList> lines_;
    std::unique_ptr<TPen> textPen_;
    bool transparent_ = false;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TBrush> textBrush_;
    std::unique_ptr<TPen> sPen_;
    std::unique_ptr<TPen> vPen_;
    double textWPercent_ = 40;
    double textHPercent_ = 10;
    std::unique_ptr<TPen> wPen_;
    double sLineXPercent_ = 60;
    AnsiString configName_ = ".\\Colors.INI";
};
