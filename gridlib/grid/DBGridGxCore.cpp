// The grid's spine: the objects it owns, its data link and field map, the reactions to the
// dataset's events, the editing flow between the in-place editor and the field, the option sets
// and the layout locks, and the unit's shared state.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "rtl/Filers.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <climits>

// ==== Unit state ========================================================================================

TFont* SortMarkerFont = nullptr;
TShortCut DBGridGxInplaceSearchKey = 0;
TShortCut DBGridGxInplaceSearchNextKey = 0;
TShortCut DBGridGxInplaceSearchPriorKey = 0;
TShortCut DBGridGxSetValueFromPrevRecordKey = 0;
TShortCut DBGridGxFindDialogKey = 0;
int DBGridGxInplaceSearchTimeOut = 1500;
TColor DBGridGxInplaceSearchColor = 65535;
TColor DBGridGxInplaceSearchTextColor = clBlack;
bool DBGridGxDebugDraw = false;
int ColSelectionAreaHeight = 7;
HCURSOR DBGridGxColSelectCursor = nullptr;
HCURSOR DBGridGxRowSelectCursor = nullptr;
HCURSOR DBGridGxRowMoveCursor = nullptr;

namespace {

int g_startCount = 0;
bool g_keptUp = false;
TColCellParamsGx* g_sharedParams = nullptr;

// The height of the sort marker pictures the digits stand beside.
constexpr int SortMarkerBitmapHeight = 9;

// The three cursors of the grid, drawn here: a downward arrow over a column title (selecting the
// column) and the right and left arrows over the indicator (selecting and moving rows).
HCURSOR makeArrowCursor(const AnsiString& name, const std::vector<TPoint>& shape, int hotX, int hotY) {
    if (!LoadCursor(HInstance, name)) {
        TBitmap picture;
        picture.SetSize(32, 32);
        TCanvas* c = picture.Canvas();
        c->Brush()->SetColor(clFuchsia);
        c->FillRect(TRect(0, 0, 32, 32));
        c->Pen()->SetColor(clWhite);
        c->Brush()->SetColor(clBlack);
        c->Polygon(shape);
        picture.SetTransparentColor(clFuchsia);
        if (HCURSOR made = CreateCursor(&picture, hotX, hotY)) RegisterCursorResource(name, made);
    }
    HCURSOR cursor = LoadCursor(HInstance, name);
    if (!cursor) throw EOutOfResources("Cannot load cursor resource");
    return cursor;
}

void loadCursors() {
    DBGridGxColSelectCursor = makeArrowCursor(
        "DOWNCURGX", {{5, 0}, {10, 0}, {10, 10}, {15, 10}, {7, 18}, {0, 10}, {5, 10}}, 7, 17);
    DBGridGxRowSelectCursor = makeArrowCursor(
        "RIGHTCURGX", {{0, 5}, {10, 5}, {10, 0}, {18, 7}, {10, 15}, {10, 10}, {0, 10}}, 17, 7);
    DBGridGxRowMoveCursor = makeArrowCursor(
        "LEFTCURGX", {{18, 5}, {8, 5}, {8, 0}, {0, 7}, {8, 15}, {8, 10}, {18, 10}}, 1, 7);
}

// Line breaks as the editor shows them: every CR, LF or CR LF becomes CR LF.
AnsiString adjustLineBreaks(const AnsiString& text) {
    const std::string& s = text.str();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out += "\r\n";
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return AnsiString(out);
}

// Starts the unit for the rest of the run the first time a grid needs its globals.
void ensureStarted() {
    if (g_keptUp) return;
    g_keptUp = true;
    DBGridGxStartup();
}

}  // namespace

TColCellParamsGx* SharedColCellParams() {
    ensureStarted();
    return g_sharedParams;
}

void DBGridGxStartup() {
    if (g_startCount++ > 0) return;
    try {
        SortMarkerFont = new TFont();
        SortMarkerFont->SetName("Arial");
        SortMarkerFont->SetHeight(1 - SortMarkerBitmapHeight);
        loadCursors();
        DBGridGxInplaceSearchKey = ShortCut('F', ssCtrl);
        DBGridGxInplaceSearchNextKey = ShortCut(VK_RETURN, ssCtrl);
        DBGridGxInplaceSearchPriorKey = ShortCut(VK_RETURN, ssCtrl | ssShift);
        DBGridGxSetValueFromPrevRecordKey = ShortCut(222, ssCtrl);
        DBGridGxFindDialogKey = ShortCut('F', ssCtrl);
        DBGridGxInplaceSearchTimeOut = 1500;
        DBGridGxInplaceSearchColor = 65535;
        DBGridGxInplaceSearchTextColor = clBlack;
        g_sharedParams = new TColCellParamsGx();
        CreateGridImageLists();
        DBGridGxDebugDraw = false;
        RegisterGridLayoutInterceptorsGx();
    } catch (...) {
        g_startCount = 0;
        delete SortMarkerFont;
        SortMarkerFont = nullptr;
        throw;
    }
}

void DBGridGxShutdown() {
    if (g_startCount == 0 || --g_startCount > 0) return;
    // The cursors stay registered as the program's resources; the grid only lets go of them.
    DBGridGxColSelectCursor = DBGridGxRowSelectCursor = DBGridGxRowMoveCursor = nullptr;
    delete SortMarkerFont;
    SortMarkerFont = nullptr;
    delete g_sharedParams;
    g_sharedParams = nullptr;
    FreeGridImageLists();
    UnregisterGridLayoutInterceptorsGx();
}

// ==== Unit helpers ======================================================================================

int FieldAsIntegerOrDefault(TField* field, int defaultValue) {
    if (!field) return defaultValue;
    auto inRange = [](double v) { return v >= INT_MIN && v <= INT_MAX; };
    switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord: return field->AsInteger();
        case ftLargeint: {
            if (!dynamic_cast<TLargeintField*>(field) || field->IsNull()) return defaultValue;
            const long long v = field->AsLargeInt();
            return v >= INT_MIN && v <= INT_MAX ? static_cast<int>(v) : defaultValue;
        }
        case ftFloat: return inRange(field->AsFloat()) ? field->AsInteger() : defaultValue;
        case ftCurrency: return inRange(field->AsCurrency().ToDouble()) ? field->AsInteger() : defaultValue;
        case ftBCD:
        case ftFMTBcd:
            if (field->IsNull()) return defaultValue;
            return inRange(field->AsFloat()) ? field->AsInteger() : defaultValue;
        default: return defaultValue;
    }
}

bool AllFieldsCanModify(const std::vector<TField*>& fields) {
    return std::all_of(fields.begin(), fields.end(), [](TField* f) { return f->CanModify(); });
}

void RepaintRowCells(TCustomDBGridGx* grid, int row) {
    for (int c = 0; c < grid->ColCount(); ++c) grid->InvalidateCell(c, row);
}

void RemoveQueuedMessage(HWND window, UINT message) {
    TMsg m;
    if (PeekMessage(&m, window, message, message, PM_REMOVE) && m.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(m.wParam));
}

