// Exports of a small grid: the exact bytes of text, CSV, HTML, RTF, the worksheet and the
// interchange format, every kind of selection, footers computed over the exported records, the
// worksheet's integer, byte and row limits, and the cell events.
#include "ExportTestSupport.h"

#include <cstring>

namespace {

using exporttest::Export;
using exporttest::ExportTest;

std::string cp(const char* utf8) { return Utf8ToCp1251(utf8); }

TEST_F(ExportTest, TextAndCsvOfTwoRowsAndTwoColumns) {
    Open({{"A", ftString}, {"B", ftString}}, {{Variant("Отсадка"), Variant("a\tb")}, {Variant("say \"hi\""), Variant("")}});
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get()),
              "A\tB\r\n" + cp("Отсадка") + "\ta\tb\r\nsay \"hi\"\t");
    EXPECT_EQ(Export<TDBGridGxExportAsCSV>(grid.get()),
              "\"A\";\"B\"\r\n\"" + cp("Отсадка") + "\";\"a\tb\"\r\n\"say \"\"hi\"\"\";\"\"");
    DBGridGxImpExpCsvSeparator = ',';
    EXPECT_EQ(Export<TDBGridGxExportAsCSV>(grid.get()).substr(0, 8), "\"A\",\"B\"\r");
    DBGridGxImpExpCsvSeparator = ';';
    grid->SetOptions(grid->Options() & ~dgTitles);
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get()).substr(0, 7), cp("Отсадка"));
    // A character Windows-1251 lacks is written as '?'; nothing is refused for it.
    cds.Edit();
    cds.FieldByName("A")->SetAsString("✓ ok");
    cds.Post();
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get()).substr(0, 4), "? ok");
}

TEST_F(ExportTest, EachSelectionKindExportsItsRecordsAndColumns) {
    Open({{"ID", ftInteger}, {"Name", ftString}, {"Amount", ftFloat}},
         {{Variant(1), Variant("a"), Variant(1.5)},
          {Variant(2), Variant("b"), Null()},
          {Variant(3), Variant("c"), Variant(2.25)},
          {Variant(4), Variant("d"), Variant(3.0)}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    cds.SetRecNo(2);
    struct Case {
        const char* name;
        TImpExpSelectionGx selection;
        const char* text;
    };
    TImpExpSelectionGx rows{gstRecordBookmarks};
    rows.Rows = {BookmarkOf(3), BookmarkOf(1)};
    TImpExpSelectionGx rect{gstRectangle};
    rect.TopRow = BookmarkOf(2);
    rect.BottomRow = BookmarkOf(3);
    rect.LeftCol = 1;
    rect.RightCol = 2;
    TImpExpSelectionGx cols{gstColumns};
    cols.Columns = {Col(2), Col(0)};
    const Case cases[] = {
        {"records in list order", rows, "3\tc\t2,25\r\n1\ta\t1,5"},
        {"rectangle", rect, "b\t\r\nc\t2,25"},
        {"columns", cols, "1,5\t1\r\n\t2\r\n2,25\t3\r\n3\t4"},
        {"none", TImpExpSelectionGx{}, ""},
    };
    cds.SetRecNo(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->selection = c.selection;
        EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get(), false), c.text);
        EXPECT_EQ(cds.RecNo(), 2) << "the grid goes back to its record";
        EXPECT_FALSE(cds.ControlsDisabled());
    }
    grid->selection = TImpExpSelectionGx{};
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get(), true), "1\ta\t1,5\r\n2\tb\t\r\n3\tc\t2,25\r\n4\td\t3");
    // Hidden columns are not exported.
    Col(1)->SetVisible(false);
    grid->LayoutChanged();
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get(), true).substr(0, 7), "1\t1,5\r\n");
}

