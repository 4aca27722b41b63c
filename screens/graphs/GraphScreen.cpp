#include "screens/graphs/GraphScreen.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlClientDataSet.h"
#include "rtl/DateUtils.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "rtl/SysUtils.h"
#include "screens/diagrams/EditMode.h"
#include "screens/graphs/GraphScales.h"
#include "widgets/Arrow.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// b - a in whole milliseconds.
long long ms(TDateTime a, TDateTime b) { return MilliSecondsBetweenRounded(a, b); }

constexpr long long FillStepMs = 10000;

// The slots of a screen's charts, when all of them have their slots at the same times.
struct TSlotGrid {
    bool Uniform = false;
    long long StartMs = 0, StopMs = 0, StepMs = 0;
    // A number for the slot that a time falls in on every chart: equal numbers, the same slot.
    long long Of(long long tMs) const {
        if (tMs > StopMs) return LLONG_MAX;  // past the period: no slot at all
        if (tMs < StartMs) return 0;        // before it: the first slot
        return (tMs - StartMs) / StepMs;
    }
};

TSlotGrid slotGrid(TLevelGraph* const* graphs, int count) {
    TSlotGrid grid;
    for (int i = 0; i < count && graphs[i]; ++i) {
        const TLevelGraph* g = graphs[i];
        const double step = g->SecondStep() * 1000.0;
        TSlotGrid own;
        own.StartMs = ms(0, g->StartTime());
        own.StopMs = ms(0, g->StopTime());
        own.StepMs = static_cast<long long>(step);
        if (!(step >= 1) || static_cast<double>(own.StepMs) != step) return {};
        if (i > 0 && (own.StartMs != grid.StartMs || own.StopMs != grid.StopMs || own.StepMs != grid.StepMs)) return {};
        grid = own;
        grid.Uniform = true;
    }
    return grid;
}
// Least time between two rounds of window messages, and between two repaints, during a load.
constexpr std::uint64_t MessageIntervalMs = 50;
constexpr std::uint64_t RepaintIntervalMs = 500;

}  // namespace

void TGraphScreen::StyleFont(TFont* f, const char* name, int pixels, bool bold, TColor color) {
    f->SetName(name);
    f->SetHeight(-pixels);
    f->SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
    f->SetColor(color);
}

TGraphScreenSetup JigMachineSetup(const AnsiString& screenName, int machineNumber, unsigned timerInterval,
                                  int forcedReloadTick) {
    TGraphScreenSetup s;
    s.ScreenName = screenName;
    s.TimerInterval = timerInterval;
    s.ForcedReloadTick = forcedReloadTick;
    s.Selects = {"select * from pu" + IntToStr(machineNumber)};
    s.RecMoment = false;
    s.GapSeconds = 180;
    s.RaiseYMax = false;
    s.ConnectionTest = TGraphScreenSetup::ctTimer;
    s.RowErrorsPosted = true;
    return s;
}

const char* JigMachineClass(int machineNumber) { return machineNumber <= 1 ? "крупного" : "мелкого"; }

TGraphScreen::TGraphScreen(TComponent* owner, const TGraphScreenSetup& setup)
    : TForm(owner), setup_(setup) {
    if (setup_.Selects.empty()) setup_.Selects.push_back("");
    LastPointTimes.assign(setup_.Selects.size(), 0);
}

TGraphScreen::~TGraphScreen() = default;

void TGraphScreen::MakeMdiScreen() {
    SetBounds(0, 0, 1016, 640);
    SetFormStyle(fsMDIChild);
    SetWindowState(wsMaximized);
    SetBorderIcons(0);
    SetKeyPreview(true);
}

void TGraphScreen::TakeName(const AnsiString& name) {
    AnsiString n = name;
    for (int k = 1; Owner() && Owner()->FindComponent(n); ++k) n = name + "_" + IntToStr(k);
    SetName(n);
}

