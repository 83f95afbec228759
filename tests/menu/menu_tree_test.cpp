// Menu tree: merging adds, once-only and kept options, removal at listing
// time, groups, release of every node, and random runs against a model.
#include "menu/menu_tree.h"
#include "menu_tree_model.h"
#include "support/model_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define MENU_TEST_LSAN 1
#endif

namespace {

struct Listed {
    std::string label;
    MenuNode* node;
};

std::vector<Listed> list_menu(MenuTree* tree) {
    std::vector<Listed> out;
    menu_list(
        tree,
        [](void* data, const char* label, MenuNode* node) {
            static_cast<std::vector<Listed>*>(data)->push_back({label, node});
        },
        &out);
    return out;
}

std::vector<std::string> labels(const std::vector<Listed>& listed) {
    std::vector<std::string> out;
    for (const Listed& l : listed)
        out.push_back(l.label);
    return out;
}

bool in_actions(const MenuNode* node, const MenuAction* action) {
    for (const MenuAction* a = node->first_action; a; a = a->next) {
        if (a == action)
            return true;
    }
    return false;
}

// The links that adding and removal must keep consistent.
void check_links(const MenuNode* node) {
    EXPECT_TRUE(!node->cursor || in_actions(node, node->cursor));
    EXPECT_TRUE(!node->loop_point || in_actions(node, node->loop_point));
    std::int32_t count = 0;
    const MenuNode* prev = nullptr;
    for (const MenuNode* c = node->first_child; c; prev = c, c = c->next) {
        EXPECT_EQ(c->prev, prev);
        EXPECT_EQ(c->parent, node);
        check_links(c);
        count++;
    }
    EXPECT_EQ(node->last_child, prev);
    EXPECT_EQ(node->child_count, count);
}

// Lists, then selects the option with the given label, as the chooser does.
std::int32_t choose(MenuTree* tree, const std::string& label) {
    for (const Listed& l : list_menu(tree)) {
        if (l.label == label)
            return menu_select(tree, l.node);
    }
    ADD_FAILURE() << label << " is not listed";
    return -1;
}

class MenuTreeTest : public ::testing::Test {
  protected:
    void SetUp() override { menu_tree_init(&tree); }
    void TearDown() override {
        check_links(&tree.root);
        menu_tree_destroy(&tree);
    }
    MenuTree tree;
};

using Names = std::vector<std::string>;

TEST_F(MenuTreeTest, AddsUnderOneLabelBuildOneOptionYieldingInTurn) {
    MenuAction* first = menu_add_option(&tree, 5, "X");
    MenuAction* second = menu_add_option(&tree, 9, "X");
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->state, 9);
    EXPECT_EQ(tree.root.child_count, 1);
    EXPECT_EQ(choose(&tree, "X"), 5);
    EXPECT_EQ(choose(&tree, "X"), 9);
    EXPECT_TRUE(list_menu(&tree).empty());
}

TEST_F(MenuTreeTest, OnceOnlyOptionIsListedUntilChosen) {
    menu_add_option(&tree, 67, "Kliva upp");
    menu_add_option(&tree, 66, "Sova");
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"Kliva upp", "Sova"}));
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"Kliva upp", "Sova"}));
    EXPECT_EQ(choose(&tree, "Sova"), 66);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"Kliva upp"}));
}

// keep after the first, second or third of A=1, B=2, C=3.
TEST_F(MenuTreeTest, KeepRepeatsFromTheActionJustYielded) {
    const std::vector<std::int32_t> expected[] = {
        {1, 2, 3, 1, 2, 3, 1, 2, 3}, {1, 2, 3, 2, 3, 2, 3, 2, 3}, {1, 2, 3, 3, 3, 3, 3, 3, 3}};
    for (int keep_at = 0; keep_at < 3; keep_at++) {
        menu_tree_clear(&tree);
        for (StateId s = 1; s <= 3; s++)
            menu_add_option(&tree, s, "ABC");
        std::vector<std::int32_t> got;
        for (int i = 0; i < 9; i++) {
            got.push_back(choose(&tree, "ABC"));
            if (i == keep_at)
                menu_keep(&tree);
        }
        EXPECT_EQ(got, expected[keep_at]) << "keep after action " << keep_at;
        EXPECT_FALSE(menu_is_spent(list_menu(&tree).at(0).node));
    }
}

TEST_F(MenuTreeTest, TenthStateKeptRepeatsForever) {
    for (StateId s = 11; s <= 20; s++)
        menu_add_option(&tree, s, "Borra");
    for (StateId s = 11; s <= 20; s++)
        EXPECT_EQ(choose(&tree, "Borra"), s);
    menu_keep(&tree);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(choose(&tree, "Borra"), 20);
}

