#include "core/ShowError.h"

#include "rtl/DateUtils.h"

TShowErrorForm* ShowErrorForm = nullptr;

TShowErrorForm::TShowErrorForm(TComponent* owner) : TForm(owner) {
    // Further notice windows share the owner of the first; only one may carry the name.
    if (!owner || !owner->FindComponent("ShowErrorForm")) SetName("ShowErrorForm");
    SetCaption("Внимание");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetFormStyle(fsStayOnTop);
    SetPosition(poDesktopCenter);
    SetClientSize(399, 184);
    SetColor(clBlue);
    Font()->SetName("Times New Roman");
    Font()->SetHeight(-16);
    Font()->SetColor(clWhite);
    Font()->SetStyle(TFontStyles{fsBold});
    SetVisible(false);

    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(16, 12, 60, 19);
    Label1->SetCaption("Время:");

    Label2 = new TLabel(this);
    Label2->SetName("Label2");
    Label2->SetParent(this);
    Label2->SetBounds(84, 12, 300, 19);
    Label2->SetCaption("");

    Label3 = new TLabel(this);
    Label3->SetName("Label3");
    Label3->SetParent(this);
    Label3->SetAutoSize(false);
    Label3->SetWordWrap(true);
    Label3->SetAlignment(taCenter);
    Label3->SetBounds(35, 44, 329, 70);
    Label3->SetCaption("");

    ButHide = new TButton(this);
    ButHide->SetName("ButHide");
    ButHide->SetParent(this);
    ButHide->SetBounds(150, 136, 99, 33);
    ButHide->SetCaption("Закрыть");
    ButHide->OnClick = TNotifyEvent(this, &TShowErrorForm::ButHideClick);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(2000);
    Timer1->OnTimer = TNotifyEvent(this, &TShowErrorForm::Timer1Timer);

    OnClose = TCloseEvent(this, &TShowErrorForm::FormClose);
}

TShowErrorForm::~TShowErrorForm() {
    if (ShowErrorForm == this) ShowErrorForm = nullptr;
}

void TShowErrorForm::ButHideClick(TObject*) {
    Hide();
}

void TShowErrorForm::Timer1Timer(TObject*) {
    // A notice must not get lost behind the screens while it is up.
    if (Visible()) {
        Show();
        BringToFront();
    }
}

void TShowErrorForm::FormClose(TObject*, TCloseAction& Action) {
    Action = caHide;
}

void ShowNotice(TShowErrorForm* form, const AnsiString& text, TDateTime time, int flags) {
    if (!form) return;
    form->Flags = flags;
    form->SetColor((flags & 0x0080) ? clRed : clBlue);
    form->Label3->SetCaption(text);
    form->Label2->SetCaption(FormatDateTime("dd mmm yyyy 'в' hh:nn:ss", time));
    form->Show();
}
