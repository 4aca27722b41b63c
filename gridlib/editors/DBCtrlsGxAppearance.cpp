// What the edit control shows around and inside its text: the layout of image, text and buttons,
// the window style and height, its own painting while unfocused, the flat border, the mark of an
// empty required field, the button strip and its drop-down protocol, the image index, the
// most-recently-used list and tool tips for text that does not fit.
#include "gridlib/editors/DBCtrlsGx.h"

#include "gui/Menus.h"
#include "gui/WinApi.h"

#include <climits>
#include <cmath>

namespace {
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;

int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

// ---- Window style and height ----------------------------------------------------------------------

DWORD TCustomDBEditGx::EditStyle() const {
    DWORD style = ES_AUTOHSCROLL;
    if (PasswordChar() == 0) style |= ES_MULTILINE;
    if (wordWrap_) style &= ~ES_AUTOHSCROLL;
    const TAlignment a = Alignment();
    const bool rtl = UseRightToLeftReading();
    if (!wordWrap_) {
        if (rtl) style |= ES_RIGHT;
    } else if (a == taCenter) {
        style |= ES_CENTER;
    } else if ((a == taRightJustify) != rtl) {
        style |= ES_RIGHT;
    }
    return style;
}

void TCustomDBEditGx::RecreateEditWnd() {
    if (!created_) return;
    const bool wasFocused = focusedFlag_;
    RecreateWnd();
    if (wasFocused) UpdateDrawBorder();
}

void TCustomDBEditGx::CreateWnd() {
    // The native edit's own alignment follows the style: a single-line editor aligns only in
    // its own painting.
    const DWORD style = EditStyle();
    // Word wrapping needs the edit's form of several lines; a password is always one line.
    SetMultiLine(wordWrap_ && PasswordChar() == 0, true);
    TCustomEdit::SetAlignment((style & ES_CENTER) ? taCenter : (style & ES_RIGHT) ? taRightJustify : taLeftJustify);
    UpdateHeight();
    UpdateDrawBorder();
    UpdateEditButtonControlList();
    UpdateEditButtonControlsState();
    TEditImageGx* img = editImage_.get();
    if (img && img->Visible() && img->Images())
        imageWidth_ = (img->Width() > 0 ? img->Width() : img->Images()->Width()) + 4;
    else
        imageWidth_ = 0;
    UpdateImageIndex();
    SetEditRect();
}

void TCustomDBEditGx::SetWordWrap(bool b) {
    if (b == wordWrap_) return;
    wordWrap_ = b;
    RecreateEditWnd();
}

void TCustomDBEditGx::SetFlat(bool b) {
    if (b == flat_) return;
    flat_ = b;
    RecreateEditWnd();
}

void TCustomDBEditGx::SetPasswordChar(char c) {
    if (c == PasswordChar()) return;
    TCustomEdit::SetPasswordChar(c);
    RecreateEditWnd();
}

void TCustomDBEditGx::SetAutoSize(bool b) {
    if (b == autoSize_) return;
    autoSize_ = b;
    UpdateHeight();
}

void TCustomDBEditGx::UpdateHeight() {
    if (autoSize_ && BorderStyle() == bsSingle) {
        SetControlStyle(ControlStyle() | csFixedHeight);
        AdjustHeight();
    } else {
        SetControlStyle(ControlStyle() & ~csFixedHeight);
    }
}

void TCustomDBEditGx::AdjustHeight() {
    TTextMetric sys{}, own{};
    HDC dc = GetScreenDC();
    TFont saved;
    saved.Assign(dc->Font());
    TFont sysFont;
    dc->Font()->Assign(&sysFont);
    GetTextMetrics(dc, sys);
    dc->Font()->Assign(Font());
    GetTextMetrics(dc, own);
    dc->Font()->Assign(&saved);
    const int border = GetSystemMetrics(SM_CYBORDER);
    const int allowance = border * ((Ctl3D() ? 8 : 6) - (flat_ ? 2 : 0));
    int content = own.tmHeight;
    TEditImageGx* img = editImage_.get();
    if (img && img->Images() && img->UseImageHeight() && img->Images()->Height() > content) content = img->Images()->Height();
    SetHeight(content + allowance);
}

TPoint TCustomDBEditGx::GetTextMargins() {
    const int inset = BorderStyle() == bsNone ? 0 : Ctl3D() ? 1 : 2;
    // The formatting rectangle starts after the image; the margin is what lies inside it.
    const LRESULT m = Perform(EM_GETMARGINS, 0, 0);
    TRect r = ClientRect();
    CalcEditRect(r);
    const int left = std::max(0, static_cast<int>(LOWORD(static_cast<std::uintptr_t>(m))) - r.Left);
    return TPoint(left + inset, inset);
}

// ---- Layout --------------------------------------------------------------------------------------------

namespace {
bool oldSingleBorder(const TCustomDBEditGx* e) { return !e->Ctl3D() && e->BorderStyle() == bsSingle; }
}  // namespace

TRect TCustomDBEditGx::ButtonRect() const {
    const int w = ClientWidth(), h = ClientHeight();
    TRect r = oldSingleBorder(this) ? TRect(w - buttonWidth_ - 1, 1, w - 1, h - 1) : TRect(w - buttonWidth_, 0, w, h);
    if (UseRightToLeftAlignment()) OffsetRect(r, -(w - buttonWidth_), 0);
    return r;
}

TRect TCustomDBEditGx::ImageRect() const {
    const int w = ClientWidth(), h = ClientHeight();
    TRect r(0, 0, imageWidth_, h);
    if (UseRightToLeftAlignment()) OffsetRect(r, w - imageWidth_, 0);
    return r;
}

TRect TCustomDBEditGx::EditRect() const {
    const int w = ClientWidth(), h = ClientHeight();
    TRect r = oldSingleBorder(this) ? TRect(imageWidth_ + 1, 1, w - buttonWidth_ - 2, h - 1)
                                    : TRect(imageWidth_, 0, w - buttonWidth_ - 1, h);
    if (UseRightToLeftAlignment()) OffsetRect(r, buttonWidth_ - imageWidth_, 0);
    return r;
}

void TCustomDBEditGx::CalcEditRect(TRect& rect) {
    const int w = rect.Width(), h = rect.Height();
    const bool rtl = UseRightToLeftAlignment();
    rect = rtl ? TRect(buttonWidth_, 0, w, h) : TRect(0, 0, w - buttonWidth_, h);
    if (editImage_ && editImage_->Visible() && editImage_->Images()) {
        if (rtl) rect.Right -= imageWidth_;
        else rect.Left += imageWidth_;
    }
}

void TCustomDBEditGx::SetEditRect() {
    TRect r = ClientRect();
    CalcEditRect(r);
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    Perform(EM_SCROLLCARET, 0, 0);
}

void TCustomDBEditGx::WMSize(TMessage& m) {
    TCustomMaskEdit::WMSize(m);
    UpdateEditButtonControlList();
    SetEditRect();
}

void TCustomDBEditGx::BoundsChanged() {
    TCustomMaskEdit::BoundsChanged();
    if (!created_) return;
    UpdateEditButtonControlList();
    SetEditRect();
}

void TCustomDBEditGx::CMFontChanged(TMessage& m) {
    TCustomMaskEdit::CMFontChanged(m);
    if (!created_) return;
    if ((ControlStyle() & csFixedHeight) && !((ComponentState() & csDesigning) && (ComponentState() & csLoading)))
        AdjustHeight();
    SetEditRect();
}

void TCustomDBEditGx::CMColorChanged(TMessage& m) {
    TCustomMaskEdit::CMColorChanged(m);
    UpdateEditButtonControlsState();
}

void TCustomDBEditGx::CMEnabledChanged(TMessage& m) {
    TCustomMaskEdit::CMEnabledChanged(m);
    UpdateEditButtonControlsState();
    Invalidate();
}

// ---- Buttons ---------------------------------------------------------------------------------------------

TEditButtonControlGx* TCustomDBEditGx::CreateEditButtonControl() {
    auto* c = new TEditButtonControlGx(nullptr);
    c->SetControlStyle(c->ControlStyle() | csReplicatable);
    c->SetBounds(0, 0, 10, 17);
    c->SetVisible(true);
    c->SetTransparent(false);
    return c;
}

void TCustomDBEditGx::UpdateEditButtonControlList() {
    if (!created_ || !editButton_ || !editButtons_) return;
    const int areaHeight = ButtonRect().Height();
    int common = INT_MAX;
    const std::size_t count = static_cast<std::size_t>(editButtons_->Count()) + 1;
    for (std::size_t i = count; i < editButtonControls_.size(); ++i) {
        delete editButtonControls_[i].EditButtonControl;
        delete editButtonControls_[i].ButtonLine;
    }
    if (editButtonControls_.size() > count) editButtonControls_.resize(count);
    while (editButtonControls_.size() < count) {
        TEditButtonControlLineRec rec;
        rec.EditButtonControl = CreateEditButtonControl();
        rec.EditButtonControl->SetParent(this);
        rec.ButtonLine = new TShape(nullptr);
        rec.ButtonLine->SetParent(this);
        editButtonControls_.push_back(rec);
    }
    std::vector<int> widths(count, 0);
    bool anyVisible = false;
    for (std::size_t i = 0; i < count; ++i) {
        TEditButtonGx* b = i == 0 ? editButton_.get() : editButtons_->Items(static_cast<int>(i) - 1);
        TEditButtonControlGx* c = editButtonControls_[i].EditButtonControl;
        TShape* line = editButtonControls_[i].ButtonLine;
        c->SetVisible(b->Visible());
        c->SetStyle(b->Style());
        c->SetGlyph(b->Glyph());
        c->SetNumGlyphs(b->NumGlyphs());
        c->SetHint(b->Hint());
        c->SetFlat(flat_);
        int w = 0;
        if (b->Visible()) w = b->Width() > 0 ? b->Width() : flat_ ? FlatButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
        widths[i] = w;
        if (b->Visible()) {
            anyVisible = true;
            int h = areaHeight;
            if (areaHeight > roundEven(w * 3.0 / 2.0)) h = DefaultEditButtonHeight(w, flat_);
            common = std::min(common, h);
        }
        line->SetVisible(flat_ && b->Visible());
        line->SetWidth(flat_ && b->Visible() ? 1 : 0);
        c->OnButtonDown = TButtonDownEventGx(this, &TCustomDBEditGx::EditButtonDown);
        c->OnClick = TNotifyEvent(this, &TCustomDBEditGx::EditButtonClick);
        c->OnMouseMove = TMouseMoveEvent(this, &TCustomDBEditGx::EditButtonMouseMove);
        c->OnMouseUp = TMouseEvent(this, &TCustomDBEditGx::EditButtonMouseUp);
        c->SetTag(static_cast<int>(i));
    }
    // No visible button: the strip has no height (its hidden controls take none either).
    if (!anyVisible) common = 0;
    const bool rtl = UseRightToLeftAlignment();
    const int top = ButtonRect().Top;
    int x = rtl ? 0 : ClientWidth() - (oldSingleBorder(this) ? 1 : 0);
    int used = 0;
    for (std::size_t k = count; k-- > 0;) {
        TEditButtonControlGx* c = editButtonControls_[k].EditButtonControl;
        TShape* line = editButtonControls_[k].ButtonLine;
        const int w = widths[k];
        const int lw = line->Width();
        if (rtl) {
            c->SetBounds(x, top, w, common);
            x += w;
            line->SetBounds(x, top, lw, common);
            x += lw;
        } else {
            x -= w;
            c->SetBounds(x, top, w, common);
            x -= lw;
            line->SetBounds(x, top, lw, common);
        }
        used += w + lw;
    }
    buttonWidth_ = used;
    buttonHeight_ = common;
}

bool TCustomDBEditGx::ButtonEnabled() { return Enabled() && dataLink_->GetActive(); }

void TCustomDBEditGx::UpdateEditButtonControlsState() {
    if (!created_) return;
    const bool enabled = ButtonEnabled();
    for (TEditButtonControlLineRec& r : editButtonControls_) {
        r.EditButtonControl->SetEnabled(enabled);
        r.EditButtonControl->SetActive(borderActive_);
        r.ButtonLine->Pen()->SetColor(borderActive_ ? clBtnFace : Color());
    }
}

void TCustomDBEditGx::EditButtonChanged(TObject*) {
    if (!created_) return;
    UpdateEditButtonControlList();
    UpdateEditButtonControlsState();
    SetEditRect();
    Invalidate();
}

void TCustomDBEditGx::EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
    if (CanFocus() && !Focused()) SetFocus();
    handled = false;
    auto* c = dynamic_cast<TEditButtonControlGx*>(static_cast<TObject*>(sender));
    if (!c) return;
    const int tag = c->Tag();
    TMsg msg;
    if (PeekMessage(&msg, Handle(), CM_IGNOREEDITDOWN, CM_IGNOREEDITDOWN, PM_NOREMOVE) &&
        static_cast<int>(msg.wParam) == tag) {
        // The press that closed this button's menu (or popup) must not open it again.
        PeekMessage(&msg, Handle(), CM_IGNOREEDITDOWN, CM_IGNOREEDITDOWN, PM_REMOVE);
        return;
    }
    TEditButtonGx* b = tag == 0 ? editButton_.get() : editButtons_->Items(tag - 1);
    auto popupMenu = [&] {
        TPopupMenu* menu = b->DropdownMenu();
        TPoint p = c->ClientToScreen(TPoint(menu->Alignment() == paRight ? c->Width() : 0, c->Height()));
        menu->Popup(p.x, p.y);
        PostMessage(Handle(), CM_IGNOREEDITDOWN, static_cast<WPARAM>(tag), 0);
        c->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
    };
    if (tag == 0) {
        OnButtonDown(sender, topButton, autoRepeat, handled);
        if (handled) return;
        if (b->DropdownMenu()) popupMenu();
        else ButtonDown(!topButton);
        return;
    }
    b->OnDown(sender, topButton, autoRepeat, handled);
    if (!handled && b->DropdownMenu()) popupMenu();
}

