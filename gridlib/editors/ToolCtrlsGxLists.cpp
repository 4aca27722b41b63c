// The most-recently-used list and the special row of lookup lists.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/WinApi.h"

namespace {

const bool listPropertiesRegistered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer"), boolean = EnumTypeInfo("Boolean", {"False", "True"});
    RegisterPublishedProperties(
        TMRUListGx::StaticClass(),
        {MakeProperty<TMRUListGx>("Active", boolean, &TMRUListGx::Active, &TMRUListGx::SetActive, 0),
         MakeProperty<TMRUListGx>("AutoAdd", boolean, &TMRUListGx::AutoAdd, &TMRUListGx::SetAutoAdd, 1),
         MakeProperty<TMRUListGx>("CaseSensitive", boolean, &TMRUListGx::CaseSensitive, &TMRUListGx::SetCaseSensitive, 0),
         MakeProperty<TMRUListGx>("Items", ClassTypeInfo(TStrings::StaticClass()), &TMRUListGx::Items, &TMRUListGx::SetItems),
         MakeProperty<TMRUListGx>("Limit", integer, &TMRUListGx::Limit, &TMRUListGx::SetLimit, 100),
         MakeProperty<TMRUListGx>("Rows", integer, &TMRUListGx::Rows, &TMRUListGx::SetRows, 7)});
    TPropInfo color = MakeProperty<TSpecRowGx>("Color", TypeInfoOf(tkInteger, "TColor"), &TSpecRowGx::Color, &TSpecRowGx::SetColor);
    color.Stored = [](TObject* o) { return static_cast<TSpecRowGx*>(o)->IsColorStored(); };
    TPropInfo font = MakeProperty<TSpecRowGx>("Font", ClassTypeInfo(TFont::StaticClass()), &TSpecRowGx::Font, &TSpecRowGx::SetFont);
    font.Stored = [](TObject* o) { return static_cast<TSpecRowGx*>(o)->IsFontStored(); };
    TPropInfo value = MakeProperty<TSpecRowGx>("Value", TypeInfoOf(tkVariant, "Variant"), &TSpecRowGx::Value, &TSpecRowGx::SetValue);
    value.Stored = [](TObject* o) { return static_cast<TSpecRowGx*>(o)->IsValueStored(); };
    RegisterPublishedProperties(
        TSpecRowGx::StaticClass(),
        {MakeProperty<TSpecRowGx>("CellsText", TypeInfoOf(tkLString, "String"), &TSpecRowGx::CellsText, &TSpecRowGx::SetCellsText),
         color, font,
         MakeProperty<TSpecRowGx>("ShortCut", TypeInfoOf(tkInteger, "TShortCut"), &TSpecRowGx::ShortCut,
                                  &TSpecRowGx::SetShortCut, 32814),
         MakeProperty<TSpecRowGx>("ShowIfNotInKeyList", boolean, &TSpecRowGx::ShowIfNotInKeyList,
                                  &TSpecRowGx::SetShowIfNotInKeyList, 1),
         value, MakeProperty<TSpecRowGx>("Visible", boolean, &TSpecRowGx::Visible, &TSpecRowGx::SetVisible, 0)});
    return true;
}();

}  // namespace

// ---- TMRUListGx ----------------------------------------------------------------------------------------

TMRUListGx::TMRUListGx(TPersistent* owner) : owner_(owner), items_(std::make_unique<TStringList>()) {}

TMRUListGx::~TMRUListGx() = default;

void TMRUListGx::SetActive(bool b) {
    if (b == active_) return;
    active_ = b;
    OnActiveChangeNotify(this);
}

void TMRUListGx::SetItems(TStrings* s) { items_->Assign(s); }

void TMRUListGx::SetLimit(int n) {
    if (n == limit_) return;
    limit_ = n;
    trim();
}

void TMRUListGx::trim() {
    while (items_->Count() > std::max(0, limit_)) items_->Delete(0);
}

void TMRUListGx::CloseUp(bool accept) { OnSetCloseUp(this, accept); }

void TMRUListGx::DropDown() { OnSetDropDown(this); }

void TMRUListGx::Add(const AnsiString& s) {
    if (Trim(s).IsEmpty()) return;
    for (int i = 0; i < items_->Count(); ++i) {
        const AnsiString& e = items_->Get(i);
        if (caseSensitive_ ? e == s : AnsiSameText(e, s)) {
            // An entry used again becomes the newest; its stored text stays.
            items_->Move(i, items_->Count() - 1);
            return;
        }
    }
    items_->Add(s);
    trim();
}

