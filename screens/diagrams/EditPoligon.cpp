#include "screens/diagrams/EditPoligon.h"

#include "screens/diagrams/WidgetDialogs.h"
#include "widgets/ComponentTable.h"

TFormEditPoligon* FormEditPoligon = nullptr;

TFormEditPoligon::TFormEditPoligon(TComponent* owner) : TForm(owner) {
    SetName("FormEditPoligon");
    SetCaption("Свойства многоугольника:");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(330, 150);
    BuildComponents(this, {
        Row<TPoligon>("TestPoligon", "", 12, 12, 80, 80, 0, [this](TPoligon* p) {
            p->Brush()->SetColor(clYellow);
            p->Pen()->SetColor(clRed);
            TStringList star;
            for (const char* s : {"50; 0", "75;75", "0; 50", "75;25", "50;100", "25;25", "100;50", "25;75"})
                star.Add(s);
            p->SetPointList(&star);
            TestPoligon = p;
        }),
        Row<TLabel>("Label1", "", 104, 16, 100, 16, 0, [this](TLabel* l) {
            l->SetCaption("Толщина стенок:");
            Label1 = l;
        }),
        Row<TEdit>("Edit1", "", 210, 12, 40, 21, 0, [this](TEdit* e) {
            e->SetText("2");
            e->OnKeyDown = TKeyEvent(this, &TFormEditPoligon::Edit1KeyDown);
            Edit1 = e;
        }),
        Row<TButton>("ButPenColor", "", 104, 44, 100, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет стенок");
            b->OnClick = TNotifyEvent(this, &TFormEditPoligon::ButPenColorClick);
            ButPenColor = b;
        }),
        Row<TButton>("ButBrushColor", "", 104, 74, 100, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет заливки");
            b->OnClick = TNotifyEvent(this, &TFormEditPoligon::ButBrushColorClick);
            ButBrushColor = b;
        }),
        Row<TButton>("ButUse", "", 216, 44, 102, 25, 0, [this](TButton* b) {
            b->SetCaption("Применить");
            b->OnClick = TNotifyEvent(this, &TFormEditPoligon::ButUseClick);
            ButUse = b;
        }),
        Row<TBitBtn>("BitBtn2", "", 216, 74, 102, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkCancel);
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormEditPoligon::BitBtn2Click);
            BitBtn2 = b;
        }),
        Row<TBitBtn>("BitBtn3", "", 12, 114, 306, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkAll);
            b->SetCaption("Сохранить для всей группы");
            b->OnClick = TNotifyEvent(this, &TFormEditPoligon::BitBtn3Click);
            BitBtn3 = b;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
    });
    OnShow = TNotifyEvent(this, &TFormEditPoligon::FormShow);
    EditedPoligon = TestPoligon;
}

void TFormEditPoligon::FormShow(TObject*) { widget_dialogs::ShowEdited(EditedPoligon, TestPoligon, Edit1); }

void TFormEditPoligon::Edit1KeyDown(TObject*, WORD& key, TShiftState) {
    if (widget_dialogs::IsEnter(key)) TestPoligon->Pen()->SetWidth(StrToInt(Edit1->Text()));
}

void TFormEditPoligon::ButPenColorClick(TObject*) {
    TColor c = TestPoligon->Pen()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestPoligon->Pen()->SetColor(c);
}

void TFormEditPoligon::ButBrushColorClick(TObject*) {
    TColor c = TestPoligon->Brush()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestPoligon->Brush()->SetColor(c);
}

void TFormEditPoligon::ButUseClick(TObject*) { widget_dialogs::ApplySample(EditedPoligon, TestPoligon); }

void TFormEditPoligon::BitBtn2Click(TObject*) { widget_dialogs::RestoreEdited(EditedPoligon); }

void TFormEditPoligon::BitBtn3Click(TObject*) { widget_dialogs::SaveForGroup(this, EditedPoligon); }
