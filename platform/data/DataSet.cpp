// TDataSet: the record store, the view (index order and filter), the cursor and the link windows,
// editing, bookmarks, searching, calculated and lookup fields, and the event sequences.
#include "data/DataInternal.h"
#include "rtl/TypInfo.h"

#include <algorithm>
#include <numeric>

using dbdetail::Msg;

namespace {

// MasterSource is published so that code that only knows a dataset's class can find its master.
const bool dataSetPropertiesRegistered = [] {
    RegisterPublishedProperties(TDataSet::StaticClass(),
                                {MakeProperty<TDataSet>("MasterSource", ClassTypeInfo(TDataSource::StaticClass()),
                                                        &TDataSet::MasterSource)});
    return true;
}();

constexpr std::size_t kCalcCacheLimit = 8192;

// Reads column i of a record or an edit buffer into v (v.kind: the stored kind).
template <class R>
void readSlot(const R& r, int i, TFieldValue& v) {
    if (i < 0 || i >= r.FieldCount() || r.IsNull(i)) {
        v.null = true;
        return;
    }
    v.null = false;
    v.kind = r.Kind(i);
    switch (v.kind) {
    case skBytes: {
        std::string_view b = r.Bytes(i);
        v.s.assign(b.data(), b.size());
        break;
    }
    case skFloat: v.d = r.Float(i); break;
    default: v.i = r.Int(i); break;
    }
}

void writeSlot(TRecordBuilder& b, int i, const TFieldValue& v) {
    if (v.null) {
        b.SetNull(i);
        return;
    }
    switch (v.kind) {
    case skBytes: b.SetBytes(i, v.s); break;
    case skFloat: b.SetFloat(i, v.d); break;
    case skCurrency: b.SetCurrency(i, Currency::FromRaw(v.i)); break;
    default: b.SetInt(i, v.i); break;
    }
}

int compareSlots(const TRecordData& a, const TRecordData& b, int i) {
    bool na = a.IsNull(i), nb = b.IsNull(i);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    TSlotKind ka = a.Kind(i), kb = b.Kind(i);
    if (ka == skBytes && kb == skBytes)
        return dbdetail::CompareTexts(AnsiString(a.Bytes(i)), AnsiString(b.Bytes(i)), false);
    if (ka == skFloat || kb == skFloat || ka != kb) {
        auto num = [](const TRecordData& r, int k) {
            switch (r.Kind(k)) {
            case skFloat: return r.Float(k);
            case skCurrency: return Currency::FromRaw(r.Int(k)).ToDouble();
            case skInteger: return static_cast<double>(r.Int(k));
            default: return StrToFloatDef(AnsiString(r.Bytes(k)), 0);
            }
        };
        double x = num(a, i), y = num(b, i);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    std::int64_t x = a.Int(i), y = b.Int(i);
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

// Saves and restores the temporary reading state (calculated fields, filters, searches), so
// that these passes can nest (a lookup field whose lookup dataset is this dataset).
struct TDataSet::TempScope {
    TDataSet* ds;
    bool inTemp;
    TDataSetState tempState;
    const TRecordData* rec;
    const TRecordBuilder* buf;
    CalcEntry* calc;
    TempScope(const TDataSet* d, TDataSetState st, const TRecordData* r, const TRecordBuilder* b, CalcEntry* c)
        : ds(const_cast<TDataSet*>(d)), inTemp(d->inTempState_), tempState(d->tempState_), rec(d->tempRecord_),
          buf(d->tempBuf_), calc(d->tempCalc_) {
        ds->inTempState_ = true;
        ds->tempState_ = st;
        ds->tempRecord_ = r;
        ds->tempBuf_ = b;
        ds->tempCalc_ = c;
    }
    ~TempScope() {
        ds->inTempState_ = inTemp;
        ds->tempState_ = tempState;
        ds->tempRecord_ = rec;
        ds->tempBuf_ = buf;
        ds->tempCalc_ = calc;
    }
};

// ---- construction ----------------------------------------------------------------------------
TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fieldDefs_(std::make_unique<TFieldDefs>(this)), fields_(std::make_unique<TFields>(this)),
      aggFields_(std::make_unique<TFields>(this)) {}

void TDataSet::CloseSilently() noexcept {
    destroying_ = true;
    try {
        if (Active()) Close();
    } catch (...) {
        // a failing close (a file that cannot be written) must not escape a destructor
    }
}

TDataSet::~TDataSet() {
    CloseSilently();
    auto sources = dataSources_;
    for (TDataSource* ds : sources) ds->SetDataSet(nullptr);
    auto list = fields_->list_;
    for (TField* f : list) {
        if (f->defaultField_) delete f;
        else f->dataSet_ = nullptr;
    }
    fields_->list_.clear();
    for (TField* f : aggFields_->list_) f->dataSet_ = nullptr;
    aggFields_->list_.clear();
}

void TDataSet::Notification(TComponent* component, TOperation operation) { TComponent::Notification(component, operation); }

void TDataSet::DoEvent(TDataSetEventKind kind, const TDataSetNotifyEvent& handler) {
    if (destroying_) return;
    auto listeners = listeners_;
    for (const auto& l : listeners)
        if (l.kind == kind && l.before) l.fn(this);
    handler(this);
    for (const auto& l : listeners)
        if (l.kind == kind && !l.before) l.fn(this);
}

int TDataSet::Subscribe(TDataSetEventKind kind, TDataSetNotifyEvent listener, bool runBeforeHandler) {
    int id = nextListenerId_++;
    listeners_.push_back({id, kind, std::move(listener), runBeforeHandler});
    return id;
}

void TDataSet::Unsubscribe(int id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [id](const Listener& l) { return l.id == id; }),
                     listeners_.end());
}

// ---- checks ----------------------------------------------------------------------------------
void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(DBText::DataSetClosed, this);
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError(DBText::DataSetOpen, this);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError(DBText::DataSetReadOnly, this);
}