void TCustomDBEditGx::ButtonDown(bool isDownButton) {
    (void)isDownButton;
    if (editButton_->Style() != ebsUpDownGx && !isDroppedDown_) {
        DropDown();
        suppressClickCloseUp_ = true;
    }
}

void TCustomDBEditGx::DropDown() {
    if (!editButtonControls_.empty()) editButtonControls_[0].EditButtonControl->SetAlwaysDown(true);
    closeMRUList(false);
}

void TCustomDBEditGx::CloseUp(bool accept) {
    (void)accept;
    if (!editButtonControls_.empty()) editButtonControls_[0].EditButtonControl->SetAlwaysDown(false);
}

void TCustomDBEditGx::EditButtonClick(TObject* sender) {
    bool handled = false;
    auto* c = dynamic_cast<TEditButtonControlGx*>(sender);
    const bool main = c && c->Tag() == 0;
    if (main) {
        OnButtonClick(sender, handled);
    } else if (c && c->Tag() - 1 < editButtons_->Count()) {
        editButtons_->Items(c->Tag() - 1)->OnClick(sender, handled);
    }
    if (!handled && isDroppedDown_ && !suppressClickCloseUp_ && main) CloseUp(false);
    suppressClickCloseUp_ = false;
}

void TCustomDBEditGx::EditButtonMouseMove(TObject*, TShiftState, int, int) {}