void TGraphScreen::TakeIniFile(const AnsiString& given, const AnsiString& defaultName) {
    IniFileName = given.IsEmpty() ? IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFileName())) + defaultName : given;
}

void TGraphScreen::BuildFrame(const char* titleName) {
    PanelTop = Make<TPanel>(this, "PanelTop", 0, 0, Width(), 41);
    PanelTop->SetAlign(alTop);
    PanelTop->SetBevelOuter(bvNone);
    PanelTop->SetCaption("");
    LabelLeft = Make<TLabel>(PanelTop, "LabelLeft", 0, 0, 98, 41);
    LabelLeft->SetAutoSize(false);
    LabelLeft->SetAlign(alLeft);
    LabelLeft->SetCaption("");
    PanelTopRight = Make<TPanel>(PanelTop, "PanelTopRight", Width() - 215, 0, 215, 41);
    PanelTopRight->SetAlign(alRight);
    PanelTopRight->SetBevelOuter(bvNone);
    PanelTopRight->SetCaption("");
    LabelTop = Make<TLabel>(PanelTop, titleName, 98, 0, Width() - 313, 41);
    LabelTop->SetAutoSize(false);
    LabelTop->SetAlign(alClient);
    LabelTop->SetAlignment(taCenter);
    LabelTop->SetLayout(tlCenter);
    StyleFont(LabelTop->Font(), "Times New Roman", 19, true, clNavy);

    ComboBox1 = Make<TComboBox>(PanelTopRight, "ComboBox1", 4, 9, 100, 21);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->Items()->Add("Смена №1");
    ComboBox1->Items()->Add("Смена №2");
    ComboBox1->Items()->Add("Обе смены");
    DateTimePicker1 = Make<TDateTimePicker>(PanelTopRight, "DateTimePicker1", 110, 9, 100, 21);
    DateTimePicker1->SetKind(dtkDate);
    DateTimePicker1->SetDateFormat(dfShort);
    ButReload = Make<TButton>(PanelTopRight, "ButReload", -100, 9, 75, 25);
    ButReload->SetCaption("Обновить");
    ButReload->SetDefault(true);
    ButReload->OnClick = TNotifyEvent(this, &TGraphScreen::ButReloadClick);

    TimerUpdate = new TTimer(this);
    TimerUpdate->SetName("TimerUpdate");
    TimerUpdate->SetInterval(setup_.TimerInterval);
    TimerUpdate->OnTimer = TNotifyEvent(this, &TGraphScreen::TimerUpdateTimer);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    CmdShowSatellite = new TMenuItem(this);
    CmdShowSatellite->SetName("CmdShowSatellite");
    CmdShowSatellite->SetCaption("Показать цифровые значения");
    CmdShowSatellite->OnClick = TNotifyEvent(this, &TGraphScreen::CmdShowSatelliteClick);
    PopupMenu1->Items()->Add(CmdShowSatellite);
}

void TGraphScreen::BuildWaitPanel() {
    WaitPanel = Make<TPanel>(this, "WaitPanel", 0, 0, 400, 41);
    WaitPanel->SetCaption("Дождитесь загрузки данных");
    StyleFont(WaitPanel->Font(), "Times New Roman", 24, true, clNavy);
    WaitPanel->SetCursor(crSQLWait);
    WaitPanel->SetVisible(false);
}

void TGraphScreen::BuildQuery() {
    SQLQuery1 = new TSQLQuery(this);
    SQLQuery1->SetName("SQLQuery1");
    SQLQuery1->SetNoMetadata(true);
    // The statements carry no parameters; the colons of their times are no parameter marks.
    SQLQuery1->SetParamCheck(false);
    SQLQuery1->SetSQLConnection(Connection());
}

void TGraphScreen::BuildClientDataSet() {
    SQLClientDataSet1 = new TSQLClientDataSet(this);
    SQLClientDataSet1->SetName("SQLClientDataSet1");
    SQLClientDataSet1->SetReadOnly(true);
    if (Connection()) SQLClientDataSet1->SetDBConnection(Connection());
}

