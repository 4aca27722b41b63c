#include "links/FormV120_Link.h"

#include "core/EventLog.h"
#include "gui/Dialogs.h"
#include "links/BeltScale.h"
#include "links/FormPUF_Link.h"
#include "links/VisionLinkState.h"
#include "links/VisionThread.h"
#include "rtl/SysUtils.h"

TFormV120_Link* FormV120_Link = nullptr;

namespace {

const char* const kValueFormat = "# ##0.##";

struct BeltRow {
    const char* label;
    double (*value)(const TBeltScaleRec&);
};

// The rows of a belt table, in the order the operators know them.
const BeltRow kBeltRows[15] = {
    {"TNK", [](const TBeltScaleRec& r) { return r.TNK; }},
    {"G_T1", [](const TBeltScaleRec& r) { return r.G_1T1; }},
    {"CLK", [](const TBeltScaleRec& r) { return r.CLK; }},
    {"N_CLK", [](const TBeltScaleRec& r) { return r.N_CLK; }},
    {"KP", [](const TBeltScaleRec& r) { return r.KP; }},
    {"BKK", [](const TBeltScaleRec& r) { return double(r.BKK); }},
    {"LLK", [](const TBeltScaleRec& r) { return double(r.LLK); }},
    {"CLK_PERCENT", [](const TBeltScaleRec& r) { return r.CLK_PERCENT; }},
    {"_LLK", [](const TBeltScaleRec& r) { return double(r._LLK); }},
    {"_R_LLK", [](const TBeltScaleRec& r) { return double(r._R_LLK); }},
    {"_E_CLK", [](const TBeltScaleRec& r) { return double(r._E_CLK); }},
    {"_LTK", [](const TBeltScaleRec& r) { return double(r._LTK); }},
    {"G_TAR", [](const TBeltScaleRec& r) { return r.G_TAR; }},
    {"R_V", [](const TBeltScaleRec& r) { return double(r.R_V); }},
    {"STEP_KP", [](const TBeltScaleRec& r) { return r.STEP_KP; }},
};

const char* const kPugRows[5] = {"PL2_GS", "RV2_GS", "PL3_GS", "TRTW_GS", "RG2_GS"};

void Header(TStringGrid* g) {
    g->SetCells(0, 0, "Параметр");
    g->SetCells(1, 0, "Значение");
}

}  // namespace

TLabel* TFormV120_Link::label(TWinControl* parent, const char* name, const char* text, int x, int y, int w) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(parent);
    l->SetBounds(x, y, w, 18);
    l->SetCaption(text);
    return l;
}

TStringGrid* TFormV120_Link::grid(TWinControl* parent, const char* name, int colWidth, int rows) {
    auto* g = new TStringGrid(this);
    g->SetName(name);
    g->SetParent(parent);
    g->SetBounds(4, 4, 2 * colWidth + 8, 16 * 23 + 4);
    g->SetColCount(2);
    g->SetRowCount(rows);
    g->SetFixedCols(0);
    g->SetFixedRows(1);
    g->SetDefaultColWidth(colWidth);
    g->SetDefaultRowHeight(22);
    g->SetScrollBars(ssNone);
    return g;
}

