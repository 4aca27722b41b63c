// INI files written by hand on Windows: CRLF, blanks, comments, duplicates, old encoding.
#include "RtlTestSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

using testlib::TempDir;

namespace {

const std::string kHandWritten =
    "; settings of the plant\r\n"
    "\r\n"
    "[Main]\r\n"
    "Host = 192.168.0.5 \r\n"
    "Port=3306\r\n"
    "port=9999\r\n"
    "  ; a comment inside the section\r\n"
    "Flag=1\r\n"
    "Off=0\r\n"
    "Ratio=0,75\r\n"
    "RatioDot=0.5\r\n"
    "Quoted=\" spaced \"\r\n"
    "Count=12abc\r\n"
    "Hex=0x1F\r\n"
    "Dollar=$FF\r\n"
    "Neg=-5\r\n"
    "Big=99999999999\r\n"
    "Bad=abc\r\n"
    "Empty=\r\n"
    "just a line\r\n"
    "\r\n"
    "[ main ]\r\n"
    "Host=second\r\n"
    "Extra=1\r\n"
    "\r\n"
    "[Пост]\r\n"
    "Имя=Флотация\r\n";

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "plant.ini";
    void SetUp() override { testlib::WriteFile(path, kHandWritten); }
};

}  // namespace

TEST_F(IniFileTest, ReadsWindowsRules) {
    TIniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } strings[] = {
        {"Main", "Host", "192.168.0.5"},  // value trimmed
        {"MAIN", "HOST", "192.168.0.5"},  // names ignore case
        {"Main", "Port", "3306"},         // first of duplicate keys wins
        {"Main", "Extra", "def"},         // only the first of duplicate sections counts
        {"Main", "Quoted", " spaced "},   // one pair of quotes is removed
        {"Main", "Empty", ""},
        {"Main", "just a line", "def"},
        {"Main", "; a comment inside the section", "def"},
        {"Missing", "Host", "def"},
        {"пост", "имя", "Флотация"},      // Cyrillic names ignore case too
    };
    for (const auto& c : strings) EXPECT_EQ(ini.ReadString(c.section, c.key, "def").str(), c.expected) << c.key;

    struct IntCase {
        const char* key;
        int expected;
    } ints[] = {
        {"Port", 3306}, {"Count", 12}, {"Hex", 31}, {"Dollar", 255}, {"Neg", -5},
        {"Big", -1},    {"Bad", -1},   {"Empty", -1}, {"Missing", -1},
    };
    for (const auto& c : ints) EXPECT_EQ(ini.ReadInteger("Main", c.key, -1), c.expected) << c.key;

    EXPECT_TRUE(ini.ReadBool("Main", "Flag", false));
    EXPECT_FALSE(ini.ReadBool("Main", "Off", true));
    EXPECT_TRUE(ini.ReadBool("Main", "Bad", true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool("Main", "Missing", false));

    EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "Ratio", -1), 0.75);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "RatioDot", -1), 0.5);  // a point reads too
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "Bad", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "Empty", -1), -1);

    EXPECT_TRUE(ini.SectionExists("MAIN"));
    EXPECT_FALSE(ini.SectionExists("Nope"));
    EXPECT_TRUE(ini.ValueExists("Main", "FLAG"));
    EXPECT_FALSE(ini.ValueExists("Main", "Extra"));
}

TEST_F(IniFileTest, ListsSectionsAndKeys) {
    TIniFile ini(path);
    TStringList l;
    ini.ReadSections(&l);
    EXPECT_EQ(l.CommaText().str(), "Main,Пост");
    ini.ReadSection("Пост", &l);
    EXPECT_EQ(l.CommaText().str(), "Имя");
    ini.ReadSectionValues("main", &l);
    EXPECT_EQ(l.Count(), 15);
    EXPECT_EQ(l[0].str(), "Host=192.168.0.5");
    EXPECT_EQ(l.Values("Quoted").str(), " spaced ");
}