bool MeasureCellText(unsigned flags, TCanvas* canvas, int rightIndent, int& textHeight, int& textWidth, bool wordWrap,
                     const TRect& rect, const AnsiString& text, int interlinear) {
    TRect box(0, 0, std::max(1, rect.Width() - rightIndent - 2), 0);
    unsigned fmt = flags | DT_CALCRECT | DT_NOPREFIX;
    if (wordWrap) fmt |= DT_WORDBREAK;
    textHeight = DrawTextGx(canvas->Handle(), text, -1, box, fmt);
    textWidth = box.Width();
    const int room = std::max(1, rect.Width() - rightIndent - 2);
    return textWidth > room || textHeight > rect.Height() - interlinear + 1;
}

int MeasureTextWidth(TCanvas* canvas, const AnsiString& text) {
    TRect box(0, 0, 1, 0);
    DrawTextGx(canvas->Handle(), text, -1, box, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    return box.Width();
}

bool GridRectContains(int aCol, int aRow, const TGridRect& r) {
    return r.Left <= aCol && aCol <= r.Right && r.Top <= aRow && aRow <= r.Bottom;
}

void TurnRect(TRect& r) {
    const int w = r.Width(), h = r.Height();
    r.Right = r.Left + h;
    r.Bottom = r.Top + w;
}

// ==== TGridDataLinkGx ===================================================================================

TGridDataLinkGx::TGridDataLinkGx(TCustomDBGridGx* grid) : grid_(grid) { SetVisualControl(true); }

TGridDataLinkGx::~TGridDataLinkGx() { ClearMapping(); }

bool TGridDataLinkGx::AddMapping(const AnsiString& fieldName) {
    if (fieldCount_ >= MaxMapSize) throw EInvalidGridOperation("Grid requested to display more than 256 columns");
    TDataSet* ds = DataSet();
    TField* field = nullptr;
    if (ds) field = sparse_ ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
    if (fieldCount_ >= static_cast<int>(map_.size())) {
        const long long grown = map_.empty() ? 8 : static_cast<long long>(map_.size()) * 2;
        map_.resize(static_cast<std::size_t>(std::min<long long>(grown, MaxMapSize)));
    }
    map_[static_cast<std::size_t>(fieldCount_)] = field ? field->Index() : -1;
    if (field) field->FreeNotification(grid_);
    ++fieldCount_;
    return true;
}

void TGridDataLinkGx::ClearMapping() {
    map_.clear();
    map_.shrink_to_fit();
    fieldCount_ = 0;
}

int TGridDataLinkGx::GetMappedIndex(int index) const {
    return index >= 0 && index < fieldCount_ ? map_[static_cast<std::size_t>(index)] : -1;
}

bool TGridDataLinkGx::GetDefaultFields() const {
    TDataSet* ds = DataSet();
    if (!ds) return true;
    if (!ds->DefaultFields()) return false;
    if (sparse_)
        for (int i = 0; i < fieldCount_; ++i)
            if (map_[static_cast<std::size_t>(i)] < 0) return false;
    return true;
}

TField* TGridDataLinkGx::GetFields(int index) const {
    const int mapped = GetMappedIndex(index);
    TDataSet* ds = DataSet();
    if (mapped < 0 || !ds || mapped >= ds->FieldCount()) return nullptr;
    return ds->Fields()->Fields(mapped);
}

void TGridDataLinkGx::ActiveChanged() {
    grid_->LinkActive(Active());
    modified_ = false;
}

void TGridDataLinkGx::DataSetChanged() {
    grid_->DataChanged();
    modified_ = false;
}

void TGridDataLinkGx::DataSetScrolled(int distance) { grid_->Scroll(distance); }

void TGridDataLinkGx::RecordChanged(TField* field) {
    grid_->RecordChanged(field);
    modified_ = false;
}

void TGridDataLinkGx::EditingChanged() {
    if ((grid_->Options() & dgIndicator) && grid_->IndicatorRow() >= 0 && grid_->IndicatorRow() < grid_->RowCount())
        grid_->InvalidateCell(0, grid_->IndicatorRow());
}

void TGridDataLinkGx::LayoutChanged() {
    // The dataset may have made its fields anew: the columns find theirs again by name.
    grid_->columns_->ActiveChanged();
    const bool saved = grid_->dataSetLayout_;
    grid_->dataSetLayout_ = true;
    try {
        grid_->LayoutChanged();
    } catch (...) {
        grid_->dataSetLayout_ = saved;
        throw;
    }
    grid_->dataSetLayout_ = saved;
    TDataLink::LayoutChanged();
}

void TGridDataLinkGx::FocusControl(TField** field) {
    if (!field || !*field) return;
    grid_->SetSelectedField(*field);
    if (grid_->SelectedField() == *field && grid_->AcquireFocus()) {
        *field = nullptr;
        grid_->ShowEditor();
    }
}

void TGridDataLinkGx::UpdateData() {
    if (inUpdateData_) return;
    inUpdateData_ = true;
    try {
        if (modified_) grid_->UpdateData();
        modified_ = false;
    } catch (...) {
        inUpdateData_ = false;
        throw;
    }
    inUpdateData_ = false;
}

void TGridDataLinkGx::Reset() {
    if (modified_) RecordChanged(nullptr);
    else if (DataSet()) DataSet()->Cancel();
}

int TGridDataLinkGx::MoveBy(int distance) {
    // The whole view is there: a long move jumps by record number.
    TDataSet* ds = DataSet();
    if (grid_->ViewScroll() && Active() && std::abs(distance) > 1 && ds->State() == dsBrowse) {
        const int to = ds->RecNo() + distance;
        if (to >= 1 && to <= ds->RecordCount()) {
            ds->SetRecNo(to);
            return distance;
        }
    }
    return TDataLink::MoveBy(distance);
}

// ==== TCustomDBGridGx: construction =====================================================================

TCustomDBGridGx::TCustomDBGridGx(TComponent* owner) : TCustomGrid(owner) {
    ensureStarted();
    TCustomGrid::SetDefaultDrawing(false);
    indicatorOffset_ = 1;
    options_ = DefaultDBGridOptions;
    topDataOffset_ = GetTopDataOffset();
    SetScrollBars(ssHorizontal);
    TCustomGrid::SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing | goColMoving |
                            goEditing | goTabs);
    columnDefValues_.reset(CreateColumnDefValues());
    columns_.reset(CreateColumns());
    visibleColumns_ = std::make_unique<TColumnsGxList>();
    SetRowCount(2);
    SetColCount(2);
    dataLink_ = std::make_unique<TGridDataLinkGx>(this);
    SetColor(clWindow);
    footerColor_ = clWindow;
    SetParentColor(false);
    titleFont_ = std::make_unique<TFont>();
    titleFont_->OnChange = TNotifyEvent(this, &TCustomDBGridGx::fontChangedSub);
    HideEditor();
    titleHeight_ = titleRowHeight_ = titleLines_ = 0;
    headTree_ = std::make_unique<THeadTreeNode>("Root", 10, 0);
    vTitleMargin_ = 10;
    useMultiTitle_ = false;
    rowSizingAllowed_ = false;
    optionsGx_ = DefaultDBGridGxOptions;
    sortMarkedColumns_ = std::make_unique<TColumnsGxList>();
    footerFont_ = std::make_unique<TFont>();
    footerFont_->OnChange = TNotifyEvent(this, &TCustomDBGridGx::fontChangedSub);
    rowTextSpacing_ = 4;
    colCellParams_ = std::make_unique<TColCellParamsGx>();
    titleImageChangeLink_ = std::make_unique<TChangeLink>();
    titleImageChangeLink_->OnChange = TNotifyEvent(this, &TCustomDBGridGx::titleImageChanged);
    makeScrollBars();
    RegetDefaultStyle();
    AcquireSharedDrawBitmap();
}

