// The menu tree: the options of the current scene, each with a list of
// story states that it yields in turn, and the one listing of the current
// menu (menu_listing) that both choosers and the story's tools offer.
//
// Nodes and actions come from the heap one by one through plain `new`; when
// memory runs out, std::bad_alloc escapes to the program's entry point,
// which restores the terminal and exits nonzero.
#pragma once

#include "menu/state_id.h"

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
    // Nodes that listing took out of the tree, chained through `next`. They
    // stay alive until the next clear because a parent's `chosen`, `current`
    // and `last_added` may still point at them.
    MenuNode* removed;
};

using MenuListFn = void (*)(void* user_data, const char* label, MenuNode* node);

// Zero at program start; usable from the first clear on.
extern MenuTree menu_tree;

MenuNode* menu_find_or_add_child(MenuNode* parent, const char* label);
// Releases the node's actions and children; the node itself stays.
void menu_free_subtree(MenuNode* node);
// Zeroes the tree without releasing anything; for a tree that holds nothing.
MenuTree* menu_tree_init(MenuTree* tree);
// Releases every node and action; the fields are left as they were.
void menu_tree_destroy(MenuTree* tree);
// Releases everything and leaves an empty tree with the root current.
void menu_tree_clear(MenuTree* tree);
void menu_tree_top(MenuTree* tree);
// Adds always go under the root, whatever menu is current. An add under a
// label that is still in the menu extends that option's action list.
MenuAction* menu_add_option(MenuTree* tree, StateId state, const char* label);
MenuAction* menu_add_sub_option(MenuTree* tree, StateId state, const char* group_label,
                                const char* label);
// Extends the option that took the latest add; null when nothing was added.
MenuAction* menu_add_action(MenuTree* tree, StateId state);
// Makes the option chosen last in the current menu repeat from the action it
// has just yielded.
void menu_keep(MenuTree* tree);
// Drops the spent options of the current menu (and groups left empty by
// that), then hands every remaining child to fn in order.
void menu_list(MenuTree* tree, MenuListFn fn, void* user_data);

// The most options a menu offers at once; more are left off its listing.
constexpr int MENU_MAX_OPTIONS = 20;

struct MenuOption {
    const char* label;
    MenuNode* node;
};

// The current menu as the player is offered it: the first MENU_MAX_OPTIONS
// options that menu_list hands on, in order. Both choosers, the explorer and
// the scripted player list through it.
struct MenuListing {
    int count;
    MenuOption options[MENU_MAX_OPTIONS];
};
MenuListing menu_listing(MenuTree* tree);
// Null goes up one level (never above the root). A group is entered. An
// option yields its next state; 0 when a group was entered or left, or when
// an already spent option is selected again before the next listing.
std::int32_t menu_select(MenuTree* tree, MenuNode* node);

// An option that has yielded its last action and does not repeat.
bool menu_is_spent(const MenuNode* node);

// The story's side of the tree.
StateId scene_begin(StateId display_state);
MenuAction* add_option(StateId state, const char* label);
void keep_option();
