#include "screens/graphs/FormGraphGS.h"

#include "core/Global.h"
#include "rtl/FileUtils.h"
#include "screens/graphs/FormGraph_GS_Point.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/Arrow.h"

#include <algorithm>

TFormGraphGS* FormGraphGS = nullptr;

namespace {

TGraphScreenSetup hydrosizerSetup() {
    TGraphScreenSetup s;
    s.ScreenName = "TFormGraphGS";
    // The blank before the condition is the statement's own.
    s.Selects = {"select * from pug "};
    s.RecMoment = true;
    s.TimerInterval = 29000;
    s.ForcedReloadTick = 2;
    s.GapSeconds = 180;
    s.RaiseYMax = true;
    s.ConnectionTest = TGraphScreenSetup::ctTimer;
    s.RowErrorsPosted = true;
    return s;
}

}  // namespace

TFormGraphGS::TFormGraphGS(TComponent* owner, const AnsiString& iniFileName)
    : TGraphScreen(owner, hydrosizerSetup()) {
    TakeName("FormGraphGS");
    MakeMdiScreen();

    BuildFrame();
    LabelTop->SetCaption("Графики параметров работы гидросайзера");
    LabelLeft->SetColor(clSkyBlue);
    LabelTop->SetColor(clSkyBlue);
    PanelTop->SetColor(clSkyBlue);
    PanelTopRight->SetColor(clSkyBlue);
    buildCharts();
    BuildWaitPanel();
    BuildQuery();

    OnCreate = TNotifyEvent(this, &TFormGraphGS::FormCreate);
    OnShow = TNotifyEvent(this, &TFormGraphGS::FormShow);
    OnResize = TNotifyEvent(this, &TFormGraphGS::FormResize);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);
    PanelTop->OnResize = TNotifyEvent(this, &TFormGraphGS::PanelTopResize);

    PeriodDate = PeriodStart = PeriodStop = LastPointTime = 0;
    ReloadPending = true;
    TimerBusy = false;
    DateTimePicker1->SetDate(Now());
    TakeIniFile(iniFileName, Name() + ".INI");
    ShiftNumber = 1;
    GraphList[0] = LevelGraphP;
    GraphList[1] = LevelGraphR;
    GraphList[2] = LevelGraphN;
    GraphList[3] = LevelGraphU;
    for (bool& z : ZoomFlags) z = false;
    LoadBusy = false;
    TimerTicks = 0;
    PointWindow = nullptr;
    BuildEditRouter({"TArrow", "TLabel"});
    SetEditMode();
}

TFormGraphGS::~TFormGraphGS() {
    if (FormGraphGS == this) FormGraphGS = nullptr;
}

