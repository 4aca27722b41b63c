// Streams, paths and file helpers.
#include "RtlTestSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

using testlib::TempDir;

namespace {

// Grows in blocks of twice the half step, like the export streams of the grid.
class BlockStream : public TMemoryStream {
public:
    int halfStep = 4096;
    int reallocs = 0;

protected:
    void* Realloc(long long& newCapacity) override {
        ++reallocs;
        if (newCapacity > 0 && newCapacity != Size()) {
            long long block = 2LL * halfStep;
            newCapacity = (newCapacity + block - 1) / block * block;
        }
        if (newCapacity == Capacity()) return Memory();
        if (newCapacity == 0) {
            std::free(Memory());
            return nullptr;
        }
        return std::realloc(Memory(), static_cast<std::size_t>(newCapacity));
    }
};

}  // namespace

TEST(MemoryStream, ReadWriteSeekAndSize) {
    TMemoryStream m;
    const int a = 0x01020304;
    const double d = 2.5;
    m.WriteBuffer(&a, sizeof a);
    m.WriteBuffer(&d, sizeof d);
    EXPECT_EQ(m.Size(), 12);
    EXPECT_EQ(m.Position(), 12);
    EXPECT_GE(m.Capacity(), 12);
    EXPECT_EQ(static_cast<const unsigned char*>(m.Memory())[0], 0x04);  // little-endian on the wire

    m.SetPosition(0);
    int a2 = 0;
    double d2 = 0;
    m.ReadBuffer(&a2, sizeof a2);
    m.ReadBuffer(&d2, sizeof d2);
    EXPECT_EQ(a2, a);
    EXPECT_EQ(d2, d);
    char c;
    EXPECT_EQ(m.Read(&c, 1), 0);
    EXPECT_THROW(m.ReadBuffer(&c, 1), EReadError);

    // Writing past the end fills the gap with zeros.
    m.Seek(4, soEnd);
    m.WriteBuffer("x", 1);
    EXPECT_EQ(m.Size(), 17);
    EXPECT_EQ(static_cast<const char*>(m.Memory())[13], 0);

    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    m.Clear();
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Memory(), nullptr);
}

TEST(MemoryStream, SubclassDecidesTheGrowth) {
    BlockStream s;
    s.halfStep = 65536;
    s.WriteBuffer("a", 1);
    EXPECT_EQ(s.Capacity(), 131072);
    std::string big(200000, 'z');
    s.WriteBuffer(big.data(), static_cast<long long>(big.size()));
    EXPECT_EQ(s.Capacity(), 262144);
    s.SetSize(0);
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_EQ(s.Memory(), nullptr);
}

TEST(FileStream, CreateOpenAndErrors) {
    TempDir dir;
    const std::string path = dir / "data.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("hello", 5);
        EXPECT_EQ(f.Size(), 5);
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareDenyWrite);
        f.Seek(0, soEnd);
        f.WriteBuffer(" world", 6);
        f.SetPosition(0);
        char buf[11] = {};
        f.ReadBuffer(buf, 11);
        EXPECT_EQ(std::string(buf, 11), "hello world");
        f.SetSize(5);
    }
    EXPECT_EQ(testlib::ReadFile(path), "hello");

    EXPECT_THROW(TFileStream(dir / "missing.bin", fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir / "no/dir.bin", fmCreate), EFCreateError);
    try {
        TFileStream f(dir / "missing.bin", fmOpenRead);
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().Pos("missing.bin"), 0);
    }

    // An exclusive open keeps others out until it closes.
    {
        TFileStream owner(path, fmOpenRead | fmShareExclusive);
        EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite), EFOpenError);
    }
    TFileStream again(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(again.Size(), 5);
}

// Small writes gathered, large ones passed through, all in their order; reading, seeking and
// sizing see every byte written before them.
TEST(FileStream, BufferedWritesReachTheFileInOrder) {
    TempDir dir;
    const std::string path = dir / "buffered.bin";
    std::string expected;
    {
        TBufferedFileStream f(path, fmCreate, 16);
        for (int i = 0; i < 20; ++i) {
            const std::string piece = "ячейка" + std::to_string(i) + ";";
            f.WriteBuffer(piece.data(), static_cast<long long>(piece.size()));
            expected += piece;
        }
        const std::string big(100, 'Z');  // larger than the buffer
        f.WriteBuffer(big.data(), static_cast<long long>(big.size()));
        expected += big;
        f.WriteBuffer("\0t", 2);
        expected += std::string("\0t", 2);
        EXPECT_EQ(f.Size(), static_cast<long long>(expected.size()));
        f.SetPosition(0);
        f.WriteBuffer("Я", 2);
        expected.replace(0, 2, "Я");
        f.SetPosition(0);
        std::string back(expected.size(), '\0');
        f.ReadBuffer(back.data(), static_cast<long long>(back.size()));
        EXPECT_EQ(back, expected);
        f.Seek(0, soEnd);
        f.WriteBuffer("end", 3);
        expected += "end";
        f.FlushBuffer();
        EXPECT_EQ(testlib::ReadFile(path), expected);
        f.WriteBuffer("!", 1);  // left to the destructor
        expected += "!";
    }
    EXPECT_EQ(testlib::ReadFile(path), expected);

    // A device that takes nothing: the failure comes at the flush, not as success.
    TBufferedFileStream full("/dev/full", fmOpenWrite);
    full.WriteBuffer("abc", 3);
    EXPECT_THROW(full.FlushBuffer(), EWriteError);
    full.FlushBuffer();  // what failed is not written again
}

