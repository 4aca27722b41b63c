// The unit's start-up and measurements, the edit-button settings and the button control.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/WinApi.h"

#include <cmath>

int FlatButtonWidth = 0;
int DefaultCheckBoxWidth = 0;
int DefaultCheckBoxHeight = 0;
bool UseButtonsBitmapCache = true;

namespace {
int g_useCount = 0;
TButtonsBitmapCache* g_cache = nullptr;
bool g_keptUp = false;

// Starts the unit for the rest of the run the first time something of it needs its globals.
void ensureStarted() {
    if (g_keptUp) return;
    g_keptUp = true;
    ToolCtrlsGxStartup();
}

// Round half to even.
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

PTypeInfo enumType(const char* name, std::vector<AnsiString> values) { return EnumTypeInfo(name, std::move(values)); }

const bool editButtonPropertiesRegistered = [] {
    PTypeInfo styles = enumType("TEditButtonStyleGx", {"ebsDropDownGx", "ebsEllipsisGx", "ebsGlyphGx", "ebsUpDownGx",
                                                       "ebsPlusGx", "ebsMinusGx"});
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer"), boolean = EnumTypeInfo("Boolean", {"False", "True"});
    RegisterPublishedProperties(
        TEditButtonGx::StaticClass(),
        {MakeProperty<TEditButtonGx>("DropdownMenu", ClassTypeInfo(TPopupMenu::StaticClass()), &TEditButtonGx::DropdownMenu,
                                     &TEditButtonGx::SetDropdownMenu),
         MakeProperty<TEditButtonGx>("Glyph", ClassTypeInfo(TBitmap::StaticClass()), &TEditButtonGx::Glyph,
                                     &TEditButtonGx::SetGlyph),
         MakeProperty<TEditButtonGx>("Hint", TypeInfoOf(tkLString, "String"), &TEditButtonGx::Hint, &TEditButtonGx::SetHint),
         MakeProperty<TEditButtonGx>("NumGlyphs", integer, &TEditButtonGx::NumGlyphs, &TEditButtonGx::SetNumGlyphs, 1),
         MakeProperty<TEditButtonGx>("ShortCut", TypeInfoOf(tkInteger, "TShortCut"), &TEditButtonGx::ShortCut,
                                     &TEditButtonGx::SetShortCut, 0),
         MakeProperty<TEditButtonGx>("Style", styles, &TEditButtonGx::Style, &TEditButtonGx::SetStyle, ebsDropDownGx),
         MakeProperty<TEditButtonGx>("Visible", boolean, &TEditButtonGx::Visible, &TEditButtonGx::SetVisible, 0),
         MakeProperty<TEditButtonGx>("Width", integer, &TEditButtonGx::Width, &TEditButtonGx::SetWidth, 0)});
    RegisterPublishedProperties(TDropDownEditButtonGx::StaticClass(),
                                {MakeProperty<TEditButtonGx>("ShortCut", TypeInfoOf(tkInteger, "TShortCut"),
                                                             &TEditButtonGx::ShortCut, &TEditButtonGx::SetShortCut,
                                                             DropDownShortCutGx)});
    RegisterPublishedProperties(
        TVisibleEditButtonGx::StaticClass(),
        {MakeProperty<TEditButtonGx>("ShortCut", TypeInfoOf(tkInteger, "TShortCut"), &TEditButtonGx::ShortCut,
                                     &TEditButtonGx::SetShortCut, DropDownShortCutGx),
         MakeProperty<TEditButtonGx>("Visible", boolean, &TEditButtonGx::Visible, &TEditButtonGx::SetVisible, 1)});
    RegisterPublishedProperties(
        TSpeedButtonGx::StaticClass(),
        {MakeProperty<TEditButtonControlGx>("Style", styles, &TEditButtonControlGx::Style, &TEditButtonControlGx::SetStyle,
                                            ebsDropDownGx),
         MakeProperty<TEditButtonControlGx>("Active", boolean, &TEditButtonControlGx::Active,
                                            &TEditButtonControlGx::SetActive, 0)});
    return true;
}();

}  // namespace

TButtonsBitmapCache* ButtonsBitmapCache() {
    ensureStarted();
    return g_cache;
}

void ToolCtrlsGxStartup() {
    if (g_useCount++ > 0) return;
    FlatButtonWidth = GetDefaultFlatButtonWidth();
    g_cache = new TButtonsBitmapCache();
    TBitmap boxes;
    if (LoadSystemBitmap(OBM_CHECKBOXES, boxes)) {
        DefaultCheckBoxWidth = boxes.Width() / 4;
        DefaultCheckBoxHeight = boxes.Height() / 3;
    }
}

void ToolCtrlsGxShutdown() {
    if (g_useCount == 0 || --g_useCount > 0) return;
    delete g_cache;
    g_cache = nullptr;
}

int FlatButtonWidthFor(int fontHeight, int scrollBarWidth) {
    int w = roundEven(fontHeight * 2 / 3.0);
    if (w % 2 == 0) ++w;
    return std::min(w, scrollBarWidth);
}

