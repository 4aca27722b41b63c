#include "links/VisionThread.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "db/SqlExpr.h"
#include "gui/WinApi.h"
#include "links/BeltScale.h"
#include "links/LinkThread.h"
#include "links/VisionLink.h"
#include "links/VisionLinkState.h"
#include "rtl/MathUtils.h"
#include "sys/Threads.h"

#include <array>
#include <atomic>
#include <cstring>

namespace {

// Whether this program run has made sure the one state row exists: per belt table, so that one
// belt's failing restore cannot use up the other's check, and for the hydrosizer.
std::atomic<bool> g_beltStateChecked[2];
std::atomic<bool> g_pugStateChecked{false};
// The loss of the serial device has been posted; cleared when the link is open again.
std::atomic<bool> g_deviceLossPosted{false};

constexpr uint32_t kCyclePeriodMs = 980;
constexpr uint32_t kStopWaitMs = 1000;

AnsiString MinuteKeyOf(TDateTime t) { return FormatDateTime("yyyy-mm-dd hh:nn:00", t); }

AnsiString Num(double v) { return FloatToDotText(v); }

bool StopRequested(TVisionLinkState* main) { return main->V120ThreadStop.load(); }

// The console changes the unit ids while the thread runs; they are read under the main window's lock.
int UnitId(TVisionLinkState* main, bool belts) {
    TCriticalSectionLock lock(main->SharedTextLock);
    return belts ? main->PKN_UnitID : main->PUG_UnitID;
}

void Exec(TSQLQuery* q, const AnsiString& sql) {
    q->Close();
    q->SQL()->SetText(sql);
    q->ExecSQL();
}

void OpenQuery(TSQLQuery* q, const AnsiString& sql) {
    q->Close();
    q->SQL()->SetText(sql);
    q->Open();
}

// Runs the UPDATE of a minute row and, when it found no row (a restart inside a minute whose row
// another run did not write, or an insert that failed earlier in the minute), the INSERT instead.
void UpdateOrInsert(TSQLQuery* q, const AnsiString& update, const AnsiString& insert) {
    Exec(q, update);
    if (q->RowsAffected() < 1) Exec(q, insert);
}

// Makes sure table holds its one row, at most once per program run.
void EnsureStateRow(TSQLQuery* q, const AnsiString& table, std::atomic<bool>& checked) {
    if (checked.load()) return;
    OpenQuery(q, "select count(*) Rez from " + table);
    const int rows = q->FieldByName("Rez")->AsInteger();
    q->Close();
    if (rows < 1) Exec(q, "insert into " + table + " (RecMoment) VALUES( Now() )");
    checked.store(true);
}

// Takes the belt's last minute back from its table, so that the minute in progress goes on where
// the previous run left it.
void RestoreBelt(TVisionLinkState* main, int b) {
    TSQLQuery* q = main->SQLQueryV120;
    const AnsiString table = BeltTable(b);
    EnsureStateRow(q, table + "_state", g_beltStateChecked[b]);

    OpenQuery(q, "select * from " + table + " order by RecMoment DESC LIMIT 0, 2");
    TBeltScaleRec r = ReadBeltScale(b);
    if (q->Eof() || q->FieldByName("RecMoment")->IsNull()) {
        std::strcpy(r.MinuteKey, "?");
        r.BKK = 0;
        r.TNK = 0;
        r.G_1T1 = 0;
        r.I_1T1 = 0;
        r.MinuteBaseline = 0;
    } else {
        r.BKK = q->FieldByName("BKK")->AsInteger() != 0 ? 1 : 0;
        r.TNK = q->FieldByName("TNK")->AsFloat();
        r.G_1T1 = q->FieldByName("G_1T1")->AsFloat();
        r.I_1T1 = q->FieldByName("I_1T1")->AsFloat();
        r.RecMoment = q->FieldByName("RecMoment")->AsDateTime();
        const AnsiString key = MinuteKeyOf(r.RecMoment);
        std::snprintf(r.MinuteKey, sizeof r.MinuteKey, "%s", key.c_str());
        r.MinuteBaseline = r.I_1T1 - r.G_1T1 * 1000;
        q->Next();
        // The counter at the end of the minute before is the exact start of this one.
        if (!q->Eof()) r.MinuteBaseline = q->FieldByName("I_1T1")->AsFloat();
    }
    q->Close();
    UpdateBeltScale(b, [&](TBeltScaleRec& rec) {
        rec.BKK = r.BKK;
        rec.TNK = r.TNK;
        rec.G_1T1 = r.G_1T1;
        rec.I_1T1 = r.I_1T1;
        rec.RecMoment = r.RecMoment;
        std::memcpy(rec.MinuteKey, r.MinuteKey, sizeof rec.MinuteKey);
        rec.MinuteBaseline = r.MinuteBaseline;
    });
}

// The statements of one belt for one cycle, with the values the record takes.
void WriteBelt(TVisionLinkState* main, int b, bool running, int load, int counter, const AnsiString& key) {
    TSQLQuery* q = main->SQLQueryV120;
    const AnsiString table = BeltTable(b);
    TBeltScaleRec r = ReadBeltScale(b);

    r.BKK = running ? 1 : 0;
    r.TNK = load;
    if (counter < r.MinuteBaseline) r.MinuteBaseline = counter;
    // The state row gets the counter and mass of the previous cycle (nothing reads it but people).
    const AnsiString bkk = r.BKK ? "1" : "0";
    const AnsiString stateSql = "UPDATE " + table + "_state  SET BKK=" + bkk + ", I_1T1=" + Num(r.I_1T1) +
                                ", TNK=" + Num(r.TNK) + ", G_1T1=" + Num(r.G_1T1) + ", RecMoment=Now()";

    const bool sameMinute = key == AnsiString(r.MinuteKey);
    if (!sameMinute) {
        // On an empty table the first counter read starts the count: the counter's lifetime total is
        // no mass of this minute.
        const bool firstEver = std::strcmp(r.MinuteKey, "?") == 0;
        std::snprintf(r.MinuteKey, sizeof r.MinuteKey, "%s", key.c_str());
        r.MinuteBaseline = firstEver ? counter : r.I_1T1;
    }
    r.I_1T1 = counter;
    if (r.I_1T1 < r.MinuteBaseline) r.MinuteBaseline = r.I_1T1;
    r.G_1T1 = (r.I_1T1 - r.MinuteBaseline) * 0.001;

    // The record takes the cycle's values before the statements run, as the screens should show the
    // controller's state even while the database is away.
    UpdateBeltScale(b, [&](TBeltScaleRec& rec) {
        rec.BKK = r.BKK;
        rec.TNK = r.TNK;
        rec.I_1T1 = r.I_1T1;
        rec.G_1T1 = r.G_1T1;
        rec.MinuteBaseline = r.MinuteBaseline;
        std::memcpy(rec.MinuteKey, r.MinuteKey, sizeof rec.MinuteKey);
    });

    Exec(q, stateSql);
    const AnsiString values = Num(r.I_1T1);
    if (sameMinute) {
        UpdateOrInsert(q,
                       "UPDATE " + table + " SET BKK=" + bkk + ", I_1T1=" + values + ", TNK=" + Num(r.TNK) +
                           ", G_1T1=" + Num(r.G_1T1) + " where RecMoment='" + key + "'",
                       "INSERT into " + table + " (RecMoment, BKK, TNK, I_1T1, G_1T1) VALUES( '" + key + "', " + bkk +
                           ", " + Num(r.TNK) + ", " + values + ", " + Num(r.G_1T1) + ")");
    } else {
        Exec(q, "INSERT into " + table + " (RecMoment, BKK, TNK, I_1T1, G_1T1) VALUES( '" + key + "', " + bkk + ", " +
                    Num(r.TNK) + ", " + values + ", " + Num(r.G_1T1) + ")");
    }
}

// A read's outcome: counted as an error when it failed, timed when it came.
bool ReadDone(TVisionLinkState* main, bool ok) {
    if (!ok) {
        InterlockedIncrement(main->V120ErrorCount);
        return false;
    }
    main->V120LastAnswerTime.store(Now());
    return true;
}

// A link that fell inactive (its device went away, and the link closed its port) is opened again;
// the poll that found it so reads nothing this round. The loss is posted once.
bool LinkReady(TVisionLink* link) {
    if (link->Active()) {
        g_deviceLossPosted.store(false);
        return true;
    }
    if (link->DeviceLost() && !g_deviceLossPosted.exchange(true))
        PostEvent("Поток связи c Vision: Потеряно устройство порта " + link->PortName(), 0);
    link->SetActive(true);
    Sleep(100);
    return false;
}

}  // namespace

