// Variant: a value of one of the runtime's scalar kinds, Null, Empty (unassigned), an error code,
// or an array of Variants.
//
// Conversions and comparisons follow fixed mixed-type rules, so that key values, filter operands
// and field values of different kinds can be compared the way users expect:
// - Null equals only Null and sorts below every other value; arithmetic with Null gives Null.
// - Empty acts as 0, "" or False next to a number, a text or a Boolean; Empty equals Empty.
// - A text next to a number, a date or a Boolean is converted to that kind first (numbers with
//   the locale's decimal separator, or a point; dates by the locale's date-time text); a text
//   that does not convert raises EVariantTypeCastError.
// - Booleans count as -1 (True) and 0 (False) next to numbers; False sorts below True.
// - Integers compare exactly, currency exactly against integers and currency, everything else
//   as doubles. Two texts compare by the locale's collation, case-sensitively.
// - Arrays and error values cannot be compared or used in arithmetic (EVariantError).
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/Currency.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

using TVarType = unsigned short;

enum : TVarType {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varError = 0x000A,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varInt64 = 0x0014,
    varString = 0x0100,
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
};

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// One dimension of an array: the low bound and the number of elements.
struct TVarArrayBound {
    int LowBound = 0;
    int ElementCount = 0;
};

class Variant {
public:
    Variant() noexcept = default;  // Empty
    Variant(bool v) noexcept;
    Variant(short v) noexcept;
    Variant(int v) noexcept;
    Variant(long v) noexcept;  // Int64 (long is 64-bit here)
    Variant(long long v) noexcept;
    Variant(float v) noexcept;
    Variant(double v) noexcept;
    Variant(Currency v) noexcept;
    Variant(const char* s);
    Variant(const AnsiString& s);
    Variant(const std::string& s);

    static Variant Null();
    static Variant Empty() { return Variant(); }
    static Variant FromDateTime(TDateTime dt);
    static Variant FromError(int code);

    TVarType Type() const noexcept { return type_; }
    bool IsNull() const noexcept { return type_ == varNull; }
    bool IsEmpty() const noexcept { return type_ == varEmpty; }
    bool IsArray() const noexcept { return (type_ & varArray) != 0; }

    // Conversions; a value that cannot be converted (Null, an array, an error, a text that is no
    // number) raises EVariantTypeCastError. Empty converts to 0, "", False.
    int AsInteger() const;        // rounds half to even from fractional kinds
    long long AsInt64() const;
    double AsDouble() const;
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    bool AsBoolean() const;
    AnsiString AsString() const;  // Null raises; see VarToStr for the lenient form
    int ErrorCode() const;        // the code of an error value

    // Arrays. Dimensions are numbered from 1. Elements of an array of a specific type are
    // converted to that type when they are stored; an array of varVariant keeps any value.
    int DimCount() const noexcept;
    int LowBound(int dim = 1) const;
    int HighBound(int dim = 1) const;
    Variant GetElement(int index) const;
    Variant GetElement(std::initializer_list<int> indices) const;
    void PutElement(int index, const Variant& value);
    void PutElement(std::initializer_list<int> indices, const Variant& value);
    // Changes the high bound of the last dimension, keeping the elements that remain.
    void Redim(int highBound);

    // Mixed-type comparison (see the rules above). == and != never raise for Null or Empty,
    // but do for values that cannot be compared.
    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
    friend bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
    friend bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

    // Arithmetic: Null propagates, Empty counts as 0; "+" of two texts concatenates; a date plus
    // or minus a number stays a date; "/" of two non-currency values gives a double.
    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    Variant operator-() const;

    // The storage of an array value (shared between copies until one of them changes).
    struct ArrayData;

private:
    friend struct VariantAccess;

    TVarType type_ = varEmpty;
    union {
        long long i_ = 0;
        double d_;
        float f_;
        bool b_;
    };
    AnsiString s_;
    std::shared_ptr<ArrayData> arr_;

    ArrayData& mutableArray();
};

struct Variant::ArrayData {
    TVarType elementType = varVariant;
    std::vector<TVarArrayBound> bounds;
    std::vector<Variant> items;  // row-major, last dimension fastest
};

// Free-function forms used throughout the system.
Variant Null();
Variant Unassigned();
inline TVarType VarType(const Variant& v) { return v.Type(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsNumeric(const Variant& v);  // smallint, integer, single, double, currency, int64
bool VarIsOrdinal(const Variant& v);  // smallint, integer, int64, boolean
bool VarIsFloat(const Variant& v);    // single, double, currency
bool VarIsStr(const Variant& v);
bool VarIsError(const Variant& v);
Variant VarAsError(int code);
// Converts to another kind (varEmpty and varNull give those values); raises on failure.
Variant VarAsType(const Variant& v, TVarType type);
// Text of a value; Null and Empty give "" (an array or error still raises).
AnsiString VarToStr(const Variant& v);
AnsiString VarToStrDef(const Variant& v, const AnsiString& def);  // def for Null and Empty
TDateTime VarToDateTime(const Variant& v);
Variant VarFromDateTime(TDateTime dt);
AnsiString VarTypeAsText(TVarType t);

// Arrays. VarArrayCreate takes (low, high) pairs, one per dimension.
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
Variant VarArrayCreate(const std::vector<int>& bounds, TVarType elementType);
// A one-dimensional array of varVariant with bounds 0 .. count - 1.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
int VarArrayDimCount(const Variant& v);
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
void VarArrayRedim(Variant& v, int highBound);

// Relationship of two values: Empty equals only Empty and Null only Null (anything else next to
// them is vrNotEqual); two arrays of the same shape compare element by element and are vrEqual
// only when every element is; arrays of different shapes, or an array and a scalar, are
// vrNotEqual; other values by the comparison rules above (which may raise).
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// Equality that never raises: values that cannot be compared are not the same.
bool VarSameValue(const Variant& a, const Variant& b);

std::ostream& operator<<(std::ostream& os, const Variant& v);
