// The state window of one jig machine: every field of its current state row (first tab) and of its
// newest minute row (second tab), as name and value, refreshed every 2.5 s while it is shown. The
// rows are the main window's status queries, which its state timer keeps current; this window only
// reads them. Shown modally.
#pragma once

#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"

class TDataSet;

class TFormPuState : public TForm {
    PLANTMON_CLASS(TFormPuState, TForm)
public:
    // machine: 1 the coarse-class machine, any other number the fine-class one.
    TFormPuState(TComponent* owner, int machine);
    ~TFormPuState() override;

    int Machine() const { return machine_; }

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;  // "&1 Мгновенное"
    TTabSheet* TabSheet2 = nullptr;  // "&2 Среднее за минуту"
    TStringGrid* StringGridPU_Moment = nullptr;
    TStringGrid* StringGridPU_Minute = nullptr;
    TPanel* PanelBottom = nullptr;
    TBitBtn* BitBtn1 = nullptr;      // "Закрыть"
    TTimer* TimerUpdate = nullptr;   // 2500 ms

    // While shown: both grids from their rows (values right-aligned in 20 characters); a failure
    // beeps and leaves the rest as it was.
    void TimerUpdateTimer(TObject* Sender);

    // A value as the window shows it: "### ##0.000" padded on the left to 20 characters.
    static AnsiString ValueText(double value);

private:
    static void FillGrid(TStringGrid* grid, TDataSet* row);
    const int machine_;
};

extern TFormPuState* FormPu1State;
extern TFormPuState* FormPu2State;