TEST(FileStream, CopyBetweenStreams) {
    TempDir dir;
    TStringStream src("Флотация");
    TMemoryStream mem;
    EXPECT_EQ(mem.CopyFrom(&src, 0), 16);
    mem.SaveToFile(dir / "copy.txt");
    EXPECT_EQ(testlib::ReadFile(dir / "copy.txt"), "Флотация");
    TMemoryStream back;
    back.LoadFromFile(dir / "copy.txt");
    EXPECT_EQ(std::string(static_cast<const char*>(back.Memory()), 16), "Флотация");
}

TEST(StringStream, CarriesStringLists) {
    TStringList l;
    l.SetText("a\r\nб");
    TStringStream s("head:");
    s.Seek(0, soEnd);
    l.SaveToStream(&s);
    EXPECT_EQ(s.DataString().str(), "head:a\r\nб\r\n");
    s.SetPosition(5);
    TStringList back;
    back.LoadFromStream(&s);
    EXPECT_TRUE(back.Equals(&l));
    TStringStream old("\xE0\xE1\r\nx");  // Windows-1251 bytes
    back.LoadFromStream(&old);
    EXPECT_EQ(back.Text().str(), "аб\r\nx\r\n");
}

TEST(StringStream, ReadsAndWritesText) {
    TStringStream s("abc");
    EXPECT_EQ(s.ReadString(2).str(), "ab");
    s.WriteString("XYZ");
    EXPECT_EQ(s.DataString().str(), "abXYZ");
    s.Seek(-1, soEnd);
    EXPECT_EQ(s.ReadString(10).str(), "Z");
    s.SetSize(1);
    EXPECT_EQ(s.DataString().str(), "a");
}

