// The flotation table: processed feed pulp (m³ and tonnes) and the collector and frother consumption
// (litres) of the flotation section in shift 1, shift 2, the day and the month to date, summed from
// the controller's records in puf_data (one record a minute, flows per hour, hence the /60).
#pragma once

#include "screens/tables/TotalsTable.h"

class TFormTableFlot : public TTotalsTableForm {
    PLANTMON_CLASS(TFormTableFlot, TTotalsTableForm)
public:
    explicit TFormTableFlot(TComponent* owner);
    // A freed screen leaves no dangling FormTableFlot behind.
    ~TFormTableFlot() override;

    // The value cells are "OutField" + period suffix + one of these result names (OutField_D1_VF).
    static const char* const ResultNames[4];  // "VF", "GF", "VRRS", "VRRP"

    // Every result column of the period's sums into the cell of its name; a NULL sum reads as 0.
    void LoadPeriod(const AnsiString& suffix) override;
    // The statement of one period's sums (VF, GF, VRRS, VRRP); start and stop already written as
    // whole-hour bounds. The general table runs it too.
    static AnsiString PeriodStatement(const AnsiString& start, const AnsiString& stop);
};

extern TFormTableFlot* FormTableFlot;