TCustomDBGridGx::~TCustomDBGridGx() {
    RemoveQueuedMessage(Handle(), CM_DEFERLAYOUTGX);
    if (titleFont_) titleFont_->OnChange = TNotifyEvent();
    if (footerFont_) footerFont_->OnChange = TNotifyEvent();
    // No more layout passes; the link lets go of the dataset, then the columns leave the grid's
    // lists while those still stand.
    layoutLock_ = 1;
    dataLink_->SetDataSource(nullptr);
    columns_.reset();
    dataLink_.reset();
    if (titleImages_) titleImages_->UnRegisterChanges(titleImageChangeLink_.get());
    if (style_) style_->RemoveChangeNotification(this);
    ReleaseSharedDrawBitmap();
}

TColumnDefValuesGx* TCustomDBGridGx::CreateColumnDefValues() { return new TDBGridGxColumnDefValuesGx(this); }

TDBGridColumnsGx* TCustomDBGridGx::CreateColumns() {
    // A new column is built whole before the collection reports the change it makes.
    return new TDBGridColumnsGx(this, [](TCollection* c) -> TCollectionItem* {
        c->BeginUpdate();
        TCollectionItem* item = nullptr;
        try {
            item = new TDBGridColumnGx(c);
        } catch (...) {
            c->EndUpdate();
            throw;
        }
        c->EndUpdate();
        return item;
    });
}

void TCustomDBGridGx::fontChangedSub(TObject* sender) {
    // A font set for the titles or footers is the grid's own from then on, not its parent's.
    if (!Loading() && !copyingParentFont_) SetParentFont(false);
    if (sender == footerFont_.get()) {
        if (footerRowCount_ > 0) LayoutChanged();
    } else if (options_ & dgTitles) {
        LayoutChanged();
    }
}

// ==== Layout locks ======================================================================================

void TCustomDBGridGx::BeginUpdate() { ++updateLock_; }

void TCustomDBGridGx::EndUpdate() {
    if (updateLock_ > 0) --updateLock_;
}

void TCustomDBGridGx::BeginLayout() {
    BeginUpdate();
    if (layoutLock_ == 0) columns_->BeginUpdate();
    ++layoutLock_;
}

void TCustomDBGridGx::EndLayout() {
    if (layoutLock_ != 0) {
        if (layoutLock_ == 1) {
            try {
                InternalLayout();
            } catch (...) {
                try {
                    columns_->EndUpdate();
                } catch (...) {
                }
                --layoutLock_;
                EndUpdate();
                throw;
            }
            try {
                columns_->EndUpdate();
            } catch (...) {
                --layoutLock_;
                EndUpdate();
                throw;
            }
        }
        --layoutLock_;
    }
    EndUpdate();
}

void TCustomDBGridGx::CancelLayout() {
    if (layoutLock_ == 0) return;
    if (layoutLock_ == 1) columns_->EndUpdate();
    --layoutLock_;
    EndUpdate();
}

bool TCustomDBGridGx::AcquireLayoutLock() {
    if (updateLock_ != 0 || layoutLock_ != 0) return false;
    BeginLayout();
    return true;
}

void TCustomDBGridGx::DeferLayout() {
    TMsg m;
    if (!PeekMessage(&m, Handle(), CM_DEFERLAYOUTGX, CM_DEFERLAYOUTGX, PM_NOREMOVE))
        PostMessage(Handle(), CM_DEFERLAYOUTGX, 0, 0);
    CancelLayout();
}

void TCustomDBGridGx::LayoutChanged() {
    if (AcquireLayoutLock()) EndLayout();
}

void TCustomDBGridGx::CMDeferLayout(TMessage&) {
    if (AcquireLayoutLock()) {
        EndLayout();
    } else {
        // Someone holds a lock: ask again later (the pass that lock ends removes the request).
        TMsg m;
        if (!PeekMessage(&m, Handle(), CM_DEFERLAYOUTGX, CM_DEFERLAYOUTGX, PM_NOREMOVE))
            PostMessage(Handle(), CM_DEFERLAYOUTGX, 0, 0);
    }
}

void TCustomDBGridGx::Dispatch(TMessage& m) {
    if (DispatchHintsAndWindowMessages(m)) return;
    if (m.Msg == CM_DEFERLAYOUTGX) {
        CMDeferLayout(m);
        return;
    }
    if (m.Msg == WM_SYSCOLORCHANGE || m.Msg == CM_SYSCOLORCHANGE) SysColorsChanged();
    TCustomGrid::Dispatch(m);
}

// ==== Data source, columns and fields ===================================================================

void TCustomDBGridGx::SetDataSource(TDataSource* ds) {
    if (ds == dataLink_->DataSource()) return;
    dataLink_->SetDataSource(ds);
    if (ds) ds->FreeNotification(this);
    LinkActive(dataLink_->Active());
}

void TCustomDBGridGx::DefineFieldMap() {
    if (columns_->State() == csCustomized) {
        dataLink_->SetSparseMap(true);
        for (int i = 0; i < columns_->Count(); ++i) dataLink_->AddMapping(columns_->Items(i)->FieldName());
    } else {
        dataLink_->SetSparseMap(false);
        TDataSet* ds = dataLink_->DataSet();
        for (int i = 0; i < ds->FieldCount(); ++i) {
            TField* f = ds->Fields()->Fields(i);
            if (f->Visible()) dataLink_->AddMapping(f->FieldName());
        }
    }
}

void TCustomDBGridGx::GetDatasetFieldList(TList* list) {
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (!ds) return;
    for (int i = 0; i < ds->FieldCount(); ++i) list->Add(ds->Fields()->Fields(i));
}

