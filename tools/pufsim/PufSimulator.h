// PufSimulator: plays the flotation controller on a pseudo-terminal and/or a loopback TCP port.
//
// The controller keeps a current state (the columns of puf_state), an event log, and a queue of data
// records with their save flags; it answers the framed commands of the station's line protocol and
// the unframed connect probe "GetTimeA". Faults can be injected per command word, for the next N
// requests, or at random rates (seeded, so a run repeats).
//
// The simulator runs its own I/O thread. Every public member is safe to call from any thread; the
// observation calls return copies. Waiting helpers take deadlines, so tests never sleep blindly.
//
// Texts in the API are UTF-8; the wire carries Windows-1251.
#pragma once

#include "tools/pufsim/PufFrames.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pufsim {

using Days = double;  // a moment as days since 30 December 1899, fraction = time of day (local time)

enum class Transport { Pty, Tcp };

enum class Fault {
    None,
    Silence,            // the request is not heard: no reply, and no effect on the controller
    Delay,              // the reply comes after the fault delay instead of the reply delay
    Garble,             // one byte of the reply is replaced, so the reply no longer checks out
    BadChecksum,        // the reply's checksum is one higher than its sum
    LowerCaseChecksum,  // the reply's checksum is written in lower-case hexadecimal
    Refuse,             // "PUF1:<word>_Error:Refused"; no effect on the controller
    StaleLine,          // a well-formed answer for another command word goes out first
    Split,              // the reply goes out in two writes 100 ms apart
    Trickle,            // the reply goes out one byte every 50 ms
    Drop,               // TCP: the connection is closed instead of an answer, no effect (a pty: silence)
};
const char* FaultName(Fault fault);

// Probabilities per framed request; their sum must not exceed 1.
struct FaultRates {
    double silence = 0;
    double delay = 0;
    double garble = 0;
    double badChecksum = 0;
    double refuse = 0;
    double drop = 0;
};

struct ReceivedLine {
    std::string raw;      // bytes between two CRs as received (Windows-1251)
    Transport transport = Transport::Pty;
    int connection = 0;   // 0 on the pty, TCP connections count from 1
    std::chrono::steady_clock::time_point at;
    LineKind kind = LineKind::Junk;
    int leadingBlanks = 0;
    std::string word;     // UTF-8
    std::string argument; // UTF-8
    bool duplicate = false;  // the same bytes as the previous line of the connection, within the read window
    Fault fault = Fault::None;
};

struct LogEntry {
    int id = 0;
    std::string moment;   // "yyyy-mm-dd hh:nn:ss"
    std::string message;  // UTF-8
};

struct DataRecord {
    std::string key;      // the value of the first pair without quotes, e.g. "2026-12-10 10:00:00"
    std::string text;     // the payload as sent: "RecMoment='2026-12-10 10:00:00',PLF=120.5,..." (UTF-8)
    bool saved = false;
};

struct StateValue {
    std::string column;
    double value = 0;
    bool flag = false;    // small-integer column (written without a decimal point)
};

struct SetpointCommand {
    std::string word;      // "SetTRRS", ...
    std::string argument;  // raw, as received
    bool accepted = false;
};

class PufSimulator {
public:
    PufSimulator();
    ~PufSimulator();
    PufSimulator(const PufSimulator&) = delete;
    PufSimulator& operator=(const PufSimulator&) = delete;

    // --- transports -------------------------------------------------------------------------
    // Opens a pseudo-terminal; the station opens SlavePath(). The simulator keeps a slave
    // descriptor of its own open, so its master never sees a hang-up while the station closes and
    // reopens the port, and clears the terminal's exclusive mode. Both transports may run at once
    // and share one controller. False with LastError() on failure.
    bool StartPty();
    // Listens on 127.0.0.1:port (0 = a free port, see TcpPort()).
    bool StartTcp(int port = 0);
    // Stops the I/O thread and closes every descriptor; observation keeps working afterwards.
    void Stop();
    std::string SlavePath() const;
    int TcpPort() const;
    std::string LastError() const;
    // Clears the exclusive mode a station may have left on the terminal (TIOCNXCL), so that it can
    // reopen the port after closing it.
    void ClearExclusiveMode();
    // Closes every TCP connection now.
    void DropConnections();

    // --- output -----------------------------------------------------------------------------
    // Receives one line per action ("recv GetStateRec", "ack 2026-12-10 10:00:00",
    // "fault silence GetLogRec", ...). Called from the I/O thread and from the control calls,
    // one call at a time.
    void SetActionSink(std::function<void(const std::string&)> sink);
    // Also report every line received and sent ("in  ...", "out ...").
    void SetVerbose(bool verbose);

