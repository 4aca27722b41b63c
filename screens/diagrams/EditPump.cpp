#include "screens/diagrams/EditPump.h"

#include "screens/diagrams/WidgetDialogs.h"
#include "widgets/ComponentTable.h"

TFormEditPump* FormEditPump = nullptr;

TFormEditPump::TFormEditPump(TComponent* owner) : TForm(owner) {
    SetName("FormEditPump");
    SetCaption("Свойства насоса:");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(330, 150);
    BuildComponents(this, {
        Row<TPump>("TestPump", "", 12, 12, 80, 80, 0, [this](TPump* p) {
            p->Brush()->SetColor(clYellow);
            p->Pen()->SetColor(clRed);
            p->Pen()->SetWidth(2);
            TestPump = p;
        }),
        Row<TLabel>("Label1", "", 104, 16, 100, 16, 0, [this](TLabel* l) {
            l->SetCaption("Толщина стенок:");
            Label1 = l;
        }),
        Row<TEdit>("Edit1", "", 210, 12, 40, 21, 0, [this](TEdit* e) {
            e->SetText("2");
            e->OnKeyDown = TKeyEvent(this, &TFormEditPump::Edit1KeyDown);
            Edit1 = e;
        }),
        Row<TButton>("ButPenColor", "", 104, 44, 100, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет стенок");
            b->OnClick = TNotifyEvent(this, &TFormEditPump::ButPenColorClick);
            ButPenColor = b;
        }),
        Row<TButton>("ButBrushColor", "", 104, 74, 100, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет заливки");
            b->OnClick = TNotifyEvent(this, &TFormEditPump::ButBrushColorClick);
            ButBrushColor = b;
        }),
        Row<TButton>("ButUse", "", 216, 44, 102, 25, 0, [this](TButton* b) {
            b->SetCaption("Применить");
            b->OnClick = TNotifyEvent(this, &TFormEditPump::ButUseClick);
            ButUse = b;
        }),
        Row<TBitBtn>("BitBtn2", "", 216, 74, 102, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkCancel);
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormEditPump::BitBtn2Click);
            BitBtn2 = b;
        }),
        Row<TBitBtn>("BitBtn3", "", 12, 114, 306, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkAll);
            b->SetCaption("Сохранить для всей группы");
            b->OnClick = TNotifyEvent(this, &TFormEditPump::BitBtn3Click);
            BitBtn3 = b;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
    });
    OnShow = TNotifyEvent(this, &TFormEditPump::FormShow);
    EditedPump = TestPump;
}

void TFormEditPump::FormShow(TObject*) { widget_dialogs::ShowEdited(EditedPump, TestPump, Edit1); }

void TFormEditPump::Edit1KeyDown(TObject*, WORD& key, TShiftState) {
    if (widget_dialogs::IsEnter(key)) TestPump->Pen()->SetWidth(StrToInt(Edit1->Text()));
}

void TFormEditPump::ButPenColorClick(TObject*) {
    TColor c = TestPump->Pen()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestPump->Pen()->SetColor(c);
}

void TFormEditPump::ButBrushColorClick(TObject*) {
    TColor c = TestPump->Brush()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestPump->Brush()->SetColor(c);
}

void TFormEditPump::ButUseClick(TObject*) { widget_dialogs::ApplySample(EditedPump, TestPump); }

void TFormEditPump::BitBtn2Click(TObject*) { widget_dialogs::RestoreEdited(EditedPump); }

void TFormEditPump::BitBtn3Click(TObject*) { widget_dialogs::SaveForGroup(this, EditedPump); }
