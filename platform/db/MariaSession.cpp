#include "db/MariaSession.h"

#include <mysql.h>
#include <mysqld_error.h>
#include <errmsg.h>

#include <charconv>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <mutex>

namespace mariadb {

// ---- date-time conversion ------------------------------------------------------------------------

TDateTime CivilToDateTime(int year, int month, int day, int hour, int min, int sec, unsigned micro) {
    double t = (hour * 3600.0 + min * 60.0 + sec + micro / 1e6) / 86400.0;
    if (year == 0 && month == 0 && day == 0) return t;  // a zero date: only the time of day counts
    long long days = DateToDayNumber(year, month, day);
    // Before the epoch the day count is negative and the time of day is subtracted, as TDateTime encodes it.
    return days >= 0 ? static_cast<double>(days) + t : static_cast<double>(days) - t;
}

void DateTimeToCivil(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec) {
    if (!std::isfinite(dt)) dt = 0;
    double whole = std::trunc(dt);
    long long ms = std::llround(std::fabs(dt - whole) * 86400000.0);
    long long days = static_cast<long long>(whole);
    if (ms >= 86400000LL) {  // rounding carried into the next day
        ms -= 86400000LL;
        days += dt < 0 ? -1 : 1;
    }
    DayNumberToDate(days, year, month, day);
    hour = static_cast<int>(ms / 3600000);
    min = static_cast<int>(ms / 60000 % 60);
    sec = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

bool IsNotPreparable(unsigned code) { return code == ER_UNSUPPORTED_PS; }

bool IsSessionLost(unsigned code) {
    switch (code) {
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
    case ER_CONNECTION_KILLED:
    case ER_SERVER_SHUTDOWN:
        return true;
    default:
        return false;
    }
}

std::string DecimalText(std::int64_t raw) {
    std::uint64_t a = raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%llu.%04u", raw < 0 ? "-" : "", static_cast<unsigned long long>(a / 10000),
                  static_cast<unsigned>(a % 10000));
    return buf;
}

// ---- host names ----------------------------------------------------------------------------------

void ParseHostName(const std::string& hostName, std::string& host, unsigned& port, std::string& socket) {
    host.clear();
    socket.clear();
    port = 0;
    std::string h = hostName;
    while (!h.empty() && static_cast<unsigned char>(h.back()) <= ' ') h.pop_back();
    std::size_t b = 0;
    while (b < h.size() && static_cast<unsigned char>(h[b]) <= ' ') ++b;
    h = h.substr(b);
    if (h.empty()) return;
    if (h[0] == '/' || h[0] == '.') {  // a socket path
        socket = h;
        return;
    }
    auto portOf = [](const std::string& p, unsigned& out) {
        if (p.empty() || p.size() > 5) return false;
        unsigned v = 0;
        auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), v);
        if (ec != std::errc() || ptr != p.data() + p.size() || v == 0 || v > 65535) return false;
        out = v;
        return true;
    };
    if (h[0] == '[') {  // [v6 address]:port
        std::size_t close = h.find(']');
        if (close != std::string::npos) {
            host = h.substr(1, close - 1);
            if (close + 1 < h.size() && h[close + 1] == ':') portOf(h.substr(close + 2), port);
            return;
        }
    }
    std::size_t colon = h.rfind(':');
    // Exactly one colon followed by digits is a port; a bare IPv6 address has several colons.
    if (colon != std::string::npos && h.find(':') == colon) {
        unsigned p = 0;
        if (portOf(h.substr(colon + 1), p)) {
            host = h.substr(0, colon);
            port = p;
            return;
        }
    }
    host = h;
}

// ---- result sets ---------------------------------------------------------------------------------

ResultSet::ResultSet(std::vector<ColumnInfo> columns) : columns_(std::move(columns)), ncols_(columns_.size()) {}

std::int64_t ResultSet::Int(std::size_t row, std::size_t col) const noexcept {
    return static_cast<std::int64_t>(slots_[row * ncols_ + col]);
}

double ResultSet::Float(std::size_t row, std::size_t col) const noexcept {
    double d;
    std::memcpy(&d, &slots_[row * ncols_ + col], sizeof d);
    return d;
}

