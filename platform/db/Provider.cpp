#include "db/Provider.h"

#include "rtl/SysUtils.h"

#include <cstring>
#include <map>

using mariadb::ColumnInfo;

namespace {

constexpr unsigned kLockDeadlock = 1213;  // the server rolled the whole transaction back
constexpr unsigned kServerGone = 2006;
constexpr unsigned kServerLost = 2013;

bool sameValue(const TRecordData& a, const TRecordData& b, int i) {
    if (a.IsNull(i) || b.IsNull(i)) return a.IsNull(i) == b.IsNull(i);
    if (a.Kind(i) != b.Kind(i)) return false;
    switch (a.Kind(i)) {
    case skInteger:
    case skCurrency: return a.Int(i) == b.Int(i);
    case skFloat: {
        double x = a.Float(i), y = b.Float(i);
        return std::memcmp(&x, &y, sizeof x) == 0 || x == y;
    }
    case skBytes: return a.Bytes(i) == b.Bytes(i);
    }
    return false;
}

// A stored value as a statement parameter, sent in the kind its column expects.
mariadb::Value valueOf(const TRecordData& r, int i, TFieldType type) {
    if (r.IsNull(i)) return mariadb::Value::MakeNull();
    switch (r.Kind(i)) {
    case skInteger: return mariadb::Value::MakeInt(r.Int(i));
    case skCurrency: return mariadb::Value::MakeText(mariadb::DecimalText(r.Int(i)));
    case skFloat:
        switch (type) {
        case ftDate: return mariadb::Value::MakeDate(r.Float(i));
        case ftTime: return mariadb::Value::MakeTime(r.Float(i));
        case ftDateTime:
        case ftTimeStamp: return mariadb::Value::MakeDateTime(r.Float(i));
        default: return mariadb::Value::MakeFloat(r.Float(i));
        }
    case skBytes: {
        std::string s(r.Bytes(i));
        bool binary = type == ftBlob || type == ftBytes || type == ftVarBytes || type == ftGraphic;
        return binary ? mariadb::Value::MakeBlob(std::move(s)) : mariadb::Value::MakeText(std::move(s));
    }
    }
    return mariadb::Value::MakeNull();
}

// One column of the delta that belongs to the table.
struct Target {
    int index;              // column of the delta records
    std::string column;     // the table's column name, quoted
    TFieldType type;
    TProviderFlags flags;
    bool primary;           // part of the table's primary key
    bool key;               // identifies the row in WHERE
};

class Resolver {
public:
    Resolver(TSQLConnection& conn, std::string table) : conn_(conn), table_(std::move(table)) {}

    // Runs one statement (prepared once per text and session); returns the rows it matched or inserted.
    std::uint64_t run(const std::string& sql, const std::vector<mariadb::Value>& values) {
        return conn_.Session().Prepared(sql).Execute(values).RowsAffected;
    }
    void text(const std::string& sql) { conn_.Session().ExecuteText(sql); }
    const std::string& table() const { return table_; }

private:
    TSQLConnection& conn_;
    std::string table_;
};

void addWhere(std::string& sql, std::vector<mariadb::Value>& values, const std::vector<Target>& targets,
              const TRecordData& old) {
    bool first = true;
    for (const Target& t : targets) {
        if (!t.key) continue;
        sql += first ? " where " : " and ";
        first = false;
        if (old.IsNull(t.index)) {
            sql += t.column + " is null";
        } else {
            sql += t.column + " = ?";
            values.push_back(valueOf(old, t.index, t.type));
        }
    }
}

}  // namespace

TDataSetProvider::TDataSetProvider(TComponent* owner) : TCustomProvider(owner) {}

TDataSetProvider::~TDataSetProvider() {
    if (dataSet_) dataSet_->RemoveFreeNotification(this);
}

void TDataSetProvider::SetDataSet(TDataSet* ds) {
    if (ds == dataSet_) return;
    if (dataSet_) dataSet_->RemoveFreeNotification(this);
    dataSet_ = ds;
    if (dataSet_) dataSet_->FreeNotification(this);
}

void TDataSetProvider::Notification(TComponent* component, TOperation operation) {
    TCustomProvider::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) dataSet_ = nullptr;
}

