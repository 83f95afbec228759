// A player's road through the game, driven through a pseudo-terminal.
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <tuple>
#include <vector>

namespace {

// The normal attribute comes before the clear, so the whole screen takes
// the game's colours from the first line on.
const std::string FIRST_SCREEN =
    "\x1b[?2004h\x1b[0;37;40m\x1b[2J\x1b[1;1H" + BED_TEXT + "\x1b[K\r\n\r\n" + listing(BED_MENU);

void play(PtyGame& game, const std::vector<std::string>& labels) {
    for (const std::string& label : labels)
        ASSERT_NE(game.choose(label), 0) << "option not offered: " << label;
}

// NO_COLOR takes the colours and nothing else: the highlight in reverse.
const std::string FIRST_SCREEN_NO_COLOR = [] {
    std::string screen = "\x1b[?2004h\x1b[0m\x1b[2J\x1b[1;1H" + BED_TEXT + "\x1b[K\r\n\r\n";
    for (size_t i = 0; i < BED_MENU.size(); i++)
        screen += " " + std::to_string(i + 1) + ": " + (i == 0 ? "\x1b[0;7m" : "") + BED_MENU[i] +
                  "\x1b[K\x1b[0m\r\n";
    return screen + repeated("\x1b[A", BED_MENU.size()) + "\x1b[4C";
}();

TEST(Walkthrough, FirstScreenIsExact) {
    for (auto [no_color, screen] :
         {std::pair{"NO_COLOR=", FIRST_SCREEN}, {"NO_COLOR=1", FIRST_SCREEN_NO_COLOR}}) {
        PtyGame game({"/usr/bin/env", no_color, VAKNA_BINARY});
        std::string first = game.read_until(BED_MENU.back() + "\x1b[K");
        EXPECT_SAME_TEXT(screen, first + game.read_until("\x1b[4C"));
        expect_quit(game);
    }
}

TEST(Walkthrough, ArrowMovesRedrawOnlyTheTwoOptions) {
    PtyGame game;
    const size_t n = BED_MENU.size();
    ASSERT_EQ(BED_MENU[1], SLEEP);
    game.read_until(last_option_line(BED_MENU));
    game.send(keys::DOWN);
    EXPECT_EQ(game.read_until(option_line(1, SLEEP, true)),
              "\r" + option_line(0, BED_MENU[0]) + option_line(1, SLEEP, true));
    // Enter chooses the highlighted second option: the list is blanked, the
    // cursor goes back to its first line, and the answer is written there.
    game.send(keys::ENTER);
    EXPECT_EQ(game.read_until(SLEEP_TEXT + "\x1b[K"), "\r\x1b[A" + repeated("\x1b[K\r\n", n) +
                                                          repeated("\x1b[A", n) + SLEEP_TEXT +
                                                          "\x1b[K");
    expect_quit(game);
}

// Each action's frame goes out in one write(), as the kernel counts the
// game's calls; a resize's count holds its handler's wake byte.
TEST(Walkthrough, EachActionsScreenGoesOutInOneWrite) {
    PtyGame game;
    ChildIo io{};
    for (auto [action, shown, writes] :
         {std::tuple<std::string, std::string, int>{"", BED_MENU.back() + "\x1b[K", 1},
          {keys::DOWN, BED_MENU[1], 1},
          {"2", SLEEP_TEXT, 1},
          {"resize", BED_MENU.back(), 2},
          {"q", "", 1}}) {
        long long before = io.writes;
        if (action == "resize")
            game.resize(60, 24);
        else if (!action.empty()) // the first screen comes unasked
            game.send(action);
        game.read_until(shown);
        siginfo_t ended;
        ASSERT_TRUE(action == "q" ? waitid(P_PID, game.pid(), &ended, WEXITED | WNOWAIT) == 0
                                  : game.settle());
        ASSERT_EQ(proc_io(game.pid(), &io), 0);
        EXPECT_EQ(io.writes - before, writes) << action;
    }
    EXPECT_EQ(game.wait_exit(), 0);
}

TEST(Walkthrough, ReachesTheFinaleAndPlaysAgain) {
    PtyGame game;
    play(game, ROAD_TO_THE_FINALE);
    std::string finale = game.read_until(PLAY_AGAIN + "\x1b[K");
    EXPECT_NE(finale.find("Du bemannar undervattensbåten och seglar av misstag så långt du kan."
                          "\x1b[K\r\n  Du har härmed klarat del:1 av spel:1.\x1b[K"),
              std::string::npos)
        << escaped(finale);
    game.send("2");
    game.read_until(BED_TEXT);
    // A new game starts from scratch: the ice drill stands by the window again.
    play(game, {GET_UP});
    game.read_until(says("SHOW_ROOM").at(2));
    game.choose(TAKE_ICE_DRILL);
    expect_quit(game);
}

TEST(Walkthrough, DecliningToPlayAgainEndsTheGame) {
    PtyGame game;
    play(game, ROAD_TO_THE_FINALE);
    game.choose(DECLINE_TO_PLAY_AGAIN);
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

} // namespace