std::string_view ResultSet::Text(std::size_t row, std::size_t col) const noexcept {
    std::size_t i = row * ncols_ + col;
    if (nulls_[i]) return {};
    std::uint64_t off = slots_[i];
    std::uint32_t n;
    std::memcpy(&n, arena_.data() + off, sizeof n);
    return std::string_view(arena_.data() + off + sizeof n, n);
}

void ResultSet::Reserve(std::size_t rows) {
    slots_.reserve(rows * ncols_);
    nulls_.reserve(rows * ncols_);
}

void ResultSet::AddRow() {
    slots_.resize(slots_.size() + ncols_, 0);
    nulls_.resize(nulls_.size() + ncols_, 1);
    ++rows_;
}

void ResultSet::SetInt(std::size_t col, std::int64_t v) noexcept {
    std::size_t i = (rows_ - 1) * ncols_ + col;
    slots_[i] = static_cast<std::uint64_t>(v);
    nulls_[i] = 0;
}

void ResultSet::SetFloat(std::size_t col, double v) noexcept {
    std::size_t i = (rows_ - 1) * ncols_ + col;
    std::memcpy(&slots_[i], &v, sizeof v);
    nulls_[i] = 0;
}

void ResultSet::SetText(std::size_t col, const char* p, std::size_t n) {
    std::size_t i = (rows_ - 1) * ncols_ + col;
    std::uint32_t len = static_cast<std::uint32_t>(n);
    std::size_t off = arena_.size();
    arena_.resize(off + sizeof len + n);
    std::memcpy(arena_.data() + off, &len, sizeof len);
    if (n) std::memcpy(arena_.data() + off + sizeof len, p, n);
    slots_[i] = off;
    nulls_[i] = 0;
}

// ---- metadata ------------------------------------------------------------------------------------

namespace {

std::once_flag libraryOnce;

void initLibrary() {
    std::call_once(libraryOnce, [] { mysql_library_init(0, nullptr, nullptr); });
}

ColumnInfo describe(const MYSQL_FIELD& f) {
    ColumnInfo c;
    c.Name = AnsiString(f.name ? f.name : "", f.name_length);
    c.OrgName = AnsiString(f.org_name ? f.org_name : "", f.org_name_length);
    c.Table = AnsiString(f.table ? f.table : "", f.table_length);
    c.OrgTable = AnsiString(f.org_table ? f.org_table : "", f.org_table_length);
    c.Flags = f.flags;
    c.NotNull = (f.flags & NOT_NULL_FLAG) != 0;
    c.PrimaryKey = (f.flags & PRI_KEY_FLAG) != 0;
    c.Unsigned = (f.flags & UNSIGNED_FLAG) != 0;
    c.AutoIncrement = (f.flags & AUTO_INCREMENT_FLAG) != 0;
    c.Binary = f.charsetnr == 63;
    c.Decimals = f.decimals;
    unsigned mb = 1;
    if (!c.Binary) {
        if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(f.charsetnr)) mb = cs->char_maxlen ? cs->char_maxlen : 1;
    }
    c.Length = f.length / mb;
    switch (f.type) {
    case MYSQL_TYPE_NULL: c.Type = ColumnType::Null; c.Kind = Storage::Text; break;
    case MYSQL_TYPE_TINY: c.Type = ColumnType::TinyInt; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_SHORT: c.Type = ColumnType::SmallInt; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_INT24: c.Type = ColumnType::MediumInt; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_LONG: c.Type = ColumnType::Int; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_LONGLONG: c.Type = ColumnType::BigInt; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_YEAR: c.Type = ColumnType::Year; c.Kind = Storage::Int; break;
    case MYSQL_TYPE_BIT: c.Type = ColumnType::Bit; c.Kind = Storage::Int; c.Length = f.length; break;
    case MYSQL_TYPE_FLOAT: c.Type = ColumnType::Float; c.Kind = Storage::Float; break;
    case MYSQL_TYPE_DOUBLE: c.Type = ColumnType::Double; c.Kind = Storage::Float; break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: {
        c.Type = ColumnType::Decimal;
        c.Kind = Storage::Text;  // exact digits, converted on reading
        unsigned long len = f.length;
        if (f.decimals > 0 && len) --len;                 // the point
        if (!(f.flags & UNSIGNED_FLAG) && len) --len;     // the sign
        c.Precision = static_cast<unsigned>(len);
        c.Length = f.length;
        break;
    }
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: c.Type = ColumnType::Date; c.Kind = Storage::DateTime; break;
    case MYSQL_TYPE_TIME: c.Type = ColumnType::Time; c.Kind = Storage::DateTime; break;
    case MYSQL_TYPE_DATETIME: c.Type = ColumnType::DateTime; c.Kind = Storage::DateTime; break;
    case MYSQL_TYPE_TIMESTAMP: c.Type = ColumnType::Timestamp; c.Kind = Storage::DateTime; break;
    case MYSQL_TYPE_ENUM: c.Type = ColumnType::Enum; c.Kind = Storage::Text; break;
    case MYSQL_TYPE_SET: c.Type = ColumnType::Set; c.Kind = Storage::Text; break;
    case MYSQL_TYPE_JSON: c.Type = ColumnType::Json; c.Kind = Storage::Text; break;
    case MYSQL_TYPE_GEOMETRY: c.Type = ColumnType::Geometry; c.Kind = Storage::Text; c.Binary = true; break;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB: c.Type = c.Binary ? ColumnType::Blob : ColumnType::Text; c.Kind = Storage::Text; break;
    case MYSQL_TYPE_STRING:
        c.Kind = Storage::Text;
        c.Type = (f.flags & ENUM_FLAG) ? ColumnType::Enum : (f.flags & SET_FLAG) ? ColumnType::Set : ColumnType::Char;
        break;
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR: c.Type = ColumnType::VarChar; c.Kind = Storage::Text; break;
    default: c.Type = ColumnType::Other; c.Kind = Storage::Text; break;
    }
    return c;
}

