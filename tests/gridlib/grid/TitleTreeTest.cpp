// Multi-level titles: the tree built from "|"-separated captions, group widths and the heights the
// title row gets, with fixed text metrics.
#include "GridTestSupport.h"

namespace {

using gridtest::GridTest;

// The tree below a node as "Text{child,child},Text".
std::string Dump(THeadTreeNode* node) {
    std::string s;
    THeadTreeNode* first = node->FirstChild;
    if (!first) return s;
    THeadTreeNode* c = first;
    do {
        if (c != first) s += ",";
        s += c->NodeText.str();
        if (c->FirstChild) s += "{" + Dump(c) + "}";
        c = c->NextSibling;
    } while (c != first);
    return s;
}

class TitleTreeTest : public GridTest {
protected:
    void Titles(const std::vector<std::string>& captions, std::vector<int> widths = {}) {
        grid->Columns()->Clear();
        grid->Columns()->BeginUpdate();
        for (std::size_t i = 0; i < captions.size(); ++i) {
            TColumnGx* c = grid->Columns()->Add();
            c->Title()->SetCaption(captions[i]);
            c->SetWidth(i < widths.size() ? widths[i] : 64);
        }
        grid->Columns()->EndUpdate();
        grid->SetUseMultiTitle(true);
    }
    std::string Tree() { return Dump(grid->HeadTree()); }
};

TEST_F(TitleTreeTest, CaptionsGroupUnderTheirFirstWords) {
    struct Case {
        std::vector<std::string> captions;
        const char* tree;
    };
    const Case cases[] = {
        {{"Coal|Ash", "Coal|Moisture", "Date"}, "Coal{Ash,Moisture},Date"},
        {{"A|B|X", "A|B|Y", "A|C"}, "A{B{X,Y},C}"},
        {{"A|X"}, "A{X}"},
        {{"A|X", "A|Y", "A|Z"}, "A{X,Y,Z}"},
        // A run stays under its first member's parent: the second column's "B" becomes a group
        // under A, and "B|Z" forms its own instead of losing its word.
        {{"A|B|X", "A|B", "B|Z"}, "A{B{X,}},B{Z}"},
        {{"A|", "|A", "A"}, "A|,|A,A"},
        {{"X|Y", "Z|Y"}, "X{Y},Z{Y}"},
    };
    for (const Case& c : cases) {
        Titles(c.captions);
        EXPECT_EQ(Tree(), c.tree);
        const auto& leaves = grid->LeafFieldArr();
        ASSERT_EQ(leaves.size(), c.captions.size());
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            EXPECT_EQ(leaves[i].FColumn, grid->Columns()->Items(static_cast<int>(i)));
            EXPECT_EQ(leaves[i].FLeaf->LeafColumn, leaves[i].FColumn);
        }
    }
}

TEST_F(TitleTreeTest, TheGeneralTableGroupsItsTitles) {
    Titles({"Параметр", "Отсадка|Время работы, час|Общее", "Отсадка|Время работы, час|Под нагрузкой",
            "Флотация|Переработка|м3", "Флотация|Переработка|тонн", "Флотация|Расход реагентов, л|Собиратель",
            "Флотация|Расход реагентов, л|Вспениватель", "Весы концентрата|На склад, тонн|п. 386-2",
            "Весы концентрата|Со склада, тонн|п. 401"},
           {217, 120, 120, 110, 110, 110, 110, 110, 110});
    EXPECT_EQ(Tree(),
              "Параметр,Отсадка{Время работы, час{Общее,Под нагрузкой}},"
              "Флотация{Переработка{м3,тонн},Расход реагентов, л{Собиратель,Вспениватель}},"
              "Весы концентрата{На склад, тонн{п. 386-2},Со склада, тонн{п. 401}}");
    THeadTreeNode* flotation = grid->HeadTree()->FirstChild->NextSibling->NextSibling;
    EXPECT_EQ(flotation->CellWidth, 4 * 110 + 3) << "members and the lines between them";
}

