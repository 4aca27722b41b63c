// The filter row and sorting by title markers: the grid's filter settings, the column filters, the
// filter-row editor and its drop-down, the data service that filtering, sorting and record moving go
// through, and the grid as the services see it.
#include "gridlib/grid/DBGridGx.h"

#include "rtl/TypInfo.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

TDBGridGxDataService dataServiceInstance;

// The special entries of the filter drop-down carry these tags as their list objects.
enum FilterListTag : std::intptr_t {
    tagValue = 0,
    tagEmpties = 1,
    tagNotEmpties = 2,
    tagAll = 3,
    tagClearFilter = 4,
    tagSeparator = 5,
    tagSortDescending = 6,
    tagSortAscending = 7,
};

TObject* tagObject(FilterListTag tag) { return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(tag)); }
std::intptr_t objectTag(TObject* o) { return reinterpret_cast<std::intptr_t>(o); }

// The list link of a column filter: it reports its active changes.
class FilterListLink : public TDataLink {
public:
    explicit FilterListLink(TNotifyEvent onActiveChange) : onActiveChange_(std::move(onActiveChange)) {}

protected:
    void ActiveChanged() override {
        if (onActiveChange_) onActiveChange_(nullptr);
    }

private:
    TNotifyEvent onActiveChange_;
};

// Sets a flag for its lifetime.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }

private:
    bool& flag_;
    bool old_;
};

// The filter row's background: the fixed colour with each channel raised by an eighth.
TColor filterEditorColor(TColor fixed) {
    const TColor rgb = ColorToRGB(fixed);
    auto raise = [](int c) { return std::min(255, c + static_cast<int>(std::lround(c / 8.0))); };
    return RGB(raise(GetRValue(rgb)), raise(GetGValue(rgb)), raise(GetBValue(rgb)));
}

// What forms and column sets store of the filter row.
const bool filterPropertiesRegistered = [] {
    const PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    const PTypeInfo text = TypeInfoOf(tkLString, "String");
    using F = TSTColumnFilterGx;
    RegisterPublishedProperties(
        F::StaticClass(),
        {MakeProperty<F>("DataField", text, &F::DataField, &F::SetDataField),
         MakeProperty<F>("KeyField", text, &F::KeyField, &F::SetKeyField),
         MakeProperty<F>("ListField", text, &F::ListField, &F::SetListField),
         MakeProperty<F>("ListSource", ClassTypeInfo(TDataSource::StaticClass()), &F::GetListSource, &F::SetListSource),
         MakeProperty<F>("Visible", boolean, &F::Visible, &F::SetVisible, 1)});
    using C = TColumnGx;
    RegisterPublishedProperties(C::StaticClass(), {MakeProperty<C>("STFilter", ClassTypeInfo(F::StaticClass()),
                                                                   &C::STFilter, &C::SetSTFilter)});
    using S = TSTDBGridGxFilter;
    RegisterPublishedProperties(S::StaticClass(), {MakeProperty<S>("Local", boolean, &S::Local, &S::SetLocal, 0),
                                                   MakeProperty<S>("Visible", boolean, &S::Visible, &S::SetVisible, 0)});
    using G = TCustomDBGridGx;
    RegisterPublishedProperties(TDBGridGx::StaticClass(), {MakeProperty<G>("STFilter", ClassTypeInfo(S::StaticClass()),
                                                                   &G::STFilter, &G::SetSTFilter)});
    return true;
}();

}  // namespace

TDBGridGxDataService* DBGridGxDataService = &dataServiceInstance;

// ==== TSTDBGridGxFilter ======================================================================================

void TSTDBGridGxFilter::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TSTDBGridGxFilter*>(source)) {
        SetVisible(src->Visible());
        SetLocal(src->Local());
        return;
    }
    TPersistent::Assign(source);
}

void TSTDBGridGxFilter::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    if (!value) grid_->StopEditFilter();
    grid_->LayoutChanged();
    if (grid_->EditorMode()) grid_->InvalidateEditor();
}

// ==== TSTColumnFilterGx ======================================================================================

