// The lookup grid and its drop-down window: binding the data side and the list side, the key and the
// list's position, typing, the mouse and the scroll arithmetic over the list's record window, whole-row
// heights, the special row's painting, and the drop-down's non-activating behaviour.
#include "gridlib/grid/DBLookupGridsGx.h"

#include "gui/WinApi.h"

#include <algorithm>
#include <climits>

namespace {

AnsiString joinFieldNames(const std::vector<TField*>& fields) {
    AnsiString s;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) s += ";";
        s += fields[i]->FieldName();
    }
    return s;
}

// The moment of the last character typed into any lookup grid: a pause of more than two seconds
// starts a new search.
std::uint32_t lastSearchTick = 0;
constexpr std::uint32_t SearchTimeOut = 2000;
constexpr std::size_t MaxSearchChars = 32;
constexpr UINT_PTR AutoScrollTimerId = 1;
// The answer to WM_MOUSEACTIVATE that keeps a click from activating the window.
constexpr LRESULT MouseNoActivate = 3;

struct FlagGuard {
    bool& flag;
    bool saved;
    explicit FlagGuard(bool& f) : flag(f), saved(f) { flag = true; }
    ~FlagGuard() { flag = saved; }
};

template <class C>
TPropInfo storedWhen(TPropInfo p, bool (C::*test)() const) {
    p.Stored = [test](TObject* o) { return (static_cast<C*>(o)->*test)(); };
    return p;
}

const bool lookupGridPropertiesRegistered = [] {
    using S = TGridColumnSpecCellGx;
    RegisterPublishedProperties(
        S::StaticClass(),
        {storedWhen<S>(MakeProperty<S>("Color", TypeInfoOf(tkInteger, "TColor"), &S::Color, &S::SetColor),
                       &S::IsColorStored),
         storedWhen<S>(MakeProperty<S>("Font", ClassTypeInfo(TFont::StaticClass()), &S::Font, &S::SetFont),
                       &S::IsFontStored),
         storedWhen<S>(MakeProperty<S>("Text", TypeInfoOf(tkLString, "String"), &S::Text, &S::SetText),
                       &S::IsTextStored)});
    using C = TDBLookupGridColumnGx;
    RegisterPublishedProperties(
        C::StaticClass(), {MakeProperty<C>("SpecCell", ClassTypeInfo(S::StaticClass()), &C::SpecCell, &C::SetSpecCell)});
    return true;
}();

}  // namespace

// ==== TGridColumnSpecCellGx ============================================================================

TGridColumnSpecCellGx::TGridColumnSpecCellGx(TPersistent* owner) : owner_(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = TNotifyEvent(this, &TGridColumnSpecCellGx::fontChanged);
}

TGridColumnSpecCellGx::~TGridColumnSpecCellGx() { font_->OnChange = TNotifyEvent(); }

TSpecRowGx* TGridColumnSpecCellGx::gridSpecRow() const {
    auto* column = dynamic_cast<TDBLookupGridColumnGx*>(owner_);
    TDBLookupGridGx* grid = column ? column->LookupGrid() : nullptr;
    return grid ? grid->SpecRow() : nullptr;
}

int TGridColumnSpecCellGx::columnIndex() const {
    auto* column = dynamic_cast<TColumnGx*>(owner_);
    return column ? column->Index() : 0;
}

AnsiString TGridColumnSpecCellGx::Text() const {
    if (textAssigned_) return text_;
    TSpecRowGx* row = gridSpecRow();
    return row ? row->GetCellText(columnIndex()) : text_;
}

void TGridColumnSpecCellGx::SetText(const AnsiString& s) {
    if (textAssigned_ && s == text_) return;
    text_ = s;
    textAssigned_ = true;
}

TColor TGridColumnSpecCellGx::Color() const {
    if (colorAssigned_) return color_;
    TSpecRowGx* row = gridSpecRow();
    return row ? row->Color() : color_;
}

void TGridColumnSpecCellGx::SetColor(TColor c) {
    if (colorAssigned_ && c == color_) return;
    color_ = c;
    colorAssigned_ = true;
}

TFont* TGridColumnSpecCellGx::Font() {
    if (!fontAssigned_) {
        TSpecRowGx* row = gridSpecRow();
        if (row && row->Font() != font_.get()) {
            // The copy of the default is not an assignment of the cell's own.
            FlagGuard g(copyingFont_);
            font_->Assign(row->Font());
        }
    }
    return font_.get();
}

void TGridColumnSpecCellGx::SetFont(TFont* f) { font_->Assign(f); }

void TGridColumnSpecCellGx::fontChanged(TObject*) {
    if (!copyingFont_) fontAssigned_ = true;
}

void TGridColumnSpecCellGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TGridColumnSpecCellGx*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    SetText(src->Text());
    SetColor(src->Color());
    if (src->IsFontStored()) SetFont(src->Font());
}

// ==== TDBLookupGridColumnGx =============================================================================

TDBLookupGridColumnGx::TDBLookupGridColumnGx(TCollection* collection)
    : TColumnGx(collection), specCell_(std::make_unique<TGridColumnSpecCellGx>(this)) {}

TDBLookupGridColumnGx::~TDBLookupGridColumnGx() = default;

TDBLookupGridGx* TDBLookupGridColumnGx::LookupGrid() const { return dynamic_cast<TDBLookupGridGx*>(Grid()); }

void TDBLookupGridColumnGx::SetWidth(int w) {
    if (!SeenPassthrough()) {
        TColumnGx::SetWidth(w);
        return;
    }
    // An automatic column keeps its width itself: no field's display width changes.
    SetStoredFlag(true);
    try {
        TColumnGx::SetWidth(w);
    } catch (...) {
        SetStoredFlag(false);
        throw;
    }
    SetStoredFlag(false);
}

