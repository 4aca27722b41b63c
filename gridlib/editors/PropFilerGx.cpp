#include "gridlib/editors/PropFilerGx.h"

#include "gridlib/editors/GridLibPlatform.h"
#include "rtl/MathUtils.h"

#include <algorithm>
#include <cctype>
#include <utility>

bool IsRaiseReadErrorGx = false;

namespace {

const char* const kOwnerMarker = "<P>";
const char* const kAllItems = "<ForAllItems>";
const char* const kItemPrefix = "__Item";

struct Registration {
    TClass target;
    TStoragePropertyInterceptorClass interceptor;
};

struct UnitState {
    int starts = 0;
    std::vector<Registration> registrations;
};

UnitState& unit() {
    static UnitState u;
    return u;
}

bool isStringKind(TTypeKind k) { return k == tkString || k == tkLString || k == tkWString; }
TTypeKind kindOf(PPropInfo p) { return p && p->PropType ? p->PropType->Kind : tkUnknown; }

// An event has no accessors here: it is read and written as nil, since no handler has a name.
bool canRead(PPropInfo p) {
    return kindOf(p) == tkMethod || p->GetOrd || p->GetFloat || p->GetStr || p->GetVariant || p->GetObject;
}
bool canWrite(PPropInfo p) {
    return kindOf(p) == tkMethod || p->SetOrd || p->SetFloat || p->SetStr || p->SetVariant || p->SetObject;
}

bool isDateType(PTypeInfo t) {
    return t && (SameText(t->Name, "TDateTime") || SameText(t->Name, "TDate") || SameText(t->Name, "TTime"));
}

[[noreturn]] void invalidValue() { throw EReadError("Invalid property value"); }

// Text after the first ".", empty when there is none.
AnsiString afterToken(const AnsiString& path) {
    const int dot = path.Pos(".");
    return dot == 0 ? AnsiString() : path.SubString(dot + 1, path.Length() - dot);
}

bool startsWith(const AnsiString& s, const char* prefix) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    return s.str().size() >= n && s.str().compare(0, n, prefix) == 0;
}

// The digits of "<Item12>" or "__Item12"; -1 when there are none.
int itemNumber(const AnsiString& s, std::size_t from) {
    const std::string& t = s.str();
    std::size_t i = from;
    long long n = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        n = n * 10 + (t[i] - '0');
        if (n > 1000000000) return -1;
        ++i;
    }
    return i == from ? -1 : static_cast<int>(n);
}

std::vector<AnsiString> splitPath(const AnsiString& path) {
    std::vector<AnsiString> parts;
    AnsiString rest = path;
    for (;;) {
        parts.push_back(GetNextPointSeparatedToken(rest));
        if (rest.Pos(".") == 0) break;
        rest = afterToken(rest);
    }
    return parts;
}

void defineProperties(TObject* obj, TFiler* filer) {
    if (auto* p = dynamic_cast<TPersistent*>(obj)) TRefGx<TFilerAccess>(new TFilerAccess(p))->DefineProperties(filer);
}

TComponent* childOwnerOf(TComponent* c) { return TRefGx<TFilerAccess>(new TFilerAccess(c))->GetChildOwner(); }
TComponent* childParentOf(TComponent* c) { return TRefGx<TFilerAccess>(new TFilerAccess(c))->GetChildParent(); }

// The published property of that name of the interceptor class registered for obj's class.
PPropInfo interceptedProperty(TObject* obj, const AnsiString& name) {
    const TStoragePropertyInterceptorClass cls = GetInterceptorForTarget(obj->ClassType());
    return cls ? GetPropInfo(cls.Class, name) : nullptr;
}

const bool interceptorPropertiesRegistered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    using I = TFormStoragePropertyInterceptor;
    RegisterPublishedProperties(
        I::StaticClass(),
        {MakeProperty<I>("ActiveControl", ClassTypeInfo(TWinControl::StaticClass()), &I::ActiveControl,
                         &I::SetActiveControl),
         MakeProperty<I>("Height", integer, &I::Height, &I::SetHeight),
         MakeProperty<I>("Left", integer, &I::Left, &I::SetLeft),
         MakeProperty<I>("PixelsPerInch", integer, &I::PixelsPerInch, &I::SetPixelsPerInch),
         MakeProperty<I>("Top", integer, &I::Top, &I::SetTop),
         MakeProperty<I>("Width", integer, &I::Width, &I::SetWidth),
         MakeProperty<I>("WindowState", EnumTypeInfo("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}),
                         &I::WindowState, &I::SetWindowState)});
    return true;
}();

