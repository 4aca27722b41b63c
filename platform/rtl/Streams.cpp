#include "rtl/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// ---- TStream -------------------------------------------------------------------------------------

void TStream::ReadBuffer(void* buffer, long long count) {
    if (count > 0 && Read(buffer, count) != count) throw EReadError("Ошибка чтения потока");
}

void TStream::WriteBuffer(const void* buffer, long long count) {
    if (count > 0 && Write(buffer, count) != count) throw EWriteError("Ошибка записи в поток");
}

long long TStream::Size() {
    long long pos = Seek(0, soCurrent);
    long long size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(long long) {}

long long TStream::CopyFrom(TStream* source, long long count) {
    if (!source) return 0;
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    long long done = 0;
    char buf[65536];
    while (done < count) {
        long long n = std::min<long long>(count - done, sizeof buf);
        source->ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        done += n;
    }
    return done;
}

// ---- THandleStream / TFileStream -----------------------------------------------------------------

long long THandleStream::Read(void* buffer, long long count) {
    long long done = 0;
    char* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = read(handle_, p + done, static_cast<std::size_t>(std::min<long long>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

long long THandleStream::Write(const void* buffer, long long count) {
    long long done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = write(handle_, p + done, static_cast<std::size_t>(std::min<long long>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

long long THandleStream::Seek(long long offset, TSeekOrigin origin) {
    int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
    return static_cast<long long>(lseek(handle_, static_cast<off_t>(offset), whence));
}

void THandleStream::SetSize(long long newSize) {
    long long pos = Position();
    if (ftruncate(handle_, static_cast<off_t>(newSize)) != 0)
        throw EStreamError(AnsiString("Не удается изменить размер потока: ") + std::strerror(errno));
    if (pos > newSize) Seek(newSize, soBeginning);
}

TFileStream::TFileStream(const AnsiString& fileName, unsigned mode) : THandleStream(-1), fileName_(fileName) {
    if ((mode & 0xFF00) == fmCreate) {
        handle_ = FileCreate(fileName);
        if (handle_ < 0)
            throw EFCreateError("Не удается создать файл \"" + fileName + "\". " + std::strerror(errno));
        if (!(mode & 0xF0) || (mode & 0xF0) == fmShareExclusive) {
            // fmCreate alone opens exclusively, as on Windows.
            if (flock(handle_, LOCK_EX | LOCK_NB) != 0) {
                close(handle_);
                handle_ = -1;
                throw EFCreateError("Не удается создать файл \"" + fileName + "\". Файл занят другим процессом");
            }
        }
    } else {
        handle_ = FileOpen(fileName, mode);
        if (handle_ < 0)
            throw EFOpenError("Не удается открыть файл \"" + fileName + "\". " + std::strerror(errno));
    }
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) close(handle_);
}

// ---- TBufferedFileStream -------------------------------------------------------------------------

TBufferedFileStream::TBufferedFileStream(const AnsiString& fileName, unsigned mode, int bufferSize)
    : TFileStream(fileName, mode), buffer_(static_cast<std::size_t>(std::max(bufferSize, 1))) {}

TBufferedFileStream::~TBufferedFileStream() {
    try {
        FlushBuffer();
    } catch (...) {
        // Nothing can be reported from here; writers call FlushBuffer themselves.
    }
}

void TBufferedFileStream::FlushBuffer() {
    if (used_ == 0) return;
    const auto count = static_cast<long long>(used_);
    const long long done = THandleStream::Write(buffer_.data(), count);
    if (done != count) {
        // What the file did not take is dropped, so a second flush does not write it after a gap.
        used_ = 0;
        throw EWriteError(AnsiString("Ошибка записи в файл \"") + FileName() + "\". " + std::strerror(errno));
    }
    used_ = 0;
}

long long TBufferedFileStream::Write(const void* buffer, long long count) {
    if (count <= 0) return 0;
    const auto n = static_cast<std::size_t>(count);
    if (used_ + n > buffer_.size()) FlushBuffer();
    if (n >= buffer_.size()) return THandleStream::Write(buffer, count);
    std::memcpy(buffer_.data() + used_, buffer, n);
    used_ += n;
    return count;
}

long long TBufferedFileStream::Read(void* buffer, long long count) {
    FlushBuffer();
    return THandleStream::Read(buffer, count);
}

long long TBufferedFileStream::Seek(long long offset, TSeekOrigin origin) {
    FlushBuffer();
    return THandleStream::Seek(offset, origin);
}

void TBufferedFileStream::SetSize(long long newSize) {
    FlushBuffer();
    THandleStream::SetSize(newSize);
}

// ---- TMemoryStream -------------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() {
    std::free(memory_);
    memory_ = nullptr;
}

void* TMemoryStream::Realloc(long long& newCapacity) {
    constexpr long long kStep = 8192;
    if (newCapacity > 0 && newCapacity != size_) newCapacity = (newCapacity + kStep - 1) / kStep * kStep;
    if (newCapacity == capacity_) return memory_;
    if (newCapacity == 0) {
        std::free(memory_);
        return nullptr;
    }
    void* p = std::realloc(memory_, static_cast<std::size_t>(newCapacity));
    if (!p) throw EStreamError("Недостаточно памяти для расширения потока в памяти");
    return p;
}

void TMemoryStream::SetCapacity(long long newCapacity) {
    if (newCapacity < 0) newCapacity = 0;
    memory_ = Realloc(newCapacity);
    capacity_ = newCapacity;
    if (size_ > capacity_) size_ = capacity_;
}

void TMemoryStream::SetSize(long long newSize) {
    if (newSize < 0) newSize = 0;
    long long old = size_;
    SetCapacity(newSize);
    size_ = newSize;
    if (newSize > old && memory_) std::memset(static_cast<char*>(memory_) + old, 0, static_cast<std::size_t>(newSize - old));
    if (position_ > newSize) position_ = newSize;
}

void* TMemoryStream::ReleaseMemory(long long& size) noexcept {
    void* block = memory_;
    size = size_;
    memory_ = nullptr;
    size_ = position_ = capacity_ = 0;
    return block;
}

void TMemoryStream::Clear() {
    SetCapacity(0);
    size_ = 0;
    position_ = 0;
}

long long TMemoryStream::Read(void* buffer, long long count) {
    if (count <= 0 || position_ >= size_) return 0;
    long long n = std::min(count, size_ - position_);
    std::memcpy(buffer, static_cast<char*>(memory_) + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

long long TMemoryStream::Write(const void* buffer, long long count) {
    if (count <= 0) return 0;
    long long end = position_ + count;
    if (end > capacity_) SetCapacity(end);
    if (position_ > size_) std::memset(static_cast<char*>(memory_) + size_, 0, static_cast<std::size_t>(position_ - size_));
    std::memcpy(static_cast<char*>(memory_) + position_, buffer, static_cast<std::size_t>(count));
    if (end > size_) size_ = end;
    position_ = end;
    return count;
}

long long TMemoryStream::Seek(long long offset, TSeekOrigin origin) {
    long long base = origin == soCurrent ? position_ : origin == soEnd ? size_ : 0;
    long long p = base + offset;
    if (p < 0) p = 0;
    position_ = p;
    return position_;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    long long n = stream->Size();
    SetSize(n);
    if (n > 0) stream->ReadBuffer(memory_, n);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream* stream) {
    if (size_ > 0) stream->WriteBuffer(memory_, size_);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) {
    TFileStream f(fileName, fmCreate);
    SaveToStream(&f);
}

// ---- TStringStream -------------------------------------------------------------------------------

long long TStringStream::Read(void* buffer, long long count) {
    long long size = Size();
    if (count <= 0 || position_ >= size) return 0;
    long long n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

long long TStringStream::Write(const void* buffer, long long count) {
    if (count <= 0) return 0;
    long long end = position_ + count;
    if (end > Size()) data_.resize(static_cast<std::size_t>(end), '\0');
    std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    return count;
}

long long TStringStream::Seek(long long offset, TSeekOrigin origin) {
    long long base = origin == soCurrent ? position_ : origin == soEnd ? Size() : 0;
    position_ = std::clamp(base + offset, 0LL, Size());
    return position_;
}

void TStringStream::SetSize(long long newSize) {
    data_.resize(static_cast<std::size_t>(std::max(0LL, newSize)), '\0');
    if (position_ > Size()) position_ = Size();
}

AnsiString TStringStream::ReadString(long long count) {
    long long n = std::clamp(count, 0LL, Size() - position_);
    AnsiString r(data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n)));
    position_ += n;
    return r;
}

void TStringStream::WriteString(const AnsiString& s) { Write(s.data(), s.Length()); }

// ---- TStrings and streams ------------------------------------------------------------------------

void TStrings::LoadFromStream(TStream* stream) {
    if (!stream) return;
    long long n = stream->Size() - stream->Position();
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) stream->ReadBuffer(bytes.data(), n);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    else if (!IsValidUtf8(bytes)) bytes = Cp1251ToUtf8(bytes);
    SetText(AnsiString(std::move(bytes)));
}

void TStrings::SaveToStream(TStream* stream) const {
    if (!stream) return;
    const std::string t = Text().str();
    stream->WriteBuffer(t.data(), static_cast<long long>(t.size()));
}
