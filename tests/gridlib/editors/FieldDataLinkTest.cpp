// The field data link: data-independent mode and leaving it, editing, writing one or several
// fields, field changes that concern the link or not, missing fields; the edit image; SafeVarToStr.
#include "gridlib/editors/DBCtrlsGx.h"

#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

struct LinkFixture : ::testing::Test {
    TClientDataSet ds{nullptr};
    TDataSource src{nullptr};
    TFieldDataLinkGx link;
    int dataChanges = 0, editingChanges = 0, updates = 0;

    void SetUp() override {
        ds.FieldDefs()->Add("ID", ftInteger, 0, true);
        ds.FieldDefs()->Add("Name", ftString, 20);
        ds.FieldDefs()->Add("Amount", ftFloat);
        ds.FieldDefs()->Add("Note", ftMemo);
        ds.CreateDataSet();
        ds.AppendRecord({Variant(1), Variant("one"), Variant(1.5), Variant("memo")});
        ds.MergeChangeLog();
        ds.First();
        src.SetDataSet(&ds);
        link.OnDataChange = [this](TObject*) { ++dataChanges; };
        link.OnEditingStateChange = [this](TObject*) { ++editingChanges; };
        link.OnUpdateData = [this](TObject*) { ++updates; };
    }
};

TEST_F(LinkFixture, DataIndependentModeIsLeftByASourceOrAFieldNameAndComesBackWithout) {
    EXPECT_TRUE(link.DataIndepended());
    EXPECT_TRUE(link.GetActive());
    EXPECT_TRUE(link.GetCanModify());
    EXPECT_TRUE(VarIsNull(link.LocalValue));
    EXPECT_EQ(link.GetField(), nullptr);

    link.SetText("kept");
    EXPECT_EQ(link.LocalValue, Variant("kept"));
    EXPECT_EQ(dataChanges, 1);

    // A field name alone: no longer data-independent, but nothing to edit either.
    link.SetFieldName("Name");
    EXPECT_FALSE(link.DataIndepended());
    EXPECT_FALSE(link.GetActive());
    EXPECT_FALSE(link.GetCanModify());
    EXPECT_TRUE(VarIsNull(link.LocalValue));

    link.SetDataSource(&src);
    EXPECT_TRUE(link.GetActive());
    ASSERT_NE(link.GetField(), nullptr);
    EXPECT_EQ(link.GetField()->FieldName(), "Name");

    link.SetDataSource(nullptr);
    const int before = dataChanges;
    link.SetFieldName("");
    EXPECT_TRUE(link.DataIndepended());
    EXPECT_TRUE(VarIsNull(link.LocalValue));
    EXPECT_GT(dataChanges, before);
}

TEST_F(LinkFixture, EditingOfADataIndependentLinkAndItsEndThroughTheSetter) {
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(editingChanges, 0);
    link.SetReadOnly(false);
    EXPECT_TRUE(link.Edit());
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(editingChanges, 1);

    // Writing back: OnUpdateData only when modified; the editing flag falls and is told.
    link.UpdateRecord();
    EXPECT_EQ(updates, 0);
    EXPECT_FALSE(link.Editing());
    EXPECT_EQ(editingChanges, 2);
    link.Edit();
    link.Modified();
    link.UpdateRecord();
    EXPECT_EQ(updates, 1);
    EXPECT_FALSE(link.IsModified());
}

TEST_F(LinkFixture, BoundEditingFollowsTheDatasetAndWritesTextAndMemo) {
    link.SetDataSource(&src);
    link.SetFieldName("Name");
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(editingChanges, 1);
    link.SetText("two");
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "two");
    ds.Cancel();
    EXPECT_FALSE(link.Editing());

    link.SetFieldName("Note");
    link.Edit();
    link.SetText("long text");
    EXPECT_EQ(ds.FieldByName("Note")->AsString(), "long text");
    ds.Cancel();

    // A change of a field the link does not show is not its business.
    link.SetFieldName("Name");
    ds.Edit();
    const int before = dataChanges;
    ds.FieldByName("Amount")->SetAsFloat(7);
    EXPECT_EQ(dataChanges, before);
    ds.FieldByName("Name")->SetAsString("x");
    EXPECT_EQ(dataChanges, before + 1);
    ds.Cancel();
}

TEST_F(LinkFixture, SeveralFieldsTakeNullTogetherAndAnArrayInOrder) {
    link.SetDataSource(&src);
    link.SetMultiFields(true);
    link.SetFieldName("Amount;Name;ID");
    ASSERT_EQ(link.GetFieldsCount(), 3);
    EXPECT_EQ(link.GetFieldsField(0)->FieldName(), "Amount");
    EXPECT_EQ(link.GetFieldsField(3), nullptr);
    ds.Edit();
    link.SetValue(VarArrayOf({2.5, "two", 2}));
    EXPECT_EQ(ds.FieldByName("Amount")->AsFloat(), 2.5);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "two");
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
    link.SetValue(Null());
    EXPECT_TRUE(ds.FieldByName("Amount")->IsNull());
    EXPECT_TRUE(ds.FieldByName("Name")->IsNull());
    EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
    ds.Cancel();
}

TEST_F(LinkFixture, AMissingFieldIsReportedNamingTheControl) {
    TComponent owner(nullptr);
    owner.SetName("Editor1");
    link.Control = &owner;
    link.SetDataSource(&src);
    try {
        link.SetFieldName("Nope");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Editor1: Field 'Nope' not found");
    }
    link.SetFieldName("");
    link.SetMultiFields(true);
    EXPECT_THROW(link.SetFieldName("Name;Gone"), EDatabaseError);
}

TEST(SafeVarToStr, ArraysNullAndFailingConversionsGiveEmptyText) {
    EXPECT_EQ(SafeVarToStr(VarArrayOf({1, 2})), "");
    EXPECT_EQ(SafeVarToStr(Null()), "");
    EXPECT_EQ(SafeVarToStr(Variant()), "");
    EXPECT_EQ(SafeVarToStr(Variant::FromError(5)), "");
    EXPECT_EQ(SafeVarToStr(Variant(12)), "12");
    EXPECT_EQ(SafeVarToStr(Variant("текст")), "текст");
}

TEST(EditImage, AssignCopiesAllButTheHeightRuleAndChangesReachTheEditor) {
    guitest::EnsureApp();
    TDBEditGx edit(nullptr);
    TImageList images(nullptr);
    images.SetWidth(12);
    images.SetHeight(12);
    TEditImageGx source(nullptr);
    source.SetImages(&images);
    source.SetImageIndex(3);
    source.SetVisible(true);
    source.SetWidth(20);
    source.SetUseImageHeight(false);
    TEditImageGx copy(nullptr);
    copy.Assign(&source);
    EXPECT_EQ(copy.Images(), &images);
    EXPECT_EQ(copy.ImageIndex(), 3);
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(copy.Width(), 20);
    EXPECT_TRUE(copy.UseImageHeight());

    // An editor's image lays the editor out again: the image area is the image's width and four
    // pixels; the index is the editor's to decide (here: its value's, none).
    int asked = 0;
    edit.OnGetImageIndex = [&](TObject*, int& index) {
        ++asked;
        index = 2;
    };
    edit.EditImage()->Assign(&source);
    EXPECT_EQ(edit.ImageWidth(), 24);
    EXPECT_GT(asked, 0);
    EXPECT_EQ(edit.EditImage()->ImageIndex(), 2);
    edit.SetValue(Variant(5));
    EXPECT_EQ(edit.EditImage()->ImageIndex(), 2);  // the handler has the last word
}

}  // namespace
