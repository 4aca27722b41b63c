// Columns and their titles: values that follow a default until set, pass-through columns that write
// into their field, display texts, check boxes, value stepping and sort marking.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <typeinfo>

namespace {

// The font of a column or title that has no grid to follow.
TFont* lonelyDefaultFont() {
    static TFont font;
    return &font;
}

bool fontsDiffer(const TFont& a, const TFont& b, bool colours) {
    if (!(a.Handle() == b.Handle())) return true;
    return colours && a.Color() != b.Color();
}

bool isTextType(TFieldType t) { return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftWideString; }

bool isSteppedNumber(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency || t == ftBCD ||
           t == ftFMTBcd;
}

// The values of one key-list item: separated by ";" the way field-name lists are, each trimmed.
std::vector<AnsiString> keyItemValues(const AnsiString& item) {
    std::vector<AnsiString> out;
    const std::string& s = item.str();
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(';', start);
        if (end == std::string::npos) end = s.size();
        out.push_back(Trim(AnsiString(s.substr(start, end - start))));
        start = end + 1;
    }
    return out;
}

bool keyItemMatches(const AnsiString& item, const AnsiString& text) {
    for (const AnsiString& v : keyItemValues(item))
        if (AnsiCompareText(v, text) == 0) return true;
    return false;
}

AnsiString firstKeyValue(const AnsiString& item) {
    const std::string& s = item.str();
    return AnsiString(s.substr(0, s.find(';')));
}

// Measures with the grid's canvas in the given font and restores the canvas font.
class CanvasFontScope {
public:
    CanvasFontScope(TCanvas* canvas, TFont* font) : canvas_(canvas) {
        saved_.Assign(canvas_->Font());
        canvas_->Font()->Assign(font);
    }
    ~CanvasFontScope() { canvas_->Font()->Assign(&saved_); }

private:
    TCanvas* canvas_;
    TFont saved_;
};

}  // namespace

// ==== TColumnTitleGx ====================================================================================

TColumnTitleGx::TColumnTitleGx(TColumnGx* column) : column_(column), font_(std::make_unique<TFont>()) {
    followingFont_ = true;
    font_->Assign(DefaultFont());
    followingFont_ = false;
    font_->OnChange = TNotifyEvent(this, &TColumnTitleGx::fontChanged);
}

TColumnTitleGx::~TColumnTitleGx() { font_->OnChange = TNotifyEvent(); }

TPersistent* TColumnTitleGx::GetOwner() { return column_; }

bool TColumnTitleGx::has(TColumnGxValue v) const { return column_->IsAssigned(v); }
void TColumnTitleGx::add(TColumnGxValue v) { column_->add(v); }
void TColumnTitleGx::changed(bool allItems) { column_->Changed(allItems); }

void TColumnTitleGx::fontChanged(TObject*) {
    if (followingFont_) return;
    add(cvTitleFont);
    changed(true);
}

TAlignment TColumnTitleGx::DefaultAlignment() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->Alignment() : taLeftJustify;
}
TColor TColumnTitleGx::DefaultColor() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->Color() : clBtnFace;
}
TFont* TColumnTitleGx::DefaultFont() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->TitleFont() : column_->Font();
}
AnsiString TColumnTitleGx::DefaultCaption() const {
    TField* f = column_->Field();
    return f ? f->DisplayName() : column_->FieldName();
}
bool TColumnTitleGx::DefaultTitleButton() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->TitleButton() : false;
}
bool TColumnTitleGx::DefaultEndEllipsis() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->EndEllipsis() : false;
}
bool TColumnTitleGx::DefaultToolTips() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->ToolTips() : false;
}
TTextOrientationGx TColumnTitleGx::DefaultOrientation() const {
    TCustomDBGridGx* g = column_->Grid();
    return g ? g->ColumnDefValues()->Title()->Orientation() : tohHorizontal;
}

TAlignment TColumnTitleGx::Alignment() const { return has(cvTitleAlignment) ? alignment_ : DefaultAlignment(); }
void TColumnTitleGx::SetAlignment(TAlignment a) {
    if (has(cvTitleAlignment) && a == alignment_) return;
    alignment_ = a;
    add(cvTitleAlignment);
    changed(false);
}

AnsiString TColumnTitleGx::Caption() const { return has(cvTitleCaption) ? caption_ : DefaultCaption(); }
void TColumnTitleGx::SetCaption(const AnsiString& s) {
    TCustomDBGridGx* g = column_->Grid();
    if (column_->SeenPassthrough()) {
        // A column the grid made from a field shows the field's label.
        if (g && g->DataLink()->Active() && column_->Field()) column_->Field()->SetDisplayLabel(s);
        return;
    }
    if (has(cvTitleCaption) && s == caption_) return;
    caption_ = s;
    add(cvTitleCaption);
    changed(false);
}

TColor TColumnTitleGx::Color() const { return has(cvTitleColor) ? color_ : DefaultColor(); }
void TColumnTitleGx::SetColor(TColor c) {
    if (has(cvTitleColor) && c == color_) return;
    color_ = c;
    add(cvTitleColor);
    changed(false);
}

bool TColumnTitleGx::EndEllipsis() const { return has(cvTitleEndEllipsis) ? endEllipsis_ : DefaultEndEllipsis(); }
void TColumnTitleGx::SetEndEllipsis(bool b) {
    if (has(cvTitleEndEllipsis) && b == endEllipsis_) return;
    endEllipsis_ = b;
    add(cvTitleEndEllipsis);
    changed(false);
}

TFont* TColumnTitleGx::Font() const {
    if (!has(cvTitleFont)) {
        TFont* def = DefaultFont();
        if (def && fontsDiffer(*font_, *def, true)) const_cast<TColumnTitleGx*>(this)->RefreshDefaultFont();
    }
    return font_.get();
}
void TColumnTitleGx::SetFont(TFont* f) { font_->Assign(f); }

void TColumnTitleGx::RefreshDefaultFont() {
    if (has(cvTitleFont)) return;
    TFont* def = DefaultFont();
    if (!def || def == font_.get()) return;
    followingFont_ = true;
    try {
        font_->Assign(def);
    } catch (...) {
        followingFont_ = false;
        throw;
    }
    followingFont_ = false;
}

void TColumnTitleGx::SetImageIndex(int i) {
    imageIndex_ = i;
    if (TCustomDBGridGx* g = column_->Grid()) g->LayoutChanged();
}

TTextOrientationGx TColumnTitleGx::Orientation() const {
    return has(cvTitleOrientation) ? orientation_ : DefaultOrientation();
}
void TColumnTitleGx::SetOrientation(TTextOrientationGx o) {
    if (has(cvTitleOrientation) && o == orientation_) return;
    orientation_ = o;
    add(cvTitleOrientation);
    changed(false);
}

