#include "rtl/Filers.h"

#include "rtl/DateUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>

namespace {

constexpr char kSignature[4] = {'P', 'M', 'C', 'S'};
constexpr std::uint8_t kVersion = 1;
// The high half of a component's prefix byte; the low half holds its flags.
constexpr std::uint8_t kPrefixMarker = 0xF0;

struct ClassEntry {
    TClass cls;
    TComponentFactory make;
};

std::mutex& classLock() {
    static std::mutex m;
    return m;
}

std::map<AnsiString, ClassEntry>& classes() {
    static std::map<AnsiString, ClassEntry> m;
    return m;
}

const ClassEntry* findEntry(const AnsiString& name) {
    std::lock_guard<std::mutex> g(classLock());
    auto it = classes().find(UpperCase(name));
    return it == classes().end() ? nullptr : &it->second;
}

bool isStringKind(TTypeKind k) { return k == tkString || k == tkLString || k == tkWString; }
bool isOrdinalKind(TTypeKind k) { return k == tkInteger || k == tkChar || k == tkWChar || k == tkInt64; }
bool isBooleanType(PTypeInfo t) { return t && t->Kind == tkEnumeration && SameText(t->Name, "Boolean"); }
bool isDateType(PTypeInfo t) {
    return t && (SameText(t->Name, "TDateTime") || SameText(t->Name, "TDate") || SameText(t->Name, "TTime"));
}
bool isCurrencyType(PTypeInfo t) { return t && SameText(t->Name, "Currency"); }

// The streaming operations a component keeps to itself, opened to the filers.
struct Streaming : TComponent {
    static void defineProperties(TPersistent* p, TFiler* f) { (p->*(&Streaming::DefineProperties))(f); }
    static void children(TComponent* c, TGetChildProc proc, TComponent* root) { (c->*(&Streaming::GetChildren))(proc, root); }
    static TComponent* childOwner(TComponent* c) { return (c->*(&Streaming::GetChildOwner))(); }
    static TComponent* childParent(TComponent* c) { return (c->*(&Streaming::GetChildParent))(); }
    static void updating(TComponent* c) { (c->*(&Streaming::Updating))(); }
    static void updated(TComponent* c) { (c->*(&Streaming::Updated))(); }
};

[[noreturn]] void invalidValue() { throw EReadError("Неверное значение свойства в потоке компонентов"); }

}  // namespace

// ---- Classes ---------------------------------------------------------------------------------------

void RegisterComponentClass(TClass cls, TComponentFactory make) {
    if (!cls) return;
    std::lock_guard<std::mutex> g(classLock());
    classes()[UpperCase(AnsiString(cls->Name))] = ClassEntry{cls, std::move(make)};
}

TClass GetClass(const AnsiString& name) {
    const ClassEntry* e = findEntry(name);
    return e ? e->cls : nullptr;
}

TClass FindClass(const AnsiString& name) {
    TClass c = GetClass(name);
    if (!c) throw EClassNotFound("Класс " + name + " не найден");
    return c;
}

// ---- TWriter ---------------------------------------------------------------------------------------

TWriter::TWriter(TStream* stream, int /*bufSize*/) : TFiler(stream) {}
TWriter::~TWriter() = default;

void TWriter::writeBytes(const void* data, std::size_t n) { Stream()->WriteBuffer(data, static_cast<long long>(n)); }

void TWriter::WriteValue(TValueType value) {
    const auto b = static_cast<std::uint8_t>(value);
    writeBytes(&b, 1);
}

void TWriter::WriteSignature() {
    writeBytes(kSignature, sizeof kSignature);
    writeBytes(&kVersion, 1);
}

void TWriter::WriteStr(const AnsiString& value) {
    const auto n = static_cast<std::uint32_t>(value.str().size());
    writeBytes(&n, sizeof n);
    writeBytes(value.str().data(), n);
}

void TWriter::WriteListBegin() { WriteValue(vaList); }
void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WriteInteger(long long value) {
    if (value >= std::numeric_limits<std::int8_t>::min() && value <= std::numeric_limits<std::int8_t>::max()) {
        WriteValue(vaInt8);
        const auto v = static_cast<std::int8_t>(value);
        writeBytes(&v, sizeof v);
    } else if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
        WriteValue(vaInt16);
        const auto v = static_cast<std::int16_t>(value);
        writeBytes(&v, sizeof v);
    } else if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        WriteValue(vaInt32);
        const auto v = static_cast<std::int32_t>(value);
        writeBytes(&v, sizeof v);
    } else {
        WriteValue(vaInt64);
        const auto v = static_cast<std::int64_t>(value);
        writeBytes(&v, sizeof v);
    }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
