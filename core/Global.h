// Helpers and settings that many screens and both link threads share: the shift rule, the
// time-range condition of history queries, a small interpolation table, an animation step, the rest
// of a worker thread's period, numbers with a decimal point for controllers and SQL, and shading.
//
// The belt-scale records (TBeltScaleRec, BeltScales) belong to the Vision link (links/).
#pragma once

#include "gui/Graphics.h"
#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <atomic>
#include <cstdint>

// ---- Settings of the station (GUI thread only) ---------------------------------------------------
// Hour (0..23) at which the first shift of a day starts; from the configuration file.
extern int FirstChangeStart;      // 7
// Days added to a date before the shift hours; from the configuration file.
extern int DateIncrement;         // 0
// Shut the computer down when the program ends; from the configuration file and the settings dialog.
extern bool ShutdownOnExit;       // false
// The screens' widget edit mode, switched by the settings dialog.
extern bool WidgetEditMode;       // false
// Folder of the HTML report templates: the executable's folder + "Template" (no trailing '/').
extern AnsiString TemplateDir;
// Folder the prints write their graph pictures to: the executable's folder + "Temp" (created at
// start-up).
extern AnsiString TempDir;
// Put in front of the template and picture names of some prints; always empty, so those files are
// found relative to the current folder (the executable's).
extern AnsiString PrintTemplatePrefix;

// The program file whose folder holds the configuration file, LOG, Template and the screens' files:
// the running executable, unless a test has pointed it at a folder of its own (empty puts the
// executable back).
AnsiString ProgramFileName();
void SetProgramFileName(const AnsiString& path);

// ---- Shifts and time ranges ----------------------------------------------------------------------
// Shift numbers as the screens' shift boxes give them: 1 = "Смена №1", 2 = "Смена №2", 3 = "Обе смены".
// The day starts at FirstChangeStart o'clock on date's day + DateIncrement; shift 1 is its first
// twelve hours, shift 2 the next twelve, 3 (and any other number) the whole day. Both ends are
// inclusive: the stop is one second before the next period starts (07:00:00 .. 18:59:59 with the
// defaults). The time of day in date plays no part. Always true; a FirstChangeStart outside 0..23
// raises EConvertError.
bool GetShiftPeriod(TDateTime date, int shift, TDateTime& start, TDateTime& stop);

// " where RecMoment >= 'yyyy-mm-dd hh:nn:ss' and RecMoment <= 'yyyy-mm-dd hh:nn:ss'" (PostMoment when
// recMoment is false): the condition a history query appends before its order clause.
AnsiString MakeTimeRangeWhere(TDateTime from, TDateTime to, bool recMoment);

// ---- Interpolation and animation -----------------------------------------------------------------
// A table of points for InterpolateTable, built by the caller; only the first count entries are read
// and the points may come in any order.
struct TInterpTable {
    std::int32_t count = 0;  // 1..99 accepted
    double x[100] = {};
    double y[100] = {};
};
// The piecewise-linear value at x between the nearest table points on either side, extrapolated
// from the two outermost points beyond the table. A null table or a count outside 1..99 gives 0;
// one point gives its y. With clamp, a negative interpolated result becomes 0 (a y taken directly
// from a point is returned as it is).
double InterpolateTable(double x, const TInterpTable* table, bool clamp);

// position + step, wrapping past maximum to minimum and below minimum to maximum.
double CyclicStep(double position, double maximum, double step, double minimum);

// ---- Worker threads ------------------------------------------------------------------------------
// Sleeps what is left of a period that began at startTick (GetTickCount milliseconds): at least
// 50 ms, or 200 ms when the period is already over; in slices of at most 200 ms, returning as soon
// as *stopFlag is seen set.
void WaitRestOfPeriod(std::uint32_t startTick, std::uint32_t periodMs, const std::atomic<bool>* stopFlag);
// The sleep WaitRestOfPeriod would take at nowTick (unsigned tick arithmetic, so the 49.7-day wrap
// of the tick count does no harm).
std::uint32_t RestOfPeriod(std::uint32_t startTick, std::uint32_t periodMs, std::uint32_t nowTick);

// The number as FloatToStr writes it (15 significant digits) but always with a decimal point,
// whatever the locale: for controller commands and SQL texts. Safe on any thread.
AnsiString FloatToDotText(double value);

// ---- Colours -------------------------------------------------------------------------------------
// darker: each channel × 0.8; lighter: each channel × 1.2 when all three are below 212, otherwise
// the colour unchanged. System colours are resolved first; both results are plain RGB.
void ShadeColor(TColor color, TColor& lighter, TColor& darker);