void TDataSet::checkFieldWritable(const TField* field) const {
    if (inTempState_) {
        if (tempState_ == dsCalcFields && field->fieldKind_ != fkData) return;
        DatabaseError(DBText::NotEditing, this);
    }
    if (!Active()) DatabaseError(DBText::DataSetClosed, this);
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError(DBText::NotEditing, this);
    if (!field->CanModify()) DatabaseError(Msg(DBText::FieldReadOnly, {field->DisplayName()}), this);
}

TDataSetState TDataSet::State() const noexcept { return inTempState_ ? tempState_ : state_; }

void TDataSet::SetState(TDataSetState s) {
    if (state_ == s) return;
    state_ = s;
    modified_ = false;
    DataEvent(deUpdateState);
}

// ---- open and close --------------------------------------------------------------------------
void TDataSet::SetActive(bool a) {
    if (opening_ || a == Active()) return;
    if (a) openDataSet();
    else closeDataSet();
}

void TDataSet::openDataSet() {
    DoEvent(dekBeforeOpen, BeforeOpen);
    opening_ = true;
    try {
        ClearStoredRecords();
        InternalOpen();
        defaultFields_ = fields_->Count() == 0;
        if (defaultFields_) createDefaultFields();
        bindFields();
        resolveSortFields();
        filterExpr_.reset();
        if (filtered_ && !Trim(filter_).IsEmpty()) filterExpr_ = FilterExpr::Parse(filter_, this);
        rebuildView();
        cursor_ = view_.empty() ? -1 : 0;
        readPos_ = -1;
        insertPos_ = -1;
        bof_ = true;
        eof_ = view_.empty();
    } catch (...) {
        state_ = dsInactive;
        opening_ = false;
        undoingFailedOpen_ = true;
        try {
            InternalClose();
        } catch (...) {
        }
        undoingFailedOpen_ = false;
        resetStore();
        destroyDefaultFields();
        throw;
    }
    opening_ = false;
    SetState(dsBrowse);
    DoEvent(dekAfterOpen, AfterOpen);
    DoEvent(dekAfterScroll, AfterScroll);
}

void TDataSet::closeDataSet() {
    DoEvent(dekBeforeClose, BeforeClose);
    // An unposted edit is dropped.
    insertPos_ = -1;
    editId_ = 0;
    editBuf_.Reset(0);
    editCalc_.reset();
    modified_ = false;
    SetState(dsInactive);
    std::exception_ptr error;
    try {
        InternalClose();
    } catch (...) {
        error = std::current_exception();
    }
    resetStore();
    destroyDefaultFields();
    DoEvent(dekAfterClose, AfterClose);
    if (error) std::rethrow_exception(error);
}

void TDataSet::resetStore() {
    ClearStoredRecords();
    order_.clear();
    view_.clear();
    invalidatePositions();
    clearCalcCache();
    filterExpr_.reset();
    sortFieldList_.clear();
    cursor_ = -1;
    readPos_ = -1;
    insertPos_ = -1;
    bof_ = eof_ = true;
    for (TField* f : fields_->list_) {
        f->fieldNo_ = 0;
        f->slotIndex_ = -1;
    }
}

void TDataSet::InternalRefresh() {
    InternalClose();
    ClearStoredRecords();
    InternalOpen();
}

void TDataSet::createDefaultFields() {
    for (int i = 0; i < fieldDefs_->Count(); ++i) {
        TField* f = fieldDefs_->Items(i)->CreateField(this);
        f->defaultField_ = true;
    }
}

void TDataSet::destroyDefaultFields() {
    if (!defaultFields_) return;
    auto list = fields_->list_;
    for (TField* f : list)
        if (f->defaultField_) delete f;
    defaultFields_ = false;
}

void TDataSet::addField(TField* f) {
    f->dataSet_ = this;
    (f->fieldKind_ == fkAggregate ? aggFields_ : fields_)->list_.push_back(f);
}

void TDataSet::removeField(TField* f) {
    for (auto* list : {&fields_->list_, &aggFields_->list_}) list->erase(std::remove(list->begin(), list->end(), f), list->end());
    f->dataSet_ = nullptr;
    sortFieldList_.erase(std::remove(sortFieldList_.begin(), sortFieldList_.end(), f), sortFieldList_.end());
}

void TDataSet::bindFields() {
    calcSlots_ = 0;
    calcKinds_.clear();
    for (TField* f : fields_->list_) {
        if (f->fieldKind_ == fkData) {
            int idx = fieldDefs_->IndexOf(f->FieldName());
            if (idx < 0) DatabaseError(Msg(DBText::FieldNotFound, {f->FieldName()}), this);
            TFieldDef* def = fieldDefs_->Items(idx);
            if (!dbdetail::FieldTypesCompatible(f->DataType(), def->DataType()))
                DatabaseError(Msg(DBText::FieldTypeMismatch,
                                  {f->FieldName(), FieldTypeName(f->DataType()), FieldTypeName(def->DataType())}),
                              this);
            f->fieldNo_ = idx + 1;
            f->slotIndex_ = idx;
            f->slotKind_ = SlotKindOf(def->DataType());
        } else {
            f->fieldNo_ = 0;
            f->slotIndex_ = calcSlots_++;
            f->slotKind_ = SlotKindOf(f->DataType());
            calcKinds_.push_back(f->slotKind_);
        }
    }
}

// ---- record store ----------------------------------------------------------------------------
void TDataSet::ClearStoredRecords() {
    rows_.clear();
    ++viewStamp_;
    invalidatePositions();
    clearCalcCache();
}

void TDataSet::ReserveStoredRecords(std::size_t n) { rows_.reserve(n); }

std::uint64_t TDataSet::AppendStoredRecord(TRecordPtr rec) {
    std::uint64_t id = nextId_++;
    rows_.push_back({id, std::move(rec)});
    positionsValid_ = false;
    return id;
}

int TDataSet::FindStoredRecord(std::uint64_t id) const {
    ensurePositions();
    auto it = idToBase_.find(id);
    return it == idToBase_.end() ? -1 : it->second;
}

void TDataSet::ReplaceStoredRecord(int baseIndex, TRecordPtr rec) {
    calcCache_.erase(rows_[baseIndex].id);
    rows_[baseIndex].rec = std::move(rec);
}

