// The grid's lookup cells and their drop-down lookup grid: the column makes the grid on first use,
// and the cell editor fills it from the column's lookup field, opens it, and reads the choice back.
#include "gridlib/grid/DBLookupGridsGx.h"

namespace {

// Holds a column's drop-down grid. The grid may be freed first by a window that took it as a
// child (the cell editor): the keeper hears of it and forgets it.
class TLookupGridKeeperGx : public TComponent {
    PLANTMON_CLASS(TLookupGridKeeperGx, TComponent)
public:
    TLookupGridKeeperGx() : TComponent(nullptr) {}
    ~TLookupGridKeeperGx() override {
        if (!grid) return;
        TPopupDataGridGx* g = grid;
        grid = nullptr;
        g->RemoveFreeNotification(this);
        delete g;
    }
    TPopupDataGridGx* grid = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == grid) grid = nullptr;
    }
};

}  // namespace

// ==== The column as owner of its lookup grid ========================================================

TCustomDBGridGx* TColumnGx::GetLookupGrid() {
    if (!lookupGridKeeper_) lookupGridKeeper_ = std::make_unique<TLookupGridKeeperGx>();
    auto* keeper = static_cast<TLookupGridKeeperGx*>(lookupGridKeeper_.get());
    if (!keeper->grid) {
        auto* g = new TPopupDataGridGx(nullptr);
        g->SetName("DataList");
        g->FreeNotification(keeper);
        keeper->grid = g;
    }
    return keeper->grid;
}

TDBLookupGridGxOptions TColumnGx::GetOptions() {
    auto* g = static_cast<TDBLookupGridGx*>(GetLookupGrid());
    return g->LookupOptions();
}

void TColumnGx::SetOptions(TDBLookupGridGxOptions options) {
    auto* g = static_cast<TDBLookupGridGx*>(GetLookupGrid());
    g->SetLookupOptions(options);
}

// ==== The cell editor's data list ==================================================================

TWinControl* TDBGridInplaceEdit::GetDataList() {
    TColumnGx* c = Column();
    if (!c) return nullptr;
    auto* g = static_cast<TPopupDataGridGx*>(c->GetLookupGrid());
    g->OnMouseChoice = TMouseChoiceEventGx(this, &TDBGridInplaceEdit::ListMouseCloseUp);
    g->OnUserKeyChange = TNotifyEvent();
    return g;
}

void TDBGridInplaceEdit::DataListDropDown(TWinControl* list) {
    auto* g = dynamic_cast<TPopupDataGridGx*>(list);
    TColumnGx* c = Column();
    TField* f = c ? c->Field() : nullptr;
    TDataSet* lookup = c ? c->UsedLookupDataSet() : nullptr;
    TCustomDBGridGx* grid = DBGrid();
    if (!g || !f || !lookup || !grid) return;
    g->SetColor(Color());
    g->Font()->Assign(Font());
    g->SetSpecRow(c->DropDownSpecRow());
    const int rows = static_cast<int>(c->DropDownRows());
    const int records = lookup->IsSequenced() ? lookup->RecordCount() : 0;
    g->SetShowTitles(c->DropDownShowTitles());
    g->SetKeyFieldName(f->LookupKeyFields());
    g->SetListFieldIndex(0);
    g->SetListFieldName(c->LookupDisplayFields());
    g->SetAutoFitColWidths(false);
    g->SetUseMultiTitle(c->DropDownBox()->UseMultiTitle());
    g->SetListSource(lookupSource_.get());
    g->SetRowCount(records > 0 && records < rows ? records : rows);
    const int w = c->DropDownWidth();
    if (w == -1) g->SetClientWidth(g->GetColumnsWidthToFit());
    else if (w <= 0) g->SetWidth(Width());
    else g->SetWidth(w);
    if (g->Width() < Width()) g->SetWidth(Width());
    g->SetKeyValue(grid->EditKeyValue());
    g->OnColumnMoved = [this](TObject*, int, int) { listColumnsMoved_ = true; };
    g->SetAutoFitColWidths(c->DropDownBox()->AutoFitColWidths());
    if (g->SizeGrip()) g->SizeGrip()->SetVisible(c->DropDownSizing());
    g->SetGripResized(false);
}

void TDBGridInplaceEdit::DataListCloseUp(TWinControl* list) {
    auto* g = dynamic_cast<TPopupDataGridGx*>(list);
    TColumnGx* c = Column();
    if (!g) return;
    if (c && g->GripResized()) {
        // The size the user gave the list is the column's from now on.
        c->SetDropDownRows(static_cast<unsigned>(g->RowCount()));
        c->SetDropDownWidth(g->Width());
    }
    if (c && listColumnsMoved_) c->DropDownSpecRow()->SetCellsText(g->SpecRow()->CellsText());
    g->OnColumnMoved = TMovedEvent();
    g->SetAutoFitColWidths(false);
    g->SetListSource(nullptr);
}

Variant TDBGridInplaceEdit::DataListKeyValue(TWinControl* list) {
    auto* g = dynamic_cast<TDBLookupGridGx*>(list);
    return g ? g->KeyValue() : Null();
}

void TDBGridInplaceEdit::SetDataListKeyValue(TWinControl* list, const Variant& value) {
    if (auto* g = dynamic_cast<TDBLookupGridGx*>(list)) g->SetKeyValue(value);
}

AnsiString TDBGridInplaceEdit::DataListSelectedText(TWinControl* list) {
    auto* g = dynamic_cast<TDBLookupGridGx*>(list);
    return g ? g->SelectedText() : AnsiString();
}
