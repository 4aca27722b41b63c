// TFormGraphBeltWork: the load of the two belt conveyors with belt scales, belt_386_2.TNK (curve 0)
// and belt_401.TNK (curve 1), over a shift or a day.
//
// Each table is read by its own query and checked from its own newest point, so a belt whose rows
// run ahead of the other's never makes the other's next check skip rows it has not shown yet; the
// timer's one-minute test reads the earlier of the two.
#pragma once

#include "screens/graphs/SingleGraphScreen.h"

class TFormGraphBeltWork : public TSingleGraphScreen {
    PLANTMON_CLASS(TFormGraphBeltWork, TSingleGraphScreen)
public:
    explicit TFormGraphBeltWork(TComponent* owner);
    ~TFormGraphBeltWork() override;

    TLevelGraph* LevelGraphBeltWork = nullptr;  // belt_386_2.TNK, belt_401.TNK

    void LevelGraphBeltWorkChange(TObject* Sender) { GraphChange(Sender); }
};

extern TFormGraphBeltWork* FormGraphBeltWork;