void toMysqlTime(const Value& v, MYSQL_TIME& t) {
    std::memset(&t, 0, sizeof t);
    int y, mo, d, h, mi, s, ms;
    if (v.kind == Value::Time) {
        // A time of day (or a duration): whole days become hours, as the server's TIME type holds them.
        double a = std::fabs(v.d);
        long long total = std::llround(a * 86400000.0);
        t.neg = v.d < 0;
        t.hour = static_cast<unsigned>(total / 3600000);
        t.minute = static_cast<unsigned>(total / 60000 % 60);
        t.second = static_cast<unsigned>(total / 1000 % 60);
        t.second_part = static_cast<unsigned long>(total % 1000) * 1000;
        t.time_type = MYSQL_TIMESTAMP_TIME;
        return;
    }
    DateTimeToCivil(v.d, y, mo, d, h, mi, s, ms);
    t.year = static_cast<unsigned>(y);
    t.month = static_cast<unsigned>(mo);
    t.day = static_cast<unsigned>(d);
    if (v.kind == Value::Date) {
        t.time_type = MYSQL_TIMESTAMP_DATE;
        return;
    }
    t.hour = static_cast<unsigned>(h);
    t.minute = static_cast<unsigned>(mi);
    t.second = static_cast<unsigned>(s);
    t.second_part = static_cast<unsigned long>(ms) * 1000;
    t.time_type = MYSQL_TIMESTAMP_DATETIME;
}

TDateTime fromMysqlTime(const MYSQL_TIME& t) {
    if (t.time_type == MYSQL_TIMESTAMP_TIME) {
        double v = (t.day * 86400.0 + t.hour * 3600.0 + t.minute * 60.0 + t.second + t.second_part / 1e6) / 86400.0;
        return t.neg ? -v : v;
    }
    return CivilToDateTime(static_cast<int>(t.year), static_cast<int>(t.month), static_cast<int>(t.day),
                           static_cast<int>(t.hour), static_cast<int>(t.minute), static_cast<int>(t.second),
                           static_cast<unsigned>(t.second_part));
}