bool TMRUListGx::FilterItemsTo(TStrings* strings, const AnsiString& maskText) {
    const int maskLength = CharCount(maskText);
    bool complete = true;
    strings->BeginUpdate();
    try {
        strings->Clear();
        for (int i = 0; i < items_->Count(); ++i) {
            const AnsiString e = items_->Get(i);
            bool accept = maskLength == 0 || AnsiStringCompare(e, maskText, maskLength, !caseSensitive_) == 0;
            OnFilterMRUItem(this, accept);
            if (accept) strings->Add(e);
            // A key pressed meanwhile makes the filtering moot: the text is about to change.
            if (i % 100 == 0 && CancelIfKeyPending) {
                TMsg msg;
                if (PeekMessage(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) {
                    complete = false;
                    break;
                }
            }
        }
    } catch (...) {
        strings->EndUpdate();
        throw;
    }
    strings->EndUpdate();
    return complete;
}

void TMRUListGx::Assign(TPersistent* source) {
    auto* m = dynamic_cast<TMRUListGx*>(source);
    if (!m) {
        TPersistent::Assign(source);
        return;
    }
    SetActive(m->Active());
    SetItems(m->Items());
    SetLimit(m->Limit());
    SetRows(m->Rows());
    SetCaseSensitive(m->CaseSensitive());
}

// ---- TSpecRowGx -------------------------------------------------------------------------------------------

std::vector<AnsiString> ParseSpecRowCells(const AnsiString& text) {
    const std::string& s = text.str();
    const std::size_t n = s.size();
    auto control = [&](std::size_t i) {
        auto c = static_cast<unsigned char>(s[i]);
        return c >= 1 && c < 32;
    };
    std::size_t i = 0;
    auto skipControls = [&] {
        while (i < n && control(i)) ++i;
    };
    std::vector<AnsiString> cells;
    skipControls();
    while (i < n) {
        std::string cell;
        if (s[i] == '"') {
            for (++i; i < n; ++i) {
                if (s[i] != '"') {
                    cell += s[i];
                } else if (i + 1 < n && s[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < n && static_cast<unsigned char>(s[i]) >= 32 && s[i] != ';') cell += s[i++];
        }
        cells.emplace_back(std::move(cell));
        skipControls();
        if (i < n && s[i] == ';') {
            ++i;
            skipControls();
        }
    }
    return cells;
}

TSpecRowGx::TSpecRowGx(TPersistent* owner) : owner_(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = TNotifyEvent(this, &TSpecRowGx::fontChanged);
}

TSpecRowGx::~TSpecRowGx() { font_->OnChange = TNotifyEvent(); }

void TSpecRowGx::Changed() {
    if (updateCount_ == 0) OnChangeNotify(this);
}

void TSpecRowGx::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    Changed();
}

void TSpecRowGx::SetCellsText(const AnsiString& s) {
    if (s == cellsText_) return;
    cellsText_ = s;
    cells_ = ParseSpecRowCells(s);
    Changed();
}

AnsiString TSpecRowGx::GetCellText(int index) const {
    return index >= 0 && index < CellCount() ? cells_[static_cast<std::size_t>(index)] : AnsiString();
}

TColor TSpecRowGx::DefaultColor() const {
    if (auto* c = dynamic_cast<TCustomControl*>(owner_)) return c->Color();
    return color_;
}

TColor TSpecRowGx::Color() const { return colorAssigned_ ? color_ : DefaultColor(); }

void TSpecRowGx::SetColor(TColor c) {
    if (c == Color()) return;
    color_ = c;
    colorAssigned_ = true;
    Changed();
}

TFont* TSpecRowGx::DefaultFont() const {
    if (auto* c = dynamic_cast<TControl*>(owner_)) return c->Font();
    return font_.get();
}

TFont* TSpecRowGx::Font() {
    if (!fontAssigned_) {
        TFont* def = DefaultFont();
        if (def != font_.get() && def->Handle() != font_->Handle()) {
            copyingFont_ = true;
            font_->Assign(def);
            copyingFont_ = false;
        }
    }
    return font_.get();
}

void TSpecRowGx::SetFont(TFont* f) { font_->Assign(f); }

void TSpecRowGx::fontChanged(TObject*) {
    if (copyingFont_) return;
    fontAssigned_ = true;
    Changed();
}

void TSpecRowGx::SetShowIfNotInKeyList(bool b) {
    if (b == showIfNotInKeyList_) return;
    showIfNotInKeyList_ = b;
    Changed();
}

void TSpecRowGx::SetValue(const Variant& v) {
    if (VarEquals(v, value_)) return;
    value_ = v;
    Changed();
}

void TSpecRowGx::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    Changed();
}

bool TSpecRowGx::LocateKey(const Variant& keyValue) const { return visible_ && VarEquals(value_, keyValue); }

void TSpecRowGx::Assign(TPersistent* source) {
    auto* r = dynamic_cast<TSpecRowGx*>(source);
    if (!r) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        SetCellsText(r->CellsText());
        SetColor(r->Color());
        if (r->fontAssigned_) SetFont(r->font_.get());
        SetShortCut(r->ShortCut());
        SetShowIfNotInKeyList(r->ShowIfNotInKeyList());
        SetValue(r->Value());
        SetVisible(r->Visible());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
