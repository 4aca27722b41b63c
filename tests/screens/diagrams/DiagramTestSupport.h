// Fixtures of the diagram tests: a program folder of its own that is also the current folder
// (colour files, label font files, config/), the property dialogs, and a main window whose state
// the flotation diagram reads.
#pragma once

#include "app/Config.h"
#include "app/Global.h"
#include "app/Main.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "screens/diagrams/ArrowEdit.h"
#include "screens/diagrams/EditBarrel.h"
#include "screens/diagrams/EditPoligon.h"
#include "screens/diagrams/EditPump.h"
#include "screens/diagrams/OutFieldEdit.h"
#include "sys/Host.h"
#include "testlib/TestDb.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

namespace diagramtest {

class ProgramFolder {
public:
    ProgramFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "plantmon-diagrams-XXXXXX").string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
        SetProgramFileName(AnsiString(path_ + "/plantmon"));
        SetSystemHost(&host);
    }
    ~ProgramFolder() {
        SetSystemHost(nullptr);
        SetProgramFileName("");
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void WriteIni(const std::string& text) const {
        std::ofstream out(path_ + "/plantmon.INI", std::ios::binary | std::ios::trunc);
        out << text;
    }
    TRecordingSystemHost host;

private:
    std::string path_;
    std::filesystem::path old_;
};

// The five property dialogs, as start-up creates them, for the length of a test.
class Dialogs {
public:
    Dialogs() {
        FormArrowEdit = new TFormArrowEdit(nullptr);
        FormEditBarrel = new TFormEditBarrel(nullptr);
        FormOutFieldEdit = new TFormOutFieldEdit(nullptr);
        FormEditPoligon = new TFormEditPoligon(nullptr);
        FormEditPump = new TFormEditPump(nullptr);
    }
    ~Dialogs() {
        FormArrowEdit->Free();
        FormEditBarrel->Free();
        FormOutFieldEdit->Free();
        FormEditPoligon->Free();
        FormEditPump->Free();
        FormArrowEdit = nullptr;
        FormEditBarrel = nullptr;
        FormOutFieldEdit = nullptr;
        FormEditPoligon = nullptr;
        FormEditPump = nullptr;
    }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
};

// Sets the edit mode for a test and puts it back.
class EditModeScope {
public:
    explicit EditModeScope(bool on) : old_(WidgetEditMode) { WidgetEditMode = on; }
    ~EditModeScope() { WidgetEditMode = old_; }
    void Set(bool on) { WidgetEditMode = on; }

private:
    bool old_;
};

// The time every Now() of the program reads.
class TestClock {
public:
    TestClock() { SetClockSource([this] { return now_.load(); }); }
    ~TestClock() { SetClockSource(nullptr); }
    TDateTime Get() const { return now_.load(); }

private:
    std::atomic<TDateTime> now_{EncodeDateTime(2024, 5, 1, 10, 0, 0, 0)};
};

// A configuration that needs no login and starts no link thread; the server named is not there.
inline const char* const QuietIni =
    "[main]\r\nLanClientMode=1\r\n[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\nLogin=root\r\n";

// A main window constructed as at start-up (its create handler not run), the application's MDI frame.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase* db = nullptr) {
    auto* form = new TFormMain(nullptr);
    FormMain = form;
    Application->FormCreated(form);
    if (db) {
        const testdb::Coordinates c = testdb::Coords();
        for (TSQLConnection* conn : {form->SQLConnection1, form->SQLConnectionUser, form->SQLConnectionPUF_Link,
                                     form->SQLConnectionV120_Link}) {
            SetConnectionParam(form, "HostName", testdb::HostWithPort().c_str(), conn);
            SetConnectionParam(form, "Database", db->Name().c_str(), conn);
            SetConnectionParam(form, "User_Name", c.user.c_str(), conn);
            SetConnectionParam(form, "Password", c.password.c_str(), conn);
        }
    }
    return form;
}

inline void FreeMainWindow(TFormMain*& form) {
    if (!form) return;
    form->Free();
    form = nullptr;
    FormMain = nullptr;
}

}  // namespace diagramtest
