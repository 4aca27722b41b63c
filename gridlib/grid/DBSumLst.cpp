// The aggregate engine: the producer's dataset hooks, the full and the incremental recounts, the
// virtual records, and the sum list component.
#include "gridlib/grid/DBSumLst.h"

#include "gridlib/editors/GridLibPlatform.h"
#include "rtl/TypInfo.h"

#include <cmath>

namespace {

// value × 10,000 taken to the nearest integer, halves to the even neighbour.
Currency nearScaled(double value) { return Currency::FromRaw(static_cast<std::int64_t>(std::nearbyint(value * 10000.0))); }

Currency fieldScaled(TField* f) { return f->IsNull() ? Currency() : nearScaled(f->AsFloat()); }

Currency average(Currency sum, int count) {
    if (count <= 0) return Currency();
    return Currency::FromRaw(static_cast<std::int64_t>(std::nearbyint(static_cast<double>(sum.Raw()) / count)));
}

const Currency OneRecord = Currency::FromRaw(10000);

// Tells the producer when its dataset or the master goes away, so it never reaches a freed one.
class TDataSetWatcher : public TComponent {
public:
    explicit TDataSetWatcher(TClosure<void(TComponent*)> gone) : TComponent(nullptr), gone_(std::move(gone)) {}

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove) gone_(component);
    }

private:
    TClosure<void(TComponent*)> gone_;
};

}  // namespace

// ==== TDBSum ============================================================================================

TDBSum::TDBSum(TCollection* collection) : TCollectionItem(collection) {}

void TDBSum::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TDBSum*>(source)) {
        groupOperation_ = src->groupOperation_;
        fieldName_ = src->fieldName_;
        oldValue_ = src->oldValue_;
        SumTotal = src->SumTotal;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(source);
}

void TDBSum::SetFieldName(const AnsiString& name) {
    if (name == fieldName_) return;
    fieldName_ = name;
    Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation op) {
    if (op == groupOperation_) return;
    groupOperation_ = op;
    Changed(false);
}

// ==== TDBSumCollection ==================================================================================

TDBSumCollection::TDBSumCollection(TDBSumListProducer* producer)
    : TCollection([](TCollection* c) -> TCollectionItem* {
          // The collection recounts on every change: a new aggregate is built whole before the
          // recount reads it.
          c->BeginUpdate();
          TCollectionItem* item = nullptr;
          try {
              item = new TDBSum(c);
          } catch (...) {
              c->EndUpdate();
              throw;
          }
          c->EndUpdate();
          return item;
      }),
      producer_(producer) {}

TPersistent* TDBSumCollection::GetOwner() { return producer_; }

TDBSum* TDBSumCollection::GetSumByOpAndFName(TGroupOperation op, const AnsiString& fieldName) const {
    for (int i = 0; i < Count(); ++i) {
        TDBSum* s = Items(i);
        if (s->GroupOperation() == op && AnsiCompareText(s->FieldName(), fieldName) == 0) return s;
    }
    return nullptr;
}

void TDBSumCollection::Update(TCollectionItem*) {
    if (producer_) producer_->Update();
}

// ==== TDBSumListProducer ================================================================================

TDBSumListProducer::TDBSumListProducer(TComponent* owner)
    : owner_(owner),
      sumCollection_(std::make_unique<TDBSumCollection>(this)),
      virtualRecordList_(std::make_unique<TStringList>()),
      watcher_(std::make_unique<TDataSetWatcher>(TClosure<void(TComponent*)>([this](TComponent* c) { componentGone(c); }))) {
    active_ = true;
}

TDBSumListProducer::~TDBSumListProducer() {
    Deactivate(false);
    if (dataSet_ && !dataSet_->Destroying()) dataSet_->RemoveFreeNotification(watcher_.get());
    if (masterDataSet_ && !masterDataSet_->Destroying()) masterDataSet_->RemoveFreeNotification(watcher_.get());
    // The collection goes while nothing recounts any more.
    dataSet_ = nullptr;
    sumCollection_.reset();
}

