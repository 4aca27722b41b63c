// The screens of this folder as the program reaches them: the main window's actions show the tables,
// journals and browser, and its print actions put the grid prints into the preview, making the
// journal screen when it is not there yet.
#include "screens/tables/BaseView.h"
#include "screens/tables/BeltLog.h"
#include "screens/tables/LogView.h"
#include "screens/tables/PUF_Log.h"
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"

#include "TablesTestSupport.h"

#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrvFrmGx.h"
#include "rtl/FileUtils.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using tablestest::TablesTest;

class TablesActionsTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        InstallHydrosizerTemplate();
    }
    void TearDown() override {
        if (PreviewFormGx) PreviewFormGx->Hide();
        TablesTest::TearDown();
    }
    // The preview's pages printed into a PDF, as text.
    std::string PreviewText(const char* name) {
        const std::string pdf = dir / name;
        testlib::PrintDialogs dialogs(pdf);
        if (!PreviewFormGx) return "";
        PreviewFormGx->PreviewGx1->PrintDialog();
        return testlib::SquashBlanks(testlib::PdfText(pdf));
    }
};

TEST_F(TablesActionsTest, ScreenActionsBringTheirScreenToTheFront) {
    REQUIRE_TEST_DB();
    FormTableMain = NewForm<TFormTableMain>(form);
    FormTable_GS_work = NewForm<TFormTable_GS_work>(form);
    FormPUF_Log = NewForm<TFormPUF_Log>(form);
    FormBeltLog = NewForm<TFormBeltLog>(form);
    ASSERT_EQ(FormLogView, nullptr);
    ASSERT_EQ(FormBaseView, nullptr);
    const struct {
        TAction* action;
        std::function<TForm*()> screen;  // read after the action: some are made by it
    } cases[] = {
        {form->ActionMainTable, [] { return FormTableMain; }},
        {form->ActionTableGS, [] { return FormTable_GS_work; }},
        {form->ActionOM_Log, [] { return FormLogView; }},
        {form->ActionFlotLog, [] { return FormPUF_Log; }},
        {form->ActionWSensLog, [] { return FormBeltLog; }},
        {form->ActionShowBase, [] { return FormBaseView; }},
    };
    for (const auto& c : cases) {
        c.action->Execute();
        TForm* screen = c.screen();
        ASSERT_NE(screen, nullptr) << c.action->Name();
        EXPECT_EQ(form->CurrentForm, screen) << c.action->Name();
        EXPECT_TRUE(screen->Visible());
        EXPECT_EQ(screen->WindowState(), wsMaximized);
    }
    // The jig machines' journal loaded at its first showing; made once.
    EXPECT_EQ(FormLogView->ShiftNumber, 3);
    TFormLogView* view = FormLogView;
    form->ActionOM_Log->Execute();
    EXPECT_EQ(FormLogView, view);
}

TEST_F(TablesActionsTest, JournalPrintsMakeTheScreenAndPrintThePeriodShown) {
    REQUIRE_TEST_DB();
    db->Exec("insert into pu1_log (PostMoment, Message) values ('2010-03-15 08:10:00', 'Пуск машины крупного класса')");
    db->Exec("insert into pu2_log (PostMoment, Message) values ('2010-03-15 20:10:00', 'Пуск машины мелкого класса')");
    db->Exec("insert into puf_log (PostMoment, Message) values ('2010-03-15 09:10:00', 'Пуск флотомашины №1')");
    ASSERT_EQ(FormLogView, nullptr);
    PrinterPreview()->SetOrientation(poPortrait);
    form->ActionPrintLogPU1->Execute();
    ASSERT_NE(FormLogView, nullptr);
    std::string text = PreviewText("pu1.pdf");
    for (const char* s : {"Журнал работы", "отсадочной машины крупного класса",
                          "за период с 15.03.2010 07:00 по 16.03.2010 06:59", "Дата, время", "Текст сообщения",
                          "Пуск машины крупного класса"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    form->ActionPrintLogPU2->Execute();
    text = PreviewText("pu2.pdf");
    for (const char* s : {"отсадочной машины мелкого класса", "Пуск машины мелкого класса"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;

    // The flotation journal prints what its last load showed: shift 1 of the 15th.
    ASSERT_EQ(FormPUF_Log, nullptr);
    form->ActionPrintFlotLog->Execute();
    ASSERT_NE(FormPUF_Log, nullptr);
    // Before any load its period is 0 and there is nothing to print.
    EXPECT_EQ(FormPUF_Log->StartTime, 0);
    EXPECT_FALSE(FormPUF_Log->SQLClientDataSetPuf->Active());
    FormPUF_Log->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    FormPUF_Log->ComboBox1->SetItemIndex(0);
    FormPUF_Log->LoadJournal();
    form->ActionPrintFlotLog->Execute();
    text = PreviewText("puf.pdf");
    for (const char* s : {"Журнал регистрации событий по управлению флотацией",
                          "за период с 15.03.2010 07:00 по 15.03.2010 18:59", "Пуск флотомашины №1"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    EXPECT_EQ(FormPUF_Log->PrintDBGridGx1->BeforeGridText()->Get(2), "за период с [StartTime] по [StopTime]");
}

TEST_F(TablesActionsTest, TablePrintsGoToThePreview) {
    REQUIRE_TEST_DB();
    FormTableMain = NewForm<TFormTableMain>(form);
    FormTable_GS_work = NewForm<TFormTable_GS_work>(form);
    FormTableMain->Reload();
    FormTable_GS_work->Reload();
    form->ActionPrintTableMain->Execute();
    EXPECT_NE(PreviewText("main.pdf").find("Обобщенная таблица"), std::string::npos);
    form->ActionPrintTableGS->Execute();
    EXPECT_NE(PreviewText("gs.pdf").find("Таблица показателей работы гидросайзера 15.03.2010"), std::string::npos);
}

}  // namespace
