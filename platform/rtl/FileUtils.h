// Paths and files.
//
// Paths use '/'. Every routine here accepts the Windows spelling that stored settings and forms
// carry (".\GraphColors.INI", "Template\Page.html") and reads it as the POSIX path; a relative path
// is relative to the current directory, which the application sets to the executable's folder.
#pragma once

#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <cstdint>
#include <functional>

constexpr char PathDelim = '/';

// "\" becomes "/"; nothing else changes (".\X.INI" -> "./X.INI").
AnsiString PosixPath(const AnsiString& path);

AnsiString ExtractFilePath(const AnsiString& fileName);  // up to and including the last '/'
AnsiString ExtractFileDir(const AnsiString& fileName);   // the same without the trailing '/'
AnsiString ExtractFileName(const AnsiString& fileName);
AnsiString ExtractFileExt(const AnsiString& fileName);   // with the dot, "" when none
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& ext);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);
// Absolute path with "." and ".." resolved (the file need not exist).
AnsiString ExpandFileName(const AnsiString& fileName);

bool FileExists(const AnsiString& fileName);  // a regular file (or a link to one)
bool DirectoryExists(const AnsiString& dir);
// Creates the directory and any missing parents; true when it exists afterwards. An empty name
// raises EInOutError.
bool ForceDirectories(const AnsiString& dir);
bool CreateDir(const AnsiString& dir);
bool RemoveDir(const AnsiString& dir);
bool DeleteFile(const AnsiString& fileName);
bool RenameFile(const AnsiString& oldName, const AnsiString& newName);
// Last modification time as local TDateTime; false when the file does not exist.
bool FileAge(const AnsiString& fileName, TDateTime& out);
// Size in bytes, -1 when the file does not exist.
long long FileSizeOf(const AnsiString& fileName);

AnsiString GetCurrentDir();
bool SetCurrentDir(const AnsiString& dir);

// The running executable (/proc/self/exe) and its arguments (/proc/self/cmdline).
AnsiString ExecutableFileName();
int ParamCount();
AnsiString ParamStr(int index);  // 0 = the executable's full path

// Free bytes of the file system that holds the current directory (drive 0); -1 for any other
// drive number or on failure. While a source is set (tests: a full disk), DiskFree answers through it.
long long DiskFree(int drive);
void SetDiskFreeSource(std::function<long long(int drive)> source);  // empty function: the real answer

// ---- Handles -----------------------------------------------------------------------------------
// Open modes and share modes for FileOpen and TFileStream. Share modes are advisory locks here:
// exclusive and deny-write opens fail while another handle holds a conflicting one.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// -1 on failure (errno tells why).
int FileOpen(const AnsiString& fileName, unsigned mode);
int FileCreate(const AnsiString& fileName);
int FileRead(int handle, void* buffer, int count);
int FileWrite(int handle, const void* buffer, int count);
// origin 0 = start, 1 = current, 2 = end; returns the new position or -1.
long long FileSeek(int handle, long long offset, int origin);
void FileClose(int handle);

// ---- Directory search ----------------------------------------------------------------------------
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

struct TSearchRec {
    AnsiString Name;       // the entry's name, without its folder
    long long Size = 0;
    int Attr = 0;
    TDateTime Time = 0;    // last modification, local time
    // search state
    AnsiString Dir_;
    AnsiString Mask_;
    int WantAttr_ = 0;
    void* Handle_ = nullptr;
};

// path = folder + mask with '*' and '?' (matched without regard to case, as on the plant's
// Windows machines). Entries with the directory or hidden attribute are found only when attr asks
// for them; "." and ".." are listed like on Windows. 0 = found, else an errno value.
int FindFirst(const AnsiString& path, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
// '*' and '?' matching, case-insensitive.
bool MatchesMask(const AnsiString& name, const AnsiString& mask);
