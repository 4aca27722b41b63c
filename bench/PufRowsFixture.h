// A scratch database with 100,000 rows of puf_data (a little over two months of minute records),
// made once per benchmark run on the private server that scripts/bench starts
// (PLANTMON_TEST_DB_* in the environment), and fresh connections to it.
#pragma once

#include "db/SqlConnection.h"
#include "testlib/TestDb.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace benchdb {

constexpr int kPufRows = 100000;

struct PufRowsFixture {
    std::unique_ptr<testdb::ScratchDatabase> db;
    PufRowsFixture() {
        if (!testdb::Available()) throw std::runtime_error("no database: run through scripts/bench");
        db = std::make_unique<testdb::ScratchDatabase>();
        // Minute rows with values spread like the controller's (full double precision), flags 0/1.
        db->Exec("insert into puf_data select '2010-01-01' + interval seq minute, 50 + rand(1) * 200, 300 + rand() * 500, "
                 "rand() * 150, rand() * 1000, rand() * 60, 60 + rand() * 20, rand() * 100, rand() * 100, "
                 "1500 + rand() * 7500, 50 + rand() * 350, seq % 2, 1 - seq % 2, seq % 3 = 0, seq % 5 = 0, 1, 1, 0, "
                 "seq % 7 = 0 from seq_1_to_" + std::to_string(kPufRows));
    }
};

inline PufRowsFixture& pufRows() {
    static PufRowsFixture f;
    return f;
}

inline std::unique_ptr<TSQLConnection> connect() {
    auto c = std::make_unique<TSQLConnection>(nullptr);
    c->SetLoginPrompt(false);
    c->Params()->SetValue("HostName", testdb::HostWithPort());
    c->Params()->SetValue("Database", pufRows().db->Name());
    c->Params()->SetValue("User_Name", testdb::Coords().user);
    c->Params()->SetValue("Password", testdb::Coords().password);
    return c;
}

}  // namespace benchdb
