#include "random_play.h"

#include <algorithm>
#include <random>

namespace {

struct Game {
    std::mt19937 random;
    int max_choices;
    int choices;
    bool stopped; // cut short or at the next game's first menu
    RandomPlays* plays;
};

Game game;

bool new_game_began() {
    return std::any_of(driver_trace.moments.begin(), driver_trace.moments.end(),
                       [](const Moment& m) { return m.state == 61; });
}

StateId random_choose() {
    Listing listing = driver_list();
    bool new_game = new_game_began();
    driver_trace_clear();
    if (listing.nodes.empty())
        game.plays->empty_menus++;
    if (new_game || game.choices == game.max_choices || listing.nodes.empty()) {
        game.stopped = true;
        (new_game ? game.plays->new_games : game.plays->cut_short)++;
        return STATE_QUIT;
    }
    game.choices++;
    // Taken modulo rather than through a distribution, so that every
    // standard library draws the same games from a seed.
    return driver_select(listing, game.random() % listing.nodes.size());
}

} // namespace

RandomPlays random_play(long games, unsigned seed, int max_choices) {
    RandomPlays plays{};
    game = Game{std::mt19937(seed), max_choices, 0, false, &plays};
    DriverSession session(random_choose);
    for (long g = 0; g < games; g++) {
        game.choices = 0;
        game.stopped = false;
        run_story(STATE_START);
        plays.choices += game.choices;
        plays.ended += !game.stopped;
        plays.games++;
    }
    plays.performed = driver_performed;
    return plays;
}
