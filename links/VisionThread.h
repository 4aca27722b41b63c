// The Vision worker thread: about once a second it reads the two belt scales and the hydrosizer over
// the main window's VisionLink and writes their current rows and one row per minute into the
// database over its own connection (SQLConnectionV120_Link, query SQLQueryV120).
//
//   belt scales (PKN_UnitID): bits 10, 11 -> BKK; 16-bit 50, 51 -> TNK; 32-bit 50, 51 -> counter (kg)
//   hydrosizer (PUG_UnitID): 16-bit 55, 65, 5, 4 -> PL2_GS, RV2_GS, PL3_GS, TRTW_GS
//
// Belt rows: belt_386_2 / belt_401 (one per minute, keyed "yyyy-mm-dd hh:nn:00") and their _state
// rows; hydrosizer rows: pug (one per minute) and pug_state. The minute mass is the counter's rise
// since the end of the previous minute.
//
// Faults a station meets: while the database is away the records still follow the controllers, each
// cycle tries its statements again (the minute in progress is written once the server is back) and
// the lamps' times (BeltLastReadTime, PugLastReadTime) stand still; a serial device that goes away is
// opened again by the next poll, its loss posted once.
#pragma once

#include "rtl/AnsiString.h"

class TFormMain;
class TThread;

// Starts the thread unless one runs (or was started and has not ended yet). True when a thread was
// created.
bool StartVisionThread(TFormMain* main);
// Asks the thread to stop and waits for it at most 1000 ms; true when it ended in that time (or no
// thread was there). A thread that takes longer is left to end by itself; the main window joins it
// before anything it uses is freed.
bool StopVisionThread(TFormMain* main);

// The thread's procedure: marks the thread active, runs the loop, and clears the mark on every way
// out. 1, or 0 when an exception ended the loop.
int VisionThreadProc(TThread& thread);
// Opens the link with the configured port and speed (or posts why it cannot and returns), then runs
// one poll cycle every 980 ms until the stop flag is set. self, when given, is raised to the highest
// normal priority.
void VisionThreadLoop(TFormMain* main, TThread* self = nullptr);
// One read of both belt scales and the writing of their rows; true when both were read and written.
bool PollBeltScales(TFormMain* main);
// One read of the hydrosizer and the writing of its rows; true when all four values were read and
// written.
bool PollHydrosizer(TFormMain* main);

// One line into the belt journal (belt_log) with the server's time, on the Vision thread's
// connection. A failed statement raises the database exception to the caller.
void InsertBeltLog(TFormMain* main, const AnsiString& text);

// The checks that create the missing state rows run once per program run. A test that starts a new
// run against a fresh database forgets them here.
void ResetVisionStateChecks();

// PL2_GS x RV2_GS x 0.001: the hydrosizer's solids load in t/h (the product taken without overflow).
double HydroSolidsLoad(int pl2, int rv2);