// The unit is started for the whole run when it is linked in.
const bool unitStarted = (PropFilerGxStartup(), true);

}  // namespace

// ---- Unit functions --------------------------------------------------------------------------------

void PropFilerGxStartup() {
    if (unit().starts++ > 0) return;
    RegisterReadPropertyInterceptor(TCustomForm::StaticClass(), InterceptorClassOf<TFormStoragePropertyInterceptor>());
}

void PropFilerGxShutdown() {
    if (unit().starts == 0 || --unit().starts > 0) return;
    unit().registrations.clear();
}

void GetComponentChildListGx(TComponent* ParentComp, TComponent* Root, TStrings* ChildList, bool CheckInline) {
    if (!ChildList) return;
    ChildList->Clear();
    if (!ParentComp) return;
    TComponent* root = Root;
    if (CheckInline)
        root = (ParentComp->ComponentState() & csInline) || ParentComp == Root ? ParentComp : ParentComp->Owner();
    TRefGx<TFilerAccess>(new TFilerAccess(ParentComp))->GetChildren([ChildList](TComponent* child) {
        ChildList->AddObject(child->Name(), child);
    }, root);
}

TComponent* FindChildComponent(TComponent* ParentComp, TComponent* Root, const AnsiString& Name, bool CheckInline) {
    TStringList children;
    GetComponentChildListGx(ParentComp, Root, &children, CheckInline);
    const int i = children.IndexOf(Name);
    return i < 0 ? nullptr : static_cast<TComponent*>(children.Objects(i));
}

AnsiString GetNextPointSeparatedToken(const AnsiString& Path) {
    const int dot = Path.Pos(".");
    return dot == 0 ? Path : Path.SubString(1, dot - 1);
}

void RegisterReadPropertyInterceptor(TClass TargetClass, const TStoragePropertyInterceptorClass& InterceptorClass) {
    auto& regs = unit().registrations;
    regs.erase(std::remove_if(regs.begin(), regs.end(), [&](const Registration& r) { return r.target == TargetClass; }),
               regs.end());
    regs.push_back(Registration{TargetClass, InterceptorClass});
}

void UnregisterReadPropertyInterceptor(TClass TargetClass, const TStoragePropertyInterceptorClass& InterceptorClass) {
    auto& regs = unit().registrations;
    regs.erase(std::remove_if(regs.begin(), regs.end(),
                              [&](const Registration& r) {
                                  return r.target == TargetClass && r.interceptor.Class == InterceptorClass.Class;
                              }),
               regs.end());
}

TStoragePropertyInterceptorClass GetInterceptorForTarget(TClass TargetClass) {
    const Registration* best = nullptr;
    int bestSteps = 0;
    for (const Registration& r : unit().registrations) {
        if (!r.target) continue;
        int steps = 0;
        for (TClass c = TargetClass; c; c = c->Parent, ++steps) {
            if (!SameText(c->Name, r.target->Name)) continue;
            if (!best || steps < bestSteps) {
                best = &r;
                bestSteps = steps;
            }
            break;
        }
    }
    return best ? best->interceptor : TStoragePropertyInterceptorClass{};
}

// ---- TFormStoragePropertyInterceptor -------------------------------------------------------------------

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TObject* ATarget)
    : TStoragePropertyInterceptor(ATarget) {
    if (TCustomForm* f = form()) {
        const TRect r = f->NormalBounds();
        left_ = r.Left;
        top_ = r.Top;
        width_ = r.Width();
        height_ = r.Height();
        pixelsPerInch_ = f->PixelsPerInch();
        windowState_ = f->WindowState();
        activeControl_ = f->ActiveControl();
    }
}

TCustomForm* TFormStoragePropertyInterceptor::form() const { return dynamic_cast<TCustomForm*>(target_); }

int TFormStoragePropertyInterceptor::Left() const { return form() ? form()->NormalBounds().Left : left_; }
int TFormStoragePropertyInterceptor::Top() const { return form() ? form()->NormalBounds().Top : top_; }
int TFormStoragePropertyInterceptor::Width() const { return form() ? form()->NormalBounds().Width() : width_; }
int TFormStoragePropertyInterceptor::Height() const { return form() ? form()->NormalBounds().Height() : height_; }

void TFormStoragePropertyInterceptor::SetLeft(int v) {
    left_ = v;
    posPresent_ = true;
}

void TFormStoragePropertyInterceptor::SetTop(int v) {
    top_ = v;
    posPresent_ = true;
}

