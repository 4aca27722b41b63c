#include "testlib/DbFixture.h"

#include "db/SqlExpr.h"
#include "rtl/DateUtils.h"

#include <atomic>
#include <thread>

namespace {

// ---- HostName as a station gives it ----------------------------------------------------------------

struct HostCase {
    const char* hostName;
    const char* host;
    unsigned port;
    const char* socket;
};

class HostNameTest : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostNameTest, Splits) {
    const HostCase& c = GetParam();
    std::string host, socket;
    unsigned port = 99;
    mariadb::ParseHostName(c.hostName, host, port, socket);
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(socket, c.socket);
}

INSTANTIATE_TEST_SUITE_P(Forms, HostNameTest,
                         ::testing::Values(HostCase{"127.0.0.1", "127.0.0.1", 0, ""},
                                           HostCase{" server ", "server", 0, ""},
                                           HostCase{"127.0.0.1:3307", "127.0.0.1", 3307, ""},
                                           HostCase{"db.plant:65535", "db.plant", 65535, ""},
                                           // Not a port: the text stays the host and the server says so.
                                           HostCase{"server:99999", "server:99999", 0, ""},
                                           HostCase{"server:", "server:", 0, ""},
                                           HostCase{"::1", "::1", 0, ""},
                                           HostCase{"[::1]:3307", "::1", 3307, ""},
                                           HostCase{"/run/mysqld/mysqld.sock", "", 0, "/run/mysqld/mysqld.sock"},
                                           HostCase{"", "", 0, ""}));

// ---- Connecting --------------------------------------------------------------------------------------

using ConnectionTest = DbTest;

TEST_F(ConnectionTest, ReachesTheServerByPortOrSocket) {
    conn->Open();
    EXPECT_TRUE(conn->Connected());
    conn->Close();
    EXPECT_FALSE(conn->Connected());

    auto bySocket = NewConnection();
    bySocket->Params()->SetValue("HostName", testdb::Coords().socket);
    if (testdb::Coords().socket.empty()) GTEST_SKIP() << "no socket path exported";
    bySocket->SetConnected(true);
    EXPECT_EQ(bySocket->ExecuteDirect("insert into setup (ConstName) values ('a')"), 1);
}

TEST_F(ConnectionTest, StatementConnectsOnFirstUse) {
    ASSERT_FALSE(conn->Connected());
    TSQLQuery q(nullptr);
    q.SetSQLConnection(conn.get());
    q.SQL()->SetText("select count(*) as Rez from puf_state");
    q.Open();
    EXPECT_TRUE(conn->Connected());
    EXPECT_EQ(q.FieldByName("Rez")->AsInteger(), 0);
}

TEST_F(ConnectionTest, FailuresCarryTheServersText) {
    struct Case {
        const char* sql;
        unsigned code;
        const char* text;
    } cases[] = {
        {"select * from no_such_table", 1146, "no_such_table' doesn't exist"},
        {"select * form pu1", 1064, "You have an error in your SQL syntax"},
        {"select NoSuchColumn from pu1", 1054, "Unknown column 'NoSuchColumn'"},
        {"insert into setup (ConstName) values (NULL)", 1048, "Column 'ConstName' cannot be null"},
    };
    for (const Case& c : cases) {
        try {
            conn->ExecuteDirect(c.sql);
            ADD_FAILURE() << "no error for " << c.sql;
        } catch (const ESQLError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.sql;
            EXPECT_NE(e.Message().Pos(c.text), 0) << e.Message();
        }
    }
    // The connection is still usable after its statements failed.
    EXPECT_EQ(conn->ExecuteDirect("insert into setup (ConstName) values ('x')"), 1);
}

TEST_F(ConnectionTest, RefusedLoginIsAnErrorNotAConnection) {
    conn->Params()->SetValue("Password", "wrong-password");
    try {
        conn->Open();
        FAIL() << "connected with a wrong password";
    } catch (const ESQLError& e) {
        EXPECT_EQ(e.ErrorCode(), 1045u);
        EXPECT_NE(e.Message().Pos("Access denied"), 0) << e.Message();
    }
    EXPECT_FALSE(conn->Connected());

    auto nowhere = NewConnection();
    nowhere->Params()->SetValue("HostName", "127.0.0.1:1");
    EXPECT_THROW(nowhere->Open(), EDatabaseError);
    EXPECT_FALSE(nowhere->Connected());
}

