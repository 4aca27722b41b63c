// A link station for the Vision tests: its own program folder and configuration, a scratch database on
// the private server, the main window (constructed as at start-up, without its create handler), a
// settable clock, the simulated Vision line and the recording system host.
#pragma once

#include "app/Main.h"
#include "links/BeltScale.h"
#include "links/VisionLink.h"
#include "links/VisionThread.h"
#include "rtl/DateUtils.h"
#include "testlib/Station.h"
#include "testlib/Wait.h"
#include "tools/visionsim/VisionSimulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace visiontest {

using testlib::StationFolder;
using testlib::TestClock;
using testlib::WaitUntil;

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

// A main window whose four connections reach the scratch database.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase& db, bool lanClient = false) {
    TFormMain* form = testlib::MainWindowFixture::Open();
    form->LanClientMode = lanClient;
    const testdb::Coordinates c = testdb::Coords();
    // What the create handler gives the connections again.
    form->HostName = testdb::HostWithPort().c_str();
    form->UserName = c.user.c_str();
    form->Password = c.password.c_str();
    testlib::ConnectToScratch(form, db);
    return form;
}

inline void FreeMainWindow(TFormMain*& form) { testlib::MainWindowFixture::Close(form); }

inline double ToDouble(const std::optional<std::string>& s) { return s ? std::stod(*s) : -1.0; }

// One station with the simulated line and the database, the thread not yet started.
class VisionStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        folder.WriteIni("[MySQL]\r\nSavePassword=1\r\n");
        ResetVisionStateChecks();
        testlib::TakeEvents();
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