void TFormStoragePropertyInterceptor::Readed() {
    TCustomForm* f = form();
    if (!f) return;
    // Bounds stored for another screen are scaled to this one; a stored count of 0 or less says
    // nothing about the screen they were laid out for and would turn every bound into -1.
    if (pixelsPerInch_ > 0) {
        const int ppi = Screen ? Screen->PixelsPerInch() : 96;
        height_ = MulDiv(height_, ppi, pixelsPerInch_);
        left_ = MulDiv(left_, ppi, pixelsPerInch_);
        top_ = MulDiv(top_, ppi, pixelsPerInch_);
        width_ = MulDiv(width_, ppi, pixelsPerInch_);
    }
    f->SetWindowState(windowState_);
    if (!activeControl_ || (activeControl_ != f && f->ContainsControl(activeControl_)))
        f->SetActiveControl(activeControl_);
    if (f->WindowState() != wsNormal) f->SetNormalBounds(TRect(left_, top_, left_ + width_, top_ + height_));
    else f->SetBounds(left_, top_, width_, height_);
    // A centred form would be centred again when shown; the restored position stays.
    if (posPresent_ && !(f->ComponentState() & csDesigning) &&
        (f->Position() == poScreenCenter || f->Position() == poDesktopCenter))
        f->SetPosition(poDesigned);
}

// ---- TPropWriterGx -------------------------------------------------------------------------------------

TPropWriterGx::TPropWriterGx(TStream* Stream, int BufSize) : TWriter(Stream, BufSize) {}
TPropWriterGx::~TPropWriterGx() = default;

void TPropWriterGx::WritePropName(const AnsiString& Name) { WriteStr(prefix_ + Name); }

TStoragePropertyInterceptor* TPropWriterGx::interceptorFor(TObject* obj) {
    for (auto& [target, icpt] : interceptors_)
        if (target == obj) return icpt.get();
    const TStoragePropertyInterceptorClass cls = GetInterceptorForTarget(obj->ClassType());
    if (!cls || !cls.Create) return nullptr;
    interceptors_.emplace_back(obj, std::unique_ptr<TStoragePropertyInterceptor>(cls.Create(obj)));
    return interceptors_.back().second.get();
}

void TPropWriterGx::openComponent(TComponent* c, std::size_t depth) {
    if (open_.size() < depth) {
        if (propsOpen_) WriteListEnd();
    } else if (!SameText(open_[depth - 1]->Name(), c->Name())) {
        closeDownTo(depth - 1);
    } else {
        return;
    }
    WriteComponentHeader(c);
    open_.push_back(c);
    propsOpen_ = true;
}

void TPropWriterGx::closeDownTo(std::size_t depth) {
    while (open_.size() > depth) {
        if (propsOpen_) WriteListEnd();
        propsOpen_ = false;
        WriteListEnd();
        open_.pop_back();
    }
}

void TPropWriterGx::WriteOwnerProperties(TComponent* Owner, TStrings* PropList) {
    struct Reset {
        TPropWriterGx* w;
        ~Reset() {
            w->interceptors_.clear();
            w->open_.clear();
            w->propsOpen_ = false;
            w->prefix_ = AnsiString();
        }
    } reset{this};
    SetRoot(Owner);
    SetLookupRoot(Owner);
    SetAncestor(nullptr);
    WriteSignature();
    WriteComponentHeader(Owner);
    const int n = PropList ? PropList->Count() : 0;
    for (int i = 0; i < n; ++i) {
        const AnsiString path = PropList->Strings(i);
        if (path.Pos(".") == 0) throw EFilerError("Component name is empty.");
        if (GetNextPointSeparatedToken(path) == kOwnerMarker) SaveObjectProperyValue(Owner, afterToken(path));
    }
    if (OnWriteExtraOwnerProps) OnWriteExtraOwnerProps(this);
    WriteListEnd();

    for (int i = 0; i < n; ++i) {
        const AnsiString path = PropList->Strings(i);
        if (GetNextPointSeparatedToken(path) == kOwnerMarker) continue;
        TComponent* current = Owner;
        std::size_t depth = 0;
        AnsiString rest = path;
        bool found = true;
        for (;;) {
            const AnsiString name = GetNextPointSeparatedToken(rest);
            if (name == kOwnerMarker) break;
            if (name.IsEmpty()) throw EFilerError("Component name is empty.");
            TComponent* child = rest.Pos(".") == 0 ? nullptr : FindChildComponent(current, Owner, name, true);
            if (!child) {
                found = false;
                break;
            }
            current = child;
            openComponent(child, ++depth);
            rest = afterToken(rest);
        }
        // A path through a component the owner does not hold stores nothing: its values would
        // land on another component.
        if (!found || open_.empty()) continue;
        // A component's path after those of its children opens it once more, so that its values
        // never land on the child still open.
        if (open_.size() > depth) {
            closeDownTo(depth - 1);
            WriteComponentHeader(current);
            open_.push_back(current);
            propsOpen_ = true;
        }
        SaveObjectProperyValue(open_.back(), afterToken(rest));
    }

    if (propsOpen_) WriteListEnd();
    propsOpen_ = false;
    for (std::size_t i = open_.size(); i > 0; --i) WriteListEnd();
    open_.clear();
    WriteListEnd();
    FlushBuffer();
}

