#include "gui/ComCtrls.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QDateTimeEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace plantmon::gui;

namespace {
QString qs(const AnsiString& s) { return QString::fromStdString(s.str()); }
}  // namespace

// ---- TTabSheet -----------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetColor(clBtnFace);
    SetParentColor(true);
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    Destroying_();
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    if (pc == pageControl_) return;
    SetParent(pc);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    auto& v = pageControl_->pages_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TTabSheet::SetPageIndex(int i) {
    if (!pageControl_) return;
    TPageControl* pc = pageControl_;
    TTabSheet* active = pc->active_;
    pc->updating_ = true;
    pc->tabs_->removeTab(pc->tabs_->indexOf(Widget()));
    auto& v = pc->pages_;
    v.erase(std::find(v.begin(), v.end(), this));
    i = std::clamp(i, 0, static_cast<int>(v.size()));
    v.insert(v.begin() + i, this);
    pc->tabs_->insertTab(i, Widget(), qs(Caption()));
    pc->syncTab(this);
    if (active) pc->tabs_->setCurrentWidget(active->Widget());
    pc->updating_ = false;
}

int TTabSheet::TabIndex() const {
    if (!pageControl_ || !tabVisible_) return -1;
    int n = 0;
    for (TTabSheet* p : pageControl_->pages_) {
        if (p == this) return n;
        if (p->tabVisible_) ++n;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool b) {
    tabVisible_ = b;
    if (pageControl_) pageControl_->syncTab(this);
}

void TTabSheet::SetImageIndex(int i) {
    imageIndex_ = i;
    if (pageControl_) pageControl_->syncTab(this);
}

void TTabSheet::TextChanged() {
    if (pageControl_) pageControl_->syncTab(this);
}

void TTabSheet::BoundsChanged() {
    // Inside a page control the page control places its pages.
    if (pageControl_) {
        ClientBoundsChanged();
        return;
    }
    TCustomControl::BoundsChanged();
}

bool TTabSheet::WidgetEvent(QObject* target, QEvent* e, bool&) {
    if (target == Widget() && pageControl_ && (e->type() == QEvent::Resize || e->type() == QEvent::Move)) {
        QRect g = Widget()->geometry();
        QPoint tl = Widget()->parentWidget() ? Widget()->parentWidget()->mapTo(pageControl_->Widget(), g.topLeft())
                                             : g.topLeft();
        BoundsFromWidget(tl.x(), tl.y(), g.width(), g.height());
    }
    return false;
}

void TTabSheet::DoShow() { OnShow(this); }
void TTabSheet::DoHide() { OnHide(this); }

// ---- TPageControl --------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QTabWidget>(this);
    tabs_ = w;
    AttachHost(w);
    w->setFocusPolicy(Qt::StrongFocus);
    w->tabBar()->installEventFilter(w);
    QObject::connect(w, &QTabWidget::currentChanged, [this](int i) { currentChanged(i); });
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
    Destroying_();
    QObject::disconnect(tabs_, nullptr, nullptr, nullptr);
    tabs_->tabBar()->removeEventFilter(tabs_);
    // The pages go with the page control: take them out of the tab widget first.
    for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(int i) const {
    if (i < 0 || i >= PageCount()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return pages_[static_cast<std::size_t>(i)];
}

void TPageControl::ControlInserted(TControl* c) {
    if (auto* p = dynamic_cast<TTabSheet*>(c)) insertPage(p);
}

void TPageControl::ControlRemoving(TControl* c) {
    if (auto* p = dynamic_cast<TTabSheet*>(c)) removePage(p);
}

void TPageControl::insertPage(TTabSheet* page) {
    page->pageControl_ = this;
    pages_.push_back(page);
    updating_ = true;
    tabs_->addTab(page->Widget(), qs(page->Caption()));
    page->Widget()->setVisible(true);
    syncTab(page);
    updating_ = false;
    if (!active_) SetActivePage(page);
    else tabs_->setCurrentWidget(active_->Widget());
}

void TPageControl::removePage(TTabSheet* page) {
    updating_ = true;
    tabs_->removeTab(tabs_->indexOf(page->Widget()));
    updating_ = false;
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    page->pageControl_ = nullptr;
    if (active_ == page) {
        active_ = nullptr;
        TTabSheet* next = FindNextPage(nullptr, true, true);
        if (next) SetActivePage(next);
    }
}

void TPageControl::syncTab(TTabSheet* page) {
    int i = tabs_->indexOf(page->Widget());
    if (i < 0) return;
    tabs_->setTabText(i, qs(page->Caption()));
    tabs_->setTabVisible(i, page->TabVisible());
    if (images_ && page->ImageIndex() >= 0 && page->ImageIndex() < images_->Count())
        tabs_->setTabIcon(i, ImageListIcon(*images_, page->ImageIndex()));
    else tabs_->setTabIcon(i, QIcon());
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this) return;
    if (page == active_) return;
    TTabSheet* old = active_;
    active_ = page;
    updating_ = true;
    if (page) tabs_->setCurrentWidget(page->Widget());
    updating_ = false;
    if (old && IsLiveControl(old)) {
        old->TControl::SetVisible(false);
        old->DoHide();
    }
    if (page) {
        page->TControl::SetVisible(true);
        page->DoShow();
    }
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int i) { SetActivePage(i >= 0 && i < PageCount() ? pages_[static_cast<std::size_t>(i)] : nullptr); }

int TPageControl::TabIndex() const { return active_ ? active_->TabIndex() : -1; }

void TPageControl::SetTabIndex(int i) {
    int n = 0;
    for (TTabSheet* p : pages_) {
        if (!p->TabVisible()) continue;
        if (n == i) {
            SetActivePage(p);
            return;
        }
        ++n;
    }
}

void TPageControl::currentChanged(int index) {
    if (updating_) return;
    // The user chose a tab (OnChanging already allowed it).
    QWidget* w = tabs_->widget(index);
    TTabSheet* page = nullptr;
    for (TTabSheet* p : pages_)
        if (p->Widget() == w) page = p;
    if (page == active_) return;
    SafeCall(this, [&] {
        SetActivePage(page);
        OnChange(this);
    });
}

bool TPageControl::WidgetEvent(QObject* target, QEvent* e, bool& result) {
    // A press on another tab asks OnChanging first; a refusal keeps the page.
    if (target == tabs_->tabBar() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        int i = tabs_->tabBar()->tabAt(me->position().toPoint());
        if (i >= 0 && i != tabs_->currentIndex()) {
            bool allow = true;
            OnChanging(this, allow);
            if (!allow) {
                result = true;
                return true;
            }
        }
    }
    return false;
}

void TPageControl::SetTabPosition(TTabPosition p) {
    tabPosition_ = p;
    tabs_->setTabPosition(p == tpBottom ? QTabWidget::South : p == tpLeft ? QTabWidget::West
                                           : p == tpRight               ? QTabWidget::East
                                                                        : QTabWidget::North);
}

void TPageControl::SetStyle(TTabStyle s) {
    style_ = s;
    tabs_->setDocumentMode(s != tsTabs);
}

void TPageControl::SetImages(TCustomImageList* l) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
    for (TTabSheet* p : pages_) syncTab(p);
}

void TPageControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) images_ = nullptr;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    int n = PageCount();
    if (n == 0) return nullptr;
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (pages_[static_cast<std::size_t>(i)] == current) start = i;
    if (start < 0) start = goForward ? n - 1 : 0;
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = goForward ? (i + 1) % n : (i - 1 + n) % n;
        TTabSheet* p = pages_[static_cast<std::size_t>(i)];
        if (!checkTabVisible || p->TabVisible()) return p;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
    TTabSheet* p = FindNextPage(active_, goForward, checkTabVisible);
    if (!p || p == active_) return;
    bool allow = true;
    OnChanging(this, allow);
    if (!allow) return;
    SetActivePage(p);
    OnChange(this);
}

TRect TPageControl::DisplayRect() const {
    if (active_) return active_->BoundsRect();
    return ClientRect();
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
    // Pages are placed by the tab widget; other children align as usual.
    TWinControl::AlignControls(control, rect);
}

// ---- TToolButton ---------------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 23, 22); }

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

// The bar sizes and places the button as it is inserted (its caption and image counted); no plain
// button size is set here afterwards, which would undo that for the last button added.
void TToolButton::SetParent(TWinControl* parent) { TGraphicControl::SetParent(parent); }

void TToolButton::SetStyle(TToolButtonStyle s) {
    if (s == style_) return;
    style_ = s;
    if (s == tbsSeparator || s == tbsDivider) SetWidth(8);
    if (TToolBar* tb = ToolBar()) tb->ArrangeButtons();
    Invalidate();
}

void TToolButton::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Invalidate();
}

