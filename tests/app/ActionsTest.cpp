// The main window's actions: each reachable from the main menu and by its key, the launcher's
// tiles and key labels, the first-time layout of the flotation graphs, prints of missing screens,
// the file manager command and the About box.
#include "app/Main.h"

#include "AppTestSupport.h"

#include "app/FormAbout.h"
#include "app/FormMainMenu.h"
#include "app/MainActions.h"
#include "gui/WinApi.h"
#include "screens/graphs/FormFlotGraph.h"
#include "testlib/gui/GuiHarness.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// A main window shown as the MDI frame, with the launcher.
class ActionsTest : public apptest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        guitest::EnsureApp();
        Application->FormCreated(form);
        form->TimerRefreshState->SetEnabled(false);
        form->TimerGetLog->SetEnabled(false);
        FormMainMenu = NewForm<TFormMainMenu>(nullptr);
    }
    void TearDown() override {
        if (FormFlotGraph) FormFlotGraph->Free();
        if (FormMainMenu) FormMainMenu->Free();
        if (FormAbout) FormAbout->Free();
        Application->FormDestroyed(form);
        MainWindowTest::TearDown();
        guitest::FlushDeletes();
    }
    std::vector<TContainedAction*> actions() const {
        std::vector<TContainedAction*> out;
        for (int i = 0; i < form->ActionList1->ActionCount(); ++i) out.push_back(form->ActionList1->Actions(i));
        return out;
    }
};

void collectMenu(TMenuItem* item, std::map<TBasicAction*, std::string>& found, const std::string& path) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* m = item->Items(i);
        std::string p = path.empty() ? StripHotkey(m->Caption()).str() : path + " / " + StripHotkey(m->Caption()).str();
        if (m->Action()) found[m->Action()] = path;
        collectMenu(m, found, p);
    }
}

TEST_F(ActionsTest, EveryActionHasItsMenuPlaceAndItsKeyRunsIt) {
    std::map<TBasicAction*, std::string> menu;
    collectMenu(form->MainMenu1->Items(), menu, "");
    ASSERT_EQ(actions().size(), 58u);

    form->Show();
    guitest::ShowForm(form);
    // The key of each action runs that action and nothing else.
    std::vector<TBasicAction*> ran;
    std::map<TBasicAction*, TNotifyEvent> saved;
    for (TContainedAction* a : actions()) {
        saved[a] = a->OnExecute;
        a->OnExecute = TNotifyEvent([&ran, a](TObject*) { ran.push_back(a); });
    }
    std::set<TShortCut> keys;
    for (TContainedAction* a : actions()) {
        auto* act = static_cast<TAction*>(a);
        SCOPED_TRACE(a->Name().str());
        // The belt journal and the file manager have a key but no menu entry.
        EXPECT_TRUE(menu.count(a) || act->ShortCut() != 0) << "neither in the main menu nor on a key";
        if (act->ShortCut() == 0) continue;
        EXPECT_TRUE(keys.insert(act->ShortCut()).second) << "shortcut used twice";
        WORD vk;
        TShiftState shift;
        ShortCutToKey(act->ShortCut(), vk, shift);
        ran.clear();
        guitest::Key(vk, shift, form);
        EXPECT_EQ(ran, std::vector<TBasicAction*>{a}) << ShortCutToText(act->ShortCut());
    }
    EXPECT_EQ(keys.size(), 28u);  // F1..F12, Alt+F1..F11, Ctrl+F9, Ctrl+Q, Ctrl+F1, Ctrl+Alt+C, Ctrl+Alt+F
    // Alt+F4 runs the hydrosizer graphs' action; the main window stays open.
    EXPECT_TRUE(form->Visible());
    for (auto& [a, h] : saved) a->OnExecute = h;

    EXPECT_EQ(menu.size(), 56u);
    EXPECT_FALSE(menu.count(form->ActionWSensLog));
    EXPECT_EQ(menu[form->ActionGraphFlotParam], "Графики");
    EXPECT_EQ(menu[form->ActionPrintFlotGraph], "Печать / Графики / Флотация");
    EXPECT_EQ(menu[form->ActionShowPUFDriver], "Сервис / Драйвер обмена");
    EXPECT_EQ(form->ActionGraphGS->ShortCut(), TextToShortCut("Alt+F4"));
    EXPECT_EQ(form->ActionExit->Caption(), "Вы&xод");
}

