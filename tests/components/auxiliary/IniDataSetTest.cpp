// The INI-file record store: the folder and file layout, appending, navigation, ranges, which files
// belong to the table, the record's section within its file, number texts and the fields.
#include "components/auxiliary/IniDataSet.h"

#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

TDateTime At(int day, int hour, int minute = 0, int second = 0) {
    return EncodeDateTime(2010, 5, day, hour, minute, second, 0);
}

struct StoreDir {
    testlib::ScratchCurrentDir dir{"plantmon-ini"};
    guitest::MessageBoxRecorder boxes;
    StoreDir() { guitest::EnsureApp(); }
};

// A store of table T under ./data with the fields RecordTime, Value, Flag.
std::unique_ptr<TIniDataSet> Store(const char* table = "T") {
    auto s = std::make_unique<TIniDataSet>(nullptr);
    s->SetRootDir(".\\data");
    s->SetTableName(table);
    TStringList fields;
    fields.Add("RecordTime");
    fields.Add("Value");
    fields.Add("Flag");
    s->SetFieldList(&fields);
    return s;
}

// Writes a record file as another program would: the times and one Value per record.
void WriteRecords(const std::string& path, const std::vector<std::pair<TDateTime, const char*>>& records) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    TIniFile f(path.c_str());
    f.WriteInteger("Header", "RecordCount", static_cast<int>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        AnsiString section = "R" + IntToStr(static_cast<int>(i));
        f.WriteString("Header", section, FloatToStr(records[i].first));
        f.WriteString(section, "Value", records[i].second);
    }
}

// Every record of the store from the first: (time, Value).
std::vector<std::pair<TDateTime, std::string>> Walk(TIniDataSet& s) {
    std::vector<std::pair<TDateTime, std::string>> out;
    for (bool ok = s.First(); ok; ok = s.Next())
        out.emplace_back(s.FieldByName("RecordTime")->AsDateTime(), s.FieldByName("Value")->AsString().str());
    return out;
}

std::vector<std::string> Values(TIniDataSet& s) {
    std::vector<std::string> out;
    for (auto& r : Walk(s)) out.push_back(r.second);
    std::sort(out.begin(), out.end());
    return out;
}

// ---- Layout and appending ---------------------------------------------------------------------------------