int GetDefaultFlatButtonWidth() {
    TTextMetric tm;
    GetTextMetrics(GetScreenDC(), tm);
    return FlatButtonWidthFor(tm.tmHeight, GetSystemMetrics(SM_CXVSCROLL));
}

int DefaultEditButtonHeight(int width, bool flat) { return flat ? roundEven(width * 3 / 2.0) : width; }

TDrawButtonControlStyleGx EditButtonStyleToDrawStyle(TEditButtonStyleGx style) {
    switch (style) {
    case ebsEllipsisGx: return bcsEllipsisGx;
    case ebsUpDownGx: return bcsUpDownGx;
    case ebsPlusGx: return bcsPlusGx;
    case ebsMinusGx: return bcsMinusGx;
    default: return bcsDropDownGx;
    }
}

// ---- TEditButtonGx ---------------------------------------------------------------------------------

namespace {
// Holds the collection's updates while an item is made in it (released by the item's constructor).
TCollection* holdUpdates(TCollection* c) {
    if (c) c->BeginUpdate();
    return c;
}
}  // namespace

TEditButtonGx::TEditButtonGx(TCollection* collection) : TCollectionItem(holdUpdates(collection)) {
    glyph_ = std::make_unique<TBitmap>();
    glyph_->SetTransparent(true);
    if (collection) collection->EndUpdate();
}

TEditButtonGx::TEditButtonGx(TWinControl* editControl) : TCollectionItem(nullptr), editControl_(editControl) {
    glyph_ = std::make_unique<TBitmap>();
    glyph_->SetTransparent(true);
}

TEditButtonGx::~TEditButtonGx() = default;

void TEditButtonGx::SetGlyph(TBitmap* b) {
    glyph_->Assign(b);
    Changed();
}

void TEditButtonGx::SetHint(const AnsiString& h) {
    if (h == hint_) return;
    hint_ = h;
    Changed();
}

void TEditButtonGx::SetNumGlyphs(int n) {
    n = std::clamp(n, 1, 4);
    if (n == numGlyphs_) return;
    numGlyphs_ = n;
    Changed();
}

void TEditButtonGx::SetStyle(TEditButtonStyleGx s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}

void TEditButtonGx::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    Changed();
}

void TEditButtonGx::SetWidth(int w) {
    if (w == width_) return;
    width_ = w;
    Changed();
}

void TEditButtonGx::Changed() {
    if (OnChangeNotify) OnChangeNotify(this);
    else TCollectionItem::Changed(false);
}

TEditButtonControlGx* TEditButtonGx::CreateEditButtonControl() {
    auto* c = new TEditButtonControlGx(editControl_);
    c->SetControlStyle(c->ControlStyle() | csReplicatable);
    c->SetBounds(0, 0, 10, 17);
    c->SetVisible(true);
    c->SetTransparent(false);
    c->SetParent(editControl_);
    return c;
}

void TEditButtonGx::Assign(TPersistent* source) {
    auto* b = dynamic_cast<TEditButtonGx*>(source);
    if (!b) {
        TCollectionItem::Assign(source);
        return;
    }
    SetDropdownMenu(b->DropdownMenu());
    SetGlyph(b->Glyph());
    SetHint(b->Hint());
    SetNumGlyphs(b->NumGlyphs());
    SetShortCut(b->ShortCut());
    SetStyle(b->Style());
    SetVisible(b->Visible());
    SetWidth(b->Width());
    OnClick = b->OnClick;
    OnDown = b->OnDown;
}

TDropDownEditButtonGx::TDropDownEditButtonGx(TCollection* collection) : TEditButtonGx(collection) {
    shortCut_ = DropDownShortCutGx;
}
TDropDownEditButtonGx::TDropDownEditButtonGx(TWinControl* editControl) : TEditButtonGx(editControl) {
    shortCut_ = DropDownShortCutGx;
}

TVisibleEditButtonGx::TVisibleEditButtonGx(TCollection* collection) : TEditButtonGx(collection) {
    shortCut_ = DropDownShortCutGx;
    visible_ = true;
}
TVisibleEditButtonGx::TVisibleEditButtonGx(TWinControl* editControl) : TEditButtonGx(editControl) {
    shortCut_ = DropDownShortCutGx;
    visible_ = true;
}

// ---- TEditButtonsGx --------------------------------------------------------------------------------

TEditButtonsGx::TEditButtonsGx(TPersistent* owner, TCollectionItemClass itemClass)
    : TCollection(std::move(itemClass)), owner_(owner) {}

void TEditButtonsGx::Update(TCollectionItem* item) {
    TCollection::Update(item);
    if (OnChangeNotify) OnChangeNotify(item);
}

// ---- TEditButtonControlGx ------------------------------------------------------------------------------

TEditButtonControlGx::TEditButtonControlGx(TComponent* owner) : TSpeedButton(owner) { ensureStarted(); }

TEditButtonControlGx::~TEditButtonControlGx() = default;