    // --- behaviour --------------------------------------------------------------------------
    void SetReplyDelay(std::chrono::milliseconds delay);   // default 20 ms
    // Delay of the Delay fault; by default 300 ms on TCP (the client resends) and 1,500 ms on the
    // pty (the station's first read runs out, the second one succeeds).
    void SetFaultDelay(std::chrono::milliseconds delay);
    void SetReplyStyle(const ReplyStyle& style);
    void SetCrLf(bool crlf);              // end replies with CR LF instead of CR
    void SetBanner(bool banner);          // greet TCP clients with "Kelvaron query server" CR NUL
    void SetLenientDecimal(bool lenient); // accept "7,5" in set-points (strict: refused)
    // Answer a request with a bad checksum with "PUF1:<word>_Error:BAD CRC" instead of the
    // controller's usual "PUF1Error:BAD CRC<051F>".
    void SetBadCrcRefusal(bool refusal);
    // Keep at most this many received lines and saved records (0 = no limit, the default).
    void SetHistoryLimit(std::size_t limit);

    // --- faults -----------------------------------------------------------------------------
    void SetSeed(std::uint64_t seed);
    void SetFaultRates(const FaultRates& rates);  // false rates (negative, sum > 1) are clamped away
    // The next `count` requests (for `word`, or for any word when it is empty) get the fault.
    void InjectFault(Fault fault, int count, const std::string& word = "");
    // Every request for `word` (any word when empty) gets the fault until set to Fault::None.
    void SetPersistentFault(Fault fault, const std::string& word = "");
    // A transport that hears but never answers.
    void SetTransportSilent(Transport transport, bool silent);
    // The next `count` answers for `word` carry this payload instead of the controller's (UTF-8).
    void OverridePayload(const std::string& word, const std::string& payload, int count = 1);
    // The next `count` answers for `word` are replaced by these exact bytes (a line end follows).
    void InjectRawLine(const std::string& word, const std::string& bytes, int count = 1);
    // Forgets injected, persistent and transport faults and overrides; rates go to zero.
    void ClearFaults();

    // --- the controller ---------------------------------------------------------------------
    std::vector<StateValue> State() const;
    double Value(const std::string& column) const;  // NaN for an unknown column
    bool SetValue(const std::string& column, double value);
    Days Clock() const;
    void SetClock(Days moment);
    // Stops the controller's clock at its reading (for a test that checks the moments the controller
    // reports), or lets it run on from there.
    void SetClockRunning(bool running);
    // Appends a log entry; an empty moment means the controller's clock. Returns its id.
    int AddLogEntry(const std::string& message, const std::string& moment = "");
    // Appends an unsaved record holding the current state. An empty moment means the controller's
    // clock, moved on by whole seconds past the last record so that keys stay unique. Returns the key.
    std::string AddRecord(const std::string& moment = "");
    // Appends an unsaved record with an arbitrary payload (for malformed records); `key` is the
    // text that SetSaveFlag must carry to mark it.
    void AddRecordText(const std::string& key, const std::string& text);
    std::vector<LogEntry> LogEntries() const;
    std::vector<DataRecord> Records() const;         // saved and unsaved, oldest first
    std::vector<DataRecord> UnsavedRecords() const;

    // --- observation ------------------------------------------------------------------------
    std::vector<ReceivedLine> Lines() const;
    int LineCount() const;                          // every line received, including dropped history
    int Count(const std::string& word) const;       // requests for the word, duplicates included
    int DuplicateCount(const std::string& word = "") const;
    int FaultCount(Fault fault) const;
    int BadChecksumCount() const;
    int JunkCount() const;
    int EchoCount() const;
    int ConnectionCount() const;                    // TCP connections accepted so far
    std::vector<int> DeletedLogIds() const;         // DeleteLogRec arguments that were executed
    std::vector<std::string> SaveFlagArguments() const;  // SetSaveFlag arguments, duplicates left out
    std::vector<std::string> AcknowledgedKeys() const;   // records that SetSaveFlag marked saved, in order
    std::vector<std::string> SetTimeArguments() const;   // raw, duplicates left out
    std::vector<SetpointCommand> Setpoints() const;      // duplicates left out

    // --- waiting ----------------------------------------------------------------------------
    // Waits until pred() holds (re-checked after every change) or the timeout passes; returns pred().
    // pred may call any observation member.
    bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const;
    bool WaitForCount(const std::string& word, int n, std::chrono::milliseconds timeout) const;
    bool WaitForLines(int n, std::chrono::milliseconds timeout) const;
    bool WaitForAcknowledged(int n, std::chrono::milliseconds timeout) const;
    bool WaitForConnections(int n, std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The state columns of puf_state / puf_data in table order, with the values a new simulator starts
// with.
std::vector<StateValue> DefaultState();

// "yyyy-mm-dd hh:nn:ss" of a moment, rounded to whole seconds.
std::string FormatMoment(Days moment);
// The local wall clock as a day count.
Days LocalNow();
// A number as the controller writes it: shortest exact form, always with a decimal point.
std::string FormatNumber(double value);

}  // namespace pufsim
