// The day-archive file shared by TArcManager (8-byte records) and THimArcManager (18-byte records).
//
// One binary file, laid out in advance for a fixed number of days, holds one record per second:
//
//   offset 0      header, 16 bytes: "KV_ARC", 0, version 1, 10, record size, day count N (16 bits),
//                 data offset 6416 (16 bits), 0 (16 bits)
//   offset 16     day table, 400 entries of 16 bytes: the TDateTime the day was taken into use
//                 (only its whole-day part counts), an in-use byte, 7 zero bytes; entries N.. unused
//   offset 6416   N day blocks, one per day-table entry, each 86,400 record slots (second 0 first)
//
// All numbers are little-endian. A record's last byte but one is its written flag. A day is taken
// into use by its first record; once every block is in use, the oldest day's block is reused.
//
// Records reach the file through a cache of four whole days and a pending run: the records written
// since the last flush, from the run's first second to its last, which go out in one piece when the
// run is flushed. The file is reached through two unbuffered file streams (read-only, read-write):
// what a flush writes is in the file when the call returns, so a day read back after it left the
// cache is never stale. A run that cannot be written (a full disk) stays pending for the next try:
// the record that needed the flush is refused and closing fails, the archive staying open.
//
// Nothing here raises: failures answer false or -1 after a message box.
#pragma once

#include "rtl/Classes.h"
#include "rtl/DateUtils.h"
#include "rtl/Streams.h"

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "archive records are copied to and from the file as they lie in memory (little-endian)");

// What tells the two archive kinds apart.
struct TDayArchiveFormat {
    int RecordSize;                 // bytes per record: 8 or 18
    int MinDays;                    // smallest archive a file may be created for
    bool SignedChannels;            // the channels read back as signed 16-bit values
    bool WarnLowSpace;              // warn (and go on) when creating leaves little free space
    const char* TooFewDaysText;     // refusal of CreateArchive below MinDays
    const char* RangeText;          // refusal of an ArcSize outside MinDays..366
    const char* CreateErrorCaption; // caption of the box for a file that cannot be created
};

class TDayArchive : public TComponent {
    PLANTMON_CLASS(TDayArchive, TComponent)
public:
    static constexpr int SecondsPerDay = 86400;
    static constexpr int HeaderSize = 6416;
    static constexpr int DayTableEntries = 400;
    static constexpr int MaxDays = 366;
    static constexpr int CacheSlots = 4;

    TDayArchive(TComponent* owner, const TDayArchiveFormat& format);
    ~TDayArchive() override;

    // ---- File -----------------------------------------------------------------------------------------
    bool CreateArchive();
    bool OpenArchive();
    // Writes the pending run and closes; false, and still open, when the run cannot be written.
    bool CloseArchive();
    void DetectInterval();

    // ---- Days, cache and flushing ----------------------------------------------------------------------
    // The day-table entry in use for the whole day of t; -1 when absent or not open.
    int IsDateIsExist(TDateTime t) const;
    // The cache slot holding the whole day of t; -1 when absent or not open.
    int IsDateInCashe(TDateTime t) const;
    bool AllocateDay(TDateTime t);
    int AllocateCashe(TDateTime t);
    int ReadInCashe(TDateTime t);
    // Writes the pending run in one piece; on a failed write the run stays pending (after a box).
    bool FlushCashe();
    // The record slot of t within its day: trunc(time of day * 86400 + 0.5), within 0..86399.
    static int SecondIndex(double t);
    // Where the record of t lies in the file for a day-table entry.
    long long GetFileOffset(int dayIndex, double t) const;

