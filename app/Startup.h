// The program's entry: one copy per station, the working folder, the title, the forms that live for
// the whole run, the message loop.
#pragma once

#include "rtl/AnsiString.h"

class TSingleInstanceLock;

// True when another copy of the program exePath runs: a copy of the same file name (letter case
// ignored) in any folder. The exclusive lock is taken first and kept in lock for the whole run, so
// of two copies started at the same moment exactly one goes on. Only when the lock file cannot be
// opened at all does the process table decide (two or more copies running).
bool AnotherCopyRuns(const AnsiString& exePath, TSingleInstanceLock& lock);

// Creates the forms of the run in their fixed order, the main window first; each global pointer is
// set before its form's constructor runs.
void CreateStartupForms();

// The whole run: priority, single instance, working folder, title, forms, message loop. Always 0.
int RunPlantmon();
