// TStrings and TStringList.
#include "rtl/Classes.h"

#include "rtl/FileUtils.h"
#include "rtl/Filers.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

[[noreturn]] void listIndexError(int index) {
    throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
}

std::string readWholeFile(const AnsiString& fileName) {
    std::ifstream in(PosixPath(fileName).str(), std::ios::binary);
    if (!in) throw EFOpenError("Не удается открыть файл \"" + fileName + "\"");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes;
}

}  // namespace

// ---- TStrings --------------------------------------------------------------------------------

void TStrings::Put(int index, const AnsiString& s) {
    TObject* obj = GetObject(index);
    BeginUpdate();
    try {
        Delete(index);
        InsertObject(index, s, obj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const AnsiString& s) {
    int i = Count();
    Insert(i, s);
    return i;
}

int TStrings::AddObject(const AnsiString& s, TObject* obj) {
    int i = Add(s);
    PutObject(i, obj);
    return i;
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* obj) {
    Insert(index, s);
    PutObject(index, obj);
}

void TStrings::AddStrings(const TStrings* other) {
    if (!other) return;
    BeginUpdate();
    try {
        // A copy first: other may be this list.
        std::vector<std::pair<AnsiString, TObject*>> items;
        for (int i = 0; i < other->Count(); ++i) items.emplace_back(other->Get(i), other->GetObject(i));
        for (auto& it : items) AddObject(it.first, it.second);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const AnsiString& s) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i) {
        AnsiString line = Get(i);
        int p = line.Pos("=");
        if (p > 0 && AnsiCompareText(line.SubString(1, p - 1), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* obj) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == obj) return i;
    return -1;
}

void TStrings::Move(int cur, int to) {
    if (cur == to) return;
    BeginUpdate();
    try {
        AnsiString s = Get(cur);
        TObject* obj = GetObject(cur);
        Delete(cur);
        InsertObject(to, s, obj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Exchange(int a, int b) {
    BeginUpdate();
    try {
        AnsiString sa = Get(a);
        TObject* oa = GetObject(a);
        AnsiString sb = Get(b);
        TObject* ob = GetObject(b);
        Put(a, sb);
        PutObject(a, ob);
        Put(b, sa);
        PutObject(b, oa);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

AnsiString TStrings::Names(int index) const {
    AnsiString line = Get(index);
    int p = line.Pos("=");
    return p > 0 ? line.SubString(1, p - 1) : AnsiString();
}

AnsiString TStrings::ValueFromIndex(int index) const {
    AnsiString line = Get(index);
    int p = line.Pos("=");
    return p > 0 ? line.SubString(p + 1, line.Length()) : AnsiString();
}

AnsiString TStrings::Values(const AnsiString& name) const {
    int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : AnsiString();
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value) {
    int i = IndexOfName(name);
    if (value.IsEmpty()) {
        if (i >= 0) Delete(i);
        return;
    }
    if (i < 0) Add(name + "=" + value);
    else Put(i, name + "=" + value);
}

AnsiString TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i).str();
        out += "\r\n";
    }
    return AnsiString(std::move(out));
}

void TStrings::SetText(const AnsiString& text) {
    BeginUpdate();
    try {
        Clear();
        const std::string& t = text.str();
        std::size_t start = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\r' || t[i] == '\n') {
                Add(AnsiString(t.substr(start, i - start)));
                if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
                start = i + 1;
            }
        }
        if (start < t.size()) Add(AnsiString(t.substr(start)));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

namespace {

std::string joinDelimited(const TStrings& list, char delim, char quote, bool strict) {
    if (list.Count() == 1 && list.Get(0).IsEmpty()) return std::string(2, quote);
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        if (i) out += delim;
        const AnsiString item = list.Get(i);
        const std::string& s = item.str();
        bool needQuote = false;
        for (char c : s) {
            if (c == quote || c == delim || (!strict && static_cast<unsigned char>(c) <= 0x20)) {
                needQuote = true;
                break;
            }
        }
        if (needQuote) out += AnsiQuotedStr(AnsiString(s), quote).str();
        else out += s;
    }
    return out;
}

void splitDelimited(TStrings& list, const std::string& t, char delim, char quote, bool strict) {
    auto blank = [&](char c) { return !strict && static_cast<unsigned char>(c) <= 0x20 && c != delim; };
    list.BeginUpdate();
    try {
        list.Clear();
        std::size_t i = 0;
        while (i < t.size() && blank(t[i])) ++i;
        while (i < t.size()) {
            std::string item;
            if (t[i] == quote) {
                ++i;
                while (i < t.size()) {
                    if (t[i] == quote) {
                        if (i + 1 < t.size() && t[i + 1] == quote) {
                            item += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    item += t[i++];
                }
                // Anything glued to the closing quote belongs to the same item.
                while (i < t.size() && t[i] != delim && !blank(t[i])) item += t[i++];
            } else {
                while (i < t.size() && t[i] != delim && !blank(t[i])) item += t[i++];
            }
            list.Add(AnsiString(item));
            while (i < t.size() && blank(t[i])) ++i;
            if (i < t.size() && t[i] == delim) {
                ++i;
                while (i < t.size() && blank(t[i])) ++i;
                if (i >= t.size()) list.Add(AnsiString());  // a trailing delimiter ends an empty item
            }
        }
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

}  // namespace

AnsiString TStrings::CommaText() const { return AnsiString(joinDelimited(*this, ',', '"', false)); }
void TStrings::SetCommaText(const AnsiString& text) { splitDelimited(*this, text.str(), ',', '"', false); }
AnsiString TStrings::DelimitedText() const {
    return AnsiString(joinDelimited(*this, delimiter_, quoteChar_, strictDelimiter_));
}
void TStrings::SetDelimitedText(const AnsiString& text) {
    splitDelimited(*this, text.str(), delimiter_, quoteChar_, strictDelimiter_);
}

void TStrings::BeginUpdate() {
    // The state change is announced before the count goes up, so OnChanging still fires.
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromFile(const AnsiString& fileName) {
    std::string bytes = readWholeFile(fileName);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    else if (!IsValidUtf8(bytes)) bytes = Cp1251ToUtf8(bytes);
    SetText(AnsiString(std::move(bytes)));
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
    std::ofstream out(PosixPath(fileName).str(), std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError("Не удается создать файл \"" + fileName + "\"");
    const std::string t = Text().str();
    out.write(t.data(), static_cast<std::streamsize>(t.size()));
    out.flush();
    if (!out) throw EWriteError("Ошибка записи в файл \"" + fileName + "\"");
}

void TStrings::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TStrings*>(source)) {
        if (src == this) return;
        BeginUpdate();
        try {
            Clear();
            delimiter_ = src->delimiter_;
            quoteChar_ = src->quoteChar_;
            strictDelimiter_ = src->strictDelimiter_;
            AddStrings(src);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

bool TStrings::Equals(const TStrings* other) const {
    if (!other || other->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other->Get(i)) return false;
    return true;
}

// ---- TStringList -----------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (ownsObjects_)
        for (Item& it : items_) delete it.obj;
    items_.clear();
}

void TStringList::checkIndex(int index) const {
    if (index < 0 || index >= Count()) listIndexError(index);
}

int TStringList::compare(const AnsiString& a, const AnsiString& b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

AnsiString TStringList::Get(int index) const {
    checkIndex(index);
    return items_[static_cast<std::size_t>(index)].s;
}

void TStringList::Put(int index, const AnsiString& s) {
    if (sorted_) throw EStringListError("Операция недопустима для отсортированного списка");
    checkIndex(index);
    Changing();
    items_[static_cast<std::size_t>(index)].s = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    checkIndex(index);
    return items_[static_cast<std::size_t>(index)].obj;
}

void TStringList::PutObject(int index, TObject* obj) {
    checkIndex(index);
    Changing();
    Item& it = items_[static_cast<std::size_t>(index)];
    if (ownsObjects_ && it.obj && it.obj != obj) delete it.obj;
    it.obj = obj;
    Changed();
}

void TStringList::Insert(int index, const AnsiString& s) {
    if (sorted_) throw EStringListError("Операция недопустима для отсортированного списка");
    if (index < 0 || index > Count()) listIndexError(index);
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
}

int TStringList::Add(const AnsiString& s) {
    if (!sorted_) {
        int i = Count();
        Insert(i, s);
        return i;
    }
    int index;
    if (Find(s, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EStringListError("Список строк не допускает дубликатов");
    }
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
    return index;
}

void TStringList::Delete(int index) {
    checkIndex(index);
    Changing();
    TObject* obj = items_[static_cast<std::size_t>(index)].obj;
    items_.erase(items_.begin() + index);
    if (ownsObjects_) delete obj;
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item> old;
    old.swap(items_);
    if (ownsObjects_)
        for (Item& it : old) delete it.obj;
    Changed();
}

int TStringList::IndexOf(const AnsiString& s) const {
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (compare(items_[static_cast<std::size_t>(i)].s, s) == 0) return i;
    return -1;
}

void TStringList::Move(int cur, int to) {
    if (cur == to) return;
    checkIndex(cur);
    checkIndex(to);
    Changing();
    Item it = items_[static_cast<std::size_t>(cur)];
    items_.erase(items_.begin() + cur);
    items_.insert(items_.begin() + to, it);
    Changed();
}

void TStringList::SetSorted(bool b) {
    if (b == sorted_) return;
    if (b) Sort();
    sorted_ = b;
}

void TStringList::SetCaseSensitive(bool b) {
    if (b == caseSensitive_) return;
    caseSensitive_ = b;
    if (sorted_) Sort();
}

bool TStringList::Find(const AnsiString& s, int& index) const {
    // First position whose string is not less than s (the first of equal strings).
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (compare(items_[static_cast<std::size_t>(mid)].s, s) < 0) lo = mid + 1;
        else hi = mid;
    }
    index = lo;
    return lo < Count() && compare(items_[static_cast<std::size_t>(lo)].s, s) == 0;
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return compare(a.s, b.s) < 0; });
    Changed();
}

void TStringList::CustomSort(std::function<int(TStringList*, int, int)> cmp) {
    if (!cmp || Count() < 2) return;
    Changing();
    // Insertion into a sorted prefix by binary search; the comparison sees the list through
    // indices, so the items move in place as they are placed.
    for (int i = 1; i < Count(); ++i) {
        int lo = 0, hi = i;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (cmp(this, mid, i) <= 0) lo = mid + 1;
            else hi = mid;
        }
        if (lo != i) {
            Item it = items_[static_cast<std::size_t>(i)];
            items_.erase(items_.begin() + i);
            items_.insert(items_.begin() + lo, it);
        }
    }
    Changed();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) Changing();
    else Changed();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStrings::DefineProperties(TFiler* filer) {
    TPersistent::DefineProperties(filer);
    auto read = [this](TReader* reader) {
        BeginUpdate();
        try {
            Clear();
            reader->ReadListBegin();
            while (!reader->EndOfList()) Add(reader->ReadString());
            reader->ReadListEnd();
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    };
    auto write = [this](TWriter* writer) {
        writer->WriteListBegin();
        for (int i = 0; i < Count(); ++i) writer->WriteString(Get(i));
        writer->WriteListEnd();
    };
    filer->DefineProperty("Strings", TReaderProc(read), TWriterProc(write), Count() > 0);
}
