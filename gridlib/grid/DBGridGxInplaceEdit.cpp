// The grid's cell editor: the edit style of the current column with its main button and the
// column's edit buttons, the formatting rectangle left to the text, keys (lookup and key-list
// completion, Delete and Backspace on lookups, word-wrapped lines, the grid's own shortcuts and the
// buttons' shortcuts), paste, the image before the text and the mark of an empty required field.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Clipbrd.h"
#include "gui/WinApi.h"

#include <climits>
#include <cmath>

namespace {

int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

AnsiString leftChars(const AnsiString& s, int n) {
    const std::vector<std::string> chars = Utf8Chars(s.str());
    std::string out;
    for (int i = 0; i < n && i < static_cast<int>(chars.size()); ++i) out += chars[static_cast<std::size_t>(i)];
    return AnsiString(out);
}

AnsiString charsFrom(const AnsiString& s, int from) {
    const std::vector<std::string> chars = Utf8Chars(s.str());
    std::string out;
    for (int i = std::max(0, from); i < static_cast<int>(chars.size()); ++i) out += chars[static_cast<std::size_t>(i)];
    return AnsiString(out);
}

bool isLookupKind(TColumnGxType t) { return t == ctLookupField || t == ctKeyPickList; }

TEditButtonStyleGx mainButtonStyle(TInplaceEditStyleGx s) {
    switch (s) {
    case esEllipsisGx: return ebsEllipsisGx;
    case esUpDownGx: return ebsUpDownGx;
    default: return ebsDropDownGx;
    }
}

}  // namespace

// The first entry that begins with text (the locale's case-insensitive comparison); -1 when none.
int PickListPrefixIndex(const TStrings* list, const AnsiString& text) {
    if (!list) return -1;
    const int n = CharCount(text);
    for (int i = 0; i < list->Count(); ++i) {
        const AnsiString entry = list->Strings(i);
        if (CharCount(entry) >= n && AnsiStrLIComp(entry, text, n) == 0) return i;
    }
    return -1;
}

// The entry equal to text by the locale's case-insensitive comparison; -1 when none.
int PickListTextIndex(const TStrings* list, const AnsiString& text) {
    if (!list) return -1;
    for (int i = 0; i < list->Count(); ++i)
        if (AnsiCompareText(list->Strings(i), text) == 0) return i;
    return -1;
}

// ---- Edit style of a column ---------------------------------------------------------------------------

TInplaceEditStyleGx GetColumnEditStyle(TColumnGx* column, bool designing) {
    if (!column) return esNoneGx;
    switch (column->ButtonStyle()) {
    case cbsEllipsis: return esEllipsisGx;
    case cbsUpDown: return esUpDownGx;
    case cbsDropDown: return esDropDownGx;
    case cbsNone: return esNoneGx;
    case cbsAuto: break;
    }
    TField* f = column->Field();
    if (!f) return esNoneGx;
    if (f->FieldKind() == fkLookup) {
        std::vector<TField*> keys;
        if (f->DataSet() && !f->KeyFields().IsEmpty()) f->DataSet()->GetFieldList(keys, f->KeyFields());
        TCustomDBGridGx* g = column->Grid();
        const bool ok = !keys.empty() && (designing || AllFieldsCanModify(keys)) &&
                        !(column->IsAssigned(cvReadOnly) && column->ReadOnly()) && g && !g->ReadOnly() &&
                        g->DataLink()->Active() && !g->DataLink()->ReadOnly();
        return ok ? esDataListGx : esNoneGx;
    }
    const TStrings* picks = column->PickListIfAny();
    if (picks && picks->Count() > 0 && !column->ReadOnly()) return esPickListGx;
    const TFieldType t = f->DataType();
    if ((t == ftDate || t == ftDateTime || t == ftTimeStamp) && !column->ReadOnly()) return esCalendarGx;
    return esNoneGx;
}

// ---- Construction --------------------------------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* owner) : TInplaceEdit(owner) {
    lookupSource_ = std::make_unique<TDataSource>(this);
    canvas_ = std::make_unique<TControlCanvas>();
    canvas_->SetControl(this);
    editStyle_ = esNoneGx;
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() {
    if (TMRUListGx* l = MRUList()) {
        l->OnSetDropDown = TNotifyEvent();
        l->OnSetCloseUp = {};
    }
    canvas_.reset();
}

TCustomDBGridGx* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TCustomDBGridGx*>(Grid()); }

TColumnGx* TDBGridInplaceEdit::Column() const {
    TCustomDBGridGx* g = DBGrid();
    if (!g) return nullptr;
    const int i = g->SelectedIndex();
    if (i < 0 || i >= g->Columns()->Count()) return nullptr;
    return g->Columns()->Items(i);
}

TMRUListGx* TDBGridInplaceEdit::MRUList() const {
    TColumnGx* c = Column();
    return c ? c->MRUList() : nullptr;
}

bool TDBGridInplaceEdit::MRUDroppedDown() const {
    TMRUListGx* l = MRUList();
    return l && l->IsDroppedDown;
}

TInplaceEditStyleGx TDBGridInplaceEdit::GetColumnEditStyle(TColumnGx* column) const {
    return ::GetColumnEditStyle(column, (ComponentState() & csDesigning) != 0);
}