void TWriter::WriteChar(char32_t value) { WriteInteger(static_cast<long long>(value)); }

void TWriter::WriteFloat(double value) {
    WriteValue(vaExtended);
    writeBytes(&value, sizeof value);
}

void TWriter::WriteCurrency(Currency value) {
    WriteValue(vaCurrency);
    const std::int64_t raw = value.Raw();
    writeBytes(&raw, sizeof raw);
}

void TWriter::WriteDate(TDateTime value) {
    WriteValue(vaDate);
    writeBytes(&value, sizeof value);
}

void TWriter::WriteString(const AnsiString& value) {
    WriteValue(vaUTF8String);
    WriteStr(value);
}

void TWriter::WriteIdent(const AnsiString& ident) {
    WriteValue(vaIdent);
    WriteStr(ident);
}

void TWriter::WriteVariant(const Variant& value) {
    switch (value.Type()) {
    case varEmpty: WriteValue(vaNil); break;
    case varNull: WriteValue(vaVariantNull); break;
    case varBoolean: WriteBoolean(value.AsBoolean()); break;
    case varSmallint:
    case varInteger:
    case varInt64: WriteInteger(value.AsInt64()); break;
    case varCurrency: WriteCurrency(value.AsCurrency()); break;
    case varDate: WriteDate(value.AsDateTime()); break;
    case varSingle:
    case varDouble: WriteFloat(value.AsDouble()); break;
    default: WriteString(VarToStr(value)); break;
    }
}

void TWriter::WritePropName(const AnsiString& name) { WriteStr(propPath_ + name); }

AnsiString TWriter::ReferenceName(TComponent* c) const {
    if (!c || c->Name().IsEmpty()) return AnsiString();
    TComponent* root = LookupRoot() ? LookupRoot() : Root();
    if (c == root) return "Owner";
    if (c->Owner() == root) return c->Name();
    if (c->Owner() && !c->Owner()->Name().IsEmpty()) return c->Owner()->Name() + "." + c->Name();
    return c->Name();
}

bool TWriter::sameAsAncestor(TPersistent* instance, PPropInfo p) const {
    TPersistent* ancestor = Ancestor();
    const TTypeKind k = p->PropType ? p->PropType->Kind : tkUnknown;
    if (!ancestor) {
        // Without an ancestor what the property has by default is left out.
        if (isOrdinalKind(k) || k == tkEnumeration || k == tkSet)
            return p->Default != NoDefault && GetOrdProp(instance, p) == p->Default;
        if (isStringKind(k)) return GetStrProp(instance, p).IsEmpty();
        if (k == tkFloat) return GetFloatProp(instance, p) == 0.0;
        if (k == tkVariant) return GetVariantProp(instance, p).IsEmpty();
        return false;
    }
    if (!ancestor->InheritsFrom(p->Declarer ? AnsiString(p->Declarer->Name) : instance->ClassName())) return false;
    if (isOrdinalKind(k) || k == tkEnumeration || k == tkSet) return GetOrdProp(instance, p) == GetOrdProp(ancestor, p);
    if (isStringKind(k)) return GetStrProp(instance, p) == GetStrProp(ancestor, p);
    if (k == tkFloat) return GetFloatProp(instance, p) == GetFloatProp(ancestor, p);
    if (k == tkVariant) return GetVariantProp(instance, p) == GetVariantProp(ancestor, p);
    return false;
}

