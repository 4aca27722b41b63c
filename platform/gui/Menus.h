// Menus and keyboard shortcuts.
//
// A shortcut is a virtual-key code with the modifier bits 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt
// (Ctrl+Q = 0x4051, Alt+F4 = 0x8073). Menu items and actions answer their shortcuts through the form
// (the toolkit's own shortcut machinery is not used, so the application's message hook sees every
// key first).
#pragma once

#include "gui/Controls.h"

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class TCustomForm;
class TCustomImageList;
class TBasicAction;
class TMenuItem;
class TMenuActionLink;

using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift);
// "Ctrl+Q", "Alt+F4", "Shift+Ctrl+Del", "Ctrl+Alt+C"; "" for none.
AnsiString ShortCutToText(TShortCut shortCut);
// The other way round; modifiers in any order and case; 0 when the text names no key.
TShortCut TextToShortCut(const AnsiString& text);

class TMenuItem : public TComponent {
    PLANTMON_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    AnsiString Caption() const { return caption_; }
    void SetCaption(const AnsiString& c);
    // A caption of "-" makes the item a separator line.
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool b);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool b);
    bool Visible() const { return visible_; }
    void SetVisible(bool b);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s);
    AnsiString Hint() const { return hint_; }
    void SetHint(const AnsiString& h) { hint_ = h; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool b);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g) { groupIndex_ = g; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool b) { autoCheck_ = b; }
    bool Default() const { return default_; }
    void SetDefault(bool b);
    TBasicAction* Action() const;
    void SetAction(TBasicAction* a);

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int i) const;
    TMenuItem* operator[](int i) const { return Items(i); }
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Delete(int index);
    void Remove(TMenuItem* item);
    // Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    // The sub-item with this caption ('&' ignored), nullptr when none.
    TMenuItem* Find(const AnsiString& caption) const;
    // Runs the item: OnClick, or its action; an auto-check item toggles first.
    virtual void Click();

    TNotifyEvent OnClick;

    // Platform side.
    QAction* QtAction();
    QMenu* QtMenu();
    void ActionChange(TBasicAction* action);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TMenu;
    void changed(bool structure);
    void updateQtAction();
    void rebuildQtMenu();
    TCustomImageList* images() const;
    AnsiString caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TShortCut shortCut_ = 0;
    AnsiString hint_;
    int imageIndex_ = -1;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool autoCheck_ = false;
    bool default_ = false;
    TMenuItem* parent_ = nullptr;
    class TMenu* menu_ = nullptr;
    std::vector<TMenuItem*> items_;
    std::unique_ptr<TMenuActionLink> actionLink_;
    QAction* qaction_ = nullptr;
    QMenu* qmenu_ = nullptr;
    bool menuDirty_ = true;
};

class TMenu : public TComponent {
    PLANTMON_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    TMenuItem* Items() const { return items_.get(); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* list);
    // Clicks the enabled item with this shortcut; false when none.
    bool IsShortCut(WORD key, TShiftState shift);
    // The item with this shortcut anywhere in the menu (nullptr when none).
    TMenuItem* FindItemByShortCut(TShortCut sc) const;

    // Platform side: the menu's structure or an item changed.
    virtual void MenuChanged(TMenuItem* item, bool structure);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<TMenuItem> items_;
    TCustomImageList* images_ = nullptr;
};

// The menu bar of a form (Form->SetMenu).
class TMainMenu : public TMenu {
    PLANTMON_CLASS(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    ~TMainMenu() override;
    bool AutoMerge() const { return autoMerge_; }
    void SetAutoMerge(bool b) { autoMerge_ = b; }
    void MenuChanged(TMenuItem* item, bool structure) override;

    // Platform side: the forms whose bar shows this menu.
    void AttachForm(TCustomForm* form, QMenuBar* bar);
    void DetachForm(TCustomForm* form);

private:
    void fill(QMenuBar* bar);
    bool autoMerge_ = false;
    std::vector<std::pair<TCustomForm*, QMenuBar*>> bars_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    PLANTMON_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool b) { autoPopup_ = b; }
    // The control the menu was last shown for.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment a) { alignment_ = a; }
    // Shows the menu at the screen point and returns when it closed (the chosen item has run).
    virtual void Popup(int x, int y);

    TNotifyEvent OnPopup;

private:
    bool autoPopup_ = true;
    TComponent* popupComponent_ = nullptr;
    TPopupAlignment alignment_ = paLeft;
};

// Hook of tests: called instead of showing a popup menu; returns the item to click (or nullptr).
using TPopupMenuHook = std::function<TMenuItem*(TPopupMenu* menu, int x, int y)>;
TPopupMenuHook SetPopupMenuHook(TPopupMenuHook hook);

// Removes the '&' marks of a caption ("&&" stays one '&').
AnsiString StripHotkey(const AnsiString& caption);
