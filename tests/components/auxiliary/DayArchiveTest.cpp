// The day archives: the file layout, creating and checking files, the write protocol, the cache and
// the pending run (eviction, reuse, memo, backward times), free space, and the 18-byte records.
#include "components/auxiliary/ArcManager.h"
#include "components/auxiliary/HimArcMan.h"

#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "testlib/TempDir.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const TDateTime DayA = EncodeDate(2010, 5, 16);

TDateTime At(int day, int second) { return DayA + day + second * OneSecond; }

// A fresh folder as the current one, boxes recorded, the real free space.
struct ArchiveDir {
    testlib::ScratchCurrentDir dir{"plantmon-arc"};
    guitest::MessageBoxRecorder boxes;
    ArchiveDir() { guitest::EnsureApp(); }
    ~ArchiveDir() { SetDiskFreeSource(nullptr); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const TMessageBoxRequest& b : boxes.Boxes()) out.push_back(b.Text.str() + " | " + b.Caption.str());
        return out;
    }
};

template <class A>
std::unique_ptr<A> Archive(int days, const char* file = "arc.bin") {
    auto a = std::make_unique<A>(nullptr);
    a->SetFileName(file);
    a->SetArcSize(days);
    a->SetActive(true);
    return a;
}

// Writes one record through the property protocol.
template <class A>
void Write(A& a, TDateTime t, int ch0, int ch1 = 0, int ch2 = 0) {
    a.SetWriteCursor(t);
    a.SetWrCh0(ch0);
    a.SetWrCh1(ch1);
    a.SetWrCh2(ch2);
    a.SetWrited(true);
}

// Channel 0 of the record at t through the property protocol; -1 for a second never written.
template <class A>
int Read(A& a, TDateTime t) {
    a.SetReadCursor(0);
    a.SetReadCursor(t);
    return a.RdStatus() ? a.RdCh0() : -1;
}

// ---- The file --------------------------------------------------------------------------------------------

TEST(DayArchiveFile, NewTwoDayArchiveIsZeroButItsHeader) {
    ArchiveDir d;
    auto a = Archive<TArcManager>(2);
    ASSERT_TRUE(a->Active());
    EXPECT_EQ(a->TotalUsed(), 0);
    EXPECT_EQ(a->TotalFree(), 2);
    std::string bytes = testlib::ReadFile(d.dir / "arc.bin");
    ASSERT_EQ(bytes.size(), 1388816u);
    const unsigned char head[16] = {'K', 'V', '_', 'A', 'R', 'C', 0, 1, 10, 8, 2, 0, 0x10, 0x19, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), head, 16), 0);
    EXPECT_EQ(bytes.find_first_not_of('\0', 16), std::string::npos);
    EXPECT_EQ(d.boxes.Count(), 0);

    // The first record takes day-table entry 0: its date and in-use byte are in the file at once.
    Write(*a, At(0, 10) + 0.25 * OneSecond, 7);
    bytes = testlib::ReadFile(d.dir / "arc.bin");
    TDateTime stored;
    std::memcpy(&stored, bytes.data() + 16, 8);
    EXPECT_EQ(stored, At(0, 10) + 0.25 * OneSecond);
    EXPECT_EQ(bytes[24], 1);
    EXPECT_EQ(a->TotalUsed(), 1);
    EXPECT_EQ(a->FirstDay(), stored);
}

TEST(DayArchiveFile, ActiveWithTheDefaultNameCreatesItInTheCurrentFolder) {
    ArchiveDir d;
    TArcManager a(nullptr);
    EXPECT_EQ(a.FileName(), AnsiString(".\\temp.bin"));
    EXPECT_EQ(a.ArcSize(), 366);
    a.SetArcSize(2);
    a.SetActive(true);
    EXPECT_TRUE(a.Active());
    EXPECT_EQ(FileSizeOf(d.dir / "temp.bin"), 1388816);
    // Open, name and size stay as they are.
    a.SetFileName("other.bin");
    a.SetArcSize(3);
    EXPECT_EQ(a.FileName(), AnsiString(".\\temp.bin"));
    EXPECT_EQ(a.ArcSize(), 2);
    EXPECT_EQ(d.texts(), (std::vector<std::string>{"Нельзя менять имя архива, когда он открыт. | SetFileName",
                                                   "Нельзя менять размер архива, когда он открыт. | SetArcSize"}));
    for (const TMessageBoxRequest& b : d.boxes.Boxes()) EXPECT_EQ(b.Flags & MB_ICONMASK, MB_ICONWARNING);
    a.SetActive(false);
    d.boxes.Clear();
    for (int n : {1, 367}) a.SetArcSize(n);
    EXPECT_EQ(a.ArcSize(), 2);
    EXPECT_EQ(d.boxes.Count(), 2);
    EXPECT_EQ(d.boxes.Last().Text, AnsiString("Допустимый диапазон от 2 до 366 дней."));
}