void TDataSet::RemoveStoredRecord(int baseIndex) {
    calcCache_.erase(rows_[baseIndex].id);
    rows_.erase(rows_.begin() + baseIndex);
    invalidatePositions();
}

void TDataSet::InsertStoredRecord(int baseIndex, std::uint64_t id, TRecordPtr rec) {
    if (id == 0) id = nextId_++;
    if (id >= nextId_) nextId_ = id + 1;
    baseIndex = std::clamp(baseIndex, 0, static_cast<int>(rows_.size()));
    rows_.insert(rows_.begin() + baseIndex, {id, std::move(rec)});
    invalidatePositions();
}

std::uint64_t TDataSet::CurrentRecordId() const { return Active() ? idAtDisplay(ReadPos()) : 0; }

void TDataSet::GetRecords(std::vector<TRecordPtr>& out) const {
    out.clear();
    out.reserve(view_.size());
    for (int b : view_) out.push_back(rows_[b].rec);
}

void TDataSet::ForEachViewRecord(const std::function<void()>& visit) const {
    for (int b : view_) {
        TempScope scope(this, dsFilter, rows_[b].rec.get(), nullptr, nullptr);
        visit();
    }
}

// ---- the view --------------------------------------------------------------------------------
void TDataSet::invalidatePositions() { positionsValid_ = false; }

void TDataSet::ensurePositions() const {
    if (positionsValid_) return;
    idToBase_.clear();
    idToBase_.reserve(rows_.size());
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) idToBase_[rows_[i].id] = i;
    baseToView_.assign(rows_.size(), -1);
    for (int v = 0; v < static_cast<int>(view_.size()); ++v) baseToView_[view_[v]] = v;
    baseToOrder_.assign(rows_.size(), -1);
    for (int o = 0; o < static_cast<int>(order_.size()); ++o) baseToOrder_[order_[o]] = o;
    positionsValid_ = true;
}

void TDataSet::resolveSortFields() {
    sortFieldList_.clear();
    if (Trim(sortFields_).IsEmpty()) return;
    std::vector<TField*> list;
    GetFieldList(list, sortFields_);
    for (TField* f : list)
        if (f->fieldKind_ != fkData) DatabaseError("Cannot sort by the calculated field '" + f->FieldName() + "'", this);
    sortFieldList_ = list;
}

void TDataSet::rebuildView() {
    ++viewStamp_;
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    if (!sortFieldList_.empty()) {
        std::stable_sort(order_.begin(), order_.end(), [this](int a, int b) {
            const TRecordData& ra = *rows_[a].rec;
            const TRecordData& rb = *rows_[b].rec;
            for (TField* f : sortFieldList_) {
                int c = compareSlots(ra, rb, f->slotIndex_);
                if (c != 0) return c < 0;
            }
            return false;
        });
    }
    if (!filtering()) {
        view_ = order_;
    } else {
        view_.clear();
        for (int b : order_)
            if (recordPassesFilter(b)) view_.push_back(b);
    }
    invalidatePositions();
    clearCalcCache();
}

bool TDataSet::recordPassesFilter(int baseIndex) { return recordPassesFilter(rows_[baseIndex].rec.get()); }

bool TDataSet::recordPassesFilter(const TRecordData* rec) {
    TempScope scope(this, dsFilter, rec, nullptr, nullptr);
    bool accept = true;
    if (OnFilterRecord) OnFilterRecord(this, accept);
    if (accept && filterExpr_) accept = filterExpr_->Evaluate(filterOptions_);
    return accept;
}

bool TDataSet::filtering() const { return filtered_ && (filterExpr_ || OnFilterRecord); }

bool TDataSet::indexLess(int a, int b) const {
    if (a == b) return false;
    if (!sortFieldList_.empty()) {
        const TRecordData& ra = *rows_[a].rec;
        const TRecordData& rb = *rows_[b].rec;
        for (TField* f : sortFieldList_) {
            int c = compareSlots(ra, rb, f->slotIndex_);
            if (c != 0) return c < 0;
        }
    }
    return a < b;
}

// Posting one record touches only that record's place in the index order and the view: a
// rebuild (sort, filter, position tables) per record made filling a dataset quadratic.
int TDataSet::viewInsertPosted(int base, std::uint64_t id, TRecordPtr rec, bool passes) {
    const int n = static_cast<int>(rows_.size());
    base = std::clamp(base, 0, n);
    const bool atEnd = base == n;
    const bool keepPositions = positionsValid_ && atEnd;
    if (id >= nextId_) nextId_ = id + 1;
    rows_.insert(rows_.begin() + base, {id, std::move(rec)});
    if (!atEnd) {
        for (int& b : order_)
            if (b >= base) ++b;
        for (int& b : view_)
            if (b >= base) ++b;
    }
    auto less = [this](int a, int b) { return indexLess(a, b); };
    const int o = static_cast<int>(std::lower_bound(order_.begin(), order_.end(), base, less) - order_.begin());
    order_.insert(order_.begin() + o, base);
    int v = -1;
    if (passes) {
        v = static_cast<int>(std::lower_bound(view_.begin(), view_.end(), base, less) - view_.begin());
        view_.insert(view_.begin() + v, base);
    }
    ++viewStamp_;
    clearCalcCache();
    if (keepPositions && o == static_cast<int>(order_.size()) - 1 &&
        (v < 0 || v == static_cast<int>(view_.size()) - 1)) {
        idToBase_[id] = base;
        baseToOrder_.push_back(o);
        baseToView_.push_back(v);
    } else {
        invalidatePositions();
    }
    return v;
}

