// The jig-machine diagram: the two jig machines (1 coarse, 2 fine class), each a chain of three
// compartments in which coal and rock particles are simulated, with the raw-coal conveyors, the
// unloaders, the air supply and the machines' readings.
//
// Nothing of the jig machines reaches the program but their database rows, so the screen animates
// from the main window's status queries and link flags: every 100 ms the water pulses with the
// pulsation rate, the unloaders turn with their speeds and a fed machine takes a new particle about
// every 0.7 s; every 60 ms the particles move and the conveyors run; every second the readings and
// the running or stopped colours of the material groups are shown. A machine whose link is lost
// empties its compartments.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "screens/diagrams/EditMode.h"
#include "widgets/AniTrans.h"
#include "widgets/Arrow.h"
#include "widgets/Fan.h"
#include "widgets/Separator.h"
#include "widgets/WaterCircle.h"

#include <array>
#include <memory>

class TFormMnemoReach : public TForm {
    PLANTMON_CLASS(TFormMnemoReach, TForm)
public:
    explicit TFormMnemoReach(TComponent* owner);
    ~TFormMnemoReach() override;

    // FormMnemoReach.INI beside the executable: the looks of arrows, polygons and labels.
    AnsiString IniFileName;
    // The 100 ms ticks, 1 to 600, then 0 again.
    int UpdateTick = 0;
    // Per machine (index 0: machine 1): it works (RAB), it is fed.
    bool Works[2] = {false, false};
    bool Fed[2] = {false, false};
    // The colour groups last applied per machine: -1 nothing yet, 0 stopped, 1 running.
    int GroupState[2] = {-1, -1};
    // Per machine, for every copy of the screen: the next particle is coal (else rock). The first
    // particle after the program starts is rock.
    static bool NextIsCoal[2];

    TLabel* Label2 = nullptr;
    TPanel* PanelLeft = nullptr;
    TPanel* PanelRight = nullptr;
    TPanel* PanelCenter = nullptr;
    TAniTrans* AniTrans1 = nullptr;
    TAniTrans* AniTrans2 = nullptr;
    // Separator1..Separator6, Fan1..Fan6, WaterCircle11..16 and Arrow11..16 in order.
    std::array<TSeparator*, 6> Separators{};
    std::array<TFan*, 6> Fans{};
    std::array<TWaterCircle*, 6> WaterCircles{};
    std::array<TArrow*, 6> InletArrows{};
    TFan* Oxigen1 = nullptr;
    TFan* Oxigen2 = nullptr;
    TLabel* LabelTPST_left = nullptr;
    TLabel* LabelZPST_left = nullptr;
    TLabel* LabelTPST_right = nullptr;
    TLabel* LabelZPST_right = nullptr;
    TTimer* TimerUpdate = nullptr;
    TTimer* TimerStep = nullptr;
    TTimer* Timer1000Ms = nullptr;

    void FormCreate(TObject* sender);
    void FormResize(TObject* sender);
    void TimerUpdateTimer(TObject* sender);
    void TimerStepTimer(TObject* sender);
    void Timer1000MsTimer(TObject* sender);

    // The widget edit mode: the click router and the walk (the settings dialog switches it).
    void ColorConfigClick(TObject* sender);
    void SetEditMode();

private:
    void buildComponents();
    void updateMachine(int m);
    void feed(int m);
    void showReadings(int m);
    void applyGroups(int m);
    bool updating_ = false;
    bool stepping_ = false;
    std::unique_ptr<TWidgetEditRouter> router_;
};

extern TFormMnemoReach* FormMnemoReach;
