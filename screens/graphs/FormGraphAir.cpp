#include "screens/graphs/FormGraphAir.h"

#include "core/Global.h"
#include "screens/graphs/FormGraphAirPoint.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/Arrow.h"

TFormGraphAir* FormGraphAir_1 = nullptr;
TFormGraphAir* FormGraphAir_2 = nullptr;

namespace {

TGraphScreenSetup waterAirSetup(int machine) {
    TGraphScreenSetup s = JigMachineSetup("TFormGraphAir", machine, 31000, 5);
    s.CheckAfterReload = s.ReloadErrorsToCaller = true;
    return s;
}

}  // namespace

TFormGraphAir::TFormGraphAir(TComponent* owner, int machineNumber, const AnsiString& iniFileName)
    : TGraphScreen(owner, waterAirSetup(machineNumber)) {
    TakeName("FormGraphAir");
    MakeMdiScreen();

    // The title bar: the title centred, the date and the period right after it.
    BuildFrame("LabelTop2");
    LabelTop2 = LabelTop;
    PanelTop->SetHeight(34);
    PanelTop->SetColor(clSkyBlue);
    LabelLeft->SetVisible(false);
    PanelTopRight->SetVisible(false);
    LabelTop2->SetParent(PanelTop);
    LabelTop2->SetAlign(alNone);
    LabelTop2->SetAutoSize(true);
    LabelTop2->SetTop(6);
    for (TControl* c : std::initializer_list<TControl*>{DateTimePicker1, ComboBox1}) {
        c->SetParent(PanelTop);
        c->SetTop(6);
    }

    struct Chart {
        TLevelGraph*& graph;
        const char* name;
        TAlign align;
        double yMax, yLabelStep;
        int subHeight;
        TLabel*& unit;
        const char* unitName;
        const char* unitCaption;
        TSpeedButton*& zoom;
        const char* zoomName;
        void (TFormGraphAir::*zoomClick)(TObject*);
        void (TFormGraphAir::*change)(TObject*);
    } charts[] = {
        {LevelGraphKKP, "LevelGraphKKP", alTop, 126, 25, 10, Label2, "Label2", "колеб./мин", SButLevelGraphZoomKKP,
         "SButLevelGraphZoomKKP", &TFormGraphAir::SButLevelGraphZoomKKPClick, &TFormGraphAir::LevelGraphKKPChange},
        {LevelGraphAir, "LevelGraphAir", alClient, 101, 20, 20, Label1, "Label1", "%", SButLevelGraphZoomAir,
         "SButLevelGraphZoomAir", &TFormGraphAir::SButLevelGraphZoomAirClick, &TFormGraphAir::LevelGraphAirChange},
    };
    int tag = 0;
    for (Chart& c : charts) {
        TLevelGraph* g = MakeGraph(this, c.name);
        c.graph = g;
        g->SetAlign(c.align);
        g->SetGraphCount(4);
        g->SetGraphTop(25);
        g->SetGraphLeft(60);
        g->SetGraphSubWidth(120);
        g->SetGraphSubHeight(c.subHeight);
        g->SetColor(clSkyBlue);
        g->SetBackColor(clSkyBlue);
        g->SetYMax(c.yMax);
        g->SetYLabelStep(c.yLabelStep);
        g->SetRightYMin(5);
        g->SetRightYMax(75);
        g->SetRightScaleStep(5);
        g->OnChange = TNotifyEvent(this, c.change);
        c.unit = Make<TLabel>(g, c.unitName, 6, 4, 80, 16);
        c.unit->SetTransparent(true);
        StyleFont(c.unit->Font(), "Times New Roman", 16, true, clNavy);
        c.unit->SetCaption(c.unitCaption);
        c.zoom = MakeZoomButton(g, c.zoomName, Width() - 130, tag++);
        c.zoom->SetHeight(20);
        c.zoom->OnClick = TNotifyEvent(this, c.zoomClick);
    }

    // Each legend: the text, and under it the arrow that gives the curve its pen.
    struct Legend {
        TArrow*& arrow;
        const char* arrowName;
        TLabel*& label;
        const char* labelName;
        TLevelGraph* graph;
        const char* caption;
        TColor color;
        int row;
    } legends[] = {
        {ArrowLegendKKP, "ArrowLegendKKP", LabelLegendKKP, "LabelLegendKKP", LevelGraphKKP, "Частота колебаний",
         clGreen, 0},
        {ArrowLegendTIN, "ArrowLegendTIN", LabelLegendTIN, "LabelLegendTIN", LevelGraphAir, "Фаза впуска", clRed, 0},
        {ArrowLegendTOUT, "ArrowLegendTOUT", LabelLegendTOUT, "LabelLegendTOUT", LevelGraphAir, "Фаза выпуска", clBlue,
         1},
        {ArrowLegendTPAUSA, "ArrowLegendTPAUSA", LabelLegendTPAUSA, "LabelLegendTPAUSA", LevelGraphAir, "Фаза паузы",
         clPurple, 2},
    };
    for (Legend& l : legends) {
        const int top = 24 + l.row * 34;
        // Sized to its text, so the legend fits the margin right of the plot. The frequency's caption,
        // whose width places all four legends, takes two lines: on one it would reach across the plot's
        // frame line.
        const bool twoLines = &l.label == &LabelLegendKKP;
        l.label = Make<TLabel>(l.graph, l.labelName, Width() - 150, top, twoLines ? 80 : 100, 16);
        l.label->SetAutoSize(true);
        l.label->SetWordWrap(twoLines);
        l.label->SetTransparent(true);
        StyleFont(l.label->Font(), "Arial", 12, true, l.color);
        l.label->SetCaption(l.caption);
        l.arrow = Make<TArrow>(l.graph, l.arrowName, Width() - 150, top + l.label->Height() + 1, 60, 14);
        l.arrow->SetArrowWidth(3);
        l.arrow->SetColor(l.color);
    }

    // Two default buttons, never seen: Enter reloads whichever chart is shown.
    ButReload->SetParent(LevelGraphAir);
    BitBtn1 = Make<TBitBtn>(LevelGraphKKP, "BitBtn1", -100, 4, 75, 25);
    BitBtn1->SetCaption("Обновить");
    BitBtn1->SetDefault(true);
    BitBtn1->OnClick = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::ButReloadClick);

    Columns = {{0, "TIN", LevelGraphAir, 0},
               {0, "TOUT", LevelGraphAir, 1},
               {0, "TPAUSA", LevelGraphAir, 2},
               {0, "KKP", LevelGraphKKP, 0}};
    GraphList[0] = LevelGraphKKP;
    GraphList[1] = LevelGraphAir;
    BuildWaitPanel();
    BuildQuery();

    OnCreate = TNotifyEvent(this, &TFormGraphAir::FormCreate);
    OnShow = TNotifyEvent(this, &TFormGraphAir::FormShow);
    OnResize = TNotifyEvent(this, &TFormGraphAir::FormResize);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);
    PanelTop->OnResize = TNotifyEvent(this, &TFormGraphAir::PanelTopResize);

    LoadBusy = false;
    MachineNumber = machineNumber;
    TakeIniFile(iniFileName, Name() + ".INI");
    ReloadPending = true;
    TimerBusy = false;
    DateTimePicker1->SetDate(Now());
    ShiftNumber = 2;  // until the first reload
    TimerTicks = 0;
    PointWindow = nullptr;
    LoadGraphScales();
    BuildEditRouter({"TArrow", "TLabel"});
    SetEditMode();
    GraphZoomed = false;
}