void TDBLookupGridColumnGx::SetIndex(int index) {
    const int old = Index();
    TDBLookupGridGx* g = LookupGrid();
    if (index == old || !g || !g->DataLink()->Active()) {
        TColumnGx::SetIndex(index);
        return;
    }
    const int count = Collection()->Count();
    const int to = std::clamp(index, 0, count - 1);
    // The special row's texts move with their columns.
    std::vector<AnsiString> texts;
    for (int i = 0; i < count; ++i) texts.push_back(g->SpecRow()->GetCellText(i));
    const AnsiString moved = texts[static_cast<std::size_t>(old)];
    texts.erase(texts.begin() + old);
    texts.insert(texts.begin() + to, moved);
    AnsiString cells;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i) cells += ";";
        AnsiString t = texts[i];
        cells += "\"" + StringReplace(t, "\"", "\"\"") + "\"";
    }
    if (!SeenPassthrough()) {
        g->SpecRow()->SetCellsText(cells);
        TColumnGx::SetIndex(index);
        return;
    }
    g->BeginUpdate();
    try {
        int display = g->ListFieldIndex();
        if (display == old) display = to;
        else {
            if (old < display) --display;
            if (to <= display) ++display;
        }
        g->SetListFieldIndex(display);
        g->SpecRow()->SetCellsText(cells);
        SetStoredFlag(true);
        TColumnGx::SetIndex(index);
        SetStoredFlag(false);
        AnsiString names;
        for (int i = 0; i < count; ++i) {
            if (i) names += ";";
            names += g->Columns()->Items(i)->FieldName();
        }
        g->SetListFieldName(names);
    } catch (...) {
        SetStoredFlag(false);
        g->EndUpdate();
        throw;
    }
    g->EndUpdate();
}

// ==== TLookupGridDataLinkGx ============================================================================

void TLookupGridDataLinkGx::ActiveChanged() {
    if (grid_) grid_->UpdateDataFields();
}

void TLookupGridDataLinkGx::FocusControl(TField** field) {
    if (!grid_ || !field || !*field || *field != grid_->GetDataField()) return;
    if (grid_->CanFocus()) {
        *field = nullptr;
        grid_->SetFocus();
    }
}

void TLookupGridDataLinkGx::LayoutChanged() {
    if (grid_) grid_->UpdateDataFields();
}

void TLookupGridDataLinkGx::RecordChanged(TField* field) {
    if (grid_) grid_->DataLinkRecordChanged(field);
}

// ==== TDBLookupGridGx: construction =======================================================================

TDBLookupGridGx::TDBLookupGridGx(TComponent* owner) : TCustomDBGridGx(owner) {
    RecreateColumnsGx();
    SetControlStyle(ControlStyle() | csReplicatable);
    SetParentColor(false);
    internalSource_ = std::make_unique<TDataSource>(nullptr);
    dataLink_ = std::make_unique<TLookupGridDataLinkGx>(this);
    specRow_ = std::make_unique<TSpecRowGx>(this);
    specRow_->OnChangeNotify = TNotifyEvent(this, &TDBLookupGridGx::SpecRowChanged);
    SetOptions(dgColLines | dgRowSelect);
    SetOptionsGx(OptionsGx() | dghTraceColSizing);
    lookupOptions_ = dlgColLinesGx;
    VertScrollBar()->SetTracking(true);
    HorzScrollBar()->SetTracking(true);
    SetFlat(true);
    SetDrawMemoText(true);
    SetTabStop(false);
    SetVTitleMargin(5);
    applyRowCount();
}

TDBLookupGridGx::~TDBLookupGridGx() {
    Destroying_();
    StopTimer();
    specRow_->OnChangeNotify = TNotifyEvent();
    dataLink_->ClearGrid();
    dataLink_->SetDataSource(nullptr);
    TCustomDBGridGx::SetDataSource(nullptr);
}

TColumnDefValuesGx* TDBLookupGridGx::CreateColumnDefValues() { return new TDBLookupGridColumnDefValuesGx(this); }

TDBGridColumnsGx* TDBLookupGridGx::CreateColumns() {
    return new TDBGridColumnsGx(this, [](TCollection* c) -> TCollectionItem* {
        c->BeginUpdate();
        TCollectionItem* item = nullptr;
        try {
            item = new TDBLookupGridColumnGx(c);
        } catch (...) {
            c->EndUpdate();
            throw;
        }
        c->EndUpdate();
        return item;
    });
}

void TCustomDBGridGx::RecreateColumnsGx() {
    columnDefValues_.reset(CreateColumnDefValues());
    columns_.reset(CreateColumns());
}

void TDBLookupGridGx::Notification(TComponent* component, TOperation operation) {
    TCustomDBGridGx::Notification(component, operation);
    if (operation == opRemove && dataLink_ && component == dataLink_->DataSource()) SetDataSource(nullptr);
}

// ==== Properties =============================================================================================

void TDBLookupGridGx::SetDataSource(TDataSource* ds) {
    if (dataLink_->DataSourceFixed() && Loading()) return;
    dataLink_->SetDataSource(ds);
    if (ds) ds->FreeNotification(this);
}

void TDBLookupGridGx::SetDataFieldName(const AnsiString& s) {
    if (s == dataFieldName_) return;
    dataFieldName_ = s;
    UpdateDataFields();
}

void TDBLookupGridGx::SetListSource(TDataSource* ds) {
    CheckNotLookup();
    TCustomDBGridGx::SetDataSource(ds);
}

void TDBLookupGridGx::SetKeyFieldName(const AnsiString& s) {
    CheckNotLookup();
    if (s == keyFieldName_) return;
    keyFieldName_ = s;
    UpdateListFields();
    UpdateColumnsList();
}

void TDBLookupGridGx::SetListFieldName(const AnsiString& s) {
    if (s == listFieldName_) return;
    listFieldName_ = s;
    UpdateListFields();
    UpdateColumnsList();
}

void TDBLookupGridGx::SetKeyValue(const Variant& v) {
    if (VarEquals(keyValue_, v)) return;
    keyValue_ = v;
    KeyValueChanged();
}

