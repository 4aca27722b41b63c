// The dataset model: datasets, fields, field definitions, data sources and data links.
//
// A dataset holds its records in memory (every dataset of this system is fully fetched) and shows
// them through a cursor. The records are kept in a base order (the order in which they were loaded
// or inserted); an index (a list of fields to sort by) and a filter derive the view that the
// cursor walks. Records are immutable packed rows shared by reference (TRecordPtr), so a provider
// can hand a query's rows to a client dataset without copying them; an edit works on a copy and
// replaces the stored row when it is posted.
//
// Controls reach a dataset through a TDataSource and one TDataLink each. Every link has its own
// window of records (BufferCount of them) that follows the cursor the way a grid scrolls: moving
// inside the window does not shift it, moving past its edge shifts it just far enough, First and
// Last show the first and the last page, going to a bookmark or a located record centres the record
// ((BufferCount - 1) / 2 rows below the top), and a change of the data (post, cancel, delete,
// refresh, filter) keeps the current record at its row when there are enough records around it.
// Setting a link's ActiveRecord makes every field read from that row of its window without moving
// the cursor; RecNo and Bookmark then report that row's record too. Any navigation first returns
// the cursor to the record being read (as the class library's UpdateCursorPos does).
//
// Event order (links receive DataEvent; TDataSource passes each event on to its links, then fires
// its own OnStateChange / OnDataChange / OnUpdateData):
//   Open:    BeforeOpen, [state -> browse: deUpdateState = links' ActiveChanged], AfterOpen, AfterScroll
//   Close:   BeforeClose, [state -> inactive: deUpdateState], AfterClose (an unposted edit is dropped)
//   Next, Prior, MoveBy: [CheckBrowseMode], BeforeScroll, deDataSetScroll(distance), AfterScroll
//   First, Last, RecNo, GotoBookmark, Locate: [CheckBrowseMode], BeforeScroll, deDataSetChange, AfterScroll
//   Edit:    BeforeEdit, [state -> edit: deUpdateState = links' EditingChanged], deRecordChange, AfterEdit
//   Insert, Append: BeforeInsert, BeforeScroll, [state -> insert: deUpdateState], OnNewRecord,
//            deDataSetChange, AfterInsert, AfterScroll
//   field change: OnValidate (the field reads the new value), store, deFieldChange(field), OnChange
//   Post:    deUpdateRecord (links' UpdateData), deCheckBrowseMode, BeforePost, required-field check,
//            store, [state -> browse: deUpdateState], deDataSetChange, AfterPost
//   Cancel:  deCheckBrowseMode, BeforeCancel, [BeforeScroll when inserting], [state -> browse],
//            deDataSetChange, AfterCancel, [AfterScroll when inserting]
//   Delete:  deCheckBrowseMode, BeforeDelete, BeforeScroll, remove, [state -> browse],
//            deDataSetChange, AfterDelete, AfterScroll
//   Refresh: [CheckBrowseMode], BeforeRefresh, reload, deDataSetChange, AfterRefresh
//   CheckBrowseMode in edit or insert state: deUpdateRecord, then Post when modified, else Cancel.
// While controls are disabled (DisableControls, nested) no link or data source hears anything;
// the windows still follow the cursor. The last EnableControls sends deUpdateState when the state
// changed meanwhile, then deDataSetChange (deLayoutChange when the field list changed).
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/Classes.h"
#include "rtl/Closure.h"
#include "rtl/Currency.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"
#include "rtl/TargetAction.h"
#include "rtl/Variant.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TDataSource;
class TDataLink;

// ---- Errors ------------------------------------------------------------------------------------
PLANTMON_EXCEPTION(EDatabaseError, Exception);

// Raises EDatabaseError; the message is prefixed by the component's name ("Query1: ...") when it
// has one.
[[noreturn]] void DatabaseError(const AnsiString& message, const TComponent* component = nullptr);

// The messages the datasets raise.
namespace DBText {
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* DataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* FieldNotFound = "Field '%s' not found";              // %s: field name
inline constexpr const char* FieldRequired = "Field '%s' must have a value";      // %s: display name
inline constexpr const char* FieldReadOnly = "Field '%s' cannot be modified";     // %s: display name
inline constexpr const char* FieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* FieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* FieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* NotBoolean = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* RecordNotFound = "Record not found";
inline constexpr const char* InvalidBookmark = "Invalid bookmark";
inline constexpr const char* FieldTypeNotSupported = "Field '%s' is of an unsupported type";
inline constexpr const char* DuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* CircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* NoDataProvider = "Missing data provider or data packet";
inline constexpr const char* ApplyBeforeRefresh = "Must apply updates before refreshing data";
inline constexpr const char* FilterSyntax = "Filter expression: %s";  // %s: what is wrong
}  // namespace DBText

// ---- Kinds -------------------------------------------------------------------------------------
enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening,
};

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange,
};

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate,
    ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo,
    ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT,
    ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid,
    ftTimeStamp, ftFMTBcd,
};
// "String", "Integer", ... as used in error messages.
AnsiString FieldTypeName(TFieldType t);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// How a provider treats a field when it resolves changes.
enum TProviderFlag : unsigned { pfInUpdate = 1u << 0, pfInWhere = 1u << 1, pfInKey = 1u << 2, pfHidden = 1u << 3 };
using TProviderFlags = unsigned;

enum TFieldAttribute : unsigned {
    faHiddenCol = 1u << 0,
    faReadonly = 1u << 1,
    faRequired = 1u << 2,
    faLink = 1u << 3,
    faUnNamed = 1u << 4,
    faFixed = 1u << 5,
};
using TFieldAttributes = unsigned;

enum TLocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using TLocateOptions = unsigned;

// Filter options: case-insensitive text comparison; no prefix match for a text ending in '*'.
enum TFilterOption : unsigned { foCaseInsensitive = 1u << 0, foNoPartialCompare = 1u << 1 };
using TFilterOptions = unsigned;

// A bookmark: an opaque byte string. Empty means "no bookmark".
using TBookmark = AnsiString;
using TBookmarkStr = AnsiString;

// ---- Event types -------------------------------------------------------------------------------
using TDataSetNotifyEvent = TClosure<void(TDataSet* DataSet)>;
using TFilterRecordEvent = TClosure<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = TClosure<void(TField* Sender)>;
using TFieldGetTextEvent = TClosure<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = TClosure<void(TField* Sender, const AnsiString& Text)>;
using TDataChangeEvent = TClosure<void(TObject* Sender, TField* Field)>;