TEST(DayArchiveFile, OpeningChecksLengthAndHeader) {
    ArchiveDir d;
    { Archive<TArcManager>(2); }
    const std::string good = testlib::ReadFile(d.dir / "arc.bin");
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        bool opens;
    } cases[] = {
        {"as made", [](std::string&) {}, true},
        {"byte 8 is not examined", [](std::string& b) { b[8] = 99; }, true},
        {"a byte short", [](std::string& b) { b.pop_back(); }, false},
        {"only the header", [](std::string& b) { b.resize(6416); }, false},
        {"magic", [](std::string& b) { b[0] = 'k'; }, false},
        {"no zero after the magic", [](std::string& b) { b[6] = 'X'; }, false},
        {"version 2", [](std::string& b) { b[7] = 2; }, false},
        {"record size 18", [](std::string& b) { b[9] = 18; }, false},
        {"day count 0", [](std::string& b) { b[10] = 0; }, false},
        {"day count 367", [](std::string& b) { b[10] = 0x6F; b[11] = 1; }, false},
        {"data offset 6417", [](std::string& b) { b[12] = 0x11; }, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::string bytes = good;
        k.damage(bytes);
        testlib::WriteFile(d.dir / "arc.bin", bytes);
        d.boxes.Clear();
        TArcManager a(nullptr);
        a.SetFileName("arc.bin");
        a.SetArcSize(5);  // an open file takes its own day count
        a.SetActive(true);
        EXPECT_EQ(a.Active(), k.opens);
        if (k.opens) {
            EXPECT_EQ(a.ArcSize(), 2);
            EXPECT_EQ(d.boxes.Count(), 0);
        } else {
            EXPECT_EQ(d.texts(), std::vector<std::string>{"Неправильный файл архива! | Ошибка"});
        }
        EXPECT_FALSE(a.OpenArchive());  // open already, or refused again: no second box either way
    }
}

TEST(DayArchiveFile, EachKindOpensOnlyItsOwnFiles) {
    ArchiveDir d;
    { Archive<TArcManager>(7, "eight.bin"); }
    { Archive<THimArcManager>(7, "eighteen.bin"); }
    EXPECT_EQ(FileSizeOf(d.dir / "eighteen.bin"), 10892816);
    EXPECT_EQ(testlib::ReadFile(d.dir / "eighteen.bin")[9], 18);
    auto him = std::make_unique<THimArcManager>(nullptr);
    him->SetFileName("eight.bin");
    EXPECT_FALSE(him->OpenArchive());
    auto arc = std::make_unique<TArcManager>(nullptr);
    arc->SetFileName("eighteen.bin");
    EXPECT_FALSE(arc->OpenArchive());
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(DayArchiveFile, CreationNeedsFreeSpaceBeyondTheFile) {
    ArchiveDir d;
    const long long need8 = 2 * 691200LL + 6416;
    const long long need18 = 7 * 1555200LL + 6416;
    struct Case {
        const char* what;
        bool himKind;
        long long free;
        bool created;
        std::vector<std::string> boxes;
    } cases[] = {
        {"8-byte, margin 65535", false, need8 + 65535, true, {}},
        {"8-byte, margin 65534", false, need8 + 65534, false,
         {"Недостаточно места на текущем диске для создания архива. | Ошибка",
          "Не могу создать архив - проверте имя файла. | Ошибка"}},
        {"no answer from the disk", false, -1, false,
         {"Недостаточно места на текущем диске для создания архива. | Ошибка",
          "Не могу создать архив - проверте имя файла. | Ошибка"}},
        {"18-byte, little left: warned, made", true, need18 + 65535, true,
         {"Места на текущем диске остается недостаточно\n\rдля устойчивой работы Windows. | Внимание"}},
        {"18-byte, enough left", true, need18 + 32768000, true, {}},
    };
    int n = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        long long free = k.free;
        SetDiskFreeSource([free](int drive) { return drive == 0 ? free : -1; });
        d.boxes.Clear();
        std::string file = "space" + std::to_string(n++) + ".bin";
        bool active = k.himKind ? Archive<THimArcManager>(7, file.c_str())->Active()
                                : Archive<TArcManager>(2, file.c_str())->Active();
        EXPECT_EQ(active, k.created);
        EXPECT_EQ(FileExists(d.dir / file), k.created);
        EXPECT_EQ(d.texts(), k.boxes);
    }
}