TEST_F(MenuTreeTest, KeepBeforeFirstSelectionChangesNothingAndLaterKeepMovesLoop) {
    menu_add_option(&tree, 1, "A");
    menu_add_option(&tree, 2, "A");
    menu_add_option(&tree, 3, "A");
    menu_keep(&tree); // `chosen` is A, still fresh
    EXPECT_EQ(tree.root.first_child->loop_point, nullptr);
    EXPECT_EQ(choose(&tree, "A"), 1);
    menu_keep(&tree);
    EXPECT_EQ(choose(&tree, "A"), 2);
    menu_keep(&tree);
    EXPECT_EQ(choose(&tree, "A"), 3);
    EXPECT_EQ(choose(&tree, "A"), 2);
}

TEST_F(MenuTreeTest, AddAfterLastActionKeepsOptionAndRemovedLabelStartsFresh) {
    menu_add_option(&tree, 1, "Hål");
    menu_add_option(&tree, 2, "Gå");
    EXPECT_EQ(choose(&tree, "Hål"), 1);
    EXPECT_TRUE(menu_is_spent(tree.root.first_child));
    menu_add_option(&tree, 40, "Hål");
    EXPECT_EQ(choose(&tree, "Hål"), 40);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"Gå"}));
    menu_add_option(&tree, 41, "Hål");
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"Gå", "Hål"}));
    EXPECT_EQ(choose(&tree, "Hål"), 41);
}

TEST_F(MenuTreeTest, LabelsCompareAsBytesNotPointers) {
    static char sova1[] = "Sova", sova2[] = "Sova", sovb[] = "Sovb";
    static char a_ring[] = "\xc3\xa5", a_dots[] = "\xc3\xa4";
    ASSERT_NE(sova1, sova2);
    menu_add_option(&tree, 1, sova1);
    menu_add_option(&tree, 2, sova2);
    menu_add_option(&tree, 3, sovb);
    menu_add_option(&tree, 4, a_ring);
    menu_add_option(&tree, 5, a_dots);
    std::vector<Listed> listed = list_menu(&tree);
    EXPECT_EQ(labels(listed), (Names{"Sova", "Sovb", "\xc3\xa5", "\xc3\xa4"}));
    EXPECT_EQ(listed[0].node->label, sova1);
    EXPECT_EQ(menu_select(&tree, listed[0].node), 1);
    EXPECT_EQ(menu_select(&tree, listed[0].node), 2);
}

TEST_F(MenuTreeTest, ClearOnEmptyTreeLeavesItEmpty) {
    menu_tree_clear(&tree);
    menu_tree_clear(&tree);
    EXPECT_EQ(tree.current, &tree.root);
    EXPECT_EQ(tree.root.first_child, nullptr);
    EXPECT_EQ(tree.last_added, nullptr);
    EXPECT_TRUE(list_menu(&tree).empty());
}

TEST_F(MenuTreeTest, RemovingHeadTailOrMiddleKeepsTheOthersInOrder) {
    const char* names[] = {"A", "B", "C"};
    for (int gone = 0; gone < 3; gone++) {
        menu_tree_clear(&tree);
        for (int i = 0; i < 3; i++)
            menu_add_option(&tree, i + 1, names[i]);
        EXPECT_EQ(choose(&tree, names[gone]), gone + 1);
        Names rest;
        for (int i = 0; i < 3; i++) {
            if (i != gone)
                rest.push_back(names[i]);
        }
        EXPECT_EQ(labels(list_menu(&tree)), rest) << "removed " << names[gone];
        check_links(&tree.root);
    }
}

TEST_F(MenuTreeTest, AdjacentSpentOptionsAllGoInOneListing) {
    for (const char* name : {"A", "B", "C", "D"})
        menu_add_option(&tree, 1, name);
    std::vector<Listed> listed = list_menu(&tree);
    for (int i : {0, 1, 3})
        menu_select(&tree, listed[i].node);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"C"}));
    EXPECT_EQ(choose(&tree, "C"), 1);
    EXPECT_TRUE(list_menu(&tree).empty());
    EXPECT_EQ(tree.root.last_child, nullptr);
}

TEST_F(MenuTreeTest, GroupIsEnteredAndRemovedWithItsLastOption) {
    menu_add_sub_option(&tree, 7, "G", "a");
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"G"}));
    MenuNode* group = tree.root.first_child;
    EXPECT_FALSE(menu_is_spent(group));
    EXPECT_EQ(menu_select(&tree, group), 0);
    EXPECT_EQ(tree.current, group);
    EXPECT_EQ(choose(&tree, "a"), 7);
    EXPECT_TRUE(list_menu(&tree).empty());
    EXPECT_EQ(tree.current, group); // left on the removed group
    EXPECT_EQ(tree.root.child_count, 0);
    EXPECT_EQ(menu_select(&tree, nullptr), 0);
    EXPECT_EQ(tree.current, &tree.root);
    EXPECT_TRUE(list_menu(&tree).empty());
}

