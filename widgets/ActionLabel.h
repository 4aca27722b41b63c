// TActionLabel: a label that can be bound to an action: a click runs the action, and the control shows
// the action's caption, hint and enabled state. Without an action it is a label like any other.
#pragma once

#include "gui/StdCtrls.h"

class TActionLabel : public TLabel {
    PLANTMON_CLASS(TActionLabel, TLabel)
public:
    explicit TActionLabel(TComponent* owner);
    ~TActionLabel() override;
    // Action() / SetAction() come from the control: reading gives the linked action, setting links it.
};