TEST(Paths, Helpers) {
    struct Case {
        AnsiString got;
        const char* expected;
    } cases[] = {
        {PosixPath(".\\GraphColors.INI"), "./GraphColors.INI"},
        {ExtractFilePath("/opt/plant/plantmon"), "/opt/plant/"},
        {ExtractFilePath("Template\\Page.html"), "Template/"},
        {ExtractFilePath("plain"), ""},
        {ExtractFileDir("/opt/plant/plantmon"), "/opt/plant"},
        {ExtractFileDir("/x"), "/"},
        {ExtractFileName("/opt/plant/plantmon.INI"), "plantmon.INI"},
        {ExtractFileExt("/opt/plant.d/plantmon"), ""},
        {ExtractFileExt("report.tar.gz"), ".gz"},
        {ChangeFileExt("/opt/plant/plantmon", ".INI"), "/opt/plant/plantmon.INI"},
        {ChangeFileExt("a.b/c.txt", ".bmp"), "a.b/c.bmp"},
        {ChangeFileExt("a.b/c", ""), "a.b/c"},
        {IncludeTrailingPathDelimiter("/opt"), "/opt/"},
        {IncludeTrailingPathDelimiter("/opt/"), "/opt/"},
        {IncludeTrailingPathDelimiter(""), "/"},
        {ExcludeTrailingPathDelimiter("/opt//"), "/opt"},
        {ExcludeTrailingPathDelimiter("/"), "/"},
        {ExpandFileName("/a/./b/../c"), "/a/c"},
        {ExpandFileName("/../x"), "/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got.str(), c.expected);

    TempDir dir;
    testlib::CurrentDir cd(dir.Path());
    char real[4096];
    ASSERT_TRUE(realpath(dir.Path().c_str(), real));
    EXPECT_EQ(GetCurrentDir().str(), real);
    EXPECT_EQ(ExpandFileName("sub/../f.txt").str(), std::string(real) + "/f.txt");
}

TEST(Files, CreateRenameDelete) {
    TempDir dir;
    const std::string nested = dir / "config/deep/er";
    EXPECT_TRUE(ForceDirectories(nested + "/"));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_TRUE(ForceDirectories(nested));  // already there
    EXPECT_THROW(ForceDirectories(""), EInOutError);
    testlib::WriteFile(dir / "config/a.txt", "abc");
    EXPECT_FALSE(ForceDirectories(dir / "config/a.txt/sub"));  // a file is in the way

    EXPECT_TRUE(FileExists(dir / "config/a.txt"));
    EXPECT_FALSE(FileExists(dir / "config"));  // a folder is no file
    EXPECT_EQ(FileSizeOf(dir / "config/a.txt"), 3);
    EXPECT_EQ(FileSizeOf(dir / "none"), -1);
    TDateTime age;
    ASSERT_TRUE(FileAge(dir / "config/a.txt", age));
    EXPECT_NEAR(age, Now(), 1.0 / 24);
    EXPECT_FALSE(FileAge(dir / "none", age));

    testlib::WriteFile(dir / "config/b.txt", "b");
    EXPECT_FALSE(RenameFile(dir / "config/a.txt", dir / "config/b.txt"));  // no overwrite
    EXPECT_TRUE(RenameFile(dir / "config/a.txt", dir / "config/c.txt"));
    EXPECT_TRUE(DeleteFile(dir / "config/c.txt"));
    EXPECT_FALSE(DeleteFile(dir / "config/c.txt"));
    EXPECT_FALSE(DeleteFile(dir / "config"));
    EXPECT_FALSE(RemoveDir(dir / "config"));  // not empty
    EXPECT_TRUE(CreateDir(dir / "empty"));
    EXPECT_TRUE(RemoveDir(dir / "empty"));
}

TEST(Files, HandleRoutines) {
    TempDir dir;
    const std::string path = dir / "h.bin";
    int h = FileCreate(path);
    ASSERT_GE(h, 0);
    EXPECT_EQ(FileWrite(h, "12345", 5), 5);
    EXPECT_EQ(FileSeek(h, 1, 0), 1);
    char buf[4] = {};
    EXPECT_EQ(FileRead(h, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "234");
    EXPECT_EQ(FileSeek(h, 0, 2), 5);
    FileClose(h);
    EXPECT_EQ(FileOpen(dir / "none", fmOpenRead), -1);
    int r = FileOpen(path, fmOpenRead);
    ASSERT_GE(r, 0);
    EXPECT_EQ(FileWrite(r, "x", 1), -1);  // opened for reading only
    FileClose(r);
}

TEST(Files, FindWithMasks) {
    TempDir dir;
    for (const char* f : {"a.ini", "B.INI", "c.txt", "Данные.INI", ".hidden.ini"}) testlib::WriteFile(dir / f, "x");
    ForceDirectories(dir / "sub.ini");

    auto find = [&](const char* mask, int attr) {
        std::set<std::string> names;
        TSearchRec rec;
        for (int r = FindFirst(dir / mask, attr, rec); r == 0; r = FindNext(rec)) names.insert(rec.Name.str());
        FindClose(rec);
        return names;
    };
    using S = std::set<std::string>;
    EXPECT_EQ(find("*.ini", faAnyFile & ~faDirectory & ~faHidden), (S{"a.ini", "B.INI", "Данные.INI"}));
    EXPECT_EQ(find("*.ini", faAnyFile), (S{"a.ini", "B.INI", "Данные.INI", ".hidden.ini", "sub.ini"}));
    EXPECT_EQ(find("?.*", faArchive), (S{"a.ini", "B.INI", "c.txt"}));
    EXPECT_EQ(find("д*", faArchive), (S{"Данные.INI"}));
    EXPECT_EQ(find("*.doc", faAnyFile), S{});

    TSearchRec rec;
    ASSERT_EQ(FindFirst(dir / "c.txt", faArchive, rec), 0);
    EXPECT_EQ(rec.Size, 1);
    EXPECT_EQ(rec.Attr & faDirectory, 0);
    FindClose(rec);
    EXPECT_NE(FindFirst(dir / "nofolder/*", faAnyFile, rec), 0);

    struct Mask {
        const char* name;
        const char* mask;
        bool match;
    } masks[] = {
        {"abc", "*", true},   {"abc", "a*c", true},   {"abc", "a?c", true}, {"abc", "a??c", false},
        {"abc", "*.*", true}, {"a.b.c", "*.c", true}, {"ABC", "abc", true}, {"", "*", true},
        {"ab", "*b*", true},  {"ab", "*c*", false},   {"Пуск", "п??к", true},
    };
    for (const auto& m : masks) EXPECT_EQ(MatchesMask(m.name, m.mask), m.match) << m.name << " " << m.mask;
}

TEST(Process, ExecutableAndArguments) {
    AnsiString exe = ExecutableFileName();
    EXPECT_TRUE(FileExists(exe));
    EXPECT_EQ(ParamStr(0), exe);
    EXPECT_GE(ParamCount(), 0);
    EXPECT_EQ(ParamStr(ParamCount() + 1).str(), "");
    EXPECT_GT(DiskFree(0), 0);
    EXPECT_EQ(DiskFree(3), -1);
}
