#include "links/PufThread.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "db/SqlExpr.h"
#include "gui/Dialogs.h"
#include "gui/WinApi.h"
#include "links/FormInputNewSet.h"
#include "links/FormPUF_Link.h"
#include "links/ICPLink.h"
#include "links/LinkThread.h"
#include "links/PufLinkState.h"
#include "links/PufProtocol.h"
#include "links/WinSockClient.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"
#include "sys/Threads.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <map>

namespace {

constexpr uint32_t kStopWaitMs = 1000;
constexpr uint32_t kStepPauseMs = 50;
constexpr uint32_t kShortCycleMs = 100;
constexpr uint32_t kShortCyclePauseMs = 150;
constexpr uint32_t kExceptionPauseMs = 100;
constexpr long long kSetTimeIntervalS = 3600;
const char* const kThreadPrefix = "Поток связи c ПУФ: ";  // the "c" is Latin, as in the port message

void BindValue(TSQLQuery* q, const AnsiString& param, const TPufPair& p) {
    if (p.kind == TPufPair::Now) return;
    TParam* prm = q->ParamByName(param);
    if (p.kind == TPufPair::Null)
        prm->Clear();
    else if (p.isMoment)
        prm->SetAsDateTime(p.moment);
    else
        prm->SetAsString(p.value);
}

void BindPairs(TSQLQuery* q, const std::vector<TPufPair>& pairs) {
    for (std::size_t i = 0; i < pairs.size(); ++i) BindValue(q, "v" + IntToStr(static_cast<long long>(i)), pairs[i]);
}

void SetStatement(TSQLQuery* q, const AnsiString& sql) {
    q->Close();
    q->SQL()->SetText(sql);
}

int CountRows(TSQLQuery* q) {
    q->Open();
    const int n = q->FieldByName("Rez")->AsInteger();
    q->Close();
    return n;
}

// What one run of the loop keeps between cycles.
struct TLoopState {
    std::vector<TPufColumn> stateColumns;
    std::vector<TPufColumn> dataColumns;
    // The one row of puf_state is there (made when the table was empty).
    bool stateRowChecked = false;
    // A log record whose row is written but whose deletion the controller has not confirmed: when the
    // controller offers it again, it is deleted again instead of being written a second time.
    bool pendingLog = false;
    TPufLogRecord pending;
    // The last report of each kind, so that a record the controller keeps offering is reported once.
    std::map<AnsiString, AnsiString> lastReport;
    // The loss of the serial device has been reported; cleared when the port is open again.
    bool portLossReported = false;

