// The private MariaDB server of a test run (started by scripts/test) and scratch databases on it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testdb {

struct Coordinates {
    std::string host;      // 127.0.0.1
    unsigned port = 0;
    std::string user;
    std::string password;
    std::string socket;    // the server's private socket
};

// True when scripts/test (or the developer) exported the server's coordinates.
bool Available();
Coordinates Coords();
// "127.0.0.1:<port>": the form a station's configuration gives as HostName.
std::string HostWithPort();

using Row = std::vector<std::optional<std::string>>;

// A database of its own for one test, created with db/schema.sql (unless withSchema is false) and
// dropped again when the object goes. Its name is unique across parallel test processes.
class ScratchDatabase {
public:
    explicit ScratchDatabase(bool withSchema = true);
    // The same on another server (a test's own, see PrivateServer.h).
    ScratchDatabase(const Coordinates& server, bool withSchema = true);
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }
    // The server it lives on.
    const Coordinates& Server() const { return server_; }
    // Runs one or more statements (separated by ';'); throws std::runtime_error with the server's text.
    void Exec(const std::string& sql);
    std::vector<Row> Query(const std::string& sql);
    // First column of the first row, or nullopt.
    std::optional<std::string> Scalar(const std::string& sql);
    long long Count(const std::string& table);

private:
    std::string name_;
    Coordinates server_;
    void* conn_ = nullptr;
};

// Reads a file of the source tree (db/schema.sql, templates/...).
std::string SourcePath(const std::string& relative);

}  // namespace testdb

// Skips the current test when no database is available, unless PLANTMON_TEST_DB_REQUIRED is set, in
// which case a missing database fails it.
#define REQUIRE_TEST_DB()                                                                    \
    do {                                                                                     \
        if (!::testdb::Available()) {                                                        \
            if (std::getenv("PLANTMON_TEST_DB_REQUIRED")) FAIL() << "no test database";      \
            GTEST_SKIP() << "no test database (run through scripts/test)";                   \
        }                                                                                    \
    } while (0)
