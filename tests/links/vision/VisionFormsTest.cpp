// The Vision console and the tare dialog, off screen: what they show of the records and the thread,
// what their buttons change, and a tare run that reaches the belt journal while the thread runs.
#include "testlib/VisionStation.h"

#include "gui/WinApi.h"
#include "links/FormTarControl.h"
#include "links/FormV120_Link.h"
#include "testlib/gui/GuiHarness.h"
#include "widgets/OutField.h"

#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

using namespace visiontest;

namespace {

void SetRecord(int index, const std::function<void(TBeltScaleRec&)>& change) { UpdateBeltScale(index, change); }

// The forms on a station without a database.
class VisionFormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedFormat = FormatSettings();
        FormatSettings() = TFormatSettings::Russian();
        folder.WriteIni("[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\n");
        mainWindow = testlib::MainWindowFixture::Open();
    }
    void TearDown() override {
        if (console) console->Free();
        if (dialog) dialog->Free();
        FreeMainWindow(mainWindow);
        guitest::FlushDeletes();
        FormatSettings() = savedFormat;
    }
    TFormV120_Link* Console() {
        if (!console) console = NewForm<TFormV120_Link>(nullptr);
        return console;
    }
    TFormTarControl* Dialog() {
        if (!dialog) dialog = NewForm<TFormTarControl>(nullptr);
        return dialog;
    }

    StationFolder folder;
    TestClock clock;
    TFormatSettings savedFormat;
    TFormMain* mainWindow = nullptr;
    TFormV120_Link* console = nullptr;
    TFormTarControl* dialog = nullptr;
    guitest::MessageBoxRecorder boxes;
};

}  // namespace

TEST_F(VisionFormsTest, ConsoleShowsTheRecordsAndTheHydrosizer) {
    SetRecord(0, [](TBeltScaleRec& r) {
        r.TNK = 1234.5;
        r.G_1T1 = 0.48;
        r.CLK = 1200;
        r.BKK = 1;
        r._LTK = 1;
        r.STEP_KP = 5;
    });
    SetRecord(1, [](TBeltScaleRec& r) { r.KP = 1.25; });
    mainWindow->PugValues[0].store(1250);
    mainWindow->PugValues[4].store(500);
    mainWindow->PugMinuteKey = "2024-05-01 10:05:00";
    TFormV120_Link* f = Console();
    f->UpdateStatePages();

    struct Cell {
        TStringGrid* grid;
        int row;
        const char* label;
        const char* value;
    } cells[] = {
        // The format's blank between digit places is always written, so short numbers start with one.
        {f->StringGridState1, 1, "TNK", "1 234,5"},   {f->StringGridState1, 2, "G_T1", " 0,48"},
        {f->StringGridState1, 3, "CLK", "1 200"},     {f->StringGridState1, 6, "BKK", " 1"},
        {f->StringGridState1, 7, "LLK", " 0"},        {f->StringGridState1, 12, "_LTK", " 1"},
        {f->StringGridState1, 15, "STEP_KP", " 5"},   {f->StringGridState2, 5, "KP", " 1,25"},
        {f->StringGridState2, 1, "TNK", " 0"},        {f->StringGridPug, 1, "PL2_GS", "1 250"},
        {f->StringGridPug, 5, "RG2_GS", " 500"},      {f->StringGridPug, 2, "RV2_GS", " 0"},
    };
    for (const Cell& c : cells) {
        EXPECT_EQ(c.grid->Cells(0, c.row), c.label) << c.grid->Name() << " " << c.row;
        EXPECT_EQ(c.grid->Cells(1, c.row), c.value) << c.grid->Name() << " " << c.row;
    }
    for (TStringGrid* g : {f->StringGridState1, f->StringGridState2, f->StringGridPug}) {
        EXPECT_EQ(g->Cells(0, 0), "Параметр");
        EXPECT_EQ(g->Cells(1, 0), "Значение");
    }
    EXPECT_EQ(f->StringGridState1->RowCount(), 16);
    EXPECT_EQ(f->StringGridPug->RowCount(), 6);
    // Both columns and every row show, "Параметр" included: these grids have nothing to scroll with.
    for (TStringGrid* g : {f->StringGridState1, f->StringGridState2, f->StringGridPug}) {
        EXPECT_EQ(g->LeftCol(), 0) << g->Name();
        const TRect client = g->ClientRect();
        for (int row = 0; row < g->RowCount(); ++row)
            for (int col = 0; col < g->ColCount(); ++col) {
                const TRect cell = g->CellRect(col, row);
                EXPECT_FALSE(cell.IsEmpty()) << g->Name() << " " << col << "," << row;
                EXPECT_LE(cell.Right, client.Right) << g->Name() << " " << col << "," << row;
                EXPECT_LE(cell.Bottom, client.Bottom) << g->Name() << " " << col << "," << row;
            }
    }
    EXPECT_EQ(f->Label_rec_min->Caption(), "2024-05-01 10:05:00");
}

