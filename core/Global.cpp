#include "core/Global.h"

#include "rtl/FileUtils.h"
#include "rtl/MathUtils.h"

#include <algorithm>
#include <cmath>
#include <mutex>

int FirstChangeStart = 7;
int DateIncrement = 0;
bool ShutdownOnExit = false;
bool WidgetEditMode = false;
AnsiString TemplateDir;
AnsiString TempDir;
AnsiString PrintTemplatePrefix;

namespace {
std::mutex programFileMutex;
AnsiString programFile;  // empty: the running executable
}  // namespace

AnsiString ProgramFileName() {
    std::lock_guard<std::mutex> lock(programFileMutex);
    return programFile.IsEmpty() ? ExecutableFileName() : programFile;
}

void SetProgramFileName(const AnsiString& path) {
    std::lock_guard<std::mutex> lock(programFileMutex);
    programFile = path;
}

bool GetShiftPeriod(TDateTime date, int shift, TDateTime& start, TDateTime& stop) {
    // The ends are a second short of the next period so that two consecutive periods never share
    // their boundary second in the inclusive range of the query.
    const TDateTime dayStart = std::trunc(date) + DateIncrement + EncodeTime(FirstChangeStart, 0, 0, 0);
    start = dayStart;
    switch (shift) {
    case 1:
        stop = start + EncodeTime(11, 59, 59, 0);
        break;
    case 2:
        start = dayStart + EncodeTime(12, 0, 0, 0);
        stop = start + EncodeTime(11, 59, 59, 0);
        break;
    default:
        stop = start + EncodeTime(23, 59, 59, 0);
        break;
    }
    return true;
}

AnsiString MakeTimeRangeWhere(TDateTime from, TDateTime to, bool recMoment) {
    const AnsiString column = recMoment ? "RecMoment" : "PostMoment";
    return " where " + column + " >= '" + DateTimeToSqlText(from) + "' and " + column + " <= '" +
           DateTimeToSqlText(to) + "'";
}

double InterpolateTable(double x, const TInterpTable* table, bool clamp) {
    if (!table || table->count < 1 || table->count > 99) return 0;
    const int n = table->count;
    const double* xs = table->x;
    const double* ys = table->y;
    if (n == 1) return ys[0];

    int lo = 0, up = 1;
    if (n == 2) {
        if (xs[1] - xs[0] == 0) return ys[0];
    } else {
        int above = -1, below = -1;
        for (int i = 0; i < n; ++i) {
            if (xs[i] == x) return ys[i];
            if (xs[i] > x) {
                if (above < 0 || xs[i] - x < xs[above] - x) above = i;
            } else {
                if (below < 0 || x - xs[i] < x - xs[below]) below = i;
            }
        }
        if (above < 0) {
            // Beyond the largest x: extrapolate from the two outermost points.
            up = below;
            lo = -1;
            for (int i = 0; i < n; ++i)
                if (xs[i] < xs[up] && (lo < 0 || xs[up] - xs[i] < xs[up] - xs[lo])) lo = i;
            if (lo < 0) return ys[up];
        } else if (below < 0) {
            lo = above;
            up = -1;
            for (int i = 0; i < n; ++i)
                if (xs[i] > xs[lo] && (up < 0 || xs[i] - xs[lo] < xs[up] - xs[lo])) up = i;
            if (up < 0) return ys[lo];
        } else {
            lo = below;
            up = above;
        }
        if (xs[up] - xs[lo] == 0) return ys[lo];
    }
    const double r = ys[lo] + (x - xs[lo]) * (ys[up] - ys[lo]) / (xs[up] - xs[lo]);
    return clamp && r < 0 ? 0 : r;
}

double CyclicStep(double position, double maximum, double step, double minimum) {
    double next = position + step;
    if (next > maximum) next = minimum;
    if (next < minimum) next = maximum;
    return next;
}

std::uint32_t RestOfPeriod(std::uint32_t startTick, std::uint32_t periodMs, std::uint32_t nowTick) {
    const std::uint32_t elapsed = nowTick - startTick;
    if (elapsed < periodMs) return std::max<std::uint32_t>(periodMs - elapsed, 50);
    return 200;  // the cycle overran: a short breath before the next one
}

void WaitRestOfPeriod(std::uint32_t startTick, std::uint32_t periodMs, const std::atomic<bool>* stopFlag) {
    const std::uint32_t rest = RestOfPeriod(startTick, periodMs, GetTickCount());
    std::uint32_t slept = 0;
    // Slices of at most 200 ms, so a stop request is seen quickly.
    while (slept < rest && !(stopFlag && stopFlag->load())) {
        const std::uint32_t slice = std::min<std::uint32_t>(rest - slept, 200);
        Sleep(slice);
        slept += slice;
    }
}

AnsiString FloatToDotText(double value) {
    return StringReplace(FloatToStr(value), ",", ".");
}

void ShadeColor(TColor color, TColor& lighter, TColor& darker) {
    const TColor rgb = ColorToRGB(color);
    const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
    darker = RGB(static_cast<int>(r * 0.8), static_cast<int>(g * 0.8), static_cast<int>(b * 0.8));
    if (r < 212 && g < 212 && b < 212)
        lighter = RGB(static_cast<int>(r * 1.2), static_cast<int>(g * 1.2), static_cast<int>(b * 1.2));
    else
        lighter = rgb;
}