TSTColumnFilterGx::TSTColumnFilterGx(TColumnGx* column) : column_(column) {
    ClearSTFilterExpression(expression_);
    listLink_ = std::make_unique<FilterListLink>(TNotifyEvent(this, &TSTColumnFilterGx::ListLinkActiveChange));
}

TSTColumnFilterGx::~TSTColumnFilterGx() = default;

TPersistent* TSTColumnFilterGx::GetOwner() { return column_; }

void TSTColumnFilterGx::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TSTColumnFilterGx*>(source)) {
        SetDataField(src->DataField());
        SetVisible(src->Visible());
        SetKeyField(src->KeyField());
        SetListField(src->ListField());
        SetListSource(src->ListSource());
        return;
    }
    TPersistent::Assign(source);
}

void TSTColumnFilterGx::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    column_->ChangedColumn(false);
}

TDataSource* TSTColumnFilterGx::GetListSource() const { return listLink_->DataSource(); }

void TSTColumnFilterGx::SetListSource(TDataSource* value) { listLink_->SetDataSource(value); }

TCustomDBGridGx* TSTColumnFilterGx::GetGrid() const { return column_->Grid(); }

void TSTColumnFilterGx::SetExpression(const TSTFilterExpressionGx& expr) {
    expression_ = expr;
    expressionStr_ = GetExpressionAsString();
}

AnsiString TSTColumnFilterGx::GetExpressionAsString() {
    if (expression_.OperandType == botNon || expression_.FirstOperator == foNon) return AnsiString();
    return GetSTFilterExpressionDisplayText(expression_, ListSource() != nullptr);
}

bool TSTColumnFilterGx::DropDownButtonVisible() {
    TCustomDBGridGx* g = GetGrid();
    return ListSource() != nullptr || (g && g->MemTableSupport());
}

AnsiString TSTColumnFilterGx::GetFilterFieldName() { return CurrentDataField(); }

Variant TSTColumnFilterGx::GetOperand1() {
    if (!CurrentKeyField().IsEmpty()) return lookupKeyValues_;
    return expression_.FirstOperand;
}

Variant TSTColumnFilterGx::GetOperand2() { return expression_.SecondOperand; }

void TSTColumnFilterGx::Clear() {
    lookupKeyValues_ = Null();
    SetExpressionStr(AnsiString());
}

void TSTColumnFilterGx::SetExpressionStr(const AnsiString& text) {
    InternalSetExpressionStr(text);
    if (TCustomDBGridGx* g = GetGrid()) {
        g->Invalidate();
        if (g->FilterEdit() && g->FilterEdit()->GetVisible()) g->UpdateFilterEdit(true);
    }
}

AnsiString TSTColumnFilterGx::ParseExpression(const AnsiString& text) {
    // A text that breaks the grammar leaves the expression as it was.
    TSTFilterExpressionGx parsed = expression_;
    TCustomDBGridGx* g = GetGrid();
    TField* field = g && g->DataLink()->Active() ? column_->Field() : nullptr;
    if (field) parsed.OperandType = STFldTypeMapGx[field->DataType()];
    ParseSTFilterExpressionGx(text, parsed);
    expression_ = parsed;
    return GetExpressionAsString();
}

void TSTColumnFilterGx::InternalSetExpressionStr(const AnsiString& text) {
    const AnsiString keyField = CurrentKeyField();
    if (keyField.IsEmpty()) {
        ParseExpression(text);
        expressionStr_ = text;
        return;
    }
    // A choice of list records shows its texts; while that text stands, its keys stay.
    if (!text.IsEmpty() && text == expressionStr_ && expression_.FirstOperator == foIn && !lookupKeyValues_.IsNull())
        return;
    ParseExpression(text);
    if (expression_.FirstOperator != foNull && expression_.FirstOperator != foNotNull) {
        if (text.IsEmpty()) {
            lookupKeyValues_ = Null();
        } else if (TDataSet* list = CurrentListDataSet()) {
            lookupKeyValues_ = list->Lookup(CurrentListField(), text, keyField);
        }
        ParseExpression(AnsiString());
        if (lookupKeyValues_.IsNull() && !text.IsEmpty()) {
            expression_.OperandType = botString;
            expression_.FirstOperator = foNull;
        } else if (lookupKeyValues_.IsNull()) {
            expression_.FirstOperator = foNon;
        } else {
            expression_.OperandType = botString;
            expression_.FirstOperator = foIn;
            expression_.FirstOperand = text;
        }
    }
    expressionStr_ = text;
}

