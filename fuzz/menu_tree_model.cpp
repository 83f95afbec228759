#include "menu_tree_model.h"

#include "byte_reader.h"
#include "fuzz_check.h"
#include "menu/menu_tree.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace {

// Equal texts in distinct arrays must merge; texts one byte apart must not.
const char LABEL_UP[] = "Kliva upp";
const char LABEL_UP_COPY[] = "Kliva upp";
const char LABEL_UP_SPACE[] = "Kliva upp ";
const char LABEL_SLEEP[] = "Sova";
const char LABEL_EMPTY[] = "";
const char LABEL_LAKE[] = "Gå ut på sjön";
const char* const LABELS[] = {LABEL_UP,    LABEL_UP_COPY, LABEL_UP_SPACE,
                              LABEL_SLEEP, LABEL_EMPTY,   LABEL_LAKE};

// States are one signed byte: small numbers like the story's, 0 (what a
// group's selection returns) and negative ones.
StateId take_state(ByteReader& data) {
    return static_cast<std::int8_t>(reader_byte(data));
}

const char* take_label(ByteReader& data) {
    return LABELS[reader_pick(data, std::size(LABELS))];
}

struct ModelNode {
    const char* label = nullptr;
    ModelNode* parent = nullptr;
    std::vector<StateId> actions;
    int cursor = -1; // index of the action yielded last; -1 before the first
    int loop = -1;   // index where the cursor resumes; -1 for once-only
    ModelNode* chosen = nullptr;
    std::vector<ModelNode*> children;
    MenuNode* real = nullptr;
};

struct TreeModel {
    std::vector<std::unique_ptr<ModelNode>> nodes; // removed ones stay until the clear
    ModelNode root;
    ModelNode* current = &root;
    ModelNode* last_added = nullptr;
    std::vector<ModelNode*> listed; // what the latest listing passed on
};

void model_clear(TreeModel& model) {
    model.nodes.clear();
    model.root = ModelNode{};
    model.root.real = &menu_tree.root;
    model.current = &model.root;
    model.last_added = nullptr;
    model.listed.clear();
}

bool model_is_spent(const ModelNode* node) {
    return node->children.empty() && node->cursor >= 0 &&
           node->cursor == static_cast<int>(node->actions.size()) - 1 && node->loop < 0;
}

// Finds the child by its text, or appends a new one; `bind` ties a new one
// to its real node.
ModelNode* model_find_or_add(TreeModel& model, ModelNode* parent, const char* label) {
    for (ModelNode* child : parent->children) {
        if (std::strcmp(child->label, label) == 0)
            return child;
    }
    model.nodes.push_back(std::make_unique<ModelNode>());
    ModelNode* node = model.nodes.back().get();
    node->label = label;
    node->parent = parent;
    if (parent->children.empty())
        parent->chosen = node;
    parent->children.push_back(node);
    return node;
}

void model_unlink(ModelNode* node) {
    std::vector<ModelNode*>& siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
}

void model_list(TreeModel& model, std::vector<ModelNode*>& passed) {
    const std::vector<ModelNode*> children = model.current->children;
    for (ModelNode* child : children) {
        if (!model_is_spent(child)) {
            passed.push_back(child);
            continue;
        }
        ModelNode* parent = child->parent;
        model_unlink(child);
        while (parent->children.empty() && parent->parent) {
            model_unlink(parent);
            parent = parent->parent;
        }
    }
}

StateId model_select(TreeModel& model, ModelNode* node) {
    if (!node) {
        if (model.current->parent)
            model.current = model.current->parent;
        return 0;
    }
    node->parent->chosen = node;
    if (!node->children.empty()) {
        model.current = node;
        return 0;
    }
    if (model_is_spent(node))
        return 0;
    FUZZ_CHECK(!node->actions.empty());
    if (node->cursor < 0)
        node->cursor = 0;
    else if (node->cursor + 1 < static_cast<int>(node->actions.size()))
        node->cursor++;
    else
        node->cursor = node->loop;
    return node->actions[node->cursor];
}

int action_index(const MenuNode* node, const MenuAction* action) {
    if (!action)
        return -1;
    int index = 0;
    for (const MenuAction* a = node->first_action; a; a = a->next, index++) {
        if (a == action)
            return index;
    }
    fuzz_fail(__FILE__, __LINE__, "cursor or loop point outside the node's own actions");
}

void check_node(const ModelNode& model, const MenuNode* real) {
    FUZZ_CHECK(real == model.real);
    FUZZ_CHECK(real->label == model.label);
    FUZZ_CHECK(real->parent == (model.parent ? model.parent->real : nullptr));
    std::vector<StateId> actions;
    const MenuAction* last = nullptr;
    for (const MenuAction* a = real->first_action; a; a = a->next) {
        actions.push_back(a->state);
        last = a;
    }
    FUZZ_CHECK(actions == model.actions);
    FUZZ_CHECK(real->last_action == last);
    FUZZ_CHECK(action_index(real, real->cursor) == model.cursor);
    FUZZ_CHECK(action_index(real, real->loop_point) == model.loop);
    FUZZ_CHECK(real->chosen == (model.chosen ? model.chosen->real : nullptr));
    FUZZ_CHECK(real->child_count == static_cast<int>(model.children.size()));
    const MenuNode* child = real->first_child;
    const MenuNode* prev = nullptr;
    for (const ModelNode* expected : model.children) {
        FUZZ_CHECK(child != nullptr);
        FUZZ_CHECK(child->prev == prev);
        check_node(*expected, child);
        prev = child;
        child = child->next;
    }
    FUZZ_CHECK(child == nullptr);
    FUZZ_CHECK(real->last_child == prev);
}