void TGraphScreen::BuildEditRouter(std::vector<AnsiString> classes) {
    router_ = std::make_unique<TWidgetEditRouter>(this, IniFileName, std::move(classes),
                                                  TNotifyEvent(this, &TGraphScreen::ColorConfigClick));
}

TLevelGraph* TGraphScreen::MakeGraph(TWinControl* parent, const char* name) {
    auto* g = Make<TLevelGraph>(parent, name, 0, 41, Width(), 100);
    g->SetSecondStep(60);
    g->SetDataStep(OneMinute);
    g->SetArraySize(3000);
    g->SetScaleXFormat("hh:mm");
    g->SetScaleYFormat("###0");
    g->SetXLabelStep(2 * OneHour);
    g->SetMinXLabel(true);
    g->SetMaxXLabel(true);
    g->SetShowScaleX(true);
    g->SetShowScaleY(true);
    g->SetShowCursor(true);
    g->SetShowBorder(true);
    g->SetEnablePresentArray(true);
    g->SetTabStop(true);
    g->SetBestNetLineCount(4);
    g->SetGraphBackColor(clWhite);
    g->BorderPen()->SetWidth(2);
    g->LabelNetPen()->SetStyle(psDot);
    StyleFont(g->XScaleFont(), "Times New Roman", 16, true, clNavy);
    StyleFont(g->YScaleFont(), "MS Sans Serif", 13, true, clBlack);
    g->SetCurrentGraph(1);
    // The pen file's pens win over the form's; the legend colours then win over both (SetGraphPens).
    g->SetIniName(".\\GraphColors.INI");
    g->SetPopupMenu(PopupMenu1);
    return g;
}

TLabel* TGraphScreen::MakeGraphTitle(TLevelGraph* g, const char* name, const char* caption) {
    auto* l = Make<TLabel>(g, name, 0, 0, g->Width(), 19);
    l->SetAutoSize(false);
    l->SetAlign(alTop);
    l->SetAlignment(taCenter);
    l->SetTransparent(true);
    StyleFont(l->Font(), "Arial", 16, true, clNavy);
    l->SetCaption(caption);
    return l;
}

TSpeedButton* TGraphScreen::MakeZoomButton(TLevelGraph* g, const char* name, int left, int tag) {
    auto* b = Make<TSpeedButton>(g, name, left, 2, 18, 14);
    b->SetCaption("[]");
    b->SetHint("Развернуть график на весь экран");
    b->SetShowHint(true);
    b->SetTag(tag);
    b->OnClick = TNotifyEvent(this, &TGraphScreen::SButLevelGraphZoomClick);
    return b;
}

void TGraphScreen::StackGraphs(int count, int spare, int lastSubHeight) {
    const int step = (ClientHeight() - PanelTop->Height() - spare) / count;
    int top = 40;
    DisableAlign();
    for (int i = 0; i < count - 1 && GraphList[i]; ++i) {
        TLevelGraph* g = GraphList[i];
        g->SetGraphSubHeight(10);
        g->SetShowScaleX(false);
        g->SetAlign(alTop);
        g->SetHeight(step);
        g->SetTop(top);
        g->SetVisible(true);
        top += step;
    }
    if (TLevelGraph* last = GraphList[count - 1]) {
        last->SetGraphSubHeight(lastSubHeight);
        last->SetShowScaleX(true);
        last->SetAlign(alClient);
        last->SetVisible(true);
    }
    EnableAlign();
}

void TGraphScreen::PensFromLegendArrows() {
    for (int g = 0; g < MaxGraphs && GraphList[g]; ++g) {
        for (int k = 0; k < 5; ++k) {
            auto* arrow = dynamic_cast<TArrow*>(FindComponent("ArrowLegend" + IntToStr(g + 1) + IntToStr(k + 1)));
            if (!arrow) continue;
            TPen pen;
            pen.SetWidth(arrow->ArrowWidth());
            pen.SetColor(arrow->Color());
            GraphList[g]->SetGraphPen(k, &pen);
        }
    }
}

