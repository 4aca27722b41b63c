// The belt-scale tare dialog: on its first page a run that weighs the empty belt and gives a new
// belt-weight code, on its second a check run under four trial coefficients around the scale's
// current one. It works on the chosen belt's record in BeltScales: it shows the record, writes the
// operator's requests and the trial coefficients into it, and writes a belt-journal line for each
// request of the first page. The requests stay in the record; nothing is sent to a controller.
//
// Created once at start-up; the main window's actions set BeltIndex and show it modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

class TOutField;

class TFormTarControl : public TForm {
    PLANTMON_CLASS(TFormTarControl, TForm)
public:
    explicit TFormTarControl(TComponent* owner);

    // 0 = conveyor 386-2, 1 = conveyor 401; set by the opening action before the dialog is shown.
    int BeltIndex = 0;
    // Enables "Принять новое значение". Cleared at construction and by the start and abort buttons.
    bool NewValueFlag = false;

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;  // "Вес пустой ленты"
    TButton* ButLLK_Start = nullptr;
    TButton* ButLLK_Abort = nullptr;
    TProgressBar* ProgressBar_LLK_Process = nullptr;
    TEdit* EditCurrentVal = nullptr;
    TEdit* EditNewVal = nullptr;
    TButton* ButLLK_Save = nullptr;
    TTabSheet* TabSheet2 = nullptr;  // "Тарировка весов"
    TEdit* EditKP_step = nullptr;
    TUpDown* UpDown1 = nullptr;
    TEdit* EditKP1 = nullptr;
    TEdit* EditKP2 = nullptr;
    TEdit* EditKP3 = nullptr;
    TEdit* EditKP4 = nullptr;
    TEdit* EditKP = nullptr;
    TOutField* OutField_TNK1 = nullptr;
    TOutField* OutField_TNK2 = nullptr;
    TOutField* OutField_TNK3 = nullptr;
    TOutField* OutField_TNK4 = nullptr;
    TOutField* OutField_TNK = nullptr;
    TOutField* OutField_G1T1 = nullptr;
    TOutField* OutField_G1T2 = nullptr;
    TOutField* OutField_G1T3 = nullptr;
    TOutField* OutField_G1T4 = nullptr;
    TOutField* OutField_G1T = nullptr;
    TButton* ButTarStart = nullptr;
    TButton* ButTarStop = nullptr;
    TButton* ButTarReset = nullptr;
    TBitBtn* ButClose = nullptr;
    TTimer* TimerLLK = nullptr;  // 500 ms

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void TabSheet1Show(TObject* Sender);
    void TabSheet2Show(TObject* Sender);
    void TimerLLKTimer(TObject* Sender);
    void ButLLK_StartClick(TObject* Sender);
    void ButLLK_AbortClick(TObject* Sender);
    void ButLLK_SaveClick(TObject* Sender);
    void ButTarStartClick(TObject* Sender);
    void ButTarStopClick(TObject* Sender);
    void ButTarResetClick(TObject* Sender);
    void EditKP_stepChange(TObject* Sender);
    void ButCloseClick(TObject* Sender);

    // The refresh of each page from the record (the timer and the pages' show events run them).
    void RefreshPage1();
    void RefreshPage2();

private:
    TEdit* trialEdit(int i) const;
    TOutField* loadField(int i) const;
    TOutField* massField(int i) const;
    TOutField* outField(TWinControl* parent, const char* name, int x, int y);
    TEdit* edit(TWinControl* parent, const char* name, int x, int y, int w);
    void label(TWinControl* parent, const char* name, const char* text, int x, int y, int w = 170);
};

extern TFormTarControl* FormTarControl;