// The console's four pages show their whole tab captions side by side: no tab is cut, none needs the
// tab bar's scroll arrows; Ctrl+Tab reaches each page in turn.
TEST_F(VisionFormsTest, ConsoleShowsItsFourTabsWhole) {
    TFormV120_Link* f = Console();
    guitest::ShowForm(f);
    auto* tabs = qobject_cast<QTabWidget*>(f->PageControl1->Widget());
    ASSERT_NE(tabs, nullptr);
    QTabBar* bar = tabs->tabBar();
    ASSERT_EQ(bar->count(), 4);
    for (int i = 0; i < bar->count(); ++i) {
        SCOPED_TRACE(bar->tabText(i).toStdString());
        const QRect r = bar->tabRect(i);
        EXPECT_GE(r.left(), 0);
        EXPECT_LE(r.right(), bar->width() - 1) << "cut at the right edge";
        EXPECT_GE(r.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i))) << "caption cut";
    }
    for (QToolButton* arrow : bar->findChildren<QToolButton*>()) EXPECT_FALSE(arrow->isVisible()) << "scroll arrows";
    f->StringGridState1->SetFocus();
    for (int page : {1, 2, 3, 0}) {
        guitest::Key(VK_TAB, ssCtrl);
        EXPECT_EQ(f->PageControl1->ActivePageIndex(), page);
    }
}

TEST_F(VisionFormsTest, ConsoleStateLabelsAndUptime) {
    TFormV120_Link* f = Console();
    mainWindow->V120QueryCount.store(17);
    mainWindow->V120ErrorCount.store(3);
    f->TimerUpdateTimer(f->TimerUpdate);
    EXPECT_EQ(f->LabelLinkState->Caption(), "Остановлен");
    EXPECT_EQ(f->LabelLinkState->Font()->Color(), clRed);
    EXPECT_EQ(f->LabelWorkTime->Caption(), "");
    EXPECT_EQ(f->LabelQueryCount->Caption(), "17");
    EXPECT_EQ(f->LabelErrorCount->Caption(), "3");

    struct Case {
        double days;
        const char* text;
    } cases[] = {
        {2 + 12 / 24.0 + 25 / 1440.0, "2 дня 12 часов  25 минут."},
        {21, "21 дней  00 минут."},
        {1 / 24.0 + 3 / 1440.0, "1 час  03 минут."},
        {1 + 5 / 1440.0, "1 день  05 минут."},
    };
    mainWindow->V120ThreadActive.store(true);  // as the thread marks itself
    for (const Case& c : cases) {
        mainWindow->V120StartTime.store(clock.Get() - c.days);
        f->TimerUpdateTimer(f->TimerUpdate);
        EXPECT_EQ(f->LabelWorkTime->Caption(), c.text);
    }
    EXPECT_EQ(f->LabelLinkState->Caption(), "Активен");
    EXPECT_EQ(f->LabelLinkState->Font()->Color(), clGreen);
    mainWindow->V120ThreadActive.store(false);
}

