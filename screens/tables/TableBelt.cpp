#include "screens/tables/TableBelt.h"

#include "links/BeltScale.h"

TFormTableBelt* FormTableBelt = nullptr;

namespace {
constexpr int CaptionWidth = 260;
constexpr int ValueWidth = 170;
constexpr int RowHeight = 50;
const char* const RowCaptions[5] = {"Текущая производительность, тонн/час", "Смена 1", "Смена 2", "За сутки",
                                    "С начала\r\nмесяца"};
}  // namespace

TFormTableBelt::TFormTableBelt(TComponent* owner)
    : TTotalsTableForm(owner, "FormTableBelt", "Таблица показателей работы конвейеров за", "PrintTableBelt.html", 6) {
    PanelCenter->SetWidth(CaptionWidth + 2 * ValueWidth);
    for (int r = 0; r < 6; ++r) {
        Panel_row[r] = MakeControl<TPanel>("Panel_row" + IntToStr(r), PanelCenter, 0, r * RowHeight,
                                           CaptionWidth + 2 * ValueWidth, RowHeight);
        Panel_row[r]->SetAlign(alTop);
        Panel_row[r]->SetBevelOuter(bvNone);
    }

    // Header: the parameter column and one column per belt scale.
    OutField_00 = MakeControl<TOutField>("OutField_00", Panel_row[0], 0, 0, CaptionWidth, RowHeight);
    OutField_00->SetAlign(alLeft);
    OutField_00->Font()->SetSize(12);
    OutField_00->Font()->SetStyle({fsBold});
    OutField_00->SetCaption("Параметры:");
    const char* const headings[2] = {"Концентрат на склад, тонн\r\nПоз 386-2", "Концентрат со склада, тонн\r\nПоз. 401"};
    for (int i = 0; i < 2; ++i) {
        TPanel* cell = MakeCell("PanelHead" + IntToStr(i), Panel_row[0], CaptionWidth + i * ValueWidth, 0, ValueWidth,
                                RowHeight);
        cell->SetAlign(alLeft);
        MakeCellText("LabelHead" + IntToStr(i), cell, headings[i], true);
    }

    for (int r = 1; r <= 5; ++r) {
        TPanel* cell = MakeCell("PanelCaption" + IntToStr(r), Panel_row[r], 0, 0, CaptionWidth, RowHeight);
        cell->SetAlign(alLeft);
        MakeCellText("LabelCaption" + IntToStr(r), cell, RowCaptions[r - 1], true);
        const AnsiString stem = r == 1 ? AnsiString("OutField_TNK") : "OutField" + RowSuffix(r - 1);
        for (int i = 0; i < 2; ++i) {
            TOutField* f = MakeValueField(stem + IntToStr(i), Panel_row[r], CaptionWidth + i * ValueWidth, 0,
                                          ValueWidth, RowHeight);
            f->SetAlign(alLeft);
            if (r == 1) (i == 0 ? OutField_TNK0 : OutField_TNK1) = f;
        }
    }
}

TFormTableBelt::~TFormTableBelt() {
    if (FormTableBelt == this) FormTableBelt = nullptr;
}

AnsiString TFormTableBelt::RowSuffix(int period) const { return AnsiString(PeriodSuffix[period - 1]) + "G"; }

void TFormTableBelt::BeforePeriods() {
    // Values in memory, no query: the row changes only at a reload.
    OutField_TNK0->SetOutValue(ReadBeltScale(0).TNK);
    OutField_TNK1->SetOutValue(ReadBeltScale(1).TNK);
}

AnsiString TFormTableBelt::PeriodStatement(const AnsiString& start, const AnsiString& stop) {
    const AnsiString where = " where RecMoment >= '" + start + "' and RecMoment <= '" + stop + "'";
    return "select 0 as Ix, Round( sum(G_1T1), 2 ) as G_T\n\rfrom belt_386_2\n\r" + where +
           " union select 1 as Ix, Round(sum(G_1T1), 2) as G_T\n\r from belt_401\n\r" + where + " order by Ix";
}

void TFormTableBelt::LoadPeriod(const AnsiString& suffix) {
    if (!OpenPeriodQuery(PeriodStatement(PeriodStartText(), PeriodStopText()))) return;
    for (SQLClientDataSet1->First(); !SQLClientDataSet1->Eof(); SQLClientDataSet1->Next()) {
        const int ix = SQLClientDataSet1->FieldByName("Ix")->AsInteger();
        TField* g = SQLClientDataSet1->FieldByName("G_T");
        const double value = g->IsNull() ? 0.0 : g->AsFloat();
        if (TOutField* cell = ValueField("OutField" + suffix + IntToStr(ix))) cell->SetOutValue(value);
    }
}
