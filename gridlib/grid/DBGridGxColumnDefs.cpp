// The grid's column defaults and the drop-down box settings of a lookup cell.
#include "gridlib/grid/DBGridGx.h"

namespace {

const bool defaultsPropertiesRegistered = [] {
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    using T = TColumnTitleDefValuesGx;
    TPropInfo alignment = MakeProperty<T>(
        "Alignment", EnumTypeInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}), &T::Alignment,
        &T::SetAlignment);
    alignment.Stored = [](TObject* o) { return static_cast<T*>(o)->IsAlignmentStored(); };
    TPropInfo color = MakeProperty<T>("Color", TypeInfoOf(tkInteger, "TColor"), &T::Color, &T::SetColor);
    color.Stored = [](TObject* o) { return static_cast<T*>(o)->IsColorStored(); };
    RegisterPublishedProperties(
        TColumnTitleDefValuesGx::StaticClass(),
        {alignment, color, MakeProperty<T>("EndEllipsis", boolean, &T::EndEllipsis, &T::SetEndEllipsis, 0),
         MakeProperty<T>("Orientation", EnumTypeInfo("TTextOrientationGx", {"tohHorizontal", "tohVertical"}),
                         &T::Orientation, &T::SetOrientation, tohHorizontal),
         MakeProperty<T>("TitleButton", boolean, &T::TitleButton, &T::SetTitleButton, 0),
         MakeProperty<T>("ToolTips", boolean, &T::ToolTips, &T::SetToolTips, 0)});
    RegisterPublishedProperties(TColumnFooterDefValuesGx::StaticClass(),
                                {MakeProperty<TColumnFooterDefValuesGx>("ToolTips", boolean,
                                                                        &TColumnFooterDefValuesGx::ToolTips,
                                                                        &TColumnFooterDefValuesGx::SetToolTips, 0)});
    using D = TColumnDefValuesGx;
    RegisterPublishedProperties(
        TDBGridGxColumnDefValuesGx::StaticClass(),
        {MakeProperty<D>("AlwaysShowEditButton", boolean, &D::AlwaysShowEditButton, &D::SetAlwaysShowEditButton, 0),
         MakeProperty<D>("AutoDropDown", boolean, &D::AutoDropDown, &D::SetAutoDropDown, 0),
         MakeProperty<D>("DblClickNextVal", boolean, &D::DblClickNextVal, &D::SetDblClickNextVal, 0),
         MakeProperty<D>("DropDownShowTitles", boolean, &D::DropDownShowTitles, &D::SetDropDownShowTitles, 0),
         MakeProperty<D>("DropDownSizing", boolean, &D::DropDownSizing, &D::SetDropDownSizing, 0),
         MakeProperty<D>("EndEllipsis", boolean, &D::EndEllipsis, &D::SetEndEllipsis, 0),
         MakeProperty<D>("Footer", ClassTypeInfo(TColumnFooterDefValuesGx::StaticClass()), &D::Footer, &D::SetFooter),
         MakeProperty<D>("HighlightRequired", boolean, &D::HighlightRequired, &D::SetHighlightRequired, 0),
         MakeProperty<D>("Layout", EnumTypeInfo("TTextLayout", {"tlTop", "tlCenter", "tlBottom"}), &D::Layout,
                         &D::SetLayout, tlTop),
         MakeProperty<D>("Title", ClassTypeInfo(TColumnTitleDefValuesGx::StaticClass()), &D::Title, &D::SetTitle),
         MakeProperty<D>("ToolTips", boolean, &D::ToolTips, &D::SetToolTips, 0)});
    return true;
}();

}  // namespace

// ==== TColumnTitleDefValuesGx ===========================================================================

TPersistent* TColumnTitleDefValuesGx::GetOwner() { return owner_; }

TAlignment TColumnTitleDefValuesGx::DefaultAlignment() const {
    TCustomDBGridGx* g = owner_->Grid();
    return g && g->UseMultiTitle() ? taCenter : taLeftJustify;
}

TColor TColumnTitleDefValuesGx::DefaultColor() const {
    TCustomDBGridGx* g = owner_->Grid();
    return g ? g->FixedColor() : clBtnFace;
}

TAlignment TColumnTitleDefValuesGx::Alignment() const {
    return IsAssigned(cvdpTitleAlignmentGx) ? alignment_ : DefaultAlignment();
}

void TColumnTitleDefValuesGx::SetAlignment(TAlignment a) {
    if (IsAssigned(cvdpTitleAlignmentGx) && a == alignment_) return;
    alignment_ = a;
    assigned_ |= 1u << cvdpTitleAlignmentGx;
    if (TCustomDBGridGx* g = owner_->Grid()) g->LayoutChanged();
}

TColor TColumnTitleDefValuesGx::Color() const { return IsAssigned(cvdpTitleColorGx) ? color_ : DefaultColor(); }

void TColumnTitleDefValuesGx::SetColor(TColor c) {
    if (IsAssigned(cvdpTitleColorGx) && c == color_) return;
    color_ = c;
    assigned_ |= 1u << cvdpTitleColorGx;
    if (TCustomDBGridGx* g = owner_->Grid()) g->Invalidate();
}

void TColumnTitleDefValuesGx::SetEndEllipsis(bool b) {
    if (b == endEllipsis_) return;
    endEllipsis_ = b;
    if (TCustomDBGridGx* g = owner_->Grid()) g->Invalidate();
}

void TColumnTitleDefValuesGx::SetOrientation(TTextOrientationGx o) {
    if (o == orientation_) return;
    orientation_ = o;
    if (TCustomDBGridGx* g = owner_->Grid()) g->LayoutChanged();
}

