// HTML reports: placeholder replacement, pages from templates (encodings, the page cycle, missing
// templates), the one-chart report, and printing, preview and page setup into PDF files.
#include "GraphsTestSupport.h"

#include "charts/LevelGraph.h"
#include "gui/QtGraphicsInternal.h"
#include "gui/WinApi.h"
#include "rtl/FileUtils.h"

#include <QImage>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using apptest::ReadFile;
using apptest::WriteFile;
using graphstest::GraphStation;
using testlib::PrintDialogs;

std::vector<std::string> lines(TStrings* s) {
    std::vector<std::string> out;
    for (int i = 0; i < s->Count(); ++i) out.push_back(s->Strings(i).str());
    return out;
}

void setPairs(TFormWebPrint* f, const std::vector<std::pair<std::string, std::string>>& pairs) {
    f->PlaceholderList->Clear();
    f->ValueList->Clear();
    for (auto& [n, v] : pairs) {
        f->PlaceholderList->Add(n);
        f->ValueList->Add(v);
    }
}

TEST_F(GraphStation, PlaceholdersReplaceTheirFirstOccurrenceInListOrder) {
    struct Case {
        const char* what;
        std::vector<std::string> page;
        std::vector<std::pair<std::string, std::string>> pairs;
        std::vector<std::string> want;
    } cases[] = {
        {"first occurrence only", {"QRLabelDate and QRLabelDate"}, {{"QRLabelDate", "15.03.2010"}},
         {"15.03.2010 and QRLabelDate"}},
        {"letter case matters", {"qrlabeldate"}, {{"QRLabelDate", "x"}}, {"qrlabeldate"}},
        {"absent placeholders are skipped", {"<b>QRLabelTitle</b>"}, {{"Missing", "x"}, {"QRLabelTitle", "Т"}},
         {"<b>Т</b>"}},
        {"a value may hold a later placeholder", {"A"}, {{"A", "B-B"}, {"B", "C"}}, {"C-B"}},
        {"lines stay lines", {"<p>pic1.BMP</p>", "", "<p>end</p>"}, {{"pic1.BMP", "/t/a.bmp"}},
         {"<p>/t/a.bmp</p>", "", "<p>end</p>"}},
        {"lists of different length change nothing", {"A B"}, {{"A", "1"}}, {"A B"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TStringList page;
        for (auto& l : k.page) page.Add(l);
        setPairs(FormWebPrint, k.pairs);
        if (std::string(k.what) == "lists of different length change nothing") FormWebPrint->ValueList->Add("2");
        FormWebPrint->ReplacePlaceholders(&page);
        EXPECT_EQ(lines(&page), k.want);
    }
    setPairs(FormWebPrint, {});
    TStringList page;
    page.Add("A");
    FormWebPrint->ReplacePlaceholders(&page);
    EXPECT_EQ(lines(&page), std::vector<std::string>{"A"});
}

TEST_F(GraphStation, ColoursAsHtml) {
    struct Case {
        TColor color;
        std::string html;
    } cases[] = {{clRed, "#FF0000"}, {clBlue, "#0000FF"}, {0x00123456, "#563412"}, {clWhite, "#FFFFFF"}};
    for (const Case& k : cases) EXPECT_EQ(TFormWebPrint::ColorToHtml(k.color).str(), k.html);
    TColor face = ColorToRGB(clBtnFace);
    char want[8];
    std::snprintf(want, sizeof want, "#%02X%02X%02X", GetRValue(face), GetGValue(face), GetBValue(face));
    EXPECT_EQ(TFormWebPrint::ColorToHtml(clBtnFace).str(), want);
}

// A report page is made, shown modally and kept; the next four reports cycle through four files.
TEST_F(GraphStation, PagesCycleThroughFourFilesAndShowTheFilledTemplate) {
    WriteFile(dir / "Report.html",
              "<html><head><meta charset=\"utf-8\"></head><body><h1>QRLabelTitle</h1><p>QRLabelDate</p>"
              "<img src=\"pic.BMP\" width=\"500\" height=\"75\"></body></html>\n");
    TBitmap pic(1000, 150);
    pic.SaveToFile(AnsiString(dir / "Temp/FL_pic0.bmp"), "BMP");
    TStringList names, values;
    names.Add("QRLabelTitle");
    names.Add("QRLabelDate");
    names.Add("pic.BMP");
    values.Add("Графики флотации");
    values.Add("15.03.2010");
    values.Add(dir / "Temp/FL_pic0.bmp");

    guitest::ModalDriver modal;
    std::string shownText;
    int imageWidth = 0;
    modal.Then([&](TCustomForm* f) {
        shownText = FormWebPrint->CppWebBrowser1->PlainText().str();
        QImage img = FormWebPrint->CppWebBrowser1->Browser()->document()
                         ->resource(QTextDocument::ImageResource,
                                    QUrl::fromLocalFile(QString::fromStdString(dir / "Temp/FL_pic0.bmp")))
                         .value<QImage>();
        imageWidth = img.width();
        f->SetModalResult(mrCancel);
    });
    for (int i = 0; i < 4; ++i) modal.ThenClose(mrCancel);

    std::vector<std::string> written;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Report.html"), &names, &values));
        written.push_back(ExtractFileName(FormWebPrint->PagePath()).str());
    }
    EXPECT_EQ(written, (std::vector<std::string>{"Type1.html", "Type2.html", "Type3.html", "Type0.html", "Type1.html"}));
    EXPECT_EQ(modal.Shown(), 5);
    EXPECT_NE(shownText.find("Графики флотации"), std::string::npos);
    EXPECT_NE(shownText.find("15.03.2010"), std::string::npos);
    EXPECT_EQ(imageWidth, 1000);
    std::string page = ReadFile(dir / "Type2.html");
    EXPECT_NE(page.find("<h1>Графики флотации</h1>"), std::string::npos);
    EXPECT_NE(page.find("src=\"" + (dir / "Temp/FL_pic0.bmp") + "\""), std::string::npos);
}

TEST_F(GraphStation, MissingTemplateOrUnpairedListsMakeNoPage) {
    guitest::MessageBoxRecorder boxes;
    TStringList names, values;
    names.Add("A");
    values.Add("1");
    EXPECT_FALSE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Nowhere.html"), &names, &values));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, AnsiString("Не могу открыть файл шаблона."));
    EXPECT_EQ(boxes.Last().Caption, AnsiString("Ошибка"));
    EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);

    WriteFile(dir / "Report.html", "<p>A</p>\n");
    names.Add("B");
    EXPECT_FALSE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Report.html"), &names, &values));
    EXPECT_FALSE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Report.html"), nullptr, &values));
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(FormWebPrint->PageCounter, 0);
    EXPECT_FALSE(FileExists(AnsiString(dir / "Type1.html")));
}