void TFormGraphGS::buildCharts() {
    struct Chart {
        TLevelGraph*& graph;
        const char* name;
        TLabel*& title;
        const char* titleName;
        const char* caption;
        int graphCount;
        double yMax, yLabelStep;
        int subHeight;
        TSpeedButton*& zoom;
        const char* zoomName;
        TLabel*& unit;
        const char* unitName;
        const char* unitCaption;
    } charts[] = {
        {LevelGraphP, "LevelGraphP", Label1, "Label1", "Плотность", 3, 601, 100, 10, SButLevelGraphPZoom,
         "SButLevelGraphPZoom", LabelLegendY1, "LabelLegendY1", "г/л"},
        {LevelGraphR, "LevelGraphR", Label2, "Label2", "Объемный расход концентрата", 2, 101, 20, 10,
         SButLevelGraphRZoom, "SButLevelGraphRZoom", LabelLegendY2, "LabelLegendY2", "м:3/час"},
        {LevelGraphN, "LevelGraphN", Label3, "Label3", "Весовой расход концентрата", 2, 101, 20, 20,
         SButLevelGraphNZoom, "SButLevelGraphNZoom", LabelLegendY3, "LabelLegendY3", "т/час"},
        {LevelGraphU, "LevelGraphU", Label4, "Label4", "Расход технической воды", 1, 101, 10, 50,
         SButLevelGraphUZoom, "SButLevelGraphUZoom", Label5, "Label5", ""},
    };
    int tag = 0;
    for (Chart& c : charts) {
        TLevelGraph* g = MakeGraph(this, c.name);
        c.graph = g;
        g->SetGraphCount(c.graphCount);
        g->SetYMax(c.yMax);
        g->SetYLabelStep(c.yLabelStep);
        g->SetGraphTop(25);
        g->SetGraphLeft(45);
        g->SetGraphSubWidth(120);
        g->SetGraphSubHeight(c.subHeight);
        g->SetBackColor(clSkyBlue);
        // The form's pens are 3 pixels wide; the pen file, read again, keeps its word over them.
        for (int k = 0; k < c.graphCount; ++k) g->GetGraphPen(k)->SetWidth(3);
        g->LoadFromIni();
        g->OnChange = TNotifyEvent(this, &TFormGraphGS::LevelGraphPChange);
        g->SetAlign(alTop);
        c.title = MakeGraphTitle(g, c.titleName, c.caption);
        c.zoom = MakeZoomButton(g, c.zoomName, ClientWidth() - 18 - 75, tag++);
        c.zoom->SetHeight(20);
        c.unit = Make<TLabel>(g, c.unitName, 4, 4, 60, 16);
        c.unit->SetTransparent(true);
        StyleFont(c.unit->Font(), "Times New Roman", 16, true, clNavy);
        c.unit->SetCaption(c.unitCaption);
    }
    LevelGraphU->SetAlign(alClient);
    LevelGraphU->SetRightYMin(150);
    LevelGraphU->SetRightYMax(1500);
    LevelGraphU->SetRightScaleStep(150);

    BitBtn1 = Make<TBitBtn>(LevelGraphU, "BitBtn1", -100, 30, 75, 25);
    BitBtn1->SetCaption("Обновить");
    BitBtn1->SetDefault(true);
    BitBtn1->OnClick = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::ButReloadClick);

    // The density legend: a label per curve and, under the two curves with data, the arrow that
    // gives the curve its pen.
    const int x = ClientWidth() - 80 - 35;
    struct Legend {
        TLabel*& label;
        const char* name;
        const char* caption;
        int top;
    } legends[] = {
        {LabelLegend11, "LabelLegend11", "Исходное питание", 2},
        {LabelLegend12, "LabelLegend12", "Концентрат", 24},
        {LabelLegend13, "LabelLegend13", "В баке ГС", 58},
    };
    for (Legend& l : legends) {
        l.label = Make<TLabel>(LevelGraphP, l.name, x, l.top, 80, 16);
        l.label->SetAutoSize(false);
        l.label->SetTransparent(true);
        StyleFont(l.label->Font(), "Times New Roman", 16, false, clNavy);
        l.label->SetCaption(l.caption);
    }
    LabelLegend11->SetVisible(false);
    struct Arrow {
        TArrow*& arrow;
        const char* name;
        TColor color;
        int top;
    } arrows[] = {
        {ArrowLegend12, "ArrowLegend12", clBlue, 41},
        {ArrowLegend13, "ArrowLegend13", clGreen, 75},
    };
    for (Arrow& a : arrows) {
        a.arrow = Make<TArrow>(LevelGraphP, a.name, x + 5, a.top, 70, 14);
        a.arrow->SetArrowWidth(3);
        a.arrow->SetColor(a.color);
    }

    Columns = {
        {0, "PL2_GS", LevelGraphP, 1}, {0, "PL3_GS", LevelGraphP, 2}, {0, "RV2_GS", LevelGraphR, 1},
        {0, "RG2_GS", LevelGraphN, 1}, {0, "TRTW_GS", LevelGraphU, 0},
    };
}

// ---- Construction and layout ------------------------------------------------------------------------------

void TFormGraphGS::FormCreate(TObject*) {
    SetCaption(LabelTop->Caption());
    ComboBox1->SetItemIndex(2);
    TLevelGraph* charts[] = {LevelGraphP, LevelGraphR, LevelGraphN, LevelGraphU};
    for (int i = 0; i < MaxGraphs; ++i) {
        GraphList[i] = i < 4 ? charts[i] : nullptr;
        ZoomFlags[i] = false;
    }
    LoadGraphScales();
    SetGraphPens();
    DateTimePicker1->SetDate(Now());
}