TField* TSTColumnFilterGx::lookupField() {
    TCustomDBGridGx* g = GetGrid();
    if (!g || !g->DataLink()->Active()) return nullptr;
    TField* f = column_->Field();
    return f && f->FieldKind() == fkLookup ? f : nullptr;
}

AnsiString TSTColumnFilterGx::CurrentDataField() {
    if (!dataField_.IsEmpty()) return dataField_;
    if (TField* f = lookupField()) return f->KeyFields();
    return column_->FieldName();
}

AnsiString TSTColumnFilterGx::CurrentKeyField() {
    if (!keyField_.IsEmpty()) return keyField_;
    if (TField* f = lookupField()) return f->LookupKeyFields();
    return AnsiString();
}

AnsiString TSTColumnFilterGx::CurrentListField() {
    if (!listField_.IsEmpty()) return listField_;
    if (TField* f = lookupField()) return f->LookupResultField();
    return AnsiString();
}

TDataSet* TSTColumnFilterGx::CurrentListDataSet() {
    if (TDataSource* s = ListSource()) return s->DataSet();
    if (TField* f = lookupField()) return f->LookupDataSet();
    return nullptr;
}

void TSTColumnFilterGx::SetKeyListValues(const AnsiString& text, const Variant& values) {
    SetExpressionStr(AnsiString());
    if (values.IsNull()) {
        lookupKeyValues_ = Null();
        return;
    }
    TSTFilterExpressionGx e = expression_;
    e.OperandType = botString;
    e.FirstOperator = foIn;
    e.FirstOperand = text;
    SetExpression(e);
    lookupKeyValues_ = values;
}

void TSTColumnFilterGx::SetListValues(TStrings* listValues) {
    if (!listLink_->Active() || listField_.IsEmpty() || !listValues) return;
    const AnsiString keyName = keyField_.IsEmpty() ? listField_ : keyField_;
    TDataSet* list = listLink_->DataSet();
    Variant keys = Null();
    AnsiString display;
    const int n = listValues->Count();
    if (n > 0) {
        std::vector<Variant> found;
        for (int i = 0; i < n; ++i) {
            const AnsiString text = listValues->Get(i);
            found.push_back(Variant(VarToStr(list->Lookup(listField_, text, keyName))));
            if (i > 0) display += ",";
            display += "'" + text + "'";
        }
        keys = VarArrayOf(found);
    }
    SetKeyListValues(display, keys);
}

TRefGx<IMemTableDataFieldValueListGx> TSTColumnFilterGx::GetFieldValueList() {
    TCustomDBGridGx* g = GetGrid();
    TDataSource* s = ListSource();
    if (!g || !g->DataLink()->Active() || !s || !s->DataSet() || !s->DataSet()->Active()) return {};
    const AnsiString name = listField_.IsEmpty() ? column_->FieldName() : listField_;
    if (!s->DataSet()->FindField(name)) return {};
    auto* list = new TDatasetFieldValueListGx();
    TRefGx<IMemTableDataFieldValueListGx> ref(list);
    list->SetFieldName(name);
    list->SetDataSet(s->DataSet());
    return ref;
}

void TSTColumnFilterGx::ListLinkActiveChange(TObject*) {
    if (!listLink_->Active() || listField_.IsEmpty() || keyField_.IsEmpty()) return;
    // One walk over the list reads its records in before the first lookups.
    TDataSet* list = listLink_->DataSet();
    TField* listF = list->FieldByName(listField_);
    TField* keyF = list->FieldByName(keyField_);
    list->DisableControls();
    try {
        for (list->First(); !list->Eof(); list->Next()) {
            (void)listF->Value();
            (void)keyF->Value();
        }
        list->First();
    } catch (...) {
        list->EnableControls();
        throw;
    }
    list->EnableControls();
}