void TWriter::WriteProperty(TPersistent* instance, PPropInfo p) {
    if (!p || !p->PropType || !IsStoredProp(instance, p)) return;
    const TTypeKind k = p->PropType->Kind;
    if (k == tkClass) {
        TObject* value = p->GetObject ? p->GetObject(instance) : nullptr;
        if (!value) return;
        if (auto* col = dynamic_cast<TCollection*>(value)) {
            if (col->Count() == 0) return;
            WritePropName(p->Name);
            WriteCollection(col);
        } else if (auto* comp = dynamic_cast<TComponent*>(value)) {
            AnsiString ref = ReferenceName(comp);
            if (ref.IsEmpty() || !p->SetObject) return;
            WritePropName(p->Name);
            WriteIdent(ref);
        } else if (auto* nested = dynamic_cast<TPersistent*>(value)) {
            // An owned object writes its properties under its name ("Font.Name").
            const AnsiString saved = propPath_;
            propPath_ = propPath_ + p->Name + ".";
            TPersistent* savedAncestor = Ancestor();
            SetAncestor(nullptr);
            try {
                WriteProperties(nested);
            } catch (...) {
                propPath_ = saved;
                SetAncestor(savedAncestor);
                throw;
            }
            propPath_ = saved;
            SetAncestor(savedAncestor);
        }
        return;
    }
    // What cannot be set again is not written.
    const bool writable = p->SetOrd || p->SetFloat || p->SetStr || p->SetVariant;
    if (!writable || sameAsAncestor(instance, p)) return;
    if (isOrdinalKind(k)) {
        WritePropName(p->Name);
        WriteInteger(GetOrdProp(instance, p));
    } else if (k == tkEnumeration) {
        const long long v = GetOrdProp(instance, p);
        WritePropName(p->Name);
        if (isBooleanType(p->PropType)) WriteBoolean(v != 0);
        else if (v >= 0 && v < static_cast<long long>(p->PropType->EnumNames.size()))
            WriteIdent(p->PropType->EnumNames[static_cast<std::size_t>(v)]);
        else WriteInteger(v);
    } else if (k == tkSet) {
        const long long bits = GetOrdProp(instance, p);
        WritePropName(p->Name);
        WriteValue(vaSet);
        const auto& names = p->PropType->EnumNames;
        for (std::size_t i = 0; i < names.size() && i < 63; ++i)
            if (bits & (1LL << i)) WriteStr(names[i]);
        WriteStr(AnsiString());
    } else if (k == tkFloat) {
        const double v = GetFloatProp(instance, p);
        WritePropName(p->Name);
        if (isDateType(p->PropType)) WriteDate(v);
        else if (isCurrencyType(p->PropType)) WriteCurrency(Currency(v));
        else WriteFloat(v);
    } else if (isStringKind(k)) {
        WritePropName(p->Name);
        WriteString(GetStrProp(instance, p));
    } else if (k == tkVariant) {
        WritePropName(p->Name);
        WriteVariant(GetVariantProp(instance, p));
    }
}

void TWriter::WriteProperties(TPersistent* instance) {
    if (!instance) return;
    for (PPropInfo p : GetPropList(ClassTypeInfo(instance->ClassType()))) WriteProperty(instance, p);
    Streaming::defineProperties(instance, this);
}

void TWriter::WriteBinary(const void* data, long long size) {
    WriteValue(vaBinary);
    const auto n = static_cast<std::uint32_t>(size);
    writeBytes(&n, sizeof n);
    if (n > 0) writeBytes(data, n);
}

void TWriter::WriteComponentHeader(TComponent* c) {
    // The prefix byte carries its marker in the high bits, so that a component never reads as the
    // end of the list it stands in.
    const std::uint8_t flags = kPrefixMarker;
    writeBytes(&flags, 1);
    WriteStr(c->ClassName());
    WriteStr(c->Name());
}