// ---- Stored records ----------------------------------------------------------------------------
// How a value sits in a record: a 64-bit integer (integers and Booleans), a double (floats, dates
// and times, FMT-BCD), a Currency (BCD), or bytes (texts, memos, blobs).
enum TSlotKind : unsigned char { skInteger, skFloat, skCurrency, skBytes };
// Raises EDatabaseError for types no field class stores.
TSlotKind SlotKindOf(TFieldType t);
bool IsSupportedFieldType(TFieldType t);

class TRecordArena;

// One record: a value or Null per column, each value tagged with its slot kind. Immutable once
// built; shared by reference counting (also across threads).
class TRecordData {
public:
    int FieldCount() const noexcept { return static_cast<int>(count_); }
    bool IsNull(int i) const noexcept { return tags()[i] == 0; }
    TSlotKind Kind(int i) const noexcept { return static_cast<TSlotKind>(tags()[i] - 1); }
    std::int64_t Int(int i) const noexcept { return slots()[i].i; }
    double Float(int i) const noexcept { return slots()[i].d; }
    std::string_view Bytes(int i) const noexcept {
        if (tags()[i] != skBytes + 1) return std::string_view();
        return std::string_view(varData() + slots()[i].span.offset, slots()[i].span.length);
    }
    // True when both records hold the same values (same kinds, bytes compared by content).
    bool SameValues(const TRecordData& o) const noexcept;

private:
    friend class TRecordBuilder;
    friend class TRecordPtr;
    friend class TRecordArena;
    union Slot {
        std::int64_t i;
        double d;
        struct {
            std::uint32_t offset;
            std::uint32_t length;
        } span;
    };
    TRecordData() = default;
    const Slot* slots() const noexcept { return reinterpret_cast<const Slot*>(this + 1); }
    Slot* slots() noexcept { return reinterpret_cast<Slot*>(this + 1); }
    const unsigned char* tags() const noexcept { return reinterpret_cast<const unsigned char*>(slots() + count_); }
    unsigned char* tags() noexcept { return reinterpret_cast<unsigned char*>(slots() + count_); }
    const char* varData() const noexcept { return reinterpret_cast<const char*>(tags() + count_); }
    char* varData() noexcept { return reinterpret_cast<char*>(tags() + count_); }

    mutable std::atomic<std::uint32_t> refs_{0};
    std::uint32_t count_ : 31 = 0;
    std::uint32_t inBlock_ : 1 = 0;  // lives in a block of a TRecordArena, not in a heap block of its own
};

class TRecordPtr {
public:
    TRecordPtr() noexcept = default;
    TRecordPtr(const TRecordPtr& o) noexcept : p_(o.p_) { retain(); }
    TRecordPtr(TRecordPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    TRecordPtr& operator=(const TRecordPtr& o) noexcept;
    TRecordPtr& operator=(TRecordPtr&& o) noexcept;
    ~TRecordPtr() { release(); }
    const TRecordData* get() const noexcept { return p_; }
    const TRecordData* operator->() const noexcept { return p_; }
    const TRecordData& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    friend bool operator==(const TRecordPtr& a, const TRecordPtr& b) noexcept { return a.p_ == b.p_; }

private:
    friend class TRecordBuilder;
    explicit TRecordPtr(TRecordData* p) noexcept : p_(p) { retain(); }
    void retain() noexcept;
    void release() noexcept;
    TRecordData* p_ = nullptr;
};

// A record being assembled (or edited): set values by column, then Build an immutable record.
// A new builder, or one after Reset, holds Null in every column.
class TRecordBuilder {
public:
    explicit TRecordBuilder(int fieldCount = 0) { Reset(fieldCount); }
    void Reset(int fieldCount);
    void Assign(const TRecordData& rec);
    int FieldCount() const noexcept { return static_cast<int>(tags_.size()); }

    void SetNull(int i) { tags_[i] = 0; }
    void SetInt(int i, std::int64_t v) { tags_[i] = skInteger + 1; slots_[i].i = v; }
    void SetFloat(int i, double v) { tags_[i] = skFloat + 1; slots_[i].d = v; }
    void SetCurrency(int i, Currency v) { tags_[i] = skCurrency + 1; slots_[i].i = v.Raw(); }
    void SetBytes(int i, std::string_view v);

    bool IsNull(int i) const noexcept { return tags_[i] == 0; }
    TSlotKind Kind(int i) const noexcept { return static_cast<TSlotKind>(tags_[i] - 1); }
    std::int64_t Int(int i) const noexcept { return slots_[i].i; }
    double Float(int i) const noexcept { return slots_[i].d; }
    std::string_view Bytes(int i) const noexcept;

    TRecordPtr Build() const;
    // The same record placed in the arena's current block.
    TRecordPtr Build(TRecordArena& arena) const;

private:
    std::size_t packedSize() const noexcept;
    TRecordPtr pack(void* mem) const;
    union Slot {
        std::int64_t i;
        double d;
    };
    std::vector<Slot> slots_;
    std::vector<unsigned char> tags_;
    std::vector<std::string> bytes_;  // grown on first use
};

// Storage for many records built at once (a fetch, a file read): records are placed one after the
// other in large blocks instead of a heap block each. A block is freed when the last record in it is
// released, so a record kept longer than the others (an edit's original, a client's copy) holds only
// its own block, never the arena. The arena itself may go as soon as the building is done.
class TRecordArena {
public:
    TRecordArena() = default;
    ~TRecordArena();
    TRecordArena(const TRecordArena&) = delete;
    TRecordArena& operator=(const TRecordArena&) = delete;

private:
    friend class TRecordBuilder;
    friend class TRecordPtr;
    struct Block;
    // Room for a record of size bytes in the current block, or null when a record that large gets a
    // heap block of its own.
    void* allocate(std::size_t size);
    // A record in a block is gone: the block goes with its last record.
    static void releaseRecord(TRecordData* rec) noexcept;
    Block* block_ = nullptr;
    std::size_t used_ = 0;
};

// ---- Field definitions -------------------------------------------------------------------------
// The columns of a dataset's records, in record order: FieldNo = position + 1.
class TFieldDef {
public:
    const AnsiString& Name() const noexcept { return name_; }
    void SetName(const AnsiString& n) { name_ = n; }
    TFieldType DataType() const noexcept { return dataType_; }
    void SetDataType(TFieldType t) { dataType_ = t; }
    // Characters of a text column; decimals of a BCD column.
    int Size() const noexcept { return size_; }
    void SetSize(int s) { size_ = s; }
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int p) { precision_ = p; }
    bool Required() const noexcept { return (attributes_ & faRequired) != 0; }
    void SetRequired(bool r);
    TFieldAttributes Attributes() const noexcept { return attributes_; }
    void SetAttributes(TFieldAttributes a) { attributes_ = a; }
    int FieldNo() const noexcept { return fieldNo_; }
    // A field of the class that suits DataType, bound to the dataset that owns these definitions.
    TField* CreateField(TComponent* owner) const;

private:
    friend class TFieldDefs;
    AnsiString name_;
    TFieldType dataType_ = ftUnknown;
    int size_ = 0;
    int precision_ = 0;
    TFieldAttributes attributes_ = 0;
    int fieldNo_ = 0;
    TFieldDefs* owner_ = nullptr;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet = nullptr);
    TFieldDefs(const TFieldDefs&) = delete;
    TFieldDefs& operator=(const TFieldDefs&) = delete;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TFieldDef* Items(int i) const;
    TFieldDef* operator[](int i) const { return Items(i); }
    // Adds a column at the end; a name already present raises EDatabaseError.
    TFieldDef* Add(const AnsiString& name, TFieldType type, int size = 0, bool required = false);
    int IndexOf(const AnsiString& name) const;  // case-insensitive; -1 when absent
    TFieldDef* Find(const AnsiString& name) const;  // raises "Field '%s' not found"
    void Clear();
    void Assign(const TFieldDefs& other);
    void GetItemNames(TStrings* list) const;
    // Asks the dataset to describe its columns without opening (a closed query prepares).
    void Update();
    TDataSet* DataSet() const noexcept { return dataSet_; }