int TDataSet::viewReplacePosted(int base, TRecordPtr rec, bool passes) {
    rows_[base].rec = std::move(rec);
    ++viewStamp_;
    clearCalcCache();
    // Base order, everything shown: the record stays where it was.
    if (sortFieldList_.empty() && !filtering()) return base;
    const bool valid = positionsValid_;
    const int oldO = valid ? baseToOrder_[base]
                           : static_cast<int>(std::find(order_.begin(), order_.end(), base) - order_.begin());
    int oldV = valid ? baseToView_[base] : static_cast<int>(std::find(view_.begin(), view_.end(), base) - view_.begin());
    if (oldV >= static_cast<int>(view_.size())) oldV = -1;
    auto less = [this](int a, int b) { return indexLess(a, b); };
    order_.erase(order_.begin() + oldO);
    const int o = static_cast<int>(std::lower_bound(order_.begin(), order_.end(), base, less) - order_.begin());
    order_.insert(order_.begin() + o, base);
    if (oldV >= 0) view_.erase(view_.begin() + oldV);
    int v = -1;
    if (passes) {
        v = static_cast<int>(std::lower_bound(view_.begin(), view_.end(), base, less) - view_.begin());
        view_.insert(view_.begin() + v, base);
    }
    if (valid) {
        // only the positions between the old and the new place moved
        for (int k = std::min(oldO, o); k <= std::max(oldO, o); ++k) baseToOrder_[order_[k]] = k;
        if (oldV >= 0 || v >= 0) {
            const int from = oldV < 0 ? v : (v < 0 ? oldV : std::min(oldV, v));
            const int to = oldV >= 0 && v >= 0 ? std::max(oldV, v) : static_cast<int>(view_.size()) - 1;
            for (int k = from; k <= to; ++k) baseToView_[view_[k]] = k;
            if (v < 0) baseToView_[base] = -1;
        }
    }
    return v;
}

void TDataSet::viewRemove(int base) {
    const int last = static_cast<int>(rows_.size()) - 1;
    const bool keepPositions = positionsValid_ && base == last && !order_.empty() && order_.back() == base &&
                               (baseToView_[base] < 0 || view_.back() == base);
    if (keepPositions) idToBase_.erase(rows_[base].id);
    rows_.erase(rows_.begin() + base);
    auto drop = [base](std::vector<int>& list) {
        auto at = std::find(list.begin(), list.end(), base);
        if (at != list.end()) list.erase(at);
        for (int& b : list)
            if (b > base) --b;
    };
    drop(order_);
    drop(view_);
    ++viewStamp_;
    clearCalcCache();
    if (keepPositions) {
        baseToOrder_.pop_back();
        baseToView_.pop_back();
    } else {
        invalidatePositions();
    }
}

int TDataSet::DisplayCount() const { return static_cast<int>(view_.size()) + (insertPos_ >= 0 ? 1 : 0); }

int TDataSet::displayToView(int p) const {
    if (insertPos_ < 0 || p < insertPos_) return p;
    if (p == insertPos_) return -1;
    return p - 1;
}

int TDataSet::viewToDisplay(int v) const {
    if (insertPos_ < 0 || v < insertPos_) return v;
    return v + 1;
}

const TRecordData* TDataSet::recordAtDisplay(int p) const {
    if (p < 0) return nullptr;
    int v = displayToView(p);
    if (v < 0 || v >= static_cast<int>(view_.size())) return nullptr;
    return rows_[view_[v]].rec.get();
}

std::uint64_t TDataSet::idAtDisplay(int p) const {
    if (p < 0) return 0;
    int v = displayToView(p);
    if (v < 0 || v >= static_cast<int>(view_.size())) return 0;
    return rows_[view_[v]].id;
}

int TDataSet::displayPosOfId(std::uint64_t id) const {
    int b = FindStoredRecord(id);
    if (b < 0) return -1;
    int v = baseToView_[b];
    return v < 0 ? -1 : viewToDisplay(v);
}

void TDataSet::SetReadPos(int displayPos) {
    readPos_ = (displayPos < 0 || displayPos == cursor_) ? -1 : displayPos;
}

void TDataSet::UpdateCursorPos() {
    if (readPos_ >= 0 && state_ == dsBrowse && readPos_ < DisplayCount()) cursor_ = readPos_;
    readPos_ = -1;
}

// ---- reading and writing fields ---------------------------------------------------------------
void TDataSet::GetFieldData(const TField* field, TFieldValue& v) const {
    v = TFieldValue();
    v.kind = field->slotKind_;
    if (field->fieldKind_ == fkAggregate) {
        v.null = static_cast<const TAggregateField*>(field)->current().IsNull();
        return;
    }
    if (field->slotIndex_ < 0) return;
    const bool isData = field->fieldKind_ == fkData;
    if (inTempState_) {
        if (isData) {
            if (tempBuf_) readSlot(*tempBuf_, field->slotIndex_, v);
            else if (tempRecord_) readSlot(*tempRecord_, field->slotIndex_, v);
            return;
        }
        if (tempCalc_) {
            readSlot(tempCalc_->values, field->slotIndex_, v);
            return;
        }
        // a filter or a search reads a calculated field: compute it for this record
        CalcEntry scratch;
        computeCalcFields(scratch, tempRecord_, tempBuf_);
        readSlot(scratch.values, field->slotIndex_, v);
        return;
    }
    if (!Active()) return;
    int pos = ReadPos();
    if (pos == cursor_ && (state_ == dsEdit || state_ == dsInsert)) {
        if (isData) readSlot(editBuf_, field->slotIndex_, v);
        else if (editCalc_) readSlot(editCalc_->values, field->slotIndex_, v);
        return;
    }
    const TRecordData* rec = recordAtDisplay(pos);
    if (!rec) return;
    if (isData) {
        readSlot(*rec, field->slotIndex_, v);
        return;
    }
    if (CalcEntry* c = calcFor(pos)) readSlot(c->values, field->slotIndex_, v);
}

