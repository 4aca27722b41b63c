// Fixtures of the diagram tests: a program folder of its own that is also the current folder
// (colour files, label font files, config/), the property dialogs, and a main window whose state
// the flotation diagram reads.
#pragma once

#include "app/Main.h"
#include "core/Global.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "screens/diagrams/ArrowEdit.h"
#include "screens/diagrams/EditBarrel.h"
#include "screens/diagrams/EditPoligon.h"
#include "screens/diagrams/EditPump.h"
#include "screens/diagrams/OutFieldEdit.h"
#include "testlib/Station.h"

#include <gtest/gtest.h>

#include <string>

namespace diagramtest {

using ProgramFolder = testlib::StationFolder;
using testlib::QuietIni;
using testlib::TestClock;

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

// A main window constructed as at start-up (its create handler not run), the application's MDI frame.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase* db = nullptr) {
    TFormMain* form = testlib::MainWindowFixture::Open(db);
    Application->FormCreated(form);
    return form;
}

// A LAN-client station (a section's lamp follows the age of its state row) whose main window reaches
// the scratch database, its status connection open.
inline TFormMain* NewLanClientWindow(const ProgramFolder& folder, const testdb::ScratchDatabase& db) {
    folder.WriteIni("[MySQL]\r\nSavePassword=1\r\n[main]\r\nLanClientMode=1\r\n");
    TFormMain* form = NewMainWindow(&db);
    form->SQLConnectionUser->Open();
    return form;
}

inline void FreeMainWindow(TFormMain*& form) { testlib::MainWindowFixture::Close(form); }

}  // namespace diagramtest
