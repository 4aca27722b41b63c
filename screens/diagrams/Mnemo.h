// The flotation diagram: feed pulp through the conditioning apparatus into the flotation machines,
// concentrate and tailings leaving them, and the two reagent circuits (collector S and frother P)
// with their tanks, dosing lamps, flows, specific consumptions and control modes.
//
// Once a second it copies the flotation controller's current values that the main window keeps
// into its fields and tanks, colours the material groups by whether the section runs (Tags 500 to
// 900) and shows each reagent circuit's mode. A click on a flow or consumption field asks for a new
// set-point. The widget edit mode reaches it through the settings dialog's switch.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "screens/diagrams/ColorGroups.h"
#include "screens/diagrams/EditMode.h"
#include "widgets/ActionLabel.h"
#include "widgets/ActionPanel.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/OutField.h"
#include "widgets/Poligon.h"
#include "widgets/Valve.h"

#include <memory>

class TFormMnemo : public TForm {
    PLANTMON_CLASS(TFormMnemo, TForm)
public:
    explicit TFormMnemo(TComponent* owner);
    ~TFormMnemo() override;

    // config/FormMnemo.INI beside the executable: the colour file of the arrows, fields and labels
    // in the edit mode.
    AnsiString IniFileName;
    // The group colours while the section runs, and while it stands (all silver).
    TColorSetRec RunColors;
    TColorSetRec StopColors{clSilver, clSilver, clSilver, clSilver, clSilver};
    // The state the colours were last applied for.
    bool Running = false;

    TLabel* Label1 = nullptr;
    TPanel* PanelTop = nullptr;
    TPanel* PanelL = nullptr;
    TPanel* PanelR = nullptr;
    TPanel* PanelCenter = nullptr;
    TOutField* OutFieldPLF = nullptr;
    TOutField* OutFieldRVF = nullptr;
    TOutField* OutFieldRGF = nullptr;
    TOutField* OutFieldTRRS = nullptr;
    TOutField* OutFieldZRRS = nullptr;
    TOutField* OutFieldTRRP = nullptr;
    TOutField* OutFieldZRRP = nullptr;
    TOutField* OutFieldSOF = nullptr;
    TBarrel* BarrelURS = nullptr;
    TBarrel* BarrelURP = nullptr;
    TOutField* OutFieldURS = nullptr;
    TOutField* OutFieldURP = nullptr;
    TOutField* OutField_S_mode = nullptr;
    TOutField* OutField_P_mode = nullptr;
    TShape* ShapeODRS = nullptr;
    TShape* ShapeODRP = nullptr;
    TPoligon* PoligonODRS = nullptr;
    TPoligon* PoligonODRP = nullptr;
    TLabel* LabelSetZRRSS = nullptr;
    TArrow* ArrowZRRS = nullptr;
    TLabel* LabelSetZRRSP = nullptr;
    TArrow* ArrowZRRP = nullptr;
    TConusBox* ConusBoxTop = nullptr;
    TConusBox* ConusBox2 = nullptr;
    TArrow* ArrowConc = nullptr;
    TArrow* ArrowReciver = nullptr;
    TArrow* ArrowPenoGen = nullptr;
    TArrow* ArrowFlotOut = nullptr;
    TValve* Valve1 = nullptr;
    TValve* Valve2 = nullptr;
    TTimer* TimerUpdate = nullptr;

    void FormCreate(TObject* sender);
    void FormResize(TObject* sender);
    void TimerUpdateTimer(TObject* sender);
    void OutFieldZRRSClick(TObject* sender);
    void OutFieldZRRPClick(TObject* sender);
    void OutFieldTRRSClick(TObject* sender);
    void OutFieldTRRPClick(TObject* sender);

    // The widget edit mode: the click router and the walk.
    void ColorConfigClick(TObject* sender);
    void SetEditMode();

    // The colour groups for the section's state; without force only when the state changed.
    void ApplyColorSet(bool force);

private:
    void buildComponents();
    void showMode(TOutField* field, bool linkAlive, bool automatic, bool manual);
    std::unique_ptr<TWidgetEditRouter> router_;
};

extern TFormMnemo* FormMnemo;