    const std::vector<TPufColumn>& Columns(TPufLinkState* form, std::vector<TPufColumn>& cache, const char* table) {
        if (cache.empty()) cache = PufTableColumns(form->SQLQueryPUF_Link, table);
        return cache;
    }
    void Report(const AnsiString& kind, const AnsiString& text) {
        const AnsiString line = kThreadPrefix + text;
        AnsiString& last = lastReport[kind];
        if (line == last) return;
        last = line;
        PostEvent(line, 0);
    }
};

// A serial port that the link closed because its device went away is opened again, once the device is
// back; the loss is reported once.
void KeepPortOpen(TPufLinkState* form, TLoopState& st) {
    TICPLink* port = form->ICPLinkPUF;
    if (port->GetActive()) {
        st.portLossReported = false;
        return;
    }
    if (!port->DeviceLost()) return;
    if (!st.portLossReported) {
        st.portLossReported = true;
        PostEvent(kThreadPrefix + AnsiString("Потеряно устройство порта ") + port->GetPortName(), 0);
    }
    port->SetActive(true);
}

// The connection is there, or made again now (once a cycle), and the state table has its row. False
// while the database cannot be reached: the cycle then leaves the controller's records where they are.
bool DatabaseReady(TPufLinkState* form, TLoopState& st) {
    try {
        TSQLConnection* conn = form->SQLConnectionPUF_Link;
        if (!conn->Connected()) conn->Open();
        if (!st.stateRowChecked) {
            TSQLQuery* q = form->SQLQueryPUF_Link;
            SetStatement(q, "select count(*) as Rez from puf_state");
            if (CountRows(q) == 0) {
                // The state table always has the one row that the state answers update.
                SetStatement(q, "insert into puf_state (RecMoment) VALUES( Now() )");
                q->ExecSQL();
            }
            st.stateRowChecked = true;
        }
        return true;
    } catch (const Exception&) {
        return false;
    }
}

void QueuedCommandStep(TPufLinkState* form) {
    AnsiString line;
    {
        TCriticalSectionLock lock(form->PufCommandsLock);
        if (form->PufCommands->Count() == 0) return;
        line = form->PufCommands->Strings(0);
    }
    if (!PufSendCommand(form, line)) {
        CountPufError(form);
        return;
    }
    const int colon = line.Pos(":");
    if (colon <= 1) {
        PostEvent("Bad command in FIFO!", 0);
        return;
    }
    const AnsiString answer = PufReadAnswer(form, line.SubString(1, colon - 1));
    if (answer == "OK" || line.SubString(1, 7) == "SetTime") {
        // Only this thread removes lines, so the head is still the line just sent.
        TCriticalSectionLock lock(form->PufCommandsLock);
        if (form->PufCommands->Count() > 0 && form->PufCommands->Strings(0) == line) form->PufCommands->Delete(0);
    } else {
        CountPufError(form);
    }
}

void LogStep(TPufLinkState* form, TLoopState& st) {
    if (!PufSendCommand(form, "GetLogRecCount")) {
        CountPufError(form);
        return;
    }
    const AnsiString countText = PufReadAnswer(form, "GetLogRecCount");
    if (countText.IsEmpty()) {
        CountPufError(form);
        return;
    }
    int count = 0;
    if (!TryDecimalToInt(countText, count)) count = 0;
    if (count == 0) return;
    if (!PufSendCommand(form, "GetLogRec")) return;
    const AnsiString text = PufReadAnswer(form, "GetLogRec");
    if (text.IsEmpty()) return;

    TPufLogRecord rec;
    AnsiString why;
    if (!PufParseLogRecord(text, rec, why)) {
        st.Report("log", "отклонена запись журнала (" + why + "): " + PufClipText(text));
        return;
    }
    const bool written = st.pendingLog && rec.id == st.pending.id && rec.moment == st.pending.moment &&
                         rec.message == st.pending.message;
    if (!written) {
        // An entry whose moment cannot be read is kept all the same: with the moment it arrived, and the
        // controller's text of the moment in front of its message.
        const TDateTime moment = rec.momentRead ? rec.postMoment : Now();
        const AnsiString message = rec.momentRead ? rec.message : rec.moment + " " + rec.message;
        TSQLQuery* q = form->SQLQueryPUF_Link;
        try {
            SetStatement(q, "INSERT INTO puf_log (PostMoment, Message)\r\nVALUES (:PostMoment, :Message )");
            q->ParamByName("PostMoment")->SetAsDateTime(moment);
            q->ParamByName("Message")->SetAsString(message);
            q->ExecSQL();
        } catch (const Exception&) {
            // The record stays in the controller and comes again.
            return;
        }
        if (!rec.momentRead)
            st.Report("log", "запись журнала " + PufClipText(rec.id) + ": время \"" + PufClipText(rec.moment) +
                                 "\" не прочитано, записана со временем приёма");
        st.pendingLog = true;
        st.pending = rec;
    }
    if (PufSendCommand(form, "DeleteLogRec:" + rec.id) && PufReadAnswer(form, "DeleteLogRec") == "OK")
        st.pendingLog = false;
}

void StateStep(TPufLinkState* form, TLoopState& st) {
    if (!PufSendCommand(form, "GetStateRec:")) {
        CountPufError(form);
        return;
    }
    const AnsiString state = PufReadAnswer(form, "GetStateRec");
    if (state.IsEmpty()) {
        CountPufError(form);
        return;
    }
    try {
        std::vector<TPufPair> pairs;
        std::vector<TPufRefusedPair> refused;
        PufCheckPairs(state, st.Columns(form, st.stateColumns, "puf_state"), pairs, refused);
        if (!refused.empty() || pairs.empty()) {
            // The next state answer comes within the second: this one is left out whole.
            const AnsiString why = refused.empty() ? AnsiString("нет значений") : refused.front().why;
            st.Report("state", "отклонено состояние (" + why + "): " + PufClipText(state));
            BeepAt("PUF state refused");
            return;
        }
        TSQLQuery* q = form->SQLQueryPUF_Link;
        SetStatement(q, PufStateUpdateSql(pairs));
        BindPairs(q, pairs);
        q->ExecSQL();
        form->PufLastStateTime.store(Now());
    } catch (const Exception&) {
        BeepAt("PUF state write");
    }
}

void AcknowledgeRecord(TPufLinkState* form, const AnsiString& keyValue) {
    PufSendCommand(form, "SetSaveFlag:" + keyValue);
    PufReadAnswer(form, "SetSaveFlag");
}

// False when the cycle ends at once, without its closing pause.
bool DataStep(TPufLinkState* form, TLoopState& st) {
    if (!PufSendCommand(form, "GetUnsavedCount:")) {
        CountPufError(form);
        return true;
    }
    const AnsiString countText = PufReadAnswer(form, "GetUnsavedCount");
    int count = 0;
    if (countText.IsEmpty())
        CountPufError(form);
    else if (!TryDecimalToInt(countText, count))
        count = 0;
    if (count <= 0) return true;

    PufSendCommand(form, "GetUnsavedRecord:");
    const AnsiString record = PufReadAnswer(form, "GetUnsavedRecord");
    if (record.IsEmpty()) {
        CountPufError(form);
        return true;
    }
    form->PufFailStreak.store(0);
    const int comma = record.Pos(",");
    if (comma == 0) return false;  // nothing identifies the record: it is neither stored nor acknowledged
    const AnsiString keyPiece = record.SubString(1, comma - 1);
    if (keyPiece.Pos("=") == 0) return false;
    const AnsiString keyValue = PufSaveFlagKey(record);
    // No request may carry a line break: such a record can be neither stored nor acknowledged.
    if (PufHasLineBreak(keyValue)) {
        st.Report("data", "отклонена запись данных (ключ с переводом строки): " + PufClipText(record));
        return true;
    }

    TSQLQuery* q = form->SQLQueryPUF_Link;
    try {
        const std::vector<TPufColumn>& columns = st.Columns(form, st.dataColumns, "puf_data");
        // The key decides where the record goes; a record without a usable key can never be stored.
        TPufPair key;
        AnsiString why;
        if (!PufCheckPair(keyPiece, columns, key, why) || key.kind == TPufPair::Null || key.kind == TPufPair::Now) {
            if (why.IsEmpty()) why = "ключ не задан значением";
            st.Report("data", "запись данных " + PufClipText(keyValue) + " не записана (" + why + "): " + PufClipText(record));
            AcknowledgeRecord(form, keyValue);
            return true;
        }
        std::vector<TPufPair> pairs;
        std::vector<TPufRefusedPair> refused;
        PufCheckPairs(record.SubString(comma + 1, record.Length()), columns, pairs, refused);
        // Only the key and no value to keep: nothing is written.
        const bool write = !pairs.empty() || refused.empty();
        if (write) {
            pairs.insert(pairs.begin(), key);
            SetStatement(q, PufDataExistsSql(key));
            BindValue(q, "k", key);
            if (CountRows(q) > 0) {
                SetStatement(q, PufDataUpdateSql(pairs, key));
                BindPairs(q, pairs);
                BindValue(q, "k", key);
            } else {
                SetStatement(q, PufDataInsertSql(pairs));
                BindPairs(q, pairs);
            }
            q->ExecSQL();
        }
        if (!refused.empty()) {
            AnsiString dropped;
            for (const TPufRefusedPair& r : refused)
                dropped += (dropped.IsEmpty() ? "" : ", ") + PufClipText(r.piece) + " (" + r.why + ")";
            st.Report("data", "запись данных " + PufClipText(keyValue) + (write ? " записана без " : " не записана, отброшены ") +
                                  dropped);
        }
    } catch (const Exception&) {
        // Not written: not acknowledged either, so the controller offers the record again.
        return true;
    }
    AcknowledgeRecord(form, keyValue);
    return true;
}

// The steps before the loop. False when the thread ends at once (no port and no LAN link).
bool Prepare(TPufLinkState* form, TThread* self) {
    TICPLink* port = form->ICPLinkPUF;
    if (!port->GetActive()) {
        AnsiString name;
        int speed;
        bool lan;
        {
            TCriticalSectionLock lock(form->SharedTextLock);
            name = form->PufComPort;
            speed = form->PufComSpeed;
            lan = form->PufLanEnabled;
        }
        port->SetPortName(name);
        port->SetSpeed(speed);
        port->SetStatus("");
        port->SetActive(true);
        if (!port->GetActive() && !lan) {
            PostEvent(AnsiString(kThreadPrefix) + "Не могу подключить порт " + name, 0);
            return false;
        }
    }
    if (self) self->SetPriority(tpHigher);
    form->PufStartTime.store(Now());
    form->PufQueryCount.store(0);
    form->PufErrorCount.store(0);
    form->PufFailStreak.store(0);
    return true;
}

}  // namespace