void TDBLookupGridGx::SetLookupOptions(TDBLookupGridGxOptions o) {
    if (o == lookupOptions_) return;
    lookupOptions_ = o;
    TDBGridOptions go = Options() & ~(dgColumnResize | dgColLines | dgRowLines);
    if (o & dlgColumnResizeGx) go |= dgColumnResize;
    if (o & dlgColLinesGx) go |= dgColLines;
    if (o & dlgRowLinesGx) go |= dgRowLines;
    SetOptions(go);
    TDBGridGxOptions gx = OptionsGx() & ~(dghAutoSortMarking | dghMultiSortMarking);
    if (o & dlgAutoSortMarkingGx) gx |= dghAutoSortMarking;
    if (o & dlgMultiSortMarkingGx) gx |= dghMultiSortMarking;
    SetOptionsGx(gx);
    applyRowCount();
}

void TDBLookupGridGx::SetShowTitles(bool b) {
    if (b == GetShowTitles()) return;
    SetOptions(b ? Options() | dgTitles : Options() & ~dgTitles);
    applyRowCount();
}

void TDBLookupGridGx::SetUseMultiTitle(bool b) {
    TCustomDBGridGx::SetUseMultiTitle(b);
    applyRowCount();
}

void TDBLookupGridGx::SetAutoFitColWidths(bool b) {
    if (b == autoFit_) return;
    autoFit_ = b;
    SetScrollBars(b ? ssNone : ssHorizontal);
    UpdateColumnsList();
}

// ==== Checks ===================================================================================================

void TDBLookupGridGx::CheckNotCircular() {
    if (DataLink()->Active() && GetDataSource() && GetDataSource()->IsLinkedTo(listDataSet()))
        DatabaseError("Circular datalinks are not allowed", this);
}

void TDBLookupGridGx::CheckNotLookup() {
    if (lookupMode_) DatabaseError("Property already defined by lookup field", this);
    if (dataLink_->DataSourceFixed()) DatabaseError("Operation not allowed in a DBCtrlGrid", this);
}

bool TDBLookupGridGx::CanModify() {
    if (!listActive_ || GetReadOnly()) return false;
    if (!dataLink_->DataSource()) return true;
    if (masterFields_.empty()) return false;
    for (TField* f : masterFields_)
        if (!f->CanModify()) return false;
    return true;
}

bool LookupKeyFitsFields(const std::vector<TField*>& fields, const Variant& value) {
    if (fields.size() == 1) return !VarIsArray(value);
    if (fields.size() > 1 && VarIsArray(value))
        return VarArrayHighBound(value, 1) - VarArrayLowBound(value, 1) + 1 == static_cast<int>(fields.size());
    return false;
}

TField* ChooseLookupListField(std::vector<TField*>& listFields, const std::vector<TField*>& keyFields,
                              TField* lookupResult, bool lookupMode, int listFieldIndex) {
    if (lookupMode) {
        if (lookupResult && std::find(listFields.begin(), listFields.end(), lookupResult) == listFields.end())
            listFields.insert(listFields.begin(), lookupResult);
        return lookupResult;
    }
    if (listFields.empty()) listFields = keyFields;
    if (listFields.empty()) return nullptr;
    const int n = static_cast<int>(listFields.size());
    return listFieldIndex >= 0 && listFieldIndex < n ? listFields[static_cast<std::size_t>(listFieldIndex)] : listFields.front();
}

bool TDBLookupGridGx::CompatibleVarValue(const std::vector<TField*>& fields, const Variant& value) {
    return LookupKeyFitsFields(fields, value);
}

// ==== Binding the data side ===================================================================================

void TDBLookupGridGx::UpdateDataFields() {
    dataFields_.clear();
    masterFields_.clear();
    masterFieldNames_ = AnsiString();
    TDataSet* ds = dataLink_->DataSet();
    if (dataLink_->Active() && !dataFieldName_.IsEmpty() && ds) {
        CheckNotCircular();
        dataFields_ = GetFieldsProperty(ds, this, dataFieldName_);
        if (dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup)
            masterFields_ = GetFieldsProperty(ds, this, dataFields_[0]->KeyFields());
        else
            masterFields_ = dataFields_;
        masterFieldNames_ = joinFieldNames(masterFields_);
    }
    SetLookupMode(dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup);
    DataLinkRecordChanged(nullptr);
}

void TDBLookupGridGx::SetLookupMode(bool value) {
    if (value == lookupMode_) return;
    if (value) {
        TField* f = dataFields_.front();
        masterFields_ = GetFieldsProperty(dataLink_->DataSet(), this, f->KeyFields());
        masterFieldNames_ = joinFieldNames(masterFields_);
        internalSource_->SetDataSet(f->LookupDataSet());
        keyFieldName_ = f->LookupKeyFields();
        lookupMode_ = true;
        TCustomDBGridGx::SetDataSource(internalSource_.get());
    } else {
        TCustomDBGridGx::SetDataSource(nullptr);
        lookupMode_ = false;
        keyFieldName_ = AnsiString();
        internalSource_->SetDataSet(nullptr);
        masterFields_ = dataFields_;
        masterFieldNames_ = joinFieldNames(masterFields_);
    }
}

void TDBLookupGridGx::DataLinkRecordChanged(TField* field) {
    if (field && std::find(masterFields_.begin(), masterFields_.end(), field) == masterFields_.end()) return;
    if (masterFields_.empty()) SetKeyValue(Null());
    else SetKeyValue(dataLink_->DataSet()->FieldValues(masterFieldNames_));
}

// ==== Binding the list side ===================================================================================