TEST_F(GraphStation, AWindows1251TemplateGetsItsPageInWindows1251) {
    std::string templ = Utf8ToCp1251(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"></head>"
        "<body><p>Отчёт: QRLabelTitle</p></body></html>\n");
    WriteFile(dir / "Old.html", templ);
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add("Графики работы разгрузчиков");
    guitest::ModalDriver modal;
    std::string shown;
    modal.Then([&](TCustomForm* f) {
        shown = FormWebPrint->CppWebBrowser1->PlainText().str();
        f->SetModalResult(mrCancel);
    });
    ASSERT_TRUE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Old.html"), &names, &values));
    std::string page = ReadFile(FormWebPrint->PagePath().str());
    EXPECT_NE(page.find(Utf8ToCp1251("Отчёт: Графики работы разгрузчиков")), std::string::npos);
    EXPECT_FALSE(IsValidUtf8(page));
    EXPECT_NE(shown.find("Отчёт: Графики работы разгрузчиков"), std::string::npos);
}

// ---- The one-chart report --------------------------------------------------------------------------

struct ReportChart {
    std::unique_ptr<TLevelGraph> g;
    ReportChart() {
        g = std::make_unique<TLevelGraph>(nullptr);
        g->SetBounds(0, 0, 764, 300);
        g->SetShowScaleX(false);
        g->SetGraphSubHeight(10);
        g->SetGraphSubWidth(40);
        g->SetYMax(1500);
        g->SetYLabelStep(150);
        g->SetXLabelStep(2 * OneHour);
        g->SetNewStartTime(EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
        g->SetNewStopTime(EncodeDateTime(2010, 3, 16, 6, 59, 59, 0));
        g->SetNewIntervalAccepted(true);
    }
};

TEST_F(GraphStation, GraphReportFillsTheTemplateAndGivesTheChartItsSettingsBack) {
    TemplateIntoProgramFolder("PrintWeb.html");
    ReportChart c;
    guitest::ModalDriver modal;
    modal.ThenClose(mrCancel);
    ASSERT_TRUE(FormWebPrint->MakeGraphReport(c.g.get(), "Графики скорости разгрузчиков", EncodeDate(2010, 3, 15), false,
                                              "", "об/мин", "", "ТС №1", clRed, "ТС №2", clBlue, "ТС №3", clGreen,
                                              "", clBlack));
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_FALSE(c.g->ShowScaleX());
    EXPECT_EQ(c.g->GraphSubHeight(), 10);
    EXPECT_EQ(c.g->GraphSubWidth(), 40);

    EXPECT_EQ(FormWebPrint->BitmapPath.str(), dir / "type_tmp0.BMP");
    EXPECT_EQ(ExtractFileName(FormWebPrint->PagePath()).str(), "Type1.html");
    QImage picture(QString::fromStdString(dir / "type_tmp0.BMP"));
    EXPECT_EQ(picture.width(), 1000);
    EXPECT_EQ(picture.height(), 500);
    EXPECT_EQ(picture.pixelColor(500, 250).rgb() & 0xFFFFFF, 0xFFFFFFu);

    std::string page = ReadFile(FormWebPrint->PagePath().str());
    for (const char* want : {"#FF0000", "#0000FF", "#008000", "#FFFFFF", "Графики скорости разгрузчиков", "об/мин",
                             "ТС №3"})
        EXPECT_NE(page.find(want), std::string::npos) << want;
    for (const char* gone : {"#818181", "#848484", "QRLabelDate", "QRLabelG4", "type_tmp.BMP"})
        EXPECT_EQ(page.find(gone), std::string::npos) << gone;
}

TEST_F(GraphStation, GraphReportWithoutItsTemplateSaysSoAndLeavesTheChartAlone) {
    ReportChart c;
    guitest::MessageBoxRecorder boxes;
    EXPECT_FALSE(FormWebPrint->MakeGraphReport(c.g.get(), "T", EncodeDate(2010, 3, 15), true, "", "об/мин", "", "a",
                                               clRed, "", clBlack, "", clBlack, "", clBlack));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, AnsiString("Не могу открыть файл шаблона."));
    EXPECT_FALSE(c.g->ShowScaleX());
    EXPECT_EQ(c.g->GraphSubHeight(), 10);
    EXPECT_EQ(c.g->GraphSubWidth(), 40);
    EXPECT_EQ(FormWebPrint->PageCounter, 0);
    EXPECT_FALSE(FileExists(AnsiString(dir / "type_tmp0.BMP")));
}

