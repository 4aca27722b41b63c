// The set-point dialog: asks the operator for one new value of a flotation controller set-point.
// The main window's set-point request fills the label and the value, shows the dialog modally and
// checks the value itself; the dialog only makes typing replace the prefilled value.
#pragma once

#include "gui/Buttons.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

class TFormInputNewSet : public TForm {
    PLANTMON_CLASS(TFormInputNewSet, TForm)
public:
    explicit TFormInputNewSet(TComponent* owner);

    TLabel* LabelParName = nullptr;  // the parameter's name
    TEdit* EditInput = nullptr;      // the value, as text
    TPanel* Panel1 = nullptr;        // bottom panel with the two buttons
    TBitBtn* BitBtn1 = nullptr;      // "Задать": OK
    TBitBtn* BitBtn2 = nullptr;      // "Отмена": Cancel (also Esc)

    // Focuses the value and selects all of it.
    void FormShow(TObject* Sender);
};

extern TFormInputNewSet* FormInputNewSet;