void TWriter::WriteComponent(TComponent* c) {
    if (!c) return;
    const TComponentState state = c->ComponentState();
    c->SetComponentState(state | csWriting);
    try {
        WriteComponentHeader(c);
        WriteProperties(c);
        WriteListEnd();
        if (!IgnoreChildren()) Streaming::children(c, [this](TComponent* child) { WriteComponent(child); }, Root());
        WriteListEnd();
    } catch (...) {
        c->SetComponentState(state);
        throw;
    }
    c->SetComponentState(state);
}

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor) {
    SetRoot(root);
    SetLookupRoot(root);
    SetAncestor(ancestor);
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteRootComponent(TComponent* root) { WriteDescendent(root, nullptr); }

void TWriter::WriteCollection(TCollection* collection) {
    WriteValue(vaCollection);
    TPersistent* savedAncestor = Ancestor();
    const AnsiString savedPath = propPath_;
    SetAncestor(nullptr);
    propPath_ = AnsiString();
    try {
        if (collection) {
            for (int i = 0; i < collection->Count(); ++i) {
                WriteListBegin();
                WriteProperties(collection->Items(i));
                WriteListEnd();
            }
        }
        WriteListEnd();
    } catch (...) {
        SetAncestor(savedAncestor);
        propPath_ = savedPath;
        throw;
    }
    SetAncestor(savedAncestor);
    propPath_ = savedPath;
}

void TWriter::DefineProperty(const AnsiString& name, TReaderProc, TWriterProc writeData, bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString& name, TStreamProc, TStreamProc writeData, bool hasData) {
    if (!hasData || !writeData) return;
    TMemoryStream data;
    writeData(&data);
    WritePropName(name);
    WriteBinary(data.Memory(), data.Size());
}

// ---- TReader ---------------------------------------------------------------------------------------

TReader::TReader(TStream* stream, int /*bufSize*/) : TFiler(stream) {}
TReader::~TReader() = default;

void TReader::readBytes(void* data, std::size_t n) {
    // A stream cut short raises EReadError here.
    Stream()->ReadBuffer(data, static_cast<long long>(n));
}

template <class T>
T TReader::readNumber() {
    T v{};
    readBytes(&v, sizeof v);
    return v;
}

void TReader::ReadSignature() {
    char sig[sizeof kSignature];
    readBytes(sig, sizeof sig);
    if (std::memcmp(sig, kSignature, sizeof sig) != 0) throw EFilerError("Поток не является потоком компонентов");
    const auto version = readNumber<std::uint8_t>();
    if (version > kVersion)
        throw EFilerError("Поток компонентов версии " + std::to_string(version) + " новее, чем читает программа (" +
                          std::to_string(kVersion) + ")");
}

TValueType TReader::ReadValue() {
    const auto b = readNumber<std::uint8_t>();
    if (b > vaVariantNull) invalidValue();
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    const TValueType v = ReadValue();
    Stream()->Seek(-1, soCurrent);
    return v;
}

// The end marker is one zero byte; anything else starts the next entry, which need not be a value
// (a property name's length comes first, and may be any byte; a component's prefix byte, which no
// value tag has, may come next too). Peeked raw for that reason.
bool TReader::EndOfList() {
    const auto b = readNumber<std::uint8_t>();
    Stream()->Seek(-1, soCurrent);
    return b == vaNull;
}

void TReader::CheckValue(TValueType value) {
    if (ReadValue() != value) {
        Stream()->Seek(-1, soCurrent);
        invalidValue();
    }
}

void TReader::ReadListBegin() { CheckValue(vaList); }
void TReader::ReadListEnd() { CheckValue(vaNull); }

AnsiString TReader::ReadStr() {
    const auto n = readNumber<std::uint32_t>();
    // A length beyond what is left is a cut stream, not a reason to allocate it.
    if (static_cast<long long>(n) > Stream()->Size() - Stream()->Position()) throw EReadError("Поток компонентов оборван");
    std::string s(n, '\0');
    if (n > 0) readBytes(s.data(), n);
    return AnsiString(std::move(s));
}

long long TReader::ReadInteger() {
    switch (ReadValue()) {
    case vaInt8: return readNumber<std::int8_t>();
    case vaInt16: return readNumber<std::int16_t>();
    case vaInt32: return readNumber<std::int32_t>();
    case vaInt64: return readNumber<std::int64_t>();
    default: Stream()->Seek(-1, soCurrent); invalidValue();
    }
}

bool TReader::ReadBoolean() {
    const TValueType v = ReadValue();
    if (v == vaTrue) return true;
    if (v == vaFalse) return false;
    Stream()->Seek(-1, soCurrent);
    invalidValue();
}

char32_t TReader::ReadChar() { return static_cast<char32_t>(ReadInteger()); }

double TReader::ReadFloat() {
    switch (NextValue()) {
    case vaExtended:
    case vaDate:
        ReadValue();
        return readNumber<double>();
    case vaCurrency: return ReadCurrency().ToDouble();
    default: return static_cast<double>(ReadInteger());
    }
}

Currency TReader::ReadCurrency() {
    if (NextValue() == vaCurrency) {
        ReadValue();
        return Currency::FromRaw(readNumber<std::int64_t>());
    }
    return Currency(ReadFloat());
}

TDateTime TReader::ReadDate() { return ReadFloat(); }

AnsiString TReader::ReadString() {
    CheckValue(vaUTF8String);
    return ReadStr();
}

AnsiString TReader::ReadIdent() {
    switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaVariantNull: return "Null";
    default: Stream()->Seek(-1, soCurrent); invalidValue();
    }
}

