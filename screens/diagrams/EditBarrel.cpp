#include "screens/diagrams/EditBarrel.h"

#include "screens/diagrams/WidgetDialogs.h"
#include "widgets/ComponentTable.h"

TFormEditBarrel* FormEditBarrel = nullptr;

TFormEditBarrel::TFormEditBarrel(TComponent* owner) : TForm(owner) {
    SetName("FormEditBarrel");
    SetCaption("Свойства индикатора уровня");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(330, 190);
    BuildComponents(this, {
        Row<TBarrel>("TestBarrel", "", 12, 12, 60, 130, 0, [this](TBarrel* b) {
            b->SetColor(clGray);
            b->SetUpColor(clAqua);
            b->SetDownColor(clNavy);
            b->SetMaxLevel(10);
            b->SetWaterLevel(8);
            b->Pen()->SetColor(clYellow);
            b->Pen()->SetWidth(10);
            TestBarrel = b;
        }),
        Row<TLabel>("Label1", "", 84, 16, 100, 16, 0, [this](TLabel* l) {
            l->SetCaption("Толщина стенок:");
            Label1 = l;
        }),
        Row<TEdit>("Edit1", "", 190, 12, 40, 21, 0, [this](TEdit* e) {
            e->SetText("2");
            e->OnKeyDown = TKeyEvent(this, &TFormEditBarrel::Edit1KeyDown);
            Edit1 = e;
        }),
        Row<TButton>("ButWallColor", "", 84, 44, 110, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет стенок");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::ButWallColorClick);
            ButWallColor = b;
        }),
        Row<TButton>("ButDownColor", "", 84, 74, 110, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет внизу");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::ButDownColorClick);
            ButDownColor = b;
        }),
        Row<TBitBtn>("BitBtn1", "", 84, 104, 110, 25, 0, [this](TBitBtn* b) {
            b->SetCaption("Цвет вверху");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::BitBtn1Click);
            BitBtn1 = b;
        }),
        Row<TButton>("ButUse", "", 206, 44, 112, 25, 0, [this](TButton* b) {
            b->SetCaption("Применить");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::ButUseClick);
            ButUse = b;
        }),
        Row<TBitBtn>("BitBtn2", "", 206, 74, 112, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkCancel);
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::BitBtn2Click);
            BitBtn2 = b;
        }),
        Row<TBitBtn>("BitBtn3", "", 12, 154, 306, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkAll);
            b->SetCaption("Сохранить для всей группы");
            b->OnClick = TNotifyEvent(this, &TFormEditBarrel::BitBtn3Click);
            BitBtn3 = b;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
    });
    OnShow = TNotifyEvent(this, &TFormEditBarrel::FormShow);
    EditedBarrel = TestBarrel;
}

void TFormEditBarrel::FormShow(TObject*) { widget_dialogs::ShowEdited(EditedBarrel, TestBarrel, Edit1); }

void TFormEditBarrel::Edit1KeyDown(TObject*, WORD& key, TShiftState) {
    if (widget_dialogs::IsEnter(key)) TestBarrel->Pen()->SetWidth(StrToInt(Edit1->Text()));
}

void TFormEditBarrel::ButWallColorClick(TObject*) {
    TColor c = TestBarrel->Pen()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestBarrel->Pen()->SetColor(c);
}

void TFormEditBarrel::ButDownColorClick(TObject*) {
    TColor c = TestBarrel->DownColor();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestBarrel->SetDownColor(c);
}

void TFormEditBarrel::BitBtn1Click(TObject*) {
    TColor c = TestBarrel->UpColor();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestBarrel->SetUpColor(c);
}

void TFormEditBarrel::ButUseClick(TObject*) { widget_dialogs::ApplySample(EditedBarrel, TestBarrel); }

void TFormEditBarrel::BitBtn2Click(TObject*) { widget_dialogs::RestoreEdited(EditedBarrel); }

void TFormEditBarrel::BitBtn3Click(TObject*) { widget_dialogs::SaveForGroup(this, EditedBarrel); }
