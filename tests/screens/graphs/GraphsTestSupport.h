// Fixtures of the graph screen tests: a station of its own (program folder, Template, Temp) with a
// main window as the MDI frame, the report window, print dialogs answered into PDF files, and the
// private database for the screens that read history.
#pragma once

#include "app/AppTestSupport.h"

#include "app/Main.h"
#include "gui/Printers.h"
#include "screens/graphs/FormWebPrint.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"
#include "testlib/gui/GuiHarness.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

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
    }
    void TearDown() override {
        if (FormMain) FormMain->SQLConnection1->Close();
        GraphStation::TearDown();
        db.reset();
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
};

}  // namespace graphstest