TEST_F(ActionsTest, LauncherRowsCarryTheirKeysTagsAndActions) {
    struct Row {
        const char* panel;
        const char* key;
        int tag;
        TAction* TFormMain::*action;
    } rows[] = {
        {"PanelF2", "F2", 2, &TFormMain::ActionMainMnemo},
        {"PanelF12", "F12", 12, &TFormMain::ActionGraphFlotParam},
        {"PanelAF1", "Alt+F1", 101, &TFormMain::ActionGraphFlotOut},
        {"PanelAF7", "Alt+F7", 107, &TFormMain::ActionTableFlot},
        {"PanelAF11", "Alt+F11", 111, &TFormMain::ActionFlotLog},
    };
    std::set<long> tags;
    for (int i = 0; i < FormMainMenu->ComponentCount(); ++i) {
        auto* label = dynamic_cast<TLabel*>(FormMainMenu->Components(i));
        if (label && label->OnClick.Assigned() && label->ClassName() == "TLabel") {
            EXPECT_TRUE(tags.insert(label->Tag()).second) << label->Name();
            // The key label's text is its action's key.
            bool found = false;
            for (TContainedAction* a : actions())
                if (a->Tag() == label->Tag())
                    found = found || ShortCutToText(static_cast<TAction*>(a)->ShortCut()) == label->Caption();
            EXPECT_TRUE(found) << label->Caption();
        }
    }
    EXPECT_EQ(tags.size(), 22u);

    guitest::ShowForm(form);  // the pointer reaches only a shown picture
    guitest::ShowForm(FormMainMenu);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.panel);
        auto* panel = dynamic_cast<TPanel*>(FormMainMenu->FindComponent(r.panel));
        ASSERT_NE(panel, nullptr);
        TAction* action = form->*(r.action);
        int labels = 0;
        for (int i = 0; i < panel->ControlCount(); ++i) {
            TControl* c = panel->Controls(i);
            if (c->ClassName() == "TActionLabel" || c->ClassName() == "TActionImage") {
                EXPECT_EQ(c->Action(), action);
                EXPECT_EQ(c->Cursor(), crHandPoint) << c->Name();
                ++labels;
            }
            if (c->ClassName() == "TActionImage") {
                // The picture shows its action's hint when the pointer rests on it.
                ASSERT_FALSE(GetShortHint(action->Hint()).IsEmpty());
                int savedPause = Application->HintPause();
                Application->SetHintPause(0);
                guitest::MouseMove(c, TPoint(5, 5));
                Application->SetHintPause(savedPause);
                ASSERT_TRUE(guitest::WaitFor(
                    [] { return Application->HintWindow() && Application->HintWindow()->IsShowing(); }));
                EXPECT_EQ(Application->HintWindow()->Caption(), GetShortHint(action->Hint()));
                Application->CancelHint();
            }
            if (c->ClassName() == "TLabel") {
                EXPECT_EQ(c->Caption(), r.key);
                EXPECT_EQ(c->Tag(), r.tag);
                EXPECT_EQ(c->Cursor(), crHandPoint);
            }
        }
        EXPECT_EQ(labels, 2);
    }

    // A key label runs the action with its tag; an unknown tag does nothing.
    int ran = 0;
    TNotifyEvent saved = form->ActionTableFlot->OnExecute;
    form->ActionTableFlot->OnExecute = TNotifyEvent([&ran](TObject*) { ++ran; });
    auto* key = dynamic_cast<TLabel*>(FormMainMenu->FindComponent("LabelKeyAF7"));
    ASSERT_NE(key, nullptr);
    key->Click();
    EXPECT_EQ(ran, 1);
    form->ActionTableFlot->OnExecute = saved;
    EXPECT_FALSE(form->ExecuteActionByTag(999));
    EXPECT_TRUE(form->ExecuteActionByTag(107));
}

