// The Vision link console: the two belt-scale records and the hydrosizer's current values as tables,
// the state of the Vision thread with its counters and uptime, the link settings (port, speed, the
// two unit ids), and start and stop of the thread. Created at start-up and shown modally; its refresh
// timer runs for the whole program run, shown or not.
#pragma once

#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/StdCtrls.h"

class TFormV120_Link : public TForm {
    PLANTMON_CLASS(TFormV120_Link, TForm)
public:
    explicit TFormV120_Link(TComponent* owner);

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheetBelt1 = nullptr;  // "Конвейер 386-2"
    TStringGrid* StringGridState1 = nullptr;
    TTabSheet* TabSheetBelt2 = nullptr;  // "Конвейер 401"
    TStringGrid* StringGridState2 = nullptr;
    TTabSheet* TabSheetPug = nullptr;    // "Гидросайзер"
    TLabel* Label_rec_min = nullptr;     // the minute key of the hydrosizer's history row
    TStringGrid* StringGridPug = nullptr;
    TTabSheet* TabSheetLink = nullptr;   // "Контроль связи"
    TGroupBox* GroupBoxLinkParam = nullptr;  // "Параметры связи:"
    TEdit* EditPortName = nullptr;
    TComboBox* ComboBoxLinkSpeed = nullptr;
    TEdit* EditPknUnitID = nullptr;
    TEdit* EditPugUnitID = nullptr;
    TButton* ButSetLinkParam = nullptr;
    TGroupBox* GroupBoxThread = nullptr;     // "Поток связи"
    TLabel* LabelLinkState = nullptr;
    TLabel* LabelQueryCount = nullptr;
    TLabel* LabelErrorCount = nullptr;
    TLabel* LabelWorkTime = nullptr;
    TButton* ButPusk = nullptr;
    TButton* ButStop = nullptr;
    TBitBtn* ButClose = nullptr;             // "Закрыть"
    TTimer* TimerUpdate = nullptr;           // 250 ms

    void FormShow(TObject* Sender);
    void ButSetLinkParamClick(TObject* Sender);
    void ButPuskClick(TObject* Sender);
    void ButStopClick(TObject* Sender);
    void TimerUpdateTimer(TObject* Sender);
    // Fills the three tables from the belt-scale records and the hydrosizer values.
    void UpdateStatePages();

private:
    TLabel* label(TWinControl* parent, const char* name, const char* text, int x, int y, int w = 220);
    TStringGrid* grid(TWinControl* parent, const char* name, int colWidth, int rows);
};

extern TFormV120_Link* FormV120_Link;
