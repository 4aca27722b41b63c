#include "screens/tables/TableMain.h"

#include "core/MainView.h"
#include "db/SqlConnection.h"
#include "gridlib/print/PrViewGx.h"
#include "screens/tables/PrintHeading.h"
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"

#include <algorithm>

TFormTableMain* FormTableMain = nullptr;

const char* const TFormTableMain::PeriodNames[4] = {"Смена 1", "Смена 2", "За сутки", "С начала месяца"};

namespace {

struct ValueColumn {
    const char* field;
    const char* title;
    int width;
};
const ValueColumn ValueColumns[] = {
    {"OtsWorkTime", "Отсадка|Время работы, час|Общее", 120},
    {"OtsNagrTime", "Отсадка|Время работы, час|Под нагрузкой", 120},
    {"FlotMKub", "Флотация|Переработка|м3", 110},
    {"FlotTonn", "Флотация|Переработка|тонн", 110},
    {"FlotRS", "Флотация|Расход реагентов, л|Собиратель", 110},
    {"FlotRP", "Флотация|Расход реагентов, л|Вспениватель", 110},
    {"G386", "Весы концентрата|На склад, тонн|п. 386-2", 110},
    {"G401", "Весы концентрата|Со склада, тонн|п. 401", 110},
};
constexpr int ParamWidth = 217;
constexpr int RowHeight = 90;

double FloatOrZero(TField* f) { return f->IsNull() ? 0.0 : f->AsFloat(); }

}  // namespace

TFormTableMain::TFormTableMain(TComponent* owner)
    : TShiftTableForm(owner, "FormTableMain", "LabelCaption", "Обобщенная таблица") {
    SetCaption("Таблица сводных параметров процесса флотации");
    TimerUpdate->SetInterval(31000);

    PanelTop->SetHeight(80);
    LabelCaption = TitleLabel;
    LabelCaption->SetAutoSize(false);
    LabelCaption->SetAlignment(taCenter);
    LabelCaption->SetBounds(0, 4, 800, 22);
    LabelCaption->SetAlign(alTop);
    Label1 = MakeControl<TLabel>("Label1", PanelTop, 0, 26, 800, 22);
    // Sized to the panel's font while it still sized itself: its line needs the height back.
    Label1->SetAutoSize(false);
    Label1->SetHeight(22);
    Label1->SetAlignment(taCenter);
    Label1->Font()->SetSize(12);
    Label1->Font()->SetStyle({fsBold});
    Label1->SetCaption("показателей  работы  отсадки, флотации и весов концентрата");
    Label1->SetAlign(alTop);
    DateTimePicker1->SetTop(50);

    // The centre keeps the grid's width; the right panel takes what is left.
    PanelCenter->SetAlign(alLeft);
    PanelRight->SetAlign(alClient);

    ClientDataSetMainTable = new TClientDataSet(this);
    ClientDataSetMainTable->SetName("ClientDataSetMainTable");
    DataSourceMainTable = new TDataSource(this);
    DataSourceMainTable->SetName("DataSourceMainTable");
    DataSourceMainTable->SetDataSet(ClientDataSetMainTable);

    // A fixed height: the panels above and below centre it (FormResize).
    DBGridGxMainTable = MakeControl<TDBGridGx>("DBGridGxMainTable", PanelCenter, 0, 0, 1130, 440);
    DBGridGxMainTable->SetUseMultiTitle(true);
    DBGridGxMainTable->SetFrozenCols(1);
    DBGridGxMainTable->SetRowHeight(RowHeight);
    // Read-only like the other tables: an editing grid would append a fifth row on Down.
    DBGridGxMainTable->SetReadOnly(true);
    DBGridGxMainTable->SetDataSource(DataSourceMainTable);
    TColumnGx* param = DBGridGxMainTable->Columns()->Add();
    param->SetFieldName("ParamName");
    param->Title()->SetCaption("Параметр");
    param->SetAlignment(taCenter);
    param->SetColor(clSilver);
    param->Font()->SetName("Times New Roman");
    param->Font()->SetHeight(-19);
    param->Font()->SetStyle({fsBold});
    param->SetLayout(tlCenter);
    param->SetWidth(ParamWidth);
    int width = ParamWidth;
    for (const ValueColumn& v : ValueColumns) {
        TColumnGx* c = DBGridGxMainTable->Columns()->Add();
        c->SetFieldName(v.field);
        c->Title()->SetCaption(v.title);
        c->Font()->SetName("Times New Roman");
        c->Font()->SetHeight(-16);
        c->Font()->SetStyle({fsBold});
        c->SetLayout(tlCenter);
        c->SetWidth(v.width);
        width += v.width;
    }
    DBGridGxMainTable->SetWidth(width + 20);
    PanelCenter->SetWidth(width + 20);

    SQLClientDataSet1 = new TSQLClientDataSet(this);
    SQLClientDataSet1->SetName("SQLClientDataSet1");
    SQLClientDataSet1->SetCommandType(ctQuery);
    if (MainView) SQLClientDataSet1->SetDBConnection(MainView->SQLConnection1);

    PrintDBGridGx = new TPrintDBGridGx(this);
    PrintDBGridGx->SetName("PrintDBGridGx");
    PrintDBGridGx->SetDBGridGx(DBGridGxMainTable);
    PrintDBGridGx->SetOptions({pghFitGridToPageWidth});
    PrintDBGridGx->SetUnits(MM);
    PrintDBGridGx->Page()->LeftMargin = Currency(1);
    PrintDBGridGx->Page()->RightMargin = Currency(1);
    SetPrintHeading(PrintDBGridGx->BeforeGridText(),
                    {{"", 16},
                     {"Обобщенная таблица", 16},
                     {"показателей работы отсадки, флотации и весов концентрата", 16},
                     {"за [Date]", 16},
                     {"", 8}});

    OnCreate = TNotifyEvent(this, &TFormTableMain::FormCreate);
    OnResize = TNotifyEvent(this, &TFormTableMain::FormResize);
    PanelTop->OnResize = TNotifyEvent(this, &TFormTableMain::PanelTopResize);
}

