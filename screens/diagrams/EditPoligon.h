// The polygon property dialog: outline colour and width and fill colour of one polygon, tried on a
// sample. Created once at start-up (FormEditPoligon); the editing routine sets EditedPoligon and shows it
// modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/Poligon.h"

class TFormEditPoligon : public TForm {
    PLANTMON_CLASS(TFormEditPoligon, TForm)
public:
    explicit TFormEditPoligon(TComponent* owner);

    TPoligon* EditedPoligon = nullptr;

    TPoligon* TestPoligon = nullptr;
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

extern TFormEditPoligon* FormEditPoligon;