void TDataSet::SetFieldData(TField* field, const TFieldValue& v) {
    if (inTempState_) {
        if (tempCalc_ && field->fieldKind_ != fkData) writeSlot(tempCalc_->values, field->slotIndex_, v);
        return;
    }
    if (field->fieldKind_ == fkLookup) {
        setLookupValue(field, v);
        return;
    }
    if (field->fieldKind_ != fkData) {
        if (editCalc_) writeSlot(editCalc_->values, field->slotIndex_, v);
        DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
        return;
    }
    writeSlot(editBuf_, field->slotIndex_, v);
    modified_ = true;
    if (calcSlots_ > 0) {
        if (!editCalc_) editCalc_ = std::make_unique<CalcEntry>();
        computeCalcFields(*editCalc_, nullptr, &editBuf_);
    }
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

Variant TDataSet::valueToVariant(const TFieldValue& v) {
    if (v.null) return Variant::Null();
    switch (v.kind) {
    case skBytes: return Variant(AnsiString(v.s));
    case skFloat: return Variant(v.d);
    case skCurrency: return Variant(Currency::FromRaw(v.i));
    default: return Variant(static_cast<long long>(v.i));
    }
}

void TDataSet::setLookupValue(TField* field, const TFieldValue& v) {
    Variant value = valueToVariant(v);
    Variant key = Variant::Null();
    if (!value.IsNull() && field->lookupDataSet_ && field->lookupDataSet_->Active())
        key = field->lookupDataSet_->Lookup(field->lookupResultField_, value, field->lookupKeyFields_);
    SetFieldValues(field->keyFields_, key);
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// ---- calculated and lookup fields ------------------------------------------------------------
void TDataSet::clearCalcCache() const {
    if (!calcCache_.empty()) calcCache_.clear();
}

TDataSet::CalcEntry* TDataSet::calcFor(int displayPos) const {
    if (calcSlots_ == 0) return nullptr;
    std::uint64_t id = idAtDisplay(displayPos);
    if (id == 0) return nullptr;
    auto it = calcCache_.find(id);
    if (it != calcCache_.end()) return it->second.get();
    auto entry = std::make_unique<CalcEntry>();
    computeCalcFields(*entry, recordAtDisplay(displayPos), nullptr);
    if (calcCache_.size() >= kCalcCacheLimit) calcCache_.clear();
    return calcCache_.emplace(id, std::move(entry)).first->second.get();
}

void TDataSet::computeCalcFields(CalcEntry& entry, const TRecordData* rec, const TRecordBuilder* buf) const {
    entry.values.Reset(calcSlots_);
    TempScope scope(this, dsCalcFields, rec, buf, &entry);
    auto* self = const_cast<TDataSet*>(this);
    for (TField* f : fields_->list_) {
        if (f->fieldKind_ != fkLookup || !f->lookupDataSet_ || !f->lookupDataSet_->Active()) continue;
        Variant key = FieldValues(f->keyFields_);
        if (key.IsNull()) continue;
        Variant r = f->lookupDataSet_->Lookup(f->lookupKeyFields_, key, f->lookupResultField_);
        if (!r.IsNull()) f->SetAsVariant(r);
    }
    if (OnCalcFields) OnCalcFields(self);
    entry.valid = true;
}

// ---- link windows ----------------------------------------------------------------------------
std::vector<TDataLink*> TDataSet::allLinks() const {
    std::vector<TDataLink*> out;
    for (TDataSource* ds : dataSources_)
        for (TDataLink* l : ds->links_) out.push_back(l);
    return out;
}

int TDataSet::BufferCount() const {
    int n = 1;
    for (TDataLink* l : allLinks()) n = std::max(n, l->bufferCount_);
    return n;
}

void TDataSet::placeWindow(TDataLink* link, WindowMode mode, int oldCursor) const {
    const int n = std::max(1, link->bufferCount_);
    const int d = DisplayCount();
    const int c = cursor_;
    const int old = link->first_;
    int f = old;
    switch (mode) {
    case WindowMode::Scroll:
        if (c >= 0 && c < f) f = c;
        else if (c >= f + n) f = c - n + 1;
        break;
    case WindowMode::Keep: {
        int k = std::clamp(oldCursor - old, 0, n - 1);
        f = c - k;
        break;
    }
    case WindowMode::First: f = 0; break;
    case WindowMode::Last: f = d - n; break;
    case WindowMode::Center: f = c - (n - 1) / 2; break;
    case WindowMode::Contain: break;
    }
    if (mode != WindowMode::Scroll && mode != WindowMode::Contain) f = std::min(f, d - n);
    if (c >= 0) {
        if (c < f) f = c;
        if (c >= f + n) f = c - n + 1;
    }
    if (f > std::max(0, d - 1)) f = std::max(0, d - 1);
    f = std::max(f, 0);
    link->scrolled_ = f - old;
    link->first_ = f;
}

void TDataSet::updateWindows(WindowMode mode, int oldCursor) {
    for (TDataLink* l : allLinks())
        if (l->active_) placeWindow(l, mode, oldCursor);
}

// ---- navigation ------------------------------------------------------------------------------
bool TDataSet::IsEmpty() const { return view_.empty() && state_ != dsInsert; }

int TDataSet::RecordCount() const { return Active() ? static_cast<int>(view_.size()) : 0; }

int TDataSet::RecNo() const {
    if (!Active()) return 0;
    int pos = ReadPos();
    if (state_ == dsInsert && pos == cursor_) return -1;
    if (view_.empty()) return 0;
    int v = displayToView(pos);
    return v < 0 || v >= static_cast<int>(view_.size()) ? -1 : v + 1;
}

void TDataSet::jumpTo(int displayPos, WindowMode mode) {
    DoEvent(dekBeforeScroll, BeforeScroll);
    int old = cursor_;
    cursor_ = displayPos;
    readPos_ = -1;
    if (mode == WindowMode::First) {
        bof_ = true;
        eof_ = view_.empty();
    } else if (mode == WindowMode::Last) {
        eof_ = true;
        bof_ = view_.empty();
    } else {
        bof_ = eof_ = view_.empty();
    }
    updateWindows(mode, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterScroll, AfterScroll);
}

void TDataSet::First() {
    CheckBrowseMode();
    UpdateCursorPos();
    jumpTo(view_.empty() ? -1 : 0, WindowMode::First);
}

void TDataSet::Last() {
    CheckBrowseMode();
    UpdateCursorPos();
    jumpTo(static_cast<int>(view_.size()) - 1, WindowMode::Last);
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    UpdateCursorPos();
    if (!((distance > 0 && !eof_) || (distance < 0 && !bof_))) return 0;
    bof_ = eof_ = false;
    DoEvent(dekBeforeScroll, BeforeScroll);
    const int count = static_cast<int>(view_.size());
    const int old = cursor_;
    long long target = static_cast<long long>(cursor_) + distance;
    if (target > count - 1) {
        target = count - 1;
        eof_ = true;
    }
    if (target < 0) {
        target = count > 0 ? 0 : -1;
        bof_ = true;
    }
    if (count == 0) bof_ = eof_ = true;
    cursor_ = static_cast<int>(target);
    readPos_ = -1;
    updateWindows(WindowMode::Scroll, old);
    DataEvent(deDataSetScroll);
    DoEvent(dekAfterScroll, AfterScroll);
    return cursor_ - old;
}

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    UpdateCursorPos();
    int count = static_cast<int>(view_.size());
    if (count == 0) return;
    recNo = std::clamp(recNo, 1, count);
    if (recNo - 1 == cursor_) return;
    jumpTo(recNo - 1, WindowMode::Center);
}

// ---- bookmarks -------------------------------------------------------------------------------
TBookmark TDataSet::bookmarkOfId(std::uint64_t id) {
    std::string s(8, '\0');
    for (int k = 7; k >= 0; --k) {
        s[k] = static_cast<char>(id & 0xFF);
        id >>= 8;
    }
    return TBookmark(std::move(s));
}

std::uint64_t TDataSet::idOfBookmark(const TBookmark& bm) {
    if (bm.Length() != 8) return 0;
    std::uint64_t id = 0;
    for (int k = 1; k <= 8; ++k) id = (id << 8) | static_cast<unsigned char>(bm[k]);
    return id;
}

TBookmark TDataSet::Bookmark() const {
    if (!Active()) return TBookmark();
    std::uint64_t id = idAtDisplay(ReadPos());
    return id ? bookmarkOfId(id) : TBookmark();
}

bool TDataSet::BookmarkValid(const TBookmark& bm) const {
    std::uint64_t id = idOfBookmark(bm);
    if (!Active() || id == 0) return false;
    int b = FindStoredRecord(id);
    return b >= 0 && baseToView_[b] >= 0;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() == b.IsEmpty() ? 0 : (a.IsEmpty() ? -1 : 1);
    std::uint64_t x = idOfBookmark(a), y = idOfBookmark(b);
    if (x == y) return 0;
    int bx = FindStoredRecord(x), by = FindStoredRecord(y);
    if (bx >= 0 && by >= 0) {
        int ox = baseToOrder_[bx], oy = baseToOrder_[by];
        return ox < oy ? -1 : (ox > oy ? 1 : 0);
    }
    return x < y ? -1 : 1;
}

void TDataSet::GotoBookmark(const TBookmark& bm) {
    CheckBrowseMode();
    UpdateCursorPos();
    int pos = displayPosOfId(idOfBookmark(bm));
    if (pos < 0) DatabaseError(DBText::RecordNotFound, this);
    jumpTo(pos, WindowMode::Center);
}

// ---- editing ---------------------------------------------------------------------------------
void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    CheckActive();
    if (view_.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    UpdateCursorPos();
    DoEvent(dekBeforeEdit, BeforeEdit);
    const int b = view_[displayToView(cursor_)];
    editBuf_.Assign(*rows_[b].rec);
    editId_ = rows_[b].id;
    editOriginal_ = rows_[b].rec;
    prepareEditCalc();
    SetState(dsEdit);
    DataEvent(deRecordChange);
    DoEvent(dekAfterEdit, AfterEdit);
}

void TDataSet::prepareEditCalc() {
    if (calcSlots_ == 0) {
        editCalc_.reset();
        return;
    }
    editCalc_ = std::make_unique<CalcEntry>();
    computeCalcFields(*editCalc_, nullptr, &editBuf_);
}

void TDataSet::Insert() { beginInsertAppend(false); }
void TDataSet::Append() { beginInsertAppend(true); }

void TDataSet::beginInsertAppend(bool append) {
    CheckActive();
    CheckBrowseMode();
    CheckCanModify();
    UpdateCursorPos();
    DoEvent(dekBeforeInsert, BeforeInsert);
    DoEvent(dekBeforeScroll, BeforeScroll);
    const int old = cursor_;
    insertPos_ = append ? static_cast<int>(view_.size()) : std::max(cursor_, 0);
    cursor_ = insertPos_;
    readPos_ = -1;
    // An appended record stands past the last one: the dataset is at its end while it is new.
    bof_ = false;
    eof_ = append;
    editBuf_.Reset(fieldDefs_->Count());
    editId_ = 0;
    editOriginal_ = TRecordPtr();
    prepareEditCalc();
    SetState(dsInsert);
    try {
        OnNewRecord(this);
    } catch (...) {
        // the new record is abandoned as if cancelled
        insertPos_ = -1;
        cursor_ = std::min(old, static_cast<int>(view_.size()) - 1);
        SetState(dsBrowse);
        updateWindows(WindowMode::Keep, old);
        DataEvent(deDataSetChange);
        throw;
    }
    modified_ = false;
    updateWindows(append ? WindowMode::Last : WindowMode::Keep, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterInsert, AfterInsert);
    DoEvent(dekAfterScroll, AfterScroll);
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError(DBText::NotEditing, this);
    DataEvent(deUpdateRecord);
}

void TDataSet::checkRequiredFields() {
    for (TField* f : fields_->list_) {
        if (!f->required_ || f->fieldKind_ != fkData || f->readOnly_) continue;
        if (f->IsNull()) {
            f->FocusControl();
            DatabaseError(Msg(DBText::FieldRequired, {f->DisplayName()}), this);
        }
    }
}

void TDataSet::Post() {
    CheckActive();
    UpdateRecord();
    DataEvent(deCheckBrowseMode);
    DoEvent(dekBeforePost, BeforePost);
    checkRequiredFields();
    readPos_ = -1;
    const int old = cursor_;
    const bool inserting = state_ == dsInsert;
    TRecordPtr rec = editBuf_.Build();
    std::uint64_t id;
    int viewPos;
    if (inserting) {
        const bool passes = !filtering() || recordPassesFilter(rec.get());
        int nextView = insertPos_;  // the record shown below the new one
        int base = nextView < static_cast<int>(view_.size()) ? view_[nextView] : static_cast<int>(rows_.size());
        id = nextId_++;
        viewPos = viewInsertPosted(base, id, rec, passes);
    } else {
        id = editId_;
        int b = FindStoredRecord(id);
        if (b < 0) DatabaseError(DBText::RecordNotFound, this);
        const bool passes = !filtering() || recordPassesFilter(rec.get());
        viewPos = viewReplacePosted(b, rec, passes);
    }
    TRecordPtr before = editOriginal_;
    insertPos_ = -1;
    editId_ = 0;
    editOriginal_ = TRecordPtr();
    editCalc_.reset();
    placeCursorAtView(viewPos, old);
    if (inserting && !view_.empty()) eof_ = false;
    if (inserting) RecordInserted(id, rec);
    else RecordModified(id, before, rec);
    SetState(dsBrowse);
    updateWindows(WindowMode::Keep, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterPost, AfterPost);
}

// Cursor on the record with id when it is shown; else on the record now at the old view position.
void TDataSet::placeCursorOn(std::uint64_t id, int oldDisplayPos) {
    int b = id ? FindStoredRecord(id) : -1;
    placeCursorAtView(b >= 0 ? baseToView_[b] : -1, oldDisplayPos);
}

void TDataSet::placeCursorAtView(int viewPos, int oldDisplayPos) {
    int pos = viewPos >= 0 ? viewToDisplay(viewPos) : -1;
    if (pos < 0) {
        int count = static_cast<int>(view_.size());
        pos = count == 0 ? -1 : std::clamp(oldDisplayPos, 0, count - 1);
    }
    cursor_ = pos;
    readPos_ = -1;
    if (view_.empty()) bof_ = eof_ = true;
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    DoEvent(dekBeforeCancel, BeforeCancel);
    const bool inserting = state_ == dsInsert;
    if (inserting) DoEvent(dekBeforeScroll, BeforeScroll);
    const int old = cursor_;
    if (inserting) {
        cursor_ = std::min(insertPos_, static_cast<int>(view_.size()) - 1);
        insertPos_ = -1;
        bof_ = eof_ = view_.empty();
    }
    readPos_ = -1;
    editId_ = 0;
    editOriginal_ = TRecordPtr();
    editCalc_.reset();
    editBuf_.Reset(0);
    SetState(dsBrowse);
    updateWindows(WindowMode::Keep, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterCancel, AfterCancel);
    if (inserting) DoEvent(dekAfterScroll, AfterScroll);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (view_.empty()) DatabaseError(DBText::DataSetEmpty, this);
    CheckCanModify();
    DataEvent(deCheckBrowseMode);
    DoEvent(dekBeforeDelete, BeforeDelete);
    DoEvent(dekBeforeScroll, BeforeScroll);
    UpdateCursorPos();
    const int old = cursor_;
    const int v = displayToView(cursor_);
    if (v < 0 || v >= static_cast<int>(view_.size())) DatabaseError(DBText::RecordNotFound, this);
    const int b = view_[v];
    const std::uint64_t id = rows_[b].id;
    TRecordPtr before = rows_[b].rec;
    const bool wasLast = v == static_cast<int>(view_.size()) - 1;
    viewRemove(b);
    editId_ = 0;
    editOriginal_ = TRecordPtr();
    editCalc_.reset();
    placeCursorAtView(-1, old);
    eof_ = wasLast || view_.empty();
    bof_ = view_.empty();
    RecordDeleted(id, before, b);
    SetState(dsBrowse);
    updateWindows(WindowMode::Keep, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterDelete, AfterDelete);
    DoEvent(dekAfterScroll, AfterScroll);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert) {
        UpdateRecord();
        if (modified_) Post();
        else Cancel();
    }
}

