// The settings dialog against the real database: the plant constants written row by row, the
// calibration points pending until saved, the general page and its login test, the colour fields and
// the widget edit mode of the running screens.
#include "app/FormConfig.h"

#include "screens/graphs/GraphsTestSupport.h"

#include "core/Global.h"
#include "gui/WinApi.h"
#include "screens/diagrams/ArrowEdit.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoReach.h"
#include "screens/diagrams/OutFieldEdit.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphZola.h"
#include "testlib/DbFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class FormConfigTest : public graphstest::GraphDbStation {
protected:
    void SetUp() override {
        GraphDbStation::SetUp();
        REQUIRE_TEST_DB();
        FormMain->OnShow = nullptr;
        db->Exec("insert into setup (ConstName, ConstVal, Comment) values ('A_CONST', 1.5, 'Первая'), "
                 "('B_CONST', 2.5, 'Вторая')");
        db->Exec("insert into kalibr (PultIndex, SignalName, AVal, FVal) values (1, 'TPST_1', 0, 0), "
                 "(1, 'TPST_1', 100, 50), (2, 'TS_3 ', 10, 1), (2, 'TS_3', 20, 2)");
        dialog = NewForm<TFormConfig>(nullptr);
        FormConfig = dialog;
    }
    void TearDown() override {
        if (dialog) dialog->Free();
        dialog = nullptr;
        for (auto it = screens.rbegin(); it != screens.rend(); ++it) (*it)->Free();
        screens.clear();
        WidgetEditMode = false;
        GraphDbStation::TearDown();
    }
    // What FormShow does when the dialog opens (its modal loop is not run).
    void Open() { dialog->FormShow(dialog); }
    // A second session, as another station changing the tables meanwhile.
    void Meanwhile(const std::string& sql) { db->Exec(sql); }
    std::string Value(const std::string& sql) { return db->Scalar(sql).value_or("NULL"); }

    TFormConfig* dialog = nullptr;
    std::vector<TForm*> screens;
};

TEST_F(FormConfigTest, ConstantsAreWrittenRowByRowAndAFailingApplyKeepsEveryChangePending) {
    Open();
    TClientDataSet* cds = dialog->ClientDataSetSetup;
    ASSERT_TRUE(cds->Active());
    ASSERT_EQ(cds->RecordCount(), 2);
    // The grid edits existing rows only, and the comment is not among them.
    EXPECT_EQ(dialog->DBGridGxConstList->AllowedOperations(), alopUpdateGx);
    EXPECT_TRUE(dialog->DBGridGxConstList->Columns()->Items(0)->ReadOnly());
    EXPECT_EQ(dialog->DBGridGxConstList->Columns()->Items(0)->FieldName(), "Comment");

    // A changed value reaches the table when its row is posted.
    ASSERT_TRUE(cds->Locate("ConstName", Variant("A_CONST"), {}));
    cds->Edit();
    cds->FieldByName("ConstVal")->SetAsFloat(7.25);
    cds->Post();
    EXPECT_EQ(Value("select ConstVal from setup where ConstName='A_CONST'"), "7.25");
    EXPECT_EQ(cds->ChangeCount(), 0);

    // The row is gone meanwhile: the post reports it and the change stays pending.
    Meanwhile("delete from setup where ConstName='B_CONST'");
    ASSERT_TRUE(cds->Locate("ConstName", Variant("B_CONST"), {}));
    cds->Edit();
    cds->FieldByName("ConstVal")->SetAsFloat(9);
    EXPECT_THROW(cds->Post(), EDatabaseError);
    EXPECT_EQ(cds->ChangeCount(), 1);

    // Next change: the apply takes both, one fails, so neither is written.
    ASSERT_TRUE(cds->Locate("ConstName", Variant("A_CONST"), {}));
    cds->Edit();
    cds->FieldByName("ConstVal")->SetAsFloat(8);
    EXPECT_THROW(cds->Post(), EDatabaseError);
    EXPECT_EQ(cds->ChangeCount(), 2);
    EXPECT_EQ(Value("select ConstVal from setup where ConstName='A_CONST'"), "7.25");

    // Another station's change of a value does not hide the row: it is still found by its key.
    cds->CancelUpdates();
    Meanwhile("update setup set ConstVal = 3 where ConstName='A_CONST'");
    ASSERT_TRUE(cds->Locate("ConstName", Variant("A_CONST"), {}));
    cds->Edit();
    cds->FieldByName("ConstVal")->SetAsFloat(4);
    cds->Post();
    EXPECT_EQ(Value("select ConstVal from setup where ConstName='A_CONST'"), "4");
}

