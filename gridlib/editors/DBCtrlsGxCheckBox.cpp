// The data-aware check box: state from the field or its own value, toggling, writing back, keys,
// mouse, accelerator and its own painting.
#include "gridlib/editors/DBCtrlsGx.h"

#include "gridlib/editors/GridLibPlatform.h"
#include "gui/ActnList.h"

namespace {

using Box = TCustomDBCheckBoxGx;

const bool checkBoxPropertiesRegistered = [] {
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    PTypeInfo leftRight = EnumTypeInfo("TLeftRight", {"taLeftJustify", "taRightJustify"});
    PTypeInfo checkState = EnumTypeInfo("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
    TPropInfo state = MakeProperty<Box>("State", checkState, &Box::State, &Box::SetState);
    state.Stored = [](TObject* o) { return static_cast<Box*>(o)->IsStateStored(); };
    TPropInfo checked = MakeProperty<Box>("Checked", boolean, [](Box* b) { return b->Checked(); },
                                          [](Box* b, bool v) { b->SetChecked(v); }, 0);
    // The state is what a form keeps.
    checked.Stored = [](TObject*) { return false; };
    TPropInfo valueChecked = MakeProperty<Box>("ValueChecked", text, &Box::ValueChecked, &Box::SetValueCheck);
    valueChecked.Stored = [](TObject* o) { return static_cast<Box*>(o)->ValueChecked() != "True"; };
    TPropInfo valueUnchecked = MakeProperty<Box>("ValueUnchecked", text, &Box::ValueUnchecked, &Box::SetValueUncheck);
    valueUnchecked.Stored = [](TObject* o) { return static_cast<Box*>(o)->ValueUnchecked() != "False"; };
    RegisterPublishedProperties(
        TDBCheckBoxGx::StaticClass(),
        {MakeProperty<Box>("Alignment", leftRight, &Box::Alignment, &Box::SetAlignment, taRightJustify),
         MakeProperty<Box>("AllowGrayed", boolean, &Box::AllowGrayed, &Box::SetAllowGrayed, 0),
         MakeProperty<Box>("AlwaysShowBorder", boolean, &Box::AlwaysShowBorder, &Box::SetAlwaysShowBorder, 0),
         checked,
         MakeProperty<Box>("DataField", text, &Box::GetDataField, &Box::SetDataField),
         MakeProperty<Box>("DataSource", ClassTypeInfo(TDataSource::StaticClass()), &Box::GetDataSource,
                           &Box::SetDataSource),
         MakeProperty<Box>("Flat", boolean, &Box::Flat, &Box::SetFlat, 0),
         MakeProperty<Box>("ReadOnly", boolean, &Box::GetReadOnly, &Box::SetReadOnly, 0), state, valueChecked,
         valueUnchecked});
    return true;
}();

// The first entry of a ';'-separated list.
AnsiString firstEntry(const AnsiString& list) {
    const std::string& s = list.str();
    return AnsiString(s.substr(0, s.find(';')));
}

}  // namespace

TCustomDBCheckBoxGx::TCustomDBCheckBoxGx(TComponent* owner) : TButtonControl(owner) {
    UsePaintedWindow();
    SetBounds(Left(), Top(), 97, 17);
    SetTabStop(true);
    SetControlStyle((ControlStyle() & ~csDoubleClicks) | csReplicatable);
    valueChecked_ = "True";
    valueUnchecked_ = "False";
    dataLink_ = std::make_unique<TFieldDataLinkGx>();
    dataLink_->Control = this;
    dataLink_->OnDataChange = TNotifyEvent(this, &TCustomDBCheckBoxGx::DataChange);
    dataLink_->OnUpdateData = TNotifyEvent(this, &TCustomDBCheckBoxGx::InternalUpdateData);
    dataLink_->LocalValue = Variant(false);
}

TCustomDBCheckBoxGx::~TCustomDBCheckBoxGx() {
    dataLink_->OnDataChange = TNotifyEvent();
    dataLink_->OnUpdateData = TNotifyEvent();
    dataLink_->SetDataSource(nullptr);
}

// ---- Properties --------------------------------------------------------------------------------------

void TCustomDBCheckBoxGx::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    RecreateWnd();
    Invalidate();
}

void TCustomDBCheckBoxGx::SetAlwaysShowBorder(bool b) {
    if (b == alwaysShowBorder_) return;
    alwaysShowBorder_ = b;
    Invalidate();
}

