// TFormGraphZola: the ash content of the flotation tailings (puf_data.SOF) over a shift or a day.
#pragma once

#include "screens/graphs/SingleGraphScreen.h"

class TFormGraphZola : public TSingleGraphScreen {
    PLANTMON_CLASS(TFormGraphZola, TSingleGraphScreen)
public:
    explicit TFormGraphZola(TComponent* owner);
    ~TFormGraphZola() override;

    TLevelGraph* LevelGraphZola = nullptr;  // SOF

    void LevelGraphZolaChange(TObject* Sender) { GraphChange(Sender); }
};

extern TFormGraphZola* FormGraphZola;
