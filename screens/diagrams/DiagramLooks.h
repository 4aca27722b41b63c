// The looks the diagram screens share, so that a widget shown on two screens (the flotation
// diagram's vessels and tanks on the plant overview) looks alike on both, and every screen has the
// same heading and black frame around its picture.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/StdCtrls.h"

#include <functional>

class TBarrel;
class TConusBox;
class TOutField;

// A screen's heading: white bold Arial of the given size, centred in a box of width x height.
void HeadingLook(TLabel* l, const AnsiString& caption, int width, int height, int size);
// A black panel without bevel or caption that frames the picture, aligned as asked; out receives it.
std::function<void(TPanel*)> FrameLook(TPanel*& out, TAlign align);
// The feed pulp's receiving vessel (ConusBoxTop) and the conditioning apparatus (ConusBox2).
void ReceiverLook(TConusBox* c);
void ApparatusLook(TConusBox* c);
// A reagent tank's gauge (0 to 100 %) and the level field inside it.
void ReagentTankLook(TBarrel* b, int penWidth);
void TankLevelLook(TOutField* f, int fontSize);