bool TColumnTitleGx::TitleButton() const { return has(cvTitleButton) ? titleButton_ : DefaultTitleButton(); }
void TColumnTitleGx::SetTitleButton(bool b) {
    if (has(cvTitleButton) && b == titleButton_) return;
    titleButton_ = b;
    add(cvTitleButton);
    changed(false);
}

bool TColumnTitleGx::ToolTips() const { return has(cvTitleToolTips) ? toolTips_ : DefaultToolTips(); }
void TColumnTitleGx::SetToolTips(bool b) {
    if (has(cvTitleToolTips) && b == toolTips_) return;
    toolTips_ = b;
    add(cvTitleToolTips);
}

bool TColumnTitleGx::IsAlignmentStored() const { return has(cvTitleAlignment) && alignment_ != DefaultAlignment(); }
bool TColumnTitleGx::IsCaptionStored() const { return has(cvTitleCaption) && caption_ != DefaultCaption(); }
bool TColumnTitleGx::IsColorStored() const { return has(cvTitleColor) && color_ != DefaultColor(); }
bool TColumnTitleGx::IsEndEllipsisStored() const {
    return has(cvTitleEndEllipsis) && endEllipsis_ != DefaultEndEllipsis();
}
bool TColumnTitleGx::IsFontStored() const { return has(cvTitleFont); }
bool TColumnTitleGx::IsOrientationStored() const {
    return has(cvTitleOrientation) && orientation_ != DefaultOrientation();
}
bool TColumnTitleGx::IsTitleButtonStored() const {
    return has(cvTitleButton) && titleButton_ != DefaultTitleButton();
}
bool TColumnTitleGx::IsToolTipsStored() const { return has(cvTitleToolTips) && toolTips_ != DefaultToolTips(); }

void TColumnTitleGx::RestoreDefaults() {
    const bool fontWasSet = has(cvTitleFont);
    for (int v = cvTitleColor; v <= cvTitleOrientation; ++v)
        column_->assigned_ &= ~ColumnValueBit(static_cast<TColumnGxValue>(v));
    caption_ = AnsiString();
    RefreshDefaultFont();
    changed(fontWasSet);
}

void TColumnTitleGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnTitleGx*>(source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    if (src->has(cvTitleAlignment)) SetAlignment(src->Alignment());
    if (src->has(cvTitleColor)) SetColor(src->Color());
    if (src->has(cvTitleCaption)) SetCaption(src->Caption());
    if (src->has(cvTitleFont)) SetFont(src->Font());
    SetHint(src->Hint());
    SetImageIndex(src->ImageIndex());
    SetOrientation(src->Orientation());
    SetSortIndex(src->SortIndex());
    SetSortMarker(src->SortMarker());
    SetTitleButton(src->TitleButton());
    SetEndEllipsis(src->EndEllipsis());
    SetToolTips(src->ToolTips());
}

void TColumnTitleGx::SetSortMarker(TSortMarkerGx m) {
    if (m == sortMarker_) return;
    sortMarker_ = m;
    TCollection* coll = column_->Collection();
    if (coll && coll->UpdateCount() > 0) return;
    TCustomDBGridGx* g = column_->Grid();
    if (g) {
        TColumnsGxList* marked = g->SortMarkedColumns();
        TDBGridColumnsGx* cols = g->Columns();
        if (g->OptionsGx() & dghMultiSortMarking) {
            if (m != smNoneGx && sortIndex_ == 0) {
                int n = 0;
                for (int i = 0; i < cols->Count(); ++i)
                    if (cols->Items(i)->Title()->SortIndex() != 0) ++n;
                sortIndex_ = n + 1;
                marked->Add(column_);
            } else if (m == smNoneGx && sortIndex_ != 0) {
                for (int i = 0; i < cols->Count(); ++i) {
                    TColumnTitleGx* t = cols->Items(i)->Title();
                    if (t->sortIndex_ > sortIndex_) --t->sortIndex_;
                }
                marked->Remove(column_);
                sortIndex_ = 0;
            }
        } else if (m != smNoneGx) {
            for (int i = 0; i < cols->Count(); ++i) {
                TColumnTitleGx* t = cols->Items(i)->Title();
                if (t == this) continue;
                t->sortMarker_ = smNoneGx;
                t->sortIndex_ = 0;
            }
            sortIndex_ = 1;
            marked->Clear();
            marked->Add(column_);
        } else {
            sortIndex_ = 0;
            marked->Clear();
        }
    }
    changed(false);
}

void TColumnTitleGx::SetSortIndex(int i) {
    if (i < 0) i = 0;
    if (i == sortIndex_) return;
    TCollection* coll = column_->Collection();
    if (coll && coll->UpdateCount() > 0) {
        sortIndex_ = i;
        return;
    }
    TCustomDBGridGx* g = column_->Grid();
    if (sortMarker_ == smNoneGx || !g) return;
    TDBGridColumnsGx* cols = g->Columns();
    for (int k = 0; k < cols->Count(); ++k) {
        TColumnGx* other = cols->Items(k);
        if (other == column_ || other->Title()->sortIndex_ != i) continue;
        other->Title()->sortIndex_ = sortIndex_;
        sortIndex_ = i;
        TColumnsGxList* marked = g->SortMarkedColumns();
        const int a = marked->IndexOf(column_), b = marked->IndexOf(other);
        if (a >= 0 && b >= 0) marked->Exchange(a, b);
        changed(false);
        return;
    }
}

void TColumnTitleGx::SetNextSortMarkerValue(bool keepMulti) {
    if (!keepMulti) {
        if (TCustomDBGridGx* g = column_->Grid()) {
            TDBGridColumnsGx* cols = g->Columns();
            for (int i = 0; i < cols->Count(); ++i)
                if (cols->Items(i) != column_) cols->Items(i)->Title()->SetSortMarker(smNoneGx);
        }
    }
    switch (sortMarker_) {
        case smNoneGx: SetSortMarker(smDownGx); break;
        case smDownGx: SetSortMarker(smUpGx); break;
        case smUpGx: SetSortMarker(keepMulti ? smNoneGx : smDownGx); break;
    }
}

int TColumnTitleGx::GetSortMarkingWidth() const {
    if (sortIndex_ == 0) return 0;
    int w = 16, digits = 0;
    TCustomDBGridGx* g = column_->Grid();
    if (g && g->SortMarkedColumns()->Count() > 1) {
        DBGridGxStartup();
        CanvasFontScope scope(g->Canvas(), SortMarkerFont);
        digits = g->Canvas()->TextWidth(IntToStr(sortIndex_));
        DBGridGxShutdown();
        w += digits;
    }
    const int room = column_->Width() - 4;
    if (w > room) {
        w -= 14;
        if (w > room) w -= digits + 2;
    }
    return w;
}