void TToolButton::SetDown(bool b) {
    if (b == down_) return;
    down_ = b;
    // A grouped check button lets the others of its group go up.
    if (b && grouped_ && style_ == tbsCheck) {
        if (TWinControl* p = Parent()) {
            int me = Index();
            auto groupOf = [&](int from, int step) {
                for (int i = from; i >= 0 && i < p->ControlCount(); i += step) {
                    auto* t = dynamic_cast<TToolButton*>(p->Controls(i));
                    if (!t || !t->grouped_ || t->style_ != tbsCheck) break;
                    if (t->down_) {
                        t->down_ = false;
                        t->Invalidate();
                    }
                }
            };
            int idx = -1;
            for (int i = 0; i < p->ControlCount(); ++i)
                if (p->Controls(i) == this) idx = i;
            (void)me;
            groupOf(idx - 1, -1);
            groupOf(idx + 1, 1);
        }
    }
    Invalidate();
}

void TToolButton::SetIndeterminate(bool b) {
    indeterminate_ = b;
    Invalidate();
}

void TToolButton::SetMarked(bool b) {
    marked_ = b;
    Invalidate();
}

void TToolButton::SetWrap(bool b) {
    wrap_ = b;
    if (TToolBar* tb = ToolBar()) tb->ArrangeButtons();
}

