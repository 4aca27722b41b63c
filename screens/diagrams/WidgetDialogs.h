// What the widget property dialogs share: one use of a dialog saves a restore point in the edited
// widget's own section, tries colours and widths on the dialog's sample widget, applies the sample
// to the edited widget through the colour file ("Применить"), goes back to the restore point
// ("Отменить") or saves the edited widget for its group ("Сохранить для всей группы").
#pragma once

#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

namespace widget_dialogs {

// The restore point and the sample's first look: the edited widget saves itself, the sample reads
// the edited widget's section of the same file, and the width field shows the sample's pen width.
template <class W>
void ShowEdited(W* edited, W* sample, TEdit* width) {
    if (!edited) return;
    edited->SaveConfig();
    sample->SetConfigName(edited->ConfigName());
    sample->LoadConfig(edited->Name());
    sample->Refresh();
    width->SetText(IntToStr(sample->Pen()->Width()));
}

// The sample's look goes to the edited widget through the sample's own section of the file.
template <class W>
void ApplySample(W* edited, W* sample) {
    if (!edited) return;
    sample->SaveConfig();
    edited->LoadConfig(sample->Name());
}

// Back to what the edited widget saved when the dialog was shown.
template <class W>
void RestoreEdited(W* edited) {
    if (edited) edited->LoadConfig("");
}

// Saves the edited widget and ends the dialog with OK, which tells the editing routine to spread
// the widget's section to the rest of its group.
template <class W>
void SaveForGroup(TForm* dialog, W* edited) {
    if (edited) edited->SaveConfig();
    dialog->SetModalResult(mrOk);
    dialog->Hide();
    dialog->SetModalResult(mrOk);
}

// Enter in the width field: its text becomes the sample's width (a text that is no integer
// raises the conversion error, which the application shows).
inline bool IsEnter(WORD key) { return key == VK_RETURN; }

// Opens the colour dialog on the given colour; true and the chosen colour on OK.
inline bool PickColor(TColorDialog* dialog, TColor& colour) {
    dialog->SetColor(colour);
    if (!dialog->Execute()) return false;
    colour = dialog->Color();
    return true;
}

}  // namespace widget_dialogs
