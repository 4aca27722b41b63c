// Prints read back: a command's output, the text and page count of a PDF (poppler-utils), and the
// print dialogs answered so that prints go into a PDF file.
#pragma once

#include "gui/Printers.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace testlib {

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

// Tabs and runs of blanks (the layout's columns) as one blank.
inline std::string SquashBlanks(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\t') ch = ' ';
        if (ch == ' ' && !out.empty() && out.back() == ' ') continue;
        out += ch;
    }
    return out;
}

inline int PdfPages(const std::string& pdf) {
    std::string info = Run("pdfinfo '" + pdf + "' 2>/dev/null");
    auto at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

// Answers the print dialogs: prints go into pdf (only pages fromPage … toPage when set and the
// dialog offers a range), page and printer setups turn the page to orientation, and previews
// record how many pages they laid out (and print when printFromPreview).
class PrintDialogs {
public:
    explicit PrintDialogs(std::string pdf) : pdf_(std::move(pdf)) {
        previous_ = SetPrintDialogHook([this](TPrintDialogRequest& r) {
            ++shown_;
            switch (r.Kind) {
            case TPrintDialogKind::Print:
                r.Printer->SetOutputFileName(pdf_);
                offeredMin = r.MinPage;
                offeredMax = r.MaxPage;
                if (fromPage > 0 && r.MaxPage > 0) {
                    r.Range = prPageNums;
                    r.FromPage = fromPage;
                    r.ToPage = toPage;
                }
                return printAccepted;
            case TPrintDialogKind::PageSetup:
            case TPrintDialogKind::PrinterSetup:
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
    bool printAccepted = true;
    // The pages chosen in a print dialog that offers a range (0: all).
    int fromPage = 0;
    int toPage = 0;
    // The range the last print dialog offered.
    int offeredMin = 0;
    int offeredMax = 0;
    int previewPages = -1;
    int Shown() const { return shown_; }

private:
    std::string pdf_;
    int shown_ = 0;
    TPrintDialogHook previous_;
};

}  // namespace testlib