void TDataSet::ClearFields() {
    if (state_ != dsEdit && state_ != dsInsert) DatabaseError(DBText::NotEditing, this);
    DataEvent(deCheckBrowseMode);
    editBuf_.Reset(fieldDefs_->Count());
    modified_ = true;
    prepareEditCalc();
    DataEvent(deRecordChange);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
    if (state_ != dsEdit && state_ != dsInsert) Edit();
    int n = std::min(static_cast<int>(values.size()), fields_->Count());
    for (int i = 0; i < n; ++i) {
        const Variant& v = values[i];
        TField* f = fields_->list_[i];
        if (v.IsEmpty() || !f->CanModify()) continue;
        if (v.IsNull()) f->Clear();
        else f->SetAsVariant(v);
    }
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
    Append();
    SetFields(values);
    Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
    Insert();
    SetFields(values);
    Post();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    DoEvent(dekBeforeRefresh, BeforeRefresh);
    const int old = cursor_;
    const int oldView = cursor_;
    // A record read again under its old id (a client dataset with a key) stays current.
    const std::uint64_t current = CurrentRecordId();
    InternalRefresh();
    bindFields();
    resolveSortFields();
    rebuildView();
    placeCursorOn(current, oldView);
    bof_ = eof_ = view_.empty();
    updateWindows(WindowMode::Keep, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterRefresh, AfterRefresh);
}