TFormGraphAir::~TFormGraphAir() {
    if (FormGraphAir_1 == this) FormGraphAir_1 = nullptr;
    if (FormGraphAir_2 == this) FormGraphAir_2 = nullptr;
}

// ---- Construction and layout ------------------------------------------------------------------------------

void TFormGraphAir::FormCreate(TObject*) {
    LabelTop2->SetCaption(AnsiString("Графики водовоздушного режима отсадочной машины ") +
                          JigMachineClass(MachineNumber) + " класса");
    SetCaption(LabelTop2->Caption());
    ComboBox1->SetItemIndex(2);
    DateTimePicker1->SetDate(Now());
    ReloadPending = true;
    LoadGraphScales();
    SetGraphPens();
    ShowBothGraphs();
}

void TFormGraphAir::FormShow(TObject*) {
    PanelTopResize(PanelTop);
    ShowBothGraphs();
}

void TFormGraphAir::FormResize(TObject*) {
    if (!LevelGraphAir || GraphZoomed) return;
    ShowBothGraphs();
}

void TFormGraphAir::PanelTopResize(TObject*) {
    if (!LabelLegendTPAUSA) return;
    const int w = PanelTop->Width();
    LabelTop2->SetLeft((w - LabelTop2->Width() - DateTimePicker1->Width() - ComboBox1->Width()) / 2);
    DateTimePicker1->SetLeft(LabelTop2->Left() + LabelTop2->Width() + 4);
    ComboBox1->SetLeft(DateTimePicker1->Left() + DateTimePicker1->Width() + 4);
    SButLevelGraphZoomKKP->SetLeft(w - 130);
    SButLevelGraphZoomAir->SetLeft(w - 130);
    const int x = w - LabelLegendKKP->Width() - 15;
    for (TControl* c : std::initializer_list<TControl*>{ArrowLegendKKP, LabelLegendKKP, ArrowLegendTIN, LabelLegendTIN,
                                                        ArrowLegendTOUT, LabelLegendTOUT, ArrowLegendTPAUSA,
                                                        LabelLegendTPAUSA})
        c->SetLeft(x);
    WaitPanel->SetLeft((w - WaitPanel->Width()) / 2);
}

