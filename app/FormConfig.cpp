#include "app/FormConfig.h"

#include "app/Config.h"
#include "app/Main.h"
#include "core/Global.h"
#include "gui/WinApi.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoReach.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphZola.h"
#include "widgets/ComponentTable.h"

TFormConfig* FormConfig = nullptr;

namespace {

// The material groups of the colour page, in the order of the main window's colour arrays.
struct ColorGroupRow {
    const char* caption;
    const char* running;  // field of the running-state colour
    const char* stopped;  // field of the stopped-state colour
};
const ColorGroupRow kColorGroups[8] = {
    {"Концентрат", "OutFieldK1", "OutFieldK0"},     {"Промпродукт", "OutFieldN1", "OutFieldN0"},
    {"Порода", "OutFieldW1", "OutFieldW0"},         {"Рядовой уголь", "OutFieldP1", "OutFieldP0"},
    {"Вода", "OutFieldR1", "OutFieldR0"},           {"Исходный шлам", "OutFieldS1", "OutFieldS0"},
    {"Слив", "OutFieldO1", "OutFieldO0"},           {"Питание ГС", "OutFieldE1", "OutFieldE0"},
};

const char* const kSignalNames[] = {"TPST_1", "TPST_2", "TPST_3", "ZPST_1", "ZPST_2", "ZPST_3", "TIN",
                                    "TOUT",   "TPAUSA", "KKP",    "TS_1",   "TS_2",   "TS_3 "};

void SetGridFonts(TDBGridGx* grid) {
    for (TFont* f : {grid->TitleFont(), grid->FooterFont()}) {
        f->SetName("Courier New");
        f->SetHeight(-15);
        f->SetStyle(TFontStyles{fsBold});
        f->SetColor(clNavy);
    }
}

TColumnGx* AddColumn(TDBGridGx* grid, const char* field, const char* title, int width, bool readOnly) {
    TColumnGx* c = grid->Columns()->Add();
    c->SetFieldName(field);
    c->Title()->SetCaption(title);
    if (width > 0) c->SetWidth(width);
    if (readOnly) c->SetReadOnly(true);
    return c;
}

}  // namespace

TFormConfig::TFormConfig(TComponent* owner) : TForm(owner) {
    SetName("FormConfig");
    SetCaption("Настройки");
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientSize(585, 464);
    Font()->SetHeight(-15);

    BuildDataComponents();
    BuildComponents(this, {
        Row<TPanel>("PanelBottom", "", 0, 423, 585, 41, 0, [this](TPanel* p) {
            p->SetAlign(alBottom);
            p->SetCaption("");
            PanelBottom = p;
        }),
        Row<TButton>("ButClose", "PanelBottom", 480, 8, 95, 27, 0, [this](TButton* b) {
            b->SetCaption("Закрыть");
            b->SetModalResult(mrOk);
            ButClose = b;
        }),
        Row<TPageControl>("PageControl1", "", 0, 0, 585, 423, 0, [this](TPageControl* p) {
            p->SetAlign(alClient);
            PageControl1 = p;
        }),
    });
    BuildGeneralPage();
    BuildConstPage();
    BuildColorsPage();
    BuildKalibrPage();
    PageControl1->SetActivePage(TabSheetGeneral);

    OnShow = TNotifyEvent(this, &TFormConfig::FormShow);
    OnHide = TNotifyEvent(this, &TFormConfig::FormHide);
}

TFormConfig::~TFormConfig() {
    if (FormConfig == this) FormConfig = nullptr;
}

