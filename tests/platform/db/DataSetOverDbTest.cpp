// The dataset model fed from the server: bookmarks follow the fetched order, and a grid's data link
// hears scroll, edit and post in the order it relies on.
#include "testlib/DbFixture.h"

#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"

#include <string>
#include <vector>

namespace {

class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { log.push_back("changed"); }
    void DataSetScrolled(int distance) override { log.push_back("scrolled " + std::to_string(distance)); }
    void EditingChanged() override { log.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* field) override { log.push_back(field ? "field " + field->FieldName().str() : "record"); }
    void UpdateData() override { log.push_back("update data"); }
};

using DataSetOverDbTest = DbTest;

TEST_F(DataSetOverDbTest, BookmarksFollowTheFetchedOrder) {
    db->Exec("insert into pu1 (PostMoment, RAB) values ('2010-03-15 19:00:00', 3), ('2010-03-15 07:00:00', 1), "
             "('2010-03-15 18:59:59', 2), ('2010-03-16 06:59:59', 4)");
    TSQLQuery q(nullptr);
    q.SetSQLConnection(conn.get());
    q.SQL()->SetText("select * from pu1 order by PostMoment");
    q.Open();
    std::vector<TBookmark> marks;
    for (q.First(); !q.Eof(); q.Next()) marks.push_back(q.Bookmark());
    ASSERT_EQ(marks.size(), 4u);
    for (std::size_t i = 0; i + 1 < marks.size(); ++i) {
        EXPECT_LT(q.CompareBookmarks(marks[i], marks[i + 1]), 0) << i;
        EXPECT_GT(q.CompareBookmarks(marks[i + 1], marks[i]), 0) << i;
    }
    q.GotoBookmark(marks[2]);
    EXPECT_EQ(q.FieldByName("RAB")->AsInteger(), 3);

    // A client dataset sorted another way orders its bookmarks by that index.
    TSQLClientDataSet cds(nullptr);
    cds.SetDBConnection(conn.get());
    cds.SetCommandText("select * from pu1 order by PostMoment");
    cds.Open();
    cds.SetIndexFieldNames("RAB");
    cds.Last();
    TBookmark last = cds.Bookmark();
    cds.First();
    TBookmark first = cds.Bookmark();
    EXPECT_LT(cds.CompareBookmarks(first, last), 0);
    EXPECT_EQ(cds.FieldByName("RAB")->AsInteger(), 1);
    EXPECT_TRUE(cds.BookmarkValid(last));
}

TEST_F(DataSetOverDbTest, LinkHearsScrollEditPostInOrder) {
    db->Exec("insert into setup (ConstName, ConstVal) values ('A', 1), ('B', 2), ('C', 3)");
    TSQLClientDataSet cds(nullptr);
    cds.SetDBConnection(conn.get());
    cds.SetCommandText("select * from setup order by ConstName");
    TDataSource src(nullptr);
    src.SetDataSet(&cds);
    RecordingLink link;
    link.SetDataSource(&src);

    cds.Open();
    cds.Next();
    cds.Edit();
    cds.FieldByName("ConstVal")->SetAsFloat(20);
    cds.Post();
    std::vector<std::string> want = {"active",  "scrolled 1",    "editing",  "record", "field ConstVal",
                                     "update data", "browsing", "changed"};
    EXPECT_EQ(link.log, want);

    link.log.clear();
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'B'"), "20");
    cds.Close();
    EXPECT_EQ(link.log.back(), "inactive");
    link.SetDataSource(nullptr);
}

}  // namespace
