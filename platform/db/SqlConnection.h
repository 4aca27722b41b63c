// TSQLConnection: one connection to the MariaDB (MySQL) server.
//
// The parameter list names the server the way a station's configuration does: HostName ("host",
// "host:port", "[v6 address]:port" or the path of the server's socket), Database, User_Name, Password.
// Optional lines ConnectTimeout, ReadTimeout and WriteTimeout give the time-outs in seconds (10, 30 and 30
// by default), so a dead server costs a bounded wait instead of freezing the caller. Every other line is
// kept as given.
//
// The connection speaks utf8mb4 (strings are UTF-8 inside the program) and sets an empty sql_mode, the
// mode the MySQL 5 servers ran with: a zero date or an out-of-range value is stored with a warning instead
// of failing the statement, as the statements of this program expect.
//
// One lock per connection: a connection may be shared by two threads, and each statement holds the lock
// from sending its text until its whole result is fetched. A statement on a connection that is not
// connected connects it first (without a login prompt). Errors are raised as ESQLError carrying the
// server's own text.
//
// A session that is lost (the server restarted or went away, the network broke, the connection was
// killed) is noticed by the statement that meets it: the connection then reports itself disconnected.
// When the statement failed before the server could run it, the connection connects once more with its
// stored parameters and runs it again; only when that fails too does the statement fail. A statement
// lost while it ran is never run twice: it fails, and the next one connects anew.
#pragma once

#include "data/DB.h"
#include "db/MariaSession.h"
#include "rtl/Classes.h"

#include <memory>
#include <mutex>
#include <vector>

// A failure reported by the server or the client library.
class ESQLError : public EDatabaseError {
public:
    ESQLError(const AnsiString& msg, unsigned code, const AnsiString& sqlState)
        : EDatabaseError(msg), code_(code), sqlState_(sqlState) {}
    AnsiString ClassName() const override { return "ESQLError"; }
    // The server's (or client library's) error number, e.g. 1146 for a missing table.
    unsigned ErrorCode() const noexcept { return code_; }
    const AnsiString& SqlState() const noexcept { return sqlState_; }

private:
    unsigned code_;
    AnsiString sqlState_;
};

class TSQLConnection : public TComponent {
    PLANTMON_CLASS(TSQLConnection, TComponent)
public:
    explicit TSQLConnection(TComponent* owner);
    ~TSQLConnection() override;

    TStrings* Params() const noexcept { return params_.get(); }
    void SetParams(TStrings* params);

    // Settings of the original driver layer. They are kept and read back but select nothing: there is
    // one driver, and it is linked in.
    const AnsiString& DriverName() const noexcept { return driverName_; }
    void SetDriverName(const AnsiString& s) { driverName_ = s; }
    const AnsiString& LibraryName() const noexcept { return libraryName_; }
    void SetLibraryName(const AnsiString& s) { libraryName_ = s; }
    const AnsiString& VendorLib() const noexcept { return vendorLib_; }
    void SetVendorLib(const AnsiString& s) { vendorLib_ = s; }
    const AnsiString& GetDriverFunc() const noexcept { return getDriverFunc_; }
    void SetGetDriverFunc(const AnsiString& s) { getDriverFunc_ = s; }
    const AnsiString& ConnectionName() const noexcept { return connectionName_; }
    void SetConnectionName(const AnsiString& s) { connectionName_ = s; }
    // Never shows a dialog: the program supplies the password in Params itself.
    bool LoginPrompt() const noexcept { return loginPrompt_; }
    void SetLoginPrompt(bool b) noexcept { loginPrompt_ = b; }
    bool KeepConnection() const noexcept { return keepConnection_; }
    void SetKeepConnection(bool b) noexcept { keepConnection_ = b; }

    bool Connected() const;
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // The server's clock ("select Now()").
    TDateTime ServerNow();

    // Runs a statement that returns no rows; the number of rows it matched or inserted.
    int ExecuteDirect(const AnsiString& sql);

    // Runs one statement whose parameters are written as '?', holding the lock for the whole of it
    // (rows fetched included). Rows go to sink when one is given, else into the outcome's Result.
    mariadb::Outcome Execute(const std::string& sql, const std::vector<mariadb::Value>& params,
                             mariadb::RowSink* sink = nullptr);

    // Holds the connection for a sequence of statements that must not interleave with another thread's
    // (the provider's apply runs its transaction under it). Statements lock again inside; that is allowed.
    std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock<std::recursive_mutex>(mutex_); }

    // The session, for code of this library that prepares statements itself; the caller holds Lock()
    // and has called EnsureConnected().
    mariadb::Session& Session() noexcept { return session_; }
    void EnsureConnected();

    // Turns a failure of the client layer into the exception callers catch.
    [[noreturn]] static void Raise(const mariadb::Failure& f);
    // The same for a failure met on this connection's session: a lost session is closed first, so that
    // the connection reports itself disconnected and the next statement connects anew.
    [[noreturn]] void Fail(const mariadb::Failure& f);

private:
    mariadb::ConnectOptions options() const;
    void connect();
    void disconnect();

    std::unique_ptr<TStringList> params_;
    AnsiString driverName_, libraryName_, vendorLib_, getDriverFunc_, connectionName_;
    bool loginPrompt_ = true;
    bool keepConnection_ = true;
    mutable std::recursive_mutex mutex_;
    mariadb::Session session_;
};

// The columns of a table as the server has them, in their order. Statements that must name columns
// given from outside (a controller's answer, a dialog) check each name against this list first.
// Raises ESQLError when the table does not exist.
std::vector<AnsiString> TableColumns(TSQLConnection* conn, const AnsiString& table);

// True when name is one of columns (without regard to case, as the server compares column names);
// the stored spelling is returned in canonical when given.
bool IsTableColumn(const std::vector<AnsiString>& columns, const AnsiString& name, AnsiString* canonical = nullptr);
