#include "gui/ExtCtrls.h"

#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QTimer>

#include <algorithm>

using namespace plantmon::gui;

// ---- TTimer --------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    if (Application) Application->Initialize();
    timer_ = new QTimer();
    QObject::connect(timer_, &QTimer::timeout, [this] { SafeCall(this, [this] { Timer(); }); });
    update();
}

TTimer::~TTimer() {
    Destroying_();
    timer_->stop();
    // A timer freed from its own OnTimer must not take the running signal with it.
    timer_->disconnect();
    timer_->deleteLater();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    update();
}

void TTimer::SetEnabled(bool b) {
    if (b == enabled_) return;
    enabled_ = b;
    update();
}

void TTimer::update() {
    timer_->stop();
    if (enabled_ && interval_ > 0) timer_->start(static_cast<int>(interval_));
}

void TTimer::Timer() {
    ++ticks_;
    if (enabled_) OnTimer(this);
}

// ---- Frame3D -------------------------------------------------------------------------------------

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetMode(pmCopy);
    --rect.Bottom;
    --rect.Right;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topColor);
        canvas->Polyline({TPoint(rect.Left, rect.Bottom), TPoint(rect.Left, rect.Top), TPoint(rect.Right, rect.Top)});
        canvas->Pen()->SetColor(bottomColor);
        canvas->Polyline({TPoint(rect.Right, rect.Top), TPoint(rect.Right, rect.Bottom), TPoint(rect.Left - 1, rect.Bottom)});
        InflateRect(rect, -1, -1);
    }
    ++rect.Bottom;
    ++rect.Right;
}

// ---- TCustomPanel --------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csSetCaption | csOpaque | csReplicatable);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TCustomPanel::SetVerticalAlignment(TTextLayout l) {
    layout_ = l;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut b) {
    bevelInner_ = b;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut b) {
    bevelOuter_ = b;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int w) {
    bevelWidth_ = std::max(1, w);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle b) {
    borderStyle_ = b;
    Realign();
    Invalidate();
}

void TCustomPanel::TextChanged() { Invalidate(); }

void TCustomPanel::AdjustClientRect(TRect& rect) {
    TCustomControl::AdjustClientRect(rect);
    int bevel = 0;
    if (bevelOuter_ != bvNone) bevel += bevelWidth_;
    if (bevelInner_ != bvNone) bevel += bevelWidth_;
    if (borderStyle_ == bsSingle) bevel += 1;
    InflateRect(rect, -bevel, -bevel);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    auto colours = [](TBevelCut b, TColor& top, TColor& bottom) {
        top = b == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    if (borderStyle_ == bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
    if (bevelOuter_ != bvNone) {
        TColor t, b;
        colours(bevelOuter_, t, b);
        Frame3D(c, r, t, b, bevelWidth_);
    }
    Frame3D(c, r, Color(), Color(), BorderWidth());
    if (bevelInner_ != bvNone) {
        TColor t, b;
        colours(bevelInner_, t, b);
        Frame3D(c, r, t, b, bevelWidth_);
    }
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    AnsiString text = Caption();
    if (text.IsEmpty()) return;
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    unsigned flags = DT_EXPANDTABS | DT_SINGLELINE;
    flags |= alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    flags |= layout_ == tlTop ? DT_TOP : layout_ == tlBottom ? DT_BOTTOM : DT_VCENTER;
    DrawText(c, text, -1, r, flags);
}

// ---- TShape --------------------------------------------------------------------------------------

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    pen_->OnChange = TNotifyEvent(this, &TShape::styleChanged);
    brush_->OnChange = TNotifyEvent(this, &TShape::styleChanged);
    SetControlStyle(ControlStyle() | csReplicatable);
    SetBounds(0, 0, 65, 65);
}

TShape::~TShape() = default;

void TShape::styleChanged(TObject*) { Invalidate(); }

void TShape::SetShape(TShapeType s) {
    if (s == shape_) return;
    shape_ = s;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* c = Canvas();
    c->Pen()->Assign(pen_.get());
    c->Brush()->Assign(brush_.get());
    // The outline lies inside the control: half the pen width in from each edge.
    int pw = pen_->Width();
    int x = pw / 2, y = x;
    int w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (w < h) {
        if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
            y += (h - w) / 2;
            h = w;
        }
    } else {
        if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
            x += (w - h) / 2;
            w = h;
        }
    }
    switch (shape_) {
    case stRectangle:
    case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
    }
}

