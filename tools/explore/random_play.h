// Random play: many games through the same stand-in player as the
// explorer, each option picked at random, counting the states performed.
#pragma once

#include "story_driver.h"

struct RandomPlays {
    StateCounts performed;
    long games;
    long choices;     // over all games
    long ended;       // games the story ended itself
    long new_games;   // games that ended by starting a new one
    long cut_short;   // games stopped at the length bound
    long empty_menus; // menus listed with nothing to choose
};

// Plays games from a new game until the story returns, a new game begins
// or max_choices have been made. The quit key is never picked, so a game
// ends only as the story lets it. The same seed gives the same games.
RandomPlays random_play(long games, unsigned seed, int max_choices);
