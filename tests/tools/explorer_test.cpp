// Every situation the story can be in at a menu, explored from a new game:
// every state and scene is reached, nothing traps the player, menus stay
// within bounds, and the ice breaks exactly at eight holes.
#include "explore/story_figures.h"
#include "explored_story.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace {

constexpr StateId DEATH_SCENE = 70;
constexpr StateId WINDOW_SCENE = 58;
constexpr StateId HOLES_COUNTED = 23;

std::set<StateId> scenes_begun(const Exploration& exploration) {
    std::set<StateId> scenes;
    for (const Situation& s : exploration.situations)
        scenes.insert(s.scene);
    return scenes;
}

// The scenes begun, as the story began them.
std::set<StateId> begun;
const bool begun_watched =
    watch_exploration([](const Exploration&, const Transition&, const Trace& trace) {
        for (const Moment& m : trace.moments) {
            if (m.scene_begins)
                begun.insert(m.state);
        }
    });

TEST(Explorer, PerformsEveryStateAndBeginsEverySceneUpToTheFinale) {
    const Exploration& exploration = explored_story();
    StoryFigures figures = story_figures(exploration);
    std::string text = figures_text(figures);
    std::printf("%s", text.c_str());

    for (StateId state = 1; state <= HIGHEST_STATE; state++)
        EXPECT_GT(exploration.performed[state], 0) << "state " << state << " never performed";
    EXPECT_EQ(figures.states_performed, HIGHEST_STATE);
    EXPECT_EQ(begun, figures.scenes_begun);
    EXPECT_GT(figures.fewest_to_finale, 0) << "the finale cannot be reached";
    EXPECT_EQ(figures.replay_mismatches, 0) << "replaying a path did not restore its situation";
    // Changes whenever the catalogue changes what a player can do, or the
    // scenes it begins.
    EXPECT_SAME_TEXT(committed_doc("story-figures.txt"), text)
        << "docs/story-figures.txt is stale: run `make story-script`, look at the story map and "
           "the figures, and commit the result";
}

// From any situation the player can go on, without the quit key, to a new
// game or to the story's end; in fact every one can still reach the finale.
TEST(Explorer, NoSituationTrapsThePlayer) {
    const Exploration& exploration = explored_story();
    const Situation* new_game = &exploration.situations.at(0);
    std::vector<int> to_new_game_or_end = choices_to(
        exploration, [new_game](const Situation& s) { return &s == new_game; }, true);
    for (size_t s = 0; s < to_new_game_or_end.size(); s++) {
        ASSERT_GE(to_new_game_or_end[s], 0)
            << "trapped in scene " << exploration.situations[s].scene << " after "
            << ::testing::PrintToString(path_labels(exploration, static_cast<int>(s)));
    }
    EXPECT_GE(story_figures(exploration).longest_to_finale, 0);
    EXPECT_EQ(scenes_begun(exploration).count(FINALE_SCENE), 1u);

    // The quit key ends the story at once from every menu.
    for (const Transition& t : exploration.transitions) {
        if (t.from != START && t.choice == QUIT_CHOICE) {
            EXPECT_EQ(t.to, QUIT) << "quit from situation " << t.from;
        }
    }
}

TEST(Explorer, EveryMenuOffersOneToNineOptions) {
    const Exploration& exploration = explored_story();
    size_t most_at_window = 0;
    for (const Situation& s : exploration.situations) {
        EXPECT_GE(s.labels.size(), 1u) << "an empty menu in scene " << s.scene;
        EXPECT_LE(s.labels.size(), 9u) << "too many options in scene " << s.scene;
        if (s.scene == WINDOW_SCENE)
            most_at_window = std::max(most_at_window, s.labels.size());
    }
    // The window's four walks, two drillings and three hole options.
    EXPECT_EQ(most_at_window, 9u);
}

// What the holes count was when it was counted, by whether the ice broke,
// and the drownings that no count explains. (Checks wait until the
// exploration is over: while it runs, standard output is the story's.)
std::set<int> survived, drowned;
long unexplained = 0;
const bool ice_watched =
    watch_exploration([](const Exploration& e, const Transition& t, const Trace& trace) {
        const Situation* to = t.to >= 0 ? &e.situations[t.to] : nullptr;
        bool counted = false;
        for (const Moment& m : trace.moments) {
            if (m.state != HOLES_COUNTED)
                continue;
            counted = true;
            bool broke = to && to->facts.flags.drowned && to->scene == DEATH_SCENE;
            (broke ? drowned : survived).insert(m.holes);
        }
        bool was_drowned = t.from >= 0 && e.situations[t.from].facts.flags.drowned;
        if (to && to->facts.flags.drowned && !counted && !was_drowned)
            unexplained++;
    });

// Drowning: the holes count at the nested count decides, and nothing else
// ever sets the flag.
TEST(Explorer, TheIceBreaksExactlyWhenTheHolesReachEight) {
    const Exploration& exploration = explored_story();
    EXPECT_EQ(unexplained, 0) << "drowned without the holes being counted";
    EXPECT_EQ(survived, (std::set<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(drowned, (std::set<int>{8, 9, 10})); // 7 holes and three more
    for (const Situation& s : exploration.situations) {
        if (s.facts.flags.drowned) {
            EXPECT_EQ(s.scene, DEATH_SCENE);
        }
    }
}

} // namespace
