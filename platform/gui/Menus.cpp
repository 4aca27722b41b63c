#include "gui/Menus.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"
#include "gui/ImgList.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>

using namespace plantmon::gui;

namespace {
TPopupMenuHook g_popupHook;

struct KeyName {
    WORD vk;
    const char* name;
};
const KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},      {VK_HOME, "Home"},  {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
    {VK_MULTIPLY, "Num *"}, {VK_ADD, "Num +"}, {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num ."}, {VK_DIVIDE, "Num /"},
};

AnsiString keyName(WORD vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return AnsiString(static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F1 + 23) return "F" + IntToStr(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return "Num " + IntToStr(vk - VK_NUMPAD0);
    for (const KeyName& k : kKeyNames)
        if (k.vk == vk) return k.name;
    switch (vk) {
    case VK_OEM_1: return ";";
    case VK_OEM_PLUS: return "=";
    case VK_OEM_COMMA: return ",";
    case VK_OEM_MINUS: return "-";
    case VK_OEM_PERIOD: return ".";
    case VK_OEM_2: return "/";
    case VK_OEM_3: return "`";
    case VK_OEM_4: return "[";
    case VK_OEM_5: return "\\";
    case VK_OEM_6: return "]";
    case VK_OEM_7: return "'";
    default: return AnsiString();
    }
}
}  // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
    if (key & 0xFF00) return 0;
    TShortCut sc = key;
    if (shift & ssShift) sc |= scShift;
    if (shift & ssCtrl) sc |= scCtrl;
    if (shift & ssAlt) sc |= scAlt;
    return sc;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

AnsiString ShortCutToText(TShortCut shortCut) {
    AnsiString name = keyName(shortCut & 0xFF);
    if (name.IsEmpty()) return AnsiString();
    AnsiString r;
    if (shortCut & scShift) r += "Shift+";
    if (shortCut & scCtrl) r += "Ctrl+";
    if (shortCut & scAlt) r += "Alt+";
    return r + name;
}

TShortCut TextToShortCut(const AnsiString& text) {
    std::string s = text.str();
    TShortCut mods = 0;
    for (;;) {
        bool found = false;
        for (auto [prefix, bit] : {std::pair<const char*, TShortCut>{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}}) {
            std::size_t n = std::char_traits<char>::length(prefix);
            if (s.size() > n && SameText(AnsiString(s.substr(0, n)), prefix)) {
                mods |= bit;
                s = s.substr(n);
                found = true;
            }
        }
        if (!found) break;
    }
    for (int vk = 1; vk < 256; ++vk) {
        AnsiString n = keyName(static_cast<WORD>(vk));
        if (!n.IsEmpty() && SameText(n, AnsiString(s))) return static_cast<TShortCut>(vk | mods);
    }
    return 0;
}

AnsiString StripHotkey(const AnsiString& caption) {
    std::string out;
    const std::string& s = caption.str();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return AnsiString(std::move(out));
}

// ---- Menu action link ----------------------------------------------------------------------------

class TMenuActionLink : public TBasicActionLink {
public:
    explicit TMenuActionLink(TMenuItem* item) : item_(item) {}
    void Change() override { item_->ActionChange(Action()); }

private:
    TMenuItem* item_;
};

// ---- TMenuItem -----------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    Destroying_();
    // Sub-items go with their item, whoever owns them.
    while (!items_.empty()) {
        TMenuItem* c = items_.back();
        items_.pop_back();
        c->parent_ = nullptr;
        delete c;
    }
    if (parent_) parent_->Remove(this);
    actionLink_.reset();
    delete qaction_;
    delete qmenu_;
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && actionLink_ && component == actionLink_->Action()) SetAction(nullptr);
}

TMenuItem* TMenuItem::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return items_[static_cast<std::size_t>(i)];
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->parent_) throw EInvalidOperation("Пункт меню уже вставлен в другое меню");
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    for (TMenuItem* p = this; p; p = p->parent_)
        if (p->menu_) item->menu_ = p->menu_;
    changed(true);
}

void TMenuItem::Delete(int index) {
    TMenuItem* item = Items(index);
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* c = items_.back();
        items_.pop_back();
        c->parent_ = nullptr;
        delete c;
    }
    changed(true);
}