bool TColumnTitleDefValuesGx::IsAlignmentStored() const {
    return IsAssigned(cvdpTitleAlignmentGx) && alignment_ != DefaultAlignment();
}

bool TColumnTitleDefValuesGx::IsColorStored() const { return IsAssigned(cvdpTitleColorGx) && color_ != DefaultColor(); }

void TColumnTitleDefValuesGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnTitleDefValuesGx*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    if (src->IsAssigned(cvdpTitleAlignmentGx)) SetAlignment(src->Alignment());
    if (src->IsAssigned(cvdpTitleColorGx)) SetColor(src->Color());
    SetEndEllipsis(src->EndEllipsis());
    SetOrientation(src->Orientation());
    titleButton_ = src->titleButton_;
    toolTips_ = src->toolTips_;
}

// ==== TColumnFooterDefValuesGx ==========================================================================

void TColumnFooterDefValuesGx::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TColumnFooterDefValuesGx*>(source)) toolTips_ = src->toolTips_;
    else TPersistent::Assign(source);
}

// ==== TColumnDefValuesGx ================================================================================

TColumnDefValuesGx::TColumnDefValuesGx(TCustomDBGridGx* grid)
    : grid_(grid),
      title_(std::make_unique<TColumnTitleDefValuesGx>(this)),
      footer_(std::make_unique<TColumnFooterDefValuesGx>()) {}

TColumnDefValuesGx::~TColumnDefValuesGx() = default;

TPersistent* TColumnDefValuesGx::GetOwner() { return grid_; }

void TColumnDefValuesGx::repaintGrid() {
    if (grid_) grid_->Invalidate();
}

void TColumnDefValuesGx::SetAlwaysShowEditButton(bool b) {
    if (b == alwaysShowEditButton_) return;
    alwaysShowEditButton_ = b;
    repaintGrid();
}

void TColumnDefValuesGx::SetEndEllipsis(bool b) {
    if (b == endEllipsis_) return;
    endEllipsis_ = b;
    repaintGrid();
}

void TColumnDefValuesGx::SetHighlightRequired(bool b) {
    if (b == highlightRequired_) return;
    highlightRequired_ = b;
    repaintGrid();
}

void TColumnDefValuesGx::SetLayout(TTextLayout l) {
    if (l == layout_) return;
    layout_ = l;
    repaintGrid();
}

void TColumnDefValuesGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnDefValuesGx*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    // Layout, HighlightRequired and Footer stay the grid's own.
    title_->Assign(src->Title());
    SetAlwaysShowEditButton(src->AlwaysShowEditButton());
    SetEndEllipsis(src->EndEllipsis());
    autoDropDown_ = src->autoDropDown_;
    dblClickNextVal_ = src->dblClickNextVal_;
    toolTips_ = src->toolTips_;
    dropDownSizing_ = src->dropDownSizing_;
    dropDownShowTitles_ = src->dropDownShowTitles_;
}

// ==== TColumnDropDownBoxGx ==============================================================================

TColumnDropDownBoxGx::TColumnDropDownBoxGx(TPersistent* owner)
    : owner_(owner), specRow_(std::make_unique<TSpecRowGx>(this)) {}

TColumnDropDownBoxGx::~TColumnDropDownBoxGx() = default;

TColumnDefValuesGx* TColumnDropDownBoxGx::ColumnDefValues() const {
    ILookupGridOwner* o = lookupOwner();
    TCustomDBGridGx* g = o ? o->GetLookupGrid() : nullptr;
    return g ? g->ColumnDefValues() : nullptr;
}

void TColumnDropDownBoxGx::SetColumnDefValues(TColumnDefValuesGx* v) {
    if (TColumnDefValuesGx* own = ColumnDefValues()) own->Assign(v);
}

TDBGridColumnsGx* TColumnDropDownBoxGx::Columns() const {
    ILookupGridOwner* o = lookupOwner();
    TCustomDBGridGx* g = o ? o->GetLookupGrid() : nullptr;
    return g ? g->Columns() : nullptr;
}

void TColumnDropDownBoxGx::SetColumns(TDBGridColumnsGx* c) {
    if (TDBGridColumnsGx* own = Columns()) own->Assign(c);
}

void TColumnDropDownBoxGx::SetListSource(TDataSource* ds) {
    listSource_ = ds;
    if (ILookupGridOwner* o = lookupOwner()) o->SetDropDownBoxListSource(ds);
}

TDBLookupGridGxOptions TColumnDropDownBoxGx::Options() const {
    ILookupGridOwner* o = lookupOwner();
    return o ? o->GetOptions() : 0;
}

void TColumnDropDownBoxGx::SetOptions(TDBLookupGridGxOptions opts) {
    if (ILookupGridOwner* o = lookupOwner()) o->SetOptions(opts);
}

bool TColumnDropDownBoxGx::StoreColumns() const {
    TDBGridColumnsGx* c = Columns();
    return c && c->State() == csCustomized;
}

void TColumnDropDownBoxGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnDropDownBoxGx*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    align_ = src->align_;
    autoDrop_ = src->autoDrop_;
    autoFitColWidths_ = src->autoFitColWidths_;
    if (TColumnDefValuesGx* defs = src->ColumnDefValues()) SetColumnDefValues(defs);
    TDBGridColumnsGx* srcColumns = src->Columns();
    if (srcColumns && srcColumns->State() == csCustomized) SetColumns(srcColumns);
    else if (TDBGridColumnsGx* own = Columns()) own->Clear();
    SetOptions(src->Options());
    rows_ = src->rows_;
    width_ = src->width_;
    sizable_ = src->sizable_;
    showTitles_ = src->showTitles_;
    useMultiTitle_ = src->useMultiTitle_;
    SetListSource(src->ListSource());
}
