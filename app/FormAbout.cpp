#include "app/FormAbout.h"

#include "app/Main.h"
#include "gui/WinApi.h"

TFormAbout* FormAbout = nullptr;

const char* const ProductVersion = "2.0";

TFormAbout::TFormAbout(TComponent* owner) : TForm(owner) {
    SetName("FormAbout");
    SetCaption("О программе");
    SetBorderStyle(bsDialog);
    SetClientSize(546, 277);
    SetColor(clTeal);

    LabelProduct = new TLabel(this);
    LabelProduct->SetName("LabelProduct");
    LabelProduct->SetParent(this);
    LabelProduct->SetAutoSize(false);
    LabelProduct->SetBounds(10, 20, 526, 40);
    LabelProduct->SetAlignment(taCenter);
    LabelProduct->SetTransparent(true);
    LabelProduct->Font()->SetName("Times New Roman");
    LabelProduct->Font()->SetHeight(-26);
    LabelProduct->Font()->SetStyle(TFontStyles{fsBold});
    LabelProduct->Font()->SetColor(clWhite);
    LabelProduct->SetCaption(ProductTitle);

    LabelText = new TLabel(this);
    LabelText->SetName("LabelText");
    LabelText->SetParent(this);
    LabelText->SetAutoSize(false);
    LabelText->SetBounds(10, 76, 526, 140);
    LabelText->SetAlignment(taCenter);
    LabelText->SetWordWrap(true);
    LabelText->SetTransparent(true);
    LabelText->Font()->SetName("Times New Roman");
    LabelText->Font()->SetHeight(-16);
    LabelText->Font()->SetColor(clWhite);
    LabelText->SetCaption(AnsiString("Отсадка, флотация, конвейеры и гидросайзер:\n"
                                     "мнемосхемы, графики, таблицы, журналы и отчёты.\n\n"
                                     "Разработка: служба АСУ ТП обогатительной фабрики.\n") +
                          "Версия " + ProductVersion);

    ButtonClose = new TButton(this);
    ButtonClose->SetName("ButtonClose");
    ButtonClose->SetParent(this);
    ButtonClose->SetBounds(223, 236, 100, 27);
    ButtonClose->SetCaption("Закрыть");
    ButtonClose->SetModalResult(mrOk);
    ButtonClose->SetCancel(true);
    ButtonClose->SetDefault(true);

    TimerShow = new TTimer(this);
    TimerShow->SetName("TimerShow");
    TimerShow->SetInterval(100);
    TimerShow->SetEnabled(false);
    TimerShow->OnTimer = TNotifyEvent(this, &TFormAbout::TimerShowTimer);

    OnShow = TNotifyEvent(this, &TFormAbout::FormShow);
    UseAlphaFade = WindowsCanFade();
    if (Screen) SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
}

void TFormAbout::FormShow(TObject*) {
    if (!UseAlphaFade) {
        AnimateWindow(this, 1500, AW_ACTIVATE | AW_CENTER);
        Repaint();
        return;
    }
    SetAlphaBlendValue(0);
    SetAlphaBlend(true);
    TimerShow->SetEnabled(true);
}

void TFormAbout::TimerShowTimer(TObject*) {
    if (AlphaBlendValue() < 236) {
        SetAlphaBlendValue(AlphaBlendValue() + 20);
    } else {
        SetAlphaBlendValue(255);
        TimerShow->SetEnabled(false);
    }
}

TFormAbout::~TFormAbout() {
    if (FormAbout == this) FormAbout = nullptr;
}