void TDBLookupGridGx::UpdateListFields() {
    listActive_ = false;
    listField_ = nullptr;
    listFields_.clear();
    keyFields_.clear();
    try {
        TDataSet* ds = listDataSet();
        if (DataLink()->Active() && ds && !keyFieldName_.IsEmpty()) {
            CheckNotCircular();
            keyFields_ = GetFieldsProperty(ds, this, keyFieldName_);
            try {
                ds->GetFieldList(listFields_, listFieldName_);
            } catch (const EDatabaseError&) {
                DatabaseError("Field '" + listFieldName_ + "' not found", this);
            }
            listField_ = ChooseLookupListField(listFields_, keyFields_,
                                               lookupMode_ ? ds->FindField(dataFields_.front()->LookupResultField()) : nullptr,
                                               lookupMode_, listFieldIndex_);
            listActive_ = true;
        }
    } catch (...) {
        if (listActive_) KeyValueChanged();
        else ListLinkDataChanged();
        throw;
    }
    if (listActive_) KeyValueChanged();
    else ListLinkDataChanged();
}

// ==== Key and position ========================================================================================

Variant TDBLookupGridGx::currentKey() const {
    TDataSet* ds = listDataSet();
    return ds ? ds->FieldValues(keyFieldName_) : Null();
}

bool TDBLookupGridGx::listDataSetAtBof() const {
    TDataSet* ds = listDataSet();
    if (!ds) return true;
    return ds->Bof() || (ds->IsSequenced() && ds->RecNo() <= 1);
}

void TDBLookupGridGx::moveList(int distance) {
    if (TDataSet* ds = listDataSet(); ds && distance != 0) ds->MoveBy(distance);
}

bool TDBLookupGridGx::LocateKey() {
    TDataSet* ds = listDataSet();
    if (VarIsNull(keyValue_) || !ds || !ds->Active() || !CompatibleVarValue(keyFields_, keyValue_)) return false;
    try {
        // The list often stands on the key already (a row was just chosen): no search then.
        if (!ds->IsEmpty() && VarEquals(currentKey(), keyValue_)) return true;
        return ds->Locate(keyFieldName_, keyValue_, 0);
    } catch (const Exception&) {
        return false;
    }
}

void TDBLookupGridGx::KeyValueChanged() {
    bool located = false;
    if (specRow_->Visible()) {
        specRow_->IsSelected = VarEquals(keyValue_, specRow_->Value());
        if (!lockPosition_ && !specRow_->IsSelected && specRow_->ShowIfNotInKeyList()) {
            located = LocateKey();
            if (located) ListLinkDataChanged();
            else specRow_->IsSelected = true;
        }
    } else {
        specRow_->IsSelected = false;
    }
    if (listActive_ && !lockPosition_) {
        if (!located) located = LocateKey();
        if (located || specRow_->IsSelected) ListLinkDataChanged();
        else if (TDataSet* ds = listDataSet()) ds->First();
    } else if (listActive_) {
        located = !VarIsNull(keyValue_) && VarEquals(currentKey(), keyValue_);
    }
    // The text of the choice: the special row's, the key's record's, or none for a key the list lacks.
    if (specRow_->Visible() && specRow_->IsSelected) selectedText_ = specRow_->GetCellText(listFieldIndex_);
    else if (listField_ && located) selectedText_ = listField_->DisplayText();
    else selectedText_ = AnsiString();
    UpdateActive();
    Invalidate();
}

void TDBLookupGridGx::ListLinkDataChanged() {
    TDataSet* ds = listDataSet();
    if (listActive_ && ds) {
        recordIndex_ = DataLink()->ActiveRecord();
        recordCount_ = DataLink()->RecordCount();
        keySelected_ = !VarIsNull(keyValue_) || !ds->Bof();
    } else {
        recordIndex_ = recordCount_ = 0;
        keySelected_ = false;
    }
    UpdateScrollBar();
    LayoutChanged();
}

int TDBLookupGridGx::KeyRow() {
    if (VarIsNull(keyValue_) || !listActive_ || !DataLink()->Active()) return -1;
    TGridDataLinkGx* link = DataLink();
    const int saved = link->ActiveRecord();
    int found = -1;
    try {
        for (int r = 0; r < link->RecordCount(); ++r) {
            link->SetActiveRecord(r);
            if (VarEquals(currentKey(), keyValue_)) {
                found = r;
                break;
            }
        }
    } catch (...) {
        link->SetActiveRecord(saved);
        throw;
    }
    link->SetActiveRecord(saved);
    return found;
}

int TDBLookupGridGx::GetKeyIndex() { return KeyRow(); }

void TDBLookupGridGx::UpdateActive() {
    if (InplaceSearching() && !InplaceSearchingInProcess()) StopInplaceSearch();
    keyRowVisible_ = false;
    if (!DataLink()->Active() || Loading()) return;
    const int k = KeyRow();
    if (k < 0) return;
    const int row = k + TopDataOffset();
    if (row != Row() && row < TCustomGrid::RowCount()) {
        if (!(Options() & dgAlwaysShowEditor)) HideEditor();
        MoveColRow(Col(), row, false, false);
        InvalidateEditor();
    }
    keyRowVisible_ = true;
}

bool TDBLookupGridGx::CanDrawFocusRowRect() { return keyRowVisible_; }

void TDBLookupGridGx::SelectKeyValue(const Variant& value) {
    if (masterFields_.empty()) {
        SetKeyValue(value);
    } else if (dataLink_->Edit()) {
        dataLink_->DataSet()->SetFieldValues(masterFieldNames_, value);
    }
    UpdateActive();
    Repaint();
    Click();
}

void TDBLookupGridGx::SelectCurrent() {
    FlagGuard lock(lockPosition_);
    const Variant k = currentKey();
    if (!VarEquals(k, keyValue_)) {
        SelectKeyValue(k);
    } else if (specRow_->IsSelected) {
        // The row under the key, not the special row, is chosen now.
        specRow_->IsSelected = false;
        if (listField_) selectedText_ = listField_->DisplayText();
        UpdateActive();
        Invalidate();
    }
}

void TDBLookupGridGx::SelectSpecRow() {
    FlagGuard lock(lockPosition_);
    if (!VarEquals(specRow_->Value(), keyValue_)) SelectKeyValue(specRow_->Value());
    specRow_->IsSelected = true;
    selectedText_ = specRow_->GetCellText(listFieldIndex_);
    UpdateActive();
    Invalidate();
}

