#include "links/BeltScale.h"

TBeltScaleRec BeltScales[2];
std::mutex BeltScalesLock;

double& TBeltScaleRec::KPn(int i) {
    double* f[4] = {&KP1, &KP2, &KP3, &KP4};
    return *f[(i - 1) & 3];
}

double& TBeltScaleRec::TNKn(int i) {
    double* f[4] = {&TNK1, &TNK2, &TNK3, &TNK4};
    return *f[(i - 1) & 3];
}

double& TBeltScaleRec::G1Tn(int i) {
    double* f[4] = {&G1T1, &G1T2, &G1T3, &G1T4};
    return *f[(i - 1) & 3];
}

TBeltScaleRec ReadBeltScale(int index) {
    std::lock_guard<std::mutex> lock(BeltScalesLock);
    return BeltScales[index];
}

void ClearBeltScales() {
    std::lock_guard<std::mutex> lock(BeltScalesLock);
    BeltScales[0] = TBeltScaleRec();
    BeltScales[1] = TBeltScaleRec();
}

const char* BeltName(int index) { return index == 0 ? "386_2" : "401"; }

AnsiString BeltTable(int index) { return AnsiString("belt_") + BeltName(index); }
