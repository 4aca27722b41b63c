// The aggregate engine: sums, averages and record counts of a dataset's fields kept up to date
// without reading the dataset again on every change.
//
// A producer follows its dataset's events. Opening, a filter change (seen at the next move) and a
// move of the master record scan every record once; an edit, insert, post or delete corrects the
// running totals by what that one record changes. For a dataset that cannot number its records
// the producer can also keep the bookmarks of all records in order (virtual records), so that
// record numbers and a record count exist for scroll bars and row colours.
//
// The producer listens through the dataset's subscriptions, never through its single handler
// slots: several producers (two grids, a grid and a sum list) can follow one dataset and leave it
// in any order, and the application's own handlers stay where they are.
#pragma once

#include "data/DB.h"
#include "rtl/Classes.h"
#include "rtl/Currency.h"

#include <memory>
#include <vector>

class TDBSumListProducer;

enum TGroupOperation { goSum, goAvg, goCount };

// One aggregate. A count without a field counts records, with a field the records whose field is
// not Null. An aggregate takes part only when it is a count or names a field the dataset has.
class TDBSum : public TCollectionItem {
    PLANTMON_CLASS(TDBSum, TCollectionItem)
public:
    explicit TDBSum(TCollection* collection);
    void Assign(TPersistent* source) override;

    AnsiString FieldName() const { return fieldName_; }
    void SetFieldName(const AnsiString& name);
    TGroupOperation GroupOperation() const { return groupOperation_; }
    void SetGroupOperation(TGroupOperation op);

    // The result (sums and averages as Currency, a count as records × 10,000).
    Currency SumTotal;

private:
    friend class TDBSumListProducer;
    AnsiString fieldName_;
    TGroupOperation groupOperation_ = goSum;
    Currency oldValue_;
    Variant oldVarValue_ = Null();
    Currency avgSum_;
    int avgCount_ = 0;
};

class TDBSumCollection : public TCollection {
    PLANTMON_CLASS(TDBSumCollection, TCollection)
public:
    explicit TDBSumCollection(TDBSumListProducer* producer);
    TPersistent* GetOwner() override;
    TDBSum* Items(int index) const { return static_cast<TDBSum*>(TCollection::Items(index)); }
    TDBSum* operator[](int index) const { return Items(index); }
    void SetItems(int index, TDBSum* value) { SetItem(index, value); }
    TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
    // The first aggregate of that operation over that field (names compared ignoring case).
    TDBSum* GetSumByOpAndFName(TGroupOperation op, const AnsiString& fieldName) const;

protected:
    void Update(TCollectionItem* item) override;

private:
    TDBSumListProducer* producer_;
};

class TDBSumListProducer : public TPersistent {
    PLANTMON_CLASS(TDBSumListProducer, TPersistent)
public:
    explicit TDBSumListProducer(TComponent* owner);
    ~TDBSumListProducer() override;
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;
    TComponent* Owner() const { return owner_; }

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* value);
    bool Active() const { return active_; }
    void SetActive(bool value);
    bool ExternalRecalc() const { return externalRecalc_; }
    void SetExternalRecalc(bool value);
    bool VirtualRecords() const { return virtualRecords_; }
    void SetVirtualRecords(bool value);
    TDBSumCollection* SumCollection() const { return sumCollection_.get(); }
    void SetSumCollection(TDBSumCollection* value);

    void Activate(bool recalc);
    void Deactivate(bool clear);
    virtual void Loaded();
    // Any change of an aggregate: everything is counted again.
    void Update();
    void DoSumListChanged();
    void ResetMasterInfo();
    bool EventsHooked() const { return eventsHooked_; }

    // Record numbers: the dataset's own, or the virtual records' when the dataset has none.
    virtual int GetRecNo();
    virtual int FindVirtualRecord(const TBookmark& bookmark);
    virtual void SetRecNo(int value);
    virtual bool IsSequenced();
    virtual int RecordCount();
    virtual void ClearSumValues();
    virtual void RecalcAll();

    TNotifyEvent OnRecalcAll;
    TNotifyEvent OnAfterRecalcAll;
    TNotifyEvent SumListChanged;

