// The grid library's fixed set of names for what it asks of the window system, the runtime type
// information and the dataset layer: text comparison, bookmark helpers, pointer casts, scratch
// memory, the memory stream that grows in large steps, thin window-system wrappers, message views
// and streaming access. Everything here runs on the GUI thread, like the rest of the library.
#pragma once

#include "data/DB.h"
#include "gui/Controls.h"
#include "gui/Graphics.h"
#include "gui/WinApi.h"
#include "rtl/Streams.h"
#include "rtl/TypInfo.h"

#include <cstdint>
#include <vector>

using TBytes = std::vector<std::uint8_t>;
using TPropListArray = std::vector<PPropInfo>;

// ---- Interfaces and counted lifetime ---------------------------------------------------------------
// The library's interfaces are abstract classes with their GUID beside them; an object supports
// one when it derives from it. Most implementers live by their owners; the few whose lifetime is
// counted derive their interface from ICountedGx and are freed at the last _Release.
class ICountedGx {
public:
    virtual int _AddRef() = 0;
    virtual int _Release() = 0;

protected:
    ~ICountedGx() = default;
};

// The base of the library's counted objects: created with no reference, freed when the count,
// once raised, drops back to zero.
class TInterfacedObjectGx : public TObject, public virtual ICountedGx {
    PLANTMON_CLASS(TInterfacedObjectGx, TObject)
public:
    int _AddRef() override { return ++refCount_; }
    int _Release() override {
        const int n = --refCount_;
        if (n == 0) delete this;
        return n;
    }
    int RefCount() const noexcept { return refCount_; }

private:
    int refCount_ = 0;
};

