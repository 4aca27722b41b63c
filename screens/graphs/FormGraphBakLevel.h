// TFormGraphBakLevel: the levels in the day tanks of the two flotation reagents, collector
// (puf_data.URS, curve 0) and frother (URP, curve 1), over a shift or a day.
#pragma once

#include "screens/graphs/SingleGraphScreen.h"

class TFormGraphBakLevel : public TSingleGraphScreen {
    PLANTMON_CLASS(TFormGraphBakLevel, TSingleGraphScreen)
public:
    explicit TFormGraphBakLevel(TComponent* owner);
    ~TFormGraphBakLevel() override;

    TLevelGraph* LevelGraphBakLevel = nullptr;  // URS, URP

    void LevelGraphBakLevelChange(TObject* Sender) { GraphChange(Sender); }
};

extern TFormGraphBakLevel* FormGraphBakLevel;
