#include "gridlib/editors/GridLibPlatform.h"

#include "gui/WinApi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// ---- Text ------------------------------------------------------------------------------------------

int AnsiStringCompare(const AnsiString& s1, const AnsiString& s2, int count, bool ignoreCase) {
    int r;
    if (count > 0) r = ignoreCase ? AnsiStrLIComp(s1, s2, count) : AnsiStrLComp(s1, s2, count);
    else r = ignoreCase ? AnsiCompareText(s1, s2) : AnsiCompareStr(s1, s2);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int WideStringCompare(const AnsiString& s1, const AnsiString& s2, int count, bool ignoreCase) {
    return AnsiStringCompare(s1, s2, count, ignoreCase);
}

AnsiString NlsUpperCase(const AnsiString& s) { return AnsiUpperCase(s); }
AnsiString NlsLowerCase(const AnsiString& s) { return AnsiLowerCase(s); }
int NlsCompareStr(const AnsiString& s1, const AnsiString& s2) { return AnsiCompareStr(s1, s2); }
int NlsCompareText(const AnsiString& s1, const AnsiString& s2) { return AnsiCompareText(s1, s2); }

// ---- Datasets ----------------------------------------------------------------------------------------

int DataSetCompareBookmarks(TDataSet* dataSet, const TBookmarkStr& bm1, const TBookmarkStr& bm2) {
    return dataSet->CompareBookmarks(bm1, bm2);
}

bool DataSetBookmarkValid(TDataSet* dataSet, const TBookmarkStr& bm) { return dataSet->BookmarkValid(bm); }

TDataSet* GetMasterDataSet(TDataSet* dataSet, PPropInfo prop) {
    if (!dataSet || !prop || PropType_getKind(PropInfo_getPropType(prop)) != tkClass) return nullptr;
    try {
        if (auto* source = dynamic_cast<TDataSource*>(GetObjectProp(dataSet, prop))) return source->DataSet();
    } catch (...) {
        // A property that cannot be read names no master.
    }
    return nullptr;
}

// ---- Casts ---------------------------------------------------------------------------------------------

bool IsObjectAndIntegerRefSame(const TObject* obj, std::intptr_t ref) { return ObjectToIntPtr(obj) == ref; }

TObject* IntPtrToObject(std::intptr_t ref) { return reinterpret_cast<TObject*>(ref); }

std::intptr_t ObjectToIntPtr(const TObject* obj) { return reinterpret_cast<std::intptr_t>(obj); }

AnsiString IntPtrToString(std::intptr_t ref) { return ref ? AnsiString(reinterpret_cast<const char*>(ref)) : AnsiString(); }

std::int32_t ExplicitLongwordToLongInt(std::uint32_t value) { return static_cast<std::int32_t>(value); }

std::int32_t SmallPointToInteger(TSmallPoint p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.x)) |
                                     (static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.y)) << 16));
}

TObject* VariantToRefObject(const Variant& v) {
    if (VarIsNull(v) || VarIsEmpty(v)) return nullptr;
    return IntPtrToObject(static_cast<std::intptr_t>(v.AsInt64()));
}

Variant RefObjectToVariant(const TObject* obj) { return Variant(static_cast<long long>(ObjectToIntPtr(obj))); }

void DataVarCastAsObject(Variant& dest, const Variant& source) { dest = source; }

// ---- Memory ----------------------------------------------------------------------------------------------

void FillDWord(void* dest, int count, std::uint32_t value) {
    auto* p = static_cast<unsigned char*>(dest);
    for (int i = 0; i < count; ++i) std::memcpy(p + static_cast<std::size_t>(i) * 4, &value, 4);
}

namespace {
std::vector<std::vector<unsigned char>>& scratchBlocks() {
    thread_local std::vector<std::vector<unsigned char>> blocks;
    return blocks;
}
}  // namespace

void* StackAlloc(int size) {
    const std::size_t rounded = (static_cast<std::size_t>(std::max(0, size)) + 3) & ~std::size_t(3);
    auto& blocks = scratchBlocks();
    blocks.emplace_back(std::max<std::size_t>(rounded, 4));
    return blocks.back().data();
}

void StackFree(void* p) {
    auto& blocks = scratchBlocks();
    if (!blocks.empty() && blocks.back().data() == p) blocks.pop_back();
}

void* TMemoryStreamGx::Realloc(long long& newCapacity) {
    const long long step = 2LL * CapacityHalfStep;
    if (newCapacity > 0 && newCapacity != Size() && step > 0) newCapacity = (newCapacity + step - 1) / step * step;
    if (newCapacity == Capacity()) return Memory();
    if (newCapacity == 0) {
        std::free(Memory());
        reserved_ = 0;
        return nullptr;
    }
    if (Memory() && newCapacity <= reserved_ && newCapacity > Capacity()) return Memory();
    long long bytes = newCapacity;
    if (newCapacity > Capacity() && Capacity() > 0) bytes = std::max(newCapacity, reserved_ + reserved_ / 2);
    void* p = std::realloc(Memory(), static_cast<std::size_t>(bytes));
    if (!p) throw EStreamError("Out of memory while expanding memory stream");
    reserved_ = bytes;
    return p;
}

