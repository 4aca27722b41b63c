// TFormEditGraph: the modal dialog in which the operator sets the value scales of one trend chart.
//
// It only shows and hides its edits; EditGraphScales (GraphScales.h) creates it for each use,
// fills it from the chart, runs it and reads it back.
#pragma once

#include "gui/Buttons.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

class TFormEditGraph : public TForm {
    PLANTMON_CLASS(TFormEditGraph, TForm)
public:
    explicit TFormEditGraph(TComponent* owner);

    TGroupBox* GroupBoxMain = nullptr;   // "Основная шкала:"
    TLabel* LabelYMin = nullptr;
    TEdit* EditYMin = nullptr;
    TCheckBox* CheckBoxAutoYMin = nullptr;
    TLabel* LabelYMax = nullptr;
    TEdit* EditYMax = nullptr;
    TCheckBox* CheckBoxAutoYMax = nullptr;
    TLabel* LabelYLabelStep = nullptr;
    TEdit* EditYLabelStep = nullptr;
    TCheckBox* CheckBoxAutoYScale = nullptr;
    TGroupBox* GroupBoxRight = nullptr;  // "Шкала справа:"
    TCheckBox* CheckBoxShowRightScale = nullptr;
    TLabel* LabelRightYMin = nullptr;
    TEdit* EditRightYMin = nullptr;
    TLabel* LabelRightScaleStep = nullptr;
    TEdit* EditRightScaleStep = nullptr;
    TBitBtn* BitBtn1 = nullptr;          // "Установить": OK
    TBitBtn* BitBtn2 = nullptr;          // "Отменить": Cancel

    // An edit of an automatic value is hidden; the right scale's edits show only with that scale.
    void CheckBoxAutoYMinClick(TObject* Sender);
    void CheckBoxAutoYMaxClick(TObject* Sender);
    void CheckBoxAutoYScaleClick(TObject* Sender);
    void CheckBoxShowRightScaleClick(TObject* Sender);
    // All four rules at once, whatever the boxes' click events did.
    void ApplyVisibility();
};

// Not used to run the dialog (each use makes its own); kept for the program's list of forms.
extern TFormEditGraph* FormEditGraph;