// ---- Records --------------------------------------------------------------------------------------

std::vector<TPufColumn> PufTableColumns(TSQLQuery* query, const AnsiString& table) {
    SetStatement(query, "select * from " + QuoteIdentifier(table) + " limit 0");
    query->Open();
    const std::vector<mariadb::ColumnInfo> info = query->ResultColumns();
    query->Close();
    std::vector<TPufColumn> out;
    for (const mariadb::ColumnInfo& c : info) {
        TPufColumn col;
        col.name = c.Name;
        col.nullable = !c.NotNull;
        switch (c.Type) {
            case mariadb::ColumnType::TinyInt:
            case mariadb::ColumnType::SmallInt:
            case mariadb::ColumnType::MediumInt:
            case mariadb::ColumnType::Int:
            case mariadb::ColumnType::BigInt:
            case mariadb::ColumnType::Year:
            case mariadb::ColumnType::Bit:
            case mariadb::ColumnType::Float:
            case mariadb::ColumnType::Double:
            case mariadb::ColumnType::Decimal: col.kind = TPufColumn::Number; break;
            case mariadb::ColumnType::Date:
            case mariadb::ColumnType::DateTime:
            case mariadb::ColumnType::Timestamp: col.kind = TPufColumn::Moment; break;
            default: col.kind = TPufColumn::Text; break;
        }
        out.push_back(col);
    }
    return out;
}