// ==== TColumnGx ========================================================================================

TColumnGx::TColumnGx(TCollection* collection) : TCollectionItem(collection) {
    TCustomDBGridGx* g = Grid();
    if (g) g->BeginLayout();
    try {
        dropDownRows_ = 7;
        buttonStyle_ = cbsAuto;
        font_ = std::make_unique<TFont>();
        font_->Assign(DefaultFont());
        font_->OnChange = TNotifyEvent(this, &TColumnGx::fontChanged);
        imeMode_ = imDontCare;
        title_.reset(CreateTitle());
        autoFitColWidth_ = true;
        fitBaseWidth_ = Width();
        visible_ = true;
        notInKeyListIndex_ = -1;
        increment_ = 1.0;
        storedFlag_ = true;
        editButtons_.reset(CreateEditButtons());
        editButtons_->OnChangeNotify = TClosure<void(TCollectionItem*)>([this](TCollectionItem*) { Changed(false); });
        specRow_ = std::make_unique<TSpecRowGx>(this);
        specRow_->OnChangeNotify = TNotifyEvent(this, &TColumnGx::SpecRowChanged);
        dropDownBox_ = std::make_unique<TColumnDropDownBoxGx>(this);
        mruList_ = std::make_unique<TMRUListGx>(this);
        imageChangeLink_ = std::make_unique<TChangeLink>();
        imageChangeLink_->OnChange = TNotifyEvent([this](TObject*) { repaintGrid(); });
        showImageAndText_ = false;
    } catch (...) {
        if (g) g->CancelLayout();
        throw;
    }
    if (g) g->EndLayout();
}

TColumnGx::~TColumnGx() {
    if (TCustomDBGridGx* g = Grid()) {
        g->SortMarkedColumns()->Remove(this);
        g->VisibleColumns()->Remove(this);
        for (TLeafCol& leaf : g->LeafFieldArr())
            if (leaf.FColumn == this) leaf.FColumn = nullptr;
    }
    if (imageList_) imageList_->UnRegisterChanges(imageChangeLink_.get());
    if (font_) font_->OnChange = TNotifyEvent();
}

TColumnTitleGx* TColumnGx::CreateTitle() { return new TColumnTitleGx(this); }

TEditButtonsGx* TColumnGx::CreateEditButtons() {
    return new TEditButtonsGx(this, CollectionItemClassOf<TVisibleEditButtonGx>());
}

TCustomDBGridGx* TColumnGx::Grid() const {
    // Asked for on every cell painted, exported or imported: the exact class is checked first,
    // which costs far less than a cast searching the hierarchy.
    TCollection* c = Collection();
    if (!c) return nullptr;
    if (typeid(*c) == typeid(TDBGridColumnsGx)) return static_cast<TDBGridColumnsGx*>(c)->Grid();
    auto* cols = dynamic_cast<TDBGridColumnsGx*>(c);
    return cols ? cols->Grid() : nullptr;
}

AnsiString TColumnGx::GetDisplayName() const {
    return fieldName_.IsEmpty() ? TCollectionItem::GetDisplayName() : fieldName_;
}

void TColumnGx::repaintGrid() {
    if (TCustomDBGridGx* g = Grid()) g->Invalidate();
}

void TColumnGx::fontChanged(TObject*) {
    add(cvFont);
    title_->RefreshDefaultFont();
    Changed(false);
}

void TColumnGx::SpecRowChanged(TObject*) {
    Changed(false);
    // The drop-down lookup grid, once the lookup unit makes one, takes the row as well.
}

// ---- Field -----------------------------------------------------------------------------------------

TField* TColumnGx::Field() {
    TCustomDBGridGx* g = Grid();
    if (!field_ && !fieldName_.IsEmpty() && g) {
        TDataSet* ds = g->DataLink()->DataSet();
        if (ds && (ds->Active() || !ds->DefaultFields())) {
            TField* f = ds->FindField(fieldName_);
            if (f != field_) {
                field_ = f;
                if (f) fieldName_ = f->FieldName();
            }
        }
    }
    return field_;
}

void TColumnGx::SetFieldName(const AnsiString& name) {
    TField* f = nullptr;
    TCustomDBGridGx* g = Grid();
    if (g && g->DataLink()->DataSet() && !g->Loading() && !name.IsEmpty()) f = g->DataLink()->DataSet()->FindField(name);
    fieldName_ = name;
    SetField(f);
    fitBaseWidth_ = Width();
    if (footer_ || footers_) EnsureSumValue();
    Changed(false);
}

void TColumnGx::SetField(TField* field) {
    if (field == field_) return;
    field_ = field;
    if (field) fieldName_ = field->FieldName();
    if (SeenPassthrough()) {
        if (!field) fieldName_ = AnsiString();
        RestoreDefaults();
        fitBaseWidth_ = Width();
    }
    Changed(false);
}

void TColumnGx::SetIndex(int index) {
    TCustomDBGridGx* g = Grid();
    if (SeenPassthrough() && g && g->DataLink()->Active() && Field() && Collection() && index >= 0 &&
        index < Collection()->Count()) {
        // The grid shows the fields in their order: the field moves, and the next layout follows.
        if (TField* target = static_cast<TColumnGx*>(Collection()->Items(index))->Field()) {
            Field()->SetIndex(target->Index());
            return;
        }
    }
    TCollectionItem::SetIndex(index);
}

TField* TColumnGx::keyField() const {
    TField* f = field_;
    if (!f || f->FieldKind() != fkLookup || !f->DataSet()) return f;
    std::vector<TField*> keys;
    f->DataSet()->GetFieldList(keys, f->KeyFields());
    return keys.empty() ? nullptr : keys.front();
}

// ---- Defaults --------------------------------------------------------------------------------------

