// Footers: the footer cells of a column with their values that follow the grid until set, the
// aggregates they register in the grid's sum list, the footer texts by field type, and the default
// drawing of a footer cell.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <cmath>

namespace {

bool fontsDiffer(const TFont& a, const TFont& b) { return !(a.Handle() == b.Handle()) || a.Color() != b.Color(); }

bool isIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

AnsiString fieldDisplayFormat(TField* f) {
    if (auto* n = dynamic_cast<TNumericField*>(f)) return n->DisplayFormat();
    return AnsiString();
}

bool fieldIsCurrency(TField* f) {
    if (auto* fl = dynamic_cast<TFloatField*>(f)) return fl->IsCurrency();
    if (auto* b = dynamic_cast<TBCDField*>(f)) return b->IsCurrency();
    return false;
}

int fieldPrecision(TField* f) {
    if (auto* fl = dynamic_cast<TFloatField*>(f)) return fl->Precision();
    if (auto* b = dynamic_cast<TBCDField*>(f)) return b->Precision();
    return 15;
}

}  // namespace

// ==== TColumnFooterGx ===================================================================================

TColumnFooterGx::TColumnFooterGx(TCollection* collection) : TCollectionItem(collection) {
    if (auto* footers = dynamic_cast<TColumnFootersGx*>(collection)) column_ = footers->Column();
    init();
    if (column_ && column_->Grid()) column_->Grid()->InvalidateFooter();
}

TColumnFooterGx::TColumnFooterGx(TColumnGx* column) : TCollectionItem(nullptr), column_(column) { init(); }

void TColumnFooterGx::init() {
    font_ = std::make_unique<TFont>();
    if (TFont* def = DefaultFont()) font_->Assign(def);
    font_->OnChange = TNotifyEvent(this, &TColumnFooterGx::fontChanged);
}

TColumnFooterGx::~TColumnFooterGx() {
    if (column_ && column_->Grid()) column_->Grid()->InvalidateFooter();
    font_->OnChange = TNotifyEvent();
    font_.reset();
    delete SumValue();
}

void TColumnFooterGx::changed(bool allItems) {
    if (column_) column_->ChangedColumn(allItems);
}

void TColumnFooterGx::fontChanged(TObject*) {
    assigned_ |= 1u << cvFooterFont;
    changed(true);
}

TAlignment TColumnFooterGx::DefaultAlignment() const {
    TField* f = column_ ? column_->Field() : nullptr;
    return f ? f->Alignment() : taLeftJustify;
}

TColor TColumnFooterGx::DefaultColor() const {
    TCustomDBGridGx* g = column_ ? column_->Grid() : nullptr;
    return g ? g->FooterColor() : clWindow;
}

TFont* TColumnFooterGx::DefaultFont() const {
    if (!column_) return nullptr;
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->FooterFont() : column_->Font();
}

bool TColumnFooterGx::DefaultToolTips() const {
    TCustomDBGridGx* g = column_ ? column_->Grid() : nullptr;
    return g ? g->ColumnDefValues()->Footer()->ToolTips() : false;
}

TAlignment TColumnFooterGx::Alignment() const { return has(cvFooterAlignment) ? alignment_ : DefaultAlignment(); }
void TColumnFooterGx::SetAlignment(TAlignment a) {
    if (has(cvFooterAlignment) && a == alignment_) return;
    alignment_ = a;
    assigned_ |= 1u << cvFooterAlignment;
    changed(false);
}

TColor TColumnFooterGx::Color() const { return has(cvFooterColor) ? color_ : DefaultColor(); }
void TColumnFooterGx::SetColor(TColor c) {
    if (has(cvFooterColor) && c == color_) return;
    color_ = c;
    assigned_ |= 1u << cvFooterColor;
    changed(false);
}

bool TColumnFooterGx::ToolTips() const { return has(cvFooterToolTips) ? toolTips_ : DefaultToolTips(); }
void TColumnFooterGx::SetToolTips(bool b) {
    toolTips_ = b;
    assigned_ |= 1u << cvFooterToolTips;
}

TFont* TColumnFooterGx::Font() const {
    if (!has(cvFooterFont)) {
        TFont* def = DefaultFont();
        if (def && def != font_.get() && fontsDiffer(*font_, *def)) const_cast<TColumnFooterGx*>(this)->RefreshDefaultFont();
    }
    return font_.get();
}

