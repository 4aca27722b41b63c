// The masked edit: typing into a mask, the caret over literals, the text with and without them,
// blanks, validation and reset.
#include "gui/Forms.h"
#include "gui/Mask.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

struct MaskEditFixture : ::testing::Test {
    TForm* form = nullptr;
    TMaskEdit* edit = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(300, 100);
        edit = new TMaskEdit(form);
        edit->SetParent(form);
        guitest::ShowForm(form);
        edit->SetFocus();
    }
    void TearDown() override { form->Free(); }
};

TEST_F(MaskEditFixture, TypingFillsTheInputPositionsAndTheTextFollowsTheSections) {
    struct Case {
        const char* mask;
        const char* typed;
        const char* editText;
        const char* text;
        int caret;
        int beeps;
    } cases[] = {
        {"!99/99/0000;1;_", "12052024", "12.05.2024", "12.05.2024", 10, 0},
        {"!99/99/0000;1;_", "1.5", "1_.5_.____", "1 .5 .    ", 4, 0},  // a typed separator jumps to it
        {"000-000;0;_", "123456", "123-456", "123456", 7, 0},
        {"(999)000;1;*", "12", "(12*)***", "(12 )   ", 3, 0},
        {">LL<ll;0;_", "abCD", "ABcd", "ABcd", 4, 0},
        {"L0;1;_", "Я5", "Я5", "Я5", 2, 0},
        {"00;1;_", "x1", "1_", "1 ", 1, 1},  // a letter refused where a digit goes
        {"00;1;_", "123", "12", "12", 2, 1},  // nothing after the last position
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " <- " + c.typed);
        edit->SetEditMask(c.mask);
        edit->SetText("");
        edit->SetSelStart(0);
        ResetBeepCount();
        guitest::Type(c.typed, edit);
        EXPECT_EQ(edit->EditText(), c.editText);
        EXPECT_EQ(edit->Text(), c.text);
        EXPECT_EQ(edit->SelStart(), c.caret);
        EXPECT_EQ(BeepCount(), c.beeps);
        EXPECT_TRUE(edit->Modified());
    }
}

TEST_F(MaskEditFixture, TheCaretSkipsLiteralsAndDeletingPutsBlanksBack) {
    edit->SetEditMask("!99/99/0000;1;_");
    edit->SetText("12.05.2024");
    EXPECT_EQ(edit->EditText(), "12.05.2024");
    struct Step {
        WORD key;
        int caretBefore;
        int caretAfter;
        const char* editText;
    } steps[] = {
        {VK_LEFT, 3, 1, "12.05.2024"},   // over the separator
        {VK_RIGHT, 2, 3, "12.05.2024"},  // from before the separator to past it
        {VK_BACK, 3, 1, "1_.05.2024"},   // clears the digit before the separator
        {VK_DELETE, 5, 5, "1_.05._024"}, // the literal at the caret: the digit after it
        {VK_DELETE, 7, 7, "1_.05.__24"}, // the digit at the caret, which stays
        {VK_HOME, 7, 0, "1_.05.__24"},
        {VK_END, 0, 10, "1_.05.__24"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.key) + " at " + std::to_string(s.caretBefore));
        edit->SetSelStart(s.caretBefore);
        guitest::Key(s.key, 0, edit);
        EXPECT_EQ(edit->SelStart(), s.caretAfter);
        EXPECT_EQ(edit->EditText(), s.editText);
    }
}

TEST_F(MaskEditFixture, ValidationStopsAtARequiredBlankAndResetGivesTheOldTextBack) {
    edit->SetEditMask("00/00;1;_");
    edit->SetText("");
    edit->ValidateEdit();  // untouched: nothing to check
    edit->SetSelStart(0);
    guitest::Type("1", edit);
    try {
        edit->ValidateEdit();
        ADD_FAILURE() << "an unfilled required position passed";
    } catch (const EDBEditError&) {
        EXPECT_EQ(edit->SelStart(), 1) << "the caret goes to the blank";
    }
    edit->SetEditMask("99/00;1;_");
    edit->SetEditText("__.__");
    edit->SetModified(true);
    EXPECT_THROW(edit->ValidateEdit(), EDBEditError) << "the optional digits may stay blank, the required not";
    edit->SetEditText("__.12");
    edit->SetModified(true);
    EXPECT_NO_THROW(edit->ValidateEdit());

    edit->SetText("12.34");
    edit->SetSelStart(0);
    guitest::Type("99", edit);
    EXPECT_EQ(edit->EditText(), "99.34");
    edit->Reset();
    EXPECT_EQ(edit->EditText(), "12.34");
    EXPECT_FALSE(edit->Modified());
    // Without a mask it is a plain edit.
    edit->SetEditMask("");
    edit->SetText("");
    guitest::Type("abc", edit);
    EXPECT_EQ(edit->Text(), "abc");
    EXPECT_EQ(edit->EditText(), "abc");
}

TEST(MaskUtils, FormatSaveAndBlankSections) {
    struct Case {
        const char* mask;
        const char* value;
        const char* shown;
        bool save;
        char blank;
    } cases[] = {
        {"00/00;0;_", "1503", "15.03", false, '_'},
        {"00/00;1;_", "15.03", "15.03", true, '_'},
        {"(999)000-0000;0;*", "1234567", "(123)456-7***", false, '*'},
        {"\\;00;1", "12", ";12", true, '_'},  // an escaped ';' is a literal, not a section
        {"", "as is", "as is", true, '_'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(FormatMaskText(c.mask, c.value), c.shown);
        EXPECT_EQ(MaskGetMaskSave(c.mask), c.save);
        EXPECT_EQ(MaskGetMaskBlank(c.mask), c.blank);
    }
}

}  // namespace
