#include "screens/tables/ShiftTable.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"

const char* const TShiftTableForm::PeriodSuffix[4] = {"_D1_", "_D2_", "_D_", "_M_"};

AnsiString TShiftTableForm::MinuteRowsStatement(const AnsiString& table, std::initializer_list<RateSum> sums,
                                                const AnsiString& start, const AnsiString& stop) {
    AnsiString sql = "select ";
    bool first = true;
    for (const RateSum& s : sums) {
        sql += AnsiString(first ? "" : ", ") + "sum(" + s.column + ")/60 as " + s.result;
        first = false;
    }
    return sql + " from " + table + " where RecMoment >= '" + start + "' and RecMoment <= '" + stop + "'";
}

TShiftTableForm::TShiftTableForm(TComponent* owner, const AnsiString& name, const AnsiString& titleName,
                                 const AnsiString& titleText)
    : TForm(owner) {
    LastLoadTime = Now();
    SetName(name);
    SetBorderIcons(0);
    SetWindowState(wsMaximized);
    SetClientSize(800, 560);

    PanelTop = MakeControl<TPanel>("PanelTop", this, 0, 0, 800, 40);
    PanelTop->SetAlign(alTop);
    PanelTop->SetBevelOuter(bvNone);
    PanelDown = MakeControl<TPanel>("PanelDown", this, 0, 520, 800, 40);
    PanelDown->SetAlign(alBottom);
    PanelDown->SetBevelOuter(bvNone);
    PanelLeft = MakeControl<TPanel>("PanelLeft", this, 0, 40, 80, 480);
    PanelLeft->SetAlign(alLeft);
    PanelLeft->SetBevelOuter(bvNone);
    PanelCenter = MakeControl<TPanel>("PanelCenter", this, 80, 40, 640, 480);
    PanelCenter->SetBevelOuter(bvNone);
    PanelRight = MakeControl<TPanel>("PanelRight", this, 720, 40, 80, 480);
    PanelRight->SetBevelOuter(bvNone);

    TitleLabel = MakeControl<TLabel>(titleName, PanelTop, 120, 10, 400, 20);
    TitleLabel->Font()->SetSize(12);
    TitleLabel->Font()->SetStyle({fsBold});
    TitleLabel->SetCaption(titleText);

    DateTimePicker1 = MakeControl<TDateTimePicker>("DateTimePicker1", PanelTop, 530, 8, 110, 24);
    DateTimePicker1->SetKind(dtkDate);
    DateTimePicker1->SetDateFormat(dfShort);
    DateTimePicker1->SetDateMode(dmComboBox);

    // Off screen: it is there only to be the default button, so Enter anywhere reloads.
    ButReload = MakeControl<TButton>("ButReload", PanelTop, -100, 8, 75, 25);
    ButReload->SetCaption("Обновить");
    ButReload->SetDefault(true);
    ButReload->OnClick = TNotifyEvent(this, &TShiftTableForm::ButReloadClick);

    WaitPanel = MakeControl<TPanel>("WaitPanel", this, 250, 250, 300, 60);
    WaitPanel->SetCaption("Дождитесь загрузки данных");
    WaitPanel->SetCursor(crSQLWait);
    WaitPanel->Font()->SetSize(12);
    WaitPanel->Font()->SetStyle({fsBold});
    WaitPanel->SetBevelInner(bvLowered);
    WaitPanel->SetVisible(false);

    TimerUpdate = new TTimer(this);
    TimerUpdate->SetName("TimerUpdate");
    TimerUpdate->SetInterval(27000);
    TimerUpdate->OnTimer = TNotifyEvent(this, &TShiftTableForm::TimerUpdateTimer);

    OnCreate = TNotifyEvent(this, &TShiftTableForm::FormCreate);
    DateTimePicker1->SetDate(Now());
    SetFormStyle(fsMDIChild);
}

TShiftTableForm::~TShiftTableForm() = default;

void TShiftTableForm::FormCreate(TObject*) {
    ShownDate = Now();
    GetShiftPeriod(ShownDate, 3, StartTime, StopTime);
    DateTimePicker1->SetDate(Now());
}