void TPropWriterGx::SaveObjectProperyValue(TObject* AObject, const AnsiString& PropPath) {
    if (PropPath.IsEmpty()) throw EFilerError("Property name is empty.");
    if (!AObject) return;
    const AnsiString s = GetNextPointSeparatedToken(PropPath);
    const AnsiString rest = afterToken(PropPath);

    if (s == kAllItems || startsWith(s, "<Item")) {
        auto* collection = dynamic_cast<TCollection*>(AObject);
        if (!collection) throw EFilerError("Component type is not Collection.");
        auto saveItem = [&](int index, TStrings* props) {
            TCollectionItem* item = collection->Items(index);
            const AnsiString saved = prefix_;
            prefix_ = prefix_ + kItemPrefix + AnsiString(std::to_string(index)) + ".";
            try {
                if (!rest.IsEmpty()) SaveObjectProperyValue(item, rest);
                else
                    for (int j = 0; j < props->Count(); ++j) SaveObjectProperyValue(item, props->Strings(j));
            } catch (...) {
                prefix_ = saved;
                throw;
            }
            prefix_ = saved;
        };
        TStringList props;
        if (s == kAllItems) {
            if (rest.IsEmpty() && collection->Count() > 0) BuildPropsList(collection->Items(0), &props);
            for (int i = 0; i < collection->Count(); ++i) saveItem(i, &props);
        } else {
            const int index = itemNumber(s, 5);
            if (index < 0) throw EFilerError("Invalide property name: " + s);
            if (rest.IsEmpty()) BuildPropsList(collection->Items(index), &props);
            saveItem(index, &props);
        }
        return;
    }

    TObject* target = AObject;
    PPropInfo prop = nullptr;
    // The interceptor is made only for a property it has: one made in vain would apply its values.
    if (PPropInfo p = interceptedProperty(AObject, s); p && canRead(p))
        if (TStoragePropertyInterceptor* icpt = interceptorFor(AObject); icpt && icpt->NeedIntercept()) {
            target = icpt;
            prop = p;
        }
    if (!prop) prop = GetPropInfo(AObject, s);
    if (!prop) {
        DefineObjectProperties(AObject);
        for (const Defined& d : defined_)
            if (SameText(d.name, s)) {
                WritePropName(d.name);
                d.write(this);
                return;
            }
        for (const Defined& d : definedStreams_)
            if (SameText(d.name, s)) {
                TMemoryStream data;
                d.writeStream(&data);
                WritePropName(d.name);
                WriteBinary(data.Memory(), data.Size());
                return;
            }
        throw EFilerError("Invalide property name: " + s);
    }
    writePublished(target, prop, rest);
}