void TDataSetProvider::GetRecords(TDataPacket& packet) {
    if (!dataSet_) DatabaseError("Missing DataSet property", this);
    // Always a fresh result: a client's Refresh comes here too.
    if (dataSet_->Active()) dataSet_->Close();
    dataSet_->Open();
    packet.FieldDefs.Assign(*dataSet_->FieldDefs());
    packet.Records.clear();
    dataSet_->GetRecords(packet.Records);
    // The table's primary-key columns name the rows, so that a client's refresh keeps bookmarks.
    packet.KeyColumns.clear();
    if (auto* source = dynamic_cast<TCustomSQLDataSet*>(dataSet_)) {
        const std::vector<ColumnInfo>& cols = source->ResultColumns();
        if (static_cast<int>(cols.size()) == packet.FieldDefs.Count())
            for (std::size_t i = 0; i < cols.size(); ++i)
                if (cols[i].PrimaryKey && !cols[i].OrgTable.IsEmpty()) packet.KeyColumns.push_back(static_cast<int>(i));
    }
}

int TDataSetProvider::ApplyUpdates(const TUpdateDelta& delta, int maxErrors, std::vector<TUpdateResult>& results) {
    results.assign(delta.Records.size(), TUpdateResult());
    if (delta.Records.empty()) return 0;
    auto* source = dynamic_cast<TCustomSQLDataSet*>(dataSet_);
    if (!source) DatabaseError("Missing DataSet property", this);
    TSQLConnection* conn = source->SQLConnection();
    if (!conn) DatabaseError("Missing SQLConnection property", source);
    if (source->ResultColumns().empty()) source->FieldDefs()->Update();
    const std::vector<ColumnInfo>& cols = source->ResultColumns();
    const TFieldDefs& defs = *delta.FieldDefs;

    // The table: the one every table column of the result comes from.
    AnsiString table;
    for (const ColumnInfo& c : cols) {
        if (c.OrgTable.IsEmpty()) continue;
        if (table.IsEmpty()) table = c.OrgTable;
        else if (c.OrgTable != table) DatabaseError("Unable to resolve updates: the result comes from more than one table", this);
    }
    if (table.IsEmpty()) DatabaseError("Unable to find table name in query", this);

    std::vector<Target> targets;
    bool sameLayout = static_cast<int>(cols.size()) == defs.Count();
    for (int i = 0; i < defs.Count(); ++i) {
        const TFieldDef* d = defs.Items(i);
        const ColumnInfo* c = nullptr;
        if (sameLayout && SameText(cols[static_cast<std::size_t>(i)].Name, d->Name())) c = &cols[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; !c && k < cols.size(); ++k)
            if (SameText(cols[k].Name, d->Name())) c = &cols[k];
        if (!c || c->OrgTable != table || c->OrgName.IsEmpty()) continue;
        TProviderFlags flags = i < static_cast<int>(delta.FieldFlags.size()) ? delta.FieldFlags[static_cast<std::size_t>(i)]
                                                                              : (pfInUpdate | pfInWhere);
        targets.push_back({i, QuoteIdentifier(c->OrgName).str(), d->DataType(), flags, c->PrimaryKey, false});
    }
    bool anyKey = false;
    for (Target& t : targets)
        if (t.flags & pfInKey) anyKey = t.key = true;
    if (!anyKey)
        for (Target& t : targets)
            if (t.primary) anyKey = t.key = true;
    if (!anyKey) {  // no key known: the row must still hold every comparable original value
        for (Target& t : targets) {
            bool comparable = t.type != ftBlob && t.type != ftMemo && t.type != ftGraphic && t.type != ftFmtMemo;
            if ((t.flags & pfInWhere) && comparable) anyKey = t.key = true;
        }
    }
    if (!anyKey) DatabaseError("Unable to find record: no key columns", this);

    auto lock = conn->Lock();
    conn->EnsureConnected();
    Resolver r(*conn, QuoteIdentifier(table).str());
    int failed = 0;
    bool rolledBack = false;
    // The transaction is given up: nothing of it stays, so no record reads applied.
    auto undoAll = [&] {
        for (TUpdateResult& x : results)
            if (x.Applied) x = TUpdateResult();
        rolledBack = true;
    };
    try {
        r.text("START TRANSACTION");
    } catch (const mariadb::Failure& f) {
        // A session lost since the last statement: nothing has run yet, so a new one may start over.
        if (!mariadb::IsSessionLost(f.error().Code)) conn->Fail(f);
        conn->Close();
        conn->EnsureConnected();
        try {
            r.text("START TRANSACTION");
        } catch (const mariadb::Failure& again) {
            conn->Fail(again);
        }
    }
    bool lost = false;
    // A change applied in this transaction must survive a later record's failure: from then on each
    // statement runs after a savepoint. Before it, undoing a failed statement is undoing the whole
    // (still empty) transaction, which spares the savepoint's round trip on every single-record apply.
    bool kept = false;
    auto undoStatement = [&](bool toSavepoint) {
        if (toSavepoint) {
            r.text("ROLLBACK TO SAVEPOINT plantmon_apply");
        } else {
            r.text("ROLLBACK");
            r.text("START TRANSACTION");
        }
    };

    for (std::size_t n = 0; n < delta.Records.size() && !rolledBack; ++n) {
        const TDeltaRecord& rec = delta.Records[n];
        TUpdateResult& res = results[n];
        std::string sql;
        std::vector<mariadb::Value> values;
        switch (rec.UpdateKind) {
        case ukInsert: {
            std::string names, marks;
            for (const Target& t : targets) {
                if (!(t.flags & pfInUpdate)) continue;
                if (t.type == ftAutoInc && rec.NewValues->IsNull(t.index)) continue;
                names += (names.empty() ? "" : ", ") + t.column;
                marks += marks.empty() ? "?" : ", ?";
                values.push_back(valueOf(*rec.NewValues, t.index, t.type));
            }
            sql = names.empty() ? "insert into " + r.table() + " () values ()"
                                : "insert into " + r.table() + " (" + names + ") values (" + marks + ")";
            break;
        }
        case ukModify: {
            std::string set;
            for (const Target& t : targets) {
                if (!(t.flags & pfInUpdate) || sameValue(*rec.OldValues, *rec.NewValues, t.index)) continue;
                set += (set.empty() ? "" : ", ") + t.column + " = ?";
                values.push_back(valueOf(*rec.NewValues, t.index, t.type));
            }
            if (set.empty()) {  // nothing of the table changed
                res.Applied = true;
                continue;
            }
            sql = "update " + r.table() + " set " + set;
            addWhere(sql, values, targets, *rec.OldValues);
            break;
        }
        case ukDelete:
            sql = "delete from " + r.table();
            addWhere(sql, values, targets, *rec.OldValues);
            break;
        }
        const bool savepoint = kept;
        try {
            if (savepoint) r.text("SAVEPOINT plantmon_apply");
            std::uint64_t rows = r.run(sql, values);
            if (rows == 1) {
                res.Applied = true;
                kept = true;
            } else {
                undoStatement(savepoint);
                res.ErrorMessage = rows == 0 ? "Record not found or changed by another user"
                                             : "Update affected more than one record";
                ++failed;
            }
        } catch (const mariadb::Failure& f) {
            res.ErrorMessage = f.error().Message;
            res.ErrorCode = static_cast<int>(f.error().Code);
            ++failed;
            unsigned code = f.error().Code;
            lost = lost || mariadb::IsSessionLost(code);
            if (code == kLockDeadlock || code == kServerGone || code == kServerLost) {
                undoAll();
                break;
            }
            try {
                undoStatement(savepoint);
            } catch (const mariadb::Failure&) {
                undoAll();
                break;
            }
        }
        if (maxErrors != -1 && failed > maxErrors) {
            undoAll();
            break;
        }
    }
    try {
        if (rolledBack) {
            r.text("ROLLBACK");
        } else {
            r.text("COMMIT");
        }
    } catch (const mariadb::Failure& f) {
        lost = lost || mariadb::IsSessionLost(f.error().Code);
        if (!rolledBack) {
            // Nothing was kept: every change stays pending, and the reason is reported.
            for (TUpdateResult& x : results)
                if (x.Applied) x = TUpdateResult();
            if (failed == 0) {
                results[0].ErrorMessage = f.error().Message;
                results[0].ErrorCode = static_cast<int>(f.error().Code);
                failed = 1;
            }
        }
    }
    // The connection reports the loss; the next statement connects anew.
    if (lost) conn->Close();
    return failed;
}
