#include "links/FormInputNewSet.h"

TFormInputNewSet* FormInputNewSet = nullptr;

TFormInputNewSet::TFormInputNewSet(TComponent* owner) : TForm(owner) {
    SetName("FormInputNewSet");
    SetCaption("Новое задание");
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(420, 130);
    Font()->SetName("Courier New");
    Font()->SetHeight(-13);
    Font()->SetColor(clNavy);
    Font()->SetStyle(TFontStyles{fsBold});
    SetVisible(false);

    LabelParName = new TLabel(this);
    LabelParName->SetName("LabelParName");
    LabelParName->SetParent(this);
    LabelParName->SetBounds(16, 14, 388, 16);
    LabelParName->SetCaption("Наименование параметра:");

    EditInput = new TEdit(this);
    EditInput->SetName("EditInput");
    EditInput->SetParent(this);
    EditInput->SetBounds(16, 40, 388, 24);
    EditInput->SetText("");

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alBottom);
    Panel1->SetHeight(48);
    Panel1->SetCaption("");

    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(Panel1);
    BitBtn1->SetBounds(100, 10, 100, 28);
    BitBtn1->SetCaption("Задать");
    BitBtn1->SetModalResult(mrOk);

    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetName("BitBtn2");
    BitBtn2->SetParent(Panel1);
    BitBtn2->SetBounds(220, 10, 100, 28);
    BitBtn2->SetCaption("Отмена");
    BitBtn2->SetModalResult(mrCancel);
    BitBtn2->SetCancel(true);

    OnShow = TNotifyEvent(this, &TFormInputNewSet::FormShow);
}

void TFormInputNewSet::FormShow(TObject*) {
    // Typing replaces the prefilled value instead of adding to it.
    SetActiveControl(EditInput);
    EditInput->SelectAll();
}
