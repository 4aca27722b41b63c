// Actions: one command shown and run by menus, tool buttons, panels and keys alike.
//
// An action carries the caption, hint, image, shortcut and enabled/checked state that every
// control linked to it shows; changing the action changes them all. Executing it runs its
// OnExecute (or the list's OnExecute when that handles it). An action list answers the keyboard
// shortcuts of its actions for the form that owns it.
//
// An action in a list that neither the list nor its own handler takes goes to the focused control
// (CM_ACTIONEXECUTE, and CM_ACTIONUPDATE for its update); the control's ExecuteAction runs it there
// when the action handles that control as its target (the standard edit actions, StdActns.h).
#pragma once

#include "gui/Controls.h"
#include "gui/Menus.h"
#include "rtl/TargetAction.h"

#include <vector>

class TBasicAction;
class TCustomActionList;
class TCustomImageList;

// Tells a client (a control, a menu item) about changes of its action.
class TBasicActionLink : public TObject {
    PLANTMON_CLASS(TBasicActionLink, TObject)
public:
    TBasicActionLink() = default;
    ~TBasicActionLink() override;
    TBasicAction* Action() const { return action_; }
    virtual void SetAction(TBasicAction* a);
    // Runs the action for target; false when it did nothing.
    virtual bool Execute(TComponent* target = nullptr);
    virtual bool Update();
    // The action changed: the client takes over its properties.
    virtual void Change() {}

private:
    TBasicAction* action_ = nullptr;
};

class TBasicAction : public TComponent, public ITargetAction {
    PLANTMON_CLASS(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;
    virtual bool Execute();
    virtual bool Update();
    // Acting on a target (a control, a data source): the base action handles none.
    bool HandlesTarget(TObject* target) override;
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;
    // The component that asked for the execution (a control clicked, a menu item).
    TComponent* ActionComponent() const { return actionComponent_; }
    void SetActionComponent(TComponent* c) { actionComponent_ = c; }
    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

protected:
    void Change();

private:
    std::vector<TBasicActionLink*> links_;
    TComponent* actionComponent_ = nullptr;
};

class TContainedAction : public TBasicAction {
    PLANTMON_CLASS(TContainedAction, TBasicAction)
public:
    explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
    ~TContainedAction() override;
    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* list);
    AnsiString Category() const { return category_; }
    void SetCategory(const AnsiString& c);
    // Position in the list.
    int Index() const;
    void SetIndex(int i);
    bool Execute() override;
    bool Update() override;

private:
    friend class TCustomActionList;
    TCustomActionList* actionList_ = nullptr;
    AnsiString category_;
};

class TCustomAction : public TContainedAction {
    PLANTMON_CLASS(TCustomAction, TContainedAction)
public:
    explicit TCustomAction(TComponent* owner) : TContainedAction(owner) {}
    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& c);
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& h);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool b);
    bool Checked() const { return checked_; }
    void SetChecked(bool b);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool b) { autoCheck_ = b; }
    // Actions of one group index above 0 are checked one at a time.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int h) { helpContext_ = h; }
    // Updates, then runs OnExecute when the action is enabled.
    bool Execute() override;

private:
    AnsiString caption_;
    AnsiString hint_;
    int imageIndex_ = -1;
    TShortCut shortCut_ = 0;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
    bool autoCheck_ = false;
    int groupIndex_ = 0;
    int helpContext_ = 0;
};

class TAction : public TCustomAction {
    PLANTMON_CLASS(TAction, TCustomAction)
public:
    explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

using TActionEvent = TClosure<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
    PLANTMON_CLASS(TCustomActionList, TComponent)
public:
    explicit TCustomActionList(TComponent* owner) : TComponent(owner) {}
    ~TCustomActionList() override;
    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TContainedAction* Actions(int i) const;
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* list);
    // Runs the enabled action with this shortcut; false when none.
    bool IsShortCut(WORD key, TShiftState shift);
    // OnExecute of the list first; true when it handled the action.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TContainedAction;
    std::vector<TContainedAction*> actions_;
    TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
    PLANTMON_CLASS(TActionList, TCustomActionList)
public:
    explicit TActionList(TComponent* owner) : TCustomActionList(owner) {}
};

// The link of a control to its action.
class TControlActionLink : public TBasicActionLink {
    PLANTMON_CLASS(TControlActionLink, TBasicActionLink)
public:
    explicit TControlActionLink(TControl* client) : client_(client) {}
    bool Execute(TComponent* target = nullptr) override;
    void Change() override;
    TControl* Client() const { return client_; }

private:
    TControl* client_;
};
