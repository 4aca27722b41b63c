#include "rtl/Classes.h"

#include "rtl/TypInfo.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace {
// Name is published but streamed apart from the other properties (it names the component).
const bool componentPropertiesRegistered = [] {
    TPropInfo name = MakeProperty<TComponent>("Name", TypeInfoOf(tkLString, "TComponentName"), &TComponent::Name,
                                              &TComponent::SetName);
    name.Stored = [](TObject*) { return false; };
    RegisterPublishedProperties(TComponent::StaticClass(),
                                {name, MakeProperty<TComponent>("Tag", TypeInfoOf(tkInteger, "Integer"), &TComponent::Tag,
                                                                &TComponent::SetTag, 0)});
    return true;
}();
}  // namespace

// ---- Global component lookup -------------------------------------------------------------------

namespace {
struct GlobalLookup {
    std::mutex lock;
    int nextKey = 1;
    std::vector<std::pair<int, TFindGlobalComponent>> procs;
};
GlobalLookup& globalLookup() {
    static GlobalLookup g;
    return g;
}
}  // namespace

int RegisterFindGlobalComponentProc(TFindGlobalComponent proc) {
    GlobalLookup& g = globalLookup();
    std::lock_guard<std::mutex> lock(g.lock);
    const int key = g.nextKey++;
    g.procs.emplace_back(key, std::move(proc));
    return key;
}

void UnregisterFindGlobalComponentProc(int key) {
    GlobalLookup& g = globalLookup();
    std::lock_guard<std::mutex> lock(g.lock);
    g.procs.erase(std::remove_if(g.procs.begin(), g.procs.end(), [key](const auto& p) { return p.first == key; }),
                  g.procs.end());
}

TComponent* FindGlobalComponent(const AnsiString& name) {
    std::vector<TFindGlobalComponent> procs;
    {
        GlobalLookup& g = globalLookup();
        std::lock_guard<std::mutex> lock(g.lock);
        for (const auto& p : g.procs) procs.push_back(p.second);
    }
    // Asked outside the lock: a procedure may look further names up itself.
    for (const auto& proc : procs)
        if (TComponent* c = proc ? proc(name) : nullptr) return c;
    return nullptr;
}

// ---- TPersistent ---------------------------------------------------------------------------------

void TPersistent::Assign(TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) {
    AnsiString from = "nil";
    (void)dest;
    from = ClassName();
    throw EConvertError("Cannot assign a " + from + " to a " + (dest ? dest->ClassName() : AnsiString("nil")));
}

// ---- TComponent ----------------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying_();
    // Tell everyone who asked that this component goes away.
    auto notifies = freeNotifies_;
    freeNotifies_.clear();
    for (TComponent* c : notifies) {
        c->freeNotifies_.erase(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetAncestor(bool value) {
    if (value) state_ |= csAncestor;
    else state_ &= ~csAncestor;
    for (TComponent* c : components_) c->SetAncestor(value);
}

TComponent* TComponent::Components(int i) const {
    if (i < 0 || i >= ComponentCount())
        throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return components_[static_cast<std::size_t>(i)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& v = owner_->components_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TComponent::SetName(const AnsiString& name) {
    if (name == name_) return;
    if (owner_ && !name.IsEmpty()) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this)
            throw EComponentError("Компонент с именем " + name + " уже существует");
    }
    name_ = name;
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
    if (name.IsEmpty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
    if (!c || c->owner_ == this) return;
    if (c->owner_) c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    if (!(state_ & csDestroying)) Notification(c, opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), c));
    c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    // Newest first; each destructor removes itself from the list.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
}

void TComponent::Destroying_() {
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* c : components_) c->Destroying_();
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    freeNotifies_.insert(c);
    c->freeNotifies_.insert(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    if (!c) return;
    freeNotifies_.erase(c);
    c->freeNotifies_.erase(this);
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) {
        freeNotifies_.erase(component);
    }
}
