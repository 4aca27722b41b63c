// The main window's actions: every screen, print and dialog the user can reach, one action each,
// run alike from the main menu, the tool bar pages, the launcher's tiles and the keyboard.
#include "app/MainActions.h"

#include "app/FormAbout.h"
#include "app/FormConfig.h"
#include "app/FormMainMenu.h"
#include "app/Main.h"
#include "core/EventLog.h"
#include "gui/Dialogs.h"
#include "gui/WinApi.h"
#include "links/FormPUF_Link.h"
#include "links/FormTarControl.h"
#include "links/FormV120_Link.h"
#include "links/PufThread.h"
#include "rtl/FileUtils.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoGS.h"
#include "screens/diagrams/MnemoReach.h"
#include "screens/diagrams/TotalMnemo.h"
#include "screens/graphs/FormFlotGraph.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphGS.h"
#include "screens/graphs/FormGraphTS.h"
#include "screens/graphs/FormGraphZola.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/tables/BaseView.h"
#include "screens/tables/BeltLog.h"
#include "screens/tables/LogView.h"
#include "screens/tables/PUF_Log.h"
#include "screens/tables/PuState.h"
#include "screens/tables/SvodTable.h"
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"
#include "sys/Host.h"
#include "widgets/Arrow.h"

#include <vector>

