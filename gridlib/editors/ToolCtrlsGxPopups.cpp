// The size grip, the popup and MRU list boxes and the popup month calendar.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/WinApi.h"

namespace {

bool gripOnRight(TSizeGripPostion p) { return p == sgpTopRight || p == sgpBottomRight; }
bool gripAtBottom(TSizeGripPostion p) { return p == sgpBottomLeft || p == sgpBottomRight; }

}  // namespace

// ---- TSizeGripGx -----------------------------------------------------------------------------------

TSizeGripGx::TSizeGripGx(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
    SetColor(clBtnFace);
    SetControlStyle(ControlStyle() | csCaptureMouse | csReplicatable);
    CreateWnd();
}

TSizeGripGx::~TSizeGripGx() = default;

void TSizeGripGx::CreateWnd() {
    const int w = Width(), h = Height();
    if (triangleWindow_) {
        TPoint pts[3];
        switch (position_) {
        case sgpBottomRight: pts[0] = TPoint(0, h), pts[1] = TPoint(w, h), pts[2] = TPoint(w, 0); break;
        case sgpBottomLeft: pts[0] = TPoint(w, h), pts[1] = TPoint(0, h), pts[2] = TPoint(0, 0); break;
        case sgpTopLeft: pts[0] = TPoint(w - 1, 0), pts[1] = TPoint(0, 0), pts[2] = TPoint(0, h - 1); break;
        case sgpTopRight: pts[0] = TPoint(w, h - 1), pts[1] = TPoint(w, 0), pts[2] = TPoint(1, 0); break;
        }
        SetWindowRgn(this, CreatePolygonRgn(pts, 3, ALTERNATE), true);
    } else {
        SetWindowRgn(this, HRGN(), true);
    }
    SetCursor(position_ == sgpTopLeft || position_ == sgpBottomRight ? crSizeNWSE : crSizeNESW);
}

void TSizeGripGx::SetPosition(TSizeGripPostion p) {
    if (p == position_) return;
    position_ = p;
    CreateWnd();
    UpdatePosition();
    Invalidate();
}

void TSizeGripGx::SetTriangleWindow(bool b) {
    if (b == triangleWindow_) return;
    triangleWindow_ = b;
    CreateWnd();
    Invalidate();
}

bool TSizeGripGx::Visible() const { return IsWindowVisible(const_cast<TSizeGripGx*>(this)); }

void TSizeGripGx::SetVisible(bool v) { ShowWindow(this, v ? SW_SHOWNOACTIVATE : SW_HIDE); }

void TSizeGripGx::ChangePosition(TSizeGripChangePosition change) {
    TSizeGripPostion p = position_;
    switch (change) {
    case sgcpToLeft:
        if (p == sgpTopRight) p = sgpTopLeft;
        else if (p == sgpBottomRight) p = sgpBottomLeft;
        break;
    case sgcpToRight:
        if (p == sgpTopLeft) p = sgpTopRight;
        else if (p == sgpBottomLeft) p = sgpBottomRight;
        break;
    case sgcpToTop:
        if (p == sgpBottomLeft) p = sgpTopLeft;
        else if (p == sgpBottomRight) p = sgpTopRight;
        break;
    case sgcpToBottom:
        if (p == sgpTopLeft) p = sgpBottomLeft;
        else if (p == sgpTopRight) p = sgpBottomRight;
        break;
    }
    SetPosition(p);
}

void TSizeGripGx::UpdatePosition() {
    TWinControl* p = Parent();
    if (!p) return;
    const int cw = p->ClientWidth(), ch = p->ClientHeight();
    int x = 0, y = 0;
    switch (position_) {
    case sgpTopLeft: break;
    case sgpTopRight: x = cw - Width(); break;
    case sgpBottomRight: x = cw - Width(), y = ch - Height(); break;
    case sgpBottomLeft: y = ch - Height(); break;
    }
    internalMove_ = true;
    try {
        SetBounds(x, y, Width(), Height());
    } catch (...) {
        internalMove_ = false;
        throw;
    }
    internalMove_ = false;
}

void TSizeGripGx::Dispatch(TMessage& m) {
    TCustomControl::Dispatch(m);
    // A move of the grip that it did not make itself puts it back into its corner.
    if (m.Msg == WM_MOVE && !internalMove_) UpdatePosition();
}

void TSizeGripGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Parent()) return;
    pressPos_ = ClientToScreen(TPoint(x, y));
    lastPos_ = pressPos_;
    parentClientWidth_ = Parent()->ClientWidth();
    parentClientHeight_ = Parent()->ClientHeight();
    parentWidth_ = Parent()->Width();
    parentHeight_ = Parent()->Height();
}

void TSizeGripGx::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    TWinControl* p = Parent();
    if (!p || !(shift & ssLeft) || !MouseCapture() || internalMove_) return;
    const TPoint pos = ClientToScreen(TPoint(x, y));
    if (pos == lastPos_) return;
    lastPos_ = pos;
    const TRect work = PrimaryWorkArea();
    // The parent's outer edges on the screen now, and what its frame adds to the client size.
    const TPoint origin = p->ClientToScreen(TPoint(0, 0));
    const int frameW = parentWidth_ - parentClientWidth_, frameH = parentHeight_ - parentClientHeight_;
    int left = p->Left(), top = p->Top(), width = p->Width(), height = p->Height();
    if (gripOnRight(position_)) {
        width = parentClientWidth_ + (pos.x - pressPos_.x) + frameW;
        if (origin.x + width > work.Right) width = work.Right - origin.x;
    } else {
        const int right = origin.x + p->Width();
        width = parentWidth_ + (pressPos_.x - pos.x);
        if (right - width < work.Left) width = right - work.Left;
        left += p->Width() - width;
    }
    if (gripAtBottom(position_)) {
        height = parentClientHeight_ + (pos.y - pressPos_.y) + frameH;
        if (origin.y + height > work.Bottom) height = work.Bottom - origin.y;
    } else {
        const int bottom = origin.y + p->Height();
        height = parentHeight_ + (pressPos_.y - pos.y);
        if (bottom - height < work.Top) height = bottom - work.Top;
        top += p->Height() - height;
    }
    width = std::max(0, width);
    height = std::max(0, height);
    const int oldWidth = p->ClientWidth(), oldHeight = p->ClientHeight();
    internalMove_ = true;
    try {
        p->SetBounds(left, top, width, height);
    } catch (...) {
        internalMove_ = false;
        throw;
    }
    internalMove_ = false;
    // A parent that keeps whole rows may have taken another size: keep its edge opposite the grip.
    if (!gripOnRight(position_) && p->Width() != width) p->SetLeft(p->Left() + width - p->Width());
    if (!gripAtBottom(position_) && p->Height() != height) p->SetTop(p->Top() + height - p->Height());
    if (p->ClientWidth() != oldWidth || p->ClientHeight() != oldHeight) ParentResized();
    UpdatePosition();
}

void TSizeGripGx::ParentResized() { OnParentResized(this); }