void TDBLookupGridGx::SelectItemAt(int x, int y) {
    const int titleHeight = GetTitleRowHeight();
    if (specRow_->Visible() && y >= titleHeight && y < titleHeight + GetSpecRowHeight()) {
        SelectSpecRow();
        return;
    }
    y = std::min(y, ClientHeight() - 1);
    (void)x;
    const TGridCoord cell = MouseCoord(1, y);
    if (cell.Y < TopDataOffset()) return;
    const int dataRow = cell.Y - TopDataOffset();
    if (dataRow >= DataLink()->RecordCount()) return;
    moveList(dataRow - DataLink()->ActiveRecord());
    SelectCurrent();
}

TRect TDBLookupGridGx::choiceRect() const {
    TRect r = ClientRect();
    r.Top = const_cast<TDBLookupGridGx*>(this)->GetTitleRowHeight();
    return r;
}

// ==== Keyboard ===================================================================================================

bool TDBLookupGridGx::horzScrollHidden() {
    return autoFit_ || GetColumnsWidthToFit() <= ClientWidth();
}

void TDBLookupGridGx::KeyDown(WORD& key, TShiftState shift) {
    TDataSet* ds = listDataSet();
    if (!CanModify() || !ds) {
        TCustomDBGridGx::KeyDown(key, shift);
        return;
    }
    const int page = std::max(1, VisibleDataRowCount());
    int step = 0;
    bool home = false, end = false;
    switch (key) {
    case VK_PRIOR: step = 1 - page; break;
    case VK_NEXT: step = page - 1; break;
    case VK_END: end = true; step = INT_MAX; break;
    case VK_HOME: home = true; step = INT_MIN; break;
    case VK_UP: step = -1; break;
    case VK_DOWN: step = 1; break;
    case VK_LEFT: step = horzScrollHidden() ? -1 : 0; break;
    case VK_RIGHT: step = horzScrollHidden() ? 1 : 0; break;
    default: break;
    }
    if (step == 0) {
        TCustomDBGridGx::KeyDown(key, shift);
        return;
    }
    searchText_ = AnsiString();
    key = 0;
    if (step < 0 && (listDataSetAtBof() || specRow_->IsSelected)) {
        ds->First();
        if (specRow_->Visible()) SelectSpecRow();
        else SelectCurrent();
        return;
    }
    if (step > 0 && specRow_->IsSelected && specRow_->Visible()) {
        // From the special row the first step reaches the first record.
        ds->First();
        step = end ? step : step - 1;
        home = false;
    } else if (home) {
        ds->First();
        step = 0;
    } else if (end) {
        ds->Last();
        step = 0;
    } else {
        const int k = GetKeyIndex();
        if (k < 0) {
            KeyValueChanged();
            step = 0;
        } else {
            moveList(k - DataLink()->ActiveRecord());
        }
    }
    if (end && step != 0) {
        ds->Last();
        step = 0;
    }
    moveList(step);
    SelectCurrent();
}

void TDBLookupGridGx::KeyPress(WideChar& key) {
    ProcessSearchKey(key);
    key = 0;
}

void TDBLookupGridGx::ProcessSearchKey(WideChar key) {
    if (!listField_ || (listField_->FieldKind() != fkData && listField_->FieldKind() != fkInternalCalc)) return;
    const TFieldType t = listField_->DataType();
    if (t != ftString && t != ftWideString) return;
    if (key == VK_BACK || key == VK_ESCAPE) {
        searchText_ = AnsiString();
        return;
    }
    if (key < 32 || !CanModify()) return;
    const std::uint32_t now = GetTickCount();
    if (now - lastSearchTick > SearchTimeOut) searchText_ = AnsiString();
    lastSearchTick = now;
    if (static_cast<std::size_t>(CharCount(searchText_)) >= MaxSearchChars) return;
    const AnsiString candidate = searchText_ + CharToText(key);
    try {
        TDataSet* ds = listDataSet();
        if (ds && ds->Locate(listField_->FieldName(), Variant(candidate), loCaseInsensitive | loPartialKey)) {
            SelectKeyValue(currentKey());
            searchText_ = candidate;
        }
    } catch (const Exception&) {
        searchText_ = candidate;
    }
}

