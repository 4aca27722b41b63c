#include "screens/graphs/FormWebPrint.h"

#include "charts/LevelGraph.h"
#include "core/Global.h"
#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/Streams.h"

#include <cctype>
#include <fstream>
#include <sstream>

TFormWebPrint* FormWebPrint = nullptr;

namespace {

bool readBytes(const AnsiString& path, std::string& out) {
    std::ifstream in(PosixPath(path).str(), std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

bool writeBytes(const AnsiString& path, const std::string& bytes) {
    std::ofstream out(PosixPath(path).str(), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The charset a page's head names ("<meta charset=...>" or "content=...; charset=..."), lower case;
// empty when none.
std::string declaredCharset(const std::string& bytes) {
    std::string head = lower(bytes.substr(0, 4096));
    std::size_t at = 0;
    while ((at = head.find("<meta", at)) != std::string::npos) {
        std::size_t end = head.find('>', at);
        std::string tag = head.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::size_t cs = tag.find("charset=");
        if (cs != std::string::npos) {
            std::size_t i = cs + 8;
            while (i < tag.size() && (tag[i] == '"' || tag[i] == '\'' || tag[i] == ' ')) ++i;
            std::size_t j = i;
            while (j < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[j])) || tag[j] == '-' || tag[j] == '_'))
                ++j;
            return tag.substr(i, j - i);
        }
        at += 5;
    }
    return std::string();
}

}  // namespace

TFormWebPrint::TFormWebPrint(TComponent* owner) : TForm(owner), printer_(std::make_unique<TPrinter>()) {
    SetName("FormWebPrint");
    SetCaption("Печать графиков работы");
    SetBounds(0, 0, 800, 600);
    SetWindowState(wsMaximized);

    PanelTop = new TPanel(this);
    PanelTop->SetName("PanelTop");
    PanelTop->SetParent(this);
    PanelTop->SetAlign(alTop);
    PanelTop->SetHeight(41);
    PanelTop->SetCaption("");
    struct Btn {
        TButton*& button;
        const char* name;
        const char* caption;
        int left, width;
        void (TFormWebPrint::*handler)(TObject*);
    } buttons[] = {
        {ButPrint, "ButPrint", "Печать", 8, 90, &TFormWebPrint::ButPrintClick},
        {ButPageSetup, "ButPageSetup", "Параметры страницы", 104, 150, &TFormWebPrint::ButPageSetupClick},
        {ButPreview, "ButPreview", "Предварительный просмотр", 260, 190, &TFormWebPrint::ButPreviewClick},
        {ButClose, "ButClose", "Закрыть", 456, 90, &TFormWebPrint::ButCloseClick},
    };
    for (Btn& b : buttons) {
        b.button = new TButton(this);
        b.button->SetName(b.name);
        b.button->SetParent(PanelTop);
        b.button->SetBounds(b.left, 8, b.width, 25);
        b.button->SetCaption(b.caption);
        b.button->OnClick = TNotifyEvent(this, b.handler);
    }
    ButClose->SetCancel(true);

    CppWebBrowser1 = new TWebView(this);
    CppWebBrowser1->SetName("CppWebBrowser1");
    CppWebBrowser1->SetParent(this);
    CppWebBrowser1->SetAlign(alClient);

    PlaceholderList = new TStringList();
    ValueList = new TStringList();
    TemplateLines = new TStringList();
}

TFormWebPrint::~TFormWebPrint() {
    if (FormWebPrint == this) FormWebPrint = nullptr;
    delete PlaceholderList;
    delete ValueList;
    delete TemplateLines;
}

AnsiString TFormWebPrint::ColorToHtml(TColor color) {
    TColor rgb = ColorToRGB(color);
    return "#" + IntToHex(GetRValue(rgb), 2) + IntToHex(GetGValue(rgb), 2) + IntToHex(GetBValue(rgb), 2);
}

void TFormWebPrint::ReplacePlaceholders(TStrings* lines) {
    if (!lines) return;
    int n = PlaceholderList->Count();
    if (n == 0 || n != ValueList->Count()) return;
    // One text, so a placeholder is found wherever the template's lines break.
    std::string text;
    for (int i = 0; i < lines->Count(); ++i) {
        if (i > 0) text += '\n';
        text += lines->Strings(i).str();
    }
    for (int i = 0; i < n; ++i) {
        const std::string name = PlaceholderList->Strings(i).str();
        if (name.empty()) continue;
        std::size_t at = text.find(name);
        if (at == std::string::npos) continue;
        text.replace(at, name.size(), ValueList->Strings(i).str());
    }
    lines->BeginUpdate();
    lines->Clear();
    std::size_t start = 0;
    while (true) {
        std::size_t nl = text.find('\n', start);
        lines->Add(AnsiString(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start)));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    lines->EndUpdate();
}

bool TFormWebPrint::loadTemplate(const AnsiString& path) {
    std::string bytes;
    if (!FileExists(path) || !readBytes(path, bytes)) return false;
    std::string cs = declaredCharset(bytes);
    if (cs == "windows-1251" || cs == "cp1251" || cs == "win-1251" || cs == "x-cp1251")
        encoding_ = TEncoding::Cp1251;
    else if (cs.empty())
        encoding_ = IsValidUtf8(bytes) ? TEncoding::Utf8 : TEncoding::Cp1251;
    else
        encoding_ = TEncoding::Utf8;
    // Inside, the lines are UTF-8 like every value; the page goes back to the template's encoding.
    std::string text = encoding_ == TEncoding::Cp1251 ? Cp1251ToUtf8(bytes) : bytes;
    TemplateLines->BeginUpdate();
    TemplateLines->Clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (nl == std::string::npos) {
            if (!line.empty()) TemplateLines->Add(AnsiString(line));
            break;
        }
        TemplateLines->Add(AnsiString(line));
        start = nl + 1;
    }
    TemplateLines->EndUpdate();
    return true;
}