// Statements written for MySQL 5 store a zero date or a too long text with a warning instead of failing.
TEST_F(ConnectionTest, BehavesAsTheOldServerDid) {
    EXPECT_EQ(conn->ExecuteDirect("insert into puf_log (PostMoment, Message) values ('', repeat('x', 300))"), 1);
    auto rows = db->Query("select PostMoment, length(Message) from puf_log");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(*rows[0][0], "0000-00-00 00:00:00");
    EXPECT_EQ(*rows[0][1], "255");
}

TEST_F(ConnectionTest, TextTravelsAsUtf8) {
    TSQLQuery q(nullptr);
    q.SetSQLConnection(conn.get());
    q.SQL()->SetText("insert into belt_log (PostMoment, Message) values (Now(), :Text)");
    q.ParamByName("Text")->SetAsString("Принято новое значение CLK. ё€😀");
    EXPECT_EQ(q.ExecSQL(), 1);
    EXPECT_EQ(db->Scalar("select hex(Message) from belt_log"),
              "D09FD180D0B8D0BDD18FD182D0BE20D0BDD0BED0B2D0BED0B520D0B7D0BDD0B0D187D0B5D0BDD0B8D0B520434C4B2E20D191E282ACF09F9880");
    q.SQL()->SetText("select Message from belt_log");
    q.Open();
    EXPECT_EQ(q.FieldByName("Message")->AsString(), "Принято новое значение CLK. ё€😀");
}

TEST_F(ConnectionTest, ServerClock) {
    // The server's own clock, not the computer's: pin this session's clock and read it back.
    conn->ExecuteDirect("SET timestamp = unix_timestamp('2010-06-10 12:34:56')");
    EXPECT_EQ(conn->ServerNow(), EncodeDateTime(2010, 6, 10, 12, 34, 56, 0));
}

TEST_F(ConnectionTest, TableColumnsAreTheServersNames) {
    std::vector<AnsiString> cols = TableColumns(conn.get(), "belt_386_2_state");
    std::vector<AnsiString> want = {"RecMoment", "BKK", "I_1T1", "TNK", "G_1T1"};
    EXPECT_EQ(cols, want);
    AnsiString canonical;
    EXPECT_TRUE(IsTableColumn(cols, "tnk", &canonical));
    EXPECT_EQ(canonical, "TNK");
    EXPECT_FALSE(IsTableColumn(cols, "TNK=1, BKK", &canonical));
    EXPECT_FALSE(IsTableColumn(cols, "`TNK`", &canonical));
    try {
        TableColumns(conn.get(), "belt_386_2_state' or '1'='1");
        FAIL() << "a name that is no table gave columns";
    } catch (const ESQLError& e) {
        EXPECT_EQ(e.ErrorCode(), 1146u);
    }
}

// The GUI thread and a worker thread share one connection: every statement keeps the connection for its
// whole run, so neither ever reads the other's result.
TEST_F(ConnectionTest, SharedByTwoThreads) {
    constexpr int kRounds = 150;
    std::atomic<int> wrong{0};
    std::atomic<int> failures{0};
    auto worker = [&](int base) {
        TSQLQuery q(nullptr);
        q.SetSQLConnection(conn.get());
        q.SQL()->SetText("select :N as V, RecMoment from puf_state");
        TSQLQuery ins(nullptr);
        ins.SetSQLConnection(conn.get());
        ins.SQL()->SetText("insert into belt_log (PostMoment, Message) values (Now(), :M)");
        for (int i = 0; i < kRounds; ++i) {
            try {
                q.Close();
                q.ParamByName("N")->SetAsInteger(base + i);
                q.Open();
                if (q.FieldByName("V")->AsInteger() != base + i) ++wrong;
                ins.ParamByName("M")->SetAsString("thread " + IntToStr(base));
                if (ins.ExecSQL() != 1) ++wrong;
            } catch (const std::exception&) {
                ++failures;
            }
        }
    };
    conn->ExecuteDirect("insert into puf_state (RecMoment) values (Now())");
    std::thread a(worker, 1000), b(worker, 5000);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(db->Count("belt_log"), 2 * kRounds);
}

}  // namespace
