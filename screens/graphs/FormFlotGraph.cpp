#include "screens/graphs/FormFlotGraph.h"

#include "core/EventLog.h"
#include "screens/graphs/GraphScales.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "db/SqlClientDataSet.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "screens/graphs/FormGraphFLPoint.h"
#include "screens/graphs/FormWebPrint.h"

TFormFlotGraph* FormFlotGraph = nullptr;

namespace {

TGraphScreenSetup flotSetup() {
    TGraphScreenSetup s;
    s.ScreenName = "TFormFlotGraph";
    s.Selects = {"select * from puf_data"};
    s.RecMoment = true;
    s.TimerInterval = 30000;
    s.ForcedReloadTick = 3;
    s.GapSeconds = 300;
    s.RaiseYMax = true;
    return s;
}

}  // namespace

TFormFlotGraph::TFormFlotGraph(TComponent* owner) : TGraphScreen(owner, flotSetup()) {
    SetName("FormFlotGraph");
    SetCaption("Графики параметров процесса флотации");
    MakeMdiScreen();

    BuildFrame();
    buildCharts();
    BuildWaitPanel();
    BuildClientDataSet();

    OnCreate = TNotifyEvent(this, &TFormFlotGraph::FormCreate);
    OnShow = TNotifyEvent(this, &TFormFlotGraph::FormShow);
    OnResize = TNotifyEvent(this, &TFormFlotGraph::FormResize);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);

    PeriodDate = PeriodStart = PeriodStop = LastPointTime = 0;
    PointWindow = nullptr;
    TimerBusy = false;
    ReloadPending = true;
    DateTimePicker1->SetDate(Now());
    ComboBox1->SetItemIndex(2);
    IniFileName = IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFileName())) + "config";
    ForceDirectories(IniFileName);
    IniFileName = IncludeTrailingPathDelimiter(IniFileName) + "FormFlotGraph.INI";
    ShiftNumber = 1;
    LabelTop->SetCaption("Графики параметров процесса флотации ");
    LoadBusy = false;
    TimerTicks = 0;
    FormColor = 16768494;
    BuildEditRouter({"TArrow", "TLabel", "TOutField"});
    SetEditMode();
}

TFormFlotGraph::~TFormFlotGraph() {
    if (FormFlotGraph == this) FormFlotGraph = nullptr;
}

TLevelGraph* TFormFlotGraph::makeChart(const char* name, int graphCount, double yMax, double yLabelStep) {
    TLevelGraph* g = MakeGraph(this, name);
    g->SetGraphTop(20);
    g->SetGraphLeft(50);
    g->SetGraphSubWidth(40);
    g->SetGraphSubHeight(10);
    g->SetGraphCount(graphCount);
    g->SetYMax(yMax);
    g->SetYLabelStep(yLabelStep);
    g->OnChange = TNotifyEvent(this, &TFormFlotGraph::LevelGraphRPChange);
    return g;
}

void TFormFlotGraph::buildCharts() {
    LevelGraphRP = makeChart("LevelGraphRP", 1, 1001, 200);
    LevelGraphPP = makeChart("LevelGraphPP", 1, 300, 50);
    LevelGraphWP = makeChart("LevelGraphWP", 1, 150, 25);
    LevelGraphRS = makeChart("LevelGraphRS", 2, 1200, 200);
    LevelGraphRN = makeChart("LevelGraphRN", 2, 60, 10);
    LevelGraphRN->SetGraphSubHeight(20);
    LevelGraphRS->SetShowRightScale(true);
    LevelGraphRS->SetRightYMin(1500);
    LevelGraphRS->SetRightYMax(9000);
    LevelGraphRS->SetRightScaleStep(1500);
    LevelGraphRN->SetShowRightScale(true);
    LevelGraphRN->SetRightYMin(50);
    LevelGraphRN->SetRightYMax(400);
    LevelGraphRN->SetRightScaleStep(50);
    // The form's first layout; ShowAllGraphs replaces it.
    LevelGraphRP->SetAlign(alTop);
    LevelGraphPP->SetAlign(alTop);
    LevelGraphWP->SetAlign(alTop);
    LevelGraphRN->SetAlign(alBottom);
    LevelGraphRS->SetAlign(alClient);

    struct Title {
        TLabel*& label;
        const char* name;
        TLevelGraph* chart;
        const char* caption;
    } titles[] = {
        {LabelTitle1, "LabelTitle1", LevelGraphRP, "Расход исходной пульпы, м3/ч"},
        {LabelTitle2, "LabelTitle2", LevelGraphPP, "Плотность исходной пульпы, г/л"},
        {LabelTitle3, "LabelTitle3", LevelGraphWP, "Весовая нагрузка по твердому, т/ч"},
        {LabelTitle4, "LabelTitle4", LevelGraphRS, "Расход собирателя"},
        {LabelTitle5, "LabelTitle5", LevelGraphRN, "Расход вспенивателя"},
    };
    for (Title& t : titles) t.label = MakeGraphTitle(t.chart, t.name, t.caption);

    struct Zoom {
        TSpeedButton*& button;
        const char* name;
        TLevelGraph* chart;
    } zooms[] = {
        {SButLevelGraphRPZoom, "SButLevelGraphRPZoom", LevelGraphRP},
        {SButLevelGraphPPZoom, "SButLevelGraphPPZoom", LevelGraphPP},
        {SButLevelGraphWPZoom, "SButLevelGraphWPZoom", LevelGraphWP},
        {SButLevelGraphRSZoom, "SButLevelGraphRSZoom", LevelGraphRS},
        {SButLevelGraphRNZoom, "SButLevelGraphRNZoom", LevelGraphRN},
    };
    int tag = 0;
    for (Zoom& z : zooms) z.button = MakeZoomButton(z.chart, z.name, Width() - 34, tag++);

    struct Legend {
        TLabel*& label;
        const char* name;
        TLevelGraph* chart;
        const char* caption;
        TColor color;
        bool right;
    } legends[] = {
        {LabelLegendRSLeft, "LabelLegendRSLeft", LevelGraphRS, "Текущий расход, л/ч", clRed, false},
        {LabelLegendRSRight, "LabelLegendRSRight", LevelGraphRS, "Удельный расход, мл/т", clBlue, true},
        {LabelLegendRPLeft, "LabelLegendRPLeft", LevelGraphRN, "Текущий расход, л/ч", clRed, false},
        {LabelLegendRPRight, "LabelLegendRPRight", LevelGraphRN, "Удельный расход, мл/т", clBlue, true},
    };
    for (Legend& l : legends) {
        // In the margin above the plot, where no grid line runs: every grid line lies inside the plot.
        l.label = Make<TLabel>(l.chart, l.name, l.right ? Width() - 250 : 55, 0, 180, 19);
        l.label->SetTransparent(true);
        StyleFont(l.label->Font(), "Times New Roman", 16, false, l.color);
        l.label->SetCaption(l.caption);
        if (l.right) l.label->SetAnchors(akTop | akRight);
    }
}

