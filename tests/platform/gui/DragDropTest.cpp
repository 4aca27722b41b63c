// Dragging one control onto another: the threshold, an immediate start, what source and target
// hear, and the ways a drag ends without a drop.
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* stateName(TDragState s) { return s == dsDragEnter ? "enter" : s == dsDragLeave ? "leave" : "move"; }

struct DragFixture : ::testing::Test {
    TForm* form = nullptr;
    TPanel* source = nullptr;
    TPanel* target = nullptr;
    std::vector<std::string> log;
    bool targetAccepts = true;
    bool savedImmediate = Mouse->DragImmediate();
    int savedThreshold = Mouse->DragThreshold();

    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(400, 200);
        source = new TPanel(form);
        source->SetParent(form);
        source->SetBounds(10, 10, 100, 100);
        source->SetName("Source");
        target = new TPanel(form);
        target->SetParent(form);
        target->SetBounds(200, 10, 100, 100);
        target->SetName("Target");
        auto name = [this](TObject* o) { return o == source ? std::string("source") : o == target ? std::string("target") : std::string("?"); };
        for (TPanel* p : {source, target}) {
            p->OnDragOver = [this, name](TObject* sender, TObject* src, int x, int y, TDragState st, bool& accept) {
                log.push_back(name(sender) + " over " + stateName(st) + " from " + name(src));
                (void)x, (void)y;
                accept = sender == target && targetAccepts;
            };
            p->OnDragDrop = [this, name](TObject* sender, TObject* src, int x, int y) {
                log.push_back(name(sender) + " drop " + name(src) + " at " + std::to_string(x) + "," + std::to_string(y));
            };
        }
        source->OnStartDrag = [this](TObject*, TDragObject*&) { log.push_back("start"); };
        source->OnEndDrag = [this, name](TObject*, TObject* t, int x, int y) {
            log.push_back("end " + (t ? name(t) : std::string("none")) + " at " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        guitest::ShowForm(form);
    }
    void TearDown() override {
        Mouse->SetDragImmediate(savedImmediate);
        Mouse->SetDragThreshold(savedThreshold);
        form->Free();
    }
    // A point of the target in the source's client coordinates.
    TPoint onTarget(int x, int y) { return source->ScreenToClient(target->ClientToScreen(TPoint(x, y))); }
};

using DragAndDrop = DragFixture;

TEST_F(DragAndDrop, AnAutomaticDragWaitsForTheThresholdThenDropsOnTheAcceptingTarget) {
    source->SetDragMode(dmAutomatic);
    Mouse->SetDragImmediate(false);
    Mouse->SetDragThreshold(5);
    guitest::MouseDown(source, TPoint(20, 20));
    EXPECT_TRUE(source->Dragging());
    EXPECT_TRUE(Mouse->IsDragging());
    guitest::MouseMove(source, TPoint(24, 20));
    EXPECT_EQ(log, (std::vector<std::string>{"start"})) << "4 pixels are below the threshold";
    guitest::MouseMove(source, TPoint(25, 20));
    EXPECT_EQ(log.back(), "source over enter from source");
    EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop)) << "the source itself does not accept";
    guitest::MouseMove(source, onTarget(30, 40));
    guitest::MouseMove(source, onTarget(31, 41));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crDrag));
    guitest::MouseUp(source, onTarget(31, 41));
    EXPECT_EQ(log, (std::vector<std::string>{"start", "source over enter from source", "source over leave from source",
                                             "target over enter from source", "target over move from source",
                                             "target over leave from source", "target drop source at 31,41",
                                             "end target at 31,41"}));
    EXPECT_FALSE(source->Dragging());
    EXPECT_FALSE(Mouse->IsDragging());
}

TEST_F(DragAndDrop, AnImmediateDragStartsAtThePress) {
    source->SetDragMode(dmAutomatic);
    Mouse->SetDragImmediate(true);
    bool pressed = false;
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { pressed = true; };
    guitest::MouseDown(source, TPoint(20, 20));
    EXPECT_EQ(log, (std::vector<std::string>{"start", "source over enter from source"}));
    EXPECT_FALSE(pressed) << "the drag takes the press";
    guitest::MouseUp(source, TPoint(20, 20));
    EXPECT_EQ(log.back(), "end none at 0,0");
}

TEST_F(DragAndDrop, ADragEndsWithoutDropByEscCancelModeOrARefusingTarget) {
    struct Case {
        const char* name;
        std::function<void(DragFixture&)> end;
    };
    const Case cases[] = {
        {"Esc", [](DragFixture&) { guitest::Key(VK_ESCAPE); }},
        {"cancel mode", [](DragFixture& f) { f.source->Perform(WM_CANCELMODE); }},
        {"refused", [](DragFixture& f) {
             f.targetAccepts = false;
             guitest::MouseMove(f.source, f.onTarget(31, 31));
             guitest::MouseUp(f.source, f.onTarget(31, 31));
         }},
    };
    Mouse->SetDragImmediate(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        targetAccepts = true;
        source->SetDragMode(dmAutomatic);
        form->SetFocus();
        guitest::MouseDown(source, TPoint(20, 20));
        guitest::MouseMove(source, onTarget(30, 30));
        ASSERT_EQ(log.back(), "target over enter from source");
        c.end(*this);
        EXPECT_FALSE(source->Dragging());
        EXPECT_EQ(log.back(), "end none at 0,0");
        EXPECT_EQ(log[log.size() - 2], "target over leave from source");
        source->SetDragMode(dmManual);
        guitest::MouseUp(source, onTarget(30, 30));  // the button is still held after Esc and cancel mode
    }
}

TEST_F(DragAndDrop, AManualDragFromAPressEndsThePressFirst) {
    Mouse->SetDragImmediate(false);
    std::vector<std::string> mouse;
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        mouse.push_back("down");
        source->BeginDrag(false, 3);
        source->BeginDrag(true);  // ignored: a drag is already waiting
    };
    source->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { mouse.push_back("up"); };
    guitest::MouseDown(source, TPoint(20, 20));
    EXPECT_EQ(mouse, (std::vector<std::string>{"down", "up"}));
    EXPECT_EQ(log, (std::vector<std::string>{"start"}));
    guitest::MouseMove(source, TPoint(20, 23));
    EXPECT_EQ(log.back(), "source over enter from source");
    guitest::MouseMove(source, onTarget(5, 5));
    guitest::MouseUp(source, onTarget(5, 5));
    EXPECT_EQ(log.back(), "end target at 5,5");
    EXPECT_EQ(mouse.size(), 2u) << "the release belongs to the drag";
}

}  // namespace