TAlignment TColumnGx::DefaultAlignment() const {
    return field_ || const_cast<TColumnGx*>(this)->Field() ? field_->Alignment() : taLeftJustify;
}
TColor TColumnGx::DefaultColor() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->Color() : clWindow;
}
TFont* TColumnGx::DefaultFont() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->Font() : lonelyDefaultFont();
}
TImeMode TColumnGx::DefaultImeMode() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ImeMode() : imeMode_;
}
TImeName TColumnGx::DefaultImeName() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ImeName() : imeName_;
}
bool TColumnGx::DefaultReadOnly() const {
    TCustomDBGridGx* g = Grid();
    TField* f = const_cast<TColumnGx*>(this)->Field();
    return (g && g->ReadOnly()) || (f && f->ReadOnly());
}
int TColumnGx::DefaultWidth() const {
    TCustomDBGridGx* g = Grid();
    if (!g) return 64;
    TField* f = const_cast<TColumnGx*>(this)->Field();
    if (!f) return g->DefaultColWidth();
    CanvasFontScope scope(g->Canvas(), Font());
    TTextMetric tm;
    GetTextMetrics(g->Canvas()->Handle(), tm);
    return (g->Canvas()->TextWidth("0") - tm.tmOverhang) * f->DisplayWidth() + tm.tmOverhang + 4;
}
bool TColumnGx::DefaultWordWrap() const {
    TField* f = Grid() ? const_cast<TColumnGx*>(this)->Field() : nullptr;
    return f && isTextType(f->DataType());
}
AnsiString TColumnGx::DefaultLookupDisplayFields() const {
    TField* f = const_cast<TColumnGx*>(this)->Field();
    return f ? f->LookupResultField() : AnsiString();
}
bool TColumnGx::DefaultCheckboxes() const {
    TField* f = const_cast<TColumnGx*>(this)->Field();
    return f && f->DataType() == ftBoolean;
}
bool TColumnGx::DefaultAlwaysShowEditButton() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->AlwaysShowEditButton() : false;
}
bool TColumnGx::DefaultEndEllipsis() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->EndEllipsis() : false;
}
bool TColumnGx::DefaultAutoDropDown() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->AutoDropDown() : false;
}
bool TColumnGx::DefaultDblClickNextVal() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->DblClickNextVal() : false;
}
bool TColumnGx::DefaultToolTips() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->ToolTips() : false;
}
bool TColumnGx::DefaultDropDownSizing() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->DropDownSizing() : false;
}
bool TColumnGx::DefaultDropDownShowTitles() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->DropDownShowTitles() : false;
}
TTextLayout TColumnGx::DefaultLayout() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->Layout() : tlTop;
}
bool TColumnGx::DefaultHighlightRequired() const {
    TCustomDBGridGx* g = Grid();
    return g ? g->ColumnDefValues()->HighlightRequired() : false;
}

// ---- Properties ------------------------------------------------------------------------------------

TAlignment TColumnGx::Alignment() const { return has(cvAlignment) ? alignment_ : DefaultAlignment(); }
void TColumnGx::SetAlignment(TAlignment a) {
    if (SeenPassthrough()) {
        TCustomDBGridGx* g = Grid();
        if (g && g->DataLink()->Active() && Field()) Field()->SetAlignment(a);
        return;
    }
    if (has(cvAlignment) && a == alignment_) return;
    alignment_ = a;
    add(cvAlignment);
    Changed(false);
}

bool TColumnGx::AlwaysShowEditButton() const {
    return has(cvAlwaysShowEditButton) ? alwaysShowEditButton_ : DefaultAlwaysShowEditButton();
}
void TColumnGx::SetAlwaysShowEditButton(bool b) {
    if (has(cvAlwaysShowEditButton) && b == alwaysShowEditButton_) return;
    alwaysShowEditButton_ = b;
    add(cvAlwaysShowEditButton);
    Changed(false);
}

bool TColumnGx::AutoDropDown() const { return has(cvAutoDropDown) ? autoDropDown_ : DefaultAutoDropDown(); }
void TColumnGx::SetAutoDropDown(bool b) {
    if (!has(cvAutoDropDown) || b != autoDropDown_) {
        autoDropDown_ = b;
        add(cvAutoDropDown);
    }
}

void TColumnGx::SetAutoFitColWidth(bool b) {
    if (b == autoFitColWidth_) return;
    autoFitColWidth_ = b;
    TCustomDBGridGx* g = Grid();
    if (g && g->AutoFitColWidths() && !g->Loading() && !g->Designing()) SetWidth(fitBaseWidth_);
    Changed(false);
}

TBiDiMode TColumnGx::BiDiMode() const {
    if (has(cvBiDiMode)) return biDiMode_;
    TCustomDBGridGx* g = Grid();
    return g ? g->BiDiMode() : biDiMode_;
}
void TColumnGx::SetBiDiMode(TBiDiMode m) {
    if (has(cvBiDiMode) && m == biDiMode_) return;
    biDiMode_ = m;
    add(cvBiDiMode);
    Changed(false);
}

void TColumnGx::SetButtonStyle(TColumnButtonStyleGx s) {
    if (s == buttonStyle_) return;
    buttonStyle_ = s;
    Changed(false);
}

bool TColumnGx::Checkboxes() const { return has(cvCheckboxes) ? checkboxes_ : DefaultCheckboxes(); }
void TColumnGx::SetCheckboxes(bool b) {
    if (has(cvCheckboxes) && b == checkboxes_) return;
    checkboxes_ = b;
    add(cvCheckboxes);
    Changed(false);
}

TColor TColumnGx::Color() const { return has(cvColor) ? color_ : DefaultColor(); }
void TColumnGx::SetColor(TColor c) {
    if (has(cvColor) && c == color_) return;
    color_ = c;
    add(cvColor);
    Changed(false);
}

bool TColumnGx::DblClickNextVal() const {
    return has(cvDblClickNextVal) ? dblClickNextVal_ : DefaultDblClickNextVal();
}
void TColumnGx::SetDblClickNextVal(bool b) {
    if (!has(cvDblClickNextVal) || b != dblClickNextVal_) {
        dblClickNextVal_ = b;
        add(cvDblClickNextVal);
    }
}

void TColumnGx::SetDisplayFormat(const AnsiString& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    Changed(false);
}

bool TColumnGx::DropDownShowTitles() const {
    return has(cvDropDownShowTitles) ? dropDownShowTitles_ : DefaultDropDownShowTitles();
}
void TColumnGx::SetDropDownShowTitles(bool b) {
    if (!has(cvDropDownShowTitles) || b != dropDownShowTitles_) {
        dropDownShowTitles_ = b;
        add(cvDropDownShowTitles);
    }
}

bool TColumnGx::DropDownSizing() const { return has(cvDropDownSizing) ? dropDownSizing_ : DefaultDropDownSizing(); }
void TColumnGx::SetDropDownSizing(bool b) {
    if (!has(cvDropDownSizing) || b != dropDownSizing_) {
        dropDownSizing_ = b;
        add(cvDropDownSizing);
    }
}

void TColumnGx::SetDropDownWidth(int w) {
    if (w == dropDownWidth_) return;
    dropDownWidth_ = w;
    Changed(false);
}

void TColumnGx::SetEditMask(const AnsiString& m) {
    if (m == editMask_) return;
    editMask_ = m;
    Changed(false);
}

bool TColumnGx::EndEllipsis() const { return has(cvEndEllipsis) ? endEllipsis_ : DefaultEndEllipsis(); }
void TColumnGx::SetEndEllipsis(bool b) {
    if (has(cvEndEllipsis) && b == endEllipsis_) return;
    endEllipsis_ = b;
    add(cvEndEllipsis);
    Changed(false);
}

