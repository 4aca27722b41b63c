// Forms built from a component table: order, names, parents, bounds and tags as the rows give them.
#include "widgets/ComponentTable.h"

#include "widgets/Arrow.h"
#include "widgets/OutField.h"

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"

#include <gtest/gtest.h>

namespace {

TEST(ComponentTable, BuildsRowsInOrderOnTheirParents) {
    TForm form(nullptr);
    TOutField* field = nullptr;
    BuildComponents(&form, {
        Row<TPanel>("PanelCenter", "", 0, 0, 300, 200),
        Row<TOutField>("OutFieldPLF", "panelcenter", 10, 20, 100, 26, 600, [&field](TOutField* f) {
            f->SetOutFormat("###0 г/л");
            field = f;
        }),
        Row<TArrow>("ArrowFeed", "PanelCenter", 0, 50, 80, 12, 600),
        Item<TTimer>("TimerUpdate", [](TTimer* t) { t->SetInterval(1000); }),
    });
    ASSERT_EQ(form.ComponentCount(), 4);
    const char* order[] = {"PanelCenter", "OutFieldPLF", "ArrowFeed", "TimerUpdate"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(form.Components(i)->Name(), order[i]);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->Parent()->Name(), "PanelCenter") << "parents are found without regard to case";
    EXPECT_EQ(field->BoundsRect(), TRect(10, 20, 110, 46));
    EXPECT_EQ(field->Tag(), 600);
    EXPECT_EQ(field->OutFormat(), "###0 г/л");
    EXPECT_EQ(static_cast<TControl*>(form.FindComponent("PanelCenter"))->Parent(), &form);
    EXPECT_EQ(static_cast<TTimer*>(form.FindComponent("TimerUpdate"))->Interval(), 1000u);
}

TEST(ComponentTable, AParentNotBuiltYetIsAnError) {
    TForm form(nullptr);
    EXPECT_THROW(BuildComponents(&form, {Row<TArrow>("Arrow1", "PanelLater", 0, 0, 10, 10),
                                         Row<TPanel>("PanelLater", "", 0, 0, 50, 50)}),
                 EComponentTableError);
}

}  // namespace
