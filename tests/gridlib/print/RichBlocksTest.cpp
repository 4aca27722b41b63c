// The rich-text blocks of a grid print (lines at their edges, streams in both formats, replacing
// markers) and the print setup dialog filled, read back and cancelled.
#include "gridlib/print/PrnDbggx.h"
#include "gridlib/print/PrnDgDlg.h"

#include "rtl/Streams.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const TRichEditStrings& s) {
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i).str());
    return out;
}

using V = std::vector<std::string>;

TEST(RichEditStrings, LineOperationsAtTheEdges) {
    guitest::EnsureApp();
    struct Case {
        const char* name;
        const char* text;
        std::function<void(TRichEditStrings&)> op;
        V lines;
    };
    const Case cases[] = {
        {"empty has no lines", "", [](TRichEditStrings&) {}, {}},
        {"an empty last line does not count", "a\r\nb\r\n", [](TRichEditStrings&) {}, {"a", "b"}},
        {"insert before the first", "a\r\nb", [](TRichEditStrings& s) { s.Insert(0, "x"); }, {"x", "a", "b"}},
        {"insert into an empty block", "", [](TRichEditStrings& s) { s.Insert(0, "x"); }, {"x"}},
        {"insert at the count appends", "a\r\nb", [](TRichEditStrings& s) { s.Insert(2, "x"); }, {"a", "b", "x"}},
        {"insert at the count before an empty last line", "a\r\n", [](TRichEditStrings& s) { s.Insert(1, "x"); },
         {"a", "x"}},
        {"insert after an empty last line does nothing", "a\r\n\r\n",
         [](TRichEditStrings& s) { s.Insert(3, "x"); }, {"a", ""}},
        {"insert beyond does nothing", "a", [](TRichEditStrings& s) { s.Insert(5, "x"); }, {"a"}},
        {"negative indexes do nothing", "a\r\nb",
         [](TRichEditStrings& s) {
             s.Insert(-1, "x");
             s.Put(-1, "x");
             s.Delete(-1);
         },
         {"a", "b"}},
        {"put replaces one line", "a\r\nb\r\nc", [](TRichEditStrings& s) { s.Put(1, "Строка"); }, {"a", "Строка", "c"}},
        {"put on a missing line does nothing", "a", [](TRichEditStrings& s) { s.Put(3, "x"); }, {"a"}},
        {"delete the first", "a\r\nb\r\nc", [](TRichEditStrings& s) { s.Delete(0); }, {"b", "c"}},
        {"delete the last leaves its break", "a\r\nb", [](TRichEditStrings& s) { s.Delete(1); }, {"a"}},
        {"delete a missing line does nothing", "a", [](TRichEditStrings& s) { s.Delete(4); }, {"a"}},
        {"add appends", "a", [](TRichEditStrings& s) { s.Add("b"); }, {"a", "b"}},
        {"clear", "a\r\nb", [](TRichEditStrings& s) { s.Clear(); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRichEditStrings s;
        s.SetTextStr(c.text);
        c.op(s);
        EXPECT_EQ(Lines(s), c.lines);
    }
}

TEST(RichEditStrings, StreamsLoadBackAndPlainTextOnTheSecondTry) {
    guitest::EnsureApp();
    TRichEditStrings block;
    block.SetTextStr("Журнал ПУФ\r\nс [StartTime] по [StopTime]");
    block.Document().SetSelection(0, block.Document().LineLength(0));
    block.Document().SetSelectionFormat({"Times New Roman", 18, TFontStyles{fsBold}, clBlack});
    block.Document().SetSelectionAlignment(raCenter);
    TStringStream out;
    block.SaveToStream(&out);
    EXPECT_EQ(out.DataString().str().rfind("{\\rtf1", 0), 0u);

    TRichEditStrings back;
    TStringStream in(out.DataString());
    back.LoadFromStream(&in);
    EXPECT_EQ(Lines(back), Lines(block));
    EXPECT_EQ(back.Document().FormatAt(0).Size, 18);
    EXPECT_EQ(back.Document().AlignmentOfLine(0), raCenter);

    // A plain text stream given to a rich-text list, read from where the stream stood.
    TStringStream plain("xxПервая\r\nВторая\nТретья\r");
    plain.Seek(2, soBeginning);
    TRichEditStrings fallback;
    fallback.LoadFromStream(&plain);
    EXPECT_EQ(Lines(fallback), (V{"Первая", "Вторая", "Третья"}));

    // A plain-text list writes and reads plain text.
    TRichEditStrings text;
    text.PlainText = true;
    text.SetTextStr("один\r\nдва");
    TStringStream plainOut;
    text.SaveToStream(&plainOut);
    EXPECT_EQ(plainOut.DataString(), "один\r\nдва");
}

TEST(RichEditStrings, ReplaceAllGoesOnAfterTheInsertedText) {
    guitest::EnsureApp();
    struct Case {
        const char* text;
        const char* find;
        const char* replace;
        bool all;
        int count;
        V lines;
    };
    const Case cases[] = {
        {"с [StartTime] по [StopTime]", "[starttime]", "01.03.2010 08:00", true, 1, {"с 01.03.2010 08:00 по [StopTime]"}},
        // A replacement holding its own search text ends.
        {"[X] и [x]", "[X]", "<[X]>", true, 2, {"<[X]> и <[X]>"}},
        {"[X] и [X]", "[X]", "1", false, 1, {"1 и [X]"}},
        {"нет меток", "[X]", "1", true, 0, {"нет меток"}},
        {"[A]\r\n[a][A]", "[A]", "", true, 3, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TRichEditStrings s;
        s.SetTextStr(c.text);
        EXPECT_EQ(GridTextReplace(&s, c.find, c.replace, 0, -1, 0, c.all), c.count);
        EXPECT_EQ(Lines(s), c.lines);
    }
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        page.TopMargin = Currency(1.5);
        page.LeftMargin = Currency(1);
        page.RightMargin = Currency(1);
        options = TPrintDBGridGxOptions{pghColored};
        font = "Arial";
    }
    TPageParams page;
    TPrintDBGridGxOptions options;
    AnsiString font;
};

TEST_F(SetupDialogTest, FilledAndReadBackOnOk) {
    guitest::ModalDriver modal;
    bool fitEnabledAtFirst = true, fitEnabledAfterCheck = false;
    AnsiString top;
    modal.Then([&](TCustomForm* f) {
        auto* d = dynamic_cast<TfPrnDBGridGxSetupDialog*>(f);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Caption(), "Настройка принтера");
        top = d->seUpMargin->Text();
        EXPECT_TRUE(d->cbColored->Checked());
        EXPECT_FALSE(d->cbFitWidthToPage->Checked());
        EXPECT_EQ(d->ePrintFont->Text(), "Arial");
        fitEnabledAtFirst = d->rgFitingType->Enabled();
        d->cbFitWidthToPage->SetChecked(true);
        d->cbFitWidthToPage->Click();
        fitEnabledAfterCheck = d->rgFitingType->Enabled();
        d->rgFitingType->SetItemIndex(1);
        d->seLowMargin->SetText(FormatFloat("0.##", 2.25));
        d->cbColored->SetChecked(false);
        d->cbOptimalColWidths->SetChecked(true);
        d->SetModalResult(mrOk);
    });
    ASSERT_TRUE(ExecutePrnDBGridGxSetupDialog(page, options, font));
    EXPECT_EQ(modal.Shown(), 1);
    EXPECT_EQ(top, FormatFloat("0.#", 1.5));
    EXPECT_FALSE(fitEnabledAtFirst);
    EXPECT_TRUE(fitEnabledAfterCheck);
    EXPECT_EQ(page.BottomMargin, Currency(2.25));
    EXPECT_EQ(page.TopMargin, Currency(1.5));
    EXPECT_EQ(options, (TPrintDBGridGxOptions{pghFitGridToPageWidth, pghFitingByColWidths, pghOptimalColWidths}));
    EXPECT_EQ(font, "Arial");
}

TEST_F(SetupDialogTest, CancelChangesNothingAndTheFontButtonTakesTheFace) {
    guitest::ModalDriver modal;
    guitest::DialogDriver dialogs;
    dialogs.Accept([](TCommonDialog* d) {
        auto* fd = dynamic_cast<TFontDialog*>(d);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->Font()->Name(), "Arial");
        fd->Font()->SetName("Times New Roman");
        fd->Font()->SetSize(20);
    });
    AnsiString fontAfterButton;
    modal.Then([&](TCustomForm* f) {
        auto* d = dynamic_cast<TfPrnDBGridGxSetupDialog*>(f);
        d->bPrintFont->Click();
        fontAfterButton = d->ePrintFont->Text();
        d->seUpMargin->SetText("9");
        d->SetModalResult(mrCancel);
    });
    EXPECT_FALSE(ExecutePrnDBGridGxSetupDialog(page, options, font));
    EXPECT_EQ(dialogs.DialogsShown(), 1);
    EXPECT_EQ(fontAfterButton, "Times New Roman");
    EXPECT_EQ(page.TopMargin, Currency(1.5));
    EXPECT_EQ(font, "Arial");
    EXPECT_EQ(options, TPrintDBGridGxOptions{pghColored});
}

TEST_F(SetupDialogTest, MarginThatIsNoNumberIsRejected) {
    guitest::ModalDriver modal;
    modal.Then([&](TCustomForm* f) {
        auto* d = dynamic_cast<TfPrnDBGridGxSetupDialog*>(f);
        d->seUpMargin->SetText("3");
        d->seLowMargin->SetText("два");
        EXPECT_THROW(d->seMarginExit(d->seLowMargin), EConvertError);
        d->seLeftMargin->SetText("4");
        d->SetModalResult(mrOk);
    });
    EXPECT_THROW(ExecutePrnDBGridGxSetupDialog(page, options, font), EConvertError);
    // Read back up to the bad margin.
    EXPECT_EQ(page.TopMargin, Currency(3));
    EXPECT_EQ(page.LeftMargin, Currency(1));
}

}  // namespace