TFont* TColumnGx::Font() const {
    if (font_ && !has(cvFont)) {
        TFont* def = DefaultFont();
        if (fontsDiffer(*font_, *def, false)) {
            // Following the default never marks the font as set.
            TNotifyEvent saved = font_->OnChange;
            font_->OnChange = TNotifyEvent();
            font_->Assign(def);
            font_->OnChange = saved;
        }
    }
    return font_.get();
}
void TColumnGx::SetFont(TFont* f) {
    font_->Assign(f);
    add(cvFont);
    Changed(false);
}

void TColumnGx::SetHideDuplicates(bool b) {
    if (b == hideDuplicates_) return;
    hideDuplicates_ = b;
    Changed(false);
}

bool TColumnGx::HighlightRequired() const {
    return has(cvHighlightRequired) ? highlightRequired_ : DefaultHighlightRequired();
}
void TColumnGx::SetHighlightRequired(bool b) {
    if (has(cvHighlightRequired) && b == highlightRequired_) return;
    highlightRequired_ = b;
    add(cvHighlightRequired);
    Changed(false);
}

void TColumnGx::SetImageList(TCustomImageList* l) {
    if (imageList_) imageList_->UnRegisterChanges(imageChangeLink_.get());
    imageList_ = l;
    if (l) {
        l->RegisterChanges(imageChangeLink_.get());
        if (TCustomDBGridGx* g = Grid()) l->FreeNotification(g);
    }
    repaintGrid();
}

TImeMode TColumnGx::ImeMode() const { return has(cvImeMode) ? imeMode_ : DefaultImeMode(); }
void TColumnGx::SetImeMode(TImeMode m) {
    if (has(cvImeMode) || m != DefaultImeMode()) {
        imeMode_ = m;
        add(cvImeMode);
    }
    Changed(false);
}

TImeName TColumnGx::ImeName() const { return has(cvImeName) ? imeName_ : DefaultImeName(); }
void TColumnGx::SetImeName(const TImeName& n) {
    if (has(cvImeName) || n != DefaultImeName()) {
        imeName_ = n;
        add(cvImeName);
    }
    Changed(false);
}

TStrings* TColumnGx::KeyList() {
    if (!keyList_) keyList_ = std::make_unique<TStringList>();
    return keyList_.get();
}
void TColumnGx::SetKeyList(TStrings* s) {
    if (!s) keyList_.reset();
    else KeyList()->Assign(s);
    repaintGrid();
}

TTextLayout TColumnGx::Layout() const { return has(cvLayout) ? layout_ : DefaultLayout(); }
void TColumnGx::SetLayout(TTextLayout l) {
    if (has(cvLayout) && l == layout_) return;
    layout_ = l;
    add(cvLayout);
    Changed(false);
}

AnsiString TColumnGx::LookupDisplayFields() const {
    return has(cvLookupDisplayFields) ? lookupDisplayFields_ : DefaultLookupDisplayFields();
}
void TColumnGx::SetLookupDisplayFields(const AnsiString& s) {
    if (has(cvLookupDisplayFields) || s != DefaultLookupDisplayFields()) {
        lookupDisplayFields_ = s;
        add(cvLookupDisplayFields);
    }
    // The drop-down lookup grid, once the lookup unit makes one, takes it as its list field.
    Changed(false);
}

void TColumnGx::SetMaxWidth(int w) {
    maxWidth_ = w;
    if (w > 0 && w < Width()) SetWidth(w);
}
void TColumnGx::SetMinWidth(int w) {
    minWidth_ = w;
    if (w > 0 && w > Width()) SetWidth(w);
}

void TColumnGx::SetNotInKeyListIndex(int i) {
    if (i == notInKeyListIndex_) return;
    notInKeyListIndex_ = i;
    repaintGrid();
}

TStrings* TColumnGx::PickList() {
    if (!pickList_) pickList_ = std::make_unique<TStringList>();
    return pickList_.get();
}
void TColumnGx::SetPickList(TStrings* s) {
    if (!s) pickList_.reset();
    else PickList()->Assign(s);
}

void TColumnGx::SetPopupMenu(TPopupMenu* m) {
    popupMenu_ = m;
    if (m)
        if (TCustomDBGridGx* g = Grid()) m->FreeNotification(g);
}

bool TColumnGx::ReadOnly() const { return has(cvReadOnly) ? readOnly_ : DefaultReadOnly(); }
void TColumnGx::SetReadOnly(bool b) {
    if (SeenPassthrough()) {
        TCustomDBGridGx* g = Grid();
        if (g && g->DataLink()->Active() && Field()) {
            Field()->SetReadOnly(b);
            return;
        }
    }
    if (has(cvReadOnly) && b == readOnly_) return;
    readOnly_ = b;
    add(cvReadOnly);
    Changed(false);
}

void TColumnGx::SetShowImageAndText(bool b) {
    if (b == showImageAndText_) return;
    showImageAndText_ = b;
    Changed(false);
}

bool TColumnGx::ToolTips() const { return has(cvToolTips) ? toolTips_ : DefaultToolTips(); }
void TColumnGx::SetToolTips(bool b) {
    if (!has(cvToolTips) || b != toolTips_) {
        toolTips_ = b;
        add(cvToolTips);
    }
}

void TColumnGx::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    Changed(true);
}

int TColumnGx::Width() const { return has(cvWidth) ? width_ : DefaultWidth(); }

void TColumnGx::storeWidth(int w) {
    if ((has(cvWidth) || w != DefaultWidth()) && w != -1) {
        width_ = w;
        add(cvWidth);
        if (maxWidth_ > 0 && width_ > maxWidth_) width_ = maxWidth_;
        if (minWidth_ > 0 && width_ < minWidth_) width_ = minWidth_;
        Changed(false);
    }
}

void TColumnGx::SetWidth(int w) {
    TCustomDBGridGx* g = Grid();
    if (SeenPassthrough() && g) {
        if (TField* f = Field(); f && w != -1) {
            // The field keeps the width in characters of the column's font.
            CanvasFontScope scope(g->Canvas(), Font());
            TTextMetric tm;
            GetTextMetrics(g->Canvas()->Handle(), tm);
            const int zero = std::max(1, g->Canvas()->TextWidth("0"));
            f->SetDisplayWidth((w + tm.tmAveCharWidth / 2 - tm.tmOverhang - 3) / zero);
        }
        if (!g->DataSetLayoutChanging() || has(cvWidth)) storeWidth(w);
        return;
    }
    storeWidth(w);
}

int TColumnGx::AllowableWidth(int w) const {
    if (minWidth_ > 0 && w < minWidth_) return minWidth_;
    if (maxWidth_ > 0 && w > maxWidth_) return maxWidth_;
    return w;
}

