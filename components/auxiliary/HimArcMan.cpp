#include "components/auxiliary/HimArcMan.h"

namespace {

const TDayArchiveFormat HimFormat = {
    18,    // record size
    7,     // smallest archive
    true,  // channels signed
    true,  // warns when creating leaves little free space
    "Не допускается создание архива менее чем на 7 дней.",
    "Допустимый диапазон от 7 до 366 дней.",
    "THimArcManager : Ошибка",
};

}  // namespace

THimArcManager::THimArcManager(TComponent* owner) : TDayArchive(owner, HimFormat) {}

bool THimArcManager::SetData(TDateTime t, const THimArcRecord* rec) { return setData(t, rec); }
bool THimArcManager::GetData(TDateTime t, THimArcRecord* rec) { return getData(t, rec); }