TFormTableMain::~TFormTableMain() {
    if (FormTableMain == this) FormTableMain = nullptr;
}

void TFormTableMain::FormCreate(TObject* Sender) {
    TFieldDefs* defs = ClientDataSetMainTable->FieldDefs();
    defs->Clear();
    defs->Add("ParamName", ftString, 50);
    for (const ValueColumn& v : ValueColumns) defs->Add(v.field, ftFloat);
    ClientDataSetMainTable->CreateDataSet();
    for (const ValueColumn& v : ValueColumns)
        if (auto* f = dynamic_cast<TNumericField*>(ClientDataSetMainTable->FieldByName(v.field)))
            f->SetDisplayFormat(ValueFormat);
    for (const char* name : PeriodNames) {
        ClientDataSetMainTable->Append();
        ClientDataSetMainTable->FieldByName("ParamName")->SetAsString(name);
        ClientDataSetMainTable->Post();
    }
    ClientDataSetMainTable->MergeChangeLog();
    ClientDataSetMainTable->First();
    TShiftTableForm::FormCreate(Sender);
}

void TFormTableMain::Reload() { ReloadPeriods(true); }

void TFormTableMain::BeforePeriods() { ClientDataSetMainTable->First(); }

// The grid then shows the day from its first row, not from wherever the last period left it.
void TFormTableMain::AfterPeriods() { ClientDataSetMainTable->First(); }

void TFormTableMain::LoadPeriodAt(int period) {
    // The rows follow the periods: the first row shift 1, the next shift 2, …
    if (period > 1) ClientDataSetMainTable->Next();
    LoadPeriod();
}

bool TFormTableMain::openPeriodQuery(const AnsiString& sql) {
    return OpenPeriodQuery(SQLClientDataSet1, sql, LoadFailureText);
}