void TCustomDBGridGx::syncColumnsWithFieldMap() {
    // Pass-through columns left among stored ones go.
    bool seenPassthrough = false;
    for (int i = 0; i < columns_->Count(); ++i) {
        if (!columns_->Items(i)->StoredFlag()) {
            seenPassthrough = true;
        } else if (seenPassthrough) {
            for (int k = columns_->Count() - 1; k >= 0; --k)
                if (!columns_->Items(k)->StoredFlag()) delete columns_->Items(k);
            break;
        }
    }
    indicatorOffset_ = (options_ & dgIndicator) ? 1 : 0;
    dataLink_->ClearMapping();
    if (dataLink_->Active()) DefineFieldMap();
    if (columns_->State() == csCustomized) {
        for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->SetField(nullptr);
        return;
    }
    if (!dataLink_->Active() && dataLink_->GetDefaultFields()) {
        columns_->Clear();
    } else {
        for (int k = columns_->Count() - 1; k >= 0; --k) {
            TColumnGx* c = columns_->Items(k);
            TField* f = c->Field();
            bool mapped = false;
            for (int i = 0; f && i < dataLink_->FieldCount() && !mapped; ++i) mapped = dataLink_->GetFields(i) == f;
            if (!mapped) delete c;
        }
    }
    int n = dataLink_->FieldCount();
    if (n == 0 && columns_->Count() == 0) n = 1;
    for (int i = 0; i < n; ++i) {
        TField* f = dataLink_->GetFields(i);
        TColumnGx* column = nullptr;
        if (f) {
            for (int k = i; k < columns_->Count() && !column; ++k)
                if (columns_->Items(k)->Field() == f) column = columns_->Items(k);
            if (!column) {
                column = columns_->InternalAdd();
                column->SetField(f);
            }
        } else {
            column = columns_->InternalAdd();
        }
        column->TCollectionItem::SetIndex(i);
    }
}

TColumnGx* TCustomDBGridGx::currentColumn() const {
    const int i = SelectedIndex();
    return i >= 0 && i < columns_->Count() ? columns_->Items(i) : nullptr;
}

void TCustomDBGridGx::SetCol(int aCol) {
    if (aCol >= indicatorOffset_ && aCol < FixedCols()) MoveColRow(aCol, Row(), false, false);
    else TCustomGrid::SetCol(aCol);
}

int TCustomDBGridGx::SelectedIndex() const { return RawToDataColumn(Col()); }

void TCustomDBGridGx::SetSelectedIndex(int index) {
    const int raw = DataToRawColumn(index);
    if (raw < 0 || raw >= ColCount() || raw == Col()) return;
    // Moving the current column keeps the row; a frozen column is reached directly.
    MoveColRow(raw, Row(), true, true);
}

TField* TCustomDBGridGx::SelectedField() const {
    TColumnGx* c = currentColumn();
    return c ? c->Field() : nullptr;
}

void TCustomDBGridGx::SetSelectedField(TField* f) {
    if (!f) return;
    for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->Items(i)->Field() == f) SetSelectedIndex(i);
}

TField* TCustomDBGridGx::GetColField(int dataCol) const {
    if (!dataLink_->Active() || dataCol < 0 || dataCol >= columns_->Count()) return nullptr;
    return columns_->Items(dataCol)->Field();
}

AnsiString TCustomDBGridGx::GetFieldValue(int dataCol) const {
    TField* f = GetColField(dataCol);
    return f ? f->DisplayText() : AnsiString();
}

bool TCustomDBGridGx::HaveHideDuplicates() const {
    for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->Items(i)->HideDuplicates()) return true;
    return false;
}

void TCustomDBGridGx::SetSortMarkedColumns() {
    // Entry i holds the column whose SortIndex is i + 1; a missing index leaves its entry empty.
    sortMarkedColumns_->Clear();
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumnGx* c = columns_->Items(i);
        const int index = c->Title()->SortIndex();
        if (index <= 0) continue;
        while (sortMarkedColumns_->Count() < index) sortMarkedColumns_->Add(nullptr);
        sortMarkedColumns_->SetColumn(index - 1, c);
    }
}

// ==== Rows ==============================================================================================

int TCustomDBGridGx::DataRowCount() const {
    int n = RowCount() - topDataOffset_;
    if (footerRowCount_ > 0) n -= footerRowCount_ + 1;
    return n;
}

int TCustomDBGridGx::VisibleDataRowCount() const {
    int n = VisibleRowCount();
    if (footerRowCount_ > 0) n = std::max(1, n - footerRowCount_ - 1);
    return n;
}

int TCustomDBGridGx::DataRowToRecNo(int dataRow) const {
    if (!dataLink_->Active()) return 0;
    if (ViewScroll()) return dataRow + 1;
    const int saved = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(dataRow);
    int recNo = 0;
    try {
        recNo = dataLink_->DataSet()->RecNo();
    } catch (...) {
        dataLink_->SetActiveRecord(saved);
        throw;
    }
    dataLink_->SetActiveRecord(saved);
    return recNo;
}

// ==== Reactions to the dataset ==========================================================================

void TCustomDBGridGx::LinkActive(bool value) {
    CheckIMemTable();
    if (!value) HideEditor();
    if (ViewScroll()) UpdateRowCount();
    selectionLinkActive(value);
    sumListLinkActive();
    LayoutChanged();
    if (value && CanEditorMode()) ShowEditor();
    UpdateScrollBar();
    CheckIMemTable();
    columns_->ActiveChanged();
}

void TCustomDBGridGx::DataChanged() {
    if (Designing() && sumList_->Active()) sumList_->RecalcAll();
    UpdateRowCount();
    updateScrollBarRefitting();
    UpdateActive();
    InvalidateEditor();
    Invalidate();
}

// The vertical bar coming or going changes the width the fitted columns share: they are fitted
// again once the present change is over. A running layout pass fits them itself (and a deferred
// request would release the pass's own lock).
void TCustomDBGridGx::updateScrollBarRefitting() {
    const bool fitting = autoFitColWidths_ && !Designing() && HandleAllocated() && layoutLock_ == 0;
    const bool before = fitting && vertScrollBar_->IsScrollBarVisible();
    UpdateScrollBar();
    if (fitting && vertScrollBar_->IsScrollBarVisible() != before) DeferLayout();
}

void TCustomDBGridGx::Scroll(int distance) {
    if (ViewScroll()) {
        MTScroll(distance);
        return;
    }
    const TRect oldBox = BoxRect(0, Row(), ColCount() - 1, Row());
    if (dataLink_->ActiveRecord() >= DataRowCount()) UpdateRowCount();
    updateScrollBarRefitting();
    UpdateActive();
    const TRect newBox = BoxRect(0, Row(), ColCount() - 1, Row());
    ValidateRect(oldBox);
    InvalidateRect(oldBox);
    InvalidateRect(newBox);
    if (distance != 0) {
        HideEditor();
        try {
            if (std::abs(distance) > VisibleDataRowCount()) {
                InvalidateGrid();
            } else {
                if ((options_ & dgIndicator) && indicatorRow_ >= 0 && indicatorRow_ < RowCount())
                    InvalidateCell(0, indicatorRow_);
                const int lw = (options_ & dgRowLines) ? GridLineWidth() : 0;
                const TRect first = CellRect(0, topDataOffset_);
                TRect band(0, first.Top, ClientWidth(), ClientHeight());
                if (footerRowCount_ > 0 && DataRowCount() > 0) {
                    const TRect last = CellRect(0, topDataOffset_ + DataRowCount() - 1);
                    if (!last.IsEmpty()) band.Bottom = last.Bottom;
                }
                // The rows already painted move; only the band they leave is painted again.
                ScrollWindow(Handle(), 0, -distance * (DefaultRowHeight() + lw), &band, &band);
                if (options_ & dgIndicator) InvalidateCell(0, Row());
                if (HaveHideDuplicates()) InvalidateRow(topDataOffset_);
            }
        } catch (...) {
            if (options_ & dgAlwaysShowEditor) ShowEditor();
            throw;
        }
        if (options_ & dgAlwaysShowEditor) ShowEditor();
    }
    // The band scrolled above stops short of the footers, and they may show the current record.
    InvalidateFooter();
    if (updateLock_ == 0) Update();
}

