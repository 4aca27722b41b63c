#include "screens/graphs/FormGraphZola.h"

TFormGraphZola* FormGraphZola = nullptr;

namespace {

TGraphScreenSetup zolaSetup() { return SingleGraphSetup("TFormGraphZola", {"select * from puf_data"}); }

const TSingleGraphLook ZolaLook = {
    "FormGraphZola", "График зольности отходов флотации", clMoneyGreen, clSkyBlue, clSkyBlue, "LevelGraphZola", 101,
    10, "            %", "Зольность отходов флотации:", nullptr, "##0.0 %; ;  ",
};

}  // namespace

TFormGraphZola::TFormGraphZola(TComponent* owner) : TSingleGraphScreen(owner, zolaSetup(), ZolaLook) {
    LevelGraphZola = Graph;
    LevelGraphZola->OnChange = TNotifyEvent(this, &TFormGraphZola::LevelGraphZolaChange);
    Columns = {{0, "SOF", LevelGraphZola, 0}};
}

TFormGraphZola::~TFormGraphZola() {
    if (FormGraphZola == this) FormGraphZola = nullptr;
}
