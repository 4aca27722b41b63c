// TDataSource and TDataLink: how controls hear a dataset and read the rows of their window.
#include "data/DataInternal.h"

#include <algorithm>

// ---- TDataSource -----------------------------------------------------------------------------
TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    if (dataSet_) {
        dataSet_->removeDataSource(this);
        RemoveFreeNotification(dataSet_);
        dataSet_ = nullptr;
    }
    auto links = links_;
    links_.clear();
    for (TDataLink* l : links) {
        l->dataSource_ = nullptr;
        l->active_ = false;
        l->editing_ = false;
    }
}

void TDataSource::SetDataSet(TDataSet* ds) {
    if (ds == dataSet_) return;
    if (dataSet_) {
        dataSet_->removeDataSource(this);
        RemoveFreeNotification(dataSet_);
    }
    dataSet_ = ds;
    if (ds) {
        ds->addDataSource(this);
        FreeNotification(ds);
    }
    auto links = links_;
    for (TDataLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->updateState();
    notifyStateChange();
}

void TDataSource::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    auto links = links_;
    for (TDataLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->updateState();
    notifyStateChange();
}

TDataSetState TDataSource::State() const {
    if (!dataSet_ || !enabled_) return dsInactive;
    return dataSet_->state_;
}

void TDataSource::Edit() {
    if (autoEdit_ && State() == dsBrowse) dataSet_->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* ds) const { return ds && dataSet_ == ds; }

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) {
        dataSet_ = nullptr;
        auto links = links_;
        for (TDataLink* l : links) l->updateState();
        notifyStateChange();
    }
}

void TDataSource::notifyStateChange() {
    TDataSetState s = State();
    if (s == lastState_) return;
    lastState_ = s;
    OnStateChange(this);
}

void TDataSource::dataEvent(TDataEvent event, std::intptr_t info) {
    auto links = links_;
    auto stillLinked = [this](TDataLink* l) { return std::find(links_.begin(), links_.end(), l) != links_.end(); };
    if (event == deUpdateState) {
        for (TDataLink* l : links)
            if (stillLinked(l)) l->DataEvent(deUpdateState, info);
        notifyStateChange();
        return;
    }
    if (State() == dsInactive) return;
    for (TDataLink* l : links) {
        if (!stillLinked(l)) continue;
        l->DataEvent(event, event == deDataSetScroll ? static_cast<std::intptr_t>(l->scrolled_) : info);
    }
    switch (event) {
    case deFieldChange: OnDataChange(this, reinterpret_cast<TField*>(info)); break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: OnDataChange(this, nullptr); break;
    case deUpdateRecord: OnUpdateData(this); break;
    default: break;
    }
}

// ---- TDataLink -------------------------------------------------------------------------------
TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (dataSource_) {
        auto& v = dataSource_->links_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        dataSource_ = nullptr;
    }
}

void TDataLink::SetDataSource(TDataSource* ds) {
    if (ds == dataSource_) return;
    if (dataSourceFixed_) DatabaseError("Data source cannot be changed");
    if (dataSource_) {
        auto& v = dataSource_->links_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    dataSource_ = ds;
    if (ds) ds->links_.push_back(this);
    updateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->dataSet_ : nullptr; }

void TDataLink::SetReadOnly(bool r) {
    if (r == readOnly_) return;
    readOnly_ = r;
    updateState();
}

bool TDataLink::ExecuteAction(ITargetAction* action) { return OfferTarget(action, dataSource_, true); }

bool TDataLink::UpdateAction(ITargetAction* action) { return OfferTarget(action, dataSource_, false); }

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::SetBufferCount(int n) {
    if (n < 1) n = 1;
    bufferCount_ = n;
    if (!active_) return;
    // The window keeps its top row where it can and fills up with records above it when there
    // are not enough below.
    TDataSet* ds = DataSet();
    first_ = std::max(0, std::min(first_, ds->DisplayCount() - n));
    int c = ds->cursor_;
    if (c >= 0) {
        if (c >= first_ + n) first_ = c - n + 1;
        if (c < first_) first_ = c;
    }
}

int TDataLink::RecordCount() const {
    if (!active_) return 0;
    int d = DataSet()->DisplayCount();
    return std::clamp(d - first_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
    if (!active_) return 0;
    return DataSet()->ReadPos() - first_;
}

void TDataLink::SetActiveRecord(int row) {
    if (!active_) return;
    DataSet()->SetReadPos(first_ + row);
}

int TDataLink::MoveBy(int distance) {
    TDataSet* ds = DataSet();
    return ds ? ds->MoveBy(distance) : 0;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        updateState();
        return;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange: DataSetChanged(); break;
    case deDataSetScroll: DataSetScrolled(static_cast<int>(info)); break;
    case deLayoutChange: LayoutChanged(); break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    default: break;
    }
}

void TDataLink::updateState() {
    TDataSetState st = dataSource_ ? dataSource_->State() : dsInactive;
    bool a = st != dsInactive;
    if (a != active_) setActive(a);
    setEditing(a && (st == dsEdit || st == dsInsert || st == dsSetKey) && !readOnly_);
}

void TDataLink::setActive(bool a) {
    active_ = a;
    if (a) resetWindow();
    ActiveChanged();
}

void TDataLink::setEditing(bool e) {
    if (e == editing_) return;
    editing_ = e;
    EditingChanged();
}

void TDataLink::resetWindow() {
    TDataSet* ds = DataSet();
    first_ = 0;
    scrolled_ = 0;
    if (ds) ds->placeWindow(this, TDataSet::WindowMode::Center, ds->cursor_);
    scrolled_ = 0;
}
