#include "screens/tables/BaseView.h"

#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlConnection.h"
#include "rtl/DateUtils.h"

#include <cmath>

TFormBaseView* FormBaseView = nullptr;

const char* const TFormBaseView::TableNames[TableCount] = {"pu1", "pu2", "puf_data", "belt_386_2", "belt_401", "pug"};

namespace {

struct ColumnDef {
    const char* field;
    const char* format;  // display format; "" none
    bool checkbox;       // a 0/1 flag shown as a check box
};

struct TableDef {
    const char* caption;
    const char* dataSet;
    const char* timeTitle;
    bool recMoment;
    std::vector<ColumnDef> columns;
};

std::vector<ColumnDef> JigColumns(bool kkpWhole) {
    std::vector<ColumnDef> c;
    for (const char* f : {"TPST_1", "TPST_2", "TPST_3", "ZPST_1", "ZPST_2", "ZPST_3", "TIN", "TOUT", "TPAUSA", "KKP",
                          "TS_1", "TS_2", "TS_3", "RAB", "NRAB"})
        c.push_back({f, kkpWhole && AnsiString(f) == "KKP" ? "### ##0" : "### ##0.0", false});
    return c;
}

const std::vector<TableDef>& Tables() {
    static const std::vector<TableDef> tables = {
        {"Отсадочная машина крупного класса", "SQLClientDataSetPU1", "Дата, время", false, JigColumns(true)},
        {"Отсадочная машина мелкого класса", "SQLClientDataSetPU2", "Дата, время", false, JigColumns(false)},
        {"Данные ПУФ", "SQLClientDataSetPufData", "Дата время", true,
         {{"PLF", "", false}, {"RVF", "", false}, {"RGF", "", false}, {"TRRS", "", false}, {"TRRP", "", false},
          {"SOF", "", false}, {"URS", "", false}, {"URP", "", false}, {"ZRRS", "", false}, {"ZRRP", "", false},
          {"F1AS", "", true}, {"F1RS", "", true}, {"F1AP", "", true}, {"F1RP", "", true}, {"DSF1", "", true},
          {"DPF1", "", true}, {"ALARMP", "", true}, {"ALARMS", "", true}}},
        {"Весы п.386-2", "SQLClientDataSet386", "Дата время", true,
         {{"BKK", "", false}, {"TNK", "", false}, {"G_1T1", "", false}, {"I_1T1", "", false}}},
        {"Весы п.401", "SQLClientDataSet401", "Дата время", true,
         {{"BKK", "", false}, {"TNK", "", false}, {"G_1T1", "", false}, {"I_1T1", "", false}}},
        {"Гидросайзер", "SQLClientDataSetPug", "Дата, время", true,
         {{"PL1_GS", "### ### ##0.000", false}, {"RV1_GS", "### ### ##0.000", false},
          {"RG1_GS", "### ### ##0.000", false}, {"PL2_GS", "### ### ##0.000", false},
          {"RV2_GS", "### ### ##0.000", false}, {"RG2_GS", "### ### ##0.000", false}}},
    };
    return tables;
}

template <class T>
T* Make(TComponent* owner, const AnsiString& name, TWinControl* parent, int left, int top, int width, int height) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetBounds(left, top, width, height);
    c->SetParent(parent);
    return c;
}

TLabel* MakeLabel(TComponent* owner, const char* name, TWinControl* parent, int left, const char* caption) {
    TLabel* l = Make<TLabel>(owner, name, parent, left, 12, 0, 16);
    l->SetAutoSize(true);
    l->SetCaption(caption);
    return l;
}

}  // namespace