void TCustomDBEditGx::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
    auto* c = dynamic_cast<TControl*>(sender);
    if (!c) return;
    if (x < 0 || x > c->ClientWidth() - 1 || y < 0 || y > c->ClientHeight()) suppressClickCloseUp_ = false;
}

void TCustomDBEditGx::WMSetCursor(TMessage& m) {
    const DWORD at = GetMessagePos();
    const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
    if ((buttonWidth_ > 0 && PtInRect(ButtonRect(), p)) || (imageWidth_ > 0 && PtInRect(ImageRect(), p))) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    TCustomMaskEdit::WMSetCursor(m);
}

// ---- Painting --------------------------------------------------------------------------------------------

void TCustomDBEditGx::WMPaint(TMessage& m) {
    auto dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc) {
        TCustomMaskEdit::WMPaint(m);
        return;
    }
    paintMessage_ = &m;
    try {
        PaintWindow(dc);
    } catch (...) {
        paintMessage_ = nullptr;
        throw;
    }
    paintMessage_ = nullptr;
}

void TCustomDBEditGx::PaintWindow(HDC dc) {
    DrawEditImage(dc);
    TAlignment alignment = Alignment();
    if (UseRightToLeftAlignment()) {
        if (alignment == taLeftJustify) alignment = taRightJustify;
        else if (alignment == taRightJustify) alignment = taLeftJustify;
    }
    const bool paintCopy = (ControlState() & csPaintCopy) != 0;
    const bool designNoLink = (ComponentState() & csDesigning) && !dataLink_->Active();
    if ((alignment == taLeftJustify || focusedFlag_ || Focused() || wordWrap_) && !paintCopy && !designNoLink) {
        PaintRequiredState(dc);
        // The native edit paints its text under what was drawn here.
        if (paintMessage_) TCustomMaskEdit::WMPaint(*paintMessage_);
        return;
    }
    TCanvas* c = dc;
    c->Font()->Assign(Font());
    if (!Ctl3D() && BorderStyle() == bsSingle) {
        TRect frame = ClientRect();
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(frame);
    }
    const TRect r = EditRect();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    AnsiString text = GetDisplayTextForPaintCopy();
    if (PasswordChar() != 0) text = AnsiString(std::string(static_cast<std::size_t>(CharCount(text)), PasswordChar()));
    const TPoint margins = GetTextMargins();
    const int tw = c->TextWidth(text);
    int x = r.Left + margins.x;
    if (alignment == taRightJustify) x = r.Right - tw - margins.x;
    else if (alignment == taCenter) x = r.Left + (r.Width() - tw) / 2;
    c->TextRect(r, x, margins.y, text);
    PaintRequiredState(c);
}

