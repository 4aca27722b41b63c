// A session lost under a connection (killed by the server's KILL, as a server restart or a broken
// network loses it) is noticed by the next statement: the connection reports itself disconnected,
// connects once more with its stored parameters, and runs the statement only when the server cannot
// have run it before.
#include "testlib/DbFixture.h"

#include "db/SqlExpr.h"

#include <atomic>
#include <thread>

namespace {

using SessionLossTest = DbTest;

// The server's id of the connection's current session.
long long SessionId(TSQLConnection* c) {
    mariadb::Outcome o = c->Execute("select connection_id()", {});
    return o.Result->Int(0, 0);
}

void Kill(TSQLConnection* by, long long id) { by->ExecuteDirect("KILL CONNECTION " + IntToStr(id)); }

TEST_F(SessionLossTest, AKilledSessionIsReplacedByTheNextStatement) {
    auto other = NewConnection();
    conn->Open();
    const long long first = SessionId(conn.get());
    Kill(other.get(), first);

    struct Step {
        const char* name;
        std::function<void()> statement;
    } steps[] = {
        {"a statement", [&] { EXPECT_EQ(conn->ExecuteDirect("insert into setup (ConstName) values ('after kill')"), 1); }},
        {"a query", [&] {
             TSQLQuery q(nullptr);
             q.SetSQLConnection(conn.get());
             q.SQL()->SetText("select count(*) as n from setup");
             q.Open();
             EXPECT_EQ(q.FieldByName("n")->AsInteger(), 1);
         }},
    };
    for (const Step& s : steps) {
        s.statement();
        EXPECT_TRUE(conn->Connected()) << s.name;
        const long long now = SessionId(conn.get());
        EXPECT_NE(now, first) << s.name;
        Kill(other.get(), now);  // the next step meets a lost session again
    }
    // The insert ran once, on the new session.
    EXPECT_EQ(db->Count("setup"), 1);
}

TEST_F(SessionLossTest, WithTheServerGoneTheConnectionReportsItselfDisconnected) {
    auto other = NewConnection();
    conn->Open();
    Kill(other.get(), SessionId(conn.get()));
    // Where the server was, nobody answers any more.
    conn->Params()->SetValue("HostName", "127.0.0.1:1");
    EXPECT_THROW(conn->ExecuteDirect("insert into setup (ConstName) values ('lost')"), ESQLError);
    EXPECT_FALSE(conn->Connected());
    // Each later statement tries once more, and fails the same way while the server is away.
    EXPECT_THROW(conn->ExecuteDirect("insert into setup (ConstName) values ('lost')"), ESQLError);
    EXPECT_FALSE(conn->Connected());
    // Back again: the next statement connects.
    conn->Params()->SetValue("HostName", testdb::HostWithPort());
    EXPECT_EQ(conn->ExecuteDirect("insert into setup (ConstName) values ('back')"), 1);
    EXPECT_TRUE(conn->Connected());
    EXPECT_EQ(db->Count("setup"), 1);
}

TEST_F(SessionLossTest, AStatementLostWhileItRanIsNotRunAgain) {
    auto other = NewConnection();
    conn->Open();
    const long long id = SessionId(conn.get());
    std::atomic<bool> failed{false};
    std::thread t([&] {
        try {
            // Inserts one row, then waits: the kill comes while it runs.
            conn->ExecuteDirect("insert into setup (ConstName) select concat('slow', sleep(30))");
        } catch (const ESQLError&) {
            failed = true;
        }
    });
    // Waits until the statement runs on the server, then kills its session.
    for (int i = 0; i < 2000; ++i) {
        auto n = db->Scalar("select count(*) from information_schema.PROCESSLIST where ID = " + std::to_string(id) +
                            " and INFO like 'insert%'");
        if (n && *n == "1") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Kill(other.get(), id);
    t.join();
    EXPECT_TRUE(failed.load());
    EXPECT_FALSE(conn->Connected());
    // Nothing ran twice, and the next statement connects anew.
    EXPECT_EQ(db->Count("setup"), 0);
    EXPECT_EQ(conn->ExecuteDirect("insert into setup (ConstName) values ('next')"), 1);
    EXPECT_TRUE(conn->Connected());
}

}  // namespace
