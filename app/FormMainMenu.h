// TFormMainMenu: the launcher screen. Two columns of eleven rows, one per function key: the
// action's picture and caption (a click on either runs the action) and, at the right edge, the
// key, which runs the action carrying the key label's Tag.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

class TFormMainMenu : public TForm {
    PLANTMON_CLASS(TFormMainMenu, TForm)
public:
    explicit TFormMainMenu(TComponent* owner);
    ~TFormMainMenu() override;

    TPanel* PanelTop = nullptr;
    TLabel* LabelTitle = nullptr;   // "ГЛАВНОЕ МЕНЮ"
    TPanel* PanelCenter = nullptr;
    TPanel* Panel4 = nullptr;       // left column: F2 .. F12
    TPanel* Panel5 = nullptr;       // right column: Alt+F1 .. Alt+F11

    // A key label was clicked: runs the main window's action with the label's Tag.
    void OnTagClick(TObject* Sender);
    // Every row (PanelF<n>, PanelAF<n>) takes 50/551 of the centre panel's height, rounded.
    void PanelCenterResize(TObject* Sender);
};

extern TFormMainMenu* FormMainMenu;
