// A flotation link station for the tests: its own program folder and configuration (no login
// dialog), the recording system host, the main window constructed as at start-up (without its create
// handler) with its connections pointed at a scratch database, and the event queue drained.
#pragma once

#include "app/Main.h"
#include "links/ICPLink.h"
#include "links/PufProtocol.h"
#include "links/PufThread.h"
#include "links/WinSockClient.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "testlib/Station.h"
#include "tools/pufsim/PufSimulator.h"

#include "puf_support.h"

#include <memory>

namespace puftest {

using testlib::TakeEvents;

// The program "lives" in a temporary folder that is also the current folder, with a configuration
// that needs no login dialog; the system host only records what it is asked.
class StationFolder : public testlib::StationFolder {
public:
    StationFolder() : testlib::StationFolder("plantmon-puf") {
        WriteIni("[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\n");
    }
};

// A main window (with its link components); its connections reach db when one is given.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase* db) {
    auto* form = new TFormMain(nullptr);
    FormMain = form;
    if (db) testlib::ConnectToScratch(form, *db);
    return form;
}

// Stops the thread (waiting for its end) and frees the window.
inline void FreeMainWindow(TFormMain*& form) {
    if (!form) return;
    form->PufThreadStop = true;
    if (form->PufThreadHandle) {
        form->PufThreadHandle->Join();
        delete form->PufThreadHandle;
        form->PufThreadHandle = nullptr;
    }
    form->Free();
    form = nullptr;
    FormMain = nullptr;
}

// A link station whose PUF thread talks to the simulated controller on a pseudo-terminal (and
// loopback TCP) and writes into a scratch database; the thread is not started yet.
class ThreadStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        TakeEvents();
        ASSERT_TRUE(sim.StartPty()) << sim.LastError();
        ASSERT_TRUE(sim.StartTcp(0)) << sim.LastError();
        form = NewMainWindow(db.get());
        form->PufComPort = sim.SlavePath().c_str();
        form->PufComSpeed = 38400;
        form->PufIP = "127.0.0.1";
        form->WinSockClient->SetLinkPort(sim.TcpPort());
    }
    void TearDown() override {
        FreeMainWindow(form);
        sim.Stop();
    }
    void Start() { ASSERT_TRUE(StartPufThread(form)); }
    // Asks the thread to stop and waits for its end.
    void StopAndJoin() {
        form->PufThreadStop = true;
        ASSERT_TRUE(WaitUntil([&] { return !form->PufThreadActive.load(); }, 30000));
        StopPufThread(form);
    }
    long long Rows(const std::string& table, const std::string& where = "") {
        return std::stoll(*db->Scalar("select count(*) from " + table + (where.empty() ? "" : " where " + where)));
    }

    StationFolder folder;
    std::unique_ptr<testdb::ScratchDatabase> db;
    pufsim::PufSimulator sim;
    TFormMain* form = nullptr;
};

}  // namespace puftest