TSQLConnection* TGraphScreen::Connection() const { return MainView ? MainView->SQLConnection1 : nullptr; }

AnsiString TGraphScreen::QueryText(TDateTime from, TDateTime to, int query) const {
    return setup_.Selects[static_cast<std::size_t>(query)] + MakeTimeRangeWhere(from, to, setup_.RecMoment) +
           (setup_.RecMoment ? " order by RecMoment" : " order by PostMoment");
}

void TGraphScreen::PostError(const char* operation) {
    PostEvent("Ошибка в " + setup_.ScreenName + "::" + operation, 0);
}

void TGraphScreen::UpdateAllGraphs() {
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) GraphList[i]->UpdateChanges();
}

void TGraphScreen::raiseYMax() {
    if (!setup_.RaiseYMax && !setup_.RaiseYMaxWithoutRows) return;
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i)
        if (GraphList[i]->YMax() < 5.0) GraphList[i]->SetYMax(5.0);
}

void TGraphScreen::CentreTitle() {
    if (!PanelTop || !LabelLeft || !PanelTopRight) return;
    TBitmap measure(1, 1);
    measure.Canvas()->SetFont(LabelTop->Font());
    int text = measure.Canvas()->TextWidth(LabelTop->Caption());
    int w = (PanelTop->Width() - (DateTimePicker1->Width() + ComboBox1->Width() + 20) - (text + 10)) / 2;
    w = std::max(0, w);
    LabelLeft->SetWidth(w);
    // On a narrow screen the period choice keeps its room and the title moves left a little.
    PanelTopRight->SetWidth(std::max(w, DateTimePicker1->Left() + DateTimePicker1->Width() + 5));
}

// ---- Rows -----------------------------------------------------------------------------------------------

TDataSet* TGraphScreen::Rows() const {
    if (SQLClientDataSet1) return SQLClientDataSet1;
    return SQLQuery1;
}

void TGraphScreen::OpenRows(const AnsiString& sql) {
    if (SQLClientDataSet1) {
        SQLClientDataSet1->Close();
        if (Connection() && SQLClientDataSet1->DBConnection() != Connection())
            SQLClientDataSet1->SetDBConnection(Connection());
        SQLClientDataSet1->SetCommandText(sql);
        SQLClientDataSet1->Open();
        return;
    }
    SQLQuery1->Close();
    if (SQLQuery1->SQLConnection() != Connection()) SQLQuery1->SetSQLConnection(Connection());
    SQLQuery1->SQL()->SetText(sql);
    SQLQuery1->Open();
}

void TGraphScreen::PrepareRows(TDataSet* rows, int query) {
    fields_.assign(Columns.size(), nullptr);
    values_.assign(Columns.size(), 0.0);
    for (std::size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i].Query == query) fields_[i] = rows->FieldByName(Columns[i].Field);
}

void TGraphScreen::ReadRow(int) {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]) values_[i] = fields_[i]->AsFloat();
}

void TGraphScreen::AddRowPoints(int, TDateTime at) {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]) Columns[i].Graph->AddPoint(Columns[i].Curve, at, values_[i], false);
}

// ---- Loading --------------------------------------------------------------------------------------------

void TGraphScreen::startLoad() {
    TDateTime labelStep = ShiftNumber >= 3 ? 2 * OneHour : OneHour;
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
        TLevelGraph* g = GraphList[i];
        g->SetXLabelStep(labelStep);
        g->SetNewIntervalAccepted(false);
        g->SetNewStartTime(PeriodStart);
        g->SetNewStopTime(PeriodStop);
        g->SetNewCursorTime((PeriodStart + PeriodStop) * 0.5);
        g->SetNewIntervalAccepted(true);
        g->ResetData();
        g->CalcRegion();
    }
    LastPointTime = IncMinute(PeriodStart, -1);
    std::fill(LastPointTimes.begin(), LastPointTimes.end(), LastPointTime);
}