void TCustomDBGridGx::RecordChanged(TField* field) {
    if (field) {
        for (int i = 0; i < columns_->Count(); ++i)
            if (columns_->Items(i)->Field() == field) InvalidateCell(DataToRawColumn(i), Row());
    } else {
        Invalidate();
    }
    TField* selected = SelectedField();
    if ((!field || field == selected) && selected) {
        AnsiString current;
        TColumnGx* c = currentColumn();
        if (drawMemoText_ && selected->DataType() == ftMemo) current = adjustLineBreaks(selected->AsString());
        else if (c && c->GetColumnType() == ctKeyPickList) current = c->DisplayText();
        else current = selected->Text();
        if (current != editText_) {
            InvalidateEditor();
            if (InplaceEditor()) InplaceEditor()->SetSelLength(0);
        }
    }
}

void TCustomDBGridGx::UpdateActive() {
    if (inplaceSearching_ && !inplaceSearchingInProcess_) StopInplaceSearch();
    if (ViewScroll()) {
        MTScroll(0);
        return;
    }
    if (!dataLink_->Active() || Loading()) return;
    const int row = dataLink_->ActiveRecord() + topDataOffset_;
    if (row != Row() && row < RowCount()) {
        if (!(options_ & dgAlwaysShowEditor)) HideEditor();
        MoveColRow(Col(), row, false, false);
        InvalidateEditor();
    }
    if (TField* f = SelectedField(); f && f->Text() != editText_) InvalidateEditor();
}

// ==== Editing flow ======================================================================================

AnsiString TCustomDBGridGx::GetEditText(int col, int) {
    editKeyValue_ = Null();
    if (!dataLink_->Active()) return AnsiString();
    const int dataCol = RawToDataColumn(col);
    if (dataCol < 0 || dataCol >= columns_->Count()) return AnsiString();
    TColumnGx* column = columns_->Items(dataCol);
    TField* f = column->Field();
    AnsiString text;
    if (f) {
        const TStrings* keys = column->KeyListIfAny();
        if (keys && keys->Count() > 0) {
            const int i = keys->IndexOf(f->Text());
            const TStrings* picks = column->PickListIfAny();
            text = (i >= 0 && picks && i < picks->Count()) ? picks->Strings(i) : AnsiString();
        } else if (drawMemoText_ && f->DataType() == ftMemo) {
            text = adjustLineBreaks(f->AsString());
        } else {
            text = f->Text();
        }
        if (f->FieldKind() == fkLookup && !f->KeyFields().IsEmpty()) {
            const Variant key = f->DataSet()->FieldValues(f->KeyFields());
            TSpecRowGx* specialRow = column->DropDownSpecRow();
            bool special = false;
            if (specialRow->Visible()) {
                special = VarEquals(key, specialRow->Value());
                if (!special && specialRow->ShowIfNotInKeyList()) {
                    TDataSet* list = column->FullListDataSet();
                    special = !list || !list->Locate(f->LookupKeyFields(), key, 0);
                }
            }
            if (special) {
                editKeyValue_ = specialRow->Value();
                text = specialRow->GetCellText(0);
            } else {
                editKeyValue_ = key;
            }
        }
    }
    TColCellParamsGx params;
    params.Text = text;
    params.Font = Canvas()->Font();
    column->GetColCellParams(true, &params);
    editText_ = params.Text;
    return editText_;
}

void TCustomDBGridGx::SetEditText(int, int, const AnsiString& value) { editText_ = value; }

void TCustomDBGridGx::UpdateData() {
    TColumnGx* column = currentColumn();
    if (!column) return;
    TField* f = SelectedField();
    if (!f) {
        column->UpdateDataValues(editText_, Variant(editText_), true);
        return;
    }
    switch (column->GetColumnType()) {
        case ctPickList: {
            if (column->OnNotInList && column->PickList()->IndexOf(editText_) < 0) {
                bool recheck = false;
                column->OnNotInList(column, editText_, recheck);
            }
            column->UpdateDataValues(editText_, Variant(editText_), true);
            return;
        }
        case ctKeyPickList: {
            TStrings* picks = column->PickList();
            TStrings* keys = column->KeyList();
            auto exactIndex = [picks](const AnsiString& s) {
                for (int i = 0; i < picks->Count(); ++i)
                    if (picks->Strings(i) == s) return i;
                return -1;
            };
            const int i = exactIndex(editText_);
            if (i >= 0 && i < keys->Count()) {
                editKeyValue_ = Variant(keys->Strings(i));
            } else if (i == -1) {
                if (editText_.IsEmpty()) {
                    editKeyValue_ = Null();
                } else if (column->OnNotInList) {
                    bool recheck = false;
                    column->OnNotInList(column, editText_, recheck);
                    if (recheck) {
                        const int again = exactIndex(editText_);
                        editKeyValue_ = again >= 0 && again < keys->Count() ? Variant(keys->Strings(again)) : Null();
                    } else {
                        editKeyValue_ = Null();
                    }
                }
            }
            column->UpdateDataValues(editText_, editKeyValue_, false);
            return;
        }
        default: break;
    }
    if (f->FieldKind() == fkLookup && !f->KeyFields().IsEmpty()) {
        if (VarIsNull(editKeyValue_) && !editText_.IsEmpty() && column->OnNotInList) {
            if (TDataSet* lookup = column->UsedLookupDataSet()) {
                if (!lookup->Locate(f->LookupResultField(), Variant(editText_), loCaseInsensitive)) {
                    bool recheck = false;
                    column->OnNotInList(column, editText_, recheck);
                    if (recheck && lookup->Locate(f->LookupResultField(), Variant(editText_), loCaseInsensitive))
                        editKeyValue_ = lookup->FieldValues(f->LookupKeyFields());
                }
            }
        }
        std::vector<TField*> keys;
        f->DataSet()->GetFieldList(keys, f->KeyFields());
        if (AllFieldsCanModify(keys)) {
            f->DataSet()->Edit();
            column->UpdateDataValues(editText_, editKeyValue_, false);
        }
        if (f->DataType() == ftMemo && drawMemoText_) f->SetAsString(editText_);
        else f->SetText(editText_);
        return;
    }
    column->UpdateDataValues(editText_, Variant(editText_), true);
}

