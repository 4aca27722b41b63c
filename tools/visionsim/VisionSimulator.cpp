#include "VisionSimulator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace visionsim {

namespace {

constexpr int kTickMs = 20;              // model time and exclusive-mode check at least this often
constexpr size_t kMaxFrameBytes = 2048;  // a "frame" longer than this is line noise
constexpr double kStuckOutputMs = 2000;  // output nobody reads for this long is dropped

std::string Printable(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') out += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
            out += buf;
        } else out += c;
    }
    return out;
}

std::string Abbreviated(std::string_view s) {
    std::string p = Printable(s);
    return p.size() > 80 ? p.substr(0, 60) + "...(" + std::to_string(s.size()) + " bytes)" : p;
}

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

VisionSimulator::VisionSimulator(SimulatorConfig config)
    : model_(config), start_(std::chrono::steady_clock::now()) {}

VisionSimulator::~VisionSimulator() { Stop(); }

double VisionSimulator::NowMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
}

double VisionSimulator::ElapsedMs() const { return NowMs(); }

void VisionSimulator::Changed() {
    ++generation_;
    cv_.notify_all();
}

// ---- lifecycle ------------------------------------------------------------------------------------------------

void VisionSimulator::Start() {
    if (thread_.joinable()) throw std::system_error(EBUSY, std::generic_category(), "simulator already started");
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) ThrowErrno("posix_openpt");
    char path[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, path, sizeof path) != 0) {
        int e = errno;
        close(master);
        throw std::system_error(e, std::generic_category(), "pty set-up");
    }
    // Our own slave descriptor stays open for the whole run: with no slave open the master reads EIO, and the
    // link closes and reopens its port whenever its thread restarts.
    int slave = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    int wake[2];
    if (slave < 0 || pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        int e = errno;
        if (slave >= 0) close(slave);
        close(master);
        throw std::system_error(e, std::generic_category(), "pty slave");
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (!PurgedReplies::EnablePacketMode(master)) {
        int e = errno;
        close(slave);
        close(master);
        close(wake[0]);
        close(wake[1]);
        throw std::system_error(e, std::generic_category(), "pty packet mode");
    }
    {
        std::lock_guard lk(mu_);
        master_ = master;
        slave_ = slave;
        wake_[0] = wake[0];
        wake_[1] = wake[1];
        slavePath_ = path;
        modelClockMs_ = NowMs();
        partial_.clear();
        inFrame_ = false;
        out_.clear();
        outTailMs_ = 0;
        purged_ = PurgedReplies();
    }
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this] { Loop(); });
}

void VisionSimulator::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    char c = 1;
    [[maybe_unused]] ssize_t w = write(wake_[1], &c, 1);
    thread_.join();
    std::lock_guard lk(mu_);
    close(master_);
    close(slave_);
    close(wake_[0]);
    close(wake_[1]);
    master_ = slave_ = wake_[0] = wake_[1] = -1;
    out_.clear();
    running_ = false;
    Changed();
}

std::string VisionSimulator::SlavePath() const {
    std::lock_guard lk(mu_);
    return slavePath_;
}

void VisionSimulator::SetActionSink(std::function<void(const ActionLine&)> sink) {
    std::lock_guard lk(mu_);
    sink_ = std::move(sink);
}

// ---- the thread -----------------------------------------------------------------------------------------------

