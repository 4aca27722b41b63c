// The flotation controller link console: the controller's current state row, the state and
// counters of the PUF worker thread, the link settings, start and stop of the thread, and a
// set-point command. Created at start-up; its refresh timer runs whether it is shown or not, so
// that its state dataset stays fresh for the main window's set-point request.
#pragma once

#include "db/SqlClientDataSet.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/StdCtrls.h"
#include "rtl/DateUtils.h"

class TFormPUF_Link : public TForm {
    PLANTMON_CLASS(TFormPUF_Link, TForm)
public:
    explicit TFormPUF_Link(TComponent* owner);

    TPanel* Panel1 = nullptr;
    TBitBtn* BitBtn1 = nullptr;  // "Закрыть"
    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;  // "Текущее состояние"
    TStringGrid* StringGridCurState = nullptr;
    TTabSheet* TabSheet2 = nullptr;  // "Настройки"
    TGroupBox* GroupBox1 = nullptr;  // "Параметры связи:"
    TEdit* EditPortName = nullptr;
    TComboBox* ComboBoxLinkSpeed = nullptr;
    TCheckBox* CheckBoxLanLink = nullptr;
    TEdit* Edit_PUF_IP = nullptr;
    TButton* ButSetLinkParam = nullptr;
    TGroupBox* GroupBox2 = nullptr;  // "Поток связи с ПУФ"
    TLabel* LabelLinkState = nullptr;
    TLabel* Label_link_name = nullptr;
    TLabel* LabelWorkTime = nullptr;
    TLabel* LabelQueryCount = nullptr;
    TLabel* LabelErrorCount = nullptr;
    TButton* ButPusk = nullptr;
    TButton* ButStop = nullptr;
    TGroupBox* GroupBox3 = nullptr;  // "Управление:"
    TComboBox* ComboBoxSignalName = nullptr;
    TEdit* EditNewVal = nullptr;
    TButton* ButSetCmd = nullptr;
    TSQLClientDataSet* SQLClientDataSetCurState = nullptr;  // select * from puf_state
    TTimer* TimerUpdate = nullptr;                          // 250 ms

    void FormShow(TObject* Sender);
    void ButSetLinkParamClick(TObject* Sender);
    void ButPuskClick(TObject* Sender);
    void ButStopClick(TObject* Sender);
    void ButSetCmdClick(TObject* Sender);
    void TimerUpdateTimer(TObject* Sender);

    // Timer ticks since the last database refresh, shared by every console.
    static int RefreshTicks;

private:
    TLabel* caption(TWinControl* parent, const char* name, const char* text, int x, int y);
};

extern TFormPUF_Link* FormPUF_Link;

// The command words of ComboBoxSignalName's four items, in item order.
extern const char* const PufSetpointWords[4];

// The thread's uptime as the console shows it: whole days, the hour of the day, then the minutes
// ("2 дня 12 часов  25 минут.").
AnsiString PufUptimeText(TDateTime uptime);
