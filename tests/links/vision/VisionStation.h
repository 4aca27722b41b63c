// A link station for the Vision tests: its own program folder and configuration, a scratch database on
// the private server, the main window (constructed as at start-up, without its create handler), a
// settable clock, the simulated Vision line and the recording system host.
#pragma once

#include "app/Config.h"
#include "app/EventLog.h"
#include "app/Global.h"
#include "app/Main.h"
#include "links/BeltScale.h"
#include "links/VisionLink.h"
#include "links/VisionThread.h"
#include "rtl/DateUtils.h"
#include "sys/Host.h"
#include "testlib/TestDb.h"
#include "tools/visionsim/VisionSimulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <stdlib.h>

namespace visiontest {

// Tests a condition every 10 ms until it holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The plant as the simulated controllers hold it, with nothing moving by itself.
inline visionsim::SimulatorConfig StillPlant() {
    visionsim::SimulatorConfig c;
    c.hydroSwingPercent = 0;
    c.beltFlowTph = {std::nullopt, std::nullopt};
    c.beltRunning = {true, false};
    c.beltCounterKg = {1000000, 2500000};
    c.hydroValues = {1250, 400, 1320, 180};
    return c;
}

// The program "lives" in a temporary folder (configuration, LOG, Temp) that is also the current
// folder; the system host only records.
class StationFolder {
public:
    StationFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "plantmon-vision-XXXXXX").string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
        SetProgramFileName(AnsiString(path_ + "/plantmon"));
        SetSystemHost(&host);
    }
    ~StationFolder() {
        SetSystemHost(nullptr);
        SetProgramFileName("");
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    StationFolder(const StationFolder&) = delete;
    StationFolder& operator=(const StationFolder&) = delete;
    const std::string& Path() const { return path_; }
    void WriteIni(const std::string& text) const {
        std::ofstream out(path_ + "/plantmon.INI", std::ios::binary | std::ios::trunc);
        out << text;
    }
    TRecordingSystemHost host;

private:
    std::string path_;
    std::filesystem::path old_;
};

// The time every Now() of the program reads; a test moves it by hand.
class TestClock {
public:
    TestClock() { SetClockSource([this] { return now_.load(); }); }
    ~TestClock() { SetClockSource(nullptr); }
    void Set(TDateTime t) { now_.store(t); }
    void Set(int h, int n, int s) { Set(EncodeDateTime(2024, 5, 1, h, n, s, 0)); }
    TDateTime Get() const { return now_.load(); }

private:
    std::atomic<TDateTime> now_{EncodeDateTime(2024, 5, 1, 10, 0, 0, 0)};
};

// A main window whose four connections reach the scratch database.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase& db, bool lanClient = false) {
    auto* form = new TFormMain(nullptr);
    FormMain = form;
    form->LanClientMode = lanClient;
    const testdb::Coordinates c = testdb::Coords();
    // What the create handler gives the connections again.
    form->HostName = testdb::HostWithPort().c_str();
    form->UserName = c.user.c_str();
    form->Password = c.password.c_str();
    for (TSQLConnection* conn : {form->SQLConnection1, form->SQLConnectionUser, form->SQLConnectionPUF_Link,
                                 form->SQLConnectionV120_Link}) {
        SetConnectionParam(form, "HostName", testdb::HostWithPort().c_str(), conn);
        SetConnectionParam(form, "Database", db.Name().c_str(), conn);
        SetConnectionParam(form, "User_Name", c.user.c_str(), conn);
        SetConnectionParam(form, "Password", c.password.c_str(), conn);
    }
    return form;
}

inline void FreeMainWindow(TFormMain*& form) {
    if (!form) return;
    StopVisionThread(form);
    form->Free();
    form = nullptr;
    FormMain = nullptr;
}

inline double ToDouble(const std::optional<std::string>& s) { return s ? std::stod(*s) : -1.0; }

// One station with the simulated line and the database, the thread not yet started.
class VisionStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        folder.WriteIni("[MySQL]\r\nSavePassword=1\r\n");
        ResetVisionStateChecks();
        while (EventFIFO.GetCount() > 0) {
            AnsiString t;
            TDateTime when;
            std::uint64_t tick;
            int flags;
            EventFIFO.Pop(t, when, tick, flags);
        }
        sim = std::make_unique<visionsim::VisionSimulator>(config);
        sim->Start();
        form = NewMainWindow(*db);
        form->V120ComPort = sim->SlavePath().c_str();
    }
    void TearDown() override {
        FreeMainWindow(form);
        if (sim) sim->Stop();
    }

    // A new program run on the same station and database: a new main window, forgotten checks.
    void Restart() {
        FreeMainWindow(form);
        ResetVisionStateChecks();
        form = NewMainWindow(*db);
        form->V120ComPort = sim->SlavePath().c_str();
    }

    // The row of a belt table (or pug) for a minute, as the database has it.
    std::optional<std::string> Column(const std::string& table, const std::string& column, const std::string& minute) {
        return db->Scalar("select " + column + " from " + table + " where RecMoment='2024-05-01 " + minute + "'");
    }
    long long RowsOf(const std::string& table, const std::string& minute) {
        return std::stoll(*db->Scalar("select count(*) from " + table + " where RecMoment='2024-05-01 " + minute + "'"));
    }
    bool ColumnIs(const std::string& table, const std::string& column, const std::string& minute, double value) {
        const std::optional<std::string> v = Column(table, column, minute);
        return v && std::abs(std::stod(*v) - value) < 1e-6;
    }
    // Waits for cycles that began after this call.
    bool WaitCycles(int n) {
        const int start = form->V120QueryCount.load();
        return WaitUntil([&] { return form->V120QueryCount.load() >= start + n + 1; }, 5000 * (n + 1));
    }

    StationFolder folder;
    TestClock clock;
    visionsim::SimulatorConfig config = StillPlant();
    std::unique_ptr<testdb::ScratchDatabase> db;
    std::unique_ptr<visionsim::VisionSimulator> sim;
    TFormMain* form = nullptr;
};

}  // namespace visiontest