void TDBGridInplaceEdit::Notification(TComponent* component, TOperation operation) {
    TInplaceEdit::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == dataList_) {
        if (activeList_ == dataList_) activeList_ = nullptr;
        dataList_ = nullptr;
        editStyle_ = esNoneGx;
    }
    if (component == pickList_) pickList_ = nullptr;
    if (component == calendar_) calendar_ = nullptr;
    if (component == calculator_) calculator_ = nullptr;
    if (component == mruListControl_) mruListControl_ = nullptr;
    if (component == activeList_) activeList_ = nullptr;
}

// ---- Style and contents --------------------------------------------------------------------------------

TPopupListboxGx* TDBGridInplaceEdit::getPickList() {
    if (!pickList_) {
        pickList_ = new TPopupListboxGx(this);
        pickList_->SetVisible(false);
        pickList_->SetCtl3D(true);
        pickList_->SetParent(this);
        ShowWindow(pickList_->Handle(), SW_HIDE);
        pickList_->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::ListMouseUp);
        pickList_->SetItemHeight(pickList_->GetTextHeight());
    }
    TColumnGx* c = Column();
    pickList_->SetImageList(c ? c->ImageList() : nullptr);
    return pickList_;
}

TPopupMonthCalendarGx* TDBGridInplaceEdit::getCalendar() {
    if (!calendar_) {
        calendar_ = new TPopupMonthCalendarGx(this);
        calendar_->SetParent(this);
        ShowWindow(calendar_->Handle(), SW_HIDE);
    }
    return calendar_;
}

void TDBGridInplaceEdit::SetEditStyle(TInplaceEditStyleGx style) {
    editStyle_ = style;
    TColumnGx* c = Column();
    switch (style) {
    case esPickListGx: activeList_ = getPickList(); break;
    case esDataListGx: {
        TWinControl* list = GetDataList();
        if (list != dataList_) {
            if (dataList_) dataList_->RemoveFreeNotification(this);
            dataList_ = list;
            if (list) {
                list->SetVisible(false);
                list->SetParent(this);
                list->FreeNotification(this);
            }
        }
        activeList_ = dataList_;
        break;
    }
    case esCalendarGx: activeList_ = getCalendar(); break;
    case esDropDownGx: {
        TField* f = c ? c->Field() : nullptr;
        if (f && dynamic_cast<TNumericField*>(f)) {
            TWinControl* calc = GetDropDownCalculator();
            if (calc != calculator_) {
                calculator_ = calc;
                if (calc) {
                    calc->SetParent(this);
                    calc->FreeNotification(this);
                }
            }
            activeList_ = calculator_;
        } else {
            activeList_ = nullptr;
        }
        break;
    }
    default: activeList_ = nullptr; break;
    }
    SetReadOnly(c ? c->ReadOnly() : false);
    Invalidate();
}

void TDBGridInplaceEdit::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    // The several-line form is a window of its own; it is made anew with the same text.
    SetMultiLine(value, true);
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& params) {
    TInplaceEdit::CreateParams(params);
    TCustomDBGridGx* g = DBGrid();
    buttonsWidth_ = g && g->Flat() ? FlatButtonWidth + 1 : GetSystemMetrics(SM_CXVSCROLL);
}

void TDBGridInplaceEdit::UpdateContents() {
    TCustomDBGridGx* g = DBGrid();
    if (!g) return;
    TColumnGx* c = Column();
    updatingContents_ = true;
    try {
        SetEditStyle(GetColumnEditStyle(c));
        if (c) Font()->Assign(c->Font());
        TColCellParamsGx params;
        bool canModify = false;
        if (c) {
            c->FillColCellParams(&params);
            params.Background = c->Color();
            params.Font = Font();
            params.State = gdFocused;
            params.Text = g->GetEditText(g->Col(), g->Row());
            canModify = c->CanModify(false);
            params.ReadOnly = !canModify;
            g->OnGetCellParams(g, c, params.Font, params.Background, params.State);
            c->GetColCellParams(true, &params);
            SetColor(params.Background);
        }
        imageIndex_ = params.ImageIndex;
        if (c && params.ReadOnly != !canModify) {
            SetReadOnly(params.ReadOnly);
            readOnlySetByCellParams_ = true;
        } else {
            readOnlySetByCellParams_ = false;
        }
        SetWordWrap(c && c->WordWrap() && g->MultiLineRows());
        // Text, mask and limit of the cell (the text the cell parameters gave).
        TInplaceEdit::UpdateContents();
        if (c && Text() != params.Text) setCodeText(params.Text);
        if (TMRUListGx* l = MRUList()) {
            l->OnSetDropDown = TNotifyEvent(this, &TDBGridInplaceEdit::MRUListDropDown);
            l->OnSetCloseUp = TClosure<void(TObject*, bool)>(this, &TDBGridInplaceEdit::MRUListCloseUp);
        }
    } catch (...) {
        updatingContents_ = false;
        throw;
    }
    updatingContents_ = false;
    userTextChanged_ = false;
}

void TDBGridInplaceEdit::Change() {
    TInplaceEdit::Change();
    if (updatingContents_) return;
    if (codeTextChange_) {
        UpdateImageIndex();
        return;
    }
    UserChange();
    // A change outside a message of the editor (text set by code) is settled at once.
    if (inDefaultHandler_ == 0 && userTextChanged_) {
        userTextChanged_ = false;
        if (mruShouldDropDown()) MRUList()->DropDown();
        else if (MRUDroppedDown() && EditText() == emptyMaskText()) MRUList()->CloseUp(false);
    }
}

void TDBGridInplaceEdit::UserChange() {
    userTextChanged_ = true;
    UpdateImageIndex();
}