TEST_F(VisionFormsTest, ConsoleLinkSettingsAreTakenInOrderUntilOneIsNoNumber) {
    {
        TCriticalSectionLock lock(mainWindow->SharedTextLock);
        mainWindow->V120ComPort = "COM2";
        mainWindow->V120ComSpeed = 57600;
        mainWindow->PKN_UnitID = 1;
        mainWindow->PUG_UnitID = 2;
    }
    TFormV120_Link* f = Console();
    f->FormShow(f);
    EXPECT_EQ(f->EditPortName->Text(), "COM2");
    EXPECT_EQ(f->ComboBoxLinkSpeed->Text(), "57600");
    EXPECT_EQ(f->EditPknUnitID->Text(), "1");
    EXPECT_EQ(f->EditPugUnitID->Text(), "2");

    f->EditPortName->SetText("COM5");
    f->ComboBoxLinkSpeed->SetText("9600");
    f->EditPknUnitID->SetText("7");
    f->EditPugUnitID->SetText("abc");
    f->ButSetLinkParamClick(f->ButSetLinkParam);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Скорость обмена указана неверно.");
    EXPECT_EQ(boxes.Last().Caption, "Ошибка");
    EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_EQ(mainWindow->V120ComSpeed, 9600);
    EXPECT_EQ(mainWindow->PKN_UnitID, 7);
    EXPECT_EQ(mainWindow->PUG_UnitID, 2);
    EXPECT_EQ(mainWindow->V120ComPort, "COM2");

    // All good while the thread runs: taken, with the note that a restart is needed.
    f->EditPugUnitID->SetText("3");
    mainWindow->V120ThreadActive.store(true);
    f->ButSetLinkParamClick(f->ButSetLinkParam);
    mainWindow->V120ThreadActive.store(false);
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.Last().Text, "Изменения вступят в силу после перезапуска потока контроля.");
    EXPECT_EQ(boxes.Last().Caption, "Изменение настроек связи");
    EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONINFORMATION);
    EXPECT_EQ(mainWindow->PUG_UnitID, 3);
    EXPECT_EQ(mainWindow->V120ComPort, "COM5");
    // With the thread stopped nothing needs saying.
    f->ButSetLinkParamClick(f->ButSetLinkParam);
    EXPECT_EQ(boxes.Count(), 2);
}

TEST_F(VisionFormsTest, TareDialogTrialCoefficientsAndStep) {
    SetRecord(0, [](TBeltScaleRec& r) { r.KP = 1.0; });
    TFormTarControl* d = Dialog();
    d->BeltIndex = 0;
    d->FormShow(d);  // a fresh record: step 0 becomes 5
    TBeltScaleRec r = ReadBeltScale(0);
    EXPECT_EQ(r.STEP_KP, 5);
    EXPECT_EQ(d->EditKP_step->Text(), "5");
    const double expected[4] = {0.90, 0.95, 1.05, 1.10};
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(r.KPn(i), expected[i - 1], 1e-12) << i;
    EXPECT_EQ(d->EditKP1->Text(), FormatFloat("### ##0.##", 0.9));
    EXPECT_EQ(d->EditKP4->Text(), FormatFloat("### ##0.##", 1.1));

    // The up-down steps the edit, and the change recomputes the coefficients.
    d->UpDown1->Step(btNext);
    EXPECT_EQ(d->EditKP_step->Text(), "6");
    r = ReadBeltScale(0);
    EXPECT_EQ(r.STEP_KP, 6);
    EXPECT_NEAR(r.KP1, 0.88, 1e-12);
    EXPECT_NEAR(r.KP4, 1.12, 1e-12);

    // A step outside 1..20 from elsewhere is put back to 5 at the next opening.
    SetRecord(0, [](TBeltScaleRec& x) { x.STEP_KP = 25; });
    d->FormShow(d);
    EXPECT_EQ(ReadBeltScale(0).STEP_KP, 5);
    EXPECT_NEAR(ReadBeltScale(0).KP1, 0.90, 1e-12);
}

