#include "screens/diagrams/ColorGroups.h"

#include "rtl/IniFiles.h"
#include "screens/diagrams/ArrowEdit.h"
#include "screens/diagrams/EditBarrel.h"
#include "screens/diagrams/EditPoligon.h"
#include "screens/diagrams/EditPump.h"
#include "screens/diagrams/OutFieldEdit.h"
#include "widgets/WidgetFrame.h"

#include "gui/Dialogs.h"

#include <memory>

void SetColorByTag(TComponent* owner, long tag, TColor colour) {
    if (!owner) return;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* c = owner->Components(i);
        if (c->Tag() != tag) continue;
        if (TColorGroupRoutine routine = FindColorGroupRoutine(c->ClassName())) routine(c, colour);
    }
}

namespace {

// Labels on one panel share a file named after the panel, one section per label.
AnsiString FontFileOf(TControl* control) {
    TWinControl* parent = control->Parent();
    if (!parent) throw EInvalidOperation("Элемент " + control->Name() + " не размещён на форме");
    return ".\\" + parent->Name() + ".INI";
}

// The dialog's edited widget goes back to its own sample when the dialog is done, so the dialog
// never keeps a widget a screen may free.
template <class Dialog, class W>
int ShowFor(Dialog* dialog, W*& edited, W* widget, W* sample) {
    edited = widget;
    struct Back {
        W*& edited;
        W* sample;
        ~Back() { edited = sample; }
    } back{edited, sample};
    return dialog->ShowModal();
}

// Every widget of the same exact class and Tag takes the edited widget's section and saves it as
// its own (the edited widget included).
template <class W>
void SpreadGroup(TForm* form, W* edited) {
    if (!form) return;
    const AnsiString cls = edited->ClassName();
    const AnsiString source = edited->Name();
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        if (c->Tag() != edited->Tag() || c->ClassName() != cls) continue;
        W* w = static_cast<W*>(c);
        w->LoadConfig(source);
        w->SaveConfig();
    }
}

template <class Dialog, class W>
bool EditGroupWidget(Dialog* dialog, W*& edited, W* sample, W* widget, TForm* form) {
    if (!dialog || !widget) return false;
    if (ShowFor(dialog, edited, widget, sample) != mrOk) return false;
    if (widget->Tag() == 0) return true;
    SpreadGroup(form, widget);
    return true;
}

}  // namespace

bool SaveControlFont(TControl* control) {
    try {
        TMemIniFile ini(FontFileOf(control));
        const AnsiString section = control->Name();
        ini.WriteInteger(section, "FontColor", control->Font()->Color());
        ini.WriteInteger(section, "FontSize", control->Font()->Size());
        ini.WriteString(section, "FontName", control->Font()->Name());
        ini.UpdateFile();
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadControlFont(TControl* control) {
    try {
        TMemIniFile ini(FontFileOf(control));
        const AnsiString section = control->Name();
        TFont* f = control->Font();
        f->SetColor(ini.ReadInteger(section, "FontColor", f->Color()));
        f->SetSize(ini.ReadInteger(section, "FontSize", f->Size()));
        f->SetName(ini.ReadString(section, "FontName", f->Name()));
        return true;
    } catch (...) {
        return false;
    }
}

bool EditLabelFont(TControl* control, TForm* form) {
    if (!control) return false;
    try {
        std::unique_ptr<TFontDialog> dialog(new TFontDialog(form));
        dialog->SetFont(control->Font());
        if (dialog->Execute()) {
            control->SetFont(dialog->Font());
            SaveControlFont(control);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool EditArrowWidget(TArrow* arrow, TForm* form) {
    try {
        if (!FormArrowEdit) return false;
        return EditGroupWidget(FormArrowEdit, FormArrowEdit->EditedArrow, FormArrowEdit->Arrow1, arrow, form);
    } catch (...) {
        return false;
    }
}

bool EditBarrelWidget(TBarrel* barrel, TForm*) {
    if (!FormEditBarrel || !barrel) return false;
    return ShowFor(FormEditBarrel, FormEditBarrel->EditedBarrel, barrel, FormEditBarrel->TestBarrel) == mrOk;
}

bool EditOutFieldWidget(TOutField* field, TForm* form) {
    if (!FormOutFieldEdit) return false;
    return EditGroupWidget(FormOutFieldEdit, FormOutFieldEdit->EditedOutField, FormOutFieldEdit->TestOutField, field,
                           form);
}

bool EditPumpWidget(TPump* pump, TForm* form) {
    if (!FormEditPump) return false;
    return EditGroupWidget(FormEditPump, FormEditPump->EditedPump, FormEditPump->TestPump, pump, form);
}

bool EditPoligonWidget(TPoligon* poligon, TForm* form) {
    if (!FormEditPoligon) return false;
    return EditGroupWidget(FormEditPoligon, FormEditPoligon->EditedPoligon, FormEditPoligon->TestPoligon, poligon,
                           form);
}
