// Death, counts and the life of options, as a player meets them.
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/utf8_text.h"

#include <gtest/gtest.h>

namespace {

const std::string DRILL_TWO = label_to("DRILL_TWO_HOLES");

TEST(Death, TheIceGiantKillsThePlayerWithoutHammerAndHandle) {
    PtyGame game;
    for (const std::string& label : ROAD_TO_THE_ICE_GIANT)
        ASSERT_NE(game.choose(label), 0) << label;
    std::string death = game.read_until(GO_ON + "\x1b[K");
    EXPECT_NE(death.find("Isjätten klubbar ner dig.\x1b[K Du är DÖD nu.\x1b[K"), std::string::npos)
        << escaped(death);
    game.choose(DECLINE_TO_GO_ON);
    EXPECT_EQ(game.wait_exit(), 0);
}

TEST(Death, FourDrillingsOfTwoHolesDrownThePlayer) {
    PtyGame game;
    for (const std::string& label :
         concat({ROAD_TO_THE_WINDOW, {DRILL_TWO, DRILL_TWO, DRILL_TWO, label_to("COUNT_HOLES")}}))
        ASSERT_NE(game.choose(label), 0) << label;
    game.read_until("Du räknar hålen: det är\x1b[K 6\x1b[K stycken.\x1b[K");
    game.choose(DRILL_TWO);
    std::string drowning = game.read_until(GO_ON + "\x1b[K");
    EXPECT_NE(drowning.find("Du borrar två hål (ett roligt, ett tråkigt).\x1b[K Isen brister och"
                            " du sjunker till\x1b[K\r\nbotten.\x1b[K Du ligger där tills att du"
                            " märker att du har drunknat.\x1b[K Du är DÖD nu.\x1b[K"),
              std::string::npos)
        << escaped(drowning);
    // Going on after death starts a new game at the bed.
    game.choose(GO_ON);
    game.read_until(BED_TEXT);
    expect_quit(game);
}

TEST(Counts, LapsAddUpWithinOneGame) {
    PtyGame game;
    for (const std::string& label : {GET_UP, OUT_OF_THE_WINDOW, label_to("WALK_TWO_LAPS")})
        ASSERT_NE(game.choose(label), 0) << label;
    game.read_until(
        "Du går två varv runt sjön.\x1b[K Du har nu gått\x1b[K 2\x1b[K varv runt sjön.\x1b[K");
    game.choose(label_to("WALK_THREE_LAPS"));
    game.read_until(
        "Du går tre varv runt sjön.\x1b[K Du har nu gått\x1b[K 5\x1b[K varv runt sjön.\x1b[K");
    expect_quit(game);
}

TEST(Options, OnceOnlyOptionsGoAndRepeatableOnesStay) {
    PtyGame game;
    game.choose(GET_UP);
    game.choose(EAT);
    std::string after_eating = game.read_until(EAT + "\x1b[K");
    EXPECT_NE(after_eating.find(says("EAT").at(0)), std::string::npos);
    EXPECT_NE(after_eating.find(TAKE_ICE_DRILL), std::string::npos);
    game.choose(TAKE_ICE_DRILL);
    std::string after_taking = game.read_until(EAT + "\x1b[K");
    EXPECT_NE(after_taking.find(says("TAKE_ICE_DRILL").at(0)), std::string::npos);
    EXPECT_EQ(after_taking.find(TAKE_ICE_DRILL), std::string::npos) << escaped(after_taking);
    expect_quit(game);
}

TEST(Options, ADigitChoosesDirectlyAndAMissingDigitIsIgnored) {
    PtyGame game;
    game.read_until(last_option_line(BED_MENU));
    game.send("7");
    game.send("2");
    game.read_until(SLEEP_TEXT);
    expect_quit(game);
}

} // namespace
