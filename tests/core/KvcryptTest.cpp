// The scrambler of the stored password: its alphabet and length, two scrambles of one password, and
// texts that are no scrambled password.
#include "core/Kvcrypt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Scrambler, LengthAlphabetAndRoundTrip) {
    const char* passwords[] = {"52806", "secret12", "", "a", "pass word;=\"'", "пароль", "0123456789ABCDEFGHIJ"};
    for (const char* p : passwords) {
        const AnsiString s = ScrambleText(p);
        EXPECT_EQ(s.Length(), 50 + 4 * AnsiString(p).Length()) << p;
        for (char c : s.str()) EXPECT_TRUE(c >= '0' && c <= 'Z') << p << ": " << c;
        EXPECT_EQ(UnscrambleText(s), p);
    }
}

TEST(Scrambler, TwoScramblesOfOnePasswordDifferAndBothLoadBack) {
    const AnsiString a = ScrambleText("secret12");
    const AnsiString b = ScrambleText("secret12");
    EXPECT_EQ(a.Length(), 82);
    EXPECT_NE(a, b);
    EXPECT_EQ(UnscrambleText(a), "secret12");
    EXPECT_EQ(UnscrambleText(b), "secret12");
}

TEST(Scrambler, TextsThatAreNoScrambledPasswordGiveNothing) {
    AnsiString good = ScrambleText("secret12");
    AnsiString changed = good;
    changed[60] = changed[60] == 'A' ? 'B' : 'A';
    const AnsiString texts[] = {"52806", good.SubString(1, 81), good + "0", changed, AnsiString(std::string(54, 'a'))};
    for (const AnsiString& t : texts) EXPECT_EQ(UnscrambleText(t), "") << t;
}

}  // namespace
