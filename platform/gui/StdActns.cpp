#include "gui/StdActns.h"

#include "gui/Clipbrd.h"
#include "gui/StdCtrls.h"

TCustomEdit* TEditAction::Edit(TObject* target) { return dynamic_cast<TCustomEdit*>(target); }

bool TEditAction::HandlesTarget(TObject* target) {
    TCustomEdit* e = Edit(target);
    return e && e->Focused();
}

bool TEditAction::Update() {
    bool taken = TAction::Update();
    if (!taken && !OnExecute) SetEnabled(false);
    return taken;
}

void TEditCopy::ExecuteTarget(TObject* target) { Edit(target)->CopyToClipboard(); }

void TEditCopy::UpdateTarget(TObject* target) { SetEnabled(Edit(target)->SelLength() > 0); }

void TEditCut::ExecuteTarget(TObject* target) { Edit(target)->CutToClipboard(); }

void TEditCut::UpdateTarget(TObject* target) {
    TCustomEdit* e = Edit(target);
    SetEnabled(e->SelLength() > 0 && !e->ReadOnly());
}

void TEditPaste::ExecuteTarget(TObject* target) { Edit(target)->PasteFromClipboard(); }

void TEditPaste::UpdateTarget(TObject* target) {
    SetEnabled(!Edit(target)->ReadOnly() && Clipboard()->HasFormat(CF_TEXT));
}

void TEditSelectAll::ExecuteTarget(TObject* target) { Edit(target)->SelectAll(); }

void TEditSelectAll::UpdateTarget(TObject* target) { SetEnabled(!Edit(target)->Text().IsEmpty()); }

void TEditDelete::ExecuteTarget(TObject* target) { Edit(target)->ClearSelection(); }

void TEditDelete::UpdateTarget(TObject* target) {
    TCustomEdit* e = Edit(target);
    SetEnabled(e->SelLength() > 0 && !e->ReadOnly());
}
