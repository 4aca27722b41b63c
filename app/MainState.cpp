// The main window's state timer: once a second the clock, the status and newest-row queries of every
// section, the flotation controller's current values, the five link lamps with their link-alive flags
// and, on a LAN-client station, the two belt-scale records from the belt tables.
//
// The status connection may be lost (a server restart, a broken network) or may have failed at
// start-up: the timer then tries it again, at most every few seconds, and meanwhile keeps the lamps
// ageing from what it knows, so that no lamp stays green on what nobody can confirm.
#include "app/Main.h"

#include "gui/WinApi.h"
#include "links/BeltScale.h"
#include "links/PufThread.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <cstdlib>

namespace {

// How often a status connection that is down is tried again: a server that refuses costs nothing,
// one that cannot be reached holds the window for the connect time-out.
constexpr std::uint64_t kStatusRetryMs = 5000;

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

void TFormMain::SetLamp(TShape* lamp, int flag, TDateTime t) {
    lamp->Brush()->SetColor(LinkAgeColor(t, StateFlags[flag]));
}

void TFormMain::AgeLampsWithoutDatabase() {
    TShape* const lamps[6] = {nullptr, ShapeLinkPU1, ShapeLinkPU2, ShapeLinkPuf, ShapeLinkV120, ShapeLinkGS};
    for (int i = 1; i <= 5; ++i) {
        TDateTime t;
        if (i == 3 && PufThreadActive.load())
            t = PufLastStateTime.load();
        else if (i == 4 && !LanClientMode)
            t = BeltLastReadTime.load();
        else if (i == 5 && !LanClientMode)
            t = PugLastReadTime.load();
        else if (lampRowKnown_[i])
            t = lampRowTime_[i];
        else
            continue;  // never given a time: stays as it is
        SetLamp(lamps[i], i, t);
    }
    if (PufThreadActive.load() && StateFlags[3]) QueuePufSetTime(this);
}

bool TFormMain::RefreshPufDisplay() {
    try {
        RefreshQuery(SQLQueryPufState);
        const TDateTime recMoment = FieldTime(SQLQueryPufState, "RecMoment");
        if (PufThreadActive.load()) {
            // The running thread knows the link better than the row it writes.
            SetLamp(ShapeLinkPuf, 3, PufLastStateTime.load());
            // At most once an hour the controller gets the computer's time while the link is alive.
            if (StateFlags[3]) QueuePufSetTime(this);
        } else {
            lampRowTime_[3] = recMoment;
            lampRowKnown_[3] = true;
            SetLamp(ShapeLinkPuf, 3, recMoment);
        }
        RefreshQuery(SQLQueryMaxTimePuf);
        RefreshLastRow(SQLQueryMaxTimePuf, SQLQueryLastPuf);
    } catch (...) {
        return false;
    }
    // An empty state table has no values: the last ones stay.
    if (SQLQueryPufState->IsEmpty()) return true;

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
    if (!SQLConnectionUser->Connected()) {
        // A connection that failed at start-up, or whose session was lost, is tried again.
        const std::uint64_t tick = GetTickCount64();
        if (tick >= statusRetryDue_) {
            try {
                SQLConnectionUser->Open();
            } catch (...) {
                statusRetryDue_ = tick + kStatusRetryMs;
            }
        }
        if (!SQLConnectionUser->Connected()) {
            AgeLampsWithoutDatabase();
            return;
        }
    }
    // The newest row time a lamp gets from the database is remembered for the ticks without it.
    auto rowLamp = [this](TShape* lamp, int flag, TDateTime t) {
        lampRowTime_[flag] = t;
        lampRowKnown_[flag] = true;
        SetLamp(lamp, flag, t);
    };
    try {
        RefreshQuery(SQLQueryPu1State);
        rowLamp(ShapeLinkPU1, 1, FieldTime(SQLQueryPu1State, "PostMoment"));
        RefreshQuery(SQLQueryPu2State);
        rowLamp(ShapeLinkPU2, 2, FieldTime(SQLQueryPu2State, "PostMoment"));

        RefreshPufDisplay();

        RefreshQuery(SQLQueryMaxTimePu1);
        RefreshQuery(SQLQueryMaxTimePu2);
        RefreshQuery(SQLQueryPugState);
        if (LanClientMode)
            rowLamp(ShapeLinkGS, 5, FieldTime(SQLQueryPugState, "RecMoment"));
        else
            SetLamp(ShapeLinkGS, 5, PugLastReadTime.load());

        RefreshLastRow(SQLQueryMaxTimePu1, SQLQueryLastPu1);
        RefreshLastRow(SQLQueryMaxTimePu2, SQLQueryLastPu2);

        // Each tick judges the belts afresh: a belt table that gives no time leaves the lamp at 0
        // (red), never at a time of an earlier tick.
        if (LanClientMode) {
            TDateTime beltTime = 0;
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
            rowLamp(ShapeLinkV120, 4, beltTime);
        } else {
            SetLamp(ShapeLinkV120, 4, BeltLastReadTime.load());
        }
    } catch (...) {
        MessageBeep(0xFFFFFFFF);
    }
}