TMenuItem* TMenuItem::Find(const AnsiString& caption) const {
    AnsiString want = StripHotkey(caption);
    for (TMenuItem* i : items_)
        if (AnsiSameText(StripHotkey(i->caption_), want)) return i;
    return nullptr;
}

void TMenuItem::SetCaption(const AnsiString& c) {
    if (c == caption_) return;
    caption_ = c;
    changed(false);
}

void TMenuItem::SetChecked(bool b) {
    if (b == checked_) return;
    checked_ = b;
    // Radio items of one group: checking one unchecks the others.
    if (b && radioItem_ && parent_) {
        for (TMenuItem* s : parent_->items_)
            if (s != this && s->radioItem_ && s->groupIndex_ == groupIndex_ && s->checked_) {
                s->checked_ = false;
                s->changed(false);
            }
    }
    changed(false);
}

void TMenuItem::SetEnabled(bool b) {
    if (b == enabled_) return;
    enabled_ = b;
    changed(false);
}

void TMenuItem::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    changed(true);
}

void TMenuItem::SetShortCut(TShortCut s) {
    if (s == shortCut_) return;
    shortCut_ = s;
    changed(false);
}

void TMenuItem::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    changed(false);
}

void TMenuItem::SetRadioItem(bool b) {
    radioItem_ = b;
    changed(false);
}

void TMenuItem::SetDefault(bool b) {
    default_ = b;
    changed(false);
}

TBasicAction* TMenuItem::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TMenuItem::SetAction(TBasicAction* a) {
    if (a == Action()) return;
    if (!a) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = std::make_unique<TMenuActionLink>(this);
    actionLink_->SetAction(a);
    a->FreeNotification(this);
    ActionChange(a);
}

void TMenuItem::ActionChange(TBasicAction* action) {
    auto* a = dynamic_cast<TCustomAction*>(action);
    if (!a) return;
    caption_ = a->Caption();
    enabled_ = a->Enabled();
    checked_ = a->Checked();
    hint_ = a->Hint();
    imageIndex_ = a->ImageIndex();
    shortCut_ = a->ShortCut();
    autoCheck_ = a->AutoCheck();
    bool vis = a->Visible();
    bool structure = vis != visible_;
    visible_ = vis;
    changed(structure);
}

void TMenuItem::Click() {
    if (autoCheck_ && !Action()) SetChecked(!checked_);
    TBasicAction* a = Action();
    if (OnClick && a && !(OnClick == a->OnExecute)) {
        OnClick(this);
    } else if (actionLink_) {
        actionLink_->Execute(this);
    } else {
        OnClick(this);
    }
}

TCustomImageList* TMenuItem::images() const {
    for (const TMenuItem* p = this; p; p = p->parent_)
        if (p->menu_) return p->menu_->Images();
    return nullptr;
}

void TMenuItem::changed(bool structure) {
    if (qaction_) updateQtAction();
    if (structure) {
        menuDirty_ = true;
        if (parent_) parent_->menuDirty_ = true;
    }
    if (qmenu_ && structure) rebuildQtMenu();
    if (parent_ && parent_->qmenu_ && structure) parent_->rebuildQtMenu();
    TMenu* m = nullptr;
    for (TMenuItem* p = this; p && !m; p = p->parent_) m = p->menu_;
    if (m) m->MenuChanged(this, structure);
}

QAction* TMenuItem::QtAction() {
    if (!qaction_) {
        qaction_ = new QAction();
        QObject::connect(qaction_, &QAction::triggered, [this] { SafeCall(this, [this] { Click(); }); });
        updateQtAction();
    }
    return qaction_;
}

void TMenuItem::updateQtAction() {
    QAction* a = qaction_;
    a->setSeparator(IsLine());
    QString text;
    // A separator is a line only: styles draw a separator's text as a section heading.
    if (!IsLine()) {
        text = QString::fromStdString(caption_.str());
        AnsiString sc = ShortCutToText(shortCut_);
        // The shortcut is only shown: the form runs it, so that the message hook sees the key first.
        if (!sc.IsEmpty()) text += "\t" + QString::fromStdString(sc.str());
    }
    a->setText(text);
    a->setEnabled(enabled_);
    a->setVisible(visible_);
    a->setCheckable(checked_ || radioItem_ || autoCheck_);
    a->setChecked(checked_);
    a->setStatusTip(QString::fromStdString(GetLongHint(hint_).str()));
    QFont f = a->font();
    f.setBold(default_);
    a->setFont(f);
    TCustomImageList* il = images();
    if (il && imageIndex_ >= 0 && imageIndex_ < il->Count()) a->setIcon(ImageListIcon(*il, imageIndex_));
    else a->setIcon(QIcon());
    if (!items_.empty()) a->setMenu(QtMenu());
    else if (a->menu()) a->setMenu(nullptr);
}