void TSizeGripGx::Paint() {
    TCanvas* c = Canvas();
    const int w = Width(), h = Height();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    // Stripes parallel to the long side, from it towards the corner: highlight, shadow, shadow,
    // face, repeating.
    static const TColor colors[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
    for (int i = 0; i < w; ++i) {
        c->Pen()->SetColor(colors[i % 4]);
        switch (position_) {
        case sgpBottomRight:
            c->MoveTo(w, i);
            c->LineTo(i - 1, h + 1);
            break;
        case sgpBottomLeft:
            c->MoveTo(-1, i);
            c->LineTo(w - i, h + 1);
            break;
        case sgpTopLeft:
            c->MoveTo(w - 1 - i, -1);
            c->LineTo(-1, h - i);
            break;
        case sgpTopRight:
            c->MoveTo(i, -1);
            c->LineTo(w + 1, h - i);
            break;
        }
    }
}

// ---- TPopupListboxGx -----------------------------------------------------------------------------------

TPopupListboxGx::TPopupListboxGx(TComponent* owner) : TCustomListBox(owner) {
    SetVisible(false);
    SetPopupWindow(true);
    SetStyle(lbOwnerDrawFixed);
    SetControlStyle(ControlStyle() | csReplicatable);
    SetTabStop(false);
    SetItemHeight(GetTextHeight());
    DrawBorder();
    // The editor keeps the focus; the list draws its selection as a focused list does.
    SetFocusedLook(true);
    sizeGrip_ = new TSizeGripGx(this);
    sizeGrip_->SetTriangleWindow(true);
    sizeGrip_->SetParent(this);
    sizeGrip_->UpdatePosition();
}

TPopupListboxGx::~TPopupListboxGx() {
    Destroying_();
    if (imageList_) imageList_->RemoveFreeNotification(this);
}

void TPopupListboxGx::DrawBorder() {
    // A raised edge of the border width, or the window's one-pixel border without Ctl3D.
    if (Ctl3D()) SetFrame(bvRaised, BorderWidthGx());
    else SetFrame(bvSpace, 1);
}

void TPopupListboxGx::SetImageList(TCustomImageList* images) {
    if (images == imageList_) return;
    if (imageList_) imageList_->RemoveFreeNotification(this);
    imageList_ = images;
    if (images) images->FreeNotification(this);
    Invalidate();
}

void TPopupListboxGx::Notification(TComponent* component, TOperation operation) {
    TCustomListBox::Notification(component, operation);
    if (operation == opRemove && component == imageList_) imageList_ = nullptr;
}

void TPopupListboxGx::SetExtItems(TStrings* items) {
    extItems_ = items;
    if (items) {
        OnData = TLBGetDataEvent(this, &TPopupListboxGx::SelfOnGetData);
        SetStyle(lbVirtualOwnerDraw);
        SetCount(items->Count());
    } else {
        OnData = TLBGetDataEvent();
        SetStyle(lbOwnerDrawFixed);
        Clear();
    }
    Invalidate();
}

void TPopupListboxGx::SelfOnGetData(TWinControl*, int index, AnsiString& text) {
    if (extItems_ && index >= 0 && index < extItems_->Count()) text = extItems_->Get(index);
}

int TPopupListboxGx::GetBorderSize() const { return 2 * FrameWidth(); }

int TPopupListboxGx::GetTextHeight() const { return CalcTextRect(Font(), "0", TRect(0, 0, 0, 0), DT_SINGLELINE).Height(); }

void TPopupListboxGx::SetRowCount(int n) {
    const int rowHeight = ItemHeight() > 0 ? ItemHeight() : GetTextHeight();
    SetHeight(std::max(n, 1) * rowHeight + GetBorderSize());
}

void TPopupListboxGx::CheckNewSize(int& width, int& height) {
    width = std::max(width, GetSystemMetrics(SM_CXVSCROLL));
    height = std::max(height, GetSystemMetrics(SM_CYVSCROLL));
}

void TPopupListboxGx::SetBounds(int left, int top, int width, int height) {
    if (!(ComponentState() & (csReading | csDestroying))) CheckNewSize(width, height);
    const int rowHeight = ItemHeight() > 0 ? ItemHeight() : GetTextHeight();
    const int border = GetBorderSize();
    rowCount_ = std::max(1, (height - border) / rowHeight);
    TCustomListBox::SetBounds(left, top, width, border + rowCount_ * rowHeight);
}

void TPopupListboxGx::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (!imageList_) {
        TCustomListBox::DrawItem(index, rect, state);
        return;
    }
    TCanvas* c = Canvas();
    const bool selected = (state & odSelected) != 0;
    if (selected) {
        c->Brush()->SetColor(clHighlight);
        c->Font()->SetColor(clHighlightText);
    }
    if (index < 0 || index >= Count()) {
        c->FillRect(rect);
        return;
    }
    const TRect imageArea(rect.Left, rect.Top, rect.Left + imageList_->Width() + 4, rect.Bottom);
    int imageIndex = index;
    OnGetItemImageIndex(Owner(), index, imageIndex);
    c->FillRect(imageArea);
    DrawImage(c, imageArea, imageList_, imageIndex, selected);
    const TRect textArea(imageArea.Right, rect.Top, rect.Right, rect.Bottom);
    c->TextRect(textArea, rect.Left + imageList_->Width() + 5, rect.Top, Items()->Get(index));
    if (state & odFocused) c->DrawFocusRect(textArea);
}

void TPopupListboxGx::KeyPress(WideChar& key) {
    if (key == VK_BACK || key == VK_ESCAPE) {
        searchText_ = AnsiString();
    } else if (key >= 32) {
        const std::uint32_t now = GetTickCount();
        if (now - searchTick_ > 2000) searchText_ = AnsiString();
        searchTick_ = now;
        if (CharCount(searchText_) < 32) searchText_ += CharToText(key);
        // 0xFFFF: the whole list, from its first row.
        Perform(LB_SELECTSTRING, 0xFFFF, reinterpret_cast<LPARAM>(searchText_.c_str()));
        key = 0;
    }
    TCustomListBox::KeyPress(key);
}

