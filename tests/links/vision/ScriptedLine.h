// A controller line for tests that must send exact reply bytes: a pseudo-terminal whose far end records
// every frame the link writes and answers each with the next scripted reply, once more when the link's
// purge after its write threw the reply away.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class ScriptedLine {
public:
    ScriptedLine();
    ~ScriptedLine();
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    const std::string& SlavePath() const { return path_; }
    // The reply to the next frame, sent as it stands (add the carriage return); nullopt stays silent.
    void Reply(std::optional<std::string> bytes);
    // Frames received so far, without their carriage returns.
    std::vector<std::string> Frames() const;
    bool WaitForFrames(size_t count, std::chrono::milliseconds timeout) const;

private:
    void Loop();

    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    std::deque<std::optional<std::string>> replies_;
    std::vector<std::string> frames_;
    bool stop_ = false;
};
