#include "screens/tables/Table_GS_work.h"

#include "core/MainView.h"
#include "db/SqlConnection.h"
#include "gridlib/print/PrViewGx.h"
#include "screens/tables/PrintHeading.h"

#include <algorithm>

TFormTable_GS_work* FormTable_GS_work = nullptr;

TFormTable_GS_work::TFormTable_GS_work(TComponent* owner)
    : TShiftTableForm(owner, "FormTable_GS_work", "LabelCaption", "Таблица показателей работы гидросайзера") {
    SetCaption("Таблица показателей работы гидросайзера");
    LabelCaption = TitleLabel;
    // The centre keeps the grid's width; the right panel takes what is left.
    PanelCenter->SetAlign(alLeft);
    PanelRight->SetAlign(alClient);

    ClientDataSet1 = new TClientDataSet(this);
    ClientDataSet1->SetName("ClientDataSet1");
    ClientDataSet1->SetFileName(RowsFileName);
    ClientDataSet1->SetIndexFieldNames("NPP");
    ClientDataSet1->BeforeClose = TDataSetNotifyEvent(this, &TFormTable_GS_work::ClientDataSet1BeforeClose);
    DataSource1 = new TDataSource(this);
    DataSource1->SetName("DataSource1");
    DataSource1->SetDataSet(ClientDataSet1);

    DBGridGx1 = MakeControl<TDBGridGx>("DBGridGx1", PanelCenter, 0, 0, 670, 480);
    DBGridGx1->SetAlign(alClient);
    DBGridGx1->SetReadOnly(true);
    DBGridGx1->Font()->SetName("Times New Roman");
    DBGridGx1->Font()->SetHeight(-21);
    DBGridGx1->Font()->SetStyle({fsBold});
    DBGridGx1->TitleFont()->SetName("Times New Roman");
    DBGridGx1->TitleFont()->SetHeight(-27);
    DBGridGx1->TitleFont()->SetStyle({fsBold});
    DBGridGx1->SetRowLines(4);
    DBGridGx1->SetFrozenCols(1);
    DBGridGx1->SetScrollBars(ssHorizontal);
    // The grid's own bar would show the current record among the four; the table has no such bar.
    DBGridGx1->VertScrollBar()->SetVisible(false);
    DBGridGx1->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                          dgCancelOnExit);
    DBGridGx1->SetOptionsGx(dghFixed3D | dghFrozen3D | dghClearSelection | dghDialogFind);
    DBGridGx1->SetUseMultiTitle(true);
    DBGridGx1->SetDataSource(DataSource1);
    TColumnGx* interval = DBGridGx1->Columns()->Add();
    interval->SetFieldName("Interval");
    interval->Title()->SetCaption("Период");
    interval->SetWidth(250);
    interval->SetAlignment(taCenter);
    interval->SetColor(clScrollBar);
    interval->SetHideDuplicates(true);
    for (const char* name : {"Out_RV", "Out_GS"}) {
        TColumnGx* c = DBGridGx1->Columns()->Add();
        c->SetFieldName(name);
        c->Title()->SetCaption(AnsiString("Выход концентрата|") + (name[4] == 'R' ? "куб.м" : "тонн"));
        c->SetWidth(200);
    }
    PanelCenter->SetWidth(670);

    SQLClientDataSet1 = new TSQLClientDataSet(this);
    SQLClientDataSet1->SetName("SQLClientDataSet1");
    SQLClientDataSet1->SetCommandType(ctQuery);
    if (MainView) SQLClientDataSet1->SetDBConnection(MainView->SQLConnection1);

    PrintDBGridGx = new TPrintDBGridGx(this);
    PrintDBGridGx->SetName("PrintDBGridGx");
    PrintDBGridGx->SetDBGridGx(DBGridGx1);
    PrintDBGridGx->SetOptions({pghFitGridToPageWidth});
    PrintDBGridGx->SetUnits(MM);
    SetPrintHeading(PrintDBGridGx->BeforeGridText(),
                    {{"", 14}, {"", 18}, {"[CAPTION]", 18}, {"", 14}, {"", 8}});

    OnResize = TNotifyEvent(this, &TFormTable_GS_work::FormResize);
}

TFormTable_GS_work::~TFormTable_GS_work() {
    if (FormTable_GS_work == this) FormTable_GS_work = nullptr;
    try {
        ClientDataSet1->Close();
    } catch (...) {
        // At exit a file that cannot be written keeps its former rows.
    }
}

void TFormTable_GS_work::Reload() { ReloadPeriods(false); }

void TFormTable_GS_work::BeforePeriods() {
    if (!ClientDataSet1->Active()) {
        // The first time: the rows come from the file.
        ClientDataSet1->Open();
        for (const char* name : {"In_RV", "In_GS", "Out_RV", "Out_GS"})
            if (auto* f = dynamic_cast<TNumericField*>(ClientDataSet1->FindField(name))) f->SetDisplayFormat(ValueFormat);
    }
    ClientDataSet1->First();
}

void TFormTable_GS_work::LoadPeriodAt(int period) {
    (void)period;
    LoadPeriod("pug");
    // A row left in edit mode by a failing query is posted here, as moving on would.
    if (ClientDataSet1->State() == dsEdit) ClientDataSet1->Post();
    ClientDataSet1->Next();
}

void TFormTable_GS_work::AfterPeriods() {
    if (ClientDataSet1->State() == dsEdit) ClientDataSet1->Post();
    ClientDataSet1->MergeChangeLog();
}

void TFormTable_GS_work::LoadPeriod(const AnsiString& table) {
    ClientDataSet1->Edit();
    // The rows hold m³/h and t/h once a minute; the table shows m³ and tonnes.
    const AnsiString sql = MinuteRowsStatement(
        table, {{"RV1_GS", "In_RV"}, {"RG1_GS", "In_GS"}, {"RV2_GS", "Out_RV"}, {"RG2_GS", "Out_GS"}},
        PeriodStartText(), PeriodStopText());
    if (!OpenPeriodQuery(SQLClientDataSet1, sql, LoadFailureText)) return;
    TFields* fields = SQLClientDataSet1->Fields();
    for (int i = 0; i < fields->Count(); ++i) {
        TField* f = fields->Fields(i);
        TField* target = ClientDataSet1->FindField(f->FieldName());
        if (!target) continue;
        if (f->IsNull()) target->Clear();
        else target->SetAsFloat(f->AsFloat());
    }
    ClientDataSet1->Post();
}

void TFormTable_GS_work::PrintReport() {
    // The picker's present day, not the day of the last reload.
    PrintDBGridGx->SetSubstitutes(
        {"[CAPTION]", LabelCaption->Caption() + " " + FormatDateTime("dd.mm.yyyy", DateTimePicker1->Date())});
    PrinterPreview()->SetOrientation(poPortrait);
    PrintDBGridGx->Preview();
}

void TFormTable_GS_work::ClientDataSet1BeforeClose(TDataSet*) { ClientDataSet1->MergeChangeLog(); }

void TFormTable_GS_work::FormResize(TObject*) {
    PanelLeft->SetWidth(std::max(0, (Width() - PanelCenter->Width()) / 2));
}