TEST_F(IniFileTest, WritingChangesOnlyTheWrittenLine) {
    TIniFile ini(path);
    ini.WriteInteger("MAIN", "PORT", 1234);
    std::string expected = kHandWritten;
    expected.replace(expected.find("Port=3306"), 9, "Port=1234");  // the file's spelling of the key stays
    EXPECT_EQ(testlib::ReadFile(path), expected);

    // A new key goes after the section's last line, before the blank line that ends it.
    ini.WriteString("Main", "New", "x y");
    expected.replace(expected.find("just a line\r\n") + 13, 0, "New=x y\r\n");
    EXPECT_EQ(testlib::ReadFile(path), expected);

    // A new section goes to the end.
    ini.WriteBool("Added", "On", true);
    expected += "[Added]\r\nOn=1\r\n";
    EXPECT_EQ(testlib::ReadFile(path), expected);

    ini.WriteFloat("Added", "Scale", 2.5);
    EXPECT_EQ(ini.ReadString("Added", "Scale", "").str(), "2,5");
    EXPECT_EQ(ini.ReadString("Main", "New", "").str(), "x y");
}

TEST_F(IniFileTest, EraseAndDelete) {
    TIniFile ini(path);
    ini.DeleteKey("Main", "port");  // both duplicates go, so no older value reappears
    EXPECT_EQ(ini.ReadString("Main", "Port", "gone").str(), "gone");
    ini.EraseSection("MAIN");  // every section of that name
    EXPECT_FALSE(ini.SectionExists("Main"));
    EXPECT_EQ(testlib::ReadFile(path), "; settings of the plant\r\n\r\n[Пост]\r\nИмя=Флотация\r\n");
    ini.EraseSection("Missing");  // nothing to do
}

TEST(IniFile, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
    TempDir dir;
    const std::string path = dir / "new.ini";
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
    EXPECT_FALSE(FileExists(path));
    ini.WriteInteger("S", "k", 8);
    EXPECT_EQ(testlib::ReadFile(path), "[S]\r\nk=8\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 8);
}

TEST(IniFile, WindowsStylePathRelativeToTheCurrentFolder) {
    TempDir dir;
    testlib::CurrentDir cd(dir.Path());
    WritePrivateProfileString("LevelGraphP", "pw0", "3", ".\\GraphColors.INI");
    EXPECT_TRUE(FileExists(dir / "GraphColors.INI"));
    EXPECT_EQ(GetPrivateProfileInt("levelgraphp", "PW0", 1, ".\\GraphColors.INI"), 3u);
}

TEST(IniFile, OldWindows1251FileStillLoadsAndIsWrittenBackAsUtf8) {
    TempDir dir;
    const std::string path = dir / "Colors.INI";
    // [Пост]  Имя=Флотация  OutFormat=##0 т  in Windows-1251
    testlib::WriteFile(path, "[\xCF\xEE\xF1\xF2]\r\n\xC8\xEC\xFF=\xD4\xEB\xEE\xF2\xE0\xF6\xE8\xFF\r\nOutFormat=##0 \xF2\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Пост", "Имя", "").str(), "Флотация");
    EXPECT_EQ(ini.ReadString("Пост", "OutFormat", "").str(), "##0 т");
    ini.WriteString("Пост", "Цвет", "255");
    EXPECT_EQ(testlib::ReadFile(path), "[Пост]\r\nИмя=Флотация\r\nOutFormat=##0 т\r\nЦвет=255\r\n");
}