// Parses the server's text for a temporal column: "yyyy-mm-dd[ hh:nn:ss[.ffffff]]" or "[-]h:nn:ss[.ffffff]".
bool parseTemporal(std::string_view s, ColumnType type, TDateTime& out) {
    auto num = [&](std::size_t& i, long long& v) {
        std::size_t b = i;
        v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
        return i > b;
    };
    std::size_t i = 0;
    long long a, b, c;
    if (type == ColumnType::Time) {
        bool neg = !s.empty() && s[0] == '-';
        if (neg) ++i;
        if (!num(i, a) || i >= s.size() || s[i++] != ':' || !num(i, b) || i >= s.size() || s[i++] != ':' || !num(i, c))
            return false;
        double frac = 0;
        if (i < s.size() && s[i] == '.') {
            double scale = 0.1;
            for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10) frac += (s[i] - '0') * scale;
        }
        double v = (a * 3600.0 + b * 60.0 + c + frac) / 86400.0;
        out = neg ? -v : v;
        return true;
    }
    if (!num(i, a) || i >= s.size() || s[i++] != '-' || !num(i, b) || i >= s.size() || s[i++] != '-' || !num(i, c))
        return false;
    long long h = 0, mi = 0, se = 0;
    unsigned micro = 0;
    if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
        ++i;
        if (!num(i, h) || i >= s.size() || s[i++] != ':' || !num(i, mi) || i >= s.size() || s[i++] != ':' || !num(i, se))
            return false;
        if (i < s.size() && s[i] == '.') {
            unsigned scale = 100000;
            for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, scale /= 10) micro += (s[i] - '0') * scale;
        }
    }
    out = CivilToDateTime(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c), static_cast<int>(h),
                          static_cast<int>(mi), static_cast<int>(se), micro);
    return true;
}

// Passes one cell of the text protocol on in the column's storage kind.
void putText(RowSink& sink, const ColumnInfo& c, std::size_t col, const char* p, unsigned long n) {
    switch (c.Kind) {
    case Storage::Int: {
        if (c.Type == ColumnType::Bit) {  // BIT arrives as big-endian bytes
            std::uint64_t v = 0;
            for (unsigned long k = 0; k < n; ++k) v = (v << 8) | static_cast<unsigned char>(p[k]);
            sink.PutInt(col, static_cast<std::int64_t>(v));
            return;
        }
        std::int64_t v = 0;
        if (c.Unsigned) {
            std::uint64_t u = 0;
            std::from_chars(p, p + n, u);
            v = static_cast<std::int64_t>(u);
        } else {
            std::from_chars(p, p + n, v);
        }
        sink.PutInt(col, v);
        return;
    }
    case Storage::Float: {
        double v = 0;
        std::from_chars(p, p + n, v);
        sink.PutFloat(col, v);
        return;
    }
    case Storage::DateTime: {
        TDateTime v = 0;
        if (!parseTemporal(std::string_view(p, n), c.Type, v)) v = 0;
        sink.PutFloat(col, v);
        return;
    }
    case Storage::Text: sink.PutText(col, p, n); return;
    }
}

// Collects rows into a ResultSet.
class ResultSetSink : public RowSink {
public:
    std::unique_ptr<ResultSet> rs;
    void Begin(const std::vector<ColumnInfo>& columns, std::size_t rowCount) override {
        rs = std::make_unique<ResultSet>(columns);
        rs->Reserve(rowCount);
    }
    void BeginRow() override { rs->AddRow(); }
    void PutInt(std::size_t col, std::int64_t v) override { rs->SetInt(col, v); }
    void PutFloat(std::size_t col, double v) override { rs->SetFloat(col, v); }
    void PutText(std::size_t col, const char* p, std::size_t n) override { rs->SetText(col, p, n); }
    void EndRow() override {}
};

struct ResultBinding {
    std::vector<MYSQL_BIND> binds;
    std::vector<std::int64_t> ints;
    std::vector<double> floats;
    std::vector<MYSQL_TIME> times;
    std::vector<std::vector<char>> texts;
    std::vector<unsigned long> lengths;
    std::vector<my_bool> nulls;
    std::vector<my_bool> errors;
};

}  // namespace

// ---- session -------------------------------------------------------------------------------------

Session::~Session() { Disconnect(); }

Error Session::lastError() const {
    Error e;
    if (!mysql_) return e;
    e.Code = mysql_errno(mysql_);
    e.SqlState = mysql_sqlstate(mysql_);
    e.Message = mysql_error(mysql_);
    return e;
}