bool TCustomDBGridGx::CanEditAcceptKey(WideChar key) {
    TColumnGx* column = currentColumn();
    // The cell parameters may have decided the editor's read-only state for this cell.
    TDBGridInplaceEdit* editor = DBInplaceEditor();
    const bool byParams = editor && editor->ReadOnlySetByCellParams();
    if (!dataLink_->Active() || !column || !column->Field()) return byParams && !editor->ReadOnly();
    if (byParams && editor->ReadOnly()) return false;
    const TStrings* keys = column->KeyListIfAny();
    if (keys && keys->Count() > 0) return true;
    // A field judges the characters it takes by their single-byte form; any other letter is taken
    // where a Latin one is.
    return column->Field()->IsValidChar(key < 0x80 ? static_cast<char>(key) : 'A');
}

bool TCustomDBGridGx::CanEditModifyText() {
    TColumnGx* column = currentColumn();
    bool answer = false;
    if (TDBGridInplaceEdit* editor = DBInplaceEditor(); editor && editor->ReadOnlySetByCellParams()) {
        if (editor->ReadOnly()) return false;
        answer = true;
        dataLink_->Edit();
        dataLink_->Modified();
    }
    if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly()) return answer;
    if (!column || column->ReadOnly()) return answer;
    TField* f = column->Field();
    if (!f) return answer;
    if (f->FieldKind() == fkLookup) {
        if (f->KeyFields().IsEmpty()) return false;
        std::vector<TField*> keys;
        f->DataSet()->GetFieldList(keys, f->KeyFields());
        if (!AllFieldsCanModify(keys)) return answer;
    } else if (!f->CanModify()) {
        return answer;
    }
    if (f->IsBlob() && !f->OnSetText && !(f->DataType() == ftMemo && drawMemoText_)) return answer;
    if (!column->CanModify(false)) return answer;
    dataLink_->Edit();
    const bool editing = dataLink_->Editing();
    if (editing) dataLink_->Modified();
    return editing;
}

bool TCustomDBGridGx::CanEditModify() {
    if (inplaceSearching_) return false;
    TColumnGx* column = currentColumn();
    if (column && column->GetColumnType() == ctCheckboxes) return false;
    return CanEditModifyText();
}

bool TCustomDBGridGx::CanEditModifyColumn(int dataCol) {
    if (dataCol < 0 || dataCol >= columns_->Count()) return false;
    return columns_->Items(dataCol)->CanModify(false) && (options_ & dgEditing);
}

bool TCustomDBGridGx::CanEditShow() {
    if (layoutLock_ != 0 || !TCustomGrid::CanEditShow()) return false;
    const int dataCol = SelectedIndex();
    bool no = dataCol < 0 || dataCol >= columns_->Count();
    if (!no) {
        const TColumnGxType t = columns_->Items(dataCol)->GetColumnType();
        no = t == ctKeyImageList || t == ctCheckboxes;
    }
    // A selection the next unselected move would clear is on show: no editor over it.
    if (!no && selection_->SelectionType() != gstNon && (optionsGx_ & dghClearSelection) &&
        (allowedSelections_ & SelectionTypeBit(gstRectangle)))
        no = true;
    if (inplaceSearching_) no = true;
    if (no) {
        HideEditor();
        return false;
    }
    return true;
}

int TCustomDBGridGx::GetEditLimit() {
    TColumnGx* column = currentColumn();
    if (!column) return 0;
    const TStrings* keys = column->KeyListIfAny();
    if (keys && keys->Count() > 0) return 0;
    TField* f = SelectedField();
    return f && f->DataType() == ftString ? f->Size() : 0;
}

AnsiString TCustomDBGridGx::GetEditMask(int col, int) {
    if (!dataLink_->Active()) return AnsiString();
    const int dataCol = RawToDataColumn(col);
    if (dataCol < 0 || dataCol >= columns_->Count()) return AnsiString();
    TColumnGx* column = columns_->Items(dataCol);
    if (!column->EditMask().IsEmpty()) return column->EditMask();
    TField* f = column->Field();
    const TStrings* keys = column->KeyListIfAny();
    if (!f || (keys && keys->Count() > 0)) return AnsiString();
    return f->EditMask();
}