TEST(IniFile, UnixLineEndsAreKept) {
    TempDir dir;
    const std::string path = dir / "unix.ini";
    testlib::WriteFile(path, "\xEF\xBB\xBF[a]\nx=1\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("a", "x", 0), 1);
    ini.WriteInteger("a", "y", 2);
    EXPECT_EQ(testlib::ReadFile(path), "[a]\nx=1\ny=2\n");
}

TEST(IniFile, SeesChangesMadeThroughAnotherObject) {
    TempDir dir;
    const std::string path = dir / "shared.ini";
    TIniFile reader(path), writer(path);
    EXPECT_EQ(reader.ReadString("s", "k", "none").str(), "none");
    writer.WriteString("s", "k", "1");
    EXPECT_EQ(reader.ReadString("s", "k", "none").str(), "1");
    writer.WriteString("s", "k", "2");  // same size, same second: still seen
    EXPECT_EQ(reader.ReadString("s", "k", "none").str(), "2");
    reader.WriteString("s", "other", "x");
    EXPECT_EQ(testlib::ReadFile(path), "[s]\r\nk=2\r\nother=x\r\n");

    // Many quick rewrites of equal size, through another spelling of the same name.
    testlib::CurrentDir cd(dir.Path());
    TIniFile other("./shared.ini");
    for (int i = 0; i < 50; ++i) {
        writer.WriteInteger("s", "k", i % 10);
        ASSERT_EQ(reader.ReadInteger("s", "k", -1), i % 10);
        ASSERT_EQ(other.ReadInteger("s", "k", -1), i % 10);
        TMemIniFile mem(path);
        mem.WriteInteger("s", "k", 9 - i % 10);
        mem.UpdateFile();
        ASSERT_EQ(reader.ReadInteger("s", "k", -1), 9 - i % 10);
    }
}

TEST(IniFile, WriteFailuresAreReported) {
    TempDir dir;
    TIniFile noFolder(dir / "missing/folder/x.ini");
    EXPECT_THROW(noFolder.WriteString("s", "k", "v"), EIniFileException);
    EXPECT_EQ(noFolder.ReadString("s", "k", "def").str(), "def");
    TIniFile noName("");
    EXPECT_EQ(noName.ReadInteger("s", "k", 5), 5);
    EXPECT_THROW(noName.WriteString("s", "k", "v"), EIniFileException);
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir / "missing/x.ini"));
}

TEST(IniFile, KeepsTheFileModeOnRewrite) {
    TempDir dir;
    const std::string path = dir / "mode.ini";
    testlib::WriteFile(path, "[s]\r\n");
    chmod(path.c_str(), 0640);
    TIniFile(path).WriteString("s", "k", "v");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(PrivateProfile, IntegerRules) {
    TempDir dir;
    const std::string path = dir / "comport.ini";
    testlib::WriteFile(path,
               "[timeouts]\r\n"
               "RInterval=25\r\n"
               "RMult= 8 \r\n"
               "RConst=40ms\r\n"
               "WMult=abc\r\n"
               "WConst=-5\r\n"
               "Empty=\r\n"
               "Hex=0x10\r\n");
    struct Case {
        const char* key;
        unsigned expected;
    } cases[] = {
        {"RInterval", 25}, {"RMult", 8}, {"RConst", 40}, {"WMult", 0},  // no leading digit: 0
        {"WConst", 0},                                                  // negative: 0
        {"Empty", 99},  {"Hex", 16}, {"Missing", 99},
    };
    for (const auto& c : cases) EXPECT_EQ(GetPrivateProfileInt("TIMEOUTS", c.key, 99, path), c.expected) << c.key;
    EXPECT_EQ(GetPrivateProfileInt("timeouts", "RInterval", 10, dir / "none.ini"), 10u);
    EXPECT_EQ(GetPrivateProfileString("timeouts", "RConst", "", path).str(), "40ms");
}

TEST(MemIniFile, WritesOnlyOnUpdateFile) {
    TempDir dir;
    const std::string path = dir / "mem.ini";
    testlib::WriteFile(path, "; keep me\r\n[a]\r\nx=1\r\n");
    TMemIniFile ini(path);
    ini.WriteString("a", "y", "2");
    ini.WriteString("b", "z", "3");
    EXPECT_EQ(ini.ReadString("A", "Y", "").str(), "2");
    EXPECT_EQ(testlib::ReadFile(path), "; keep me\r\n[a]\r\nx=1\r\n");
    ini.UpdateFile();
    EXPECT_EQ(testlib::ReadFile(path), "; keep me\r\n[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");
    ini.Clear();
    EXPECT_EQ(ini.ReadString("a", "x", "none").str(), "none");
}

TEST(RegIniFile, KeyPathNamesAFileInTheUserConfiguration) {
    TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    {
        TRegIniFile reg("Software\\Plant\\Grid");
        EXPECT_EQ(reg.FileName().str(), dir.Path() + "/plantmon/Software/Plant/Grid.ini");
        reg.WriteString("Columns", "Width0", "64");
        TRegIniFile again("Software\\Plant\\Grid");
        EXPECT_EQ(again.ReadString("columns", "width0", "").str(), "64");
        // A key path never leaves the store.
        EXPECT_EQ(TRegIniFile::StorePath("..\\..\\etc\\x").str(), dir.Path() + "/plantmon/etc/x.ini");
    }
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}
