#include "screens/diagrams/ArrowEdit.h"

#include "screens/diagrams/WidgetDialogs.h"
#include "widgets/ComponentTable.h"

TFormArrowEdit* FormArrowEdit = nullptr;

TFormArrowEdit::TFormArrowEdit(TComponent* owner) : TForm(owner) {
    SetName("FormArrowEdit");
    SetCaption("Свойства стрелок:");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(biHelp);
    SetPosition(poScreenCenter);
    SetClientSize(290, 150);
    BuildComponents(this, {
        Row<TArrow>("Arrow1", "", 12, 12, 50, 23, 0, [this](TArrow* a) {
            a->SetColor(clRed);
            a->SetArrowWidth(3);
            Arrow1 = a;
        }),
        Row<TLabel>("Label1", "", 72, 16, 60, 16, 0, [this](TLabel* l) {
            l->SetCaption("Толщина:");
            Label1 = l;
        }),
        Row<TEdit>("Edit1", "", 136, 12, 40, 21, 0, [this](TEdit* e) {
            e->SetText("3");
            e->OnKeyDown = TKeyEvent(this, &TFormArrowEdit::Edit1KeyDown);
            Edit1 = e;
        }),
        Row<TButton>("ButColor", "", 188, 10, 90, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет");
            b->OnClick = TNotifyEvent(this, &TFormArrowEdit::ButColorClick);
            ButColor = b;
        }),
        Row<TButton>("ButUse", "", 12, 48, 130, 25, 0, [this](TButton* b) {
            b->SetCaption("Применить");
            b->OnClick = TNotifyEvent(this, &TFormArrowEdit::ButUseClick);
            ButUse = b;
        }),
        Row<TBitBtn>("BitBtn2", "", 148, 48, 130, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkCancel);
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormArrowEdit::BitBtn2Click);
            BitBtn2 = b;
        }),
        Row<TBitBtn>("BitBtn1", "", 148, 80, 130, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkClose);
            b->SetCaption("Закрыть");
            BitBtn1 = b;
        }),
        Row<TBitBtn>("BitBtn3", "", 12, 114, 266, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkAll);
            b->SetCaption("Сохранить для всей группы");
            b->OnClick = TNotifyEvent(this, &TFormArrowEdit::BitBtn3Click);
            BitBtn3 = b;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
    });
    OnShow = TNotifyEvent(this, &TFormArrowEdit::FormShow);
    EditedArrow = Arrow1;
}

void TFormArrowEdit::FormShow(TObject*) {
    if (!EditedArrow) return;
    // The arrow dialog copies the values straight from the arrow, then keeps a restore point.
    Arrow1->SetArrowWidth(EditedArrow->ArrowWidth());
    Arrow1->SetColor(EditedArrow->Color());
    Edit1->SetText(IntToStr(Arrow1->ArrowWidth()));
    EditedArrow->SaveConfig();
}

void TFormArrowEdit::Edit1KeyDown(TObject*, WORD& key, TShiftState) {
    if (widget_dialogs::IsEnter(key)) Arrow1->SetArrowWidth(StrToInt(Edit1->Text()));
}

void TFormArrowEdit::ButColorClick(TObject*) {
    TColor c = Arrow1->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) Arrow1->SetColor(c);
}

void TFormArrowEdit::ButUseClick(TObject*) {
    // Here the typed width counts without Enter.
    Arrow1->SetArrowWidth(StrToInt(Edit1->Text()));
    if (!EditedArrow) return;
    EditedArrow->SetArrowWidth(Arrow1->ArrowWidth());
    EditedArrow->SetColor(Arrow1->Color());
}

void TFormArrowEdit::BitBtn2Click(TObject*) { widget_dialogs::RestoreEdited(EditedArrow); }

void TFormArrowEdit::BitBtn3Click(TObject*) { widget_dialogs::SaveForGroup(this, EditedArrow); }
