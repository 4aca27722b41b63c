#include "links/FormPUF_Link.h"

#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "gui/Dialogs.h"
#include "links/PufLinkState.h"
#include "links/PufThread.h"
#include "rtl/SysUtils.h"

TFormPUF_Link* FormPUF_Link = nullptr;
int TFormPUF_Link::RefreshTicks = 0;

const char* const PufSetpointWords[4] = {"SetTRRS", "SetTRRP", "SetZRRS", "SetZRRP"};

namespace {

// The grid reloads from the database every fifth tick of the 250 ms timer.
constexpr int kTicksPerRefresh = 5;

AnsiString Plural(long long n, const char* one, const char* few, const char* many) {
    if (n == 1) return one;
    if (n >= 2 && n <= 4) return few;
    return many;
}

void ErrorBox(const AnsiString& text) {
    MessageBox(nullptr, text, "Ошибка", MB_OK | MB_ICONERROR);
}

}  // namespace

AnsiString PufUptimeText(TDateTime uptime) {
    AnsiString text;
    const long long days = static_cast<long long>(uptime);
    if (days != 0) text += IntToStr(days) + Plural(days, " день ", " дня ", " дней ");
    int hours = 0, minutes = 0, seconds = 0, ms = 0;
    DecodeTime(uptime, hours, minutes, seconds, ms);
    if (hours != 0) text += IntToStr(hours) + Plural(hours, " час ", " часа ", " часов ");
    text += FormatDateTime(" nn ", uptime) + "минут.";
    return text;
}

TLabel* TFormPUF_Link::caption(TWinControl* parent, const char* name, const char* text, int x, int y) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(parent);
    l->SetBounds(x, y, 200, 18);
    l->SetCaption(text);
    return l;
}

