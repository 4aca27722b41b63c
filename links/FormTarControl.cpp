#include "links/FormTarControl.h"

#include "links/BeltScale.h"
#include "links/VisionLinkState.h"
#include "links/VisionThread.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"
#include "widgets/OutField.h"

#include <cmath>

TFormTarControl* FormTarControl = nullptr;

namespace {

// Keeps the refresh timer from running into itself while a refresh processes messages.
std::uint8_t g_refreshing = 0;

// The trial coefficients lie 2 and 1 steps below KP and 1 and 2 steps above it.
constexpr int kTrialSteps[4] = {-2, -1, 1, 2};

const char* const kOutFormat = "###0.0";

}  // namespace

void TFormTarControl::label(TWinControl* parent, const char* name, const char* text, int x, int y, int w) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(parent);
    l->SetBounds(x, y, w, 18);
    l->SetCaption(text);
}

TEdit* TFormTarControl::edit(TWinControl* parent, const char* name, int x, int y, int w) {
    auto* e = new TEdit(this);
    e->SetName(name);
    e->SetParent(parent);
    e->SetBounds(x, y, w, 24);
    return e;
}

TOutField* TFormTarControl::outField(TWinControl* parent, const char* name, int x, int y) {
    auto* f = new TOutField(this);
    f->SetName(name);
    f->SetParent(parent);
    f->SetBounds(x, y, 70, 24);
    f->SetOutFormat(kOutFormat);
    return f;
}

