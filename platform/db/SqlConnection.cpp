#include "db/SqlConnection.h"

#include "rtl/SysUtils.h"

namespace {

unsigned secondsParam(const TStrings* p, const char* name, unsigned def) {
    AnsiString v = Trim(p->Values(name));
    if (v.IsEmpty()) return def;
    int n = 0;
    if (!TryStrToInt(v, n) || n < 0) return def;
    return static_cast<unsigned>(n);
}

}  // namespace

TSQLConnection::TSQLConnection(TComponent* owner) : TComponent(owner), params_(std::make_unique<TStringList>()) {}

TSQLConnection::~TSQLConnection() {
    std::lock_guard<std::recursive_mutex> g(mutex_);
    session_.Disconnect();
}

void TSQLConnection::SetParams(TStrings* params) { params_->Assign(params); }

bool TSQLConnection::Connected() const {
    std::lock_guard<std::recursive_mutex> g(mutex_);
    return session_.Connected();
}

void TSQLConnection::SetConnected(bool value) {
    std::lock_guard<std::recursive_mutex> g(mutex_);
    if (value == session_.Connected()) return;
    if (value) connect();
    else disconnect();
}

mariadb::ConnectOptions TSQLConnection::options() const {
    mariadb::ConnectOptions o;
    mariadb::ParseHostName(params_->Values("HostName").str(), o.Host, o.Port, o.Socket);
    o.Database = Trim(params_->Values("Database")).str();
    o.User = params_->Values("User_Name").str();
    o.Password = params_->Values("Password").str();
    o.ConnectTimeout = secondsParam(params_.get(), "ConnectTimeout", 10);
    o.ReadTimeout = secondsParam(params_.get(), "ReadTimeout", 30);
    o.WriteTimeout = secondsParam(params_.get(), "WriteTimeout", 30);
    o.SqlMode = "";
    return o;
}

void TSQLConnection::connect() {
    try {
        session_.Connect(options());
    } catch (const mariadb::Failure& f) {
        Raise(f);
    }
}

void TSQLConnection::disconnect() { session_.Disconnect(); }

void TSQLConnection::EnsureConnected() {
    std::lock_guard<std::recursive_mutex> g(mutex_);
    if (!session_.Connected()) connect();
}

void TSQLConnection::Raise(const mariadb::Failure& f) {
    throw ESQLError(f.error().Message, f.error().Code, f.error().SqlState);
}

void TSQLConnection::Fail(const mariadb::Failure& f) {
    if (mariadb::IsSessionLost(f.error().Code)) {
        std::lock_guard<std::recursive_mutex> g(mutex_);
        session_.Disconnect();
    }
    Raise(f);
}

mariadb::Outcome TSQLConnection::Execute(const std::string& sql, const std::vector<mariadb::Value>& params,
                                         mariadb::RowSink* sink) {
    std::lock_guard<std::recursive_mutex> g(mutex_);
    bool fresh = false;
    if (!session_.Connected()) {
        connect();
        fresh = true;
    }
    for (;;) {
        try {
            return session_.Execute(sql, params, sink);
        } catch (const mariadb::Failure& f) {
            const bool lost = mariadb::IsSessionLost(f.error().Code);
            // A session that has just been made is not made again: the server is not there.
            if (!lost || fresh || !f.error().NotExecuted) Fail(f);
            session_.Disconnect();
            connect();
            fresh = true;
        }
    }
}

int TSQLConnection::ExecuteDirect(const AnsiString& sql) {
    mariadb::Outcome o = Execute(sql.str(), {});
    return static_cast<int>(o.RowsAffected);
}

TDateTime TSQLConnection::ServerNow() {
    mariadb::Outcome o = Execute("select Now()", {});
    if (!o.Result || o.Result->RowCount() == 0 || o.Result->IsNull(0, 0)) return 0;
    return o.Result->DateTime(0, 0);
}

std::vector<AnsiString> TableColumns(TSQLConnection* conn, const AnsiString& table) {
    if (!conn) throw EDatabaseError("TableColumns: no connection");
    // Exact (binary) comparison of the name: table names are case-sensitive on this server's file system.
    mariadb::Outcome o = conn->Execute(
        "select COLUMN_NAME from information_schema.COLUMNS where TABLE_SCHEMA = database() and "
        "binary TABLE_NAME = ? order by ORDINAL_POSITION",
        {mariadb::Value::MakeText(table.str())});
    std::vector<AnsiString> cols;
    if (o.Result)
        for (std::size_t r = 0; r < o.Result->RowCount(); ++r) cols.emplace_back(std::string(o.Result->Text(r, 0)));
    if (cols.empty()) throw ESQLError("Table '" + table + "' doesn't exist", 1146, "42S02");
    return cols;
}

bool IsTableColumn(const std::vector<AnsiString>& columns, const AnsiString& name, AnsiString* canonical) {
    for (const AnsiString& c : columns)
        if (SameText(c, name)) {
            if (canonical) *canonical = c;
            return true;
        }
    return false;
}