void TDBLookupGridGx::WMGetDlgCode(TMessage& m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TDBLookupGridGx::WMSetFocus(TMessage& m) {
    TCustomDBGridGx::WMSetFocus(m);
    searchText_ = AnsiString();
    hasFocus_ = true;
    Invalidate();
}

void TDBLookupGridGx::WMKillFocus(TMessage& m) {
    TCustomDBGridGx::WMKillFocus(m);
    hasFocus_ = false;
    Invalidate();
}

void TDBLookupGridGx::WMSetCursor(TMessage& m) {
    TPoint screen;
    GetCursorPos(&screen);
    const TPoint p = ScreenToClient(screen);
    const int top = GetTitleRowHeight();
    if (specRow_->Visible() && p.y >= top && p.y < top + GetSpecRowHeight()) {
        // The special row takes no sizing cursors.
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    TCustomDBGridGx::WMSetCursor(m);
}

// ==== Mouse ==========================================================================================================

void TDBLookupGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TPoint p(x, y);
    const int top = GetTitleRowHeight();
    const bool inSpec = specRow_->Visible() && y >= top && y < top + GetSpecRowHeight();
    if (CellTreeElementMouseDown(x, y, true) || (!inSpec && !PtInRect(DataRect(), p))) {
        TCustomDBGridGx::MouseDown(button, shift, x, y);
        return;
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    if (button == mbLeft) searchText_ = AnsiString();
    if (!popup_) {
        if (CanFocus() && !Focused()) SetFocus();
        if (!Focused()) return;
    }
    if (!CanModify()) return;
    if (shift & ssDouble) {
        const TGridCoord cell = MouseCoord(x, y);
        if (cell.Y == Row()) DblClick();
        return;
    }
    if (button != mbLeft) return;
    tracking_ = true;
    if (y >= top) SelectItemAt(x, y);
}

void TDBLookupGridGx::MouseMove(TShiftState shift, int x, int y) {
    if (!tracking_) {
        TCustomDBGridGx::MouseMove(shift, x, y);
        return;
    }
    if (y >= GetTitleRowHeight() && y < ClientHeight()) SelectItemAt(x, y);
    mousePosY_ = y;
    TimerScroll();
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TDBLookupGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (!tracking_) {
        TCustomDBGridGx::MouseUp(button, shift, x, y);
        return;
    }
    StopRowTracking();
    if (y >= GetTitleRowHeight() && y < ClientHeight()) SelectItemAt(x, y);
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TDBLookupGridGx::StopRowTracking() {
    tracking_ = false;
    StopTimer();
}

void TDBLookupGridGx::TimerScroll() {
    const int ch = ClientHeight();
    if (mousePosY_ < 0) {
        if (specRow_->Visible() && listDataSetAtBof()) {
            SelectSpecRow();
        } else {
            moveList(-1);
            SelectCurrent();
        }
        // The window timer never comes sooner than its own minimum, so a zero interval cannot spin.
        ResetTimer(std::max(0, 200 - 15 * (-mousePosY_)));
    } else if (mousePosY_ >= ch) {
        moveList(1);
        SelectCurrent();
        ResetTimer(std::max(0, 200 - 15 * (mousePosY_ - ch + 1)));
    } else {
        StopTimer();
    }
}

void TDBLookupGridGx::WMTimer(TMessage& m) {
    if (m.WParam == AutoScrollTimerId && tracking_) {
        TimerScroll();
        return;
    }
    TCustomDBGridGx::WMTimer(m);
}

bool TDBLookupGridGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (MemTableSupport()) return !(shift & ssShift) && TCustomDBGridGx::DoMouseWheelDown(shift, mousePos);
    if (!listDataSet()) return false;
    moveList(DataLink()->RecordCount() - DataLink()->ActiveRecord());
    return true;
}

bool TDBLookupGridGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (MemTableSupport()) return !(shift & ssShift) && TCustomDBGridGx::DoMouseWheelUp(shift, mousePos);
    if (!listDataSet()) return false;
    moveList(-DataLink()->ActiveRecord() - 1);
    return true;
}

void TDBLookupGridGx::WMVScroll(TMessage& m) {
    searchText_ = AnsiString();
    if (!DataLink()->Active()) return;
    if (MemTableSupport()) {
        TCustomDBGridGx::WMVScroll(m);
        return;
    }
    TDataSet* ds = listDataSet();
    TGridDataLinkGx* link = DataLink();
    const int index = link->ActiveRecord(), count = link->RecordCount();
    switch (LOWORD(m.WParam)) {
    case SB_LINEUP: moveList(-index - 1); break;
    case SB_LINEDOWN: moveList(count - index); break;
    case SB_PAGEUP: moveList(1 - index - count); break;
    case SB_PAGEDOWN: moveList(2 * count - index - 2); break;
    case SB_THUMBPOSITION:
        switch (HIWORD(m.WParam)) {
        case 0: ds->First(); break;
        case 1: moveList(1 - index - count); break;
        case 3: moveList(2 * count - index - 2); break;
        case 4: ds->Last(); break;
        default: break;
        }
        break;
    case SB_THUMBTRACK:
        if (ds->IsSequenced()) {
            const int track = HIWORD(m.WParam);
            link->SetActiveRecord(0);
            const int first = ds->RecNo() - 1;
            link->SetActiveRecord(index);
            if (track < first) moveList(track - first);
            else if (track > first) moveList(count + track - first - 1);
        }
        break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: break;
    }
}

void TDBLookupGridGx::UpdateScrollBar() {
    if (MemTableSupport()) {
        TCustomDBGridGx::UpdateScrollBar();
        return;
    }
    SCROLLINFO n;
    n.fMask = SIF_ALL;
    n.nMin = 0;
    TDataSet* ds = listDataSet();
    if (!listActive_ || !ds) {
        n.nMax = 2;
        n.nPos = 0;
        n.nPage = 0;
    } else if (ds->IsSequenced()) {
        n.nMax = ds->RecordCount() - 1;
        n.nPage = static_cast<UINT>(std::max(0, VisibleDataRowCount()));
        const TDataSetState st = ds->State();
        n.nPos = st == dsBrowse || st == dsEdit ? ds->RecNo() - DataLink()->ActiveRecord() - 1 : 0;
    } else if (DataLink()->RecordCount() < VisibleDataRowCount()) {
        n.nMax = 0;
    } else {
        n.nMax = 4;
        n.nPos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    }
    SCROLLINFO o;
    o.fMask = SIF_ALL;
    GetScrollInfo(Handle(), SB_VERT, &o);
    if (o.nMin != n.nMin || o.nMax != n.nMax || o.nPage != n.nPage || o.nPos != n.nPos)
        SetScrollInfo(Handle(), SB_VERT, &n, true);
}

// ==== The grid's reactions, turned to the list ====================================================================

void TDBLookupGridGx::LinkActive(bool value) {
    UpdateListFields();
    TCustomDBGridGx::LinkActive(value);
    UpdateColumnsList();
}

void TDBLookupGridGx::DataChanged() {
    TCustomDBGridGx::DataChanged();
    recordIndex_ = DataLink()->ActiveRecord();
    recordCount_ = DataLink()->RecordCount();
    UpdateScrollBar();
}

void TDBLookupGridGx::Scroll(int distance) {
    TCustomDBGridGx::Scroll(distance);
    recordIndex_ = DataLink()->ActiveRecord();
    recordCount_ = DataLink()->RecordCount();
    UpdateScrollBar();
}

void TDBLookupGridGx::DefineFieldMap() {
    if (Columns()->State() == csCustomized) {
        TCustomDBGridGx::DefineFieldMap();
        return;
    }
    DataLink()->SetSparseMap(false);
    for (TField* f : listFields_) DataLink()->AddMapping(f->FieldName());
}

void TDBLookupGridGx::GetDatasetFieldList(TList* list) {
    for (TField* f : listFields_) list->Add(f);
}

void TDBLookupGridGx::LayoutChanged() {
    TCustomDBGridGx::LayoutChanged();
    if (!heightGuard_) applyRowCount();
}

void TDBLookupGridGx::UpdateRowCount() { TCustomDBGridGx::UpdateRowCount(); }

void TDBLookupGridGx::SpecRowChanged(TObject*) {
    if (Loading()) return;
    // The special row is a sub-title row: its showing changes the layout and the height.
    LayoutChanged();
    KeyValueChanged();
    Invalidate();
}

// ==== Size ==============================================================================================================

int TDBLookupGridGx::GetBorderSize() { return Height() - ClientHeight(); }

int TDBLookupGridGx::GetDataRowHeight() {
    return DefaultRowHeight() + ((Options() & dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridGx::GetSpecRowHeight() { return GetDataRowHeight(); }

int TDBLookupGridGx::GetTitleRowHeight() {
    if (!(Options() & dgTitles) || TCustomGrid::RowCount() < 1) return 0;
    return RowHeights(0) + GridLineWidth();
}

void TDBLookupGridGx::SetBounds(int left, int top, int width, int height) {
    const int specHeight = specRow_ && specRow_->Visible() ? GetSpecRowHeight() : 0;
    const int dataHeight = std::max(1, GetDataRowHeight());
    const int fixed = GetBorderSize() + GetTitleRowHeight() + specHeight;
    rowCount_ = std::max(1, (height - fixed) / dataHeight);
    const int whole = fixed + dataHeight * rowCount_ + ((Options() & dgRowLines) ? GridLineWidth() : 0);
    FlagGuard g(heightGuard_);
    TCustomDBGridGx::SetBounds(left, top, width, whole);
}

void TDBLookupGridGx::applyRowCount() { SetRowCount(rowCount_); }

void TDBLookupGridGx::SetRowCount(int n) {
    n = std::clamp(n, 1, 100);
    rowCount_ = n;
    const int lw = (Options() & dgRowLines) ? GridLineWidth() : 0;
    const int specHeight = specRow_ && specRow_->Visible() ? GetSpecRowHeight() : 0;
    const int h = GetTitleRowHeight() + lw + n * (DefaultRowHeight() + lw) + GetBorderSize() + specHeight;
    if (h != Height()) SetBounds(Left(), Top(), Width(), h);
}

int TDBLookupGridGx::GetColumnsWidthToFit() {
    const int lw = (Options() & dgColLines) ? GridLineWidth() : 0;
    int w = 0;
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnGx* c = Columns()->Items(i);
        if (!c->Visible()) continue;
        w += (autoFit_ ? c->FitBaseWidth() : c->Width()) + lw;
    }
    return w;
}

void TDBLookupGridGx::UpdateColumnsList() {
    FlagGuard g(widthGuard_);
    if (autoFit_) {
        // The base fitting runs once and leaves its widths as the ones to scale from.
        TCustomDBGridGx::SetAutoFitColWidths(true);
    }
    for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetFitBaseWidth(Columns()->Items(i)->Width());
    TCustomDBGridGx::SetAutoFitColWidths(false);
    applyRowCount();
}

void TDBLookupGridGx::ColWidthsChanged() {
    TCustomDBGridGx::ColWidthsChanged();
    if (!autoFit_ || widthGuard_ || InteractionState() != dgsColSizing) return;
    FlagGuard g(widthGuard_);
    SetClientWidth(GetColumnsWidthToFit());
    for (int i = 0; i < Columns()->Count(); ++i) Columns()->Items(i)->SetFitBaseWidth(Columns()->Items(i)->Width());
}

void TDBLookupGridGx::WMSize(TMessage& m) {
    if (!autoFit_ || widthGuard_) {
        TCustomDBGridGx::WMSize(m);
        return;
    }
    FlagGuard g(widthGuard_);
    TCustomDBGridGx::SetAutoFitColWidths(true);
    TCustomDBGridGx::WMSize(m);
    TCustomDBGridGx::SetAutoFitColWidths(false);
}

void TDBLookupGridGx::Dispatch(TMessage& m) { TCustomDBGridGx::Dispatch(m); }

// ==== Painting =====================================================================================================

bool TDBLookupGridGx::HighlightDataCellColor(int, int, const AnsiString&, TGridDrawState& state, TColor& color,
                                             TFont* font) {
    state &= ~(gdSelected | gdFocused);
    if (VarIsNull(keyValue_) || !DataLink()->Active() || UpdateLock() > 0 || !listActive_) return false;
    if (!VarEquals(currentKey(), keyValue_)) return false;
    color = clHighlight;
    font->SetColor(clHighlightText);
    return true;
}

bool TDBLookupGridGx::CellHave3DRect(int aCol, int aRow, const TRect& aRect, TGridDrawState state) {
    if (specRow_->Visible() && aRow == TopDataOffset() - 1) return false;
    return TCustomDBGridGx::CellHave3DRect(aCol, aRow, aRect, state);
}

void TDBLookupGridGx::DrawSubTitleCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                       const TRect& aRect, TGridDrawState state, bool& highlighted) {
    const int col = RawToDataColumn(aCol);
    if (!specRow_->Visible() || aRow != TopDataOffset() - 1 || col < 0 || col >= Columns()->Count()) {
        TCustomDBGridGx::DrawSubTitleCell(aCol, aRow, dataCol, dataRow, cellType, aRect, state, highlighted);
        return;
    }
    auto* column = dynamic_cast<TDBLookupGridColumnGx*>(Columns()->Items(col));
    TCanvas* c = Canvas();
    c->Font()->Assign(specRow_->Font());
    TColor background = column ? column->SpecCell()->Color() : specRow_->Color();
    const AnsiString text = column ? column->SpecCell()->Text() : specRow_->GetCellText(col);
    if (specRow_->IsSelected) {
        c->Font()->SetColor(clHighlightText);
        background = clHighlight;
        highlighted = true;
    }
    c->Brush()->SetColor(background);
    TAlignment alignment = Columns()->Items(col)->Alignment();
    if (UseRightToLeftAlignment()) {
        if (alignment == taLeftJustify) alignment = taRightJustify;
        else if (alignment == taRightJustify) alignment = taLeftJustify;
    }
    WriteTextGx(c, aRect, true, 2, 1, text, alignment, tlTop, false, false, 0, 0, UseRightToLeftReading());
    if (specRow_->IsSelected && col == Columns()->Count() - 1) {
        const TRect first = CellRect(DataToRawColumn(0), aRow);
        c->Font()->SetColor(clWindowText);
        c->Brush()->SetColor(clWindow);
        c->DrawFocusRect(TRect(std::min(first.Left, aRect.Left), aRect.Top, aRect.Right, aRect.Bottom));
    }
}

// ==== TPopupDataGridGx ===============================================================================================

TPopupDataGridGx::TPopupDataGridGx(TComponent* owner) : TDBLookupGridGx(owner) {
    SetVisible(false);
    SetPopupWindow(true);
    SetControlStyle(ControlStyle() | csNoDesignVisible | csReplicatable);
    SetShowHint(true);
    SetPopupFlag(true);
    sizeGrip_ = new TSizeGripGx(this);
    sizeGrip_->SetTriangleWindow(true);
    sizeGrip_->SetParent(this);
    sizeGrip_->UpdatePosition();
    applyCtl3D();
}

TPopupDataGridGx::~TPopupDataGridGx() { Destroying_(); }

void TPopupDataGridGx::applyCtl3D() {
    SetBorderStyle(bsNone);
    SetBorderWidth(Ctl3D() ? 1 : 0);
}

void TPopupDataGridGx::CreateParams(TCreateParams& params) {
    TDBLookupGridGx::CreateParams(params);
    params.Style = WS_POPUP | WS_CLIPCHILDREN | (Ctl3D() ? 0 : WS_BORDER);
    params.ExStyle = WS_EX_TOOLWINDOW;
}

void TPopupDataGridGx::DrawBorder() {
    if (!Ctl3D()) return;
    HDC dc = GetWindowDC(Handle());
    if (!dc) return;
    TRect r(0, 0, Width(), Height());
    DrawEdge(dc, r, BDR_RAISEDOUTER, BF_RECT);
    ReleaseDC(Handle(), dc);
}

bool TPopupDataGridGx::CheckNewSize(int& width, int& height) {
    width = std::max(width, GetSystemMetrics(SM_CXVSCROLL));
    height = std::max(height, GetSystemMetrics(SM_CYVSCROLL));
    return true;
}

void TPopupDataGridGx::SetBounds(int left, int top, int width, int height) {
    if (!(ComponentState() & (csReading | csDestroying)) && (width != Width() || height != Height()))
        CheckNewSize(width, height);
    TDBLookupGridGx::SetBounds(left, top, width, height);
}

void TPopupDataGridGx::KeyValueChanged() {
    TDBLookupGridGx::KeyValueChanged();
    if (userKeyChange_ && OnUserKeyChange) OnUserKeyChange(this);
}

void TPopupDataGridGx::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_SETSIZEGRIPCHANGEPOSITION:
        if (sizeGrip_) sizeGrip_->ChangePosition(static_cast<TSizeGripChangePosition>(m.WParam));
        return;
    case WM_MOUSEACTIVATE: m.Result = MouseNoActivate; return;
    case WM_ERASEBKGND: m.Result = 1; return;
    case CM_CTL3DCHANGED:
        TDBLookupGridGx::Dispatch(m);
        applyCtl3D();
        return;
    case WM_SIZE:
        TDBLookupGridGx::Dispatch(m);
        if (sizeGrip_) sizeGrip_->UpdatePosition();
        gripResized_ = true;
        return;
    default: TDBLookupGridGx::Dispatch(m);
    }
}

