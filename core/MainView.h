// What the screens (and the link consoles' status grids) read of the main window: the general and
// status connections, the status queries the state timer refreshes, the link flags and last values it
// fills, the group colours, and the few actions a screen's buttons run.
//
// The main window inherits this face, so every field stays FormMain->SQLConnection1 and so on; a
// screen includes this header and reaches the window through MainView. Only a screen that calls the
// main window's own handlers includes the main window itself. Everything here belongs to the GUI
// thread.
#pragma once

#include "gui/Graphics.h"

#include <cstdint>

class TAction;
class TForm;
class TSQLConnection;
class TSQLQuery;

struct TMainView {
    // The main window itself, as the owner of the dialogs a screen opens.
    TForm* MainWindow = nullptr;

    // Connections: general (history queries) and status (the state timer's queries).
    TSQLConnection* SQLConnection1 = nullptr;
    TSQLConnection* SQLConnectionUser = nullptr;
    // Status queries on SQLConnectionUser that the screens read after the state timer's refresh.
    TSQLQuery* SQLQueryPu1State = nullptr;    // select * from pu1_state
    TSQLQuery* SQLQueryPu2State = nullptr;    // select * from pu2_state
    TSQLQuery* SQLQueryLastPu1 = nullptr;     // select * from pu1 where PostMoment= :MaxTime (persistent fields)
    TSQLQuery* SQLQueryLastPu2 = nullptr;
    TSQLQuery* SQLQueryPugState = nullptr;    // select * from pug_state

    // [0] exit confirmed; [1] jig machine 1, [2] jig machine 2, [3] flotation controller, [4] belt
    // scales, [5] hydrosizer link alive (state timer); [6] the stored PUF_master_flag.
    bool StateFlags[7] = {};
    // Last flotation values PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP (state timer).
    float PufValues[10] = {};
    // Last flotation flags F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS (state timer).
    std::uint8_t PufFlags[8] = {};
    // RVF threshold of the flotation diagram's alarm colours.
    double MIN_RVF = 1.0;
    // Colours of the eight material groups running / stopped, in the order concentrate, middlings,
    // rock, run-of-mine coal, water, feed slurry, overflow, hydrosizer feed.
    TColor OnColors[8] = {clPurple, clYellow, clSilver, clLime, clBlue, clLime, clWhite, clTeal};
    TColor OffColors[8] = {clSilver, clSilver, clSilver, clSilver, clBlack, clSilver, clSilver, clSilver};
    // The screen last shown by ShowFormMaximized (the point windows find their graph screen by it).
    TForm* CurrentForm = nullptr;

    // The set-point actions that the flotation diagram's buttons run.
    TAction* ActionSetZRRS = nullptr;
    TAction* ActionSetZRRP = nullptr;
    TAction* ActionSetTRRS = nullptr;
    TAction* ActionSetTRRP = nullptr;
};

// The main window as the screens see it: set while a main window exists.
extern TMainView* MainView;