private:
    TDataSet* dataSet_;
    std::vector<std::unique_ptr<TFieldDef>> items_;
};

// ---- Fields ------------------------------------------------------------------------------------
// The value read or written through a field: the kind follows the column's slot kind.
struct TFieldValue {
    bool null = true;
    TSlotKind kind = skInteger;
    std::int64_t i = 0;  // skInteger, skCurrency (raw)
    double d = 0;        // skFloat
    std::string s;       // skBytes
};

class TField : public TComponent {
    PLANTMON_CLASS(TField, TComponent)
public:
    explicit TField(TComponent* owner);
    ~TField() override;

    TDataSet* DataSet() const noexcept { return dataSet_; }
    // Adds the field to a dataset's Fields (a persistent field); the dataset must be closed.
    void SetDataSet(TDataSet* ds);

    const AnsiString& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    // DisplayLabel defaults to FieldName; DisplayName is DisplayLabel.
    AnsiString DisplayLabel() const { return displayLabel_.IsEmpty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const AnsiString& s);
    AnsiString DisplayName() const { return DisplayLabel(); }
    TFieldType DataType() const noexcept { return dataType_; }
    TFieldKind FieldKind() const noexcept { return fieldKind_; }
    void SetFieldKind(TFieldKind k);
    bool Calculated() const noexcept { return fieldKind_ == fkCalculated; }
    bool Lookup() const noexcept { return fieldKind_ == fkLookup; }
    // 1-based column of the record for a data field of an open dataset; 0 otherwise.
    int FieldNo() const noexcept { return fieldNo_; }
    // Position in the dataset's Fields; setting it moves the field.
    int Index() const;
    void SetIndex(int i);

    int Size() const noexcept { return size_; }
    void SetSize(int s);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment a);
    int DisplayWidth() const;
    void SetDisplayWidth(int w);
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool v);
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool r) { readOnly_ = r; }
    bool Required() const noexcept { return required_; }
    void SetRequired(bool r) { required_ = r; }
    const AnsiString& EditMask() const noexcept { return editMask_; }
    void SetEditMask(const AnsiString& m);
    const AnsiString& Origin() const noexcept { return origin_; }
    void SetOrigin(const AnsiString& o) { origin_ = o; }
    TProviderFlags ProviderFlags() const noexcept { return providerFlags_; }
    void SetProviderFlags(TProviderFlags f) { providerFlags_ = f; }

    // Lookup fields: the value is LookupDataSet.Lookup(LookupKeyFields, values of KeyFields,
    // LookupResultField).
    const AnsiString& KeyFields() const noexcept { return keyFields_; }
    void SetKeyFields(const AnsiString& s) { keyFields_ = s; }
    TDataSet* LookupDataSet() const noexcept { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* ds);
    const AnsiString& LookupKeyFields() const noexcept { return lookupKeyFields_; }
    void SetLookupKeyFields(const AnsiString& s) { lookupKeyFields_ = s; }
    const AnsiString& LookupResultField() const noexcept { return lookupResultField_; }
    void SetLookupResultField(const AnsiString& s) { lookupResultField_ = s; }

    // Values. Null reads as 0, "", False and 0.0 through the typed getters; a conversion that is
    // impossible raises EDatabaseError ("Cannot access field ... as type ...") or EConvertError.
    bool IsNull() const;
    void Clear();
    AnsiString AsString() const { return GetAsString(); }
    void SetAsString(const AnsiString& v) { SetAsStringImpl(v); }
    int AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(int v) { SetAsIntegerImpl(v); }
    long long AsLargeInt() const { return GetAsLargeInt(); }
    void SetAsLargeInt(long long v) { SetAsLargeIntImpl(v); }
    double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(double v) { SetAsFloatImpl(v); }
    Currency AsCurrency() const { return GetAsCurrency(); }
    void SetAsCurrency(Currency v) { SetAsCurrencyImpl(v); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime v) { SetAsDateTimeImpl(v); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool v) { SetAsBooleanImpl(v); }
    Variant AsVariant() const { return GetAsVariant(); }
    void SetAsVariant(const Variant& v) { SetAsVariantImpl(v); }
    Variant Value() const { return GetAsVariant(); }
    void SetValue(const Variant& v) { SetAsVariantImpl(v); }

    // Text: the edit text (EditFormat, else DisplayFormat, else the plain text); DisplayText: the
    // text shown (DisplayFormat; EditMask for text fields); both through OnGetText when assigned.
    // SetText parses by the field's type (OnSetText replaces the parsing); empty text gives Null
    // for every field but a text field.
    AnsiString Text() const;
    void SetText(const AnsiString& t);
    AnsiString DisplayText() const;

    bool CanModify() const;
    virtual bool IsBlob() const { return false; }
    // Whether ch may be typed into the field.
    virtual bool IsValidChar(char ch) const;
    // Asks the controls showing this field to take the focus.
    void FocusControl();

    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;
    TFieldNotifyEvent OnValidate;
    TFieldNotifyEvent OnChange;

    // ---- Used by the dataset and by descendants ----
    // The slot this field reads: a record column for data fields, a calculated slot otherwise.
    TSlotKind SlotKind() const noexcept { return slotKind_; }
    int SlotIndex() const noexcept { return slotIndex_; }
    // Reads the current value (the row being read, the edit buffer, or the value being validated).
    void GetData(TFieldValue& v) const;
    // Validates (OnValidate, range) and stores a value in the current record.
    void SetData(const TFieldValue& v);

