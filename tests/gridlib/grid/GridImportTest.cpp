// Imports into a client dataset: text cells by tabs and lines, the last character of a file, the
// two encodings of text files, insert and append modes, lookup and key pick-list cells, the error
// box; the clipboard's copy, paste, cut and delete.
#include "ExportTestSupport.h"

#include "gui/Dialogs.h"

#include <cmath>
#include <cstdint>

namespace {

using exporttest::Export;
using exporttest::ExportTest;
using exporttest::Import;

class ImportTest : public ExportTest {
protected:
    void OpenAbc(int rows = 2) {
        std::vector<std::vector<Variant>> data;
        for (int i = 0; i < rows; ++i)
            data.push_back({Variant("a" + std::to_string(i)), Variant("b" + std::to_string(i)), Variant("c" + std::to_string(i))});
        Open({{"A", ftString}, {"B", ftString}, {"C", ftString}}, data);
        grid->SetOptions(grid->Options() & ~dgTitles);
    }
    // Back to the first record and the values OpenAbc gave.
    void Reset() {
        int i = 0;
        for (cds.First(); !cds.Eof(); cds.Next(), ++i) {
            cds.Edit();
            for (const char* f : {"A", "B", "C"})
                cds.FieldByName(f)->SetAsString(AnsiString(std::string(1, static_cast<char>(f[0] + 32)) + std::to_string(i)));
            cds.Post();
        }
        cds.First();
    }
    std::string Rows() { return Column("A") + "/" + Column("B") + "/" + Column("C"); }
};

TEST_F(ImportTest, TextCellsGoIntoTheColumnsFromTheSelectedOne) {
    struct Case {
        const char* text;
        int selectedColumn;
        const char* rows;
    };
    OpenAbc();
    const Case cases[] = {
        {"x\t\tz", 0, "x|a1/|b1/z|c1"},
        {"x\t\r\ny", 0, "x|y/b0|b1/c0|c1"},     // an empty cell before the line end: unchanged
        {"x\r\n\ty\t", 0, "x|/b0|y/c0|c1"},   // a leading tab: an empty first cell
        {"x\ty\tz\tw\tv", 1, "a0|a1/x|b1/y|c1"},  // extra cells are dropped
        {"x", 0, "x|a1/b0|b1/c0|c1"},          // the last character of a text without NUL stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Reset();
        grid->SetSelectedIndex(c.selectedColumn);
        Import<TDBGridGxImportAsText>(grid.get(), c.text);
        if (cds.State() == dsEdit) cds.Post();
        EXPECT_EQ(Rows(), c.rows);
    }
    // Text ending in the clipboard's NUL: the NUL goes, the text before it stays whole.
    Reset();
    Import<TDBGridGxImportAsText>(grid.get(), std::string("xy\0", 3));
    cds.CheckBrowseMode();
    EXPECT_EQ(Column("A"), "xy|a1");
}

TEST_F(ImportTest, ABareCarriageReturnIsTheFormatError) {
    OpenAbc();
    try {
        Import<TDBGridGxImportAsText>(grid.get(), "x\ry");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TDBGridGxImportAsText.CheckState: Неверный формат текста");
    }
    EXPECT_FALSE(cds.ControlsDisabled());
}

TEST_F(ImportTest, FilesInEitherEncodingAndTheirLastCharacter) {
    OpenAbc(1);
    testlib::TempDir dir("import");
    struct Case {
        std::string bytes;
        const char* a;
    };
    const Case cases[] = {
        {Utf8ToCp1251("Отсадка\tЗола"), "Отсадка"},
        {"\xEF\xBB\xBF" + std::string("Отсадка\tЗола"), "Отсадка"},
        {"Отсадка\tЗола", "Отсадка"},
    };
    for (const Case& c : cases) {
        const std::string file = dir / "in.txt";
        {
            TFileStream f(file, fmCreate);
            f.WriteBuffer(c.bytes.data(), static_cast<long long>(c.bytes.size()));
        }
        cds.First();
        LoadDBGridGxFromImportFile(ImportClassOf<TDBGridGxImportAsText>(), grid.get(), file, false);
        cds.CheckBrowseMode();
        EXPECT_EQ(Column("A"), c.a);
        EXPECT_EQ(Column("B"), "Зола") << "the file's last character is kept";
    }
}

TEST_F(ImportTest, InsertAndAppendModes) {
    OpenAbc();
    // Inserting: one new record per line, before the current one.
    cds.SetRecNo(2);
    cds.Insert();
    Import<TDBGridGxImportAsText>(grid.get(), "p\r\nq\r\n");
    EXPECT_EQ(Column("A"), "a0|p|q|a1");
    // Over the records from the current one, then appended when the grid allows it. Past the end
    // the grid's record is the last one, which the first line fills.
    cds.Last();
    cds.Next();
    Import<TDBGridGxImportAsText>(grid.get(), "r\r\ns");
    EXPECT_EQ(Column("A"), "a0|p|q|r|s");
    cds.SetRecNo(5);
    Import<TDBGridGxImportAsText>(grid.get(), "S\r\nt\r\nu");
    EXPECT_EQ(Column("A"), "a0|p|q|r|S|t|u");
    grid->SetAllowedOperations(grid->AllowedOperations() & ~alopAppendGx);
    cds.SetRecNo(7);
    Import<TDBGridGxImportAsText>(grid.get(), "U\r\nv");
    cds.CheckBrowseMode();
    EXPECT_EQ(Column("A"), "a0|p|q|r|S|t|U");
}

TEST_F(ImportTest, LookupAndKeyPickListCells) {
    TClientDataSet kinds(nullptr);
    kinds.FieldDefs()->Add("KindID", ftInteger);
    kinds.FieldDefs()->Add("KindName", ftString, 20);
    kinds.CreateDataSet();
    kinds.AppendRecord({Variant(1), Variant("Уголь")});
    kinds.AppendRecord({Variant(2), Variant("Порода")});
    cds.FieldDefs()->Add("Kind", ftInteger);
    cds.FieldDefs()->Add("State", ftString, 5);
    auto* kind = cds.FieldDefs()->Find("Kind");
    (void)kind;
    // Persistent fields: the two data fields and a lookup over the kinds.
    TField* kindField = CreateFieldOfType(ftInteger, &cds);
    kindField->SetFieldName("Kind");
    kindField->SetDataSet(&cds);
    TField* stateField = CreateFieldOfType(ftString, &cds);
    stateField->SetFieldName("State");
    stateField->SetSize(5);
    stateField->SetDataSet(&cds);
    TField* lookup = CreateFieldOfType(ftString, &cds);
    lookup->SetFieldName("KindName");
    lookup->SetFieldKind(fkLookup);
    lookup->SetSize(20);
    lookup->SetKeyFields("Kind");
    lookup->SetLookupDataSet(&kinds);
    lookup->SetLookupKeyFields("KindID");
    lookup->SetLookupResultField("KindName");
    lookup->SetDataSet(&cds);
    cds.CreateDataSet();
    cds.AppendRecord({Variant(1), Variant("on")});
    cds.First();
    grid->SetDataSource(&source);
    for (const char* f : {"KindName", "State"}) grid->Columns()->Add()->SetFieldName(f);
    grid->Columns()->Items(1)->KeyList()->SetText("on\noff");
    grid->Columns()->Items(1)->PickList()->SetText("Вкл\nВыкл");
    grid->SetOptions(grid->Options() & ~dgTitles);
    grid->LayoutChanged();

    Import<TDBGridGxImportAsText>(grid.get(), "пор\tВыкл");
    cds.CheckBrowseMode();
    EXPECT_EQ(cds.FieldByName("Kind")->AsInteger(), 2) << "found by the start of its name, any case";
    EXPECT_EQ(cds.FieldByName("State")->AsString(), "off");
    Import<TDBGridGxImportAsText>(grid.get(), "нет такого\tнет");
    cds.CheckBrowseMode();
    EXPECT_EQ(cds.FieldByName("Kind")->AsInteger(), 2) << "a name not found changes nothing";
    EXPECT_TRUE(cds.FieldByName("State")->IsNull()) << "a pick not in the list clears the key";
    // The export writes the shown texts.
    cds.Edit();
    cds.FieldByName("State")->SetAsString("on");
    cds.Post();
    EXPECT_EQ(Export<TDBGridGxExportAsText>(grid.get()), Utf8ToCp1251("Порода\tВкл"));
}

TEST_F(ImportTest, ARefusedCellAsksWithYesNoAndAll) {
    Open({{"N", ftInteger}, {"S", ftString}}, {{Variant(1), Variant("a")}, {Variant(2), Variant("b")}, {Variant(3), Variant("c")}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    const std::string text = "x\tA\r\ny\tB\r\nz\tC";
    guitest::MessageBoxRecorder boxes;
    boxes.Answer(mrYes);
    boxes.Answer(mrAll);
    Import<TDBGridGxImportAsText>(grid.get(), text);
    cds.CheckBrowseMode();
    EXPECT_EQ(boxes.Count(), 2) << "All: no box for the third";
    EXPECT_EQ(Column("S"), "A|B|C");
    EXPECT_EQ(boxes.Last().Buttons.size(), 3u);
    EXPECT_NE(boxes.Last().Text.Pos("\n\n"), 0);

    boxes.Clear();
    boxes.Answer(mrNo);
    cds.First();
    EXPECT_THROW(Import<TDBGridGxImportAsText>(grid.get(), "q\tD\r\nr\tE"), EAbort);
    cds.CheckBrowseMode();
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(Column("S"), "A|B|C") << "No stops before the rest of the record";
    EXPECT_FALSE(cds.ControlsDisabled());
}

// ---- The clipboard ------------------------------------------------------------------------------------

TEST_F(ImportTest, CopyPlacesEveryFormat) {
    Open({{"I", ftInteger}, {"S", ftString}}, {{Variant(7), Variant("Отсадка ✓")}});
    DBGridGx_DoCopyAction(grid.get(), true);
    TClipboard* clip = Clipboard();
    EXPECT_EQ(clip->AsText(), "I\tS\r\n7\tОтсадка ✓") << "the text keeps what Windows-1251 lacks";
    const std::string csv = "\"I\";\"S\"\r\n\"7\";\"" + Utf8ToCp1251("Отсадка ") + "?\"";
    EXPECT_EQ(clip->AsBytes(CF_CSVGx()), csv + std::string(1, '\0'));
    EXPECT_EQ(clip->AsBytes(RegisterClipboardFormat("text/csv")), csv);
    const std::string rtf = clip->AsBytes(CF_RTFGx());
    EXPECT_EQ(rtf.substr(0, 11), "{\\rtf0\\ansi");
    EXPECT_EQ(rtf.back(), '\0');
    EXPECT_EQ(clip->AsBytes(RegisterClipboardFormat("text/rtf")), rtf.substr(0, rtf.size() - 1));
    EXPECT_EQ(clip->AsBytes(CF_VCLDBIF()), Export<TDBGridGxExportAsVCLDBIF>(grid.get()));
    EXPECT_EQ(GetClipboardFormatName(CF_VCLDBIF()), "VCLDBIF");
}

TEST_F(ImportTest, PasteTakesTheInterchangeFormatFirstElseTheText) {
    Open({{"I", ftInteger}, {"D", ftDateTime}, {"S", ftString}},
         {{Variant(7), Variant(45000.25), Variant("✓ ab")}, {Variant(1), Null(), Variant("x")}});
    grid->SetOptions(grid->Options() & ~dgTitles);
    TImpExpSelectionGx rows{gstRecordBookmarks};
    rows.Rows = {BookmarkOf(1)};
    grid->selection = rows;
    DBGridGx_DoCopyAction(grid.get(), false);
    grid->selection = TImpExpSelectionGx{};
    cds.SetRecNo(2);
    DBGridGx_DoPasteAction(grid.get(), false);
    cds.CheckBrowseMode();
    EXPECT_EQ(cds.FieldByName("I")->AsInteger(), 7);
    EXPECT_DOUBLE_EQ(cds.FieldByName("D")->AsFloat(), 45000.25) << "the same day count";
    EXPECT_EQ(cds.FieldByName("S")->AsString(), "? ab") << "the interchange format is Windows-1251";

    // Only text on the clipboard: pasted with what Windows-1251 lacks.
    Clipboard()->SetAsText("9\t\t✓ z");
    cds.SetRecNo(2);
    DBGridGx_DoPasteAction(grid.get(), false);
    cds.CheckBrowseMode();
    EXPECT_EQ(cds.FieldByName("I")->AsInteger(), 9);
    EXPECT_TRUE(cds.FieldByName("D")->IsNull());
    EXPECT_EQ(cds.FieldByName("S")->AsString(), "✓ z");
}

TEST_F(ImportTest, DeleteAndCutAskFirst) {
    Open({{"N", ftInteger}, {"S", ftString}},
         {{Variant(1), Variant("a")}, {Variant(2), Variant("b")}, {Variant(3), Variant("c")}, {Variant(4), Variant("d")}});
    guitest::MessageBoxRecorder boxes;
    TImpExpSelectionGx rows{gstRecordBookmarks};
    rows.Rows = {BookmarkOf(2), BookmarkOf(3)};
    grid->selection = rows;
    boxes.Answer(mrCancel);
    DBGridGx_DoDeleteAction(grid.get(), false);
    EXPECT_EQ(boxes.Last().Text, "Delete all selected records?");
    EXPECT_EQ(Column("N"), "1|2|3|4");
    boxes.Answer(mrOk);
    DBGridGx_DoCutAction(grid.get(), false);
    EXPECT_EQ(Column("N"), "1|4");
    EXPECT_EQ(Clipboard()->AsText(), "N\tS\r\n2\tb\r\n3\tc");
    EXPECT_EQ(grid->clears, 1);

    // A rectangle is cleared and its last record posted.
    TImpExpSelectionGx rect{gstRectangle};
    rect.TopRow = BookmarkOf(1);
    rect.BottomRow = BookmarkOf(2);
    rect.LeftCol = 1;
    rect.RightCol = 1;
    grid->selection = rect;
    boxes.Answer(mrOk);
    DBGridGx_DoDeleteAction(grid.get(), false);
    EXPECT_EQ(boxes.Last().Text, "Очистить выделенные ячейки?");
    EXPECT_EQ(cds.State(), dsBrowse) << "the last cleared record is posted";
    EXPECT_EQ(Column("S"), "|");
    EXPECT_EQ(Column("N"), "1|4");

    // The whole grid: every record, without a question.
    const int asked = boxes.Count();
    DBGridGx_DoDeleteAction(grid.get(), true);
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_EQ(boxes.Count(), asked);
}

}  // namespace

namespace {

// Interchange streams that end early, come from elsewhere or claim no columns: the format error,
// the grid's record and the dataset's controls given back, and no record added for ever.
TEST_F(ImportTest, DamagedInterchangeStreamsLeaveTheDatasetAsItWas) {
    Open({{"N", ftInteger}}, {{Variant(1)}, {Variant(2)}});
    auto header = [](std::int32_t columns) {
        std::string h = "VCLDBIF\x01";
        h.append(reinterpret_cast<const char*>(&columns), 4);
        return h;
    };
    const std::string good = header(1) + std::string("\x01\x00", 2) + std::string("\x03\x09\x00\x00\x00", 5) + '\0';
    const std::string cases[] = {
        good.substr(0, good.size() - 3),                          // ends inside a value
        "VCLDBIG" + good.substr(7),                               // another signature
        header(0) + std::string("\x03\x09\x00\x00\x00\x00", 6),   // values after no columns
        header(-5) + std::string("\x02\x00", 2),
        header(1) + std::string("\x01\x00\x05\xFF\xFF\xFF\x7F", 7),  // a length beyond the stream
    };
    for (const std::string& bytes : cases) {
        for (bool inserting : {false, true}) {
            cds.SetRecNo(2);
            if (inserting) cds.Insert();
            EXPECT_THROW(Import<TDBGridGxImportAsVCLDBIF>(grid.get(), bytes), Exception);
            cds.Cancel();
            EXPECT_FALSE(cds.ControlsDisabled());
            EXPECT_EQ(cds.RecordCount(), 2);
        }
    }
    // No columns and the end tag: an empty import.
    cds.SetRecNo(2);
    cds.Insert();
    Import<TDBGridGxImportAsVCLDBIF>(grid.get(), header(0) + '\0');
    cds.Cancel();
    EXPECT_EQ(Column("N"), "1|2");
    cds.First();
    Import<TDBGridGxImportAsVCLDBIF>(grid.get(), good);
    cds.CheckBrowseMode();
    EXPECT_EQ(Column("N"), "9|2");
}

// A day count no calendar day carries is refused like any value the field cannot take: asked about,
// and the field keeps its date.
TEST_F(ImportTest, AnInterchangeDateTimeOutsideTheCalendarIsRefused) {
    const TDateTime kept = EncodeDateTime(2010, 5, 17, 14, 20, 0, 0);
    Open({{"D", ftDateTime}}, {{Variant::FromDateTime(kept)}});
    auto cell = [](char tag, const void* value, std::size_t size) {
        std::string s = std::string("VCLDBIF\x01\x01\x00\x00\x00", 12) + std::string("\x01\x00", 2) + tag;
        s.append(static_cast<const char*>(value), size);
        return s + '\0';
    };
    auto dayCount = [&](double v) { return cell('\x04', &v, sizeof v); };
    const std::int32_t farBack = -488447262;
    const std::string refused[] = {dayCount(1e300), dayCount(std::nan("")), dayCount(HUGE_VAL), dayCount(-HUGE_VAL),
                                   dayCount(-693594), dayCount(2958466), cell('\x03', &farBack, 4)};
    guitest::MessageBoxRecorder boxes;
    for (const std::string& bytes : refused) {
        boxes.Clear();
        boxes.Answer(mrYes);
        cds.First();
        Import<TDBGridGxImportAsVCLDBIF>(grid.get(), bytes);
        cds.CheckBrowseMode();
        EXPECT_EQ(boxes.Count(), 1);
        EXPECT_EQ(cds.FieldByName("D")->AsDateTime(), kept);
        EXPECT_NO_THROW(cds.FieldByName("D")->DisplayText());
    }
    // The calendar's first and last days pass.
    for (double v : {-693593.0, 2958465.5}) {
        boxes.Clear();
        cds.First();
        Import<TDBGridGxImportAsVCLDBIF>(grid.get(), dayCount(v));
        cds.CheckBrowseMode();
        EXPECT_EQ(boxes.Count(), 0);
        EXPECT_EQ(cds.FieldByName("D")->AsFloat(), v);
    }
}

}  // namespace
