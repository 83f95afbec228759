// The committed story map and script are the ones the catalogue yields now:
// the map shows every scene with the conditions that decide its ways out,
// the script every text and option of every state.
#include "explore/story_map.h"
#include "explore/story_script.h"
#include "explored_story.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

namespace {

StoryMap map;
StoryScript script;
const bool map_and_script_watched =
    watch_exploration([](const Exploration& e, const Transition& t, const Trace& trace) {
        map_note(map, e, t, trace);
        script_note(script, trace);
    });

TEST(StoryMap, TheCommittedMapIsTheCatalogues) {
    explored_story();
    std::string now = map_dot(map);
    EXPECT_SAME_TEXT(committed_doc("story-map.dot"), now)
        << "docs/story-map.dot is stale: run `make story-script` and commit the result";

    for (const char* scene :
         {"new game", "the bed", "the room with the window", "at the window", "down below",
          "inside the lift", "the room with the door", "the tiny room", "behind the door",
          "the room that holds a sea", "the ice giant", "up on the ice", "the island", "the finale",
          "death", "the story ends"})
        EXPECT_TRUE(contains(now, scene)) << scene;
    EXPECT_FALSE(contains(now, "[?]")) << "a way out that no condition explains";
    // Where flags or the count decide, the arrow says how.
    EXPECT_TRUE(
        contains(now, "scene13 -> scene73 [label=\"Gå in i undervattensbåten\\n[has_key]\"]"));
    EXPECT_TRUE(contains(now, "scene3 -> scene79 [label=\"[has_handle && has_hammer]\"]"));
    EXPECT_TRUE(contains(now, "scene3 -> scene70 [label=\"[otherwise]\"]"));
    EXPECT_TRUE(
        contains(now, "scene58 -> scene70 [label=\"Borra två hål\\n[holes >= 6] sets drowned\"]"));
}

// The net under every text: a text changed anywhere in the story, on a
// tested road or not, changes the script.
TEST(StoryScript, TheCommittedScriptIsTheCatalogues) {
    explored_story();
    std::string now = script_text(script);
    EXPECT_SAME_TEXT(committed_doc("story-script.txt"), now)
        << "docs/story-script.txt is stale: run `make story-script`, read the difference and "
           "commit the result";

    for (StateId state = 1; state <= HIGHEST_STATE; state++) {
        std::string title = std::to_string(state) + " " + catalogue_state_name(state);
        EXPECT_TRUE(contains(now, "\n\n" + title + "\n")) << title;
    }
    EXPECT_FALSE(contains(now, "(never performed)"));
    // A state that says one text or another under different flags lists
    // both, in the order the story says them where they meet.
    EXPECT_TRUE(contains(now, "    says   Du fattar tag om hammaren.\n"
                              "    says   Du tar hammaren och sätter den på skaftet.\n"));
    EXPECT_TRUE(contains(now, "    says   Du ser en rep-stump sticka upp ur golvet (eller är det "
                              "taket).\n    says   Det ligger ett rep ihoprullat"));
    // The counts are named, not their values of the moment.
    EXPECT_TRUE(contains(now, "    says   Du räknar hålen: det är\n    says   <holes_text>\n"));
    EXPECT_TRUE(contains(now, "    says   Du har nu gått\n    says   <laps_text>\n"));
    // The finale's second text opens a paragraph of its own.
    EXPECT_TRUE(contains(now, "så långt du kan.\n    (new paragraph)\n    says   Du har härmed"));
    // One option with ten actions: every action in the order added.
    EXPECT_TRUE(contains(now, "    offers \"_T32\" -> 33 FIRST_THOUGHT\n"
                              "    offers \"_T32\" -> 29 SECOND_THOUGHT\n"));
    EXPECT_TRUE(contains(now, "    offers \"_T32\" -> 10 BUILD_BOAT\n"
                              "    offers \"_T32\" -> 12 THINK_NO_MORE\n"));
}

// A condition is the simplest test that holds wherever the way was taken
// and nowhere else.
TEST(StoryMap, ConditionsAreTheSimplestThatTellTheSituationsApart) {
    StoryFlags key{}, none{}, both{}, hammer{}, handle{};
    key.has_key = true;
    both.has_hammer = both.has_handle = true;
    hammer.has_hammer = true;
    handle.has_handle = true;
    EXPECT_EQ(condition_between({facts_code(key, 0)}, {facts_code(none, 0)}), "has_key");
    EXPECT_EQ(condition_between({facts_code(none, 0)}, {facts_code(key, 0)}), "!has_key");
    EXPECT_EQ(condition_between({facts_code(both, 0)}, {facts_code(none, 0), facts_code(hammer, 0),
                                                        facts_code(handle, 0)}),
              "has_handle && has_hammer");
    EXPECT_EQ(condition_between({facts_code(none, 6), facts_code(none, 7)},
                                {facts_code(none, 0), facts_code(none, 5)}),
              "holes >= 6");
    // No test on flags or count tells equal facts apart.
    EXPECT_EQ(condition_between({facts_code(key, 2)}, {facts_code(key, 2)}), std::nullopt);
    // Three tests would be needed.
    StoryFlags k{}, h{}, m{};
    k.has_key = h.has_hammer = m.has_mussel = true;
    StoryFlags all = k;
    all.has_hammer = all.has_mussel = true;
    StoryFlags km = k, kh = k, hm = h;
    km.has_mussel = kh.has_hammer = hm.has_mussel = true;
    EXPECT_EQ(condition_between({facts_code(all, 0)},
                                {facts_code(km, 0), facts_code(kh, 0), facts_code(hm, 0)}),
              std::nullopt);
}

} // namespace
