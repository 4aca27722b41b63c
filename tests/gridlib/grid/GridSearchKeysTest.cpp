// Keys on a running incremental search, typed through the application into a shown grid: the
// clipboard's text appended by Ctrl+V and Shift+Insert, Backspace taking back whole UTF-8
// characters and restarting the time-out without searching again; and a size change held back by
// an update, run when the next selection step ends.
#include "GridTestSupport.h"
#include "GridTimerClock.h"

#include "gui/Clipbrd.h"
#include "gui/Forms.h"

namespace {

struct SearchKeysTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    std::unique_ptr<gridtest::TestGrid> grid = std::make_unique<gridtest::TestGrid>(nullptr);

    void SetUp() override {
        guitest::EnsureApp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.CreateDataSet();
        const char* names[] = {"Abc", "aBd", "xyz", "Щука"};
        for (int i = 0; i < 4; ++i) cds.AppendRecord({Variant(i + 1), Variant(names[i])});
        cds.MergeChangeLog();
        cds.First();
        source.SetDataSet(&cds);
        form->SetClientSize(420, 220);
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 420, 220);
        grid->SetOptionsGx(grid->OptionsGx() | dghIncSearch);
        grid->SetDataSource(&source);
        grid->SetSelectedIndex(1);
        guitest::ShowForm(form.get());
        grid->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    }
    void TearDown() override {
        grid->SetParent(nullptr);
        grid.reset();
        form.reset();
        cds.Close();
        guitest::Pump();
    }
    void Key(WORD vk, TShiftState shift = 0) { guitest::Key(vk, shift, grid.get()); }
    std::string Name() { return cds.FieldByName("Name")->AsString().str(); }
};

TEST_F(SearchKeysTest, ClipboardTextAndBackspaceWorkOnTheSearchText) {
    struct Step {
        const char* what;
        const char* clipboard;  // set before the key when not null
        WORD key;
        TShiftState shift;
        bool searching;
        const char* text;
        const char* record;
    };
    const Step steps[] = {
        {"Ctrl+V outside a search", "ab", 'V', ssCtrl, false, "", "Abc"},
        {"Ctrl+F starts one", nullptr, 'F', ssCtrl, true, "", "Abc"},
        {"Ctrl+V appends the clipboard", "ab", 'V', ssCtrl, true, "Ab", "Abc"},
        {"the next match", nullptr, VK_RETURN, ssCtrl, true, "aB", "aBd"},
        {"Backspace does not search again", nullptr, VK_BACK, 0, true, "a", "aBd"},
        {"Esc ends it", nullptr, VK_ESCAPE, 0, false, "", "aBd"},
        {"Ctrl+F", nullptr, 'F', ssCtrl, true, "", "aBd"},
        {"Shift+Insert appends the clipboard", "щу", VK_INSERT, ssShift, true, "Щу", "Щука"},
        {"a two-byte letter goes whole", nullptr, VK_BACK, 0, true, "Щ", "Щука"},
        {"the last letter", nullptr, VK_BACK, 0, true, "", "Щука"},
        {"nothing left to take", nullptr, VK_BACK, 0, true, "", "Щука"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.clipboard) Clipboard()->SetAsText(s.clipboard);
        Key(s.key, s.shift);
        EXPECT_EQ(grid->InplaceSearching(), s.searching);
        EXPECT_EQ(grid->InplaceSearchText(), s.text);
        EXPECT_EQ(Name(), s.record);
    }
}

TEST_F(SearchKeysTest, BackspaceRestartsTheTimeOut) {
    gridtest::TimerClock clock;
    grid->StartInplaceSearch("ab", 1500, inpsFromFirstGx);
    ASSERT_EQ(grid->InplaceSearchText(), "Ab");
    clock.Advance(1000);
    Key(VK_BACK);
    EXPECT_EQ(grid->InplaceSearchText(), "A");
    clock.Advance(1499);
    EXPECT_TRUE(grid->InplaceSearching()) << "1500 ms from the Backspace, not from the typing";
    clock.Advance(1);
    EXPECT_FALSE(grid->InplaceSearching());
}

TEST_F(SearchKeysTest, ASizeChangeHeldBackByAnUpdateRunsWhenTheNextSelectionStepEnds) {
    grid->BeginUpdate();
    grid->SetBounds(0, 0, 420, 200);
    grid->EndUpdate();
    ASSERT_TRUE(grid->SizeChangedPending());
    const int before = grid->passes;
    grid->DoSelection(false, 1, false, true);
    EXPECT_FALSE(grid->SizeChangedPending());
    EXPECT_GT(grid->passes, before);
    EXPECT_EQ(Name(), "aBd");
}

}  // namespace