namespace {

using THandler = void (TFormMain::*)(TObject*);

// One action of ActionList1, in list order. A handler that is null belongs to a screen or dialog
// that is not part of the program yet: the action is listed, shown and reachable, and does nothing.
struct TActionRow {
    TAction* TFormMain::*field;
    const char* name;
    const char* category;
    const char* caption;
    const char* shortcut;
    int tag;
    THandler handler;
    TActionPicture picture;
};

const std::vector<TActionRow>& actionRows() {
    using P = TActionPicture;
    static const std::vector<TActionRow> rows = {
        // Screens.
        {&TFormMain::ActionMainMenu, "ActionMainMenu", "Главное", "Главное меню", "F1", 0,
         &TFormMain::ActionMainMenuExecute, P::Menu},
        {&TFormMain::ActionMainMnemo, "ActionMainMnemo", "Мнемосхемы", "Общая мнемосхема", "F2", 2,
         &TFormMain::ActionMainMnemoExecute, P::Mnemo},
        {&TFormMain::ActionMnemoReach, "ActionMnemoReach", "Мнемосхемы", "Обогащения методом отсадки", "F3", 3,
         &TFormMain::ActionMnemoReachExecute, P::Mnemo},
        {&TFormMain::ActionMnemoFlot, "ActionMnemoFlot", "Мнемосхемы", "Обогащение методом флотации", "F4", 4,
         &TFormMain::ActionMnemoFlotExecute, P::Mnemo},
        {&TFormMain::ActionMnemoGS, "ActionMnemoGS", "Мнемосхемы", "Мнемосхема обогащения шламов на гидросайзере", "F5",
         5, &TFormMain::ActionMnemoGSExecute, P::Mnemo},
        {&TFormMain::ActionGraphPBigOM, "ActionGraphPBigOM", "Графики",
         "Высота постели в отсадочной машине крупного класса", "F6", 6, &TFormMain::ActionGraphPBigOMExecute,
         P::Graph},
        {&TFormMain::ActionGraphPSmallOM, "ActionGraphPSmallOM", "Графики",
         "Высота постели в отсадочной машине мелкого класса", "F7", 7, &TFormMain::ActionGraphPSmallOMExecute,
         P::Graph},
        {&TFormMain::ActionGraphRBigOM, "ActionGraphRBigOM", "Графики",
         "Работа разгрузчиков отсадочной машины крупного класса", "F8", 8, &TFormMain::ActionGraphRBigOMExecute,
         P::Graph},
        {&TFormMain::ActionGraphRSmallOM, "ActionGraphRSmallOM", "Графики",
         "Работа разгрузчиков отсадочной машины мелкого класса", "F9", 9, &TFormMain::ActionGraphRSmallOMExecute,
         P::Graph},
        {&TFormMain::ActionAWModeBigOM, "ActionAWModeBigOM", "Графики",
         "Параметры водовоздушного режима машины крупного класса", "F10", 10, &TFormMain::ActionAWModeBigOMExecute,
         P::Graph},
        {&TFormMain::ActionAWModeSmallOM, "ActionAWModeSmallOM", "Графики",
         "Параметры водовоздушного режима машины мелкого класса", "F11", 11, &TFormMain::ActionAWModeSmallOMExecute,
         P::Graph},
        {&TFormMain::ActionGraphFlotParam, "ActionGraphFlotParam", "Графики", "Графики параметров  процесса флотации",
         "F12", 12, &TFormMain::ActionGraphFlotParamExecute, P::Graph},
        {&TFormMain::ActionGraphFlotOut, "ActionGraphFlotOut", "Графики", "График зольности отходов флотации",
         "Alt+F1", 101, &TFormMain::ActionGraphFlotOutExecute, P::Graph},
        {&TFormMain::ActionGraphBakLevel, "ActionGraphBakLevel", "Графики",
         "Графики  изменения уровней  в баках реагентов", "Alt+F2", 102, &TFormMain::ActionGraphBakLevelExecute, P::Graph},
        {&TFormMain::ActionGraphBelt, "ActionGraphBelt", "Графики", "График изменения нагрузки на конвейерах",
         "Alt+F3", 103, &TFormMain::ActionGraphBeltExecute, P::Graph},
        {&TFormMain::ActionGraphGS, "ActionGraphGS", "Графики", "Графики параметров работы гидросайзера.", "Alt+F4",
         104, &TFormMain::ActionGraphGSExecute, P::Graph},
        {&TFormMain::ActionMainTable, "ActionMainTable", "Таблицы", "Обобщенная таблица показателей  работы...",
         "Alt+F5", 105, &TFormMain::ActionMainTableExecute, P::Table},
        {&TFormMain::ActionTableTime, "ActionTableTime", "Таблицы", "Таблица учета работы отсадочных машин", "Alt+F6",
         106, &TFormMain::ActionTableTimeExecute, P::Table},
        {&TFormMain::ActionTableFlot, "ActionTableFlot", "Таблицы", "Таблица учета работы флотации", "Alt+F7", 107,
         &TFormMain::ActionTableFlotExecute, P::Table},
        {&TFormMain::ActionTableBelt, "ActionTableBelt", "Таблицы", "Таблица показателей работы конвейеров", "Alt+F8",
         108, &TFormMain::ActionTableBeltExecute, P::Table},
        {&TFormMain::ActionTableGS, "ActionTableGS", "Таблицы", "Таблица  показателей  работы  гидросайзера", "Alt+F9",
         109, &TFormMain::ActionTableGSExecute, P::Table},
        {&TFormMain::ActionOM_Log, "ActionOM_Log", "Журналы", "Журнал регистрации работы ОМ", "Alt+F10", 110,
         &TFormMain::ActionOM_LogExecute, P::Log},
        {&TFormMain::ActionFlotLog, "ActionFlotLog", "Журналы", "Журнал регистрации управления флотацией", "Alt+F11",
         111, &TFormMain::ActionFlotLogExecute, P::Log},
        {&TFormMain::ActionWSensLog, "ActionWSensLog", "Журналы", "Журнал регистрации работы весов", "Ctrl+F9", 21,
         &TFormMain::ActionWSensLogExecute, P::Log},
        {&TFormMain::ActionShowBase, "ActionShowBase", "Специальные", "Просмотр базы данных", "", 0,
         &TFormMain::ActionShowBaseExecute, P::None},
        // Dialogs and commands.
        {&TFormMain::ActionExit, "ActionExit", "Главное", "Вы&xод", "Ctrl+Q", 0, &TFormMain::ActionExitExecute,
         P::None},
        {&TFormMain::ActionAbout, "ActionAbout", "Справка", "О программе", "Ctrl+F1", 0, &TFormMain::ActionAboutExecute,
         P::None},
        {&TFormMain::ActionShowConfig, "ActionShowConfig", "Специальные", "Конфигурация", "Ctrl+Alt+C", 0,
         &TFormMain::ActionShowConfigExecute, P::None},
        {&TFormMain::ActionShowDriver1, "ActionShowDriver1", "Специальные", "ПУ №1", "", 0,
         &TFormMain::ActionShowDriver1Execute, P::None},
        {&TFormMain::ActionShowDriver2, "ActionShowDriver2", "Специальные", "ПУ №2", "", 0,
         &TFormMain::ActionShowDriver2Execute, P::None},
        {&TFormMain::ActionShowPUFDriver, "ActionShowPUFDriver", "Специальные", "Пульт управления флотацией", "", 0,
         &TFormMain::ActionShowPUFDriverExecute, P::None},
        {&TFormMain::ActionShowDriverV120, "ActionShowDriverV120", "Специальные", "Конвейеры весов и гидросайзер", "", 0,
         &TFormMain::ActionShowDriverV120Execute, P::None},
        {&TFormMain::ActionTarControl386, "ActionTarControl386", "Специальные", "Конвейер 386-2", "", 0,
         &TFormMain::ActionTarControl386Execute, P::None},
        {&TFormMain::ActionTarControl401, "ActionTarControl401", "Специальные", "Конвейер 401", "", 0,
         &TFormMain::ActionTarControl401Execute, P::None},
        {&TFormMain::ActionSetZRRS, "ActionSetZRRS", "", "Удельный расход собирателя", "", 0,
         &TFormMain::ActionSetZRRSExecute, P::None},
        {&TFormMain::ActionSetZRRP, "ActionSetZRRP", "", "Удельный расход пенообразователя", "", 0,
         &TFormMain::ActionSetZRRPExecute, P::None},
        {&TFormMain::ActionSetTRRS, "ActionSetTRRS", "", "Текущий расход собирателя", "", 0,
         &TFormMain::ActionSetTRRSExecute, P::None},
        {&TFormMain::ActionSetTRRP, "ActionSetTRRP", "", "Текущий расход пенообразователя", "", 0,
         &TFormMain::ActionSetTRRPExecute, P::None},
        {&TFormMain::ActionRunFAR, "ActionRunFAR", "Специальные", "Запустить FAR", "Ctrl+Alt+F", 0,
         &TFormMain::ActionRunFARExecute, P::None},
        // Prints.
        {&TFormMain::ActionPrintWPK, "ActionPrintWPK", "Печать", "Графики высоты постели машины крупного класса", "", 0,
         &TFormMain::ActionPrintWPKExecute, P::None},
        {&TFormMain::ActionPrintWPM, "ActionPrintWPM", "Печать", "Графики высоты постели машины мелкого класса", "", 0,
         &TFormMain::ActionPrintWPMExecute, P::None},
        {&TFormMain::ActionPrintTSK, "ActionPrintTSK", "Печать", "Графики скорости разгрузчиков машины крупного класса",
         "", 0, &TFormMain::ActionPrintTSKExecute, P::None},
        {&TFormMain::ActionPrintTSM, "ActionPrintTSM", "Печать", "Графики скорости разгрузчиков машины мелкого класса",
         "", 0, &TFormMain::ActionPrintTSMExecute, P::None},
        {&TFormMain::ActionPrintAirK, "ActionPrintAirK", "Печать",
         "Графики параметров водовоздушного цикла машины крупного класса", "", 0, &TFormMain::ActionPrintAirKExecute,
         P::None},
        {&TFormMain::ActionPrintAirM, "ActionPrintAirM", "Печать",
         "Графики параметров водовоздушного цикла машины мелокго класса", "", 0, &TFormMain::ActionPrintAirMExecute,
         P::None},
        {&TFormMain::ActionPrintFlotGraph, "ActionPrintFlotGraph", "Печать", "Графики параметров  процесса флотации", "",
         0, &TFormMain::ActionPrintFlotGraphExecute, P::None},
        {&TFormMain::ActionPrintGraphZola, "ActionPrintGraphZola", "Печать", "График зольности отходов флотации", "", 0,
         &TFormMain::ActionPrintGraphZolaExecute, P::None},
        {&TFormMain::ActionPrintGraphBakLevel, "ActionPrintGraphBakLevel", "Печать",
         "Графики  изменения уровней  в баках суточных запасов  реагентов", "", 0,
         &TFormMain::ActionPrintGraphBakLevelExecute, P::None},
        {&TFormMain::ActionPrintGraphBeltWork, "ActionPrintGraphBeltWork", "Печать",
         "График изменения нагрузки на конвейеры", "", 0, &TFormMain::ActionPrintGraphBeltWorkExecute,
         P::None},
        {&TFormMain::ActionPrintGraphGS, "ActionPrintGraphGS", "Печать", "Графики работы гидросайзера", "", 0,
         &TFormMain::ActionPrintGraphGSExecute, P::None},
        {&TFormMain::ActionPrintTable, "ActionPrintTable", "Печать", "Учета работы отсадочных машин", "", 0,
         &TFormMain::ActionPrintTableExecute, P::None},
        {&TFormMain::ActionPrintTableFlot, "ActionPrintTableFlot", "Печать", "Показателей работы процесса флотации", "",
         0, &TFormMain::ActionPrintTableFlotExecute, P::None},
        {&TFormMain::ActionPrintTableBelt, "ActionPrintTableBelt", "Печать", "Показателей работы конвейеров", "", 0,
         &TFormMain::ActionPrintTableBeltExecute, P::None},
        {&TFormMain::ActionPrintTableMain, "ActionPrintTableMain", "Печать", "Обобщающая таблица показателей работы", "",
         0, &TFormMain::ActionPrintTableMainExecute, P::None},
        {&TFormMain::ActionPrintTableGS, "ActionPrintTableGS", "Печать", "Таблица работы гидросайзера", "", 0,
         &TFormMain::ActionPrintTableGSExecute, P::None},
        {&TFormMain::ActionPrintLogPU1, "ActionPrintLogPU1", "Печать", "Журнал работы отсадочной машины крупного класса",
         "", 0, &TFormMain::ActionPrintLogPU1Execute, P::None},
        {&TFormMain::ActionPrintLogPU2, "ActionPrintLogPU2", "Печать", "Журнал работы отсадочной машины мелкого класса",
         "", 0, &TFormMain::ActionPrintLogPU2Execute, P::None},
        {&TFormMain::ActionPrintFlotLog, "ActionPrintFlotLog", "Печать",
         "Журнал регистрации  событий  по управлению флотацией", "", 0,
         &TFormMain::ActionPrintFlotLogExecute, P::None},
    };
    return rows;
}

// The first runs of two graph actions also lay their screen out.
bool FirstFlotGraphShow = true;
bool FirstGraphGSShow = true;

}  // namespace