void TToolButton::SetDropdownMenu(TPopupMenu* m) {
    if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = m;
    if (m) m->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

int TToolButton::Index() const {
    TToolBar* tb = ToolBar();
    if (!tb) return -1;
    for (int i = 0; i < tb->ButtonCount(); ++i)
        if (tb->Buttons(i) == this) return i;
    return -1;
}

void TToolButton::Click() {
    if (style_ == tbsCheck) {
        if (down_ && (!grouped_ || allowAllUp_)) SetDown(false);
        else if (!down_) SetDown(true);
    }
    TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Enabled() && style_ != tbsSeparator && style_ != tbsDivider) {
        pressed_ = true;
        Invalidate();
        // The arrow part of a drop-down button opens its menu.
        if (style_ == tbsDropDown && dropdownMenu_ && x >= Width() - 12) {
            TPoint p = ClientToScreen(TPoint(0, Height()));
            dropdownMenu_->SetPopupComponent(this);
            dropdownMenu_->Popup(p.x, p.y);
            pressed_ = false;
            SetControlState(ControlState() & ~csClicked);
            Invalidate();
        }
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    pressed_ = false;
    Invalidate();
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolButton::CMMouseEnter(TMessage& m) {
    hot_ = true;
    Invalidate();
    TGraphicControl::CMMouseEnter(m);
}

void TToolButton::CMMouseLeave(TMessage& m) {
    hot_ = false;
    Invalidate();
    TGraphicControl::CMMouseLeave(m);
}

void TToolButton::ActionChange(TBasicAction* sender, bool checkDefaults) {
    TGraphicControl::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TCustomAction*>(sender)) {
        imageIndex_ = a->ImageIndex();
        down_ = a->Checked();
        Invalidate();
    }
}

void TToolButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    TToolBar* tb = ToolBar();
    if (style_ == tbsSeparator) return;
    if (style_ == tbsDivider) {
        TRect line(r.Width() / 2 - 1, 0, r.Width() / 2 + 1, r.Height());
        DrawEdge(c, line, EDGE_ETCHED, BF_LEFT);
        return;
    }
    bool flat = tb && tb->Flat();
    bool sunken = down_ || (pressed_ && (ControlState() & csClicked));
    if (sunken) {
        TRect e = r;
        DrawEdge(c, e, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    } else if (!flat || (hot_ && Enabled())) {
        TRect e = r;
        DrawEdge(c, e, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
    int dropW = style_ == tbsDropDown ? 12 : 0;
    TCustomImageList* il = nullptr;
    if (tb) {
        il = tb->Images();
        if (!Enabled() && tb->DisabledImages()) il = tb->DisabledImages();
        else if (hot_ && tb->HotImages()) il = tb->HotImages();
    }
    bool captions = tb && tb->ShowCaptions();
    int off = sunken ? 1 : 0;
    int textH = 0;
    AnsiString caption = StripHotkey(Caption());
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    if (captions) textH = c->TextHeight(caption.IsEmpty() ? AnsiString("0") : caption);
    int areaW = r.Width() - dropW;
    if (il && imageIndex_ >= 0 && imageIndex_ < il->Count()) {
        int x = (areaW - il->Width()) / 2 + off;
        int y = captions && !(tb && tb->List()) ? (r.Height() - il->Height() - textH - 2) / 2 + off
                                                : (r.Height() - il->Height()) / 2 + off;
        il->Draw(c, x, y, imageIndex_, Enabled() || (tb && tb->DisabledImages()));
        if (captions) {
            TRect t(0, y + il->Height() + 1 + off, areaW, r.Height());
            DrawText(c, caption, -1, t, DT_CENTER | DT_TOP | DT_SINGLELINE);
        }
    } else if (captions || !caption.IsEmpty()) {
        TRect t(off, off, areaW + off, r.Height() + off);
        if (!Enabled()) c->Font()->SetColor(clGrayText);
        DrawText(c, caption, -1, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (dropW) {
        TRect a(r.Right - dropW, r.Top, r.Right, r.Bottom);
        c->Pen()->SetColor(clBtnText);
        c->Brush()->SetColor(clBtnText);
        c->Brush()->SetStyle(bsSolid);
        int cx = (a.Left + a.Right) / 2, cy = (a.Top + a.Bottom) / 2;
        c->Polygon({TPoint(cx - 3, cy - 1), TPoint(cx + 3, cy - 1), TPoint(cx, cy + 2)});
    }
}

// ---- TToolBar ------------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner) : TCustomControl(owner), imageLink_(std::make_unique<TChangeLink>()) {
    imageLink_->OnChange = TNotifyEvent(this, &TToolBar::imagesChanged);
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetColor(clBtnFace);
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() {
    Destroying_();
    if (images_) images_->UnRegisterChanges(imageLink_.get());
}

void TToolBar::imagesChanged(TObject*) {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TToolBar::SetButtonWidth(int w) {
    buttonWidth_ = w;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int h) {
    buttonHeight_ = h;
    ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList* l) {
    if (images_) {
        images_->UnRegisterChanges(imageLink_.get());
        images_->RemoveFreeNotification(this);
    }
    images_ = l;
    if (l) {
        l->RegisterChanges(imageLink_.get());
        l->FreeNotification(this);
    }
    imagesChanged(nullptr);
    ArrangeButtons();
}

void TToolBar::SetDisabledImages(TCustomImageList* l) {
    if (disabledImages_) disabledImages_->RemoveFreeNotification(this);
    disabledImages_ = l;
    if (l) l->FreeNotification(this);
}

void TToolBar::SetHotImages(TCustomImageList* l) {
    if (hotImages_) hotImages_->RemoveFreeNotification(this);
    hotImages_ = l;
    if (l) l->FreeNotification(this);
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == images_) images_ = nullptr;
    if (component == disabledImages_) disabledImages_ = nullptr;
    if (component == hotImages_) hotImages_ = nullptr;
}

void TToolBar::SetShowCaptions(bool b) {
    showCaptions_ = b;
    imagesChanged(nullptr);
    ArrangeButtons();
}

void TToolBar::SetFlat(bool b) {
    flat_ = b;
    imagesChanged(nullptr);
}

void TToolBar::SetList(bool b) {
    list_ = b;
    imagesChanged(nullptr);
    ArrangeButtons();
}

void TToolBar::SetIndent(int i) {
    indent_ = i;
    ArrangeButtons();
}

void TToolBar::SetWrapable(bool b) {
    wrapable_ = b;
    ArrangeButtons();
}

void TToolBar::SetAutoSize(bool b) {
    autoSize_ = b;
    ArrangeButtons();
}

int TToolBar::ButtonCount() const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
    return n;
}

TToolButton* TToolBar::Buttons(int i) const {
    int n = 0;
    for (int k = 0; k < ControlCount(); ++k)
        if (auto* b = dynamic_cast<TToolButton*>(Controls(k))) {
            if (n == i) return b;
            ++n;
        }
    throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
}

namespace {
// Room around the picture and the text, as the buttons paint them (a raised edge, a gap of 1
// between image and text).
constexpr int kCaptionPadX = 6, kCaptionPadY = 4;

TSize captionSize(const TToolButton* b) {
    const AnsiString caption = StripHotkey(b->Caption());
    const TRect r = CalcTextRect(b->Font(), caption.IsEmpty() ? AnsiString("0") : caption, TRect(), DT_SINGLELINE);
    return TSize(r.Width(), r.Height());
}

// The size a button takes: ButtonWidth x ButtonHeight, grown with captions shown so that its caption
// fits whole under the image (beside it in a list tool bar); all buttons are as high as the highest.
TSize buttonSize(const TToolBar& bar, const TToolButton* button) {
    TSize size(bar.ButtonWidth(), bar.ButtonHeight());
    if (!bar.ShowCaptions()) return size;
    int textH = 0;
    for (int i = 0; i < bar.ControlCount(); ++i) {
        auto* b = dynamic_cast<TToolButton*>(bar.Controls(i));
        if (b && b->Style() != tbsSeparator && b->Style() != tbsDivider) textH = std::max(textH, captionSize(b).cy);
    }
    const int textW = button ? captionSize(button).cx : 0;
    const TCustomImageList* images = bar.Images();
    const int imageW = images ? images->Width() : 0, imageH = images ? images->Height() : 0;
    if (bar.List()) {
        size.cx = std::max(size.cx, imageW + (imageW ? kCaptionPadX : 0) + textW + 2 * kCaptionPadX);
        size.cy = std::max(size.cy, std::max(imageH, textH) + 2 * kCaptionPadY);
    } else {
        size.cx = std::max(size.cx, std::max(imageW, textW) + 2 * kCaptionPadX);
        size.cy = std::max(size.cy, imageH + (imageH ? 1 : 0) + textH + 2 * kCaptionPadY);
    }
    return size;
}
}  // namespace

void TToolBar::ControlInserted(TControl* c) {
    if (auto* b = dynamic_cast<TToolButton*>(c); b && b->Style() != tbsSeparator && b->Style() != tbsDivider)
        b->SetBounds(b->Left(), b->Top(), buttonWidth_, buttonHeight_);
    ArrangeButtons();
}

void TToolBar::ControlRemoving(TControl*) {}

void TToolBar::AlignControls(TControl* control, TRect& rect) {
    TCustomControl::AlignControls(control, rect);
    ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
    if (arranging_) return;
    arranging_ = true;
    // Buttons and controls in their order, from the left; a full row wraps when allowed.
    std::vector<TControl*> list;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (c->Visible() && c->Align() == alNone) list.push_back(c);
    }
    const int buttonH = buttonSize(*this, nullptr).cy;
    int x = indent_, y = 0, rowH = buttonH;
    int width = ClientWidth();
    for (TControl* c : list) {
        auto* b = dynamic_cast<TToolButton*>(c);
        int w = c->Width();
        int h = b ? buttonH : c->Height();
        if (b && b->Style() != tbsSeparator && b->Style() != tbsDivider)
            w = buttonSize(*this, b).cx + (b->Style() == tbsDropDown ? 12 : 0);
        if (wrapable_ && x > indent_ && x + w > width) {
            x = indent_;
            y += rowH;
            rowH = buttonH;
        }
        c->SetBounds(x, y, w, h);
        rowH = std::max(rowH, h);
        x += w;
        if (b && b->Wrap()) {
            x = indent_;
            y += rowH;
            rowH = buttonH;
        }
    }
    if (autoSize_ && (Align() == alTop || Align() == alBottom || Align() == alNone)) SetHeight(y + rowH);
    arranging_ = false;
}

void TToolBar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
}

// ---- Status bar ----------------------------------------------------------------------------------

void TStatusPanel::changed() { bar_->Panels()->changed(); }
void TStatusPanel::SetText(const AnsiString& t) {
    if (t == text_) return;
    text_ = t;
    changed();
}
void TStatusPanel::SetWidth(int w) {
    width_ = w;
    changed();
}
void TStatusPanel::SetAlignment(TAlignment a) {
    alignment_ = a;
    changed();
}
void TStatusPanel::SetBevel(TStatusPanelBevel b) {
    bevel_ = b;
    changed();
}
void TStatusPanel::SetStyle(TStatusPanelStyle s) {
    style_ = s;
    changed();
}
int TStatusPanel::Index() const { return bar_->Panels()->IndexOf(this); }

TStatusPanels::~TStatusPanels() = default;

TStatusPanel* TStatusPanels::Add() {
    items_.push_back(std::make_unique<TStatusPanel>(bar_));
    changed();
    return items_.back().get();
}

TStatusPanel* TStatusPanels::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return items_[static_cast<std::size_t>(i)].get();
}

void TStatusPanels::Delete(int i) {
    Items(i);
    items_.erase(items_.begin() + i);
    changed();
}

void TStatusPanels::Clear() {
    items_.clear();
    changed();
}

int TStatusPanels::IndexOf(const TStatusPanel* p) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == p) return static_cast<int>(i);
    return -1;
}