// ---- Printing ------------------------------------------------------------------------------------------

TEST_F(GraphStation, PrintPreviewAndPageSetupGoThroughThePrinterIntoPdf) {
    TemplateIntoProgramFolder("PrintWeb.html");
    ReportChart c;
    std::string pdf = dir / "report.pdf";
    std::string landscape = dir / "landscape.pdf";
    PrintDialogs dialogs(pdf);
    guitest::ModalDriver modal;
    modal.Then([&](TCustomForm* f) {
        FormWebPrint->ButPrint->Click();
        FormWebPrint->ButPreview->Click();
        FormWebPrint->ButPageSetup->Click();
        FormWebPrint->WebPrinter()->SetOutputFileName(landscape);
        dialogs.printFromPreview = false;
        PrintWebView(FormWebPrint->CppWebBrowser1, FormWebPrint->WebPrinter(), false);
        f->SetModalResult(mrCancel);
    });
    ASSERT_TRUE(FormWebPrint->MakeGraphReport(c.g.get(), "Графики скорости разгрузчиков машины крупного класса",
                                              EncodeDate(2010, 3, 15), true, "", "об/мин", "", "ТС №1", clRed, "",
                                              clBlack, "", clBlack, "", clBlack));
    EXPECT_EQ(dialogs.Shown(), 3);
    EXPECT_GE(dialogs.previewPages, 1);

    ASSERT_GE(testlib::PdfPages(pdf), 1);
    std::string text = testlib::PdfText(pdf);
    for (const char* want : {"Графики скорости разгрузчиков машины крупного класса", "15.03.2010", "об/мин", "ТС №1"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;
    std::string images = testlib::Run("pdfimages -list '" + pdf + "' 2>/dev/null");
    EXPECT_NE(images.find("image"), std::string::npos) << images;

    std::string info = testlib::Run("pdfinfo '" + landscape + "' 2>/dev/null");
    auto at = info.find("Page size:");
    ASSERT_NE(at, std::string::npos) << info;
    double w = 0, h = 0;
    std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
    EXPECT_GT(w, h);
}

TEST_F(GraphStation, ASecondReportShowsTheRewrittenPictureNotTheOldOne) {
    WriteFile(dir / "Pic.html", "<html><body><img src=\"pic.BMP\" width=\"200\" height=\"100\"></body></html>\n");
    AnsiString picPath = AnsiString(dir / "Temp/HS_pic0.bmp");
    TStringList names, values;
    names.Add("pic.BMP");
    values.Add(picPath);
    guitest::ModalDriver modal;
    std::vector<TColor> seen;
    for (int i = 0; i < 2; ++i) {
        modal.Then([&](TCustomForm* f) {
            guitest::Pump(50);
            QImage shot = guitest::Grab(FormWebPrint->CppWebBrowser1);
            bool red = false, green = false;
            for (int y = 0; y < shot.height(); y += 3)
                for (int x = 0; x < shot.width(); x += 3) {
                    TColor c = guitest::PixelOf(shot, x, y);
                    red = red || c == clRed;
                    green = green || c == clLime;
                }
            seen.push_back(red && !green ? clRed : green && !red ? clLime : clBlack);
            f->SetModalResult(mrCancel);
        });
    }
    for (TColor fill : {clRed, clLime}) {
        TBitmap pic(200, 100);
        pic.Canvas()->Brush()->SetColor(fill);
        pic.Canvas()->FillRect(TRect(0, 0, 200, 100));
        pic.SaveToFile(picPath, "BMP");
        ASSERT_TRUE(FormWebPrint->LoadReportTemplate(AnsiString(dir / "Pic.html"), &names, &values));
    }
    EXPECT_EQ(seen, (std::vector<TColor>{clRed, clLime}));
}

}  // namespace