// ---- Building ------------------------------------------------------------------------------------------

void TFormMain::BuildActions() {
    for (const TActionRow& r : actionRows()) {
        auto* a = new TAction(this);
        a->SetName(r.name);
        a->SetCaption(r.caption);
        a->SetHint(StripHotkey(r.caption));
        a->SetCategory(r.category);
        if (*r.shortcut) a->SetShortCut(TextToShortCut(r.shortcut));
        a->SetTag(r.tag);
        if (r.picture != TActionPicture::None) a->SetImageIndex(AddActionPicture(ImageList2, r.picture, r.shortcut));
        if (r.handler) a->OnExecute = TNotifyEvent(this, r.handler);
        a->SetActionList(ActionList1);
        this->*(r.field) = a;
    }

    // ---- Main menu ----
    TMenu* menu = MainMenu1;
    auto top = [&](const char* caption) {
        auto* m = new TMenuItem(menu);
        m->SetCaption(caption);
        menu->Items()->Add(m);
        return m;
    };
    auto sub = [&](TMenuItem* parent, const char* caption) {
        auto* m = new TMenuItem(menu);
        m->SetCaption(caption);
        parent->Add(m);
        return m;
    };
    auto add = [&](TMenuItem* parent, std::initializer_list<TAction*> actions) {
        for (TAction* a : actions) {
            auto* m = new TMenuItem(menu);
            if (a) m->SetAction(a);
            else m->SetCaption("-");
            parent->Add(m);
        }
    };
    constexpr TAction* line = nullptr;
    add(top("Главное"), {ActionMainMenu, line, ActionExit});
    add(top("Мнемосхемы"), {ActionMnemoReach, ActionMnemoFlot, ActionMnemoGS, line, ActionMainMnemo});
    add(top("Графики"), {ActionGraphPBigOM, ActionGraphPSmallOM, line, ActionGraphRBigOM, ActionGraphRSmallOM, line,
                         ActionAWModeBigOM, ActionAWModeSmallOM, line, ActionGraphFlotParam, ActionGraphFlotOut,
                         ActionGraphBakLevel, line, ActionGraphBelt, line, ActionGraphGS});
    add(top("Таблицы"), {ActionMainTable, line, ActionTableTime, ActionTableFlot, ActionTableBelt, ActionTableGS});
    add(top("Задание"), {ActionSetTRRP, ActionSetTRRS, line, ActionSetZRRP, ActionSetZRRS});
    add(top("Журналы"), {ActionOM_Log, ActionFlotLog});
    TMenuItem* print = top("Печать");
    TMenuItem* printGraphs = sub(print, "Графики");
    add(sub(printGraphs, "Отсадка"), {ActionPrintWPK, ActionPrintWPM, line, ActionPrintTSK, ActionPrintTSM, line,
                                       ActionPrintAirK, ActionPrintAirM});
    add(sub(printGraphs, "Флотация"), {ActionPrintFlotGraph, ActionPrintGraphZola, ActionPrintGraphBakLevel});
    add(printGraphs, {ActionPrintGraphBeltWork, ActionPrintGraphGS});
    add(sub(print, "Таблицы"), {ActionPrintTableMain, line, ActionPrintTable, ActionPrintTableFlot,
                                 ActionPrintTableBelt, ActionPrintTableGS});
    add(sub(print, "Журналы"), {ActionPrintLogPU1, ActionPrintLogPU2, ActionPrintFlotLog});
    TMenuItem* service = top("Сервис");
    add(sub(service, "Драйвер обмена"), {ActionShowDriver1, ActionShowDriver2, line, ActionShowPUFDriver, line,
                                         ActionShowDriverV120});
    // The tare dialogs have no place of their own elsewhere; they sit with the other link tools.
    add(sub(service, "Тарировка весов"), {ActionTarControl386, ActionTarControl401});
    add(service, {ActionShowBase, ActionShowConfig});
    add(top("Справка"), {ActionAbout});

    // ---- Tool bar: the launcher's button, then four pages of screen buttons ----
    ToolButtonMainMenu->SetAction(ActionMainMenu);
    struct Page {
        const char* caption;
        std::vector<TAction*> actions;
    } pages[] = {
        {"Мнемосхемы", {ActionMainMnemo, ActionMnemoReach, ActionMnemoFlot, ActionMnemoGS}},
        {"Графики", {ActionGraphPBigOM, ActionGraphPSmallOM, ActionGraphRBigOM, ActionGraphRSmallOM, ActionAWModeBigOM,
                     ActionAWModeSmallOM, ActionGraphFlotParam, ActionGraphFlotOut, ActionGraphBakLevel,
                     ActionGraphBelt, ActionGraphGS}},
        {"Таблицы", {ActionTableTime, ActionTableFlot, ActionTableBelt, ActionMainTable, ActionTableGS}},
        {"Журналы", {ActionOM_Log, ActionFlotLog}},
    };
    int pageNo = 0;
    for (Page& p : pages) {
        auto* sheet = new TTabSheet(this);
        sheet->SetName("TabSheet" + IntToStr(++pageNo));
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(p.caption);
        auto* bar = new TToolBar(this);
        bar->SetName("ToolBarPage" + IntToStr(pageNo));
        bar->SetParent(sheet);
        bar->SetAlign(alClient);
        bar->SetButtonWidth(71);
        bar->SetButtonHeight(38);
        bar->SetImages(ImageList2);
        bar->SetFlat(true);
        bar->SetShowHint(true);
        bool first = true;
        for (TAction* a : p.actions) {
            if (!first) {
                auto* gap = new TToolButton(this);
                static_cast<TControl*>(gap)->SetParent(bar);
                gap->SetStyle(tbsSeparator);
                gap->SetWidth(8);
            }
            first = false;
            auto* b = new TToolButton(this);
            static_cast<TControl*>(b)->SetParent(bar);
            b->SetAction(a);
            b->SetShowHint(true);
        }
    }
    PageControl1->SetActivePageIndex(0);
}

