#include "screens/graphs/SingleGraphScreen.h"

#include "core/Global.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/OutField.h"

#include <algorithm>

TGraphScreenSetup SingleGraphSetup(const char* screenName, std::vector<AnsiString> selects) {
    TGraphScreenSetup s;
    s.ScreenName = screenName;
    s.Selects = std::move(selects);
    s.TimerInterval = 30000;
    s.ForcedReloadTick = 4;
    s.GapSeconds = 300;
    s.ConnectionTest = TGraphScreenSetup::ctReload;
    return s;
}

namespace {

// Width of the value bar's middle, which its two margins centre.
constexpr int ValueBarMiddle = 630;

}  // namespace

TSingleGraphScreen::TSingleGraphScreen(TComponent* owner, const TGraphScreenSetup& setup, const TSingleGraphLook& look)
    : TGraphScreen(owner, setup) {
    SetName(look.FormName);
    SetCaption(look.Title);
    MakeMdiScreen();
    SetColor(look.FormColor);

    BuildFrame();
    PanelTop->SetHeight(35);
    PanelTop->SetColor(look.BarColor);
    PanelTopRight->SetColor(look.BarColor);
    LabelTop->SetCaption(look.Title);

    const bool twoCurves = look.ValueLabel1 != nullptr;
    Graph = MakeGraph(this, look.GraphName);
    Graph->SetAlign(alClient);
    Graph->SetGraphCount(twoCurves ? 2 : 1);
    Graph->SetGraphTop(20);
    Graph->SetGraphLeft(50);
    Graph->SetGraphSubWidth(40);
    Graph->SetYMax(look.YMax);
    Graph->SetYLabelStep(look.YLabelStep);
    Graph->SetBackColor(look.GraphColor);
    Graph->OnChange = TNotifyEvent(this, &TSingleGraphScreen::GraphChange);
    // The value bar shows what a value window would: the chart has no popup menu.
    Graph->SetPopupMenu(nullptr);
    GraphList[0] = Graph;

    LabelTitle4 = Make<TLabel>(Graph, "LabelTitle4", 0, 0, Graph->Width(), 19);
    LabelTitle4->SetAutoSize(false);
    LabelTitle4->SetAlign(alTop);
    LabelTitle4->SetTransparent(true);
    StyleFont(LabelTitle4->Font(), "Arial", 16, true, clNavy);
    LabelTitle4->SetCaption(look.UnitCaption);

    // The value bar: the cursor time, then each curve's value, in a middle of fixed width.
    const int barHeight = twoCurves ? 50 : 27;
    // The time labels need 28 pixels under the plot, above the value bar: 55 under a one-row bar.
    // A two-row bar takes the same room again, or it would cover them.
    Graph->SetGraphSubHeight(barHeight + 28);
    PanelBottom = Make<TPanel>(Graph, "PanelBottom", 0, Graph->Height() - barHeight, Graph->Width(), barHeight);
    PanelBottom->SetAlign(alBottom);
    PanelBottom->SetBevelOuter(bvNone);
    PanelBottom->SetCaption("");
    PanelBottomLeft = Make<TPanel>(PanelBottom, "PanelBottomLeft", 0, 0, 100, barHeight);
    PanelBottomLeft->SetAlign(alLeft);
    PanelBottomRight = Make<TPanel>(PanelBottom, "PanelBottomRight", Graph->Width() - 100, 0, 100, barHeight);
    PanelBottomRight->SetAlign(alRight);
    PanelBottomCenter = Make<TPanel>(PanelBottom, "PanelBottomCenter", 100, 0, ValueBarMiddle, barHeight);
    PanelBottomCenter->SetAlign(alClient);
    for (TPanel* p : {PanelBottom, PanelBottomLeft, PanelBottomRight, PanelBottomCenter}) {
        p->SetBevelOuter(bvNone);
        p->SetCaption("");
        p->SetColor(look.BarColor);
    }
    const int valueTop = twoCurves ? 2 : 3;
    Label3 = valueLabel(PanelBottomCenter, "Label3", "Дата, время:", 4, valueTop, 150);
    OutFieldCurTime = valueField(PanelBottomCenter, "OutFieldCurTime", "###0.0", 4, valueTop + (twoCurves ? 24 : 0), 158);
    if (!twoCurves) {
        Label3->SetLeft(0);
        Label3->SetWidth(100);
        OutFieldCurTime->SetLeft(100);
    }
    Label2 = valueLabel(PanelBottomCenter, "Label2", look.ValueLabel0, 262, valueTop, 266);
    Label2->SetAlignment(taRightJustify);
    OutFieldCursorVal = valueField(PanelBottomCenter, "OutFieldCursorVal", look.ValueFormat, 532, valueTop, 96);
    if (twoCurves) {
        Label1 = valueLabel(PanelBottomCenter, "Label1", look.ValueLabel1, 170, valueTop + 24, 358);
        Label1->SetAlignment(taRightJustify);
        Label2->SetLeft(170);
        Label2->SetWidth(358);
        OutFieldCursorVal2 = valueField(PanelBottomCenter, "OutFieldCursorVal2", look.ValueFormat, 532, valueTop + 24, 96);
    }
    PanelBottom->OnResize = TNotifyEvent(this, &TSingleGraphScreen::PanelBottomResize);

    BuildWaitPanel();
    BuildClientDataSet();

    OnCreate = TNotifyEvent(this, &TSingleGraphScreen::FormCreate);
    OnResize = TNotifyEvent(this, &TSingleGraphScreen::FormResize);
    OnDestroy = TNotifyEvent(static_cast<TGraphScreen*>(this), &TGraphScreen::FormDestroy);

    IniFileName = "";
    PeriodDate = PeriodStart = PeriodStop = LastPointTime = 0;
    TimerBusy = false;
    ReloadPending = true;
    DateTimePicker1->SetDate(Now());
    ComboBox1->SetItemIndex(2);
    IniFileName = IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFileName())) + "config";
    ForceDirectories(IniFileName);
    IniFileName = IncludeTrailingPathDelimiter(IniFileName) + Name() + ".INI";
    LoadBusy = false;
    TimerTicks = 0;
    BuildEditRouter({"TArrow", "TLabel"});
    SetEditMode();
}

