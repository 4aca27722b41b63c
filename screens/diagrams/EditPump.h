// The pump property dialog: outline colour and width and fill colour of one pump, tried on a
// sample. Created once at start-up (FormEditPump); the editing routine sets EditedPump and shows it
// modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/Pump.h"

class TFormEditPump : public TForm {
    PLANTMON_CLASS(TFormEditPump, TForm)
public:
    explicit TFormEditPump(TComponent* owner);

    TPump* EditedPump = nullptr;

    TPump* TestPump = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;  // outline width
    TButton* ButPenColor = nullptr;
    TButton* ButBrushColor = nullptr;
    TButton* ButUse = nullptr;
    TBitBtn* BitBtn2 = nullptr;  // "Отменить"
    TBitBtn* BitBtn3 = nullptr;  // "Сохранить для всей группы"
    TColorDialog* ColorDialog1 = nullptr;

    void FormShow(TObject* sender);
    void Edit1KeyDown(TObject* sender, WORD& key, TShiftState shift);
    void ButPenColorClick(TObject* sender);
    void ButBrushColorClick(TObject* sender);
    void ButUseClick(TObject* sender);
    void BitBtn2Click(TObject* sender);
    void BitBtn3Click(TObject* sender);
};

extern TFormEditPump* FormEditPump;