bool TFormMain::ExecuteActionByTag(int tag) {
    for (int i = 0; i < ActionList1->ActionCount(); ++i) {
        TContainedAction* a = ActionList1->Actions(i);
        if (a->Tag() == tag) {
            a->Execute();
            return true;
        }
    }
    return false;
}

// ---- Screens ---------------------------------------------------------------------------------------------

void TFormMain::ActionMainMenuExecute(TObject*) { ShowFormMaximized(FormMainMenu); }

void TFormMain::ActionMnemoFlotExecute(TObject*) { ShowFormMaximized(FormMnemo); }

void TFormMain::ActionMnemoGSExecute(TObject*) { ShowFormMaximized(FormMnemoGS); }
void TFormMain::ActionMainMnemoExecute(TObject*) { ShowFormMaximized(FormTotalMnemo); }

void TFormMain::ActionMnemoReachExecute(TObject*) { ShowFormMaximized(FormMnemoReach); }
void TFormMain::ActionGraphPBigOMExecute(TObject*) { ShowFormMaximized(FormGraph3Zoom1); }

void TFormMain::ActionGraphPSmallOMExecute(TObject*) { ShowFormMaximized(FormGraph3Zoom2); }

void TFormMain::ActionGraphRBigOMExecute(TObject*) { ShowFormMaximized(FormGraphTS_1); }