void Session::Connect(const ConnectOptions& o) {
    Disconnect();
    initLibrary();
    MYSQL* m = mysql_init(nullptr);
    if (!m) throw Failure(Error{CR_OUT_OF_MEMORY, "HY000", "MySQL client: out of memory"});
    unsigned ct = o.ConnectTimeout, rt = o.ReadTimeout, wt = o.WriteTimeout;
    if (ct) mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &ct);
    if (rt) mysql_optionsv(m, MYSQL_OPT_READ_TIMEOUT, &rt);
    if (wt) mysql_optionsv(m, MYSQL_OPT_WRITE_TIMEOUT, &wt);
    mysql_optionsv(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    const char* host = o.Host.empty() ? (o.Socket.empty() ? "127.0.0.1" : "localhost") : o.Host.c_str();
    // Found rows instead of changed rows: an UPDATE that matches its row counts 1 even when no value changes,
    // so "0 rows" always means the row was not there.
    unsigned long flags = CLIENT_FOUND_ROWS;
    if (!mysql_real_connect(m, host, o.User.c_str(), o.Password.c_str(), o.Database.empty() ? nullptr : o.Database.c_str(),
                            o.Port, o.Socket.empty() ? nullptr : o.Socket.c_str(), flags)) {
        Error e{mysql_errno(m), mysql_sqlstate(m), mysql_error(m)};
        mysql_close(m);
        throw Failure(std::move(e));
    }
    mysql_ = m;
    std::string set = "SET SESSION sql_mode='" + o.SqlMode + "'";
    if (mysql_real_query(m, set.data(), set.size()) != 0) {
        Error e = lastError();
        Disconnect();
        throw Failure(std::move(e));
    }
}

void Session::Disconnect() noexcept {
    // Kept statements belong to the connection that prepared them.
    prepared_.clear();
    if (mysql_) {
        mysql_close(mysql_);
        mysql_ = nullptr;
    }
}

Outcome Session::Execute(const std::string& sql, const std::vector<Value>& params, RowSink* sink) {
    if (!mysql_) throw Failure(Error{CR_SERVER_GONE_ERROR, "HY000", "MySQL server has gone away", true});
    std::unique_ptr<PreparedStatement> st;
    try {
        st = std::make_unique<PreparedStatement>(*this, sql);
    } catch (const Failure& f) {
        if (params.empty() && IsNotPreparable(f.error().Code)) return ExecuteText(sql, sink);
        Error e = f.error();
        e.NotExecuted = true;
        throw Failure(std::move(e));
    }
    return st->Execute(params, sink);
}

PreparedStatement& Session::Prepared(const std::string& sql) {
    auto it = prepared_.find(sql);
    if (it != prepared_.end()) return *it->second;
    // A few texts recur; a session that has met many starts its collection over.
    constexpr std::size_t kKept = 32;
    if (prepared_.size() >= kKept) prepared_.clear();
    auto st = std::make_unique<PreparedStatement>(*this, sql);
    return *prepared_.emplace(sql, std::move(st)).first->second;
}

Outcome Session::ExecuteText(const std::string& sql, RowSink* sink) {
    if (!mysql_) throw Failure(Error{CR_SERVER_GONE_ERROR, "HY000", "MySQL server has gone away"});
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) throw Failure(lastError());
    Outcome out;
    MYSQL_RES* res = mysql_store_result(mysql_);
    if (!res) {
        if (mysql_field_count(mysql_) != 0) throw Failure(lastError());
        out.RowsAffected = mysql_affected_rows(mysql_);
        out.InsertId = mysql_insert_id(mysql_);
        return out;
    }
    unsigned n = mysql_num_fields(res);
    MYSQL_FIELD* fields = mysql_fetch_fields(res);
    std::vector<ColumnInfo> cols;
    cols.reserve(n);
    for (unsigned i = 0; i < n; ++i) cols.push_back(describe(fields[i]));
    ResultSetSink own;
    RowSink& to = sink ? *sink : own;
    try {
        to.Begin(cols, static_cast<std::size_t>(mysql_num_rows(res)));
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            unsigned long* len = mysql_fetch_lengths(res);
            to.BeginRow();
            for (unsigned i = 0; i < n; ++i)
                if (row[i]) putText(to, cols[i], i, row[i], len[i]);
            to.EndRow();
        }
    } catch (...) {
        mysql_free_result(res);
        throw;
    }
    mysql_free_result(res);
    // Drain any further results so the connection stays usable.
    while (mysql_more_results(mysql_) && mysql_next_result(mysql_) == 0) {
        if (MYSQL_RES* x = mysql_store_result(mysql_)) mysql_free_result(x);
    }
    out.HasResult = true;
    out.Result = std::move(own.rs);
    return out;
}

