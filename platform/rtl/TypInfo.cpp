#include "rtl/TypInfo.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

struct Registry {
    std::mutex lock;
    // Type descriptions by (kind, name) and by class; kept (and their addresses stable) for the run.
    std::map<std::pair<int, std::string>, std::unique_ptr<TTypeInfo>> types;
    std::map<TClass, std::unique_ptr<TTypeInfo>> classTypes;
    // Each class's own properties, in registration order (held by pointer: their addresses stay).
    std::map<TClass, std::vector<std::unique_ptr<TPropInfo>>> props;
    // Value names of integer types, by the type's name.
    std::map<std::string, std::pair<TIdentToInt, TIntToIdent>> integerConsts;
};

Registry& registry() {
    static Registry r;
    return r;
}

[[noreturn]] void cannot(const char* what, PPropInfo prop) {
    throw EPropertyError(AnsiString("Property ") + (prop ? prop->Name : AnsiString("(nil)")) + " cannot be " + what);
}

}  // namespace

PTypeInfo TypeInfoOf(TTypeKind kind, const AnsiString& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto& slot = r.types[{static_cast<int>(kind), name.str()}];
    if (!slot) {
        slot = std::make_unique<TTypeInfo>();
        slot->Kind = kind;
        slot->Name = name;
    }
    return slot.get();
}

PTypeInfo EnumTypeInfo(const AnsiString& name, std::vector<AnsiString> valueNames) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto& slot = r.types[{static_cast<int>(tkEnumeration), name.str()}];
    if (!slot) {
        slot = std::make_unique<TTypeInfo>();
        slot->Kind = tkEnumeration;
        slot->Name = name;
        slot->EnumNames = std::move(valueNames);
    }
    return slot.get();
}

PTypeInfo ClassTypeInfo(TClass cls) {
    if (!cls) return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto& slot = r.classTypes[cls];
    if (!slot) {
        slot = std::make_unique<TTypeInfo>();
        slot->Kind = tkClass;
        slot->Name = cls->Name;
        slot->ClassType = cls;
    }
    return slot.get();
}

void RegisterPublishedProperties(TClass cls, std::vector<TPropInfo> props) {
    if (!cls) return;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto& own = r.props[cls];
    for (TPropInfo& p : props) {
        p.Declarer = cls;
        own.push_back(std::make_unique<TPropInfo>(std::move(p)));
    }
}

PPropInfo GetPropInfo(TClass cls, const AnsiString& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    for (TClass c = cls; c; c = c->Parent) {
        auto it = r.props.find(c);
        if (it == r.props.end()) continue;
        for (const auto& p : it->second)
            if (SameText(p->Name, name)) return p.get();
    }
    return nullptr;
}

PPropInfo GetPropInfo(PTypeInfo classType, const AnsiString& name) {
    return classType && classType->Kind == tkClass ? GetPropInfo(classType->ClassType, name) : nullptr;
}

PPropInfo GetPropInfo(const TObject* obj, const AnsiString& name) {
    return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

std::vector<PPropInfo> GetPropList(PTypeInfo classType, TTypeKinds kinds) {
    std::vector<PPropInfo> out;
    if (!classType || classType->Kind != tkClass) return out;
    std::vector<TClass> chain;
    for (TClass c = classType->ClassType; c; c = c->Parent) chain.push_back(c);
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    std::vector<PPropInfo> all;
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        auto it = r.props.find(*c);
        if (it == r.props.end()) continue;
        for (const auto& p : it->second) {
            // A property a descendant declares again (with another default) takes the ancestor's place.
            auto same = std::find_if(all.begin(), all.end(), [&](PPropInfo q) { return SameText(q->Name, p->Name); });
            if (same != all.end()) *same = p.get();
            else all.push_back(p.get());
        }
    }
    for (PPropInfo p : all) {
        TTypeKind k = p->PropType ? p->PropType->Kind : tkUnknown;
        if (kinds & TypeKindBit(k)) out.push_back(p);
    }
    return out;
}

void RegisterIntegerConsts(PTypeInfo integerType, TIdentToInt identToInt, TIntToIdent intToIdent) {
    if (!integerType) return;
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    r.integerConsts[UpperCase(integerType->Name).str()] = {std::move(identToInt), std::move(intToIdent)};
}

TIntToIdent FindIntToIdent(PTypeInfo integerType) {
    if (!integerType) return {};
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.integerConsts.find(UpperCase(integerType->Name).str());
    return it == r.integerConsts.end() ? TIntToIdent() : it->second.second;
}

TIdentToInt FindIdentToInt(PTypeInfo integerType) {
    if (!integerType) return {};
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.integerConsts.find(UpperCase(integerType->Name).str());
    return it == r.integerConsts.end() ? TIdentToInt() : it->second.first;
}

long long GetOrdProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop || !prop->GetOrd) cannot("read as an ordinal", prop);
    return prop->GetOrd(obj);
}

void SetOrdProp(TObject* obj, PPropInfo prop, long long value) {
    if (!obj || !prop || !prop->SetOrd) cannot("written as an ordinal", prop);
    prop->SetOrd(obj, value);
}

double GetFloatProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop || !prop->GetFloat) cannot("read as a number", prop);
    return prop->GetFloat(obj);
}

void SetFloatProp(TObject* obj, PPropInfo prop, double value) {
    if (!obj || !prop || !prop->SetFloat) cannot("written as a number", prop);
    prop->SetFloat(obj, value);
}

AnsiString GetStrProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop || !prop->GetStr) cannot("read as a text", prop);
    return prop->GetStr(obj);
}

void SetStrProp(TObject* obj, PPropInfo prop, const AnsiString& value) {
    if (!obj || !prop || !prop->SetStr) cannot("written as a text", prop);
    prop->SetStr(obj, value);
}

Variant GetVariantProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop) cannot("read", prop);
    if (prop->GetVariant) return prop->GetVariant(obj);
    if (prop->GetOrd) return Variant(prop->GetOrd(obj));
    if (prop->GetFloat) return Variant(prop->GetFloat(obj));
    if (prop->GetStr) return Variant(prop->GetStr(obj));
    cannot("read as a Variant", prop);
}

void SetVariantProp(TObject* obj, PPropInfo prop, const Variant& value) {
    if (!obj || !prop) cannot("written", prop);
    if (prop->SetVariant) prop->SetVariant(obj, value);
    else if (prop->SetOrd) prop->SetOrd(obj, value.AsInt64());
    else if (prop->SetFloat) prop->SetFloat(obj, value.AsDouble());
    else if (prop->SetStr) prop->SetStr(obj, VarToStr(value));
    else cannot("written as a Variant", prop);
}

TObject* GetObjectProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop || !prop->GetObject) cannot("read as an object", prop);
    return prop->GetObject(obj);
}

void SetObjectProp(TObject* obj, PPropInfo prop, TObject* value) {
    if (!obj || !prop || !prop->SetObject) cannot("written as an object", prop);
    prop->SetObject(obj, value);
}

bool IsStoredProp(TObject* obj, PPropInfo prop) {
    if (!obj || !prop) return false;
    return prop->Stored ? prop->Stored(obj) : true;
}