void TFormMain::ActionGraphRSmallOMExecute(TObject*) { ShowFormMaximized(FormGraphTS_2); }

void TFormMain::ActionAWModeBigOMExecute(TObject*) { ShowFormMaximized(FormGraphAir_1); }

void TFormMain::ActionAWModeSmallOMExecute(TObject*) { ShowFormMaximized(FormGraphAir_2); }

void TFormMain::ActionGraphFlotParamExecute(TObject*) {
    ShowFormMaximized(FormFlotGraph);
    if (FirstFlotGraphShow && FormFlotGraph) {
        FirstFlotGraphShow = false;
        FormFlotGraph->ShowAllGraphs();
    }
}

void TFormMain::ActionGraphFlotOutExecute(TObject*) { ShowFormMaximized(FormGraphZola); }

void TFormMain::ActionGraphBakLevelExecute(TObject*) { ShowFormMaximized(FormGraphBakLevel); }

void TFormMain::ActionGraphBeltExecute(TObject*) { ShowFormMaximized(FormGraphBeltWork); }

void TFormMain::ActionGraphGSExecute(TObject*) {
    ShowFormMaximized(FormGraphGS);
    if (FirstGraphGSShow && FormGraphGS) {
        FirstGraphGSShow = false;
        FormGraphGS->ShowAllGraphs();
    }
}