TPersistent* TDBSumListProducer::GetOwner() { return owner_; }

bool TDBSumListProducer::ownerLoading() const { return owner_ && (owner_->ComponentState() & csLoading); }

bool TDBSumListProducer::restricted() const {
    if (!owner_) return false;
    return ownerLoading() || ((owner_->ComponentState() & csDesigning) && !designTimeWork_);
}

bool TDBSumListProducer::virtualMode() const {
    return dataSet_ && !dataSet_->IsSequenced() && virtualRecords_ && active_;
}

TField* TDBSumListProducer::partField(TDBSum* sum) const {
    if (!dataSet_ || sum->FieldName().IsEmpty()) return nullptr;
    return dataSet_->FindField(sum->FieldName());
}

bool TDBSumListProducer::takesPart(TDBSum* sum) const {
    if (sum->FieldName().IsEmpty()) return sum->GroupOperation() == goCount;
    // A field the dataset lacks takes no part: the aggregate stays 0 instead of failing the
    // dataset's own operations.
    return partField(sum) != nullptr;
}

void TDBSumListProducer::componentGone(TComponent* c) {
    if (c == masterDataSet_) {
        masterDataSet_ = nullptr;
        masterSubscription_ = -1;
    }
    if (c == dataSet_) {
        // Its listeners went with it.
        subscriptions_.clear();
        masterSubscription_ = -1;
        if (masterDataSet_) masterDataSet_->RemoveFreeNotification(watcher_.get());
        masterDataSet_ = nullptr;
        eventsHooked_ = false;
        virtualRecordList_->Clear();
        dataSet_ = nullptr;
    }
}

void TDBSumListProducer::SetDataSet(TDataSet* value) {
    if (value == dataSet_) return;
    if (restricted()) {
        if (dataSet_ && !dataSet_->Destroying()) dataSet_->RemoveFreeNotification(watcher_.get());
        dataSet_ = value;
        if (value) value->FreeNotification(watcher_.get());
        return;
    }
    const bool wasActive = active_;
    Deactivate(true);
    if (dataSet_ && !dataSet_->Destroying()) dataSet_->RemoveFreeNotification(watcher_.get());
    dataSet_ = value;
    if (value) value->FreeNotification(watcher_.get());
    if (wasActive) Activate(true);
}

void TDBSumListProducer::SetActive(bool value) {
    if (value == active_) return;
    if (value) Activate(true);
    else Deactivate(true);
}

void TDBSumListProducer::Activate(bool recalc) {
    active_ = true;
    if (restricted()) return;
    SetDataSetEvents();
    if (recalc) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool clear) {
    active_ = false;
    if (restricted()) return;
    ReturnEvents();
    if (clear) ClearSumValues();
}

void TDBSumListProducer::Loaded() {
    if (dataSet_ && active_) Activate(true);
}

void TDBSumListProducer::Update() {
    if (owner_ && (owner_->ComponentState() & (csLoading | csDestroying))) return;
    RecalcAll();
}

void TDBSumListProducer::SetExternalRecalc(bool value) {
    if (value == externalRecalc_) return;
    externalRecalc_ = value;
    RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool value) {
    if (value == virtualRecords_) return;
    virtualRecords_ = value;
    if (value) RecalcAll();
}

void TDBSumListProducer::SetSumCollection(TDBSumCollection* value) { sumCollection_->Assign(value); }

void TDBSumListProducer::DoSumListChanged() { SumListChanged(this); }

void TDBSumListProducer::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TDBSumListProducer*>(source)) {
        SetActive(src->Active());
        SetDataSet(src->DataSet());
        SetExternalRecalc(src->ExternalRecalc());
        SetSumCollection(src->SumCollection());
        SumListChanged = src->SumListChanged;
        SetVirtualRecords(src->VirtualRecords());
        OnAfterRecalcAll = src->OnAfterRecalcAll;
        OnRecalcAll = src->OnRecalcAll;
        return;
    }
    TPersistent::Assign(source);
}

// ---- Hooking ---------------------------------------------------------------------------------------

