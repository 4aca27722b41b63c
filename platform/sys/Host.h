// What the program asks of the station as a whole: setting the clock, shutting the computer down,
// the priority of the process, and handing a file or folder to the desktop.
//
// These requests reach beyond the program, and some need privileges a station may not grant, so
// they all go through one interface. The program uses SystemHost(); the real host is installed by
// default, and tests install a TRecordingSystemHost that only records what was asked.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <mutex>
#include <vector>

// Priority classes of a process.
enum TProcessPriority { ppIdle, ppBelowNormal, ppNormal, ppAboveNormal, ppHigh, ppRealtime };

// Results of ShellExecute, as the Windows shell gives them: a value above 32 is success.
constexpr int SE_ERR_FNF = 2;            // file not found
constexpr int SE_ERR_PNF = 3;            // folder not found
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;            // the program could not be started
constexpr int SE_ERR_NOASSOC = 31;       // no program to open the file with
constexpr int SE_OK = 33;

class ISystemHost {
public:
    virtual ~ISystemHost() = default;
    // Sets the computer's clock to a local date and time. False when it was not set.
    virtual bool SetLocalTime(TDateTime localTime) = 0;
    // Asks the system to shut the computer down (not forced). True when the request was accepted;
    // what happens afterwards is the system's business.
    virtual bool PowerOff() = 0;
    // True when the process now runs at that priority; false when the system refuses, and the
    // process carries on at the one it had.
    virtual bool SetProcessPriority(TProcessPriority priority) = 0;
    // Starts a program file (with params, in dir) or opens any other file or folder with the
    // desktop's handler, without waiting; maximized asks for its window to fill the screen, where
    // the desktop takes such a wish. Returns SE_OK or one of the SE_ERR_ codes.
    virtual int ShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir,
                             bool maximized = false) = 0;
};

// The host the program uses. Never null.
ISystemHost& SystemHost();
// Installs a host (tests); nullptr puts the real one back. The caller keeps ownership.
void SetSystemHost(ISystemHost* host);

// The station itself.
// - The clock is set with clock_settime when the process may set it (CAP_SYS_TIME); a station
//   that runs the program unprivileged records the request instead (ClockRequests) and answers
//   false, so that nothing fails noisily.
// - Power-off goes to the system's power service (logind through systemctl), which decides
//   whether this user may shut the station down.
// - The desktop handler is xdg-open. Neither it nor a program started directly takes a window state,
//   so a wish for a maximized window is left to the desktop's own habits.
class TRealSystemHost : public ISystemHost {
public:
    TRealSystemHost();
    // For tests of the mechanics: other commands in place of the power service and the opener.
    TRealSystemHost(std::vector<AnsiString> powerOffCommand, AnsiString opener);

    bool SetLocalTime(TDateTime localTime) override;
    bool PowerOff() override;
    bool SetProcessPriority(TProcessPriority priority) override;
    int ShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir,
                     bool maximized = false) override;

    // Clock requests that were recorded instead of applied.
    std::vector<TDateTime> ClockRequests() const;
    // errno of the last failed request.
    int LastError() const;

private:
    std::vector<AnsiString> powerOffCommand_;
    AnsiString opener_;
    mutable std::mutex m_;
    std::vector<TDateTime> clockRequests_;
    int lastError_ = 0;
};

// Records every request and answers with the configured results. Safe to call from any thread.
class TRecordingSystemHost : public ISystemHost {
public:
    struct ShellRequest {
        AnsiString File, Params, Dir;
        bool Maximized = false;
    };

    bool SetLocalTime(TDateTime localTime) override;
    bool PowerOff() override;
    bool SetProcessPriority(TProcessPriority priority) override;
    int ShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir,
                     bool maximized = false) override;

    std::vector<TDateTime> ClockRequests() const;
    int PowerOffRequests() const;
    std::vector<TProcessPriority> PriorityRequests() const;
    std::vector<ShellRequest> ShellRequests() const;

    // What the calls answer (all succeed by default).
    void SetResults(bool clock, bool powerOff, bool priority, int shell);

private:
    mutable std::mutex m_;
    std::vector<TDateTime> clock_;
    int powerOff_ = 0;
    std::vector<TProcessPriority> priority_;
    std::vector<ShellRequest> shell_;
    bool clockResult_ = true, powerOffResult_ = true, priorityResult_ = true;
    int shellResult_ = SE_OK;
};

// ---- Helpers of the real host, exposed for their tests ----

// Seconds and nanoseconds since the Unix epoch of a local date and time, by the time zone in force
// (TZ). False for a moment the calendar cannot hold.
bool LocalDateTimeToUnix(TDateTime localTime, long long& seconds, long& nanoseconds);
// Whether a capability bit is set in the effective set of a /proc/<pid>/status text.
bool StatusHasCapability(const AnsiString& statusText, int capability);
