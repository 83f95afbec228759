#include "story_driver.h"

#include "term/paragraph.h"
#include "term/window_size.h"

#include <cstdio>

Trace driver_trace;
StateCounts driver_performed;
StateId driver_scene;

// Wide enough that a paragraph never wraps: a said text stays in one piece
// in the trace, whatever its length.
constexpr int UNWRAPPED_WIDTH = 1 << 20;

Listing driver_list() {
    MenuListing menu = menu_listing(&menu_tree);
    Listing listing;
    for (int i = 0; i < menu.count; i++) {
        listing.labels.push_back(menu.options[i].label);
        listing.nodes.push_back(menu.options[i].node);
    }
    return listing;
}

StateId driver_select(const Listing& listing, size_t index) {
    StateId state = menu_select(&menu_tree, listing.nodes.at(index));
    paragraph_at_column(0); // the chooser leaves the cursor at the start of a line
    return state;
}

static void watch(StateId state, bool scene_begins) {
    if (catalogue_has_state(state))
        driver_performed[state]++;
    if (scene_begins)
        driver_scene = state;
    driver_flush();
    driver_trace.moments.push_back({state, scene_begins, story_flags, counter_value(holes_text),
                                    counter_value(laps_text), driver_trace.text.size()});
}

// Each option of the menu as last noted, with how many actions it held.
// Nodes are told apart by address: one that listing took out stays alive,
// and so keeps its address, until the next scene_begin, and a scene's
// display state is always noted between that and the scene's first add.
static std::vector<std::pair<const MenuNode*, int>> menu_noted;

static int actions_noted(const MenuNode* node) {
    for (const auto& [noted, actions] : menu_noted) {
        if (noted == node)
            return actions;
    }
    return 0;
}

// Adds the actions that joined the menu since it was last noted to the
// trace, as the latest moment's.
static void note_offers() {
    static std::vector<std::pair<const MenuNode*, int>> now;
    now.clear();
    for (const MenuNode* node = menu_tree.root.first_child; node; node = node->next) {
        int index = 0;
        int before = actions_noted(node);
        for (const MenuAction* a = node->first_action; a; a = a->next, index++) {
            if (index >= before && !driver_trace.moments.empty())
                driver_trace.offers.push_back(
                    {driver_trace.moments.size() - 1, node->label, a->state});
        }
        now.emplace_back(node, index);
    }
    menu_noted.swap(now);
}

// The open session's capture, for driver_flush.
static OutputCapture* driver_capture;

void driver_flush() {
    if (driver_capture != nullptr)
        driver_capture->collect();
    note_offers();
}

void driver_trace_clear() {
    driver_flush();
    driver_trace.moments.clear();
    driver_trace.offers.clear();
    driver_trace.text.clear();
}

DriverSession::DriverSession(ChooseFn choose)
    : capture_(&driver_trace.text), saved_hooks_(story_hooks()),
      saved_width_(term_window().columns) {
    driver_capture = &capture_;
    story_set_hooks({choose, watch});
    term_set_window({UNWRAPPED_WIDTH, term_window().rows});
    paragraph_at_column(0);
    // The story as the program starts it, whatever ran before.
    story_flags = StoryFlags{};
    holes_text = laps_text = nullptr;
    driver_performed = {};
    driver_scene = 0;
    driver_trace_clear();
}

DriverSession::~DriverSession() {
    story_set_hooks(saved_hooks_);
    driver_capture = nullptr;
    term_set_window({saved_width_, term_window().rows});
}
