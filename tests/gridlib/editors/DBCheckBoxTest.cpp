// The data-aware check box off screen: the toggle cycles, states read from a field through the
// value lists, writing back, OnClick for changes the data makes, one toggle per click, Space and
// the caption's accelerator, read-only and a field name without a data source.
#include "gridlib/editors/DBCtrlsGx.h"

#include "rtl/TypInfo.h"
#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CheckBoxFixture : ::testing::Test {
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    TDBCheckBoxGx* box = nullptr;
    TEdit* other = nullptr;
    TClientDataSet ds{nullptr};
    TDataSource src{nullptr};
    int clicks = 0;

    void SetUp() override {
        guitest::EnsureApp();
        ds.FieldDefs()->Add("ID", ftInteger, 0, true);
        ds.FieldDefs()->Add("Flag", ftString, 10);
        ds.FieldDefs()->Add("Done", ftBoolean);
        ds.CreateDataSet();
        ds.AppendRecord({Variant(1), Variant("yes"), Variant(true)});
        ds.MergeChangeLog();
        ds.First();
        src.SetDataSet(&ds);
        form = new TForm(nullptr);
        form->SetClientSize(300, 120);
        box = new TDBCheckBoxGx(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 120, 17);
        box->SetCaption("&Flag");
        box->OnClick = [this](TObject*) { ++clicks; };
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
    void bind(const char* field) {
        box->SetValueCheck("Y;yes;1");
        box->SetValueUncheck("N;no;0");
        box->SetDataSource(&src);
        box->SetDataField(field);
    }
    void focusBox() {
        box->SetFocus();
        guitest::Pump();
        ASSERT_TRUE(box->Focused());
    }
};

TEST_F(CheckBoxFixture, SpaceCyclesThroughTheStatesWithAndWithoutGrayed) {
    struct Case {
        bool allowGrayed;
        std::vector<TCheckBoxState> cycle;
    };
    const Case cases[] = {
        {false, {cbChecked, cbUnchecked, cbChecked}},
        {true, {cbGrayed, cbChecked, cbUnchecked, cbGrayed}},
    };
    focusBox();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.allowGrayed ? "grayed allowed" : "two states");
        box->SetState(cbUnchecked);
        box->SetAllowGrayed(c.allowGrayed);
        clicks = 0;
        for (TCheckBoxState expected : c.cycle) {
            guitest::Key(VK_SPACE);
            EXPECT_EQ(box->State(), expected);
            EXPECT_FALSE(box->SpaceDown());
        }
        // Each release toggles once and fires OnClick once.
        EXPECT_EQ(clicks, static_cast<int>(c.cycle.size()));
    }
    // Data-independent: the state is the control's own value, grayed stored as Null, and kept
    // with the form unless unchecked.
    box->SetState(cbGrayed);
    EXPECT_TRUE(VarIsNull(box->FieldDataLink()->LocalValue));
    EXPECT_TRUE(box->IsStateStored());
    box->SetChecked(true);
    EXPECT_TRUE(VarEquals(box->FieldDataLink()->LocalValue, Variant(true)));
    box->SetState(cbUnchecked);
    EXPECT_FALSE(box->IsStateStored());
    // A form keeps the state through the published property, only while it is worth keeping.
    PPropInfo state = GetPropInfo(box, "State");
    ASSERT_NE(state, nullptr);
    EXPECT_FALSE(state->Stored(box));
    box->SetState(cbChecked);
    EXPECT_TRUE(state->Stored(box));
    EXPECT_EQ(GetOrdProp(box, state), cbChecked);
    EXPECT_EQ(GetStrProp(box, GetPropInfo(box, "ValueChecked")), "True");
}

TEST_F(CheckBoxFixture, FieldValuesGiveTheStateThroughTheValueLists) {
    bind("Flag");
    struct Case {
        Variant value;
        TCheckBoxState state;
    };
    const Case cases[] = {
        {Variant("yes"), cbChecked}, {Variant("1"), cbChecked},     {Variant("NO"), cbUnchecked},
        {Variant("0"), cbUnchecked}, {Variant("maybe"), cbGrayed}, {Null(), cbGrayed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarIsNull(c.value) ? std::string("Null") : VarToStr(c.value).str());
        ds.Edit();
        ds.FieldByName("Flag")->SetValue(c.value);
        ds.Post();
        EXPECT_EQ(box->State(), c.state);
    }
    // A Boolean field by its value.
    box->SetDataField("Done");
    EXPECT_EQ(box->State(), cbChecked);
    ds.Edit();
    ds.FieldByName("Done")->SetAsBoolean(false);
    ds.Post();
    EXPECT_EQ(box->State(), cbUnchecked);
}

