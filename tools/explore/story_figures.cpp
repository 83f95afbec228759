#include "story_figures.h"

#include <algorithm>

StoryFigures story_figures(const Exploration& exploration) {
    StoryFigures f{};
    f.situations = exploration.situations.size();
    f.transitions = exploration.transitions.size();
    f.states_performed =
        static_cast<int>(std::count_if(exploration.performed.begin() + 1,
                                       exploration.performed.end(), [](long n) { return n > 0; }));
    std::vector<int> to_finale = choices_to(
        exploration, [](const Situation& s) { return s.scene == FINALE_SCENE; }, false);
    f.fewest_to_finale = to_finale.at(0);
    f.longest_to_finale = std::count(to_finale.begin(), to_finale.end(), -1) > 0
                              ? -1
                              : *std::max_element(to_finale.begin(), to_finale.end());
    for (const Situation& s : exploration.situations) {
        f.most_options = std::max(f.most_options, static_cast<int>(s.labels.size()));
        f.deepest = std::max(f.deepest, s.depth);
    }
    f.replay_mismatches = exploration.replay_mismatches;
    f.scenes_begun = exploration.scenes_begun;
    return f;
}

std::string figures_text(const StoryFigures& f) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "situations: %zu\n"
                  "transitions: %zu\n"
                  "states performed: %d of %d\n"
                  "fewest choices from a new game to the finale: %d\n"
                  "longest shortest path to the finale: %d choices\n"
                  "deepest situation: %d choices from a new game\n"
                  "most options in a menu: %d\n"
                  "replays that missed their situation: %ld\n",
                  f.situations, f.transitions, f.states_performed, HIGHEST_STATE,
                  f.fewest_to_finale, f.longest_to_finale, f.deepest, f.most_options,
                  f.replay_mismatches);
    std::string figures = std::string(text) + "scenes begun:";
    for (StateId scene : f.scenes_begun) {
        figures += ' ';
        figures += std::to_string(scene);
    }
    figures += '\n';
    return figures;
}