void TGraphScreen::Reload() {
    if (setup_.ConnectionTest != TGraphScreenSetup::ctTimer) {
        TSQLConnection* conn = Connection();
        if (!conn || !conn->Connected()) return;  // still pending: the next tick tries again
    }
    ReloadPending = false;
    ShiftNumber = ComboBox1->ItemIndex() + 1;
    if (ShiftNumber < 1 || ShiftNumber > 3) {
        ShiftNumber = 3;
        ComboBox1->SetItemIndex(2);
        Reload();
        return;
    }
    if (LoadBusy) return;
    LoadBusy = true;
    // Every way out of the load takes the wait panel away and frees the guard, so a failed load
    // never leaves the screen covered or the next load locked out.
    struct Done {
        TGraphScreen* s;
        ~Done() {
            s->WaitPanel->Hide();
            s->LoadBusy = false;
        }
    } done{this};
    try {
        PeriodDate = DateTimePicker1->Date();
        TDateTime start = 0, stop = 0;
        if (!GetShiftPeriod(PeriodDate, ShiftNumber, start, stop)) return;
        PeriodStart = start;
        PeriodStop = stop;
        startLoad();
        WaitPanel->SetBounds((ClientWidth() - WaitPanel->Width()) / 2, (ClientHeight() - WaitPanel->Height()) / 2,
                             WaitPanel->Width(), WaitPanel->Height());
        WaitPanel->Show();
        WaitPanel->BringToFront();
        Application->ProcessMessages();
        bool anyRows = false;
        for (int q = 0; q < static_cast<int>(setup_.Selects.size()); ++q) {
            OpenRows(QueryText(PeriodStart, PeriodStop, q));
            if (Rows()->IsEmpty()) continue;
            QueryDataLoad(q);
            anyRows = true;
        }
        WaitPanel->Hide();
        UpdateAllGraphs();
        if (anyRows || setup_.RaiseYMaxWithoutRows) raiseYMax();
    } catch (...) {
        if (setup_.ReloadErrorsToCaller) throw;
        PostError("Reload()");
    }
}

void TGraphScreen::CheckForUpdates() {
    if (LoadBusy) return;
    LoadBusy = true;
    try {
        TSQLConnection* conn = Connection();
        if (setup_.ConnectionTest != TGraphScreenSetup::ctLoads || (conn && conn->Connected())) {
            bool anyRows = false;
            for (int q = 0; q < static_cast<int>(setup_.Selects.size()); ++q) {
                OpenRows(QueryText(LastPointTimes[static_cast<std::size_t>(q)], PeriodStop, q));
                if (Rows()->IsEmpty()) continue;
                QueryDataLoad(q);
                anyRows = true;
            }
            if (anyRows || setup_.RaiseYMaxWithoutRows) {
                UpdateAllGraphs();
                raiseYMax();
            }
        }
    } catch (...) {
        PostError("CheckForUpdates().");
    }
    WaitPanel->Hide();
    try {
        if (Rows()) Rows()->Close();
    } catch (...) {
        // A result whose session is gone has nothing left to free; the next load opens anew.
    }
    LoadBusy = false;
}

