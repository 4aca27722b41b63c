// The tank gauge property dialog: wall colour and width, bottom and top colours of one gauge,
// tried on a sample gauge. Created once at start-up (FormEditBarrel); the editing routine sets
// EditedBarrel and shows it modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/Barrel.h"

class TFormEditBarrel : public TForm {
    PLANTMON_CLASS(TFormEditBarrel, TForm)
public:
    explicit TFormEditBarrel(TComponent* owner);

    TBarrel* EditedBarrel = nullptr;

    TBarrel* TestBarrel = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;  // wall width
    TButton* ButWallColor = nullptr;
    TButton* ButDownColor = nullptr;
    TBitBtn* BitBtn1 = nullptr;  // "Цвет вверху"
    TButton* ButUse = nullptr;
    TBitBtn* BitBtn2 = nullptr;  // "Отменить"
    TBitBtn* BitBtn3 = nullptr;  // "Сохранить для всей группы"
    TColorDialog* ColorDialog1 = nullptr;

    void FormShow(TObject* sender);
    void Edit1KeyDown(TObject* sender, WORD& key, TShiftState shift);
    void ButWallColorClick(TObject* sender);
    void ButDownColorClick(TObject* sender);
    void BitBtn1Click(TObject* sender);
    void ButUseClick(TObject* sender);
    void BitBtn2Click(TObject* sender);
    void BitBtn3Click(TObject* sender);
};

extern TFormEditBarrel* FormEditBarrel;