// ---- Window-system wrappers -------------------------------------------------------------------------------

int DrawTextGx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format) {
    return DrawText(dc, text, count, rect, format);
}

int WindowsDrawTextEx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format) {
    return DrawTextEx(dc, text, count, rect, format, nullptr);
}

int WindowsDrawTextEx(HDC dc, const AnsiString& text, int count, TRect& rect, unsigned format,
                      const TDrawTextParams& params) {
    TDrawTextParams copy = params;
    return DrawTextEx(dc, text, count, rect, format, &copy);
}

bool WindowsExtTextOut(HDC dc, int x, int y, unsigned options, const TRect* rect, const AnsiString& text, int count) {
    return ExtTextOut(dc, x, y, options, rect, text, count);
}

unsigned WindowsGetOutlineTextMetrics(HDC dc, unsigned bufferSize, TOutlineTextMetric* metrics) {
    return GetOutlineTextMetrics(dc, bufferSize, metrics);
}

LRESULT SendTextMessage(HWND handle, UINT msg, WPARAM wParam, const AnsiString& text) {
    return SendMessage(handle, msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT SendGetTextMessage(HWND handle, UINT msg, WPARAM wParam, AnsiString& text, int /*bufferSize*/) {
    constexpr std::size_t kBuffer = 4096;
    std::vector<char> buffer(kBuffer, '\0');
    const std::uint16_t capacity = static_cast<std::uint16_t>(kBuffer);
    std::memcpy(buffer.data(), &capacity, sizeof capacity);
    LRESULT r = SendMessage(handle, msg, wParam, reinterpret_cast<LPARAM>(buffer.data()));
    const std::size_t n = std::min<std::size_t>(kBuffer, r > 0 ? static_cast<std::size_t>(r) : 0);
    text = AnsiString(buffer.data(), n);
    return r;
}

bool SystemParametersInfoGx(UINT action, UINT param, void* data, UINT winIni) {
    return SystemParametersInfo(action, param, data, winIni);
}

bool WindowsInvalidateRect(HWND handle, const TRect* rect, bool erase) { return InvalidateRect(handle, rect, erase); }

bool WindowsValidateRect(HWND handle, const TRect* rect) { return ValidateRect(handle, rect); }

int WindowsScrollWindowEx(HWND handle, int dx, int dy, const TRect* scrollRect, const TRect* clipRect,
                          HRGN updateRegion, UINT flags) {
    return ScrollWindowEx(handle, dx, dy, scrollRect, clipRect, updateRegion, nullptr, flags);
}

bool WindowsScrollWindow(HWND handle, int dx, int dy, const TRect* scrollRect, const TRect* clipRect) {
    return ScrollWindow(handle, dx, dy, scrollRect, clipRect);
}

HWND FindWindowGx(const AnsiString& className, const AnsiString& windowName) {
    return FindWindow(className.c_str(), windowName.c_str());
}

bool WindowsLPtoDP(HDC dc, TRect& rect) {
    TPoint corners[2] = {TPoint(rect.Left, rect.Top), TPoint(rect.Right, rect.Bottom)};
    bool ok = LPtoDP(dc, corners, 2);
    rect = TRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    return ok;
}

HRGN WindowsCreatePolygonRgn(const TPoint* points, int count, int fillMode) {
    std::vector<TPoint> copy(points, points + std::max(0, count));
    return CreatePolygonRgn(copy.data(), count, fillMode);
}

LRESULT MessageSendGetSel(HWND handle, DWORD& selStart, DWORD& selEnd) {
    return SendMessage(handle, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
}

HBITMAP LoadBitmapGx(HINSTANCE instance, int resourceNumber) { return LoadBitmap(instance, resourceNumber); }

void BitmapLoadFromResourceName(TBitmap* bitmap, HINSTANCE, const AnsiString& name) { bitmap->LoadFromResourceName(name); }

// ---- Message views ---------------------------------------------------------------------------------------

void VarToMessage(const TMessage& source, TMessage& message) { message = source; }

TMessage& MessageToTMessage(void* message) { return *static_cast<TMessage*>(message); }

TWMMouse MessageToTWMMouse(TMessage& m) {
    return TWMMouse{m.Msg, m.WParam, static_cast<std::int16_t>(m.XPos()), static_cast<std::int16_t>(m.YPos()), m.Result};
}

TWMKey MessageToTWMKey(TMessage& m) { return TWMKey{m.Msg, m.CharCode(), m.LParam, m.Result}; }

TMessage& UnwrapMessageGx(void* message) { return MessageToTMessage(message); }

// ---- Type information and streaming --------------------------------------------------------------------

void GetPropListAsArray(PTypeInfo typeInfo, TTypeKinds kinds, TPropListArray& list) {
    list = GetPropList(typeInfo, kinds);
    std::stable_sort(list.begin(), list.end(), [](PPropInfo a, PPropInfo b) { return CompareText(a->Name, b->Name) < 0; });
}

PTypeInfo PropInfo_getPropType(PPropInfo prop) { return prop ? prop->PropType : nullptr; }

AnsiString PropInfo_getName(PPropInfo prop) { return prop ? prop->Name : AnsiString(); }

TTypeKind PropType_getKind(PTypeInfo type) { return type ? type->Kind : tkUnknown; }

TPersistent* GetUltimateOwner(TPersistent* persistent) { return persistent ? persistent->GetOwner() : nullptr; }

void VarArrayRedimGx(Variant& v, int highBound) { VarArrayRedim(v, highBound); }

TBytes BytesOf(const AnsiString& s) { return TBytes(s.str().begin(), s.str().end()); }

void StreamWriteBytes(TStream* stream, const TBytes& bytes) {
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
}

void StreamReadBytes(TStream* stream, TBytes& bytes, int count) {
    bytes.assign(static_cast<std::size_t>(std::max(0, count)), 0);
    if (count > 0) stream->Read(bytes.data(), count);
}

void BinToHexGx(const TBytes& bytes, AnsiString& text, int count) {
    static const char digits[] = "0123456789ABCDEF";
    const int n = std::clamp(count, 0, static_cast<int>(bytes.size()));
    std::string out;
    out.reserve(static_cast<std::size_t>(n) * 2);
    for (int i = 0; i < n; ++i) {
        out += digits[bytes[static_cast<std::size_t>(i)] >> 4];
        out += digits[bytes[static_cast<std::size_t>(i)] & 0x0F];
    }
    text = AnsiString(std::move(out));
}

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

int HexToBinGx(const AnsiString& text, TBytes& bytes, int count) {
    const int size = std::max(0, count) / 2;
    bytes.assign(static_cast<std::size_t>(size), 0);
    const std::string& s = text.str();
    int done = 0;
    for (; done < size; ++done) {
        const std::size_t i = static_cast<std::size_t>(done) * 2;
        if (i + 1 >= s.size()) break;
        // Only real hexadecimal digits: a range test from '0' to 'f' would let ':' .. '@' and
        // 'G' .. '`' through as garbage.
        const int hi = hexValue(s[i]), lo = hexValue(s[i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes[static_cast<std::size_t>(done)] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return done;
}

// ---- TFilerAccess ------------------------------------------------------------------------------------------

namespace {
// The streaming calls are protected; a pointer to member formed through a derived class reaches
// them on any persistent or component.
struct StreamingAccess : TComponent {
    static void defineProperties(TPersistent* p, TFiler* filer) { (p->*(&StreamingAccess::DefineProperties))(filer); }
    static TComponent* childOwner(TComponent* c) { return (c->*(&StreamingAccess::GetChildOwner))(); }
    static TComponent* childParent(TComponent* c) { return (c->*(&StreamingAccess::GetChildParent))(); }
    static void children(TComponent* c, TGetChildProc proc, TComponent* root) {
        (c->*(&StreamingAccess::GetChildren))(proc, root);
    }
    static void ancestor(TComponent* c, bool value) { (c->*(&StreamingAccess::SetAncestor))(value); }
    static void childOrder(TComponent* c, TComponent* child, int order) {
        (c->*(&StreamingAccess::SetChildOrder))(child, order);
    }
    static void updated(TComponent* c) { (c->*(&StreamingAccess::Updated))(); }
    static void updating(TComponent* c) { (c->*(&StreamingAccess::Updating))(); }
};
}  // namespace

void TFilerAccess::DefineProperties(TFiler* filer) {
    if (persistent_) StreamingAccess::defineProperties(persistent_, filer);
}

TComponent* TFilerAccess::GetChildOwner() {
    auto* c = dynamic_cast<TComponent*>(persistent_);
    return c ? StreamingAccess::childOwner(c) : nullptr;
}

TComponent* TFilerAccess::GetChildParent() {
    auto* c = dynamic_cast<TComponent*>(persistent_);
    return c ? StreamingAccess::childParent(c) : nullptr;
}

void TFilerAccess::GetChildren(TGetChildProc proc, TComponent* root) {
    if (auto* c = dynamic_cast<TComponent*>(persistent_)) StreamingAccess::children(c, proc, root);
}

void TFilerAccess::SetAncestor(bool value) {
    if (auto* c = dynamic_cast<TComponent*>(persistent_)) StreamingAccess::ancestor(c, value);
}

void TFilerAccess::SetChildOrder(TComponent* child, int order) {
    if (auto* c = dynamic_cast<TComponent*>(persistent_)) StreamingAccess::childOrder(c, child, order);
}

void TFilerAccess::Updated() {
    if (auto* c = dynamic_cast<TComponent*>(persistent_)) StreamingAccess::updated(c);
}

void TFilerAccess::Updating() {
    if (auto* c = dynamic_cast<TComponent*>(persistent_)) StreamingAccess::updating(c);
}
