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
const char* const FIRST_SCREEN = "\x1b[?2004h\x1b[0;37;40m\x1b[2J\x1b[1;1H"
                                 "Plötsligt vaknar du och märker att du ligger i en säng.\x1b[K"
                                 "\r\n\r\n"
                                 " 1: \x1b[0;1;37;42mKliva upp\x1b[K\x1b[0;37;40m\r\n"
                                 " 2: Sova\x1b[K\x1b[0;37;40m\r\n";

void play(PtyGame& game, const std::vector<std::string>& labels) {
    for (const std::string& label : labels)
        ASSERT_NE(game.choose(label), 0) << "option not offered: " << label;
}

// NO_COLOR takes the colours and nothing else: the highlight in reverse.
const char* const FIRST_SCREEN_NO_COLOR =
    "\x1b[?2004h\x1b[0m\x1b[2J\x1b[1;1HPlötsligt vaknar du och märker att du ligger i en säng."
    "\x1b[K\r\n\r\n"
    " 1: \x1b[0;7mKliva upp\x1b[K\x1b[0m\r\n 2: Sova\x1b[K\x1b[0m\r\n";

TEST(Walkthrough, FirstScreenIsExact) {
    for (auto [no_color, screen] :
         {std::pair{"NO_COLOR=", FIRST_SCREEN}, {"NO_COLOR=1", FIRST_SCREEN_NO_COLOR}}) {
        PtyGame game({"/usr/bin/env", no_color, VAKNA_BINARY});
        std::string first = game.read_until("Sova\x1b[K");
        EXPECT_SAME_TEXT(screen, first + game.read_until("\r\n"));
        game.send("q");
        EXPECT_EQ(game.wait_exit(), 0);
    }
}

TEST(Walkthrough, ArrowMovesRedrawOnlyTheTwoOptions) {
    PtyGame game;
    game.read_until(" 2: Sova\x1b[K\x1b[0;37;40m\r\n");
    game.send(keys::DOWN);
    EXPECT_EQ(game.read_until("Sova\x1b[K\x1b[0;37;40m\r\n"),
              "\x1b[A\x1b[A 1: Kliva upp\x1b[K\x1b[0;37;40m\r\n"
              " 2: \x1b[0;1;37;42mSova\x1b[K\x1b[0;37;40m\r\n");
    // Enter chooses the highlighted "Sova": the list is blanked, the cursor
    // goes back to its first line, and the answer is written there.
    game.send(keys::ENTER);
    EXPECT_EQ(game.read_until("samma säng.\x1b[K"),
              "\x1b[A\x1b[A\x1b[K\r\n\x1b[K\r\n\x1b[A\x1b[A"
              "Du somnar... När du vaknar märker du att du ligger i samma säng.\x1b[K");
    game.send("q");
    EXPECT_EQ(game.wait_exit(), 0);
}

// Each action's frame goes out in one write(), as the kernel counts the
// game's calls; a resize's count holds its handler's wake byte.
TEST(Walkthrough, EachActionsScreenGoesOutInOneWrite) {
    PtyGame game;
    ChildIo io{};
    for (auto [action, shown, writes] : {std::tuple{"", "Sova\x1b[K", 1},
                                         {"\x1b[B", "Sova", 1},
                                         {"2", "säng", 1},
                                         {"resize", "Sova", 2},
                                         {"q", "", 1}}) {
        long long before = io.writes;
        action == std::string("resize") ? game.resize(60, 24) : game.send(action);
        game.read_until(shown);
        siginfo_t ended;
        ASSERT_TRUE(*action == 'q' ? waitid(P_PID, game.pid(), &ended, WEXITED | WNOWAIT) == 0
                                   : game.settle());
        ASSERT_EQ(proc_io(game.pid(), &io), 0);
        EXPECT_EQ(io.writes - before, writes) << action;
    }
    EXPECT_EQ(game.wait_exit(), 0);
}

TEST(Walkthrough, ReachesTheFinaleAndPlaysAgain) {
    PtyGame game;
    play(game, ROAD_TO_THE_FINALE);
    std::string finale = game.read_until("Eller vill du spela en gång till\x1b[K");
    EXPECT_NE(finale.find("Du bemannar undervattensbåten och seglar av misstag så långt du kan."
                          "\x1b[K\r\n  Du har härmed klarat del:1 av spel:1.\x1b[K"),
              std::string::npos)
        << finale;
    game.send("2");
    game.read_until("Plötsligt vaknar du och märker att du ligger i en säng.");
    // A new game starts from scratch: the ice drill stands by the window again.
    play(game, {"Kliva upp"});
    game.read_until("Det står en isborr lutad mot fönsterkarmen.");
    game.choose("Ta isborren");
    game.send("q");
    EXPECT_EQ(game.wait_exit(), 0);
}

TEST(Walkthrough, DecliningToPlayAgainEndsTheGame) {
    PtyGame game;
    play(game, ROAD_TO_THE_FINALE);
    game.choose("Vill du inte spela en gång till");
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

} // namespace
