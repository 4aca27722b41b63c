#include "screens/graphs/FormGraph3Zoom.h"

#include "core/Global.h"
#include "screens/graphs/FormGraph3ZoomPoint.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/Arrow.h"

TFormGraph3Zoom* FormGraph3Zoom1 = nullptr;
TFormGraph3Zoom* FormGraph3Zoom2 = nullptr;

namespace {

constexpr TColor ScreenColor = 16768494;

TGraphScreenSetup bedHeightSetup(int machine) {
    TGraphScreenSetup s = JigMachineSetup("TFormGraph3Zoom", machine, 29000, 2);
    s.RaiseYMax = true;
    return s;
}

}  // namespace

TFormGraph3Zoom::TFormGraph3Zoom(TComponent* owner, int machineNumber, const AnsiString& iniFileName)
    : TGraphScreen(owner, bedHeightSetup(machineNumber)) {
    TakeName("FormGraph3Zoom");
    MakeMdiScreen();

    BuildFrame();
    PanelTop->SetColor(ScreenColor);
    PanelTopRight->SetColor(ScreenColor);
    buildCharts();
    BuildWaitPanel();
    BuildQuery();

    OnCreate = TNotifyEvent(this, &TFormGraph3Zoom::FormCreate);
    OnShow = TNotifyEvent(this, &TFormGraph3Zoom::FormShow);
    OnResize = TNotifyEvent(this, &TFormGraph3Zoom::FormResize);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);
    PanelTop->OnResize = TNotifyEvent(this, &TFormGraph3Zoom::PanelTopResize);

    ReloadPending = true;
    TimerBusy = false;
    DateTimePicker1->SetDate(Now());
    TakeIniFile(iniFileName, Name() + IntToStr(machineNumber) + ".INI");
    MachineNumber = machineNumber;
    ShiftNumber = 1;
    LabelTop->SetCaption(AnsiString("Графики высоты постели в отсадочной машине ") + JigMachineClass(machineNumber) +
                         " класса");
    GraphList[0] = LevelGraphP;
    GraphList[1] = LevelGraphR;
    GraphList[2] = LevelGraphN;
    LoadBusy = false;
    TimerTicks = 0;
    PointWindow = nullptr;
    BuildEditRouter({"TArrow", "TLabel"});
    SetEditMode();
}

TFormGraph3Zoom::~TFormGraph3Zoom() {
    if (FormGraph3Zoom1 == this) FormGraph3Zoom1 = nullptr;
    if (FormGraph3Zoom2 == this) FormGraph3Zoom2 = nullptr;
}