void TFormConfig::BuildDataComponents() {
    BuildComponents(this, {
        Item<TSQLConnection>("SQLConnectionTest", [this](TSQLConnection* c) {
            c->SetConnectionName("MySQLConnection");
            c->SetDriverName("MySQL");
            c->SetLibraryName("dbxopenmysql50.dll");
            c->SetVendorLib("libmySQL5.dll");
            c->SetGetDriverFunc("getSQLDriverMYSQL50");
            c->SetLoginPrompt(false);
            SQLConnectionTest = c;
        }),
        Item<TSQLDataSet>("SQLDataSetSetup", [this](TSQLDataSet* d) {
            d->SetCommandType(ctTable);
            d->SetCommandText("setup");
            d->SetSortFieldNames("ConstName");
            SQLDataSetSetup = d;
        }),
        Item<TDataSetProvider>("DataSetProviderSetup", [this](TDataSetProvider* p) {
            p->SetDataSet(SQLDataSetSetup);
            DataSetProviderSetup = p;
        }),
        Item<TClientDataSet>("ClientDataSetSetup", [this](TClientDataSet* d) {
            d->SetProvider(DataSetProviderSetup);
            d->AfterPost = TDataSetNotifyEvent(this, &TFormConfig::ClientDataSetSetupAfterPost);
            ClientDataSetSetup = d;
        }),
        Item<TDataSource>("DataSourceConstList", [this](TDataSource* s) {
            s->SetDataSet(ClientDataSetSetup);
            DataSourceConstList = s;
        }),
        Item<TSQLDataSet>("SQLDataSetKalibr", [this](TSQLDataSet* d) {
            d->SetCommandText("select * from kalibr order by PultIndex,SignalName,AVal");
            SQLDataSetKalibr = d;
        }),
        Item<TDataSetProvider>("DataSetProviderKalibr", [this](TDataSetProvider* p) {
            p->SetDataSet(SQLDataSetKalibr);
            DataSetProviderKalibr = p;
        }),
        Item<TClientDataSet>("ClientDataSetKalibr", [this](TClientDataSet* d) {
            d->SetProvider(DataSetProviderKalibr);
            d->AfterPost = TDataSetNotifyEvent(this, &TFormConfig::ClientDataSetSetupAfterPost);
            d->BeforePost = TDataSetNotifyEvent(this, &TFormConfig::ClientDataSetKalibrBeforePost);
            ClientDataSetKalibr = d;
        }),
        Item<TDataSource>("DataSourceKalibr", [this](TDataSource* s) {
            s->SetDataSet(ClientDataSetKalibr);
            DataSourceKalibr = s;
        }),
        Item<TColorDialog>("ColorDialog1", [this](TColorDialog* d) { ColorDialog1 = d; }),
    });
    // Every statement runs on the main window's session; the login test has its own.
    if (FormMain) {
        SQLDataSetSetup->SetSQLConnection(FormMain->SQLConnection1);
        SQLDataSetKalibr->SetSQLConnection(FormMain->SQLConnection1);
        SQLConnectionTest->Params()->Assign(FormMain->SQLConnection1->Params());
    }
}

void TFormConfig::BuildGeneralPage() {
    BuildComponents(this, {
        Row<TTabSheet>("TabSheetGeneral", "", 0, 0, 0, 0, 0, [this](TTabSheet* t) {
            t->SetPageControl(PageControl1);
            t->SetCaption("Общие");
            t->OnShow = TNotifyEvent(this, &TFormConfig::TabSheetGeneralShow);
            TabSheetGeneral = t;
        }),
        Row<TGroupBox>("GroupBoxMySQL", "TabSheetGeneral", 8, 8, 561, 201, 0, [this](TGroupBox* g) {
            g->SetCaption("Связь с SQL сервером");
            GroupBoxMySQL = g;
        }),
        Row<TLabel>("LabelHost", "GroupBoxMySQL", 16, 32, 160, 18, 0, [this](TLabel* l) {
            l->SetCaption("Адрес сервера:");
            LabelHost = l;
        }),
        Row<TEdit>("EditMySQL_Host", "GroupBoxMySQL", 184, 28, 361, 24, 0, [this](TEdit* e) {
            EditMySQL_Host = e;
        }),
        Row<TLabel>("LabelLogin", "GroupBoxMySQL", 16, 64, 160, 18, 0, [this](TLabel* l) {
            l->SetCaption("Имя пользователя:");
            LabelLogin = l;
        }),
        Row<TEdit>("EditMySQL_Login", "GroupBoxMySQL", 184, 60, 361, 24, 0, [this](TEdit* e) {
            EditMySQL_Login = e;
        }),
        Row<TLabel>("LabelPassword", "GroupBoxMySQL", 16, 96, 160, 18, 0, [this](TLabel* l) {
            l->SetCaption("Пароль:");
            LabelPassword = l;
        }),
        Row<TEdit>("EditMySQL_Password", "GroupBoxMySQL", 184, 92, 361, 24, 0, [this](TEdit* e) {
            e->SetPasswordChar('$');
            e->SetEnabled(false);
            EditMySQL_Password = e;
        }),
        Row<TCheckBox>("CheckBoxSavePassword", "GroupBoxMySQL", 184, 124, 361, 20, 0, [this](TCheckBox* c) {
            c->SetCaption("Запоминать пароль");
            c->OnClick = TNotifyEvent(this, &TFormConfig::CheckBoxSavePasswordClick);
            CheckBoxSavePassword = c;
        }),
        Row<TButton>("ButMySQL_Test", "GroupBoxMySQL", 16, 156, 529, 29, 0, [this](TButton* b) {
            b->SetCaption("Протестировать параметры MySQL соединения");
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButMySQL_TestClick);
            ButMySQL_Test = b;
        }),
        Row<TCheckBox>("CheckBoxShutdownOnExit", "TabSheetGeneral", 16, 224, 545, 20, 0, [this](TCheckBox* c) {
            c->SetCaption("Выключать компьютер при закрытии программы");
            CheckBoxShutdownOnExit = c;
        }),
        Row<TButton>("ButSaveGeneralPage", "TabSheetGeneral", 384, 340, 185, 29, 0, [this](TButton* b) {
            b->SetCaption("Принять настройки");
            b->SetDefault(true);
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButSaveGeneralPageClick);
            ButSaveGeneralPage = b;
        }),
    });
}