// ---- TImage --------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = TNotifyEvent(this, &TImage::pictureChanged);
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::pictureChanged(TObject*) {
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    if (TGraphic* g = picture_->Graphic()) {
        if (transparent_ != g->Transparent()) g->SetTransparent(transparent_);
    }
    Invalidate();
}

TCanvas* TImage::Canvas() {
    TBitmap* b = picture_->Bitmap();
    if (b->Empty()) b->SetSize(std::max(1, Width()), std::max(1, Height()));
    return b->Canvas();
}

void TImage::SetStretch(bool b) {
    stretch_ = b;
    Invalidate();
}

void TImage::SetCenter(bool b) {
    center_ = b;
    Invalidate();
}

void TImage::SetProportional(bool b) {
    proportional_ = b;
    Invalidate();
}

void TImage::SetTransparent(bool b) {
    transparent_ = b;
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(b);
    Invalidate();
}

void TImage::SetAutoSize(bool b) {
    autoSize_ = b;
    pictureChanged(nullptr);
}

TRect TImage::DestRect() const {
    int pw = picture_->Width(), ph = picture_->Height();
    int cw = Width(), ch = Height();
    if (pw <= 0 || ph <= 0) return TRect();
    int w = pw, h = ph;
    if (stretch_ || (proportional_ && (pw > cw || ph > ch))) {
        if (proportional_ && pw > 0 && ph > 0) {
            double s = std::min(static_cast<double>(cw) / pw, static_cast<double>(ch) / ph);
            w = static_cast<int>(pw * s);
            h = static_cast<int>(ph * s);
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r(0, 0, w, h);
    if (center_) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = picture_->Graphic();
    if (!g || g->Empty()) return;
    TCanvas* c = TGraphicControl::Canvas();
    TRect r = DestRect();
    if (r.Width() == g->Width() && r.Height() == g->Height()) c->Draw(r.Left, r.Top, g);
    else c->StretchDraw(r, g);
}

// ---- TPaintBox -----------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint() {
    Canvas()->Font()->Assign(Font());
    Canvas()->Brush()->SetColor(Color());
    OnPaint(this);
}

// ---- TBevel --------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csReplicatable);
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape s) {
    shape_ = s;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle s) {
    style_ = s;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = Canvas();
    TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    c->Pen()->SetWidth(1);
    auto line = [&](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen()->SetColor(col);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    int w = Width(), h = Height();
    switch (shape_) {
    case bsBox: {
        TRect r = ClientRect();
        Frame3D(c, r, c1, c2, 1);
        break;
    }
    case bsFrame: {
        TRect r(0, 0, w - 1, h - 1);
        TRect r2(1, 1, w, h);
        Frame3D(c, r2, c2, c2, 1);
        Frame3D(c, r, c1, c1, 1);
        break;
    }
    case bsTopLine:
        line(c1, 0, 0, w, 0);
        line(c2, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(c1, 0, h - 2, w, h - 2);
        line(c2, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(c1, 0, 0, 0, h);
        line(c2, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(c1, w - 2, 0, w - 2, h);
        line(c2, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ---- TSplitter -----------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    updateCursor();
}

void TSplitter::SetBeveled(bool b) {
    beveled_ = b;
    Invalidate();
}

void TSplitter::updateCursor() { SetCursor(Align() == alTop || Align() == alBottom ? crVSplit : crHSplit); }

TControl* TSplitter::ResizeControl() const {
    TWinControl* p = Parent();
    if (!p) return nullptr;
    // The control with the same alignment whose edge touches the splitter's leading edge.
    for (int i = 0; i < p->ControlCount(); ++i) {
        TControl* c = p->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        switch (Align()) {
        case alLeft:
            if (c->Left() + c->Width() == Left()) return c;
            break;
        case alRight:
            if (c->Left() == Left() + Width()) return c;
            break;
        case alTop:
            if (c->Top() + c->Height() == Top()) return c;
            break;
        case alBottom:
            if (c->Top() == Top() + Height()) return c;
            break;
        default: break;
        }
    }
    return nullptr;
}

void TSplitter::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    if (beveled_) {
        TRect r = ClientRect();
        Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    }
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    updateCursor();
    if (button != mbLeft) return;
    control_ = ResizeControl();
    if (!control_) return;
    dragging_ = true;
    downPos_ = ClientToScreen(TPoint(x, y));
    startSize_ = (Align() == alLeft || Align() == alRight) ? control_->Width() : control_->Height();
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_ || !control_ || resizeStyle_ == rsNone) return;
    TPoint p = ClientToScreen(TPoint(x, y));
    int delta = 0;
    switch (Align()) {
    case alLeft: delta = p.x - downPos_.x; break;
    case alRight: delta = downPos_.x - p.x; break;
    case alTop: delta = p.y - downPos_.y; break;
    case alBottom: delta = downPos_.y - p.y; break;
    default: break;
    }
    int size = std::max(minSize_, startSize_ + delta);
    bool accept = true;
    OnCanResize(this, size, accept);
    if (!accept) return;
    if (Align() == alLeft || Align() == alRight) control_->SetWidth(size);
    else control_->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_) return;
    dragging_ = false;
    control_ = nullptr;
    OnMoved(this);
}

// ---- TCustomRadioGroup ---------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TCustomGroupBox(owner), items_(std::make_unique<TStringList>()) {
    items_->OnChange = TNotifyEvent(this, &TCustomRadioGroup::itemsChanged);
}

TCustomRadioGroup::~TCustomRadioGroup() {
    Destroying_();
    items_->OnChange = nullptr;
}

TRadioButton* TCustomRadioGroup::Buttons(int i) const {
    if (i < 0 || i >= static_cast<int>(buttons_.size())) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return buttons_[static_cast<std::size_t>(i)];
}

void TCustomRadioGroup::itemsChanged(TObject*) {
    if (Destroying()) return;
    // The buttons follow the items one to one.
    while (static_cast<int>(buttons_.size()) > items_->Count()) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    while (static_cast<int>(buttons_.size()) < items_->Count()) {
        auto* b = new TRadioButton(this);
        b->OnClick = TNotifyEvent(this, &TCustomRadioGroup::buttonClick);
        b->SetParent(this);
        buttons_.push_back(b);
    }
    updating_ = true;
    for (int i = 0; i < items_->Count(); ++i) {
        buttons_[static_cast<std::size_t>(i)]->SetCaption(items_->Get(i));
        buttons_[static_cast<std::size_t>(i)]->SetChecked(i == itemIndex_);
    }
    updating_ = false;
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    arrange();
}

void TCustomRadioGroup::buttonClick(TObject* sender) {
    if (updating_) return;
    auto it = std::find(buttons_.begin(), buttons_.end(), sender);
    if (it == buttons_.end()) return;
    int i = static_cast<int>(it - buttons_.begin());
    if (i == itemIndex_) return;
    itemIndex_ = i;
    Click();
}

void TCustomRadioGroup::SetItemIndex(int i) {
    if (i < -1 || i >= items_->Count()) i = -1;
    if (i == itemIndex_) return;
    itemIndex_ = i;
    updating_ = true;
    for (std::size_t k = 0; k < buttons_.size(); ++k) buttons_[k]->SetChecked(static_cast<int>(k) == i);
    updating_ = false;
}

void TCustomRadioGroup::SetColumns(int n) {
    columns_ = std::clamp(n, 1, 16);
    arrange();
}

void TCustomRadioGroup::BoundsChanged() {
    TCustomGroupBox::BoundsChanged();
    arrange();
}

void TCustomRadioGroup::FontChanged() {
    TCustomGroupBox::FontChanged();
    arrange();
}

void TCustomRadioGroup::arrange() {
    if (buttons_.empty()) return;
    // Items run down the columns; each row gets an equal share of the height.
    TRect r = ClientRect();
    AdjustClientRect(r);
    int count = static_cast<int>(buttons_.size());
    int rows = (count + columns_ - 1) / columns_;
    int colWidth = std::max(1, r.Width() / columns_);
    int rowHeight = std::max(1, r.Height() / std::max(1, rows));
    TRect t = CalcTextRect(Font(), "0", TRect(0, 0, 0, 0), DT_SINGLELINE);
    int h = std::min(rowHeight, t.Height() + 4);
    for (int i = 0; i < count; ++i) {
        int col = i / rows, row = i % rows;
        int top = r.Top + row * rowHeight + (rowHeight - h) / 2;
        buttons_[static_cast<std::size_t>(i)]->SetBounds(r.Left + col * colWidth + 4, top, colWidth - 6, h);
    }
}