void TFormGraph3Zoom::buildCharts() {
    struct Chart {
        TLevelGraph*& graph;
        const char* name;
        TAlign align;
        TLabel*& title;
        const char* titleName;
        const char* caption;
        TSpeedButton*& zoom;
        const char* zoomName;
        TLabel*& unit;
        const char* unitName;
    } charts[] = {
        {LevelGraphP, "LevelGraphP", alTop, Label1, "Label1", "Отделение №1", SButLevelGraphPZoom,
         "SButLevelGraphPZoom", LabelLegendY1, "LabelLegendY1"},
        {LevelGraphR, "LevelGraphR", alClient, Label2, "Label2", "Отделение №2", SButLevelGraphRZoom,
         "SButLevelGraphRZoom", LabelLegendY2, "LabelLegendY2"},
        {LevelGraphN, "LevelGraphN", alBottom, Label3, "Label3", "Отделение №3", SButLevelGraphNZoom,
         "SButLevelGraphNZoom", LabelLegendY3, "LabelLegendY3"},
    };
    int tag = 0;
    for (Chart& c : charts) {
        TLevelGraph* g = MakeGraph(this, c.name);
        c.graph = g;
        g->SetGraphCount(2);
        g->SetYMax(401);
        g->SetYLabelStep(50);
        g->SetGraphTop(25);
        g->SetGraphLeft(50);
        g->SetGraphSubWidth(85);
        g->SetGraphSubHeight(10);
        g->SetBackColor(ScreenColor);
        g->OnChange = TNotifyEvent(this, &TFormGraph3Zoom::LevelGraphPChange);
        g->SetAlign(c.align);
        c.title = MakeGraphTitle(g, c.titleName, c.caption);
        c.zoom = MakeZoomButton(g, c.zoomName, ClientWidth() - 18 - 65, tag++);
        c.unit = Make<TLabel>(g, c.unitName, 4, 4, 30, 16);
        c.unit->SetTransparent(true);
        StyleFont(c.unit->Font(), "Times New Roman", 16, true, clNavy);
        c.unit->SetCaption("мм");
    }
    LevelGraphN->SetGraphSubHeight(20);

    // Each compartment's legend: the text, and under it the arrow that gives the curve its pen.
    struct Legend {
        TLabel*& label;
        const char* labelName;
        TArrow*& arrow;
        const char* arrowName;
        TLevelGraph* graph;
        const char* caption;
        TColor color;
        int row;
    } legends[] = {
        {LabelLegend11, "LabelLegend11", ArrowLegend11, "ArrowLegend11", LevelGraphP, "Текущая", clRed, 0},
        {LabelLegend12, "LabelLegend12", ArrowLegend12, "ArrowLegend12", LevelGraphP, "Заданная", clBlue, 1},
        {LabelLegend21, "LabelLegend21", ArrowLegend21, "ArrowLegend21", LevelGraphR, "Текущая", clRed, 0},
        {LabelLegend22, "LabelLegend22", ArrowLegend22, "ArrowLegend22", LevelGraphR, "Заданная", clBlue, 1},
        {LabelLegend31, "LabelLegend31", ArrowLegend31, "ArrowLegend31", LevelGraphN, "Текущая", clRed, 0},
        {LabelLegend32, "LabelLegend32", ArrowLegend32, "ArrowLegend32", LevelGraphN, "Заданная", clBlue, 1},
    };
    for (Legend& l : legends) {
        const int top = 22 + l.row * 34;
        l.label = Make<TLabel>(l.graph, l.labelName, ClientWidth() - 75 - 5, top, 75, 16);
        // A fixed width: the layout places the arrows from it, and they end inside the chart only when
        // the label is as wide as they are long.
        l.label->SetAutoSize(false);
        l.label->SetTransparent(true);
        StyleFont(l.label->Font(), "Times New Roman", 16, false, clNavy);
        l.label->SetCaption(l.caption);
        l.arrow = Make<TArrow>(l.graph, l.arrowName, l.label->Left() + 10, top + 17, 55, 14);
        l.arrow->SetArrowWidth(3);
        l.arrow->SetColor(l.color);
    }
    TLevelGraph* compartments[3] = {LevelGraphP, LevelGraphR, LevelGraphN};
    for (int n = 1; n <= 3; ++n) {
        Columns.push_back({0, "TPST_" + IntToStr(n), compartments[n - 1], 0});
        Columns.push_back({0, "ZPST_" + IntToStr(n), compartments[n - 1], 1});
    }
}

// ---- Construction and layout ------------------------------------------------------------------------------

void TFormGraph3Zoom::FormCreate(TObject*) {
    SetCaption(LabelTop->Caption());
    ComboBox1->SetItemIndex(2);
    for (int i = 0; i < MaxGraphs; ++i) ZoomFlags[i] = false;
    LoadGraphScales();
    SetGraphPens();
    DateTimePicker1->SetDate(Now());
    ShowAllGraphs();
}

void TFormGraph3Zoom::FormShow(TObject*) {
    PanelTopResize(PanelTop);
    Application->ProcessMessages();
    PanelTopResize(PanelTop);
}

void TFormGraph3Zoom::PanelTopResize(TObject*) { CentreTitle(); }