// ==== The column's filter ====================================================================================

TSTColumnFilterGx* TColumnGx::STFilter() const {
    if (!stFilter_) stFilter_.reset(const_cast<TColumnGx*>(this)->CreateSTFilter());
    return stFilter_.get();
}

TSTColumnFilterGx* TColumnGx::CreateSTFilter() { return new TSTColumnFilterGx(this); }

// ==== TInplaceFilterEditGx ===================================================================================

void TInplaceFilterEditGx::CalcEditRect(TRect& rect) {
    TDBComboBoxGx::CalcEditRect(rect);
    rect.Top += 1;
}

void TInplaceFilterEditGx::SetValueAndText(const Variant& value, const AnsiString& text) {
    SetValue(value);
    TControl::SetText(text);
}

// ==== TDBGridGxDataService ===================================================================================

bool TDBGridGxDataService::MoveRecords(TCustomDBGridGx* Sender, TStrings* BookmarkList, int ToRecNo, bool CheckOnly) {
    return DefaultMoveRecords(Sender, BookmarkList, ToRecNo, CheckOnly);
}

bool TDBGridGxDataService::DefaultMoveRecords(TCustomDBGridGx* Sender, TStrings* BookmarkList, int ToRecNo,
                                              bool CheckOnly) {
    TDataSet* ds = Sender && Sender->DataSource() ? Sender->DataSource()->DataSet() : nullptr;
    TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(ds);
    if (!features) return false;
    return features->MoveRecords(Sender, BookmarkList, ToRecNo, CheckOnly);
}

void TDBGridGxDataService::ApplyFilter(TCustomDBGridGx* Grid) {
    if (OnFilterRequest) OnFilterRequest(Grid);
    else DefaultApplyFilter(Grid);
}

void TDBGridGxDataService::ApplySorting(TCustomDBGridGx* Grid) {
    if (OnSortRequest) OnSortRequest(Grid);
    else DefaultApplySorting(Grid);
}

void TDBGridGxDataService::DefaultApplyFilter(TCustomDBGridGx* Grid) {
    TDataSet* ds = Grid && Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(ds)) features->ApplyFilter(Grid, ds, true);
}

void TDBGridGxDataService::DefaultApplySorting(TCustomDBGridGx* Grid) {
    TDataSet* ds = Grid && Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (TDatasetFeaturesGx* features = GetDatasetFeaturesForDataSet(ds)) features->ApplySorting(Grid, ds, true);
}

// ==== The grid: filter state ==================================================================================

TCustomDBGridGx::FilterEditHolder::~FilterEditHolder() { delete editor; }

void TCustomDBGridGx::SetSTFilter(TSTDBGridGxFilter* value) { stFilter_->Assign(value); }

int TCustomDBGridGx::GetSubTitleRows() const { return stFilter_ && stFilter_->Visible() ? 1 : 0; }

bool TCustomDBGridGx::CanEditorMode() const { return (options_ & dgAlwaysShowEditor) && !filterEditMode_; }

bool TCustomDBGridGx::STFilterVisible() const { return stFilter_->Visible(); }
bool TCustomDBGridGx::FilterRowVisible() const { return stFilter_->Visible(); }
bool TCustomDBGridGx::FilterEditMode() const { return filterEditMode_; }
int TCustomDBGridGx::FilterEditCol() const { return filterCol_; }
TWinControl* TCustomDBGridGx::FilterEditor() const { return filterEdit_; }

bool TCustomDBGridGx::FilterEditListDroppedDown(TControl* control) {
    auto* edit = dynamic_cast<TInplaceFilterEditGx*>(control);
    return edit && edit->ListVisible();
}

bool TCustomDBGridGx::CanFilterCol(int dataCol) {
    if (dataCol < 0 || dataCol >= columns_->Count()) return false;
    TColumnGx* c = columns_->Items(dataCol);
    return c->Visible() && c->STFilter()->Visible();
}

bool TCustomDBGridGx::FilterCellVisible(int dataCol) {
    return CanFilterCol(dataCol) && columns_->Items(dataCol)->STFilter()->Visible();
}