TEST_F(ActionsTest, LauncherRowsShareTheCentrePanelsHeight) {
    struct Case {
        int centre, row;
    } cases[] = {{551, 50}, {1102, 100}, {600, 54}, {562, 51}};
    for (const Case& k : cases) {
        FormMainMenu->PanelCenter->SetAlign(alNone);
        FormMainMenu->PanelCenter->SetHeight(k.centre);
        FormMainMenu->PanelCenterResize(FormMainMenu->Panel4);
        for (const char* name : {"PanelF2", "PanelF12", "PanelAF1", "PanelAF11"})
            EXPECT_EQ(static_cast<TControl*>(FormMainMenu->FindComponent(name))->Height(), k.row) << k.centre;
    }
}

TEST_F(ActionsTest, ScreenActionsBringTheirScreenToTheFrontAndTheFlotationGraphsAreLaidOutOnce) {
    form->Show();
    guitest::ShowForm(form);
    EXPECT_EQ(form->CurrentForm, FormMainMenu);  // the launcher in front when the main window shows

    FormFlotGraph = NewForm<TFormFlotGraph>(nullptr);
    FormFlotGraph->TimerUpdate->SetEnabled(false);
    guitest::Key(VK_F12, 0, form);
    EXPECT_EQ(form->CurrentForm, FormFlotGraph);
    EXPECT_EQ(FormFlotGraph->LevelGraphRN->Align(), alClient);
    // Later runs only bring the screen forward: a zoom stays.
    FormFlotGraph->InverseZoom(1);
    form->ActionMainMenu->Execute();
    EXPECT_EQ(form->CurrentForm, FormMainMenu);
    form->ActionGraphFlotParam->Execute();
    EXPECT_EQ(form->CurrentForm, FormFlotGraph);
    EXPECT_FALSE(FormFlotGraph->LevelGraphRN->Visible());
}

TEST_F(ActionsTest, PrintsOfScreensThatAreNotThereDoNothing) {
    ASSERT_EQ(FormFlotGraph, nullptr);
    guitest::ModalDriver modal;
    form->ActionPrintFlotGraph->Execute();
    form->ActionPrintTable->Execute();
    form->ActionPrintTableFlot->Execute();
    form->ActionPrintTableBelt->Execute();
    EXPECT_EQ(modal.Shown(), 0);
}

TEST_F(ActionsTest, TheFileManagerOpensTheProgramsFolderOnlyAfterYes) {
    guitest::MessageBoxRecorder boxes;
    boxes.Answer(IDNO);
    form->ActionRunFAR->Execute();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Запустить файловый менеджер?");
    EXPECT_EQ(boxes.Last().Caption, "Выполнить команду");
    EXPECT_EQ(boxes.Last().Flags & MB_DEFMASK, MB_DEFBUTTON2);
    EXPECT_TRUE(host.ShellRequests().empty());

    // Yes: the system host is asked to open the program's folder, maximized; only a failure is
    // logged, and no box is shown for it.
    const std::string folder = dir.Path();
    struct Case {
        int result;
        std::vector<std::string> events;
    } cases[] = {
        {SE_OK, {}},
        {SE_ERR_NOASSOC, {"Не удалось открыть папку программы " + folder + " в файловом менеджере (код 31)"}},
    };
    testlib::TakeEvents();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        host.SetResults(true, true, true, c.result);
        boxes.Answer(IDYES);
        form->ActionRunFAR->Execute();
        ASSERT_EQ(host.ShellRequests().size(), static_cast<std::size_t>(&c - cases + 1));
        const TRecordingSystemHost::ShellRequest r = host.ShellRequests().back();
        EXPECT_EQ(r.File, folder);
        EXPECT_EQ(r.Dir, folder);
        EXPECT_EQ(r.Params, "");
        EXPECT_TRUE(r.Maximized);
        EXPECT_EQ(testlib::TakeEvents(), c.events);
    }
    EXPECT_EQ(boxes.Count(), 3);

    // A long path goes to the host whole.
    std::string longName(300, 'x');
    RunShellExecute("/opt/" + longName, "", "/opt", "open", SW_SHOWNORMAL);
    EXPECT_EQ(host.ShellRequests().back().File.Length(), 305);
    EXPECT_FALSE(host.ShellRequests().back().Maximized);
}