TEST_F(MenuTreeTest, GroupsNavigateUpAndDownAndMixWithOptions) {
    menu_add_option(&tree, 1, "a"); // the same label at two levels
    menu_add_sub_option(&tree, 2, "G", "a");
    menu_add_sub_option(&tree, 3, "G", "b");
    menu_add_action(&tree, 4);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"a", "G"}));
    EXPECT_EQ(choose(&tree, "G"), 0);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"a", "b"}));
    EXPECT_EQ(choose(&tree, "b"), 3);
    EXPECT_EQ(menu_select(&tree, nullptr), 0);
    EXPECT_EQ(tree.current, &tree.root);
    EXPECT_EQ(menu_select(&tree, nullptr), 0); // not above the root
    EXPECT_EQ(tree.current, &tree.root);
    EXPECT_EQ(choose(&tree, "a"), 1);
    EXPECT_EQ(choose(&tree, "G"), 0);
    EXPECT_EQ(choose(&tree, "a"), 2);
    EXPECT_EQ(choose(&tree, "b"), 4);
    EXPECT_TRUE(list_menu(&tree).empty());
    menu_tree_top(&tree);
    EXPECT_TRUE(list_menu(&tree).empty());
}

TEST_F(MenuTreeTest, AddActionExtendsLatestOptionAndNeedsAnAdd) {
    EXPECT_EQ(menu_add_action(&tree, 3), nullptr);
    menu_add_option(&tree, 1, "A");
    menu_add_option(&tree, 5, "B");
    menu_add_action(&tree, 6);
    EXPECT_EQ(tree.root.chosen, tree.root.first_child);
    EXPECT_EQ(choose(&tree, "B"), 5);
    EXPECT_EQ(choose(&tree, "B"), 6);
    EXPECT_EQ(labels(list_menu(&tree)), (Names{"A"}));
}

// A second selection without a listing in between finds the option spent:
// it yields nothing rather than restarting or running off its list.
TEST_F(MenuTreeTest, SpentOptionSelectedAgainYieldsNothing) {
    menu_add_option(&tree, 8, "A");
    MenuNode* a = list_menu(&tree).at(0).node;
    EXPECT_EQ(menu_select(&tree, a), 8);
    EXPECT_EQ(menu_select(&tree, a), 0);
    EXPECT_TRUE(menu_is_spent(a));
}

// The global tree as the program found it, before any test used it.
const MenuNode* const TREE_AT_START = menu_tree.current;

TEST(MenuStory, SceneBeginEmptiesTheGlobalTree) {
    EXPECT_EQ(TREE_AT_START, nullptr);
    EXPECT_EQ(scene_begin(69), 69);
    add_option(67, "Kliva upp");
    add_option(66, "Sova");
    EXPECT_EQ(choose(&menu_tree, "Sova"), 66);
    keep_option();
    EXPECT_EQ(labels(list_menu(&menu_tree)), (Names{"Kliva upp", "Sova"}));
    EXPECT_EQ(scene_begin(32), 32);
    EXPECT_EQ(menu_tree.current, &menu_tree.root);
    EXPECT_TRUE(list_menu(&menu_tree).empty());
}

// Every node and action, removed or not, goes at the next scene.
TEST(MenuStory, ManyScenesLeaveNothingBehind) {
    const char* names[] = {"a", "b", "c", "d"};
    for (int scene = 0; scene < 3000; scene++) {
        scene_begin(scene);
        for (int i = 0; i < 4; i++) {
            for (int j = 0; j <= i; j++)
                add_option(j + 1, names[i]);
        }
        menu_add_sub_option(&menu_tree, 9, "G", "x");
        EXPECT_EQ(choose(&menu_tree, "a"), 1);
        EXPECT_EQ(choose(&menu_tree, "b"), 1);
        keep_option();
        EXPECT_EQ(choose(&menu_tree, "c"), 1);
        EXPECT_EQ(choose(&menu_tree, "G"), 0);
        EXPECT_EQ(choose(&menu_tree, "x"), 9);
        EXPECT_TRUE(list_menu(&menu_tree).empty());
        menu_add_action(&menu_tree, 10); // onto the removed option
        keep_option();
        menu_select(&menu_tree, nullptr);
        ASSERT_EQ(labels(list_menu(&menu_tree)), (Names{"b", "c", "d"}));
    }
    scene_begin(1);
#ifdef MENU_TEST_LSAN
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

TEST(MenuModel, RandomRunsMatchTheModel) {
    expect_model_holds(menu_tree_run, 300, random_bytes(600));
}

} // namespace
