// TFormWebPrint: turns an HTML template into a report page, shows it, and prints it, previews the
// print or sets up the page.
//
// A report is plain text substitution: the caller names placeholders and their values; the first
// occurrence of each placeholder in the template is replaced, and the result is saved as
// "Type<n>.html" in the current folder (n cycles 1, 2, 3, 0, so a page stays intact while the next
// three reports are made) and shown. Graph pictures enter the page as bitmap files whose paths
// replace placeholders in image references.
//
// A template's encoding is the one its <meta charset> names (UTF-8 for the templates shipped; a
// Windows-1251 template from a plant still works); without one it is UTF-8 when the bytes are valid
// UTF-8 and Windows-1251 otherwise. The page is written in the template's encoding, the values
// converted to it.
#pragma once

#include "gui/Buttons.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Printers.h"
#include "gui/StdCtrls.h"
#include "gui/WebView.h"
#include "rtl/DateUtils.h"

#include <memory>

class TLevelGraph;

class TFormWebPrint : public TForm {
    PLANTMON_CLASS(TFormWebPrint, TForm)
public:
    explicit TFormWebPrint(TComponent* owner);
    ~TFormWebPrint() override;

    TPanel* PanelTop = nullptr;
    TButton* ButPrint = nullptr;      // "Печать"
    TButton* ButPageSetup = nullptr;  // "Параметры страницы"
    TButton* ButPreview = nullptr;    // "Предварительный просмотр"
    TButton* ButClose = nullptr;      // "Закрыть": closes the window
    TWebView* CppWebBrowser1 = nullptr;

    // Full path of the last picture MakeGraphReport wrote.
    AnsiString BitmapPath;
    // Number in the name of the next page file.
    int PageCounter = 0;
    // The current report's placeholders and their values, pair by pair.
    TStringList* PlaceholderList = nullptr;
    TStringList* ValueList = nullptr;
    // The template's text, then the finished page.
    TStringList* TemplateLines = nullptr;

    // Fills the template at path with the pairs, saves the page, shows it modally. False without a
    // message when a list is missing or the two differ in length; false with "Не могу открыть файл
    // шаблона." when the template does not exist.
    bool LoadReportTemplate(const AnsiString& path, TStrings* names, TStrings* values);
    // A one-chart report on "PrintWeb.html" of the current folder: title, date (when showDate),
    // axis names, four legend entries (an empty name gives a white marker) and the chart's picture
    // at 1000 x 500. The chart gets its own scale and margin settings back on every way out. A
    // missing template is reported like LoadReportTemplate does.
    bool MakeGraphReport(TLevelGraph* chart, const AnsiString& title, TDateTime date, bool showDate,
                         const AnsiString& xName, const AnsiString& yName, const AnsiString& y2Name,
                         const AnsiString& name1, TColor color1, const AnsiString& name2, TColor color2,
                         const AnsiString& name3, TColor color3, const AnsiString& name4, TColor color4);
    // Replaces, in list order, the first occurrence of each placeholder of the form's lists in the
    // lines (joined, replaced, split again). Nothing happens when the lists are empty or differ.
    void ReplacePlaceholders(TStrings* lines);
    // "#RRGGBB" of the colour (system colours resolved).
    static AnsiString ColorToHtml(TColor color);

    void ButPrintClick(TObject* Sender);
    void ButPageSetupClick(TObject* Sender);
    void ButPreviewClick(TObject* Sender);
    void ButCloseClick(TObject* Sender);

    // The page settings the three commands share for the run.
    TPrinter* WebPrinter() const { return printer_.get(); }
    // Path of the page shown last.
    AnsiString PagePath() const { return pagePath_; }

private:
    enum class TEncoding { Utf8, Cp1251 };
    // Loads the template into TemplateLines (as text), remembering its encoding; false when the
    // file does not exist.
    bool loadTemplate(const AnsiString& path);
    // Advances the counter, writes TemplateLines as the next page file, shows it.
    void writeAndShowPage();
    AnsiString nextPagePath();

    std::unique_ptr<TPrinter> printer_;
    TEncoding encoding_ = TEncoding::Utf8;
    AnsiString pagePath_;
};

extern TFormWebPrint* FormWebPrint;