Variant TReader::ReadVariant() {
    switch (NextValue()) {
    case vaNil: ReadValue(); return Variant();
    case vaVariantNull: ReadValue(); return Variant::Null();
    case vaFalse:
    case vaTrue: return Variant(ReadBoolean());
    case vaInt8:
    case vaInt16:
    case vaInt32: return Variant(static_cast<int>(ReadInteger()));
    case vaInt64: return Variant(ReadInteger());
    case vaCurrency: return Variant(ReadCurrency());
    case vaDate: return Variant::FromDateTime(ReadDate());
    case vaExtended: return Variant(ReadFloat());
    case vaUTF8String: return Variant(ReadString());
    default: invalidValue();
    }
}

void TReader::SkipSetBody() {
    while (!ReadStr().IsEmpty()) {
    }
}

void TReader::SkipValue() {
    switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
    case vaVariantNull: break;
    case vaList:
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        break;
    case vaInt8: readNumber<std::int8_t>(); break;
    case vaInt16: readNumber<std::int16_t>(); break;
    case vaInt32: readNumber<std::int32_t>(); break;
    case vaInt64:
    case vaCurrency: readNumber<std::int64_t>(); break;
    case vaExtended:
    case vaDate: readNumber<double>(); break;
    case vaUTF8String:
    case vaIdent: ReadStr(); break;
    case vaBinary: {
        const auto n = readNumber<std::uint32_t>();
        if (static_cast<long long>(n) > Stream()->Size() - Stream()->Position()) throw EReadError("Поток компонентов оборван");
        Stream()->Seek(n, soCurrent);
        break;
    }
    case vaSet: SkipSetBody(); break;
    case vaCollection:
        // Items: an optional order number, then a list of named properties.
        while (!EndOfList()) {
            const TValueType t = NextValue();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64) ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        break;
    }
}

void TReader::ReadPrefix(unsigned& flags, int& childPos) {
    const auto prefix = readNumber<std::uint8_t>();
    if ((prefix & 0xF0) != kPrefixMarker) invalidValue();
    flags = prefix & 0x0F;
    childPos = 0;
    if (flags & 2) childPos = static_cast<int>(ReadInteger());
}

bool TReader::Error(const AnsiString& message) {
    bool handled = false;
    if (OnError) OnError(this, message, handled);
    return handled;
}

void TReader::PropertyError(const AnsiString& name) { throw EReadError("Свойство " + name + " не существует"); }

long long TReader::ReadSet(PTypeInfo type) {
    CheckValue(vaSet);
    long long bits = 0;
    try {
        for (;;) {
            const AnsiString name = ReadStr();
            if (name.IsEmpty()) break;
            std::size_t i = 0;
            const auto& names = type ? type->EnumNames : std::vector<AnsiString>();
            while (i < names.size() && !SameText(names[i], name)) ++i;
            if (i >= names.size() || i >= 63) invalidValue();
            bits |= 1LL << i;
        }
    } catch (...) {
        // The rest of the set goes before the error does.
        try {
            SkipSetBody();
        } catch (...) {
        }
        throw;
    }
    return bits;
}

TComponent* TReader::findReference(const AnsiString& name) const {
    TComponent* root = LookupRoot() ? LookupRoot() : Root();
    if (!root) return nullptr;
    if (SameText(name, "Owner")) return root;
    TComponent* c = root;
    int pos = 1;
    AnsiString rest = name;
    while (c && !rest.IsEmpty()) {
        pos = rest.Pos(".");
        AnsiString part = pos == 0 ? rest : rest.SubString(1, pos - 1);
        rest = pos == 0 ? AnsiString() : rest.SubString(pos + 1, rest.Length() - pos);
        c = c->FindComponent(part);
    }
    return c;
}