TEST_F(CheckBoxFixture, WritingBackStoresTheFirstEntryBooleanOrNull) {
    bind("Flag");
    ASSERT_EQ(box->State(), cbChecked);
    box->SetState(cbUnchecked);
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(ds.FieldByName("Flag")->AsString(), "N");
    box->SetState(cbChecked);
    EXPECT_EQ(ds.FieldByName("Flag")->AsString(), "Y");
    box->SetState(cbGrayed);
    EXPECT_TRUE(ds.FieldByName("Flag")->IsNull());
    ds.Cancel();
    box->SetDataField("Done");
    box->SetChecked(false);
    EXPECT_FALSE(ds.FieldByName("Done")->AsBoolean());
    EXPECT_FALSE(ds.FieldByName("Done")->IsNull());
    // OnUpdateData that handles the write keeps the field as it is.
    ds.Cancel();
    box->OnUpdateData = [](TObject*, bool& handled) { handled = true; };
    box->SetChecked(false);
    EXPECT_TRUE(ds.FieldByName("Done")->AsBoolean());
}

TEST_F(CheckBoxFixture, AChangeFromOutsideFiresOnClickOnce) {
    bind("Flag");
    clicks = 0;
    ds.Edit();
    ds.FieldByName("Flag")->SetAsString("no");
    ds.Post();
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 1);
    // The same state again is no change.
    ds.Edit();
    ds.FieldByName("Flag")->SetAsString("0");
    ds.Post();
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBoxFixture, AMouseClickTogglesOnceAlsoWhenItTakesTheFocus) {
    bind("Flag");
    other->SetFocus();
    guitest::Pump();
    clicks = 0;
    guitest::Click(box, TPoint(6, 8));
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 1);
    guitest::Click(box, TPoint(40, 8));
    EXPECT_EQ(box->State(), cbChecked);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(ds.FieldByName("Flag")->AsString(), "Y");
}

TEST_F(CheckBoxFixture, AltWithTheAcceleratorFocusesAndTogglesOnce) {
    other->SetFocus();
    guitest::Pump();
    clicks = 0;
    guitest::KeyText('F', ssAlt, "f");
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->State(), cbChecked);
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBoxFixture, ReadOnlyShowsThePressedLookButNeverToggles) {
    box->SetReadOnly(true);
    focusBox();
    guitest::KeyText(VK_SPACE, 0, " ", nullptr);
    EXPECT_EQ(box->State(), cbUnchecked);
    guitest::Click(box, TPoint(6, 8));
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 0);
    box->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(box->SpaceDown());
    box->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(box->SpaceDown());
    EXPECT_EQ(box->State(), cbUnchecked);
}

TEST_F(CheckBoxFixture, AFieldNameWithoutDataSourceEditsNothing) {
    box->SetDataField("Flag");
    ASSERT_FALSE(box->DataIndepended());
    box->SetState(cbChecked);
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 0);
    focusBox();
    guitest::Key(VK_SPACE);
    EXPECT_EQ(box->State(), cbUnchecked);
    // A closed dataset likewise.
    box->SetDataSource(&src);
    ds.Close();
    box->SetState(cbChecked);
    EXPECT_EQ(box->State(), cbUnchecked);
}

TEST_F(CheckBoxFixture, PaintsTheBoxBesideTheCaption) {
    box->SetColor(clYellow);
    box->SetChecked(true);
    // The area right of the caption takes the colour; the check mark is dark inside the box on the left.
    ASSERT_TRUE(guitest::WaitFor([&] { return guitest::Pixel(box, 115, 8) == clYellow; }));
    const QImage img = guitest::Grab(box);
    bool dark = false;
    for (int x = 0; x < 14; ++x)
        for (int y = 2; y < 15; ++y)
            if (guitest::PixelOf(img, x, y) == clBlack) dark = true;
    EXPECT_TRUE(dark);
}

}  // namespace