void TCustomDBCheckBoxGx::SetFlat(bool b) {
    if (b == flat_) return;
    flat_ = b;
    RecreateWnd();
    Invalidate();
}

bool TCustomDBCheckBoxGx::GetReadOnly() const { return dataLink_->ReadOnly(); }
void TCustomDBCheckBoxGx::SetReadOnly(bool b) { dataLink_->SetReadOnly(b); }

bool TCustomDBCheckBoxGx::IsStateStored() const { return DataIndepended() && state_ != cbUnchecked; }

void TCustomDBCheckBoxGx::SetValueCheck(const AnsiString& s) {
    valueChecked_ = s;
    DataChange(this);
}

void TCustomDBCheckBoxGx::SetValueUncheck(const AnsiString& s) {
    valueUnchecked_ = s;
    DataChange(this);
}

void TCustomDBCheckBoxGx::SetDataSource(TDataSource* ds) {
    if (!(ds && (ds->ComponentState() & csDestroying))) dataLink_->SetDataSource(ds);
    if (ds) ds->FreeNotification(this);
}

void TCustomDBCheckBoxGx::Notification(TComponent* component, TOperation operation) {
    TButtonControl::Notification(component, operation);
    if (operation == opRemove && dataLink_ && component == dataLink_->DataSource()) dataLink_->SetDataSource(nullptr);
}

// ---- State -------------------------------------------------------------------------------------------