void TDBGridInplaceEdit::UpdateImageIndex() {
    TColumnGx* c = Column();
    if (!c || !c->ImageList()) return;
    int index = -1;
    const TStrings* picks = c->PickListIfAny();
    TField* f = c->Field();
    if (picks && picks->Count() > 0) {
        index = picks->IndexOf(Text());
    } else if (f && ftNumberFieldTypes.Contains(f->DataType())) {
        index = FieldAsIntegerOrDefault(f, -1);
    }
    if (index == -1) index = c->NotInKeyListIndex();
    if (index != imageIndex_) {
        imageIndex_ = index;
        Invalidate();
    }
}

// ---- Geometry and buttons ------------------------------------------------------------------------------

void TDBGridInplaceEdit::CalcEditRect(TRect& rect) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    const bool flat = g && g->Flat();
    rect = flat ? TRect(2, 1, Width() - 2, Height() - 1) : TRect(2, 2, Width() - 2, Height());
    canvas_->Font()->Assign(Font());
    if (rect.Height() < canvas_->TextHeight("Wg") && rect.Bottom < Height()) ++rect.Bottom;
    const bool rtl = c && c->UseRightToLeftAlignment();
    if (rtl) rect.Left += buttonsWidth_;
    else rect.Right -= buttonsWidth_;
    if (c && c->ImageList() && c->ShowImageAndText()) {
        const int w = c->ImageList()->Width() + 5;
        if (rtl) rect.Right -= w;
        else rect.Left += w;
    }
}

TRect TDBGridInplaceEdit::formatRect() {
    TRect r;
    Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

TEditButtonControlGx* TDBGridInplaceEdit::CreateEditButtonControl() {
    auto* b = new TEditButtonControlGx(this);
    b->SetControlStyle(b->ControlStyle() | csReplicatable);
    b->SetBounds(0, 0, 10, 17);
    b->SetVisible(true);
    b->SetTransparent(false);
    b->SetParent(this);
    return b;
}

TEditButtonGx* TDBGridInplaceEdit::columnButton(int entry) const {
    TColumnGx* c = Column();
    if (!c || entry < 1 || entry > c->EditButtons()->Count()) return nullptr;
    return c->EditButtons()->Items(entry - 1);
}

void TDBGridInplaceEdit::UpdateEditButtonControlList() {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    const bool flat = g && g->Flat();
    const std::size_t count = static_cast<std::size_t>(c ? c->EditButtons()->Count() : 0) + 1;
    for (std::size_t i = count; i < buttons_.size(); ++i) {
        buttons_[i].EditButtonControl->SetVisible(false);
        buttons_[i].ButtonLine->SetVisible(false);
        delete buttons_[i].EditButtonControl;
        delete buttons_[i].ButtonLine;
    }
    if (buttons_.size() > count) buttons_.resize(count);
    while (buttons_.size() < count) {
        TEditButtonControlLineRec rec;
        rec.EditButtonControl = CreateEditButtonControl();
        rec.ButtonLine = new TShape(this);
        rec.ButtonLine->SetParent(this);
        buttons_.push_back(rec);
    }
    const int defaultWidth = flat ? FlatButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
    const int clientHeight = ClientHeight();
    std::vector<int> widths(count, 0);
    int common = INT_MAX;
    for (std::size_t i = 0; i < count; ++i) {
        TEditButtonControlGx* b = buttons_[i].EditButtonControl;
        TShape* line = buttons_[i].ButtonLine;
        bool visible;
        int w;
        if (i == 0) {
            visible = editStyle_ != esNoneGx;
            b->SetStyle(mainButtonStyle(editStyle_));
            b->SetGlyph(nullptr);
            b->SetHint(AnsiString());
            w = visible ? defaultWidth : 0;
        } else {
            TEditButtonGx* eb = columnButton(static_cast<int>(i));
            visible = eb->Visible();
            b->SetStyle(eb->Style());
            b->SetGlyph(eb->Glyph());
            b->SetNumGlyphs(eb->NumGlyphs());
            b->SetHint(eb->Hint());
            w = visible ? (eb->Width() > 0 ? eb->Width() : defaultWidth) : 0;
        }
        b->SetVisible(visible);
        b->SetFlat(flat);
        widths[i] = w;
        if (visible) {
            int h;
            if (roundEven(w * 3.0 / 2.0) < clientHeight) h = i == 0 ? DefaultEditButtonHeight(w, flat) : w;
            else h = clientHeight;
            common = std::min(common, h);
        }
        line->SetVisible(flat && visible);
        line->SetWidth(flat && visible ? 1 : 0);
        b->OnButtonDown = TButtonDownEventGx(this, &TDBGridInplaceEdit::EditButtonDown);
        b->OnClick = TNotifyEvent(this, &TDBGridInplaceEdit::EditButtonClick);
        b->OnMouseMove = TMouseMoveEvent(this, &TDBGridInplaceEdit::EditButtonMouseMove);
        b->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::EditButtonMouseUp);
        // Each button answers for its own ignored press (the one that closed its menu).
        b->SetTag(static_cast<int>(i));
    }
    // No visible button: the strip takes no height.
    if (common == INT_MAX) common = 0;
    const bool rtl = c && c->UseRightToLeftAlignment();
    int x = rtl ? 0 : ClientWidth();
    int used = 0;
    for (std::size_t k = count; k-- > 0;) {
        TEditButtonControlGx* b = buttons_[k].EditButtonControl;
        TShape* line = buttons_[k].ButtonLine;
        const int w = widths[k];
        const int lw = line->Visible() ? 1 : 0;
        if (rtl) {
            b->SetBounds(x, 0, w, common);
            x += w;
            line->SetBounds(x, 0, lw, common);
            x += lw;
        } else {
            x -= w;
            b->SetBounds(x, 0, w, common);
            x -= lw;
            line->SetBounds(x, 0, lw, common);
        }
        used += w + lw;
    }
    buttonsWidth_ = used;
}