// ---- Construction and layout ------------------------------------------------------------------------------

void TFormFlotGraph::FormCreate(TObject*) {
    TLevelGraph* charts[] = {LevelGraphRP, LevelGraphPP, LevelGraphWP, LevelGraphRS, LevelGraphRN};
    for (int i = 0; i < MaxGraphs; ++i) GraphList[i] = i < 5 ? charts[i] : nullptr;
    for (int i = 0; i < 5; ++i) ZoomFlags[i] = false;
    LoadGraphScales();
    SetGraphPens();
    DateTimePicker1->SetDate(Now());
    ReloadPending = true;
}

void TFormFlotGraph::FormShow(TObject*) {
    // Once for the whole run: the first show always lays out all graphs.
    static bool firstShow = true;
    if (firstShow) {
        firstShow = false;
        ShowAllGraphs();
    }
}

void TFormFlotGraph::FormResize(TObject*) {
    if (!PanelTop || !LevelGraphRN) return;
    int h = (ClientHeight() - PanelTop->Height() - 10) / 5;
    LevelGraphRP->SetHeight(h);
    LevelGraphPP->SetHeight(h);
    LevelGraphWP->SetHeight(h);
    LevelGraphRN->SetHeight(h + 10);
    for (TSpeedButton* b : {SButLevelGraphRPZoom, SButLevelGraphPPZoom, SButLevelGraphWPZoom, SButLevelGraphRSZoom,
                            SButLevelGraphRNZoom})
        b->SetLeft(Width() - SButLevelGraphRPZoom->Width() - 16);
    LabelLegendRSRight->SetLeft(Width() - LabelLegendRSRight->Width() - 50);
    LabelLegendRPRight->SetLeft(LabelLegendRSRight->Left());
    if (WaitPanel) WaitPanel->SetBounds(Width() / 2 - WaitPanel->Width() / 2, Height() / 2 - WaitPanel->Height() / 2,
                                        WaitPanel->Width(), WaitPanel->Height());
}

void TFormFlotGraph::ShowAllGraphs() { StackGraphs(5, 20, 30); }

// ---- Rows -----------------------------------------------------------------------------------------------

TInterpTable TFormFlotGraph::RightScaleTable(const TLevelGraph* g) {
    TInterpTable t;
    t.count = 2;
    t.x[0] = g->RightYMin() - g->RightScaleStep();
    t.x[1] = g->RightYMax();
    t.y[0] = g->YMin();
    t.y[1] = g->YMax();
    return t;
}

TInterpTable TFormFlotGraph::InverseRightScaleTable(const TLevelGraph* g) {
    TInterpTable t;
    t.count = 2;
    t.x[0] = g->YMin();
    t.x[1] = g->YMax();
    t.y[0] = g->RightYMin() - g->RightScaleStep();
    t.y[1] = g->RightYMax();
    return t;
}

void TFormFlotGraph::PrepareRows(TDataSet* rows, int) {
    const char* names[7] = {"RVF", "PLF", "RGF", "TRRS", "ZRRS", "TRRP", "ZRRP"};
    for (int i = 0; i < 7; ++i) fields_[i] = rows->FieldByName(names[i]);
}