TVisionLinkState* MainVisionLink = nullptr;

double HydroSolidsLoad(int pl2, int rv2) {
    return static_cast<double>(static_cast<long long>(pl2) * static_cast<long long>(rv2)) * 0.001;
}

void ResetVisionStateChecks() {
    g_beltStateChecked[0].store(false);
    g_beltStateChecked[1].store(false);
    g_pugStateChecked.store(false);
    g_deviceLossPosted.store(false);
}

bool PollBeltScales(TVisionLinkState* main) {
    TVisionLink* link = main->VisionLink;
    if (!LinkReady(link)) return false;
    try {
        const AnsiString key = MinuteKeyOf(Now());
        for (int b = 0; b < 2; ++b) {
            if (ReadBeltScale(b).MinuteKey[0] == '\0') RestoreBelt(main, b);
        }

        link->SetUnitID(UnitId(main, true));
        bool bits[2] = {};
        if (!ReadDone(main, link->GetBitArray(10, 2, bits))) return false;
        if (StopRequested(main)) return false;
        int loads[2] = {};
        if (!ReadDone(main, link->GetIntArray(50, 2, loads, false))) return false;
        if (StopRequested(main)) return false;
        int counters[2] = {};
        if (!ReadDone(main, link->GetIntArray(50, 2, counters, true))) return false;
        if (StopRequested(main)) return false;

        for (int b = 0; b < 2; ++b) {
            // A counter of 0 is a scale that is not counting: its record and rows stay as they are.
            if (counters[b] != 0) WriteBelt(main, b, bits[b], loads[b], counters[b], key);
        }
        // The belt lamp follows this time: it moves only when the read is also in the database, so
        // the lamp never shows a link alive whose rows are lost.
        main->BeltLastReadTime.store(Now());
        return true;
    } catch (...) {
        Sleep(50);
        return false;
    }
}