void TPropWriterGx::writePublished(TObject* obj, PPropInfo p, const AnsiString& rest) {
    const TTypeKind kind = kindOf(p);
    if (kind == tkClass) {
        writeObjectProperty(obj, p, rest);
        return;
    }
    if (!rest.IsEmpty()) throw EFilerError("Invalide property name: " + GetNextPointSeparatedToken(rest));
    if (!canRead(p) || !canWrite(p)) return;
    switch (kind) {
    case tkInteger: {
        const long long v = GetOrdProp(obj, p);
        AnsiString ident;
        WritePropName(p->Name);
        if (TIntToIdent toIdent = FindIntToIdent(p->PropType); toIdent && toIdent(v, ident)) WriteIdent(ident);
        else WriteInteger(v);
        break;
    }
    case tkChar:
    case tkWChar:
        WritePropName(p->Name);
        WriteChar(static_cast<char32_t>(GetOrdProp(obj, p)));
        break;
    case tkEnumeration: {
        const long long v = GetOrdProp(obj, p);
        const auto& names = p->PropType->EnumNames;
        WritePropName(p->Name);
        if (SameText(p->PropType->Name, "Boolean")) WriteBoolean(v != 0);
        else if (v >= 0 && v < static_cast<long long>(names.size())) WriteIdent(names[static_cast<std::size_t>(v)]);
        else WriteInteger(v);
        break;
    }
    case tkSet: {
        const long long bits = GetOrdProp(obj, p);
        const auto& names = p->PropType->EnumNames;
        WritePropName(p->Name);
        WriteValue(vaSet);
        for (std::size_t i = 0; i < names.size() && i < 63; ++i)
            if (bits & (1LL << i)) WriteStr(names[i]);
        WriteStr(AnsiString());
        break;
    }
    case tkFloat:
        WritePropName(p->Name);
        if (isDateType(p->PropType)) WriteDate(GetFloatProp(obj, p));
        else WriteFloat(GetFloatProp(obj, p));
        break;
    case tkInt64:
        WritePropName(p->Name);
        WriteInteger(GetOrdProp(obj, p));
        break;
    case tkVariant:
        WritePropName(p->Name);
        WriteVariant(GetVariantProp(obj, p));
        break;
    case tkMethod:
        WritePropName(p->Name);
        WriteValue(vaNil);
        break;
    case tkInterface: {
        TObject* v = p->GetObject ? p->GetObject(obj) : nullptr;
        if (!v) {
            WritePropName(p->Name);
            WriteValue(vaNil);
        } else if (auto* c = dynamic_cast<TComponent*>(v)) {
            const AnsiString ref = referenceName(c);
            if (ref.IsEmpty()) throw EFilerError("Component reference name should always be non blank");
            WritePropName(p->Name);
            WriteIdent(ref);
        }
        break;
    }
    default:
        if (isStringKind(kind)) {
            WritePropName(p->Name);
            WriteWideString(GetStrProp(obj, p));
        }
        break;
    }
}

void TPropWriterGx::writeObjectProperty(TObject* obj, PPropInfo p, const AnsiString& rest) {
    if (!canRead(p)) return;
    TObject* value = GetObjectProp(obj, p);
    auto* component = dynamic_cast<TComponent*>(value);
    const bool subComponent = component && (component->ComponentStyle() & csSubComponent);
    if (!value) {
        if (!canWrite(p)) return;
        WritePropName(p->Name);
        WriteValue(vaNil);
        return;
    }
    auto* persistent = dynamic_cast<TPersistent*>(value);
    if (persistent && (!component || subComponent)) {
        // An object the property holds is entered through its getter; nothing replaces it, so it
        // needs no setter.
        const AnsiString saved = prefix_;
        prefix_ = prefix_ + p->Name + ".";
        try {
            if (!rest.IsEmpty()) SaveObjectProperyValue(persistent, rest);
            else WriteAllProperties(persistent);
        } catch (...) {
            prefix_ = saved;
            throw;
        }
        prefix_ = saved;
        if (rest.IsEmpty())
            if (auto* collection = dynamic_cast<TCollection*>(value)) {
                WritePropName(p->Name);
                WriteCollection(collection);
            }
        return;
    }
    if (component && canWrite(p)) {
        const AnsiString ref = referenceName(component);
        if (ref.IsEmpty()) return;
        WritePropName(p->Name);
        WriteIdent(ref);
    }
}

AnsiString TPropWriterGx::referenceName(TComponent* c) const {
    TComponent* root = Root();
    if (!c) return AnsiString();
    if (c == root) return "Owner";
    if (c->Owner() == root && root) return c->Name();
    TComponent* owner = c->Owner();
    if (owner && !owner->Name().IsEmpty() && !c->Name().IsEmpty()) {
        bool rootOwns = false;
        for (TComponent* o = owner; o; o = o->Owner())
            if (o == root) rootOwns = true;
        if (rootOwns) {
            const AnsiString up = referenceName(owner);
            return up.IsEmpty() ? AnsiString() : up + "." + c->Name();
        }
        return owner->Name() + "." + c->Name();
    }
    if (!c->Name().IsEmpty()) return c->Name() + ".Owner";
    return AnsiString();
}

void TPropWriterGx::BuildPropsList(TObject* AObject, TStrings* List) {
    if (!AObject || !List) return;
    for (PPropInfo p : GetPropList(ClassTypeInfo(AObject->ClassType()), tkProperties)) {
        if (kindOf(p) != tkClass) {
            List->Add(p->Name);
            continue;
        }
        TObject* value = p->GetObject ? p->GetObject(AObject) : nullptr;
        if (!value || dynamic_cast<TComponent*>(value)) continue;
        TStringList inner;
        BuildPropsList(value, &inner);
        for (int i = 0; i < inner.Count(); ++i) List->Add(p->Name + "." + inner.Strings(i));
        if (dynamic_cast<TCollection*>(value)) List->Add(p->Name);
    }
    DefineObjectProperties(AObject);
    for (const Defined& d : defined_) List->Add(d.name);
    for (const Defined& d : definedStreams_) List->Add(d.name);
}