TEST_F(ExportTest, SumsAndCountsCoverExactlyTheExportedRecords) {
    Open({{"ID", ftInteger}, {"Amount", ftFloat}},
         {{Variant(1), Variant(1.5)}, {Variant(2), Null()}, {Variant(3), Variant(2.25)}, {Variant(4), Variant(100.0)}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    grid->SetFooterRowCount(2);
    grid->footer = [](TColumnGx* c, int row) {
        TImpExpFooterGx f;
        f.Font = c->Font();
        if (row == 0) f.Kind = c->FieldName() == "Amount" ? ifkSumGx : ifkCountGx;
        else f.Text = "static " + c->FieldName();
        return f;
    };
    TImpExpSelectionGx rows{gstRecordBookmarks};
    rows.Rows = {BookmarkOf(1), BookmarkOf(2), BookmarkOf(3)};
    grid->selection = rows;
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get(), false),
              "1\t1,5\r\n2\t\r\n3\t2,25\r\n3\t3,75\r\nstatic ID\tstatic Amount");
    // The footer event sees the computed text and may change it.
    grid->OnGetFooterParams = [](TObject*, int dataCol, int row, TColumnGx*, TFont*, TColor&, TAlignment&,
                                 TGridDrawState, AnsiString& text) {
        if (row == 0 && dataCol == 1) text = "[" + text + "]";
    };
    const std::string s = Export<TDBGridGxExportAsText>(grid.get(), true);
    EXPECT_NE(s.find("4\t[103,75]\r\n"), std::string::npos) << s;
    // The worksheet writes the computed values as numbers.
    const std::string xls = Export<TDBGridGxExportAsXLS>(grid.get(), false);
    double v = 0;
    const std::string number = std::string("\x03\x02\x0E\x00", 4) + std::string("\x03\x00\x01\x00\x00\x00", 6);
    const auto at = xls.find(number);
    ASSERT_NE(at, std::string::npos);
    std::memcpy(&v, xls.data() + at + number.size(), 8);
    EXPECT_DOUBLE_EQ(v, 3.75);
}

