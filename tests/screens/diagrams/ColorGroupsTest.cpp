// Colour groups by Tag, label font files and the edit handlers that spread a confirmed look to a
// widget's group.
#include "screens/diagrams/ColorGroups.h"

#include "DiagramTestSupport.h"
#include "testlib/gui/GuiHarness.h"
#include "widgets/ActionLabel.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/OutField.h"
#include "widgets/Valve.h"

#include "gui/ExtCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using diagramtest::Dialogs;
using diagramtest::ProgramFolder;

template <class W>
W* Make(TForm* form, const char* name, long tag, TWinControl* parent = nullptr) {
    auto* w = new W(form);
    w->SetName(name);
    w->SetTag(tag);
    w->SetParent(parent ? parent : form);
    return w;
}

TEST(SetColorByTag, ColoursExactlyTheClassesAndTagAskedFor) {
    TForm form(nullptr);
    auto* valve = Make<TValve>(&form, "Valve1", 700);
    auto* label = Make<TLabel>(&form, "Label7", 700);
    auto* arrow = Make<TArrow>(&form, "Arrow7", 70);
    auto* actionLabel = Make<TActionLabel>(&form, "ActionLabel7", 700);
    auto* shape = Make<TShape>(&form, "Shape7", 700);
    const TColor labelColour = actionLabel->Font()->Color();
    const TColor shapeColour = shape->Brush()->Color();
    const int valveInvalidated = valve->InvalidateCount();
    SetColorByTag(&form, 700, clFuchsia);
    EXPECT_EQ(valve->Pen()->Color(), clFuchsia);
    EXPECT_EQ(valve->Brush()->Color(), clFuchsia);
    EXPECT_GT(valve->InvalidateCount(), valveInvalidated) << "the valve is repainted";
    EXPECT_EQ(label->Font()->Color(), clFuchsia);
    EXPECT_EQ(arrow->Color(), clRed) << "another Tag";
    EXPECT_EQ(actionLabel->Font()->Color(), labelColour) << "a label subclass is no TLabel";
    EXPECT_EQ(shape->Brush()->Color(), shapeColour) << "no routine for its class";
    SetColorByTag(nullptr, 700, clRed);
}

TEST(ControlFont, LivesInTheFileOfTheParentUnderTheControlsName) {
    ProgramFolder dir;
    TForm form(nullptr);
    auto* panel = Make<TPanel>(&form, "PanelTop", 0);
    auto* label = Make<TLabel>(&form, "LabelTitle", 0, panel);
    label->Font()->SetName("Arial");
    label->Font()->SetSize(16);
    label->Font()->SetColor(clLime);
    ASSERT_TRUE(SaveControlFont(label));
    TIniFile ini(dir / "PanelTop.INI");
    EXPECT_EQ(ini.ReadInteger("LabelTitle", "FontColor", -1), clLime);
    EXPECT_EQ(ini.ReadInteger("LabelTitle", "FontSize", -1), 16);
    EXPECT_EQ(ini.ReadString("LabelTitle", "FontName", ""), "Arial");

    auto* other = Make<TLabel>(&form, "LabelOther", 0, panel);
    other->Font()->SetSize(9);
    const AnsiString name = other->Font()->Name();
    EXPECT_TRUE(LoadControlFont(other)) << "no section: the font stays";
    EXPECT_EQ(other->Font()->Size(), 9);
    EXPECT_EQ(other->Font()->Name(), name);

    label->Font()->SetSize(8);
    label->Font()->SetColor(clRed);
    EXPECT_TRUE(LoadControlFont(label));
    EXPECT_EQ(label->Font()->Size(), 16);
    EXPECT_EQ(label->Font()->Color(), clLime);

    TLabel loose(nullptr);
    loose.SetName("LabelLoose");
    EXPECT_FALSE(SaveControlFont(&loose)) << "no parent, no file";
    EXPECT_FALSE(LoadControlFont(&loose));
}

TEST(EditLabelFont, TheChosenFontIsTakenAndSaved) {
    ProgramFolder dir;
    TForm form(nullptr);
    auto* panel = Make<TPanel>(&form, "PanelCenter", 0);
    auto* label = Make<TLabel>(&form, "LabelFlotFeed", 0, panel);
    guitest::DialogDriver dialogs;
    dialogs.Accept([](TCommonDialog* d) {
        auto* fd = static_cast<TFontDialog*>(d);
        fd->Font()->SetSize(20);
        fd->Font()->SetColor(clYellow);
    });
    EXPECT_TRUE(EditLabelFont(label, &form));
    EXPECT_EQ(label->Font()->Size(), 20);
    EXPECT_EQ(TIniFile(dir / "PanelCenter.INI").ReadInteger("LabelFlotFeed", "FontColor", -1), clYellow);
    dialogs.Cancel();
    EXPECT_TRUE(EditLabelFont(label, &form));
    EXPECT_EQ(label->Font()->Size(), 20);
    EXPECT_EQ(dialogs.DialogsShown(), 2);
}

