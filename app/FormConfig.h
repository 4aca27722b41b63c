// The station's settings dialog "Настройки": the database login values and the shutdown switch of the
// main window, a login test on a connection of its own, the plant constants (table setup), the
// sixteen group colours, the screens' widget edit mode and the calibration points (table kalibr).
//
// Created at start-up and kept for the whole run; shown modally by ActionShowConfig. The constants
// grid writes each posted row to the database at once; calibration changes stay pending in their
// client dataset (also across closing and reopening the dialog) until "Сохранить" or "Отменить".
#pragma once

#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"
#include "gridlib/grid/DBGridGx.h"
#include "gui/ComCtrls.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "widgets/OutField.h"

class TFormConfig : public TForm {
    PLANTMON_CLASS(TFormConfig, TForm)
public:
    explicit TFormConfig(TComponent* owner);
    ~TFormConfig() override;

    TPageControl* PageControl1 = nullptr;
    TPanel* PanelBottom = nullptr;
    TButton* ButClose = nullptr;

    // "Общие"
    TTabSheet* TabSheetGeneral = nullptr;
    TGroupBox* GroupBoxMySQL = nullptr;
    TLabel* LabelHost = nullptr;
    TLabel* LabelLogin = nullptr;
    TLabel* LabelPassword = nullptr;
    TEdit* EditMySQL_Host = nullptr;
    TEdit* EditMySQL_Login = nullptr;
    TEdit* EditMySQL_Password = nullptr;
    TCheckBox* CheckBoxSavePassword = nullptr;
    TButton* ButMySQL_Test = nullptr;
    TCheckBox* CheckBoxShutdownOnExit = nullptr;
    TButton* ButSaveGeneralPage = nullptr;

    // "Константы"
    TTabSheet* TabSheetConstEditor = nullptr;
    TDBGridGx* DBGridGxConstList = nullptr;

    // "Оформление"
    TTabSheet* TabSheetColors = nullptr;
    TOutField* OutFieldK1 = nullptr;
    TOutField* OutFieldK0 = nullptr;
    TOutField* OutFieldN1 = nullptr;
    TOutField* OutFieldN0 = nullptr;
    TOutField* OutFieldW1 = nullptr;
    TOutField* OutFieldW0 = nullptr;
    TOutField* OutFieldP1 = nullptr;
    TOutField* OutFieldP0 = nullptr;
    TOutField* OutFieldR1 = nullptr;
    TOutField* OutFieldR0 = nullptr;
    TOutField* OutFieldS1 = nullptr;
    TOutField* OutFieldS0 = nullptr;
    TOutField* OutFieldO1 = nullptr;
    TOutField* OutFieldO0 = nullptr;
    TOutField* OutFieldE1 = nullptr;
    TOutField* OutFieldE0 = nullptr;
    TGroupBox* GroupBoxEditMode = nullptr;
    TButton* ButColorConfigOn = nullptr;
    TButton* ButColorConfigOff = nullptr;

    // "Калибровки "
    TTabSheet* TabSheetKalibrEdits = nullptr;
    TComboBox* ComboBoxPultIndex = nullptr;
    TComboBox* ComboBoxSignalName = nullptr;
    TDBGridGx* DBGridGxKalibr = nullptr;
    TButton* ButAddRecord = nullptr;
    TButton* ButDelRecord = nullptr;
    TButton* ButSave = nullptr;
    TButton* ButCancel = nullptr;

    // Database
    TSQLConnection* SQLConnectionTest = nullptr;
    TSQLDataSet* SQLDataSetSetup = nullptr;
    TDataSetProvider* DataSetProviderSetup = nullptr;
    TClientDataSet* ClientDataSetSetup = nullptr;
    TDataSource* DataSourceConstList = nullptr;
    TSQLDataSet* SQLDataSetKalibr = nullptr;
    TDataSetProvider* DataSetProviderKalibr = nullptr;
    TClientDataSet* ClientDataSetKalibr = nullptr;
    TDataSource* DataSourceKalibr = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

    // The jig machine the calibration page shows: 1 coarse class, 2 fine class.
    int PultIndex() const { return pultIndex_; }

    // Handlers.
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);
    void TabSheetGeneralShow(TObject* Sender);
    void CheckBoxSavePasswordClick(TObject* Sender);
    void ButSaveGeneralPageClick(TObject* Sender);
    void ButMySQL_TestClick(TObject* Sender);
    void TabSheetColorsShow(TObject* Sender);
    void OutFieldK1Click(TObject* Sender);
    void ButColorConfigOnClick(TObject* Sender);
    void ButColorConfigOffClick(TObject* Sender);
    void TabSheetKalibrEditsShow(TObject* Sender);
    void OnKalibrSelect(TObject* Sender);
    void ButAddRecordClick(TObject* Sender);
    void ButDelRecordClick(TObject* Sender);
    void ButSaveClick(TObject* Sender);
    void ButCancelClick(TObject* Sender);
    void ClientDataSetSetupAfterPost(TDataSet* DataSet);
    void ClientDataSetKalibrBeforePost(TDataSet* DataSet);

    // The sixteen colour fields in tag order (10, 11, 20, 21, ... 80, 81).
    TOutField* ColorField(int index) const { return colorFields_[index]; }

private:
    void BuildGeneralPage();
    void BuildConstPage();
    void BuildColorsPage();
    void BuildKalibrPage();
    void BuildDataComponents();
    void FillGeneralPage();
    // The array entry a colour field's tag names (odd tag: stopped state, even: running state), or
    // null for a tag outside the sixteen.
    TColor* ColorOfTag(long tag) const;

    int pultIndex_ = 1;
    TOutField* colorFields_[16] = {};
};

extern TFormConfig* FormConfig;

// Switches every running screen that takes the widget edit mode to the global WidgetEditMode.
void ApplyWidgetEditMode();