// ---- Writing and reading ---------------------------------------------------------------------------------------

TEST(DayArchiveRecords, PropertyProtocolRoundTripsThroughTheFile) {
    ArchiveDir d;
    {
        auto a = Archive<TArcManager>(2);
        Write(*a, At(0, 10), 1, 2, 3);
        Write(*a, At(0, 11), 65535, 70000, -1);  // channels keep their low 16 bits
        EXPECT_EQ(a->WriteCounter(), 2);
        EXPECT_EQ(Read(*a, At(0, 10)), 1);
        EXPECT_EQ(a->RdCh1(), 2);
        EXPECT_EQ(a->RdCh2(), 3);
        // Setting Writed again without a change writes nothing new; the same record is not counted twice.
        a->SetWrited(true);
        EXPECT_EQ(a->WriteCounter(), 2);
    }  // destroyed: the run is flushed
    auto a = Archive<TArcManager>(2);
    EXPECT_EQ(a->TotalUsed(), 1);
    EXPECT_EQ(Read(*a, At(0, 10)), 1);
    EXPECT_EQ(Read(*a, At(0, 11)), 65535);
    EXPECT_EQ(a->RdCh1(), 70000 & 0xFFFF);
    EXPECT_EQ(a->RdCh2(), 65535);  // unsigned channels
    // A second never written reads as true with its flag 0; a day not in the archive as false.
    TArcRecord rec;
    rec.Channel[0] = 9;
    EXPECT_TRUE(a->GetData(At(0, 12), &rec));
    EXPECT_EQ(rec.Written, 0);
    EXPECT_EQ(rec.Channel[0], 0);
    EXPECT_FALSE(a->GetData(At(1, 12), &rec));
    EXPECT_EQ(Read(*a, At(0, 12)), -1);
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(DayArchiveRecords, RunsGoToTheFileInPiecesOfFlushInterval) {
    ArchiveDir d;
    auto a = Archive<TArcManager>(2);
    a->SetFlushInterval(3);
    std::vector<int> counters;
    for (int s = 0; s < 5; ++s) {
        Write(*a, At(0, 100 + s), 10 + s);
        counters.push_back(a->WriteCounter());
    }
    EXPECT_EQ(counters, (std::vector<int>{1, 2, 3, 4, 1}));
    // The first four records are in the file before the fifth is flushed.
    std::string bytes = testlib::ReadFile(d.dir / "arc.bin");
    for (int s = 0; s < 5; ++s) {
        long long at = a->GetFileOffset(0, At(0, 100 + s));
        EXPECT_EQ(static_cast<unsigned char>(bytes[at]), s < 4 ? 10 + s : 0) << s;
        EXPECT_EQ(bytes[at + 6], s < 4 ? 1 : 0) << s;
    }
    EXPECT_TRUE(a->CloseArchive());
    bytes = testlib::ReadFile(d.dir / "arc.bin");
    EXPECT_EQ(bytes[a->GetFileOffset(0, At(0, 104)) + 6], 1);
}

// The archive's read-write descriptor made to write to /dev/full, as on a full disk, until Restore
// gives the file back.
class FullDisk {
public:
    explicit FullDisk(const std::string& file) {
        const std::string target = std::filesystem::canonical(file).string();
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(entry.path(), ec).string() != target) continue;
            const int fd = std::stoi(entry.path().filename().string());
            if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR) fd_ = fd;
        }
        if (fd_ < 0) return;
        saved_ = dup(fd_);
        const int full = open("/dev/full", O_WRONLY);
        if (saved_ < 0 || full < 0 || dup2(full, fd_) < 0) fd_ = -1;
        if (full >= 0) close(full);
    }
    ~FullDisk() {
        Restore();
        if (saved_ >= 0) close(saved_);
    }
    bool Full() const { return fd_ >= 0; }
    // The file goes back only where /dev/full still stands: an archive that closed it is left alone.
    void Restore() {
        struct stat now {}, full {};
        if (fd_ >= 0 && fstat(fd_, &now) == 0 && stat("/dev/full", &full) == 0 && now.st_rdev == full.st_rdev)
            dup2(saved_, fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1, saved_ = -1;
};

TEST(DayArchiveRecords, AFullDiskKeepsThePendingRunForTheNextTry) {
    // Records at seconds 100..103 of day A pend; the step that must flush them meets a full disk.
    struct Case {
        const char* name;
        std::function<bool(TArcManager&)> step;
        TDateTime stepRecord;  // the record the step writes (0: none)
    };
    auto record = [](TArcManager& a, TDateTime t) {
        a.SetWriteCursor(t);
        TArcRecord r;
        r.Channel[0] = 77;
        r.Written = 1;
        return a.SetData(t, &r);
    };
    const Case cases[] = {
        {"a record of the next day", [&](TArcManager& a) { return record(a, At(1, 5)); }, At(1, 5)},
        {"a record past the flush interval", [&](TArcManager& a) { return record(a, At(0, 104)); }, At(0, 104)},
        {"a record before the run", [&](TArcManager& a) { return record(a, At(0, 50)); }, At(0, 50)},
        {"closing", [](TArcManager& a) { return a.CloseArchive(); }, 0},
    };
    const std::string failed = "Не могу записать данные в архив!\n\rПроверьте место на диске. | FlushCashe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArchiveDir d;
        {
            auto a = Archive<TArcManager>(2);
            a->SetFlushInterval(3);
            for (int s = 0; s < 4; ++s) Write(*a, At(0, 100 + s), 10 + s);
            ASSERT_EQ(a->WriteCounter(), 4);
            FullDisk disk(d.dir / "arc.bin");
            ASSERT_TRUE(disk.Full());
            EXPECT_FALSE(c.step(*a)) << "a failure is not answered as success";
            EXPECT_EQ(d.texts(), std::vector<std::string>{failed});
            EXPECT_TRUE(a->Active());
            EXPECT_EQ(a->WriteCounter(), 4) << "the run stays pending";
            disk.Restore();
            EXPECT_TRUE(c.step(*a)) << "the next try writes the run";
            EXPECT_EQ(d.boxes.Count(), 1);
        }
        auto a = Archive<TArcManager>(2);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(Read(*a, At(0, 100 + s)), 10 + s) << s;
        if (c.stepRecord != 0) { EXPECT_EQ(Read(*a, c.stepRecord), 77); }
    }
}