void TDBGridInplaceEdit::UpdateEditButtonControlsState() {
    for (TEditButtonControlLineRec& r : buttons_) {
        r.EditButtonControl->SetEnabled(true);
        r.EditButtonControl->SetActive(true);
        r.ButtonLine->Pen()->SetColor(clBtnFace);
    }
}

void TDBGridInplaceEdit::BoundsChanged() {
    TInplaceEdit::BoundsChanged();
    // A press that closed a button's menu does not outlive the move to another cell.
    RemoveQueuedMessage(Handle(), CM_IGNOREEDITDOWN);
    UpdateEditButtonControlList();
    UpdateEditButtonControlsState();
    TRect r;
    CalcEditRect(r);
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    Perform(EM_SCROLLCARET, 0, 0);
    buttonHeight_ = roundEven(buttonsWidth_ * 3.0 / 2.0) < Height() ? buttonsWidth_ : Height();
}

// ---- Buttons' events -----------------------------------------------------------------------------------

void TDBGridInplaceEdit::pressButton(int entry) {
    if (entry < 0 || entry >= static_cast<int>(buttons_.size())) return;
    TEditButtonControlGx* b = buttons_[static_cast<std::size_t>(entry)].EditButtonControl;
    bool autoRepeat = false;
    b->EditButtonDown(true, autoRepeat);
    static_cast<TControl*>(b)->Click();
}

void TDBGridInplaceEdit::EditButtonClick(TObject* sender) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    const bool main = !buttons_.empty() && sender == buttons_[0].EditButtonControl;
    if (main && g && (editStyle_ == esEllipsisGx || editStyle_ == esDropDownGx)) g->EditButtonClick();
    bool handled = false;
    if (main) {
        if (c && c->OnEditButtonClick) c->OnEditButtonClick(sender, handled);
    } else {
        for (std::size_t i = 1; i < buttons_.size(); ++i) {
            if (buttons_[i].EditButtonControl != sender) continue;
            if (TEditButtonGx* b = columnButton(static_cast<int>(i)); b && b->OnClick) b->OnClick(sender, handled);
            break;
        }
    }
    if (!handled && droppedDown_ && !noClickCloseUp_ && main) CloseUp(false);
    noClickCloseUp_ = false;
}

void TDBGridInplaceEdit::EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
    if (CanFocus() && !Focused()) SetFocus();
    handled = false;
    auto* b = dynamic_cast<TEditButtonControlGx*>(sender);
    if (!b) return;
    const int tag = b->Tag();
    TMsg msg;
    if (PeekMessage(&msg, Handle(), CM_IGNOREEDITDOWN, CM_IGNOREEDITDOWN, PM_NOREMOVE) &&
        static_cast<int>(msg.wParam) == tag) {
        // The press that closed this button's menu must not open it again.
        PeekMessage(&msg, Handle(), CM_IGNOREEDITDOWN, CM_IGNOREEDITDOWN, PM_REMOVE);
        return;
    }
    TColumnGx* c = Column();
    if (tag == 0) {
        if (c && c->OnEditButtonDown) c->OnEditButtonDown(sender, topButton, autoRepeat, handled);
        if (!handled) ButtonDown(!topButton);
        return;
    }
    TEditButtonGx* eb = columnButton(tag);
    if (!eb) return;
    if (eb->OnDown) eb->OnDown(sender, topButton, autoRepeat, handled);
    if (!handled && eb->DropdownMenu()) {
        TPopupMenu* menu = eb->DropdownMenu();
        const TPoint p = b->ClientToScreen(TPoint(menu->Alignment() == paRight ? b->Width() : 0, b->Height()));
        menu->Popup(p.x, p.y);
        PostMessage(Handle(), CM_IGNOREEDITDOWN, static_cast<WPARAM>(tag), 0);
        b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
    }
}

void TDBGridInplaceEdit::ButtonDown(bool isDownButton) {
    if (editStyle_ == esUpDownGx) {
        stepUpDown(isDownButton);
        return;
    }
    if (!droppedDown_) {
        DropDown();
        noClickCloseUp_ = true;
    }
}

void TDBGridInplaceEdit::stepUpDown(bool isDownButton) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c || !c->CanModify(true)) return;
    if (g->GetEditText(g->Col(), g->Row()) != Text()) {
        g->SetEditText(g->Col(), g->Row(), Text());
        g->UpdateData();
    }
    double step = isDownButton ? -c->Increment() : c->Increment();
    // Down moves to the next entry of a list.
    if (c->GetColumnType() != ctCommon) step = -step;
    c->SetNextFieldValue(step);
}

void TDBGridInplaceEdit::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
    if (!buttons_.empty() && sender == buttons_[0].EditButtonControl) TraceMouseMoveForPopupListbox(sender, shift, x, y);
}

void TDBGridInplaceEdit::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
    auto* b = dynamic_cast<TControl*>(sender);
    if (!b) return;
    if (x < 0 || x >= b->ClientWidth() || y < 0 || y > b->ClientHeight()) noClickCloseUp_ = false;
}

// ---- Text helpers ----------------------------------------------------------------------------------------