AnsiString TCustomDBEditGx::GetDisplayTextForPaintCopy() {
    if ((ComponentState() & csDesigning) && !dataLink_->Active()) return Name();
    TField* f = GetField();
    if ((ControlState() & csPaintCopy) && f) {
        AnsiString t = f->DisplayText();
        if (CharCase() == ecUpperCase) t = AnsiUpperCase(t);
        else if (CharCase() == ecLowerCase) t = AnsiLowerCase(t);
        return t;
    }
    return EditText();
}

void TCustomDBEditGx::PaintRequiredState(TCanvas* canvas) {
    bool draw = false;
    if (highlightRequired_ && dataLink_->GetActive()) {
        if (DataIndepended()) {
            draw = VarIsNull(GetValue()) || GetText().IsEmpty();
        } else if (TField* f = GetField()) {
            TDataSet* ds = dataLink_->DataSet();
            draw = ds && (ds->State() == dsEdit || ds->State() == dsInsert) && f->Required() && f->IsNull();
        }
    }
    OnCheckDrawRequiredState(this, draw);
    if (!draw) return;
    TRect r = ClientRect();
    CalcEditRect(r);
    const int y = ClientHeight() - 1;
    canvas->Pen()->SetColor(static_cast<TColor>(255));
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(r.Left + 2, y);
    canvas->LineTo(r.Right - 3, y);
    canvas->Pen()->SetStyle(psSolid);
}