void TDBSumListProducer::SetDataSetEvents() {
    if (!dataSet_ || eventsHooked_) return;
    using P = TDBSumListProducer;
    auto on = [this](TDataSet::TDataSetEventKind kind, void (P::*handler)(TDataSet*), bool ownWorkFirst) {
        subscriptions_.push_back(dataSet_->Subscribe(kind, TDataSetNotifyEvent(this, handler), ownWorkFirst));
    };
    // The application's handler runs first for moves, deletes and cancels; the producer's own work
    // comes first for the rest.
    on(TDataSet::dekAfterEdit, &P::DataSetAfterEdit, true);
    on(TDataSet::dekAfterInsert, &P::DataSetAfterInsert, true);
    on(TDataSet::dekAfterOpen, &P::DataSetAfterOpen, true);
    on(TDataSet::dekAfterPost, &P::DataSetAfterPost, true);
    on(TDataSet::dekAfterScroll, &P::DataSetAfterScroll, false);
    on(TDataSet::dekBeforeDelete, &P::DataSetBeforeDelete, false);
    on(TDataSet::dekAfterClose, &P::DataSetAfterClose, true);
    on(TDataSet::dekAfterCancel, &P::DataSetAfterCancel, false);
    masterDataSet_ = GetMasterDataSet(dataSet_, GetPropInfo(dataSet_, "MasterSource"));
    if (masterDataSet_) {
        masterDataSet_->FreeNotification(watcher_.get());
        masterSubscription_ = masterDataSet_->Subscribe(
            TDataSet::dekAfterScroll, TDataSetNotifyEvent(this, &P::MasterDataSetAfterScroll), false);
    }
    eventsHooked_ = true;
}

void TDBSumListProducer::unsubscribeAll() {
    // A dataset on its way out drops its listeners itself.
    if (dataSet_ && !dataSet_->Destroying())
        for (int id : subscriptions_) dataSet_->Unsubscribe(id);
    subscriptions_.clear();
    if (masterDataSet_) {
        if (!masterDataSet_->Destroying()) {
            if (masterSubscription_ >= 0) masterDataSet_->Unsubscribe(masterSubscription_);
            masterDataSet_->RemoveFreeNotification(watcher_.get());
        }
    }
    masterSubscription_ = -1;
    masterDataSet_ = nullptr;
}

void TDBSumListProducer::ReturnEvents() {
    if (!eventsHooked_) return;
    unsubscribeAll();
    eventsHooked_ = false;
    virtualRecordList_->Clear();
}

void TDBSumListProducer::ResetMasterInfo() {
    if (!eventsHooked_ || !dataSet_) return;
    if (masterDataSet_ && !masterDataSet_->Destroying()) {
        if (masterSubscription_ >= 0) masterDataSet_->Unsubscribe(masterSubscription_);
        masterDataSet_->RemoveFreeNotification(watcher_.get());
    }
    masterSubscription_ = -1;
    masterDataSet_ = GetMasterDataSet(dataSet_, GetPropInfo(dataSet_, "MasterSource"));
    if (masterDataSet_) {
        masterDataSet_->FreeNotification(watcher_.get());
        masterSubscription_ = masterDataSet_->Subscribe(
            TDataSet::dekAfterScroll, TDataSetNotifyEvent(this, &TDBSumListProducer::MasterDataSetAfterScroll),
            false);
    }
}

// ---- Full recount ----------------------------------------------------------------------------------

void TDBSumListProducer::ClearSumValues() {
    for (int i = 0; i < sumCollection_->Count(); ++i) {
        TDBSum* s = sumCollection_->Items(i);
        s->SumTotal = Currency();
        s->oldValue_ = Currency();
        s->avgSum_ = Currency();
        s->avgCount_ = 0;
    }
    DoSumListChanged();
}

void TDBSumListProducer::rememberFilter() {
    if (!dataSet_) return;
    lastFiltered_ = dataSet_->Filtered();
    lastFilter_ = dataSet_->Filter();
}

