// Field definitions, the field list, field-name lists and the database error helper.
#include "data/DB.h"

void DatabaseError(const AnsiString& message, const TComponent* component) {
    if (component && !component->Name().IsEmpty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

AnsiString ExtractFieldName(const AnsiString& names, int& pos) {
    int i = pos;
    int n = names.Length();
    while (i <= n && names[i] != ';') ++i;
    AnsiString result = Trim(names.SubString(pos, i - pos));
    if (i <= n && names[i] == ';') ++i;
    pos = i;
    return result;
}

// ---- TFieldDef -------------------------------------------------------------------------------
void TFieldDef::SetRequired(bool r) {
    if (r) attributes_ |= faRequired;
    else attributes_ &= ~static_cast<TFieldAttributes>(faRequired);
}

TField* TFieldDef::CreateField(TComponent* owner) const {
    TField* f = CreateFieldOfType(dataType_, owner);
    if (!f) DatabaseError(AnsiString::FormatC(DBText::FieldTypeNotSupported, name_.c_str()));
    try {
        f->SetFieldName(name_);
        if (SlotKindOf(dataType_) == skBytes || dataType_ == ftBCD || dataType_ == ftFMTBcd) f->SetSize(size_);
        f->SetRequired(Required());
        if ((attributes_ & faReadonly) != 0) f->SetReadOnly(true);
        if (dataType_ == ftBCD) static_cast<TBCDField*>(f)->SetPrecision(precision_ > 0 ? precision_ : 18);
        if (owner_ && owner_->DataSet()) f->SetDataSet(owner_->DataSet());
    } catch (...) {
        delete f;
        throw;
    }
    return f;
}

// ---- TFieldDefs ------------------------------------------------------------------------------
TFieldDefs::TFieldDefs(TDataSet* dataSet) : dataSet_(dataSet) {}

TFieldDef* TFieldDefs::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
    return items_[i].get();
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType type, int size, bool required) {
    if (IndexOf(name) >= 0) DatabaseError(AnsiString::FormatC(DBText::DuplicateFieldName, name.c_str()), dataSet_);
    auto d = std::make_unique<TFieldDef>();
    d->name_ = name;
    d->dataType_ = type;
    d->size_ = size;
    d->SetRequired(required);
    d->fieldNo_ = Count() + 1;
    d->owner_ = this;
    items_.push_back(std::move(d));
    return items_.back().get();
}

int TFieldDefs::IndexOf(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(items_[i]->name_, name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& name) const {
    int i = IndexOf(name);
    if (i < 0) DatabaseError(AnsiString::FormatC(DBText::FieldNotFound, name.c_str()), dataSet_);
    return items_[i].get();
}

void TFieldDefs::Clear() { items_.clear(); }

void TFieldDefs::Assign(const TFieldDefs& other) {
    if (&other == this) return;
    items_.clear();
    for (const auto& d : other.items_) {
        TFieldDef* n = Add(d->name_, d->dataType_, d->size_, d->Required());
        n->precision_ = d->precision_;
        n->attributes_ = d->attributes_;
    }
}

void TFieldDefs::GetItemNames(TStrings* list) const {
    list->BeginUpdate();
    list->Clear();
    for (const auto& d : items_) list->Add(d->name_);
    list->EndUpdate();
}

void TFieldDefs::Update() {
    if (dataSet_ && !dataSet_->Active()) dataSet_->InternalInitFieldDefs();
}

// ---- TFields ---------------------------------------------------------------------------------
TField* TFields::Fields(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
    return list_[i];
}

TField* TFields::FindField(const AnsiString& name) const {
    for (TField* f : list_)
        if (AnsiSameText(f->FieldName(), name)) return f;
    return nullptr;
}

TField* TFields::FieldByName(const AnsiString& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError(AnsiString::FormatC(DBText::FieldNotFound, name.c_str()), dataSet_);
    return f;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* f : list_)
        if (f->FieldNo() == fieldNo) return f;
    return nullptr;
}

int TFields::IndexOf(const TField* f) const {
    for (int i = 0; i < Count(); ++i)
        if (list_[i] == f) return i;
    return -1;
}

void TFields::GetFieldNames(TStrings* list) const {
    list->BeginUpdate();
    list->Clear();
    for (TField* f : list_) list->Add(f->FieldName());
    list->EndUpdate();
}