// ---- prepared statements -------------------------------------------------------------------------

PreparedStatement::PreparedStatement(Session& s, const std::string& sql) : session_(s) {
    if (!s.Handle()) throw Failure(Error{CR_SERVER_GONE_ERROR, "HY000", "MySQL server has gone away"});
    stmt_ = mysql_stmt_init(s.Handle());
    if (!stmt_) throw Failure(Error{CR_OUT_OF_MEMORY, "HY000", "MySQL client: out of memory"});
    if (mysql_stmt_prepare(stmt_, sql.data(), sql.size()) != 0) {
        Error e = lastError();
        mysql_stmt_close(stmt_);
        stmt_ = nullptr;
        throw Failure(std::move(e));
    }
    paramCount_ = mysql_stmt_param_count(stmt_);
}

PreparedStatement::~PreparedStatement() {
    if (stmt_) mysql_stmt_close(stmt_);
}

std::vector<ColumnInfo> PreparedStatement::Describe() {
    std::vector<ColumnInfo> cols;
    MYSQL_RES* meta = mysql_stmt_result_metadata(stmt_);
    if (!meta) return cols;
    unsigned n = mysql_num_fields(meta);
    MYSQL_FIELD* fields = mysql_fetch_fields(meta);
    for (unsigned i = 0; i < n; ++i) cols.push_back(describe(fields[i]));
    mysql_free_result(meta);
    return cols;
}

Error PreparedStatement::lastError() const {
    Error e;
    e.Code = mysql_stmt_errno(stmt_);
    e.SqlState = mysql_stmt_sqlstate(stmt_);
    e.Message = mysql_stmt_error(stmt_);
    return e;
}

