#include "screens/graphs/GraphScreen.h"

#include "app/EventLog.h"
#include "app/Global.h"
#include "app/MainView.h"
#include "db/SqlExpr.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"

#include <cstdint>

namespace {

// b - a in whole milliseconds.
long long ms(TDateTime a, TDateTime b) { return MilliSecondsBetweenRounded(a, b); }

constexpr long long FillStepMs = 10000;
// Least time between two rounds of window messages, and between two repaints, during a load.
constexpr std::uint64_t MessageIntervalMs = 50;
constexpr std::uint64_t RepaintIntervalMs = 500;

}  // namespace

TGraphScreen::TGraphScreen(TComponent* owner, const TGraphScreenSetup& setup) : TForm(owner), setup_(setup) {}

TGraphScreen::~TGraphScreen() = default;

void TGraphScreen::BuildFrame() {
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
    LabelTop = Make<TLabel>(PanelTop, "LabelTop", 98, 0, Width() - 313, 41);
    LabelTop->SetAutoSize(false);
    LabelTop->SetAlign(alClient);
    LabelTop->SetAlignment(taCenter);
    LabelTop->SetLayout(tlCenter);
    LabelTop->Font()->SetName("Times New Roman");
    LabelTop->Font()->SetHeight(-19);
    LabelTop->Font()->SetStyle(TFontStyles{fsBold});
    LabelTop->Font()->SetColor(clNavy);

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
}

void TGraphScreen::BuildWaitPanel() {
    WaitPanel = Make<TPanel>(this, "WaitPanel", 0, 0, 400, 41);
    WaitPanel->SetCaption("Дождитесь загрузки данных");
    WaitPanel->Font()->SetName("Times New Roman");
    WaitPanel->Font()->SetHeight(-24);
    WaitPanel->Font()->SetStyle(TFontStyles{fsBold});
    WaitPanel->Font()->SetColor(clNavy);
    WaitPanel->SetCursor(crSQLWait);
    WaitPanel->SetVisible(false);
}

TSQLConnection* TGraphScreen::Connection() const { return MainView ? MainView->SQLConnection1 : nullptr; }

AnsiString TGraphScreen::QueryText(TDateTime from, TDateTime to) const {
    return setup_.Select + MakeTimeRangeWhere(from, to, setup_.RecMoment) +
           (setup_.RecMoment ? " order by RecMoment" : " order by PostMoment");
}

void TGraphScreen::PostError(const char* operation) {
    PostEvent("Ошибка в " + setup_.ScreenName + "::" + operation, 0);
}

void TGraphScreen::UpdateAllGraphs() {
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) GraphList[i]->UpdateChanges();
}

// ---- Loading --------------------------------------------------------------------------------------------

void TGraphScreen::Reload() {
    TSQLConnection* conn = Connection();
    if (!conn || !conn->Connected()) return;  // still pending: the next tick tries again
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
    try {
        PeriodDate = DateTimePicker1->Date();
        TDateTime start = 0, stop = 0;
        if (!GetShiftPeriod(PeriodDate, ShiftNumber, start, stop)) {
            LoadBusy = false;
            return;
        }
        PeriodStart = start;
        PeriodStop = stop;
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
        WaitPanel->Show();
        WaitPanel->BringToFront();
        Application->ProcessMessages();
        OpenRows(QueryText(PeriodStart, PeriodStop));
        TDataSet* rows = Rows();
        if (rows->IsEmpty()) {
            WaitPanel->Hide();
            UpdateAllGraphs();
        } else {
            QueryDataLoad();
            WaitPanel->Hide();
            for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
                GraphList[i]->UpdateChanges();
                if (setup_.RaiseYMax && GraphList[i]->YMax() < 5.0) GraphList[i]->SetYMax(5.0);
            }
        }
    } catch (...) {
        PostError("Reload()");
    }
    WaitPanel->Hide();
    LoadBusy = false;
}

void TGraphScreen::CheckForUpdates() {
    if (LoadBusy) return;
    LoadBusy = true;
    TSQLConnection* conn = Connection();
    try {
        if (conn && conn->Connected()) {
            OpenRows(QueryText(LastPointTime, PeriodStop));
            if (!Rows()->IsEmpty()) {
                QueryDataLoad();
                for (int i = 0; i < MaxGraphs && GraphList[i]; ++i) {
                    GraphList[i]->UpdateChanges();
                    if (setup_.RaiseYMax && GraphList[i]->YMax() < 5.0) GraphList[i]->SetYMax(5.0);
                }
            }
        }
    } catch (...) {
        PostError("CheckForUpdates().");
    }
    WaitPanel->Hide();
    try {
        Rows()->Close();
    } catch (...) {
        // A result whose session is gone has nothing left to free; the next load opens anew.
    }
    LoadBusy = false;
}

void TGraphScreen::QueryDataLoad() {
    TDataSet* rows = Rows();
    TField* timeField = rows->FieldByName(setup_.RecMoment ? "RecMoment" : "PostMoment");
    PrepareRows(rows);
    const long long gapMs = static_cast<long long>(setup_.GapSeconds) * 1000;
    // Window messages every 20 rows and a repaint of the charts every 60 rows keep a long load from
    // freezing the window; both are held back while the last one is recent, so a load that takes a
    // moment anyway does not spend its time painting half-filled charts.
    std::uint64_t lastMessages = GetTickCount64();
    std::uint64_t lastRepaint = lastMessages;
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
        ReadRow();
        long long curMs = tMs;
        if (i > 0) {
            curMs = prevMs;
            if (tMs - prevMs > gapMs) curMs = tMs;
        }
        // The row's values stand from the previous fill's end up to (not including) its own time.
        do {
            TDateTime cur = IncMilliSecond(0, curMs);
            LastPointTime = cur;
            AddRowPoints(cur);
            prevMs = curMs;
            curMs += FillStepMs;
        } while (curMs < tMs);
        if (i % 60 == 0) {
            std::uint64_t now = GetTickCount64();
            if (i == 0 || now - lastRepaint >= RepaintIntervalMs) {
                UpdateAllGraphs();
                lastRepaint = now;
            }
        }
        rows->Next();
    }
}

void TGraphScreen::TimerUpdateTimer(TObject*) {
    if (!MainView || TimerBusy) return;
    TimerBusy = true;
    try {
        if (TimerTicks++ == setup_.ForcedReloadTick) ReloadPending = true;
        if (ReloadPending) {
            Reload();
        } else {
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

void TGraphScreen::SButLevelGraphZoomClick(TObject* Sender) {
    if (auto* c = dynamic_cast<TComponent*>(Sender)) InverseZoom(static_cast<int>(c->Tag()));
}

void TGraphScreen::ShareCursor(TObject* Sender) {
    auto* src = dynamic_cast<TLevelGraph*>(Sender);
    if (!src) return;
    for (int i = 0; i < MaxGraphs && GraphList[i]; ++i)
        if (GraphList[i] != src) GraphList[i]->SetCursorTime(src->CursorTime());
}