void TGraphScreen::QueryDataLoad(int query) {
    TDateTime& last = LastPointTimes[static_cast<std::size_t>(query)];
    auto earliest = [this] { LastPointTime = *std::min_element(LastPointTimes.begin(), LastPointTimes.end()); };
    try {
        TDataSet* rows = Rows();
        TField* timeField = rows->FieldByName(setup_.RecMoment ? "RecMoment" : "PostMoment");
        PrepareRows(rows, query);
        const long long gapMs = static_cast<long long>(setup_.GapSeconds) * 1000;
        // Window messages every 20 rows and a repaint of the charts every 60 rows keep a long load
        // from freezing the window; both are held back while the last one is recent, so a load that
        // takes a moment anyway does not spend its time painting half-filled charts.
        std::uint64_t lastMessages = GetTickCount64();
        std::uint64_t lastRepaint = lastMessages;
        // A fill step in the slot of the step before it would add the same values to the same slot
        // (a slot keeps only the least and the greatest): such steps are left out.
        const TSlotGrid grid = slotGrid(GraphList, MaxGraphs);
        // Times as whole milliseconds on one line: the fill steps and the gap test are exact.
        long long prevMs = 0;
        rows->First();
        // The count is read anew on every pass: window messages are handled in between.
        for (int i = 0; i < rows->RecordCount(); ++i) {
            if (i % 20 == 0) {
                std::uint64_t now = GetTickCount64();
                if (i == 0 || now - lastMessages >= MessageIntervalMs) {
                    Application->ProcessMessages();
                    lastMessages = GetTickCount64();
                }
            }
            if (!rows->Active()) break;
            long long tMs = ms(0, timeField->AsDateTime());
            ReadRow(query);
            long long curMs = tMs;
            if (i > 0) {
                curMs = prevMs;
                if (tMs - prevMs > gapMs) curMs = tMs;
            }
            // The row's values stand from the previous fill's end up to (not including) its own time.
            long long lastSlot = LLONG_MIN;
            do {
                const long long slot = grid.Uniform ? grid.Of(curMs) : LLONG_MIN;
                if (!grid.Uniform || slot != lastSlot) {
                    const TDateTime cur = IncMilliSecond(0, curMs);
                    last = cur;
                    AddRowPoints(query, cur);
                }
                lastSlot = slot;
                prevMs = curMs;
                curMs += FillStepMs;
            } while (curMs < tMs);
            last = IncMilliSecond(0, prevMs);
            earliest();
            if (i % 60 == 0) {
                std::uint64_t now = GetTickCount64();
                if (i == 0 || now - lastRepaint >= RepaintIntervalMs) {
                    UpdateAllGraphs();
                    lastRepaint = now;
                }
            }
            rows->Next();
        }
        RowsLoaded(query);
    } catch (...) {
        earliest();
        if (!setup_.RowErrorsPosted) throw;
        PostError("QueryDataLoad()");
    }
}

void TGraphScreen::TimerUpdateTimer(TObject*) {
    if (!MainView || TimerBusy) return;
    if (setup_.ConnectionTest == TGraphScreenSetup::ctTimer) {
        TSQLConnection* conn = Connection();
        if (!conn || !conn->Connected()) return;
    }
    TimerBusy = true;
    try {
        if (TimerTicks++ == setup_.ForcedReloadTick) ReloadPending = true;
        bool reloaded = false;
        if (ReloadPending) {
            Reload();
            reloaded = true;
        }
        if (!reloaded || setup_.CheckAfterReload) {
            TDateTime now = Now();
            if (ms(PeriodStart, now) > 0 && ms(now, PeriodStop) > 0 && ms(LastPointTime, now) > 60000)
                CheckForUpdates();
        }
    } catch (...) {
        PostError("TimerUpdateTimer");
    }
    TimerBusy = false;
}

void TGraphScreen::ButReloadClick(TObject*) { Reload(); }

// ---- Zoom and cursor ----------------------------------------------------------------------------------------

void TGraphScreen::InverseZoom(int ix) {
    if (ix < 0 || ix >= MaxGraphs || !GraphList[ix]) return;
    // The graphs before ix must all exist for ix to be one of the screen's charts.
    for (int i = 0; i < ix; ++i)
        if (!GraphList[i]) return;
    try {
        if (ZoomFlags[ix]) ShowAllGraphs();
        else ShowOneGraph(ix);
    } catch (...) {
        PostError("InverseZoom( int ix )");
    }
    ZoomFlags[ix] = !ZoomFlags[ix];
}

void TGraphScreen::ShowOneGraph(int ix) {
    DisableAlign();
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
        TLevelGraph* g = GraphList[i];
        if (i == ix) {
            g->SetAlign(alClient);
            g->SetVisible(true);
            g->SetShowScaleX(true);
            g->SetGraphSubHeight(30);
        } else {
            g->SetAlign(alNone);
            g->SetVisible(false);
            g->SetShowScaleX(false);
            g->SetGraphSubHeight(10);
        }
    }
    EnableAlign();
}