void TFormMain::ActionTableTimeExecute(TObject*) { ShowFormMaximized(FormSvodTable); }

void TFormMain::ActionTableFlotExecute(TObject*) { ShowFormMaximized(FormTableFlot); }

void TFormMain::ActionTableBeltExecute(TObject*) { ShowFormMaximized(FormTableBelt); }

void TFormMain::ActionMainTableExecute(TObject*) { ShowFormMaximized(FormTableMain); }

void TFormMain::ActionTableGSExecute(TObject*) { ShowFormMaximized(FormTable_GS_work); }

void TFormMain::ActionOM_LogExecute(TObject*) {
    // Made on first use (its first showing loads the journal); NewForm runs its OnCreate.
    if (!FormLogView) FormLogView = NewForm<TFormLogView>(this);
    ShowFormMaximized(FormLogView);
}

void TFormMain::ActionFlotLogExecute(TObject*) { ShowFormMaximized(FormPUF_Log); }

void TFormMain::ActionWSensLogExecute(TObject*) { ShowFormMaximized(FormBeltLog); }

void TFormMain::ActionShowBaseExecute(TObject*) {
    if (!FormBaseView) FormBaseView = NewForm<TFormBaseView>(this);
    ShowFormMaximized(FormBaseView);
}

// ---- Dialogs and commands -------------------------------------------------------------------------------

void TFormMain::ActionAboutExecute(TObject*) {
    if (FormAbout) FormAbout->ShowModal();
}

void TFormMain::ActionShowConfigExecute(TObject*) {
    if (FormConfig) FormConfig->ShowModal();
}

void TFormMain::ActionShowPUFDriverExecute(TObject*) {
    if (FormPUF_Link) FormPUF_Link->ShowModal();
}

void TFormMain::ActionShowDriver1Execute(TObject*) {
    if (FormPu1State) FormPu1State->ShowModal();
}

void TFormMain::ActionShowDriver2Execute(TObject*) {
    if (FormPu2State) FormPu2State->ShowModal();
}

void TFormMain::ActionShowDriverV120Execute(TObject*) {
    if (FormV120_Link) FormV120_Link->ShowModal();
}

void TFormMain::ActionTarControl386Execute(TObject*) {
    if (!FormTarControl) return;
    FormTarControl->BeltIndex = 0;
    FormTarControl->ShowModal();
}

void TFormMain::ActionTarControl401Execute(TObject*) {
    if (!FormTarControl) return;
    FormTarControl->BeltIndex = 1;
    FormTarControl->ShowModal();
}

void TFormMain::ActionSetZRRSExecute(TObject*) { QueuePufSetpoint(this, ActionSetZRRS->Caption(), "ZRRS"); }

