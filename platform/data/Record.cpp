// Packed records, their builder, and the field type tables.
#include "data/DB.h"

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
        p_->~TRecordData();
        ::operator delete(static_cast<void*>(p_));
    }
    p_ = nullptr;
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

TRecordPtr TRecordBuilder::Build() const {
    const std::size_t n = tags_.size();
    std::size_t varSize = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (tags_[i] == skBytes + 1) varSize += bytes_[i].size();
    const std::size_t size = sizeof(TRecordData) + n * sizeof(TRecordData::Slot) + n + varSize;
    void* mem = ::operator new(size);
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
