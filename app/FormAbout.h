// TFormAbout: the About box. It fades in when it is shown, or opens from its centre where the desktop
// cannot show translucent windows.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

// The program's version, as the About box shows it.
extern const char* const ProductVersion;

class TFormAbout : public TForm {
    PLANTMON_CLASS(TFormAbout, TForm)
public:
    explicit TFormAbout(TComponent* owner);
    ~TFormAbout() override;

    TLabel* LabelProduct = nullptr;  // the product's name
    TLabel* LabelText = nullptr;     // developer and version
    TButton* ButtonClose = nullptr;  // "Закрыть"
    TTimer* TimerShow = nullptr;     // 100 ms steps of the fade

    // The window fades in from transparent; where the desktop cannot show translucent windows it opens
    // from its centre over 1.5 s instead (decided at construction).
    bool UseAlphaFade = true;

    void FormShow(TObject* Sender);
    // Raises the opacity by 20 up to 235, then shows the box opaque and stops: 13 steps.
    void TimerShowTimer(TObject* Sender);
};

extern TFormAbout* FormAbout;
