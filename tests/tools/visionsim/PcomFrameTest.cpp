#include "tools/visionsim/PcomFrame.h"

#include <gtest/gtest.h>

using namespace visionsim;

namespace {

// A request with a correct checksum around the given body (unit digits onwards).
std::string Framed(const std::string& body) { return "/" + body + PcomChecksum(body); }

}  // namespace

TEST(PcomFrame, ChecksumsOfHandWorkedFrames) {
    struct Case {
        const char* text;
        const char* checksum;
    } cases[] = {
        {"01RW000001", "2B"},            // the link's default frame /01RW0000012B
        {"02RW003701", "36"},            // /02RW00370136
        {"01RB000A02", "28"},            // /01RB000A0228
        {"01RNL003202", "74"},           // /01RNL00320274
        {"01RB10", "56"},                // reply /A01RB1056
        {"01RW00FA0190", "BB"},          // reply /A01RW00FA0190BB
        {"01RN000F4362000F4542", "4B"},  // reply /A01RN000F4362000F45424B
        {"02RW04E2", "E6"},              // reply /A02RW04E2E6
        {"", "00"},
        {"\xFF\xFF", "FE"},              // bytes count unsigned, the sum wraps at 256
    };
    for (const Case& c : cases) EXPECT_EQ(PcomChecksum(c.text), c.checksum) << c.text;
}

TEST(PcomFrame, BuildsRequestsAndReplies) {
    EXPECT_EQ(BuildPcomRequest(1, "RW000001"), "/01RW0000012B");
    EXPECT_EQ(BuildPcomRequest(2, "RW003701"), "/02RW00370136");
    EXPECT_EQ(BuildPcomReply(1, "RB", "10"), "/A01RB1056");
    EXPECT_EQ(BuildPcomReply(1, "RN", "000F4362000F4542"), "/A01RN000F4362000F45424B");
    EXPECT_EQ(Hex(0xFFFFFFFFu, 8), "FFFFFFFF");
    EXPECT_EQ(Hex(10, 4), "000A");
}

TEST(PcomFrame, ParsesRequests) {
    struct Case {
        std::string frame;
        ParseStatus status;
        int unit;
        const char* command;
        int address;
        int count;
        const char* values;
    } cases[] = {
        // the frames of one worker-thread cycle
        {"/01RB000A0228", ParseStatus::Ok, 1, "RB", 10, 2, ""},
        {"/01RW00320231", ParseStatus::Ok, 1, "RW", 50, 2, ""},
        {"/01RNL00320274", ParseStatus::Ok, 1, "RNL", 50, 2, ""},
        {"/02RW00370136", ParseStatus::Ok, 2, "RW", 55, 1, ""},
        {"/02RW00040130", ParseStatus::Ok, 2, "RW", 4, 1, ""},
        // writes carry their values
        {Framed("01SB00140210"), ParseStatus::Ok, 1, "SB", 20, 2, "10"},
        {Framed("01SW006A0100FA"), ParseStatus::Ok, 1, "SW", 106, 1, "00FA"},
        {Framed("FFSNL003C01FFFFFFFF"), ParseStatus::Ok, 255, "SNL", 60, 1, "FFFFFFFF"},
        {Framed("01RBFFFF01"), ParseStatus::Ok, 1, "RB", 0xFFFF, 1, ""},  // the last address
        // what a controller ignores
        {"01RB000A0228", ParseStatus::NoStart, -1, "", 0, 0, ""},
        {"", ParseStatus::NoStart, -1, "", 0, 0, ""},
        {"/0GRB000A0228", ParseStatus::BadUnit, -1, "", 0, 0, ""},
        {"/01RB000A0229", ParseStatus::BadChecksum, 1, "", 0, 0, ""},
        {"/01RW0000012b", ParseStatus::BadChecksum, 1, "", 0, 0, ""},  // lower-case checksum
        {"/01", ParseStatus::BadData, 1, "", 0, 0, ""},
        {Framed("01RN003202"), ParseStatus::BadCommand, 1, "", 0, 0, ""},  // "RN" is only an echo
        {Framed("01XX000A02"), ParseStatus::BadCommand, 1, "", 0, 0, ""},
        {Framed("01RB000A00"), ParseStatus::BadData, 1, "", 0, 0, ""},      // count 0
        {Framed("01RBFFFF02"), ParseStatus::BadData, 1, "", 0, 0, ""},      // runs past 0xFFFF
        {Framed("01RB000a02"), ParseStatus::BadData, 1, "", 0, 0, ""},      // lower-case address
        {Framed("01RB000A"), ParseStatus::BadData, 1, "", 0, 0, ""},        // no count
        {Framed("01RW0032021"), ParseStatus::BadData, 1, "", 0, 0, ""},     // trailing character
        {Framed("01SB00140212"), ParseStatus::BadData, 1, "", 0, 0, ""},    // a bit is "1" or "0"
        {Framed("01SW003201FA"), ParseStatus::BadData, 1, "", 0, 0, ""},    // value too short
        {Framed("01SW00320100FAFF"), ParseStatus::BadData, 1, "", 0, 0, ""},// one value too many
        {Framed("01SNL0032010000000G"), ParseStatus::BadData, 1, "", 0, 0, ""},
    };
    for (const Case& c : cases) {
        PcomRequest r;
        ParseStatus s = ParsePcomRequest(c.frame, r);
        EXPECT_EQ(s, c.status) << c.frame << ": " << ParseStatusName(s);
        EXPECT_EQ(r.unit, c.unit) << c.frame;
        if (s != ParseStatus::Ok) continue;
        EXPECT_EQ(r.command, c.command) << c.frame;
        EXPECT_EQ(r.address, c.address) << c.frame;
        EXPECT_EQ(r.count, c.count) << c.frame;
        EXPECT_EQ(r.values, c.values) << c.frame;
    }
}
