// The grid's exports as other programs read them: LibreOffice (Russian interface, a home of its
// own) turns the text, CSV, HTML, RTF and worksheet files back into text, several files a call;
// python3-xlrd (the system's python) reads the worksheet's cell types, Cyrillic, a large integer and the titles.
#include "../ExportTestSupport.h"

#include "testlib/gui/Pdf.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using exporttest::ExportTest;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool have(const char* program) { return !testlib::Run(std::string("command -v ") + program).empty(); }

class ReadersTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        if (!have("soffice") || !have("/usr/bin/python3")) GTEST_SKIP() << "LibreOffice or python3 missing (scripts/deps)";
        Open({{"Name", ftString}, {"N", ftInteger}, {"F", ftFloat}},
             {{Variant("Отсадка"), Variant(600000000), Variant(1.5)},
              {Variant("a;\"b\"<&>{x}\\"), Variant(5), Null()}});
        Col(0)->Title()->SetCaption("Имя");
        Col(1)->Title()->SetCaption("Число");
        Col(2)->Title()->SetCaption("Доля");
    }
    void Save(TDBGridGxExportClass cls, const char* name) {
        SaveDBGridGxToExportFile(cls, grid.get(), dir / name, true);
    }
    // Converts the files with one call of LibreOffice; the output lands in dir/out.
    void Convert(const std::string& args, std::initializer_list<const char*> files) {
        std::string cmd = "cd '" + dir.Path() + "' && LANG=ru_RU.UTF-8 HOME='" + home.Path() +
                          "' timeout 240 soffice --headless " + args + " --outdir out";
        for (const char* f : files) cmd += std::string(" ") + f;
        testlib::Run(cmd + " >/dev/null 2>&1");
    }
    std::string Out(const char* name) { return readFile(dir / (std::string("out/") + name)); }

    testlib::TempDir dir{"readers"};
    testlib::TempDir home{"readers-home"};
};

TEST_F(ReadersTest, LibreOfficeReadsEveryExportBack) {
    Save(ExportClassOf<TDBGridGxExportAsCSV>(), "grid.csv");
    Save(ExportClassOf<TDBGridGxExportAsText>(), "tabs.txt");
    Save(ExportClassOf<TDBGridGxExportAsHTML>(), "page.html");
    Save(ExportClassOf<TDBGridGxExportAsRTF>(), "doc.rtf");
    Save(ExportClassOf<TDBGridGxExportAsXLS>(), "sheet.xls");

    // Writer: the document and the page as text, one call.
    Convert("--convert-to 'txt:Text (encoded):UTF8'", {"doc.rtf", "page.html"});
    for (const char* name : {"doc.txt", "page.txt"}) {
        SCOPED_TRACE(name);
        const std::string text = Out(name);
        EXPECT_NE(text.find("Отсадка"), std::string::npos) << text;
        EXPECT_NE(text.find("Число"), std::string::npos) << text;
        EXPECT_NE(text.find("a;\"b\"<&>{x}\\"), std::string::npos) << "escaped characters come back as they were\n"
                                                               << text;
    }
    // Calc: the worksheet as CSV (comma, quotes, UTF-8).
    Convert("--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76'", {"sheet.xls"});
    const std::string sheet = Out("sheet.csv");
    EXPECT_NE(sheet.find("Имя,Число,Доля"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("Отсадка,600000000,\"1,5\""), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("\"a;\"\"b\"\"<&>{x}\\\",5,"), std::string::npos) << sheet;
    // Calc: the CSV (';') and the text (TAB) read as Windows-1251, written back as UTF-8 with commas.
    Convert("--infilter='Text - txt - csv (StarCalc):59,34,34,1' --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76'",
            {"grid.csv"});
    Convert("--infilter='Text - txt - csv (StarCalc):9,34,34,1' --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76'",
            {"tabs.txt"});
    for (const char* name : {"grid.csv", "tabs.csv"}) {
        SCOPED_TRACE(name);
        const std::string text = Out(name);
        EXPECT_NE(text.find("Имя,Число,Доля"), std::string::npos) << text;
        EXPECT_NE(text.find("Отсадка,600000000,\"1,5\""), std::string::npos) << text;
        EXPECT_NE(text.find("\"a;\"\"b\"\"<&>{x}\\\",5,"), std::string::npos) << text;
    }
    // The page read by Calc keeps its table.
    Convert("--infilter='HTML (StarCalc)' --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76'", {"page.html"});
    EXPECT_NE(Out("page.csv").find("Отсадка,600000000"), std::string::npos) << Out("page.csv");
}

TEST_F(ReadersTest, XlrdReadsTheWorksheetsTypedCells) {
    if (testlib::Run("/usr/bin/python3 -c 'import xlrd' 2>&1 && echo ok").find("ok") == std::string::npos)
        GTEST_SKIP() << "python3-xlrd missing (scripts/deps)";
    Save(ExportClassOf<TDBGridGxExportAsXLS>(), "sheet.xls");
    const std::string script =
        "import xlrd\n"
        "b = xlrd.open_workbook('" + (dir / "sheet.xls") + "', encoding_override='cp1251')\n"
        "s = b.sheet_by_index(0)\n"
        "for r in range(s.nrows):\n"
        "    print('|'.join('%d:%s' % (s.cell_type(r, c), s.cell_value(r, c)) for c in range(s.ncols)))\n";
    {
        std::ofstream f(dir / "read.py");
        f << script;
    }
    const std::string out = testlib::Run("/usr/bin/python3 '" + (dir / "read.py") + "' 2>&1");
    EXPECT_EQ(out,
              "1:Имя|1:Число|1:Доля\n"
              "1:Отсадка|2:600000000.0|2:1.5\n"
              "1:a;\"b\"<&>{x}\\|2:5.0|0:\n")
        << out;
}

}  // namespace
