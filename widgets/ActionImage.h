// TActionImage: a picture that can be bound to an action: a click runs the action, and the control shows
// the action's caption, hint and enabled state. Without an action it is a picture like any other.
#pragma once

#include "gui/ExtCtrls.h"

class TActionImage : public TImage {
    PLANTMON_CLASS(TActionImage, TImage)
public:
    explicit TActionImage(TComponent* owner);
    ~TActionImage() override;
    // Action() / SetAction() come from the control: reading gives the linked action, setting links it.
};