TFormPUF_Link::TFormPUF_Link(TComponent* owner) : TForm(owner) {
    SetName("FormPUF_Link");
    SetCaption("Пульт управления флотацией");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    // Tall enough for the state grid's header and the state row's nineteen columns.
    SetClientSize(420, 580);
    Font()->SetName("Courier New");
    Font()->SetHeight(-15);
    Font()->SetColor(clNavy);
    Font()->SetStyle(TFontStyles{fsBold});
    SetVisible(false);

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alBottom);
    Panel1->SetHeight(44);
    Panel1->SetCaption("");

    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(Panel1);
    BitBtn1->SetBounds(150, 8, 120, 28);
    BitBtn1->SetCaption("Закрыть");
    BitBtn1->SetModalResult(mrOk);
    BitBtn1->SetDefault(true);
    BitBtn1->SetCancel(true);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);

    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetName("TabSheet1");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetCaption("Текущее состояние");

    StringGridCurState = new TStringGrid(this);
    StringGridCurState->SetName("StringGridCurState");
    StringGridCurState->SetParent(TabSheet1);
    StringGridCurState->SetAlign(alClient);
    StringGridCurState->SetColCount(2);
    StringGridCurState->SetDefaultColWidth(190);
    StringGridCurState->SetFixedRows(1);
    StringGridCurState->SetFixedCols(1);
    // A state row with more columns than the page holds can still be scrolled through.
    StringGridCurState->SetScrollBars(ssVertical);

    TabSheet2 = new TTabSheet(this);
    TabSheet2->SetName("TabSheet2");
    TabSheet2->SetPageControl(PageControl1);
    TabSheet2->SetCaption("Настройки");

    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName("GroupBox1");
    GroupBox1->SetParent(TabSheet2);
    GroupBox1->SetBounds(6, 4, 400, 160);
    GroupBox1->SetCaption("Параметры связи:");
    caption(GroupBox1, "Label1", "Порт:", 10, 24);
    EditPortName = new TEdit(this);
    EditPortName->SetName("EditPortName");
    EditPortName->SetParent(GroupBox1);
    EditPortName->SetBounds(210, 20, 180, 24);
    caption(GroupBox1, "Label2", "Скорость обмена:", 10, 52);
    ComboBoxLinkSpeed = new TComboBox(this);
    ComboBoxLinkSpeed->SetName("ComboBoxLinkSpeed");
    ComboBoxLinkSpeed->SetParent(GroupBox1);
    ComboBoxLinkSpeed->SetBounds(210, 48, 180, 24);
    ComboBoxLinkSpeed->SetStyle(csDropDown);  // free text allowed
    for (const char* s : {"2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"})
        ComboBoxLinkSpeed->Items()->Add(s);
    CheckBoxLanLink = new TCheckBox(this);
    CheckBoxLanLink->SetName("CheckBoxLanLink");
    CheckBoxLanLink->SetParent(GroupBox1);
    CheckBoxLanLink->SetBounds(10, 78, 380, 20);
    CheckBoxLanLink->SetCaption("Разрешить связь по локальной сети");
    caption(GroupBox1, "Label3", "IP адрес ПУФ:", 10, 106);
    Edit_PUF_IP = new TEdit(this);
    Edit_PUF_IP->SetName("Edit_PUF_IP");
    Edit_PUF_IP->SetParent(GroupBox1);
    Edit_PUF_IP->SetBounds(210, 102, 180, 24);
    ButSetLinkParam = new TButton(this);
    ButSetLinkParam->SetName("ButSetLinkParam");
    ButSetLinkParam->SetParent(GroupBox1);
    ButSetLinkParam->SetBounds(270, 130, 120, 26);
    ButSetLinkParam->SetCaption("Установить");
    ButSetLinkParam->OnClick = TNotifyEvent(this, &TFormPUF_Link::ButSetLinkParamClick);

    GroupBox2 = new TGroupBox(this);
    GroupBox2->SetName("GroupBox2");
    GroupBox2->SetParent(TabSheet2);
    GroupBox2->SetBounds(6, 168, 400, 160);
    GroupBox2->SetCaption("Поток связи с ПУФ");
    caption(GroupBox2, "Label4", "Состояние:", 10, 22);
    LabelLinkState = caption(GroupBox2, "LabelLinkState", "", 210, 22);
    caption(GroupBox2, "Label5", "Канал связи:", 10, 42);
    Label_link_name = caption(GroupBox2, "Label_link_name", "", 210, 42);
    caption(GroupBox2, "Label6", "Время работы:", 10, 62);
    LabelWorkTime = caption(GroupBox2, "LabelWorkTime", "", 150, 62);
    LabelWorkTime->SetWidth(245);
    caption(GroupBox2, "Label7", "Отправлено запросов:", 10, 82);
    LabelQueryCount = caption(GroupBox2, "LabelQueryCount", "0", 210, 82);
    LabelQueryCount->Font()->SetColor(clGreen);
    caption(GroupBox2, "Label8", "Количество ошибок:", 10, 102);
    LabelErrorCount = caption(GroupBox2, "LabelErrorCount", "0", 210, 102);
    LabelErrorCount->Font()->SetColor(clRed);
    ButPusk = new TButton(this);
    ButPusk->SetName("ButPusk");
    ButPusk->SetParent(GroupBox2);
    ButPusk->SetBounds(150, 126, 110, 26);
    ButPusk->SetCaption("Пуск");
    ButPusk->OnClick = TNotifyEvent(this, &TFormPUF_Link::ButPuskClick);
    ButStop = new TButton(this);
    ButStop->SetName("ButStop");
    ButStop->SetParent(GroupBox2);
    ButStop->SetBounds(280, 126, 110, 26);
    ButStop->SetCaption("Стоп");
    ButStop->OnClick = TNotifyEvent(this, &TFormPUF_Link::ButStopClick);

    GroupBox3 = new TGroupBox(this);
    GroupBox3->SetName("GroupBox3");
    GroupBox3->SetParent(TabSheet2);
    GroupBox3->SetBounds(6, 332, 400, 110);
    GroupBox3->SetCaption("Управление:");
    caption(GroupBox3, "Label9", "Параметр:", 10, 22);
    ComboBoxSignalName = new TComboBox(this);
    ComboBoxSignalName->SetName("ComboBoxSignalName");
    ComboBoxSignalName->SetParent(GroupBox3);
    ComboBoxSignalName->SetBounds(110, 18, 280, 24);
    ComboBoxSignalName->SetStyle(csDropDownList);
    for (const char* s : {"Текущий расход собирателя", "Текущий расход пенообразователя", "Удельный расход собирателя",
                          "Удельный расход пенообразователя"})
        ComboBoxSignalName->Items()->Add(s);
    caption(GroupBox3, "Label10", "Новое значение:", 10, 50);
    EditNewVal = new TEdit(this);
    EditNewVal->SetName("EditNewVal");
    EditNewVal->SetParent(GroupBox3);
    EditNewVal->SetBounds(210, 46, 180, 24);
    ButSetCmd = new TButton(this);
    ButSetCmd->SetName("ButSetCmd");
    ButSetCmd->SetParent(GroupBox3);
    ButSetCmd->SetBounds(190, 76, 200, 26);
    ButSetCmd->SetCaption("Отправить задание");
    ButSetCmd->OnClick = TNotifyEvent(this, &TFormPUF_Link::ButSetCmdClick);

    PageControl1->SetActivePage(TabSheet2);

    SQLClientDataSetCurState = new TSQLClientDataSet(this);
    SQLClientDataSetCurState->SetName("SQLClientDataSetCurState");
    SQLClientDataSetCurState->SetCommandText("select * from puf_state");
    if (MainView) SQLClientDataSetCurState->SetDBConnection(MainView->SQLConnectionUser);

    TimerUpdate = new TTimer(this);
    TimerUpdate->SetName("TimerUpdate");
    TimerUpdate->SetInterval(250);
    TimerUpdate->OnTimer = TNotifyEvent(this, &TFormPUF_Link::TimerUpdateTimer);
    TimerUpdate->SetEnabled(true);

    OnShow = TNotifyEvent(this, &TFormPUF_Link::FormShow);
}

