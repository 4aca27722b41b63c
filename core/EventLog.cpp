#include "core/EventLog.h"

#include "core/Global.h"
#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/SysUtils.h"

TEventFIFO EventFIFO(400);

TEventFIFO::TEventFIFO(int capacity) : capacity_(capacity < 10 ? 10 : capacity) {
    records_.resize(static_cast<std::size_t>(capacity_));
}

bool TEventFIFO::Push(const AnsiString& text, int flags) {
    // Time and uptime are taken before the lock so that the lock covers only the copy.
    const TDateTime now = Now();
    const std::uint64_t tick = GetTickCount64() / 1000;
    std::lock_guard<std::mutex> lock(m_);
    if (count_ >= capacity_) return false;
    TEventFIFO_Rec& rec = records_[static_cast<std::size_t>(writeIndex_)];
    rec.Text = text;
    rec.Time = now;
    rec.TickSeconds = tick;
    rec.Flags = flags;
    if (++writeIndex_ >= capacity_) writeIndex_ = 0;
    ++count_;
    return true;
}

bool TEventFIFO::Pop(AnsiString& text, TDateTime& time, std::uint64_t& tickSeconds, int& flags) {
    std::lock_guard<std::mutex> lock(m_);
    if (count_ < 1) return false;
    TEventFIFO_Rec& rec = records_[static_cast<std::size_t>(readIndex_)];
    text = std::move(rec.Text);
    rec.Text = AnsiString();
    time = rec.Time;
    tickSeconds = rec.TickSeconds;
    flags = rec.Flags;
    if (++readIndex_ >= capacity_) readIndex_ = 0;
    --count_;
    return true;
}

int TEventFIFO::GetCount() const {
    std::lock_guard<std::mutex> lock(m_);
    return count_;
}

bool PostEvent(const char* text, int flags) {
    if (!text) return false;
    return PostEvent(AnsiString(text), flags);
}

bool PostEvent(const AnsiString& text, int flags) {
    if (EventFIFO.Push(text, flags)) return true;
    BeepAt("event log full");
    return false;
}

// ---- The daily file --------------------------------------------------------------------------------
AnsiString EventLogDir() {
    return ExtractFilePath(ProgramFileName()) + "LOG";
}

AnsiString DailyLogFileName(TDateTime date) {
    return IncludeTrailingPathDelimiter(EventLogDir()) + FormatDateTime("dd'_'mm'_'yyyy", date) + ".log";
}

AnsiString FormatLogLine(int lineNo, std::uint64_t tickSeconds, TDateTime time, const AnsiString& text) {
    return IntToStr(lineNo) + " | " + AnsiString(static_cast<unsigned long long>(tickSeconds)) + " | " +
           FormatDateTime("dd'.'mm'.'yyyy", time) + " | " + FormatDateTime("hh':'nn':'ss", time) + " | " + text;
}

bool AppendDailyLog(const AnsiString& line) {
    int handle = -1;
    try {
        const AnsiString dir = EventLogDir();
        if (!DirectoryExists(dir)) ForceDirectories(dir);
        const AnsiString name = DailyLogFileName(Now());
        handle = FileExists(name) ? FileOpen(name, fmOpenReadWrite) : FileCreate(name);
        if (handle < 0) return false;
        // One write of the whole line, so a line is never split between two writers.
        const AnsiString bytes = line + "\r\n";
        bool ok = FileSeek(handle, 0, 2) >= 0 && FileWrite(handle, bytes.data(), bytes.Length()) == bytes.Length();
        FileClose(handle);
        return ok;
    } catch (...) {
        if (handle >= 0) FileClose(handle);
        return false;
    }
}
