// The flotation controller's records as the PUF thread checks them before anything reaches SQL, and
// the statements built from what passed: no database, no controller, no thread here.
//
// Nothing from the controller reaches SQL unchecked: column names must be columns of the table, values
// are bound as parameters and accepted only as plain SQL literals the column can hold. What can never
// be stored is named with its reason, so the thread can settle it once.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <vector>

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

// Whether a text from the controller holds a line break (it must never go back into a request).
bool PufHasLineBreak(const AnsiString& text);
// A text from the controller as the event log shows it: one line, and not too long.
AnsiString PufClipText(const AnsiString& text);
