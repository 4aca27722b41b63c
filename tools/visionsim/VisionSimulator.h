// A Vision PLC line on a pseudo-terminal: the belt-scale and hydrosizer controllers answering PCOM ASCII frames.
//
// A test runs it in-process: Start() opens the pty and a thread that answers frames; the test points the link at
// SlavePath(), steers the controllers and the faults through the methods below and waits on what it observes
// with the Wait* helpers (deadlines, no fixed sleeps). Every method is safe to call from any thread.
#pragma once

#include "PlcModel.h"
#include "PurgedReplies.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace visionsim {

// One frame that arrived on the line and what became of it. Times are milliseconds since Start().
struct FrameRecord {
    double receivedMs = 0;       // when its carriage return was read
    std::string request;         // from "/" up to, not including, the carriage return
    Disposition disposition = Disposition::Malformed;
    int unit = -1;               // -1 when the unit digits were unreadable
    std::string command;         // empty when no command was recognised
    Fault fault = Fault::None;
    std::string reply;           // as sent, with its carriage return; empty when nothing was sent
    double replyDueMs = 0;       // first byte of the reply scheduled for
    double replyEndMs = 0;       // last byte scheduled for (later than replyDueMs only for a trickle)
};

struct ActionLine {
    double timeMs = 0;
    bool frame = false;          // true: a frame and its reply; false: something the controllers did
    std::string text;
};

class VisionSimulator {
public:
    explicit VisionSimulator(SimulatorConfig config = {});
    ~VisionSimulator();
    VisionSimulator(const VisionSimulator&) = delete;
    VisionSimulator& operator=(const VisionSimulator&) = delete;

    // Opens a pty, keeps a slave descriptor of its own open (so closing and reopening the port never hangs the
    // line up) and starts answering. Throws std::system_error when no pty can be had or when already started.
    void Start();
    // Ends the thread and closes the pty; replies still waiting are dropped. Safe to call twice.
    void Stop();
    bool Running() const { return running_.load(); }
    std::string SlavePath() const;

    // Called on the simulator's thread, outside its lock, for every frame and every action of the controllers.
    // Set it before Start().
    void SetActionSink(std::function<void(const ActionLine&)> sink);

    // ---- operands, by unit id (std::out_of_range for an id the line does not host) ----
    void SetBit(int unit, int address, bool value);
    bool GetBit(int unit, int address) const;
    void SetInt(int unit, int address, uint16_t value);
    uint16_t GetInt(int unit, int address) const;
    void SetLong(int unit, int address, int32_t value);
    int32_t GetLong(int unit, int address) const;

    // ---- the belt scales (belt 0 = conveyor 386-2, 1 = conveyor 401) ----
    void SetBeltRunning(int beltIndex, bool running);
    void SetBeltFlow(int beltIndex, double tph);   // the counter rises at this rate while the belt runs
    void StopBeltFlow(int beltIndex);              // the load and counter stay as they are until set
    void SetCounter(int beltIndex, int32_t kg);    // e.g. a counter reset, or 0
    int32_t Counter(int beltIndex) const;
    void RequestBeltWeightRun(int beltIndex);      // same as the start request bit being written
    void AbortBeltWeightRun(int beltIndex);
    void AcceptNewCode(int beltIndex);
    void SetTareCheck(int beltIndex, bool on);

    // ---- the hydrosizer: values 0..3 = PL2_GS, RV2_GS, PL3_GS, TRTW_GS ----
    void SetHydroValue(int index, uint16_t centre);
    void SetHydroSwing(double percent);            // 0: the values stay exactly where set
    uint16_t HydroValue(int index) const;

    // Moves model time on by hand (with manualClock; with the real clock it adds to the time that passes).
    void Advance(double seconds);
    double ModelTime() const;

    // ---- the line ----
    void SetReplyDelay(int minMs, int maxMs);
    void SetUnitSilent(int unit, bool silent);
    void SetFaultRate(Fault fault, double rate);
    void QueueFault(Fault fault, int count = 1, int unit = -1);
    void ClearFaults();

    // ---- observation ----
    std::vector<FrameRecord> Frames() const;
    size_t FrameCount() const;
    // Well-formed frames addressed to `unit`, for `command` ("RB", "RNL", ...), whatever became of them.
    int RequestCount(int unit, std::string_view command) const;
    std::vector<WriteRecord> Writes() const;      // operands written by frames, oldest first
    int EchoCount() const;                        // own replies read back: the peer's port is not raw
    double ElapsedMs() const;                     // now, on the clock of the records

    // ---- waiting (true when the condition held before the deadline) ----
    // `condition` may call any method of this class; it is tested after every frame and every model tick.
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    bool WaitForFrames(size_t count, std::chrono::milliseconds timeout);
    bool WaitForRequests(int unit, std::string_view command, int count, std::chrono::milliseconds timeout);
    // Waits until every reply scheduled so far has been written to the line.
    bool WaitForRepliesSent(std::chrono::milliseconds timeout);

private:
    struct Chunk {
        double dueMs;
        std::string bytes;
        std::string whole;  // on a reply's last chunk: the whole reply
    };

    void Loop();
    void OnByte(char c, double nowMs, std::vector<ActionLine>& lines);
    void HandleFrameLocked(const std::string& frame, double nowMs, std::vector<ActionLine>& lines);
    void FlushLocked(double nowMs);
    void TickLocked(double nowMs, std::vector<ActionLine>& lines);
    void TakeEventsLocked(double nowMs, std::vector<ActionLine>& lines);
    void Emit(const std::vector<ActionLine>& lines);
    void Changed();  // under the lock: wakes the waiters
    double NowMs() const;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    uint64_t generation_ = 0;
    PlcModel model_;
    std::function<void(const ActionLine&)> sink_;

    std::chrono::steady_clock::time_point start_;
    double modelClockMs_ = 0;                     // NowMs() when the model time was last moved on
    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};

    std::string partial_;                         // frame being collected
    bool inFrame_ = false;
    std::deque<Chunk> out_;
    PurgedReplies purged_;                        // the loop thread's only
    double outTailMs_ = 0;                        // when the last scheduled byte goes out
    std::vector<FrameRecord> frames_;
    std::map<std::pair<int, std::string>, int> counts_;
    std::vector<WriteRecord> writes_;
    int echoes_ = 0;
};

}  // namespace visionsim
