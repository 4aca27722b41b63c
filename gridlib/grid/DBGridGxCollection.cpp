// The grid's column collection: pass-through and stored columns, the reactions to a column's change,
// column sets written to and read from streams and files, and the published properties of the
// column classes.
#include "gridlib/grid/DBGridGx.h"

#include "rtl/FileUtils.h"
#include "rtl/Filers.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

namespace {

PTypeInfo boolType() { return EnumTypeInfo("Boolean", {"False", "True"}); }
PTypeInfo intType() { return TypeInfoOf(tkInteger, "Integer"); }
PTypeInfo strType() { return TypeInfoOf(tkLString, "String"); }
PTypeInfo colorType() { return TypeInfoOf(tkInteger, "TColor"); }
PTypeInfo alignType() { return EnumTypeInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}); }
PTypeInfo classType(TClass c) { return ClassTypeInfo(c); }

template <class C, class F>
TPropInfo stored(TPropInfo p, F test) {
    p.Stored = [test](TObject* o) { return test(static_cast<C*>(o)); };
    return p;
}

const bool columnPropertiesRegistered = [] {
    using C = TColumnGx;
    using T = TColumnTitleGx;
    RegisterPublishedProperties(
        TColumnTitleGx::StaticClass(),
        {stored<T>(MakeProperty<T>("Alignment", alignType(), &T::Alignment, &T::SetAlignment),
                   [](T* t) { return t->IsAlignmentStored(); }),
         stored<T>(MakeProperty<T>("Caption", strType(), &T::Caption, &T::SetCaption),
                   [](T* t) { return t->IsCaptionStored(); }),
         stored<T>(MakeProperty<T>("Color", colorType(), &T::Color, &T::SetColor), [](T* t) { return t->IsColorStored(); }),
         stored<T>(MakeProperty<T>("EndEllipsis", boolType(), &T::EndEllipsis, &T::SetEndEllipsis),
                   [](T* t) { return t->IsEndEllipsisStored(); }),
         stored<T>(MakeProperty<T>("Font", classType(TFont::StaticClass()), &T::Font, &T::SetFont),
                   [](T* t) { return t->IsFontStored(); }),
         MakeProperty<T>("Hint", strType(), &T::Hint, &T::SetHint),
         MakeProperty<T>("ImageIndex", intType(), &T::ImageIndex, &T::SetImageIndex, -1),
         stored<T>(MakeProperty<T>("Orientation", EnumTypeInfo("TTextOrientationGx", {"tohHorizontal", "tohVertical"}),
                                   &T::Orientation, &T::SetOrientation),
                   [](T* t) { return t->IsOrientationStored(); }),
         MakeProperty<T>("SortIndex", intType(), &T::SortIndex, &T::SetSortIndex, 0),
         MakeProperty<T>("SortMarker", EnumTypeInfo("TSortMarkerGx", {"smNoneGx", "smDownGx", "smUpGx"}), &T::SortMarker,
                         &T::SetSortMarker, smNoneGx),
         stored<T>(MakeProperty<T>("TitleButton", boolType(), &T::TitleButton, &T::SetTitleButton),
                   [](T* t) { return t->IsTitleButtonStored(); }),
         stored<T>(MakeProperty<T>("ToolTips", boolType(), &T::ToolTips, &T::SetToolTips),
                   [](T* t) { return t->IsToolTipsStored(); })});
    // FieldName first: reading it resolves the field the other values may default from.
    RegisterPublishedProperties(
        TDBGridColumnGx::StaticClass(),
        {MakeProperty<C>("FieldName", strType(), &C::FieldName, &C::SetFieldName),
         stored<C>(MakeProperty<C>("Alignment", alignType(), &C::Alignment, &C::SetAlignment),
                   [](C* c) { return c->IsAlignmentStored(); }),
         stored<C>(MakeProperty<C>("AlwaysShowEditButton", boolType(), &C::AlwaysShowEditButton,
                                   &C::SetAlwaysShowEditButton),
                   [](C* c) { return c->IsAlwaysShowEditButtonStored(); }),
         stored<C>(MakeProperty<C>("AutoDropDown", boolType(), &C::AutoDropDown, &C::SetAutoDropDown),
                   [](C* c) { return c->IsAutoDropDownStored(); }),
         MakeProperty<C>("AutoFitColWidth", boolType(), &C::AutoFitColWidth, &C::SetAutoFitColWidth, 1),
         MakeProperty<C>("ButtonStyle",
                         EnumTypeInfo("TColumnButtonStyleGx", {"cbsAuto", "cbsEllipsis", "cbsNone", "cbsUpDown",
                                                               "cbsDropDown"}),
                         &C::ButtonStyle, &C::SetButtonStyle, cbsAuto),
         stored<C>(MakeProperty<C>("Checkboxes", boolType(), &C::Checkboxes, &C::SetCheckboxes),
                   [](C* c) { return c->IsCheckboxesStored(); }),
         stored<C>(MakeProperty<C>("Color", colorType(), &C::Color, &C::SetColor), [](C* c) { return c->IsColorStored(); }),
         stored<C>(MakeProperty<C>("DblClickNextVal", boolType(), &C::DblClickNextVal, &C::SetDblClickNextVal),
                   [](C* c) { return c->IsDblClickNextValStored(); }),
         MakeProperty<C>("DisplayFormat", strType(), &C::DisplayFormat, &C::SetDisplayFormat),
         MakeProperty<C>("DropDownBox", classType(TColumnDropDownBoxGx::StaticClass()), &C::DropDownBox,
                         &C::SetDropDownBox),
         MakeProperty<C>("DropDownRows", intType(), &C::DropDownRows, &C::SetDropDownRows, 7),
         stored<C>(MakeProperty<C>("DropDownShowTitles", boolType(), &C::DropDownShowTitles, &C::SetDropDownShowTitles),
                   [](C* c) { return c->IsDropDownShowTitlesStored(); }),
         stored<C>(MakeProperty<C>("DropDownSizing", boolType(), &C::DropDownSizing, &C::SetDropDownSizing),
                   [](C* c) { return c->IsDropDownSizingStored(); }),
         MakeProperty<C>("DropDownSpecRow", classType(TSpecRowGx::StaticClass()), &C::DropDownSpecRow,
                         &C::SetDropDownSpecRow),
         MakeProperty<C>("DropDownWidth", intType(), &C::DropDownWidth, &C::SetDropDownWidth, 0),
         MakeProperty<C>("EditButtons", classType(TEditButtonsGx::StaticClass()), &C::EditButtons, &C::SetEditButtons),
         MakeProperty<C>("EditMask", strType(), &C::EditMask, &C::SetEditMask),
         stored<C>(MakeProperty<C>("EndEllipsis", boolType(), &C::EndEllipsis, &C::SetEndEllipsis),
                   [](C* c) { return c->IsEndEllipsisStored(); }),
         stored<C>(MakeProperty<C>("Font", classType(TFont::StaticClass()), &C::Font, &C::SetFont),
                   [](C* c) { return c->IsFontStored(); }),
         MakeProperty<C>("HideDuplicates", boolType(), &C::HideDuplicates, &C::SetHideDuplicates, 0),
         stored<C>(MakeProperty<C>("HighlightRequired", boolType(), &C::HighlightRequired, &C::SetHighlightRequired),
                   [](C* c) { return c->IsHighlightRequiredStored(); }),
         MakeProperty<C>("ImageList", classType(TCustomImageList::StaticClass()), &C::ImageList, &C::SetImageList),
         stored<C>(MakeProperty<C>("Increment", TypeInfoOf(tkFloat, "Extended"), &C::Increment, &C::SetIncrement),
                   [](C* c) { return c->IsIncrementStored(); }),
         MakeProperty<C>("KeyList", classType(TStrings::StaticClass()), &C::KeyList, &C::SetKeyList),
         stored<C>(MakeProperty<C>("Layout", EnumTypeInfo("TTextLayout", {"tlTop", "tlCenter", "tlBottom"}), &C::Layout,
                                   &C::SetLayout),
                   [](C* c) { return c->IsLayoutStored(); }),
         stored<C>(MakeProperty<C>("LookupDisplayFields", strType(), &C::LookupDisplayFields, &C::SetLookupDisplayFields),
                   [](C* c) { return c->IsLookupDisplayFieldsStored(); }),
         MakeProperty<C>("MaxWidth", intType(), &C::MaxWidth, &C::SetMaxWidth, 0),
         MakeProperty<C>("MinWidth", intType(), &C::MinWidth, &C::SetMinWidth, 0),
         MakeProperty<C>("MRUList", classType(TMRUListGx::StaticClass()), &C::MRUList, &C::SetMRUList),
         MakeProperty<C>("NotInKeyListIndex", intType(), &C::NotInKeyListIndex, &C::SetNotInKeyListIndex, -1),
         MakeProperty<C>("PickList", classType(TStrings::StaticClass()), &C::PickList, &C::SetPickList),
         MakeProperty<C>("PopupMenu", classType(TPopupMenu::StaticClass()), &C::PopupMenu, &C::SetPopupMenu),
         stored<C>(MakeProperty<C>("ReadOnly", boolType(), &C::ReadOnly, &C::SetReadOnly),
                   [](C* c) { return c->IsReadOnlyStored(); }),
         MakeProperty<C>("ShowImageAndText", boolType(), &C::ShowImageAndText, &C::SetShowImageAndText, 0),
         MakeProperty<C>("Tag", intType(), &C::Tag, &C::SetTag, 0),
         MakeProperty<C>("Title", classType(TColumnTitleGx::StaticClass()), &C::Title, &C::SetTitle),
         stored<C>(MakeProperty<C>("ToolTips", boolType(), &C::ToolTips, &C::SetToolTips),
                   [](C* c) { return c->IsToolTipsStored(); }),
         MakeProperty<C>("Visible", boolType(), &C::Visible, &C::SetVisible, 1),
         stored<C>(MakeProperty<C>("Width", intType(), &C::Width, &C::SetWidth), [](C* c) { return c->IsWidthStored(); }),
         stored<C>(MakeProperty<C>("WordWrap", boolType(), &C::WordWrap, &C::SetWordWrap),
                   [](C* c) { return c->IsWordWrapStored(); })});
    using B = TColumnDropDownBoxGx;
    RegisterPublishedProperties(
        TColumnDropDownBoxGx::StaticClass(),
        {MakeProperty<B>("AutoFitColWidths", boolType(), &B::AutoFitColWidths, &B::SetAutoFitColWidths, 1),
         MakeProperty<B>("ColumnDefValues", classType(TColumnDefValuesGx::StaticClass()), &B::ColumnDefValues,
                         &B::SetColumnDefValues),
         stored<B>(MakeProperty<B>("Columns", classType(TDBGridColumnsGx::StaticClass()), &B::Columns, &B::SetColumns),
                   [](B* b) { return b->StoreColumns(); }),
         MakeProperty<B>("ListSource", classType(TDataSource::StaticClass()), &B::ListSource, &B::SetListSource),
         stored<B>(MakeProperty<B>("Options", TypeInfoOf(tkInteger, "TDBLookupGridGxOptions"), &B::Options, &B::SetOptions,
                                   dlgColLinesGx),
                   [](B* b) { return b->Columns() != nullptr && b->Options() != dlgColLinesGx; }),
         MakeProperty<B>("UseMultiTitle", boolType(), &B::UseMultiTitle, &B::SetUseMultiTitle, 0)});
    RegisterPublishedProperties(TColumnsWrapper::StaticClass(),
                                {MakeProperty<TColumnsWrapper>("Columns", classType(TDBGridColumnsGx::StaticClass()),
                                                               &TColumnsWrapper::Columns, &TColumnsWrapper::SetColumns)});
    RegisterClass<TColumnsWrapper>();
    return true;
}();

}  // namespace