    // ---- Properties ------------------------------------------------------------------------------------
    bool Active() const { return active_; }
    void SetActive(bool b);
    AnsiString FileName() const { return fileName_; }
    void SetFileName(const AnsiString& s);
    int ArcSize() const { return arcSize_; }
    void SetArcSize(int n);
    int FlushInterval() const { return flushInterval_; }
    void SetFlushInterval(int n) { flushInterval_ = n; }
    int TotalUsed() const { return totalUsed_; }
    int TotalFree() const { return totalFree_; }
    TDateTime FirstDay() const { return firstDay_; }
    TDateTime LastDay() const { return lastDay_; }
    TDateTime ReadCursor() const { return readCursor_; }
    void SetReadCursor(TDateTime t);
    TDateTime WriteCursor() const { return writeCursor_; }
    void SetWriteCursor(TDateTime t);
    int WriteCounter() const { return writeCounter_; }
    int WrCh1() const { return wrCh_[1]; }
    void SetWrCh1(int v) { setWrCh(1, v); }
    int WrCh2() const { return wrCh_[2]; }
    void SetWrCh2(int v) { setWrCh(2, v); }
    bool Writed() const { return writed_; }
    void SetWrited(bool b);
    int RdCh0() const { return rdCh_[0]; }
    int RdCh1() const { return rdCh_[1]; }
    int RdCh2() const { return rdCh_[2]; }
    bool RdStatus() const { return rdStatus_; }

protected:
    // One record, RecordSize bytes, copied in or out.
    bool setRecord(TDateTime t, const std::uint8_t* rec);
    bool getRecord(TDateTime t, std::uint8_t* rec);
    // The same for a record type of the archive kind (false for a null record).
    template <class Record>
    bool setData(TDateTime t, const Record* rec) {
        static_assert(std::is_trivially_copyable_v<Record>);
        return rec && setRecord(t, reinterpret_cast<const std::uint8_t*>(rec));
    }
    template <class Record>
    bool getData(TDateTime t, Record* rec) {
        static_assert(std::is_trivially_copyable_v<Record>);
        return rec && getRecord(t, reinterpret_cast<std::uint8_t*>(rec));
    }
    void setWrCh(int channel, int v);
    const TDayArchiveFormat& format() const { return format_; }
    int wrCh0() const { return wrCh_[0]; }

private:
    struct CacheSlot {
        bool loaded = false;
        TDateTime day = 0;
        std::vector<std::uint8_t> block;
    };

    long long blockSize() const { return static_cast<long long>(SecondsPerDay) * format_.RecordSize; }
    TDateTime entryDate(int entry) const;
    bool entryInUse(int entry) const;
    void setEntry(int entry, TDateTime date);
    // Reads the header and checks it against this archive kind.
    bool headerAccepted(long long length, const std::vector<std::uint8_t>& header) const;
    void closeStreams();
    // A day-table entry was given to another day: nothing may answer for the old one any more.
    void forgetDay(TDateTime oldDay);
    bool writeAt(long long offset, const void* data, long long count);
    void error(const AnsiString& text, const AnsiString& caption) const;
    void warning(const AnsiString& text, const AnsiString& caption) const;

    TDayArchiveFormat format_;
    bool active_ = false;
    AnsiString fileName_ = ".\\temp.bin";
    int arcSize_ = MaxDays;
    int flushInterval_ = 1800;
    int totalUsed_ = 0;
    int totalFree_ = MaxDays;
    TDateTime firstDay_ = 0, lastDay_ = 0;
    TDateTime readCursor_ = 0, writeCursor_ = 0;
    int writeCounter_ = 0;
    std::array<int, 3> wrCh_{};
    bool writed_ = false;
    std::array<int, 3> rdCh_{};
    bool rdStatus_ = false;

    std::vector<std::uint8_t> header_;
    std::unique_ptr<TFileStream> reader_, writer_;
    std::array<CacheSlot, CacheSlots> cache_;
    TDateTime runStart_ = 0, runEnd_ = 0;
    // The read memo: the last record read, for repeated reads of the same moment.
    bool memoValid_ = false;
    TDateTime memoTime_ = 0;
    std::vector<std::uint8_t> memo_;
};