protected:
    virtual void DataSetAfterCancel(TDataSet* dataSet);
    virtual void DataSetAfterClose(TDataSet* dataSet);
    virtual void DataSetAfterEdit(TDataSet* dataSet);
    virtual void DataSetAfterInsert(TDataSet* dataSet);
    virtual void DataSetAfterOpen(TDataSet* dataSet);
    virtual void DataSetAfterPost(TDataSet* dataSet);
    virtual void DataSetAfterScroll(TDataSet* dataSet);
    virtual void DataSetBeforeDelete(TDataSet* dataSet);
    void MasterDataSetAfterScroll(TDataSet* dataSet);
    virtual void ReturnEvents();
    virtual void SetDataSetEvents();

    // The producer also works while its owner is being designed (the grid's list sets it).
    bool designTimeWork_ = false;
    bool eventsHooked_ = false;

private:
    bool restricted() const;
    bool ownerLoading() const;
    bool virtualMode() const;
    // The aggregate's field, or nullptr when the aggregate does not take part.
    TField* partField(TDBSum* sum) const;
    bool takesPart(TDBSum* sum) const;
    void rememberFilter();
    void unsubscribeAll();
    // The dataset or the master is being freed.
    void componentGone(TComponent* c);

    TComponent* owner_;
    TDataSet* dataSet_ = nullptr;
    std::unique_ptr<TDBSumCollection> sumCollection_;
    bool active_ = true;
    bool externalRecalc_ = false;
    bool virtualRecords_ = false;
    std::vector<int> subscriptions_;
    TDataSet* masterDataSet_ = nullptr;
    int masterSubscription_ = -1;
    bool recalculating_ = false;
    bool lastFiltered_ = false;
    AnsiString lastFilter_;
    std::unique_ptr<TStringList> virtualRecordList_;
    int positionHint_ = -1;
    bool insertPending_ = false;
    // Hears of the dataset's and the master's destruction.
    std::unique_ptr<TComponent> watcher_;
};

// A producer as a component of its own.
class TDBSumList : public TComponent {
    PLANTMON_CLASS(TDBSumList, TComponent)
public:
    explicit TDBSumList(TComponent* owner);
    ~TDBSumList() override;

    TDBSumListProducer* Producer() const { return producer_.get(); }
    bool Active() const { return producer_->Active(); }
    void SetActive(bool b) { producer_->SetActive(b); }
    TDataSet* DataSet() const { return producer_->DataSet(); }
    void SetDataSet(TDataSet* ds);
    bool ExternalRecalc() const { return producer_->ExternalRecalc(); }
    void SetExternalRecalc(bool b) { producer_->SetExternalRecalc(b); }
    TDBSumCollection* SumCollection() const { return producer_->SumCollection(); }
    void SetSumCollection(TDBSumCollection* c) { producer_->SetSumCollection(c); }
    bool VirtualRecords() const { return producer_->VirtualRecords(); }
    void SetVirtualRecords(bool b) { producer_->SetVirtualRecords(b); }
    TNotifyEvent SumListChanged() const { return producer_->SumListChanged; }
    void SetSumListChanged(TNotifyEvent e) { producer_->SumListChanged = e; }
    TNotifyEvent OnAfterRecalcAll() const { return producer_->OnAfterRecalcAll; }
    void SetOnAfterRecalcAll(TNotifyEvent e) { producer_->OnAfterRecalcAll = e; }
    TNotifyEvent OnRecalcAll() const { return producer_->OnRecalcAll; }
    void SetOnRecalcAll(TNotifyEvent e) { producer_->OnRecalcAll = e; }

    virtual void ClearSumValues() { producer_->ClearSumValues(); }
    virtual void RecalcAll() { producer_->RecalcAll(); }

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<TDBSumListProducer> producer_;
};
