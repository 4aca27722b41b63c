#include "testlib/TestDb.h"

#include <mysql.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testdb {

namespace {
const char* env(const char* n) {
    const char* v = std::getenv(n);
    return v ? v : "";
}

MYSQL* connect(const Coordinates& c, const std::string& db) {
    MYSQL* m = mysql_init(nullptr);
    if (!m) throw std::runtime_error("mysql_init failed");
    unsigned timeout = 10;
    mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_optionsv(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // A test that restarts its own server goes on with the same object afterwards.
    my_bool reconnect = 1;
    mysql_optionsv(m, MYSQL_OPT_RECONNECT, &reconnect);
    if (!mysql_real_connect(m, c.host.c_str(), c.user.c_str(), c.password.c_str(), db.empty() ? nullptr : db.c_str(),
                            c.port, nullptr, CLIENT_MULTI_STATEMENTS)) {
        std::string e = mysql_error(m);
        mysql_close(m);
        throw std::runtime_error("test database: " + e);
    }
    return m;
}

void execAll(MYSQL* m, const std::string& sql) {
    if (mysql_real_query(m, sql.data(), sql.size()) != 0)
        throw std::runtime_error(std::string("test database: ") + mysql_error(m) + "\nin: " + sql.substr(0, 400));
    int status;
    do {
        MYSQL_RES* r = mysql_store_result(m);
        if (r) mysql_free_result(r);
        status = mysql_next_result(m);
        if (status > 0) throw std::runtime_error(std::string("test database: ") + mysql_error(m));
    } while (status == 0);
}
}  // namespace

bool Available() { return *env("PLANTMON_TEST_DB_PORT") != '\0'; }

Coordinates Coords() {
    Coordinates c;
    c.host = *env("PLANTMON_TEST_DB_HOST") ? env("PLANTMON_TEST_DB_HOST") : "127.0.0.1";
    c.port = static_cast<unsigned>(std::atoi(env("PLANTMON_TEST_DB_PORT")));
    c.user = *env("PLANTMON_TEST_DB_USER") ? env("PLANTMON_TEST_DB_USER") : "root";
    c.password = env("PLANTMON_TEST_DB_PASSWORD");
    c.socket = env("PLANTMON_TEST_DB_SOCKET");
    return c;
}

std::string HostWithPort() {
    Coordinates c = Coords();
    return c.host + ":" + std::to_string(c.port);
}

std::string SourcePath(const std::string& relative) { return std::string(PLANTMON_SOURCE_DIR) + "/" + relative; }

ScratchDatabase::ScratchDatabase(bool withSchema) : ScratchDatabase(Coords(), withSchema) {}

ScratchDatabase::ScratchDatabase(const Coordinates& server, bool withSchema) : server_(server) {
    static std::atomic<int> counter{0};
    name_ = "t_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    MYSQL* m = connect(server, "");
    conn_ = m;
    execAll(m, "DROP DATABASE IF EXISTS `" + name_ + "`; CREATE DATABASE `" + name_ +
                   "` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
    if (mysql_select_db(m, name_.c_str()) != 0) throw std::runtime_error(mysql_error(m));
    if (withSchema) {
        std::ifstream f(SourcePath("db/schema.sql"));
        if (!f) throw std::runtime_error("cannot read db/schema.sql");
        std::stringstream ss;
        ss << f.rdbuf();
        execAll(m, ss.str());
    }
}

ScratchDatabase::~ScratchDatabase() {
    MYSQL* m = static_cast<MYSQL*>(conn_);
    if (!m) return;
    std::string q = "DROP DATABASE IF EXISTS `" + name_ + "`";
    mysql_real_query(m, q.data(), q.size());
    mysql_close(m);
}

void ScratchDatabase::Exec(const std::string& sql) { execAll(static_cast<MYSQL*>(conn_), sql); }

std::vector<Row> ScratchDatabase::Query(const std::string& sql) {
    MYSQL* m = static_cast<MYSQL*>(conn_);
    if (mysql_real_query(m, sql.data(), sql.size()) != 0)
        throw std::runtime_error(std::string("test database: ") + mysql_error(m));
    std::vector<Row> rows;
    MYSQL_RES* r = mysql_store_result(m);
    if (r) {
        unsigned n = mysql_num_fields(r);
        while (MYSQL_ROW row = mysql_fetch_row(r)) {
            unsigned long* len = mysql_fetch_lengths(r);
            Row out;
            for (unsigned i = 0; i < n; ++i) {
                if (row[i]) out.emplace_back(std::string(row[i], len[i]));
                else out.emplace_back(std::nullopt);
            }
            rows.push_back(std::move(out));
        }
        mysql_free_result(r);
    }
    while (mysql_next_result(m) == 0) {
        MYSQL_RES* x = mysql_store_result(m);
        if (x) mysql_free_result(x);
    }
    return rows;
}

std::optional<std::string> ScratchDatabase::Scalar(const std::string& sql) {
    auto rows = Query(sql);
    if (rows.empty() || rows[0].empty()) return std::nullopt;
    return rows[0][0];
}

long long ScratchDatabase::Count(const std::string& table) {
    auto v = Scalar("SELECT COUNT(*) FROM `" + table + "`");
    return v ? std::stoll(*v) : 0;
}

}  // namespace testdb
