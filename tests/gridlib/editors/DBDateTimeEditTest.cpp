// The date-time editor on a fixed clock and the Russian locale: the edit format grammar (mask,
// display format, errors), two-digit years, completing and clamping on exit, stepping elements,
// separator jumps in date, time and custom formats, Up offered once, the calendar, and a date-only
// edit of a DATETIME column of the real database keeping its time.
#include "gridlib/editors/DBCtrlsGxDateTime.h"

#include "EditorOnForm.h"

#include "testlib/DataTestSupport.h"
#include "testlib/DbFixture.h"
#include "rtl/TypInfo.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

class FixedClock {
public:
    explicit FixedClock(TDateTime now) { SetClockSource([now] { return now; }); }
    ~FixedClock() { SetClockSource(nullptr); }
};

struct DateTimeFixture : editortest::EditorOnForm<TDBDateTimeEditGx> {
    datatest::RussianLocale locale;
    FixedClock clock{EncodeDateTime(2026, 12, 9, 8, 0, 0, 0)};

    DateTimeFixture() : EditorOnForm(200, 150, 180) {}
    void focus() {
        edit->SetFocus();
        guitest::Pump();
        ASSERT_TRUE(edit->Focused());
    }
    TDateTime value() const { return VarToDateTime(edit->Value()); }
};

TEST_F(DateTimeFixture, EditFormatsGiveTheirMaskDisplayFormatAndText) {
    EXPECT_EQ(edit->Kind(), dtkDateGx);
    struct Case {
        TDateTimeKindGx kind;
        const char* format;  // custom formats only
        const char* editFormat;
        const char* mask;
        const char* display;
        const char* text;  // of 9 December 2026 14:05:07
    } cases[] = {
        {dtkDateGx, "", "DD/MM/YYYY", "!99/99/9999;1; ", "DD/MM/YYYY", "09.12.2026"},
        {dtkTimeGx, "", "HH:NN:SS", "!99:99:99;1; ", "HH:NN:SS", "14:05:07"},
        {dtkDateTimeGx, "", "DD/MM/YYYY HH:NN:SS", "!99/99/9999 99:99:99;1; ", "DD/MM/YYYY' 'HH:NN:SS",
         "09.12.2026 14:05:07"},
        {dtkCustomGx, "yyyy-mm-dd hh\\hnn", "yyyy-mm-dd hh\\hnn", "!9999-99-99 99h99;1; ", "YYYY'-'MM'-'DD' 'HH'h'NN",
         "2026-12-09 14h05"},
        {dtkCustomGx, "DD 'A' MM", "DD 'A' MM", "!99 '\\A' 99;1; ", "DD' ''A'' 'MM", "09 'A' 12"},
    };
    for (const Case& c : cases) {
        if (c.kind == dtkCustomGx) edit->SetEditFormat(c.format);
        else edit->SetKind(c.kind);
        edit->SetValue(VarFromDateTime(EncodeDateTime(2026, 12, 9, 14, 5, 7, 0)));
        EXPECT_EQ(edit->EditFormat(), c.editFormat) << c.editFormat;
        EXPECT_EQ(edit->EditMask(), c.mask) << c.editFormat;
        EXPECT_EQ(edit->DateTimeFormat(), c.display) << c.editFormat;
        EXPECT_EQ(edit->Text(), c.text) << c.editFormat;
    }

    // A bad format raises and leaves the editor as it was.
    struct Bad {
        const char* format;
        const char* message;
    } bad[] = {
        {"DD/MM/YYY", "Invalid datetime format element length: \"Y\""},
        {"DDD", "Element in EditFormat: \"DDD\" is too long. Pos: 3"},
        {"dd/mm/yyyyy", "Element in EditFormat: \"dd/mm/yyyyy\" is too long. Pos: 11"},
        {"DD/MM/DD", "Duplicating datetime format element: \"D\""},
        {"H:NN", "Invalid datetime format element length: \"H\""},
    };
    for (const Bad& b : bad) {
        try {
            edit->SetEditFormat(b.format);
            ADD_FAILURE() << b.format;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), b.message);
        }
        EXPECT_EQ(edit->EditFormat(), "DD 'A' MM");
    }

    // A form keeps the kind, or the format of a custom editor, and a value of the editor's own.
    auto stored = [&](const char* name) { return IsStoredProp(edit, GetPropInfo(edit, name)); };
    EXPECT_FALSE(stored("Kind"));
    EXPECT_TRUE(stored("EditFormat"));
    EXPECT_TRUE(stored("Value"));
    edit->SetKind(dtkTimeGx);
    edit->SetValue(Null());
    EXPECT_TRUE(stored("Kind"));
    EXPECT_FALSE(stored("EditFormat"));
    EXPECT_FALSE(stored("Value"));

    // Two-digit years from the short date format.
    FormatSettings().ShortDateFormat = "yy/mm/dd";
    auto* two = new TDBDateTimeEditGx(form);
    two->SetParent(form);
    two->SetBounds(10, 50, 180, 21);
    EXPECT_EQ(two->EditFormat(), "YY/MM/DD");
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    two->SetKind(dtkDateTimeGx);
    focus();  // a changed locale takes effect on the next entry
    two->SetFocus();
    guitest::Pump();
    EXPECT_EQ(two->EditFormat(), "MM/DD/YYYY HH:NN:SS");
}

