// Objects, components and ownership; string lists; the basic event types.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/Closure.h"
#include "rtl/SysUtils.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class TObject;
class TPersistent;
class TComponent;
class TStrings;
class TStream;
class TFiler;
class TReader;
class TWriter;

// What a class is at run time: its name and its parent class (nullptr above TObject). The
// published-property registry (rtl/TypInfo.h) is keyed by it.
struct TMetaClass {
    const char* Name;
    const TMetaClass* Parent;
};
using TClass = const TMetaClass*;

// Every class that is looked up by name ("TOutField", "TLabel") declares itself with this macro:
// ClassName() answers the exact name, InheritsFrom() walks the chain, ClassType() is the class.
#define PLANTMON_CLASS(Name, Parent)                                                       \
public:                                                                                    \
    static const char* StaticClassName() { return #Name; }                                 \
    static TClass StaticClass() {                                                          \
        static const TMetaClass meta{#Name, Parent::StaticClass()};                        \
        return &meta;                                                                      \
    }                                                                                      \
    TClass ClassType() const override { return StaticClass(); }                            \
    AnsiString ClassName() const override { return #Name; }                                \
    bool InheritsFrom(const AnsiString& n) const override {                                \
        return SameText(n, #Name) || Parent::InheritsFrom(n);                              \
    }                                                                                      \
                                                                                           \
private:

class TObject {
public:
    virtual ~TObject() = default;
    static const char* StaticClassName() { return "TObject"; }
    static TClass StaticClass() {
        static const TMetaClass meta{"TObject", nullptr};
        return &meta;
    }
    virtual TClass ClassType() const { return StaticClass(); }
    virtual AnsiString ClassName() const { return "TObject"; }
    virtual bool InheritsFrom(const AnsiString& n) const { return SameText(n, "TObject"); }
    bool ClassNameIs(const AnsiString& n) const { return SameText(ClassName(), n); }
};

// Event types used throughout.
using TNotifyEvent = TClosure<void(TObject* Sender)>;

// Shift state of keys and mouse buttons.
enum TShiftStateBit : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

enum TOperation { opInsert, opRemove };

// Horizontal text alignment, shared by controls and dataset fields.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TComponentStateBit : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
    csFreeNotification = 1u << 8,
    csInline = 1u << 9,
    csDesignInstance = 1u << 10,
};
using TComponentState = unsigned;

// What kind of component it is: csSubComponent marks one that an object property of its owner
// holds as a part of it (streamed with the property, not as a reference).
enum TComponentStyleBit : unsigned {
    csInheritable = 1u << 0,
    csCheckPropAvail = 1u << 1,
    csSubComponent = 1u << 2,
};
using TComponentStyle = unsigned;

class TPersistent : public TObject {
    PLANTMON_CLASS(TPersistent, TObject)
public:
    // Copies the state of source; raises EConvertError ("Cannot assign a X to a Y") when neither side
    // knows how.
    virtual void Assign(TPersistent* source);
    virtual TPersistent* GetOwner() { return nullptr; }
    virtual AnsiString GetNamePath() const { return ClassName(); }

protected:
    virtual void AssignTo(TPersistent* dest);
    // Properties the object streams itself, beside its published ones (filer->DefineProperty).
    virtual void DefineProperties(TFiler* filer) { (void)filer; }
};

// Called with each child a component streams with itself.
using TGetChildProc = TClosure<void(TComponent* Child)>;

// A component belongs to its owner, which frees it; Components() keeps the order of creation.
class TComponent : public TPersistent {
    PLANTMON_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return owner_; }
    const AnsiString& Name() const noexcept { return name_; }
    virtual void SetName(const AnsiString& name);
    long Tag() const noexcept { return tag_; }
    void SetTag(long t) noexcept { tag_ = t; }

    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int i) const;
    int ComponentIndex() const;
    // Case-insensitive lookup among the owned components; nullptr when absent.
    TComponent* FindComponent(const AnsiString& name) const;
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    // Frees every owned component, newest first.
    void DestroyComponents();

    TComponentState ComponentState() const noexcept { return state_; }
    void SetComponentState(TComponentState s) noexcept { state_ = s; }
    bool Destroying() const noexcept { return (state_ & csDestroying) != 0; }
    TComponentStyle ComponentStyle() const noexcept { return style_; }
    void SetSubComponent(bool value) noexcept {
        if (value) style_ |= csSubComponent;
        else style_ &= ~csSubComponent;
    }

    // Asks c to tell this component when it is freed (Notification(c, opRemove)).
    void FreeNotification(TComponent* c);
    void RemoveFreeNotification(TComponent* c);

    TPersistent* GetOwner() override { return owner_; }

    // Called after the component's properties have been set up by its form.
    virtual void Loaded();

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Component streaming: the children written with this component (none by default), the owner
    // and parent of children read into it, the ancestor state, the order of a child read back, and
    // the brackets around properties being read (csUpdating).
    virtual void GetChildren(TGetChildProc proc, TComponent* root) { (void)proc, (void)root; }
    virtual TComponent* GetChildOwner() { return nullptr; }
    virtual TComponent* GetChildParent() { return this; }
    virtual void SetAncestor(bool value);
    virtual void SetChildOrder(TComponent* child, int order) { (void)child, (void)order; }
    virtual void Updating() { state_ |= csUpdating; }
    virtual void Updated() { state_ &= ~csUpdating; }
    // Sets csDestroying here and in every owned component.
    void Destroying_();

private:
    TComponent* owner_ = nullptr;
    AnsiString name_;
    long tag_ = 0;
    TComponentState state_ = 0;
    TComponentStyle style_ = csInheritable;
    std::vector<TComponent*> components_;
    std::set<TComponent*> freeNotifies_;
};

// A component of the program that is reached by its name from anywhere (a form by its Name), as a
// stream's component references of the form "Form.Component" need: the procedures registered are
// asked in turn, the first answer wins; nullptr when none knows the name.
using TFindGlobalComponent = std::function<TComponent*(const AnsiString& name)>;
TComponent* FindGlobalComponent(const AnsiString& name);
// Returns a key that UnregisterFindGlobalComponentProc takes.
int RegisterFindGlobalComponentProc(TFindGlobalComponent proc);
void UnregisterFindGlobalComponentProc(int key);

// ---- String lists --------------------------------------------------------------------------------

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    PLANTMON_CLASS(TStrings, TPersistent)
public:
    virtual int Count() const = 0;
    virtual AnsiString Get(int index) const = 0;
    virtual void Put(int index, const AnsiString& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* obj);
    virtual void Insert(int index, const AnsiString& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    AnsiString Strings(int index) const { return Get(index); }
    AnsiString operator[](int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }

    virtual int Add(const AnsiString& s);
    int AddObject(const AnsiString& s, TObject* obj);
    void InsertObject(int index, const AnsiString& s, TObject* obj);
    void AddStrings(const TStrings* other);
    void Append(const AnsiString& s) { Add(s); }
    virtual int IndexOf(const AnsiString& s) const;  // case-insensitive
    int IndexOfName(const AnsiString& name) const;
    int IndexOfObject(TObject* obj) const;
    virtual void Move(int cur, int to);
    void Exchange(int a, int b);

    // "name=value" lines
    AnsiString Names(int index) const;
    AnsiString ValueFromIndex(int index) const;
    AnsiString Values(const AnsiString& name) const;
    void SetValue(const AnsiString& name, const AnsiString& value);  // empty value removes the line

    // Lines joined with "\r\n" (each line ends with one); setting splits at CR, LF or CRLF.
    AnsiString Text() const;
    void SetText(const AnsiString& text);
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& text);
    char Delimiter() const noexcept { return delimiter_; }
    void SetDelimiter(char c) noexcept { delimiter_ = c; }
    char QuoteChar() const noexcept { return quoteChar_; }
    void SetQuoteChar(char c) noexcept { quoteChar_ = c; }
    bool StrictDelimiter() const noexcept { return strictDelimiter_; }
    void SetStrictDelimiter(bool b) noexcept { strictDelimiter_ = b; }
    AnsiString DelimitedText() const;
    void SetDelimitedText(const AnsiString& text);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

    void LoadFromFile(const AnsiString& fileName);  // UTF-8, or Windows-1251 when not valid UTF-8
    void SaveToFile(const AnsiString& fileName) const;
    // From the stream's position to its end, with the same encoding rules as LoadFromFile.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;  // Text in UTF-8 at the stream's position

    void Assign(TPersistent* source) override;
    bool Equals(const TStrings* other) const;

protected:
    virtual void SetUpdateState(bool updating);
    // A list streams its lines as the property "Strings".
    void DefineProperties(TFiler* filer) override;

private:
    char delimiter_ = ',';
    char quoteChar_ = '"';
    bool strictDelimiter_ = false;
    int updateCount_ = 0;
};

