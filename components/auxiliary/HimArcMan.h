// THimArcManager: the day archive of one-second records of three signed 16-bit channels and ten
// bytes the archive carries for its caller (18-byte records). The file, the cache and the write
// protocol are those of TDayArchive.
#pragma once

#include "components/auxiliary/DayArchive.h"

#include <cstdint>

// One record as it lies in the file.
struct THimArcRecord {
    std::int16_t Channel[3] = {0, 0, 0};
    std::uint8_t Data[10] = {};  // stored and returned unchanged
    std::uint8_t Written = 0;    // 1 when the second has been written
    std::uint8_t Reserved = 0;
};
static_assert(sizeof(THimArcRecord) == 18);

class THimArcManager : public TDayArchive {
    PLANTMON_CLASS(THimArcManager, TDayArchive)
public:
    explicit THimArcManager(TComponent* owner);

    // Stores all 18 bytes at the second of t (the day of WriteCursor only); false after a box.
    bool SetData(TDateTime t, const THimArcRecord* rec);
    // Reads the record of the second of t (zero first); false when not open or the day is absent.
    bool GetData(TDateTime t, THimArcRecord* rec);

    // The whole value is kept; the record takes its low 16 bits.
    int WrCh0() const { return wrCh0(); }
    void SetWrCh0(int v) { setWrCh(0, v); }
};