TEST_F(FormConfigTest, AValueTypedIntoTheConstantsGridReachesTheTableWhenTheRowIsLeft) {
    Application->FormCreated(dialog);
    dialog->Show();
    Open();
    dialog->PageControl1->SetActivePage(dialog->TabSheetConstEditor);
    guitest::ShowForm(dialog);
    TDBGridGx* grid = dialog->DBGridGxConstList;
    TClientDataSet* cds = dialog->ClientDataSetSetup;
    ASSERT_TRUE(cds->Locate("ConstName", Variant("A_CONST"), {}));
    grid->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([grid] { return grid->Focused(); }));
    // The value: typed into the cell (typing opens the editor; F2 is the main window's key while the
    // dialog is not modal), written when the row is left.
    grid->SetSelectedIndex(1);
    guitest::Type("1", grid);
    ASSERT_TRUE(grid->EditorMode());
    guitest::Type("2,5", grid->InplaceEditor());
    guitest::Key(VK_DOWN, 0, grid->InplaceEditor());
    EXPECT_EQ(Value("select ConstVal from setup where ConstName='A_CONST'"), "12.5");
    EXPECT_EQ(cds->ChangeCount(), 0);
    EXPECT_EQ(cds->RecordCount(), 2) << "no row is added at the end";
    dialog->Hide();
    Application->FormDestroyed(dialog);
}

TEST_F(FormConfigTest, CalibrationRowsStayPendingUntilSavedAndCancelReloads) {
    Open();
    TClientDataSet* cds = dialog->ClientDataSetKalibr;
    // Both lists start on their first items, so the page filters from the start.
    dialog->TabSheetKalibrEditsShow(dialog->TabSheetKalibrEdits);
    EXPECT_EQ(dialog->ComboBoxPultIndex->Text(), "крупного класса");
    EXPECT_EQ(dialog->ComboBoxSignalName->Text(), "TPST_1");
    EXPECT_EQ(cds->Filter(), "PultIndex=1 and SignalName='TPST_1'");
    EXPECT_EQ(cds->RecordCount(), 2);

    // The fine-class machine's "TS_3 " keeps its trailing blank.
    dialog->ComboBoxPultIndex->SetItemIndex(1);
    dialog->ComboBoxSignalName->SetItemIndex(12);
    dialog->OnKalibrSelect(dialog->ComboBoxSignalName);
    EXPECT_EQ(dialog->PultIndex(), 2);
    EXPECT_EQ(cds->Filter(), "PultIndex=2 and SignalName='TS_3 '");
    ASSERT_EQ(cds->RecordCount(), 1);
    EXPECT_EQ(cds->FieldByName("AVal")->AsFloat(), 10);

    // Added and posted, the row waits for "Сохранить", also across closing and reopening.
    dialog->ButAddRecordClick(nullptr);
    EXPECT_EQ(cds->FieldByName("PultIndex")->AsInteger(), 2);
    EXPECT_EQ(cds->FieldByName("SignalName")->AsString(), "TS_3 ");
    cds->FieldByName("AVal")->SetAsFloat(30);
    cds->FieldByName("FVal")->SetAsFloat(3);
    // Whatever the row was given, the post stamps the selected machine and signal again.
    cds->FieldByName("PultIndex")->SetAsInteger(1);
    cds->FieldByName("SignalName")->SetAsString("TIN");
    cds->Post();
    EXPECT_EQ(cds->FieldByName("PultIndex")->AsInteger(), 2);
    EXPECT_EQ(cds->FieldByName("SignalName")->AsString(), "TS_3 ");
    EXPECT_EQ(db->Count("kalibr"), 4);
    dialog->FormHide(dialog);
    Open();
    EXPECT_EQ(cds->ChangeCount(), 1);
    dialog->ButSaveClick(nullptr);
    EXPECT_EQ(cds->ChangeCount(), 0);
    EXPECT_EQ(Value("select concat('[', SignalName, ']') from kalibr where PultIndex=2 and AVal=30"), "[TS_3 ]");

    // "Отменить" drops what is pending and shows the table again.
    dialog->ButAddRecordClick(nullptr);
    cds->FieldByName("AVal")->SetAsFloat(40);
    cds->FieldByName("FVal")->SetAsFloat(4);
    cds->Post();
    Meanwhile("insert into kalibr values (2, 'TS_3 ', 50, 5)");
    dialog->ButCancelClick(nullptr);
    EXPECT_EQ(cds->ChangeCount(), 0);
    EXPECT_EQ(cds->RecordCount(), 3);  // 10, 30 and the other station's 50
    EXPECT_FALSE(cds->Locate("AVal", Variant(40.0), {}));

    // A save that fails on a row deleted meanwhile writes nothing and keeps every change.
    ASSERT_TRUE(cds->Locate("AVal", Variant(10.0), {}));
    cds->Edit();
    cds->FieldByName("FVal")->SetAsFloat(11);
    cds->Post();
    ASSERT_TRUE(cds->Locate("AVal", Variant(30.0), {}));
    dialog->ButDelRecordClick(nullptr);
    Meanwhile("delete from kalibr where PultIndex=2 and AVal=30");
    EXPECT_THROW(dialog->ButSaveClick(nullptr), EDatabaseError);
    EXPECT_EQ(cds->ChangeCount(), 2);
    EXPECT_EQ(Value("select FVal from kalibr where PultIndex=2 and AVal=10"), "1");
}

