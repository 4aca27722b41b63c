// TOutField: one number shown as text in a framed, filled box.
//
// The text is OutValue formatted with OutFormat (FormatFloat), drawn centred (or near the top or
// bottom edge) in the field's own font, optionally rotated by Alpha (tenths of a degree, counter-
// clockwise) and optionally in a script face. The picture is kept off screen and redrawn only when
// something changed; setting the value it already holds changes nothing at all. The colours, pen
// and font can be kept in a colour INI file (ConfigName), in the section named after the field.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <cstdint>
#include <memory>

enum TKelvaronVAlign : std::uint8_t { kv_VAlignCenter = 0, kv_VAlignTop = 1, kv_VAlignBottom = 2 };

class TOutField : public TPanel {
    PLANTMON_CLASS(TOutField, TPanel)
public:
    explicit TOutField(TComponent* owner);
    ~TOutField() override;

    // Fill of the box (the field's own brush, not the panel's background).
    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    // Frame of the box.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    // The text's face, size, colour and style: the control's font, kept apart from its parent's.
    // Font() comes from the control; SetFont copies.

    AnsiString OutFormat() const { return outFormat_; }
    // Takes effect with the next changed value; the text shown stays until then.
    void SetOutFormat(const AnsiString& fmt);
    double OutValue() const noexcept { return outValue_; }
    // Formats and shows a value that differs from the one held; the same value does nothing.
    void SetOutValue(double value);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }
    int Alpha() const noexcept { return alpha_; }
    void SetAlpha(int tenths);
    bool HandWriting() const noexcept { return handWriting_; }
    void SetHandWriting(bool b);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);
    TKelvaronVAlign VAlign() const noexcept { return vAlign_; }
    void SetVAlign(TKelvaronVAlign v);

    // Marks the picture for redrawing and invalidates the control.
    void StyleChanged(TObject* sender);

    // Pen ("Pen" keys), font ("Font" keys), "OutFormat" and "BrushColor" into the section named
    // after the field; false when the file could not be written.
    bool SaveConfig();
    // Pen, font and "BrushColor" of the section (the field's own name when empty); the format is
    // not read back, the field keeps its own. An INI failure propagates.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;
    void FontChanged() override;
    // A text set straight (a mode field's text) is drawn at the next paint like a new value.
    void TextChanged() override;
    void WMEraseBkgnd(TMessage& m) override;

private:
    void drawText(TCanvas* canvas);
    TWidgetPicture picture_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    AnsiString outFormat_ = "###0.0";
    double outValue_ = 0;
    AnsiString configName_;
    int alpha_ = 0;
    bool handWriting_ = false;
    bool transparent_ = false;
    TKelvaronVAlign vAlign_ = kv_VAlignCenter;
    bool constructed_ = false;
};
