// TArcManager: the day archive of one-second records of three unsigned 16-bit channels (8-byte
// records), with reads scaled by a factor and an offset per channel. The file, the cache and the
// write protocol are those of TDayArchive.
#pragma once

#include "components/auxiliary/DayArchive.h"

#include <cstdint>

// One record as it lies in the file.
struct TArcRecord {
    std::uint16_t Channel[3] = {0, 0, 0};
    std::uint8_t Written = 0;  // 1 when the second has been written
    std::uint8_t Reserved = 0;
};
static_assert(sizeof(TArcRecord) == 8);

// A record with its channels calibrated (in memory only).
struct TCalcedArcRecord {
    double Value[3] = {0, 0, 0};
    bool Valid = false;  // the record's written flag
};

class TArcManager : public TDayArchive {
    PLANTMON_CLASS(TArcManager, TDayArchive)
public:
    explicit TArcManager(TComponent* owner);

    // Stores the record at the second of t (the day of WriteCursor only); false after a box.
    bool SetData(TDateTime t, const TArcRecord* rec);
    // Reads the record of the second of t (zero first); false when not open or the day is absent.
    bool GetData(TDateTime t, TArcRecord* rec);
    // The record of t calibrated (zero when it cannot be read); what GetData answered.
    bool GetCalcedData(TDateTime t, TCalcedArcRecord* out);
    // value[i] = channel[i] * rK(i+1) + rC(i+1) for a written record, else 0.
    void ReCalcData(TCalcedArcRecord* out, const TArcRecord* in) const;

    std::uint16_t WrCh0() const { return static_cast<std::uint16_t>(wrCh0()); }
    void SetWrCh0(std::uint16_t v) { setWrCh(0, v); }

    double rK1() const { return k_[0]; }
    void SetrK1(double v) { k_[0] = v; }
    double rK2() const { return k_[1]; }
    void SetrK2(double v) { k_[1] = v; }
    double rK3() const { return k_[2]; }
    void SetrK3(double v) { k_[2] = v; }
    double rC1() const { return c_[0]; }
    void SetrC1(double v) { c_[0] = v; }
    double rC2() const { return c_[1]; }
    void SetrC2(double v) { c_[1] = v; }
    double rC3() const { return c_[2]; }
    void SetrC3(double v) { c_[2] = v; }

private:
    double k_[3] = {1.0, 1.0, 1.0};
    double c_[3] = {0.0, 0.0, 0.0};
};