void TPopupListboxGx::MouseMove(TShiftState shift, int x, int y) {
    TCustomListBox::MouseMove(shift, x, y);
    const TPoint p(x, y);
    if (p == lastMousePos_) return;
    lastMousePos_ = p;
    // With a button held only a drag the list holds follows the pointer.
    if ((shift & (ssLeft | ssRight | ssMiddle)) && !MouseCapture()) return;
    const int i = ItemAtPos(p, true);
    if (i >= 0 && i != ItemIndex()) SetItemIndex(i);
}

bool TPopupListboxGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomListBox::DoMouseWheelDown(shift, mousePos)) return true;
    SetTopIndex(TopIndex() + 1);
    return true;
}

bool TPopupListboxGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomListBox::DoMouseWheelUp(shift, mousePos)) return true;
    SetTopIndex(std::max(0, TopIndex() - 1));
    return true;
}

void TPopupListboxGx::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_SETSIZEGRIPCHANGEPOSITION:
        if (sizeGrip_) sizeGrip_->ChangePosition(static_cast<TSizeGripChangePosition>(m.WParam));
        SizeGripChanged();
        return;
    case CM_CTL3DCHANGED:
        TCustomListBox::Dispatch(m);
        DrawBorder();
        return;
    case WM_SIZE:
        TCustomListBox::Dispatch(m);
        if (sizeGrip_) sizeGrip_->UpdatePosition();
        resizedBySizeGrip_ = true;
        SizeGripChanged();
        return;
    default: TCustomListBox::Dispatch(m);
    }
}

// ---- TMRUListboxGx -------------------------------------------------------------------------------------

TMRUListboxGx::TMRUListboxGx(TComponent* owner) : TPopupListboxGx(owner) {
    SetScrollBars(ssNone);
    scrollBar_ = new TScrollBar(this);
    scrollBar_->SetKind(sbVertical);
    scrollBar_->SetWidth(GetSystemMetrics(SM_CXVSCROLL));
    scrollBar_->SetControlStyle(scrollBar_->ControlStyle() | csReplicatable);
    scrollBar_->SetTabStop(false);
    scrollBar_->SetVisible(false);
    scrollBar_->SetParent(this);
    // The bar's messages come here first: its scrolling scrolls the list.
    barProc_ = scrollBar_->WindowProc();
    scrollBar_->SetWindowProc(TWndMethod(this, &TMRUListboxGx::scrollBarWindowProc));
    UpdateScrollBar();
}

TMRUListboxGx::~TMRUListboxGx() {
    Destroying_();
    if (scrollBar_) scrollBar_->SetWindowProc(barProc_);
}

void TMRUListboxGx::scrollBarWindowProc(TMessage& m) {
    if (m.Msg == CN_VSCROLL) {
        Perform(WM_VSCROLL, m.WParam, 0);
        UpdateScrollBar();
        return;
    }
    barProc_(m);
    if (m.Msg == WM_MOVE && !placing_) UpdateScrollBar();
}

void TMRUListboxGx::UpdateScrollBar() {
    if (!scrollBar_ || placing_ || (ComponentState() & csDestroying)) return;
    placing_ = true;
    try {
        const int fw = FrameWidth();
        const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
        int top = fw, bottom = Height() - fw;
        TSizeGripGx* grip = SizeGrip();
        if (grip && grip->Position() == sgpBottomRight) bottom = grip->Top();
        else if (grip && grip->Position() == sgpTopRight) top = grip->Top() + grip->Height();
        scrollBar_->SetBounds(Width() - fw - barWidth, top, barWidth, std::max(0, bottom - top));
        const int rowHeight = std::max(1, ItemHeight());
        const int visibleRows = (Height() - GetBorderSize()) / rowHeight;
        const int count = Count();
        if (count > 0 && visibleRows < count) {
            scrollBar_->SetPageSize(visibleRows);
            scrollBar_->SetParams(TopIndex(), 0, count - 1);
            scrollBar_->SetVisible(true);
            if (grip) grip->SetTriangleWindow(!gripOnRight(grip->Position()));
        } else {
            scrollBar_->SetVisible(false);
            if (grip) grip->SetTriangleWindow(true);
        }
    } catch (...) {
        placing_ = false;
        throw;
    }
    placing_ = false;
}

bool TMRUListboxGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool r = TPopupListboxGx::DoMouseWheelDown(shift, mousePos);
    UpdateScrollBar();
    return r;
}

