// Fixtures of the shift-table tests: a main window on a station of its own (recording system host),
// its general connection on a scratch database of the private server, the screens as MDI children
// of that window, a stopped clock, and the event log's queue read back.
#pragma once

#include "app/AppTestSupport.h"

#include "app/Config.h"
#include "app/Main.h"
#include "core/EventLog.h"
#include "testlib/Station.h"
#include "testlib/TestDb.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tablestest {

// The history rows every sum test shares: one row at each moment, its weight a power of two (so any
// row wrongly in or out of a period changes a sum visibly). For the day 2010-03-15 (first shift at
// 07:00) the periods are 07:00:00-18:59:59, 19:00:00-06:59:59 next day, the day, and the month from
// 2010-03-01 07:00:00.
struct TimedWeight {
    const char* moment;
    int weight;
};
inline const TimedWeight BoundaryRows[] = {
    {"2010-02-28 12:00:00", 128},   // the previous month
    {"2010-03-01 06:59:59", 32},    // the 1st before 07:00: still the last day of February
    {"2010-03-01 07:00:00", 64},    // the month's first moment
    {"2010-03-10 12:00:00", 1500},  // inside the month
    {"2010-03-15 06:59:59", 1000},  // the day before's second shift: month only
    {"2010-03-15 07:00:00", 1},     // shift 1 starts
    {"2010-03-15 18:59:59", 2},     // shift 1 ends
    {"2010-03-15 19:00:00", 4},     // shift 2 starts
    {"2010-03-16 06:59:59", 8},     // shift 2 ends
    {"2010-03-16 07:00:00", 16},    // the next day
};

class TablesTest : public apptest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The frame the screens are MDI children of.
        Application->FormCreated(form);
        testlib::TakeEvents();
        if (!testdb::Available()) return;
        db = std::make_unique<testdb::ScratchDatabase>();
        testlib::ConnectToScratch(form, *db, form->SQLConnection1);
        form->SQLConnection1->Open();
    }
    // The hydrosizer table's report template where the screens look for it.
    void InstallHydrosizerTemplate() {
        std::filesystem::create_directories(AnsiString(TemplateDir).str());
        std::filesystem::copy_file(testdb::SourcePath("templates/GS_work.xml"),
                                   IncludeTrailingPathDelimiter(TemplateDir).str() + "GS_work.xml");
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        db.reset();
    }

    // The clock stands at that moment until the next call.
    void At(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
        const TDateTime t = EncodeDateTime(y, mo, d, h, mi, s, 0);
        SetClockSource([t] { return t; });
    }
    // Inserts BoundaryRows into table: "<timeColumn>, <columns>" with the values valuesOf(weight).
    void InsertBoundaryRows(const std::string& table, const std::string& columns,
                            const std::function<std::string(int)>& valuesOf, bool (*keep)(int) = nullptr) {
        std::string sql = "insert into " + table + " (" + columns + ") values ";
        bool first = true;
        for (const TimedWeight& r : BoundaryRows) {
            if (keep && !keep(r.weight)) continue;
            sql += std::string(first ? "" : ", ") + "('" + r.moment + "', " + valuesOf(r.weight) + ")";
            first = false;
        }
        db->Exec(sql);
    }

    std::unique_ptr<testdb::ScratchDatabase> db;
};

}  // namespace tablestest