// The main button (when the cell's in-place editor shows one) and every visible edit button; a
// button without a width of its own is as wide as the main one, and a flat grid puts a pixel
// after each.
int TColumnGx::EditButtonsWidth() {
    TCustomDBGridGx* g = Grid();
    const bool flat = g && g->Flat();
    const int def = flat ? FlatButtonWidth + 1 : GetSystemMetrics(SM_CXVSCROLL);
    int w = g && g->PaintColumnEditStyle(this) != 0 ? def : 0;
    for (int i = 0; i < editButtons_->Count(); ++i) {
        TEditButtonGx* b = editButtons_->Items(i);
        if (!b->Visible()) continue;
        w += (b->Width() != 0 ? b->Width() : def) + (flat ? 1 : 0);
    }
    return w;
}

void TColumnGx::DropDown() {
    TCustomDBGridGx* g = Grid();
    if (!g || !g->EditorMode()) return;
    if (auto* editor = dynamic_cast<TDBGridInplaceEdit*>(g->InplaceEditor())) editor->DropDown();
}

void TColumnGx::OptimizeWidth() {
    TCustomDBGridGx* g = Grid();
    if (!g) return;
    TColumnsGxList list;
    list.Add(this);
    g->OptimizeColsWidth(&list);
}

bool TColumnGx::WordWrap() const { return has(cvWordWrap) ? wordWrap_ : DefaultWordWrap(); }
void TColumnGx::SetWordWrap(bool b) {
    TCustomDBGridGx* g = Grid();
    if (has(cvWordWrap) || b != DefaultWordWrap() || (g && g->Loading())) {
        wordWrap_ = b;
        add(cvWordWrap);
    }
    Changed(false);
}

void TColumnGx::SetOnGetCellParams(TGetColCellParamsEventGx e) {
    onGetCellParams_ = e;
    repaintGrid();
}

#define PLANTMON_FORWARDED_EVENT(Name, Type, GridEvent)                  \
    Type TColumnGx::Name() {                                             \
        TCustomDBGridGx* lookup = GetLookupGrid();                       \
        return lookup ? lookup->GridEvent : Type();                      \
    }                                                                    \
    void TColumnGx::Set##Name(Type e) {                                  \
        if (TCustomDBGridGx* lookup = GetLookupGrid()) lookup->GridEvent = e; \
    }
PLANTMON_FORWARDED_EVENT(OnDropDownBoxCheckButton, TCheckTitleGxBtnEvent, OnCheckButton)
PLANTMON_FORWARDED_EVENT(OnDropDownBoxDrawColumnCell, TDrawColumnGxCellEvent, OnDrawColumnCell)
PLANTMON_FORWARDED_EVENT(OnDropDownBoxGetCellParams, TGetCellGxParamsEvent, OnGetCellParams)
PLANTMON_FORWARDED_EVENT(OnDropDownBoxSortMarkingChanged, TNotifyEvent, OnSortMarkingChanged)
PLANTMON_FORWARDED_EVENT(OnDropDownBoxTitleBtnClick, TTitleGxClickEvent, OnTitleBtnClick)
#undef PLANTMON_FORWARDED_EVENT

void TColumnGx::SetDropDownBoxListSource(TDataSource* dataSource) {
    if (dataSource)
        if (TCustomDBGridGx* g = Grid()) dataSource->FreeNotification(g);
}

// ---- Stored tests ----------------------------------------------------------------------------------

bool TColumnGx::IsAlignmentStored() const { return has(cvAlignment) && alignment_ != DefaultAlignment(); }
bool TColumnGx::IsAlwaysShowEditButtonStored() const {
    return has(cvAlwaysShowEditButton) && alwaysShowEditButton_ != DefaultAlwaysShowEditButton();
}
bool TColumnGx::IsAutoDropDownStored() const { return has(cvAutoDropDown) && autoDropDown_ != DefaultAutoDropDown(); }
bool TColumnGx::IsColorStored() const { return has(cvColor) && color_ != DefaultColor(); }
bool TColumnGx::IsDblClickNextValStored() const {
    return has(cvDblClickNextVal) && dblClickNextVal_ != DefaultDblClickNextVal();
}
bool TColumnGx::IsDropDownShowTitlesStored() const {
    return has(cvDropDownShowTitles) && dropDownShowTitles_ != DefaultDropDownShowTitles();
}
bool TColumnGx::IsDropDownSizingStored() const {
    return has(cvDropDownSizing) && dropDownSizing_ != DefaultDropDownSizing();
}
bool TColumnGx::IsEndEllipsisStored() const { return has(cvEndEllipsis) && endEllipsis_ != DefaultEndEllipsis(); }
bool TColumnGx::IsHighlightRequiredStored() const {
    return has(cvHighlightRequired) && highlightRequired_ != DefaultHighlightRequired();
}
bool TColumnGx::IsImeModeStored() const { return has(cvImeMode) && imeMode_ != DefaultImeMode(); }
bool TColumnGx::IsImeNameStored() const { return has(cvImeName) && imeName_ != DefaultImeName(); }
bool TColumnGx::IsLayoutStored() const { return has(cvLayout) && layout_ != DefaultLayout(); }
bool TColumnGx::IsLookupDisplayFieldsStored() const {
    return has(cvLookupDisplayFields) && lookupDisplayFields_ != DefaultLookupDisplayFields();
}
bool TColumnGx::IsReadOnlyStored() const { return has(cvReadOnly) && readOnly_ != DefaultReadOnly(); }
bool TColumnGx::IsToolTipsStored() const { return has(cvToolTips) && toolTips_ != DefaultToolTips(); }
bool TColumnGx::IsWidthStored() const { return has(cvWidth) && width_ != DefaultWidth(); }
bool TColumnGx::IsWordWrapStored() const { return has(cvWordWrap) && wordWrap_ != DefaultWordWrap(); }

// ---- Cell values -----------------------------------------------------------------------------------

TColumnGxType TColumnGx::GetColumnType() {
    const bool keys = keyList_ && keyList_->Count() > 0;
    const bool picks = pickList_ && pickList_->Count() > 0;
    if (Checkboxes()) return ctCheckboxes;
    if (Field() && Field()->FieldKind() == fkLookup) return ctLookupField;
    if (picks && !keys) return ctPickList;
    if (imageList_ && !showImageAndText_) return ctKeyImageList;
    if (keys && picks) return ctKeyPickList;
    return ctCommon;
}

