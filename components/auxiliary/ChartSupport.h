// What the auxiliary charts share: stepping through the values of a grid, a tick row or a label row,
// and the answer to drawing that fails.
#pragma once

#include "gui/WinApi.h"

#include <cmath>

namespace auxiliary {

// More grid values than this are not drawn: they would be more lines than any screen has pixels, and
// a step that is tiny against its range (a huge value range, a step of a few seconds over years) would
// hold the paint for as good as ever.
constexpr double MaxGridSteps = 100000;

// Calls f(origin + k * step) for k = first, first + 1, ... while the value stays below limit. Nothing
// is called when the step cannot be stepped (not positive, not finite) or the row is longer than
// MaxGridSteps. Values are computed from k rather than added up, so that a row of multiples of the
// step hits 0 exactly.
template <class F>
void ForEachGridValue(double origin, double step, double first, double limit, F f) {
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(origin) || !(std::fabs(first) < 1e15)) return;
    double count = (limit - origin) / step - first;
    if (!(count <= MaxGridSteps)) return;  // also NaN and an endless limit
    for (long long k = static_cast<long long>(first);; ++k) {
        double v = origin + static_cast<double>(k) * step;
        if (!(v < limit)) break;
        f(v);
    }
}

// Runs a drawing the caller asked for outside a paint. Data that cannot be placed on the screen (NaN
// or infinite values) makes the checked pixel conversions raise; the charts answer with the simple
// beep instead of passing the exception on (a paint is answered the same way by the control itself).
template <class F>
void BeepOnFailure(F f) {
    try {
        f();
    } catch (...) {
        MessageBeep(static_cast<UINT>(-1));
    }
}

}  // namespace auxiliary