void TDBSumListProducer::RecalcAll() {
    const bool designing = owner_ && (owner_->ComponentState() & csDesigning);
    if (!(designTimeWork_ || !designing) || ownerLoading() || !active_ || !dataSet_ || !dataSet_->Active()) return;
    TDataSet* ds = dataSet_;
    try {
        if (eventsHooked_) {
            ClearSumValues();
            positionHint_ = -1;
            OnRecalcAll(this);
            if (externalRecalc_) {
                rememberFilter();
            } else {
                struct Part {
                    TDBSum* sum;
                    TField* field;
                };
                std::vector<Part> parts;
                for (int i = 0; i < sumCollection_->Count(); ++i) {
                    TDBSum* s = sumCollection_->Items(i);
                    if (takesPart(s)) parts.push_back({s, partField(s)});
                }
                const bool collect = !ds->IsSequenced() && virtualRecords_;
                if (!parts.empty() || collect) {
                    ds->DisableControls();
                    // The controls are enabled again however the scan ends: a failing dataset must
                    // not leave every control bound to it frozen.
                    try {
                        virtualRecordList_->Clear();
                        recalculating_ = true;
                        // Running totals in raw scaled units, checked for overflow as Currency is.
                        std::vector<std::int64_t> totals(parts.size(), 0);
                        std::vector<int> counted(parts.size(), 0);
                        auto add = [](std::int64_t& total, std::int64_t v) {
                            if (__builtin_add_overflow(total, v, &total)) throw EOverflow("Currency overflow");
                        };
                        ds->First();
                        while (!ds->Eof()) {
                            for (std::size_t k = 0; k < parts.size(); ++k) {
                                const Part& p = parts[k];
                                switch (p.sum->groupOperation_) {
                                    case goSum:
                                        if (!p.field->IsNull()) add(totals[k], nearScaled(p.field->AsFloat()).Raw());
                                        break;
                                    case goAvg:
                                        if (!p.field->IsNull()) {
                                            ++counted[k];
                                            add(totals[k], nearScaled(p.field->AsFloat()).Raw());
                                        }
                                        break;
                                    case goCount:
                                        if (!p.field || !p.field->IsNull()) add(totals[k], OneRecord.Raw());
                                        break;
                                }
                            }
                            if (collect) virtualRecordList_->Add(ds->Bookmark());
                            ds->Next();
                        }
                        ds->First();
                        for (std::size_t k = 0; k < parts.size(); ++k) {
                            TDBSum* sum = parts[k].sum;
                            if (sum->groupOperation_ == goAvg) {
                                sum->avgSum_ = Currency::FromRaw(totals[k]);
                                sum->avgCount_ = counted[k];
                                sum->SumTotal = average(sum->avgSum_, sum->avgCount_);
                            } else {
                                sum->SumTotal = Currency::FromRaw(totals[k]);
                            }
                        }
                    } catch (...) {
                        ds->EnableControls();
                        throw;
                    }
                    ds->EnableControls();
                }
                OnAfterRecalcAll(this);
                rememberFilter();
            }
        }
    } catch (...) {
        rememberFilter();
        recalculating_ = false;
        DoSumListChanged();
        throw;
    }
    recalculating_ = false;
    DoSumListChanged();
}

// ---- Incremental updates ---------------------------------------------------------------------------

void TDBSumListProducer::DataSetAfterEdit(TDataSet*) {
    if (!active_) return;
    for (int i = 0; i < sumCollection_->Count(); ++i) {
        TDBSum* s = sumCollection_->Items(i);
        if (!takesPart(s)) continue;
        TField* f = partField(s);
        if (s->groupOperation_ == goCount) {
            s->oldValue_ = (!f || !f->IsNull()) ? OneRecord : Currency();
        } else {
            s->oldValue_ = fieldScaled(f);
            s->oldVarValue_ = f->Value();
        }
    }
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet*) {
    if (!active_) return;
    for (int i = 0; i < sumCollection_->Count(); ++i) {
        TDBSum* s = sumCollection_->Items(i);
        if (!takesPart(s)) continue;
        TField* f = partField(s);
        if (s->groupOperation_ == goCount) {
            s->oldValue_ = (f && !f->IsNull()) ? OneRecord : Currency();
        } else {
            s->oldValue_ = Currency();
            s->oldVarValue_ = Null();
        }
    }
    if (virtualMode()) {
        const TBookmark bm = dataSet_->Bookmark();
        if (!bm.IsEmpty()) virtualRecordList_->Add(bm);
        else insertPending_ = true;
    }
}

