// Packed records, their builder, and the field type tables.
#include "data/DB.h"

#include <cstdint>
#include <cstring>
#include <new>

TRecordPtr& TRecordPtr::operator=(const TRecordPtr& o) noexcept {
    if (p_ != o.p_) {
        TRecordData* old = p_;
        p_ = o.p_;
        retain();
        if (old) {
            TRecordPtr tmp;
            tmp.p_ = old;  // released by tmp's destructor
        }
    }
    return *this;
}

TRecordPtr& TRecordPtr::operator=(TRecordPtr&& o) noexcept {
    if (this != &o) {
        release();
        p_ = o.p_;
        o.p_ = nullptr;
    }
    return *this;
}

void TRecordPtr::retain() noexcept {
    if (p_) p_->refs_.fetch_add(1, std::memory_order_relaxed);
}

void TRecordPtr::release() noexcept {
    if (p_ && p_->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        if (p_->inBlock_) {
            TRecordArena::releaseRecord(p_);
        } else {
            p_->~TRecordData();
            ::operator delete(static_cast<void*>(p_));
        }
    }
    p_ = nullptr;
}

// ---- record blocks ---------------------------------------------------------------------------
// Blocks are aligned to their size, so a record finds its block's header from its own address.
// The header counts the block's live records, plus one while the arena still fills the block.
struct TRecordArena::Block {
    std::atomic<std::uint32_t> refs{1};
};

namespace {
// Small enough that the allocator serves a block from its heap (and a freed block to the next fetch)
// rather than mapping fresh pages from the system each time.
constexpr std::size_t kBlockSize = std::size_t{1} << 15;
constexpr std::size_t kBlockHeader = 16;  // keeps the records 8-byte aligned
// Records larger than this get a heap block of their own: a block holds at least four.
constexpr std::size_t kLargestInBlock = (kBlockSize - kBlockHeader) / 4;

void freeBlock(void* b) noexcept { ::operator delete(b, std::align_val_t{kBlockSize}); }
}  // namespace

TRecordArena::~TRecordArena() {
    if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block_->~Block();
        freeBlock(block_);
    }
}

void* TRecordArena::allocate(std::size_t size) {
    size = (size + 7) & ~std::size_t{7};
    if (size > kLargestInBlock) return nullptr;
    if (!block_ || used_ + size > kBlockSize) {
        void* mem = ::operator new(kBlockSize, std::align_val_t{kBlockSize});
        Block* fresh = new (mem) Block();
        // The full block is left to its records.
        if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            block_->~Block();
            freeBlock(block_);
        }
        block_ = fresh;
        used_ = kBlockHeader;
    }
    void* at = reinterpret_cast<char*>(block_) + used_;
    used_ += size;
    block_->refs.fetch_add(1, std::memory_order_relaxed);
    return at;
}

void TRecordArena::releaseRecord(TRecordData* rec) noexcept {
    auto* b = reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(rec) & ~(kBlockSize - 1));
    rec->~TRecordData();
    if (b->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        b->~Block();
        freeBlock(b);
    }
}

bool TRecordData::SameValues(const TRecordData& o) const noexcept {
    if (count_ != o.count_) return false;
    for (int i = 0; i < static_cast<int>(count_); ++i) {
        if (tags()[i] != o.tags()[i]) return false;
        switch (tags()[i]) {
        case 0: break;
        case skBytes + 1:
            if (Bytes(i) != o.Bytes(i)) return false;
            break;
        case skFloat + 1:
            if (Float(i) != o.Float(i)) return false;
            break;
        default:
            if (Int(i) != o.Int(i)) return false;
        }
    }
    return true;
}

void TRecordBuilder::Reset(int fieldCount) {
    slots_.assign(static_cast<std::size_t>(fieldCount), Slot{0});
    tags_.assign(static_cast<std::size_t>(fieldCount), 0);
    if (bytes_.size() > static_cast<std::size_t>(fieldCount)) bytes_.resize(static_cast<std::size_t>(fieldCount));
}

void TRecordBuilder::SetBytes(int i, std::string_view v) {
    if (bytes_.size() < tags_.size()) bytes_.resize(tags_.size());
    tags_[i] = skBytes + 1;
    slots_[i].i = 0;
    bytes_[i].assign(v.data(), v.size());
}

std::string_view TRecordBuilder::Bytes(int i) const noexcept {
    if (tags_[i] != skBytes + 1 || static_cast<std::size_t>(i) >= bytes_.size()) return std::string_view();
    return bytes_[i];
}

void TRecordBuilder::Assign(const TRecordData& rec) {
    int n = rec.FieldCount();
    Reset(n);
    for (int i = 0; i < n; ++i) {
        if (rec.IsNull(i)) continue;
        if (rec.Kind(i) == skBytes) {
            SetBytes(i, rec.Bytes(i));
        } else {
            tags_[i] = static_cast<unsigned char>(rec.Kind(i) + 1);
            slots_[i].i = rec.Int(i);
        }
    }
}

std::size_t TRecordBuilder::packedSize() const noexcept {
    const std::size_t n = tags_.size();
    std::size_t varSize = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (tags_[i] == skBytes + 1) varSize += bytes_[i].size();
    return sizeof(TRecordData) + n * sizeof(TRecordData::Slot) + n + varSize;
}

TRecordPtr TRecordBuilder::Build() const { return pack(::operator new(packedSize())); }

TRecordPtr TRecordBuilder::Build(TRecordArena& arena) const {
    void* mem = arena.allocate(packedSize());
    if (!mem) return Build();
    TRecordPtr rec = pack(mem);
    rec.p_->inBlock_ = 1;
    return rec;
}

TRecordPtr TRecordBuilder::pack(void* mem) const {
    const std::size_t n = tags_.size();
    auto* r = new (mem) TRecordData();
    r->count_ = static_cast<std::uint32_t>(n);
    TRecordData::Slot* slots = r->slots();
    unsigned char* tags = r->tags();
    char* var = r->varData();
    std::uint32_t off = 0;
    for (std::size_t i = 0; i < n; ++i) {
        tags[i] = tags_[i];
        if (tags_[i] == skBytes + 1) {
            const std::string& b = bytes_[i];
            if (!b.empty()) std::memcpy(var + off, b.data(), b.size());
            slots[i].span.offset = off;
            slots[i].span.length = static_cast<std::uint32_t>(b.size());
            off += static_cast<std::uint32_t>(b.size());
        } else {
            slots[i].i = tags_[i] ? slots_[i].i : 0;
        }
    }
    return TRecordPtr(r);
}

// ---- type tables -----------------------------------------------------------------------------
bool IsSupportedFieldType(TFieldType t) {
    switch (t) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes: return true;
    default: return false;
    }
}

TSlotKind SlotKindOf(TFieldType t) {
    switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftBoolean: return skInteger;
    case ftFloat:
    case ftCurrency:
    case ftFMTBcd:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: return skFloat;
    case ftBCD: return skCurrency;
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes: return skBytes;
    default: DatabaseError("Unsupported field type " + FieldTypeName(t));
    }
}

AnsiString FieldTypeName(TFieldType t) {
    static const char* const names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date",
        "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo",
        "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "ADT",
        "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant", "Interface", "IDispatch", "Guid",
        "TimeStamp", "FMTBcd",
    };
    int i = static_cast<int>(t);
    if (i < 0 || i >= static_cast<int>(sizeof names / sizeof names[0])) return "Unknown";
    return names[i];
}