void TDataSet::ResyncView(std::uint64_t currentId, bool notify) {
    const int old = cursor_;
    rebuildView();
    placeCursorOn(currentId, old);
    bof_ = eof_ = view_.empty();
    updateWindows(WindowMode::Keep, old);
    if (notify) DataEvent(deDataSetChange);
}

void TDataSet::SetSortFields(const AnsiString& names) {
    if (names == sortFields_) return;
    if (!Active()) {
        sortFields_ = names;
        return;
    }
    CheckBrowseMode();
    AnsiString previous = sortFields_;
    sortFields_ = names;
    try {
        resolveSortFields();
    } catch (...) {
        sortFields_ = previous;
        resolveSortFields();
        throw;
    }
    ResyncView(CurrentRecordId());
}

// ---- fields by name ----------------------------------------------------------------------------
TField* TDataSet::FindField(const AnsiString& name) const {
    TField* f = fields_->FindField(name);
    return f ? f : aggFields_->FindField(name);
}

TField* TDataSet::FieldByName(const AnsiString& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError(Msg(DBText::FieldNotFound, {name}), this);
    return f;
}

void TDataSet::GetFieldNames(TStrings* list) const {
    if (fields_->Count() > 0) {
        fields_->GetFieldNames(list);
        return;
    }
    fieldDefs_->Update();
    fieldDefs_->GetItemNames(list);
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const AnsiString& names) const {
    int pos = 1;
    while (pos <= names.Length()) {
        AnsiString name = ExtractFieldName(names, pos);
        if (!name.IsEmpty()) list.push_back(FieldByName(name));
    }
}