bool TCustomDBGridGx::FilterDropDownButtonVisible(int dataCol) {
    if (dataCol < 0 || dataCol >= columns_->Count()) return false;
    return columns_->Items(dataCol)->STFilter()->DropDownButtonVisible();
}

bool TCustomDBGridGx::CanFilterEditShow() { return filterEditMode_ && selection_->SelectionType() == gstNon; }

bool TCustomDBGridGx::CheckCellFilter(int x, int y) const {
    const TGridCoord cell = MouseCoord(x, y);
    return cell.Y >= 0 && cell.Y + 1 == topDataOffset_;
}

AnsiString TCustomDBGridGx::GetFilterValue(int dataCol) {
    if (dataCol < 0 || dataCol >= columns_->Count()) return AnsiString();
    TColumnGx* c = columns_->Items(dataCol);
    if (c->FieldName().IsEmpty()) return AnsiString();
    return c->STFilter()->ExpressionStr();
}

void TCustomDBGridGx::SetFilterValue(int dataCol) {
    if (dataCol < 0 || dataCol >= columns_->Count() || !filterEdit_) return;
    TColumnGx* c = columns_->Items(dataCol);
    if (c->FieldName().IsEmpty()) return;
    c->STFilter()->InternalSetExpressionStr(filterEdit_->Text());
}

void TCustomDBGridGx::ShowEditor() {
    if (filterEditMode_) StopEditFilter();
    TCustomGrid::ShowEditor();
}

void TCustomDBGridGx::UpdateEditorMode() {
    if ((options_ & dgAlwaysShowEditor) && !filterEditMode_) ShowEditor();
    else HideEditor();
}

// ==== The grid: opening, placing and closing the editor =======================================================

TCustomDBEditGx* TCustomDBGridGx::CreateFilterEditor() { return new TInplaceFilterEditGx(this); }

void TCustomDBGridGx::StartEditFilter(int dataCol) {
    if (!stFilter_->Visible() || !CanFilterCol(dataCol)) return;
    if (dataLink_->Active()) dataLink_->DataSet()->CheckBrowseMode();
    if (!filterEdit_) {
        TCustomDBEditGx* made = CreateFilterEditor();
        filterEdit_ = dynamic_cast<TInplaceFilterEditGx*>(made);
        if (!filterEdit_) {
            delete made;
            throw Exception("The filter editor must be a TInplaceFilterEditGx");
        }
        filterEdit_->SetParent(this);
        IInplaceEditGx* intf = filterEdit_;
        intf->SetInplaceEditHolder(this);
        filterEdit_->SetVisible(false);
        intf->SetBorderStyle(bsNone);
        TFont font;
        font.Assign(Font());
        font.SetColor(RGB(0, 0, 255));
        intf->SetFont(&font);
        intf->SetColor(filterEditorColor(FixedColor()));
        intf->SetOnKeyPress(TKeyPressEvent(this, &TCustomDBGridGx::OnFilterKeyPress));
        intf->SetOnExit(TNotifyEvent(this, &TCustomDBGridGx::FilterExit));
        filterEdit_->SetFlat(flat_);
    }
    int previousRaw = -1;
    if (filterCol_ >= 0 && filterEdit_->GetVisible()) {
        previousRaw = DataToRawColumn(filterCol_);
        HideFilterEdit();
    }
    filterCol_ = dataCol;
    filterEditMode_ = true;
    HideEditor();
    BeginUpdate();
    BeginPaintLock();
    try {
        if (columns_->Items(dataCol)->STFilter()->Visible()) {
            const int raw = DataToRawColumn(dataCol);
            if (options_ & dgRowSelect) {
                if (raw >= LeftCol() + VisibleColCount()) {
                    while (LeftCol() < raw && raw >= LeftCol() + VisibleColCount()) SetLeftCol(LeftCol() + 1);
                } else if (raw >= FixedCols() && raw < LeftCol()) {
                    SetLeftCol(raw);
                }
            } else {
                MoveCol(raw, 0, false);
            }
            filterCol_ = dataCol;
            InvalidateCell(raw, topDataOffset_ - 1);
        }
        if (previousRaw >= 0) InvalidateCell(previousRaw, topDataOffset_ - 1);
    } catch (...) {
        EndPaintLock();
        EndUpdate();
        throw;
    }
    EndPaintLock();
    EndUpdate();
    UpdateFilterEdit(true);
}

