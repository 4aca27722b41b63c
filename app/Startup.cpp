#include "app/Startup.h"

#include "app/Main.h"
#include "app/FormAbout.h"
#include "app/FormConfig.h"
#include "app/FormMainMenu.h"
#include "core/ShowError.h"
#include "screens/graphs/FormFlotGraph.h"
#include "screens/graphs/FormGraphBakLevel.h"
#include "screens/graphs/FormGraphBeltWork.h"
#include "screens/graphs/FormGraphZola.h"
#include "screens/graphs/FormWebPrint.h"
#include "screens/diagrams/ArrowEdit.h"
#include "screens/diagrams/EditBarrel.h"
#include "screens/diagrams/EditPoligon.h"
#include "screens/diagrams/EditPump.h"
#include "screens/diagrams/Mnemo.h"
#include "screens/diagrams/MnemoGS.h"
#include "screens/diagrams/MnemoReach.h"
#include "screens/diagrams/OutFieldEdit.h"
#include "screens/diagrams/TotalMnemo.h"
#include "links/FormInputNewSet.h"
#include "links/FormPUF_Link.h"
#include "links/FormTarControl.h"
#include "links/FormV120_Link.h"
#include "screens/tables/BeltLog.h"
#include "screens/tables/PUF_Log.h"
#include "screens/tables/SvodTable.h"
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"
#include "gui/Forms.h"
#include "rtl/FileUtils.h"
#include "sys/Host.h"
#include "sys/Process.h"

#include <cerrno>

bool AnotherCopyRuns(const AnsiString& exePath, TSingleInstanceLock& lock) {
    if (lock.TryAcquire(TSingleInstanceLock::DefaultPath(exePath))) return false;
    if (lock.LastError() == EWOULDBLOCK) return true;
    // No lock can be had here (the folder is not writable): the process table alone decides.
    return CountRunningCopies(exePath) >= 2;
}

void CreateStartupForms() {
    // The forms of the run, in this order. A form joins the list, on its own line in its place, when
    // its screen is built (with its header included above).
    Application->CreateForm(FormMain);            //  1 TFormMain
    Application->CreateForm(FormMainMenu);        //  2 TFormMainMenu
    Application->CreateForm(FormAbout);           //  3 TFormAbout
    Application->CreateForm(FormMnemoReach);      //  4 TFormMnemoReach
    Application->CreateForm(FormArrowEdit);       //  5 TFormArrowEdit
    Application->CreateForm(FormEditBarrel);      //  6 TFormEditBarrel
    Application->CreateForm(FormOutFieldEdit);    //  7 TFormOutFieldEdit
    Application->CreateForm(FormEditPoligon);     //  8 TFormEditPoligon
    Application->CreateForm(FormEditPump);        //  9 TFormEditPump
    Application->CreateForm(FormWebPrint);        // 10 TFormWebPrint
    Application->CreateForm(FormSvodTable);       // 11 TFormSvodTable
    Application->CreateForm(FormConfig);          // 12 TFormConfig
    Application->CreateForm(FormPUF_Link);        // 13 TFormPUF_Link
    Application->CreateForm(FormMnemo);           // 14 TFormMnemo
    Application->CreateForm(FormFlotGraph);       // 15 TFormFlotGraph
    Application->CreateForm(FormGraphZola);       // 16 TFormGraphZola
    Application->CreateForm(FormGraphBakLevel);   // 17 TFormGraphBakLevel
    Application->CreateForm(FormTableFlot);       // 18 TFormTableFlot
    Application->CreateForm(FormPUF_Log);         // 19 TFormPUF_Log
    Application->CreateForm(FormTotalMnemo);      // 20 TFormTotalMnemo
    Application->CreateForm(FormTarControl);      // 21 TFormTarControl
    Application->CreateForm(FormInputNewSet);     // 22 TFormInputNewSet
    Application->CreateForm(FormTableBelt);       // 23 TFormTableBelt
    Application->CreateForm(FormTableMain);       // 24 TFormTableMain
    Application->CreateForm(FormGraphBeltWork);   // 25 TFormGraphBeltWork
    Application->CreateForm(FormBeltLog);         // 26 TFormBeltLog
    Application->CreateForm(FormV120_Link);       // 27 TFormV120_Link
    Application->CreateForm(ShowErrorForm);       // 28 TShowErrorForm
    Application->CreateForm(FormMnemoGS);         // 29 TFormMnemoGS
    Application->CreateForm(FormTable_GS_work);   // 30 TFormTable_GS_work
}

int RunPlantmon() {
    // Refused without the privilege; the program then runs at the priority it has.
    SystemHost().SetProcessPriority(ppHigh);

    const AnsiString exe = GetExecutablePath();
    TSingleInstanceLock lock;
    if (AnotherCopyRuns(exe, lock)) return 0;

    try {
        SetCurrentDir(ExtractFileDir(exe));
        Application->Initialize();
        Application->SetTitle(ProductTitle);
        CreateStartupForms();
        Application->Run();
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return 0;
}
