#include "screens/graphs/FormGraphBeltWork.h"

TFormGraphBeltWork* FormGraphBeltWork = nullptr;

namespace {

TGraphScreenSetup beltWorkSetup() {
    TGraphScreenSetup s = SingleGraphSetup("TFormGraphBeltWork", {"select * from belt_386_2", "select * from belt_401"});
    // The load scale never stays below 5, whether or not any rows came.
    s.RaiseYMaxWithoutRows = true;
    return s;
}

const TSingleGraphLook BeltWorkLook = {
    "FormGraphBeltWork",
    "График изменения  нагрузки на конвейерах поз.386-2 и 401",
    clCream,
    clCream,
    clCream,
    "LevelGraphBeltWork",
    401,
    50,
    "",
    "Нагрузка конвейера п.386-2:",
    "Нагрузка конвейера п.401:",
    "##0.0 т/час; ;  ",
};

}  // namespace

TFormGraphBeltWork::TFormGraphBeltWork(TComponent* owner) : TSingleGraphScreen(owner, beltWorkSetup(), BeltWorkLook) {
    LevelGraphBeltWork = Graph;
    LevelGraphBeltWork->OnChange = TNotifyEvent(this, &TFormGraphBeltWork::LevelGraphBeltWorkChange);
    Columns = {{0, "TNK", LevelGraphBeltWork, 0}, {1, "TNK", LevelGraphBeltWork, 1}};
}

TFormGraphBeltWork::~TFormGraphBeltWork() {
    if (FormGraphBeltWork == this) FormGraphBeltWork = nullptr;
}