void VisionSimulator::Loop() {
    char buf[1024];
    double masterPausedUntil = -1;
    while (!stop_) {
        int timeout = kTickMs;
        {
            std::lock_guard lk(mu_);
            if (!out_.empty())
                timeout = static_cast<int>(std::clamp(std::ceil(out_.front().dueMs - NowMs()), 0.0, double(kTickMs)));
            const int resend = purged_.MsUntilDue(NowMs());
            if (resend >= 0) timeout = std::min(timeout, resend);
        }
        pollfd fds[2] = {{NowMs() < masterPausedUntil ? -1 : master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int n = poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN)
            while (read(wake_[0], buf, sizeof buf) > 0) {
            }
        std::string in;
        if (fds[0].revents & POLLIN) {
            purged_.Read(master_, in, NowMs());
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Should not happen while our slave descriptor is open; do not spin on it.
            masterPausedUntil = NowMs() + kTickMs;
        }

        std::vector<ActionLine> lines;
        std::function<void(const ActionLine&)> sink;
        {
            std::lock_guard lk(mu_);
            double now = NowMs();
            TickLocked(now, lines);
            for (char c : in) OnByte(c, now, lines);
            if (std::optional<std::string> again = purged_.TakeDue(NowMs())) {
                out_.push_front(Chunk{NowMs(), *again, {}});
                lines.push_back(ActionLine{now, true, "tx " + Abbreviated(*again) + " again: the station purged it"});
            }
            FlushLocked(NowMs());
            Changed();
            sink = sink_;
        }
        if (sink)
            for (const ActionLine& l : lines) sink(l);
    }
}

void VisionSimulator::TickLocked(double nowMs, std::vector<ActionLine>& lines) {
    if (!model_.Config().manualClock) {
        model_.Advance((nowMs - modelClockMs_) / 1000.0);
        modelClockMs_ = nowMs;
    }
    // A link that opens its port exclusively would lock itself out on reopening, because the terminal is never
    // closed completely while we hold the slave: keep exclusive mode off.
    if (slave_ >= 0) ioctl(slave_, TIOCNXCL);
    TakeEventsLocked(nowMs, lines);
}

void VisionSimulator::TakeEventsLocked(double nowMs, std::vector<ActionLine>& lines) {
    for (std::string& e : model_.TakeEvents()) lines.push_back(ActionLine{nowMs, false, std::move(e)});
}

void VisionSimulator::OnByte(char c, double nowMs, std::vector<ActionLine>& lines) {
    if (c == '/') {
        purged_.FrameBegun();
        if (inFrame_) HandleFrameLocked(partial_, nowMs, lines);  // a frame cut short by the next one
        partial_ = "/";
        inFrame_ = true;
    } else if (c == '\r') {
        if (inFrame_) HandleFrameLocked(partial_, nowMs, lines);
        partial_.clear();
        inFrame_ = false;
    } else if (c != '\n' && inFrame_) {
        partial_ += c;
        if (partial_.size() > kMaxFrameBytes) {
            HandleFrameLocked(partial_, nowMs, lines);
            partial_.clear();
            inFrame_ = false;
        }
    }
    // bytes outside a frame are line noise and skipped
}

void VisionSimulator::HandleFrameLocked(const std::string& frame, double nowMs, std::vector<ActionLine>& lines) {
    Exchange ex = model_.Handle(frame);
    FrameRecord rec;
    rec.receivedMs = nowMs;
    rec.request = frame;
    rec.disposition = ex.disposition;
    rec.unit = ex.unit;
    rec.command = ex.command;
    rec.fault = ex.fault;
    if (ex.disposition == Disposition::Echo) ++echoes_;
    if (ex.disposition == Disposition::Answered || ex.disposition == Disposition::Silenced)
        ++counts_[{ex.unit, ex.command}];
    for (WriteRecord& w : ex.writes) {
        w.timeMs = nowMs;
        writes_.push_back(w);
    }
    if (!ex.reply.empty()) {
        // one reply after the other, as a single controller port sends them
        double due = std::max(nowMs + ex.delayMs, outTailMs_);
        if (ex.byteIntervalMs == 0) {
            out_.push_back(Chunk{due, ex.reply, ex.reply});
            outTailMs_ = due;
        } else {
            for (size_t i = 0; i < ex.reply.size(); ++i)
                out_.push_back(Chunk{due + double(i) * ex.byteIntervalMs, std::string(1, ex.reply[i]), {}});
            out_.back().whole = ex.reply;
            outTailMs_ = out_.back().dueMs;
        }
        rec.reply = ex.reply;
        rec.replyDueMs = due;
        rec.replyEndMs = outTailMs_;
    }

    std::string text = "rx " + Abbreviated(frame);
    if (ex.unit >= 0) text += " (unit " + std::to_string(ex.unit) + (ex.command.empty() ? "" : " " + ex.command) + ")";
    if (!ex.reply.empty()) {
        char delay[32];
        std::snprintf(delay, sizeof delay, " in %.0f ms", rec.replyDueMs - nowMs);
        text += " -> " + Abbreviated(ex.reply) + delay;
    } else {
        text += std::string(" -> no reply: ") + DispositionName(ex.disposition);
    }
    if (ex.fault != Fault::None) text += std::string(" [fault ") + FaultName(ex.fault) + "]";
    if (ex.disposition == Disposition::Echo) text += " (our own reply read back: the port is not in raw mode)";
    lines.push_back(ActionLine{nowMs, true, std::move(text)});
    frames_.push_back(std::move(rec));
    TakeEventsLocked(nowMs, lines);
}

void VisionSimulator::FlushLocked(double nowMs) {
    while (!out_.empty() && out_.front().dueMs <= nowMs) {
        Chunk& c = out_.front();
        ssize_t w = write(master_, c.bytes.data(), c.bytes.size());
        if (w == static_cast<ssize_t>(c.bytes.size())) {
            if (!c.whole.empty()) purged_.Sent(c.whole);
            out_.pop_front();
        } else if (w > 0) {
            c.bytes.erase(0, static_cast<size_t>(w));
            break;
        } else if (w < 0 && errno == EAGAIN && nowMs - c.dueMs < kStuckOutputMs) {
            break;
        } else {
            out_.pop_front();
        }
    }
}

// ---- operands and controls ------------------------------------------------------------------------------------

void VisionSimulator::SetBit(int unit, int address, bool value) {
    std::lock_guard lk(mu_);
    model_.Set(unit, Space::Bit, address, value);
    Changed();
}

bool VisionSimulator::GetBit(int unit, int address) const {
    std::lock_guard lk(mu_);
    return model_.Get(unit, Space::Bit, address) != 0;
}

void VisionSimulator::SetInt(int unit, int address, uint16_t value) {
    std::lock_guard lk(mu_);
    model_.Set(unit, Space::Int, address, value);
    Changed();
}

uint16_t VisionSimulator::GetInt(int unit, int address) const {
    std::lock_guard lk(mu_);
    return static_cast<uint16_t>(model_.Get(unit, Space::Int, address));
}

void VisionSimulator::SetLong(int unit, int address, int32_t value) {
    std::lock_guard lk(mu_);
    model_.Set(unit, Space::Long, address, value);
    Changed();
}

int32_t VisionSimulator::GetLong(int unit, int address) const {
    std::lock_guard lk(mu_);
    return static_cast<int32_t>(model_.Get(unit, Space::Long, address));
}

void VisionSimulator::SetBeltRunning(int b, bool running) {
    std::lock_guard lk(mu_);
    model_.SetBeltRunning(b, running);
    Changed();
}

void VisionSimulator::SetBeltFlow(int b, double tph) {
    std::lock_guard lk(mu_);
    model_.SetBeltFlow(b, tph);
    Changed();
}

void VisionSimulator::StopBeltFlow(int b) {
    std::lock_guard lk(mu_);
    model_.SetBeltFlow(b, std::nullopt);
    Changed();
}

void VisionSimulator::SetCounter(int b, int32_t kg) {
    std::lock_guard lk(mu_);
    model_.SetCounter(b, kg);
    Changed();
}

int32_t VisionSimulator::Counter(int b) const {
    std::lock_guard lk(mu_);
    if (b != 0 && b != 1) throw std::out_of_range("belt index is 0 or 1");
    return static_cast<int32_t>(model_.Get(model_.Config().beltUnit, Space::Long, belt::kCounter + b));
}

void VisionSimulator::RequestBeltWeightRun(int b) {
    std::lock_guard lk(mu_);
    model_.RequestBeltWeightRun(b);
    Changed();
}

void VisionSimulator::AbortBeltWeightRun(int b) {
    std::lock_guard lk(mu_);
    model_.AbortBeltWeightRun(b);
    Changed();
}

void VisionSimulator::AcceptNewCode(int b) {
    std::lock_guard lk(mu_);
    model_.AcceptNewCode(b);
    Changed();
}

void VisionSimulator::SetTareCheck(int b, bool on) {
    std::lock_guard lk(mu_);
    model_.SetTareCheck(b, on);
    Changed();
}

void VisionSimulator::SetHydroValue(int index, uint16_t centre) {
    std::lock_guard lk(mu_);
    model_.SetHydroValue(index, centre);
    Changed();
}

void VisionSimulator::SetHydroSwing(double percent) {
    std::lock_guard lk(mu_);
    model_.SetHydroSwing(percent);
    Changed();
}

uint16_t VisionSimulator::HydroValue(int index) const {
    std::lock_guard lk(mu_);
    if (index < 0 || index > 3) throw std::out_of_range("hydrosizer value index is 0..3");
    return static_cast<uint16_t>(model_.Get(model_.Config().hydroUnit, Space::Int, hydro::kAddresses[index]));
}

void VisionSimulator::Advance(double seconds) {
    std::lock_guard lk(mu_);
    model_.Advance(seconds);
    Changed();
}

double VisionSimulator::ModelTime() const {
    std::lock_guard lk(mu_);
    return model_.Time();
}

void VisionSimulator::SetReplyDelay(int minMs, int maxMs) {
    std::lock_guard lk(mu_);
    model_.SetReplyDelay(minMs, maxMs);
}

void VisionSimulator::SetUnitSilent(int unit, bool silent) {
    std::lock_guard lk(mu_);
    model_.SetUnitSilent(unit, silent);
}

void VisionSimulator::SetFaultRate(Fault fault, double rate) {
    std::lock_guard lk(mu_);
    model_.SetFaultRate(fault, rate);
}

void VisionSimulator::QueueFault(Fault fault, int count, int unit) {
    std::lock_guard lk(mu_);
    model_.QueueFault(fault, count, unit);
}

void VisionSimulator::ClearFaults() {
    std::lock_guard lk(mu_);
    model_.ClearFaults();
}

// ---- observation and waiting ----------------------------------------------------------------------------------

std::vector<FrameRecord> VisionSimulator::Frames() const {
    std::lock_guard lk(mu_);
    return frames_;
}

size_t VisionSimulator::FrameCount() const {
    std::lock_guard lk(mu_);
    return frames_.size();
}

int VisionSimulator::RequestCount(int unit, std::string_view command) const {
    std::lock_guard lk(mu_);
    auto it = counts_.find({unit, std::string(command)});
    return it == counts_.end() ? 0 : it->second;
}

std::vector<WriteRecord> VisionSimulator::Writes() const {
    std::lock_guard lk(mu_);
    return writes_;
}

int VisionSimulator::EchoCount() const {
    std::lock_guard lk(mu_);
    return echoes_;
}

bool VisionSimulator::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard lk(mu_);
            seen = generation_;
        }
        if (condition()) return true;
        std::unique_lock lk(mu_);
        if (!cv_.wait_until(lk, deadline, [&] { return generation_ != seen; })) {
            lk.unlock();
            return condition();
        }
    }
}

bool VisionSimulator::WaitForFrames(size_t count, std::chrono::milliseconds timeout) {
    return WaitFor([&] { return FrameCount() >= count; }, timeout);
}

bool VisionSimulator::WaitForRequests(int unit, std::string_view command, int count,
                                      std::chrono::milliseconds timeout) {
    return WaitFor([&] { return RequestCount(unit, command) >= count; }, timeout);
}

bool VisionSimulator::WaitForRepliesSent(std::chrono::milliseconds timeout) {
    return WaitFor(
        [&] {
            std::lock_guard lk(mu_);
            return out_.empty();
        },
        timeout);
}

}  // namespace visionsim