void TFormConfig::BuildConstPage() {
    BuildComponents(this, {
        Row<TTabSheet>("TabSheetConstEditor", "", 0, 0, 0, 0, 0, [this](TTabSheet* t) {
            t->SetPageControl(PageControl1);
            t->SetCaption("Константы");
            TabSheetConstEditor = t;
        }),
        Row<TDBGridGx>("DBGridGxConstList", "TabSheetConstEditor", 0, 0, 577, 390, 0, [this](TDBGridGx* g) {
            g->SetAlign(alClient);
            g->SetDataSource(DataSourceConstList);
            g->SetUseMultiTitle(true);
            SetGridFonts(g);
            g->SetAllowedOperations(alopUpdateGx);
            // A description longer than its column goes on in a second line.
            AddColumn(g, "Comment", "Описание константы", 400, true)->SetWordWrap(true);
            AddColumn(g, "ConstVal", "Значение", 0, false);
            g->SetRowLines(2);
            DBGridGxConstList = g;
        }),
    });
}

void TFormConfig::BuildColorsPage() {
    std::vector<TComponentRow> rows = {
        Row<TTabSheet>("TabSheetColors", "", 0, 0, 0, 0, 0, [this](TTabSheet* t) {
            t->SetPageControl(PageControl1);
            t->SetCaption("Оформление");
            t->OnShow = TNotifyEvent(this, &TFormConfig::TabSheetColorsShow);
            TabSheetColors = t;
        }),
        Row<TLabel>("LabelGroupHeading", "TabSheetColors", 16, 12, 180, 36, 0,
                    [](TLabel* l) { l->SetCaption("Группа компонентов"); }),
        Row<TLabel>("LabelRunning", "TabSheetColors", 200, 12, 170, 36, 0, [](TLabel* l) {
            // Placed with the form's font while still empty, it had sized itself to one blank.
            l->SetWordWrap(true);
            l->SetWidth(170);
            l->SetCaption("Цвет в активном режиме");
        }),
        Row<TLabel>("LabelStopped", "TabSheetColors", 380, 12, 180, 36, 0, [](TLabel* l) {
            // Placed with the form's font while still empty, it had sized itself to one blank.
            l->SetWordWrap(true);
            l->SetWidth(180);
            l->SetCaption("Цвет в режиме выключено");
        }),
    };
    TOutField** slots[16] = {&OutFieldK1, &OutFieldK0, &OutFieldN1, &OutFieldN0, &OutFieldW1, &OutFieldW0,
                             &OutFieldP1, &OutFieldP0, &OutFieldR1, &OutFieldR0, &OutFieldS1, &OutFieldS0,
                             &OutFieldO1, &OutFieldO0, &OutFieldE1, &OutFieldE0};
    for (int g = 0; g < 8; ++g) {
        const int top = 52 + g * 30;
        rows.push_back(Row<TLabel>(AnsiString("LabelGroup") + AnsiString(g + 1), "TabSheetColors", 16, top + 4, 180,
                                   20, 0, [g](TLabel* l) { l->SetCaption(kColorGroups[g].caption); }));
        for (int state = 0; state < 2; ++state) {
            const int index = g * 2 + state;
            const long tag = 10L * (g + 1) + state;
            rows.push_back(Row<TOutField>(state == 0 ? kColorGroups[g].running : kColorGroups[g].stopped,
                                          "TabSheetColors", state == 0 ? 200 : 380, top, 120, 26, tag,
                                          [this, index, slots](TOutField* f) {
                                              f->SetHint("Выбрать другой цвет...");
                                              f->SetShowHint(true);
                                              f->SetCursor(crHandPoint);
                                              f->SetOutFormat(" ");  // a colour swatch: no number
                                              f->OnClick = TNotifyEvent(this, &TFormConfig::OutFieldK1Click);
                                              *slots[index] = f;
                                              colorFields_[index] = f;
                                          }));
        }
    }
    rows.push_back(Row<TGroupBox>("GroupBoxEditMode", "TabSheetColors", 8, 300, 561, 73, 0, [this](TGroupBox* g) {
        g->SetCaption("Режим интерактивной настройки других компонентов");
        GroupBoxEditMode = g;
    }));
    rows.push_back(Row<TButton>("ButColorConfigOn", "GroupBoxEditMode", 16, 28, 160, 29, 0, [this](TButton* b) {
        b->SetCaption("Включить");
        b->OnClick = TNotifyEvent(this, &TFormConfig::ButColorConfigOnClick);
        ButColorConfigOn = b;
    }));
    rows.push_back(Row<TButton>("ButColorConfigOff", "GroupBoxEditMode", 192, 28, 160, 29, 0, [this](TButton* b) {
        b->SetCaption("Выключить");
        b->OnClick = TNotifyEvent(this, &TFormConfig::ButColorConfigOffClick);
        ButColorConfigOff = b;
    }));
    BuildComponents(this, rows);
}

