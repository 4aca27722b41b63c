// TList and the collections.
#include "rtl/Classes.h"

#include <algorithm>

namespace {
[[noreturn]] void indexError(int index) {
    throw EListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
}
}  // namespace

// ---- TList ---------------------------------------------------------------------------------------

TList::~TList() { Clear(); }

void TList::checkIndex(int index) const {
    if (index < 0 || index >= Count()) indexError(index);
}

void* TList::Items(int index) const {
    checkIndex(index);
    return items_[static_cast<std::size_t>(index)];
}

void TList::SetItem(int index, void* item) {
    checkIndex(index);
    void* old = items_[static_cast<std::size_t>(index)];
    if (old == item) return;
    items_[static_cast<std::size_t>(index)] = item;
    if (old) Notify(old, lnDeleted);
    if (item) Notify(item, lnAdded);
}

void TList::SetCapacity(int n) {
    if (n < Count()) throw EListError("Недопустимая емкость списка (" + std::to_string(n) + ")");
    items_.reserve(static_cast<std::size_t>(n));
}

int TList::Add(void* item) {
    items_.push_back(item);
    if (item) Notify(item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) indexError(index);
    items_.insert(items_.begin() + index, item);
    if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
    checkIndex(index);
    void* old = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    if (old) Notify(old, lnDeleted);
}

int TList::Remove(void* item) {
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
    return i;
}

void* TList::Extract(void* item) {
    int i = IndexOf(item);
    if (i < 0) return nullptr;
    items_.erase(items_.begin() + i);
    Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Clear() {
    while (!items_.empty()) Delete(Count() - 1);
    items_.shrink_to_fit();
}

void TList::Exchange(int a, int b) {
    checkIndex(a);
    checkIndex(b);
    std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
}

void TList::Move(int cur, int to) {
    if (cur == to) return;
    checkIndex(cur);
    checkIndex(to);
    void* p = items_[static_cast<std::size_t>(cur)];
    items_.erase(items_.begin() + cur);
    items_.insert(items_.begin() + to, p);
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const std::function<int(void*, void*)>& compare) {
    if (!compare) return;
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::Notify(void*, TListNotification) {}

// ---- TCollectionItem -----------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_) return;
    if (collection_) collection_->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    auto& v = collection_->items_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TCollectionItem::SetIndex(int index) {
    int cur = Index();
    if (cur < 0 || cur == index) return;
    auto& v = collection_->items_;
    if (index < 0 || index >= static_cast<int>(v.size())) indexError(index);
    v.erase(v.begin() + cur);
    v.insert(v.begin() + index, this);
    Changed(true);
}

TPersistent* TCollectionItem::GetOwner() { return collection_; }

AnsiString TCollectionItem::GetNamePath() const {
    if (!collection_) return ClassName();
    return collection_->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection ---------------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass) : itemClass_(std::move(itemClass)) {}

TCollection::~TCollection() {
    updateCount_ = 1;  // no Update calls into a collection being destroyed
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
    if (!itemClass_) throw EInvalidOperation("Коллекции не задан класс элементов");
    TCollectionItem* item = itemClass_(this);
    if (item && item->collection_ != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    delete item;
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    try {
        while (!items_.empty()) delete items_.back();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) indexError(index);
    return items_[static_cast<std::size_t>(index)];
}

void TCollection::SetItem(int index, TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* it : items_)
        if (it->id_ == id) return it;
    return nullptr;
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    Changed();
}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TCollection*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    if (src == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* it : src->items_) Add()->Assign(it);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

AnsiString TCollection::GetNamePath() const {
    TPersistent* owner = const_cast<TCollection*>(this)->GetOwner();
    return owner ? owner->GetNamePath() : ClassName();
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    SetItemName(item);
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    Notify(item, cnExtracting);
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
    item->collection_ = nullptr;
    Changed();
}