void TShiftTableForm::TimerUpdateTimer(TObject*) {
    if (!MainView || !MainView->SQLConnection1 || !MainView->SQLConnection1->Connected() || TimerBusy) return;
    if (PrintBusy()) return;
    TimerBusy = 1;
    try {
        ++TickCount;
        if (TickCount == 2) ReloadRequested = 1;
        const TDateTime now = Now();
        // While the shown period is still running, new rows keep arriving: once a minute is enough.
        if (now > StartTime && now < StopTime && MilliSecondsBetweenRounded(LastLoadTime, now) > 60000)
            ReloadRequested = 1;
        if (ReloadRequested) {
            LastLoadTime = Now();
            ReloadRequested = 0;
            Reload();
        }
    } catch (...) {
        PostEvent("Ошибка в " + ClassName() + "::TimerUpdateTimer", 0);
    }
    TimerBusy = 0;
}

void TShiftTableForm::ButReloadClick(TObject*) { Reload(); }

void TShiftTableForm::ComputePeriod(int period) {
    if (period <= 3) {
        GetShiftPeriod(ShownDate, period, StartTime, StopTime);
        return;
    }
    // The month: from the start of the first day's period to the end of the shown day's.
    int y = 0, m = 0, d = 0;
    DecodeDate(ShownDate, y, m, d);
    TDateTime start = 0, stop = 0;
    GetShiftPeriod(ShownDate, 3, start, StopTime);
    GetShiftPeriod(EncodeDate(y, m, 1), 3, StartTime, stop);
}

AnsiString TShiftTableForm::PeriodStartText() const {
    return FormatDateTime("yyyy-mm-dd hh:00:00", StartTime, TFormatSettings::Invariant());
}

AnsiString TShiftTableForm::PeriodStopText() const {
    return FormatDateTime("yyyy-mm-dd hh:59:59", StopTime, TFormatSettings::Invariant());
}

TPanel* TShiftTableForm::MakeCell(const AnsiString& name, TWinControl* parent, int left, int top, int width,
                                  int height) {
    TPanel* cell = MakeControl<TPanel>(name, parent, left, top, width, height);
    cell->SetBevelOuter(bvNone);
    cell->SetBorderStyle(bsSingle);
    cell->SetColor(clWhite);
    return cell;
}

TLabel* TShiftTableForm::MakeCellText(const AnsiString& name, TPanel* cell, const AnsiString& text, bool bold) {
    TLabel* l = MakeControl<TLabel>(name, cell, 2, 2, cell->Width() - 4, cell->Height() - 4);
    l->SetAutoSize(false);
    l->SetWordWrap(true);
    l->SetAlignment(taCenter);
    l->SetLayout(tlCenter);
    l->SetAlign(alClient);
    if (bold) l->Font()->SetStyle({fsBold});
    l->SetCaption(text);
    return l;
}

void TShiftTableForm::ShowWaitPanel(bool show) {
    if (show) {
        WaitPanel->SetBounds((ClientWidth() - WaitPanel->Width()) / 2, (ClientHeight() - WaitPanel->Height()) / 2,
                             WaitPanel->Width(), WaitPanel->Height());
        WaitPanel->BringToFront();
    }
    WaitPanel->SetVisible(show);
}

void TShiftTableForm::ReloadPeriods(bool testConnection) {
    if (ReloadBusy) return;
    if (testConnection && (!MainView || !MainView->SQLConnection1 || !MainView->SQLConnection1->Connected())) return;
    ReloadBusy = 1;
    ShowWaitPanel(true);
    try {
        // Lets the wait panel paint before the queries hold the screen.
        Application->ProcessMessages();
        ShownDate = DateOf(DateTimePicker1->Date());
        BeforePeriods();
        for (int p = 1; p <= 4; ++p) {
            ComputePeriod(p);
            LoadPeriodAt(p);
        }
        AfterPeriods();
    } catch (...) {
        PostEvent("Ошибка в " + ClassName() + "::Reload()", 0);
    }
    ShowWaitPanel(false);
    ReloadBusy = 0;
}

bool TShiftTableForm::OpenPeriodQuery(TSQLClientDataSet* dataSet, const AnsiString& sql,
                                      const AnsiString& failureText) {
    dataSet->Close();
    dataSet->SetCommandText(sql);
    try {
        dataSet->Open();
    } catch (...) {
        PostEvent(failureText, 0);
        return false;
    }
    return true;
}