class TStringList : public TStrings {
    PLANTMON_CLASS(TStringList, TStrings)
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const AnsiString& s) override;
    int IndexOf(const AnsiString& s) const override;
    void Move(int cur, int to) override;

    // Room for this many strings without growing (never less than Count).
    int Capacity() const noexcept { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int n) {
        if (n > Count()) items_.reserve(static_cast<std::size_t>(n));
    }
    bool Sorted() const noexcept { return sorted_; }
    void SetSorted(bool b);
    bool CaseSensitive() const noexcept { return caseSensitive_; }
    void SetCaseSensitive(bool b);
    TDuplicates Duplicates() const noexcept { return duplicates_; }
    void SetDuplicates(TDuplicates d) noexcept { duplicates_ = d; }
    // When set, the list frees its objects on Delete/Clear/destruction.
    bool OwnsObjects() const noexcept { return ownsObjects_; }
    void SetOwnsObjects(bool b) noexcept { ownsObjects_ = b; }

    // Binary search of a sorted list: true and the index when found, else the insertion index.
    bool Find(const AnsiString& s, int& index) const;
    virtual void Sort();
    void CustomSort(std::function<int(TStringList*, int, int)> compare);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();

private:
    struct Item {
        AnsiString s;
        TObject* obj = nullptr;
    };
    int compare(const AnsiString& a, const AnsiString& b) const;
    void checkIndex(int index) const;
    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    bool ownsObjects_ = false;
    TDuplicates duplicates_ = dupIgnore;
};

