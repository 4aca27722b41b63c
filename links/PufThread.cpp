#include "links/PufThread.h"

#include "app/EventLog.h"
#include "app/Global.h"
#include "app/Main.h"
#include "db/SqlExpr.h"
#include "gui/Dialogs.h"
#include "gui/WinApi.h"
#include "links/FormInputNewSet.h"
#include "links/FormPUF_Link.h"
#include "links/ICPLink.h"
#include "links/PufProtocol.h"
#include "links/WinSockClient.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"
#include "sys/Threads.h"

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
// Refused records are reported with at most this much of their text.
constexpr int kReportedRecordLength = 200;

const char* const kThreadPrefix = "Поток связи c ПУФ: ";  // the "c" is Latin, as in the port message

void DefaultBeep() {
    MessageBeep(static_cast<UINT>(-1));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number as SQL writes one: sign, digits with at most one point, an optional exponent.
bool IsNumberLiteral(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == s.size();
}

// A text in single quotes whose inner quotes are doubled; the text without them.
bool UnquoteText(const std::string& s, std::string& out) {
    if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return false;
    out.clear();
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == '\'') {
            if (i + 2 < s.size() && s[i + 1] == '\'') {
                out += '\'';
                ++i;
                continue;
            }
            return false;
        }
        out += s[i];
    }
    return true;
}

AnsiString ValueSql(const TPufPair& p, const AnsiString& param) {
    return p.kind == TPufPair::Now ? AnsiString("Now()") : ":" + param;
}

void BindValue(TSQLQuery* q, const AnsiString& param, const TPufPair& p) {
    if (p.kind == TPufPair::Now) return;
    TParam* prm = q->ParamByName(param);
    if (p.kind == TPufPair::Null)
        prm->Clear();
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

AnsiString Clip(const AnsiString& text) {
    return text.Length() > kReportedRecordLength ? text.SubString(1, kReportedRecordLength) + "..." : text;
}

// What one run of the loop keeps between cycles.
struct TLoopState {
    std::vector<AnsiString> stateColumns;
    std::vector<AnsiString> dataColumns;
    // A log record whose row is written but whose deletion the controller has not confirmed: when the
    // controller offers it again, it is deleted again instead of being written a second time.
    bool pendingLog = false;
    TPufLogRecord pending;
    // The last refusal reported of each kind, so that a record the controller keeps offering is
    // reported once.
    std::map<AnsiString, AnsiString> lastRefusal;

    const std::vector<AnsiString>& Columns(TFormMain* form, std::vector<AnsiString>& cache, const char* table) {
        if (cache.empty()) cache = TableColumns(form->SQLConnectionPUF_Link, table);
        return cache;
    }
    void Refuse(const AnsiString& what, const AnsiString& why, const AnsiString& record) {
        const AnsiString text = kThreadPrefix + what + " (" + why + "): " + Clip(record);
        AnsiString& last = lastRefusal[what];
        if (text == last) return;
        last = text;
        PostEvent(text, 0);
    }
};

void QueuedCommandStep(TFormMain* form) {
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

void LogStep(TFormMain* form, TLoopState& st) {
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
        st.Refuse("отклонена запись журнала", why, text);
        return;
    }
    const bool written = st.pendingLog && rec.id == st.pending.id && rec.moment == st.pending.moment &&
                         rec.message == st.pending.message;
    if (!written) {
        TSQLQuery* q = form->SQLQueryPUF_Link;
        try {
            SetStatement(q, "INSERT INTO puf_log (PostMoment, Message)\r\nVALUES (:PostMoment, :Message )");
            q->ParamByName("PostMoment")->SetAsDateTime(SqlTextToDateTime(rec.moment));
            q->ParamByName("Message")->SetAsString(rec.message);
            q->ExecSQL();
        } catch (const Exception&) {
            // The record stays in the controller and comes again.
            return;
        }
        st.pendingLog = true;
        st.pending = rec;
    }
    if (PufSendCommand(form, "DeleteLogRec:" + rec.id) && PufReadAnswer(form, "DeleteLogRec") == "OK")
        st.pendingLog = false;
}

void StateStep(TFormMain* form, TLoopState& st) {
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
        AnsiString why;
        if (!PufParsePairs(state, st.Columns(form, st.stateColumns, "puf_state"), pairs, why) || pairs.empty()) {
            st.Refuse("отклонено состояние", why.IsEmpty() ? AnsiString("нет значений") : why, state);
            DefaultBeep();
            return;
        }
        TSQLQuery* q = form->SQLQueryPUF_Link;
        SetStatement(q, PufStateUpdateSql(pairs));
        BindPairs(q, pairs);
        q->ExecSQL();
        form->PufLastStateTime.store(Now());
    } catch (const Exception&) {
        DefaultBeep();
    }
}