void TColumnFooterGx::SetFont(TFont* f) { font_->Assign(f); }

void TColumnFooterGx::RefreshDefaultFont() {
    if (has(cvFooterFont)) return;
    TFont* def = DefaultFont();
    if (!def || def == font_.get()) return;
    // Following the default is no assignment of the footer's own.
    const TNotifyEvent handler = font_->OnChange;
    font_->OnChange = TNotifyEvent();
    try {
        font_->Assign(def);
    } catch (...) {
        font_->OnChange = handler;
        throw;
    }
    font_->OnChange = handler;
}

void TColumnFooterGx::RestoreDefaults() {
    const bool fontWasSet = has(cvFooterFont);
    assigned_ = 0;
    RefreshDefaultFont();
    changed(fontWasSet);
}

bool TColumnFooterGx::IsAlignmentStored() const { return has(cvFooterAlignment) && alignment_ != DefaultAlignment(); }
bool TColumnFooterGx::IsColorStored() const { return has(cvFooterColor) && color_ != DefaultColor(); }

void TColumnFooterGx::SetDisplayFormat(const AnsiString& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    changed(false);
}

void TColumnFooterGx::SetEndEllipsis(bool b) {
    if (b == endEllipsis_) return;
    endEllipsis_ = b;
    changed(false);
}

void TColumnFooterGx::SetValue(const AnsiString& v) {
    if (v == value_) return;
    value_ = v;
    changed(false);
}

void TColumnFooterGx::SetWordWrap(bool b) {
    if (b == wordWrap_) return;
    wordWrap_ = b;
    changed(false);
}

void TColumnFooterGx::SetFieldName(const AnsiString& name) {
    if (name == fieldName_) return;
    fieldName_ = name;
    if (column_) column_->EnsureSumValue();
    changed(false);
}

void TColumnFooterGx::SetValueType(TFooterValueType t) {
    if (t == valueType_) return;
    valueType_ = t;
    if (column_) column_->EnsureSumValue();
    changed(false);
}

void TColumnFooterGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnFooterGx*>(source);
    if (!src) {
        TCollectionItem::Assign(source);
        return;
    }
    if (src->has(cvFooterAlignment)) SetAlignment(src->Alignment());
    if (src->has(cvFooterColor)) SetColor(src->Color());
    if (src->has(cvFooterFont)) SetFont(src->Font());
    SetEndEllipsis(src->EndEllipsis());
    SetValueType(src->ValueType());
    SetFieldName(src->FieldName());
    SetValue(src->Value());
    SetWordWrap(src->WordWrap());
    SetDisplayFormat(src->DisplayFormat());
    SetToolTips(src->ToolTips());
}

void TColumnFooterGx::EnsureSumValue() {
    TCustomDBGridGx* g = column_ ? column_->Grid() : nullptr;
    if (!g) return;
    const AnsiString name = fieldName_.IsEmpty() ? column_->FieldName() : fieldName_;
    auto setUp = [&](TDBSum* sum) {
        switch (valueType_) {
            case fvtSum:
                sum->SetGroupOperation(goSum);
                sum->SetFieldName(name);
                break;
            case fvtAvg:
                sum->SetGroupOperation(goAvg);
                sum->SetFieldName(name);
                break;
            case fvtCount:
                sum->SetGroupOperation(goCount);
                sum->SetFieldName(AnsiString());
                break;
            default: break;
        }
    };
    const bool needs = valueType_ == fvtSum || valueType_ == fvtAvg || valueType_ == fvtCount;
    if (TDBSum* sum = SumValue()) {
        if (needs) {
            setUp(sum);
        } else {
            sumId_ = -1;
            delete sum;
        }
    } else if (needs) {
        TDBSumCollection* sums = g->SumList()->SumCollection();
        sums->BeginUpdate();
        try {
            TDBSum* added = sums->Add();
            sumId_ = added->ID();
            setUp(added);
        } catch (...) {
            sums->EndUpdate();
            throw;
        }
        sums->EndUpdate();
    }
}

TDBSum* TColumnFooterGx::SumValue() const {
    TCustomDBGridGx* g = sumId_ >= 0 && column_ ? column_->Grid() : nullptr;
    if (!g) return nullptr;
    return static_cast<TDBSum*>(g->SumList()->SumCollection()->FindItemID(sumId_));
}