// ---- Pointer lists -------------------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// An ordered list of untyped pointers. Index errors raise EListError.
class TList : public TObject {
    PLANTMON_CLASS(TList, TObject)
public:
    TList() = default;
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    void* Items(int index) const;
    void* operator[](int index) const { return Items(index); }
    void SetItem(int index, void* item);
    int Capacity() const noexcept { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int n);

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    int Remove(void* item);   // index it had, -1 when absent
    void* Extract(void* item);  // removed without the lnDeleted notification
    int IndexOf(void* item) const;
    void Clear();
    void Exchange(int a, int b);
    void Move(int cur, int to);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }
    void Pack();  // drops the nil entries
    // compare(a, b) < 0 when a sorts first.
    void Sort(const std::function<int(void*, void*)>& compare);

protected:
    virtual void Notify(void* ptr, TListNotification action);

private:
    void checkIndex(int index) const;
    std::vector<void*> items_;
};

// ---- Collections ---------------------------------------------------------------------------------

class TCollection;
enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An item belongs to at most one collection; creating it with a collection adds it there, and
// destroying it removes it.
class TCollectionItem : public TPersistent {
    PLANTMON_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const noexcept { return collection_; }
    virtual void SetCollection(TCollection* collection);
    int ID() const noexcept { return id_; }
    int Index() const;
    // Moves the item to that position; the collection is told that all items changed.
    virtual void SetIndex(int index);
    AnsiString DisplayName() const { return GetDisplayName(); }
    virtual AnsiString GetDisplayName() const { return ClassName(); }
    virtual void SetDisplayName(const AnsiString&) { Changed(false); }
    TPersistent* GetOwner() override;
    AnsiString GetNamePath() const override;

protected:
    // Tells the collection this item (allItems false) or every item changed, unless updates are held.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

// Makes a new item of the collection's item class, already added to the collection.
using TCollectionItemClass = std::function<TCollectionItem*(TCollection*)>;
template <class T>
TCollectionItemClass CollectionItemClassOf() {
    return [](TCollection* c) -> TCollectionItem* { return new T(c); };
}

class TCollection : public TPersistent {
    PLANTMON_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(TCollectionItemClass itemClass);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    // Copies value into the item at index (Assign).
    void SetItem(int index, TCollectionItem* value);
    TCollectionItem* FindItemID(int id) const;
    const TCollectionItemClass& ItemClass() const noexcept { return itemClass_; }
    int NextID() const noexcept { return nextId_; }

    // Hold Update notifications; the last EndUpdate sends one Update(nullptr).
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

    // Replaces the items with copies of source's items (each new item Assign'ed).
    void Assign(TPersistent* source) override;
    AnsiString GetNamePath() const override;

protected:
    // item == nullptr: the whole collection changed.
    virtual void Update(TCollectionItem* item) { (void)item; }
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) { (void)item, (void)action; }
    virtual void SetItemName(TCollectionItem* item) { (void)item; }
    // Update(nullptr) unless updates are held.
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    TCollectionItemClass itemClass_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
    int nextId_ = 0;
};

// A collection with an owner, which GetOwner answers.
class TOwnedCollection : public TCollection {
    PLANTMON_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
        : TCollection(std::move(itemClass)), owner_(owner) {}
    TPersistent* GetOwner() override { return owner_; }

private:
    TPersistent* owner_;
};

// ---- Filers --------------------------------------------------------------------------------------
using TReaderProc = TClosure<void(TReader* Reader)>;
using TWriterProc = TClosure<void(TWriter* Writer)>;
using TStreamProc = TClosure<void(TStream* Stream)>;

// The common part of the component-stream reader and writer: the stream, the component at the root
// of what is streamed and its ancestor, and the properties an object streams itself
// (DefineProperties): the filer reads or writes each through the procedures given, and a writer
// leaves out a property whose hasData is false.
class TFiler : public TObject {
    PLANTMON_CLASS(TFiler, TObject)
public:
    explicit TFiler(TStream* stream) : stream_(stream) {}
    TStream* Stream() const noexcept { return stream_; }
    TComponent* Root() const noexcept { return root_; }
    virtual void SetRoot(TComponent* root) { root_ = root; }
    TComponent* LookupRoot() const noexcept { return lookupRoot_; }
    void SetLookupRoot(TComponent* root) { lookupRoot_ = root; }
    TPersistent* Ancestor() const noexcept { return ancestor_; }
    void SetAncestor(TPersistent* ancestor) { ancestor_ = ancestor; }
    bool IgnoreChildren() const noexcept { return ignoreChildren_; }
    void SetIgnoreChildren(bool b) { ignoreChildren_ = b; }

    virtual void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) = 0;
    virtual void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                                      bool hasData) = 0;
    virtual void FlushBuffer() = 0;

private:
    TStream* stream_;
    TComponent* root_ = nullptr;
    TComponent* lookupRoot_ = nullptr;
    TPersistent* ancestor_ = nullptr;
    bool ignoreChildren_ = false;
};
