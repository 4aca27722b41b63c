// The main window's log timer: the daily file it writes and the notice windows the entries' flags ask
// for.
#include "core/EventLog.h"

#include "AppTestSupport.h"

#include "app/Main.h"
#include "core/ShowError.h"
#include "gui/WinApi.h"
#include "rtl/Classes.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

using apptest::ReadFile;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back(text.substr(pos) + "<no CR LF>");
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

class LogTimerTest : public apptest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testlib::TakeEvents();
    }
    void TearDown() override {
        testlib::TakeEvents();
        MainWindowTest::TearDown();
    }
    std::string LogFile(TDateTime day) const { return DailyLogFileName(day).str(); }
};

TEST_F(LogTimerTest, WritesTenEntriesATickInPostingOrder) {
    const TDateTime day = EncodeDateTime(2010, 12, 8, 14, 3, 27, 0);
    SetClockSource([day] { return day; });
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(PostEvent(AnsiString("event ") + IntToStr(i), 0));
    form->TimerGetLogTimer(form);
    EXPECT_EQ(Lines(ReadFile(LogFile(day))).size(), 10u);
    for (int tick = 1; tick < 40; ++tick) form->TimerGetLogTimer(form);
    const auto lines = Lines(ReadFile(LogFile(day)));
    ASSERT_EQ(lines.size(), 400u);
    for (int i = 0; i < 400; ++i) {
        const std::string prefix = std::to_string(i + 1) + " | ";
        EXPECT_EQ(lines[i].substr(0, prefix.size()), prefix);
        EXPECT_NE(lines[i].find(" | 08.12.2010 | 14:03:27 | event " + std::to_string(i)), std::string::npos) << lines[i];
    }
    EXPECT_EQ(form->LogLineCount, 400);
    form->TimerGetLogTimer(form);  // nothing left: nothing written
    EXPECT_EQ(Lines(ReadFile(LogFile(day))).size(), 400u);
}

TEST_F(LogTimerTest, AnEntryPostedBeforeMidnightGoesIntoTheNewDaysFile) {
    const TDateTime before = EncodeDateTime(2010, 12, 8, 23, 59, 59, 0);
    const TDateTime after = EncodeDateTime(2010, 12, 9, 0, 0, 1, 0);
    SetClockSource([before] { return before; });
    PostEvent("late", 0);
    PostEvent("", 0);
    SetClockSource([after] { return after; });
    form->TimerGetLogTimer(form);
    EXPECT_FALSE(FileExists(LogFile(before)));
    const auto lines = Lines(ReadFile(LogFile(after)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(" | 08.12.2010 | 23:59:59 | late"), std::string::npos) << lines[0];
    // An empty text ends the line in the separator.
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), " | ");
    EXPECT_EQ(lines[1].substr(0, 4), "2 | ");
}

TEST_F(LogTimerTest, LinesAreAppendedToAnExistingFileAndNumberedAcrossDays) {
    const TDateTime day1 = EncodeDateTime(2010, 12, 8, 12, 0, 0, 0);
    const TDateTime day2 = day1 + 1;
    ForceDirectories(EventLogDir());
    apptest::WriteFile(LogFile(day1), "old line\r\n");
    SetClockSource([day1] { return day1; });
    PostEvent("first", 0);
    form->TimerGetLogTimer(form);
    SetClockSource([day2] { return day2; });
    PostEvent("second", 0);
    form->TimerGetLogTimer(form);
    const auto lines1 = Lines(ReadFile(LogFile(day1)));
    ASSERT_EQ(lines1.size(), 2u);
    EXPECT_EQ(lines1[0], "old line");
    EXPECT_EQ(lines1[1].substr(0, 4), "1 | ");
    const auto lines2 = Lines(ReadFile(LogFile(day2)));
    ASSERT_EQ(lines2.size(), 1u);
    EXPECT_EQ(lines2[0].substr(0, 4), "2 | ");
}

TEST_F(LogTimerTest, AnUnwritableFolderLosesTheLineButCountsIt) {
    // A file where the folder should be: neither root nor anyone else can write the log there.
    apptest::WriteFile(EventLogDir().str(), "not a folder");
    PostEvent("lost", 0);
    PostEvent("lost too", 0);
    form->TimerGetLogTimer(form);
    EXPECT_EQ(form->LogLineCount, 2);
    EXPECT_EQ(EventFIFO.GetCount(), 0);
    EXPECT_FALSE(AppendDailyLog("direct"));
}

// ---- Notice windows --------------------------------------------------------------------------------

TEST_F(LogTimerTest, FlagsAskForTheSharedBlueWindowOrANewRedOne) {
    ShowErrorForm = NewForm<TShowErrorForm>(nullptr);
    const int ownedBefore = form->ComponentCount();

    PostEvent("to the shared window", 0x0001);
    form->TimerGetLogTimer(form);
    EXPECT_TRUE(ShowErrorForm->Visible());
    EXPECT_EQ(ShowErrorForm->Color(), clBlue);
    EXPECT_EQ(ShowErrorForm->Label3->Caption(), "to the shared window");
    EXPECT_EQ(ShowErrorForm->Flags, 0x0001);
    EXPECT_EQ(form->ComponentCount(), ownedBefore);

    PostEvent("a window of its own", 0x0181);
    form->TimerGetLogTimer(form);
    ASSERT_EQ(form->ComponentCount(), ownedBefore + 1);
    auto* own = dynamic_cast<TShowErrorForm*>(form->Components(form->ComponentCount() - 1));
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->Visible());
    EXPECT_EQ(own->Color(), clRed);
    EXPECT_EQ(own->Label3->Caption(), "a window of its own");
    // Normally spread around (320, 200); six deviations out would be a fault, not chance.
    EXPECT_NEAR(own->Left(), 320, 150);
    EXPECT_NEAR(own->Top(), 200, 90);
    // The shared window kept its entry.
    EXPECT_EQ(ShowErrorForm->Label3->Caption(), "to the shared window");

    // Entries without bit 0 only go to the file.
    PostEvent("file only", 0x0180);
    form->TimerGetLogTimer(form);
    EXPECT_EQ(form->ComponentCount(), ownedBefore + 1);
    EXPECT_EQ(form->LogLineCount, 3);

    ShowErrorForm->Free();
    ShowErrorForm = nullptr;
}

TEST_F(LogTimerTest, NoticeShowsTheTimeWithTheShortMonthAndHidesOnItsButton) {
    ShowErrorForm = NewForm<TShowErrorForm>(nullptr);
    ShowNotice(ShowErrorForm, "text", EncodeDateTime(2010, 12, 8, 14, 3, 27, 0), 0x0081);
    EXPECT_EQ(ShowErrorForm->Label2->Caption(), "08 дек 2010 в 14:03:27");
    EXPECT_EQ(ShowErrorForm->Color(), clRed);
    EXPECT_EQ(ShowErrorForm->Caption(), "Внимание");
    EXPECT_EQ(ShowErrorForm->ClientWidth(), 399);
    EXPECT_EQ(ShowErrorForm->ClientHeight(), 184);
    ShowErrorForm->ButHide->Click();
    EXPECT_FALSE(ShowErrorForm->Visible());
    // The re-show timer leaves a hidden window hidden.
    ShowErrorForm->Timer1Timer(ShowErrorForm->Timer1);
    EXPECT_FALSE(ShowErrorForm->Visible());
    ShowErrorForm->Free();
    ShowErrorForm = nullptr;
}

}  // namespace
