// An action as the objects it acts on see it.
//
// A command such as "copy" or "first record" does not know beforehand what it works on: it is
// offered to candidates (the focused control, a control's data source) and the first one it
// handles runs it. The GUI's actions implement this; a data link offers its data source to an
// action through it, so the dataset model needs nothing of the GUI.
#pragma once

class TObject;

class ITargetAction {
public:
    // True when the action can act on target.
    virtual bool HandlesTarget(TObject* target) = 0;
    // Runs the action on target (HandlesTarget answered true).
    virtual void ExecuteTarget(TObject* target) = 0;
    // Brings the action's state (enabled, checked) up to date for target.
    virtual void UpdateTarget(TObject* target) = 0;

protected:
    ~ITargetAction() = default;
};

// Offers target to action: runs it there (or, with execute false, updates it) when the action
// handles target; true when it did.
inline bool OfferTarget(ITargetAction* action, TObject* target, bool execute) {
    if (!action || !target || !action->HandlesTarget(target)) return false;
    if (execute) action->ExecuteTarget(target);
    else action->UpdateTarget(target);
    return true;
}