Variant TColumnFooterGx::GetSumValue() const {
    TDBSum* sum = SumValue();
    if (!sum) return Null();
    return Variant(sum->SumTotal);
}

// ==== TColumnFootersGx ==================================================================================

TColumnFootersGx::TColumnFootersGx(TColumnGx* column)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TColumnFooterGx(c); }), column_(column) {}

TPersistent* TColumnFootersGx::GetOwner() { return column_; }

// ==== The column's footers ==============================================================================

TColumnFooterGx* TColumnGx::Footer() const {
    if (!footer_) footer_ = std::make_unique<TColumnFooterGx>(const_cast<TColumnGx*>(this));
    return footer_.get();
}

TColumnFootersGx* TColumnGx::Footers() const {
    if (!footers_) footers_ = std::make_unique<TColumnFootersGx>(const_cast<TColumnGx*>(this));
    return footers_.get();
}

void TColumnGx::SetFooter(TColumnFooterGx* f) { Footer()->Assign(f); }

void TColumnGx::SetFooters(TColumnFootersGx* f) { Footers()->Assign(f); }

TColumnFooterGx* TColumnGx::UsedFooter(int row) const {
    if (footers_ && row >= 0 && row < footers_->Count()) return footers_->Items(row);
    return Footer();
}

void TColumnGx::EnsureSumValue() {
    Footer()->EnsureSumValue();
    if (footers_)
        for (int i = 0; i < footers_->Count(); ++i) footers_->Items(i)->EnsureSumValue();
}

// ==== TDBGridGxSumList ==================================================================================

TDBGridGxSumList::TDBGridGxSumList(TCustomDBGridGx* grid) : TDBSumListProducer(grid) {
    designTimeWork_ = true;
    SetActive(false);
    SumListChanged = TNotifyEvent(grid, &TCustomDBGridGx::SumListChanged);
    OnRecalcAll = TNotifyEvent(grid, &TCustomDBGridGx::SumListRecalcAll);
    OnAfterRecalcAll = TNotifyEvent(grid, &TCustomDBGridGx::SumListAfterRecalcAll);
}

void TDBGridGxSumList::SetDataSetEvents() {
    if (Owner() && (Owner()->ComponentState() & csDesigning)) {
        eventsHooked_ = true;
        return;
    }
    TDBSumListProducer::SetDataSetEvents();
}

void TDBGridGxSumList::ReturnEvents() {
    if (Owner() && (Owner()->ComponentState() & csDesigning)) {
        eventsHooked_ = false;
        return;
    }
    TDBSumListProducer::ReturnEvents();
}

// ==== The grid ==========================================================================================

void TCustomDBGridGx::sumListLinkActive() { sumList_->SetDataSet(dataLink_->DataSet()); }

void TCustomDBGridGx::InvalidateFooter() {
    for (int r = RowCount() - 1; r >= 0 && r >= RowCount() - footerRowCount_; --r) InvalidateRow(r);
}

void TCustomDBGridGx::SetSumList(TDBGridGxSumList* list) {
    sumList_->Assign(list);
    // The other list's routes to its own grid become routes to this one.
    auto* other = list ? dynamic_cast<TCustomDBGridGx*>(list->Owner()) : nullptr;
    if (other && other != this) {
        using Route = void (TCustomDBGridGx::*)(TObject*);
        auto reroute = [&](TNotifyEvent& event, Route route) {
            if (event == TNotifyEvent(other, route)) event = TNotifyEvent(this, route);
        };
        reroute(sumList_->SumListChanged, &TCustomDBGridGx::SumListChanged);
        reroute(sumList_->OnRecalcAll, &TCustomDBGridGx::SumListRecalcAll);
        reroute(sumList_->OnAfterRecalcAll, &TCustomDBGridGx::SumListAfterRecalcAll);
    }
    // The assignment replaced the aggregates the footers had registered.
    for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->EnsureSumValue();
}

void TCustomDBGridGx::SumListChanged(TObject*) { InvalidateFooter(); }

void TCustomDBGridGx::SumListRecalcAll(TObject*) { OnSumListRecalcAll(sumList_.get()); }

void TCustomDBGridGx::SumListAfterRecalcAll(TObject*) { OnSumListAfterRecalcAll(sumList_.get()); }

