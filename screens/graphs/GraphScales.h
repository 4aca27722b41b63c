// Value scales of the trend charts kept per screen, the scale dialog, and legends drawn into
// exported chart pictures.
#pragma once

#include "rtl/Classes.h"
#include "rtl/IniFiles.h"

class TLevelGraph;

// Each chart (exactly a TLevelGraph) of form in a section named after it: YMin, YMax, YLabelStep,
// AutoYScale, AutoYMin, AutoYMax, ShowRightScale, and RightYMin, RightYMax, RightScaleStep only
// while the right scale is shown. Null arguments do nothing.
void SaveGraphScales(TCustomIniFile* ini, TComponent* form);
// Reads the same keys, each with the chart's value as default, through the chart's setters (YMin
// before YMax, so the limits stay 0.001 apart); the right-scale keys only when the scale is on.
void LoadGraphScales(TCustomIniFile* ini, TComponent* form);
// Lets the operator change the chart's scales in the scale dialog. Values are set in the order
// YMin, YMax, YLabelStep, RightYMin, RightScaleStep, each as soon as its text converts; a text that
// is no number stops there with "Правильно вводите числа." and leaves the automatic flags alone.
// RightYMax is never changed. True when the dialog was accepted (the chart may have changed);
// nothing happens for null or for a component that is not exactly a TLevelGraph.
bool EditGraphScales(TComponent* chart);
// Draws the legend that form places on chart (its labels and arrows whose name contains
// "Legend") into the chart's Bitmap, scaled to the picture's size; wrapColumn > 0 word-wraps the
// label texts at that column. Hidden legend widgets are not drawn.
void DrawLegendToBitmap(TLevelGraph* chart, TComponent* form, int wrapColumn);