AnsiString TColumnGx::DisplayText() {
    TField* f = Field();
    if (!f || GetColumnType() == ctKeyImageList) return AnsiString();
    const int picks = pickList_ ? pickList_->Count() : 0;
    if (keyList_ && keyList_->Count() > 0) {
        const int i = keyList_->IndexOf(f->Text());
        if (i >= 0 && i < picks) return pickList_->Strings(i);
        if (notInKeyListIndex_ >= 0 && notInKeyListIndex_ < picks) return pickList_->Strings(notInKeyListIndex_);
        return AnsiString();
    }
    TCustomDBGridGx* g = Grid();
    if (g && g->DrawMemoText() && f->DataType() == ftMemo) return f->AsString();
    if (GetColumnType() == ctLookupField && specRow_->Visible()) {
        const Variant key = f->DataSet()->FieldValues(f->KeyFields());
        const bool lookupMissing = !f->LookupDataSet() || !f->LookupDataSet()->Active() || f->IsNull();
        if (VarEquals(key, specRow_->Value()) || (specRow_->ShowIfNotInKeyList() && lookupMissing))
            return specRow_->GetCellText(0);
    }
    if (displayFormat_.IsEmpty()) return f->DisplayText();
    if (f->IsNull()) return AnsiString();
    if (dynamic_cast<TNumericField*>(f)) return FormatFloat(displayFormat_, f->AsFloat());
    if (dynamic_cast<TDateTimeField*>(f)) return FormatDateTime(displayFormat_, f->AsDateTime());
    if (auto* agg = dynamic_cast<TAggregateField*>(f)) {
        const TFieldType rt = agg->ResultType();
        if (rt == ftFloat || rt == ftCurrency) return FormatFloat(displayFormat_, f->AsFloat());
        if (rt == ftDate || rt == ftTime || rt == ftDateTime) return FormatDateTime(displayFormat_, f->AsDateTime());
    }
    return AnsiString();
}

int TColumnGx::GetImageIndex() {
    TField* f = Field();
    if (!f) return -1;
    int result = -1;
    if (keyList_ && keyList_->Count() > 0) result = keyList_->IndexOf(f->Text());
    else if (pickList_ && pickList_->Count() > 0) result = pickList_->IndexOf(f->Text());
    else if (isSteppedNumber(f->DataType())) {
        try {
            result = f->AsInteger();
        } catch (const Exception&) {
            result = -1;
        }
    }
    return result == -1 ? notInKeyListIndex_ : result;
}

TCheckBoxState TColumnGx::CheckboxState() {
    TField* f = Field();
    if (!f) return cbUnchecked;
    if (f->IsNull()) return cbGrayed;
    if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
    if (!keyList_ || keyList_->Count() < 2) return cbGrayed;
    const AnsiString text = f->Text();
    if (keyItemMatches(keyList_->Strings(0), text)) return cbChecked;
    if (keyItemMatches(keyList_->Strings(1), text)) return cbUnchecked;
    return cbGrayed;
}

void TColumnGx::SetCheckboxState(TCheckBoxState s) {
    TField* f = Field();
    if (!f) return;
    if (s == cbGrayed) {
        UpdateDataValues(AnsiString(), Null(), false);
    } else if (f->DataType() == ftBoolean) {
        UpdateDataValues(AnsiString(), Variant(s == cbChecked), false);
    } else {
        const int item = s == cbChecked ? 0 : 1;
        if (!keyList_ || item >= keyList_->Count()) return;
        const AnsiString v = firstKeyValue(keyList_->Strings(item));
        UpdateDataValues(v, Variant(v), true);
    }
}

bool TColumnGx::fieldModifiable(TField* f, bool acceptMemo) const {
    TCustomDBGridGx* g = Grid();
    TField* target = f;
    if (f->FieldKind() == fkLookup) {
        if (f->KeyFields().IsEmpty() || !f->DataSet()) return false;
        std::vector<TField*> keys;
        f->DataSet()->GetFieldList(keys, f->KeyFields());
        if (keys.empty() || !AllFieldsCanModify(keys)) return false;
        target = keys.front();
    }
    if (!target->CanModify()) return false;
    if (target->IsBlob()) {
        const bool memo = acceptMemo && g && g->DrawMemoText() && target->DataType() == ftMemo;
        if (!target->OnSetText && !memo) return false;
    }
    return !g || g->AllowedOperationUpdate();
}

bool TColumnGx::CanModify(bool tryEdit) {
    TCustomDBGridGx* g = Grid();
    if (g && (g->ReadOnly() || !g->DataLink()->Active() || g->DataLink()->ReadOnly())) return false;
    if (ReadOnly()) return false;
    TField* f = Field();
    if (!f || !fieldModifiable(f, true)) return false;
    if (tryEdit && g) {
        g->DataLink()->Edit();
        const bool editing = g->DataLink()->Editing();
        if (editing) g->DataLink()->Modified();
        return editing;
    }
    return true;
}

void TColumnGx::UpdateDataValues(const AnsiString& text, const Variant& value, bool useText) {
    TCustomDBGridGx* g = Grid();
    if (!g) return;
    AnsiString t = text;
    Variant v = value;
    bool ut = useText, handled = false;
    if (OnUpdateData) OnUpdateData(this, t, v, ut, handled);
    TField* f = Field();
    if (!handled && f) {
        if (ut) {
            if (f->DataType() == ftMemo && g->DrawMemoText()) f->SetAsString(t);
            else f->SetText(t);
        } else if (f->FieldKind() == fkLookup && !f->KeyFields().IsEmpty()) {
            DataSetSetFieldValues(f->DataSet(), f->KeyFields(), v);
        } else {
            f->SetValue(v);
        }
    }
    TInplaceEdit* editor = g->InplaceEditor();
    if (mruList_->AutoAdd() && mruList_->Active() && editor && editor->Visible() && editor->Showing()) mruList_->Add(t);
}

