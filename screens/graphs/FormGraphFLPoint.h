// TFormGraphFLPoint: the flotation graph screen's value-at-cursor window. While its screen is the
// main window's current screen it shows the values of all seven curves at the cursor, the specific
// flows back in their own units; on any other screen it hides itself.
#pragma once

#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/ExtCtrls.h"

class TOutField;
class TFormFlotGraph;

class TFormGraphFLPoint : public TForm {
    PLANTMON_CLASS(TFormGraphFLPoint, TForm)
public:
    TFormGraphFLPoint(TComponent* owner, TFormFlotGraph* screen);

    TLabel* Label3 = nullptr;
    TOutField* OutFieldRP = nullptr;
    TLabel* Label2 = nullptr;
    TOutField* OutFieldPP = nullptr;
    TLabel* Label4 = nullptr;
    TOutField* OutFieldWP = nullptr;
    TLabel* Label5 = nullptr;
    TOutField* OutFieldRS0 = nullptr;
    TLabel* Label7 = nullptr;
    TOutField* OutFieldRS1 = nullptr;
    TLabel* Label8 = nullptr;
    TOutField* OutFieldRN0 = nullptr;
    TLabel* Label9 = nullptr;
    TOutField* OutFieldRN1 = nullptr;
    TLabel* Label1 = nullptr;
    TOutField* OutFieldDateTime = nullptr;  // the cursor time, as its format's quoted text
    TButton* ButGoLeft = nullptr;   // "На минуту назад"
    TButton* ButGoRight = nullptr;  // "На минуту вперед"
    TTimer* Timer1 = nullptr;

    TFormFlotGraph* OwnerScreen = nullptr;

    void Timer1Timer(TObject* Sender);
    void ShowValues();
    void ButGoLeftClick(TObject* Sender);
    void ButGoRightClick(TObject* Sender);
};