TEST_F(FormConfigTest, GeneralPageAndTheLoginTest) {
    FormMain->HostName = "db-host";
    FormMain->UserName = "operator";
    FormMain->Password = "kept";
    FormMain->SavePassword = false;
    ShutdownOnExit = true;
    Open();
    EXPECT_EQ(dialog->EditMySQL_Host->Text(), "db-host");
    EXPECT_EQ(dialog->EditMySQL_Login->Text(), "operator");
    EXPECT_EQ(dialog->EditMySQL_Password->Text(), "");  // never filled from the main window
    EXPECT_FALSE(dialog->EditMySQL_Password->Enabled());
    EXPECT_TRUE(dialog->CheckBoxShutdownOnExit->Checked());

    // Unticked, "Принять настройки" takes everything but the password.
    dialog->EditMySQL_Host->SetText("new-host");
    dialog->EditMySQL_Password->SetText("typed");
    dialog->CheckBoxShutdownOnExit->SetChecked(false);
    dialog->ButSaveGeneralPageClick(nullptr);
    EXPECT_EQ(FormMain->HostName, "new-host");
    EXPECT_EQ(FormMain->Password, "kept");
    EXPECT_FALSE(ShutdownOnExit);
    dialog->CheckBoxSavePassword->SetChecked(true);
    EXPECT_TRUE(dialog->EditMySQL_Password->Enabled());
    dialog->ButSaveGeneralPageClick(nullptr);
    EXPECT_EQ(FormMain->Password, "typed");
    EXPECT_TRUE(FormMain->SavePassword);

    // The login test: the page's values on the dialog's own connection; the main one stays open.
    const testdb::Coordinates c = testdb::Coords();
    struct Case {
        std::string password;
        const char* text;
        const char* caption;
        UINT icon;
    } cases[] = {
        {c.password, "Подключение к серверу успешно установлено.", "Тест подключения", MB_ICONINFORMATION},
        {c.password + "-wrong", "Не удалось подключиться к MySQL серверу.", "Ошибка", MB_ICONERROR},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        guitest::MessageBoxRecorder boxes;
        dialog->EditMySQL_Host->SetText(testdb::HostWithPort().c_str());
        dialog->EditMySQL_Login->SetText(c.user.c_str());
        dialog->EditMySQL_Password->SetText(k.password.c_str());
        dialog->ButMySQL_TestClick(nullptr);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.Last().Text, k.text);
        EXPECT_EQ(boxes.Last().Caption, k.caption);
        EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, k.icon);
        EXPECT_FALSE(dialog->SQLConnectionTest->Connected());
        EXPECT_TRUE(FormMain->SQLConnection1->Connected());
    }
}

