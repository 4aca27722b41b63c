// The component stream: components, their published properties (rtl/TypInfo.h), the properties they
// define themselves (DefineProperties) and their collections, written to a TStream and read back.
//
// The layout is the program's own: a signature and a version, then one component. A component is
// its class name and name, its properties (each a name and a tagged value) up to an end-of-list
// marker, and its children up to another. Values carry a tag (TValueType); numbers are
// little-endian, texts UTF-8 with their length in bytes in front. A collection is a collection value
// holding one list of properties per item. Nothing from elsewhere is read and nothing else reads
// it; a stream with another signature, of a newer version or cut short raises.
#pragma once

#include "rtl/Classes.h"
#include "rtl/Currency.h"
#include "rtl/Streams.h"
#include "rtl/TypInfo.h"
#include "rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <vector>

// The tag in front of each value.
enum TValueType : std::uint8_t {
    vaNull = 0,  // the end of a list
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaInt64,
    vaExtended,  // a double
    vaCurrency,
    vaDate,
    vaUTF8String,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,  // member names up to an empty one
    vaNil,
    vaCollection,
    vaVariantNull,  // a Null Variant
};

// What TReader::ReadComponent makes for a class name it finds in the stream.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
// Makes a class known to readers by its name.
void RegisterComponentClass(TClass cls, TComponentFactory make);
template <class T>
void RegisterClass() {
    RegisterComponentClass(T::StaticClass(), [](TComponent* owner) -> TComponent* { return new T(owner); });
}
// The registered class of that name (case-insensitive); FindClass raises EClassNotFound.
TClass GetClass(const AnsiString& name);
TClass FindClass(const AnsiString& name);
PLANTMON_EXCEPTION(EClassNotFound, EFilerError);

class TWriter : public TFiler {
    PLANTMON_CLASS(TWriter, TFiler)
public:
    // bufSize is accepted for the callers' sake: the writer writes through to the stream.
    explicit TWriter(TStream* stream, int bufSize = 4096);
    ~TWriter() override;

    // The signature and the version.
    void WriteSignature();
    // The root component (and its children), signature first.
    void WriteRootComponent(TComponent* root);
    // Writes root as it differs from ancestor (nullptr: everything).
    void WriteDescendent(TComponent* root, TComponent* ancestor);
    // One component: header, properties, children.
    void WriteComponent(TComponent* component);
    // The published and defined properties of instance, without an end marker.
    void WriteProperties(TPersistent* instance);
    void WriteCollection(TCollection* collection);

    void WriteListBegin();
    void WriteListEnd();
    void WriteInteger(long long value);
    void WriteBoolean(bool value);
    void WriteChar(char32_t value);
    void WriteFloat(double value);
    void WriteCurrency(Currency value);
    void WriteDate(TDateTime value);
    void WriteString(const AnsiString& value);
    void WriteWideString(const AnsiString& value) { WriteString(value); }
    void WriteIdent(const AnsiString& ident);
    void WriteVariant(const Variant& value);
    // An untagged text (component headers, property names).
    void WriteStr(const AnsiString& value);
    void WriteValue(TValueType value);
    // A block of bytes (the value of a binary property).
    void WriteBinary(const void* data, long long size);
    // What ReadComponent reads before a component's properties: its flags, class name and name.
    void WriteComponentHeader(TComponent* component);

    void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;
    void FlushBuffer() override {}
    long long Position() const { return Stream()->Position(); }

protected:
    // The name of the property about to be written (the path prefix of nested objects in front).
    virtual void WritePropName(const AnsiString& name);
    virtual void WriteProperty(TPersistent* instance, PPropInfo prop);
    // The name a component reference is written as (empty: none can be given).
    AnsiString ReferenceName(TComponent* component) const;
    const AnsiString& PropPath() const { return propPath_; }

private:
    void writeBytes(const void* data, std::size_t n);
    bool sameAsAncestor(TPersistent* instance, PPropInfo prop) const;
    AnsiString propPath_;
};

class TReader : public TFiler {
    PLANTMON_CLASS(TReader, TFiler)
public:
    explicit TReader(TStream* stream, int bufSize = 4096);
    ~TReader() override;

    // Raises EFilerError for another signature or a newer version.
    void ReadSignature();
    // Signature, then the root component into root (made from the stream's class when null).
    TComponent* ReadRootComponent(TComponent* root);
    // One component: into component, else a child of Owner made from the stream's class name.
    TComponent* ReadComponent(TComponent* component);
    void ReadCollection(TCollection* collection);

    TValueType ReadValue();
    TValueType NextValue();
    void SkipValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    void CheckValue(TValueType value);
    long long ReadInteger();
    long long ReadInt64() { return ReadInteger(); }
    bool ReadBoolean();
    char32_t ReadChar();
    double ReadFloat();
    Currency ReadCurrency();
    TDateTime ReadDate();
    AnsiString ReadString();
    AnsiString ReadWideString() { return ReadString(); }
    AnsiString ReadIdent();
    Variant ReadVariant();
    AnsiString ReadStr();
    // A block of bytes written by WriteBinary, into data (replacing its content, position 0).
    void ReadBinary(TMemoryStream& data);
    // The flags and position in front of a component.
    void ReadPrefix(unsigned& flags, int& childPos);

    TComponent* Owner() const noexcept { return owner_; }
    void SetOwner(TComponent* owner) { owner_ = owner; }
    TComponent* Parent() const noexcept { return parent_; }
    void SetParent(TComponent* parent) { parent_ = parent; }

    void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;
    void FlushBuffer() override {}

    // A property that could not be read: true lets the reader skip it, false (the default, unless
    // OnError says otherwise) raises.
    std::function<void(TReader* reader, const AnsiString& message, bool& handled)> OnError;

protected:
    virtual bool Error(const AnsiString& message);
    virtual void ReadProperty(TPersistent* instance);
    virtual void ReadPropValue(TPersistent* instance, PPropInfo prop);
    // Reads the set members and gives their bits (member i is bit i).
    long long ReadSet(PTypeInfo type);
    void SkipSetBody();
    void PropertyError(const AnsiString& name);
    // The property being read (what DefineProperty matches).
    const AnsiString& PropName() const { return propName_; }

private:
    void readBytes(void* data, std::size_t n);
    template <class T>
    T readNumber();
    TComponent* findReference(const AnsiString& name) const;
    TComponent* owner_ = nullptr;
    TComponent* parent_ = nullptr;
    AnsiString propName_;
    bool propHandled_ = false;
    std::vector<TComponent*> loaded_;
};

// Whether two collections stream alike (the same items with the same stored properties).
bool CollectionsEqual(TCollection* c1, TCollection* c2, TComponent* owner1 = nullptr, TComponent* owner2 = nullptr);