TFormTarControl::TFormTarControl(TComponent* owner) : TForm(owner) {
    SetName("FormTarControl");
    SetCaption("Тарировка");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(560, 330);
    Font()->SetName("Arial");
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
    ButClose->SetBounds(220, 7, 120, 28);
    ButClose->SetCaption("Закрыть");
    ButClose->SetCancel(true);
    ButClose->OnClick = TNotifyEvent(this, &TFormTarControl::ButCloseClick);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);

    // ---- first page: the weight of the empty belt ----
    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetName("TabSheet1");
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetCaption("Вес пустой ленты");
    ButLLK_Start = new TButton(this);
    ButLLK_Start->SetName("ButLLK_Start");
    ButLLK_Start->SetParent(TabSheet1);
    ButLLK_Start->SetBounds(10, 12, 200, 28);
    ButLLK_Start->SetCaption("Начать измерение");
    ButLLK_Start->OnClick = TNotifyEvent(this, &TFormTarControl::ButLLK_StartClick);
    ButLLK_Abort = new TButton(this);
    ButLLK_Abort->SetName("ButLLK_Abort");
    ButLLK_Abort->SetParent(TabSheet1);
    ButLLK_Abort->SetBounds(220, 12, 120, 28);
    ButLLK_Abort->SetCaption("Прервать");
    ButLLK_Abort->OnClick = TNotifyEvent(this, &TFormTarControl::ButLLK_AbortClick);
    label(TabSheet1, "LabelProcess", "Ход измерения", 10, 52);
    ProgressBar_LLK_Process = new TProgressBar(this);
    ProgressBar_LLK_Process->SetName("ProgressBar_LLK_Process");
    ProgressBar_LLK_Process->SetParent(TabSheet1);
    ProgressBar_LLK_Process->SetBounds(10, 72, 530, 20);
    ProgressBar_LLK_Process->SetMin(0);
    ProgressBar_LLK_Process->SetMax(100);
    label(TabSheet1, "LabelCurrentVal", "Текущий код:", 10, 110);
    EditCurrentVal = edit(TabSheet1, "EditCurrentVal", 180, 106, 120);
    EditCurrentVal->SetReadOnly(true);
    label(TabSheet1, "LabelNewVal", "Новый код:", 10, 140);
    EditNewVal = edit(TabSheet1, "EditNewVal", 180, 136, 120);
    EditNewVal->SetReadOnly(true);
    ButLLK_Save = new TButton(this);
    ButLLK_Save->SetName("ButLLK_Save");
    ButLLK_Save->SetParent(TabSheet1);
    ButLLK_Save->SetBounds(310, 134, 230, 28);
    ButLLK_Save->SetCaption("Принять новое значение");
    ButLLK_Save->OnClick = TNotifyEvent(this, &TFormTarControl::ButLLK_SaveClick);
    TabSheet1->OnShow = TNotifyEvent(this, &TFormTarControl::TabSheet1Show);

    // ---- second page: the check under trial coefficients ----
    TabSheet2 = new TTabSheet(this);
    TabSheet2->SetName("TabSheet2");
    TabSheet2->SetPageControl(PageControl1);
    TabSheet2->SetCaption("Тарировка весов");
    label(TabSheet2, "LabelStep", "Шаг тарировочных KP, %:", 10, 12, 200);
    EditKP_step = edit(TabSheet2, "EditKP_step", 215, 8, 50);
    EditKP_step->SetReadOnly(true);
    EditKP_step->SetText("1");
    UpDown1 = new TUpDown(this);
    UpDown1->SetName("UpDown1");
    UpDown1->SetParent(TabSheet2);
    UpDown1->SetBounds(265, 8, 32, 24);
    UpDown1->SetMin(1);
    UpDown1->SetMax(20);
    UpDown1->SetPosition(1);
    UpDown1->SetOrientation(udHorizontal);
    UpDown1->SetWrap(false);
    UpDown1->SetAssociate(EditKP_step);
    // Only later changes of the step recompute the coefficients, not the text set up here.
    EditKP_step->OnChange = TNotifyEvent(this, &TFormTarControl::EditKP_stepChange);

    label(TabSheet2, "LabelTrial", "Проверочные", 130, 40, 300);
    label(TabSheet2, "LabelCurrent", "Текущие", 450, 40, 90);
    const char* const numbers[4] = {"№1", "№2", "№3", "№4"};
    const char* const numberNames[4] = {"LabelNo1", "LabelNo2", "LabelNo3", "LabelNo4"};
    for (int i = 0; i < 4; ++i) label(TabSheet2, numberNames[i], numbers[i], 140 + 76 * i, 60, 60);
    label(TabSheet2, "LabelKP_V", "KP_V", 10, 86, 120);
    label(TabSheet2, "LabelTNK_V", "TNK_V (т/час)", 10, 116, 120);
    label(TabSheet2, "LabelG_1T_V", "G_1T_V (тонн)", 10, 146, 120);
    EditKP1 = edit(TabSheet2, "EditKP1", 130, 82, 70);
    EditKP2 = edit(TabSheet2, "EditKP2", 206, 82, 70);
    EditKP3 = edit(TabSheet2, "EditKP3", 282, 82, 70);
    EditKP4 = edit(TabSheet2, "EditKP4", 358, 82, 70);
    EditKP = edit(TabSheet2, "EditKP", 450, 82, 70);
    EditKP->SetReadOnly(true);
    OutField_TNK1 = outField(TabSheet2, "OutField_TNK1", 130, 112);
    OutField_TNK2 = outField(TabSheet2, "OutField_TNK2", 206, 112);
    OutField_TNK3 = outField(TabSheet2, "OutField_TNK3", 282, 112);
    OutField_TNK4 = outField(TabSheet2, "OutField_TNK4", 358, 112);
    OutField_TNK = outField(TabSheet2, "OutField_TNK", 450, 112);
    OutField_G1T1 = outField(TabSheet2, "OutField_G1T1", 130, 142);
    OutField_G1T2 = outField(TabSheet2, "OutField_G1T2", 206, 142);
    OutField_G1T3 = outField(TabSheet2, "OutField_G1T3", 282, 142);
    OutField_G1T4 = outField(TabSheet2, "OutField_G1T4", 358, 142);
    OutField_G1T = outField(TabSheet2, "OutField_G1T", 450, 142);
    ButTarStart = new TButton(this);
    ButTarStart->SetName("ButTarStart");
    ButTarStart->SetParent(TabSheet2);
    ButTarStart->SetBounds(130, 190, 100, 28);
    ButTarStart->SetCaption("Старт");
    ButTarStart->OnClick = TNotifyEvent(this, &TFormTarControl::ButTarStartClick);
    ButTarStop = new TButton(this);
    ButTarStop->SetName("ButTarStop");
    ButTarStop->SetParent(TabSheet2);
    ButTarStop->SetBounds(240, 190, 100, 28);
    ButTarStop->SetCaption("Стоп");
    ButTarStop->OnClick = TNotifyEvent(this, &TFormTarControl::ButTarStopClick);
    ButTarReset = new TButton(this);
    ButTarReset->SetName("ButTarReset");
    ButTarReset->SetParent(TabSheet2);
    ButTarReset->SetBounds(350, 190, 100, 28);
    ButTarReset->SetCaption("Сброс");
    ButTarReset->OnClick = TNotifyEvent(this, &TFormTarControl::ButTarResetClick);
    TabSheet2->OnShow = TNotifyEvent(this, &TFormTarControl::TabSheet2Show);

    PageControl1->SetActivePage(TabSheet1);

    TimerLLK = new TTimer(this);
    TimerLLK->SetName("TimerLLK");
    TimerLLK->SetInterval(500);
    TimerLLK->OnTimer = TNotifyEvent(this, &TFormTarControl::TimerLLKTimer);
    TimerLLK->SetEnabled(true);

    OnCreate = TNotifyEvent(this, &TFormTarControl::FormCreate);
    OnShow = TNotifyEvent(this, &TFormTarControl::FormShow);
}

TEdit* TFormTarControl::trialEdit(int i) const {
    TEdit* const edits[4] = {EditKP1, EditKP2, EditKP3, EditKP4};
    return edits[i - 1];
}

TOutField* TFormTarControl::loadField(int i) const {
    TOutField* const fields[4] = {OutField_TNK1, OutField_TNK2, OutField_TNK3, OutField_TNK4};
    return fields[i - 1];
}

TOutField* TFormTarControl::massField(int i) const {
    TOutField* const fields[4] = {OutField_G1T1, OutField_G1T2, OutField_G1T3, OutField_G1T4};
    return fields[i - 1];
}