AnsiString TFormWebPrint::nextPagePath() {
    PageCounter = (PageCounter + 1) % 4;
    return IncludeTrailingPathDelimiter(GetCurrentDir()) + "Type" + IntToStr(PageCounter) + ".html";
}

void TFormWebPrint::writeAndShowPage() {
    AnsiString path = nextPagePath();
    std::string text;
    for (int i = 0; i < TemplateLines->Count(); ++i) {
        text += TemplateLines->Strings(i).str();
        text += '\n';
    }
    if (encoding_ == TEncoding::Cp1251) text = Utf8ToCp1251(text);
    if (!writeBytes(path, text)) throw EFCreateError("Не могу создать файл " + path);
    pagePath_ = path;
    CppWebBrowser1->Navigate(path);
}

bool TFormWebPrint::LoadReportTemplate(const AnsiString& path, TStrings* names, TStrings* values) {
    if (!names || !values || names->Count() != values->Count()) return false;
    if (!FileExists(path)) {
        MessageBox(nullptr, "Не могу открыть файл шаблона.", "Ошибка", MB_ICONERROR);
        return false;
    }
    PlaceholderList->Clear();
    ValueList->Clear();
    TemplateLines->Clear();
    if (!loadTemplate(path)) {
        MessageBox(nullptr, "Не могу открыть файл шаблона.", "Ошибка", MB_ICONERROR);
        return false;
    }
    for (int i = 0; i < names->Count(); ++i) {
        PlaceholderList->Add(names->Strings(i));
        ValueList->Add(values->Strings(i));
    }
    ReplacePlaceholders(TemplateLines);
    writeAndShowPage();
    ShowModal();
    return true;
}

bool TFormWebPrint::MakeGraphReport(TLevelGraph* chart, const AnsiString& title, TDateTime date, bool showDate,
                                    const AnsiString& xName, const AnsiString& yName, const AnsiString& y2Name,
                                    const AnsiString& name1, TColor color1, const AnsiString& name2, TColor color2,
                                    const AnsiString& name3, TColor color3, const AnsiString& name4, TColor color4) {
    if (!chart) return false;
    const AnsiString templatePath = IncludeTrailingPathDelimiter(GetCurrentDir()) + "PrintWeb.html";
    if (!FileExists(templatePath)) {
        MessageBox(nullptr, "Не могу открыть файл шаблона.", "Ошибка", MB_ICONERROR);
        return false;
    }

    // The chart gets room for its scales in the picture, and its own settings back on every way out.
    struct Restore {
        TLevelGraph* g;
        bool showScaleX;
        int subHeight, subWidth;
        bool done = false;
        void now() {
            if (done) return;
            done = true;
            g->SetShowScaleX(showScaleX);
            g->SetGraphSubHeight(subHeight);
            g->SetGraphSubWidth(subWidth);
        }
        ~Restore() { now(); }
    } restore{chart, chart->ShowScaleX(), chart->GraphSubHeight(), chart->GraphSubWidth()};

    PlaceholderList->Clear();
    ValueList->Clear();
    TemplateLines->Clear();
    auto pair = [&](const AnsiString& n, const AnsiString& v) {
        PlaceholderList->Add(n);
        ValueList->Add(v);
    };
    pair("QRLabelTitle", title);
    pair("QRLabelDate", showDate ? FormatDateTime("dd.mm.yyyy", date) : AnsiString());
    pair("QRLabelYName", yName);
    pair("QRLabelY2Name", y2Name);
    pair("QRLabelXName", xName);
    const AnsiString names[4] = {name1, name2, name3, name4};
    const TColor colors[4] = {color1, color2, color3, color4};
    for (int i = 0; i < 4; ++i) pair("QRLabelG" + IntToStr(i + 1), names[i]);
    const char* markers[4] = {"#818181", "#828282", "#838383", "#848484"};
    for (int i = 0; i < 4; ++i) pair(markers[i], names[i].IsEmpty() ? AnsiString("#FFFFFF") : ColorToHtml(colors[i]));

    chart->SetShowScaleX(true);
    chart->SetGraphSubHeight(25);
    chart->SetGraphSubWidth(70);

    BitmapPath = IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFileName())) + "type_tmp" +
                 IntToStr(PageCounter) + ".BMP";
    DeleteFile(BitmapPath);
    chart->ExportImage(1000, 500, true);
    chart->Bitmap->SaveToFile(BitmapPath, "BMP");
    pair("type_tmp.BMP", BitmapPath);

    if (!loadTemplate(templatePath)) {
        MessageBox(nullptr, "Не могу открыть файл шаблона.", "Ошибка", MB_ICONERROR);
        return false;
    }
    ReplacePlaceholders(TemplateLines);
    writeAndShowPage();
    // The on-screen chart is itself again before the report window shows.
    restore.now();
    ShowModal();
    return true;
}

void TFormWebPrint::ButPrintClick(TObject*) {
    printer_->SetTitle(Caption());
    PrintWebView(CppWebBrowser1, printer_.get(), true);
}

void TFormWebPrint::ButPageSetupClick(TObject*) { PageSetupDialog(printer_.get()); }

void TFormWebPrint::ButPreviewClick(TObject*) {
    printer_->SetTitle(Caption());
    PreviewWebView(CppWebBrowser1, printer_.get());
}

void TFormWebPrint::ButCloseClick(TObject*) {
    if (Modal()) SetModalResult(mrCancel);
    else Close();
}
