// The date-time editor: a data-aware edit whose text follows an edit mask made from an edit
// format of element letters (D day, M month, Y year, H hour, N minute, S second). The value is a
// date-time or Null; the parts the format shows replace those of the stored value and the others
// stay. Up and Down, the wheel and an up-down button step the element under the caret; the main
// button drops down a month calendar; leaving completes a partial date from today.
#pragma once

#include "gridlib/editors/DBCtrlsGx.h"

#include "rtl/DateUtils.h"

#include <array>

enum TDateTimeKindGx { dtkDateGx, dtkTimeGx, dtkDateTimeGx, dtkCustomGx };

// Where an element lies in the text: 1-based position and length in characters.
struct TDateTimeElementGx {
    int Pos = -1;
    int Length = -1;
    bool Present = false;
};
// In the order Y, M, D, H, N, S.
using TDateTimeElementsGx = std::array<TDateTimeElementGx, 6>;
// Y, M, D, H, N, S; -1 for an empty part.
using TDateTimePartsGx = std::array<int, 6>;

// Two-digit years fall into the 100 years that begin 60 years before the current one.
constexpr int TwoDigitYearWindowGx = 60;

// The text rules of the editor (also used by its tests).
int ExpandTwoDigitYear(int year);
// The edit mask of an edit format, filling the element table; raises on a bad format.
AnsiString EditFormatToMask(const AnsiString& editFormat, TDateTimeElementsGx& elements);
AnsiString EditFormatToDisplayFormat(const AnsiString& editFormat);
AnsiString EditFormatToLayout(const AnsiString& editFormat);
// "MM/DD/YYYY", "DD/MM/YYYY" or "YYYY/MM/DD" in the order of the locale's short date format
// (two-digit years without fourDigitYear).
AnsiString DefaultDateEditFormat(bool fourDigitYear);
TDateTimePartsGx TextToParts(const AnsiString& text, const TDateTimeElementsGx& elements);
TDateTimePartsGx ValueToParts(const Variant& value);
// Puts the parts the elements show into value (fill: a partial date completed from today and
// out-of-range parts clamped); false, with value Null, when the parts make no date-time.
bool MergePartsIntoValue(TDateTimePartsGx parts, const TDateTimeElementsGx& elements, Variant& value, bool fill);

class TCustomDBDateTimeEditGx : public TCustomDBEditGx {
    PLANTMON_CLASS(TCustomDBDateTimeEditGx, TCustomDBEditGx)
public:
    explicit TCustomDBDateTimeEditGx(TComponent* owner);
    ~TCustomDBDateTimeEditGx() override;

    TDateTimeKindGx Kind() const { return kind_; }
    void SetKind(TDateTimeKindGx kind);
    AnsiString EditFormat() const { return editFormat_; }
    // Makes the editor custom; raises (and changes nothing) when the format is bad.
    void SetEditFormat(const AnsiString& format);
    bool IsKindStored() const { return kind_ != dtkCustomGx; }
    bool IsEditFormatStored() const { return kind_ == dtkCustomGx; }
    // The date-time format the value is shown in (derived from EditFormat).
    AnsiString DateTimeFormat() const { return displayFormat_; }
    const TDateTimeElementsGx& Elements() const { return elements_; }
    bool FourDigitYear() const { return fourDigitYear_; }
    bool CalendarShown() const { return calendarShown_; }
    TPopupMonthCalendarGx* GetDropDownCalendar();
    TPopupMonthCalendarGx* CalendarIfMade() const { return calendar_; }

    // Steps the element under the caret (wrapping within its range).
    void IncrementItemAtCurPos(bool up);
    void ValidateEdit() override;

    virtual void UpdateFourDigitYear();
    virtual void UpdateMask();

    void ButtonDown(bool isDownButton) override;
    void CloseUp(bool accept) override;
    void DropDown() override;

    TCloseUpEventGx OnCloseUp;
    TNotifyEvent OnDropDown;

protected:
    std::unique_ptr<TEditButtonGx> CreateEditButton() override;
    AnsiString GetDisplayTextForPaintCopy() override;
    Variant GetVariantValue() const override;
    void DataChanged() override;
    void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
    void FilterMRUItem(const AnsiString& text, bool& accept) override;
    void InternalSetText(const AnsiString& text) override;
    void InternalSetValue(const Variant& value) override;
    void InternalUpdatePostData() override;
    void InternalSetControlText(const AnsiString& text);
    void UpdateValueFromText();

    void WndProc(TMessage& m) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void Change() override;
    void CMCancelMode(TMessage& m) override;
    void CMEnter(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

private:
    bool isCalendarMessage(const TMessage& m) const;
    bool canStep();
    void jumpAfterSeparator(WideChar sep);
    bool calendarContains(TControl* c) const;

    bool calendarShown_ = false;
    TPopupMonthCalendarGx* calendar_ = nullptr;
    bool validating_ = false;
    bool settingControlText_ = false;
    TDateTimeKindGx kind_ = dtkDateGx;
    Variant value_ = Null();
    AnsiString editFormat_;
    AnsiString displayFormat_;
    TDateTimeElementsGx elements_{};
    bool fourDigitYear_ = false;
};

class TDBDateTimeEditGx : public TCustomDBDateTimeEditGx {
    PLANTMON_CLASS(TDBDateTimeEditGx, TCustomDBDateTimeEditGx)
public:
    explicit TDBDateTimeEditGx(TComponent* owner) : TCustomDBDateTimeEditGx(owner) {}
    Variant Value() const { return GetValue(); }
};