void TPropWriterGx::WriteAllProperties(TObject* AObject) {
    TStringList props;
    BuildPropsList(AObject, &props);
    for (int i = 0; i < props.Count(); ++i) SaveObjectProperyValue(AObject, props.Strings(i));
}

void TPropWriterGx::WriteCollection(TCollection* Collection) {
    WriteValue(vaCollection);
    TPersistent* savedAncestor = Ancestor();
    const AnsiString savedPrefix = prefix_;
    SetAncestor(nullptr);
    prefix_ = AnsiString();
    try {
        for (int i = 0; Collection && i < Collection->Count(); ++i) {
            WriteListBegin();
            WriteAllProperties(Collection->Items(i));
            WriteListEnd();
        }
        WriteListEnd();
    } catch (...) {
        SetAncestor(savedAncestor);
        prefix_ = savedPrefix;
        throw;
    }
    SetAncestor(savedAncestor);
    prefix_ = savedPrefix;
}

void TPropWriterGx::DefineObjectProperties(TObject* AObject) {
    defined_.clear();
    definedStreams_.clear();
    defineProperties(AObject, this);
}

void TPropWriterGx::DefineProperty(const AnsiString& name, TReaderProc, TWriterProc writeData, bool) {
    if (writeData) defined_.push_back(Defined{name, writeData, nullptr});
}

void TPropWriterGx::DefineBinaryProperty(const AnsiString& name, TStreamProc, TStreamProc writeData, bool) {
    if (writeData) definedStreams_.push_back(Defined{name, nullptr, writeData});
}

// ---- TPropReaderGx -------------------------------------------------------------------------------------

TPropReaderGx::TPropReaderGx(TStream* Stream, int BufSize) : TReader(Stream, BufSize) {}
TPropReaderGx::~TPropReaderGx() = default;

void TPropReaderGx::ReadOwnerProperties(TComponent* Owner) {
    ReadSignature();
    SetRoot(Owner);
    SetLookupRoot(Owner);
    SetOwner(Owner);
    SetParent(Owner);
    ReadComponent(Owner);
}

TStoragePropertyInterceptor* TPropReaderGx::interceptorFor(TObject* obj) {
    for (HeldInterceptor& h : interceptors_)
        if (h.target == obj) return h.interceptor.get();
    const TStoragePropertyInterceptorClass cls = GetInterceptorForTarget(obj->ClassType());
    if (!cls || !cls.Create) return nullptr;
    interceptors_.push_back(HeldInterceptor{obj, std::unique_ptr<TStoragePropertyInterceptor>(cls.Create(obj)), within_});
    return interceptors_.back().interceptor.get();
}

void TPropReaderGx::dropInterceptorsWithin(TCollection* collection) {
    // Their targets are the collection's items or objects those items hold: all freed when the
    // collection is read anew, and the values held for them belong to items that are gone.
    std::erase_if(interceptors_, [collection](const HeldInterceptor& h) {
        return std::find(h.within.begin(), h.within.end(), collection) != h.within.end();
    });
}

void TPropReaderGx::ReadComponent(TComponent* Component) {
    unsigned flags = 0;
    int childPos = 0;
    ReadPrefix(flags, childPos);
    ReadStr();  // the class name: the component is found by its name
    const AnsiString name = ReadStr();
    TComponent* target = Component ? Component : FindChildComponent(Parent(), Root(), name, true);
    std::unique_ptr<TComponent> temporary;
    if (!target) {
        // Values of a component the owner no longer holds are read and dropped.
        temporary = std::make_unique<TComponent>(nullptr);
        temporary->SetName(name);
        target = temporary.get();
    }

    // Interceptors and collections in update belong to this component's properties only.
    std::vector<TCollection*> outerUpdating;
    std::vector<HeldInterceptor> outerInterceptors;
    outerUpdating.swap(updating_);
    outerInterceptors.swap(interceptors_);
    auto finishProperties = [&](bool apply) {
        std::vector<TCollection*> updating;
        updating.swap(updating_);
        auto interceptors = std::move(interceptors_);
        interceptors_.clear();
        updating_.swap(outerUpdating);
        interceptors_.swap(outerInterceptors);
        for (TCollection* c : updating) c->EndUpdate();
        for (auto it = interceptors.rbegin(); it != interceptors.rend(); ++it) {
            if (apply) it->interceptor->Readed();
            it->interceptor.reset();
        }
    };
    try {
        while (!EndOfList()) ReadProperty(target);
        ReadListEnd();
    } catch (...) {
        finishProperties(false);
        throw;
    }
    finishProperties(true);

    TComponent* savedOwner = Owner();
    TComponent* savedParent = Parent();
    TComponent* childOwner = childOwnerOf(target);
    SetOwner(childOwner ? childOwner : Root());
    SetParent(childParentOf(target));
    try {
        while (!EndOfList()) ReadComponent(nullptr);
        ReadListEnd();
    } catch (...) {
        SetOwner(savedOwner);
        SetParent(savedParent);
        throw;
    }
    SetOwner(savedOwner);
    SetParent(savedParent);
}

