// Exchanges of the flotation controller link over a pseudo-terminal at 38400 baud.
//
// The far end plays the controller as a real 38400-baud line would carry it: it takes the request's
// bytes at the line's pace (10 bits a byte) before it answers, and sends the state answer byte by
// byte at the same pace. The line's own limit for these bytes is therefore 3840 / (request + answer)
// exchanges a second; the ratio of the measured rate to it shows what the link's own work (framing,
// the purge, byte-wise reads with their time-outs, the answer check) costs on top of the wire.
// A second benchmark runs the same exchange on the bare pseudo-terminal, without the pace.
#include "links/ICPLink.h"
#include "links/PufProtocol.h"
#include "testlib/TempDir.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 38400;
constexpr double kBytesPerSecond = kBaud / 10.0;  // 8 data bits, start and stop bit

// The controller's answer to "GetStateRec:" with all nineteen columns, as the plant sends it.
std::string StateAnswer() {
    const std::string body =
        "PUF1:GetStateRec_OK:RecMoment='2024-05-01 10:00:00',PLF=120.5,RVF=450.25,RGF=54.1,TRRS=35.1,TRRP=11.88,"
        "SOF=72.5,URS=64.2,URP=58.9,ZRRS=650,ZRRP=220,F1AS=1,F1RS=0,F1AP=1,F1RP=0,DSF1=1,DPF1=1,ALARMP=0,ALARMS=0";
    return body + PufFrameChecksum(body).str();
}

// The controller on the master side of a pseudo-terminal.
class Controller {
public:
    explicit Controller(bool paced) : paced_(paced), answer_(StateAnswer() + "\r") {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = ptsname(master_);
        keep_ = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
    }
    ~Controller() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (keep_ >= 0) close(keep_);
        if (master_ >= 0) close(master_);
    }
    const std::string& Slave() const { return slave_; }
    std::size_t AnswerBytes() const { return answer_.size(); }

private:
    static Clock::duration ByteTime(std::size_t n) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(n / kBytesPerSecond));
    }
    void run() {
        std::string in;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buf[512];
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            in.append(buf, static_cast<std::size_t>(n));
            std::size_t cr;
            while ((cr = in.find('\r')) != std::string::npos) {
                const std::size_t requestBytes = cr + 1;
                in.erase(0, requestBytes);
                answer(requestBytes);
            }
        }
    }
    void answer(std::size_t requestBytes) {
        if (!paced_) {
            write(answer_.data(), answer_.size());
            return;
        }
        // The request's last byte reaches the controller one request-time after its first; the
        // answer's bytes leave one byte-time apart.
        const Clock::time_point start = Clock::now() + ByteTime(requestBytes);
        std::size_t sent = 0;
        while (sent < answer_.size()) {
            std::this_thread::sleep_until(start + ByteTime(sent + 1));
            const auto due = static_cast<std::size_t>(
                std::chrono::duration<double>(Clock::now() - start).count() * kBytesPerSecond);
            const std::size_t upTo = std::min(answer_.size(), std::max(due, sent + 1));
            write(answer_.data() + sent, upTo - sent);
            sent = upTo;
        }
    }
    void write(const char* p, std::size_t n) {
        while (n > 0 && !stop_) {
            const ssize_t w = ::write(master_, p, n);
            if (w > 0) {
                p += w;
                n -= static_cast<std::size_t>(w);
            } else {
                pollfd q{master_, POLLOUT, 0};
                poll(&q, 1, 10);
            }
        }
    }

    bool paced_;
    std::string answer_;
    int master_ = -1;
    int keep_ = -1;
    std::string slave_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void RunExchanges(benchmark::State& state, bool paced) {
    // No timing file in the folder: the link's default time-outs.
    testlib::ScratchCurrentDir dir("pufbench");
    {
        Controller controller(paced);
        TICPLink link(nullptr);
        link.SetPortName(controller.Slave());
        link.SetSpeed(kBaud);
        link.SetActive(true);
        if (!link.Active()) {
            state.SkipWithError(link.Status().c_str());
        } else {
            const AnsiString frame = PufRequestFrame("GetStateRec:");
            const std::size_t bytes = frame.size() + 1 + controller.AnswerBytes();
            long long exchanges = 0, failures = 0;
            const Clock::time_point t0 = Clock::now();
            for (auto _ : state) {
                AnsiString payload;
                if (link.SendString(frame) &&
                    PufParseAnswer(link.ReciveString(), "GetStateRec", payload) == TPufAnswerKind::Payload)
                    ++exchanges;
                else
                    ++failures;
            }
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            const double rate = exchanges / seconds;
            const double limit = kBytesPerSecond / static_cast<double>(bytes);
            state.counters["exchanges_per_s"] = rate;
            state.counters["line_limit_per_s"] = limit;
            state.counters["ratio"] = rate / limit;
            state.counters["bytes"] = static_cast<double>(bytes);
            state.counters["failures"] = static_cast<double>(failures);
        }
    }
}

void BM_PufExchange38400Line(benchmark::State& state) { RunExchanges(state, true); }
BENCHMARK(BM_PufExchange38400Line)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_PufExchangeBarePty(benchmark::State& state) { RunExchanges(state, false); }
BENCHMARK(BM_PufExchangeBarePty)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