void TStatusPanels::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) changed();
}

void TStatusPanels::changed() {
    if (updating_ == 0) bar_->Invalidate();
}

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner), panels_(std::make_unique<TStatusPanels>(this)) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    if (Application) Application->RemoveHintListener(this);
}

void TStatusBar::SetSimplePanel(bool b) {
    simplePanel_ = b;
    Invalidate();
}

void TStatusBar::SetSimpleText(const AnsiString& t) {
    simpleText_ = t;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool b) {
    sizeGrip_ = b;
    Invalidate();
}

void TStatusBar::SetAutoHint(bool b) {
    autoHint_ = b;
    Application->RemoveHintListener(this);
    if (b) {
        Application->AddHintListener(this, [this](const AnsiString& h) {
            if (simplePanel_ || panels_->Count() == 0) SetSimpleText(h);
            else panels_->Items(0)->SetText(h);
        });
    }
}

TRect TStatusBar::PanelRect(int i) const {
    int x = 0;
    for (int k = 0; k < panels_->Count(); ++k) {
        int w = panels_->Items(k)->Width();
        // The last panel runs to the right edge.
        if (k == panels_->Count() - 1) w = std::max(w, ClientWidth() - x);
        if (k == i) return TRect(x, 2, x + w - 2, ClientHeight());
        x += w;
    }
    return TRect();
}