void TEditButtonControlGx::SetStyle(TEditButtonStyleGx s) {
    if (s == style_) return;
    style_ = s;
    Invalidate();
}

void TEditButtonControlGx::SetActive(bool b) {
    if (b == active_) return;
    active_ = b;
    Invalidate();
}

void TEditButtonControlGx::SetAlwaysDown(bool b) {
    alwaysDown_ = b;
    if (b) {
        SetGroupIndex(1);
        SetAllowAllUp(false);
        SetDown(true);
        downButtonNum_ = 1;
    } else {
        SetAllowAllUp(true);
        SetDown(false);
        SetGroupIndex(0);
        downButtonNum_ = 0;
    }
    Invalidate();
}

void TEditButtonControlGx::SetState(TButtonState state, bool active, int downButtonNum) {
    if (state == ButtonState() && active == active_ && downButtonNum == downButtonNum_) return;
    SetButtonState(state);
    active_ = active;
    downButtonNum_ = downButtonNum;
    Invalidate();
}

void TEditButtonControlGx::SetWidthNoNotify(int width) { SetBounds(Left(), Top(), width, Height()); }

void TEditButtonControlGx::EditButtonDown(bool topButton, bool& autoRepeat) {
    bool handled = false;
    if (OnButtonDown) OnButtonDown(this, topButton, autoRepeat, handled);
}

void TEditButtonControlGx::updateDownButtonNum(int y) {
    const int old = downButtonNum_;
    const TButtonState st = ButtonState();
    if (st != bsDown && st != bsExclusive) {
        downButtonNum_ = 0;
    } else if (style_ == ebsUpDownGx) {
        const int h = Height();
        if (y < h / 2) downButtonNum_ = 1;
        else if (y > h - h / 2) downButtonNum_ = 2;
        else downButtonNum_ = 0;
    } else {
        downButtonNum_ = 1;
    }
    if (downButtonNum_ != old) Invalidate();
}

void TEditButtonControlGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    bool autoRepeat = style_ == ebsUpDownGx;
    TSpeedButton::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    updateDownButtonNum(y);
    if (downButtonNum_ == 1 || downButtonNum_ == 2) {
        EditButtonDown(downButtonNum_ == 1, autoRepeat);
        if (autoRepeat) startTimer(400);
    }
}

void TEditButtonControlGx::MouseMove(TShiftState shift, int x, int y) {
    TSpeedButton::MouseMove(shift, x, y);
    if (!MouseCapture() || style_ != ebsUpDownGx || ButtonState() != bsDown) return;
    const int h = Height();
    // Leaving the pressed half for the other one lets the button up.
    if ((downButtonNum_ == 2 && y < h / 2) || (downButtonNum_ == 1 && y > h - h / 2)) {
        SetButtonState(bsUp);
        Invalidate();
    }
}

void TEditButtonControlGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    noClick_ = style_ == ebsUpDownGx && ButtonState() != bsDown;
    try {
        TSpeedButton::MouseUp(button, shift, x, y);
    } catch (...) {
        noClick_ = false;
        throw;
    }
    noClick_ = false;
    updateDownButtonNum(y);
    stopTimer();
}

void TEditButtonControlGx::Click() {
    if (!noClick_) TSpeedButton::Click();
}

void TEditButtonControlGx::startTimer(unsigned interval) {
    if (!timer_) {
        timer_ = new TTimer(this);
        timer_->SetEnabled(false);
        timer_->OnTimer = TNotifyEvent(this, &TEditButtonControlGx::timerTick);
    }
    if (timer_->Enabled() && timer_->Interval() == interval) return;
    timer_->SetInterval(interval);
    timer_->SetEnabled(true);
}

void TEditButtonControlGx::stopTimer() {
    if (timer_) timer_->SetEnabled(false);
}

void TEditButtonControlGx::timerTick(TObject*) {
    if (ButtonState() != bsDown) return;
    if (timer_->Interval() == 400) timer_->SetInterval(100);
    bool autoRepeat = true;
    EditButtonDown(downButtonNum_ == 1, autoRepeat);
    if (!autoRepeat) stopTimer();
}

void TEditButtonControlGx::Paint() {
    TCanvas* c = Canvas();
    const TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
    const TButtonState st = ButtonState();
    const bool down = st == bsDown || st == bsExclusive;
    if (style_ != ebsGlyphGx) {
        PaintButtonControlGx(c, ClientRect(), parentColor, EditButtonStyleToDrawStyle(style_), down ? downButtonNum_ : 0,
                             Flat(), active_, Enabled(), cbUnchecked);
        return;
    }
    if (Flat()) {
        const int saved = c->SaveDC();
        TRect inner = ClientRect();
        InflateRect(inner, -1, -1);
        c->IntersectClipRect(inner);
        TSpeedButton::Paint();
        c->RestoreDC(saved);
        TRect r = ClientRect();
        if (active_) {
            DrawEdge(c, r, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            c->Brush()->SetColor(parentColor);
            c->FrameRect(r);
        }
    } else {
        TSpeedButton::Paint();
    }
}