void TFormTarControl::FormCreate(TObject*) {
    const TBeltScaleRec rec = ReadBeltScale(0);
    for (int i = 1; i <= 4; ++i) trialEdit(i)->SetText(FormatFloat("###0.00", rec.KPn(i)));
}

void TFormTarControl::FormShow(TObject*) {
    SetCaption(AnsiString("Настройка весов п.") + (BeltIndex == 1 ? "401" : "386-2"));
    double step = 0;
    UpdateBeltScale(BeltIndex, [&](TBeltScaleRec& r) {
        if (!(r.STEP_KP >= 1 && r.STEP_KP <= 20)) r.STEP_KP = 5;  // NaN fails both tests
        step = r.STEP_KP;
    });
    // The text's change runs EditKP_stepChange. The same text as at the last opening (another belt,
    // or a record changed meanwhile) must give this record its coefficients all the same.
    const AnsiString text = FloatToStr(step);
    if (EditKP_step->Text() == text)
        EditKP_stepChange(EditKP_step);
    else
        EditKP_step->SetText(text);
}

void TFormTarControl::EditKP_stepChange(TObject*) {
    const int step = StrToInt(EditKP_step->Text());
    double trial[4] = {};
    UpdateBeltScale(BeltIndex, [&](TBeltScaleRec& r) {
        r.STEP_KP = step;
        for (int k = 0; k < 4; ++k) {
            r.KPn(k + 1) = (kTrialSteps[k] * r.STEP_KP + 100) * r.KP * 0.01;
            trial[k] = r.KPn(k + 1);
        }
    });
    for (int i = 1; i <= 4; ++i) trialEdit(i)->SetText(FormatFloat("### ##0.##", trial[i - 1]));
}

void TFormTarControl::RefreshPage1() {
    const TBeltScaleRec r = ReadBeltScale(BeltIndex);
    ButLLK_Start->SetEnabled(r.BKK != 0 && r.LLK == 0);
    ButLLK_Abort->SetEnabled(r.LLK != 0);
    ButLLK_Save->SetEnabled(NewValueFlag);
    EditCurrentVal->SetText(FormatFloat("####0.##", r.CLK));
    EditNewVal->SetText(FormatFloat("####0.##", r.N_CLK));
    ProgressBar_LLK_Process->SetPosition(static_cast<int>(Trunc(r.CLK_PERCENT)));
}

void TFormTarControl::RefreshPage2() {
    const TBeltScaleRec r = ReadBeltScale(BeltIndex);
    for (int i = 1; i <= 4; ++i) {
        trialEdit(i)->SetReadOnly(true);
        trialEdit(i)->SetText(FloatToStr(r.KPn(i)));
        loadField(i)->SetOutValue(r.TNKn(i));
        massField(i)->SetOutValue(r.G1Tn(i));
    }
    EditKP->SetText(FloatToStr(r.KP));
    OutField_TNK->SetOutValue(r.TNK);
    OutField_G1T->SetOutValue(r.G_TAR);
    ButTarStart->SetEnabled(r._LTK == 0);
    ButTarStop->SetEnabled(r._LTK != 0);
}

void TFormTarControl::TabSheet1Show(TObject*) { RefreshPage1(); }

void TFormTarControl::TabSheet2Show(TObject*) { RefreshPage2(); }

void TFormTarControl::TimerLLKTimer(TObject*) {
    if (!Visible() || g_refreshing) return;
    g_refreshing = 1;
    struct Clear {
        ~Clear() { g_refreshing = 0; }
    } clear;
    RefreshPage1();
    RefreshPage2();
}

// Each request of the first page is written to the belt journal first: a journal that cannot be
// written stops the request (the database's exception goes to the application's box).
void TFormTarControl::ButLLK_StartClick(TObject*) {
    InsertBeltLog(MainVisionLink, "Начало измерения веса ленты.");
    NewValueFlag = false;
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) { r._LLK = 1; });
}

void TFormTarControl::ButLLK_AbortClick(TObject*) {
    InsertBeltLog(MainVisionLink, "Измерение веса ленты прервано оператором.");
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) { r._R_LLK = 1; });
    NewValueFlag = false;
}

void TFormTarControl::ButLLK_SaveClick(TObject*) {
    InsertBeltLog(MainVisionLink, "Принято новое значение CLK.");
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) { r._E_CLK = 1; });
}

void TFormTarControl::ButTarStartClick(TObject*) {
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) { r._LTK = 1; });
}

void TFormTarControl::ButTarStopClick(TObject*) {
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) { r._LTK = 0; });
}

void TFormTarControl::ButTarResetClick(TObject*) {
    UpdateBeltScale(BeltIndex, [](TBeltScaleRec& r) {
        r.G_TAR = 0;
        for (int i = 1; i <= 4; ++i) {
            r.TNKn(i) = 0;
            r.G1Tn(i) = 0;
        }
    });
}

void TFormTarControl::ButCloseClick(TObject*) { Close(); }