void TDBSumListProducer::DataSetAfterPost(TDataSet*) {
    if (!active_) return;
    for (int i = 0; i < sumCollection_->Count(); ++i) {
        TDBSum* s = sumCollection_->Items(i);
        if (!takesPart(s)) continue;
        TField* f = partField(s);
        const Currency o = s->oldValue_;
        switch (s->groupOperation_) {
            case goSum:
                if (f->IsNull()) s->SumTotal -= o;
                else s->SumTotal = nearScaled(f->AsFloat()) + s->SumTotal - o;
                break;
            case goAvg: {
                const bool wasNull = VarIsNull(s->oldVarValue_);
                if (f->IsNull() && !wasNull) --s->avgCount_;
                else if (!f->IsNull() && wasNull) ++s->avgCount_;
                if (f->IsNull()) s->avgSum_ -= o;
                else s->avgSum_ = nearScaled(f->AsFloat()) + s->avgSum_ - o;
                s->SumTotal = average(s->avgSum_, s->avgCount_);
                break;
            }
            case goCount:
                if (f && f->IsNull()) s->SumTotal -= o;
                else s->SumTotal = s->SumTotal - o + OneRecord;
                break;
        }
    }
    if (virtualMode() && insertPending_) {
        const TBookmark bm = dataSet_->Bookmark();
        const int n = virtualRecordList_->Count();
        int i = positionHint_ >= 0 && positionHint_ < n ? positionHint_ : 0;
        while (i < n && DataSetCompareBookmarks(dataSet_, virtualRecordList_->Strings(i), bm) < 0) ++i;
        while (i > 0 && DataSetCompareBookmarks(dataSet_, virtualRecordList_->Strings(i - 1), bm) > 0) --i;
        virtualRecordList_->Insert(i, bm);
    }
    insertPending_ = false;
    DoSumListChanged();
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet*) {
    if (!active_) return;
    for (int i = 0; i < sumCollection_->Count(); ++i) {
        TDBSum* s = sumCollection_->Items(i);
        if (!takesPart(s)) continue;
        TField* f = partField(s);
        switch (s->groupOperation_) {
            case goSum: s->SumTotal -= fieldScaled(f); break;
            case goAvg:
                s->avgSum_ -= fieldScaled(f);
                if (!f->IsNull()) --s->avgCount_;
                s->SumTotal = average(s->avgSum_, s->avgCount_);
                break;
            case goCount:
                if (!f || !f->IsNull()) s->SumTotal -= OneRecord;
                break;
        }
    }
    if (virtualMode()) {
        const int i = FindVirtualRecord(dataSet_->Bookmark());
        if (i >= 0) virtualRecordList_->Delete(i);
    }
    DoSumListChanged();
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet*) {
    if (!active_) return;
    insertPending_ = false;
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet*) {
    if (!active_) return;
    RecalcAll();
}

void TDBSumListProducer::DataSetAfterClose(TDataSet*) {
    if (active_) {
        ClearSumValues();
        DoSumListChanged();
        recalculating_ = false;
    }
    virtualRecordList_->Clear();
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet*) {
    if (!active_ || recalculating_) return;
    if (!dataSet_->Filtered()) {
        if (lastFiltered_) RecalcAll();
    } else if (!lastFiltered_ || dataSet_->Filter() != lastFilter_) {
        RecalcAll();
    }
}

void TDBSumListProducer::MasterDataSetAfterScroll(TDataSet*) {
    if (!active_ || recalculating_) return;
    RecalcAll();
}

