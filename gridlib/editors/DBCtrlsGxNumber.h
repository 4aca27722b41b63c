// The number editor: a data-aware edit whose value is a number or Null. Focused, it shows the value
// in an edit format (digits, grouping, decimal separator) regrouped as the user types; unfocused,
// the display format or a currency text. Typing keeps the text a number with at most
// DecimalPlaces decimals; Up and Down, the wheel and an up-down button add or subtract Increment;
// values are bounded by MinValue and MaxValue and rounded to DecimalPlaces; the main button drops
// down the calculator.
#pragma once

#include "gridlib/editors/CalculatorGx.h"
#include "gridlib/editors/DBCtrlsGx.h"

// The text rules of the editor (also used by its tests).
// True with the number of a text of decimal separators, signs, digits and exponents; a sign alone
// is 0.
bool TryTextToNumber(const AnsiString& text, double& value);
// A plain number text regrouped: a thousand separator before every third digit of the integer
// part, counted from its right (with thousands; without, the separators go).
AnsiString GroupDigitsText(const AnsiString& text, bool thousands);
// The edit format of a display format: the digits, grouping and decimal point of its first section.
AnsiString DisplayFormatToEditFormat(const AnsiString& displayFormat);

class TCustomDBNumberEditGx : public TCustomDBEditGx {
    PLANTMON_CLASS(TCustomDBNumberEditGx, TCustomDBEditGx)
public:
    explicit TCustomDBNumberEditGx(TComponent* owner);
    ~TCustomDBNumberEditGx() override;

    // Assigned values win; unassigned ones come from the field.
    AnsiString GetDisplayFormat() const;
    void SetDisplayFormat(const AnsiString& format);
    AnsiString DefaultDisplayFormat() const;
    bool IsDisplayFormatStored() const { return displayFormatAssigned_; }
    bool GetCurrency() const;
    void SetCurrency(bool value);
    bool DefaultCurrency() const;
    bool IsCurrencyStored() const { return currencyAssigned_; }
    // The field's range while unassigned (it does not bound the value).
    double GetMinValue() const;
    void SetMinValue(double value);
    double DefaultMinValue() const;
    bool IsMinValueStored() const { return minValueAssigned_; }
    double GetMaxValue() const;
    void SetMaxValue(double value);
    double DefaultMaxValue() const;
    bool IsMaxValueStored() const { return maxValueAssigned_; }
    unsigned DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(unsigned places);
    double Increment() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    AnsiString EditFormat() const { return editFormat_; }

    // The text of a value as shown unfocused.
    virtual AnsiString GetDisplayText();
    AnsiString FormatDisplayText(double value);
    // The value bounded by the assigned MinValue and MaxValue and rounded to DecimalPlaces.
    double CheckValue(double value) const;
    // Leading and trailing blanks and thousand separators go; '.' and ',' become the decimal
    // separator unless one of the separators is that character.
    AnsiString TextToValText(const AnsiString& text) const;
    void IncrementValue(bool up);

    virtual TPopupCalculatorGx* GetDropDownCalculator();
    TPopupCalculatorGx* CalculatorIfMade() const { return calculator_; }
    bool CalculatorShown() const { return calculatorShown_; }
    void ButtonDown(bool isDownButton) override;
    void CloseUp(bool accept) override;
    void DropDown() override;

    TCloseUpEventGx OnCloseUp;
    TNotifyEvent OnDropDown;

protected:
    std::unique_ptr<TEditButtonGx> CreateEditButton() override;
    TAlignment DefaultAlignment() override;
    Variant GetVariantValue() const override;
    bool IsValidChar(WideChar key) override;
    void DataChanged() override;
    void InternalSetText(const AnsiString& text) override;
    void InternalSetValue(const Variant& value) override;
    void InternalUpdatePostData() override;
    void CreateWnd() override;
    void InternalSetControlText(const AnsiString& text);
    void UpdateValueFromText();
    virtual void ReformatEditText(const AnsiString& text);

    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void Change() override;
    void CMCancelMode(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

private:
    void updateEditFormat();
    void applyAlignment();
    void paste();
    bool afterSeparator() const;
    bool calculatorContains(TControl* c) const;

    bool calculatorShown_ = false;
    bool currencyAssigned_ = false;
    bool currency_ = false;
    unsigned decimalPlaces_ = 2;
    bool displayFormatAssigned_ = false;
    AnsiString displayFormat_;
    TPopupCalculatorGx* calculator_ = nullptr;
    AnsiString editFormat_;
    double increment_ = 1;
    bool settingControlText_ = false;
    bool pasting_ = false;
    bool backOverSeparator_ = false;
    bool minValueAssigned_ = false, maxValueAssigned_ = false;
    double minValue_ = 0, maxValue_ = 0;
    Variant value_ = Null();
};

class TDBNumberEditGx : public TCustomDBNumberEditGx {
    PLANTMON_CLASS(TDBNumberEditGx, TCustomDBNumberEditGx)
public:
    explicit TDBNumberEditGx(TComponent* owner) : TCustomDBNumberEditGx(owner) {}
    Variant Value() const { return GetValue(); }
};