void TCustomDBGridGx::DoExit() {
    if (dataLink_->Active()) {
        try {
            TDataSet* ds = dataLink_->DataSet();
            if ((options_ & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !dataLink_->IsModified())
                ds->Cancel();
            else
                dataLink_->UpdateData();
        } catch (...) {
            SetFocus();
            throw;
        }
    }
    TCustomGrid::DoExit();
}

void TCustomDBGridGx::SetValueFromPrevRecord() {
    TColumnGx* column = currentColumn();
    if (!dataLink_->Active() || dataLink_->ActiveRecord() <= 0 || !column || !column->CanModify(true)) return;
    TField* f = column->Field();
    const int saved = dataLink_->ActiveRecord();
    Variant previous;
    dataLink_->SetActiveRecord(saved - 1);
    try {
        previous = f->FieldKind() == fkLookup ? f->DataSet()->FieldValues(f->KeyFields()) : f->AsVariant();
    } catch (...) {
        dataLink_->SetActiveRecord(saved);
        throw;
    }
    dataLink_->SetActiveRecord(saved);
    selection_->Clear();
    if (f->FieldKind() == fkLookup) DataSetSetFieldValues(f->DataSet(), f->KeyFields(), previous);
    else f->SetAsVariant(previous);
    ShowEditor();
    if (InplaceEditor() && InplaceEditor()->Visible()) InplaceEditor()->SelectAll();
}

bool TCustomDBGridGx::AllowedOperationUpdate() {
    if (!dataLink_->Active()) return false;
    TDataSet* ds = dataLink_->DataSet();
    const bool update = (allowedOperations_ & alopUpdateGx) || ds->State() == dsInsert;
    const bool addAllowed = (allowedOperations_ & (alopInsertGx | alopAppendGx)) != 0;
    return update && (!ds->IsEmpty() || addAllowed);
}

// ==== Position ==========================================================================================

void TCustomDBGridGx::SaveBookmark() {
    TDataSet* ds = dataLink_->DataSet();
    if (!ds) return;
    if (ViewScroll()) {
        savedBookmark_ = ds->Bookmark();
        savedOffset_ = 0;
        return;
    }
    const int a = dataLink_->ActiveRecord(), n = dataLink_->RecordCount();
    savedOffset_ = a - n / 2 + (n + 1) % 2;
    ds->MoveBy(-savedOffset_);
    savedBookmark_ = ds->Bookmark();
    ds->MoveBy(savedOffset_);
}

void TCustomDBGridGx::RestoreBookmark() {
    TDataSet* ds = dataLink_->DataSet();
    if (!ds || savedBookmark_.IsEmpty()) return;
    ds->GotoBookmark(savedBookmark_);
    ds->MoveBy(savedOffset_);
}

// ==== Options and simple setters ========================================================================

void TCustomDBGridGx::SetOptions(TDBGridOptions value) {
    if (value == options_) return;
    TGridOptions go = 0;
    if (rowSizingAllowed_) go |= goRowSizing;
    if (value & dgColLines) go |= goFixedVertLine | goVertLine;
    if (value & dgRowLines) go |= goFixedHorzLine | goHorzLine;
    if (value & dgColumnResize) go |= goColSizing | goColMoving;
    if (value & dgTabs) go |= goTabs;
    if (value & dgRowSelect) {
        go |= goRowSelect;
        value &= ~(dgEditing | dgAlwaysShowEditor);
    }
    if (value & dgEditing) go |= goEditing;
    if (value & dgAlwaysShowEditor) go |= goAlwaysShowEditor;
    TCustomGrid::SetOptions(go);
    if ((options_ & dgMultiSelect) && !(value & dgMultiSelect)) ClearSelection();
    const TDBGridOptions layoutBits = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColLines |
                                      dgRowLines | dgRowSelect | dgAlwaysShowSelection;
    const TDBGridOptions changed = (options_ ^ value) & layoutBits;
    options_ = value;
    if (changed) LayoutChanged();
    if (EditorMode()) InvalidateEditor();
}

void TCustomDBGridGx::SetOptionsGx(TDBGridGxOptions value) {
    if (value == optionsGx_) return;
    if ((optionsGx_ & dghMultiSortMarking) && !(value & dghMultiSortMarking)) {
        for (int i = sortMarkedColumns_->Count() - 1; i >= 1; --i)
            if (i < sortMarkedColumns_->Count() && sortMarkedColumns_->GetColumn(i))
                sortMarkedColumns_->GetColumn(i)->Title()->SetSortMarker(smNoneGx);
    }
    optionsGx_ = value;
    LayoutChanged();
}

void TCustomDBGridGx::SetReadOnly(bool b) {
    if (b == readOnly_) return;
    readOnly_ = b;
    Invalidate();
    if (!Loading()) SetColumnAttributes();
}

void TCustomDBGridGx::SetColumnAttributes() {
    const bool colLines = (options_ & dgColLines) != 0;
    for (int i = 0; i < columns_->Count(); ++i) {
        const int raw = DataToRawColumn(i);
        if (raw >= ColCount()) break;
        TColumnGx* c = columns_->Items(i);
        TField* f = c->Field();
        bool fieldWritable = false;
        if (f && f->FieldKind() != fkCalculated) {
            if (f->FieldKind() == fkLookup && !f->KeyFields().IsEmpty()) {
                // A lookup cell writes its key fields: it is read-only when all of them are.
                std::vector<TField*> keys;
                if (f->DataSet()) f->DataSet()->GetFieldList(keys, f->KeyFields());
                fieldWritable = std::any_of(keys.begin(), keys.end(), [](TField* k) { return !k->ReadOnly(); });
            } else {
                fieldWritable = !f->ReadOnly();
            }
        }
        SetTabStops(raw, c->Visible() && !c->ReadOnly() && dataLink_->Active() && fieldWritable);
        TCustomGrid::SetColWidths(raw, c->Visible() ? c->Width() : (colLines ? -1 : 0));
    }
    if (options_ & dgIndicator) TCustomGrid::SetColWidths(0, IndicatorWidth);
}

void TCustomDBGridGx::SetDrawMemoText(bool b) {
    if (b == drawMemoText_) return;
    drawMemoText_ = b;
    Invalidate();
}

void TCustomDBGridGx::SetEvenRowColor(TColor c) {
    const bool changed = c != EvenRowColor();
    evenRowColor_ = c;
    evenRowColorAssigned_ = true;
    if (changed) Invalidate();
}

void TCustomDBGridGx::SetOddRowColor(TColor c) {
    const bool changed = c != OddRowColor();
    oddRowColor_ = c;
    oddRowColorAssigned_ = true;
    if (changed) Invalidate();
}

void TCustomDBGridGx::SetFlat(bool b) {
    if (b == flat_) return;
    flat_ = b;
    rowTextSpacing_ = b ? 2 : 4;
    RecreateWnd();
    LayoutChanged();
}

void TCustomDBGridGx::SetFooterColor(TColor c) {
    if (!Loading()) SetParentColor(false);
    if (c == footerColor_) return;
    footerColor_ = c;
    if (footerRowCount_ > 0) Invalidate();
}

void TCustomDBGridGx::SetTitleImages(TCustomImageList* l) {
    if (titleImages_) titleImages_->UnRegisterChanges(titleImageChangeLink_.get());
    titleImages_ = l;
    if (l) {
        l->RegisterChanges(titleImageChangeLink_.get());
        l->FreeNotification(this);
    }
    LayoutChanged();
}

// ==== Repainting ========================================================================================

void TCustomDBGridGx::InvalidateCol(int aCol) {
    if (aCol < 0 || aCol >= ColCount()) return;
    const int last = std::min(RowCount() - 1, TopRow() + VisibleRowCount() + 1);
    InvalidateRect(BoxRect(aCol, 0, aCol, last));
}

void TCustomDBGridGx::InvalidateCell(int aCol, int aRow) {
    if (aCol < 0 || aRow < 0 || aCol >= ColCount() || aRow >= RowCount()) return;
    TCustomGrid::InvalidateCell(aCol, aRow);
    if (options_ & dgRowLines) {
        TRect r = CellRect(aCol, aRow);
        if (!r.IsEmpty()) InvalidateRect(TRect(r.Left, r.Top - GridLineWidth(), r.Right, r.Top));
    }
}

void TCustomDBGridGx::InvalidateGridRect(const TGridRect& r) {
    InvalidateRect(BoxRect(r.Left, r.Top, r.Right, r.Bottom));
}

// ==== Component life ====================================================================================

void TCustomDBGridGx::CreateParams(TCreateParams& params) {
    TCustomGrid::CreateParams(params);
    flatBorder_ = flat_ && Ctl3D() && BorderStyle() == bsSingle;
    if (flat_ && Ctl3D()) {
        params.Style &= ~WS_BORDER;
        params.ExStyle &= ~WS_EX_CLIENTEDGE;
    }
    params.Style |= WS_CLIPCHILDREN;
}

void TCustomDBGridGx::Loaded() {
    TCustomGrid::Loaded();
    if (columns_->Count() > 0) {
        SetColCount(columns_->Count() + indicatorOffset_);
        if (autoFitColWidths_ && !Designing()) {
            columns_->BeginUpdate();
            try {
                for (int i = 0; i < columns_->Count(); ++i)
                    columns_->Items(i)->SetFitBaseWidth(columns_->Items(i)->Width());
            } catch (...) {
                columns_->EndUpdate();
                throw;
            }
            columns_->EndUpdate();
            SetScrollBars(ssNone);
        }
    }
    SetSortMarkedColumns();
    sumList_->Loaded();
    LayoutChanged();
    DeferLayout();
}

void TCustomDBGridGx::Notification(TComponent* component, TOperation operation) {
    TCustomGrid::Notification(component, operation);
    if (operation == opRemove && columns_) ScrollBarsAndViewNotification(component);
    if (operation != opRemove || !columns_) return;
    if (auto* menu = dynamic_cast<TPopupMenu*>(component)) {
        for (int i = 0; i < columns_->Count(); ++i)
            if (columns_->Items(i)->PopupMenu() == menu) columns_->Items(i)->SetPopupMenu(nullptr);
    } else if (auto* images = dynamic_cast<TCustomImageList*>(component)) {
        if (images == titleImages_) titleImages_ = nullptr;
        for (int i = 0; i < columns_->Count(); ++i)
            if (columns_->Items(i)->ImageList() == images) columns_->Items(i)->imageList_ = nullptr;
    } else if (auto* source = dynamic_cast<TDataSource*>(component)) {
        for (int i = 0; i < columns_->Count(); ++i) {
            TColumnDropDownBoxGx* box = columns_->Items(i)->DropDownBox();
            if (box->ListSource() == source) box->SetListSource(nullptr);
        }
        if (dataLink_ && source == DataSource()) SetDataSource(nullptr);
    } else if (auto* field = dynamic_cast<TField*>(component)) {
        BeginLayout();
        bool lost = false;
        try {
            for (int i = 0; i < columns_->Count(); ++i)
                if (columns_->Items(i)->field_ == field) {
                    columns_->Items(i)->field_ = nullptr;
                    lost = true;
                }
        } catch (...) {
            CancelLayout();
            throw;
        }
        TDataSet* ds = dataLink_ ? dataLink_->DataSet() : nullptr;
        if (lost && ds && !ds->ControlsDisabled()) EndLayout();
        else DeferLayout();
    }
}

// ==== Painting ==========================================================================================

void TCustomDBGridGx::DefaultDrawDataCell(const TRect& rect, TField* field, TGridDrawState) {
    const AnsiString text = field ? field->DisplayText() : AnsiString();
    TCanvas* c = Canvas();
    int x = rect.Left + 2;
    if (field && field->Alignment() == taRightJustify) x = rect.Right - 2 - c->TextWidth(text);
    else if (field && field->Alignment() == taCenter) x = rect.Left + (rect.Width() - c->TextWidth(text)) / 2;
    c->TextRect(rect, x, rect.Top + 2, text);
}

// ==== TDBGridGx =========================================================================================

namespace {

const bool gridPropertiesRegistered = [] {
    using G = TCustomDBGridGx;
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    PTypeInfo color = TypeInfoOf(tkInteger, "TColor");
    PTypeInfo font = ClassTypeInfo(TFont::StaticClass());
    TPropInfo even = MakeProperty<G>("EvenRowColor", color, &G::EvenRowColor, &G::SetEvenRowColor);
    even.Stored = [](TObject* o) { return static_cast<G*>(o)->IsEvenRowColorStored(); };
    TPropInfo odd = MakeProperty<G>("OddRowColor", color, &G::OddRowColor, &G::SetOddRowColor);
    odd.Stored = [](TObject* o) { return static_cast<G*>(o)->IsOddRowColorStored(); };
    RegisterPublishedProperties(
        TDBGridGx::StaticClass(),
        {MakeProperty<G>("AllowedOperations", TypeInfoOf(tkInteger, "TDBGridGxAllowedOperations"),
                         &G::AllowedOperations, &G::SetAllowedOperations,
                         alopInsertGx | alopUpdateGx | alopDeleteGx | alopAppendGx),
         MakeProperty<G>("AllowedSelections", TypeInfoOf(tkInteger, "TDBGridGxAllowedSelections"),
                         &G::AllowedSelections, &G::SetAllowedSelections,
                         SelectionTypeBit(gstRecordBookmarks) | SelectionTypeBit(gstRectangle) |
                             SelectionTypeBit(gstColumns) | SelectionTypeBit(gstAll)),
         MakeProperty<G>("AutoFitColWidths", boolean, &G::AutoFitColWidths, &G::SetAutoFitColWidths, 0),
         MakeProperty<G>("ColumnDefValues", ClassTypeInfo(TColumnDefValuesGx::StaticClass()), &G::ColumnDefValues,
                         &G::SetColumnDefValues),
         MakeProperty<G>("DataSource", ClassTypeInfo(TDataSource::StaticClass()), &G::DataSource, &G::SetDataSource),
         MakeProperty<G>("DrawMemoText", boolean, &G::DrawMemoText, &G::SetDrawMemoText, 0),
         MakeProperty<G>("EditActions", TypeInfoOf(tkInteger, "TDBGridGxEditActions"), &G::EditActions,
                         &G::SetEditActions, 0),
         even, odd, MakeProperty<G>("Flat", boolean, &G::Flat, &G::SetFlat, 0),
         MakeProperty<G>("FooterColor", color, &G::FooterColor, &G::SetFooterColor, clWindow),
         MakeProperty<G>("FooterFont", font, &G::FooterFont, &G::SetFooterFont),
         MakeProperty<G>("FooterRowCount", integer, &G::FooterRowCount, &G::SetFooterRowCount, 0),
         MakeProperty<G>("FrozenCols", integer, &G::FrozenCols, &G::SetFrozenCols, 0),
         MakeProperty<G>("MinAutoFitWidth", integer, &G::MinAutoFitWidth, &G::SetMinAutoFitWidth, 0),
         MakeProperty<G>("Options", TypeInfoOf(tkInteger, "TDBGridOptions"), &G::Options, &G::SetOptions,
                         DefaultDBGridOptions),
         MakeProperty<G>("OptionsGx", TypeInfoOf(tkInteger, "TDBGridGxOptions"), &G::OptionsGx, &G::SetOptionsGx,
                         DefaultDBGridGxOptions),
         MakeProperty<G>("ReadOnly", boolean, &G::ReadOnly, &G::SetReadOnly, 0),
         MakeProperty<G>("RowHeight", integer, &G::RowHeight, &G::SetRowHeight, 0),
         MakeProperty<G>("RowLines", integer, &G::RowLines, &G::SetRowLines, 0),
         MakeProperty<G>("RowSizingAllowed", boolean, &G::RowSizingAllowed, &G::SetRowSizingAllowed, 0),
         MakeProperty<G>("SortLocal", boolean, &G::SortLocal, &G::SetSortLocal, 0),
         MakeProperty<G>("TitleFont", font, &G::TitleFont, &G::SetTitleFont),
         MakeProperty<G>("TitleHeight", integer, &G::TitleHeight, &G::SetTitleHeight, 0),
         MakeProperty<G>("TitleImages", ClassTypeInfo(TCustomImageList::StaticClass()), &G::TitleImages,
                         &G::SetTitleImages),
         MakeProperty<G>("TitleLines", integer, &G::TitleLines, &G::SetTitleLines, 0),
         MakeProperty<G>("UseMultiTitle", boolean, &G::UseMultiTitle, &G::SetUseMultiTitle, 0),
         MakeProperty<G>("VTitleMargin", integer, &G::VTitleMargin, &G::SetVTitleMargin, 10)});
    RegisterClass<TDBGridGx>();
    return true;
}();

}  // namespace

TDBGridGx::TDBGridGx(TComponent* owner) : TCustomDBGridGx(owner) {}
