// The arrow property dialog: colour and line width of one arrow, tried on a sample arrow, applied,
// undone or saved for the arrow's group. Created once at start-up (FormArrowEdit) and reused: the
// editing routine sets EditedArrow and shows the dialog modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/Arrow.h"

class TFormArrowEdit : public TForm {
    PLANTMON_CLASS(TFormArrowEdit, TForm)
public:
    explicit TFormArrowEdit(TComponent* owner);

    // The arrow being edited (the sample itself until an editing routine sets one).
    TArrow* EditedArrow = nullptr;

    TArrow* Arrow1 = nullptr;  // the sample
    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;  // width
    TButton* ButColor = nullptr;
    TButton* ButUse = nullptr;
    TBitBtn* BitBtn2 = nullptr;  // "Отменить"
    TBitBtn* BitBtn1 = nullptr;  // "Закрыть"
    TBitBtn* BitBtn3 = nullptr;  // "Сохранить для всей группы"
    TColorDialog* ColorDialog1 = nullptr;

    void FormShow(TObject* sender);
    void Edit1KeyDown(TObject* sender, WORD& key, TShiftState shift);
    void ButColorClick(TObject* sender);
    void ButUseClick(TObject* sender);
    void BitBtn2Click(TObject* sender);
    void BitBtn3Click(TObject* sender);
};

extern TFormArrowEdit* FormArrowEdit;