TEST(DayArchiveRecords, WritedSetAgainRetriesARefusedRecord) {
    ArchiveDir d;
    {
        auto a = Archive<TArcManager>(2);
        Write(*a, At(0, 100), 5);
        {
            FullDisk disk(d.dir / "arc.bin");
            ASSERT_TRUE(disk.Full());
            Write(*a, At(1, 7), 6);  // the run of day A must go out first
            EXPECT_FALSE(a->Writed());
            EXPECT_EQ(d.boxes.Count(), 1);
        }
        a->SetWrited(true);
        EXPECT_TRUE(a->Writed());
        EXPECT_EQ(d.boxes.Count(), 1);
        // A close on a full disk fails; destroyed all the same, the archive lets its file go.
        FullDisk disk(d.dir / "arc.bin");
        ASSERT_TRUE(disk.Full());
        EXPECT_FALSE(a->CloseArchive());
        EXPECT_TRUE(a->Active());
        a.reset();
        EXPECT_EQ(d.boxes.Count(), 3);
    }
    auto a = Archive<TArcManager>(2);
    EXPECT_EQ(Read(*a, At(0, 100)), 5);
    EXPECT_EQ(Read(*a, At(1, 7)), -1) << "lost with the disk full to the end, and said so";
    EXPECT_EQ(d.boxes.Count(), 3);
}

TEST(DayArchiveRecords, SecondsRoundToTheirSlotWithinTheDay) {
    ArchiveDir d;
    auto a = Archive<TArcManager>(2);
    struct Case {
        double seconds;
        int slot;
    } cases[] = {{0.4, 0}, {0.6, 1}, {59.7, 60}, {86399.4, 86399}, {86399.6, 86399}, {86399.9, 86399}};
    for (const Case& k : cases) EXPECT_EQ(TDayArchive::SecondIndex(DayA + k.seconds * OneSecond), k.slot) << k.seconds;
    // 23:59:59.4 and 23:59:59.6 share the last second of their own day.
    Write(*a, DayA + 86399.4 * OneSecond, 1);
    Write(*a, DayA + 86399.6 * OneSecond, 2);
    EXPECT_EQ(Read(*a, At(0, 86399)), 2);
    EXPECT_EQ(a->TotalUsed(), 1);
    EXPECT_EQ(a->IsDateIsExist(At(1, 0)), -1);
}