void TCustomDBEditGx::DrawEditImage(HDC dc) {
    TEditImageGx* img = editImage_.get();
    if (!img || !img->Visible() || !img->Images() || img->ImageIndex() < 0) return;
    TRect r = ImageRect();
    InflateRect(r, -2, -1);
    DrawImage(dc, r, img->Images(), img->ImageIndex(), false);
}

// ---- Flat border -------------------------------------------------------------------------------------------

void TCustomDBEditGx::UpdateDrawBorder() {
    if (ComponentState() & csLoading) return;
    const bool active = (ComponentState() & csDesigning) || Focused() || mouseAbove_ || alwaysShowBorder_;
    if (active == borderActive_) return;
    borderActive_ = active;
    if (Ctl3D() && BorderStyle() == bsSingle && flat_) DrawBorder(nullptr, active);
    UpdateEditButtonControlsState();
}

void TCustomDBEditGx::DrawBorder(HDC dc, bool active) {
    if (!(Ctl3D() && BorderStyle() == bsSingle && flat_)) return;
    const bool own = dc == nullptr;
    if (own) dc = GetWindowDC(Handle());
    if (!dc) {
        // Outside a paint the border is drawn with the next one.
        Invalidate();
        return;
    }
    TRect r(0, 0, Width(), Height());
    if (active) {
        DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
    } else {
        dc->Brush()->SetColor(clBtnFace);
        dc->FrameRect(r);
    }
    InflateRect(r, -1, -1);
    dc->Brush()->SetColor(clBtnFace);
    dc->FrameRect(r);
    if (own) ReleaseDC(Handle(), dc);
}