void TGraphScreen::SButLevelGraphZoomClick(TObject* Sender) {
    if (auto* c = dynamic_cast<TComponent*>(Sender)) InverseZoom(static_cast<int>(c->Tag()));
}

void TGraphScreen::ShareCursor(TObject* Sender) {
    auto* src = dynamic_cast<TLevelGraph*>(Sender);
    if (!src) return;
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i)
        if (GraphList[i] != src) GraphList[i]->SetCursorTime(src->CursorTime());
}

// ---- Scales and edit mode -------------------------------------------------------------------------------------

void TGraphScreen::SaveGraphScales() {
    if (IniFileName.IsEmpty()) return;
    TIniFile ini(IniFileName);
    ::SaveGraphScales(&ini, this);
}

void TGraphScreen::LoadGraphScales() {
    if (IniFileName.IsEmpty()) return;
    TIniFile ini(IniFileName);
    ::LoadGraphScales(&ini, this);
}

void TGraphScreen::SaveLimitSections() {
    if (IniFileName.IsEmpty()) return;
    TIniFile ini(IniFileName);
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
        TLevelGraph* g = GraphList[i];
        AnsiString s = g->Name() + "Limits";
        ini.WriteFloat(s, "YMin", g->YMin());
        ini.WriteFloat(s, "YMax", g->YMax());
        ini.WriteFloat(s, "YLabelStep", g->YLabelStep());
        if (g->ShowRightScale()) {
            ini.WriteFloat(s, "RightYMin", g->RightYMin());
            ini.WriteFloat(s, "RightYMax", g->RightYMax());
            ini.WriteFloat(s, "RightScaleStep", g->RightScaleStep());
        }
    }
}

void TGraphScreen::LoadLimitSections() {
    if (IniFileName.IsEmpty()) return;
    TIniFile ini(IniFileName);
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
        TLevelGraph* g = GraphList[i];
        AnsiString s = g->Name() + "Limits";
        g->SetYMin(ini.ReadFloat(s, "YMin", g->YMin()));
        g->SetYMax(ini.ReadFloat(s, "YMax", g->YMax()));
        g->SetYLabelStep(ini.ReadFloat(s, "YLabelStep", g->YLabelStep()));
        if (g->ShowRightScale()) {
            g->SetRightYMin(ini.ReadFloat(s, "RightYMin", g->RightYMin()));
            g->SetRightYMax(ini.ReadFloat(s, "RightYMax", g->RightYMax()));
            g->SetRightScaleStep(ini.ReadFloat(s, "RightScaleStep", g->RightScaleStep()));
        }
    }
}

void TGraphScreen::FormDestroy(TObject*) {
    try {
        SaveGraphScales();
    } catch (...) {
        // A scale file that cannot be written keeps its old values.
    }
}

void TGraphScreen::SetEditMode() {
    if (router_) {
        router_->SetIniFile(IniFileName);
        router_->SetEditMode();
    }
    for (int i = 0; i < ComponentCount(); ++i) {
        if (Components(i)->ClassName() != "TLevelGraph") continue;
        auto* g = static_cast<TLevelGraph*>(Components(i));
        if (WidgetEditMode) g->OnMouseDown = TMouseEvent(this, &TGraphScreen::OnLevelGraphMouseDown);
        else g->OnMouseDown = nullptr;
    }
    SetGraphPens();
}

void TGraphScreen::ColorConfigClick(TObject* Sender) {
    if (router_) router_->ColorConfigClick(Sender);
}

void TGraphScreen::OnLevelGraphMouseDown(TObject* Sender, TMouseButton, TShiftState Shift, int, int) {
    if (Shift & ssRight) EditGraphScales(dynamic_cast<TComponent*>(Sender));
}
