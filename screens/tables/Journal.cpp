#include "screens/tables/Journal.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "core/MainView.h"
#include "gui/WinApi.h"
#include "screens/tables/PrintHeading.h"

#include <algorithm>
#include <cmath>

namespace {

bool Connected() { return MainView && MainView->SQLConnection1 && MainView->SQLConnection1->Connected(); }

// Moments compared to the millisecond: the period's ends are sums of doubles, the entries whole
// seconds, and an entry at exactly the stop time belongs to the period.
long long Millis(TDateTime t) { return std::llround(static_cast<double>(t) * 86400000.0); }

}  // namespace

AnsiString JournalLoadFailureText(const AnsiString& className) { return "Ошибка в " + className + "::LoadJournal()"; }

TJournalForm::TJournalForm(TComponent* owner, const AnsiString& name, const AnsiString& caption,
                           const AnsiString& title)
    : TForm(owner) {
    SetName(name);
    SetCaption(caption);
    SetBorderIcons(0);
    SetWindowState(wsMaximized);
    SetClientSize(800, 560);

    PanelTop = new TPanel(this);
    PanelTop->SetName("PanelTop");
    PanelTop->SetBounds(0, 0, 800, 41);
    PanelTop->SetAlign(alTop);
    PanelTop->SetBevelOuter(bvNone);
    PanelTop->SetParent(this);

    LabelTop2 = new TLabel(this);
    LabelTop2->SetName("LabelTop2");
    LabelTop2->SetBounds(8, 12, 420, 20);
    LabelTop2->Font()->SetSize(12);
    LabelTop2->Font()->SetStyle({fsBold});
    LabelTop2->SetCaption(title);
    LabelTop2->SetParent(PanelTop);

    DateTimePicker1 = new TDateTimePicker(this);
    DateTimePicker1->SetName("DateTimePicker1");
    DateTimePicker1->SetBounds(440, 8, 110, 24);
    DateTimePicker1->SetKind(dtkDate);
    DateTimePicker1->SetDateFormat(dfShort);
    DateTimePicker1->SetDateMode(dmComboBox);
    DateTimePicker1->SetParent(PanelTop);

    ComboBox1 = new TComboBox(this);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetBounds(560, 8, 120, 24);
    ComboBox1->SetParent(PanelTop);
    ComboBox1->SetStyle(csDropDown);
    for (const char* item : {"Смена №1", "Смена №2", "Обе смены"}) ComboBox1->Items()->Add(item);
    ComboBox1->SetItemIndex(2);

    DateTimePicker1->OnKeyDown = TKeyEvent(this, &TJournalForm::DateTimePicker1KeyDown);
    ComboBox1->OnKeyDown = TKeyEvent(this, &TJournalForm::DateTimePicker1KeyDown);
    PanelTop->OnResize = TNotifyEvent(this, &TJournalForm::PanelTopResize);

    TimerAutoRefresh = new TTimer(this);
    TimerAutoRefresh->SetName("TimerAutoRefresh");
    TimerAutoRefresh->SetInterval(37000);
    TimerAutoRefresh->OnTimer = TNotifyEvent(this, &TJournalForm::TimerAutoRefreshTimer);

    OnCreate = TNotifyEvent(this, &TJournalForm::FormCreate);
    SetFormStyle(fsMDIChild);
}

TJournalForm::~TJournalForm() = default;

TJournalForm::TJournal& TJournalForm::AddJournal(const AnsiString& table, TWinControl* parent,
                                                 const AnsiString& dataSetName, const AnsiString& sourceName,
                                                 const AnsiString& gridName, const AnsiString& queryName,
                                                 const AnsiString& printName, bool persistentFields) {
    TJournal j;
    j.Table = table;
    j.DataSet = new TSQLClientDataSet(this);
    j.DataSet->SetName(dataSetName);
    j.DataSet->SetCommandType(ctQuery);
    if (MainView) j.DataSet->SetDBConnection(MainView->SQLConnection1);
    if (persistentFields) {
        auto* moment = new TSQLTimeStampField(this);
        moment->SetName(dataSetName + "PostMoment");
        moment->SetFieldName("PostMoment");
        moment->SetRequired(true);
        moment->SetDataSet(j.DataSet);
        auto* message = new TStringField(this);
        message->SetName(dataSetName + "Message");
        message->SetFieldName("Message");
        message->SetSize(255);
        message->SetDataSet(j.DataSet);
    }

    j.Source = new TDataSource(this);
    j.Source->SetName(sourceName);
    j.Source->SetAutoEdit(false);
    j.Source->SetDataSet(j.DataSet);

    j.Grid = new TDBGridGx(this);
    j.Grid->SetName(gridName);
    j.Grid->SetBounds(0, 41, 800, 500);
    j.Grid->SetAlign(alClient);
    j.Grid->SetParent(parent);
    j.Grid->SetReadOnly(true);
    j.Grid->SetFrozenCols(1);
    j.Grid->SetUseMultiTitle(true);
    j.Grid->SetDataSource(j.Source);
    TColumnGx* moment = j.Grid->Columns()->Add();
    moment->SetFieldName("PostMoment");
    moment->Title()->SetCaption("Дата, время");
    moment->SetAlignment(taCenter);
    moment->SetWidth(192);
    TColumnGx* message = j.Grid->Columns()->Add();
    message->SetFieldName("Message");
    message->Title()->SetCaption("Текст сообщения");
    message->SetWidth(500);
    // A message longer than its column ends in an ellipsis rather than being cut mid-word unseen.
    message->SetEndEllipsis(true);

    j.LastTimeQuery = new TSQLQuery(this);
    j.LastTimeQuery->SetName(queryName);
    if (MainView) j.LastTimeQuery->SetSQLConnection(MainView->SQLConnection1);
    j.LastTimeQuery->SQL()->SetText("select max(PostMoment) Rez from " + table);

    if (!printName.IsEmpty()) {
        j.Print = new TPrintDBGridGx(this);
        j.Print->SetName(printName);
        j.Print->SetDBGridGx(j.Grid);
        j.Print->SetOptions({pghFitGridToPageWidth});
        j.Print->SetUnits(MM);
    }
    journals_.push_back(j);
    return journals_.back();
}