void TCustomDBGridGx::StopEditFilter() {
    if (stFilter_->UpdateCount() > 0) return;
    HideFilterEdit();
    filterEditMode_ = false;
    UpdateEditorMode();
}

void TCustomDBGridGx::SetFilterEditMode(bool value) {
    if (value) StartEditFilter(RawToDataColumn(Col()));
    else StopEditFilter();
}

void TCustomDBGridGx::HideFilterEdit() {
    if (!filterEdit_ || !filterEdit_->GetVisible()) return;
    if (Visible() && CanFocus() && filterEdit_->Focused()) SetFocus();
    filterEdit_->SetVisible(false);
    if (filterCol_ >= 0) {
        SetFilterValue(filterCol_);
        InvalidateCell(DataToRawColumn(filterCol_), topDataOffset_ - 1);
    }
}

void TCustomDBGridGx::UpdateFilterEdit(bool reset) {
    if (stFilter_->UpdateCount() > 0) return;
    if (!stFilter_->Visible() || !CanFilterCol(filterCol_) || !filterEditMode_) {
        // A grid that is not editing its filter row leaves its own editor alone.
        if (filterEditMode_ || (filterEdit_ && filterEdit_->GetVisible())) SetFilterEditMode(false);
        return;
    }
    TRect r = CellRect(DataToRawColumn(filterCol_), topDataOffset_ - 1);
    r.Left += 1;
    if (!CanFilterEditShow()) {
        HideFilterEdit();
        return;
    }
    if (reset) filterEdit_->Move(TRect());
    if (filterEdit_->CanFocus()) filterEdit_->SetFocus();
    if (reset && filterCol_ >= 0 && filterCol_ < columns_->Count()) {
        UpdateFilterEditProps(filterCol_);
        filterEdit_->SelectAll();
    }
    filterEdit_->Move(r);
    filterEdit_->Perform(EM_SCROLLCARET, 0, 0);
}

void TCustomDBGridGx::UpdateFilterEditProps(int dataCol) {
    // The texts set here come from the column: they are no edit to store back into it.
    FlagScope loading(loadingFilterEdit_);
    TInplaceFilterEditGx* e = filterEdit_;
    TColumnGx* column = columns_->Items(dataCol);
    TSTColumnFilterGx* f = column->STFilter();
    e->Items()->Clear();
    if (f->ListSource() || MemTableSupport()) {
        e->OnCloseUp = TCloseUpEventGx(this, &TCustomDBGridGx::OnFilterCloseUp);
        e->OnListClosingUp = TListClosingUpEventGx(this, &TCustomDBGridGx::OnFilterClosingUp);
        e->OnListGetItems = TNotifyEvent(this, &TCustomDBGridGx::OnFilterGetItemsList);
        e->Clear();
        e->SetValue(Null());
        e->OnButtonClick = TButtonClickEventGx();
        e->EditButton()->SetVisible(true);
        e->DropDownBox()->SetSizable(true);
        if (!f->CurrentKeyField().IsEmpty()) e->SetValueAndText(f->LookupKeyValues(), f->ExpressionStr());
        else e->SetText(f->ExpressionStr());
        e->DropDownBox()->SetWidth(f->SavedListWidth() > 0 ? f->SavedListWidth() : 100);
        e->DropDownBox()->SetRows(f->SavedListRows() > 0 ? f->SavedListRows() : 17);
    } else {
        e->SetValue(Null());
        e->OnListGetItems = TNotifyEvent();
        e->EditButton()->SetVisible(false);
        e->SetText(GetFilterValue(dataCol));
    }
}

// ==== The grid: the editor's handlers =========================================================================

void TCustomDBGridGx::OnFilterKeyPress(TObject*, WideChar& key) {
    if (key != 13) return;
    key = 0;
    SetDataFilter();
}

void TCustomDBGridGx::FilterExit(TObject*) {}

