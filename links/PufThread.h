// The PUF worker thread: polls the flotation controller without pause and writes what it reads into
// the process database. Each cycle sends at most one queued operator command, moves one record of
// the controller's event log into puf_log, writes the controller's state into puf_state and copies
// one unsaved data record into puf_data.
//
// Nothing is lost and nothing is written twice: a data record is acknowledged (SetSaveFlag) only once
// its row is in puf_data, a log record is deleted in the controller only once its row is in puf_log;
// a write that fails for a passing reason (no connection, a server error) leaves the record in the
// controller for a later cycle. Nothing from the controller reaches SQL unchecked: column names must be
// columns of the table, values are bound as parameters and accepted only as plain SQL literals the
// column can hold.
//
// What can never be stored must not stop the records behind it, since the controller offers its
// oldest record first again and again: a data record is written with the pairs that pass the checks
// and acknowledged, the dropped pairs named once in the event log; a record whose key is no value the
// key column can hold is acknowledged unwritten, with its event-log line. A log entry whose moment
// cannot be read is stored with the moment of its receipt, the controller's text of the moment at the
// front of its message. No line break from an answer ever goes into a request: such an id or key is
// reported and left alone.
//
// The database may be away (a server restart, a broken network): the loop goes on, tries the
// connection again every cycle, and works with the controller's records only while it is there.
// A serial port whose device goes away is opened again by the next cycle.
//
// This unit also holds the producers of queued commands: the set-point request and the hourly time
// command. Every access to TFormMain::PufCommands holds TFormMain::PufCommandsLock.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <vector>

class TFormMain;
class TSQLQuery;
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
// A column of puf_state or puf_data as the checks see it.
struct TPufColumn {
    enum Kind { Number, Moment, Text };
    AnsiString name;  // the table's own spelling
    Kind kind = Text;
    bool nullable = true;
};
// The columns of a table, read through the query (which is left closed).
std::vector<TPufColumn> PufTableColumns(TSQLQuery* query, const AnsiString& table);

// One column=value pair of a state or data record, checked.
struct TPufPair {
    enum Kind { Null, Number, Text, Now };
    AnsiString column;  // the table's own spelling
    Kind kind = Null;
    AnsiString value;   // the number as written, or the text without its quotes
    bool isMoment = false;
    TDateTime moment = 0;  // a text for a date-time column, read
};

// Checks one name=value piece: the name must be one of columns (letter case ignored); the value NULL
// (where the column allows it), a number, a text in single quotes (a quote inside doubled) or Now(),
// and one the column can hold: a number column takes numbers (a quoted text only when it is one), a
// date-time column a text that reads as a moment (PufReadMoment) or Now(). False with the reason.
bool PufCheckPair(const AnsiString& piece, const std::vector<TPufColumn>& columns, TPufPair& pair, AnsiString& why);

// A piece of a record that failed its check, as the controller sent it, and why.
struct TPufRefusedPair {
    AnsiString piece;
    AnsiString why;
};
// Splits a record at its commas into name=value pieces (pieces without "=" are skipped) and checks each:
// the pairs that pass go to pairs, in record order, the others to refused.
void PufCheckPairs(const AnsiString& record, const std::vector<TPufColumn>& columns, std::vector<TPufPair>& pairs,
                   std::vector<TPufRefusedPair>& refused);

// The statements built from checked pairs; values are the parameters :v0, :v1, ... in pair order, the
// key's value the parameter :k (Now() stays a call, never a parameter).
AnsiString PufStateUpdateSql(const std::vector<TPufPair>& pairs);
AnsiString PufDataExistsSql(const TPufPair& key);
AnsiString PufDataUpdateSql(const std::vector<TPufPair>& pairs, const TPufPair& key);
AnsiString PufDataInsertSql(const std::vector<TPufPair>& pairs);
// The key value that SetSaveFlag carries: the first pair's text after "=", trimmed, one quote at
// each end removed, trimmed again. Empty when the piece holds no "=".
AnsiString PufSaveFlagKey(const AnsiString& record);

// A moment as the database server reads one: the date with any punctuation between year (four
// digits, or two), month and day, leading zeros optional, then optionally a blank or "T" and the time
// with hours and minutes, optionally seconds and a fraction ("2024-5-1 07:00:00", "2024/05/01 07:00",
// "2024-05-01T07:00:00.5"); or the digits alone ("20240501", "20240501070000"). It must name a real
// day and time of day. False for anything else, the zero date included.
bool PufReadMoment(const AnsiString& text, TDateTime& out);

// A log record "id TAB moment TAB message", split (the moment is read where it can be).
struct TPufLogRecord {
    AnsiString id;
    AnsiString moment;   // as the controller sent it
    AnsiString message;
    bool momentRead = false;
    TDateTime postMoment = 0;  // the moment, when it could be read
};
// False with the reason when the record cannot be split or its id is empty or holds a line break.
bool PufParseLogRecord(const AnsiString& record, TPufLogRecord& out, AnsiString& why);