void TDBGridInplaceEdit::setCodeText(const AnsiString& text) {
    const bool saved = codeTextChange_;
    codeTextChange_ = true;
    try {
        SetText(text);
    } catch (...) {
        codeTextChange_ = saved;
        throw;
    }
    codeTextChange_ = saved;
}

void TDBGridInplaceEdit::setTextKeepingCaret(const AnsiString& text, int caret) {
    setCodeText(text);
    SetSelStart(caret);
    SetSelLength(0);
}

AnsiString TDBGridInplaceEdit::emptyMaskText() const {
    return IsMasked() ? FormatMaskText(EditMask(), AnsiString()) : AnsiString();
}

bool TDBGridInplaceEdit::mruShouldDropDown() const {
    TMRUListGx* l = MRUList();
    return l && l->Active() && Showing() && !droppedDown_ && !l->IsDroppedDown && EditText() != emptyMaskText();
}

void TDBGridInplaceEdit::listFollowsEditText() {
    TCustomDBGridGx* g = DBGrid();
    if (!g) return;
    if (editStyle_ == esDataListGx) {
        if (dataList_) SetDataListKeyValue(dataList_, g->EditKeyValue());
    } else if (pickList_ && activeList_ == pickList_) {
        pickList_->SetItemIndex(PickListTextIndex(pickList_->Items(), g->EditText()));
    }
}

void TDBGridInplaceEdit::LocateLookupText() {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c || !c->CanModify(true)) return;
    g->SetEditTextValue(Text());
    TField* f = c->Field();
    TDataSet* lookup = c->UsedLookupDataSet();
    if (editStyle_ == esDataListGx && f && lookup) {
        if (lookup->Locate(f->LookupResultField(), Variant(Text()), loCaseInsensitive))
            g->SetEditKeyValue(lookup->FieldValues(f->LookupKeyFields()));
        else
            g->SetEditKeyValue(Null());
    }
}