void TCustomDBGridGx::OnFilterEditButtonClick(TObject*, bool&) {}

void TCustomDBGridGx::OnFilterChange(TObject*) {
    if (filterCol_ >= 0) SetFilterValue(filterCol_);
}

void TCustomDBGridGx::FilterButtonClick(TObject* sender, bool&) {
    // An edit button is a collection item of its edit, or the edit's own main button.
    auto* edit = dynamic_cast<TCustomDBEditGx*>(sender);
    if (auto* item = dynamic_cast<TCollectionItem*>(sender); !edit && item && item->Collection())
        edit = dynamic_cast<TCustomDBEditGx*>(item->Collection()->GetOwner());
    if (auto* persistent = dynamic_cast<TPersistent*>(sender); !edit && persistent)
        edit = dynamic_cast<TCustomDBEditGx*>(persistent->GetOwner());
    if (!edit) return;
    edit->Clear();
    edit->SetText(AnsiString());
}

void TCustomDBGridGx::FilterEditTextChanged() {
    if (loadingFilterEdit_ || filterCol_ < 0 || filterCol_ >= columns_->Count() || !filterEdit_) return;
    if (filterEdit_->Text() == GetFilterValue(filterCol_)) return;
    // While a text is being typed it is often not yet complete ("> "): it is kept in the editor and
    // its error comes when the text is applied or the editor is left.
    try {
        OnFilterChange(filterEdit_);
    } catch (const Exception&) {
    }
}

