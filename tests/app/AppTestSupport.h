// Fixtures of the application tests: a station folder of its own (the program's folder, its
// configuration and its LOG), the recording system host, and small file helpers.
#pragma once

#include "app/Global.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "sys/Host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>
#include <unistd.h>

namespace apptest {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "plantmon-app-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A station of its own: the program "lives" in a temporary folder (configuration, LOG, Temp), the
// current folder is that folder, the system host only records, and the station settings start at
// their defaults. Everything is put back afterwards.
class StationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
        SetProgramFileName(AnsiString(dir / "plantmon"));
        SetSystemHost(&host);
        FirstChangeStart = 7;
        DateIncrement = 0;
        ShutdownOnExit = false;
        WidgetEditMode = false;
        savedFormat = FormatSettings();
        FormatSettings() = TFormatSettings::Russian();
    }
    void TearDown() override {
        SetClockSource(nullptr);
        SetSystemHost(nullptr);
        SetProgramFileName("");
        FormatSettings() = savedFormat;
        std::error_code ec;
        std::filesystem::current_path(oldCwd, ec);
    }
    std::string IniPath() const { return dir / "plantmon.INI"; }

    TempDir dir;
    TRecordingSystemHost host;
    std::filesystem::path oldCwd;
    TFormatSettings savedFormat;
};

}  // namespace apptest

#include "app/Main.h"

namespace apptest {

// A configuration that needs no login dialog (the built-in password), names a server nobody listens
// on and starts no link thread, so nothing reaches a real database or port unless a test means it.
inline const char* const QuietIni =
    "[main]\r\nLanClientMode=1\r\n[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\nLogin=root\r\n";

// A main window on a station of its own, constructed as the start-up constructs it but without its
// create handler (tests run FormCreate themselves when they need it).
class MainWindowTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile(IniPath(), QuietIni);
        form = new TFormMain(nullptr);
        FormMain = form;
    }
    void TearDown() override {
        if (form) form->Free();
        form = nullptr;
        FormMain = nullptr;
        StationTest::TearDown();
    }
    TFormMain* form = nullptr;
};

}  // namespace apptest