void TPropReaderGx::ReadProperty(TPersistent* AInstance) {
    const AnsiString path = ReadStr();
    const long long valueAt = Stream()->Position();
    // The collections whose items the path passes through, for this property only.
    struct WithinScope {
        std::vector<TCollection*>& within;
        std::size_t size;
        ~WithinScope() { within.resize(size); }
    } withinScope{within_, within_.size()};
    try {
        const std::vector<AnsiString> parts = splitPath(path);
        TPersistent* obj = AInstance;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const AnsiString& part = parts[i];
            if (auto* collection = dynamic_cast<TCollection*>(obj); collection && startsWith(part, kItemPrefix)) {
                const int index = itemNumber(part, 6);
                if (index >= 0 && index < collection->Count()) {
                    if (std::find(updating_.begin(), updating_.end(), collection) == updating_.end()) {
                        collection->BeginUpdate();
                        updating_.push_back(collection);
                    }
                    obj = collection->Items(index);
                    within_.push_back(collection);
                    continue;
                }
            }
            PPropInfo p = GetPropInfo(obj, part);
            if (!p) PropertyError(part);
            auto* inner = kindOf(p) == tkClass && p->GetObject ? dynamic_cast<TPersistent*>(GetObjectProp(obj, p)) : nullptr;
            if (!inner) {
                SkipValue();
                throw EReadError("Invalid property path");
            }
            obj = inner;
        }
        const AnsiString& last = parts.back();
        if (PPropInfo p = interceptedProperty(obj, last); p && canWrite(p))
            if (TStoragePropertyInterceptor* icpt = interceptorFor(obj); icpt && icpt->NeedIntercept()) {
                ReadPropValue(icpt, p);
                return;
            }
        if (obj == AInstance && OnCustomOwnerProp) {
            bool processed = false;
            OnCustomOwnerProp(this, path, processed);
            if (processed) return;
        }
        if (PPropInfo p = GetPropInfo(obj, last)) {
            ReadPropValue(obj, p);
            return;
        }
        definedName_ = last;
        definedHandled_ = false;
        defineProperties(obj, this);
        const bool handled = definedHandled_;
        definedName_ = AnsiString();
        definedHandled_ = false;
        if (!handled) PropertyError(last);
    } catch (const Exception& e) {
        if (definedFailed_) {
            definedFailed_ = false;
            throw;
        }
        auto* component = dynamic_cast<TComponent*>(AInstance);
        const AnsiString owner = component && !component->Name().IsEmpty() ? component->Name() : AInstance->ClassName();
        const AnsiString message = "Error reading " + owner + "." + path + ": " + e.Message();
        if (!Error(message)) throw EReadError(message);
        // Skipped: the whole value is passed over from its start, however much of it was read.
        Stream()->Seek(valueAt, soBeginning);
        SkipValue();
    }
}

