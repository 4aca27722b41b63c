// The plant overview: the two jig machines and the flotation section in smaller copies of their
// own diagrams, and between them the conveyors of the two belt scales with their loads.
//
// It computes almost nothing itself. Every 100 ms it copies, by name, the state of the jig-machine
// diagram's widgets into its own (its compartments show the very particles that diagram moves) and
// moves the conveyors from the belt-scale records; every fifth tick it mirrors the flotation
// diagram. A click on the jig machines or the flotation section opens that diagram; the flotation
// set-point fields ask for a new set-point as on the flotation diagram.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/AniTrans.h"
#include "widgets/ComponentTable.h"
#include "widgets/OutField.h"

#include <cstdint>
#include <vector>

class TFormTotalMnemo : public TForm {
    PLANTMON_CLASS(TFormTotalMnemo, TForm)
public:
    explicit TFormTotalMnemo(TComponent* owner);
    ~TFormTotalMnemo() override;

    // The 100 ms ticks since the program started, for every copy of the screen.
    static std::uint32_t TickCount;

    TLabel* Label2 = nullptr;
    TShape* ShapeMnemoReach = nullptr;
    TShape* ShapeMnemoFlot = nullptr;
    TPanel* PanelCenter = nullptr;
    TAniTrans* AniTransP3862 = nullptr;
    TAniTrans* AniTransP401 = nullptr;
    TOutField* OutFieldP3862 = nullptr;
    TOutField* OutFieldP401 = nullptr;
    TOutField* OutFieldZRRS = nullptr;
    TOutField* OutFieldTRRS = nullptr;
    TOutField* OutFieldZRRP = nullptr;
    TOutField* OutFieldTRRP = nullptr;
    TTimer* TimerUpdate = nullptr;
    TScrollBox* ScrollBoxPicture = nullptr;  // holds the whole picture

    void TimerUpdateTimer(TObject* sender);
    void ShapeMnemoReachMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void ShapeMnemoFlotMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void PanelCenterClick(TObject* sender);
    void OutFieldZRRSClick(TObject* sender);
    void OutFieldTRRSClick(TObject* sender);
    void OutFieldZRRPClick(TObject* sender);
    void OutFieldTRRPClick(TObject* sender);

private:
    void buildComponents();
    void buildFlotation(std::vector<TComponentRow>& rows);
    void mirrorJigMachines();
    void showBelts();
    void mirrorFlotation();
};

extern TFormTotalMnemo* FormTotalMnemo;