TEST(DateTimeYears, TwoDigitYearsFallIntoTheWindowAroundTheCurrentYear) {
    FixedClock clock(EncodeDate(2010, 6, 1));
    struct Case {
        int typed, year;
    } cases[] = {{49, 2049}, {50, 1950}, {0, 2000}, {99, 1999}, {100, 100}, {2100, 2100}};
    for (const Case& c : cases) EXPECT_EQ(ExpandTwoDigitYear(c.typed), c.year) << c.typed;
}

TEST_F(DateTimeFixture, LeavingCompletesFromTodayAndClampsWhatIsOutOfRange) {
    struct Case {
        const char* format;
        const char* typed;
        const char* shown;  // after leaving
    } cases[] = {
        {"DD/MM/YYYY", "05", "05.12.2026"},           // today's month and year
        {"DD/MM/YYYY", "310221", "28.02.2021"},       // the month's last day
        {"DD/MM/YYYY", "011349", "01.12.2049"},       // month 12 at most, two digits typed for the year
        {"DD/MM/YY", "010250", "01.02.50"},           // 1950 shown in two digits
        {"HH:NN:SS", "257070", "23:59:59"},
        {"DD/MM/YYYY HH:NN", "0101202699", "01.01.2026 23:00"},
    };
    for (const Case& c : cases) {
        edit->SetEditFormat(c.format);
        edit->SetValue(Null());
        focus();
        edit->SetSelStart(0);
        guitest::Type(c.typed, edit);
        other->SetFocus();
        guitest::Pump();
        EXPECT_EQ(edit->Text(), c.shown) << c.format << " " << c.typed;
    }
    // Typed two-digit years fall into 1966..2065 in 2026.
    edit->SetEditFormat("DD/MM/YY");
    edit->SetText("01.02.49");
    EXPECT_EQ(DateOf(value()), EncodeDate(2049, 2, 1));  // the time stays
    edit->SetText("01.02.70");
    EXPECT_EQ(DateOf(value()), EncodeDate(1970, 2, 1));

    // Clearing the whole text stores Null.
    edit->SetKind(dtkDateGx);
    edit->SetValue(VarFromDateTime(EncodeDate(2026, 1, 2)));
    focus();
    edit->SelectAll();
    guitest::Key(VK_DELETE);
    EXPECT_TRUE(VarIsNull(edit->Value()));
    // A text that makes no date through SetText is refused with its own message.
    try {
        edit->SetText("05.  .2026");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid datetime: \"05.  .2026\"");
    }
}