void TFormConfig::BuildKalibrPage() {
    BuildComponents(this, {
        Row<TTabSheet>("TabSheetKalibrEdits", "", 0, 0, 0, 0, 0, [this](TTabSheet* t) {
            t->SetPageControl(PageControl1);
            t->SetCaption("Калибровки ");
            t->OnShow = TNotifyEvent(this, &TFormConfig::TabSheetKalibrEditsShow);
            TabSheetKalibrEdits = t;
        }),
        Row<TLabel>("LabelPultIndex", "TabSheetKalibrEdits", 16, 16, 170, 20, 0,
                    [](TLabel* l) { l->SetCaption("Отсадочная машина:"); }),
        Row<TComboBox>("ComboBoxPultIndex", "TabSheetKalibrEdits", 192, 12, 200, 24, 0, [this](TComboBox* c) {
            c->SetStyle(csDropDownList);
            c->Items()->Add("крупного класса");
            c->Items()->Add("мелкого класса");
            // The machine field starts at 1: the list shows it, so a filter applies from the start.
            c->SetItemIndex(0);
            c->OnSelect = TNotifyEvent(this, &TFormConfig::OnKalibrSelect);
            ComboBoxPultIndex = c;
        }),
        Row<TLabel>("LabelSignalName", "TabSheetKalibrEdits", 16, 48, 170, 20, 0,
                    [](TLabel* l) { l->SetCaption("Название сигнала:"); }),
        Row<TComboBox>("ComboBoxSignalName", "TabSheetKalibrEdits", 192, 44, 200, 24, 0, [this](TComboBox* c) {
            c->SetStyle(csDropDownList);
            for (const char* name : kSignalNames) c->Items()->Add(name);
            c->SetItemIndex(0);
            c->OnSelect = TNotifyEvent(this, &TFormConfig::OnKalibrSelect);
            ComboBoxSignalName = c;
        }),
        Row<TDBGridGx>("DBGridGxKalibr", "TabSheetKalibrEdits", 16, 80, 300, 300, 0, [this](TDBGridGx* g) {
            g->SetDataSource(DataSourceKalibr);
            g->SetUseMultiTitle(true);
            SetGridFonts(g);
            g->SetAllowedOperations(alopUpdateGx);
            AddColumn(g, "AVal", "Значение|Аппаратное", 130, false);
            AddColumn(g, "FVal", "Значение|Физическое", 130, false);
            DBGridGxKalibr = g;
        }),
        Row<TButton>("ButAddRecord", "TabSheetKalibrEdits", 336, 80, 120, 29, 0, [this](TButton* b) {
            b->SetCaption("Добавить");
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButAddRecordClick);
            ButAddRecord = b;
        }),
        Row<TButton>("ButDelRecord", "TabSheetKalibrEdits", 336, 116, 120, 29, 0, [this](TButton* b) {
            b->SetCaption("Удалить");
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButDelRecordClick);
            ButDelRecord = b;
        }),
        Row<TButton>("ButSave", "TabSheetKalibrEdits", 336, 316, 120, 29, 0, [this](TButton* b) {
            b->SetCaption("Сохранить");
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButSaveClick);
            ButSave = b;
        }),
        Row<TButton>("ButCancel", "TabSheetKalibrEdits", 336, 352, 120, 29, 0, [this](TButton* b) {
            b->SetCaption("Отменить");
            b->OnClick = TNotifyEvent(this, &TFormConfig::ButCancelClick);
            ButCancel = b;
        }),
    });
}

