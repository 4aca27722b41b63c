// The belt table reads the scales' throughput while the Vision thread rewrites the records. Its own
// binary, run again under ThreadSanitizer, which checks that every read holds the records' lock; no
// window is shown here (the toolkit's own painting threads are not instrumented).
#include "screens/tables/TableBelt.h"

#include "TablesTestSupport.h"

#include "links/BeltScale.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using tablestest::TablesTest;

TEST_F(TablesTest, TheThroughputIsReadWhileTheVisionThreadWritesIt) {
    REQUIRE_TEST_DB();
    At(2010, 3, 15);
    ClearBeltScales();
    auto* belt = NewForm<TFormTableBelt>(form);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i)
            UpdateBeltScale(i % 2, [i](TBeltScaleRec& r) {
                r.TNK = (i % 4 < 2) ? 111.0 : 222.0;
                r.G_1T1 = r.TNK / 60;
            });
    });
    for (int i = 0; i < 3; ++i) {
        belt->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        belt->Reload();
        // Each cell holds a whole value the writer wrote.
        for (TOutField* f : {belt->OutField_TNK0, belt->OutField_TNK1}) {
            const double v = f->OutValue();
            EXPECT_TRUE(v == 0 || v == 111.0 || v == 222.0) << v;
        }
    }
    stop = true;
    writer.join();
    ClearBeltScales();
}

}  // namespace
