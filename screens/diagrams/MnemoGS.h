// The hydrosizer diagram: feed slurry pumped from its sump to the hydrocyclone, the cyclone's
// overflow leaving and its underflow fed through four feed boxes into the hydrosizer, process water
// rising from below, the concentrate running off the launder over its chute and the rock leaving
// the cone over the other, with the densities, flows and solids loads of the hydrosizer.
//
// Once a second it colours the material groups by whether the hydrosizer link is alive and copies
// the hydrosizer's state row, as the main window's state timer last read it, into its fields. The
// widget edit mode is taken at construction only.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "screens/diagrams/EditMode.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/GydroSizer.h"
#include "widgets/OutField.h"
#include "widgets/Poligon.h"
#include "widgets/Pump.h"
#include "widgets/UniPandus.h"
#include "widgets/WaterBox.h"

#include <memory>

class TFormMnemoGS : public TForm {
    PLANTMON_CLASS(TFormMnemoGS, TForm)
public:
    explicit TFormMnemoGS(TComponent* owner);
    ~TFormMnemoGS() override;

    // FormMnemoGS.INI beside the executable: the colour file of the arrows, fields and labels in the
    // edit mode.
    AnsiString IniFileName;

    TLabel* Label1 = nullptr;
    TPanel* PanelGS = nullptr;
    TGydroSizer* GydroSizer1 = nullptr;
    TUniPandus* UniPandus1 = nullptr;
    TUniPandus* UniPandus2 = nullptr;
    TWaterBox* WaterBox1 = nullptr;
    TWaterBox* WaterBox2 = nullptr;
    TWaterBox* WaterBox3 = nullptr;
    TWaterBox* WaterBox4 = nullptr;
    TConusBox* ConusBoxCyclone = nullptr;
    TBarrel* BarrelSump = nullptr;
    TBarrel* BarrelWater = nullptr;
    TPump* Pump1 = nullptr;
    TOutField* OutField_PL1_GS = nullptr;
    TOutField* OutField_RV1_GS = nullptr;
    TOutField* OutField_RG1_GS = nullptr;
    TOutField* OutField_PL2_GS = nullptr;
    TOutField* OutField_RV2_GS = nullptr;
    TOutField* OutField_RG2_GS = nullptr;
    TOutField* OutField_PL3_GS = nullptr;
    TOutField* OutField_TRTW_GS = nullptr;
    TTimer* TimerUpdate = nullptr;

    void TimerUpdateTimer(TObject* sender);

    // The widget edit mode: the click router and the walk.
    void ColorConfigClick(TObject* sender);
    void SetEditMode();

    // A column of the hydrosizer's state row as the main window's status query holds it; false when
    // the query is closed or has no such column.
    static bool ReadPugColumn(const AnsiString& column, double& value);

private:
    void buildComponents();
    std::unique_ptr<TWidgetEditRouter> router_;
};

extern TFormMnemoGS* FormMnemoGS;