TEST(DayArchiveRecords, RefusedWritesAndCalibratedReads) {
    ArchiveDir d;
    TArcManager closed(nullptr);
    closed.SetWrited(true);
    TArcRecord rec;
    rec.Written = 1;
    EXPECT_FALSE(closed.SetData(At(0, 1), &rec));
    auto a = Archive<TArcManager>(2);
    a->SetWrCh0(5);
    a->SetWrited(true);  // WriteCursor still on day 0
    a->SetWriteCursor(At(0, 0));
    EXPECT_FALSE(a->SetData(At(1, 0), &rec));
    EXPECT_EQ(d.texts(), (std::vector<std::string>{"Не могу записать при закрытом архиве. | Ошибка",
                                                   "Не могу записать - архив не открыт. | Ошибка",
                                                   "WrCursor не установлен. | Ошибка",
                                                   "Нельзя записывать в сутки, отличные от WriteCursor! | SetData - Ошибка"}));
    for (const TMessageBoxRequest& b : d.boxes.Boxes()) EXPECT_EQ(b.Flags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_EQ(a->TotalUsed(), 0);

    a->SetrK1(2);
    a->SetrC1(1);
    a->SetrK3(0.5);
    a->SetrC3(-10);
    Write(*a, At(0, 5), 100, 7, 40);
    TCalcedArcRecord out;
    EXPECT_TRUE(a->GetCalcedData(At(0, 5), &out));
    EXPECT_TRUE(out.Valid);
    EXPECT_EQ(out.Value[0], 201);
    EXPECT_EQ(out.Value[1], 7);
    EXPECT_EQ(out.Value[2], 10);
    EXPECT_TRUE(a->GetCalcedData(At(0, 6), &out));  // never written: zero, not valid
    EXPECT_FALSE(out.Valid);
    EXPECT_EQ(out.Value[2], 0);
    out.Value[0] = 3;
    EXPECT_FALSE(a->GetCalcedData(At(1, 6), &out));
    EXPECT_EQ(out.Value[0], 0);
    EXPECT_FALSE(a->GetCalcedData(At(0, 5), nullptr));
}

// ---- Cache, days and the pending run ------------------------------------------------------------------------

TEST(DayArchiveCache, AThirdDayReusesTheOlderEntryAndForgetsItsDay) {
    ArchiveDir d;
    auto a = Archive<TArcManager>(2);
    Write(*a, At(0, 100), 1);
    Write(*a, At(0, 200), 2);
    Write(*a, At(1, 100), 3);
    TArcRecord rec;
    ASSERT_TRUE(a->GetData(At(0, 100), &rec));  // now the read memo
    ASSERT_EQ(rec.Channel[0], 1);
    EXPECT_EQ(a->TotalFree(), 0);
    Write(*a, At(2, 300), 4);
    EXPECT_EQ(a->IsDateIsExist(At(2, 0)), 0);  // the older day's entry
    EXPECT_EQ(a->IsDateIsExist(At(0, 0)), -1);
    // Neither the memo nor the cached day answers for the day that is gone.
    EXPECT_FALSE(a->GetData(At(0, 100), &rec));
    EXPECT_FALSE(a->GetData(At(0, 200), &rec));
    EXPECT_EQ(Read(*a, At(2, 100)), -1);  // the reused block was cleared for the new day
    EXPECT_EQ(Read(*a, At(2, 300)), 4);
    EXPECT_EQ(a->FirstDay(), At(1, 100));
    EXPECT_EQ(a->LastDay(), At(2, 300));
    a.reset();
    std::string bytes = testlib::ReadFile(d.dir / "arc.bin");
    std::string block = bytes.substr(6416, 691200);
    block[300 * 8] = 0;
    block[300 * 8 + 6] = 0;
    EXPECT_EQ(block.find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(DayArchiveCache, ThePendingRunKeepsItsDayInTheCache) {
    // Days C..F fill the cache; records then pend on day A while the write cursor moves to B and
    // reads bring C back: A's slot must not be the one given up.
    ArchiveDir d;
    {
        auto a = Archive<TArcManager>(8);
        for (int day = 2; day <= 5; ++day) Write(*a, At(day, 1), 50 + day);
        Write(*a, At(0, 10), 1);
        Write(*a, At(0, 11), 2);
        EXPECT_EQ(a->WriteCounter(), 2);
        a->SetWriteCursor(At(1, 0));
        TArcRecord rec;
        EXPECT_TRUE(a->GetData(At(2, 1), &rec));
        EXPECT_TRUE(a->GetData(At(3, 1), &rec));
        EXPECT_GE(a->IsDateInCashe(At(0, 0)), 0);
        Write(*a, At(1, 0), 9);  // flushes the run of day A
        EXPECT_EQ(a->WriteCounter(), 1);
    }
    auto a = Archive<TArcManager>(8);
    EXPECT_EQ(Read(*a, At(0, 10)), 1);
    EXPECT_EQ(Read(*a, At(0, 11)), 2);
    EXPECT_EQ(Read(*a, At(1, 0)), 9);
    for (int day = 2; day <= 5; ++day) EXPECT_EQ(Read(*a, At(day, 1)), 50 + day);
    EXPECT_EQ(d.boxes.Count(), 0);
}

TEST(DayArchiveCache, TimesBeforeTheRunOrInsideItLoseNothing) {
    ArchiveDir d;
    // 200 falls inside the run, 50 before it; nothing later covers 300 again.
    const std::vector<int> order = {100, 300, 200, 50, 60};
    {
        auto a = Archive<TArcManager>(2);
        for (int s : order) Write(*a, At(0, s), s / 10);
    }
    auto a = Archive<TArcManager>(2);
    for (int s : order) EXPECT_EQ(Read(*a, At(0, s)), s / 10) << s;
    EXPECT_EQ(Read(*a, At(0, 250)), -1);
}

TEST(DayArchiveCache, TheReadMemoAnswersWhatIsStored) {
    ArchiveDir d;
    auto a = Archive<TArcManager>(2);
    TArcRecord rec;
    EXPECT_FALSE(a->GetData(0, &rec));  // nothing read yet: the empty memo answers for no time
    Write(*a, At(0, 10), 1);
    ASSERT_TRUE(a->GetData(At(0, 10), &rec));
    EXPECT_EQ(rec.Channel[0], 1);
    // A refused write leaves the memo; an accepted one reaches it.
    TArcRecord other;
    other.Channel[0] = 5;
    other.Written = 1;
    EXPECT_FALSE(a->SetData(At(1, 10), &other));
    ASSERT_TRUE(a->GetData(At(0, 10), &rec));
    EXPECT_EQ(rec.Channel[0], 1);
    EXPECT_TRUE(a->SetData(At(0, 10), &other));
    ASSERT_TRUE(a->GetData(At(0, 10), &rec));
    EXPECT_EQ(rec.Channel[0], 5);
}

// ---- 18-byte records --------------------------------------------------------------------------------------------

TEST(HimArchive, SignedChannelsAndTheCallersBytesRoundTrip) {
    ArchiveDir d;
    THimArcRecord rec;
    rec.Channel[0] = -32768;
    rec.Channel[1] = 12345;
    rec.Channel[2] = -2;
    for (int i = 0; i < 10; ++i) rec.Data[i] = static_cast<std::uint8_t>(0xA0 + i);
    rec.Written = 1;
    {
        auto a = Archive<THimArcManager>(7);
        EXPECT_EQ(FileSizeOf(d.dir / "arc.bin"), 10892816);
        a->SetWriteCursor(At(0, 0));
        EXPECT_TRUE(a->SetData(At(0, 500), &rec));
        Write(*a, At(0, 501), 70000, -1, 65535);
        EXPECT_EQ(a->WrCh0(), 70000);  // the whole value is kept
    }
    auto a = Archive<THimArcManager>(7);
    THimArcRecord back;
    ASSERT_TRUE(a->GetData(At(0, 500), &back));
    EXPECT_EQ(std::memcmp(&back, &rec, sizeof rec), 0);
    EXPECT_EQ(Read(*a, At(0, 501)), 70000 - 65536);
    EXPECT_EQ(a->RdCh1(), -1);
    EXPECT_EQ(a->RdCh2(), -1);
    ASSERT_TRUE(a->GetData(At(0, 501), &back));
    for (std::uint8_t b : back.Data) EXPECT_EQ(b, 0);
    EXPECT_EQ(back.Written, 1);

    a->SetActive(false);
    d.boxes.Clear();
    a->SetArcSize(6);
    EXPECT_EQ(a->ArcSize(), 7);
    EXPECT_EQ(d.texts(), std::vector<std::string>{"Допустимый диапазон от 7 до 366 дней. | SetArcSize"});
}

}  // namespace
