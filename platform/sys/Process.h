// Processes of the station: the running programs, this program's own file, the single-instance
// lock and starting other programs.
#pragma once

#include "rtl/AnsiString.h"

#include <vector>

struct TProcessEntry {
    int Pid = 0;
    // Full path of the program file; for a process whose file cannot be read (another user's) the
    // program name it was started with.
    AnsiString ExeFile;
};

// All processes of the station. False when the process table cannot be read.
bool TakeProcessSnapshot(std::vector<TProcessEntry>& out);

// Full path of this process's program file.
AnsiString GetExecutablePath();

// How many running processes run the program exePath: a process counts when its program path equals
// exePath exactly, or when its file name equals exePath's file name ignoring letter case (a copy
// of the program in another folder counts too). This process counts if it runs that program.
// 0 when the process table cannot be read.
int CountProcessesOfExecutable(const AnsiString& exePath);

// An exclusive lock that lives as long as the object or the process, whichever ends first: the
// system releases it when the holder ends in any way, so a crashed copy never blocks the next
// start. Two copies started at the same moment cannot both get it.
class TSingleInstanceLock {
public:
    TSingleInstanceLock() = default;
    ~TSingleInstanceLock();
    TSingleInstanceLock(const TSingleInstanceLock&) = delete;
    TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

    // The lock file for a program: "<FILE NAME IN UPPER CASE>.instance.lock" in the station's folder
    // for lock files (/run/lock where everyone may write there, else /tmp). Every copy of that file
    // name finds the same file, whatever folder it lies in, whoever starts it and whatever its
    // environment (XDG_RUNTIME_DIR) holds.
    static AnsiString DefaultPath(const AnsiString& exePath);
    // The folder of DefaultPath.
    static AnsiString LockFolder();

    // Takes the lock on the file at path (created when missing) without waiting. False when another
    // process holds it (LastError EWOULDBLOCK) or the file cannot be opened.
    bool TryAcquire(const AnsiString& path);
    void Release();
    bool Held() const noexcept { return fd_ >= 0; }
    const AnsiString& Path() const noexcept { return path_; }
    int LastError() const noexcept { return lastError_; }

private:
    int fd_ = -1;
    AnsiString path_;
    int lastError_ = 0;
};

// Splits a command-line parameter text into arguments: blanks separate, double quotes group, as
// a Windows program reads its command line.
std::vector<AnsiString> SplitCommandLine(const AnsiString& params);

// Starts program (a path, or a name searched in PATH) with args in directory dir (empty: the current
// one), detached: it runs on after this process and leaves no zombie. Returns 0, or the errno of the
// failure (ENOENT when the program is missing, EACCES when it may not run, ...).
int SpawnDetached(const AnsiString& program, const std::vector<AnsiString>& args, const AnsiString& dir);

// Runs program with args and waits at most timeoutMs for it to end; a program still running then is
// killed. Returns its exit code, or -1 when it could not start, was killed or ran out of time
// (errorOut, when given, receives the errno: ETIMEDOUT for the time-out).
int RunAndWait(const AnsiString& program, const std::vector<AnsiString>& args, unsigned timeoutMs,
               int* errorOut = nullptr);
