#include "screens/graphs/FormGraphBakLevel.h"

TFormGraphBakLevel* FormGraphBakLevel = nullptr;

namespace {

TGraphScreenSetup bakLevelSetup() { return SingleGraphSetup("TFormGraphBakLevel", {"select * from puf_data"}); }

const TSingleGraphLook BakLevelLook = {
    "FormGraphBakLevel",
    "График уровней в баках суточных запасов реагентов",
    clMoneyGreen,
    clMoneyGreen,
    clMoneyGreen,
    "LevelGraphBakLevel",
    101,
    10,
    "            %",
    "Уровень в баке реагента-собирателя:",
    "Уровень в баке реагента-вспенивателя:",
    "##0.0 %; ;  ",
};

}  // namespace

TFormGraphBakLevel::TFormGraphBakLevel(TComponent* owner) : TSingleGraphScreen(owner, bakLevelSetup(), BakLevelLook) {
    LevelGraphBakLevel = Graph;
    LevelGraphBakLevel->OnChange = TNotifyEvent(this, &TFormGraphBakLevel::LevelGraphBakLevelChange);
    Columns = {{0, "URS", LevelGraphBakLevel, 0}, {0, "URP", LevelGraphBakLevel, 1}};
}

TFormGraphBakLevel::~TFormGraphBakLevel() {
    if (FormGraphBakLevel == this) FormGraphBakLevel = nullptr;
}
