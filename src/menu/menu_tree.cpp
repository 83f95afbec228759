// The menu tree: options with action lists, groups, and the listing that
// drops spent options.
#include "menu/menu_tree.h"

#include <cstring>

MenuTree menu_tree;

MenuNode* menu_find_or_add_child(MenuNode* parent, const char* label) {
    for (MenuNode* child = parent->first_child; child; child = child->next) {
        if (std::strcmp(child->label, label) == 0)
            return child;
    }
    MenuNode* node = new MenuNode{};
    node->label = label;
    node->parent = parent;
    if (parent->child_count == 0) {
        parent->first_child = node;
        parent->chosen = node;
    } else {
        node->prev = parent->last_child;
        parent->last_child->next = node;
    }
    parent->child_count++;
    parent->last_child = node;
    return node;
}

// Releases a chain of nodes linked through `next`, each with its subtree.
static void free_nodes(MenuNode* node) {
    while (node) {
        MenuNode* next = node->next;
        menu_free_subtree(node);
        delete node;
        node = next;
    }
}

void menu_free_subtree(MenuNode* node) {
    MenuAction* action = node->first_action;
    while (action) {
        MenuAction* next = action->next;
        delete action;
        action = next;
    }
    free_nodes(node->first_child);
}

MenuTree* menu_tree_init(MenuTree* tree) {
    *tree = MenuTree{};
    tree->current = &tree->root;
    return tree;
}

void menu_tree_destroy(MenuTree* tree) {
    menu_free_subtree(&tree->root);
    // Removed nodes have empty child lists, but they still own their actions.
    free_nodes(tree->removed);
}

void menu_tree_clear(MenuTree* tree) {
    menu_tree_destroy(tree);
    menu_tree_init(tree);
}

void menu_tree_top(MenuTree* tree) {
    tree->current = &tree->root;
}

static MenuAction* append_action(MenuTree* tree, MenuNode* option, StateId state) {
    MenuAction* action = new MenuAction{state, nullptr};
    if (option->last_action)
        option->last_action->next = action;
    else
        option->first_action = action;
    option->last_action = action;
    tree->last_added = option;
    return action;
}

MenuAction* menu_add_option(MenuTree* tree, StateId state, const char* label) {
    return append_action(tree, menu_find_or_add_child(&tree->root, label), state);
}

MenuAction* menu_add_sub_option(MenuTree* tree, StateId state, const char* group_label,
                                const char* label) {
    MenuNode* group = menu_find_or_add_child(&tree->root, group_label);
    return append_action(tree, menu_find_or_add_child(group, label), state);
}

MenuAction* menu_add_action(MenuTree* tree, StateId state) {
    if (!tree->last_added)
        return nullptr;
    return append_action(tree, tree->last_added, state);
}

void menu_keep(MenuTree* tree) {
    MenuNode* option = tree->current->chosen;
    if (option)
        option->loop_point = option->cursor;
}

bool menu_is_spent(const MenuNode* node) {
    return !node->first_child && node->cursor && !node->cursor->next && !node->loop_point;
}

// Takes the node out of its parent's child list and keeps it for the next
// clear. Its `parent` stays, so a removed current group can still be left.
static void unlink_child(MenuTree* tree, MenuNode* child) {
    MenuNode* parent = child->parent;
    parent->child_count--;
    if (child->prev)
        child->prev->next = child->next;
    else
        parent->first_child = child->next;
    if (child->next)
        child->next->prev = child->prev;
    else
        parent->last_child = child->prev;
    child->prev = nullptr;
    child->next = tree->removed;
    tree->removed = child;
}

// Groups emptied by the removal go too, up to but never including the root.
static void remove_spent(MenuTree* tree, MenuNode* child) {
    MenuNode* parent = child->parent;
    unlink_child(tree, child);
    while (parent->child_count == 0 && parent->parent) {
        MenuNode* grandparent = parent->parent;
        unlink_child(tree, parent);
        parent = grandparent;
    }
}

void menu_list(MenuTree* tree, MenuListFn fn, void* user_data) {
    MenuNode* child = tree->current->first_child;
    while (child) {
        MenuNode* successor = child->next;
        if (menu_is_spent(child))
            remove_spent(tree, child);
        else
            fn(user_data, child->label, child);
        child = successor;
    }
}

static void add_to_listing(void* listing, const char* label, MenuNode* node) {
    MenuListing& into = *static_cast<MenuListing*>(listing);
    if (into.count < MENU_MAX_OPTIONS)
        into.options[into.count++] = {label, node};
}

MenuListing menu_listing(MenuTree* tree) {
    MenuListing listing{};
    menu_list(tree, add_to_listing, &listing);
    return listing;
}

std::int32_t menu_select(MenuTree* tree, MenuNode* node) {
    if (!node) {
        if (tree->current->parent)
            tree->current = tree->current->parent;
        return 0;
    }
    node->parent->chosen = node;
    if (node->first_child) {
        tree->current = node;
        return 0;
    }
    if (menu_is_spent(node))
        return 0;
    if (!node->cursor)
        node->cursor = node->first_action;
    else if (node->cursor->next)
        node->cursor = node->cursor->next;
    else
        node->cursor = node->loop_point;
    return node->cursor->state;
}

StateId scene_begin(StateId display_state) {
    menu_tree_clear(&menu_tree);
    return display_state;
}

MenuAction* add_option(StateId state, const char* label) {
    return menu_add_option(&menu_tree, state, label);
}

void keep_option() {
    menu_keep(&menu_tree);
}
