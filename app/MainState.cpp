// The main window's state timer: once a second the clock, the status and newest-row queries of every
// section, the flotation controller's current values, the five link lamps with their link-alive flags
// and, on a LAN-client station, the two belt-scale records from the belt tables.
#include "app/Main.h"

#include "gui/WinApi.h"
#include "links/BeltScale.h"
#include "links/PufThread.h"
#include "rtl/MathUtils.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Opens a closed query, then runs it again, so that its current row is the newest result.
void RefreshQuery(TSQLQuery* q) {
    if (!q->Active()) q->Open();
    q->Refresh();
}

TDateTime FieldTime(TSQLQuery* q, const char* field) { return q->FieldByName(field)->AsDateTime(); }

AnsiString SqlTime(TDateTime t) { return FormatDateTime("yyyy-mm-dd hh:nn:ss", t); }

// The newest history row of a section: the time its max query found becomes the row query's
// :MaxTime.
void RefreshLastRow(TSQLQuery* maxQuery, TSQLQuery* lastQuery) {
    lastQuery->ParamByName("MaxTime")->SetAsString(SqlTime(FieldTime(maxQuery, "MaxTime")));
    RefreshQuery(lastQuery);
}

}  // namespace

TColor TFormMain::LinkAgeColor(TDateTime t, bool& alive) {
    // Whole seconds, truncated, the same either side of now (a clock ahead counts like one behind).
    const long long age = std::llabs(MilliSecondsBetweenRounded(t, Now())) / 1000;
    const long long greenUpTo = LanClientMode ? 80 : 10;
    const long long aliveUpTo = LanClientMode ? 120 : 15;
    if (age > aliveUpTo) {
        alive = false;
        return clRed;
    }
    alive = true;
    return age > greenUpTo ? clYellow : clGreen;
}

bool TFormMain::RefreshPufDisplay() {
    try {
        RefreshQuery(SQLQueryPufState);
        const TDateTime recMoment = FieldTime(SQLQueryPufState, "RecMoment");
        if (PufThreadActive.load()) {
            // The running thread knows the link better than the row it writes.
            ShapeLinkPuf->Brush()->SetColor(LinkAgeColor(PufLastStateTime.load(), StateFlags[3]));
            // At most once an hour the controller gets the computer's time while the link is alive.
            if (StateFlags[3]) QueuePufSetTime(this);
        } else {
            ShapeLinkPuf->Brush()->SetColor(LinkAgeColor(recMoment, StateFlags[3]));
        }
        RefreshQuery(SQLQueryMaxTimePuf);
        RefreshLastRow(SQLQueryMaxTimePuf, SQLQueryLastPuf);
    } catch (...) {
        return false;
    }

    static const char* const valueColumns[10] = {"PLF", "RVF", "RGF", "TRRS", "TRRP", "SOF", "URS", "URP", "ZRRS", "ZRRP"};
    static const char* const flagColumns[8] = {"F1AS", "F1RS", "F1AP", "F1RP", "DSF1", "DPF1", "ALARMP", "ALARMS"};
    float values[10];
    std::uint8_t flags[8];
    for (int i = 0; i < 10; ++i) values[i] = static_cast<float>(SQLQueryPufState->FieldByName(valueColumns[i])->AsFloat());
    for (int i = 0; i < 8; ++i)
        flags[i] = static_cast<std::uint8_t>(Round(SQLQueryPufState->FieldByName(flagColumns[i])->AsFloat()));
    std::copy(values, values + 10, PufValues);
    std::copy(flags, flags + 8, PufFlags);
    return true;
}

void TFormMain::TimerRefreshStateTimer(TObject*) {
    LabelClock->SetCaption(FormatDateTime("hh:nn:ss", Now()));
    if (!SQLConnectionUser->Connected()) return;
    try {
        RefreshQuery(SQLQueryPu1State);
        ShapeLinkPU1->Brush()->SetColor(LinkAgeColor(FieldTime(SQLQueryPu1State, "PostMoment"), StateFlags[1]));
        RefreshQuery(SQLQueryPu2State);
        ShapeLinkPU2->Brush()->SetColor(LinkAgeColor(FieldTime(SQLQueryPu2State, "PostMoment"), StateFlags[2]));

        RefreshPufDisplay();

        RefreshQuery(SQLQueryMaxTimePu1);
        RefreshQuery(SQLQueryMaxTimePu2);
        RefreshQuery(SQLQueryPugState);
        const TDateTime pugTime = LanClientMode ? FieldTime(SQLQueryPugState, "RecMoment") : PugLastReadTime.load();
        ShapeLinkGS->Brush()->SetColor(LinkAgeColor(pugTime, StateFlags[5]));

        RefreshLastRow(SQLQueryMaxTimePu1, SQLQueryLastPu1);
        RefreshLastRow(SQLQueryMaxTimePu2, SQLQueryLastPu2);

        // Each tick judges the belts afresh: a belt table that gives no time leaves the lamp at 0
        // (red), never at a time of an earlier tick.
        TDateTime beltTime = 0;
        if (LanClientMode) {
            for (int b = 0; b < 2; ++b) {
                const AnsiString table = BeltTable(b);
                SQLQueryMaxTimeBelt->Close();
                SQLQueryMaxTimeBelt->SQL()->SetText("select max(RecMoment) as max_time from " + table);
                SQLQueryMaxTimeBelt->Open();
                if (SQLQueryMaxTimeBelt->IsEmpty()) continue;
                const TDateTime newest = FieldTime(SQLQueryMaxTimeBelt, "max_time");
                if (newest > beltTime) beltTime = newest;

                SQLQueryLastBelt->Close();
                SQLQueryLastBelt->SQL()->SetText("select * from " + table + " where RecMoment='" + SqlTime(newest) + "'");
                SQLQueryLastBelt->Open();
                TBeltScaleRec row;
                row.TNK = SQLQueryLastBelt->FieldByName("TNK")->AsFloat();
                row.CLK = SQLQueryLastBelt->FieldByName("CLK")->AsFloat();
                row.KP = SQLQueryLastBelt->FieldByName("KP")->AsFloat();
                row.G_1T1 = SQLQueryLastBelt->FieldByName("G_1T1")->AsFloat();
                row.I_1T1 = SQLQueryLastBelt->FieldByName("I_1T1")->AsFloat();
                row.BKK = SQLQueryLastBelt->FieldByName("BKK")->AsInteger() != 0 ? 1 : 0;
                row.RecMoment = FieldTime(SQLQueryLastBelt, "RecMoment");
                UpdateBeltScale(b, [&](TBeltScaleRec& r) {
                    r.TNK = row.TNK;
                    r.CLK = row.CLK;
                    r.KP = row.KP;
                    r.G_1T1 = row.G_1T1;
                    r.I_1T1 = row.I_1T1;
                    r.BKK = row.BKK;
                    r.RecMoment = row.RecMoment;
                });
            }
        } else {
            beltTime = BeltLastReadTime.load();
        }
        ShapeLinkV120->Brush()->SetColor(LinkAgeColor(beltTime, StateFlags[4]));
    } catch (...) {
        MessageBeep(0xFFFFFFFF);
    }
}