// False when the cycle ends at once, without its closing pause.
bool DataStep(TFormMain* form, TLoopState& st) {
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
    const AnsiString keyValue = PufSaveFlagKey(record);
    if (record.SubString(1, comma - 1).Pos("=") == 0) return false;

    std::vector<TPufPair> pairs;
    AnsiString why;
    TSQLQuery* q = form->SQLQueryPUF_Link;
    try {
        if (!PufParsePairs(record, st.Columns(form, st.dataColumns, "puf_data"), pairs, why)) {
            st.Refuse("отклонена запись данных", why, record);
            return true;
        }
        // The first piece holds "=", so the first pair is the key.
        const TPufPair key = pairs.front();
        if (key.kind != TPufPair::Number && key.kind != TPufPair::Text) {
            st.Refuse("отклонена запись данных", "ключ не задан значением", record);
            return true;
        }
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
    } catch (const Exception&) {
        // Not written: not acknowledged either, so the controller offers the record again.
        return true;
    }
    PufSendCommand(form, "SetSaveFlag:" + keyValue);
    PufReadAnswer(form, "SetSaveFlag");
    return true;
}

void Prepare(TFormMain* form, TThread* self, bool& ended) {
    ended = false;
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
            ended = true;
            return;
        }
    }
    if (self) self->SetPriority(tpHigher);
    form->PufStartTime.store(Now());
    TSQLQuery* q = form->SQLQueryPUF_Link;
    SetStatement(q, "select count(*) as Rez from puf_state");
    if (CountRows(q) == 0) {
        // The state table always has the one row that the state answers update.
        SetStatement(q, "insert into puf_state (RecMoment) VALUES( Now() )");
        q->ExecSQL();
    }
    form->PufQueryCount.store(0);
    form->PufErrorCount.store(0);
    form->PufFailStreak.store(0);
}

}  // namespace

// ---- Records --------------------------------------------------------------------------------------

bool TryDecimalToInt(const AnsiString& text, int& value) {
    const std::string& s = text.str();
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

bool PufParsePairs(const AnsiString& record, const std::vector<AnsiString>& columns, std::vector<TPufPair>& pairs,
                   AnsiString& why) {
    pairs.clear();
    why = AnsiString();
    const std::string& s = record.str();
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(',', start);
        if (end == std::string::npos) end = s.size();
        const AnsiString piece(s.substr(start, end - start));
        start = end + 1;
        const int eq = piece.Pos("=");
        if (eq == 0) continue;
        const AnsiString name = piece.SubString(1, eq - 1).Trim();
        const std::string value = piece.SubString(eq + 1, piece.Length()).Trim().str();
        TPufPair p;
        if (!IsTableColumn(columns, name, &p.column)) {
            why = "нет столбца " + Clip(name);
            return false;
        }
        std::string text;
        if (SameText(value, "NULL")) {
            p.kind = TPufPair::Null;
        } else if (SameText(value, "Now()")) {
            p.kind = TPufPair::Now;
        } else if (IsNumberLiteral(value)) {
            p.kind = TPufPair::Number;
            p.value = value;
        } else if (UnquoteText(value, text)) {
            p.kind = TPufPair::Text;
            p.value = text;
        } else {
            why = "значение " + p.column + " не является литералом";
            return false;
        }
        pairs.push_back(std::move(p));
    }
    return true;
}

AnsiString PufStateUpdateSql(const std::vector<TPufPair>& pairs) {
    AnsiString sql = "UPDATE puf_state\r\nSET ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) sql += ", ";
        sql += pairs[i].column + " = " + ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return sql;
}

AnsiString PufDataExistsSql(const TPufPair& key) {
    return "select count(*) as Rez from puf_data where " + key.column + " = " + ValueSql(key, "k");
}

AnsiString PufDataUpdateSql(const std::vector<TPufPair>& pairs, const TPufPair& key) {
    AnsiString sql = "UPDATE puf_data SET ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) sql += ", ";
        sql += pairs[i].column + " = " + ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return sql + "\r\nWHERE " + key.column + " = " + ValueSql(key, "k");
}

AnsiString PufDataInsertSql(const std::vector<TPufPair>& pairs) {
    AnsiString names = " (";
    AnsiString values = " VALUES ( ";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) {
            names += ", ";
            values += ", ";
        }
        names += pairs[i].column;
        values += ValueSql(pairs[i], "v" + IntToStr(static_cast<long long>(i)));
    }
    return "INSERT into puf_data\r\n" + names + " ) " + values + " ) ";
}

