// Run-time information about the published properties of classes.
//
// A class that publishes properties registers them once (RegisterPublishedProperties), in the order
// it declares them; through the parent chain of its TClass a class also has every property its
// ancestors registered. A property has a name, a type (kind and name, the class of an object
// property, the value names of an enumeration), accessors, a stored test and, for ordinal
// properties, a default. Streaming and property-path code finds properties by name (GetPropInfo)
// or lists them (GetPropList) and reads and writes them through the Get.../Set... functions, which
// raise EPropertyError when the property cannot be read or written that way.
#pragma once

#include "rtl/Classes.h"
#include "rtl/Variant.h"

#include <functional>
#include <type_traits>
#include <vector>

enum TTypeKind {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod, tkWChar,
    tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
// A set of kinds: bit (1 << kind) for each.
using TTypeKinds = unsigned;
constexpr TTypeKinds TypeKindBit(TTypeKind k) { return 1u << static_cast<unsigned>(k); }
constexpr TTypeKinds tkAny = (1u << (static_cast<unsigned>(tkDynArray) + 1)) - 1;
constexpr TTypeKinds tkMethods = TypeKindBit(tkMethod);
constexpr TTypeKinds tkProperties = tkAny & ~tkMethods & ~TypeKindBit(tkUnknown);

struct TTypeInfo {
    TTypeKind Kind = tkUnknown;
    AnsiString Name;
    TClass ClassType = nullptr;          // tkClass: the class
    std::vector<AnsiString> EnumNames;   // tkEnumeration: the value names in order; tkSet: the members'
};
using PTypeInfo = const TTypeInfo*;

// Type descriptions kept for the whole run, one per (kind, name) or class.
PTypeInfo TypeInfoOf(TTypeKind kind, const AnsiString& name);
PTypeInfo EnumTypeInfo(const AnsiString& name, std::vector<AnsiString> valueNames);
PTypeInfo ClassTypeInfo(TClass cls);

// An ordinal property without a default (always written by a streamer).
constexpr long long NoDefault = 0x80000000LL;

struct TPropInfo {
    PTypeInfo PropType = nullptr;
    AnsiString Name;
    TClass Declarer = nullptr;  // the class that registered it
    long long Default = NoDefault;
    // The accessors of its kind (ordinal, float, string, Variant or object); a read-only property
    // has no setter.
    std::function<long long(TObject*)> GetOrd;
    std::function<void(TObject*, long long)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<AnsiString(TObject*)> GetStr;
    std::function<void(TObject*, const AnsiString&)> SetStr;
    std::function<Variant(TObject*)> GetVariant;
    std::function<void(TObject*, const Variant&)> SetVariant;
    std::function<TObject*(TObject*)> GetObject;
    std::function<void(TObject*, TObject*)> SetObject;
    // Whether the value is written when the object is streamed (empty: always).
    std::function<bool(TObject*)> Stored;
};
using PPropInfo = const TPropInfo*;

// Adds cls's published properties after those it registered before.
void RegisterPublishedProperties(TClass cls, std::vector<TPropInfo> props);

// The property of that name (case-insensitive), the class's own before its ancestors'; nullptr
// when there is none.
PPropInfo GetPropInfo(TClass cls, const AnsiString& name);
PPropInfo GetPropInfo(PTypeInfo classType, const AnsiString& name);
PPropInfo GetPropInfo(const TObject* obj, const AnsiString& name);
// The properties of the given kinds: the ancestors' first, each class's in registration order.
std::vector<PPropInfo> GetPropList(PTypeInfo classType, TTypeKinds kinds = tkProperties);

// The names of an integer type's values that have one (colours "clRed" and the like), with which a
// streamer writes and reads them: IntToIdent gives the name of a value when it has one,
// IdentToInt the value of a name it knows.
using TIntToIdent = std::function<bool(long long value, AnsiString& ident)>;
using TIdentToInt = std::function<bool(const AnsiString& ident, long long& value)>;
void RegisterIntegerConsts(PTypeInfo integerType, TIdentToInt identToInt, TIntToIdent intToIdent);
// The mapping of that type (or of the integer type of the same name); empty when none is registered.
TIntToIdent FindIntToIdent(PTypeInfo integerType);
TIdentToInt FindIdentToInt(PTypeInfo integerType);

long long GetOrdProp(TObject* obj, PPropInfo prop);
void SetOrdProp(TObject* obj, PPropInfo prop, long long value);
double GetFloatProp(TObject* obj, PPropInfo prop);
void SetFloatProp(TObject* obj, PPropInfo prop, double value);
AnsiString GetStrProp(TObject* obj, PPropInfo prop);
void SetStrProp(TObject* obj, PPropInfo prop, const AnsiString& value);
Variant GetVariantProp(TObject* obj, PPropInfo prop);
void SetVariantProp(TObject* obj, PPropInfo prop, const Variant& value);
TObject* GetObjectProp(TObject* obj, PPropInfo prop);
void SetObjectProp(TObject* obj, PPropInfo prop, TObject* value);
bool IsStoredProp(TObject* obj, PPropInfo prop);

// A property of class C read by get and written by set (nullptr: read-only); get and set are
// member functions or callables taking C*. The accessors come from get's result type: an object
// pointer, a text, a Variant, a floating-point or an ordinal (integer, enumeration, Boolean) value.
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo MakeProperty(const AnsiString& name, PTypeInfo type, Get get, Set set = nullptr,
                       long long defaultValue = NoDefault) {
    using R = std::decay_t<std::invoke_result_t<Get, C*>>;
    TPropInfo p;
    p.Name = name;
    p.PropType = type;
    p.Declarer = C::StaticClass();
    p.Default = defaultValue;
    auto self = [](TObject* o) { return static_cast<C*>(o); };
    constexpr bool writable = !std::is_same_v<Set, std::nullptr_t>;
    if constexpr (std::is_pointer_v<R>) {
        p.GetObject = [get, self](TObject* o) -> TObject* { return std::invoke(get, self(o)); };
        if constexpr (writable)
            p.SetObject = [set, self, name](TObject* o, TObject* v) {
                R typed = dynamic_cast<R>(v);
                if (v && !typed) throw EPropertyError("Invalid property value for " + name);
                std::invoke(set, self(o), typed);
            };
    } else if constexpr (std::is_same_v<R, AnsiString>) {
        p.GetStr = [get, self](TObject* o) { return AnsiString(std::invoke(get, self(o))); };
        if constexpr (writable) p.SetStr = [set, self](TObject* o, const AnsiString& v) { std::invoke(set, self(o), v); };
    } else if constexpr (std::is_same_v<R, Variant>) {
        p.GetVariant = [get, self](TObject* o) { return std::invoke(get, self(o)); };
        if constexpr (writable) p.SetVariant = [set, self](TObject* o, const Variant& v) { std::invoke(set, self(o), v); };
    } else if constexpr (std::is_floating_point_v<R>) {
        p.GetFloat = [get, self](TObject* o) { return static_cast<double>(std::invoke(get, self(o))); };
        if constexpr (writable)
            p.SetFloat = [set, self](TObject* o, double v) { std::invoke(set, self(o), static_cast<R>(v)); };
    } else {
        static_assert(std::is_integral_v<R> || std::is_enum_v<R>, "unsupported property type");
        p.GetOrd = [get, self](TObject* o) { return static_cast<long long>(std::invoke(get, self(o))); };
        if constexpr (writable)
            p.SetOrd = [set, self](TObject* o, long long v) { std::invoke(set, self(o), static_cast<R>(v)); };
    }
    return p;
}