TFormV120_Link::TFormV120_Link(TComponent* owner) : TForm(owner) {
    SetName("FormV120_Link");
    SetCaption("Контроль обмена с контроллером Vision");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    // Wide enough for the four tab captions side by side in the console's font, with no scroll arrows.
    SetClientSize(520, 470);
    Font()->SetName("Courier New");
    Font()->SetHeight(-13);
    Font()->SetColor(clNavy);
    Font()->SetStyle(TFontStyles{fsBold});
    SetVisible(false);

    auto* bottom = new TPanel(this);
    bottom->SetName("PanelBottom");
    bottom->SetParent(this);
    bottom->SetAlign(alBottom);
    bottom->SetHeight(42);
    bottom->SetCaption("");
    ButClose = new TBitBtn(this);
    ButClose->SetName("ButClose");
    ButClose->SetParent(bottom);
    ButClose->SetBounds(200, 7, 120, 28);
    ButClose->SetCaption("Закрыть");
    ButClose->SetModalResult(mrOk);
    ButClose->SetCancel(true);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);
    auto page = [this](const char* name, const char* caption) {
        auto* t = new TTabSheet(this);
        t->SetName(name);
        t->SetPageControl(PageControl1);
        t->SetCaption(caption);
        return t;
    };
    TabSheetBelt1 = page("TabSheetBelt1", "Конвейер 386-2");
    StringGridState1 = grid(TabSheetBelt1, "StringGridState1", 190, 2);
    TabSheetBelt2 = page("TabSheetBelt2", "Конвейер 401");
    StringGridState2 = grid(TabSheetBelt2, "StringGridState2", 190, 2);
    TabSheetPug = page("TabSheetPug", "Гидросайзер");
    label(TabSheetPug, "LabelRecMinCaption", "Текущая минута:", 8, 8, 160);
    Label_rec_min = label(TabSheetPug, "Label_rec_min", "", 170, 8, 230);
    StringGridPug = grid(TabSheetPug, "StringGridPug", 120, 6);
    StringGridPug->SetTop(34);
    StringGridPug->SetHeight(6 * 23 + 4);

    TabSheetLink = page("TabSheetLink", "Контроль связи");
    GroupBoxLinkParam = new TGroupBox(this);
    GroupBoxLinkParam->SetName("GroupBoxLinkParam");
    GroupBoxLinkParam->SetParent(TabSheetLink);
    GroupBoxLinkParam->SetBounds(6, 4, 400, 172);
    GroupBoxLinkParam->SetCaption("Параметры связи:");
    label(GroupBoxLinkParam, "LabelPort", "Порт:", 10, 24);
    EditPortName = new TEdit(this);
    EditPortName->SetName("EditPortName");
    EditPortName->SetParent(GroupBoxLinkParam);
    EditPortName->SetBounds(270, 20, 120, 24);
    label(GroupBoxLinkParam, "LabelSpeed", "Скорость обмена:", 10, 52);
    ComboBoxLinkSpeed = new TComboBox(this);
    ComboBoxLinkSpeed->SetName("ComboBoxLinkSpeed");
    ComboBoxLinkSpeed->SetParent(GroupBoxLinkParam);
    ComboBoxLinkSpeed->SetBounds(270, 48, 120, 24);
    ComboBoxLinkSpeed->SetStyle(csDropDown);  // free text allowed
    for (const char* s : {"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"})
        ComboBoxLinkSpeed->Items()->Add(s);
    label(GroupBoxLinkParam, "LabelPknUnit", "Адрес контроллера весов:", 10, 80, 255);
    EditPknUnitID = new TEdit(this);
    EditPknUnitID->SetName("EditPknUnitID");
    EditPknUnitID->SetParent(GroupBoxLinkParam);
    EditPknUnitID->SetBounds(270, 76, 120, 24);
    label(GroupBoxLinkParam, "LabelPugUnit", "Адрес контроллера гидросайзера:", 10, 108, 255);
    EditPugUnitID = new TEdit(this);
    EditPugUnitID->SetName("EditPugUnitID");
    EditPugUnitID->SetParent(GroupBoxLinkParam);
    EditPugUnitID->SetBounds(270, 104, 120, 24);
    ButSetLinkParam = new TButton(this);
    ButSetLinkParam->SetName("ButSetLinkParam");
    ButSetLinkParam->SetParent(GroupBoxLinkParam);
    ButSetLinkParam->SetBounds(270, 136, 120, 26);
    ButSetLinkParam->SetCaption("Установить");
    ButSetLinkParam->OnClick = TNotifyEvent(this, &TFormV120_Link::ButSetLinkParamClick);

    GroupBoxThread = new TGroupBox(this);
    GroupBoxThread->SetName("GroupBoxThread");
    GroupBoxThread->SetParent(TabSheetLink);
    GroupBoxThread->SetBounds(6, 180, 400, 150);
    GroupBoxThread->SetCaption("Поток связи");
    label(GroupBoxThread, "LabelStateCaption", "Состояние:", 10, 22);
    LabelLinkState = label(GroupBoxThread, "LabelLinkState", "", 230, 22, 160);
    label(GroupBoxThread, "LabelQueryCaption", "Отправлено запросов:", 10, 42);
    LabelQueryCount = label(GroupBoxThread, "LabelQueryCount", "0", 230, 42, 160);
    LabelQueryCount->Font()->SetColor(clGreen);
    label(GroupBoxThread, "LabelErrorCaption", "Количество ошибок:", 10, 62);
    LabelErrorCount = label(GroupBoxThread, "LabelErrorCount", "0", 230, 62, 160);
    LabelErrorCount->Font()->SetColor(clRed);
    label(GroupBoxThread, "LabelWorkCaption", "Время работы:", 10, 82, 130);
    LabelWorkTime = label(GroupBoxThread, "LabelWorkTime", "", 140, 82, 255);
    ButPusk = new TButton(this);
    ButPusk->SetName("ButPusk");
    ButPusk->SetParent(GroupBoxThread);
    ButPusk->SetBounds(150, 112, 110, 26);
    ButPusk->SetCaption("Пуск");
    ButPusk->OnClick = TNotifyEvent(this, &TFormV120_Link::ButPuskClick);
    ButStop = new TButton(this);
    ButStop->SetName("ButStop");
    ButStop->SetParent(GroupBoxThread);
    ButStop->SetBounds(280, 112, 110, 26);
    ButStop->SetCaption("Стоп");
    ButStop->OnClick = TNotifyEvent(this, &TFormV120_Link::ButStopClick);

    PageControl1->SetActivePage(TabSheetBelt1);

    TimerUpdate = new TTimer(this);
    TimerUpdate->SetName("TimerUpdate");
    TimerUpdate->SetInterval(250);
    TimerUpdate->OnTimer = TNotifyEvent(this, &TFormV120_Link::TimerUpdateTimer);
    TimerUpdate->SetEnabled(true);

    OnShow = TNotifyEvent(this, &TFormV120_Link::FormShow);
}

