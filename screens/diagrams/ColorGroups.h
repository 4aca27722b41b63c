// Colour groups by Tag, label fonts in small INI files, and the widget edit handlers.
//
// The diagram and graph screens colour whole groups of widgets at once (SetColorByTag), keep each
// label's font in the file named after the label's parent, and, in the widget edit mode, open the
// property dialog that fits a clicked widget. After a confirmed dialog the edited widget's section
// is copied to every widget of the same exact class and the same non-zero Tag on that screen.
#pragma once

#include "gui/Controls.h"
#include "gui/Forms.h"
#include "gui/Graphics.h"

class TArrow;
class TBarrel;
class TOutField;
class TPump;
class TPoligon;

// Five group colours: running defaults aqua, green, red, fuchsia, lime. The flotation diagram gives
// entry 0 to Tag 600, 1 to 700, 2 to 800, 3 to 500 and 4 to 900.
struct TColorSetRec {
    TColor Colors[5] = {clAqua, clGreen, clRed, clFuchsia, clLime};
    TColorSetRec() = default;
    TColorSetRec(TColor c0, TColor c1, TColor c2, TColor c3, TColor c4) : Colors{c0, c1, c2, c3, c4} {}
    TColor& operator[](int i) { return Colors[i]; }
    TColor operator[](int i) const { return Colors[i]; }
};

// Every component the owner owns whose Tag equals tag takes the colour, by its exact class name
// (each widget class registers what takes it); components of other classes are left alone.
void SetColorByTag(TComponent* owner, long tag, TColor colour);

// The control's font colour, size and name in the section named after the control, in
// ".\<parent's name>.INI". False when it could not be written (or the control has no parent).
bool SaveControlFont(TControl* control);
// The same keys, each with the control's current value as default; true also when the file or the
// section is missing (the font stays), false on a failure.
bool LoadControlFont(TControl* control);

// A font dialog for a label; on OK the label takes the font and saves it.
bool EditLabelFont(TControl* control, TForm* form);
// The property dialogs; true when the dialog ended with OK. A widget with a non-zero Tag then
// passes its saved look to every widget of its class and Tag on the form.
bool EditArrowWidget(TArrow* arrow, TForm* form);
bool EditBarrelWidget(TBarrel* barrel, TForm* form);  // the form is not used: gauges are edited alone
bool EditOutFieldWidget(TOutField* field, TForm* form);
bool EditPumpWidget(TPump* pump, TForm* form);
bool EditPoligonWidget(TPoligon* poligon, TForm* form);
