// Fixtures of the application tests: a station folder of its own (the program's folder, its
// configuration and its LOG), the recording system host, and small file helpers.
#pragma once

#include "app/Main.h"
#include "core/Global.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "sys/Host.h"
#include "testlib/Station.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace apptest {

using testlib::QuietIni;
using testlib::ReadFile;
using testlib::TempDir;
using testlib::WriteFile;

// A station of its own: the program "lives" in a temporary folder (configuration, LOG, Temp), the
// current folder is that folder, the system host only records, and the station settings start at
// their defaults. Everything is put back afterwards.
class StationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        FirstChangeStart = 7;
        DateIncrement = 0;
        ShutdownOnExit = false;
        WidgetEditMode = false;
        savedFormat = FormatSettings();
        FormatSettings() = TFormatSettings::Russian();
    }
    void TearDown() override {
        SetClockSource(nullptr);
        FormatSettings() = savedFormat;
    }
    std::string IniPath() const { return dir / "plantmon.INI"; }

    testlib::StationFolder dir{"plantmon-app"};
    TRecordingSystemHost& host = dir.host;
    TFormatSettings savedFormat;
};

// A main window on a station of its own, constructed as the start-up constructs it but without its
// create handler (tests run FormCreate themselves when they need it).
class MainWindowTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile(IniPath(), QuietIni);
        form = testlib::MainWindowFixture::Open();
    }
    void TearDown() override {
        testlib::MainWindowFixture::Close(form);
        StationTest::TearDown();
    }
    TFormMain* form = nullptr;
};

}  // namespace apptest
