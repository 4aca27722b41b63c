#include "screens/diagrams/OutFieldEdit.h"

#include "screens/diagrams/WidgetDialogs.h"
#include "widgets/ComponentTable.h"

TFormOutFieldEdit* FormOutFieldEdit = nullptr;

TFormOutFieldEdit::TFormOutFieldEdit(TComponent* owner) : TForm(owner) {
    SetName("FormOutFieldEdit");
    SetCaption("Свойства поля вывода:");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(330, 190);
    BuildComponents(this, {
        Row<TOutField>("TestOutField", "", 12, 12, 100, 40, 0, [this](TOutField* f) {
            f->Pen()->SetColor(clGray);
            f->Pen()->SetWidth(3);
            f->Font()->SetStyle({fsBold});
            f->SetOutFormat("##0 т");
            f->SetOutValue(297);
            TestOutField = f;
        }),
        Row<TLabel>("Label1", "", 124, 16, 110, 16, 0, [this](TLabel* l) {
            l->SetCaption("Толщина границы:");
            Label1 = l;
        }),
        Row<TEdit>("Edit1", "", 240, 12, 40, 21, 0, [this](TEdit* e) {
            e->SetText("2");
            e->OnKeyDown = TKeyEvent(this, &TFormOutFieldEdit::Edit1KeyDown);
            Edit1 = e;
        }),
        Row<TButton>("ButBrushColor", "", 12, 64, 110, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет фона");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::ButBrushColorClick);
            ButBrushColor = b;
        }),
        Row<TButton>("ButBorderColor", "", 12, 94, 110, 25, 0, [this](TButton* b) {
            b->SetCaption("Цвет границы");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::ButBorderColorClick);
            ButBorderColor = b;
        }),
        Row<TButton>("ButFont", "", 12, 124, 110, 25, 0, [this](TButton* b) {
            b->SetCaption("Шрифт");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::ButFontClick);
            ButFont = b;
        }),
        Row<TButton>("ButUse", "", 206, 64, 112, 25, 0, [this](TButton* b) {
            b->SetCaption("Применить");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::ButUseClick);
            ButUse = b;
        }),
        Row<TBitBtn>("BitBtn2", "", 206, 94, 112, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkCancel);
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::BitBtn2Click);
            BitBtn2 = b;
        }),
        Row<TBitBtn>("BitBtn3", "", 12, 156, 306, 25, 0, [this](TBitBtn* b) {
            b->SetKind(bkAll);
            b->SetCaption("Сохранить для всей группы");
            b->OnClick = TNotifyEvent(this, &TFormOutFieldEdit::BitBtn3Click);
            BitBtn3 = b;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
        Item<TFontDialog>("FontDialog1", [this](TFontDialog* d) { FontDialog1 = d; }),
    });
    OnShow = TNotifyEvent(this, &TFormOutFieldEdit::FormShow);
    EditedOutField = TestOutField;
}

void TFormOutFieldEdit::FormShow(TObject*) { widget_dialogs::ShowEdited(EditedOutField, TestOutField, Edit1); }

void TFormOutFieldEdit::Edit1KeyDown(TObject*, WORD& key, TShiftState) {
    if (widget_dialogs::IsEnter(key)) TestOutField->Pen()->SetWidth(StrToInt(Edit1->Text()));
}

void TFormOutFieldEdit::ButBrushColorClick(TObject*) {
    TColor c = TestOutField->Brush()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestOutField->Brush()->SetColor(c);
}

void TFormOutFieldEdit::ButBorderColorClick(TObject*) {
    TColor c = TestOutField->Pen()->Color();
    if (widget_dialogs::PickColor(ColorDialog1, c)) TestOutField->Pen()->SetColor(c);
}

void TFormOutFieldEdit::ButFontClick(TObject*) {
    FontDialog1->SetFont(TestOutField->Font());
    if (FontDialog1->Execute()) TestOutField->SetFont(FontDialog1->Font());
}

void TFormOutFieldEdit::ButUseClick(TObject*) { widget_dialogs::ApplySample(EditedOutField, TestOutField); }

void TFormOutFieldEdit::BitBtn2Click(TObject*) { widget_dialogs::RestoreEdited(EditedOutField); }

void TFormOutFieldEdit::BitBtn3Click(TObject*) { widget_dialogs::SaveForGroup(this, EditedOutField); }