void TJournalForm::SetJournalHeading(TPrintDBGridGx* print, const char* line1, const char* line2, const char* line3) {
    if (line3)
        SetPrintHeading(print->BeforeGridText(), {{"", 8}, {line1, 16}, {line2, 16}, {line3, 16}, {"", 8}});
    else
        SetPrintHeading(print->BeforeGridText(), {{"", 8}, {line1, 16}, {line2, 16}, {"", 8}});
}

void TJournalForm::FormCreate(TObject*) { DateTimePicker1->SetDate(Now()); }

void TJournalForm::DateTimePicker1KeyDown(TObject*, WORD& Key, TShiftState) {
    if (Key == VK_RETURN && !LoadBusy) LoadJournal();
}

bool TJournalForm::Printing() const {
    for (const TJournal& j : journals_)
        if (j.Print && j.Print->Printing()) return true;
    return false;
}

void TJournalForm::LoadJournal() {
    if (!Connected() || LoadBusy) return;
    LoadBusy = 1;
    try {
        ShownDate = DateOf(DateTimePicker1->Date());
        ShiftNumber = ComboBox1->ItemIndex() + 1;
        GetShiftPeriod(ShownDate, ShiftNumber, StartTime, StopTime);
        // The grids let go of the data while it is replaced.
        for (TJournal& j : journals_) j.Source->SetEnabled(false);
        for (TJournal& j : journals_) {
            j.DataSet->Close();
            j.DataSet->SetCommandText("select * from " + j.Table + "\r\n" +
                                      MakeTimeRangeWhere(StartTime, StopTime, false) + " order by PostMoment");
            j.DataSet->Open();
        }
    } catch (...) {
        PostEvent(JournalLoadFailureText(ClassName()), 0);
    }
    // In every case: a disabled source would leave the grid blank until some later load succeeded.
    for (TJournal& j : journals_) j.Source->SetEnabled(true);
    LoadBusy = 0;
}

void TJournalForm::TimerAutoRefreshTimer(TObject*) {
    if (LoadBusy || TickBoxOpen || !Connected() || ShiftNumber < 1 || Printing()) return;
    try {
        std::vector<TDateTime> newest;
        for (TJournal& j : journals_) {
            if (j.LastTimeQuery->Active()) j.LastTimeQuery->Refresh();
            else j.LastTimeQuery->Open();
            TField* rez = j.LastTimeQuery->FieldByName("Rez");
            newest.push_back(rez->IsNull() ? TDateTime(0) : rez->AsDateTime());
        }
        for (std::size_t i = 0; i < journals_.size(); ++i) {
            TJournal& j = journals_[i];
            const long long t = Millis(newest[i]);
            if (t >= Millis(StartTime) && t <= Millis(StopTime) && t > Millis(j.LastMaxTime)) {
                j.LastMaxTime = newest[i];
                // One table per tick: a newer entry of the next table is taken at a later tick.
                LoadJournal();
                break;
            }
        }
    } catch (...) {
        // The message loop's box, one at a time: ticks that come while it is open return at once.
        TickBoxOpen = 1;
        Application->HandleException(this);
        TickBoxOpen = 0;
    }
}

void TJournalForm::PanelTopResize(TObject*) {
    const int x =
        (PanelTop->Width() - LabelTop2->Width() - DateTimePicker1->Width() - ComboBox1->Width() - 30) / 2;
    LabelTop2->SetLeft(x);
    DateTimePicker1->SetLeft(x + LabelTop2->Width() + 5);
    ComboBox1->SetLeft(DateTimePicker1->Left() + DateTimePicker1->Width() + 5);
}

void TJournalForm::FitMessageColumn(TDBGridGx* grid, int width) {
    if (grid->Columns()->Count() < 2) return;
    // A panel not laid out yet (narrower than the time column) must not hide the messages: a
    // width of -1 would.
    const int w = width - grid->Columns()->Items(0)->Width() - 45;
    if (w > 0) grid->Columns()->Items(1)->SetWidth(w);
}
