// The bookmark list, the data link with an event callback and the field value list.
#include "gridlib/editors/ToolCtrlsGx.h"

// ---- TBMListGx ------------------------------------------------------------------------------------------

TBMListGx::TBMListGx() : list_(std::make_unique<TStringList>()) {
    list_->OnChange = TNotifyEvent(this, &TBMListGx::StringsChanged);
}

TBMListGx::~TBMListGx() {
    TBMListGx::Clear();
    TBMListGx::UpdateState();
    list_->OnChange = TNotifyEvent();
}

TDataSet* TBMListGx::GetDataSet() { throw EAbstractError("Abstract error"); }

void TBMListGx::RaiseBMListError(const AnsiString& msg) { throw Exception(msg); }

void TBMListGx::StringsChanged(TObject*) {
    cacheText_ = TBookmarkStr();
    cacheIndex_ = -1;
    cacheFound_ = false;
}

TBookmarkStr TBMListGx::CurrentRow() {
    if (!linkActive_) RaiseBMListError(DBText::DataSetClosed);
    return GetDataSet()->Bookmark();
}

int TBMListGx::Compare(const TBookmarkStr& a, const TBookmarkStr& b) {
    ++compareCount_;
    return DataSetCompareBookmarks(GetDataSet(), a, b);
}

bool TBMListGx::Find(const TBookmarkStr& item, int& index) {
    if (cacheIndex_ >= 0 && item == cacheText_) {
        index = cacheIndex_;
        return cacheFound_;
    }
    bool found = false;
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const int i = static_cast<int>((static_cast<unsigned>(lo) + static_cast<unsigned>(hi)) >> 1);
        const int c = Compare(list_->Get(i), item);
        if (c < 0) {
            lo = i + 1;
        } else {
            hi = i - 1;
            if (c == 0) {
                found = true;
                lo = i;
            }
        }
    }
    index = lo;
    cacheText_ = item;
    cacheIndex_ = index;
    cacheFound_ = found;
    return found;
}

int TBMListGx::IndexOf(const TBookmarkStr& item) {
    int i = -1;
    return Find(item, i) ? i : -1;
}

bool TBMListGx::CurrentRowSelected() {
    int i = -1;
    return Find(CurrentRow(), i);
}

void TBMListGx::SetCurrentRowSelected(bool value) {
    const TBookmarkStr current = CurrentRow();
    int i = -1;
    if (Find(current, i) == value) return;
    if (value) list_->Insert(i, current);
    else list_->Delete(i);
}

void TBMListGx::Clear() {
    if (Count() == 0) return;
    list_->Clear();
    UpdateState();
    Invalidate();
}

void TBMListGx::Delete() {
    TDataSet* ds = GetDataSet();
    ds->DisableControls();
    try {
        for (int i = Count() - 1; i >= 0; --i) {
            ds->GotoBookmark(list_->Get(i));
            ds->Delete();
            list_->Delete(i);
        }
    } catch (...) {
        // The records deleted so far are gone from the list too.
        ds->EnableControls();
        UpdateState();
        throw;
    }
    ds->EnableControls();
    UpdateState();
}

bool TBMListGx::Refresh() {
    TDataSet* ds = GetDataSet();
    bool dropped = false;
    auto finish = [&] {
        UpdateState();
        ds->UpdateCursorPos();
        if (dropped) Invalidate();
    };
    try {
        ds->CheckBrowseMode();
        for (int i = Count() - 1; i >= 0; --i) {
            if (!DataSetBookmarkValid(ds, list_->Get(i))) {
                list_->Delete(i);
                dropped = true;
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return dropped;
}

void TBMListGx::SelectAll() {
    if (!linkActive_) return;
    TDataSet* ds = GetDataSet();
    ds->DisableControls();
    try {
        const TBookmarkStr current = ds->Bookmark();
        // Room for every record at once: a list growing step by step would copy itself over again.
        list_->SetCapacity(Count() + ds->RecordCount());
        ds->First();
        while (!ds->Eof()) {
            SetCurrentRowSelected(true);
            ds->Next();
        }
        if (!current.IsEmpty()) ds->GotoBookmark(current);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

void TBMListGx::LinkActive(bool value) {
    Clear();
    UpdateState();
    linkActive_ = value;
}

// ---- TDataLinkGx ---------------------------------------------------------------------------------------

void TDataLinkGx::DataEvent(TDataEvent event, std::intptr_t info) {
    TDataLink::DataEvent(event, info);
    OnDataEvent(event, info);
}

// ---- TDatasetFieldValueListGx ---------------------------------------------------------------------------------

TDatasetFieldValueListGx::TDatasetFieldValueListGx()
    : values_(std::make_unique<TStringList>()),
      dataSource_(std::make_unique<TDataSource>(nullptr)),
      dataLink_(std::make_unique<TDataLinkGx>()) {
    values_->SetCaseSensitive(false);
    values_->SetDuplicates(dupIgnore);
    values_->SetSorted(true);
    dataLink_->SetDataSource(dataSource_.get());
    dataLink_->OnDataEvent = TDataEventGx(this, &TDatasetFieldValueListGx::DataSetEvent);
}

TDatasetFieldValueListGx::~TDatasetFieldValueListGx() {
    values_.reset();
    dataLink_->OnDataEvent = TDataEventGx();
    dataSource_->SetDataSet(nullptr);
    dataLink_->SetDataSource(nullptr);
    dataSource_.reset();
    dataLink_.reset();
}

TDataSet* TDatasetFieldValueListGx::DataSet() const { return dataSource_->DataSet(); }

void TDatasetFieldValueListGx::SetDataSet(TDataSet* ds) {
    if (ds == DataSet()) return;
    dataSource_->SetDataSet(ds);
    obsolete_ = true;
}

void TDatasetFieldValueListGx::SetFieldName(const AnsiString& name) {
    if (name == fieldName_) return;
    fieldName_ = name;
    obsolete_ = true;
}

TStrings* TDatasetFieldValueListGx::GetValues() {
    if (obsolete_) refill();
    return values_.get();
}

void TDatasetFieldValueListGx::DataSetEvent(TDataEvent event, std::intptr_t) {
    if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange) obsolete_ = true;
}

void TDatasetFieldValueListGx::refill() {
    values_->Clear();
    TDataSet* ds = DataSet();
    TField* field = ds && ds->Active() ? ds->FindField(fieldName_) : nullptr;
    if (!field) return;  // stays empty and obsolete
    ds->DisableControls();
    try {
        // The dataset goes back to the record it was on: controls that show it must not move.
        const TBookmark current = ds->Bookmark();
        values_->BeginUpdate();
        try {
            ds->First();
            while (!ds->Eof()) {
                values_->Add(field->AsString());
                ds->Next();
            }
        } catch (...) {
            values_->EndUpdate();
            throw;
        }
        values_->EndUpdate();
        if (!current.IsEmpty() && ds->BookmarkValid(current)) ds->GotoBookmark(current);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    obsolete_ = false;
}
