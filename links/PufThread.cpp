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

bool HasLineBreak(const AnsiString& text) {
    return text.str().find_first_of("\r\n") != std::string::npos;
}

AnsiString ValueSql(const TPufPair& p, const AnsiString& param) {
    return p.kind == TPufPair::Now ? AnsiString("Now()") : ":" + param;
}

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

// A text from the controller as the event log shows it: one line, and not too long.
AnsiString Clip(const AnsiString& text) {
    std::string s = text.str();
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    const AnsiString one(s);
    return one.Length() > kReportedRecordLength ? one.SubString(1, kReportedRecordLength) + "..." : one;
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

    const std::vector<TPufColumn>& Columns(TFormMain* form, std::vector<TPufColumn>& cache, const char* table) {
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
void KeepPortOpen(TFormMain* form, TLoopState& st) {
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
bool DatabaseReady(TFormMain* form, TLoopState& st) {
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
        st.Report("log", "отклонена запись журнала (" + why + "): " + Clip(text));
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
            st.Report("log", "запись журнала " + Clip(rec.id) + ": время \"" + Clip(rec.moment) +
                                 "\" не прочитано, записана со временем приёма");
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
        std::vector<TPufRefusedPair> refused;
        PufCheckPairs(state, st.Columns(form, st.stateColumns, "puf_state"), pairs, refused);
        if (!refused.empty() || pairs.empty()) {
            // The next state answer comes within the second: this one is left out whole.
            const AnsiString why = refused.empty() ? AnsiString("нет значений") : refused.front().why;
            st.Report("state", "отклонено состояние (" + why + "): " + Clip(state));
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

void AcknowledgeRecord(TFormMain* form, const AnsiString& keyValue) {
    PufSendCommand(form, "SetSaveFlag:" + keyValue);
    PufReadAnswer(form, "SetSaveFlag");
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
    const AnsiString keyPiece = record.SubString(1, comma - 1);
    if (keyPiece.Pos("=") == 0) return false;
    const AnsiString keyValue = PufSaveFlagKey(record);
    // No request may carry a line break: such a record can be neither stored nor acknowledged.
    if (HasLineBreak(keyValue)) {
        st.Report("data", "отклонена запись данных (ключ с переводом строки): " + Clip(record));
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
            st.Report("data", "запись данных " + Clip(keyValue) + " не записана (" + why + "): " + Clip(record));
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
                dropped += (dropped.IsEmpty() ? "" : ", ") + Clip(r.piece) + " (" + r.why + ")";
            st.Report("data", "запись данных " + Clip(keyValue) + (write ? " записана без " : " не записана, отброшены ") +
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
bool Prepare(TFormMain* form, TThread* self) {
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

bool PufCheckPair(const AnsiString& piece, const std::vector<TPufColumn>& columns, TPufPair& p, AnsiString& why) {
    p = TPufPair();
    why = AnsiString();
    const int eq = piece.Pos("=");
    if (eq == 0) {
        why = "нет знака =";
        return false;
    }
    const AnsiString name = piece.SubString(1, eq - 1).Trim();
    const std::string value = piece.SubString(eq + 1, piece.Length()).Trim().str();
    const TPufColumn* col = nullptr;
    for (const TPufColumn& c : columns)
        if (SameText(c.name, name)) col = &c;
    if (!col) {
        why = "нет столбца " + Clip(name);
        return false;
    }
    p.column = col->name;
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
    // What the column can hold: the server would store anything else as a zero or a zero date.
    switch (col->kind) {
        case TPufColumn::Number:
            if (p.kind == TPufPair::Text && IsNumberLiteral(p.value.Trim().str())) {
                p.kind = TPufPair::Number;
                p.value = p.value.Trim();
            }
            if (p.kind == TPufPair::Text || p.kind == TPufPair::Now) {
                why = "не число для столбца " + p.column;
                return false;
            }
            break;
        case TPufColumn::Moment:
            if (p.kind == TPufPair::Number) {
                why = "не время для столбца " + p.column;
                return false;
            }
            if (p.kind == TPufPair::Text) {
                if (!PufReadMoment(p.value, p.moment)) {
                    why = "неверное время для столбца " + p.column;
                    return false;
                }
                p.isMoment = true;
            }
            break;
        case TPufColumn::Text: break;
    }
    if (p.kind == TPufPair::Null && !col->nullable) {
        why = "пустое значение для столбца " + p.column;
        return false;
    }
    return true;
}

void PufCheckPairs(const AnsiString& record, const std::vector<TPufColumn>& columns, std::vector<TPufPair>& pairs,
                   std::vector<TPufRefusedPair>& refused) {
    pairs.clear();
    refused.clear();
    const std::string& s = record.str();
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(',', start);
        if (end == std::string::npos) end = s.size();
        const AnsiString piece(s.substr(start, end - start));
        start = end + 1;
        if (piece.Pos("=") == 0) continue;
        TPufPair p;
        AnsiString why;
        if (PufCheckPair(piece, columns, p, why))
            pairs.push_back(std::move(p));
        else
            refused.push_back({piece.Trim(), why});
    }
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

bool PufReadMoment(const AnsiString& text, TDateTime& out) {
    const std::string s = text.Trim().str();
    std::size_t i = 0;
    // Up to max digits; how many were read.
    auto number = [&](std::size_t max, int& v) {
        std::size_t n = 0;
        v = 0;
        while (i < s.size() && n < max && IsDigit(s[i])) v = v * 10 + (s[i++] - '0'), ++n;
        return n;
    };
    auto delimiter = [&] {
        if (i < s.size() && std::ispunct(static_cast<unsigned char>(s[i]))) {
            ++i;
            return true;
        }
        return false;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0, ms = 0;
    const bool allDigits = !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
    if (allDigits && (s.size() == 8 || s.size() == 14)) {
        number(4, y);
        number(2, mo);
        number(2, d);
        if (s.size() == 14) {
            number(2, h);
            number(2, mi);
            number(2, se);
        }
    } else {
        const std::size_t yearDigits = number(4, y);
        if (yearDigits == 2)
            y += y < 70 ? 2000 : 1900;
        else if (yearDigits != 4)
            return false;
        if (!delimiter() || number(2, mo) == 0 || !delimiter() || number(2, d) == 0) return false;
        if (i < s.size()) {
            if (s[i] == 'T') {
                ++i;
            } else if (s[i] == ' ') {
                while (i < s.size() && s[i] == ' ') ++i;
            } else {
                return false;
            }
            if (number(2, h) == 0 || !delimiter() || number(2, mi) == 0) return false;
            if (i < s.size() && delimiter()) {
                if (number(2, se) == 0) return false;
                if (i < s.size() && s[i] == '.') {
                    ++i;
                    int scale = 100;
                    const std::size_t start = i;
                    while (i < s.size() && IsDigit(s[i])) {
                        ms += (s[i++] - '0') * scale;
                        scale /= 10;
                    }
                    if (i == start) return false;
                }
            }
        }
        if (i != s.size()) return false;
    }
    TDateTime date, time;
    if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, se, ms, time)) return false;
    out = date + time;
    return true;
}

bool PufParseLogRecord(const AnsiString& record, TPufLogRecord& out, AnsiString& why) {
    out = TPufLogRecord();
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
    // The id goes back to the controller in DeleteLogRec: a line break would end that request early.
    if (HasLineBreak(out.id)) {
        why = "номер с переводом строки";
        return false;
    }
    out.momentRead = PufReadMoment(out.moment, out.postMoment);
    return true;
}

// ---- The thread -----------------------------------------------------------------------------------

void CountPufError(TFormMain* form) {
    InterlockedIncrement(form->PufErrorCount);
    form->PufFailStreak.fetch_add(1);
}

void PufThreadLoop(TFormMain* form, TThread* self) {
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
    // The console counts the uptime from here on, never from an earlier run's start.
    form->PufStartTime.store(Now());
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