void TColumnGx::SetNextFieldValue(double increment) {
    TCustomDBGridGx* g = Grid();
    TField* f = Field();
    if (!g || !f) return;
    if (g->ReadOnly() || !g->DataLink()->Active() || g->DataLink()->ReadOnly() || ReadOnly()) return;
    if (!fieldModifiable(f, false)) return;
    g->DataLink()->Edit();
    if (!g->DataLink()->Editing()) return;
    g->DataLink()->Modified();
    const bool forward = increment == 1.0;
    TInplaceEdit* editor = g->InplaceEditor();
    const AnsiString text = editor && editor->Visible() ? editor->Text() : f->Text();
    switch (GetColumnType()) {
        case ctCheckboxes: SetCheckboxState(CheckboxState() == cbChecked ? cbUnchecked : cbChecked); return;
        case ctKeyPickList:
        case ctKeyImageList: {
            const int n = keyList_ ? keyList_->Count() : 0;
            if (n == 0) return;
            const int i = keyList_->IndexOf(f->Text());
            int next;
            if (forward) next = (i == -1 || i == n - 1) ? 0 : i + 1;
            else next = (i == -1 || i == 0) ? n - 1 : i - 1;
            UpdateDataValues(text, Variant(keyList_->Strings(next)), false);
            return;
        }
        case ctPickList: {
            const int n = pickList_->Count();
            const int i = pickList_->IndexOf(f->Text());
            if (forward && (i == -1 || i == n - 1)) f->SetText(pickList_->Strings(0));
            else if (!forward && (i == -1 || i == 0)) f->SetText(pickList_->Strings(n - 1));
            else {
                const AnsiString item = pickList_->Strings(forward ? i + 1 : i - 1);
                UpdateDataValues(item, Variant(item), true);
            }
            return;
        }
        case ctLookupField: {
            TDataSet* lookup = UsedLookupDataSet();
            if (!lookup) return;
            const Variant key = f->DataSet()->FieldValues(f->KeyFields());
            if (VarIsNull(key)) lookup->First();
            else if (!lookup->Locate(f->LookupKeyFields(), key, 0)) lookup->First();
            else if (forward) {
                if (lookup->Eof()) lookup->First();
                else {
                    lookup->Next();
                    if (lookup->Eof()) lookup->First();
                }
            } else {
                if (lookup->Bof()) lookup->Last();
                else {
                    lookup->Prior();
                    if (lookup->Bof()) lookup->Last();
                }
            }
            UpdateDataValues(text, lookup->FieldValues(f->LookupKeyFields()), false);
            f->SetText(lookup->FieldByName(f->LookupResultField())->Text());
            return;
        }
        default: break;
    }
    if (!isSteppedNumber(f->DataType())) return;
    // A Null value counts as -increment, so that the first step gives 0.
    const Variant current = f->IsNull() ? Variant(-increment) : f->AsVariant();
    UpdateDataValues(text, current + Variant(increment), false);
}

void TColumnGx::FillColCellParams(TColCellParamsGx* p) {
    p->Row = -1;
    p->Col = -1;
    p->State = 0;
    p->Font = Font();
    p->Background = Color();
    p->Alignment = Alignment();
    p->ImageIndex = GetImageIndex();
    p->Text = DisplayText();
    p->CheckboxState = CheckboxState();
    p->ReadOnly = ReadOnly();
}

void TColumnGx::GetColCellParams(bool editMode, TColCellParamsGx* params) {
    if (onGetCellParams_) onGetCellParams_(this, editMode, params);
}

TDataSet* TColumnGx::UsedLookupDataSet() {
    TDataSource* src = dropDownBox_->ListSource();
    if (src && src->DataSet()) return src->DataSet();
    TField* f = Field();
    return f ? f->LookupDataSet() : nullptr;
}

TDataSet* TColumnGx::FullListDataSet() {
    TField* f = Field();
    return f ? f->LookupDataSet() : nullptr;
}

// The locale here is never a right-to-left one.
bool TColumnGx::UseRightToLeftReading() const { return false; }
bool TColumnGx::UseRightToLeftAlignment() const { return false; }
bool TColumnGx::UseRightToLeftScrollBar() const { return false; }
int TColumnGx::DrawTextBiDiModeFlagsReadingOnly() const { return 0; }

void TColumnGx::RestoreDefaults() {
    title_->RestoreDefaults();
    const bool fontWasSet = has(cvFont);
    assigned_ = 0;
    if (font_) {
        TNotifyEvent saved = font_->OnChange;
        font_->OnChange = TNotifyEvent();
        font_->Assign(DefaultFont());
        font_->OnChange = saved;
    }
    pickList_.reset();
    buttonStyle_ = cbsAuto;
    Changed(fontWasSet);
    keyList_.reset();
}

void TColumnGx::Assign(TPersistent* source) {
    auto* src = dynamic_cast<TColumnGx*>(source);
    if (!src) {
        TCollectionItem::Assign(source);
        return;
    }
    TCollection* coll = Collection();
    if (coll) coll->BeginUpdate();
    try {
        RestoreDefaults();
        SetFieldName(src->FieldName());
        if (src->has(cvColor)) SetColor(src->Color());
        if (src->has(cvWidth)) SetWidth(src->Width());
        if (src->has(cvFont)) SetFont(src->Font());
        if (src->has(cvImeMode)) SetImeMode(src->ImeMode());
        if (src->has(cvImeName)) SetImeName(src->ImeName());
        if (src->has(cvAlignment)) SetAlignment(src->Alignment());
        if (src->has(cvReadOnly)) SetReadOnly(src->ReadOnly());
        SetTitle(src->Title());
        SetSTFilter(src->STFilter());
        SetDropDownRows(src->DropDownRows());
        SetButtonStyle(src->ButtonStyle());
        SetPickList(src->pickList_.get());
        SetPopupMenu(src->PopupMenu());
        fitBaseWidth_ = src->fitBaseWidth_;
        SetAutoFitColWidth(src->AutoFitColWidth());
        if (src->has(cvWordWrap)) SetWordWrap(src->WordWrap());
        SetEndEllipsis(src->EndEllipsis());
        SetDropDownWidth(src->DropDownWidth());
        if (src->has(cvLookupDisplayFields)) SetLookupDisplayFields(src->LookupDisplayFields());
        SetAutoDropDown(src->AutoDropDown());
        SetAlwaysShowEditButton(src->AlwaysShowEditButton());
        SetWordWrap(src->WordWrap());
        SetKeyList(src->keyList_.get());
        if (src->has(cvCheckboxes)) SetCheckboxes(src->Checkboxes());
        SetIncrement(src->Increment());
        SetToolTips(src->ToolTips());
        SetTag(src->Tag());
        SetVisible(src->Visible());
        SetImageList(src->ImageList());
        SetNotInKeyListIndex(src->NotInKeyListIndex());
        SetMinWidth(src->MinWidth());
        SetMaxWidth(src->MaxWidth());
        SetDblClickNextVal(src->DblClickNextVal());
        SetDropDownSizing(src->DropDownSizing());
        SetDropDownShowTitles(src->DropDownShowTitles());
        SetOnGetCellParams(src->OnGetCellParams());
        OnNotInList = src->OnNotInList;
        OnUpdateData = src->OnUpdateData;
        OnEditButtonClick = src->OnEditButtonClick;
        OnEditButtonDown = src->OnEditButtonDown;
        SetEditButtons(src->EditButtons());
        SetDropDownBox(src->DropDownBox());
        SetMRUList(src->MRUList());
        SetDisplayFormat(src->DisplayFormat());
        SetEditMask(src->EditMask());
        SetShowImageAndText(src->ShowImageAndText());
        SetHideDuplicates(src->HideDuplicates());
        SetLayout(src->Layout());
        SetFooter(src->Footer());
        SetFooters(src->Footers());
    } catch (...) {
        if (coll) coll->EndUpdate();
        throw;
    }
    if (coll) coll->EndUpdate();
}