void TFormMain::ActionSetZRRPExecute(TObject*) { QueuePufSetpoint(this, ActionSetZRRP->Caption(), "ZRRP"); }

void TFormMain::ActionSetTRRSExecute(TObject*) { QueuePufSetpoint(this, ActionSetTRRS->Caption(), "TRRS"); }

void TFormMain::ActionSetTRRPExecute(TObject*) { QueuePufSetpoint(this, ActionSetTRRP->Caption(), "TRRP"); }

void TFormMain::ActionRunFARExecute(TObject*) {
    if (Application->MessageBox("Запустить файловый менеджер?", "Выполнить команду",
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    // The desktop's file manager opens the program's folder; a failure goes to the event log.
    const AnsiString folder = ProgramFolder();
    const int result = RunShellExecute(folder, "", folder, "open", SW_SHOWMAXIMIZED);
    if (result <= 32)
        PostEvent("Не удалось открыть папку программы " + folder + " в файловом менеджере (код " + IntToStr(result) + ")", 0);
}

// ---- Prints -------------------------------------------------------------------------------------------------

void TFormMain::ActionPrintWPKExecute(TObject*) {
    if (FormGraph3Zoom1) FormGraph3Zoom1->PrintReport();
}

void TFormMain::ActionPrintWPMExecute(TObject*) {
    if (FormGraph3Zoom2) FormGraph3Zoom2->PrintReport();
}

namespace {

// The unloader speeds as the one-chart report: the legend's names and colours, the rpm column named,
// the date the screen's picker shows.
void printUnloaderGraph(TFormGraphTS* screen) {
    if (!screen || !FormWebPrint) return;
    FormWebPrint->MakeGraphReport(screen->LevelGraphN, screen->LabelTop2->Caption(), screen->DateTimePicker1->Date(),
                                  true, "", "об/мин", "", screen->LabelTS_1->Caption(), screen->ArrowTS_1->Color(),
                                  screen->LabelTS_2->Caption(), screen->ArrowTS_2->Color(),
                                  screen->LabelTS_3->Caption(), screen->ArrowTS_3->Color(), "", clWhite);
}

}  // namespace

void TFormMain::ActionPrintTSKExecute(TObject*) { printUnloaderGraph(FormGraphTS_1); }

void TFormMain::ActionPrintTSMExecute(TObject*) { printUnloaderGraph(FormGraphTS_2); }

void TFormMain::ActionPrintAirKExecute(TObject*) {
    if (FormGraphAir_1) FormGraphAir_1->PrintReport();
}

void TFormMain::ActionPrintAirMExecute(TObject*) {
    if (FormGraphAir_2) FormGraphAir_2->PrintReport();
}

void TFormMain::ActionPrintFlotGraphExecute(TObject*) {
    if (FormFlotGraph) FormFlotGraph->PrintReport();
}

void TFormMain::ActionPrintGraphZolaExecute(TObject*) {
    if (FormGraphZola) FormGraphZola->PrintReport();
}

void TFormMain::ActionPrintGraphBakLevelExecute(TObject*) {
    if (FormGraphBakLevel) FormGraphBakLevel->PrintReport();
}

void TFormMain::ActionPrintGraphBeltWorkExecute(TObject*) {
    if (FormGraphBeltWork) FormGraphBeltWork->PrintReport();
}

void TFormMain::ActionPrintGraphGSExecute(TObject*) {
    if (FormGraphGS) FormGraphGS->PrintReport();
}

void TFormMain::ActionPrintTableExecute(TObject*) {
    if (FormSvodTable) FormSvodTable->PrintReport();
}

void TFormMain::ActionPrintTableFlotExecute(TObject*) {
    if (FormTableFlot) FormTableFlot->PrintReport();
}

void TFormMain::ActionPrintTableBeltExecute(TObject*) {
    if (FormTableBelt) FormTableBelt->PrintReport();
}

void TFormMain::ActionPrintTableMainExecute(TObject*) {
    if (FormTableMain) FormTableMain->PrintReport();
}

void TFormMain::ActionPrintTableGSExecute(TObject*) {
    if (FormTable_GS_work) FormTable_GS_work->PrintReport();
}

namespace {

// A journal's grid printed into the preview with the period its screen shows.
void printJournal(TPrintDBGridGx* print, TDateTime start, TDateTime stop) {
    print->SetSubstitutes({"[StartTime]", FormatDateTime("dd.mm.yyyy hh:nn", start), "[StopTime]",
                           FormatDateTime("dd.mm.yyyy hh:nn", stop)});
    print->Preview();
}

}  // namespace

void TFormMain::ActionPrintLogPU1Execute(TObject*) {
    if (!FormLogView) FormLogView = NewForm<TFormLogView>(this);
    printJournal(FormLogView->PrintDBGridGx1, FormLogView->StartTime, FormLogView->StopTime);
}

void TFormMain::ActionPrintLogPU2Execute(TObject*) {
    if (!FormLogView) FormLogView = NewForm<TFormLogView>(this);
    printJournal(FormLogView->PrintDBGridGx2, FormLogView->StartTime, FormLogView->StopTime);
}

void TFormMain::ActionPrintFlotLogExecute(TObject*) {
    if (!FormPUF_Log) FormPUF_Log = NewForm<TFormPUF_Log>(this);
    printJournal(FormPUF_Log->PrintDBGridGx1, FormPUF_Log->StartTime, FormPUF_Log->StopTime);
}

// ---- Helpers -------------------------------------------------------------------------------------------------

int RunShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir, const AnsiString& verb,
                    int showCommand) {
    (void)verb;
    return SystemHost().ShellExecute(file, params, dir, showCommand == SW_SHOWMAXIMIZED || showCommand == SW_MAXIMIZE);
}

AnsiString ProgramFolder() {
    AnsiString folder = ExtractFilePath(ProgramFileName());
    if (folder.Length() > 1 && folder[folder.Length()] == '/') folder.SetLength(folder.Length() - 1);
    return folder;
}

int AddActionPicture(TCustomImageList* images, TActionPicture kind, const AnsiString& key) {
    TBitmap pic(64, 32);
    TCanvas* c = pic.Canvas();
    TColor back = kind == TActionPicture::Mnemo   ? RGB(206, 236, 255)
                  : kind == TActionPicture::Graph ? RGB(255, 250, 215)
                  : kind == TActionPicture::Table ? RGB(222, 250, 222)
                  : kind == TActionPicture::Log   ? RGB(250, 228, 228)
                                                  : RGB(236, 236, 236);
    c->Brush()->SetColor(back);
    c->Pen()->SetColor(clGray);
    c->Rectangle(0, 0, 64, 32);
    c->Pen()->SetColor(clNavy);
    c->Pen()->SetWidth(2);
    switch (kind) {
    case TActionPicture::Mnemo:  // a tank with a pipe
        c->Brush()->SetColor(clAqua);
        c->Rectangle(5, 8, 19, 27);
        c->MoveTo(19, 12);
        c->LineTo(30, 12);
        break;
    case TActionPicture::Graph:  // a trend over a grid line
        c->MoveTo(4, 26);
        c->LineTo(10, 18);
        c->LineTo(16, 22);
        c->LineTo(22, 8);
        c->LineTo(30, 14);
        break;
    case TActionPicture::Table:  // a small grid
        c->Pen()->SetWidth(1);
        for (int x = 4; x <= 28; x += 8) {
            c->MoveTo(x, 6);
            c->LineTo(x, 27);
        }
        for (int y = 6; y <= 27; y += 7) {
            c->MoveTo(4, y);
            c->LineTo(29, y);
        }
        break;
    case TActionPicture::Log:  // lines of a page
        c->Pen()->SetWidth(1);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(6, 4, 26, 29);
        for (int y = 9; y <= 24; y += 5) {
            c->MoveTo(9, y);
            c->LineTo(23, y);
        }
        break;
    case TActionPicture::Menu:  // three menu bars
        for (int y = 9; y <= 23; y += 7) {
            c->MoveTo(6, y);
            c->LineTo(28, y);
        }
        break;
    case TActionPicture::None:
        break;
    }
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-11);
    c->Font()->SetStyle(TFontStyles{fsBold});
    c->Font()->SetColor(clNavy);
    c->Brush()->SetStyle(bsClear);
    // "Alt+F7": the modifier above the key, both right of the glyph.
    int plus = key.Pos("+");
    if (plus > 0) {
        AnsiString mod = key.SubString(1, plus - 1), k = key.SubString(plus + 1, key.Length());
        c->TextOut(62 - c->TextWidth(mod), 3, mod);
        c->TextOut(62 - c->TextWidth(k), 17, k);
    } else {
        c->TextOut(62 - c->TextWidth(key), 10, key);
    }
    return images->Add(&pic, nullptr);
}
