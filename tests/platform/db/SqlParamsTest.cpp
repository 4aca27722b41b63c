#include "db/SqlParams.h"

#include <gtest/gtest.h>

namespace {

struct ScanCase {
    const char* sql;
    const char* rewritten;
    std::vector<const char*> names;
};

class ScanSqlParamsTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanSqlParamsTest, ReplacesOnlyParametersInCode) {
    const ScanCase& c = GetParam();
    TSqlParamScan s = ScanSqlParams(c.sql);
    EXPECT_EQ(s.Sql, c.rewritten);
    ASSERT_EQ(s.Names.size(), c.names.size());
    for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(s.Names[i], c.names[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScanSqlParamsTest,
    ::testing::Values(
        ScanCase{"select * from pu1 where PostMoment= :MaxTime", "select * from pu1 where PostMoment= ?", {"MaxTime"}},
        // Time literals, quoted names and comments hold colons that are not parameters.
        ScanCase{"select * from pu1 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= :Stop",
                 "select * from pu1 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= ?", {"Stop"}},
        ScanCase{"select \":x\", `a:b` from t where c = :c", "select \":x\", `a:b` from t where c = ?", {"c"}},
        ScanCase{"select 1 -- note :a\nfrom t where x=:b # and :c\n and y=:d", "select 1 -- note :a\nfrom t where x=? # and :c\n and y=?",
                 {"b", "d"}},
        ScanCase{"select /* :a */ :b /* unterminated :c", "select /* :a */ ? /* unterminated :c", {"b"}},
        // Escapes inside a literal do not end it early.
        ScanCase{"insert into t values ('it''s :no', 'back\\' :no', :yes)", "insert into t values ('it''s :no', 'back\\' :no', ?)",
                 {"yes"}},
        // "--" without a blank is two minus signs, not a comment.
        ScanCase{"select 5--:a", "select 5--?", {"a"}},
        // "::" is one literal colon; a lone colon stays; a name used twice binds twice.
        ScanCase{"select '1'::text, a : b, :p + :P", "select '1':text, a : b, ? + ?", {"p", "P"}},
        ScanCase{"update setup set ConstVal=:ConstVal_1 where ConstName=:Key", "update setup set ConstVal=? where ConstName=?",
                 {"ConstVal_1", "Key"}},
        ScanCase{"select 'unterminated :a", "select 'unterminated :a", {}},
        ScanCase{"set @a := :b", "set @a := ?", {"b"}},
        ScanCase{"", "", {}}));

TEST(SqlParamNames, DistinctInOrderIgnoringCase) {
    std::vector<AnsiString> n = SqlParamNames("select :B, :a, :b, ':c', :A");
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0], "B");
    EXPECT_EQ(n[1], "a");
}

}  // namespace