// ---- General page ------------------------------------------------------------------------------------

void TFormConfig::FillGeneralPage() {
    if (!FormMain) return;
    EditMySQL_Host->SetText(FormMain->HostName);
    EditMySQL_Login->SetText(FormMain->UserName);
    // Setting the box by code runs its click handler, which enables or disables the password edit.
    CheckBoxSavePassword->SetChecked(FormMain->SavePassword);
    CheckBoxSavePasswordClick(CheckBoxSavePassword);
    CheckBoxShutdownOnExit->SetChecked(ShutdownOnExit);
}

void TFormConfig::FormShow(TObject*) {
    FillGeneralPage();
    if (FormMain && FormMain->SQLConnection1->Connected()) {
        ClientDataSetSetup->Open();
        ClientDataSetKalibr->Open();
    }
    // The page shown first fills itself too (its OnShow comes only with a change of page).
    if (PageControl1->ActivePage() == TabSheetColors) TabSheetColorsShow(TabSheetColors);
    if (PageControl1->ActivePage() == TabSheetKalibrEdits) TabSheetKalibrEditsShow(TabSheetKalibrEdits);
}

void TFormConfig::FormHide(TObject*) { SQLDataSetSetup->Close(); }

void TFormConfig::TabSheetGeneralShow(TObject*) { FillGeneralPage(); }

void TFormConfig::CheckBoxSavePasswordClick(TObject*) {
    EditMySQL_Password->SetEnabled(CheckBoxSavePassword->Checked());
}

void TFormConfig::ButSaveGeneralPageClick(TObject*) {
    if (!FormMain) return;
    FormMain->HostName = EditMySQL_Host->Text();
    FormMain->UserName = EditMySQL_Login->Text();
    FormMain->SavePassword = CheckBoxSavePassword->Checked();
    ShutdownOnExit = CheckBoxShutdownOnExit->Checked();
    if (FormMain->SavePassword) FormMain->Password = EditMySQL_Password->Text();
}

void TFormConfig::ButMySQL_TestClick(TObject*) {
    SQLConnectionTest->SetConnected(false);
    // The database and the other keys are the station's own; the page gives the login.
    if (FormMain) SQLConnectionTest->Params()->Assign(FormMain->SQLConnection1->Params());
    SetConnectionParam(FormMain, "HostName", EditMySQL_Host->Text(), SQLConnectionTest);
    SetConnectionParam(FormMain, "User_Name", EditMySQL_Login->Text(), SQLConnectionTest);
    SetConnectionParam(FormMain, "Password", EditMySQL_Password->Text(), SQLConnectionTest);
    try {
        SQLConnectionTest->SetConnected(true);
    } catch (const Exception&) {
        Application->MessageBox("Не удалось подключиться к MySQL серверу.", "Ошибка", MB_OK | MB_ICONERROR);
        return;
    }
    Application->MessageBox("Подключение к серверу успешно установлено.", "Тест подключения",
                            MB_OK | MB_ICONINFORMATION);
    SQLConnectionTest->SetConnected(false);
}

// ---- Colours -------------------------------------------------------------------------------------------

