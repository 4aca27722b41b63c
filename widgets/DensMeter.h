// TDensMeter: one measured value shown twice, as a bar of coloured cells filled from the left up
// to the value's place between OutMin and OutMax, and as the formatted number in a framed box below
// the bar; the panel's caption stands centred at the top. The colour file keeps the whole layout
// and the value besides the colours.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <array>
#include <memory>

class TDensMeter : public TPanel {
    PLANTMON_CLASS(TDensMeter, TPanel)
public:
    // Cells that have a colour of their own; any further cell is black.
    static constexpr int MaxColoredCells = 10;

    explicit TDensMeter(TComponent* owner);
    ~TDensMeter() override;

    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }
    // The cell bar: top and height, and the margin left and right, in pixels.
    int TermoTop() const noexcept { return termoTop_; }
    void SetTermoTop(int v);
    int TermoHeight() const noexcept { return termoHeight_; }
    void SetTermoHeight(int v);
    int TermoXSpace() const noexcept { return termoXSpace_; }
    void SetTermoXSpace(int v);
    // The value box: top, margin left and right, height, in pixels.
    int OutTop() const noexcept { return outTop_; }
    void SetOutTop(int v);
    int OutXSpace() const noexcept { return outXSpace_; }
    void SetOutXSpace(int v);
    int OutHeight() const noexcept { return outHeight_; }
    void SetOutHeight(int v);
    TFont* OutFont() const noexcept { return outFont_.get(); }
    void SetOutFont(TFont* f);
    AnsiString OutFormat() const { return outFormat_; }
    void SetOutFormat(const AnsiString& fmt);
    // Kept in the colour file; the drawing does not use it.
    int TermoCellCount() const noexcept { return termoCellCount_; }
    void SetTermoCellCount(int v);
    // Outline of the bar, the cells and their ticks.
    TPen* TermoPen() const noexcept { return termoPen_.get(); }
    void SetTermoPen(TPen* p);
    double OutMin() const noexcept { return outMin_; }
    void SetOutMin(double v);
    double OutMax() const noexcept { return outMax_; }
    void SetOutMax(double v);
    // Frame of the whole panel.
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    double OutValue() const noexcept { return outValue_; }
    void SetOutValue(double v);
    TColor TermoBackColor() const noexcept { return termoBackColor_; }
    void SetTermoBackColor(TColor c);
    // Colours of the cells, one integer per line (decimal, or hexadecimal after 0x or $). A line
    // that is no integer raises EConvertError to whoever changed the list, a pen, brush or font.
    TStringList* StrCellColors() const noexcept { return strCellColors_.get(); }
    void SetStrCellColors(TStringList* list);
    // Cells in the bar. Setting it repaints nothing; it shows at the next paint.
    int CellCount() const noexcept { return cellCount_; }
    void SetCellCount(int n);
    TBrush* OutBrush() const noexcept { return outBrush_.get(); }
    void SetOutBrush(TBrush* b);
    TPen* OutPen() const noexcept { return outPen_.get(); }
    void SetOutPen(TPen* p);

    // The colour cell i is drawn in.
    TColor CellColor(int i) const;
    // Reads the first lines of StrCellColors (ten at most) into the cell colours; the colours of
    // lines it does not have stay.
    void ReadColors();
    void StyleChanged(TObject* sender);
    void UpdateChanges();

    // Layout, value, format, pens, font and cell colours into the section named after the meter;
    // false when the file could not be written.
    bool SaveConfig();
    // The same keys from the section (the meter's own name when empty), each defaulting to the
    // current value; false when reading failed on the way (a colour line that is no integer), the
    // values read before it staying.
    bool LoadConfig(const AnsiString& section);

    void PaintBackGround(TCanvas* c);
    void PaintTermo(TCanvas* c);
    void PaintOut(TCanvas* c);

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    TWidgetPicture picture_;
    std::array<TColor, MaxColoredCells> cellColors_{};
    AnsiString configName_ = ".\\Colors.INI";
    int termoTop_ = 20;
    int termoHeight_ = 10;
    int termoXSpace_ = 10;
    int outTop_ = 35;
    int outXSpace_ = 20;
    int outHeight_ = 40;
    std::unique_ptr<TFont> outFont_;
    AnsiString outFormat_ = "##0.0";
    int termoCellCount_ = 4;
    std::unique_ptr<TPen> termoPen_;
    double outMin_ = 0;
    double outMax_ = 200;
    std::unique_ptr<TPen> pen_;
    double outValue_ = 0;
    TColor termoBackColor_ = clBlack;
    std::unique_ptr<TStringList> strCellColors_;
    int cellCount_ = 4;
    std::unique_ptr<TBrush> outBrush_;
    std::unique_ptr<TPen> outPen_;
};
