#include "screens/tables/TableFlot.h"

TFormTableFlot* FormTableFlot = nullptr;

const char* const TFormTableFlot::ResultNames[4] = {"VF", "GF", "VRRS", "VRRP"};

namespace {
constexpr int CaptionWidth = 150;
constexpr int ValueWidth = 130;
constexpr int RowHeight = 50;
const char* const PeriodCaptions[4] = {"Смена 1", "Смена 2", "За сутки", "С начала\r\nмесяца"};
}  // namespace

TFormTableFlot::TFormTableFlot(TComponent* owner)
    : TTotalsTableForm(owner, "FormTableFlot", "Таблица сводных параметров процесса флотации за",
                       "PrintFlotTable.html", 5) {
    PanelCenter->SetWidth(CaptionWidth + 4 * ValueWidth);

    OutField_00 = MakeControl<TOutField>("OutField_00", PanelCenter, 0, 0, CaptionWidth, RowHeight);
    OutField_00->Font()->SetSize(12);
    OutField_00->Font()->SetStyle({fsBold});
    OutField_00->SetCaption("Параметры:");
    struct Heading {
        const char* name;
        int left, top, width, height;
        const char* text;
    } headings[] = {
        {"HeadPulp", CaptionWidth, 0, 2 * ValueWidth, RowHeight / 2, "Переработано исходной пульпы"},
        {"HeadVF", CaptionWidth, RowHeight / 2, ValueWidth, RowHeight / 2, "м куб"},
        {"HeadGF", CaptionWidth + ValueWidth, RowHeight / 2, ValueWidth, RowHeight / 2, "тонн"},
        {"HeadReagents", CaptionWidth + 2 * ValueWidth, 0, 2 * ValueWidth, RowHeight / 2, "Расход реагентов, л"},
        {"HeadVRRS", CaptionWidth + 2 * ValueWidth, RowHeight / 2, ValueWidth, RowHeight / 2, "Соби- ратель"},
        {"HeadVRRP", CaptionWidth + 3 * ValueWidth, RowHeight / 2, ValueWidth, RowHeight / 2, "Вспени- ватель"},
    };
    for (const Heading& h : headings) {
        TPanel* cell = MakeCell(AnsiString("Panel") + h.name, PanelCenter, h.left, h.top, h.width, h.height);
        MakeCellText(AnsiString("Label") + h.name, cell, h.text, true);
    }
    for (int p = 0; p < 4; ++p) {
        const int top = RowHeight * (p + 1);
        TPanel* cell = MakeCell("PanelRow" + IntToStr(p + 1), PanelCenter, 0, top, CaptionWidth, RowHeight);
        MakeCellText("LabelRow" + IntToStr(p + 1), cell, PeriodCaptions[p], true);
        for (int c = 0; c < 4; ++c)
            MakeValueField(AnsiString("OutField") + PeriodSuffix[p] + ResultNames[c], PanelCenter,
                           CaptionWidth + c * ValueWidth, top, ValueWidth, RowHeight);
    }
}

TFormTableFlot::~TFormTableFlot() {
    if (FormTableFlot == this) FormTableFlot = nullptr;
}

AnsiString TFormTableFlot::PeriodStatement(const AnsiString& start, const AnsiString& stop) {
    return MinuteRowsStatement("puf_data", {{"RVF", "VF"}, {"RGF", "GF"}, {"TRRS", "VRRS"}, {"TRRP", "VRRP"}}, start,
                               stop);
}

void TFormTableFlot::LoadPeriod(const AnsiString& suffix) {
    if (!OpenPeriodQuery(PeriodStatement(PeriodStartText(), PeriodStopText()))) return;
    // The dataset stays open until the next period closes it.
    TFields* fields = SQLClientDataSet1->Fields();
    for (int i = 0; i < fields->Count(); ++i) {
        TField* f = fields->Fields(i);
        const double value = f->IsNull() ? 0.0 : f->AsFloat();
        if (TOutField* cell = ValueField("OutField" + suffix + f->FieldName())) cell->SetOutValue(value);
    }
}