void TPopupDataGridGx::KeyDown(WORD& key, TShiftState shift) {
    FlagGuard g(userKeyChange_);
    TDBLookupGridGx::KeyDown(key, shift);
}

void TPopupDataGridGx::KeyUp(WORD& key, TShiftState shift) {
    FlagGuard g(userKeyChange_);
    TDBLookupGridGx::KeyUp(key, shift);
}

void TPopupDataGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    FlagGuard g(userKeyChange_);
    keySelection_ = !CellTreeElementMouseDown(x, y, true);
    TDBLookupGridGx::MouseDown(button, shift, x, y);
}

void TPopupDataGridGx::MouseMove(TShiftState shift, int x, int y) {
    FlagGuard g(userKeyChange_);
    if (!(shift & (ssLeft | ssRight | ssMiddle)) && !RowTracking() && !GetReadOnly() &&
        PtInRect(ClientRect(), TPoint(x, y)) && y >= GetTitleRowHeight()) {
        // Hovering chooses the row under the pointer.
        SelectItemAt(x, y);
    }
    TDBLookupGridGx::MouseMove(shift, x, y);
}

void TPopupDataGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FlagGuard g(userKeyChange_);
    const bool normal = InteractionState() == dgsNormal;
    TDBLookupGridGx::MouseUp(button, shift, x, y);
    if (!normal || !keySelection_) return;
    keySelection_ = false;
    if (!PtInRect(ClientRect(), TPoint(x, y))) {
        if (OnMouseChoice) OnMouseChoice(this, false);
    } else if (y >= GetTitleRowHeight()) {
        if (OnMouseChoice) OnMouseChoice(this, true);
    }
}
