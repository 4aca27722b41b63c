// An apply of several changes where one is refused for matching two rows: the refused statement is
// undone wherever it stands among the changes, and the others are kept.
#include "testlib/DbFixture.h"

#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"

namespace {

class ProviderApplyOrderTest : public DbTest {};

TEST_F(ProviderApplyOrderTest, ARefusedChangeIsUndoneFirstOrLast) {
    for (bool refusedFirst : {true, false}) {
        SCOPED_TRACE(refusedFirst ? "refused first" : "refused last");
        // A keyless table: rows are found by all their values, so the twin rows match together.
        db->Exec("delete from puf_log; insert into puf_log values ('2010-03-15 07:00:00', 'twin'), "
                 "('2010-03-15 07:00:00', 'twin'), ('2010-03-15 07:01:00', 'other')");
        CachedDataSet c(conn.get(), "select * from puf_log order by PostMoment, Message");
        c.cds.Open();
        auto change = [&](bool twin) {
            if (twin) c.cds.First();
            else c.cds.Last();
            c.cds.Edit();
            c.cds.FieldByName("Message")->SetAsString(twin ? "changed twin" : "changed other");
            c.cds.Post();
        };
        change(refusedFirst);
        change(!refusedFirst);
        EXPECT_THROW(c.cds.ApplyUpdates(-1), EDatabaseError);
        EXPECT_EQ(c.cds.ChangeCount(), 1);
        EXPECT_EQ(db->Scalar("select count(*) from puf_log where Message = 'twin'"), "2");
        EXPECT_EQ(db->Scalar("select Message from puf_log where PostMoment = '2010-03-15 07:01:00'"), "changed other");
    }
}

}  // namespace