// One counted reference, taken on construction or assignment and given back on release.
template <class T>
class TRefGx {
public:
    TRefGx() = default;
    TRefGx(T* p) : p_(p) {
        if (p_) p_->_AddRef();
    }
    TRefGx(const TRefGx& o) : TRefGx(o.p_) {}
    TRefGx(TRefGx&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~TRefGx() { reset(); }
    TRefGx& operator=(TRefGx o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    void reset() {
        T* p = p_;
        p_ = nullptr;
        if (p) p->_Release();
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The interface I of obj, or nullptr when obj does not support it.
template <class I, class T>
I* Supports(T* obj) {
    return dynamic_cast<I*>(obj);
}
template <class I, class T>
bool Supports(T* obj, I*& intf) {
    intf = dynamic_cast<I*>(obj);
    return intf != nullptr;
}

// ---- Text comparison and case (the user's locale) -------------------------------------------------
// Compares the first count characters of each text (each at most its own length; count 0: the
// whole texts): -1 less, 0 equal, 1 greater, -2 when the comparison cannot be made.
int AnsiStringCompare(const AnsiString& s1, const AnsiString& s2, int count, bool ignoreCase);
// The same for wide texts, which are held in UTF-8 like every other text.
int WideStringCompare(const AnsiString& s1, const AnsiString& s2, int count, bool ignoreCase);
AnsiString NlsUpperCase(const AnsiString& s);
AnsiString NlsLowerCase(const AnsiString& s);
int NlsCompareStr(const AnsiString& s1, const AnsiString& s2);
int NlsCompareText(const AnsiString& s1, const AnsiString& s2);

// ---- Dataset helpers -------------------------------------------------------------------------------
int DataSetCompareBookmarks(TDataSet* dataSet, const TBookmarkStr& bm1, const TBookmarkStr& bm2);
bool DataSetBookmarkValid(TDataSet* dataSet, const TBookmarkStr& bm);
// The dataset of the data source a published object property of dataSet holds (its MasterSource);
// nullptr when prop is nil or no object property, reading it fails, or it holds no data source.
TDataSet* GetMasterDataSet(TDataSet* dataSet, PPropInfo prop);

// ---- Casts -------------------------------------------------------------------------------------------
// A point of two 16-bit halves, as message parameters carry it.
struct TSmallPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

bool IsObjectAndIntegerRefSame(const TObject* obj, std::intptr_t ref);
TObject* IntPtrToObject(std::intptr_t ref);
std::intptr_t ObjectToIntPtr(const TObject* obj);
// The zero-terminated text at an address (empty for 0).
AnsiString IntPtrToString(std::intptr_t ref);
std::int32_t ExplicitLongwordToLongInt(std::uint32_t value);
// x in the low half, y in the high half.
std::int32_t SmallPointToInteger(TSmallPoint p);
// An object address held in a Variant: a 64-bit integer, so that no address is cut.
TObject* VariantToRefObject(const Variant& v);
Variant RefObjectToVariant(const TObject* obj);
void DataVarCastAsObject(Variant& dest, const Variant& source);

// ---- Memory ------------------------------------------------------------------------------------------
void FillDWord(void* dest, int count, std::uint32_t value);
// Scratch memory of the calling thread, given back last in, first out: StackFree gives a block
// back only when it is the newest one and does nothing otherwise. Sizes are rounded up to a
// multiple of 4 bytes. Blocks not given back stay until the thread ends.
void* StackAlloc(int size);
void StackFree(void* p);

// A memory stream that grows in blocks of twice CapacityHalfStep bytes (a power of two), for
// streams that receive much data in small writes.
class TMemoryStreamGx : public TMemoryStream {
    PLANTMON_CLASS(TMemoryStreamGx, TMemoryStream)
public:
    std::int32_t CapacityHalfStep = 4096;

protected:
    void* Realloc(long long& newCapacity) override;

private:
    // Bytes the block really holds: it grows by half of itself at least, so that a stream written
    // to in many small pieces copies its contents a few times, not once per block step. Capacity
    // still reads in whole steps.
    long long reserved_ = 0;
};

// ---- Window-system wrappers --------------------------------------------------------------------------
int DrawTextGx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format);
int WindowsDrawTextEx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format);
int WindowsDrawTextEx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format,
                      const TDrawTextParams& params);
bool WindowsExtTextOut(HDC dc, int x, int y, unsigned options, const TRect* rect, const AnsiString& text, int count);
unsigned WindowsGetOutlineTextMetrics(HDC dc, unsigned bufferSize, TOutlineTextMetric* metrics);
template <class T>
LRESULT SendStructMessage(HWND handle, UINT msg, WPARAM wParam, T& record) {
    return SendMessage(handle, msg, wParam, reinterpret_cast<LPARAM>(&record));
}
LRESULT SendTextMessage(HWND handle, UINT msg, WPARAM wParam, const AnsiString& text);
// Sends msg with a 4096-byte buffer whose first 16-bit word holds 4096 (the EM_GETLINE
// convention); text receives as many bytes from the buffer's start as the answer says. bufferSize
// has no effect.
LRESULT SendGetTextMessage(HWND handle, UINT msg, WPARAM wParam, AnsiString& text, int bufferSize);
bool SystemParametersInfoGx(UINT action, UINT param, void* data, UINT winIni);
bool WindowsInvalidateRect(HWND handle, const TRect* rect, bool erase);
bool WindowsValidateRect(HWND handle, const TRect* rect);
int WindowsScrollWindowEx(HWND handle, int dx, int dy, const TRect* scrollRect, const TRect* clipRect,
                          HRGN updateRegion, UINT flags);
bool WindowsScrollWindow(HWND handle, int dx, int dy, const TRect* scrollRect, const TRect* clipRect);
HWND FindWindowGx(const AnsiString& className, const AnsiString& windowName);
bool WindowsLPtoDP(HDC dc, TRect& rect);
HRGN WindowsCreatePolygonRgn(const TPoint* points, int count, int fillMode);
LRESULT MessageSendGetSel(HWND handle, DWORD& selStart, DWORD& selEnd);
HBITMAP LoadBitmapGx(HINSTANCE instance, int resourceNumber);
void BitmapLoadFromResourceName(TBitmap* bitmap, HINSTANCE instance, const AnsiString& name);

// ---- Message views -----------------------------------------------------------------------------------
// The fields of a mouse or key message; Result writes through to the message.
struct TWMMouse {
    UINT Msg;
    WPARAM Keys;
    std::int16_t XPos;
    std::int16_t YPos;
    LRESULT& Result;
    TSmallPoint Pos() const { return TSmallPoint{XPos, YPos}; }
};
struct TWMKey {
    UINT Msg;
    WORD CharCode;
    LPARAM KeyData;
    LRESULT& Result;
};
void VarToMessage(const TMessage& source, TMessage& message);
TMessage& MessageToTMessage(void* message);
TWMMouse MessageToTWMMouse(TMessage& message);
TWMKey MessageToTWMKey(TMessage& message);
TMessage& UnwrapMessageGx(void* message);

// ---- Type information and streaming ------------------------------------------------------------------
// The published properties of the given kinds (the library asks for every kind but methods and
// the untyped one), sorted by name.
void GetPropListAsArray(PTypeInfo typeInfo, TTypeKinds kinds, TPropListArray& list);
PTypeInfo PropInfo_getPropType(PPropInfo prop);
AnsiString PropInfo_getName(PPropInfo prop);
TTypeKind PropType_getKind(PTypeInfo type);
// The object the persistent reports as its owner.
TPersistent* GetUltimateOwner(TPersistent* persistent);
void VarArrayRedimGx(Variant& v, int highBound);
constexpr TRect EmptyRect() { return TRect(0, 0, 0, 0); }
TBytes BytesOf(const AnsiString& s);
void StreamWriteBytes(TStream* stream, const TBytes& bytes);
// bytes gets length count and up to count bytes read from the stream.
void StreamReadBytes(TStream* stream, TBytes& bytes, int count);
// Two upper-case hexadecimal digits per byte, high digit first.
void BinToHexGx(const TBytes& bytes, AnsiString& text, int count);
// count hexadecimal characters (either case) into count div 2 bytes, pair by pair, until a
// character that is no hexadecimal digit; returns the number of bytes converted.
int HexToBinGx(const AnsiString& text, TBytes& bytes, int count);

// Opens a persistent's streaming operations (DefineProperties and the component-streaming calls)
// to the property storage, which cannot call them itself. Owns and frees nothing.
class TFilerAccess : public TInterfacedObjectGx {
    PLANTMON_CLASS(TFilerAccess, TInterfacedObjectGx)
public:
    explicit TFilerAccess(TPersistent* persistent) : persistent_(persistent) {}
    TPersistent* Persistent() const noexcept { return persistent_; }

    void DefineProperties(TFiler* filer);
    // The component calls answer nothing (do nothing) for a persistent that is no component.
    TComponent* GetChildOwner();
    TComponent* GetChildParent();
    void GetChildren(TGetChildProc proc, TComponent* root);
    void SetAncestor(bool value);
    void SetChildOrder(TComponent* child, int order);
    void Updated();
    void Updating();

private:
    TPersistent* persistent_;
};
