// Fixtures of the graph screen tests: a station of its own (program folder, Template, Temp) with a
// main window as the MDI frame, the report window, print dialogs answered into PDF files, and the
// private database for the screens that read history.
#pragma once

#include "app/AppTestSupport.h"

#include "app/Config.h"
#include "app/Main.h"
#include "gui/Printers.h"
#include "rtl/DateUtils.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/graphs/GraphScreen.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace graphstest {

// A station with its main window (the MDI frame, not connected) and the report window.
class GraphStation : public apptest::StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        guitest::EnsureApp();
        apptest::WriteFile(IniPath(), apptest::QuietIni);
        Application->FormCreated(testlib::MainWindowFixture::Open());
        // The templates as the build installs them.
        std::filesystem::create_directories(dir / "Template");
        for (auto& e : std::filesystem::directory_iterator(testdb::SourcePath("templates"))) {
            std::filesystem::copy_file(e.path(), dir / ("Template/" + e.path().filename().string()),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        FormWebPrint = NewForm<TFormWebPrint>(nullptr);
    }
    void TearDown() override {
        if (FormWebPrint) FormWebPrint->Free();
        FormWebPrint = nullptr;
        if (FormMain) Application->FormDestroyed(FormMain);
        TFormMain* main = FormMain;
        testlib::MainWindowFixture::Close(main);
        guitest::FlushDeletes();
        StationTest::TearDown();
    }
    // Copies a shipped template into the program's folder (the prints that read it from there).
    void TemplateIntoProgramFolder(const std::string& name) {
        std::filesystem::copy_file(testdb::SourcePath("templates/" + name), dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
};

// The same with the main window's general connection open on a scratch database.
class GraphDbStation : public GraphStation {
protected:
    void SetUp() override {
        GraphStation::SetUp();
        if (!testdb::Available()) return;
        db = std::make_unique<testdb::ScratchDatabase>();
        testlib::ConnectToScratch(FormMain, *db, FormMain->SQLConnection1);
        FormMain->SQLConnection1->Open();
        // The tests tick the timers they mean.
        FormMain->TimerRefreshState->SetEnabled(false);
        FormMain->TimerGetLog->SetEnabled(false);
    }
    void TearDown() override {
        if (FormMain) FormMain->SQLConnection1->Close();
        GraphStation::TearDown();
        db.reset();
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
};

// The statements a graph screen opened; when tickInsideLoad is set, the next statement is followed
// by one timer tick while the load that opened it still runs.
struct StatementLog {
    std::vector<std::string> statements;
    bool tickInsideLoad = false;
};

inline StatementLog& LogOf(TGraphScreen* screen) { return *dynamic_cast<StatementLog*>(screen); }

template <class Screen>
class Logged : public Screen, public StatementLog {
public:
    using Screen::Screen;

protected:
    void OpenRows(const AnsiString& sql) override {
        statements.push_back(sql.str());
        Screen::OpenRows(sql);
        if (tickInsideLoad) {
            tickInsideLoad = false;
            this->TimerUpdateTimer(this->TimerUpdate);
        }
    }
};

// The graph screens of the jig machines over pu1 and pu2, on a clock the test sets.
class JigDbStation : public GraphDbStation {
protected:
    void SetUp() override {
        GraphDbStation::SetUp();
        REQUIRE_TEST_DB();
        // The start-up's own screens are not part of these tests.
        FormMain->OnShow = nullptr;
        testlib::TakeEvents();
    }
    void TearDown() override {
        for (auto it = screens.rbegin(); it != screens.rend(); ++it) (*it)->Free();
        screens.clear();
        GraphDbStation::TearDown();
    }
    // A screen of machine (its timer stopped, its picker on 15 March 2010), freed by the fixture.
    template <class Screen>
    Logged<Screen>* Open(int machine) {
        auto* s = NewForm<Logged<Screen>>(nullptr, machine, AnsiString());
        s->TimerUpdate->SetEnabled(false);
        s->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        screens.push_back(s);
        return s;
    }
    // One row of a history table: the time column and "col=value" pairs.
    void Row(const std::string& table, TDateTime t, const std::string& columns, const std::string& values) {
        // The jig machines' tables are keyed by PostMoment, the link threads' tables by RecMoment.
        const char* timeColumn = table == "pu1" || table == "pu2" ? "PostMoment" : "RecMoment";
        db->Exec("insert into " + table + " (" + timeColumn + ", " + columns + ") values ('" +
                 FormatDateTime("yyyy-mm-dd hh:nn:ss", t).str() + "', " + values + ")");
    }
    // The general connection lost (its server unreachable), and back.
    void ConnectionDown() {
        FormMain->SQLConnection1->Close();
        SetConnectionParam(FormMain, "HostName", "127.0.0.1:1", FormMain->SQLConnection1);
    }
    void ConnectionUp() {
        SetConnectionParam(FormMain, "HostName", testdb::HostWithPort().c_str(), FormMain->SQLConnection1);
        FormMain->SQLConnection1->Open();
    }
    static TDateTime At(int day, int h, int m, int s = 0) { return EncodeDateTime(2010, 3, day, h, m, s, 0); }
    static bool SameMs(TDateTime a, TDateTime b) { return MilliSecondsBetweenRounded(a, b) == 0; }

    testlib::TestClock clock;
    std::vector<TForm*> screens;
};

}  // namespace graphstest
