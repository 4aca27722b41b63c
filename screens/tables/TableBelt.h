// The belt-scale table: the concentrate weighed by the two belt scales (386-2 into the store, 401
// out of it) in shift 1, shift 2, the day and the month to date, summed from the minute rows of
// belt_386_2 and belt_401, and their throughput at the last reload.
#pragma once

#include "screens/tables/TotalsTable.h"

class TFormTableBelt : public TTotalsTableForm {
    PLANTMON_CLASS(TFormTableBelt, TTotalsTableForm)
public:
    explicit TFormTableBelt(TComponent* owner);
    // A freed screen leaves no dangling FormTableBelt behind.
    ~TFormTableBelt() override;

    // Rows of the table: Panel_row0 the header, Panel_row1 the throughput, Panel_row2..5 the periods.
    TPanel* Panel_row[6] = {};
    TOutField* OutField_TNK0 = nullptr;  // throughput of belt scale 386-2, t/h
    TOutField* OutField_TNK1 = nullptr;  // throughput of belt scale 401, t/h

    // Both scales' sums of the period into "OutField" + suffix + scale index (OutField_D2_G1); a
    // scale without rows gives 0.
    void LoadPeriod(const AnsiString& suffix) override;
    // The statement of one period's sums, a row per scale (Ix 0: 386-2, 1: 401; G_T the tonnes);
    // start and stop already written as whole-hour bounds. The general table runs it too.
    static AnsiString PeriodStatement(const AnsiString& start, const AnsiString& stop);

protected:
    // The throughput row: each scale's current load, read from its shared record under the records'
    // lock, so a record the Vision thread is writing is never read half-done.
    void BeforePeriods() override;
    // "_D1_G", "_D2_G", "_D_G", "_M_G".
    AnsiString RowSuffix(int period) const override;
};

extern TFormTableBelt* FormTableBelt;
