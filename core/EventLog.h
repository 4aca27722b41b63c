// The event log: a bounded queue of event texts that any thread may post to, drained once a second
// by the main window's log timer into one text file a day in the folder LOG beside the executable.
//
// Worker threads and screens never show their errors in boxes; they post a text here instead:
//     PostEvent("Ошибка в TFormFlotGraph::Reload()", 0);
// An entry's flag word may also ask the log timer to show it in the notice window (TShowErrorForm).
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <cstdint>
#include <mutex>
#include <vector>

// Flag bits of an entry that the log timer looks at.
constexpr int evShowNotice = 0x0001;  // show the entry in a notice window
constexpr int evNoticeRed = 0x0080;   // that window is red instead of blue
constexpr int evNewNotice = 0x0100;   // open a window of its own instead of reusing ShowErrorForm

// One queued entry.
struct TEventFIFO_Rec {
    AnsiString Text;
    TDateTime Time = 0;            // the computer's time at the push
    std::uint64_t TickSeconds = 0;  // seconds since the computer started, at the push (64-bit: no wrap)
    std::int32_t Flags = 0;
};

// A ring of a fixed number of entries. Push and Pop each hold one lock for the whole of their work,
// so posts from many threads at once never share a slot or hand a half-written text to the reader;
// the lock is held only for a copy, so posting never waits long.
class TEventFIFO {
public:
    // A capacity below 10 gives 10.
    explicit TEventFIFO(int capacity);
    TEventFIFO(const TEventFIFO&) = delete;
    TEventFIFO& operator=(const TEventFIFO&) = delete;

    // Stores the text with the current time and uptime. False when the ring is full.
    bool Push(const AnsiString& text, int flags);
    // Takes the oldest entry out. False when there is none.
    bool Pop(AnsiString& text, TDateTime& time, std::uint64_t& tickSeconds, int& flags);
    int GetCount() const;
    int Capacity() const { return capacity_; }

private:
    mutable std::mutex m_;
    std::vector<TEventFIFO_Rec> records_;
    int count_ = 0;
    int writeIndex_ = 0;
    int readIndex_ = 0;
    int capacity_ = 0;
};

// The queue of the process: 400 entries, there before any form is created.
extern TEventFIFO EventFIFO;

// Posts an event from any thread. A null text is refused (false, silently); when the queue is full
// the post is dropped with a default beep and false. An empty text is a valid entry.
bool PostEvent(const char* text, int flags);
bool PostEvent(const AnsiString& text, int flags);

// ---- The daily file ------------------------------------------------------------------------------
// The folder of the daily files: the program's folder + "LOG" (ProgramFileName, Global.h).
AnsiString EventLogDir();
// Full name of the file for a date: <EventLogDir()>/dd_mm_yyyy.log.
AnsiString DailyLogFileName(TDateTime date);
// "n | tick seconds | dd.mm.yyyy | hh:nn:ss | text".
AnsiString FormatLogLine(int lineNo, std::uint64_t tickSeconds, TDateTime time, const AnsiString& text);
// Appends line + CR LF to today's file (the date taken now), creating the folder and the file when
// missing; the file is opened and closed for each line. False when it could not be written.
bool AppendDailyLog(const AnsiString& line);
