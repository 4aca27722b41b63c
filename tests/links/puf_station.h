// A flotation link station for the tests: its own program folder and configuration (no login
// dialog), the recording system host, the main window constructed as at start-up (without its create
// handler) with its connections pointed at a scratch database, and the event queue drained.
#pragma once

#include "app/Config.h"
#include "app/EventLog.h"
#include "app/Global.h"
#include "app/Main.h"
#include "links/ICPLink.h"
#include "links/PufProtocol.h"
#include "links/PufThread.h"
#include "links/WinSockClient.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "sys/Host.h"
#include "testlib/TestDb.h"

#include "puf_support.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

namespace puftest {

// The program "lives" in a temporary folder that is also the current folder; the system host only
// records what it is asked.
class StationFolder {
public:
    StationFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "plantmon-puf-XXXXXX").string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
        SetProgramFileName(AnsiString(path_ + "/plantmon"));
        SetSystemHost(&host);
        std::ofstream(path_ + "/plantmon.INI", std::ios::binary) << "[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\n";
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
    TRecordingSystemHost host;

private:
    std::string path_;
    std::filesystem::path old_;
};

// The texts waiting in the event queue, oldest first; the queue is empty afterwards.
inline std::vector<std::string> TakeEvents() {
    std::vector<std::string> out;
    AnsiString text;
    TDateTime when;
    std::uint64_t tick;
    int flags;
    while (EventFIFO.Pop(text, when, tick, flags)) out.push_back(text.str());
    return out;
}

// A main window (with its link components); its connections reach db when one is given.
inline TFormMain* NewMainWindow(const testdb::ScratchDatabase* db) {
    auto* form = new TFormMain(nullptr);
    FormMain = form;
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
