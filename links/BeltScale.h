// The two belt scales as the program knows them: current load, minute mass and totalising counter
// read by the Vision thread (or, on a LAN-client station, taken from the belt tables by the state
// timer), and the operator's tare and belt-weight requests written by the tare dialog.
//
// BeltScales[0] is conveyor 386-2 (table belt_386_2), BeltScales[1] conveyor 401 (table belt_401).
// The records are shared between the Vision thread and the GUI thread: every access holds
// BeltScalesLock, and a writer changes all the fields of one update under a single hold, so a reader
// never sees a record half-written. Screens take a copy with ReadBeltScale; writers change a record
// with UpdateBeltScale.
#pragma once

#include "rtl/DateUtils.h"

#include <cstdint>
#include <mutex>

struct TBeltScaleRec {
    double TNK = 0;          // current belt load, t/h
    double G_1T1 = 0;        // mass of the current minute, t
    double CLK = 0;          // current belt-weight code
    double N_CLK = 0;        // new belt-weight code found by a belt-weight run
    double KP = 0;           // the scale's current coefficient
    std::uint8_t BKK = 0;    // the belt runs (0 or 1)
    std::uint8_t LLK = 0;    // a belt-weight run is in progress
    double CLK_PERCENT = 0;  // progress of the belt-weight run, 0..100
    std::uint8_t _LLK = 0;   // operator request: start a belt-weight run
    std::uint8_t _R_LLK = 0; // operator request: abort it
    std::uint8_t _E_CLK = 0; // operator request: accept the new code
    std::uint8_t _LTK = 0;   // operator request: a tare check runs
    double G_TAR = 0;        // mass weighed during the tare check
    double KP1 = 0, KP2 = 0, KP3 = 0, KP4 = 0;          // trial coefficients around KP
    double TNK1 = 0, TNK2 = 0, TNK3 = 0, TNK4 = 0;      // loads under the trial coefficients
    double G1T1 = 0, G1T2 = 0, G1T3 = 0, G1T4 = 0;      // masses under the trial coefficients
    std::uint8_t R_V = 0;    // shown by the console only
    double STEP_KP = 0;      // step of the trial coefficients in percent, 1..20
    double I_1T1 = 0;        // totalising counter, kg
    TDateTime RecMoment = 0; // newest minute row found when the record was restored from its table
    // "yyyy-mm-dd hh:nn:00" of the minute row being filled; empty: not restored yet; "?": the table
    // held no row.
    char MinuteKey[24] = {};
    double MinuteBaseline = 0;  // counter at the start of the current minute

    // The trial coefficient, load and mass i (1..4).
    double& KPn(int i);
    double& TNKn(int i);
    double& G1Tn(int i);
    double KPn(int i) const { return const_cast<TBeltScaleRec*>(this)->KPn(i); }
    double TNKn(int i) const { return const_cast<TBeltScaleRec*>(this)->TNKn(i); }
    double G1Tn(int i) const { return const_cast<TBeltScaleRec*>(this)->G1Tn(i); }
};

extern TBeltScaleRec BeltScales[2];
extern std::mutex BeltScalesLock;

// A consistent copy of record index (0 or 1).
TBeltScaleRec ReadBeltScale(int index);

// Runs change on record index with BeltScalesLock held, so its whole change is seen at once.
template <class F>
void UpdateBeltScale(int index, F&& change) {
    std::lock_guard<std::mutex> lock(BeltScalesLock);
    change(BeltScales[index]);
}

// Clears both records entirely (the main window does it at construction).
void ClearBeltScales();

// Belt names in table names: "386_2" and "401"; tables "belt_386_2" and "belt_401".
const char* BeltName(int index);
AnsiString BeltTable(int index);