TEST_F(FormConfigTest, ColourFieldsWriteTheArrayEntryTheirTagNames) {
    dialog->TabSheetColorsShow(dialog->TabSheetColors);
    for (int i = 0; i < 16; ++i) {
        TOutField* f = dialog->ColorField(i);
        const int group = i / 2;
        const bool stopped = i % 2 == 1;
        SCOPED_TRACE(f->Name().str());
        EXPECT_EQ(f->Tag(), 10 * (group + 1) + (stopped ? 1 : 0));
        EXPECT_EQ(f->Brush()->Color(), stopped ? FormMain->OffColors[group] : FormMain->OnColors[group]);
    }
    struct Case {
        TOutField* field;
        TColor* entry;
    } cases[] = {
        {dialog->OutFieldR0, &FormMain->OffColors[4]},  // tag 51: water, stopped
        {dialog->OutFieldK1, &FormMain->OnColors[0]},   // tag 10: concentrate, running
        {dialog->OutFieldE0, &FormMain->OffColors[7]},  // tag 81: hydrosizer feed, stopped
    };
    TColor next = 0x123456;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.field->Name().str());
        guitest::DialogDriver dialogs;
        dialogs.Accept([next](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(next); });
        dialog->OutFieldK1Click(k.field);
        EXPECT_EQ(*k.entry, next);
        EXPECT_EQ(k.field->Brush()->Color(), next);
        // A cancelled dialog changes nothing.
        dialogs.Cancel();
        dialog->OutFieldK1Click(k.field);
        EXPECT_EQ(*k.entry, next);
        next += 0x010101;
    }
}

// At the dialog's own size, with the plant's longest constant descriptions: the two colour columns'
// headings show every word whole above their fields; the constants' titles are whole and each
// description fits its cell (in as many lines as the row has), the columns inside the grid.
TEST_F(FormConfigTest, EveryHeadingAndDescriptionIsReadableAtTheDialogsSize) {
    db->Exec("insert into setup (ConstName, ConstVal, Comment) values "
             "('GS_RV2_MAX', 100, 'Максимальный объемный расход концентрата гидросайзера, м3/ч'), "
             "('PU_KKP_MAX', 125, 'Максимальная частота колебаний отсадочной машины, колеб./мин')");
    dialog->Show();
    guitest::Settle();

    dialog->PageControl1->SetActivePage(dialog->TabSheetColors);
    guitest::Settle();
    for (const char* name : {"LabelRunning", "LabelStopped"}) {
        SCOPED_TRACE(name);
        auto* l = dynamic_cast<TLabel*>(dialog->FindComponent(name));
        ASSERT_NE(l, nullptr);
        const TRect wrapped = CalcTextRect(l->Font(), l->Caption(), TRect(0, 0, l->Width(), 0), DT_WORDBREAK);
        EXPECT_LE(wrapped.Height(), l->Height());
        for (const AnsiString& word : {AnsiString("активном"), AnsiString("выключено"), AnsiString("режиме")})
            EXPECT_LE(CalcTextRect(l->Font(), word, TRect(0, 0, 0, 0), 0).Width(), l->Width()) << word.str();
        // Above the first colour field, not over it.
        EXPECT_LE(l->Top() + l->Height(), dialog->OutFieldK1->Top());
    }

    dialog->PageControl1->SetActivePage(dialog->TabSheetConstEditor);
    guitest::Settle();
    TDBGridGx* grid = dialog->DBGridGxConstList;
    TColumnGx* comment = grid->Columns()->Items(0);
    TColumnGx* value = grid->Columns()->Items(1);
    TClientDataSet* cds = dialog->ClientDataSetSetup;
    ASSERT_EQ(cds->RecordCount(), 4);
    // The titles whole above the rows.
    for (TColumnGx* c : {comment, value})
        EXPECT_LE(CalcTextRect(c->Title()->Font(), c->Title()->Caption(), TRect(0, 0, 0, 0), 0).Height(), grid->RowHeights(0))
            << c->FieldName().str();
    for (cds->First(); !cds->Eof(); cds->Next()) {
        const AnsiString text = cds->FieldByName("Comment")->AsString();
        const TRect wrapped = CalcTextRect(comment->Font(), text, TRect(0, 0, comment->Width() - 4, 0), DT_WORDBREAK);
        EXPECT_LE(wrapped.Width(), comment->Width() - 4) << text.str();
        EXPECT_LE(wrapped.Height(), grid->DefaultRowHeight()) << text.str();
    }
    EXPECT_LE(grid->CellRect(grid->ColCount() - 1, 0).Right, grid->ClientWidth()) << value->Width();
    dialog->Hide();
}