// ---- The thread -----------------------------------------------------------------------------------

void CountPufError(TPufLinkState* form) {
    InterlockedIncrement(form->PufErrorCount);
    form->PufFailStreak.fetch_add(1);
}

void PufThreadLoop(TPufLinkState* form, TThread* self) {
    if (!Prepare(form, self)) return;
    TLoopState st;
    while (!form->PufThreadStop.load()) {
        const uint32_t start = GetTickCount();
        bool closingPause = true;
        try {
            KeepPortOpen(form, st);
            PufTransportDecision(form);
            QueuedCommandStep(form);
            if (form->PufThreadStop.load()) break;
            // Without the database the controller keeps its log, state and records: nothing is asked
            // for that could not be stored, and the lamp ages from the last state written.
            const bool database = DatabaseReady(form, st);
            if (database) LogStep(form, st);
            Sleep(kStepPauseMs);
            if (database) StateStep(form, st);
            Sleep(kStepPauseMs);
            if (database) closingPause = DataStep(form, st);
        } catch (...) {
            Sleep(kExceptionPauseMs);
            BeepAt("PUF cycle");
        }
        if (closingPause && GetTickCount() - start < kShortCycleMs) Sleep(kShortCyclePauseMs);
    }
    form->ICPLinkPUF->SetActive(false);
}

int PufThreadProc(TPufLinkState* form, TThread* self) {
    form->PufThreadActive.store(true);
    int code = 1;
    try {
        PufThreadLoop(form, self);
    } catch (...) {
        code = 0;
    }
    form->PufThreadActive.store(false);
    return code;
}

namespace {

TLinkThreadControl Control(TPufLinkState* form) {
    return {form->PufThreadActive, form->PufThreadStop, form->PufThreadHandle, form->PufThreadId};
}

}  // namespace

bool StartPufThread(TPufLinkState* form) {
    const auto prepare = [form] {
        // The console counts the uptime from here on, never from an earlier run's start.
        form->PufStartTime.store(Now());
        try {
            form->SQLConnectionPUF_Link->Open();
        } catch (...) {
            MessageBox(nullptr, "не могу подключиться к MySQL серверу.", "Ошибка", MB_OK | MB_ICONERROR);
        }
    };
    return StartLinkThread(Control(form), prepare, [form](TThread& self) { return PufThreadProc(form, &self); });
}

bool StopPufThread(TPufLinkState* form) {
    if (!StopLinkThread(Control(form), kStopWaitMs)) return false;
    form->SQLConnectionPUF_Link->Close();
    return true;
}

// ---- Queued commands ------------------------------------------------------------------------------

void AppendPufCommand(TPufLinkState* form, const AnsiString& line) {
    TCriticalSectionLock lock(form->PufCommandsLock);
    form->PufCommands->Add(line);
}

void QueuePufSetpoint(TPufLinkState* form, const AnsiString& caption, const AnsiString& column) {
    TFormInputNewSet* dialog = FormInputNewSet;
    if (!dialog) return;
    dialog->LabelParName->SetCaption(caption);
    AnsiString prefill;
    if (FormPUF_Link && FormPUF_Link->SQLClientDataSetCurState->Active())
        prefill = FormPUF_Link->SQLClientDataSetCurState->FieldByName(column)->AsString();
    dialog->EditInput->SetText(prefill);
    if (dialog->ShowModal() != mrOk) return;
    const AnsiString input = dialog->EditInput->Text().Trim();
    if (input.IsEmpty()) return;
    double value = 0;
    if (!TryStrToFloat(input, value)) {
        MessageBox(nullptr, "Новое значение указано неверно.", "Ошибка", MB_OK | MB_ICONERROR);
        return;
    }
    AppendPufCommand(form, "Set" + column + ":" + FloatToDotText(value));
}

void QueuePufSetTime(TPufLinkState* form) {
    if (form->LanClientMode) return;
    const TDateTime now = Now();
    if (SecondsBetween(now, form->LastSetTimeSent) < kSetTimeIntervalS) return;
    form->LastSetTimeSent = now;
    AppendPufCommand(form, "SetTime:" + FloatToDotText(now));
}