AnsiString TFormTableMain::JigStatement(const AnsiString& start, const AnsiString& stop) {
    const AnsiString where = " where PostMoment >= '" + start + "' and PostMoment <= '" + stop + "'";
    // The rows count minutes; the table shows hours.
    return "select 1 as Ix, round(sum(RAB)/60,2) as RAB, round(sum(NRAB)/60,2) as NRAB from pu1" + where +
           " union all select 2 as Ix, round(sum(RAB)/60,2) as RAB, round(sum(NRAB)/60,2) as NRAB from pu2" + where;
}

void TFormTableMain::LoadPeriod() {
    TClientDataSet* row = ClientDataSetMainTable;
    const AnsiString start = PeriodStartText(), stop = PeriodStopText();

    if (!openPeriodQuery(TFormTableBelt::PeriodStatement(start, stop))) return;
    row->Edit();
    for (SQLClientDataSet1->First(); !SQLClientDataSet1->Eof(); SQLClientDataSet1->Next()) {
        const int ix = SQLClientDataSet1->FieldByName("Ix")->AsInteger();
        row->FieldByName(ix != 0 ? "G401" : "G386")->SetAsFloat(FloatOrZero(SQLClientDataSet1->FieldByName("G_T")));
    }
    row->Post();
    SQLClientDataSet1->Close();

    // Each machine's sums come as a row of their own and are added here, so equal sums both count.
    if (!openPeriodQuery(JigStatement(start, stop))) return;
    double work = 0, load = 0;
    for (SQLClientDataSet1->First(); !SQLClientDataSet1->Eof(); SQLClientDataSet1->Next()) {
        work += FloatOrZero(SQLClientDataSet1->FieldByName("RAB"));
        load += FloatOrZero(SQLClientDataSet1->FieldByName("NRAB"));
    }
    row->Edit();
    row->FieldByName("OtsWorkTime")->SetAsFloat(work);
    row->FieldByName("OtsNagrTime")->SetAsFloat(load);
    row->Post();
    SQLClientDataSet1->Close();

    if (!openPeriodQuery(TFormTableFlot::PeriodStatement(start, stop))) return;
    row->Edit();
    row->FieldByName("FlotMKub")->SetAsFloat(FloatOrZero(SQLClientDataSet1->FieldByName("VF")));
    row->FieldByName("FlotTonn")->SetAsFloat(FloatOrZero(SQLClientDataSet1->FieldByName("GF")));
    row->FieldByName("FlotRS")->SetAsFloat(FloatOrZero(SQLClientDataSet1->FieldByName("VRRS")));
    row->FieldByName("FlotRP")->SetAsFloat(FloatOrZero(SQLClientDataSet1->FieldByName("VRRP")));
    row->Post();
    SQLClientDataSet1->Close();
}

void TFormTableMain::PrintReport() {
    PrintDBGridGx->SetSubstitutes({"[Date]", FormatDateTime("dd.mm.yyyy", ShownDate), "[StopTime]",
                                   FormatDateTime("dd.mm.yyyy hh:nn", StopTime)});
    PrinterPreview()->SetOrientation(poLandscape);
    PrintDBGridGx->Preview();
}

void TFormTableMain::FitGridToRows() {
    // The titles' height follows their fonts and levels; below them the four rows whole.
    TDBGridGx* g = DBGridGxMainTable;
    const int lines = g->GridLineWidth();
    const int rows = g->RowHeights(0) + lines + 4 * (g->DefaultRowHeight() + lines);
    g->SetHeight(g->Height() - g->ClientHeight() + rows);
}

void TFormTableMain::FormResize(TObject*) {
    FitGridToRows();
    PanelLeft->SetWidth(std::max(0, (Width() - PanelCenter->Width()) / 2));
    const int h = std::max(0, (ClientHeight() - (DBGridGxMainTable->Height() + 10)) / 2);
    PanelTop->SetHeight(h);
    PanelDown->SetHeight(h);
}

void TFormTableMain::PanelTopResize(TObject*) {
    DateTimePicker1->SetLeft((PanelTop->Width() - DateTimePicker1->Width()) / 2);
}
