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
// command. Every access to TPufLinkState::PufCommands holds TPufLinkState::PufCommandsLock.
#pragma once

#include "links/PufRecords.h"
#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <vector>

struct TPufLinkState;
class TSQLQuery;
class TThread;

// Starts the thread unless one runs (or is being started); false when none was created. A failed
// database connect shows a box and starts the thread all the same.
bool StartPufThread(TPufLinkState* form);
// Asks the thread to stop and waits at most 1,000 ms; true (and the thread's connection closed) when
// it ended in time. A thread that runs on is left to end after its cycle.
bool StopPufThread(TPufLinkState* form);
// The thread's body: 1 normally, 0 when an exception ended the loop.
int PufThreadProc(TPufLinkState* form, TThread* self);
void PufThreadLoop(TPufLinkState* form, TThread* self = nullptr);
// One failed exchange: the error count (interlocked) and the streak of the transport decision.
void CountPufError(TPufLinkState* form);

// Appends one command line to the queue.
void AppendPufCommand(TPufLinkState* form, const AnsiString& line);
// The set-point dialog for a column ("TRRS"...), then "Set" + column + ":" + the number with a point.
void QueuePufSetpoint(TPufLinkState* form, const AnsiString& caption, const AnsiString& column);
// "SetTime:" + the computer's time as a day count, at most once an hour and never on a LAN client.
void QueuePufSetTime(TPufLinkState* form);

// The columns of a table, read through the query (which is left closed).
std::vector<TPufColumn> PufTableColumns(TSQLQuery* query, const AnsiString& table);