// ---- Keys ---------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g) {
        TInplaceEdit::KeyDown(key, shift);
        return;
    }
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    // 1. Ctrl+Enter clicks the ellipsis or drop-down button; its line feed must not follow.
    if ((editStyle_ == esEllipsisGx || editStyle_ == esDropDownGx) && key == VK_RETURN && mods == ssCtrl) {
        RemoveQueuedMessage(Handle(), WM_CHAR);
        g->EditButtonClick();
        key = 0;
        return;
    }
    const TColumnGxType type = c ? c->GetColumnType() : ctCommon;
    // 2. Delete on a lookup or key-list column edits the key, not characters.
    if (key == VK_DELETE && mods == 0 && c && isLookupKind(type) && c->CanModify(false)) {
        const AnsiString text = Text();
        const int length = CharCount(text);
        TField* f = c->Field();
        if (SelStart() == 0 && SelLength() == length && c->CanModify(true)) {
            if (editStyle_ == esDataListGx) {
                std::vector<TField*> keys;
                if (f && f->DataSet()) f->DataSet()->GetFieldList(keys, f->KeyFields());
                if (AllFieldsCanModify(keys)) {
                    f->DataSet()->Edit();
                    g->DataLink()->Modified();
                    g->SetEditKeyValue(Null());
                    g->SetEditTextValue(AnsiString());
                    setCodeText(AnsiString());
                    g->SetEditTextValue(AnsiString());
                    if (dataList_) SetDataListKeyValue(dataList_, Null());
                }
            } else if (editStyle_ == esPickListGx && type == ctKeyPickList) {
                setCodeText(AnsiString());
                g->SetEditTextValue(AnsiString());
            }
            key = 0;
            return;
        }
        if (c->OnNotInList) {
            if (c->CanModify(true)) {
                // The selection goes, or the character after the caret when nothing is selected.
                const int start = SelStart();
                const int count = SelLength() > 0 ? SelLength() : 1;
                setTextKeepingCaret(leftChars(text, start) + charsFrom(text, start + count), start);
                LocateLookupText();
                listFollowsEditText();
            }
        }
        key = 0;
        return;
    }
    // 3. Backspace on a lookup or key-list column.
    if (key == VK_BACK && c && isLookupKind(type)) {
        if (c->OnNotInList && c->CanModify(true)) {
            const AnsiString text = Text();
            const int start = SelStart();
            AnsiString rest = leftChars(text, start) + charsFrom(text, start + SelLength());
            int caret = start;
            if (SelLength() == 0 && start > 0) {
                rest = leftChars(text, start - 1) + charsFrom(text, start);
                caret = start - 1;
            }
            setTextKeepingCaret(rest, caret);
            LocateLookupText();
            listFollowsEditText();
            key = 0;
            return;
        }
        // Without OnNotInList the key acts as Left: only the caret moves.
        const int start = SelStart();
        SetSelStart(start > 0 ? start - 1 : 0);
        SetSelLength(0);
        key = 0;
        return;
    }
    // 4. Up and Down inside a word-wrapped cell move between its lines.
    if (wordWrap_ && (key == VK_UP || key == VK_DOWN)) {
        const int length = CharCount(Text());
        const bool all = SelStart() == 0 && SelLength() == length;
        const int caretLine = static_cast<int>(Perform(EM_LINEFROMCHAR, static_cast<WPARAM>(SelStart()), 0));
        const int lastLine = static_cast<int>(Perform(EM_LINEFROMCHAR, static_cast<WPARAM>(length), 0));
        const bool leaves = (g->Options() & dgAlwaysShowEditor) &&
                            (all || (key == VK_UP && caretLine == 0) || (key == VK_DOWN && caretLine >= lastLine));
        if (leaves) TInplaceEdit::KeyDown(key, shift);
        else TCustomMaskEdit::KeyDown(key, shift);
        return;
    }
    // 5. Enter as Tab, the grid's shortcuts and the buttons' shortcuts.
    if (key == VK_RETURN && (g->OptionsGx() & dghEnterAsTab) && !MRUDroppedDown()) {
        g->KeyDown(key, shift);
        key = 0;
        return;
    }
    const TShortCut sc = ShortCut(key, mods);
    if (sc == DBGridGxSetValueFromPrevRecordKey) {
        // Copying the value above is the grid's key.
        g->KeyDown(key, shift);
        key = 0;
        return;
    }
    // The find dialog opens on the text selected here.
    if (key != 0 && g->RunFindKey(sc, SelText())) {
        key = 0;
        return;
    }
    if (c && editStyle_ == esDataListGx && c->DropDownSpecRow()->Visible() &&
        sc == c->DropDownSpecRow()->ShortCut() && c->CanModify(false)) {
        if (c->CanModify(true)) {
            TSpecRowGx* row = c->DropDownSpecRow();
            setCodeText(row->GetCellText(0));
            g->SetEditTextValue(row->GetCellText(0));
            g->SetEditKeyValue(row->Value());
            if (dataList_) SetDataListKeyValue(dataList_, row->Value());
            SelectAll();
        }
        key = 0;
        return;
    }
    if (c && sc != 0) {
        for (int i = 0; i < c->EditButtons()->Count(); ++i) {
            if (c->EditButtons()->Items(i)->ShortCut() != sc) continue;
            pressButton(i + 1);
            key = 0;
            return;
        }
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::KeyPress(WideChar& key) {
    completeKeyText_ = CharToText(key);
    AnsiString keyText = completeKeyText_;
    ProcessSearchStr(keyText);
    if (keyText.IsEmpty()) {
        key = 0;
        return;
    }
    // Ctrl+Enter's line feed breaks no line in a one-line cell.
    if (key == 10 && (CurrentShiftState() & (ssShift | ssCtrl | ssAlt)) == ssCtrl && !wordWrap_) {
        key = 0;
        return;
    }
    TInplaceEdit::KeyPress(key);
    TMRUListGx* l = MRUList();
    if (key == 8 && Text().IsEmpty() && l && l->Active() && Showing() && !droppedDown_) l->DropDown();
}

void TDBGridInplaceEdit::ProcessSearchStr(AnsiString& keyText) {
    const std::string& kt = keyText.str();
    if (kt.size() == 1 && static_cast<unsigned char>(kt[0]) < 32 && kt[0] != 8) return;
    const bool backspace = kt == "\b";
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c) return;
    TField* f = c->Field();
    const TColumnGxType type = c->GetColumnType();
    if (editStyle_ == esDataListGx) {
        TDataSet* lookup = c->UsedLookupDataSet();
        if (!f || !lookup || !g->AllowedOperationUpdate() || !g->CanEditModifyText()) return;
        if (backspace) {
            keyText = AnsiString();
            return;
        }
        const AnsiString typed = leftChars(Text(), SelStart()) + keyText;
        if (lookup->Locate(f->LookupResultField(), Variant(typed), loCaseInsensitive | loPartialKey)) {
            g->DataLink()->Edit();
            g->DataLink()->Modified();
            const AnsiString found = lookup->FieldByName(f->LookupResultField())->Text();
            setCodeText(found);
            SetSelStart(CharCount(typed));
            SetSelLength(CharCount(found) - CharCount(typed));
            g->SetEditKeyValue(lookup->FieldValues(f->LookupKeyFields()));
            g->SetEditTextValue(found);
            listFollowsEditText();
        } else if (c->OnNotInList) {
            g->DataLink()->Edit();
            setTextKeepingCaret(typed, CharCount(typed));
            g->SetEditKeyValue(Null());
            g->SetEditTextValue(typed);
            listFollowsEditText();
        }
        keyText = AnsiString();
        return;
    }
    if (type != ctKeyPickList && editStyle_ != esPickListGx) return;
    if (!g->CanEditModifyText()) return;
    if (backspace) {
        if (type == ctKeyPickList) keyText = AnsiString();
        return;
    }
    const AnsiString typed = leftChars(Text(), SelStart()) + keyText;
    const int i = PickListPrefixIndex(c->PickListIfAny(), typed);
    if (i >= 0) {
        keyText = AnsiString();
        g->DataLink()->Edit();
        g->DataLink()->Modified();
        const AnsiString entry = c->PickList()->Strings(i);
        setCodeText(entry);
        SetSelStart(CharCount(typed));
        SetSelLength(CharCount(entry) - CharCount(typed));
        g->SetEditTextValue(entry);
        if (pickList_ && activeList_ == pickList_) pickList_->SetItemIndex(i);
    } else if (type == ctKeyPickList && c->OnNotInList) {
        setTextKeepingCaret(typed, CharCount(typed));
        g->SetEditKeyValue(Null());
        g->SetEditTextValue(typed);
        if (pickList_ && activeList_ == pickList_) pickList_->SetItemIndex(-1);
    }
    // Only list entries can be typed into a key-list column.
    if (type == ctKeyPickList) keyText = AnsiString();
}