// Three arrows with Tag 5 and one with Tag 6 on a screen; the colour file is the screen's.
class GroupEdit : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"ArrowA", "ArrowB", "ArrowC"}) group.push_back(MakeArrow(n, 5));
        lone = MakeArrow("ArrowD", 6);
    }
    TArrow* MakeArrow(const char* name, long tag) {
        auto* a = Make<TArrow>(&form, name, tag);
        a->SetConfigName(".\\Screen.INI");
        a->SetArrowWidth(2);
        a->SetColor(clRed);
        return a;
    }
    // The dialog takes width 7 and lime, applies them and saves for the group.
    void ConfirmLimeWidth7(guitest::ModalDriver& modal, guitest::DialogDriver& colours) {
        colours.Accept([](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(clLime); });
        modal.Then([](TCustomForm*) {
            FormArrowEdit->ButColor->Click();
            FormArrowEdit->Edit1->SetText("7");
            FormArrowEdit->ButUse->Click();
            FormArrowEdit->BitBtn3->Click();
        });
    }
    ProgramFolder dir;
    Dialogs dialogs;
    TForm form{nullptr};
    std::vector<TArrow*> group;
    TArrow* lone = nullptr;
};

TEST_F(GroupEdit, AConfirmedArrowPassesItsLookToItsGroup) {
    guitest::ModalDriver modal;
    guitest::DialogDriver colours;
    ConfirmLimeWidth7(modal, colours);
    EXPECT_TRUE(EditArrowWidget(group[1], &form));
    TIniFile ini(dir / "Screen.INI");
    for (TArrow* a : group) {
        EXPECT_EQ(a->ArrowWidth(), 7) << a->Name();
        EXPECT_EQ(a->Color(), clLime) << a->Name();
        EXPECT_EQ(ini.ReadInteger(a->Name(), "Color", -1), clLime) << "saved under its own name";
    }
    EXPECT_EQ(lone->Color(), clRed);
    EXPECT_FALSE(ini.SectionExists("ArrowD"));
    EXPECT_EQ(FormArrowEdit->EditedArrow, FormArrowEdit->Arrow1) << "the dialog lets go of the widget";
}

TEST_F(GroupEdit, AnArrowWithoutTagStandsAlone) {
    group[0]->SetTag(0);
    group[1]->SetTag(0);
    guitest::ModalDriver modal;
    guitest::DialogDriver colours;
    ConfirmLimeWidth7(modal, colours);
    EXPECT_TRUE(EditArrowWidget(group[0], &form));
    EXPECT_EQ(group[0]->Color(), clLime);
    EXPECT_EQ(group[1]->Color(), clRed);
    TIniFile ini(dir / "Screen.INI");
    EXPECT_TRUE(ini.SectionExists("ArrowA"));
    EXPECT_FALSE(ini.SectionExists("ArrowB"));
}

TEST_F(GroupEdit, ADialogNotConfirmedSpreadsNothing) {
    guitest::ModalDriver modal;
    modal.Then([](TCustomForm*) {
        FormArrowEdit->Edit1->SetText("9");
        FormArrowEdit->ButUse->Click();
        FormArrowEdit->BitBtn1->Click();  // "Закрыть"
    });
    EXPECT_FALSE(EditArrowWidget(group[2], &form));
    EXPECT_EQ(group[2]->ArrowWidth(), 9) << "what was applied stays on screen";
    EXPECT_EQ(group[0]->ArrowWidth(), 2);
}

TEST(EditBarrelWidget, ChangesOnlyThatTankWhateverItsTag) {
    ProgramFolder dir;
    Dialogs dialogs;
    TForm form(nullptr);
    auto* a = Make<TBarrel>(&form, "BarrelA", 5);
    auto* b = Make<TBarrel>(&form, "BarrelB", 5);
    guitest::ModalDriver modal;
    guitest::DialogDriver colours;
    colours.Accept([](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(clLime); });
    modal.Then([](TCustomForm*) {
        FormEditBarrel->BitBtn1->Click();  // "Цвет вверху"
        FormEditBarrel->ButUse->Click();
        FormEditBarrel->BitBtn3->Click();
    });
    EXPECT_TRUE(EditBarrelWidget(a, &form));
    EXPECT_EQ(a->UpColor(), clLime);
    EXPECT_EQ(b->UpColor(), clBlue);
}

}  // namespace