bool TCustomDBCheckBoxGx::ValueMatch(const AnsiString& list, const AnsiString& value) {
    const std::string& s = list.str();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find(';', start);
        const AnsiString entry(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (AnsiCompareText(entry, value) == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

TCheckBoxState TCustomDBCheckBoxGx::GetFieldState() {
    if (DataIndepended()) {
        const Variant& v = dataLink_->LocalValue;
        if (VarEquals(v, Variant(true))) return cbChecked;
        if (VarEquals(v, Variant(false))) return cbUnchecked;
        return cbGrayed;
    }
    TField* f = GetField();
    if (!f) return cbUnchecked;
    if (f->IsNull()) return cbGrayed;
    if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
    const AnsiString text = f->Text();
    if (ValueMatch(valueChecked_, text)) return cbChecked;
    if (ValueMatch(valueUnchecked_, text)) return cbUnchecked;
    return cbGrayed;
}

void TCustomDBCheckBoxGx::DataChange(TObject*) {
    InternalSetState(GetFieldState());
    modified_ = false;
}

void TCustomDBCheckBoxGx::InternalSetState(TCheckBoxState value) {
    if (value == state_) return;
    state_ = value;
    if (HandleAllocated()) Perform(BM_SETCHECK, static_cast<WPARAM>(state_), 0);
    // Every change of the state is a click for the application, also one the data made.
    if (!clicksDisabled_) TButtonControl::Click();
    Invalidate();
    modified_ = true;
}

void TCustomDBCheckBoxGx::SetState(TCheckBoxState value) {
    if ((ComponentState() & csDesigning) && !DataIndepended()) return;
    if (!DataIndepended()) {
        // Bound to a field: without a dataset to write to (a field name but no data source, a
        // closed dataset, no such field) nothing is edited and the state stays what the data says.
        TDataSet* ds = dataLink_->DataSet();
        if (!ds || !ds->Active() || !GetField()) return;
        ds->Edit();
    }
    InternalSetState(value);
    if (posting_) return;
    try {
        UpdateData();
    } catch (...) {
        dataLink_->Reset();
        throw;
    }
}

void TCustomDBCheckBoxGx::SetChecked(bool b) { SetState(b ? cbChecked : cbUnchecked); }

void TCustomDBCheckBoxGx::Toggle() {
    if (!dataLink_->Edit()) return;
    TCheckBoxState next = cbChecked;
    if (state_ == cbUnchecked) next = allowGrayed_ ? cbGrayed : cbChecked;
    else if (state_ == cbChecked) next = cbUnchecked;
    SetState(next);
    dataLink_->Modified();
    Invalidate();
}

// One toggle per click: the state change inside fires OnClick, so nothing fires it a second time.
void TCustomDBCheckBoxGx::Click() { Toggle(); }

bool TCustomDBCheckBoxGx::PostDataEvent() {
    bool handled = false;
    posting_ = true;
    try {
        if (OnUpdateData) OnUpdateData(this, handled);
    } catch (...) {
        posting_ = false;
        throw;
    }
    posting_ = false;
    return handled;
}

void TCustomDBCheckBoxGx::UpdateData() {
    if (!PostDataEvent()) InternalUpdatePostData();
}

void TCustomDBCheckBoxGx::InternalUpdateData(TObject*) { UpdateData(); }

void TCustomDBCheckBoxGx::InternalUpdatePostData() {
    if (DataIndepended()) {
        dataLink_->SetValue(state_ == cbGrayed ? Null() : Variant(state_ == cbChecked));
        return;
    }
    TField* f = GetField();
    if (!f) return;
    if (state_ == cbGrayed) f->Clear();
    else if (f->DataType() == ftBoolean) f->SetAsBoolean(state_ == cbChecked);
    else f->SetText(firstEntry(state_ == cbChecked ? valueChecked_ : valueUnchecked_));
}

// ---- Keys and mouse ------------------------------------------------------------------------------------

void TCustomDBCheckBoxGx::KeyDown(WORD& key, TShiftState shift) {
    TButtonControl::KeyDown(key, shift);
    if (key == VK_SPACE && !spaceDown_) {
        spaceDown_ = true;
        Invalidate();
    }
}

void TCustomDBCheckBoxGx::KeyUp(WORD& key, TShiftState shift) {
    const bool release = key == VK_SPACE && spaceDown_;
    if (release) {
        spaceDown_ = false;
        Invalidate();
    }
    TButtonControl::KeyUp(key, shift);
    if (release) Toggle();
}

void TCustomDBCheckBoxGx::KeyPress(WideChar& key) {
    TButtonControl::KeyPress(key);
    if (key == VK_BACK || key == ' ') {
        dataLink_->Edit();
    } else if (key == VK_ESCAPE) {
        dataLink_->Reset();
    }
}

void TCustomDBCheckBoxGx::CMWantSpecialKey(TMessage& m) {
    TButtonControl::CMWantSpecialKey(m);
    if (static_cast<WORD>(m.WParam) == VK_ESCAPE && dataLink_->IsModified()) m.Result = 1;
}

void TCustomDBCheckBoxGx::WndProc(TMessage& m) {
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && !(ComponentState() & csDesigning) && !Focused()) {
        // The press first takes the focus; the state changes that leaving another control causes
        // are not clicks of this one.
        clicksDisabled_ = true;
        try {
            if (CanFocus()) SetFocus();
        } catch (...) {
            clicksDisabled_ = false;
            throw;
        }
        clicksDisabled_ = false;
        if (!Focused()) return;
    }
    TButtonControl::WndProc(m);
}

void TCustomDBCheckBoxGx::CNCommand(TMessage& m) {
    if (clicksDisabled_) return;
    if (HIWORD(m.WParam) == BN_CLICKED) {
        Click();
        return;
    }
    TButtonControl::CNCommand(m);
}

void TCustomDBCheckBoxGx::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<WideChar>(m.WParam), Caption()) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        m.Result = 1;
        return;
    }
    TButtonControl::CMDialogChar(m);
}

void TCustomDBCheckBoxGx::WMCancelMode(TMessage& m) {
    TButtonControl::WMCancelMode(m);
    if ((ControlStyle() & csCaptureMouse) && MouseCapture()) {
        const bool leftDown = (ControlState() & csLButtonDown) != 0;
        SetMouseCapture(false);
        // Ends the press outside the control, so that no click results.
        if (leftDown) Perform(WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-1), static_cast<WORD>(-1)));
    }
}

