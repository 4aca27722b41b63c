// TGraphPointWindow: the value-at-cursor window of a graph screen ("Текущая точка графика").
//
// A small dialog that stays on top. While its screen is the main window's current screen it shows,
// ten times a second, the values of the screen's curves at the chart cursor (each field framed in
// its curve's pen) and the cursor's date and time; on any other screen it hides itself and stays
// hidden until the screen's popup command shows it again. Two buttons step the cursor of the
// screen's charts one slot back or forward within the loaded period.
//
// A window of a screen builds its value fields and says what they show (ShowValues); the time field,
// the step buttons, the tick and the hiding are this base.
#pragma once

#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/ExtCtrls.h"
#include "rtl/DateUtils.h"

#include <vector>

class TOutField;
class TLevelGraph;
class TGraphScreen;

class TGraphPointWindow : public TForm {
    PLANTMON_CLASS(TGraphPointWindow, TForm)
public:
    TGraphPointWindow(TComponent* owner, TGraphScreen* screen, const char* name, int clientWidth, int clientHeight);

    TLabel* Label1 = nullptr;               // "Дата, время:"
    TOutField* OutFieldDateTime = nullptr;  // the cursor time, as its format's quoted text
    TButton* ButGoLeft = nullptr;           // "На минуту назад"
    TButton* ButGoRight = nullptr;          // "На минуту вперед"
    TTimer* Timer1 = nullptr;               // 100 ms

    TGraphScreen* OwnerScreen = nullptr;

    void Timer1Timer(TObject* Sender);
    virtual void ShowValues() = 0;
    void ButGoLeftClick(TObject* Sender);
    void ButGoRightClick(TObject* Sender);

protected:
    TLabel* MakeLabel(const char* name, const char* caption, int left, int top, int width);
    // A value field, blank until a value is shown.
    TOutField* MakeField(const char* name, const char* format, int left, int top, int width);
    // Label1 and OutFieldDateTime on one line.
    void BuildTimeField(int top, int fieldLeft, int fieldWidth);
    void BuildStepButtons(int left, int top);
    // The time field shows t.
    void ShowTime(TDateTime t);
    // Shows v in the field, framed in the pen of the chart's curve; a missing field does nothing.
    static void ShowValue(TOutField* field, double v, TLevelGraph* graph, int curve);
    // The chart whose cursor, slot and period bound a step, and the charts a step moves (in order).
    TLevelGraph* StepGraph = nullptr;
    std::vector<TLevelGraph*> MovedGraphs;

private:
    void step(int direction);
};
