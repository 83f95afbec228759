// Ten thousand random games through the explorer's stand-in player, as a
// cross-check: random play reaches nothing the explorer does not, and what
// it misses is only what lies beyond a long run of the right choices.
#include "explore/random_play.h"
#include "explored_story.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace {

constexpr long GAMES = 10000;
constexpr unsigned SEED = 1;
constexpr int MOST_CHOICES = 200; // per game; a typical game dies within fifty

std::set<StateId> performed(const StateCounts& counts) {
    std::set<StateId> states;
    for (StateId s = 1; s <= HIGHEST_STATE; s++) {
        if (counts[s] > 0)
            states.insert(s);
    }
    return states;
}

// Building the boat takes nine choices of "_T32" in a row behind the door,
// where two of the other options leave the scene, so random play gets no
// further than its sixth thought (27). Everything after the boat stays out
// of its reach: the seventh to tenth thoughts (26, 11, 10, 12), sailing (6),
// the island (40, 76, 74, 75), the handle that the ice giant needs (24, 79,
// 77, 78) and so the key and the finale (38, 73, 72, 71).
const std::set<StateId> BEYOND_RANDOM_PLAY = {6,  10, 11, 12, 24, 26, 38, 40, 71,
                                              72, 73, 74, 75, 76, 77, 78, 79};

TEST(RandomPlay, TenThousandGamesReachWhatTheExplorerReachesButTheDeepEnd) {
    RandomPlays plays = random_play(GAMES, SEED, MOST_CHOICES);
    std::printf("%ld games, %ld choices: %ld ended, %ld new games, %ld cut short\n", plays.games,
                plays.choices, plays.ended, plays.new_games, plays.cut_short);
    for (StateId s = 1; s <= HIGHEST_STATE; s++)
        std::printf("%d:%ld%c", s, plays.performed[s], s % 10 == 0 ? '\n' : ' ');
    std::printf("\n");
    EXPECT_EQ(plays.games, GAMES);
    EXPECT_EQ(plays.ended + plays.new_games + plays.cut_short, GAMES);
    EXPECT_EQ(plays.empty_menus, 0);

    std::set<StateId> by_chance = performed(plays.performed);
    std::set<StateId> explored = performed(explored_story().performed);
    std::set<StateId> missed;
    for (StateId s : explored) {
        if (!by_chance.count(s))
            missed.insert(s);
    }
    for (StateId s : by_chance)
        EXPECT_TRUE(explored.count(s)) << "random play reached " << s << ", the explorer did not";
    EXPECT_EQ(missed, BEYOND_RANDOM_PLAY);
}

TEST(RandomPlay, TheSameSeedPlaysTheSameGames) {
    RandomPlays first = random_play(200, 7, MOST_CHOICES);
    RandomPlays again = random_play(200, 7, MOST_CHOICES);
    RandomPlays other = random_play(200, 8, MOST_CHOICES);
    EXPECT_EQ(first.performed, again.performed);
    EXPECT_EQ(first.choices, again.choices);
    EXPECT_NE(first.performed, other.performed);
}

TEST(RandomPlay, GamesStopAtTheirLengthBound) {
    RandomPlays plays = random_play(100, SEED, 3);
    EXPECT_EQ(plays.cut_short, 100);
    EXPECT_EQ(plays.choices, 300);
}

} // namespace