TEST_F(ExportTest, CellEventsGiveTheColoursAndTexts) {
    Open({{"ID", ftInteger}}, {{Variant(7)}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    grid->OnGetCellParams = [](TObject*, TColumnGx*, TFont* font, TColor& background, TGridDrawState) {
        background = static_cast<TColor>(0x0000FF);
        font->SetStyle(TFontStyles{fsBold});
    };
    Col(0)->SetOnGetCellParams([](TObject*, bool, TColCellParamsGx* p) { p->Text = "seven"; });
    const std::string html = Export<TDBGridGxExportAsHTML>(grid.get());
    EXPECT_NE(html.find("BGCOLOR=#FF0000>"), std::string::npos) << html;
    EXPECT_NE(html.find("<B>seven</B></FONT>"), std::string::npos) << html;
}

TEST_F(ExportTest, HtmlPage) {
    Open({{"A", ftString}, {"B", ftString}}, {{Variant("a<b"), Variant("")}});
    Col(0)->SetWidth(80);
    Col(1)->SetWidth(40);
    Col(0)->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
    Col(0)->Font()->SetName("Arial");
    Col(0)->Font()->SetSize(10);
    Col(0)->Title()->SetCaption("Отсадка");
    grid->SetFixedColor(clBtnFace);
    const std::string html = Export<TDBGridGxExportAsHTML>(grid.get());
    const std::string head =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"
        "<TITLE>\r\nGrid1\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 "
        "BGCOLOR=#D4D0C8>\r\n\r\n<TR>\r\n  <TD WIDTH=80 ALIGN=\"LEFT\">";
    EXPECT_EQ(html.substr(0, head.size()), head);
    EXPECT_NE(html.find(cp("Отсадка") + "</FONT></TD>\r\n  <TD WIDTH=40 ALIGN=\"LEFT\">"), std::string::npos);
    EXPECT_NE(html.find("<FONT STYLE=\"font-family: Arial; font-size: 10pt; color: #000000\"><B><I>a&ltb</B></I>"
                        "</FONT>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("&nbsp</FONT></TD>\r\n</TR>\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n"), std::string::npos);
    // Without lines: no border; without 3-D: spacing instead.
    grid->SetOptions(grid->Options() & ~(dgColLines | dgRowLines));
    EXPECT_NE(Export<TDBGridGxExportAsHTML>(grid.get()).find("<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=2"),
              std::string::npos);
    grid->SetOptions(grid->Options() | dgRowLines);
    grid->SetCtl3D(false);
    grid->SetFlat(true);
    EXPECT_NE(Export<TDBGridGxExportAsHTML>(grid.get()).find("<TABLE BORDER=0 CELLSPACING=1 CELLPADDING=1"),
              std::string::npos);
}

TEST_F(ExportTest, HtmlWritesEveryMarkupCharacterAsItsEntityInTextsAndTitles) {
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"a<b", "a&ltb"},
        {"a>b", "a&gtb"},
        {"a&b", "a&ampb"},
        {"a\"b", "a&quotb"},
        {"<&\">", "&lt&amp&quot&gt"},
        {"a\";b>;", "a&quot;;b&gt;;"},  // a ';' after an entity would be read as the entity's end
    };
    // One column a case, its title and its one cell both holding the text.
    std::vector<std::pair<const char*, TFieldType>> fields;
    std::vector<Variant> row;
    const char* names[] = {"C0", "C1", "C2", "C3", "C4", "C5"};
    static_assert(std::size(names) == std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        fields.push_back({names[i], ftString});
        row.push_back(Variant(cases[i].text));
    }
    Open(fields, {row});
    for (std::size_t i = 0; i < std::size(cases); ++i) Col(static_cast<int>(i))->Title()->SetCaption(cases[i].text);
    const std::string html = Export<TDBGridGxExportAsHTML>(grid.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string written = std::string(">") + c.written + "</FONT>";
        const auto title = html.find(written);
        ASSERT_NE(title, std::string::npos) << html;
        EXPECT_NE(html.find(written, title + 1), std::string::npos) << "the cell as well as the title:\n" << html;
        EXPECT_EQ(html.find(std::string(">") + c.text + "</FONT>"), std::string::npos);
    }
}

TEST_F(ExportTest, MultiLevelTitlesSpanTheirColumnsAndRows) {
    Open({{"A", ftString}, {"B", ftString}, {"C", ftString}}, {{Variant("1"), Variant("2"), Variant("3")}});
    Col(0)->Title()->SetCaption("Group|A");
    Col(1)->Title()->SetCaption("Group|B");
    Col(2)->Title()->SetCaption("C");
    grid->SetUseMultiTitle(true);
    grid->LayoutChanged();
    const std::string html = Export<TDBGridGxExportAsHTML>(grid.get());
    const auto first = html.find("<TR>\r\n  <TD ALIGN=\"CENTER\" COLSPAN = \"2\">");
    ASSERT_NE(first, std::string::npos) << html;
    const auto c = html.find("<TD ALIGN=\"CENTER\" ROWSPAN = \"2\">", first);
    const auto second = html.find("<TR>\r\n  <TD WIDTH=", first);
    ASSERT_NE(c, std::string::npos) << html;
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(c, second);
    const std::string row2 = html.substr(second, html.find("</TR>", second) - second);
    EXPECT_NE(row2.find(">A</FONT>"), std::string::npos) << row2;
    EXPECT_NE(row2.find(">B</FONT>"), std::string::npos);
    EXPECT_EQ(row2.find(">C</FONT>"), std::string::npos) << "C is written once, in the first row";

    // The RTF writes one row per level with every cell, leaving out the borders inside a span.
    const std::string rtf = Export<TDBGridGxExportAsRTF>(grid.get());
    const auto top = rtf.find("\\trowd");
    const std::string row1 = rtf.substr(top, rtf.find("\\row}", top) - top);
    EXPECT_EQ(row1.find("\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clshdng"),
              row1.find("\\clbrdrl"))
        << "the group's first cell has no right border:\n" << row1;
    EXPECT_NE(row1.find("\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n\\clshdng"),
              std::string::npos)
        << "C's top cell has no bottom border";
}

TEST_F(ExportTest, RtfDocument) {
    Open({{"A", ftString}}, {{Variant("a{b}c\\par")}, {Variant("Отсадка")}});
    Col(0)->SetWidth(96);
    Col(0)->Font()->SetName("Arial");
    Col(0)->Font()->SetSize(8);
    Col(0)->Title()->SetCaption("T");
    Col(0)->SetColor(clWhite);
    Col(0)->Title()->SetColor(clBtnFace);
    Col(0)->Title()->Font()->SetName("Arial");
    grid->SetOptions(grid->Options() & ~dgTitles);
    const std::string rtf = Export<TDBGridGxExportAsRTF>(grid.get());
    const std::string expected =
        "{\\rtf0\\ansi\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red212\\green208\\blue200;}\r\n"
        "{\\fonttbl\\f0\\fnil Arial;}\r\n"
        "\\trowd\\trgaph40\r\n\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n"
        "\\clbrdrr\\brdrs\\brdrcf0\r\n\\clshdng10000\\clcfpat1\\cellx1440\r\n{\\trrh0\r\n"
        "\\pard\\intbl{\\ql\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 a\\{b\\}c\\\\par\\cell}\r\n\\pard\\intbl\\row}\r\n";
    EXPECT_EQ(rtf.substr(0, expected.size()), expected);
    EXPECT_NE(rtf.find("\\cb1 " + cp("Отсадка") + "\\cell}\r\n\\pard\\intbl\\row}\r\n}"), std::string::npos);
    EXPECT_EQ(rtf.back(), '}');
}

// The records of a worksheet stream: type, data.
std::vector<std::pair<int, std::string>> biffRecords(const std::string& s) {
    std::vector<std::pair<int, std::string>> r;
    for (std::size_t i = 0; i + 4 <= s.size();) {
        const int type = static_cast<unsigned char>(s[i]) | static_cast<unsigned char>(s[i + 1]) << 8;
        const std::size_t len = static_cast<unsigned char>(s[i + 2]) | static_cast<unsigned char>(s[i + 3]) << 8;
        r.emplace_back(type, s.substr(i + 4, len));
        i += 4 + len;
    }
    return r;
}

TEST_F(ExportTest, WorksheetRecords) {
    Open({{"N", ftInteger}}, {{Variant(5)}, {Null()}});
    const std::string xls = Export<TDBGridGxExportAsXLS>(grid.get());
    EXPECT_EQ(xls, std::string("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00"  // BOF
                               "\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00N"  // LABEL (0,0)
                               "\x7E\x02\x0A\x00\x01\x00\x00\x00\x00\x00\x16\x00\x00\x00"  // RK (1,0) 22
                               "\x01\x02\x06\x00\x02\x00\x00\x00\x17\x00"  // BLANK (2,0)
                               "\x0A\x00\x00\x00",  // EOF
                               12 + 13 + 14 + 10 + 4));
}

TEST_F(ExportTest, WorksheetCellsByFieldType) {
    Open({{"I", ftInteger}, {"F", ftFloat}, {"S", ftString}, {"B", ftBytes}},
         {{Variant(600000000), Variant(1.5), Variant("Отсадка"), Variant("xy")}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    const auto records = biffRecords(Export<TDBGridGxExportAsXLS>(grid.get()));
    ASSERT_EQ(records.size(), 6u);
    // An integer outside the 30 bits of RK is a NUMBER.
    EXPECT_EQ(records[1].first, 0x0203);
    double v = 0;
    std::memcpy(&v, records[1].second.data() + 6, 8);
    EXPECT_DOUBLE_EQ(v, 600000000.0);
    EXPECT_EQ(records[2].first, 0x0203);
    ASSERT_EQ(records[2].second.size(), 14u);
    std::memcpy(&v, records[2].second.data() + 6, 8);
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_EQ(records[3].first, 0x0204);
    EXPECT_EQ(records[3].second.size(), 15u) << "LABEL of 7 Windows-1251 bytes";
    EXPECT_EQ(records[3].second.substr(8), cp("Отсадка"));
    EXPECT_EQ(records[4].first, 0x0204) << "fixed-length bytes are written as their text";
    EXPECT_EQ(records[5].first, 0x000A);
}

TEST_F(ExportTest, AWorksheetBeyondItsRowsIsRefused) {
    // The records come from a provider in one packet.
    datatest::MemProvider prov(nullptr);
    prov.defs.Add("N", ftInteger);
    TRecordBuilder builder(1);
    for (int i = 0; i < 65536; ++i) {
        builder.SetInt(0, i);
        prov.rows.push_back(builder.Build());
    }
    cds.SetProvider(&prov);
    cds.Open();
    grid->SetDataSource(&source);
    grid->LayoutChanged();
    TMemoryStream out;
    // 65,536 records and the title row: one row too many.
    EXPECT_ANY_THROW(WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsXLS>(), grid.get(), &out, true));
    EXPECT_EQ(out.Size(), 0) << "nothing half-written";
    grid->SetOptions(grid->Options() & ~dgTitles);
    WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsXLS>(), grid.get(), &out, true);
    EXPECT_GT(out.Size(), 65536 * 14);
}

TEST_F(ExportTest, InterchangeBytesOfOneSelectedRecord) {
    Open({{"I", ftInteger}, {"S", ftString}}, {{Variant(1), Variant("x")}, {Variant(7), Variant("ab")}});
    TImpExpSelectionGx rows{gstRecordBookmarks};
    rows.Rows = {BookmarkOf(2)};
    grid->selection = rows;
    EXPECT_EQ(Export<TDBGridGxExportAsVCLDBIF>(grid.get(), false),
              std::string("VCLDBIF\x01\x02\x00\x00\x00\x01\x00\x01\x00\x03\x07\x00\x00\x00\x05\x02\x00\x00\x00"
                          "ab\x00",
                          29));
    cds.SetRecNo(2);
    cds.Edit();
    cds.FieldByName("S")->SetAsString("Отсадка");
    cds.Post();
    const std::string bytes = Export<TDBGridGxExportAsVCLDBIF>(grid.get(), false);
    EXPECT_EQ(bytes.substr(21, 5), std::string("\x05\x07\x00\x00\x00", 5)) << "a length of 7 converted bytes";
}

TEST_F(ExportTest, FilesAreCreatedAndTruncated) {
    Open({{"A", ftString}}, {{Variant("x")}});
    testlib::TempDir dir("export");
    const std::string file = dir / "out.csv";
    {
        TFileStream f(file, fmCreate);
        f.WriteBuffer("0123456789", 10);
    }
    SaveDBGridGxToExportFile(ExportClassOf<TDBGridGxExportAsCSV>(), grid.get(), file, true);
    TMemoryStream back;
    back.LoadFromFile(file);
    EXPECT_EQ(exporttest::Bytes(back), "\"A\"\r\n\"x\"");
}

// A file gets the bytes a memory stream gets, however the writes fall on the file's buffer (the
// RTF's body, 1.2 MB here, is moved up in more than one piece to make room for its tables), and a
// disk that takes nothing is an error, not a finished export.
TEST_F(ExportTest, FilesGetTheMemoryStreamsBytesAndAFullDiskIsAnError) {
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({Variant(i), Variant("Строка " + std::to_string(i) + " & <x>")});
    Open({{"N", ftInteger}, {"S", ftString}}, rows);
    testlib::TempDir dir("exportfiles");
    struct Kind {
        const char* name;
        TDBGridGxExportClass cls;
        std::string bytes;
    };
    const std::vector<Kind> kinds = {
        {"text", ExportClassOf<TDBGridGxExportAsText>(), Export<TDBGridGxExportAsText>(grid.get())},
        {"csv", ExportClassOf<TDBGridGxExportAsCSV>(), Export<TDBGridGxExportAsCSV>(grid.get())},
        {"html", ExportClassOf<TDBGridGxExportAsHTML>(), Export<TDBGridGxExportAsHTML>(grid.get())},
        {"rtf", ExportClassOf<TDBGridGxExportAsRTF>(), Export<TDBGridGxExportAsRTF>(grid.get())},
        {"xls", ExportClassOf<TDBGridGxExportAsXLS>(), Export<TDBGridGxExportAsXLS>(grid.get())},
        {"interchange", ExportClassOf<TDBGridGxExportAsVCLDBIF>(), Export<TDBGridGxExportAsVCLDBIF>(grid.get())},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        ASSERT_GT(k.bytes.size(), 65536u);  // more than one buffer's worth
        const std::string file = dir / k.name;
        SaveDBGridGxToExportFile(k.cls, grid.get(), file, true);
        EXPECT_EQ(testlib::ReadFile(file), k.bytes);
        EXPECT_THROW(SaveDBGridGxToExportFile(k.cls, grid.get(), "/dev/full", true), EWriteError);
    }
}

}  // namespace
