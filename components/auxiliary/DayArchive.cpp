// The day-archive file: creating, opening and checking it, days, the four-day cache, the pending run
// and its flushes, the read memo and the property protocol.
#include "components/auxiliary/DayArchive.h"

#include "gui/WinApi.h"
#include "rtl/FileUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr char Magic[] = "KV_ARC";
constexpr int DayTableOffset = 16;
constexpr int DayEntrySize = 16;
// Space that must stay free on the disk after a new archive, and below which the 18-byte archive
// warns (and goes on).
constexpr long long MinFreeMargin = 65535;
constexpr long long LowFreeMargin = 32768000;

TDateTime wholeDay(TDateTime t) { return std::trunc(t); }

std::uint16_t le16(const std::vector<std::uint8_t>& b, int at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void putLe16(std::uint8_t* p, unsigned v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

TDayArchive::TDayArchive(TComponent* owner, const TDayArchiveFormat& format)
    : TComponent(owner), format_(format), memo_(static_cast<std::size_t>(format.RecordSize), 0) {}

TDayArchive::~TDayArchive() {
    // A run that cannot be written now has no later try: its box said so, and the file is let go.
    if (active_ && !CloseArchive()) closeStreams();
}

void TDayArchive::error(const AnsiString& text, const AnsiString& caption) const {
    MessageBox(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

void TDayArchive::warning(const AnsiString& text, const AnsiString& caption) const {
    MessageBox(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}

// ---- Header and day table ------------------------------------------------------------------------------

TDateTime TDayArchive::entryDate(int entry) const {
    TDateTime d;
    std::memcpy(&d, header_.data() + DayTableOffset + entry * DayEntrySize, sizeof d);
    return d;
}

bool TDayArchive::entryInUse(int entry) const { return header_[DayTableOffset + entry * DayEntrySize + 8] != 0; }

void TDayArchive::setEntry(int entry, TDateTime date) {
    std::uint8_t* p = header_.data() + DayTableOffset + entry * DayEntrySize;
    std::memset(p, 0, DayEntrySize);
    std::memcpy(p, &date, sizeof date);
    p[8] = 1;
}

bool TDayArchive::headerAccepted(long long length, const std::vector<std::uint8_t>& h) const {
    if (length <= HeaderSize || (length - HeaderSize) % blockSize() != 0) return false;
    if (h[6] != 0 || std::memcmp(h.data(), Magic, 6) != 0) return false;
    if (h[7] != 1 || h[9] != format_.RecordSize) return false;
    int days = le16(h, 10);
    return days >= 1 && days <= MaxDays && le16(h, 12) == HeaderSize;
}

// ---- File ------------------------------------------------------------------------------------------------

bool TDayArchive::CreateArchive() {
    if (arcSize_ < format_.MinDays) {
        warning(format_.TooFewDaysText, "Ошибка");
        return false;
    }
    long long margin = DiskFree(0) - (arcSize_ * blockSize() + HeaderSize);
    if (margin < MinFreeMargin) {
        warning("Недостаточно места на текущем диске для создания архива.", "Ошибка");
        return false;
    }
    if (format_.WarnLowSpace && margin < LowFreeMargin)
        warning("Места на текущем диске остается недостаточно\n\rдля устойчивой работы Windows.", "Внимание");
    header_.assign(HeaderSize, 0);
    std::memcpy(header_.data(), Magic, 6);
    header_[7] = 1;
    header_[8] = 10;
    header_[9] = static_cast<std::uint8_t>(format_.RecordSize);
    putLe16(header_.data() + 10, static_cast<unsigned>(arcSize_));
    putLe16(header_.data() + 12, HeaderSize);
    TDateTime created = Now();
    try {
        TFileStream file(fileName_, fmCreate);
        file.WriteBuffer(header_.data(), HeaderSize);
        std::vector<std::uint8_t> zeros(static_cast<std::size_t>(blockSize()), 0);
        for (int d = 0; d < arcSize_; ++d) file.WriteBuffer(zeros.data(), blockSize());
    } catch (const Exception&) {
        error("Не могу открыть указанный Вами файл!", format_.CreateErrorCaption);
        return false;
    }
    totalUsed_ = 0;
    totalFree_ = arcSize_;
    firstDay_ = lastDay_ = created;
    for (CacheSlot& s : cache_) s.loaded = false;
    try {
        reader_ = std::make_unique<TFileStream>(fileName_, fmOpenRead);
        writer_ = std::make_unique<TFileStream>(fileName_, fmOpenReadWrite);
    } catch (const Exception&) {
        closeStreams();
        error("Не могу открыть указанный Вами файл!", format_.CreateErrorCaption);
        return false;
    }
    memoValid_ = false;
    runStart_ = runEnd_ = 0;
    writeCounter_ = 0;
    DetectInterval();
    SetReadCursor(0);
    SetWriteCursor(0);
    return true;
}

bool TDayArchive::OpenArchive() {
    if (active_ || !FileExists(fileName_)) return false;
    try {
        reader_ = std::make_unique<TFileStream>(fileName_, fmOpenRead);
    } catch (const Exception&) {
        error("Не могу открыть этот файл для чтения!", "Ошибка открытия архива");
        return false;
    }
    try {
        writer_ = std::make_unique<TFileStream>(fileName_, fmOpenReadWrite);
    } catch (const Exception&) {
        closeStreams();
        error("Не могу открыть этот файл для записи!", "Ошибка открытия архива");
        return false;
    }
    long long length = reader_->Size();
    std::vector<std::uint8_t> header(HeaderSize, 0);
    bool read = length > HeaderSize && reader_->Seek(0, soBeginning) == 0 &&
                reader_->Read(header.data(), HeaderSize) == HeaderSize;
    if (!read || !headerAccepted(length, header)) {
        closeStreams();
        return false;
    }
    header_ = std::move(header);
    runStart_ = runEnd_ = 0;
    writeCounter_ = 0;
    arcSize_ = le16(header_, 10);
    readCursor_ = writeCursor_ = 0;
    memoValid_ = false;
    for (CacheSlot& s : cache_) s.loaded = false;
    active_ = true;
    DetectInterval();
    return true;
}

bool TDayArchive::CloseArchive() {
    // A run that cannot be written keeps the archive open, so a later close may still write it.
    if (writeCounter_ != 0 && !FlushCashe()) return false;
    active_ = false;
    closeStreams();
    return true;
}

void TDayArchive::closeStreams() {
    reader_.reset();
    writer_.reset();
}

void TDayArchive::DetectInterval() {
    if (!active_) return;
    TDateTime lo = entryDate(0), hi = lo;
    totalUsed_ = 0;
    totalFree_ = arcSize_;
    for (int e = 0; e < arcSize_; ++e) {
        if (!entryInUse(e)) continue;
        ++totalUsed_;
        --totalFree_;
        lo = std::min(lo, entryDate(e));
        hi = std::max(hi, entryDate(e));
    }
    firstDay_ = lo;
    lastDay_ = hi;
}

bool TDayArchive::writeAt(long long offset, const void* data, long long count) {
    if (!writer_ || writer_->Seek(offset, soBeginning) != offset) return false;
    return writer_->Write(data, count) == count;
}

// ---- Days and cache ------------------------------------------------------------------------------------------

int TDayArchive::SecondIndex(double t) {
    double s = std::trunc((t - std::trunc(t)) * SecondsPerDay + 0.5);
    if (!(s > 0)) return 0;  // also NaN
    if (s > SecondsPerDay - 1) return SecondsPerDay - 1;
    return static_cast<int>(s);
}

long long TDayArchive::GetFileOffset(int dayIndex, double t) const {
    return HeaderSize + (static_cast<long long>(dayIndex) * SecondsPerDay + SecondIndex(t)) * format_.RecordSize;
}

int TDayArchive::IsDateIsExist(TDateTime t) const {
    if (!active_) return -1;
    for (int e = 0; e < arcSize_; ++e)
        if (entryInUse(e) && wholeDay(entryDate(e)) == wholeDay(t)) return e;
    return -1;
}

int TDayArchive::IsDateInCashe(TDateTime t) const {
    if (!active_) return -1;
    for (int i = 0; i < CacheSlots; ++i)
        if (cache_[i].loaded && wholeDay(cache_[i].day) == wholeDay(t)) return i;
    return -1;
}

bool TDayArchive::AllocateDay(TDateTime t) {
    if (!active_) return false;
    if (IsDateIsExist(t) >= 0) return true;
    int entry = -1;
    for (int e = 0; e < arcSize_ && entry < 0; ++e)
        if (!entryInUse(e)) entry = e;
    if (entry < 0) {
        // Every block is in use: the oldest day gives its block up.
        entry = 0;
        for (int e = 1; e < arcSize_; ++e)
            if (entryDate(e) < entryDate(entry)) entry = e;
    }
    std::vector<std::uint8_t> zeros(static_cast<std::size_t>(blockSize()), 0);
    if (!writeAt(HeaderSize + entry * blockSize(), zeros.data(), blockSize())) return false;
    if (entryInUse(entry)) forgetDay(entryDate(entry));
    setEntry(entry, t);
    DetectInterval();
    return writeAt(0, header_.data(), HeaderSize);
}

void TDayArchive::forgetDay(TDateTime oldDay) {
    for (CacheSlot& s : cache_)
        if (s.loaded && wholeDay(s.day) == wholeDay(oldDay)) s.loaded = false;
    if (memoValid_ && wholeDay(memoTime_) == wholeDay(oldDay)) {
        memoValid_ = false;
        std::fill(memo_.begin(), memo_.end(), 0);
    }
    // Records still pending for that day have no block left to go to.
    if (writeCounter_ > 0 && wholeDay(runStart_) == wholeDay(oldDay)) writeCounter_ = 0;
}

int TDayArchive::AllocateCashe(TDateTime t) {
    if (!active_ || IsDateInCashe(t) >= 0) return -1;
    for (int i = 0; i < CacheSlots; ++i)
        if (!cache_[i].loaded) return i;
    for (int i = 0; i < CacheSlots; ++i) {
        TDateTime d = wholeDay(cache_[i].day);
        // The day of a pending run stays until the run is flushed: its records are only here.
        bool pending = writeCounter_ > 0 && d == wholeDay(runStart_);
        if (d != wholeDay(readCursor_) && d != wholeDay(writeCursor_) && !pending) return i;
    }
    return -1;
}

int TDayArchive::ReadInCashe(TDateTime t) {
    if (!active_) return -1;
    int entry = IsDateIsExist(t);
    if (entry < 0) return -1;
    int slot = AllocateCashe(entryDate(entry));
    if (slot == -1) {
        error("КЭШ переполнен!\n\rВнутренняя ошибка!\n\rСообщите разработчику.", "ReadInCashe");
        return -1;
    }
    CacheSlot& s = cache_[slot];
    s.loaded = true;
    s.day = entryDate(entry);
    s.block.resize(static_cast<std::size_t>(blockSize()));
    long long got = 0;
    long long offset = HeaderSize + entry * blockSize();
    if (reader_->Seek(offset, soBeginning) == offset) got = std::max(0LL, reader_->Read(s.block.data(), blockSize()));
    // A block cut short by a damaged file reads as never written.
    std::fill(s.block.begin() + got, s.block.end(), 0);
    return slot;
}

bool TDayArchive::FlushCashe() {
    int slot = IsDateInCashe(runStart_);
    int entry = IsDateIsExist(runStart_);
    if (slot == -1 || entry == -1) return false;
    // Counted in record slots, so the run never reaches past the end of its day.
    int first = SecondIndex(runStart_);
    int count = std::max(1, SecondIndex(runEnd_) - first + 1);
    const std::uint8_t* from = cache_[slot].block.data() + static_cast<long long>(first) * format_.RecordSize;
    if (!writeAt(GetFileOffset(entry, runStart_), from, static_cast<long long>(count) * format_.RecordSize)) {
        // The run stays pending, whole, for the next flush (a full disk may have room again).
        error("Не могу записать данные в архив!\n\rПроверьте место на диске.", "FlushCashe");
        return false;
    }
    writeCounter_ = 0;
    runStart_ = runEnd_;
    return true;
}

// ---- Records ---------------------------------------------------------------------------------------------------

bool TDayArchive::setRecord(TDateTime t, const std::uint8_t* rec) {
    if (!active_) {
        error("Не могу записать - архив не открыт.", "Ошибка");
        return false;
    }
    if (wholeDay(t) != wholeDay(writeCursor_)) {
        error("Нельзя записывать в сутки, отличные от WriteCursor!", "SetData - Ошибка");
        return false;
    }
    if (writeCounter_ == 0) {
        writeCounter_ = 1;
        runStart_ = runEnd_ = t;
    } else if (wholeDay(runStart_) == wholeDay(t) && writeCounter_ <= flushInterval_ && t >= runStart_) {
        ++writeCounter_;
    } else {
        // Another day, a full run, or a time before the run's start: the run goes out first, so a
        // run always runs forward from its first second. A run that cannot go out stays pending and
        // this record is refused: the run's records are only in the cache.
        if (!FlushCashe()) return false;
        writeCounter_ = 1;
        runStart_ = runEnd_ = t;
    }
    int slot = IsDateInCashe(t);
    if (slot == -1) {
        if (IsDateIsExist(t) < 0 && !AllocateDay(t)) {
            error("Не могу добавить день в архив!\n\rСообщите разработчику.", "Ошибка");
            return false;
        }
        slot = ReadInCashe(t);
        if (slot == -1) {
            error("Не могу загрузить в КЭШ!\n\rСообщите разработчику.", "Ошибка");
            return false;
        }
    }
    std::memcpy(cache_[slot].block.data() + static_cast<long long>(SecondIndex(t)) * format_.RecordSize, rec,
                format_.RecordSize);
    // The run reaches its latest record (a record between its first and last second keeps the end).
    runEnd_ = std::max(runEnd_, t);
    if (memoValid_ && t == memoTime_) std::memcpy(memo_.data(), rec, format_.RecordSize);
    return true;
}

bool TDayArchive::getRecord(TDateTime t, std::uint8_t* rec) {
    std::memset(rec, 0, format_.RecordSize);
    if (!active_) return false;
    if (memoValid_ && t == memoTime_) {
        std::memcpy(rec, memo_.data(), format_.RecordSize);
        return true;
    }
    int slot = IsDateInCashe(t);
    if (slot == -1) slot = ReadInCashe(t);
    if (slot == -1) return false;
    std::memcpy(rec, cache_[slot].block.data() + static_cast<long long>(SecondIndex(t)) * format_.RecordSize,
                format_.RecordSize);
    std::memcpy(memo_.data(), rec, format_.RecordSize);
    memoTime_ = t;
    memoValid_ = true;
    return true;
}

// ---- Properties --------------------------------------------------------------------------------------------------

void TDayArchive::SetActive(bool b) {
    if (b == active_) return;
    if (!b) {
        CloseArchive();
        return;
    }
    if (FileExists(fileName_)) {
        if (!OpenArchive()) error("Неправильный файл архива!", "Ошибка");
    } else if (CreateArchive()) {
        active_ = true;
    } else {
        error("Не могу создать архив - проверте имя файла.", "Ошибка");
    }
}

void TDayArchive::SetFileName(const AnsiString& s) {
    if (s == fileName_) return;
    if (active_) {
        warning("Нельзя менять имя архива, когда он открыт.", "SetFileName");
        return;
    }
    fileName_ = s;
}

void TDayArchive::SetArcSize(int n) {
    if (n == arcSize_) return;
    if (active_) {
        warning("Нельзя менять размер архива, когда он открыт.", "SetArcSize");
        return;
    }
    if (n < format_.MinDays || n > MaxDays) {
        warning(format_.RangeText, "SetArcSize");
        return;
    }
    arcSize_ = n;
}

void TDayArchive::SetReadCursor(TDateTime t) {
    if (t == readCursor_) return;
    readCursor_ = t;
    if (wholeDay(t) == 0) return;
    std::vector<std::uint8_t> rec(static_cast<std::size_t>(format_.RecordSize), 0);
    getRecord(t, rec.data());  // a failed read leaves the record zero
    for (int i = 0; i < 3; ++i) {
        unsigned v = le16(rec, 2 * i);
        rdCh_[i] = format_.SignedChannels ? static_cast<std::int16_t>(v) : static_cast<int>(v);
    }
    rdStatus_ = rec[format_.RecordSize - 2] != 0;
}

void TDayArchive::SetWriteCursor(TDateTime t) {
    if (t == writeCursor_) return;
    writeCursor_ = t;
    writed_ = false;
}

void TDayArchive::setWrCh(int channel, int v) {
    if (v == wrCh_[channel]) return;
    wrCh_[channel] = v;
    writed_ = false;
}

void TDayArchive::SetWrited(bool b) {
    if (!b) return;
    if (!active_) {
        error("Не могу записать при закрытом архиве.", "Ошибка");
        return;
    }
    if (writed_) return;
    if (wholeDay(writeCursor_) == 0) {
        error("WrCursor не установлен.", "Ошибка");
        return;
    }
    std::vector<std::uint8_t> rec(static_cast<std::size_t>(format_.RecordSize), 0);
    for (int i = 0; i < 3; ++i) putLe16(rec.data() + 2 * i, static_cast<unsigned>(wrCh_[i]) & 0xFFFF);
    rec[format_.RecordSize - 2] = 1;
    // A refused record may be written again by setting Writed once more.
    writed_ = setRecord(writeCursor_, rec.data());
}
