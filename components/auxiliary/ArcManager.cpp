#include "components/auxiliary/ArcManager.h"

namespace {

const TDayArchiveFormat ArcFormat = {
    8,      // record size
    2,      // smallest archive
    false,  // channels unsigned
    false,  // no low-space warning
    "Не допускается создание архива менее чем на 2 дня.",
    "Допустимый диапазон от 2 до 366 дней.",
    "TArcManager : Ошибка",
};

}  // namespace

TArcManager::TArcManager(TComponent* owner) : TDayArchive(owner, ArcFormat) {}

bool TArcManager::SetData(TDateTime t, const TArcRecord* rec) { return setData(t, rec); }
bool TArcManager::GetData(TDateTime t, TArcRecord* rec) { return getData(t, rec); }

bool TArcManager::GetCalcedData(TDateTime t, TCalcedArcRecord* out) {
    if (!out) return false;
    TArcRecord rec;
    bool ok = GetData(t, &rec);
    if (ok) ReCalcData(out, &rec);
    else *out = TCalcedArcRecord();
    return ok;
}

void TArcManager::ReCalcData(TCalcedArcRecord* out, const TArcRecord* in) const {
    if (!out || !in) return;
    out->Valid = in->Written != 0;
    for (int i = 0; i < 3; ++i) out->Value[i] = out->Valid ? in->Channel[i] * k_[i] + c_[i] : 0.0;
}