void TCustomDBEditGx::SetAlwaysShowBorder(bool b) {
    if (b == alwaysShowBorder_) return;
    alwaysShowBorder_ = b;
    UpdateDrawBorder();
}

void TCustomDBEditGx::SetHighlightRequired(bool b) {
    if (b == highlightRequired_) return;
    highlightRequired_ = b;
    Invalidate();
}

void TCustomDBEditGx::CMMouseEnter(TMessage& m) {
    TCustomMaskEdit::CMMouseEnter(m);
    mouseAbove_ = true;
    UpdateDrawBorder();
    Invalidate();
}

void TCustomDBEditGx::CMMouseLeave(TMessage& m) {
    TCustomMaskEdit::CMMouseLeave(m);
    mouseAbove_ = false;
    UpdateDrawBorder();
    Invalidate();
}

// ---- Image ----------------------------------------------------------------------------------------------------

TCustomImageList* TCustomDBEditGx::GetImages() const { return editImage_->Images(); }

void TCustomDBEditGx::SetImages(TCustomImageList* images) {
    editImage_->SetImages(images);
    editImage_->SetVisible(true);
}

void TCustomDBEditGx::SetOnGetImageIndex(const TGetImageIndexEventGx& handler) {
    OnGetImageIndex = handler;
    UpdateImageIndex();
}

void TCustomDBEditGx::UpdateImageIndex() {
    if (!editImage_ || !editImage_->Visible() || !editImage_->Images()) return;
    int index = DefaultImageIndex();
    const Variant v = GetValue();
    switch (VarType(v)) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: index = static_cast<int>(std::nearbyint(v.AsDouble())); break;
    default: break;
    }
    OnGetImageIndex(this, index);
    editImage_->SetImageIndex(index);
}

// ---- MRU list ----------------------------------------------------------------------------------------------