AnsiString TCustomDBGridGx::GetFooterValue(int row, TColumnGx* column) {
    TColumnFooterGx* footer = column->UsedFooter(row);
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    switch (footer->ValueType()) {
        case fvtSum:
        case fvtAvg: {
            const AnsiString name = footer->FieldName().IsEmpty() ? column->FieldName() : footer->FieldName();
            TField* field = ds ? ds->FindField(name) : nullptr;
            if (!field) return "0";
            const TGroupOperation op = footer->ValueType() == fvtSum ? goSum : goAvg;
            TDBSum* sum = sumList_->SumCollection()->GetSumByOpAndFName(op, name);
            if (!sum) return "0";
            const Currency value = sum->SumTotal;
            const double v = value.ToDouble();
            const AnsiString own = footer->DisplayFormat();
            const AnsiString fieldFormat = fieldDisplayFormat(field);
            const TFieldType t = field->DataType();
            const bool currency = fieldIsCurrency(field);
            if (isIntegerType(t)) {
                if (!own.IsEmpty()) return FormatFloat(own, v);
                if (!fieldFormat.IsEmpty()) return FormatFloat(fieldFormat, v);
                return IntToStr(value.RoundToInt64());
            }
            if (t == ftFloat || t == ftCurrency) {
                if (!own.IsEmpty()) return FormatFloat(own, v);
                if (!fieldFormat.IsEmpty()) return FormatFloat(fieldFormat, v);
                return FloatToStrF(v, currency ? ffCurrency : ffGeneral, fieldPrecision(field),
                                   currency ? FormatSettings().CurrencyDecimals : 0);
            }
            if (t == ftBCD || t == ftFMTBcd) {
                if (!own.IsEmpty()) return FormatFloat(own, v);
                if (!fieldFormat.IsEmpty()) return FormatCurr(fieldFormat, value);
                return CurrToStrF(value, currency ? ffCurrency : ffGeneral,
                                  currency ? FormatSettings().CurrencyDecimals : 0);
            }
            return "0";
        }
        case fvtCount: {
            TDBSum* sum = sumList_->SumCollection()->GetSumByOpAndFName(goCount, AnsiString());
            if (!sum) return AnsiString();
            const double n = static_cast<double>(sum->SumTotal.Raw()) / 10000.0;
            return footer->DisplayFormat().IsEmpty() ? FloatToStr(n) : FormatFloat(footer->DisplayFormat(), n);
        }
        case fvtFieldValue: {
            if (!ds || !ds->Active() || footer->FieldName().IsEmpty()) return AnsiString();
            // A footer naming a field the dataset lacks shows nothing rather than failing every
            // repaint.
            TField* field = ds->FindField(footer->FieldName());
            if (!field) return AnsiString();
            const AnsiString fmt = footer->DisplayFormat();
            if (fmt.IsEmpty()) return field->DisplayText();
            if (field->IsNull()) return AnsiString();
            if (dynamic_cast<TNumericField*>(field)) return FormatFloat(fmt, field->AsFloat());
            if (dynamic_cast<TDateTimeField*>(field)) return FormatDateTime(fmt, field->AsDateTime());
            if (auto* agg = dynamic_cast<TAggregateField*>(field)) {
                switch (agg->ResultType()) {
                    case ftFloat:
                    case ftCurrency:
                    case ftBCD:
                    case ftFMTBcd: return FormatFloat(fmt, field->AsFloat());
                    case ftDate:
                    case ftTime:
                    case ftDateTime: return FormatDateTime(fmt, field->AsDateTime());
                    default: break;
                }
            }
            return AnsiString();
        }
        case fvtStaticText: return footer->Value();
        case fvtNon: break;
    }
    return AnsiString();
}

void TCustomDBGridGx::WriteFooterText(const TRect& rect, int dx, int dy, const AnsiString& text, TAlignment alignment,
                                      TTextLayout layout, bool wordWrap, bool endEllipsis, bool rightToLeft) {
    TCanvas* c = Canvas();
    c->FillRect(rect);
    TRect box(rect.Left + dx, rect.Top + dy, rect.Right - dx, rect.Bottom);
    unsigned fmt = DT_NOPREFIX;
    if (alignment == taRightJustify) fmt |= DT_RIGHT;
    else if (alignment == taCenter) fmt |= DT_CENTER;
    if (wordWrap) fmt |= DT_WORDBREAK;
    else fmt |= DT_SINGLELINE;
    if (endEllipsis) fmt |= DT_END_ELLIPSIS;
    if (rightToLeft) fmt |= DT_RTLREADING;
    if (!wordWrap && layout == tlCenter) fmt |= DT_VCENTER;
    else if (!wordWrap && layout == tlBottom) fmt |= DT_BOTTOM;
    DrawTextGx(c->Handle(), text, -1, box, fmt);
}

