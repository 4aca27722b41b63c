// Export and import of the grid. The interchange format VCLDBIF carries the typed values of the
// exported cells, so that a copy from one grid pastes into another with numbers, dates and binary
// values intact:
//
//   "VCLDBIF", version 1, column count C (int32), C descriptors (visible flag, name ended by 0),
//   then the values row by row, C per row, then the end tag 0.
//
// A value is a tag byte and its bytes, little-endian: 1 no value, 2 Null, 3 int32, 4 double (dates
// as day counts since 30 December 1899), 5 text and 6 binary data (both an int32 length and the
// bytes). Text goes in Windows-1251, binary content as it is.
//
// The writer and reader here work on fields; the grid's export and import walk its columns and
// records and hand each cell's field to them.
#pragma once

#include "data/DB.h"
#include "rtl/Streams.h"
#include "rtl/Variant.h"

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct TVCLDBIF_BOF {
    char Signature[7];
    std::uint8_t Version;
    std::int32_t ColCount;
};
struct TVCLDBIF_INTEGER32 {
    std::uint8_t Tag;
    std::int32_t Value;
};
struct TVCLDBIF_FLOAT64 {
    std::uint8_t Tag;
    double Value;
};
// A text or binary value: the header, then Length bytes.
struct TVCLDBIF_STRING {
    std::uint8_t Tag;
    std::int32_t Length;
};
struct TVCLDBIF_BINARY_DATA {
    std::uint8_t Tag;
    std::int32_t Length;
};
#pragma pack(pop)
static_assert(sizeof(TVCLDBIF_BOF) == 12 && sizeof(TVCLDBIF_INTEGER32) == 5 && sizeof(TVCLDBIF_FLOAT64) == 9 &&
              sizeof(TVCLDBIF_STRING) == 5 && sizeof(TVCLDBIF_BINARY_DATA) == 5);

enum TVCLDBIFTagGx : std::uint8_t {
    vdtEndGx = 0,
    vdtUnassignedGx = 1,
    vdtNullGx = 2,
    vdtInteger32Gx = 3,
    vdtFloat64Gx = 4,
    vdtStringGx = 5,
    vdtBinaryDataGx = 6,
};

// The field a cell's value is exported from and imported into: the field itself, or for a lookup
// field the key field it names (nullptr when that names none).
TField* ImpExpTargetFieldGx(TField* field);

// Writes the signature, version 1, the column count and one descriptor per column (its visible
// flag and an empty name).
void WriteVCLDBIFPrefixGx(TStream* stream, const std::vector<bool>& visibleColumns);
// One cell: the value of field (a lookup field's key field), or "no value" without a field.
void WriteVCLDBIFValueGx(TStream* stream, TField* field);
void WriteVCLDBIFSuffixGx(TStream* stream);

// Reads an interchange stream: the header, then one value after another. Every fault of the
// stream (a short read, another signature, a length below 0 or beyond the bytes left, values after
// a header of no columns) raises the one format error ("...: Неверный формат VCLDBIF").
class TVCLDBIFReaderGx {
public:
    explicit TVCLDBIFReaderGx(TStream* stream) : stream_(stream) {}

    // Reads the header and the column descriptors, then the first value.
    void ReadPrefix();
    // Reads the next value into LastValue (Unassigned for tag 1 and for tags not defined, which
    // consume nothing more); tag 0 ends the data (Eof). Nothing is read once the data ended.
    void ReadValue();

    const TVCLDBIF_BOF& Header() const noexcept { return header_; }
    int ColCount() const noexcept { return header_.ColCount; }
    // The descriptors: visible flags and names (Windows-1251, as stored).
    const std::vector<bool>& ColumnVisible() const noexcept { return visible_; }
    const std::vector<AnsiString>& ColumnNames() const noexcept { return names_; }
    bool HasNames() const noexcept { return hasNames_; }
    const Variant& LastValue() const noexcept { return value_; }
    bool Eof() const noexcept { return eof_; }

private:
    [[noreturn]] void formatError() const;
    void readExactly(void* data, long long size);
    TStream* stream_;
    TVCLDBIF_BOF header_{};
    std::vector<bool> visible_;
    std::vector<AnsiString> names_;
    bool hasNames_ = false;
    Variant value_;
    bool eof_ = false;
};

// Puts value read from an interchange stream into field (a lookup field's key field): nothing for
// an Unassigned value; when the dataset can be modified it goes into edit mode and, in edit or
// insert state, the field takes the value. Text comes back from
// Windows-1251, except into binary fields, which take the bytes as they are.
void AssignVCLDBIFValueGx(TField* field, const Variant& value);

// Offers a failed assignment of an imported value to the user unless ignoreAll is set: an error
// box with Yes, No and All. Yes goes on, All goes on and sets ignoreAll, No aborts the import
// silently (EAbort).
void ImportErrorPromptGx(const Exception& error, bool& ignoreAll);
