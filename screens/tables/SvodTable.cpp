#include "screens/tables/SvodTable.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "rtl/MathUtils.h"
#include "screens/graphs/FormWebPrint.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

TFormSvodTable* FormSvodTable = nullptr;

namespace {
const char* const RowCaptions[8] = {
    "Общее время работы за первую смену",
    "Время работы под нагрузкой за первую смену",
    "Общее время работы за вторую смену",
    "Время работы под нагрузкой за вторую смену",
    "Общее время работы за сутки",
    "Время работы под нагрузкой за сутки",
    "Общее время работы с начала месяца",
    "Время работы под нагрузкой с начала месяца",
};
// Columns of the table block.
constexpr int CaptionWidth = 305;
constexpr int ValueWidth = 160;
constexpr int HeadRowHeight = 40;
constexpr int LineHeight = 45;
}  // namespace

TFormSvodTable::TFormSvodTable(TComponent* owner)
    : TShiftTableForm(owner, "FormSvodTable", "LabelTop", "Таблица учета работы отсадочных машин ") {
    SetCaption("Таблица сводных параметров процесса флотации");
    LabelTop = TitleLabel;
    PanelTop->OnResize = TNotifyEvent(this, &TFormSvodTable::PanelTopResize);
    PanelRight->SetAlign(alRight);
    PanelCenter->SetAlign(alClient);

    // The table: a two-row header, then one line per period and sum.
    TPanel* cell = MakeCell("PanelHeadParam", PanelCenter, 0, 0, CaptionWidth, 2 * HeadRowHeight);
    MakeCellText("LabelHeadParam", cell, "Параметр", true);
    cell = MakeCell("PanelHeadValue", PanelCenter, CaptionWidth, 0, 2 * ValueWidth, HeadRowHeight);
    MakeCellText("LabelHeadValue", cell, "Значение параметра", true);
    cell = MakeCell("PanelHeadVal1", PanelCenter, CaptionWidth, HeadRowHeight, ValueWidth, HeadRowHeight);
    MakeCellText("LabelHeadVal1", cell, "Для ОМ крупного класса", true);
    cell = MakeCell("PanelHeadVal2", PanelCenter, CaptionWidth + ValueWidth, HeadRowHeight, ValueWidth, HeadRowHeight);
    MakeCellText("LabelHeadVal2", cell, "Для ОМ мелкого класса", true);
    for (int row = 1; row <= 8; ++row) {
        const int top = 2 * HeadRowHeight + (row - 1) * LineHeight;
        const AnsiString line = "Line" + IntToStr(row);
        cell = MakeCell("Panel" + line, PanelCenter, 0, top, CaptionWidth, LineHeight);
        MakeCellText("Caption" + line, cell, RowCaptions[row - 1], false);
        for (int m = 1; m <= 2; ++m) {
            const AnsiString valName = line + "Val" + IntToStr(m);
            cell = MakeCell("Panel" + valName, PanelCenter, CaptionWidth + (m - 1) * ValueWidth, top, ValueWidth,
                            LineHeight);
            TLabel* value = MakeCellText("Label" + valName, cell, ".", true);
            value->SetTag(ValueTag);
        }
    }

    SQLQuery1 = new TSQLQuery(this);
    SQLQuery1->SetName("SQLQuery1");
    SQLQuery1->SetNoMetadata(true);
    if (MainView) SQLQuery1->SetSQLConnection(MainView->SQLConnection1);

    TimerResize = new TTimer(this);
    TimerResize->SetName("TimerResize");
    TimerResize->SetInterval(1000);
    TimerResize->OnTimer = TNotifyEvent(this, &TFormSvodTable::TimerResizeTimer);
}

TFormSvodTable::~TFormSvodTable() {
    if (FormSvodTable == this) FormSvodTable = nullptr;
}

TLabel* TFormSvodTable::ValueLabel(int row, int machine) const {
    return dynamic_cast<TLabel*>(FindComponent("LabelLine" + IntToStr(row) + "Val" + IntToStr(machine)));
}

AnsiString TFormSvodTable::MinutesText(double minutes) {
    const double days = minutes / MinsPerDay;
    AnsiString text = FormatDateTime("hh:nn", days);
    if (days >= 1) text = IntToStr(static_cast<long long>(Trunc(days))) + " суток " + text;
    return text;
}

void TFormSvodTable::Reload() {
    if (ReloadBusy) return;
    ReloadBusy = 1;
    static const char* const Columns[2] = {"RAB", "NRAB"};
    try {
        ShownDate = DateOf(DateTimePicker1->Date());
        for (int p = 1; p <= 4; ++p) {
            ComputePeriod(p);
            const AnsiString where =
                " where PostMoment >= '" + PeriodStartText() + "' and PostMoment <= '" + PeriodStopText() + "'";
            for (int k = 1; k <= 2; ++k) {
                for (int m = 1; m <= 2; ++m) {
                    SQLQuery1->Close();
                    SQLQuery1->SQL()->SetText("select sum(" + AnsiString(Columns[k - 1]) + ") Rez from pu" +
                                              IntToStr(m) + "\n\r" + where);
                    SQLQuery1->Open();
                    // A period without rows sums to NULL, which reads as 0.
                    const double minutes = SQLQuery1->FieldByName("Rez")->AsFloat();
                    SQLQuery1->Close();
                    if (TLabel* cell = ValueLabel(2 * (p - 1) + k, m)) cell->SetCaption(MinutesText(minutes));
                }
            }
        }
    } catch (...) {
        // The cells already refilled keep their new texts, the others their old ones; the log says
        // the table is not all current.
        PostEvent("Ошибка в " + ClassName() + "::Reload()", 0);
    }
    ReloadBusy = 0;
}

void TFormSvodTable::PrintReport() {
    if (!FormWebPrint) return;
    auto names = std::make_unique<TStringList>();
    auto values = std::make_unique<TStringList>();
    // The day of the last reload, not what the picker shows now.
    names->Add("QRLabelDate");
    values->Add(FormatDateTime("dd.mm.yyyy", ShownDate));
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (c->Tag() != ValueTag || c->ClassName() != "TLabel" || c->Name().Length() <= 8) continue;
        // "LabelLine3Val2" is "Line3Val2" in the template.
        names->Add(c->Name().SubString(6, c->Name().Length() - 5));
        values->Add(static_cast<TLabel*>(c)->Caption());
    }
    FormWebPrint->LoadReportTemplate(PrintTemplatePrefix + "PrintWebTable.html", names.get(), values.get());
}

void TFormSvodTable::PanelTopResize(TObject*) {
    const int x = (ClientWidth() - LabelTop->Width() - DateTimePicker1->Width() - 10) / 2;
    LabelTop->SetLeft(x);
    DateTimePicker1->SetLeft(x + LabelTop->Width() + 5);
}

void TFormSvodTable::TimerResizeTimer(TObject*) { CentreTable(); }

void TFormSvodTable::CentreTable() {
    if (std::abs(PanelCenter->Width() - TableWidth) > 10 && ClientWidth() > TableWidth + 5) {
        const int side = (ClientWidth() - TableWidth) / 2;
        PanelLeft->SetWidth(side);
        PanelRight->SetWidth(side);
    }
    if (std::abs(PanelCenter->Height() - TableHeight) > 10 && ClientHeight() > TableHeight + 5) {
        const int h = (ClientHeight() - TableHeight) / 2;
        PanelTop->SetHeight(h < 40 ? 40 : h);
        // A screen too low for the full top panel takes the difference from the bottom one.
        PanelDown->SetHeight(h < 40 ? std::max(0, 2 * h - 40) : h);
    }
}