TEST_F(TitleTreeTest, GroupWidthsCountTheLinesBetweenMembers) {
    Titles({"Coal|Ash", "Coal|Moisture", "Date"}, {60, 70, 50});
    EXPECT_EQ(grid->HeadTree()->FirstChild->CellWidth, 60 + 70 + 1);
    Titles({"A|X", "A|Y", "A|Z"}, {60, 50, 70});
    grid->Columns()->Items(1)->SetVisible(false);
    EXPECT_EQ(grid->HeadTree()->FirstChild->CellWidth, 60 + 70 + 1) << "a hidden member adds nothing";
    grid->SetOptions(grid->Options() & ~dgColLines);
    EXPECT_EQ(grid->HeadTree()->FirstChild->CellWidth, 60 + 70);
}

TEST_F(TitleTreeTest, GroupsSpanTheWidthsFittedInTheSamePass) {
    grid->SetOptions(grid->Options() & ~dgIndicator);
    grid->SetClientWidth(300);
    Titles({"Coal|Ash", "Coal|Moisture", "Date"}, {100, 100, 100});
    grid->SetAutoFitColWidths(true);
    for (int width : {600, 240}) {
        SCOPED_TRACE(width);
        grid->SetClientWidth(width);
        ASSERT_GT(grid->ColWidths(2), 0);
        ASSERT_NE(grid->ColWidths(0), 100) << "the resize fitted the widths anew";
        THeadTreeNode* coal = grid->HeadTree()->FirstChild;
        EXPECT_EQ(coal->CellWidth, grid->ColWidths(0) + 1 + grid->ColWidths(1));
        EXPECT_EQ(coal->FirstChild->CellWidth, grid->ColWidths(0));
        EXPECT_EQ(coal->NextSibling->CellWidth, grid->ColWidths(2));
    }
}

TEST_F(TitleTreeTest, HeightsAddUpAlongEveryPath) {
    Titles({"Coal|Ash", "Coal|Moisture", "Date"}, {60, 70, 50});
    THeadTreeNode* root = grid->HeadTree();
    THeadTreeNode* coal = root->FirstChild;
    THeadTreeNode* date = coal->NextSibling;
    EXPECT_EQ(root->CellHeight, 46);
    EXPECT_EQ(coal->CellHeight, 23);
    EXPECT_EQ(coal->FirstChild->CellHeight, 23);
    EXPECT_EQ(coal->FirstChild->NextSibling->CellHeight, 23);
    EXPECT_EQ(date->CellHeight, 46);
    EXPECT_EQ(grid->RowHeights(0), 45) << "with 3-D titles";
    grid->SetOptionsGx(grid->OptionsGx() & ~dghFixed3D);
    EXPECT_EQ(grid->RowHeights(0), 43);

    // A caption wider than its cell takes two lines; an empty one still one.
    Titles({"Coal|Ash and moisture", "Coal|"}, {60, 70});
    EXPECT_EQ(root->CellHeight, 23 + 2 * 13 + 10);
    Titles({"A", "B"}, {0, 60});
    EXPECT_EQ(root->FirstChild->CellHeight, 13 + 10) << "the row's height reaches every leaf";
}

TEST_F(TitleTreeTest, NodesOutsideTheTreeOrLevelAreRefused) {
    THeadTreeNode root("Root", 10, 0);
    THeadTreeNode* a = root.AddChild(&root, "a", 10, 5);
    THeadTreeNode* b = root.AddChild(&root, "b", 10, 5);
    THeadTreeNode* c = root.AddChild(b, "c", 10, 5);
    THeadTreeNode stranger("x", 1, 1);
    try {
        root.Union(&stranger, a, "g", 5);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Node not in Tree");
    }
    try {
        root.Union(b, a, "g", 5);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "ATo not in level");
    }
    EXPECT_THROW(root.Add(&stranger, "y", 1, 1), Exception);
    EXPECT_EQ(c->GetLevel(), 2);
    root.Union(a, b, "g", 4);
    EXPECT_EQ(Dump(&root), "g{a,b{c}}");
    EXPECT_EQ(a->CellHeight, 6);
    EXPECT_EQ(root.FirstChild->CellWidth, 10);
}

}  // namespace