QMenu* TMenuItem::QtMenu() {
    if (!qmenu_) {
        qmenu_ = new QMenu();
        MarkForeign(qmenu_);
        QObject::connect(qmenu_, &QMenu::aboutToShow, [this] {
            // A parent item is clicked when its sub-menu opens (items may be filled there).
            SafeCall(this, [this] { OnClick(this); });
            if (menuDirty_) rebuildQtMenu();
        });
        menuDirty_ = true;
    }
    if (menuDirty_) rebuildQtMenu();
    return qmenu_;
}

void TMenuItem::rebuildQtMenu() {
    if (!qmenu_) return;
    menuDirty_ = false;
    qmenu_->clear();
    for (TMenuItem* i : items_) qmenu_->addAction(i->QtAction());
}

// ---- TMenu ---------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    Destroying_();
    items_.reset();
}

void TMenu::SetImages(TCustomImageList* list) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = list;
    if (list) list->FreeNotification(this);
    MenuChanged(items_.get(), true);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == images_) images_ = nullptr;
}

static TMenuItem* findByShortCut(TMenuItem* item, TShortCut sc) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* c = item->Items(i);
        if (c->ShortCut() == sc && !c->IsLine()) return c;
        if (TMenuItem* r = findByShortCut(c, sc)) return r;
    }
    return nullptr;
}

TMenuItem* TMenu::FindItemByShortCut(TShortCut sc) const {
    if (sc == 0) return nullptr;
    return findByShortCut(items_.get(), sc);
}

bool TMenu::IsShortCut(WORD key, TShiftState shift) {
    TMenuItem* item = FindItemByShortCut(ShortCut(key, shift));
    if (!item) return false;
    if (TBasicAction* a = item->Action()) a->Update();
    if (!item->Enabled()) return false;
    item->Click();
    return true;
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

// ---- TMainMenu -----------------------------------------------------------------------------------

TMainMenu::~TMainMenu() {
    auto bars = bars_;
    for (auto& [form, bar] : bars) form->SetMenu(nullptr);
}

void TMainMenu::fill(QMenuBar* bar) {
    bar->clear();
    for (int i = 0; i < Items()->Count(); ++i) bar->addAction(Items()->Items(i)->QtAction());
}

void TMainMenu::AttachForm(TCustomForm* form, QMenuBar* bar) {
    DetachForm(form);
    bars_.emplace_back(form, bar);
    fill(bar);
}

void TMainMenu::DetachForm(TCustomForm* form) {
    bars_.erase(std::remove_if(bars_.begin(), bars_.end(), [form](auto& p) { return p.first == form; }), bars_.end());
}

void TMainMenu::MenuChanged(TMenuItem* item, bool structure) {
    if (!structure || item != Items()) return;
    for (auto& [form, bar] : bars_) fill(bar);
}

// ---- TPopupMenu ----------------------------------------------------------------------------------

TPopupMenuHook SetPopupMenuHook(TPopupMenuHook hook) {
    TPopupMenuHook old = std::move(g_popupHook);
    g_popupHook = std::move(hook);
    return old;
}

void TPopupMenu::Popup(int x, int y) {
    OnPopup(this);
    if (g_popupHook) {
        if (TMenuItem* item = g_popupHook(this, x, y)) item->Click();
        return;
    }
    QMenu* m = Items()->QtMenu();
    QSize sz = m->sizeHint();
    int px = x;
    if (alignment_ == paRight) px = x - sz.width();
    else if (alignment_ == paCenter) px = x - sz.width() / 2;
    // The popup runs its own loop; the chosen item runs from inside it.
    m->exec(QPoint(px, y));
}
