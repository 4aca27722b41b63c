// The flotation controller's current values in the main window follow the puf_state row; a table
// without its row gives no values, so the last ones stay instead of turning to zeros.
#include "testlib/VisionStation.h"

#include <gtest/gtest.h>

namespace {

class StateValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        folder.WriteIni("[MySQL]\r\nSavePassword=1\r\n");
        form = visiontest::NewMainWindow(*db);
        form->SQLConnectionUser->Open();
    }
    void TearDown() override { visiontest::FreeMainWindow(form); }
    void Tick() { form->TimerRefreshStateTimer(form->TimerRefreshState); }

    testlib::StationFolder folder;
    testlib::TestClock clock;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* form = nullptr;
};

TEST_F(StateValuesTest, AnEmptyStateTableKeepsTheLastValues) {
    struct Step {
        const char* what;
        const char* sql;  // run before the tick
        float plf;
        std::uint8_t alarms;
    } steps[] = {
        {"no row yet: the values as they were", nullptr, 7.5f, 2},
        {"a row: its values", "insert into puf_state (RecMoment, PLF, ALARMS) values ('2024-05-01 10:00:00', 131.25, 1)",
         131.25f, 1},
        {"the row gone: the last values stay", "delete from puf_state", 131.25f, 1},
    };
    form->PufValues[0] = 7.5f;
    form->PufFlags[7] = 2;
    for (const Step& s : steps) {
        if (s.sql) db->Exec(s.sql);
        Tick();
        EXPECT_EQ(form->PufValues[0], s.plf) << s.what;
        EXPECT_EQ(form->PufFlags[7], s.alarms) << s.what;
    }
    // Its lamp is red all the same: no row, no time.
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clRed);
}

}  // namespace
