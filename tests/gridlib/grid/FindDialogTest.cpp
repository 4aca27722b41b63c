// The find dialog driven as a modal form: direction, match kind, case and display format; Ctrl
// reversing one step; starting at BOF and EOF; the pattern history; not found restoring the
// position; a grid freed while the dialog was away.
#include "GridTestSupport.h"

#include "gridlib/grid/DBGridGxFindDlgs.h"

#include <string>
#include <vector>

namespace {

struct FindDialogTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TForm* form = nullptr;
    gridtest::TestGrid* grid = nullptr;
    guitest::MessageBoxRecorder boxes;

    void SetUp() override {
        guitest::EnsureApp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.FieldDefs()->Add("Note", ftString, 20);
        cds.FieldDefs()->Add("Amount", ftFloat);
        cds.CreateDataSet();
        const char* names[] = {"alpha", "Beta", "abc", "ABC", "delta"};
        const char* notes[] = {"x", "xABCy", "gamma", "", "abc"};
        const Variant amounts[] = {Variant(1.5), Variant(2.0), Variant(1234.5), Null(), Variant(3.0)};
        for (int i = 0; i < 5; ++i) cds.AppendRecord({Variant(i + 1), Variant(names[i]), Variant(notes[i]), amounts[i]});
        cds.MergeChangeLog();
        static_cast<TNumericField*>(cds.FieldByName("Amount"))->SetDisplayFormat("# ##0.00");
        cds.First();
        source.SetDataSet(&cds);
        form = new TForm(nullptr);
        form->SetClientSize(500, 300);
        grid = new gridtest::TestGrid(form);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 480, 280);
        grid->SetDataSource(&source);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        cds.Close();
    }

    // Where the dataset and the grid stand: "record:field", or "none@record" after the message.
    std::string Where(int boxesBefore) {
        if (boxes.Count() > boxesBefore) return "none@" + std::to_string(cds.RecNo());
        TField* f = grid ? grid->SelectedField() : nullptr;
        return std::to_string(cds.RecNo()) + ":" + (f ? f->FieldName().str() : std::string("?"));
    }

    struct Options {
        const char* text = "abc";
        int kind = 0;          // any part, whole field, start of field
        int direction = 2;     // up, down, all
        bool matchCase = false;
        bool useFormat = true;
        bool allColumns = true;
    };

    // Opens the dialog on the grid, sets it up, presses "Find next" once per entry of ctrl (held
    // Ctrl or not) and closes it; the places after each press.
    std::vector<std::string> Run(const Options& o, const std::vector<bool>& ctrl,
                                 const std::function<void(TDBGridGxFindDlg*)>& before = {}) {
        std::vector<std::string> out;
        guitest::ModalDriver driver;
        driver.Then([&](TCustomForm* f) {
            auto* d = dynamic_cast<TDBGridGxFindDlg*>(f);
            ASSERT_NE(d, nullptr);
            d->cbMatchinType->SetItemIndex(o.kind);
            d->cbFindDirection->SetItemIndex(o.direction);
            d->cbCharCase->SetChecked(o.matchCase);
            d->cbUseFormat->SetChecked(o.useFormat);
            if (o.allColumns) d->cbFindIn->SetItemIndex(d->cbFindIn->Items()->Count() - 1);
            d->cbText->SetText(o.text);
            if (before) before(d);
            for (bool held : ctrl) {
                const int n = boxes.Count();
                guitest::Click(d->bFind, TPoint(5, 5), mbLeft, held ? TShiftState{ssCtrl} : 0);
                out.push_back(Where(n));
            }
            f->SetModalResult(mrCancel);
        });
        ExecuteDBGridGxFindDialogProc(grid, "", "", {}, true);
        EXPECT_EQ(driver.Shown(), 1);
        return out;
    }
    static std::vector<bool> Presses(int n) { return std::vector<bool>(static_cast<std::size_t>(n), false); }
};