void TFormFlotGraph::ReadRow(int) {
    for (int i = 0; i < 7; ++i) values_[i] = fields_[i]->AsFloat();
}

void TFormFlotGraph::AddRowPoints(int, TDateTime at) {
    auto rightValue = [this](const TLevelGraph* g, double v) {
        table_.count = 2;
        table_.x[0] = g->RightYMin() - g->RightScaleStep();
        table_.x[1] = g->RightYMax();
        table_.y[0] = g->YMin();
        table_.y[1] = g->YMax();
        return InterpolateTable(v, &table_, true);
    };
    LevelGraphRP->AddPoint(0, at, values_[0], false);
    LevelGraphPP->AddPoint(0, at, values_[1], false);
    LevelGraphWP->AddPoint(0, at, values_[2], false);
    LevelGraphRS->AddPoint(0, at, values_[3], false);
    LevelGraphRS->AddPoint(1, at, rightValue(LevelGraphRS, values_[4]), false);
    LevelGraphRN->AddPoint(0, at, values_[5], false);
    LevelGraphRN->AddPoint(1, at, rightValue(LevelGraphRN, values_[6]), false);
}

// ---- Scales, pens, edit mode --------------------------------------------------------------------------------

void TFormFlotGraph::SaveGraphScales() { SaveLimitSections(); }

void TFormFlotGraph::LoadGraphScales() { LoadLimitSections(); }

void TFormFlotGraph::SetGraphPens() {
    if (!GraphList[0]) return;
    TPen pen;
    pen.SetWidth(2);
    pen.SetColor(255);
    for (int i = 0; i < 3 && GraphList[i]; ++i) GraphList[i]->SetGraphPen(0, &pen);
    if (!GraphList[3] || !GraphList[4]) return;
    pen.SetColor(LabelLegendRSLeft->Font()->Color());
    GraphList[3]->SetGraphPen(0, &pen);
    pen.SetColor(LabelLegendRSRight->Font()->Color());
    GraphList[3]->SetGraphPen(1, &pen);
    pen.SetColor(LabelLegendRPLeft->Font()->Color());
    GraphList[4]->SetGraphPen(0, &pen);
    pen.SetColor(LabelLegendRPRight->Font()->Color());
    GraphList[4]->SetGraphPen(1, &pen);
}

void TFormFlotGraph::SetEditMode() {
    for (int i = 0; i < ComponentCount(); ++i) {
        if (Components(i)->ClassName() != "TLevelGraph") continue;
        static_cast<TLevelGraph*>(Components(i))->SetBackColor(FormColor);
        PanelTop->SetColor(FormColor);
        PanelTopRight->SetColor(FormColor);
    }
    TGraphScreen::SetEditMode();
}

void TFormFlotGraph::OnLevelGraphMouseDown(TObject* Sender, TMouseButton, TShiftState Shift, int, int) {
    if (!(Shift & ssRight)) return;
    if (!EditGraphScales(dynamic_cast<TComponent*>(Sender))) return;
    // The specific-flow curves are stored converted with the scales of their load; new scales need
    // them converted again, or the right-hand labels would not match the curves.
    ReloadPending = true;
    if (!LoadBusy) Reload();
}

// ---- Cursor, value window, print ----------------------------------------------------------------------------

void TFormFlotGraph::LevelGraphRPChange(TObject* Sender) { ShareCursor(Sender); }

void TFormFlotGraph::CmdShowSatelliteClick(TObject*) {
    if (!PointWindow) PointWindow = NewForm<TFormGraphFLPoint>(this, this);
    PointWindow->Show();
}

void TFormFlotGraph::PrintReport() {
    ShowAllGraphs();
    AnsiString templ = IncludeTrailingPathDelimiter(TemplateDir) + "PrintWeb5.html";
    AnsiString pics[5];
    for (int i = 0; i < 5; ++i) pics[i] = IncludeTrailingPathDelimiter(TempDir) + "FL_pic" + IntToStr(i) + ".bmp";
    for (int i = 0; i < 5 && GraphList[i]; ++i) {
        GraphList[i]->ExportImage(1000, 150, true);
        DrawLegendToBitmap(GraphList[i], this, 0);
        GraphList[i]->Bitmap->SaveToFile(pics[i], "BMP");
    }
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add(LabelTop->Caption());
    names.Add("QRLabelDate");
    values.Add(FormatDateTime("dd.mm.yyyy", PeriodDate));
    TLabel* titles[] = {LabelTitle1, LabelTitle2, LabelTitle3, LabelTitle4, LabelTitle5};
    for (int i = 0; i < 5; ++i) {
        names.Add("LabelName" + IntToStr(i + 1));
        values.Add(titles[i]->Caption());
    }
    for (int i = 0; i < 5; ++i) {
        names.Add("pic" + IntToStr(i + 1) + ".BMP");
        values.Add(pics[i]);
    }
    if (FormWebPrint) FormWebPrint->LoadReportTemplate(templ, &names, &values);
}