TEST(IniDataSet, RecordsGoToADayFolderAndAnHourFile) {
    StoreDir d;
    auto s = Store();
    s->SetActive(true);
    ASSERT_TRUE(s->Active());
    EXPECT_EQ(s->RecordCount(), 0);
    const TDateTime t = At(17, 14, 20);
    EXPECT_EQ(s->FolderNameByTime(t), AnsiString("./data/2010_05_17.KVD"));
    EXPECT_EQ(s->FileNameByTime(t), AnsiString("./data/2010_05_17.KVD/T14.KVD"));
    ASSERT_TRUE(s->Append(t));
    EXPECT_EQ(s->RecordCount(), 1);
    EXPECT_EQ(s->RecordNumber(), 0);
    EXPECT_EQ(s->LocalRecordNumber(), 0);
    s->FieldByName("Value")->SetAsFloat(12.5);
    s->FieldByName("Flag")->SetAsBool(true);

    TIniFile file((d.dir / "data/2010_05_17.KVD/T14.KVD").c_str());
    EXPECT_EQ(file.ReadInteger("Header", "RecordCount", 0), 1);
    EXPECT_EQ(file.ReadString("Header", "R0", ""), FloatToStr(t));
    EXPECT_EQ(file.ReadString("R0", "Value", ""), AnsiString("12,5"));
    EXPECT_EQ(file.ReadString("R0", "Flag", ""), AnsiString("1"));
    EXPECT_FALSE(file.ValueExists("R0", "RecordTime"));

    // Read back through a fresh store.
    s = Store();
    s->SetActive(true);
    ASSERT_EQ(s->RecordCount(), 1);
    EXPECT_NEAR(s->FieldByName("RecordTime")->AsDateTime(), t, 1e-9);
    EXPECT_EQ(s->FieldByName("Value")->AsFloat(), 12.5);
    EXPECT_EQ(s->FieldByName("Flag")->AsInteger(), 1);
    EXPECT_TRUE(s->FieldByName("Flag")->AsBool());
    EXPECT_EQ(s->GetFieldValByName("Value"), AnsiString("12,5"));
    EXPECT_TRUE(s->SetFieldValByName("Value", "7"));
    EXPECT_FALSE(s->SetFieldValByName("Other", "7"));
    EXPECT_EQ(file.ReadString("R0", "Value", ""), AnsiString("7"));
    EXPECT_EQ(s->FieldByName("Other"), nullptr);
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(IniDataSet, ATimeTwiceIsRefusedOrBecomesTheNextRecordOfItsFile) {
    for (bool appendMode : {false, true}) {
        SCOPED_TRACE(appendMode);
        StoreDir d;
        auto s = Store();
        s->SetAppendMode(appendMode);
        s->SetActive(true);
        const TDateTime t = At(17, 14, 20);
        ASSERT_TRUE(s->Append(t));
        s->FieldByName("Value")->SetAsString("first");
        EXPECT_EQ(s->Append(t), appendMode);
        EXPECT_EQ(s->RecordCount(), appendMode ? 2 : 1);
        TIniFile file((d.dir / "data/2010_05_17.KVD/T14.KVD").c_str());
        EXPECT_EQ(file.ReadInteger("Header", "RecordCount", 0), appendMode ? 2 : 1);
        if (!appendMode) continue;
        EXPECT_EQ(s->LocalRecordNumber(), 1);
        s->FieldByName("Value")->SetAsString("second");
        EXPECT_EQ(file.ReadString("Header", "R1", ""), FloatToStr(t));
        EXPECT_EQ(file.ReadString("R0", "Value", ""), AnsiString("first"));
        EXPECT_EQ(file.ReadString("R1", "Value", ""), AnsiString("second"));
        // Each of the two records of one time reads its own section.
        EXPECT_EQ(Values(*s), (std::vector<std::string>{"first", "second"}));
    }
}

TEST(IniDataSet, AnAppendToAnEarlierHoursFileKeepsEveryRecordInItsSection) {
    StoreDir d;
    auto s = Store();
    s->SetActive(true);
    struct Record {
        TDateTime t;
        const char* value;
    } records[] = {{At(17, 10, 0), "ten"}, {At(17, 11, 0), "eleven"}, {At(17, 10, 30), "half past ten"}};
    for (const Record& r : records) {
        ASSERT_TRUE(s->Append(r.t));
        s->FieldByName("Value")->SetAsString(r.value);
    }
    // The list runs 10:00, 11:00, 10:30; 10:30 is the second record of the 10 o'clock file.
    ASSERT_TRUE(s->GotoRecordNumber(2));
    EXPECT_EQ(s->LocalRecordNumber(), 1);
    EXPECT_EQ(s->FieldByName("Value")->AsString(), AnsiString("half past ten"));
    s->FieldByName("Value")->SetAsString("10:30 changed");
    ASSERT_TRUE(s->GotoRecordNumber(0));
    EXPECT_EQ(s->FieldByName("Value")->AsString(), AnsiString("ten"));
    TIniFile ten((d.dir / "data/2010_05_17.KVD/T10.KVD").c_str());
    EXPECT_EQ(ten.ReadString("R1", "Value", ""), AnsiString("10:30 changed"));
    EXPECT_FALSE(ten.SectionExists("R2"));
    // Loaded again, in whatever order the folder lists the files.
    s = Store();
    s->SetActive(true);
    EXPECT_EQ(Values(*s), (std::vector<std::string>{"10:30 changed", "eleven", "ten"}));
}

TEST(IniDataSet, NavigationStopsAtBothEnds) {
    StoreDir d;
    auto s = Store();
    EXPECT_FALSE(s->First());  // not active
    s->SetDayToDir(false);
    s->SetHourToFile(false);
    s->SetActive(true);
    for (int h : {8, 9, 10}) s->Append(At(17, h));
    s->SetActive(false);
    s->SetActive(true);  // one file: its records in file order
    struct Step {
        const char* what;
        bool (TIniDataSet::*move)();
        bool ok;
        int number;
    } steps[] = {
        {"first", &TIniDataSet::First, true, 0},  {"prior at 0", &TIniDataSet::Prior, false, 0},
        {"next", &TIniDataSet::Next, true, 1},    {"last", &TIniDataSet::Last, true, 2},
        {"next at the end", &TIniDataSet::Next, false, 2}, {"prior", &TIniDataSet::Prior, true, 1},
    };
    for (const Step& k : steps) {
        SCOPED_TRACE(k.what);
        EXPECT_EQ(((*s).*k.move)(), k.ok);
        EXPECT_EQ(s->RecordNumber(), k.number);
        EXPECT_NEAR(s->FieldByName("RecordTime")->AsDateTime(), At(17, 8 + k.number), 1e-9);
    }
    EXPECT_FALSE(s->GotoRecordNumber(-1));
    EXPECT_FALSE(s->GotoRecordNumber(3));
    EXPECT_TRUE(FileExists(d.dir / "data/T.KVD"));
}

// ---- Loading ------------------------------------------------------------------------------------------

TEST(IniDataSet, OnlyTheTablesOwnFilesAreLoaded) {
    for (bool dayToDir : {true, false}) {
        SCOPED_TRACE(dayToDir);
        StoreDir d;
        std::string folder = d.dir / (dayToDir ? "data/2010_05_17.KVD/" : "data/");
        WriteRecords(folder + "T14.KVD", {{At(17, 14, 1), "T"}});
        WriteRecords(folder + "T15.KVD", {{At(17, 15, 1), "T15"}});
        // Reached by the exact name only: a file spelt otherwise could not be opened again.
        WriteRecords(folder + "t16.kvd", {{At(17, 16, 1), "other case"}});
        WriteRecords(folder + "TX14.KVD", {{At(17, 14, 2), "TX"}});
        WriteRecords(folder + "U14.KVD", {{At(17, 14, 3), "U"}});
        WriteRecords(folder + "T1.KVD", {{At(17, 1, 3), "one hour digit"}});
        WriteRecords(folder + "T14.INI", {{At(17, 14, 4), "another extension"}});
        auto s = Store();
        s->SetDayToDir(dayToDir);
        s->SetActive(true);
        EXPECT_EQ(Values(*s), (std::vector<std::string>{"T", "T15"}));
    }
}

// A header whose count does not match its keys: the records the file holds are loaded, in number
// order, and a count naming records that are not there is reported once as a damaged file.
TEST(IniDataSet, ADamagedRecordCountIsBoundedByTheKeysAndReported) {
    const AnsiString a = FloatToStr(At(17, 14, 1)), b = FloatToStr(At(17, 14, 2));
    struct Case {
        std::string header;
        std::vector<std::string> values;
        int boxes;
    } cases[] = {
        {"RecordCount=2147483647\nR0=" + a.str() + "\nR1=" + b.str(), {"a", "b"}, 1},
        {"RecordCount=5\nR0=" + a.str() + "\nR1=" + b.str(), {"a", "b"}, 1},
        {"RecordCount=-3\nR0=" + a.str(), {}, 1},
        // A gap is no damage: the missing record is skipped.
        {"RecordCount=3\nR0=" + a.str() + "\nR2=" + b.str(), {"a", "b"}, 0},
        // Keys past the count, or spelt with leading zeros, are no records of it.
        {"RecordCount=1\nR1=" + b.str() + "\nR00=" + b.str() + "\nr0=" + a.str(), {"a"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        StoreDir d;
        std::filesystem::create_directories(d.dir / "data/2010_05_17.KVD");
        testlib::WriteFile(d.dir / "data/2010_05_17.KVD/T14.KVD",
                           "[Header]\n" + c.header + "\n[R0]\nValue=a\n[R1]\nValue=b\n[R2]\nValue=b\n");
        auto s = Store();
        s->SetActive(true);
        EXPECT_EQ(s->RecordCount(), static_cast<int>(c.values.size()));
        EXPECT_EQ(Values(*s), c.values);
        ASSERT_EQ(d.boxes.Count(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(d.boxes.Last().Text + " | " + d.boxes.Last().Caption, AnsiString("Файл поврежден! | Ошибка"));
        }
    }
}

// A count that cannot grow takes no record: the file stays as it was.
TEST(IniDataSet, AnAppendToAFileWhoseCountCannotGrowIsRefused) {
    for (const char* count : {"2147483647", "-1"}) {
        SCOPED_TRACE(count);
        StoreDir d;
        const std::string path = d.dir / "data/2010_05_17.KVD/T14.KVD";
        const std::string text = std::string("[Header]\nRecordCount=") + count + "\n";
        std::filesystem::create_directories(d.dir / "data/2010_05_17.KVD");
        testlib::WriteFile(path, text);
        auto s = Store();
        EXPECT_FALSE(s->Append(At(17, 14, 5)));
        EXPECT_EQ(testlib::ReadFile(path), text);
        EXPECT_EQ(d.boxes.Count(), 1);
    }
}

TEST(IniDataSet, ARangeLoadsOnlyItsDayFoldersAndSkipsNamesThatAreNoDate) {
    StoreDir d;
    WriteRecords(d.dir / "data/2010_05_16.KVD/T23.KVD", {{At(16, 23, 59, 59), "16th"}, {At(17, 8), "misfiled"}});
    WriteRecords(d.dir / "data/2010_05_17.KVD/T08.KVD", {{At(17, 8, 30), "17th"}, {At(17, 9), "17th late"}});
    WriteRecords(d.dir / "data/2010_05_18.KVD/T00.KVD", {{At(18, 0), "18th"}});
    WriteRecords(d.dir / "data/notes_here.KVD/T08.KVD", {{At(17, 8, 40), "not a day"}});
    WriteRecords(d.dir / "data/short.KVD/T08.KVD", {{At(17, 8, 50), "short name"}});
    auto s = Store();
    s->SetActive(true);
    EXPECT_EQ(s->RecordCount(), 7);  // without a range every folder counts
    EXPECT_TRUE(s->SetRange(At(17, 0), At(17, 8, 45)));
    EXPECT_TRUE(s->RangeIsOn());
    EXPECT_EQ(Values(*s), std::vector<std::string>{"17th"});
    // Appending keeps to the range too.
    EXPECT_FALSE(s->Append(At(17, 9)));
    EXPECT_TRUE(s->Append(At(17, 8, 44)));
    EXPECT_TRUE(s->CancelRange());
    EXPECT_EQ(s->RecordCount(), 8);
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(IniDataSet, RecordsOfARangeAreFoundInTheirFile) {
    // Within a range only part of a file is listed: the record's section is searched in the header.
    StoreDir d;
    std::vector<std::pair<TDateTime, const char*>> records;
    const char* names[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (int i = 0; i < 7; ++i) records.emplace_back(At(17, 8, i), names[i]);
    WriteRecords(d.dir / "data/2010_05_17.KVD/T08.KVD", records);
    auto s = Store();
    s->SetRange(At(17, 8, 2), At(17, 8, 5));
    EXPECT_EQ(Walk(*s).size(), 4u);
    std::vector<std::string> got;
    for (auto& r : Walk(*s)) got.push_back(r.second);
    EXPECT_EQ(got, (std::vector<std::string>{"c", "d", "e", "f"}));
}

// ---- Numbers, fields, messages ---------------------------------------------------------------------------

TEST(IniDataSet, NumberTextsReadWithEitherSeparator) {
    TFormatSettings saved = FormatSettings();
    struct Case {
        char separator;
        const char* text;
        double value;
    } cases[] = {
        {',', "40315,6", 40315.6}, {',', "40315.6", 40315.6}, {'.', "40315,6", 40315.6}, {'.', "40315.6", 40315.6},
        {',', "", 0},              {',', "abc", 0},           {',', "1.234,5", 0},      {',', "-2", -2},
    };
    for (const Case& k : cases) {
        FormatSettings().DecimalSeparator = k.separator;
        EXPECT_DOUBLE_EQ(TIniDataSet::StringToDouble(k.text), k.value) << k.separator << " " << k.text;
    }
    FormatSettings() = saved;
}

TEST(IniDataSet, FieldListHoldsFiftyNames) {
    StoreDir d;
    auto s = Store();
    TStringList names;
    for (int i = 0; i < 51; ++i) names.Add(i == 0 ? AnsiString("RecordTime") : "F" + IntToStr(i));
    s->SetFieldList(&names);
    EXPECT_EQ(s->FieldList()->Count(), 50);
    EXPECT_NE(s->FieldByName("F49"), nullptr);
    EXPECT_EQ(s->FieldByName("F50"), nullptr);
    // Names added to the list directly past the fiftieth have no field either.
    s->FieldList()->Add("F50");
    EXPECT_EQ(s->FieldByName("F50"), nullptr);
    s->SetActive(true);
    ASSERT_TRUE(s->Append(At(17, 14)));
    TIniFile file((d.dir / "data/2010_05_17.KVD/T14.KVD").c_str());
    TStringList keys;
    file.ReadSection("R0", &keys);
    EXPECT_EQ(keys.Count(), 49);
    EXPECT_FALSE(s->SetFieldValByName("F50", "x"));
}

TEST(IniDataSet, AStoreWithoutRootOrTableStaysInactive) {
    StoreDir d;
    struct Case {
        const char* root;
        const char* table;
        const char* box;
    } cases[] = {
        {"data", "", "Set RootDir and TableName! | Error"},
        {"", "T", "Set RootDir and TableName! | Error"},
        {"file/inside", "T", "Invalid RootDir! | Error"},
    };
    testlib::WriteFile(d.dir / "file", "not a folder");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.box);
        d.boxes.Clear();
        TIniDataSet s(nullptr);
        s.SetRootDir(k.root);
        s.SetTableName(k.table);
        s.SetActive(true);
        EXPECT_FALSE(s.Active());
        ASSERT_EQ(d.boxes.Count(), 1);
        EXPECT_EQ(d.boxes.Last().Text + " | " + d.boxes.Last().Caption, AnsiString(k.box));
        EXPECT_EQ(d.boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);
        EXPECT_FALSE(s.Next());
        EXPECT_FALSE(s.Delete());
    }
}

}  // namespace