void TFormGraphGS::FormShow(TObject*) {
    PanelTopResize(PanelTop);
    Application->ProcessMessages();
    PanelTopResize(PanelTop);
}

void TFormGraphGS::PanelTopResize(TObject*) { CentreTitle(); }

void TFormGraphGS::FormResize(TObject*) {
    if (!PanelTop || !LevelGraphU || !LabelLegend13) return;
    PanelTopResize(PanelTop);
    if (AllGraphsShown) {
        const int h = (ClientHeight() - PanelTop->Height() - 20) / 4;
        LevelGraphP->SetHeight(h);
        LevelGraphU->SetHeight(h + 10);
        LevelGraphN->SetHeight(h + 10);
    }
    // From the right edge of what is seen: a maximised screen's frame lies outside it.
    for (TSpeedButton* b : {SButLevelGraphPZoom, SButLevelGraphRZoom, SButLevelGraphNZoom, SButLevelGraphUZoom})
        b->SetLeft(ClientWidth() - SButLevelGraphPZoom->Width() - 75);
    const int x = ClientWidth() - LabelLegend11->Width() - 35;
    for (TLabel* l : {LabelLegend11, LabelLegend12, LabelLegend13}) l->SetLeft(x);
    for (TArrow* a : {ArrowLegend12, ArrowLegend13}) a->SetLeft(x + 5);
    if (WaitPanel)
        WaitPanel->SetBounds(Width() / 2 - WaitPanel->Width() / 2, Height() / 2 - WaitPanel->Height() / 2,
                             WaitPanel->Width(), WaitPanel->Height());
}

void TFormGraphGS::ShowAllGraphs() {
    StackGraphs(4, 50, 50);
    AllGraphsShown = true;
    Application->ProcessMessages();
}

void TFormGraphGS::ShowOneGraph(int ix) {
    AllGraphsShown = false;
    TGraphScreen::ShowOneGraph(ix);
    if (ix > 2)
        for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) GraphList[i]->SetGraphSubHeight(50);
    Application->ProcessMessages();
}

// ---- Pens, cursor, value window, print ----------------------------------------------------------------------

// Each curve with a legend arrow takes the arrow's pen; the feed curve has none and keeps the pen file's.
void TFormGraphGS::SetGraphPens() { PensFromLegendArrows(); }

void TFormGraphGS::LevelGraphPChange(TObject* Sender) { ShareCursor(Sender); }

void TFormGraphGS::CmdShowSatelliteClick(TObject*) {
    if (!PointWindow) PointWindow = NewForm<TFormGraph_GS_Point>(this, this);
    PointWindow->Show();
}

void TFormGraphGS::PrintReport() {
    const AnsiString templ = IncludeTrailingPathDelimiter(TemplateDir) + "PrintWeb4.html";
    ShowAllGraphs();
    FormResize(this);
    Application->ProcessMessages();
    AnsiString pics[4];
    for (int i = 0; i < 4; ++i) pics[i] = "HS_pic" + IntToStr(i) + ".bmp";
    for (int i = 0; i < 4 && GraphList[i]; ++i) {
        GraphList[i]->ExportImage(1000, 200, true);
        DrawLegendToBitmap(GraphList[i], this, 15);
        GraphList[i]->Bitmap->SaveToFile(pics[i], "BMP");
    }
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add(LabelTop->Caption());
    names.Add("QRLabelDate");
    values.Add(FormatDateTime("dd.mm.yyyy", PeriodDate));
    TLabel* titles[] = {Label1, Label2, Label3, Label4};
    for (int i = 0; i < 4; ++i) {
        names.Add("LabelName" + IntToStr(i + 1));
        values.Add(titles[i]->Caption());
    }
    for (int i = 0; i < 4; ++i) {
        names.Add("pic" + IntToStr(i + 1) + ".BMP");
        values.Add(pics[i]);
    }
    if (FormWebPrint) FormWebPrint->LoadReportTemplate(templ, &names, &values);
}
