// Records built in blocks: each keeps its values for as long as anything holds it, whatever goes
// first (the arena, the other records of its block, the thread that built it). Run under the address
// sanitizer, a block freed too early reads as a use after free and one never freed as a leak.
#include "data/DB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// Record i: an integer, a float, a text whose length varies with i (now and then far longer than
// a block holds), and a Null.
TRecordPtr buildRecord(TRecordArena& arena, int i) {
    TRecordBuilder b(4);
    b.SetInt(0, i);
    b.SetFloat(1, i * 0.5);
    const std::size_t length = i % 97 == 0 ? 70000 + static_cast<std::size_t>(i) : static_cast<std::size_t>(i % 40);
    b.SetBytes(2, std::string(length, static_cast<char>('a' + i % 26)));
    return b.Build(arena);
}

bool holdsValues(const TRecordData& r, int i) {
    const std::size_t length = i % 97 == 0 ? 70000 + static_cast<std::size_t>(i) : static_cast<std::size_t>(i % 40);
    return r.FieldCount() == 4 && r.Int(0) == i && r.Float(1) == i * 0.5 && r.Bytes(2) == std::string(length, static_cast<char>('a' + i % 26)) &&
           r.IsNull(3) && !r.IsNull(2);
}

enum class Release { ArenaFirst, InOrder, Reversed, Shuffled, AllButEveryFiftieth, OnAnotherThread };

class RecordArenaTest : public ::testing::TestWithParam<Release> {};

TEST_P(RecordArenaTest, RecordsKeepTheirValuesUntilTheLastHolderLetsGo) {
    constexpr int kCount = 3000;  // several blocks
    auto arena = std::make_unique<TRecordArena>();
    std::vector<TRecordPtr> records;
    for (int i = 0; i < kCount; ++i) records.push_back(buildRecord(*arena, i));
    std::vector<TRecordPtr> kept;

    switch (GetParam()) {
    case Release::ArenaFirst: arena.reset(); break;
    case Release::InOrder: break;
    case Release::Reversed: std::reverse(records.begin(), records.end()); break;
    case Release::Shuffled: std::shuffle(records.begin(), records.end(), std::mt19937(7)); break;
    case Release::AllButEveryFiftieth:
        for (int i = 0; i < kCount; i += 50) kept.push_back(records[static_cast<std::size_t>(i)]);
        break;
    case Release::OnAnotherThread: {
        arena.reset();
        std::thread other([moved = std::move(records)]() mutable { moved.clear(); });
        other.join();
        records.clear();
        break;
    }
    }
    for (TRecordPtr& r : records) {
        const int i = static_cast<int>(r->Int(0));
        ASSERT_TRUE(holdsValues(*r, i)) << i;
        r = TRecordPtr();
    }
    arena.reset();
    for (std::size_t k = 0; k < kept.size(); ++k) EXPECT_TRUE(holdsValues(*kept[k], static_cast<int>(k * 50))) << k;
}

INSTANTIATE_TEST_SUITE_P(Orders, RecordArenaTest,
                         ::testing::Values(Release::ArenaFirst, Release::InOrder, Release::Reversed, Release::Shuffled,
                                           Release::AllButEveryFiftieth, Release::OnAnotherThread));

// A record from a block and one from the heap with the same values compare equal and read alike.
TEST(RecordArena, BlockRecordsReadLikeHeapRecords) {
    TRecordArena arena;
    TRecordBuilder b(3);
    b.SetCurrency(0, Currency::FromRaw(123456));
    b.SetBytes(2, "текст");
    TRecordPtr inBlock = b.Build(arena), onHeap = b.Build();
    EXPECT_TRUE(inBlock->SameValues(*onHeap));
    EXPECT_EQ(inBlock->Kind(0), skCurrency);
    EXPECT_TRUE(inBlock->IsNull(1));
    EXPECT_EQ(inBlock->Bytes(2), "текст");
}

}  // namespace