bool PollHydrosizer(TVisionLinkState* main) {
    TVisionLink* link = main->VisionLink;
    if (!LinkReady(link)) return false;
    try {
        EnsureStateRow(main->SQLQueryV120, "pug_state", g_pugStateChecked);

        link->SetUnitID(UnitId(main, false));
        static constexpr int kAddresses[4] = {55, 65, 5, 4};
        int v[4] = {};
        for (int i = 0; i < 4; ++i) {
            if (!ReadDone(main, link->GetIntArray(kAddresses[i], 1, &v[i], false))) return false;
            main->PugValues[i].store(v[i]);
            if (i < 3 && StopRequested(main)) return false;
        }
        if (StopRequested(main)) return false;

        const double rg2 = HydroSolidsLoad(v[0], v[1]);
        main->PugValues[4].store(static_cast<std::int32_t>(Round(rg2)));
        const AnsiString values = "PL2_GS=" + Num(v[0]) + ", RV2_GS=" + Num(v[1]) + ", PL3_GS=" + Num(v[2]) +
                                  ", TRTW_GS=" + Num(v[3]) + ", RG2_GS=" + Num(rg2);
        TSQLQuery* q = main->SQLQueryV120;
        Exec(q, "UPDATE pug_state SET RecMoment=Now(), " + values);

        const AnsiString key = MinuteKeyOf(Now());
        {
            TCriticalSectionLock lock(main->SharedTextLock);
            if (key != main->PugMinuteKey) main->PugMinuteKey = key;
        }
        // The minute's row may exist already from a run that ended within this minute.
        UpdateOrInsert(q, "UPDATE pug SET " + values + " where RecMoment='" + key + "'",
                       "INSERT into pug (RecMoment, PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS) VALUES ( '" + key +
                           "', " + Num(v[0]) + ", " + Num(v[1]) + ", " + Num(v[2]) + ", " + Num(v[3]) + ", " +
                           Num(rg2) + ")");
        // Like the belt lamp's time: only a read that reached the database counts.
        main->PugLastReadTime.store(Now());
        return true;
    } catch (...) {
        Sleep(50);
        return false;
    }
}

void VisionThreadLoop(TVisionLinkState* main, TThread* self) {
    TVisionLink* link = main->VisionLink;
    if (link->Active()) link->SetActive(false);
    AnsiString port;
    int speed;
    {
        TCriticalSectionLock lock(main->SharedTextLock);
        port = main->V120ComPort;
        speed = main->V120ComSpeed;
    }
    link->SetPortName(port);
    link->SetSpeed(speed);
    link->SetStatus("");
    link->SetActive(true);
    if (!link->Active()) {
        PostEvent("Поток связи c Vision: Не могу подключить порт " + port, 0);
        return;
    }
    if (self) self->SetPriority(tpHighest);

    main->V120StartTime.store(Now());
    main->V120QueryCount.store(0);
    main->V120ErrorCount.store(0);

    while (!StopRequested(main)) {
        const uint32_t tick = GetTickCount();
        InterlockedIncrement(main->V120QueryCount);
        BeepGuard("belt-scale poll", [main] { PollBeltScales(main); });
        if (StopRequested(main)) break;
        BeepGuard("hydrosizer poll", [main] { PollHydrosizer(main); });
        Sleep(50);
        WaitRestOfPeriod(tick, kCyclePeriodMs, &main->V120ThreadStop);
    }
}

int VisionThreadProc(TVisionLinkState* main, TThread& thread) {
    main->V120ThreadActive.store(true);
    int result = 1;
    try {
        VisionThreadLoop(main, &thread);
    } catch (...) {
        result = 0;
    }
    main->V120ThreadActive.store(false);
    return result;
}

namespace {

TLinkThreadControl Control(TVisionLinkState* main) {
    return {main->V120ThreadActive, main->V120ThreadStop, main->V120ThreadHandle, main->V120ThreadId};
}

}  // namespace

bool StartVisionThread(TVisionLinkState* main) {
    // The console counts the uptime from here on, never from an earlier run's start.
    const auto prepare = [main] { main->V120StartTime.store(Now()); };
    return StartLinkThread(Control(main), prepare, [main](TThread& self) { return VisionThreadProc(main, self); });
}

bool StopVisionThread(TVisionLinkState* main) {
    return StopLinkThread(Control(main), kStopWaitMs);
}

void InsertBeltLog(TVisionLinkState* main, const AnsiString& text) {
    TSQLQuery* q = main->SQLQueryWS_Log;
    q->Close();
    // The text travels as a parameter: whatever it holds, it never becomes part of the statement.
    q->SQL()->SetText("insert into belt_log (PostMoment, Message) values( Now(), :Message)");
    q->ParamByName("Message")->SetAsString(text);
    q->ExecSQL();
}