void TDBGridInplaceEdit::KeyUp(WORD& key, TShiftState shift) {
    const WORD original = key;
    TInplaceEdit::KeyUp(key, shift);
    if (editStyle_ == esDataListGx && dataList_ && listVisible_ && original == VK_CONTROL)
        dataList_->Perform(WM_KEYUP, VK_CONTROL, 0);
}

// ---- Messages ------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::WndProc(TMessage& m) {
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_CHAR || m.Msg == WM_SYSKEYDOWN) {
        const TShiftState shift = KeyDataToShiftState(m.LParam);
        TColumnGx* c = Column();
        TField* f = c ? c->Field() : nullptr;
        const bool dropStyle = editStyle_ == esPickListGx || editStyle_ == esDataListGx ||
                               editStyle_ == esCalendarGx ||
                               (editStyle_ == esDropDownGx && f && dynamic_cast<TNumericField*>(f));
        if (dropStyle) {
            WORD key = static_cast<WORD>(m.WParam);
            ProcessDropDownKey(key, shift);
            if (key == 0) return;
            const auto code = static_cast<unsigned>(m.WParam);
            if (m.Msg == WM_CHAR && code >= 32 && code <= 255 && !listVisible_ && c && c->AutoDropDown()) DropDown();
            if (listVisible_ && activeList_) {
                if (activeList_ == calculator_) {
                    if ((m.Msg == WM_KEYDOWN && (code == VK_RETURN || code == VK_ESCAPE)) ||
                        (m.Msg == WM_CHAR && (code == 13 || code == 27 || (code >= 32 && code <= 126)))) {
                        m.Result = activeList_->Perform(m.Msg, m.WParam, m.LParam);
                        return;
                    }
                } else if (m.Msg != WM_CHAR) {
                    const bool nav = ((code == VK_PRIOR || code == VK_NEXT || code == VK_UP || code == VK_DOWN) &&
                                      !(shift & ssShift)) ||
                                     ((code == VK_END || code == VK_HOME) && (shift & ssCtrl)) ||
                                     ((code == VK_LEFT || code == VK_RIGHT) && editStyle_ == esCalendarGx);
                    if (nav) {
                        activeList_->Perform(m.Msg, m.WParam, m.LParam);
                        // The editor shows the list's choice; the grid keeps the committed text
                        // until the list closes accepting.
                        TCustomDBGridGx* g = DBGrid();
                        const AnsiString committed = g ? g->EditText() : AnsiString();
                        if (editStyle_ == esDataListGx) {
                            setCodeText(DataListSelectedText(activeList_));
                        } else if (editStyle_ == esPickListGx && pickList_) {
                            const int i = pickList_->ItemIndex();
                            if (i >= 0 && pickList_->Items()->Strings(i) != Text())
                                setCodeText(pickList_->Items()->Strings(i));
                        }
                        if (g) g->SetEditTextValue(committed);
                        return;
                    }
                }
            }
        }
        if (MRUDroppedDown() && mruListControl_) {
            const auto code = static_cast<unsigned>(m.WParam);
            if (m.Msg == WM_KEYDOWN &&
                (((code == VK_PRIOR || code == VK_NEXT || code == VK_UP || code == VK_DOWN) && !(shift & ssAlt)) ||
                 ((code == VK_END || code == VK_HOME) && (shift & ssCtrl)))) {
                mruListControl_->Perform(m.Msg, m.WParam, m.LParam);
                return;
            }
            if (m.Msg == WM_CHAR && (code == 13 || code == 27)) {
                MRUList()->CloseUp(code == 13);
                return;
            }
        }
    }
    TInplaceEdit::WndProc(m);
}

void TDBGridInplaceEdit::Dispatch(TMessage& m) {
    if (m.Msg == WM_PASTE) {
        WMPaste(m);
        return;
    }
    TInplaceEdit::Dispatch(m);
}

void TDBGridInplaceEdit::WMPaste(TMessage& m) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c || !g->AllowedOperationUpdate() || !c->CanModify(false)) return;
    const TColumnGxType type = c->GetColumnType();
    if (editStyle_ != esDataListGx && type != ctKeyPickList) {
        TInplaceEdit::Dispatch(m);
        return;
    }
    if (!Clipboard()->HasFormat(CF_TEXT)) return;
    const AnsiString text = Text();
    const AnsiString typed = leftChars(text, SelStart()) + Clipboard()->AsText() +
                             charsFrom(text, SelStart() + SelLength());
    TField* f = c->Field();
    AnsiString newText;
    Variant key = Null();
    bool taken = false, found = false;
    TDataSet* lookup = c->UsedLookupDataSet();
    if (editStyle_ == esDataListGx && lookup && f) {
        if (lookup->Locate(f->LookupResultField(), Variant(typed), loCaseInsensitive | loPartialKey)) {
            newText = lookup->FieldByName(f->LookupResultField())->Text();
            key = lookup->FieldValues(f->LookupKeyFields());
            taken = found = true;
        } else if (c->OnNotInList) {
            newText = typed;
            taken = true;
        }
    } else if (editStyle_ != esDataListGx) {
        const int i = g->CanEditModifyText() ? PickListPrefixIndex(c->PickListIfAny(), typed) : -1;
        if (i >= 0) {
            newText = c->PickList()->Strings(i);
            taken = found = true;
        } else if (c->OnNotInList) {
            newText = typed;
            taken = true;
        }
    }
    if (!taken) return;
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    setCodeText(newText);
    if (found) {
        SetSelStart(CharCount(typed));
        SetSelLength(CharCount(newText) - CharCount(typed));
    } else {
        SetSelStart(CharCount(newText));
        SetSelLength(0);
    }
    if (editStyle_ == esDataListGx) g->SetEditKeyValue(key);
    g->SetEditTextValue(newText);
    listFollowsEditText();
}

