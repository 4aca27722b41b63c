// TActionPanel: a panel that can be bound to an action: a click runs the action, and the control shows
// the action's caption, hint and enabled state. Without an action it is a panel like any other.
#pragma once

#include "gui/ExtCtrls.h"

class TActionPanel : public TPanel {
    PLANTMON_CLASS(TActionPanel, TPanel)
public:
    explicit TActionPanel(TComponent* owner);
    ~TActionPanel() override;
    // Action() / SetAction() come from the control: reading gives the linked action, setting links it.
};