void TPropReaderGx::ReadPropValue(TPersistent* Instance, PPropInfo PropInfo) {
    PPropInfo p = PropInfo;
    const TTypeKind kind = kindOf(p);
    const PTypeInfo type = p->PropType;
    if (kind == tkMethod) throw EReadError("Unexpected Kind of Method: \"tkMethod\"");
    if (kind == tkClass) {
        // A collection is read into the object the property holds; only replacing the object
        // needs the setter.
        switch (NextValue()) {
        case vaNil:
            ReadValue();
            if (!p->SetObject) throw EPropertyError("Property is read-only");
            SetObjectProp(Instance, p, nullptr);
            return;
        case vaCollection: {
            ReadValue();
            auto* collection = p->GetObject ? dynamic_cast<TCollection*>(GetObjectProp(Instance, p)) : nullptr;
            if (!collection) invalidValue();
            // A collection read again (a damaged or edited stream naming it twice) frees its items.
            dropInterceptorsWithin(collection);
            within_.push_back(collection);
            try {
                ReadCollection(collection);
            } catch (...) {
                within_.pop_back();
                throw;
            }
            within_.pop_back();
            return;
        }
        case vaIdent: {
            const AnsiString ref = ReadIdent();
            if (!p->SetObject) throw EPropertyError("Property is read-only");
            TComponent* c = findReference(ref);
            if (!c) invalidValue();
            SetObjectProp(Instance, p, c);
            return;
        }
        default: invalidValue();
        }
    }
    if (!canWrite(p)) throw EPropertyError("Property is read-only");
    switch (kind) {
    case tkInteger:
        if (NextValue() == vaIdent) {
            const AnsiString ident = ReadIdent();
            long long v = 0;
            TIdentToInt toInt = FindIdentToInt(type);
            if (!toInt || !toInt(ident, v)) invalidValue();
            SetOrdProp(Instance, p, v);
        } else {
            SetOrdProp(Instance, p, ReadInteger());
        }
        break;
    case tkChar:
    case tkWChar: SetOrdProp(Instance, p, static_cast<long long>(ReadChar())); break;
    case tkEnumeration: {
        const TValueType next = NextValue();
        if (next == vaIdent || next == vaTrue || next == vaFalse) {
            const AnsiString ident = ReadIdent();
            const auto& names = type->EnumNames;
            std::size_t i = 0;
            while (i < names.size() && !SameText(names[i], ident)) ++i;
            if (i >= names.size()) invalidValue();
            SetOrdProp(Instance, p, static_cast<long long>(i));
        } else {
            // A number stored for an enumeration names one of its values or none.
            const long long v = ReadInteger();
            if (!type->EnumNames.empty() && (v < 0 || v >= static_cast<long long>(type->EnumNames.size())))
                invalidValue();
            SetOrdProp(Instance, p, v);
        }
        break;
    }
    case tkFloat: SetFloatProp(Instance, p, ReadFloat()); break;
    case tkSet: SetOrdProp(Instance, p, ReadSet(type)); break;
    case tkVariant: SetVariantProp(Instance, p, ReadVariant()); break;
    case tkInt64: SetOrdProp(Instance, p, ReadInteger()); break;
    case tkInterface:
        if (NextValue() != vaNil) invalidValue();
        ReadValue();
        SetObjectProp(Instance, p, nullptr);
        break;
    default:
        if (!isStringKind(kind)) invalidValue();
        SetStrProp(Instance, p, ReadWideString());
        break;
    }
}

long long TPropReaderGx::ReadSet(PTypeInfo TypeInfo) {
    if (NextValue() != vaSet) invalidValue();
    ReadValue();
    long long bits = 0;
    try {
        for (;;) {
            const AnsiString name = ReadStr();
            if (name.IsEmpty()) break;
            const auto& names = TypeInfo ? TypeInfo->EnumNames : std::vector<AnsiString>();
            std::size_t i = 0;
            while (i < names.size() && !SameText(names[i], name)) ++i;
            if (i >= names.size() || i >= 63) invalidValue();
            bits |= 1LL << i;
        }
    } catch (...) {
        try {
            SkipSetBody();
        } catch (...) {
        }
        throw;
    }
    return bits;
}

TComponent* TPropReaderGx::findReference(const AnsiString& name) const {
    TComponent* root = Root();
    if (!root) return nullptr;
    if (SameText(name, "Owner")) return root;
    const std::vector<AnsiString> parts = splitPath(name);
    TComponent* c = root->FindComponent(parts[0]);
    if (!c && parts.size() > 1) c = FindGlobalComponent(parts[0]);
    for (std::size_t i = 1; c && i < parts.size(); ++i) c = c->FindComponent(parts[i]);
    return c;
}

bool TPropReaderGx::Error(const AnsiString& Message) {
    const bool handled = TReader::Error(Message);
    return IsRaiseReadErrorGx ? handled : true;
}

void TPropReaderGx::DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc, bool) {
    if (definedHandled_ || !readData || definedName_.IsEmpty() || !SameText(name, definedName_)) return;
    definedHandled_ = true;
    try {
        readData(this);
    } catch (...) {
        // The object's own reading failed: that is never a value to skip.
        definedFailed_ = true;
        throw;
    }
}

void TPropReaderGx::DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc, bool) {
    if (definedHandled_ || !readData || definedName_.IsEmpty() || !SameText(name, definedName_)) return;
    definedHandled_ = true;
    if (NextValue() != vaBinary) invalidValue();
    TMemoryStream data;
    ReadBinary(data);
    readData(&data);
}