void TReader::ReadPropValue(TPersistent* instance, PPropInfo p) {
    const PTypeInfo type = p->PropType;
    const TTypeKind k = type ? type->Kind : tkUnknown;
    if (k == tkClass) {
        switch (NextValue()) {
        case vaNil:
            ReadValue();
            if (!p->SetObject) throw EPropertyError("Свойство " + p->Name + " только для чтения");
            SetObjectProp(instance, p, nullptr);
            return;
        case vaCollection: {
            ReadValue();
            auto* col = dynamic_cast<TCollection*>(p->GetObject ? p->GetObject(instance) : nullptr);
            if (!col) invalidValue();
            ReadCollection(col);
            return;
        }
        case vaIdent: {
            const AnsiString ref = ReadIdent();
            if (!p->SetObject) throw EPropertyError("Свойство " + p->Name + " только для чтения");
            TComponent* c = findReference(ref);
            if (!c) throw EReadError("Компонент " + ref + " не найден");
            SetObjectProp(instance, p, c);
            return;
        }
        default: invalidValue();
        }
    }
    const bool writable = p->SetOrd || p->SetFloat || p->SetStr || p->SetVariant;
    if (!writable) throw EPropertyError("Свойство " + p->Name + " только для чтения");
    if (isOrdinalKind(k)) {
        SetOrdProp(instance, p, ReadInteger());
    } else if (k == tkEnumeration) {
        if (isBooleanType(type)) {
            SetOrdProp(instance, p, ReadBoolean() ? 1 : 0);
        } else if (NextValue() == vaIdent) {
            const AnsiString name = ReadIdent();
            const auto& names = type->EnumNames;
            std::size_t i = 0;
            while (i < names.size() && !SameText(names[i], name)) ++i;
            if (i >= names.size()) invalidValue();
            SetOrdProp(instance, p, static_cast<long long>(i));
        } else {
            // A number stored for an enumeration names one of its values or none.
            const long long v = ReadInteger();
            if (!type->EnumNames.empty() && (v < 0 || v >= static_cast<long long>(type->EnumNames.size())))
                invalidValue();
            SetOrdProp(instance, p, v);
        }
    } else if (k == tkSet) {
        SetOrdProp(instance, p, ReadSet(type));
    } else if (k == tkFloat) {
        SetFloatProp(instance, p, ReadFloat());
    } else if (isStringKind(k)) {
        SetStrProp(instance, p, ReadString());
    } else if (k == tkVariant) {
        SetVariantProp(instance, p, ReadVariant());
    } else {
        invalidValue();
    }
}

void TReader::ReadProperty(TPersistent* instance) {
    const AnsiString path = ReadStr();
    const long long valueAt = Stream()->Position();
    try {
        // Owned objects' properties come as "Object.Property".
        TPersistent* obj = instance;
        AnsiString rest = path;
        for (int dot = rest.Pos("."); dot > 0; dot = rest.Pos(".")) {
            const AnsiString part = rest.SubString(1, dot - 1);
            rest = rest.SubString(dot + 1, rest.Length() - dot);
            PPropInfo p = GetPropInfo(obj, part);
            if (!p) PropertyError(part);
            obj = p->PropType && p->PropType->Kind == tkClass ? dynamic_cast<TPersistent*>(GetObjectProp(obj, p)) : nullptr;
            if (!obj) throw EReadError("Неверный путь свойства " + path);
        }
        if (PPropInfo p = GetPropInfo(obj, rest)) {
            ReadPropValue(obj, p);
            return;
        }
        propName_ = rest;
        propHandled_ = false;
        Streaming::defineProperties(obj, this);
        if (!propHandled_) PropertyError(rest);
    } catch (const Exception& e) {
        const AnsiString owner = dynamic_cast<TComponent*>(instance) ? static_cast<TComponent*>(instance)->Name() : AnsiString();
        const AnsiString message = "Ошибка чтения " + (owner.IsEmpty() ? instance->ClassName() : owner) + "." + path + ": " + e.Message();
        // A value not yet read is skipped; one read in part leaves the stream where it cannot go on.
        if (Stream()->Position() != valueAt || !Error(message)) throw EReadError(message);
        SkipValue();
    }
}

void TReader::DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc, bool) {
    if (propHandled_ || !readData || !SameText(name, propName_)) return;
    propHandled_ = true;
    readData(this);
}

void TReader::DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc, bool) {
    if (propHandled_ || !readData || !SameText(name, propName_)) return;
    propHandled_ = true;
    TMemoryStream data;
    ReadBinary(data);
    readData(&data);
}

void TReader::ReadBinary(TMemoryStream& data) {
    CheckValue(vaBinary);
    const auto n = readNumber<std::uint32_t>();
    if (static_cast<long long>(n) > Stream()->Size() - Stream()->Position()) throw EReadError("Поток компонентов оборван");
    data.SetSize(n);
    if (n > 0) readBytes(data.Memory(), n);
    data.SetPosition(0);
}