protected:
    friend TField* CreateFieldOfType(TFieldType type, TComponent* owner);
    TField(TComponent* owner, TFieldType type);
    void SetDataType(TFieldType t) { dataType_ = t; }
    void SetSizeRaw(int s) { size_ = s; }
    void SetAlignmentRaw(TAlignment a) { alignment_ = a; }
    // Tells the controls: a layout change (label, width, visibility) or a change of the texts.
    void propertyChanged(bool layout);
    void Notification(TComponent* component, TOperation operation) override;
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(const AnsiString& value, const AnsiString& min, const AnsiString& max) const;
    void CheckInactive() const;

    virtual AnsiString GetAsString() const;
    virtual int GetAsInteger() const;
    virtual long long GetAsLargeInt() const;
    virtual double GetAsFloat() const;
    virtual Currency GetAsCurrency() const;
    virtual TDateTime GetAsDateTime() const;
    virtual bool GetAsBoolean() const;
    virtual Variant GetAsVariant() const;
    virtual void SetAsStringImpl(const AnsiString& v);
    virtual void SetAsIntegerImpl(int v);
    virtual void SetAsLargeIntImpl(long long v);
    virtual void SetAsFloatImpl(double v);
    virtual void SetAsCurrencyImpl(Currency v);
    virtual void SetAsDateTimeImpl(TDateTime v);
    virtual void SetAsBooleanImpl(bool v);
    virtual void SetAsVariantImpl(const Variant& v);
    // The text without OnGetText.
    virtual AnsiString GetText(bool displayText) const;
    virtual void SetTextImpl(const AnsiString& t);
    virtual int DefaultDisplayWidth() const { return 10; }
    // Checks a value before it is stored (range checks of numeric fields).
    virtual void CheckValue(const TFieldValue&) const {}

    // Typed views of the raw value, whatever column kind the field is bound to.
    static std::int64_t ValueToInt64(const TFieldValue& v);
    static double ValueToDouble(const TFieldValue& v);
    // Stores v converted to this field's slot kind.
    void StoreInt(std::int64_t v);
    void StoreFloat(double v);
    void StoreCurrency(Currency v);
    void StoreBytes(std::string_view v);

private:
    friend class TDataSet;
    friend class TFields;
    TDataSet* dataSet_ = nullptr;
    AnsiString fieldName_;
    AnsiString displayLabel_;
    TFieldType dataType_ = ftUnknown;
    TFieldKind fieldKind_ = fkData;
    int fieldNo_ = 0;
    TSlotKind slotKind_ = skInteger;
    int slotIndex_ = -1;
    int size_ = 0;
    TAlignment alignment_ = taLeftJustify;
    int displayWidth_ = 0;  // 0: the default width
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    bool defaultField_ = false;
    AnsiString editMask_;
    AnsiString origin_;
    TProviderFlags providerFlags_ = pfInUpdate | pfInWhere;
    AnsiString keyFields_;
    TDataSet* lookupDataSet_ = nullptr;
    AnsiString lookupKeyFields_;
    AnsiString lookupResultField_;
    const TFieldValue* validating_ = nullptr;  // the new value while OnValidate runs
};