TEST_F(DateTimeFixture, UpAndDownStepTheElementUnderTheCaretAndWrap) {
    struct Case {
        const char* format;
        TDateTime value;
        int caret;
        WORD key;
        const char* text;
        int selStart;
    } cases[] = {
        {"DD/MM/YYYY", EncodeDate(2026, 12, 31), 0, VK_UP, "01.12.2026", 0},
        {"DD/MM/YYYY", EncodeDate(2026, 1, 15), 3, VK_DOWN, "15.12.2026", 3},
        {"DD/MM/YYYY", EncodeDate(2026, 1, 15), 2, VK_UP, "15.02.2026", 3},  // on the separator: the next element
        {"DD/MM/YYYY", EncodeDate(2026, 1, 1), 0, VK_DOWN, "31.01.2026", 0},
        {"DD/MM/YYYY", EncodeDate(2026, 1, 1), 8, VK_UP, "01.01.2027", 6},
        {"HH:NN:SS", EncodeTime(10, 59, 0, 0), 3, VK_UP, "10:00:00", 3},
        {"HH:NN:SS", EncodeTime(0, 0, 0, 0), 1, VK_DOWN, "23:00:00", 0},
        {"DD/MM/YY", EncodeDate(1999, 5, 5), 7, VK_UP, "05.05.00", 6},
    };
    for (const Case& c : cases) {
        edit->SetEditFormat(c.format);
        edit->SetValue(VarFromDateTime(c.value));
        focus();
        edit->SetSelStart(c.caret);
        edit->SetSelLength(0);
        guitest::Key(c.key);
        EXPECT_EQ(edit->Text(), c.text) << c.format << " " << c.caret;
        EXPECT_EQ(edit->SelStart(), c.selStart) << c.format << " " << c.caret;
        EXPECT_EQ(FormatDateTime(edit->DateTimeFormat(), value()), c.text);
    }
    // The wheel steps as well.
    edit->SetEditFormat("DD/MM/YYYY");
    edit->SetValue(VarFromDateTime(EncodeDate(2026, 3, 10)));
    focus();
    edit->SetSelStart(0);
    guitest::Wheel(edit, TPoint(20, 10), 120);
    EXPECT_EQ(edit->Text(), "11.03.2026");
}

TEST_F(DateTimeFixture, UpReachesOnKeyDownOnceAndAConsumedKeyStepsNothing) {
    int calls = 0;
    bool consume = false;
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        ++calls;
        if (consume) key = 0;
    };
    edit->SetValue(VarFromDateTime(EncodeDate(2026, 3, 10)));
    focus();
    edit->SetSelStart(0);
    guitest::Key(VK_UP);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(edit->Text(), "11.03.2026");
    consume = true;
    guitest::Key(VK_DOWN);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(edit->Text(), "11.03.2026");
}

TEST_F(DateTimeFixture, ASeparatorJumpsToTheNextElementOfTheEditorsOwnFormat) {
    struct Case {
        const char* format;
        TDateTime value;
        int caret;
        const char* typed;
        int selStart, selLength;
    } cases[] = {
        {"DD/MM/YYYY", EncodeDate(2026, 3, 10), 0, ".", 3, 2},
        {"DD/MM/YYYY", EncodeDate(2026, 3, 10), 4, ".", 6, 4},
        {"DD/MM/YYYY", EncodeDate(2026, 3, 10), 7, ".", 0, 2},  // none to the right: the first element
        {"HH:NN:SS", EncodeTime(10, 20, 30, 0), 0, ":", 3, 2},
        {"HH:NN:SS", EncodeTime(10, 20, 30, 0), 4, ":", 6, 2},
        {"YYYY/MM/DD HH:NN", EncodeDateTime(2026, 3, 10, 8, 15, 0, 0), 12, ":", 14, 2},
        {"YYYY/MM/DD HH:NN", EncodeDateTime(2026, 3, 10, 8, 15, 0, 0), 1, ".", 5, 2},
    };
    for (const Case& c : cases) {
        edit->SetEditFormat(c.format);
        edit->SetValue(VarFromDateTime(c.value));
        focus();
        edit->SetSelStart(c.caret);
        edit->SetSelLength(0);
        const AnsiString before = edit->Text();
        guitest::Type(c.typed, edit);
        EXPECT_EQ(edit->Text(), before) << c.format << " " << c.caret;
        EXPECT_EQ(edit->SelStart(), c.selStart) << c.format << " " << c.caret;
        EXPECT_EQ(edit->SelLength(), c.selLength) << c.format << " " << c.caret;
    }
}