Variant TDataSet::FieldValues(const AnsiString& names) const {
    std::vector<TField*> list;
    GetFieldList(list, names);
    if (list.size() == 1) return list[0]->AsVariant();
    std::vector<Variant> values;
    for (TField* f : list) values.push_back(f->AsVariant());
    return VarArrayOf(values);
}

void TDataSet::SetFieldValues(const AnsiString& names, const Variant& value) {
    std::vector<TField*> list;
    GetFieldList(list, names);
    if (list.size() == 1) {
        list[0]->SetAsVariant(value);
        return;
    }
    if (value.IsNull() || value.IsEmpty()) {
        for (TField* f : list) f->Clear();
        return;
    }
    if (!value.IsArray()) DatabaseError("Field values of '" + names + "' need an array of values", this);
    int low = value.LowBound(1);
    for (std::size_t i = 0; i < list.size(); ++i) list[i]->SetAsVariant(value.GetElement(low + static_cast<int>(i)));
}

// ---- searching -------------------------------------------------------------------------------
namespace {

bool keyMatches(const TField* f, const Variant& key, TLocateOptions options) {
    Variant fv = dbdetail::FieldCompareValue(f);
    if (key.IsNull() || key.IsEmpty()) return fv.IsNull();
    if (fv.IsNull()) return false;
    if (f->SlotKind() == skBytes) {
        AnsiString a = fv.AsString();
        AnsiString b = VarToStr(key);
        const bool ci = (options & loCaseInsensitive) != 0;
        if (options & loPartialKey) {
            if (ci) {
                a = AnsiUpperCase(a);
                b = AnsiUpperCase(b);
            }
            return a.Length() >= b.Length() && a.SubString(1, b.Length()) == b;
        }
        return dbdetail::CompareTexts(a, b, ci) == 0;
    }
    try {
        return VarCompareValue(fv, key) == vrEqual;
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

int TDataSet::findRecord(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) const {
    std::vector<Variant> keys;
    if (fields.size() == 1) {
        keys.push_back(keyValues);
    } else {
        if (!keyValues.IsArray()) return -1;
        int low = keyValues.LowBound(1), high = keyValues.HighBound(1);
        for (int i = low; i <= high; ++i) keys.push_back(keyValues.GetElement(i));
        if (keys.size() < fields.size()) return -1;
    }
    for (int v = 0; v < static_cast<int>(view_.size()); ++v) {
        TempScope scope(this, state_, rows_[view_[v]].rec.get(), nullptr, nullptr);
        bool all = true;
        for (std::size_t k = 0; k < fields.size() && all; ++k) all = keyMatches(fields[k], keys[k], options);
        if (all) return v;
    }
    return -1;
}

bool TDataSet::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    UpdateCursorPos();
    std::vector<TField*> fields;
    GetFieldList(fields, keyFields);
    int v = findRecord(fields, keyValues, options);
    if (v < 0) return false;
    jumpTo(viewToDisplay(v), WindowMode::Center);
    return true;
}

Variant TDataSet::Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) {
    CheckActive();
    std::vector<TField*> fields;
    GetFieldList(fields, keyFields);
    int v = findRecord(fields, keyValues, 0);
    if (v < 0) return Variant::Null();
    TempScope scope(this, state_, rows_[view_[v]].rec.get(), nullptr, nullptr);
    return FieldValues(resultFields);
}

// ---- filtering -------------------------------------------------------------------------------
void TDataSet::SetFilter(const AnsiString& f) {
    if (f == filter_) return;
    AnsiString previous = filter_;
    filter_ = f;
    if (!filtered_) return;
    try {
        applyFilter();
    } catch (...) {
        filter_ = previous;
        throw;
    }
}

void TDataSet::SetFiltered(bool f) {
    if (f == filtered_) return;
    filtered_ = f;
    try {
        applyFilter();
    } catch (...) {
        filtered_ = !f;
        throw;
    }
}

void TDataSet::SetFilterOptions(TFilterOptions o) {
    if (o == filterOptions_) return;
    filterOptions_ = o;
    if (Active() && filtered_) applyFilter();
}

void TDataSet::applyFilter() {
    if (!Active()) return;
    CheckBrowseMode();
    std::shared_ptr<FilterExpr> expr;
    if (filtered_ && !Trim(filter_).IsEmpty()) expr = FilterExpr::Parse(filter_, this);
    DoEvent(dekBeforeScroll, BeforeScroll);
    const int old = cursor_;
    filterExpr_ = expr;
    rebuildView();
    cursor_ = view_.empty() ? -1 : 0;
    readPos_ = -1;
    bof_ = true;
    eof_ = view_.empty();
    updateWindows(WindowMode::First, old);
    DataEvent(deDataSetChange);
    DoEvent(dekAfterScroll, AfterScroll);
}

// ---- controls and events ---------------------------------------------------------------------
void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        layoutChangedWhileDisabled_ = false;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (disableState_ != state_) DataEvent(deUpdateState);
    if (disableState_ != dsInactive && state_ != dsInactive)
        DataEvent(layoutChangedWhileDisabled_ ? deLayoutChange : deDataSetChange);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    if (disableCount_ > 0) {
        if (event == deLayoutChange || event == deFieldListChange) layoutChangedWhileDisabled_ = true;
        return;
    }
    if (event == deDataSetChange || event == deLayoutChange) {
        // a change of the data or the window: every active link shows the cursor
        updateWindows(WindowMode::Contain, cursor_);
    }
    auto sources = dataSources_;
    for (TDataSource* ds : sources) ds->dataEvent(event, info);
}

void TDataSet::addDataSource(TDataSource* ds) {
    if (std::find(dataSources_.begin(), dataSources_.end(), ds) == dataSources_.end()) dataSources_.push_back(ds);
}

void TDataSet::removeDataSource(TDataSource* ds) {
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), ds), dataSources_.end());
}