void check_tree(const TreeModel& model) {
    check_node(model.root, &menu_tree.root);
    FUZZ_CHECK(menu_tree.current == model.current->real);
    FUZZ_CHECK(menu_tree.last_added == (model.last_added ? model.last_added->real : nullptr));
}

struct ListedNode {
    const char* label;
    MenuNode* node;
};

void collect(void* user_data, const char* label, MenuNode* node) {
    static_cast<std::vector<ListedNode>*>(user_data)->push_back({label, node});
}

void step_list(TreeModel& model) {
    std::vector<ListedNode> real;
    menu_list(&menu_tree, collect, &real);
    model.listed.clear();
    model_list(model, model.listed);
    FUZZ_CHECK(real.size() == model.listed.size());
    for (size_t i = 0; i < real.size(); i++) {
        FUZZ_CHECK(real[i].node == model.listed[i]->real);
        FUZZ_CHECK(real[i].label == model.listed[i]->label);
        FUZZ_CHECK(!menu_is_spent(real[i].node));
    }
}

// Records the real node behind a model node that an add has just created.
void bind(ModelNode* node, MenuNode* real) {
    if (!node->real)
        node->real = real;
    FUZZ_CHECK(node->real == real);
}

void step_add(TreeModel& model, ByteReader& data, bool story_facing) {
    StateId state = take_state(data);
    const char* label = take_label(data);
    MenuAction* action =
        story_facing ? add_option(state, label) : menu_add_option(&menu_tree, state, label);
    ModelNode* option = model_find_or_add(model, &model.root, label);
    bind(option, menu_tree.last_added);
    option->actions.push_back(state);
    model.last_added = option;
    FUZZ_CHECK(action == menu_tree.last_added->last_action && action->state == state);
}

void step_add_sub(TreeModel& model, ByteReader& data) {
    StateId state = take_state(data);
    const char* group_label = take_label(data);
    const char* label = take_label(data);
    MenuAction* action = menu_add_sub_option(&menu_tree, state, group_label, label);
    MenuNode* real = menu_tree.last_added;
    ModelNode* group = model_find_or_add(model, &model.root, group_label);
    bind(group, real->parent);
    ModelNode* option = model_find_or_add(model, group, label);
    bind(option, real);
    option->actions.push_back(state);
    model.last_added = option;
    FUZZ_CHECK(action == real->last_action && action->state == state);
}

void step_add_action(TreeModel& model, ByteReader& data) {
    StateId state = take_state(data);
    MenuAction* action = menu_add_action(&menu_tree, state);
    if (!model.last_added) {
        FUZZ_CHECK(action == nullptr);
        return;
    }
    model.last_added->actions.push_back(state);
    FUZZ_CHECK(action == menu_tree.last_added->last_action && action->state == state);
}

// Only nodes of the latest listing may be selected; the pick past them goes
// up, which the tree must also survive at the root.
void step_select(TreeModel& model, ByteReader& data) {
    size_t pick = reader_pick(data, static_cast<int>(model.listed.size()) + 1);
    ModelNode* node = pick < model.listed.size() ? model.listed[pick] : nullptr;
    std::int32_t result = menu_select(&menu_tree, node ? node->real : nullptr);
    FUZZ_CHECK(result == model_select(model, node));
}

void step_keep(TreeModel& model, bool story_facing) {
    if (story_facing)
        keep_option();
    else
        menu_keep(&menu_tree);
    if (ModelNode* option = model.current->chosen)
        option->loop = option->cursor;
}

void step_clear(TreeModel& model, ByteReader& data) {
    switch (reader_pick(data, 3)) {
    case 0: {
        StateId state = take_state(data);
        FUZZ_CHECK(scene_begin(state) == state);
        break;
    }
    case 1:
        menu_tree_clear(&menu_tree);
        break;
    default:
        menu_tree_destroy(&menu_tree);
        FUZZ_CHECK(menu_tree_init(&menu_tree) == &menu_tree);
        break;
    }
    model_clear(model);
}

enum TreeStep { ADD, ADD_STORY, ADD_SUB, ADD_ACTION, LIST, SELECT, KEEP, KEEP_STORY, TOP, CLEAR };

} // namespace

void menu_tree_run(const std::uint8_t* bytes, std::size_t size) {
    ByteReader data{bytes, size, 0};
    TreeModel model;
    menu_tree_clear(&menu_tree);
    model_clear(model);
    while (!reader_done(data)) {
        switch (reader_pick(data, CLEAR + 1)) {
        case ADD:
            step_add(model, data, false);
            break;
        case ADD_STORY:
            step_add(model, data, true);
            break;
        case ADD_SUB:
            step_add_sub(model, data);
            break;
        case ADD_ACTION:
            step_add_action(model, data);
            break;
        case LIST:
            step_list(model);
            break;
        case SELECT:
            step_select(model, data);
            break;
        case KEEP:
            step_keep(model, false);
            break;
        case KEEP_STORY:
            step_keep(model, true);
            break;
        case TOP:
            menu_tree_top(&menu_tree);
            model.current = &model.root;
            break;
        case CLEAR:
            step_clear(model, data);
            break;
        }
        check_tree(model);
    }
    menu_tree_clear(&menu_tree);
}