void TFormGraphAir::ShowBothGraphs() {
    DisableAlign();
    LevelGraphKKP->SetAlign(alTop);
    LevelGraphKKP->SetTop(PanelTop->Height());
    LevelGraphKKP->SetHeight((ClientHeight() - PanelTop->Height()) / 2);
    LevelGraphKKP->SetShowScaleX(false);
    LevelGraphKKP->SetVisible(true);
    LevelGraphAir->SetAlign(alClient);
    LevelGraphAir->SetShowScaleX(true);
    LevelGraphAir->SetVisible(true);
    EnableAlign();
    GraphZoomed = false;
}

void TFormGraphAir::ShowOneGraph(int ix) {
    TLevelGraph* shown = ix == 0 ? LevelGraphKKP : LevelGraphAir;
    TLevelGraph* hidden = ix == 0 ? LevelGraphAir : LevelGraphKKP;
    DisableAlign();
    hidden->SetAlign(ix == 0 ? alBottom : alTop);
    hidden->SetVisible(false);
    shown->SetVisible(true);
    shown->SetAlign(alClient);
    shown->SetShowScaleX(true);
    EnableAlign();
    GraphZoomed = true;
}

void TFormGraphAir::SButLevelGraphZoomKKPClick(TObject*) {
    if (GraphZoomed) ShowBothGraphs();
    else ShowOneGraph(0);
}

void TFormGraphAir::SButLevelGraphZoomAirClick(TObject*) {
    if (GraphZoomed) ShowBothGraphs();
    else ShowOneGraph(1);
}

void TFormGraphAir::Reload() {
    if (!GraphZoomed) LevelGraphKKP->SetHeight((ClientHeight() - PanelTop->Height()) / 2);
    TGraphScreen::Reload();
}

// ---- Pens, cursor, value window, print ----------------------------------------------------------------------

