// The small four-function calculator that the number editor (and the grid's in-place editor) drop
// down under the edited value, and its popup form that closes through the owning editor.
//
// The calculator lays itself out in code: a display panel over a grid of flat buttons, designed
// at 96 pixels per inch for a font whose "0" is 13 pixels high, scaled to the screen's pixels per
// inch and to the real height of "0" in its font.
#pragma once

#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/ExtCtrls.h"
#include "gui/StdCtrls.h"

#include <vector>

enum TCalcStateGx { csFirstGx, csValidGx, csErrorGx };

class TCalculatorGx : public TCustomControl {
    PLANTMON_CLASS(TCalculatorGx, TCustomControl)
public:
    explicit TCalculatorGx(TComponent* owner);
    ~TCalculatorGx() override;

    // The calculator's keys: digits, the decimal separator ('.' and ',' too), Backspace (8), the
    // operators + - * / % = and Enter (13), 'I' negate, 'R' 1/x, 'S' square root, 'C' and Esc (27)
    // clear, 3 copy, 22 paste.
    virtual void ProcessKey(WideChar key);
    virtual int GetBorderSize();
    void Clear();
    void Error();

    TCalcStateGx State() const { return state_; }
    // The display as shown ("Error" in the error state).
    AnsiString DisplayText() const { return TextBox->Caption(); }
    // The shown value (0 in the error state).
    double DisplayValue() const;
    // Shows a value in general format with 15 significant digits (a negated zero shows "0").
    void SetDisplayValue(double v);
    // "=" while an operation waits for its second operand, else "Ok".
    AnsiString EqualCaption() const { return spEqual->Caption(); }

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    // The button whose tag sends key (nullptr when none does).
    TSpeedButtonGx* ButtonOfKey(WideChar key) const;
    void SpeedButtonClick(TObject* sender);

    TPanel* Panel1 = nullptr;
    TLabel* TextBox = nullptr;
    TSpeedButtonGx* spEqual = nullptr;

protected:
    void CreateParams(TCreateParams& params) override;
    void KeyPress(WideChar& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    // Sizes the window to the children's client size plus the frame.
    virtual void AutoSizeNow();
    void UpdateEqualButton();
    // The client size the layout asks for (scaled).
    int designClientWidth_ = 184;
    int designClientHeight_ = 127;

private:
    void build();
    void copyToClipboard();
    void pasteFromClipboard();
    TCalcStateGx state_ = csFirstGx;
    WideChar operator_ = '=';
    double operand_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    std::vector<TSpeedButtonGx*> buttons_;
};

class IPopupCalculatorGx {
public:
    static constexpr const char* IID = "{697F81AD-0E0F-4A4A-A016-A713620660DE}";
    virtual bool GetEnterCanClose() = 0;
    virtual bool GetFlat() = 0;
    virtual Variant GetValue() = 0;
    virtual void SetFlat(bool value) = 0;
    virtual void SetValue(const Variant& value) = 0;

protected:
    ~IPopupCalculatorGx() = default;
};

// The calculator as a drop-down: never activated or focused, closed through its owner's
// IComboEditGx (Enter on "Ok" accepts, Esc cancels).
class TPopupCalculatorGx : public TCalculatorGx, public IPopupCalculatorGx {
    PLANTMON_CLASS(TPopupCalculatorGx, TCalculatorGx)
public:
    explicit TPopupCalculatorGx(TComponent* owner);
    ~TPopupCalculatorGx() override;

    void ProcessKey(WideChar key) override;
    bool CanFocus() const override { return false; }
    int BorderWidthGx() const { return Ctl3D() ? 2 : 0; }

    bool GetEnterCanClose() override;
    bool GetFlat() override { return flat_; }
    Variant GetValue() override;
    void SetFlat(bool value) override;
    void SetValue(const Variant& value) override;

protected:
    virtual void DrawBorder();
    void CreateParams(TCreateParams& params) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void AutoSizeNow() override;
    void Dispatch(TMessage& m) override;
    void WMNCCalcSize(TMessage& m) override;
    void WMNCPaint(TMessage& m) override;

private:
    IComboEditGx* comboEdit() const;
    bool flat_ = false;
};

// For an editor that drops the calculator down over its text (the grid's cell editor): the value
// the calculator opens with (Null for an empty text, else the text read as a number: blanks and
// thousand separators dropped, '.' and ',' as the decimal separator; Null when it is no number),
// and the text of its result (false, text unchanged, when the result is no number: an error).
Variant CalculatorStartValue(const AnsiString& editText);
bool CalculatorResultText(IPopupCalculatorGx* calculator, AnsiString& text);
