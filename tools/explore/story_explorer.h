// Explores the story breadth-first over every distinct situation it can be
// in at a menu, by trying each listed option and the quit key in turn.
#pragma once

#include "story_driver.h"

#include <functional>
#include <set>

// The laps count only ever shows in a text, so situations that differ in it
// alone are one: the count enters a situation capped at this value, which
// still tells a lake never walked from one walked around.
constexpr int LAPS_CAP = 1;

// What the story reads: the flags and the holes count.
struct Facts {
    StoryFlags flags;
    int holes;
};

// The story waiting at a menu.
struct Situation {
    StateId scene; // display state of the scene it waits in
    Facts facts;
    int laps;                        // capped at LAPS_CAP
    std::vector<const char*> labels; // the menu as listed
    int parent;                      // the situation it was first reached from; -1 for the first
    int choice;                      // the option taken there
    int depth;                       // choices from a new game
};

// Where a transition may lead besides a situation.
constexpr int START = -1;       // the program's start: no situation before it
constexpr int ENDED = -2;       // the story returned by itself (no new game)
constexpr int QUIT = -3;        // the story returned on the quit key
constexpr int QUIT_CHOICE = -1; // a choice: the quit key instead of an option

// The situation `from` (or START), the option index (or QUIT_CHOICE), and
// the situation it led to (or ENDED, QUIT).
struct Transition {
    int from;
    int choice;
    int to;
};

struct Exploration {
    std::vector<Situation> situations;
    std::vector<Transition> transitions; // the first is the start
    StateCounts performed;               // over every transition
    std::set<StateId> scenes_begun;      // entry states whose scene_begin ran
    long replays;                        // runs of the story from a new game
    long replay_mismatches;              // replays that did not come back to their situation
};

// Told of every transition once, with the trace of what the story did in
// it; from is START for the run from the program's start to the first menu.
// It runs while standard output is the story's: what it prints is lost.
using TransitionFn = std::function<void(const Exploration&, const Transition&, const Trace&)>;

// Explores from a new game. The story's own output is kept from the
// terminal while it runs.
Exploration story_explore(const TransitionFn& on_transition = {});

// The choices that reach a situation from a new game.
std::vector<int> path_to(const Exploration& exploration, int situation);

// The labels of the options chosen on the way to a situation.
std::vector<std::string> path_labels(const Exploration& exploration, int situation);

// The label of the option a transition took, "(quit)" or "(start)".
const char* choice_label(const Exploration& exploration, const Transition& transition);

// Fewest choices from each situation, without the quit key, to a situation
// that meets goal (or to the story's own end, if that counts); -1 where
// there is no way.
std::vector<int> choices_to(const Exploration& exploration,
                            const std::function<bool(const Situation&)>& goal, bool end_counts);
