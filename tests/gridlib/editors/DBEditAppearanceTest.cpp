// What the edit control shows: the button strip's geometry, its own painting while unfocused
// against the native picture while focused, the required mark, the button press protocol, a
// button's menu, the MRU list, and tool tips for text that does not fit.
#include "gridlib/editors/DBCtrlsGx.h"

#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct AppearanceFixture : ::testing::Test {
    TForm* form = nullptr;
    TDBEditGx* edit = nullptr;
    TEdit* other = nullptr;

    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(320, 160);
        edit = new TDBEditGx(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 200, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 120, 100, 21);
        guitest::ShowForm(form);
        other->SetFocus();
        guitest::Pump();
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
    TEditButtonControlGx* control(int i) const {
        return edit->EditButtonControls()[static_cast<std::size_t>(i)].EditButtonControl;
    }
    TShape* line(int i) const { return edit->EditButtonControls()[static_cast<std::size_t>(i)].ButtonLine; }
};

TEST_F(AppearanceFixture, ButtonStripGeometry) {
    // Nothing visible: no width and no height.
    EXPECT_EQ(edit->ButtonWidth(), 0);
    EXPECT_EQ(edit->ButtonHeight(), 0);
    EXPECT_EQ(control(0)->Height(), 0);

    edit->EditButton()->SetVisible(true);
    EXPECT_EQ(control(0)->Width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(edit->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(control(0)->Left(), edit->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(control(0)->Height(), edit->ClientHeight());
    EXPECT_FALSE(line(0)->Visible());

    edit->SetFlat(true);
    EXPECT_EQ(control(0)->Width(), FlatButtonWidth);
    EXPECT_TRUE(line(0)->Visible());
    EXPECT_EQ(line(0)->Width(), 1);
    EXPECT_EQ(edit->ButtonWidth(), FlatButtonWidth + 1);
    EXPECT_EQ(line(0)->Left(), control(0)->Left() - 1);
    edit->SetFlat(false);

    // Two more buttons: the last at the outer edge, the main one next to the text.
    TEditButtonGx* a = edit->EditButtons()->Add();
    TEditButtonGx* b = edit->EditButtons()->Add();
    a->SetWidth(12);
    b->SetWidth(14);
    ASSERT_EQ(edit->EditButtonControls().size(), 3u);
    EXPECT_EQ(control(2)->Left() + control(2)->Width(), edit->ClientWidth());
    EXPECT_EQ(control(1)->Left() + control(1)->Width(), control(2)->Left());
    EXPECT_EQ(control(0)->Left() + control(0)->Width(), control(1)->Left());
    EXPECT_EQ(edit->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL) + 12 + 14);
    b->SetVisible(false);
    EXPECT_EQ(control(2)->Width(), 0);
    EXPECT_EQ(edit->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL) + 12);
    edit->EditButtons()->Clear();
    EXPECT_EQ(edit->EditButtonControls().size(), 1u);

    // A tall editor: a 16-pixel button keeps its own height once the area passes 24.
    edit->SetAutoSize(false);
    edit->EditButton()->SetWidth(16);
    struct Case {
        int height;
        int buttonHeight;
    } cases[] = {{24, 24}, {25, DefaultEditButtonHeight(16, false)}, {40, DefaultEditButtonHeight(16, false)}};
    for (const Case& c : cases) {
        edit->SetHeight(c.height);
        EXPECT_EQ(edit->ButtonHeight(), c.buttonHeight) << c.height;
    }
}

TEST_F(AppearanceFixture, ImageAreaTakesTheListWidthAndFourPixels) {
    TImageList images(nullptr);
    images.SetWidth(16);
    images.SetHeight(16);
    edit->SetImages(&images);
    EXPECT_TRUE(edit->EditImage()->Visible());
    EXPECT_EQ(edit->ImageWidth(), 20);
    EXPECT_EQ(edit->ImageRect(), TRect(0, 0, 20, edit->ClientHeight()));
    EXPECT_EQ(edit->EditRect().Left, 20);
    TRect r = edit->ClientRect();
    edit->CalcEditRect(r);
    EXPECT_EQ(r.Left, 20);
    edit->EditImage()->SetWidth(8);
    EXPECT_EQ(edit->ImageWidth(), 12);
    edit->SetImages(nullptr);
}

// The columns of the picture where the text (dark pixels) lies, on the middle rows.
std::pair<int, int> darkColumns(const QImage& img, int from, int to) {
    int first = -1, last = -1;
    for (int x = from; x < to; ++x)
        for (int y = 3; y < img.height() - 3; ++y)
            if (qGray(img.pixel(x, y)) < 100) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(AppearanceFixture, UnfocusedCentredTextIsCentredInTheTextAreaAndPasswordsAreMasked) {
    TImageList images(nullptr);
    images.SetWidth(40);
    images.SetHeight(16);
    edit->SetImages(&images);
    edit->EditButton()->SetVisible(true);
    edit->SetAlignment(taCenter);
    edit->SetText("WWW");
    const TRect er = edit->EditRect();
    QImage img = guitest::Grab(edit);
    auto [first, last] = darkColumns(img, er.Left + 2, er.Right - 2);
    ASSERT_GE(first, 0);
    const int textMiddle = (first + last) / 2;
    EXPECT_NEAR(textMiddle, (er.Left + er.Right) / 2, 3);

    // A password shows as many password characters, whatever the text is.
    edit->SetPasswordChar('*');
    edit->SetText("iiii");
    const QImage a = guitest::Grab(edit);
    edit->SetText("MMMM");
    const QImage b = guitest::Grab(edit);
    EXPECT_TRUE(a == b);
    EXPECT_GE(darkColumns(a, er.Left, er.Right).first, 0);

    // Focused, the native edit paints (left-aligned single line): the text moves to the left.
    edit->SetPasswordChar(0);
    edit->SetText("WWW");
    edit->SetFocus();
    guitest::Pump();
    ASSERT_TRUE(edit->Focused());
    edit->SelectAll();
    edit->Perform(EM_SETSEL, 3, 3);
    QImage focused = guitest::Grab(edit);
    auto [ffirst, flast] = darkColumns(focused, er.Left, er.Right - 2);
    ASSERT_GE(ffirst, 0);
    EXPECT_LT(ffirst, first - 10);
    (void)flast;
}

int redOnRow(const QImage& img, int y) {
    int n = 0;
    for (int x = 0; x < img.width(); ++x) {
        QColor c = img.pixelColor(x, y);
        if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++n;
    }
    return n;
}

TEST_F(AppearanceFixture, TheRequiredMarkShowsOnlyWhileTheEmptyRequiredFieldIsEdited) {
    TClientDataSet ds(nullptr);
    ds.FieldDefs()->Add("Name", ftString, 20, true);
    ds.CreateDataSet();
    TDataSource src(nullptr);
    src.SetDataSet(&ds);
    edit->SetDataSource(&src);
    edit->SetDataField("Name");
    edit->SetHighlightRequired(true);
    EXPECT_EQ(redOnRow(guitest::Grab(edit), edit->ClientHeight() - 1), 0);  // browsing an empty dataset
    ds.Insert();
    guitest::Pump();
    const int inserting = redOnRow(guitest::Grab(edit), edit->ClientHeight() - 1);
    EXPECT_GT(inserting, 20);
    EXPECT_LT(inserting, edit->ClientWidth() - 10);  // dotted
    // The application may decide otherwise.
    edit->OnCheckDrawRequiredState = [](TObject*, bool& draw) { draw = false; };
    edit->Invalidate();
    EXPECT_EQ(redOnRow(guitest::Grab(edit), edit->ClientHeight() - 1), 0);
    edit->OnCheckDrawRequiredState = TOnCheckDrawRequiredStateEventGx();
    ds.FieldByName("Name")->SetAsString("x");
    edit->Invalidate();
    EXPECT_EQ(redOnRow(guitest::Grab(edit), edit->ClientHeight() - 1), 0);
    ds.Cancel();
    edit->SetDataSource(nullptr);
}

TEST_F(AppearanceFixture, TheFlatBorderIsDrawnOverTheEdgeWhenActive) {
    edit->SetFlat(true);
    edit->SetAlwaysShowBorder(false);
    QImage inactive = guitest::Grab(edit);
    EXPECT_EQ(guitest::PixelOf(inactive, 0, 10), ColorToRGB(clBtnFace));
    edit->SetAlwaysShowBorder(true);
    EXPECT_TRUE(edit->BorderActive());
    QImage active = guitest::Grab(edit);
    EXPECT_EQ(guitest::PixelOf(active, 0, 10), ColorToRGB(clBtnShadow));  // the sunken edge
}

TEST_F(AppearanceFixture, AButtonMenuIsShownAndAPressAlreadyWaitingIsIgnored) {
    guitest::DialogDriver dialogs;
    TPopupMenu menu(nullptr);
    auto* item = new TMenuItem(&menu);
    item->SetCaption("Пункт");
    menu.Items()->Add(item);
    edit->EditButton()->SetVisible(true);
    edit->EditButton()->SetDropdownMenu(&menu);
    edit->EditButton()->SetShortCut(DropDownShortCutGx);
    edit->SetFocus();
    guitest::Pump();
    dialogs.ChoosePopupItem("");
    // Alt+Down presses the button without a pass through the loop, as a press that closes the
    // menu would leave it: the ignore note is still queued.
    edit->Perform(WM_SYSKEYDOWN, VK_DOWN, KF_ALTDOWN_LPARAM);
    EXPECT_EQ(dialogs.PopupsShown(), 1);
    const TPoint below = control(0)->ClientToScreen(TPoint(0, control(0)->Height()));
    EXPECT_EQ(dialogs.LastPopupPos(), below);
    TMsg msg;
    ASSERT_TRUE(PeekMessage(&msg, edit->Handle(), CM_IGNOREEDITDOWN, CM_IGNOREEDITDOWN, PM_NOREMOVE));
    guitest::MouseDown(control(0), TPoint(3, 3));
    guitest::MouseUp(control(0), TPoint(3, 3));
    EXPECT_EQ(dialogs.PopupsShown(), 1);
    // The next press shows it again.
    dialogs.ChoosePopupItem("");
    guitest::Click(control(0), TPoint(3, 3));
    EXPECT_EQ(dialogs.PopupsShown(), 2);
}

TEST_F(AppearanceFixture, TheMRUListOpensWhileTypingClosesWhenEmptiedAndReturnAccepts) {
    edit->MRUList()->SetActive(true);
    edit->MRUList()->Items()->SetCommaText("apple,apricot,banana");
    edit->SetFocus();
    guitest::Pump();
    guitest::Type("a", edit);
    ASSERT_TRUE(edit->MRUList()->IsDroppedDown);
    TMRUListboxGx* list = edit->MRUListControlIfMade();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->Visible());
    EXPECT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(list->ItemIndex(), -1);
    guitest::Key(VK_BACK);
    EXPECT_FALSE(edit->MRUList()->IsDroppedDown);
    EXPECT_FALSE(list->Visible());

    guitest::Type("b", edit);
    ASSERT_TRUE(edit->MRUList()->IsDroppedDown);
    EXPECT_EQ(list->Items()->Count(), 1);
    guitest::Key(VK_DOWN);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_EQ(edit->Text(), "b");  // the key went to the list
    guitest::Key(VK_RETURN);
    EXPECT_FALSE(edit->MRUList()->IsDroppedDown);
    EXPECT_EQ(edit->Text(), "banana");
    EXPECT_EQ(edit->SelLength(), 6);

    // Losing the focus closes it without accepting.
    guitest::Key(VK_BACK);
    guitest::Type("ap", edit);
    ASSERT_TRUE(edit->MRUList()->IsDroppedDown);
    other->SetFocus();
    guitest::Pump();
    EXPECT_FALSE(edit->MRUList()->IsDroppedDown);
}

TEST_F(AppearanceFixture, ATooltipOnlyForTextThatDoesNotFit) {
    edit->SetTooltips(true);
    EXPECT_TRUE(edit->TControl::ShowHint());
    auto ask = [&](THintInfo& info) { return edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)); };
    edit->SetText("short");
    THintInfo fits;
    fits.HintControl = edit;
    EXPECT_EQ(ask(fits), 1);
    edit->SetText(AnsiString(std::string(80, 'W')));
    THintInfo over;
    over.HintControl = edit;
    EXPECT_EQ(ask(over), 0);
    EXPECT_EQ(over.HintStr, edit->Text());
    EXPECT_EQ(over.HintPos, edit->ClientToScreen(TPoint(0, edit->Height())));
    EXPECT_TRUE(over.HintWindowClass.Type && *over.HintWindowClass.Type == typeid(TToolTipsWindow));
    EXPECT_EQ(over.HintData, edit->Font());
    edit->SetTooltips(false);
    EXPECT_FALSE(edit->TControl::ShowHint());
}

}  // namespace