// ==== TDBGridColumnsGx =================================================================================

TDBGridColumnsGx::TDBGridColumnsGx(TCustomDBGridGx* grid, TCollectionItemClass itemClass)
    : TCollection(std::move(itemClass)), grid_(grid) {}

TPersistent* TDBGridColumnsGx::GetOwner() { return grid_; }

TColumnGx* TDBGridColumnsGx::InternalAdd() {
    TColumnGx* c = Add();
    c->SetStoredFlag(false);
    return c;
}

TDBGridColumnsState TDBGridColumnsGx::State() const {
    return Count() > 0 && Items(0)->StoredFlag() ? csCustomized : csDefault;
}

void TDBGridColumnsGx::SetState(TDBGridColumnsState s) {
    if (s == State()) return;
    if (s == csDefault) Clear();
    else RebuildColumns();
}

void TDBGridColumnsGx::AddAllColumns(bool deleteExisting) {
    TDataSet* ds = grid_ && grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
    if (!ds) {
        if (deleteExisting) Clear();
        return;
    }
    grid_->BeginLayout();
    try {
        if (deleteExisting) Clear();
        TList fields;
        grid_->GetDatasetFieldList(&fields);
        for (int i = 0; i < fields.Count(); ++i) Add()->SetFieldName(static_cast<TField*>(fields.Items(i))->FieldName());
    } catch (...) {
        grid_->EndLayout();
        throw;
    }
    grid_->EndLayout();
}