void TFormPUF_Link::FormShow(TObject*) {
    TPufLinkState* m = MainPufLink;
    if (!m) return;
    TCriticalSectionLock lock(m->SharedTextLock);
    EditPortName->SetText(m->PufComPort);
    ComboBoxLinkSpeed->SetText(IntToStr(m->PufComSpeed));
    CheckBoxLanLink->SetChecked(m->PufLanEnabled);
    Edit_PUF_IP->SetText(m->PufIP);
}

void TFormPUF_Link::ButSetLinkParamClick(TObject*) {
    TPufLinkState* m = MainPufLink;
    if (!m) return;
    int speed = 0;
    if (!TryDecimalToInt(ComboBoxLinkSpeed->Text(), speed)) {
        ErrorBox("Скорость обмена указана неверно.");
        return;
    }
    // The thread takes port and speed when it next opens the port, the LAN switch and the address
    // at its next transport decision.
    TCriticalSectionLock lock(m->SharedTextLock);
    m->PufComSpeed = speed;
    m->PufComPort = EditPortName->Text();
    m->PufLanEnabled = CheckBoxLanLink->Checked();
    m->PufIP = Edit_PUF_IP->Text();
}

void TFormPUF_Link::ButPuskClick(TObject*) {
    if (MainPufLink) StartPufThread(MainPufLink);
}

void TFormPUF_Link::ButStopClick(TObject*) {
    if (MainPufLink) StopPufThread(MainPufLink);
}

void TFormPUF_Link::ButSetCmdClick(TObject*) {
    TPufLinkState* m = MainPufLink;
    if (!m) return;
    const int index = ComboBoxSignalName->ItemIndex();
    if (index < 0 || index > 3) {
        ErrorBox("Выберите изменяемый параметр.");
        return;
    }
    double value = 0;
    if (!TryStrToFloat(EditNewVal->Text().Trim(), value)) {
        ErrorBox("Новое значение указано неверно.");
        return;
    }
    // The controller reads a decimal point only; the checked number goes out in that form, as the
    // main window's set-point request sends it.
    AppendPufCommand(m, AnsiString(PufSetpointWords[index]) + ":" + FloatToDotText(value));
}

void TFormPUF_Link::TimerUpdateTimer(TObject*) {
    TPufLinkState* m = MainPufLink;
    if (!m) return;
    const bool running = m->PufThreadActive.load();
    LabelLinkState->SetCaption(running ? "Активен" : "Остановлен");
    LabelLinkState->Font()->SetColor(running ? clGreen : clRed);
    Label_link_name->SetCaption(m->PufOverTcp.load() ? "TCP/IP" : "RS-485");
    LabelQueryCount->SetCaption(IntToStr(m->PufQueryCount.load()));
    LabelErrorCount->SetCaption(IntToStr(m->PufErrorCount.load()));
    LabelWorkTime->SetCaption(running ? PufUptimeText(Now() - m->PufStartTime.load()) : AnsiString());

    if (++RefreshTicks < kTicksPerRefresh) return;
    RefreshTicks = 0;
    TSQLConnection* status = MainView ? MainView->SQLConnectionUser : nullptr;
    if (!status || !status->Connected()) return;

    try {
        SQLClientDataSetCurState->Close();
        SQLClientDataSetCurState->Open();
    } catch (const Exception&) {
        // A server that went away keeps the grid as it was, as a closed connection does; the timer
        // must not raise a box every 1.25 s.
        return;
    }
    StringGridCurState->SetCells(0, 0, "Параметр");
    StringGridCurState->SetCells(1, 0, "Значение");
    const int count = SQLClientDataSetCurState->FieldCount();
    StringGridCurState->SetRowCount(count + 1);
    if (count == 0) return;
    StringGridCurState->SetCells(0, 1, "Дата, время");
    StringGridCurState->SetCells(1, 1, FormatDateTime("dd.mm.yyyy hh:nn:ss",
                                                      SQLClientDataSetCurState->Fields()->Fields(0)->AsDateTime()));
    for (int i = 1; i < count; ++i) {
        TField* f = SQLClientDataSetCurState->Fields()->Fields(i);
        StringGridCurState->SetCells(0, i + 1, f->FieldName());
        AnsiString text;
        // A column that holds no number shows its text instead of raising on every refresh.
        try {
            text = FormatFloat("### ##0.###", f->AsFloat());
        } catch (const Exception&) {
            text = f->AsString();
        }
        StringGridCurState->SetCells(1, i + 1, text);
    }
}
