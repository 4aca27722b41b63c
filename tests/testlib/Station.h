// A station of its own for the tests and benchmarks that run the program: its folder, its clock,
// its event queue, and its main window reaching a scratch database of the private server.
#pragma once

#include "app/Config.h"
#include "core/EventLog.h"
#include "testlib/Events.h"
#include "core/Global.h"
#include "app/Main.h"
#include "rtl/DateUtils.h"
#include "sys/Host.h"
#include "testlib/TempDir.h"
#include "testlib/TestDb.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace testlib {

// The program "lives" in a fresh temporary folder (configuration, LOG, Temp, config/) that is also
// the current folder, and the system host only records what it is asked. Everything is put back
// and the folder removed when the object goes.
class StationFolder {
public:
    explicit StationFolder(const std::string& prefix = "plantmon-station") : dir_(prefix), current_(dir_.Path()) {
        SetProgramFileName(AnsiString(dir_ / "plantmon"));
        SetSystemHost(&host);
    }
    ~StationFolder() {
        SetSystemHost(nullptr);
        SetProgramFileName("");
    }
    StationFolder(const StationFolder&) = delete;
    StationFolder& operator=(const StationFolder&) = delete;
    const std::string& Path() const { return dir_.Path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    // The station's configuration file, written anew.
    void WriteIni(const std::string& text) const { WriteFile(dir_ / "plantmon.INI", text); }

    TRecordingSystemHost host;

private:
    TempDir dir_;
    CurrentDir current_;
};

// A configuration that needs no login dialog (the built-in password), names a server nobody listens
// on and starts no link thread, so nothing reaches a real database or port unless a test means it.
inline const char* const QuietIni =
    "[main]\r\nLanClientMode=1\r\n[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\nLogin=root\r\n";

// The time every Now() of the program reads while the object lives: 2024-05-01 10:00:00 until a
// test moves it.
class TestClock {
public:
    TestClock() { SetClockSource([this] { return now_.load(); }); }
    ~TestClock() { SetClockSource(nullptr); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;
    void Set(TDateTime t) { now_.store(t); }
    // A time of that day.
    void Set(int h, int n, int s) { Set(EncodeDateTime(2024, 5, 1, h, n, s, 0)); }
    TDateTime Get() const { return now_.load(); }

private:
    std::atomic<TDateTime> now_{EncodeDateTime(2024, 5, 1, 10, 0, 0, 0)};
};

// Points one connection of the main window at the scratch database, on whichever server it lives (it is
// not opened).
inline void ConnectToScratch(TFormMain* form, const testdb::ScratchDatabase& db, TSQLConnection* conn) {
    const testdb::Coordinates& c = db.Server();
    SetConnectionParam(form, "HostName", (c.host + ":" + std::to_string(c.port)).c_str(), conn);
    SetConnectionParam(form, "Database", db.Name().c_str(), conn);
    SetConnectionParam(form, "User_Name", c.user.c_str(), conn);
    SetConnectionParam(form, "Password", c.password.c_str(), conn);
}

// Points all four connections of the main window at the scratch database.
inline void ConnectToScratch(TFormMain* form, const testdb::ScratchDatabase& db) {
    for (TSQLConnection* conn : {form->SQLConnection1, form->SQLConnectionUser, form->SQLConnectionPUF_Link,
                                 form->SQLConnectionV120_Link})
        ConnectToScratch(form, db, conn);
}

// The main window as the start-up constructs it (its create handler not run), for one test or
// benchmark: it sets FormMain, points the four connections at the scratch database when one is given
// (not opened), and when it ends asks both link threads to stop and frees the window, whose
// destructor waits until each thread has really ended.
class MainWindowFixture {
public:
    explicit MainWindowFixture(const testdb::ScratchDatabase* db = nullptr) : form_(Open(db)) {}
    ~MainWindowFixture() { Close(form_); }
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;
    TFormMain* operator->() const { return form_; }
    operator TFormMain*() const { return form_; }

    // The same for fixtures that keep the window in a field of their own.
    static TFormMain* Open(const testdb::ScratchDatabase* db = nullptr) {
        auto* form = new TFormMain(nullptr);
        FormMain = form;
        if (db) ConnectToScratch(form, *db);
        return form;
    }
    static void Close(TFormMain*& form) {
        if (!form) return;
        form->PufThreadStop.store(true);
        form->V120ThreadStop.store(true);
        form->Free();
        form = nullptr;
        FormMain = nullptr;
    }

private:
    TFormMain* form_;
};

}  // namespace testlib