TEST_F(FindDialogTest, DirectionMatchKindCaseAndFormat) {
    struct Case {
        const char* what;
        Options options;
        int startRecNo;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"any part, any case, all records",
         {},
         1,
         {"2:Note", "3:Name", "4:Name", "5:Note", "none@5"}},
        {"any part, matching case", {.matchCase = true}, 1, {"3:Name", "5:Note", "none@5"}},
        {"whole field", {.kind = 1}, 1, {"3:Name", "4:Name", "5:Note", "none@5"}},
        {"start of field, matching case", {.text = "a", .kind = 2, .matchCase = true}, 1,
         {"1:Name", "3:Name", "5:Note", "none@5"}},
        {"down from the current record", {.direction = 1}, 3, {"3:Name", "4:Name", "5:Note", "none@5"}},
        {"up from the current record", {.direction = 0}, 3, {"3:Name", "2:Note", "none@2"}},
        {"display format", {.text = "1 234", .useFormat = true}, 1, {"3:Amount", "none@3"}},
        {"stored text without the format", {.text = "1 234", .useFormat = false}, 1, {"none@1"}},
        {"stored text", {.text = "1234,5", .useFormat = false}, 1, {"3:Amount", "none@3"}},
        {"an empty pattern matches no part", {.text = ""}, 1, {"none@1"}},
        {"an empty pattern is a whole empty cell", {.text = "", .kind = 1}, 1, {"4:Note"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cds.SetRecNo(c.startRecNo);
        cds.Next();  // off the BOF mark of the first record
        cds.SetRecNo(c.startRecNo);
        EXPECT_EQ(Run(c.options, Presses(static_cast<int>(c.expected.size()))), c.expected);
    }
}

TEST_F(FindDialogTest, CtrlReversesOneStep) {
    cds.SetRecNo(3);
    Options down;
    down.direction = 1;
    EXPECT_EQ(Run(down, {false, true, false}), (std::vector<std::string>{"3:Name", "2:Note", "3:Name"}));
}

TEST_F(FindDialogTest, TheWalkEndsAtTheFirstAndLastRecordWithoutWrapping) {
    Options o;
    o.text = "a";
    // All records with Ctrl: to the first record, whose BOF mark ends the backward walk at once.
    cds.SetRecNo(3);
    EXPECT_EQ(Run(o, {true}), std::vector<std::string>{"none@3"});
    // Up from the first record: that record is examined, then the walk ends.
    cds.First();
    o.direction = 0;
    EXPECT_EQ(Run(o, Presses(2)), (std::vector<std::string>{"1:Name", "none@1"}));
    // Down from the last record likewise.
    cds.Last();
    o.direction = 1;
    EXPECT_EQ(Run(o, Presses(3)), (std::vector<std::string>{"5:Name", "5:Note", "none@5"}));
}

TEST_F(FindDialogTest, NotFoundKeepsTheRecordAndItsPlaceInTheWindow) {
    cds.SetRecNo(4);
    const int activeRecord = grid->DataLink()->ActiveRecord();
    Options o;
    o.text = "zzz";
    EXPECT_EQ(Run(o, Presses(1)), std::vector<std::string>{"none@4"});
    EXPECT_EQ(grid->DataLink()->ActiveRecord(), activeRecord);
    EXPECT_EQ(boxes.Last().Text, "Строка \"zzz\" не найдена.");
}

TEST_F(FindDialogTest, ThePatternStandsOnceInTheHistory) {
    Options o;
    for (const char* text : {"abc", "ABC", "abc", "delta"}) {
        o.text = text;
        Run(o, Presses(1));
    }
    // The dialog lives for the whole run: count this test's texts, whatever earlier searches left.
    TStrings* items = DBGridGxFindDlg->cbText->Items();
    auto occurrences = [&](const char* text) {
        int n = 0;
        for (int i = 0; i < items->Count(); ++i)
            if (AnsiCompareText(items->Strings(i), text) == 0) ++n;
        return n;
    };
    EXPECT_EQ(occurrences("abc"), 1);
    EXPECT_EQ(occurrences("delta"), 1);
}

TEST_F(FindDialogTest, TheColumnListFollowsTheGridsColumns) {
    grid->SetSelectedIndex(2);
    guitest::ModalDriver driver;
    std::vector<std::string> items;
    int chosen = -1;
    driver.Then([&](TCustomForm* f) {
        auto* d = static_cast<TDBGridGxFindDlg*>(f);
        for (int i = 0; i < d->cbFindIn->Items()->Count(); ++i) items.push_back(d->cbFindIn->Items()->Strings(i).str());
        chosen = d->cbFindIn->ItemIndex();
        EXPECT_EQ(d->SearchColumns()->Count(), 1);
        EXPECT_TRUE(d->cbText->Text().IsEmpty());
        EXPECT_EQ(d->Caption(), "Поиск");
        f->SetModalResult(mrCancel);
    });
    ExecuteDBGridGxFindDialogProc(grid, "", "", {}, true);
    EXPECT_EQ(items, (std::vector<std::string>{"ID", "Name", "Note", "Amount", "<All>"}));
    EXPECT_EQ(chosen, 2);

    // Caller-given entries without the current column's caption: "<All>" is chosen.
    TColumnFieldsArrGx entries{{"Имя", grid->Columns()->Items(1)}, {"Примечание", grid->Columns()->Items(2)}};
    guitest::ModalDriver second;
    second.Then([&](TCustomForm* f) {
        auto* d = static_cast<TDBGridGxFindDlg*>(f);
        EXPECT_EQ(d->cbFindIn->Items()->Count(), 3);
        EXPECT_EQ(d->cbFindIn->ItemIndex(), 2);
        EXPECT_EQ(d->SearchColumns()->Count(), 2);
        f->SetModalResult(mrCancel);
    });
    ExecuteDBGridGxFindDialogProc(grid, "", "", entries, true);
}

TEST_F(FindDialogTest, AGridFreedSinceTheOpeningIsNotSearched) {
    Options o;
    auto out = Run(o, {false}, [&](TDBGridGxFindDlg*) {
        delete grid;
        grid = nullptr;
    });
    EXPECT_EQ(out.size(), 1u);
    EXPECT_EQ(boxes.Last().Text, "Строка \"abc\" не найдена.");
    EXPECT_EQ(DBGridGxFindDlg->Grid(), nullptr);
    EXPECT_EQ(DBGridGxFindDlg->SearchColumns()->Count(), 0);
}

}  // namespace