void TFormGraphAir::SetGraphPens() {
    struct Curve {
        TArrow* arrow;
        TLabel* label;
        TLevelGraph* graph;
        int curve;
    } curves[] = {{ArrowLegendTIN, LabelLegendTIN, LevelGraphAir, 0},
                  {ArrowLegendTOUT, LabelLegendTOUT, LevelGraphAir, 1},
                  {ArrowLegendTPAUSA, LabelLegendTPAUSA, LevelGraphAir, 2},
                  {ArrowLegendKKP, LabelLegendKKP, LevelGraphKKP, 0}};
    TPen pen;
    for (const Curve& c : curves) {
        pen.SetWidth(c.arrow->ArrowWidth());
        pen.SetColor(c.arrow->Color());
        c.graph->SetGraphPen(c.curve, &pen);
        c.label->Font()->SetColor(c.arrow->Color());
    }
}

void TFormGraphAir::LevelGraphKKPChange(TObject*) { LevelGraphAir->SetCursorTime(LevelGraphKKP->CursorTime()); }

void TFormGraphAir::LevelGraphAirChange(TObject*) { LevelGraphKKP->SetCursorTime(LevelGraphAir->CursorTime()); }

void TFormGraphAir::CmdShowSatelliteClick(TObject*) {
    if (!PointWindow) PointWindow = NewForm<TFormGraphAirPoint>(this, this);
    PointWindow->Show();
}

void TFormGraphAir::PrintReport() {
    const AnsiString templ = "PrintWeb2.html";
    ShowBothGraphs();
    FormResize(this);
    Application->ProcessMessages();
    AnsiString pics[2];
    for (int i = 0; i < 2; ++i) pics[i] = "AIR_pic" + IntToStr(i) + ".bmp";
    {
        // The pictures get a wider right margin, and the frequency legend moves left into it; the
        // screen gets both back whatever happens while the pictures are made.
        struct Restore {
            TFormGraphAir* s;
            int kkpSubWidth, airSubWidth, legendLeft;
            ~Restore() {
                s->LevelGraphKKP->SetGraphSubWidth(kkpSubWidth);
                s->LevelGraphAir->SetGraphSubWidth(airSubWidth);
                s->LabelLegendKKP->SetLeft(legendLeft);
                s->ArrowLegendKKP->SetLeft(legendLeft);
            }
        } restore{this, LevelGraphKKP->GraphSubWidth(), LevelGraphAir->GraphSubWidth(), LabelLegendKKP->Left()};

        LevelGraphKKP->SetGraphSubWidth(150);
        LevelGraphKKP->ExportImage(1000, 400, true);
        LabelLegendKKP->SetLeft(restore.legendLeft - 20);
        ArrowLegendKKP->SetLeft(restore.legendLeft - 20);
        DrawLegendToBitmap(LevelGraphKKP, this, 0);
        LabelLegendKKP->SetLeft(restore.legendLeft);
        ArrowLegendKKP->SetLeft(restore.legendLeft);
        LevelGraphKKP->Bitmap->SaveToFile(pics[0], "BMP");
        LevelGraphKKP->SetGraphSubWidth(restore.kkpSubWidth);

        LevelGraphAir->SetGraphSubWidth(150);
        LevelGraphAir->ExportImage(1000, 400, true);
        DrawLegendToBitmap(LevelGraphAir, this, 0);
        LevelGraphAir->Bitmap->SaveToFile(pics[1], "BMP");
        LevelGraphAir->SetGraphSubWidth(restore.airSubWidth);
    }
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add(LabelTop2->Caption());
    names.Add("QRLabelDate");
    values.Add(FormatDateTime("dd.mm.yyyy", PeriodDate));
    names.Add("pic1_tmp.BMP");
    values.Add(pics[0]);
    names.Add("pic2_tmp.BMP");
    values.Add(pics[1]);
    if (FormWebPrint) FormWebPrint->LoadReportTemplate(templ, &names, &values);
}
