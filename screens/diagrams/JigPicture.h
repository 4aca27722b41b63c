// The picture of the two jig machines, as the jig-machine diagram and the plant overview both show
// it: per machine a chain of three compartments (Separator1-3, Separator4-6) fed through a hopper,
// the water inlet with its nozzle lamp in each compartment (Arrow11-16, WaterCircle11-16), the
// unloaders (Fan1-6) with their products, the concentrate over the last weir, the air supply
// (Oxigen1, Oxigen2) and the machine's readings in labels named after their columns (LabelTPST_11,
// LabelZPST_32, LabelTS_21, LabelKKP1, ...), with the bed-height legend at both sides.
//
// Material groups by Tag: 1000 + 100 k for machine 1 and 2000 + 100 k for machine 2, k = 0
// concentrate, 1 middlings, 2 rock, 3 raw coal, 4 water; the set-point labels carry 1800/2800, the
// current bed heights 1850/2850, the water inlets 1900/2900.
#pragma once

#include "gui/Graphics.h"
#include "widgets/ComponentTable.h"

#include <vector>

struct TJigLayout {
    AnsiString Parent;          // the control the picture lies on; empty: the form
    int Left = 200;             // x of Separator1; machine 2 begins MachineStep further right
    int Top = 140;              // y of the compartments' top
    int SeparatorHeight = 150;  // compartments are 110 wide
    TColor AirRotorColor = clMaroon;
    int FontSize = 9;
};

// The horizontal distance from a compartment of machine 1 to the same one of machine 2.
constexpr int JigMachineStep = 420;
constexpr int JigSeparatorWidth = 110;

// The colour a material group shows before the first colour set is applied (the running colours).
TColor JigGroupColor(long tag);

// A straight pipe from (x1, y1) to (x2, y2), horizontal or vertical, flowing toward the second
// point; head: an arrow head at the end.
TComponentRow JigPipe(const AnsiString& name, const AnsiString& parent, int x1, int y1, int x2, int y2, long tag,
                      TColor colour, bool head);
// A caption; with a Tag it takes its group's colour.
TComponentRow JigText(const AnsiString& name, const AnsiString& parent, int x, int y, const AnsiString& text,
                      long tag, TColor colour, int size, bool bold = false);

// Adds the rows of both machines' picture in this order: per machine the hopper, the bed-height
// labels, the compartments with their inlets, the unloaders with products and speeds, the
// concentrate, the air supply and the pulsation readings; then the legend. Each compartment is
// chained to the next of its machine.
void AddJigPicture(std::vector<TComponentRow>& rows, const TJigLayout& g);
