// The menu tree: the options of the current scene, each with a list of
// story states that it yields in turn.
#pragma once

#include "story/state_id.h"

#include <cstdint>

struct MenuAction {
    StateId state;
    MenuAction* next;
};

struct MenuNode {
    const char* label; // not owned: the story's constant text; null in the root
    MenuNode* parent;
    MenuAction* cursor; // the action the latest selection yielded
    MenuAction* first_action;
    MenuAction* last_action;
    MenuAction* loop_point; // where the cursor resumes; null means once-only
    MenuNode* chosen;       // the child selected most recently
    MenuNode* first_child;
    MenuNode* last_child;
    std::int32_t child_count;
    MenuNode* prev;
    MenuNode* next;
};

struct MenuTree {
    MenuNode root;
    MenuNode* current;
    MenuNode* last_added;
};

using MenuListFn = void (*)(void* user_data, const char* label, MenuNode* node);

extern MenuTree menu_tree;

MenuNode* menu_find_or_add_child(MenuNode* parent, const char* label);
void menu_free_subtree(MenuNode* node);
MenuTree* menu_tree_init(MenuTree* tree);
void menu_tree_destroy(MenuTree* tree);
void menu_tree_clear(MenuTree* tree);
void menu_tree_top(MenuTree* tree);
MenuAction* menu_add_option(MenuTree* tree, StateId state, const char* label);
MenuAction* menu_add_sub_option(MenuTree* tree, StateId state, const char* group_label,
                                const char* label);
MenuAction* menu_add_action(MenuTree* tree, StateId state);
void menu_keep(MenuTree* tree);
void menu_list(MenuTree* tree, MenuListFn fn, void* user_data);
std::int32_t menu_select(MenuTree* tree, MenuNode* node);

// An option that has yielded its last action and does not repeat.
bool menu_is_spent(const MenuNode* node);

// The story's side of the tree.
StateId scene_begin(StateId display_state);
MenuAction* add_option(StateId state, const char* label);
void keep_option();