// ---- Record numbers --------------------------------------------------------------------------------

int TDBSumListProducer::GetRecNo() {
    if (!virtualMode()) return dataSet_ ? dataSet_->RecNo() : 0;
    return FindVirtualRecord(dataSet_->Bookmark()) + 1;
}

void TDBSumListProducer::SetRecNo(int value) {
    if (!virtualMode()) {
        if (dataSet_) dataSet_->SetRecNo(value);
        return;
    }
    if (value >= 1 && value <= virtualRecordList_->Count())
        dataSet_->GotoBookmark(virtualRecordList_->Strings(value - 1));
}

int TDBSumListProducer::RecordCount() {
    if (!virtualMode()) return dataSet_ ? dataSet_->RecordCount() : 0;
    return virtualRecordList_->Count();
}

bool TDBSumListProducer::IsSequenced() {
    if (!dataSet_) return false;
    if (dataSet_->IsSequenced()) return true;
    if (!virtualRecords_ || !active_) return false;
    return virtualRecordList_->Count() > 0 || (dataSet_->Eof() && dataSet_->Bof());
}

int TDBSumListProducer::FindVirtualRecord(const TBookmark& bookmark) {
    const int n = virtualRecordList_->Count();
    if (n == 0) return -1;
    if (positionHint_ < 0 || positionHint_ >= n) positionHint_ = 0;
    const int c = DataSetCompareBookmarks(dataSet_, virtualRecordList_->Strings(positionHint_), bookmark);
    if (c == 0) return positionHint_;
    const int step = c > 0 ? -1 : 1;
    for (int i = positionHint_ + step; i >= 0 && i < n; i += step) {
        if (virtualRecordList_->Strings(i) == bookmark) {
            positionHint_ = i;
            return i;
        }
    }
    return -1;
}

// ==== TDBSumList ========================================================================================

TDBSumList::TDBSumList(TComponent* owner)
    : TComponent(owner), producer_(std::make_unique<TDBSumListProducer>(this)) {}

TDBSumList::~TDBSumList() {
    // The producer lets go of the dataset while this component still stands.
    producer_.reset();
}

void TDBSumList::SetDataSet(TDataSet* ds) {
    producer_->SetDataSet(ds);
    if (ds) ds->FreeNotification(this);
}

void TDBSumList::Loaded() {
    TComponent::Loaded();
    producer_->Loaded();
}

void TDBSumList::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && producer_ && component == producer_->DataSet()) producer_->SetDataSet(nullptr);
}

namespace {
const bool sumPropertiesRegistered = [] {
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    RegisterPublishedProperties(
        TDBSum::StaticClass(),
        {MakeProperty<TDBSum>("FieldName", TypeInfoOf(tkLString, "String"), &TDBSum::FieldName, &TDBSum::SetFieldName),
         MakeProperty<TDBSum>("GroupOperation", EnumTypeInfo("TGroupOperation", {"goSum", "goAvg", "goCount"}),
                              &TDBSum::GroupOperation, &TDBSum::SetGroupOperation, goSum)});
    RegisterPublishedProperties(
        TDBSumList::StaticClass(),
        {MakeProperty<TDBSumList>("Active", boolean, &TDBSumList::Active, &TDBSumList::SetActive, 1),
         MakeProperty<TDBSumList>("DataSet", ClassTypeInfo(TDataSet::StaticClass()), &TDBSumList::DataSet,
                                  &TDBSumList::SetDataSet),
         MakeProperty<TDBSumList>("ExternalRecalc", boolean, &TDBSumList::ExternalRecalc,
                                  &TDBSumList::SetExternalRecalc, 0),
         MakeProperty<TDBSumList>("SumCollection", ClassTypeInfo(TDBSumCollection::StaticClass()),
                                  &TDBSumList::SumCollection, &TDBSumList::SetSumCollection),
         MakeProperty<TDBSumList>("VirtualRecords", boolean, &TDBSumList::VirtualRecords,
                                  &TDBSumList::SetVirtualRecords, 0)});
    return true;
}();
}  // namespace