void TFormV120_Link::FormShow(TObject*) {
    TVisionLinkState* m = MainVisionLink;
    if (!m) return;
    TCriticalSectionLock lock(m->SharedTextLock);
    EditPortName->SetText(m->V120ComPort);
    ComboBoxLinkSpeed->SetText(IntToStr(m->V120ComSpeed));
    EditPknUnitID->SetText(IntToStr(m->PKN_UnitID));
    EditPugUnitID->SetText(IntToStr(m->PUG_UnitID));
}

void TFormV120_Link::ButSetLinkParamClick(TObject*) {
    TVisionLinkState* m = MainVisionLink;
    if (!m) return;
    bool ok = true;
    {
        // Each value is taken as soon as it converts; the first text that is no integer stops there,
        // before the port name.
        TCriticalSectionLock lock(m->SharedTextLock);
        int value = 0;
        if ((ok = TryStrToInt(ComboBoxLinkSpeed->Text(), value))) m->V120ComSpeed = value;
        if (ok && (ok = TryStrToInt(EditPknUnitID->Text(), value))) m->PKN_UnitID = value;
        if (ok && (ok = TryStrToInt(EditPugUnitID->Text(), value))) m->PUG_UnitID = value;
        if (ok) m->V120ComPort = EditPortName->Text();
    }
    if (!ok) {
        MessageBox(nullptr, "Скорость обмена указана неверно.", "Ошибка", MB_OK | MB_ICONERROR);
        return;
    }
    // The unit ids count from the thread's next poll, port and speed from its next start.
    if (m->V120ThreadActive.load())
        MessageBox(nullptr, "Изменения вступят в силу после перезапуска потока контроля.", "Изменение настроек связи",
                   MB_OK | MB_ICONINFORMATION);
}

void TFormV120_Link::ButPuskClick(TObject*) {
    if (MainVisionLink) StartVisionThread(MainVisionLink);
}

void TFormV120_Link::ButStopClick(TObject*) {
    if (MainVisionLink) StopVisionThread(MainVisionLink);
}

void TFormV120_Link::TimerUpdateTimer(TObject*) {
    TVisionLinkState* m = MainVisionLink;
    if (!m) return;
    const bool running = m->V120ThreadActive.load();
    LabelLinkState->SetCaption(running ? "Активен" : "Остановлен");
    LabelLinkState->Font()->SetColor(running ? clGreen : clRed);
    LabelQueryCount->SetCaption(IntToStr(m->V120QueryCount.load()));
    LabelErrorCount->SetCaption(IntToStr(m->V120ErrorCount.load()));
    try {
        UpdateStatePages();
    } catch (...) {
        PostEvent("*** Ошибка в UpdateStatePages ***", 0);
    }
    LabelWorkTime->SetCaption(running ? PufUptimeText(Now() - m->V120StartTime.load()) : AnsiString());
}

void TFormV120_Link::UpdateStatePages() {
    TStringGrid* grids[2] = {StringGridState1, StringGridState2};
    for (int b = 0; b < 2; ++b) {
        const TBeltScaleRec rec = ReadBeltScale(b);
        TStringGrid* g = grids[b];
        Header(g);
        for (int row = 1; row <= 15; ++row) {
            if (g->RowCount() <= row) g->SetRowCount(row + 1);
            g->SetCells(0, row, kBeltRows[row - 1].label);
            g->SetCells(1, row, FormatFloat(kValueFormat, kBeltRows[row - 1].value(rec)));
        }
    }
    TVisionLinkState* m = MainVisionLink;
    if (!m) return;
    {
        TCriticalSectionLock lock(m->SharedTextLock);
        Label_rec_min->SetCaption(m->PugMinuteKey);
    }
    Header(StringGridPug);
    for (int i = 0; i < 5; ++i) {
        StringGridPug->SetCells(0, i + 1, kPugRows[i]);
        StringGridPug->SetCells(1, i + 1, FormatFloat(kValueFormat, m->PugValues[i].load()));
    }
}
