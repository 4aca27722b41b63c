// The grid's exports as other programs read them: LibreOffice (Russian interface, a home of its
// own, started once for all files) reads the text, CSV, HTML, RTF and worksheet files back cell by cell;
// python3-xlrd (the system's python) reads the worksheet's cell types, Cyrillic, a large integer and the titles.
#include "../ExportTestSupport.h"

#include "testlib/TestDb.h"
#include "testlib/gui/Pdf.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using exporttest::ExportTest;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool have(const char* program) { return !testlib::Run(std::string("command -v ") + program).empty(); }

// The cells of a CSV text as LibreOffice writes it: comma-separated, quoted when needed, quotes
// doubled, lines ended by LF or CR LF, perhaps after a byte-order mark.
using Table = std::vector<std::vector<std::string>>;
Table csvCells(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    Table rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(cell);
            cell.clear();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            row.push_back(cell);
            rows.push_back(row);
            row.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.empty()) {
        row.push_back(cell);
        rows.push_back(row);
    }
    return rows;
}

// The lines of a text LibreOffice wrote (after its byte-order mark).
std::vector<std::string> textLines(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The HTML page writes an empty cell as "&nbsp": it reads back as a no-break space (Writer) or a
// blank (Calc), which count as empty here.
std::string pageCell(const std::string& cell) { return cell == "\xC2\xA0" || cell == " " ? std::string() : cell; }

// The grid's cells as they are shown: titles, then the two records. The second name holds what each
// format must escape; a quote before the separator reads back wrong unless the CSV doubles it.
const Table kCells = {
    {"Имя", "Число", "Доля"},
    {"Отсадка", "600000000", "1,5"},
    {"a;\"b\";\"c\"<&>{x}\\", "5", ""},
};

class ReadersTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        if (!have("soffice") || !have("/usr/bin/python3")) GTEST_SKIP() << "LibreOffice or python3 missing (scripts/deps)";
        Open({{"Name", ftString}, {"N", ftInteger}, {"F", ftFloat}},
             {{Variant(kCells[1][0]), Variant(600000000), Variant(1.5)}, {Variant(kCells[2][0]), Variant(5), Null()}});
        Col(0)->Title()->SetCaption(kCells[0][0]);
        Col(1)->Title()->SetCaption(kCells[0][1]);
        Col(2)->Title()->SetCaption(kCells[0][2]);
    }
    void Save(TDBGridGxExportClass cls, const char* name) {
        SaveDBGridGxToExportFile(cls, grid.get(), dir / name, true);
    }
    // One conversion: the file read and the filter reading it, the file written and its filter.
    struct Job {
        const char* input;
        const char* importFilter;
        const char* importOptions;
        const char* output;
        const char* exportFilter;
        const char* exportOptions;
    };
    // Converts every file with one start of LibreOffice (its user profile a folder of the test's own);
    // the outputs land in dir. The bound is for a machine busy with other work: the office's start
    // is most of the time, a few seconds when idle and some ten times that on a loaded machine.
    std::string Convert(std::initializer_list<Job> jobs) {
        std::string cmd = "cd '" + dir.Path() + "' && LANG=ru_RU.UTF-8 HOME='" + home.Path() +
                          "' timeout -k 10 280 /usr/bin/python3 '" +
                          testdb::SourcePath("tests/gridlib/grid/readers/office_convert.py") + "' '" + home.Path() +
                          "/office' plantmon-readers-" + std::to_string(::getpid());
        for (const Job& j : jobs)
            cmd += std::string(" '") + j.input + "|" + j.importFilter + "|" + j.importOptions + "|" + j.output + "|" +
                   j.exportFilter + "|" + j.exportOptions + "'";
        return testlib::Run(cmd + " 2>&1");
    }
    std::string Out(const char* name) { return readFile(dir / name); }

    testlib::TempDir dir{"readers"};
    testlib::TempDir home{"readers-home"};
};

TEST_F(ReadersTest, LibreOfficeReadsEveryExportBack) {
    Save(ExportClassOf<TDBGridGxExportAsCSV>(), "grid.csv");
    Save(ExportClassOf<TDBGridGxExportAsText>(), "tabs.txt");
    Save(ExportClassOf<TDBGridGxExportAsHTML>(), "page.html");
    Save(ExportClassOf<TDBGridGxExportAsRTF>(), "doc.rtf");
    Save(ExportClassOf<TDBGridGxExportAsXLS>(), "sheet.xls");

    const char* calc = "Text - txt - csv (StarCalc)";
    const char* commas = "44,34,76";  // written back: comma, quote, UTF-8
    const std::string log = Convert({
        // Writer: the document and the page as text.
        {"doc.rtf", "Rich Text Format", "", "doc.txt", "Text (encoded)", "UTF8"},
        {"page.html", "HTML (StarWriter)", "", "page.txt", "Text (encoded)", "UTF8"},
        // Calc: the worksheet; the CSV (';') and the text (TAB) read as Windows-1251; the page's table.
        {"sheet.xls", "", "", "sheet.csv", calc, commas},
        {"grid.csv", calc, "59,34,34,1", "grid-back.csv", calc, commas},
        {"tabs.txt", calc, "9,34,34,1", "tabs-back.csv", calc, commas},
        {"page.html", "HTML (StarCalc)", "", "page.csv", calc, commas},
    });
    for (const char* name : {"doc.txt", "page.txt", "sheet.csv", "grid-back.csv", "tabs-back.csv", "page.csv"})
        ASSERT_NE(log.find(std::string("ok ") + name), std::string::npos) << log;

    // Calc reads every cell back as it was shown, quotes, separators and markup characters included.
    for (const char* name : {"sheet.csv", "grid-back.csv", "tabs-back.csv", "page.csv"}) {
        SCOPED_TRACE(name);
        Table cells = csvCells(Out(name));
        if (std::string(name) == "page.csv")
            for (auto& row : cells)
                for (std::string& cell : row) cell = pageCell(cell);
        EXPECT_EQ(cells, kCells) << Out(name);
    }
    // Writer writes a table's cells one a line, row after row.
    std::vector<std::string> flat;
    for (const auto& row : kCells) flat.insert(flat.end(), row.begin(), row.end());
    for (const char* name : {"doc.txt", "page.txt"}) {
        SCOPED_TRACE(name);
        std::vector<std::string> lines = textLines(Out(name));
        for (std::string& line : lines) line = pageCell(line);
        while (!lines.empty() && lines.back().empty() && lines.size() > flat.size()) lines.pop_back();
        EXPECT_EQ(lines, flat) << Out(name);
    }
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
              "1:" + kCells[2][0] + "|2:5.0|0:\n")
        << out;
}

}  // namespace
