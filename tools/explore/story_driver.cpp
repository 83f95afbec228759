#include "story_driver.h"

#include "menu/chooser.h"
#include "session/terminal_width.h"
#include "term/paragraph.h"

#include <cstdio>
#include <stdio_ext.h>

Trace driver_trace;
StateCounts driver_performed;
StateId driver_scene;

// Wide enough that a paragraph never wraps: a said text stays in one piece
// in the trace, whatever its length.
constexpr int UNWRAPPED_WIDTH = 1 << 20;

static void note_option(void* listing, const char* label, MenuNode* node) {
    Listing& into = *static_cast<Listing*>(listing);
    if (into.labels.size() == MAX_SLOTS)
        return;
    into.labels.push_back(label);
    into.nodes.push_back(node);
}

Listing driver_list() {
    Listing listing;
    menu_list(&menu_tree, note_option, &listing);
    return listing;
}

StateId driver_select(const Listing& listing, size_t index) {
    StateId state = menu_select(&menu_tree, listing.nodes.at(index));
    out_column = 0; // the chooser leaves the cursor at the start of a line
    return state;
}

static void watch(StateId state, bool scene_begins) {
    if (state >= 1 && state <= HIGHEST_STATE)
        driver_performed[state]++;
    if (scene_begins)
        driver_scene = state;
    driver_flush();
    driver_trace.moments.push_back(
        {state, scene_begins, story_flags, counter_value(holes_text), driver_trace.text.size()});
}

void driver_flush() {
    std::fflush(stdout);
}

void driver_trace_clear() {
    driver_flush();
    driver_trace.moments.clear();
    driver_trace.text.clear();
}

static ssize_t append_output(void*, const char* bytes, size_t size) {
    driver_trace.text.append(bytes, size);
    return static_cast<ssize_t>(size);
}

// The story writes through stdout, which this C library lets a program
// point at a stream of its own.
static FILE* open_trace_stream() {
    cookie_io_functions_t io{};
    io.write = append_output;
    FILE* stream = fopencookie(nullptr, "w", io);
    // One thread writes it: taking the stream's lock for every byte would
    // cost the explorer most of its time.
    __fsetlocking(stream, FSETLOCKING_BYCALLER);
    return stream;
}

DriverSession::DriverSession(ChooseFn choose)
    : saved_stdout_(stdout), saved_chooser_(story_chooser), saved_watcher_(catalogue_watcher),
      saved_width_(TERM_WIDTH) {
    std::fflush(stdout);
    stdout = open_trace_stream();
    story_chooser = choose;
    catalogue_watcher = watch;
    TERM_WIDTH = UNWRAPPED_WIDTH;
    out_column = 0;
    // The story as the program starts it, whatever ran before.
    story_flags = StoryFlags{};
    holes_text = laps_text = nullptr;
    driver_performed = {};
    driver_scene = 0;
    driver_trace_clear();
}

DriverSession::~DriverSession() {
    std::fclose(stdout);
    stdout = saved_stdout_;
    story_chooser = saved_chooser_;
    catalogue_watcher = saved_watcher_;
    TERM_WIDTH = saved_width_;
}