void TFormGraph3Zoom::FormResize(TObject*) {
    if (!PanelTop || !LevelGraphN || !LabelLegend32) return;
    PanelTopResize(PanelTop);
    if (AllGraphsShown) {
        int h = ClientHeight() - PanelTop->Height() - 10;
        LevelGraphP->SetHeight(h / 3);
        LevelGraphN->SetHeight(h / 3 + 10);
    }
    for (TSpeedButton* b : {SButLevelGraphPZoom, SButLevelGraphRZoom, SButLevelGraphNZoom})
        b->SetLeft(ClientWidth() - b->Width() - 65);
    // From the right edge of what is seen: a maximised screen's frame lies outside it.
    const int x = ClientWidth() - LabelLegend11->Width() - 5;
    for (TLabel* l : {LabelLegend11, LabelLegend12, LabelLegend21, LabelLegend22, LabelLegend31, LabelLegend32})
        l->SetLeft(x);
    for (TArrow* a : {ArrowLegend11, ArrowLegend12, ArrowLegend21, ArrowLegend22, ArrowLegend31, ArrowLegend32})
        a->SetLeft(x + 10);
    if (WaitPanel)
        WaitPanel->SetBounds(Width() / 2 - WaitPanel->Width() / 2, Height() / 2 - WaitPanel->Height() / 2,
                             WaitPanel->Width(), WaitPanel->Height());
}

void TFormGraph3Zoom::ShowAllGraphs() {
    int h = ClientHeight() - PanelTop->Height() - 20;
    DisableAlign();
    const int subHeights[3] = {10, 10, 30};
    for (int i = 0; i < 3 && GraphList[i]; ++i) {
        GraphList[i]->SetGraphSubHeight(subHeights[i]);
        GraphList[i]->SetShowScaleX(i == 2);
        GraphList[i]->SetVisible(true);
    }
    LevelGraphP->SetAlign(alTop);
    LevelGraphP->SetTop(PanelTop->Height());
    LevelGraphP->SetHeight(h / 3);
    LevelGraphN->SetAlign(alBottom);
    LevelGraphN->SetHeight(h / 3 + 10);
    LevelGraphR->SetAlign(alClient);
    LevelGraphR->SetTop(LevelGraphP->Top() + LevelGraphP->Height());
    EnableAlign();
    AllGraphsShown = true;
}

void TFormGraph3Zoom::ShowOneGraph(int ix) {
    AllGraphsShown = false;
    TGraphScreen::ShowOneGraph(ix);
}

// ---- Pens, cursor, value window, print ----------------------------------------------------------------------

void TFormGraph3Zoom::SetGraphPens() { PensFromLegendArrows(); }

void TFormGraph3Zoom::LevelGraphPChange(TObject* Sender) { ShareCursor(Sender); }

void TFormGraph3Zoom::CmdShowSatelliteClick(TObject*) {
    if (!PointWindow) PointWindow = NewForm<TFormGraph3ZoomPoint>(this, this);
    PointWindow->Show();
}

void TFormGraph3Zoom::PrintReport() {
    AnsiString templ = PrintTemplatePrefix + "PrintWeb3.html";
    ShowAllGraphs();
    FormResize(this);
    Application->ProcessMessages();
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add(LabelTop->Caption());
    names.Add("QRLabelDate");
    values.Add(FormatDateTime("dd.mm.yyyy", PeriodDate));
    TLabel* titles[] = {Label1, Label2, Label3};
    for (int i = 0; i < 3; ++i) {
        names.Add("LabelName" + IntToStr(i + 1));
        values.Add(titles[i]->Caption());
    }
    for (int i = 0; i < 3 && GraphList[i]; ++i) {
        AnsiString pic = PrintTemplatePrefix + "HS_pic" + IntToStr(i) + ".bmp";
        GraphList[i]->ExportImage(1000, 200, true);
        DrawLegendToBitmap(GraphList[i], this, 0);
        GraphList[i]->Bitmap->SaveToFile(pic, "BMP");
        names.Add("pic" + IntToStr(i + 1) + "_tmp.BMP");
        values.Add(pic);
    }
    if (FormWebPrint) FormWebPrint->LoadReportTemplate(templ, &names, &values);
}
