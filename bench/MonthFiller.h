// A month of history for the benchmark programs: one row a minute, from the first of the month at
// 00:00 to its last minute, written by the server itself from its sequence tables, with values that
// move like process values (slow waves and a little noise) and stay within the screens' scales.
// The table is analysed afterwards, so the server plans a range over its time column by its index
// as it would on a station with real history.
#pragma once

#include "rtl/DateUtils.h"
#include "testlib/TestDb.h"

#include <cstdio>
#include <string>
#include <vector>

namespace benchfill {

// A column and the SQL expression of its value; "seq" is the row's minute of the month, from 1.
struct Column {
    std::string name;
    std::string value;
};

// A value around mid with the given swing: a slow wave of period minutes plus noise of a tenth.
inline std::string Wave(double mid, double swing, int periodMinutes) {
    return std::to_string(mid) + " + " + std::to_string(swing) + " * sin(seq * 6.2832 / " +
           std::to_string(periodMinutes) + ") + " + std::to_string(swing / 10) + " * (rand() - 0.5)";
}

// The columns of a jig machine's table (pu1, pu2): bed heights and set points in mm, the water-air
// cycle, the unloader speeds in percent, and the run flags.
inline std::vector<Column> JigMachineColumns() {
    return {
        {"TPST_1", Wave(200, 60, 240)}, {"TPST_2", Wave(180, 50, 300)}, {"TPST_3", Wave(160, 40, 360)},
        {"ZPST_1", "200"},              {"ZPST_2", "180"},              {"ZPST_3", "160"},
        {"TIN", Wave(40, 5, 120)},      {"TOUT", Wave(35, 5, 150)},     {"TPAUSA", Wave(25, 4, 90)},
        {"KKP", Wave(55, 10, 480)},     {"TS_1", Wave(50, 30, 200)},    {"TS_2", Wave(45, 25, 220)},
        {"TS_3", Wave(40, 20, 260)},    {"RAB", "1"},                   {"NRAB", "1"},
    };
}

// Minutes in the month of year/month.
inline int MinutesOfMonth(int year, int month) { return DaysInAMonth(year, month) * 1440; }

// Fills table with one row a minute of the month; timeColumn is its time column. Returns the rows
// written.
inline int FillMonth(testdb::ScratchDatabase& db, const std::string& table, const std::string& timeColumn, int year,
                     int month, const std::vector<Column>& columns) {
    const int minutes = MinutesOfMonth(year, month);
    char first[32];
    std::snprintf(first, sizeof first, "%04d-%02d-01 00:00:00", year, month);
    std::string names = timeColumn, values = "'" + std::string(first) + "' + interval (seq - 1) minute";
    for (const Column& c : columns) {
        names += ", " + c.name;
        values += ", " + c.value;
    }
    db.Exec("insert into " + table + " (" + names + ") select " + values + " from seq_1_to_" + std::to_string(minutes));
    db.Exec("analyze table " + table);
    return minutes;
}

// True when the server's plan reads the rows of select (a statement on one table) through index
// (the "key" column of its explain row).
inline bool UsesIndex(testdb::ScratchDatabase& db, const std::string& select, const std::string& index) {
    for (const testdb::Row& row : db.Query("explain " + select))
        if (row.size() > 5 && row[5] && *row[5] == index) return true;
    return false;
}

}  // namespace benchfill
