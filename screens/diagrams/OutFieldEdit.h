// The output field property dialog: background and border colours, border width and font of one
// output field, tried on a sample field. Created once at start-up (FormOutFieldEdit); the editing
// routine sets EditedOutField and shows it modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/OutField.h"

class TFormOutFieldEdit : public TForm {
    PLANTMON_CLASS(TFormOutFieldEdit, TForm)
public:
    explicit TFormOutFieldEdit(TComponent* owner);

    TOutField* EditedOutField = nullptr;

    TOutField* TestOutField = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;  // border width
    TButton* ButBrushColor = nullptr;
    TButton* ButBorderColor = nullptr;
    TButton* ButFont = nullptr;
    TButton* ButUse = nullptr;
    TBitBtn* BitBtn2 = nullptr;  // "Отменить"
    TBitBtn* BitBtn3 = nullptr;  // "Сохранить для всей группы"
    TColorDialog* ColorDialog1 = nullptr;
    TFontDialog* FontDialog1 = nullptr;

    void FormShow(TObject* sender);
    void Edit1KeyDown(TObject* sender, WORD& key, TShiftState shift);
    void ButBrushColorClick(TObject* sender);
    void ButBorderColorClick(TObject* sender);
    void ButFontClick(TObject* sender);
    void ButUseClick(TObject* sender);
    void BitBtn2Click(TObject* sender);
    void BitBtn3Click(TObject* sender);
};

extern TFormOutFieldEdit* FormOutFieldEdit;
