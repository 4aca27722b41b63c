// Fixtures of the graph screen tests: a station of its own (program folder, Template, Temp) with a
// main window as the MDI frame, the report window, print dialogs answered into PDF files, and the
// private database for the screens that read history.
#pragma once

#include "app/AppTestSupport.h"

#include "app/Main.h"
#include "gui/Printers.h"
#include "screens/graphs/FormWebPrint.h"
#include "testlib/TestDb.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace graphstest {

// Output of a command (pdftotext, pdfinfo).
inline std::string Run(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    pclose(p);
    return out;
}

inline std::string PdfText(const std::string& pdf) { return Run("pdftotext -layout '" + pdf + "' - 2>/dev/null"); }

inline int PdfPages(const std::string& pdf) {
    std::string info = Run("pdfinfo '" + pdf + "' 2>/dev/null");
    auto at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

// Answers the print dialogs: prints go into pdf, page setups turn the page to orientation, and
// previews record how many pages they laid out (and print when printFromPreview).
class PrintDialogs {
public:
    explicit PrintDialogs(std::string pdf) : pdf_(std::move(pdf)) {
        previous_ = SetPrintDialogHook([this](TPrintDialogRequest& r) {
            ++shown_;
            switch (r.Kind) {
            case TPrintDialogKind::Print:
                r.Printer->SetOutputFileName(pdf_);
                return true;
            case TPrintDialogKind::PageSetup:
                r.Printer->SetOrientation(orientation);
                return true;
            case TPrintDialogKind::Preview:
                previewPages = r.PageCount;
                r.Printer->SetOutputFileName(pdf_);
                return printFromPreview;
            }
            return false;
        });
    }
    ~PrintDialogs() { SetPrintDialogHook(previous_); }
    PrintDialogs(const PrintDialogs&) = delete;
    PrintDialogs& operator=(const PrintDialogs&) = delete;

    TPrinterOrientation orientation = poLandscape;
    bool printFromPreview = false;
    int previewPages = -1;
    int Shown() const { return shown_; }

private:
    std::string pdf_;
    int shown_ = 0;
    TPrintDialogHook previous_;
};

// A station with its main window (the MDI frame, not connected) and the report window.
class GraphStation : public apptest::StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        guitest::EnsureApp();
        apptest::WriteFile(IniPath(), apptest::QuietIni);
        FormMain = new TFormMain(nullptr);
        Application->FormCreated(FormMain);
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
        if (FormMain) {
            Application->FormDestroyed(FormMain);
            FormMain->Free();
        }
        FormMain = nullptr;
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