void TStatusBar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
    c->Font()->Assign(Font());
    auto text = [&](TRect r, const AnsiString& s, TAlignment a) {
        c->Brush()->SetStyle(bsClear);
        InflateRect(r, -2, 0);
        unsigned f = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        f |= a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
        DrawText(c, s, -1, r, f);
    };
    if (simplePanel_ || panels_->Count() == 0) {
        TRect r(0, 2, ClientWidth(), ClientHeight());
        text(r, simpleText_, taLeftJustify);
        return;
    }
    for (int i = 0; i < panels_->Count(); ++i) {
        TStatusPanel* p = panels_->Items(i);
        TRect r = PanelRect(i);
        if (p->Bevel() != pbNone) {
            TRect e = r;
            DrawEdge(c, e, p->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        TRect inner = r;
        InflateRect(inner, -1, -1);
        if (p->Style() == psOwnerDraw) OnDrawPanel(this, p, inner);
        else text(inner, p->Text(), p->Alignment());
    }
}

// ---- TDateTimePicker -----------------------------------------------------------------------------

namespace {
const QDate kEpoch(1899, 12, 30);

QDateTime toQt(TDateTime dt) {
    double days = std::floor(dt);
    double frac = dt - days;
    auto ms = static_cast<qint64>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1;
    }
    return QDateTime(kEpoch.addDays(static_cast<qint64>(days)), QTime(0, 0).addMSecs(static_cast<int>(ms)));
}

TDateTime fromQt(const QDateTime& q) {
    double days = static_cast<double>(kEpoch.daysTo(q.date()));
    double frac = q.time().msecsSinceStartOfDay() / 86400000.0;
    return days + frac;
}
}  // namespace

AnsiString DateFormatToQt(const AnsiString& format) {
    const std::string& s = format.str();
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < s.size();) {
        char ch = s[i];
        char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        std::size_t n = 1;
        while (i + n < s.size() && std::tolower(static_cast<unsigned char>(s[i + n])) == lc &&
               (lc == 'd' || lc == 'm' || lc == 'y' || lc == 'h' || lc == 'n' || lc == 's' || lc == 'z'))
            ++n;
        switch (lc) {
        case 'd': out += std::string(std::min<std::size_t>(n, 4), 'd'); break;
        case 'm':
            // "mm" right after an hour means minutes, as the runtime reads it.
            if (afterHour && n <= 2) out += std::string(n, 'm');
            else out += std::string(std::min<std::size_t>(n, 4), 'M');
            break;
        case 'y': out += n <= 2 ? "yy" : "yyyy"; break;
        case 'h': out += std::string(std::min<std::size_t>(n, 2), 'H'); break;
        case 'n': out += std::string(std::min<std::size_t>(n, 2), 'm'); break;
        case 's': out += std::string(std::min<std::size_t>(n, 2), 's'); break;
        case 'z': out += "zzz"; break;
        case '\'':
        case '"': {
            std::size_t end = s.find(ch, i + 1);
            if (end == std::string::npos) end = s.size();
            out.push_back('\'');
            out.append(s, i + 1, end - i - 1);
            out.push_back('\'');
            n = end - i + 1;
            break;
        }
        default:
            if (std::isalpha(static_cast<unsigned char>(ch))) {
                out.push_back('\'');
                out.push_back(ch);
                out.push_back('\'');
            } else {
                out.push_back(ch);
            }
            break;
        }
        if (lc == 'h') afterHour = true;
        else if (lc != ':' && lc != ' ' && lc != 'm') afterHour = false;
        i += n;
    }
    return AnsiString(std::move(out));
}

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QDateTimeEdit>(this);
    edit_ = w;
    AttachHost(w);
    w->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    w->setFocusPolicy(Qt::StrongFocus);
    w->setCalendarPopup(true);
    w->setMinimumDateTime(QDateTime(QDate(1752, 9, 14), QTime(0, 0)));
    QObject::connect(w, &QDateTimeEdit::dateTimeChanged, [this](const QDateTime&) {
        if (updating_) return;
        SafeCall(this, [this] { OnChange(this); });
    });
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 186, 21);
    applyFormat();
    SetDateTime(::Now());
}