void TDBGridColumnsGx::RestoreDefaults() {
    BeginUpdate();
    try {
        for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TDBGridColumnsGx::ActiveChanged() {
    for (int i = 0; i < Count(); ++i) {
        Items(i)->ForgetField();
        Items(i)->ForgetFilterValueList();
    }
}

void TDBGridColumnsGx::SaveToStream(TStream* stream) {
    TColumnsWrapper wrapper(nullptr);
    wrapper.SetColumns(this);
    stream->WriteComponent(&wrapper);
}

void TDBGridColumnsGx::SaveToFile(const AnsiString& fileName) {
    TFileStream f(fileName, fmCreate);
    SaveToStream(&f);
}

void TDBGridColumnsGx::LoadFromStream(TStream* stream) {
    // The set is read into a collection of its own first, so a bad stream leaves these columns.
    std::unique_ptr<TDBGridColumnsGx> loaded(grid_->CreateColumns());
    TColumnsWrapper wrapper(nullptr);
    wrapper.SetColumns(loaded.get());
    stream->ReadComponent(&wrapper);
    Assign(loaded.get());
}

void TDBGridColumnsGx::LoadFromFile(const AnsiString& fileName) {
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

void TDBGridColumnsGx::Update(TCollectionItem* item) {
    if (!grid_ || grid_->Loading()) return;
    if (item) {
        auto* column = static_cast<TColumnGx*>(item);
        const int r = grid_->DataToRawColumn(item->Index());
        if (r >= 0 && r < grid_->ColCount()) {
            grid_->InvalidateCol(r);
            const int gridWidth = grid_->ColWidths(r);
            if (!grid_->AutoFitColWidths() || grid_->Designing()) {
                const int want = column->Visible() ? column->Width() : ((grid_->Options() & dgColLines) ? -1 : 0);
                if (gridWidth != column->Width()) grid_->TCustomGrid::SetColWidths(r, want);
                else if (grid_->UseMultiTitle()) grid_->LayoutChanged();
            } else if (gridWidth > 0) {
                // A hidden column has no width to scale from (0 without column lines): it keeps its
                // initial width.
                const int oldBase = column->FitBaseWidth();
                const int newBase = MulDiv(oldBase, column->Width(), gridWidth);
                column->SetFitBaseWidth(newBase);
                if (r < grid_->ColCount() - 1 && item->Index() + 1 < Count()) {
                    TColumnGx* next = Items(item->Index() + 1);
                    next->SetFitBaseWidth(std::max(0, next->FitBaseWidth() + oldBase - newBase));
                }
                grid_->LayoutChanged();
            }
        }
    } else {
        grid_->SetSortMarkedColumns();
        grid_->LayoutChanged();
    }
    if (Count() > 0) {
        const int sel = grid_->SelectedIndex();
        if (sel >= 0 && sel < Count() && !Items(sel)->Visible()) {
            for (int i = 0; i < Count(); ++i)
                if (Items(i)->Visible()) {
                    grid_->SetSelectedIndex(i);
                    break;
                }
        }
    }
    if (grid_->LayoutLock() == 0) grid_->InvalidateEditor();
}

// ==== Grid: column lookup and streaming =================================================================

TColumnGx* TCustomDBGridGx::GetFieldColumns(const AnsiString& fieldName) const {
    for (int i = 0; i < columns_->Count(); ++i)
        if (NlsCompareText(columns_->Items(i)->FieldName(), fieldName) == 0) return columns_->Items(i);
    throw EInvalidGridOperation(Format("Имя поля '%s' не найдено", fieldName));
}

void TCustomDBGridGx::DefineProperties(TFiler* filer) {
    TCustomGrid::DefineProperties(filer);
    bool write;
    if (auto* ancestor = dynamic_cast<TCustomDBGridGx*>(filer->Ancestor()))
        write = ancestor->Columns()->State() != columns_->State() ||
                !CollectionsEqual(columns_.get(), ancestor->Columns(), this, ancestor);
    else
        write = columns_->State() == csCustomized;
    filer->DefineProperty("Columns", TReaderProc(this, &TCustomDBGridGx::readColumns),
                          TWriterProc(this, &TCustomDBGridGx::writeColumns), write);
}

void TCustomDBGridGx::readColumns(TReader* reader) {
    columns_->Clear();
    reader->ReadValue();
    reader->ReadCollection(columns_.get());
}

void TCustomDBGridGx::writeColumns(TWriter* writer) { writer->WriteCollection(columns_.get()); }
