// The PUF worker thread: polls the flotation controller without pause and writes what it reads into
// the process database. Each cycle sends at most one queued operator command, moves one record of
// the controller's event log into puf_log, writes the controller's state into puf_state and copies
// one unsaved data record into puf_data.
//
// Nothing is lost and nothing is written twice: a data record is acknowledged (SetSaveFlag) only once
// its row is in puf_data, a log record is deleted in the controller only once its row is in puf_log;
// a failed write leaves the record in the controller for a later cycle. Nothing from the controller
// reaches SQL unchecked: column names must be columns of the table, values are bound as parameters
// and accepted only as plain SQL literals; a record that fails the checks is refused like a failed
// write and reported to the event log.
//
// This unit also holds the producers of queued commands: the set-point request and the hourly time
// command. Every access to TFormMain::PufCommands holds TFormMain::PufCommandsLock.
#pragma once

#include "rtl/AnsiString.h"

#include <vector>

class TFormMain;
class TThread;

// Starts the thread unless one runs (or is being started); false when none was created. A failed
// database connect shows a box and starts the thread all the same.
bool StartPufThread(TFormMain* form);
// Asks the thread to stop and waits at most 1,000 ms; true (and the thread's connection closed) when
// it ended in time. A thread that runs on is left to end after its cycle.
bool StopPufThread(TFormMain* form);
// The thread's body: 1 normally, 0 when an exception ended the loop.
int PufThreadProc(TFormMain* form, TThread* self);
void PufThreadLoop(TFormMain* form, TThread* self = nullptr);
// One failed exchange: the error count (interlocked) and the streak of the transport decision.
void CountPufError(TFormMain* form);

// Appends one command line to the queue.
void AppendPufCommand(TFormMain* form, const AnsiString& line);
// The set-point dialog for a column ("TRRS"...), then "Set" + column + ":" + the number with a point.
void QueuePufSetpoint(TFormMain* form, const AnsiString& caption, const AnsiString& column);
// "SetTime:" + the computer's time as a day count, at most once an hour and never on a LAN client.
void QueuePufSetTime(TFormMain* form);

// A decimal integer with an optional sign and nothing else.
bool TryDecimalToInt(const AnsiString& text, int& value);

// ---- Records from the controller --------------------------------------------------------------------
// One column=value pair of a state or data record, checked.
struct TPufPair {
    enum Kind { Null, Number, Text, Now };
    AnsiString column;  // the table's own spelling
    Kind kind = Null;
    AnsiString value;   // the number as written, or the text without its quotes
};

// Splits a record at its commas into name=value pairs (pieces without "=" are skipped) and checks
// each: the name must be one of columns (letter case ignored), the value NULL, a number, a text in
// single quotes (a quote inside doubled) or Now(). False with the reason when a pair fails.
bool PufParsePairs(const AnsiString& record, const std::vector<AnsiString>& columns, std::vector<TPufPair>& pairs,
                   AnsiString& why);

// The statements built from checked pairs; values are the parameters :v0, :v1, ... in pair order, the
// key's value the parameter :k (Now() stays a call, never a parameter).
AnsiString PufStateUpdateSql(const std::vector<TPufPair>& pairs);
AnsiString PufDataExistsSql(const TPufPair& key);
AnsiString PufDataUpdateSql(const std::vector<TPufPair>& pairs, const TPufPair& key);
AnsiString PufDataInsertSql(const std::vector<TPufPair>& pairs);
// The key value that SetSaveFlag carries: the first pair's text after "=", trimmed, one quote at
// each end removed, trimmed again. Empty when the piece holds no "=".
AnsiString PufSaveFlagKey(const AnsiString& record);

// A log record "id TAB moment TAB message", split and checked (the moment must be a date and time).
struct TPufLogRecord {
    AnsiString id;
    AnsiString moment;
    AnsiString message;
};
bool PufParseLogRecord(const AnsiString& record, TPufLogRecord& out, AnsiString& why);
