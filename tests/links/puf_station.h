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

#include "puf_support.h"

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

}  // namespace puftest
