// The widget edit mode of the screens.
//
// While the global WidgetEditMode is on, a click on a widget of a screen opens the property dialog
// (or font dialog) that fits it: the screen's walk (SetEditMode) hooks the screen's router as the
// widgets' click handler, and the router (ColorConfigClick) picks the editing routine by the
// widget's exact class name from the router table. Switching the mode off takes the hook out again
// and gives every widget back the click handler and cursor it had before (the flotation diagram's
// set-point fields keep their set-point click). Either way the walk loads the widgets' saved looks.
//
// TWidgetEditRouter is the part every such screen shares: a screen owns one, built with its INI
// file, the classes it hooks and its own ColorConfigClick as the hook, and forwards its
// ColorConfigClick and SetEditMode to it.
#pragma once

#include "gui/Controls.h"
#include "gui/Forms.h"

#include <functional>
#include <map>
#include <vector>

// An editing routine: the clicked widget and the screen; the result is not used by the router.
using TWidgetEditor = bool (*)(TControl* widget, TForm* form);

// One row of the router table: the exact class name of a widget and its editing routine.
struct TEditRouterRec {
    AnsiString WidgetClass;
    TWidgetEditor Editor = nullptr;
    TEditRouterRec(const AnsiString& widgetClass, TWidgetEditor editor) : WidgetClass(widgetClass), Editor(editor) {}
};

// The router table: TArrow, TBarrel, TLabel, TOutField, TPump, TPoligon, then the end row (an empty
// class name and no routine).
std::vector<TEditRouterRec> EditRouterTable();

// Runs the editing routine of the first row whose class is exactly the sender's; true when a row
// matched. A subclass (TActionLabel) is no "TLabel".
bool RouteWidgetEdit(TObject* sender, TForm* form);

class TWidgetEditRouter {
public:
    // hook: the screen's own ColorConfigClick, as a closure of the screen; classes: the exact class
    // names the screen's walk handles (among TArrow, TOutField, TPoligon, TLabel, TBarrel, TPump).
    TWidgetEditRouter(TForm* form, const AnsiString& iniFile, std::vector<AnsiString> classes, TNotifyEvent hook);

    const AnsiString& IniFile() const { return iniFile_; }
    void SetIniFile(const AnsiString& f) { iniFile_ = f; }

    // The click router: the editing routine of the clicked widget.
    void ColorConfigClick(TObject* sender);
    // The walk over the screen's components in their order.
    void SetEditMode();
    // Runs after each walk (a screen's own follow-up, such as colours taken from arrows).
    std::function<void()> AfterWalk;

private:
    struct Saved {
        TNotifyEvent OnClick;
        TCursor Cursor = crDefault;
    };
    bool handles(const AnsiString& cls) const;
    TForm* form_;
    AnsiString iniFile_;
    std::vector<AnsiString> classes_;
    TNotifyEvent hook_;
    // The click handler and cursor each hooked widget had before the hook.
    std::map<TComponent*, Saved> saved_;
};
