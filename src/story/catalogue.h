// The scene catalogue: what each of the story's 91 states says, which
// options it offers, what it changes, and how it ends.
#pragma once

#include "story/state_id.h"

// How a state ends: ask the player, continue at once with another state, or
// return from the current run of the story.
struct Step {
    enum Ending { CHOOSE, GO_TO, RETURN };
    Ending ending;
    StateId next; // only for GO_TO
};

constexpr Step choose() {
    return {Step::CHOOSE, 0};
}
constexpr Step go_to(StateId next) {
    return {Step::GO_TO, next};
}
constexpr Step end_run() {
    return {Step::RETURN, 0};
}

// Performs one state. A number outside 1..91 is no state: it ends the run.
Step catalogue_perform(StateId state);

// Told of every state as the catalogue begins to perform it, with
// scene_begins set for the display state that an entry state performs after
// emptying the menu. The game's watcher does nothing; tools and tests that
// watch the story put their own function here.
using StateWatchFn = void (*)(StateId state, bool scene_begins);
extern StateWatchFn catalogue_watcher;
