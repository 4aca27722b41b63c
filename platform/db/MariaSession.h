// The thin layer over MariaDB Connector/C that the connection and query classes stand on.
//
// A statement runs as a server-side prepared statement (binary protocol): numbers and date-times arrive as
// binary values, so nothing is formatted to text on the server and parsed back here, and bound parameters
// never pass through the SQL text. Results are fetched whole into a ResultSet (a buffered result), so a
// dataset knows its row count at once and can move freely. The few statements the server cannot prepare
// run as plain text queries with the same kind of result.
//
// Nothing here locks: the owner (TSQLConnection) holds its lock around every call.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/DateUtils.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

typedef struct st_mysql MYSQL;
typedef struct st_mysql_stmt MYSQL_STMT;

namespace mariadb {

// How a column's values are kept in a ResultSet.
enum class Storage : std::uint8_t { Int, Float, DateTime, Text };

// Column types as the server reports them, reduced to what the dataset layer needs to pick a field kind.
enum class ColumnType : std::uint8_t {
    Null, TinyInt, SmallInt, MediumInt, Int, BigInt, Year, Bit, Float, Double, Decimal,
    Date, Time, DateTime, Timestamp, Char, VarChar, Text, Blob, Enum, Set, Json, Geometry, Other
};

struct ColumnInfo {
    AnsiString Name;      // the label of the result column (alias)
    AnsiString OrgName;   // the table column behind it, when there is one
    AnsiString Table;
    AnsiString OrgTable;
    ColumnType Type = ColumnType::Other;
    Storage Kind = Storage::Text;
    unsigned Flags = 0;        // server flags (NOT NULL, primary key, unsigned, binary ...)
    unsigned long Length = 0;  // declared length in characters (bytes for binary columns)
    unsigned Precision = 0;    // digits of a DECIMAL
    unsigned Decimals = 0;
    bool NotNull = false;
    bool PrimaryKey = false;
    bool Unsigned = false;
    bool Binary = false;       // byte data rather than text
    bool AutoIncrement = false;
};

// A fetched result: rows of typed cells, kept row by row in flat arrays.
class ResultSet {
public:
    explicit ResultSet(std::vector<ColumnInfo> columns);

    const std::vector<ColumnInfo>& Columns() const noexcept { return columns_; }
    std::size_t ColumnCount() const noexcept { return columns_.size(); }
    std::size_t RowCount() const noexcept { return rows_; }

    bool IsNull(std::size_t row, std::size_t col) const noexcept { return nulls_[row * ncols_ + col] != 0; }
    std::int64_t Int(std::size_t row, std::size_t col) const noexcept;
    double Float(std::size_t row, std::size_t col) const noexcept;
    TDateTime DateTime(std::size_t row, std::size_t col) const noexcept { return Float(row, col); }
    std::string_view Text(std::size_t row, std::size_t col) const noexcept;

    // Building (used while fetching).
    void Reserve(std::size_t rows);
    void AddRow();  // a new row, all cells NULL
    void SetInt(std::size_t col, std::int64_t v) noexcept;
    void SetFloat(std::size_t col, double v) noexcept;
    void SetText(std::size_t col, const char* p, std::size_t n);

private:
    std::vector<ColumnInfo> columns_;
    std::size_t ncols_;
    std::size_t rows_ = 0;
    std::vector<std::uint64_t> slots_;  // the value, or the text's offset in arena_
    std::vector<std::uint8_t> nulls_;
    std::vector<char> arena_;           // texts as a 32-bit length followed by the bytes
};

// Receives the rows of a result as they are fetched. A cell that is not put in a row is NULL. Integers
// come as PutInt, reals and date-times (as TDateTime) as PutFloat, texts, blobs and decimals as PutText.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void Begin(const std::vector<ColumnInfo>& columns, std::size_t rowCount) = 0;
    virtual void BeginRow() = 0;
    virtual void PutInt(std::size_t col, std::int64_t v) = 0;
    virtual void PutFloat(std::size_t col, double v) = 0;
    virtual void PutText(std::size_t col, const char* p, std::size_t n) = 0;
    virtual void EndRow() = 0;
};

// A value bound to a '?' of a statement.
struct Value {
    enum Kind : std::uint8_t { Null, Int, Float, Text, Blob, DateTime, Date, Time } kind = Null;
    std::int64_t i = 0;
    double d = 0;   // Float, or the TDateTime of DateTime/Date/Time
    std::string s;  // Text, Blob

