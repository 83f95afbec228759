// What the explorer found, in figures.
#pragma once

#include "story_explorer.h"

#include <string>

constexpr StateId FINALE_SCENE = 73; // display state of the finale

struct StoryFigures {
    size_t situations;
    size_t transitions;
    int states_performed;  // distinct states, of HIGHEST_STATE
    int fewest_to_finale;  // choices from a new game
    int longest_to_finale; // the most any situation needs; -1 if one cannot
    int deepest;           // the most choices a situation needs from a new game
    int most_options;      // in any menu listed
    long replay_mismatches;
    std::set<StateId> scenes_begun;
};

StoryFigures story_figures(const Exploration& exploration);

// One figure a line, "name: value"; the scenes by their entry states.
std::string figures_text(const StoryFigures& figures);