TMRUListboxGx* TCustomDBEditGx::CreateMRUListControl() {
    auto* l = new TMRUListboxGx(this);
    l->SetVisible(false);
    l->SetCtl3D(false);
    l->SetSorted(true);
    l->OnMouseUp = TMouseEvent(this, &TCustomDBEditGx::MRUListControlMouseUp);
    return l;
}

TMRUListboxGx* TCustomDBEditGx::GetMRUListControl() {
    if (!mruListControl_) {
        mruListControl_ = CreateMRUListControl();
        mruListControl_->SetParent(this);
        ShowWindow(mruListControl_->Handle(), SW_HIDE);
    }
    return mruListControl_;
}

void TCustomDBEditGx::UserChange() {
    const AnsiString empty = IsMasked() ? FormatMaskText(EditMask(), AnsiString()) : AnsiString();
    const AnsiString now = EditText();
    if (mruDroppedDown() && now == empty) {
        mruList_->CloseUp(false);
    } else if (mruList_->Active() && Showing() && !isDroppedDown_ && now != empty && Focused()) {
        mruList_->DropDown();
    }
}

void TCustomDBEditGx::MRUListDropDown(TObject*) {
    TMRUListboxGx* list = GetMRUListControl();
    const bool complete = mruList_->FilterItemsTo(list->Items(), EditText());
    if (!complete && mruDroppedDown()) mruList_->CloseUp(false);
    const int rows = std::min(list->Items()->Count(), mruList_->Rows());
    TRect fr;
    Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
    const TPoint tl = ClientToScreen(TPoint(fr.Left, 0));
    const TRect master(tl.x, tl.y, tl.x + fr.Width(), tl.y + Height());
    if (mruDroppedDown()) {
        if (list->Items()->Count() == 0) {
            mruList_->CloseUp(false);
            return;
        }
        list->SetRowCount(rows);
        const TPoint p = AlignDropDownWindowRect(master, list, daLeft);
        list->SetBounds(p.x, p.y, list->Width(), list->Height());
        return;
    }
    if (list->Items()->Count() == 0) return;
    list->SetColor(Color());
    list->Font()->Assign(Font());
    list->SetItemHeight(list->GetTextHeight());
    list->SetItemIndex(-1);
    list->SetRowCount(rows);
    list->SetWidth(mruList_->DropDownWidth > 0 ? mruList_->DropDownWidth : fr.Width());
    const TPoint p = AlignDropDownWindowRect(master, list, daLeft);
    list->SetBounds(p.x, p.y, list->Width(), list->Height());
    list->SetVisible(true);
    ShowWindow(list->Handle(), SW_SHOWNOACTIVATE);
    if (list->SizeGrip()) list->SizeGrip()->SetVisible(true);
    list->UpdateScrollBar();
    mruList_->IsDroppedDown = true;
    list->SetResizedBySizeGrip(false);
    if (list->SizeGrip()) list->SizeGrip()->OnParentResized = TNotifyEvent(this, &TCustomDBEditGx::MRUListControlResized);
}

void TCustomDBEditGx::MRUListCloseUp(TObject*, bool accept) {
    if (!mruDroppedDown() || !mruListControl_) return;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    const bool hadFocus = mruListControl_->Focused();
    ShowWindow(mruListControl_->Handle(), SW_HIDE);
    mruListControl_->SetVisible(false);
    if (hadFocus && CanFocus()) SetFocus();
    mruList_->IsDroppedDown = false;
    if (accept && !readOnly_ && dataLink_->Edit()) {
        const int i = mruListControl_->ItemIndex();
        if (i >= 0) {
            InternalSetText(mruListControl_->Items()->Get(i));
            if (Focused()) SelectAll();
        }
    }
}

void TCustomDBEditGx::closeMRUList(bool accept) {
    if (mruDroppedDown()) mruList_->CloseUp(accept);
}

void TCustomDBEditGx::MRUListControlMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft || !mruListControl_) return;
    mruList_->CloseUp(PtInRect(mruListControl_->ClientRect(), TPoint(x, y)));
}