AnsiString PufSaveFlagKey(const AnsiString& record) {
    const int comma = record.Pos(",");
    const AnsiString key = comma > 0 ? record.SubString(1, comma - 1) : record;
    const int eq = key.Pos("=");
    if (eq == 0) return AnsiString();
    AnsiString v = key.SubString(eq + 1, key.Length()).Trim();
    if (!v.IsEmpty() && v[1] == '\'') v.Delete(1, 1);
    if (!v.IsEmpty() && v.LastChar() == '\'') v.SetLength(v.Length() - 1);
    return v.Trim();
}

bool PufParseLogRecord(const AnsiString& record, TPufLogRecord& out, AnsiString& why) {
    const std::string& s = record.str();
    const std::size_t t1 = s.find('\t');
    const std::size_t t2 = t1 == std::string::npos ? std::string::npos : s.find('\t', t1 + 1);
    if (t2 == std::string::npos) {
        why = "нет разделителей";
        return false;
    }
    out.id = AnsiString(s.substr(0, t1)).Trim();
    out.moment = AnsiString(s.substr(t1 + 1, t2 - t1 - 1)).Trim();
    out.message = AnsiString(s.substr(t2 + 1));
    if (out.id.IsEmpty()) {
        why = "нет номера";
        return false;
    }
    try {
        SqlTextToDateTime(out.moment);
    } catch (const Exception&) {
        why = "неверное время";
        return false;
    }
    return true;
}

// ---- The thread -----------------------------------------------------------------------------------

void CountPufError(TFormMain* form) {
    InterlockedIncrement(form->PufErrorCount);
    form->PufFailStreak.fetch_add(1);
}

void PufThreadLoop(TFormMain* form, TThread* self) {
    bool ended = false;
    Prepare(form, self, ended);
    if (ended) return;
    TLoopState st;
    while (!form->PufThreadStop.load()) {
        const uint32_t start = GetTickCount();
        bool closingPause = true;
        try {
            PufTransportDecision(form);
            QueuedCommandStep(form);
            if (form->PufThreadStop.load()) break;
            LogStep(form, st);
            Sleep(kStepPauseMs);
            StateStep(form, st);
            Sleep(kStepPauseMs);
            closingPause = DataStep(form, st);
        } catch (...) {
            Sleep(kExceptionPauseMs);
            DefaultBeep();
        }
        if (closingPause && GetTickCount() - start < kShortCycleMs) Sleep(kShortCyclePauseMs);
    }
    form->ICPLinkPUF->SetActive(false);
}

int PufThreadProc(TFormMain* form, TThread* self) {
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

bool StartPufThread(TFormMain* form) {
    // The flag is claimed before anything else, so two quick starts can never make two threads.
    bool idle = false;
    if (!form->PufThreadActive.compare_exchange_strong(idle, true)) return false;
    if (form->PufThreadHandle) {
        // A thread of an earlier run that has left its loop: only its end remains to be collected.
        form->PufThreadHandle->Join();
        delete form->PufThreadHandle;
        form->PufThreadHandle = nullptr;
    }
    try {
        form->SQLConnectionPUF_Link->Open();
    } catch (...) {
        MessageBox(nullptr, "не могу подключиться к MySQL серверу.", "Ошибка", MB_OK | MB_ICONERROR);
    }
    form->PufThreadStop.store(false);
    auto* thread = new TThread([form](TThread& self) { return PufThreadProc(form, &self); });
    if (!thread->Start()) {
        delete thread;
        form->PufThreadActive.store(false);
        return false;
    }
    form->PufThreadHandle = thread;
    form->PufThreadId = static_cast<std::uint32_t>(thread->ThreadId());
    return true;
}

bool StopPufThread(TFormMain* form) {
    form->PufThreadStop.store(true);
    if (TThread* thread = form->PufThreadHandle) {
        if (!thread->WaitFor(kStopWaitMs)) return false;
        thread->Join();
        delete thread;
        form->PufThreadHandle = nullptr;
    }
    form->SQLConnectionPUF_Link->Close();
    return true;
}

// ---- Queued commands ------------------------------------------------------------------------------

void AppendPufCommand(TFormMain* form, const AnsiString& line) {
    TCriticalSectionLock lock(form->PufCommandsLock);
    form->PufCommands->Add(line);
}

void QueuePufSetpoint(TFormMain* form, const AnsiString& caption, const AnsiString& column) {
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

void QueuePufSetTime(TFormMain* form) {
    if (form->LanClientMode) return;
    const TDateTime now = Now();
    if (SecondsBetween(now, form->LastSetTimeSent) < kSetTimeIntervalS) return;
    form->LastSetTimeSent = now;
    AppendPufCommand(form, "SetTime:" + FloatToDotText(now));
}