TEST_F(VisionFormsTest, TareDialogButtonsFollowTheRecordAndSwitchBelts) {
    SetRecord(0, [](TBeltScaleRec& r) {
        r.KP = 1.0;
        r.CLK = 1200;
        r.CLK_PERCENT = 42.9;
    });
    SetRecord(1, [](TBeltScaleRec& r) {
        r.KP = 2.0;
        r.BKK = 1;
        r.CLK = 1350.25;
        r.TNK1 = 11;
        r.G1T3 = 7.25;
        r.G_TAR = 3;
    });
    TFormTarControl* d = Dialog();
    d->BeltIndex = 0;
    // Hidden, the dialog's timer leaves it alone.
    d->TimerLLKTimer(d->TimerLLK);
    EXPECT_TRUE(d->ButLLK_Start->Enabled());
    // Shown but never painted: the pictures of a shown window would be made on the toolkit's own
    // threads, which the thread checker of this binary cannot follow.
    d->SetVisible(true);
    d->FormShow(d);
    EXPECT_EQ(d->Caption(), "Настройка весов п.386-2");
    d->TimerLLKTimer(d->TimerLLK);
    EXPECT_FALSE(d->ButLLK_Start->Enabled());  // the belt stands
    EXPECT_FALSE(d->ButLLK_Abort->Enabled());
    EXPECT_FALSE(d->ButLLK_Save->Enabled());
    EXPECT_EQ(d->EditCurrentVal->Text(), "1200");
    EXPECT_EQ(d->ProgressBar_LLK_Process->Position(), 42);
    EXPECT_TRUE(d->ButTarStart->Enabled());
    EXPECT_FALSE(d->ButTarStop->Enabled());

    // "Старт" shows at the dialog's next timer tick.
    d->ButTarStartClick(d->ButTarStart);
    EXPECT_EQ(ReadBeltScale(0)._LTK, 1);
    d->TimerLLKTimer(d->TimerLLK);
    EXPECT_FALSE(d->ButTarStart->Enabled());
    EXPECT_TRUE(d->ButTarStop->Enabled());
    EXPECT_EQ(d->TimerLLK->Interval(), 500u);
    d->ButTarStopClick(d->ButTarStop);
    EXPECT_EQ(ReadBeltScale(0)._LTK, 0);

    // Another belt: every shown value and the caption switch to its record.
    d->Hide();
    d->BeltIndex = 1;
    d->FormShow(d);
    d->RefreshPage1();
    d->RefreshPage2();
    EXPECT_EQ(d->Caption(), "Настройка весов п.401");
    EXPECT_TRUE(d->ButLLK_Start->Enabled());
    EXPECT_EQ(d->EditCurrentVal->Text(), "1350,25");
    EXPECT_EQ(d->EditKP->Text(), "2");
    EXPECT_EQ(d->OutField_TNK1->OutValue(), 11);
    EXPECT_EQ(d->OutField_G1T3->OutValue(), 7.25);
    EXPECT_EQ(d->OutField_G1T->OutValue(), 3);
    EXPECT_NEAR(ReadBeltScale(1).KP1, 1.8, 1e-12);
    EXPECT_NEAR(ReadBeltScale(0).KP1, 0.9, 1e-12);  // the other belt's coefficients stay

    // "Сброс" clears the trial loads and masses and keeps the coefficients.
    d->ButTarResetClick(d->ButTarReset);
    const TBeltScaleRec r = ReadBeltScale(1);
    EXPECT_EQ(r.TNK1, 0);
    EXPECT_EQ(r.G1T3, 0);
    EXPECT_EQ(r.G_TAR, 0);
    EXPECT_NEAR(r.KP1, 1.8, 1e-12);
    EXPECT_EQ(r.CLK, 1350.25);
}

