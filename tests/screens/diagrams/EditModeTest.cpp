// The widget edit mode: the router picks the dialog by the clicked widget's exact class, the walk
// hooks and unhooks the widgets, gives them their own clicks back and loads their saved looks.
#include "screens/diagrams/EditMode.h"

#include "DiagramTestSupport.h"
#include "screens/diagrams/ColorGroups.h"
#include "testlib/gui/GuiHarness.h"
#include "widgets/ActionLabel.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/OutField.h"
#include "widgets/Poligon.h"
#include "widgets/Pump.h"

#include "gui/ExtCtrls.h"

#include <gtest/gtest.h>

namespace {

using diagramtest::Dialogs;
using diagramtest::EditModeScope;
using diagramtest::ProgramFolder;

// A screen with the edit mode, as the diagrams have it: its own router, its own INI file.
class TTestScreen : public TForm {
public:
    TTestScreen(const AnsiString& ini, std::vector<AnsiString> classes) : TForm(nullptr) {
        router = std::make_unique<TWidgetEditRouter>(this, ini, std::move(classes),
                                                     TNotifyEvent(this, &TTestScreen::ColorConfigClick));
        PanelCenter = new TPanel(this);
        PanelCenter->SetName("PanelCenter");
        PanelCenter->SetParent(this);
    }
    void ColorConfigClick(TObject* sender) { router->ColorConfigClick(sender); }
    void SetEditMode() { router->SetEditMode(); }
    void SetPointClick(TObject*) { ++setPointClicks; }
    template <class W>
    W* Add(const char* name) {
        auto* w = new W(this);
        w->SetName(name);
        w->SetParent(PanelCenter);
        return w;
    }
    std::unique_ptr<TWidgetEditRouter> router;
    TPanel* PanelCenter = nullptr;
    int setPointClicks = 0;
};

TEST(EditRouter, TheTableListsTheSixEditorsThenItsEnd) {
    const auto table = EditRouterTable();
    ASSERT_EQ(table.size(), 7u);
    const char* classes[] = {"TArrow", "TBarrel", "TLabel", "TOutField", "TPump", "TPoligon"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(table[i].WidgetClass, classes[i]);
        EXPECT_NE(table[i].Editor, nullptr);
    }
    EXPECT_EQ(table[6].WidgetClass, "");
    EXPECT_EQ(table[6].Editor, nullptr);
}

TEST(EditRouter, AClickOpensTheDialogOfTheWidgetsExactClass) {
    ProgramFolder dir;
    Dialogs dialogs;
    TTestScreen screen("./Screen.INI", {});
    struct Case {
        TControl* widget;
        TForm* dialog;  // nullptr: a font dialog, or nothing
        bool fontDialog;
    };
    const Case cases[] = {
        {screen.Add<TArrow>("Arrow1"), FormArrowEdit, false},
        {screen.Add<TBarrel>("Barrel1"), FormEditBarrel, false},
        {screen.Add<TOutField>("OutField1"), FormOutFieldEdit, false},
        {screen.Add<TPump>("Pump1"), FormEditPump, false},
        {screen.Add<TPoligon>("Poligon1"), FormEditPoligon, false},
        {screen.Add<TLabel>("Label1"), nullptr, true},
        {screen.Add<TActionLabel>("ActionLabel1"), nullptr, false},
        {screen.Add<TShape>("Shape1"), nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widget->ClassName());
        guitest::ModalDriver modal;
        guitest::DialogDriver fonts;
        TCustomForm* shown = nullptr;
        if (c.dialog) {
            modal.Then([&shown](TCustomForm* f) {
                shown = f;
                f->SetModalResult(mrCancel);
            });
        }
        if (c.fontDialog) fonts.Cancel();
        screen.ColorConfigClick(c.widget);
        EXPECT_EQ(shown, c.dialog);
        EXPECT_EQ(modal.Shown(), c.dialog ? 1 : 0);
        EXPECT_EQ(fonts.DialogsShown(), c.fontDialog ? 1 : 0);
    }
    screen.ColorConfigClick(nullptr);
}

TEST(EditMode, HooksWhileOnAndGivesEachWidgetItsOwnClickBack) {
    ProgramFolder dir;
    EditModeScope mode(true);
    TTestScreen screen("./Screen.INI", {"TArrow", "TLabel", "TOutField"});
    auto* setPoint = screen.Add<TOutField>("OutFieldZRRS");
    setPoint->OnClick = TNotifyEvent(&screen, &TTestScreen::SetPointClick);
    setPoint->SetCursor(crHandPoint);
    auto* arrow = screen.Add<TArrow>("ArrowConc");
    auto* label = screen.Add<TLabel>("LabelTitle");
    auto* pump = screen.Add<TPump>("Pump1");  // not a class this screen handles
    const TNotifyEvent hook(&screen, &TTestScreen::ColorConfigClick);

    screen.SetEditMode();
    for (TControl* c : std::initializer_list<TControl*>{setPoint, arrow, label}) {
        EXPECT_TRUE(c->OnClick == hook) << c->Name();
        EXPECT_EQ(c->Cursor(), crCross) << c->Name();
    }
    EXPECT_FALSE(pump->OnClick.Assigned());
    EXPECT_EQ(arrow->ConfigName(), "./Screen.INI");
    EXPECT_EQ(setPoint->ConfigName(), "./Screen.INI");

    screen.SetEditMode();  // a second walk changes nothing
    EXPECT_TRUE(setPoint->OnClick == hook);

    mode.Set(false);
    screen.SetEditMode();
    EXPECT_TRUE(setPoint->OnClick == TNotifyEvent(&screen, &TTestScreen::SetPointClick)) << "its own click is back";
    EXPECT_EQ(setPoint->Cursor(), crHandPoint);
    EXPECT_FALSE(arrow->OnClick.Assigned());
    EXPECT_EQ(arrow->Cursor(), crDefault);
    setPoint->Click();
    EXPECT_EQ(screen.setPointClicks, 1);

    // And again: on, off, the set-point click still works.
    mode.Set(true);
    screen.SetEditMode();
    mode.Set(false);
    screen.SetEditMode();
    setPoint->Click();
    EXPECT_EQ(screen.setPointClicks, 2);
}

TEST(EditMode, SwitchingOffLeavesAClickSetSinceTheWalkAlone) {
    ProgramFolder dir;
    EditModeScope mode(true);
    TTestScreen screen("./Screen.INI", {"TArrow"});
    auto* arrow = screen.Add<TArrow>("Arrow1");
    auto* plain = screen.Add<TArrow>("Arrow2");
    screen.SetEditMode();
    int foreign = 0;
    arrow->OnClick = [&foreign](TObject*) { ++foreign; };
    arrow->SetCursor(crHelp);
    mode.Set(false);
    screen.SetEditMode();
    arrow->Click();
    EXPECT_EQ(foreign, 1);
    EXPECT_EQ(arrow->Cursor(), crHelp);
    EXPECT_EQ(plain->Cursor(), crDefault);
    EXPECT_FALSE(plain->OnClick.Assigned());
}

TEST(EditMode, TheWalkLoadsSavedLooksFromTheRightFiles) {
    ProgramFolder dir;
    EditModeScope mode(false);
    {
        TIniFile screenIni(dir / "Screen.INI");
        screenIni.WriteInteger("Arrow1", "Color", clLime);
        screenIni.WriteInteger("OutField1", "BrushColor", clNavy);
        TIniFile colors(dir / "Colors.INI");
        colors.WriteInteger("Poligon1", "BrushColor", clOlive);
        TIniFile fonts(dir / "PanelCenter.INI");
        fonts.WriteInteger("Label1", "FontSize", 22);
    }
    TTestScreen screen("./Screen.INI", {"TArrow", "TLabel", "TOutField", "TPoligon"});
    auto* arrow = screen.Add<TArrow>("Arrow1");
    auto* field = screen.Add<TOutField>("OutField1");
    auto* poligon = screen.Add<TPoligon>("Poligon1");
    auto* label = screen.Add<TLabel>("Label1");
    int walks = 0;
    screen.router->AfterWalk = [&walks] { ++walks; };
    screen.SetEditMode();
    EXPECT_EQ(arrow->Color(), clLime);
    EXPECT_EQ(field->Brush()->Color(), clNavy);
    EXPECT_EQ(poligon->ConfigName(), ".\\Colors.INI") << "polygons keep their own file";
    EXPECT_EQ(poligon->Brush()->Color(), clOlive);
    EXPECT_EQ(label->Font()->Size(), 22);
    EXPECT_EQ(walks, 1);

    // Saving goes the same ways.
    poligon->Brush()->SetColor(clBlue);
    arrow->SetColor(clAqua);
    ASSERT_TRUE(poligon->SaveConfig());
    ASSERT_TRUE(arrow->SaveConfig());
    EXPECT_EQ(TIniFile(dir / "Colors.INI").ReadInteger("Poligon1", "BrushColor", -1), clBlue);
    EXPECT_EQ(TIniFile(dir / "Screen.INI").ReadInteger("Arrow1", "Color", -1), clAqua);
    EXPECT_FALSE(TIniFile(dir / "Colors.INI").SectionExists("Arrow1"));
}

}  // namespace