void TReader::ReadCollection(TCollection* collection) {
    collection->BeginUpdate();
    try {
        if (!EndOfList()) collection->Clear();
        while (!EndOfList()) {
            const TValueType t = NextValue();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64) ReadInteger();
            TCollectionItem* item = collection->Add();
            ReadListBegin();
            while (!EndOfList()) ReadProperty(item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

TComponent* TReader::ReadComponent(TComponent* component) {
    const bool outermost = loaded_.empty();
    unsigned flags = 0;
    int childPos = 0;
    ReadPrefix(flags, childPos);
    const AnsiString className = ReadStr();
    const AnsiString name = ReadStr();
    TComponent* c = component;
    bool made = false;
    if (!c) {
        const ClassEntry* e = findEntry(className);
        if (!e) throw EClassNotFound("Класс " + className + " не найден");
        c = e->make(owner_);
        made = true;
    }
    if (!Root()) SetRoot(c);
    loaded_.push_back(c);
    c->SetComponentState(c->ComponentState() | csLoading | csReading);
    TComponent* savedOwner = owner_;
    TComponent* savedParent = parent_;
    try {
        if (!name.IsEmpty() && (made || c->Name().IsEmpty())) c->SetName(name);
        Streaming::updating(c);
        while (!EndOfList()) ReadProperty(c);
        ReadListEnd();
        TComponent* childOwner = Streaming::childOwner(c);
        owner_ = childOwner ? childOwner : c;
        parent_ = Streaming::childParent(c);
        while (!EndOfList()) ReadComponent(nullptr);
        ReadListEnd();
        owner_ = savedOwner;
        parent_ = savedParent;
        Streaming::updated(c);
    } catch (...) {
        owner_ = savedOwner;
        parent_ = savedParent;
        Streaming::updated(c);
        c->SetComponentState(c->ComponentState() & ~(csLoading | csReading));
        if (made) {
            // Whatever this component made is freed with it; nothing of it stays on the list.
            loaded_.erase(std::remove_if(loaded_.begin(), loaded_.end(),
                                         [&](TComponent* x) {
                                             for (TComponent* o = x; o; o = o->Owner())
                                                 if (o == c) return true;
                                             return false;
                                         }),
                          loaded_.end());
            delete c;
        }
        if (outermost) {
            for (TComponent* x : loaded_) x->SetComponentState(x->ComponentState() & ~(csLoading | csReading));
            loaded_.clear();
        }
        throw;
    }
    if (outermost) {
        // Everything read learns it is complete, in the order it was read.
        std::vector<TComponent*> done;
        done.swap(loaded_);
        for (TComponent* x : done) x->SetComponentState(x->ComponentState() & ~(csLoading | csReading));
        for (TComponent* x : done) x->Loaded();
    }
    return c;
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
    ReadSignature();
    if (root) {
        SetRoot(root);
        SetLookupRoot(root);
    }
    TComponent* r = ReadComponent(root);
    SetLookupRoot(r);
    return r;
}

// ---- Collections compared ----------------------------------------------------------------------------

bool CollectionsEqual(TCollection* c1, TCollection* c2, TComponent* owner1, TComponent* owner2) {
    if (c1 == c2) return true;
    if (!c1 || !c2 || c1->Count() != c2->Count()) return false;
    auto streamOf = [](TCollection* c, TComponent* owner, TMemoryStream& out) {
        TWriter w(&out);
        w.SetRoot(owner);
        w.SetLookupRoot(owner);
        w.WriteCollection(c);
    };
    TMemoryStream a, b;
    streamOf(c1, owner1, a);
    streamOf(c2, owner2, b);
    return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), static_cast<std::size_t>(a.Size())) == 0;
}

// ---- Streams -----------------------------------------------------------------------------------------

void TStream::WriteComponent(TComponent* instance) { WriteDescendent(instance, nullptr); }

void TStream::WriteDescendent(TComponent* instance, TComponent* ancestor) {
    TWriter writer(this);
    writer.WriteDescendent(instance, ancestor);
}

TComponent* TStream::ReadComponent(TComponent* instance) {
    TReader reader(this);
    return reader.ReadRootComponent(instance);
}