Outcome PreparedStatement::Execute(const std::vector<Value>& params, RowSink* sink) {
    if (params.size() != paramCount_)
        throw Failure(Error{CR_PARAMS_NOT_BOUND, "HY000",
                            "The statement has " + std::to_string(paramCount_) + " parameters, " +
                                std::to_string(params.size()) + " values were given"});
    std::vector<MYSQL_BIND> pb(paramCount_);
    std::vector<MYSQL_TIME> pt(paramCount_);
    std::vector<unsigned long> pl(paramCount_);
    for (unsigned i = 0; i < paramCount_; ++i) {
        MYSQL_BIND& b = pb[i];
        std::memset(&b, 0, sizeof b);
        const Value& v = params[i];
        switch (v.kind) {
        case Value::Null: b.buffer_type = MYSQL_TYPE_NULL; break;
        case Value::Int:
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = const_cast<std::int64_t*>(&v.i);
            break;
        case Value::Float:
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = const_cast<double*>(&v.d);
            break;
        case Value::Text:
        case Value::Blob:
            b.buffer_type = v.kind == Value::Text ? MYSQL_TYPE_STRING : MYSQL_TYPE_BLOB;
            b.buffer = const_cast<char*>(v.s.data());
            pl[i] = static_cast<unsigned long>(v.s.size());
            b.buffer_length = pl[i];
            b.length = &pl[i];
            break;
        case Value::DateTime:
        case Value::Date:
        case Value::Time:
            toMysqlTime(v, pt[i]);
            b.buffer_type = v.kind == Value::DateTime ? MYSQL_TYPE_DATETIME
                          : v.kind == Value::Date     ? MYSQL_TYPE_DATE
                                                      : MYSQL_TYPE_TIME;
            b.buffer = &pt[i];
            b.buffer_length = sizeof(MYSQL_TIME);
            break;
        }
    }
    if (paramCount_ && mysql_stmt_bind_param(stmt_, pb.data()) != 0) throw Failure(lastError());
    my_bool on = 1;
    mysql_stmt_attr_set(stmt_, STMT_ATTR_UPDATE_MAX_LENGTH, &on);
    if (mysql_stmt_execute(stmt_) != 0) throw Failure(lastError());

    Outcome out;
    if (mysql_stmt_field_count(stmt_) == 0) {
        out.RowsAffected = mysql_stmt_affected_rows(stmt_);
        out.InsertId = mysql_stmt_insert_id(stmt_);
        return out;
    }
    if (mysql_stmt_store_result(stmt_) != 0) throw Failure(lastError());
    MYSQL_RES* meta = mysql_stmt_result_metadata(stmt_);
    if (!meta) {
        Error e = lastError();
        mysql_stmt_free_result(stmt_);
        throw Failure(std::move(e));
    }
    unsigned n = mysql_num_fields(meta);
    MYSQL_FIELD* fields = mysql_fetch_fields(meta);
    std::vector<ColumnInfo> cols;
    cols.reserve(n);
    for (unsigned i = 0; i < n; ++i) cols.push_back(describe(fields[i]));

    ResultBinding rb;
    rb.binds.resize(n);
    rb.ints.resize(n);
    rb.floats.resize(n);
    rb.times.resize(n);
    rb.texts.resize(n);
    rb.lengths.resize(n);
    rb.nulls.resize(n);
    rb.errors.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        MYSQL_BIND& b = rb.binds[i];
        std::memset(&b, 0, sizeof b);
        b.is_null = &rb.nulls[i];
        b.length = &rb.lengths[i];
        b.error = &rb.errors[i];
        const ColumnInfo& c = cols[i];
        if (c.Kind == Storage::Int && c.Type != ColumnType::Bit) {
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &rb.ints[i];
            b.is_unsigned = c.Unsigned;
        } else if (c.Kind == Storage::Float) {
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = &rb.floats[i];
        } else if (c.Kind == Storage::DateTime) {
            b.buffer_type = fields[i].type;
            b.buffer = &rb.times[i];
            b.buffer_length = sizeof(MYSQL_TIME);
        } else {
            rb.texts[i].resize(fields[i].max_length + 1);
            b.buffer_type = c.Binary ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING;
            b.buffer = rb.texts[i].data();
            b.buffer_length = static_cast<unsigned long>(rb.texts[i].size());
        }
    }
    mysql_free_result(meta);
    if (mysql_stmt_bind_result(stmt_, rb.binds.data()) != 0) {
        Error e = lastError();
        mysql_stmt_free_result(stmt_);
        throw Failure(std::move(e));
    }
    ResultSetSink own;
    RowSink& to = sink ? *sink : own;
    int rc;
    try {
        to.Begin(cols, static_cast<std::size_t>(mysql_stmt_num_rows(stmt_)));
        while ((rc = mysql_stmt_fetch(stmt_)) == 0 || rc == MYSQL_DATA_TRUNCATED) {
            to.BeginRow();
            for (unsigned i = 0; i < n; ++i) {
                if (rb.nulls[i]) continue;
                const ColumnInfo& c = cols[i];
                switch (c.Kind) {
                case Storage::Int:
                    if (c.Type == ColumnType::Bit) putText(to, c, i, rb.texts[i].data(), rb.lengths[i]);
                    else to.PutInt(i, rb.ints[i]);
                    break;
                case Storage::Float: to.PutFloat(i, rb.floats[i]); break;
                case Storage::DateTime: to.PutFloat(i, fromMysqlTime(rb.times[i])); break;
                case Storage::Text:
                    to.PutText(i, rb.texts[i].data(), std::min<unsigned long>(rb.lengths[i], rb.texts[i].size()));
                    break;
                }
            }
            to.EndRow();
        }
    } catch (...) {
        mysql_stmt_free_result(stmt_);
        throw;
    }
    if (rc == 1) {
        Error e = lastError();
        mysql_stmt_free_result(stmt_);
        throw Failure(std::move(e));
    }
    mysql_stmt_free_result(stmt_);
    out.HasResult = true;
    out.Result = std::move(own.rs);
    return out;
}

}  // namespace mariadb