TLabel* TSingleGraphScreen::valueLabel(TWinControl* parent, const char* name, const char* caption, int left, int top,
                                       int width) {
    auto* l = Make<TLabel>(parent, name, left, top + 2, width, 19);
    l->SetAutoSize(false);
    StyleFont(l->Font(), "Times New Roman", 16, true, clNavy);
    l->SetCaption(caption);
    return l;
}

TOutField* TSingleGraphScreen::valueField(TWinControl* parent, const char* name, const char* format, int left, int top,
                                          int width) {
    auto* f = Make<TOutField>(parent, name, left, top, width, 22);
    StyleFont(f->Font(), "Times New Roman", 16, true, clNavy);
    f->SetOutFormat(format);
    f->SetOutValue(-1);  // blank until the first load
    return f;
}

// ---- Form events -----------------------------------------------------------------------------------------

void TSingleGraphScreen::FormCreate(TObject*) {
    LoadGraphScales();
    SetGraphPens();
    DateTimePicker1->SetDate(Now());
    ReloadPending = true;
}

void TSingleGraphScreen::FormResize(TObject*) {
    if (WaitPanel)
        WaitPanel->SetBounds(Width() / 2 - WaitPanel->Width() / 2, Height() / 2 - WaitPanel->Height() / 2,
                             WaitPanel->Width(), WaitPanel->Height());
}

void TSingleGraphScreen::PanelBottomResize(TObject*) {
    if (!PanelBottomLeft || !PanelBottomRight) return;
    const int margin = std::max(0, (PanelBottom->Width() - ValueBarMiddle) / 2);
    PanelBottomLeft->SetWidth(margin);
    PanelBottomRight->SetWidth(margin);
}

void TSingleGraphScreen::GraphChange(TObject*) {
    const TDateTime t = Graph->CursorTime();
    OutFieldCursorVal->SetOutValue(Graph->GetPoint(0, t));
    if (OutFieldCursorVal2) OutFieldCursorVal2->SetOutValue(Graph->GetPoint(1, t));
    OutFieldCurTime->SetCaption(FormatDateTime("dd.mm.yyyy hh:nn:ss", t));
    OutFieldCurTime->Repaint();
}

void TSingleGraphScreen::RowsLoaded(int) { GraphChange(Graph); }

// ---- Scales, pens, print ----------------------------------------------------------------------------------

void TSingleGraphScreen::SaveGraphScales() { SaveLimitSections(); }

void TSingleGraphScreen::LoadGraphScales() { LoadLimitSections(); }

void TSingleGraphScreen::SetGraphPens() {
    if (!Graph) return;
    TPen pen;
    pen.SetColor(clBlue);
    pen.SetWidth(2);
    Graph->SetGraphPen(0, &pen);
    PensFromLegendArrows();
}

void TSingleGraphScreen::PrintReport() {
    AnsiString templ = IncludeTrailingPathDelimiter(TemplateDir) + "PrintWeb1.html";
    AnsiString pic = IncludeTrailingPathDelimiter(TempDir) + "DIV_pic" + IntToStr(0) + ".bmp";
    Graph->ExportImage(1000, 500, true);
    DrawLegendToBitmap(Graph, this, 0);
    Graph->Bitmap->SaveToFile(pic, "BMP");
    TStringList names, values;
    names.Add("QRLabelTitle");
    values.Add(LabelTop->Caption());
    names.Add("QRLabelDate");
    values.Add(FormatDateTime("dd.mm.yyyy", PeriodDate));
    names.Add("pic1.BMP");
    values.Add(pic);
    if (FormWebPrint) FormWebPrint->LoadReportTemplate(templ, &names, &values);
}