TFormBaseView::TFormBaseView(TComponent* owner) : TForm(owner) {
    SetName("FormBaseView");
    SetCaption("Просмотр базы данных");
    SetBorderIcons(0);
    SetWindowState(wsMaximized);
    SetClientSize(800, 560);

    PanelTop = Make<TPanel>(this, "PanelTop", this, 0, 0, 800, 41);
    PanelTop->SetAlign(alTop);
    PanelTop->SetBevelOuter(bvNone);
    MakeLabel(this, "Label1", PanelTop, 8, "Интервал просмотра:");
    MakeLabel(this, "Label2", PanelTop, 150, "от:");
    DateTimePicker1 = Make<TDateTimePicker>(this, "DateTimePicker1", PanelTop, 175, 8, 100, 24);
    DateTimePicker1->SetKind(dtkDate);
    DateTimePicker2 = Make<TDateTimePicker>(this, "DateTimePicker2", PanelTop, 280, 8, 80, 24);
    DateTimePicker2->SetKind(dtkTime);
    DateTimePicker2->SetTime(EncodeTime(0, 0, 0, 0));
    MakeLabel(this, "Label3", PanelTop, 370, "до:");
    DateTimePicker3 = Make<TDateTimePicker>(this, "DateTimePicker3", PanelTop, 395, 8, 100, 24);
    DateTimePicker3->SetKind(dtkDate);
    DateTimePicker4 = Make<TDateTimePicker>(this, "DateTimePicker4", PanelTop, 500, 8, 80, 24);
    DateTimePicker4->SetKind(dtkTime);
    DateTimePicker4->SetTime(EncodeTime(23, 59, 59, 0));
    ButLoad = Make<TButton>(this, "ButLoad", PanelTop, 595, 7, 90, 26);
    ButLoad->SetCaption("Загрузить");
    ButLoad->SetDefault(true);
    ButLoad->OnClick = TNotifyEvent(this, &TFormBaseView::ButLoadClick);

    PageControl1 = Make<TPageControl>(this, "PageControl1", this, 0, 41, 800, 519);
    PageControl1->SetAlign(alClient);
    const std::vector<TableDef>& tables = Tables();
    for (int i = 0; i < TableCount; ++i) {
        const TableDef& d = tables[i];
        auto* sheet = new TTabSheet(this);
        sheet->SetName("TabSheet" + IntToStr(i + 1));
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(d.caption);
        TabSheets[i] = sheet;

        DataSets[i] = new TSQLClientDataSet(this);
        DataSets[i]->SetName(d.dataSet);
        DataSets[i]->SetCommandType(ctQuery);
        if (MainView) DataSets[i]->SetDBConnection(MainView->SQLConnection1);
        Sources[i] = new TDataSource(this);
        Sources[i]->SetName("DataSource" + IntToStr(i + 1));
        Sources[i]->SetAutoEdit(false);
        Sources[i]->SetDataSet(DataSets[i]);

        TDBGridGx* g = Make<TDBGridGx>(this, "DBGridGx" + IntToStr(i + 1), sheet, 0, 0, 790, 490);
        g->SetAlign(alClient);
        g->SetReadOnly(true);
        g->SetFrozenCols(1);
        g->SetUseMultiTitle(true);
        g->SetDataSource(Sources[i]);
        TColumnGx* time = g->Columns()->Add();
        time->SetFieldName(d.recMoment ? "RecMoment" : "PostMoment");
        time->Title()->SetCaption(d.timeTitle);
        time->SetWidth(140);
        for (const ColumnDef& cd : d.columns) {
            TColumnGx* c = g->Columns()->Add();
            c->SetFieldName(cd.field);
            // Without a title the column shows its field's name.
            c->Title()->SetCaption(cd.field);
            if (*cd.format) c->SetDisplayFormat(cd.format);
            if (cd.checkbox) {
                c->SetCheckboxes(true);
                c->KeyList()->Add("1");
                c->KeyList()->Add("0");
            }
        }
        Grids[i] = g;
    }
    PageControl1->SetActivePage(TabSheets[0]);

    OnCreate = TNotifyEvent(this, &TFormBaseView::FormCreate);
    SetFormStyle(fsMDIChild);
}

TFormBaseView::~TFormBaseView() {
    if (FormBaseView == this) FormBaseView = nullptr;
}

void TFormBaseView::FormCreate(TObject*) {
    DateTimePicker1->SetDate(Date());
    DateTimePicker3->SetDate(Date());
}

void TFormBaseView::ButLoadClick(TObject*) {
    const double fromTime = static_cast<double>(DateTimePicker2->Time());
    const double toTime = static_cast<double>(DateTimePicker4->Time());
    const TDateTime from = DateOf(DateTimePicker1->Date()) + (fromTime - std::floor(fromTime));
    const TDateTime to = DateOf(DateTimePicker3->Date()) + (toTime - std::floor(toTime));
    const std::vector<TableDef>& tables = Tables();
    for (int i = 0; i < TableCount; ++i) {
        const bool rec = tables[i].recMoment;
        DataSets[i]->Close();
        DataSets[i]->SetCommandText(AnsiString("select * from ") + TableNames[i] + MakeTimeRangeWhere(from, to, rec) +
                                    (rec ? " ORDER BY RecMoment" : " ORDER BY PostMoment"));
        DataSets[i]->Open();
    }
}