void TCustomDBEditGx::MRUListControlResized(TObject*) {
    if (!mruDroppedDown() || !mruListControl_) return;
    mruList_->SetRows(mruListControl_->RowCount());
    mruList_->DropDownWidth = mruListControl_->Width();
}

void TCustomDBEditGx::FilterMRUItem(const AnsiString& text, bool& accept) {
    const AnsiString own = GetText();
    const int n = CharCount(own);
    accept = CharCount(text) >= n &&
             (mruList_->CaseSensitive() ? AnsiStrLComp(text, own, n) == 0 : AnsiStrLIComp(text, own, n) == 0);
    mruList_->OnFilterMRUItem(this, accept);
}

// ---- Mouse wheel -------------------------------------------------------------------------------------------

bool TCustomDBEditGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    return TCustomMaskEdit::DoMouseWheelDown(shift, mousePos);
}

bool TCustomDBEditGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    return TCustomMaskEdit::DoMouseWheelUp(shift, mousePos);
}

void TCustomDBEditGx::CMMouseWheel(TMessage& m) { TCustomMaskEdit::CMMouseWheel(m); }

// ---- Tool tips ---------------------------------------------------------------------------------------------

TToolTipsWindow::TToolTipsWindow(TComponent* owner) : THintWindow(owner) {}

TRect TToolTipsWindow::CalcHintRect(int maxWidth, const AnsiString& hint, void* data) {
    if (data) Canvas()->Font()->Assign(static_cast<TFont*>(data));
    if (data) Font()->Assign(static_cast<TFont*>(data));
    return THintWindow::CalcHintRect(maxWidth, hint, data);
}

void TCustomDBEditGx::SetTooltips(bool b) {
    if (b == tooltips_) return;
    tooltips_ = b;
    UpdateHintProcessing();
}

void TCustomDBEditGx::SetShowHint(bool b) {
    if (b == ownShowHint_) return;
    ownShowHint_ = b;
    UpdateHintProcessing();
}

void TCustomDBEditGx::UpdateHintProcessing() { TControl::SetShowHint(tooltips_ || ownShowHint_); }

void TCustomDBEditGx::CMParentShowHintChanged(TMessage& m) {
    (void)m;
    if (parentHintChanging_ || !ParentShowHint() || !Parent()) return;
    parentHintChanging_ = true;
    ownShowHint_ = Parent()->ShowHint();
    UpdateHintProcessing();
    // Setting the shown state took the parent's rule away: it stays.
    SetParentShowHint(true);
    parentHintChanging_ = false;
}

bool TCustomDBEditGx::CheckHintTextRect(int& textWidth, int& textHeight) {
    TRect edit = ClientRect();
    CalcEditRect(edit);
    const int width = std::max(1, edit.Width());
    unsigned flags = DT_CALCRECT | DT_NOPREFIX;
    if (wordWrap_) flags |= DT_WORDBREAK;
    else flags |= DT_SINGLELINE;
    TRect r = CalcTextRect(Font(), GetText(), TRect(0, 0, width, 0), flags);
    textWidth = r.Width();
    textHeight = r.Height();
    return textWidth > width - 2 || textHeight > edit.Height();
}

void TCustomDBEditGx::CMHintShow(TMessage& m) {
    auto* info = reinterpret_cast<THintInfo*>(m.LParam);
    int w = 0, h = 0;
    if (info && tooltips_ && CheckHintTextRect(w, h)) {
        info->HintStr = GetText();
        info->HintPos = ClientToScreen(TPoint(0, Height()));
        info->HintWindowClass = HintWindowClassOf<TToolTipsWindow>();
        info->HintData = Font();
        m.Result = 0;
        return;
    }
    if (!ownShowHint_) {
        m.Result = 1;
        return;
    }
    TCustomMaskEdit::CMHintShow(m);
}
