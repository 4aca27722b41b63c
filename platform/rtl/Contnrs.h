// Object lists.
#pragma once

#include "rtl/Classes.h"

// A list of objects that, while OwnsObjects is set (the default), frees an object when it is
// deleted, removed, cleared or the list is destroyed. Extract hands an object back without freeing it.
class TObjectList : public TList {
    PLANTMON_CLASS(TObjectList, TList)
public:
    explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
    ~TObjectList() override { Clear(); }

    bool OwnsObjects() const noexcept { return ownsObjects_; }
    void SetOwnsObjects(bool b) noexcept { ownsObjects_ = b; }

    TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
    TObject* operator[](int index) const { return Items(index); }
    void SetItem(int index, TObject* obj) { TList::SetItem(index, obj); }
    int Add(TObject* obj) { return TList::Add(obj); }
    void Insert(int index, TObject* obj) { TList::Insert(index, obj); }
    int Remove(TObject* obj) { return TList::Remove(obj); }
    TObject* Extract(TObject* obj) { return static_cast<TObject*>(TList::Extract(obj)); }
    int IndexOf(TObject* obj) const { return TList::IndexOf(obj); }
    TObject* First() const { return Items(0); }
    TObject* Last() const { return Items(Count() - 1); }

protected:
    void Notify(void* ptr, TListNotification action) override {
        if (ownsObjects_ && action == lnDeleted) delete static_cast<TObject*>(ptr);
        TList::Notify(ptr, action);
    }

private:
    bool ownsObjects_;
};