TColor* TFormConfig::ColorOfTag(long tag) const {
    if (!FormMain) return nullptr;
    if (tag % 2 != 0) {
        const long index = (tag - 1) / 10 - 1;
        return index >= 0 && index < 8 ? &FormMain->OffColors[index] : nullptr;
    }
    const long index = tag / 10 - 1;
    return index >= 0 && index < 8 ? &FormMain->OnColors[index] : nullptr;
}

void TFormConfig::TabSheetColorsShow(TObject*) {
    for (TOutField* f : colorFields_) {
        if (TColor* c = ColorOfTag(f->Tag())) f->Brush()->SetColor(*c);
        f->Invalidate();
    }
}

void TFormConfig::OutFieldK1Click(TObject* Sender) {
    auto* field = dynamic_cast<TOutField*>(Sender);
    if (!field) return;
    ColorDialog1->SetColor(field->Brush()->Color());
    if (!ColorDialog1->Execute()) return;
    if (TColor* c = ColorOfTag(field->Tag())) *c = ColorDialog1->Color();
    field->Brush()->SetColor(ColorDialog1->Color());
    field->Invalidate();
}

void TFormConfig::ButColorConfigOnClick(TObject*) {
    WidgetEditMode = true;
    ApplyWidgetEditMode();
}

void TFormConfig::ButColorConfigOffClick(TObject*) {
    WidgetEditMode = false;
    ApplyWidgetEditMode();
}

void ApplyWidgetEditMode() {
    // The flotation and hydrosizer screens take the mode only when they are made.
    if (FormGraphTS_1) FormGraphTS_1->SetEditMode();
    if (FormGraphTS_2) FormGraphTS_2->SetEditMode();
    if (FormGraphAir_1) FormGraphAir_1->SetEditMode();
    if (FormGraphAir_2) FormGraphAir_2->SetEditMode();
    if (FormGraph3Zoom1) FormGraph3Zoom1->SetEditMode();
    if (FormGraph3Zoom2) FormGraph3Zoom2->SetEditMode();
    if (FormMnemoReach) FormMnemoReach->SetEditMode();
    if (FormMnemo) FormMnemo->SetEditMode();
    if (FormGraphBakLevel) FormGraphBakLevel->SetEditMode();
    if (FormGraphBeltWork) FormGraphBeltWork->SetEditMode();
    if (FormGraphZola) FormGraphZola->SetEditMode();
}

// ---- Calibration ---------------------------------------------------------------------------------------

void TFormConfig::TabSheetKalibrEditsShow(TObject* Sender) { OnKalibrSelect(Sender); }

void TFormConfig::OnKalibrSelect(TObject*) {
    if (!ClientDataSetKalibr->Active() || ComboBoxPultIndex->ItemIndex() < 0) return;
    pultIndex_ = ComboBoxPultIndex->ItemIndex() + 1;
    ClientDataSetKalibr->SetFilter("PultIndex=" + AnsiString(pultIndex_) + " and SignalName='" +
                                   ComboBoxSignalName->Text() + "'");
    ClientDataSetKalibr->SetFiltered(true);
}

void TFormConfig::ButAddRecordClick(TObject*) {
    ClientDataSetKalibr->Append();
    ClientDataSetKalibr->FieldByName("PultIndex")->SetAsInteger(pultIndex_);
    ClientDataSetKalibr->FieldByName("SignalName")->SetAsString(ComboBoxSignalName->Text());
}

void TFormConfig::ButDelRecordClick(TObject*) { ClientDataSetKalibr->Delete(); }

void TFormConfig::ButSaveClick(TObject*) {
    // One failing row rolls the whole apply back: every change stays pending and the error is shown.
    ClientDataSetKalibr->ApplyUpdates(0);
}

void TFormConfig::ButCancelClick(TObject*) {
    ClientDataSetKalibr->CancelUpdates();
    ClientDataSetKalibr->Refresh();
}

void TFormConfig::ClientDataSetSetupAfterPost(TDataSet*) {
    // Constants go to the database at once; a failing row leaves every change pending.
    ClientDataSetSetup->ApplyUpdates(0);
}

void TFormConfig::ClientDataSetKalibrBeforePost(TDataSet*) {
    ClientDataSetKalibr->FieldByName("PultIndex")->SetAsInteger(pultIndex_);
    ClientDataSetKalibr->FieldByName("SignalName")->SetAsString(ComboBoxSignalName->Text());
}
