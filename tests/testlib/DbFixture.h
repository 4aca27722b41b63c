// A scratch database and a connection to it, for the tests of this folder.
#pragma once

#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlConnection.h"
#include "db/SqlExpr.h"
#include "testlib/TestDb.h"

#include <gtest/gtest.h>

#include <memory>

class DbTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        conn = NewConnection();
    }

    // Another connection to the same database (another station, another thread's connection).
    std::unique_ptr<TSQLConnection> NewConnection() const {
        auto c = std::make_unique<TSQLConnection>(nullptr);
        c->SetLoginPrompt(false);
        c->Params()->SetValue("DriverName", "MySQL");
        c->Params()->SetValue("HostName", testdb::HostWithPort());
        c->Params()->SetValue("Database", db->Name());
        c->Params()->SetValue("User_Name", testdb::Coords().user);
        c->Params()->SetValue("Password", testdb::Coords().password);
        return c;
    }

    std::unique_ptr<testdb::ScratchDatabase> db;
    std::unique_ptr<TSQLConnection> conn;
};

// The screens' arrangement of cached rows: SQL dataset -> provider -> client dataset.
struct CachedDataSet {
    TSQLDataSet source{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    CachedDataSet(TSQLConnection* conn, const char* command) {
        source.SetSQLConnection(conn);
        source.SetCommandText(command);
        provider.SetDataSet(&source);
        cds.SetProvider(&provider);
    }
    ~CachedDataSet() { cds.Close(); }
};