bool TMRUListboxGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool r = TPopupListboxGx::DoMouseWheelUp(shift, mousePos);
    UpdateScrollBar();
    return r;
}

void TMRUListboxGx::Dispatch(TMessage& m) {
    TPopupListboxGx::Dispatch(m);
    if (m.Msg == LB_SETTOPINDEX || m.Msg == WM_VSCROLL) UpdateScrollBar();
}

// ---- TPopupMonthCalendarGx -------------------------------------------------------------------------------

TPopupMonthCalendarGx::TPopupMonthCalendarGx(TComponent* owner) : TMonthCalendar(owner) {
    SetVisible(false);
    SetPopupWindow(true);
    SetControlStyle(ControlStyle() | csReplicatable);
    SetParentCtl3D(false);
    SetCtl3D(true);
    // The border is two raised rings with Ctl3D, else the window's one-pixel line.
    SetBorderWidth(Ctl3D() ? 2 : 1);
    SetTabStop(false);
    SetAutoSize(true);
}

TPopupMonthCalendarGx::~TPopupMonthCalendarGx() = default;

IComboEditGx* TPopupMonthCalendarGx::comboEdit() const { return dynamic_cast<IComboEditGx*>(Owner()); }

void TPopupMonthCalendarGx::closeUp(bool accept) {
    if (IComboEditGx* c = comboEdit()) c->CloseUp(accept);
}

void TPopupMonthCalendarGx::DrawBorder() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (Ctl3D()) {
        DrawEdge(c, r, BDR_RAISEDOUTER, BF_RECT);
        InflateRect(r, -1, -1);
        DrawEdge(c, r, BDR_RAISEDINNER, BF_RECT);
    } else {
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(r);
    }
}

void TPopupMonthCalendarGx::Paint() {
    TMonthCalendar::Paint();
    DrawBorder();
}

void TPopupMonthCalendarGx::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_RETURN || key == VK_ESCAPE) {
        const bool accept = key == VK_RETURN;
        key = 0;  // consumed, also when the owner cannot close
        closeUp(accept);
        return;
    }
    TMonthCalendar::KeyDown(key, shift);
}

void TPopupMonthCalendarGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TMonthCalendar::MouseUp(button, shift, x, y);
    if (button != mbLeft || !ClientRect().Contains(TPoint(x, y))) return;
    // A date of any month shown, the background, a week number, the today link or the month
    // name accepts; the weekday header and the month buttons do not.
    const DWORD hit = HitTest(TPoint(x, y));
    if ((hit & MCHT_CALENDARDATE) != 0 && hit != MCHT_CALENDARDAY && hit != MCHT_TITLEBTNNEXT && hit != MCHT_TITLEBTNPREV)
        closeUp(true);
}

bool TPopupMonthCalendarGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TMonthCalendar::DoMouseWheelDown(shift, mousePos)) return true;
    SetDate(Date() + 1);
    return true;
}

bool TPopupMonthCalendarGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TMonthCalendar::DoMouseWheelUp(shift, mousePos)) return true;
    SetDate(Date() - 1);
    return true;
}

void TPopupMonthCalendarGx::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS; return;
    case CM_WANTSPECIALKEY:
        if ((m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) && comboEdit()) {
            m.Result = 1;
            return;
        }
        break;
    case WM_LBUTTONDOWN:
        if (!ClientRect().Contains(TPoint(m.XPos(), m.YPos()))) {
            closeUp(false);
            return;
        }
        break;
    case WM_KILLFOCUS: {
        // Kept as a defence: the calendar never takes the focus, but if it had it and lost it to
        // a window not its own, it closes without accepting.
        auto* to = reinterpret_cast<TWinControl*>(m.WParam);
        if (!to || !ContainsControl(to)) PostMessage(this, CM_CLOSEUPGX, 0, 0);
        break;
    }
    case CM_CLOSEUPGX: closeUp(false); return;
    case CM_CTL3DCHANGED:
        TMonthCalendar::Dispatch(m);
        SetBorderWidth(Ctl3D() ? 2 : 1);
        AdjustSize();
        Invalidate();
        return;
    default: break;
    }
    TMonthCalendar::Dispatch(m);
}

void TPopupMonthCalendarGx::DefaultHandler(TMessage& m) {
    TMonthCalendar::DefaultHandler(m);
    if (m.Msg == MCM_SETCURSEL) m.Result = 1;
}