TEST_F(ActionsTest, TheAboutBoxFadesInOrOpensFromItsCentre) {
    FormAbout = NewForm<TFormAbout>(nullptr);
    EXPECT_EQ(FormAbout->ClientWidth(), 546);
    EXPECT_EQ(FormAbout->ClientHeight(), 277);
    EXPECT_EQ(FormAbout->Color(), clTeal);
    // Off screen there is no compositing desktop: the box opens from its centre.
    EXPECT_EQ(FormAbout->UseAlphaFade, WindowsCanFade());
    EXPECT_FALSE(FormAbout->UseAlphaFade);

    // The fade: thirteen ticks of the 100 ms timer from transparent to opaque. The test is the
    // timer's clock: the showing starts the timer, and the test stops it at once, before any event
    // could tick it, then ticks it itself.
    FormAbout->UseAlphaFade = true;
    EXPECT_EQ(FormAbout->TimerShow->Interval(), 100u);
    bool started = false;
    FormAbout->OnShow = [&](TObject* sender) {
        FormAbout->FormShow(sender);
        started = FormAbout->TimerShow->Enabled();
        FormAbout->TimerShow->SetEnabled(false);
    };
    guitest::ModalDriver modal;
    std::vector<int> values;
    modal.Then([&](TCustomForm* f) {
        auto* about = static_cast<TFormAbout*>(f);
        EXPECT_TRUE(started);
        EXPECT_EQ(about->TimerShow->TickCount(), 0);
        EXPECT_TRUE(about->AlphaBlend());
        values.push_back(about->AlphaBlendValue());
        for (int i = 0; i < 20 && values.back() < 255; ++i) {
            about->TimerShowTimer(about->TimerShow);
            values.push_back(about->AlphaBlendValue());
        }
        EXPECT_FALSE(about->TimerShow->Enabled());
        about->ButtonClose->Click();
    });
    form->ActionAbout->Execute();
    FormAbout->OnShow = TNotifyEvent(FormAbout, &TFormAbout::FormShow);
    EXPECT_EQ(modal.Shown(), 1);
    ASSERT_EQ(values.size(), 14u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values[12], 240);
    EXPECT_EQ(values.back(), 255);

    // From the centre: the box shows a small middle part first and all of itself at the end, with no
    // fade. The same box opens the same way each time.
    FormAbout->UseAlphaFade = false;
    FormAbout->SetAlphaBlend(false);
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        modal.Then([&](TCustomForm* f) {
            QWidget* w = f->Widget();
            const QRect first = w->mask().boundingRect();
            EXPECT_FALSE(first.isEmpty());
            EXPECT_LT(first.width(), w->width() / 2);
            EXPECT_LT(first.height(), w->height() / 2);
            EXPECT_NEAR(first.center().x(), w->width() / 2, 1);
            EXPECT_NEAR(first.center().y(), w->height() / 2, 1);
            EXPECT_TRUE(guitest::WaitFor([&] { return w->mask().isEmpty(); }, 30000));
            EXPECT_FALSE(FormAbout->TimerShow->Enabled());
            static_cast<TFormAbout*>(f)->ButtonClose->Click();
        });
        form->ActionAbout->Execute();
    }
    EXPECT_EQ(modal.Shown(), 3);
}

}  // namespace

#include "links/FormTarControl.h"

namespace {

TEST_F(ActionsTest, TareActionsOpenTheDialogForTheirBelt) {
    struct Case {
        TAction* TFormMain::*action;
        int belt;
    } cases[] = {{&TFormMain::ActionTarControl401, 1}, {&TFormMain::ActionTarControl386, 0}};
    TFormTarControl* saved = FormTarControl;
    FormTarControl = NewForm<TFormTarControl>(nullptr);
    guitest::ModalDriver modal;
    std::vector<int> belts;
    for (int i = 0; i < 2; ++i)
        modal.Then([&belts](TCustomForm* f) {
            belts.push_back(static_cast<TFormTarControl*>(f)->BeltIndex);
            f->SetModalResult(mrCancel);
        });
    for (const Case& k : cases) (form->*(k.action))->Execute();
    EXPECT_EQ(belts, (std::vector<int>{1, 0}));
    FormTarControl->Free();
    FormTarControl = saved;
}

}  // namespace