class TStringField : public TField {
    PLANTMON_CLASS(TStringField, TField)
public:
    explicit TStringField(TComponent* owner);
    bool FixedChar() const noexcept { return DataType() == ftFixedChar; }

protected:
    TStringField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    TDateTime GetAsDateTime() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsLargeIntImpl(long long v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsDateTimeImpl(TDateTime v) override;
    void SetAsBooleanImpl(bool v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    void SetTextImpl(const AnsiString& t) override;
    int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TWideStringField : public TStringField {
    PLANTMON_CLASS(TWideStringField, TStringField)
public:
    explicit TWideStringField(TComponent* owner);
};

// Numbers: DisplayFormat and EditFormat are FormatFloat patterns; MinValue/MaxValue limit the value
// when either is not zero.
class TNumericField : public TField {
    PLANTMON_CLASS(TNumericField, TField)
public:
    const AnsiString& DisplayFormat() const noexcept { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& f);
    const AnsiString& EditFormat() const noexcept { return editFormat_; }
    void SetEditFormat(const AnsiString& f);
    bool IsValidChar(char ch) const override;

protected:
    TNumericField(TComponent* owner, TFieldType type);
    void SetTextImpl(const AnsiString& t) override;
    const AnsiString& PickFormat(bool displayText) const;

private:
    AnsiString displayFormat_;
    AnsiString editFormat_;
};

class TIntegerField : public TNumericField {
    PLANTMON_CLASS(TIntegerField, TNumericField)
public:
    explicit TIntegerField(TComponent* owner);
    int MinValue() const noexcept { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    int MaxValue() const noexcept { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    bool IsValidChar(char ch) const override;

protected:
    TIntegerField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsLargeIntImpl(long long v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsCurrencyImpl(Currency v) override;
    void SetAsBooleanImpl(bool v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    int DefaultDisplayWidth() const override { return 11; }
    void CheckValue(const TFieldValue& v) const override;
    // The range the column type allows (smallint, word, integer).
    virtual long long TypeMin() const { return -2147483648LL; }
    virtual long long TypeMax() const { return 2147483647LL; }

private:
    int minValue_ = 0;
    int maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
    PLANTMON_CLASS(TSmallintField, TIntegerField)
public:
    explicit TSmallintField(TComponent* owner);

protected:
    Variant GetAsVariant() const override;
    int DefaultDisplayWidth() const override { return 6; }
    long long TypeMin() const override { return -32768; }
    long long TypeMax() const override { return 32767; }
};

class TWordField : public TIntegerField {
    PLANTMON_CLASS(TWordField, TIntegerField)
public:
    explicit TWordField(TComponent* owner);

protected:
    int DefaultDisplayWidth() const override { return 5; }
    long long TypeMin() const override { return 0; }
    long long TypeMax() const override { return 65535; }
};

class TAutoIncField : public TIntegerField {
    PLANTMON_CLASS(TAutoIncField, TIntegerField)
public:
    explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
    PLANTMON_CLASS(TLargeintField, TNumericField)
public:
    explicit TLargeintField(TComponent* owner);
    long long MinValue() const noexcept { return minValue_; }
    void SetMinValue(long long v) { minValue_ = v; }
    long long MaxValue() const noexcept { return maxValue_; }
    void SetMaxValue(long long v) { maxValue_ = v; }
    bool IsValidChar(char ch) const override;

protected:
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsLargeIntImpl(long long v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsCurrencyImpl(Currency v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    int DefaultDisplayWidth() const override { return 15; }
    void CheckValue(const TFieldValue& v) const override;

private:
    long long minValue_ = 0;
    long long maxValue_ = 0;
};

// Floats. Without a format the text is the general format with Precision significant digits
// (Currency: the locale's currency text when shown, fixed with CurrencyDecimals when edited).
class TFloatField : public TNumericField {
    PLANTMON_CLASS(TFloatField, TNumericField)
public:
    explicit TFloatField(TComponent* owner);
    bool IsCurrency() const noexcept { return currency_; }
    void SetCurrency(bool c);
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int p);
    double MinValue() const noexcept { return minValue_; }
    void SetMinValue(double v) { minValue_ = v; }
    double MaxValue() const noexcept { return maxValue_; }
    void SetMaxValue(double v) { maxValue_ = v; }

protected:
    TFloatField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsLargeIntImpl(long long v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsCurrencyImpl(Currency v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    void CheckValue(const TFieldValue& v) const override;

private:
    bool currency_ = false;
    int precision_ = 15;
    double minValue_ = 0;
    double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
    PLANTMON_CLASS(TCurrencyField, TFloatField)
public:
    explicit TCurrencyField(TComponent* owner);
};

// Exact decimals (Currency storage): Size is the number of decimals (at most 4), Precision the
// number of digits.
class TBCDField : public TNumericField {
    PLANTMON_CLASS(TBCDField, TNumericField)
public:
    explicit TBCDField(TComponent* owner);
    bool IsCurrency() const noexcept { return currency_; }
    void SetCurrency(bool c);
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int p) { precision_ = p; }
    Currency MinValue() const noexcept { return minValue_; }
    void SetMinValue(Currency v) { minValue_ = v; }
    Currency MaxValue() const noexcept { return maxValue_; }
    void SetMaxValue(Currency v) { maxValue_ = v; }

protected:
    TBCDField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsLargeIntImpl(long long v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsCurrencyImpl(Currency v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    void CheckValue(const TFieldValue& v) const override;

private:
    bool currency_ = false;
    int precision_ = 18;
    Currency minValue_;
    Currency maxValue_;
};

// Database decimals wider than Currency (stored as doubles): Size is the number of decimals.
class TFMTBCDField : public TFloatField {
    PLANTMON_CLASS(TFMTBCDField, TFloatField)
public:
    explicit TFMTBCDField(TComponent* owner);
};

// Booleans: DisplayValues is "TrueText;FalseText" ("True;False" by default).
class TBooleanField : public TField {
    PLANTMON_CLASS(TBooleanField, TField)
public:
    explicit TBooleanField(TComponent* owner);
    AnsiString DisplayValues() const;
    void SetDisplayValues(const AnsiString& v);

protected:
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsIntegerImpl(int v) override;
    void SetAsBooleanImpl(bool v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    int DefaultDisplayWidth() const override;

private:
    AnsiString trueText_ = "True";
    AnsiString falseText_ = "False";
};

// Dates and times: DisplayFormat is a FormatDateTime pattern; without it a date shows in the short
// date format, a time in the long time format, a date-time as DateTimeToStr.
class TDateTimeField : public TField {
    PLANTMON_CLASS(TDateTimeField, TField)
public:
    explicit TDateTimeField(TComponent* owner);
    const AnsiString& DisplayFormat() const noexcept { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& f);

protected:
    TDateTimeField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    double GetAsFloat() const override;
    TDateTime GetAsDateTime() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsFloatImpl(double v) override;
    void SetAsDateTimeImpl(TDateTime v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
    void SetTextImpl(const AnsiString& t) override;
    int DefaultDisplayWidth() const override;

private:
    AnsiString displayFormat_;
};

class TDateField : public TDateTimeField {
    PLANTMON_CLASS(TDateField, TDateTimeField)
public:
    explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
    PLANTMON_CLASS(TTimeField, TDateTimeField)
public:
    explicit TTimeField(TComponent* owner);
};

// A database time stamp (DATETIME / TIMESTAMP columns); it behaves as a date-time field.
class TSQLTimeStampField : public TDateTimeField {
    PLANTMON_CLASS(TSQLTimeStampField, TDateTimeField)
public:
    explicit TSQLTimeStampField(TComponent* owner);
};

// Blobs and memos: the value is a byte string (a memo's is UTF-8 text).
class TBlobField : public TField {
    PLANTMON_CLASS(TBlobField, TField)
public:
    explicit TBlobField(TComponent* owner);
    bool IsBlob() const override { return true; }
    int BlobSize() const;

protected:
    TBlobField(TComponent* owner, TFieldType type);
    AnsiString GetAsString() const override;
    Variant GetAsVariant() const override;
    void SetAsStringImpl(const AnsiString& v) override;
    void SetAsVariantImpl(const Variant& v) override;
    AnsiString GetText(bool displayText) const override;
};

class TMemoField : public TBlobField {
    PLANTMON_CLASS(TMemoField, TBlobField)
public:
    explicit TMemoField(TComponent* owner);

protected:
    AnsiString GetText(bool displayText) const override;
};

// A value over all the records of a client dataset: "SUM(Field)", "AVG(Field)", "COUNT(Field)" (the
// records where it is not null), "COUNT(*)", "MIN(Field)" or "MAX(Field)". The dataset keeps it
// while its AggregatesActive is set (TClientDataSet); otherwise, and while it is closed, it is Null.
// SUM, AVG, MIN and MAX of no value are Null, COUNT of none is 0. The field is read-only and lives
// in the dataset's AggFields, not among its Fields.
class TAggregateField : public TField {
    PLANTMON_CLASS(TAggregateField, TField)
public:
    explicit TAggregateField(TComponent* owner);
    const AnsiString& Expression() const noexcept { return expression_; }
    // Raises EDatabaseError for an expression of another form.
    void SetExpression(const AnsiString& e);
    // The type of the value: the field's for SUM (integer kinds give ftLargeint), MIN and MAX,
    // ftFloat for AVG, ftInteger for COUNT; ftUnknown while the dataset is closed.
    TFieldType ResultType() const;
    // How the value shows: a FormatFloat pattern for a number, a FormatDateTime one for a date and
    // time; without it a number shows as money when IsCurrency is set.
    const AnsiString& DisplayFormat() const noexcept { return displayFormat_; }
    void SetDisplayFormat(const AnsiString& f);
    bool IsCurrency() const noexcept { return currency_; }
    void SetCurrency(bool c);

protected:
    AnsiString GetAsString() const override;
    int GetAsInteger() const override;
    long long GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    TDateTime GetAsDateTime() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    AnsiString GetText(bool displayText) const override;

private:
    friend class TDataSet;
    enum class Op { None, Sum, Avg, Count, Min, Max };
    // The value as the dataset keeps it now (computed again when its records changed).
    Variant current() const;
    AnsiString expression_;
    Op op_ = Op::None;
    AnsiString source_;  // the field name, "*" for COUNT(*)
    AnsiString displayFormat_;
    bool currency_ = false;
    mutable std::uint64_t stamp_ = 0;
    mutable bool known_ = false;
    mutable Variant value_;
    mutable TFieldType resultType_ = ftUnknown;
};

// Makes a field of the class that suits type (nullptr for an unsupported type).
TField* CreateFieldOfType(TFieldType type, TComponent* owner);

// A dataset's fields, in display order.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const noexcept { return static_cast<int>(list_.size()); }
    TField* Fields(int i) const;
    TField* operator[](int i) const { return Fields(i); }
    TField* FindField(const AnsiString& name) const;    // case-insensitive; nullptr when absent
    TField* FieldByName(const AnsiString& name) const;  // raises "Field '%s' not found"
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* f) const;
    void GetFieldNames(TStrings* list) const;
    TDataSet* DataSet() const noexcept { return dataSet_; }
    auto begin() const { return list_.begin(); }
    auto end() const { return list_.end(); }

private:
    friend class TDataSet;
    friend class TField;
    TDataSet* dataSet_;
    std::vector<TField*> list_;
};

// The next name of a ';'-separated list, starting at pos (1-based); pos moves past it. An empty
// result ends the list. Blanks around names are dropped.
AnsiString ExtractFieldName(const AnsiString& names, int& pos);

// ---- Datasets ----------------------------------------------------------------------------------
class TDataSet : public TComponent {
    PLANTMON_CLASS(TDataSet, TComponent)
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // ---- Activity ----
    bool Active() const noexcept { return state_ != dsInactive; }
    void SetActive(bool a);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    // The state; dsCalcFields or dsFilter while calculated fields or a filter are evaluated.
    TDataSetState State() const noexcept;
    bool Modified() const noexcept { return modified_; }
    bool CanModify() const { return GetCanModify(); }

    // ---- Navigation ----
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by up to distance records; returns the distance actually moved.
    int MoveBy(int distance);
    bool Bof() const noexcept { return bof_; }
    bool Eof() const noexcept { return eof_; }
    bool IsEmpty() const;
    // 1-based position of the record being read in the view; -1 for a record being inserted.
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    // True when RecNo and RecordCount number the records as they lie in the view (the records can be
    // reached by number); a dataset that cannot tell answers false.
    virtual bool IsSequenced() const { return true; }
    // Makes the cursor follow the record the fields read (after a link changed ActiveRecord).
    void UpdateCursorPos();

    // ---- Bookmarks ----
    // The bookmark of the record being read (empty when there is none).
    TBookmark Bookmark() const;
    void SetBookmark(const TBookmark& bm) { GotoBookmark(bm); }
    TBookmark GetBookmark() const { return Bookmark(); }
    // Raises "Record not found" when the record is gone or filtered out.
    void GotoBookmark(const TBookmark& bm);
    void FreeBookmark(TBookmark& bm) { bm = TBookmark(); }
    bool BookmarkValid(const TBookmark& bm) const;
    // Negative, 0 or positive in the order of the records (the index order, filter aside); an
    // empty bookmark sorts first.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

    // ---- Editing ----
    void Edit();  // on an empty dataset: Insert
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    // Makes the links write pending control text into the fields (deUpdateRecord).
    void UpdateRecord();
    void ClearFields();
    void AppendRecord(const std::vector<Variant>& values);
    void InsertRecord(const std::vector<Variant>& values);
    // Assigns values to the fields in order (Null clears; Empty leaves a field alone).
    void SetFields(const std::vector<Variant>& values);
    void Refresh();

    // ---- Fields ----
    TFields* Fields() const noexcept { return fields_.get(); }
    // The aggregate fields (TAggregateField), kept apart from the record's fields.
    TFields* AggFields() const noexcept { return aggFields_.get(); }
    TFieldDefs* FieldDefs() const noexcept { return fieldDefs_.get(); }
    int FieldCount() const noexcept { return fields_->Count(); }
    TField* FieldByName(const AnsiString& name) const;  // raises "<Name>: Field 'x' not found"
    TField* FindField(const AnsiString& name) const;
    TField* FieldByNumber(int fieldNo) const { return fields_->FieldByNumber(fieldNo); }
    // True when the fields were made from the field definitions at open (no persistent fields).
    bool DefaultFields() const noexcept { return defaultFields_; }
    void GetFieldNames(TStrings* list) const;
    // The fields named in a ';' list, in list order; an unknown name raises.
    void GetFieldList(std::vector<TField*>& list, const AnsiString& names) const;
    // One field: its value; several: an array of their values (bounds 0 .. n - 1).
    Variant FieldValues(const AnsiString& names) const;
    void SetFieldValues(const AnsiString& names, const Variant& value);

    // ---- Searching ----
    // Finds the first record (view order) whose key fields match, and makes it current.
    bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options = 0);
    // The result field(s) of the first record whose key fields equal keyValues, without moving;
    // Null when there is none.
    Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields);

    // ---- Filtering ----
    // Filter text: comparisons of fields with values or fields (=, <>, <, >, <=, >=, LIKE with %
    // and _, IS [NOT] NULL, [NOT] IN (...)), joined by AND, OR, NOT and parentheses. Field names
    // may be bracketed ([Amount]); texts are in single quotes ('' is a quote); numbers use a point
    // or the locale's decimal separator. A text ending in '*' compared with '=' matches as a
    // prefix unless foNoPartialCompare. A syntax error raises EDatabaseError when the filter
    // takes effect.
    const AnsiString& Filter() const noexcept { return filter_; }
    void SetFilter(const AnsiString& f);
    bool Filtered() const noexcept { return filtered_; }
    void SetFiltered(bool f);
    TFilterOptions FilterOptions() const noexcept { return filterOptions_; }
    void SetFilterOptions(TFilterOptions o);

    // ---- Controls ----
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const noexcept { return disableCount_ > 0; }

    // The largest BufferCount asked for by a link (at least 1).
    int BufferCount() const;

    // The data source of a master dataset (none in this layer; a detail dataset answers it).
    virtual TDataSource* MasterSource() const { return nullptr; }

    // Sends a data event to the data sources and their links (nothing while controls are
    // disabled; the windows of the links follow the cursor all the same).
    void DataEvent(TDataEvent event, std::intptr_t info = 0);

    // ---- Events ----
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TFilterRecordEvent OnFilterRecord;

    // Extra listeners of the After/Before events that do not take the single handler slot, so
    // that several helpers (sum lists of two grids) can follow one dataset and leave in any order.
    enum TDataSetEventKind {
        dekBeforeOpen, dekAfterOpen, dekBeforeClose, dekAfterClose, dekBeforeInsert, dekAfterInsert,
        dekBeforeEdit, dekAfterEdit, dekBeforePost, dekAfterPost, dekBeforeCancel, dekAfterCancel,
        dekBeforeDelete, dekAfterDelete, dekBeforeScroll, dekAfterScroll, dekBeforeRefresh,
        dekAfterRefresh,
    };
    // Listeners run after the handler property (or before it when runBeforeHandler); returns an
    // id for Unsubscribe.
    int Subscribe(TDataSetEventKind kind, TDataSetNotifyEvent listener, bool runBeforeHandler = false);
    void Unsubscribe(int id);

    // ---- Stored records (for providers) ----
    // The records of the view in view order (shared, not copied).
    void GetRecords(std::vector<TRecordPtr>& out) const;
    // Changes whenever the records of the view change (open, post, delete, refresh, filter,
    // order): what was worked out over the records is stale when it moved.
    std::uint64_t ViewStamp() const noexcept { return viewStamp_; }
    // Calls visit once per record of the view, with the fields reading that record; the cursor
    // stays where it is.
    void ForEachViewRecord(const std::function<void()>& visit) const;

    // Implementation types (defined inside platform/data).
    struct FilterExpr;
    struct CalcEntry;
    struct TempScope;

    // ---- Used by fields and links ----
    void GetFieldData(const TField* field, TFieldValue& v) const;
    void SetFieldData(TField* field, const TFieldValue& v);
    // The number of rows a link's window can show (records of the view, plus the record being
    // inserted).
    int DisplayCount() const;
    int CursorDisplayPos() const noexcept { return cursor_; }
    // Makes fields read the row at a display position (-1: the cursor's row again).
    void SetReadPos(int displayPos);
    int ReadPos() const noexcept { return readPos_ >= 0 ? readPos_ : cursor_; }

protected:
    // ---- For descendants that supply the records ----
    // Open: fill FieldDefs (unless they are set already and the descendant keeps them) and load
    // the records with AppendStoredRecord. Raise to fail the open.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() {}
    // True while InternalClose runs to undo an open that failed: nothing was shown, so nothing
    // may be written back (a file dataset would overwrite its file with an empty packet).
    bool UndoingFailedOpen() const noexcept { return undoingFailedOpen_; }
    // FieldDefs.Update on a closed dataset; default does nothing.
    virtual void InternalInitFieldDefs() {}
    // Refresh: reload the records (the structure stays). Default: InternalClose, InternalOpen.
    virtual void InternalRefresh();
    virtual bool GetCanModify() const { return true; }

    // Change hooks for descendants that log changes (called after the store changed).
    virtual void RecordInserted(std::uint64_t id, const TRecordPtr& rec) { (void)id, (void)rec; }
    virtual void RecordModified(std::uint64_t id, const TRecordPtr& before, const TRecordPtr& after) {
        (void)id, (void)before, (void)after;
    }
    // baseIndex: where the record stood in the base order.
    virtual void RecordDeleted(std::uint64_t id, const TRecordPtr& before, int baseIndex) {
        (void)id, (void)before, (void)baseIndex;
    }
    // Closes without running any event handler (for destructors: the owner may be half gone).
    void CloseSilently() noexcept;

    // The record store (base order). Ids are unique for the dataset's lifetime and are what
    // bookmarks carry.
    struct TStoredRecord {
        std::uint64_t id;
        TRecordPtr rec;
    };
    void ClearStoredRecords();
    void ReserveStoredRecords(std::size_t n);
    std::uint64_t AppendStoredRecord(TRecordPtr rec);
    int StoredRecordCount() const noexcept { return static_cast<int>(rows_.size()); }
    const TStoredRecord& StoredRecord(int baseIndex) const { return rows_[baseIndex]; }
    int FindStoredRecord(std::uint64_t id) const;  // base index or -1
    // Direct changes of the store (no events, no hooks); call ResyncView afterwards.
    void ReplaceStoredRecord(int baseIndex, TRecordPtr rec);
    void RemoveStoredRecord(int baseIndex);
    void InsertStoredRecord(int baseIndex, std::uint64_t id, TRecordPtr rec);
    // Rebuilds the view (index order and filter) and puts the cursor on the record with id
    // (or keeps its position when id is 0 or gone), then tells the links (deDataSetChange).
    void ResyncView(std::uint64_t currentId = 0, bool notify = true);
    std::uint64_t CurrentRecordId() const;
    // Index: fields to sort the view by (';' list, ascending, stable). Empty: base order.
    void SetSortFields(const AnsiString& names);
    const AnsiString& SortFields() const noexcept { return sortFields_; }

    void CheckActive() const;
    void CheckInactive() const;
    void CheckBrowseState() const;
    void CheckCanModify() const;
    void SetState(TDataSetState s);
    // Fires a handler and its listeners.
    void DoEvent(TDataSetEventKind kind, const TDataSetNotifyEvent& handler);

    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TField;
    friend class TFieldDefs;
    friend class TDataSource;
    friend class TDataLink;
    enum class WindowMode { Scroll, Keep, First, Last, Center, Contain };

    void openDataSet();
    void closeDataSet();
    void resetStore();
    void createDefaultFields();
    void destroyDefaultFields();
    void bindFields();
    void resolveSortFields();
    void addField(TField* f);
    void removeField(TField* f);
    void checkFieldWritable(const TField* field) const;

    // view
    void rebuildView();
    bool recordPassesFilter(int baseIndex);
    bool recordPassesFilter(const TRecordData* rec);
    bool filtering() const;
    // Whether base record a stands before base record b in index order (sort fields, then base
    // order: the order rebuildView's stable sort gives).
    bool indexLess(int a, int b) const;
    // Single-record changes of a posted or deleted record that keep the view in step without
    // rebuilding it; each returns the record's view position afterwards (-1: filtered out).
    int viewInsertPosted(int base, std::uint64_t id, TRecordPtr rec, bool passes);
    int viewReplacePosted(int base, TRecordPtr rec, bool passes);
    void viewRemove(int base);
    void invalidatePositions();
    void ensurePositions() const;
    int displayToView(int displayPos) const;  // -1 for the record being inserted
    int viewToDisplay(int viewPos) const;
    const TRecordData* recordAtDisplay(int displayPos) const;
    std::uint64_t idAtDisplay(int displayPos) const;
    int displayPosOfId(std::uint64_t id) const;
    static TBookmark bookmarkOfId(std::uint64_t id);
    static std::uint64_t idOfBookmark(const TBookmark& bm);

    // calculated and lookup fields
    CalcEntry* calcFor(int displayPos) const;
    void computeCalcFields(CalcEntry& entry, const TRecordData* rec, const TRecordBuilder* buf) const;
    void clearCalcCache() const;
    void prepareEditCalc();
    void setLookupValue(TField* field, const TFieldValue& v);
    static Variant valueToVariant(const TFieldValue& v);

    // cursor and windows
    void jumpTo(int displayPos, WindowMode mode);
    void placeCursorOn(std::uint64_t id, int oldDisplayPos);
    void placeCursorAtView(int viewPos, int oldDisplayPos);
    void placeWindow(TDataLink* link, WindowMode mode, int oldCursor) const;
    void updateWindows(WindowMode mode, int oldCursor);
    void beginInsertAppend(bool append);
    void checkRequiredFields();
    int findRecord(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) const;
    void applyFilter();

    // data sources
    void addDataSource(TDataSource* ds);
    void removeDataSource(TDataSource* ds);
    std::vector<TDataLink*> allLinks() const;

    std::unique_ptr<TFieldDefs> fieldDefs_;
    std::unique_ptr<TFields> fields_;
    std::unique_ptr<TFields> aggFields_;
    std::uint64_t viewStamp_ = 1;
    bool defaultFields_ = false;
    bool opening_ = false;
    bool undoingFailedOpen_ = false;
    bool destroying_ = false;
    TDataSetState state_ = dsInactive;
    bool modified_ = false;
    bool bof_ = true;
    bool eof_ = true;

    std::vector<TStoredRecord> rows_;
    std::uint64_t nextId_ = 1;
    std::vector<int> order_;  // base indexes in index order
    std::vector<int> view_;   // base indexes shown (order_ filtered)
    mutable bool positionsValid_ = false;
    mutable std::unordered_map<std::uint64_t, int> idToBase_;
    mutable std::vector<int> baseToView_;
    mutable std::vector<int> baseToOrder_;

    int cursor_ = -1;     // display position of the current record; -1 when empty
    int readPos_ = -1;    // display position read instead of the cursor's (-1: none)
    int insertPos_ = -1;  // display position of the record being inserted
    TRecordBuilder editBuf_;
    std::uint64_t editId_ = 0;  // the record being edited
    TRecordPtr editOriginal_;
    std::unique_ptr<CalcEntry> editCalc_;
    mutable std::unordered_map<std::uint64_t, std::unique_ptr<CalcEntry>> calcCache_;
    int calcSlots_ = 0;
    std::vector<TSlotKind> calcKinds_;

    // A calculated-field pass, a filter pass or a search reads one record through the fields.
    bool inTempState_ = false;
    TDataSetState tempState_ = dsInactive;
    const TRecordData* tempRecord_ = nullptr;
    const TRecordBuilder* tempBuf_ = nullptr;
    CalcEntry* tempCalc_ = nullptr;

    AnsiString filter_;
    bool filtered_ = false;
    TFilterOptions filterOptions_ = 0;
    std::shared_ptr<FilterExpr> filterExpr_;
    AnsiString sortFields_;
    std::vector<TField*> sortFieldList_;

    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    bool layoutChangedWhileDisabled_ = false;
    std::vector<TDataSource*> dataSources_;

    struct Listener {
        int id;
        TDataSetEventKind kind;
        TDataSetNotifyEvent fn;
        bool before;
    };
    std::vector<Listener> listeners_;
    int nextListenerId_ = 1;
};

// ---- Data sources and data links ---------------------------------------------------------------
class TDataSource : public TComponent {
    PLANTMON_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSet* ds);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool e);
    bool AutoEdit() const noexcept { return autoEdit_; }
    void SetAutoEdit(bool a) { autoEdit_ = a; }
    // The dataset's state; dsInactive without a dataset or while disabled.
    TDataSetState State() const;
    // Puts the dataset into edit state when AutoEdit and it is browsing.
    void Edit();
    bool IsLinkedTo(const TDataSet* ds) const;

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void dataEvent(TDataEvent event, std::intptr_t info);
    void notifyStateChange();
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    bool autoEdit_ = true;
    TDataSetState lastState_ = dsInactive;
    std::vector<TDataLink*> links_;
};

class TDataLink : public TPersistent {
    PLANTMON_CLASS(TDataLink, TPersistent)
public:
    TDataLink();
    ~TDataLink() override;

    TDataSource* DataSource() const noexcept { return dataSource_; }
    void SetDataSource(TDataSource* ds);
    bool DataSourceFixed() const noexcept { return dataSourceFixed_; }
    void SetDataSourceFixed(bool f) { dataSourceFixed_ = f; }
    TDataSet* DataSet() const;
    bool Active() const noexcept { return active_; }
    bool Editing() const noexcept { return editing_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool r);
    bool VisualControl() const noexcept { return visualControl_; }
    void SetVisualControl(bool v) { visualControl_ = v; }

    // Not read-only, a data source with AutoEdit: the dataset goes into edit state; returns Editing.
    bool Edit();
    // Writes this link's pending control text into the field (UpdateData); the link does not hear
    // its own field change as RecordChanged meanwhile.
    void UpdateRecord();

    // The record window.
    int BufferCount() const noexcept { return bufferCount_; }
    void SetBufferCount(int n);
    // Records in the window (at most BufferCount).
    int RecordCount() const;
    // Row of the window the fields read (the current record's row unless set).
    int ActiveRecord() const;
    void SetActiveRecord(int row);
    // Moves the dataset; returns the distance moved.
    virtual int MoveBy(int distance);
    // An action that acts on this link's data source (a dataset command) is run or updated there;
    // true when it was. A control offers an action to its link before acting on it itself.
    virtual bool ExecuteAction(ITargetAction* action);
    virtual bool UpdateAction(ITargetAction* action);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataEvent(TDataEvent event, std::intptr_t info);
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { (void)distance; DataSetChanged(); }
    virtual void EditingChanged() {}
    // A control that shows *field takes the focus and sets *field to nullptr.
    virtual void FocusControl(TField** field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void updateState();
    void setActive(bool a);
    void setEditing(bool e);
    void resetWindow();

    TDataSource* dataSource_ = nullptr;
    bool dataSourceFixed_ = false;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool visualControl_ = false;
    bool updating_ = false;
    int bufferCount_ = 1;
    int first_ = 0;     // display position of the window's first row
    int scrolled_ = 0;  // how far the window moved with the last change
};