void TDBGridInplaceEdit::DefaultHandler(TMessage& m) {
    // Presses on the buttons and the image do not move the caret.
    if (m.Msg >= WM_LBUTTONDOWN && m.Msg <= WM_MBUTTONDBLCLK && Mouse->Capture() != this) {
        const TRect r = formatRect();
        const int x = m.XPos();
        if (x < r.Left || x >= r.Right) return;
    }
    ++inDefaultHandler_;
    try {
        TInplaceEdit::DefaultHandler(m);
    } catch (...) {
        --inDefaultHandler_;
        throw;
    }
    --inDefaultHandler_;
    if (inDefaultHandler_ == 0 && userTextChanged_) {
        userTextChanged_ = false;
        if (MRUDroppedDown() && EditText() == emptyMaskText()) MRUList()->CloseUp(false);
        else if (mruShouldDropDown()) MRUList()->DropDown();
    }
}

void TDBGridInplaceEdit::WMSetCursor(TMessage& m) {
    const DWORD at = GetMessagePos();
    const TPoint p = ScreenToClient(TPoint(GET_X_LPARAM(at), GET_Y_LPARAM(at)));
    const TRect r = formatRect();
    if (p.x < r.Left || p.x >= r.Right) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return;
    }
    TInplaceEdit::WMSetCursor(m);
}

void TDBGridInplaceEdit::WMLButtonDblClk(TMessage& m) { TControl::WMLButtonDblClk(m); }

void TDBGridInplaceEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TInplaceEdit::MouseDown(button, shift, x, y);
    TColumnGx* c = Column();
    if ((shift & ssDouble) && c && c->DblClickNextVal()) c->SetNextFieldValue((shift & ssShift) ? -1 : 1);
}

bool TDBGridInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    // An open list keeps the wheel to itself.
    if (listVisible_) return true;
    return TInplaceEdit::DoMouseWheel(shift, wheelDelta, mousePos);
}

bool TDBGridInplaceEdit::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (listVisible_) return true;
    return TInplaceEdit::DoMouseWheelDown(shift, mousePos);
}

bool TDBGridInplaceEdit::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (listVisible_) return true;
    return TInplaceEdit::DoMouseWheelUp(shift, mousePos);
}

void TDBGridInplaceEdit::CMCancelMode(TMessage& m) {
    TInplaceEdit::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (sender == this || (sender && ContainsControl(sender))) return;
    if (!(activeList_ && sender && (sender == activeList_ || activeList_->ContainsControl(sender)))) CloseUp(false);
    if (!(mruListControl_ && sender && (sender == mruListControl_ || mruListControl_->ContainsControl(sender))) &&
        MRUDroppedDown())
        MRUList()->CloseUp(false);
}

void TDBGridInplaceEdit::WMKillFocus(TMessage& m) {
    TInplaceEdit::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (listVisible_) {
        if (!(activeList_ && other && (other == activeList_ || activeList_->ContainsControl(other)))) CloseUp(false);
    } else if (MRUDroppedDown() && other != mruListControl_) {
        MRUList()->CloseUp(false);
    }
    if (TCustomDBGridGx* g = DBGrid(); g && g->IsSelectionActive() != selectionActive_) {
        selectionActive_ = !selectionActive_;
        g->SelectionActiveChanged();
    }
}

void TDBGridInplaceEdit::WMSetFocus(TMessage& m) {
    if (TCustomDBGridGx* g = DBGrid()) {
        const bool active = true;  // the editor itself takes the focus
        if (active != selectionActive_) {
            selectionActive_ = active;
            g->SelectionActiveChanged();
        }
    }
    TInplaceEdit::WMSetFocus(m);
}

// ---- Painting ---------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::WMPaint(TMessage& m) {
    auto dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc) {
        TInplaceEdit::WMPaint(m);
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

void TDBGridInplaceEdit::PaintWindow(HDC dc) {
    PaintRequiredState(dc);
    TColumnGx* c = Column();
    if (c && c->ShowImageAndText()) DrawEditImage(dc);
    // The native edit paints the text; what was drawn here lies over it.
    if (paintMessage_) TInplaceEdit::WMPaint(*paintMessage_);
}

void TDBGridInplaceEdit::PaintRequiredState(TCanvas* canvas) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c) return;
    bool draw = false;
    TField* f = c->Field();
    if (c->HighlightRequired() && g->DataLink()->Active() && f) {
        const TDataSetState st = g->DataLink()->DataSet()->State();
        draw = (st == dsEdit || st == dsInsert) && f->Required() && f->IsNull();
    }
    if (c->OnCheckDrawRequiredState) c->OnCheckDrawRequiredState(c, Text(), draw);
    if (!draw) return;
    TRect r;
    CalcEditRect(r);
    const int y = ClientHeight() - 1;
    canvas->Pen()->SetColor(clRed);
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(r.Left + 2, y);
    canvas->LineTo(r.Right - 3, y);
    canvas->Pen()->SetStyle(psSolid);
}

void TDBGridInplaceEdit::DrawEditImage(HDC dc) {
    TColumnGx* c = Column();
    if (!Visible() || !c || !c->ImageList() || imageIndex_ < 0) return;
    const TRect r(2, 0, c->ImageList()->Width() + 2, Height());
    DrawImage(dc, r, c->ImageList(), imageIndex_, false);
}
