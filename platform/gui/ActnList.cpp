#include "gui/ActnList.h"

#include "gui/Forms.h"
#include "gui/ImgList.h"

#include <algorithm>

// ---- TBasicActionLink ----------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink() {
    if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* a) {
    if (a == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    action_ = a;
    if (a) a->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* target) {
    if (!action_) return false;
    action_->SetActionComponent(target);
    bool r = false;
    try {
        r = action_->Execute();
    } catch (...) {
        if (action_) action_->SetActionComponent(nullptr);
        throw;
    }
    if (action_) action_->SetActionComponent(nullptr);
    return r;
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

// ---- TBasicAction --------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    Destroying_();
    auto links = links_;
    for (TBasicActionLink* l : links) l->SetAction(nullptr);
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

bool TBasicAction::HandlesTarget(TObject*) { return false; }

void TBasicAction::ExecuteTarget(TObject*) {}

void TBasicAction::UpdateTarget(TObject*) {}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TBasicAction::Change() {
    auto links = links_;
    for (TBasicActionLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->Change();
}

// ---- TContainedAction ----------------------------------------------------------------------------

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TCustomActionList* list) {
    if (list == actionList_) return;
    if (actionList_) {
        auto& v = actionList_->actions_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        actionList_->OnChange(actionList_);
    }
    actionList_ = list;
    if (list) {
        list->actions_.push_back(this);
        list->FreeNotification(this);
        list->OnChange(list);
    }
}

void TContainedAction::SetCategory(const AnsiString& c) {
    category_ = c;
    Change();
}

int TContainedAction::Index() const {
    if (!actionList_) return -1;
    auto& v = actionList_->actions_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TContainedAction::SetIndex(int i) {
    if (!actionList_) return;
    auto& v = actionList_->actions_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    i = std::clamp(i, 0, static_cast<int>(v.size()));
    v.insert(v.begin() + i, this);
}

// An action nobody else took is offered to the focused control; true when the control took it.
static bool offerToFocusedControl(UINT msg, TBasicAction* action) {
    TWinControl* c = Screen ? Screen->ActiveControl() : nullptr;
    return c && c->Perform(msg, 0, reinterpret_cast<LPARAM>(action)) == 1;
}

bool TContainedAction::Execute() {
    if (actionList_ && actionList_->ExecuteAction(this)) return true;
    if (TBasicAction::Execute()) return true;
    return offerToFocusedControl(CM_ACTIONEXECUTE, this);
}

bool TContainedAction::Update() {
    if (actionList_ && actionList_->UpdateAction(this)) return true;
    if (TBasicAction::Update()) return true;
    return offerToFocusedControl(CM_ACTIONUPDATE, this);
}

// ---- TCustomAction -------------------------------------------------------------------------------

void TCustomAction::SetCaption(const AnsiString& c) {
    if (c == caption_) return;
    caption_ = c;
    Change();
}

void TCustomAction::SetHint(const AnsiString& h) {
    if (h == hint_) return;
    hint_ = h;
    Change();
}

void TCustomAction::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Change();
}

void TCustomAction::SetShortCut(TShortCut s) {
    if (s == shortCut_) return;
    shortCut_ = s;
    Change();
}

void TCustomAction::SetEnabled(bool b) {
    if (b == enabled_) return;
    enabled_ = b;
    Change();
}

void TCustomAction::SetChecked(bool b) {
    if (b == checked_) return;
    checked_ = b;
    if (b && groupIndex_ > 0 && ActionList()) {
        for (int i = 0; i < ActionList()->ActionCount(); ++i) {
            auto* a = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
            if (a && a != this && a->groupIndex_ == groupIndex_ && a->checked_) a->SetChecked(false);
        }
    }
    Change();
}

void TCustomAction::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    Change();
}

void TCustomAction::SetGroupIndex(int g) {
    groupIndex_ = g;
    if (checked_) {
        checked_ = false;
        SetChecked(true);
    }
}

bool TCustomAction::Execute() {
    Update();
    if (!enabled_) return false;
    if (autoCheck_) SetChecked(!checked_);
    return TContainedAction::Execute();
}

// ---- TCustomActionList ---------------------------------------------------------------------------

TCustomActionList::~TCustomActionList() {
    Destroying_();
    auto actions = actions_;
    for (TContainedAction* a : actions) a->actionList_ = nullptr;
    actions_.clear();
}

TContainedAction* TCustomActionList::Actions(int i) const {
    if (i < 0 || i >= ActionCount()) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return actions_[static_cast<std::size_t>(i)];
}

void TCustomActionList::SetImages(TCustomImageList* list) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = list;
    if (list) list->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == images_) images_ = nullptr;
    actions_.erase(std::remove(actions_.begin(), actions_.end(), component), actions_.end());
}

bool TCustomActionList::IsShortCut(WORD key, TShiftState shift) {
    TShortCut sc = ShortCut(key, shift);
    if (sc == 0) return false;
    auto actions = actions_;
    for (TContainedAction* ca : actions) {
        auto* a = dynamic_cast<TCustomAction*>(ca);
        if (!a || a->ShortCut() != sc) continue;
        a->Update();
        if (!a->Enabled()) return false;
        a->Execute();
        return true;
    }
    return false;
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
    bool handled = false;
    if (OnExecute) OnExecute(action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
    bool handled = false;
    if (OnUpdate) OnUpdate(action, handled);
    return handled;
}

// ---- TControlActionLink --------------------------------------------------------------------------

bool TControlActionLink::Execute(TComponent* target) { return TBasicActionLink::Execute(target ? target : client_); }

void TControlActionLink::Change() {
    if (Action()) client_->ActionChange(Action(), false);
}