// A tare run from the dialog while the thread polls the controllers: one journal line per request,
// the requests kept in the record, and nothing written to the controllers.
TEST_F(VisionStationTest, TareRunReachesTheJournalWhileTheThreadRuns) {
    guitest::MessageBoxRecorder boxes;
    clock.Set(15, 0, 0);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "15:00:00") == 1; }));  // belt 0 runs

    auto* d = NewForm<TFormTarControl>(nullptr);
    d->BeltIndex = 0;
    d->RefreshPage1();
    ASSERT_TRUE(d->ButLLK_Start->Enabled());
    d->ButLLK_StartClick(d->ButLLK_Start);
    d->ButLLK_AbortClick(d->ButLLK_Abort);
    d->ButLLK_SaveClick(d->ButLLK_Save);
    const TBeltScaleRec r = ReadBeltScale(0);
    EXPECT_EQ(r._LLK, 1);
    EXPECT_EQ(r._R_LLK, 1);
    EXPECT_EQ(r._E_CLK, 1);
    EXPECT_FALSE(d->NewValueFlag);
    const std::vector<testdb::Row> rows = db->Query("select Message from belt_log order by PostMoment");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(*rows[0][0], "Начало измерения веса ленты.");
    EXPECT_EQ(*rows[1][0], "Измерение веса ленты прервано оператором.");
    EXPECT_EQ(*rows[2][0], "Принято новое значение CLK.");

    ASSERT_TRUE(WaitCycles(1));
    for (const visionsim::WriteRecord& w : sim->Writes()) ADD_FAILURE() << "written to unit " << w.unit;
    for (const char* command : {"SB", "SW", "SNL"}) {
        EXPECT_EQ(sim->RequestCount(1, command), 0) << command;
        EXPECT_EQ(sim->RequestCount(2, command), 0) << command;
    }
    EXPECT_EQ(form->V120ErrorCount.load(), 0);

    // A journal that cannot be written stops the request before it reaches the record.
    db->Exec("drop table belt_log");
    d->BeltIndex = 1;
    EXPECT_THROW(d->ButLLK_StartClick(d->ButLLK_Start), EDatabaseError);
    EXPECT_EQ(ReadBeltScale(1)._LLK, 0);
    d->Free();
    guitest::FlushDeletes();
}

TEST_F(VisionStationTest, ConsoleStartsAndStopsTheThread) {
    auto* f = NewForm<TFormV120_Link>(nullptr);
    EXPECT_TRUE(guitest::WaitFor([&] { return f->LabelLinkState->Caption() == "Остановлен"; }, 5000));
    EXPECT_EQ(f->LabelLinkState->Font()->Color(), clRed);
    f->ButPuskClick(f->ButPusk);
    // The console's own timer shows it.
    EXPECT_TRUE(guitest::WaitFor([&] { return f->LabelLinkState->Caption() == "Активен"; }, 5000));
    EXPECT_EQ(f->LabelLinkState->Font()->Color(), clGreen);
    EXPECT_TRUE(guitest::WaitFor([&] { return f->LabelQueryCount->Caption() != "0"; }, 5000));
    EXPECT_EQ(f->LabelWorkTime->Caption(), " 00 минут.");
    f->ButStopClick(f->ButStop);
    EXPECT_TRUE(guitest::WaitFor([&] { return f->LabelLinkState->Caption() == "Остановлен"; }, 5000));
    EXPECT_EQ(f->LabelWorkTime->Caption(), "");
    f->Free();
    guitest::FlushDeletes();
}

// The create handler of a link station starts the thread; freeing the window stops it.
TEST_F(VisionStationTest, ALinkStationStartsTheThreadAtStartUp) {
    clock.Set(16, 0, 0);
    form->PufComPort = "/nonexistent/puf-tty";  // the flotation link ends at once
    form->FormCreate(form);
    ASSERT_NE(form->V120ThreadHandle, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "16:00:00") == 1; }));
    FreeMainWindow(form);
    EXPECT_TRUE(WaitUntil([&] { return !sim->WaitForFrames(sim->FrameCount() + 1, std::chrono::milliseconds(1500)); }, 5000));
}