    static Value MakeNull() { return {}; }
    static Value MakeInt(std::int64_t v) { Value x; x.kind = Int; x.i = v; return x; }
    static Value MakeFloat(double v) { Value x; x.kind = Float; x.d = v; return x; }
    static Value MakeText(std::string v) { Value x; x.kind = Text; x.s = std::move(v); return x; }
    static Value MakeBlob(std::string v) { Value x; x.kind = Blob; x.s = std::move(v); return x; }
    static Value MakeDateTime(TDateTime v) { Value x; x.kind = DateTime; x.d = v; return x; }
    static Value MakeDate(TDateTime v) { Value x; x.kind = Date; x.d = v; return x; }
    static Value MakeTime(TDateTime v) { Value x; x.kind = Time; x.d = v; return x; }
};

// A failure reported by the client library or the server: its number, SQLSTATE and text.
struct Error {
    unsigned Code = 0;
    std::string SqlState;
    std::string Message;
    // The statement failed while it was being prepared, so the server cannot have run it: running it
    // again (on a new session) cannot do its work twice.
    bool NotExecuted = false;
};

// Thrown by this layer; the connection turns it into the platform's database exception.
class Failure : public std::exception {
public:
    explicit Failure(Error e) : error_(std::move(e)) {}
    const Error& error() const noexcept { return error_; }
    const char* what() const noexcept override { return error_.Message.c_str(); }

private:
    Error error_;
};

struct Outcome {
    bool HasResult = false;             // the statement returned a result set (rows or not)
    std::unique_ptr<ResultSet> Result;  // that result, unless a sink took the rows
    std::uint64_t RowsAffected = 0;     // rows matched by UPDATE/DELETE, rows inserted by INSERT
    std::uint64_t InsertId = 0;
};

struct ConnectOptions {
    std::string Host;    // name or address; empty with a socket path
    unsigned Port = 0;   // 0: the default port
    std::string Socket;  // a Unix socket path, or empty
    std::string User;
    std::string Password;
    std::string Database;
    unsigned ConnectTimeout = 10;  // seconds
    unsigned ReadTimeout = 30;
    unsigned WriteTimeout = 30;
    std::string SqlMode;           // sent as the session's sql_mode right after connecting
};

// HostName as a station's configuration gives it: "host", "host:port", "[v6addr]:port" or a socket path.
void ParseHostName(const std::string& hostName, std::string& host, unsigned& port, std::string& socket);

class PreparedStatement;

class Session {
public:
    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Connect(const ConnectOptions& o);
    void Disconnect() noexcept;
    bool Connected() const noexcept { return mysql_ != nullptr; }
    MYSQL* Handle() const noexcept { return mysql_; }

    // Runs one statement with its '?' parameters bound in order. Rows go to sink when one is given,
    // else into Outcome::Result.
    Outcome Execute(const std::string& sql, const std::vector<Value>& params, RowSink* sink = nullptr);
    // Runs a statement as plain text, without a prepare (transaction control).
    Outcome ExecuteText(const std::string& sql, RowSink* sink = nullptr);
    // The statement of that text prepared once on this session and kept for its next run (the
    // provider writes the same kinds of change again and again); the kept statements go with the
    // session's connection.
    PreparedStatement& Prepared(const std::string& sql);

private:
    Error lastError() const;
    MYSQL* mysql_ = nullptr;
    std::map<std::string, std::unique_ptr<PreparedStatement>> prepared_;
};

// A statement prepared once and executed many times (the provider's resolver uses one per kind of change).
class PreparedStatement {
public:
    PreparedStatement(Session& s, const std::string& sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    unsigned ParamCount() const noexcept { return paramCount_; }
    // The result columns the statement will return (none for a statement without a result), known
    // from the prepare alone.
    std::vector<ColumnInfo> Describe();
    Outcome Execute(const std::vector<Value>& params, RowSink* sink = nullptr);

private:
    Error lastError() const;
    Session& session_;
    MYSQL_STMT* stmt_ = nullptr;
    unsigned paramCount_ = 0;
};

// TDateTime <-> calendar fields without any exception: the fetch path converts every date-time cell.
TDateTime CivilToDateTime(int year, int month, int day, int hour, int min, int sec, unsigned micro);
void DateTimeToCivil(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);

// The exact decimal text of a four-decimal fixed-point value (Currency's raw integer): "-12.3400".
// DECIMAL columns take it without any rounding.
std::string DecimalText(std::int64_t raw);

// Error numbers of the client library the upper layers test for.
bool IsNotPreparable(unsigned code);
// The session is gone: the server went away or restarted, the network broke, or the connection was
// killed. Nothing more can be done on that session; only a new one helps.
bool IsSessionLost(unsigned code);

}  // namespace mariadb