TDateTimePicker::~TDateTimePicker() {
    Destroying_();
    QObject::disconnect(edit_, nullptr, nullptr, nullptr);
}

void TDateTimePicker::applyFormat() {
    AnsiString f = format_;
    if (f.IsEmpty()) {
        const TFormatSettings& fs = FormatSettings();
        if (kind_ == dtkTime) f = fs.LongTimeFormat;
        else f = dateFormat_ == dfLong ? fs.LongDateFormat : fs.ShortDateFormat;
    }
    edit_->setDisplayFormat(qs(DateFormatToQt(f)));
    edit_->setCalendarPopup(kind_ == dtkDate && dateMode_ == dmComboBox);
}

void TDateTimePicker::SetKind(TDateTimeKind k) {
    kind_ = k;
    applyFormat();
}

TDateTime TDateTimePicker::DateTime() const { return fromQt(edit_->dateTime()); }

void TDateTimePicker::SetDateTime(TDateTime dt) {
    updating_ = true;
    edit_->setDateTime(toQt(dt));
    updating_ = false;
}

TDateTime TDateTimePicker::Date() const { return std::floor(DateTime()); }

void TDateTimePicker::SetDate(TDateTime d) { SetDateTime(std::floor(d) + Time()); }

TDateTime TDateTimePicker::Time() const {
    TDateTime dt = DateTime();
    return dt - std::floor(dt);
}

void TDateTimePicker::SetTime(TDateTime t) { SetDateTime(Date() + (t - std::floor(t))); }

void TDateTimePicker::SetDateMode(TDTDateMode m) {
    dateMode_ = m;
    applyFormat();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat f) {
    dateFormat_ = f;
    applyFormat();
}

void TDateTimePicker::SetFormat(const AnsiString& f) {
    format_ = f;
    applyFormat();
}

void TDateTimePicker::SetMinDate(TDateTime d) {
    minDate_ = d;
    if (d != 0) edit_->setMinimumDateTime(toQt(d));
}

void TDateTimePicker::SetMaxDate(TDateTime d) {
    maxDate_ = d;
    if (d != 0) edit_->setMaximumDateTime(toQt(d));
}

void TDateTimePicker::ColorChanged() {
    TWinControl::ColorChanged();
    QPalette pal = edit_->palette();
    pal.setColor(QPalette::Base, ToQColor(Color()));
    edit_->setPalette(pal);
}

// ---- TUpDown -------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* owner) : TCustomControl(owner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 17, 25);
    repeat_ = new QTimer();
    QObject::connect(repeat_, &QTimer::timeout, [this] {
        repeat_->setInterval(100);
        if (pressedPart_ >= 0) SafeCall(this, [this] { Step(pressedPart_ == 0 ? btNext : btPrev); });
    });
}

TUpDown::~TUpDown() {
    Destroying_();
    repeat_->stop();
    repeat_->disconnect();
    repeat_->deleteLater();
    if (associate_) associate_->RemoveFreeNotification(this);
}

void TUpDown::SetMin(int v) {
    min_ = v;
    SetPosition(position_);
}

void TUpDown::SetMax(int v) {
    max_ = v;
    SetPosition(position_);
}

int TUpDown::Position() const {
    // The associated control's text is read back, so what the user typed counts.
    if (associate_) {
        AnsiString t = StringReplace(associate_->Text(), FormatSettings().ThousandSeparator, "");
        int v = 0;
        if (TryStrToInt(Trim(t), v)) return std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    }
    return position_;
}

void TUpDown::SetPosition(int v) {
    int lo = std::min(min_, max_), hi = std::max(min_, max_);
    position_ = std::clamp(v, lo, hi);
    updateAssociate();
    Invalidate();
}

