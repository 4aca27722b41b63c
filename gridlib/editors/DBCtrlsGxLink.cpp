// The field data link of the editors, the image beside an editor's text, and SafeVarToStr.
#include "gridlib/editors/DBCtrlsGx.h"

AnsiString SafeVarToStr(const Variant& v) {
    if (VarIsArray(v)) return AnsiString();
    try {
        return VarToStr(v);
    } catch (...) {
        // A value that has no text shows as empty text; the editor must not fail to paint.
        return AnsiString();
    }
}

// ---- TFieldDataLinkGx ----------------------------------------------------------------------------------

TFieldDataLinkGx::TFieldDataLinkGx() { SetVisualControl(true); }

bool TFieldDataLinkGx::GetActive() const { return dataIndepended_ || (Active() && GetField() != nullptr); }

bool TFieldDataLinkGx::GetDataSetActive() const {
    TDataSource* ds = DataSource();
    return ds && ds->DataSet() && ds->DataSet()->Active();
}

bool TFieldDataLinkGx::GetCanModify() const {
    if (dataIndepended_) return true;
    TField* f = GetField();
    return f && f->CanModify();
}

void TFieldDataLinkGx::SetDataSource(TDataSource* ds) {
    if (ds == DataSource()) return;
    TDataLink::SetDataSource(ds);
    UpdateDataIndepended();
}

void TFieldDataLinkGx::SetFieldName(const AnsiString& name) {
    if (name == fieldName_) return;
    fieldName_ = name;
    UpdateField();
    UpdateDataIndepended();
}

void TFieldDataLinkGx::SetMultiFields(bool b) {
    if (b == multiFields_) return;
    multiFields_ = b;
    UpdateField();
}

TField* TFieldDataLinkGx::GetFieldsField(int index) const {
    if (index < 0 || index >= GetFieldsCount()) return nullptr;
    return fields_[static_cast<std::size_t>(index)];
}

bool TFieldDataLinkGx::FieldFound(TField* field) const {
    return field && std::find(fields_.begin(), fields_.end(), field) != fields_.end();
}

void TFieldDataLinkGx::UpdateDataIndepended() {
    const bool now = DataSource() == nullptr && fieldName_.IsEmpty();
    if (now == dataIndepended_) return;
    dataIndepended_ = now;
    LocalValue = Null();
    LayoutChanged();
    if (dataIndepended_) RecordChanged(nullptr);
}

void TFieldDataLinkGx::UpdateField() {
    TFieldsArrGx list;
    if (Active() && !fieldName_.IsEmpty()) {
        TDataSet* ds = DataSet();
        if (multiFields_) {
            if (Control) list = GetFieldsProperty(ds, Control, fieldName_);
            else ds->GetFieldList(list, fieldName_);
        } else {
            TField* f = nullptr;
            if (Control) {
                f = ds->FindField(fieldName_);
                if (!f) DatabaseError(Format(DBText::FieldNotFound, fieldName_), Control);
            } else {
                f = ds->FieldByName(fieldName_);
            }
            list.push_back(f);
        }
    }
    SetField(list);
}

void TFieldDataLinkGx::SetField(const TFieldsArrGx& fields) {
    fields_ = fields;
    EditingChanged();
    RecordChanged(nullptr);
    UpdateRightToLeft();
}

void TFieldDataLinkGx::UpdateRightToLeft() {
    auto* c = dynamic_cast<TWinControl*>(Control);
    if (!c || !c->UseRightToLeftReading()) return;
    const bool styleRight = (GetWindowLong(c->Handle(), GWL_EXSTYLE) & 0x1000) != 0;
    TField* f = GetField();
    const bool fieldRight = f && f->Alignment() == taLeftJustify;  // mirrored by right-to-left alignment
    if (styleRight != fieldRight) c->Perform(CM_RECREATEWND);
}

bool TFieldDataLinkGx::Edit() {
    if (dataIndepended_) {
        if (!editing_ && !ReadOnly()) {
            editing_ = true;
            modified_ = false;
            OnEditingStateChange(this);
        }
    } else if (GetCanModify()) {
        TDataLink::Edit();
    }
    return editing_;
}

void TFieldDataLinkGx::SetEditing(bool b) {
    if (b == editing_) return;
    editing_ = b;
    modified_ = false;
    OnEditingStateChange(this);
}

void TFieldDataLinkGx::EditingChanged() { SetEditing(TDataLink::Editing() && GetCanModify()); }

void TFieldDataLinkGx::RecordChanged(TField* field) {
    if (field && !FieldFound(field)) return;
    OnDataChange(this);
    modified_ = false;
}

void TFieldDataLinkGx::ActiveChanged() {
    UpdateField();
    OnActiveStateChange(this);
}

void TFieldDataLinkGx::DataEvent(TDataEvent event, std::intptr_t info) { TDataLink::DataEvent(event, info); }

void TFieldDataLinkGx::LayoutChanged() { UpdateField(); }

void TFieldDataLinkGx::FocusControl(TField** field) {
    if (!field || !*field || !FieldFound(*field)) return;
    auto* c = dynamic_cast<TWinControl*>(Control);
    if (!c || !c->CanFocus()) return;
    *field = nullptr;
    c->SetFocus();
}

void TFieldDataLinkGx::UpdateData() {
    if (dataIndepended_) {
        if (modified_) OnUpdateData(this);
        // Through the setter, so that the editor's read-only state follows.
        SetEditing(false);
        modified_ = false;
        return;
    }
    if (!modified_) return;
    if (GetField()) OnUpdateData(this);
    modified_ = false;
}

void TFieldDataLinkGx::SetText(const AnsiString& text) {
    if (dataIndepended_) {
        LocalValue = Variant(text);
        RecordChanged(nullptr);
        return;
    }
    TField* f = GetField();
    if (!f) return;
    if (f->DataType() == ftMemo) f->SetAsString(text);
    else f->SetText(text);
}

void TFieldDataLinkGx::SetValue(const Variant& value) {
    if (dataIndepended_) {
        LocalValue = value;
        RecordChanged(nullptr);
        return;
    }
    if (GetFieldsCount() > 1) {
        if (VarEquals(value, Null())) {
            for (TField* f : fields_) f->Clear();
            return;
        }
        for (int i = 0; i < GetFieldsCount(); ++i) fields_[static_cast<std::size_t>(i)]->SetValue(value.GetElement(i));
        return;
    }
    if (TField* f = GetField()) f->SetValue(value);
}

// ---- TEditImageGx --------------------------------------------------------------------------------------

TEditImageGx::TEditImageGx(TWinControl* editControl) : editControl_(editControl) {}

void TEditImageGx::changed() {
    if (editControl_) editControl_->Perform(CM_EDITIMAGECHANGEDGX, ObjectToIntPtr(this), 0);
}

void TEditImageGx::SetImages(TCustomImageList* images) {
    if (images == images_) return;
    images_ = images;
    if (images_ && editControl_) images_->FreeNotification(editControl_);
    changed();
}

void TEditImageGx::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    if (editControl_) editControl_->Invalidate();
}

void TEditImageGx::SetVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    changed();
}

void TEditImageGx::SetWidth(int w) {
    if (w == width_) return;
    width_ = w;
    changed();
}

void TEditImageGx::SetUseImageHeight(bool b) {
    if (b == useImageHeight_) return;
    useImageHeight_ = b;
    changed();
}

void TEditImageGx::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TEditImageGx*>(source)) {
        SetImages(s->Images());
        SetImageIndex(s->ImageIndex());
        SetVisible(s->Visible());
        SetWidth(s->Width());
        return;
    }
    TPersistent::Assign(source);
}