void TCustomDBGridGx::OnFilterGetItemsList(TObject*) {
    if (filterCol_ < 0 || filterCol_ >= columns_->Count() || !filterEdit_) return;
    TColumnGx* column = columns_->Items(filterCol_);
    TSTColumnFilterGx* f = column->STFilter();
    if (!column->FilterValueList()) {
        if (f->ListSource()) {
            column->SetFilterValueList(f->GetFieldValueList());
        } else if (MemTableSupport() && dataLink_->Active()) {
            // The dataset's own values of the column's field.
            auto* list = new TDatasetFieldValueListGx();
            TRefGx<IMemTableDataFieldValueListGx> ref(list);
            list->SetFieldName(column->FieldName());
            list->SetDataSet(dataLink_->DataSet());
            column->SetFilterValueList(ref);
        }
    }
    TStrings* items = filterEdit_->Items();
    items->BeginUpdate();
    try {
        if (const TRefGx<IMemTableDataFieldValueListGx>& values = column->FilterValueList())
            items->Assign(values->GetValues());
        for (int i = 0; i < items->Count(); ++i) items->PutObject(i, tagObject(tagValue));
        items->InsertObject(0, LoadResString(&SSTFilterListItem_Empties), tagObject(tagEmpties));
        items->InsertObject(0, LoadResString(&SSTFilterListItem_NotEmpties), tagObject(tagNotEmpties));
        items->InsertObject(0, LoadResString(&SSTFilterListItem_All), tagObject(tagAll));
        items->InsertObject(0, LoadResString(&SSTFilterListItem_ClearFilter), tagObject(tagClearFilter));
        if ((optionsGx_ & dghAutoSortMarking) && column->Title()->TitleButton()) {
            items->InsertObject(0, "-", tagObject(tagSeparator));
            items->InsertObject(0, LoadResString(&SSTFilterListItem_SortingByDescend), tagObject(tagSortDescending));
            items->InsertObject(0, LoadResString(&SSTFilterListItem_SortingByAscend), tagObject(tagSortAscending));
        }
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
}

void TCustomDBGridGx::OnFilterClosingUp(TObject*, bool& accept) {
    if (!accept || !filterEdit_) return;
    TPopupListboxGx* list = filterEdit_->PopupListboxIfMade();
    if (filterCol_ >= 0 && filterCol_ < columns_->Count() && filterEdit_->GetVisible() && list)
        columns_->Items(filterCol_)->STFilter()->SaveListSize(list->Width(), list->RowCount());
    const int index = list ? list->ItemIndex() : -1;
    if (index < 0 || index >= filterEdit_->Items()->Count()) return;
    const std::intptr_t tag = objectTag(filterEdit_->Items()->Objects(index));
    if (tag < tagEmpties || tag > tagSortAscending) return;
    accept = false;
    if (tag == tagSortDescending || tag == tagSortAscending) {
        for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->Title()->SetSortMarker(smNoneGx);
        sortMarkedColumns_->Clear();
    }
    switch (tag) {
    case tagEmpties: filterEdit_->SetText("=Null"); break;
    case tagNotEmpties: filterEdit_->SetText("<>Null"); break;
    case tagAll: filterEdit_->SetText(AnsiString()); break;
    case tagClearFilter: ClearFilter(); break;
    case tagSortDescending:
    case tagSortAscending:
        if (filterCol_ >= 0 && filterCol_ < columns_->Count())
            columns_->Items(filterCol_)->Title()->SetSortMarker(tag == tagSortDescending ? smUpGx : smDownGx);
        break;
    default: break;
    }
    if (tag == tagClearFilter || (tag <= tagAll && style_->ApplyFilterOnCloseUp())) SetDataFilter();
    if (tag == tagSortDescending || tag == tagSortAscending) DoSortMarkingChanged();
}

void TCustomDBGridGx::OnFilterCloseUp(TObject*, bool accept) {
    if (accept && style_->ApplyFilterOnCloseUp()) SetDataFilter();
}

// ==== The grid: applying ======================================================================================

void TCustomDBGridGx::SetDataFilter() {
    // A text that breaks the grammar stops here, before anything is applied.
    if (filterCol_ >= 0 && filterEdit_ && filterEdit_->GetVisible()) SetFilterValue(filterCol_);
    const int leftCol = LeftCol();
    auto closing = [&] {
        if (leftCol < ColCount()) SetLeftCol(leftCol);
        UpdateFilterEdit(true);
        if (sumList_->Active()) sumList_->RecalcAll();
        Invalidate();
    };
    try {
        if (OnApplyFilter) OnApplyFilter(this);
        else DefaultApplyFilter();
    } catch (...) {
        try {
            closing();
        } catch (...) {
        }
        throw;
    }
    closing();
}

void TCustomDBGridGx::ClearFilter() {
    StopEditFilter();
    for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->STFilter()->Clear();
    Invalidate();
}

void TCustomDBGridGx::DefaultApplyFilter() {
    BeginPaintLock();
    try {
        DBGridGxDataService->ApplyFilter(this);
    } catch (...) {
        EndPaintLock();
        throw;
    }
    EndPaintLock();
}

void TCustomDBGridGx::DefaultApplySorting() { DBGridGxDataService->ApplySorting(this); }

// ==== The grid as the dataset services see it =================================================================

TDataSet* TCustomDBGridGx::GetServiceDataSet() { return DataSource() ? DataSource()->DataSet() : nullptr; }

int TCustomDBGridGx::GetFilterColumnCount() { return columns_->Count(); }

TColumnFilterInfoGx TCustomDBGridGx::GetColumnFilterInfo(int index) {
    TColumnGx* c = columns_->Items(index);
    TSTColumnFilterGx* f = c->STFilter();
    TColumnFilterInfoGx info;
    info.Field = dataLink_->Active() ? c->Field() : nullptr;
    info.Expression = f->Expression();
    info.DataField = f->DataField();
    info.FilterFieldName = f->GetFilterFieldName();
    info.Operand1 = f->GetOperand1();
    info.Operand2 = f->GetOperand2();
    return info;
}

bool TCustomDBGridGx::GetSTFilterLocal() { return stFilter_->Local(); }

int TCustomDBGridGx::GetSortMarkedCount() { return sortMarkedColumns_->Count(); }

TSortMarkedColumnInfoGx TCustomDBGridGx::GetSortMarkedColumnInfo(int index) {
    TSortMarkedColumnInfoGx info;
    TColumnGx* c = sortMarkedColumns_->GetColumn(index);
    if (!c) return info;
    info.Present = true;
    info.FieldName = c->FieldName();
    info.Field = dataLink_->Active() ? c->Field() : nullptr;
    info.Descending = c->Title()->SortMarker() == smUpGx;
    return info;
}
