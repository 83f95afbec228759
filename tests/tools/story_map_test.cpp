// The committed story map is the one the catalogue yields now, and it shows
// every scene with the conditions that decide its ways out.
#include "explore/story_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string committed_map() {
    std::ifstream file(VAKNA_SOURCE_DIR "/docs/story-map.dot");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(StoryMap, TheCommittedMapIsTheCatalogues) {
    std::string now = story_map_dot();
    EXPECT_TRUE(now == committed_map())
        << "docs/story-map.dot is stale: run `make story-map` and commit the result";

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