TEST_F(DateTimeFixture, TheCalendarAcceptsADayKeepingTheTimeAndEscapeKeepsTheValue) {
    edit->SetKind(dtkDateTimeGx);
    edit->SetValue(VarFromDateTime(EncodeDateTime(2026, 12, 9, 14, 30, 0, 0)));
    focus();
    ASSERT_TRUE(CaretVisible(edit->Handle()));
    std::vector<bool> closes;
    edit->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
    guitest::Key(VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->CalendarShown());
    TPopupMonthCalendarGx* cal = edit->CalendarIfMade();
    ASSERT_NE(cal, nullptr);
    EXPECT_TRUE(cal->Visible());
    EXPECT_EQ(cal->Date(), EncodeDate(2026, 12, 9));
    EXPECT_FALSE(CaretVisible(edit->Handle()));  // the calendar takes the keys
    guitest::Key(VK_RIGHT);                       // goes to the calendar
    EXPECT_EQ(cal->Date(), EncodeDate(2026, 12, 10));
    guitest::Key(VK_RETURN);
    EXPECT_FALSE(edit->CalendarShown());
    EXPECT_TRUE(CaretVisible(edit->Handle()));
    EXPECT_EQ(value(), EncodeDateTime(2026, 12, 10, 14, 30, 0, 0));
    EXPECT_EQ(edit->Text(), "10.12.2026 14:30:00");

    guitest::Key(VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->CalendarShown());
    cal->SetDate(EncodeDate(2027, 1, 5));
    guitest::Key(VK_ESCAPE);
    EXPECT_FALSE(edit->CalendarShown());
    EXPECT_EQ(value(), EncodeDateTime(2026, 12, 10, 14, 30, 0, 0));
    EXPECT_EQ(closes, (std::vector<bool>{true, false}));

    // Leaving the editor closes the calendar without accepting.
    edit->DropDown();
    ASSERT_TRUE(edit->CalendarShown());
    other->SetFocus();
    guitest::Pump();
    EXPECT_FALSE(edit->CalendarShown());
    EXPECT_EQ(value(), EncodeDateTime(2026, 12, 10, 14, 30, 0, 0));
}

class DateTimeOverDb : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        db->Exec("create table dt_scratch (ID int not null primary key, Moment datetime)");
        db->Exec("insert into dt_scratch values (1, '2026-12-09 14:30:00')");
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 100);
        edit = new TDBDateTimeEditGx(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 50, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        if (form) form->Free();
        guitest::FlushDeletes();
    }
    datatest::RussianLocale locale;
    FixedClock clock{EncodeDate(2026, 12, 11)};
    TForm* form = nullptr;
    TDBDateTimeEditGx* edit = nullptr;
    TEdit* other = nullptr;
};

TEST_F(DateTimeOverDb, ADateOnlyEditKeepsTheTimeOfTheColumn) {
    CachedDataSet c(conn.get(), "select * from dt_scratch order by ID");
    c.cds.Open();
    TDataSource src(nullptr);
    src.SetDataSet(&c.cds);
    edit->SetDataSource(&src);
    edit->SetDataField("Moment");
    EXPECT_EQ(edit->Text(), "09.12.2026");
    edit->SetFocus();
    guitest::Pump();
    edit->SetSelStart(0);
    guitest::Type("20", edit);
    other->SetFocus();
    guitest::Pump();
    ASSERT_EQ(c.cds.State(), dsEdit);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select Moment from dt_scratch where ID = 1"), "2026-12-20 14:30:00");
}

}  // namespace