void TCustomDBGridGx::DefaultDrawFooterCell(const TRect& rect, int dataCol, int row, TColumnGx* column,
                                            TGridDrawState state) {
    TRect r = rect;
    int dx = 2;
    if (optionsGx_ & dghFooter3D) {
        r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
        dx = 1;
    }
    const int dy = flat_ ? dx - 1 : dx;
    AnsiString text = GetFooterValue(row, column);
    TColor background = Canvas()->Brush()->Color();
    TColumnFooterGx* footer = column->UsedFooter(row);
    TAlignment alignment = footer->Alignment();
    GetFooterParams(dataCol, row, column, Canvas()->Font(), background, alignment, state, text);
    Canvas()->Brush()->SetColor(background);
    WriteFooterText(r, dx, dy, text, alignment, column->Layout(), footer->WordWrap() && multiLineRows_,
                    footer->EndEllipsis(), column->UseRightToLeftReading());
}

namespace {
const bool footerPropertiesRegistered = [] {
    using F = TColumnFooterGx;
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    TPropInfo alignment = MakeProperty<F>("Alignment", EnumTypeInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}),
                                          &F::Alignment, &F::SetAlignment);
    alignment.Stored = [](TObject* o) { return static_cast<F*>(o)->IsAlignmentStored(); };
    TPropInfo color = MakeProperty<F>("Color", TypeInfoOf(tkInteger, "TColor"), &F::Color, &F::SetColor);
    color.Stored = [](TObject* o) { return static_cast<F*>(o)->IsColorStored(); };
    TPropInfo font = MakeProperty<F>("Font", ClassTypeInfo(TFont::StaticClass()), &F::Font, &F::SetFont);
    font.Stored = [](TObject* o) { return static_cast<F*>(o)->IsFontStored(); };
    TPropInfo toolTips = MakeProperty<F>("ToolTips", boolean, &F::ToolTips, &F::SetToolTips);
    toolTips.Stored = [](TObject* o) { return static_cast<F*>(o)->IsToolTipsStored(); };
    RegisterPublishedProperties(
        TColumnFooterGx::StaticClass(),
        {alignment, color, MakeProperty<F>("DisplayFormat", text, &F::DisplayFormat, &F::SetDisplayFormat),
         MakeProperty<F>("EndEllipsis", boolean, &F::EndEllipsis, &F::SetEndEllipsis, 0),
         MakeProperty<F>("FieldName", text, &F::FieldName, &F::SetFieldName), font, toolTips,
         MakeProperty<F>("Value", text, &F::Value, &F::SetValue),
         MakeProperty<F>("ValueType",
                         EnumTypeInfo("TFooterValueType",
                                      {"fvtNon", "fvtSum", "fvtAvg", "fvtCount", "fvtFieldValue", "fvtStaticText"}),
                         &F::ValueType, &F::SetValueType, fvtNon),
         MakeProperty<F>("WordWrap", boolean, &F::WordWrap, &F::SetWordWrap, 0)});
    using S = TDBGridGxSumList;
    RegisterPublishedProperties(
        S::StaticClass(),
        {MakeProperty<S>("Active", boolean, &S::Active, &S::SetActive, 0),
         MakeProperty<S>("ExternalRecalc", boolean, &S::ExternalRecalc, &S::SetExternalRecalc, 0),
         MakeProperty<S>("VirtualRecords", boolean, &S::VirtualRecords, &S::SetVirtualRecords, 0)});
    // The column's footers stream with it.
    using C = TDBGridColumnGx;
    RegisterPublishedProperties(
        TDBGridColumnGx::StaticClass(),
        {MakeProperty<C>("Footer", ClassTypeInfo(TColumnFooterGx::StaticClass()), &C::Footer, &C::SetFooter),
         MakeProperty<C>("Footers", ClassTypeInfo(TColumnFootersGx::StaticClass()), &C::Footers, &C::SetFooters)});
    return true;
}();
}  // namespace
