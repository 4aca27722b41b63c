#include "screens/graphs/FormEditGraph.h"

TFormEditGraph* FormEditGraph = nullptr;

namespace {

template <class T>
T* make(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

}  // namespace

TFormEditGraph::TFormEditGraph(TComponent* owner) : TForm(owner) {
    SetName("FormEditGraph");
    SetCaption("Параметры шкалы графика");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(330, 262);

    GroupBoxMain = make<TGroupBox>(this, this, "GroupBoxMain", 8, 4, 314, 112);
    GroupBoxMain->SetCaption("Основная шкала:");
    struct Row {
        TLabel*& label;
        TEdit*& edit;
        TCheckBox*& box;
        const char* labelName;
        const char* caption;
        const char* editName;
        const char* boxName;
    } rows[] = {
        {LabelYMin, EditYMin, CheckBoxAutoYMin, "LabelYMin", "Минимум:", "EditYMin", "CheckBoxAutoYMin"},
        {LabelYMax, EditYMax, CheckBoxAutoYMax, "LabelYMax", "Максимум:", "EditYMax", "CheckBoxAutoYMax"},
        {LabelYLabelStep, EditYLabelStep, CheckBoxAutoYScale, "LabelYLabelStep", "Шаг шкалы:", "EditYLabelStep",
         "CheckBoxAutoYScale"},
    };
    int top = 22;
    for (Row& r : rows) {
        r.label = make<TLabel>(this, GroupBoxMain, r.labelName, 12, top + 3, 80, 16);
        r.label->SetCaption(r.caption);
        r.edit = make<TEdit>(this, GroupBoxMain, r.editName, 100, top, 110, 21);
        r.box = make<TCheckBox>(this, GroupBoxMain, r.boxName, 222, top + 2, 84, 17);
        r.box->SetCaption("Автомат");
        top += 28;
    }

    GroupBoxRight = make<TGroupBox>(this, this, "GroupBoxRight", 8, 120, 314, 100);
    GroupBoxRight->SetCaption("Шкала справа:");
    CheckBoxShowRightScale = make<TCheckBox>(this, GroupBoxRight, "CheckBoxShowRightScale", 12, 20, 290, 17);
    CheckBoxShowRightScale->SetCaption("Отображать шкалу справа");
    LabelRightYMin = make<TLabel>(this, GroupBoxRight, "LabelRightYMin", 12, 47, 80, 16);
    LabelRightYMin->SetCaption("Минимум:");
    EditRightYMin = make<TEdit>(this, GroupBoxRight, "EditRightYMin", 100, 44, 110, 21);
    LabelRightScaleStep = make<TLabel>(this, GroupBoxRight, "LabelRightScaleStep", 12, 75, 80, 16);
    LabelRightScaleStep->SetCaption("Шаг шкалы:");
    EditRightScaleStep = make<TEdit>(this, GroupBoxRight, "EditRightScaleStep", 100, 72, 110, 21);

    BitBtn1 = make<TBitBtn>(this, this, "BitBtn1", 70, 228, 100, 27);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetCaption("Установить");
    BitBtn2 = make<TBitBtn>(this, this, "BitBtn2", 180, 228, 100, 27);
    BitBtn2->SetKind(bkCancel);
    BitBtn2->SetCaption("Отменить");

    CheckBoxAutoYMin->OnClick = TNotifyEvent(this, &TFormEditGraph::CheckBoxAutoYMinClick);
    CheckBoxAutoYMax->OnClick = TNotifyEvent(this, &TFormEditGraph::CheckBoxAutoYMaxClick);
    CheckBoxAutoYScale->OnClick = TNotifyEvent(this, &TFormEditGraph::CheckBoxAutoYScaleClick);
    CheckBoxShowRightScale->OnClick = TNotifyEvent(this, &TFormEditGraph::CheckBoxShowRightScaleClick);
    ApplyVisibility();
}

void TFormEditGraph::CheckBoxAutoYMinClick(TObject*) { EditYMin->SetVisible(!CheckBoxAutoYMin->Checked()); }

void TFormEditGraph::CheckBoxAutoYMaxClick(TObject*) { EditYMax->SetVisible(!CheckBoxAutoYMax->Checked()); }

void TFormEditGraph::CheckBoxAutoYScaleClick(TObject*) {
    EditYLabelStep->SetVisible(!CheckBoxAutoYScale->Checked());
}

void TFormEditGraph::CheckBoxShowRightScaleClick(TObject*) {
    bool on = CheckBoxShowRightScale->Checked();
    EditRightYMin->SetVisible(on);
    EditRightScaleStep->SetVisible(on);
}

void TFormEditGraph::ApplyVisibility() {
    CheckBoxAutoYMinClick(this);
    CheckBoxAutoYMaxClick(this);
    CheckBoxAutoYScaleClick(this);
    CheckBoxShowRightScaleClick(this);
}
