// The notice window: a small stay-on-top window that shows one event-log entry and its time, on
// blue or (flag 0x0080) on red. The log timer fills it for entries whose flags ask for it.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "rtl/DateUtils.h"

class TShowErrorForm : public TForm {
    PLANTMON_CLASS(TShowErrorForm, TForm)
public:
    explicit TShowErrorForm(TComponent* owner);
    ~TShowErrorForm() override;

    TLabel* Label1 = nullptr;   // "Время:"
    TLabel* Label2 = nullptr;   // the entry's time, "dd mmm yyyy в hh:nn:ss"
    TLabel* Label3 = nullptr;   // the text, centred and word-wrapped
    TButton* ButHide = nullptr; // "Закрыть"
    TTimer* Timer1 = nullptr;   // brings the window back to the front every 2 s while visible

    // The flag word of the entry shown.
    int Flags = 0;

    void ButHideClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
};

extern TShowErrorForm* ShowErrorForm;

// Fills a notice window with an entry and shows it without making it modal.
void ShowNotice(TShowErrorForm* form, const AnsiString& text, TDateTime time, int flags);
