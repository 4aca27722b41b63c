// The standard edit actions: copy, cut, paste, select all and delete.
//
// An edit action has no handler of its own: it goes to the focused control (see ActnList.h), and
// acts on it when that control is an edit (its selection and the clipboard's text). Any other
// control may take it by overriding ExecuteAction/UpdateAction. When nothing takes its update
// (nothing focused that knows it, no handler), the action is disabled.
#pragma once

#include "gui/ActnList.h"

class TCustomEdit;

class TEditAction : public TAction {
    PLANTMON_CLASS(TEditAction, TAction)
public:
    explicit TEditAction(TComponent* owner) : TAction(owner) {}
    // A focused edit.
    bool HandlesTarget(TObject* target) override;
    bool Update() override;

protected:
    static TCustomEdit* Edit(TObject* target);
};

// Copies the selected text.
class TEditCopy : public TEditAction {
    PLANTMON_CLASS(TEditCopy, TEditAction)
public:
    explicit TEditCopy(TComponent* owner) : TEditAction(owner) {}
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
};

// Moves the selected text to the clipboard.
class TEditCut : public TEditAction {
    PLANTMON_CLASS(TEditCut, TEditAction)
public:
    explicit TEditCut(TComponent* owner) : TEditAction(owner) {}
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
};

// Puts the clipboard's text in place of the selection.
class TEditPaste : public TEditAction {
    PLANTMON_CLASS(TEditPaste, TEditAction)
public:
    explicit TEditPaste(TComponent* owner) : TEditAction(owner) {}
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
};

// Selects the whole text.
class TEditSelectAll : public TEditAction {
    PLANTMON_CLASS(TEditSelectAll, TEditAction)
public:
    explicit TEditSelectAll(TComponent* owner) : TEditAction(owner) {}
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
};

// Removes the selected text.
class TEditDelete : public TEditAction {
    PLANTMON_CLASS(TEditDelete, TEditAction)
public:
    explicit TEditDelete(TComponent* owner) : TEditAction(owner) {}
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
};