void TCustomDBCheckBoxGx::CMExit(TMessage& m) {
    try {
        dataLink_->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
    TButtonControl::CMExit(m);
}

void TCustomDBCheckBoxGx::CMMouseEnter(TMessage& m) {
    TButtonControl::CMMouseEnter(m);
    mouseAbove_ = true;
    Invalidate();
}

void TCustomDBCheckBoxGx::CMMouseLeave(TMessage& m) {
    TButtonControl::CMMouseLeave(m);
    mouseAbove_ = false;
    Invalidate();
}

void TCustomDBCheckBoxGx::CMEnabledChanged(TMessage& m) {
    TButtonControl::CMEnabledChanged(m);
    Invalidate();
}

void TCustomDBCheckBoxGx::CMTextChanged(TMessage& m) {
    TButtonControl::CMTextChanged(m);
    Invalidate();
}

void TCustomDBCheckBoxGx::WMSetFocus(TMessage& m) {
    TButtonControl::WMSetFocus(m);
    Invalidate();
}

void TCustomDBCheckBoxGx::WMKillFocus(TMessage& m) {
    TButtonControl::WMKillFocus(m);
    spaceDown_ = false;
    Invalidate();
}

void TCustomDBCheckBoxGx::WMSize(TMessage& m) {
    TButtonControl::WMSize(m);
    Invalidate();
}

void TCustomDBCheckBoxGx::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case CM_GETDATALINK: m.Result = ObjectToIntPtr(dataLink_.get()); return;
    case CM_CTL3DCHANGED: RecreateWnd(); return;
    default: TButtonControl::DefaultHandler(m); return;
    }
}

bool TCustomDBCheckBoxGx::ExecuteAction(TBasicAction* action) {
    return TButtonControl::ExecuteAction(action) || dataLink_->ExecuteAction(static_cast<ITargetAction*>(action));
}

bool TCustomDBCheckBoxGx::UpdateAction(TBasicAction* action) {
    return TButtonControl::UpdateAction(action) || dataLink_->UpdateAction(static_cast<ITargetAction*>(action));
}

// ---- Painting ------------------------------------------------------------------------------------------

void TCustomDBCheckBoxGx::Paint() {
    if (ControlState() & csPaintCopy) {
        DrawState(GetFieldState(), false, false, false);
        return;
    }
    const bool down = (mouseAbove_ && (ControlState() & csClicked)) || spaceDown_;
    DrawState(state_, Focused(), mouseAbove_, down);
}

void TCustomDBCheckBoxGx::DrawState(TCheckBoxState state, bool focused, bool hot, bool down) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    const TRect client = ClientRect();
    c->FillRect(client);
    const bool rtl = UseRightToLeftAlignment();
    const bool boxRight = (!rtl && alignment_ == taLeftJustify) || (rtl && alignment_ == taRightJustify);
    const TRect box = AdjustCheckBoxRect(client, boxRight ? taRightJustify : taLeftJustify, tlCenter);
    TRect caption = client;
    if (boxRight) caption.Right = box.Left - 5;
    else caption.Left = box.Right + 5;
    DrawCaptionRect(caption, focused, hot, down);
    DrawCheckBoxRect(box, state, focused, hot, down);
}

void TCustomDBCheckBoxGx::DrawCheckBoxRect(const TRect& rect, TCheckBoxState state, bool focused, bool hot,
                                           bool down) {
    const bool designing = (ComponentState() & csDesigning) != 0;
    PaintButtonControlGx(Canvas()->Handle(), rect, Color(), bcsCheckboxGx, down ? 1 : 0, flat_,
                         hot || focused || alwaysShowBorder_, Enabled() || designing, state);
}

void TCustomDBCheckBoxGx::DrawCaptionRect(const TRect& rect, bool focused, bool, bool) {
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    const AnsiString text = Caption();
    TRect measure = rect;
    DrawTextGx(c->Handle(), text, -1, measure, DT_SINGLELINE | DT_CALCRECT);
    const int w = measure.Width(), h = measure.Height();
    TRect textRect(rect.Left, rect.Top + rect.Height() / 2 - h / 2, rect.Left + w, 0);
    textRect.Bottom = textRect.Top + h;
    c->Brush()->SetStyle(bsClear);
    if (Enabled() || (ComponentState() & csDesigning)) {
        TRect r = textRect;
        DrawTextGx(c->Handle(), text, -1, r, DT_SINGLELINE);
    } else {
        TRect r = textRect;
        OffsetRect(r, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        DrawTextGx(c->Handle(), text, -1, r, DT_SINGLELINE);
        r = textRect;
        c->Font()->SetColor(clGrayText);
        DrawTextGx(c->Handle(), text, -1, r, DT_SINGLELINE);
    }
    c->Brush()->SetStyle(bsSolid);
    if (focused) {
        TRect f(textRect.Left - 1, textRect.Top - 1, textRect.Right + 1, textRect.Bottom + 2);
        IntersectRect(f, f, ClientRect());
        c->Brush()->SetColor(Color());
        c->DrawFocusRect(f);
    }
}