TEST_F(FormConfigTest, EditModeReachesTheScreensThatRunAndSkipsTheOthers) {
    FormOutFieldEdit = NewForm<TFormOutFieldEdit>(nullptr);
    auto* mnemo = NewForm<TFormMnemo>(nullptr);
    auto* zola = NewForm<TFormGraphZola>(nullptr);
    auto* bed = NewForm<TFormGraph3Zoom>(nullptr, 1, AnsiString());
    auto* ts = NewForm<TFormGraphTS>(nullptr, 1, AnsiString());
    auto* air = NewForm<TFormGraphAir>(nullptr, 2, AnsiString());
    screens = {FormOutFieldEdit, mnemo, zola, bed, ts, air};
    FormMnemo = mnemo;
    FormGraphZola = zola;
    FormGraph3Zoom1 = bed;
    FormGraphTS_1 = ts;
    FormGraphAir_2 = air;
    ASSERT_EQ(FormGraphTS_2, nullptr);
    ASSERT_EQ(FormMnemoReach, nullptr);
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        if (on) dialog->ButColorConfigOnClick(nullptr);
        else dialog->ButColorConfigOffClick(nullptr);
        EXPECT_EQ(WidgetEditMode, on);
        // The graph screens' labels open the font dialog and their charts the scale dialog.
        EXPECT_EQ(zola->Label2->OnClick.Assigned(), on);
        EXPECT_EQ(zola->Graph->OnMouseDown.Assigned(), on);
        EXPECT_EQ(bed->LabelLegend11->OnClick.Assigned(), on);
        EXPECT_EQ(ts->LabelTS_1->OnClick.Assigned(), on);
        EXPECT_EQ(air->LabelLegendTOUT->OnClick.Assigned(), on);
        // The flotation diagram's output field opens its property dialog instead of its set-point.
        guitest::ModalDriver modal;
        TCustomForm* shown = nullptr;
        modal.Then([&shown](TCustomForm* f) {
            shown = f;
            f->SetModalResult(mrCancel);
        });
        FormMain->ActionSetZRRS->OnExecute = nullptr;
        mnemo->OutFieldZRRS->Click();
        EXPECT_EQ(shown, on ? static_cast<TCustomForm*>(FormOutFieldEdit) : nullptr);
    }
    FormMnemo = nullptr;
    FormGraphZola = nullptr;
    FormGraph3Zoom1 = nullptr;
    FormGraphTS_1 = nullptr;
    FormGraphAir_2 = nullptr;
}

TEST_F(FormConfigTest, CtrlAltCOpensTheDialogWhoseEditModeThenReachesTheFlotationDiagram) {
    Application->FormCreated(dialog);
    FormArrowEdit = NewForm<TFormArrowEdit>(nullptr);
    auto* mnemo = NewForm<TFormMnemo>(nullptr);
    screens = {FormArrowEdit, mnemo};
    FormMnemo = mnemo;
    guitest::ModalDriver modal;
    TCustomForm* shown = nullptr;
    modal.Then([&shown](TCustomForm* f) {
        shown = f;
        // "Включить", then "Закрыть".
        static_cast<TFormConfig*>(f)->ButColorConfigOn->Click();
        static_cast<TFormConfig*>(f)->ButClose->Click();
    });
    FormMain->Show();
    guitest::ShowForm(FormMain);
    guitest::Key('C', ssCtrl | ssAlt, FormMain);
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_EQ(shown, dialog);
    EXPECT_EQ(dialog->ModalResult(), mrOk);
    EXPECT_TRUE(WidgetEditMode);

    TCustomForm* edited = nullptr;
    modal.Then([&edited](TCustomForm* f) {
        edited = f;
        f->SetModalResult(mrCancel);
    });
    static_cast<TControl*>(mnemo->FindComponent("ArrowFeed"))->Click();
    EXPECT_EQ(edited, FormArrowEdit);
    FormMnemo = nullptr;
    Application->FormDestroyed(dialog);
}

}  // namespace
