#include "screens/graphs/FormGraphTS.h"

#include "core/Global.h"
#include "screens/graphs/FormGraphTSPoint.h"
#include "widgets/Arrow.h"

TFormGraphTS* FormGraphTS_1 = nullptr;
TFormGraphTS* FormGraphTS_2 = nullptr;

namespace {

TGraphScreenSetup unloaderSetup(int machine) {
    TGraphScreenSetup s = JigMachineSetup("TFormGraphTS", machine, 23000, 5);
    s.CheckAfterReload = s.ReloadErrorsToCaller = true;
    return s;
}

}  // namespace

TFormGraphTS::TFormGraphTS(TComponent* owner, int machineNumber, const AnsiString& iniFileName)
    : TGraphScreen(owner, unloaderSetup(machineNumber)) {
    TakeName("FormGraphTS");
    MakeMdiScreen();

    BuildFrame("LabelTop2");
    LabelTop2 = LabelTop;
    PanelTop->SetColor(clCream);
    PanelTopRight->SetColor(clCream);
    // The title bar has two rows: the title beside the period choice, and the legend under it.
    PanelTop->SetHeight(62);
    LabelLeft->SetVisible(false);
    LabelTop2->SetAlign(alNone);
    LabelTop2->SetBounds(0, 0, PanelTop->Width() - PanelTopRight->Width(), 36);
    LabelTop2->SetAnchors(akLeft | akTop | akRight);
    struct Legend {
        TArrow*& arrow;
        const char* arrowName;
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TColor color;
    } legends[] = {
        {ArrowTS_1, "ArrowTS_1", LabelTS_1, "LabelTS_1", "Отделение №1", clRed},
        {ArrowTS_2, "ArrowTS_2", LabelTS_2, "LabelTS_2", "Отделение №2", clBlue},
        {ArrowTS_3, "ArrowTS_3", LabelTS_3, "LabelTS_3", "Отделение №3", clGreen},
    };
    int x = 8;
    for (Legend& l : legends) {
        l.arrow = Make<TArrow>(PanelTop, l.arrowName, x, 42, 30, 14);
        l.arrow->SetArrowWidth(3);
        l.arrow->SetColor(l.color);
        l.label = Make<TLabel>(PanelTop, l.labelName, x + 34, 40, 130, 16);
        l.label->SetTransparent(true);
        StyleFont(l.label->Font(), "Times New Roman", 16, true, l.color);
        l.label->SetCaption(l.caption);
        x += 180;
    }

    LevelGraphN = MakeGraph(this, "LevelGraphN");
    LevelGraphN->SetAlign(alClient);
    LevelGraphN->SetGraphCount(3);
    LevelGraphN->SetYMax(101);
    LevelGraphN->SetYLabelStep(10);
    LevelGraphN->SetGraphTop(25);
    LevelGraphN->SetGraphLeft(60);
    LevelGraphN->SetGraphSubWidth(60);
    LevelGraphN->SetGraphSubHeight(40);
    LevelGraphN->SetBackColor(clCream);
    LevelGraphN->SetShowRightScale(true);
    LevelGraphN->SetRightYMin(150);
    LevelGraphN->SetRightYMax(1500);
    LevelGraphN->SetRightScaleStep(150);
    struct Unit {
        TLabel*& label;
        const char* name;
        const char* caption;
        bool right;
    } units[] = {{LabelLegendY1, "LabelLegendY1", "%", false}, {LabelLegendY2, "LabelLegendY2", "об/мин", true}};
    for (Unit& u : units) {
        u.label = Make<TLabel>(LevelGraphN, u.name, u.right ? ClientWidth() - 70 : 20, 4, 60, 16);
        u.label->SetTransparent(true);
        StyleFont(u.label->Font(), "Times New Roman", 16, true, clNavy);
        u.label->SetCaption(u.caption);
        if (u.right) u.label->SetAnchors(akTop | akRight);
    }
    for (int i = 0; i < 3; ++i) Columns.push_back({0, "TS_" + IntToStr(i + 1), LevelGraphN, i});
    BuildWaitPanel();
    BuildQuery();

    OnCreate = TNotifyEvent(this, &TFormGraphTS::FormCreate);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);

    GraphList[0] = LevelGraphN;
    TakeIniFile(iniFileName, Name() + ".INI");
    MachineNumber = machineNumber;
    ShiftNumber = 2;  // until the first reload
    ReloadPending = true;
    DateTimePicker1->SetDate(Now());
    LoadGraphScales();
    BuildEditRouter({"TArrow", "TLabel"});
    SetEditMode();
}

TFormGraphTS::~TFormGraphTS() {
    if (FormGraphTS_1 == this) FormGraphTS_1 = nullptr;
    if (FormGraphTS_2 == this) FormGraphTS_2 = nullptr;
}

void TFormGraphTS::FormCreate(TObject*) {
    LabelTop2->SetCaption(AnsiString("Графики работы разгрузчиков отсадочной машины ") +
                          JigMachineClass(MachineNumber) + " класса");
    SetCaption(LabelTop2->Caption());
    ComboBox1->SetItemIndex(2);
    DateTimePicker1->SetDate(Now());
    ReloadPending = true;
    LoadGraphScales();
    SetGraphPens();
}

void TFormGraphTS::SetGraphPens() {
    TArrow* arrows[3] = {ArrowTS_1, ArrowTS_2, ArrowTS_3};
    TLabel* labels[3] = {LabelTS_1, LabelTS_2, LabelTS_3};
    TPen pen;
    for (int i = 0; i < 3; ++i) {
        pen.SetWidth(arrows[i]->ArrowWidth());
        pen.SetColor(arrows[i]->Color());
        LevelGraphN->SetGraphPen(i, &pen);
        labels[i]->Font()->SetColor(arrows[i]->Color());
    }
}

void TFormGraphTS::CmdShowSatelliteClick(TObject*) {
    if (!PointWindow) PointWindow = NewForm<TFormGraphTSPoint>(this, this);
    PointWindow->Show();
}