void TUpDown::SetThousands(bool b) {
    thousands_ = b;
    updateAssociate();
}

void TUpDown::SetOrientation(TUDOrientation o) {
    orientation_ = o;
    Invalidate();
}

void TUpDown::SetAlignButton(TUDAlignButton a) {
    alignButton_ = a;
    placeBesideAssociate();
}

void TUpDown::SetAssociate(TWinControl* c) {
    if (associate_) associate_->RemoveFreeNotification(this);
    associate_ = c;
    if (c) {
        c->FreeNotification(this);
        placeBesideAssociate();
        updateAssociate();
    }
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == associate_) associate_ = nullptr;
}

void TUpDown::placeBesideAssociate() {
    if (!associate_ || associate_->Parent() != Parent()) return;
    // The buttons take their width from the associated control's side.
    int w = Width();
    TRect r = associate_->BoundsRect();
    if (alignButton_ == udRight) {
        associate_->SetBounds(r.Left, r.Top, r.Width() - w, r.Height());
        SetBounds(r.Right - w, r.Top, w, r.Height());
    } else {
        associate_->SetBounds(r.Left + w, r.Top, r.Width() - w, r.Height());
        SetBounds(r.Left, r.Top, w, r.Height());
    }
}

void TUpDown::updateAssociate() {
    if (!associate_) return;
    AnsiString t = IntToStr(position_);
    if (thousands_ && std::abs(position_) >= 1000) {
        std::string digits = IntToStr(std::abs(position_)).str();
        std::string out;
        int n = static_cast<int>(digits.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0) out += FormatSettings().ThousandSeparator.str();
            out += digits[static_cast<std::size_t>(i)];
        }
        t = (position_ < 0 ? "-" : "") + AnsiString(out);
    }
    associate_->SetText(t);
}

void TUpDown::Step(TUDBtnType button) {
    int cur = Position();
    int next = cur + (button == btNext ? increment_ : -increment_);
    int lo = std::min(min_, max_), hi = std::max(min_, max_);
    if (next > hi) next = wrap_ ? lo : hi;
    if (next < lo) next = wrap_ ? hi : lo;
    bool allow = true;
    OnChanging(this, allow);
    if (!allow) return;
    position_ = next;
    updateAssociate();
    Invalidate();
    OnClick(this, button);
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    bool first = orientation_ == udVertical ? y < Height() / 2 : x >= Width() / 2;
    pressedPart_ = first ? 0 : 1;
    Invalidate();
    Step(first ? btNext : btPrev);
    repeat_->start(400);
}

void TUpDown::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    repeat_->stop();
    pressedPart_ = -1;
    Invalidate();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TUpDown::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    TRect a = r, b = r;
    unsigned ka, kb;
    if (orientation_ == udVertical) {
        a.Bottom = r.Height() / 2;
        b.Top = a.Bottom;
        ka = DFCS_SCROLLUP;
        kb = DFCS_SCROLLDOWN;
    } else {
        b.Right = r.Width() / 2;
        a.Left = b.Right;
        ka = DFCS_SCROLLRIGHT;
        kb = DFCS_SCROLLLEFT;
    }
    unsigned dis = Enabled() ? 0 : DFCS_INACTIVE;
    DrawFrameControl(c, a, DFC_SCROLL, ka | dis | (pressedPart_ == 0 ? DFCS_PUSHED : 0));
    DrawFrameControl(c, b, DFC_SCROLL, kb | dis | (pressedPart_ == 1 ? DFCS_PUSHED : 0));
}

// ---- TProgressBar --------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QProgressBar>(this);
    bar_ = w;
    AttachHost(w);
    w->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
    apply();
}

void TProgressBar::SetMin(int v) {
    min_ = v;
    apply();
}

void TProgressBar::SetMax(int v) {
    max_ = v;
    apply();
}

void TProgressBar::SetPosition(int v) {
    position_ = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    apply();
}

void TProgressBar::StepIt() { StepBy(step_); }

void TProgressBar::StepBy(int delta) {
    // Stepping past the end starts again from the beginning, as the common control does.
    int p = position_ + delta;
    if (p > max_) p = min_ + (p - max_) - 1;
    SetPosition(p);
}

void TProgressBar::SetOrientation(TProgressBarOrientation o) {
    orientation_ = o;
    bar_->setOrientation(o == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
}

void TProgressBar::apply() {
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    bar_->setValue(position_);
}
