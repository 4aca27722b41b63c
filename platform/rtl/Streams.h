// Byte streams: the abstract TStream, file streams, memory streams and string streams.
#pragma once

#include "rtl/Classes.h"
#include "rtl/FileUtils.h"

#include <cstddef>
#include <cstdint>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
    PLANTMON_CLASS(TStream, TObject)
public:
    // Read and Write move up to count bytes and return how many moved.
    virtual long long Read(void* buffer, long long count) = 0;
    virtual long long Write(const void* buffer, long long count) = 0;
    virtual long long Seek(long long offset, TSeekOrigin origin) = 0;

    // All or nothing: EReadError / EWriteError when fewer bytes move.
    void ReadBuffer(void* buffer, long long count);
    void WriteBuffer(const void* buffer, long long count);

    long long Position() { return Seek(0, soCurrent); }
    void SetPosition(long long pos) { Seek(pos, soBeginning); }
    virtual long long Size();
    virtual void SetSize(long long newSize);

    // Copies count bytes from source's position; count 0 copies the whole source from its start.
    long long CopyFrom(TStream* source, long long count);

    // The component stream (rtl/Filers.h): a component with its properties and children, written
    // at the position, or read back into instance (made from the stream's class when null).
    void WriteComponent(TComponent* instance);
    void WriteDescendent(TComponent* instance, TComponent* ancestor);
    TComponent* ReadComponent(TComponent* instance);
};

// A stream over an open POSIX file descriptor, which it does not close.
class THandleStream : public TStream {
    PLANTMON_CLASS(THandleStream, TStream)
public:
    explicit THandleStream(int handle) : handle_(handle) {}
    int Handle() const noexcept { return handle_; }
    long long Read(void* buffer, long long count) override;
    long long Write(const void* buffer, long long count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    void SetSize(long long newSize) override;

protected:
    int handle_;
};

// mode: fmCreate, or fmOpenRead / fmOpenWrite / fmOpenReadWrite combined with a share mode.
// EFCreateError / EFOpenError name the file and the reason.
class TFileStream : public THandleStream {
    PLANTMON_CLASS(TFileStream, THandleStream)
public:
    TFileStream(const AnsiString& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    const AnsiString& FileName() const noexcept { return fileName_; }

private:
    AnsiString fileName_;
};

// A file stream that gathers small writes and hands them to the file in large pieces, for writers
// that put out a document a few bytes at a time. FlushBuffer writes what is gathered, raising
// EWriteError when the file takes less; reading, seeking and sizing flush first. Destruction
// flushes too but cannot report a failure: call FlushBuffer before to learn of one.
class TBufferedFileStream : public TFileStream {
    PLANTMON_CLASS(TBufferedFileStream, TFileStream)
public:
    TBufferedFileStream(const AnsiString& fileName, unsigned mode, int bufferSize = 65536);
    ~TBufferedFileStream() override;

    long long Read(void* buffer, long long count) override;
    long long Write(const void* buffer, long long count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    void SetSize(long long newSize) override;
    void FlushBuffer();

private:
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// A stream in one malloc'ed block. Subclasses may change how the block grows by overriding
// Realloc; it must use malloc/realloc/free, since the stream frees the block with free().
class TMemoryStream : public TStream {
    PLANTMON_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    long long Read(void* buffer, long long count) override;
    long long Write(const void* buffer, long long count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    long long Size() override { return size_; }
    void SetSize(long long newSize) override;

    void* Memory() const noexcept { return memory_; }
    // Hands the block over to the caller, who frees it with free(), and leaves the stream empty;
    // size receives the bytes the stream held. For giving a stream's contents away without a copy.
    void* ReleaseMemory(long long& size) noexcept;
    long long Capacity() const noexcept { return capacity_; }
    void Clear();
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName);

protected:
    // Asked for a block of at least newCapacity bytes: may round newCapacity and returns the
    // (re)allocated block, nullptr for capacity 0. The base rounds up to 8 KiB steps and raises
    // EStreamError when the heap refuses.
    virtual void* Realloc(long long& newCapacity);
    void SetCapacity(long long newCapacity);

private:
    void* memory_ = nullptr;
    long long size_ = 0;
    long long position_ = 0;
    long long capacity_ = 0;
};

// A stream over a string held in memory.
class TStringStream : public TStream {
    PLANTMON_CLASS(TStringStream, TStream)
public:
    explicit TStringStream(const AnsiString& s = AnsiString()) : data_(s.str()) {}
    long long Read(void* buffer, long long count) override;
    long long Write(const void* buffer, long long count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    long long Size() override { return static_cast<long long>(data_.size()); }
    void SetSize(long long newSize) override;

    AnsiString DataString() const { return AnsiString(data_); }
    AnsiString ReadString(long long count);
    void WriteString(const AnsiString& s);

private:
    std::string data_;
    long long position_ = 0;
};
