// Framing and checksums against hand-worked values.
#include "tools/pufsim/PufFrames.h"
#include "tools/pufsim/PufSimulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pufsim;

TEST(PufFrames, ChecksumsOfHandWorkedTexts) {
    struct Case {
        std::string text;
        bool lower;
        const char* tag;
    };
    const Case cases[] = {
        {"abc", false, "<0126>"},
        {"PUF1:GetStateRec:", false, "<05CB>"},
        {"PUF1:GetLogRecCount:", false, "<06F5>"},
        {"PUF1Error:BAD CRC", false, "<051F>"},
        {"PUF1:DeleteLogRec:17", false, "<0687>"},
        {"PUF1:GetLogRec:", false, "<04EC>"},
        {"PUF1:GetUnsavedCount:", false, "<078F>"},
        {"PUF1:GetUnsavedRecord:", false, "<07E5>"},
        {"PUF1:SetSaveFlag:2010-05-12 10:00:00", false, "<095F>"},
        {"PUF1:SetTRRS:12.5", false, "<04CD>"},
        {"", false, "<0000>"},
        // "Пуск" in Windows-1251: CF F3 F1 EA, summed as unsigned bytes.
        {"\xCF\xF3\xF1\xEA", false, "<039D>"},
        // 257 bytes of FF and one 02 add up to 65,537, which wraps to 1.
        {std::string(257, '\xFF') + '\x02', false, "<0001>"},
        {"PUF1:GetStateRec:", true, "<05cb>"},
    };
    for (const auto& c : cases) EXPECT_EQ(SumTag(c.text, c.lower), c.tag) << "text of " << c.text.size() << " bytes";
}

TEST(PufFrames, ParsesRequestLines) {
    struct Case {
        std::string line;
        LineKind kind;
        int blanks;
        const char* word;
        const char* argument;
    };
    const Case cases[] = {
        {"     PUF1:GetLogRecCount:<06F5>", LineKind::Command, 5, "GetLogRecCount", ""},
        {"     PUF1:SetSaveFlag:2010-05-12 10:00:00<095F>", LineKind::Command, 5, "SetSaveFlag", "2010-05-12 10:00:00"},
        {"     PUF1:DeleteLogRec:17<0687>", LineKind::Command, 5, "DeleteLogRec", "17"},
        {"PUF1:GetStateRec:<05CB>", LineKind::Command, 0, "GetStateRec", ""},
        {"\n     PUF1:GetStateRec:<05CB>\n", LineKind::Command, 0, "GetStateRec", ""},
        {"     PUF1:GetStateRec:<05cb>", LineKind::BadChecksum, 5, "GetStateRec", ""},
        {"     PUF1:GetStateRec:<05CC>", LineKind::BadChecksum, 5, "GetStateRec", ""},
        {"     PUF1:GetStateRec:", LineKind::BadChecksum, 5, "GetStateRec", ""},
        {"     PUF1:GetStateRec:<05CB", LineKind::BadChecksum, 5, "GetStateRec", ""},
        {"     PUF1:GetStateRec:<05CB>x", LineKind::BadChecksum, 5, "GetStateRec", ""},
        {"GetTimeA", LineKind::Probe, 0, "GetTimeA", ""},
        {"  GetTimeA \t", LineKind::Probe, 2, "GetTimeA", ""},
        {"GetTimeAB", LineKind::Junk, 0, "", ""},
        {"hello", LineKind::Junk, 0, "", ""},
        {"PUF1:GetLogRecCount_OK:0<081E>", LineKind::Echo, 0, "", ""},
        {"PUF1:Foo_Error:Unknown command<0B0C>", LineKind::Echo, 0, "", ""},
        {"PUF1Error:BAD CRC<051F>", LineKind::Echo, 0, "", ""},
        {"GetTimeA_OK:46366.5", LineKind::Echo, 0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedLine p = ParseLine(c.line);
        EXPECT_EQ(p.kind, c.kind) << LineKindName(p.kind);
        EXPECT_EQ(p.leadingBlanks, c.blanks);
        EXPECT_EQ(p.word, c.word);
        EXPECT_EQ(p.argument, c.argument);
    }
    EXPECT_TRUE(ParseLine(" \t ").text.empty());
}

TEST(PufFrames, BuildsAnswersWithTheirChecksums) {
    const ReplyStyle plain;
    const ReplyStyle padded{3, true};
    EXPECT_EQ(Seal(AnswerBody("GetLogRecCount", "0")), "PUF1:GetLogRecCount_OK:0<081E>");
    EXPECT_EQ(Seal(AnswerBody("GetLogRecCount", "-3")), "PUF1:GetLogRecCount_OK:-3<084E>");
    EXPECT_EQ(Seal(AnswerBody("SetTRRS", "")), "PUF1:SetTRRS_OK:<0500>");
    EXPECT_EQ(Seal(AnswerBody("GetStateRec", "PLF=1.5,RVF=2")), "PUF1:GetStateRec_OK:PLF=1.5,RVF=2<0A00>");
    EXPECT_EQ(Seal(RefusalBody("Foo", "Unknown command"), plain), "PUF1:Foo_Error:Unknown command<0B0C>");
    // Blanks in front stay outside the checksum; the colon before it is inside.
    EXPECT_EQ(Seal(AnswerBody("GetLogRecCount", "0", padded), padded), "   PUF1:GetLogRecCount_OK:0:<0858>");
    EXPECT_EQ(BadCrcLine(), "PUF1Error:BAD CRC<051F>");
    EXPECT_EQ(TagOf(0xFFFF), "<FFFF>");
}

TEST(PufFrames, NumbersAndMomentsAsTheControllerWritesThem) {
    const std::pair<double, const char*> numbers[] = {
        {12.5, "12.5"}, {120, "120.0"}, {0.1, "0.1"}, {-3, "-3.0"}, {-0.0, "0.0"},
        {1e20, "100000000000000000000.0"}, {std::numeric_limits<double>::quiet_NaN(), "0.0"},
    };
    for (const auto& [v, text] : numbers) EXPECT_EQ(FormatNumber(v), text) << v;

    const std::pair<Days, const char*> moments[] = {
        {46366.5, "2026-12-10 12:00:00"},
        {40310.0 + 10.0 / 24.0, "2010-05-12 10:00:00"},
        {46366.0 - 0.1 / 86400.0, "2026-12-10 00:00:00"},  // rounds to the nearest second
        {25569.0, "1970-01-01 00:00:00"},
    };
    for (const auto& [d, text] : moments) EXPECT_EQ(FormatMoment(d), text) << d;
}
